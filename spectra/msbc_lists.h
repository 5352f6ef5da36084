#pragma once
// Lists of the spectra of a scan range across segments, their average with
// a matching scan header, and the background spectrum that a
// background-correction definition assigns to a scan.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"

#pragma pack(push, 1)
// The spectra of a scan range: count exchange buffers and count scan
// headers (AllocBlock arrays of AllocBlock blocks). Lives in memory only.
struct STRUCT_MSBC_SPT_LIST {
  uint32_t count;
  void** buffers;
  MS_SCAN_HEADER** headers;
  uint32_t firstScan, lastScan;
  double firstTime, lastTime;
  uint8_t reserved[88];
};
#pragma pack(pop)

// Continuity value of a segment block: two segments whose values agree
// within this may be averaged across.
#define MSBC_CONTINUITY_OFFSET 207
#define MSBC_CONTINUITY_TOLERANCE 1e-8

KELT_API STRUCT_MSBC_SPT_LIST* NEW_MSBC_MakeListOfSpectra(HMSDATA handle, const STRUCT_WORK_FILE* wf,
                                                          const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                                          const STRUCT_SCAN_FUN_ARRAY* funs,
                                                          const STRUCT_CHAN_LIST* chan, uint32_t first,
                                                          uint32_t last);
// Accepts 0.
KELT_API void NEW_MSBC_FreeListOfSpectra(STRUCT_MSBC_SPT_LIST* list);
// msHeader: the MS information block (its extra-column count is the number
// of per-channel values averaged).
KELT_API void NEW_MSBC_MakeAveragedMSScan(const MS_INFO_BLOCK* msHeader, const STRUCT_MSBC_SPT_LIST* list,
                                          const void* averaged, MS_SCAN_HEADER* out);
// buffer is the caller's block of the common allocator; its block size is
// its room, and a spectrum that does not fit is a failure. 1 on success.
KELT_API int32_t NEW_MSBC_GetAveragedSpectrum(HMSDATA handle, const STRUCT_WORK_FILE* wf,
                                              const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan,
                                              const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount, uint32_t first,
                                              uint32_t last, MS_SCAN_HEADER* header, void* buffer,
                                              double* firstTime, double* lastTime, uint32_t* firstScan,
                                              uint32_t* lastScan, int16_t* count, int16_t* segment);
// An exchange buffer (free with FreeSpectrumBuffer), or 0.
KELT_API void* NEW_MSBC_GetBaseCorrSpectrumForScan(HMSDATA handle, const STRUCT_WORK_FILE* wf,
                                                   const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan,
                                                   const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                                   uint32_t scan, const STRUCT_FILE_BC* bc);
