#pragma once
// "Linearity Report Parameters": the vertical and horizontal ions of a
// linearity report, its baseline and target-ratio switches and the two
// target ratios. The masses proposed from the apex spectrum can be taken
// over with one button.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/work_file.h"
#include "framework/framework_wnd.h"
#include "quorna/ms_lists.h"

#define LINEARITY_PARAMS_DIALOG_ID 316
#define LIN_VERTICAL_IONS_ID 1101
#define LIN_HORIZONTAL_IONS_ID 1102
#define LIN_PROPOSED_TEXT_ID 1103
#define LIN_USE_PROPOSED_ID 1104
#define LIN_BASELINE_ID 1105
#define LIN_TARGETS_ID 1106
#define LIN_RATIO1_ID 1107
#define LIN_RATIO2_ID 1108

// The values go in through the constructor and, after IDOK, are read back
// from the public members; Cancel leaves them as they came.
class KELT_CLASS CLinearityParamsDlg {
 public:
  CLinearityParamsDlg(const STRUCT_WORK_FILE* workFile, const STRUCT_MASS_LIST* verticalIons,
                      const STRUCT_MASS_LIST* horizontalIons, int16_t baselineCorrection, int16_t targetRatios,
                      double ratio1, double ratio2, int16_t found, double proposedVertical, double proposedHorizontal,
                      double window, CWnd* parent = nullptr);
  STRUCT_MASS_LIST m_VerticalIons{};
  STRUCT_MASS_LIST m_HorizontalIons{};
  int16_t m_bBaselineCorrection = 1, m_bTargetRatios = 1;
  double m_TargetRatio1 = 0.5, m_TargetRatio2 = 1.5;
  // IDOK or IDCANCEL.
  int DoModal();

  const STRUCT_WORK_FILE* m_pWorkFile;
  int16_t m_bFound;
  double m_ProposedVertical, m_ProposedHorizontal, m_Window;

 private:
  CWnd* m_parent;
};
