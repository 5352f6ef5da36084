#pragma once
// The results tables of the sample report: the fixed compound and
// unidentified-peak tables (narrow for 80-column pages, wide for 140), the
// qualifier-ion lines under a compound row, and the configurable table
// whose columns come from the report format's column sets and the column
// catalogue. Each writes into a report in progress, on pages or into a
// text file, one row per result step of the kinds the mask selects.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

class CReportOutput;
struct STRUCT_WORK_FILE;

// 1 when written; 0 when the output has failed, the global table or the
// results cannot be read, or a new page cannot be begun.
KELT_API BOOL RPTS_WriteTargetCompoundTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, uint16_t kindMask,
                                            int16_t qualifierLines, int16_t amountFormat, int16_t groupSummary,
                                            int16_t wide);
KELT_API BOOL RPTS_WriteUnidentifiedPeakTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, uint16_t kindMask,
                                              int16_t amountFormat, int16_t groupSummary, int16_t wide);
// The qualifier-ion lines of one compound: qualifier the compound's
// qualifier record (1,302 bytes), compound its method record. Ratios are
// printed and judged in percent: the method keeps them in tenths of a
// percent, the engine measures them as fractions.
KELT_API void RPTS_WriteQualifierLines(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* step,
                                       const void* qualifier, const void* compound, int16_t heading,
                                       int16_t ionLabels, int16_t column);
// A small delta drawn into the two blanks that begin the heading "  RT".
KELT_API void RPTS_DrawDeltaMark(CReportOutput* out, int16_t column, int16_t line);

// The configurable table: columnSet is a 386-byte column set of the report
// format; targets nonzero for the compound table, 0 for the unidentified
// peaks; right is the column at which a match line's name must end.
KELT_API BOOL RPTS_WriteColumnResultsTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, uint16_t kindMask,
                                           const void* columnSet, int16_t targets, int16_t qualifierLines,
                                           int16_t amountFormat, int16_t groupSummary, int16_t left, int16_t right);

namespace kelt::reports {

// One entry of the column catalogue.
struct ReportColumn {
  uint16_t id;
  uint16_t width;  // grid columns
  uint16_t use;    // 0 both tables, 1 compound tables only, 2 unidentified tables only
  char title1[24];
  char title2[24];
};
// The catalogue in its table order (81 entries).
KELT_CLASS const ReportColumn* ReportColumnCatalogue(size_t* count);
// The entry of an identifier, or null.
KELT_CLASS const ReportColumn* FindReportColumn(uint16_t id);

// The columns of one table as the set-up makes them: the working list in
// print order, their widths, the blocks that go on one line each, and the
// check and match lines the set asked for.
struct ColumnLayout {
  static constexpr int kMaxColumns = 61, kMaxBlocks = 40;
  uint16_t ids[kMaxColumns] = {};
  uint16_t widths[kMaxColumns] = {};
  int count = 0;
  int blockFirst[kMaxBlocks] = {}, blockCount[kMaxBlocks] = {};
  int blocks = 0;
  bool rrtLine = false, snLine = false;
  int matchLevel = 0;
};
// columnSet: the stored 386-byte set (its count is bounded by its 61
// identifiers). limit: the last grid column a cell may reach (the page's
// width bounds it). userTraceIonTime: the data file's first user trace is
// the ion time. Identifiers outside the catalogue are left out.
KELT_CLASS ColumnLayout MakeColumnLayout(const void* columnSet, bool targets, bool librarySearch,
                                         bool scientificNotation, bool userTraceIonTime, int left, int limit);

}  // namespace kelt::reports
