#pragma once
// Control charts of a batch: one chart per group of the summary rows, the
// chosen value of each row plotted in list order against the group's
// average and two control limits, as report pages (several charts to a
// page) or as a separated text file of the chart data.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "reportmakers/summary_report.h"

struct STRUCT_REPORT_PREFS;

// The arguments of RPTS_MakeSummaryReport. Kind 2 names its text file
// from the list name with "-MSChart" when outputName is empty. Nonzero
// when a page was stored (a text file gives 0 after writing).
KELT_API int32_t RPTS_MakeChartsReport(int16_t kind, char* outputName, STRUCT_REPORT_PREFS* prefs,
                                       const char* listName, const STRUCT_SUMMARY_ROW_LIST* rows,
                                       const void* format);

namespace kelt::reports {

// Which value a chart follows and how its limits are set.
enum ChartValue : int16_t { kChartRetentionTime = 0, kChartAmount = 1, kChartArea = 2, kChartHeight = 3 };
enum ChartLimitKind : int16_t { kChartTwoSD = 0, kChartThreeSD = 1, kChartPercent = 2 };

struct ChartLimits {
  double average = 0;  // the centre line
  double lower = 0, upper = 0;
  int count = 0;       // values taken
  std::string label;   // "+/- 2 Std. Dev." ...
};
// The limits of one group's values (amounts below 0 are no values).
KELT_CLASS ChartLimits ComputeChartLimits(const double* values, int count, int16_t limitKind, uint16_t percent);
// Columns and rows of a page for a charts-per-page value; a value without
// a layout of its own gets one chart a page.
KELT_CLASS void ChartGrid(uint16_t chartsPerPage, int* columns, int* rows);

}  // namespace kelt::reports
