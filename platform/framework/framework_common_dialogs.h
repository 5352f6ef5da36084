#pragma once
// The framework's common dialogs. CFileDialog runs the explorer-style open
// or save dialog with itself as the hook dialog, so that overrides
// (OnTypeChange, OnFileNameOK ...) see the dialog's notifications.
#include <string>

#include "framework_dialog.h"
#include "win/win_commdlg.h"

class FRAMEWORK_CLASS CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  // filter: "Text|*.TXT|All|*.*|" with "|" between the parts.
  CFileDialog(BOOL openFileDialog, LPCSTR defExt = nullptr, LPCSTR fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr, CWnd* parent = nullptr);
  ~CFileDialog() override;
  OPENFILENAMEA m_ofn{};
  INT_PTR DoModal() override;

  std::string GetPathName() const;
  std::string GetFileName() const;
  std::string GetFileExt() const;
  std::string GetFileTitle() const;
  std::string GetFolderPath() const;
  // The dialog window the standard controls are in.
  CWnd* GetParent() const;
  void SetControlText(int id, LPCSTR text);
  void HideControl(int id);
  void SetDefExt(LPCSTR ext);

  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  virtual void OnInitDone();
  virtual void OnFileNameChange();
  virtual void OnFolderChange();
  virtual void OnTypeChange();
  // TRUE refuses the name and keeps the dialog open.
  virtual BOOL OnFileNameOK();
  BOOL m_bOpenFileDialog;
  char m_szFileName[MAX_PATH] = {};
  char m_szFileTitle[MAX_PATH] = {};
  std::string m_strFilter;
  std::string m_strDefExt;
  friend UINT_PTR CALLBACK FrameworkFileHook(HWND, UINT, WPARAM, LPARAM);
};

class FRAMEWORK_CLASS CColorDialog : public CDialog {
  DECLARE_DYNAMIC(CColorDialog)
 public:
  explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
  CHOOSECOLORA m_cc{};
  INT_PTR DoModal() override;
  COLORREF GetColor() const { return m_cc.rgbResult; }
  // The custom colours kept for the process.
  static COLORREF* GetSavedCustomColors();
};

class FRAMEWORK_CLASS CFontDialog : public CDialog {
  DECLARE_DYNAMIC(CFontDialog)
 public:
  explicit CFontDialog(const LOGFONTA* initial = nullptr, DWORD flags = CF_EFFECTS | CF_SCREENFONTS,
                       HDC printer = nullptr, CWnd* parent = nullptr);
  CHOOSEFONTA m_cf{};
  LOGFONTA m_lf{};
  INT_PTR DoModal() override;
  void GetCurrentFont(LOGFONTA* lf) const { *lf = m_lf; }
  std::string GetFaceName() const;
  int GetSize() const { return m_cf.iPointSize; }
  COLORREF GetColor() const { return m_cf.rgbColors; }
  BOOL IsBold() const { return m_lf.lfWeight >= FW_SEMIBOLD; }
  BOOL IsItalic() const { return m_lf.lfItalic != 0; }
  BOOL IsUnderline() const { return m_lf.lfUnderline != 0; }
  BOOL IsStrikeOut() const { return m_lf.lfStrikeOut != 0; }
};
