// Property sheets driven page by page: Apply, Cancel, OK, a page that
// refuses to be left, and sheets that cannot be made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win/win_kernel.h"
#include "win/win_prsht.h"
#include "win/win_resources.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr int kMassEdit = 101, kColourCheck = 201;
HMODULE Module() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7E000000)); }

struct Prefs {
  int mass = 50;
  bool colour = false;
};

struct Log {
  std::vector<std::string> events;
  Prefs committed;  // what Apply and OK wrote back
};
Log g_log;

std::string Code(UINT code) {
  switch (code) {
    case PSN_SETACTIVE: return "setactive";
    case PSN_KILLACTIVE: return "killactive";
    case PSN_APPLY: return "apply";
    case PSN_RESET: return "reset";
    case PSN_HELP: return "help";
    case PSN_QUERYCANCEL: return "querycancel";
    default: return "other";
  }
}

INT_PTR CALLBACK MassPage(HWND page, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(l);
      auto* prefs = reinterpret_cast<Prefs*>(psp->lParam);
      SetWindowLongPtrA(page, DWLP_USER, psp->lParam);
      SetDlgItemInt(page, kMassEdit, static_cast<UINT>(prefs->mass), FALSE);
      g_log.events.push_back("mass init");
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == kMassEdit && HIWORD(w) == EN_CHANGE)
        SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
      return TRUE;
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<PSHNOTIFY*>(l);
      g_log.events.push_back("mass " + Code(nm->hdr.code) + (nm->hdr.code == PSN_APPLY && nm->lParam ? " ok" : ""));
      BOOL valid = FALSE;
      UINT mass = GetDlgItemInt(page, kMassEdit, &valid, FALSE);
      if (nm->hdr.code == PSN_KILLACTIVE)  // masses run 1 to 2000
        SetWindowLongPtrA(page, DWLP_MSGRESULT, (!valid || mass < 1 || mass > 2000) ? TRUE : FALSE);
      if (nm->hdr.code == PSN_APPLY) {
        g_log.committed.mass = static_cast<int>(mass);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
      }
      return TRUE;
    }
    default: return FALSE;
  }
}

INT_PTR CALLBACK ColourPage(HWND page, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* prefs = reinterpret_cast<Prefs*>(reinterpret_cast<PROPSHEETPAGEA*>(l)->lParam);
      CheckDlgButton(page, kColourCheck, prefs->colour ? BST_CHECKED : BST_UNCHECKED);
      g_log.events.push_back("colour init");
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == kColourCheck) SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
      return TRUE;
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<PSHNOTIFY*>(l);
      g_log.events.push_back("colour " + Code(nm->hdr.code));
      if (nm->hdr.code == PSN_APPLY) g_log.committed.colour = IsDlgButtonChecked(page, kColourCheck) == BST_CHECKED;
      return TRUE;
    }
    default: return FALSE;
  }
}

class UserPropertySheet : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = Log{};
    win::script::ResetLogs();
    win::resources::DialogTemplate mass;
    mass.caption = "Mass";
    mass.cx = 180;
    mass.cy = 90;
    mass.items = {{-1, "Static", "&Mass:", SS_LEFT | WS_VISIBLE, 0, 10, 10, 40, 10},
                  {kMassEdit, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 0, 55, 8, 60, 12}};
    win::resources::AddDialog(Module(), 304, mass);
    win::resources::DialogTemplate colour;
    colour.caption = "Colours";
    colour.cx = 150;
    colour.cy = 110;
    colour.items = {{kColourCheck, "Button", "Use &colour", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, 10, 10, 80, 10}};
    win::resources::AddDialog(Module(), 305, colour);
  }
  void TearDown() override { win::resources::RemoveModule(Module()); }

  INT_PTR Run(Prefs* prefs, UINT start = 0, LPCSTR secondTemplate = MAKEINTRESOURCEA(305)) {
    PROPSHEETPAGEA pages[2]{};
    for (auto& p : pages) {
      p.dwSize = sizeof p;
      p.hInstance = reinterpret_cast<HINSTANCE>(Module());
      p.lParam = reinterpret_cast<LPARAM>(prefs);
    }
    pages[0].pszTemplate = MAKEINTRESOURCEA(304);
    pages[0].pfnDlgProc = MassPage;
    pages[0].dwFlags = PSP_USETITLE | PSP_HASHELP;
    pages[0].pszTitle = "Spectra";
    pages[1].pszTemplate = secondTemplate;
    pages[1].pfnDlgProc = ColourPage;
    PROPSHEETHEADERA h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE;
    h.pszCaption = "Spectra Preferences";
    h.nPages = 2;
    h.nStartPage = start;
    h.ppsp = pages;
    return PropertySheetA(&h);
  }
};

}  // namespace

TEST_F(UserPropertySheet, ApplyThenCancelKeepsWhatWasApplied) {
  Prefs prefs;
  std::vector<std::string> tabs;
  bool applyEnabledAfterEdit = false, applyEnabledAfterApply = true;
  win::script::OnNextDialog([&](HWND sheet) {
    tabs = win::script::SheetTabs(sheet);
    HWND page = win::script::SheetPage(sheet);
    EXPECT_TRUE(win::script::SetField(page, kMassEdit, "73"));
    applyEnabledAfterEdit = IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW)) != FALSE;
    EXPECT_TRUE(win::script::PressButton(sheet, ID_APPLY_NOW));
    applyEnabledAfterApply = IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW)) != FALSE;
    EXPECT_TRUE(win::script::PickSheetPageText(sheet, "Colours"));
    EXPECT_TRUE(win::script::SetCheck(win::script::SheetPage(sheet), kColourCheck, true));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDHELP)));  // only the first page has help
    EXPECT_TRUE(win::script::PressButton(sheet, IDCANCEL));
  });
  EXPECT_EQ(Run(&prefs), 0);
  std::vector<std::string> wantTabs{"Spectra", "Colours"};
  EXPECT_EQ(tabs, wantTabs);
  EXPECT_TRUE(applyEnabledAfterEdit);
  EXPECT_FALSE(applyEnabledAfterApply);
  EXPECT_EQ(g_log.committed.mass, 73);   // applied before the cancel
  EXPECT_FALSE(g_log.committed.colour);  // the cancel dropped the colour change
  std::vector<std::string> want{"mass init",         "mass setactive",  "mass killactive", "mass apply",
                                "mass killactive",   "colour init",     "colour setactive", "colour querycancel",
                                "mass reset",        "colour reset"};
  EXPECT_EQ(g_log.events, want);
  ASSERT_EQ(win::script::DialogLog().size(), 1u);
  EXPECT_EQ(win::script::DialogLog()[0].caption, "Spectra Preferences");
}

TEST_F(UserPropertySheet, InvalidFieldKeepsThePageAndOkAppliesEveryMadePage) {
  Prefs prefs;
  bool moved = true;
  win::script::OnNextDialog([&](HWND sheet) {
    HWND page = win::script::SheetPage(sheet);
    win::script::SetField(page, kMassEdit, "0");
    moved = win::script::PickSheetPage(sheet, 1);
    EXPECT_EQ(win::script::SheetPage(sheet), page);
    win::script::PressButton(sheet, IDHELP);
    win::script::SetField(page, kMassEdit, "1999");
    EXPECT_TRUE(win::script::PickSheetPage(sheet, 1));
    win::script::PressKey(VK_RETURN);  // Enter presses OK
  });
  EXPECT_EQ(Run(&prefs), 1);
  EXPECT_FALSE(moved);
  EXPECT_EQ(g_log.committed.mass, 1999);
  EXPECT_NE(std::find(g_log.events.begin(), g_log.events.end(), "mass help"), g_log.events.end());
  EXPECT_NE(std::find(g_log.events.begin(), g_log.events.end(), "mass apply ok"), g_log.events.end());
  EXPECT_NE(std::find(g_log.events.begin(), g_log.events.end(), "colour apply"), g_log.events.end());
}

TEST_F(UserPropertySheet, StartPageAndSheetsThatCannotBeMade) {
  Prefs prefs;
  HWND first = nullptr;
  win::script::OnNextDialog([&](HWND sheet) { first = win::script::SheetPage(sheet); });
  EXPECT_EQ(Run(&prefs, 1), 0);  // unanswered: cancelled
  ASSERT_FALSE(g_log.events.empty());
  EXPECT_EQ(g_log.events[0], "colour init");  // only the shown page was made
  EXPECT_EQ(std::count(g_log.events.begin(), g_log.events.end(), "mass init"), 0);
  // A page without a template: the sheet is not made.
  g_log = Log{};
  EXPECT_EQ(Run(&prefs, 0, MAKEINTRESOURCEA(999)), -1);
  EXPECT_TRUE(g_log.events.empty());
  PROPSHEETHEADERA empty{};
  empty.dwSize = sizeof empty;
  EXPECT_EQ(PropertySheetA(&empty), -1);
  EXPECT_EQ(PropertySheetA(nullptr), -1);
}
