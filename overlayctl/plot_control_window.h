#pragma once
// The window procedure and the creation the overlay plot control and every
// control derived from it share: the object is made on the window's first message, kept in the
// window property and handed the window; it lets go of it on the last.
#include <new>

#include "overlayctl/overlay_plot_control.h"
#include "win/win_types.h"
#include "win/win_user.h"

namespace kelt::overlay {

template <class Control>
LRESULT ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* control = new (std::nothrow) Control;
      if (!control) return 0;
      SetPropA(hwnd, CCtlOPlot::kPropertyName, static_cast<CCtlOPlot*>(control));
      if (!control->SubclassWindow(hwnd)) {
        RemovePropA(hwnd, CCtlOPlot::kPropertyName);
        delete control;
        return 0;
      }
      // Not passed on: the window keeps no text.
      return 1;
    }
    case WM_NCDESTROY: {
      auto* control = static_cast<CCtlOPlot*>(GetPropA(hwnd, CCtlOPlot::kPropertyName));
      if (control && control->m_hWnd) control->UnsubclassWindow();
      RemovePropA(hwnd, CCtlOPlot::kPropertyName);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// A child window of the given rectangle, shown; null when it cannot be made.
template <class Control>
Control* CreateControl(CWnd* parent, short id, short left, short top, short right, short bottom) {
  auto* control = new (std::nothrow) Control;
  if (!control) return nullptr;
  if (!control->Create(nullptr, nullptr, WS_CHILD, CRect(left, top, right, bottom), parent,
                       static_cast<UINT>(static_cast<uint16_t>(id)))) {
    delete control;
    return nullptr;
  }
  control->ShowWindow(SW_SHOW);
  return control;
}

}  // namespace kelt::overlay
