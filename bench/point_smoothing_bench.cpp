// The smoothing of a point-fed plot, run over all its points after every
// new point: 2,000 noisy points at the default width (a half-width of 125
// grid steps), against the least work any smoothing of that width must do,
// one edge-renormalised Gaussian window per point over the values alone
// (goal: within 1.5x; the grid and the two interpolations are the rest).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "ratio_reporter.h"
#include "specialctl/point_smoothing.h"

namespace {

constexpr uint32_t kPoints = 2000;
constexpr int32_t kWidth = 2;

struct Trace {
  std::vector<uint8_t> source, destination;
  std::vector<double> values;
  Trace() : source(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * kPoints), destination(source.size()) {
    auto* b = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(source.data());
    b->isDouble = 1;
    for (uint32_t i = 0; i < kPoints; ++i) {
      const double t = 1.0 + i * 0.005 + 0.001 * std::sin(i * 1.3);
      const double y = 900 + 4.0e4 * std::exp(-0.5 * std::pow((t - 5.5) / 0.2, 2)) + 80 * std::sin(i * 2.7);
      NePointAt(b, i)->time = t;
      NePointAt(b, i)->value.d = y;
      values.push_back(y);
    }
  }
};

Trace& TheTrace() {
  static Trace t;
  return t;
}

void BM_Smooth_PointList(benchmark::State& st) {
  Trace& t = TheTrace();
  auto* src = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(t.source.data());
  auto* dst = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(t.destination.data());
  for (auto _ : st) {
    SmoothPlotPoints(src, dst, kPoints, kWidth, SMOOTH_KERNEL_GAUSSIAN);
    benchmark::DoNotOptimize(NePointAt(dst, kPoints / 2)->value.d);
  }
}
BENCHMARK(BM_Smooth_PointList)->Unit(benchmark::kMicrosecond);

void BM_Smooth_PlainWindows(benchmark::State& st) {
  const std::vector<double>& v = TheTrace().values;
  const int n = static_cast<int>(v.size());
  const int w = kWidth * n / 32;
  std::vector<double> kernel(2 * w + 1), out(v.size());
  for (int j = -w; j <= w; ++j) kernel[j + w] = std::exp(-4.5 * j * j / double(w * w));
  for (auto _ : st) {
    for (int i = 0; i < n; ++i) {
      double acc = 0, weight = 0;
      for (int j = std::max(0, i - w); j <= std::min(n - 1, i + w); ++j) {
        acc += kernel[j - i + w] * v[j];
        weight += kernel[j - i + w];
      }
      out[i] = acc / weight;
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Smooth_PlainWindows)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(
      &argc, argv, "point-smoothing-bench", [] { return TheTrace().values.size() == kPoints; },
      "point_smoothing_bench: no trace", {{"BM_Smooth_PointList", "BM_Smooth_PlainWindows", 1.5}});
}
