#pragma once
// Plot descriptors: what one chromatogram trace of a data file shows (TIC,
// a channel or scan function, a method compound or qualifier, the
// method's unknowns, a user trace or saved user plot, the ignore
// selection), their arrays, the set of all descriptors of a data file,
// the descriptor sections of the data file, validity tests, sorted lists
// and the two descriptor dialogs.
//
// A descriptor is stored byte for byte in the data file's descriptor
// sections, so its layout is a file format.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

// Descriptor kinds.
#define PD_KIND_TIC 1
#define PD_KIND_DATA_FILE 2
#define PD_KIND_UNKNOWNS 3
#define PD_KIND_METHOD 4
#define PD_KIND_USER_PLOT 5
#define PD_KIND_DETECTOR 6
#define PD_KIND_USER_TRACE 7
#define PD_KIND_IGNORE 9
// Kinds from this value on are made on the fly by the overlay control.
#define PD_KIND_FIRST_RUNNING 10

// Data types of a descriptor's trace.
#define PD_TYPE_RIC 0
#define PD_TYPE_IONS 1
#define PD_TYPE_BASE_PEAK_INTENSITY 2
#define PD_TYPE_BASE_PEAK_ION 3
#define PD_TYPE_EXTRA_COLUMN 4  // 4 + k: extra data column k
#define PD_TYPE_DETECTOR 100
#define PD_TYPE_SCAN_FUNCTIONS 301

#define PD_NAME_SIZE 100
#define PD_COMPOUND_NAME_SIZE 40
#define PD_HEAD_SIZE 470
// Blocks of descriptors and arrays are allocated this much larger.
#define PD_SLACK_BYTES 40

#pragma pack(push, 1)
struct STRUCT_PLOT_DESCRIPTOR {
  int16_t kind;
  char name[PD_NAME_SIZE];                   // display text, at most 99 characters
  char compoundName[PD_COMPOUND_NAME_SIZE];  // method descriptors
  double time;                               // method: expected retention time (minutes)
  uint32_t compoundId;                       // method: the compound's id in the method
  int16_t qualifierNumber;                   // 0 the compound's own trace, 1..5 its qualifiers
  uint16_t internalStandard;                 // 1: the compound is an internal standard
  int16_t internalStandardGroup;             // -1 none
  uint32_t internalStandardId;               // compound id of the compound's internal standard
  uint16_t invalid;                          // 1: cannot be drawn from this data file
  int16_t dataType;
  STRUCT_MASS_LIST massList;
  STRUCT_CHAN_LIST chanList;
  int16_t index;                             // detector channel (0-based)
  STRUCT_SCAN_FUN_ARRAY scanFuns;            // count, then count entries (room for one at least)
};
#pragma pack(pop)

static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, name) == 2);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, compoundName) == 102);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, time) == 142);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, compoundId) == 150);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, qualifierNumber) == 154);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, internalStandard) == 156);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, internalStandardGroup) == 158);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, internalStandardId) == 160);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, invalid) == 164);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, dataType) == 166);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, massList) == 168);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, chanList) == 382);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, index) == 468);
static_assert(offsetof(STRUCT_PLOT_DESCRIPTOR, scanFuns) == PD_HEAD_SIZE);
static_assert(sizeof(STRUCT_PLOT_DESCRIPTOR) == 925);

// Stored size of a descriptor with n scan functions (one entry's room
// even for none).
constexpr uint32_t PlotDescriptorSize(uint32_t n) {
  return (n > 1 ? n - 1 : 0) * static_cast<uint32_t>(sizeof(SCAN_FUN_ENTRY)) +
         static_cast<uint32_t>(sizeof(STRUCT_PLOT_DESCRIPTOR));
}
inline uint32_t PlotDescriptorSize(const STRUCT_PLOT_DESCRIPTOR* pd) {
  return PlotDescriptorSize(pd->scanFuns.count);
}

// An array of descriptors. Lives in memory only (it holds pointers).
struct STRUCT_PD_ARRAY {
  int16_t kind;   // 2 data-file traces, 4 method, 5 user plots, 7 user traces
  int16_t count;
  STRUCT_PLOT_DESCRIPTOR* pds[1];  // count pointers
};
// Bytes of an array block with room for n pointers (slack included).
constexpr uint32_t PDArrayBytes(uint32_t n) {
  return static_cast<uint32_t>(offsetof(STRUCT_PD_ARRAY, pds) + n * sizeof(STRUCT_PLOT_DESCRIPTOR*)) +
         PD_SLACK_BYTES;
}

// Every descriptor of one data file; any pointer may be null.
struct STRUCT_ALL_PDS {
  STRUCT_PLOT_DESCRIPTOR* tic;
  STRUCT_PLOT_DESCRIPTOR* ignore;
  STRUCT_PD_ARRAY* dataFile;   // kind 2
  STRUCT_PD_ARRAY* method;     // kind 4
  STRUCT_PD_ARRAY* userPlots;  // kind 5
  STRUCT_PD_ARRAY* userTraces; // kind 7
  STRUCT_PD_ARRAY* extra;      // copied and freed with the others
};

// Names of the data types 0..4, 28 characters each.
#define PD_DATA_TYPE_NAME_SIZE 28
KELT_API const char* PD_GetDataTypeName(int16_t index);

// ---- Makers, copies -------------------------------------------------------------
// A new descriptor block with room for n scan functions (zero-filled), or 0.
KELT_API STRUCT_PLOT_DESCRIPTOR* PD_AllocPD(uint16_t scanFunctions);
KELT_API STRUCT_PLOT_DESCRIPTOR* PD_CreateTICPD();
KELT_API STRUCT_PLOT_DESCRIPTOR* PD_CreateIgnorePD();
KELT_API STRUCT_PD_ARRAY* PD_CreateDataFilePDs(const STRUCT_WORK_FILE* workFile);
KELT_API STRUCT_PD_ARRAY* PD_ReadCreateDataFilePDs(const STRUCT_WORK_FILE* workFile);
KELT_API STRUCT_PD_ARRAY* PD_CreateMethodPDs(const STRUCT_WORK_FILE* workFile);
KELT_API STRUCT_PD_ARRAY* PD_ReadCreateMethodPDs(const STRUCT_WORK_FILE* workFile);
KELT_API void PD_UpdateMethodPDsAfterRecalc(const STRUCT_WORK_FILE* workFile, STRUCT_ALL_PDS* all);
KELT_API STRUCT_PD_ARRAY* PD_CreateUserTracePDs(const STRUCT_WORK_FILE* workFile);
KELT_API STRUCT_ALL_PDS* PD_CreateAllPDs(const STRUCT_WORK_FILE* workFile);
KELT_API STRUCT_ALL_PDS* PD_ReadCreateAllPDs(const char* path);
KELT_API STRUCT_PLOT_DESCRIPTOR* PD_CopyPD(const STRUCT_PLOT_DESCRIPTOR* pd);
KELT_API void PD_FreePD(STRUCT_PLOT_DESCRIPTOR* pd);
KELT_API STRUCT_PD_ARRAY* PD_CopyPDArray(const STRUCT_PD_ARRAY* array);
KELT_API void PD_FreePDArray(STRUCT_PD_ARRAY* array);
KELT_API STRUCT_ALL_PDS* PD_CopyAllPDs(const STRUCT_ALL_PDS* all);
KELT_API void PD_FreeAllPDs(STRUCT_ALL_PDS* all);
KELT_API STRUCT_SCAN_FUN_ARRAY* PD_GetScanFunArrayForPD(const STRUCT_WORK_FILE* workFile,
                                                        const STRUCT_PLOT_DESCRIPTOR* pd);
KELT_API STRUCT_PLOT_DESCRIPTOR* PD_AddScanFunArrayToPD(const STRUCT_PLOT_DESCRIPTOR* pd,
                                                        const STRUCT_SCAN_FUN_ARRAY* array);
// The trace text of a data type into text (PD_NAME_SIZE bytes, at most 99
// characters kept).
KELT_API void PD_MakePlotDescriptor(char* text, int16_t dataType, const STRUCT_MASS_LIST* massList,
                                    const STRUCT_CHAN_LIST* chanList, const STRUCT_WORK_FILE* workFile);

// ---- Validity ---------------------------------------------------------------------
KELT_API BOOL PD_IsValidForSegment(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_SCAN_FUN_INFO* info,
                                   int16_t infoCount, int16_t segment);
KELT_API BOOL PD_IsValidForTime(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_SCAN_FUN_INFO* info,
                                int16_t infoCount, const STRUCT_WORK_FILE* workFile, double time);
KELT_API BOOL PD_Is_lpPD_ValidWith_lpWF(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_WORK_FILE* workFile,
                                        const STRUCT_ALL_PDS* all);
KELT_API STRUCT_SEG_PLOTS* PLOT_SEG_InitPDForSegChan(const STRUCT_WORK_FILE* workFile, int16_t channel,
                                                     int16_t segment);
KELT_API STRUCT_SEG_PLOTS* PLOT_SEG_InitPDsForChannel(const STRUCT_WORK_FILE* workFile, int16_t channel);

// ---- Descriptor sections of a data file -----------------------------------------
#define PD_SECTION_CAL_DATA "CalDataPDs-19"
#define PD_SECTION_METHOD "MethodPDs-19"
#define PD_SECTION_USER "UserPDs-19"
// The section of an array kind (2, 4, 5), or 0.
KELT_API const char* PD_GetSectionName(int16_t kind);
// 1 when the section was written (or removed for an empty array); 0 for
// an unknown kind, a damaged array, or a file that cannot be written.
KELT_API BOOL PD_WritePDArray(const char* path, const STRUCT_PD_ARRAY* array, int16_t kind);
// path may be a work file (its first field is its path).
KELT_API STRUCT_PD_ARRAY* PD_ReadPDArray(const char* path, int16_t kind);
KELT_API STRUCT_PD_ARRAY* PD_CreateUserPD(STRUCT_PLOT_DESCRIPTOR* pd);
// A new array block with pd appended (the given block stays the
// caller's); the given array itself when that fails.
KELT_API STRUCT_PD_ARRAY* PD_AddUserPD(STRUCT_PD_ARRAY* array, STRUCT_PLOT_DESCRIPTOR* pd);
// Removes and frees descriptor index, then writes the user section.
KELT_API void PD_DeleteUserPD(STRUCT_PD_ARRAY* array, int16_t index, const char* path);
KELT_API BOOL PD_SaveUserPD_DataFile(const char* path, const STRUCT_PLOT_DESCRIPTOR* pd);
KELT_API BOOL PD_SaveUserPD_RecalcFile(const char* recalcPath, const STRUCT_PLOT_DESCRIPTOR* pd);
KELT_API BOOL PD_SaveUserPD_Directory(const char* path, const STRUCT_PLOT_DESCRIPTOR* pd);

// ---- Sorted lists -----------------------------------------------------------------
// *indexes receives an AllocBlock array of 16-bit indexes; the result is
// their number (0: none made).
KELT_API int16_t PD_GetSortedDataFileIndexes(const STRUCT_PD_ARRAY* array, int16_t firstKey, int16_t secondKey,
                                             int16_t ascending, int16_t** indexes);
KELT_API int16_t PD_GetSortedCompoundIndexes(const STRUCT_PD_ARRAY* array, int16_t byName, int16_t groupByIS,
                                             int16_t** indexes);
KELT_API int16_t PD_GetSortedUserIndexes(const STRUCT_PD_ARRAY* array, int16_t firstKey, int16_t secondKey,
                                         int16_t ascending, int16_t** indexes);

// ---- Dialogs --------------------------------------------------------------------------
#define PD_DLG_SCAN_FUNCTIONS 331
#define PD_DLG_SAVE_USER_PD 335
#define PD_IDC_SF_NAME 6810
#define PD_IDC_SF_LIST 6811
#define PD_IDC_SF_TEXT 6812
#define PD_IDC_SAVE_NAME 6870
#define PD_IDC_SAVE_GROUP 6871
#define PD_IDC_SAVE 6872
#define PD_IDC_SAVE_RECALC 6873
#define PD_IDC_SAVE_DIRECTORY 6874
KELT_API void PD_Dlg_ScanFunctions(const STRUCT_PLOT_DESCRIPTOR* pd, const char* text);
// Takes pd over (it is freed whatever the outcome). dataFilePath may be a
// work file; recalcPath may be empty or 0.
KELT_API void PD_Dlg_SaveUserPD(STRUCT_PLOT_DESCRIPTOR* pd, const char* dataFilePath, const char* recalcPath);
