// The report viewer's toolbar frame.
#include "reportpages/viewer_toolbar.h"

#include <new>

#include "common/library_state.h"
#include "win/win_commctrl.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr UINT kButtons[13] = {ID_SEPARATOR,          ID_VIEWER_HELP,     ID_SEPARATOR, ID_VIEWER_DELETE_PAGE,
                               ID_SEPARATOR,          ID_VIEWER_PREVIOUS, ID_VIEWER_NEXT, ID_SEPARATOR,
                               ID_VIEWER_PRINT_PAGE,  ID_SEPARATOR,       ID_VIEWER_PRINT_REPORT, ID_SEPARATOR,
                               ID_VIEWER_PRINT_ALL};
const char* TipOf(UINT id) {
  switch (id) {
    case ID_VIEWER_HELP: return "Help";
    case ID_VIEWER_DELETE_PAGE: return "Delete Page";
    case ID_VIEWER_PREVIOUS: return "Previous Page";
    case ID_VIEWER_NEXT: return "Next Page";
    case ID_VIEWER_PRINT_PAGE: return "Print Page";
    case ID_VIEWER_PRINT_REPORT: return "Print Report";
    case ID_VIEWER_PRINT_ALL: return "Print All Reports";
    default: return "";
  }
}

// Seven 16 x 15 pictures drawn from strings: '#' dark, '+' blue, 'o'
// white paper, '.' the button face (mapped to the system colour).
const char* const kPictures[7][15] = {
    {"................", ".....######.....", "....##....##....", "....##....##....", "..........##....",
     ".........##.....", "........##......", ".......##.......", ".......##.......", "................",
     ".......##.......", ".......##.......", "................", "................", "................"},
    {"................", "..##........##..", "...##......##...", "....##....##....", ".....##..##.....",
     "......####......", ".......##.......", "......####......", ".....##..##.....", "....##....##....",
     "...##......##...", "..##........##..", "................", "................", "................"},
    {"................", "................", ".........+......", "........++......", ".......+++......",
     "......++++++++..", ".....+++++++++..", "......++++++++..", ".......+++......", "........++......",
     ".........+......", "................", "................", "................", "................"},
    {"................", "................", "......+.........", "......++........", "......+++.......",
     "..++++++++......", "..+++++++++.....", "..++++++++......", "......+++.......", "......++........",
     "......+.........", "................", "................", "................", "................"},
    {"................", "....#######.....", "....#ooooo##....", "....#oooooo#....", "....#o###oo#....",
     "....#oooooo#....", "....#o####o#....", "....#oooooo#....", "....#o####o#....", "....#oooooo#....",
     "....#oooooo#....", "....########....", "................", "................", "................"},
    {"................", "..#######.......", "..#ooooo#.......", "..#o###o#####...", "..#ooooo#ooo#...",
     "..#o###o#o#o#...", "..#ooooo#ooo#...", "..#######o#o#...", "......#ooooo#...", "......#o###o#...",
     "......#ooooo#...", "......#######...", "................", "................", "................"},
    {"................", ".#####..........", ".#ooo#####......", ".#o#o#ooo#####..", ".#ooo#o#o#ooo#..",
     ".#o#o#ooo#o#o#..", ".#ooo#o#o#ooo#..", ".#####ooo#o#o#..", ".....#####ooo#..", ".........#o#o#..",
     ".........#ooo#..", ".........#####..", "................", "................", "................"},
};

void EnsureBitmap() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindBitmap(module, VIEWER_TOOLBAR_BITMAP)) return;
  BitmapResource b;
  b.width = 16 * 7;
  b.height = 15;
  b.pixels.resize(size_t(b.width) * 15);
  for (int i = 0; i < 7; ++i)
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 16; ++x) {
        COLORREF c = RGB(192, 192, 192);
        switch (kPictures[i][y][x]) {
          case '#': c = RGB(0, 0, 0); break;
          case '+': c = RGB(0, 0, 160); break;
          case 'o': c = RGB(255, 255, 255); break;
          default: break;
        }
        b.pixels[size_t(y) * size_t(b.width) + size_t(i * 16 + x)] = c;
      }
  AddBitmap(module, VIEWER_TOOLBAR_BITMAP, b);
}

}  // namespace

IMPLEMENT_DYNAMIC(CWrapViewRptsToolBar, CFrameWnd)

CWrapViewRptsToolBar::CWrapViewRptsToolBar() { EnsureBitmap(); }
CWrapViewRptsToolBar::~CWrapViewRptsToolBar() {
  delete m_pToolBar;
  delete m_pToolTips;
}

void CWrapViewRptsToolBar::SetPageState(int32_t current, int32_t count, uint16_t shown) {
  m_CurrentPage = current;
  m_PageCount = count;
  m_PageShown = shown;
}

int CWrapViewRptsToolBar::OnCreate(CREATESTRUCTA*) {
  if (Default() == -1) return -1;
  m_pToolBar = new (std::nothrow) CToolBar;
  if (!m_pToolBar || !m_pToolBar->Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP, FRAMEWORK_IDW_TOOLBAR)) {
    delete m_pToolBar;
    m_pToolBar = nullptr;
    return -1;
  }
  m_pToolBar->GetToolBarCtrl().SetAnchorHighlight(FALSE);
  m_hButtonBitmap = ::CreateMappedBitmap(reinterpret_cast<HINSTANCE>(kelt::lib::ModuleHandle()),
                                         VIEWER_TOOLBAR_BITMAP, 0, nullptr, 0);
  if (m_hButtonBitmap) {
    // The bar owns the strip from here on.
    m_pToolBar->SetBitmap(m_hButtonBitmap);
    m_pToolBar->SetButtons(kButtons, 13);
    m_pToolBar->ShowWindow(SW_SHOW);
    SIZE total{};
    m_pToolBar->GetToolBarCtrl().GetMaxSize(&total);
    m_ToolBarWidth = total.cx;
    m_ToolBarHeight = total.cy;
  }
  m_pToolTips = new (std::nothrow) CToolTipCtrl;
  if (m_pToolTips && m_pToolTips->Create(this, TTS_ALWAYSTIP | TTS_NOPREFIX)) {
    for (int i = 0; i < 13; ++i) {
      if (kButtons[i] == ID_SEPARATOR) continue;
      RECT r{};
      m_pToolBar->GetItemRect(i, &r);
      m_pToolTips->AddTool(m_pToolBar, TipOf(kButtons[i]), &r, kButtons[i]);
    }
    m_pToolTips->Activate(TRUE);
  } else {
    delete m_pToolTips;
    m_pToolTips = nullptr;
  }
  return 0;
}

void CWrapViewRptsToolBar::OnDestroy() {
  if (m_pToolBar) {
    if (m_pToolBar->m_hWnd) m_pToolBar->DestroyWindow();
    delete m_pToolBar;
    m_pToolBar = nullptr;
  }
  if (m_pToolTips) {
    if (m_pToolTips->m_hWnd) m_pToolTips->DestroyWindow();
    delete m_pToolTips;
    m_pToolTips = nullptr;
  }
  m_hButtonBitmap = nullptr;  // deleted with the bar
  Default();
}

void CWrapViewRptsToolBar::OnSize(UINT type, int cx, int cy) {
  CFrameWnd::OnSize(type, cx, cy);
  m_FrameWidth = uint16_t(cx);
  m_FrameHeight = uint16_t(cy);
  if (m_pToolBar && m_pToolBar->m_hWnd) m_pToolBar->MoveWindow(0, 0, cx, cy, TRUE);
}

BOOL CWrapViewRptsToolBar::PreTranslateMessage(MSG* msg) {
  if (m_pToolTips && m_pToolTips->m_hWnd) m_pToolTips->RelayEvent(msg);
  return CFrameWnd::PreTranslateMessage(msg);
}

BOOL CWrapViewRptsToolBar::IsCommandEnabled(UINT id) const {
  switch (id) {
    case ID_VIEWER_HELP: return TRUE;
    case ID_VIEWER_DELETE_PAGE:
    case ID_VIEWER_PRINT_PAGE:
    case ID_VIEWER_PRINT_REPORT:
    case ID_VIEWER_PRINT_ALL: return m_PageShown != 0;
    case ID_VIEWER_PREVIOUS: return m_CurrentPage > 0;
    case ID_VIEWER_NEXT: return m_CurrentPage < m_PageCount - 1;
    default: return FALSE;
  }
}

void CWrapViewRptsToolBar::OnUpdateButton(CCmdUI* ui) { ui->Enable(IsCommandEnabled(ui->m_nID)); }

BEGIN_MESSAGE_MAP(CWrapViewRptsToolBar, CFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_UPDATE_COMMAND_UI(ID_VIEWER_HELP, OnUpdateButton)
ON_UPDATE_COMMAND_UI_RANGE(ID_VIEWER_DELETE_PAGE, ID_VIEWER_PRINT_ALL, OnUpdateButton)
END_MESSAGE_MAP()
