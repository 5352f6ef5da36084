// Files the store must refuse: cut short, foreign schemas, type -1; and
// the inputs that once broke it.
#include <sys/stat.h>

#include <chrono>
#include <future>

#include "store_fixture.h"
#include "two_writers.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

class StoreDamageTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    file_ = Path("run1.kms");
    ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0x0102));
  }
  // A copy of a stored regression input, writable, under the root.
  std::string Regression(const std::string& name) {
    const std::string p = Path(name);
    WriteHostPath(win::paths::ToHost(p), ReadHostPath(std::string(ORVIK_REGRESSION_DIR) + "/" + name));
    chmod(win::paths::ToHost(p).c_str(), 0644);
    return p;
  }
  std::string file_;
};

// Every call answers within a few seconds, whatever the file holds.
template <class F>
void WithinSeconds(F f) {
  auto done = std::async(std::launch::async, f);
  ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "hung";
  done.get();
}

void ExpectRefused(const std::string& p) {
  EXPECT_EQ(OpenSectionFile(p.c_str(), nullptr, SECTION_FILE_READ, 3), -1);
  EXPECT_FALSE(SectionExists(p.c_str(), "A"));
  EXPECT_EQ(OpenSectionReadOnly(p.c_str(), "A", nullptr), nullptr);
  EXPECT_EQ(FindSectionsByStem(p.c_str(), ""), nullptr);
  EXPECT_EQ(OpenSectionList(p.c_str(), nullptr), nullptr);
  HSECTION s = CreateSection(p.c_str(), "Written", nullptr);
  if (s) {
    WriteSection(s, "abc", 3);
    EXPECT_FALSE(CloseSection(s)) << "a write reported as done";
  }
  EXPECT_FALSE(DeleteSection(p.c_str(), "A"));
  EXPECT_FALSE(SetFileInfoLong(p.c_str(), 0x5A, 7));
}

TEST_F(StoreDamageTest, ForeignSchemasFromRegressionInputsAreRefusedPromptly) {
  for (const char* name : {"sectioned-endless-view.kms", "sectioned-triggers.kms"}) {
    SCOPED_TRACE(name);
    const std::string p = Regression(name);
    WithinSeconds([&] { ExpectRefused(p); });
  }
}

TEST_F(StoreDamageTest, ExtraSchemaObjectsAreRefused) {
  ASSERT_TRUE(PutSection(file_, "A", "alpha"));
  const char* extras[] = {
      "CREATE VIEW v AS SELECT 1",
      "CREATE TRIGGER t AFTER INSERT ON sections BEGIN DELETE FROM sections; END",
      "CREATE INDEX i ON sections(data)",
      "CREATE TABLE more(x)",
  };
  int n = 0;
  for (const char* extra : extras) {
    SCOPED_TRACE(extra);
    const std::string p = Path("foreign" + std::to_string(n++) + ".kms");
    WriteHostPath(win::paths::ToHost(p), ReadHostPath(win::paths::ToHost(file_)));
    // Change the image with plain SQLite, through a copy without the prefix.
    const std::string bare = win::paths::ToHost(p) + ".db";
    std::string bytes = ReadHostPath(win::paths::ToHost(p));
    WriteHostPath(bare, bytes.substr(4096));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(bare.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, extra, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    WriteHostPath(win::paths::ToHost(p), bytes.substr(0, 4096) + ReadHostPath(bare));
    ExpectRefused(p);
  }
  EXPECT_EQ(GetSection(file_, "A"), "alpha");
}

TEST_F(StoreDamageTest, FileCutInsideItsLastPageIsRefused) {
  ASSERT_TRUE(PutSection(file_, "A", std::string(100000, 'a')));
  ASSERT_TRUE(PutSection(file_, "B", std::string(50000, 'b')));
  const int64_t size = RawFile(file_).Size();
  for (int64_t cut : {int64_t{1}, int64_t{100}, int64_t{65535}, int64_t{65536}}) {
    SCOPED_TRACE(cut);
    const std::string p = Path("cut" + std::to_string(cut) + ".kms");
    WriteHostPath(win::paths::ToHost(p), ReadHostPath(win::paths::ToHost(file_)));
    ASSERT_TRUE(RawFile(p).Truncate(size - cut));
    ExpectRefused(p);
  }
}

TEST_F(StoreDamageTest, WritesFailOnceTheFileIsCutBehindAnOpenConnection) {
  ASSERT_TRUE(PutSection(file_, "A", std::string(100000, 'a')));
  ASSERT_EQ(GetSection(file_, "A"), std::string(100000, 'a'));  // pools a connection
  ASSERT_TRUE(RawFile(file_).Truncate(RawFile(file_).Size() - 10));
  HSECTION s = CreateSection(file_.c_str(), "B", nullptr);
  if (s) {
    WriteSection(s, "bbb", 3);
    EXPECT_FALSE(CloseSection(s));
  }
  EXPECT_EQ(GetSection(file_, "B"), "<missing>");
}

TEST_F(StoreDamageTest, TypeCodeMinusOneIsRefused) {
  const std::string p = Path("minus.kms");
  EXPECT_FALSE(CreateSectionFileAtPath(p.c_str(), -1, 0, 0));
  EXPECT_FALSE(FileExists(p.c_str()));
  SECTION_FILE_RECORD record{};
  EXPECT_FALSE(CreateSectionFile(&record, -1, 0, 0));
  ASSERT_TRUE(CreateSectionFile(&record, 5, 0, 0));
  EXPECT_EQ(OpenSectionFile(p.c_str(), &record, SECTION_FILE_READ_WRITE, 2) != -1, true);
  EXPECT_EQ(GetSectionFileType(p.c_str(), nullptr), 5);
}

// A hot journal of the file's present image, as a writer killed inside
// its commit leaves one; made with plain SQLite on a bare copy of the image.
std::string HotJournalOf(const std::string& winPath) {
  const std::string bare = win::paths::ToHost(winPath) + ".bare";
  std::string bytes;
  {
    std::ifstream in(win::paths::ToHost(winPath), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(bare, std::ios::binary) << bytes.substr(4096);
  sqlite3* db = nullptr;
  std::string journal;
  if (sqlite3_open(bare.c_str(), &db) == SQLITE_OK &&
      sqlite3_exec(db, "PRAGMA cache_size = 2; BEGIN; UPDATE sections SET data = zeroblob(length(data));",
                   nullptr, nullptr, nullptr) == SQLITE_OK) {
    std::ifstream in(bare + "-journal", std::ios::binary);
    journal.assign(std::istreambuf_iterator<char>(in), {});
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
  std::remove(bare.c_str());
  return journal;
}

// Outside the temporary folder a reports file commits through a log kept
// beside it while it is open; other files keep their journal, emptied,
// while it is open.
// A file made anew over a journal or log of the old file, emptied, hot or
// holding commits, never has the old file's pages played into it.
TEST_F(StoreDamageTest, AFileMadeAnewOverAJournalStartsClean) {
  CreateDirectoryA("C:\\Data", nullptr);
  struct Kind {
    const char* name;
    int32_t type;
  };
  for (const Kind& k : {Kind{"C:\\Data\\kept.kms", 61}, Kind{"C:\\Data\\kept.msr", 790}}) {
    SCOPED_TRACE(k.name);
    const std::string file = k.name;
    const std::string journal = win::paths::ToHost(file) + "-journal";
    const std::string log = win::paths::ToHost(file) + "-wal";
    auto journalState = [&] {
      const std::string bytes = ReadHostPath(journal);
      if (!win::facts::IsRegularFile(file + "-journal")) return "none";
      return bytes.empty() ? "empty" : bytes[0] == 0 ? "zeroed" : "hot";
    };
    ASSERT_TRUE(CreateSectionFileAtPath(const_cast<char*>(file.c_str()), k.type, 0, 0));
    ASSERT_TRUE(PutSection(file, "S", std::string(300000, 'o')));
    EXPECT_STREQ(journalState(), k.type == 790 ? "none" : "zeroed");
    EXPECT_EQ(win::facts::IsRegularFile(file + "-wal"), k.type == 790);
    for (const char* left : {"emptied journal", "hot journal", "log with commits"}) {
      SCOPED_TRACE(left);
      ASSERT_TRUE(PutSection(file, "S", std::string(300000, 'o')));
      const std::string logged = ReadHostPath(log);
      if (std::string(left) == "hot journal") WriteHostPath(journal, HotJournalOf(file));
      if (std::string(left) == "emptied journal") WriteHostPath(journal, "");
      if (std::string(left) == "log with commits" && k.type == 790) {
        // As a writer killed in another process leaves it: this process's
        // connections let go of the file (a copy of it is taken) first.
        ASSERT_GT(logged.size(), 300000u);
        ASSERT_TRUE(CopyFileA(file.c_str(), "C:\\Data\\copy.msr", FALSE));
        EXPECT_FALSE(win::facts::IsRegularFile(file + "-wal"));
        WriteHostPath(log, logged);
      }
      ASSERT_TRUE(CreateSectionFileAtPath(const_cast<char*>(file.c_str()), k.type, 0, 0));
      EXPECT_STREQ(journalState(), "none");
      EXPECT_FALSE(SectionExists(file.c_str(), "S"));
      ASSERT_TRUE(PutSection(file, "T", "new"));
      EXPECT_EQ(GetSection(file, "T"), "new");
      EXPECT_EQ(two_writers::ImageCheck(file), "ok");
    }
  }
}

TEST_F(StoreDamageTest, FileRestoredOverAHotJournalKeepsTheRestoredContent) {
  struct Restore {
    const char* what;
    bool (*act)(const char* from, const char* to);
  };
  const Restore kRestores[] = {
      {"copy", [](const char* f, const char* t) { return CopyFileA(f, t, FALSE) != 0; }},
      {"move", [](const char* f, const char* t) { return MoveFileExA(f, t, MOVEFILE_REPLACE_EXISTING) != 0; }},
  };
  for (const Restore& r : kRestores) {
    SCOPED_TRACE(r.what);
    ASSERT_TRUE(PutSection(file_, "S", std::string(300000, 'o')));
    const std::string backup = Path("backup.kms");
    ASSERT_TRUE(CopyFileA(file_.c_str(), backup.c_str(), FALSE));
    ASSERT_TRUE(PutSection(backup, "S", std::string(300000, 'n')));
    const std::string journal = HotJournalOf(file_);
    ASSERT_GT(journal.size(), 300000u);
    WriteHostPath(win::paths::ToHost(file_) + "-journal", journal);
    ASSERT_TRUE(r.act(backup.c_str(), file_.c_str()));
    EXPECT_TRUE(GetSection(file_, "S") == std::string(300000, 'n')) << "the old journal was played in";
    EXPECT_EQ(two_writers::ImageCheck(file_), "ok");
  }
}

// A writer killed in another process leaves a hot journal and pages of its
// commit in the file, beside a file this process keeps open (its emptied
// journal there too). The next read here, by either route, plays the
// journal back first: the file holds the old section again.
TEST_F(StoreDamageTest, AHotJournalBesideAFileKeptOpenIsPlayedBackBeforeTheNextRead) {
  CreateDirectoryA("C:\\Data", nullptr);
  const std::string file = "C:\\Data\\kept.kms";
  const std::string host = win::paths::ToHost(file);
  const std::string old(300000, 'o');
  ASSERT_TRUE(CreateSectionFileAtPath(const_cast<char*>(file.c_str()), 61, 0, 0));
  for (const char* route : {"whole", "in place", "whole again"}) {
    SCOPED_TRACE(route);
    ASSERT_TRUE(PutSection(file, "S", old));
    ASSERT_EQ(GetSection(file, "S"), old);  // pooled, its pages cached
    const std::string journal = HotJournalOf(file);
    ASSERT_GT(journal.size(), 300000u);
    ASSERT_EQ(ReadHostPath(host + "-journal")[0], 0) << "no emptied journal kept";
    std::string bytes = ReadHostPath(host);
    const size_t at = bytes.find(std::string(5000, 'o'));
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 5000, std::string(5000, 'x'));  // the killed commit's pages
    WriteHostPath(host + "-journal", journal);
    WriteHostPath(host, bytes);
    std::string got;
    if (std::string(route) == "in place") {
      HSECTION s = OpenSectionReadOnly(file.c_str(), "S", nullptr);
      ASSERT_NE(s, nullptr);
      got.assign(GetSectionSize(s), '\0');
      got.resize(ReadSection(s, got.data(), static_cast<uint32_t>(got.size())));
      CloseSection(s);
    } else {
      got = GetSection(file, "S");
    }
    EXPECT_TRUE(got == old) << "the killed commit's pages were read";
    EXPECT_EQ(ReadHostPath(host).find(std::string(5000, 'x')), std::string::npos) << "the journal was not played back";
    EXPECT_EQ(two_writers::ImageCheck(file), "ok");
  }
}

}  // namespace
