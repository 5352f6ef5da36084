// Spectrum lists across segments, their averaged scan header, and the
// background for a scan, checked against the run's stored scans.
#include <gtest/gtest.h>

#include "jessul32/background_subtraction.h"
#include "spectra/msbc_lists.h"
#include "spectra/tests/ms_run_fixture.h"

using namespace spttest;

namespace {

class MsbcLists : public MsRunTest {
 protected:
  void SetUp() override {
    MsRunTest::SetUp();
    Open(Plan());
  }
  // Averages scans first..last of the grid; returns 1/0 and the outputs.
  struct Avg {
    int32_t ok = 0;
    MS_SCAN_HEADER header{};
    std::vector<Peak> peaks;
    double firstTime = 0, lastTime = 0;
    uint32_t firstScan = 0, lastScan = 0;
    int16_t count = 0, segment = -1;
  };
  Avg Average(uint32_t first, uint32_t last, uint32_t chanKind = CHAN_LIST_MERGED) {
    Avg a;
    STRUCT_CHAN_LIST c = Channels(chanKind);
    void* buffer = AllocBlock(GetMSScanBufferSize(h_));
    a.ok = NEW_MSBC_GetAveragedSpectrum(h_, wf_, nullptr, &c, nullptr, 0, first, last, &a.header, buffer,
                                        &a.firstTime, &a.lastTime, &a.firstScan, &a.lastScan, &a.count, &a.segment);
    a.peaks = ExchangePeaks(buffer);
    FreeBlock(buffer);
    return a;
  }
};

}  // namespace

TEST_F(MsbcLists, OneScanIsThatScansOwnHeaderAndSpectrum) {
  const uint32_t s = Seg(0).firstScan + 7;
  MS_SCAN_HEADER direct;
  const std::vector<Peak> peaks = Scan(s, CHAN_LIST_MERGED, &direct);
  Avg a = Average(s, s);
  ASSERT_EQ(+a.ok, 1);
  EXPECT_EQ(+a.count, 1);
  EXPECT_EQ(std::memcmp(&a.header, &direct, sizeof direct), 0);
  ASSERT_EQ(a.peaks.size(), +peaks.size());
  EXPECT_EQ(Total(a.peaks), Total(peaks));
}

TEST_F(MsbcLists, AverageOfAGridRangeMatchesTheStoredScans) {
  const MS_SEGMENT_BLOCK& seg = Seg(1);  // two scan functions
  ASSERT_EQ(+seg.functionCount, 2);
  const uint32_t first = seg.firstScan + 5, last = seg.firstScan + 24;
  Avg a = Average(first, last);
  ASSERT_EQ(+a.ok, 1);
  // Moved onto the cycle grid: first down to an odd offset's cycle start.
  EXPECT_EQ(+a.firstScan, +seg.firstScan + 4);
  EXPECT_EQ(+a.lastScan, +seg.firstScan + 24);
  ASSERT_EQ(+a.count, 11);
  EXPECT_EQ(+a.segment, 1);
  // Independent sums: each grid scan read with merged channels is its cycle.
  double total = 0, base = 0;
  std::vector<MS_SCAN_HEADER> headers;
  std::vector<std::vector<Peak>> scans;
  for (uint32_t s = a.firstScan; s <= a.lastScan; s += 2) {
    MS_SCAN_HEADER h;
    scans.push_back(Scan(s, CHAN_LIST_MERGED, &h));
    headers.push_back(h);
    total += double(Total(scans.back()));
  }
  for (const auto& sc : scans) base += SumNear(sc, a.header.basePeakMass);
  EXPECT_NEAR(double(+a.header.totalIon), total / 11, 0.5 * a.peaks.size() + 1);
  EXPECT_EQ(+a.header.totalIon, Total(a.peaks));
  EXPECT_NEAR(SumNear(a.peaks, +a.header.basePeakMass), base / 11, 3);
  // Odd count: the middle scan's time and number.
  EXPECT_DOUBLE_EQ(+a.header.time, +headers[5].time);
  EXPECT_EQ(+a.header.scanNumber, +headers[5].scanNumber);
  EXPECT_DOUBLE_EQ(+a.firstTime, +headers.front().time);
  EXPECT_DOUBLE_EQ(+a.lastTime, +headers.back().time);
}

TEST_F(MsbcLists, EveryScanWithAnIgnoredChannelList) {
  const MS_SEGMENT_BLOCK& seg = Seg(2);  // three scan functions
  Avg a = Average(seg.firstScan + 4, seg.firstScan + 9, CHAN_LIST_IGNORED);
  ASSERT_EQ(+a.ok, 1);
  EXPECT_EQ(+a.count, 6);
  double total = 0;
  for (uint32_t s = seg.firstScan + 4; s <= seg.firstScan + 9; ++s) total += double(Total(Scan(s, CHAN_LIST_IGNORED)));
  EXPECT_NEAR(double(Total(a.peaks)), total / 6, 0.5 * a.peaks.size() + 1);
}

TEST_F(MsbcLists, RangesCrossIntoSegmentsOfTheSameContinuityOnly) {
  const MS_SEGMENT_BLOCK& s0 = Seg(0);
  const MS_SEGMENT_BLOCK& s1 = Seg(1);
  const uint32_t first = s0.lastScan - 3, last = s1.firstScan + 5;
  Avg a = Average(first, last);
  ASSERT_EQ(+a.ok, 1);
  EXPECT_EQ(+a.count, 4 + 3);  // four single scans, then three cycles of two
  EXPECT_EQ(+a.lastScan, +s1.firstScan + 4);

  wf_->segmentBlocks[1].functions[0].massWidth += 0.5;  // another continuity value
  Avg b = Average(first, last);
  ASSERT_EQ(+b.ok, 1);
  EXPECT_EQ(+b.count, 4);
  EXPECT_EQ(+b.lastScan, +s0.lastScan);

  // The file's last segment: the last grid scan.
  const MS_SEGMENT_BLOCK& s2 = Seg(2);
  Avg c = Average(s2.lastScan - 7, s2.lastScan + 50);
  ASSERT_EQ(+c.ok, 1);
  EXPECT_EQ(+c.lastScan, +s2.firstScan + (+s2.lastScan - +s2.firstScan) / 3 * 3);
}

TEST_F(MsbcLists, ListOfSpectraWalksAcrossSegments) {
  STRUCT_CHAN_LIST c = Channels(CHAN_LIST_MERGED);
  const MS_SEGMENT_BLOCK& s0 = Seg(0);
  const MS_SEGMENT_BLOCK& s1 = Seg(1);
  STRUCT_MSBC_SPT_LIST* list = NEW_MSBC_MakeListOfSpectra(h_, wf_, nullptr, 0, nullptr, &c, s0.lastScan - 1,
                                                          s1.firstScan + 3);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(+list->count, 4u);
  EXPECT_EQ(+list->headers[0]->scanNumber, +s0.lastScan - 1);
  EXPECT_EQ(+list->headers[2]->scanNumber, +s1.firstScan);
  EXPECT_EQ(+list->headers[3]->scanNumber, +s1.firstScan + 2);
  EXPECT_EQ(+list->firstScan, +s0.lastScan - 1);
  EXPECT_EQ(+list->lastScan, +s1.firstScan + 2);
  EXPECT_EQ(Total(ExchangePeaks(+list->buffers[3])), Total(Scan(+s1.firstScan + 2, CHAN_LIST_MERGED)));
  NEW_MSBC_FreeListOfSpectra(list);
  NEW_MSBC_FreeListOfSpectra(nullptr);
  EXPECT_EQ(NEW_MSBC_MakeListOfSpectra(h_, wf_, nullptr, 0, nullptr, &c, 5, 4), nullptr);
  EXPECT_EQ(NEW_MSBC_MakeListOfSpectra(h_, wf_, nullptr, 0, nullptr, &c, 999999, 999999), nullptr);
}

TEST_F(MsbcLists, FailuresAreReturnedAndASmallCallerBufferIsNotOverrun) {
  STRUCT_CHAN_LIST c = Channels(CHAN_LIST_MERGED);
  MS_SCAN_HEADER header;
  double t1, t2;
  uint32_t f, l;
  int16_t n, s;
  void* buffer = AllocBlock(GetMSScanBufferSize(h_));
  EXPECT_EQ(NEW_MSBC_GetAveragedSpectrum(h_, wf_, nullptr, nullptr, nullptr, 0, 10, 20, &header, buffer, &t1, &t2,
                                         &f, &l, &n, &s),
            0);  // neither scan functions nor channels
  EXPECT_EQ(NEW_MSBC_GetAveragedSpectrum(h_, wf_, nullptr, &c, nullptr, 0, 999999, 999999, &header, buffer, &t1,
                                         &t2, &f, &l, &n, &s),
            0);
  FreeBlock(buffer);
  void* small = AllocBlock(17);  // room for one peak only
  EXPECT_EQ(NEW_MSBC_GetAveragedSpectrum(h_, wf_, nullptr, &c, nullptr, 0, Seg(0).firstScan, Seg(0).firstScan + 9,
                                         &header, small, &t1, &t2, &f, &l, &n, &s),
            0);
  FreeBlock(small);
}

TEST(MsbcAveragedScan, EvenCountsTakeTheMeanTimeAndTheNearerMiddleScan) {
  std::vector<MS_SCAN_HEADER> headers(4);
  const double times[] = {1.0, 1.25, 1.5, 1.75};
  for (int k = 0; k < 4; ++k) {
    headers[size_t(k)] = MS_SCAN_HEADER{};
    headers[size_t(k)].scanNumber = uint32_t(100 + k);
    headers[size_t(k)].time = times[k];
    headers[size_t(k)].extra[0] = 2.0 * k;
    headers[size_t(k)].extra[1] = 10.0;
    headers[size_t(k)].text[0] = char16_t('a' + k);
  }
  MS_SCAN_HEADER* ptrs[4] = {&headers[0], &headers[1], &headers[2], &headers[3]};
  STRUCT_MSBC_SPT_LIST list{};
  list.count = 4;
  list.headers = ptrs;
  MS_INFO_BLOCK info{};
  info.extraColumnCount = 2;
  const std::vector<uint8_t> avg = [] {
    // {50: 7}, {91: 30}, {92: 30}: the first of equal largest is the base peak.
    std::vector<uint8_t> b(4 + 3 * 13, 0);
    const double m[] = {50, 91, 92};
    const uint32_t v[] = {7, 30, 30};
    uint32_t n = 3;
    std::memcpy(b.data(), &n, 4);
    for (int k = 0; k < 3; ++k) {
      std::memcpy(&b[size_t(5 + 13 * k)], &m[k], 8);
      std::memcpy(&b[size_t(13 + 13 * k)], &v[k], 4);
    }
    return b;
  }();
  MS_SCAN_HEADER out;
  NEW_MSBC_MakeAveragedMSScan(&info, &list, avg.data(), &out);
  EXPECT_DOUBLE_EQ(+out.time, 1.375);
  EXPECT_EQ(+out.scanNumber, 102u);  // equally near: the third
  EXPECT_EQ(+out.text[0], char16_t('c'));
  EXPECT_DOUBLE_EQ(+out.extra[0], 3.0);
  EXPECT_DOUBLE_EQ(+out.extra[1], 10.0);
  EXPECT_EQ(+out.totalIon, 67u);
  EXPECT_EQ(+out.basePeakMass, 91.0);
  EXPECT_EQ(+out.basePeakIntensity, 30u);

  headers[1].time = 1.3;  // now the second is strictly nearer to the mean
  NEW_MSBC_MakeAveragedMSScan(&info, &list, avg.data(), &out);
  EXPECT_DOUBLE_EQ(+out.time, 1.4);
  EXPECT_EQ(+out.scanNumber, 101u);
}

namespace {

class MsbcBackground : public MsbcLists {
 protected:
  // A definition with background windows at the given scans (one scan each
  // on the grid), all in segment 0.
  STRUCT_FILE_BC* Definition(const std::vector<uint32_t>& scans) {
    STRUCT_FILE_BC* bc = NewBackCorr(wf_);
    for (uint32_t s : scans) {
      STRUCT_FILE_BC* grown = AddBackCorrRange(bc, s, 0, s + 1, 0.2);
      EXPECT_NE(grown, nullptr);
      if (grown) bc = grown;
    }
    return bc;
  }
  std::vector<Peak> Background(uint32_t scan, const STRUCT_FILE_BC* bc) {
    STRUCT_CHAN_LIST c = Channels(CHAN_LIST_MERGED);
    void* b = NEW_MSBC_GetBaseCorrSpectrumForScan(h_, wf_, nullptr, &c, nullptr, 0, scan, bc);
    std::vector<Peak> peaks = ExchangePeaks(b);
    EXPECT_NE(b, nullptr);
    FreeSpectrumBuffer(b);
    return peaks;
  }
};

}  // namespace

TEST_F(MsbcBackground, OneWindowGivesItsOwnSpectrum) {
  const uint32_t w = Seg(0).firstScan + 10;
  STRUCT_FILE_BC* bc = Definition({w});
  const std::vector<Peak> got = Background(Seg(0).firstScan + 40, bc);
  const std::vector<Peak> want = Scan(w, CHAN_LIST_MERGED);
  ASSERT_EQ(+got.size(), +want.size());
  EXPECT_EQ(Total(got), Total(want));
  FreeBackCorr(bc);
}

TEST_F(MsbcBackground, BetweenTwoWindowsTheBackgroundIsInterpolatedInTime) {
  const uint32_t w1 = Seg(0).firstScan + 10, w2 = Seg(0).firstScan + 50, w3 = Seg(0).firstScan + 80;
  STRUCT_FILE_BC* bc = Definition({w1, w2, w3});
  const uint32_t s = Seg(0).firstScan + 30;
  MS_SCAN_HEADER h1, h2, hs;
  const std::vector<Peak> a = Scan(w1, CHAN_LIST_MERGED, &h1);
  const std::vector<Peak> b = Scan(w2, CHAN_LIST_MERGED, &h2);
  Scan(s, CHAN_LIST_MERGED, &hs);
  const double f = (hs.time - h1.time) / (h2.time - h1.time);
  const std::vector<Peak> got = Background(s, bc);
  // Interpolation is linear, so sums over any mass window interpolate too
  // (each peak rounded once).
  for (double m : truth_.backgroundMasses) {
    const double want = SumNear(a, m) + f * (SumNear(b, m) - SumNear(a, m));
    EXPECT_NEAR(SumNear(got, m), want, 2.0) << m;
  }
  const double total = double(Total(a)) + f * (double(Total(b)) - double(Total(a)));
  EXPECT_NEAR(double(Total(got)), total, 1.0 + +got.size());
  FreeBackCorr(bc);
}

TEST_F(MsbcBackground, BeforeTheFirstWindowTheFirstTwoAreUsed) {
  const uint32_t w1 = Seg(0).firstScan + 30, w2 = Seg(0).firstScan + 50, w3 = Seg(0).firstScan + 80;
  STRUCT_FILE_BC* bc = Definition({w1, w2, w3});
  const uint32_t s = Seg(0).firstScan + 5;
  std::vector<uint8_t> b1(GetMSScanBufferSize(h_)), b2(b1.size()), bs(b1.size());
  MS_SCAN_HEADER h1, h2, hs;
  STRUCT_CHAN_LIST c = Channels(CHAN_LIST_MERGED);
  MS_SCAN_REQUEST r{MS_SCAN_BY_NUMBER, MS_PICK_NEAREST, {w1}};
  ReadMSScanHeader(h_, &r, &c, &h1, b1.data());
  r.scan = w2;
  ReadMSScanHeader(h_, &r, &c, &h2, b2.data());
  r.scan = s;
  ReadMSScanHeader(h_, &r, &c, &hs, bs.data());
  void* want = InterpolateBackgroundSpectrum(b1.data(), b2.data(), h1.time, hs.time, h2.time, &wf_->msInfo, &Seg(0),
                                             &hs);
  const std::vector<Peak> got = Background(s, bc);
  const std::vector<Peak> expected = ExchangePeaks(want);
  ASSERT_EQ(+got.size(), +expected.size());
  EXPECT_EQ(Total(got), Total(expected));
  FreeSpectrumBuffer(want);
  // After the last window's first scan: the last two.
  const uint32_t late = Seg(0).firstScan + 90;
  r.scan = late;
  ReadMSScanHeader(h_, &r, &c, &hs, bs.data());
  std::vector<uint8_t> b3(b1.size());
  MS_SCAN_HEADER h3;
  r.scan = w3;
  ReadMSScanHeader(h_, &r, &c, &h3, b3.data());
  want = InterpolateBackgroundSpectrum(b2.data(), b3.data(), h2.time, hs.time, h3.time, &wf_->msInfo, &Seg(0), &hs);
  EXPECT_EQ(Total(Background(late, bc)), Total(ExchangePeaks(want)));
  FreeSpectrumBuffer(want);
  FreeBackCorr(bc);
}

TEST_F(MsbcBackground, NoWindowsOrNoRegionGiveNoBackground) {
  STRUCT_FILE_BC* bc = Definition({Seg(0).firstScan + 10});
  STRUCT_CHAN_LIST c = Channels(CHAN_LIST_MERGED);
  EXPECT_EQ(NEW_MSBC_GetBaseCorrSpectrumForScan(h_, wf_, nullptr, &c, nullptr, 0, Seg(1).firstScan + 2, bc), nullptr);
  EXPECT_EQ(NEW_MSBC_GetBaseCorrSpectrumForScan(h_, wf_, nullptr, nullptr, nullptr, 0, Seg(0).firstScan + 2, bc),
            nullptr);
  EXPECT_EQ(NEW_MSBC_GetBaseCorrSpectrumForScan(h_, wf_, nullptr, &c, nullptr, 0, 999999, bc), nullptr);
  FreeBackCorr(bc);
}
