#pragma once
// The help every dialog of the report viewer carries: its Help button and
// the "What's This?" context menu (menu 602, command 609).
#include <cstdint>

#include "framework/framework_wnd.h"

namespace kelt::pages {
// Shows the "What's This?" menu at the screen point of a WM_CONTEXTMENU
// (its lParam) when it lies in the dialog's client area; keeps the point.
void TrackWhatsThisMenu(CWnd* dialog, LPARAM lParam, POINT* kept);
// The "What's This?" command: help on the control under the kept point,
// else on the dialog's context.
void WhatsThisHelp(CWnd* dialog, POINT kept, uint32_t context);
}  // namespace kelt::pages
