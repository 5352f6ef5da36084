// Segment plots and scan-function arrays made from a work file's segments
// and scan-function information.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/tests/kelt_test_root.h"
#include "common/tests/synthetic_work_file.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

// Three segments: Full | Full, SIM | SIM, SIM2, Full.
std::vector<SyntheticSegment> ThreeSegments() {
  SyntheticFunction full{u"Full|scan 40-400", u"40.0-400.0"}, sim{u"SIM|91 92", u"91.0-92.0"},
      sim2{u"SIM2|105", u"105.0"};
  return {{1, 5, {full}}, {5, 10, {full, sim}}, {10, 15, {sim, sim2, full}}};
}

class ScanFunctions : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    wf_ = MakeSyntheticWorkFile(ThreeSegments());
    info_ = PD_GetScanFunInfoForDataFile(wf_, &n_, 0);
    ASSERT_NE(info_, nullptr);
  }
  void TearDown() override {
    if (info_) FreeBlock(info_);
    FreeSyntheticWorkFile(wf_);
    KeltRootTest::TearDown();
  }
  STRUCT_SCAN_FUN_ARRAY* Array(std::initializer_list<int> infoIndexes) {
    auto* a = static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(static_cast<uint32_t>(ScanFunArraySize(infoIndexes.size()))));
    for (int i : infoIndexes) {
      SCAN_FUN_ENTRY& e = a->entries[a->count++];
      std::strcpy(e.segments, info_[i].segmentList);
      std::strcpy(e.name, info_[i].shortName);
      std::strcpy(e.identity, info_[i].longName);
    }
    return a;
  }
  std::string ChanText(const STRUCT_CHAN_LIST& l) {
    char buf[200];
    FormatChanList(buf, &l);
    return buf;
  }
  STRUCT_WORK_FILE* wf_ = nullptr;
  STRUCT_SCAN_FUN_INFO* info_ = nullptr;
  int16_t n_ = 0;
};

TEST_F(ScanFunctions, InformationFromSegmentNames) {
  struct Want {
    const char* list;
    int segment, channel, shared;
    const char* shortName;
    const char* longName;
  } want[] = {{"1", 0, 0, 0, "Full", "Full scan 40-400"}, {"2", 1, 0, 1, "Full", "Full scan 40-400"},
              {"2", 1, 1, 0, "SIM", "SIM 91 92"},         {"3", 2, 0, 1, "SIM", "SIM 91 92"},
              {"3", 2, 1, 0, "SIM2", "SIM2 105"},         {"3", 2, 2, 1, "Full", "Full scan 40-400"}};
  ASSERT_EQ(n_, 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(info_[i].segmentList, want[i].list) << i;
    EXPECT_EQ(+info_[i].kind, 1) << i;
    EXPECT_EQ(+info_[i].ownEntry, 1) << i;
    EXPECT_EQ(+info_[i].segment, want[i].segment) << i;
    EXPECT_EQ(+info_[i].channel, want[i].channel) << i;
    EXPECT_EQ(+info_[i].sharedName, want[i].shared) << i;
    EXPECT_STREQ(info_[i].shortName, want[i].shortName) << i;
    EXPECT_STREQ(info_[i].longName, want[i].longName) << i;
  }
  int16_t m = 0;
  STRUCT_SCAN_FUN_INFO* merged = PD_GetScanFunInfoForDataFile(wf_, &m, 1);
  ASSERT_NE(merged, nullptr);
  ASSERT_EQ(m, 3);
  EXPECT_STREQ(merged[0].segmentList, "1,2,3");
  EXPECT_EQ(+merged[0].ownEntry, 0);
  EXPECT_STREQ(merged[1].segmentList, "2,3");
  EXPECT_STREQ(merged[2].segmentList, "3");
  EXPECT_EQ(+merged[2].ownEntry, 1);
  FreeBlock(merged);
}

// A scan function in 30 segments: its merged list stops with "..." once.
TEST_F(ScanFunctions, LongMergedSegmentListEndsWithDotsOnce) {
  std::vector<SyntheticSegment> segments;
  for (int s = 0; s < 30; ++s) segments.push_back({1.0 + s, 2.0 + s, {{u"Full|scan 40-400", u""}}});
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile(segments);
  int16_t n = 0;
  STRUCT_SCAN_FUN_INFO* merged = PD_GetScanFunInfoForDataFile(wf, &n, 1);
  ASSERT_NE(merged, nullptr);
  ASSERT_EQ(n, 1);
  EXPECT_STREQ(merged[0].segmentList, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18...");
  EXPECT_EQ(+merged[0].ownEntry, 0);
  FreeBlock(merged);
  STRUCT_SCAN_FUN_INFO* all = PD_GetScanFunInfoForDataFile(wf, &n, 0);
  ASSERT_NE(all, nullptr);
  ASSERT_EQ(n, 30);
  EXPECT_STREQ(all[29].segmentList, "30");
  EXPECT_EQ(+all[29].sharedName, 1);
  FreeBlock(all);
  FreeSyntheticWorkFile(wf);
}

TEST_F(ScanFunctions, AllOfASegmentGoldenBytes) {
  STRUCT_SCAN_FUN_ARRAY* a = SCAN_FUN_GetAllScanFunsForSegment(wf_, 2, info_, n_);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(+a->count, 3);
  EXPECT_EQ(GetBlockSize(a), ScanFunArraySize(3));
  std::vector<uint8_t> entry(453, 0);
  std::memcpy(entry.data(), "3", 1);
  std::memcpy(entry.data() + 51, "SIM", 3);
  std::memcpy(entry.data() + 152, "SIM 91 92", 9);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(a);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(std::vector<uint8_t>(bytes + 2, bytes + 2 + 453), entry);
  EXPECT_STREQ(a->entries[1].name, "SIM2");
  EXPECT_STREQ(a->entries[2].identity, "Full scan 40-400");

  EXPECT_EQ(SCAN_FUN_AreAllScanFunsInSegment(wf_, 2, a, info_, n_), 1);
  STRUCT_SCAN_FUN_ARRAY* some = Array({3, 4});
  EXPECT_EQ(SCAN_FUN_AreAllScanFunsInSegment(wf_, 2, some, info_, n_), 0);
  EXPECT_EQ(SCAN_FUN_AreSomeScanFunsInSegment(wf_, 2, some, info_, n_), 1);
  EXPECT_EQ(SCAN_FUN_AreSomeScanFunsInSegment(wf_, 1, some, info_, n_), 1);  // SIM runs in segment 2 too
  EXPECT_EQ(SCAN_FUN_AreSomeScanFunsInSegment(wf_, 0, some, info_, n_), 0);
  EXPECT_EQ(SCAN_FUN_AreSomeScanFunsInSegment(wf_, 9, some, info_, n_), 0);
  FreeBlock(some);
  FreeBlock(a);

  EXPECT_EQ(SCAN_FUN_GetAllScanFunsForSegment(wf_, 3, info_, n_), nullptr);
  EXPECT_EQ(SCAN_FUN_GetAllScanFunsForSegment(wf_, -1, info_, n_), nullptr);
  EXPECT_EQ(SCAN_FUN_GetAllScanFunsForSegment(wf_, 0, nullptr, 0), nullptr);
}

TEST_F(ScanFunctions, ArrayForAChannelList) {
  STRUCT_CHAN_LIST l;
  ASSERT_EQ(ParseChanList("1+3", &l), 1);
  STRUCT_SCAN_FUN_ARRAY* a = SCAN_FUN_GetScanFunArrayForChanList(wf_, 2, info_, n_, &l);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(+a->count, 2);
  EXPECT_STREQ(a->entries[0].name, "SIM");
  EXPECT_STREQ(a->entries[1].name, "Full");
  FreeBlock(a);
  ASSERT_EQ(ParseChanList("2-3", &l), 1);
  a = SCAN_FUN_GetScanFunArrayForChanList(wf_, 1, info_, n_, &l);  // segment 2 has no third function
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(+a->count, 1);
  FreeBlock(a);
  ASSERT_EQ(ParseChanList("3", &l), 1);
  EXPECT_EQ(SCAN_FUN_GetScanFunArrayForChanList(wf_, 0, info_, n_, &l), nullptr);
  STRUCT_CHAN_LIST merged{};
  EXPECT_EQ(SCAN_FUN_GetScanFunArrayForChanList(wf_, 2, info_, n_, &merged), nullptr);
  EXPECT_EQ(SCAN_FUN_GetScanFunArrayForChanList(wf_, 3, info_, n_, &l), nullptr);
}

TEST_F(ScanFunctions, ChannelsOfASegment) {
  struct Case {
    std::initializer_list<int> entries;
    int segment;
    BOOL found;
    const char* channels;
  } cases[] = {
      {{3, 4}, 2, 1, "1-2"},   // neighbours merge into one entry
      {{3, 5}, 2, 1, "1+3"},
      {{5, 3}, 2, 1, "1+3"},   // in the order of the information
      {{0, 2}, 1, 1, "1-2"},   // by identity: "Full" of segment 1 names segment 2's too
      {{2}, 0, 0, ""},
      {{4}, 1, 0, ""},
  };
  for (const Case& c : cases) {
    STRUCT_SCAN_FUN_ARRAY* a = Array(c.entries);
    STRUCT_CHAN_LIST l;
    std::memset(&l, 0x55, sizeof l);
    EXPECT_EQ(SCAN_FUN_GetChanListForSegment(a, c.segment, info_, n_, &l), c.found) << c.channels;
    if (c.found) {
      EXPECT_EQ(ChanText(l), c.channels);
    } else {
      STRUCT_CHAN_LIST zero{};
      EXPECT_EQ(std::memcmp(&l, &zero, sizeof l), 0);
    }
    FreeBlock(a);
  }
  // A record of another channel kind sets the list's kind.
  STRUCT_SCAN_FUN_INFO other = info_[0];
  other.kind = CHAN_LIST_IGNORED;
  other.ownEntry = 0;
  STRUCT_SCAN_FUN_ARRAY* a = Array({0});
  STRUCT_CHAN_LIST l;
  EXPECT_EQ(SCAN_FUN_GetChanListForSegment(a, 2, &other, 1, &l), 1);
  EXPECT_EQ(+l.kind, CHAN_LIST_IGNORED);
  FreeBlock(a);
}

TEST_F(ScanFunctions, CopyAddCompare) {
  STRUCT_SCAN_FUN_ARRAY* a = Array({0, 2});
  STRUCT_SCAN_FUN_ARRAY* b = Array({4});
  STRUCT_SCAN_FUN_ARRAY* copy = SCAN_FUN_Copy(a);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GetBlockSize(copy), ScanFunArraySize(2) + 20);
  EXPECT_EQ(SCAN_FUN_Compare(a, copy), 1);
  EXPECT_EQ(SCAN_FUN_Compare(a, a), 1);
  EXPECT_EQ(SCAN_FUN_Compare(a, nullptr), 0);
  EXPECT_EQ(SCAN_FUN_Compare(a, b), 0);
  copy->entries[1].identity[300] = 'x';  // the last byte of the last entry counts
  EXPECT_EQ(SCAN_FUN_Compare(a, copy), 0);

  STRUCT_SCAN_FUN_ARRAY* sum = SCAN_FUN_AddScanFunArrays(a, b);
  ASSERT_NE(sum, nullptr);
  EXPECT_EQ(+sum->count, 3);
  EXPECT_EQ(GetBlockSize(sum), ScanFunArraySize(3) + 20);
  EXPECT_EQ(std::memcmp(&sum->entries[0], &a->entries[0], 2 * sizeof(SCAN_FUN_ENTRY)), 0);
  EXPECT_EQ(std::memcmp(&sum->entries[2], &b->entries[0], sizeof(SCAN_FUN_ENTRY)), 0);
  for (auto* p : {a, b, copy, sum}) FreeBlock(p);
  EXPECT_EQ(SCAN_FUN_Copy(nullptr), nullptr);
}

TEST_F(ScanFunctions, PlotTitles) {
  STRUCT_SCAN_FUN_ARRAY* a = Array({3, 4, 5, 1});  // SIM, SIM2, Full, Full again
  char text[300];
  STRUCT_MASS_LIST ric{};
  SCAN_FUN_GetPlotTitle(wf_, &ric, a, text, 100);
  EXPECT_STREQ(text, "SIM + SIM2 + Full");
  STRUCT_MASS_LIST ions;
  ParseMassList("91+105", &ions);
  SCAN_FUN_GetPlotTitle(wf_, &ions, a, text, 100);
  EXPECT_STREQ(text, "91.0+105.0 (SIM + SIM2 + Full)");
  STRUCT_MASS_LIST bpi{};
  bpi.kind = MASS_LIST_BASE_PEAK_ION;
  SCAN_FUN_GetPlotTitle(wf_, &bpi, a, text, 100);
  EXPECT_STREQ(text, "Base Peak Ion (SIM + SIM2 + Full)");
  bpi.kind = MASS_LIST_BASE_PEAK_INTENSITY;
  SCAN_FUN_GetPlotTitle(wf_, &bpi, a, text, 100);
  EXPECT_STREQ(text, "Intensity of Base Peak (SIM + SIM2 + Full)");

  // Too long: "..." and at most maximum - 2 characters.
  SCAN_FUN_GetPlotTitle(wf_, &ric, a, text, 12);
  EXPECT_STREQ(text, "SIM + S...");  // "SIM + SIM2 + Full" cut to 12 - 2

  SCAN_FUN_GetPlotTitle(wf_, &bpi, a, text, 20);
  EXPECT_EQ(std::strlen(text), 18u);
  EXPECT_EQ(std::string(text).substr(15), "...");
  SCAN_FUN_GetPlotTitle(wf_, &ric, a, text, 3);  // too small for the dots
  EXPECT_LE(std::strlen(text), 2u);
  FreeBlock(a);
}

TEST_F(ScanFunctions, SegmentTitles) {
  auto* a = static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(static_cast<uint32_t>(ScanFunArraySize(5))));
  const char* texts[][2] = {{"(1,3)", "A"}, {"2", "B"}, {"1 2", "C"}, {"3", "a"}, {"x,y", "D"}};
  for (auto& t : texts) {
    SCAN_FUN_ENTRY& e = a->entries[a->count++];
    std::strcpy(e.segments, t[0]);
    std::strcpy(e.name, t[1]);
  }
  char text[100];
  const char* want[] = {"A + C", "B + C", "A", ""};
  for (int s = 0; s < 4; ++s) {
    SCAN_FUN_GetSegmentTitle(a, static_cast<int16_t>(s), text, sizeof text);
    EXPECT_STREQ(text, want[s]) << s;
  }
  SCAN_FUN_GetSegmentTitle(a, 1, text, 6);
  EXPECT_STREQ(text, "B + C");
  SCAN_FUN_GetSegmentTitle(a, 1, text, 5);  // reaches the maximum: cut to 3
  EXPECT_STREQ(text, "...");
  FreeBlock(a);
}

// ---- Segment plots ------------------------------------------------------------

TEST(SegmentPlots, InitGoldenBytes) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {{u"A", u""}}}, {5, 9, {{u"B", u""}, {u"C", u""}}}}, 0);
  STRUCT_SEG_PLOTS* p = PLOT_SEG_Init(wf);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(+p->count, 2);
  EXPECT_EQ(GetBlockSize(p), 2u * 402u + 2u);
  std::vector<uint8_t> entry(402, 0);
  const double half = 0.5;
  std::memcpy(entry.data() + 88 + 206, &half, 8);  // RIC mass list, window 0.5
  std::memcpy(entry.data() + 302, "Merged", 6);     // merged channels; a total-ion list has no ion text
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(p);
  EXPECT_EQ(std::vector<uint8_t>(bytes + 2, bytes + 404), entry);
  EXPECT_EQ(std::vector<uint8_t>(bytes + 404, bytes + 806), entry);

  STRUCT_SEG_PLOTS* copy = PLOT_SEG_Copy(p);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GetBlockSize(copy), 806u);
  EXPECT_EQ(PLOT_SEG_Compare(p, copy), 1);
  copy->entries[1].title[99] = 'x';
  EXPECT_EQ(PLOT_SEG_Compare(p, copy), 0);
  EXPECT_EQ(PLOT_SEG_Compare(p, nullptr), 0);

  // Titles of the entries, joined while they fit.
  ParseMassList("91", &p->entries[0].massList);
  ParseMassList("100-110", &p->entries[1].massList);
  ParseChanList("2", &p->entries[1].chanList);
  char text[100];
  PLOT_SEG_GetPlotTitle(wf, p, text, sizeof text);
  EXPECT_STREQ(text, "Ion: 91 Merged + Ions: 100-110 2");
  PLOT_SEG_GetPlotTitle(wf, p, text, 20);
  EXPECT_STREQ(text, "Ion: 91 Merged");
  PLOT_SEG_GetPlotTitle(wf, p, text, 10);
  EXPECT_STREQ(text, "");
  FreeBlock(copy);
  FreeBlock(p);

  // No segment blocks: no segment plot.
  FreeBlock(wf->segmentBlocks);
  wf->segmentBlocks = nullptr;
  EXPECT_EQ(PLOT_SEG_Init(wf), nullptr);
  FreeSyntheticWorkFile(wf);
  EXPECT_EQ(PLOT_SEG_Init(nullptr), nullptr);
}

}  // namespace
