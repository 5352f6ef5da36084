// Program starts, rubber-band tracking and the rights checks of the controls.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <cstring>
#include <thread>

#include "orvik32/orvik32_controls.h"
#include "store_fixture.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

class ControlServicesTest : public StoreFixture {
 protected:
  static void SetSecurity(const char* enabled, const char* user) {
    WritePrivateProfileStringA("Security", "Enabled", enabled, GetWorkstationIniPath());
    WritePrivateProfileStringA("Security", "UserName", user, GetWorkstationIniPath());
  }
  static void SetRights(const char* user, const char* mask) {
    WritePrivateProfileStringA("UserRights", user, mask, GetWorkstationIniPath());
  }
  // A program under the root that writes its arguments, one a line, to out.
  std::string MakeProgram(const std::string& winPath, const std::string& out) {
    const std::string host = win::paths::ToHost(winPath);
    WriteHostPath(host, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out + ".part'\nmv '" +
                            out + ".part' '" + out + "'\n");
    chmod(host.c_str(), 0755);
    return host;
  }
  static std::string WaitForFile(const std::string& host) {
    for (int i = 0; i < 500 && !std::filesystem::exists(host); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadHostPath(host);
  }
};

TEST_F(ControlServicesTest, LaunchProgramRunsTheProgramWithItsArgumentsUnsplitByQuotes) {
  const std::string out = Host("launched.txt");
  MakeProgram("C:\\Workstation\\quib5.exe", out);
  ASSERT_TRUE(LaunchProgram("\"C:\\Workstation\\quib5.exe\"", "\"C:\\Data\\my report's file.msr\" -3", 3));
  // The quoted path arrives whole, with its quote mark, mapped onto the root.
  EXPECT_EQ(WaitForFile(out), win::paths::ToHost("C:\\Data\\my report's file.msr") + "\n-3\n");

  EXPECT_FALSE(LaunchProgram("\"C:\\Workstation\\missing.exe\"", "", 3));
  EXPECT_FALSE(LaunchProgram("", "x", 3));
  EXPECT_FALSE(LaunchProgram(nullptr, "x", 3));
}

TEST_F(ControlServicesTest, LaunchProgramWithArgumentsHandsEachArgumentOverWhole) {
  const std::string out = Host("vector.txt");
  MakeProgram("C:\\Workstation\\quib5.exe", out);
  const char* args[] = {"C:\\Data\\a \"quoted\" name.msr", "-3", "two  blanks", nullptr};
  ASSERT_TRUE(LaunchProgramWithArguments("C:\\Workstation\\quib5.exe", args, 3));
  EXPECT_EQ(WaitForFile(out), win::paths::ToHost("C:\\Data\\a \"quoted\" name.msr") + "\n-3\ntwo  blanks\n");

  std::filesystem::remove(out);
  ASSERT_TRUE(LaunchProgramWithArguments("C:\\Workstation\\quib5.exe", nullptr, 3));
  EXPECT_EQ(WaitForFile(out), "");
  EXPECT_FALSE(LaunchProgramWithArguments("C:\\Workstation\\missing.exe", args, 3));
  EXPECT_FALSE(LaunchProgramWithArguments("", args, 3));
  EXPECT_FALSE(LaunchProgramWithArguments(nullptr, args, 3));
}

TEST_F(ControlServicesTest, RightsComeFromTheSecuritySettings) {
  // Security off: every right, every privilege, every file that exists.
  EXPECT_EQ(GetCurrentUserRights(), ~uint64_t{0});
  EXPECT_TRUE(CheckUserPrivilege(nullptr, 0, 0, ORVIK_PRIV_BACKGROUND_CORRECTION, 0, "x", 0));

  SetSecurity("1", "anna");
  EXPECT_EQ(GetCurrentUserRights(), 0u);  // no entry: no rights
  SetRights("anna", "0x10002");
  EXPECT_EQ(GetCurrentUserRights(), 0x10002u);
  EXPECT_TRUE(CheckUserPrivilege(nullptr, 0, GetCurrentUserRights(), 16, 0, "Select/Edit Background Correction", 0));
  EXPECT_FALSE(CheckUserPrivilege(nullptr, 0, GetCurrentUserRights(), 3, 0, "x", 0));
  EXPECT_FALSE(CheckUserPrivilege(nullptr, 0, ~uint64_t{0}, 64, 0, "x", 0));
  SetRights("anna", "12junk");
  EXPECT_EQ(GetCurrentUserRights(), 0u);

  // The refusal is shown when asked.
  win::script::ResetLogs();
  win::script::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(CheckUserPrivilege(nullptr, 0, 0, 16, 0, "Select/Edit Background Correction", 1));
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_NE(win::script::MessageBoxLog()[0].text.find("Select/Edit Background Correction"), std::string::npos);
}

TEST_F(ControlServicesTest, VerifyDataFileNeedsTheFileAndUnderSecurityTheViewRight) {
  const std::string file = Path("run.kms");
  ASSERT_TRUE(CreateSectionFileAtPath(file.c_str(), 1, 0, 0));
  EXPECT_TRUE(VerifyDataFile(nullptr, file.c_str(), 1));
  EXPECT_FALSE(VerifyDataFile(nullptr, Path("none.kms").c_str(), 1));
  EXPECT_FALSE(VerifyDataFile(nullptr, nullptr, 1));
  SetSecurity("1", "ben");
  EXPECT_FALSE(VerifyDataFile(nullptr, file.c_str(), 1));
  SetRights("ben", "2");
  EXPECT_TRUE(VerifyDataFile(nullptr, file.c_str(), 1));
  // A record whose first field is the path serves as well.
  char record[600] = {};
  std::strcpy(record, file.c_str());
  EXPECT_TRUE(VerifyDataFile(nullptr, record, 1));
}

TEST_F(ControlServicesTest, AskChangeReasonTakesTheTypedReasonAndRefusesBlankOrCancel) {
  char reason[ORVIK_REASON_SIZE] = {};
  struct Case {
    const char* typed;
    int button;
    BOOL result;
  } cases[] = {{"new baseline", IDOK, TRUE}, {"   ", IDOK, FALSE}, {"abc", IDCANCEL, FALSE}};
  for (const Case& c : cases) {
    std::memset(reason, 0, sizeof reason);
    win::script::OnNextDialog([&](HWND dialog) {
      EXPECT_TRUE(win::script::SetField(dialog, ORVIK_REASON_EDIT, c.typed));
      EXPECT_TRUE(win::script::PressButton(dialog, c.button));
    });
    EXPECT_EQ(AskChangeReason(nullptr, "Why?", reason), c.result) << c.typed;
    if (c.result) {
      EXPECT_STREQ(reason, c.typed);
    }
  }
}

TEST_F(ControlServicesTest, TrackRubberRectReportsBeginAndANormalisedRectangleAtTheEnd) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "RubberHost";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "RubberHost", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                           nullptr, nullptr);
  RECT r{};
  EXPECT_EQ(TrackRubberRect(w, WM_MOUSEMOVE, 5, 5, &r), 0);  // no drag yet
  EXPECT_EQ(TrackRubberRect(w, WM_LBUTTONDOWN, 120, 90, &r), ORVIK_TRACK_BEGUN);
  EXPECT_EQ(GetCapture(), w);
  EXPECT_EQ(TrackRubberRect(w, WM_MOUSEMOVE, 60, 100, &r), ORVIK_TRACK_RUNNING);
  EXPECT_EQ(TrackRubberRect(w, WM_LBUTTONUP, 40, 30, &r), ORVIK_TRACK_ENDED);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right, 120);
  EXPECT_EQ(r.bottom, 90);
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyWindow(w);
}

}  // namespace
