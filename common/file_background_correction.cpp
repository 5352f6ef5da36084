// Background correction of a data file from two background times: the
// scan at each time and the rest of its cycle, as a 0.2-minute range.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "common/ms_data_handles.h"
#include "common/work_file.h"

namespace {

// The record's segment blocks, or (for a record made from the header
// only) the MS data's own.
bool LoadSegments(const STRUCT_WORK_FILE* wf, HMSDATA h, std::vector<MS_SEGMENT_BLOCK>& out) {
  const int count = wf->msInfo.segmentCount;
  out.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (wf->segmentBlocks) {
      out[static_cast<size_t>(i)] = wf->segmentBlocks[i];
    } else if (ReadMSSegmentBlock(h, i + 1, &out[static_cast<size_t>(i)], 0) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

KELT_API STRUCT_FILE_BC* KELT_MakeFileBCFromTwoTimes(const STRUCT_WORK_FILE* wf, double time1, double time2) {
  if (!IsMSKind(wf)) return nullptr;
  STRUCT_FILE_BC* bc = NewBackCorr(wf);
  if (!bc) return nullptr;
  kelt::msdata::Access access(wf);
  const HMSDATA h = access.get();
  if (!h) {
    FreeBackCorr(bc);
    return nullptr;
  }
  try {
    std::vector<MS_SEGMENT_BLOCK> segments;
    if (!LoadSegments(wf, h, segments)) segments.clear();
    for (double time : {time1, time2}) {
      uint32_t s;
      double ts;
      if (!kelt::msdata::FindScan(h, kelt::msdata::ScanAtTime(time, MS_PICK_AT_OR_BEFORE), &s, &ts)) continue;
      for (const MS_SEGMENT_BLOCK& seg : segments) {
        if (s < seg.firstScan || s > seg.lastScan) continue;
        const uint64_t end = std::min<uint64_t>(uint64_t{s} + seg.functionCount, uint64_t{seg.lastScan} + 1);
        const uint32_t e = static_cast<uint32_t>(end);
        double from;
        if (seg.functionCount <= 1) {
          from = ts;
        } else {
          double te = seg.endTime;
          uint32_t found;
          double t;
          if (e < seg.lastScan && kelt::msdata::FindScan(h, kelt::msdata::ScanNumbered(e), &found, &t)) te = t;
          from = (ts + te) / 2;
        }
        if (STRUCT_FILE_BC* grown = AddBackCorrRange(bc, s, from, e, from + 0.2)) bc = grown;
      }
    }
  } catch (...) {
    FreeBackCorr(bc);
    return nullptr;
  }
  return bc;
}
