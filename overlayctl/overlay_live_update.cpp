// Timers of the overlay plot control: following data files that are still
// being acquired (every 4 s the file is opened again, its header and
// segment blocks copied into the slot's work file and the traces extended),
// a derived control's deferred request and a deferred clipboard copy.
#include <algorithm>
#include <cstring>

#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"

namespace {
constexpr UINT_PTR kLiveTimer = 1;
constexpr UINT kLiveTimerMs = 4000;
constexpr UINT_PTR kDerivedTimer = 40;
constexpr UINT_PTR kClipboardTimer = 42;
constexpr UINT kDerivedRequest = WM_USER + 146;
// A run that comes this close to its expected end is finished (minutes).
constexpr double kEndTolerance = 0.2;

// Keeps a tick from running inside another (a message box of an update
// runs a message loop); shared by every overlay control of the library.
int16_t g_tickRunning = 0;

double SlotOffset(const SVW_OVERLAY* o, int slot) { return o->tail.timeOffsetsOn ? o->tail.timeOffsets[slot] : 0.0; }

// Copies the header and segment blocks of a freshly opened work file into
// the slot's record in place, so that every pointer to that record stays
// good. The slot keeps its own segment storage, grown when the file gained
// more segments than it has room for, its channel table and its serial.
bool CopyInPlace(STRUCT_WORK_FILE* slotFile, const STRUCT_WORK_FILE* fresh) {
  const uint32_t segments = fresh->segmentBlocks ? fresh->msInfo.segmentCount : 0;
  MS_SEGMENT_BLOCK* storage = slotFile->segmentBlocks;
  const uint32_t room = storage ? GetBlockSize(storage) / sizeof(MS_SEGMENT_BLOCK) : 0;
  if (segments > room) {
    auto* grown = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(static_cast<uint32_t>(sizeof(MS_SEGMENT_BLOCK) * segments)));
    if (!grown) return false;
    if (storage) FreeBlock(storage);
    storage = grown;
  }
  if (segments > 0) std::memcpy(storage, fresh->segmentBlocks, sizeof(MS_SEGMENT_BLOCK) * segments);
  STRUCT_CHANNEL_TABLE* const channels = slotFile->channelTable;
  const uint16_t serial = slotFile->serialNumber;
  const double start = slotFile->startTime;
  const int16_t live = slotFile->live, freeze = slotFile->freeze;
  std::memcpy(slotFile, fresh, sizeof *slotFile);
  slotFile->segmentBlocks = storage;
  slotFile->channelTable = channels;
  slotFile->serialNumber = serial;
  // The acquisition's start and its following mark are the control's.
  slotFile->startTime = start;
  slotFile->live = live;
  slotFile->freeze = freeze;
  return true;
}
}  // namespace

void CCtlOPlot::OnTimer(UINT_PTR id) {
  if (id >= kLiveTimer && id <= 20) {
    FollowAcquiringFiles();
  } else if (id == kDerivedTimer) {
    KillTimer(id);
    PostMessage(kDerivedRequest, 0, 0);
  } else if (id == kClipboardTimer) {
    KillTimer(id);
    CopyToClipboardLater();
  }
}

void CCtlOPlot::FollowAcquiringFiles() {
  SVW_OVERLAY* o = m_pOverlay;
  if (g_tickRunning || !o) return;
  g_tickRunning = 1;
  KillTimer(kLiveTimer);
  bool followed[OPLOT_SLOTS] = {}, follows[OPLOT_SLOTS] = {};
  double newEnd[OPLOT_SLOTS] = {};
  double latestOldEnd = 0, lastPointTime = 0;
  int followedCount = 0, followsCount = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    OVERLAY_SLOT& s = o->slots[i];
    STRUCT_WORK_FILE* wf = s.workFile;
    const STRUCT_NE_DATA_POINTS* dp = s.trace;
    if (!wf || !wf->live || !dp) continue;
    followed[i] = follows[i] = true;
    const double lastPoint = dp->points && dp->pointCount ? NePointAt(dp->points, dp->pointCount - 1)->time : 0.0;
    ++followedCount;
    lastPointTime = std::max(lastPointTime, lastPoint);
    // Before the first tick that reaches it, the end time is the run's expected end.
    const double oldEnd = wf->endTime;
    STRUCT_WORK_FILE* fresh = MakeWorkFileStruct(wf->filePath, 0);
    const bool copied = fresh && CopyInPlace(wf, fresh);
    if (fresh) FreeWorkFileStruct(fresh);
    if (!copied) {
      // The file stays followed; the display waits for the next tick.
      wf->endTime = oldEnd;
      follows[i] = false;
      continue;
    }
    newEnd[i] = wf->endTime;
    latestOldEnd = std::max(latestOldEnd, oldEnd);
    // Until the run reaches its expected end, that end is kept.
    if (oldEnd > newEnd[i]) wf->endTime = oldEnd;
    if (newEnd[i] + kEndTolerance >= wf->endTime) wf->endTime = newEnd[i];
    const double off = SlotOffset(o, i);
    // The overlay's fields are packed: compared by value.
    if (o->tail.overallEnd < newEnd[i] + off) o->tail.overallEnd = newEnd[i] + off;
    if (o->tail.homeEnd < newEnd[i] + off) o->tail.homeEnd = newEnd[i] + off;
    // The user looks at an earlier part of the run.
    if (o->tail.viewEnd < lastPoint) follows[i] = false;
  }
  for (bool f : follows) followsCount += f ? 1 : 0;
  if (followedCount > 0 && followsCount > 0) {
    const double viewStart = o->tail.viewStart, viewEnd = o->tail.viewEnd;
    // Traces are read first, so that the new scales take in the new points.
    if (viewEnd < latestOldEnd && viewStart < lastPointTime)
      UpdateOverlayPlotData(viewStart, viewEnd, o->head.displayMode);
    else
      UpdateOverlayPlotData(o->tail.overallStart, o->tail.overallEnd, o->head.displayMode);
    OVERLAY_SCALE_BLOCK& sc = o->tail.scales;
    switch (o->head.displayMode) {
      case OVERLAY_MODE_OVERLAID:
        SetVerticalFullScale(1, 0);
        break;
      case OVERLAY_MODE_STACKED:
      case OVERLAY_MODE_NORMALISED:
        for (int i = 0; i < OPLOT_SLOTS; ++i) {
          if (!follows[i] || !o->slots[i].workFile) continue;
          double low = sc.plotLow[i], high = sc.plotHigh[i];
          AutoScaleSepVert(static_cast<short>(i), &low, &high);
          sc.plotLow[i] = low;
          sc.plotHigh[i] = high;
        }
        if (o->head.displayMode == OVERLAY_MODE_NORMALISED && sc.commonLow == 0.0 && sc.commonHigh == 0.0) {
          sc.commonLow = -5.0;
          sc.commonHigh = 105.0;
        }
        break;
      default:
        break;
    }
    RepaintUnlessSuspended();
  }
  // A file that came within reach of its expected end is finished.
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    if (!followed[i] || !wf || !wf->live) continue;
    if (newEnd[i] + kEndTolerance >= wf->endTime && newEnd[i] > 0.0) {
      wf->live = 0;
      --followedCount;
    }
  }
  // Slots emptied by an unreadable trace are no longer followed.
  int still = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i)
    if (o->slots[i].workFile && o->slots[i].workFile->live) ++still;
  if (still > 0 && followedCount > 0) SetTimer(kLiveTimer, kLiveTimerMs);
  g_tickRunning = 0;
}
