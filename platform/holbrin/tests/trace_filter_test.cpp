#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "holbrin/holbrin.h"

namespace {

std::vector<uint8_t> Block(const std::vector<uint64_t>& values, uint32_t isDouble = 0) {
  std::vector<uint8_t> b(12 + 20 * values.size(), 0);
  uint32_t last = uint32_t(values.size());
  std::memcpy(&b[4], &last, 4);
  std::memcpy(&b[8], &isDouble, 4);
  for (size_t i = 0; i < values.size(); ++i) {
    double t = 0.01 * double(i);
    std::memcpy(&b[12 + 20 * i], &t, 8);
    std::memcpy(&b[24 + 20 * i], &values[i], 8);
  }
  return b;
}

std::vector<uint64_t> Values(const void* block, size_t n) {
  std::vector<uint64_t> v(n);
  for (size_t i = 0; i < n; ++i) std::memcpy(&v[i], static_cast<const uint8_t*>(block) + 24 + 20 * i, 8);
  return v;
}

std::vector<uint64_t> Filter(const std::vector<uint64_t>& in, DH_FILTER_REQUEST r) {
  std::vector<uint8_t> b = Block(in);
  void* out = nullptr;
  EXPECT_TRUE(FilterMSTrace(&out, b.data(), &r, uint32_t(in.size())));
  if (!out) return {};
  EXPECT_EQ(std::memcmp(out, b.data(), 24), 0);  // head and first time kept
  std::vector<uint64_t> v = Values(out, in.size());
  FreeBlock(out);
  return v;
}

}  // namespace

TEST(TraceFilter, MeanSavitzkyGolayAndSpikes) {
  // Moving mean over three points, shrinking at the ends.
  EXPECT_EQ(Filter({0, 0, 3, 0, 0}, {1, 1, 0, 0, 0}), (std::vector<uint64_t>{0, 1, 1, 1, 0}));
  // Quadratic Savitzky-Golay keeps a parabola inside the window.
  std::vector<uint64_t> parabola;
  for (int i = 0; i < 9; ++i) parabola.push_back(uint64_t(1000 + 10 * (i - 4) * (i - 4)));
  std::vector<uint64_t> sg = Filter(parabola, {2, 2, 0, 0, 0});
  for (size_t i = 2; i < 7; ++i) EXPECT_EQ(sg[i], parabola[i]) << i;
  // A point over twice its neighbours' mean is a spike.
  EXPECT_EQ(Filter({100, 100, 900, 100, 150}, {0, 0, 20, 1, 1}),
            (std::vector<uint64_t>{100, 100, 100, 100, 150}));
  EXPECT_EQ(Filter({100, 150, 100}, {0, 0, 20, 1, 1}), (std::vector<uint64_t>{100, 150, 100}));
}

TEST(TraceFilter, RefusesWhatItCannotFilter) {
  std::vector<uint8_t> ints = Block({1, 2, 3}), doubles = Block({1, 2, 3}, 1);
  DH_FILTER_REQUEST r{1, 1, 0, 0, 0};
  void* out = reinterpret_cast<void*>(1);
  EXPECT_FALSE(FilterMSTrace(&out, doubles.data(), &r, 3));
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(FilterMSTrace(&out, ints.data(), &r, 0));
  EXPECT_FALSE(FilterMSTrace(&out, nullptr, &r, 3));
  EXPECT_FALSE(FilterMSTrace(nullptr, ints.data(), &r, 3));
  DH_FILTER_REQUEST bad[] = {{0, 1, 0, 0, 0}, {51, 2, 0, 0, 0}, {1, 3, 0, 0, 0}};
  for (const DH_FILTER_REQUEST& b : bad) EXPECT_FALSE(FilterMSTrace(&out, ints.data(), &b, 3));
}
