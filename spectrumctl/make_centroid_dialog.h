#pragma once
// CMakeCentroidDlg: the modeless "Make Centroid Spectrum" window of a
// spectrum control. It edits the centroid parameters of spectrum A or B
// within the limits of the data, asks the control for a centroid spectrum
// (SPTM_MAKECENTROIDSPECTRUM) or converts the whole data file, and tells
// the control when it closes (SPTM_CLOSEDCENTROIDDIALOG). It deletes itself.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "quorna/centroid_limits.h"
#include "quorna/quorna.h"

#define MAKE_CENTROID_DIALOG 308
#define MCD_RESET 5500
#define MCD_MAKE_FILE 5501
#define MCD_MAKE_SPECTRUM 5502
#define MCD_CHARGE 5508
#define MCD_CHARGE_LABEL 5509
#define MCD_SMOOTH 5519
#define MCD_SMOOTH_LABEL 5520
#define MCD_THRESHOLD 5522
#define MCD_THRESHOLD_LABEL 5523
#define MCD_SEARCH 5524
#define MCD_SEARCH_LABEL 5525
#define MCD_CENTROID 5526
#define MCD_CENTROID_LABEL 5527
#define MCD_FORCED_APEX 5528
#define MCD_FORCED_PERCENT 5529
#define MCD_FORCED_PERCENT_LABEL 5530
#define MCD_GROUP 5531
#define MCD_NORMALIZE 5534
#define MCD_HELP 3000
#define MCD_TIMER_CONVERT 90
// Sent to the dialog with a new set-up record (lParam).
#define MCD_NEWSETUP (WM_USER + 44)

#pragma pack(push, 1)
// The set-up record the control hands the dialog; the dialog keeps a copy.
struct STRUCT_CCSPT_CENTROID_SETUP {
  char dataFile[260];
  uint16_t dataKind;        // nonzero: usable; passed to the limits
  uint16_t identity;
  uint16_t conversionMode;  // passed to the file conversion
  MS_CENTROID_PARAMS params;
  uint16_t requestWord;     // passed on with every request
  uint32_t requestValue;
  double peakWidth;         // the two values the limits follow from;
  double pointSpacing;      // the first also goes to the file conversion
  uint16_t index;           // 0 spectrum A, else B
  int32_t verticalOffset;   // of the window below the control's top
  char label[12];
  uint8_t reserved[62348];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_CCSPT_CENTROID_SETUP) == 62728);
static_assert(offsetof(STRUCT_CCSPT_CENTROID_SETUP, params) == 266);

class KELT_CLASS CMakeCentroidDlg : public CDialog {
 public:
  // Copies setup; Create makes the window.
  CMakeCentroidDlg(CWnd* control, const STRUCT_CCSPT_CENTROID_SETUP* setup);
  ~CMakeCentroidDlg() override;
  BOOL Create();

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // The odd smoothing widths offered for a maximum: 3, then 5, 7, ... up to it.
  static int SmoothingChoices(int maximum, uint16_t* values, int capacity);

  STRUCT_CCSPT_CENTROID_SETUP* m_setup = nullptr;  // the record held (AllocBlock)
  MS_CENTROID_PARAMS m_work{};
  MS_CENTROID_LIMITS m_limits{};
  CWnd* m_control = nullptr;
  HWND m_controlWnd = nullptr;
  char m_output[260] = {};
  uint8_t* m_smoothList = nullptr;  // 52-byte entries: u16 value, its text
  uint16_t m_smoothCount = 0;

 private:
  void ComputeLimits();
  void FillControls();
  void Place();
  bool Consistent();
  void ReadShort(int id, int low, int high, const char* name, uint16_t* value);
  void CommitFields();
  void Convert();
  const char* Caption() const;
  char m_caption[64] = {};
};

// The library-wide normalize flag of the centroid dialogs (1 at load).
KELT_CLASS uint16_t& CentroidNormalizeFlag();

// Opens the dialog for a control; null when it cannot be made.
KELT_CLASS CMakeCentroidDlg* OpenMakeCentroidDialog(CWnd* control, const STRUCT_CCSPT_CENTROID_SETUP* setup);

class CCtlSpt;
// Opens the dialog for profile spectrum A (slot 0) or B of a control, unless
// one is open, and keeps it in the control; parameters start from the
// control's profile preferences, the limits from the spacing of the
// profile points. False when nothing was opened.
KELT_CLASS bool OpenCentroidDialogOf(CCtlSpt* control, short slot);
