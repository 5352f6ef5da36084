#pragma once
// Printing a reports file to PDF and drawing a stored page as a picture,
// for the demos that make reports.
#include <cstdint>
#include <cstdio>

#include "common/preference_records.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"

#include "orvik32/orvik32.h"
#include "reportpages/reports_file.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"
#include "win/win_paths.h"

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

// Prints pages 0..count-1 of a reports file into the PDF file pdf and says
// where; false, with the reason on stderr, when nothing was printed.
inline bool PrintReports(const char* reports, int32_t count, STRUCT_REPORT_PREFS* prefs, const char* pdf,
                         const char* what = "printed") {
  SetPrintJobOutput(pdf);
  const int printed = count > 0 ? MSR_PrintFile(nullptr, 0, 0, reports, 0, count - 1, prefs) : 0;
  SetPrintJobOutput(nullptr);
  if (!printed) {
    std::fprintf(stderr, "kelt_host: cannot print %s\n", reports);
    return false;
  }
  std::printf("  %s: %s (%s)\n", what, pdf, win::paths::ToHost(pdf).c_str());
  return true;
}

// Draws the first page of a reports file to png and says where.
inline bool DrawFirstPage(const char* reports, const char* png) {
  if (!PagePng(reports, 0, png)) {
    std::fprintf(stderr, "kelt_host: cannot draw page 1 to %s\n", png);
    return false;
  }
  std::printf("  page 1: %s (%s)\n", png, win::paths::ToHost(png).c_str());
  return true;
}
