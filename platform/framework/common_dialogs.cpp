// CFileDialog, CColorDialog and CFontDialog over the stand-in's common dialogs.
#include <cstring>

#include "framework_common_dialogs.h"
#include "framework_module.h"

namespace {
CWnd* Owner(CWnd* parent) { return parent && ::IsWindow(parent->m_hWnd) ? parent : nullptr; }
}  // namespace

// The hook of the framework's file dialogs: attaches the hook window to its
// object; the framework's window procedure does the rest.
UINT_PTR CALLBACK FrameworkFileHook(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return FALSE;
  auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lParam);
  auto* dlg = ofn ? reinterpret_cast<CFileDialog*>(ofn->lCustData) : nullptr;
  if (!dlg || dlg->m_hWnd) return FALSE;
  dlg->SubclassWindow(hwnd);
  return static_cast<UINT_PTR>(dlg->OnInitDialog());
}

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : m_bOpenFileDialog(openFileDialog) {
  m_pParentWnd = parent;
  m_ofn.lStructSize = sizeof(OPENFILENAMEA);
  m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK;
  if (fileName) std::strncpy(m_szFileName, fileName, sizeof m_szFileName - 1);
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = sizeof m_szFileName;
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
  if (defExt) {
    m_strDefExt = defExt;
    m_ofn.lpstrDefExt = m_strDefExt.c_str();
  }
  if (filter) {
    // "|" separates the parts; the list ends with two terminators.
    m_strFilter = filter;
    for (char& c : m_strFilter)
      if (c == '|') c = '\0';
    m_strFilter.push_back('\0');
    m_strFilter.push_back('\0');
    m_ofn.lpstrFilter = m_strFilter.c_str();
  }
}

CFileDialog::~CFileDialog() = default;

INT_PTR CFileDialog::DoModal() {
  if (m_hWnd) return -1;
  m_ofn.lpfnHook = FrameworkFileHook;
  m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
  m_ofn.Flags |= OFN_ENABLEHOOK | OFN_EXPLORER;
  if ((m_ofn.Flags & OFN_ENABLETEMPLATE) && !m_ofn.hInstance)
    m_ofn.hInstance = reinterpret_cast<HINSTANCE>(FrameworkGetResourceHandle());
  if (!m_ofn.hwndOwner) m_ofn.hwndOwner = Owner(m_pParentWnd) ? m_pParentWnd->m_hWnd : GetActiveWindow();
  BOOL ok = m_bOpenFileDialog ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
  if (m_hWnd) Detach();
  if (!ok && CommDlgExtendedError()) return -1;
  return ok ? IDOK : IDCANCEL;
}

std::string CFileDialog::GetPathName() const { return m_szFileName; }

std::string CFileDialog::GetFileName() const {
  std::string p = m_szFileName;
  size_t slash = p.find_last_of('\\');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string CFileDialog::GetFileExt() const {
  std::string n = GetFileName();
  size_t dot = n.find_last_of('.');
  return dot == std::string::npos ? std::string() : n.substr(dot + 1);
}

std::string CFileDialog::GetFileTitle() const {
  std::string n = GetFileName();
  size_t dot = n.find_last_of('.');
  return dot == std::string::npos ? n : n.substr(0, dot);
}

CWnd* CFileDialog::GetParent() const { return m_hWnd ? CWnd::FromHandle(::GetParent(m_hWnd)) : nullptr; }

std::string CFileDialog::GetFolderPath() const {
  char buf[MAX_PATH] = {};
  if (m_hWnd) ::SendMessageA(::GetParent(m_hWnd), CDM_GETFOLDERPATH, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

void CFileDialog::SetControlText(int id, LPCSTR text) {
  if (m_hWnd) ::SendMessageA(::GetParent(m_hWnd), CDM_SETCONTROLTEXT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(text));
}

void CFileDialog::HideControl(int id) {
  if (m_hWnd) ::SendMessageA(::GetParent(m_hWnd), CDM_HIDECONTROL, static_cast<WPARAM>(id), 0);
}

void CFileDialog::SetDefExt(LPCSTR ext) {
  m_strDefExt = ext ? ext : "";
  m_ofn.lpstrDefExt = m_strDefExt.c_str();
  if (m_hWnd) ::SendMessageA(::GetParent(m_hWnd), CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(m_strDefExt.c_str()));
}

void CFileDialog::OnInitDone() {}
void CFileDialog::OnFileNameChange() {}
void CFileDialog::OnFolderChange() {}
void CFileDialog::OnTypeChange() {}
BOOL CFileDialog::OnFileNameOK() { return FALSE; }

BOOL CFileDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* nm = reinterpret_cast<OFNOTIFYA*>(lParam);
  if (!nm || !m_hWnd || nm->hdr.hwndFrom != ::GetParent(m_hWnd)) return CDialog::OnNotify(wParam, lParam, result);
  switch (nm->hdr.code) {
    case CDN_INITDONE: OnInitDone(); break;
    case CDN_SELCHANGE: OnFileNameChange(); break;
    case CDN_FOLDERCHANGE: OnFolderChange(); break;
    case CDN_TYPECHANGE: OnTypeChange(); break;
    case CDN_FILEOK:
      *result = OnFileNameOK() ? 1 : 0;
      if (m_hWnd) ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, *result);
      return TRUE;
    default: return CDialog::OnNotify(wParam, lParam, result);
  }
  *result = 0;
  return TRUE;
}

// CColorDialog ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CColorDialog, CDialog)

COLORREF* CColorDialog::GetSavedCustomColors() {
  static COLORREF colors[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
  return colors;
}

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) {
  m_pParentWnd = parent;
  m_cc.lStructSize = sizeof(CHOOSECOLORA);
  m_cc.rgbResult = initial;
  m_cc.Flags = flags | (initial ? CC_RGBINIT : 0);
  m_cc.lpCustColors = GetSavedCustomColors();
}

INT_PTR CColorDialog::DoModal() {
  if (!m_cc.hwndOwner) m_cc.hwndOwner = Owner(m_pParentWnd) ? m_pParentWnd->m_hWnd : GetActiveWindow();
  BOOL ok = ChooseColorA(&m_cc);
  if (!ok && CommDlgExtendedError()) return -1;
  return ok ? IDOK : IDCANCEL;
}

// CFontDialog ----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CFontDialog, CDialog)

CFontDialog::CFontDialog(const LOGFONTA* initial, DWORD flags, HDC printer, CWnd* parent) {
  m_pParentWnd = parent;
  m_cf.lStructSize = sizeof(CHOOSEFONTA);
  m_cf.Flags = flags | (initial ? CF_INITTOLOGFONTSTRUCT : 0);
  m_cf.hDC = printer;
  if (initial) m_lf = *initial;
  m_cf.lpLogFont = &m_lf;
}

INT_PTR CFontDialog::DoModal() {
  if (!m_cf.hwndOwner) m_cf.hwndOwner = Owner(m_pParentWnd) ? m_pParentWnd->m_hWnd : GetActiveWindow();
  m_cf.lpLogFont = &m_lf;
  BOOL ok = ChooseFontA(&m_cf);
  if (!ok && CommDlgExtendedError()) return -1;
  return ok ? IDOK : IDCANCEL;
}

std::string CFontDialog::GetFaceName() const {
  char name[LF_FACESIZE + 1] = {};
  std::memcpy(name, m_lf.lfFaceName, LF_FACESIZE);
  return name;
}
