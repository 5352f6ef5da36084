#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fandor/library_search.h"
#include "fixtures/msfixtures.h"
#include "fixtures/msp_library.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"

namespace {

std::vector<uint8_t> Exchange(const std::vector<std::pair<double, uint32_t>>& peaks) {
  std::vector<uint8_t> b(4 + 13 * peaks.size(), 0);
  const uint32_t n = uint32_t(peaks.size());
  std::memcpy(b.data(), &n, 4);
  for (size_t i = 0; i < peaks.size(); ++i) {
    std::memcpy(&b[4 + 13 * i + 1], &peaks[i].first, 8);
    std::memcpy(&b[4 + 13 * i + 9], &peaks[i].second, 4);
  }
  return b;
}

class LibrarySearchTest : public WorkstationRootTest {
 protected:
  void Write(const char* path, const std::string& text) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, text.data(), DWORD(text.size()), &n, nullptr));
    CloseHandle(h);
  }
  static std::string Error() {
    char text[200];
    FandorLastError(text, sizeof text);
    return text;
  }
};

TEST_F(LibrarySearchTest, SimilarityByHand) {
  struct Case {
    std::vector<std::pair<double, uint32_t>> unknown, reference;
    int forward, reverse;
  } cases[] = {
      {{{50, 999}, {60, 400}}, {{50.2, 1998}, {59.9, 800}}, 999, 999},  // nominal masses, scale free
      {{{50, 999}}, {{50, 999}, {60, 999}}, 409, 409},                  // 50^2 / (50^2 + 60^2)
      {{{50, 999}, {80, 999}}, {{50, 999}}, 281, 999},                  // the extra ion costs forward only
      {{{50, 999}}, {{51, 999}}, 0, 0},
  };
  for (const Case& c : cases) {
    const auto u = Exchange(c.unknown), r = Exchange(c.reference);
    int16_t f = -1, rev = -1;
    ASSERT_TRUE(CompareSpectra(u.data(), r.data(), &f, &rev));
    EXPECT_EQ(f, c.forward);
    EXPECT_EQ(rev, c.reverse);
  }
}

// Match values follow the bytes handed in, not the buffers they lie in: a
// display that refills its buffer in place gets the new spectrum's values,
// and a state kept for the old one no longer answers for it.
TEST_F(LibrarySearchTest, MatchValuesFollowTheSpectraNotTheirBuffers) {
  const auto reference = Exchange({{50, 999}});
  const auto first = Exchange({{50, 999}, {80, 999}}), second = Exchange({{50, 999}, {60, 999}});
  ASSERT_EQ(first.size(), second.size());
  auto expected = [&](const std::vector<uint8_t>& u) {
    int16_t f = -1, r = -1;
    EXPECT_TRUE(CompareSpectra(u.data(), reference.data(), &f, &r));
    return std::pair<int32_t, int32_t>{f, r};
  };
  const auto one = expected(first), two = expected(second);
  ASSERT_NE(one, two);
  std::vector<uint8_t> shown = first;
  int32_t f = -1, r = -1;
  ASSERT_TRUE(CalcMatchValues(nullptr, shown.data(), reference.data(), &f, &r));
  EXPECT_EQ(std::make_pair(f, r), one);
  uint8_t kept[FANDOR_MATCH_STATE_SIZE];
  ASSERT_TRUE(KeepMatchState(kept));
  ASSERT_TRUE(CalcMatchValues(nullptr, shown.data(), reference.data(), &f, &r));  // the same pair again
  EXPECT_EQ(std::make_pair(f, r), one);
  std::memcpy(shown.data(), second.data(), second.size());
  ASSERT_TRUE(CalcMatchValues(nullptr, shown.data(), reference.data(), &f, &r));
  EXPECT_EQ(std::make_pair(f, r), two);
  EXPECT_FALSE(CalcMatchValuesFromState(nullptr, shown.data(), reference.data(), kept, &f, &r));
  std::memcpy(shown.data(), first.data(), first.size());
  f = r = -1;
  ASSERT_TRUE(CalcMatchValuesFromState(nullptr, shown.data(), reference.data(), kept, &f, &r));
  EXPECT_EQ(std::make_pair(f, r), one);
  // A malformed spectrum still fails, whatever was compared before.
  std::vector<uint8_t> damaged = first;
  const uint32_t huge = 2000000;
  std::memcpy(damaged.data(), &huge, 4);
  EXPECT_FALSE(CalcMatchValues(nullptr, damaged.data(), reference.data(), &f, &r));
}

TEST_F(LibrarySearchTest, MspFormsDamagedEntriesAndErrors) {
  Write("C:\\TEMP\\forms.msp",
        "Name: Alpha\nMW: 78\nCAS#: 71-43-2; NIST#: 1\nNum Peaks: 3\n51 120; 77 300; 78 999;\n\n"
        "NAME: Beta\nFormula: C7H8\nDB#: 22\nNum Peaks: 3\n65 110 \"frag\"\n91 999\n92 600\n"
        "Name: Gamma without blank line before\nNum Peaks: 2\n43 999, 58 250\n\n"
        "Name: No peaks\nNum Peaks: 0\n\n"
        "Name: Damaged\nNum Peaks: 2\n43 abc; 58 250\n\n"
        "MW: 12\nNum Peaks: 1\n12 999\n");
  HSPECLIB lib = OpenSpectrumLibrary("C:\\TEMP\\forms.msp");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(CountLibrarySpectra(lib), 3);
  EXPECT_EQ(CountSkippedLibraryEntries(lib), 3);  // no peaks, damaged, no name
  char name[64];
  ASSERT_TRUE(GetLibrarySpectrumName(lib, 2, name, sizeof name));
  EXPECT_STREQ(name, "Gamma without blank line before");
  EXPECT_FALSE(GetLibrarySpectrumName(lib, 3, name, sizeof name));

  const auto toluene = Exchange({{65, 100}, {91, 1000}, {92, 610}});
  void* hits = nullptr;
  ASSERT_EQ(SearchSpectrumLibrary(lib, toluene.data(), 5, 0, &hits), 1);  // only Beta passes the prefilter
  FANDOR_HIT hit;
  ASSERT_TRUE(GetHitEntry(hits, 0, &hit));
  EXPECT_STREQ(hit.name, "Beta");
  EXPECT_EQ(+hit.nistNumber, 22);
  EXPECT_EQ(+hit.entry, 1);
  EXPECT_GT(+hit.forward, 990);
  EXPECT_FALSE(GetHitEntry(hits, 1, &hit));
  FreeBlock(hits);

  // An empty spectrum, a missing or empty library.
  const auto empty = Exchange({});
  EXPECT_EQ(SearchSpectrumLibrary(lib, empty.data(), 5, 0, &hits), -1);
  EXPECT_EQ(hits, nullptr);
  EXPECT_EQ(FandorLastError(nullptr, 0), FANDOR_ERROR_EMPTY_SPECTRUM);
  EXPECT_EQ(SearchSpectrumLibrary(lib, nullptr, 5, 0, &hits), -1);
  CloseSpectrumLibrary(lib);
  EXPECT_EQ(OpenSpectrumLibrary("C:\\TEMP\\none.msp"), nullptr);
  EXPECT_EQ(FandorLastError(nullptr, 0), FANDOR_ERROR_OPEN);
  EXPECT_NE(Error().find("none.msp"), std::string::npos);
  Write("C:\\TEMP\\empty.msp", "");
  EXPECT_EQ(OpenSpectrumLibrary("C:\\TEMP\\empty.msp"), nullptr);
  EXPECT_EQ(FandorLastError(nullptr, 0), FANDOR_ERROR_EMPTY_LIBRARY);
  Write("C:\\TEMP\\junk.msp", std::string("\x01\x02garbage\n\n\nName:\n999999 1\n", 28));
  EXPECT_EQ(OpenSpectrumLibrary("C:\\TEMP\\junk.msp"), nullptr);
  EXPECT_EQ(CountLibrarySpectra(nullptr), -1);
}

TEST_F(LibrarySearchTest, LibraryCheckKeepsWhatOpens) {
  CreateDirectoryA("C:\\LIB", nullptr);
  CreateDirectoryA("C:\\OTHER", nullptr);
  Write("C:\\LIB\\main.msp", "Name: A\nNum Peaks: 1\n50 999\n");
  Write("C:\\OTHER\\extra.msp", "Name: B\nNum Peaks: 1\n60 999\n");
  std::vector<char> list(FANDOR_LIBRARY_LIST_SIZE, 0);
  const char names[] = "main.msp\0missing.msp\0C:\\OTHER\\extra.msp\0";
  std::memcpy(list.data(), names, sizeof names);
  STRUCT_NIST_DEFS defs;
  std::memset(&defs, 0, sizeof defs);
  std::snprintf(defs.libraryPath, sizeof defs.libraryPath, "C:\\LIB");
  defs.libraryCount = 3;
  defs.activeLibraryCount = 3;
  defs.libraryList = list.data();
  int32_t differs = -1;
  EXPECT_EQ(CheckSearchLibraries(&defs, &differs), 2);
  EXPECT_EQ(+defs.activeLibraryCount, 2);
  EXPECT_EQ(differs, 1);
  EXPECT_STREQ(list.data(), "main.msp");
  EXPECT_STREQ(list.data() + 9, "C:\\OTHER\\extra.msp");
  // Both libraries are searched; hits say which library they came from.
  const auto b = Exchange({{60, 999}});
  void* hits = nullptr;
  ASSERT_EQ(SearchLibraries(&defs, b.data(), &hits), 1);
  FANDOR_HIT hit;
  ASSERT_TRUE(GetHitEntry(hits, 0, &hit));
  EXPECT_EQ(+hit.library, 1);
  char name[8];
  ASSERT_TRUE(GetHitName(hits, 0, name, sizeof name));
  EXPECT_STREQ(name, "B");
  FreeBlock(hits);
  // A library rewritten since it was searched is read again.
  Write("C:\\OTHER\\extra.msp", "Name: Bee\nNum Peaks: 2\n60 999\n61 10\n");
  ASSERT_EQ(SearchLibraries(&defs, b.data(), &hits), 1);
  ASSERT_TRUE(GetHitName(hits, 0, name, sizeof name));
  EXPECT_STREQ(name, "Bee");
  FreeBlock(hits);
  defs.activeLibraryCount = 0;
  EXPECT_EQ(SearchLibraries(&defs, b.data(), &hits), -1);
  EXPECT_EQ(FandorLastError(nullptr, 0), FANDOR_ERROR_NO_LIBRARIES);
  EXPECT_EQ(CheckSearchLibraries(nullptr, &differs), 0);
}

// Equal matches rank in the order the search meets them: by entry within a
// library, by library among the searched ones. The hit cap and the
// minimum match cut that order without reordering it.
TEST_F(LibrarySearchTest, EqualMatchesKeepTheirOrderUnderTheCapAndMinimum) {
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "Name: entry " + std::to_string(i) + "\nNum Peaks: 3\n";
    if (i % 5 == 2) text += "91 999; 92 600; 65 110\n\n";       // the unknown's own spectrum
    else if (i % 7 == 3) text += "91 999; 92 300; 65 110\n\n";  // close: forward 975
    else text += std::to_string(100 + i) + " 999; 77 200; 51 90\n\n";
  }
  Write("C:\\TEMP\\ties.msp", text);
  HSPECLIB lib = OpenSpectrumLibrary("C:\\TEMP\\ties.msp");
  ASSERT_NE(lib, nullptr);
  const auto toluene = Exchange({{91.02, 999000}, {91.97, 600000}, {65.1, 110000}});
  const std::vector<int> same = {2, 7, 12, 17, 22, 27, 32, 37}, close = {3, 10, 24, 31, 38};
  std::vector<int> all = same;
  all.insert(all.end(), close.begin(), close.end());
  struct Case {
    int32_t maxHits, minimumMatch;
    std::vector<int> entries;
  } cases[] = {
      {3, 0, {2, 7, 12}},
      {0, 0, {2, 7, 12, 17, 22, 27, 32, 37, 3, 10}},  // 0: ten
      {100, 0, all},
      {100, 980, same},
      {9, 975, {2, 7, 12, 17, 22, 27, 32, 37, 3}},
      {1, 1000, {}},
  };
  for (const Case& c : cases) {
    void* hits = nullptr;
    ASSERT_EQ(SearchSpectrumLibrary(lib, toluene.data(), c.maxHits, c.minimumMatch, &hits), int32_t(c.entries.size()))
        << c.maxHits << " " << c.minimumMatch;
    for (size_t i = 0; i < c.entries.size(); ++i) {
      FANDOR_HIT hit;
      ASSERT_TRUE(GetHitEntry(hits, int32_t(i), &hit));
      EXPECT_EQ(+hit.entry, c.entries[i]) << c.maxHits << " " << c.minimumMatch << " hit " << i;
      EXPECT_EQ(+hit.rank, int(i + 1));
      EXPECT_EQ(+hit.forward, i < same.size() ? 999 : 975);
      EXPECT_EQ(hit.name, "entry " + std::to_string(c.entries[i]));
    }
    FreeBlock(hits);
  }
  CloseSpectrumLibrary(lib);

  // The same spectrum in two libraries: the first library's copies first.
  CreateDirectoryA("C:\\TIES", nullptr);
  Write("C:\\TIES\\one.msp", "Name: one a\nNum Peaks: 2\n91 999\n92 600\n\n"
                               "Name: one b\nNum Peaks: 3\n91 999\n92 600\n65 110\n");
  Write("C:\\TIES\\two.msp", "Name: two a\nNum Peaks: 3\n91 999\n92 600\n65 110\n\n"
                               "Name: two b\nNum Peaks: 3\n91 999\n92 600\n65 110\n");
  std::vector<char> list(FANDOR_LIBRARY_LIST_SIZE, 0);
  const char names[] = "two.msp\0one.msp\0";
  std::memcpy(list.data(), names, sizeof names);
  STRUCT_NIST_DEFS defs;
  std::memset(&defs, 0, sizeof defs);
  std::snprintf(defs.libraryPath, sizeof defs.libraryPath, "C:\\TIES");
  defs.libraryCount = defs.activeLibraryCount = 2;
  defs.libraryList = list.data();
  ASSERT_EQ(CheckSearchLibraries(&defs, nullptr), 2);
  for (int32_t cap : {2, 3, 4}) {
    defs.maxHits = cap;
    void* hits = nullptr;
    ASSERT_EQ(SearchLibraries(&defs, toluene.data(), &hits), cap);
    const char* expected[] = {"two a", "two b", "one b", "one a"};
    for (int32_t i = 0; i < CountHits(hits); ++i) {
      char name[16];
      ASSERT_TRUE(GetHitName(hits, i, name, sizeof name));
      EXPECT_STREQ(name, expected[i]) << cap;
    }
    FreeBlock(hits);
  }
}

// A library replaced by one of the same size is searched as the new one,
// however it was replaced, and a damaged same-size copy is not usable.
TEST_F(LibrarySearchTest, SameSizeReplacementIsReadAgain) {
  CreateDirectoryA("C:\\LIB", nullptr);
  const std::string before = "Name: Old1\nNum Peaks: 1\n60 999\n";
  const std::string after = "Name: New1\nNum Peaks: 1\n60 999\n";
  ASSERT_EQ(before.size(), after.size());
  auto writeTime = [](const char* path) {
    FILETIME t{};
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    GetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    return t;
  };
  auto setWriteTime = [](const char* path, FILETIME t) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
  };
  struct Case {
    const char* how;
    bool settle;  // the first copy is old news when it is replaced
    std::function<void(const char*)> replace;
  } cases[] = {
      {"rewritten at once", false, [&](const char* p) { Write(p, after); }},
      {"rewritten keeping its write time", false,
       [&](const char* p) {
         const FILETIME t = writeTime(p);
         Write(p, after);
         setWriteTime(p, t);
       }},
      {"replaced by a copy moved over it", false,
       [&](const char* p) {
         Write("C:\\LIB\\copy.tmp", after);
         ASSERT_TRUE(MoveFileExA("C:\\LIB\\copy.tmp", p, MOVEFILE_REPLACE_EXISTING));
       }},
      {"rewritten long after, keeping its write time", true,
       [&](const char* p) {
         const FILETIME t = writeTime(p);
         Write(p, after);
         setWriteTime(p, t);
       }},
  };
  const auto b = Exchange({{60, 999}});
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    const std::string path = "C:\\LIB\\lib" + std::to_string(n++) + ".msp";
    Write(path.c_str(), before);
    std::vector<char> list(FANDOR_LIBRARY_LIST_SIZE, 0);
    std::memcpy(list.data(), path.c_str(), path.size());
    STRUCT_NIST_DEFS defs;
    std::memset(&defs, 0, sizeof defs);
    defs.libraryCount = defs.activeLibraryCount = 1;
    defs.libraryList = list.data();
    if (c.settle) std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    char name[16];
    void* hits = nullptr;
    for (int pass = 0; pass < 2; ++pass) {  // the second search finds it held
      ASSERT_EQ(SearchLibraries(&defs, b.data(), &hits), 1);
      ASSERT_TRUE(GetHitName(hits, 0, name, sizeof name));
      EXPECT_STREQ(name, "Old1");
      FreeBlock(hits);
    }
    c.replace(path.c_str());
    ASSERT_EQ(SearchLibraries(&defs, b.data(), &hits), 1);
    ASSERT_TRUE(GetHitName(hits, 0, name, sizeof name));
    EXPECT_STREQ(name, "New1");
    FreeBlock(hits);
    // A damaged copy of the same size: the check drops it, a search fails.
    Write(path.c_str(), std::string(before.size(), '\x01'));
    EXPECT_EQ(SearchLibraries(&defs, b.data(), &hits), -1);
    EXPECT_EQ(CheckSearchLibraries(&defs, nullptr), 0);
    EXPECT_EQ(+defs.activeLibraryCount, 0);
  }
}

// The spectrum of a scan less the mean of two scans of background.
std::vector<std::pair<double, uint32_t>> CorrectedSpectrum(HMSDATA ms, double at, double background) {
  std::vector<uint8_t> buffer(GetMSScanBufferSize(ms));
  auto read = [&](double t) {
    MS_SCAN_REQUEST r{};
    r.kind = MS_SCAN_BY_TIME;
    r.mode = MS_PICK_NEAREST;
    r.time = t;
    MS_SCAN_HEADER h;
    std::map<long, double> out;
    if (ReadMSScanHeader(ms, &r, nullptr, &h, buffer.data()) == MS_SCAN_TIME_FAILED) return out;
    uint32_t n;
    std::memcpy(&n, buffer.data(), 4);
    for (uint32_t i = 0; i < n; ++i) {
      double m;
      uint32_t v;
      std::memcpy(&m, &buffer[4 + 13 * i + 1], 8);
      std::memcpy(&v, &buffer[4 + 13 * i + 9], 4);
      out[std::lround(m * 10)] += v;
    }
    return out;
  };
  auto apex = read(at), bg = read(background);
  std::vector<std::pair<double, uint32_t>> out;
  for (auto& [m, v] : apex) {
    const double net = v - (bg.count(m) ? bg[m] : 0.0);
    if (net > 0) out.emplace_back(m / 10.0, uint32_t(std::lround(net)));
  }
  return out;
}

TEST_F(LibrarySearchTest, FixtureUnknownsComeFirstInA500EntryLibrary) {
  int searched = 0, first = 0;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.compounds = 10;
    plan.segments = {{1.0, 1, ""}};
    const std::string run = "C:\\TEMP\\run" + std::to_string(seed) + ".kms";
    msfix::RunTruth truth;
    ASSERT_TRUE(msfix::WriteMsDataFile(run, plan, &truth));
    msfix::MspLibraryPlan lp;
    lp.seed = 100 + seed;
    lp.entries = 520;
    std::vector<msfix::MspEntryTruth> entries;
    const std::string library = "C:\\TEMP\\lib" + std::to_string(seed) + ".msp";
    ASSERT_TRUE(msfix::WriteMspLibrary(library, lp, truth.compounds, &entries));
    HSPECLIB lib = OpenSpectrumLibrary(library.c_str());
    ASSERT_NE(lib, nullptr);
    ASSERT_EQ(CountLibrarySpectra(lib), 520);
    HMSDATA ms = OpenMSData(run.c_str(), "MSData", 0);
    ASSERT_NE(ms, nullptr);
    for (const msfix::CompoundTruth& c : truth.compounds) {
      double base = 0;
      for (auto& [m, share] : c.spectrum) base = std::max(base, share);
      if (c.height * base / plan.noise <= 20) continue;  // S/N of the strongest ion
      // A peak swamped at its own apex by a neighbour is that neighbour's.
      double others = 0;
      for (const msfix::CompoundTruth& o : truth.compounds)
        if (&o != &c) others += o.TicAt(c.retentionTime);
      if (others > c.height) continue;
      const auto spectrum = Exchange(CorrectedSpectrum(ms, c.retentionTime, c.retentionTime - 8 * c.sigma));
      void* hits = nullptr;
      ASSERT_GE(SearchSpectrumLibrary(lib, spectrum.data(), 5, 0, &hits), 0);
      ++searched;
      char name[128] = "";
      GetHitName(hits, 0, name, sizeof name);
      if (c.name == name) ++first;
      else std::printf("seed %u %s: first hit %s\n", seed, c.name.c_str(), name);
      FreeBlock(hits);
    }
    CloseMSData(ms);
    CloseSpectrumLibrary(lib);
  }
  std::printf("right first %d of %d\n", first, searched);
  EXPECT_GE(searched, 50);
  EXPECT_GE(first, 0.95 * searched);
}

// Every hit scores what the two spectra compared alone score, the full
// list is in rank order, and a capped search with a minimum keeps exactly
// the leading hits of the full list that reach the minimum.
TEST_F(LibrarySearchTest, CappedSearchesKeepTheLeadOfTheFullRanking) {
  msfix::RunPlan plan;
  plan.compounds = 20;
  msfix::RunTruth truth;
  msfix::MakeRun(plan, &truth, nullptr);
  msfix::MspLibraryPlan lp;
  lp.entries = 3000;
  std::vector<msfix::MspEntryTruth> entries;
  ASSERT_TRUE(msfix::WriteMspLibrary("C:\\TEMP\\ranked.msp", lp, truth.compounds, &entries));
  HSPECLIB lib = OpenSpectrumLibrary("C:\\TEMP\\ranked.msp");
  ASSERT_NE(lib, nullptr);
  auto entryBuffer = [&](int32_t e) {
    std::vector<std::pair<double, uint32_t>> peaks;
    for (auto& [m, a] : entries[size_t(e)].peaks) peaks.push_back({double(m), uint32_t(a)});
    return Exchange(peaks);
  };
  struct Hit {
    int32_t entry;
    int16_t forward, reverse;
  };
  auto search = [&](const std::vector<uint8_t>& unknown, int32_t maxHits, int32_t minimum) {
    void* list = nullptr;
    std::vector<Hit> out;
    const int32_t n = SearchSpectrumLibrary(lib, unknown.data(), maxHits, minimum, &list);
    for (int32_t i = 0; i < n; ++i) {
      FANDOR_HIT h;
      EXPECT_TRUE(GetHitEntry(list, i, &h));
      EXPECT_EQ(h.rank, i + 1);
      out.push_back({h.entry, h.forward, h.reverse});
    }
    FreeBlock(list);
    return out;
  };
  int compared = 0;
  for (int c : {0, 7, 13}) {
    std::vector<std::pair<double, uint32_t>> peaks;
    for (auto& [m, share] : truth.compounds[size_t(c)].spectrum) peaks.push_back({m, uint32_t(share * 1e6)});
    const auto unknown = Exchange(peaks);
    const std::vector<Hit> all = search(unknown, 1000000, 0);
    ASSERT_GT(all.size(), 50u);
    for (size_t i = 0; i < all.size(); ++i) {
      int16_t f = -1, r = -1;
      ASSERT_TRUE(CompareSpectra(unknown.data(), entryBuffer(all[i].entry).data(), &f, &r));
      EXPECT_EQ(all[i].forward, f) << "hit " << i;
      EXPECT_EQ(all[i].reverse, r) << "hit " << i;
      if (i) {
        EXPECT_GE(all[i - 1].forward, all[i].forward) << "hit " << i;
      }
      ++compared;
    }
    struct Case {
      int32_t maxHits, minimum;
    };
    for (const Case& k : {Case{1, 0}, Case{10, 0}, Case{25, 0}, Case{10, 600}, Case{40, 300}, Case{5, 999}}) {
      std::vector<Hit> want;
      for (const Hit& h : all)
        if (h.forward >= k.minimum && int32_t(want.size()) < k.maxHits) want.push_back(h);
      const std::vector<Hit> got = search(unknown, k.maxHits, k.minimum);
      ASSERT_EQ(got.size(), want.size()) << k.maxHits << " hits from " << k.minimum;
      for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].entry, want[i].entry) << i;
    }
  }
  EXPECT_GT(compared, 300);
  CloseSpectrumLibrary(lib);
}

}  // namespace

namespace {

TEST_F(LibrarySearchTest, TargetAndPuritySearchConfirmAStandard) {
  msfix::RunPlan plan;
  plan.seed = 3;
  plan.compounds = 6;
  plan.segments = {{1.0, 1, ""}};
  msfix::RunTruth truth;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\is.kms", plan, &truth));
  // The most intense compound with nothing else near it, and one far away.
  const msfix::CompoundTruth* standard = nullptr;
  for (const auto& c : truth.compounds) {
    bool alone = true;
    for (const auto& o : truth.compounds)
      if (&o != &c && std::fabs(o.retentionTime - c.retentionTime) < 0.5) alone = false;
    if (alone && (!standard || c.height > standard->height)) standard = &c;
  }
  ASSERT_NE(standard, nullptr);
  const msfix::CompoundTruth* other = &truth.compounds.front() == standard ? &truth.compounds.back()
                                                                            : &truth.compounds.front();
  auto reference = [](const msfix::CompoundTruth& c) {
    std::vector<std::pair<double, uint32_t>> peaks;
    for (auto& [m, share] : c.spectrum) peaks.emplace_back(m, uint32_t(std::lround(share * 1e6)));
    return Exchange(peaks);
  };
  const auto own = reference(*standard), wrong = reference(*other);
  const double rt = standard->retentionTime, from = rt - 2 * standard->sigma, to = rt + 2 * standard->sigma;
  EXPECT_GT(TargetSearch("C:\\TEMP\\is.kms", from, to, rt, own.data(), 0, 1), 0);
  EXPECT_EQ(TargetSearch("C:\\TEMP\\is.kms", from, to, rt, wrong.data(), 0, 1), 0);
  EXPECT_EQ(TargetSearch("C:\\TEMP\\is.kms", from, to, to + 1, own.data(), 0, 1), 0);  // time outside
  EXPECT_EQ(PuritySearch("C:\\TEMP\\is.kms", from, to, own.data(), 0, 0), 1);
  EXPECT_EQ(PuritySearch("C:\\TEMP\\is.kms", from, to, wrong.data(), 0, 0), 0);
  // Failures.
  EXPECT_EQ(TargetSearch("C:\\TEMP\\missing.kms", from, to, rt, own.data(), 0, 1), -1);
  EXPECT_EQ(FandorLastError(nullptr, 0), FANDOR_ERROR_DATA);
  EXPECT_EQ(PuritySearch("C:\\TEMP\\is.kms", to, from, own.data(), 0, 0), -1);
  const auto empty = Exchange({});
  EXPECT_EQ(TargetSearch("C:\\TEMP\\is.kms", from, to, rt, empty.data(), 0, 1), -1);
  EXPECT_EQ(FandorLastError(nullptr, 0), FANDOR_ERROR_EMPTY_SPECTRUM);
}

}  // namespace
