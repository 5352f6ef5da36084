#pragma once
// The "Page Setup" dialog: the four margins of printed reports, in percent
// of the page (0 to 45), each in a field with wrapping arrows.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "win/win_types.h"

#define PAGE_MARGINS_DIALOG 251
#define IDC_MARGIN_LEFT 4880
#define IDC_MARGIN_LEFT_SPIN 4881
#define IDC_MARGIN_RIGHT 4882
#define IDC_MARGIN_RIGHT_SPIN 4883
#define IDC_MARGIN_TOP 4884
#define IDC_MARGIN_TOP_SPIN 4885
#define IDC_MARGIN_BOTTOM 4886
#define IDC_MARGIN_BOTTOM_SPIN 4887
#define PAGE_MARGIN_MAX 45

class KELT_CLASS CPageMarginsDlg : public CDialog {
 public:
  explicit CPageMarginsDlg(CWnd* parent = nullptr);
  uint16_t m_Left = 0, m_Right = 0, m_Top = 0, m_Bottom = 0;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnHelp();
  LRESULT OnContextMenu(WPARAM, LPARAM);
  void OnWhatsThis();
  DECLARE_MESSAGE_MAP()

 private:
  POINT m_MenuPoint{0, 0};
};

// 1 when the user pressed OK; the four margins are copied back only then.
KELT_API int Dlg_EditPageMargins(uint16_t* left, uint16_t* right, uint16_t* top, uint16_t* bottom);
