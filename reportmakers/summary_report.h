#pragma once
// The summary report of a batch: one row per compound result of every
// data file of a recalculation list, cut into groups with their averages
// and deviations, as report pages or as a text file of columns. The rows
// are made and ordered by the quantitation engine.
#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

#include "common/kelt_export.h"

struct STRUCT_REPORT_PREFS;

#pragma pack(push, 1)
// One summary row (396 bytes), made by the engine and only read here.
struct STRUCT_SUMMARY_ROW {
  uint16_t line;            // 0: number of the data file in the batch, from 1
  char path[262];           // 2: the data file; an error row's error text
  uint32_t errorRow;        // 264: 1 when the file could not be opened
  char sampleId[20];        // 268: " " when the file has none
  uint16_t injection;       // 288
  uint16_t compoundNumber;  // 290: number of the result step, from 1
  uint32_t runType;         // 292: 1 calibration, 2 analysis, 3 verification
  uint16_t level;           // 296: from 0; 0x1000 for analysis and verification
  char name[42];            // 298
  uint32_t resultType;      // 340: 0 identified ... 5 duplicate
  uint32_t peakType;        // 344: the step's 16-bit peak-type word
  float retentionTime;      // 348
  float area;               // 352
  float height;             // 356
  float amount;             // 360: below 0 means no amount
  char units[10];           // 364
  char mark;                // 374: 'X' when the result has any code
  char letters[21];         // 375: the result-code letters, at most 20
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_SUMMARY_ROW) == 396);
static_assert(offsetof(STRUCT_SUMMARY_ROW, errorRow) == 264);
static_assert(offsetof(STRUCT_SUMMARY_ROW, sampleId) == 268);
static_assert(offsetof(STRUCT_SUMMARY_ROW, runType) == 292);
static_assert(offsetof(STRUCT_SUMMARY_ROW, level) == 296);
static_assert(offsetof(STRUCT_SUMMARY_ROW, name) == 298);
static_assert(offsetof(STRUCT_SUMMARY_ROW, resultType) == 340);
static_assert(offsetof(STRUCT_SUMMARY_ROW, retentionTime) == 348);
static_assert(offsetof(STRUCT_SUMMARY_ROW, units) == 364);
static_assert(offsetof(STRUCT_SUMMARY_ROW, mark) == 374);

// The rows in report order (the caller's, in memory only).
struct STRUCT_SUMMARY_ROW_LIST {
  int32_t count;
  STRUCT_SUMMARY_ROW* const* rows;
};

#define SUMMARY_REPORT_PAGES 0
#define SUMMARY_REPORT_TEXT 2

// kind 0: pages into the reports file named by outputName (a new temporary
// one when it is empty, its name written back; the buffer holds 260
// bytes); kind 2: a text file (named from the list name with "-MSSum" when
// outputName is empty). format: the 2,871-byte report-format record.
// Nonzero when a page was stored (a text file gives 0 after writing).
KELT_API int32_t RPTS_MakeSummaryReport(int16_t kind, char* outputName, STRUCT_REPORT_PREFS* prefs,
                                        const char* listName, const STRUCT_SUMMARY_ROW_LIST* rows,
                                        const void* format);

namespace kelt::reports {
// The grouping of the summary rows, shared by the summary and the control
// charts: the three sort keys (0 compound, 1 run type, 2 sample ID, 3
// level, 4 none), the group depth and the sample-ID prefix that counts.
struct SummaryKeys {
  int16_t keys[3] = {4, 4, 4};
  int16_t depth = 0;
  int keyChars = 19;
};
SummaryKeys SummaryKeysOf(const void* format);
// "(Sorted by ...; Grouped by ...)".
std::string SummarySortText(const SummaryKeys& keys);
// The text file beside the list: its name without extension, the suffix
// ("-MSSum", "-MSChart") and the extension of the output format.
std::string SummaryTextFileName(const char* listName, const char* suffix, int16_t format);
// Whether two rows agree in the key of one level (a key of none matches
// every row, so that a group never comes out empty).
bool SummarySameKey(const SummaryKeys& keys, int level, const STRUCT_SUMMARY_ROW& a, const STRUCT_SUMMARY_ROW& b);
// The rows of the group that begins at *at (error and missing entries end
// a group); *at moves past it, at least by one.
std::vector<const STRUCT_SUMMARY_ROW*> CollectSummaryGroup(const SummaryKeys& keys, const STRUCT_SUMMARY_ROW_LIST& list,
                                                           int32_t* at);
// A stored text up to its end or its field's, control characters blanked.
std::string SummaryText(const char* field, size_t size);
const char* SummaryRunName(uint32_t runType);

// The texts of a separated file read back and written again with every
// row holding as many fields as the widest one (empty quoted fields added
// at the end), so that spreadsheet readers see the same columns on every
// row. Replaces the file in one step; false when it cannot be read or
// written (the file is then left as it was).
KELT_CLASS bool EvenOutSeparatedRows(const char* path, char separator);
// The fields of one separated line ("" quotes doubled inside quoted
// fields); a field left open at the line's end keeps the rest.
KELT_CLASS int CountSeparatedFields(const char* line, size_t length, char separator);
}  // namespace kelt::reports
