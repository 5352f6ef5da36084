// Enhanced metafiles: the records a drawing produces, byte images, damaged
// bytes, playback into a raster and record-by-record edits.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gdi_test_support.h"

namespace {

struct Rec {
  DWORD type;
  std::vector<uint8_t> bytes;
  template <class T>
  T As() const {
    T v{};
    std::memcpy(&v, bytes.data(), std::min(sizeof(T), bytes.size()));
    return v;
  }
};

std::vector<Rec> Records(HENHMETAFILE emf) {
  std::vector<Rec> out;
  EnumEnhMetaFile(
      nullptr, emf,
      [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM p) -> int {
        auto* v = reinterpret_cast<std::vector<Rec>*>(p);
        const auto* b = reinterpret_cast<const uint8_t*>(r);
        v->push_back({r->iType, std::vector<uint8_t>(b, b + r->nSize)});
        return 1;
      },
      &out, nullptr);
  return out;
}

const Rec* Find(const std::vector<Rec>& recs, DWORD type, size_t nth = 0) {
  for (auto& r : recs)
    if (r.type == type && nth-- == 0) return &r;
  return nullptr;
}

std::vector<uint8_t> Bits(HENHMETAFILE emf) {
  UINT n = GetEnhMetaFileBits(emf, 0, nullptr);
  std::vector<uint8_t> b(n);
  EXPECT_EQ(GetEnhMetaFileBits(emf, n, b.data()), n);
  return b;
}

// A report-like page: anisotropic 32767 page on a 600 dpi letter reference.
HENHMETAFILE MakePage() {
  HDC ref = CreateCompatibleDC(nullptr);
  RECT frame{0, 0, 21590, 27940};
  HDC dc = CreateEnhMetaFileA(ref, nullptr, &frame, "Kelt\0Page\0\0");
  DeleteDC(ref);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetViewportExtEx(dc, 816, 1056, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, RGB(1, 2, 3));
  SetTextColor(dc, RGB(0, 0, 255));
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, 1000, 1000, nullptr);
  LineTo(dc, 31000, 1000);
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  Rectangle(dc, 16000, 16000, 24000, 24000);
  LOGFONTA lf{};
  lf.lfHeight = 1500;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TextOutA(dc, 2000, 3000, "Sample 12", 9);
  SetPixel(dc, 100, 100, RGB(9, 8, 7));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldFont);
  DeleteObject(pen);
  DeleteObject(brush);
  DeleteObject(font);
  return CloseEnhMetaFile(dc);
}

class GdiMetafileTest : public GdiTest {};

TEST_F(GdiMetafileTest, RecordsFollowTheDrawing) {
  HENHMETAFILE emf = MakePage();
  ASSERT_NE(emf, nullptr);
  auto recs = Records(emf);
  ASSERT_GE(recs.size(), 10u);
  EXPECT_EQ(recs.front().type, DWORD(EMR_HEADER));
  EXPECT_EQ(recs.back().type, DWORD(EMR_EOF));
  ASSERT_TRUE(Find(recs, EMR_SETWINDOWEXTEX));
  EXPECT_EQ(Find(recs, EMR_SETWINDOWEXTEX)->As<EMRSETEXTEX>().szlExtent.cx, 32767);
  EXPECT_EQ(Find(recs, EMR_SETVIEWPORTEXTEX)->As<EMRSETEXTEX>().szlExtent.cy, 1056);
  EXPECT_EQ(Find(recs, EMR_SETMAPMODE)->As<EMRSETMODE>().iMode, DWORD(MM_ANISOTROPIC));
  EXPECT_EQ(Find(recs, EMR_SETBKMODE)->As<EMRSETMODE>().iMode, DWORD(TRANSPARENT));
  EXPECT_EQ(Find(recs, EMR_SETBKCOLOR)->As<EMRSETCOLOR>().crColor, RGB(1, 2, 3));
  EXPECT_EQ(Find(recs, EMR_SETTEXTCOLOR)->As<EMRSETCOLOR>().crColor, RGB(0, 0, 255));
  auto pen = Find(recs, EMR_CREATEPEN)->As<EMRCREATEPEN>();
  EXPECT_EQ(pen.lopn.lopnColor, RGB(255, 0, 0));
  EXPECT_EQ(pen.emr.nSize, 28u);
  auto brush = Find(recs, EMR_CREATEBRUSHINDIRECT)->As<EMRCREATEBRUSHINDIRECT>();
  EXPECT_EQ(brush.lb.lbColor, RGB(0, 255, 0));
  EXPECT_NE(brush.ihBrush, pen.ihPen);
  auto font = Find(recs, EMR_EXTCREATEFONTINDIRECTW)->As<EMREXTCREATEFONTINDIRECTW>();
  EXPECT_EQ(font.elfw.lfHeight, 1500);
  EXPECT_EQ(font.elfw.lfFaceName[0], u'A');
  EXPECT_EQ(Find(recs, EMR_LINETO)->As<EMRLINETO>().ptlOrigin.x, 31000);
  EXPECT_EQ(Find(recs, EMR_RECTANGLE)->As<EMRRECTANGLE>().rclBox.right, 24000);
  auto px = Find(recs, EMR_SETPIXELV)->As<EMRSETPIXELV>();
  EXPECT_EQ(px.crColor, RGB(9, 8, 7));
  const Rec* text = Find(recs, EMR_EXTTEXTOUTA);
  ASSERT_TRUE(text);
  auto t = text->As<EMREXTTEXTOUTA>();
  EXPECT_EQ(t.emrtext.nChars, 9u);
  EXPECT_EQ(t.emrtext.ptlReference.x, 2000);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(text->bytes.data()) + t.emrtext.offString, 9),
            "Sample 12");
  ASSERT_NE(t.emrtext.offDx, 0u);
  LONG dx0;
  std::memcpy(&dx0, text->bytes.data() + t.emrtext.offDx, 4);
  EXPECT_GT(dx0, 400);  // "S" of a 1500-unit font
  // Selecting the stock objects back is recorded with the stock flag.
  bool stockSelect = false;
  for (auto& r : recs)
    if (r.type == EMR_SELECTOBJECT && (r.As<EMRSELECTOBJECT>().ihObject & ENHMETA_STOCK_OBJECT)) stockSelect = true;
  EXPECT_TRUE(stockSelect);
  EXPECT_TRUE(Find(recs, EMR_DELETEOBJECT));
  DeleteEnhMetaFile(emf);
}

TEST_F(GdiMetafileTest, HeaderDescribesTheFile) {
  HENHMETAFILE emf = MakePage();
  ENHMETAHEADER h{};
  ASSERT_EQ(GetEnhMetaFileHeader(emf, sizeof(h), &h), sizeof(h));
  EXPECT_EQ(h.dSignature, ENHMETA_SIGNATURE);
  EXPECT_EQ(h.nVersion, 0x10000u);
  EXPECT_EQ(h.rclFrame.right, 21590);
  EXPECT_EQ(h.rclFrame.bottom, 27940);
  EXPECT_EQ(h.nBytes, GetEnhMetaFileBits(emf, 0, nullptr));
  EXPECT_EQ(h.nRecords, Records(emf).size());
  EXPECT_GE(h.nHandles, 3);
  EXPECT_EQ(h.szlDevice.cx, 1280);
  EXPECT_EQ(h.nDescription, 11u);  // "Kelt\0Page\0\0"
  char desc[16] = {};
  EXPECT_EQ(GetEnhMetaFileDescriptionA(emf, sizeof(desc), desc), 11u);
  EXPECT_STREQ(desc, "Kelt");
  EXPECT_STREQ(desc + 5, "Page");
  EXPECT_GT(h.rclBounds.right, h.rclBounds.left);
  DeleteEnhMetaFile(emf);
}

TEST_F(GdiMetafileTest, BytesRoundTrip) {
  HENHMETAFILE emf = MakePage();
  auto bytes = Bits(emf);
  EXPECT_EQ(GetEnhMetaFileBits(emf, UINT(bytes.size() - 1), bytes.data()), 0u);
  HENHMETAFILE copy = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Bits(copy), bytes);
  HENHMETAFILE third = CopyEnhMetaFileA(copy, nullptr);
  EXPECT_EQ(Bits(third), bytes);
  // Through a file.
  HENHMETAFILE filed = CopyEnhMetaFileA(emf, "C:\\TEMP\\page.emf");
  ASSERT_NE(filed, nullptr);
  HENHMETAFILE loaded = GetEnhMetaFileA("C:\\TEMP\\page.emf");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Bits(loaded), bytes);
  for (auto h : {emf, copy, third, filed, loaded}) EXPECT_TRUE(DeleteEnhMetaFile(h));
  EXPECT_FALSE(DeleteEnhMetaFile(emf));
  EXPECT_EQ(GetEnhMetaFileBits(emf, 0, nullptr), 0u);
}

TEST_F(GdiMetafileTest, DamagedBytesAreRefused) {
  HENHMETAFILE emf = MakePage();
  const auto good = Bits(emf);
  DeleteEnhMetaFile(emf);
  auto put32 = [](std::vector<uint8_t>& b, size_t at, DWORD v) { std::memcpy(b.data() + at, &v, 4); };
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const size_t firstRecord = [&] { DWORD n; std::memcpy(&n, good.data() + 4, 4); return size_t(n); }();
  const std::vector<Case> cases = {
      {"truncated", [](auto& b) { b.resize(b.size() - 4); }},
      {"only header", [&](auto& b) { b.resize(firstRecord); }},
      {"signature", [&](auto& b) { put32(b, 40, 0x12345678); }},
      {"header type", [&](auto& b) { put32(b, 0, EMR_EOF); }},
      {"total bytes too big", [&](auto& b) { put32(b, 48, DWORD(b.size() + 8)); }},
      {"record count", [&](auto& b) { put32(b, 52, 3); }},
      {"record size zero", [&](auto& b) { put32(b, firstRecord + 4, 0); }},
      {"record size odd", [&](auto& b) { put32(b, firstRecord + 4, 13); }},
      {"record size past end", [&](auto& b) { put32(b, firstRecord + 4, 0x7FFFFFF0); }},
      {"no end record", [&](auto& b) { put32(b, b.size() - 20, EMR_SETBKMODE); }},
      {"description outside", [&](auto& b) { put32(b, 60, 0x100000); }},
      {"empty", [](auto& b) { b.clear(); }},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    c.damage(bytes);
    EXPECT_EQ(SetEnhMetaFileBits(UINT(bytes.size()), bytes.data()), nullptr) << c.what;
  }
  EXPECT_EQ(SetEnhMetaFileBits(100, nullptr), nullptr);
  // Random damage: refused or accepted, then played without harm.
  std::mt19937 rng(7);
  RasterCanvas canvas(80, 100);
  RECT where{0, 0, 80, 100};
  for (int i = 0; i < 300; ++i) {
    auto bytes = good;
    for (int k = 0; k < 4; ++k) bytes[rng() % bytes.size()] = uint8_t(rng());
    if (HENHMETAFILE h = SetEnhMetaFileBits(UINT(bytes.size()), bytes.data())) {
      PlayEnhMetaFile(canvas.dc, h, &where);
      DeleteEnhMetaFile(h);
    }
  }
}

TEST_F(GdiMetafileTest, PlaybackMapsTheFrameOntoTheRectangle) {
  HENHMETAFILE emf = MakePage();
  RasterCanvas c(216, 280);  // one pixel a millimetre
  RECT where{0, 0, 216, 280};
  ASSERT_TRUE(PlayEnhMetaFile(c.dc, emf, &where));
  // Logical page 32767 wide over 816 reference pixels = 216 mm: the filled
  // rectangle 16000..24000 lies at about 105..158 mm across, 137..205 mm down.
  EXPECT_EQ(c.At(130, 170), RGB(0, 255, 0));
  EXPECT_EQ(c.At(100, 170), RGB(255, 255, 255));
  EXPECT_EQ(c.At(165, 170), RGB(255, 255, 255));
  EXPECT_EQ(c.At(130, 130), RGB(255, 255, 255));
  // The red line at logical y 1000 (about 6.6 mm).
  int red = 0;
  for (int y = 4; y < 10; ++y) red += c.At(100, y) == RGB(255, 0, 0);
  EXPECT_EQ(red, 1);
  // Text drawn in blue near its reference point.
  int blue = 0;
  for (int y = 20; y < 45; ++y)
    for (int x = 10; x < 120; ++x) {
      COLORREF p = c.At(x, y);
      blue += GetBValue(p) > 128 && GetRValue(p) < 128;
    }
  EXPECT_GT(blue, 10);
  // The target's state is as it was.
  EXPECT_EQ(GetMapMode(c.dc), MM_TEXT);
  EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
  DeleteEnhMetaFile(emf);
}

// A page played into a rectangle of another shape (a square page onto a
// portrait sheet) is stretched as a whole: its text keeps to its recorded
// advances and its glyphs narrow with them, so letters do not run into
// each other.
TEST_F(GdiMetafileTest, TextPlayedIntoAnotherShapeNarrowsWithItsAdvances) {
  HDC ref = CreateCompatibleDC(nullptr);
  RECT frame{0, 0, 10000, 10000};
  HDC dc = CreateEnhMetaFileA(ref, nullptr, &frame, nullptr);
  DeleteDC(ref);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  SetViewportExtEx(dc, 378, 378, nullptr);  // 10 cm at 96 dpi
  SetBkMode(dc, TRANSPARENT);
  LOGFONTA lf{};
  lf.lfHeight = -4000;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TextOutA(dc, 1000, 2000, "MWM", 3);  // recorded with the advances of this mapping
  TextOutA(dc, 1000, 12000, "Plots", 5);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  ASSERT_NE(emf, nullptr);

  struct Ink {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1, columns = 0;
  };
  auto ink = [](const RasterCanvas& c, int w, int top, int bottom) {
    Ink k;
    for (int x = 0; x < w; ++x) {
      bool any = false;
      for (int y = top; y < bottom; ++y)
        if (c.At(x, y) != RGB(255, 255, 255)) {
          any = true;
          k.top = std::min(k.top, y);
          k.bottom = std::max(k.bottom, y);
        }
      if (!any) continue;
      ++k.columns;
      k.left = std::min(k.left, x);
      k.right = std::max(k.right, x);
    }
    return k;
  };
  RasterCanvas square(400, 400), narrow(240, 400);
  RECT whole{0, 0, 400, 400}, squeezed{0, 0, 240, 400};
  ASSERT_TRUE(PlayEnhMetaFile(square.dc, emf, &whole));
  ASSERT_TRUE(PlayEnhMetaFile(narrow.dc, emf, &squeezed));
  for (const auto& [top, bottom] : {std::pair{0, 120}, std::pair{120, 300}}) {
    SCOPED_TRACE(top);
    const Ink a = ink(square, 400, top, bottom), b = ink(narrow, 240, top, bottom);
    ASSERT_GT(a.right, a.left);
    // The line is as wide as the rectangle makes it, and as high as before.
    const double ratio = double(b.right - b.left + 1) / (a.right - a.left + 1);
    EXPECT_NEAR(ratio, 0.6, 0.05);
    EXPECT_NEAR(b.bottom - b.top, a.bottom - a.top, 2);
    // Inked columns keep their share of the line: glyphs overlapping their
    // neighbours would fill the gaps between them.
    EXPECT_NEAR(double(b.columns) / (b.right - b.left + 1), double(a.columns) / (a.right - a.left + 1), 0.08);
  }
  DeleteEnhMetaFile(emf);
}

TEST_F(GdiMetafileTest, EnumerationCanEditRecordsWhilePlaying) {
  HENHMETAFILE emf = MakePage();
  RasterCanvas c(216, 280);
  RECT where{0, 0, 216, 280};
  struct Seen { int backgrounds = 0; };
  Seen seen;
  auto proc = [](HDC hdc, HANDLETABLE* table, const ENHMETARECORD* r, int n, LPARAM p) -> int {
    auto* s = reinterpret_cast<Seen*>(p);
    if (r->iType == EMR_SETBKCOLOR) { ++s->backgrounds; return 1; }  // dropped
    if (r->iType == EMR_CREATEBRUSHINDIRECT) {
      EMRCREATEBRUSHINDIRECT copy;
      std::memcpy(&copy, r, sizeof(copy));
      copy.lb.lbColor = RGB(0, 0, 0);
      return PlayEnhMetaFileRecord(hdc, table, reinterpret_cast<ENHMETARECORD*>(&copy), UINT(n));
    }
    PlayEnhMetaFileRecord(hdc, table, r, UINT(n));
    return 1;
  };
  ASSERT_TRUE(EnumEnhMetaFile(c.dc, emf, proc, &seen, &where));
  EXPECT_EQ(seen.backgrounds, 1);
  EXPECT_EQ(c.At(130, 170), RGB(0, 0, 0));
  EXPECT_EQ(GetBkColor(c.dc), RGB(255, 255, 255));
  // A callback returning 0 stops the enumeration.
  int calls = 0;
  EXPECT_FALSE(EnumEnhMetaFile(nullptr, emf,
                               [](HDC, HANDLETABLE*, const ENHMETARECORD*, int, LPARAM p) -> int {
                                 return ++*reinterpret_cast<int*>(p) < 3;
                               },
                               &calls, nullptr));
  EXPECT_EQ(calls, 3);
  DeleteEnhMetaFile(emf);
  EXPECT_EQ(win::gdi::LiveObjectCount(), 2u);  // the canvas only: playback objects are gone
}

TEST_F(GdiMetafileTest, PlayingIntoAMetafileRecordsAgain) {
  HENHMETAFILE page = MakePage();
  RECT frame{0, 0, 21590, 27940};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  RECT where{0, 0, 1280, 1024};
  ASSERT_TRUE(PlayEnhMetaFile(dc, page, &where));
  HENHMETAFILE copy = CloseEnhMetaFile(dc);
  ASSERT_NE(copy, nullptr);
  auto recs = Records(copy);
  const Rec* text = Find(recs, EMR_EXTTEXTOUTA);
  ASSERT_TRUE(text);
  auto t = text->As<EMREXTTEXTOUTA>();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(text->bytes.data()) + t.emrtext.offString, 9),
            "Sample 12");
  EXPECT_TRUE(Find(recs, EMR_CREATEPEN));
  DeleteEnhMetaFile(page);
  DeleteEnhMetaFile(copy);
}

TEST_F(GdiMetafileTest, WideAndMultipleTextRecordsPlay) {
  // A multiple-text record in 16-bit characters, built by hand.
  std::u16string a = u"AB", b = u"CDE";
  size_t fixed = offsetof(EMRPOLYTEXTOUTW, aemrtext) + 2 * sizeof(EMRTEXT);
  std::vector<uint8_t> rec(fixed + 4 + 8);
  EMRPOLYTEXTOUTW head{};
  head.emr = {EMR_POLYTEXTOUTW, DWORD(rec.size())};
  head.cStrings = 2;
  std::memcpy(rec.data(), &head, offsetof(EMRPOLYTEXTOUTW, aemrtext));
  EMRTEXT t1{{10, 10}, 2, DWORD(fixed), 0, {0, 0, -1, -1}, 0};
  EMRTEXT t2{{10, 40}, 3, DWORD(fixed + 4), 0, {0, 0, -1, -1}, 0};
  std::memcpy(rec.data() + offsetof(EMRPOLYTEXTOUTW, aemrtext), &t1, sizeof(t1));
  std::memcpy(rec.data() + offsetof(EMRPOLYTEXTOUTW, aemrtext) + sizeof(EMRTEXT), &t2, sizeof(t2));
  std::memcpy(rec.data() + fixed, a.data(), 4);
  std::memcpy(rec.data() + fixed + 4, b.data(), 6);
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(PlayEnhMetaFileRecord(dc, nullptr, reinterpret_cast<ENHMETARECORD*>(rec.data()), 1));
  // Damaged: an item pointing past the record.
  EMRTEXT bad{{0, 0}, 50, DWORD(fixed), 0, {0, 0, -1, -1}, 0};
  auto broken = rec;
  std::memcpy(broken.data() + offsetof(EMRPOLYTEXTOUTW, aemrtext), &bad, sizeof(bad));
  EXPECT_FALSE(PlayEnhMetaFileRecord(dc, nullptr, reinterpret_cast<ENHMETARECORD*>(broken.data()), 1));
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  auto recs = Records(emf);
  ASSERT_TRUE(Find(recs, EMR_EXTTEXTOUTA, 1));
  auto second = Find(recs, EMR_EXTTEXTOUTA, 1);
  auto t = second->As<EMREXTTEXTOUTA>();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(second->bytes.data()) + t.emrtext.offString, 3), "CDE");
  EXPECT_EQ(t.emrtext.ptlReference.y, 40);
  DeleteEnhMetaFile(emf);
}

TEST_F(GdiMetafileTest, BadArgumentsFail) {
  EXPECT_EQ(CloseEnhMetaFile(nullptr), nullptr);
  HDC mem = CreateCompatibleDC(nullptr);
  EXPECT_EQ(CloseEnhMetaFile(mem), nullptr);
  DeleteDC(mem);
  RECT inverted{10, 10, 0, 0};
  EXPECT_EQ(CreateEnhMetaFileA(nullptr, nullptr, &inverted, nullptr), nullptr);
  EXPECT_FALSE(PlayEnhMetaFile(nullptr, nullptr, nullptr));
  EXPECT_FALSE(PlayEnhMetaFileRecord(nullptr, nullptr, nullptr, 0));
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  HENHMETAFILE empty = CloseEnhMetaFile(dc);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(Records(empty).size(), 2u);
  EXPECT_EQ(CloseEnhMetaFile(dc), nullptr);  // already closed
  DeleteEnhMetaFile(empty);
}

}  // namespace

namespace {

// The drawing records of a metafile: every record but the header and end.
std::vector<std::vector<uint8_t>> DrawingRecords(bool batched) {
  HDC ref = CreateCompatibleDC(nullptr);
  HDC dc = CreateEnhMetaFileA(ref, nullptr, nullptr, nullptr);
  DeleteDC(ref);
  const POINT pts[] = {{10, 50}, {10, 20}, {12, 50}, {12, 5}, {14, 50}, {70000, -3}, {15, 40}};
  const DWORD counts[] = {2, 2, 3};
  if (batched) {
    EXPECT_TRUE(PolyPolyline(dc, pts, counts, 3));
  } else {
    Polyline(dc, pts, 2);
    Polyline(dc, pts + 2, 2);
    Polyline(dc, pts + 4, 3);
  }
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  std::vector<std::vector<uint8_t>> out;
  for (const Rec& r : Records(emf))
    if (r.type != EMR_HEADER && r.type != EMR_EOF) out.push_back(r.bytes);
  DeleteEnhMetaFile(emf);
  return out;
}

}  // namespace

// A metafile keeps the polylines of one many-polyline call as the single
// polylines they are, so that its records and their playback stay as before.
TEST_F(GdiMetafileTest, PolyPolylineRecordsItsPolylines) {
  const auto batched = DrawingRecords(true);
  EXPECT_EQ(batched.size(), 3u);
  EXPECT_EQ(batched, DrawingRecords(false));
}
