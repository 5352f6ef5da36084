// The dialog frame shared by the library's dialogs.
#include "dialogs/dialog_frame.h"

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "win/win_menus.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace kelt::dlg {

bool InitModalFromLibrary(CDialog* dialog, int templateId, CWnd* parent) {
  if (!dialog) return false;
  const HMODULE module = kelt::lib::ModuleHandle();
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(templateId), RT_DIALOG);
  if (!found) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  const auto* t = static_cast<const DLGTEMPLATE*>(::LockResource(loaded));
  const bool ok = t && dialog->InitModalIndirect(t, parent);
  if (loaded) ::FreeResource(loaded);
  return ok;
}

void EnsureWhatsThisMenu() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindMenu(module, KELT_WHATS_THIS_MENU)) return;
  MenuTemplate m;
  m.items = {{0, "Help", 0, {{KELT_WHATS_THIS_COMMAND, "&What's This?", 0, {}}}}};
  AddMenu(module, KELT_WHATS_THIS_MENU, m);
}

void DialogHelp::ShowTopic() const { KELT_ShowHelpTopic(m_context, 1); }

void DialogHelp::ContextMenu(CWnd* dialog, LPARAM lParam) {
  if (!dialog || !dialog->m_hWnd) return;
  const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  m_kept = screen;
  POINT client = screen;
  ::ScreenToClient(dialog->m_hWnd, &client);
  // Disabled controls answer too: only hidden ones are skipped.
  HWND child = ::ChildWindowFromPointEx(dialog->m_hWnd, client, CWP_ALL);
  if (child && child != dialog->m_hWnd && !::IsWindowVisible(child)) return;
  RECT rc{};
  ::GetClientRect(dialog->m_hWnd, &rc);
  if (client.x < rc.left || client.y < rc.top || client.x >= rc.right || client.y >= rc.bottom) return;
  EnsureWhatsThisMenu();
  // From the library's own module: a host's menu of the same id is not ours.
  HMENU menu = ::LoadMenuA(kelt::lib::ModuleHandle(), MAKEINTRESOURCEA(KELT_WHATS_THIS_MENU));
  if (!menu) return;
  if (HMENU popup = ::GetSubMenu(menu, 0)) ::TrackPopupMenu(popup, 0, screen.x, screen.y, 0, dialog->m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

void DialogHelp::WhatsThis(CWnd* dialog) const {
  if (!dialog || !dialog->m_hWnd) return;
  POINT client = m_kept;
  ::ScreenToClient(dialog->m_hWnd, &client);
  HWND child = ::ChildWindowFromPointEx(dialog->m_hWnd, client, CWP_ALL);
  if (child && child != dialog->m_hWnd)
    KELT_ShowHelpTopic(static_cast<uint32_t>(::GetDlgCtrlID(child)), 8);
  else
    KELT_ShowHelpTopic(m_context, 1);
}

bool DialogHelp::Handle(CWnd* dialog, UINT msg, WPARAM wParam, LPARAM lParam, bool withButton) {
  if (msg == WM_CONTEXTMENU) {
    ContextMenu(dialog, lParam);
    return true;
  }
  if (msg != WM_COMMAND) return false;
  if (LOWORD(wParam) == KELT_WHATS_THIS_COMMAND) {
    WhatsThis(dialog);
    return true;
  }
  if (withButton && LOWORD(wParam) == KELT_HELP_BUTTON_ID) {
    ShowTopic();
    return true;
  }
  return false;
}

void EnterStepsThroughFields(HWND dialog, int okButton) {
  ::SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
  if (HWND cancel = ::GetDlgItem(dialog, IDOK)) ::SendMessageA(cancel, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  if (HWND ok = ::GetDlgItem(dialog, okButton)) ::SendMessageA(ok, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

bool OkIdCancels(HWND dialog, const int* fields, int count) {
  const HWND cancel = ::GetDlgItem(dialog, IDOK);
  if (cancel && ::GetFocus() == cancel) return true;
  ::SendMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
  const HWND now = ::GetFocus();
  const int id = now ? ::GetDlgCtrlID(now) : 0;
  for (int i = 0; i < count; ++i)
    if (fields[i] == id) ::SendMessageA(now, EM_SETSEL, 0, -1);
  return false;
}

}  // namespace kelt::dlg
