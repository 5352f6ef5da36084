#pragma once
// Property sheets and pages. A page is a dialog shown inside its sheet; the
// sheet's notifications arrive at the page's virtual operations
// (OnSetActive, OnKillActive, OnApply, OnReset, OnQueryCancel, OnHelp).
#include <vector>

#include "framework_dialog.h"
#include "win/win_prsht.h"

class CPropertySheet;

class FRAMEWORK_CLASS CPropertyPage : public CDialog {
  DECLARE_DYNAMIC(CPropertyPage)
 public:
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  ~CPropertyPage() override;
  PROPSHEETPAGEA m_psp{};

  // TRUE accepts the activation.
  virtual BOOL OnSetActive();
  // TRUE lets the page be left (the data are valid).
  virtual BOOL OnKillActive();
  // TRUE when the changes were taken; the default calls OnOK.
  virtual BOOL OnApply();
  // Cancel: the default calls OnCancel.
  virtual void OnReset();
  // TRUE lets the sheet be cancelled.
  virtual BOOL OnQueryCancel();
  virtual void OnHelp();
  // A page's OK and Cancel do not end anything; the sheet does.
  void OnOK() override;
  void OnCancel() override;

  void SetModified(BOOL changed = TRUE);
  void CancelToClose();
  LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);
  CPropertySheet* GetSheet() const { return m_pSheet; }
  UINT GetHelpId() const { return m_nIDHelp; }

  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  std::string m_title;
  CPropertySheet* m_pSheet = nullptr;
  friend class CPropertySheet;
  friend INT_PTR CALLBACK FrameworkPageProc(HWND, UINT, WPARAM, LPARAM);
};

class FRAMEWORK_CLASS CPropertySheet : public CWnd {
  DECLARE_DYNAMIC(CPropertySheet)
 public:
  explicit CPropertySheet(LPCSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);
  explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;
  PROPSHEETHEADERA m_psh{};

  void AddPage(CPropertyPage* page);
  void RemovePage(int index);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const;
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page);
  BOOL PressButton(int button);
  void SetTitle(LPCSTR title, UINT style = 0);
  // IDOK, IDCANCEL, or -1 when the sheet could not be made.
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  // The creation step: overrides call this first; -1 fails the sheet.
  int OnCreate(CREATESTRUCTA* cs);
  std::string m_caption;
  CWnd* m_pParentWnd = nullptr;
  std::vector<CPropertyPage*> m_pages;
  UINT m_nStartPage = 0;
};
