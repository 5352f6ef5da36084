// A two-page preference sheet on the framework's classes: activation,
// reset to defaults, Apply, Cancel, OK, help, and a sheet whose creation
// override fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framework_controls.h"
#include "framework/framework_module.h"
#include "framework/framework_property_sheet.h"
#include "win/win_resources.h"
#include "win/win_script.h"

namespace {

constexpr int kMassEdit = 1001, kResetButton = 4152, kExtraButton = 4151;
HMODULE Module() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7F000000)); }
std::vector<std::string> g_events;

class CMassPage : public CPropertyPage {
 public:
  int mass = 50, defaultMass = 10;
  CMassPage() : CPropertyPage(321) {
    m_psp.dwFlags |= PSP_USETITLE | PSP_HASHELP;
    m_psp.pszTitle = "Features";
  }
  BOOL OnInitDialog() override {
    SetDlgItemInt(m_hWnd, kMassEdit, static_cast<UINT>(mass), FALSE);
    return TRUE;
  }
  BOOL OnSetActive() override {
    g_events.push_back("features active");
    SetDlgItemTextA(m_hWnd, kResetButton, "&Reset to Defaults");
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override {
    g_events.push_back("features leave");
    BOOL ok = FALSE;
    UINT v = GetDlgItemInt(m_hWnd, kMassEdit, &ok, FALSE);
    if (!ok || v > 2000) return FALSE;
    mass = static_cast<int>(v);
    return TRUE;
  }
  BOOL OnApply() override {
    g_events.push_back("features apply");
    return CPropertyPage::OnApply();
  }
  void OnReset() override { g_events.push_back("features cancel"); }
  void OnHelp() override { g_events.push_back("features help " + std::to_string(GetHelpId())); }

 protected:
  void OnResetDefaults() {
    mass = defaultMass;
    SetDlgItemInt(m_hWnd, kMassEdit, static_cast<UINT>(mass), FALSE);
    SetModified();
  }
  void OnMassChanged() { SetModified(); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMassPage, CPropertyPage)
ON_BN_CLICKED(kResetButton, OnResetDefaults)
ON_EN_CHANGE(kMassEdit, OnMassChanged)
END_MESSAGE_MAP()

class CLabelsPage : public CPropertyPage {
 public:
  CLabelsPage() : CPropertyPage(322) {
    m_psp.dwFlags |= PSP_USETITLE;
    m_psp.pszTitle = "Labels";
  }
  BOOL OnSetActive() override {
    g_events.push_back("labels active");
    return TRUE;
  }
  BOOL OnApply() override {
    g_events.push_back("labels apply");
    return TRUE;
  }
};

class CPrefsSheet : public CPropertySheet {
 public:
  bool failCreate = false;
  CButton* extra = nullptr;
  explicit CPrefsSheet(UINT start) : CPropertySheet("Spectra Preferences", nullptr, start) {}
  ~CPrefsSheet() override { delete extra; }

 protected:
  int OnCreate(CREATESTRUCTA* cs) {
    if (CPropertySheet::OnCreate(cs) == -1 || failCreate) return -1;
    extra = new CButton();
    extra->Create("Reset All to Defaults", WS_CHILD | WS_TABSTOP | WS_VISIBLE, CRect(0, 0, 0, 0), this, kExtraButton);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPrefsSheet, CPropertySheet)
ON_WM_CREATE()
END_MESSAGE_MAP()

void AddTemplates() {
  win::resources::DialogTemplate features;
  features.caption = "Features";
  features.cx = 200;
  features.cy = 100;
  features.items = {{kMassEdit, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 0, 60, 10, 50, 12},
                    {kResetButton, "Button", "", WS_TABSTOP | WS_VISIBLE, 0, 60, 60, 80, 14}};
  win::resources::AddDialog(Module(), 321, features);
  win::resources::DialogTemplate labels;
  labels.caption = "Labels";
  labels.cx = 200;
  labels.cy = 100;
  win::resources::AddDialog(Module(), 322, labels);
}

}  // namespace

TEST(FrameworkPropertySheet, TwoPagesWithResetApplyCancelAndOk) {
  FrameworkExtensionModule ext;
  ASSERT_TRUE(FrameworkInitExtensionModule(ext, Module()));
  {
    CDynLinkLibrary library(ext);
    AddTemplates();
    win::script::ResetLogs();
    g_events.clear();

    // Cancel after an Apply: the page's value was taken by Apply only.
    CMassPage features;
    CLabelsPage labels;
    CPrefsSheet sheet(1);  // opens at the remembered page
    sheet.AddPage(&features);
    sheet.AddPage(&labels);
    std::string resetText;
    bool applyEnabled = false;
    win::script::OnNextDialog([&](HWND h) {
      EXPECT_EQ(sheet.m_hWnd, h);
      EXPECT_EQ(sheet.GetActiveIndex(), 1);
      EXPECT_NE(win::script::FindById(h, kExtraButton), nullptr);
      EXPECT_TRUE(win::script::PickSheetPageText(h, "Features"));
      HWND page = win::script::SheetPage(h);
      EXPECT_EQ(page, features.m_hWnd);
      resetText = win::script::Text(GetDlgItem(page, kResetButton));
      win::script::PressButton(page, kResetButton);
      applyEnabled = IsWindowEnabled(GetDlgItem(h, ID_APPLY_NOW)) != FALSE;
      win::script::PressButton(h, ID_APPLY_NOW);
      win::script::PressButton(h, IDHELP);
      win::script::SetField(page, kMassEdit, "777");
      win::script::PressButton(h, IDCANCEL);
    });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(resetText, "&Reset to Defaults");
    EXPECT_TRUE(applyEnabled);
    EXPECT_EQ(features.mass, 10);  // the reset value, applied; 777 was cancelled
    std::vector<std::string> want{"labels active",   "features active", "features leave", "features apply",
                                  "labels apply",    "features help 321", "features cancel"};
    EXPECT_EQ(g_events, want);
    EXPECT_EQ(sheet.m_hWnd, nullptr);
    EXPECT_EQ(features.m_hWnd, nullptr);

    // OK takes the typed value.
    g_events.clear();
    CMassPage features2;
    CLabelsPage labels2;
    CPrefsSheet sheet2(0);
    sheet2.AddPage(&features2);
    sheet2.AddPage(&labels2);
    win::script::OnNextDialog([&](HWND h) {
      win::script::SetField(win::script::SheetPage(h), kMassEdit, "1234");
      win::script::PressButton(h, IDOK);
    });
    EXPECT_EQ(sheet2.DoModal(), IDOK);
    EXPECT_EQ(features2.mass, 1234);

    // A sheet whose creation override fails is not run.
    CMassPage features3;
    CPrefsSheet sheet3(0);
    sheet3.failCreate = true;
    sheet3.AddPage(&features3);
    EXPECT_EQ(sheet3.DoModal(), -1);
    EXPECT_EQ(CPrefsSheet(0).DoModal(), -1);  // no pages
  }
  FrameworkTermExtensionModule(ext);
}
