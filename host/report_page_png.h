#pragma once
// A stored report page drawn as a picture, for the demos that print reports.
#include <cstdint>

#include "orvik32/orvik32.h"
#include "reportpages/reports_file.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"

// Plays a stored page into a white bitmap of a Letter page at 100 dpi.
inline bool PagePng(const char* reports, int32_t index, const char* png) {
  CRptsFileHandler file(reports, nullptr);
  RptsPageRecord r{};
  uint32_t size = 0;
  void* bits = file.GetPage(index, &r, &size);
  if (!bits) return false;
  HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
  FreeBlock(bits);
  if (!emf) return false;
  const int w = r.orientation == 1 ? 1100 : 850, h = r.orientation == 1 ? 850 : 1100;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT all{0, 0, w, h};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const bool ok = PlayEnhMetaFile(dc, emf, &all) && win::gdi::SaveBitmapPng(dc, png);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  DeleteEnhMetaFile(emf);
  return ok;
}
