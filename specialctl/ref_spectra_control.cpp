// The reference-spectra overlay control: window class, active-plot
// buttons, display commands, reference-spectrum editing with the mouse and
// by message, and the background correction saved with its audit entries.
#include "specialctl/ref_spectra_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/data_points.h"
#include "common/library_classes.h"
#include "common/library_state.h"
#include "common/preference_records.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/plot_control_window.h"
#include "plotengine/background_correction_marks.h"
#include "plotengine/plot_layout.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"

namespace {

constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
// A reference spectrum is found within this many minutes and pixels of a time.
constexpr double kNearestMinutes = 5.0;
constexpr int kNearestPixels = 8;
// A marker counts as under the cursor within this many pixels above or below.
constexpr int kMarkerGrabPixels = 16;

bool SamePath(const STRUCT_WORK_FILE* a, const STRUCT_WORK_FILE* b) {
  return a && b && _strnicmp(a->filePath, b->filePath, sizeof a->filePath) == 0;
}

void TimedMessage(const char* text) {
  HWND shown = ShowTimedMessage(GetActiveWindow(), text, 2000);
  if (shown) UpdateWindow(shown);
}

// The date and time of an audit line.
void DateTimeText(char* out, size_t size) {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  std::snprintf(out, size, "%02u/%02u/%04u %02u:%02u:%02u", t.wMonth, t.wDay, t.wYear, t.wHour, t.wMinute, t.wSecond);
}

}  // namespace

// ---- Window class ------------------------------------------------------------------------------

ATOM CCtlOPlot1::Register() { return kelt::lib::RegisterLibraryClass(kClassName, CtlOP1WndProc, kClassStyle); }
BOOL CCtlOPlot1::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }

LRESULT CALLBACK CtlOP1WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return kelt::overlay::ControlWindowProc<CCtlOPlot1>(hwnd, message, wParam, lParam);
}

CCtlOPlot1* CreateOPlot1Control(CWnd* parent, short id, short left, short top, short right, short bottom, int32_t) {
  return kelt::overlay::CreateControl<CCtlOPlot1>(parent, id, left, top, right, bottom);
}

CCtlOPlot1::CCtlOPlot1() { m_pBackCorrDlg = nullptr; }

CCtlOPlot1::~CCtlOPlot1() {
  FreePickedFiles();
  if (m_pBaselines) FreeBlock(m_pBaselines);
  m_pBaselines = nullptr;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (m_ownsRefSpts[i]) delete m_pRefSpts[i];
    m_pRefSpts[i] = nullptr;
  }
}

BEGIN_MESSAGE_MAP(CCtlOPlot1, CCtlOPlot)
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_SETCURSOR()
ON_WM_CHAR()
ON_MESSAGE(OP1M_PRINT, OnPrint)
ON_MESSAGE(OP1M_NOSHOWACTIVEBUTTONS, OnNoShowActiveButtons)
ON_MESSAGE(OP1M_GETACTIVEINDEX, OnGetActiveIndex)
ON_MESSAGE(OP1M_SETACTIVEINDEX, OnSetActiveIndex)
ON_MESSAGE(OP1M_SETSELECTREFMODE, OnSetSelectRefMode)
ON_MESSAGE(OP1M_SETDELETEREFMODE, OnSetDeleteRefMode)
ON_MESSAGE(OP1M_ADDREFSPT, OnAddRefSpt)
ON_MESSAGE(OP1M_DELETEREFSPT, OnDeleteRefSpt)
ON_MESSAGE(OP1M_DOAUTOBACKCORR, OnDoAutoBackCorr)
ON_MESSAGE(OP1M_REMOVEONEREFSPTS, OnRemoveOneRefSpts)
ON_MESSAGE(OP1M_SETREFSPTAVERAGE, OnSetRefSptAverage)
ON_MESSAGE(OP1M_SPECIALREFSPTINDEX, OnSpecialRefSptIndex)
ON_MESSAGE(OP1M_SHOWREFSPTS, OnShowRefSpts)
ON_MESSAGE(OP1M_SHOWBASELINERESULT, OnShowBaselineResult)
ON_MESSAGE(OP1M_EDITREFSPTSDLGCLOSED, OnEditRefSptsDlgClosed)
ON_MESSAGE(OP1M_SHOWPLOTSSTACKED, OnShowPlotsStacked)
ON_MESSAGE(OP1M_SHOWPLOTSOVERLAID, OnShowPlotsOverlaid)
ON_MESSAGE(OP1M_SHOWPLOTSNORMALIZED, OnShowPlotsNormalized)
ON_MESSAGE(OP1M_SHOWPLOTSWITHDUALSCALES, OnShowPlotsWithDualScales)
ON_MESSAGE(OP1M_EDITBACKGROUNDCORRECTION, OnEditBackgroundCorrection)
ON_MESSAGE(OP1M_PRINTACTIVEPLOT, OnPrintActivePlot)
ON_MESSAGE(OP1M_TWOBCTIMES, OnTwoBCTimes)
ON_MESSAGE(OP1M_NEWACTIVEINDEX, OnNewActiveIndex)
ON_MESSAGE(OP1M_CALBCPLOTVALUES, OnCalBCPlotValues)
ON_MESSAGE(OP1M_GETOVERLAYPOINTER, OnGetOverlayPointer)
ON_MESSAGE(OP1M_SHOWALLHIDDENPLOTS, OnShowAllHiddenPlots)
ON_MESSAGE(OP1M_DISPLAYSETFILE, OnDisplaySetFile1)
ON_MESSAGE(OP1M_DISPLAYCLEARFILE, OnDisplayClearFile1)
ON_MESSAGE(OP1M_DISPLAYSETTIMERANGE, OnDisplaySetTimeRange1)
ON_MESSAGE(OP1M_ASKUSERFORFILES, OnAskUserForFiles)
ON_MESSAGE(OP1M_INTERNAL_1, OnInternal_1)
ON_MESSAGE(OPM_NOTIFICATIONSTOSELF, OnNotificationsToSelf1)
ON_MESSAGE(OP1M_SETMARKERINFO, OnSetMarkerInfo1)
ON_MESSAGE(OP1M_PRINTALLPLOTS, OnPrintAllPlots)
ON_MESSAGE(OP1M_PRINTONEPLOT, OnPrintOnePlot)
ON_MESSAGE(OP1M_EXCHANGEPLOTS, OnExchangePlots)
ON_MESSAGE(OP1M_RESTOREALLPLOTPOSITIONS, OnRestoreAllPlotPositions)
ON_WM_RBUTTONDOWN()
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CCtlOPlot1::OnDestroy() {
  // The base frees the table's block only; its rows own arrays.
  FreePickedFiles();
  CCtlOPlot::OnDestroy();
}

int CCtlOPlot1::OnCreate(CREATESTRUCTA* cs) {
  const int r = CCtlOPlot::OnCreate(cs);
  m_controlKind = 1;
  return r;
}

// ---- Small helpers --------------------------------------------------------------------------

void CCtlOPlot1::RepaintIfAllowed() { RepaintUnlessSuspended(); }

void CCtlOPlot1::TellDialogCount() {
  if (!m_pBackCorrDlg || !::IsWindow(m_pBackCorrDlg->m_hWnd)) return;
  const CRefSpts* set = RefSpts(m_bcPlot);
  ::SendMessageA(m_pBackCorrDlg->m_hWnd, BCM_SETSPECTRACOUNT, static_cast<WPARAM>(set ? set->Count() : 0), 0);
}

bool CCtlOPlot1::QualifiesForBackCorr(short slot) const {
  if (!m_pOverlay || !OverlaySlotIndex(slot)) return false;
  const STRUCT_WORK_FILE* wf = m_pOverlay->slots[slot].workFile;
  return wf && (wf->centroid || wf->profile) && !wf->editBlock;
}

bool CCtlOPlot1::SameFile(short a, short b) const {
  if (!m_pOverlay || !OverlaySlotIndex(a) || !OverlaySlotIndex(b)) return false;
  return SamePath(m_pOverlay->slots[a].workFile, m_pOverlay->slots[b].workFile);
}

bool CCtlOPlot1::ClientXOfTime(double time, int* x) const {
  if (!m_pOverlay || !m_bSizesValid) return false;
  const int width = m_Sizes.plotWidth;
  const double span = m_pOverlay->tail.viewEnd - m_pOverlay->tail.viewStart;
  // A view without width or time span has no pixels to compare.
  if (width <= 0 || !(span > 0) || !std::isfinite(time)) return false;
  const double dx = (time - m_pOverlay->tail.viewStart) * width / span;
  if (!(std::fabs(dx) < 1e7)) return false;
  *x = m_plotLeft + m_Sizes.params.left + m_Sizes.leftScaleWidth + static_cast<int>(dx);
  return true;
}

void CCtlOPlot1::MakeRefSptsSets() {
  if (!m_ownOverlay) return;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (m_pRefSpts[i]) continue;
    m_pRefSpts[i] = new (std::nothrow) CRefSpts;
    m_ownsRefSpts[i] = m_pRefSpts[i] ? 1 : 0;
  }
}

// ---- Reference sets follow the plots -----------------------------------------------------------

void CCtlOPlot1::DeleteOnePlot(short slot, short notify) {
  // The set borrows the slot's work file, which the slot is about to free.
  if (CRefSpts* set = RefSpts(slot)) set->ClearFile();
  CCtlOPlot::DeleteOnePlot(slot, notify);
}

void CCtlOPlot1::UpdateOverlayPlotData(double start, double end, short plotType) {
  CCtlOPlot::UpdateOverlayPlotData(start, end, plotType);
  NewOverlayDisplay_UpdateRefSpts();
}

void CCtlOPlot1::NewOverlayDisplay_UpdateRefSpts() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || RefFeaturesOff()) return;
  for (short i = 0; i < OPLOT_SLOTS; ++i) {
    CRefSpts* set = m_pRefSpts[i];
    if (!set) continue;
    OVERLAY_SLOT& s = o->slots[i];
    if (!o->tail.attached[i] || !s.workFile) {
      set->ClearFile();
      continue;
    }
    if (s.workFile->live) continue;
    // A set keeps a pointer to the slot's record: a new record is a new
    // file to it even when the path is the same.
    if (set->WorkFile() != s.workFile || !SamePath(set->WorkFile(), s.workFile)) {
      set->NewFile(s.workFile, static_cast<int16_t>(s.plotKind), &s.massList, &s.chanList, s.scanFunArray, s.segPlots,
                   o, i, &m_prefs.plotData, m_twoTimeBC, m_bcTime1, m_bcTime2);
    } else {
      set->SetPlotType(static_cast<int16_t>(s.plotKind), &s.massList, &s.chanList, s.scanFunArray, s.segPlots, o, i,
                       &m_prefs.plotData, m_twoTimeBC, m_bcTime1, m_bcTime2);
    }
  }
}

void CCtlOPlot1::NewOverlayDisplay_UpdateActiveIndex() {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  auto present = [o](int s) { return OverlaySlotIndex(s) && o->head.shown[s] && o->tail.attached[s]; };
  int first = -1;
  for (int i = 0; i < OPLOT_SLOTS && first < 0; ++i)
    if (present(i)) first = i;
  if (first < 0) {
    m_markerState = -1;
    m_activePlot = -1;
    return;
  }
  if (o->head.displayMode == OVERLAY_MODE_STACKED) {
    if (m_markerState >= 0 && m_markerState < OPLOT_SLOTS) {
      if (present(m_markerState)) m_activePlot = m_markerState;
      else m_markerState = -1;
    } else if (m_markerState == OP1_MARKER_OVERLAID && present(m_activePlot)) {
      m_markerState = m_activePlot;
    } else {
      m_markerState = -1;
    }
    if (m_markerState == -1) m_markerState = m_activePlot = static_cast<int16_t>(first);
  } else {
    m_markerState = present(m_activePlot) ? OP1_MARKER_OVERLAID : -1;
    if (m_markerState == -1) {
      m_activePlot = static_cast<int16_t>(first);
      m_markerState = OP1_MARKER_OVERLAID;
    }
  }
}

short CCtlOPlot1::UpdateActiveIndex(short overlaid) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return -1;
  const int16_t oldState = m_markerState, oldActive = m_activePlot;
  auto shown = [o](int s) { return OverlaySlotIndex(s) && o->head.shown[s]; };
  int first = -1;
  for (int i = 0; i < OPLOT_SLOTS && first < 0; ++i)
    if (shown(i)) first = i;
  if (overlaid) {
    m_markerState = -1;
    if (OverlaySlotIndex(m_activePlot) && o->tail.attached[m_activePlot]) {
      m_markerState = OP1_MARKER_OVERLAID;
    } else if (first >= 0) {
      m_activePlot = static_cast<int16_t>(first);
      m_markerState = OP1_MARKER_OVERLAID;
    }
  } else {
    if (m_markerState >= 0 && m_markerState < OPLOT_SLOTS) {
      if (shown(m_markerState)) m_activePlot = m_markerState;
      else m_markerState = -1;
    } else if (m_markerState == OP1_MARKER_OVERLAID) {
      m_markerState = shown(m_activePlot) ? m_activePlot : -1;
    } else {
      m_markerState = -1;
    }
    if (m_markerState == -1 && first >= 0) m_markerState = m_activePlot = static_cast<int16_t>(first);
  }
  if (m_markerState == -1) m_activePlot = -1;
  if (oldState == m_markerState && oldActive == m_activePlot) return 0;
  m_reportedActive = m_activePlot;
  return 1;
}

void CCtlOPlot1::UpdateOverlayDisplay1(double start, double end, short newData, short keep, short plotType) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  UpdateOverlayPlotData(start, end, plotType);
  NewOverlayDisplay_UpdateActiveIndex();
  NewOverlayDisplay_UpdateRefSpts();
  if (o->head.shownCount <= 0) {
    // Hidden plots stay loaded: only an overlay without files is emptied.
    if (o->tail.attachedCount <= 0) {
      OnNoPlotData(0, 0);
    } else {
      SizeControls();
      RepaintIfAllowed();
    }
    return;
  }
  if (newData) OnNewPlotData(0, 0);
  else OnNewTimeRange(static_cast<WPARAM>(keep), 0);
}

// ---- Painting --------------------------------------------------------------------------------

void CCtlOPlot1::OnPaint() {
  if (!StartPaintOP()) return;
  PaintOP1();
  EndPaintOP();
}

void CCtlOPlot1::PaintOP1() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_bSizesValid || !o || !m_pMemDC) return;
  NewOverlayDisplay_UpdateActiveIndex();
  HDC dc = m_pMemDC->GetSafeHdc();
  if (m_showBCMarkers && !RefFeaturesOff()) {
    STRUCT_OPLOT_BC_SLOT slots[OPLOT_SLOTS] = {};
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      const CRefSpts* set = m_pRefSpts[i];
      if (!set || set->Count() <= 0 || !set->BackCorr()) continue;
      slots[i].spectrumCount = set->Count();
      slots[i].spectra = set->m_ppDraw;
      slots[i].correction = set->m_pFileBC;
    }
    OPLOT_DrawBackgroundCorrection(dc, o, &m_Sizes, slots, m_activePlot, m_bcPlot);
  }
  if (m_markerState != -1 && !m_hideActiveButtons) DrawActiveMarkers(m_pMemDC);
  if (m_baselineCount > 0 && m_pBaselines) OPLOT_DrawBaselineResults(dc, o, &m_Sizes, m_baselineCount, m_pBaselines);
}

void CCtlOPlot1::PrintAdd(STRUCT_OPLOT_PRINT_PLOT* record) {
  if (!m_pOverlay || !record || !record->dc || !record->markers) return;
  HDC dc = record->dc->GetSafeHdc();
  if (!dc || !record->drawn) return;
  STRUCT_REPORT_PREFS report{};
  KELT_GetCurrDefReportPrefs(&report);
  if (report.chroDrawing.showBCMarkers) {
    STRUCT_OPLOT_BC_SLOT slots[OPLOT_SLOTS] = {};
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      const CRefSpts* set = m_pRefSpts[i];
      if (!set || set->Count() <= 0 || !set->BackCorr()) continue;
      slots[i].spectrumCount = set->Count();
      slots[i].spectra = set->m_ppDraw;
      slots[i].correction = set->m_pFileBC;
    }
    OPLOT_DrawBackgroundCorrection(dc, m_pOverlay, &record->sizes, slots, m_activePlot, m_bcPlot);
  }
  if (m_baselineCount > 0 && m_pBaselines)
    OPLOT_DrawBaselineResults(dc, m_pOverlay, &record->sizes, m_baselineCount, m_pBaselines);
}

SIZE CCtlOPlot1::ButtonDigitSize(HDC dc, bool* twoDigits) const {
  HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SIZE eight{0, 0};
  GetTextExtentPoint32A(dc, "8", 1, &eight);
  if (oldFont) SelectObject(dc, oldFont);
  if (font) DeleteObject(font);
  *twoDigits = false;
  const SVW_OVERLAY* o = m_pOverlay;
  for (int i = 9; o && i < OPLOT_SLOTS; ++i) *twoDigits = *twoDigits || o->head.shown[i];
  return eight;
}

void CCtlOPlot1::DrawPlot(CDC* dc, short print, STRUCT_OPLOT_PRINT_PLOT* record, short left, short bottom, short right,
                          short top, short charWidth, short charHeight) {
  // The buttons' column sits left of the scale numbers, which would
  // otherwise run under the buttons.
  if (!print && dc && dc->GetSafeHdc() && m_markerState != -1 && !m_hideActiveButtons && !RefFeaturesOff()) {
    bool twoDigits = false;
    const SIZE eight = ButtonDigitSize(dc->GetSafeHdc(), &twoDigits);
    const int column = eight.cx + 6 + (twoDigits ? eight.cx : 0) + 4;
    if (right - left > 4 * column) left = static_cast<short>(left + column);
  }
  CCtlOPlot::DrawPlot(dc, print, record, left, bottom, right, top, charWidth, charHeight);
}

void CCtlOPlot1::DrawActiveMarkers(CDC* cdc) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!cdc || !o || m_markerState == -1 || m_Sizes.leftScaleWidth == 0 || m_Sizes.plotsShown == 0) return;
  HDC dc = cdc->GetSafeHdc();
  bool twoDigits = false;
  const SIZE eight = ButtonDigitSize(dc, &twoDigits);
  HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  m_buttonWidth = static_cast<int16_t>(eight.cx + 6 + (twoDigits ? eight.cx : 0));
  m_buttonHalfHeight = static_cast<int16_t>((eight.cy + 4) / 2);
  const int left = 2, right = m_buttonWidth + 2;
  const int top = m_Sizes.params.top;
  const bool overlaid = m_markerState == OP1_MARKER_OVERLAID;
  int y = top;
  if (overlaid) {
    const int height = m_Sizes.overlaidPlotHeight;
    const int n = m_Sizes.plotsShown;
    int free = height - n * 2 * m_buttonHalfHeight;
    if (free < 1 && n > 0) {
      m_buttonHalfHeight = static_cast<int16_t>(std::max(1, (height / n) / 2));
      free = height - n * 2 * m_buttonHalfHeight;
    }
    y = top + std::max(0, free) / 2;
  }
  int bandTop = top;
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!m_Sizes.plotShown[i]) continue;
    int b0, b1;
    if (overlaid) {
      b0 = y;
      b1 = y + 2 * m_buttonHalfHeight;
      y = b1;
    } else {
      const int band = m_Sizes.plotHeights[i];
      const int halfBand = band / 2;
      if (halfBand < m_buttonHalfHeight) m_buttonHalfHeight = static_cast<int16_t>(halfBand);
      const int centre = bandTop + band - halfBand;
      b0 = std::max(bandTop, centre - m_buttonHalfHeight);
      b1 = std::min(bandTop + band, centre + m_buttonHalfHeight);
      bandTop += band;
    }
    const COLORREF colour = m_prefs.colors.colors[CHRO_COLOR_PLOT0 + i];
    HPEN pen = CreatePen(PS_SOLID, 0, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const bool active = i == m_activePlot;
    if (active) {
      POINT corners[5] = {{left, b0}, {right, b0}, {right, b1}, {left, b1}, {left, b0}};
      Polygon(dc, corners, 5);
    } else {
      for (int k = 0; k < 3; ++k) {
        POINT frame[5] = {{left + k, b0 + k}, {right - k, b0 + k}, {right - k, b1 - k}, {left + k, b1 - k}, {left + k, b0 + k}};
        Polyline(dc, frame, 5);
      }
    }
    char label[8];
    std::snprintf(label, sizeof label, "%d", i + 1);
    SetTextColor(dc, active ? RGB(255, 255, 255) : colour);
    RECT r{left, b0, right, b1};
    ::DrawTextA(dc, label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  }
  if (oldFont) SelectObject(dc, oldFont);
  if (font) DeleteObject(font);
}

int CCtlOPlot1::ButtonAt(CPoint point) const {
  const SVW_OVERLAY* o = m_pOverlay;
  if (m_markerState == -1 || !o || !m_bSizesValid || m_Sizes.leftScaleWidth == 0) return -1;
  if (point.x < m_plotLeft || point.x > m_plotLeft + 2 + m_buttonWidth) return -1;
  const int top = m_plotTop + m_Sizes.params.top;
  const int half = std::max<int>(m_buttonHalfHeight, 1);
  if (o->head.displayMode == OVERLAY_MODE_STACKED) {
    int t = top;
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      if (!m_Sizes.plotShown[i]) continue;
      const int band = m_Sizes.plotHeights[i];
      if (band >= 2 * half) {
        const int centre = t + band / 2;
        if (point.y >= centre - half && point.y <= centre + half) return i;
      }
      t += band;
    }
    return -1;
  }
  const int rest = m_Sizes.overlaidPlotHeight - m_Sizes.plotsShown * 2 * half;
  if (rest <= 0) return -1;
  int t = top + rest / 2;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!m_Sizes.plotShown[i]) continue;
    if (point.y >= t && point.y <= t + 2 * half) return i;
    t += 2 * half;
  }
  return -1;
}

int CCtlOPlot1::EditTargetAt(CPoint point) const {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !m_bSizesValid) return -1;
  const PlotArea a = GetPlotArea();
  if (point.x <= a.left || point.x > a.right || point.y < a.top || point.y > a.bottom) return -1;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) return RefSpts(m_bcPlot) ? m_bcPlot : -1;
  const int s = StackedBandAt(point.y, nullptr, nullptr);
  if (s < 0 || !m_pRefSpts[s]) return -1;
  if (s == m_bcPlot || SameFile(static_cast<short>(s), m_bcPlot) || QualifiesForBackCorr(static_cast<short>(s)))
    return s;
  return -1;
}

// ---- Active plot -------------------------------------------------------------------------------

LRESULT CCtlOPlot1::OnNewActiveIndex(WPARAM wParam, LPARAM) {
  const SVW_OVERLAY* o = m_pOverlay;
  const int slot = static_cast<int16_t>(wParam);
  if (!o || !OverlaySlotIndex(slot) || !o->tail.attached[slot] || !o->head.shown[slot]) return 0;
  m_activePlot = static_cast<int16_t>(slot);
  if (m_markerState != OP1_MARKER_OVERLAID) m_markerState = static_cast<int16_t>(slot);
  m_reportedActive = static_cast<int16_t>(slot);
  PostNotification(OP1N_ACTIVE_PLOT_CHANGED, OPLOT_ROUTE_PARENT);
  if (m_pBackCorrDlg) {
    if (QualifiesForBackCorr(static_cast<short>(slot))) {
      m_bcPlot = static_cast<int16_t>(slot);
      if (::IsWindow(m_pBackCorrDlg->m_hWnd)) ::SendMessageA(m_pBackCorrDlg->m_hWnd, BCM_SETPLOTINDEX, wParam, 0);
      TellDialogCount();
    } else {
      CloseBackgroundCorrectionDialog();
    }
  }
  RepaintIfAllowed();
  return 0;
}

void CCtlOPlot1::ApplyPendingActive() {
  if (m_pendingActive < 0) return;
  PostMessage(OP1M_NEWACTIVEINDEX, static_cast<WPARAM>(m_pendingActive), 0);
  m_pendingActive = -1;
}

LRESULT CCtlOPlot1::OnNoShowActiveButtons(WPARAM, LPARAM) {
  m_hideActiveButtons = 1;
  return 0;
}

LRESULT CCtlOPlot1::OnGetActiveIndex(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  *reinterpret_cast<int16_t*>(lParam) = m_reportedActive;
  return 1;
}

LRESULT CCtlOPlot1::OnSetActiveIndex(WPARAM wParam, LPARAM lParam) {
  m_markerState = static_cast<int16_t>(wParam);
  m_activePlot = static_cast<int16_t>(lParam);
  NewOverlayDisplay_UpdateActiveIndex();
  if (!m_overlayUpdating) {
    SizeControls();
    RepaintIfAllowed();
  }
  return 0;
}

// ---- Mouse ---------------------------------------------------------------------------------

void CCtlOPlot1::OnLButtonDown(UINT flags, CPoint point) {
  if (!RefFeaturesOff()) {
    const int button = ButtonAt(point);
    if (button >= 0 && button != m_activePlot) {
      OnNewActiveIndex(static_cast<WPARAM>(button), 0);
      return;
    }
    if ((m_selectRefMode || m_deleteRefMode) && m_pOverlay && m_bSizesValid && !m_movingRef) {
      const int target = EditTargetAt(point);
      double time = 0;
      if (target >= 0 && GetTimeFromXPixel(static_cast<short>(point.x), &time, 0)) {
        if (m_selectRefMode) {
          const short found = GetClosestRefSptForPlot(time, static_cast<short>(target));
          if (found >= 0) {
            m_movedRefIndex = found;
            m_movingRef = 1;
            if (target != m_bcPlot) {
              m_bcPlot = static_cast<int16_t>(target);
              if (target != m_activePlot) m_pendingActive = static_cast<int16_t>(target);
            }
            SetCapture();
            return;
          }
        }
        // A click on the edited plot or a plot of its file picks a time.
        if (target == m_bcPlot || SameFile(static_cast<short>(target), m_bcPlot)) {
          m_pickedValid = 1;
          m_pickedTime = time;
          SendMessage(m_selectRefMode ? OP1M_ADDREFSPT : OP1M_DELETEREFSPT, 0, 0);
          return;
        }
        if (QualifiesForBackCorr(static_cast<short>(target))) {
          // Another file's plot becomes the edited one; the next click edits it.
          m_bcPlot = static_cast<int16_t>(target);
          if (m_pBackCorrDlg && ::IsWindow(m_pBackCorrDlg->m_hWnd))
            ::SendMessageA(m_pBackCorrDlg->m_hWnd, BCM_SETPLOTINDEX, static_cast<WPARAM>(target), 0);
          TellDialogCount();
          if (target != m_activePlot) OnNewActiveIndex(static_cast<WPARAM>(target), 0);
          return;
        }
      }
    }
    // A click in a stacked band chooses its plot on release.
    const SVW_OVERLAY* o = m_pOverlay;
    if (o && m_bSizesValid && o->head.displayMode == OVERLAY_MODE_STACKED) {
      const PlotArea a = GetPlotArea();
      if (point.x > a.left && point.x < a.right) {
        const int s = StackedBandAt(point.y, nullptr, nullptr);
        if (s >= 0 && s != m_activePlot) m_pendingActive = static_cast<int16_t>(s);
      }
    }
  }
  CCtlOPlot::OnLButtonDown(flags, point);
}

void CCtlOPlot1::OnMouseMove(UINT flags, CPoint point) {
  if (m_selectRefMode && m_movingRef) {
    MoveBackCorr(point);
    return;
  }
  CCtlOPlot::OnMouseMove(flags, point);
}

void CCtlOPlot1::OnLButtonUp(UINT flags, CPoint point) {
  if (m_selectRefMode && m_movingRef && m_pOverlay && m_bSizesValid) {
    MoveBackCorr(point);
    m_movingRef = 0;
    OnSaveRefSptsInDataFile();
    TellDialogCount();
  }
  if (m_movingRef) m_movingRef = 0;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  CCtlOPlot::OnLButtonUp(flags, point);
  ApplyPendingActive();
}

void CCtlOPlot1::OnChar(UINT character, UINT repeat, UINT flags) {
  if (character == 27) m_pendingActive = -1;
  CCtlOPlot::OnChar(character, repeat, flags);
}

BOOL CCtlOPlot1::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (m_markerState != -1 && m_bSizesValid && m_pOverlay && !RefFeaturesOff()) {
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(m_hWnd, &p);
    const CPoint point(p.x, p.y);
    if (ButtonAt(point) >= 0) {
      ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
      return TRUE;
    }
    if (m_selectRefMode || m_deleteRefMode) {
      const int target = EditTargetAt(point);
      if (target >= 0) {
        const char* name = "REF_ADD";
        double time = 0;
        if (m_deleteRefMode) {
          name = "REF_DEL";
        } else if (m_movingRef) {
          name = "HOLD_CURSOR";
        } else if (GetTimeFromXPixel(static_cast<short>(p.x), &time, 0)) {
          const short found = GetClosestRefSptForPlot(time, static_cast<short>(target));
          long y = 0;
          if (found >= 0 &&
              GetYPixelFromValue(static_cast<short>(target), m_pRefSpts[target]->Spectrum(found)->meanValue, 0, 0,
                                 nullptr, &y, 1) &&
              std::abs(static_cast<int>(y) + m_plotTop - p.y) < kMarkerGrabPixels)
            name = "MOVE_CURSOR";
        }
        HCURSOR cursor = ::LoadCursorA(kelt::lib::ModuleHandle(), name);
        ::SetCursor(cursor ? cursor : ::LoadCursorA(nullptr, IDC_CROSS));
        return TRUE;
      }
    }
  }
  return CCtlOPlot::OnSetCursor(wnd, hitTest, message);
}

// ---- Finding and moving reference spectra ------------------------------------------------------

short CCtlOPlot1::GetClosestRefSpt(double time) {
  if (!RefSpts(m_bcPlot)) return -1;
  return GetClosestRefSptForPlot(time, m_bcPlot);
}

short CCtlOPlot1::GetClosestRefSptForPlot(double time, short slot) {
  // Kinds without reference spectra find none (an index of 0 would name one).
  if (RefFeaturesOff()) return -1;
  const CRefSpts* set = RefSpts(slot);
  if (!set) return -1;
  int best = -1;
  double bestDistance = 0;
  for (int i = 0; i < set->Count(); ++i) {
    const double d = std::fabs(set->Spectrum(i)->time - time);
    if (d < kNearestMinutes && (best < 0 || d < bestDistance)) {
      best = i;
      bestDistance = d;
    }
  }
  if (best < 0) return -1;
  int x0 = 0, x1 = 0;
  if (!ClientXOfTime(time, &x0) || !ClientXOfTime(set->Spectrum(best)->time, &x1)) return -1;
  return std::abs(x0 - x1) > kNearestPixels ? -1 : static_cast<short>(best);
}

void CCtlOPlot1::MoveBackCorr(POINT point) {
  SVW_OVERLAY* o = m_pOverlay;
  CRefSpts* set = RefSpts(m_bcPlot);
  if (!o || !set || RefFeaturesOff()) return;
  const STRUCT_BC_DRAW_INFO* moved = set->Spectrum(m_movedRefIndex);
  if (!moved) return;
  const double oldTime = moved->time;
  const uint32_t oldCentre = moved->centreScan;
  int oldX = 0;
  if (ClientXOfTime(oldTime, &oldX) && oldX == point.x) return;
  double newTime = 0;
  const STRUCT_WORK_FILE* wf = set->WorkFile();
  if (GetTimeFromXPixel(static_cast<short>(point.x), &newTime, 0) && wf && newTime >= wf->startTime &&
      newTime <= wf->endTime && newTime != oldTime) {
    // The spectrum moves in every set of the file. The old record stays
    // until the new one is in place, so a refused move loses nothing.
    for (short i = 0; i < OPLOT_SLOTS; ++i) {
      CRefSpts* s = m_pRefSpts[i];
      if (!s || !s->WorkFile() || (i != m_bcPlot && !SamePath(s->WorkFile(), wf))) continue;
      const int16_t added = s->AddSpt(newTime, m_refSptAverage, o, i, &m_prefs.plotData);
      if (added < 0) {
        if (i == m_bcPlot) {
          MessageBeep(0);
          break;
        }
        continue;
      }
      const uint32_t newCentre = s->Spectrum(added)->centreScan;
      if (newCentre != oldCentre) {
        for (int16_t k = 0; k < s->Count(); ++k) {
          if (s->Spectrum(k)->centreScan != oldCentre) continue;
          s->DeleteSpt(k);
          break;
        }
      }
      if (i == m_bcPlot) {
        for (int16_t k = 0; k < s->Count(); ++k)
          if (s->Spectrum(k)->centreScan == newCentre) m_movedRefIndex = k;
      }
    }
  }
  RepaintIfAllowed();
}

// ---- Editing by message ------------------------------------------------------------------------

LRESULT CCtlOPlot1::OnSetSelectRefMode(WPARAM, LPARAM) {
  if (RefFeaturesOff()) return 0;
  m_selectRefMode = 1;
  m_deleteRefMode = 0;
  m_movingRef = 0;
  TellDialogCount();
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnSetDeleteRefMode(WPARAM, LPARAM) {
  if (RefFeaturesOff()) return 0;
  m_deleteRefMode = 1;
  m_selectRefMode = 0;
  m_movingRef = 0;
  TellDialogCount();
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnAddRefSpt(WPARAM, LPARAM) {
  CRefSpts* set = RefSpts(m_bcPlot);
  if (RefFeaturesOff() || !m_pickedValid || !set || !set->WorkFile()) return 0;
  uint32_t point = 0;
  double time = 0;
  if (!GetPointFromATime(set->WorkFile(), m_pickedTime, &point, &time, 0)) return 0;
  for (int16_t i = 0; i < set->Count(); ++i) {
    if (std::fabs(set->Spectrum(i)->time - time) > 0.0001) continue;
    set->DeleteSpt(i);
    break;
  }
  set->AddSpt(time, m_refSptAverage, m_pOverlay, m_bcPlot, &m_prefs.plotData);
  OnSaveRefSptsInDataFile();
  TellDialogCount();
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnDeleteRefSpt(WPARAM, LPARAM) {
  CRefSpts* set = RefSpts(m_bcPlot);
  if (RefFeaturesOff() || !m_pickedValid || !m_bSizesValid || !m_pOverlay || !set || set->Count() < 1) return 0;
  const short found = GetClosestRefSpt(m_pickedTime);
  if (found >= 0) {
    set->DeleteSpt(found);
    OnSaveRefSptsInDataFile();
    TellDialogCount();
    if (set->Count() == 0) {
      m_selectRefMode = 1;
      m_deleteRefMode = 0;
      m_movingRef = 0;
    }
  }
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnDoAutoBackCorr(WPARAM, LPARAM) {
  CRefSpts* set = RefSpts(m_bcPlot);
  if (RefFeaturesOff() || !set) return 0;
  if (!set->WorkFile()) NewOverlayDisplay_UpdateRefSpts();
  if (!set->WorkFile()) return 0;
  set->DoAutoBackCorr(m_pOverlay, m_bcPlot, &m_prefs.plotData);
  OnSaveRefSptsInDataFile();
  TellDialogCount();
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnRemoveOneRefSpts(WPARAM, LPARAM) {
  CRefSpts* set = RefSpts(m_bcPlot);
  if (RefFeaturesOff() || !(m_selectRefMode || m_deleteRefMode) || !set) return 0;
  const STRUCT_WORK_FILE* wf = set->WorkFile();
  char path[WORK_FILE_PATH_SIZE] = {};
  if (wf) std::memcpy(path, wf->filePath, sizeof path - 1);
  set->ClearRefSpts();
  if (path[0]) {
    if (SectionExists(path, BACKCORR_SECTION)) DeleteSection(path, BACKCORR_SECTION);
    for (short i = 0; i < OPLOT_SLOTS; ++i) {
      CRefSpts* other = m_pRefSpts[i];
      if (i != m_bcPlot && other && other->WorkFile() && _stricmp(other->WorkFile()->filePath, path) == 0)
        other->ClearRefSpts();
    }
  }
  m_selectRefMode = 1;
  m_deleteRefMode = 0;
  m_movingRef = 0;
  TellDialogCount();
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnSetRefSptAverage(WPARAM wParam, LPARAM) {
  // One scan at least; more than a segment holds is cut by the set.
  m_refSptAverage = static_cast<int16_t>(std::clamp<int>(static_cast<int16_t>(wParam), 1, 999));
  return 0;
}

LRESULT CCtlOPlot1::OnSpecialRefSptIndex(WPARAM wParam, LPARAM) {
  const int16_t index = static_cast<int16_t>(wParam);
  if (index != m_specialRefIndex) {
    m_specialRefIndex = index;
    RepaintIfAllowed();
  }
  return 0;
}

LRESULT CCtlOPlot1::OnShowRefSpts(WPARAM wParam, LPARAM) {
  m_showBCMarkers = wParam ? 1 : 0;
  RepaintIfAllowed();
  return 0;
}

LRESULT CCtlOPlot1::OnShowBaselineResult(WPARAM wParam, LPARAM lParam) {
  if (RefFeaturesOff()) return 0;
  if (!wParam || !lParam) {
    if (m_pBaselines) FreeBlock(m_pBaselines);
    m_pBaselines = nullptr;
    m_baselineCount = 0;
    return 0;
  }
  if (m_baselineCount >= INT16_MAX) return 0;
  const size_t bytes = (static_cast<size_t>(m_baselineCount) + 1) * sizeof(STRUCT_OPLOT_BASELINE_RESULT);
  auto* block = static_cast<STRUCT_OPLOT_BASELINE_RESULT*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (!block) return 0;
  if (m_pBaselines && m_baselineCount > 0)
    std::memcpy(block, m_pBaselines, static_cast<size_t>(m_baselineCount) * sizeof(STRUCT_OPLOT_BASELINE_RESULT));
  std::memcpy(block + m_baselineCount, reinterpret_cast<const void*>(lParam), sizeof(STRUCT_OPLOT_BASELINE_RESULT));
  if (m_pBaselines) FreeBlock(m_pBaselines);
  m_pBaselines = block;
  ++m_baselineCount;
  return 0;
}

LRESULT CCtlOPlot1::OnEditRefSptsDlgClosed(WPARAM, LPARAM) {
  m_pBackCorrDlg = nullptr;
  m_selectRefMode = m_deleteRefMode = 0;
  m_movingRef = 0;
  return 0;
}

CBackgroundCorrectionDlg* CCtlOPlot1::BackCorrDialog() const {
  if (!m_pBackCorrDlg || !::IsWindow(m_pBackCorrDlg->m_hWnd)) return nullptr;
  return static_cast<CBackgroundCorrectionDlg*>(m_pBackCorrDlg);
}

void CCtlOPlot1::EditRefSptsOfPlot(short slot) {
  if (RefFeaturesOff() || !OverlaySlotIndex(slot) || !CheckBackCorrRights()) return;
  // One tool at a time: a tool still open for another plot goes first (it
  // clears the modes as it closes).
  if (m_pBackCorrDlg) CloseBackgroundCorrectionDialog();
  m_bcPlot = slot;
  m_selectRefMode = 1;
  m_deleteRefMode = 0;
  m_movingRef = 0;
  const CRefSpts* set = RefSpts(slot);
  auto* dlg = new (std::nothrow) CBackgroundCorrectionDlg(this, slot, m_refSptAverage, set ? set->Count() : 0);
  // A window that could not be made has deleted nothing: the object goes here.
  if (dlg && !dlg->m_hWnd) {
    delete dlg;
    dlg = nullptr;
  }
  m_pBackCorrDlg = dlg;
  if (!m_showBCMarkers) {
    m_showBCMarkers = 1;
    RepaintIfAllowed();
  }
}

LRESULT CCtlOPlot1::OnEditBackgroundCorrection(WPARAM, LPARAM) {
  if (OverlaySlotIndex(m_activePlot)) EditRefSptsOfPlot(m_activePlot);
  return 0;
}

LRESULT CCtlOPlot1::OnTwoBCTimes(WPARAM, LPARAM lParam) {
  if (!lParam) {
    m_twoTimeBC = 0;
    m_bcTime1 = m_bcTime2 = 0;
  } else {
    double t[2];
    std::memcpy(t, reinterpret_cast<const void*>(lParam), sizeof t);
    m_bcTime1 = t[0];
    m_bcTime2 = t[1];
    m_twoTimeBC = (t[0] >= 0 && t[1] > 0 && t[1] >= t[0]) ? 1 : 0;
  }
  NewOverlayDisplay_UpdateRefSpts();
  return 0;
}

LRESULT CCtlOPlot1::OnCalBCPlotValues(WPARAM, LPARAM) {
  if (!m_pOverlay) return 0;
  for (short i = 0; i < OPLOT_SLOTS; ++i) {
    CRefSpts* set = m_pRefSpts[i];
    for (int16_t k = 0; set && k < set->Count(); ++k) set->CalculatePlotValues(k, m_pOverlay, i, &m_prefs.plotData);
  }
  return 0;
}

LRESULT CCtlOPlot1::OnGetOverlayPointer(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_pOverlay); }

// ---- Plots set by message -----------------------------------------------------------------------

LRESULT CCtlOPlot1::OnDisplaySetFile1(WPARAM wParam, LPARAM lParam) {
  const LRESULT r = CCtlOPlot::OnDisplaySetFile(wParam, lParam);
  if (r) {
    MakeRefSptsSets();
    NewOverlayDisplay_UpdateActiveIndex();
    NewOverlayDisplay_UpdateRefSpts();
  }
  return r;
}

LRESULT CCtlOPlot1::OnDisplayClearFile1(WPARAM wParam, LPARAM lParam) {
  // Slots outside the overlay are refused before anything changes.
  if (!OverlaySlotIndex(static_cast<int16_t>(wParam))) return 0;
  return CCtlOPlot::OnDisplayClearFile(wParam, lParam);
}

// ---- Display commands ---------------------------------------------------------------------

void CCtlOPlot1::SetDisplayType(short type) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!m_hasData || !o) return;
  if (m_controlKind == 4 && (type == OVERLAY_MODE_STACKED || type == OVERLAY_MODE_NORMALISED)) {
    const short current = o->head.displayMode;
    type = (current == type) ? OVERLAY_MODE_OVERLAID : type;
  }
  OnEscapeTracking(0, 0);
  if (type == OVERLAY_MODE_NORMALISED) {
    CancelMovingPlotLine();
    o->tail.timeOffsetsOn = 0;
    o->tail.verticalOffsetsOn = 0;
    for (int i = 0; i < OVERLAY_SLOTS; ++i) o->tail.timeOffsets[i] = o->tail.verticalOffsets[i] = 0;
  }
  const short changed = UpdateActiveIndex(type != OVERLAY_MODE_STACKED ? 1 : 0);
  HandleNewPlotType(type);
  if (changed > 0) PostNotification(OP1N_ACTIVE_PLOT_CHANGED, OPLOT_ROUTE_PARENT);
  if (m_controlKind == 4) UpdateToolBar();
}

LRESULT CCtlOPlot1::OnShowPlotsStacked(WPARAM, LPARAM) {
  SetDisplayType(OVERLAY_MODE_STACKED);
  return 0;
}
LRESULT CCtlOPlot1::OnShowPlotsOverlaid(WPARAM, LPARAM) {
  SetDisplayType(OVERLAY_MODE_OVERLAID);
  return 0;
}
LRESULT CCtlOPlot1::OnShowPlotsNormalized(WPARAM, LPARAM) {
  SetDisplayType(OVERLAY_MODE_NORMALISED);
  return 0;
}
LRESULT CCtlOPlot1::OnShowPlotsWithDualScales(WPARAM, LPARAM) {
  SetDisplayType(OVERLAY_MODE_TWO_SCALES);
  return 0;
}

LRESULT CCtlOPlot1::OnShowAllHiddenPlots(WPARAM, LPARAM) {
  OnTTShowAllPlots();
  return 0;
}

LRESULT CCtlOPlot1::OnPrintActivePlot(WPARAM, LPARAM) {
  if (OverlaySlotIndex(GetActivePlotIndex())) PrintOnePlotReport(GetActivePlotIndex());
  return 0;
}

LRESULT CCtlOPlot1::OnPrint(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  auto* record = reinterpret_cast<STRUCT_OPLOT_PRINT_PLOT*>(lParam);
  PrintOpen();
  CCtlOPlot::PrintAdd(record);
  PrintAdd(record);
  PrintClose(record);
  return 1;
}

BOOL CCtlOPlot1::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (id >= OP1_CMD_PRINT_PLOT0 && id < OP1_CMD_PRINT_PLOT0 + OPLOT_SLOTS) {
    PrintOnePlotReport(static_cast<short>(id - OP1_CMD_PRINT_PLOT0));
    return TRUE;
  }
  if (id >= OP1_CMD_EDIT_REFSPTS0 && id < OP1_CMD_EDIT_REFSPTS0 + OPLOT_SLOTS) {
    EditRefSptsOfPlot(static_cast<short>(id - OP1_CMD_EDIT_REFSPTS0));
    return TRUE;
  }
  switch (id) {
    case OP1_CMD_PRINT_ACTIVE:
      OnPrintActivePlot(0, 0);
      return TRUE;
    case OP1_CMD_EDIT_BACKGROUND:
      OnEditBackgroundCorrection(0, 0);
      return TRUE;
    case OP1_CMD_STACKED:
      SetDisplayType(OVERLAY_MODE_STACKED);
      return TRUE;
    case OP1_CMD_OVERLAID:
      SetDisplayType(OVERLAY_MODE_OVERLAID);
      return TRUE;
    case OP1_CMD_NORMALIZED:
      SetDisplayType(OVERLAY_MODE_NORMALISED);
      return TRUE;
    case OP1_CMD_DUAL_SCALE:
      SetDisplayType(OVERLAY_MODE_TWO_SCALES);
      return TRUE;
    case OP1_CMD_SELECT_FILES:
      OnAskUserForFiles(0, 0);
      return TRUE;
    case OP1_CMD_ADD_REFERENCE_PLOT:
      PostMessage(OP1M_ASKUSERFORFILES, 0, 0);
      m_addingReferencePlot = 1;
      return TRUE;
    case OP1_CMD_DELETE_REFERENCE_PLOTS:
      DeleteReferencePlots();
      return TRUE;
    case OP1_CMD_RT_STACKED:
      SetDisplayType(OVERLAY_MODE_STACKED);
      return TRUE;
    case OP1_CMD_RT_OVERLAID:
      SetDisplayType(OVERLAY_MODE_OVERLAID);
      return TRUE;
    case OP1_CMD_RT_NORMALIZED:
      SetDisplayType(OVERLAY_MODE_NORMALISED);
      return TRUE;
    case OP1_CMD_RT_ZOOM:
      SetClickDragMode(OPLOT_DRAG_ZOOM);
      return TRUE;
    case OP1_CMD_RT_INTEGRATE_AREA:
      SetClickDragMode(OPLOT_DRAG_INTEGRATE);
      return TRUE;
    case OP1_CMD_RT_INTEGRATE_ACTIVE:
      if (HasActivePlotForIntegration()) PostMessage(OPM_OPENQUICKINTEGRATIONDIALOG, WPARAM(m_activePlot), 0);
      return TRUE;
    case OP1_CMD_RT_INTEGRATE_ALL:
    case OP1_CMD_RT_INTEGRATE_TIME_RANGE:
      if (HasActivePlotForIntegration())
        PostMessage(OPM_OPENQUICKINTEGRATIONDIALOGFORALL, id == OP1_CMD_RT_INTEGRATE_TIME_RANGE ? 1 : 0, 0);
      return TRUE;
    default:
      return CCtlOPlot::OnCommand(wParam, lParam);
  }
}

bool CCtlOPlot1::HasActivePlotForIntegration() const {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return false;
  bool any = false;
  for (int i = 0; i < OPLOT_SLOTS && !any; ++i) any = o->tail.attached[i] != 0;
  if (!any) return false;
  if (m_markerState == 20) return OverlaySlotIndex(m_activePlot);
  return OverlaySlotIndex(m_markerState) && m_markerState == m_activePlot;
}

void CCtlOPlot1::DeleteReferencePlots() {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  // Plot 1 is the sample the others are compared with: it stays.
  bool deleted = false;
  m_overlayUpdating = 1;
  for (short i = 1; i < OPLOT_SLOTS; ++i) {
    if (!o->tail.attached[i]) continue;
    DeleteOnePlot(i, 1);
    deleted = true;
  }
  m_overlayUpdating = 0;
  if (!deleted) return;
  UpdateOverlayPlotType();
  UpdateOverlayDisplay1(o->tail.viewStart, o->tail.viewEnd, 1, 0, o->head.displayMode);
}

// ---- Saving the background correction ----------------------------------------------------------

void CCtlOPlot1::OnSaveRefSptsInDataFile() {
  if (RefFeaturesOff()) return;
  CRefSpts* set = RefSpts(m_bcPlot);
  if (!set || !set->WorkFile()) return;
  const STRUCT_WORK_FILE* wf = set->WorkFile();
  const char* path = wf->filePath;
  if (set->BackCorr()) {
    // The correction and its audit entry go into the file in one commit:
    // a save the audit trail cannot record is no save.
    const bool own = BeginSectionBatch(path) != FALSE;
    bool saved = SaveBackCorr(wf, set->BackCorr()) != 0;
    bool audited = true, newEntry = false;
    if (saved && IsSecurityEnabled()) {
      char user[AUDIT_USER_NAME_SIZE] = {};
      if (!GetCurrentUserName(user)) user[0] = 0;
      if (!AuditTrailExists(path)) audited = CreateAuditTrail(path, path, "Created Run Audit Trail", user) == AUDIT_OK;
      bool known = false;
      for (const std::string& f : m_auditedFiles) known = known || _stricmp(f.c_str(), path) == 0;
      if (audited && !known) {
        char when[200] = {};
        DateTimeText(when, sizeof when);
        char line[OP1_AUDIT_LINE_SIZE];
        std::snprintf(line, sizeof line, "Background Correction changed on %s by %s,", when, user);
        audited = AddAuditTrailEntry(path, line) == AUDIT_OK;
        std::snprintf(line, sizeof line, "    Comment: %.80s", m_rightsPrompt);
        audited = audited && AddAuditTrailEntry(path, line) == AUDIT_OK;
        std::snprintf(line, sizeof line, "    Reason: %.80s", m_rightsReason);
        audited = audited && AddAuditTrailEntry(path, line) == AUDIT_OK;
        newEntry = true;
      }
    }
    bool ok = saved && audited;
    if (own) {
      if (ok) ok = CommitSectionBatch(path) != FALSE;
      else AbortSectionBatch(path);
    }
    if (!ok) {
      TimedMessage(saved ? "Failed to write background spectra audit trail entry; the change was not saved. "
                         : "Failed to write background spectra to file. ");
    } else if (newEntry) {
      m_auditedFiles.push_back(path);
    }
  }
  // Every other plot of the file shows what the file now holds.
  if (set->BackCorr()) {
    bool reloaded = false;
    for (short i = 0; i < OPLOT_SLOTS; ++i) {
      CRefSpts* other = m_pRefSpts[i];
      if (i == m_bcPlot || !other || !SamePath(other->WorkFile(), wf)) continue;
      other->LoadSpts(m_pOverlay, i, &m_prefs.plotData);
      reloaded = true;
    }
    if (reloaded && !m_noRepaint) Invalidate(TRUE);
  }
}
