// Data-file helpers, the time-information pop-up, help, the control-word
// check, the done status and text measurement.
#include <cstring>
#include <string>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/file_finder.h"
#include "common/library_char_size.h"
#include "common/preference_records.h"
#include "common/tests/startup_root_fixture.h"
#include "common/time_info_popup.h"
#include "framework/framework_gdi.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_crt.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

using DataFileUtilsTest = StartupRootTest;

TEST(SectionNameTest, ModuleIdAddressAndChannel) {
  uint16_t id = 99, address = 99;
  char channel[64] = "x";
  EXPECT_TRUE(KELT_FromSectionGetModuleIDAddressChannel("PeakTable.0010.00A2.1", &id, &address, channel));
  EXPECT_EQ(id, 0x10);
  EXPECT_EQ(address, 0xA2);
  EXPECT_STREQ(channel, "1");
  EXPECT_FALSE(KELT_FromSectionGetModuleIDAddressChannel("PeakTable", &id, &address, channel));
  EXPECT_EQ(id, 0);
  EXPECT_EQ(address, 0);
  EXPECT_STREQ(channel, "");
  EXPECT_TRUE(KELT_FromSectionGetModuleIDAndAddress("GlobalParams.0014.0001.1", &id, &address));
  EXPECT_EQ(id, 0x14);
  EXPECT_EQ(address, 1);
  // Long parts are cut, never written past the buffers.
  const std::string longName = std::string(600, 'n') + ".0001.0002." + std::string(300, 'c');
  EXPECT_TRUE(KELT_FromSectionGetModuleIDAddressChannel(longName.c_str(), &id, &address, channel));
  EXPECT_EQ(std::strlen(channel), 63u);
  EXPECT_FALSE(KELT_FromSectionGetModuleIDAddressChannel(nullptr, &id, &address, channel));
}

TEST(TruncateTest, KeepsTheEndAndLowersTheCase) {
  char b[300];
  EXPECT_STREQ(KELT_TruncateFileString("C:\\DATA\\ABCD.MS", 10, b), "...abcd.ms");
  EXPECT_STREQ(KELT_TruncateFileString("C:\\A.MS", 10, b), "c:\\a.ms");
  EXPECT_STREQ(KELT_TruncateFilenameString("C:\\DATA\\LONGNAME.MS", 8, b), "...me.ms");
  EXPECT_STREQ(KELT_TruncateFilenameString("C:\\DATA\\X.MS", 8, b), "x.ms");
  EXPECT_STREQ(KELT_TruncateFileString("C:\\DATA\\ABCD.MS", 0, b), "...");
  EXPECT_STREQ(KELT_TruncateFileString(nullptr, 10, b), "");
}

TEST_F(DataFileUtilsTest, FileExistsAndMethodFiles) {
  Attach();
  EXPECT_FALSE(KELT_DoesFileExist(nullptr));
  EXPECT_FALSE(KELT_DoesFileExist(""));
  EXPECT_FALSE(KELT_DoesFileExist("C:\\Data\\none.ms"));
  WriteText("C:\\Data\\plain.txt", "x");
  EXPECT_TRUE(KELT_DoesFileExist("C:\\Data\\plain.txt"));
  EXPECT_FALSE(KELT_IsMethodFile("C:\\Data\\plain.txt", 0x14, 1));

  char method[] = "C:\\Data\\m.mth";
  ASSERT_TRUE(CreateSectionFileAtPath(method, 666, 0, 1));
  EXPECT_FALSE(KELT_IsMethodFile(method, 0x14, 1));
  HDHTABLE g = CreateGlobalTable(method, 0x14, 1, "1");
  ASSERT_NE(g, nullptr);
  CloseSection(static_cast<HSECTION>(g));
  EXPECT_FALSE(KELT_IsDataHandlingMethodOnFile(method, 0x14, 1));
  HDHTABLE p = CreateCompoundTable(method, 0x14, 1, "1");
  ASSERT_NE(p, nullptr);
  CloseSection(static_cast<HSECTION>(p));
  EXPECT_TRUE(KELT_IsDataHandlingMethodOnFile(method, 0x14, 1));
  EXPECT_TRUE(KELT_IsMethodFile(method, 0x14, 1));
  EXPECT_FALSE(KELT_IsMethodFile(method, 0x14, 2));
  char data[] = "C:\\Data\\d.ms";
  ASSERT_TRUE(CreateSectionFileAtPath(data, 777, 0, 1));
  EXPECT_FALSE(KELT_IsMethodFile(data, 0x14, 1));
}

TEST_F(DataFileUtilsTest, FileFinderWalksTheMatches) {
  WriteText("C:\\Data\\b.pd", "x");
  WriteText("C:\\Data\\a.pd", "x");
  WriteText("C:\\Data\\c.txt", "x");
  CFileFinder finder;
  EXPECT_EQ(finder.m_hFind, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(finder.FindNext());
  ASSERT_TRUE(finder.FindFirst("C:\\Data\\*.pd"));
  EXPECT_STREQ(finder.m_findData.cFileName, "a.pd");
  ASSERT_TRUE(finder.FindNext());
  EXPECT_STREQ(finder.m_findData.cFileName, "b.pd");
  EXPECT_FALSE(finder.FindNext());
  EXPECT_FALSE(finder.FindFirst("C:\\Data\\*.none"));
  EXPECT_EQ(finder.m_hFind, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(finder.FindFirst("C:\\Data\\*.txt"));
  finder.Close();
  EXPECT_FALSE(finder.FindNext());
}

TEST_F(DataFileUtilsTest, HelpGoesToTheLibrarysHelpFile) {
  Attach();
  WriteText("C:\\Workstation\\kelt.hlp", "help");
  EXPECT_TRUE(KELT_ShowHelpTopic(1, 4711));
  const auto request = orvik::LastHelpRequest();
  EXPECT_EQ(request.helpFile, "C:\\Workstation\\kelt.hlp");
  EXPECT_EQ(request.context, 1u);
  EXPECT_EQ(request.command, 4711u);
}

TEST_F(DataFileUtilsTest, AChangedControlWordIsReportedAndPutBack) {
  const unsigned int word = _control87(0, 0);
  EXPECT_EQ(CheckFloatingPointControl(word, "Printer"), word);
  EXPECT_TRUE(win::script::MessageBoxLog().empty());

  _control87(_RC_CHOP, _MCW_RC);
  const unsigned int changed = _control87(0, 0);
  // A changed word gives the message box's answer.
  win::script::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(CheckFloatingPointControl(word, "LaserJet 5"), static_cast<unsigned int>(IDOK));
  ASSERT_NE(changed, static_cast<unsigned int>(IDOK));
  EXPECT_EQ(_control87(0, 0), word);
  _control87(_RC_UP, _MCW_RC);
  EXPECT_EQ(CheckFloatingPointControl(word, nullptr), static_cast<unsigned int>(IDOK));
  EXPECT_EQ(_control87(0, 0), word);
  const auto log = win::script::MessageBoxLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].caption, "Important Information");
  EXPECT_EQ(log[0].text, win::crt::FormatString(
                             "The printer driver\n\nLaserJet 5\n\nmodified the floating point control word\nfrom "
                             "0x%x to 0x%x and did not restore it.\n\nThis can lead to inaccurate results in "
                             "all\ncalculations.\n\nPlease contact your printer manufacturer\nto correct the problem.",
                             word, changed));
  EXPECT_EQ(log[1].text.rfind("A printer driver modified the\nfloating point control word from 0x", 0), 0u);
}

class TimeInfoPopupTest : public StartupRootTest {
 protected:
  void SetUp() override {
    StartupRootTest::SetUp();
    Attach();
    parent_ = CreateWindowExA(0, "Static", "parent", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    StartupRootTest::TearDown();
  }
  HWND parent_ = nullptr;
};

TEST_F(TimeInfoPopupTest, SizedToItsTextAndClosedByItsTimer) {
  HWND popup = KELT_ModelessTimeInfoDialog(parent_, "12.345 min  Scan 678", 1500, 30, 40);
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(win::script::Text(GetDlgItem(popup, kTimeInfoTextId)), "12.345 min  Scan 678");
  RECT r{}, t{};
  GetWindowRect(popup, &r);
  GetWindowRect(GetDlgItem(popup, kTimeInfoTextId), &t);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  const int textWidth = t.right - t.left, textHeight = t.bottom - t.top;
  EXPECT_GT(textWidth, 0);
  EXPECT_EQ(r.right - r.left, textWidth + 20);
  EXPECT_EQ(r.bottom - r.top, 2 * textHeight);
  EXPECT_EQ(t.left - r.left, 10);
  EXPECT_EQ(t.top - r.top, textHeight / 2);

  win::script::AdvanceClock(1499);
  EXPECT_TRUE(IsWindow(popup));
  win::script::AdvanceClock(1);
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(TimeInfoPopupTest, WithoutALifetimeItStaysUntilClicked) {
  HWND popup = KELT_ModelessTimeInfoDialog(parent_, "3.5 min", 0, 0, 0);
  ASSERT_NE(popup, nullptr);
  win::script::AdvanceClock(600000);
  ASSERT_TRUE(IsWindow(popup));
  // Placed over its parent.
  RECT r{}, p{};
  GetWindowRect(popup, &r);
  GetWindowRect(parent_, &p);
  EXPECT_GT(r.left, p.left);
  EXPECT_LT(r.right, p.right);
  win::script::Click(popup, 2, 2, win::script::Button::Right);
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(TimeInfoPopupTest, ACommandClosesItAndAnyNumberCanBeOpen) {
  HWND a = KELT_ModelessTimeInfoDialog(parent_, "a", 1000, 10, 10);
  HWND b = KELT_ModelessTimeInfoDialog(nullptr, nullptr, 2000, 10, 10);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  SendMessageA(a, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_TRUE(IsWindow(b));
  win::script::AdvanceClock(2000);
  EXPECT_FALSE(IsWindow(b));
}

TEST_F(DataFileUtilsTest, DoneStatusShowsATimedMessage) {
  Attach();
  KELT_ShowDoneStatus(1);
  HWND shown = win::script::FindByText(nullptr, "Done");
  ASSERT_NE(shown, nullptr);
  KELT_ShowDoneStatus(0);
  HWND notDone = win::script::FindByText(nullptr, "Not Done");
  ASSERT_NE(notDone, nullptr);
  win::script::AdvanceClock(2000);
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_FALSE(IsWindow(notDone));
}

TEST_F(DataFileUtilsTest, TextSizeOnOutputOrAttributeHandles) {
  Attach();
  HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(ic, nullptr);
  SIZE expected{};
  GetTextExtentPoint32A(ic, "Scan 12", 7, &expected);
  CDC both;
  both.m_hDC = ic;
  both.m_hAttribDC = ic;
  SIZE size{};
  EXPECT_TRUE(KELT_GetTextSize(&both, "Scan 12", &size));
  EXPECT_EQ(size.cx, expected.cx);
  EXPECT_EQ(size.cy, expected.cy);

  CDC attributesOnly;
  attributesOnly.m_hAttribDC = ic;
  kelt::spectra::SetLibraryCharSize(7, 15);
  EXPECT_TRUE(KELT_GetTextSize(&attributesOnly, "Scan 12", &size));
  EXPECT_EQ(size.cx, 49);
  EXPECT_EQ(size.cy, 15);
  EXPECT_TRUE(KELT_GetTextSizeEx(&attributesOnly, "Scan 12", &size));
  EXPECT_EQ(size.cx, expected.cx);

  CDC none;
  EXPECT_FALSE(KELT_GetTextSize(&none, "x", &size));
  EXPECT_EQ(size.cx, 0);
  EXPECT_FALSE(KELT_GetTextSizeEx(&none, "x", &size));
  EXPECT_FALSE(KELT_GetTextSize(nullptr, "x", &size));
  both.m_hDC = nullptr;
  both.m_hAttribDC = nullptr;
  DeleteDC(ic);
}

TEST_F(DataFileUtilsTest, GlobalFontsFollowTheGeneralPreferences) {
  Attach();
  HFONT f1 = KELT_CreateGlobalFont();
  HFONT f2 = KELT_CreateGlobalFont2();
  ASSERT_NE(f1, nullptr);
  ASSERT_NE(f2, nullptr);
  LOGFONTA lf{};
  ASSERT_GT(GetObjectA(f1, sizeof lf, &lf), 0);
  EXPECT_STREQ(lf.lfFaceName, kelt::prefs::DefaultGlobalPrefs().fonts.fixedFont.lfFaceName);
  DeleteObject(f1);
  DeleteObject(f2);
}

}  // namespace
