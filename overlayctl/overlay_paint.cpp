// The overlay control's paint: everything is drawn into a memory bitmap of
// the client size and copied to the window in one transfer, so a repaint
// never flickers. Also the sunken frame round the plot area and the two
// owner-drawn buttons at the ends of the time scale.
#include <new>

#include "overlayctl/overlay_plot_control.h"
#include "plotengine/band_drawing.h"
#include "plotengine/peak_event_drawing.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/plot_layout.h"
#include "plotengine/tile_texts.h"
#include "plotengine/titles_and_buttons.h"
#include "ulbrec32/button_frames.h"

namespace {

// Measures "M" in the control's font on a DC.
void MeasureCharacter(HDC dc, const LOGFONTA& lf, int16_t* width, int16_t* height) {
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SIZE size{};
  if (GetTextExtentPoint32A(dc, "M", 1, &size)) {
    *width = static_cast<int16_t>(size.cx);
    *height = static_cast<int16_t>(size.cy);
  }
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
}

// Fills the client area round the plot area (the frame is drawn over it), leaving the children
// alone: the area a smaller plot area leaves behind must not keep old pixels
// (the control erases no background of its own).
void FillSurround(HWND hwnd, HDC dc, const RECT& plotArea, int cx, int cy) {
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, plotArea.left, plotArea.top, plotArea.right, plotArea.bottom);
  for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    RECT r{};
    GetWindowRect(c, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(hwnd, &a);
    ScreenToClient(hwnd, &b);
    if (b.x > a.x && b.y > a.y) ExcludeClipRect(dc, a.x, a.y, b.x, b.y);
  }
  RECT all{0, 0, cx, cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  RestoreDC(dc, saved);
}

}  // namespace

void CCtlOPlot::OnPaint() {
  if (StartPaintOP()) EndPaintOP();
}

BOOL CCtlOPlot::OnEraseBkgnd(CDC*) { return TRUE; }

int CCtlOPlot::StartPaintOP() {
  if (m_pPaintDC || m_overlayUpdating || m_noRepaint || !m_pHScroll || m_printJobOpen) {
    if (m_overlayUpdating || m_noRepaint || !m_pHScroll) m_bSizesValid = 0;
    // Validates the update region and draws nothing.
    PAINTSTRUCT ps;
    ::BeginPaint(m_hWnd, &ps);
    ::EndPaint(m_hWnd, &ps);
    return 0;
  }
  m_bSizesValid = 0;
  m_pMemDC = nullptr;
  m_pMemBitmap = nullptr;
  m_pOldMemBitmap = nullptr;
  m_pPaintDC = new (std::nothrow) CPaintDC(this);
  if (!m_pPaintDC) return 0;
  if (!m_pPaintDC->GetSafeHdc()) {
    delete m_pPaintDC;
    m_pPaintDC = nullptr;
    return 0;
  }
  HDC paint = m_pPaintDC->GetSafeHdc();
  MeasureCharacter(paint, m_prefs.ctrlFont, &m_charWidth, &m_charHeight);
  if (m_nLastCharHeight == 0) m_nLastCharHeight = m_charHeight;

  auto closePaint = [this] {
    delete m_pPaintDC;
    m_pPaintDC = nullptr;
    UpdateToolBar();
  };
  if (m_cx == 0 || m_cy == 0) {
    closePaint();
    return 0;
  }
  SetMapMode(paint, MM_ANISOTROPIC);

  const SVW_OVERLAY* o = m_pOverlay;
  if (!m_hasData || !o || o->head.shownCount <= 0 || m_plotWidth < 9 || m_plotHeight < 9) {
    RECT r{m_plotLeft - 4, m_plotTop - 4, m_cx, m_cy};
    const COLORREF background = m_prefs.colors.colors[CHRO_COLOR_BACKGROUND];
    if (!m_prefs.colors.fadeOn) {
      HBRUSH brush = CreateSolidBrush(background);
      FillRect(paint, &r, brush);
      DeleteObject(brush);
    } else {
      KELT_FillRectWithFadeColor(paint, background, m_prefs.colors.fadeKind, r.left, r.top, r.right, r.bottom);
      DrawOutline(m_pPaintDC);
    }
    closePaint();
    return 0;
  }

  // One tiled-text holder per present plot, alive for this paint only.
  MakeTileTexts();
  MakeOrKeepOrFreeAnnotations();

  const RECT plotArea{m_plotLeft, m_plotTop, m_plotLeft + m_plotWidth, m_plotTop + m_plotHeight};
  FillSurround(m_hWnd, paint, plotArea, m_cx, m_cy);
  DrawOutline(m_pPaintDC);
  SetViewportOrgEx(paint, m_plotLeft, m_plotTop, nullptr);
  SetViewportExtEx(paint, m_plotWidth, m_plotHeight, nullptr);
  SetWindowOrgEx(paint, 0, 0, nullptr);
  SetWindowExtEx(paint, m_plotWidth, m_plotHeight, nullptr);

  m_pMemDC = new (std::nothrow) CDC;
  if (!m_pMemDC || !m_pMemDC->CreateCompatibleDC(m_pPaintDC)) {
    delete m_pMemDC;
    m_pMemDC = nullptr;
    FreeTileTexts();
    closePaint();
    return 0;
  }
  m_pMemBitmap = new (std::nothrow) CBitmap;
  if (!m_pMemBitmap || !m_pMemBitmap->CreateCompatibleBitmap(m_pPaintDC, m_cx, m_cy)) {
    delete m_pMemBitmap;
    m_pMemBitmap = nullptr;
    delete m_pMemDC;
    m_pMemDC = nullptr;
    FreeTileTexts();
    closePaint();
    return 0;
  }
  m_pOldMemBitmap = m_pMemDC->SelectObject(m_pMemBitmap);

  HDC mem = m_pMemDC->GetSafeHdc();
  // The engine paints the chromatograms' backgrounds only; the scale strips
  // start from the background colour here, not from a fresh bitmap.
  {
    RECT area{0, 0, m_plotWidth, m_plotHeight};
    HBRUSH brush = CreateSolidBrush(m_prefs.colors.colors[CHRO_COLOR_BACKGROUND]);
    FillRect(mem, &area, brush);
    DeleteObject(brush);
  }
  HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
  HGDIOBJ oldFont = font ? SelectObject(mem, font) : nullptr;
  DrawPlot(m_pMemDC, 0, nullptr, 0, m_plotHeight, m_plotWidth, 0, m_charWidth, m_charHeight);
  DrawTextA(m_pMemDC);
  DrawMarkers(m_pMemDC, 0, &m_Sizes, 0, m_plotHeight, static_cast<short>(m_Sizes.params.top), m_charWidth,
              m_charHeight);  // the plots start below the title line
  if (oldFont) SelectObject(mem, oldFont);
  if (font) DeleteObject(font);

  if (m_movingLineShown) DrawMovingPlotLine();
  if (m_scrollShown) SetHorzBar();
  if (m_slidersShown) SetVertBars();
  return 1;
}

void CCtlOPlot::EndPaintOP() {
  if (m_pMemDC) {
    HDC mem = m_pMemDC->GetSafeHdc();
    HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
    HGDIOBJ oldFont = font ? SelectObject(mem, font) : nullptr;
    // Labels live below the title line, where the drawing put the plots.
    DrawLabels(m_pMemDC, 0, m_plotLeft, static_cast<short>(m_plotTop + m_plotHeight),
               static_cast<short>(m_plotLeft + m_plotWidth), static_cast<short>(m_plotTop + m_Sizes.params.top),
               &m_Sizes);
    if (oldFont) SelectObject(mem, oldFont);
    if (font) DeleteObject(font);
  }
  if (m_pMemDC && m_bSizesValid) DrawTileTexts(m_pMemDC, 0, &m_Sizes, &m_prefs.ctrlFont);
  FreeTileTexts();
  if (m_pMemDC) {
    if (m_pPaintDC) m_pPaintDC->BitBlt(0, 0, m_plotWidth, m_plotHeight, m_pMemDC, 0, 0, SRCCOPY);
    if (m_pOldMemBitmap) m_pMemDC->SelectObject(m_pOldMemBitmap);
    m_pOldMemBitmap = nullptr;
    delete m_pMemBitmap;
    m_pMemBitmap = nullptr;
    delete m_pMemDC;
    m_pMemDC = nullptr;
  }
  if (m_pPaintDC) {
    delete m_pPaintDC;
    m_pPaintDC = nullptr;
  }
  UpdateToolBar();
  UpdateSegments();
  if (m_charHeight != m_nLastCharHeight) {
    SizeControls();
    if (!m_noRepaint) Invalidate(TRUE);
    m_nLastCharHeight = m_charHeight;
  }
}

void CCtlOPlot::DrawTileTexts(CDC* dc, short print, const STRUCT_OVER_SIZES* sizes, const LOGFONTA* font) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!dc || !dc->GetSafeHdc() || !o || !sizes) return;
  const double t0 = o->tail.viewStart, t1 = o->tail.viewEnd;
  if (!(t1 > t0)) return;
  HDC h = dc->GetSafeHdc();
  const double sx = sizes->plotWidth / (t1 - t0);
  LOGFONTA lf = *font;
  // The titles were written with the control's font on screen, with the
  // caller's when printing: their boxes are measured the same way, so
  // that the texts keep off them.
  STRUCT_OPLOT_CALLER_TITLE callerTitle{};
  uint16_t optionA = 0, optionB = 0;
  TitleOptions(&callerTitle, &optionA, &optionB);
  STRUCT_OVER_SIZES measured = *sizes;
  HFONT titleFont = print ? nullptr : CreateFontIndirectA(&m_prefs.ctrlFont);
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    auto* holder = static_cast<CTileTextOnPlot*>(m_pTileTexts[i]);
    if (!holder || holder->Count() < 1) continue;
    if (o->head.displayMode != OVERLAY_MODE_STACKED && i != o->head.activePlot) continue;
    int32_t left = 0, bottom = 0, right = 0, top = 0;
    if (!OPLOT_GetChromatogramArea(o, sizes, static_cast<int16_t>(i), &left, &bottom, &right, &top)) continue;
    double vmin = 0, vmax = 0;
    if (!OPLOT_GetVerticalScaleValues(o, sizes, static_cast<int16_t>(i), SizesUseProcessed(sizes, i), &vmin, &vmax) ||
        !(vmax > vmin))
      continue;
    const double height = bottom + 1 - top;
    {
      RECT titles[TILE_KEEP_OUT_BOXES] = {};
      HGDIOBJ old = titleFont ? SelectObject(h, titleFont) : nullptr;
      const int32_t count = OPLOT_GetTitleBoxes(h, m_pOverlay, &measured, optionA, optionB, &callerTitle,
                                                static_cast<int16_t>(i), titles, TILE_KEEP_OUT_BOXES);
      if (old) SelectObject(h, old);
      holder->SetKeepOutBoxes(titles, count);
    }
    holder->SetPointGap(m_tileTextsClearApexMarks
                            ? 2 * kelt::events::MarkHalfHeight(sizes) + std::max(2, sizes->charHeight / 8)
                            : 0);
    const int saved = SaveDC(h);
    IntersectClipRect(h, left, top, right, bottom);
    holder->DrawTileLabels(dc, print, &lf, t0, t1, vmin, vmax, sx, height / (vmax - vmin), left, right, top, bottom);
    RestoreDC(h, saved);
  }
  if (titleFont) DeleteObject(titleFont);
}

void CCtlOPlot::MakeTileTexts() {
  FreeTileTexts();
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    if (!OverlaySlotPresent(o, i)) continue;
    // A holder that cannot be made leaves its plot without tiled texts.
    auto* holder = new (std::nothrow) CTileTextOnPlot;
    if (holder && !holder->InitHolder()) {
      delete holder;
      holder = nullptr;
    }
    m_pTileTexts[i] = holder;
  }
}

void CCtlOPlot::FreeTileTexts() {
  for (void*& tile : m_pTileTexts) {
    delete static_cast<CTileTextOnPlot*>(tile);
    tile = nullptr;
  }
}

void CCtlOPlot::DrawOutline(CDC* dc) {
  if (!dc || !dc->GetSafeHdc()) return;
  HDC h = dc->GetSafeHdc();
  const int w = m_plotWidth + 8;
  const int hgt = m_plotHeight + 8 + (m_segmentsShown ? m_segmentBarHeight : 0);
  SetViewportOrgEx(h, m_plotLeft - 4, m_plotTop - 4, nullptr);
  SetViewportExtEx(h, w, hgt, nullptr);
  SetWindowOrgEx(h, 0, 0, nullptr);
  SetWindowExtEx(h, w, hgt, nullptr);
  const struct {
    RECT r;
    int colour;
  } parts[] = {
      {{0, 0, 2, hgt}, 0},         {{0, 0, w, 2}, 0},
      {{2, 2, 4, hgt - 2}, 1},     {{2, 2, w - 2, 4}, 1},
      {{w - 2, 0, w, hgt}, 3},     {{0, hgt - 2, w, hgt}, 3},
      {{w - 4, 2, w - 2, hgt - 2}, 2}, {{2, hgt - 4, w - 2, hgt - 2}, 2},
  };
  for (const auto& part : parts) {
    HBRUSH brush = CreateSolidBrush(m_outline[part.colour]);
    FillRect(h, &part.r, brush);
    DeleteObject(brush);
  }
}

void CCtlOPlot::OnMeasureItem(int id, MEASUREITEMSTRUCT* item) {
  if ((id != OPLOT_ID_SCROLL_DOWN && id != OPLOT_ID_SCROLL_UP) || !item) return;
  item->CtlType = ODT_BUTTON;
  item->CtlID = static_cast<UINT>(id);
  item->itemWidth = static_cast<UINT>(m_vScrollWidth);
  item->itemHeight = static_cast<UINT>(m_hScrollHeight);
}

void CCtlOPlot::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
  if ((id != OPLOT_ID_SCROLL_DOWN && id != OPLOT_ID_SCROLL_UP) || !item || !item->hDC) return;
  HDC dc = item->hDC;
  const RECT& rc = item->rcItem;
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  DrawButtonFrame(dc, 0, 0, rc.right - 1, rc.bottom - 1);
  const int w = (rc.right / 2) * 2 - 4, h = (rc.bottom / 2) * 2 - 4;
  RECT inner{2, 2, w + 2, h + 2};

  bool marked = false;
  if (const SVW_OVERLAY* o = m_pOverlay) {
    const bool segBoth = m_segModeRequested && m_navEnabled;
    if (id == OPLOT_ID_SCROLL_DOWN) {
      const double end = segBoth ? m_ownFullEnd : o->tail.homeEnd;
      marked = o->tail.viewEnd != end;
      if (marked) inner.right -= w / 2;
    } else {
      const double start = segBoth || m_ownFullRange ? m_ownFullStart : o->tail.homeStart;
      marked = o->tail.viewStart != start;
      if (marked) inner.left += w / 2;
    }
  }
  if (marked) {
    DrawButtonFrame(dc, 2, 2, w + 2, h + 2);
    FillRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  SelectObject(dc, oldPen);
}
