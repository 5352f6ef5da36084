#pragma once
// The blocks below a compound page's data-file block: the compound
// information, the identification and quantitation criteria tables (one
// row a criterion: Parameter, Required, Actual, Status) and the
// legend of the codes the rows used. Each block writes into a report in
// progress at a base column c: Parameter at c+2, Required at c+23,
// Actual at c+44, Status at c+65. A written row advances the current line.
//
// "step" is a result step, "header" a results header, "compound" a method
// compound record (null for peaks outside the method), "table" the data
// file's global table; all of the owners' sizes.
#include <cstdint>

#include "common/kelt_export.h"

class CReportOutput;
struct STRUCT_WORK_FILE;

// What the rows of one table used: explained by the legend at its end.
struct KELT_CLASS STRUCT_RPT_LEGEND {
  STRUCT_RPT_LEGEND();
  uint16_t peakTypes;         // OR of the steps' peak-type fields
  uint16_t matchTypes[10];    // one per search-kind row, 1 when shown
  uint32_t codeValues[23];    // 1 << i
  uint16_t codeCounts[23];    // how often each result code was met
  uint16_t anyCode;
  uint32_t errorBits;         // result-code bits of steps counted by bits
  uint32_t statusBits;        // result-code bits of steps counted by letters
};

KELT_CLASS void RPTS_WriteSectionTitle(CReportOutput* out, uint16_t column, int16_t underline, const char* title);
KELT_CLASS void RPTS_WriteCompoundInfo(CReportOutput* out, const void* header, int16_t index, const void* step,
                                       uint16_t column);
// section 1 "Identification", 2 "Integration and Quantitation", 0 no title.
KELT_CLASS void RPTS_WriteCriteriaHeader(CReportOutput* out, int16_t section, uint16_t column);

KELT_CLASS void RPTS_RowSearchType(CReportOutput* out, const void* step, const void* table, uint16_t column);
KELT_CLASS void RPTS_RowRetentionTime(CReportOutput* out, const void* step, const void* compound, uint16_t column);
KELT_CLASS void RPTS_RowRelativeRT(CReportOutput* out, const void* step, const void* table, uint16_t column);
KELT_CLASS void RPTS_RowMatchResult(CReportOutput* out, const void* step, const void* table, STRUCT_RPT_LEGEND* legend,
                                    uint16_t column);
KELT_CLASS void RPTS_RowForwardMatch(CReportOutput* out, const void* step, const void* table,
                                     STRUCT_RPT_LEGEND* legend, uint16_t column);
KELT_CLASS void RPTS_RowReverseMatch(CReportOutput* out, const void* step, const void* table,
                                     STRUCT_RPT_LEGEND* legend, uint16_t column);
KELT_CLASS void RPTS_RowHitProbability(CReportOutput* out, const void* step, const void* table, uint16_t column);
KELT_CLASS void RPTS_RowInLibraryProbability(CReportOutput* out, const void* step, const void* table,
                                             uint16_t column);
KELT_CLASS void RPTS_RowRFUsed(CReportOutput* out, const void* step, const void* table, uint16_t column);
KELT_CLASS void RPTS_RowQualIonRatios(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* step,
                                      const void* compound, uint16_t column);
KELT_CLASS void RPTS_RowQuanIons(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* step,
                                 uint16_t column);
KELT_CLASS void RPTS_RowISPeakName(CReportOutput* out, const void* standardStep, uint16_t column);
KELT_CLASS void RPTS_RowCalibEquation(CReportOutput* out, const void* step, const void* compound, uint16_t column);
KELT_CLASS void RPTS_RowArea(CReportOutput* out, const void* step, const void* compound, const void* table,
                             uint16_t column);
KELT_CLASS void RPTS_RowHeight(CReportOutput* out, const void* step, const void* compound, const void* table,
                               uint16_t column);
KELT_CLASS void RPTS_RowAmount(CReportOutput* out, const void* header, const void* step, const void* compound,
                               const void* table, uint16_t amountDecimals, uint16_t column);
KELT_CLASS void RPTS_RowStatus(CReportOutput* out, const void* step, uint16_t column);
KELT_CLASS void RPTS_RowPeakWidth(CReportOutput* out, const void* step, const void* compound, uint16_t column);
KELT_CLASS void RPTS_RowSlopeSensitivity(CReportOutput* out, const void* compound, uint16_t column);
KELT_CLASS void RPTS_RowTangentPercent(CReportOutput* out, const void* compound, uint16_t column);
KELT_CLASS void RPTS_RowSNReject(CReportOutput* out, const void* step, const void* compound, const void* table,
                                 uint16_t column);
// Hits 1-3 of a library-searched peak (statuses 3 and 5).
KELT_CLASS void RPTS_RowMatchLibrary(CReportOutput* out, const void* step, int16_t hit, const void* table,
                                     const char* dataFile, uint16_t column);
KELT_CLASS void RPTS_RowMatchName(CReportOutput* out, const void* step, int16_t hit, const char* dataFile,
                                  uint16_t column);
KELT_CLASS void RPTS_RowMatchEntry(CReportOutput* out, const void* step, int16_t hit, const char* dataFile,
                                   uint16_t ignored, uint16_t column);

KELT_CLASS void RPTS_WriteLegend(STRUCT_RPT_LEGEND* legend, CReportOutput* out, uint16_t column);
KELT_CLASS void RPTS_LegendAddPeakTypes(STRUCT_RPT_LEGEND* legend, const void* step);
KELT_CLASS void RPTS_LegendAddErrorBits(STRUCT_RPT_LEGEND* legend, const void* step);
KELT_CLASS void RPTS_LegendAddStatusLetters(STRUCT_RPT_LEGEND* legend, const void* step);
KELT_CLASS void RPTS_LegendAddMatchType(STRUCT_RPT_LEGEND* legend, const void* step, const void* table);
KELT_CLASS void RPTS_NoteMatchType(const char* text, uint16_t* flags);

// The three tables, each with its legend.
KELT_CLASS void RPTS_WriteTargetCriteria(CReportOutput* out, const void* header, int16_t index, const void* step,
                                         const void* standardStep, const void* compound, const void* table,
                                         const STRUCT_WORK_FILE* workFile, uint16_t amountDecimals, uint16_t column);
KELT_CLASS void RPTS_WriteTargetCriteriaFull(CReportOutput* out, const void* header, int16_t index,
                                             const void* step, const void* standardStep, const void* compound,
                                             const void* table, const STRUCT_WORK_FILE* workFile,
                                             uint16_t amountDecimals, uint16_t column);
KELT_CLASS void RPTS_WriteUnknownCriteria(CReportOutput* out, const STRUCT_WORK_FILE* workFile, const void* header,
                                          uint16_t index, const void* step, const void* table,
                                          uint16_t amountDecimals, uint16_t column);
