// The colour chooser: 48 basic colours to click and red, green and blue
// fields; a sample of the current colour.
#include <cstdlib>
#include <string>

#include "common_dialog_kit.h"

namespace win::user {
namespace {

constexpr int kCurrent = 709;
constexpr const char* kStateProp = "ColorChooserState";

const COLORREF kBasic[48] = {
    RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(0, 255, 128),   RGB(128, 255, 255),
    RGB(0, 128, 255),   RGB(255, 128, 192), RGB(255, 128, 255), RGB(255, 0, 0),     RGB(255, 255, 0),
    RGB(128, 255, 0),   RGB(0, 255, 64),    RGB(0, 255, 255),   RGB(0, 128, 192),   RGB(128, 128, 192),
    RGB(255, 0, 255),   RGB(128, 64, 64),   RGB(255, 128, 64),  RGB(0, 255, 0),     RGB(0, 128, 128),
    RGB(0, 64, 128),    RGB(128, 128, 255), RGB(128, 0, 64),    RGB(255, 0, 128),   RGB(128, 0, 0),
    RGB(255, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 64),    RGB(0, 0, 255),     RGB(0, 0, 160),
    RGB(128, 0, 128),   RGB(128, 0, 255),   RGB(64, 0, 0),      RGB(128, 64, 0),    RGB(0, 64, 0),
    RGB(0, 64, 64),     RGB(0, 0, 128),     RGB(0, 0, 64),      RGB(64, 0, 64),     RGB(64, 0, 128),
    RGB(0, 0, 0),       RGB(128, 128, 0),   RGB(128, 128, 64),  RGB(128, 128, 128), RGB(64, 128, 128),
    RGB(192, 192, 192), RGB(64, 0, 64),     RGB(255, 255, 255)};

struct Chooser {
  CHOOSECOLORA* cc = nullptr;
  COLORREF current = 0;
  HBRUSH boxes[48] = {};
  HBRUSH sample = nullptr;
  bool filling = false;
  ~Chooser() {
    for (HBRUSH b : boxes)
      if (b) DeleteObject(b);
    if (sample) DeleteObject(sample);
  }
};

Chooser* StateOf(HWND h) { return static_cast<Chooser*>(GetPropA(h, kStateProp)); }

void ShowColour(HWND dlg, Chooser& s) {
  s.filling = true;
  SetDlgItemInt(dlg, COLOR_RED, GetRValue(s.current), FALSE);
  SetDlgItemInt(dlg, COLOR_GREEN, GetGValue(s.current), FALSE);
  SetDlgItemInt(dlg, COLOR_BLUE, GetBValue(s.current), FALSE);
  s.filling = false;
  if (s.sample) DeleteObject(s.sample);
  s.sample = CreateSolidBrush(s.current);
  if (HWND c = GetDlgItem(dlg, kCurrent)) InvalidateRect(c, nullptr, TRUE);
}

// The fields as a colour; false when one is not a number from 0 to 255.
bool ReadFields(HWND dlg, COLORREF* out) {
  int v[3];
  const int ids[3] = {COLOR_RED, COLOR_GREEN, COLOR_BLUE};
  for (int i = 0; i < 3; ++i) {
    BOOL ok = FALSE;
    UINT n = GetDlgItemInt(dlg, ids[i], &ok, FALSE);
    if (!ok || n > 255) return false;
    v[i] = static_cast<int>(n);
  }
  *out = RGB(v[0], v[1], v[2]);
  return true;
}

INT_PTR CALLBACK ChooserProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  Chooser* s = msg == WM_INITDIALOG ? reinterpret_cast<Chooser*>(l) : StateOf(dlg);
  if (!s) return FALSE;
  if (s->cc->Flags & CC_ENABLEHOOK && s->cc->lpfnHook && msg != WM_INITDIALOG &&
      s->cc->lpfnHook(dlg, msg, w, l))
    return TRUE;  // the hook handled it
  switch (msg) {
    case WM_INITDIALOG: {
      SetPropA(dlg, kStateProp, s);
      for (int i = 0; i < 48; ++i) {
        s->boxes[i] = CreateSolidBrush(kBasic[i]);
        AddDialogControl(dlg, "Static", "", SS_NOTIFY | SS_SUNKEN | WS_VISIBLE, COLOR_BOX1 + i, 10 + (i % 8) * 28,
                         28 + (i / 8) * 24, 22, 18);
      }
      AddDialogControl(dlg, "Static", "&Basic colors:", SS_LEFT | WS_VISIBLE, -1, 10, 8, 200, 16);
      const char* names[3] = {"&Red:", "&Green:", "Bl&ue:"};
      for (int i = 0; i < 3; ++i) {
        AddDialogControl(dlg, "Static", names[i], SS_RIGHT | WS_VISIBLE, -1, 250, 30 + i * 28, 50, 16);
        AddDialogControl(dlg, "Edit", "", ES_NUMBER | WS_BORDER | WS_TABSTOP | WS_VISIBLE, COLOR_RED + i, 306,
                         28 + i * 28, 44, 20);
        SendDlgItemMessageA(dlg, COLOR_RED + i, EM_LIMITTEXT, 3, 0);
      }
      AddDialogControl(dlg, "Static", "", SS_SUNKEN | WS_VISIBLE, kCurrent, 250, 120, 100, 40);
      AddDialogControl(dlg, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDOK, 10, 184, 80, 24);
      AddDialogControl(dlg, "Button", "Cancel", WS_TABSTOP | WS_VISIBLE, IDCANCEL, 100, 184, 80, 24);
      if (s->cc->Flags & CC_SHOWHELP)
        AddDialogControl(dlg, "Button", "&Help", WS_TABSTOP | WS_VISIBLE, IDHELP, 190, 184, 80, 24);
      SendMessageA(dlg, DM_SETDEFID, IDOK, 0);
      s->current = (s->cc->Flags & CC_RGBINIT) ? (s->cc->rgbResult & 0xFFFFFF) : RGB(0, 0, 0);
      ShowColour(dlg, *s);
      if (s->cc->Flags & CC_ENABLEHOOK && s->cc->lpfnHook)
        s->cc->lpfnHook(dlg, WM_INITDIALOG, w, reinterpret_cast<LPARAM>(s->cc));
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      int id = GetDlgCtrlID(reinterpret_cast<HWND>(l));
      if (id >= COLOR_BOX1 && id < COLOR_BOX1 + 48) return reinterpret_cast<INT_PTR>(s->boxes[id - COLOR_BOX1]);
      if (id == kCurrent) return reinterpret_cast<INT_PTR>(s->sample);
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(w);
      if (id >= COLOR_BOX1 && id < COLOR_BOX1 + 48 && HIWORD(w) == STN_CLICKED) {
        s->current = kBasic[id - COLOR_BOX1];
        ShowColour(dlg, *s);
        return TRUE;
      }
      if ((id == COLOR_RED || id == COLOR_GREEN || id == COLOR_BLUE) && HIWORD(w) == EN_CHANGE && !s->filling) {
        COLORREF c;
        if (ReadFields(dlg, &c)) {
          s->current = c;
          if (s->sample) DeleteObject(s->sample);
          s->sample = CreateSolidBrush(c);
          InvalidateRect(GetDlgItem(dlg, kCurrent), nullptr, TRUE);
        }
        return TRUE;
      }
      if (id == IDOK) {
        COLORREF c;
        if (!ReadFields(dlg, &c)) {
          MessageBoxA(dlg, "Enter a value from 0 to 255 for red, green and blue.", "Color", MB_OK | MB_ICONWARNING);
          return TRUE;
        }
        s->cc->rgbResult = c;
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY: RemovePropA(dlg, kStateProp); return FALSE;
    default: return FALSE;
  }
}

}  // namespace
}  // namespace win::user

COLORREF GetBasicChooserColor(int index) { return index >= 0 && index < 48 ? win::user::kBasic[index] : CLR_INVALID; }

BOOL ChooseColorA(LPCHOOSECOLORA cc) {
  using namespace win::user;
  if (!StartCommonDialog(cc)) return FALSE;
  if ((cc->Flags & CC_ENABLEHOOK) && !cc->lpfnHook) {
    SetCommonDialogError(CDERR_NOHOOK);
    return FALSE;
  }
  Chooser s;
  s.cc = cc;
  return RunPixelDialog("Color", 364, 218, cc->hwndOwner, ChooserProc, &s) == IDOK ? TRUE : FALSE;
}
