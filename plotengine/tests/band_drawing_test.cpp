// Fade fills and band-clipped polylines and polygons, read back from a
// metafile.
#include "plotengine/band_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "plotengine/tests/recorded_calls.h"

namespace {

std::vector<POINT> Pts(std::initializer_list<POINT> p) { return p; }

bool Same(const std::vector<POINT>& a, const std::vector<POINT>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
  return true;
}

std::vector<std::vector<POINT>> Polylines(const CallLog& log) {
  std::vector<std::vector<POINT>> out;
  for (const auto& c : log.Of(EMR_POLYLINE)) out.push_back(c.points);
  return out;
}

TEST(FadeFill, FromWhiteEndsInTheColourAtTheBottom) {
  // 512 units high: every band is exactly 2 high.
  const CallLog log = RecordCalls([](HDC dc) { KELT_FillRectWithFadeColor(dc, RGB(200, 100, 50), 1, 10, 20, 110, 532); });
  const auto fills = log.Of(EMR_BITBLT);
  ASSERT_EQ(fills.size(), 256u);
  EXPECT_EQ(fills[0].brush, RGB(255, 255, 255));
  EXPECT_EQ(fills[0].rect.top, 20);
  EXPECT_EQ(fills[0].rect.bottom, 22);
  EXPECT_EQ(fills[0].rect.left, 10);
  EXPECT_EQ(fills[0].rect.right, 111);  // right - left + 1 wide
  // Band 128: 255 - 128 x (255 - c) / 255 per channel, truncated.
  EXPECT_EQ(fills[128].brush, RGB(227, 177, 152));
  EXPECT_EQ(fills[128].rect.top, 276);
  EXPECT_EQ(fills[255].brush, RGB(200, 100, 50));
  EXPECT_EQ(fills[255].rect.bottom, 532);
  for (const auto& f : fills) EXPECT_EQ(f.rop, PATCOPY);
}

TEST(FadeFill, FromBlackRisesToTheColourAtTheTop) {
  const CallLog log = RecordCalls([](HDC dc) { KELT_FillRectWithFadeColor(dc, RGB(255, 0, 0), 0, 0, 0, 99, 256); });
  const auto fills = log.Of(EMR_BITBLT);
  ASSERT_EQ(fills.size(), 256u);
  // Band 0 is the bottom one and black; band 255 the top one, pure red.
  EXPECT_EQ(fills[0].brush, RGB(0, 0, 0));
  EXPECT_EQ(fills[0].rect.top, 255);
  EXPECT_EQ(fills[0].rect.bottom, 256);
  EXPECT_EQ(fills[255].brush, RGB(255, 0, 0));
  EXPECT_EQ(fills[255].rect.top, 0);
  EXPECT_EQ(fills[100].brush, RGB(100, 0, 0));
}

TEST(FadeFill, PixelsOfARasterRunFromWhiteToTheColour) {
  HDC screen = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 40, 256);
  HGDIOBJ old = SelectObject(screen, bmp);
  KELT_FillRectWithFadeColor(screen, RGB(0, 0, 255), 1, 0, 0, 39, 256);
  EXPECT_EQ(GetPixel(screen, 5, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(screen, 39, 255), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(screen, 20, 128), RGB(127, 127, 255));
  SelectObject(screen, old);
  DeleteObject(bmp);
  DeleteDC(screen);
}

struct CutCase {
  const char* name;
  std::vector<POINT> in;
  std::vector<std::vector<POINT>> pieces;
};

TEST(YCutPolyline, PiecesEndOnTheBandAtTheCrossings) {
  const CutCase cases[] = {
      {"inside", Pts({{0, 10}, {5, 0}, {9, 100}}), {Pts({{0, 10}, {5, 0}, {9, 100}})}},
      {"above between two points",
       Pts({{0, 50}, {10, 50}, {20, -50}, {30, 50}, {40, 50}}),
       {Pts({{0, 50}, {10, 50}, {15, 0}}), Pts({{25, 0}, {30, 50}, {40, 50}})}},
      {"across the whole band", Pts({{0, -100}, {30, 200}}), {Pts({{10, 0}, {20, 100}})}},
      {"outside on one side only", Pts({{0, -5}, {10, -50}, {20, -1}}), {}},
      {"out below and back",
       Pts({{0, 80}, {4, 300}, {8, 60}}),
       {Pts({{0, 80}, {1, 100}}), Pts({{8, 100}, {8, 60}})}},
      // Clamped overflow values: the crossings are computed without wrapping.
      {"clamped",
       Pts({{0, 50}, {10, 2147483647}, {20, 50}}),
       {Pts({{0, 50}, {1, 100}}), Pts({{20, 100}, {20, 50}})}},
      {"clamped upward",
       Pts({{0, 50}, {10, -2147483647}, {20, 50}}),
       {Pts({{0, 50}, {1, 0}}), Pts({{20, 0}, {20, 50}})}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = Polylines(RecordCalls(
        [&](HDC dc) { KELT_YCutPolyline(dc, c.in.data(), static_cast<int32_t>(c.in.size()), 100, 0); }));
    ASSERT_EQ(got.size(), c.pieces.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(Same(got[i], c.pieces[i])) << "piece " << i;
  }
}

TEST(YCutPolyline, LongRunsGoToTheDeviceInTenThousands) {
  std::vector<POINT> pts(25000);
  for (int i = 0; i < 25000; ++i) pts[i] = {i / 25, 10 + (i * 7) % 80};
  auto got = Polylines(RecordCalls([&](HDC dc) { KELT_YCutPolyline(dc, pts.data(), 25000, 100, 0); }));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].size(), 10000u);
  EXPECT_EQ(got[1].size(), 10000u);
  EXPECT_EQ(got[2].size(), 5000u);
  EXPECT_EQ(got[1][0].y, pts[10000].y);
  EXPECT_EQ(got[2][4999].y, pts[24999].y);

  // A cut piece is split the same way.
  pts[0].y = -20;
  got = Polylines(RecordCalls([&](HDC dc) { KELT_YCutPolyline(dc, pts.data(), 25000, 100, 0); }));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].size(), 10000u);
  EXPECT_EQ(got[0][0].y, 0);
  EXPECT_EQ(got[2].size(), 5000u);
}

TEST(YCutPolyline, FewerThanTwoPointsDrawNothing) {
  POINT one{5, 5};
  EXPECT_TRUE(RecordCalls([&](HDC dc) { KELT_YCutPolyline(dc, &one, 1, 100, 0); }).Of(EMR_POLYLINE).empty());
  EXPECT_TRUE(RecordCalls([&](HDC dc) { KELT_YCutPolyline(dc, nullptr, 5, 100, 0); }).Of(EMR_POLYLINE).empty());
}

TEST(YCutPolygon, CrossingsInsertedAndTheRestClampedToTheBand) {
  const auto in = Pts({{0, 50}, {10, -50}, {20, 50}, {30, 250}, {40, 50}, {35, 60}});
  const auto log = RecordCalls([&](HDC dc) { KELT_YCutPolygon(dc, in.data(), 6, 100, 0); });
  const auto polys = log.Of(EMR_POLYGON);
  ASSERT_EQ(polys.size(), 1u);
  // The walk ends where x first decreases (at (35, 60)).
  EXPECT_TRUE(Same(polys[0].points, Pts({{0, 50}, {5, 0}, {10, 0}, {15, 0}, {20, 50}, {23, 100}, {30, 100},
                                         {38, 100}, {40, 50}})));
}

TEST(YCutPolygon, EveryEdgeAcrossTheBandKeepsBothCrossings) {
  // Each edge crosses the whole band: three points per input point, more
  // than a work array of two per point would hold.
  std::vector<POINT> in;
  for (int i = 0; i < 200; ++i) in.push_back({i * 10, i % 2 ? 300 : -200});
  const auto polys = RecordCalls([&](HDC dc) { KELT_YCutPolygon(dc, in.data(), 200, 100, 0); }).Of(EMR_POLYGON);
  ASSERT_EQ(polys.size(), 1u);
  EXPECT_EQ(polys[0].points.size(), 200u + 2u * 199u);
  for (const auto& p : polys[0].points) {
    EXPECT_GE(p.y, 0);
    EXPECT_LE(p.y, 100);
  }
  EXPECT_EQ(polys[0].points[1].x, 4);  // (0, -200) to (10, 300) meets y = 0 at x = 4
}

TEST(YCutPolygon, InsideTheBandDrawnAsGiven) {
  const auto in = Pts({{0, 50}, {10, 20}, {5, 60}});
  const auto polys = RecordCalls([&](HDC dc) { KELT_YCutPolygon(dc, in.data(), 3, 100, 0); }).Of(EMR_POLYGON);
  ASSERT_EQ(polys.size(), 1u);
  EXPECT_TRUE(Same(polys[0].points, in));
}

}  // namespace
