#pragma once
// What every dialog of the library shares without a base class of its own:
// templates taken from the library's own resources, the Help button, the
// "What's This?" context menu (menu 602, command 609) and placement.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"

#define KELT_HELP_BUTTON_ID 3000
#define KELT_WHATS_THIS_MENU 602
#define KELT_WHATS_THIS_COMMAND 609

namespace kelt::dlg {

// Range dialogs whose button labelled "Cancel" carries the framework's OK
// id, so that Enter, which arrives as that id, steps through the fields
// instead of ending the dialog. Call from OnInitDialog: Enter sends the OK
// id while the button okButton still looks like the default.
KELT_CLASS void EnterStepsThroughFields(HWND dialog, int okButton);
// On the OK id: true when the "Cancel" button has the focus (the dialog is
// to be cancelled); otherwise the focus moves to the next control and, when
// that is one of the number fields, its whole text is selected.
KELT_CLASS bool OkIdCancels(HWND dialog, const int* fields, int count);

// Prepares a default-constructed dialog to run modally from template id
// of the library's module, even when a host registers the same id.
// False when the library holds no such template.
KELT_CLASS bool InitModalFromLibrary(CDialog* dialog, int templateId, CWnd* parent);

// Registers the shared context menu with the library's module (once).
KELT_CLASS void EnsureWhatsThisMenu();

// The help of one dialog: keeps the point of the last right click.
class KELT_CLASS DialogHelp {
 public:
  explicit DialogHelp(uint32_t context = 0) : m_context(context) {}
  void SetContext(uint32_t context) { m_context = context; }
  uint32_t Context() const { return m_context; }
  // Help button: the dialog's topic.
  void ShowTopic() const;
  // WM_CONTEXTMENU (lParam: the screen point): offers "&What's This?" over
  // the client area unless the child under the point is hidden.
  void ContextMenu(CWnd* dialog, LPARAM lParam);
  // Command 609: the control under the kept point, else the dialog's topic.
  void WhatsThis(CWnd* dialog) const;
  // Handles WM_CONTEXTMENU, WM_COMMAND 609 and, when withButton, 3000;
  // true when the message was taken.
  bool Handle(CWnd* dialog, UINT msg, WPARAM wParam, LPARAM lParam, bool withButton = true);

 private:
  uint32_t m_context;
  POINT m_kept{0, 0};
};

}  // namespace kelt::dlg
