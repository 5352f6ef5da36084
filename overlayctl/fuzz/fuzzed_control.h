#pragma once
// The overlay control the fuzz targets drive: one trace with a single peak,
// shown in a control made on the host window.
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "testing/fuzz_support.h"

namespace fuzzed_control {

// The overlay (the caller frees it) and the control window; *control is checked to exist.
inline HWND Make(HWND host, SVW_OVERLAY** overlay, CCtlOPlot** control) {
  SVW_OVERLAY* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  SyntheticTrace tr;
  for (int i = 0; i < 200; ++i) {
    tr.times.push_back(1.0 + i * 0.0213);
    tr.values.push_back(1500 + 40000 * (i == 90) + (i * 37 % 11));
  }
  FillSyntheticSlot(o, 0, tr, 0, 45000);
  HWND w = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 420, host, nullptr, nullptr, nullptr);
  auto* c = static_cast<CCtlOPlot*>(GetPropA(w, CCtlOPlot::kPropertyName));
  fuzz::Check(c != nullptr, "the control exists");
  *overlay = o;
  *control = c;
  return w;
}

}  // namespace fuzzed_control
