#pragma once
// The fixed m/z range dialog: a low and a high ion, each checked when its
// field is left, shown in the mass format of the spectra it applies to.
#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "spectra/spectrum_record.h"

#define FIXED_RANGE_DIALOG_ID 307
#define IDC_FR_LOW 3071
#define IDC_FR_HIGH 3072

class KELT_CLASS CFixedRangeDlg : public CDialog {
 public:
  // Either spectrum may be absent; the ions are read and written in place.
  CFixedRangeDlg(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b);
  double m_low = 10.0, m_high = 8000.0;
  char m_format[16] = "%f";

  // Prepares the library's template; false when it cannot.
  bool Prepare(CWnd* parent);
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  const STRUCT_SPT_PLUS* m_a;
  const STRUCT_SPT_PLUS* m_b;
  kelt::dlg::DialogHelp m_help{140};
};
