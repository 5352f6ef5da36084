// The version archive: versions stored and extracted byte for byte, steps
// that fail or are abandoned leave nothing behind, a killed writer never
// leaves half a tip, damaged records are refused, reasons are listed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_faults.h"
#include "testing/workstation_root.h"
#include "vennick/vennick.h"
#include "win/win_child.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

using Sections = std::map<std::string, std::string>;

class VersionArchiveTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    CreateDirectoryA("C:\\Methods", nullptr);
  }
  static constexpr const char* kFile = "C:\\Methods\\quant.mth";

  static bool Put(const std::string& path, const std::string& name, const std::string& bytes) {
    HSECTION s = CreateSection(path.c_str(), name.c_str(), nullptr);
    if (!s) return false;
    const bool wrote = bytes.empty() || WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
    return CloseSection(s) && wrote;
  }
  static std::string Get(const std::string& path, const std::string& name) {
    HSECTION s = OpenSectionReadOnly(path.c_str(), name.c_str(), nullptr);
    if (!s) return "<missing>";
    std::string out(GetSectionSize(s), '\0');
    if (!out.empty()) ReadSection(s, out.data(), uint32_t(out.size()));
    CloseSection(s);
    return out;
  }
  // The versioned sections of a file.
  static Sections Content(const std::string& path) {
    Sections out;
    HSECTION listing = FindSectionsByStem(path.c_str(), "");
    if (!listing) return out;
    for (int32_t i = 0; i < CountSectionMatches(listing); ++i) {
      char name[300] = {};
      GetSectionMatchName(listing, i, name, sizeof name);
      if (IsVersionedSection(name)) out[name] = Get(path, name);
    }
    CloseSection(listing);
    return out;
  }
  // Method content that differs per version, with binary bytes and a big section.
  static Sections Version(int n) {
    std::string peaks(70000 + n * 13, '\0');
    for (size_t i = 0; i < peaks.size(); ++i) peaks[i] = char((i * 7 + n * 31) % 256);
    Sections s{{"Method.Quant", "calibration " + std::to_string(n)}, {"Peaks", peaks}};
    if (n % 2 == 0) s["Report.Format"] = std::string("layout\0with nul", 15) + std::to_string(n);
    return s;
  }
  // One archiving the way the display library does it: reason, copies, commit.
  static int32_t Store(const std::string& path, const Sections& content, const std::string& reason) {
    ArchiveOrCreate(path, reason);
    for (const auto& [name, bytes] : content)
      if (!Put(path, name, bytes)) {
        AbortVersionTip(path.c_str());
        return -1;
      }
    return CommitVersionTip(path.c_str());
  }
  static void ArchiveOrCreate(const std::string& path, const std::string& reason) {
    VERSION_ARCHIVE_INFO info;
    if (GetVersionArchiveInfo(path.c_str(), &info) == VNK_ERR_NO_ARCHIVE) {
      ASSERT_EQ(CreateVersionArchive(path.c_str(), path.c_str(), "Created Audit Trail."), VNK_OK);
    }
    ASSERT_EQ(WriteVersionReason(path.c_str(), reason.c_str()), VNK_OK);
  }
  static Sections Plain(int n) {
    Sections s = Version(n);
    s.erase("Report.Format");
    return s;
  }
  static std::vector<std::string> TextOf(const char* file, int32_t version) {
    std::vector<std::string> lines;
    HVERSIONTEXT t = OpenVersionText(file, version);
    if (!t) return {"<none>"};
    char line[256];
    while (ReadVersionTextLine(t, line, sizeof line) == 1) lines.push_back(line);
    CloseVersionText(t);
    return lines;
  }
};

TEST_F(VersionArchiveTest, EveryVersionExtractsAsItWasStored) {
  ASSERT_TRUE(CreateSectionFileAtPath(kFile, SECTION_FILE_TYPE_METHOD, 0, 3));
  ASSERT_EQ(CreateVersionArchive(kFile, kFile, "First method."), VNK_OK);
  for (const auto& [name, bytes] : Version(1)) ASSERT_TRUE(Put(kFile, name, bytes));
  ASSERT_EQ(CommitVersionTip(kFile), VNK_OK);
  EXPECT_TRUE(AuditTrailExists(kFile));
  for (int n = 2; n <= 4; ++n) ASSERT_EQ(Store(kFile, Version(n), "Change " + std::to_string(n) + "\r\nMore"), 0);

  VERSION_ARCHIVE_INFO info;
  ASSERT_EQ(GetVersionArchiveInfo(kFile, &info), VNK_OK);
  EXPECT_STREQ(info.archiveName, kFile);
  EXPECT_EQ(info.firstVersion, 1);
  EXPECT_EQ(info.lastVersion, 3);
  EXPECT_EQ(info.tipVersion, 4);
  EXPECT_EQ(Content(kFile), Version(4));

  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    const std::string target = "C:\\Methods\\v" + std::to_string(n) + ".mth";
    ASSERT_EQ(ExtractArchivedVersion(kFile, n, target.c_str()), VNK_OK);
    EXPECT_TRUE(IsSectionFileOfType(target.c_str(), SECTION_FILE_TYPE_METHOD));
    uint16_t format = 0;
    GetSectionFileType(target.c_str(), &format);
    EXPECT_EQ(format, 3);
    // Version 2 held "Report.Format"; the later, odd version 3 still holds
    // it, as the file keeps a section that a new content leaves out.
    Sections expected = Version(n);
    if (n == 3) expected["Report.Format"] = Version(2)["Report.Format"];
    EXPECT_EQ(Content(target), expected);
    EXPECT_FALSE(SectionExists(target.c_str(), VNK_ARCHIVE_SECTION));
  }
  EXPECT_EQ(ExtractArchivedVersion(kFile, 4, "C:\\Methods\\tip.mth"), VNK_ERR_NO_VERSION);
  EXPECT_EQ(ExtractArchivedVersion(kFile, 0, "C:\\Methods\\none.mth"), VNK_ERR_NO_VERSION);
  EXPECT_EQ(ExtractArchivedVersion(kFile, 1, kFile), VNK_ERR_ARGUMENT);

  // Facts and texts.
  std::vector<int32_t> listed;
  VERSION_INFO_RECORD rec;
  for (int32_t v = GetNextArchivedVersion(kFile, 0, &rec, sizeof rec); v; v = GetNextArchivedVersion(kFile, v, &rec, sizeof rec)) {
    listed.push_back(v);
    EXPECT_EQ(rec.version, v);
    EXPECT_EQ(std::strlen(rec.date), 19u);
  }
  EXPECT_EQ(listed, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(TextOf(kFile, 1), (std::vector<std::string>{"First method."}));
  EXPECT_EQ(TextOf(kFile, 4), (std::vector<std::string>{"Change 4", "More"}));
  EXPECT_EQ(TextOf(kFile, 5), (std::vector<std::string>{"<none>"}));
  uint8_t small[2] = {};
  ASSERT_EQ(ReadTipVersionInfo(kFile, small, 2), VNK_ERR_BUFFER);
  uint16_t needed = 0;
  std::memcpy(&needed, small, 2);
  ASSERT_EQ(needed, sizeof(VERSION_INFO_RECORD));
  ASSERT_EQ(ReadTipVersionInfo(kFile, &rec, needed), VNK_OK);
  EXPECT_EQ(rec.version, 4);
}

TEST_F(VersionArchiveTest, AnArchiveMadeOverContentKeepsItAsTheFirstVersion) {
  ASSERT_TRUE(CreateSectionFileAtPath(kFile, SECTION_FILE_TYPE_METHOD, 0, 1));
  for (const auto& [name, bytes] : Version(7)) ASSERT_TRUE(Put(kFile, name, bytes));
  ASSERT_EQ(Store(kFile, Version(8), "Edited"), VNK_OK);
  VERSION_ARCHIVE_INFO info;
  ASSERT_EQ(GetVersionArchiveInfo(kFile, &info), VNK_OK);
  EXPECT_EQ(info.lastVersion, 1);
  EXPECT_EQ(info.tipVersion, 2);
  ASSERT_EQ(ExtractArchivedVersion(kFile, 1, "C:\\Methods\\old.mth"), VNK_OK);
  EXPECT_EQ(Content("C:\\Methods\\old.mth"), Version(7));
  EXPECT_EQ(TextOf(kFile, 1), (std::vector<std::string>{"Created Audit Trail."}));
}

TEST_F(VersionArchiveTest, AFailedOrAbandonedStepChangesNothing) {
  ASSERT_TRUE(CreateSectionFileAtPath(kFile, SECTION_FILE_TYPE_METHOD, 0, 1));
  ASSERT_EQ(Store(kFile, Version(1), "one"), VNK_OK);
  ASSERT_EQ(Store(kFile, Version(2), "two"), VNK_OK);
  const std::string archiveBefore = Get(kFile, VNK_ARCHIVE_SECTION);

  // Abandoned after some copies.
  ASSERT_EQ(WriteVersionReason(kFile, "three"), VNK_OK);
  ASSERT_TRUE(Put(kFile, "Peaks", "half"));
  ASSERT_EQ(AbortVersionTip(kFile), VNK_OK);
  EXPECT_EQ(Content(kFile), Version(2));
  EXPECT_EQ(Get(kFile, VNK_ARCHIVE_SECTION), archiveBefore);
  EXPECT_FALSE(SectionExists(kFile, "VnkVersion.2"));

  // The commit itself fails.
  ASSERT_EQ(WriteVersionReason(kFile, "three"), VNK_OK);
  for (const auto& [name, bytes] : Version(3)) ASSERT_TRUE(Put(kFile, name, bytes));
  FailSectionWrites(0, -1);
  EXPECT_EQ(CommitVersionTip(kFile), VNK_ERR_WRITE);
  FailSectionWrites(-1, 0);
  EXPECT_EQ(Content(kFile), Version(2));
  EXPECT_EQ(Get(kFile, VNK_ARCHIVE_SECTION), archiveBefore);

  // No step open, or one for another file.
  EXPECT_EQ(CommitVersionTip(kFile), VNK_ERR_STEP);
  ASSERT_EQ(WriteVersionReason(kFile, "x"), VNK_OK);
  EXPECT_EQ(WriteVersionReason("C:\\Methods\\other.mth", "y"), VNK_ERR_FILE);
  EXPECT_EQ(AbortVersionTip(kFile), VNK_OK);
  // A file without archive, and one that is missing.
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Methods\\plain.mth", SECTION_FILE_TYPE_METHOD, 0, 1));
  EXPECT_EQ(WriteVersionReason("C:\\Methods\\plain.mth", "y"), VNK_ERR_NO_ARCHIVE);
  VERSION_ARCHIVE_INFO info;
  EXPECT_EQ(GetVersionArchiveInfo("C:\\Methods\\plain.mth", &info), VNK_ERR_NO_ARCHIVE);
  EXPECT_EQ(GetVersionArchiveInfo("C:\\Methods\\gone.mth", &info), VNK_ERR_FILE);
}

TEST_F(VersionArchiveTest, DamagedRecordsAreRefusedAndNeverWrittenOver) {
  ASSERT_TRUE(CreateSectionFileAtPath(kFile, SECTION_FILE_TYPE_METHOD, 0, 1));
  ASSERT_EQ(Store(kFile, Version(1), "one"), VNK_OK);
  ASSERT_EQ(Store(kFile, Version(2), "two"), VNK_OK);
  ASSERT_EQ(Store(kFile, Version(3), "three"), VNK_OK);
  // Version 2's record loses a byte: it is listed, not extracted.
  std::string v2 = Get(kFile, "VnkVersion.2");
  v2[v2.size() / 2] ^= 0x40;
  ASSERT_TRUE(Put(kFile, "VnkVersion.2", v2));
  EXPECT_EQ(ExtractArchivedVersion(kFile, 2, "C:\\Methods\\v2.mth"), VNK_ERR_DAMAGED);
  EXPECT_FALSE(FileExists("C:\\Methods\\v2.mth"));
  EXPECT_EQ(ExtractArchivedVersion(kFile, 1, "C:\\Methods\\v1.mth"), VNK_OK);
  VERSION_INFO_RECORD rec;
  EXPECT_EQ(GetNextArchivedVersion(kFile, 1, &rec, sizeof rec), 2);
  EXPECT_EQ(GetNextArchivedVersion(kFile, 2, &rec, sizeof rec), 0);

  // The archive record damaged: nothing reads it, nothing replaces it.
  std::string state = Get(kFile, VNK_ARCHIVE_SECTION);
  ASSERT_TRUE(Put(kFile, VNK_ARCHIVE_SECTION, state.substr(0, state.size() - 1)));
  VERSION_ARCHIVE_INFO info;
  EXPECT_EQ(GetVersionArchiveInfo(kFile, &info), VNK_ERR_DAMAGED);
  EXPECT_EQ(CreateVersionArchive(kFile, kFile, "again"), VNK_ERR_DAMAGED);
  EXPECT_EQ(WriteVersionReason(kFile, "again"), VNK_ERR_DAMAGED);
  EXPECT_EQ(Get(kFile, VNK_ARCHIVE_SECTION), state.substr(0, state.size() - 1));
}

// A writer killed at any moment leaves every earlier version intact and a
// tip that is one whole version.
TEST_F(VersionArchiveTest, KilledArchivingLeavesWholeVersions) {
  ASSERT_TRUE(CreateSectionFileAtPath(kFile, SECTION_FILE_TYPE_METHOD, 0, 1));
  ASSERT_EQ(Store(kFile, Plain(1), "one"), VNK_OK);
  // The last trial is killed only once a new tip shows, however slow the machine.
  const int kAfterCommit = -1;
  const int delaysMs[] = {0, 2, 5, 13, 34, 89, 150, 300, 600, 1000, kAfterCommit};
  int tip = 1;
  for (int trial = 0; trial < int(std::size(delaysMs)); ++trial) {
    SCOPED_TRACE(trial);
    auto child = win::child::Start([&](const std::function<void()>& ready) {
      ready();
      for (int n = tip + 1;; ++n)
        if (Store(kFile, Plain(n), "v" + std::to_string(n)) != VNK_OK) return 3;
    });
    ASSERT_TRUE(win::child::WaitReady(child, 60000));
    if (delaysMs[trial] == kAfterCommit) {
      for (int waited = 0; waited < 120000; waited += 10) {
        VERSION_ARCHIVE_INFO now;
        if (GetVersionArchiveInfo(kFile, &now) == VNK_OK && now.tipVersion > tip) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(delaysMs[trial]));
    }
    win::child::KillHard(child);
    EXPECT_EQ(win::child::Wait(child), 128 + 9);

    VERSION_ARCHIVE_INFO info;
    ASSERT_EQ(GetVersionArchiveInfo(kFile, &info), VNK_OK);
    ASSERT_GE(info.tipVersion, tip);
    tip = info.tipVersion;
    ASSERT_EQ(info.lastVersion, tip - 1);
    EXPECT_EQ(Content(kFile), Plain(tip));
    EXPECT_EQ(TextOf(kFile, tip), (std::vector<std::string>{tip == 1 ? "one" : "v" + std::to_string(tip)}));
    // The first version and the last few: the ones a torn step could reach.
    for (int n = 1; n < tip; n = n < tip - 3 ? tip - 3 : n + 1) {
      const std::string target = "C:\\Methods\\check.mth";
      ASSERT_EQ(ExtractArchivedVersion(kFile, n, target.c_str()), VNK_OK) << n;
      ASSERT_EQ(Content(target), Plain(n)) << n;
    }
  }
  EXPECT_GT(tip, 1);
}

TEST_F(VersionArchiveTest, ReasonsComeFromTheSecurityDatabase) {
  const char* ini = GetWorkstationIniPath();
  struct Case {
    std::vector<std::pair<std::string, std::string>> keys;
    BOOL result;
    std::vector<std::pair<std::string, LRESULT>> items;
  };
  const Case cases[] = {
      {{}, TRUE, {}},
      {{{"Count", "2"}, {"Reason1", "1,Calibration updated"}, {"Reason2", "0,Other (describe)"}},
       TRUE,
       {{"Calibration updated", 1}, {"Other (describe)", 0}}},
      {{{"Count", "two"}}, FALSE, {}},
      {{{"Count", "2"}, {"Reason1", "1,Fine"}, {"Reason2", "x,Bad kind"}}, FALSE, {}},
  };
  for (const Case& c : cases) {
    WritePrivateProfileStringA("VersionReasons", nullptr, nullptr, ini);
    for (const auto& [k, v] : c.keys) WritePrivateProfileStringA("VersionReasons", k.c_str(), v.c_str(), ini);
    HWND combo = CreateWindowExA(0, "ComboBox", "", CBS_DROPDOWNLIST, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(WSecFillReasonCB(nullptr, combo), c.result);
    std::vector<std::pair<std::string, LRESULT>> items;
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char text[256] = {};
      SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
      items.push_back({text, SendMessageA(combo, CB_GETITEMDATA, WPARAM(i), 0)});
    }
    EXPECT_EQ(items, c.items);
    DestroyWindow(combo);
  }
}

}  // namespace
