// A full paint of the overlay plot control (1,000 x 600 window, 20 slots of
// 40,000-point traces: off-screen bitmap, frame, surroundings, one copy to
// the window) against OPLOT_DrawPlots of the same overlay alone into a
// bitmap of the control's client size with the control's geometry. The
// control should add copying and decorations, not a second drawing.
#include <benchmark/benchmark.h>

#include "bench_chromatogram.h"
#include "ratio_reporter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "overlayctl/overlay_plot_control.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "win/win_gdi.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr int kSlots = 20;
constexpr size_t kPoints = 40000;
constexpr double kMinutes = 40.0;

struct Scene {
  std::unique_ptr<SVW_OVERLAY, bench::OverlayFree> overlay{static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)))};
  HWND window = nullptr, control = nullptr;

  Scene() {
    overlay->head.displayMode = OVERLAY_MODE_OVERLAID;
    for (int s = 0; s < kSlots; ++s) {
      const SyntheticTrace tr = bench::MakeChromatogram(s, kPoints, kMinutes);
      FillSyntheticSlot(overlay.get(), s, tr, 0, 100000);
      overlay->tail.minInView[s] = *std::min_element(tr.values.begin(), tr.values.end());
      overlay->tail.maxInView[s] = *std::max_element(tr.values.begin(), tr.values.end());
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OverlayControlBench";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 600,
                             nullptr, nullptr, nullptr, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    control = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, window,
                              reinterpret_cast<HMENU>(intptr_t{7}), nullptr, nullptr);
    SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(overlay.get()));
    win::script::PumpUntilIdle();
  }
  ~Scene() {
    if (window) DestroyWindow(window);
    win::script::PumpUntilIdle();
  }
  CCtlOPlot* Control() const { return static_cast<CCtlOPlot*>(GetPropA(control, "X")); }
};

// Made and destroyed in main, while the framework's own statics still live.
Scene* g_scene = nullptr;
Scene& TheScene() { return *g_scene; }

void BM_ControlPaint20x40k(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.control || !s.Control()) {
    state.SkipWithError("no control");
    return;
  }
  for (auto _ : state) {
    InvalidateRect(s.control, nullptr, FALSE);
    UpdateWindow(s.control);
  }
  if (!s.Control()->m_bSizesValid) state.SkipWithError("the control drew no plots");
}

void BM_DrawPlotsAlone20x40k(benchmark::State& state) {
  Scene& s = TheScene();
  CCtlOPlot* c = s.Control();
  if (!c) {
    state.SkipWithError("no control");
    return;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, c->m_cx, c->m_cy);
  HGDIOBJ old = SelectObject(dc, bmp);
  HFONT font = CreateFontIndirectA(&c->m_prefs.ctrlFont);
  HGDIOBJ oldFont = SelectObject(dc, font);
  STRUCT_OPLOT_PLOT_PARAMS params;
  OPLOT_InitPlotParams(&params, 0, 0, c->m_plotHeight, c->m_plotWidth, 0, c->m_charWidth, c->m_charHeight);
  STRUCT_OPLOT_DRAW_CHRO draw;
  OPLOT_InitDrawChro(&draw, nullptr);
  draw.drawBackground = 1;
  STRUCT_OVER_SIZES sizes;
  for (auto _ : state) benchmark::DoNotOptimize(OPLOT_DrawPlots(dc, &draw, &params, s.overlay.get(), &sizes));
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

BENCHMARK(BM_ControlPaint20x40k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPlotsAlone20x40k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!UseBenchRoot("overlay-control-bench")) return 1;
  g_scene = new Scene;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  delete g_scene;
  g_scene = nullptr;
  std::printf("\n");
  reporter.PrintRatio("BM_ControlPaint20x40k", "BM_DrawPlotsAlone20x40k", 1.3);
  benchmark::Shutdown();
  return 0;
}
