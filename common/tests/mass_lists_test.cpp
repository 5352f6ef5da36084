// Mass and channel lists: record bytes, text conversions, checks, unions,
// plot selections and the results tests of a data file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/edit_field_helpers.h"
#include "common/ion_formula_status.h"
#include "common/mass_lists.h"
#include "common/segment_plots.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "quorna/quorna.h"

namespace {

template <class T>
std::vector<uint8_t> Bytes(const T& r) {
  const auto* p = reinterpret_cast<const uint8_t*>(&r);
  return std::vector<uint8_t>(p, p + sizeof r);
}

void Put(std::vector<uint8_t>& b, size_t at, const void* v, size_t n) { std::memcpy(b.data() + at, v, n); }

std::string ChanText(const STRUCT_CHAN_LIST& l) {
  char buf[200];
  FormatChanList(buf, &l);
  return buf;
}

std::string MassText(const STRUCT_MASS_LIST& l) {
  char buf[400];
  FormatMassListText(buf, &l, 2);
  return buf;
}

STRUCT_CHAN_LIST Chans(const char* text) {
  STRUCT_CHAN_LIST l;
  EXPECT_EQ(ParseChanList(text, &l), 1) << text;
  return l;
}

STRUCT_MASS_LIST Masses(const char* text) {
  STRUCT_MASS_LIST l;
  EXPECT_EQ(ParseMassList(text, &l), 1) << text;
  return l;
}

TEST(MassListRecord, GoldenBytes) {
  STRUCT_MASS_LIST ric;
  std::memset(&ric, 0xAA, sizeof ric);
  KELT_InitRICMassList(&ric);
  std::vector<uint8_t> want(214, 0);
  const double half = 0.5;
  Put(want, 206, &half, 8);
  EXPECT_EQ(Bytes(ric), want);

  STRUCT_MASS_LIST ions;
  ASSERT_EQ(KELT_ConvertStringToMassList2("91+100:110", nullptr, &ions), 1);
  want.assign(214, 0);
  const uint32_t kind = 4;
  const uint16_t count = 2;
  const double v91 = 91, v100 = 100, v110 = 110;
  Put(want, 0, &kind, 4);
  Put(want, 4, &count, 2);
  Put(want, 10, &v91, 8);
  Put(want, 18, &v91, 8);
  Put(want, 30, &v100, 8);
  Put(want, 38, &v110, 8);
  Put(want, 206, &half, 8);
  EXPECT_EQ(Bytes(ions), want);
}

TEST(ChanListRecord, GoldenBytes) {
  STRUCT_CHAN_LIST l;
  std::memset(&l, 0xAA, sizeof l);
  KELT_InitIgnoredChanList(&l);
  std::vector<uint8_t> want(86, 0);
  want[0] = 2;
  EXPECT_EQ(Bytes(l), want);

  ASSERT_EQ(KELT_ConvertStringToChanList("2+4:6", nullptr, 0, &l), 1);
  want.assign(86, 0);
  want[0] = 1;
  want[4] = 2;
  want[10] = 1, want[12] = 1;  // channel 2 stored as 1
  want[18] = 3, want[20] = 5;  // channels 4..6 stored as 3..5
  EXPECT_EQ(Bytes(l), want);

  KELT_InitMergedChanList(&l);
  EXPECT_EQ(Bytes(l), std::vector<uint8_t>(86, 0));
}

TEST(MassListDataTypes, BothWays) {
  struct Case {
    int16_t type;
    uint32_t kind;
  } cases[] = {{0, 0}, {2, 3}, {3, 2}, {4, 5}, {6, 7}};
  STRUCT_MASS_LIST source = Masses("91+92");
  source.window = 0;  // not above 0 counts as 0.5
  for (const Case& c : cases) {
    STRUCT_MASS_LIST out;
    std::memset(&out, 0x55, sizeof out);
    KELT_ParseDataTypeIntoMassList(c.type, &source, &out);
    EXPECT_EQ(+out.kind, c.kind) << c.type;
    EXPECT_EQ(+out.window, 0.5) << c.type;
    EXPECT_EQ(KELT_GetDataTypeFromMassType(out.kind), c.type) << c.type;
  }
  STRUCT_MASS_LIST out;
  KELT_ParseDataTypeIntoMassList(1, &source, &out);
  EXPECT_EQ(+out.count, 2);
  EXPECT_EQ(+out.window, 0.5);
  KELT_ParseDataTypeIntoMassList(6, &source, &out);
  EXPECT_EQ(+out.count, 1);
  EXPECT_EQ(+out.ranges[0].low, 2.0);
  // In place.
  KELT_ParseDataTypeIntoMassList(1, &source, &source);
  EXPECT_EQ(+source.count, 2);
  EXPECT_EQ(KELT_GetDataTypeFromMassType(1), 4);
  EXPECT_EQ(KELT_GetDataTypeFromMassType(4), 1);
}

TEST(MassListText, ConvertsValidAndRefusesMalformed) {
  struct Case {
    const char* text;
    BOOL ok;
    uint32_t kind;
    uint16_t count;
  } cases[] = {
      {"RIC", 1, 0, 0},
      {"ric", 1, 0, 0},
      {"rIc", 1, 0, 0},
      {"91", 1, 4, 1},
      {"40:60+91", 1, 4, 2},
      {"50-550", 1, 4, 1},
      {"1+2+3+4+5+6+7+8+9+10", 0, 0, 0},  // below the lowest ion 10
      {"11+12+13+14+15+16+17+18+19+20", 1, 4, 10},
      {"11+12+13+14+15+16+17+18+19+20+21", 0, 0, 0},  // too many ranges
      {"", 0, 0, 0},
      {"5", 0, 0, 0},
      {"20000", 0, 0, 0},
      {"91+", 0, 0, 0},
      {"abc", 0, 0, 0},
      {"Base Peak Ion", 0, 0, 0},  // names need a data file
      {"60:40", 0, 0, 0},
  };
  for (const Case& c : cases) {
    STRUCT_MASS_LIST out;
    std::memset(&out, 0x55, sizeof out);
    EXPECT_EQ(KELT_ConvertStringToMassList2(c.text, nullptr, &out), c.ok) << c.text;
    EXPECT_EQ(+out.kind, c.kind) << c.text;
    EXPECT_EQ(+out.count, c.count) << c.text;
    EXPECT_EQ(+out.window, 0.5) << c.text;
    STRUCT_MASS_LIST out2;
    EXPECT_EQ(KELT_ConvertStringToMassList(c.text, nullptr, 0, &out2), c.ok) << c.text;
    EXPECT_EQ(std::memcmp(&out, &out2, sizeof out), 0) << c.text;
  }
  STRUCT_MASS_LIST out;
  EXPECT_EQ(KELT_ConvertStringToMassList2(nullptr, nullptr, &out), 0);
  EXPECT_EQ(KELT_ConvertStringToMassList2("91", nullptr, nullptr), 0);

  // Limits of a file type: a u16, then the lowest and highest mass.
  uint8_t limits[42] = {};
  const double lo = 50, hi = 650;
  std::memcpy(limits + 2, &lo, 8);
  std::memcpy(limits + 10, &hi, 8);
  EXPECT_EQ(KELT_ConvertStringToMassList2("45", limits, &out), 0);
  EXPECT_EQ(KELT_ConvertStringToMassList2("700", limits, &out), 0);
  EXPECT_EQ(KELT_ConvertStringToMassList2("69+600", limits, &out), 1);
  std::memset(limits + 10, 0, 8);  // one limit unknown: the default limits
  EXPECT_EQ(KELT_ConvertStringToMassList2("45", limits, &out), 1);
}

TEST(ChanListText, ConvertsValidAndRefusesMalformed) {
  struct Case {
    const char* text;
    int16_t allowAll;
    BOOL ok;
    uint32_t kind;
    const char* canonical;
  } cases[] = {
      {"Merged", 0, 1, 0, "Merged"},
      {"merged", 0, 1, 0, "Merged"},
      {"all", 1, 1, 2, "All"},
      {"ALL", 0, 0, 0, ""},
      {"1", 0, 1, 1, "1"},
      {"2:6+8", 0, 1, 1, "2-6+8"},
      {"1+2+3+4+5+6+7+8+9+10", 0, 1, 1, "1+2+3+4+5+6+7+8+9+10"},
      {"1+2+3+4+5+6+7+8+9+10+11", 0, 0, 0, ""},
      {"4+4", 0, 0, 0, ""},
      {"2:6+5", 0, 0, 0, ""},
      {"0", 0, 0, 0, ""},
      {"256", 0, 0, 0, ""},  // beyond any segment's scan functions
      {"", 0, 0, 0, ""},
      {"1+", 0, 0, 0, ""},
      {"x", 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    STRUCT_CHAN_LIST out;
    std::memset(&out, 0x55, sizeof out);
    EXPECT_EQ(KELT_ConvertStringToChanList(c.text, nullptr, c.allowAll, &out), c.ok) << c.text;
    EXPECT_EQ(+out.kind, c.kind) << c.text;
    if (c.ok) EXPECT_EQ(ChanText(out), c.canonical) << c.text;
    else EXPECT_EQ(+out.count, 0) << c.text;
  }
}

TEST(ChanListChecks, ValidityAndEquivalence) {
  STRUCT_CHAN_LIST l = Chans("1+3-4");
  EXPECT_EQ(KELT_IsChanListValid(&l, nullptr), 1);
  STRUCT_CHAN_LIST shared = l;
  shared.entries[1].low = 0;  // channels 1..4 overlap channel 1
  EXPECT_EQ(KELT_IsChanListValid(&shared, nullptr), 0);
  STRUCT_CHAN_LIST reserved = l;
  reserved.entries[0].reserved = 1;
  EXPECT_EQ(KELT_IsChanListValid(&reserved, nullptr), 0);
  STRUCT_CHAN_LIST backwards = l;
  backwards.entries[1].low = 5;
  EXPECT_EQ(KELT_IsChanListValid(&backwards, nullptr), 0);
  STRUCT_CHAN_LIST empty{};
  empty.kind = CHAN_LIST_LISTED;
  EXPECT_EQ(KELT_IsChanListValid(&empty, nullptr), 0);
  STRUCT_CHAN_LIST tooMany = l;
  tooMany.count = 11;
  EXPECT_EQ(KELT_IsChanListValid(&tooMany, nullptr), 0);
  STRUCT_CHAN_LIST odd{};
  odd.kind = 3;
  EXPECT_EQ(KELT_IsChanListValid(&odd, nullptr), 0);

  STRUCT_CHAN_LIST merged, ignored;
  KELT_InitMergedChanList(&merged);
  KELT_InitIgnoredChanList(&ignored);
  EXPECT_EQ(KELT_IsChanListValid(&merged, nullptr), 1);
  EXPECT_EQ(KELT_IsChanListValid(&ignored, nullptr), 1);
  STRUCT_CHAN_LIST one = Chans("1"), two = Chans("2");
  EXPECT_EQ(KELT_IsEquivalentChanList(&merged, &one, nullptr), 1);
  EXPECT_EQ(KELT_IsEquivalentChanList(&one, &merged, nullptr), 1);
  EXPECT_EQ(KELT_IsEquivalentChanList(&merged, &two, nullptr), 0);
  EXPECT_EQ(KELT_IsEquivalentChanList(&merged, &ignored, nullptr), 0);
  EXPECT_EQ(KELT_IsSameChanList(&one, &one), 1);
  EXPECT_EQ(KELT_IsSameChanList(&one, &two), 0);

  uint16_t channel = 99;
  EXPECT_EQ(KELT_IsOneChannelInChanList(&two, nullptr, &channel), 1);
  EXPECT_EQ(channel, 1);
  STRUCT_CHAN_LIST run = Chans("2-3");
  EXPECT_EQ(KELT_IsOneChannelInChanList(&run, nullptr, &channel), 0);
  EXPECT_EQ(channel, 0);
  EXPECT_EQ(KELT_IsOneChannelInChanList(&merged, nullptr, &channel), 0);
}

TEST(MassListChecks, ComparisonsLeaveTheirInputsAlone) {
  STRUCT_MASS_LIST a = Masses("91+100-110"), b = a;
  a.window = 0;
  b.window = 0.5;
  EXPECT_EQ(KELT_IsSameMassList(&a, &b), 1);
  EXPECT_EQ(+a.window, 0.0);
  b.window = 0.3;
  EXPECT_EQ(KELT_IsSameMassList(&a, &b), 0);
  EXPECT_EQ(KELT_IsCloseEnoughMassList(&a, &b), 1);
  EXPECT_EQ(+a.window, 0.0);

  STRUCT_MASS_LIST c = Masses("91.5+100.5-109.5");
  EXPECT_EQ(KELT_IsCloseEnoughMassList(&a, &c), 1);  // 0.5 itself is close enough
  c.ranges[1].high = 109.4;
  EXPECT_EQ(KELT_IsCloseEnoughMassList(&a, &c), 0);
  STRUCT_MASS_LIST d = Masses("91");
  EXPECT_EQ(KELT_IsCloseEnoughMassList(&a, &d), 0);
  STRUCT_MASS_LIST ric1, ric2;
  KELT_InitRICMassList(&ric1);
  KELT_InitRICMassList(&ric2);
  ric2.window = 2;
  EXPECT_EQ(KELT_IsCloseEnoughMassList(&ric1, &ric2), 1);
  EXPECT_EQ(KELT_IsCloseEnoughMassList(&ric1, &a), 0);

  EXPECT_EQ(KELT_IsMassListValid(&a, nullptr), 1);
  STRUCT_MASS_LIST bad = a;
  bad.ranges[0].low = 200;  // above its high
  EXPECT_EQ(KELT_IsMassListValid(&bad, nullptr), 0);
  bad = a;
  bad.count = 11;
  EXPECT_EQ(KELT_IsMassListValid(&bad, nullptr), 0);
  EXPECT_EQ(KELT_IsMassListValid(&ric1, nullptr), 1);
}

TEST(ListUnions, MassRangesMergeOrAppend) {
  struct Case {
    const char* a;
    const char* b;
    BOOL ok;
    const char* sum;
  } cases[] = {
      {"100-110", "95-105", 1, "95.00-110.00"},      // overlaps the low end
      {"100-110", "105-120", 1, "100.00-120.00"},    // overlaps the high end
      {"100-110", "102-104", 1, "100.00-110.00"},    // inside
      {"100-110", "90-120", 1, "90.00-120.00"},      // over both ends
      {"100-110", "50+200", 1, "100.00-110.00+50.00+200.00"},
      {"11+12+13+14+15+16+17+18+19", "30", 1, "11.00+12.00+13.00+14.00+15.00+16.00+17.00+18.00+19.00+30.00"},
      {"11+12+13+14+15+16+17+18+19", "30+40", 0, ""},  // an 11th range
      {"11+12+13+14+15+16+17+18+19+20", "12", 0, ""},  // a already full
  };
  for (const Case& c : cases) {
    STRUCT_MASS_LIST a = Masses(c.a), b = Masses(c.b), out;
    std::memset(&out, 0x55, sizeof out);
    EXPECT_EQ(KELT_AddMassListToMassList(&a, &b, &out), c.ok) << c.a << " + " << c.b;
    if (c.ok) EXPECT_EQ(MassText(out), c.sum) << c.a << " + " << c.b;
    else EXPECT_EQ(Bytes(out), std::vector<uint8_t>(214, 0));
  }
  STRUCT_MASS_LIST ric, ions = Masses("91"), out;
  KELT_InitRICMassList(&ric);
  EXPECT_EQ(KELT_AddMassListToMassList(&ric, &ions, &out), 0);
  EXPECT_EQ(KELT_AddMassListToMassList(&ions, &ric, &out), 0);
  // The result may be one of the inputs.
  STRUCT_MASS_LIST x = Masses("100-110"), y = Masses("120");
  EXPECT_EQ(KELT_AddMassListToMassList(&x, &y, &x), 1);
  EXPECT_EQ(MassText(x), "100.00-110.00+120.00");
}

TEST(ListUnions, ChannelsMergeOrAppend) {
  STRUCT_CHAN_LIST a = Chans("3-5"), b = Chans("2-4+9"), out;
  ASSERT_EQ(KELT_AddChanListToChanList(&a, &b, &out), 1);
  EXPECT_EQ(ChanText(out), "2-5+9");
  STRUCT_CHAN_LIST full = Chans("1+3+5+7+9+11+13+15+17+19"), more = Chans("21");
  EXPECT_EQ(KELT_AddChanListToChanList(&full, &more, &out), 0);
  EXPECT_EQ(Bytes(out), std::vector<uint8_t>(86, 0));
  STRUCT_CHAN_LIST nine = Chans("1+3+5+7+9+11+13+15+17");
  ASSERT_EQ(KELT_AddChanListToChanList(&nine, &more, &out), 1);
  EXPECT_EQ(+out.count, 10);
  EXPECT_EQ(KELT_IsChanListValid(&out, nullptr), 1);  // a list of ten entries is valid
  STRUCT_CHAN_LIST merged;
  KELT_InitMergedChanList(&merged);
  EXPECT_EQ(KELT_AddChanListToChanList(&merged, &a, &out), 0);
}

TEST(IonFormulaStatus, Table) {
  struct Case {
    const char* text;
    double low, high;
    BOOL usable;
    const char* status;
  } cases[] = {
      {"40:60+91", 10, 2000, 1, "Valid Ion Formula"},
      {"40-60", 10, 2000, 1, "Valid Ion Formula"},
      {"5", 10, 2000, 0, "Invalid Ion(s)"},
      {"", 10, 2000, 0, "No Characters"},
      {"ric", 10, 2000, 0, "Invalid Ion Formula"},  // passes the character scan, holds no range
      {"abc", 10, 2000, 0, "Invalid Character(s)"},
      {"91x", 10, 2000, 0, "Invalid Character(s)"},
      {"3500", 10, 3500, 0, "Invalid Ion(s)"},  // a highest ion of 3500 means just below
      {"3499", 10, 3500, 1, "Valid Ion Formula"},
      {"2000", 10, 2000, 1, "Valid Ion Formula"},
      {"91+", 10, 2000, 0, "Invalid Ion Formula"},
  };
  for (const Case& c : cases) {
    char status[KELT_ION_FORMULA_STATUS_SIZE];
    EXPECT_EQ(KELT_GetStatusStringForIonFormula(c.text, c.low, c.high, status), c.usable) << c.text;
    EXPECT_STREQ(status, c.status) << c.text;
  }
  EXPECT_EQ(KELT_GetStatusStringForIonFormula(nullptr, 10, 2000, nullptr), 0);
}

TEST(ScanChannelDescription, ConvertsAndBounds) {
  MS_SCAN_FUNCTION f{};
  const char16_t text[] = u"50.0-550.0|EI scan";
  std::memcpy(f.description, text, sizeof text);
  char out[100];
  ASSERT_EQ(KELT_GetszScanChannelDescription(&f, out, sizeof out), 1);
  EXPECT_STREQ(out, "50.0-550.0 EI scan");
  ASSERT_EQ(KELT_GetszScanChannelDescription(&f, out, 6), 1);
  EXPECT_STREQ(out, "50.0-");
  // The full 64 characters without a terminator.
  for (char16_t& c : f.description) c = u'A';
  ASSERT_EQ(KELT_GetszScanChannelDescription(&f, out, sizeof out), 1);
  EXPECT_EQ(std::strlen(out), 64u);
  f.description[0] = 0;
  EXPECT_EQ(KELT_GetszScanChannelDescription(&f, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
}

TEST(MassListNames, FixedRowsWithoutAFile) {
  int16_t n = -1;
  STRUCT_MASS_LIST_NAME* rows = KELT_GetValidStringsForMassList(nullptr, &n);
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(GetBlockSize(rows), 5 * sizeof(STRUCT_MASS_LIST_NAME));
  EXPECT_EQ(+rows[0].dataType, 0);
  EXPECT_STREQ(rows[0].name, "RIC");
  EXPECT_EQ(+rows[1].dataType, 2);
  EXPECT_EQ(+rows[1].kind, 3u);
  EXPECT_STREQ(rows[1].name, "Intensity of Base Peak");
  EXPECT_EQ(+rows[2].dataType, 3);
  EXPECT_EQ(+rows[2].kind, 2u);
  EXPECT_STREQ(rows[2].name, "Base Peak Ion");
  FreeBlock(rows);
}

// ---- Plot selections --------------------------------------------------------

STRUCT_SCAN_FUN_ARRAY* MakeScanFuns(std::initializer_list<const char*> names) {
  auto* a = static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(static_cast<uint32_t>(ScanFunArraySize(names.size()))));
  for (const char* n : names) {
    SCAN_FUN_ENTRY& e = a->entries[a->count++];
    std::snprintf(e.segments, sizeof e.segments, "1");
    std::snprintf(e.name, sizeof e.name, "%s", n);
    std::snprintf(e.identity, sizeof e.identity, "%s long", n);
  }
  return a;
}

TEST(PlotSelection, MakeCopyCompareFree) {
  STRUCT_PS* tic = KELT_PS_MakeTIC();
  ASSERT_NE(tic, nullptr);
  EXPECT_EQ(+tic->selection1, 0);
  EXPECT_EQ(+tic->massList.kind, 0u);
  EXPECT_EQ(+tic->massList.window, 0.5);
  EXPECT_EQ(+tic->chanList.kind, 0u);
  EXPECT_EQ(+tic->scanFuns, nullptr);
  EXPECT_EQ(+tic->segPlots, nullptr);

  STRUCT_PS* copy = KELT_PS_Copy(tic);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(KELT_PS_Compare(tic, copy), 1);
  copy->chanList = Chans("2");
  EXPECT_EQ(KELT_PS_Compare(tic, copy), 0);
  copy->chanList = tic->chanList;
  copy->selection2 = 1;
  EXPECT_EQ(KELT_PS_Compare(tic, copy), 0);
  copy->selection2 = 0;

  copy->scanFuns = MakeScanFuns({"SIM 1", "Full"});
  EXPECT_EQ(KELT_PS_Compare(tic, copy), 0);  // only one has scan functions
  STRUCT_PS* deep = KELT_PS_Copy(copy);
  ASSERT_NE(deep, nullptr);
  ASSERT_NE(deep->scanFuns, nullptr);
  EXPECT_NE(deep->scanFuns, copy->scanFuns);
  EXPECT_EQ(GetBlockSize(deep->scanFuns), ScanFunArraySize(2) + SCAN_FUN_SPARE_BYTES);
  EXPECT_EQ(KELT_PS_Compare(copy, deep), 1);
  deep->chanList = Chans("3");  // channels do not matter with scan functions
  EXPECT_EQ(KELT_PS_Compare(copy, deep), 1);
  std::strcpy(deep->scanFuns->entries[1].identity, "other");
  EXPECT_EQ(KELT_PS_Compare(copy, deep), 0);
  deep->massList = Masses("91");
  EXPECT_EQ(KELT_PS_Compare(copy, deep), 0);

  KELT_PS_Free(deep);
  KELT_PS_Free(copy);
  KELT_PS_Free(tic);
  KELT_PS_Free(nullptr);
  EXPECT_EQ(KELT_PS_Copy(nullptr), nullptr);
  EXPECT_EQ(KELT_PS_Compare(nullptr, nullptr), 0);
}

// ---- Results in a data file ------------------------------------------------------

class ResultsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\", nullptr);
    ASSERT_TRUE(CreateDirectoryA("C:\\Data", nullptr));
  }
  std::string MakeFile(const char* section, uint32_t size, uint16_t headerFormat) {
    std::string path = "C:\\Data\\results" + std::to_string(++n_) + ".kms";
    EXPECT_TRUE(CreateSectionFileAtPath(path.c_str(), 1, 0, 0));
    if (section) {
      std::vector<uint8_t> bytes(size, 0);
      if (size >= 2269) std::memcpy(bytes.data() + 2267, &headerFormat, 2);
      HSECTION h = CreateSection(path.c_str(), section, nullptr);
      EXPECT_NE(h, nullptr);
      EXPECT_EQ(WriteSection(h, bytes.data(), size), size);
      EXPECT_TRUE(CloseSection(h));
    }
    return path;
  }
  int n_ = 0;
};

TEST_F(ResultsTest, FormatBySizeAndHeader) {
  struct Case {
    const char* section;
    uint32_t size;
    uint16_t header;
    BOOL current, older;
  } cases[] = {
      {"MSResults:h4", 2635 + 1375 * 3, 4, 1, 0},
      {"MSResults:h4", 2635, 4, 1, 0},
      {"MSResults:h4", 2268 + 772 * 5, 4, 0, 1},  // an older size whatever the header says
      {"MSResults:h4", 2288 + 900 * 2, 4, 0, 1},
      {"MSResults:h4", 2635 + 1375 * 427, 4, 1, 0},  // also 2268 + 772 * 763: the header decides
      {"MSResults:h4", 3000, 3, 0, 1},
      {"MSResults:h4", 3000, 4, 1, 0},
      {"MSResults:h4", 3000, 5, 0, 0},
      {"TolmarResults:h2", 2635 + 1375, 4, 1, 0},
      {"TolmarResults:h2", 2268, 0, 0, 1},
      {"MSResults:h3", 2268 + 772, 1, 0, 1},
      {"Other", 2635, 4, 0, 0},
      {nullptr, 0, 0, 0, 0},
      {"MSResults:h4", 100, 0, 0, 1},  // short: the rest of the header reads as zero
  };
  for (const Case& c : cases) {
    std::string path = MakeFile(c.section, c.size, c.header);
    EXPECT_EQ(KELT_HaveCurrentResults(path.c_str()), c.current) << (c.section ? c.section : "-") << " " << c.size;
    EXPECT_EQ(KELT_HaveOlderResults(path.c_str()), c.older) << (c.section ? c.section : "-") << " " << c.size;
  }
  EXPECT_EQ(KELT_HaveCurrentResults("C:\\Data\\missing.kms"), 0);
  EXPECT_EQ(KELT_HaveOlderResults("C:\\Data\\missing.kms"), 0);
  EXPECT_EQ(KELT_HaveOlderResults(nullptr), 0);
}

// ---- Edit-field helper ---------------------------------------------------------

TEST(KillEditString, TakesTheFieldCutToTheMaximum) {
  HWND dialog = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  const int kId = 1001;
  HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | ES_AUTOHSCROLL, 5, 5, 100, 12, dialog,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(kId)), nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  CWnd wnd;
  wnd.Attach(dialog);

  char buffer[64] = "old";
  SetWindowTextA(edit, "abcdefg");
  EXPECT_EQ(HandleKillEditString(&wnd, kId, 5, buffer), 1);
  EXPECT_STREQ(buffer, "abcde");
  char shown[64];
  GetWindowTextA(edit, shown, sizeof shown);
  EXPECT_STREQ(shown, "abcde");
  EXPECT_EQ(HandleKillEditString(&wnd, kId, 5, buffer), 0);  // unchanged
  SetWindowTextA(edit, "");
  EXPECT_EQ(HandleKillEditString(&wnd, kId, 5, buffer), 1);  // the empty text is a value
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(HandleKillEditString(&wnd, 999, 5, buffer), 0);  // no such control

  std::string longText(300, 'x');
  SetWindowTextA(edit, longText.c_str());
  char big[400] = {};
  EXPECT_EQ(HandleKillEditString(&wnd, kId, 300, big), 1);
  EXPECT_EQ(std::strlen(big), 198u);

  wnd.Detach();
  DestroyWindow(dialog);
}

}  // namespace
