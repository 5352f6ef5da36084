// libFuzzer target over the preference records of the overlay plot
// control: the record a named control reads from "tolview3.ini" (written
// with a sound checksum, so that its contents are what is tested) and the
// local-preference record a host hands in, then a paint of the plots.
// Nothing faults, and whatever the records held the control's settings are
// ones it can work with.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "overlayctl/fuzz/fuzzed_control.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "testing/fuzz_support.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

void CheckSettings(CCtlOPlot* c) {
  STRUCT_CHRO_PREFS copy = c->m_prefs;
  fuzz::Check(!KELT_ValidateChroPrefs(&copy), "the control's preferences are in range");
  const int16_t p = c->m_pointsToAverage;
  fuzz::Check(p == 1 || p == 3 || p == 5 || p == 7, "points to average");
  fuzz::Check(c->m_clickDragMode >= 0 && c->m_clickDragMode <= 7, "click-and-drag mode");
  fuzz::Check(c->m_singleClickMode >= 0 && c->m_singleClickMode <= 4, "single-click mode");
  fuzz::Check(c->m_realTimeUpdateOff == 0 || c->m_realTimeUpdateOff == 1, "real-time flag");
  fuzz::Check(std::memcmp(c->m_filtering, &c->m_prefs.plotData, sizeof c->m_filtering) == 0, "filter settings");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OPlotPrefsFuzzHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                           nullptr, nullptr, nullptr);
  }();
  STRUCT_OPLOT_KEPT_PREFS kept{};
  STRUCT_OPLOT_LOCAL_PREFS local{};
  std::memcpy(&kept, data, std::min(size, sizeof kept));
  if (size > sizeof kept) std::memcpy(&local, data + sizeof kept, std::min(size - sizeof kept, sizeof local));
  const std::string ini = kelt::prefs::PreferencesIniPath();
  WritePrivateProfileStructA("Fuzzed", "Params", &kept, sizeof kept, ini.c_str());

  SVW_OVERLAY* o = nullptr;
  CCtlOPlot* c = nullptr;
  HWND w = fuzzed_control::Make(host, &o, &c);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  SendMessageA(w, OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Fuzzed"));
  CheckSettings(c);
  win::script::PumpUntilIdle();
  SendMessageA(w, OPM_SETLOCALPREFERENCES, size % 2, reinterpret_cast<LPARAM>(&local));
  CheckSettings(c);
  STRUCT_OPLOT_LOCAL_PREFS back{};
  fuzz::Check(SendMessageA(w, OPM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&back)) == 1, "read back");
  fuzz::Check(std::memcmp(&back.prefs, &c->m_prefs, sizeof back.prefs) == 0, "the record read back");
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
  return 0;
}
