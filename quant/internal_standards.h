#pragma once
// Internal standards and amounts: the table of the internal standards that
// were really found, unknown peaks inside a found compound's window turned
// into duplicates, amounts of unknown peaks (by the nearest standard, by a
// fixed response factor, or as percent of total), relative retention
// times and compound percents, and the calibration tests on a method's
// compound table.
#include <cstdint>

#include <type_traits>

#include "common/engine_entries.h"
#include "holbrin/dh_engine.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

#define ACTIVE_IS_MAX 50

#pragma pack(push, 1)
struct ACTIVE_IS_ENTRY {
  float retentionTime;    // 0: the standard's peak, minutes
  float amount;           // 4: in this sample
  float height;           // 8
  float area;             // 12
  char units[10];         // 16
  int32_t compoundNumber; // 26
  int32_t stepIndex;      // 30: the standard's peak step
  char peakFlag;          // 34: the peak's flag character
};
struct STRUCT_ACTIVE_IS_TABLE {
  int32_t count;
  ACTIVE_IS_ENTRY entries[ACTIVE_IS_MAX];
};
#pragma pack(pop)
static_assert(sizeof(ACTIVE_IS_ENTRY) == 35);
static_assert(sizeof(STRUCT_ACTIVE_IS_TABLE) == 1754);

// Options fields read here (the quantitation options record).
#define OPTIONS_LEVEL 22          // i16, 0-based calibration level
#define OPTIONS_SAMPLE_TYPE 24    // i16: 1 calibration, 2 analysis, 3 verification
#define OPTIONS_SCALE_NUMERATOR 56    // f32
#define OPTIONS_SCALE_DENOMINATOR 60  // f32
#define OPTIONS_SAMPLE_AMOUNT 108     // f32

// Fills the table with the confirmed standards (at most 50) and returns its
// count; the count is 0 from the start, so a failure leaves an empty table.
// Without any standard the unknown peaks are marked for raw results.
MORVEX_API int32_t BuildActiveISTable(HSECTION results, const STRUCT_RESULTS_HEADER* header, const char* dataFile,
                                      STRUCT_WORK_FILE* workFile, const char* methodFile, const void* options,
                                      STRUCT_ACTIVE_IS_TABLE* table);
// Index of the standard nearest the time; -1 for none.
MORVEX_API int32_t FindNearestIS(float time, const STRUCT_ACTIVE_IS_TABLE* table);
static_assert(std::is_same_v<decltype(&BuildActiveISTable), kelt::engine::BuildActiveISTableFn>);
static_assert(std::is_same_v<decltype(&FindNearestIS), kelt::engine::FindNearestISFn>);
static_assert(sizeof(STRUCT_ACTIVE_IS_TABLE) == kelt::engine::kActiveISTableSize);
// The peak step among steps from..to-1 strictly inside the compound step's
// integration limits and nearest its time; -1 when none.
MORVEX_API int32_t FindPeakInWindow(HSECTION results, int32_t from, int32_t to, const STRUCT_RESULT_STEP* compound,
                                    STRUCT_RESULT_STEP* peak);
// Unknown peaks inside a found compound's window become duplicates (kind
// 5); the header is written; returns its kind-5 count.
MORVEX_API int32_t MarkIdentifiedPeaks(HSECTION results, STRUCT_RESULTS_HEADER* header);
// Amounts of the unknown peaks of the data file's results; 0 only when the
// results cannot be opened for update.
MORVEX_API BOOL QuantitateUnknownPeaks(const char* dataFile, const STRUCT_DH_GLOBAL_PARAMS* global,
                                       const STRUCT_ACTIVE_IS_TABLE* table, const void* options);
MORVEX_API BOOL PercentOfTotalUnknowns(const char* dataFile);
MORVEX_API BOOL CompoundRRTAndPercent(const char* dataFile, const DH_QUANT_BLOCK* block, float referenceTime);

MORVEX_API BOOL MORVEX_IsCalibrated(HDHTABLE compounds, int32_t first, int32_t last);
MORVEX_API BOOL MORVEX_IsLockedCaliData(HDHTABLE compounds, int32_t first, int32_t last);
MORVEX_API BOOL MORVEX_IsInactive(HDHTABLE compounds, int32_t first, int32_t last);

MORVEX_API BOOL MethodHasTooFewLevels(int16_t level, const char* methodFile, uint16_t moduleId,
                                      uint16_t moduleAddress, const char* tag);
// The effective calculation type falls to 1 (raw results) when a compound,
// or an analyte's standard, has too few levels for the sample's level.
MORVEX_API void CheckCompoundLevels(HWND window, const char* name, int32_t levels, int16_t level,
                                    int16_t* effectiveType, int16_t* rawFlag, uint32_t* flagWord);
MORVEX_API void CheckAnalyteLevels(HWND window, const char* name, uint16_t compoundFlags, int32_t levels,
                                   int16_t level, BOOL standardFound, int32_t standardLevels, int16_t* effectiveType,
                                   int16_t* rawFlag, uint32_t* flagWord);
MORVEX_API BOOL FitCompoundCalibration(STRUCT_DH_COMPOUND* compound, const STRUCT_DH_COMPOUND* standard,
                                       const DH_QUANT_BLOCK* block);
MORVEX_API BOOL RecalibrateInactiveAnalyte(const char* methodFile, uint16_t moduleId, uint16_t moduleAddress,
                                           const char* tag, int32_t index, STRUCT_DH_COMPOUND* compound,
                                           const STRUCT_DH_COMPOUND* standard, const DH_QUANT_BLOCK* block,
                                           const void* options, int16_t rawFlag, int16_t standardRawFlag);
// Number of calibration levels of a compound record.
MORVEX_API int32_t CompoundLevelCount(const STRUCT_DH_COMPOUND* compound);
