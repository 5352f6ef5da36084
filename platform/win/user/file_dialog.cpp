// The open and save dialogs, explorer style: the folder's real entries in a
// list, a name field, the type list, and a hook dialog made from a child
// template whose stc32 placeholder marks where the standard controls go.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "common_dialog_kit.h"
#include "win_kernel.h"
#include "win_resources.h"
#include "wildcard.h"
#include "win_crt.h"

namespace win::user {
namespace {

thread_local DWORD g_error = 0;
constexpr const char* kStateProp = "FileDialogState";
constexpr int kStdW = 424, kStdH = 226;

struct Entry {
  std::string name;
  bool folder = false;
};

struct FileDialog {
  OPENFILENAMEA* ofn = nullptr;
  bool save = false;
  std::string folder;
  std::vector<std::pair<std::string, std::string>> filters;  // text, patterns
  int filter = 0;
  std::string defExt;
  std::vector<Entry> entries;
  HWND dlg = nullptr;
  HWND hook = nullptr;
  win::resources::DialogTemplate child;
  bool hasChild = false;
  POINT origin{0, 0};  // of the standard controls
  POINT childAt{0, 0};
  SIZE client{kStdW, kStdH};
};

FileDialog* StateOf(HWND h) { return static_cast<FileDialog*>(GetPropA(h, kStateProp)); }

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsFile(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The full Windows form of a path; empty for anything that is not a drive
// path of the workstation (a Linux path or a network name would lead out
// of the root).
std::string Canonical(const std::string& path) {
  if (path.empty() || path[0] == '/' || (path.size() > 1 && path[0] == '\\' && path[1] == '\\')) return {};
  char buf[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
  if (!n || n >= sizeof buf) return {};
  std::string full(buf, n);
  bool drive = full.size() >= 3 && std::isalpha(static_cast<unsigned char>(full[0])) && full[1] == ':' && full[2] == '\\';
  return drive ? full : std::string();
}

std::string Join(const std::string& folder, const std::string& name) {
  if (name.size() >= 2 && name[1] == ':') return name;  // a whole path
  if (!name.empty() && name[0] == '\\') return folder.substr(0, 2) + name;
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::string Parent(const std::string& folder) {
  size_t slash = folder.find_last_of('\\');
  if (slash == std::string::npos || slash <= 2) return folder.substr(0, std::min<size_t>(folder.size(), 2)) + "\\";
  return folder.substr(0, slash);
}

std::string Text(HWND dlg, int id) {
  char buf[MAX_PATH] = {};
  GetDlgItemTextA(dlg, id, buf, sizeof buf);
  std::string s = buf;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  return s;
}

std::string NamePart(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

LRESULT Notify(FileDialog& s, UINT code, const std::string& file = {}) {
  if (!s.hook || !IsWindow(s.hook)) return 0;
  std::string copy = file;
  OFNOTIFYA nm{};
  nm.hdr.hwndFrom = s.dlg;
  nm.hdr.code = code;
  nm.lpOFN = s.ofn;
  nm.pszFile = copy.empty() ? nullptr : copy.data();
  return Send(s.hook, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
}

bool Matches(const FileDialog& s, const std::string& name) {
  if (s.filters.empty()) return true;
  const std::string& patterns = s.filters[static_cast<size_t>(s.filter)].second;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    std::string p = patterns.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    while (!p.empty() && p.back() == ' ') p.pop_back();  // "*.MS " in some filters
    if (!p.empty() && win::MatchesFilePattern(p, name)) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

void Refresh(FileDialog& s) {
  s.entries.clear();
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA(Join(s.folder, "*.*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !(s.ofn->Flags & 0x10000000)) continue;
      bool folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (folder || Matches(s, name)) s.entries.push_back(Entry{name, folder});
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  std::stable_sort(s.entries.begin(), s.entries.end(), [](const Entry& a, const Entry& b) { return a.folder > b.folder; });
  HWND list = GetDlgItem(s.dlg, lst2);
  Send(list, LB_RESETCONTENT, 0, 0);
  for (auto& e : s.entries) {
    int i = static_cast<int>(Send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.name.c_str())));
    Send(list, LB_SETITEMDATA, static_cast<WPARAM>(i), e.folder ? 1 : 0);
  }
  HWND look = GetDlgItem(s.dlg, cmb2);
  Send(look, CB_RESETCONTENT, 0, 0);
  std::vector<std::string> chain;
  for (std::string f = s.folder;; f = Parent(f)) {
    chain.insert(chain.begin(), f);
    if (Parent(f) == f) break;
  }
  for (auto& f : chain) Send(look, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
  Send(look, CB_SETCURSEL, chain.size() - 1, 0);
}

bool ChangeFolder(FileDialog& s, const std::string& path) {
  std::string f = Canonical(path);
  if (f.empty() || !IsFolder(f)) return false;
  if (f.size() > 3 && f.back() == '\\') f.pop_back();
  s.folder = f;
  Refresh(s);
  Notify(s, CDN_FOLDERCHANGE);
  return true;
}

// The path the name field or the selection names, resolved against the folder.
std::string CurrentPath(FileDialog& s) {
  std::string name = Text(s.dlg, edt1);
  return name.empty() ? std::string() : Canonical(Join(s.folder, name));
}

bool HasExtension(const std::string& path) { return NamePart(path).find('.') != std::string::npos; }

void Accept(FileDialog& s) {
  std::string name = Text(s.dlg, edt1);
  HWND list = GetDlgItem(s.dlg, lst2);
  if (name.empty()) {
    int sel = static_cast<int>(Send(list, LB_GETCURSEL, 0, 0));
    if (sel >= 0 && Send(list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0) == 1)
      ChangeFolder(s, Join(s.folder, s.entries[static_cast<size_t>(sel)].name));
    else
      MessageBeep(0);
    return;
  }
  char title[128] = {};
  GetWindowTextA(s.dlg, title, sizeof title);
  std::string path = Canonical(Join(s.folder, name));
  if (path.empty() || name.find_first_of("*?\"<>|") != std::string::npos) {
    MessageBoxA(s.dlg, (name + "\nThe file name is not valid.").c_str(), title, MB_OK | MB_ICONWARNING);
    return;
  }
  if (IsFolder(path)) {
    ChangeFolder(s, path);
    SetDlgItemTextA(s.dlg, edt1, "");
    return;
  }
  if (!HasExtension(path) && !s.defExt.empty() && (s.save || !IsFile(path))) path += "." + s.defExt;
  if (!IsFolder(Parent(path))) {
    MessageBoxA(s.dlg, (path + "\nPath does not exist.\nCheck the path and try again.").c_str(), title,
                MB_OK | MB_ICONWARNING);
    return;
  }
  bool exists = IsFile(path);
  if (!s.save && (s.ofn->Flags & OFN_FILEMUSTEXIST) && !exists) {
    MessageBoxA(s.dlg, (NamePart(path) + "\nFile not found.\nCheck the file name and try again.").c_str(), title,
                MB_OK | MB_ICONWARNING);
    return;
  }
  if (s.save && exists && (s.ofn->Flags & OFN_OVERWRITEPROMPT) &&
      MessageBoxA(s.dlg, (NamePart(path) + " already exists.\nDo you want to replace it?").c_str(), title,
                  MB_YESNO | MB_ICONWARNING) != IDYES)
    return;
  OPENFILENAMEA& o = *s.ofn;
  if (!o.lpstrFile || path.size() + 1 > o.nMaxFile) {
    // Too small: the first two bytes tell the size needed.
    if (o.lpstrFile && o.nMaxFile >= 2) {
      WORD need = static_cast<WORD>(std::min<size_t>(path.size() + 1, 0xFFFF));
      std::memcpy(o.lpstrFile, &need, sizeof need);
    }
    g_error = FNERR_BUFFERTOOSMALL;
    EndDialog(s.dlg, IDABORT);
    return;
  }
  std::memcpy(o.lpstrFile, path.c_str(), path.size() + 1);
  size_t slash = path.find_last_of('\\');
  o.nFileOffset = static_cast<WORD>(slash == std::string::npos ? 0 : slash + 1);
  size_t dot = path.find_last_of('.');
  o.nFileExtension = static_cast<WORD>(dot != std::string::npos && dot > o.nFileOffset ? dot + 1 : path.size());
  o.nFilterIndex = static_cast<DWORD>(s.filter + 1);
  std::string ext = dot != std::string::npos && dot > o.nFileOffset ? path.substr(dot + 1) : "";
  if (!s.defExt.empty() && _stricmp(ext.c_str(), s.defExt.c_str()) != 0)
    o.Flags |= OFN_EXTENSIONDIFFERENT;
  else
    o.Flags &= ~static_cast<DWORD>(OFN_EXTENSIONDIFFERENT);
  if (Notify(s, CDN_FILEOK, path)) return;  // the hook wants another choice
  if (!IsWindow(s.dlg)) return;
  if (o.lpstrFileTitle && o.nMaxFileTitle > 0) {
    std::string t = NamePart(path).substr(0, o.nMaxFileTitle - 1);
    std::memcpy(o.lpstrFileTitle, t.c_str(), t.size() + 1);
  }
  EndDialog(s.dlg, IDOK);
}

INT_PTR CALLBACK HookTrampoline(HWND h, UINT msg, WPARAM w, LPARAM l) {
  FileDialog* s = msg == WM_INITDIALOG ? reinterpret_cast<FileDialog*>(l) : StateOf(h);
  if (!s || !s->ofn->lpfnHook) return FALSE;
  if (msg == WM_INITDIALOG) {
    SetPropA(h, kStateProp, s);
    s->hook = h;
    l = reinterpret_cast<LPARAM>(s->ofn);
  }
  INT_PTR r = static_cast<INT_PTR>(s->ofn->lpfnHook(h, msg, w, l));
  if (msg == WM_NCDESTROY) RemovePropA(h, kStateProp);
  return r;
}

void Layout(FileDialog& s) {
  using win::resources::kBaseUnitX;
  using win::resources::kBaseUnitY;
  auto px = [](int dlu, int base, int div) { return MulDivRound(dlu, base, div); };
  auto dlu = [](int pixels, int base, int div) { return (pixels * div + base - 1) / base; };
  if (!s.hasChild) return;
  auto& items = s.child.items;
  auto placeholder = std::find_if(items.begin(), items.end(), [](auto& i) { return i.id == stc32; });
  if (placeholder == items.end()) {
    // Without a placeholder the child's controls go below the standard ones.
    s.childAt = POINT{0, kStdH};
    int cw = px(s.child.cx, kBaseUnitX, 4), ch = px(s.child.cy, kBaseUnitY, 8);
    s.client = SIZE{std::max(kStdW, cw), kStdH + ch};
    return;
  }
  int sx = placeholder->x, sy = placeholder->y, sw = placeholder->cx, sh = placeholder->cy;
  int dx = std::max(0, dlu(kStdW, kBaseUnitX, 4) - sw), dy = std::max(0, dlu(kStdH, kBaseUnitY, 8) - sh);
  for (auto& it : items) {
    if (it.id == stc32) continue;
    if (it.x >= sx + sw) it.x = static_cast<short>(it.x + dx);
    if (it.y >= sy + sh) it.y = static_cast<short>(it.y + dy);
  }
  placeholder->cx = static_cast<short>(sw + dx);
  placeholder->cy = static_cast<short>(sh + dy);
  placeholder->style &= ~static_cast<DWORD>(WS_VISIBLE);
  s.child.cx = static_cast<short>(s.child.cx + dx);
  s.child.cy = static_cast<short>(s.child.cy + dy);
  s.origin = POINT{px(sx, kBaseUnitX, 4), px(sy, kBaseUnitY, 8)};
  s.client = SIZE{std::max(px(s.child.cx, kBaseUnitX, 4), static_cast<int>(s.origin.x) + kStdW),
                  std::max(px(s.child.cy, kBaseUnitY, 8), static_cast<int>(s.origin.y) + kStdH)};
}

void MakeControls(FileDialog& s) {
  HWND d = s.dlg;
  int ox = s.origin.x, oy = s.origin.y;
  AddDialogControl(d, "Static", "Look &in:", SS_LEFT | WS_VISIBLE, stc4, ox + 8, oy + 11, 60, 16);
  AddDialogControl(d, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, cmb2, ox + 70, oy + 8, 250,
                   200);
  AddDialogControl(d, "Button", "Up", WS_TABSTOP | WS_VISIBLE, ID_FILEDLG_UPFOLDER, ox + 328, oy + 7, 40, 22);
  AddDialogControl(d, "ListBox", "",
                   LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, lst2, ox + 8,
                   oy + 36, kStdW - 16, 118);
  AddDialogControl(d, "Static", "File &name:", SS_LEFT | WS_VISIBLE, stc3, ox + 8, oy + 166, 80, 16);
  AddDialogControl(d, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, edt1, ox + 90, oy + 164, 230, 20);
  AddDialogControl(d, "Static", "Files of &type:", SS_LEFT | WS_VISIBLE, stc2, ox + 8, oy + 194, 80, 16);
  AddDialogControl(d, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, cmb1, ox + 90, oy + 192,
                   230, 150);
  AddDialogControl(d, "Button", s.save ? "&Save" : "&Open", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDOK, ox + 332,
                   oy + 162, 84, 24);
  AddDialogControl(d, "Button", "Cancel", WS_TABSTOP | WS_VISIBLE, IDCANCEL, ox + 332, oy + 190, 84, 24);
  if (!(s.ofn->Flags & OFN_HIDEREADONLY))
    AddDialogControl(d, "Button", "Open as &read-only", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, chx1, ox + 90,
                     oy + 214, 180, 12);
  if (s.ofn->Flags & OFN_SHOWHELP)
    AddDialogControl(d, "Button", "&Help", WS_TABSTOP | WS_VISIBLE, psh15, ox + 370, oy + 7, 46, 22);
  Send(d, DM_SETDEFID, IDOK, 0);
  HWND types = GetDlgItem(d, cmb1);
  for (auto& f : s.filters) Send(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.first.c_str()));
  Send(types, CB_SETCURSEL, static_cast<WPARAM>(s.filter), 0);
  if (s.ofn->lpstrFile && s.ofn->lpstrFile[0]) SetDlgItemTextA(d, edt1, NamePart(s.ofn->lpstrFile).c_str());
}

LRESULT Answer(HWND dlg, LRESULT r) {
  SetWindowLongPtrA(dlg, DWLP_MSGRESULT, r);
  return TRUE;
}

LRESULT CopyOut(HWND dlg, const std::string& text, WPARAM size, LPARAM buffer) {
  auto* out = reinterpret_cast<char*>(buffer);
  if (out && size > text.size()) std::memcpy(out, text.c_str(), text.size() + 1);
  return Answer(dlg, static_cast<LRESULT>(text.size() + 1));  // the size needed, with the terminator
}

INT_PTR CALLBACK FileDlgProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  FileDialog* s = msg == WM_INITDIALOG ? reinterpret_cast<FileDialog*>(l) : StateOf(dlg);
  if (!s) return FALSE;
  switch (msg) {
    case WM_INITDIALOG: {
      SetPropA(dlg, kStateProp, s);
      s->dlg = dlg;
      RECT wr, cr;
      GetWindowRect(dlg, &wr);
      GetClientRect(dlg, &cr);
      SetWindowPos(dlg, nullptr, 0, 0, (wr.right - wr.left) - cr.right + s->client.cx,
                   (wr.bottom - wr.top) - cr.bottom + s->client.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      MakeControls(*s);
      if (s->hasChild) {
        win::resources::DialogTemplate t = s->child;
        t.style = (t.style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME)) |
                  WS_CHILD | DS_CONTROL | WS_VISIBLE | WS_CLIPSIBLINGS;  // never paints over the standard controls
        t.x = t.y = 0;
        t.caption.clear();
        HWND child = CreateDialogIndirectParamA(s->ofn->hInstance, &t, dlg, HookTrampoline, reinterpret_cast<LPARAM>(s));
        if (!child) {
          g_error = CDERR_DIALOGFAILURE;
          EndDialog(dlg, IDABORT);
          return TRUE;
        }
        // Behind the standard controls, which lie over its placeholder.
        SetWindowPos(child, HWND_BOTTOM, s->childAt.x, s->childAt.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
      }
      Refresh(*s);
      Notify(*s, CDN_FOLDERCHANGE);
      Notify(*s, CDN_INITDONE);
      if (HWND e = GetDlgItem(dlg, edt1)) SetFocus(e);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK: Accept(*s); return TRUE;
        case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
        case ID_FILEDLG_UPFOLDER: ChangeFolder(*s, Parent(s->folder)); return TRUE;
        case psh15: Notify(*s, CDN_HELP); return TRUE;
        case lst2: {
          HWND list = GetDlgItem(dlg, lst2);
          int sel = static_cast<int>(Send(list, LB_GETCURSEL, 0, 0));
          if (sel < 0 || static_cast<size_t>(sel) >= s->entries.size()) return TRUE;
          Entry e = s->entries[static_cast<size_t>(sel)];
          if (HIWORD(w) == LBN_SELCHANGE) {
            if (!e.folder) SetDlgItemTextA(dlg, edt1, e.name.c_str());
            Notify(*s, CDN_SELCHANGE);
          } else if (HIWORD(w) == LBN_DBLCLK) {
            if (e.folder)
              ChangeFolder(*s, Join(s->folder, e.name));
            else
              Accept(*s);
          }
          return TRUE;
        }
        case cmb2:
          if (HIWORD(w) == CBN_SELCHANGE) {
            char buf[MAX_PATH] = {};
            HWND look = GetDlgItem(dlg, cmb2);
            int sel = static_cast<int>(Send(look, CB_GETCURSEL, 0, 0));
            if (sel >= 0 && Send(look, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) < MAX_PATH) {
              Send(look, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buf));
              ChangeFolder(*s, buf);
            }
          }
          return TRUE;
        case cmb1:
          if (HIWORD(w) == CBN_SELCHANGE) {
            int sel = static_cast<int>(Send(GetDlgItem(dlg, cmb1), CB_GETCURSEL, 0, 0));
            if (sel >= 0 && static_cast<size_t>(sel) < s->filters.size()) {
              s->filter = sel;
              s->ofn->nFilterIndex = static_cast<DWORD>(sel + 1);
              Refresh(*s);
              Notify(*s, CDN_TYPECHANGE);
            }
          }
          return TRUE;
        default: return FALSE;
      }
    case CDM_GETFILEPATH: {
      std::string path = CurrentPath(*s);
      if (!path.empty() && !HasExtension(path) && !s->defExt.empty() && !IsFile(path)) path += "." + s->defExt;
      return CopyOut(dlg, path, w, l);
    }
    case CDM_GETSPEC: return CopyOut(dlg, Text(dlg, edt1), w, l);
    case CDM_GETFOLDERPATH: return CopyOut(dlg, s->folder, w, l);
    case CDM_SETCONTROLTEXT: SetDlgItemTextA(dlg, static_cast<int>(w), reinterpret_cast<LPCSTR>(l)); return Answer(dlg, 0);
    case CDM_HIDECONTROL:
      if (HWND c = GetDlgItem(dlg, static_cast<int>(w))) ShowWindow(c, SW_HIDE);
      return Answer(dlg, 0);
    case CDM_SETDEFEXT:
      s->defExt = l ? reinterpret_cast<LPCSTR>(l) : "";
      return Answer(dlg, 0);
    case WM_DESTROY: RemovePropA(dlg, kStateProp); return FALSE;
    default: return FALSE;
  }
}

BOOL Run(LPOPENFILENAMEA ofn, bool save) {
  g_error = 0;
  if (!ofn) {
    g_error = CDERR_INITIALIZATION;
    return FALSE;
  }
  if (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != offsetof(OPENFILENAMEA, pvReserved)) {
    g_error = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if ((ofn->Flags & OFN_ENABLEHOOK) && !ofn->lpfnHook) {
    g_error = CDERR_NOHOOK;
    return FALSE;
  }
  FileDialog s;
  s.ofn = ofn;
  s.save = save;
  for (const char* p = ofn->lpstrFilter; p && *p;) {
    std::string text = p;
    p += text.size() + 1;
    std::string patterns = p;
    if (*p) p += patterns.size() + 1;
    s.filters.push_back({text, patterns});
  }
  s.filter = ofn->nFilterIndex > 0 ? static_cast<int>(ofn->nFilterIndex) - 1 : 0;
  if (s.filter >= static_cast<int>(s.filters.size())) s.filter = 0;
  s.defExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
  if (ofn->Flags & OFN_ENABLEHOOK) {
    s.hasChild = true;
    if (ofn->Flags & OFN_ENABLETEMPLATE) {
      const auto* t = win::resources::FindDialog(ofn->hInstance, win::resources::ResourceName(ofn->lpTemplateName));
      if (!t) {
        g_error = CDERR_FINDRESFAILURE;
        return FALSE;
      }
      s.child = *t;
    } else {
      s.child.cx = s.child.cy = 0;
      s.child.items.clear();
    }
    Layout(s);
  }
  // The first folder: the one asked for, else the given file's, else the current one.
  std::string start;
  if (ofn->lpstrInitialDir && IsFolder(Canonical(ofn->lpstrInitialDir))) start = ofn->lpstrInitialDir;
  if (start.empty() && ofn->lpstrFile && ofn->lpstrFile[0]) {
    std::string f = ofn->lpstrFile;
    size_t slash = f.find_last_of('\\');
    if (slash != std::string::npos && IsFolder(Canonical(f.substr(0, slash + 1)))) start = f.substr(0, slash + 1);
  }
  if (start.empty()) {
    char cur[MAX_PATH];
    if (GetCurrentDirectoryA(sizeof cur, cur)) start = cur;
  }
  s.folder = Canonical(start);
  if (s.folder.size() > 3 && s.folder.back() == '\\') s.folder.pop_back();
  if (s.folder.empty()) {
    g_error = CDERR_INITIALIZATION;
    return FALSE;
  }
  std::string title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open");
  win::resources::DialogTemplate t = PixelTemplate(title, s.client.cx, s.client.cy);
  INT_PTR r = DialogBoxIndirectParamA(ofn->hInstance, &t, ofn->hwndOwner, FileDlgProc, reinterpret_cast<LPARAM>(&s));
  if (r == -1 && !g_error) g_error = CDERR_DIALOGFAILURE;
  return r == IDOK ? TRUE : FALSE;
}

}  // namespace

void SetCommonDialogError(DWORD error) { g_error = error; }

HWND AddDialogControl(HWND dlg, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
  HWND c = CreateWindowExA(0, cls, text, style | WS_CHILD, x, y, w, h, dlg,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  if (c) Send(c, WM_SETFONT, Send(dlg, WM_GETFONT, 0, 0), FALSE);
  return c;
}

win::resources::DialogTemplate PixelTemplate(const std::string& caption, int width, int height) {
  using win::resources::kBaseUnitX;
  using win::resources::kBaseUnitY;
  win::resources::DialogTemplate t;
  t.caption = caption;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CENTER;
  t.cx = static_cast<short>((width * 4 + kBaseUnitX - 1) / kBaseUnitX);
  t.cy = static_cast<short>((height * 8 + kBaseUnitY - 1) / kBaseUnitY);
  return t;
}

INT_PTR RunPixelDialog(const std::string& caption, int width, int height, HWND owner, DLGPROC proc, void* state) {
  auto t = PixelTemplate(caption, width, height);
  INT_PTR r = DialogBoxIndirectParamA(nullptr, &t, owner, proc, reinterpret_cast<LPARAM>(state));
  if (r == -1) SetCommonDialogError(CDERR_DIALOGFAILURE);
  return r;
}

}  // namespace win::user

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) { return win::user::Run(ofn, false); }
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) { return win::user::Run(ofn, true); }
DWORD CommDlgExtendedError() { return win::user::g_error; }
