#pragma once
// Which acquisition segment holds a time, which neighbouring segments share
// a channel selection, whether a trace has points in a segment, and the
// channel list of a scan range.
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "win/win_types.h"

struct STRUCT_TOL_SPT;

namespace kelt::seg {

// An MS data file with segments: sectioned, centroid or profile, not raw.
inline bool IsSegmented(const STRUCT_WORK_FILE* wf) {
  return wf && !wf->directHeader && wf->sectioned && (wf->centroid || wf->profile);
}
inline int Count(const STRUCT_WORK_FILE* wf) { return wf && wf->segmentBlocks ? wf->msInfo.segmentCount : 0; }
// Scans from one scan of a scan function to its next: the functions of a cycle.
inline uint32_t ScanStep(const MS_SEGMENT_BLOCK& s) { return s.functionCount; }
// The segment block keeps no data counts of its own; its first and last
// scan stand for them (an empty segment has both zero).
inline int32_t FirstDataCount(const MS_SEGMENT_BLOCK& s) { return static_cast<int32_t>(s.firstScan); }
inline int32_t SecondDataCount(const MS_SEGMENT_BLOCK& s) { return static_cast<int32_t>(s.lastScan); }
inline bool HasData(const MS_SEGMENT_BLOCK& s) { return FirstDataCount(s) != 0 || SecondDataCount(s) != 0; }
inline bool IsUsable(const MS_SEGMENT_BLOCK& s) {
  return SecondDataCount(s) >= 0 && HasData(s) && ScanStep(s) != 0 && s.lastScan >= s.firstScan;
}
// Kind 0 and 2 lists suit every segment; a listed one (1..9 entries) needs
// a channel the segment scans.
bool ChanListUsableOn(const STRUCT_CHAN_LIST* list, const MS_SEGMENT_BLOCK& s);

}  // namespace kelt::seg

KELT_API BOOL KELT_IsChanListValidForSegment(const STRUCT_WORK_FILE* workFile, int16_t segment,
                                             const STRUCT_CHAN_LIST* chanList);
KELT_API BOOL KELT_CheckChanListInSegment(const STRUCT_CHAN_LIST* chanList, const MS_SEGMENT_BLOCK* segment);
// Out: the segment of the time and the first and last neighbouring segment
// that share the selection (all 0-based).
KELT_API BOOL KELT_GetSegmentRange(const STRUCT_WORK_FILE* workFile, double time, const STRUCT_SCAN_FUN_ARRAY* array,
                                   const STRUCT_CHAN_LIST* chanList, const STRUCT_SCAN_FUN_INFO* info,
                                   uint16_t infoCount, int16_t* segment, int16_t* firstSegment, int16_t* lastSegment);
KELT_API BOOL KELT_CheckPlotInSegment(const STRUCT_NE_DATA_POINTS* trace, int16_t segment);
KELT_API BOOL KELT_CheckPlotInSegmentByTime(const STRUCT_NE_DATA_POINTS* trace, double time);
// spectrum: the MS-data record of a spectrum (its scan header comes first).
KELT_API BOOL TOL_CheckForPlotLineUnderSpt(const STRUCT_TOL_SPT* spectrum, const STRUCT_NE_DATA_POINTS* trace);
KELT_API BOOL TOL_GetChanListForScanFun(const STRUCT_WORK_FILE* workFile, uint32_t firstScan, uint32_t lastScan,
                                        const STRUCT_SCAN_FUN_ARRAY* array, STRUCT_CHAN_LIST* chanList);
KELT_API double TOL_GetSegmentTime(const STRUCT_WORK_FILE* workFile, double time);
