#pragma once
// Benchmarks state their goals as ratios against a baseline measured in the
// same run; this reporter keeps each benchmark's time to print them.
#include <benchmark/benchmark.h>
#include <stdlib.h>

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
      if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // a / b, or a negative value when either did not run.
  double Ratio(const std::string& a, const std::string& b) const {
    auto x = times.find(a), y = times.find(b);
    if (x == times.end() || y == times.end() || y->second <= 0) return -1;
    return x->second / y->second;
  }
  void PrintRatio(const std::string& a, const std::string& b, double goal) const {
    const double r = Ratio(a, b);
    if (r < 0) return;
    std::printf("ratio %-28s / %-26s = %6.2f (goal <= %.2f)\n", a.c_str(), b.c_str(), r, goal);
  }
  std::map<std::string, double> times;
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
