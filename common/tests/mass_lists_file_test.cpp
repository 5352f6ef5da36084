// Mass and channel lists checked against a data file's segments, scan
// functions, extra columns and method records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/mass_lists.h"
#include "common/tests/kelt_test_root.h"
#include "common/tests/synthetic_work_file.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"

namespace {

STRUCT_CHAN_LIST Chans(const char* text) {
  STRUCT_CHAN_LIST l;
  EXPECT_EQ(ParseChanList(text, &l), 1) << text;
  return l;
}

TEST(ListsOfAFile, ChannelsAgainstTheFilesScanFunctions) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {{u"A", u""}}}, {5, 9, {{u"B", u""}, {u"C", u""}, {u"D", u""}}}});
  STRUCT_CHAN_LIST three = Chans("3"), four = Chans("4");
  EXPECT_EQ(KELT_IsChanListValid(&three, wf), 1);
  EXPECT_EQ(KELT_IsChanListValid(&four, wf), 0);
  STRUCT_CHAN_LIST out;
  EXPECT_EQ(KELT_ConvertStringToChanList("1-3", wf, 0, &out), 1);
  EXPECT_EQ(KELT_ConvertStringToChanList("2+4", wf, 0, &out), 0);
  uint16_t ch = 9;
  STRUCT_CHAN_LIST run = Chans("1-2");
  EXPECT_EQ(KELT_IsOneChannelInChanList(&run, wf, &ch), 0);
  wf->mostScanFunctions = 1;  // a file of one channel: any list is one channel
  EXPECT_EQ(KELT_IsOneChannelInChanList(&run, wf, &ch), 1);
  EXPECT_EQ(ch, 0);
  FreeSyntheticWorkFile(wf);
}

TEST(ListsOfAFile, IonRangesFromDescriptions) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {{u"A", u"50.0-300.0"}, {u"B", u"SIM 91.0"}}},
                                                {5, 9,
                                                 {{u"A", u"250.0-400.0"},
                                                  {u"B", u"219.0>69.5-150.5 (70 eV)"},
                                                  {u"C", u""},
                                                  {u"D", u"600.0-700.0"}}}});
  STRUCT_MASS_LIST m;
  ASSERT_EQ(KELT_GetMassListForSegmentAndChannel(wf, 0, 0, &m), 1);
  EXPECT_EQ(+m.kind, 4u);
  EXPECT_EQ(+m.count, 1);
  EXPECT_EQ(+m.ranges[0].low, 50.0);
  EXPECT_EQ(+m.ranges[0].high, 300.0);
  EXPECT_EQ(+m.window, 0.5);
  ASSERT_EQ(KELT_GetMassListForSegmentAndChannel(wf, 1, 0, &m), 1);
  EXPECT_EQ(+m.ranges[0].low, 91.0);
  EXPECT_EQ(+m.ranges[0].high, 91.0);
  EXPECT_EQ(KELT_GetMassListForSegmentAndChannel(wf, 2, 1, &m), 0);  // empty description
  EXPECT_EQ(KELT_GetMassListForSegmentAndChannel(wf, 2, 0, &m), 0);  // no such channel
  EXPECT_EQ(KELT_GetMassListForSegmentAndChannel(wf, 0, 5, &m), 0);  // no such segment
  EXPECT_EQ(+m.kind, 0u);

  double lo = -1, hi = -1;
  ASSERT_EQ(KELT_GetIonRangeForSegmentAndChannel(wf, 1, 1, &lo, &hi), 1);
  EXPECT_EQ(lo, 69.5);  // the last pair wins; the voltage group is not read
  EXPECT_EQ(hi, 150.5);
  ASSERT_EQ(KELT_GetIonRangeForSegmentAndChannel(wf, 0, 1, &lo, &hi), 1);
  EXPECT_EQ(lo, 91.0);
  EXPECT_EQ(hi, 91.0);
  EXPECT_EQ(KELT_GetIonRangeForSegmentAndChannel(wf, 1, 2, &lo, &hi), 0);
  EXPECT_EQ(lo, 0.0);

  // Channel 1 in both segments overlaps into one range; channel 4 stays apart.
  STRUCT_CHAN_LIST l = Chans("1+4");
  uint16_t n = 0;
  double* pairs = KELT_GetIonRangesForChannelFormula(wf, &l, &n);
  ASSERT_NE(pairs, nullptr);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(pairs[0], 50.0);
  EXPECT_EQ(pairs[1], 400.0);
  EXPECT_EQ(pairs[2], 600.0);
  EXPECT_EQ(pairs[3], 700.0);
  FreeBlock(pairs);
  char text[KELT_ION_RANGES_TEXT_SIZE];
  ASSERT_EQ(KELT_GetIonRangesStringForChannelFormula(wf, &l, text), 1);
  EXPECT_STREQ(text, "50.0:400.0 600.0:700.0");
  STRUCT_CHAN_LIST merged{};
  EXPECT_EQ(KELT_GetIonRangesForChannelFormula(wf, &merged, &n), nullptr);
  EXPECT_EQ(n, 0);
  l = Chans("3");
  EXPECT_EQ(KELT_GetIonRangesStringForChannelFormula(wf, &l, text), 0);
  EXPECT_STREQ(text, "");
  FreeSyntheticWorkFile(wf);
}

TEST(ListsOfAFile, NameTableAndConversions) {
  STRUCT_WORK_FILE* wf =
      MakeSyntheticWorkFile({{1, 5, {{u"A", u""}}}}, 2, 40, 650, {u"Ion Time(uSec)", u"Pressure"});
  int16_t n = 0;
  STRUCT_MASS_LIST_NAME* rows = KELT_GetValidStringsForMassList(wf, &n);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(GetBlockSize(rows), 7 * sizeof(STRUCT_MASS_LIST_NAME));
  struct Row {
    int16_t type;
    uint32_t kind;
    const char* name;
  } want[] = {{0, 0, "RIC"},   {2, 3, "Intensity of Base Peak"}, {3, 2, "Base Peak Ion"}, {4, 1, "Ion Time"},
              {4, 5, "Ion Time(uSec)"}, {5, 6, "Pressure"}};
  ASSERT_EQ(n, 6);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(+rows[i].dataType, want[i].type) << i;
    EXPECT_EQ(+rows[i].kind, want[i].kind) << i;
    EXPECT_STREQ(rows[i].name, want[i].name) << i;
  }
  FreeBlock(rows);

  struct Case {
    const char* text;
    int16_t useFile;
    BOOL ok;
    uint32_t kind;
  } cases[] = {{"pressure", 1, 1, 6}, {"Base Peak Ion", 1, 1, 2}, {"ric", 1, 1, 0},  {"Pressure", 0, 0, 0},
               {"ric", 0, 1, 0},      {"45", 1, 1, 4},            {"35", 1, 0, 0},   {"700", 1, 0, 0}};
  for (const Case& c : cases) {
    STRUCT_MASS_LIST m;
    EXPECT_EQ(KELT_ConvertStringToMassList(c.text, wf, c.useFile, &m), c.ok) << c.text;
    EXPECT_EQ(+m.kind, c.kind) << c.text;
    EXPECT_EQ(+m.window, 0.5) << c.text;
  }
  // The type descriptor's limits; without a file the default ones.
  STRUCT_MASS_LIST m;
  EXPECT_EQ(KELT_ConvertStringToMassList("35", nullptr, 1, &m), 1);

  wf->centroid = 0;  // a detector file has no mass-list names
  EXPECT_EQ(KELT_GetValidStringsForMassList(wf, &n), nullptr);
  EXPECT_EQ(n, 0);
  FreeSyntheticWorkFile(wf);
}

class MethodSegments : public KeltRootTest {};

TEST_F(MethodSegments, FromTheMethodText) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {{u"A", u""}}}});
  CreateDirectoryA("C:\\Data", nullptr);
  ASSERT_TRUE(CreateSectionFileAtPath(wf->filePath, 1, 0, 0));
  EXPECT_EQ(KELT_HaveMSMethodSegments(wf), 0);
  DF_METHOD_SEGMENT s{1, 1.0, 5.0, 1, 1, "EI+", "Volatiles", 0.5, 0.02, 35.0, 350.0, {}};
  ASSERT_TRUE(WriteMethodSegments(wf->filePath, wf->fileType, wf->module, &s, 1));
  EXPECT_EQ(KELT_HaveMSMethodSegments(wf), 1);
  wf->module = 7;  // another module's records
  EXPECT_EQ(KELT_HaveMSMethodSegments(wf), 0);
  EXPECT_EQ(KELT_HaveMSMethodSegments(nullptr), 0);
  FreeSyntheticWorkFile(wf);
}

}  // namespace
