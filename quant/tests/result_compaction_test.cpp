// Unknown-peak filters (which steps each marks) and the compaction of the
// results, qualifier and TIC sections.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/result_compaction.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;

constexpr char kCache[] = "C:\\Data\\CACHE.KMS";

STRUCT_RESULT_STEP Step(int32_t kind, float value, uint16_t flags = 0, int32_t number = -1) {
  STRUCT_RESULT_STEP s;
  std::memset(&s, 0, sizeof s);
  s.kind = kind;
  s.amount = value;
  s.area = value;
  s.height = value / 10;
  s.flags = flags;
  s.compoundNumber = number;
  s.retentionTime = 5.0f + value / 100.0f;
  s.startTime = s.retentionTime - 0.02f;
  s.endTime = s.retentionTime + 0.02f;
  s.ticIndex = -1;
  std::snprintf(s.name, sizeof s.name, "step %g", double(value));
  return s;
}

// Two compound steps, then peaks of values 100, 80 (a duplicate), 50, 10,
// 5 and a standard's peak of value 1.
std::vector<STRUCT_RESULT_STEP> Sample() {
  return {Step(RESULT_KIND_IDENTIFIED, 1000, 0x100, 1), Step(RESULT_KIND_IDENTIFIED, 300, 0, 2),
          Step(RESULT_KIND_UNKNOWN, 100),  Step(RESULT_KIND_DUPLICATE, 80), Step(RESULT_KIND_UNKNOWN, 50),
          Step(RESULT_KIND_TIC, 10),      Step(RESULT_KIND_UNKNOWN, 5),    Step(RESULT_KIND_UNKNOWN, 1, 0x100)};
}

class ResultCompactionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
  }
  static void Write(const char* file, const std::vector<STRUCT_RESULT_STEP>& steps) {
    if (!FileExists(file)) {
      ASSERT_TRUE(CreateSectionFileAtPath(file, 777, 0, 1));
    }
    HSECTION s = CreateTolResults(file, 0);
    ASSERT_NE(s, nullptr);
    STRUCT_RESULTS_HEADER h;
    std::memset(&h, 0, sizeof h);
    h.version = RESULTS_FORMAT_VERSION;
    h.responseBasis = 1;
    for (const auto& st : steps) AddResultKindCount(&h, st.kind % RESULT_KIND_REMOVED, 1);
    ASSERT_TRUE(WriteTolResults(s, &h));
    for (size_t i = 0; i < steps.size(); ++i) ASSERT_TRUE(WriteTolResultStep(s, uint16_t(i), &steps[i]));
    CloseSection(s);
  }
  static std::vector<STRUCT_RESULT_STEP> Read(const char* file, STRUCT_RESULTS_HEADER* h) {
    std::vector<STRUCT_RESULT_STEP> out;
    HSECTION s = OpenTolResultsReadOnly(file);
    if (!s) return out;
    ReadTolResults(s, h);
    for (int32_t i = 0; i < CountTolResultSteps(s); ++i) {
      STRUCT_RESULT_STEP st;
      ReadTolResultStep(s, uint16_t(i), &st);
      out.push_back(st);
    }
    CloseSection(s);
    return out;
  }
  // Values of the steps a filter marked.
  static std::set<float> Marked(const std::vector<STRUCT_RESULT_STEP>& steps) {
    std::set<float> out;
    for (const auto& s : steps)
      if (s.kind >= RESULT_KIND_REMOVED) out.insert(+s.amount);
    return out;
  }
};

TEST_F(ResultCompactionTest, EachFilterMarksItsSteps) {
  struct Case {
    const char* name;
    int32_t kind;
    int16_t threshold;  // tenths of a percent, thousandths, or N
    bool removeIdentified, byStandards;
    std::set<float> marked;
  };
  const Case cases[] = {
      {"10 % of the largest", UNKNOWN_FILTER_PERCENT, 100, false, true, {10, 5}},
      {"10 % and duplicates", UNKNOWN_FILTER_PERCENT, 100, true, true, {80, 10, 5}},
      {"10 %, standards not needed", UNKNOWN_FILTER_PERCENT, 100, false, false, {10, 5, 1}},
      {"largest 2", UNKNOWN_FILTER_LARGEST_N, 2, false, true, {50, 10, 5}},
      {"largest 2 without duplicates", UNKNOWN_FILTER_LARGEST_N, 2, true, true, {80, 10, 5}},
      {"largest 20: threshold 0", UNKNOWN_FILTER_LARGEST_N, 20, false, true, {}},
      {"largest 20 and duplicates", UNKNOWN_FILTER_LARGEST_N, 20, true, true, {80}},
      {"5 % of the nearest standard", UNKNOWN_FILTER_NEAREST_IS, 50, false, true, {10, 5}},
      {"identified only, kept", 0, 0, false, true, {}},
      {"identified only", 0, 0, true, true, {80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(kData, Sample());
    STRUCT_DH_GLOBAL_PARAMS g;
    InitGlobalParams(&g);
    g.unknownFilterKind = c.kind;
    g.filterPercentTenths = g.filterIsThousandths = g.filterLargestCount = c.threshold;
    g.removeIdentifiedUnknowns = c.removeIdentified;
    g.unknownQuantKind = c.byStandards ? 0 : 2;
    STRUCT_ACTIVE_IS_TABLE table;
    std::memset(&table, 0, sizeof table);
    table.count = 1;
    table.entries[0].area = 1000;
    table.entries[0].height = 100;
    table.entries[0].compoundNumber = 1;
    table.entries[0].retentionTime = 5.5f;
    HSECTION s = OpenTolResults(kData);
    ASSERT_NE(s, nullptr);
    STRUCT_RESULTS_HEADER h;
    ASSERT_TRUE(ReadTolResults(s, &h));
    EXPECT_EQ(ApplyUnknownPeakFilter(s, &h, &g, &table), int32_t(c.marked.size()));
    CloseSection(s);
    const auto steps = Read(kData, &h);
    EXPECT_EQ(Marked(steps), c.marked);
    // Compound steps are never marked; a peak dropped for its standard names it.
    EXPECT_LT(+steps[0].kind, RESULT_KIND_REMOVED);
    EXPECT_LT(+steps[1].kind, RESULT_KIND_REMOVED);
    if (c.kind == UNKNOWN_FILTER_NEAREST_IS)
      for (const auto& st : steps)
        if (st.kind >= RESULT_KIND_REMOVED) {
          EXPECT_EQ(+st.standardNumber, 1);
        }
  }
}

// The standard's own peak goes only when no other unknown peak is left.
TEST_F(ResultCompactionTest, AStandardsPeakStaysWhileUnknownsRemain) {
  Write(kData, {Step(RESULT_KIND_IDENTIFIED, 1000, 0x100, 1), Step(RESULT_KIND_DUPLICATE, 1, 0x100)});
  HSECTION s = OpenTolResults(kData);
  STRUCT_RESULTS_HEADER h;
  ASSERT_TRUE(ReadTolResults(s, &h));
  EXPECT_EQ(FilterIdentifiedUnknowns(s, &h, TRUE, TRUE), 1);
  CloseSection(s);
  Write(kData, {Step(RESULT_KIND_IDENTIFIED, 1000, 0x100, 1), Step(RESULT_KIND_UNKNOWN, 50),
                Step(RESULT_KIND_DUPLICATE, 1, 0x100)});
  s = OpenTolResults(kData);
  ASSERT_TRUE(ReadTolResults(s, &h));
  EXPECT_EQ(FilterIdentifiedUnknowns(s, &h, TRUE, TRUE), 0);
  EXPECT_EQ(FilterIdentifiedUnknowns(s, &h, TRUE, FALSE), 1);
  CloseSection(s);
}

TEST_F(ResultCompactionTest, CompactionKeepsOrderAndCountsAndLinksTICRecords) {
  std::vector<STRUCT_RESULT_STEP> steps = Sample();
  steps[1].kind += RESULT_KIND_REMOVED;  // a compound dropped
  steps[4].kind += RESULT_KIND_REMOVED;  // the peak of value 50
  // Peaks of values 100, 50 and 10 have TIC records, in order.
  steps[2].ticIndex = 0;
  steps[4].ticIndex = 1;
  steps[5].ticIndex = 2;
  Write(kCache, steps);
  NewDataFile();
  const std::vector<uint8_t> a = PeakBytes(2, {{"Alpha", 1, {{41, 999}}}});
  const std::vector<uint8_t> b = PeakBytes(4, {{"Beta", 2, {{43, 500}}}});
  const std::vector<uint8_t> c = PeakBytes(5, {{"Gamma", 3, {{57, 999}, {71, 300}}}});
  std::vector<uint8_t> tics = a;
  tics.insert(tics.end(), b.begin(), b.end());
  tics.insert(tics.end(), c.begin(), c.end());
  Put(TICS_SECTION, tics);
  ASSERT_TRUE(CompactResults(kData, kCache, 2, nullptr));
  STRUCT_RESULTS_HEADER h;
  const auto out = Read(kData, &h);
  ASSERT_EQ(out.size(), 6u);
  const float order[] = {1000, 100, 80, 10, 5, 1};
  for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(+out[i].amount, order[i]) << i;
  EXPECT_EQ(+h.countIdentified, 1);
  EXPECT_EQ(+h.countUnknown, 3);
  EXPECT_EQ(+h.countDuplicate, 1);
  EXPECT_EQ(+h.countTIC, 1);
  EXPECT_EQ(+out[0].stepIndex, 0);
  EXPECT_EQ(+out[1].stepIndex, -1);
  // The peaks with TIC records take the records in order (the compaction
  // does not skip the record of a dropped peak: that is for the TIC pass).
  EXPECT_EQ(+out[1].ticPeakOffset, 0u);
  EXPECT_EQ(+out[1].ticHitOffset, uint32_t(TIC_PEAK_HEAD_SIZE));
  EXPECT_EQ(+out[3].ticPeakOffset, uint32_t(a.size()));
  EXPECT_EQ(+out[3].ticNumber, 1);
}

TEST_F(ResultCompactionTest, WithoutTICRecordsAnEmptySectionIsMade) {
  std::vector<STRUCT_RESULT_STEP> steps = Sample();
  for (auto& s : steps) s.ticIndex = 3;
  Write(kCache, steps);
  NewDataFile();
  ASSERT_TRUE(CompactResults(kData, kCache, 2, nullptr));
  EXPECT_TRUE(SectionExists(kData, TICS_SECTION));
  EXPECT_TRUE(Bytes(TICS_SECTION).empty());
  STRUCT_RESULTS_HEADER h;
  for (const auto& s : Read(kData, &h)) {
    EXPECT_EQ(+s.ticPeakOffset, 0u);
    EXPECT_EQ(+s.ticHitOffset, 0u);
  }
}

TEST_F(ResultCompactionTest, QualifiersAndTICRecordsFollowTheKeptSteps) {
  std::vector<STRUCT_RESULT_STEP> steps = {Step(RESULT_KIND_IDENTIFIED, 1000, 0, 1),
                                           Step(RESULT_KIND_MISSING + RESULT_KIND_REMOVED, 0, 0, 2),
                                           Step(RESULT_KIND_IDENTIFIED, 300, 0, 3), Step(RESULT_KIND_TIC, 100),
                                           Step(RESULT_KIND_TIC + RESULT_KIND_REMOVED, 50), Step(RESULT_KIND_TIC, 10)};
  steps[3].ticIndex = 0;
  steps[4].ticIndex = 1;
  steps[5].ticIndex = 2;
  Write(kCache, steps);
  NewDataFile();
  std::vector<uint8_t> qualifiers;
  for (int32_t n : {1, 2, 3}) {
    STRUCT_QUALIFIER_RECORD q;
    std::memset(&q, 0, sizeof q);
    q.compoundNumber = n;
    const auto* p = reinterpret_cast<const uint8_t*>(&q);
    qualifiers.insert(qualifiers.end(), p, p + sizeof q);
  }
  Put(QUALIFIERS_SECTION, qualifiers);
  std::vector<uint8_t> tics;
  for (const char* name : {"Alpha", "Beta", "Gamma"}) {
    const auto p = PeakBytes(0, {{name, 1, {{41, 999}}}});
    tics.insert(tics.end(), p.begin(), p.end());
  }
  Put(TICS_SECTION, tics);
  ASSERT_TRUE(CompactAllSections(kData, kCache, 3));
  const std::vector<uint8_t> q = Bytes(QUALIFIERS_SECTION);
  ASSERT_EQ(q.size(), 2u * QUALIFIER_RECORD_SIZE);
  int32_t second = 0;
  std::memcpy(&second, &q[QUALIFIER_RECORD_SIZE], 4);
  EXPECT_EQ(second, 3);
  HSECTION t = OpenTICDataReadOnly(kData);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(CountTICUnknowns(t), 2);
  STRUCT_TIC_HIT* hit = GetTICHitRecord(t, 1, 0);
  ASSERT_NE(hit, nullptr);
  EXPECT_STREQ(hit->compoundName, "Gamma");
  FreeTICHitRecord(hit);
  STRUCT_TIC_PEAK* peak = GetTICPeak(t, 1);
  ASSERT_NE(peak, nullptr);
  EXPECT_EQ(+peak->stepIndex, 3 + 1);  // the second kept peak after the three compound steps
  FreeTICPeak(peak);
  CloseSection(t);
  STRUCT_RESULTS_HEADER h;
  EXPECT_EQ(Read(kData, &h).size(), 4u);
}

// Qualifier records that do not pair with the compound steps cannot be
// compacted: the data file keeps them.
TEST_F(ResultCompactionTest, QualifiersOfAnotherCountAreKept) {
  Write(kCache, {Step(RESULT_KIND_IDENTIFIED, 1000, 0, 1), Step(RESULT_KIND_MISSING + RESULT_KIND_REMOVED, 0, 0, 2)});
  NewDataFile();
  const std::vector<uint8_t> one(QUALIFIER_RECORD_SIZE, 7);
  Put(QUALIFIERS_SECTION, one);
  EXPECT_FALSE(CompactQualifiers(kData, kCache, 2));
  EXPECT_EQ(Bytes(QUALIFIERS_SECTION), one);
  EXPECT_EQ(std::filesystem::is_empty(win::paths::ToHost("C:\\TEMP")), true);
}

TEST_F(ResultCompactionTest, TheStandardsTableFollowsTheNewPeakIndexes) {
  std::vector<STRUCT_RESULT_STEP> steps = {Step(RESULT_KIND_IDENTIFIED, 1000, 0x100, 1),
                                           Step(RESULT_KIND_IDENTIFIED, 400, 0x100, 2), Step(RESULT_KIND_UNKNOWN, 20),
                                           Step(RESULT_KIND_UNKNOWN, 1000),  // the first standard's peak
                                           Step(RESULT_KIND_UNKNOWN + RESULT_KIND_REMOVED, 400)};  // the second's, dropped
  steps[3].retentionTime = steps[0].retentionTime;
  steps[4].retentionTime = steps[1].retentionTime;
  Write(kCache, steps);
  NewDataFile();
  STRUCT_ACTIVE_IS_TABLE table;
  std::memset(&table, 0, sizeof table);
  table.count = 2;
  table.entries[0].compoundNumber = 1;
  table.entries[0].stepIndex = 3;
  table.entries[1].compoundNumber = 2;
  table.entries[1].stepIndex = 4;
  ASSERT_TRUE(CompactResults(kData, kCache, 2, &table));
  ASSERT_EQ(+table.count, 1);
  EXPECT_EQ(+table.entries[0].compoundNumber, 1);
  EXPECT_EQ(+table.entries[0].stepIndex, 3);
}

}  // namespace
