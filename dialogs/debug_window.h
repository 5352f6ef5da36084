#pragma once
// Diagnostic outputs for hosts: "KELT Debug Window", an always-on-top list
// of text lines that can be paused, and a debug text file.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"

#define DEBUG_WINDOW_DIALOG_ID 390
#define IDC_DBG_LIST 6680
#define IDC_DBG_CLEAR 6681
#define IDC_DBG_STARS 6682
#define IDC_DBG_PAUSE 6683
#define DBGWM_ADDSTRING (WM_USER + 44)
#define DBGWM_CLEARSTRINGS (WM_USER + 45)
#define DBGWM_ADDASTERISKLINE (WM_USER + 46)
// The debug text file: in the user's temporary folder.
#define DEBUG_TEXT_FILE_NAME "aaa.aaa"
#define DEBUG_TEXT_MOST 190

class KELT_CLASS CDebugWindowDlg : public CDialog {
 public:
  CDebugWindowDlg();
  // The open window, or null.
  static CDebugWindowDlg* Current();

  BOOL OnInitDialog() override;
  void OnCancel() override;
  void PostNcDestroy() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  int16_t m_initialWidth = 0, m_initialHeight = 0;
  RECT m_previousClient{};
  int16_t m_layoutReady = 0;
  int16_t m_paused = 0;

 private:
  void AddLine(const char* text);
  void OnSized();
};

KELT_API void KELT_DebugWindow_AddString(const char* text);
KELT_API void KELT_DebugWindow_ClearStrings();
KELT_API void KELT_DebugWindow_AddStarLine();
// Appends one line (at most 190 characters and "\n") to the debug text file.
KELT_API void KELT_AAA_AddString(const char* text);
