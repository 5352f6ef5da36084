// The data-type and channel-formula dialogs driven as a user would, with
// mistyped formulas: status lines, OK only for usable input, what returns.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/tests/kelt_test_root.h"
#include "common/mass_lists.h"
#include "dialogs/data_type_dialogs.h"
#include "msfixtures.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class DataTypeDialogsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
    msfix::RunPlan plan;
    plan.scans = 120;
    plan.segments = {{1.0, 1, ""}, {1.0, 3, ""}};  // 2.0-7.0 and 7.0-12.0 minutes
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost("C:\\Runs\\types.xms"), plan, nullptr));
    wf = MakeWorkFileStruct("C:\\Runs\\types.xms", 0);
    ASSERT_NE(wf, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf);
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  STRUCT_WORK_FILE* wf = nullptr;
};

TEST_F(DataTypeDialogsTest, DataTypeChoosesAFormulaOrATrace) {
  STRUCT_MASS_LIST list{};
  int16_t code = 0;
  std::string typo, good;
  bool okTypo = true, okGood = false, fieldOff = false;
  ws::OnNextDialog([&](HWND d) {
    fieldOff = !IsWindowEnabled(GetDlgItem(d, IDC_DT_FORMULA));  // RIC: no formula
    ws::PressButton(d, IDC_DT_FIRST_TYPE + 1);
    ws::SetField(d, IDC_DT_FORMULA, "91+1o5");
    typo = ws::GetField(d, IDC_DT_STATUS);
    okTypo = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::SetField(d, IDC_DT_FORMULA, "91+105");
    good = ws::GetField(d, IDC_DT_STATUS);
    okGood = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(Dlg_EditDataType(&list, &code, wf), 1);
  EXPECT_TRUE(fieldOff);
  EXPECT_EQ(typo, "STATUS:  Invalid Character(s)");
  EXPECT_FALSE(okTypo);
  EXPECT_EQ(good, "STATUS:  Valid Ion Formula");
  EXPECT_TRUE(okGood);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(list.count, 2);
  // Base Peak Ion: the list follows the code; no file, no dialog.
  ws::OnNextDialog([&](HWND d) {
    ws::PressButton(d, IDC_DT_FIRST_TYPE + 3);
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(Dlg_EditDataType(&list, &code, wf), 1);
  EXPECT_EQ(code, 3);
  EXPECT_EQ(KELT_GetDataTypeFromMassType(list.kind), 3);
  EXPECT_EQ(Dlg_EditDataType(&list, &code, nullptr), 0);
}

TEST_F(DataTypeDialogsTest, ChannelFormulaStatusTable) {
  struct Case {
    const char* text;
    int channels;
    const char* status;
  } cases[] = {{"", 4, "No Characters"},
               {"2;3", 4, "Invalid Character(s)"},
               {"4+4", 8, "Duplicate Channel(s)"},
               {"2:6+5", 8, "Duplicate Channel(s)"},
               {"300", 255, "Invalid Channel(s)"},
               {"9", 8, "Invalid Channel(s)"},
               {"4+8:11", 12, "Valid Channel Formula"},
               {"255", 255, "Valid Channel Formula"},  // the highest channel, typed as such
               {"255", 200, "Invalid Channel(s)"},
               {"1", 1, "Valid Channel Formula"}};
  for (const Case& c : cases) {
    char status[32] = {};
    kelt::dlg::ChannelFormulaStatus(c.text, c.channels, status);
    EXPECT_STREQ(status, c.status) << c.text;
  }
}

TEST_F(DataTypeDialogsTest, ChannelDialogCountsLinesAndOk) {
  STRUCT_CHAN_LIST list{};  // merged
  std::string count, title, dup, good;
  bool okDup = true, okGood = false;
  ws::OnNextDialog([&](HWND d) {
    count = ws::GetField(d, IDC_CF_COUNT);
    title = ws::GetField(d, IDC_CF_TITLE);
    ws::PressButton(d, IDC_CF_SELECTED);
    ws::SetField(d, IDC_CF_FORMULA, "2+2");
    dup = ws::GetField(d, IDC_CF_STATUS);
    okDup = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::SetField(d, IDC_CF_FORMULA, "1:2");
    good = ws::GetField(d, IDC_CF_CHANNELS);
    okGood = IsWindowEnabled(GetDlgItem(d, IDOK));
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(Dlg_EditChanFormulaEx(wf, &list, 3, 1.0), 1);
  EXPECT_EQ(count, "Segment 2 has 3 scan channels.");
  EXPECT_EQ(title.rfind("for segment 2 of ", 0), 0u) << title;
  EXPECT_EQ(dup, "STATUS:  Duplicate Channel(s)");
  EXPECT_FALSE(okDup);
  EXPECT_NE(good.find("CHANNELS:"), std::string::npos);
  EXPECT_TRUE(okGood);
  EXPECT_EQ(list.kind, static_cast<uint32_t>(CHAN_LIST_LISTED));
  EXPECT_EQ(list.count, 1);
  EXPECT_EQ(list.entries[0].low, 0);
  EXPECT_EQ(list.entries[0].high, 1);
  // Mode 1: the segment at the time; a single channel in the singular.
  std::string one;
  ws::OnNextDialog([&](HWND d) {
    one = ws::GetField(d, IDC_CF_COUNT);
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditChanFormulaEx(wf, &list, 1, 3.5), 0);
  EXPECT_EQ(one, "This file contains 1 scan channel at 3.500 minutes.");
  // Without a file, the default count of 255.
  ws::OnNextDialog([&](HWND d) {
    one = ws::GetField(d, IDC_CF_COUNT);
    ws::PressButton(d, IDCANCEL);
  });
  Dlg_EditChanFormula(nullptr, &list);
  EXPECT_EQ(one, "You can select scan channel numbers from 1 to 255.");
}

}  // namespace
