#pragma once
// "Select Channel": one detector channel of a channel data file, chosen
// from a list of the file's channels by number and name.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "common/work_file.h"
#include "dialogs/dialog_frame.h"
#include "framework/framework_dialog.h"

#define SELECT_CHANNEL_DIALOG_ID 301
#define SELECT_CHANNEL_HELP_CONTEXT 146
#define IDC_SCH_LIST 3150
#define IDC_SCH_CURRENT 3151

class KELT_CLASS CSelectChannelDlg : public CDialog {
 public:
  CSelectChannelDlg();
  ~CSelectChannelDlg() override;
  // Runs modally from the library's template.
  INT_PTR Run();

  char m_path[260] = {};
  // On entry the current channel (0-based); on OK the chosen one. OK stays
  // off while the channel is not one of the file's, so a channel the file
  // does not have is never handed back as chosen.
  int16_t m_channel = 0;

  BOOL OnInitDialog() override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  int ChannelCount() const;
  void ShowCurrent();
  HFONT m_font = nullptr;
  STRUCT_WORK_FILE* m_workFile = nullptr;
  char* m_text = nullptr;  // 500 bytes: the text of the item being drawn
  kelt::dlg::DialogHelp m_help{SELECT_CHANNEL_HELP_CONTEXT};
};
