#pragma once
// The ion-formula dialog: a mass list typed as an ion formula, with a
// live status line saying why a formula cannot be used, and the format
// help that the user can show or hide (kept in "SelectMasses").
#include <cstdint>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "quorna/quorna.h"

#define ION_FORMULA_DIALOG_ID 305
#define IDC_ION_RANGE_LINE 3051
#define IDC_ION_FORMULA 3052
#define IDC_ION_CANONICAL 3053
#define IDC_ION_STATUS 3054
#define IDC_ION_SHOW_FORMAT 3055
#define IDC_ION_FORMAT_GROUP 3056
#define IDC_ION_EXAMPLE_FIRST 3060  // 13 example lines
#define ION_FORMULA_EXAMPLES 13

class KELT_CLASS CIonFormulaDlg : public CDialog {
 public:
  CIonFormulaDlg();
  STRUCT_MASS_LIST m_list{};
  int16_t m_decimals = 1;
  double m_lowest = 10.0, m_highest = 2000.0;

  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateStatus();
  void ShowFormat(bool show);

  kelt::dlg::DialogHelp m_help{145};
  double m_window = 0.5;
  int m_fullHeight = 0, m_shortHeight = 0;
  bool m_filling = false;
  int16_t m_showFormat = 0;
};

// The settings record "SelectMasses": nonzero when the format help shows.
namespace kelt::dlg {
KELT_CLASS int16_t ReadShowFormat();
KELT_CLASS void WriteShowFormat(int16_t show);
// The 13 example lines for decimals digits.
KELT_CLASS void IonFormulaExampleLine(int index, int decimals, char* out, size_t size);
}  // namespace kelt::dlg

// 1 on OK (the list replaced; a window not above 0 becomes 0.5), 0 on Cancel.
KELT_API int32_t Dlg_EditIonFormula(STRUCT_MASS_LIST* list, int16_t decimals, double lowestIon, double highestIon);
