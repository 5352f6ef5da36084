// Shared pieces of the preview open dialogs.
#include "dialogs/open_dialog_kit.h"

#include <cstdio>
#include <cstring>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "dialogs/dialog_frame.h"
#include "orvik32/orvik32.h"
#include "ulbrec32/file_paths.h"
#include "win/win_commdlg.h"
#include "win/win_crt.h"
#include "win/win_menus.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace kelt::dlg::openkit {

void CopyPath(char* to, const char* from) {
  const size_t n = from ? strnlen(from, 259) : 0;
  if (n) std::memcpy(to, from, n);
  to[n] = 0;
}

std::string RecentPath(const char* stem, int n) {
  char key[48], path[260] = {};
  std::snprintf(key, sizeof key, "%s-%d", stem, n);
  GetPrivateProfileStringA("File History", key, "", path, sizeof path, GetWorkstationIniPath());
  return path;
}

void ShowRecentMenu(HMENU* menu, HWND owner, const char* stem, int most, int firstId) {
  if (*menu) DestroyMenu(*menu);
  *menu = CreatePopupMenu();
  if (!*menu) return;
  char countKey[48];
  std::snprintf(countKey, sizeof countKey, "%s-Count", stem);
  const int count = static_cast<int>(GetPrivateProfileIntA("File History", countKey, 0, GetWorkstationIniPath()));
  int added = 0;
  // Only entries with a command id of their own are offered.
  for (int n = 1; n <= count && n <= most; ++n) {
    const std::string path = RecentPath(stem, n);
    if (path.empty() || !KELT_DoesFileExist(path.c_str())) continue;
    AppendMenuA(*menu, MF_STRING, static_cast<UINT_PTR>(firstId + n), path.c_str());
    ++added;
  }
  if (!added) return;
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(*menu, TPM_CENTERALIGN, at.x, at.y, 0, owner, nullptr);
}

void ResetNameBox(HWND common) {
  char filter[260] = {};
  HWND types = GetDlgItem(common, cmb1);
  const LRESULT sel = SendMessageA(types, CB_GETCURSEL, 0, 0);
  if (sel >= 0 && SendMessageA(types, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) < 260)
    SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(filter));
  std::string f = filter, pattern = "*.*";
  const size_t open = f.find('(');
  if (open != std::string::npos) {
    const size_t close = f.find(')', open);
    pattern = f.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  }
  SendMessageA(common, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(pattern.c_str()));
}

void Layout(HWND common, HWND place, HWND recent, HWND group, bool disableOk) {
  auto rectIn = [&](HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, common, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  if (HWND ok = GetDlgItem(common, IDOK)) {
    MoveWindow(ok, 0, 0, 0, 0, FALSE);
    if (disableOk) EnableWindow(ok, FALSE);
  }
  HWND cancel = GetDlgItem(common, IDCANCEL);
  if (place && cancel) {
    const RECT r = rectIn(place);
    MoveWindow(place, 0, 0, 0, 0, FALSE);
    EnableWindow(place, FALSE);
    MoveWindow(cancel, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    SetWindowPos(cancel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  if (recent) {
    const RECT b = rectIn(recent);
    for (int id : {edt1, cmb1}) {
      HWND box = GetDlgItem(common, id);
      if (!box) continue;
      const RECT r = rectIn(box);
      if (b.left <= r.right && b.left - 10 > r.left)
        MoveWindow(box, r.left, r.top, b.left - 10 - r.left, r.bottom - r.top, TRUE);
    }
  }
  HWND list = GetDlgItem(common, lst2);
  if (list && group) {
    const RECT l = rectIn(list), g = rectIn(group);
    if (g.left - 10 > l.left) MoveWindow(list, l.left, l.top, g.left - 10 - l.left, l.bottom - l.top, TRUE);
  }
  InvalidateRect(common, nullptr, TRUE);
}

std::string TypedPath(HWND common, const char* extension) {
  char folder[260] = {}, typed[260] = {};
  SendMessageA(common, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
  SendMessageA(common, CDM_GETSPEC, sizeof typed, reinterpret_cast<LPARAM>(typed));
  folder[259] = typed[259] = 0;
  std::string p = typed;
  while (!p.empty() && p.back() == ' ') p.pop_back();
  while (!p.empty() && p.front() == ' ') p.erase(p.begin());
  if (p.empty() || p[0] == '*' || p.find('*') != std::string::npos) return {};
  if (!(p.size() > 1 && p[1] == ':') && p[0] != '\\') {
    std::string f = folder;
    if (!f.empty() && f.back() != '\\') f += '\\';
    p = f + p;
  }
  char dir[260], name[260], ext[260];
  if (p.size() > 250) return {};
  SplitFilePath(p.c_str(), dir, name, ext);
  if (_stricmp(ext, extension) != 0) p += extension;
  return p;
}

void ContextHelp(HWND hook, LPARAM screenPoint, uint32_t topic) {
  POINT at{static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
  ScreenToClient(hook, &at);
  HWND child = ChildWindowFromPointEx(hook, at, CWP_SKIPINVISIBLE);
  const int id = child && child != hook ? GetDlgCtrlID(child) : 0;
  if (id > 0) KELT_ShowHelpTopic(static_cast<uint32_t>(id), 8);
  else KELT_ShowHelpTopic(topic, 1);
}

bool PrepareOpen(OPENFILENAMEA* ofn, OpenNames* names, HWND owner, int filterString, LPOFNHOOKPROC hook,
                 int childTemplate, LPARAM data, DWORD flags) {
  if (LoadStringA(kelt::lib::ModuleHandle(), static_cast<UINT>(filterString), names->filter,
                  sizeof names->filter - 1) <= 0)
    return false;
  const size_t flen = std::strlen(names->filter);
  const char separator = flen ? names->filter[flen - 1] : '|';
  for (size_t i = 0; i < flen; ++i)
    if (names->filter[i] == separator) names->filter[i] = 0;
  ofn->lStructSize = sizeof(OPENFILENAMEA);
  ofn->hwndOwner = owner;
  ofn->hInstance = kelt::lib::ModuleHandle();
  ofn->lpstrFilter = names->filter;
  ofn->nFilterIndex = 1;
  ofn->lpstrFile = names->file;
  ofn->nMaxFile = 260;
  ofn->lpstrFileTitle = names->title;
  ofn->nMaxFileTitle = 260;
  ofn->lpstrInitialDir = names->folder;
  ofn->lpstrTitle = names->caption;
  ofn->Flags = flags;
  ofn->FlagsEx = OFN_EX_NOPLACESBAR;
  ofn->lpstrDefExt = names->defExt;
  ofn->lCustData = data;
  ofn->lpfnHook = hook;
  ofn->lpTemplateName = MAKEINTRESOURCEA(childTemplate);
  return true;
}

bool BeginTemplate(UINT filterString, const char* filter, UINT templateId, short cy,
                   win::resources::DialogTemplate* t) {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (!FindString(module, filterString)) AddString(module, filterString, filter);
  if (FindDialog(module, templateId)) return false;
  t->style = WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT;
  t->cx = 494;
  t->cy = cy;
  t->items.push_back({stc32, "Static", "", 0, 0, 0, 0, 283, 140});
  return true;
}

void EndTemplate(UINT templateId, const win::resources::DialogTemplate& t) {
  win::resources::AddDialog(kelt::lib::ModuleHandle(), templateId, t);
}

short AddPreviewRows(win::resources::DialogTemplate* t, const PreviewRow* rows, size_t count, short y, short labelX,
                     short labelWidth, short fieldX, short fieldWidth) {
  for (size_t i = 0; i < count; ++i) {
    t->items.push_back({rows[i].label, "Static", rows[i].text, WS_VISIBLE | SS_LEFT, 0, labelX,
                        static_cast<short>(y + 1), labelWidth, 10});
    t->items.push_back({rows[i].field, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, fieldX, y, fieldWidth, 11});
    y = static_cast<short>(y + 12);
  }
  return y;
}

void AddButtonRow(win::resources::DialogTemplate* t, int takeId, const char* takeText, bool takeDisabled,
                  int cancelPlaceId, short y) {
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD take = takeDisabled ? DWORD(push | WS_DISABLED) : push;
  t->items.push_back({takeId, "Button", takeText, take, 0, 288, y, 64, 14});
  t->items.push_back({cancelPlaceId, "Button", "", WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, 0, 356, y, 64, 14});
  t->items.push_back({KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 424, y, 64, 14});
}

}  // namespace kelt::dlg::openkit
