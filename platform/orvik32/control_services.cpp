// Program starts, rubber-band tracking and user rights for the controls.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "orvik32/orvik32_controls.h"
#include "win/win_process.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

struct Band {
  POINT anchor{};
  RECT last{};
  bool drawn = false;
};
std::mutex g_bandMutex;
std::map<HWND, Band> g_bands;

RECT Normalised(POINT a, int32_t x, int32_t y) {
  RECT r{a.x, a.y, x, y};
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

void DrawBand(HWND window, const RECT& r) {
  HDC dc = GetDC(window);
  if (!dc) return;
  DrawFocusRect(dc, &r);
  ReleaseDC(window, dc);
}

// This library's dialogs are kept under a key of its own.
HMODULE ResourceKey() {
  static char key;
  return reinterpret_cast<HMODULE>(&key);
}

struct ReasonRequest {
  const char* prompt;
  char text[ORVIK_REASON_SIZE];
};
// The request of the reason dialog that runs on this thread (it is modal).
thread_local ReasonRequest* t_reason = nullptr;

INT_PTR CALLBACK ReasonProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* req = reinterpret_cast<ReasonRequest*>(lParam);
    t_reason = req;
    SetDlgItemTextA(dialog, 101, req->prompt ? req->prompt : "");
    SendDlgItemMessageA(dialog, ORVIK_REASON_EDIT, EM_LIMITTEXT, ORVIK_REASON_SIZE - 1, 0);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ReasonRequest* req = t_reason;
    if (LOWORD(wParam) == IDOK && req)
      GetDlgItemTextA(dialog, ORVIK_REASON_EDIT, req->text, static_cast<int>(sizeof req->text));
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

void EnsureReasonDialog() {
  // Registered again whenever the resource store lost it.
  if (win::resources::FindDialog(ResourceKey(), ORVIK_REASON_DIALOG)) return;
  {
    win::resources::DialogTemplate t;
    t.caption = "Reason for Change";
    t.cx = 220;
    t.cy = 80;
    t.items = {
        {101, "Static", "", WS_VISIBLE | SS_LEFT, 0, 7, 7, 206, 20},
        {ORVIK_REASON_EDIT, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 7, 30, 206, 14},
        {IDOK, "Button", "OK", WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 110, 56, 50, 14},
        {IDCANCEL, "Button", "Cancel", WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 0, 163, 56, 50, 14},
    };
    win::resources::AddDialog(ResourceKey(), ORVIK_REASON_DIALOG, t);
  }
}

}  // namespace

BOOL LaunchProgram(const char* program, const char* commandLine, int32_t showMode) {
  if (!program || !*program) return FALSE;
  std::string line;
  // The program is quoted here unless the caller quoted it already.
  if (program[0] == '"')
    line = program;
  else
    line = std::string("\"") + program + "\"";
  if (commandLine && *commandLine) line += std::string(" ") + commandLine;
  return WinExec(line.c_str(), static_cast<UINT>(showMode)) > 31 ? TRUE : FALSE;
}

BOOL LaunchProgramWithArguments(const char* program, const char* const* arguments, int32_t showMode) {
  if (!program || !*program) return FALSE;
  std::vector<const char*> argv{program};
  for (const char* const* p = arguments; p && *p; ++p) argv.push_back(*p);
  argv.push_back(nullptr);
  return WinExecArgv(argv.data(), static_cast<UINT>(showMode)) > 31 ? TRUE : FALSE;
}

int32_t TrackRubberRect(HWND window, UINT mouseMessage, int32_t x, int32_t y, RECT* rect) {
  if (!window) return 0;
  std::lock_guard<std::mutex> lock(g_bandMutex);
  if (mouseMessage == WM_LBUTTONDOWN) {
    Band& b = g_bands[window];
    b = Band{};
    b.anchor = {x, y};
    SetCapture(window);
    return ORVIK_TRACK_BEGUN;
  }
  auto it = g_bands.find(window);
  if (it == g_bands.end()) return 0;
  Band& b = it->second;
  if (mouseMessage == WM_MOUSEMOVE) {
    if (b.drawn) DrawBand(window, b.last);  // the focus rectangle inverts: drawing again removes it
    b.last = Normalised(b.anchor, x, y);
    DrawBand(window, b.last);
    b.drawn = true;
    return ORVIK_TRACK_RUNNING;
  }
  if (mouseMessage == WM_LBUTTONUP) {
    if (b.drawn) DrawBand(window, b.last);
    if (rect) *rect = Normalised(b.anchor, x, y);
    g_bands.erase(it);
    if (GetCapture() == window) ReleaseCapture();
    return ORVIK_TRACK_ENDED;
  }
  return ORVIK_TRACK_RUNNING;
}

uint64_t GetCurrentUserRights() {
  if (!IsSecurityEnabled()) return ~uint64_t{0};
  char user[AUDIT_USER_NAME_SIZE] = {};
  if (!GetCurrentUserName(user) || !*user) return 0;
  char text[64] = {};
  GetPrivateProfileStringA("UserRights", user, "", text, sizeof text, GetWorkstationIniPath());
  if (!*text) return 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 0);
  return end && *end == 0 ? static_cast<uint64_t>(value) : 0;
}

BOOL CheckUserPrivilege(HWND window, int32_t, uint64_t rights, int32_t privilege, int32_t, const char* actionTitle,
                        int32_t showRefusal) {
  if (!IsSecurityEnabled()) return TRUE;
  const bool held = privilege >= 0 && privilege < 64 && ((rights >> privilege) & 1u);
  if (!held && showRefusal) {
    std::string text = "You do not have the right to perform this action";
    if (actionTitle && *actionTitle) text += std::string(":\n") + actionTitle;
    MessageBoxA(window, text.c_str(), "Security", MB_OK | MB_ICONEXCLAMATION);
  }
  return held ? TRUE : FALSE;
}

BOOL AskChangeReason(HWND window, const char* prompt, char* reason) {
  if (!reason) return FALSE;
  EnsureReasonDialog();
  ReasonRequest req{prompt, {}};
  const INT_PTR r = DialogBoxParamA(ResourceKey(), ORVIK_REASON_DIALOG, window, ReasonProc,
                                    reinterpret_cast<LPARAM>(&req));
  if (r != IDOK) return FALSE;
  // A reason of blanks only is no reason.
  const char* p = req.text;
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return FALSE;
  req.text[ORVIK_REASON_SIZE - 1] = 0;
  std::memcpy(reason, req.text, std::strlen(req.text) + 1);
  return TRUE;
}

BOOL VerifyDataFile(void*, const void* pathOrRecord, int32_t) {
  if (!pathOrRecord) return FALSE;
  // Reads up to the terminator, never past the path field.
  const char* text = static_cast<const char*>(pathOrRecord);
  char path[261] = {};
  std::memcpy(path, text, strnlen(text, 260));
  if (!*path || !FileExists(path)) return FALSE;
  if (!IsSecurityEnabled()) return TRUE;
  return CheckUserPrivilege(nullptr, 0, GetCurrentUserRights(), ORVIK_PRIV_VIEW_DATA, 0, nullptr, 0);
}
