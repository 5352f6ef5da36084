#pragma once
// The modeless click-select-ions window beside a spectrum control: ions
// clicked or dragged on the spectra (WM_USER+200) are collected into an
// ion formula of one data file and one set of scans; "Plot" hands the
// owner a plot descriptor of that trace (WM_USER+105). It tells the owner
// when it closes (WM_USER+84) and deletes itself.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/work_file.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/ion_ranges.h"
#include "spectrumctl/spectrum_control.h"

#define CLICK_SELECT_IONS_DIALOG 311
#define IDC_CSI_IONS 3111
#define IDC_CSI_FILE 3113
#define IDC_CSI_SCANS_LABEL 3114
#define IDC_CSI_SCANS 3115
#define IDC_CSI_FORMULA 3116
#define IDC_CSI_CLEAR 3117
#define IDC_CSI_PLOT 3118
#define CSI_PICK (WM_USER + 200)
#define CSI_CLOSED (WM_USER + 84)
#define CSI_NEW_PLOT (WM_USER + 105)
#define CSI_MOST_RANGES 10

class CDataReviewManager;

class KELT_CLASS CClickSelectIonsDlg : public CDialog {
 public:
  // The window is made at once; the object deletes itself when it goes.
  CClickSelectIonsDlg(CWnd* owner, CDataReviewManager* manager, int16_t index);

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  const STRUCT_MASS_LIST& MassList() const { return m_massList; }
  bool HasIons() const { return m_hasIons; }

 private:
  void AddPick(const STRUCT_CCSPT_CHRO_REQUEST* pick);
  void FormulaChanged();
  void Clear();
  void Plot();
  void ShowFileAndScans();
  void ShowFormula();
  void EnablePlot();
  void DropSource();
  // The file and scans of the owner's spectra, when both agree.
  void FindInitialSource();

  HWND m_owner = nullptr;
  CDataReviewManager* m_manager;
  int16_t m_index;
  char m_path[260] = {}, m_secondPath[260] = {}, m_thirdPath[260] = {};
  STRUCT_CHAN_LIST m_chanList{};
  STRUCT_SCAN_FUN_ARRAY* m_scanFuns = nullptr;
  int16_t m_sourceKind = 1;
  int16_t m_spectrumIndex = 0;
  STRUCT_WORK_FILE* m_workFile = nullptr;
  int m_decimals = 1;
  STRUCT_MASS_LIST m_massList{};
  bool m_hasIons = false;
  bool m_busy = false;
  kelt::dlg::DialogHelp m_help{145};
};
