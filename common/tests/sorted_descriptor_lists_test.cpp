// Listing orders of descriptor arrays: by mass ranges parsed from scan
// function names, by segment, by user range, and compounds by name or time
// grouped by internal standard.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/plot_descriptors.h"
#include "descriptor_fixture.h"

namespace {

class SortedLists : public DescriptorTest {
 protected:
  void TearDown() override {
    PD_FreePDArray(array_);
    DescriptorTest::TearDown();
  }
  std::vector<int> Order(int16_t n, int16_t* indexes) {
    std::vector<int> out(indexes, indexes + (indexes ? n : 0));
    if (indexes) FreeBlock(indexes);
    return out;
  }
  static STRUCT_PLOT_DESCRIPTOR* Compound(const char* name, double time, uint32_t id, bool is, uint32_t isId,
                                          int16_t qualifier = 0) {
    STRUCT_PLOT_DESCRIPTOR* pd = MakePD(PD_KIND_METHOD, name, {}, PD_TYPE_IONS);
    std::strcpy(pd->compoundName, name);
    pd->time = time;
    pd->compoundId = id;
    pd->internalStandard = is;
    pd->internalStandardId = isId;
    pd->qualifierNumber = qualifier;
    return pd;
  }
  STRUCT_PD_ARRAY* array_ = nullptr;
};

TEST_F(SortedLists, DataFileTracesByProductParentAndSegment) {
  array_ = MakeArray(PD_KIND_DATA_FILE, {
                                            MakePD(2, "a", {{"100.0 - 101.0>50.0 - 60.0", "a", "3"}}),
                                            MakePD(2, "b", {{"90.0 - 91.0>70.0 - 80.0", "b", "1"}}),
                                            MakePD(2, "c", {{"Full scan", "c", "2"}}),
                                            MakePD(2, "d", {{"100.0 - 101.0>50.0 - 60.0", "d", "1,2"}}),
                                            MakePD(2, "tic", {}, PD_TYPE_RIC),
                                        });
  array_->pds[4]->scanFuns.entries[0].segments[0] = '1';
  int16_t* idx = nullptr;
  struct Case {
    int16_t first, second, ascending;
    std::vector<int> want;
  } cases[] = {
      // Equal ranges keep their original order; no range goes last.
      {1, 2, 1, {0, 3, 1, 4, 2}},
      {1, 2, 0, {4, 1, 0, 3, 2}},
      {2, 1, 1, {1, 0, 3, 4, 2}},
      {0, 1, 1, {3, 1, 4, 2, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << c.second << c.ascending);
    const int16_t n = PD_GetSortedDataFileIndexes(array_, c.first, c.second, c.ascending, &idx);
    EXPECT_EQ(Order(n, idx), c.want);
  }
  EXPECT_EQ(PD_GetSortedDataFileIndexes(array_, 1, 0, 1, &idx), 0);  // no second key
  // A segment list that does not begin with a number fails the segment order.
  std::strcpy(array_->pds[2]->scanFuns.entries[0].segments, "x");
  EXPECT_EQ(PD_GetSortedDataFileIndexes(array_, 0, 1, 1, &idx), 0);
  EXPECT_EQ(idx, nullptr);
}

TEST_F(SortedLists, OneMemberOrWrongKindGivesNothing) {
  array_ = MakeArray(PD_KIND_DATA_FILE, {MakePD(2, "a", {{"A", "a", "1"}})});
  int16_t* idx = reinterpret_cast<int16_t*>(1);
  EXPECT_EQ(PD_GetSortedDataFileIndexes(array_, 1, 1, 1, &idx), 0);
  EXPECT_EQ(idx, nullptr);
  EXPECT_EQ(PD_GetSortedUserIndexes(array_, 0, 0, 1, &idx), 0);
  EXPECT_EQ(PD_GetSortedCompoundIndexes(array_, 1, 0, &idx), 0);
  EXPECT_EQ(PD_GetSortedDataFileIndexes(nullptr, 1, 1, 1, &idx), 0);
}

TEST_F(SortedLists, UserPlotsByMassRange) {
  auto ranged = [](const char* name, double lo, double hi) {
    STRUCT_PLOT_DESCRIPTOR* pd = MakePD(5, name, {}, PD_TYPE_IONS);
    pd->massList.kind = MASS_LIST_RANGES;
    pd->massList.count = 1;
    pd->massList.ranges[0].low = lo;
    pd->massList.ranges[0].high = hi;
    return pd;
  };
  array_ = MakeArray(PD_KIND_USER_PLOT, {ranged("a", 91, 92), MakePD(5, "tic"), ranged("b", 50, 60),
                                         ranged("c", 91, 91), MakePD(5, "p", {{"60.0 - 61.0>20.0", "p", "1"}})});
  int16_t* idx = nullptr;
  int16_t n = PD_GetSortedUserIndexes(array_, 0, 0, 1, &idx);
  // Mass list kind + 20000 puts the RIC descriptors last.
  EXPECT_EQ(Order(n, idx), (std::vector<int>{2, 3, 0, 1, 4}));
  n = PD_GetSortedUserIndexes(array_, 1, 0, 1, &idx);
  EXPECT_EQ(Order(n, idx), (std::vector<int>{4, 1, 2, 3, 0}));
}

TEST_F(SortedLists, CompoundsByNameTimeAndInternalStandard) {
  array_ = MakeArray(PD_KIND_METHOD, {
                                         Compound("toluene", 7.0, 1, false, 11),
                                         Compound("Benzene", 5.0, 2, false, 12),
                                         Compound("IS-B", 6.0, 12, true, 0),
                                         Compound("Xylene", 9.0, 3, false, 11),
                                         Compound("IS-A", 8.0, 11, true, 0),
                                         Compound("orphan", 1.0, 4, false, 99),
                                         Compound("toluene", 7.0, 1, false, 11, 1),  // a qualifier
                                     });
  int16_t* idx = nullptr;
  int16_t n = PD_GetSortedCompoundIndexes(array_, 1, 0, &idx);
  EXPECT_EQ(Order(n, idx), (std::vector<int>{1, 4, 2, 5, 0, 3}));
  n = PD_GetSortedCompoundIndexes(array_, 0, 0, &idx);
  EXPECT_EQ(Order(n, idx), (std::vector<int>{5, 1, 2, 0, 4, 3}));
  // Grouped by time: IS-B (6.0) then its members, IS-A (8.0) then its
  // members; a compound whose standard is missing comes after all groups.
  n = PD_GetSortedCompoundIndexes(array_, 0, 1, &idx);
  EXPECT_EQ(Order(n, idx), (std::vector<int>{2, 1, 4, 0, 3, 5}));
  n = PD_GetSortedCompoundIndexes(array_, 1, 1, &idx);
  EXPECT_EQ(Order(n, idx), (std::vector<int>{4, 0, 3, 2, 1, 5}));
}

}  // namespace
