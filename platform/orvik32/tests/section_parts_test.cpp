// Sections larger than one part, stored in parts (the part size is made
// small here), and writes that fail part way: the file keeps what it held.
#include <cstring>

#include "orvik32/orvik32_batches.h"
#include "orvik32/orvik32_faults.h"
#include "store_fixture.h"
#include "win/win_file_facts.h"

namespace {

constexpr uint32_t kPart = 1000;

// Bytes that differ at every offset, so a part read in the wrong place shows.
std::string Bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u ^ seed;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s[i] = static_cast<char>(x);
  }
  return s;
}

// The rows of the parts table, through SQLite on the image behind the
// file's prefix; -1 when the table is missing.
int64_t PartRows(const std::string& winPath) {
  HSECTION probe = OpenSectionReadOnly(winPath.c_str(), "-", nullptr);  // registers the store's file layer
  if (probe) CloseSection(probe);
  sqlite3* db = nullptr;
  int64_t n = -1;
  if (sqlite3_open_v2(win::paths::ToHost(winPath).c_str(), &db, SQLITE_OPEN_READONLY, "orvik-sections") ==
      SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM section_parts", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
      n = sqlite3_column_int64(s, 0);
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return n;
}

bool ExecOnImage(const std::string& winPath, const char* sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(win::paths::ToHost(winPath).c_str(), &db, SQLITE_OPEN_READWRITE, "orvik-sections") ==
                SQLITE_OK &&
            sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

class SectionPartsTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    SetSectionPartSize(kPart);
    file_ = Path("parts.kms");
    ASSERT_TRUE(CreateSectionFileAtPath(file_.c_str(), 1, 0, 3));
  }
  void TearDown() override {
    SetSectionPartSize(0);
    LimitSectionFileSpace(-1);
    StoreFixture::TearDown();
  }
  std::string file_;
};

// Every size around the part boundaries reads back whole, in place and
// through a writing handle, and piecewise across the boundaries.
TEST_F(SectionPartsTest, SectionsAroundPartBoundariesReadBackWhole) {
  const size_t sizes[] = {0, 1, kPart - 1, kPart, kPart + 1, 2 * kPart, 2 * kPart + 1, 7 * kPart + 333};
  for (size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string data = Bytes(size, static_cast<unsigned>(size));
    ASSERT_TRUE(PutSection(file_, "S", data));
    EXPECT_EQ(GetSection(file_, "S"), data);

    HSECTION w = OpenSection(file_.c_str(), "S", nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetSectionSize(w), size);
    std::string viaWriter(size, '\0');
    EXPECT_EQ(size ? ReadSection(w, viaWriter.data(), static_cast<uint32_t>(size)) : 0u, size);
    EXPECT_EQ(viaWriter, data);
    EXPECT_TRUE(CloseSection(w));

    // Reads of 333 bytes from odd places, backwards, cross every part edge.
    HSECTION r = OpenSectionReadOnly(file_.c_str(), "S", nullptr);
    ASSERT_NE(r, nullptr);
    for (int64_t at = static_cast<int64_t>(size) - 333; at > -333; at -= 290) {
      const uint32_t from = static_cast<uint32_t>(at < 0 ? 0 : at);
      ASSERT_EQ(SeekSection(r, static_cast<int32_t>(from), 0), from);
      char buf[333];
      const uint32_t n = ReadSection(r, buf, sizeof buf);
      ASSERT_EQ(n, std::min<size_t>(sizeof buf, size - from));
      EXPECT_EQ(std::memcmp(buf, data.data() + from, n), 0) << "at " << from;
    }
    CloseSection(r);
  }
  // The largest was written last; the smaller ones left no parts behind.
  EXPECT_EQ(PartRows(file_), 8);
}

TEST_F(SectionPartsTest, ReplacingDeletingRenamingAndCopyingKeepNoStrayParts) {
  const std::string big = Bytes(3500, 1), other = Bytes(2200, 2);
  ASSERT_TRUE(PutSection(file_, "Big", big));
  ASSERT_TRUE(PutSection(file_, "Other", other));
  EXPECT_EQ(PartRows(file_), 4 + 3);

  ASSERT_TRUE(RenameSection(file_.c_str(), "Big", "Moved"));
  EXPECT_EQ(GetSection(file_, "Moved"), big);
  ASSERT_TRUE(CopySection(file_.c_str(), "Moved", file_.c_str(), "Copy"));
  const std::string target = Path("target.kms");
  ASSERT_TRUE(CreateSectionFileAtPath(target.c_str(), 1, 0, 3));
  ASSERT_TRUE(CopySection(file_.c_str(), "Moved", target.c_str(), "There"));
  EXPECT_EQ(GetSection(file_, "Copy"), big);
  EXPECT_EQ(GetSection(target, "There"), big);
  EXPECT_EQ(PartRows(file_), 4 + 3 + 4);

  ASSERT_TRUE(PutSection(file_, "Copy", "small now"));
  EXPECT_EQ(GetSection(file_, "Copy"), "small now");
  ASSERT_TRUE(DeleteSection(file_.c_str(), "Moved"));
  EXPECT_FALSE(SectionExists(file_.c_str(), "Moved"));
  EXPECT_EQ(PartRows(file_), 3);
  EXPECT_EQ(GetSection(file_, "Other"), other);

  // Listings and counts show sections, never their parts.
  HSECTION list = FindSectionsByStem(file_.c_str(), "");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(CountSectionMatches(list), 2);
  CloseSection(list);
  SECTION_FILE_RECORD rec{};
  const HSECTFILE h = OpenSectionFile(file_.c_str(), &rec, SECTION_FILE_READ, 3);
  ASSERT_NE(h, -1);
  uint32_t count = 0;
  std::memcpy(&count, rec.bytes + 24, 4);
  EXPECT_EQ(count, 2u);
  CloseSectionFile(h);
}

TEST_F(SectionPartsTest, ABatchStoresAndDeletesPartedSectionsTogether) {
  ASSERT_TRUE(PutSection(file_, "Gone", Bytes(2500, 3)));
  const std::string a = Bytes(4100, 4);
  ASSERT_TRUE(BeginSectionBatch(file_.c_str()));
  ASSERT_TRUE(PutSection(file_, "A", a));
  ASSERT_TRUE(DeleteSection(file_.c_str(), "Gone"));
  EXPECT_EQ(GetSection(file_, "A"), a);  // staged, seen inside the batch
  ASSERT_TRUE(CommitSectionBatch(file_.c_str()));
  EXPECT_EQ(GetSection(file_, "A"), a);
  EXPECT_FALSE(SectionExists(file_.c_str(), "Gone"));
  EXPECT_EQ(PartRows(file_), 5);
}

// Sections written in parts read back whatever part size is in force later.
TEST_F(SectionPartsTest, PartsReadBackUnderAnotherPartSize) {
  const std::string data = Bytes(5555, 5);
  ASSERT_TRUE(PutSection(file_, "S", data));
  SetSectionPartSize(0);
  EXPECT_EQ(GetSection(file_, "S"), data);
  ASSERT_TRUE(PutSection(file_, "S", data));  // rewritten whole in its row
  EXPECT_EQ(PartRows(file_), 0);
  EXPECT_EQ(GetSection(file_, "S"), data);
}

// Damaged parts: a gap in the numbers, a part beside bytes in the row, an
// empty part. The section does not open; the file's other sections do.
TEST_F(SectionPartsTest, DamagedPartsAreRefused) {
  const struct {
    const char* what;
    const char* sql;
  } cases[] = {
      {"a part missing", "DELETE FROM section_parts WHERE part = 1"},
      {"bytes in the row too", "UPDATE sections SET data = x'01' WHERE name = 'S'"},
      {"an empty part", "UPDATE section_parts SET data = x'' WHERE part = 2"},
      {"numbers not from 0", "UPDATE section_parts SET part = part + 10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(PutSection(file_, "S", Bytes(3500, 6)));
    ASSERT_TRUE(PutSection(file_, "Fine", "still here"));
    ASSERT_TRUE(ExecOnImage(file_, c.sql));
    EXPECT_EQ(OpenSectionReadOnly(file_.c_str(), "S", nullptr), nullptr);
    EXPECT_EQ(OpenSection(file_.c_str(), "S", nullptr), nullptr);
    EXPECT_FALSE(CopySection(file_.c_str(), "S", file_.c_str(), "T"));
    EXPECT_EQ(GetSection(file_, "Fine"), "still here");
    ASSERT_TRUE(CreateSectionFileAtPath(file_.c_str(), 1, 0, 3));
  }
}

// A write that fails on a full disk, at any point of it, leaves the file
// with exactly what it held, and no journal.
TEST_F(SectionPartsTest, AFullDiskLeavesTheFileAsItWas) {
  const std::string old = Bytes(2500, 7);
  ASSERT_TRUE(PutSection(file_, "S", old));
  ASSERT_TRUE(PutSection(file_, "Keep", "kept"));
  win::facts::FileStamp before{};
  ASSERT_TRUE(win::facts::StampOf(file_, &before));
  const std::string host = win::paths::ToHost(file_);
  for (int64_t space : {0, 1000, 65536, 200000, 400000}) {
    SCOPED_TRACE(space);
    LimitSectionFileSpace(space);
    const bool stored = PutSection(file_, "S", Bytes(300000, 8));
    LimitSectionFileSpace(-1);
    if (stored) continue;  // room enough at this size
    EXPECT_EQ(GetSection(file_, "S"), old);
    EXPECT_EQ(GetSection(file_, "Keep"), "kept");
    EXPECT_FALSE(win::facts::IsRegularFile(file_ + "-journal"));
    win::facts::FileStamp after{};
    ASSERT_TRUE(win::facts::StampOf(file_, &after));
    EXPECT_EQ(after.size, before.size);
  }
  LimitSectionFileSpace(0);
  EXPECT_FALSE(PutSection(file_, "S", Bytes(300000, 9)));
  LimitSectionFileSpace(-1);
  EXPECT_EQ(GetSection(file_, "S"), old);
}

// A write the handle cannot take (past the largest position) spoils the
// handle: closing it stores nothing of what came before.
TEST_F(SectionPartsTest, AWriteThatCannotBeTakenStoresNothingAtClose) {
  ASSERT_TRUE(PutSection(file_, "S", "old"));
  for (const char* name : {"S", "New"}) {
    SCOPED_TRACE(name);
    HSECTION s = CreateSection(file_.c_str(), name, nullptr);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(WriteSection(s, "partial", 7), 7u);
    ASSERT_EQ(SeekSection(s, 0x7FFFFFFF, 0), 0x7FFFFFFFu);
    ASSERT_EQ(SeekSection(s, 0x7FFFFFFF, 1), 0xFFFFFFFEu);
    EXPECT_EQ(WriteSection(s, "x", 1), 0u);
    EXPECT_FALSE(CloseSection(s));
  }
  EXPECT_EQ(GetSection(file_, "S"), "old");
  EXPECT_FALSE(SectionExists(file_.c_str(), "New"));
}

}  // namespace
