// libFuzzer target over the background correction stored in a data file
// ("BackgroundCorr"): the input replaces it in a small two-segment run. The
// correction is then read as the spectrum makers and the chromatogram read
// it: its ranges listed, its marks made, the background spectrum of scans
// at the start, middle and end made, and a corrected average taken. No
// read faults; the ranges a correction lists are the ranges it counts.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_marks.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "spectra/tol_spectra.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\RUN1.KMS";

msfix::RunPlan SmallRun() {
  msfix::RunPlan plan;
  plan.scans = 120;
  plan.compounds = 4;
  plan.startTime = 1.0;
  plan.endTime = 5.0;
  return plan;
}

void ReadCorrection() {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kPath, 0);
  if (!wf) return;
  if (STRUCT_FILE_BC* bc = BuildBackCorrFromRefSpts(wf)) {
    const int32_t ranges = CountBackCorrRanges(bc);
    fuzz::Check(ranges >= 0, "a negative range count");
    STRUCT_FILE_BC_ENTRY e;
    for (int32_t i = 0; i < ranges && i < 4096; ++i)
      fuzz::Check(GetBackCorrRange(bc, i, &e) != 0, "a counted range cannot be read");
    fuzz::Check(GetBackCorrRange(bc, ranges, &e) == 0, "a range past the count");
    if (STRUCT_BC_MARKS* marks = GetBackCorrMarks(bc, wf)) {
      const uint64_t need = sizeof *marks + uint64_t(marks->rangeCount) * sizeof(STRUCT_BC_MARK_RANGE) +
                            uint64_t(marks->pointCount) * sizeof(STRUCT_BC_MARK_POINT) +
                            uint64_t(marks->sampleCount) * sizeof(STRUCT_BC_MARK_SAMPLE);
      fuzz::Check(need <= GetBlockSize(marks), "marks longer than their block");
      FreeBackCorrMarks(marks);
    }
    FreeBackCorr(bc);
  }
  STRUCT_CHAN_LIST merged;
  ParseChanList("Merged", &merged);
  for (uint32_t scan : {1u, 2u, 60u, 119u, 120u, 121u}) TOL_Free(TOL_MakeBCSptForScan(wf, scan, &merged));
  TOL_Free(TOL_MakeBCAvgSptFromScanRange(wf, &merged, 40, 52));
  FreeWorkFileStruct(wf);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static const std::string pristine = [] {
    msfix::RunTruth truth;
    msfix::WriteMsDataFile("C:\\FUZZ\\PRISTINE.KMS", SmallRun(), &truth);
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMS"));
  }();
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  if (HSECTION s = CreateSection(kPath, BACKCORR_SECTION, nullptr)) {
    WriteSection(s, data, uint32_t(size));
    CloseSection(s);
  }
  ReadCorrection();
  return 0;
}

// Seeds: corrections as the user stores them: one range, a range in each
// segment, several ranges of a few scans each.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const char path[] = "C:\\FUZZ\\SEED.KMS";
  msfix::RunTruth truth;
  if (!msfix::WriteMsDataFile(path, SmallRun(), &truth)) return 1;
  const std::vector<std::vector<uint32_t>> plans = {{10}, {10, 70}, {5, 20, 35, 80, 100}};
  for (size_t k = 0; k < plans.size(); ++k) {
    STRUCT_FILE_BC* bc = NewBackCorr(path);
    for (uint32_t s : plans[k])
      if (bc) bc = AddBackCorrRange(bc, s, 1.0 + s / 30.0, s + 1 + uint32_t(k), 1.0 + (s + 2) / 30.0);
    if (!bc || !SaveBackCorr(path, bc)) return 1;
    FreeBackCorr(bc);
    HSECTION s = OpenSectionReadOnly(path, BACKCORR_SECTION, nullptr);
    if (!s) return 1;
    std::string bytes(GetSectionSize(s), '\0');
    ReadSection(s, bytes.data(), uint32_t(bytes.size()));
    CloseSection(s);
    fuzz::WriteBytes(std::string(folder) + "/correction-" + std::to_string(k),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
