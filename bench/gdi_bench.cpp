// Drawing speed as ratios against a plain memory fill of the same 1000 x 600
// bitmap: a 40,000-point polyline, playing a full report page, and 100,000
// text measurements.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "win/win_gdi.h"

namespace {
constexpr int kWidth = 1000, kHeight = 600;

struct Canvas {
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  Canvas() {
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateCompatibleBitmap(dc, kWidth, kHeight);
    old = SelectObject(dc, bmp);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

void BM_MemoryFill(benchmark::State& state) {
  std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
  uint32_t v = 0;
  for (auto _ : state) {
    std::fill(pixels.begin(), pixels.end(), ++v);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemoryFill);

void BM_Polyline40k(benchmark::State& state) {
  Canvas c;
  // A chromatogram-like trace: noise on peaks across the width.
  std::vector<POINT> pts(40000);
  for (size_t i = 0; i < pts.size(); ++i) {
    double t = double(i) / pts.size();
    double y = 550 - 500 * std::exp(-std::pow((t - 0.3) * 40, 2)) - 300 * std::exp(-std::pow((t - 0.7) * 60, 2)) -
               10 * std::sin(i * 0.7);
    pts[i] = {LONG(t * kWidth), LONG(y)};
  }
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
  SelectObject(c.dc, pen);
  for (auto _ : state) benchmark::DoNotOptimize(Polyline(c.dc, pts.data(), int(pts.size())));
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}
BENCHMARK(BM_Polyline40k);

HENHMETAFILE ReportPage() {
  RECT frame{0, 0, 21590, 27940};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, "Bench\0Page\0\0");
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  SetViewportExtEx(dc, 816, 1056, nullptr);
  SetBkMode(dc, TRANSPARENT);
  LOGFONTA lf{};
  lf.lfHeight = 500;
  std::strcpy(lf.lfFaceName, "Courier New");
  HFONT fixed = CreateFontIndirectA(&lf);
  lf.lfWeight = FW_BOLD;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT bold = CreateFontIndirectA(&lf);
  SelectObject(dc, bold);
  TextOutA(dc, 2000, 600, "Quantitation Report", 19);
  SelectObject(dc, fixed);
  char line[96];
  for (int i = 1; i <= 60; ++i) {
    std::snprintf(line, sizeof line, "%3d  Compound %-20d %8.3f %10d %9.2f ug/L  %s", i, i * 37,
                  3.5 + i * 0.21, 100000 + i * 977, i * 1.37, i % 3 ? "OK" : "Q");
    TextOutA(dc, 800, 600 + i * 530, line, int(std::strlen(line)));
  }
  for (int i = 0; i < 6; ++i) {
    MoveToEx(dc, 800, 1100 + i * 5300, nullptr);
    LineTo(dc, 31900, 1100 + i * 5300);
  }
  Rectangle(dc, 500, 500, 32267, 32267);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(fixed);
  DeleteObject(bold);
  return CloseEnhMetaFile(dc);
}

void BM_PlayReportPage(benchmark::State& state) {
  Canvas c;
  HENHMETAFILE page = ReportPage();
  RECT where{0, 0, kWidth, kHeight};
  for (auto _ : state) benchmark::DoNotOptimize(PlayEnhMetaFile(c.dc, page, &where));
  DeleteEnhMetaFile(page);
}
BENCHMARK(BM_PlayReportPage);

void BM_TextMeasure100k(benchmark::State& state) {
  Canvas c;
  HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, font);
  std::vector<std::string> texts;
  for (int i = 0; i < 100; ++i) texts.push_back("Area " + std::to_string(i * 7919) + " counts");
  for (auto _ : state) {
    SIZE s;
    for (int i = 0; i < 100000; ++i) {
      const std::string& t = texts[size_t(i) % texts.size()];
      GetTextExtentPoint32A(c.dc, t.data(), int(t.size()), &s);
    }
    benchmark::DoNotOptimize(s);
  }
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}
BENCHMARK(BM_TextMeasure100k);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios against one memory fill of the %dx%d bitmap:\n", kWidth, kHeight);
  for (const auto& [name, t] : reporter.times) {
    const double r = reporter.Ratio(name, "BM_MemoryFill");
    if (name != "BM_MemoryFill" && r >= 0) std::printf("  %-22s %10.1f\n", name.c_str(), r);
  }
  benchmark::Shutdown();
  return 0;
}
