#pragma once
// Area and apex of a zoomed chromatogram range: the stretches of a plot's
// trace above the straight line between the zoom box corners, their
// trapezoid areas (value x seconds) and one apex/area label per stretch.
// The plot control makes one on its stack and calls the steps in order;
// each returns 1 to go on and 0 to stop.
#include <cstddef>
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "common/work_file.h"
#include "plotengine/overlay.h"

class CLabelManager;

#define ZOOM_AREA_MAX_STRETCHES 40
// Bisections of a crossing, and the half interval that ends them (minutes).
#define ZOOM_AREA_BISECTIONS 5
#define ZOOM_AREA_TIME_TOLERANCE 0.00001

// One stretch above the line; kept in memory only.
struct STRUCT_ZOOM_STRETCH {
  int32_t firstIndex;
  double firstTime, firstValue;
  int32_t lastIndex;
  double lastTime, lastValue;
  int16_t startCrossing;
  double startCrossingTime, startCrossingValue;
  int16_t endCrossing;
  double endCrossingTime, endCrossingValue;
  double lineStartTime, lineStartValue, lineEndTime, lineEndValue;
  double stretchStartTime, stretchStartLineValue, stretchEndTime, stretchEndLineValue;
  double area, areaAboveLine, apexTime, apexValue;
};

// The mark record an apex/area label owns. It holds a pointer, so it lives
// in memory only; its head is the label's filled-trace record.
struct STRUCT_ZOOM_AREA {
  uint32_t pointCount;
  STRUCT_NE_POINT* points;   // pointCount + 1 points, the last closing the outline
  uint32_t valuesAreDouble;
  COLORREF plotColor;
  double apexTime, apexValue, area;
  int16_t filtered;
  double stretchStartTime, stretchEndTime;
};

class KELT_CLASS CZoomAreaCount {
 public:
  CZoomAreaCount() = default;
  ~CZoomAreaCount();
  CZoomAreaCount(const CZoomAreaCount&) = delete;
  CZoomAreaCount& operator=(const CZoomAreaCount&) = delete;

  int Init(SVW_OVERLAY* overlay, CLabelManager* labels, double boxTime1, double boxTime2, double boxValue1,
           double boxValue2, int16_t plotIndex, uint16_t directionWord1, uint16_t directionWord2,
           int16_t* filterMode, STRUCT_CHRO_PREFS* prefs);
  int OrderRange();
  int FindStretchesAboveLine();
  int SumAreas();
  int AddApexAreaLabel(int16_t showText);
  // Time between points a and b where the trace crosses the line.
  double CrossingTime(bool rising, int32_t a, int32_t b) const;

  // Read access for the plot control and tests.
  int16_t StretchCount() const { return m_stretchCount; }
  const STRUCT_ZOOM_STRETCH* Stretch(int16_t i) const {
    return m_stretches && i >= 0 && i < m_stretchCount ? &m_stretches[i] : nullptr;
  }
  int32_t FirstIndex() const { return m_firstIndex; }
  int32_t LastIndex() const { return m_lastIndex; }
  double LineStartTime() const { return m_lineStartTime; }
  double LineEndTime() const { return m_lineEndTime; }
  double LineStartValue() const { return m_lineStartValue; }
  double LineEndValue() const { return m_lineEndValue; }
  int16_t Filtered() const { return m_filtered; }

 private:
  double LineAt(double t) const { return (t - m_lineStartTime) * m_slope + m_lineStartValue; }
  double TimeAt(int32_t i) const;
  double ValueAt(int32_t i) const;
  bool Above(int32_t i) const { return ValueAt(i) >= LineAt(TimeAt(i)); }

  SVW_OVERLAY* m_overlay = nullptr;
  CLabelManager* m_labelManager = nullptr;
  double m_boxTime1 = 0, m_boxTime2 = 0;
  double m_boxValue1 = 0, m_boxValue2 = 0;
  int16_t m_plotIndex = 0;
  uint16_t m_directionWord1 = 0, m_directionWord2 = 0;
  int16_t* m_filterMode = nullptr;
  STRUCT_CHRO_PREFS* m_prefs = nullptr;
  STRUCT_ZOOM_STRETCH* m_stretches = nullptr;
  int16_t m_stretchCount = 0;
  OVERLAY_SLOT* m_plot = nullptr;
  STRUCT_NE_DATA_POINTS* m_trace = nullptr;
  STRUCT_WORK_FILE* m_workFile = nullptr;
  STRUCT_NE_POINT_BLOCK* m_pointBlock = nullptr;
  uint32_t m_pointCount = 0;
  uint32_t m_valuesAreDouble = 0;
  int16_t m_filtered = 0;
  int32_t m_firstIndex = 0, m_lastIndex = 0;
  double m_lineStartTime = 0, m_lineEndTime = 0;
  double m_lineStartValue = 0, m_lineEndValue = 0;
  double m_slope = 0;
};
