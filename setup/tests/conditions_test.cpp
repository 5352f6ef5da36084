// Conditions and file tests of [General] and components, against facts
// set by hand and against the machine's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "conditions.h"
#include "run_state.h"
#include "setup_test_root.h"

namespace setup {
namespace {

class ConditionsTest : public SetupRootTest {
 protected:
  void SetUp() override {
    SetupRootTest::SetUp();
    TheRun().scriptPath = ScriptPath();
    TheRun().title = "Fix 7";
    TheRun().destFolder = "C:\\Workstation";
    TheRun().sourceFolder = "D:\\PATCH";
    TheFacts() = Facts{};
  }
  void TearDown() override {
    unsetenv("KELT_ADMIN");
    unsetenv("KELT_WINDOWS_VERSION");
    SetupRootTest::TearDown();
  }
  // Evaluates one Conditions value in a section of its own.
  int Evaluate(const std::string& conditions) {
    WriteScript("[c]\nConditions=" + conditions + "\n");
    return EvaluateConditions("c");
  }
};

TEST_F(ConditionsTest, TokensMustAllHoldAndSayWhyNot) {
  Facts xp;
  xp.nt = 1;
  xp.winXP = 1;
  xp.administrator = 1;
  xp.version = 6.2f;
  xp.servicePackLevel = 2;
  xp.zeph6 = 1;
  Facts w2k = xp;
  w2k.winXP = 0;
  w2k.win2k = 1;
  Facts me;
  me.win9x = 1;
  me.winME = 1;
  struct Case {
    const Facts* facts;
    const char* conditions;
    int result;
    const char* message;
  } cases[] = {
      {&w2k, "WinNT4", 0, "Setup cannot continue because the OS is not Windows NT4"},
      {&w2k, "Winnt", 1, ""},
      {&xp, "Winnt & !Win2k, WinXP", 1, ""},
      {&w2k, "Winnt & !Win2k, WinXP", 0, "Setup cannot continue because the OS is  Windows 2000"},
      {&me, "Administrator", 1, ""},
      {&me, "!Administrator", 1, ""},
      {&xp, "!Administrator", 0, "Setup cannot continue because the user is  an Administrator"},
      {&xp, "VersionGE 6.2", 1, ""},
      {&xp, "VersionGT 6.2", 0, "This update does not apply to Workstation version 6.20"},
      {&xp, "VersionIS 6.0", 0, "Setup cannot continue because the Workstation is not version 6.00"},
      {&xp, "!VersionIS 6.0", 1, ""},
      {&xp, "SPLevelGT 2", 0, "This update does not apply to Workstation Serve Pack 2"},
      {&xp, "SPLevelIS 2, SPLevelLT 3", 1, ""},
      {&xp, "!SPLevelIS 2", 0, "Setup cannot continue because the Workstation is  at Service Pack 2"},
      {&xp, "Zeph6 &Demo", 0, "Setup cannot continue because the Workstation is not a \"Demo\" version"},
      {&xp, "!Halv6,  zeph6   ", 1, ""},
  };
  for (const Case& c : cases) {
    TheFacts() = *c.facts;
    TheRun().conditionMessage.clear();
    EXPECT_EQ(Evaluate(c.conditions), c.result) << c.conditions;
    if (!c.result) {
      EXPECT_EQ(TheRun().conditionMessage, c.message) << c.conditions;
    }
  }
}

TEST_F(ConditionsTest, SyntaxErrorsStopTheProgramWithExitCodeOne) {
  TheFacts().nt = 1;
  TheFacts().version = 6.2f;
  struct Case {
    const char* conditions;
    const char* message;
  } cases[] = {
      {"Win7", "Unknown condition \"Win7\" in line \"Win7\" in section \"c\", exiting."},
      {"Winnt, VersionIS 0", "Error in Conditions line \"Winnt, VersionIS 0\" in section \"c\". Bad float value. exiting."},
      {"VersionGE six", "Error in Conditions line \"VersionGE six\" in section \"c\". Bad float value. exiting."},
      {"Winnt | WinXP", "Conditions line \"Winnt | WinXP\" in section \"c\" uses \"|\", which is not supported: every "
                        "condition must hold. exiting."},
  };
  for (const Case& c : cases) {
    win::script::ResetLogs();
    try {
      Evaluate(c.conditions);
      ADD_FAILURE() << c.conditions << " did not stop";
    } catch (const ExitRequest& e) {
      EXPECT_EQ(e.code, 1);
    }
    const auto boxes = win::script::MessageBoxLog();
    ASSERT_EQ(boxes.size(), 1u) << c.conditions;
    EXPECT_EQ(boxes[0].text, c.message);
    EXPECT_EQ(boxes[0].caption, "Fix 7");
  }
}

TEST_F(ConditionsTest, FileExistsLooksInTheKeywordsFolder) {
  WriteHostFile("c/Workstation/bin/a.dll", "x");
  WriteHostFile("d/PATCH/fix.exe", "x");
  struct Case {
    const char* value;
    int result;
    const char* message;
  } cases[] = {
      {"a.dll,DEST,bin", 1, ""},
      {"a.dll,browse,bin", 1, ""},
      {"fix.exe,AS_IS", 1, ""},
      {"a.dll,DEST", 0, "Stopping because file C:\\Workstation\\a.dll doesn't exist."},
      {"bin,DEST", 0, "Stopping because file C:\\Workstation\\bin doesn't exist."},
      {"a.dll", 0, "There is a problem with setup.ini line: a.dll"},
      {"a.dll,ELSEWHERE", 0, "There is a problem with setup.ini line: a.dll,ELSEWHERE"},
  };
  for (const Case& c : cases) {
    WriteScript(std::string("[c]\nFileExists=") + c.value + "\n");
    TheRun().conditionMessage.clear();
    EXPECT_EQ(EvaluateConditions("c"), c.result) << c.value;
    if (!c.result) {
      EXPECT_EQ(TheRun().conditionMessage, c.message) << c.value;
    }
  }
}

TEST_F(ConditionsTest, TheMachinesFactsComeFromItsVersionAndToken) {
  setenv("KELT_WINDOWS_VERSION", "NT 5.0", 1);
  setenv("KELT_ADMIN", "deny-only", 1);
  TheRun().workstationKnown = 0;
  DetectInstalledProducts();
  EXPECT_EQ(TheFacts().nt, 1);
  EXPECT_EQ(TheFacts().win2k, 1);
  EXPECT_EQ(TheFacts().winXP, 0);
  EXPECT_EQ(TheFacts().administrator, 0) << "a deny-only group is no membership";
  setenv("KELT_ADMIN", "1", 1);
  EXPECT_EQ(IsUserAdministrator(), 1);
  setenv("KELT_WINDOWS_VERSION", "9x 4.10", 1);
  DetectInstalledProducts();
  EXPECT_EQ(TheFacts().win98, 1);
  EXPECT_EQ(TheFacts().administrator, 0);
  EXPECT_EQ(TheFacts().zeph6 + TheFacts().zeph5 + TheFacts().halv6 + TheFacts().halv5, 0);
}

}  // namespace
}  // namespace setup
