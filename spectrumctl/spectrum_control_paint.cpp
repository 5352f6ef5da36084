// The spectrum control's layout, scales and painting through the
// stacked-spectra drawing, and its mouse: drag zoom, double clicks, the
// plot buttons and escape.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "common/display_helpers.h"
#include "common/library_state.h"
#include "common/mass_lists.h"
#include "common/plot_descriptors.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "plotengine/band_drawing.h"
#include "plotengine/label_manager.h"
#include "specialctl/gain_slider.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/chem_struct.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_info_windows.h"
#include "spectrumctl/stacked_spectra.h"
#include "ulbrec32/clipboard_bitmap.h"
#include "win/win_resources.h"

namespace {
void MoveChild(CWnd* w, int x, int y, int cx, int cy) {
  if (w && w->m_hWnd) w->MoveWindow(x, y, std::max(0, cx), std::max(0, cy), TRUE);
}
// Percent ranges narrower than this have no scale to draw.
constexpr double kLeastVertSpan = 1e-6;
bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
}  // namespace

// ---- Layout ------------------------------------------------------------------

void CCtlSpt::OnSize(UINT, int cx, int cy) {
  Default();
  if (cx == 0 && cy == 0) {
    CloseCentroidDialogs();
    CloseSelChroPlotDialog();
  }
  m_cx = static_cast<int16_t>(std::clamp(cx, 0, 0x7FFF));
  m_cy = static_cast<int16_t>(std::clamp(cy, 0, 0x7FFF));
  if (m_pHScroll) InitSizes();
}

BOOL CCtlSpt::OnEraseBkgnd(CDC* dc) { return CWnd::OnEraseBkgnd(dc); }

void CCtlSpt::InitSizes() {
  m_plotLeft = 0;
  m_plotTop = 0;
  m_plotWidth = m_cx;
  m_plotHeight = m_cy;
  if (m_pageMode >= SPT_PAGE_IONS && m_pageMode <= SPT_PAGE_COMPARISON && m_pInfo) {
    m_showToolbar = 1;
    if (m_toolbarHeight == 0) CreateToolBar();
    if (m_toolbarHeight == 0) m_pageMode = SPT_PAGE_PLOT;
  }
  m_toolbarShown = 0;
  if (m_showToolbar && m_pToolBar && m_pToolBar->m_hWnd) {
    m_pToolBar->MoveWindow(0, 0, m_cx + 1, m_cy, FALSE);
    m_toolbarHeight = static_cast<int16_t>(m_pToolBar->SendMessage(WM_USER + 24, m_cx, m_cy));
    m_pToolBar->MoveWindow(0, 0, m_cx + 1, m_toolbarHeight, TRUE);
    m_pToolBar->Invalidate(FALSE);
    m_plotTop = m_toolbarHeight;
    m_plotHeight = static_cast<int16_t>(std::max(0, m_plotHeight - m_toolbarHeight));
    m_toolbarShown = 1;
  } else if (m_pToolBar && m_pToolBar->m_hWnd) {
    m_pToolBar->MoveWindow(0, 0, 0, 0, TRUE);
  }
  m_infoInUse = 0;
  if (m_pInfo && m_pInfo->m_hWnd) {
    if (m_pageMode >= SPT_PAGE_IONS && m_pageMode <= SPT_PAGE_COMPARISON) {
      m_pInfo->MoveWindow(m_plotLeft, m_plotTop, m_plotWidth, m_plotHeight, TRUE);
      m_infoInUse = 1;
    } else {
      m_pInfo->MoveWindow(0, 0, 0, 0, TRUE);
    }
    m_pInfo->Invalidate(FALSE);
  }
  const int n = (m_shown[0] && m_display[0]) + (m_shown[2] && m_display[2]) +
                (!m_prefs.drawing.overlayAB && m_shown[1] && m_display[1]);
  m_slidersVisible = 0;
  if (m_pSliders[0] && m_prefs.drawing.flag10 && n > 0 && !m_infoInUse && m_pageMode == SPT_PAGE_PLOT &&
      m_plotWidth >= 8 * m_charWidth && m_plotHeight >= n * 2 * m_charHeight) {
    m_slidersVisible = 1;
    m_plotWidth = static_cast<int16_t>(m_plotWidth - m_thumbWidth2);
  } else {
    for (CCtlVScroll* s : m_pSliders) MoveChild(s, 0, 0, 0, 0);
  }
  const bool whole = m_massLow <= m_fullLow && m_massHigh >= m_fullHigh;
  if (n == 0 || whole || m_plotHeight < 14 * m_charWidth || m_infoInUse || m_pageMode != SPT_PAGE_PLOT) {
    MoveChild(m_pHScroll, 0, 0, 0, 0);
    MoveChild(m_pDown, 0, 0, 0, 0);
    MoveChild(m_pUp, 0, 0, 0, 0);
    m_scrollShown = 0;
  } else {
    m_plotHeight = static_cast<int16_t>(m_plotHeight - m_scrollHeight);
    const int y = m_plotTop + m_plotHeight;
    if (m_pDown && m_pUp) {
      MoveChild(m_pDown, 0, y, m_scrollWidth, m_scrollHeight);
      MoveChild(m_pHScroll, m_scrollWidth, y, m_plotWidth - 2 * m_scrollWidth, m_scrollHeight);
      MoveChild(m_pUp, m_plotWidth - m_scrollWidth, y, m_scrollWidth, m_scrollHeight);
    } else {
      MoveChild(m_pHScroll, 0, y, m_plotWidth, m_scrollHeight);
    }
    m_scrollShown = 1;
  }
}

// ---- Scales --------------------------------------------------------------------

int CCtlSpt::GetHorzAutoScaleValues(double* low, double* high) {
  bool any = false, profile = false;
  double lo = 0, hi = 0;
  for (int s = 0; s < 2; ++s) {
    const STRUCT_SPT_PLUS* p = m_display[s];
    if (!p || !m_shown[s]) continue;
    double a = p->lowMass, b = p->highMass;
    // A record's own range is believed only when it is a range of masses.
    const bool ownRange = std::isfinite(a) && std::isfinite(b) && a >= 0 && a <= b && b < 1e6;
    if (!ownRange) a = b = 0;
    if (!p->useMassRange || !ownRange) {
      const int n = PlusSpt_GetPairCount(p);
      if (n <= 0) continue;
      double m0 = 0, mn = 0, v = 0;
      SptPairAt(p, 0, &m0, &v);
      SptPairAt(p, static_cast<uint32_t>(n - 1), &mn, &v);
      if (!std::isfinite(m0) || !std::isfinite(mn)) continue;
      if (a == 0 && b == 0) a = m0, b = mn;
      a = std::min(a, m0);
      b = std::max(b, mn);
    }
    profile = profile || PlusSpt_IsProfileData(p);
    if (!any) lo = a, hi = b, any = true;
    lo = std::min(lo, a);
    hi = std::max(hi, b);
  }
  if (!any) {
    if (low) *low = -1.1;
    if (high) *high = 1.1;
    return 0;
  }
  const double least = profile ? 0.0005 : 2.0;
  if (hi - lo < least) {
    const double grow = (least - (hi - lo)) / 2;
    lo -= grow;
    hi += grow;
  }
  const double margin = (hi - lo) * 0.05;
  if (low) *low = lo - margin;
  if (high) *high = hi + margin;
  return 1;
}

void CCtlSpt::AutoScaleHorzScale() {
  GetHorzAutoScaleValues(&m_massLow, &m_massHigh);
  if (m_moduleWindow) m_horzSetByUser = 0;
}

void CCtlSpt::AutoScaleVertScales(short first, short last) {
  auto scaleOver = [&](std::initializer_list<const STRUCT_SPT_PLUS*> spectra, double* lowOut, double* highOut) {
    bool any = false;
    double top = 0, bottom = 0;
    for (const STRUCT_SPT_PLUS* s : spectra) {
      if (!s) continue;
      double base = 0;
      PlusSpt_GetBasePeak(s, &base);
      if (!(base > 0) || !std::isfinite(base)) continue;
      double hi = 0, lo = 0;
      bool seen = false;
      if (m_moduleWindow && base <= 100.0) {
        hi = 100.0, lo = 0, seen = true;
      } else {
        const bool profile = PlusSpt_IsProfileData(s);
        const int n = std::max(0, PlusSpt_GetPairCount(s));
        for (int i = 0; i < n; ++i) {
          double m = 0, v = 0;
          SptPairAt(s, static_cast<uint32_t>(i), &m, &v);
          if (m < m_massLow) continue;
          if (m > m_massHigh) break;
          if (!seen) hi = v, lo = profile ? v : 0, seen = true;
          hi = std::max(hi, v);
          if (profile) lo = std::min(lo, v);
        }
      }
      if (!seen) continue;
      const double t = hi / base * 100, b = lo / base * 100;
      if (!any) top = t, bottom = b, any = true;
      top = std::max(top, t);
      bottom = std::min(bottom, b);
    }
    if (!any || bottom == top) {
      *lowOut = -5.0;
      *highOut = 105.0;
    } else {
      const double margin = (top - bottom) / 20;
      *lowOut = bottom - margin;
      *highOut = top + margin;
    }
  };
  for (short pane = std::max<short>(first, 0); pane <= std::min<short>(last, 3); ++pane) {
    if (pane <= 1) {
      if (!m_shown[pane] || !m_display[pane]) continue;
      if (m_moduleWindow && pane == 0) m_vertSetByUser = 0;
      if (m_prefs.drawing.overlayAB && m_shown[0] && m_shown[1] && m_display[1] && first == 0 && last >= 1) {
        if (pane == 0) {
          scaleOver({m_display[0], m_display[1]}, &m_vertMin[0], &m_vertMax[0]);
          m_vertMin[1] = m_vertMin[0];
          m_vertMax[1] = m_vertMax[0];
        }
        continue;
      }
      scaleOver({m_display[pane], m_smoothed[pane]}, &m_vertMin[pane], &m_vertMax[pane]);
    } else if (pane == 2) {
      if (!m_shown[2] || !m_display[2] || last == 3) continue;
      const STRUCT_SPT_PLUS* d = m_display[2];
      const int n = std::max(0, PlusSpt_GetPairCount(d));
      // The same percent base as the drawing of the pane: the largest
      // difference either way (a normalised difference's 999 would leave
      // every stick above the pane's top).
      double largest = 0;
      for (int i = 0; i < n; ++i) {
        double m = 0, v = 0;
        SptPairAt(d, static_cast<uint32_t>(i), &m, &v);
        largest = std::max(largest, std::fabs(v));
      }
      const double base = largest;
      double lowest = 0, highest = 0;
      bool any = false;
      for (int i = 0; i < n; ++i) {
        double m = 0, v = 0;
        SptPairAt(d, static_cast<uint32_t>(i), &m, &v);
        if (m < m_massLow || m > m_massHigh) continue;
        any = true;
        if (v <= 0) lowest = std::min(lowest, v);
        else highest = std::max(highest, v);
      }
      // A base of 0 has no percent scale: full scale instead of a division by 0.
      if (!any || lowest == highest || base == 0) {
        m_vertMin[2] = -100.0;
        m_vertMax[2] = 100.0;
      } else {
        m_vertMin[2] = lowest * 100 / base;
        m_vertMax[2] = highest * 100 / base;
      }
    } else if (m_shown[2] && m_display[2]) {
      m_vertMin[2] = -100.0;
      m_vertMax[2] = 100.0;
    }
  }
}

void CCtlSpt::InitScaleRanges() {
  double lo = 0, hi = 0;
  GetHorzAutoScaleValues(&lo, &hi);
  const bool empty = m_massLow == 0 && m_massHigh == 0;
  if (m_horzMode == SPT_HORZ_AUTOSCALE && !m_horzSetByUser) {
    m_massLow = m_fullLow = lo;
    m_massHigh = m_fullHigh = hi;
  } else if (m_horzMode == SPT_HORZ_LEARN && !m_horzSetByUser) {
    if (empty) {
      m_massLow = lo, m_massHigh = hi;
    } else {
      m_massLow = std::min(m_massLow, lo);
      m_massHigh = std::max(m_massHigh, hi);
    }
    m_fullLow = m_massLow;
    m_fullHigh = m_massHigh;
  } else {
    m_fullLow = lo;
    m_fullHigh = hi;
    if (empty) m_massLow = lo, m_massHigh = hi;
  }
  if (m_vertMode == SPT_VERT_FIXED || m_vertSetByUser) {
    auto unset = [&](int p) { return m_vertMin[p] == 0 && m_vertMax[p] == 0; };
    if (m_prefs.drawing.overlayAB && m_shown[0] && m_shown[1]) {
      if (unset(0) || unset(1)) AutoScaleVertScales(0, 1);
    } else {
      if (unset(0)) AutoScaleVertScales(0, 0);
      if (unset(1)) AutoScaleVertScales(1, 1);
    }
    if (unset(2)) AutoScaleVertScales(3, 3);
  } else {
    AutoScaleVertScales(0, 3);
  }
  m_scalesValid = 0;
  if (m_hWnd) Invalidate(FALSE);
}

void CCtlSpt::SaveCurrentScales() {
  if (m_massHigh - m_massLow < 5.0) return;
  STRUCT_CCSPT_SCALE_STATE state{};
  state.massLow = m_massLow;
  state.massHigh = m_massHigh;
  for (int p = 0; p < SPT_SLOTS; ++p) {
    if (m_shown[p] && m_display[p]) {
      state.low[p] = m_vertMin[p];
      state.high[p] = m_vertMax[p];
      state.base[p] = m_lastBase[p];
    }
  }
  if (m_historyCount > 0) {
    STRUCT_CCSPT_SCALE_STATE& current = m_history[m_historyCurrent];
    if (current.massLow == state.massLow && current.massHigh == state.massHigh) {
      current = state;
      return;
    }
  }
  m_history[m_historyNext] = state;
  m_historyCurrent = m_historyNext;
  m_historyNext = static_cast<int16_t>((m_historyNext + 1) % SPT_HISTORY);
  if (m_historyCount < SPT_HISTORY) ++m_historyCount;
}

void CCtlSpt::OnTTShowPrevious() {
  if (m_historyCount < 2) return;
  if (m_tracking) OnEscapeTracking(0, 0);
  m_historyCurrent = static_cast<int16_t>(m_historyCurrent - 1 < 0 ? m_historyCount - 1 : m_historyCurrent - 1);
  const STRUCT_CCSPT_SCALE_STATE& s = m_history[m_historyCurrent];
  m_massLow = s.massLow;
  m_massHigh = s.massHigh;
  for (short p = 0; p < SPT_SLOTS; ++p) {
    if (!m_shown[p] || !m_display[p]) {
      m_vertMin[p] = m_vertMax[p] = 0;
    } else if (s.low[p] == s.high[p]) {
      AutoScaleVertScales(p == 2 ? 3 : p, p == 2 ? 3 : p);
    } else {
      m_vertMin[p] = s.low[p];
      m_vertMax[p] = s.high[p];
      m_lastBase[p] = s.base[p];
    }
  }
  InitSizes();
  Invalidate(FALSE);
}

void CCtlSpt::OnTTFullScale() {
  for (int p = 0; p < SPT_SLOTS; ++p) m_vertMin[p] = m_vertMax[p] = 0;
  AutoScaleHorzScale();
  AutoScaleVertScales(0, 3);
  SaveCurrentScales();
  InitSizes();
  Invalidate(FALSE);
}

LRESULT CCtlSpt::OnFixMassRange(WPARAM, LPARAM lParam) {
  const auto* r = reinterpret_cast<const double*>(lParam);
  if (!r || !(r[0] < r[1]) || r[0] < 0 || r[1] >= 10000) return 0;
  m_massLow = r[0];
  m_massHigh = r[1];
  GetHorzAutoScaleValues(&m_fullLow, &m_fullHigh);
  m_horzMode = SPT_HORZ_FIXED;
  AutoScaleVertScales(0, 3);
  InitSizes();
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnShowDiffSptFullScale(WPARAM, LPARAM) {
  m_vertMin[2] = -100.0;
  m_vertMax[2] = 100.0;
  Invalidate(FALSE);
  return 0;
}

void CCtlSpt::SetHorzMode(int16_t mode) {
  if (mode == SPT_HORZ_AUTOSCALE) {
    m_horzMode = mode;
    m_horzSetByUser = 0;
    AutoScaleHorzScale();
    GetHorzAutoScaleValues(&m_fullLow, &m_fullHigh);
  } else if (mode == SPT_HORZ_LEARN) {
    m_horzMode = mode;
    m_horzSetByUser = 0;
    m_massLow = m_fullLow;
    m_massHigh = m_fullHigh;
  } else if (mode == SPT_HORZ_FIXED) {
    m_horzMode = mode;
    return;
  } else {
    return;
  }
  InitSizes();
  Invalidate(FALSE);
}

void CCtlSpt::SetVertMode(int16_t mode) {
  if (mode == SPT_VERT_AUTOSCALE) {
    m_vertMode = mode;
    m_vertSetByUser = 0;
    AutoScaleVertScales(0, 3);
    InitSizes();
    Invalidate(FALSE);
  } else if (mode == SPT_VERT_FIXED) {
    m_vertMode = mode;
    if (m_massLow == -1.1 && m_massHigh == 1.1) m_massLow = m_massHigh = 0;
  }
}

LRESULT CCtlSpt::OnChangeNewSptHorzMassRangeMode(WPARAM wParam, LPARAM) {
  if (wParam <= 2) SetHorzMode(static_cast<int16_t>(wParam));
  return 0;
}

LRESULT CCtlSpt::OnChangeNewSptVertRangeMode(WPARAM wParam, LPARAM) {
  if (wParam <= 1) SetVertMode(static_cast<int16_t>(wParam));
  return 0;
}

LRESULT CCtlSpt::OnGetAllRangeInfo(WPARAM, LPARAM lParam) {
  auto* r = reinterpret_cast<STRUCT_CCSPT_RANGES*>(lParam);
  if (!r || !m_scalesValid) return 0;
  r->massLow = m_massLow;
  r->massHigh = m_massHigh;
  r->fullLow = m_fullLow;
  r->fullHigh = m_fullHigh;
  for (int p = 0; p < SPT_SLOTS; ++p) {
    r->vertMin[p] = m_vertMin[p];
    r->vertMax[p] = m_vertMax[p];
    r->lastBase[p] = m_lastBase[p];
  }
  return 1;
}

LRESULT CCtlSpt::OnSetAllRangeInfo(WPARAM, LPARAM lParam) {
  const auto* r = reinterpret_cast<const STRUCT_CCSPT_RANGES*>(lParam);
  if (!r || (!m_display[0] && !m_display[1])) return 0;
  // Ranges a host hands in are taken only when they are finite and ordered.
  if (std::isfinite(r->massLow) && std::isfinite(r->massHigh) && r->massLow < r->massHigh) {
    m_massLow = r->massLow;
    m_massHigh = r->massHigh;
  }
  for (int p = 0; p < SPT_SLOTS; ++p) {
    if (!m_shown[p] || !m_display[p]) continue;
    if (std::isfinite(r->vertMin[p]) && std::isfinite(r->vertMax[p]) && r->vertMin[p] < r->vertMax[p]) {
      m_vertMin[p] = r->vertMin[p];
      m_vertMax[p] = r->vertMax[p];
    }
  }
  return 0;
}

// Scroll bar, arrow buttons, gain sliders.

void CCtlSpt::SetHorzBar() {
  const double width = m_massHigh - m_massLow;
  const double slack = (m_fullHigh - m_fullLow) - width;
  // A shown range wider than the extent has nothing to scroll.
  if (!(slack > 0) || !m_pHScroll) return;
  m_scrollPos = static_cast<int16_t>(std::clamp((m_massLow - m_fullLow) * 10000 / slack, 0.0, 10000.0));
  m_scrollPage = static_cast<int16_t>(width / 2 < slack ? width / 2 * 10000 / slack : 10000);
  m_scrollLine = static_cast<int16_t>(width / 10 < slack ? width / 10 * 10000 / slack : 2000);
  m_pHScroll->SetScrollPos(m_scrollPos, TRUE);
}

void CCtlSpt::OnHScroll(UINT code, UINT position, CWnd*) {
  if (!m_scalesValid || !m_scrollShown) return;
  int pos = m_scrollPos;
  switch (code) {
    case SB_LINELEFT: pos -= m_scrollLine; break;
    case SB_LINERIGHT: pos += m_scrollLine; break;
    case SB_PAGELEFT: pos -= m_scrollPage; break;
    case SB_PAGERIGHT: pos += m_scrollPage; break;
    case SB_THUMBPOSITION: pos = static_cast<int>(position); break;
    case SB_LEFT: pos = 0; break;
    case SB_RIGHT: pos = 10000; break;
    case SB_THUMBTRACK: return;
    default: break;
  }
  m_scrollPos = static_cast<int16_t>(std::clamp(pos, 0, 10000));
  if (code != SB_THUMBPOSITION && code != SB_ENDSCROLL) {
    if (m_pHScroll) m_pHScroll->SetScrollPos(m_scrollPos, TRUE);
    return;
  }
  const double width = m_massHigh - m_massLow;
  const double slack = (m_fullHigh - m_fullLow) - width;
  if (!(slack > 0)) return;
  double low = std::max(m_fullLow, slack * m_scrollPos / 10000 + m_fullLow);
  double high = low + width;
  if (high > m_fullHigh) high = m_fullHigh, low = high - width;
  m_massLow = low;
  m_massHigh = high;
  Invalidate(FALSE);
}

void CCtlSpt::OnHorzUp() {
  if (!m_scrollShown) {
    MessageBeep(0);
    return;
  }
  const double width = m_massHigh - m_massLow;
  m_massHigh = std::min(m_fullHigh, m_massHigh + width);
  SaveCurrentScales();
  InitSizes();
  Invalidate(FALSE);
}

void CCtlSpt::OnHorzDown() {
  if (!m_scrollShown) {
    MessageBeep(0);
    return;
  }
  const double width = m_massHigh - m_massLow;
  m_massLow = std::max(m_fullLow, m_massLow - width);
  SaveCurrentScales();
  InitSizes();
  Invalidate(FALSE);
}

void CCtlSpt::OnMeasureItem(int, MEASUREITEMSTRUCT*) {}

void CCtlSpt::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
  if (!item || (id != SPT_ID_DOWN && id != SPT_ID_UP)) return;
  RECT r = item->rcItem;
  HBRUSH face = CreateSolidBrush(0xC0C0C0);
  FillRect(item->hDC, &r, face);
  DeleteObject(face);
  FrameRect(item->hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const bool canGrow = id == SPT_ID_UP ? m_massHigh < m_fullHigh : m_massLow > m_fullLow;
  if (canGrow) {
    RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    const int mid = (inner.left + inner.right) / 2;
    RECT half = id == SPT_ID_UP ? RECT{inner.left, inner.top, mid, inner.bottom} : RECT{mid, inner.top, inner.right, inner.bottom};
    FillRect(item->hDC, &half, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

void CCtlSpt::SetVertBars() {
  for (short p = 0; p < SPT_SLOTS; ++p) {
    CCtlVScroll* s = m_pSliders[p];
    if (!s || !s->m_hWnd || !m_shown[p] || !m_display[p]) continue;
    double base = 0;
    PlusSpt_GetBasePeak(m_display[p], &base);
    STRUCT_VSCROLL_RANGE r{};
    if (p < 2) {
      if (base <= 1.0) {
        s->SendMessage(VSM_NORANGE, 0, 0);
        continue;
      }
      r = {m_vertMin[p], m_vertMax[p], 100 / base, 105.0};
    } else if (m_vertMin[2] < 0 && 0 < m_vertMax[2]) {
      r = {0, m_vertMax[2], 0, 105.0};
    } else if (m_vertMax[2] < 0) {
      r = {-m_vertMax[2], -m_vertMin[2], -m_vertMax[2], 105.0};
    } else {
      r = {m_vertMin[2], m_vertMax[2], m_vertMin[2], 105.0};
    }
    s->SendMessage(VSM_SETRANGEPOSITION, 0, reinterpret_cast<LPARAM>(&r));
  }
}

void CCtlSpt::AdjustSeparateMargin(short pane) {
  if (pane < 0 || pane >= SPT_SLOTS || !m_pSliders[pane]) return;
  double values[2] = {};
  m_pSliders[pane]->SendMessage(VSM_GETPOSITION, 0, reinterpret_cast<LPARAM>(values));
  const double v = values[1];
  if (pane == 2) {
    if (m_vertMin[2] < 0 && 0 < m_vertMax[2]) {
      m_vertMin[2] = -v;
      m_vertMax[2] = v;
    } else if (m_vertMax[2] <= 0) {
      m_vertMin[2] = -v;
    } else {
      m_vertMax[2] = v;
    }
  } else if (v > 0) {
    m_vertMax[pane] = v;
    if (m_vertMin[pane] < 0) m_vertMin[pane] = -(v / 20);
  }
}

void CCtlSpt::OnVScale(short pane) {
  AdjustSeparateMargin(pane);
  if (pane == 0) {
    if (m_moduleWindow) m_vertSetByUser = 1;
    if (m_prefs.drawing.overlayAB && m_shown[1]) {
      m_vertMin[1] = m_vertMin[0];
      m_vertMax[1] = m_vertMax[0];
    }
  }
  Invalidate(FALSE);
}

// ---- Painting ------------------------------------------------------------------

void CCtlSpt::InitDrawClass(void* drawer) {
  auto* d = static_cast<CDrawStackedSpectra*>(drawer);
  if (!d) return;
  d->ScreenColors = m_prefs.colors;
  d->VertAxis = m_prefs.axis0;
  d->HorzAxis = m_prefs.axis1;
  d->ShowDeleteButtons = !m_labelsLocked && !m_maximised ? 1 : 0;
  d->ShowActiveButtons = m_pManager && m_reviewIndex ? 1 : 0;
  d->ShowMaxButtons = m_plotsSelectable && (m_windowMode == SPT_WINDOW_DATA_REVIEW || m_maximised || ShownCount() >= 2);
  d->Maximized = m_maximised;
  d->MaximizedPlot = m_maximisedSlot;
  d->DifferenceMode = m_prefs.drawing.overlayAB;
  for (int p = 0; p < SPT_SLOTS; ++p) {
    const bool diffAllowed = p < 2 || (m_showDifference && m_prefs.drawing.showDifference);
    d->Spectra[p] = m_shown[p] && m_display[p] && diffAllowed ? m_display[p] : nullptr;
    // A range that is no number, or too narrow to have a scale (a host's
    // record), is drawn at full scale.
    if (!std::isfinite(m_vertMin[p]) || !std::isfinite(m_vertMax[p]) ||
        (m_vertMin[p] != m_vertMax[p] && !(std::fabs(m_vertMax[p] - m_vertMin[p]) >= kLeastVertSpan))) {
      m_vertMin[p] = p == 2 ? -100.0 : -5.0;
      m_vertMax[p] = p == 2 ? 100.0 : 105.0;
    }
    if (d->Spectra[p]) {
      d->VertMin[p] = m_vertMin[p];
      d->VertMax[p] = m_vertMax[p];
    }
    if (p < 2 && d->Spectra[p] && m_centroid[p]) d->SecondSpectra[p] = m_centroid[p];
    if (p < 2 && d->Spectra[p] && m_smoothed[p]) d->ThirdSpectra[p] = m_smoothed[p];
  }
  // The least mass span any spectrum is shown at.
  if (m_massLow != m_massHigh && !(m_massHigh - m_massLow >= 0.0005)) {
    const double centre = (m_massLow + m_massHigh) / 2;
    m_massLow = centre - 0.00025;
    m_massHigh = centre + 0.00025;
  }
  d->MassFrom = m_massLow;
  d->MassTo = m_massHigh;
  if (m_pManager && m_windowMode == SPT_WINDOW_DATA_REVIEW) d->WindowNumber = m_reviewIndex;
  if (m_comparisonSet && (m_differenceExport || m_comparison.filled)) d->SearchParams = &m_comparison;
}

void CCtlSpt::OnPaint() {
  m_scalesValid = 0;
  CPaintDC paint(this);
  HDC pdc = paint.GetSafeHdc();
  if (m_cx == 0 || m_cy == 0 || !m_pHScroll || m_infoInUse) {
    UpdateToolBar();
    if (m_pInfo && m_pInfo->m_hWnd && m_infoInUse) {
      STRUCT_SPT_PLUS* a = m_shown[0] ? m_display[0] : nullptr;
      STRUCT_SPT_PLUS* b = m_shown[1] ? m_display[1] : nullptr;
      if (m_pageMode == SPT_PAGE_IONS)
        m_pInfo->SendMessage(WM_USER + 23, reinterpret_cast<WPARAM>(a), reinterpret_cast<LPARAM>(b));
      else if (m_pageMode == SPT_PAGE_INFORMATION)
        m_pInfo->SendMessage(WM_USER + 22, reinterpret_cast<WPARAM>(a), reinterpret_cast<LPARAM>(b));
      else if (m_pageMode == SPT_PAGE_COMPARISON)
        m_pInfo->SendMessage(WM_USER + 26, 0, reinterpret_cast<LPARAM>(m_comparisonSet ? &m_comparison : nullptr));
    }
    return;
  }
  if (m_pInfo && m_pInfo->m_hWnd) m_pInfo->SendMessage(WM_USER + 21, 0, 0);
  const COLORREF background = m_prefs.colors.colors[0];
  if (m_plotWidth < 16 || m_plotHeight < 16 || ShownCount() == 0 || (m_massLow == 0 && m_massHigh == 0)) {
    const RECT r{m_plotLeft, m_plotTop, m_plotLeft + m_plotWidth, m_plotTop + m_plotHeight};
    if (m_prefs.colors.fadeOn) {
      KELT_FillRectWithFadeColor(pdc, background, m_prefs.colors.fadeMode, r.left, r.top, r.right, r.bottom);
    } else {
      HBRUSH brush = CreateSolidBrush(background);
      FillRect(pdc, &r, brush);
      DeleteObject(brush);
    }
    if (m_plotWidth >= 16 && m_plotHeight >= 16) DrawOutline(&paint);
    UpdateToolBar();
    return;
  }
  // Off screen first, then one copy: the window never shows a half drawing.
  const int w = m_plotWidth - 8, h = m_plotHeight - 7;
  HDC mem = CreateCompatibleDC(pdc);
  HBITMAP bitmap = mem ? CreateCompatibleBitmap(pdc, w, h) : nullptr;
  if (!mem || !bitmap) {
    if (mem) DeleteDC(mem);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
  HGDIOBJ oldFont = m_font ? SelectObject(mem, m_font) : nullptr;
  CDC memDC;
  memDC.Attach(mem);
  const RECT all{0, 0, w, h};
  {
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(mem, &all, brush);
    DeleteObject(brush);
  }
  if (m_pageMode == SPT_PAGE_PICTURE_A || m_pageMode == SPT_PAGE_PICTURE_B) {
    const STRUCT_SPT_PLUS* s = m_display[m_pageMode == SPT_PAGE_PICTURE_A ? 0 : 1];
    const uint8_t* table = s ? (s->slbrSpt ? s->slbrSpt->chemStruct : s->nistSpt ? s->nistSpt->chemStruct : nullptr)
                             : nullptr;
    if (table) {
      STRUCT_DRAW_CHEM_PICTURE pic{};
      pic.table = table;
      pic.left = 0;
      pic.top = 0;
      pic.right = static_cast<int16_t>(w);
      pic.bottom = static_cast<int16_t>(h);
      pic.charWidth = m_charWidth;
      pic.charHeight = m_charHeight;
      pic.backColor = background;
      pic.labelColor = m_prefs.colors.colors[1];
      pic.bondColor = m_prefs.colors.colors[1];
      pic.horzAlign = pic.vertAlign = 1;
      SPT_DrawChemicalPicture(&memDC, &pic);
    }
    if (s && s->name[0]) {
      SetBkMode(mem, TRANSPARENT);
      SetTextColor(mem, m_prefs.colors.colors[1]);
      TextOutA(mem, m_charWidth, h - m_charHeight * 3 / 2, s->name, static_cast<int>(strnlen(s->name, SPT_TEXT_NAME_SIZE)));
    }
  } else {
    CDrawStackedSpectra drawer;
    CDrawStackedSpectra* d = &drawer;
    {
      InitDrawClass(d);
      d->DC = &memDC;
      d->ReportMode = 0;
      d->Left = 0;
      d->Top = 0;
      d->Right = static_cast<int16_t>(w);
      d->Bottom = static_cast<int16_t>(h);
      d->CharWidth = m_charWidth;
      d->CharHeight = m_charHeight;
      d->PaintBackground = 1;
      const char* horz = m_horzMode == SPT_HORZ_LEARN ? "Maximum Range"
                         : m_horzMode == SPT_HORZ_AUTOSCALE ? "Acquired Range"
                                                            : "Fixed Range";
      std::snprintf(d->BottomText, sizeof d->BottomText, "%s, %s", horz, m_vertMode == SPT_VERT_FIXED ? "Fixed" : "Auto");
      d->DoJob();
      if (d->LayoutDone) {
        m_scalesValid = 1;
        for (int p = 0; p < SPT_SLOTS; ++p) {
          if (!d->Spectra[p]) continue;
          m_vertMin[p] = d->VertMin[p];
          m_vertMax[p] = d->VertMax[p];
        }
        m_massLow = d->MassFrom;
        m_massHigh = d->MassTo;
        m_vertScaleWidth = d->VertScaleWidth;
        m_drawnPlotWidth = d->PlotWidth;
        m_horzScaleHeight = d->HorzScaleHeight;
        m_totalPlotHeight = 0;
        for (int p = 0; p < SPT_SLOTS; ++p) {
          m_paneHeight[p] = d->BandHeight[p];
          m_totalPlotHeight = static_cast<int16_t>(m_totalPlotHeight + d->BandHeight[p]);
        }
        m_overlaid = d->DiffOverlay;
        const int ox = m_plotLeft + 4, oy = m_plotTop + 4;
        for (int p = 0; p < 2; ++p) {
          m_activeShown[p] = d->ActiveButtons.shown[p];
          m_activeRect[p] = {ox + d->ActiveButtons.x[p], oy + d->ActiveButtons.y[p],
                             ox + d->ActiveButtons.x[p] + d->ActiveButtons.width,
                             oy + d->ActiveButtons.y[p] + d->ActiveButtons.height};
        }
        for (int p = 0; p < SPT_SLOTS; ++p) {
          m_deleteShown[p] = d->DeleteButtons.shown[p];
          m_deleteRect[p] = {ox + d->DeleteButtons.x[p], oy + d->DeleteButtons.y[p],
                             ox + d->DeleteButtons.x[p] + d->DeleteButtons.width,
                             oy + d->DeleteButtons.y[p] + d->DeleteButtons.height};
          m_maxShown[p] = d->MaxButtons.shown[p];
          m_maxRect[p] = {ox + d->MaxButtons.x[p], oy + d->MaxButtons.y[p], ox + d->MaxButtons.x[p] + d->MaxButtons.width,
                          oy + d->MaxButtons.y[p] + d->MaxButtons.height};
        }
        if (m_slidersVisible) {
          int y = m_plotTop;
          int last = -1;
          for (int p = 0; p < SPT_SLOTS; ++p)
            if (m_paneHeight[p] > 0) last = p;
          for (int p = 0; p < SPT_SLOTS; ++p) {
            if (m_paneHeight[p] <= 0) {
              MoveChild(m_pSliders[p], 0, 0, 0, 0);
              continue;
            }
            int height = m_paneHeight[p];
            if (y == m_plotTop) height += 4;
            if (p == last) height += 4 + m_horzScaleHeight + (m_scrollShown ? m_scrollHeight : 0);
            MoveChild(m_pSliders[p], m_plotWidth, y, m_thumbWidth2, height);
            y += height;
          }
        }
        short v[10];
        LabelLayout(v);
        DrawLabels(&memDC, 0, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], 0);
      }
    }
  }
  // The frame around the picture: background, then the outline.
  {
    HBRUSH brush = CreateSolidBrush(background);
    const int l = m_plotLeft, t = m_plotTop, r = m_plotLeft + m_plotWidth, b = m_plotTop + m_plotHeight;
    const RECT strips[] = {{l, t, r, t + 3}, {l, t + 3 + h, r, b}, {l, t, l + 4, b}, {l + 4 + w, t, r, b}};
    for (const RECT& s : strips) FillRect(pdc, &s, brush);
    DeleteObject(brush);
    DrawOutline(&paint);
  }
  BitBlt(pdc, m_plotLeft + 4, m_plotTop + 3, w, h, mem, 0, 0, SRCCOPY);
  memDC.Detach();
  if (oldFont) SelectObject(mem, oldFont);
  SelectObject(mem, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(mem);
  UpdateToolBar();
  if (m_scrollShown) SetHorzBar();
  if (m_slidersVisible) SetVertBars();
}

// ---- Mouse ------------------------------------------------------------------------

short CCtlSpt::PaneAt(int top, int y, bool inclusive) const {
  int s = top;
  short pane = 0;
  // Never past the last pane, even when the pane heights fall short of the plot.
  while (pane < SPT_SLOTS - 1 && (inclusive ? s + m_paneHeight[pane] - 1 < y : s + m_paneHeight[pane] < y)) {
    s += m_paneHeight[pane];
    ++pane;
  }
  return pane;
}

void CCtlSpt::GetClickDragStatus(short* zoom, short* chromatogram, short* bitmap) {
  short z = 1, c = 0, b = 0;
  if (m_windowMode == SPT_WINDOW_DATA_REVIEW && m_pManager) {
    z = m_clickDragMode == SPT_DRAG_ZOOM;
    c = m_clickDragMode == SPT_DRAG_CHROMATOGRAM;
    b = m_clickDragMode == SPT_DRAG_BITMAP;
    const bool kz = GetKeyState('Z') < 0, kp = GetKeyState('P') < 0, kb = GetKeyState('B') < 0;
    if (kz + kp + kb == 1) z = kz, c = kp, b = kb;
  }
  if (zoom) *zoom = z;
  if (chromatogram) *chromatogram = c;
  if (bitmap) *bitmap = b;
}

void CCtlSpt::GetSingleClickStatus(short* librarySearch, short* listSearch, short* exportSpectrum, short* selectMass) {
  short l = 0, j = 0, e = 1, p = 0;
  if (m_windowMode == SPT_WINDOW_DATA_REVIEW && m_pManager) {
    l = m_singleClickMode == SPT_CLICK_LIBRARY_SEARCH;
    j = m_singleClickMode == SPT_CLICK_LIST_SEARCH;
    e = m_singleClickMode == SPT_CLICK_EXPORT;
    p = m_singleClickMode == SPT_CLICK_SELECT_MASS;
    const bool kl = GetKeyState('L') < 0, kj = GetKeyState('J') < 0, ke = GetKeyState('E') < 0,
               kp = GetKeyState('P') < 0;
    if (kl + kj + ke + kp == 1) l = kl, j = kj, e = ke, p = kp;
  }
  if (librarySearch) *librarySearch = l;
  if (listSearch) *listSearch = j;
  if (exportSpectrum) *exportSpectrum = e;
  if (selectMass) *selectMass = p;
}

void CCtlSpt::HandleMouse(unsigned int message, short x, short y, short act) {
  x = static_cast<short>(std::clamp<int>(x, 0, std::max(0, m_cx - 1)));
  y = static_cast<short>(std::clamp<int>(y, 0, std::max(0, m_cy - 1)));
  short zoom = 0, chromatogram = 0, bitmap = 0;
  GetClickDragStatus(&zoom, &chromatogram, &bitmap);
  const int l0 = m_plotLeft + 4, x1 = l0 + m_vertScaleWidth, x2 = x1 + m_drawnPlotWidth;
  const int t0 = m_plotTop + 4, y1 = t0 + m_totalPlotHeight, y2 = y1 + m_horzScaleHeight;
  if (message == WM_LBUTTONDOWN) {
    if (l0 <= x && x < x1 && t0 <= y && y < y1) {
      m_trackArea = SPT_AREA_VERT;
      m_clampLeft = static_cast<int16_t>(m_plotLeft + 5);
      m_clampRight = static_cast<int16_t>(x1 - 1);
    } else if (x1 <= x && x < x2 && t0 <= y && y < y1) {
      m_trackArea = SPT_AREA_PLOT;
      m_clampLeft = static_cast<int16_t>(x1 + 1);
      m_clampRight = static_cast<int16_t>(x2 - 1);
    } else if (x1 <= x && x < x2 && y1 <= y && y < y2) {
      m_trackArea = SPT_AREA_HORZ;
      m_clampLeft = static_cast<int16_t>(x1 + 1);
      m_clampRight = static_cast<int16_t>(x2 - 1);
      m_clampTop = static_cast<int16_t>(y1 + 1);
      m_clampBottom = static_cast<int16_t>(y2 - 1);
      m_trackPane = 0;
    } else {
      return;
    }
    if (m_trackArea != SPT_AREA_HORZ) {
      m_trackPane = PaneAt(t0, y, false);
      int s = t0;
      for (int p = 0; p < m_trackPane; ++p) s += m_paneHeight[p];
      m_clampTop = static_cast<int16_t>(s + 1);
      m_clampBottom = static_cast<int16_t>(s + m_paneHeight[m_trackPane] - 1);
    }
  }
  if (m_tracking && !bitmap) {
    x = static_cast<short>(std::clamp<int>(x, m_clampLeft, std::max<int>(m_clampLeft, m_clampRight)));
    y = static_cast<short>(std::clamp<int>(y, m_clampTop, std::max<int>(m_clampTop, m_clampBottom)));
  }
  RECT r{};
  const int result = TrackRubberRect(m_hWnd, message, x, y, &r);
  if (result == ORVIK_TRACK_BEGUN) {
    m_pressX = x;
    m_pressY = y;
    m_tracking = 1;
    ShowCursor(FALSE);
    return;
  }
  if (result != ORVIK_TRACK_ENDED) return;
  m_tracking = 0;
  ShowCursor(TRUE);
  if (act == 0) return;
  const short pane = m_trackPane;
  int height = 0, p = 0, bottomOff = 0, topOff = 0;
  if (bitmap) {
    height = r.bottom + 1 - r.top;
  } else if (m_trackArea == SPT_AREA_PLOT || (m_trackArea == SPT_AREA_VERT && m_vertScaleWidth)) {
    const int clampTop = m_clampTop;
    p = m_clampBottom + 1 - clampTop;
    bottomOff = std::max(0, m_clampBottom + 1 - static_cast<int>(r.bottom));
    topOff = m_clampBottom + 1 - r.top;
    if (topOff >= p + 1) topOff = p - 1;
    height = topOff + 1 - bottomOff;
  }
  const int width = bitmap || m_trackArea == SPT_AREA_PLOT || m_trackArea == SPT_AREA_HORZ ? r.right + 1 - r.left : 0;
  short librarySearch = 0, listSearch = 0, exportSpectrum = 0, chromatogramOfMass = 0;
  GetSingleClickStatus(&librarySearch, &listSearch, &exportSpectrum, &chromatogramOfMass);
  const bool massArea = (m_trackArea == SPT_AREA_PLOT || m_trackArea == SPT_AREA_HORZ) && pane <= 1;
  if (!massArea) chromatogram = chromatogramOfMass = 0;
  enum { kNone, kChromatogram, kZoom, kBitmap, kClick } action = kNone;
  if (chromatogram && width >= 6) action = kChromatogram;
  else if (zoom && (width >= 6 || (height >= 6 && p > 2 * m_charHeight))) action = kZoom;
  else if (bitmap && width >= 24 && height >= 24) action = kBitmap;
  else if (m_trackArea == SPT_AREA_PLOT && m_windowMode == SPT_WINDOW_DATA_REVIEW && pane <= 1) action = kClick;
  if (action == kNone) return;
  const double span = m_clampRight + 1 - m_clampLeft;
  if (span <= 0) return;
  const double perPixel = (m_massHigh - m_massLow) / span;
  const double lowMass = (r.left + 1 - m_clampLeft) * perPixel + m_massLow;
  const double highMass = (r.right + 1 - m_clampLeft) * perPixel + m_massLow;
  if (m_hIonListPopup && ::IsWindow(m_hIonListPopup)) {
    // The mass-selection window takes the masses instead of any action.
    double masses[2] = {lowMass, highMass};
    if (m_display[pane]) ::SendMessageA(m_hIonListPopup, WM_USER + 20, 0, reinterpret_cast<LPARAM>(masses));
    return;
  }
  if (action == kChromatogram) {
    RequestChromatogram(pane, lowMass, highMass, false);
    return;
  }
  if (action == kBitmap) {
    CopyAreaToClipboard(r.left, r.top, width, height);
    return;
  }
  if (action == kClick) {
    if (!m_display[pane]) return;
    if (chromatogramOfMass) RequestChromatogram(pane, lowMass, lowMass, true);
    else if (exportSpectrum) Notify(static_cast<unsigned short>(SPTN_EXPORT_A + pane));
    else if (librarySearch) PostMessage(WM_COMMAND, 8134 + pane, 0);
    else if (listSearch) PostMessage(WM_COMMAND, 8136 + pane, 0);
    return;
  }
  bool changed = false;
  if (height != 0 && p > 0 && m_display[pane]) {
    const double per = (m_vertMax[pane] - m_vertMin[pane]) / p;
    const double lo = bottomOff * per + m_vertMin[pane], hi = topOff * per + m_vertMin[pane];
    double base = 0;
    PlusSpt_GetBasePeak(m_display[pane], &base);
    if (m_moduleWindow) base = std::max(base, 100.0);
    if (base * (hi - lo) / 110 >= 2.0) {
      m_vertMin[pane] = lo;
      m_vertMax[pane] = hi;
      if (m_moduleWindow) m_vertSetByUser = 1;
      changed = true;
    }
  }
  if (width != 0) {
    const double least = AnyProfileShown() ? 0.0005 : 2.0;
    if (highMass - lowMass >= least) {
      m_massLow = lowMass;
      m_massHigh = highMass;
      if (m_moduleWindow) m_horzSetByUser = 1;
      changed = true;
    }
  }
  if (changed) {
    SaveCurrentScales();
    InitSizes();
    Invalidate(FALSE);
  } else {
    MessageBeep(0);
  }
}

void CCtlSpt::HandleDBLCLK(short x, short y) {
  const int x1 = m_plotLeft + 4 + m_vertScaleWidth;
  const int t0 = m_plotTop + 4, y1 = t0 + m_totalPlotHeight;
  bool changed = false;
  if (y >= y1) {
    AutoScaleHorzScale();
    changed = true;
  }
  if (x < x1) {
    if (y >= y1) {
      AutoScaleVertScales(0, 3);
    } else {
      const short pane = PaneAt(t0, y, true);
      if (m_overlaid && pane <= 1) AutoScaleVertScales(0, 1);
      else AutoScaleVertScales(pane, pane);
    }
    changed = true;
  } else if (y < y1) {
    const short pane = PaneAt(t0, y, true);
    if (pane <= 1) {
      m_vertMin[pane] = -5.0;
      m_vertMax[pane] = 105.0;
      if (m_overlaid) m_vertMin[0] = m_vertMin[1] = -5.0, m_vertMax[0] = m_vertMax[1] = 105.0;
    } else {
      m_vertMin[2] = -100.0;
      m_vertMax[2] = 100.0;
    }
    changed = true;
  }
  if (changed) {
    SaveCurrentScales();
    InitSizes();
    Invalidate(FALSE);
  }
}

void CCtlSpt::OnLButtonDown(UINT, CPoint point) {
  SetFocus();
  m_activeCandidate = -1;
  const int x = point.x, y = point.y;
  if (!m_toolbarShown && y < m_plotTop + 2 * m_charHeight + 4 &&
      (!m_scalesValid || m_vertScaleWidth == 0 || x < m_vertScaleWidth + 4)) {
    OnToolBarChange(9031);
    return;
  }
  if (m_scalesValid && !m_tracking) {
    for (short s = 0; s < SPT_SLOTS; ++s) {
      if (m_deleteShown[s] && !m_labelsLocked && Inside(m_deleteRect[s], x, y)) {
        PostMessage(WM_COMMAND, s == 2 ? 8109 : 8110 + s, 0);
        return;
      }
      if (m_maxShown[s] && Inside(m_maxRect[s], x, y)) {
        if (m_windowMode == SPT_WINDOW_DATA_REVIEW) Notify(m_maximised ? SPTN_RESTORED : SPTN_MAXIMISED);
        if (!m_maximised) {
          m_maximised = 1;
          m_maximisedSlot = s;
          for (int i = 0; i < SPT_SLOTS; ++i) {
            m_savedShown[i] = m_shown[i];
            m_shown[i] = i == s ? m_shown[i] : 0;
          }
        } else {
          m_maximised = 0;
          for (int i = 0; i < SPT_SLOTS; ++i) m_shown[i] = m_savedShown[i];
        }
        InitSizes();
        Invalidate(FALSE);
        return;
      }
    }
  }
  if (!m_scalesValid) return;
  short onBox = 0;
  if (m_pLabels && m_pLabels->CanUseLBDown(point, &onBox)) return;
  HandleMouse(WM_LBUTTONDOWN, static_cast<short>(x), static_cast<short>(y), 1);
}

void CCtlSpt::OnLButtonUp(UINT, CPoint point) {
  if (m_scalesValid) {
    if (m_tracking) HandleMouse(WM_LBUTTONUP, static_cast<short>(point.x), static_cast<short>(point.y), 1);
    else if (m_pLabels && m_pLabels->CanUseLBUp(point)) Invalidate(FALSE);
  }
  if (m_activeCandidate >= 0) PostMessage(SPTM_NEWACTIVEINDEX, static_cast<WPARAM>(m_activeCandidate), 0);
  m_activeCandidate = -1;
}

void CCtlSpt::OnMouseMove(UINT flags, CPoint point) {
  if (!m_scalesValid) return;
  if (m_tracking) HandleMouse(WM_MOUSEMOVE, static_cast<short>(point.x), static_cast<short>(point.y), 1);
  else if (m_pLabels && m_pLabels->CanUseMouseMove(flags, point)) Invalidate(FALSE);
}

void CCtlSpt::OnLButtonDblClk(UINT, CPoint point) {
  if (!m_scalesValid) return;
  if (m_pLabels && m_pLabels->CanUseDBLCLK(point)) {
    Invalidate(FALSE);
    return;
  }
  HandleDBLCLK(static_cast<short>(point.x), static_cast<short>(point.y));
}

LRESULT CCtlSpt::OnEscapeTracking(WPARAM, LPARAM) {
  if (!m_tracking) return 0;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  HandleMouse(WM_LBUTTONUP, static_cast<short>(p.x), static_cast<short>(p.y), 0);
  m_tracking = 0;
  return 1;
}

void CCtlSpt::OnChar(UINT ch, UINT, UINT) {
  if (ch == 27 && m_tracking) {
    m_activeCandidate = -1;
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(m_hWnd, &p);
    HandleMouse(WM_LBUTTONUP, static_cast<short>(p.x), static_cast<short>(p.y), 0);
    return;
  }
  Default();
}

BOOL CCtlSpt::OnSetCursor(CWnd*, UINT, UINT) {
  if (m_busy) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return TRUE;
  }
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  const char* name = nullptr;
  if (!m_toolbarShown && p.y < m_plotTop + 2 * m_charHeight + 4 &&
      (!m_scalesValid || m_vertScaleWidth == 0 || p.x < m_vertScaleWidth + 4)) {
    name = "TT_CURSOR";
  } else if (m_scalesValid && !m_tracking) {
    const int left = m_plotLeft + 4, top = m_plotTop + 4;
    const bool inVert = p.x >= left && p.x < left + m_vertScaleWidth;
    const bool inPlots = p.y >= top && p.y < top + m_totalPlotHeight;
    const bool inBottom = p.y >= top + m_totalPlotHeight && p.y < top + m_totalPlotHeight + m_horzScaleHeight;
    if (inVert && inPlots) name = "SIDE";
    else if (inVert && inBottom) name = "CORNER";
    else if (p.x >= left + m_vertScaleWidth && p.x < left + m_vertScaleWidth + m_drawnPlotWidth && inBottom) name = "BOTTOM";
    for (int s = 0; s < SPT_SLOTS && !name; ++s) {
      if (m_deleteShown[s] && !m_labelsLocked && Inside(m_deleteRect[s], p.x, p.y)) name = "CROSS_CURSOR";
      if (m_maxShown[s] && m_plotsSelectable && Inside(m_maxRect[s], p.x, p.y))
        name = m_maximised && m_maximisedSlot == s ? "RESTORE_CURSOR" : "MAX_CURSOR";
    }
  }
  HCURSOR cursor = nullptr;
  if (name) {
    // The cursors are the library's own resources, added on first use.
    const HMODULE module = kelt::lib::ModuleHandle();
    cursor = LoadCursorA(module, name);
    if (!cursor) {
      for (const char* n : {"TT_CURSOR", "SIDE", "CORNER", "BOTTOM", "CROSS_CURSOR", "MAX_CURSOR", "RESTORE_CURSOR"})
        win::resources::AddCursor(module, n);
      cursor = LoadCursorA(module, name);
    }
  }
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
  return TRUE;
}

void CCtlSpt::OnTimer(UINT_PTR id) {
  static bool inside = false;  // one clipboard copy at a time, library-wide
  if (inside) return;
  inside = true;
  if (id == SPT_TIMER_CLIPBOARD) {
    // The picture as the last paint left it: the plot rectangle.
    CopyAreaToClipboard(m_plotLeft, m_plotTop, m_plotWidth, m_plotHeight);
  }
  KillTimer(id);
  inside = false;
}

bool CCtlSpt::CopyAreaToClipboard(int left, int top, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  HDC screen = ::GetDC(m_hWnd);
  if (!screen) return false;
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = mem ? CreateCompatibleBitmap(screen, width, height) : nullptr;
  if (!bitmap) {
    // Without a bitmap the clipboard is left alone and nothing is shown.
    if (mem) DeleteDC(mem);
    ::ReleaseDC(m_hWnd, screen);
    return false;
  }
  HGDIOBJ old = SelectObject(mem, bitmap);
  bool done = BitBlt(mem, 0, 0, width, height, screen, left, top, SRCCOPY) != 0;
  SelectObject(mem, old);
  DeleteDC(mem);
  ::ReleaseDC(m_hWnd, screen);
  done = done && PutBitmapOnClipboard(m_hWnd, bitmap);
  if (!done) DeleteObject(bitmap);
  KELT_ShowDoneStatus(done ? 1 : 0);
  return done;
}

void CCtlSpt::RequestChromatogram(short pane, double lowMass, double highMass, bool singleMass) {
  if (pane < 0 || pane > 1) return;
  const STRUCT_SPT_PLUS* s = m_display[pane];
  const STRUCT_TOL_SPT* tol = s ? s->tolSpt : nullptr;
  if (!tol || !tol->dataFilePath[0]) {
    MessageBoxA(m_hWnd, "No data file associated with spectrum.", pane == 0 ? "Spectrum A" : "Spectrum B", MB_OK);
    return;
  }
  if (m_pSelChroPlotDlg && ::IsWindow(m_pSelChroPlotDlg->m_hWnd)) {
    STRUCT_CCSPT_CHRO_REQUEST request{};
    std::memcpy(request.dataFile, tol->dataFilePath, sizeof request.dataFile - 1);
    std::memcpy(request.chanList, &tol->chanList, std::min(sizeof request.chanList, sizeof tol->chanList));
    request.lowMass = lowMass;
    request.highMass = highMass;
    request.pane = pane;
    m_pSelChroPlotDlg->SendMessage(WM_USER + 200, 0, reinterpret_cast<LPARAM>(&request));
    return;
  }
  if (singleMass) {
    double closest = 0;
    if (!PlusSpt_GetClosestMass(s, lowMass, &closest)) return;
    lowMass = highMass = closest;
  }
  // Without a chromatogram control the parent may attach one while it is told.
  if (!m_pManager || !m_pManager->m_hPlotCtrl) {
    if (HWND parent = ::GetParent(m_hWnd))
      ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), SPTN_SELECT_MASS_LIST),
                     reinterpret_cast<LPARAM>(m_hWnd));
    if (!m_pManager || !m_pManager->m_hPlotCtrl) return;
  }
  m_chroRequestLow = lowMass;
  m_chroRequestHigh = highMass;
  // The descriptor of the new trace waits for the parent to collect it.
  FreeBlock(m_pPlotDescriptor);
  m_pPlotDescriptor = nullptr;
  m_pdDataFile[0] = m_pdThirdPath[0] = 0;
  STRUCT_MASS_LIST list{};
  list.kind = MASS_LIST_RANGES;
  list.count = 1;
  list.ranges[0].low = lowMass;
  list.ranges[0].high = highMass;
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(tol->dataFilePath, 0);
  if (!wf) return;
  static int16_t counter = 0;  // library-wide
  const STRUCT_SCAN_FUN_ARRAY* funs = tol->scanFuns;
  const uint32_t n = funs ? funs->count : 0;
  auto* pd = static_cast<STRUCT_PLOT_DESCRIPTOR*>(
      AllocBlock(funs ? PlotDescriptorSize(n) + PD_SLACK_BYTES : static_cast<uint32_t>(sizeof(STRUCT_PLOT_DESCRIPTOR))));
  if (pd) {
    pd->kind = static_cast<int16_t>(counter++ + 10);
    pd->massList = list;
    if (!funs) {
      pd->dataType = KELT_GetDataTypeFromMassType(list.kind);
      pd->chanList = tol->chanList;
      PD_MakePlotDescriptor(pd->name, pd->dataType, &pd->massList, &pd->chanList, wf);
    } else {
      pd->dataType = PD_TYPE_SCAN_FUNCTIONS;
      pd->scanFuns.count = funs->count;
      std::memcpy(pd->scanFuns.entries, funs->entries, size_t(n) * sizeof(SCAN_FUN_ENTRY));
      SCAN_FUN_GetPlotTitle(wf, &pd->massList, &pd->scanFuns, pd->name, 98);
    }
  }
  FreeWorkFileStruct(wf);
  if (!pd) return;
  m_pPlotDescriptor = pd;
  std::memcpy(m_pdDataFile, tol->dataFilePath, sizeof m_pdDataFile - 1);
  Notify(SPTN_NEW_PD);
}
