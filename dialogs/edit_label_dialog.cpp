// The "Edit Label" dialog.
#include "dialogs/edit_label_dialog.h"

#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "prefsheets/sheet_template_items.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void EnsureTemplate(HMODULE module) {
  if (win::resources::FindDialog(module, EDIT_LABEL_DIALOG_ID)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = "Edit Label";
  dlg.cx = 220;
  dlg.cy = 110;
  auto item = [&](int id, const char* cls, const char* text, DWORD style, short x, short y, short cx, short cy) {
    prefsheets::Item(dlg, id, cls, text, style, x, y, cx, cy);
  };
  item(EDIT_LABEL_TEXT_ID, "Edit", "", WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 6, 6,
       150, 70);
  item(EDIT_LABEL_DELETE_ID, "Button", "&Delete label", BS_AUTOCHECKBOX | WS_TABSTOP, 6, 84, 80, 10);
  item(EDIT_LABEL_CENTRE_ID, "Button", "&Centre label", BS_AUTOCHECKBOX | WS_TABSTOP, 90, 84, 80, 10);
  item(IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 164, 6, 50, 14);
  item(IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 164, 24, 50, 14);
  win::resources::AddDialog(module, EDIT_LABEL_DIALOG_ID, dlg);
}

INT_PTR CALLBACK EditLabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* dlg = reinterpret_cast<CEditLabelDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      dlg = reinterpret_cast<CEditLabelDlg*>(lParam);
      SendDlgItemMessageA(hwnd, EDIT_LABEL_TEXT_ID, EM_LIMITTEXT, EDIT_LABEL_TEXT_MAX, 0);
      if (dlg->m_text && dlg->m_text->text) SetDlgItemTextA(hwnd, EDIT_LABEL_TEXT_ID, dlg->m_text->text);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char buffer[EDIT_LABEL_TEXT_MAX + 1] = {};
        const int n = GetDlgItemTextA(hwnd, EDIT_LABEL_TEXT_ID, buffer, sizeof buffer);
        if (dlg->m_text) {
          auto* chars = static_cast<char*>(AllocBlock(static_cast<uint32_t>(n) + 10));
          if (!chars) return TRUE;  // stays open: nothing can hold the text
          std::memcpy(chars, buffer, static_cast<size_t>(n));
          if (dlg->m_text->text) FreeBlock(dlg->m_text->text);
          dlg->m_text->text = chars;
          dlg->m_text->length = n;
        }
        dlg->m_deleteLabel = IsDlgButtonChecked(hwnd, EDIT_LABEL_DELETE_ID) == BST_CHECKED ? 1 : 0;
        dlg->m_centreLabel = IsDlgButtonChecked(hwnd, EDIT_LABEL_CENTRE_ID) == BST_CHECKED ? 1 : 0;
        EndDialog(hwnd, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int CEditLabelDlg::DoModal() {
  const HMODULE module = kelt::lib::ModuleHandle();
  EnsureTemplate(module);
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(EDIT_LABEL_DIALOG_ID), m_parent, EditLabelProc,
                                    reinterpret_cast<LPARAM>(this));
  return r == IDOK ? 1 : 2;
}

int kelt::labels::RunEditLabelDialog(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteLabel,
                                     short* centreLabel) {
  CEditLabelDlg dlg(nullptr);
  dlg.m_text = text;
  if (params) dlg.m_params = *params;
  const int result = dlg.DoModal();
  if (result == 1) {
    if (params) *params = dlg.m_params;
    if (deleteLabel) *deleteLabel = dlg.m_deleteLabel;
    if (centreLabel) *centreLabel = dlg.m_centreLabel;
  }
  return result;
}
