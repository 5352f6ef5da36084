// Archiving under version control as a user meets it: the reason dialog
// (predefined and free-text reasons), the rights that guard each step, the
// versions stored and the history shown, extraction, and the saves.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "dialogs/audit_trail_writer.h"
#include "dialogs/version_info_dialog.h"
#include "dialogs/version_reason_dialog.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_faults.h"
#include "vennick/vennick.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;
using Sections = std::map<std::string, std::string>;

class FileArchiveTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\Methods", nullptr);
    CreateDirectoryA("C:\\Data", nullptr);
    Security(true, "0xFFFFFFFFFFFFFFFF");
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static void Security(bool on, const char* rights) {
    const char* ini = GetWorkstationIniPath();
    WritePrivateProfileStringA("Security", "Enabled", on ? "1" : "0", ini);
    WritePrivateProfileStringA("Security", "UserName", "analyst", ini);
    WritePrivateProfileStringA("UserRights", "analyst", rights, ini);
  }
  static void Reasons(const std::vector<std::string>& entries) {
    const char* ini = GetWorkstationIniPath();
    WritePrivateProfileStringA("VersionReasons", nullptr, nullptr, ini);
    WritePrivateProfileStringA("VersionReasons", "Count", std::to_string(entries.size()).c_str(), ini);
    for (size_t i = 0; i < entries.size(); ++i)
      WritePrivateProfileStringA("VersionReasons", ("Reason" + std::to_string(i + 1)).c_str(), entries[i].c_str(), ini);
  }
  static bool Put(const std::string& path, const std::string& name, const std::string& bytes) {
    HSECTION s = CreateSection(path.c_str(), name.c_str(), nullptr);
    if (!s) return false;
    const bool wrote = bytes.empty() || WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
    return CloseSection(s) && wrote;
  }
  static Sections Content(const std::string& path) {
    Sections out;
    HSECTION listing = FindSectionsByStem(path.c_str(), "");
    if (!listing) return out;
    for (int32_t i = 0; i < CountSectionMatches(listing); ++i) {
      char name[300] = {};
      GetSectionMatchName(listing, i, name, sizeof name);
      if (!IsVersionedSection(name)) continue;
      HSECTION s = OpenSectionReadOnly(path.c_str(), name, nullptr);
      std::string bytes(GetSectionSize(s), '\0');
      if (!bytes.empty()) ReadSection(s, bytes.data(), uint32_t(bytes.size()));
      CloseSection(s);
      out[name] = bytes;
    }
    CloseSection(listing);
    return out;
  }
  // A method edited in a working copy: compounds and a calibration that
  // differ per edit, one section with a name longer than 32 characters.
  static Sections Method(int n) {
    std::string cal(3000 + 7 * n, '\0');
    for (size_t i = 0; i < cal.size(); ++i) cal[i] = char((i * 13 + size_t(n) * 5) % 251);
    return {{"Quant.Compounds", "Toluene;Ethylbenzene;o-Xylene rev " + std::to_string(n)},
            {"Quant.Calibration.Curves.ResponseFactors", cal}};
  }
  static std::string Source(int n) {
    const std::string path = "C:\\Methods\\work" + std::to_string(n) + ".mth";
    EXPECT_TRUE(CreateSectionFileAtPath(path.c_str(), KELT_METHOD_FILE_TYPE, 0, 2));
    for (const auto& [name, bytes] : Method(n)) EXPECT_TRUE(Put(path, name, bytes));
    return path;
  }
  // Answers the next reason dialog with description text (empty: untouched)
  // after picking reason item (-1: keep the selection).
  static void AnswerReason(const std::string& description, int item = -1, std::string* caption = nullptr) {
    ws::OnNextDialog([=](HWND d) {
      if (caption) *caption = ws::Text(d);
      if (item >= 0) ws::PickItem(d, IDC_VR_REASONS, item);
      if (!description.empty()) ws::SetField(d, IDC_VR_DESCRIPTION, description);
      ws::PressButton(d, IDOK);
    });
  }
  static constexpr const char* kMethod = "C:\\Methods\\quant.mth";
};

TEST_F(FileArchiveTest, MethodVersionsAreStoredWithReasonsAndListed) {
  std::string caption;
  for (int n = 1; n <= 3; ++n) {
    AnswerReason("Edit number " + std::to_string(n), -1, n == 1 ? &caption : nullptr);
    ASSERT_EQ(WSA_ArchiveMethodFile(kMethod, Source(n).c_str(), n == 3 ? "Released for routine use" : ""), 1) << n;
  }
  EXPECT_EQ(caption, "Archive Method File");
  EXPECT_EQ(Content(kMethod), Method(3));
  VERSION_ARCHIVE_INFO info;
  ASSERT_EQ(GetVersionArchiveInfo(kMethod, &info), VNK_OK);
  EXPECT_EQ(info.lastVersion, 2);
  EXPECT_EQ(info.tipVersion, 3);
  // The audit trail holds the comment.
  HSECTION trail = OpenSectionReadOnly(kMethod, AUDIT_TRAIL_SECTION, nullptr);
  ASSERT_NE(trail, nullptr);
  std::string text(GetSectionSize(trail), '\0');
  ReadSection(trail, text.data(), uint32_t(text.size()));
  CloseSection(trail);
  EXPECT_NE(text.find("Released for routine use"), std::string::npos) << text;

  CVersionInfoDlg dlg;
  dlg.SetFileInfo(kMethod, kMethod, -1, 0);
  dlg.m_fileType = KELT_METHOD_FILE_TYPE;
  std::vector<std::string> items;
  std::string history, archive;
  bool extract = false, print = false;
  ws::OnNextDialog([&](HWND d) {
    items = ws::ListItems(d, VER_VERSIONS_ID);
    history = ws::GetField(d, VER_HISTORY_ID);
    archive = ws::GetField(d, VER_ARCHIVE_FILE_ID);
    extract = IsWindowEnabled(GetDlgItem(d, VER_EXTRACT_ID));
    print = IsWindowEnabled(GetDlgItem(d, VER_PRINT_ID));
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(items, (std::vector<std::string>{"Version 1 of 3", "Version 2 of 3", "Version 3 (Tip) of 3"}));
  EXPECT_EQ(archive, kMethod);
  EXPECT_TRUE(extract);
  EXPECT_TRUE(print);
  EXPECT_EQ(history.rfind(std::string(kMethod) + ", Versions 1 to 3\r\n\r\nVersion 1 saved on ", 0), 0u) << history;
  EXPECT_NE(history.find(" by analyst\r\n\r\nEdit number 1\r\n\r\nVersion 2 saved on "), std::string::npos) << history;
  EXPECT_NE(history.find("Version 3 (Tip) saved on "), std::string::npos);
  EXPECT_EQ(history.substr(history.size() - 15), "\r\nEdit number 3");
}

TEST_F(FileArchiveTest, ReasonDialogComposesTheReason) {
  struct Case {
    std::vector<std::string> reasons;  // the security database's list
    int item;                          // -1: the preselected entry
    std::string description;           // empty: untouched
    std::string stored;                // the reason stored, or "<refused>"
  };
  const Case cases[] = {
      {{"1,Calibration updated", "1,Compound added", "0,Other"}, 0, "", "Calibration updated"},
      {{"1,Calibration updated", "1,Compound added", "0,Other"}, 1, "Added m-xylene", "Compound added\r\nAdded m-xylene"},
      {{"1,Calibration updated", "0,Other"}, -1, "Column changed\r\n\r\n", "Column changed"},
      {{}, -1, "Typed reason", "Typed reason"},
      {{"1,Only one"}, -1, "Lone list ignored", "Lone list ignored"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Reasons(c.reasons);
    CVersionReasonDlg dlg;
    dlg.m_sourceFile = kMethod;
    dlg.m_archiveFile = kMethod;
    dlg.m_label = "Method File:";
    std::string instruction;
    ws::OnNextDialog([&](HWND d) {
      if (c.item >= 0) ws::PickItem(d, IDC_VR_REASONS, c.item);
      instruction = ws::GetField(d, IDC_VR_INSTRUCTION);
      // Line ends are pasted; other text is typed.
      if (c.description.find('\r') != std::string::npos) SetDlgItemTextA(d, IDC_VR_DESCRIPTION, c.description.c_str());
      else if (!c.description.empty()) ws::SetField(d, IDC_VR_DESCRIPTION, c.description);
      ws::PressButton(d, IDOK);
    });
    ASSERT_EQ(dlg.Run(), IDOK);
    EXPECT_EQ(dlg.m_reason, c.stored);
    const bool predefined = c.reasons.size() >= 2 && c.stored.find("Column") == std::string::npos;
    EXPECT_EQ(instruction, predefined ? VR_TEXT_OPTIONAL : VR_TEXT_REQUIRED);
  }
}

TEST_F(FileArchiveTest, FreeTextIsRequiredWhereNoReasonIsPredefined) {
  Reasons({});
  CVersionReasonDlg dlg;
  dlg.m_label = "Data File:";
  std::string instruction, caption;
  bool comboEnabled = true;
  size_t boxesBefore = 0;
  ws::OnNextDialog([&](HWND d) {
    caption = ws::Text(d);
    instruction = ws::GetField(d, IDC_VR_INSTRUCTION);
    comboEnabled = IsWindowEnabled(GetDlgItem(d, IDC_VR_REASONS));
    boxesBefore = ws::MessageBoxLog().size();
    ws::PressButton(d, IDOK);  // the placeholder is no reason
    ws::SetField(d, IDC_VR_DESCRIPTION, "Baseline re-integrated");
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(dlg.Run(), IDOK);
  EXPECT_EQ(caption, "Archive Data File");
  EXPECT_EQ(instruction, VR_TEXT_REQUIRED);
  EXPECT_FALSE(comboEnabled);
  const auto boxes = ws::MessageBoxLog();
  ASSERT_EQ(boxes.size(), boxesBefore + 1);
  EXPECT_EQ(boxes.back().text, "You must enter a reason for this version change in the edit box.");
  EXPECT_EQ(dlg.m_reason, "Baseline re-integrated");
}

TEST_F(FileArchiveTest, MissingRightsRefuseWithTheirMessage) {
  // Every right but saving methods (bit 12) and viewing data (bit 2).
  Security(true, "0xFFFFFFFFFFFFEFFB");
  AnswerReason("Edit");
  EXPECT_EQ(WSA_ArchiveMethodFile(kMethod, Source(1).c_str(), ""), 0);
  ASSERT_FALSE(ws::MessageBoxLog().empty());
  EXPECT_EQ(ws::MessageBoxLog().back().text, KELT_RIGHT_MSG_SAVE_METHOD);
  EXPECT_FALSE(FileExists(kMethod));

  Security(true, "0xFFFFFFFFFFFFFFEF");  // no bit 4
  EXPECT_EQ(WSA_SaveDataFile("C:\\Data\\run.kms", Source(2).c_str(), nullptr, "", 0), 0);
  EXPECT_EQ(ws::MessageBoxLog().back().text, KELT_RIGHT_MSG_SAVE_DATA);
  EXPECT_EQ(WSA_SaveDataFile("C:\\Data\\run.kms", Source(2).c_str(), nullptr, "", 1), 0);
  EXPECT_EQ(ws::MessageBoxLog().back().text, KELT_RIGHT_MSG_SAVE_NEW_DATA);
  EXPECT_NE(std::string(KELT_RIGHT_MSG_SAVE_NEW_DATA).find("you  have"), std::string::npos);
}

// A tip that cannot be written whole leaves the file and every version as
// they were; no partial version becomes the tip.
TEST_F(FileArchiveTest, AFailedTipCommitsNothing) {
  AnswerReason("First");
  ASSERT_EQ(WSA_ArchiveMethodFile(kMethod, Source(1).c_str(), ""), 1);
  const std::string source = Source(2);
  AnswerReason("Second");
  // The disk fills while the new tip is written.
  LimitSectionFileSpace(2000);
  const int32_t stored = WSA_ArchiveMethodFile(kMethod, source.c_str(), "");
  LimitSectionFileSpace(-1);
  EXPECT_EQ(stored, 0);
  ASSERT_FALSE(ws::MessageBoxLog().empty());
  EXPECT_EQ(ws::MessageBoxLog().back().text,
            std::string("There was an error writing the Audit Trail tip.\n") + kMethod + ".");
  EXPECT_EQ(Content(kMethod), Method(1));
  VERSION_ARCHIVE_INFO info;
  ASSERT_EQ(GetVersionArchiveInfo(kMethod, &info), VNK_OK);
  EXPECT_EQ(info.tipVersion, 1);
  EXPECT_EQ(info.lastVersion, 0);
  // And the next archiving works.
  AnswerReason("Second again");
  ASSERT_EQ(WSA_ArchiveMethodFile(kMethod, source.c_str(), ""), 1);
  EXPECT_EQ(Content(kMethod), Method(2));
}

TEST_F(FileArchiveTest, SavingWithSecurityOffCopiesAndClearsReadOnly) {
  Security(false, "0");
  const std::string source = Source(1);
  const char* target = "C:\\Data\\kept.kms";
  ASSERT_TRUE(CopyFileA(Source(2).c_str(), target, FALSE));
  char saved[MAX_PATH] = "x";
  ASSERT_EQ(WSA_SaveDataFile(target, source.c_str(), saved, "", 0), 1);
  EXPECT_STREQ(saved, target);
  EXPECT_EQ(Content(target), Method(1));
  // A write-protected file goes through "Save Data File As".
  SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
  std::string title;
  ws::OnNextDialog([&](HWND d) {
    title = ws::Text(d);
    SetDlgItemTextA(d, edt1, "C:\\Data\\copy.kms");
    ws::PressButton(d, IDOK);
  });
  ASSERT_EQ(WSA_SaveDataFile(target, Source(3).c_str(), saved, "", 0), 1);
  EXPECT_EQ(title, "Save Data File As");
  EXPECT_STREQ(saved, "C:\\Data\\copy.kms");
  EXPECT_EQ(Content("C:\\Data\\copy.kms"), Method(3));
  EXPECT_EQ(GetFileAttributesA("C:\\Data\\copy.kms") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Content(target), Method(1));
}

TEST_F(FileArchiveTest, AVersionExtractsToANewFileAsItWasArchived) {
  for (int n = 1; n <= 3; ++n) {
    AnswerReason("Edit " + std::to_string(n));
    ASSERT_EQ(WSA_ArchiveMethodFile(kMethod, Source(n).c_str(), ""), 1);
  }
  CVersionInfoDlg dlg;
  dlg.SetFileInfo(kMethod, kMethod, -1, 0);
  dlg.m_fileType = KELT_METHOD_FILE_TYPE;
  std::string description, suggested;
  ws::OnNextDialog([&](HWND d) {
    ws::PickItem(d, VER_VERSIONS_ID, 1);
    ws::PressButton(d, VER_EXTRACT_ID);
  });
  ws::OnNextDialog([&](HWND d) {
    ws::PressButton(d, IDC_EXV_NEW);
    description = ws::GetField(d, IDC_EXV_DESCRIPTION);
    ws::PressButton(d, IDOK);
  });
  // The reason for the new file's first version, then where to save it.
  ws::OnNextDialog([&](HWND d) {
    suggested = ws::GetField(d, edt1);
    SetDlgItemTextA(d, edt1, "C:\\Methods\\quant v2.mth");
    ws::PressButton(d, IDOK);
  });
  AnswerReason("Taken from the archive");
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(description, "Version 2 of quant.mth will be extracted to a new data file and saved.");
  EXPECT_NE(suggested.find("quant Version 2.mth"), std::string::npos) << suggested;
  EXPECT_EQ(Content("C:\\Methods\\quant v2.mth"), Method(2));
  EXPECT_EQ(Content(kMethod), Method(3));
}

TEST_F(FileArchiveTest, HistoryWithoutArchiveAndNamesOfExtractedVersions) {
  CVersionInfoDlg none;
  none.SetFileInfo("C:\\Data\\water.kms", "", -1, 0);
  none.BuildHistory();
  EXPECT_EQ(none.m_archiveText, VER_NO_ARCHIVE_TEXT);
  EXPECT_EQ(none.m_historyText, VER_NO_HISTORY_TEXT);
  EXPECT_EQ(none.m_firstVersion, -1);
  CVersionInfoDlg empty;
  EXPECT_EQ(empty.DoModal(), -1);

  // A project name that fills its sixteen bytes, without a terminator.
  AnswerReason("First");
  ASSERT_EQ(WSA_ArchiveMethodFile(kMethod, Source(1).c_str(), ""), 1);
  ASSERT_TRUE(Put(kMethod, "ProjectInfo", "GroundwaterVOC26"));
  ASSERT_TRUE(Put(kMethod, "ProjectInfoX", "should never show"));
  CVersionInfoDlg dlg;
  dlg.SetFileInfo(kMethod, kMethod, -1, 0);
  dlg.BuildHistory();
  EXPECT_EQ(dlg.m_historyText.rfind("Created in Project GroundwaterVOC26\r\n", 0), 0u) << dlg.m_historyText;
  EXPECT_EQ(dlg.m_firstVersion, 1);
  EXPECT_EQ(dlg.m_lastVersion, 1);
  EXPECT_EQ(dlg.SuggestedName(1), "C:\\Methods\\quant Version 1.mth");

  CExtractVersionDlg five("C:\\Data\\run.kms", 0, 5, 3);
  EXPECT_EQ(five.Description(EXTRACT_TO_CURRENT),
            "Version 3 of the data file will be extracted as Version 6 of run.kms and saved.");
  EXPECT_EQ(five.Description(EXTRACT_TO_TEMPORARY), "Version 3 of run.kms will be extracted to a temporary data file.");
  CExtractVersionDlg tip("C:\\Data\\run.kms", 1, 5, 5);
  EXPECT_EQ(tip.Description(EXTRACT_TO_CURRENT), "Extracting the tip (Version 5) will restore run.kms to its unedited state.");
  CExtractVersionDlg locked("C:\\Data\\run.kms", 1, 5, 2);
  EXPECT_EQ(locked.Description(EXTRACT_TO_CURRENT),
            "The data file is write protected. Version 2 of run.kms will be extracted to a new data file and saved.");
}

}  // namespace
