// libFuzzer target over the result sections as the report code reads them
// through the quantitation engine: the input is split into the results,
// qualifier and TIC sections of a processed data file (two u32 lengths
// first), which are then read as the reports read them: the header, every
// step, each step's internal-standard step, its qualifier record and its
// library hits. Nothing faults; returned hit records are whole blocks.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/results_access.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace {

const char kData[] = "C:\\FUZZ\\results.kms";
const char kMethod[] = "C:\\FUZZ\\results.mth";
constexpr size_t kHeader = 2635, kStep = 1375;

void PutSection(const char* path, const char* name, const uint8_t* data, size_t size) {
  if (!size) {
    DeleteSection(path, name);
    return;
  }
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return;
  WriteSection(s, data, static_cast<uint32_t>(size));
  CloseSection(s);
}

std::string Section(const char* path, const char* name) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return {};
  std::string bytes(GetSectionSize(s), '\0');
  if (!bytes.empty() && ReadSection(s, bytes.data(), uint32_t(bytes.size())) != bytes.size()) bytes.clear();
  CloseSection(s);
  return bytes;
}

const std::string& Pristine() {
  static const std::string bytes = [] {
    msfix::DHPlan plan;
    plan.unknowns = 2;
    plan.run.scans = 300;
    msfix::DHTruth truth;
    msfix::WriteProcessedDataFile("C:\\FUZZ\\pristine.kms", kMethod, plan, &truth);
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\pristine.kms"));
  }();
  return bytes;
}

uint32_t Word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  // The readers load and free the engine on every call; one load held for
  // the whole run keeps its code mapped, so that the fuzzer's coverage
  // counters of it stay valid.
  static HMODULE pinned = [] {
    char folder[MAX_PATH + 1] = {};
    if (!GetProgramDirectory(folder)) folder[0] = 0;
    std::string path = folder;
    if (!path.empty()) path += '\\';
    return LoadLibraryA((path + "morvex.dll").c_str());
  }();
  (void)pinned;
  const std::string& pristine = Pristine();
  if (size < 8) return 0;
  const size_t results = std::min<size_t>(Word(data), size - 8);
  const size_t qualifiers = std::min<size_t>(Word(data + 4), size - 8 - results);
  const uint8_t* p = data + 8;
  win::facts::RemoveFile(kData);
  fuzz::WriteBytes(win::paths::ToHost(kData), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  PutSection(kData, "MSResults:h4", p, results);
  PutSection(kData, "MSQualifiers:h4", p + results, qualifiers);
  PutSection(kData, "MSTICs:h4", p + results + qualifiers, size - 8 - results - qualifiers);

  std::vector<uint8_t> header(kHeader);
  RPTS_ReadResultsFromFile(kData, header.data(), 1);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  std::vector<uint8_t> step(kStep), standard(kStep), qualifier(1302), compound(4793);
  for (uint16_t i = 0; i < 12; ++i) {
    if (!RPTS_ReadResultStep(kData, i, step.data())) break;
    RPTS_ReadISResultStep(kData, step.data(), standard.data());
    int32_t number;
    std::memcpy(&number, &step[110], 4);
    int16_t peak;
    std::memcpy(&peak, &step[330], 2);
    if (wf) {
      KELT_ReadMatchingQualifier(wf, number, qualifier.data());
      RPTS_ReadCompoundRecord(wf, step.data(), compound.data());
    }
    for (int16_t hit : {int16_t(0), int16_t(1), int16_t(2), int16_t(11), int16_t(12), int16_t(-1), int16_t(32767)}) {
      void* record = RPTS_ReadTICHitRecord(kData, peak, hit);
      if (!record) continue;
      // The fields the reports read lie inside the block.
      fuzz::Check(GetBlockSize(record) >= 441, "a hit record shorter than its fields");
      RPTS_FreeTICHitRecord(record);
    }
  }
  if (wf) FreeWorkFileStruct(wf);
  return 0;
}

// Seeds: the three sections of a processed run, whole and cut short.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const std::string& pristine = Pristine();
  fuzz::WriteBytes(win::paths::ToHost(kData), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  const std::string r = Section(kData, "MSResults:h4"), q = Section(kData, "MSQualifiers:h4"),
                    t = Section(kData, "MSTICs:h4");
  auto seed = [&](const std::string& name, const std::string& a, const std::string& b, const std::string& c) {
    std::string bytes(8, '\0');
    const uint32_t la = uint32_t(a.size()), lb = uint32_t(b.size());
    std::memcpy(&bytes[0], &la, 4);
    std::memcpy(&bytes[4], &lb, 4);
    bytes += a + b + c;
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  seed("processed", r, q, t);
  seed("cut-steps", r.substr(0, kHeader + kStep + 100), q.substr(0, 1302 + 7), t.substr(0, t.size() / 2));
  // A TIC chain whose first hit offset points past its peak.
  std::string bad = t;
  if (bad.size() >= 14) {
    const uint32_t far = 0x7FFFFFF0u;
    std::memcpy(&bad[10], &far, 4);
  }
  seed("far-hit-offset", r, q, bad);
  return 0;
}
