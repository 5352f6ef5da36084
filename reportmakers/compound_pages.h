#pragma once
// The pages of a compound report: one page (more when it overflows) per
// target compound or unidentified peak, and the ion-ratio page of a target
// compound whose qualifier ions were measured. Each page maker builds its
// own report output, fills and stores its pages in the reports file and
// says how many it added.
#include <cstdint>

#include "common/kelt_export.h"
#include "reportmakers/compound_makers.h"

class CReportOutput;
struct STRUCT_REPORT_PREFS;
struct STRUCT_SCAN_FUN_INFO;
struct STRUCT_WORK_FILE;

// One result step as rows of label and value, one row (or one group of
// criteria rows) per identifier of the 386-byte column set, in its order.
// step index: the step's place in the results; amountFormat: decimals of
// amounts. 0 when the output has failed, a target step comes without its
// method record, or a new page cannot be begun.
KELT_API int32_t RPTS_WriteCompoundDetailTable(CReportOutput* out, STRUCT_WORK_FILE* workFile, const void* columnSet,
                                               const void* step, const void* standardStep, const void* header,
                                               const void* compound, const void* table, uint16_t stepIndex,
                                               int16_t amountFormat, int16_t left);

// step: the result step; definition: the compound report definition (the
// report format from byte 1607); general: the format's general part (from
// byte 2). Nonzero when the output holds a stored page; *pages the count.
KELT_API int32_t RPTS_MakeTargetCompoundPage(const void* step, const void* definition, const void* general,
                                             STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                             int16_t scanFunCount, uint16_t stepIndex, char* reportsFile,
                                             STRUCT_REPORT_PREFS* prefs, uint32_t createdAt, uint16_t firstPage,
                                             const char* displayName, int16_t versionNumber, int16_t versionCount,
                                             uint16_t* pages);
KELT_API int32_t RPTS_MakeUnidentifiedCompoundPage(const void* step, const void* definition, const void* general,
                                                   STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                                   int16_t scanFunCount, uint16_t stepIndex, char* reportsFile,
                                                   STRUCT_REPORT_PREFS* prefs, uint32_t createdAt,
                                                   uint16_t firstPage, const char* displayName,
                                                   int16_t versionNumber, int16_t versionCount, uint16_t* pages);
// No page (0) for a compound without qualifier ions or method record.
KELT_API int32_t RPTS_MakeIonRatioCompoundPage(const void* step, const void* definition, const void* general,
                                               STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                               int16_t scanFunCount, uint16_t stepIndex, char* reportsFile,
                                               STRUCT_REPORT_PREFS* prefs, uint32_t createdAt, uint16_t firstPage,
                                               const char* displayName, int16_t versionNumber,
                                               int16_t versionCount);
// The block of one compound on the ion-ratio page: its quantitation-ion
// line, qualifier lines and concentration. 0 when the output has failed.
KELT_API int32_t RPTS_WriteIonRatioBlock(CReportOutput* out, STRUCT_WORK_FILE* workFile, const void* step,
                                         const void* qualifier, int16_t internalStandard, int16_t amountFormat,
                                         int16_t left);

// The quantitation-ion plots of a compound and, beside it, of its internal
// standard (or one plot across the columns without one), h lines high from
// the current line, which then moves past them. The scale values are
// cleared: these plots keep their own scales. 1 when drawn.
KELT_API int32_t RPTS_DrawQuanIonPlots(CReportOutput* out, STRUCT_WORK_FILE* workFile, const void* step,
                                       const void* standardStep, const void* compound, const void* standardCompound,
                                       double* analyteScale, double* standardScale, int16_t height, int16_t left,
                                       int16_t right);

namespace kelt::reports {
// The page makers above in the form the compound report makers call.
KELT_CLASS CompoundPageMakers DefaultCompoundPageMakers();
}  // namespace kelt::reports
