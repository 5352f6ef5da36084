#pragma once
// The run the reading benchmarks share: 3,000 scans of 400 peaks with 40
// compounds, in the fixture's own segments or in one segment of one scan
// function.
#include "fixtures/msfixtures.h"

inline msfix::RunPlan StandardRunPlan(bool oneSegment) {
  msfix::RunPlan plan;
  plan.scans = 3000;
  plan.peaksPerScan = 400;
  plan.compounds = 40;
  if (oneSegment) plan.segments = {{1.0, 1, ""}};
  return plan;
}
