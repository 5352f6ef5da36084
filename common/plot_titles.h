#pragma once
// Titles and units of traces: the ions or data type of a trace, its
// channels, the detector channel of a detector trace; and the segment
// drawing information of a file.
#include <cstdint>

#include "common/kelt_export.h"
#include "quorna/ms_lists.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;
struct STRUCT_SCAN_FUN_ARRAY;

// Buffers of the title and units calls that take no size: titles hold
// KELT_PLOT_TITLE_SIZE bytes, units KELT_UNITS_SIZE bytes; longer texts are cut.
#define KELT_PLOT_TITLE_SIZE 200
#define KELT_UNITS_SIZE 21

#pragma pack(push, 1)
// One entry per segment (128 bytes).
struct STRUCT_SEG_DRAW_INFO {
  int16_t left;          // x positions, left to the caller (0)
  int16_t right;
  double firstTime;      // minutes
  double lastTime;
  uint32_t firstScan;
  uint32_t lastScan;
  char text[100];        // the segment's line, at most 99 characters
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_SEG_DRAW_INFO) == 128);

// The label of detector channel `channel` (empty when there is none).
KELT_API void KELT_MakeWSPlotTitle(char* buffer, const STRUCT_WORK_FILE* workFile, int16_t channel);
// The trace title, at most maxLength - 1 characters.
KELT_API void KELT_FormatMassAndScanFuns(const STRUCT_WORK_FILE* workFile, int16_t dataType, int16_t segment,
                                         const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                                         const STRUCT_SCAN_FUN_ARRAY* scanFuns, char* buffer, int16_t maxLength);
// The instrument-line title ("Ions: 91+105 Merged").
KELT_API void KELT_MakeTolmarPlotTitle(char* buffer, int16_t dataType, const STRUCT_MASS_LIST* massList,
                                       const STRUCT_CHAN_LIST* chanList, const STRUCT_WORK_FILE* workFile);
// The unit text of a trace ("Counts", "m/z", a detector's y unit ...).
KELT_API void KELT_GetUnitsForDataType(int16_t dataType, uint32_t massListKind, int16_t segment,
                                       const STRUCT_WORK_FILE* workFile, char* buffer);
// One entry per segment (AllocBlock, freed with FreeBlock), or 0.
KELT_API STRUCT_SEG_DRAW_INFO* MakeSegmentDrawInfoStruct(STRUCT_WORK_FILE* workFile, int16_t* count,
                                                         int16_t withText);
