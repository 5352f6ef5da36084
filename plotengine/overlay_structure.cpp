// Attaching plots to the overlay's slots and emptying them.
#include <cstddef>
#include <cstring>

#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "plotengine/overlay_internal.h"

namespace kelt::plot {

void CopyText(char* dest, size_t size, const char* src) {
  if (!dest || size == 0) return;
  if (!src) {
    dest[0] = 0;
    return;
  }
  const size_t n = strnlen(src, size - 1);
  std::memcpy(dest, src, n);
  std::memset(dest + n, 0, size - n);
}

void SetFlag(int16_t* flags, int16_t* count, int slot, bool on) {
  if (on && !flags[slot]) {
    flags[slot] = 1;
    ++*count;
  } else if (!on && flags[slot]) {
    flags[slot] = 0;
    --*count;
  }
}

void SetInView(SVW_OVERLAY* o, int slot, bool on) {
  SetFlag(o->tail.inView, &o->tail.inViewCount, slot, on);
  o->slots[slot].inView = on ? 1 : 0;
}

bool TraceHasPoints(const STRUCT_NE_DATA_POINTS* dp) { return dp && dp->points && dp->pointCount > 0; }

namespace {
// The value kind is the block's, not the point's: asked once, and the
// comparisons without branches (the same picks as "if (v < lo) lo = v").
template <class Value>
ValueRange ExtremesOf(const STRUCT_NE_POINT_BLOCK* block, uint32_t first, uint32_t last) {
  auto valueAt = [&](uint32_t i) {
    Value v;
    std::memcpy(&v, reinterpret_cast<const uint8_t*>(NePointAt(block, i)) + offsetof(STRUCT_NE_POINT, value), sizeof v);
    return static_cast<double>(v);
  };
  double lo = valueAt(first), hi = lo;
  for (uint32_t i = first + 1; i <= last; ++i) {
    const double v = valueAt(i);
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
  return {lo, hi};
}
}  // namespace

ValueRange TraceExtremes(const STRUCT_NE_POINT_BLOCK* block, uint32_t first, uint32_t last) {
  return block->isDouble == 1 ? ExtremesOf<double>(block, first, last) : ExtremesOf<int64_t>(block, first, last);
}

namespace {
// One walk finds the end of the shown points and their extremes: a pan
// shows most of a long trace, and a second walk for the extremes cost as
// much as the first.
template <class Value>
ShownSpan ShownPointsOf(const STRUCT_NE_POINT_BLOCK* block, uint32_t n, double start, double end, bool cutAtEnd) {
  const auto* base = reinterpret_cast<const uint8_t*>(NePointAt(block, 0));
  auto timeAt = [&](uint32_t i) {
    double t;
    std::memcpy(&t, base + size_t{NE_POINT_SIZE} * i + offsetof(STRUCT_NE_POINT, time), sizeof t);
    return t;
  };
  auto valueAt = [&](uint32_t i) {
    Value v;
    std::memcpy(&v, base + size_t{NE_POINT_SIZE} * i + offsetof(STRUCT_NE_POINT, value), sizeof v);
    return static_cast<double>(v);
  };
  uint32_t first = 0;
  for (uint32_t k = 0; k < n && timeAt(k) < start; ++k) first = k;
  double lo = valueAt(first), hi = lo;
  uint32_t last = first;
  const bool endsAtFirst = cutAtEnd && !(timeAt(first) < end);
  for (uint32_t k = first + 1; k < n && !endsAtFirst && (!cutAtEnd || timeAt(k) < end); ++k) {
    const double v = valueAt(k);
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
    last = k;
  }
  return {first, last, {lo, hi}};
}
}  // namespace

ShownSpan ShownPoints(const STRUCT_NE_POINT_BLOCK* block, uint32_t n, double start, double end, bool cutAtEnd) {
  return block->isDouble == 1 ? ShownPointsOf<double>(block, n, start, end, cutAtEnd)
                              : ShownPointsOf<int64_t>(block, n, start, end, cutAtEnd);
}

// Frees what one slot owns, in the order the record's owners expect.
void FreeSlotContents(OVERLAY_SLOT& s) {
  if (s.dataPresent && s.trace) FreeDataPointsStruct(s.trace);
  if (s.filePresent && s.workFile) FreeWorkFileStruct(s.workFile);
  if (s.eventMarkCount && s.eventMarks) FreeBlock(s.eventMarks);
  if (s.segPlots) FreeBlock(s.segPlots);
  if (s.scanFunArray) FreeBlock(s.scanFunArray);
  // The information of a borrowed work file came with it and stays the caller's.
  if (s.scanFunInfo && (s.filePresent || !s.workFile)) FreeBlock(s.scanFunInfo);
}

}  // namespace kelt::plot

namespace {

using namespace kelt::plot;

enum class AddForm { Plain, Any, Rent };

struct AddRequest {
  AddForm form;
  const char* path;
  STRUCT_WORK_FILE* callerFile;
  STRUCT_SCAN_FUN_INFO* callerInfo;
  uint16_t callerInfoCount;
  uint16_t plotKind, plotSubKind;
  const STRUCT_MASS_LIST* massList;
  const STRUCT_CHAN_LIST* chanList;
  STRUCT_SCAN_FUN_ARRAY* scanFunArray;
  STRUCT_SEG_PLOTS* segPlots;
  const char* units;
  const char* text;
  double start, end;
};

int32_t AddPlot(SVW_OVERLAY* o, int slotIndex, const AddRequest& r) {
  if (!o || !OverlaySlotIndex(slotIndex)) return 0;
  OVERLAY_SLOT& s = o->slots[slotIndex];
  if (s.filePresent || s.workFile) return 0;

  STRUCT_WORK_FILE* wf = r.form == AddForm::Rent ? r.callerFile : (r.path ? MakeWorkFileStruct(r.path, 0) : nullptr);
  if (!wf) return 0;
  double start = r.start, end = r.end;
  if (start == 0.0 && end == 0.0) {
    start = wf->startTime;
    end = wf->endTime;
  }

  STRUCT_NE_DATA_POINTS* trace = nullptr;
  STRUCT_SCAN_FUN_INFO* info = r.form == AddForm::Rent ? r.callerInfo : nullptr;
  int16_t infoCount = r.form == AddForm::Rent ? static_cast<int16_t>(r.callerInfoCount) : 0;
  STRUCT_SEG_PLOTS* segPlots = nullptr;
  STRUCT_SCAN_FUN_ARRAY* sfArray = nullptr;
  bool ok = true;
  if (r.form == AddForm::Any && r.plotKind == DATA_TYPE_SEGMENT_PLOT && r.segPlots) {
    segPlots = r.segPlots;
    trace = PLOT_SEG_Read(wf, segPlots, 0, nullptr);
  } else if (r.plotKind == DATA_TYPE_SCAN_FUN_PLOT && r.scanFunArray && r.form != AddForm::Plain) {
    sfArray = r.scanFunArray;
    if (r.form == AddForm::Any) {
      info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
      trace = info ? SCAN_FUN_FastRead(info, infoCount, wf, sfArray, r.massList, 0, nullptr)
                   : SCAN_FUN_Read(wf, sfArray, r.massList, 0, nullptr);
    } else {
      ok = info != nullptr;
      if (ok)
        trace = SCAN_FUN_FastReadTimeRange(start, end, info, infoCount, wf, sfArray, r.massList, 0, nullptr);
    }
  } else {
    trace = MakeDataPointsStruct(wf, start, end, OVERLAY_MAX_POINTS, static_cast<int16_t>(r.plotKind),
                                 r.form == AddForm::Plain ? 0 : static_cast<int16_t>(r.plotSubKind), r.chanList,
                                 r.massList);
  }

  if (!ok || !TraceHasPoints(trace)) {
    // The segment-plot record and the scan-function array stay the caller's.
    FreeDataPointsStruct(trace);
    if (r.form != AddForm::Rent) {
      if (info) FreeBlock(info);
      FreeWorkFileStruct(wf);
    }
    return 0;
  }

  // A borrowed work file is not the overlay's to free.
  s.filePresent = r.form == AddForm::Rent ? 0 : 1;
  s.workFile = wf;
  s.dataPresent = 1;
  s.trace = trace;
  s.plotKind = r.plotKind;
  s.plotSubKind = r.form == AddForm::Plain ? 0 : r.plotSubKind;
  if (r.massList) s.massList = *r.massList;
  if (r.chanList) s.chanList = *r.chanList;
  s.scanFunArray = sfArray;
  s.segPlots = segPlots;
  s.scanFunInfo = info;
  s.scanFunInfoCount = info ? static_cast<uint16_t>(infoCount) : 0;
  CopyText(s.units, sizeof s.units, r.units);
  if (r.form == AddForm::Plain)
    CopyText(s.title, sizeof s.title, r.text);
  else
    CopyText(s.plotText, sizeof s.plotText, r.text);

  SetFlag(o->head.shown, &o->head.shownCount, slotIndex, true);
  SetInView(o, slotIndex, true);
  SetFlag(o->tail.attached, &o->tail.attachedCount, slotIndex, true);

  OVERLAY_TAIL& t = o->tail;
  const STRUCT_NE_POINT_BLOCK* block = trace->points;
  const uint32_t n = trace->pointCount;
  const double first = NePointAt(block, 0)->time, last = NePointAt(block, n - 1)->time;
  if (t.overallStart == 0.0 && t.overallEnd == 0.0) {
    t.overallStart = wf->startTime;
    t.overallEnd = wf->endTime;
  } else {
    if (first < t.overallStart) t.overallStart = first;
    if (last > t.overallEnd) t.overallEnd = last;
  }
  t.homeStart = t.viewStart = t.overallStart;
  t.homeEnd = t.viewEnd = t.overallEnd;

  t.firstShownTime[slotIndex] = first;
  t.lastShownTime[slotIndex] = last;
  t.firstShownIndex[slotIndex] = 0;
  t.lastShownIndex[slotIndex] = static_cast<int32_t>(n - 1);
  const ValueRange extremes = TraceExtremes(block, 0, n - 1);
  t.minInView[slotIndex] = extremes.low;
  t.maxInView[slotIndex] = extremes.high;
  return 1;
}

}  // namespace

KELT_API int16_t OPLOT_ClearOverlayStructure(SVW_OVERLAY* o) {
  if (!o) return 0;
  const int16_t mode = o->head.displayMode;
  for (OVERLAY_SLOT& s : o->slots) FreeSlotContents(s);
  std::memset(static_cast<void*>(o), 0, sizeof *o);
  o->head.displayMode = mode;
  return mode;
}

KELT_API int16_t OPLOT_RENT_ClearOverlayStructure(SVW_OVERLAY* o) {
  if (!o) return 0;
  for (OVERLAY_SLOT& s : o->slots) {
    // The borrowed pointers go; a slot that owns its file still owns its information.
    if (!s.filePresent) {
      s.workFile = nullptr;
      s.scanFunInfo = nullptr;
    }
  }
  return OPLOT_ClearOverlayStructure(o);
}

KELT_API int32_t OPLOT_AddPlotToOverlayStructure(SVW_OVERLAY* o, int16_t slot, const char* path, uint16_t plotKind,
                                                 const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                                                 const char* units, const char* title, double start, double end) {
  AddRequest r{AddForm::Plain, path,     nullptr, nullptr,  0,     plotKind, 0,     massList,
               chanList,       nullptr,  nullptr, units,    title, start,    end};
  return AddPlot(o, slot, r);
}

KELT_API int32_t OPLOT_AddAnyPlotToOverlayStructure(SVW_OVERLAY* o, int16_t slot, const char* path, uint16_t plotKind,
                                                    uint16_t plotSubKind, const STRUCT_MASS_LIST* massList,
                                                    const STRUCT_CHAN_LIST* chanList,
                                                    STRUCT_SCAN_FUN_ARRAY* scanFunArray,
                                                    STRUCT_SEG_PLOTS* segPlots, const char* units,
                                                    const char* plotText, double start, double end) {
  AddRequest r{AddForm::Any, path,         nullptr,  nullptr, 0,        plotKind, plotSubKind, massList,
               chanList,     scanFunArray, segPlots, units,   plotText, start,    end};
  return AddPlot(o, slot, r);
}

KELT_API int32_t OPLOT_RENT_AddAnyPlotToOverlayStructure(
    SVW_OVERLAY* o, int16_t slot, STRUCT_WORK_FILE* workFile, const void*, STRUCT_SCAN_FUN_INFO* scanFunInfo,
    uint16_t scanFunInfoCount, uint16_t plotKind, uint16_t plotSubKind, const STRUCT_MASS_LIST* massList,
    const STRUCT_CHAN_LIST* chanList, STRUCT_SCAN_FUN_ARRAY* scanFunArray, const char* units,
    const char* plotText, double start, double end) {
  AddRequest r{AddForm::Rent, nullptr,      workFile, scanFunInfo, scanFunInfoCount, plotKind, plotSubKind, massList,
               chanList,      scanFunArray, nullptr,  units,       plotText,         start,    end};
  return AddPlot(o, slot, r);
}

KELT_API void OPLOT_ClearPlotFromOverlayStructure(SVW_OVERLAY* o, int16_t slot) {
  if (!o || !OverlaySlotIndex(slot)) return;
  OVERLAY_SLOT& s = o->slots[slot];
  FreeSlotContents(s);
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  SetFlag(o->tail.attached, &o->tail.attachedCount, slot, false);
  SetFlag(o->tail.inView, &o->tail.inViewCount, slot, false);
  SetFlag(o->head.shown, &o->head.shownCount, slot, false);
}

KELT_API int16_t OPLOT_CountDataUnitsTypes(const SVW_OVERLAY* o) {
  if (!o) return 0;
  const char* seen[OVERLAY_SLOTS];
  int16_t count = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!OverlaySlotPresent(o, i)) continue;
    const char* units = o->slots[i].units;
    bool known = false;
    for (int k = 0; k < count && !known; ++k) known = strncmp(seen[k], units, OVERLAY_UNITS_SIZE) == 0;
    if (!known) seen[count++] = units;
  }
  return count;
}
