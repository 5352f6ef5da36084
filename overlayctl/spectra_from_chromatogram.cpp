// Spectra from the chromatogram: the averaged, background-corrected
// spectrum at a clicked time, over a dragged range or one step on from the
// active spectrum, handed to the data review manager with its marker.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/data_points.h"
#include "common/scan_fun_info.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/segment_checks.h"
#include "spectra/spectrum_managers.h"
#include "spectra/tol_spectra.h"

namespace {

bool HoldsScans(const STRUCT_WORK_FILE* wf) { return wf && (wf->directHeader || wf->centroid || wf->profile); }

// The 4 bytes after the averaged marker hold the spectrum's centre scan (-1: none).
void SetCentreScan(STRUCT_TOL_SPT* tol, int32_t centre) {
  static_assert(sizeof tol->overlayBytes == sizeof centre);
  std::memcpy(tol->overlayBytes, &centre, sizeof centre);
}

// Scan-function information of a scan-function plot, fetched once and kept in the slot.
const STRUCT_SCAN_FUN_INFO* SlotScanFunInfo(OVERLAY_SLOT& slot) {
  if (!slot.scanFunArray) return nullptr;
  if (!slot.scanFunInfo && slot.workFile) {
    int16_t count = 0;
    slot.scanFunInfo = PD_GetScanFunInfoForDataFile(slot.workFile, &count, 0);
    slot.scanFunInfoCount = slot.scanFunInfo ? static_cast<uint16_t>(count) : 0;
  }
  return slot.scanFunInfo;
}

uint16_t PointsToAverage(int16_t points) { return points >= 1 ? static_cast<uint16_t>(points) : 1; }

const MS_SEGMENT_BLOCK* Segment(const STRUCT_WORK_FILE* wf, int i) {
  return wf && wf->segmentBlocks && i >= 0 && i < wf->msInfo.segmentCount ? &wf->segmentBlocks[i] : nullptr;
}

double ContinuityValue(const MS_SEGMENT_BLOCK& b) { return b.functions[0].massWidth; }

// A work file made for one operation, freed when it ends.
struct ScopedWorkFile {
  STRUCT_WORK_FILE* wf = nullptr;
  ScopedWorkFile() = default;
  explicit ScopedWorkFile(STRUCT_WORK_FILE* made) : wf(made) {}
  ScopedWorkFile(const ScopedWorkFile&) = delete;
  ScopedWorkFile& operator=(const ScopedWorkFile&) = delete;
  ~ScopedWorkFile() {
    if (wf) FreeWorkFileStruct(wf);
  }
};

}  // namespace

void CCtlOPlot::CheckProfileDensities(const STRUCT_WORK_FILE* wf, double start, double end) {
  if (!wf || !wf->profile) return;
  const bool atTime = start == end;
  bool haveReference = false;
  double reference = 0;
  for (int i = 0; i < wf->msInfo.segmentCount; ++i) {
    const MS_SEGMENT_BLOCK* b = Segment(wf, i);
    if (!b) break;
    const bool touched = atTime ? (b->startTime <= start && start < b->endTime)
                                : (b->endTime >= start && b->startTime <= end);
    if (!touched) continue;
    const int functions = std::min<int>(b->functionCount, MS_MAX_FUNCTIONS);
    for (int f = 0; f < functions; ++f) {
      const double density = b->functions[f].massWidth;
      if (!haveReference) {
        reference = density;
        haveReference = true;
        continue;
      }
      if (density != reference) {
        ::MessageBoxA(m_hWnd,
                      "Quibell cannot display combined Profile scans when\nthe individual scans have different data "
                      "point densities.\n\nSelect spectra from single channel chromatograms.",
                      wf->displayName, MB_OK);
        return;
      }
    }
    // At a time only the one segment counts.
    if (atTime) return;
  }
}

bool CCtlOPlot::HandOverSpectrum(STRUCT_SPT_PLUS* spt, short slot, short control, short spectrum, uint32_t first,
                                 uint32_t last, int32_t recordCentre, int32_t markerCentre, short rangeFlag,
                                 bool secondName) {
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);
  OVERLAY_SLOT& s = m_pOverlay->slots[slot];
  STRUCT_TOL_SPT* tol = spt->tolSpt;
  if (tol) {
    std::snprintf(tol->dataFilePath, sizeof tol->dataFilePath, "%s", s.workFile->filePath);
    if (secondName && s.displayFileName[0])
      std::snprintf(tol->displayName, sizeof tol->displayName, "%s", s.displayFileName);
    SetCentreScan(tol, recordCentre);
    m_currentTime = tol->header.time;
  }
  m_currentSlot = slot;
  m_currentSerial = s.workFile->serialNumber;
  // Where segment mode starts when it is switched on next.
  m_lastSptTime = m_currentTime;
  m_lastSptPlot = slot;
  m_lastSptSerial = m_currentSerial;
  STRUCT_SPT_MARKER marker{};
  marker.present = 1;
  marker.centreScan = markerCentre;
  marker.chroPlotIndex = slot;
  marker.firstScan = first;
  marker.lastScan = last;
  marker.plotFlag = static_cast<uint16_t>(rangeFlag);
  // The manager takes the record; the marker keeps a copy of its own.
  STRUCT_TOL_SPT* copy = tol ? TOL_CopySpectrum(tol) : nullptr;
  drm->NewSpectrum(spt, control, spectrum, &marker);
  // A manager without that place leaves the record with us; one holding it
  // elsewhere keeps a copy.
  const STRUCT_SPT_PLUS* held = drm->GetSpectrum(control, spectrum);
  if (held != spt) PlusSpt_Free(spt);
  if (!held) {
    if (copy) TOL_Free(copy);
    return false;
  }
  STRUCT_SPT_MARKER_INFO info{control, spectrum, slot, copy};
  if (copy) {
    SendMessage(OPM_SETMARKERINFO, 0, reinterpret_cast<LPARAM>(&info));
    TOL_Free(copy);
  }
  m_newSptSet = 1;
  m_newSptSlot = slot;
  m_newSptControl = control;
  m_newSptSpectrum = spectrum;
  PostNotification(8, OPLOT_ROUTE_PARENT);
  return true;
}

STRUCT_WORK_FILE* CCtlOPlot::MakeSpecialSNWorkFile(short slot) const {
  if (!m_SpecialSNFile.path[0] || m_SpecialSNFile.slot != slot) return nullptr;
  // The host's record may come without a terminating zero.
  char path[sizeof m_SpecialSNFile.path + 1] = {};
  std::memcpy(path, m_SpecialSNFile.path, sizeof m_SpecialSNFile.path);
  return MakeWorkFileStruct(path, 0);
}

LRESULT CCtlOPlot::OnSpecialSignalToNoiseFile(WPARAM, LPARAM lParam) {
  if (const auto* record = reinterpret_cast<const STRUCT_SPECIAL_SN_FILE*>(lParam))
    std::memcpy(&m_SpecialSNFile, record, sizeof m_SpecialSNFile);
  else
    m_SpecialSNFile = STRUCT_SPECIAL_SN_FILE{};
  return 0;
}

int CCtlOPlot::GetSpectrumFromTime(double time, short slot, short control, short spectrum) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_pDataReview || !o) return 0;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) slot = GetActivePlotIndex();
  if (!OverlaySlotIndex(slot) || !o->slots[slot].workFile) return 0;
  OVERLAY_SLOT& s = o->slots[slot];
  STRUCT_WORK_FILE* wf = s.workFile;
  const uint16_t count = PointsToAverage(m_pointsToAverage);
  STRUCT_SPT_PLUS* spt = nullptr;
  if (!HoldsScans(wf)) {
    // A plot without scans (a detector's) takes its spectra from the
    // alternate MS file, with the record's channels and no scan functions.
    ScopedWorkFile alternate{MakeSpecialSNWorkFile(slot)};
    if (!alternate.wf) return 0;
    const double at = TOL_GetSegmentTime(alternate.wf, time);
    const STRUCT_CHAN_LIST* channels = &m_SpecialSNFile.chanList;
    spt = m_twoTimeBC
              ? TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCs(alternate.wf, channels, at, count, m_bcTime1, m_bcTime2)
              : TOL_MakeBCAndAvgPlusSptFromTimeEx(alternate.wf, channels, nullptr, at, count, nullptr, 0);
    if (!spt || !spt->tolSpt) {
      if (spt) PlusSpt_Free(spt);
      CheckProfileDensities(alternate.wf, at, at);
      return 0;
    }
  }
  if (spt) {
    const uint32_t first = spt->tolSpt->firstScan, last = spt->tolSpt->lastScan;
    const int32_t centre = static_cast<int32_t>(first + (last - first) / 2);
    return HandOverSpectrum(spt, slot, control, spectrum, first, last, centre, centre, 0, true) ? 1 : 0;
  }
  const double at = TOL_GetSegmentTime(wf, time);
  const STRUCT_SCAN_FUN_INFO* info = SlotScanFunInfo(s);
  if (info)
    spt = m_twoTimeBC ? TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCsEx(wf, &s.chanList, s.scanFunArray, at, count,
                                                                    m_bcTime1, m_bcTime2)
                      : TOL_MakeBCAndAvgPlusSptFromTimeExEx(wf, &s.chanList, s.scanFunArray, at, count, info,
                                                            s.scanFunInfoCount);
  else
    spt = m_twoTimeBC ? TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCs(wf, &s.chanList, at, count, m_bcTime1, m_bcTime2)
                      : TOL_MakeBCAndAvgPlusSptFromTimeEx(wf, &s.chanList, s.scanFunArray, at, count, nullptr, 0);
  if (!spt || !spt->tolSpt) {
    if (spt) PlusSpt_Free(spt);
    CheckProfileDensities(wf, at, at);
    return 0;
  }
  const uint32_t first = spt->tolSpt->firstScan, last = spt->tolSpt->lastScan;
  const int32_t centre = static_cast<int32_t>(first + (last - first) / 2);
  return HandOverSpectrum(spt, slot, control, spectrum, first, last, centre, centre, 0, true) ? 1 : 0;
}

int CCtlOPlot::GetSpectrumFromZoom() {
  SVW_OVERLAY* o = m_pOverlay;
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);
  const short slot = m_lineSlot;
  if (!o || !drm || !OverlaySlotIndex(slot) || !o->slots[slot].workFile) return 0;
  OVERLAY_SLOT& s = o->slots[slot];
  // A plot without scans takes them from the alternate MS file, with its
  // own channels and scan functions.
  ScopedWorkFile alternate;
  STRUCT_WORK_FILE* wf = s.workFile;
  if (!HoldsScans(wf)) {
    alternate.wf = MakeSpecialSNWorkFile(slot);
    wf = alternate.wf;
    if (!wf) return 0;
  }
  double start = m_lineStart, end = m_lineEnd;
  if (o->tail.timeOffsetsOn) {
    start -= o->tail.timeOffsets[slot];
    end -= o->tail.timeOffsets[slot];
  }
  // Both ends must become scans: a range with one end unknown has no spectrum.
  uint32_t p1 = 0, p2 = 0;
  double t = 0;
  if (!GetPointFromATime(wf, start, &p1, &t, 0) || !GetPointFromATime(wf, end, &p2, &t, 0)) return 0;
  uint32_t first = p1 + wf->msInfo.firstScan, last = p2 + wf->msInfo.firstScan;
  if (first > last) std::swap(first, last);
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const STRUCT_SCAN_FUN_INFO* info = alternate.wf ? nullptr : SlotScanFunInfo(s);
  STRUCT_SPT_PLUS* spt = nullptr;
  if (info)
    spt = m_twoTimeBC ? TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCsEx(wf, &s.chanList, s.scanFunArray, first, last,
                                                                         m_bcTime1, m_bcTime2)
                      : TOL_MakeBCAndAvgPlusSptFromScanRangeEx(wf, &s.chanList, s.scanFunArray, first, last);
  else
    spt = m_twoTimeBC
              ? TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCs(wf, &s.chanList, first, last, m_bcTime1, m_bcTime2)
              : TOL_MakeBCAndAvgPlusSptFromScanRange(wf, &s.chanList, first, last);
  SetCursor(old);
  if (!spt || !spt->tolSpt) {
    if (spt) PlusSpt_Free(spt);
    CheckProfileDensities(wf, start, end);
    return 0;
  }
  // The record has no single centre; its marker has the halfway scan.
  return HandOverSpectrum(spt, slot, drm->GetActiveSptControlIndex(), drm->GetActiveSptPlotIndex(), first, last,
                          -1, static_cast<int32_t>(first + (last - first) / 2), 1, true)
             ? 1
             : 0;
}

int CCtlOPlot::GetNextSpectrumScanRange(const STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chanList,
                                        const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_SCAN_FUN_INFO* info,
                                        uint16_t, uint32_t first, uint32_t last, uint32_t centre, short direction,
                                        short pointsToAverage, short rangeFlag, uint32_t* newFirst,
                                        uint32_t* newLast, uint32_t* newCentre) const {
  if (funs && !info) return 0;
  if (!wf || !newFirst || !newLast || !newCentre) return 0;
  const int segments = wf->segmentBlocks ? wf->msInfo.segmentCount : 0;
  int i = -1;
  for (int k = 0; k < segments && i < 0; ++k)
    if (wf->segmentBlocks[k].firstScan <= centre && centre <= wf->segmentBlocks[k].lastScan) i = k;
  if (i < 0) return 0;
  auto stepOf = [&](const MS_SEGMENT_BLOCK& b) -> int64_t {
    if (!funs && chanList && chanList->kind == 2) return 1;
    return b.functionCount > 0 ? b.functionCount : 1;
  };
  const MS_SEGMENT_BLOCK& seg = wf->segmentBlocks[i];
  const int64_t step = stepOf(seg);
  const int64_t segFirst = seg.firstScan, segLast = seg.lastScan;
  int64_t h = pointsToAverage >> 1;
  if (rangeFlag) {
    const int64_t wide = std::max<int64_t>(int64_t{centre} - first, int64_t{last} + 1 - step - centre);
    h = static_cast<int16_t>(wide) / step;
  }
  int64_t c = direction ? int64_t{centre} + step : int64_t{centre} - step;
  int64_t f = c - h * step, l = c + h * step;
  auto sameKind = [&](int k) {
    const MS_SEGMENT_BLOCK& b = wf->segmentBlocks[k];
    return std::fabs(ContinuityValue(b) - ContinuityValue(seg)) < 1e-8 && b.lastScan > b.firstScan;
  };
  if (f < segFirst) {
    int j = i - 1;
    while (j >= 0 && !sameKind(j)) --j;
    if (j < 0) return 0;
    const MS_SEGMENT_BLOCK& p = wf->segmentBlocks[j];
    const int64_t s2 = stepOf(p), first2 = p.firstScan, last2 = p.lastScan;
    const int64_t a = first2 + s2 * ((last2 - first2) / s2);
    if (j == i - 1) {
      if (c > last2) {
        f = segFirst - s2 * std::max<int64_t>(0, h - (c - segFirst) / step);
      } else {
        c = a;
        f = c - h * s2;
      }
      f = std::max(f, first2);
    } else {
      l = a;
      c = a - h * s2;
      f = a - 2 * h * s2;
      if (f < first2) {
        f = first2;
        c = f + s2 * (((l - f) / s2) >> 1);
      }
    }
  }
  if (l > segLast) {
    int k = i + 1;
    while (k < segments && !sameKind(k)) ++k;
    if (k >= segments) return 0;
    const MS_SEGMENT_BLOCK& n = wf->segmentBlocks[k];
    const int64_t s3 = stepOf(n), b = n.firstScan, last3 = n.lastScan;
    const int64_t lastOfFunction = b + s3 * ((last3 - b) / s3);
    if (k > i + 1) {
      f = b;
      c = b + h * s3;
      l = b + 2 * h * s3;
      if (l > last3) {
        l = lastOfFunction;
        c = f + s3 * (((l - f) / s3) >> 1);
      }
    } else if (c < b) {
      l = std::min(b + s3 * std::max<int64_t>(0, h - ((segLast - c) / step + 1)), lastOfFunction);
    } else {
      c = b;
      l = std::min(b + h * s3, lastOfFunction);
    }
  }
  if (f < 0 || l < f || c < f || c > l) return 0;
  *newFirst = static_cast<uint32_t>(f);
  *newLast = static_cast<uint32_t>(l);
  *newCentre = static_cast<uint32_t>(c);
  return 1;
}

void CCtlOPlot::IncrementDecrementActiveSpectrum(short direction) {
  SVW_OVERLAY* o = m_pOverlay;
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);
  if (!o || !drm) return;
  const short control = drm->GetActiveSptControlIndex(), spectrum = drm->GetActiveSptPlotIndex();
  STRUCT_SPT_MARKER marker{};
  if (!drm->GetMarker(control, spectrum, &marker) || !marker.present) return;
  const short slot = marker.chroPlotIndex;
  if (!OverlaySlotIndex(slot) || !o->slots[slot].workFile) return;
  OVERLAY_SLOT& s = o->slots[slot];
  if (marker.centreScan < 0) return;
  ScopedWorkFile alternate;
  STRUCT_WORK_FILE* wf = s.workFile;
  if (!HoldsScans(wf)) {
    alternate.wf = MakeSpecialSNWorkFile(slot);
    wf = alternate.wf;
    if (!wf) return;
  }
  const STRUCT_SCAN_FUN_INFO* info = alternate.wf ? nullptr : SlotScanFunInfo(s);
  uint32_t first = 0, last = 0, centre = 0;
  if (!GetNextSpectrumScanRange(wf, &s.chanList, s.scanFunArray, info, s.scanFunInfoCount, marker.firstScan,
                                marker.lastScan, static_cast<uint32_t>(marker.centreScan), direction ? 1 : 0,
                                m_pointsToAverage, static_cast<short>(marker.plotFlag), &first, &last,
                                &centre))
    return;
  STRUCT_SPT_PLUS* spt =
      info ? (m_twoTimeBC ? TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCsEx(wf, &s.chanList, s.scanFunArray, first,
                                                                          last, m_bcTime1, m_bcTime2)
                          : TOL_MakeBCAndAvgPlusSptFromScanRangeEx(wf, &s.chanList, s.scanFunArray, first, last))
           : (m_twoTimeBC
                  ? TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCs(wf, &s.chanList, first, last, m_bcTime1, m_bcTime2)
                  : TOL_MakeBCAndAvgPlusSptFromScanRange(wf, &s.chanList, first, last));
  if (!spt || !spt->tolSpt) {
    if (spt) PlusSpt_Free(spt);
    return;
  }
  if (HandOverSpectrum(spt, slot, control, spectrum, first, last, static_cast<int32_t>(centre),
                       static_cast<int32_t>(centre), static_cast<short>(marker.plotFlag), false))
    SetFocus();
}

LRESULT CCtlOPlot::OnGetNewSpectrumInformation(WPARAM, LPARAM lParam) {
  auto* info = reinterpret_cast<STRUCT_NEW_SPT_INFO*>(lParam);
  const auto* drm = static_cast<const CDataReviewManager*>(m_pDataReview);
  if (!info || !m_newSptSet || !drm) return 0;
  STRUCT_SPT_PLUS* spt = drm->GetSpectrum(m_newSptControl, m_newSptSpectrum);
  if (!spt) return 0;
  info->slot = m_newSptSlot;
  info->control = m_newSptControl;
  info->spectrum = m_newSptSpectrum;
  info->spt = spt;
  return 1;
}

LRESULT CCtlOPlot::OnGetRightClickSpectrumInfo(WPARAM, LPARAM lParam) {
  auto* info = reinterpret_cast<STRUCT_RIGHT_CLICK_SPT_INFO*>(lParam);
  if (!info) return 0;
  info->time = m_rightClickTime;
  info->slot = m_rightClickSlot;
  info->control = m_menuSptControl;
  info->spectrum = m_menuSptSpectrum;
  return 1;
}

void CCtlOPlot::OnSelectSpectrum(UINT id) {
  if (id < OPLOT_CMD_SPECTRUM_A0 || id > OPLOT_CMD_SPECTRUM_A0 + 7) return;
  const bool a = id < OPLOT_CMD_SPECTRUM_A0 + 4;
  m_menuSptSpectrum = a ? 0 : 1;
  m_menuSptControl = static_cast<int16_t>(id - (a ? OPLOT_CMD_SPECTRUM_A0 : OPLOT_CMD_SPECTRUM_A0 + 4));
  m_dblClickSpectrumPending = 1;
  m_dblClickTime = m_rightClickTime;
  m_dblClickSlot = m_rightClickSlot;
  m_dblClickControl = m_menuSptControl;
  m_dblClickPlot = m_menuSptSpectrum;
  short selection = 0;
  GetSingleClickStatus(nullptr, &selection, nullptr, nullptr, nullptr);
  PostNotification(selection ? 28 : 7, OPLOT_ROUTE_DEFAULT);
}

LRESULT CCtlOPlot::OnMultipleSpectraControls(WPARAM wParam, LPARAM) {
  m_multipleSptControls = static_cast<int16_t>(wParam);
  return 0;
}

LRESULT CCtlOPlot::OnDeleteOrphanSpectra(WPARAM, LPARAM) {
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);
  if (!drm || m_toolbarLayout != 4) return 0;
  // A spectrum whose marker is gone no longer belongs to any plot.
  for (short c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (short s = 0; s < OPLOT_SPT_PLACES; ++s) {
      STRUCT_SPT_MARKER marker{};
      if (drm->HaveSpectrum(c, s) && !drm->GetMarker(c, s, &marker)) drm->DeleteSpectrum(c, s);
    }
  return 0;
}
