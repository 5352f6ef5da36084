#pragma once
// Spectra made from the MS data of an opened data file: single scans,
// averages of scan ranges or around a time, background spectra, background
// subtraction, and the record operations of the kind-0 record.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/scan_fun_info.h"
#include "common/work_file.h"
#include "spectra/spectrum_record.h"

// ---- The record ----------------------------------------------------------------
KELT_API STRUCT_TOL_SPT* TOL_StartNewSpectrum();
// Appends a pair; returns the record (it may have moved), or 0 with the
// old record left valid when it cannot grow.
KELT_API STRUCT_TOL_SPT* TOL_AddToSpectrum(STRUCT_TOL_SPT* tol, double mass, uint32_t intensity);
KELT_API STRUCT_TOL_SPT* TOL_CopySpectrum(const STRUCT_TOL_SPT* tol);
KELT_API void TOL_Free(STRUCT_TOL_SPT* tol);
KELT_API void TOL_SetPrecisionInfo(STRUCT_TOL_SPT* tol, const char* dataFilePath);
KELT_API int32_t TOL_ConvertXTolPairsToTolPairs(const XTOL_PAIR* pairs, int32_t count, TOL_PAIR** out,
                                                int32_t* outCount);
KELT_API int32_t TOL_ConvertDiffPairsToTolPairs(const DIFF_PAIR* pairs, int32_t count, TOL_PAIR** out,
                                                int32_t* outCount);
KELT_API void TOL_FreeTolPairs(TOL_PAIR* pairs);
KELT_API void TOL_FreeXTolPairs(XTOL_PAIR* pairs);

// ---- Averages --------------------------------------------------------------------
KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                     uint32_t first, uint32_t last);
KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                       uint32_t last);
KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromScanRangeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                         const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                         uint32_t last, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                         uint16_t segmentChanWord);
KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, double time,
                                                uint16_t count);
KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                  const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count);
KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromTimeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                    const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count,
                                                    const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                    uint16_t segmentChanWord);
KELT_API STRUCT_TOL_SPT* TOL_MakeSpectrumFromScan(STRUCT_WORK_FILE* wf, uint32_t scan);

// ---- Background spectra ------------------------------------------------------------
KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScan(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanEx(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan,
                                                const STRUCT_SCAN_FUN_ARRAY* funs);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanExEx(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan,
                                                  const STRUCT_SCAN_FUN_ARRAY* funs,
                                                  const STRUCT_SCAN_FUN_INFO* segmentChan, uint16_t segmentChanWord);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanFromFileBC(STRUCT_WORK_FILE* wf, uint32_t scan,
                                                        const STRUCT_CHAN_LIST* chan, const STRUCT_FILE_BC* bc);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanFromFileBCEx(STRUCT_WORK_FILE* wf, uint32_t scan,
                                                          const STRUCT_CHAN_LIST* chan,
                                                          const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_FILE_BC* bc);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanFromFileBCExEx(STRUCT_WORK_FILE* wf, uint32_t scan,
                                                            const STRUCT_CHAN_LIST* chan,
                                                            const STRUCT_SCAN_FUN_ARRAY* funs,
                                                            const STRUCT_FILE_BC* bc,
                                                            const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                            uint16_t segmentChanWord);

// ---- Background-corrected averages ------------------------------------------------
KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                  const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                    const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count,
                                                    const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                    uint16_t segmentChanWord);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       uint32_t first, uint32_t last);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                         const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                         uint32_t last);
KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromScanRangeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                           const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                           uint32_t last, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                           uint16_t segmentChanWord);
KELT_API STRUCT_TOL_SPT* TOL_TRBC_MakeAvgSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                          uint32_t first, uint32_t last, double bgTime1,
                                                          double bgTime2);
KELT_API STRUCT_TOL_SPT* TOL_TRBC_MakeAvgSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, double time,
                                                     uint16_t count, double bgTime1, double bgTime2);
KELT_API STRUCT_TOL_SPT* TOL_TRBC_MakeAvgSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                       uint16_t count, double bgTime1, double bgTime2);

// ---- Spectrum records ----------------------------------------------------------------
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                       uint16_t count);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                         const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                         uint16_t count, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                         uint16_t segmentChanWord);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromTimeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                           const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                           uint16_t count, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                           uint16_t segmentChanWord);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                            uint32_t first, uint32_t last);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                              const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                              uint32_t last);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                          const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                          uint16_t count);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                            const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                            uint16_t count, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                            uint16_t segmentChanWord);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                              const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                              uint16_t count,
                                                              const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                              uint16_t segmentChanWord);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                               uint32_t first, uint32_t last);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                                 const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                                 uint32_t last);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCs(STRUCT_WORK_FILE* wf,
                                                                   const STRUCT_CHAN_LIST* chan, double time,
                                                                   uint16_t count, double bgTime1, double bgTime2);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCsEx(STRUCT_WORK_FILE* wf,
                                                                     const STRUCT_CHAN_LIST* chan,
                                                                     const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                                     uint16_t count, double bgTime1,
                                                                     double bgTime2);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCs(STRUCT_WORK_FILE* wf,
                                                                        const STRUCT_CHAN_LIST* chan, uint32_t first,
                                                                        uint32_t last, double bgTime1,
                                                                        double bgTime2);
KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCsEx(STRUCT_WORK_FILE* wf,
                                                                          const STRUCT_CHAN_LIST* chan,
                                                                          const STRUCT_SCAN_FUN_ARRAY* funs,
                                                                          uint32_t first, uint32_t last,
                                                                          double bgTime1, double bgTime2);
// A list-kind record (kind 3) holding the pairs of an exchange buffer.
KELT_API STRUCT_SPT_PLUS* PlusSpt_MakeFromMSSpectrumEx(const void* buffer);

// ---- Subtraction ---------------------------------------------------------------------
KELT_API void TOL_BaselineCorrectSpectrumEx(STRUCT_TOL_SPT* spectrum, const STRUCT_TOL_SPT* background);
KELT_API void TOL_BaselineCorrectSpectrum(STRUCT_TOL_SPT* spectrum, const STRUCT_TOL_SPT* before,
                                          const STRUCT_TOL_SPT* after);
