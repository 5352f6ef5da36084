#pragma once
// Spectra for the stacked-spectra drawing: records built by hand from
// pairs (integer, precise, double), messy centroid and profile spectra
// (masses off the grid, noise on every point, a saturated peak), library
// entries with hand-written connection tables of real small molecules,
// and drawing contexts (a raster with a fixed font, a recording metafile).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/framework_gdi.h"
#include "orvik32/orvik32.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/chem_struct.h"
#include "spectrumctl/stacked_spectra.h"
#include "win/win_gdi.h"

namespace sptfix {

struct SptFree {
  void operator()(STRUCT_SPT_PLUS* s) const { PlusSpt_Free(s); }
};
using Spt = std::unique_ptr<STRUCT_SPT_PLUS, SptFree>;

inline Spt NewRecord() { return Spt(static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)))); }

inline void SetText(char* field, const std::string& s) {
  std::memset(field, 0, SPT_TITLE_SIZE);
  std::strncpy(field, s.c_str(), SPT_TITLE_SIZE - 1);
}

// Title lines: first left and right, second left and right.
inline void Titles(STRUCT_SPT_PLUS* s, const std::string& l1, const std::string& r1 = "", const std::string& l2 = "",
                   const std::string& r2 = "") {
  SetText(s->mainTitle, l1);
  SetText(s->nameTitle, r1);
  SetText(s->fileTitle, l2);
  SetText(s->infoTitle, r2);
}

// Integer pairs (nominal masses), as a TIC-spectrum record.
inline Spt Integer(const std::vector<std::pair<uint16_t, uint32_t>>& pairs) {
  const size_t room = std::max<size_t>(pairs.size(), 1);
  auto* tic = static_cast<STRUCT_TIC_SPT*>(
      AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_TIC_SPT) + (room - 1) * sizeof(TOL_PAIR))));
  tic->pairCount = static_cast<int16_t>(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) tic->pairs[i] = TOL_PAIR{pairs[i].first, pairs[i].second};
  Spt s = NewRecord();
  PlusSpt_InitTicSpt(s.get(), tic);
  return s;
}

// Precise pairs from MS data: centroid, or profile points.
inline Spt Precise(const std::vector<std::pair<double, uint32_t>>& pairs, bool profile,
                   const std::vector<uint8_t>& flags = {}) {
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  tol->profile = profile ? 1 : 0;
  for (const auto& [m, v] : pairs) tol = TOL_AddToSpectrum(tol, m, v);
  for (size_t i = 0; i < flags.size() && i < tol->pairCount; ++i) tol->pairs[i].flag = flags[i];
  Spt s = NewRecord();
  PlusSpt_InitTolSpt(s.get(), tol, nullptr);
  return s;
}

inline Spt Difference(const std::vector<std::pair<double, double>>& pairs, uint16_t mode = 2, bool line = false) {
  auto* d = static_cast<STRUCT_DIFF_SPT*>(AllocBlock(
      static_cast<uint32_t>(sizeof(STRUCT_DIFF_SPT) + std::max<size_t>(pairs.size(), 1) * sizeof(DIFF_PAIR))));
  d->mode = mode;
  d->profile = line ? 1 : 0;
  d->pairCount = static_cast<uint32_t>(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) d->pairs[i] = DIFF_PAIR{pairs[i].first, pairs[i].second};
  Spt s = NewRecord();
  PlusSpt_InitDiffSpt(s.get(), d, nullptr, nullptr);
  return s;
}

// A search-library entry with its pairs and, when given, its structure.
inline Spt Library(const std::string& name, const std::vector<std::pair<uint16_t, uint32_t>>& pairs,
                   const std::vector<uint8_t>& table = {}) {
  const size_t room = std::max<size_t>(pairs.size(), 1);
  auto* e = static_cast<STRUCT_SLBR_SPT*>(
      AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_SLBR_SPT) + (room - 1) * sizeof(TOL_PAIR))));
  std::strncpy(e->name, name.c_str(), SPT_TEXT_NAME_SIZE - 1);
  std::strncpy(e->libraryName, "MAINLIB", SLBR_LIBRARY_NAME_SIZE - 1);
  e->entryNumber = 1207;
  e->pairCount = static_cast<int16_t>(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) e->pairs[i] = TOL_PAIR{pairs[i].first, pairs[i].second};
  if (!table.empty()) {
    e->chemStruct = static_cast<uint8_t*>(AllocBlock(CHEM_TABLE_SIZE));
    std::memcpy(e->chemStruct, table.data(), std::min<size_t>(table.size(), CHEM_TABLE_SIZE));
  }
  Spt s = NewRecord();
  PlusSpt_InitSLbrSpt(s.get(), e);
  return s;
}

// ---- messy data -------------------------------------------------------------

// n centroid peaks between lo and hi at masses off the grid (precise pairs),
// intensities spread over three decades with noise, one peak saturated.
inline std::vector<std::pair<double, uint32_t>> MessyCentroid(uint32_t seed, int n, double lo, double hi) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> noise(0, 1);
  std::vector<double> masses;
  for (int i = 0; i < n; ++i) masses.push_back(lo + (hi - lo) * (i + 0.2 + 0.6 * u(rng)) / n);
  std::vector<std::pair<double, uint32_t>> out;
  for (double m : masses) {
    const double base = std::pow(10.0, 2.0 + 3.0 * u(rng) * u(rng));
    const double v = std::max(1.0, base * (1.0 + 0.05 * noise(rng)) + 20 * noise(rng));
    out.emplace_back(m, static_cast<uint32_t>(v));
  }
  if (!out.empty()) out[out.size() / 3].second = 8388607;  // clipped at the detector's ceiling
  return out;
}

// Profile points every ~step from lo, Gaussian ions of 0.35 at half height at
// off-grid centres, a noisy baseline on every point; one ion clipped flat.
inline std::vector<std::pair<double, uint32_t>> MessyProfile(uint32_t seed, int points, double lo, double step,
                                                             int ions = 40) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> noise(0, 1);
  const double hi = lo + step * points;
  struct Ion {
    double centre, height;
  };
  std::vector<Ion> list;
  for (int i = 0; i < ions; ++i)
    list.push_back({lo + 2 + (hi - lo - 4) * u(rng), std::pow(10.0, 2.5 + 2.5 * u(rng))});
  const double sigma = 0.35 / 2.3548;
  std::vector<std::pair<double, uint32_t>> out;
  double m = lo;
  for (int i = 0; i < points; ++i) {
    double v = 30 + 6 * noise(rng);
    for (const Ion& ion : list) {
      const double z = (m - ion.centre) / sigma;
      if (std::fabs(z) < 6) v += ion.height * std::exp(-0.5 * z * z);
    }
    v = std::min(v, 150000.0);
    out.emplace_back(m, static_cast<uint32_t>(std::max(0.0, v)));
    m += step * (0.98 + 0.04 * u(rng));
  }
  return out;
}

// ---- connection tables of real molecules -----------------------------------
// Structure units, y downward; ring bonds about 30 units long.

inline std::vector<uint8_t> Table(const std::vector<kelt::chem::Bond>& bonds,
                                  const std::vector<kelt::chem::Circle>& circles,
                                  const std::vector<kelt::chem::Label>& labels) {
  std::vector<uint8_t> t(CHEM_TABLE_SIZE);
  kelt::chem::WriteTable(t.data(), bonds.data(), static_cast<int>(bonds.size()), circles.data(),
                         static_cast<int>(circles.size()), labels.data(), static_cast<int>(labels.size()));
  return t;
}

// The six ring corners of a hexagon with a vertical left and right side,
// centred on (cx, cy): top, upper right, lower right, bottom, lower left,
// upper left.
inline std::vector<std::pair<int16_t, int16_t>> Ring(int cx, int cy) {
  return {{int16_t(cx), int16_t(cy - 30)},      {int16_t(cx + 26), int16_t(cy - 15)},
          {int16_t(cx + 26), int16_t(cy + 15)}, {int16_t(cx), int16_t(cy + 30)},
          {int16_t(cx - 26), int16_t(cy + 15)}, {int16_t(cx - 26), int16_t(cy - 15)}};
}

// Benzene: six ring bonds and the aromatic circle.
inline std::vector<uint8_t> Benzene() {
  const auto r = Ring(100, 100);
  std::vector<kelt::chem::Bond> bonds;
  for (int i = 0; i < 6; ++i) {
    const auto& a = r[i];
    const auto& b = r[(i + 1) % 6];
    bonds.push_back({a.first, a.second, b.first, b.second, 0});
  }
  return Table(bonds, {{100, 100}}, {});
}

// Toluene drawn with Kekule double bonds and the methyl group labelled.
inline std::vector<uint8_t> Toluene() {
  const auto r = Ring(100, 100);
  std::vector<kelt::chem::Bond> bonds;
  for (int i = 0; i < 6; ++i) {
    const auto& a = r[i];
    const auto& b = r[(i + 1) % 6];
    bonds.push_back({a.first, a.second, b.first, b.second, uint8_t(i % 2 == 0 ? 1 : 0)});
  }
  bonds.push_back({100, 70, 100, 40, 0});
  return Table(bonds, {}, {{100, 40, "CH3"}});
}

// 1,2,4-Trichlorobenzene: ring with its circle, three chlorines.
inline std::vector<uint8_t> Trichlorobenzene() {
  const auto r = Ring(100, 100);
  std::vector<kelt::chem::Bond> bonds;
  for (int i = 0; i < 6; ++i) {
    const auto& a = r[i];
    const auto& b = r[(i + 1) % 6];
    bonds.push_back({a.first, a.second, b.first, b.second, 0});
  }
  bonds.push_back({100, 70, 100, 40, 0});   // C1-Cl (top)
  bonds.push_back({126, 85, 152, 70, 0});   // C2-Cl (upper right)
  bonds.push_back({74, 115, 48, 130, 0});   // C4-Cl (lower left)
  return Table(bonds, {{100, 100}}, {{100, 40, "Cl"}, {152, 70, "Cl"}, {48, 130, "^Cl"}});
}

// ---- drawing contexts -------------------------------------------------------

inline HFONT PlotFont(int height = -12) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  std::strcpy(lf.lfFaceName, "Arial");
  return CreateFontIndirectA(&lf);
}

// A white raster with the plot font selected.
struct Screen {
  Screen(int w, int h) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    oldBitmap = SelectObject(dc, bitmap);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    font = PlotFont();
    oldFont = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    cw = tm.tmAveCharWidth;
    ch = tm.tmHeight;
    cdc.Attach(dc);
  }
  ~Screen() {
    cdc.Detach();
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  int Count(int l, int t, int r, int b, COLORREF c) const {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) n += GetPixel(dc, x, y) == c;
    return n;
  }
  int width, height;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  HFONT font = nullptr;
  HGDIOBJ oldFont = nullptr;
  int cw = 0, ch = 0;
  CDC cdc;
};

// The drawing's rectangle, cell and axes for a context of w x h.
inline void Frame(CDrawStackedSpectra& d, CDC* dc, int w, int h, int cw, int ch) {
  d.DC = dc;
  d.ReportMode = 0;
  d.Left = 0;
  d.Top = 0;
  d.Right = static_cast<int16_t>(w);
  d.Bottom = static_cast<int16_t>(h);
  d.CharWidth = static_cast<int16_t>(cw);
  d.CharHeight = static_cast<int16_t>(ch);
  d.VertAxis.shown = 1;
  d.VertAxis.majorTickLength = 4;
  d.VertAxis.minorTickLength = 2;
  d.HorzAxis = d.VertAxis;
}

}  // namespace sptfix
