#pragma once
// A memory DC holding a white bitmap of a given size, for drawing tests.
#include "win/win_gdi.h"

namespace testing_support {

struct Raster {
  Raster(int w, int h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    old = SelectObject(dc, bitmap);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Raster() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Raster(const Raster&) = delete;
  Raster& operator=(const Raster&) = delete;

  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  // Pixels of one colour in [left, right) x [top, bottom).
  int Count(int left, int top, int right, int bottom, COLORREF colour) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += GetPixel(dc, x, y) == colour;
    return n;
  }

  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

}  // namespace testing_support
