// The data-file open dialog driven as a user would: moving through a
// folder of runs (the summary follows), files of the wrong kind refused,
// typed names completed, the recent-files menu, what is returned.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/last_files.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/data_file_open_dialog.h"
#include "msfixtures.h"
#include "overlayctl/overlay_messages.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class DataFileOpenTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
    msfix::RunPlan a;
    a.seed = 3;
    a.scans = 200;
    a.sampleName = "Mix A";
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(kCentroid), a, nullptr));
    msfix::RunPlan b = a;
    b.seed = 4;
    b.profile = true;
    b.scans = 60;
    b.sampleName = "Mix B";
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(kProfile), b, nullptr));
    std::FILE* f = std::fopen(win::paths::ToHost(kNotData).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a data file", f);
    std::fclose(f);
    std::memset(KELT_GetKeltLastFiles(), 0, sizeof(STRUCT_LAST_FILES));
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static HWND Hook(HWND common) { return ws::FindById(common, IDC_SDF_INFO_GROUP) ? GetParent(ws::FindById(common, IDC_SDF_INFO_GROUP)) : nullptr; }
  // A name pasted into the name box (typing it key by key previews each
  // name on the way).
  static void TypeName(HWND common, const char* name) {
    SetDlgItemTextA(common, edt1, name);
    ws::PumpUntilIdle();
  }
  static constexpr const char* kCentroid = "C:\\Runs\\mixa.xms";
  static constexpr const char* kProfile = "C:\\Runs\\mixb.kms";
  static constexpr const char* kNotData = "C:\\Runs\\notes.kms";
};

TEST_F(DataFileOpenTest, MovingThroughFilesChangesTheSummaryAndOpenTakesThePreviewed) {
  char path[260] = "";
  std::string title, firstSample, secondSample, runTime, dataType, counts, nameBox;
  bool openBefore = true, openAfter = false, plotted = false;
  double plotStart = 0, plotEnd = 0;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    title = ws::Text(d);
    HWND hook = Hook(d);
    ASSERT_NE(hook, nullptr);
    nameBox = ws::GetField(d, edt1);
    openBefore = IsWindowEnabled(GetDlgItem(hook, IDC_SDF_OPEN));
    TypeName(d, "mixb");  // no extension: ".kms" found for the "?MS" filter
    secondSample = ws::GetField(hook, IDC_SDF_SAMPLE);
    TypeName(d, "mixa.xms");
    firstSample = ws::GetField(hook, IDC_SDF_SAMPLE);
    runTime = ws::GetField(hook, IDC_SDF_RUN_TIME);
    dataType = ws::GetField(hook, IDC_SDF_DATA_TYPE);
    counts = ws::GetField(hook, IDC_SDF_ID_MISS_FAIL);
    // The preview plot shows the run's whole time range.
    double range[3] = {};
    plotted = SendMessageA(GetDlgItem(hook, IDC_SDF_PLOT), OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range)) != 0;
    plotStart = range[0];
    plotEnd = range[1];
    openAfter = IsWindowEnabled(GetDlgItem(hook, IDC_SDF_OPEN));
    EXPECT_TRUE(ws::PressButton(hook, IDC_SDF_OPEN));
    ws::PumpUntilIdle();
  });
  EXPECT_EQ(Dlg_SelectDataFile(nullptr, path, "C:\\Runs", 0, 0, 0, 0), 1);
  EXPECT_EQ(title, "Select MS Data File");
  EXPECT_EQ(nameBox, "*.?MS ");
  EXPECT_FALSE(openBefore);
  EXPECT_EQ(secondSample, "Mix B");
  EXPECT_EQ(firstSample, "Mix A");
  EXPECT_EQ(runTime, "2.000 - 12.000 min");
  EXPECT_NE(dataType.find("CENTROID"), std::string::npos) << dataType;
  EXPECT_EQ(counts, "NO RESULTS");
  EXPECT_TRUE(plotted);
  EXPECT_NEAR(plotStart, 2.0, 0.05);
  EXPECT_NEAR(plotEnd, 12.0, 0.05);
  EXPECT_TRUE(openAfter);
  EXPECT_STREQ(path, "C:\\Runs\\mixa.xms");
  EXPECT_STREQ(KELT_GetKeltLastFiles()->dataFile, "C:\\Runs\\mixa.xms");
  char folder[260];
  ASSERT_TRUE(GetDefaultFolderForType("run", folder));
  EXPECT_STREQ(folder, "C:\\Runs\\");
}

TEST_F(DataFileOpenTest, WrongKindsAreRefusedAndNeverReturned) {
  struct Case {
    const char* file;
    int16_t centroid, profile, results;
    const char* message;  // empty: accepted
  } cases[] = {{kProfile, 1, 0, 0, "This is not a centroid file."},
               {kCentroid, 0, 1, 0, "This is not a profile file."},
               {kCentroid, 0, 0, 1, "This file does not contain current results."},
               {kCentroid, 1, 1, 0, ""},  // both asked: neither check applies
               {kNotData, 0, 0, 0, "-"}};  // cannot be opened: no message, no preview
  for (const Case& c : cases) {
    ws::ResetLogs();
    char path[260] = "C:\\Runs\\keep.me";
    bool open = false;
    std::string bottom;
    ws::OnNextDialog([&](HWND d) {
      ws::PumpUntilIdle();
      HWND hook = Hook(d);
      const std::string file = c.file;
      TypeName(d, file.substr(file.find_last_of('\\') + 1).c_str());
      open = IsWindowEnabled(GetDlgItem(hook, IDC_SDF_OPEN));
      bottom = ws::GetField(hook, IDC_SDF_BOTTOM_LINE);
      // Enter in the name box: only a previewed file is taken.
      ws::PressButton(d, IDCANCEL);
    });
    Dlg_SelectDataFile(nullptr, path, "C:\\Runs", c.centroid, c.profile, c.results, 0);
    const auto boxes = ws::MessageBoxLog();
    const std::string msg = c.message;
    if (msg.empty() || msg == "-") {
      EXPECT_TRUE(boxes.empty()) << c.file;
      EXPECT_EQ(open, msg.empty()) << c.file;
    } else {
      ASSERT_EQ(boxes.size(), 1u) << c.file;
      EXPECT_EQ(boxes[0].text, msg);
      EXPECT_EQ(boxes[0].caption, c.file);
      EXPECT_FALSE(open) << c.file;
    }
    if (c.centroid && !c.profile) {
      EXPECT_EQ(bottom, "SELECT CENTROID FILE ONLY");
    }
    EXPECT_STREQ(path, "C:\\Runs\\keep.me");
  }
}

TEST_F(DataFileOpenTest, OkWithNothingPreviewedReturnsNothing) {
  // Focus away from the name box and OK: no file was previewed, so nothing
  // may be reported as chosen.
  char path[260] = "";
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    SetFocus(GetDlgItem(d, lst2));
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    ws::PumpUntilIdle();
    if (IsWindow(d)) ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Dlg_SelectDataFile(nullptr, path, "C:\\Runs", 0, 0, 0, 0), 0);
  EXPECT_STREQ(path, "");
}

TEST_F(DataFileOpenTest, RecentFilesMenuOffersExistingEntriesWithTheirIds) {
  const char* ini = GetWorkstationIniPath();
  WritePrivateProfileStringA("File History", "run-Count", "30", ini);
  WritePrivateProfileStringA("File History", "run-1", kCentroid, ini);
  WritePrivateProfileStringA("File History", "run-2", "C:\\Runs\\gone.xms", ini);
  WritePrivateProfileStringA("File History", "run-3", kProfile, ini);
  WritePrivateProfileStringA("File History", "run-30", kCentroid, ini);  // beyond the ids: not offered
  std::vector<UINT> ids;
  std::string sample;
  char path[260] = "";
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = Hook(d);
    ws::ChooseNextMenuItem(IDC_SDF_RECENT_FIRST + 3);
    ws::PressButton(hook, IDC_SDF_RECENT);
    ws::PumpUntilIdle();
    const auto menus = ws::MenuLog();
    if (!menus.empty())
      for (const auto& item : menus.back().items) ids.push_back(item.id);
    sample = ws::GetField(hook, IDC_SDF_SAMPLE);
    ws::PressButton(hook, IDC_SDF_OPEN);
    ws::PumpUntilIdle();
  });
  EXPECT_EQ(Dlg_SelectDataFile(nullptr, path, nullptr, 0, 0, 0, 0), 1);
  EXPECT_EQ(ids, (std::vector<UINT>{201, 203}));
  EXPECT_EQ(sample, "Mix B");
  EXPECT_STREQ(path, kProfile);
}

TEST_F(DataFileOpenTest, ShowPlotSettingSurvivesAndTheLastFileStartsTheNextCall) {
  std::strcpy(KELT_GetKeltLastFiles()->dataFile, kProfile);
  char path[260] = "";
  std::string name, sample;
  bool keepEnabled = true;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = Hook(d);
    name = ws::GetField(d, edt1);
    sample = ws::GetField(hook, IDC_SDF_SAMPLE);
    ws::SetCheck(hook, IDC_SDF_SHOW_PLOT, false);
    keepEnabled = IsWindowEnabled(GetDlgItem(hook, IDC_SDF_KEEP_RANGE));
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Dlg_SelectDataFile(nullptr, path, nullptr, 0, 0, 0, 0), 0);
  EXPECT_EQ(sample, "Mix B");
  EXPECT_FALSE(keepEnabled);
  bool shown = true;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    shown = ws::IsChecked(Hook(d), IDC_SDF_SHOW_PLOT);
    ws::PressButton(d, IDCANCEL);
  });
  Dlg_SelectDataFile(nullptr, path, nullptr, 0, 0, 0, 0);
  EXPECT_FALSE(shown);
  (void)name;
}

TEST_F(DataFileOpenTest, TitlesAndBottomLinesFollowTheKindAsked) {
  struct Case {
    int16_t centroid, profile, sds;
    const char* title;
    const char* bottom;  // null: the line is hidden
  } cases[] = {{0, 0, 0, "Select MS Data File", nullptr},
               {1, 0, 0, "Select Centroid MS Data File", "SELECT CENTROID FILE ONLY"},
               {0, 1, 0, "Select Profile MS Data File", "SELECT PROFILE FILE ONLY"},
               {1, 1, 0, "Select MS Data File", nullptr},
               {0, 0, 1, "Select SDS MS Data File", "SELECT SDS FILE ONLY"}};
  for (const Case& c : cases) {
    char path[260] = "";
    std::string title, bottom;
    int width = -1;
    bool plotType = true;
    ws::OnNextDialog([&](HWND d) {
      ws::PumpUntilIdle();
      title = ws::Text(d);
      HWND line = GetDlgItem(Hook(d), IDC_SDF_BOTTOM_LINE);
      bottom = ws::Text(line);
      RECT r{};
      GetWindowRect(line, &r);
      width = r.right - r.left;
      TypeName(d, "mixa.xms");
      plotType = IsWindowEnabled(GetDlgItem(Hook(d), IDC_SDF_PLOT_TYPE));
      ws::PressButton(d, IDCANCEL);
    });
    EXPECT_EQ(Dlg_SelectDataFile(nullptr, path, "C:\\Runs", c.centroid, c.profile, 0, c.sds), 0);
    EXPECT_EQ(title, c.title);
    if (c.bottom) {
      EXPECT_EQ(bottom, c.bottom);
      EXPECT_GT(width, 0);
    } else {
      EXPECT_EQ(width, 0) << c.title;
    }
    // The SDS dialog never offers the plot type.
    if (c.sds) {
      EXPECT_FALSE(plotType);
    }
  }
}

}  // namespace
