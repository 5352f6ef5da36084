// Background spectra: averages of scan ranges, the background of a scan,
// subtraction and interpolation, and the stored correction; checked against
// hand calculations and the run's stored scans.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "fixtures/msfixtures.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

using Peaks = std::vector<std::pair<double, uint32_t>>;

void* Buffer(const Peaks& peaks) {
  void* b = AllocBlock(uint32_t(4 + 13 * std::max<size_t>(peaks.size(), 1)));
  const uint32_t n = uint32_t(peaks.size());
  std::memcpy(b, &n, 4);
  auto* e = static_cast<uint8_t*>(b) + 4;
  for (const auto& [m, v] : peaks) {
    std::memcpy(e + 1, &m, 8);
    std::memcpy(e + 9, &v, 4);
    e += 13;
  }
  return b;
}

Peaks Read(const void* b) {
  Peaks out;
  if (!b) return out;
  uint32_t n;
  std::memcpy(&n, b, 4);
  const auto* e = static_cast<const uint8_t*>(b) + 4;
  for (uint32_t i = 0; i < n; ++i, e += 13) {
    double m;
    uint32_t v;
    std::memcpy(&m, e + 1, 8);
    std::memcpy(&v, e + 9, 4);
    out.emplace_back(m, v);
  }
  return out;
}

uint64_t Total(const Peaks& p) {
  uint64_t t = 0;
  for (const auto& q : p) t += q.second;
  return t;
}

// A centroid segment whose first scan function has one mass decimal.
MS_SEGMENT_BLOCK OneDecimalSegment() {
  MS_SEGMENT_BLOCK seg{};
  seg.functions[0].massDecimals = 1;
  return seg;
}

MS_INFO_BLOCK Info(bool centroid) {
  MS_INFO_BLOCK info{};
  info.centroid = centroid ? 1 : 0;
  return info;
}

}  // namespace

TEST(BackgroundArithmetic, InterpolationIsLinearInTimeAtEqualMasses) {
  void* before = Buffer({{50.0, 100}, {60.0, 40}});
  void* after = Buffer({{50.02, 300}, {70.0, 80}});
  const MS_SEGMENT_BLOCK seg = OneDecimalSegment();
  const MS_INFO_BLOCK info = Info(true);
  void* at5 = InterpolateBackgroundSpectrum(before, after, 4.0, 5.0, 6.0, &info, &seg, nullptr);
  const Peaks p = Read(at5);
  ASSERT_EQ(+p.size(), 3u);
  EXPECT_NEAR(+p[0].first, 50.01, 1e-9);
  EXPECT_EQ(+p[0].second, 200u);  // 100 at 4.0 and 300 at 6.0
  EXPECT_EQ(+p[1].second, 20u);   // 40 and nothing
  EXPECT_EQ(+p[2].second, 40u);   // nothing and 80
  FreeSpectrumBuffer(at5);
  // Before the first time the line is extended, never below 0.
  void* at2 = InterpolateBackgroundSpectrum(before, after, 4.0, 2.0, 6.0, &info, &seg, nullptr);
  const Peaks q = Read(at2);
  ASSERT_EQ(+q.size(), 1u);
  EXPECT_EQ(+q[0].second, 80u);  // 60.0: 40 + (2 - 4) x (0 - 40) / 2; the others fall below 0
  FreeSpectrumBuffer(at2);
  FreeSpectrumBuffer(before);
  FreeSpectrumBuffer(after);
}

TEST(BackgroundArithmetic, SubtractionIsFlooredAtZero) {
  void* s = Buffer({{50.0, 150}, {51.0, 500}, {52.04, 90}});
  void* b = Buffer({{50.0, 200}, {52.0, 30}, {53.0, 1000}});
  const MS_SEGMENT_BLOCK seg = OneDecimalSegment();
  for (bool centroid : {true, false}) {
    const MS_INFO_BLOCK info = Info(centroid);
    void* out = SubtractBackground(s, b, &info, &seg, nullptr);
    const Peaks p = Read(out);
    if (centroid) {
      EXPECT_EQ(p, (Peaks{{51.0, 500}, {52.04, 60}}));
    } else {
      // Profile points join only on one sampling grid and keep their zeros.
      EXPECT_EQ(p, (Peaks{{50.0, 0}, {51.0, 500}, {52.04, 90}}));
    }
    FreeSpectrumBuffer(out);
  }
  FreeSpectrumBuffer(s);
  FreeSpectrumBuffer(b);
  EXPECT_EQ(SubtractBackground(nullptr, b, nullptr, nullptr, nullptr), nullptr);
}

namespace {

class BackgroundOfRun : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
    plan_.scans = 240;
    plan_.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan_, &truth_));
    h_ = OpenMSData(path_, "MSData", 0);
    ASSERT_NE(h_, nullptr);
  }
  void TearDown() override {
    CloseMSData(h_);
    WorkstationRootTest::TearDown();
  }
  Peaks Scan(uint32_t s, uint32_t kind, MS_SCAN_HEADER* header = nullptr) {
    STRUCT_CHAN_LIST c{};
    c.kind = kind;
    std::vector<uint8_t> b(GetMSScanBufferSize(h_));
    MS_SCAN_REQUEST r{MS_SCAN_BY_NUMBER, MS_PICK_NEAREST, {s}};
    MS_SCAN_HEADER hd;
    EXPECT_NE(ReadMSScanHeader(h_, &r, &c, &hd, +b.data()), MS_SCAN_TIME_FAILED);
    if (header) *header = hd;
    return Read(b.data());
  }
  const char* path_ = "C:\\Data\\bg.kms";
  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  HMSDATA h_ = nullptr;
};

}  // namespace

TEST_F(BackgroundOfRun, AverageScansMatchesTheStoredScans) {
  const auto& seg = truth_.segments[1];  // two scan functions: cycles
  STRUCT_CHAN_LIST merged{};
  merged.kind = CHAN_LIST_MERGED;
  void* buffer = AllocBlock(5 * GetMSScanBufferSize(h_));
  MS_SCAN_HEADER header;
  double t1 = 0, t2 = 0;
  const uint32_t first = seg.firstScan + 4, last = seg.firstScan + 12;
  ASSERT_EQ(AverageScans(h_, &merged, &header, buffer, first, last, 2, &t1, &t2, path_), 1);
  double sum = 0;
  std::vector<MS_SCAN_HEADER> headers;
  for (uint32_t s = first; s <= last; s += 2) {
    MS_SCAN_HEADER h;
    sum += double(Total(Scan(s, CHAN_LIST_MERGED, &h)));
    headers.push_back(h);
  }
  const Peaks avg = Read(buffer);
  EXPECT_NEAR(double(Total(avg)), sum / 5, 0.5 * +avg.size() + 1);
  EXPECT_EQ(+header.totalIon, Total(avg));
  EXPECT_DOUBLE_EQ(+header.time, +headers[2].time);
  EXPECT_EQ(+header.scanNumber, +headers[2].scanNumber);
  EXPECT_DOUBLE_EQ(t1, +headers.front().time);
  EXPECT_DOUBLE_EQ(t2, +headers.back().time);
  EXPECT_EQ(AverageScans(h_, &merged, &header, buffer, last, first, 2, &t1, &t2, path_), 0);
  FreeBlock(buffer);
  void* small = AllocBlock(4 + 13);  // room for one peak: refused, not overrun
  EXPECT_EQ(AverageScans(h_, &merged, &header, small, first, last, 2, &t1, &t2, path_), 0);
  FreeBlock(small);
}

TEST_F(BackgroundOfRun, StoredCorrectionRoundTripsAndGivesTheBackgroundOfAScan) {
  EXPECT_EQ(BuildBackCorrFromRefSpts(path_), nullptr);  // none stored yet
  STRUCT_FILE_BC* bc = NewBackCorr(path_);
  const uint32_t w = truth_.segments[0].firstScan + 20;
  bc = AddBackCorrRange(bc, w, 2.5, w + 1, 2.7);
  ASSERT_NE(bc, nullptr);
  ASSERT_EQ(SaveBackCorr(path_, bc), 1);
  STRUCT_FILE_BC* back = BuildBackCorrFromRefSpts(path_);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(GetBlockSize(back), GetBlockSize(bc));
  EXPECT_EQ(std::memcmp(back, bc, GetBlockSize(bc)), 0);

  STRUCT_CHAN_LIST merged{};
  merged.kind = CHAN_LIST_MERGED;
  void* b = MakeBackgroundSpectrum(h_, &merged, truth_.segments[0].firstScan + 60, back, path_);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Read(b), Scan(w, CHAN_LIST_MERGED));
  FreeSpectrumBuffer(b);
  EXPECT_EQ(MakeBackgroundSpectrum(h_, &merged, +truth_.segments[1].firstScan + 2, back, path_), nullptr);
  FreeBackCorr(back);
  FreeBackCorr(bc);
}

TEST_F(BackgroundOfRun, ADamagedStoredCorrectionIsRefused) {
  HSECTION s = CreateSection(path_, BACKCORR_SECTION, nullptr);
  ASSERT_NE(s, nullptr);
  std::vector<uint8_t> junk(60, 0xFF);
  junk[0] = 1;  // the format word, then a group count that runs past the end
  junk[1] = 0;
  WriteSection(s, junk.data(), uint32_t(junk.size()));
  CloseSection(s);
  EXPECT_EQ(BuildBackCorrFromRefSpts(path_), nullptr);
}

TEST(SpectrumArrays, FreeingArraysOfBuffersAndHeaders) {
  auto** buffers = static_cast<void**>(AllocBlock(3 * sizeof(void*)));
  buffers[0] = AllocBlock(17);
  buffers[2] = AllocBlock(30);
  FreeSpectrumBufferArray(buffers, 3);
  auto** headers = static_cast<MS_SCAN_HEADER**>(AllocBlock(2 * sizeof(MS_SCAN_HEADER*)));
  headers[1] = static_cast<MS_SCAN_HEADER*>(AllocBlock(sizeof(MS_SCAN_HEADER)));
  FreeScanHeaderArray(headers, 5);  // a count past the array stops at its end
  FreeSpectrumBufferArray(nullptr, 4);
}
