#pragma once
// Benchmarks state their goals as ratios against a baseline measured in the
// same run; this reporter keeps each benchmark's time to print them.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "win/win_kernel.h"
#include "win/win_paths.h"

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      times[r.benchmark_name()].push_back(r.GetAdjustedRealTime());
      cpuTimes[r.benchmark_name()].push_back(r.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // Median of a over median of b, with the lowest and highest ratio of
  // the repetitions taken pairwise; negative when either did not run.
  struct Figure {
    double median = -1, low = -1, high = -1;
  };
  // cpu: from the CPU times, which a loaded machine disturbs less.
  Figure RatioFigure(const std::string& a, const std::string& b, bool cpu = false) const {
    Figure f;
    const auto& from = cpu ? cpuTimes : times;
    auto x = from.find(a), y = from.find(b);
    if (x == from.end() || y == from.end()) return f;
    const double mb = Median(y->second);
    if (mb <= 0) return f;
    f.median = Median(x->second) / mb;
    f.low = f.high = f.median;
    const size_t n = std::min(x->second.size(), y->second.size());
    for (size_t i = 0; i < n; ++i) {
      if (y->second[i] <= 0) continue;
      const double r = x->second[i] / y->second[i];
      f.low = std::min(f.low, r);
      f.high = std::max(f.high, r);
    }
    return f;
  }
  double Ratio(const std::string& a, const std::string& b) const { return RatioFigure(a, b).median; }
  void PrintRatio(const std::string& a, const std::string& b, double goal) const {
    const Figure f = RatioFigure(a, b);
    if (f.median < 0) return;
    const Figure c = RatioFigure(a, b, true);
    std::printf("ratio %-28s / %-26s = %6.2f (range %.2f-%.2f; cpu %.2f, range %.2f-%.2f; goal <= %.2f)%s\n",
                a.c_str(), b.c_str(), f.median, f.low, f.high, c.median, c.low, c.high, goal, MissMark(f.median, goal));
  }
  // The mark scripts/bench.sh gathers: the median is what the goal is held to.
  static const char* MissMark(double median, double goal) { return median > goal ? "  MISSES GOAL" : ""; }
  static double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
  }
  std::map<std::string, std::vector<double>> times, cpuTimes;
};

// Points the workstation root at a fresh temporary folder, with C:\Bench.
inline bool UseBenchRoot(const char* prefix) {
  std::string tmpl = std::string("/tmp/") + prefix + "-XXXXXX";
  if (!mkdtemp(tmpl.data())) return false;
  setenv("KELT_ROOT", tmpl.c_str(), 1);
  win::paths::ResetRoot();
  CreateDirectoryA("C:\\Bench", nullptr);
  return true;
}

// a / b should stay at or below goal.
struct RatioGoal {
  const char* a;
  const char* b;
  double goal;
};

// A benchmark program over data made once: a fresh root named by prefix,
// the data made by ready() (when it fails, `failure` is printed and the
// program fails), the benchmarks, then the goals.
template <typename Ready>
int RunWithRatios(int* argc, char** argv, const char* prefix, Ready ready, const char* failure,
                  std::initializer_list<RatioGoal> goals) {
  if (!UseBenchRoot(prefix)) return 1;
  if (!ready()) {
    std::fprintf(stderr, "%s\n", failure);
    return 1;
  }
  benchmark::Initialize(argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const RatioGoal& g : goals) reporter.PrintRatio(g.a, g.b, g.goal);
  return 0;
}
