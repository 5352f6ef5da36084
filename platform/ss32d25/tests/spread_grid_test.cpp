// The grid control driven as the multiple-files dialog drives it: rows,
// column ids, list cells and their values, swaps, and the notifications a
// user's clicks, keys and list choices send.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ss32d25/ss32d25.h"
#include "testing/workstation_root.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

std::vector<std::pair<UINT, std::string>> g_seen;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SSN_LISTPICK) {
    const auto* p = reinterpret_cast<const SS_LISTPICK*>(lParam);
    g_seen.push_back({msg, std::to_string(p->columnId) + "/" + std::to_string(p->row) + "/" +
                               std::to_string(p->item)});
    return 0;
  }
  if (msg == SSN_KEY) {
    g_seen.push_back({msg, std::to_string(LOWORD(wParam)) + (HIWORD(wParam) & 1 ? "S" : "")});
    return 0;
  }
  if (msg >= 0x500 && msg <= 0x17FF) {
    g_seen.push_back({msg, ""});
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class SpreadGridTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    g_seen.clear();
    ASSERT_TRUE(RegisterGridClass());
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = "GridTestParent";
    RegisterClassA(&wc);
    parent_ = CreateWindowExA(0, "GridTestParent", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 300, nullptr,
                              nullptr, nullptr, nullptr);
    grid_ = CreateWindowExA(0, SS_GRID_CLASS, "OpenMultipleFiles", WS_CHILD | WS_VISIBLE, 0, 0, 400, 200, parent_,
                            reinterpret_cast<HMENU>(3577), nullptr, nullptr);
    ASSERT_NE(grid_, nullptr);
    for (int c = 1; c <= 3; ++c) SetGridColumnId(grid_, c, 100 + c);
    ASSERT_EQ(SendMessageA(grid_, SSM_SETMAXROWS, 0, 5), 0);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    WorkstationRootTest::TearDown();
  }
  std::string Text(int col, int row) {
    char buffer[SS_MAX_TEXT];
    return GetGridCellText(grid_, col, row, buffer) >= 0 ? buffer : "<none>";
  }
  HWND parent_ = nullptr, grid_ = nullptr;
};

TEST_F(SpreadGridTest, ListCellsHoldItemsAndTheirChosenNumber) {
  EXPECT_EQ(SendMessageA(grid_, SSM_GETCOLFROMID, 0, 102), 2);
  EXPECT_EQ(SendMessageA(grid_, SSM_GETIDFROMCOL, 0, 3), 103);
  EXPECT_EQ(SendMessageA(grid_, SSM_GETCOLFROMID, 0, 999), 0);
  EXPECT_EQ(SendMessageA(grid_, SSM_SETMAXROWS, 0, SS_MAX_ROWS + 1), SS_ERR_ROWS);

  SS_CELLTYPE type;
  ASSERT_TRUE(SetGridListType(grid_, &type, 2, "RIC (50.0 - 550.0)\tIon(s)\tIntensity of Base Peak\tBase Peak Ion\t"));
  ASSERT_TRUE(SetGridCellType(grid_, 2, 3, &type));
  EXPECT_EQ(Text(2, 3), "");
  ASSERT_TRUE(SetGridCellText(grid_, 2, 3, "2"));
  EXPECT_EQ(Text(2, 3), "Intensity of Base Peak");
  char value[SS_MAX_TEXT];
  ASSERT_EQ(GetGridCellValueText(grid_, 2, 3, value), 1);
  EXPECT_STREQ(value, "2");
  // Values that are no item are refused and change nothing.
  for (const char* bad : {"4", "-1", "x", "1x"}) EXPECT_FALSE(SetGridCellText(grid_, 2, 3, bad)) << bad;
  EXPECT_EQ(Text(2, 3), "Intensity of Base Peak");
  EXPECT_FALSE(SetGridCellText(grid_, 4, 1, "x"));
  EXPECT_FALSE(SetGridCellText(grid_, 1, 6, "x"));

  ASSERT_TRUE(ChooseGridListItem(grid_, 2, 3, 3));
  EXPECT_EQ(Text(2, 3), "Base Peak Ion");
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen.back(), (std::pair<UINT, std::string>{SSN_LISTPICK, "102/3/3"}));
  EXPECT_FALSE(ChooseGridListItem(grid_, 2, 3, 4));
  EXPECT_FALSE(ChooseGridListItem(grid_, 1, 3, 0));  // a text cell has no list

  ASSERT_TRUE(ResetGridCell(grid_, 2, 3, SS_RESET_ALL, 0, 0));
  EXPECT_TRUE(GetGridCellType(grid_, 2, 3, &type));
  EXPECT_EQ(type.type, SS_CELL_TEXT);
}

TEST_F(SpreadGridTest, RowsSwapAndClearWhole) {
  for (int r = 1; r <= 5; ++r) SetGridCellText(grid_, 1, r, ("c:\\data\\run" + std::to_string(r) + ".kms").c_str());
  ASSERT_TRUE(SwapGridRows(grid_, -1, 2, -1, 2, 1, 5));
  EXPECT_EQ(Text(1, 2), "c:\\data\\run5.kms");
  EXPECT_EQ(Text(1, 5), "c:\\data\\run2.kms");
  EXPECT_FALSE(SwapGridRows(grid_, -1, 2, -1, 2, 1, 6));
  ASSERT_TRUE(ClearGridRange(grid_, -1, 2, -1, 3));
  EXPECT_EQ(Text(1, 2), "");
  EXPECT_EQ(Text(1, 3), "");
  EXPECT_EQ(Text(1, 4), "c:\\data\\run4.kms");
}

TEST_F(SpreadGridTest, ClicksSelectAndKeysReachTheListCell) {
  SetGridColumnWidthPixels(grid_, 1, 200);
  SetGridColumnWidthPixels(grid_, 2, 100);
  SetGridColumnWidthPixels(grid_, 3, 100);
  int32_t header = 0, row = 0;
  GetGridRowHeightPixels(grid_, SS_HEADER_ROW, &header);
  GetGridRowHeightPixels(grid_, 1, &row);
  // Row 2, file column.
  win::script::Click(grid_, 20, header + row + row / 2);
  int32_t c = 0, r = 0;
  GetGridActiveCell(grid_, &c, &r);
  EXPECT_EQ(c, 1);
  EXPECT_EQ(r, 2);
  SS_CELLCOORD a{}, b{};
  ASSERT_TRUE(GetGridSelectedBlock(grid_, &a, &b));
  EXPECT_EQ(a.row, 2);
  EXPECT_EQ(b.row, 2);
  // Shift-click on row 4 selects rows 2 to 4 whole.
  win::script::KeyDown(VK_SHIFT);
  win::script::Click(grid_, 20, header + 3 * row + row / 2);
  win::script::KeyUp(VK_SHIFT);
  ASSERT_TRUE(GetGridSelectedBlock(grid_, &a, &b));
  EXPECT_EQ(a.col, -1);
  EXPECT_EQ(a.row, 2);
  EXPECT_EQ(b.row, 4);

  SS_CELLTYPE type;
  SetGridListType(grid_, &type, 2, "RIC\tIon(s)\t");
  SetGridCellType(grid_, 2, 1, &type);
  g_seen.clear();
  win::script::Click(grid_, 250, header + row / 2);
  win::script::Type("5:");
  win::script::PressKey(VK_RETURN);
  std::vector<std::pair<UINT, std::string>> keys;
  for (const auto& m : g_seen)
    if (m.first == SSN_EDITSTART || m.first == SSN_EDITEND || m.first == SSN_KEY) keys.push_back(m);
  ASSERT_GE(keys.size(), 4u);
  EXPECT_EQ(keys.front().first, UINT(SSN_EDITSTART));
  EXPECT_EQ(keys.back().first, UINT(SSN_EDITEND));
  EXPECT_EQ(keys[1], (std::pair<UINT, std::string>{SSN_KEY, "53"}));
}

}  // namespace
