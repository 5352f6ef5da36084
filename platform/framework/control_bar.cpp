// Command-update requests, control bars and their idle update, the
// framework's toolbar, frame windows and the wait cursor.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "framework_frame.h"
#include "framework_module.h"

namespace {

std::set<CControlBar*>& Bars() {
  static auto* bars = new std::set<CControlBar*>();
  return *bars;
}

// A toolbar button's update request: enabling and checking go to the button.
class CToolCmdUI : public CCmdUI {
 public:
  void Enable(BOOL on) override {
    m_bEnableChanged = TRUE;
    auto* bar = static_cast<CToolBar*>(m_pOther);
    UINT style = bar->GetButtonStyle(static_cast<int>(m_nIndex));
    UINT next = on ? (style & ~TBBS_DISABLED) : (style | TBBS_DISABLED);
    if (!on) next &= ~TBBS_PRESSED;
    if (next != style) bar->SetButtonStyle(static_cast<int>(m_nIndex), next);
  }
  void SetCheck(int check) override {
    auto* bar = static_cast<CToolBar*>(m_pOther);
    UINT style = bar->GetButtonStyle(static_cast<int>(m_nIndex)) & ~(TBBS_CHECKED | TBBS_INDETERMINATE);
    if (check == 1) style |= TBBS_CHECKED;
    if (check == 2) style |= TBBS_INDETERMINATE;
    if (style != bar->GetButtonStyle(static_cast<int>(m_nIndex))) bar->SetButtonStyle(static_cast<int>(m_nIndex), style);
  }
  void SetText(LPCSTR) override {}  // toolbar buttons carry no text here
};

}  // namespace

UINT FrameworkCmdUIId(const CCmdUI* ui) { return ui ? ui->m_nID : 0; }

void FrameworkUpdateControlBars() {
  std::vector<CControlBar*> bars(Bars().begin(), Bars().end());
  for (CControlBar* bar : bars) {
    if (!Bars().count(bar) || !bar->m_hWnd || !IsWindowVisible(bar->m_hWnd)) continue;
    CWnd* target = bar->GetUpdateTarget();
    bar->OnUpdateCmdUI(dynamic_cast<CFrameWnd*>(target), TRUE);
  }
}

// CCmdUI ----------------------------------------------------------------------------

void CCmdUI::Enable(BOOL) { m_bEnableChanged = TRUE; }
void CCmdUI::SetCheck(int) {}
void CCmdUI::SetText(LPCSTR) {}

void CCmdUI::DoUpdate(CWnd* target, BOOL disableIfNoHandler) {
  if (!target) return;
  m_bEnableChanged = FALSE;
  if (target->OnUpdateCommand(this)) return;
  if (disableIfNoHandler && !m_bEnableChanged) Enable(target->HasCommandHandler(m_nID));
}

// CControlBar ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

CControlBar::CControlBar() { Bars().insert(this); }
CControlBar::~CControlBar() { Bars().erase(this); }

CWnd* CControlBar::GetUpdateTarget() const {
  HWND parent = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
  return parent ? CWnd::FromHandlePermanent(parent) : nullptr;
}

CSize CControlBar::CalcFixedLayout(BOOL, BOOL) { return CSize(0, 0); }

LRESULT CControlBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZEPARENT) return OnSizeParent(wParam, lParam);
  return CWnd::WindowProc(msg, wParam, lParam);
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam) {
  auto* p = reinterpret_cast<SIZEPARENTPARAMS*>(lParam);
  if (!p || !IsWindowVisible() || !(m_dwStyle & CBRS_ALIGN_ANY)) return 0;
  bool horizontal = (m_dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) != 0;
  CSize size = CalcFixedLayout(p->bStretch, horizontal ? TRUE : FALSE);
  RECT& r = p->rect;
  RECT place = r;
  if (horizontal) {
    size.cy = std::min<LONG>(size.cy, r.bottom - r.top);
    if (m_dwStyle & CBRS_ALIGN_TOP) {
      place.bottom = r.top + size.cy;
      r.top += size.cy;
    } else {
      place.top = r.bottom - size.cy;
      r.bottom -= size.cy;
    }
    if (!p->bStretch) place.right = std::min<LONG>(place.right, place.left + size.cx);
    p->sizeTotal.cy += size.cy;
  } else {
    size.cx = std::min<LONG>(size.cx, r.right - r.left);
    if (m_dwStyle & CBRS_ALIGN_LEFT) {
      place.right = r.left + size.cx;
      r.left += size.cx;
    } else {
      place.left = r.right - size.cx;
      r.right -= size.cx;
    }
    p->sizeTotal.cx += size.cx;
  }
  ::MoveWindow(m_hWnd, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
  return 0;
}

// CToolBar ------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

CToolBar::CToolBar() = default;

CToolBar::~CToolBar() {
  if (m_hbmImageWell) DeleteObject(m_hbmImageWell);
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateEx(parent, 0, style, CRect(0, 0, 0, 0), id); }

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, CRect borders, UINT id) {
  if (!parent || !parent->m_hWnd) return FALSE;
  m_dwStyle = style & CBRS_ALL;
  m_borders = borders;
  DWORD windowStyle = (style & ~static_cast<DWORD>(CBRS_ALL)) | (ctrlStyle & 0xFFFF) | CCS_NOPARENTALIGN | CCS_NOMOVEY |
                      CCS_NODIVIDER | CCS_NORESIZE | WS_CHILD;
  if (style & CBRS_TOOLTIPS) windowStyle |= TBSTYLE_TOOLTIPS;
  if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, nullptr, windowStyle, 0, 0, 0, 0, parent->m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
    return FALSE;
  SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  return TRUE;
}

CToolBarCtrl& CToolBar::GetToolBarCtrl() const {
  // A second, unattached object on the same window: its calls only send messages.
  static thread_local CToolBarCtrl ctrl;
  ctrl.m_hWnd = m_hWnd;
  return ctrl;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
  SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
  SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
}

BOOL CToolBar::LoadBitmap(UINT id) {
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i)
    if (HBITMAP b = ::CreateMappedBitmap(reinterpret_cast<HINSTANCE>(FrameworkResourceModule(i)), id, 0, nullptr, 0))
      return SetBitmap(b);
  return FALSE;
}

BOOL CToolBar::SetBitmap(HBITMAP bitmap) {
  if (!bitmap || !m_hWnd) return FALSE;
  if (m_hbmImageWell) DeleteObject(m_hbmImageWell);
  m_hbmImageWell = bitmap;
  BITMAP bm{};
  GetObjectA(bitmap, sizeof bm, &bm);
  TBADDBITMAP ab{nullptr, reinterpret_cast<UINT_PTR>(bitmap)};
  return SendMessage(TB_ADDBITMAP, static_cast<WPARAM>(bm.bmWidth / 16), reinterpret_cast<LPARAM>(&ab)) >= 0;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
  while (SendMessage(TB_BUTTONCOUNT) > 0) SendMessage(TB_DELETEBUTTON, 0);
  if (!ids || count <= 0) return TRUE;
  std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
  int image = 0;
  for (int i = 0; i < count; ++i) {
    TBBUTTON& b = buttons[static_cast<size_t>(i)];
    b = TBBUTTON{};
    if (ids[i] == ID_SEPARATOR) {
      b.fsStyle = TBSTYLE_SEP;
    } else {
      b.iBitmap = image++;
      b.idCommand = static_cast<int>(ids[i]);
      b.fsState = TBSTATE_ENABLED;
      b.fsStyle = TBSTYLE_BUTTON;
    }
  }
  return SendMessage(TB_ADDBUTTONSA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons.data())) ? TRUE
                                                                                                           : FALSE;
}

int CToolBar::CommandToIndex(UINT id) const { return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, id)); }

UINT CToolBar::GetItemID(int index) const {
  TBBUTTON b{};
  GetButtonRaw(index, &b);
  return static_cast<UINT>(b.idCommand);
}

void CToolBar::GetItemRect(int index, LPRECT rect) const {
  if (rect && !SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect))) *rect = RECT{};
}

void CToolBar::GetButtonRaw(int index, TBBUTTON* button) const {
  *button = TBBUTTON{};
  SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(button));
  button->fsState ^= TBSTATE_ENABLED;
}

void CToolBar::SetButtonRaw(int index, TBBUTTON* button) {
  TBBUTTON old{};
  GetButtonRaw(index, &old);
  button->fsState ^= TBSTATE_ENABLED;
  old.fsState ^= TBSTATE_ENABLED;
  if (std::memcmp(&old, button, sizeof(TBBUTTON)) != 0) {
    bool relayout = ((old.fsState ^ button->fsState) & (TBSTATE_WRAP | TBSTATE_HIDDEN)) ||
                    old.fsStyle != button->fsStyle || old.iBitmap != button->iBitmap;
    if (relayout) {
      SendMessage(TB_DELETEBUTTON, static_cast<WPARAM>(index));
      SendMessage(TB_INSERTBUTTONA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(button));
    } else {
      SendMessage(TB_SETSTATE, static_cast<WPARAM>(button->idCommand), MAKELPARAM(button->fsState, 0));
    }
  }
  button->fsState ^= TBSTATE_ENABLED;
}

UINT CToolBar::GetButtonStyle(int index) const {
  TBBUTTON b{};
  GetButtonRaw(index, &b);
  return MAKELONG(b.fsStyle, b.fsState);
}

void CToolBar::SetButtonStyle(int index, UINT style) {
  TBBUTTON b{};
  GetButtonRaw(index, &b);
  b.fsStyle = LOBYTE(LOWORD(style));
  b.fsState = LOBYTE(HIWORD(style));
  SetButtonRaw(index, &b);
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const {
  TBBUTTON b{};
  GetButtonRaw(index, &b);
  id = static_cast<UINT>(b.idCommand);
  style = MAKELONG(b.fsStyle, b.fsState);
  image = b.iBitmap;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image) {
  TBBUTTON b{};
  GetButtonRaw(index, &b);
  b.idCommand = static_cast<int>(id);
  b.fsStyle = LOBYTE(LOWORD(style));
  b.fsState = LOBYTE(HIWORD(style));
  b.iBitmap = image;
  SetButtonRaw(index, &b);
}

int CToolBar::WrapToolBar(int width) {
  int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
  int x = 0, rows = 1, lastVisible = -1;
  for (int i = 0; i < count; ++i) {
    TBBUTTON b{};
    GetButtonRaw(i, &b);
    BYTE state = b.fsState ^ TBSTATE_ENABLED;
    if (state & TBSTATE_HIDDEN) continue;
    RECT r{};
    bool was = (state & TBSTATE_WRAP) != 0;
    if (was) {
      b.fsState &= static_cast<BYTE>(~TBSTATE_WRAP);
      SetButtonRaw(i, &b);
    }
    SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    int w = r.right - r.left;
    if (x > 0 && x + w > width && lastVisible >= 0) {
      TBBUTTON prev{};
      GetButtonRaw(lastVisible, &prev);
      prev.fsState |= TBSTATE_WRAP;
      SetButtonRaw(lastVisible, &prev);
      x = 0;
      ++rows;
    }
    x += w;
    lastVisible = i;
  }
  return rows;
}

CSize CToolBar::CalcFixedLayout(BOOL stretch, BOOL horizontal) {
  SIZE max{};
  SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&max));
  int extraX = m_borders.left + m_borders.right, extraY = m_borders.top + m_borders.bottom;
  if (m_dwStyle & CBRS_BORDER_TOP) extraY += 2;
  if (m_dwStyle & CBRS_BORDER_BOTTOM) extraY += 2;
  if (m_dwStyle & CBRS_BORDER_LEFT) extraX += 2;
  if (m_dwStyle & CBRS_BORDER_RIGHT) extraX += 2;
  CSize size(max.cx + extraX, max.cy + extraY);
  if (stretch) {
    if (horizontal)
      size.cx = 32767;
    else
      size.cy = 32767;
  }
  return size;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  CWnd* to = target ? static_cast<CWnd*>(target) : GetUpdateTarget();
  if (!to) return;
  CToolCmdUI ui;
  ui.m_pOther = this;
  int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
  for (int i = 0; i < count && m_hWnd; ++i) {
    TBBUTTON b{};
    GetButtonRaw(i, &b);
    if (b.fsStyle & TBSTYLE_SEP) continue;
    ui.m_nIndex = static_cast<UINT>(i);
    ui.m_nID = static_cast<UINT>(b.idCommand);
    ui.DoUpdate(to, disableIfNoHandler);
  }
}

// CFrameWnd -----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_SIZE()
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

BOOL CFrameWnd::Create(LPCSTR className, LPCSTR title, DWORD style, const RECT& rect, CWnd* parent, LPCSTR menuName,
                       DWORD exStyle) {
  HMENU menu = nullptr;
  if (menuName && !(style & WS_CHILD)) {
    for (int i = 0; i < FrameworkResourceModuleCount() && !menu; ++i)
      menu = ::LoadMenuA(reinterpret_cast<HINSTANCE>(FrameworkResourceModule(i)), menuName);
    if (!menu) return FALSE;
  }
  RECT r = rect;
  BOOL ok = CreateEx(exStyle, className, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     parent ? parent->m_hWnd : nullptr, menu);
  if (!ok && menu) DestroyMenu(menu);
  if (ok) RecalcLayout();
  return ok;
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (!m_hWnd) return;
  SIZEPARENTPARAMS p{};
  ::GetClientRect(m_hWnd, &p.rect);
  p.bStretch = TRUE;
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    ::SendMessageA(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&p));
  m_rectLeft = CRect(p.rect);
}

void CFrameWnd::UpdateControlBars(BOOL disableIfNoHandler) {
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandlePermanent(child)))
      if (bar->IsWindowVisible()) bar->OnUpdateCmdUI(this, disableIfNoHandler);
}

void CFrameWnd::OnSize(UINT, int, int) { RecalcLayout(); }

// CWaitCursor ----------------------------------------------------------------------

CWaitCursor::CWaitCursor() { m_previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }
CWaitCursor::~CWaitCursor() { SetCursor(m_previous); }
void CWaitCursor::Restore() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }
