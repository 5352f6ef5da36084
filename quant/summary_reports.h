#pragma once
// The summary and control-chart reports of a batch: one row per reported
// compound result of each data file of a recalculation (sequence) file,
// sorted and grouped by the report format's keys, handed to the report
// makers of kelt32 and printed, or written as reports and export files.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quant/morvex_export.h"
#include "reportmakers/summary_report.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;

// The row order and the name parser are used by the engine's tests too.
#ifndef MORVEX_CLASS
#define MORVEX_CLASS __attribute__((visibility("default")))
#endif

// Print: no output file. outputFile: a reports-file path buffer of 260
// bytes (an empty one receives the name made). The four flags, when any is
// set, replace the report format's choice of reports. 1 when any report
// was made. (These are the engine's stdcall exports "@28" and "@44" in
// their undecorated names.)
MORVEX_API int32_t GenerateSummaryReport(const char* recalcFile, int32_t firstEntry, int32_t lastEntry,
                                         const char* methodFile, int16_t printOption);
MORVEX_API int32_t MORVEX_GenerateSummaryReport(const char* recalcFile, int32_t firstEntry, int32_t lastEntry,
                                                const char* methodFile, int16_t printOption, char* outputFile,
                                                STRUCT_REPORT_PREFS* prefs);
MORVEX_API int32_t MORVEX_Ex_GenerateSummaryReport(const char* recalcFile, int32_t firstEntry, int32_t lastEntry,
                                                   const char* methodFile, int16_t printOption, char* outputFile,
                                                   STRUCT_REPORT_PREFS* prefs, int16_t summaryReport,
                                                   int16_t summaryExport, int16_t chartReport, int16_t chartExport);

namespace morvex::summary {

// A report-format section name split into base, module id, module address
// and tag; false unless all four are there.
MORVEX_CLASS bool ParseFormatSectionName(const char* name, uint16_t* moduleId, uint16_t* moduleAddress);

// Key kinds of the row order.
enum Key : int16_t { kCompound = 0, kRunType = 1, kSampleId = 2, kLevel = 3, kNone = 4 };

// The sorted, grouped rows: error rows first, then groups in rising key
// order, subgroups within them, rows by the order key (arrival order among
// equals).
class MORVEX_CLASS RowList {
 public:
  RowList(int16_t groupKey, int16_t subgroupKey, int16_t orderKey, int16_t keyChars);
  void Add(const STRUCT_SUMMARY_ROW& row);
  // The rows in report order, valid while the list lives.
  STRUCT_SUMMARY_ROW_LIST View();
  size_t Size() const { return size_; }
  int Compare(int16_t key, const STRUCT_SUMMARY_ROW& a, const STRUCT_SUMMARY_ROW& b) const;

 private:
  struct Subgroup {
    std::vector<std::unique_ptr<STRUCT_SUMMARY_ROW>> rows;
  };
  struct Group {
    std::vector<Subgroup> subgroups;
  };
  int16_t keys_[3];
  int16_t keyChars_;
  std::vector<std::unique_ptr<STRUCT_SUMMARY_ROW>> errors_;
  std::vector<Group> groups_;
  std::vector<STRUCT_SUMMARY_ROW*> order_;
  size_t size_ = 0;
};

// The rows of one data file's results (none for kinds the format leaves
// out, and none for unknown and duplicate peaks); an error row when the
// file cannot be opened for reading.
MORVEX_CLASS void AddFileRows(RowList* list, const char* dataFile, uint16_t line, const void* format);

}  // namespace morvex::summary
