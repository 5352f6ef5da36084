#pragma once
// CEditSpectrumDlg: the modal "Edit Spectrum" dialog. It edits a private
// copy of a spectrum record (the pairs and the descriptive fields), shown
// live in a spectrum control of its own; "Save" hands the copy to the
// caller, Cancel and Escape drop it.
#include <cstdint>
#include <vector>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "spectra/spectrum_record.h"

#define EDIT_SPECTRUM_DIALOG 350
#define ESD_NAME_LABEL 3750
#define ESD_NAME 3751
#define ESD_COMMENT_LABEL 3752
#define ESD_COMMENT 3753
#define ESD_FORMULA_LABEL 3754
#define ESD_FORMULA 3755
#define ESD_CAS_LABEL 3756
#define ESD_CAS 3757
#define ESD_BASE_PEAK_LABEL 3758
#define ESD_BASE_PEAK 3759
#define ESD_RANGE_LABEL 3760
#define ESD_RANGE_LOW 3761
#define ESD_RANGE_HIGH 3762
#define ESD_SPECTRUM 3763
#define ESD_ORDER_ION 3764
#define ESD_ORDER_INTENSITY 3765
#define ESD_LIST 3766
#define ESD_PEAK_COUNT 3768
#define ESD_ADD 3769
#define ESD_DELETE 3770
#define ESD_KEEP_TOP 3771
#define ESD_KEEP_TOP_COUNT 3772
#define ESD_KEEP_ABOVE 3773
#define ESD_KEEP_ABOVE_INTENSITY 3774
#define ESD_SCALE 3775
#define ESD_SCALE_TO 3776
#define ESD_RESET 3777
#define ESD_SAVE 3778
#define ESD_WEIGHT_LABEL 3779
#define ESD_WEIGHT 3780
#define ESD_ION 3781
#define ESD_INTENSITY 3782
#define ESD_HELP 3000
// Bytes of the preference block a caller may lay over the control's
// title settings.
#define ESD_OVERRIDE_SIZE 104

#pragma pack(push, 1)
// "EditSptHeader" / "Params" in the preference ini.
struct STRUCT_EDITSPT_SETTINGS {
  uint32_t scaleTo;
  uint32_t keepAbove;
  uint32_t keepTop;
  uint16_t orderByIon;
  uint8_t reserved[2];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_EDITSPT_SETTINGS) == 16);

class KELT_CLASS CEditSpectrumDlg : public CDialog {
 public:
  explicit CEditSpectrumDlg(CWnd* parent = nullptr);
  ~CEditSpectrumDlg() override;

  BOOL OnInitDialog() override;
  // The dialog's OK id is its "Cancel" button: Enter moves on to the next
  // field, the button itself cancels.
  void OnOK() override;
  void OnCancel() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // The edited spectrum after "Save" (the caller owns it), else null.
  STRUCT_SPT_PLUS* TakeResult();

  // Set by the caller before the run.
  const STRUCT_SPT_PLUS* m_source = nullptr;
  uint16_t m_overrideFlag = 0;
  uint8_t m_override[ESD_OVERRIDE_SIZE] = {};

  STRUCT_SPT_PLUS* m_work = nullptr;
  HWND m_spectrumWnd = nullptr;
  HFONT m_listFont = nullptr;
  uint16_t m_orderByIon = 0;
  double m_ion = -1.0;
  uint32_t m_intensity = 0xFFFFFFFFu;
  uint32_t m_keepTop = 50;
  uint32_t m_keepAbove = 10000;
  uint32_t m_scaleTo = 100000;
  char m_listMassFormat[20] = {};
  char m_massFormat[16] = {};

 private:
  bool StartFromSource();
  void ShowSpectrum(bool clearFirst);
  void FillList(int selection);
  void ShowSelectedPair();
  void ShowPairFields();
  void FillFields();
  void SetPeakCount();
  void CheckBasePeak(bool asking);
  void RebuildTitles(bool onSave);
  void UpdateAddButton(bool ionKnown, bool intensityKnown);
  void AddOrReplace();
  void DeleteSelected();
  void KeepTop();
  void KeepAbove();
  void Scale();
  void AfterPairEdit(bool askBasePeak);
  void OnKillField(int id);
  bool IntegerPairs() const;
  void ReadSettings();
  void WriteSettings();

  bool m_saved = false;
  bool m_closed = false;
  std::vector<int> m_lineToPair;  // list line -> pair index (mass order)
};

// Runs the dialog on a copy of spectrum (0: an empty list spectrum); the
// edited spectrum on "Save" (the caller frees it with PlusSpt_Free), else 0.
KELT_API STRUCT_SPT_PLUS* Dlg_EditSpectrum(const STRUCT_SPT_PLUS* spectrum);
// As Dlg_EditSpectrum, the spectrum control showing it with the caller's
// 104-byte title settings (prefsBlock) in place of its own.
KELT_API STRUCT_SPT_PLUS* Dlg_EditSpectrumEx(const STRUCT_SPT_PLUS* spectrum, const void* prefsBlock);
