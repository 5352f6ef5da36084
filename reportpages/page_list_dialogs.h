#pragma once
// Jumping to a page of a reports file from a list of its pages ("View All
// Pages of Report File") or of the first pages of its reports ("View First
// Pages of Report File"). The lists hold no items: each cell's text is
// read from the page directory when the list asks for it.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "reportpages/reports_file.h"
#include "win/win_types.h"

#define VIEW_ALL_PAGES_DIALOG 252
#define VIEW_FIRST_PAGES_DIALOG 256
#define IDC_ALL_PAGES_LIST 4900
#define IDC_ALL_PAGES_STATUS 4901
#define IDC_FIRST_PAGES_LIST 4920
#define IDC_FIRST_PAGES_STATUS 4921

class KELT_CLASS CViewAllPagesDlg : public CDialog {
 public:
  explicit CViewAllPagesDlg(CWnd* parent = nullptr);
  ~CViewAllPagesDlg() override;
  CRptsFileHandler* m_File = nullptr;
  int32_t m_PageIndex = 0;  // in: the page to select; out: the chosen page
  char* m_Text = nullptr;   // 100 bytes
  RptsPageRecord* m_Record = nullptr;
  int32_t m_PageCount = 0;

 protected:
  CViewAllPagesDlg(UINT templateId, CWnd* parent, int listId, int statusId, uint32_t helpContext);
  BOOL OnInitDialog() override;
  // The page a row shows, -1 for none.
  virtual int32_t PageOfRow(int32_t row) const { return row; }
  virtual void Selected(int32_t row) { m_PageIndex = row; }
  virtual int32_t RowCount() const { return m_PageCount; }
  bool SetUpList();
  void ShowRow(int32_t row);
  void OnGetDispInfo(NMHDR*, LRESULT*);
  void OnItemChanged(NMHDR*, LRESULT*);
  void OnHelp();
  LRESULT OnContextMenu(WPARAM, LPARAM);
  void OnWhatsThis();
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void ReleaseRecord();
  void FreeAll();
  int m_ListId, m_StatusId;
  uint32_t m_HelpContext;
  DECLARE_MESSAGE_MAP()

 private:
  POINT m_MenuPoint{0, 0};
};

class KELT_CLASS CViewFirstPagesDlg : public CViewAllPagesDlg {
 public:
  explicit CViewFirstPagesDlg(CWnd* parent = nullptr);
  ~CViewFirstPagesDlg() override;
  int32_t m_SelectedRow = 0;
  int32_t m_ReportCount = 0;
  int32_t* m_FirstPages = nullptr;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  int32_t PageOfRow(int32_t row) const override;
  void Selected(int32_t row) override { m_SelectedRow = row; }
  int32_t RowCount() const override { return m_ReportCount; }
};

// 1 when the user closed the dialog with OK; the page it then holds goes
// to page out. 0 otherwise (and for a file the dialog cannot list).
KELT_API int Dlg_ViewReportsFile(CRptsFileHandler* file, int32_t page, int32_t* pageOut);
KELT_API int Dlg_ViewFirstPages(CRptsFileHandler* file, int32_t page, int32_t* pageOut);
