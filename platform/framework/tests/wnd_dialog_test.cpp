// Framework dialogs from an extension module's templates: modal runs driven
// by a script, overridden OnOK and OnCancel, a modeless dialog that deletes
// itself, and a dialog ended twice.
#include <gtest/gtest.h>

#include <string>

#include "framework/framework_dialog.h"
#include "framework/framework_module.h"
#include "win/win_resources.h"
#include "win/win_script.h"

namespace {

const HMODULE kLib = reinterpret_cast<HMODULE>(0x7200);
constexpr int kDlg = 335, kName = 6870, kRecalc = 6873, kDir = 6874, kSave = 6872;

class CSaveDlg : public CDialog {
 public:
  CSaveDlg(bool haveRecalc) : CDialog(kDlg), haveRecalc_(haveRecalc) {}
  std::string name = "Plot";
  int recalc = 0, dir = 0;
  int okPresses = 0;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SendDlgItemMessage(kName, EM_LIMITTEXT, 99);
    SetDlgItemText(kName, name.c_str());
    if (!haveRecalc_) GetDlgItem(kRecalc)->EnableWindow(FALSE);
    return TRUE;
  }
  void OnOK() override { ++okPresses; }  // Enter alone does nothing
  void OnRecalc() {
    recalc = IsDlgButtonChecked(kRecalc);
    dir = 0;
    CheckDlgButton(kDir, BST_UNCHECKED);
  }
  void OnDir() {
    dir = IsDlgButtonChecked(kDir);
    recalc = 0;
    CheckDlgButton(kRecalc, BST_UNCHECKED);
  }
  void OnSave() {
    char buf[100];
    GetDlgItemText(kName, buf, sizeof buf);
    if (*buf) name = buf;
    EndDialog(IDOK);
    EndDialog(IDCANCEL);  // ended twice: harmless, the first result holds
  }
  DECLARE_MESSAGE_MAP()

 private:
  bool haveRecalc_;
};

BEGIN_MESSAGE_MAP(CSaveDlg, CDialog)
ON_BN_CLICKED(kRecalc, OnRecalc)
ON_BN_CLICKED(kDir, OnDir)
ON_BN_CLICKED(kSave, OnSave)
END_MESSAGE_MAP()

int g_modelessDeleted = 0;
int g_ownerTold = 0;

class CPopup : public CDialog {
 public:
  CPopup(CWnd* owner) : owner_(owner) { Create(333, owner); }
  ~CPopup() override { ++g_modelessDeleted; }

 protected:
  BOOL OnInitDialog() override {
    SetTimer(23, 2000);
    return TRUE;
  }
  void OnCancel() override {
    if (owner_) owner_->SendMessage(WM_USER + 84);
    DestroyWindow();
  }
  void OnTimer(UINT_PTR) {
    KillTimer(23);
    DestroyWindow();
  }
  void PostNcDestroy() override { delete this; }
  DECLARE_MESSAGE_MAP()

 private:
  CWnd* owner_;
};

BEGIN_MESSAGE_MAP(CPopup, CDialog)
ON_WM_TIMER()
END_MESSAGE_MAP()

LRESULT CALLBACK OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 84) ++g_ownerTold;
  return DefWindowProcA(h, m, w, l);
}

class WndDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    win::script::ResetLogs();
    g_modelessDeleted = g_ownerTold = 0;
    FrameworkInitExtensionModule(module, kLib);
    library = new CDynLinkLibrary(module);
    using namespace win::resources;
    DialogTemplate t;
    t.caption = "Save User Plot Descriptor";
    t.cx = 308;
    t.cy = 60;
    t.items = {{kName, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, 0, 10, 15, 180, 12},
               {kRecalc, "Button", "Save to all data files in recalc file", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE,
                0, 10, 38, 180, 10},
               {kDir, "Button", "Save to all data files in directory", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0,
                10, 48, 180, 10},
               {kSave, "Button", "Save", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 250, 7, 50, 14},
               {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 250, 24, 50, 14}};
    AddDialog(kLib, kDlg, t);
    DialogTemplate pop;
    pop.style = WS_POPUP | WS_BORDER | WS_VISIBLE;
    pop.cx = 80;
    pop.cy = 20;
    pop.items = {{6520, "Static", "Time", SS_LEFT | WS_VISIBLE, 0, 2, 2, 70, 10}};
    AddDialog(kLib, 333, pop);
  }
  void TearDown() override {
    delete library;
    FrameworkTermExtensionModule(module);
    win::script::PumpUntilIdle();
  }
  FrameworkExtensionModule module;
  CDynLinkLibrary* library = nullptr;
};

TEST_F(WndDialog, ModalRunFilledByAScript) {
  CSaveDlg dlg(true);
  win::script::OnNextDialog([&](HWND h) {
    EXPECT_EQ(CWnd::FromHandlePermanent(h), &dlg);
    win::script::SetField(h, kName, "Mine");
    win::script::SetCheck(h, kRecalc, true);
    win::script::SetCheck(h, kDir, true);
    EXPECT_FALSE(win::script::IsChecked(h, kRecalc));
    win::script::PressKey(VK_RETURN);
    EXPECT_EQ(dlg.okPresses, 1);
    win::script::PressButton(h, kSave);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.name, "Mine");
  EXPECT_EQ(dlg.dir, 1);
  EXPECT_EQ(dlg.recalc, 0);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(WndDialog, RecalcTargetDisabledAndCancel) {
  CSaveDlg dlg(false);
  win::script::OnNextDialog([&](HWND h) {
    EXPECT_FALSE(win::script::SetCheck(h, kRecalc, true));
    win::script::PressButton(h, IDCANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.name, "Plot");
}

TEST_F(WndDialog, MissingTemplateFails) {
  CDialog dlg(4242);
  EXPECT_EQ(dlg.DoModal(), -1);
  delete library;
  library = nullptr;
  CSaveDlg gone(true);  // the module left the chain
  EXPECT_EQ(gone.DoModal(), -1);
}

TEST_F(WndDialog, ModelessPopupDeletesItselfOnTimerOrCancel) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.lpszClassName = "TestOwner";
  RegisterClassA(&wc);
  HWND ownerWnd = CreateWindowExA(0, "TestOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
  CWnd owner;
  owner.Attach(ownerWnd);
  auto* pop = new CPopup(&owner);
  ASSERT_NE(pop->m_hWnd, nullptr);
  EXPECT_TRUE(IsWindowVisible(pop->m_hWnd));
  win::script::AdvanceClock(2000);
  EXPECT_EQ(g_modelessDeleted, 1);

  auto* pop2 = new CPopup(&owner);
  HWND h2 = pop2->m_hWnd;
  PostMessageA(h2, WM_CLOSE, 0, 0);  // close box: tells the owner like Cancel
  win::script::PumpUntilIdle();
  EXPECT_EQ(g_modelessDeleted, 2);
  EXPECT_EQ(g_ownerTold, 1);
  EXPECT_FALSE(IsWindow(h2));
  owner.DestroyWindow();
  UnregisterClassA("TestOwner", nullptr);
}

}  // namespace
