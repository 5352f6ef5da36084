// The scan-function dialogs driven as a user would: choosing from the
// list, nothing chosen, a segment without scan functions, and merged,
// all or selected scan functions with the marks of the list.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/mass_lists.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/reference_text_dialog.h"
#include "dialogs/scan_function_dialogs.h"
#include "msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_commctrl.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class ScanFunctionDialogsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
    msfix::RunPlan plan;
    plan.scans = 120;
    plan.segments = {{1.0, 1, "Early"}, {1.0, 2, "Late"}};
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost("C:\\Runs\\funs.xms"), plan, nullptr));
    wf = MakeWorkFileStruct("C:\\Runs\\funs.xms", 0);
    ASSERT_NE(wf, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf);
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  STRUCT_WORK_FILE* wf = nullptr;
};

TEST_F(ScanFunctionDialogsTest, ThePlainListReturnsTheChosenFunctions) {
  STRUCT_SCAN_FUN_ARRAY* out = nullptr;
  size_t shown = 0;
  ws::OnNextDialog([&](HWND d) {
    shown = ws::ListItems(d, IDC_SFA_LIST).size();
    ws::PickItem(d, IDC_SFA_LIST, 0);
    ws::PickItem(d, IDC_SFA_LIST, 1, true);
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(Dlg_EditScanFunArray(wf, nullptr, 0, 0, &out), 1);
  ASSERT_NE(out, nullptr);
  EXPECT_GE(shown, 2u);
  EXPECT_EQ(out->count, 2);
  // Opened again with that array: both shown chosen; Unselect All and OK
  // choose nothing, which returns no array.
  std::vector<std::string> items;
  STRUCT_SCAN_FUN_ARRAY* again = nullptr;
  int selected = -1;
  ws::OnNextDialog([&](HWND d) {
    selected = static_cast<int>(SendDlgItemMessageA(d, IDC_SFA_LIST, LB_GETSELCOUNT, 0, 0));
    ws::PressButton(d, IDC_SFA_UNSELECT);
    ws::PressButton(d, IDOK);
  });
  EXPECT_EQ(Dlg_EditScanFunArray(wf, out, 0, 0, &again), 0);
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(again, nullptr);
  FreeBlock(out);
  // A segment without scan functions ends at once.
  EXPECT_EQ(Dlg_EditScanFunArray(wf, nullptr, 1, 7, &again), 0);
  EXPECT_EQ(again, nullptr);
}

TEST_F(ScanFunctionDialogsTest, SelectedFunctionsNeedAMarkBeforeOk) {
  STRUCT_PS* out = nullptr;
  bool okWithout = true, okWith = false, okMerged = false;
  std::string choice, header;
  ws::OnNextDialog([&](HWND d) {
    HWND list = GetDlgItem(d, IDC_SSF_LIST);
    ws::PressButton(d, IDC_SSF_SELECTED);
    okWithout = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::PressButton(d, IDC_SSF_MERGED);
    okMerged = IsWindowEnabled(GetDlgItem(d, IDOK));
    // Row 0 is the file, row 1 the first segment, row 2 its channel.
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));  // not a channel: undone
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
    ws::PumpUntilIdle();
    okWith = IsWindowEnabled(GetDlgItem(d, IDOK));
    choice = ws::GetField(d, IDC_SSF_CHOICE);
    header = (SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED) & LVIS_SELECTED) ? "selected" : "clear";
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(Dlg_SelectScanFuns(wf, nullptr, &out), 1);
  EXPECT_FALSE(okWithout);
  EXPECT_TRUE(okMerged);
  EXPECT_TRUE(okWith);
  EXPECT_FALSE(choice.empty());
  EXPECT_EQ(header, "clear");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->selection1, SCAN_FUN_DATA_TYPE);
  ASSERT_NE(out->scanFuns, nullptr);
  EXPECT_EQ(out->scanFuns->count, 1);
  KELT_PS_Free(out);
  // Cancel hands nothing back.
  ws::OnNextDialog([&](HWND d) { ws::PressButton(d, IDCANCEL); });
  EXPECT_EQ(Dlg_SelectScanFuns(wf, nullptr, &out), 0);
  EXPECT_EQ(out, nullptr);
}

TEST_F(ScanFunctionDialogsTest, TheViewListsAndPrintsWithoutChoosing) {
  int rows = 0;
  bool selected = true;
  std::string caption;
  ws::OnNextDialog([&](HWND d) {
    caption = ws::Text(d);
    HWND list = GetDlgItem(d, IDC_SSF_LIST);
    rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));  // a click changes nothing
    ws::PumpUntilIdle();
    selected = (SendMessageA(list, LVM_GETITEMSTATE, 2, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    ws::PressButton(d, IDCANCEL);
  });
  Dlg_ViewScanFuns(wf);
  EXPECT_EQ(caption, " ");
  EXPECT_EQ(rows, 1 + 2 + 3);  // the file, two segments, three channels
  EXPECT_FALSE(selected);
  // Printed: each segment's line, then its channels from column 10.
  const auto lines = kelt::dlg::ScanFunctionPrintLines(wf);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[1].rfind("         1. ", 0), 0u) << lines[1];
  for (const std::string& l : lines) EXPECT_LE(l.size(), 12u + 100u);
  std::string path;
  EXPECT_EQ(kelt::dlg::PrintLinesAsReportPages(lines, "Scan Function Information", &path, wf), 1);
}

}  // namespace
