#pragma once
// Overlay slots filled from arrays instead of files: exact points for pixel
// checks, and traces longer than the fixture runs. Everything comes from
// the common allocator, so the overlay frees it as it frees its own.
#include <cstring>
#include <utility>
#include <vector>

#include "common/data_points.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"

struct SyntheticTrace {
  std::vector<double> times, values;
  std::vector<double> processed;                  // values of a processed copy; empty: none
  std::vector<std::pair<double, double>> segments;  // acquisition segments (start, end); MS data only
  std::vector<uint32_t> flags;                    // point flag words; empty: 0
  bool detector = false;                          // a sectioned detector file instead of MS data
};

inline STRUCT_NE_POINT_BLOCK* SyntheticBlock(const std::vector<double>& times, const std::vector<double>& values,
                                             const std::vector<uint32_t>& flags) {
  auto* b = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * times.size()));
  b->isDouble = 1;
  for (size_t i = 0; i < times.size(); ++i) {
    STRUCT_NE_POINT* p = NePointAt(b, static_cast<uint32_t>(i));
    p->time = times[i];
    p->value.d = values[i];
    p->flags = i < flags.size() ? flags[i] : 0;
  }
  return b;
}

// Puts the trace into a slot, shown, in view and attached, and sets the
// view window to the trace's span and the slot's and the common vertical
// range to low..high.
inline void FillSyntheticSlot(SVW_OVERLAY* o, int slot, const SyntheticTrace& tr, double low, double high) {
  auto* wf = static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)));
  std::strcpy(wf->filePath, "C:\\Data\\synthetic.kms");
  wf->sectioned = 1;
  wf->centroid = tr.detector ? 0 : 1;
  wf->startTime = tr.times.front();
  wf->endTime = tr.times.back();
  if (!tr.segments.empty()) {
    wf->msInfo.segmentCount = static_cast<uint16_t>(tr.segments.size());
    wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(sizeof(MS_SEGMENT_BLOCK) * tr.segments.size()));
    for (size_t i = 0; i < tr.segments.size(); ++i) {
      wf->segmentBlocks[i].number = static_cast<uint16_t>(i + 1);
      wf->segmentBlocks[i].startTime = tr.segments[i].first;
      wf->segmentBlocks[i].endTime = tr.segments[i].second;
    }
  }
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  dp->workFile = wf;
  dp->startTime = tr.times.front();
  dp->endTime = tr.times.back();
  dp->dataType = tr.detector ? DATA_TYPE_DETECTOR : DATA_TYPE_TIC;
  dp->pointCount = static_cast<uint32_t>(tr.times.size());
  dp->points = SyntheticBlock(tr.times, tr.values, tr.flags);
  if (!tr.processed.empty()) {
    dp->filteredCount = static_cast<uint32_t>(tr.times.size());
    dp->filtered = SyntheticBlock(tr.times, tr.processed, {});
  }
  OVERLAY_SLOT& s = o->slots[slot];
  s.filePresent = s.dataPresent = 1;
  s.workFile = wf;
  s.trace = dp;
  s.inView = 1;
  s.plotKind = tr.detector ? DATA_TYPE_DETECTOR : DATA_TYPE_TIC;
  std::strcpy(s.units, tr.detector ? "mV" : "Counts");
  if (!o->head.shown[slot]) ++o->head.shownCount;
  o->head.shown[slot] = 1;
  if (!o->tail.inView[slot]) ++o->tail.inViewCount;
  o->tail.inView[slot] = 1;
  if (!o->tail.attached[slot]) ++o->tail.attachedCount;
  o->tail.attached[slot] = 1;
  o->tail.firstShownIndex[slot] = 0;
  o->tail.lastShownIndex[slot] = static_cast<int32_t>(tr.times.size() - 1);
  o->tail.firstShownTime[slot] = tr.times.front();
  o->tail.lastShownTime[slot] = tr.times.back();
  o->tail.overallStart = o->tail.homeStart = o->tail.viewStart = tr.times.front();
  o->tail.overallEnd = o->tail.homeEnd = o->tail.viewEnd = tr.times.back();
  o->tail.scales.plotLow[slot] = o->tail.scales.commonLow = low;
  o->tail.scales.plotHigh[slot] = o->tail.scales.commonHigh = high;
}
