// CDialog: modal and modeless runs of dialog templates through the window
// stand-in's dialog manager.
#include <memory>

#include "framework_dialog.h"
#include "framework_module.h"
#include "win/win_kernel.h"

void FrameworkBeginCreate(CWnd* w);
void FrameworkEndCreate(CWnd* w);

namespace {

// The dialog manager calls this for WM_INITDIALOG and the like only until
// the window is subclassed; the framework's window procedure handles the rest.
INT_PTR CALLBACK FrameworkDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Set while a dialog window is being created, so that the creation hook
// attaches it to its object (wnd.cpp).
struct CreatingScope {
  explicit CreatingScope(CWnd* w) { FrameworkBeginCreate(w); }
  ~CreatingScope() { FrameworkEndCreate(nullptr); }
};

}  // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, HandleOK)
ON_COMMAND(IDCANCEL, HandleCancel)
END_MESSAGE_MAP()

CDialog::CDialog() = default;
CDialog::CDialog(UINT templateId, CWnd* parent) : m_template(static_cast<int>(templateId)), m_pParentWnd(parent) {}
CDialog::CDialog(LPCSTR templateName, CWnd* parent) : m_template(templateName), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  delete m_pIndirect;
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) ::DestroyWindow(m_hWnd);
}

BOOL CDialog::InitModalIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent) {
  if (!dlgTemplate) return FALSE;
  delete m_pIndirect;
  m_pIndirect = new DLGTEMPLATE(*dlgTemplate);
  m_pParentWnd = parent;
  return TRUE;
}

const DLGTEMPLATE* CDialog::FindTemplate(HINSTANCE* module) const {
  if (m_pIndirect) {
    *module = FrameworkGetResourceHandle();
    return m_pIndirect;
  }
  HMODULE first = FrameworkGetResourceHandle();
  if (auto* t = win::resources::FindDialog(first, m_template)) {
    *module = first;
    return t;
  }
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i) {
    HMODULE m = FrameworkResourceModule(i);
    if (auto* t = win::resources::FindDialog(m, m_template)) {
      *module = m;
      return t;
    }
  }
  return nullptr;
}

HWND CDialog::OwnerWindow() const {
  if (m_pParentWnd && ::IsWindow(m_pParentWnd->m_hWnd)) return m_pParentWnd->m_hWnd;
  return GetActiveWindow();
}

INT_PTR CDialog::DoModal() {
  if (m_hWnd) return -1;
  HINSTANCE module = nullptr;
  const DLGTEMPLATE* t = FindTemplate(&module);
  if (!t) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  DLGTEMPLATE copy = *t;
  m_bModal = true;
  INT_PTR r;
  {
    CreatingScope scope(this);
    r = DialogBoxIndirectParamA(module, &copy, OwnerWindow(), FrameworkDlgProc, 0);
  }
  m_bModal = false;
  if (m_hWnd) Detach();
  return r;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_template = win::resources::ResourceName(static_cast<int>(templateId));
  m_pParentWnd = parent;
  HINSTANCE module = nullptr;
  const DLGTEMPLATE* t = FindTemplate(&module);
  if (!t) return FALSE;
  DLGTEMPLATE copy = *t;
  return CreateIndirect(&copy, parent);
}

BOOL CDialog::Create(LPCSTR templateName, CWnd* parent) {
  m_template = win::resources::ResourceName(templateName);
  m_pParentWnd = parent;
  HINSTANCE module = nullptr;
  const DLGTEMPLATE* t = FindTemplate(&module);
  if (!t) return FALSE;
  DLGTEMPLATE copy = *t;
  return CreateIndirect(&copy, parent);
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent) {
  if (m_hWnd || !dlgTemplate) return FALSE;
  m_pParentWnd = parent;
  m_bModal = false;
  HWND h;
  {
    CreatingScope scope(this);
    h = CreateDialogIndirectParamA(FrameworkGetResourceHandle(), dlgTemplate, parent ? parent->m_hWnd : nullptr,
                                   FrameworkDlgProc, 0);
  }
  return h ? TRUE : FALSE;
}

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
  if (m_hWnd) ::EndDialog(m_hWnd, result);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) return OnInitDialog();
  return CWnd::WindowProc(msg, wParam, lParam);
}

// Modeless dialogs get the dialog manager's keys here; modal ones get them
// from their modal loop.
BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (m_bModal || !msg || !m_hWnd) return FALSE;
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return FALSE;
  return IsDialogMessageA(m_hWnd, msg);
}
