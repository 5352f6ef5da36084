// The demo's chromatogram pictures: the overlay of the sample runs drawn to
// PNG files through a raster device context (stacked strips, and overlaid
// traces on a fading background) and printed as a page to a PDF file
// through the printer device context.
#include <cstdio>
#include <memory>

#include "host/sample_overlay.h"
#include "win/win_paths.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

using sample_overlay::OverlayFree;
using Overlay = std::unique_ptr<SVW_OVERLAY, OverlayFree>;

Overlay NewOverlay() { return Overlay(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)))); }

bool DrawPng(const sample_overlay::Files& f, int16_t mode, const char* path) {
  Overlay o = NewOverlay();
  if (!o || !sample_overlay::Fill(o.get(), f, mode)) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 1200, 900);
  HGDIOBJ old = SelectObject(dc, bmp);
  STRUCT_OVER_SIZES sizes;
  const int32_t drawn = sample_overlay::Draw(dc, o.get(), f, 0, RECT{0, 0, 1199, 899}, 13, &sizes);
  const bool saved = drawn && win::gdi::SaveBitmapPng(dc, path);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return saved;
}

// One Letter page: 32767 logical units to 8 inches (20.32 cm), as printed plots are laid out.
bool PrintPdf(const sample_overlay::Files& f, const char* path) {
  Overlay o = NewOverlay();
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return false;
  HDC dc = sample_overlay::StartLetterPage(path, "Sample overlay");
  if (!dc) return false;
  STRUCT_OVER_SIZES sizes;
  const bool drawn = sample_overlay::Draw(dc, o.get(), f, 1, RECT{1500, 2500, 31300, 26000}, 420, &sizes) != 0;
  return sample_overlay::EndLetterPage(dc, drawn);
}

}  // namespace

int DrawSampleOverlays() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample runs in %s\n", kFolder);
    return 1;
  }
  std::printf("\nChromatogram overlays of %s and %s:\n", f.water.c_str(), f.blank.c_str());
  const struct {
    int16_t mode;
    const char* path;
    const char* what;
  } pictures[] = {
      {OVERLAY_MODE_STACKED, "C:\\Workstation\\Plots\\overlay-stacked.png", "stacked strips"},
      {OVERLAY_MODE_OVERLAID, "C:\\Workstation\\Plots\\overlay-overlaid.png", "overlaid traces"},
  };
  int rc = 0;
  for (const auto& pic : pictures) {
    if (DrawPng(f, pic.mode, pic.path)) {
      std::printf("  %s: %s (%s)\n", pic.what, pic.path, win::paths::ToHost(pic.path).c_str());
    } else {
      std::fprintf(stderr, "kelt_host: cannot draw %s\n", pic.path);
      rc = 1;
    }
  }
  const char* pdf = "C:\\Workstation\\Plots\\overlay.pdf";
  if (PrintPdf(f, pdf)) {
    std::printf("  printed page: %s (%s)\n", pdf, win::paths::ToHost(pdf).c_str());
  } else {
    std::fprintf(stderr, "kelt_host: cannot print %s\n", pdf);
    rc = 1;
  }
  return rc;
}
