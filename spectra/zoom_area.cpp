#include "spectra/zoom_area.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "common/number_format.h"
#include "orvik32/orvik32.h"
#include "plotengine/label_manager.h"
#include "plotengine/plot_labels.h"
#include "win/win_crt.h"
#include "win/win_user.h"

// The label reads the record's head as its filled trace.
static_assert(offsetof(STRUCT_ZOOM_AREA, pointCount) == offsetof(STRUCT_LAB_AREA, pointCount));
static_assert(offsetof(STRUCT_ZOOM_AREA, points) == offsetof(STRUCT_LAB_AREA, points));
static_assert(offsetof(STRUCT_ZOOM_AREA, valuesAreDouble) == offsetof(STRUCT_LAB_AREA, valuesAreDouble));
static_assert(offsetof(STRUCT_ZOOM_AREA, plotColor) == offsetof(STRUCT_LAB_AREA, fillColor));

namespace {

constexpr const char* kChannelTypeAllText = "Area count is not calculated if the channel type is ALL.";
constexpr int kLabelPointRoom = 20;

// Scan functions of an MS file, channels of a detector file.
int WorkFileChannels(const STRUCT_WORK_FILE* wf) {
  if (!wf) return 0;
  if (IsMSKind(wf)) return wf->mostScanFunctions;
  if (wf->channelTable) return wf->channelTable->channelCount;
  return wf->detectorHeader.channelCount;
}

// Linear value at t on the segment (t0, y0) - (t1, y1).
double Interpolate(double t0, double y0, double t1, double y1, double t) {
  if (t1 == t0) return y0;
  return y0 + (y1 - y0) * (t - t0) / (t1 - t0);
}

void AddPiece(double t0, double y0, double l0, double t1, double y1, double l1, STRUCT_ZOOM_STRETCH* s) {
  const double dt = t1 - t0;
  if (dt == 0) return;
  const double a = (y0 + y1) * 0.5 * dt;
  const double b = (l0 + l1) * 0.5 * dt;
  if (a > b) {
    s->area += a;
    s->areaAboveLine += a - b;
  }
}

void PutPoint(STRUCT_NE_POINT* p, double time, double value, bool valuesAreDouble) {
  std::memset(p, 0, sizeof(*p));
  p->time = time;
  if (valuesAreDouble)
    p->value.d = value;
  else
    p->value.i = static_cast<int64_t>(value);  // truncated, as the trace's own integers
}

}  // namespace

CZoomAreaCount::~CZoomAreaCount() {
  if (m_stretches) FreeBlock(m_stretches);
}

double CZoomAreaCount::TimeAt(int32_t i) const { return NePointAt(m_pointBlock, static_cast<uint32_t>(i))->time; }

double CZoomAreaCount::ValueAt(int32_t i) const { return NePointValue(m_pointBlock, static_cast<uint32_t>(i)); }

int CZoomAreaCount::Init(SVW_OVERLAY* overlay, CLabelManager* labels, double boxTime1, double boxTime2,
                         double boxValue1, double boxValue2, int16_t plotIndex, uint16_t directionWord1,
                         uint16_t directionWord2, int16_t* filterMode, STRUCT_CHRO_PREFS* prefs) {
  m_overlay = overlay;
  m_labelManager = labels;
  m_boxTime1 = boxTime1;
  m_boxTime2 = boxTime2;
  m_boxValue1 = boxValue1;
  m_boxValue2 = boxValue2;
  m_plotIndex = plotIndex;
  m_directionWord1 = directionWord1;
  m_directionWord2 = directionWord2;
  m_filterMode = filterMode;
  m_prefs = prefs;
  if (!overlay || plotIndex < 0 || plotIndex >= OVERLAY_SLOTS) return 0;

  // Box corners are in plot units; the trace is in the file's.
  if (overlay->tail.timeOffsetsOn) {
    m_boxTime1 -= overlay->tail.timeOffsets[plotIndex];
    m_boxTime2 -= overlay->tail.timeOffsets[plotIndex];
  }
  if (overlay->tail.verticalOffsetsOn) {
    m_boxValue1 -= overlay->tail.verticalOffsets[plotIndex];
    m_boxValue2 -= overlay->tail.verticalOffsets[plotIndex];
  }

  m_plot = &overlay->slots[plotIndex];
  m_trace = m_plot->trace;
  m_workFile = m_plot->workFile;
  if (!m_trace) return 0;
  if (!m_workFile) m_workFile = m_trace->workFile;

  m_filtered = 0;
  if (filterMode && (*filterMode == 1 || *filterMode == 2) && m_trace->filtered) {
    m_pointBlock = m_trace->filtered;
    m_pointCount = m_trace->filteredCount;
    m_filtered = 1;
  } else {
    m_pointBlock = m_trace->points;
    m_pointCount = m_trace->pointCount;
  }
  if (!m_pointBlock) return 0;
  m_valuesAreDouble = m_pointBlock->isDouble;

  const uint16_t kind = m_plot->plotKind;
  const bool goOn = kind == DATA_TYPE_SEGMENT_PLOT || kind == DATA_TYPE_SCAN_FUN_PLOT || kind == DATA_TYPE_DETECTOR ||
                    m_plot->chanList.kind == 0 || m_plot->chanList.kind == 1 || WorkFileChannels(m_workFile) < 2;
  if (!goOn) {
    const char* caption = "";
    if (m_workFile) caption = m_workFile->displayName[0] ? m_workFile->displayName : m_workFile->filePath;
    MessageBoxA(GetActiveWindow(), kChannelTypeAllText, caption, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  return 1;
}

int CZoomAreaCount::OrderRange() {
  if (!m_pointBlock || m_pointCount == 0) return 0;
  // A box without width has no line to measure against.
  if (m_boxTime1 == m_boxTime2) return 0;
  m_lineStartTime = m_boxTime1 < m_boxTime2 ? m_boxTime1 : m_boxTime2;
  m_lineEndTime = m_boxTime1 < m_boxTime2 ? m_boxTime2 : m_boxTime1;
  if (m_directionWord1 == m_directionWord2) {
    m_lineStartValue = m_boxValue1;
    m_lineEndValue = m_boxValue2;
  } else {
    m_lineStartValue = m_boxValue2;
    m_lineEndValue = m_boxValue1;
  }
  if (m_boxValue1 == 0 || m_boxValue2 == 0) m_lineStartValue = m_lineEndValue = 0;
  m_slope = (m_lineEndValue - m_lineStartValue) / (m_lineEndTime - m_lineStartTime);

  const int32_t n = static_cast<int32_t>(m_pointCount);
  int32_t first = -1;
  for (int32_t i = 0; i < n; ++i)
    if (TimeAt(i) >= m_lineStartTime) {
      first = i;
      break;
    }
  if (first < 0) {
    m_firstIndex = m_lastIndex = 0;
    return 0;
  }
  if (TimeAt(first) != m_lineStartTime && first != 0) --first;
  int32_t last = n - 1;
  for (int32_t i = first; i < n; ++i)
    if (TimeAt(i) >= m_lineEndTime) {
      last = i;
      break;
    }
  m_firstIndex = first;
  m_lastIndex = last;
  return first != last ? 1 : 0;
}

double CZoomAreaCount::CrossingTime(bool rising, int32_t a, int32_t b) const {
  double lo = TimeAt(a), hi = TimeAt(b);
  double yLo = ValueAt(a), yHi = ValueAt(b);
  double m = lo;
  for (int k = 0; k < ZOOM_AREA_BISECTIONS; ++k) {
    const double half = (hi - lo) * 0.5;
    if (half < ZOOM_AREA_TIME_TOLERANCE) break;
    m = lo + half;
    const double y = Interpolate(lo, yLo, hi, yHi, m);
    const bool moveLow = rising ? y <= LineAt(m) : !(y < LineAt(m));
    if (moveLow) {
      lo = m;
      yLo = y;
    } else {
      hi = m;
      yHi = y;
    }
  }
  return m;
}

int CZoomAreaCount::FindStretchesAboveLine() {
  if (!m_pointBlock) return 0;
  if (!m_stretches) {
    m_stretches =
        static_cast<STRUCT_ZOOM_STRETCH*>(AllocBlock(sizeof(STRUCT_ZOOM_STRETCH) * ZOOM_AREA_MAX_STRETCHES));
    if (!m_stretches) return 0;
  }
  m_stretchCount = 0;
  const int32_t lastPoint = static_cast<int32_t>(m_pointCount) - 1;
  if (m_firstIndex < 0 || m_lastIndex > lastPoint || m_firstIndex > m_lastIndex) return 0;

  STRUCT_ZOOM_STRETCH* s = nullptr;  // the open stretch
  auto open = [&](int32_t i) {
    s = &m_stretches[m_stretchCount];
    std::memset(s, 0, sizeof(*s));
    s->firstIndex = i;
    s->firstTime = TimeAt(i);
    s->firstValue = ValueAt(i);
    s->stretchStartTime = s->firstTime;
    s->stretchStartLineValue = LineAt(s->firstTime);
  };
  auto close = [&](int32_t i) {
    s->lastIndex = i;
    s->lastTime = TimeAt(i);
    s->lastValue = ValueAt(i);
    if (!s->endCrossing) {
      s->stretchEndTime = s->lastTime;
      s->stretchEndLineValue = LineAt(s->lastTime);
    }
    s->lineStartTime = m_lineStartTime;
    s->lineStartValue = m_lineStartValue;
    s->lineEndTime = m_lineEndTime;
    s->lineEndValue = m_lineEndValue;
    ++m_stretchCount;
    s = nullptr;
  };

  bool prevAbove = false;
  for (int32_t i = m_firstIndex; i <= m_lastIndex && m_stretchCount < ZOOM_AREA_MAX_STRETCHES; ++i) {
    const double t = TimeAt(i);
    const bool above = Above(i);
    if (i == m_firstIndex) {
      if (above) {
        if (i == lastPoint) {
          open(i);
        } else if (Above(i + 1)) {
          if (t < m_lineStartTime) {
            open(i + 1);
            const double t1 = TimeAt(i + 1);
            s->startCrossing = 1;
            s->startCrossingTime = m_lineStartTime;
            s->startCrossingValue = Interpolate(t, ValueAt(i), t1, ValueAt(i + 1), m_lineStartTime);
            s->stretchStartTime = m_lineStartTime;
            s->stretchStartLineValue = Interpolate(t, LineAt(t), t1, LineAt(t1), m_lineStartTime);
          } else {
            open(i);
          }
        }
      }
      prevAbove = above;
      // A box spanning a single trace point closes what it opened there.
      if (s && i == m_lastIndex) close(i);
      continue;
    }
    if (i == m_lastIndex && above && prevAbove && s) {
      // The trace ending inside the box ends the stretch at its last point.
      if (t <= m_lineEndTime) {
        close(i);
      } else {
        const int32_t p = i - 1;
        const double tp = TimeAt(p);
        s->endCrossing = 1;
        s->endCrossingTime = m_lineEndTime;
        s->endCrossingValue = Interpolate(tp, ValueAt(p), t, ValueAt(i), m_lineEndTime);
        s->stretchEndTime = m_lineEndTime;
        s->stretchEndLineValue = Interpolate(tp, LineAt(tp), t, LineAt(t), m_lineEndTime);
        close(p);
      }
      prevAbove = above;
      continue;
    }
    if (above != prevAbove) {
      const bool exact = ValueAt(i) == LineAt(t);
      const double crossing = exact ? t : CrossingTime(above, i - 1, i);
      if (above) {
        open(i);
        if (!exact) {
          s->startCrossing = 1;
          s->startCrossingTime = crossing;
          s->startCrossingValue = LineAt(crossing);
          s->stretchStartTime = crossing;
          s->stretchStartLineValue = LineAt(crossing);
        }
      } else if (s) {
        if (exact) {
          close(i);
        } else if (i == m_lastIndex && crossing > m_lineEndTime) {
          // Still above the line where the box ends.
          const int32_t p = i - 1;
          const double tp = TimeAt(p);
          s->endCrossing = 1;
          s->endCrossingTime = m_lineEndTime;
          s->endCrossingValue = Interpolate(tp, ValueAt(p), t, ValueAt(i), m_lineEndTime);
          s->stretchEndTime = m_lineEndTime;
          s->stretchEndLineValue = Interpolate(tp, LineAt(tp), t, LineAt(t), m_lineEndTime);
          close(p);
        } else {
          s->endCrossing = 1;
          s->endCrossingTime = crossing;
          s->endCrossingValue = LineAt(crossing);
          s->stretchEndTime = crossing;
          s->stretchEndLineValue = LineAt(crossing);
          close(i - 1);
        }
      }
    }
    prevAbove = above;
  }
  return m_stretchCount > 0 ? 1 : 0;
}

int CZoomAreaCount::SumAreas() {
  if (!m_stretches || !m_pointBlock) return 0;
  for (int16_t k = 0; k < m_stretchCount; ++k) {
    STRUCT_ZOOM_STRETCH* s = &m_stretches[k];
    s->area = s->areaAboveLine = s->apexTime = s->apexValue = 0;
    // The line under a crossing piece starts (or ends) at the stretch's own
    // end: on the line at a crossing, under the trace at a box edge.
    if (s->startCrossing)
      AddPiece(s->startCrossingTime, s->startCrossingValue, s->stretchStartLineValue, s->firstTime, s->firstValue,
               LineAt(s->firstTime), s);
    for (int32_t i = s->firstIndex; i < s->lastIndex; ++i) {
      const double t0 = TimeAt(i), t1 = TimeAt(i + 1);
      AddPiece(t0, ValueAt(i), LineAt(t0), t1, ValueAt(i + 1), LineAt(t1), s);
    }
    if (s->endCrossing)
      AddPiece(s->lastTime, s->lastValue, LineAt(s->lastTime), s->endCrossingTime, s->endCrossingValue,
               s->stretchEndLineValue, s);
    s->area *= 60.0;
    s->areaAboveLine *= 60.0;
    for (int32_t i = s->firstIndex; i <= s->lastIndex; ++i) {
      const double v = ValueAt(i);
      if (v > s->apexValue) {
        s->apexValue = v;
        s->apexTime = TimeAt(i);
      }
    }
  }
  return 1;
}

int CZoomAreaCount::AddApexAreaLabel(int16_t showText) {
  if (!m_labelManager) return 1;
  if (!m_stretches || !m_pointBlock || !m_prefs) return 0;
  const bool doubles = m_valuesAreDouble == 1;
  int added = 0;
  for (int16_t k = 0; k < m_stretchCount; ++k) {
    const STRUCT_ZOOM_STRETCH* s = &m_stretches[k];
    const double shown = s->areaAboveLine > 0 ? s->areaAboveLine : s->area;
    std::string areaText;
    if (!IsMSKind(m_workFile)) {
      areaText = win::crt::FormatString(shown < 100000 ? "%.4f" : "%.3e", shown);
    } else {
      char buffer[64] = {0};
      areaText = KELT_FormatAreaOrHeight(0, shown, buffer);
    }
    std::string text = win::crt::FormatString("Apex: %.3f min.\n\rArea: %s", s->apexTime, areaText.c_str());

    const uint32_t n = static_cast<uint32_t>(s->lastIndex - s->firstIndex + 1);
    auto* label = new (std::nothrow) CLabelInfo();
    auto* record = static_cast<STRUCT_ZOOM_AREA*>(AllocBlock(sizeof(STRUCT_ZOOM_AREA)));
    auto* points = static_cast<STRUCT_NE_POINT*>(AllocBlock(NE_POINT_SIZE * (n + kLabelPointRoom)));
    if (!label || !record || !points) {
      delete label;
      if (record) FreeBlock(record);
      if (points) FreeBlock(points);
      continue;
    }

    // The outline: down to zero when the line does not stay above it,
    // else along the line under the stretch.
    uint32_t count = 0;
    const STRUCT_NE_POINT* first = NePointAt(m_pointBlock, static_cast<uint32_t>(s->firstIndex));
    const STRUCT_NE_POINT* last = NePointAt(m_pointBlock, static_cast<uint32_t>(s->lastIndex));
    auto copyTrace = [&]() {
      std::memcpy(&points[count], first, size_t{NE_POINT_SIZE} * n);
      count += n;
    };
    if (!(s->lineStartValue > 0) || !(s->lineEndValue > 0)) {
      points[count] = *first;
      points[count].value.i = 0;  // zero in either form
      ++count;
      copyTrace();
      points[count] = *last;
      points[count].value.i = 0;
      ++count;
    } else {
      PutPoint(&points[count++], s->stretchStartTime, s->stretchStartLineValue, doubles);
      if (s->startCrossing) PutPoint(&points[count++], s->startCrossingTime, s->startCrossingValue, doubles);
      copyTrace();
      if (s->endCrossing) PutPoint(&points[count++], s->endCrossingTime, s->endCrossingValue, doubles);
      PutPoint(&points[count++], s->stretchEndTime, s->stretchEndLineValue, doubles);
    }
    points[count] = points[0];  // closes the outline; not counted

    STRUCT_MARKER_PARAMS params = m_prefs->drawing.signalNoiseMarker;
    params.font = m_prefs->label.font;
    // Placed, and pointing, in data units.
    params.positionMode = 1;
    params.pointerMode = 1;
    label->SetTextLabel(showText ? text.data() : nullptr, &params, 0);

    record->pointCount = count;
    record->points = points;
    record->valuesAreDouble = m_valuesAreDouble;
    record->plotColor = m_prefs->colors.colors[2 + m_plotIndex];
    record->apexTime = s->apexTime;
    record->apexValue = s->apexValue;
    record->area = shown;
    record->filtered = m_filtered;
    record->stretchStartTime = s->stretchStartTime;
    record->stretchEndTime = s->stretchEndTime;

    label->SetTextLabelPosition(LABEL_TYPE_AREA, s->apexTime, s->apexValue, s->apexTime, s->apexValue);
    label->m_mark = record;
    if (m_labelManager->AddLabel(label, LABEL_AREA_GROUP_PLOT, m_plotIndex, 0) == -1) {
      kelt::labels::FreeLabelMark(label);
      delete label;
      continue;
    }
    ++added;
  }
  return added > 0 ? 1 : 0;
}
