// Reloading the overlay's traces for a time window and working out which
// points of each lie in it.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "plotengine/overlay_internal.h"

namespace {

using namespace kelt::plot;

// Margin read beyond a window when a trace is read anew or extended (minutes).
constexpr double kReadMargin = 0.5;
// Tolerance of the reload tests (minutes).
constexpr double kReloadTolerance = 0.0001;

bool BothZero(double a, double b) { return std::fabs(a) < kTimeEpsilon && std::fabs(b) < kTimeEpsilon; }
bool SameTime(double a, double b) { return std::fabs(a - b) < kTimeEpsilon; }

double FirstTime(const STRUCT_NE_DATA_POINTS* dp) { return dp->startTime; }
double LastTime(const STRUCT_NE_DATA_POINTS* dp) { return dp->endTime; }

// Reads the slot's trace for a window with the reader its kind needs; a
// piece read is one that extends an existing trace.
STRUCT_NE_DATA_POINTS* ReadSlotTrace(OVERLAY_SLOT& s, double from, double to, bool piece) {
  STRUCT_WORK_FILE* wf = s.workFile;
  if (s.segPlots) return piece ? nullptr : PLOT_SEG_Read(wf, s.segPlots, 0, nullptr);
  if (!s.scanFunArray)
    return MakeDataPointsStruct(wf, from, to, OVERLAY_MAX_POINTS, static_cast<int16_t>(s.plotKind),
                                static_cast<int16_t>(s.plotSubKind), &s.chanList, &s.massList);
  if (!s.scanFunInfo && s.filePresent) {
    int16_t count = 0;
    s.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &count, 0);
    s.scanFunInfoCount = s.scanFunInfo ? static_cast<uint16_t>(count) : 0;
  }
  const int16_t count = static_cast<int16_t>(s.scanFunInfoCount);
  if (piece)
    return s.scanFunInfo ? SCAN_FUN_FastReadTimeRange(from, to, s.scanFunInfo, count, wf, s.scanFunArray, &s.massList,
                                                      0, nullptr)
                         : nullptr;
  return s.scanFunInfo ? SCAN_FUN_FastRead(s.scanFunInfo, count, wf, s.scanFunArray, &s.massList, 0, nullptr)
                       : SCAN_FUN_Read(wf, s.scanFunArray, &s.massList, 0, nullptr);
}

void DropTrace(SVW_OVERLAY* o, int slot) {
  OVERLAY_SLOT& s = o->slots[slot];
  if (s.dataPresent && s.trace) FreeDataPointsStruct(s.trace);
  s.trace = nullptr;
  s.dataPresent = 0;
  SetInView(o, slot, false);
}

// Takes a freshly read trace into the slot: false when the reader gave nothing.
bool TakeTrace(SVW_OVERLAY* o, int slot, STRUCT_NE_DATA_POINTS* dp) {
  if (!dp) return false;
  OVERLAY_SLOT& s = o->slots[slot];
  s.trace = dp;
  s.dataPresent = 1;
  if (TraceHasPoints(dp)) SetInView(o, slot, true);
  return true;
}

// The file can no longer be read: the slot keeps nothing of it.
void Detach(SVW_OVERLAY* o, int slot) {
  OVERLAY_SLOT& s = o->slots[slot];
  if (s.filePresent && s.workFile) {
    FreeWorkFileStruct(s.workFile);
    s.workFile = nullptr;
  }
  if (s.segPlots) {
    FreeBlock(s.segPlots);
    s.segPlots = nullptr;
  }
  s.filePresent = 0;
  SetFlag(o->tail.attached, &o->tail.attachedCount, slot, false);
  SetFlag(o->head.shown, &o->head.shownCount, slot, false);
  SetInView(o, slot, false);
}

uint32_t PointNumber(const STRUCT_WORK_FILE* wf, uint32_t scan) {
  const uint32_t first = IsMSKind(wf) ? wf->msInfo.firstScan : 0;
  return scan >= first ? scan - first : 0;
}

// Puts a piece's points before (front) or after the trace's own, keeping a
// shared boundary point once. False (trace unchanged) when the piece does
// not fit the trace or memory runs out.
//
// whole: the piece was read over the trace's boundary point and holds it
// whole. A point of an MS trace of merged or listed channels adds up a
// cycle's scans, and the window the trace was read for may have cut the
// boundary cycle: its point then holds only part of the cycle. The piece's
// point for that cycle replaces it (after: the point at the trace's last
// time; before: the piece's last point, at or before the trace's first).
bool JoinPiece(STRUCT_NE_DATA_POINTS* dp, const STRUCT_NE_DATA_POINTS* piece, bool front, bool whole) {
  if (!TraceHasPoints(piece)) return true;
  const STRUCT_NE_POINT_BLOCK* a = dp->points;
  const STRUCT_NE_POINT_BLOCK* b = piece->points;
  if (a->isDouble != b->isDouble) return false;
  const uint32_t ownCount = dp->pointCount;
  const double firstOwn = NePointAt(a, 0)->time, lastOwn = NePointAt(a, ownCount - 1)->time;
  // Only the piece's points outside the trace's own span are taken.
  uint32_t from = 0, to = piece->pointCount;  // [from, to)
  uint32_t ownFrom = 0, ownTo = ownCount;     // the trace's points kept
  if (front) {
    const double limit = whole && ownCount > 1 ? NePointAt(a, 1)->time : firstOwn;
    while (to > 0 && NePointAt(b, to - 1)->time >= limit - kTimeEpsilon) --to;
    if (whole && ownCount > 1 && to > 0 && NePointAt(b, to - 1)->time <= firstOwn + kTimeEpsilon) ownFrom = 1;
    else
      while (to > 0 && NePointAt(b, to - 1)->time >= firstOwn - kTimeEpsilon) --to;
  } else {
    while (from < to && NePointAt(b, from)->time < lastOwn - kTimeEpsilon) ++from;
    if (whole && ownCount > 1 && from < to && NePointAt(b, from)->time <= lastOwn + kTimeEpsilon) ownTo = ownCount - 1;
    else
      while (from < to && NePointAt(b, from)->time <= lastOwn + kTimeEpsilon) ++from;
  }
  const uint32_t extra = to - from;
  if (extra == 0) return true;
  const uint32_t kept = ownTo - ownFrom;
  const uint64_t count = uint64_t{kept} + extra;
  const uint64_t bytes = count * NE_POINT_SIZE + 32;
  if (bytes > 0xFFFFFF00u) return false;
  // The kept block grows in place where the allocator can: panning costs
  // the new points, not a copy of all the kept ones into fresh memory.
  const size_t keptBytes = size_t{kept} * NE_POINT_SIZE;
  const size_t pieceBytes = size_t{extra} * NE_POINT_SIZE;
  const uint32_t pieceFirstScan = b->firstScan, pieceLastScan = b->lastScan;
  const uint8_t* taken = reinterpret_cast<const uint8_t*>(NePointAt(b, from));
  const uint32_t oldBytes = GetBlockSize(dp->points);
  auto* joined = static_cast<STRUCT_NE_POINT_BLOCK*>(
      ReallocBlock(dp->points, std::max(oldBytes, static_cast<uint32_t>(bytes))));
  if (!joined) return false;
  uint8_t* out = reinterpret_cast<uint8_t*>(joined) + NE_POINT_BLOCK_HEAD;
  if (front) {
    std::memmove(out + pieceBytes, out + size_t{ownFrom} * NE_POINT_SIZE, keptBytes);
    std::memcpy(out, taken, pieceBytes);
    joined->firstScan = pieceFirstScan;
  } else {
    std::memcpy(out + keptBytes, taken, pieceBytes);
    joined->lastScan = pieceLastScan;
  }
  // The spare point behind the last stays clear, as a read leaves it.
  std::memset(out + keptBytes + pieceBytes, 0, NE_POINT_SIZE);
  if (bytes < GetBlockSize(joined)) {
    // A replaced point left the block one point longer than it needs.
    if (auto* shrunk = static_cast<STRUCT_NE_POINT_BLOCK*>(ReallocBlock(joined, static_cast<uint32_t>(bytes))))
      joined = shrunk;
  }
  dp->points = joined;
  dp->pointCount = static_cast<uint32_t>(count);
  const STRUCT_WORK_FILE* wf = dp->workFile;
  if (front) {
    dp->startTime = NePointAt(joined, 0)->time;
    dp->firstPoint = PointNumber(wf, joined->firstScan);
  } else {
    dp->endTime = NePointAt(joined, dp->pointCount - 1)->time;
    dp->lastPoint = PointNumber(wf, joined->lastScan);
  }
  dp->pointsInRange = dp->lastPoint >= dp->firstPoint ? dp->lastPoint - dp->firstPoint + 1 : 0;
  return true;
}

enum class Extended { Done, Failed, Reread };

// Extends the slot's trace in place to cover the window (slot time).
Extended ExtendTrace(OVERLAY_SLOT& s, double ws, double we) {
  STRUCT_NE_DATA_POINTS* dp = s.trace;
  const STRUCT_WORK_FILE* wf = s.workFile;
  if (!TraceHasPoints(dp)) return Extended::Reread;
  // MS traces read by time hold a point a scan or a cycle: a piece read over
  // the boundary point holds its cycle whole.
  const bool whole = IsMSKind(wf) && !s.scanFunArray && !s.segPlots;
  bool changed = false;
  for (int pass = 0; pass < 2; ++pass) {
    const bool front = pass == 0;
    double from, to;
    if (front) {
      if (!(ws < FirstTime(dp) - kReloadTolerance)) continue;
      from = Greater(ws - kReadMargin, wf->startTime);
      // Through the trace's first cycle, so that the piece holds it whole.
      to = whole && dp->pointCount > 1 ? NePointAt(dp->points, 1)->time : FirstTime(dp);
    } else {
      if (!(we > LastTime(dp) + kReloadTolerance)) continue;
      from = LastTime(dp);
      to = Lesser(wf->live ? we : we + kReadMargin, wf->endTime);
    }
    STRUCT_NE_DATA_POINTS* piece = ReadSlotTrace(s, from, to, true);
    if (!piece) return Extended::Reread;
    // A trace never grows past the most points a read gives; past it, read anew.
    if (uint64_t{dp->pointCount} + piece->pointCount > OVERLAY_MAX_POINTS + 1u) {
      FreeDataPointsStruct(piece);
      return Extended::Reread;
    }
    const bool ok = JoinPiece(dp, piece, front, whole);
    FreeDataPointsStruct(piece);
    if (!ok) return Extended::Failed;
    changed = true;
  }
  if (changed && dp->filtered) {
    // The processed copy no longer matches the points; the host filters anew.
    FreeBlock(dp->filtered);
    dp->filtered = nullptr;
    dp->filteredCount = 0;
  }
  if (wf->startTime + kReloadTolerance >= FirstTime(dp) && wf->endTime - kReloadTolerance <= LastTime(dp) && !wf->live)
    dp->wholeFile = 1;
  return Extended::Done;
}

// The time range of the attached, shown files (moved by their time offsets
// when asked); start and end stay as they are when there is none.
void ShownFilesRange(const SVW_OVERLAY* o, bool withOffsets, double* start, double* end) {
  bool any = false;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    if (!o->tail.attached[i] || !o->head.shown[i] || !wf) continue;
    const double first = withOffsets ? wf->startTime + TimeOffset(o, i) : wf->startTime;
    const double last = withOffsets ? wf->endTime + TimeOffset(o, i) : wf->endTime;
    if (!any || first < *start) *start = first;
    if (!any || last > *end) *end = last;
    any = true;
  }
}

}  // namespace

KELT_API void OPLOT_UpdateOverlayPlots(SVW_OVERLAY* o, double start, double end) {
  try {
    if (!o) return;
    if (BothZero(start, end)) ShownFilesRange(o, false, &start, &end);
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      OVERLAY_SLOT& s = o->slots[i];
      STRUCT_WORK_FILE* wf = s.workFile;
      if (!o->tail.attached[i] || !o->head.shown[i] || !wf) continue;
      if (!(start <= wf->endTime && end >= wf->startTime)) {
        SetInView(o, i, false);
        continue;
      }
      const double ws = Greater(start, wf->startTime), we = Lesser(end, wf->endTime);
      if (wf->freeze) continue;
      STRUCT_NE_DATA_POINTS* dp = s.trace;
      if (TraceHasPoints(dp) && FirstTime(dp) <= ws + kTimeEpsilon && LastTime(dp) >= we - kTimeEpsilon &&
          (dp->step == 1.0 || (SameTime(FirstTime(dp), ws) && SameTime(LastTime(dp), we) &&
                               dp->pointCount == OVERLAY_MAX_POINTS))) {
        SetInView(o, i, true);
        continue;
      }
      DropTrace(o, i);
      TakeTrace(o, i, ReadSlotTrace(s, ws, we, false));
    }
    if (o->tail.inViewCount > 0) OPLOT_SetOverlayData(o, start, end);
  } catch (...) {
  }
}

KELT_API void OPLOT_NewUpdateOverlayPlots(SVW_OVERLAY* o, double start, double end) {
  try {
    if (!o) return;
    if (BothZero(start, end)) ShownFilesRange(o, true, &start, &end);
    for (int i = 0; i < OVERLAY_SLOTS; ++i) {
      OVERLAY_SLOT& s = o->slots[i];
      STRUCT_WORK_FILE* wf = s.workFile;
      if (!o->tail.attached[i] || !wf) continue;
      const double off = TimeOffset(o, i);
      const double a = start - off, b = end - off;
      if (!(a <= wf->endTime && b >= wf->startTime)) {
        SetInView(o, i, false);
        continue;
      }
      const double ws = Greater(a, wf->startTime), we = Lesser(b, wf->endTime);
      STRUCT_NE_DATA_POINTS* dp = s.trace;
      if (dp) {
        if (wf->freeze || dp->wholeFile) {
          if (TraceHasPoints(dp)) SetInView(o, i, true);
          continue;
        }
        if (TraceHasPoints(dp) && !wf->live && ws + kReloadTolerance >= FirstTime(dp) &&
            we - kReloadTolerance <= LastTime(dp) &&
            (dp->step == 1.0 ||
             (dp->pointCount == OVERLAY_MAX_POINTS && std::fabs(FirstTime(dp) - ws) < kReloadTolerance &&
              std::fabs(LastTime(dp) - we) < kReloadTolerance))) {
          SetInView(o, i, true);
          continue;
        }
        if (!s.segPlots) {
          const Extended e = ExtendTrace(s, ws, we);
          if (e == Extended::Done || e == Extended::Failed) {
            if (TraceHasPoints(s.trace)) SetInView(o, i, true);
            continue;
          }
        }
        DropTrace(o, i);
      }
      const double from = Greater(ws - kReadMargin, wf->startTime), to = Lesser(we + kReadMargin, wf->endTime);
      if (!TakeTrace(o, i, ReadSlotTrace(s, from, to, false))) Detach(o, i);
    }
    if (o->tail.inViewCount > 0) OPLOT_SetOverlayData(o, start, end);
  } catch (...) {
  }
}

KELT_API void OPLOT_SetOverlayData(SVW_OVERLAY* o, double start, double end) {
  if (!o) return;
  OVERLAY_TAIL& t = o->tail;
  const bool whole = BothZero(start, end);
  if (whole) {
    start = t.overallStart;
    end = t.overallEnd;
  }
  t.viewStart = start;
  t.viewEnd = end;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    const OVERLAY_SLOT& s = o->slots[i];
    const STRUCT_NE_DATA_POINTS* dp = s.trace;
    bool shown = false;
    if (s.workFile && TraceHasPoints(dp)) {
      const STRUCT_NE_POINT_BLOCK* block = dp->points;
      const uint32_t n = dp->pointCount;
      const double first = NePointAt(block, 0)->time, last = NePointAt(block, n - 1)->time;
      if (whole || (first < end && last > start)) {
        // The last point before the window start, and the last before its end.
        const ShownSpan span = whole ? ShownSpan{0, n - 1, TraceExtremes(block, 0, n - 1)}
                                     : ShownPoints(block, n, start, end, last >= end);
        const uint32_t lo = span.first, hi = span.last;
        t.firstShownIndex[i] = static_cast<int32_t>(lo);
        t.lastShownIndex[i] = static_cast<int32_t>(hi);
        t.firstShownTime[i] = NePointAt(block, lo)->time;
        t.lastShownTime[i] = NePointAt(block, hi)->time;
        t.minInView[i] = span.range.low;
        t.maxInView[i] = span.range.high;
        SetInView(o, i, true);
        shown = true;
      }
    }
    if (!shown) {
      t.firstShownIndex[i] = t.lastShownIndex[i] = 0;
      t.firstShownTime[i] = t.lastShownTime[i] = 0.0;
      t.minInView[i] = t.maxInView[i] = 0.0;
      SetInView(o, i, false);
    }
  }
}
