// libFuzzer target over whole quantitation runs on a damaged method or data
// file: a processed run and its method are made once; each input damages
// one section of one of them (first byte: bit 7 the file, the rest picks
// the section in name order; next two bytes: the offset the rest of the
// input overwrites it at; a stored table keeps a sound head and checksum
// over its damaged records when bit 6 is set, so the damage reaches the
// readers behind the table check), and the run is quantitated as an
// analysis sample. Nothing faults; a run that succeeds leaves results
// whose counts are their steps; one that fails leaves the data file's
// earlier results as they were.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "quant/internal_standards.h"
#include "quant/quantitation_run.h"
#include "quant/results_sections.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kData[] = "C:\\FUZZ\\RUN.KMS";
const char kMethod[] = "C:\\FUZZ\\RUN.MTH";
const char* const kResultSections[] = {RESULTS_SECTION, QUALIFIERS_SECTION, TICS_SECTION};

std::string Section(const char* path, const char* name) {
  std::string bytes;
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return "<none>";
  bytes.resize(GetSectionSize(s));
  if (!bytes.empty() && ReadSection(s, bytes.data(), uint32_t(bytes.size())) != bytes.size()) bytes = "<unread>";
  CloseSection(s);
  return bytes;
}

std::vector<std::string> Names(const char* path) {
  std::vector<std::string> names;
  if (char* block = ListSectionNames(path, nullptr)) {
    for (const char* p = block; *p; p += 32) names.emplace_back(p, strnlen(p, 32));
    FreeBlock(block);
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t Le32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

void SetLe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(v >> (8 * i));
}

// A stored table ("DHT1", record size, count, FNV-1a checksum of the
// records) made sound again over its whole records.
void Reseal(std::string& b) {
  if (b.size() < 16 || b.compare(0, 4, "DHT1") != 0) return;
  const uint32_t recordSize = Le32(b, 4);
  if (recordSize == 0) return;
  b.resize(16 + (b.size() - 16) / recordSize * recordSize);
  SetLe32(b, 8, uint32_t((b.size() - 16) / recordSize));
  uint32_t h = 2166136261u;
  for (size_t i = 16; i < b.size(); ++i) h = (h ^ uint8_t(b[i])) * 16777619u;
  SetLe32(b, 12, h);
}

void Copy(const std::string& from, const char* to) {
  win::facts::RemoveFile(to);
  fuzz::WriteBytes(win::paths::ToHost(to), reinterpret_cast<const uint8_t*>(from.data()), from.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  struct Pristine {
    std::string data, method;
  };
  static const Pristine pristine = [] {
    CreateDirectoryA("C:\\TEMP", nullptr);
    msfix::DHPlan plan;
    plan.run.scans = 240;
    plan.run.compounds = 5;
    plan.run.endTime = 8.0;
    plan.unknowns = 2;
    msfix::DHTruth truth;
    msfix::WriteProcessedDataFile(kData, kMethod, plan, &truth);
    uint8_t options[QUANT_OPTIONS_SIZE];
    InitQuantOptions(options);
    DoTolmarQuantitation(nullptr, kData, kMethod, options);  // earlier results to keep
    return Pristine{fuzz::ReadBytes(win::paths::ToHost(kData)), fuzz::ReadBytes(win::paths::ToHost(kMethod))};
  }();
  if (size < 3) return 0;
  const bool inMethod = data[0] & 0x80, reseal = data[0] & 0x40;
  const unsigned pick = data[0] & 0x3F;
  const size_t offset = size_t(data[1] | data[2] << 8);
  data += 3, size -= 3;
  Copy(pristine.data, kData);
  Copy(pristine.method, kMethod);
  const char* file = inMethod ? kMethod : kData;
  const std::vector<std::string> names = Names(file);
  if (names.empty()) return 0;
  const std::string& name = names[pick % names.size()];
  std::string bytes = Section(file, name.c_str());
  if (bytes == "<none>" || bytes == "<unread>") return 0;
  const size_t at = std::min(offset, bytes.size());
  bytes.replace(at, std::min(size, bytes.size() - at), reinterpret_cast<const char*>(data), size);
  if (reseal) Reseal(bytes);
  HSECTION s = CreateSection(file, name.c_str(), nullptr);
  if (!s) return 0;
  if (!bytes.empty()) WriteSection(s, bytes.data(), uint32_t(bytes.size()));
  if (!CloseSection(s)) return 0;

  std::vector<std::string> before;
  for (const char* r : kResultSections) before.push_back(Section(kData, r));
  uint8_t options[QUANT_OPTIONS_SIZE];
  InitQuantOptions(options);
  const float one = 1.0f;
  std::memcpy(options + OPTIONS_SCALE_NUMERATOR, &one, 4);
  std::memcpy(options + OPTIONS_SCALE_DENOMINATOR, &one, 4);
  std::memcpy(options + OPTIONS_SAMPLE_AMOUNT, &one, 4);
  if (DoTolmarQuantitation(nullptr, kData, kMethod, options)) {
    HSECTION results = OpenTolResultsReadOnly(kData);
    fuzz::Check(results != nullptr, "a completed run left no results");
    STRUCT_RESULTS_HEADER h;
    fuzz::Check(ReadTolResults(results, &h) != FALSE, "a completed run's results cannot be read");
    const int total = h.countIdentified + h.countMissing + h.countFailed + h.countTIC + h.countDuplicate + h.countUnknown;
    fuzz::Check(total == CountTolResultSteps(results), "results whose counts are not their steps");
    CloseSection(results);
  } else {
    for (size_t i = 0; i < before.size(); ++i)
      fuzz::Check(Section(kData, kResultSections[i]) == before[i], "a failed run changed the earlier results");
  }
  char owner[200] = {};
  fuzz::Check(!GetFileLockOwner(kData, owner, sizeof owner), "a run left its claim on the data file");
  return 0;
}

// Seeds: a few sections of each file, damaged a little, sealed or not.
extern "C" int KeltFuzzSeeds(const char* folder) {
  for (unsigned i = 0; i < 12; ++i) {
    const uint8_t bytes[] = {uint8_t((i % 2 ? 0x80 : 0) | (i % 3 ? 0x40 : 0) | i), uint8_t(16 + 8 * i), 0,
                             0xFF, 0x7F, 0x00, 0x80};
    fuzz::WriteBytes(std::string(folder) + "/section-" + std::to_string(i), bytes, sizeof bytes);
  }
  return 0;
}
