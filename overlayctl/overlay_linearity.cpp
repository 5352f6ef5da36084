// The linearity report: how two ion traces of one data file grow together
// across a peak. A drag in the linearity mode gives the time range; the two
// most intense masses of the apex spectrum are proposed, the user confirms
// them, both ion traces are read over the range (with a straight baseline
// taken off when asked) and one report page shows the two traces and the
// X-Y plot of the vertical ion against the horizontal one.
#include "overlayctl/overlay_linearity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/mass_lists.h"
#include "common/plot_titles.h"
#include "common/preference_records.h"
#include "common/work_file_facts.h"
#include "dialogs/linearity_params_dialog.h"
#include "dialogs/reports_file_choice.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_layout.h"
#include "plotengine/scales.h"
#include "quorna/quorna.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_viewer.h"
#include "reportpages/single_file_header.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "spectra/tol_spectra.h"
#include "ulbrec32/plot_marks.h"

namespace kelt::linearity {

bool FindApex(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double start, double end, uint32_t* apex) {
  if (!block || !apex) return false;
  bool found = false;
  double best = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const double t = NePointAt(block, i)->time;
    if (!(t >= start && t <= end)) continue;
    const double v = NePointValue(block, i);
    if (!found || v > best) {
      found = true;
      best = v;
      *apex = i;
    }
  }
  return found;
}

Proposal ProposeIons(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, double time) {
  Proposal p;
  if (!wf) return p;
  STRUCT_TOL_SPT* tol = TOL_MakeAvgSptFromTime(wf, chan, time, 1);
  if (!tol) return p;
  STRUCT_SPT_PLUS spt{};
  spt.kind = SPT_KIND_TOL;
  spt.tolSpt = tol;
  if (PlusSpt_GetPairCount(&spt) > 1) {
    PlusSpt_SortPairs(&spt, 1);
    double m1 = 0, m2 = 0;
    uint32_t i1 = 0, i2 = 0;
    if (PlusSpt_GetMassInt(&spt, 0, &m1, &i1) && PlusSpt_GetMassInt(&spt, 1, &m2, &i2)) {
      p.vertical = m1;
      p.horizontal = m2;
      p.found = 1;
    }
  }
  TOL_Free(spt.tolSpt);
  return p;
}

STRUCT_MASS_LIST OneIonList(double mass) {
  STRUCT_MASS_LIST l{};
  l.kind = MASS_LIST_RANGES;
  l.count = 1;
  l.ranges[0].low = l.ranges[0].high = mass;
  l.window = kIonWindow;
  return l;
}

bool PointsInRange(const STRUCT_NE_POINT_BLOCK* block, uint32_t count, double start, double end, uint32_t* first,
                   uint32_t* inRange) {
  *first = *inRange = 0;
  if (!block) return false;
  bool any = false;
  for (uint32_t i = 0; i < count; ++i) {
    const double t = NePointAt(block, i)->time;
    if (!(t >= start && t <= end)) {
      if (any) break;
      continue;
    }
    if (!any) *first = i;
    any = true;
    ++*inRange;
  }
  return any;
}

void SubtractStraightBaseline(STRUCT_NE_POINT_BLOCK* block, uint32_t first, uint32_t n) {
  if (!block || n == 0) return;
  const double t0 = NePointAt(block, first)->time, v0 = NePointValue(block, first);
  const double t1 = NePointAt(block, first + n - 1)->time, v1 = NePointValue(block, first + n - 1);
  // One point, or two at one time: the line is level at the first value.
  const double slope = t1 != t0 ? (v1 - v0) / (t1 - t0) : 0.0;
  for (uint32_t i = first; i < first + n; ++i) {
    STRUCT_NE_POINT* p = NePointAt(block, i);
    const double line = v0 + slope * (p->time - t0);
    if (block->isDouble == 1)
      p->value.d -= line;
    else if (std::isfinite(line) && std::fabs(line) < 9e18)
      p->value.i -= static_cast<int64_t>(line);
  }
}

void AxisRange(const double* values, uint32_t n, bool targetRatios, bool msData, double* low, double* high,
               double* least, double* greatest) {
  double lo = 0, hi = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (i == 0 || values[i] < lo) lo = values[i];
    if (i == 0 || values[i] > hi) hi = values[i];
  }
  double pad = (hi - lo) / (targetRatios ? 8.0 : 20.0);
  const double minimum = msData ? 2.5 : 5e-8;
  if (!(pad >= minimum)) pad = minimum;
  *low = lo - pad;
  *high = hi + pad;
  if (least) *least = lo;
  if (greatest) *greatest = hi;
}

void MapPoint(const Box& box, const Ranges& r, double h, double v, int32_t* x, int32_t* y) {
  const double width = box.right - box.left, height = box.bottom - box.top;
  // Values far outside the ranges stay far outside, within the page's numbers.
  auto clampTo = [](double d) { return std::max(-1e8, std::min(1e8, d)); };
  *x = box.left + static_cast<int32_t>(clampTo((h - r.hLow) * width / (r.hHigh - r.hLow)));
  *y = box.bottom - static_cast<int32_t>(clampTo((v - r.vLow) * height / (r.vHigh - r.vLow)));
}

bool TargetLine(const Box& box, const Ranges& r, double hLeast, double hGreatest, double ratio, int32_t* x1,
                int32_t* y1, int32_t* x2, int32_t* y2) {
  // Cut h from hLeast to hGreatest to where ratio x h lies within the vertical range.
  double a = std::max(hLeast, r.hLow), b = std::min(hGreatest, r.hHigh);
  if (ratio > 0) {
    a = std::max(a, r.vLow / ratio);
    b = std::min(b, r.vHigh / ratio);
  } else if (ratio < 0) {
    a = std::max(a, r.vHigh / ratio);
    b = std::min(b, r.vLow / ratio);
  } else if (!(r.vLow <= 0 && 0 <= r.vHigh)) {
    return false;
  }
  if (!(a <= b)) return false;
  MapPoint(box, r, a, ratio * a, x1, y1);
  MapPoint(box, r, b, ratio * b, x2, y2);
  return true;
}

}  // namespace kelt::linearity

namespace {

namespace lin = kelt::linearity;

constexpr char kPageName[] = "Linearity Report";
constexpr int16_t kPageBottom = 32267;

// An ion trace of the report: a temporary overlay of one plot and the
// points of it inside the time range.
struct IonTrace {
  SVW_OVERLAY* overlay = nullptr;
  const STRUCT_NE_POINT_BLOCK* block = nullptr;
  uint32_t first = 0, inRange = 0;
  bool filtered = false;

  IonTrace() = default;
  IonTrace(const IonTrace&) = delete;
  IonTrace& operator=(const IonTrace&) = delete;
  ~IonTrace() { Clear(); }
  void Clear() {
    if (!overlay) return;
    OPLOT_ClearOverlayStructure(overlay);
    FreeBlock(overlay);
    overlay = nullptr;
    block = nullptr;
  }
  double Value(uint32_t i) const { return NePointValue(block, first + i); }
};

// The wait cursor and the control's printing switch while the page is drawn.
class PageBusy {
 public:
  PageBusy(int16_t* printing, int16_t* busy)
      : printing_(printing), busy_(busy), old_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {
    *printing_ = 1;
    *busy_ = 1;
  }
  ~PageBusy() {
    SetCursor(old_);
    *printing_ = 0;
    *busy_ = 0;
  }
  PageBusy(const PageBusy&) = delete;
  PageBusy& operator=(const PageBusy&) = delete;

 private:
  int16_t *printing_, *busy_;
  HCURSOR old_;
};

void FrameBox(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  MoveToEx(dc, left, top, nullptr);
  LineTo(dc, right, top);
  LineTo(dc, right, bottom);
  LineTo(dc, left, bottom);
  LineTo(dc, left, top);
}

}  // namespace

void CCtlOPlot::MakeLinearityReport() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_bSizesValid || !o) return;
  const short slot = m_lineSlot;
  if (!OverlaySlotIndex(slot)) return;
  OVERLAY_SLOT& s = o->slots[slot];
  STRUCT_WORK_FILE* wf = s.workFile;
  STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!wf || !dp || !dp->points || dp->pointCount == 0) return;
  const bool filterOn = m_filtering[0] == 1 || m_filtering[0] == 2;
  const bool useFiltered = filterOn && dp->filtered && dp->filteredCount > 0;
  const STRUCT_NE_POINT_BLOCK* block = useFiltered ? dp->filtered : dp->points;
  const uint32_t count = useFiltered ? dp->filteredCount : dp->pointCount;

  // The drag was made on the plot's time axis; the data keep their own times.
  double start = m_lineStart, end = m_lineEnd;
  if (o->tail.timeOffsetsOn) {
    start -= o->tail.timeOffsets[slot];
    end -= o->tail.timeOffsets[slot];
  }
  if (!(start >= wf->startTime && start >= dp->startTime && end <= wf->endTime && end <= dp->endTime)) return;

  lin::Proposal proposal;
  uint32_t apex = 0;
  if (lin::FindApex(block, count, start, end, &apex))
    proposal = lin::ProposeIons(wf, &s.chanList, NePointAt(block, apex)->time);
  if (m_bLinearityFirstUse) {
    m_bLinearityFirstUse = 0;
    m_LinVerticalIons = lin::OneIonList(proposal.vertical);
    m_LinHorizontalIons = lin::OneIonList(proposal.horizontal);
  }

  CLinearityParamsDlg dlg(wf, &m_LinVerticalIons, &m_LinHorizontalIons, m_bLinBaselineCorrection,
                          m_bLinTargetRatios, m_LinTargetRatio1, m_LinTargetRatio2, proposal.found,
                          proposal.vertical, proposal.horizontal, lin::kIonWindow, this);
  if (dlg.DoModal() == IDCANCEL) return;
  m_LinVerticalIons = dlg.m_VerticalIons;
  m_LinHorizontalIons = dlg.m_HorizontalIons;
  m_bLinBaselineCorrection = dlg.m_bBaselineCorrection;
  m_bLinTargetRatios = dlg.m_bTargetRatios;
  m_LinTargetRatio1 = dlg.m_TargetRatio1;
  m_LinTargetRatio2 = dlg.m_TargetRatio2;

  // The two ion traces, each in an overlay of its own.
  IonTrace traces[2];
  const STRUCT_MASS_LIST* lists[2] = {&m_LinVerticalIons, &m_LinHorizontalIons};
  for (int k = 0; k < 2; ++k) {
    IonTrace& t = traces[k];
    t.overlay = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    if (!t.overlay) return;
    char title[OVERLAY_TITLE_SIZE] = {};
    const int16_t kind = KELT_GetDataTypeFromMassType(lists[k]->kind);
    KELT_MakeTolmarPlotTitle(title, kind, lists[k], &s.chanList, wf);
    if (!OPLOT_AddPlotToOverlayStructure(t.overlay, 0, wf->filePath, static_cast<uint16_t>(kind), lists[k],
                                         &s.chanList, "Counts", title, start, end))
      return;
    OVERLAY_SLOT& n = t.overlay->slots[0];
    std::memcpy(n.displayFileName, s.displayFileName, sizeof n.displayFileName);
    // Loaded for the range before anything is done to the points: loading
    // may read the trace anew, which would drop a filter or a baseline
    // already applied and leave their block dangling.
    OPLOT_UpdateOverlayPlots(t.overlay, start, end);
    STRUCT_NE_DATA_POINTS* trace = n.trace;
    if (!trace || !trace->points || trace->pointCount == 0) return;
    t.block = trace->points;
    uint32_t points = trace->pointCount;
    if (m_filtering[0] != 0 && points > 0) {
      FilterDataPointsStruct(trace, m_filtering);
      if (trace->filtered && trace->filteredCount > 0) {
        t.block = trace->filtered;
        points = trace->filteredCount;
        t.filtered = true;
      }
    }
    lin::PointsInRange(t.block, points, start, end, &t.first, &t.inRange);
  }
  const uint32_t n = std::min(traces[0].inRange, traces[1].inRange);
  // Nothing to plot: no page.
  if (n == 0) return;
  if (m_bLinBaselineCorrection)
    for (IonTrace& t : traces) {
      lin::SubtractStraightBaseline(const_cast<STRUCT_NE_POINT_BLOCK*>(t.block), t.first, n);
      // The plots' ranges follow the corrected values.
      OPLOT_SetOverlayData(t.overlay, start, end);
    }

  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  char path[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(path, &temporary)) return;

  int saved = 0;
  {
    CMPage* page = MPM_InitMetaPageMaker(&prefs, 80, 60, prefs.spooler.orientation == 2 ? 1 : 0);
    if (!page) return;
    if (!MPM_StartNewPage(page, 0)) {
      MPM_FreeMetaPageMaker(page);
      return;
    }
    PageBusy busy(&m_printJobOpen, &m_busy);
    HDC dc = MPM_GetMetaFileDC(page);
    int16_t cw = 0, ch = 0;

    // Header.
    char text[600];
    MPM_SelectULargeFont(page, &cw, &ch);
    MPM_CLTextOut(page, 4, 1, kPageName);
    MPM_SelectNormalFont(page, &cw, &ch);
    int16_t line = 3;
    std::snprintf(text, sizeof text, "Linear Plot Time Range: %.3f to %.3f minutes,  Baseline Correction:  %s",
                  m_lineStart, m_lineEnd, m_bLinBaselineCorrection ? "Yes" : "No");
    MPM_CLTextOut(page, 4, line++, text);
    const int decimals = kelt::wff::MassDecimals(wf);
    char vertical[400] = {}, horizontal[400] = {};
    FormatMassListText(vertical, &m_LinVerticalIons, decimals);
    FormatMassListText(horizontal, &m_LinHorizontalIons, decimals);
    std::snprintf(text, sizeof text, "Vertical Ions:  %s,  Horizontal Ions:  %s", vertical, horizontal);
    MPM_CLTextOut(page, 4, line++, text);
    if (m_bLinTargetRatios) {
      std::snprintf(text, sizeof text, "Target Ratio 1:  %.3f,  Target Ratio 2:  %.3f", m_LinTargetRatio1,
                    m_LinTargetRatio2);
      MPM_CLTextOut(page, 4, line++, text);
    }
    ++line;
    if (prefs.chroReport.flag0 && m_controlKind != 4)
      line = MPM_AddSingleFileHeader(page, line, 4, wf, s.displayFileName, m_controlKind == 3 ? 1 : 0);

    // Areas: the two traces in the upper half, the X-Y plot below them.
    const int32_t top = MPM_LineToY(page, line), bottom = kPageBottom;
    const int32_t left = MPM_ColumnToX(page, 4), right = MPM_ColumnToX(page, 76);
    const int32_t q = (bottom - top) >> 2;
    MPM_SelectSmallFont(page, &cw, &ch);
    for (int k = 0; k < 2; ++k) {
      const int32_t areaTop = top + k * q, areaBottom = top + (k + 1) * q;
      STRUCT_OPLOT_DRAW_CHRO draw;
      OPLOT_InitDrawChro(&draw, reinterpret_cast<const uint32_t*>(&prefs.chroDrawing));
      draw.verticalScaleWidth = 2000;
      draw.horizontalScaleHeight = 1000;
      draw.drawProcessed = traces[k].filtered ? 1 : 0;
      draw.drawRaw = traces[k].filtered ? 0 : 1;
      STRUCT_OPLOT_PLOT_PARAMS params;
      OPLOT_InitPlotParams(&params, 1, static_cast<int16_t>(left), static_cast<int16_t>(areaBottom),
                           static_cast<int16_t>(right), static_cast<int16_t>(areaTop), cw, ch);
      OPLOT_SetVerticalFullScale(traces[k].overlay, 1, 0);
      STRUCT_OVER_SIZES sizes{};
      OPLOT_DrawPlots(dc, &draw, &params, traces[k].overlay, &sizes);
      FrameBox(dc, left, areaTop, right, areaBottom);
    }

    // The X-Y plot.
    std::vector<double> hv(n), vv(n);
    for (uint32_t i = 0; i < n; ++i) {
      vv[i] = traces[0].Value(i);
      hv[i] = traces[1].Value(i);
    }
    const bool msData = IsMSKind(wf);
    lin::Ranges r{};
    double vLeast = 0, vGreatest = 0, hLeast = 0, hGreatest = 0;
    lin::AxisRange(vv.data(), n, m_bLinTargetRatios != 0, msData, &r.vLow, &r.vHigh, &vLeast, &vGreatest);
    lin::AxisRange(hv.data(), n, m_bLinTargetRatios != 0, msData, &r.hLow, &r.hHigh, &hLeast, &hGreatest);
    // The page's last line holds the unit and the ratio texts: the X-Y plot
    // and its scale end above it, or the texts would sit on the scale labels.
    const int32_t lineHeight = MPM_LineToY(page, 6) - MPM_LineToY(page, 5);
    const int16_t lastLineY = static_cast<int16_t>(kPageBottom - lineHeight);
    const int32_t xyBottom = std::min<int32_t>(bottom, lastLineY - lineHeight / 4);
    const lin::Box box{left + 2000, top + 2 * q, right, xyBottom - 1000};
    FrameBox(dc, left, top + 2 * q, right, xyBottom);

    STRUCT_VERT_SCALE vs{};
    vs.axis = prefs.chroAxis0;
    vs.scaleLeftOfPlot = vs.unitAtTop = 1;
    vs.low = r.vLow;
    vs.high = r.vHigh;
    vs.left = left;
    vs.right = box.left;
    vs.top = box.top;
    vs.bottom = box.bottom;
    vs.farAxisX = -1;
    std::snprintf(vs.unitText, sizeof vs.unitText, "Counts");
    KELT_DrawVerticalScale(dc, &vs);
    // The horizontal unit goes on the page's last line, at its right end:
    // under the scale it would share its row with the last label. Its
    // values are scaled to the unit here as the scale would scale them.
    STRUCT_HORZ_SCALE hs{};
    hs.axis = prefs.chroAxis1;
    hs.scaleBelowAxis = 1;
    hs.keepUnits = 1;
    double scaled[4] = {r.hLow, r.hHigh, hs.axis.fixedMajorStep, hs.axis.fixedMinorStep};
    char unit[SCALE_TEXT_SIZE] = "Counts";
    KELT_AdjustUnitValues(scaled, 4, unit);
    hs.low = scaled[0];
    hs.high = scaled[1];
    hs.axis.fixedMajorStep = scaled[2];
    hs.axis.fixedMinorStep = scaled[3];
    hs.left = box.left;
    hs.right = box.right;
    hs.top = box.bottom;
    hs.bottom = xyBottom;
    hs.labelLeftLimit = left;
    hs.labelRightLimit = right;
    KELT_DrawHorizontalScale(dc, &hs);
    SIZE unitSize{};
    GetTextExtentPoint32A(dc, unit, static_cast<int>(std::strlen(unit)), &unitSize);
    MPM_XYTextOut(page, static_cast<int16_t>(right - unitSize.cx - cw / 2), lastLineY, unit);

    const int state = SaveDC(dc);
    HPEN red = CreatePen(PS_SOLID, std::max<int>(0, prefs.chroReport.penWidth), RGB(255, 0, 0));
    SelectObject(dc, red);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int32_t markW = static_cast<int32_t>(cw) >> 2, markH = static_cast<int32_t>(ch) / 6;
    for (uint32_t i = 0; i < n; ++i) {
      int32_t x = 0, y = 0;
      lin::MapPoint(box, r, hv[i], vv[i], &x, &y);
      if (i == 0) {
        MoveToEx(dc, x, y, nullptr);
        continue;
      }
      LineTo(dc, x, y);
      DrawPointMarker(dc, x, y, markW, markH, 0);
      MoveToEx(dc, x, y, nullptr);
    }
    if (m_bLinTargetRatios) {
      IntersectClipRect(dc, box.left, box.top, box.right + 1, box.bottom + 1);
      HPEN cyan = CreatePen(PS_SOLID, 0, RGB(0, 255, 255));
      SelectObject(dc, cyan);
      for (double ratio : {m_LinTargetRatio1, m_LinTargetRatio2}) {
        int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (!lin::TargetLine(box, r, hLeast, hGreatest, ratio, &x1, &y1, &x2, &y2)) continue;
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
      }
      RestoreDC(dc, state);
      DeleteObject(cyan);
      std::snprintf(text, sizeof text, "Target Ratio 1: ( %.0f, %.0f ),  Target Ratio 2: ( %.0f, %.0f )", hGreatest,
                    hGreatest * m_LinTargetRatio1, hGreatest, hGreatest * m_LinTargetRatio2);
      MPM_XYTextOut(page, static_cast<int16_t>(left), lastLineY, text);
    } else {
      RestoreDC(dc, state);
    }
    DeleteObject(red);

    for (IonTrace& t : traces) t.Clear();
    const uint32_t now = static_cast<uint32_t>(GetCurrentDateTime());
    saved = temporary ? MPM_SavePageInNewMSRTempFile(page, 1, now, kPageName, path)
                      : MPM_SavePageInMSRFile(page, path, 1, now, kPageName);
    MPM_FreeMetaPageMaker(page);
  }
  if (!saved) return;
  if (m_controlKind == 3 || m_controlKind == 4)
    ExportReportToQuibell(path, temporary);
  else
    Dlg_ViewReports(path, temporary, &prefs, 0);
}
