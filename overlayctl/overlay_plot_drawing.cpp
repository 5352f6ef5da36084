// The overlay control's plots on a device context: the drawing engine set
// up from the control's settings, then event marks, text flags, the
// highlighted point and the click marker on top.
#include <cmath>
#include <cstring>

#include "common/display_helpers.h"
#include "common/number_format.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/event_marks.h"
#include "plotengine/one_chro_overlay.h"
#include "plotengine/result_annotations.h"
#include "plotengine/tile_texts.h"
#include "plotengine/plot_drawing.h"

namespace {

bool AnySlotWithoutRange(const SVW_OVERLAY* o) {
  for (int i = 0; i < OVERLAY_SLOTS; ++i)
    if (OverlaySlotPresent(o, i) && o->tail.scales.plotLow[i] == 0 && o->tail.scales.plotHigh[i] == 0) return true;
  return false;
}

// The drawing-option block handed to the engine is the 104-byte chromatogram
// drawing sub-record; the option set is the 26-byte title sub-record.
static_assert(sizeof(STRUCT_CHRO_DRAWING) == sizeof(STRUCT_OPLOT_DRAW_CHRO::format));
static_assert(sizeof(STRUCT_CHRO_TITLES) == sizeof(STRUCT_OPLOT_CALLER_TITLE));

}  // namespace

// Print scales of the annotation font count only within (1, 10].
LOGFONTA CCtlOPlot::PrintAnnotationFont(const STRUCT_REPORT_PREFS& report) {
  LOGFONTA font = report.fonts.variableFont;
  double scale = 1.0;
  int16_t flag = 0;
  KELT_GetPlotReportOverrides(&scale, &flag);
  double height = report.fonts.smallSize;
  if (scale > 1.0 && scale <= 10.0) height *= scale;
  font.lfHeight = static_cast<LONG>(height);
  font.lfWeight = 0;
  return font;
}


void CCtlOPlot::TitleOptions(STRUCT_OPLOT_CALLER_TITLE* callerTitle, uint16_t* optionA, uint16_t* optionB) const {
  std::memcpy(callerTitle, &m_prefs.titles, sizeof *callerTitle);
  if (m_controlKind == 3) {
    // Its plots carry the trace name and the file name only.
    callerTitle->plotTitlesOn = 1;
    callerTitle->segmentTitles = 0;
    callerTitle->itemCount = 2;
    callerTitle->items[0] = 0;
    callerTitle->items[1] = 2;
  }
  *optionA = static_cast<uint16_t>(m_drawState[0]);
  *optionB = static_cast<uint16_t>(m_drawState[1]);
}

void CCtlOPlot::DrawPlot(CDC* dc, short print, STRUCT_OPLOT_PRINT_PLOT* record, short left, short bottom,
                         short right, short top, short charWidth, short charHeight) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !dc || !dc->GetSafeHdc()) return;
  HDC h = dc->GetSafeHdc();
  o->head.activePlot = GetActivePlotIndex();
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);

  STRUCT_OPLOT_DRAW_CHRO draw;
  OPLOT_InitDrawChro(&draw, reinterpret_cast<const uint32_t*>(print ? &report.chroDrawing : &m_prefs.drawing));
  draw.callerTitlePresent = 1;
  TitleOptions(&draw.callerTitle, &draw.titleOptionA, &draw.titleOptionB);
  draw.drawBackground = print ? 0 : 1;
  draw.drawProcessed = m_displayChoice == 1 || m_displayChoice == 2 ? 1 : 0;
  draw.drawRaw = m_displayChoice == 0 || m_displayChoice == 2 ? 1 : 0;

  // The engine's layout keeps no room above the plots, so the title line's
  // room is taken off the top of the drawing here.
  if (!print) top = static_cast<short>(top + TitleMargin());
  STRUCT_OPLOT_PLOT_PARAMS params;
  OPLOT_InitPlotParams(&params, print, left, bottom, right, top, charWidth, charHeight);
  if (!print) {
    std::memcpy(params.colors, m_prefs.colors.colors, sizeof params.colors);
    params.gradientBackground = static_cast<uint16_t>(m_prefs.colors.fadeOn);
    params.fadeFromWhite = static_cast<uint16_t>(m_prefs.colors.fadeKind);
    // The screen follows the preference copy, which a preference change replaces.
    params.verticalAxis = m_prefs.axis0;
    params.horizontalAxis = m_prefs.axis1;
    // Scale parameters a host handed in take their place.
    if (m_screenScaleSet) {
      std::memcpy(&params.verticalAxis, &m_screenScale[0], sizeof params.verticalAxis);
      std::memcpy(&params.horizontalAxis, &m_screenScale[1], sizeof params.horizontalAxis);
    }
    params.deleteButtons = static_cast<uint16_t>(m_enableHideDelete);
    params.maximiseButtons =
        static_cast<uint16_t>(m_enableHideDelete && (o->head.shownCount > 1 || o->head.maximised || m_pDataReview));
    params.keepFirstPlotA = m_toolbarLayout == 3 ? 1 : 0;
    params.keepFirstPlotB = m_toolbarLayout == 2 || m_toolbarLayout == 5 ? 1 : 0;
  } else {
    if (m_ownColors) std::memcpy(params.colors, m_printColors, sizeof params.colors);
    if (m_ownPrintScaleParams) {
      params.verticalAxis = m_printAxes[0];
      params.horizontalAxis = m_printAxes[1];
    }
  }
  params.extraLinesUnderTimeAxis = static_cast<uint16_t>(m_eventStripLines);
  params.carried60 = static_cast<uint16_t>(m_thickPenValue);
  params.carried2 = static_cast<uint16_t>(m_thickPenWidth);

  // A plot without a vertical range gets its full scale first.
  switch (o->head.displayMode) {
    case OVERLAY_MODE_STACKED:
      if (AnySlotWithoutRange(o)) SetVerticalFullScale(1, 0);
      break;
    case OVERLAY_MODE_OVERLAID:
    case OVERLAY_MODE_NORMALISED:
      if (o->tail.scales.commonLow == 0 && o->tail.scales.commonHigh == 0)
        SetVerticalFullScale(1, 0);
      else if (o->head.displayMode == OVERLAY_MODE_NORMALISED && AnySlotWithoutRange(o))
        SetVerticalFullScale(1, 0);
      break;
    default:
      if (AnySlotWithoutRange(o)) SetVerticalFullScale(1, 0);
      SetVerticalFullScale(1, 1);
      break;
  }

  STRUCT_OVER_SIZES sizes{};
  int32_t drawn = 0;
  if (m_controlKind == 4 && m_traceKind == 3)
    drawn = OPLOT_DrawPlots_Centroid(h, &draw, &params, o, &sizes);
  else if (m_controlKind == 4)
    drawn = OPLOT_DrawPlots_BDC(h, &draw, &params, o, &sizes);
  else
    drawn = OPLOT_DrawPlots(h, &draw, &params, o, &sizes);
  // The click marker follows this drawing's geometry, a printer page's too.
  struct DrawnSizes {
    const STRUCT_OVER_SIZES*& p;
    ~DrawnSizes() { p = nullptr; }
  } drawnSizes{m_pDrawnSizes = &sizes};
  if (!print) {
    m_bSizesValid = drawn ? 1 : 0;
    if (drawn) m_Sizes = sizes;
  } else if (drawn && record) {
    record->drawn = static_cast<int16_t>(drawn != 0);
    record->sizes = sizes;
    record->scales = o->tail.scales;
    // They point at places of the screen drawing.
    m_zoomPending = 0;
    m_timeClickPending = 0;
    m_rightClickPending = 0;
  }

  LOGFONTA font = print ? PrintAnnotationFont(report) : m_prefs.ctrlFont;
  if (drawn) {
    AddTileTexts(o, &sizes, &font);
    const int16_t eventMarks = print ? report.chroDrawing.showSystemEventMarks : m_prefs.drawing.showSystemEventMarks;
    if (m_pDataReview && eventMarks) OPLOT_DrawSystemEventMarks(h, o, &sizes, &font);
    if (m_nTextFlags > 0) DrawTextFlags(dc, o, &sizes, &font);
    if (m_highlightOn) OPLOT_DrawHighlightRange(h, o, &sizes, &m_highlight);
  }
  if (m_clickMarkerOn) DrawClickMarker(dc);
}

void CCtlOPlot::AddTileTexts(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sizes, const LOGFONTA* font) {
  const struct {
    int16_t show;
    const STRUCT_MARKER_PARAMS* marker;
    void* const* table;
  } kinds[] = {
      {m_prefs.resultAnnotations.show, &m_prefs.resultAnnotations.marker, m_dhAnnotations},
      {m_prefs.amdisAnnotations.show, &m_prefs.amdisAnnotations.marker, m_amdisAnnotations},
      {m_prefs.tchroAnnotations.show, &m_prefs.tchroAnnotations.marker, m_tchroAnnotations},
  };
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    auto* holder = static_cast<CTileTextOnPlot*>(m_pTileTexts[i]);
    if (!holder) continue;
    for (const auto& k : kinds) {
      if (!k.show) continue;
      STRUCT_ANNOTATIONS* table[OPLOT_SLOTS];
      for (int j = 0; j < OPLOT_SLOTS; ++j) table[j] = static_cast<STRUCT_ANNOTATIONS*>(k.table[j]);
      OPLOT_AddAnnotationsToTileTextClass(holder, static_cast<int16_t>(i), o, sizes, font, k.marker, table, 0, 1);
    }
  }
}

int16_t CCtlOPlot::TitleMargin() const {
  if (!m_titleOn || !m_titleText[0] || m_controlKind == 2) return 0;
  return static_cast<int16_t>(2 * m_charHeight);
}

void CCtlOPlot::DrawTextA(CDC* dc) {
  if (!dc || !dc->GetSafeHdc() || !m_titleOn || !m_titleText[0] || m_controlKind == 2) return;
  const int margin = m_Sizes.params.top;
  if (margin == 0) return;
  char text[sizeof m_titleText + 1] = {};
  std::memcpy(text, m_titleText, sizeof m_titleText);
  SetTextColor(dc->GetSafeHdc(), m_prefs.colors.colors[CHRO_COLOR_AXES]);
  SIZE size{};
  if (!KELT_GetTextSize(dc, text, &size)) return;
  const int chroLeft = m_Sizes.params.left + m_Sizes.leftScaleWidth, chroWidth = m_Sizes.plotWidth;
  const int x = size.cx > chroWidth ? chroLeft + 4 : chroLeft + (chroWidth - size.cx) / 2;
  SetBkMode(dc->GetSafeHdc(), TRANSPARENT);
  dc->TextOut(x, margin / 3, text, static_cast<int>(std::strlen(text)));
}

void CCtlOPlot::DrawTextFlags(CDC* dc, SVW_OVERLAY* o, STRUCT_OVER_SIZES* sizes, LOGFONTA* lf) {
  if (!dc || !dc->GetSafeHdc() || !o || !sizes) return;
  HDC h = dc->GetSafeHdc();
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  const int count = m_nTextFlags < 0 ? 0 : (m_nTextFlags > OPLOT_TEXT_FLAGS ? OPLOT_TEXT_FLAGS : m_nTextFlags);
  bool any = false;
  for (int i = 0; i < count; ++i) any = any || (m_TextFlags[i].time >= t0 && m_TextFlags[i].time <= t1);
  if (!any || !(t1 > t0)) return;
  const double sx = sizes->plotWidth / (t1 - t0);
  // A range too narrow to scale has no x for any flag.
  if (!std::isfinite(sx)) return;

  HFONT font = lf && !sizes->params.printFlag ? CreateFontIndirectA(lf) : nullptr;
  HGDIOBJ oldFont = font ? SelectObject(h, font) : nullptr;
  for (int i = 0; i < count; ++i) {
    const STRUCT_OPLOT_TEXT_FLAG& f = m_TextFlags[i];
    // A time that is no number lies nowhere in the range.
    if (!(f.time >= t0 && f.time <= t1) || !OverlaySlotIndex(f.slot)) continue;
    if (!o->head.shown[f.slot] || !o->tail.inView[f.slot]) continue;
    int32_t left = 0, bottom = 0, right = 0, top = 0;
    if (!OPLOT_GetChromatogramArea(o, sizes, f.slot, &left, &bottom, &right, &top)) continue;
    const int height = bottom + 1 - top;
    if (height < 4 * static_cast<int>(sizes->params.charHeight)) continue;
    char text[sizeof f.text + 1] = {};
    std::memcpy(text, f.text, sizeof f.text);
    const int length = static_cast<int>(std::strlen(text));
    SIZE extent{};
    if (length > 0) GetTextExtentPoint32A(h, text, length, &extent);
    const int midY = bottom - height / 2;
    const int c = length > 0 ? extent.cx / length : 0;  // an empty text draws the line only
    const int textY = midY - extent.cy;
    const int minX = left + c / 2, maxX = right - c / 2;

    // A range with an endless end gives no column for any time.
    const double offset = (f.time - t0) * sx;
    if (!(offset >= 0 && offset <= 1e9)) continue;
    const int x = left + static_cast<int>(offset);

    HPEN pen = CreatePen(f.dashed ? PS_DASH : PS_SOLID, 0, f.color);
    HGDIOBJ oldPen = SelectObject(h, pen);
    SetTextColor(h, f.color);
    if (!sizes->params.printFlag) SetBkMode(h, TRANSPARENT);
    MoveToEx(h, x, bottom, nullptr);
    LineTo(h, x, midY);
    int tx = x;
    bool drawText = length > 0;
    switch (f.placement) {
      case 0:
        tx = x - extent.cx;
        if (tx < minX) tx = minX;
        break;
      case 1:
        tx = x - extent.cx / 2;
        if (tx < minX)
          tx = minX;
        else if (tx + extent.cx > maxX)
          tx = maxX - extent.cx;
        break;
      case 2:
        if (tx + extent.cx > maxX) tx = maxX - extent.cx;
        break;
      default:
        drawText = false;
        break;
    }
    if (drawText) TextOutA(h, tx, textY, text, length);
    SelectObject(h, oldPen);
    DeleteObject(pen);
  }
  if (oldFont) SelectObject(h, oldFont);
  if (font) DeleteObject(font);
}

LRESULT CCtlOPlot::OnAddTextFlag(WPARAM, LPARAM lParam) {
  if (lParam && m_nTextFlags >= 0 && m_nTextFlags < OPLOT_TEXT_FLAGS) {
    std::memcpy(&m_TextFlags[m_nTextFlags], reinterpret_cast<const void*>(lParam), sizeof(STRUCT_OPLOT_TEXT_FLAG));
    ++m_nTextFlags;
  }
  return 0;
}

LRESULT CCtlOPlot::OnClearAllTextFlags(WPARAM, LPARAM) {
  m_nTextFlags = 0;
  std::memset(m_TextFlags, 0, sizeof m_TextFlags);
  return 0;
}

KELT_API double KELT_InterpolateLines(short direction, double x0, double a0, double x1, double a1, double b0,
                                      double b1, double* a, double* b) {
  const double span = x1 - x0;
  const double slopeA = span != 0 ? (a1 - a0) / span : 0, slopeB = span != 0 ? (b1 - b0) / span : 0;
  double lo = x0, hi = x1, xm = x0, ya = a0, yb = b0;
  for (int i = 0; i < 20; ++i) {
    const double half = (hi - lo) / 2;
    if (!(half >= 1e-05)) break;
    xm = lo + half;
    ya = a0 + (xm - x0) * slopeA;
    yb = b0 + (xm - x0) * slopeB;
    const bool below = direction == 0 ? ya < yb : ya > yb;
    if (below)
      hi = xm;
    else
      lo = xm;
  }
  if (a) *a = ya;
  if (b) *b = yb;
  return xm;
}
