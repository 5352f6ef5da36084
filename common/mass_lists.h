#pragma once
// Mass lists, channel lists and plot selections: which masses (or which
// derived signal) and which scan functions a trace is made for, their
// checks, comparisons and text forms, and three tests of what a data file
// holds. The two list records themselves are the MS data library's.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "quorna/ms_lists.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;
struct STRUCT_SCAN_FUN_ARRAY;
struct STRUCT_SEG_PLOTS;

// Plot selection: the lists of a trace and, optionally, the scan functions
// or segment plots it is joined from. Owns both arrays. Lives in memory
// only (it holds pointers).
struct STRUCT_PS {
  uint16_t selection1;
  uint16_t selection2;
  STRUCT_MASS_LIST massList;
  STRUCT_CHAN_LIST chanList;
  STRUCT_SCAN_FUN_ARRAY* scanFuns;  // or 0
  STRUCT_SEG_PLOTS* segPlots;       // or 0
};

#pragma pack(push, 1)
// One row of the mass-list name table of a data file.
struct STRUCT_MASS_LIST_NAME {
  int16_t dataType;
  uint32_t kind;
  char name[40];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_MASS_LIST_NAME) == 46);

// Mass limits an ion formula is checked against when the file type gives none.
#define KELT_DEFAULT_LOWEST_ION 10.0
#define KELT_DEFAULT_HIGHEST_ION 10000.0
// Room callers give KELT_GetIonRangesStringForChannelFormula.
#define KELT_ION_RANGES_TEXT_SIZE 200

// ---- Records ---------------------------------------------------------------
KELT_API void KELT_InitRICMassList(STRUCT_MASS_LIST* list);
KELT_API void KELT_InitMergedChanList(STRUCT_CHAN_LIST* list);
KELT_API void KELT_InitIgnoredChanList(STRUCT_CHAN_LIST* list);
// Mass list for a trace data type: 1 keeps the source, the others are derived.
KELT_API void KELT_ParseDataTypeIntoMassList(int16_t dataType, const STRUCT_MASS_LIST* source,
                                             STRUCT_MASS_LIST* out);
KELT_API int16_t KELT_GetDataTypeFromMassType(uint32_t kind);

// ---- Checks and comparisons ------------------------------------------------
KELT_API BOOL KELT_IsMassListValid(const STRUCT_MASS_LIST* list, const STRUCT_WORK_FILE* workFile);
KELT_API BOOL KELT_IsChanListValid(const STRUCT_CHAN_LIST* list, const STRUCT_WORK_FILE* workFile);
KELT_API BOOL KELT_IsOneChannelInChanList(const STRUCT_CHAN_LIST* list, const STRUCT_WORK_FILE* workFile,
                                          uint16_t* channel);
KELT_API BOOL KELT_IsSameMassList(const STRUCT_MASS_LIST* a, const STRUCT_MASS_LIST* b);
KELT_API BOOL KELT_IsCloseEnoughMassList(const STRUCT_MASS_LIST* a, const STRUCT_MASS_LIST* b);
KELT_API BOOL KELT_IsSameChanList(const STRUCT_CHAN_LIST* a, const STRUCT_CHAN_LIST* b);
KELT_API BOOL KELT_IsEquivalentChanList(const STRUCT_CHAN_LIST* a, const STRUCT_CHAN_LIST* b, const void* unused);

// ---- Unions ----------------------------------------------------------------
KELT_API BOOL KELT_AddMassListToMassList(const STRUCT_MASS_LIST* a, const STRUCT_MASS_LIST* b,
                                         STRUCT_MASS_LIST* out);
KELT_API BOOL KELT_AddChanListToChanList(const STRUCT_CHAN_LIST* a, const STRUCT_CHAN_LIST* b,
                                         STRUCT_CHAN_LIST* out);

// ---- Ion ranges of scan functions ------------------------------------------
KELT_API BOOL KELT_GetMassListForSegmentAndChannel(const STRUCT_WORK_FILE* workFile, int16_t channel,
                                                   int16_t segment, STRUCT_MASS_LIST* out);
KELT_API BOOL KELT_GetIonRangeForSegmentAndChannel(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                                   int16_t channel, double* low, double* high);
// Pairs of f64 (low, high), an AllocBlock block; 0 with *count = 0 when none.
KELT_API double* KELT_GetIonRangesForChannelFormula(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* list,
                                                    uint16_t* count);
// text: KELT_ION_RANGES_TEXT_SIZE bytes; ranges that do not fit are left out.
KELT_API BOOL KELT_GetIonRangesStringForChannelFormula(const STRUCT_WORK_FILE* workFile,
                                                       const STRUCT_CHAN_LIST* list, char* text);
// entry: a 242-byte scan-function entry of a segment block.
KELT_API BOOL KELT_GetszScanChannelDescription(const void* entry, char* text, int16_t size);

// ---- Text forms ------------------------------------------------------------
KELT_API STRUCT_MASS_LIST_NAME* KELT_GetValidStringsForMassList(const STRUCT_WORK_FILE* workFile, int16_t* count);
KELT_API BOOL KELT_ConvertStringToMassList(const char* text, const STRUCT_WORK_FILE* workFile, int16_t useFile,
                                           STRUCT_MASS_LIST* out);
// limits: a u16 followed by the lowest and highest mass (f64), as the file
// type descriptor holds them; 0 for the default limits.
KELT_API BOOL KELT_ConvertStringToMassList2(const char* text, const void* limits, STRUCT_MASS_LIST* out);
KELT_API BOOL KELT_ConvertStringToChanList(const char* text, const STRUCT_WORK_FILE* workFile, int16_t allowAll,
                                           STRUCT_CHAN_LIST* out);

// ---- Plot selections -------------------------------------------------------
KELT_API STRUCT_PS* KELT_PS_MakeTIC();
KELT_API STRUCT_PS* KELT_PS_Copy(const STRUCT_PS* ps);
KELT_API void KELT_PS_Free(STRUCT_PS* ps);
KELT_API BOOL KELT_PS_Compare(const STRUCT_PS* a, const STRUCT_PS* b);

// ---- What a data file holds ------------------------------------------------
KELT_API BOOL KELT_HaveCurrentResults(const char* path);
KELT_API BOOL KELT_HaveOlderResults(const char* path);
KELT_API BOOL KELT_HaveMSMethodSegments(const STRUCT_WORK_FILE* workFile);
