// Drawing a 20-slot chromatogram overlay into a 1000 x 600 raster with
// OPLOT_DrawPlots, against Cairo stroking the same 20 polylines (no
// antialiasing, width 1) on an image surface of the same size. Traces of
// 40,000 points are drawn point for point; traces of 400,000 points are
// binned by the engine and stroked whole by Cairo. The same 20 x 40,000
// device points through the graphics layer's Polyline, and through a plain
// Bresenham into memory, show what the line drawing alone costs (goal:
// within 2x of the plain loop, below Cairo).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include "bench_chromatogram.h"
#include "ratio_reporter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "plotengine/overlay.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_layout.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "win/win_gdi.h"

namespace {

constexpr int kWidth = 1000, kHeight = 600, kSlots = 20;
constexpr double kMinutes = 40.0;

struct Scene {
  std::unique_ptr<SVW_OVERLAY, bench::OverlayFree> overlay;
  std::vector<SyntheticTrace> traces;
  STRUCT_OPLOT_PLOT_PARAMS params{};
  STRUCT_OPLOT_DRAW_CHRO draw{};
  STRUCT_OVER_SIZES sizes{};
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  HFONT font = nullptr;

  explicit Scene(size_t points) : overlay(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)))) {
    overlay->head.displayMode = OVERLAY_MODE_OVERLAID;
    for (int s = 0; s < kSlots; ++s) {
      traces.push_back(bench::MakeChromatogram(s, points, kMinutes));
      FillSyntheticSlot(overlay.get(), s, traces.back(), 0, 100000);
    }
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateCompatibleBitmap(dc, kWidth, kHeight);
    old = SelectObject(dc, bmp);
    LOGFONTA lf{};
    lf.lfHeight = -12;
    std::strcpy(lf.lfFaceName, "Arial");
    font = CreateFontIndirectA(&lf);
    SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    OPLOT_InitPlotParams(&params, 0, 0, kHeight - 1, kWidth - 1, 0, static_cast<int16_t>(tm.tmAveCharWidth),
                         static_cast<int16_t>(tm.tmHeight));
    uint32_t format[26] = {};
    OPLOT_InitDrawChro(&draw, format);
    draw.drawBackground = 1;
  }
  ~Scene() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteObject(font);
    DeleteDC(dc);
  }
  // The device points of slot s as the engine maps them (for Cairo).
  std::vector<std::pair<double, double>> DevicePoints(int s) {
    OPLOT_CalculateSizes(overlay.get(), &params, &sizes, 0, -1, -1);
    const double left = params.left + sizes.leftScaleWidth, bottom = params.top + sizes.overlaidPlotHeight;
    std::vector<std::pair<double, double>> out;
    const auto& tr = traces[static_cast<size_t>(s)];
    out.reserve(tr.times.size());
    for (size_t i = 0; i < tr.times.size(); ++i)
      out.emplace_back(left + std::trunc(tr.times[i] * sizes.xFactor) + 0.5,
                       bottom - std::trunc(tr.values[i] * sizes.yFactor) + 0.5);
    return out;
  }
};

void DrawPlots(benchmark::State& state, size_t points) {
  Scene scene(points);
  for (auto _ : state) {
    const int32_t r = OPLOT_DrawPlots(scene.dc, &scene.draw, &scene.params, scene.overlay.get(), &scene.sizes);
    benchmark::DoNotOptimize(r);
  }
  state.counters["points"] = static_cast<double>(points) * kSlots;
}

void CairoStroke(benchmark::State& state, size_t points) {
  Scene scene(points);
  std::vector<std::vector<std::pair<double, double>>> lines;
  for (int s = 0; s < kSlots; ++s) lines.push_back(scene.DevicePoints(s));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  for (auto _ : state) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    for (int s = 0; s < kSlots; ++s) {
      const auto& pts = lines[static_cast<size_t>(s)];
      cairo_move_to(cr, pts[0].first, pts[0].second);
      for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].first, pts[i].second);
      cairo_set_source_rgb(cr, (s * 37 % 256) / 255.0, (s * 91 % 256) / 255.0, (s * 53 % 256) / 255.0);
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

// The same 20 polylines as whole device points, for the line drawing alone.
std::vector<std::vector<POINT>> DeviceLines(Scene& scene) {
  std::vector<std::vector<POINT>> lines;
  for (int s = 0; s < kSlots; ++s) {
    lines.emplace_back();
    for (auto& [x, y] : scene.DevicePoints(s)) lines.back().push_back({LONG(std::floor(x)), LONG(std::floor(y))});
  }
  return lines;
}

COLORREF SlotColor(int s) { return RGB(s * 37 % 256, s * 91 % 256, s * 53 % 256); }

// The graphics layer's Polyline with a thin solid pen per slot, the raster
// cleared first.
void BM_GdiPolyline20x40k(benchmark::State& state) {
  Scene scene(40000);
  const auto lines = DeviceLines(scene);
  std::vector<HPEN> pens;
  for (int s = 0; s < kSlots; ++s) pens.push_back(CreatePen(PS_SOLID, 0, SlotColor(s)));
  HGDIOBJ oldPen = SelectObject(scene.dc, pens[0]);
  for (auto _ : state) {
    PatBlt(scene.dc, 0, 0, kWidth, kHeight, WHITENESS);
    for (int s = 0; s < kSlots; ++s) {
      SelectObject(scene.dc, pens[static_cast<size_t>(s)]);
      const auto& pts = lines[static_cast<size_t>(s)];
      benchmark::DoNotOptimize(Polyline(scene.dc, pts.data(), static_cast<int>(pts.size())));
    }
  }
  SelectObject(scene.dc, oldPen);
  for (HPEN p : pens) DeleteObject(p);
}

// The least the same drawing can cost: the raster cleared, then a plain
// Bresenham of the same segments (last point of each left out, as the
// graphics layer does) straight into memory.
void BM_PlainBresenham20x40k(benchmark::State& state) {
  Scene scene(40000);
  const auto lines = DeviceLines(scene);
  std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
  for (auto _ : state) {
    std::fill(pixels.begin(), pixels.end(), 0xFFFFFFu);
    for (int s = 0; s < kSlots; ++s) {
      const COLORREF c = SlotColor(s);
      const uint32_t color = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
      const auto& pts = lines[static_cast<size_t>(s)];
      for (size_t i = 0; i + 1 < pts.size(); ++i) {
        int x = pts[i].x, y = pts[i].y;
        const int x1 = pts[i + 1].x, y1 = pts[i + 1].y;
        const int dx = std::abs(x1 - x), dy = std::abs(y1 - y), sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
        const int steps = std::max(dx, dy);
        int err = (dx >= dy ? dx : dy) / 2;
        for (int k = 0; k < steps; ++k) {
          if (static_cast<unsigned>(x) < unsigned(kWidth) && static_cast<unsigned>(y) < unsigned(kHeight))
            pixels[size_t(y) * kWidth + size_t(x)] = color;
          if (dx >= dy) {
            x += sx;
            err -= dy;
            if (err < 0) y += sy, err += dx;
          } else {
            y += sy;
            err -= dx;
            if (err < 0) x += sx, err += dy;
          }
        }
      }
    }
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
}

void BM_DrawPlots20x40k(benchmark::State& state) { DrawPlots(state, 40000); }
void BM_CairoStroke20x40k(benchmark::State& state) { CairoStroke(state, 40000); }
void BM_DrawPlots20x400kBinned(benchmark::State& state) { DrawPlots(state, 400000); }
void BM_CairoStroke20x400k(benchmark::State& state) { CairoStroke(state, 400000); }
BENCHMARK(BM_GdiPolyline20x40k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainBresenham20x40k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPlots20x40k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoStroke20x40k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPlots20x400kBinned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoStroke20x400k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!UseBenchRoot("plot-bench")) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.PrintRatio("BM_GdiPolyline20x40k", "BM_PlainBresenham20x40k", 2.0);
  reporter.PrintRatio("BM_GdiPolyline20x40k", "BM_CairoStroke20x40k", 1.0);
  reporter.PrintRatio("BM_DrawPlots20x40k", "BM_PlainBresenham20x40k", 2.0);
  reporter.PrintRatio("BM_DrawPlots20x40k", "BM_CairoStroke20x40k", 1.0);
  reporter.PrintRatio("BM_DrawPlots20x400kBinned", "BM_CairoStroke20x400k", 1.0);
  benchmark::Shutdown();
  return 0;
}
