#pragma once
// Segment plots and scan-function arrays: chromatograms that cut across
// the acquisition segments of an MS data file, either one mass and channel
// list chosen per segment, or a set of named scan functions whose channels
// are found per segment. Both arrays are single AllocBlock blocks, stored
// inside plot descriptors, so their bytes are fixed.
#include <cstddef>
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/scan_fun_info.h"
#include "win/win_types.h"

#pragma pack(push, 1)
struct SEG_PLOT_ENTRY {
  uint16_t excluded;           // nonzero: the segment is left out
  STRUCT_CHAN_LIST chanList;
  STRUCT_MASS_LIST massList;
  char title[100];
};

// A u16 count, then count entries (one per segment of the work file).
struct STRUCT_SEG_PLOTS {
  uint16_t count;
  SEG_PLOT_ENTRY entries[1];
};

struct SCAN_FUN_ENTRY {
  char segments[51];   // 1-based segment numbers, ',' or ' ' between, maybe in parentheses
  char name[101];      // display name
  char identity[301];  // identifies the scan function, compared ignoring case
};

// A u16 count, then count entries.
struct STRUCT_SCAN_FUN_ARRAY {
  uint16_t count;
  SCAN_FUN_ENTRY entries[1];
};
#pragma pack(pop)

static_assert(sizeof(SEG_PLOT_ENTRY) == 402);
static_assert(offsetof(SEG_PLOT_ENTRY, chanList) == 2);
static_assert(offsetof(SEG_PLOT_ENTRY, massList) == 88);
static_assert(offsetof(SEG_PLOT_ENTRY, title) == 302);
static_assert(offsetof(STRUCT_SEG_PLOTS, entries) == 2);
static_assert(sizeof(SCAN_FUN_ENTRY) == 453);
static_assert(offsetof(SCAN_FUN_ENTRY, name) == 51);
static_assert(offsetof(SCAN_FUN_ENTRY, identity) == 152);
static_assert(offsetof(STRUCT_SCAN_FUN_ARRAY, entries) == 2);

// Bytes of an array of n entries (copies of scan-function arrays get
// SCAN_FUN_SPARE_BYTES more).
constexpr size_t SegPlotsSize(size_t n) { return 2 + n * sizeof(SEG_PLOT_ENTRY); }
constexpr size_t ScanFunArraySize(size_t n) { return 2 + n * sizeof(SCAN_FUN_ENTRY); }
#define SCAN_FUN_SPARE_BYTES 20
// Most points of each segment's trace in a joined plot.
#define SEG_PLOT_MAX_POINTS 40000

// ---- Segment plots -----------------------------------------------------------
KELT_API STRUCT_SEG_PLOTS* PLOT_SEG_Init(const STRUCT_WORK_FILE* workFile);
KELT_API STRUCT_SEG_PLOTS* PLOT_SEG_Copy(const STRUCT_SEG_PLOTS* plots);
KELT_API BOOL PLOT_SEG_Compare(const STRUCT_SEG_PLOTS* a, const STRUCT_SEG_PLOTS* b);
KELT_API STRUCT_NE_DATA_POINTS* PLOT_SEG_Read(STRUCT_WORK_FILE* workFile, const STRUCT_SEG_PLOTS* plots,
                                              int16_t filter, const void* filterParams);
KELT_API void PLOT_SEG_GetPlotTitle(const STRUCT_WORK_FILE* workFile, const STRUCT_SEG_PLOTS* plots, char* text,
                                    int16_t maxLength);

// ---- Scan-function arrays ----------------------------------------------------
KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_GetAllScanFunsForSegment(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                                                  const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount);
KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_GetScanFunArrayForChanList(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                                                    const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                                                                    const STRUCT_CHAN_LIST* chanList);
KELT_API BOOL SCAN_FUN_GetChanListForSegment(const STRUCT_SCAN_FUN_ARRAY* array, int16_t segment,
                                             const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                                             STRUCT_CHAN_LIST* chanList);
KELT_API STRUCT_NE_DATA_POINTS* SCAN_FUN_Read(STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_ARRAY* array,
                                              const STRUCT_MASS_LIST* massList, int16_t filter,
                                              const void* filterParams);
KELT_API STRUCT_NE_DATA_POINTS* SCAN_FUN_FastRead(const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount,
                                                  STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_ARRAY* array,
                                                  const STRUCT_MASS_LIST* massList, int16_t filter,
                                                  const void* filterParams);
KELT_API STRUCT_NE_DATA_POINTS* SCAN_FUN_FastReadTimeRange(double start, double end, const STRUCT_SCAN_FUN_INFO* info,
                                                           int16_t infoCount, STRUCT_WORK_FILE* workFile,
                                                           const STRUCT_SCAN_FUN_ARRAY* array,
                                                           const STRUCT_MASS_LIST* massList, int16_t filter,
                                                           const void* filterParams);
KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_Copy(const STRUCT_SCAN_FUN_ARRAY* array);
KELT_API STRUCT_SCAN_FUN_ARRAY* SCAN_FUN_AddScanFunArrays(const STRUCT_SCAN_FUN_ARRAY* a,
                                                          const STRUCT_SCAN_FUN_ARRAY* b);
KELT_API BOOL SCAN_FUN_Compare(const STRUCT_SCAN_FUN_ARRAY* a, const STRUCT_SCAN_FUN_ARRAY* b);
KELT_API void SCAN_FUN_GetPlotTitle(const STRUCT_WORK_FILE* workFile, const STRUCT_MASS_LIST* massList,
                                    const STRUCT_SCAN_FUN_ARRAY* array, char* text, int16_t maxLength);
KELT_API void SCAN_FUN_GetSegmentTitle(const STRUCT_SCAN_FUN_ARRAY* array, int16_t segment, char* text,
                                       int16_t maxLength);
KELT_API BOOL SCAN_FUN_AreAllScanFunsInSegment(const STRUCT_WORK_FILE* workFile, uint16_t segment,
                                               const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info,
                                               uint16_t infoCount);
KELT_API BOOL SCAN_FUN_AreSomeScanFunsInSegment(const STRUCT_WORK_FILE* workFile, uint16_t segment,
                                                const STRUCT_SCAN_FUN_ARRAY* array, const STRUCT_SCAN_FUN_INFO* info,
                                                uint16_t infoCount);
