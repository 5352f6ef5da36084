#pragma once
// The plot controls' integration and filtering dialogs: the modeless
// "Edit Integration Parameters" window of one plot or of all plots, and the
// modal editor of a control's transient filter.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "plotengine/overlay.h"

#define QUICK_INTEGRATION_DIALOG_ID 341
#define QUICK_INTEGRATION_PLOTS_ID 1101
#define QUICK_INTEGRATION_FILTER_ID 1102
#define FILTERING_DIALOG_ID 342
#define FILTERING_FIRST_FIELD_ID 1201  // six fields, the filter's values in order

// The number of values of a transient filter (the kind first, 0 no filter)
// and the bytes of the integration settings the controls hand over.
#define TRANSIENT_FILTER_VALUES 6
#define QUICK_INTEGRATION_SETTINGS_SIZE 94
// WM_USER+23 to an open dialog: a 108-byte record of the filtering flag,
// the six filter values and the integration settings.
#define QUICK_INTEGRATION_UPDATE (WM_USER + 23)

// What is wrong with a filter's values (0 when they are usable), for the
// message that names it.
KELT_API const char* KELT_CheckTransientFilter(const int16_t* filter);

class KELT_CLASS CQuickIntegrationDlg : public CDialog {
 public:
  // slot 0-19, or 20 for every plot whose data files share the header code.
  // The dialog sends closeMessage with its slot to the owner as its window
  // goes, however it is closed.
  CQuickIntegrationDlg(CWnd* parent, short slot, SVW_OVERLAY* overlay, CWnd* owner, int16_t headerCode,
                       SVW_OVERLAY* dataOverlay, int16_t filterFlag, const int16_t* filter, const void* settings,
                       UINT closeMessage, short option);
  // Makes the modeless window; FALSE when it cannot be made (the object is
  // then the caller's to delete). Afterwards the window deletes the object.
  BOOL CreateWindowed();

  short m_slot;
  short m_option;
  int16_t m_headerCode;
  int16_t m_filterFlag;
  int16_t m_filter[TRANSIENT_FILTER_VALUES] = {};
  uint8_t m_settings[QUICK_INTEGRATION_SETTINGS_SIZE] = {};

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;
  void OnDestroy();
  LRESULT OnUpdateSettings(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void ShowTexts();
  SVW_OVERLAY* m_pOverlay;
  HWND m_owner;
  UINT m_closeMessage;
};

// Edits the filter (six values) in place; IDOK (1) when accepted. Values
// out of range are named in a message and the dialog stays open.
class KELT_CLASS CFilteringParamsDlg {
 public:
  CFilteringParamsDlg(int16_t* filter, CWnd* control) : m_filter(filter), m_control(control) {}
  int DoModal();

 private:
  int16_t* m_filter;
  CWnd* m_control;
};
