#pragma once
// CSelChroPlotDlg: the modeless "Select Ions to Plot" window of a spectrum
// control. While it is open the control hands it the mass ranges the user
// picks on the spectra (WM_USER+200 with a STRUCT_CCSPT_CHRO_REQUEST); the
// window lists them, at most SELECT_IONS_MOST, and tells the control when it
// closes (WM_USER+84). It deletes itself.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"

class CDataReviewManager;

#define SELECT_IONS_DIALOG 3400
#define SELECT_IONS_LIST 3401
#define SELECT_IONS_REMOVE 3402
#define SELECT_IONS_CLEAR 3403
#define SELECT_IONS_MOST 10
#define SELECT_IONS_REQUEST (WM_USER + 200)
#define SELECT_IONS_CLOSED (WM_USER + 84)

struct SELECTED_ION_RANGE {
  char dataFile[260];
  double lowMass, highMass;
  int16_t pane;
};

class KELT_CLASS CSelChroPlotDlg : public CDialog {
 public:
  CSelChroPlotDlg(CWnd* control, CDataReviewManager* manager, int16_t index);
  BOOL Create();

  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnOK() override;
  void PostNcDestroy() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  int Count() const { return m_count; }
  const SELECTED_ION_RANGE& Range(int i) const { return m_ranges[i]; }

 private:
  // Adds a range unless the list holds it or is full; false when not added.
  bool Add(const SELECTED_ION_RANGE& range);
  void Fill();

  CWnd* m_control;
  HWND m_controlWnd;
  CDataReviewManager* m_manager;
  int16_t m_index;
  SELECTED_ION_RANGE m_ranges[SELECT_IONS_MOST] = {};
  int m_count = 0;
};

// Opens the window for a control; null when it cannot be made.
KELT_CLASS CSelChroPlotDlg* OpenSelChroPlotDialog(CWnd* control, CDataReviewManager* manager, int16_t index);
