// libFuzzer target over enhanced-metafile bytes and their playback: the
// input is a metafile image. Accepted bytes read back as given (up to the
// size the header states), every enumerated record lies inside them, and
// playing them into a raster, a 1x1 rectangle and another metafile never
// faults.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testing/fuzz_support.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"

namespace {

struct Walk {
  size_t total = 0;
  size_t records = 0;
};

int CALLBACK Visit(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM p) {
  auto* w = reinterpret_cast<Walk*>(p);
  fuzz::Check(r->nSize >= 8 && r->nSize <= w->total, "a record larger than the metafile");
  return ++w->records < 100000;
}

void PlayInto(HDC dc, HENHMETAFILE emf, RECT where) { PlayEnhMetaFile(dc, emf, &where); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(size), data);
  if (!emf) return 0;
  const UINT n = GetEnhMetaFileBits(emf, 0, nullptr);
  fuzz::Check(n >= 8 && n <= size, "a metafile larger than its bytes");
  std::vector<uint8_t> back(n);
  fuzz::Check(GetEnhMetaFileBits(emf, n, back.data()) == n && std::memcmp(back.data(), data, n) == 0,
              "the bytes do not read back as given");
  Walk w;
  w.total = n;
  EnumEnhMetaFile(nullptr, emf, Visit, &w, nullptr);

  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(mem, 48, 48);
  HGDIOBJ old = SelectObject(mem, bmp);
  PlayInto(mem, emf, RECT{0, 0, 48, 48});
  PlayInto(mem, emf, RECT{20, 20, 21, 21});
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  PlayInto(rec, emf, RECT{0, 0, 100, 100});
  DeleteEnhMetaFile(CloseEnhMetaFile(rec));
  DeleteEnhMetaFile(emf);
  return 0;
}

// Seeds: drawings as the workstation records them.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto save = [&](const char* name, HDC dc) {
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    const UINT n = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<uint8_t> b(n);
    GetEnhMetaFileBits(emf, n, b.data());
    DeleteEnhMetaFile(emf);
    fuzz::WriteBytes(std::string(folder) + "/" + name, b.data(), b.size());
  };
  RECT frame{0, 0, 5000, 5000};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, "Kelt\0Seed\0\0");
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(200, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, 5, 5, nullptr);
  LineTo(dc, 90, 60);
  POINT pts[5] = {{10, 10}, {80, 15}, {60, 70}, {20, 60}, {10, 10}};
  Polyline(dc, pts, 5);
  Polygon(dc, pts, 4);
  INT counts[2] = {3, 2};
  PolyPolygon(dc, pts, counts, 2);
  Rectangle(dc, 30, 30, 70, 70);
  Ellipse(dc, 40, 40, 90, 80);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  save("shapes.emf", dc);

  dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  LOGFONTA lf{};
  lf.lfHeight = -14;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetTextColor(dc, RGB(0, 0, 255));
  TextOutA(dc, 5, 5, "Area 12.5", 9);
  RECT r{0, 40, 60, 60};
  ExtTextOutA(dc, 2, 42, ETO_OPAQUE | ETO_CLIPPED, &r, "clipped text", 12, nullptr);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  save("text.emf", dc);

  dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(mem, 8, 8);
  HGDIOBJ oldBmp = SelectObject(mem, bmp);
  SetPixel(mem, 3, 3, RGB(1, 2, 3));
  BitBlt(dc, 10, 10, 8, 8, mem, 0, 0, SRCCOPY);
  StretchBlt(dc, 20, 20, 16, 16, mem, 0, 0, 8, 8, SRCCOPY);
  SelectObject(mem, oldBmp);
  DeleteObject(bmp);
  DeleteDC(mem);
  HRGN clip = CreateRectRgn(0, 0, 50, 50);
  SelectClipRgn(dc, clip);
  DeleteObject(clip);
  save("bitmaps-and-clip.emf", dc);
  return 0;
}
