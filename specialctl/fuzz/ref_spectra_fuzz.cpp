// libFuzzer target over the reference spectra a plot loads from its data
// file's stored correction ("BackgroundCorr"): the input replaces the
// section in a small two-segment run, and a reference-spectra set of the
// run's TIC plot loads it, lists its spectra, adds and deletes one and
// copies the correction. No read faults; every spectrum lies in its
// segment, the set stays ordered by centre scan and within its count.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/mass_lists.h"
#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "specialctl/ref_spectra.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kPath[] = "C:\\FUZZ\\REFS.KMS";

msfix::RunPlan SmallRun() {
  msfix::RunPlan plan;
  plan.scans = 120;
  plan.compounds = 4;
  plan.startTime = 1.0;
  plan.endTime = 5.0;
  return plan;
}

void LoadSpectra() {
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  if (!o) return;
  if (OPLOT_AddAnyPlotToOverlayStructure(o, 0, kPath, DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr, nullptr, "Counts",
                                         "", 0, 0)) {
    OPLOT_UpdateOverlayPlots(o, o->tail.homeStart, o->tail.homeEnd);
    STRUCT_WORK_FILE* wf = o->slots[0].workFile;
    STRUCT_CHAN_LIST chans;
    KELT_InitMergedChanList(&chans);
    STRUCT_MASS_LIST masses{};
    STRUCT_CHRO_PLOT_DATA plotData{};
    {
      CRefSpts r;
      r.NewFile(wf, DATA_TYPE_TIC, &masses, &chans, nullptr, nullptr, o, 0, &plotData, 0, 0, 0);
      fuzz::Check(r.Count() >= 0 && r.Count() <= REF_SPTS_MAX, "a count outside the set's bounds");
      for (int i = 0; i < r.Count(); ++i) {
        const STRUCT_BC_DRAW_INFO* s = r.Spectrum(i);
        fuzz::Check(s != nullptr, "a counted spectrum missing");
        const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s->segment);
        fuzz::Check(seg && s->firstScan >= seg->firstScan && s->firstScan <= seg->lastScan,
                    "a spectrum outside its segment");
        fuzz::Check(s->scanCount >= 1, "a spectrum of no scans");
        if (i > 0) fuzz::Check(r.Spectrum(i - 1)->centreScan < s->centreScan, "spectra out of order");
      }
      const int16_t before = r.Count();
      const int16_t added = r.AddSpt(2.5, 3, o, 0, &plotData);
      if (added >= 0) r.DeleteSpt(added);
      fuzz::Check(r.Count() <= before, "a spectrum left behind");
      if (STRUCT_FILE_BC* copy = r.CopyBaseCorr()) FreeBackCorr(copy);
    }
  }
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static const std::string pristine = [] {
    CreateDirectoryA("C:\\FUZZ", nullptr);
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
  LoadSpectra();
  return 0;
}

// Seeds: stored sets as the user makes them: one spectrum, one in each
// segment, several of a few scans each.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  CreateDirectoryA("C:\\FUZZ", nullptr);
  const char path[] = "C:\\FUZZ\\SEED.KMS";
  msfix::RunTruth truth;
  if (!msfix::WriteMsDataFile(path, SmallRun(), &truth)) return 1;
  const std::vector<std::vector<uint32_t>> plans = {{10}, {10, 70}, {5, 20, 35, 80, 100}};
  for (size_t k = 0; k < plans.size(); ++k) {
    STRUCT_FILE_BC* bc = NewFileBC(path);
    for (uint32_t s : plans[k]) {
      if (!bc) break;
      bc = AddBCRange(bc, s, 1.0 + s / 30.0, s + 1 + uint32_t(k), 1.2 + s / 30.0);
      if (bc) SetBackCorrRangeCounts(bc, s, uint16_t(1 + k), uint16_t(1 + k));
    }
    if (!bc || !SaveBackCorr(path, bc)) return 1;
    FreeBackCorr(bc);
    HSECTION s = OpenSectionReadOnly(path, BACKCORR_SECTION, nullptr);
    if (!s) return 1;
    std::string bytes(GetSectionSize(s), '\0');
    ReadSection(s, bytes.data(), uint32_t(bytes.size()));
    CloseSection(s);
    fuzz::WriteBytes(std::string(folder) + "/refspectra-" + std::to_string(k),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
