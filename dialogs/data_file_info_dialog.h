#pragma once
// The data-file information dialog: one opened MS data file's acquisition
// and results summary beside a browser of its logs; the other data files
// of its folder can be stepped through, the section shown printed or
// exported as text, and the whole log printed.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/log_section_browser.h"

struct STRUCT_WORK_FILE;

#define DATA_FILE_INFO_DIALOG 330
#define IDC_DFI_FILE 6100
#define IDC_DFI_DATE 6102
#define IDC_DFI_INJ_METHOD 6104
#define IDC_DFI_INJ_DATE 6106
#define IDC_DFI_CALC_METHOD 6108
#define IDC_DFI_CALC_DATE 6110
#define IDC_DFI_MODULE_TYPE 6113
#define IDC_DFI_MODULE_ADDRESS 6115
#define IDC_DFI_ACQ_TIME 6117
#define IDC_DFI_MASS_TYPE 6119
#define IDC_DFI_SCANS 6121
#define IDC_DFI_RT_RANGE 6123
#define IDC_DFI_OPERATOR 6125
#define IDC_DFI_SEGMENTS 6127
#define IDC_DFI_MAX_RIC_SCAN 6129
#define IDC_DFI_MAX_RIC 6131
#define IDC_DFI_IDENTIFIED 6134
#define IDC_DFI_TENTATIVE 6136
#define IDC_DFI_MISSING 6138
#define IDC_DFI_UNKNOWN 6140
#define IDC_DFI_FAILED 6142
#define IDC_DFI_DUPLICATE 6144
#define IDC_DFI_TREE 6147
#define IDC_DFI_PRINT 6148
#define IDC_DFI_EXPORT 6149
#define IDC_DFI_TEXT 6150
#define IDC_DFI_PRINT_ALL 6151
#define IDC_DFI_TREE_PLACE 6152
#define IDC_DFI_STATUS 6153
#define IDC_DFI_NEXT 6154
#define IDC_DFI_PREVIOUS 6155
#define IDC_DFI_FOLDER_LIST 3004

class KELT_CLASS CDataFileInfoDlg : public CDialog {
 public:
  CDataFileInfoDlg();
  ~CDataFileInfoDlg() override;

  // Set by the caller before the dialog runs.
  STRUCT_WORK_FILE* m_pGivenWorkFile = nullptr;
  char m_GivenPath[260] = {};
  int16_t m_FirstSegment = 0;

  bool Prepare(CWnd* parent);
  // State for hosts and tests.
  STRUCT_WORK_FILE* CurrentWorkFile() const { return m_pWorkFile; }
  int16_t FileCount() const { return m_FileCount; }
  int16_t CurrentIndex() const { return m_CurrentIndex; }
  kelt::dlg::CLogSectionBrowser& Browser() { return m_browser; }
  // The lines of the text list, as printed and exported.
  std::vector<std::string> TextLines() const;
  // Writes the text list as the "-LOG" text file (no dialog); true when
  // done.
  bool ExportTo(const char* path) const;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void FillFolderList();
  void Fill();
  void Move(int direction);
  void ReleaseFile();
  void UpdateButtons();
  void OnPrint();
  void OnExport();
  void OnPrintAll();
  void PrintLines(const std::vector<std::string>& lines, const char* title);
  void OnSizeChanged();

  STRUCT_WORK_FILE* m_pWorkFile = nullptr;
  int16_t m_OwnsCurrent = 0;
  char m_CurrentPath[260] = {};
  char m_Folder[260] = {};
  int16_t m_FileCount = 0;
  int16_t m_CurrentIndex = 0;
  int16_t m_StartIndex = 0;
  HWND m_FolderList = nullptr;
  HWND m_Tree = nullptr;
  HFONT m_ListFont = nullptr;
  RECT m_InitialClient{}, m_LastClient{};
  int m_InitialWidth = 0, m_InitialHeight = 0;
  int16_t m_Sized = 0;
  kelt::dlg::CLogSectionBrowser m_browser;
  kelt::dlg::DialogHelp m_help{130};
};

// The dialog on an opened MS data file (old-format, centroid or profile);
// other files are ignored.
KELT_API void Dlg_DataFileInfo(STRUCT_WORK_FILE* workFile);
