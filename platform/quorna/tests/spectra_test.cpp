// Averaging and nominal-mass spectra.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "orvik32/orvik32.h"
#include "ms_test_data.h"

namespace {

struct Pk {
  double mass;
  uint32_t intensity;
};

std::vector<Pk> Entries(const void* b) {
  uint32_t n;
  std::memcpy(&n, b, 4);
  std::vector<Pk> out(n);
  const auto* p = static_cast<const uint8_t*>(b);
  for (uint32_t i = 0; i < n; ++i) {
    std::memcpy(&out[i].mass, p + 5 + 13 * i, 8);
    std::memcpy(&out[i].intensity, p + 13 + 13 * i, 4);
  }
  return out;
}

TEST(AverageSpectra, MeansMatchingPeaksOverAllSpectra) {
  auto a = mstest::Exchange({{100.0, 10}, {101.0, 20}});
  auto b = mstest::Exchange({{100.0, 30}, {102.0, 41}});
  void* bufs[] = {a.data(), b.data()};
  void* avg = AverageSpectra(bufs, 2, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(avg, nullptr);
  auto e = Entries(avg);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_DOUBLE_EQ(e[0].mass, 100.0);
  EXPECT_EQ(e[0].intensity, 20u);   // (10 + 30) / 2
  EXPECT_EQ(e[1].intensity, 10u);   // 20 / 2: absent counts as 0
  EXPECT_EQ(e[2].intensity, 21u);   // 41 / 2 = 20.5, rounded up
  FreeBlock(avg);
}

TEST(AverageSpectra, JoinsPeaksWithinTheMassDecimals) {
  // Two decimals: peaks within 0.005 join, their mass intensity-weighted.
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->functions[0].massDecimals = 2;
  MS_INFO_BLOCK info{};
  info.centroid = 1;
  auto a = mstest::Exchange({{91.052, 100}, {91.070, 10}});
  auto b = mstest::Exchange({{91.054, 300}});
  void* bufs[] = {a.data(), b.data()};
  void* avg = AverageSpectra(bufs, 2, &info, seg.get(), nullptr, nullptr);
  ASSERT_NE(avg, nullptr);
  auto e = Entries(avg);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_NEAR(e[0].mass, (91.052 * 100 + 91.054 * 300) / 400, 1e-12);
  EXPECT_EQ(e[0].intensity, 200u);
  EXPECT_EQ(e[1].intensity, 5u);
  FreeBlock(avg);
  EXPECT_EQ(AverageSpectra(bufs, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
  void* none[] = {a.data(), nullptr};
  EXPECT_EQ(AverageSpectra(none, 2, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST(NominalSpectrum, RoundsAndCombines) {
  auto in = mstest::Exchange({{90.9, 5}, {91.2, 10}, {91.6, 7}, {104.95, 3}});
  std::vector<uint8_t> out(in.size());
  ASSERT_NE(MakeNominalSpectrum(in.data(), out.data(), 0, 1, 1), 0);
  auto e = Entries(out.data());
  ASSERT_EQ(e.size(), 3u);
  EXPECT_DOUBLE_EQ(e[0].mass, 91.0);
  EXPECT_EQ(e[0].intensity, 15u);
  EXPECT_DOUBLE_EQ(e[1].mass, 92.0);
  EXPECT_DOUBLE_EQ(e[2].mass, 105.0);
  ASSERT_NE(MakeNominalSpectrum(in.data(), out.data(), 0, 0, 0), 0);  // truncate, keep largest
  e = Entries(out.data());
  ASSERT_EQ(e.size(), 3u);
  EXPECT_DOUBLE_EQ(e[0].mass, 90.0);
  EXPECT_EQ(e[1].intensity, 10u);
  EXPECT_EQ(MakeNominalSpectrum(in.data(), out.data(), 10, 1, 1), 0);  // no room
  EXPECT_EQ(MakeNominalSpectrum(nullptr, out.data(), 0, 1, 1), 0);
}

TEST(SpectrumKinds, CentroidScanKindAndXmsKinds) {
  EXPECT_EQ(MakeCentroidScanKind(61, 13, 0, 0, 0), 13 | MS_SCAN_KIND_CENTROIDED);
  EXPECT_EQ(MakeCentroidScanKind(61, 13, 1, 0, 0), 13);
  EXPECT_TRUE(IsXMSFileKind(MS_FILE_KIND_TANDEM));
  EXPECT_FALSE(IsXMSFileKind(MS_FILE_KIND_QUADRUPOLE));
}

}  // namespace
