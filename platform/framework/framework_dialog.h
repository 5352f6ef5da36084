#pragma once
// The framework's dialog: modal runs from a template of the resource
// modules (the extension modules' resources, in the order they were
// added) or from an in-memory template, and modeless dialogs.
#include "framework_wnd.h"
#include "win/win_resources.h"

class FRAMEWORK_CLASS CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  CDialog();
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  explicit CDialog(LPCSTR templateName, CWnd* parent = nullptr);
  ~CDialog() override;

  // Modal from a template already loaded (copied here).
  BOOL InitModalIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent = nullptr);
  virtual INT_PTR DoModal();

  // Modeless.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  virtual BOOL Create(LPCSTR templateName, CWnd* parent = nullptr);
  virtual BOOL CreateIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent = nullptr);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  win::resources::ResourceName m_template;
  DLGTEMPLATE* m_pIndirect = nullptr;
  CWnd* m_pParentWnd = nullptr;
  bool m_bModal = false;
  UINT m_nIDHelp = 0;

  void HandleOK() { OnOK(); }
  void HandleCancel() { OnCancel(); }
  DECLARE_MESSAGE_MAP()

 private:
  const DLGTEMPLATE* FindTemplate(HINSTANCE* module) const;
  HWND OwnerWindow() const;
};
