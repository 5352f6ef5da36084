// Reports files outside the temporary folder commit through a write-ahead
// log beside them: copies and moves carry every commit, a file cut short is
// still refused, and a file made anew keeps its own log whatever happens to
// connections of the old one. Other files keep their journal while open.
#include <signal.h>
#include <sys/resource.h>

#include <string>

#include "store_fixture.h"
#include "two_writers.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

class WriteAheadLogTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0));
  }
  static bool There(const std::string& winPath) { return win::facts::IsRegularFile(winPath); }
  std::string file_ = "C:\\Data\\pages.msr";
};

TEST_F(WriteAheadLogTest, CommitsGoToTheLogAndCopiesAndMovesCarryThem) {
  struct Act {
    const char* what;
    bool (*act)(const char* from, const char* to);
    bool sourceStays;
  };
  const Act kActs[] = {
      {"copy", [](const char* f, const char* t) { return CopyFileA(f, t, FALSE) != 0; }, true},
      {"copy over a file", [](const char* f, const char* t) { return CopyFileA(f, t, FALSE) != 0; }, true},
      {"move", [](const char* f, const char* t) { return MoveFileA(f, t) != 0; }, false},
      {"move over a file",
       [](const char* f, const char* t) { return MoveFileExA(f, t, MOVEFILE_REPLACE_EXISTING) != 0; }, false},
  };
  int round = 0;
  for (const Act& a : kActs) {
    SCOPED_TRACE(a.what);
    const std::string target = "C:\\Data\\target" + std::to_string(round) + ".msr";
    if (std::string(a.what).find("over") != std::string::npos) {
      ASSERT_TRUE(CreateSectionFileAtPath(target.c_str(), 790, 0, 0));
      ASSERT_TRUE(PutSection(target, "Old", "target's own"));
      ASSERT_TRUE(There(target + "-wal"));
    }
    const std::string big = two_writers::Version(round, 150000);
    ASSERT_TRUE(PutSection(file_, "Big", big));
    ASSERT_TRUE(PutSection(file_, "Small", "s" + std::to_string(round)));
    // The commits lie in the log, not yet in the file.
    ASSERT_TRUE(There(file_ + "-wal"));
    EXPECT_GT(ReadHostPath(win::paths::ToHost(file_) + "-wal").size(), big.size());
    ASSERT_TRUE(a.act(file_.c_str(), target.c_str()));
    EXPECT_EQ(two_writers::ImageCheck(target), "ok");
    EXPECT_TRUE(GetSection(target, "Big") == big);
    EXPECT_EQ(GetSection(target, "Small"), "s" + std::to_string(round));
    EXPECT_EQ(GetSection(target, "Old"), "<missing>");
    if (a.sourceStays) {
      EXPECT_TRUE(GetSection(file_, "Big") == big);
    } else {
      EXPECT_FALSE(There(file_));
      EXPECT_FALSE(There(file_ + "-wal"));
      EXPECT_FALSE(There(file_ + "-shm"));
      ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0));
    }
    ++round;
  }
}

TEST_F(WriteAheadLogTest, DeletingTheFileTakesItsLogAlong) {
  ASSERT_TRUE(PutSection(file_, "A", "alpha"));
  ASSERT_TRUE(There(file_ + "-wal"));
  ASSERT_TRUE(DeleteFileA(file_.c_str()));
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) EXPECT_FALSE(There(file_ + tail)) << tail;
}

// The file is folded whole and then cut: a page short, inside its last
// page, or down to its prefix.
TEST_F(WriteAheadLogTest, AFileCutShortIsRefused) {
  ASSERT_TRUE(PutSection(file_, "A", std::string(100000, 'a')));
  ASSERT_TRUE(PutSection(file_, "B", std::string(50000, 'b')));
  const std::string whole = "C:\\Data\\whole.msr";
  ASSERT_TRUE(CopyFileA(file_.c_str(), whole.c_str(), FALSE));
  ASSERT_FALSE(There(whole + "-wal"));
  const int64_t size = RawFile(whole).Size();
  for (int64_t cut : {int64_t{1}, int64_t{4096}, int64_t{8192}, size - 4096}) {
    SCOPED_TRACE(cut);
    const std::string p = "C:\\Data\\cut" + std::to_string(cut) + ".msr";
    WriteHostPath(win::paths::ToHost(p), ReadHostPath(win::paths::ToHost(whole)));
    ASSERT_TRUE(RawFile(p).Truncate(size - cut));
    EXPECT_EQ(OpenSectionFile(p.c_str(), nullptr, SECTION_FILE_READ, 3), -1);
    EXPECT_FALSE(SectionExists(p.c_str(), "A"));
    EXPECT_FALSE(PutSection(p, "C", "c"));
  }
  EXPECT_EQ(GetSection(whole, "A"), std::string(100000, 'a'));
}

// A reader of the old file stays open while the file is deleted and made
// anew; its connection closes later, among others pushed out of the pool.
// The new file's log, holding commits that are nowhere else on the disk,
// stays where it is.
TEST_F(WriteAheadLogTest, AFileMadeAnewBesideAnOldReaderKeepsItsLog) {
  ASSERT_TRUE(PutSection(file_, "S", std::string(50000, 's')));
  HSECTION reader = OpenSectionReadOnly(file_.c_str(), "S", nullptr);
  ASSERT_NE(reader, nullptr);
  ASSERT_TRUE(DeleteFileA(file_.c_str()));
  ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0));
  ASSERT_TRUE(PutSection(file_, "T", "new"));
  char first = 0;
  EXPECT_EQ(ReadSection(reader, &first, 1), 1u);
  EXPECT_EQ(first, 's');
  EXPECT_TRUE(CloseSection(reader));
  ASSERT_TRUE(PutSection(file_, "U", "newer"));
  EXPECT_EQ(GetSection(file_, "T"), "new");
  // Other files' connections push the old one out of the pool: it closes.
  for (int i = 0; i < 7; ++i) {
    const std::string other = Path("other" + std::to_string(i) + ".kms");
    ASSERT_TRUE(CreateSectionFileAtPath(other.c_str(), 61, 0, 0));
    ASSERT_TRUE(PutSection(other, "O", "o"));
  }
  EXPECT_TRUE(There(file_ + "-wal"));
  // What the disk holds: the file and its log as a copy takes them.
  const std::string copy = "C:\\Data\\copy.msr";
  ASSERT_TRUE(CopyFileA(file_.c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(GetSection(copy, "T"), "new");
  EXPECT_EQ(GetSection(copy, "U"), "newer");
  EXPECT_EQ(GetSection(copy, "S"), "<missing>");
}

// Other files outside the temporary folder keep their journal beside them
// between commits, its header zeroed, only while a connection is open:
// once the process lets go of the file the folder is as the user left it.
TEST_F(WriteAheadLogTest, OtherFilesKeepTheirJournalOnlyWhileOpen) {
  const std::string method = "C:\\Data\\method.mth";
  ASSERT_TRUE(CreateSectionFileAtPath(method.c_str(), SECTION_FILE_TYPE_METHOD, 0, 0));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(PutSection(method, "M" + std::to_string(i), std::string(9000, 'm')));
  const std::string journal = ReadHostPath(win::paths::ToHost(method) + "-journal");
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal[0], 0) << "a hot journal between commits";
  EXPECT_FALSE(There(method + "-wal"));
  ASSERT_TRUE(CopyFileA(method.c_str(), "C:\\Data\\copy.mth", FALSE));
  for (const char* tail : {"-journal", "-wal", "-shm"}) {
    EXPECT_FALSE(There(method + tail)) << tail;
    EXPECT_FALSE(There(std::string("C:\\Data\\copy.mth") + tail)) << tail;
  }
  EXPECT_EQ(GetSection("C:\\Data\\copy.mth", "M2"), std::string(9000, 'm'));
}

// A commit whose frames cannot all reach the log fails, however the frames
// were handed over, and leaves the last commit readable; so does the file
// once the disk takes writes again. The log may not grow past its size.
TEST_F(WriteAheadLogTest, ACommitTheLogCannotTakeFailsAndKeepsTheLastOne) {
  const std::string first = two_writers::Version(1, 20000);
  ASSERT_TRUE(PutSection(file_, "First", first));
  const std::string log = win::paths::ToHost(file_) + "-wal";
  const size_t logSize = ReadHostPath(log).size();
  ASSERT_GT(logSize, first.size());
  struct sigaction ignore {}, was {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &was), 0);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct Cap {
    size_t bytes;
    const char* what;
  };
  for (const Cap& cap : {Cap{logSize, "no frame more"}, Cap{logSize + 20000, "some frames more"}}) {
    SCOPED_TRACE(cap.what);
    rlimit capped = old;
    capped.rlim_cur = rlim_t(cap.bytes);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &capped), 0);
    const bool put = PutSection(file_, "Big", two_writers::Version(2, 300000));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(put);
    EXPECT_EQ(GetSection(file_, "Big"), "<missing>");
    EXPECT_TRUE(GetSection(file_, "First") == first);
  }
  sigaction(SIGXFSZ, &was, nullptr);
  const std::string later = two_writers::Version(3, 300000);
  ASSERT_TRUE(PutSection(file_, "Big", later));
  EXPECT_TRUE(GetSection(file_, "Big") == later);
  EXPECT_EQ(two_writers::ImageCheck(file_), "ok");
}

}  // namespace
