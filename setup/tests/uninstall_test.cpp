// The uninstaller: records of any length, records it cannot act on, what
// it says it did, and what it leaves once everything is undone.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "file_install.h"
#include "setup_run_fixture.h"
#include "uninstall.h"
#include "win/win_kernel.h"
#include "win/win_registry.h"

namespace setup {
namespace {

class UninstallTest : public InstallRunTest {
 protected:
  void SetUp() override {
    InstallRunTest::SetUp();
    ASSERT_TRUE(WriteSetupRegValue("PatchDir", "C:\\Workstation\\Patch000"));
  }
  // What the installer does to a file: its way back, then the new bytes.
  void Replace(const std::string& winPath, const std::string& hostRel, const std::string& bytes) {
    ASSERT_TRUE(KeepWayBack(winPath));
    WriteHostFile(hostRel, bytes);
  }
};

TEST_F(UninstallTest, RecordsOfAnyLengthAreUndoneAndSaidSo) {
  // An install folder deep enough that the record is 325 characters long.
  std::string deep = "C:\\Workstation";
  std::string deepHost = "c/Workstation";
  while (deep.size() < 310) {
    deep += "\\Instrument Methods Folder";
    deepHost += "/Instrument Methods Folder";
  }
  const std::string file = deep + "\\method_defaults.ini";
  std::filesystem::create_directories(Host(deepHost));
  WriteHostFile(deepHost + "/method_defaults.ini", "as shipped");
  Replace(file, deepHost + "/method_defaults.ini", "updated");
  ASSERT_GT(file.size(), 320u);
  Replace("C:\\Workstation\\added.dll", "c/Workstation/added.dll", "new file");
  WriteHostFile("c/Workstation/zeph.val", "validation before");
  ASSERT_TRUE(CopyFileA("C:\\Workstation\\zeph.val", "C:\\Workstation\\Patch000\\zeph.val", FALSE));
  WriteHostFile("c/Workstation/zeph.val", "validation after");

  const UninstallReport r = UndoUpdate("Fix 7");
  ASSERT_TRUE(r.found);
  EXPECT_TRUE(r.problems.empty()) << r.problems.front();
  EXPECT_EQ(ReadHostFile(deepHost + "/method_defaults.ini"), "as shipped");
  EXPECT_FALSE(HostExists("c/Workstation/added.dll"));
  EXPECT_EQ(ReadHostFile("c/Workstation/zeph.val"), "validation before");
  ASSERT_EQ(r.restored.size(), 2u);
  EXPECT_EQ(r.restored[0], file);
  EXPECT_EQ(r.restored[1], "C:\\Workstation\\zeph.val");
  ASSERT_EQ(r.removed.size(), 1u);
  EXPECT_EQ(r.removed[0], "C:\\Workstation\\added.dll");
  // Undone: its records and backups are gone, a second undo finds nothing.
  EXPECT_FALSE(HostExists("c/Workstation/Patch000"));
  EXPECT_EQ(Record(1), "");
  EXPECT_EQ(UninstallUpdate("Fix 7"), -1);
}

TEST_F(UninstallTest, ARecordThatCannotBeActedOnIsNamedAndCounted) {
  WriteHostFile("c/Workstation/a.dll", "a old");
  Replace("C:\\Workstation\\a.dll", "c/Workstation/a.dll", "a new");
  // A file recorded with neither a backup nor the mark of an added file:
  // removing it could lose the workstation's own file, so it stays.
  WriteHostFile("c/Workstation/ghost.dll", "the workstation's");
  ASSERT_TRUE(RecordBackup("C:\\Workstation\\ghost.dll"));
  // A record that is no path at all.
  ASSERT_TRUE(RecordBackup("ghost"));
  HKEY k;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, TheRun().patchKey.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  const DWORD number = 7;
  ASSERT_EQ(RegSetValueExA(k, "4", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number), ERROR_SUCCESS);
  RegCloseKey(k);

  const UninstallReport r = UndoUpdate("Fix 7");
  EXPECT_EQ(ReadHostFile("c/Workstation/ghost.dll"), "the workstation's");
  EXPECT_EQ(ReadHostFile("c/Workstation/a.dll"), "a old") << "the other records are undone";
  ASSERT_EQ(r.problems.size(), 3u);
  EXPECT_EQ(r.problems[0], "record 3 names no file: it cannot be undone");
  EXPECT_EQ(r.problems[1], "record 4 names no file: it cannot be undone");
  EXPECT_EQ(r.problems[2], "C:\\Workstation\\ghost.dll has no backup in C:\\Workstation\\Patch000: it is left as it is");
  // Nothing is forgotten while something is left to undo.
  EXPECT_TRUE(HostExists("c/Workstation/Patch000"));
  EXPECT_EQ(Record(1), "C:\\Workstation\\a.dll");
  EXPECT_EQ(UninstallUpdate("Fix 7"), 3);
}

}  // namespace
}  // namespace setup
