// The "What's This?" help of the viewer's dialogs.
#include "reportpages/dialog_help.h"

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "framework/framework_menu.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace kelt::pages {

namespace {
constexpr int kHelpMenu = 602;
constexpr UINT kHelpCommand = 609;

void EnsureMenu() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (!FindMenu(module, kHelpMenu)) {
    MenuTemplate m;
    m.items = {{0, "Help", 0, {{kHelpCommand, "&What's This?", 0, {}}}}};
    AddMenu(module, kHelpMenu, m);
  }
}
}  // namespace

void TrackWhatsThisMenu(CWnd* dialog, LPARAM lParam, POINT* kept) {
  if (!dialog || !dialog->m_hWnd) return;
  POINT screen{short(LOWORD(lParam)), short(HIWORD(lParam))};
  POINT client = screen;
  ::ScreenToClient(dialog->m_hWnd, &client);
  RECT rc{};
  ::GetClientRect(dialog->m_hWnd, &rc);
  if (client.x < rc.left || client.y < rc.top || client.x >= rc.right || client.y >= rc.bottom) return;
  if (kept) *kept = screen;
  EnsureMenu();
  CMenu menu;
  if (!menu.LoadMenu(kHelpMenu)) return;
  if (CMenu* popup = menu.GetSubMenu(0)) popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, dialog);
}

void WhatsThisHelp(CWnd* dialog, POINT kept, uint32_t context) {
  if (!dialog || !dialog->m_hWnd) return;
  POINT client = kept;
  ::ScreenToClient(dialog->m_hWnd, &client);
  HWND child = ::ChildWindowFromPoint(dialog->m_hWnd, client);
  if (child && child != dialog->m_hWnd && ::IsWindowVisible(child)) KELT_ShowHelpTopic(uint32_t(::GetDlgCtrlID(child)), 8);
  else KELT_ShowHelpTopic(context, 1);
}

}  // namespace kelt::pages
