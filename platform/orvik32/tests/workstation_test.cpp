// Workstation folders, ini path, clock and whole-file facts.
#include <chrono>
#include <cstring>

#include "orvik32/orvik32_dialogs.h"
#include "store_fixture.h"

namespace {

class WorkstationTest : public StoreFixture {};

TEST_F(WorkstationTest, FoldersIniPathAndClock) {
  char dir[MAX_PATH];
  ASSERT_TRUE(GetProgramDirectory(dir));
  EXPECT_STREQ(dir, "C:\\Workstation");
  const char* ini = GetWorkstationIniPath();
  ASSERT_NE(ini, nullptr);
  EXPECT_EQ(ini, GetWorkstationIniPath());  // stable, never freed
  EXPECT_EQ(std::strncmp(ini, "C:\\Workstation\\", 15), 0);
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  EXPECT_NEAR(static_cast<double>(GetCurrentDateTime()), static_cast<double>(now), 5.0);
}

TEST_F(WorkstationTest, FileExistsOnlyForFiles) {
  const std::string f = Path("x.kms");
  EXPECT_FALSE(FileExists(f.c_str()));
  ASSERT_TRUE(CreateSectionFileAtPath(f.c_str(), 666, 0, 0));
  EXPECT_TRUE(FileExists(f.c_str()));
  EXPECT_TRUE(FileExists("c:\\temp\\X.KMS"));  // names found without regard to case
  EXPECT_FALSE(FileExists("C:\\TEMP"));
  EXPECT_FALSE(IsFileReadOnly(f.c_str()));
  EXPECT_FALSE(IsFileReadOnly(Path("missing").c_str()));
}

}  // namespace

namespace {
TEST_F(WorkstationTest, DefaultFoldersPerKindLeaveThePathAlone) {
  char path[] = "C:\\Data\\Runs\\a.xms";
  SetDefaultFolderForType(path, "run");
  EXPECT_STREQ(path, "C:\\Data\\Runs\\a.xms");
  char folder[260];
  ASSERT_TRUE(GetDefaultFolderForType("run", folder));
  EXPECT_STREQ(folder, "C:\\Data\\Runs\\");
  EXPECT_FALSE(GetDefaultFolderForType("mth", folder));
  EXPECT_STREQ(folder, "");
}
}  // namespace
