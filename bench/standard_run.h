#pragma once
// The run the reading benchmarks share: 3,000 scans of 400 peaks with 40
// compounds, in the fixture's own segments or in one segment of one scan
// function. The same run at other lengths shows how the reads grow.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fixtures/msfixtures.h"

inline msfix::RunPlan StandardRunPlan(bool oneSegment, uint32_t scans = 3000) {
  msfix::RunPlan plan;
  plan.scans = scans;
  plan.peaksPerScan = 400;
  plan.compounds = 40;
  // The same scan rate at every length.
  plan.endTime = plan.startTime + 10.0 * scans / 3000.0;
  if (oneSegment) plan.segments = {{1.0, 1, ""}};
  return plan;
}

// Scan counts the growth is measured at: 300 and 3,000, and 30,000 when
// KELT_BENCH_LARGE is set (the run takes a while to write).
inline std::vector<int64_t> RunLengths() {
  std::vector<int64_t> n = {300, 3000};
  const char* large = std::getenv("KELT_BENCH_LARGE");
  if (large && *large && *large != '0') n.push_back(30000);
  return n;
}
