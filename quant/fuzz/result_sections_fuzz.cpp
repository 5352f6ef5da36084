// libFuzzer target over the result sections of a processed data file: the
// first input byte picks "MSResults:h4", "MSQualifiers:h4" or "MSTICs:h4",
// the rest replaces that section's bytes. Everything is then read as the
// report and the chromatogram annotations read it: the header and every
// step, the qualifier record of each step's compound, the TIC peaks with
// their hits, and the peak and hit a step points at. No read faults; no
// block handed out is shorter than the record it claims to be. Then the
// sections are filtered and compacted as a quantitation run does: a
// compaction that succeeds leaves results whose counts are their steps.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "holbrin/holbrin.h"
#include "quant/result_compaction.h"
#include "quant/results_sections.h"
#include "win/win_kernel.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\RUN1.KMS";
const char* const kSections[] = {RESULTS_SECTION, QUALIFIERS_SECTION, TICS_SECTION};

void MakeProcessedFile(const std::string& path) {
  msfix::DHPlan plan;
  plan.run.scans = 240;
  plan.run.compounds = 6;
  plan.run.endTime = 8.0;
  plan.unknowns = 2;
  msfix::DHTruth truth;
  msfix::WriteProcessedDataFile(path, "C:\\FUZZ\\METHOD.KMT", plan, &truth);
}

void CheckHit(const STRUCT_TIC_HIT* hit) {
  if (!hit) return;
  const uint32_t room = GetBlockSize(const_cast<STRUCT_TIC_HIT*>(hit));
  fuzz::Check(room >= TIC_HIT_HEAD_SIZE && hit->length <= room, "a hit longer than its block");
  fuzz::Check(hit->ionCount >= 0 && TIC_HIT_HEAD_SIZE + TIC_HIT_ION_SIZE * uint64_t(hit->ionCount) <= room,
              "a hit's ions outside its block");
}

void CheckPeak(const STRUCT_TIC_PEAK* peak) {
  if (!peak) return;
  const uint32_t room = GetBlockSize(const_cast<STRUCT_TIC_PEAK*>(peak));
  fuzz::Check(room >= TIC_PEAK_HEAD_SIZE && peak->length <= room, "a peak longer than its block");
}

void ReadAll() {
  std::vector<STRUCT_RESULT_STEP> steps;
  if (HSECTION results = OpenTolResultsReadOnly(kPath)) {
    STRUCT_RESULTS_HEADER header;
    ReadTolResults(results, &header);
    const int32_t count = CountTolResultSteps(results);
    fuzz::Check(count >= 0, "a negative step count");
    STRUCT_RESULT_STEP step;
    for (int32_t i = 0; i < count && i < 256; ++i)
      if (ReadTolResultStep(results, uint16_t(i), &step)) steps.push_back(step);
    if (count < 0xFFFF) fuzz::Check(!ReadTolResultStep(results, uint16_t(count), &step), "a step past the count");
    for (int32_t kind = -1; kind <= 6; ++kind) GetResultKindCount(&header, kind);
    CloseSection(results);
  }
  if (HSECTION qualifiers = OpenQualifierDataReadOnly(kPath)) {
    const int32_t count = CountQualifierCompounds(qualifiers);
    STRUCT_QUALIFIER_RECORD record;
    for (int32_t i = 0; i < count && i < 256; ++i) GetQualifierRecord(qualifiers, int16_t(i), &record);
    if (count < 0x7FFF) fuzz::Check(!GetQualifierRecord(qualifiers, int16_t(count), &record), "a record past the count");
    for (const STRUCT_RESULT_STEP& s : steps) GetMatchingQualifierRecord(qualifiers, s.compoundNumber, &record);
    CloseSection(qualifiers);
  }
  if (HSECTION tics = OpenTICDataReadOnly(kPath)) {
    const int32_t count = CountTICUnknowns(tics);
    for (int32_t i = 0; i <= count && i < 64; ++i) {
      STRUCT_TIC_PEAK* peak = GetTICPeak(tics, int16_t(i));
      fuzz::Check(i < count || !peak, "a peak past the count");
      CheckPeak(peak);
      const int16_t hits = peak ? peak->hitCount : 0;
      FreeTICPeak(peak);
      for (int16_t j = -1; j <= hits && j <= TIC_PEAK_MAX_HITS; ++j) {
        STRUCT_TIC_HIT* hit = GetTICHitRecord(tics, int16_t(i), j);
        CheckHit(hit);
        FreeTICHitRecord(hit);
      }
    }
    for (const STRUCT_RESULT_STEP& s : steps) {
      STRUCT_TIC_PEAK* peak = GetMatchingTICPeak(tics, s.ticPeakOffset);
      CheckPeak(peak);
      FreeTICPeak(peak);
      STRUCT_TIC_HIT* hit = GetMatchingTICHitRecord(tics, s.ticHitOffset);
      CheckHit(hit);
      FreeTICHitRecord(hit);
    }
    CloseSection(tics);
  }
}

// The unknown peaks filtered, then every section compacted from a copy.
void Compact() {
  STRUCT_RESULTS_HEADER h;
  std::memset(&h, 0, sizeof h);
  if (HSECTION r = OpenTolResults(kPath)) {
    if (ReadTolResults(r, &h)) {
      STRUCT_DH_GLOBAL_PARAMS g;
      InitGlobalParams(&g);
      g.unknownFilterKind = 3;
      g.filterLargestCount = 2;
      g.removeIdentifiedUnknowns = 1;
      ApplyUnknownPeakFilter(r, &h, &g, nullptr);
    }
    CloseSection(r);
  }
  const char copy[] = "C:\\FUZZ\\COPY.KMS";
  win::facts::RemoveFile(copy);
  if (!CopyFileA(kPath, copy, FALSE)) return;
  const int32_t n = int32_t(h.countIdentified) + h.countMissing + h.countFailed;
  if (CompactAllSections(kPath, copy, n < 0 ? 0 : n)) {
    HSECTION r = OpenTolResultsReadOnly(kPath);
    fuzz::Check(r != nullptr, "compacted results that do not open");
    if (r) {
      STRUCT_RESULTS_HEADER c;
      fuzz::Check(ReadTolResults(r, &c) != 0, "compacted results without a header");
      const int32_t sum = int32_t(c.countIdentified) + c.countMissing + c.countFailed + c.countTIC +
                          c.countDuplicate + c.countUnknown;
      fuzz::Check(sum == CountTolResultSteps(r), "compacted counts that are not the steps");
      CloseSection(r);
    }
  }
  win::facts::RemoveFile(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  static const std::string pristine = [] {
    MakeProcessedFile("C:\\FUZZ\\PRISTINE.KMS");
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMS"));
  }();
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  if (HSECTION s = CreateSection(kPath, kSections[data[0] % 3], nullptr)) {
    if (size > 1) WriteSection(s, data + 1, uint32_t(size - 1));
    CloseSection(s);
  }
  ReadAll();
  Compact();
  return 0;
}

// Seeds: each result section of a processed run (identified compounds and
// unknown peaks found by library search) as its own input.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const char path[] = "C:\\FUZZ\\SEED.KMS";
  MakeProcessedFile(path);
  for (int i = 0; i < 3; ++i) {
    HSECTION s = OpenSectionReadOnly(path, kSections[i], nullptr);
    if (!s) return 1;
    std::string bytes(1, char(i));
    bytes.resize(1 + GetSectionSize(s));
    ReadSection(s, bytes.data() + 1, uint32_t(bytes.size() - 1));
    CloseSection(s);
    fuzz::WriteBytes(std::string(folder) + "/section-" + std::to_string(i),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
