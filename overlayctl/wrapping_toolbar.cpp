// The toolbar frames: button tables and layouts, the wrapping bar, the
// frame both controls share and the overlay control's frame.
#include "overlayctl/wrapping_toolbar.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/spectrum_managers.h"

namespace kelt::toolbar {
namespace {

const STRUCT_WTB_OP_BUTTON kOverlayButtons[WTB_OVERLAY_BUTTONS] = {
    {2701, "Hide Toolbar"},
    {2702, "Full Scale (Horizontal and Vertical)"},
    {2703, "Vertical Full Scale"},
    {2704, "Horizontal Full Scale"},
    {2705, "Previous Scaling"},
    {2707, "Local Chromatogram Plot Preferences"},
    {2709, "Real Time Update"},
    {2708, "Load Quibell"},
    {2710, "Show Background Correction Markers"},
    {2711, "Edit Background Correction"},
    {2712, "Print Active Plot"},
    {2713, "Set Spectra to Average"},
    {2719, "Stacked Plots"},
    {2720, "Overlaid Plot"},
    {2721, "Normalized Plot"},
    {2722, "Dual Scale Plot"},
    {2718, "Set Chromatogram Display"},
    {2723, "Select Chromatogram Data to Plot"},
    {2724, "Target List Search Active Chromatogram"},
    {2725, "Set Single Click Action"},
    {2770, "Set Click and Drag Action"},
    {2775, "Restore all Plot Positions"},
    {2737, "Show all Plots"},
    {2738, "Report Preferences"},
    {2740, "Previous Spectrum"},
    {2739, "Next Spectrum"},
    {2706, "Set Vertical Scale"},
    {2753, "Show/Not Show File Selection"},
    {2754, "Rotate Plots"},
    {2755, "Clear Plot"},
    {2756, "Set Point/Spectrum Selection"},
    {2759, "Show Qualifier Plots"},
    {2760, "Show TIC Plot"},
    {2761, "Stacked Plots"},
    {2762, "Normalized Plots"},
};

const STRUCT_WTB_SPT_BUTTON kSpectrumButtons[WTB_SPECTRUM_BUTTONS] = {
    {8001, "Hide Toolbar"},
    {8002, "Full Scale (Horizontal and Vertical)"},
    {8032, "Show All Plots"},
    {8033, "Local Spectra Plot Preferences"},
    {8034, "Report Preferences"},
    {8030, "Background Correct Spectra"},
    {8005, "Print Plots"},
    {8006, "Set Single Click Action"},
    {8012, "Set Click and Drag Action"},
    {8016, "Set Mass Range"},
    {8020, "Set Vertical Scale"},
    {8029, "Set Spectrum Display"},
    {8035, "Previous Scaling"},
    {8031, "Select Masses for Chromatogram Plot"},
    {8036, "Average Spectra"},
};

const int kOp0[] = {2701, 0, 2702, 2705, 0, 2707, 2738};
const int kOp1[] = {2701, 0, 2702, 2705, 0, 2723, 0, 2740, 2739, 0, 2711, 2712, 2724, 0,
                    2725, 0, 2770, 0, 2713, 0, 2718, 0, 2710, 2737, 2775, 0, 2707, 2738};
const int kOp2[] = {2701, 0, 2702, 2705, 0, 2706, 0, 2718, 0, 2709, 0, 2708};
const int kOp3[] = {2701, 0, 2702, 2705, 0, 2740, 2739, 0, 2770, 0, 2718, 0, 2710, 0, 2759, 2760};
const int kOp4[] = {2701, 0, 2702, 2705, 0, 2740, 2739, 0, 2725, 0, 2770, 0, 2756, 2713, 0, 2718, 0, 2711, 2710};
const int kOp5[] = {2701, 0, 2702, 2705, 0, 2706, 0, 2718, 0, 2755};
const int kOp6[] = {2701, 0, 2702, 2705, 0, 2707, 2719, 2721};

const Layout kOverlayLayouts[WTB_OVERLAY_LAYOUTS] = {
    {kOp0, static_cast<int>(std::size(kOp0)), 686}, {kOp1, static_cast<int>(std::size(kOp1)), 688},
    {kOp2, static_cast<int>(std::size(kOp2)), 687}, {kOp3, static_cast<int>(std::size(kOp3)), 689},
    {kOp4, static_cast<int>(std::size(kOp4)), 690}, {kOp5, static_cast<int>(std::size(kOp5)), 691},
    {kOp6, static_cast<int>(std::size(kOp6)), 692},
};

const int kSpt0[] = {8001, 0, 8002, 8035, 0, 8020, 0, 8016, 0, 8029, 0, 8030};
const int kSpt1[] = {8001, 0, 8002, 8035, 0, 8006, 0, 8012, 0, 8020, 0, 8016, 0, 8029, 0, 8030, 8031};
const int kSpt2[] = {8001, 0, 8002, 8035, 0, 8005, 0, 8020, 0, 8016, 0, 8029};
const int kSpt3[] = {8001, 0, 8002, 8035, 0, 8005, 0, 8020, 0, 8016, 0, 8029, 0, 8036};

const Layout kSpectrumLayouts[WTB_SPECTRUM_LAYOUTS] = {
    {kSpt0, static_cast<int>(std::size(kSpt0)), 682},
    {kSpt1, static_cast<int>(std::size(kSpt1)), 685},
    {kSpt2, static_cast<int>(std::size(kSpt2)), 683},
    {kSpt3, static_cast<int>(std::size(kSpt3)), 684},
};

}  // namespace

const Layout& OverlayLayout(int layout) {
  return kOverlayLayouts[layout >= 0 && layout < WTB_OVERLAY_LAYOUTS ? layout : 0];
}
const Layout& SpectrumLayout(int layout) {
  return kSpectrumLayouts[layout >= 0 && layout < WTB_SPECTRUM_LAYOUTS ? layout : 0];
}
const STRUCT_WTB_OP_BUTTON* OverlayButtons() { return kOverlayButtons; }
const STRUCT_WTB_SPT_BUTTON* SpectrumButtons() { return kSpectrumButtons; }

const char* OverlayButtonText(int id) {
  for (const auto& b : kOverlayButtons)
    if (b.id == id) return b.text;
  return nullptr;
}
const char* SpectrumButtonText(int id) {
  for (const auto& b : kSpectrumButtons)
    if (b.id == id) return b.text;
  return nullptr;
}

bool IsDropDownButton(int id) {
  switch (id) {
    case 2706: case 2713: case 2718: case 2725: case 2770:
    case 8006: case 8012: case 8016: case 8020: case 8029:
      return true;
    default:
      return false;
  }
}

void MakeButtons(const Layout& layout, TBBUTTON* out) {
  int image = 0;
  for (int k = 0; k < layout.count; ++k) {
    TBBUTTON& b = out[k];
    b = TBBUTTON{};
    if (layout.ids[k] == 0) {
      b.fsState = TBSTATE_WRAP;
      b.fsStyle = TBSTYLE_SEP;
    } else {
      b.iBitmap = image++;
      b.idCommand = layout.ids[k];
      b.fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
      b.fsStyle = IsDropDownButton(layout.ids[k]) ? TBSTYLE_DROPDOWN : TBSTYLE_BUTTON;
    }
  }
}

}  // namespace kelt::toolbar

// ---- CWrappingToolBar --------------------------------------------------------------

void CWrappingToolBar::GetButton(int index, TBBUTTON* button) const {
  // The framework keeps the enabled bit inverted: flip it back for callers.
  GetButtonRaw(index, button);
  button->fsState ^= TBSTATE_ENABLED;
}

void CWrappingToolBar::SetButton(int index, TBBUTTON* button) {
  TBBUTTON old{};
  GetButton(index, &old);
  if (std::memcmp(&old, button, sizeof(TBBUTTON)) == 0) return;
  const bool rewrap = ((old.fsState ^ button->fsState) & TBSTATE_WRAP) || old.fsStyle != button->fsStyle;
  button->fsState ^= TBSTATE_ENABLED;
  SetButtonRaw(index, button);
  button->fsState ^= TBSTATE_ENABLED;
  RECT r{};
  GetItemRect(index, &r);
  ::InvalidateRect(m_hWnd, &r, TRUE);
  if (rewrap) SendMessage(TB_AUTOSIZE);
}

int CWrappingToolBar::WrapToWidth(int width) { return WrapToolBar(std::max(width, 1)); }

int CWrappingToolBar::HeightForWidth(int width) {
  WrapToWidth(width);
  SIZE size{};
  SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
  return size.cy;
}

LRESULT CWrappingToolBar::OnSizeParent(WPARAM wParam, LPARAM lParam) {
  auto* p = reinterpret_cast<SIZEPARENTPARAMS*>(lParam);
  if (p && IsWindowVisible() && (m_dwStyle & CBRS_ALIGN_ANY)) {
    int width = p->rect.right - p->rect.left;
    if (m_dwStyle & CBRS_BORDER_LEFT) width -= 2;
    if (m_dwStyle & CBRS_BORDER_RIGHT) width -= 2;
    WrapToWidth(width - m_borders.left - m_borders.right);
  }
  return CToolBar::OnSizeParent(wParam, lParam);
}

// ---- CWrapToolBarFrame -------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWrapToolBarFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_MESSAGE(WTBM_INIT, OnInit)
ON_MESSAGE(WTBM_CREATETOOLBAR, OnCreateToolBar)
ON_MESSAGE(WTBM_DESTROYTOOLBAR, OnDestroyToolBar)
ON_MESSAGE(WTBM_SIZETOOLBAR, OnSizeToolBar)
END_MESSAGE_MAP()

CWrapToolBarFrame::~CWrapToolBarFrame() { DestroyToolBar(); }

const kelt::toolbar::Layout& CWrapToolBarFrame::CurrentLayout() const {
  return m_overlay ? kelt::toolbar::OverlayLayout(m_ToolbarLayout) : kelt::toolbar::SpectrumLayout(m_ToolbarLayout);
}

int CWrapToolBarFrame::OnCreate(CREATESTRUCTA*) {
  if (Default() == -1) return -1;
  m_hBitmap = nullptr;
  m_pToolBar = nullptr;
  m_pToolTip = nullptr;
  m_cx = m_cy = 0;
  m_pOwnerControl = nullptr;
  m_ToolbarLayout = 0;
  return 0;
}

void CWrapToolBarFrame::OnDestroy() {
  DestroyToolBar();
  Default();
}

LRESULT CWrapToolBarFrame::OnInit(WPARAM wParam, LPARAM) {
  m_pOwnerControl = reinterpret_cast<CWnd*>(wParam);
  return 0;
}

BOOL CWrapToolBarFrame::CreateToolBar() {
  if (m_pToolBar || !m_pOwnerControl) return FALSE;
  const bool overlay = m_overlay;
  m_pToolBar = new (std::nothrow) CWrappingToolBar;
  if (!m_pToolBar) return FALSE;
  constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_SIZE_FIXED;
  static_assert(kStyle == 0x50002812);
  if (!m_pToolBar->CreateEx(this, 0, kStyle, CRect(0, 0, 0, 0), overlay ? WTB_OVERLAY_BAR_ID : WTB_SPECTRUM_BAR_ID)) {
    delete m_pToolBar;
    m_pToolBar = nullptr;
    return FALSE;
  }
  CToolBarCtrl& ctrl = m_pToolBar->GetToolBarCtrl();
  ctrl.SetAnchorHighlight(TRUE);
  m_pToolBar->SetSizes(CSize(24, 22), CSize(WTB_IMAGE_SIZE, WTB_IMAGE_SIZE));

  const kelt::toolbar::Layout& layout = CurrentLayout();
  kelt::toolbar::AddButtonBitmaps();
  HBITMAP bitmap = CreateMappedBitmap(reinterpret_cast<HINSTANCE>(kelt::lib::ModuleHandle()), layout.bitmap, 0,
                                      nullptr, 0);
  // The bar owns the bitmap it is handed; the frame keeps the handle to know it.
  if (bitmap && m_pToolBar->SetBitmap(bitmap)) m_hBitmap = bitmap;
  else if (bitmap) DeleteObject(bitmap);

  auto* buttons = static_cast<TBBUTTON*>(AllocBlock(sizeof(TBBUTTON) * static_cast<size_t>(layout.count)));
  if (!buttons) {
    DestroyToolBar();
    return FALSE;
  }
  kelt::toolbar::MakeButtons(layout, buttons);
  ctrl.AddButtons(layout.count, buttons);
  ctrl.AutoSize();
  FreeBlock(buttons);

  ctrl.SetOwner(m_pOwnerControl);
  m_pToolTip = new (std::nothrow) CToolTipCtrl;
  if (m_pToolTip && !m_pToolTip->Create(this, TTS_ALWAYSTIP | TTS_NOPREFIX)) {
    delete m_pToolTip;
    m_pToolTip = nullptr;
  }
  return TRUE;
}

void CWrapToolBarFrame::DestroyToolBar() {
  if (m_pToolBar) {
    if (m_pToolBar->m_hWnd) m_pToolBar->DestroyWindow();
    delete m_pToolBar;  // the bar deletes the bitmap it was handed
    m_pToolBar = nullptr;
  }
  if (m_pToolTip) {
    if (m_pToolTip->m_hWnd) m_pToolTip->DestroyWindow();
    delete m_pToolTip;
    m_pToolTip = nullptr;
  }
  m_hBitmap = nullptr;
}

LRESULT CWrapToolBarFrame::OnCreateToolBar(WPARAM wParam, LPARAM) {
  if (m_pToolBar && m_pToolTip) return 1;
  m_ToolbarLayout = static_cast<int16_t>(wParam);
  // An unknown layout is built as layout 0, and is kept as 0.
  if (m_ToolbarLayout < 0 || m_ToolbarLayout >= (m_overlay ? WTB_OVERLAY_LAYOUTS : WTB_SPECTRUM_LAYOUTS))
    m_ToolbarLayout = 0;
  DestroyToolBar();
  if (!CreateToolBar()) return 0;
  if (!m_overlay || m_ToolbarLayout >= 1) m_pToolBar->GetToolBarCtrl().SetExtendedStyle(TBSTYLE_EX_DRAWDDARROWS);
  // The kept size is the toolbar laid out in one row: the height of a row,
  // the width of all buttons side by side.
  m_pToolBar->WrapToWidth(0x7FFF);
  m_pToolBar->GetToolBarCtrl().GetMaxSize(&m_largest);
  m_edge = static_cast<int16_t>(2 * GetSystemMetrics(SM_CYEDGE));
  return m_largest.cy;
}

LRESULT CWrapToolBarFrame::OnDestroyToolBar(WPARAM, LPARAM) {
  DestroyToolBar();
  return 0;
}

void CWrapToolBarFrame::OnSize(UINT, int cx, int cy) {
  m_cx = static_cast<int16_t>(std::clamp(cx, 0, 0x7FFF));
  m_cy = static_cast<int16_t>(std::clamp(cy, 0, 0x7FFF));
  if (!m_pToolBar || !m_pToolBar->m_hWnd) return;
  m_pToolBar->WrapToWidth(m_cx);
  m_pToolBar->MoveWindow(0, 0, m_cx, m_cy, FALSE);
  m_pToolBar->GetToolBarCtrl().AutoSize();
  m_pToolBar->Invalidate(TRUE);
}

LRESULT CWrapToolBarFrame::OnSizeToolBar(WPARAM wParam, LPARAM lParam) {
  if (!m_pToolBar || !m_pToolBar->m_hWnd) return 0;
  const int width = static_cast<int>(static_cast<int16_t>(wParam));
  const int controlHeight = static_cast<int>(static_cast<int16_t>(lParam));
  const int h = m_pToolBar->HeightForWidth(width);
  // More rows only while they take at most half of the control.
  if (m_edge + h >= m_largest.cy && 2 * (m_edge + h) <= controlHeight) return m_edge + h;
  m_pToolBar->WrapToWidth(0x7FFF);
  return m_edge + m_largest.cy;
}

BOOL CWrapToolBarFrame::PreTranslateMessage(MSG* msg) {
  if (m_pToolTip && m_pToolTip->m_hWnd && msg) m_pToolTip->RelayEvent(msg);
  return CFrameWnd::PreTranslateMessage(msg);
}


void CWrapToolBarFrame::SetButtonState(int id, bool enabled, bool checked) {
  if (!m_pToolBar || !m_pToolBar->m_hWnd) return;
  CToolBarCtrl& ctrl = m_pToolBar->GetToolBarCtrl();
  ctrl.EnableButton(id, enabled ? TRUE : FALSE);
  ctrl.CheckButton(id, checked ? TRUE : FALSE);
}

// ---- CWrapOPToolBar ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWrapOPToolBar, CFrameWnd)

BEGIN_MESSAGE_MAP(CWrapOPToolBar, CWrapToolBarFrame)
ON_MESSAGE(WTBM_UPDATETOOLBAR, OnUpdateToolBar)
ON_UPDATE_COMMAND_UI_RANGE(2701, 2779, OnUpdateButton)
END_MESSAGE_MAP()

CCtlOPlot* CWrapOPToolBar::Control() const { return static_cast<CCtlOPlot*>(m_pOwnerControl); }

std::string CWrapOPToolBar::ToolTipText(int id) const {
  const char* base = kelt::toolbar::OverlayButtonText(id);
  if (!base) return {};
  std::string text = base;
  if (id == 2707 && m_ToolbarLayout == 6) text = "Optimization Plot Preferences";
  const CCtlOPlot* c = Control();
  if (!c) return text;
  static const char* const kClick[] = {" - Display Spectrum", " - Library Search", " - Target List Search",
                                       " - Export to Spectrum List", " - No Action"};
  static const char* const kDrag[] = {" - Zoom Chromatogram", " - Average Selected Spectra", " - Calculate Noise",
                                      " - Move Chromatogram",  " - Integrate Area",           " - Export to Clipboard",
                                      " - Calculate Time Range", " - Linearity Report"};
  static const char* const kDisplay[] = {" - Stacked", " - Overlaid", " - Normalized", " - Dual Scale"};
  switch (id) {
    case 2725:
      if (c->m_singleClickMode >= 0 && c->m_singleClickMode < 5) text += kClick[c->m_singleClickMode];
      break;
    case 2770:
      if (c->m_clickDragMode >= 0 && c->m_clickDragMode < 8) text += kDrag[c->m_clickDragMode];
      break;
    case 2756:
      text += c->m_selectionType ? " - Apex" : " - Nearest Point";
      break;
    case 2713: {
      const int n = c->m_pointsToAverage;
      text += n == 3 ? " - 3" : n == 5 ? " - 5" : n == 7 ? " - 7" : " - 1";
      break;
    }
    case 2718: {
      const int mode = c->m_pOverlay ? c->m_pOverlay->head.displayMode : 0;
      if (mode >= 0 && mode < 4) text += kDisplay[mode];
      break;
    }
    default:
      break;
  }
  return text;
}

void CWrapOPToolBar::UpdateToolTips() {
  ResetTips([this](int id) { return ToolTipText(id); });
}

void CWrapOPToolBar::ButtonState(int id, bool* enabled, bool* checked) const {
  *enabled = true;
  *checked = false;
  const CCtlOPlot* c = Control();
  if (!c) return;
  const SVW_OVERLAY* o = c->m_pOverlay;
  const bool hasData = c->m_hasData && o;
  const int units = hasData ? OPLOT_CountDataUnitsTypes(o) : 0;
  const bool locked = o && o->head.maximised;
  const int mode = o ? o->head.displayMode : 0;
  const short active = c->GetActivePlotIndex();
  const STRUCT_WORK_FILE* activeFile = o && active >= 0 ? o->slots[active].workFile : nullptr;
  const auto* drm = static_cast<CDataReviewManager*>(c->m_pDataReview);
  switch (id) {
    case 2702: case 2703: case 2712: case 2775:
      *enabled = hasData;
      break;
    case 2704:
      *enabled = c->m_scrollShown && c->m_pHScroll && c->m_pHScroll->IsWindowVisible();
      break;
    case 2705:
      *enabled = c->m_historyCount >= 2;
      break;
    case 2707: case 2738:
      *enabled = c->PreferencesAllowed() && (m_ToolbarLayout != 6 || hasData);
      break;
    case 2709:
      *checked = c->m_realTimeUpdateOff == 0;
      break;
    case 2710:
      *checked = c->m_showBCMarkers != 0;
      break;
    case 2711:
      *enabled = !c->m_pBackCorrDlg && hasData && activeFile && activeFile->searchData && !activeFile->editBlock;
      break;
    case 2719:
      *enabled = m_ToolbarLayout == 6 ? hasData : !locked;
      *checked = mode == 0;
      break;
    case 2720:
      *enabled = units < 2 && !locked;
      *checked = mode == 1;
      break;
    case 2721:
      *enabled = units < 2 && !locked;
      *checked = mode == 2;
      break;
    case 2722:
      *enabled = units == 2 && !locked;
      *checked = units == 2 && mode == 3;
      break;
    case 2724:
      *enabled = activeFile && activeFile->searchData;
      break;
    case 2737: {
      bool hidden = false;
      for (int s = 0; o && s < OPLOT_SLOTS; ++s) hidden = hidden || (o->tail.attached[s] && !o->head.shown[s]);
      *enabled = hidden;
      break;
    }
    case 2739: case 2740: {
      const int sc = drm ? drm->GetActiveSptControlIndex() : -1, sp = drm ? drm->GetActiveSptPlotIndex() : -1;
      *enabled = drm && sc >= 0 && sc <= 3 && sp >= 0 && sp <= 1 && drm->HaveSpectrum(static_cast<int16_t>(sc),
                                                                                         static_cast<int16_t>(sp));
      break;
    }
    case 2753:
      *checked = c->m_treePressed != 0;
      break;
    case 2754:
      *enabled = drm && drm->GetSpectraCount() != 0;
      break;
    case 2756:
      *checked = c->m_selectionType != 0;
      break;
    case 2759:
      *checked = c->m_showQualPlots != 0;
      break;
    case 2760:
      *checked = c->m_showTICPlot != 0;
      break;
    case 2761:
      *enabled = hasData;
      *checked = mode == 0;
      break;
    case 2762:
      *enabled = hasData;
      *checked = mode == 2;
      break;
    default:
      break;
  }
}

void CWrapOPToolBar::CommandUpdateState(int id, bool* enabled, bool* checked) const {
  ButtonState(id, enabled, checked);
  const CCtlOPlot* c = Control();
  if (!c) return;
  const SVW_OVERLAY* o = c->m_pOverlay;
  const bool hasData = c->m_hasData && o;
  switch (id) {
    case 2704:
      *enabled = *enabled && hasData;
      break;
    case 2707:
      *enabled = c->PreferencesAllowed();
      break;
    case 2738: case 2775:
      *enabled = true;
      break;
    case 2710:
      *enabled = c->m_controlKind == 1 || c->m_controlKind == 2;
      break;
    case 2711: case 2712:
      *enabled = *enabled && (m_ToolbarLayout == 1 || m_ToolbarLayout == 4);
      break;
    case 2719:
      *enabled = !(o && o->head.maximised);
      *checked = o ? o->head.displayMode == 0 : true;
      break;
    default:
      break;
  }
}

void CWrapOPToolBar::OnUpdateButton(CCmdUI* ui) {
  if (!ui) return;
  const int id = static_cast<int>(ui->m_nID);
  if (!kelt::toolbar::OverlayButtonText(id)) return;
  bool enabled = true, checked = false;
  CommandUpdateState(id, &enabled, &checked);
  ui->Enable(enabled ? TRUE : FALSE);
  ui->SetCheck(checked ? 1 : 0);
}

LRESULT CWrapOPToolBar::OnUpdateToolBar(WPARAM, LPARAM) {
  if (!m_pOwnerControl) return 0;
  const kelt::toolbar::Layout& layout = CurrentLayout();
  for (int k = 0; k < layout.count; ++k) {
    bool enabled = true, checked = false;
    ButtonState(layout.ids[k], &enabled, &checked);
    SetButtonState(layout.ids[k], enabled, checked);
  }
  UpdateToolTips();
  return 0;
}
