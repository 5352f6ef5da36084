// Background spectra: averages of scan ranges, the background of a scan,
// subtraction and interpolation, and the stored correction; checked against
// hand calculations and the run's stored scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
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

namespace {

// The most blocks of one size held at once while a piece of code runs,
// from the address sanitizer's allocation hooks; -1 where the build has
// none. A scan buffer of the common allocator is its room and a 16-byte
// head.
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                              void (*)(const volatile void*)) __attribute__((weak));
size_t __sanitizer_get_allocated_size(const volatile void*) __attribute__((weak));
}

std::atomic<size_t> g_watched{0};
std::atomic<int64_t> g_live{0}, g_peak{0};

void OnMalloc(const volatile void*, size_t n) {
  if (n == 0 || n != g_watched) return;
  const int64_t now = ++g_live;
  int64_t peak = g_peak;
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
}
void OnFree(const volatile void* p) {
  const size_t w = g_watched;
  if (w && p && __sanitizer_get_allocated_size(p) == w) --g_live;
}

template <typename F>
int64_t MostBlocksOf(size_t size, F run) {
  static const bool hooked = __sanitizer_install_malloc_and_free_hooks && __sanitizer_get_allocated_size &&
                             __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
  if (!hooked) {
    run();
    return -1;
  }
  g_watched = size;
  g_live = g_peak = 0;
  // One block of the size proves the hooks see allocations.
  void* volatile probe = std::malloc(size);
  std::free(probe);
  const bool seen = g_peak == 1;
  g_live = g_peak = 0;
  run();
  g_watched = 0;
  return seen ? g_peak.load() : -1;
}

// The scans of a range held at once and averaged by the spectrum library:
// the reference the range averages are checked against.
Peaks AverageHeldInMemory(HMSDATA h, const STRUCT_CHAN_LIST* c, uint32_t first, uint32_t last, uint32_t step,
                          const MS_SEGMENT_BLOCK& segment) {
  std::vector<std::vector<uint8_t>> scans;
  std::vector<void*> raw;
  for (uint32_t s = first; s <= last; s += step) {
    void* b = AllocBlock(GetMSScanBufferSize(h));
    MS_SCAN_REQUEST r{MS_SCAN_BY_NUMBER, MS_PICK_NEAREST, {s}};
    MS_SCAN_HEADER hd;
    EXPECT_NE(ReadMSScanHeader(h, &r, c, &hd, b), MS_SCAN_TIME_FAILED);
    raw.push_back(b);
  }
  MS_INFO_BLOCK info;
  EXPECT_EQ(ReadMSInfoFromHandle(h, &info), 0);
  void* avg = AverageSpectra(raw.data(), uint32_t(raw.size()), &info, &segment, nullptr, nullptr);
  for (void* b : raw) FreeBlock(b);
  Peaks out = Read(avg);
  FreeBlock(avg);
  return out;
}

}  // namespace

TEST_F(BackgroundOfRun, LongRangesAreAveragedAsReadInMemoryOfOneSpectrum) {
  struct Case {
    const char* name;
    bool profile;
    uint32_t peaksPerScan;
    uint32_t kind;  // channel list
    uint32_t step;
    // Peaks of one mass lie within the tolerance in every scan, so the
    // average is exactly the one of the scans held at once; padding noise
    // at random masses may fall between two groups and join either.
    bool sameGroups;
  } cases[] = {
      {"centroid, noisy, every scan", false, 400, CHAN_LIST_IGNORED, 1, false},
      {"centroid, two functions, cycles", false, 0, CHAN_LIST_MERGED, 2, true},
      {"profile, every scan", true, 0, CHAN_LIST_IGNORED, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CloseMSData(h_);
    plan_ = msfix::RunPlan{};
    plan_.seed = 7;
    plan_.scans = 500;
    plan_.profile = c.profile;
    plan_.peaksPerScan = c.peaksPerScan;
    plan_.saturation = c.profile ? 0 : 400000;
    plan_.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan_, &truth_));
    h_ = OpenMSData(path_, "MSData", 0);
    ASSERT_NE(h_, nullptr);
    const auto& seg = truth_.segments[c.step == 1 ? 0 : 1];
    const uint32_t first = seg.firstScan, last = seg.lastScan - (seg.lastScan - seg.firstScan) % c.step;
    const uint32_t count = (last - first) / c.step + 1;
    ASSERT_GE(count, 100u);
    STRUCT_CHAN_LIST channels{};
    channels.kind = c.kind;
    MS_SEGMENT_BLOCK segment;
    ASSERT_EQ(ReadMSSegmentBlock(h_, c.step == 1 ? 1 : 2, &segment, 0), 0);

    const uint32_t scanBytes = GetMSScanBufferSize(h_);
    std::unique_ptr<void, void (*)(void*)> room(AllocBlock(4 + 13 * 4 * MS_MAX_SCAN_POINTS), FreeBlock);
    void* buffer = room.get();
    MS_SCAN_HEADER header;
    double t1 = 0, t2 = 0;
    auto average = [&](uint32_t scans) {
      return AverageScans(h_, &channels, &header, buffer, first, first + (scans - 1) * c.step, uint16_t(c.step),
                          &t1, &t2, path_);
    };
    int32_t ok = 0;
    const int64_t held = MostBlocksOf(16 + scanBytes, [&] { ok = average(count); });
    ASSERT_EQ(ok, 1);
    // One scan buffer at a time, not one for every scan of the range.
    if (held >= 0) {
      EXPECT_LE(held, 2);
    }
    const Peaks got = Read(buffer);
    ASSERT_GT(got.size(), 20u);

    // An independent sum: every peak of every scan, averaged, rounded once
    // per entry of the average.
    double sum = 0;
    for (uint32_t s = first; s <= last; s += c.step) sum += double(Total(Scan(s, c.kind)));
    EXPECT_NEAR(double(Total(got)), sum / count, 0.5 * double(got.size()) + 1);
    EXPECT_EQ(+header.totalIon, Total(got));
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));

    // The scans held at once and averaged by the spectrum library.
    const Peaks want = AverageHeldInMemory(h_, &channels, first, last, c.step, segment);
    if (!c.sameGroups) {
      EXPECT_NEAR(double(got.size()), double(want.size()), 0.002 * double(want.size()));
      continue;
    }
    ASSERT_EQ(got.size(), want.size());
    size_t differ = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].first, want[i].first, 1e-9);
      differ += got[i].second != want[i].second;
    }
    EXPECT_EQ(differ, 0u);
  }
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
