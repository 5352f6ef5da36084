// The dialog frame: templates from the library's module, the Help button,
// the "What's This?" menu and its help, and layout by rule tables.
#include <gtest/gtest.h>

#include <string>

#include "common/library_state.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_layout.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_script.h"

namespace {

constexpr int kTemplate = 9901;
constexpr int kVisible = 101, kDisabled = 102, kHidden = 103, kWide = 104, kRight = 105, kGrid = 106;

void AddTemplate(HMODULE module, const char* caption) {
  using namespace win::resources;
  if (FindDialog(module, kTemplate)) return;
  DialogTemplate t;
  t.caption = caption;
  t.cx = 200;
  t.cy = 120;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {{kVisible, "Button", "Visible", push, 0, 10, 10, 50, 14},
             {kDisabled, "Button", "Disabled", push | WS_DISABLED, 0, 10, 30, 50, 14},
             {kHidden, "Button", "Hidden", WS_TABSTOP | BS_PUSHBUTTON, 0, 10, 50, 50, 14},
             {kWide, "Edit", "", WS_VISIBLE | WS_BORDER, 0, 70, 10, 100, 12},
             {kRight, "Button", "Right", push, 0, 140, 90, 50, 14},
             {kGrid, "Static", "", WS_VISIBLE, 0, 70, 30, 40, 10},
             {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 10, 90, 50, 14},
             {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 70, 90, 50, 14}};
  AddDialog(module, kTemplate, t);
}

class HelpDlg : public CDialog {
 public:
  kelt::dlg::DialogHelp help{77};
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (help.Handle(this, msg, wParam, lParam)) return 0;
    return CDialog::WindowProc(msg, wParam, lParam);
  }
};

class DialogFrameTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    AddTemplate(kelt::lib::ModuleHandle(), "Library Dialog");
  }
  void TearDown() override {
    win::script::ResetLogs();
    KeltRootTest::TearDown();
  }
  // A right click at the middle of control id (or at a client point).
  static void RightClickOn(HWND dlg, int id, POINT client = {-1, -1}) {
    if (id) {
      RECT r{};
      GetWindowRect(GetDlgItem(dlg, id), &r);
      client = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    } else {
      ClientToScreen(dlg, &client);
    }
    SendMessageA(dlg, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dlg), MAKELPARAM(client.x, client.y));
    win::script::PumpUntilIdle();
  }
};

TEST_F(DialogFrameTest, TheLibrarysTemplateIsUsedEvenWhenAHostHasTheSameId) {
  AddTemplate(reinterpret_cast<HMODULE>(static_cast<intptr_t>(0x7700)), "Host Dialog");
  HelpDlg dlg;
  ASSERT_TRUE(kelt::dlg::InitModalFromLibrary(&dlg, kTemplate, nullptr));
  std::string caption;
  win::script::OnNextDialog([&](HWND d) {
    caption = win::script::Text(d);
    win::script::PressButton(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(caption, "Library Dialog");
  CDialog missing;
  EXPECT_FALSE(kelt::dlg::InitModalFromLibrary(&missing, 9902, nullptr));
}

TEST_F(DialogFrameTest, HelpButtonAndWhatsThis) {
  HelpDlg dlg;
  ASSERT_TRUE(kelt::dlg::InitModalFromLibrary(&dlg, kTemplate, nullptr));
  struct Step {
    int control;     // right click over this control (0: the background)
    bool offered;    // the menu appears
    uint32_t command, context;
  };
  const Step steps[] = {{kVisible, true, 8, kVisible},
                        {kDisabled, true, 8, kDisabled},  // disabled but visible still answers
                        {0, true, 1, 77}};                // background: the dialog's own topic
  std::string failures;
  win::script::OnNextDialog([&](HWND d) {
    const int before = orvik::LastHelpRequest().count;
    win::script::PressButton(d, KELT_HELP_BUTTON_ID);
    if (orvik::LastHelpRequest().count != before + 1 || orvik::LastHelpRequest().command != 1 ||
        orvik::LastHelpRequest().context != 77)
      failures += "help button;";
    for (const Step& s : steps) {
      const size_t menus = win::script::MenuLog().size();
      win::script::ChooseNextMenuItem(KELT_WHATS_THIS_COMMAND);
      RightClickOn(d, s.control, {150, 5});
      const auto log = win::script::MenuLog();
      if (log.size() != menus + 1 || log.back().items.empty() || log.back().items[0].text != "What's This?") {
        failures += "no menu for " + std::to_string(s.control) + ";";
        continue;
      }
      const auto h = orvik::LastHelpRequest();
      if (h.command != s.command || h.context != s.context) failures += "topic for " + std::to_string(s.control) + ";";
    }
    // Over a hidden control, or outside the client area: no menu at all.
    win::script::DismissNextMenu();
    const size_t menus = win::script::MenuLog().size();
    RightClickOn(d, kHidden);
    RightClickOn(d, 0, {-30, -30});
    if (win::script::MenuLog().size() != menus) failures += "menu where none belongs;";
    win::script::PressButton(d, IDOK);
  });
  dlg.DoModal();
  EXPECT_EQ(failures, "");
}

TEST_F(DialogFrameTest, RuleTablesMoveAndSizeControls) {
  HelpDlg dlg;
  ASSERT_TRUE(kelt::dlg::InitModalFromLibrary(&dlg, kTemplate, nullptr));
  auto box = [](HWND d, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(d, id), &r);
    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  RECT keptBefore{}, keptAfter{}, wideBefore{}, wideAfter{}, rightBefore{}, rightAfter{}, grid{}, hidden{};
  RECT client0{}, client1{};
  win::script::OnNextDialog([&](HWND d) {
    keptBefore = box(d, kVisible);
    wideBefore = box(d, kWide);
    rightBefore = box(d, kRight);
    GetClientRect(d, &client0);
    client1 = client0;
    client1.right += 100;
    client1.bottom += 40;
    const KELT_LAYOUT_RULE rules[] = {
        {kVisible, 0, 0, 0, 0},      // stays
        {kWide, 0, 0, 8, 0},         // stretches with the right edge
        {kRight, 8, 8, 0, 0},        // keeps its distance from the right and bottom
        {kGrid, 3, 5, 3, 10},        // a quarter column, half-way down, four times as high
        {kHidden, 999, 0, 0, 0},     // names a missing control: skipped
        {555, 1, 1, 1, 1},           // no such control: skipped
    };
    hidden = box(d, kHidden);
    RECT window{};
    GetWindowRect(d, &window);
    EXPECT_EQ(KELT_SizeDialog(&dlg, rules, 6, client0, window, client1), 6);
    keptAfter = box(d, kVisible);
    wideAfter = box(d, kWide);
    rightAfter = box(d, kRight);
    grid = box(d, kGrid);
    RECT hiddenAfter = box(d, kHidden);
    EXPECT_EQ(hiddenAfter.left, hidden.left);
    win::script::PressButton(d, IDOK);
  });
  dlg.DoModal();
  EXPECT_EQ(keptAfter.left, keptBefore.left);
  EXPECT_EQ(keptAfter.right, keptBefore.right);
  EXPECT_EQ(keptAfter.bottom, keptBefore.bottom);
  EXPECT_EQ(wideAfter.left, wideBefore.left);
  EXPECT_EQ(wideAfter.right, wideBefore.right + 100);
  EXPECT_EQ(rightAfter.left, rightBefore.left + 100);
  EXPECT_EQ(rightAfter.top, rightBefore.top + 40);
  const int W = client1.right, H = client1.bottom;
  EXPECT_EQ(grid.left, ((W - 20) >> 2) + 8);
  EXPECT_EQ(grid.right - grid.left, (W - 20) >> 2);
  EXPECT_EQ(grid.top, ((H - 20) >> 1) + 12);
}

TEST_F(DialogFrameTest, ExpandDialogMeasuresBothEdges) {
  HWND frame = CreateWindowExA(0, "Static", "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                               nullptr, nullptr, nullptr);
  CWnd parent;
  parent.Attach(frame);
  HelpDlg dlg;
  ASSERT_TRUE(kelt::dlg::InitModalFromLibrary(&dlg, kTemplate, &parent));
  RECT before{}, after{}, window{}, pr{};
  win::script::OnNextDialog([&](HWND d) {
    GetWindowRect(GetDlgItem(d, kVisible), &before);
    const KELT_LAYOUT_RULE rule{kVisible, 0, 0, 0, 0};
    ExpandDialog(&dlg, &rule, 1);
    GetWindowRect(GetDlgItem(d, kVisible), &after);
    GetWindowRect(d, &window);
    win::script::PressButton(d, IDOK);
  });
  dlg.DoModal();
  GetClientRect(frame, &pr);
  parent.Detach();
  DestroyWindow(frame);
  EXPECT_EQ(after.right - after.left, before.right - before.left + 1);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 1);
  EXPECT_EQ(window.right - window.left, pr.right + 1);
}

}  // namespace
