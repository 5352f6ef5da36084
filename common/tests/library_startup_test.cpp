// The library's load and unload: the order of their steps, the load-time
// settings, the display measurements and the number format.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/last_files.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/tests/startup_root_fixture.h"
#include "framework/framework_module.h"
#include "win/win_commctrl.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

const char* const kClasses[] = {"Ctl_Page", "KELT_EventInfo", "KELT_MoveInfo", "KELT_SegInfo", "KELT_Spt",
                                "KELT_OP",  "KELT_OP1",       "KELT_OP2",      "KELT_OP3",     "KELT_OP4"};

using LibraryStartupTest = StartupRootTest;

TEST_F(LibraryStartupTest, LoadAndUnloadRunTheirStepsInOrder) {
  Attach();
  std::vector<std::string> expected = {
      "attach:framework-module",
      "attach:control-word",
      "attach:common-controls",
      "attach:messages",
      "attach:paths",
      "attach:setting:SearchWindowWidth",
      "attach:setting:NoiseWindowWidth",
      "attach:setting:ForXMSFiles",
      "attach:setting:CanShowHalfHeights",
      "attach:setting:OldSptTitles",
      "attach:setting:DeconForCentroid",
      "attach:read-last-files",
      "attach:measure-display",
      "attach:read-preferences",
  };
  for (const char* c : kClasses) expected.push_back(std::string("attach:register:") + c);
  expected.push_back("attach:number-format");
  EXPECT_EQ(kelt::lib::StartupSteps(), expected);

  kelt::lib::ClearStartupSteps();
  kelt::lib::ProcessDetach();
  std::vector<std::string> unload = {"detach:printer-dcs"};
  for (const char* c : kClasses) unload.push_back(std::string("detach:unregister:") + c);
  unload.insert(unload.end(), {"detach:write-last-files", "detach:locale-texts", "detach:framework-module"});
  EXPECT_EQ(kelt::lib::StartupSteps(), unload);
}

TEST_F(LibraryStartupTest, LoadLeavesItsStateBehindAndUnloadTakesItBack) {
  Attach();
  const HMODULE module = kelt::lib::ModuleHandle();
  ASSERT_NE(module, nullptr);
  for (const char* c : kClasses) {
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(module, c, &wc)) << c;
    EXPECT_TRUE(wc.style & CS_GLOBALCLASS) << c;
  }
  EXPECT_EQ(kelt::lib::NotifyWhenChangedMessage(), RegisterWindowMessageA("NotifyWhenChangedMsg"));
  EXPECT_EQ(kelt::lib::LoginChangeMessage(), RegisterWindowMessageA("WS_LOGINCHANGE"));
  EXPECT_NE(kelt::lib::NotifyWhenChangedMessage(), kelt::lib::LoginChangeMessage());
  EXPECT_EQ(kelt::lib::LoadControlWord(), _control87(0, 0));
  const DWORD asked = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                      ICC_PROGRESS_CLASS;
  EXPECT_EQ(GetInitializedCommonControls() & asked, asked);
  EXPECT_STREQ(kelt::lib::HelpFilePath(), "C:\\Workstation\\kelt.hlp");
  EXPECT_STREQ(kelt::lib::ReportHelpFilePath(), "C:\\Workstation\\MSReport.hlp");
  EXPECT_STREQ(kelt::lib::SettingsIniPath(), "C:\\Workstation\\tolview.ini");
  EXPECT_STREQ(kelt::lib::LastFilesIniPath(), "C:\\Workstation\\tolview4.ini");
  EXPECT_EQ(kelt::prefs::PreferencesIniPath(), "C:\\Workstation\\tolview3.ini");
  // The library is in the framework's resource chain while loaded.
  bool inChain = false;
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i) inChain |= FrameworkResourceModule(i) == module;
  EXPECT_TRUE(inChain);
  // Missing preference records were reset and written to the workstation's file.
  EXPECT_TRUE(std::filesystem::exists(Host("C:\\Workstation\\tolview3.ini")));

  kelt::lib::ProcessDetach();
  for (const char* c : kClasses) {
    WNDCLASSA wc{};
    EXPECT_FALSE(GetClassInfoA(module, c, &wc)) << c;
  }
  inChain = false;
  for (int i = 0; i < FrameworkResourceModuleCount(); ++i) inChain |= FrameworkResourceModule(i) == module;
  EXPECT_FALSE(inChain);
  // The unload wrote the (empty) last-files block.
  STRUCT_LAST_FILES stored;
  EXPECT_TRUE(GetPrivateProfileStructA("TolLastFiles", "Params", &stored, sizeof stored,
                                       "C:\\Workstation\\tolview4.ini"));
}

TEST_F(LibraryStartupTest, LoadIsRunOnceAndUnloadOnce) {
  Attach();
  kelt::lib::ProcessAttach();
  EXPECT_EQ(kelt::lib::StartupSteps().back(), "attach:number-format");
  EXPECT_EQ(kelt::lib::StartupSteps().size(), 25u);
  kelt::lib::ProcessDetach();
  kelt::lib::ClearStartupSteps();
  kelt::lib::ProcessDetach();
  EXPECT_TRUE(kelt::lib::StartupSteps().empty());
}

struct SettingCase {
  const char* file;
  const char* section;
  const char* key;
  const char* text;
  int32_t kelt::lib::LoadSettings::*field;
  int32_t expected;
};

// Work files of XMS data offer deconvolution as the setting read at
// start-up says; changing the file afterwards changes nothing until the
// next start-up, and a value that is no number keeps the default 1.
TEST_F(LibraryStartupTest, XmsDeconvolutionFlagComesFromTheLoadTimeSetting) {
  msfix::RunPlan plan;
  plan.scans = 40;
  plan.fileKind = MS_FILE_KIND_TANDEM;
  std::filesystem::create_directories(Host("C:\\Data"));
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\Data\\xms.kms", plan, nullptr));
  auto amdis = [] {
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct("C:\\Data\\xms.kms", 1);
    EXPECT_NE(wf, nullptr);
    if (!wf) return -1;
    EXPECT_EQ(+wf->xms, 1);
    const int flag = wf->amdis;
    FreeWorkFileStruct(wf);
    return flag;
  };
  kelt::lib::ProcessDetach();
  ASSERT_TRUE(WritePrivateProfileStringA("CanUseAMDIS", "ForXMSFiles", "0", "CanUseAMDIS.ini"));
  Attach();
  EXPECT_EQ(amdis(), 0);
  ASSERT_TRUE(WritePrivateProfileStringA("CanUseAMDIS", "ForXMSFiles", "1", "CanUseAMDIS.ini"));
  EXPECT_EQ(amdis(), 0);  // read at start-up only
  kelt::lib::ProcessDetach();
  Attach();
  EXPECT_EQ(amdis(), 1);
  kelt::lib::ProcessDetach();
  ASSERT_TRUE(WritePrivateProfileStringA("CanUseAMDIS", "ForXMSFiles", "0", "CanUseAMDIS.ini"));
  Attach();
  ASSERT_TRUE(WritePrivateProfileStringA("CanUseAMDIS", "ForXMSFiles", "none", "CanUseAMDIS.ini"));
  EXPECT_EQ(amdis(), 0);
  kelt::lib::ProcessDetach();
  Attach();
  EXPECT_EQ(amdis(), 1);  // no number: the default
}

TEST_F(LibraryStartupTest, LoadTimeSettingsOutsideTheirRangesKeepTheDefaults) {
  using S = kelt::lib::LoadSettings;
  const char* ini = "C:\\Workstation\\tolview.ini";
  const SettingCase cases[] = {
      {ini, "TOLVIEW", "SearchWindowWidth", "1000", &S::searchWindowWidth, 1000},
      {ini, "TOLVIEW", "SearchWindowWidth", "1001", &S::searchWindowWidth, 100},
      {ini, "TOLVIEW", "SearchWindowWidth", "50", &S::searchWindowWidth, 50},
      {ini, "TOLVIEW", "SearchWindowWidth", "49", &S::searchWindowWidth, 100},
      {ini, "TOLVIEW", "SearchWindowWidth", "wide", &S::searchWindowWidth, 100},
      {ini, "TOLVIEW", "SearchWindowWidth", "99999999999999999999", &S::searchWindowWidth, 100},
      {ini, "TOLVIEW", "NoiseWindowWidth", "50", &S::noiseWindowWidth, 10},
      {ini, "TOLVIEW", "NoiseWindowWidth", "49", &S::noiseWindowWidth, 49},
      {ini, "TOLVIEW", "NoiseWindowWidth", "0", &S::noiseWindowWidth, 10},
      {ini, "TOLVIEW", "NoiseWindowWidth", " 7 wide", &S::noiseWindowWidth, 7},
      {"CanUseAMDIS.ini", "CanUseAMDIS", "ForXMSFiles", "0", &S::amdisForXmsFiles, 0},
      {"CanUseAMDIS.ini", "CanUseAMDIS", "ForXMSFiles", "2", &S::amdisForXmsFiles, 1},
      {ini, "CanShowHalfHeights", "CanShowHalfHeights", "1", &S::canShowHalfHeights, 1},
      {ini, "CanShowHalfHeights", "CanShowHalfHeights", "-1", &S::canShowHalfHeights, 0},
      {ini, "OldSptTitles", "OldSptTitles", "0", &S::oldSptTitles, 0},
      {ini, "OldSptTitles", "OldSptTitles", "yes", &S::oldSptTitles, 1},
      {ini, "DeconForCentroid", "DeconForCentroid", "1", &S::deconForCentroid, 1},
  };
  for (const auto& c : cases) {
    kelt::lib::ProcessDetach();
    DeleteFileA("C:\\Workstation\\tolview.ini");
    DeleteFileA("C:\\WINDOWS\\CanUseAMDIS.ini");
    ASSERT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.text, c.file));
    Attach();
    EXPECT_EQ(kelt::lib::Settings().*(c.field), c.expected) << c.key << "=" << c.text;
  }
  kelt::lib::ProcessDetach();
  DeleteFileA("C:\\Workstation\\tolview.ini");
  DeleteFileA("C:\\WINDOWS\\CanUseAMDIS.ini");
  Attach();
  const auto& s = kelt::lib::Settings();
  EXPECT_EQ(s.searchWindowWidth, 100);
  EXPECT_EQ(s.noiseWindowWidth, 10);
  EXPECT_EQ(s.amdisForXmsFiles, 1);
  EXPECT_EQ(s.canShowHalfHeights, 0);
  EXPECT_EQ(s.oldSptTitles, 1);
  EXPECT_EQ(s.deconForCentroid, 0);
}

TEST_F(LibraryStartupTest, DisplayMeasurementsSetTheFontHeightsOfTheRecords) {
  Attach();
  TEXTMETRICA tm{};
  ASSERT_TRUE(kelt::lib::DisplayTextMetrics(&tm));
  EXPECT_GT(tm.tmHeight, 0);
  EXPECT_GE(kelt::lib::ColourDepth(), 8);
  const auto env = kelt::prefs::GetPrefEnvironment();
  EXPECT_EQ(env.markerFontHeight, tm.tmHeight);
  EXPECT_EQ(env.generalFontHeight, tm.tmHeight);
  EXPECT_EQ(env.displayTextHeight, tm.tmHeight);
}

TEST_F(LibraryStartupTest, ResearchModeReachesThePreferenceRecords) {
  WritePrivateProfileStringA("CanShowHalfHeights", "CanShowHalfHeights", "1", "C:\\Workstation\\tolview.ini");
  Attach();
  EXPECT_EQ(kelt::prefs::GetPrefEnvironment().canShowHalfHeights, 1);
  EXPECT_EQ(KELT_IsResearchMode(), 1);
  kelt::lib::ProcessDetach();
  DeleteFileA("C:\\Workstation\\tolview.ini");
  Attach();
  EXPECT_EQ(KELT_IsResearchMode(), 0);
}

TEST_F(LibraryStartupTest, NumberFormatComesFromTheUserLocale) {
  Attach("de-DE");
  const NUMBERFMTA& f = kelt::lib::NumberFormat();
  EXPECT_STREQ(f.lpDecimalSep, ",");
  EXPECT_STREQ(f.lpThousandSep, ".");
  EXPECT_EQ(f.Grouping, 3u);
  EXPECT_EQ(f.LeadingZero, 1u);
  EXPECT_STREQ(kelt::lib::ListSeparator(), ";");
  kelt::lib::ProcessDetach();
  Attach("en-US");
  EXPECT_STREQ(kelt::lib::NumberFormat().lpDecimalSep, ".");
  EXPECT_STREQ(kelt::lib::NumberFormat().lpThousandSep, ",");
  EXPECT_STREQ(kelt::lib::ListSeparator(), ",");
}

TEST_F(LibraryStartupTest, ALocaleWithoutAThousandsSeparatorLeavesItEmpty) {
  WriteText("C:\\WINDOWS\\locale.ini", "[Locale]\r\nName=en-US\r\nsThousand=\r\n");
  kelt::lib::ClearStartupSteps();
  kelt::lib::ProcessAttach();
  EXPECT_STREQ(kelt::lib::NumberFormat().lpThousandSep, "");
}

TEST_F(LibraryStartupTest, PreferenceRecordsWrittenByOneRunAreReadBackByTheNext) {
  Attach();
  STRUCT_CHRO_PREFS chro;
  KELT_GetCurrDefChroPrefs(&chro);
  chro.features.pointsToAverage = 5;
  chro.colors.colors[3] = RGB(1, 2, 3);
  ASSERT_TRUE(KELT_WriteDefChroPrefs(&chro, nullptr));
  STRUCT_GLOBAL_PREFS global;
  KELT_GetCurrDefGlobalPrefs(&global);
  global.misc.exponentThreshold = 2;
  ASSERT_TRUE(KELT_WriteDefGlobalPrefs(&global, nullptr));
  kelt::lib::ProcessDetach();

  // The next run starts from the library's factory copies again.
  STRUCT_CHRO_PREFS factory;
  KELT_ResetDefChroPrefs(&factory);
  kelt::prefs::DefaultChroPrefs() = factory;
  Attach();
  STRUCT_CHRO_PREFS read;
  KELT_GetCurrDefChroPrefs(&read);
  EXPECT_EQ(std::memcmp(&read, &chro, sizeof read), 0);
  STRUCT_GLOBAL_PREFS readGlobal;
  KELT_GetCurrDefGlobalPrefs(&readGlobal);
  EXPECT_EQ(std::memcmp(&readGlobal, &global, sizeof global), 0);
}

TEST_F(LibraryStartupTest, DamagedPreferenceRecordsAreResetAtLoad) {
  Attach();
  STRUCT_SPTS_PREFS spts;
  KELT_GetCurrDefSptsPrefs(&spts);
  spts.features.pageMode = 2;
  ASSERT_TRUE(KELT_WriteDefSptsPrefs(&spts, nullptr));
  kelt::lib::ProcessDetach();
  // A stored value with a changed character fails its checksum.
  char text[4096] = {};
  GetPrivateProfileStringA("KELTDefSptsPrefs", "Params", "", text, sizeof text, "C:\\Workstation\\tolview3.ini");
  ASSERT_GT(std::strlen(text), 10u);
  text[4] = text[4] == '0' ? '1' : '0';
  WritePrivateProfileStringA("KELTDefSptsPrefs", "Params", text, "C:\\Workstation\\tolview3.ini");
  Attach();
  STRUCT_SPTS_PREFS read, factory;
  KELT_GetCurrDefSptsPrefs(&read);
  KELT_ResetDefSptsPrefs(&factory);
  EXPECT_EQ(std::memcmp(&read, &factory, sizeof read), 0);
  // ... and written back whole.
  STRUCT_SPTS_PREFS stored;
  ASSERT_TRUE(GetPrivateProfileStructA("KELTDefSptsPrefs", "Params", &stored, sizeof stored,
                                       "C:\\Workstation\\tolview3.ini"));
  EXPECT_EQ(std::memcmp(&stored, &factory, sizeof stored), 0);
}

}  // namespace
