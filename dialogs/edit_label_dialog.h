#pragma once
// The modal "Edit Label" dialog: the label's text and the flags asking to
// delete or centre the label.
#include "common/kelt_export.h"
#include "plotengine/plot_labels.h"
#include "win/win_types.h"

#define EDIT_LABEL_DIALOG_ID 270
#define EDIT_LABEL_TEXT_ID 1001
#define EDIT_LABEL_DELETE_ID 1002
#define EDIT_LABEL_CENTRE_ID 1003
#define EDIT_LABEL_TEXT_MAX 3000

class KELT_CLASS CEditLabelDlg {
 public:
  explicit CEditLabelDlg(HWND parent) : m_parent(parent) {}
  // The text record's characters are replaced on OK; the parameters are
  // the dialog's copy.
  STRUCT_LAB_TEXT* m_text = nullptr;
  STRUCT_MARKER_PARAMS m_params{};
  short m_deleteLabel = 0;
  short m_centreLabel = 0;
  // 1 (OK) or 2 (Cancel).
  int DoModal();

 private:
  HWND m_parent;
};

namespace kelt::labels {
// The dialog as the drawing engine's label editing calls it (see
// SetEditLabelDialog): the text record, parameters and flags of a copy.
KELT_CLASS int RunEditLabelDialog(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteLabel,
                                  short* centreLabel);
}  // namespace kelt::labels
