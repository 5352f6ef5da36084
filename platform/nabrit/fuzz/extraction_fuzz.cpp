// libFuzzer target over extraction mini-runs: a small MS data file is
// damaged by the input (its first 4 bytes give where in the "MSData"
// section the rest of the input overwrites it, and, with the top bit, that
// the section is cut there instead), then a compound window and a segment
// are extracted from it, as a quantitation run extracts them. Nothing
// faults; a failure is one of the listed codes with its text; an extract
// reported made is a data file whose scans read and lie in the window.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "nabrit/nabrit.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kData[] = "C:\\FUZZ\\data.kms";
const char kMini[] = "C:\\FUZZ\\RUN0001.TMP";

std::string SectionOf(const char* path, const char* name) {
  std::string bytes;
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return bytes;
  bytes.resize(GetSectionSize(s));
  if (!bytes.empty() && ReadSection(s, bytes.data(), uint32_t(bytes.size())) != bytes.size()) bytes.clear();
  CloseSection(s);
  return bytes;
}

// The extract's scans read whole and lie in [from, to] (a little slack for
// the window's edges).
void CheckExtract(double from, double to) {
  HMSDATA h = OpenMSData(kMini, "MSData", 0);
  fuzz::Check(h != nullptr, "an extract reported made cannot be opened");
  MS_INFO_BLOCK info;
  fuzz::Check(ReadMSInfoFromHandle(h, &info) == 0, "an extract's information block cannot be read");
  std::vector<uint8_t> buffer(GetMSScanBufferSize(h));
  for (uint32_t s = info.firstScan; s <= info.lastScan && s - info.firstScan < 5000; ++s) {
    MS_SCAN_RECORD r;
    if (ReadMSScan(h, s, &r, buffer.data()) != 0) continue;
    if (from <= to) fuzz::Check(r.header.time >= from - 0.5 && r.header.time <= to + 0.5, "a scan outside the window");
  }
  CloseMSData(h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static const std::string pristine = [] {
    msfix::RunPlan plan;
    plan.seed = 5;
    plan.scans = 120;
    plan.compounds = 3;
    plan.endTime = 4.0;
    plan.segments = {{1.0, 1, "First"}, {1.0, 2, "Second"}};
    msfix::WriteMsDataFile("C:\\FUZZ\\pristine.kms", plan, nullptr);
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\pristine.kms"));
  }();
  static const std::string msdata = [] { return SectionOf("C:\\FUZZ\\pristine.kms", "MSData"); }();
  if (size < 4 || msdata.empty()) return 0;
  const uint32_t where = uint32_t(data[0] | data[1] << 8 | data[2] << 16 | (data[3] & 0x7F) << 24);
  const bool cut = data[3] & 0x80;
  data += 4, size -= 4;
  std::string bytes = msdata;
  const size_t at = where % (bytes.size() + 1);
  if (cut) bytes.resize(at);
  else bytes.replace(at, std::min(size, bytes.size() - at), reinterpret_cast<const char*>(data), size);
  win::facts::RemoveFile(kData);
  win::facts::RemoveFile(kMini);
  fuzz::WriteBytes(win::paths::ToHost(kData), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  HSECTION s = CreateSection(kData, "MSData", nullptr);
  if (!s) return 0;
  if (!bytes.empty()) WriteSection(s, bytes.data(), uint32_t(bytes.size()));
  if (!CloseSection(s)) return 0;

  // A window from the input's tail, and the whole second segment.
  const double from = size ? (data[size - 1] % 40) / 10.0 : 1.0, to = from + 0.6;
  char text[NABRIT_TEXT_SIZE] = {};
  const int32_t code =
      ExtractCompoundData(kData, nullptr, kMini, from, to, nullptr, nullptr, nullptr, 0, 0, 0, "1", text);
  fuzz::Check(code >= NABRIT_OK && code <= NABRIT_ERROR_CHANNELS, "an unlisted extraction code");
  if (code != NABRIT_OK) fuzz::Check(std::strlen(text) > 0, "a failure without its text");
  if (code == NABRIT_OK) CheckExtract(from, to);
  // Reading the range in place is offered only where the extract succeeds.
  double inFrom = 0, inTo = 0;
  DH_CHAN_LIST second{};
  second.kind = 1;
  second.count = 1;
  second.entries[0].lowChannel = second.entries[0].highChannel = 1;
  const DH_CHAN_LIST* const lists[] = {nullptr, &second};
  for (const DH_CHAN_LIST* channels : lists) {
    if (!CompoundDataReadsInPlace(kData, nullptr, from, to, channels, nullptr, &inFrom, &inTo)) continue;
    fuzz::Check(inFrom == from && inTo == to, "an in-place range other than the extract's");
    if (channels) continue;
    fuzz::Check(code == NABRIT_OK, "an in-place range where the extract fails");
  }
  win::facts::RemoveFile(kMini);
  const int32_t range = ExtractDataRange(kData, nullptr, kMini, 0, 0, 1, text);
  fuzz::Check(range >= NABRIT_OK && range <= NABRIT_ERROR_CHANNELS, "an unlisted extraction code");
  if (range == NABRIT_OK) CheckExtract(1.0, 0.0);
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const uint8_t header[] = {0x40, 0, 0, 0, 'x', 'y', 'z', 12};
  fuzz::WriteBytes(std::string(folder) + "/overwrite", header, sizeof header);
  const uint8_t cut[] = {0x00, 0x10, 0, 0x80, 20};
  fuzz::WriteBytes(std::string(folder) + "/cut", cut, sizeof cut);
  const uint8_t none[] = {0, 0, 0, 0};
  fuzz::WriteBytes(std::string(folder) + "/intact", none, sizeof none);
  return 0;
}
