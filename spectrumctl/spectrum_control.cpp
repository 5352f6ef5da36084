// The spectrum control's object: window class, creation by class name or by
// CreateSpectraControl, children, toolbar frame, font, destruction.
#include "spectrumctl/spectrum_control.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "plotengine/label_manager.h"
#include "specialctl/gain_slider.h"
#include "spectrumctl/spectrum_info_windows.h"
#include "win/win_commctrl.h"

IMPLEMENT_DYNAMIC(CCtlSpt, CWnd)

namespace {
constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
static_assert(kClassStyle == 0x400B);

template <class T>
void DestroyChild(T*& child) {
  if (!child) return;
  if (child->m_hWnd) child->DestroyWindow();
  delete child;
  child = nullptr;
}
}  // namespace

ATOM CCtlSpt::Register() {
  WNDCLASSA wc{};
  wc.style = kClassStyle;
  wc.lpfnWndProc = CtlSptWndProc;
  wc.hInstance = kelt::lib::ModuleHandle();
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc);
}

BOOL CCtlSpt::Unregister() { return UnregisterClassA(kClassName, kelt::lib::ModuleHandle()); }

LRESULT CALLBACK CtlSptWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* control = new (std::nothrow) CCtlSpt;
    if (!control) return 0;
    if (!control->SubclassWindow(hwnd)) {
      delete control;
      return 0;
    }
    return 1;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

CCtlSpt* CreateSpectraControl(CWnd* parent, short id, short left, short top, short right, short bottom, int32_t,
                              int32_t, int32_t) {
  auto* control = new (std::nothrow) CCtlSpt;
  if (!control) return nullptr;
  constexpr DWORD kStyle = WS_CHILD | WS_TABSTOP;
  static_assert(kStyle == 0x40010000);
  // The framework's own default class: the object is the window's handler from the start.
  bool deleted = false;
  control->m_deletedFlag = &deleted;
  if (!control->CWnd::Create(nullptr, nullptr, kStyle, CRect(left, top, right, bottom), parent,
                             static_cast<UINT>(static_cast<uint16_t>(id)))) {
    // A window that existed for a moment deleted the object as it went.
    if (!deleted) delete control;
    return nullptr;
  }
  control->m_deletedFlag = nullptr;
  control->ShowWindow(SW_SHOW);
  return control;
}

CCtlSpt::CCtlSpt() = default;

CCtlSpt::~CCtlSpt() {
  if (m_deletedFlag) *m_deletedFlag = true;
  // A control deleted before its window went still frees what it holds.
  for (short s = 0; s < 2; ++s) {
    if (m_owned[s] || m_input[s]) PlusSpt_Free(m_display[s]);
    if (m_owned[s]) PlusSpt_Free(m_input[s]);
    PlusSpt_Free(m_smoothed[s]);
    PlusSpt_Free(m_centroid[s]);
    m_display[s] = m_input[s] = m_smoothed[s] = m_centroid[s] = nullptr;
  }
  PlusSpt_Free(m_display[2]);
  m_display[2] = nullptr;
  FreeBlock(m_pPlotDescriptor);
  m_pPlotDescriptor = nullptr;
  delete m_pEngine;
  m_pEngine = nullptr;
  delete m_pLabels;
  m_pLabels = nullptr;
}

void CCtlSpt::PostNcDestroy() { delete this; }

BOOL CCtlSpt::PreTranslateMessage(MSG* msg) { return CWnd::PreTranslateMessage(msg); }

int CCtlSpt::OnCreate(CREATESTRUCTA*) {
  m_pInfo = nullptr;
  m_pToolBar = nullptr;
  m_pHScroll = nullptr;
  m_pDown = m_pUp = nullptr;
  for (auto*& s : m_pSliders) s = nullptr;
  if (Default() == -1) return -1;

  m_id = static_cast<uint32_t>(GetDlgCtrlID());
  std::memset(m_name, 0, sizeof m_name);
  m_drawerWord = m_reviewIndex = 0;
  m_showDifference = 1;
  m_windowMode = SPT_WINDOW_PLAIN;

  STRUCT_REPORT_PREFS report{};
  KELT_GetCurrDefReportPrefs(&report);
  m_printScales[0] = report.sptsAxis0;
  m_printScales[1] = report.sptsAxis1;
  m_printColors = report.sptsColors;
  m_printScalesSet = m_printColorsSet = 0;
  KELT_GetCurrDefSptsPrefs(&m_prefs);
  SetToolbarTransientsFromPrefs();
  m_savedClickDragMode = m_clickDragMode;
  m_savedSingleClickMode = m_singleClickMode;

  m_scrollHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYHSCROLL));
  m_scrollWidth = static_cast<int16_t>(GetSystemMetrics(SM_CXVSCROLL));
  m_thumbWidth2 = static_cast<int16_t>(2 * GetSystemMetrics(SM_CXHTHUMB));
  m_activeCandidate = -1;
  m_plotsSelectable = 1;

  // Children start with empty rectangles; the layout places them.
  const CRect none(0, 0, 0, 0);
  m_pInfo = new (std::nothrow) CWrapCtlSptInfo;
  if (m_pInfo && !m_pInfo->CWnd::Create(nullptr, nullptr, WS_CHILD, none, this, SPT_ID_INFO)) {
    delete m_pInfo;
    m_pInfo = nullptr;
  }
  if (m_pInfo) m_pInfo->ShowWindow(SW_SHOW);

  m_pHScroll = new (std::nothrow) CScrollBar;
  if (m_pHScroll && !m_pHScroll->Create(WS_CHILD | SBS_HORZ, none, this, SPT_ID_HSCROLL)) {
    delete m_pHScroll;
    m_pHScroll = nullptr;
  }
  if (m_pHScroll) {
    m_pHScroll->ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_pHScroll->SetScrollRange(0, 10000, FALSE);
    m_pHScroll->ShowWindow(SW_SHOW);
  }
  constexpr DWORD kButtonStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | BS_OWNERDRAW;
  static_assert(kButtonStyle == 0x4600000B);
  for (auto [button, id] : {std::pair<CButton**, UINT>{&m_pDown, SPT_ID_DOWN}, {&m_pUp, SPT_ID_UP}}) {
    *button = new (std::nothrow) CButton;
    if (*button && !(*button)->CWnd::Create(WC_BUTTONA, "", kButtonStyle, none, this, id)) {
      delete *button;
      *button = nullptr;
    }
    if (*button) (*button)->ShowWindow(SW_SHOW);
  }
  for (int i = 0; i < SPT_SLOTS; ++i) {
    m_pSliders[i] = new (std::nothrow) CCtlVScroll;
    if (m_pSliders[i] && m_pSliders[i]->CWnd::Create(nullptr, nullptr, WS_CHILD, none, this, SPT_ID_SLIDER0 + i)) {
      m_pSliders[i]->ShowWindow(SW_SHOW);
      continue;
    }
    delete m_pSliders[i];
    m_pSliders[i] = nullptr;
    // All sliders or none.
    for (auto*& s : m_pSliders) DestroyChild(s);
    break;
  }

  if (m_showToolbar) CreateToolBar();
  m_charWidth = 8;
  m_charHeight = 11;
  UpdateFont();

  m_pLabels = new (std::nothrow) CLabelManager(this);
  if (!m_pLabels) return -1;
  CreateLibraryComparisonLink();
  return 0;
}

void CCtlSpt::OnDestroy() {
  CloseCentroidDialogs();
  CloseSelChroPlotDialog();
  FreeClearAllSpectra();
  FreeBlock(m_pPlotDescriptor);
  m_pPlotDescriptor = nullptr;
  DestroyChild(m_pInfo);
  delete m_pLabels;
  m_pLabels = nullptr;
  DestroyChild(m_pHScroll);
  DestroyChild(m_pDown);
  DestroyChild(m_pUp);
  for (auto*& s : m_pSliders) DestroyChild(s);
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  if (m_font) DeleteObject(m_font);
  m_font = nullptr;
  FreeLibraryComparisonLink();
  DestroyToolBar();
  CloseSelSptsPlotDialog();
  Default();
}

void CCtlSpt::CreateToolBar() {
  if (!m_pToolBar) {
    m_pToolBar = new (std::nothrow) CWrapSptToolBar;
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    static_assert(kStyle == 0x56000000);
    if (m_pToolBar && !m_pToolBar->CWnd::Create(nullptr, nullptr, kStyle, CRect(0, 0, 0, 0), this, SPT_ID_TOOLBAR)) {
      delete m_pToolBar;
      m_pToolBar = nullptr;
    }
    if (m_pToolBar) m_pToolBar->SendMessage(WM_USER + 20, reinterpret_cast<WPARAM>(this), 0);
  }
  if (m_pToolBar)
    m_toolbarHeight = static_cast<int16_t>(m_pToolBar->SendMessage(WM_USER + 21, static_cast<WPARAM>(m_windowMode), 0));
}

void CCtlSpt::DestroyToolBar() {
  m_toolbarHeight = 0;
  if (!m_pToolBar) return;
  m_pToolBar->SendMessage(WM_USER + 22, 0, 0);
  // The frame deletes its own object when its window goes.
  if (m_pToolBar->m_hWnd) m_pToolBar->DestroyWindow();
  m_pToolBar = nullptr;
}

void CCtlSpt::UpdateFont() {
  HFONT font = CreateFontIndirectA(&m_prefs.ctrlFont);
  if (!font) return;
  if (m_pInfo && m_pInfo->m_hWnd) {
    m_pInfo->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (m_infoInUse) m_pInfo->Invalidate(FALSE);
  }
  if (m_font) DeleteObject(m_font);
  m_font = font;
  HDC dc = ::GetDC(m_hWnd);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  if (GetTextExtentPoint32A(dc, "M", 1, &size) && size.cx > 0 && size.cy > 0) {
    m_charWidth = static_cast<int16_t>(size.cx);
    m_charHeight = static_cast<int16_t>(size.cy);
  }
  SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
}

void CCtlSpt::Notify(unsigned short code) {
  if (!m_hWnd) return;
  HWND parent = ::GetParent(m_hWnd);
  if (parent)
    ::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), code), reinterpret_cast<LPARAM>(m_hWnd));
}

BOOL GetDeconvolutionProgramPath(char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  char folder[MAX_PATH] = {};
  if (!GetProgramDirectory(folder)) folder[0] = 0;
  const size_t n = strnlen(folder, sizeof folder - 1);
  std::memcpy(buffer, folder, n);
  size_t at = n;
  if (n) buffer[at++] = '\\';
  std::memcpy(buffer + at, "Dravik.exe", sizeof "Dravik.exe");
  return FileExists(buffer) ? TRUE : FALSE;
}

// ---- Operations of features that build on the control ----------------------
// Each does the least its callers here need.
void CCtlSpt::UpdateToolBar() {
  if (m_pToolBar && m_pToolBar->m_hWnd) m_pToolBar->SendMessage(WM_USER + 23, 0, reinterpret_cast<LPARAM>(this));
}
void CCtlSpt::CloseCentroidDialog(short slot) {
  if (slot < 0 || slot > 1) return;
  if (m_pCentroidDlg[slot] && ::IsWindow(m_pCentroidDlg[slot]->m_hWnd)) m_pCentroidDlg[slot]->DestroyWindow();
  m_pCentroidDlg[slot] = nullptr;
}
void CCtlSpt::CloseCentroidDialogs() {
  CloseCentroidDialog(0);
  CloseCentroidDialog(1);
}
void CCtlSpt::CloseSelChroPlotDialog() {
  if (m_pSelChroPlotDlg && ::IsWindow(m_pSelChroPlotDlg->m_hWnd)) m_pSelChroPlotDlg->DestroyWindow();
  m_pSelChroPlotDlg = nullptr;
}
void CCtlSpt::CloseSelSptsPlotDialog() {
  HWND popup = m_hIonListPopup;
  if (popup && ::IsWindow(popup)) ::DestroyWindow(popup);
  m_hIonListPopup = nullptr;
}
void CCtlSpt::OnToolBarChange(unsigned int command) {
  if (command == 9031) {
    m_showToolbar = 1;
    CreateToolBar();
  } else if (command == 9030) {
    m_showToolbar = 0;
    DestroyToolBar();
  }
  InitSizes();
  Invalidate(FALSE);
}
