#pragma once
// What the main job's pictures must show, measured on the written PNG: a
// picture that lost what its name promises fails the job with the reason.
#include <cstdio>
#include <functional>

#include "win/win_gdi.h"

namespace picture_checks {

// Pixels of the PNG at winPath inside [left, right) x [top, bottom) for
// which wanted holds; -1 when the file cannot be read.
inline int Count(const char* winPath, int left, int top, int right, int bottom,
                 const std::function<bool(COLORREF)>& wanted) {
  HBITMAP picture = win::gdi::LoadBitmapPng(winPath);
  if (!picture) return -1;
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, picture);
  int n = 0;
  for (int y = top < 0 ? 0 : top; y < bottom && y < info.bmHeight; ++y)
    for (int x = left < 0 ? 0 : left; x < right && x < info.bmWidth; ++x) n += wanted(GetPixel(dc, x, y)) ? 1 : 0;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(picture);
  return n;
}

// At least least pixels of colour in the area, else the reason on stderr.
inline bool Holds(const char* winPath, const char* what, int left, int top, int right, int bottom, COLORREF colour,
                  int least) {
  const int n = Count(winPath, left, top, right, bottom, [colour](COLORREF c) { return c == colour; });
  if (n >= least) return true;
  std::fprintf(stderr, "kelt_host: %s does not show %s (%d of %d pixels)\n", winPath, what, n, least);
  return false;
}

}  // namespace picture_checks
