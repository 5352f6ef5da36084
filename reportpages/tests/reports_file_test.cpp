// The reports file: layout, slots, deletion, upgrade, write protection and
// what a failed or damaged write leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "orvik32/orvik32_faults.h"
#include "reportpages/reports_file.h"
#include "testing/section_bytes.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

const char kFile[] = "C:\\Reports\\r.msr";

std::string Content(int i) { return "page " + std::to_string(i) + std::string(size_t(i) * 4001 % 9000, char('a' + i % 26)); }

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

class ReportsFile : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    ASSERT_TRUE(CreateDirectoryA("C:\\Reports", nullptr));
  }
  void TearDown() override {
    FailSectionWrites(-1, 0);
    KeltRootTest::TearDown();
  }
  static int Add(CRptsFileHandler& h, int i, uint16_t colorMode = 2) {
    const std::string c = Content(i);
    const std::string title = "Title " + std::to_string(i);
    return h.AddPageToFile(c.data(), uint32_t(c.size()), 1, 80, 70, 2, 1, colorMode, 32767, 32767, uint16_t(i),
                           uint32_t(1000 + i), title.c_str());
  }
  // Page index's content and page number, read through a fresh handler.
  static std::string Read(const char* path, int32_t index, uint16_t* number = nullptr) {
    CRptsFileHandler h(path, nullptr);
    RptsPageRecord r{};
    uint32_t size = 0;
    void* p = h.GetPage(index, &r, &size);
    if (!p) return "<none>";
    std::string out(static_cast<char*>(p), size);
    FreeBlock(p);
    if (number) *number = r.pageNumber;
    return out;
  }
  static void WriteV1(const std::vector<int>& statuses) {
    SECTION_FILE_RECORD record{};
    ASSERT_TRUE(CreateSectionFile(&record, MSR_FILE_TYPE, 0, 0));
    HSECTFILE f = OpenSectionFile(kFile, &record, SECTION_FILE_READ_WRITE, 2);
    ASSERT_NE(f, -1);
    CloseSectionFile(f);
    std::vector<uint8_t> head(510, 0);
    head[0] = 1;
    int pages = 0;
    std::vector<uint8_t> dir;
    for (size_t i = 0; i < statuses.size(); ++i) {
      head[10 + i] = uint8_t(statuses[i]);
      if (statuses[i] != 1) continue;
      char name[16];
      std::snprintf(name, sizeof name, "MSRPage%03d", int(i + 1));
      const std::string c = Content(int(i + 1));
      PutSection(kFile, name, std::vector<uint8_t>(c.begin(), c.end()));
      RptsPageRecord r{};
      r.kind = 1;
      r.pageNumber = uint16_t(i + 1);
      const auto* p = reinterpret_cast<const uint8_t*>(&r);
      dir.insert(dir.end(), p, p + sizeof r);
      ++pages;
    }
    head[6] = uint8_t(pages);
    head[8] = uint8_t(statuses.size());
    PutSection(kFile, "MSRHeader", head);
    PutSection(kFile, "MSRSlotInfo", dir);
  }
};

}  // namespace

TEST_F(ReportsFile, NewFileLayout) {
  CRptsFileHandler h(nullptr);
  ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
  EXPECT_TRUE(IsSectionFileOfType(kFile, 790));
  EXPECT_EQ(h.GetCountOfPages(), 0);
  EXPECT_EQ(h.GetUsedSlotCount(), 0);
  EXPECT_EQ(h.GetFreeSlotCount(), 15900);
  const auto head = SectionBytes(kFile, "MSRHeader");
  ASSERT_EQ(head.size(), 1034u);
  EXPECT_EQ(head[0] | head[1] << 8, 2);
  EXPECT_EQ(Le32(head, 6), 0u);
  EXPECT_EQ(Le32(head, 10), 0u);
  EXPECT_EQ(Le32(head, 14), 1000u);
  EXPECT_TRUE(SectionExists(kFile, "MSRSlotInfo"));
  CRptsFileHandler none(nullptr);
  EXPECT_EQ(none.GetCountOfPages(), -1);
  EXPECT_EQ(none.GetFreeSlotCount(), 15900);
}

TEST_F(ReportsFile, PagesAndDirectoryRecordsAreStoredByteExact) {
  CRptsFileHandler h(nullptr);
  ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
  const std::string big(9500, 'x');  // written in pieces
  ASSERT_EQ(h.AddPageToFile(big.data(), uint32_t(big.size()), 1, 120, 60, 1, 1, 2, 0, 32767, 7, 0x01020304u,
                            "A title of more than seventy-nine characters is cut at seventy-nine, the rest zero!!"),
            1);
  ASSERT_EQ(Add(h, 2), 1);
  EXPECT_EQ(SectionBytes(kFile, "MSRPage0000001").size(), 9500u);
  const auto dir = SectionBytes(kFile, "MSRSlotInfo");
  ASSERT_EQ(dir.size(), 40u * 103);  // two records and the zeroed rest of a step
  const uint8_t words[] = {1, 0, 120, 0, 60, 0, 1, 0, 1, 0, 2, 0, 0, 0, 0xFF, 0x7F, 7, 0, 4, 3, 2, 1};
  EXPECT_EQ(std::vector<uint8_t>(dir.begin(), dir.begin() + 22), std::vector<uint8_t>(words, words + 22));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&dir[22])).size(), 79u);
  EXPECT_EQ(std::vector<uint8_t>(dir.begin() + 101, dir.begin() + 103), std::vector<uint8_t>(2, 0));
  EXPECT_EQ(Read(kFile, 1), Content(2));
  EXPECT_EQ(Read(kFile, 0), big);
  EXPECT_EQ(Read(kFile, 2), "<none>");
}

TEST_F(ReportsFile, DeletedSlotsAreNeverReused) {
  CRptsFileHandler h(nullptr);
  ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(Add(h, i), 1);
  ASSERT_EQ(h.DeletePage(1), 1);
  EXPECT_FALSE(SectionExists(kFile, "MSRPage0000002"));
  auto head = SectionBytes(kFile, "MSRHeader");
  EXPECT_EQ(std::vector<uint8_t>(head.begin() + 34, head.begin() + 37), (std::vector<uint8_t>{1, 2, 1}));
  EXPECT_EQ(h.SlotOfPage(1), 3);
  uint16_t number = 0;
  EXPECT_EQ(Read(kFile, 1, &number), Content(3));
  EXPECT_EQ(number, 3);
  ASSERT_EQ(Add(h, 4), 1);
  EXPECT_TRUE(SectionExists(kFile, "MSRPage0000004"));
  EXPECT_EQ(h.GetCountOfPages(), 3);
  EXPECT_EQ(h.GetUsedSlotCount(), 4);
  // Deleting the last page moves nothing; the next add overwrites its record.
  const size_t dirLength = SectionBytes(kFile, "MSRSlotInfo").size();
  ASSERT_EQ(h.DeletePage(2), 1);
  EXPECT_EQ(SectionBytes(kFile, "MSRSlotInfo").size(), dirLength);
  ASSERT_EQ(Add(h, 5), 1);
  EXPECT_EQ(Read(kFile, 2, &number), Content(5));
  EXPECT_EQ(number, 5);
  EXPECT_EQ(h.DeletePage(3), 0);
  EXPECT_EQ(h.ReplacePage(0, "new", 3), 1);
  EXPECT_EQ(Read(kFile, 0), "new");
  EXPECT_EQ(h.ReplacePage(3, "new", 3), 0);
}

TEST_F(ReportsFile, CapacityGrowsAndTheSlotLimitHolds) {
  CRptsFileHandler h(nullptr);
  ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
  // A file whose 1000 slots were all used and deleted.
  std::vector<uint8_t> head = SectionBytes(kFile, "MSRHeader");
  head[10] = 1000 & 0xFF;
  head[11] = 1000 >> 8;
  std::fill(head.begin() + 34, head.end(), 2);
  PutSection(kFile, "MSRHeader", head);
  ASSERT_EQ(h.UseThisExistingFile(kFile), 1);
  ASSERT_EQ(Add(h, 1), 1);
  EXPECT_EQ(SectionBytes(kFile, "MSRHeader").size(), 2034u);
  EXPECT_TRUE(SectionExists(kFile, "MSRPage0001001"));
  EXPECT_EQ(Read(kFile, 0), Content(1));

  // 15900 used slots: nothing more goes in, whatever was deleted.
  head.assign(34 + 16000, 2);
  head[0] = 2;
  head[1] = 0;
  std::memset(&head[2], 0, 32);
  const int32_t used = 15900, cap = 16000, pages = 0;
  std::memcpy(&head[6], &pages, 4);
  std::memcpy(&head[10], &used, 4);
  std::memcpy(&head[14], &cap, 4);
  PutSection(kFile, "MSRHeader", head);
  ASSERT_EQ(h.UseThisExistingFile(kFile), 1);
  EXPECT_EQ(h.GetFreeSlotCount(), 0);
  EXPECT_EQ(Add(h, 2), 0);
}

TEST_F(ReportsFile, SlotRangeNormalisesColourModes) {
  CRptsFileHandler h(nullptr);
  ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
  ASSERT_EQ(Add(h, 1, 7), 1);
  ASSERT_EQ(Add(h, 2, 4), 1);
  ASSERT_EQ(Add(h, 3, 0), 1);
  RptsPageRecord* r = h.GetSlotRange(0, 2);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(int(r[0].colorMode), 2);
  EXPECT_EQ(int(r[1].colorMode), 4);
  EXPECT_EQ(int(r[2].colorMode), 0);
  EXPECT_STREQ(r[2].title, "Title 3");
  FreeBlock(r);
  EXPECT_EQ(h.GetSlotRange(1, 3), nullptr);
  EXPECT_EQ(h.GetSlotRange(2, 1), nullptr);
}

TEST_F(ReportsFile, VersionOneFilesAreUpgradedInPlace) {
  WriteV1({1, 2, 1});
  WritePrivateProfileStringA("Corvane Zeph Workstation", "AutoUpgrade", "1", GetWorkstationIniPath());
  CRptsFileHandler h(kFile, nullptr);
  ASSERT_EQ(h.GetCountOfPages(), 2);
  EXPECT_TRUE(SectionExists(kFile, "MSRPage0000001"));
  EXPECT_TRUE(SectionExists(kFile, "MSRPage0000003"));
  EXPECT_FALSE(SectionExists(kFile, "MSRPage001"));
  EXPECT_EQ(SectionBytes(kFile, "MSRHeader").size(), 1034u);
  EXPECT_EQ(Read(kFile, 0), Content(1));
  EXPECT_EQ(Read(kFile, 1), Content(3));
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
}

TEST_F(ReportsFile, UpgradeAsksFirstAndCancelKeepsTheOldFile) {
  WriteV1({1, 1});
  win::script::AnswerNextMessageBox(IDCANCEL);
  CRptsFileHandler h(kFile, nullptr);
  EXPECT_EQ(h.GetCountOfPages(), -1);
  auto log = win::script::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].caption, "Report File Upgrade");
  EXPECT_NE(log[0].text.find("Ready to upgrade 'C:\\Reports\\r.msr'."), std::string::npos);
  EXPECT_EQ(SectionBytes(kFile, "MSRHeader").size(), 510u);
  win::script::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(h.UseThisExistingFile(kFile), 1);
  EXPECT_EQ(h.GetCountOfPages(), 2);
}

TEST_F(ReportsFile, WriteProtectedFiles) {
  {
    CRptsFileHandler h(nullptr);
    ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
    ASSERT_EQ(Add(h, 1), 1);
  }
  ASSERT_TRUE(SetFileAttributesA(kFile, FILE_ATTRIBUTE_READONLY));
  CRptsFileHandler h(kFile, nullptr);
  ASSERT_EQ(h.GetCountOfPages(), 1);
  EXPECT_EQ(h.m_WriteProtected, 1);
  EXPECT_EQ(Read(kFile, 0), Content(1));
  EXPECT_EQ(Add(h, 2), 0);
  EXPECT_EQ(h.ReplacePage(0, "x", 1), 0);
  EXPECT_EQ(h.DeletePage(0), 0);
  EXPECT_EQ(Read(kFile, 0), Content(1));

  // An old file that is write-protected cannot be upgraded, so not opened.
  ASSERT_TRUE(SetFileAttributesA(kFile, FILE_ATTRIBUTE_NORMAL));
  WriteV1({1});
  ASSERT_TRUE(SetFileAttributesA(kFile, FILE_ATTRIBUTE_READONLY));
  win::script::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(h.UseThisExistingFile(kFile), 0);
  auto log = win::script::MessageBoxLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().text, "The file'C:\\Reports\\r.msr'\ncannot be upgraded because it is write protected");
  SetFileAttributesA(kFile, FILE_ATTRIBUTE_NORMAL);
}

// A write that fails at any point of adding a page leaves the earlier
// pages readable, the failed page absent, and the file still writable:
// the add's writes go in one commit, or, inside another batch of the
// thread, one by one in an order that keeps the file readable.
TEST_F(ReportsFile, FailedAddKeepsEarlierPages) {
  for (int failAt = -1; failAt < 3; ++failAt) {
    SCOPED_TRACE(failAt);
    const bool oneByOne = failAt >= 0;
    if (oneByOne) {
      ASSERT_TRUE(BeginSectionBatch("C:\\Reports\\elsewhere.msr"));
    }
    DeleteFileA(kFile);
    CRptsFileHandler h(nullptr);
    ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
    ASSERT_EQ(Add(h, 1), 1);
    ASSERT_EQ(Add(h, 2), 1);
    FailSectionWrites(oneByOne ? failAt : 0, -1);
    EXPECT_EQ(Add(h, 3), 0);
    FailSectionWrites(-1, 0);
    if (oneByOne) AbortSectionBatch("C:\\Reports\\elsewhere.msr");
    EXPECT_EQ(h.GetCountOfPages(), 2);
    CRptsFileHandler again(kFile, nullptr);
    ASSERT_EQ(again.GetCountOfPages(), 2);
    EXPECT_EQ(Read(kFile, 0), Content(1));
    EXPECT_EQ(Read(kFile, 1), Content(2));
    ASSERT_EQ(Add(h, 4), 1);
    EXPECT_EQ(Read(kFile, 2), Content(4));
  }
}

TEST_F(ReportsFile, FailedDeleteKeepsTheDirectoryInStep) {
  for (int failAt = -1; failAt < 2; ++failAt) {
    SCOPED_TRACE(failAt);
    const bool oneByOne = failAt >= 0;
    DeleteFileA(kFile);
    CRptsFileHandler h(nullptr);
    ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
    for (int i = 1; i <= 3; ++i) ASSERT_EQ(Add(h, i), 1);
    if (oneByOne) {
      ASSERT_TRUE(BeginSectionBatch("C:\\Reports\\elsewhere.msr"));
    }
    FailSectionWrites(oneByOne ? failAt : 0, 1);  // one write fails, the undo goes through
    EXPECT_EQ(h.DeletePage(0), 0);
    FailSectionWrites(-1, 0);
    if (oneByOne) AbortSectionBatch("C:\\Reports\\elsewhere.msr");
    for (int i = 0; i < 3; ++i) {
      uint16_t number = 0;
      EXPECT_EQ(Read(kFile, i, &number), Content(i + 1));
      EXPECT_EQ(number, i + 1);
    }
  }
}

// An upgrade cut short by a failed rename leaves a file that the next
// open upgrades whole.
TEST_F(ReportsFile, UpgradeCutShortIsFinishedLater) {
  WriteV1({1, 2, 1, 1});
  WritePrivateProfileStringA("Corvane Zeph Workstation", "AutoUpgrade", "1", GetWorkstationIniPath());
  FailSectionWrites(1, -1);
  CRptsFileHandler h(kFile, nullptr);
  EXPECT_EQ(h.GetCountOfPages(), -1);
  FailSectionWrites(-1, 0);
  ASSERT_EQ(h.UseThisExistingFile(kFile), 1);
  ASSERT_EQ(h.GetCountOfPages(), 3);
  EXPECT_EQ(Read(kFile, 0), Content(1));
  EXPECT_EQ(Read(kFile, 1), Content(3));
  EXPECT_EQ(Read(kFile, 2), Content(4));
}

// A replace whose write fails, alone or one by one inside another batch of
// the thread, keeps the old page and leaves no scratch section.
TEST_F(ReportsFile, FailedReplaceKeepsTheOldPage) {
  const std::string big(9000, 'n');
  for (bool oneByOne : {false, true}) {
    SCOPED_TRACE(oneByOne);
    DeleteFileA(kFile);
    CRptsFileHandler h(nullptr);
    ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
    ASSERT_EQ(Add(h, 1), 1);
    ASSERT_EQ(Add(h, 2), 1);
    if (oneByOne) {
      ASSERT_TRUE(BeginSectionBatch("C:\\Reports\\elsewhere.msr"));
    }
    FailSectionDataWrites(1);  // the first piece is not taken
    EXPECT_EQ(h.ReplacePage(0, big.data(), uint32_t(big.size())), 0);
    FailSectionDataWrites(0);
    FailSectionWrites(0, 1);  // the commit fails
    EXPECT_EQ(h.ReplacePage(1, big.data(), uint32_t(big.size())), 0);
    FailSectionWrites(-1, 0);
    if (oneByOne) AbortSectionBatch("C:\\Reports\\elsewhere.msr");
    EXPECT_EQ(Read(kFile, 0), Content(1));
    EXPECT_EQ(Read(kFile, 1), Content(2));
    EXPECT_FALSE(SectionExists(kFile, "MSRPage0000001~new"));
    EXPECT_EQ(h.ReplacePage(1, big.data(), uint32_t(big.size())), 1);
    EXPECT_EQ(Read(kFile, 1), big);
  }
}

// A header that counts fewer pages than its status bytes mark would hand
// out an older page's content for a page added later: it is refused.
TEST_F(ReportsFile, FewerPagesCountedThanMarkedAreRefused) {
  {
    CRptsFileHandler h(nullptr);
    ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
    ASSERT_EQ(Add(h, 1), 1);
    ASSERT_EQ(Add(h, 2), 1);
  }
  auto head = SectionBytes(kFile, "MSRHeader");
  const int32_t one = 1;
  std::memcpy(&head[6], &one, 4);
  PutSection(kFile, "MSRHeader", head);
  CRptsFileHandler h(kFile, nullptr);
  EXPECT_EQ(h.GetCountOfPages(), -1);
  EXPECT_EQ(Add(h, 3), 0);
  EXPECT_EQ(Read(kFile, 1), "<none>");
}

TEST_F(ReportsFile, DamagedHeadersAreRefused) {
  struct Case {
    const char* what;
    int32_t pages, used, capacity;
    size_t statusBytes;
  } cases[] = {
      {"capacity beyond any file", 0, 0, 2000000000, 1000},
      {"negative capacity", 0, 0, -1000, 1000},
      {"more used than capacity", 0, 1001, 1000, 1000},
      {"more pages than used", 3, 2, 1000, 1000},
      {"negative pages", -1, 0, 1000, 1000},
      {"status table cut short", 0, 0, 1000, 10},
      {"pages without slots", 2, 2, 1000, 1000},  // both slots read deleted
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CRptsFileHandler h(nullptr);
    ASSERT_EQ(h.MakeThisNewFile(kFile), 1);
    std::vector<uint8_t> head(34 + c.statusBytes, 2);
    std::memset(head.data(), 0, 34);
    head[0] = 2;
    std::memcpy(&head[6], &c.pages, 4);
    std::memcpy(&head[10], &c.used, 4);
    std::memcpy(&head[14], &c.capacity, 4);
    PutSection(kFile, "MSRHeader", head);
    EXPECT_EQ(h.UseThisExistingFile(kFile), 0);
    EXPECT_EQ(h.GetCountOfPages(), -1);
  }
  // An old header that claims more than its 500 slots.
  WriteV1({1});
  auto head = SectionBytes(kFile, "MSRHeader");
  head[8] = 0xF4;
  head[9] = 0x01 + 1;  // 756 used slots
  PutSection(kFile, "MSRHeader", head);
  WritePrivateProfileStringA("Corvane Zeph Workstation", "AutoUpgrade", "1", GetWorkstationIniPath());
  CRptsFileHandler h(kFile, nullptr);
  EXPECT_EQ(h.GetCountOfPages(), -1);
}
