// The sectioned-file store: files, sections, listings, file information,
// and what bad or damaged input gets.
#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "orvik32/orvik32_batches.h"
#include "orvik32/orvik32_faults.h"
#include "orvik32/whole_sections.h"
#include "store_fixture.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

class SectionStoreTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    file_ = Path("run1.kms");
    ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0x0102));
  }
  std::string file_;
};

TEST_F(SectionStoreTest, PathFormCreatesFileWithTypeAndFormatWordOnDisk) {
  EXPECT_TRUE(IsSectionFileOfType(file_.c_str(), 790));
  EXPECT_FALSE(IsSectionFileOfType(file_.c_str(), 666));
  uint16_t format = 0;
  EXPECT_EQ(GetSectionFileType(file_.c_str(), &format), 790);
  EXPECT_EQ(format, 0x0102);
  // Readers take the format word straight from bytes 2-3 of the file.
  RawFile raw(file_);
  auto head = raw.Read(0, 28);
  ASSERT_EQ(head.size(), 28u);
  EXPECT_EQ(head[0] | head[1] << 8, 790);
  EXPECT_EQ(head[2] | head[3] << 8, 0x0102);

  HSECTFILE h = OpenSectionFile(file_.c_str(), nullptr, SECTION_FILE_READ, 3);
  ASSERT_NE(h, -1);
  EXPECT_TRUE(CloseSectionFile(h));
  EXPECT_FALSE(CloseSectionFile(h));
}

TEST_F(SectionStoreTest, CreationRecordMakesFileOnOpenModeTwoReplacingTheOld) {
  ASSERT_TRUE(PutSection(file_, "Old", "old bytes"));
  SECTION_FILE_RECORD record{};
  ASSERT_TRUE(CreateSectionFile(&record, 666, 0, 5));
  uint16_t type16;
  std::memcpy(&type16, record.bytes + SECTION_FILE_RECORD_TYPE_OFFSET, 2);
  EXPECT_EQ(type16, 666);

  HSECTFILE h = OpenSectionFile(file_.c_str(), &record, SECTION_FILE_READ_WRITE, 2);
  ASSERT_NE(h, -1);
  CloseSectionFile(h);
  EXPECT_TRUE(IsSectionFileOfType(file_.c_str(), 666));
  EXPECT_FALSE(SectionExists(file_.c_str(), "Old"));

  // A plain open fills a zeroed record with the file's facts.
  ASSERT_TRUE(PutSection(file_, "New", "x"));
  SECTION_FILE_RECORD facts{};
  h = OpenSectionFile(file_.c_str(), &facts, SECTION_FILE_READ, 2);
  ASSERT_NE(h, -1);
  CloseSectionFile(h);
  std::memcpy(&type16, facts.bytes + SECTION_FILE_RECORD_TYPE_OFFSET, 2);
  EXPECT_EQ(type16, 666);
  uint32_t count;
  std::memcpy(&count, facts.bytes + 24, 4);
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(SectionExists(file_.c_str(), "New"));
}

TEST_F(SectionStoreTest, PathArgumentIsNeverWrittenInto) {
  // Exactly as long as the text: any write or over-read trips the sanitizer.
  const std::string p = Path("exact.kms");
  std::unique_ptr<char[]> buf(new char[p.size() + 1]);
  std::memcpy(buf.get(), p.c_str(), p.size() + 1);
  ASSERT_TRUE(CreateSectionFileAtPath(buf.get(), 777, 0, 0));
  EXPECT_EQ(std::string(buf.get()), p);
  EXPECT_TRUE(IsSectionFileOfType(p.c_str(), 777));
}

TEST_F(SectionStoreTest, BadPathIsRefusedWithReasonAndNothingWritten) {
  // The longest path a new file may have, in folders of a usual length.
  const std::string folders = "C:\\TEMP\\" + std::string(100, 'a') + "\\" + std::string(100, 'b');
  ASSERT_TRUE(CreateDirectoryA(folders.substr(0, 108).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(folders.c_str(), nullptr));
  const std::string longest = folders + "\\" + std::string(MAX_PATH - 1 - folders.size() - 1, 'n');
  ASSERT_EQ(longest.size(), MAX_PATH - 1u);
  struct Case {
    std::string path;
    DWORD error;  // 0: accepted
  } cases[] = {
      {"", ERROR_BAD_PATHNAME},
      {"C:\\TEMP\\tab\there.kms", ERROR_BAD_PATHNAME},
      {"C:\\TEMP\\line\nfeed.kms", ERROR_BAD_PATHNAME},
      {"C:\\TEMP\\del\x7F.kms", ERROR_BAD_PATHNAME},
      {longest + "x", ERROR_FILENAME_EXCED_RANGE},
      {"C:\\TEMP\\" + std::string(292, 'p'), ERROR_FILENAME_EXCED_RANGE},
      {longest, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.size());
    // Exactly as long as the text: any write or over-read trips the sanitizer.
    std::unique_ptr<char[]> buf(new char[c.path.size() + 1]);
    std::memcpy(buf.get(), c.path.c_str(), c.path.size() + 1);
    SetLastError(0);
    EXPECT_EQ(CreateSectionFileAtPath(buf.get(), 777, 0, 0) != FALSE, c.error == 0);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(std::string(buf.get()), c.path);
    EXPECT_EQ(IsSectionFileOfType(c.path.c_str(), 777) != FALSE, c.error == 0);
    // The record form refuses the same paths when the file is made.
    SECTION_FILE_RECORD record{};
    ASSERT_TRUE(CreateSectionFile(&record, 666, 0, 0));
    const HSECTFILE h = OpenSectionFile(buf.get(), &record, SECTION_FILE_READ_WRITE, 2);
    EXPECT_EQ(h != -1, c.error == 0);
    if (h != -1) CloseSectionFile(h);
    EXPECT_EQ(IsSectionFileOfType(c.path.c_str(), 666) != FALSE, c.error == 0);
  }
}

TEST_F(SectionStoreTest, SectionsRoundTripWithPositionAndShortReads) {
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(PutSection(file_, "MSRHeader", data));
  EXPECT_TRUE(SectionExists(file_.c_str(), "MSRHeader"));
  EXPECT_TRUE(SectionExists(file_.c_str(), "msrheader"));  // names ignore case

  HSECTION s = OpenSectionReadOnly(file_.c_str(), "MSRHeader", nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(GetSectionSize(s), 10000u);
  EXPECT_EQ(SeekSection(s, 34, 0), 34u);
  char buf[4000];
  EXPECT_EQ(ReadSection(s, buf, 100), 100u);
  EXPECT_EQ(0, std::memcmp(buf, data.data() + 34, 100));
  EXPECT_EQ(SeekSection(s, -10, 2), 9990u);
  EXPECT_EQ(ReadSection(s, buf, 4000), 10u);  // past the end moves fewer
  EXPECT_EQ(ReadSection(s, buf, 4000), 0u);
  EXPECT_EQ(SeekSection(s, -1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(SeekSection(s, 0, 7), 0xFFFFFFFFu);
  EXPECT_EQ(WriteSection(s, buf, 10), 0u);  // read-only handle
  EXPECT_TRUE(CloseSection(s));
  EXPECT_EQ(GetSection(file_, "MSRHeader"), data);
}

TEST_F(SectionStoreTest, WritesBecomeVisibleWholeAtClose) {
  ASSERT_TRUE(PutSection(file_, "Page", "old content"));
  HSECTION w = CreateSection(file_.c_str(), "Page", nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(WriteSection(w, "new", 3), 3u);
  EXPECT_EQ(GetSection(file_, "Page"), "old content");
  EXPECT_TRUE(CloseSection(w));
  EXPECT_EQ(GetSection(file_, "Page"), "new");

  // An empty created section exists, empty, after close.
  HSECTION e = CreateSection(file_.c_str(), "Empty", nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(SectionExists(file_.c_str(), "Empty"));
  EXPECT_TRUE(CloseSection(e));
  EXPECT_EQ(GetSection(file_, "Empty"), "");
}

// A write that is not taken leaves the section as it was at close, whether
// the section was made anew or edited; the next whole write goes through.
TEST_F(SectionStoreTest, AFailedWriteIsNeverCommittedAtClose) {
  for (bool created : {true, false}) {
    SCOPED_TRACE(created);
    ASSERT_TRUE(PutSection(file_, "Page", "old content"));
    HSECTION w = created ? CreateSection(file_.c_str(), "Page", nullptr) : OpenSection(file_.c_str(), "Page", nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WriteSection(w, "new", 3), 3u);
    FailSectionDataWrites(1);
    EXPECT_EQ(WriteSection(w, " and more", 9), 0u);
    FailSectionDataWrites(0);
    EXPECT_FALSE(CloseSection(w));
    EXPECT_EQ(GetSection(file_, "Page"), "old content");
  }
  FailSectionDataWrites(1);
  EXPECT_FALSE(orvik::WriteWholeSection(file_.c_str(), "Page", std::string("whole")));
  FailSectionDataWrites(0);
  EXPECT_EQ(GetSection(file_, "Page"), "old content");
  EXPECT_TRUE(orvik::WriteWholeSection(file_.c_str(), "Page", std::string("whole")));
  EXPECT_EQ(GetSection(file_, "Page"), "whole");
}

TEST_F(SectionStoreTest, OpenSectionEditsInPlaceAndZeroFillsGaps) {
  ASSERT_TRUE(PutSection(file_, "SlotInfo", "abcdef"));
  EXPECT_EQ(OpenSection(file_.c_str(), "Missing", nullptr), nullptr);
  HSECTION s = OpenSection(file_.c_str(), "SlotInfo", nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SeekSection(s, 2, 0), 2u);
  EXPECT_EQ(WriteSection(s, "XY", 2), 2u);
  EXPECT_EQ(SeekSection(s, 2, 2), 8u);  // beyond the end
  EXPECT_EQ(WriteSection(s, "Z", 1), 1u);
  EXPECT_EQ(GetSectionSize(s), 9u);
  EXPECT_TRUE(CloseSection(s));
  EXPECT_EQ(GetSection(file_, "SlotInfo"), std::string("abXYef\0\0Z", 9));
}

TEST_F(SectionStoreTest, DeleteRenameCopy) {
  ASSERT_TRUE(PutSection(file_, "MSRPage001", "page one"));
  ASSERT_TRUE(PutSection(file_, "Taken", "t"));
  EXPECT_TRUE(RenameSection(file_.c_str(), "MSRPage001", "MSRPage0000001"));
  EXPECT_FALSE(SectionExists(file_.c_str(), "MSRPage001"));
  EXPECT_EQ(GetSection(file_, "MSRPage0000001"), "page one");
  EXPECT_FALSE(RenameSection(file_.c_str(), "MSRPage0000001", "Taken"));
  EXPECT_EQ(GetSection(file_, "Taken"), "t");
  EXPECT_FALSE(RenameSection(file_.c_str(), "Nothing", "Other"));

  std::string other = Path("other.kms");
  ASSERT_TRUE(CreateSectionFileAtPath(other.data(), 666, 0, 0));
  EXPECT_TRUE(CopySection(file_.c_str(), "MSRPage0000001", other.c_str(), "Copied"));
  EXPECT_EQ(GetSection(other, "Copied"), "page one");
  EXPECT_FALSE(CopySection(file_.c_str(), "Nothing", other.c_str(), "Copied"));
  EXPECT_EQ(GetSection(other, "Copied"), "page one");

  EXPECT_TRUE(DeleteSection(file_.c_str(), "Taken"));
  EXPECT_FALSE(DeleteSection(file_.c_str(), "Taken"));
  EXPECT_FALSE(SectionExists(file_.c_str(), "Taken"));
}

TEST_F(SectionStoreTest, ListingsByStemAndByPosition) {
  for (const char* n : {"PeakTable.61.2", "MSData", "peaktable.4.1", "LogFile", "PeakTableX"}) {
    ASSERT_TRUE(PutSection(file_, n, n));
  }
  HSECTION l = FindSectionsByStem(file_.c_str(), "PEAKTABLE.");
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(CountSectionMatches(l), 2);
  char name[80];
  ASSERT_TRUE(GetSectionMatchName(l, 0, name, sizeof name));
  EXPECT_STREQ(name, "peaktable.4.1");
  ASSERT_TRUE(GetSectionMatchName(l, 1, name, sizeof name));
  EXPECT_STREQ(name, "PeakTable.61.2");
  ASSERT_TRUE(GetSectionMatchName(l, 1, name, 5));
  EXPECT_STREQ(name, "Peak");  // truncated to the buffer
  EXPECT_FALSE(GetSectionMatchName(l, 2, name, sizeof name));
  EXPECT_FALSE(GetSectionMatchName(l, -1, name, sizeof name));
  EXPECT_FALSE(GetSectionMatchName(l, 0, name, 0));
  EXPECT_TRUE(CloseSection(l));

  HSECTION none = FindSectionsByStem(file_.c_str(), "Nope");
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(CountSectionMatches(none), 0);
  CloseSection(none);

  char info[260];
  std::memset(info, 0x5A, sizeof info);
  HSECTION all = OpenSectionList(file_.c_str(), info);
  ASSERT_NE(all, nullptr);
  std::vector<std::string> seen;
  for (int32_t pos = NextSectionListEntry(all, 0); pos; pos = NextSectionListEntry(all, pos)) {
    ASSERT_TRUE(GetSectionMatchName(all, pos, name, sizeof name));
    seen.push_back(name);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"LogFile", "MSData", "peaktable.4.1",
                                            "PeakTable.61.2", "PeakTableX"}));
  EXPECT_FALSE(GetSectionMatchName(all, 0, name, sizeof name));  // positions start at 1
  EXPECT_EQ(info[0], 0x5A);
  EXPECT_TRUE(CloseSection(all));
  EXPECT_FALSE(CloseSection(all));
}

TEST_F(SectionStoreTest, CloseSectionRecognisesOnlyLiveHandles) {
  int local = 0;
  EXPECT_FALSE(CloseSection(&local));
  EXPECT_FALSE(CloseSection(nullptr));
  EXPECT_EQ(ReadSection(&local, &local, 4), 0u);
  EXPECT_EQ(GetSectionSize(&local), 0u);

  static int closed = 0;
  closed = 0;
  int foreign = 0;
  RegisterForeignHandle(&foreign, [](void* h) { closed += (h != nullptr); });
  EXPECT_TRUE(CloseSection(&foreign));
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(CloseSection(&foreign));
  RegisterForeignHandle(&foreign, [](void*) { ++closed; });
  UnregisterForeignHandle(&foreign);
  EXPECT_FALSE(CloseSection(&foreign));
  EXPECT_EQ(closed, 1);
}

TEST_F(SectionStoreTest, FileInformationFields) {
  ASSERT_TRUE(SetFileInfoLong(file_.c_str(), FILE_INFO_POINT_COUNT, 123456));
  ASSERT_TRUE(SetFileInfoShort(file_.c_str(), FILE_INFO_FILE_TYPE, 61));
  ASSERT_TRUE(SetFileInfoShort(file_.c_str(), FILE_INFO_MODULE, -2));
  HSECTION h = OpenFileInfo(file_.c_str(), 1);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetFileInfoLong(h, 0, 0x5A), 123456);
  EXPECT_EQ(GetFileInfoShort(h, 0, 0x42), 61);
  EXPECT_EQ(GetFileInfoShort(h, 0, 4), -2);
  EXPECT_EQ(GetFileInfoLong(h, 0, 0x77), 0);
  CloseFileInfo(h);
  EXPECT_EQ(GetFileInfoLong(h, 0, 0x5A), 0);
  EXPECT_EQ(OpenFileInfo(Path("none.kms").c_str(), 1), nullptr);
}

TEST_F(SectionStoreTest, ZeroAndHugeCounts) {
  ASSERT_TRUE(PutSection(file_, "S", "0123456789"));
  HSECTION s = OpenSection(file_.c_str(), "S", nullptr);
  ASSERT_NE(s, nullptr);
  char buf[16];
  EXPECT_EQ(ReadSection(s, buf, 0), 0u);
  EXPECT_EQ(ReadSection(s, nullptr, 5), 0u);
  EXPECT_EQ(WriteSection(s, buf, 0), 0u);
  EXPECT_EQ(WriteSection(s, nullptr, 5), 0u);
  EXPECT_EQ(WriteSection(s, buf, 0xFFFFFFFFu), 0u);  // refused before the buffer is read
  // Positions reach 0xFFFFFFFE; 0xFFFFFFFF is the failure value.
  EXPECT_EQ(SeekSection(s, 0x7FFFFFFF, 0), 0x7FFFFFFFu);
  EXPECT_EQ(SeekSection(s, 0x7FFFFFFF, 1), 0xFFFFFFFEu);
  EXPECT_EQ(SeekSection(s, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(SeekSection(s, 0, 0), 0u);
  EXPECT_EQ(ReadSection(s, buf, 0xFFFFFFFFu), 10u);  // bounded by the section
  EXPECT_TRUE(CloseSection(s));
  EXPECT_EQ(GetSection(file_, "S"), "0123456789");
}

// Connections are kept between calls: a file put in the place of one read
// before, or taken away, is seen as it now is.
TEST_F(SectionStoreTest, FileReplacedOrRemovedUnderItsNameIsSeenAsItIs) {
  ASSERT_TRUE(PutSection(file_, "S", "old"));
  EXPECT_EQ(GetSection(file_, "S"), "old");
  const std::string other = Path("other.kms");
  ASSERT_TRUE(CreateSectionFileAtPath(const_cast<char*>(other.c_str()), 790, 0, 0x0102));
  ASSERT_TRUE(PutSection(other, "S", "new"));
  ASSERT_TRUE(MoveFileExA(other.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetSection(file_, "S"), "new");
  ASSERT_TRUE(PutSection(file_, "T", "written"));
  EXPECT_EQ(GetSection(file_, "T"), "written");
  ASSERT_TRUE(DeleteFileA(file_.c_str()));
  EXPECT_FALSE(SectionExists(file_.c_str(), "S"));
  EXPECT_EQ(CreateSection(file_.c_str(), "U", nullptr), nullptr);
  // Named in another case, the same file.
  ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0x0102));
  ASSERT_TRUE(PutSection(file_, "S", "again"));
  std::string upper = file_;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(GetSection(upper, "S"), "again");
}

TEST_F(SectionStoreTest, WriteProtectedFileIsReadOnly) {
  ASSERT_TRUE(PutSection(file_, "S", "keep"));
  ASSERT_TRUE(win::facts::SetWriteProtected(file_, true));
  EXPECT_TRUE(IsFileReadOnly(file_.c_str()));
  EXPECT_TRUE(IsFileWriteProtected(file_.c_str()));
  EXPECT_EQ(OpenSection(file_.c_str(), "S", nullptr), nullptr);
  EXPECT_EQ(CreateSection(file_.c_str(), "T", nullptr), nullptr);
  EXPECT_FALSE(DeleteSection(file_.c_str(), "S"));
  EXPECT_FALSE(RenameSection(file_.c_str(), "S", "U"));
  EXPECT_FALSE(SetFileInfoLong(file_.c_str(), 0x5A, 1));
  EXPECT_FALSE(CreateSectionFileAtPath(file_.data(), 790, 0, 0));
  EXPECT_EQ(OpenSectionFile(file_.c_str(), nullptr, SECTION_FILE_READ_WRITE, 3), -1);
  HSECTFILE h = OpenSectionFile(file_.c_str(), nullptr, SECTION_FILE_READ, 3);
  EXPECT_NE(h, -1);
  CloseSectionFile(h);
  EXPECT_EQ(GetSection(file_, "S"), "keep");
  ASSERT_TRUE(win::facts::SetWriteProtected(file_, false));
  EXPECT_FALSE(IsFileReadOnly(file_.c_str()));
}

// Files that are not sectioned files, or no longer whole ones. Damage is
// done to a byte copy that no connection has seen, as another program
// would leave it on disk.
struct BadFile {
  const char* what;
  bool fromScratch;  // not made from a good file
  void (*make)(const std::string& path);
};

void WriteText(const std::string& path, const std::string& text) {
  RawFile f(path, true);
  ASSERT_TRUE(f.ok());
  if (!text.empty()) {
    ASSERT_TRUE(f.Write(0, std::vector<unsigned char>(text.begin(), text.end())));
  }
}

void CopyRaw(const std::string& from, const std::string& to) {
  RawFile src(from);
  ASSERT_TRUE(src.ok());
  auto bytes = src.Read(0, static_cast<int>(src.Size()));
  ASSERT_FALSE(bytes.empty());
  RawFile dst(to, true);
  ASSERT_TRUE(dst.Write(0, bytes));
}

void Garble(const std::string& path, int64_t offset, int n) {
  RawFile f(path);
  ASSERT_TRUE(f.ok());
  std::vector<unsigned char> junk(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) junk[static_cast<size_t>(i)] = static_cast<unsigned char>(i * 131 + 17);
  ASSERT_TRUE(f.Write(offset, junk));
}

const BadFile kBadFiles[] = {
    {"plain text", true, [](const std::string& p) { WriteText(p, "just some text, not a store\r\n"); }},
    {"empty file", true, [](const std::string& p) { WriteText(p, ""); }},
    {"only the prefix", false, [](const std::string& p) { RawFile(p).Truncate(4096); }},
    {"cut in half", false, [](const std::string& p) { RawFile f(p); f.Truncate(f.Size() / 2); }},
    {"cut short of the prefix", false, [](const std::string& p) { RawFile(p).Truncate(20); }},
    {"garbled prefix", false, [](const std::string& p) { Garble(p, 4, 8); }},
    {"garbled database header", false, [](const std::string& p) { Garble(p, 4096, 100); }},
    {"garbled schema page", false, [](const std::string& p) { Garble(p, 4096 + 100, 3000); }},
};

TEST_F(SectionStoreTest, BadFilesGetFailureValuesNeverACrash) {
  ASSERT_TRUE(PutSection(file_, "MSRHeader", std::string(20000, 'h')));
  CopyRaw(file_, Path("copy.kms"));
  ASSERT_EQ(GetSection(Path("copy.kms"), "MSRHeader"), std::string(20000, 'h'));  // copies work
  int n = 0;
  for (const BadFile& bad : kBadFiles) {
    SCOPED_TRACE(bad.what);
    const std::string p = Path("bad" + std::to_string(n++) + ".kms");
    if (!bad.fromScratch) CopyRaw(file_, p);
    bad.make(p);
    EXPECT_TRUE(FileExists(p.c_str()));
    EXPECT_EQ(OpenSectionFile(p.c_str(), nullptr, SECTION_FILE_READ, 3), -1);
    EXPECT_FALSE(SectionExists(p.c_str(), "MSRHeader"));
    EXPECT_EQ(OpenSectionReadOnly(p.c_str(), "MSRHeader", nullptr), nullptr);
    EXPECT_EQ(OpenSection(p.c_str(), "MSRHeader", nullptr), nullptr);
    EXPECT_EQ(CreateSection(p.c_str(), "New", nullptr), nullptr);
    EXPECT_EQ(FindSectionsByStem(p.c_str(), ""), nullptr);
    EXPECT_EQ(OpenSectionList(p.c_str(), nullptr), nullptr);
    EXPECT_EQ(OpenFileInfo(p.c_str(), 1), nullptr);
    EXPECT_FALSE(DeleteSection(p.c_str(), "MSRHeader"));
    // A damaged file can be replaced by a new one.
    ASSERT_TRUE(CreateSectionFileAtPath(p.c_str(), 790, 0, 0));
    EXPECT_TRUE(PutSection(p, "MSRHeader", "fresh"));
    EXPECT_EQ(GetSection(p, "MSRHeader"), "fresh");
  }
}

TEST_F(SectionStoreTest, GarbageInsideTheDataIsSurvived) {
  // Damage deep in the file: whatever comes back is bounded, nothing crashes.
  ASSERT_TRUE(PutSection(file_, "Big", std::string(300000, 'd')));
  ASSERT_TRUE(PutSection(file_, "Small", "small"));
  const std::string p = Path("garbled.kms");
  CopyRaw(file_, p);
  const int64_t size = RawFile(p).Size();
  for (int64_t off = 4096 + 4096; off + 512 < size; off += 4096 * 7) Garble(p, off, 512);
  for (const char* name : {"Big", "Small"}) {
    HSECTION s = OpenSectionReadOnly(p.c_str(), name, nullptr);
    if (!s) continue;
    std::string buf(4000, '\0');
    while (ReadSection(s, buf.data(), 4000) == 4000) {
    }
    EXPECT_LE(GetSectionSize(s), 1000000u);
    CloseSection(s);
  }
  HSECTION l = FindSectionsByStem(p.c_str(), "");
  if (l) CloseSection(l);
}

TEST_F(SectionStoreTest, MissingFilesAndNullArguments) {
  const std::string missing = Path("missing.kms");
  const std::string folder = "C:\\TEMP";
  for (const char* p : {missing.c_str(), folder.c_str(), "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(p ? p : "(null)");
    EXPECT_FALSE(FileExists(p));
    EXPECT_EQ(OpenSectionFile(p, nullptr, SECTION_FILE_READ, 3), -1);
    EXPECT_FALSE(IsSectionFileOfType(p, 790));
    EXPECT_EQ(GetSectionFileType(p, nullptr), -1);
    EXPECT_FALSE(SectionExists(p, "S"));
    EXPECT_EQ(OpenSectionReadOnly(p, "S", nullptr), nullptr);
    EXPECT_EQ(CreateSection(p, "S", nullptr), nullptr);
    EXPECT_EQ(FindSectionsByStem(p, "S"), nullptr);
    EXPECT_FALSE(CopySection(p, "S", file_.c_str(), "T"));
  }
  EXPECT_FALSE(CreateSectionFile(nullptr, 790, 0, 0));
  EXPECT_FALSE(CreateSectionFileAtPath(nullptr, 790, 0, 0));
  EXPECT_EQ(CreateSection(file_.c_str(), "", nullptr), nullptr);
  EXPECT_EQ(CreateSection(file_.c_str(), nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateSection(file_.c_str(), std::string(300, 'n').c_str(), nullptr), nullptr);
  EXPECT_TRUE(FileExists(file_.c_str()));
}

// The page size SQLite keeps in its header, behind the 4096-byte prefix.
int PageSizeOf(const std::string& path) {
  RawFile raw(path);
  const std::vector<unsigned char> b = raw.Read(4096 + 16, 2);
  if (b.size() != 2) return -1;
  const int v = b[0] << 8 | b[1];
  return v == 1 ? 65536 : v;
}

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return stat(win::paths::ToHost(path).c_str(), &st) == 0 ? st.st_ino : 0;
}

// A scratch file is made where its empty name lies, as the very same file,
// and keeps its sections whole through commits, large ones too; a file
// put in its place under the same name is an ordinary file again.
TEST_F(SectionStoreTest, ScratchFileIsMadeInPlaceAndOnlyWhileItIsTheMarkedFile) {
  char temp[MAX_PATH] = {};
  ASSERT_NE(GetTempFileNameA("C:\\TEMP", "scr", 0, temp), 0u);
  const ino_t empty = InodeOf(temp);
  ASSERT_NE(empty, 0u);
  EXPECT_FALSE(MarkScratchSectionFile(Path("none.tmp").c_str()));
  EXPECT_FALSE(MarkScratchSectionFile(nullptr));
  ASSERT_TRUE(MarkScratchSectionFile(temp));
  ASSERT_TRUE(CreateSectionFileAtPath(temp, 790, 0, 0x0102));
  EXPECT_EQ(InodeOf(temp), empty);
  EXPECT_EQ(GetSectionFileType(temp, nullptr), 790);
  EXPECT_EQ(PageSizeOf(temp), 4096);
  // Reports and method files take many small commits and keep small
  // pages; other files (MS data) large ones.
  EXPECT_EQ(PageSizeOf(file_), 4096);
  const std::string data = Path("data.kms");
  ASSERT_TRUE(CreateSectionFileAtPath(const_cast<char*>(data.c_str()), 61, 0, 0));
  EXPECT_EQ(PageSizeOf(data), 65536);
  const std::string method = Path("run1.mth");
  ASSERT_TRUE(CreateSectionFileAtPath(const_cast<char*>(method.c_str()), 666, 0, 0));
  EXPECT_EQ(PageSizeOf(method), 4096);

  const std::string big(300000, 'b');
  ASSERT_TRUE(BeginSectionBatch(temp));
  ASSERT_TRUE(PutSection(temp, "One", "first"));
  ASSERT_TRUE(PutSection(temp, "Big", big));
  ASSERT_TRUE(CommitSectionBatch(temp));
  ASSERT_TRUE(PutSection(temp, "One", "second"));
  EXPECT_EQ(GetSection(temp, "One"), "second");
  EXPECT_EQ(GetSection(temp, "Big"), big);
  EXPECT_FALSE(win::facts::IsRegularFile(std::string(temp) + "-journal"));
  // A batch that is given up leaves what was there.
  ASSERT_TRUE(BeginSectionBatch(temp));
  ASSERT_TRUE(PutSection(temp, "One", "third"));
  AbortSectionBatch(temp);
  EXPECT_EQ(GetSection(temp, "One"), "second");

  // Made again while it holds sections: replaced, as any file is.
  ASSERT_TRUE(CreateSectionFileAtPath(temp, 791, 0, 0));
  EXPECT_EQ(GetSectionFileType(temp, nullptr), 791);
  EXPECT_FALSE(SectionExists(temp, "One"));
  EXPECT_NE(InodeOf(temp), empty);
  EXPECT_EQ(PageSizeOf(temp), 65536);

  // Another file copied over a marked name is no scratch file.
  char second[MAX_PATH] = {};
  ASSERT_NE(GetTempFileNameA("C:\\TEMP", "scr", 0, second), 0u);
  ASSERT_TRUE(MarkScratchSectionFile(second));
  ASSERT_TRUE(PutSection(data, "Kept", "k"));
  ASSERT_TRUE(CopyFileA(data.c_str(), second, FALSE));
  ASSERT_TRUE(PutSection(second, "Kept", "changed"));
  EXPECT_EQ(GetSection(second, "Kept"), "changed");
  EXPECT_EQ(PageSizeOf(second), 65536);
  EXPECT_TRUE(DeleteFileA(temp));
  EXPECT_TRUE(DeleteFileA(second));
}

}  // namespace
