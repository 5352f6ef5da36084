// libFuzzer target over the alternate MS data file record a host hands the
// overlay control (WM_USER+57): any slot, data type, lists and path bytes
// (terminated or not), then a spectrum at a time, over a range and one step
// on, a noise label and a paint on a detector plot whose alternate file is
// either a generated run or whatever the path names. Nothing faults; the
// control keeps the record as handed over.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "spectra/spectrum_managers.h"
#include "testing/fuzz_support.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

constexpr char kRun[] = "C:\\FUZZ\\alternate.kms";

// The generated run the sound records name, written once per process.
void WriteRun() {
  static const bool written = [] {
    msfix::RunPlan plan;
    plan.seed = 5;
    plan.scans = 120;
    plan.compounds = 3;
    plan.startTime = 1.0;
    plan.endTime = 5.0;
    return msfix::WriteMsDataFile(win::paths::ToHost(kRun), plan, nullptr);
  }();
  fuzz::Check(written, "the generated run is written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  WriteRun();
  static HWND host = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OPlotAlternateFileFuzzHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                           nullptr, nullptr, nullptr);
  }();
  STRUCT_SPECIAL_SN_FILE record{};
  std::memcpy(&record, data, std::min(size, sizeof record));

  // A detector trace over the run's time range: its scans come from the record.
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  SyntheticTrace tr;
  tr.detector = true;
  for (int i = 0; i < 300; ++i) {
    tr.times.push_back(1.0 + i * 0.0133);
    tr.values.push_back(2.0 + 30.0 * (i == 150) + (i * 37 % 11) * 0.01);
  }
  FillSyntheticSlot(o, 0, tr, 0, 35);
  HWND w = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 420, host, nullptr, nullptr, nullptr);
  auto* c = static_cast<CCtlOPlot*>(GetPropA(w, CCtlOPlot::kPropertyName));
  fuzz::Check(c != nullptr, "the control exists");
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  CDataReviewManager drm(nullptr, nullptr, 0);
  drm.SetPlotInfo(host, w);
  SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, reinterpret_cast<LPARAM>(&drm));

  SendMessageA(w, OPM_SPECIALSIGNALTONOISEFILE, 0, reinterpret_cast<LPARAM>(&record));
  fuzz::Check(std::memcmp(&c->m_SpecialSNFile, &record, sizeof record) == 0, "the record is kept as handed over");

  const double at = 1.0 + 150 * 0.0133;
  c->GetSpectrumFromTime(at, 0, 0, 0);
  c->m_lineSlot = 0;
  c->m_lineStart = at - 0.05;
  c->m_lineEnd = at + 0.05;
  c->GetSpectrumFromZoom();
  c->IncrementDecrementActiveSpectrum(1);
  c->m_rightClickTime = at;
  c->CalRMSNoise(0, static_cast<short>(size % 5));
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();

  SendMessageA(w, OPM_SPECIALSIGNALTONOISEFILE, 0, 0);
  fuzz::Check(c->m_SpecialSNFile.path[0] == 0 && c->m_SpecialSNFile.slot == 0, "a null record clears the copy");
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
  return 0;
}

// Seeds: the run for the plot's slot and for another slot, a missing file,
// a path without its zero, and lists of every kind with counts past their room.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto write = [&](const std::string& name, const STRUCT_SPECIAL_SN_FILE& r) {
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(&r), sizeof r);
  };
  STRUCT_SPECIAL_SN_FILE r{};
  std::strcpy(r.path, kRun);
  write("run-for-slot-0", r);
  r.slot = 7;
  write("run-for-another-slot", r);
  r.slot = 0;
  r.dataType = 1;
  r.massList.kind = 1;
  r.massList.count = 1;
  r.massList.ranges[0].low = r.massList.ranges[0].high = 91.0;
  r.chanList.kind = 2;
  r.chanList.count = 1;
  write("run-with-ion-91", r);
  r.massList.count = 60000;
  r.chanList.count = 60000;
  r.chanList.entries[0].low = 65535;
  write("counts-past-room", r);
  STRUCT_SPECIAL_SN_FILE missing{};
  std::strcpy(missing.path, "C:\\FUZZ\\missing.kms");
  write("missing-file", missing);
  STRUCT_SPECIAL_SN_FILE open{};
  std::memset(open.path, 'A', sizeof open.path);
  write("unterminated-path", open);
  return 0;
}
