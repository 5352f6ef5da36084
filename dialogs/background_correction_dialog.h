#pragma once
// The modeless background-correction tool beside a reference-spectra plot:
// averaging of the background spectra, whether clicks add or delete them,
// delete all, and automatic correction. It holds no spectra: every action
// is a message to its owner, which reports the count back.
#include <cstdint>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"

#define BACKGROUND_CORRECTION_DIALOG_ID 309
#define BC_AVERAGE_1 3091  // 1, 3, 5, 7 in order
#define BC_ADD 3095
#define BC_DELETE 3096
#define BC_DELETE_ALL 3097
#define BC_COUNT 3098
#define BC_AUTO 3099
#define BC_HELP_CONTEXT 150

// To the dialog (result 0).
#define BCM_SETSPECTRACOUNT (WM_USER + 66)
#define BCM_SETPLOTINDEX (WM_USER + 67)
// To the owner, sent with second argument 0.
#define BCM_OWNER_ADDMODE (WM_USER + 130)
#define BCM_OWNER_DELETEMODE (WM_USER + 131)
#define BCM_OWNER_AUTO (WM_USER + 135)
#define BCM_OWNER_DELETEALL (WM_USER + 138)
#define BCM_OWNER_AVERAGING (WM_USER + 140)
#define BCM_OWNER_CLOSED (WM_USER + 144)

class KELT_CLASS CBackgroundCorrectionDlg : public CDialog {
 public:
  // Makes the window at once (m_hWnd stays null when it cannot); the object
  // deletes itself when the window goes.
  CBackgroundCorrectionDlg(CWnd* owner, int16_t plotIndex, int16_t averaging, int16_t spectraCount);

  HWND m_owner;
  int16_t m_averaging;
  int16_t m_selectionMode;  // 1 add, 0 delete
  int16_t m_spectraCount;
  int16_t m_plotIndex;

  // The selection mode every new dialog starts in (the last one chosen).
  static int16_t LastSelectionMode();

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnOK() override;
  void PostNcDestroy() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateControls();
  void SetMode(int16_t mode);
  void SetTitle();
  LRESULT Tell(UINT msg, WPARAM wParam);
  kelt::dlg::DialogHelp m_help{BC_HELP_CONTEXT};
  bool m_closed = false;
};
