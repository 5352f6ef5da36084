// Fonts and text: metrics, measurement, placement, rotation, formatting.
#include <cmath>
#include <cstring>
#include <vector>

#include "gdi_test_support.h"

namespace {

HFONT MakeFont(const char* face, LONG height, LONG weight = FW_NORMAL, LONG escapement = 0,
               BYTE underline = 0) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfEscapement = lf.lfOrientation = escapement;
  lf.lfUnderline = underline;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

SIZE Extent(HDC dc, const char* s) {
  SIZE sz{};
  EXPECT_TRUE(GetTextExtentPoint32A(dc, s, int(std::strlen(s)), &sz));
  return sz;
}

// Bounding box of the pixels that are not white.
RECT Ink(const RasterCanvas& c, int w, int h) {
  RECT r{w, h, -1, -1};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (c.At(x, y) != RGB(255, 255, 255)) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

class GdiTextTest : public GdiTest {};

TEST_F(GdiTextTest, MetricsAreFixedNumbers) {
  struct Case {
    const char* face;
    LONG height;
    LONG weight;
    LONG ascent, descent, internalLeading, aveWidth, extentM, extentText;
  };
  // DejaVu Sans / Serif / Sans Mono design metrics scaled to the em.
  const Case cases[] = {
      {"Arial", -20, FW_NORMAL, 19, 5, 4, 10, 17, 122},
      {"Arial", 24, FW_NORMAL, 19, 5, 3, 10, 18, 126},  // cell height: em 20.6
      {"Arial", -20, FW_BOLD, 19, 5, 4, 11, 20, 139},
      {"Times New Roman", -20, FW_NORMAL, 19, 5, 4, 10, 20, 128},
      {"Courier New", -20, FW_NORMAL, 19, 5, 4, 12, 12, 144},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const auto& k : cases) {
    HFONT f = MakeFont(k.face, k.height, k.weight);
    HGDIOBJ old = SelectObject(dc, f);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    SIZE m = Extent(dc, "M"), t = Extent(dc, "Hello, World");
    EXPECT_EQ(tm.tmAscent, k.ascent) << k.face;
    EXPECT_EQ(tm.tmDescent, k.descent) << k.face;
    EXPECT_EQ(tm.tmHeight, k.ascent + k.descent) << k.face;
    EXPECT_EQ(tm.tmInternalLeading, k.internalLeading) << k.face;
    EXPECT_EQ(tm.tmAveCharWidth, k.aveWidth) << k.face;
    EXPECT_EQ(m.cx, k.extentM) << k.face;
    EXPECT_EQ(m.cy, tm.tmHeight) << k.face;
    EXPECT_EQ(t.cx, k.extentText) << k.face;
    SelectObject(dc, old);
    DeleteObject(f);
  }
  DeleteDC(dc);
}

TEST_F(GdiTextTest, MeasurementAddsUpAndFollowsCharacterExtra) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT f = MakeFont("Courier New", -20);
  SelectObject(dc, f);
  EXPECT_EQ(Extent(dc, "MMMM").cx, 4 * Extent(dc, "i").cx);
  EXPECT_EQ(SetTextCharacterExtra(dc, 3), 0);
  EXPECT_EQ(Extent(dc, "MMMM").cx, 4 * 12 + 4 * 3);
  SetTextCharacterExtra(dc, 0);
  INT widths[3];
  ASSERT_TRUE(GetCharWidthA(dc, 'A', 'C', widths));
  EXPECT_EQ(widths[0], 12);
  SIZE none;
  EXPECT_TRUE(GetTextExtentPoint32A(dc, "", 0, &none));
  EXPECT_EQ(none.cx, 0);
  EXPECT_FALSE(GetTextExtentPoint32A(dc, nullptr, 5, &none));
  EXPECT_FALSE(GetTextExtentPoint32A(dc, "x", -1, &none));
  LOGFONTA back{};
  EXPECT_EQ(GetObjectA(f, sizeof(back), &back), 60);
  EXPECT_EQ(back.lfHeight, -20);
  EXPECT_STREQ(back.lfFaceName, "Courier New");
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  // The stock GUI font is an 8-point face at 96 pixels per inch.
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(dc, &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
  DeleteDC(dc);
}

TEST_F(GdiTextTest, LogicalUnitsFollowTheMapping) {
  // A report page: 32767 logical units over 5100 printer pixels across and
  // 6600 down. A 320-unit font is 320 units high whatever the pixels.
  HDC printer = CreateDCA("WINSPOOL", "Kelt PDF", nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(GetDeviceCaps(printer, HORZRES), 5100);
  EXPECT_EQ(GetDeviceCaps(printer, VERTRES), 6600);
  EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSX), 600);
  EXPECT_EQ(GetDeviceCaps(printer, HORZSIZE), 216);
  HDC dc = CreateEnhMetaFileA(printer, nullptr, nullptr, "x\0y\0\0");
  SetMapMode(dc, MM_ANISOTROPIC);
  SetViewportExtEx(dc, 5100, 6600, nullptr);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  HFONT f = MakeFont("Courier New", -320);
  SelectObject(dc, f);
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(dc, &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 320);
  // Glyphs keep their shape on the paper, so across the page (where a unit is
  // smaller) the advance of 0.602 em takes more units: 0.602*320*6600/5100.
  SIZE m = Extent(dc, "M");
  EXPECT_NEAR(m.cx, 0.6021 * 320 * 6600 / 5100, 1.0);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  DeleteEnhMetaFile(CloseEnhMetaFile(dc));
  DeleteDC(printer);
}

TEST_F(GdiTextTest, AlignmentPlacesTheInk) {
  struct Case { UINT align; const char* what; };
  const Case cases[] = {{TA_LEFT | TA_TOP, "left top"}, {TA_CENTER | TA_BASELINE, "center baseline"},
                        {TA_RIGHT | TA_BOTTOM, "right bottom"}};
  for (const auto& k : cases) {
    RasterCanvas c(200, 100);
    HFONT f = MakeFont("Arial", -20);
    SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    SetTextAlign(c.dc, k.align);
    ASSERT_TRUE(TextOutA(c.dc, 100, 50, "HHHH", 4));
    RECT ink = Ink(c, 200, 100);
    SIZE ext = Extent(c.dc, "HHHH");
    switch (k.align & TA_CENTER) {
      case TA_LEFT: EXPECT_GE(ink.left, 100) << k.what; EXPECT_LE(ink.right, 100 + ext.cx) << k.what; break;
      case TA_CENTER: EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 2) << k.what; break;
      case TA_RIGHT: EXPECT_LE(ink.right, 100) << k.what; EXPECT_GE(ink.left, 100 - ext.cx) << k.what; break;
    }
    switch (k.align & TA_BASELINE) {
      case TA_TOP: EXPECT_GE(ink.top, 50) << k.what; EXPECT_NEAR(ink.bottom, 50 + 19, 1) << k.what; break;
      case TA_BASELINE: EXPECT_NEAR(ink.bottom, 50, 1) << k.what; break;
      case TA_BOTTOM: EXPECT_NEAR(ink.bottom, 50 - 5, 1) << k.what; break;
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
  }
}

TEST_F(GdiTextTest, RotatedTextRunsUpTheSide) {
  RasterCanvas c(100, 200);
  HFONT f = MakeFont("Arial", -16, FW_NORMAL, 900);
  SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  SIZE ext = Extent(c.dc, "Retention");
  ASSERT_TRUE(TextOutA(c.dc, 30, 150, "Retention", 9));
  RECT ink = Ink(c, 100, 200);
  // Top of the cell is at x = 30: the ink lies to its right, going upwards.
  EXPECT_GE(ink.left, 29);
  EXPECT_LE(ink.right, 30 + 20);
  EXPECT_LE(ink.bottom, 151);
  EXPECT_NEAR(ink.bottom - ink.top, ext.cx, 4);
  EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST_F(GdiTextTest, BackgroundUnderlineAndClipping) {
  RasterCanvas c(200, 60);
  HFONT f = MakeFont("Arial", -20, FW_NORMAL, 0, 1);
  SelectObject(c.dc, f);
  SetBkColor(c.dc, RGB(0, 255, 0));
  SetTextColor(c.dc, RGB(0, 0, 255));
  TextOutA(c.dc, 10, 10, "ii", 2);
  // Opaque background fills the cell, the underline runs below the baseline.
  EXPECT_EQ(c.At(11, 11), RGB(0, 255, 0));
  int under = 0;
  for (int y = 29; y < 34; ++y) under += c.At(12, y) == RGB(0, 0, 255);
  EXPECT_GE(under, 1);
  // Clipped output stays inside its rectangle.
  RECT clip{100, 10, 110, 40};
  SetBkMode(c.dc, TRANSPARENT);
  ExtTextOutA(c.dc, 95, 10, ETO_CLIPPED, &clip, "MMMM", 4, nullptr);
  RECT outside{0, 0, 0, 0};
  for (int y = 0; y < 60; ++y)
    for (int x = 111; x < 200; ++x) outside.right += c.At(x, y) != RGB(255, 255, 255);
  EXPECT_EQ(outside.right, 0);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST_F(GdiTextTest, DrawTextMeasuresAndAligns) {
  RasterCanvas c(200, 100);
  HFONT f = MakeFont("Arial", -12);
  SelectObject(c.dc, f);
  RECT r{0, 0, 60, 0};
  int h = DrawTextA(c.dc, "one two three four", -1, &r, DT_CALCRECT | DT_WORDBREAK);
  TEXTMETRICA tm;
  GetTextMetricsA(c.dc, &tm);
  EXPECT_GE(h, 2 * tm.tmHeight);
  EXPECT_EQ(r.bottom, h);
  EXPECT_LE(r.right, 60);
  RECT one{0, 0, 0, 0};
  DrawTextA(c.dc, "&File", -1, &one, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(one.right, Extent(c.dc, "File").cx);
  RECT box{0, 0, 200, 100};
  SetBkMode(c.dc, TRANSPARENT);
  DrawTextA(c.dc, "Mid", 3, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT ink = Ink(c, 200, 100);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 3);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 50, 5);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

}  // namespace

namespace {

// Glyphs through a rectangular clip set the same pixels as through a clip
// of the same rectangle plus one pixel far from the text (never one
// rectangle, so tested pixel by pixel): with a clip across the letters,
// and with none.
TEST_F(GdiTextTest, GlyphsClipAlikeThroughRectanglesAndRegions) {
  for (bool across : {true, false}) {
    std::vector<COLORREF> drawn[2];
    for (int region = 0; region < 2; ++region) {
      RasterCanvas c(160, 50);
      HFONT f = MakeFont("Arial", -22);
      SelectObject(c.dc, f);
      SetBkMode(c.dc, TRANSPARENT);
      SetTextColor(c.dc, RGB(20, 40, 200));
      const RECT area = across ? RECT{23, 9, 97, 31} : RECT{0, 0, 159, 50};
      HRGN clip = CreateRectRgn(area.left, area.top, area.right, area.bottom);
      if (region) {
        HRGN pixel = CreateRectRgn(159, 49, 160, 50);
        EXPECT_EQ(CombineRgn(clip, clip, pixel, RGN_OR), COMPLEXREGION);
        DeleteObject(pixel);
      }
      SelectClipRgn(c.dc, clip);
      DeleteObject(clip);
      TextOutA(c.dc, 8, 6, "Wg|m/z 91", 9);
      SelectClipRgn(c.dc, nullptr);
      for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 160; ++x) drawn[region].push_back(c.At(x, y));
      SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
      DeleteObject(f);
    }
    size_t inked = 0;
    for (COLORREF p : drawn[0]) inked += p != RGB(255, 255, 255);
    EXPECT_GT(inked, 60u) << across;
    EXPECT_EQ(drawn[0], drawn[1]) << across;
  }
}

}  // namespace
