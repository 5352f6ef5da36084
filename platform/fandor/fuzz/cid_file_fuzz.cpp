// libFuzzer target over replicate (CID) files of spectrum lists: the first
// eight bytes of the input are a list entry's reference (offset, length),
// the rest the file. The entry is read as the spectrum information and the
// spectrum header read it. No read faults; the strings end within their
// buffer and hold no line breaks.
#include <cstdint>
#include <cstring>
#include <string>

#include "fandor/cid_files.h"
#include "fixtures/identification_fixture.h"
#include "testing/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 8) return 0;
  uint32_t reference[2];
  std::memcpy(reference, data, 8);
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\LIST.CID"), data + 8, size - 8);
  CAccessCIDFile cid;
  const BOOL ok = cid.SetEntry("C:\\FUZZ\\LIST.MSP", reference);
  const int32_t n = cid.ReturnCIDEntryRepCount();
  fuzz::Check(ok ? n > 0 : n == 0, "the count disagrees with the read");
  fuzz::Check(n <= CID_MOST_STRINGS, "more strings than an entry keeps");
  fuzz::Check(!ok || uint64_t(reference[0]) + reference[1] <= size - 8, "an entry read past the file");
  char buffer[CID_STRING_SIZE + 8];
  for (int32_t i = -1; i <= n; ++i) {
    std::memset(buffer, 'x', sizeof buffer);
    const BOOL got = cid.ReturnCIDEntryRepString(i, buffer);
    fuzz::Check(got == (i >= 0 && i < n), "a string outside the entry, or none inside");
    const size_t length = strnlen(buffer, sizeof buffer);
    fuzz::Check(length < CID_STRING_SIZE, "a string longer than its buffer");
    fuzz::Check(!got || (length > 0 && !std::strpbrk(buffer, "\r\n")), "an empty string or a line break in one");
  }
  return 0;
}

// Seeds: a file as the list writer makes it, with the reference of its
// second entry, and one of LF lines with a reference into a line.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  std::vector<std::pair<uint32_t, uint32_t>> refs;
  if (!msfix::WriteCidFile("C:\\FUZZ\\SEED.CID",
                           {{"Toluene", "Methylbenzene", "Toluol"}, {"1,2,4-Trichlorobenzene", "unsym-Trichlorobenzene"}},
                           &refs))
    return 1;
  const std::string written = fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\SEED.CID"));
  const std::string lf = "Phenol\nCarbolic acid\n\nAniline\nBenzenamine\n";
  const uint32_t seeds[2][2] = {{refs[1].first, refs[1].second}, {9, 12}};
  const std::string* texts[2] = {&written, &lf};
  const char* names[2] = {"written", "lf"};
  for (int k = 0; k < 2; ++k) {
    std::string bytes(reinterpret_cast<const char*>(seeds[k]), 8);
    bytes += *texts[k];
    fuzz::WriteBytes(std::string(folder) + "/" + names[k], reinterpret_cast<const uint8_t*>(bytes.data()),
                     bytes.size());
  }
  return 0;
}
