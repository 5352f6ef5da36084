#pragma once
// The modal "Edit Label" dialog: a plot label's text, its screen and report
// colours, transparency, anchoring to the data or the frame, its pointer,
// its font and angle; it can also delete the label.
#include <string>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "plotengine/plot_labels.h"
#include "win/win_types.h"

#define EDIT_LABEL_DIALOG_ID 270
#define EDIT_LABEL_TEXT_ID 1001
#define EDIT_LABEL_DELETE_ID 1002
#define EL_TEXT_SWATCH 2701
#define EL_TEXT_COLOR 2702
#define EL_BACK_SWATCH 2703
#define EL_BACK_COLOR 2704
#define EL_TRANSPARENT 2705
#define EL_REPORT_SWATCH 2706
#define EL_REPORT_COLOR 2707
#define EL_ANCHOR_DATA 2708
#define EL_ANCHOR_FRAME 2709
#define EL_SHOW_POINTER 2710
#define EL_PLOT_FONT 2711
#define EL_SPECIAL_FONT 2712
#define EL_FACE_NAME 2713
#define EL_SELECT_FONT 2714
#define EL_ANGLE 2715
#define EDIT_LABEL_TEXT_MAX 3000
#define EDIT_LABEL_HELP_CONTEXT 270

class KELT_CLASS CEditLabelDlg : public CDialog {
 public:
  explicit CEditLabelDlg(HWND parent = nullptr);
  ~CEditLabelDlg() override;
  // The text record's block is replaced or freed as the text is edited;
  // the parameters are the dialog's copy.
  STRUCT_LAB_TEXT* m_text = nullptr;
  STRUCT_MARKER_PARAMS m_params{};
  short m_deleteLabel = 0;
  short m_modified = 0;
  // IDOK (1) or IDCANCEL (2).
  INT_PTR DoModal() override;

  // The title of the delete question for a label text.
  static std::string DeleteTitle(const char* text, int32_t length);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void TakeText();
  void TakeAngle();
  void MakePreviewFont();
  bool PickColour(COLORREF* colour);
  HWND m_parentWindow;
  HFONT m_preview = nullptr;
  kelt::dlg::DialogHelp m_help{EDIT_LABEL_HELP_CONTEXT};
};

namespace kelt::labels {
// The dialog as the drawing engine's label editing calls it (see
// SetEditLabelDialog): the text record, parameters and flags of a copy;
// the second flag asks for the label to be placed anew (its anchoring or
// pointer changed).
KELT_CLASS int RunEditLabelDialog(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteLabel,
                                  short* centreLabel);
}  // namespace kelt::labels
