// The multiple-files dialog driven as a user would: files previewed by
// name and put into rows, plot types chosen from the grid's lists, rows
// moved and cleared, what Enter, "&Open File(s)" and Cancel return, and the
// settings kept for the next time.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/library_state.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/multiple_files_dialog.h"
#include "msfixtures.h"
#include "orvik32/orvik32.h"
#include "ss32d25/ss32d25.h"
#include "win/win_crt.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class MultipleFilesTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
    for (int n = 1; n <= 3; ++n) {
      msfix::RunPlan plan;
      plan.seed = uint32_t(10 + n);
      plan.scans = 120;
      plan.sampleName = "Std " + std::to_string(n);
      ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(Run(n)), plan, nullptr));
    }
    msfix::DetectorPlan detector;
    ASSERT_TRUE(msfix::WriteDetectorFile(win::paths::ToHost("C:\\Runs\\fid.run"), detector, nullptr));
    rows_.assign(MULT_FILES_MOST_ROWS, STRUCT_MULT_FILES_ROW{});
    for (int i = 0; i < MULT_FILES_MOST_ROWS; ++i) {
      rows_[size_t(i)].slot = int16_t(i);
      rows_[size_t(i)].colour = uint32_t(0x000080FF + i * 0x102030);
    }
  }
  void TearDown() override {
    for (auto& r : rows_)
      if (r.scanFuns) FreeBlock(r.scanFuns);
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static std::string Run(int n) { return "C:\\Runs\\std" + std::to_string(n) + ".xms"; }
  static HWND Child(HWND common) {
    HWND grid = ws::FindById(common, IDC_MF_GRID);
    return grid ? GetParent(grid) : nullptr;
  }
  static void TypeName(HWND common, const char* name) {
    SetDlgItemTextA(common, edt1, name);
    ws::PumpUntilIdle();
  }
  static std::string Cell(HWND grid, int col, int row) {
    char text[SS_MAX_TEXT] = {};
    GetGridCellText(grid, col, row, text);
    return text;
  }
  int16_t Open(int16_t count, char* last = nullptr, int16_t fixed = 0) {
    return KELT_New_SelectMultipleFiles(nullptr, rows_.data(), count, "Select Plot(s)", last, "C:\\Runs", fixed);
  }
  std::vector<STRUCT_MULT_FILES_ROW> rows_;
};

TEST_F(MultipleFilesTest, PreviewedFilesGoIntoRowsAndEnterKeepsThem) {
  std::string title, sample, addBefore, file1, type1;
  bool addEnabledBefore = true, addEnabledAfter = false;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    title = ws::Text(d);
    HWND child = Child(d);
    ASSERT_NE(child, nullptr);
    addEnabledBefore = IsWindowEnabled(GetDlgItem(child, IDC_MF_ADD));
    TypeName(d, "std1");  // completed to ".xms"
    sample = ws::GetField(child, IDC_MF_SAMPLE);
    addEnabledAfter = IsWindowEnabled(GetDlgItem(child, IDC_MF_ADD));
    ws::PressButton(child, IDC_MF_ADD);
    TypeName(d, "std2.xms");
    ws::PressButton(child, IDC_MF_ADD);
    HWND grid = GetDlgItem(child, IDC_MF_GRID);
    file1 = Cell(grid, 1, 1);
    type1 = Cell(grid, 2, 1);
    TypeName(d, "std3.xms");
    // Enter with a previewed file and a free row: the file is added and the
    // dialog closes (its own OK button is hidden; Enter still sends IDOK).
    PostMessageA(d, WM_COMMAND, IDOK, 0);
    ws::PumpUntilIdle();
  });
  char last[260] = "";
  EXPECT_EQ(Open(4, last), 1);
  EXPECT_EQ(title, "Select Plot(s)");
  EXPECT_FALSE(addEnabledBefore);
  EXPECT_TRUE(addEnabledAfter);
  EXPECT_EQ(sample, "Std 1");
  EXPECT_EQ(file1, "c:\\runs\\std1.xms");
  EXPECT_EQ(type1.rfind("RIC (", 0), 0u) << type1;
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    const STRUCT_MULT_FILES_ROW& r = rows_[size_t(n - 1)];
    EXPECT_EQ(int(r.inUse), 1);
    EXPECT_EQ(_stricmp(r.path, Run(n).c_str()), 0) << r.path;
    EXPECT_EQ(int(r.dataType), 0);
    EXPECT_EQ(int(r.slot), n - 1);
  }
  EXPECT_EQ(int(rows_[3].inUse), 0);
  EXPECT_EQ(_stricmp(last, Run(3).c_str()), 0) << last;
  EXPECT_EQ(_stricmp(kelt::dlg::ReadMultFilesParams().lastDataFile, Run(3).c_str()), 0);
}

TEST_F(MultipleFilesTest, GridListsSetPlotTypeAndScansAndRowsMove) {
  for (int n = 1; n <= 3; ++n) {
    rows_[size_t(n - 1)].inUse = 1;
    std::snprintf(rows_[size_t(n - 1)].path, 260, "%s", Run(n).c_str());
    KELT_InitRICMassList(&rows_[size_t(n - 1)].massList);
    KELT_InitMergedChanList(&rows_[size_t(n - 1)].chanList);
  }
  std::vector<std::string> scansItems;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND child = Child(d);
    HWND grid = GetDlgItem(child, IDC_MF_GRID);
    // Row 2: "Base Peak Ion", then "all" scans.
    ASSERT_TRUE(ChooseGridListItem(grid, 2, 2, 3));
    ASSERT_TRUE(ChooseGridListItem(grid, 3, 2, 0));
    // Row 3: its first scan function alone.
    ASSERT_TRUE(ChooseGridListItem(grid, 3, 3, rows_[2].listIndexes[MF_SCANS_FIRST_FUN]));
    scansItems.push_back(Cell(grid, 3, 3));
    // Row 1 moved up wraps to the last row.
    SS_CELLCOORD a{-1, 1}, z{-1, 1};
    SetGridSelectedBlock(grid, &a, &z);
    ws::PressButton(child, IDC_MF_MOVE_UP);
    // Row 3 cleared.
    SS_CELLCOORD b{-1, 3}, y{-1, 3};
    SetGridSelectedBlock(grid, &b, &y);
    SendMessageA(child, SSN_SELCHANGE, 0, 0);
    ws::PressButton(child, IDC_MF_CLEAR);
    ws::PressButton(child, IDC_MF_OPEN);
    ws::PumpUntilIdle();
  });
  EXPECT_EQ(Open(4), 1);
  // Row 1 and the free row 4 changed places, slots and colours with them.
  EXPECT_EQ(_stricmp(rows_[3].path, Run(1).c_str()), 0);
  EXPECT_EQ(int(rows_[3].slot), 0);
  EXPECT_EQ(int(rows_[0].inUse), 0);
  EXPECT_EQ(int(rows_[0].slot), 3);
  EXPECT_EQ(int(rows_[1].slot), 1);
  EXPECT_EQ(int(rows_[1].dataType), 3);
  EXPECT_EQ(uint32_t(rows_[1].massList.kind), 2u);
  EXPECT_EQ(uint32_t(rows_[1].chanList.kind), 2u);
  EXPECT_EQ(int(rows_[2].inUse), 0);
  EXPECT_TRUE(rows_[2].scanFuns == nullptr);
  ASSERT_EQ(scansItems.size(), 1u);
  EXPECT_FALSE(scansItems[0].empty());
}

TEST_F(MultipleFilesTest, CancelReturnsZeroAndAFixedFirstRowStays) {
  rows_[0].inUse = 1;
  std::snprintf(rows_[0].path, 260, "%s", Run(2).c_str());
  // A row that names a missing file is cleared with a message.
  rows_[1].inUse = 1;
  std::snprintf(rows_[1].path, 260, "C:\\Runs\\gone.xms");
  std::string locked, locked2;
  bool clearEnabled = true;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND child = Child(d);
    HWND grid = GetDlgItem(child, IDC_MF_GRID);
    locked = Cell(grid, 1, 1);
    SS_CELLCOORD a{-1, 1}, z{-1, 1};
    SetGridSelectedBlock(grid, &a, &z);
    SendMessageA(child, SSN_SELCHANGE, 0, 0);
    clearEnabled = IsWindowEnabled(GetDlgItem(child, IDC_MF_CLEAR));
    ws::PressButton(child, IDC_MF_CLEAR);  // refused: the first row is fixed
    TypeName(d, "std3.xms");
    ws::PressButton(child, IDC_MF_ADD);  // refused too: row 1 is the insertion row
    locked2 = Cell(grid, 1, 1);
    SS_CELLCOORD b{-1, 2}, y{-1, 2};
    SetGridSelectedBlock(grid, &b, &y);
    SendMessageA(child, SSN_SELCHANGE, 0, 0);
    ws::PressButton(child, IDC_MF_ADD);
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Open(3, nullptr, 1), 0);
  EXPECT_EQ(locked, "LOCKED c:\\runs\\std2.xms");
  EXPECT_EQ(locked2, locked);
  EXPECT_TRUE(clearEnabled);
  EXPECT_EQ(_stricmp(rows_[0].path, Run(2).c_str()), 0);
  EXPECT_EQ(int(rows_[1].inUse), 1);  // std3 went into the free row 2 (the insertion row)
  EXPECT_EQ(_stricmp(rows_[1].path, Run(3).c_str()), 0);
  bool missingTold = false;
  for (const auto& box : ws::MessageBoxLog()) missingTold = missingTold || (box.text == "File may be missing." && box.caption == "gone.xms");
  EXPECT_TRUE(missingTold);
}

TEST_F(MultipleFilesTest, SettingsAreKeptForTheNextTime) {
  // No stored record: the preview is shown, nothing kept.
  STRUCT_MULT_FILES_PARAMS first = kelt::dlg::ReadMultFilesParams();
  EXPECT_EQ(first.showPreview, 1);
  EXPECT_EQ(first.keepTimeRange, 0);
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND child = Child(d);
    TypeName(d, "std1.xms");
    ws::SetCheck(child, IDC_MF_KEEP_RANGE, true);
    ws::SetCheck(child, IDC_MF_SHOW_PREVIEW, false);
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Open(1), 0);
  const STRUCT_MULT_FILES_PARAMS p = kelt::dlg::ReadMultFilesParams();
  EXPECT_EQ(p.showPreview, 0);
  EXPECT_EQ(p.keepTimeRange, 1);
  // The stored record is the 288-byte memory image, padding zero.
  STRUCT_MULT_FILES_PARAMS raw{};
  std::memset(&raw, 0xCD, sizeof raw);
  ASSERT_TRUE(GetPrivateProfileStructA("ZO_OpenFiles", "Params", &raw, sizeof raw, kelt::lib::PreferencesIniPath()));
  uint8_t bytes[288];
  std::memcpy(bytes, &raw, sizeof bytes);
  EXPECT_EQ(bytes[4] | bytes[5] | bytes[6] | bytes[7], 0);
  EXPECT_EQ(bytes[284] | bytes[285] | bytes[286] | bytes[287], 0);

  // A remembered file that has gone is forgotten.
  KELT_New_LastDataFileForSelMultFiles("C:\\Runs\\std2.xms");
  EXPECT_STREQ(kelt::dlg::ReadMultFilesParams().lastDataFile, "C:\\Runs\\std2.xms");
  std::filesystem::remove(win::paths::ToHost("C:\\Runs\\std2.xms"));
  EXPECT_STREQ(kelt::dlg::ReadMultFilesParams().lastDataFile, "");
}

TEST_F(MultipleFilesTest, CountsAndTitles) {
  std::string one, many;
  ws::OnNextDialog([&](HWND d) {
    one = ws::Text(d);
    ws::PressButton(d, IDCANCEL);
  });
  KELT_New_SelectMultipleFiles(nullptr, rows_.data(), 1, nullptr, nullptr, "C:\\Runs", 0);
  int rowsShown = 0;
  std::string nameBox;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    many = ws::Text(d);
    nameBox = ws::GetField(d, edt1);
    rowsShown = GetGridRowCount(GetDlgItem(Child(d), IDC_MF_GRID));
    ws::PressButton(d, IDCANCEL);
  });
  std::vector<STRUCT_MULT_FILES_ROW> more(25);
  KELT_New_SelectMultipleFiles(nullptr, more.data(), 25, "", nullptr, "C:\\Runs", 0);
  EXPECT_EQ(one, "Select File");
  EXPECT_EQ(many, "Select Overlay Plots");
  EXPECT_EQ(rowsShown, 20);
  EXPECT_EQ(nameBox, "*.KMS, *.XMS, *.RUN, *.MS");
}

TEST_F(MultipleFilesTest, LongPathsShortenToTheColumn) {
  // Ten pixels a character.
  auto measure = [](const std::string& t) { return int(t.size()) * 10; };
  struct Case {
    const char* path;
    int width;
    const char* shown;
  } cases[] = {
      {"c:\\runs\\std1.xms", 200, "c:\\runs\\std1.xms"},
      {"c:\\runs\\std1.xms", 120, "c:\\runs\\std1"},
      {"c:\\data\\2026\\december\\std1.xms", 200, "c:\\...\\december\\std1"},
      {"c:\\std1.xms", 50, "std1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kelt::dlg::ShortenPathToWidth(c.path, c.width, measure), c.shown) << c.path << " " << c.width;
}

}  // namespace
