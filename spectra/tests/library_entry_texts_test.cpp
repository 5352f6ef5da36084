// Texts of library entries and spectra, and thresholded reference copies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/scan_fun_info.h"
#include "spectra/library_entry_texts.h"
#include "spectra/tests/ms_run_fixture.h"
#include "spectra/tests/spectrum_test_records.h"

TEST(LibraryEntryTexts, CasNumbersFormulasAndLibraryFlags) {
  struct Cas {
    uint32_t n;
    const char* text;
  } cas[] = {{0, "None"}, {50000, "50-00-0"}, {123, "12-3"}, {1234, "1-23-4"}, {7732185, "7732-18-5"},
             {4294967295u, "4294967-29-5"}};
  for (const Cas& c : cas) {
    char text[32] = "x";
    FormatCASNumber(c.n, text);
    EXPECT_STREQ(text, c.text) << c.n;
  }
  char text[128];
  FormatFormula("C7H8", text);
  EXPECT_STREQ(text, "C7H8");
  FormatFormula("", text);
  EXPECT_STREQ(text, "None");
  struct Db {
    uint32_t flags;
    const char* text;
  } db[] = {{0, "None"}, {0x105, "Fine RTECS IR "}, {0x1FF, "Fine TSCA RTECS EPA USP HODOC NIH EINECS IR "},
            {0x200, ""}};
  for (const Db& d : db) {
    FormatDBText(d.flags, text);
    EXPECT_STREQ(text, d.text) << d.flags;
  }
}

TEST(LibraryEntryTexts, MassDecimalsAreClampedAndFormatted) {
  struct Case {
    uint16_t nominal, own, decimals;
    int16_t want;
    const char* format;
  } cases[] = {{1, 1, 4, 0, "%.0f"}, {0, 1, 9, 6, "%.6f"}, {0, 1, 2, 2, "%.2f"}, {0, 0, 5, 1, "%.1f"}};
  for (const Case& c : cases) {
    STRUCT_SPT_PLUS spt{};
    spt.nominalMasses = c.nominal;
    spt.ownDecimals = c.own;
    spt.massDecimals = c.decimals;
    char format[8] = "";
    EXPECT_EQ(KELT_GetMassDecimalsAndFormat(&spt, format), c.want);
    EXPECT_STREQ(format, c.format);
    EXPECT_EQ(KELT_GetMassDecimalsAndFormat(&spt, nullptr), c.want);
  }
}

TEST(LibraryEntryTexts, ChannelTextWithoutTheDataFile) {
  struct Case {
    uint32_t kind;
    int16_t scans;
    uint8_t function;
    uint8_t functionCount;
    const char* text;
    uint16_t isChannel;
  } cases[] = {
      {CHAN_LIST_IGNORED, 1, 2, 3, "3", 1},
      {CHAN_LIST_MERGED, 1, 0, 2, "Merged", 0},
      {CHAN_LIST_MERGED, 1, 255, 1, "Merged", 0},
  };
  for (const Case& c : cases) {
    STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
    tol->chanList.kind = c.kind;
    tol->scansAveraged = c.scans;
    tol->header.function = c.function;
    tol->segment.functionCount = c.functionCount;
    char text[301] = "x";
    uint16_t isChannel = 9;
    EXPECT_EQ(KELT_GetMergedChannelText(tol, text, &isChannel), 1);
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(isChannel, c.isChannel);
    TOL_Free(tol);
  }
  // A listed channel set is written by the MS-data library.
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  tol->chanList.kind = CHAN_LIST_LISTED;
  tol->chanList.count = 1;
  tol->chanList.entries[0].low = 0;
  tol->chanList.entries[0].high = 1;
  char want[301], text[301];
  FormatChanList(want, &tol->chanList);
  uint16_t isChannel = 0;
  KELT_GetMergedChannelText(tol, text, &isChannel);
  EXPECT_STREQ(text, want);
  EXPECT_GT(std::strlen(text), 0u);
  EXPECT_EQ(isChannel, 1);
  TOL_Free(tol);
}

TEST(LibraryEntryTexts, ThresholdCopyUsesSinglePrecisionHundredthAndLeavesTheSource) {
  STRUCT_REF_EX_SPT src{};
  const uint32_t values[] = {1000, 498, 499, 500};
  for (int i = 0; i < 4; ++i) src.pairs[i] = XTOL_PAIR{100.0 + i, values[i], uint8_t(i + 1)};
  src.pairCount = 4;
  src.scansAveraged = 3;
  STRUCT_REF_EX_SPT dst;
  std::memset(&dst, 0xEE, sizeof dst);
  ASSERT_EQ(REF_EX_CopyWithThreshold(&src, 50, &dst), 1);
  // 1000 x 0.01f x 50 lies just below 500: the threshold is 499.
  ASSERT_EQ(dst.pairCount, 3);
  EXPECT_EQ(+dst.pairs[0].intensity, 1000u);
  EXPECT_EQ(+dst.pairs[1].intensity, 499u);
  EXPECT_EQ(+dst.pairs[1].flag, 3);
  EXPECT_EQ(+dst.pairs[2].intensity, 500u);
  EXPECT_EQ(dst.scansAveraged, 3);

  // A count beyond the record's 16 pairs is bounded in the copy only.
  src.pairCount = 20;
  const STRUCT_REF_EX_SPT before = src;
  ASSERT_EQ(REF_EX_CopyWithThreshold(&src, 0, &dst), 1);
  EXPECT_EQ(dst.pairCount, 16);
  EXPECT_EQ(std::memcmp(&before, &src, sizeof src), 0);
  // Without pairs: an unchanged copy.
  src.pairCount = 0;
  ASSERT_EQ(REF_EX_CopyWithThreshold(&src, 90, &dst), 1);
  EXPECT_EQ(std::memcmp(&dst, &src, sizeof src), 0);
  EXPECT_EQ(REF_EX_CopyWithThreshold(nullptr, 90, &dst), 0);
}

namespace {
using ChannelTextOfARun = spttest::MsRunTest;
}  // namespace

TEST_F(ChannelTextOfARun, OneScanOfOneFunctionIsNamedFromTheDataFile) {
  Open(Plan());
  int16_t count = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf_, &count, 0);
  ASSERT_NE(info, nullptr);
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  std::strcpy(tol->dataFilePath, path_.c_str());
  tol->chanList.kind = CHAN_LIST_IGNORED;
  tol->scansAveraged = 1;
  tol->segmentIndex = 1;
  tol->scanFunIndex = 1;
  tol->header.function = 1;
  tol->segment.functionCount = 2;
  std::string want;
  for (int16_t i = 0; i < count && want.empty(); ++i)
    if (ScanFunInfoInSegment(info[i], 1) && info[i].channel == 1)
      want = info[i].shortName[0] ? info[i].shortName : info[i].longName;
  FreeBlock(info);
  ASSERT_FALSE(want.empty());
  char text[301];
  uint16_t isChannel = 9;
  KELT_GetMergedChannelText(tol, text, &isChannel);
  EXPECT_EQ(std::string(text), want);
  EXPECT_EQ(isChannel, 0);
  // A data file that cannot be opened: the channel number.
  std::strcpy(tol->dataFilePath, "C:\\Data\\none.kms");
  KELT_GetMergedChannelText(tol, text, &isChannel);
  EXPECT_STREQ(text, "2");
  EXPECT_EQ(isChannel, 1);
  TOL_Free(tol);
}
