// Drawing a 3-band stack of spectra into a 1000 x 640 raster with
// CDrawStackedSpectra, against Cairo drawing the same sticks and lines (no
// antialiasing, width 1) on an image surface of the same size: 1,000-peak
// centroid spectra (one stick per peak) and 20,000-point profile spectra
// (the drawing bins them into one segment per pixel column; Cairo strokes
// every point). "Traces" runs leave out scales, titles and labels, so both
// sides draw the same sticks and lines; the full runs draw everything.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "ratio_reporter.h"
#include "spectrumctl/tests/spectrum_fixture.h"

namespace {

constexpr int kWidth = 1000, kHeight = 640;

struct Scene {
  std::vector<sptfix::Spt> spectra;
  Scene(bool profile) {
    for (uint32_t k = 0; k < 3; ++k)
      spectra.push_back(profile ? sptfix::Precise(sptfix::MessyProfile(30 + k, 20000, 40, 0.025), true)
                                : sptfix::Precise(sptfix::MessyCentroid(20 + k, 1000, 40, 540), false));
  }
};

struct Canvas {
  sptfix::Screen screen{kWidth, kHeight};
};

void Setup(CDrawStackedSpectra& d, Canvas& c, const Scene& s, bool full) {
  sptfix::Frame(d, &c.screen.cdc, kWidth, kHeight, c.screen.cw, c.screen.ch);
  for (int k = 0; k < 3; ++k) d.Spectra[k] = s.spectra[size_t(k)].get();
  d.PaintBackground = 1;
  d.MassFrom = 40;
  d.MassTo = 540;
  if (!full) {
    d.VertAxis.shown = d.HorzAxis.shown = 0;
    d.LabelMasses = d.LabelIntensities = 0;
  }
}

void DrawStack(benchmark::State& state, bool profile, bool full) {
  Scene scene(profile);
  Canvas canvas;
  for (auto _ : state) {
    CDrawStackedSpectra d;
    Setup(d, canvas, scene, full);
    d.DoJob();
    benchmark::DoNotOptimize(d.PlotWidth);
  }
  state.counters["points"] = profile ? 60000 : 3000;
}

// The device coordinates of every pair of every band, as the drawing maps them.
std::vector<std::vector<std::pair<double, double>>> DevicePoints(const Scene& scene, bool full) {
  Canvas canvas;
  CDrawStackedSpectra d;
  Setup(d, canvas, scene, full);
  d.DoJob();
  std::vector<std::vector<std::pair<double, double>>> out;
  int top = d.Top;
  for (int k = 0; k < 3; ++k) {
    const int titles = d.PlotInfo[k].totalTitleLines * d.CharHeight;
    const int drawTop = top + titles, height = d.BandHeight[k] - titles, bottom = drawTop + height;
    const double yScale = height / (d.VertMax[k] - d.VertMin[k]);
    const auto* tol = scene.spectra[size_t(k)]->tolSpt;
    double m = 0;
    for (uint32_t i = 0; i < tol->pairCount; ++i) m = std::max(m, double(tol->pairs[i].intensity));
    std::vector<std::pair<double, double>> band;
    for (uint32_t i = 0; i < tol->pairCount; ++i) {
      const double x = d.OriginX + std::trunc((tol->pairs[i].mass - d.MassFrom) * d.XScale) + 0.5;
      const double y = std::trunc(bottom - yScale * (tol->pairs[i].intensity * 100 / m - d.VertMin[k])) + 0.5;
      band.emplace_back(x, std::max<double>(drawTop, y));
    }
    out.push_back(band);
    top += d.BandHeight[k];
  }
  return out;
}

void CairoStack(benchmark::State& state, bool profile) {
  Scene scene(profile);
  const auto bands = DevicePoints(scene, false);
  std::vector<double> baselines;
  {
    Canvas canvas;
    CDrawStackedSpectra d;
    Setup(d, canvas, scene, false);
    d.DoJob();
    int top = d.Top;
    for (int k = 0; k < 3; ++k) {
      const double yScale = d.BandHeight[k] / (d.VertMax[k] - d.VertMin[k]);
      baselines.push_back(top + d.BandHeight[k] - std::trunc(-d.VertMin[k] * yScale) + 0.5);
      top += d.BandHeight[k];
    }
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  for (auto _ : state) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    for (size_t k = 0; k < bands.size(); ++k) {
      const auto& pts = bands[k];
      cairo_set_source_rgb(cr, 0.5, 0.0, k * 0.25);
      if (profile) {
        cairo_move_to(cr, pts[0].first, pts[0].second);
        for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].first, pts[i].second);
      } else {
        for (const auto& [x, y] : pts) {
          cairo_move_to(cr, x, baselines[k]);
          cairo_line_to(cr, x, y);
        }
      }
      cairo_stroke(cr);
    }
    // The frame and band separators.
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, 0.5, 0.5, kWidth - 1, kHeight - 1);
    cairo_stroke(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.counters["points"] = profile ? 60000 : 3000;
}

void BM_StackCentroidTraces(benchmark::State& s) { DrawStack(s, false, false); }
void BM_StackCentroidFull(benchmark::State& s) { DrawStack(s, false, true); }
void BM_CairoCentroidSticks(benchmark::State& s) { CairoStack(s, false); }
void BM_StackProfileTraces(benchmark::State& s) { DrawStack(s, true, false); }
void BM_StackProfileFull(benchmark::State& s) { DrawStack(s, true, true); }
void BM_CairoProfileLines(benchmark::State& s) { CairoStack(s, true); }
BENCHMARK(BM_StackCentroidTraces)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StackCentroidFull)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CairoCentroidSticks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StackProfileTraces)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StackProfileFull)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CairoProfileLines)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(&argc, argv, "spectrum-bench", [] { return true; }, "",
                       {{"BM_StackCentroidTraces", "BM_CairoCentroidSticks", 1.0},
                        {"BM_StackCentroidFull", "BM_CairoCentroidSticks", 1.0},
                        {"BM_StackProfileTraces", "BM_CairoProfileLines", 1.0},
                        {"BM_StackProfileFull", "BM_CairoProfileLines", 1.0}});
}
