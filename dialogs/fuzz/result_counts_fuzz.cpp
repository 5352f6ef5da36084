// libFuzzer target over the results header that the data-file open dialog
// reads its result counts from: the input is the "MSResults:h4" section of
// a data file. Whatever it holds, the counts are read or refused without
// reading past what the section has.
#include <cstdint>
#include <cstring>
#include <string>

#include "dialogs/data_file_open_dialog.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  const char* path = "C:\\FUZZ\\results.kms";
  if (!CreateSectionFileAtPath(path, 23, 0, 1)) return 0;
  if (HSECTION s = CreateSection(path, "MSResults:h4", nullptr)) {
    if (size) WriteSection(s, data, static_cast<uint32_t>(size));
    CloseSection(s);
  }
  int counts[6] = {};
  if (kelt::dlg::ReadResultCounts(path, counts))
    fuzz::Check(size >= 2635, "counts read from a header shorter than a whole one");
  return 0;
}

// Seeds: a whole current header with counts, and a cut one.
extern "C" int KeltFuzzSeeds(const char* folder) {
  std::string header(2635, '\0');
  const uint16_t format = 4;
  std::memcpy(&header[2267], &format, 2);
  const int16_t counts[6] = {12, 1, 0, 3, 2, 5};
  std::memcpy(&header[2251], counts, sizeof counts);
  fuzz::WriteBytes(std::string(folder) + "/whole-header", reinterpret_cast<const uint8_t*>(header.data()),
                   header.size());
  fuzz::WriteBytes(std::string(folder) + "/cut-header", reinterpret_cast<const uint8_t*>(header.data()), 2000);
  return 0;
}
