// The toolbar button images, drawn here pixel by pixel: one 16 x 16 image
// per button, put side by side into the bitmaps of the layouts. The light
// grey background and black, dark grey and white become the system's button
// colours when the bitmap is loaded.
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "common/library_state.h"
#include "overlayctl/wrapping_toolbar.h"
#include "win/win_resources.h"

namespace kelt::toolbar {
namespace {

constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 192);
constexpr COLORREF kRed = RGB(192, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

class Icon {
 public:
  Icon() : px_(WTB_IMAGE_SIZE * WTB_IMAGE_SIZE, kFace) {}
  const std::vector<COLORREF>& Pixels() const { return px_; }
  void Dot(int x, int y, COLORREF c) {
    if (x >= 0 && y >= 0 && x < WTB_IMAGE_SIZE && y < WTB_IMAGE_SIZE) px_[y * WTB_IMAGE_SIZE + x] = c;
  }
  void Line(int x0, int y0, int x1, int y1, COLORREF c) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Dot(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }
  void Frame(int l, int t, int r, int b, COLORREF c) {
    Line(l, t, r, t, c);
    Line(r, t, r, b, c);
    Line(r, b, l, b, c);
    Line(l, b, l, t, c);
  }
  void Fill(int l, int t, int r, int b, COLORREF c) {
    for (int y = t; y <= b; ++y)
      for (int x = l; x <= r; ++x) Dot(x, y, c);
  }
  // A Gaussian peak on a flat base from x0 to x1, apex at ax, height h above base.
  void Peak(int x0, int x1, int base, double ax, double h, double w, COLORREF c) {
    int py = -1;
    for (int x = x0; x <= x1; ++x) {
      const int y = base - static_cast<int>(std::lround(h * std::exp(-0.5 * (x - ax) * (x - ax) / (w * w))));
      if (py >= 0) Line(x - 1, py, x, y, c);
      else Dot(x, y, c);
      py = y;
    }
  }
  // Axes in the lower left corner.
  void Axes(int l, int t, int r, int b) {
    Line(l, t, l, b, kInk);
    Line(l, b, r, b, kInk);
  }
  // Arrow heads pointing left, right, up, down with the tip at (x, y).
  void HeadLeft(int x, int y, COLORREF c) { for (int i = 0; i < 3; ++i) Line(x + i, y - i, x + i, y + i, c); }
  void HeadRight(int x, int y, COLORREF c) { for (int i = 0; i < 3; ++i) Line(x - i, y - i, x - i, y + i, c); }
  void HeadUp(int x, int y, COLORREF c) { for (int i = 0; i < 3; ++i) Line(x - i, y + i, x + i, y + i, c); }
  void HeadDown(int x, int y, COLORREF c) { for (int i = 0; i < 3; ++i) Line(x - i, y - i, x + i, y - i, c); }
  // Digits and a few capitals in a 3 x 5 font.
  void Text(int x, int y, const char* s, COLORREF c) {
    for (; *s; ++s, x += 4) {
      const char* g = Glyph(*s);
      for (int row = 0; row < 5 && g; ++row)
        for (int col = 0; col < 3; ++col)
          if (g[row * 3 + col] == '#') Dot(x + col, y + row, c);
    }
  }
  // A stick spectrum along the bottom.
  void Sticks(int l, int b, const int* heights, int n, COLORREF c) {
    for (int i = 0; i < n; ++i) Line(l + 2 * i, b, l + 2 * i, b - heights[i], c);
  }
  void Pencil(int x, int y) {  // tip at (x, y), pointing down-left
    for (int i = 0; i < 5; ++i) {
      Dot(x + 1 + i, y - 1 - i, kYellow);
      Dot(x + 2 + i, y - 1 - i, kRed);
      Dot(x + 1 + i, y - 2 - i, kRed);
    }
    Dot(x, y, kInk);
  }

 private:
  static const char* Glyph(char ch) {
    switch (ch) {
      case '1': return ".#." "##." ".#." ".#." "###";
      case '3': return "##." "..#" ".#." "..#" "##.";
      case '5': return "###" "#.." "##." "..#" "##.";
      case '7': return "###" "..#" ".#." ".#." ".#.";
      case 'A': return ".#." "#.#" "###" "#.#" "#.#";
      case 'C': return ".##" "#.." "#.." "#.." ".##";
      case 'I': return "###" ".#." ".#." ".#." "###";
      case 'Q': return ".#." "#.#" "#.#" "##." ".##";
      case 'T': return "###" ".#." ".#." ".#." ".#.";
      default: return nullptr;
    }
  }
  std::vector<COLORREF> px_;
};

// A small chromatogram: axes and one peak.
void Chromatogram(Icon& i, COLORREF c = kBlue) {
  i.Axes(1, 2, 14, 13);
  i.Peak(2, 14, 12, 8, 9, 1.6, c);
}

void Page(Icon& i) {
  i.Fill(3, 1, 12, 14, kWhite);
  i.Frame(3, 1, 12, 14, kInk);
  for (int y = 4; y <= 11; y += 2) i.Line(5, y, 10, y, kShadow);
}

void Printer(Icon& i) {
  i.Fill(4, 1, 11, 6, kWhite);
  i.Frame(4, 1, 11, 6, kInk);
  i.Fill(1, 6, 14, 11, kShadow);
  i.Frame(1, 6, 14, 11, kInk);
  i.Fill(4, 10, 11, 14, kWhite);
  i.Frame(4, 10, 11, 14, kInk);
  i.Dot(12, 8, kGreen);
}

Icon Draw(int id) {
  Icon i;
  const int sticks[] = {3, 8, 5, 11, 2, 6, 4};
  switch (id) {
    case 2701: case 8001:  // hide the toolbar: a bar with an upward arrow
      i.Fill(1, 11, 14, 14, kShadow);
      i.Frame(1, 11, 14, 14, kInk);
      i.Line(7, 3, 7, 9, kInk);
      i.Line(8, 3, 8, 9, kInk);
      i.HeadUp(7, 1, kInk);
      i.HeadUp(8, 1, kInk);
      break;
    case 2702: case 8002:  // full scale: a box with arrows to its corners
      i.Frame(4, 4, 11, 11, kBlue);
      i.Line(1, 1, 4, 4, kInk); i.Line(1, 1, 3, 1, kInk); i.Line(1, 1, 1, 3, kInk);
      i.Line(14, 1, 11, 4, kInk); i.Line(14, 1, 12, 1, kInk); i.Line(14, 1, 14, 3, kInk);
      i.Line(1, 14, 4, 11, kInk); i.Line(1, 14, 3, 14, kInk); i.Line(1, 14, 1, 12, kInk);
      i.Line(14, 14, 11, 11, kInk); i.Line(14, 14, 12, 14, kInk); i.Line(14, 14, 14, 12, kInk);
      break;
    case 2703:  // vertical full scale
      i.Line(7, 2, 7, 13, kInk);
      i.HeadUp(7, 1, kInk);
      i.HeadDown(7, 14, kInk);
      i.Peak(9, 15, 13, 12, 8, 1.2, kBlue);
      break;
    case 2704:  // horizontal full scale
      i.Line(2, 7, 13, 7, kInk);
      i.HeadLeft(1, 7, kInk);
      i.HeadRight(14, 7, kInk);
      i.Peak(1, 14, 14, 8, 4, 1.5, kBlue);
      break;
    case 2705: case 8035:  // previous scaling: a backward arrow over a peak
      i.Peak(1, 14, 14, 8, 6, 1.6, kBlue);
      i.Line(4, 3, 12, 3, kInk);
      i.Line(12, 3, 12, 6, kInk);
      i.Line(4, 4, 11, 4, kInk);
      i.HeadLeft(1, 3, kInk);
      i.HeadLeft(1, 4, kInk);
      break;
    case 2707:  // local chromatogram preferences
      Chromatogram(i);
      i.Pencil(8, 12);
      break;
    case 8033:  // local spectra preferences
      i.Axes(1, 2, 14, 13);
      i.Sticks(3, 12, sticks, 5, kBlue);
      i.Pencil(8, 12);
      break;
    case 2738: case 8034:  // report preferences
      Page(i);
      i.Peak(4, 11, 11, 7.5, 5, 1.0, kBlue);
      break;
    case 2709:  // real time update: a clock
      for (int a = 0; a < 360; a += 10) {
        const double r = a * 3.14159265 / 180;
        i.Dot(8 + static_cast<int>(std::lround(6 * std::cos(r))), 8 + static_cast<int>(std::lround(6 * std::sin(r))),
              kInk);
      }
      i.Line(8, 8, 8, 4, kInk);
      i.Line(8, 8, 11, 9, kRed);
      break;
    case 2708:  // load the data review program: an opening folder
      i.Fill(1, 5, 12, 13, kYellow);
      i.Frame(1, 5, 12, 13, kInk);
      i.Line(1, 4, 5, 4, kInk);
      i.Line(5, 4, 6, 5, kInk);
      i.HeadRight(14, 9, kGreen);
      i.Line(9, 9, 12, 9, kGreen);
      break;
    case 2710:  // background-correction markers
      Chromatogram(i);
      i.Line(4, 3, 4, 12, kRed);
      i.Line(12, 3, 12, 12, kRed);
      break;
    case 2711:  // edit background correction
      Chromatogram(i);
      i.Line(4, 3, 4, 12, kRed);
      i.Pencil(9, 11);
      break;
    case 2712: case 8005:
      Printer(i);
      break;
    case 2713:  // spectra to average
      i.Sticks(1, 14, sticks, 4, kBlue);
      i.Text(9, 1, "3", kInk);
      i.Text(9, 8, "5", kInk);
      break;
    case 2719: case 2761:  // stacked plots
      i.Peak(1, 14, 4, 5, 3, 1.0, kBlue);
      i.Peak(1, 14, 9, 8, 3, 1.0, kRed);
      i.Peak(1, 14, 14, 11, 3, 1.0, kGreen);
      break;
    case 2720:  // overlaid
      i.Axes(1, 1, 14, 14);
      i.Peak(2, 14, 13, 6, 10, 1.3, kBlue);
      i.Peak(2, 14, 13, 10, 7, 1.3, kRed);
      break;
    case 2721: case 2762:  // normalized: both peaks up to the 100 % line
      i.Axes(1, 1, 14, 14);
      for (int x = 2; x <= 14; x += 2) i.Dot(x, 3, kShadow);
      i.Peak(2, 14, 13, 6, 10, 1.3, kBlue);
      i.Peak(2, 14, 13, 10, 10, 1.3, kRed);
      break;
    case 2722:  // dual scale: an axis on each side
      i.Line(1, 1, 1, 14, kBlue);
      i.Line(14, 1, 14, 14, kRed);
      i.Line(1, 14, 14, 14, kInk);
      i.Peak(2, 13, 13, 5, 9, 1.2, kBlue);
      i.Peak(2, 13, 13, 10, 5, 1.2, kRed);
      break;
    case 2718:  // chromatogram display
      i.Frame(0, 1, 15, 14, kShadow);
      i.Peak(1, 14, 7, 6, 4, 1.0, kBlue);
      i.Peak(1, 14, 13, 9, 4, 1.0, kRed);
      break;
    case 2723:  // select chromatogram data: a list with ticks
      Page(i);
      for (int y = 4; y <= 10; y += 3) {
        i.Line(4, y, 5, y + 1, kGreen);
        i.Line(5, y + 1, 7, y - 1, kGreen);
      }
      break;
    case 2724:  // target list search: a magnifier over a list
      Page(i);
      for (int a = 0; a < 360; a += 15) {
        const double r = a * 3.14159265 / 180;
        i.Dot(7 + static_cast<int>(std::lround(3 * std::cos(r))), 7 + static_cast<int>(std::lround(3 * std::sin(r))),
              kBlue);
      }
      i.Line(9, 9, 13, 13, kInk);
      i.Line(10, 9, 14, 13, kInk);
      break;
    case 2725: case 8006:  // single click action: the mouse pointer
      i.Line(3, 1, 3, 12, kInk);
      i.Line(3, 1, 11, 9, kInk);
      i.Line(3, 12, 6, 9, kInk);
      i.Line(6, 9, 11, 9, kInk);
      i.Line(6, 10, 8, 14, kInk);
      i.Line(7, 9, 9, 13, kInk);
      for (int y = 3; y <= 9; ++y) i.Line(4, y, 4 + (y - 2) - 1, y, kWhite);
      break;
    case 2770: case 8012:  // click and drag: a dashed box and the pointer
      for (int x = 1; x <= 12; x += 2) { i.Dot(x, 1, kInk); i.Dot(x, 10, kInk); }
      for (int y = 1; y <= 10; y += 2) { i.Dot(1, y, kInk); i.Dot(12, y, kInk); }
      i.Line(9, 7, 9, 15, kInk);
      i.Line(9, 7, 14, 12, kInk);
      i.Line(9, 15, 11, 13, kInk);
      break;
    case 2775:  // restore plot positions
      i.Peak(1, 14, 14, 8, 6, 1.3, kBlue);
      i.Peak(1, 14, 9, 5, 5, 1.0, kShadow);
      i.Line(12, 2, 12, 6, kInk);
      i.HeadDown(12, 8, kInk);
      break;
    case 2737: case 8032:  // show all plots
      i.Peak(1, 14, 5, 4, 3, 1.0, kBlue);
      i.Peak(1, 14, 10, 8, 3, 1.0, kRed);
      i.Peak(1, 14, 15, 12, 3, 1.0, kGreen);
      i.Text(12, 0, "A", kInk);
      break;
    case 2740:  // previous spectrum
      i.Sticks(6, 14, sticks + 1, 5, kBlue);
      i.HeadLeft(0, 4, kInk);
      i.Line(3, 4, 5, 4, kInk);
      break;
    case 2739:  // next spectrum
      i.Sticks(1, 14, sticks + 1, 5, kBlue);
      i.HeadRight(15, 4, kInk);
      i.Line(10, 4, 12, 4, kInk);
      break;
    case 2706: case 8020:  // vertical scale
      i.Line(4, 1, 4, 14, kInk);
      for (int y = 2; y <= 14; y += 3) i.Line(2, y, 4, y, kInk);
      i.Line(8, 3, 8, 12, kBlue);
      i.HeadUp(8, 1, kBlue);
      i.HeadDown(8, 14, kBlue);
      break;
    case 2753:  // file selection tree
      i.Fill(1, 1, 5, 4, kYellow);
      i.Frame(1, 1, 5, 4, kInk);
      i.Line(3, 5, 3, 12, kInk);
      i.Line(3, 8, 7, 8, kInk);
      i.Line(3, 12, 7, 12, kInk);
      i.Fill(8, 7, 13, 9, kWhite);
      i.Fill(8, 11, 13, 13, kWhite);
      break;
    case 2754:  // rotate plots
      for (int a = 30; a < 330; a += 8) {
        const double r = a * 3.14159265 / 180;
        i.Dot(8 + static_cast<int>(std::lround(5 * std::cos(r))), 8 - static_cast<int>(std::lround(5 * std::sin(r))),
              kInk);
      }
      i.HeadDown(12, 6, kInk);
      break;
    case 2755:  // clear plot
      Chromatogram(i, kShadow);
      i.Line(3, 3, 12, 12, kRed);
      i.Line(12, 3, 3, 12, kRed);
      break;
    case 2756:  // point or apex selection
      Chromatogram(i);
      i.Fill(7, 2, 9, 4, kRed);
      break;
    case 2759:  // qualifier plots
      i.Peak(1, 14, 7, 7, 5, 1.2, kBlue);
      i.Peak(1, 14, 14, 7, 4, 1.2, kRed);
      i.Text(0, 0, "Q", kInk);
      break;
    case 2760:  // TIC plot
      i.Peak(1, 14, 15, 7, 8, 1.4, kBlue);
      i.Text(2, 0, "TIC", kInk);
      break;
    case 8030:  // background-corrected spectra: sticks with a minus
      i.Axes(1, 4, 14, 14);
      i.Sticks(3, 13, sticks, 6, kBlue);
      i.Line(9, 1, 14, 1, kRed);
      i.Line(9, 2, 14, 2, kRed);
      break;
    case 8016:  // mass range
      i.Line(1, 12, 14, 12, kInk);
      for (int x = 1; x <= 14; x += 3) i.Line(x, 12, x, 14, kInk);
      i.Line(3, 6, 12, 6, kBlue);
      i.HeadLeft(1, 6, kBlue);
      i.HeadRight(14, 6, kBlue);
      break;
    case 8029:  // spectrum display
      i.Frame(0, 0, 15, 15, kShadow);
      i.Sticks(2, 14, sticks, 7, kBlue);
      break;
    case 8031:  // masses for a chromatogram plot
      i.Sticks(1, 14, sticks, 3, kBlue);
      i.Peak(7, 15, 14, 11, 9, 1.2, kRed);
      break;
    case 8036:  // average spectra
      i.Sticks(1, 14, sticks, 7, kBlue);
      i.Line(0, 6, 15, 6, kRed);
      break;
    default:
      i.Frame(2, 2, 13, 13, kInk);
      break;
  }
  return i;
}

win::resources::BitmapResource Strip(const Layout& layout) {
  win::resources::BitmapResource bmp;
  std::vector<Icon> icons;
  for (int k = 0; k < layout.count; ++k)
    if (layout.ids[k]) icons.push_back(Draw(layout.ids[k]));
  bmp.width = static_cast<int>(icons.size()) * WTB_IMAGE_SIZE;
  bmp.height = WTB_IMAGE_SIZE;
  bmp.pixels.assign(static_cast<size_t>(bmp.width) * WTB_IMAGE_SIZE, kFace);
  for (size_t n = 0; n < icons.size(); ++n)
    for (int y = 0; y < WTB_IMAGE_SIZE; ++y)
      for (int x = 0; x < WTB_IMAGE_SIZE; ++x)
        bmp.pixels[static_cast<size_t>(y) * static_cast<size_t>(bmp.width) + n * WTB_IMAGE_SIZE +
                   static_cast<size_t>(x)] = icons[n].Pixels()[static_cast<size_t>(y * WTB_IMAGE_SIZE + x)];
  return bmp;
}

}  // namespace

void AddButtonBitmaps() {
  const HMODULE module = kelt::lib::ModuleHandle();
  // Added once a module: a library unloaded and loaded again adds them anew.
  if (win::resources::FindBitmap(module, OverlayLayout(0).bitmap)) return;
  for (int l = 0; l < WTB_OVERLAY_LAYOUTS; ++l)
    win::resources::AddBitmap(module, OverlayLayout(l).bitmap, Strip(OverlayLayout(l)));
  for (int l = 0; l < WTB_SPECTRUM_LAYOUTS; ++l)
    win::resources::AddBitmap(module, SpectrumLayout(l).bitmap, Strip(SpectrumLayout(l)));
}

}  // namespace kelt::toolbar
