// The version information dialog as a user sees it for a file without an
// archive: the names, the "no archive" and "no history" texts, nothing to
// extract or print.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "dialogs/version_info_dialog.h"
#include "win/win_script.h"

namespace {

using VersionInfoDialogTest = KeltRootTest;

TEST_F(VersionInfoDialogTest, ShowsTheFileAndNoHistory) {
  CVersionInfoDlg dlg;
  dlg.SetFileInfo("water.kms", "C:\\Data\\water.kms", -1, 1);
  dlg.SetVersionNumbers(nullptr, nullptr, 4);
  EXPECT_EQ(dlg.m_firstVersion, -1);
  EXPECT_EQ(dlg.m_lastVersion, -1);
  EXPECT_EQ(dlg.m_slot, 4);
  EXPECT_EQ(dlg.m_writeProtected, 1);
  std::vector<std::string> shown;
  std::vector<bool> enabled;
  win::script::OnNextDialog([&](HWND d) {
    char caption[64] = {};
    GetWindowTextA(d, caption, sizeof caption);
    shown = {caption, win::script::GetField(d, VER_DATA_FILE_ID), win::script::GetField(d, VER_ARCHIVE_FILE_ID),
             win::script::GetField(d, VER_HISTORY_ID)};
    for (int id : {VER_VERSIONS_ID, VER_EXTRACT_ID, VER_PRINT_ID, VER_HELP_ID, IDCANCEL})
      enabled.push_back(IsWindowEnabled(GetDlgItem(d, id)) != 0);
    win::script::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(shown, (std::vector<std::string>{"Version Info", "water.kms", VER_NO_ARCHIVE_TEXT, VER_NO_HISTORY_TEXT}));
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, true, true}));
  // A slot past the overlay's table is no plot.
  dlg.SetVersionNumbers(nullptr, nullptr, 20);
  EXPECT_EQ(dlg.m_slot, -1);
}

}  // namespace
