// Read-only handles read in place: they keep the section as it was when
// they opened, and writers of this process or another are not held off.
#include <chrono>
#include <cstring>
#include <functional>
#include <iterator>
#include <vector>

#include "orvik32/orvik32_batches.h"
#include "store_fixture.h"
#include "two_writers.h"
#include "win/win_child.h"
#include "win/win_kernel.h"

namespace {

using two_writers::SizeOf;
using two_writers::Version;

class SectionReadingTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    file_ = Path("run.kms");
    ASSERT_TRUE(CreateSectionFileAtPath(file_.data(), 790, 0, 0));
    ASSERT_TRUE(PutSection(file_, "Big", Version(1, SizeOf(1))));
    ASSERT_TRUE(PutSection(file_, "Other", "other"));
  }
  // Reads the rest of an open handle from its position.
  static std::string Rest(HSECTION s, size_t from, size_t size) {
    std::string out(size - from, '\0');
    size_t done = 0;
    while (done < out.size()) {
      uint32_t n = ReadSection(s, out.data() + done, static_cast<uint32_t>(std::min<size_t>(7000, out.size() - done)));
      if (n == 0) break;
      done += n;
    }
    out.resize(done);
    return out;
  }
  std::string file_;
};

TEST_F(SectionReadingTest, HandleKeepsItsVersionWhileThisProcessWrites) {
  const std::string v1 = Version(1, SizeOf(1));
  struct Change {
    const char* what;
    bool (*act)(const std::string& file);
  };
  const Change kChanges[] = {
      {"replaced", [](const std::string& f) { return PutSection(f, "Big", Version(2, SizeOf(2))); }},
      {"deleted", [](const std::string& f) { return DeleteSection(f.c_str(), "Big") != 0; }},
      {"renamed", [](const std::string& f) { return RenameSection(f.c_str(), "Big", "Moved") != 0; }},
      {"other section written", [](const std::string& f) { return PutSection(f, "Other", "changed"); }},
  };
  for (const Change& c : kChanges) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(PutSection(file_, "Big", v1));
    HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(GetSectionSize(s), v1.size());
    std::string head(1000, '\0');
    ASSERT_EQ(ReadSection(s, head.data(), 1000), 1000u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(c.act(file_));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(head + Rest(s, 1000, v1.size()) == v1) << "the handle saw another version";
    EXPECT_EQ(SeekSection(s, 5, 0), 5u);
    EXPECT_TRUE(Rest(s, 5, v1.size()) == v1.substr(5));
    EXPECT_TRUE(CloseSection(s));
    RenameSection(file_.c_str(), "Moved", "Big");
  }
}

TEST_F(SectionReadingTest, HandleKeepsItsVersionWhileAnotherProcessWrites) {
  const std::string v1 = Version(1, SizeOf(1));
  HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
  ASSERT_NE(s, nullptr);
  std::string head(1000, '\0');
  ASSERT_EQ(ReadSection(s, head.data(), 1000), 1000u);
  auto child = win::child::Start([&](const std::function<void()>& ready) {
    ready();
    return PutSection(file_, "Big", Version(2, SizeOf(2))) ? 0 : 3;
  });
  ASSERT_TRUE(win::child::WaitReady(child, 60000));
  // The writer finishes while the handle stays open.
  EXPECT_EQ(win::child::Wait(child), 0);
  EXPECT_TRUE(head + Rest(s, 1000, v1.size()) == v1) << "the handle saw another version";
  EXPECT_TRUE(CloseSection(s));
  EXPECT_TRUE(GetSection(file_, "Big") == Version(2, SizeOf(2)));
}

// A handle's read state is the same only while the file is the same and
// nothing was committed to it: after a write here or in another process,
// or with another file put in its place, it differs.
TEST_F(SectionReadingTest, ReadStateChangesWithEveryCommitAndWithTheFile) {
  struct State {
    uint64_t reader = 0;
    uint32_t version = 0;
    bool operator==(const State& o) const { return reader == o.reader && version == o.version; }
  };
  auto stateNow = [&](State* out) {
    HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
    if (!s) return false;
    const bool told = GetSectionReadState(s, &out->reader, &out->version) != FALSE;
    CloseSection(s);
    return told;
  };
  State first, again;
  ASSERT_TRUE(stateNow(&first));
  ASSERT_TRUE(stateNow(&again));
  EXPECT_TRUE(first == again) << "nothing changed, yet the state did";
  std::vector<State> seen{first};
  const std::string other = Path("other.kms");
  const std::function<bool()> changes[] = {
      [&] { return PutSection(file_, "Other", "written here"); },
      [&] {
        auto child = win::child::Start([&](const std::function<void()>& ready) {
          ready();
          return PutSection(file_, "Other", "written elsewhere") ? 0 : 3;
        });
        return win::child::WaitReady(child, 60000) && win::child::Wait(child) == 0;
      },
      [&] {
        return CreateSectionFileAtPath(const_cast<char*>(other.c_str()), 790, 0, 0) &&
               PutSection(other, "Big", Version(1, SizeOf(1))) &&
               MoveFileExA(other.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING);
      },
  };
  for (size_t i = 0; i < std::size(changes); ++i) {
    ASSERT_TRUE(changes[i]()) << "change " << i;
    State now;
    ASSERT_TRUE(stateNow(&now)) << "change " << i;
    for (const State& before : seen) EXPECT_FALSE(now == before) << "change " << i;
    seen.push_back(now);
  }
  // A handle of a section read from memory (a batch's) cannot tell.
  ASSERT_TRUE(BeginSectionBatch(file_.c_str()));
  ASSERT_TRUE(PutSection(file_, "Staged", "bytes"));
  HSECTION staged = OpenSectionReadOnly(file_.c_str(), "Staged", nullptr);
  ASSERT_NE(staged, nullptr);
  uint64_t reader = 0;
  uint32_t version = 0;
  EXPECT_FALSE(GetSectionReadState(staged, &reader, &version));
  CloseSection(staged);
  AbortSectionBatch(file_.c_str());
}

// A child process forked while this process reads in place (its watch
// thread waiting) opens sections in place too: it once hung there for
// ever on the watch's inherited condition variable.
TEST_F(SectionReadingTest, ChildForkedBesideAReaderReadsInPlace) {
  HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
  ASSERT_NE(s, nullptr);
  std::string head(1000, '\0');
  ASSERT_EQ(ReadSection(s, head.data(), 1000), 1000u);
  for (int trial = 0; trial < 8; ++trial) {
    SCOPED_TRACE(trial);
    auto child = win::child::Start([&](const std::function<void()>& ready) {
      for (const char* name : {"Other", "Big"}) {
        HSECTION c = OpenSectionReadOnly(file_.c_str(), name, nullptr);
        if (!c) return 3;
        char b[5];
        if (ReadSection(c, b, 5) != 5 || !CloseSection(c)) return 4;
      }
      ready();
      return 0;
    });
    const bool ready = win::child::WaitReady(child, 30000);
    if (!ready) win::child::KillHard(child);
    EXPECT_TRUE(ready) << "the child hung opening a section";
    EXPECT_EQ(win::child::Wait(child), ready ? 0 : 128 + 9);
  }
  EXPECT_TRUE(CloseSection(s));
}

TEST_F(SectionReadingTest, WholeReadsRepeatedAndAcrossAWriterAgree) {
  const std::string v = Version(5, 900000);
  ASSERT_TRUE(PutSection(file_, "Big", v));
  HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
  ASSERT_NE(s, nullptr);
  std::string all(v.size(), '\0');
  for (int pass = 0; pass < 3; ++pass) {
    SCOPED_TRACE(pass);
    ASSERT_EQ(SeekSection(s, 0, 0), 0u);
    ASSERT_EQ(ReadSection(s, all.data(), static_cast<uint32_t>(all.size())), all.size());
    EXPECT_TRUE(all == v);
    // A writer between passes: the handle keeps what it had.
    if (pass == 1) {
      ASSERT_TRUE(PutSection(file_, "Big", Version(6, 1000)));
    }
  }
  // Reads that start inside a chunk and cross into the next.
  std::string part(300000, '\0');
  ASSERT_EQ(SeekSection(s, 200000, 0), 200000u);
  ASSERT_EQ(ReadSection(s, part.data(), 300000), 300000u);
  EXPECT_TRUE(part == v.substr(200000, 300000));
  EXPECT_TRUE(CloseSection(s));
}

TEST_F(SectionReadingTest, SmallReadsAcrossChunksBackAndForthThroughAWriter) {
  const std::string v = Version(7, 1100000);
  ASSERT_TRUE(PutSection(file_, "Big", v));
  HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
  ASSERT_NE(s, nullptr);
  // Positions in the first chunk, the next, back to the first, across a
  // chunk edge, near the end; the writer comes halfway through.
  const uint32_t kAt[] = {0, 4000, 300000, 10, 262100, 524200, 1099990, 700000, 5, 262144};
  int n = 0;
  for (uint32_t at : kAt) {
    SCOPED_TRACE(at);
    if (++n == 5) {
      ASSERT_TRUE(PutSection(file_, "Big", Version(8, 1100000)));
    }
    ASSERT_EQ(SeekSection(s, static_cast<int32_t>(at), 0), at);
    for (int k = 0; k < 3; ++k) {  // sequential small reads from there
      std::string got(4000, '\0');
      const uint32_t from = at + 4000 * k;
      const uint32_t want = from >= v.size() ? 0 : static_cast<uint32_t>(std::min<size_t>(4000, v.size() - from));
      ASSERT_EQ(ReadSection(s, got.data(), 4000), want);
      got.resize(want);
      EXPECT_TRUE(got == v.substr(std::min<size_t>(from, v.size()), want)) << "read " << k;
    }
  }
  EXPECT_TRUE(CloseSection(s));
}

TEST_F(SectionReadingTest, SmallReadsWalkingOnThroughWindowsAndChunkEdgesReadTheSection) {
  const std::string v = Version(9, 700000);
  ASSERT_TRUE(PutSection(file_, "Big", v));
  // Walks of small reads of one size each, on from a start, far past the
  // read-ahead and over a chunk edge (262144); a writer comes during the
  // third walk, and the last walks go back over bytes read before.
  struct Walk {
    uint32_t start, size, reads;
  };
  const Walk kWalks[] = {{0, 1, 20000},      {250000, 37, 800}, {16380, 700, 100}, {262100, 4095, 10},
                         {100, 3000, 30},    {262143, 2, 9000}, {699990, 64, 2}};
  HSECTION s = OpenSectionReadOnly(file_.c_str(), "Big", nullptr);
  ASSERT_NE(s, nullptr);
  int n = 0;
  for (const Walk& w : kWalks) {
    SCOPED_TRACE(w.start);
    if (++n == 3) {
      ASSERT_TRUE(PutSection(file_, "Big", Version(10, 700000)));
    }
    ASSERT_EQ(SeekSection(s, static_cast<int32_t>(w.start), 0), w.start);
    std::string got;
    std::string piece(w.size, '\0');
    for (uint32_t k = 0; k < w.reads; ++k) {
      const uint32_t r = ReadSection(s, piece.data(), w.size);
      got.append(piece, 0, r);
      if (r < w.size) break;
    }
    const std::string want = v.substr(w.start, size_t{w.size} * w.reads);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
  }
  EXPECT_TRUE(CloseSection(s));
}

TEST_F(SectionReadingTest, EmptySectionsAndReadsPastTheEnd) {
  ASSERT_TRUE(PutSection(file_, "Empty", ""));
  HSECTION s = OpenSectionReadOnly(file_.c_str(), "Empty", nullptr);
  ASSERT_NE(s, nullptr);
  char b[4];
  EXPECT_EQ(GetSectionSize(s), 0u);
  EXPECT_EQ(ReadSection(s, b, 4), 0u);
  EXPECT_TRUE(CloseSection(s));
  s = OpenSectionReadOnly(file_.c_str(), "Other", nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SeekSection(s, 100, 0), 100u);
  EXPECT_EQ(ReadSection(s, b, 4), 0u);
  EXPECT_EQ(SeekSection(s, -2, 2), 3u);
  EXPECT_EQ(ReadSection(s, b, 4), 2u);
  EXPECT_EQ(std::string(b, 2), "er");
  EXPECT_EQ(WriteSection(s, "x", 1), 0u);  // read-only
  EXPECT_TRUE(CloseSection(s));
}

}  // namespace
