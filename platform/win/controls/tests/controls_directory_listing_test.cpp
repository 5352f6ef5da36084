// LB_DIR and CB_DIR list the workstation root's real entries.
#include "controls_test_support.h"

namespace {
class DirectoryListingTest : public ControlParentTest {};
}  // namespace

TEST_F(DirectoryListingTest, ListBoxAndComboListFilesFoldersAndDrives) {
  WriteHostFile("c/MONITOR/b.log", "x");
  WriteHostFile("c/MONITOR/a.log", "x");
  WriteHostFile("c/MONITOR/notes.txt", "x");
  WriteHostFile("c/MONITOR/OLD/x.log", "x");
  HWND list = Child("ListBox", LBS_SORT, 0, 0, 200, 200, 1);
  EXPECT_EQ(SendMessageA(list, LB_DIR, DDL_READWRITE, reinterpret_cast<LPARAM>("C:\\MONITOR\\*.log")), 1);
  EXPECT_EQ(win::script::ListItems(parent, 1), (std::vector<std::string>{"a.log", "b.log"}));
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  SendMessageA(list, LB_DIR, DDL_DIRECTORY | DDL_DRIVES, reinterpret_cast<LPARAM>("C:\\MONITOR\\*.*"));
  auto items = win::script::ListItems(parent, 1);
  EXPECT_NE(std::find(items.begin(), items.end(), "[OLD]"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), "[..]"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), "[-c-]"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), "notes.txt"), items.end());
  EXPECT_EQ(SendMessageA(list, LB_DIR, 0, reinterpret_cast<LPARAM>("C:\\NOWHERE\\*.*")), LB_ERR);
  EXPECT_EQ(SendMessageA(list, LB_DIR, 0, 0), LB_ERR);
  HWND combo = Child("ComboBox", CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 200, 2);
  EXPECT_EQ(SendMessageA(combo, CB_DIR, 0, reinterpret_cast<LPARAM>("C:\\MONITOR\\*.TXT")), 0);
  EXPECT_EQ(win::script::ListItems(parent, 2), (std::vector<std::string>{"notes.txt"}));
}
