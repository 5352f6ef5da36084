#pragma once
// Pieces shared by the open dialogs with a preview (method and reports
// files): the common dialog's name box reset to the filter's pattern, the
// layout that hides OK and narrows the common controls, and the typed name
// completed with the dialog's extension.
#include <cstdint>
#include <string>

#include "win/win_commdlg.h"
#include "win/win_resources.h"
#include "win/win_types.h"
#include "win/win_user.h"

// The private messages of the preview open dialogs.
#ifndef OFDM_LAYOUT
#define OFDM_LAYOUT (WM_USER + 444)
#define OFDM_REFRESH (WM_USER + 555)
#define OFDM_SELCHANGE (WM_USER + 777)
#endif

namespace kelt::dlg::openkit {

// The name box shows the pattern of the selected filter ("*.*" when the
// filter text has no "(").
void ResetNameBox(HWND commonDialog);
// OK shrunk away (and disabled when asked: the preview's own button then
// is the only way to take a file); Cancel put on the placeholder; the name
// and type boxes end 10 pixels left of the recent-files button; the file
// list ends 10 pixels left of the group box.
void Layout(HWND commonDialog, HWND placeholder, HWND recentButton, HWND group, bool disableOk);
// The typed name joined to the folder, ".ext" appended when the name has
// no extension or another one; empty when nothing or a pattern is typed.
std::string TypedPath(HWND commonDialog, const char* extension);
// The copy of a path that always fits 260 bytes.
void CopyPath(char* to, const char* from);

// A right click on the child template: the help of the control under the
// point, or the dialog's topic over its background.
void ContextHelp(HWND hook, LPARAM screenPoint, uint32_t topic);

// The recent files of "File History" ("<stem>-1" .. "<stem>-Count").
std::string RecentPath(const char* stem, int n);
// Replaces *menu by a pop-up of the recent files that still exist (at most
// `most`, entry n with command firstId + n) and tracks it at the cursor for
// owner; the menu stays in *menu for the caller to destroy.
void ShowRecentMenu(HMENU* menu, HWND owner, const char* stem, int most, int firstId);

// The common dialog's commands every preview dialog watches: OK takes the
// previewed file only, a typed name or another type asks for a new preview,
// going up a folder clears it. State has the preview fields of the dialogs.
template <class State, class Clear>
void WatchParentCommand(State* s, int id, int code, Clear clearPreview) {
  if (id == IDOK) {
    // A file is taken only when it was previewed: an empty path is no choice.
    if ((s->previewValid || s->accepted || !s->nameBoxFocused) && s->previewedPath[0]) {
      s->accepted = 1;
      CopyPath(s->path, s->previewedPath);
      s->accepting = 1;
    }
  } else if (id == edt1) {
    if (code == EN_SETFOCUS) s->nameBoxFocused = 1;
    else if (code == EN_KILLFOCUS) s->nameBoxFocused = 0;
    else if (code == EN_CHANGE) PostMessageA(s->hookDialog, OFDM_SELCHANGE, 0, 0);
  } else if (id == cmb2 && code == CBN_SELCHANGE) {
    PostMessageA(s->hookDialog, OFDM_SELCHANGE, 0, 0);
  } else if (id == ID_FILEDLG_UPFOLDER) {
    clearPreview(s, true);
  }
}

// The common dialog's notifications: a new selection is previewed after
// the list settles, another folder clears the preview unless a file is
// being taken, and the initial file is shown at once as if picked.
template <class State, class Clear, class Preview>
void PreviewNotify(State* s, HWND hook, UINT code, Clear clearPreview, Preview preview) {
  if (code == CDN_SELCHANGE) {
    PostMessageA(hook, OFDM_SELCHANGE, 0, 0);
  } else if (code == CDN_FOLDERCHANGE) {
    if (!s->accepting) clearPreview(s, true);
  } else if (code == CDN_INITDONE) {
    if (s->path[0]) {
      char initial[260];
      CopyPath(initial, s->path);
      preview(s, initial, true);
    }
  }
}

// The child template every preview dialog starts from: its filter
// string registered with the library, then (unless the template is there
// already, when this gives false) a 494-unit-wide control frame of height
// cy holding the common dialog's own place.
bool BeginTemplate(UINT filterString, const char* filter, UINT templateId, short cy,
                   win::resources::DialogTemplate* t);
// The template stored under its id.
void EndTemplate(UINT templateId, const win::resources::DialogTemplate& t);
// Rows of a label and its sunken field, 12 units apart from y; gives the y
// under the last row.
struct PreviewRow {
  int label, field;
  const char* text;
};
short AddPreviewRows(win::resources::DialogTemplate* t, const PreviewRow* rows, size_t count, short y, short labelX,
                     short labelWidth, short fieldX, short fieldWidth);
// The preview's button row at y: its own take button (disabled until a
// file is previewed when asked), the place Cancel moves to and Help.
void AddButtonRow(win::resources::DialogTemplate* t, int takeId, const char* takeText, bool takeDisabled,
                  int cancelPlaceId, short y);

// The texts an open dialog hands the common dialog.
struct OpenNames {
  char folder[260], file[260], title[260], filter[260], caption[64], defExt[8];
};
constexpr DWORD kOpenFlags =
    OFN_EXPLORER | OFN_SHAREAWARE | OFN_FILEMUSTEXIST | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
// Loads the filter string of the library (its last character separates the
// entries) and fills ofn for an explorer dialog with the hook and the
// library's child template; false when the library has no such string.
bool PrepareOpen(OPENFILENAMEA* ofn, OpenNames* names, HWND owner, int filterString, LPOFNHOOKPROC hook,
                 int childTemplate, LPARAM data, DWORD flags = kOpenFlags);

}  // namespace kelt::dlg::openkit
