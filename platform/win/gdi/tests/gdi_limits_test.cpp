// Drawing at the edges: empty records, sizes that overflow, glyphs far
// bigger than what is visible, and the glyph cache's bound.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gdi_test_support.h"
#include "win/win_glyph_cache.h"

namespace {

class GdiLimitsTest : public GdiTest {};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST_F(GdiLimitsTest, RegressionMetafilesPlayWithoutFault) {
  int played = 0;
  for (const auto& entry : std::filesystem::directory_iterator(GDI_REGRESSION_DIR)) {
    SCOPED_TRACE(entry.path().string());
    auto bytes = ReadBytes(entry.path());
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    if (!emf) continue;
    RasterCanvas c(64, 64);
    RECT where{0, 0, 64, 64};
    PlayEnhMetaFile(c.dc, emf, &where);
    HDC rec = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    PlayEnhMetaFile(rec, emf, &where);
    DeleteEnhMetaFile(CloseEnhMetaFile(rec));
    DeleteEnhMetaFile(emf);
    ++played;
  }
  EXPECT_GE(played, 1);
}

// A poly record of the given type and polygon counts, 32-bit points.
std::vector<uint8_t> PolyPolyRecord(DWORD type, const std::vector<INT>& counts) {
  DWORD total = 0;
  for (INT c : counts) total += DWORD(c);
  std::vector<uint8_t> r(32 + counts.size() * 4 + total * 8);
  EMR head{type, DWORD(r.size())};
  std::memcpy(r.data(), &head, sizeof head);
  DWORD polys = DWORD(counts.size());
  std::memcpy(r.data() + 24, &polys, 4);
  std::memcpy(r.data() + 28, &total, 4);
  if (!counts.empty()) std::memcpy(r.data() + 32, counts.data(), counts.size() * 4);
  for (DWORD i = 0; i < total; ++i) {
    POINT p{LONG(i * 10), LONG((i % 3) * 10)};
    std::memcpy(r.data() + 32 + counts.size() * 4 + i * 8, &p, 8);
  }
  return r;
}

TEST_F(GdiLimitsTest, PolyRecordsWithoutPolygonsDrawNothing) {
  RasterCanvas c(40, 40);
  HDC meta = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  for (DWORD type : {DWORD(EMR_POLYPOLYGON), DWORD(EMR_POLYPOLYLINE)}) {
    auto empty = PolyPolyRecord(type, {});
    for (HDC dc : {c.dc, meta})
      EXPECT_TRUE(PlayEnhMetaFileRecord(dc, nullptr, reinterpret_cast<ENHMETARECORD*>(empty.data()), 1));
    auto one = PolyPolyRecord(type, {3});
    EXPECT_TRUE(PlayEnhMetaFileRecord(c.dc, nullptr, reinterpret_cast<ENHMETARECORD*>(one.data()), 1));
  }
  EXPECT_EQ(c.At(35, 35), RGB(255, 255, 255));
  DeleteEnhMetaFile(CloseEnhMetaFile(meta));
}

TEST_F(GdiLimitsTest, EmptyOpaqueTextIsRecordedAsAFill) {
  // What the framework's FillSolidRect does on a metafile DC.
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  SetBkColor(dc, RGB(10, 20, 30));
  RECT r{5, 5, 25, 25};
  EXPECT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
  EXPECT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr));
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  ASSERT_NE(emf, nullptr);
  RasterCanvas c(40, 40);
  RECT all{0, 0, 40, 40};
  ENHMETAHEADER h{};
  GetEnhMetaFileHeader(emf, sizeof h, &h);
  // Played back at its own size the fill lands where it was drawn.
  EXPECT_TRUE(PlayEnhMetaFile(c.dc, emf, &all));
  DeleteEnhMetaFile(emf);
}

TEST_F(GdiLimitsTest, BitmapRecordWhoseSizeOverflowsIsRefused) {
  std::vector<uint8_t> rec(sizeof(EMRSTRETCHBLT) + sizeof(BITMAPINFOHEADER) + 16);
  EMRSTRETCHBLT b{};
  b.emr = {EMR_STRETCHBLT, DWORD(rec.size())};
  b.cxDest = b.cyDest = 10;
  b.dwRop = SRCCOPY;
  b.offBmiSrc = sizeof(EMRSTRETCHBLT);
  b.cbBmiSrc = sizeof(BITMAPINFOHEADER);
  b.offBitsSrc = sizeof(EMRSTRETCHBLT) + sizeof(BITMAPINFOHEADER);
  b.cbBitsSrc = 16;
  b.cxSrc = b.cySrc = 2;
  std::memcpy(rec.data(), &b, sizeof b);
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biBitCount = 32;
  bih.biPlanes = 1;
  struct Size {
    LONG w, h;
    bool plays;
  };
  for (Size s : {Size{0x7FFFFFFF, 0x7FFFFFFF, false}, Size{0x7FFFFFFF, -0x7FFFFFFF, false},
                 Size{0x40000000, 0x40000000, false}, Size{2, 2, true}}) {
    SCOPED_TRACE(s.w);
    bih.biWidth = s.w;
    bih.biHeight = s.h;
    std::memcpy(rec.data() + b.offBmiSrc, &bih, sizeof bih);
    RasterCanvas c(20, 20);
    EXPECT_EQ(PlayEnhMetaFileRecord(c.dc, nullptr, reinterpret_cast<ENHMETARECORD*>(rec.data()), 1) != 0,
              s.plays);
  }
}

TEST_F(GdiLimitsTest, PenWiderThanAnyIntDraws) {
  RasterCanvas c(50, 50);
  HDC meta = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  for (HDC dc : {c.dc, meta}) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, 100000, 100000, nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1 << 26, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, 0, nullptr);
    EXPECT_TRUE(LineTo(dc, 0, 0));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  SetMapMode(c.dc, MM_TEXT);
  EXPECT_EQ(c.At(25, 25), RGB(0, 0, 0));  // the pen covers everything
  DeleteEnhMetaFile(CloseEnhMetaFile(meta));
}

HFONT Font(int height, int width = 0) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  std::strcpy(lf.lfFaceName, "Arial");
  return CreateFontIndirectA(&lf);
}

TEST_F(GdiLimitsTest, GlyphsNarrowerThanAPixelDraw) {
  // Squeezed to the narrowest width and mapped down to a few pixels, thin
  // glyphs come out 0 pixels wide but rows high.
  std::string all;
  for (int ch = 33; ch < 256; ++ch) all += char(ch);
  for (int shrink : {1, 10, 30, 100}) {
    for (int height : {-20, -60, -200, -300, -1000}) {
      RasterCanvas c(400, 400);
      SetMapMode(c.dc, MM_ANISOTROPIC);
      SetWindowExtEx(c.dc, shrink, shrink, nullptr);
      SetViewportExtEx(c.dc, 1, 1, nullptr);
      HFONT f = Font(height, 1);
      HGDIOBJ old = SelectObject(c.dc, f);
      EXPECT_TRUE(TextOutA(c.dc, 5, 5, all.c_str(), int(all.size())));
      SelectObject(c.dc, old);
      DeleteObject(f);
    }
  }
}

TEST_F(GdiLimitsTest, HugeGlyphsRenderOnlyWhatIsVisibleAndTheCacheStaysBounded) {
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  {
    // Into a 1x1 clip, and into a small bitmap, at 12,000 pixels per em.
    RasterCanvas c(100, 100);
    HFONT f = Font(-12000);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    HRGN one = CreateRectRgn(50, 50, 51, 51);
    SelectClipRgn(c.dc, one);
    EXPECT_TRUE(TextOutA(c.dc, -3000, 9000, letters.c_str(), int(letters.size())));
    SelectClipRgn(c.dc, nullptr);
    DeleteObject(one);
    EXPECT_TRUE(TextOutA(c.dc, -5000, 9000, letters.c_str(), int(letters.size())));
    SelectObject(c.dc, old);
    DeleteObject(f);
  }
  EXPECT_LE(win::gdi::GlyphCacheBytes(), win::gdi::GlyphCacheLimitBytes());

  // A big glyph partly visible draws exactly the pixels of that part of it.
  auto draw = [](RasterCanvas& c, int x, int y) {
    HFONT f = Font(-1200);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    EXPECT_TRUE(TextOutA(c.dc, x, y, "H", 1));
    SelectObject(c.dc, old);
    DeleteObject(f);
  };
  RasterCanvas whole(1000, 1000), part(200, 200);
  draw(whole, 100, 50);
  draw(part, 100 - 300, 50 - 400);
  int inked = 0, differ = 0;
  for (int y = 0; y < 200; y += 1)
    for (int x = 0; x < 200; x += 1) {
      COLORREF p = part.At(x, y);
      if (p != whole.At(x + 300, y + 400)) ++differ;
      if (p != RGB(255, 255, 255)) ++inked;
    }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(inked, 1000);
}

}  // namespace
