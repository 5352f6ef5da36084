// Behaviour across processes: a writer killed at any moment leaves the old
// section or the new one, whole; readers beside a writer see whole
// sections; file claims hold against other processes and end with them.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "store_fixture.h"
#include "win/win_child.h"
#include "win/win_kernel.h"

namespace {

using namespace std::chrono_literals;

class CrossProcessTest : public StoreFixture {};

// Content that tells every version and every offset apart.
std::string Pattern(int version, size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + version * 97 + i / 4000) % 251);
  std::memcpy(s.data(), &version, sizeof version);
  return s;
}

size_t SizeOf(int version) { return 6000000 + static_cast<size_t>(version) * 4000 + 123; }

[[noreturn]] void SleepForever() {
  for (;;) std::this_thread::sleep_for(1h);
}

// A journal with a header: a commit was under way. Outside the temporary
// folder the journal stays between commits, emptied or its header zeroed.
bool JournalHolds(const std::string& file) {
  char first = 0;
  std::FILE* f = std::fopen(win::paths::ToHost(file + "-journal").c_str(), "rb");
  if (!f) return false;
  const bool read = std::fread(&first, 1, 1, f) == 1;
  std::fclose(f);
  return read && first != 0;
}

// In the temporary folder (no syncs, journals made and removed) and in a
// data folder (synced commits, a journal kept between them).
class KilledWriterTest : public CrossProcessTest, public testing::WithParamInterface<const char*> {};

TEST_P(KilledWriterTest, LeavesOldOrNewSectionWhole) {
  CreateDirectoryA("C:\\Data", nullptr);
  const std::string file = std::string(GetParam()) + "data.kms";
  const std::string committed = std::string(GetParam()) + "committed.mark";
  ASSERT_TRUE(CreateSectionFileAtPath(file.c_str(), 790, 0, 0));
  ASSERT_TRUE(PutSection(file, "Big", Pattern(0, SizeOf(0))));
  ASSERT_TRUE(PutSection(file, "Other", "untouched"));
  int current = 0;
  int sawNew = 0;
  int midCommit = 0;
  // Trial 0 dies in the middle of its writes; the others are killed at
  // growing delays after they start closing (committing); the last one is
  // killed only once its commit shows, however slow the machine is.
  const int kMidWrite = -1;
  const int kAfterCommit = -2;
  const int delaysMs[] = {kMidWrite, 0, 0, 1, 2, 3, 5, 8, 12, 20, 40, 200, kAfterCommit};
  for (int trial = 0; trial < static_cast<int>(std::size(delaysMs)); ++trial) {
    SCOPED_TRACE(trial);
    const int next = trial + 1;
    const int delay = delaysMs[trial];
    auto child = win::child::Start([&](const std::function<void()>& ready) {
      const std::string data = Pattern(next, SizeOf(next));
      HSECTION s = CreateSection(file.c_str(), "Big", nullptr);
      if (!s) return 3;
      for (size_t done = 0; done < data.size(); done += 4000) {
        uint32_t n = static_cast<uint32_t>(std::min<size_t>(4000, data.size() - done));
        if (WriteSection(s, data.data() + done, n) != n) return 4;
        if (delay == kMidWrite && done >= data.size() / 2) {
          ready();
          SleepForever();
        }
      }
      ready();
      if (!CloseSection(s)) return 5;
      // Tells the parent, without touching the store, that the commit is done.
      HANDLE mark = CreateFileA(committed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
      SleepForever();
    });
    ASSERT_GT(child.pid, 0);
    ASSERT_TRUE(win::child::WaitReady(child, 60000));
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    if (delay == kAfterCommit) {
      for (int waited = 0; waited < 60000 && !FileExists(committed.c_str()); waited += 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    win::child::KillHard(child);
    EXPECT_EQ(win::child::Wait(child), 128 + 9);
    // A journal left holding pages means the kill landed inside a commit.
    if (JournalHolds(file)) ++midCommit;

    HSECTFILE h = OpenSectionFile(file.c_str(), nullptr, SECTION_FILE_READ_WRITE, 3);
    EXPECT_NE(h, -1);
    CloseSectionFile(h);
    const std::string got = GetSection(file, "Big");
    if (got == Pattern(next, SizeOf(next))) {
      current = next;
      ++sawNew;
    } else {
      ASSERT_EQ(got.size(), SizeOf(current));
      ASSERT_TRUE(got == Pattern(current, SizeOf(current))) << "torn section";
    }
    if (trial == 0) {
      EXPECT_EQ(current, 0);  // killed before closing: old content
    }
    EXPECT_EQ(GetSection(file, "Other"), "untouched");
  }
  // The long delays let at least one commit finish.
  EXPECT_GT(sawNew, 0);
  RecordProperty("killed_mid_commit", midCommit);
  std::printf("killed mid-commit in %d of %zu trials; %d commits finished\n", midCommit,
              std::size(delaysMs), sawNew);
}

INSTANTIATE_TEST_SUITE_P(Folders, KilledWriterTest, testing::Values("C:\\TEMP\\", "C:\\Data\\"));

class ReadersBesideAWriterTest : public CrossProcessTest, public testing::WithParamInterface<const char*> {};

TEST_P(ReadersBesideAWriterTest, SeeWholeSections) {
  CreateDirectoryA("C:\\Data", nullptr);
  const std::string file = std::string(GetParam()) + "shared.kms";
  ASSERT_TRUE(CreateSectionFileAtPath(file.c_str(), 790, 0, 0));
  ASSERT_TRUE(PutSection(file, "Mix", Pattern(0, 20000)));
  auto child = win::child::Start([&](const std::function<void()>& ready) {
    ready();
    for (int v = 1; v <= 60; ++v) {
      if (!PutSection(file, "Mix", Pattern(v, 20000 + static_cast<size_t>(v) * 1000))) return 3;
    }
    return 0;
  });
  ASSERT_TRUE(win::child::WaitReady(child, 60000));
  int reads = 0;
  for (int i = 0; i < 200; ++i) {
    const std::string got = GetSection(file, "Mix");
    ASSERT_GE(got.size(), sizeof(int));
    int v;
    std::memcpy(&v, got.data(), sizeof v);
    ASSERT_TRUE(got == Pattern(v, v == 0 ? 20000 : 20000 + static_cast<size_t>(v) * 1000));
    ++reads;
  }
  EXPECT_EQ(win::child::Wait(child), 0);
  EXPECT_EQ(GetSection(file, "Mix"), Pattern(60, 80000));
  EXPECT_EQ(reads, 200);
}

INSTANTIATE_TEST_SUITE_P(Folders, ReadersBesideAWriterTest, testing::Values("C:\\TEMP\\", "C:\\Data\\"));

TEST_F(CrossProcessTest, ClaimHeldByAnotherProcessMakesUsWaitThenFailWithItsOwner) {
  const std::string file = Path("claimed.kms");
  auto child = win::child::Start([&](const std::function<void()>& ready) {
    if (!LockFileAccess(file.c_str(), "MS Data Handling", nullptr, 0)) return 3;
    ready();
    SleepForever();
  });
  ASSERT_TRUE(win::child::WaitReady(child, 60000));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(LockFileAccess(file.c_str(), "Report Viewer", nullptr, 300));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 280ms);
  char owner[64] = "?";
  EXPECT_TRUE(GetFileLockOwner(file.c_str(), owner, sizeof owner));
  EXPECT_STREQ(owner, "MS Data Handling");
  char small[5];
  EXPECT_TRUE(GetFileLockOwner(file.c_str(), small, sizeof small));
  EXPECT_STREQ(small, "MS D");

  // The claim dies with its holder.
  win::child::KillHard(child);
  win::child::Wait(child);
  EXPECT_TRUE(LockFileAccess(file.c_str(), "Report Viewer", nullptr, 2000));
  EXPECT_TRUE(GetFileLockOwner(file.c_str(), owner, sizeof owner));
  EXPECT_STREQ(owner, "Report Viewer");
  EXPECT_FALSE(LockFileAccess(file.c_str(), "Again", nullptr, 0));
  EXPECT_TRUE(UnlockFileAccess(file.c_str()));
  EXPECT_FALSE(UnlockFileAccess(file.c_str()));
  EXPECT_FALSE(GetFileLockOwner(file.c_str(), owner, sizeof owner));
}

TEST_F(CrossProcessTest, WaitingClaimSucceedsWhenTheHolderLetsGo) {
  const std::string file = Path("handover.kms");
  auto child = win::child::Start([&](const std::function<void()>& ready) {
    if (!LockFileAccess(file.c_str(), "First", nullptr, 0)) return 3;
    ready();
    std::this_thread::sleep_for(200ms);
    return UnlockFileAccess(file.c_str()) ? 0 : 4;
  });
  ASSERT_TRUE(win::child::WaitReady(child, 60000));
  EXPECT_TRUE(LockFileAccess(file.c_str(), "Second", nullptr, 10000));
  EXPECT_EQ(win::child::Wait(child), 0);
  EXPECT_TRUE(UnlockFileAccess(file.c_str()));
}

}  // namespace

#include "two_writers.h"

namespace {

// A thread that opens and closes the file with kernel calls while this
// process writes must not take the writer's locks away from it.
TEST_F(CrossProcessTest, TwoWritersBesideKernelReadsOfTheSameFileKeepItSound) {
  const std::string file = Path("two.kms");
  two_writers::Run(
      file,
      [&] {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        char b[28];
        DWORD got = 0;
        ReadFile(h, b, sizeof b, &got, nullptr);
        CloseHandle(h);
      },
      40);
}

// The store's own prefix reader, too.
TEST_F(CrossProcessTest, TwoWritersBesidePrefixReadsOfTheSameFileKeepItSound) {
  const std::string file = Path("two.kms");
  two_writers::Run(
      file,
      [&] {
        char b[256];
        ReadFileStart(file.c_str(), b, sizeof b, nullptr);
      },
      40);
}

}  // namespace
