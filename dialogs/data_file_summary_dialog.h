#pragma once
// The short "Data File Information" dialog: a few lines about one opened
// data file and, for centroid MS data, its quantitation results counted by
// outcome. Closed with Escape or the close box.
#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"

struct STRUCT_WORK_FILE;

#define DATA_FILE_SUMMARY_DIALOG 289

class KELT_CLASS CShowDataFileInfoDlg : public CDialog {
 public:
  CShowDataFileInfoDlg() = default;
  STRUCT_WORK_FILE* m_pWorkFile = nullptr;
  bool Prepare(CWnd* parent);

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  kelt::dlg::DialogHelp m_help{0};
};

KELT_API void Dlg_ShowDataFileInfo(STRUCT_WORK_FILE* workFile);
