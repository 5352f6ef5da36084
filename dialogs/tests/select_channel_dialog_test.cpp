// The channel picker driven as a user would: the file's channels listed by
// number and name, a click changes the current channel at once, and a
// channel the file does not have is never handed back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/select_channel_dialog.h"
#include "msfixtures.h"
#include "win/win_commctrl.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class SelectChannelTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
    msfix::DetectorPlan plan;
    plan.channels = {{"FID", "FID A"}, {"TCD", ""}, {"ECD", "ECD B"}};
    ASSERT_TRUE(msfix::WriteDetectorFile(win::paths::ToHost(kFile), plan, nullptr));
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static std::string ItemText(HWND list, int item, int sub) {
    char text[100] = {};
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(&it));
    return text;
  }
  // A click in the middle of a list item, as the user picks it.
  static void ClickItem(HWND dialog, int item) {
    HWND list = GetDlgItem(dialog, IDC_SCH_LIST);
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&r));
    ws::Click(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  static constexpr const char* kFile = "C:\\Runs\\gc-fid.run";
};

TEST_F(SelectChannelTest, ListsChannelsAndTakesTheClickedOne) {
  CSelectChannelDlg dlg;
  std::snprintf(dlg.m_path, sizeof dlg.m_path, "%s", kFile);
  dlg.m_channel = 1;
  std::string caption, before, after, index, name;
  int count = 0;
  ws::OnNextDialog([&](HWND d) {
    caption = ws::Text(d);
    HWND list = GetDlgItem(d, IDC_SCH_LIST);
    count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    index = ItemText(list, 2, 0);
    name = ItemText(list, 2, 1);
    before = ws::GetField(d, IDC_SCH_CURRENT);
    ClickItem(d, 2);
    after = ws::GetField(d, IDC_SCH_CURRENT);
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(dlg.Run(), IDOK);
  EXPECT_EQ(caption, "Select Channel");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(index, "3");
  EXPECT_EQ(name, "ECD");
  EXPECT_EQ(before, "Current Channel: TCD");
  EXPECT_EQ(after, "Current Channel: ECD");
  EXPECT_EQ(dlg.m_channel, 2);
}

TEST_F(SelectChannelTest, AChannelTheFileLacksIsNotReturned) {
  CSelectChannelDlg dlg;
  std::snprintf(dlg.m_path, sizeof dlg.m_path, "%s", kFile);
  dlg.m_channel = 5;
  std::string label;
  bool okBefore = true, okAfter = false;
  ws::OnNextDialog([&](HWND d) {
    label = ws::GetField(d, IDC_SCH_CURRENT);
    okBefore = IsWindowEnabled(GetDlgItem(d, IDOK));
    ClickItem(d, 0);
    okAfter = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(dlg.Run(), IDCANCEL);
  EXPECT_EQ(label, "");
  EXPECT_FALSE(okBefore);
  EXPECT_TRUE(okAfter);

  // A missing file lists nothing and offers no OK.
  CSelectChannelDlg missing;
  std::snprintf(missing.m_path, sizeof missing.m_path, "C:\\Runs\\gone.run");
  bool okMissing = true;
  ws::OnNextDialog([&](HWND d) {
    okMissing = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(missing.Run(), IDCANCEL);
  EXPECT_FALSE(okMissing);
}

}  // namespace
