// CPropertySheet and CPropertyPage over the window stand-in's property sheets.
#include <algorithm>

#include "framework_module.h"
#include "framework_property_sheet.h"
#include "win/win_kernel.h"

void FrameworkBeginCreate(CWnd* w);
void FrameworkEndCreate(CWnd* w);

namespace {

std::string LoadCaption(UINT id) {
  char buf[256];
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i)
    if (LoadStringA(reinterpret_cast<HINSTANCE>(FrameworkResourceModule(i)), id, buf, sizeof buf)) return buf;
  return {};
}

HINSTANCE ModuleWithTemplate(HINSTANCE first, LPCSTR name) {
  win::resources::ResourceName n(name);
  if (first && win::resources::FindDialog(first, n)) return first;
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i) {
    auto m = reinterpret_cast<HINSTANCE>(FrameworkResourceModule(i));
    if (win::resources::FindDialog(m, n)) return m;
  }
  return first;
}

}  // namespace

// A page's dialog procedure until its window is attached to its object.
INT_PTR CALLBACK FrameworkPageProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return FALSE;
  auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
  auto* page = psp ? reinterpret_cast<CPropertyPage*>(psp->lParam) : nullptr;
  if (!page || page->m_hWnd) return FALSE;
  page->SubclassWindow(hwnd);
  return page->OnInitDialog();
}

// CPropertyPage ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : CDialog(templateId) {
  m_psp.dwSize = sizeof(PROPSHEETPAGEA);
  m_psp.hInstance = reinterpret_cast<HINSTANCE>(FrameworkGetResourceHandle());
  m_psp.pszTemplate = MAKEINTRESOURCEA(templateId);
  m_nIDHelp = templateId;
  if (captionId) {
    m_title = LoadCaption(captionId);
    m_psp.pszTitle = m_title.c_str();
    m_psp.dwFlags |= PSP_USETITLE;
  }
}

CPropertyPage::~CPropertyPage() = default;

BOOL CPropertyPage::OnSetActive() { return TRUE; }
BOOL CPropertyPage::OnKillActive() { return TRUE; }
BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}
void CPropertyPage::OnReset() { OnCancel(); }
BOOL CPropertyPage::OnQueryCancel() { return TRUE; }
void CPropertyPage::OnHelp() {}
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

void CPropertyPage::SetModified(BOOL changed) {
  if (HWND sheet = m_hWnd ? ::GetParent(m_hWnd) : nullptr)
    ::SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CPropertyPage::CancelToClose() {
  if (HWND sheet = m_hWnd ? ::GetParent(m_hWnd) : nullptr) ::SendMessageA(sheet, PSM_CANCELTOCLOSE, 0, 0);
}

LRESULT CPropertyPage::QuerySiblings(WPARAM wParam, LPARAM lParam) {
  HWND sheet = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
  return sheet ? ::SendMessageA(sheet, PSM_QUERYSIBLINGS, wParam, lParam) : 0;
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* nm = reinterpret_cast<NMHDR*>(lParam);
  if (!nm || nm->hwndFrom != ::GetParent(m_hWnd)) return CDialog::OnNotify(wParam, lParam, result);
  LONG_PTR answer = 0;
  switch (nm->code) {
    case PSN_SETACTIVE: answer = OnSetActive() ? 0 : -1; break;
    case PSN_KILLACTIVE: answer = OnKillActive() ? FALSE : TRUE; break;
    case PSN_APPLY: answer = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE; break;
    case PSN_RESET: OnReset(); break;
    case PSN_QUERYCANCEL: answer = OnQueryCancel() ? FALSE : TRUE; break;
    case PSN_HELP: OnHelp(); break;
    default: return CDialog::OnNotify(wParam, lParam, result);
  }
  if (m_hWnd) ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, answer);
  *result = answer;
  return TRUE;
}

// CPropertySheet ------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

CPropertySheet::CPropertySheet(LPCSTR caption, CWnd* parent, UINT selectPage)
    : m_caption(caption ? caption : ""), m_pParentWnd(parent), m_nStartPage(selectPage) {
  m_psh.dwSize = sizeof(PROPSHEETHEADERA);
}

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage)
    : m_caption(LoadCaption(captionId)), m_pParentWnd(parent), m_nStartPage(selectPage) {
  m_psh.dwSize = sizeof(PROPSHEETHEADERA);
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (page && std::find(m_pages.begin(), m_pages.end(), page) == m_pages.end()) m_pages.push_back(page);
}

void CPropertySheet::RemovePage(int index) {
  if (index >= 0 && index < GetPageCount()) m_pages.erase(m_pages.begin() + index);
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

int CPropertySheet::GetActiveIndex() const {
  if (!m_hWnd) return static_cast<int>(m_nStartPage);
  auto page = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
  for (size_t i = 0; i < m_pages.size(); ++i)
    if (m_pages[i]->m_hWnd == page) return static_cast<int>(i);
  return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

BOOL CPropertySheet::SetActivePage(int index) {
  if (!m_hWnd) {
    m_nStartPage = static_cast<UINT>(std::max(index, 0));
    return TRUE;
  }
  return static_cast<BOOL>(::SendMessageA(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0));
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) {
  auto it = std::find(m_pages.begin(), m_pages.end(), page);
  return it == m_pages.end() ? FALSE : SetActivePage(static_cast<int>(it - m_pages.begin()));
}

BOOL CPropertySheet::PressButton(int button) {
  if (!m_hWnd) return FALSE;
  ::SendMessageA(m_hWnd, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
  return TRUE;
}

void CPropertySheet::SetTitle(LPCSTR title, UINT style) {
  m_caption = title ? title : "";
  if (m_hWnd) ::SendMessageA(m_hWnd, PSM_SETTITLEA, style, reinterpret_cast<LPARAM>(m_caption.c_str()));
}

BOOL CPropertySheet::OnInitDialog() { return TRUE; }

int CPropertySheet::OnCreate(CREATESTRUCTA*) { return static_cast<int>(Default()); }

LRESULT CPropertySheet::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    LRESULT r = Default();  // the sheet makes its buttons and first page
    if (m_hWnd && ::IsWindow(m_hWnd)) OnInitDialog();
    return r;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

INT_PTR CPropertySheet::DoModal() {
  if (m_hWnd || m_pages.empty()) return -1;
  std::vector<PROPSHEETPAGEA> pages;
  for (CPropertyPage* p : m_pages) {
    PROPSHEETPAGEA psp = p->m_psp;
    psp.dwSize = sizeof(PROPSHEETPAGEA);
    if (!(psp.dwFlags & PSP_DLGINDIRECT)) psp.hInstance = ModuleWithTemplate(psp.hInstance, psp.pszTemplate);
    psp.pfnDlgProc = FrameworkPageProc;
    psp.lParam = reinterpret_cast<LPARAM>(p);
    p->m_pSheet = this;
    pages.push_back(psp);
  }
  PROPSHEETHEADERA h = m_psh;
  h.dwSize = sizeof h;
  h.dwFlags |= PSH_PROPSHEETPAGE;
  h.hwndParent = m_pParentWnd && ::IsWindow(m_pParentWnd->m_hWnd) ? m_pParentWnd->m_hWnd : GetActiveWindow();
  if (!h.hInstance) h.hInstance = reinterpret_cast<HINSTANCE>(FrameworkGetResourceHandle());
  h.pszCaption = m_caption.c_str();
  h.nPages = static_cast<UINT>(pages.size());
  h.nStartPage = m_nStartPage;
  h.ppsp = pages.data();
  FrameworkBeginCreate(this);
  INT_PTR r = PropertySheetA(&h);
  FrameworkEndCreate(nullptr);
  if (m_hWnd) Detach();
  for (CPropertyPage* p : m_pages) {
    if (p->m_hWnd) p->Detach();
    p->m_pSheet = nullptr;
  }
  if (r < 0) return -1;
  return r > 0 ? IDOK : IDCANCEL;
}
