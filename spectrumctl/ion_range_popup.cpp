// The ion-range popup of the spectrum control.
#include "spectrumctl/ion_range_popup.h"

#include <cstring>

#include "common/library_state.h"
#include "common/mass_lists.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectrumctl/spectrum_control.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace kelt::spt {
namespace {

constexpr char kProp[] = "MyProp";
// Whether the popup being made reached its set-up and so took its record.
thread_local bool t_taken = false;
// Digits of the masses the popup writes: dragged masses fall between
// whole masses.
constexpr int32_t kDecimals = 2;

void EnsureTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, ION_RANGE_DIALOG)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = "Click and/or Click and Drag to Select Ion Ranges";
  dlg.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
  dlg.cx = 466;
  dlg.cy = 36;
  auto add = [&](int id, const char* cls, const char* text, DWORD style, short x, short y, short cx, short cy) {
    win::resources::DialogItem item;
    item.id = id;
    item.className = cls;
    item.text = text;
    item.style = WS_VISIBLE | style;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    dlg.items.push_back(item);
  };
  add(ION_RANGE_LABEL, "Static", "Ions:", SS_LEFT, 4, 4, 20, 8);
  add(ION_RANGE_TEXT, "Static", "", SS_LEFT, 26, 4, 350, 8);
  add(ION_RANGE_EDIT, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 4, 18, 372, 12);
  add(ION_RANGE_CLEAR, "Button", "Clear", WS_TABSTOP | BS_PUSHBUTTON, 382, 17, 38, 14);
  add(ION_RANGE_CHANGE, "Button", "Change", WS_TABSTOP | BS_PUSHBUTTON, 424, 17, 38, 14);
  win::resources::AddDialog(module, ION_RANGE_DIALOG, dlg);
}

STRUCT_ION_RANGE_POPUP* State(HWND hwnd) { return static_cast<STRUCT_ION_RANGE_POPUP*>(GetPropA(hwnd, kProp)); }

void Refresh(HWND hwnd, STRUCT_ION_RANGE_POPUP* state) {
  char text[400] = {};
  if (state->hasList) FormatMassListText(text, &state->massList, kDecimals);
  SetDlgItemTextA(hwnd, ION_RANGE_TEXT, text);
  state->updating = 1;
  SetDlgItemTextA(hwnd, ION_RANGE_EDIT, text);
  state->updating = 0;
}

void ParseEdit(HWND hwnd, STRUCT_ION_RANGE_POPUP* state) {
  if (state->updating) return;
  char text[601] = {};
  GetDlgItemTextA(hwnd, ION_RANGE_EDIT, text, sizeof text);
  if (!text[0]) return;
  STRUCT_MASS_LIST parsed{};
  const bool valid = ParseMassList(text, &parsed) != 0;
  if (parsed.window == 0.5) parsed.window = state->massWindow;
  state->hasList = 0;
  // A text that gives no ranges leaves no list behind.
  if (valid && (parsed.count >= 1 || parsed.kind != MASS_LIST_RANGES)) {
    state->massList = parsed;
    state->hasList = 1;
  }
  Refresh(hwnd, state);
}

void AddRange(HWND hwnd, STRUCT_ION_RANGE_POPUP* state, double low, double high) {
  STRUCT_MASS_LIST& list = state->massList;
  if (!state->hasList || list.kind != MASS_LIST_RANGES) {
    std::memset(&list, 0, sizeof list);
    list.kind = MASS_LIST_RANGES;
    list.window = state->massWindow;
    list.count = 1;
    list.ranges[0] = {0, low, high};
    state->hasList = 1;
  } else if (list.count < MASS_LIST_MAX_RANGES) {
    list.ranges[list.count++] = {0, low, high};
  } else {
    ShowTimedMessage(hwnd, "FULL", 2000);
    return;
  }
  Refresh(hwnd, state);
}

INT_PTR CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  STRUCT_ION_RANGE_POPUP* state = msg == WM_INITDIALOG ? nullptr : State(hwnd);
  switch (msg) {
    case WM_INITDIALOG:
      state = reinterpret_cast<STRUCT_ION_RANGE_POPUP*>(lParam);
      t_taken = true;
      SetPropA(hwnd, kProp, state);
      SendDlgItemMessageA(hwnd, ION_RANGE_EDIT, EM_LIMITTEXT, ION_RANGE_EDIT_LIMIT, 0);
      if (state && state->hasList) Refresh(hwnd, state);
      ShowWindow(hwnd, SW_SHOW);
      return TRUE;
    case WM_USER + 20: {
      const auto* masses = reinterpret_cast<const double*>(lParam);
      if (state && masses) AddRange(hwnd, state, masses[0], masses[1]);
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 1);
      return TRUE;
    }
    case WM_COMMAND:
      if (!state) return FALSE;
      switch (LOWORD(wParam)) {
        case ION_RANGE_EDIT:
          if (HIWORD(wParam) == EN_KILLFOCUS) ParseEdit(hwnd, state);
          return TRUE;
        case ION_RANGE_CHANGE:
          // A typed text counts even when the edit still has the focus.
          ParseEdit(hwnd, state);
          ::SendMessageA(state->control, SPTM_UPDATEFROMSELSPTSPLOTDLG, 0,
                         state->hasList ? reinterpret_cast<LPARAM>(&state->massList) : 0);
          return TRUE;
        case ION_RANGE_CLEAR:
          KELT_InitRICMassList(&state->massList);
          state->hasList = 0;
          Refresh(hwnd, state);
          return TRUE;
        case IDCANCEL:
          DestroyWindow(hwnd);
          return TRUE;
        case IDOK: {
          // Enter in the edit takes nothing and closes nothing: the text is
          // read when the edit loses the focus.
          HWND focus = GetFocus();
          if (!focus || focus == GetDlgItem(hwnd, ION_RANGE_EDIT)) return TRUE;
          DestroyWindow(hwnd);
          return TRUE;
        }
        default: return FALSE;
      }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      if (state) {
        HWND control = state->control;
        RemovePropA(hwnd, kProp);
        FreeBlock(state);
        if (control && IsWindow(control)) ::SendMessageA(control, SPTM_CLOSESELSPTSPLOTDLG, 0, 0);
      }
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

HWND CreateIonRangePopup(HWND control, STRUCT_ION_RANGE_POPUP* state) {
  if (!state) return nullptr;
  const HMODULE module = kelt::lib::ModuleHandle();
  EnsureTemplate(module);
  t_taken = false;
  HWND popup = CreateDialogParamA(module, MAKEINTRESOURCEA(ION_RANGE_DIALOG), control, PopupProc,
                                  reinterpret_cast<LPARAM>(state));
  // A popup that never got to its set-up did not take the record.
  if (!popup && !t_taken) FreeBlock(state);
  return popup;
}

}  // namespace kelt::spt
