// The overlay plot control's object: window class, creation, children,
// destruction, key pre-translation. Drawing and interaction live with
// their own files; the virtual operations of later features do the least
// their callers need until those features arrive.
#include "overlayctl/overlay_plot_control.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/library_state.h"
#include "fandor/target_list_results.h"
#include "orvik32/orvik32.h"
#include "overlayctl/plot_control_window.h"
#include "overlayctl/wrapping_toolbar.h"
#include "plotengine/result_annotations.h"
#include "specialctl/gain_slider.h"
#include "win/win_commctrl.h"

IMPLEMENT_DYNAMIC(CCtlOPlot, CWnd)

namespace {
constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
static_assert(kClassStyle == 0x400B);
}  // namespace

ATOM CCtlOPlot::Register() {
  WNDCLASSA wc{};
  wc.style = kClassStyle;
  wc.lpfnWndProc = CtlOPWndProc;
  wc.hInstance = kelt::lib::ModuleHandle();
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc);
}

BOOL CCtlOPlot::Unregister() { return UnregisterClassA(kClassName, kelt::lib::ModuleHandle()); }

LRESULT CALLBACK CtlOPWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return kelt::overlay::ControlWindowProc<CCtlOPlot>(hwnd, message, wParam, lParam);
}

CCtlOPlot::CCtlOPlot() = default;

CCtlOPlot::~CCtlOPlot() {
  // A control deleted without its window going first still releases what it owns.
  FreeObjects();
}

void CCtlOPlot::PostNcDestroy() { delete this; }

template <class T>
bool CCtlOPlot::MakeChild(T*& child, const char* className, const char* text, DWORD style, UINT id) {
  child = new (std::nothrow) T;
  if (!child) return false;
  if (!child->CWnd::Create(className, text, style, CRect(0, 0, 0, 0), this, id)) {
    delete child;
    child = nullptr;
    return false;
  }
  return true;
}

int CCtlOPlot::OnCreate(CREATESTRUCTA* cs) {
  (void)cs;
  if (Default() == -1) return -1;
  m_id = GetDlgCtrlID();
  m_activePlot = -1;
  m_vScrollWidth = static_cast<int16_t>(GetSystemMetrics(SM_CXVSCROLL));
  m_hScrollHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYHSCROLL));
  m_sliderWidth = static_cast<int16_t>(2 * GetSystemMetrics(SM_CXHTHUMB));

  KELT_GetCurrDefChroPrefs(&m_prefs);
  std::memcpy(m_filtering, &m_prefs.plotData, sizeof m_filtering);
  SetToolbarTransientsFromPrefs();

  STRUCT_REPORT_PREFS report{};
  KELT_GetCurrDefReportPrefs(&report);
  std::memcpy(m_printColors, report.chroColors.colors, sizeof m_printColors);
  m_printAxes[0] = report.chroAxis0;
  m_printAxes[1] = report.chroAxis1;
  m_ownColors = 0;
  m_ownPrintScaleParams = 0;

  bool ok = MakeChild(m_pHScroll, WC_SCROLLBARA, nullptr, WS_CHILD | SBS_HORZ, OPLOT_ID_HSCROLL);
  if (ok) {
    m_pHScroll->ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_pHScroll->SetScrollRange(0, 10000, FALSE);
    m_pHScroll->ShowWindow(SW_SHOW);
  }
  constexpr DWORD kButtonStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | BS_OWNERDRAW;
  static_assert(kButtonStyle == 0x4600000B);
  for (int i = 0; ok && i < 2; ++i) {
    ok = MakeChild(m_pScrollButton[i], WC_BUTTONA, "", kButtonStyle, OPLOT_ID_SCROLL_DOWN + i);
    if (ok) m_pScrollButton[i]->ShowWindow(SW_SHOW);
  }
  for (int i = 0; ok && i < OPLOT_SLOTS; ++i) {
    ok = MakeChild(m_pSliders[i], nullptr, nullptr, WS_CHILD, OPLOT_ID_SLIDER0 + i);
    if (ok) m_pSliders[i]->ShowWindow(SW_SHOW);
  }
  if (ok) ok = MakeChild(m_pRangeText, WC_STATICA, "", WS_CHILD | SS_RIGHT, OPLOT_ID_RANGE_TEXT);
  if (ok) m_pRangeText->ShowWindow(SW_SHOW);
  if (ok) ok = MakeChild(m_pListBox, WC_LISTBOXA, nullptr, WS_CHILD, OPLOT_ID_LISTBOX);
  // The segment bar, when the preferences show it; a bar that cannot be
  // made leaves the control without one.
  if (ok && m_prefs.features.showSegments) CreateSegments();
  if (ok) {
    m_pLabels = new (std::nothrow) CLabelManager(this);
    ok = m_pLabels != nullptr;
  }
  if (!ok) {
    FreeObjects();
    return -1;
  }
  if (m_showToolbar) CreateToolBar();
  return 0;
}

void CCtlOPlot::OnDestroy() {
  FreeObjects();
  Default();
}

namespace {
template <class T>
void DestroyChild(T*& child) {
  if (!child) return;
  if (child->m_hWnd) child->DestroyWindow();
  delete child;
  child = nullptr;
}
}  // namespace

void CCtlOPlot::FreeObjects() {
  FreeNavigation();
  DestroyChild(m_pHScroll);
  DestroyChild(m_pListBox);
  DestroyChild(m_pScrollButton[0]);
  DestroyChild(m_pScrollButton[1]);
  for (CCtlVScroll*& slider : m_pSliders) DestroyChild(slider);
  DestroyChild(m_pRangeText);
  FreeTileTexts();
  for (int i = 0; i < OPLOT_QUICKINT_DIALOGS; ++i)
    if (m_pQuickInt[i]) QuickInt_CloseDialog(static_cast<short>(i));
  EI_DeleteEditIonControls();
  TE_DeleteControls();
  for (short c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (short sp = 0; sp < OPLOT_SPT_PLACES; ++sp) ClearOneSpectrumMarker(c, sp);
  delete m_pLabels;
  m_pLabels = nullptr;
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  if (m_ownOverlay && m_pOverlay) {
    OPLOT_ClearOverlayStructure(m_pOverlay);
    FreeBlock(m_pOverlay);
  }
  if (m_ownOverlay) {
    m_pOverlay = nullptr;
    m_ownOverlay = 0;
  }
  if (m_pPickedFiles) FreeBlock(m_pPickedFiles);
  m_pPickedFiles = nullptr;
  CloseBackgroundCorrectionDialog();
  DestroyToolBar();
  DestroySegments();
  for (int i = 0; i < OPLOT_SLOTS; ++i) FreeOneSlotAnnotations(i);
  if (m_pEditIonsBlock) FreeBlock(m_pEditIonsBlock);
  m_pEditIonsBlock = nullptr;
  if (m_newPD) FreeBlock(m_newPD);
  m_newPD = nullptr;
}

void CCtlOPlot::CloseBackgroundCorrectionDialog() {
  if (m_pBackCorrDlg && ::IsWindow(m_pBackCorrDlg->m_hWnd)) m_pBackCorrDlg->DestroyWindow();
  m_pBackCorrDlg = nullptr;
  m_backCorrValue1 = m_backCorrValue2 = 0;
}

BOOL CCtlOPlot::PreTranslateMessage(MSG* msg) {
  if (msg && msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_NEXT:
      case VK_RIGHT:
      case VK_UP:
        PostMessage(WM_COMMAND, OPLOT_CMD_NEXT_SPECTRUM, reinterpret_cast<LPARAM>(m_hWnd));
        break;
      case VK_PRIOR:
      case VK_LEFT:
      case VK_DOWN:
        PostMessage(WM_COMMAND, OPLOT_CMD_PREVIOUS_SPECTRUM, reinterpret_cast<LPARAM>(m_hWnd));
        break;
      default:
        break;
    }
  }
  if (msg && m_pToolBar && m_pToolBar->m_hWnd) {
    CToolTipCtrl* tips = static_cast<CWrapOPToolBar*>(m_pToolBar)->ToolTip();
    if (tips && tips->m_hWnd) tips->RelayEvent(msg);
  }
  return CWnd::PreTranslateMessage(msg);
}

UINT CCtlOPlot::OnGetDlgCode() { return DLGC_WANTALLKEYS; }

void CCtlOPlot::OnSize(UINT type, int cx, int cy) {
  (void)type;
  Default();
  // Kept as 16-bit sizes: a larger window is laid out at the largest one.
  m_cx = static_cast<int16_t>(std::clamp(cx, 0, 0x7FFF));
  m_cy = static_cast<int16_t>(std::clamp(cy, 0, 0x7FFF));
  SizeControls();
}

void CCtlOPlot::RepaintUnlessSuspended() {
  if (!m_noRepaint && m_hWnd) Invalidate(FALSE);
}

void CCtlOPlot::FreeOneSlotAnnotations(int slot) {
  if (!OverlaySlotIndex(slot)) return;
  // The records hold their arrays in blocks of their own.
  for (void** list : {m_dhAnnotations, m_amdisAnnotations, m_tchroAnnotations}) {
    if (list[slot]) OPLOT_FreeAnnotationStrings(static_cast<STRUCT_ANNOTATIONS*>(list[slot]));
    list[slot] = nullptr;
  }
  // The match results are the control's from the moment the host hands them over.
  if (m_tchroResults[slot]) FreeTargetListResults(m_tchroResults[slot]);
  m_tchroResults[slot] = nullptr;
}

// ---- Virtual operations of later features ------------------------------------
// Each does the least its callers here need and says so.

// (data file, version file, display name): the base control keeps no
// temporary version files; derived controls remove theirs here.
void CCtlOPlot::HandleTerminatingVersionTempFile(char*, char*, char*) {}
short CCtlOPlot::GetActivePlotIndex() const {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o) return -1;
  if (m_activePlot < 0) {
    for (short i = 0; i < OPLOT_SLOTS; ++i)
      if (o->head.shown[i]) return i;
    return -1;
  }
  return OverlaySlotIndex(m_activePlot) && o->head.shown[m_activePlot] ? m_activePlot : -1;
}

