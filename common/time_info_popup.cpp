// The modeless time-information pop-up.
#include "common/time_info_popup.h"

#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_gdi.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kMaxText = 255;

// Kept in a block of the common allocator for the pop-up's life.
struct PopupData {
  uint32_t lifetimeMs;
  int32_t x;
  int32_t y;
  char text[kMaxText + 1];
};

// The block of a pop-up being created, and whether its window released it
// already (destroyed during its own set-up).
thread_local PopupData* t_creating = nullptr;
thread_local bool t_creatingReleased = false;

void EnsureTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, kTimeInfoDialogId)) return;
  win::resources::DialogTemplate dlg;
  dlg.style = WS_POPUP | DS_SETFONT;
  dlg.cx = 80;
  dlg.cy = 16;
  win::resources::DialogItem text;
  text.id = kTimeInfoTextId;
  text.className = "Static";
  text.style = WS_VISIBLE | SS_LEFT;
  text.x = 4;
  text.y = 4;
  text.cx = 72;
  text.cy = 8;
  dlg.items.push_back(text);
  win::resources::AddDialog(module, kTimeInfoDialogId, dlg);
}

void Close(HWND hwnd) {
  KillTimer(hwnd, kTimeInfoTimerId);
  DestroyWindow(hwnd);
}

void Layout(HWND hwnd, const PopupData& data) {
  SIZE extent{0, 0};
  HWND label = GetDlgItem(hwnd, kTimeInfoTextId);
  if (HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr)) {
    HFONT font = label ? reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)) : nullptr;
    HGDIOBJ old = font ? SelectObject(ic, font) : nullptr;
    GetTextExtentPoint32A(ic, data.text, static_cast<int>(std::strlen(data.text)), &extent);
    if (old) SelectObject(ic, old);
    DeleteDC(ic);
  }
  const int width = extent.cx + 20, height = extent.cy * 2;
  if (label) {
    SetWindowTextA(label, data.text);
    SetWindowPos(label, nullptr, 10, height / 4, extent.cx, extent.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(hwnd, nullptr, data.x, data.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (data.x == 0 && data.y == 0) PositionDialog(hwnd, GetParent(hwnd));
}

INT_PTR CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<PopupData*>(lParam);
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      Layout(hwnd, *data);
      if (data->lifetimeMs && !SetTimer(hwnd, kTimeInfoTimerId, data->lifetimeMs, nullptr)) DestroyWindow(hwnd);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam != kTimeInfoTimerId) return FALSE;
      Close(hwnd);
      return TRUE;
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      Close(hwnd);
      return TRUE;
    case WM_NCDESTROY:
      if (void* data = reinterpret_cast<void*>(GetWindowLongPtrA(hwnd, DWLP_USER))) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        if (data == t_creating) t_creatingReleased = true;
        FreeBlock(data);
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND KELT_ModelessTimeInfoDialog(HWND parent, const char* text, uint32_t lifetimeMs, int32_t x, int32_t y) {
  auto* data = static_cast<PopupData*>(AllocBlock(sizeof(PopupData)));
  if (!data) return nullptr;
  data->lifetimeMs = lifetimeMs;
  data->x = x;
  data->y = y;
  if (text) std::memcpy(data->text, text, strnlen(text, kMaxText));
  const HMODULE module = kelt::lib::ModuleHandle();
  HWND hwnd = nullptr;
  t_creating = data;
  t_creatingReleased = false;
  try {
    EnsureTemplate(module);
    hwnd = CreateDialogParamA(module, MAKEINTRESOURCEA(kTimeInfoDialogId), parent, PopupProc,
                              reinterpret_cast<LPARAM>(data));
  } catch (...) {
    hwnd = nullptr;
  }
  t_creating = nullptr;
  // A window destroyed during its set-up has released the block already.
  if (!hwnd || !IsWindow(hwnd)) {
    if (!t_creatingReleased) FreeBlock(data);
    return nullptr;
  }
  ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}
