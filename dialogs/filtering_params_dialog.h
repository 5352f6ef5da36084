#pragma once
// "Edit Filtering Parameters": how a plot control smooths and despikes its
// traces and which of raw and filtered data it plots. Every change is sent
// to the control at once, so that its plots show it while the dialog is open.
#include <cstdint>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"

#define FILTERING_DIALOG_ID 320
#define FP_RAW_ONLY 3201  // the three plot buttons in order
#define FP_FILTERED_ONLY 3202
#define FP_OVERLAID 3203
#define FP_SMOOTH 3204
#define FP_POINTS 3205
#define FP_MEAN 3206
#define FP_SAVITSKY_GOLAY 3207
#define FP_SPIKES 3208
#define FP_THRESHOLD 3209
// To the control after every change: wParam 0, lParam the working record.
#define FP_PREVIEW_MESSAGE (WM_USER + 523)

// The filtering record: plot (0 raw only, 1 filtered only, 2 both),
// smoothing on, points (1..5 for 3..11), method (0 mean, 1 Savitsky-Golay),
// spike removal on, spike threshold factor (2..20).
#define TRANSIENT_FILTER_VALUES 6

// What is wrong with a filtering record's values (0 when they are usable),
// for the message that names it.
KELT_API const char* KELT_CheckTransientFilter(const int16_t* filter);

class KELT_CLASS CFilteringParamsDlg : public CDialog {
 public:
  // filter: the caller's record, written on OK; control: told of each change.
  CFilteringParamsDlg(int16_t* filter, CWnd* control);
  INT_PTR DoModal() override;
  int16_t m_working[TRANSIENT_FILTER_VALUES] = {};

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void Show();
  void Changed();
  int16_t* m_filter;
  CWnd* m_control;
};
