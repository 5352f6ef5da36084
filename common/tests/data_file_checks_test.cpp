// Channel and mass-list checks against a data file; sections by stem.
#include <cstring>
#include <string>

#include "common/data_file_checks.h"
#include "common/section_stems.h"
#include "common/tests/startup_root_fixture.h"
#include "common/tests/synthetic_work_file.h"

namespace {

STRUCT_CHAN_LIST Listed(std::initializer_list<uint16_t> firsts) {
  STRUCT_CHAN_LIST l{};
  l.kind = CHAN_LIST_LISTED;
  for (uint16_t f : firsts) {
    l.entries[l.count].low = f;
    l.entries[l.count].high = f;
    ++l.count;
  }
  return l;
}

class DataFileChecksTest : public ::testing::Test {
 protected:
  bool ForScan(std::initializer_list<uint16_t> firsts) {
    const STRUCT_CHAN_LIST l = Listed(firsts);
    return KELT_IsChanListValidForScanFun(wf_, &l) != 0;
  }
  bool InSegment(std::initializer_list<uint16_t> firsts, int16_t segment) {
    const STRUCT_CHAN_LIST l = Listed(firsts);
    return KELT_IsChanListValidInSegment(wf_, &l, segment) != 0;
  }
  void SetUp() override {
    wf_ = MakeSyntheticWorkFile({{0, 5, {{u"A", u""}, {u"B", u""}, {u"C", u""}}}, {5, 10, {{u"D", u""}}}}, 1, 10,
                                1000, {u"Pressure", u"Temp"});
  }
  void TearDown() override { FreeSyntheticWorkFile(wf_); }
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(DataFileChecksTest, ChannelLists) {
  STRUCT_CHAN_LIST merged{}, ignored{}, odd{};
  ignored.kind = CHAN_LIST_IGNORED;
  odd.kind = 7;
  EXPECT_TRUE(KELT_IsChanListValidForScanFun(wf_, &merged));
  EXPECT_TRUE(KELT_IsChanListValidForScanFun(wf_, &ignored));
  EXPECT_FALSE(KELT_IsChanListValidForScanFun(wf_, &odd));
  EXPECT_TRUE(ForScan({7, 2}));
  EXPECT_FALSE(ForScan({3, 4}));
  EXPECT_FALSE(ForScan({}));
  // One to nine entries; ten are refused whatever the channels.
  EXPECT_TRUE(ForScan({0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(ForScan({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(InSegment({0, 0, 0, 0, 0, 0, 0, 0, 0}, 0));
  EXPECT_FALSE(InSegment({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0));
  STRUCT_CHAN_LIST overfull = Listed({0});
  overfull.count = 11;
  EXPECT_FALSE(KELT_IsChanListValidForScanFun(wf_, &overfull));

  EXPECT_TRUE(InSegment({2}, 0));
  EXPECT_FALSE(InSegment({2}, 1));
  EXPECT_FALSE(InSegment({0}, 2));
  EXPECT_FALSE(InSegment({0}, -1));
  EXPECT_TRUE(KELT_IsChanListValidInSegment(wf_, &merged, 9));
  EXPECT_FALSE(KELT_IsChanListValidForScanFun(nullptr, &merged));
  EXPECT_FALSE(KELT_IsChannelIndexValid(wf_, 0));  // no detector channels
}

TEST_F(DataFileChecksTest, MassListsAgainstDataTypes) {
  struct Case {
    int16_t type;
    uint32_t kind;
    bool valid;
  } cases[] = {
      {0, MASS_LIST_TOTAL_ION, true},       {0, MASS_LIST_RANGES, false},
      {2, MASS_LIST_BASE_PEAK_ION, false},  {2, MASS_LIST_BASE_PEAK_INTENSITY, true},
      {3, MASS_LIST_BASE_PEAK_ION, true},   {1, MASS_LIST_RANGES, true},
      {4, 5, true},                          {5, 6, true},
      {6, 7, false},                         {4, 6, false},
      {18, 19, false},                       {100, 0, false},
      {-1, 0, false},
  };
  for (const auto& c : cases) {
    STRUCT_MASS_LIST l{};
    l.kind = c.kind;
    if (c.kind == MASS_LIST_RANGES) {
      l.count = 1;
      l.ranges[0].low = 90;
      l.ranges[0].high = 92;
    }
    EXPECT_EQ(KELT_IsMassListValidForDataType(wf_, c.type, &l) != 0, c.valid) << c.type << " " << c.kind;
  }
  STRUCT_MASS_LIST backwards{};
  backwards.kind = MASS_LIST_RANGES;
  backwards.count = 1;
  backwards.ranges[0].low = 92;
  backwards.ranges[0].high = 90;
  EXPECT_FALSE(KELT_IsMassListValidForDataType(wf_, 1, &backwards));
  backwards.count = 11;
  EXPECT_FALSE(KELT_IsMassListValidForDataType(wf_, 1, &backwards));
}

using SectionStemsTest = StartupRootTest;

TEST_F(SectionStemsTest, SectionsFoundByStem) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({});
  struct Free {
    STRUCT_WORK_FILE* wf;
    ~Free() { FreeSyntheticWorkFile(wf); }
  } freeLater{wf};
  std::filesystem::create_directories(Host("C:\\Data"));
  ASSERT_TRUE(CreateSectionFileAtPath(wf->filePath, 777, 0, 1));
  for (const char* name : {"EventMarkLog.0017.0002.1", "EventMarkLog.0017.0001.1", "EventMarkLog.9",
                           "SamplePrep.0014.0001", "eventmarklog.0017.0003.1", "Other"}) {
    HSECTION s = CreateSection(wf->filePath, name, nullptr);
    ASSERT_NE(s, nullptr);
    WriteSection(s, name, static_cast<uint32_t>(std::strlen(name)));
    CloseSection(s);
  }
  char name[80] = "x";
  EXPECT_EQ(KELT_GetSectionNameFromStem(wf->filePath, "SamplePrep", name), 1);
  EXPECT_STREQ(name, "SamplePrep.0014.0001");
  EXPECT_EQ(KELT_GetSectionNameFromStem(wf->filePath, "Nothing", name), 0);
  EXPECT_STREQ(name, "");
  // The stem is compared with case; the count takes every match.
  EXPECT_EQ(KELT_GetSectionNameFromStem(wf->filePath, "EventMarkLog", name), 3);

  // Only names that carry a module id and address become entries.
  STRUCT_SECTION_ARRAY* a = KELT_GetSectionsFromStem(wf->filePath, "EventMarkLog");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, 2);
  EXPECT_STREQ(a->entries[0].name, "EventMarkLog.0017.0001.1");
  EXPECT_STREQ(a->entries[1].name, "EventMarkLog.0017.0002.1");
  EXPECT_EQ(a->entries[1].moduleId, 0x17);
  EXPECT_EQ(a->entries[1].moduleAddress, 2);
  EXPECT_EQ(a->title[0], 0);
  KELT_FreeSectionArray(a);
  // Matches that carry no module give an empty array, not none.
  a = KELT_GetSectionsFromStem(wf->filePath, "Other");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->count, 0);
  KELT_FreeSectionArray(a);
  EXPECT_EQ(KELT_GetSectionsFromStem(wf->filePath, "Nothing"), nullptr);
  std::strcpy(wf->filePath, "C:\\Data\\missing.ms");
  EXPECT_EQ(KELT_GetSectionsFromStem(wf->filePath, "EventMarkLog"), nullptr);
  EXPECT_EQ(KELT_GetSectionNameFromStem(wf->filePath, "SamplePrep", name), 0);
  KELT_FreeSectionArray(nullptr);
}

}  // namespace
