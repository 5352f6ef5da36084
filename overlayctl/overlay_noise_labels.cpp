// Noise, signal-to-noise and area of the overlay plot control: which noise
// function measures, on which data, and the labels that show the result.
#include "overlayctl/overlay_noise_labels.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/mass_lists.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "dialogs/noise_calc_dialog.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/pp_noise.h"
#include "spectra/rms_noise.h"
#include "spectra/zoom_area.h"

namespace {

bool IsPeakToPeak(short method) { return method == 2 || method == 4; }

// The points a measurement reads: the filtered block when it is used.
const STRUCT_NE_POINT_BLOCK* MeasuredBlock(const STRUCT_NE_DATA_POINTS* dp, bool filtered, uint32_t* count) {
  if (filtered && dp->filtered) {
    *count = dp->filteredCount;
    return dp->filtered;
  }
  *count = dp->pointCount;
  return dp->points;
}

// The point nearest a time: the first not before it, or the one before
// that when it lies strictly closer; the last point when none reaches it.
uint32_t NearestPoint(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double time) {
  for (uint32_t i = 0; i < count; ++i) {
    const double t = NePointAt(block, i)->time;
    if (t < time) continue;
    if (t != time && i > 0 && time - NePointAt(block, i - 1)->time < t - time) return i - 1;
    return i;
  }
  return count - 1;
}

STRUCT_NOISE_REGION RegionFromBox(double first, double last, double low, double high, double midTime,
                                  double midValue) {
  return {first, last, low, high, midTime, midValue};
}

// Counts are shown whole below a million; a ratio there is rounded too.
double RoundCount(double v) { return std::floor(v + 0.5); }
std::string CountText(const char* head, double v) {
  char text[96];
  std::snprintf(text, sizeof text, v < 1000000.0 ? "%s%.0f" : "%s%.3g", head, v);
  return text;
}

const char* Title(short method, int16_t fit) {
  if (IsPeakToPeak(method)) return "S/N (PP): ";
  return fit ? "S/N (RMS Drift Corrected): " : "S/N (RMS): ";
}

}  // namespace

// The label text of a measurement; realValues: the trace holds real
// numbers (or detector data), so values keep their units.
static std::string NoiseLabelText(const STRUCT_NOISE_RESULT& r, short method, int16_t fit, bool realValues,
                                  const char* units) {
  const double b = r.baselinePresent ? r.baseline : 0.0;
  double s = r.signalValue - b;
  double n = r.noise;
  char text[320];
  if (realValues) {
    if (s < 0) s = 0;
    if (n < FLT_MIN) n = FLT_MIN;
    const double ratio = n > FLT_MIN && s > 0 ? s / n : s;
    std::snprintf(text, sizeof text, "%s%.3g %s\r\nS: %.3g %s\r\nN: %.3g %s", Title(method, fit), ratio, units, s,
                  units, n, units);
    return text;
  }
  if (s < 1000000.0) {
    s = RoundCount(s);
    if (s < 0) s = 0;
  }
  if (n < 1000000.0) {
    n = RoundCount(n);
    if (n < 1) n = 1;
  }
  double ratio = s;
  if (n > 1 && s > 0) {
    ratio = s / n;
    if (n < 1000000.0 && ratio < 1000000.0) ratio = RoundCount(ratio);
  }
  std::string title = Title(method, fit);
  title.pop_back();  // the count form puts no blank before its number
  return CountText((title + " ").c_str(), ratio) + CountText("\r\nS: ", s) + CountText("\r\nN: ", n);
}

bool CCtlOPlot::OnNoiseCommand(UINT id) {
  auto slotOf = [&](UINT base) { return static_cast<short>(id - base); };
  short slot = -1, method = -1;
  const bool rms = m_prefs.noise.flag0 != 0;
  if (id >= OPLOT_CMD_SIGNAL_TO_NOISE0 && id < OPLOT_CMD_SIGNAL_TO_NOISE0 + OPLOT_SLOTS) {
    slot = slotOf(OPLOT_CMD_SIGNAL_TO_NOISE0);
    method = rms ? 3 : 4;
  } else if (id >= OPLOT_CMD_OLD_SIGNAL_TO_NOISE0 && id < OPLOT_CMD_OLD_SIGNAL_TO_NOISE0 + OPLOT_SLOTS) {
    slot = slotOf(OPLOT_CMD_OLD_SIGNAL_TO_NOISE0);
    method = 0;
  } else if (id >= OPLOT_CMD_PP_SIGNAL_TO_NOISE0 && id < OPLOT_CMD_PP_SIGNAL_TO_NOISE0 + OPLOT_SLOTS) {
    slot = slotOf(OPLOT_CMD_PP_SIGNAL_TO_NOISE0);
    method = rms ? 1 : 2;
  } else if (id == OPLOT_CMD_RMS_FIT_TO_LINE) {
    m_bRMSFitToLine = m_bRMSFitToLine ? 0 : 1;
    return true;
  } else {
    return false;
  }
  if (!m_pOverlay || !m_bSizesValid) return true;
  CalRMSNoise(slot, method);
  return true;
}

void CCtlOPlot::CalRMSNoise(short slot, short method) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || method < 0 || method > 4) return;
  if (slot == OPLOT_SLOTS) slot = GetActivePlotIndex();
  if (!OverlaySlotIndex(slot)) return;
  OVERLAY_SLOT& s = o->slots[slot];
  STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!dp || !dp->points || dp->pointCount == 0 || !s.workFile) return;
  const bool filtered = (m_filtering[0] == 1 || m_filtering[0] == 2) && dp->filtered && dp->filteredCount > 0;

  double time = m_rightClickTime;
  if (o->tail.timeOffsetsOn) time -= o->tail.timeOffsets[slot];
  short selection = 0;
  GetSingleClickStatus(nullptr, &selection, nullptr, nullptr, nullptr);
  if (selection == 1) {
    double apex = time;
    if (OPLOT_FindClosestApex(o, slot, filtered ? 1 : 0, time, &apex)) time = apex;
  }
  uint32_t count = 0;
  const STRUCT_NE_POINT_BLOCK* block = MeasuredBlock(dp, filtered, &count);
  const uint32_t at = NearestPoint(block, count, time);
  const double signalTime = NePointAt(block, at)->time;
  const double signalValue = NePointValue(block, at);

  STRUCT_CHRO_PREFS prefs = m_prefs;
  prefs.plotData.filterKind = m_filtering[0];
  prefs.plotData.flag2 = m_filtering[1];
  prefs.plotData.value4 = m_filtering[2];

  // The data measured: the slot's own, or for a scan-function plot the
  // channels of the segment that holds the signal.
  STRUCT_WORK_FILE* wf = s.workFile;
  uint16_t dataType = s.plotKind;
  STRUCT_MASS_LIST massList = s.massList;
  STRUCT_CHAN_LIST chanList = s.chanList;
  // The alternate MS file, when it serves the slot, is measured with the
  // record's own data type and lists.
  struct Alternate {
    STRUCT_WORK_FILE* wf = nullptr;
    ~Alternate() {
      if (wf) FreeWorkFileStruct(wf);
    }
  } alternate;
  if (m_SpecialSNFile.path[0] && m_SpecialSNFile.slot == slot) {
    alternate.wf = MakeSpecialSNWorkFile(slot);
    if (!alternate.wf) return;
    wf = alternate.wf;
    dataType = static_cast<uint16_t>(m_SpecialSNFile.dataType);
    massList = m_SpecialSNFile.massList;
    chanList = m_SpecialSNFile.chanList;
  } else if (s.plotKind == DATA_TYPE_SCAN_FUN_PLOT && s.scanFunArray) {
    if (!s.scanFunInfo) {
      int16_t n = 0;
      s.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &n, 0);
      s.scanFunInfoCount = static_cast<uint16_t>(n);
      if (!s.scanFunInfo) return;
    }
    int segment = -1;
    for (int k = 0; wf->segmentBlocks && k < static_cast<int>(wf->msInfo.segmentCount); ++k) {
      const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[k];
      if (b.startTime <= signalTime && signalTime <= b.endTime) {
        segment = k;
        break;
      }
    }
    if (segment < 0 || !SCAN_FUN_GetChanListForSegment(s.scanFunArray, static_cast<int16_t>(segment), s.scanFunInfo,
                                                       static_cast<int16_t>(s.scanFunInfoCount), &chanList))
      return;
    dataType = static_cast<uint16_t>(KELT_GetDataTypeFromMassType(massList.kind));
  }
  if (!s.scanFunInfo && wf == s.workFile) {
    int16_t n = 0;
    s.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &n, 0);
    s.scanFunInfoCount = static_cast<uint16_t>(n);
  }

  STRUCT_NOISE_RESULT r{};
  const uint16_t channel = dp->detectorChannel;
  const uint16_t filter = filtered ? 1 : 0;
  BOOL ok = 0;
  if (method == 0 || method == 1 || method == 3) {
    STRUCT_RMS_NOISE rms{};
    if (method == 0)
      ok = KELT_OldWay_CalRMSNoiseForDisplay(wf, signalTime, dataType, &massList, &chanList, channel, m_bRMSFitToLine,
                                             0, filter, &prefs, &rms);
    else if (method == 1)
      ok = KELT_CalRMSNoiseForDisplay(wf, signalTime, dataType, &massList, &chanList, channel, m_bRMSFitToLine, 0,
                                      filter, &prefs, &rms);
    else
      ok = KELT_NewCalRMSNoiseForDisplay(wf, dp, signalTime, dataType, &massList, &chanList, channel,
                                         s.scanFunArray, m_bRMSFitToLine, 0, filter, &prefs,
                                         wf == s.workFile ? s.scanFunInfo : nullptr,
                                         wf == s.workFile ? s.scanFunInfoCount : 0, &rms);
    if (ok) {
      r.signalTime = signalTime;
      r.signalValue = signalValue;
      r.signalPresent = 1;
      r.noise = rms.noise;
      r.baselinePresent = rms.baselineFound ? 1 : 0;
      r.baseline = rms.baseline;
      r.region1Present = rms.leftBoxFound;
      r.region1 = RegionFromBox(rms.leftBoxFirstTime, rms.leftBoxLastTime, rms.leftBoxMinimum, rms.leftBoxMaximum,
                                rms.leftBoxMiddleTime, rms.leftBoxMiddleValue);
      r.region2Present = rms.rightBoxFound;
      r.region2 = RegionFromBox(rms.rightBoxFirstTime, rms.rightBoxLastTime, rms.rightBoxMinimum,
                                rms.rightBoxMaximum, rms.rightBoxMiddleTime, rms.rightBoxMiddleValue);
    }
  } else {
    double times[5] = {}, values[5] = {}, noise = 0;
    if (method == 2) {
      double signal = 0, tail = 0;
      uint32_t centre = 0;
      ok = KELT_GetSignalAndNoiseAndTail(wf, dp, static_cast<int16_t>(dataType), &chanList, &massList,
                                         s.scanFunArray, filter, &prefs, signalTime, &signal, &noise, &tail, &centre,
                                         times, values);
    } else {
      STRUCT_PP_NOISE pp{};
      ok = KELT_CalPPNoiseForDisplay(wf, dp, signalTime, dataType, &chanList, &massList, s.scanFunArray, filter,
                                     &prefs, wf == s.workFile ? s.scanFunInfo : nullptr,
                                     wf == s.workFile ? s.scanFunInfoCount : 0, &pp);
      if (ok) {
        noise = pp.noise;
        std::memcpy(times, pp.stretchTimes, sizeof times);
        std::memcpy(values, pp.stretchValues, sizeof values);
      }
    }
    if (ok) {
      r.signalTime = signalTime;
      r.signalValue = signalValue;
      r.signalPresent = 1;
      r.noise = noise;
      double low = values[0], high = values[0];
      for (double v : values) low = std::fmin(low, v), high = std::fmax(high, v);
      r.region1Present = 1;
      r.region1 = RegionFromBox(times[0], times[4], low, high, times[0] + (times[4] - times[0]) / 2,
                                low + (high - low) / 2);
      r.baselinePresent = 1;
      r.baseline = r.region1.middleValue;
    }
  }
  if (!ok) {
    char text[120];
    std::snprintf(text, sizeof text,
                  IsPeakToPeak(method) ? "Too few points at %.3f minutes to determine a Peak to Peak noise region."
                                       : "Too few points at %.3f minutes to determine a RMS noise region.",
                  signalTime);
    MessageBox(text, s.workFile->displayName, MB_OK | MB_ICONINFORMATION);
    return;
  }

  const bool realValues = dp->points->isDouble == 1 || !IsMSKind(s.workFile);
  const std::string text = NoiseLabelText(r, method, m_bRMSFitToLine, realValues, s.units);
  STRUCT_MARKER_PARAMS params = prefs.noise.signalNoiseMarker;
  // Placed by the data, with a pointer to the signal and the noise box drawn.
  params.positionMode = 1;
  params.pointerMode = 1;
  params.peakBoxStyle = 1;
  const double baseline = r.baselinePresent ? r.baseline : 0.0;
  // Without a noise region the single label's box sits on the signal's
  // baseline, not on values never measured.
  const STRUCT_NOISE_REGION none = {r.signalTime, r.signalTime, baseline, baseline, r.signalTime, baseline};
  const STRUCT_NOISE_REGION* regions[2] = {r.region1Present ? &r.region1 : nullptr,
                                           r.region2Present ? &r.region2 : nullptr};
  if (!regions[0] && !regions[1]) regions[0] = &none;
  bool added = false;
  for (const STRUCT_NOISE_REGION* region : regions) {
    if (!region) continue;
    auto* mark = static_cast<STRUCT_NOISE_LABEL_DATA*>(AllocBlock(sizeof(STRUCT_NOISE_LABEL_DATA)));
    if (!mark) break;
    mark->region = *region;
    mark->signalTime = r.signalTime;
    mark->signalValue = r.signalValue;
    mark->baseline = baseline;
    mark->filtered = filtered ? 1 : 0;
    auto* label = new (std::nothrow) CLabelInfo();
    if (!label) {
      FreeBlock(mark);
      break;
    }
    std::string copy = text;
    label->SetTextLabel(copy.data(), &params, 1);
    label->SetTextLabelPosition(LABEL_TYPE_VALUE, r.signalTime, r.signalValue, region->middleTime,
                                region->middleValue);
    if (!m_pLabels || m_pLabels->AddLabel(label, OPLOT_LABEL_KIND_NOISE, slot, 0) == -1) {
      FreeBlock(mark);
      delete label;
      continue;
    }
    label->m_mark = mark;
    added = true;
  }
  if (added) RepaintUnlessSuspended();
}

void CCtlOPlot::GetSignalToNoiseFromZoom() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(m_lineSlot)) return;
  // The dialog measures with the filtering the toolbar shows now.
  STRUCT_CHRO_PREFS prefs = m_prefs;
  prefs.plotData.filterKind = m_filtering[0];
  CNoiseCalcDlg dlg(&o->slots[m_lineSlot], &prefs, m_lineStart, m_lineEnd, m_lineSlot, this);
  char title[OPLOT_IDENTITY_TITLE_SIZE] = {};
  OPLOT_MakeSlotPlotTitle(o, m_lineSlot, title);
  dlg.m_description = title;
  dlg.DoModal();
  RepaintUnlessSuspended();
}

void CCtlOPlot::GetAreaCountFromZoom() {
  if (!m_pOverlay) return;
  CZoomAreaCount area;
  if (area.Init(m_pOverlay, m_pLabels, m_lineStart, m_lineEnd, m_lineStartValue, m_lineEndValue, m_lineSlot,
                static_cast<uint16_t>(m_pressAtLeft), static_cast<uint16_t>(m_pressAtBottom), m_filtering, &m_prefs) &&
      area.OrderRange() && area.FindStretchesAboveLine() && area.SumAreas())
    area.AddApexAreaLabel(1);
  RepaintUnlessSuspended();
}
