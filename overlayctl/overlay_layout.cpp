// Layout of the overlay plot control: the plot rectangle, the toolbar
// frame, the gain sliders, the segment bar and the bottom row, whose
// parts are dropped data-review first, then edit-ions, then scroll.
#include <algorithm>
#include <cstdio>

#include "common/work_file.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/plot_layout.h"
#include "specialctl/gain_slider.h"
#include "win/win_debug.h"

namespace {
constexpr int kMargin = 4;
constexpr const char* kSourceName = "Ctl_op_a";

void MoveTo(CWnd* w, int x, int y, int cx, int cy) {
  if (w && w->m_hWnd) w->MoveWindow(x, y, cx, cy, FALSE);
}
void Empty(CWnd* w) { MoveTo(w, 0, 0, 0, 0); }
void MoveAndInvalidate(CWnd* w, int x, int y, int cx, int cy) {
  if (!w || !w->m_hWnd) return;
  w->MoveWindow(x, y, cx, cy, FALSE);
  w->Invalidate(FALSE);
}
int16_t Clamp0(int v) { return static_cast<int16_t>(v < 0 ? 0 : v); }
}  // namespace

void CCtlOPlot::SizeControls() {
  if (m_noRepaint || !m_pHScroll) return;
  SVW_OVERLAY* o = m_pOverlay;
  int plotsOnCount = 0;
  if (o)
    for (int i = 0; i < OPLOT_SLOTS; ++i) plotsOnCount += o->head.shown[i] ? 1 : 0;
  const bool plotsOn = m_hasData && o && plotsOnCount > 0;
  m_noFileAcquiring = 1;
  if (o) {
    for (int i = 0; i < OPLOT_SLOTS; ++i) {
      if (!o->tail.attached[i]) continue;
      const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
      if (!wf) {
        char text[128];
        std::snprintf(text, sizeof text, "%s line %d: lpWF is null for slot %d\n", kSourceName, __LINE__, i);
        OutputDebugStringA(text);
      } else if (wf->live) {
        m_noFileAcquiring = 0;
      }
    }
  }
  if (m_cx == 0 || m_cy == 0) return;

  // Character size of the chromatogram font.
  if (HDC dc = ::GetDC(m_hWnd)) {
    HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    if (GetTextExtentPoint32A(dc, "M", 1, &size)) {
      m_charWidth = static_cast<int16_t>(size.cx);
      m_charHeight = static_cast<int16_t>(size.cy);
    }
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
    ::ReleaseDC(m_hWnd, dc);
  }
  m_segmentBarHeight = static_cast<int16_t>(2 * m_charHeight);
  const int w = m_vScrollWidth, h = m_hScrollHeight;

  int left = 0, top = 0, width = m_cx, height = m_cy;
  m_toolbarShown = 0;
  if (m_showToolbar && m_pToolBar && m_pToolBar->m_hWnd) {
    m_pToolBar->MoveWindow(0, 0, m_cx + 1, m_cy, FALSE);
    m_toolbarHeight = static_cast<int16_t>(m_pToolBar->SendMessage(WM_USER + 24, m_cx, m_cy));
    m_pToolBar->MoveWindow(0, 0, m_cx + 1, m_toolbarHeight, FALSE);
    m_pToolBar->Invalidate(FALSE);
    top = m_toolbarHeight;
    height = std::max(0, height - m_toolbarHeight);
    m_toolbarShown = 1;
  } else {
    Empty(m_pToolBar);
  }
  left += kMargin;
  top += kMargin;
  width = std::max(0, width - 2 * kMargin);
  height = std::max(0, height - 2 * kMargin);

  const int titleHeight = 2 * m_charHeight + (m_textAreaOn ? m_charHeight * m_plotTextLines : 0);
  const int16_t type = o ? o->head.displayMode : 0;
  const bool slidersWanted = m_showSliders && type != OVERLAY_MODE_NORMALISED && plotsOn;

  // The bottom row: a zoomed view, edit ions or the navigation strip.
  bool zoomed = false;
  if (plotsOn) {
    double fullStart = o->tail.homeStart, fullEnd = o->tail.homeEnd;
    if ((m_navEnabled && m_segModeRequested) || m_ownFullRange) {
      fullStart = m_ownFullStart;
      fullEnd = m_ownFullEnd;
    }
    zoomed = o->tail.viewEnd - o->tail.viewStart < fullEnd - fullStart;
  }
  bool bottomRow = zoomed || m_editIonsOn || m_navEnabled;

  // The segment bar needs an active plot of MS data.
  bool segmentsWanted = false;
  if (m_controlKind != 3 && m_controlKind != 4 && m_prefs.features.showSegments && m_pSegments && m_hasData && o) {
    const int active = GetActivePlotIndex();
    const STRUCT_WORK_FILE* wf = OverlaySlotIndex(active) ? o->slots[active].workFile : nullptr;
    segmentsWanted = wf && IsMSKind(wf);
    if (segmentsWanted && m_segmentsNeedFit) segmentsWanted = titleHeight + m_segmentBarHeight <= height;
  }

  const int plotsForHeight = type == OVERLAY_MODE_STACKED ? plotsOnCount : 1;
  const bool tooSmall = !plotsOn || width < 14 * m_charWidth ||
                        m_cy < titleHeight + plotsForHeight + (segmentsWanted ? h : 0);
  const bool sliders = slidersWanted && !tooSmall;
  if (tooSmall) bottomRow = false;
  if (sliders) width = std::max(0, width - m_sliderWidth);
  if (bottomRow) height = std::max(0, height - h);

  m_segmentsShown = 0;
  if (height >= 3 * m_segmentBarHeight && segmentsWanted && !tooSmall) {
    height -= m_segmentBarHeight;
    MoveTo(m_pSegments, left, top + height, width, m_segmentBarHeight);
    m_segmentsShown = 1;
  } else {
    Empty(m_pSegments);
  }
  m_plotLeft = static_cast<int16_t>(left);
  m_plotTop = static_cast<int16_t>(top);
  m_plotWidth = Clamp0(width);
  m_plotHeight = Clamp0(height);
  const int segExtra = m_segmentsShown ? m_segmentBarHeight : 0;

  // Sliders.
  const int sx = left + width + kMargin;
  int sy = top - kMargin;
  if (!sliders) {
    for (CCtlVScroll* s : m_pSliders) MoveAndInvalidate(s, 0, 0, 0, 0);
    m_slidersShown = 0;
  } else {
    const int full = height + 2 * kMargin + (bottomRow ? h : 0) + segExtra;
    const bool maxStacked = type == OVERLAY_MODE_STACKED && o->head.maximised && OverlaySlotIndex(o->head.maximisedSlot);
    if (type != OVERLAY_MODE_STACKED || maxStacked) {
      const int keep = maxStacked ? o->head.maximisedSlot : 0;
      for (int i = 0; i < OPLOT_SLOTS; ++i) {
        if (i == keep)
          MoveAndInvalidate(m_pSliders[i], sx, sy, m_sliderWidth, full);
        else
          Empty(m_pSliders[i]);
      }
    } else {
      STRUCT_OPLOT_PLOT_PARAMS params{};
      OPLOT_InitPlotParams(&params, 0, static_cast<int16_t>(left), static_cast<int16_t>(top + height),
                           static_cast<int16_t>(left + width), static_cast<int16_t>(top), m_charWidth, m_charHeight);
      STRUCT_OVER_SIZES sizes{};
      OPLOT_CalculateSizes(o, &params, &sizes, 0, -1, -1);
      int last = -1;
      for (int i = 0; i < OPLOT_SLOTS; ++i)
        if (o->head.shown[i]) last = i;
      bool first = true;
      for (int i = 0; i < OPLOT_SLOTS; ++i) {
        if (!o->head.shown[i]) {
          Empty(m_pSliders[i]);
          continue;
        }
        int sh = sizes.plotHeights[i] + (first ? kMargin + TitleMargin() : 0);  // the title line sits above the first
        if (i == last) {
          // The last one reaches the bottom of the plot area and what lies below it.
          const int areaBottom = top + height;
          sh = std::max(sh, areaBottom - sy) + kMargin + (bottomRow ? h : 0) + segExtra;
        }
        MoveTo(m_pSliders[i], sx, sy, m_sliderWidth, sh);
        sy += sh;
        first = false;
      }
      for (CCtlVScroll* s : m_pSliders)
        if (s && s->m_hWnd) s->Invalidate(FALSE);
    }
    m_slidersShown = 1;
  }

  // Bottom row.
  CWnd* nav[10];
  const int navIds[10] = {103, 104, OPLOT_ID_NAV_INDEX, 105, 106, 110, 108, 109, 107, 111};
  for (int k = 0; k < 10; ++k) nav[k] = GetDlgItem(navIds[k]);
  CWnd* ionsEdit = GetDlgItem(OPLOT_ID_EDIT_IONS);
  CWnd* ionsText = GetDlgItem(OPLOT_ID_IONS_TEXT);
  if (!bottomRow) {
    Empty(m_pHScroll);
    Empty(m_pScrollButton[0]);
    Empty(m_pScrollButton[1]);
    Empty(m_pRangeText);
    Empty(ionsEdit);
    Empty(ionsText);
    for (CWnd* c : nav) Empty(c);
    m_scrollShown = 0;
  } else {
    const int y = top + height + kMargin + segExtra;
    const int W = m_cx - (sliders ? m_sliderWidth : 0);
    int S = 6 * w, E = m_editIonsOn ? 6 * w : 0, D = m_navEnabled ? 16 * w : 0;
    if (S + E + D > W) D = 0;
    if (S + E + D > W) E = 0;
    if (S + E + D > W) S = 0;
    const int R = W - (S + E + D);
    if (E && S) {
      E += R / 2;
      S += R - R / 2;
    } else if (E) {
      E += R;
    } else if (S) {
      S += R;
    } else {
      D += R;
    }
    const int xScroll = 0, xNav = S, xIons = S + D;
    if (S > 0 && zoomed) {
      MoveAndInvalidate(m_pScrollButton[1], xScroll, y, w, h);
      MoveAndInvalidate(m_pHScroll, xScroll + w, y, S - 2 * w, h);
      MoveAndInvalidate(m_pScrollButton[0], xScroll + S - w, y, w, h);
      Empty(m_pRangeText);
      m_scrollShown = 1;
    } else {
      Empty(m_pHScroll);
      Empty(m_pScrollButton[0]);
      Empty(m_pScrollButton[1]);
      m_scrollShown = 0;
      if (S > 0)
        MoveAndInvalidate(m_pRangeText, xScroll, y, S, h);
      else
        Empty(m_pRangeText);
    }
    if (D > 0) {
      const int widths[10] = {w, w, 2 * w, w, 2 * w, D - 12 * w, w, w, w, 2 * w};
      int x = xNav;
      for (int k = 0; k < 10; ++k) {
        MoveTo(nav[k], x, y, widths[k], h);
        if (nav[k]) nav[k]->ShowWindow(SW_SHOW);
        x += widths[k];
      }
    } else {
      for (CWnd* c : nav) Empty(c);
    }
    if (E > 0) {
      MoveTo(ionsEdit, xIons, y, 3 * w, h);
      MoveTo(ionsText, xIons + 3 * w, y, E - 3 * w, h);
      for (CWnd* c : {ionsEdit, ionsText})
        if (c) c->ShowWindow(SW_SHOW);
    } else {
      Empty(ionsEdit);
      Empty(ionsText);
    }
  }
  if (m_timeEventWaitingForButtons) PostMessage(OPM_SIZETIMEEVENTBUTTONS, 0, 0);
}
