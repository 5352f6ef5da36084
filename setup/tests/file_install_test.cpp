// Installing single files: the four modes, versions, backups and their
// records, compressed sources, self-registration and locked files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "file_install.h"
#include "uninstall.h"
#include "script_format.h"
#include "setup_run_fixture.h"
#include "win/win_kernel.h"
#include "win/win_faults.h"
#include "win/win_lz.h"

namespace setup {
namespace {

using FileInstallTest = InstallRunTest;

TEST_F(FileInstallTest, ModesAndVersionsDecideWhatIsCopied) {
  struct Case {
    const char* what;
    int mode;
    uint16_t installed[3];  // 0: no installed file; {1,0,0} with text but no version: see hasVersion
    bool installedVersion;
    uint16_t fresh[3];
    const char* result;  // file text afterwards
    const char* logTail;
  } cases[] = {
      {"update, same version", kUpdate, {6, 2, 5}, true, {6, 2, 5}, "new", " 6.2.5.0 6.2.5.0  - Updated"},
      {"update, newer", kUpdate, {6, 2, 5}, true, {6, 2, 9}, "new", " 6.2.5.0 6.2.9.0  - Updated"},
      {"update over a higher version", kUpdate, {6, 3, 0}, true, {6, 2, 9}, "old", " 6.3.0.0 6.2.9.0  - Not Updated"},
      {"update, build higher only", kUpdate, {6, 2, 10}, true, {6, 2, 9}, "old", " - Not Updated"},
      {"update without versions", kUpdate, {1, 0, 0}, false, {0, 0, 0}, "new", " bytes) - Updated"},
      {"always over a higher version", kAlways, {7, 0, 0}, true, {6, 0, 0}, "new", " bytes) - Updated"},
      {"never with the file there", kNever, {6, 0, 0}, true, {6, 1, 0}, "old", " (no overwrite)"},
      {"never, new file", kNever, {0, 0, 0}, false, {6, 1, 0}, "new", " - Updated"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(Host("c/Workstation/bin"));
    if (c.installed[0]) {
      VersionedFile("c/Workstation/bin/a.dll", "old", c.installedVersion ? c.installed[0] : 0, c.installed[1],
                    c.installed[2]);
    }
    VersionedFile("d/PATCH/bin/a.dll", "new", c.fresh[0], c.fresh[1], c.fresh[2]);
    ASSERT_EQ(InstallFile(nullptr, "D:\\PATCH\\bin\\a.dll", "a.dll", kDest, "bin", c.mode, 0, 0), 1) << c.what;
    const std::string text = ReadHostFile("c/Workstation/bin/a.dll").substr(0, 3);
    EXPECT_EQ(text, c.result) << c.what;
    const std::string log = Log();
    const std::string last = log.substr(log.rfind("\r\n", log.size() - 3) + 2);
    EXPECT_NE(last.find(c.logTail), std::string::npos) << c.what << ": " << last;
    EXPECT_NE(last.find("C:\\WORKSTATION\\BIN\\a.dll"), std::string::npos) << c.what << ": " << last;
  }
  EXPECT_EQ(TheRun().failed, 0);
}

TEST_F(FileInstallTest, BackupsOfSameNamedFilesKeepTheirFoldersAndAreRecorded) {
  WriteHostFile("c/Workstation/a.dll", "top old");
  WriteHostFile("c/Workstation/bin/a.dll", "bin old");
  WriteHostFile("d/PATCH/a.dll", "top new");
  WriteHostFile("d/PATCH/bin/a.dll", "bin new");
  WriteHostFile("d/PATCH/new.dll", "brand new");
  InstallFile(nullptr, "D:\\PATCH\\a.dll", "a.dll", kDest, "", kAlways, 0, 0);
  InstallFile(nullptr, "D:\\PATCH\\bin\\a.dll", "a.dll", kDest, "bin", kAlways, 0, 0);
  InstallFile(nullptr, "D:\\PATCH\\new.dll", "new.dll", kDest, "", kAlways, 0, 0);
  InstallFile(nullptr, "D:\\PATCH\\new.dll", "kept.dll", kDest, "", kAlways, 1, 0);  // KEEP: no backup
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/C/WORKSTATION/a.dll"), "top old");
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/C/WORKSTATION/BIN/a.dll"), "bin old");
  EXPECT_EQ(Record(1), "C:\\WORKSTATION\\a.dll");
  EXPECT_EQ(Record(2), "C:\\WORKSTATION\\BIN\\a.dll");
  EXPECT_EQ(Record(3), "C:\\WORKSTATION\\new.dll");
  EXPECT_EQ(Record(4), "");
  EXPECT_EQ(ReadHostFile("c/Workstation/kept.dll"), "brand new");
}

TEST_F(FileInstallTest, RemoveKeepsABackupAndItsRecord) {
  WriteHostFile("c/Workstation/old.dll", "retired");
  WriteHostFile("d/PATCH/old.dll", "");
  ASSERT_EQ(InstallFile(nullptr, "D:\\PATCH\\old.dll", "old.dll", kDest, "", kRemove, 0, 0), 1);
  EXPECT_FALSE(HostExists("c/Workstation/old.dll"));
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/C/WORKSTATION/old.dll"), "retired");
  EXPECT_EQ(Record(1), "C:\\WORKSTATION\\old.dll");
  ASSERT_EQ(InstallFile(nullptr, "D:\\PATCH\\old.dll", "old.dll", kDest, "", kRemove, 0, 0), 1);
  EXPECT_NE(Log().find("Remove file: C:\\WORKSTATION\\old.dll does not exist. Not Removed\r\n"), std::string::npos);
  EXPECT_NE(Log().find("Removing file: C:\\WORKSTATION\\old.dll\r\n"), std::string::npos);
  EXPECT_EQ(TheRun().failed, 0);
}

// Whichever write the disk fills at (the backup's copy, its record, the
// temporary copy, the file itself), a file that was changed has its record
// and its way back, and the uninstaller brings back the workstation.
TEST_F(FileInstallTest, AFullDiskAtAnyWriteLeavesEveryChangedFileWithItsWayBack) {
  struct Case {
    const char* what;
    const char* before;  // nullptr: no file there
    int mode;
  } cases[] = {
      {"replace", "old bytes", kAlways},
      {"add", nullptr, kAlways},
      {"remove", "retired bytes", kRemove},
  };
  WriteHostFile("d/PATCH/f.dll", "new bytes");
  for (const Case& c : cases) {
    for (int full = 1; full <= 8; ++full) {
      SCOPED_TRACE(std::string(c.what) + ", disk full from write " + std::to_string(full));
      std::filesystem::create_directories(Host("c/Workstation/Patch000"));
      ASSERT_TRUE(WriteSetupRegValue("PatchDir", "C:\\Workstation\\Patch000"));
      std::filesystem::remove(Host("c/Workstation/f.dll"));
      if (c.before) WriteHostFile("c/Workstation/f.dll", c.before);
      TheRun().failed = 0;
      TheRun().backupCounter = 1;
      win::faults::Plan(0, full);
      InstallFile(nullptr, "D:\\PATCH\\f.dll", "f.dll", kDest, "", c.mode, 0, 0);
      win::faults::Plan(0, 0);
      const bool changed = c.before ? !HostExists("c/Workstation/f.dll") ||
                                          ReadHostFile("c/Workstation/f.dll") != c.before
                                    : HostExists("c/Workstation/f.dll");
      if (changed) {
        EXPECT_EQ(Record(1), "C:\\WORKSTATION\\f.dll");
      } else if (TheRun().failed == 0) {
        ADD_FAILURE() << "nothing changed, yet the run did not fail";
      }
      const int left = UninstallUpdate("Fix 7");
      EXPECT_TRUE(left == 0 || (left == -1 && !changed)) << left;
      if (c.before)
        EXPECT_EQ(ReadHostFile("c/Workstation/f.dll"), c.before);
      else
        EXPECT_FALSE(HostExists("c/Workstation/f.dll"));
    }
  }
}

TEST_F(FileInstallTest, CompressedSourcesAreInstalledExpanded) {
  const std::string body = "library " + std::string(5000, 'L');
  const auto packed = win::lz::Compress(std::vector<uint8_t>(body.begin(), body.end()), 'l');
  WriteHostFile("d/PATCH/lib.dl_", std::string(packed.begin(), packed.end()));
  ASSERT_EQ(InstallFile(nullptr, "D:\\PATCH\\lib.dl_", "lib.dll", kDest, "", kAlways, 0, 0), 1);
  EXPECT_EQ(ReadHostFile("c/Workstation/lib.dll"), body);
  EXPECT_NE(Log().find("Installing C:\\WORKSTATION\\lib.dll (5008 bytes) - Updated"), std::string::npos) << Log();
  // A damaged compressed source installs nothing.
  std::string damaged(packed.begin(), packed.end());
  damaged.resize(damaged.size() / 2);
  WriteHostFile("d/PATCH/bad.dl_", damaged);
  InstallFile(nullptr, "D:\\PATCH\\bad.dl_", "lib.dll", kDest, "", kAlways, 0, 0);
  EXPECT_EQ(ReadHostFile("c/Workstation/lib.dll"), body);
  EXPECT_EQ(TheRun().failed, 1);
}

// The backup is a copy taken (and recorded) before the file is touched, so
// a file in use keeps its way back although it cannot be replaced.
TEST_F(FileInstallTest, ALockedFileIsNotReplacedAndKeepsItsWayBack) {
  WriteHostFile("c/Workstation/busy.dll", "in use");
  WriteHostFile("d/PATCH/busy.dll", "new");
  HANDLE held = CreateFileA("C:\\Workstation\\busy.dll", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_EQ(InstallFile(nullptr, "D:\\PATCH\\busy.dll", "busy.dll", kDest, "", kAlways, 0, 0), 1);
  CloseHandle(held);
  EXPECT_EQ(ReadHostFile("c/Workstation/busy.dll"), "in use");
  EXPECT_EQ(TheRun().failed, 1);
  EXPECT_EQ(Record(1), "C:\\WORKSTATION\\busy.dll");
  EXPECT_EQ(ReadHostFile("c/Workstation/Patch000/C/WORKSTATION/busy.dll"), "in use");
  EXPECT_NE(Log().find(" - COPY FAILED!"), std::string::npos) << Log();
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "Error Copying File!");
  // Not uninstallable: the copy itself fails.
  TheRun().uninstallable = 0;
  TheRun().failed = 0;
  held = CreateFileA("C:\\Workstation\\busy.dll", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  InstallFile(nullptr, "D:\\PATCH\\busy.dll", "busy.dll", kDest, "", kAlways, 0, 0);
  CloseHandle(held);
  EXPECT_EQ(ReadHostFile("c/Workstation/busy.dll"), "in use");
  EXPECT_EQ(TheRun().failed, 1);
  EXPECT_NE(Log().find(" - COPY FAILED!"), std::string::npos);
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "Error Copying File!");
}

TEST_F(FileInstallTest, SelfRegistrationPassesTheQuotedPath) {
  WriteHostFile("c/WINDOWS/SYSTEM32/regsvr32.exe", "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> regsvr.txt\n");
  chmod(Host("c/WINDOWS/SYSTEM32/regsvr32.exe").c_str(), 0755);
  WriteHostFile("d/PATCH/ctl.ocx", "control");
  ASSERT_EQ(InstallFile(nullptr, "D:\\PATCH\\ctl.ocx", "ctl.ocx", kDest, "Shared Controls", kAlways, 0, 1), 1);
  EXPECT_EQ(ReadHostFile("c/WINDOWS/SYSTEM32/regsvr.txt"), "/s|" + Host("c/Workstation/Shared Controls/ctl.ocx") + "\n");
  EXPECT_NE(Log().find("Self Registered C:\\WORKSTATION\\SHARED CONTROLS\\ctl.ocx result:OK"), std::string::npos)
      << Log();
}

TEST_F(FileInstallTest, AMissingSourceOrFolderStopsBeforeAnythingChanges) {
  EXPECT_EQ(InstallFile(nullptr, "D:\\PATCH\\none.dll", "none.dll", kDest, "", kAlways, 0, 0), 0);
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "Can't read source file");
  EXPECT_NE(Log().find("Can't read source file D:\\PATCH\\none.dll"), std::string::npos);
  WriteHostFile("d/PATCH/a.dll", "a");
  EXPECT_EQ(InstallFile(nullptr, "D:\\PATCH\\a.dll", "a.dll", kDest, "x\\y", kAlways, 0, 0), 0);
  EXPECT_NE(Log().find("Error Creating Folder: C:\\Workstation\\x\\y"), std::string::npos);
  EXPECT_EQ(TheRun().failed, 0);
}

}  // namespace
}  // namespace setup
