// The gain slider: track-bar position <-> vertical gain on a log scale.
#include "specialctl/gain_slider.h"

#include <cmath>
#include <new>

#include "win/win_commctrl.h"

BEGIN_MESSAGE_MAP(CCtlVScroll, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_MESSAGE(VSM_SETRANGEPOSITION, OnSetRangePosition)
ON_MESSAGE(VSM_NORANGE, OnNoRange)
ON_MESSAGE(VSM_GETPOSITION, OnGetPosition)
ON_WM_VSCROLL()
END_MESSAGE_MAP()

CCtlVScroll::CCtlVScroll() = default;

CCtlVScroll::~CCtlVScroll() {
  // A slider destroyed without its window going first still owns the bar.
  delete m_pSlider;
  m_pSlider = nullptr;
}

void CCtlVScroll::DecadeFactor(double* factor, double* base) const {
  double t = (m_range.dataMax - m_range.dataMin) + m_range.dataMax;
  if (t < 1.0) t = 1.0;
  double f = 1.0;
  // Both loops end: t grows by decades towards 1e5 above the minimum and
  // shrinks by decades below 1e7; a non-finite range stops at once.
  if (std::isfinite(t) && std::isfinite(m_range.dataMin)) {
    while (t - m_range.dataMin < 100000.0) {
      t *= 10.0;
      f *= 10.0;
    }
    while (t > 10000000.0) {
      t *= 0.1;
      f *= 0.1;
    }
  }
  *factor = f;
  *base = m_range.shownBottom > m_range.dataMin ? m_range.shownBottom : m_range.dataMin;
}

int CCtlVScroll::OnCreate(CREATESTRUCTA* cs) {
  (void)cs;
  if (Default() == -1) return -1;
  m_pSlider = new (std::nothrow) CSliderCtrl;
  if (!m_pSlider) return -1;
  if (!m_pSlider->Create(WS_CHILD | TBS_VERT | TBS_LEFT, CRect(0, 0, 0, 0), this, VSCROLL_TRACKBAR_ID)) {
    delete m_pSlider;
    m_pSlider = nullptr;
    return -1;
  }
  m_pSlider->SetRange(0, VSCROLL_MAX_POSITION, FALSE);
  m_pSlider->SetLineSize(1000);
  m_pSlider->SetPageSize(4000);
  m_pSlider->SetTicFreq(500);
  m_pSlider->ShowWindow(SW_SHOW);
  return 0;
}

void CCtlVScroll::OnDestroy() {
  if (m_pSlider) {
    m_pSlider->DestroyWindow();
    delete m_pSlider;
    m_pSlider = nullptr;
  }
  Default();
}

void CCtlVScroll::OnSize(UINT type, int cx, int cy) {
  (void)type;
  Default();
  m_width = static_cast<int16_t>(cx);
  m_height = static_cast<int16_t>(cy);
  if (m_pSlider) m_pSlider->MoveWindow(0, 0, m_width, m_height, TRUE);
}

LRESULT CCtlVScroll::OnSetRangePosition(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  m_range = *reinterpret_cast<const STRUCT_VSCROLL_RANGE*>(lParam);
  // A range with a value that is no finite number stands for no scale at all.
  const bool finite = std::isfinite(m_range.shownBottom) && std::isfinite(m_range.shownTop) &&
                      std::isfinite(m_range.dataMin) && std::isfinite(m_range.dataMax);
  if (!finite || !(m_range.dataMin < m_range.dataMax)) return OnNoRange(0, 0);
  if (m_pSlider) m_pSlider->SetRange(0, VSCROLL_MAX_POSITION, FALSE);
  double f = 1.0, base = 0.0;
  DecadeFactor(&f, &base);
  m_gain = (m_range.shownTop - base) * f;
  // A gain beyond the doubles (a top far above the data) reads back as no number either.
  if (!(m_gain >= 0.0) || !std::isfinite(m_gain)) {
    if (m_pSlider) m_pSlider->SetPos(VSCROLL_MAX_POSITION / 2);
    m_active = 0;
    return 0;
  }
  m_active = 1;
  // log10(0) is -inf: the clamp parks a zero gain at the bottom.
  const double p = (std::log10(m_gain) - 2.0) * VSCROLL_MAX_POSITION / 6.0;
  int32_t pos = 0;
  if (p >= VSCROLL_MAX_POSITION) pos = VSCROLL_MAX_POSITION;
  else if (p > 0.0) pos = static_cast<int32_t>(p);
  m_position = pos;
  if (m_pSlider) m_pSlider->SetPos(pos);
  return 0;
}

LRESULT CCtlVScroll::OnNoRange(WPARAM, LPARAM) {
  m_active = 0;
  if (m_pSlider) {
    m_pSlider->SendMessage(TBM_SETRANGEMIN, FALSE, 1);
    m_pSlider->SendMessage(TBM_SETRANGEMAX, TRUE, 1);
    m_pSlider->SetPos(1);
  }
  return 0;
}

LRESULT CCtlVScroll::OnGetPosition(WPARAM, LPARAM lParam) {
  if (!m_active || !lParam) return 0;
  double f = 1.0, base = 0.0;
  DecadeFactor(&f, &base);
  auto* out = reinterpret_cast<double*>(lParam);
  const double top = m_gain / f + base;
  const double bottom = m_range.shownBottom < m_range.dataMin ? m_range.dataMin - (top - m_range.dataMin) / 20.0
                                                              : m_range.shownBottom;
  out[0] = bottom;
  out[1] = top;
  return 1;
}

void CCtlVScroll::OnVScroll(UINT, UINT, CWnd*) {
  if (!m_active || !m_pSlider) return;
  m_position = m_pSlider->GetPos();
  const double e = m_position * 6.0 / 32000.0 + 2.0;
  m_gain = e == 0.0 ? 0.0 : std::pow(10.0, e);
  CWnd* parent = GetParent();
  if (parent)
    parent->PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), 1),
                        reinterpret_cast<LPARAM>(m_hWnd));
}
