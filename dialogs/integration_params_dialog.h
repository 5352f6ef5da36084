#pragma once
// "Edit Integration Parameters" as a modal dialog: the four peak-detection
// parameters and the lock flag of one detector, kept per detector in
// "tolview3.ini".
#include <cstdint>

#include "common/kelt_export.h"
#include "common/work_file.h"
#include "dialogs/dialog_frame.h"

#define INTEGRATION_PARAMS_DIALOG_ID 380
#define IP_WIDTH 3801
#define IP_SLOPE 3802
#define IP_TANGENT 3803
#define IP_REJECT 3804
#define IP_LOCK 3805
#define IP_SAVE 3806
#define IP_LOAD 3807

class KELT_CLASS CIntegrationParamsDlg : public CDialog {
 public:
  explicit CIntegrationParamsDlg(const STRUCT_WORK_FILE* workFile, CWnd* parent = nullptr);
  const STRUCT_WORK_FILE* m_pWorkFile;
  uint16_t m_widthTenths = 40, m_slope = 20, m_tangent = 10;
  double m_reject = 2000.0;
  int16_t m_lock = 0;

  bool Prepare(CWnd* parent);
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Defaults of the detector, then its stored record over them.
  void LoadStored();
  bool SaveStored() const;

 private:
  void Fill();
  void KillField(int id);
  kelt::dlg::DialogHelp m_help{200};
};

// 1 after OK with the five values written; 0 after Cancel or without a
// work file. The values start from the detector's stored record.
KELT_API int32_t Dlg_EditIntegrationParams(const STRUCT_WORK_FILE* workFile, uint16_t* widthTenths, uint16_t* slope,
                                           uint16_t* tangent, double* reject, int16_t* lock);
