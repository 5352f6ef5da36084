#pragma once
// The data-type dialog (RIC, an ion formula, base-peak traces or one of the
// data file's extra data types) and the channel-formula dialog (merged scan
// channels or a typed list of channels), both with live status lines.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/work_file.h"
#include "dialogs/dialog_frame.h"
#include "quorna/quorna.h"

#define DATA_TYPE_DIALOG_ID 300
#define IDC_DT_FIRST_TYPE 3010  // radio of data type code n: 3010 + n (0..23)
#define DATA_TYPE_CODES 24
#define IDC_DT_FORMULA 3040
#define IDC_DT_CANONICAL 3041
#define IDC_DT_STATUS 3042
#define IDC_DT_RANGE_LINE 3043
#define IDC_DT_SHOW_FORMAT 3044
#define IDC_DT_FORMAT_GROUP 3045
#define IDC_DT_EXAMPLE_FIRST 3050

#define CHAN_FORMULA_DIALOG_ID 306
#define IDC_CF_TITLE 3061
#define IDC_CF_COUNT 3062
#define IDC_CF_MERGED 3063
#define IDC_CF_SELECTED 3064
#define IDC_CF_FORMULA 3065
#define IDC_CF_CHANNELS 3066
#define IDC_CF_STATUS 3067
#define IDC_CF_SHOW_FORMAT 3068
#define IDC_CF_FORMAT_GROUP 3069

class KELT_CLASS CDataTypeDlg : public CDialog {
 public:
  CDataTypeDlg() = default;
  STRUCT_MASS_LIST m_list{};
  int16_t m_code = 0;
  const STRUCT_WORK_FILE* m_workFile = nullptr;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ApplyCode(int16_t code);
  void UpdateStatus();
  void ShowFormat(bool show);

  kelt::dlg::DialogHelp m_help{143};
  int m_decimals = 1;
  double m_lowest = 10.0, m_highest = 2000.0, m_window = 0.5;
  int m_fullHeight = 0, m_shortHeight = 0;
  int16_t m_showFormat = 0;
  bool m_filling = false;
};

class KELT_CLASS CChanFormulaDlg : public CDialog {
 public:
  CChanFormulaDlg() = default;
  STRUCT_CHAN_LIST m_list{};
  const STRUCT_WORK_FILE* m_workFile = nullptr;
  int16_t m_mode = 0;
  double m_value = 0;

  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Check();
  void RecheckOk();
  void ShowFormat(bool show);

  kelt::dlg::DialogHelp m_help{144};
  int m_channels = 255;
  int m_fullHeight = 0, m_shortHeight = 0;
  int16_t m_showFormat = 0;
  bool m_valid = false;
};

namespace kelt::dlg {
// Status of a channel formula for channelCount channels: 0 "Invalid Channel
// Formula" ... 5 "Valid Channel Formula"; the text goes to status (at least
// 32 bytes) when given.
KELT_CLASS int ChannelFormulaStatus(const char* text, int channelCount, char* status);
}  // namespace kelt::dlg

// 1 on OK (the list and the data type replaced), 0 on Cancel or without a work file.
KELT_API int32_t Dlg_EditDataType(STRUCT_MASS_LIST* list, int16_t* dataType, const STRUCT_WORK_FILE* workFile);
// 1 on OK (the list replaced). Modes: 0 and 2 the whole file, 1 the segment
// holding the time value (minutes), 3 the segment of index value.
KELT_API int32_t Dlg_EditChanFormula(const STRUCT_WORK_FILE* workFile, STRUCT_CHAN_LIST* list);
KELT_API int32_t Dlg_EditChanFormulaEx(const STRUCT_WORK_FILE* workFile, STRUCT_CHAN_LIST* list, int16_t mode,
                                       double value);
