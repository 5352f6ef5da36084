// Property sheets: a modal dialog with a strip of tabs, pages made as child
// dialogs when first shown, and the OK, Cancel, Apply and Help buttons
// driving the pages' PSN_* notifications.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "user_internal.h"
#include "win_kernel.h"
#include "win_prsht.h"
#include "win_resources.h"
#include "win_script.h"

namespace win::user {
namespace {

constexpr const char* kSheetProp = "PropertySheetState";
constexpr int kMargin = 7, kTabHeight = 22, kButtonW = 75, kButtonH = 23, kButtonGap = 6;

struct PageRecord {
  PROPSHEETPAGEA psp{};
  win::resources::DialogTemplate tmpl;
  std::string title;
  HWND hwnd = nullptr;
  bool created = false;
};

struct SheetState {
  DWORD flags = 0;
  PFNPROPSHEETCALLBACK callback = nullptr;
  HINSTANCE instance = nullptr;
  std::vector<std::shared_ptr<PageRecord>> pages;
  int start = 0;
  int current = -1;
  std::set<HWND> changed;
  bool restart = false;
  HWND sheet = nullptr;
  RECT pageRect{};
  std::vector<RECT> tabs;
  bool failed = false;
};

std::map<uintptr_t, std::shared_ptr<PageRecord>>& PageHandles() {
  static auto* pages = new std::map<uintptr_t, std::shared_ptr<PageRecord>>();
  return *pages;
}

SheetState* StateOf(HWND sheet) { return static_cast<SheetState*>(GetPropA(sheet, kSheetProp)); }

std::string LoadText(HINSTANCE instance, LPCSTR text) {
  if (!text) return {};
  if (!IS_INTRESOURCE(text)) return text;
  char buf[256];
  return LoadStringA(instance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(text)), buf, sizeof buf) ? buf : "";
}

// A page description made usable: its template found and its title chosen.
std::shared_ptr<PageRecord> MakeRecord(const PROPSHEETPAGEA* psp) {
  if (!psp || psp->dwSize < offsetof(PROPSHEETPAGEA, pfnCallback)) return nullptr;
  auto rec = std::make_shared<PageRecord>();
  std::memcpy(&rec->psp, psp, std::min<size_t>(psp->dwSize, sizeof(PROPSHEETPAGEA)));
  rec->psp.dwSize = sizeof(PROPSHEETPAGEA);
  const win::resources::DialogTemplate* t =
      (psp->dwFlags & PSP_DLGINDIRECT)
          ? psp->pResource
          : win::resources::FindDialog(psp->hInstance, win::resources::ResourceName(psp->pszTemplate));
  if (!t) return nullptr;
  rec->tmpl = *t;
  rec->title = (psp->dwFlags & PSP_USETITLE) ? LoadText(psp->hInstance, psp->pszTitle) : t->caption;
  return rec;
}

LRESULT Notify(SheetState& s, int index, UINT code, LPARAM lParam) {
  HWND page = s.pages[static_cast<size_t>(index)]->hwnd;
  if (!page || !IsWindow(page)) return 0;
  PSHNOTIFY nm{};
  nm.hdr.hwndFrom = s.sheet;
  nm.hdr.code = code;
  nm.lParam = lParam;
  SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
  LRESULT r = Send(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
  return IsWindow(page) ? GetWindowLongPtrA(page, DWLP_MSGRESULT) : r;
}

bool CreatePage(SheetState& s, int index) {
  auto& rec = *s.pages[static_cast<size_t>(index)];
  if (rec.hwnd && IsWindow(rec.hwnd)) return true;
  win::resources::DialogTemplate t = rec.tmpl;
  t.style = (t.style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME |
                                          WS_VISIBLE | DS_CENTER)) |
            WS_CHILD | DS_CONTROL;
  t.caption.clear();
  t.x = t.y = 0;
  HINSTANCE inst = rec.psp.hInstance ? rec.psp.hInstance : s.instance;
  rec.hwnd = CreateDialogIndirectParamA(inst, &t, s.sheet, rec.psp.pfnDlgProc, reinterpret_cast<LPARAM>(&rec.psp));
  if (!rec.hwnd) return false;
  rec.created = true;
  SetWindowPos(rec.hwnd, HWND_TOP, s.pageRect.left, s.pageRect.top, s.pageRect.right - s.pageRect.left,
               s.pageRect.bottom - s.pageRect.top, SWP_NOACTIVATE);
  return true;
}

void UpdateHelp(SheetState& s) {
  HWND help = GetDlgItem(s.sheet, IDHELP);
  if (!help || s.current < 0) return;
  EnableWindow(help, (s.pages[static_cast<size_t>(s.current)]->psp.dwFlags & PSP_HASHELP) ? TRUE : FALSE);
}

bool Select(SheetState& s, int index) {
  if (index < 0 || index >= static_cast<int>(s.pages.size())) return false;
  if (index == s.current) return true;
  int old = s.current;
  if (old >= 0 && Notify(s, old, PSN_KILLACTIVE, 0)) return false;  // the page keeps the focus
  if (!CreatePage(s, index)) return false;
  if (Notify(s, index, PSN_SETACTIVE, 0) == -1) return false;  // the page does not want to be shown
  if (old >= 0 && IsWindow(s.pages[static_cast<size_t>(old)]->hwnd))
    ShowWindow(s.pages[static_cast<size_t>(old)]->hwnd, SW_HIDE);
  s.current = index;
  HWND page = s.pages[static_cast<size_t>(index)]->hwnd;
  ShowWindow(page, SW_SHOWNA);
  if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE)) SetFocus(first);
  UpdateHelp(s);
  RECT strip{0, 0, 4000, s.pageRect.top};
  InvalidateRect(s.sheet, &strip, TRUE);
  return true;
}

bool ApplyAll(SheetState& s, bool ok) {
  if (s.current >= 0 && Notify(s, s.current, PSN_KILLACTIVE, 0)) return false;
  for (int i = 0; i < static_cast<int>(s.pages.size()); ++i) {
    if (!s.pages[static_cast<size_t>(i)]->created) continue;
    LRESULT r = Notify(s, i, PSN_APPLY, ok ? TRUE : FALSE);
    if (r == PSNRET_INVALID) {
      Select(s, i);
      return false;
    }
    if (r == PSNRET_INVALID_NOCHANGEPAGE) return false;
  }
  s.changed.clear();
  if (HWND apply = GetDlgItem(s.sheet, ID_APPLY_NOW)) EnableWindow(apply, FALSE);
  return true;
}

void Cancel(SheetState& s) {
  if (s.current >= 0 && Notify(s, s.current, PSN_QUERYCANCEL, 0)) return;
  for (int i = 0; i < static_cast<int>(s.pages.size()); ++i)
    if (s.pages[static_cast<size_t>(i)]->created) Notify(s, i, PSN_RESET, FALSE);
  EndDialog(s.sheet, IDCANCEL);
}

// Tabs left to right, in as many rows as the width needs; the number of rows.
int Layout(HWND sheet, SheetState& s, int width) {
  HDC dc = GetDC(sheet);
  HFONT font = reinterpret_cast<HFONT>(Send(sheet, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  int x = kMargin, row = 0;
  s.tabs.clear();
  for (auto& p : s.pages) {
    SIZE size{};
    GetTextExtentPoint32A(dc, p->title.c_str(), static_cast<int>(p->title.size()), &size);
    const int w = size.cx + 14;
    if (x > kMargin && x + w > kMargin + width) {
      x = kMargin;
      ++row;
    }
    const int top = kMargin + row * kTabHeight;
    RECT r{x, top, x + w, top + kTabHeight};
    s.tabs.push_back(r);
    x = r.right;
  }
  SelectObject(dc, old);
  ReleaseDC(sheet, dc);
  return row + 1;
}

void PaintTabs(HWND sheet, SheetState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(sheet, &ps);
  if (!dc) return;
  HFONT font = reinterpret_cast<HFONT>(Send(sheet, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  RECT frame{s.pageRect.left - 2, s.pageRect.top - 2, s.pageRect.right + 2, s.pageRect.bottom + 2};
  DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
  for (size_t i = 0; i < s.tabs.size(); ++i) {
    RECT r = s.tabs[i];
    bool on = static_cast<int>(i) == s.current;
    if (!on) r.top += 2;
    else r.bottom += 2;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    RECT e = r;
    DrawEdge(dc, &e, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, s.pages[i]->title.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  SelectObject(dc, old);
  EndPaint(sheet, &ps);
}

HWND AddButton(HWND sheet, int id, const char* text, int x, int y, bool isDefault) {
  HWND b = CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : 0),
                           x, y, kButtonW, kButtonH, sheet, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                           nullptr, nullptr);
  if (b) Send(b, WM_SETFONT, Send(sheet, WM_GETFONT, 0, 0), FALSE);
  return b;
}

INT_PTR CALLBACK SheetProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM lParam) {
  SheetState* s = msg == WM_INITDIALOG ? reinterpret_cast<SheetState*>(lParam) : StateOf(sheet);
  if (!s) return FALSE;
  auto result = [&](LRESULT r) {
    SetWindowLongPtrA(sheet, DWLP_MSGRESULT, r);
    return TRUE;
  };
  switch (msg) {
    case WM_INITDIALOG: {
      SetPropA(sheet, kSheetProp, s);
      s->sheet = sheet;
      RECT c;
      GetClientRect(sheet, &c);
      // Tabs that do not fit in one row wrap; the sheet grows by the extra rows.
      const int rows = Layout(sheet, *s, c.right - 2 * kMargin);
      if (rows > 1) {
        RECT w;
        GetWindowRect(sheet, &w);
        SetWindowPos(sheet, nullptr, 0, 0, w.right - w.left, w.bottom - w.top + (rows - 1) * kTabHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(sheet, &c);
      }
      int buttonsTop = c.bottom - kMargin - kButtonH;
      s->pageRect =
          RECT{kMargin + 2, kMargin + rows * kTabHeight + 2, c.right - kMargin - 2, buttonsTop - kMargin};
      bool help = (s->flags & PSH_HASHELP) != 0;
      for (auto& p : s->pages) help = help || (p->psp.dwFlags & PSP_HASHELP);
      std::vector<std::pair<int, const char*>> buttons{{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
      if (!(s->flags & PSH_NOAPPLYNOW)) buttons.push_back({ID_APPLY_NOW, "&Apply"});
      if (help) buttons.push_back({IDHELP, "Help"});
      int x = c.right - kMargin - static_cast<int>(buttons.size()) * (kButtonW + kButtonGap) + kButtonGap;
      for (auto& [id, text] : buttons) {
        AddButton(sheet, id, text, x, buttonsTop, id == IDOK);
        x += kButtonW + kButtonGap;
      }
      if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW)) EnableWindow(apply, FALSE);
      Send(sheet, DM_SETDEFID, IDOK, 0);
      if (!Select(*s, std::clamp(s->start, 0, static_cast<int>(s->pages.size()) - 1)) &&
          !Select(*s, 0)) {  // a start page that will not show gives way to the first
        s->failed = true;
        EndDialog(sheet, -1);
        return FALSE;
      }
      if (s->callback) s->callback(sheet, PSCB_INITIALIZED, 0);
      return FALSE;  // the page took the focus
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (ApplyAll(*s, true)) EndDialog(sheet, IDOK);
          return TRUE;
        case IDCANCEL: Cancel(*s); return TRUE;
        case ID_APPLY_NOW: ApplyAll(*s, false); return TRUE;
        case IDHELP:
          if (s->current >= 0) Notify(*s, s->current, PSN_HELP, 0);
          return TRUE;
        default: return FALSE;
      }
    case WM_PAINT: PaintTabs(sheet, *s); return TRUE;
    case WM_LBUTTONDOWN: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      for (size_t i = 0; i < s->tabs.size(); ++i) {
        const RECT& r = s->tabs[i];
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) {
          Select(*s, static_cast<int>(i));
          break;
        }
      }
      return TRUE;
    }
    case PSM_SETCURSEL: {
      int index = static_cast<int>(wParam);
      if (lParam) {
        index = -1;
        for (size_t i = 0; i < s->pages.size(); ++i)
          if (reinterpret_cast<LPARAM>(s->pages[i].get()) == lParam) index = static_cast<int>(i);
      }
      return result(Select(*s, index) ? TRUE : FALSE);
    }
    case PSM_CHANGED:
      s->changed.insert(reinterpret_cast<HWND>(wParam));
      if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW)) EnableWindow(apply, TRUE);
      return result(0);
    case PSM_UNCHANGED:
      s->changed.erase(reinterpret_cast<HWND>(wParam));
      if (s->changed.empty())
        if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW)) EnableWindow(apply, FALSE);
      return result(0);
    case PSM_APPLY: return result(ApplyAll(*s, false) ? TRUE : FALSE);
    case PSM_PRESSBUTTON: {
      int id = wParam == PSBTN_OK ? IDOK
               : wParam == PSBTN_CANCEL ? IDCANCEL
               : wParam == PSBTN_APPLYNOW ? ID_APPLY_NOW
               : wParam == PSBTN_HELP ? IDHELP
                                      : 0;
      if (id) PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
      return result(0);
    }
    case PSM_GETCURRENTPAGEHWND:
      return result(s->current >= 0 ? reinterpret_cast<LRESULT>(s->pages[static_cast<size_t>(s->current)]->hwnd) : 0);
    case PSM_CANCELTOCLOSE:
      SetDlgItemTextA(sheet, IDOK, "Close");
      if (HWND cancel = GetDlgItem(sheet, IDCANCEL)) EnableWindow(cancel, FALSE);
      return result(0);
    case PSM_QUERYSIBLINGS:
      for (auto& p : s->pages)
        if (p->hwnd && IsWindow(p->hwnd))
          if (LRESULT r = Send(p->hwnd, PSM_QUERYSIBLINGS, wParam, lParam)) return result(r);
      return result(0);
    case PSM_SETTITLEA: {
      std::string title = LoadText(s->instance, reinterpret_cast<LPCSTR>(lParam));
      if (wParam & PSH_PROPTITLE) title = "Properties for " + title;
      SetWindowTextA(sheet, title.c_str());
      return result(0);
    }
    case WM_DESTROY: RemovePropA(sheet, kSheetProp); return FALSE;
    default: return FALSE;
  }
}

}  // namespace
}  // namespace win::user

using namespace win::user;

HPROPSHEETPAGE CreatePropertySheetPageA(LPCPROPSHEETPAGEA page) {
  auto rec = MakeRecord(page);
  if (!rec) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if ((rec->psp.dwFlags & PSP_USECALLBACK) && rec->psp.pfnCallback &&
      !rec->psp.pfnCallback(nullptr, PSPCB_CREATE, &rec->psp))
    return nullptr;
  std::lock_guard<std::recursive_mutex> lock(S().mutex);
  PageHandles()[reinterpret_cast<uintptr_t>(rec.get())] = rec;
  return reinterpret_cast<HPROPSHEETPAGE>(rec.get());
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) {
  std::shared_ptr<PageRecord> rec;
  {
    std::lock_guard<std::recursive_mutex> lock(S().mutex);
    auto it = PageHandles().find(reinterpret_cast<uintptr_t>(page));
    if (it == PageHandles().end()) return FALSE;
    rec = it->second;
    PageHandles().erase(it);
  }
  if ((rec->psp.dwFlags & PSP_USECALLBACK) && rec->psp.pfnCallback) rec->psp.pfnCallback(nullptr, PSPCB_RELEASE, &rec->psp);
  return TRUE;
}

INT_PTR PropertySheetA(LPCPROPSHEETHEADERA h) {
  if (!h || h->dwSize < offsetof(PROPSHEETHEADERA, pfnCallback) || h->nPages == 0 || h->nPages > 100 ||
      !h->ppsp) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  SheetState s;
  s.flags = h->dwFlags;
  s.instance = h->hInstance;
  s.callback = (h->dwFlags & PSH_USECALLBACK) && h->dwSize >= sizeof(PROPSHEETHEADERA) ? h->pfnCallback : nullptr;
  std::vector<std::shared_ptr<PageRecord>> owned;  // pages made from the header's array
  for (UINT i = 0; i < h->nPages; ++i) {
    std::shared_ptr<PageRecord> rec;
    if (h->dwFlags & PSH_PROPSHEETPAGE) {
      // Each description is as long as its dwSize says (callers append data).
      auto* bytes = reinterpret_cast<const BYTE*>(h->ppsp);
      size_t stride = std::max<size_t>(h->ppsp->dwSize, offsetof(PROPSHEETPAGEA, pfnCallback));
      auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(bytes + stride * i);
      rec = MakeRecord(psp);
      if (rec && (rec->psp.dwFlags & PSP_USECALLBACK) && rec->psp.pfnCallback &&
          !rec->psp.pfnCallback(nullptr, PSPCB_CREATE, &rec->psp))
        continue;  // the page declined to be made
    } else {
      std::lock_guard<std::recursive_mutex> lock(S().mutex);
      auto it = PageHandles().find(reinterpret_cast<uintptr_t>(h->phpage[i]));
      if (it != PageHandles().end()) rec = it->second;
    }
    if (!rec) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return -1;
    }
    s.pages.push_back(rec);
  }
  if (s.pages.empty()) return -1;
  s.start = (h->dwFlags & PSH_USEPSTARTPAGE) ? 0 : static_cast<int>(h->nStartPage);
  if (h->dwFlags & PSH_USEPSTARTPAGE)
    for (size_t i = 0; i < s.pages.size(); ++i)
      if (h->pStartPage && EqualNoCase(s.pages[i]->title, LoadText(h->hInstance, h->pStartPage)))
        s.start = static_cast<int>(i);
  // The sheet is as large as its largest page, with the tabs above and the buttons below.
  int cx = 0, cy = 0;
  for (auto& p : s.pages) {
    cx = std::max<int>(cx, p->tmpl.cx);
    cy = std::max<int>(cy, p->tmpl.cy);
  }
  using win::resources::kBaseUnitX;
  using win::resources::kBaseUnitY;
  int pageW = MulDivRound(cx, kBaseUnitX, 4), pageH = MulDivRound(cy, kBaseUnitY, 8);
  int clientW = std::max(pageW + 2 * kMargin + 4, 4 * (kButtonW + kButtonGap) + 2 * kMargin);
  int clientH = kMargin + kTabHeight + 2 + pageH + 2 + kMargin + kButtonH + kMargin;
  win::resources::DialogTemplate sheet;
  std::string caption = LoadText(h->hInstance, h->pszCaption);
  sheet.caption = (h->dwFlags & PSH_PROPTITLE) ? "Properties for " + caption : caption;
  sheet.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CENTER;
  sheet.cx = static_cast<short>((clientW * 4 + kBaseUnitX - 1) / kBaseUnitX);
  sheet.cy = static_cast<short>((clientH * 8 + kBaseUnitY - 1) / kBaseUnitY);
  if (s.callback) s.callback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(&sheet));
  INT_PTR r = DialogBoxIndirectParamA(h->hInstance, &sheet, h->hwndParent, SheetProc, reinterpret_cast<LPARAM>(&s));
  if (h->dwFlags & PSH_PROPSHEETPAGE)
    for (auto& p : s.pages)
      if ((p->psp.dwFlags & PSP_USECALLBACK) && p->psp.pfnCallback) p->psp.pfnCallback(nullptr, PSPCB_RELEASE, &p->psp);
  if (r == -1 || s.failed) return -1;
  if (r == IDOK) return s.restart ? ID_PSRESTARTWINDOWS : 1;
  return 0;
}

namespace win::script {

HWND SheetPage(HWND sheet) {
  SheetState* s = IsWindow(sheet) ? StateOf(sheet) : nullptr;
  if (!s || s->current < 0) return nullptr;
  return s->pages[static_cast<size_t>(s->current)]->hwnd;
}

std::vector<std::string> SheetTabs(HWND sheet) {
  std::vector<std::string> out;
  if (SheetState* s = IsWindow(sheet) ? StateOf(sheet) : nullptr)
    for (auto& p : s->pages) out.push_back(p->title);
  return out;
}

bool PickSheetPage(HWND sheet, int index) {
  SheetState* s = IsWindow(sheet) ? StateOf(sheet) : nullptr;
  if (!s || index < 0 || index >= static_cast<int>(s->tabs.size())) return false;
  RECT r = s->tabs[static_cast<size_t>(index)];
  Click(sheet, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  s = IsWindow(sheet) ? StateOf(sheet) : nullptr;
  return s && s->current == index;
}

bool PickSheetPageText(HWND sheet, const std::string& title) {
  auto tabs = SheetTabs(sheet);
  auto strip = [](std::string t) {
    t.erase(std::remove(t.begin(), t.end(), '&'), t.end());
    return t;
  };
  for (size_t i = 0; i < tabs.size(); ++i)
    if (EqualNoCase(strip(tabs[i]), strip(title))) return PickSheetPage(sheet, static_cast<int>(i));
  return false;
}

}  // namespace win::script
