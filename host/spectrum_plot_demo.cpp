// The demo's spectrum pictures: a single spectrum, a stacked pair with their
// difference, a profile spectrum and a library-hit comparison with the
// hit's structure, each drawn to a PNG file through a raster device
// context; the pair and the library hit are also printed on one PDF page.
#include <cstdio>

#include "host/spectra_samples.h"
#include "win/win_paths.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

bool DrawPng(sample_spectra::Picture what, const sample_spectra::Scenes& s, const char* path) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 1000, 640);
  HGDIOBJ old = SelectObject(dc, bmp);
  sample_spectra::Cell cell;
  HFONT font = sample_spectra::ScreenFont(dc, &cell);
  CDC cdc;
  cdc.Attach(dc);
  sample_spectra::Draw(what, s, &cdc, RECT{0, 0, 1000, 640}, cell, 0);
  cdc.Detach();
  const bool saved = win::gdi::SaveBitmapPng(dc, path);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteObject(bmp);
  DeleteDC(dc);
  return saved;
}

bool PrintPdf(const sample_spectra::Scenes& s, const char* path) {
  HDC dc = sample_overlay::StartLetterPage(path, "Sample spectra");
  if (!dc) return false;
  LOGFONTA lf{};
  lf.lfHeight = -330;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const sample_spectra::Cell cell{tm.tmAveCharWidth, tm.tmHeight};
  CDC cdc;
  cdc.Attach(dc);
  sample_spectra::Draw(sample_spectra::Picture::Difference, s, &cdc, RECT{1500, 1500, 31300, 16000}, cell, 1);
  sample_spectra::Draw(sample_spectra::Picture::LibraryHit, s, &cdc, RECT{1500, 16800, 31300, 31500}, cell, 1);
  cdc.Detach();
  SelectObject(dc, oldFont);
  DeleteObject(font);
  return sample_overlay::EndLetterPage(dc, true);
}

}  // namespace

int DrawSampleSpectra() {
  sample_spectra::Scenes s;
  if (!sample_spectra::Make(kFolder, &s)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample spectra in %s\n", kFolder);
    return 1;
  }
  std::printf("\nSpectra of the sample runs (%s):\n", s.compound.c_str());
  const struct {
    sample_spectra::Picture what;
    const char* path;
    const char* text;
  } pictures[] = {
      {sample_spectra::Picture::Single, "C:\\Workstation\\Plots\\spectrum-single.png", "single spectrum"},
      {sample_spectra::Picture::Difference, "C:\\Workstation\\Plots\\spectrum-difference.png",
       "stacked pair and difference"},
      {sample_spectra::Picture::Profile, "C:\\Workstation\\Plots\\spectrum-profile.png", "profile spectrum"},
      {sample_spectra::Picture::LibraryHit, "C:\\Workstation\\Plots\\spectrum-library-hit.png",
       "library hit with structure"},
  };
  int rc = 0;
  for (const auto& p : pictures) {
    if (DrawPng(p.what, s, p.path)) {
      std::printf("  %s: %s (%s)\n", p.text, p.path, win::paths::ToHost(p.path).c_str());
    } else {
      std::fprintf(stderr, "kelt_host: cannot draw %s\n", p.path);
      rc = 1;
    }
  }
  const char* pdf = "C:\\Workstation\\Plots\\spectra.pdf";
  if (PrintPdf(s, pdf)) {
    std::printf("  printed page: %s (%s)\n", pdf, win::paths::ToHost(pdf).c_str());
  } else {
    std::fprintf(stderr, "kelt_host: cannot print %s\n", pdf);
    rc = 1;
  }
  return rc;
}
