#pragma once
// The host's spectrum pictures of its sample runs: a single spectrum, a
// stacked pair with their difference, a profile spectrum, and a library-hit
// comparison with the hit's structure. The demo and the golden pictures of
// the drawing share these scenes, so this header holds them inline.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "framework/framework_gdi.h"
#include "host/sample_overlay.h"
#include "orvik32/orvik32.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/chem_struct.h"
#include "spectrumctl/stacked_spectra.h"
#include "win/win_gdi.h"

namespace sample_spectra {

struct Owned {
  STRUCT_SPT_PLUS* p = nullptr;
  Owned() = default;
  explicit Owned(STRUCT_SPT_PLUS* s) : p(s) {}
  Owned(Owned&& o) noexcept : p(o.p) { o.p = nullptr; }
  Owned& operator=(Owned&& o) noexcept {
    std::swap(p, o.p);
    return *this;
  }
  ~Owned() { PlusSpt_Free(p); }
  STRUCT_SPT_PLUS* get() const { return p; }
};

struct Scenes {
  Owned water, blank, difference, profile, hit;
  std::string compound;
};

inline void SetTitle(char* field, const std::string& s) {
  std::memset(field, 0, SPT_TITLE_SIZE);
  std::snprintf(field, SPT_TITLE_SIZE, "%s", s.c_str());
}

// A background-corrected average of three scans at a time of a run.
inline Owned SpectrumAt(const std::string& path, double minutes, const std::string& label) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path.c_str(), 0);
  if (!wf) return Owned();
  STRUCT_CHAN_LIST merged{};
  merged.kind = CHAN_LIST_MERGED;
  Owned s(TOL_MakeBCAvgPlusSptFromTime(wf, &merged, nullptr, minutes, 3));
  FreeWorkFileStruct(wf);
  if (!s.get()) return s;
  PlusSpt_InitRightTitles(s.get());
  SetTitle(s.get()->mainTitle, label);
  return s;
}

// 1,2,4-Trichlorobenzene as a connection table: the ring with its circle,
// chlorines at the top, upper right and lower left.
inline std::vector<uint8_t> TrichlorobenzeneTable() {
  using kelt::chem::Bond;
  const int16_t c[6][2] = {{100, 70}, {126, 85}, {126, 115}, {100, 130}, {74, 115}, {74, 85}};
  std::vector<Bond> bonds;
  for (int i = 0; i < 6; ++i) bonds.push_back({c[i][0], c[i][1], c[(i + 1) % 6][0], c[(i + 1) % 6][1], 0});
  bonds.push_back({100, 70, 100, 40, 0});
  bonds.push_back({126, 85, 152, 70, 0});
  bonds.push_back({74, 115, 48, 130, 0});
  const kelt::chem::Circle ring{100, 100};
  const kelt::chem::Label labels[] = {{100, 40, "Cl"}, {152, 70, "Cl"}, {48, 130, "Cl"}};
  std::vector<uint8_t> t(CHEM_TABLE_SIZE);
  kelt::chem::WriteTable(t.data(), bonds.data(), int(bonds.size()), &ring, 1, labels, 3);
  return t;
}

// A search-library entry holding a compound's true spectrum at nominal
// masses (base peak 9999) and a structure.
inline Owned LibraryEntry(const msfix::CompoundTruth& c, const std::vector<uint8_t>& table) {
  std::vector<std::pair<uint16_t, double>> pairs;
  double top = 0;
  for (const auto& [m, share] : c.spectrum) {
    const uint16_t nominal = static_cast<uint16_t>(std::lround(m));
    if (!pairs.empty() && pairs.back().first == nominal)
      pairs.back().second += share;
    else
      pairs.emplace_back(nominal, share);
    top = std::max(top, pairs.back().second);
  }
  const size_t room = std::max<size_t>(pairs.size(), 1);
  auto* e = static_cast<STRUCT_SLBR_SPT*>(
      AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_SLBR_SPT) + (room - 1) * sizeof(TOL_PAIR))));
  if (!e) return Owned();
  std::snprintf(e->name, sizeof e->name, "%s", c.name.c_str());
  std::snprintf(e->libraryName, sizeof e->libraryName, "%s", "SAMPLELIB");
  e->entryNumber = 1207;
  e->molecularWeight = 180;
  int16_t n = 0;
  for (const auto& [m, v] : pairs) {
    const uint32_t scaled = static_cast<uint32_t>(std::lround(v / top * 9999));
    if (scaled > 0) e->pairs[n++] = TOL_PAIR{m, scaled};
  }
  e->pairCount = n;
  e->chemStruct = static_cast<uint8_t*>(AllocBlock(CHEM_TABLE_SIZE));
  if (e->chemStruct) std::memcpy(e->chemStruct, table.data(), CHEM_TABLE_SIZE);
  auto* s = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!s) {
    FreeBlock(e->chemStruct);
    FreeBlock(e);
    return Owned();
  }
  PlusSpt_InitSLbrSpt(s, e);
  PlusSpt_InitRightTitles(s);
  SetTitle(s->mainTitle, "Library hit 1: " + c.name + " (1,2,4-Trichlorobenzene)");
  return Owned(s);
}

// Writes the sample runs into folder and makes the scenes.
inline bool Make(const std::string& folder, Scenes* out) {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(folder, &f)) return false;
  const auto& compounds = f.truth.run.compounds;
  if (compounds.size() < 4) return false;
  const msfix::CompoundTruth& c = compounds[3];
  out->compound = c.name;
  out->water = SpectrumAt(f.water, c.retentionTime, "Sample: " + c.name);
  out->blank = SpectrumAt(f.blank, c.retentionTime, "Field blank at the same time");
  if (!out->water.get() || !out->blank.get()) return false;
  if (DIFF_OkToMakeSpectrum(out->water.get(), out->blank.get())) {
    STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(out->water.get(), out->blank.get(), 2);
    auto* s = d ? static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS))) : nullptr;
    if (s) {
      PlusSpt_InitDiffSpt(s, d, out->water.get(), out->blank.get());
      out->difference = Owned(s);
    } else if (d) {
      FreeBlock(d);
    }
  }
  // A profile run of the same plan.
  msfix::RunPlan plan;
  plan.profile = true;
  plan.scans = 300;
  const std::string profile = folder + "\\profile.kms";
  msfix::RunTruth truth;
  if (!msfix::WriteMsDataFile(profile, plan, &truth) || truth.compounds.size() < 3) return false;
  out->profile = SpectrumAt(profile, truth.compounds[2].retentionTime, "Profile: " + truth.compounds[2].name);
  out->hit = LibraryEntry(c, TrichlorobenzeneTable());
  return out->profile.get() && out->hit.get() && out->difference.get();
}

// The screen's font, cell and axes for the drawing.
struct Cell {
  int cw = 0, ch = 0;
};
inline HFONT ScreenFont(HDC dc, Cell* cell) {
  LOGFONTA lf{};
  lf.lfHeight = -13;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  cell->cw = tm.tmAveCharWidth;
  cell->ch = tm.tmHeight;
  return font;
}

inline void Frame(CDrawStackedSpectra& d, CDC* dc, const RECT& r, const Cell& cell, int16_t report) {
  d.DC = dc;
  d.ReportMode = report;
  d.Left = static_cast<int16_t>(r.left);
  d.Top = static_cast<int16_t>(r.top);
  d.Right = static_cast<int16_t>(r.right);
  d.Bottom = static_cast<int16_t>(r.bottom);
  d.CharWidth = static_cast<int16_t>(cell.cw);
  d.CharHeight = static_cast<int16_t>(cell.ch);
  KELT_ResetAxisParams(1, 0, report ? 0 : 1, &d.VertAxis);
  KELT_ResetAxisParams(0, 0, report ? 0 : 1, &d.HorzAxis);
  d.VertAxis.shown = d.HorzAxis.shown = 1;
  d.PaintBackground = report ? 0 : 1;
}

enum class Picture { Single, Difference, Profile, LibraryHit };

// Draws one scene into dc's rectangle r.
inline void Draw(Picture what, const Scenes& s, CDC* dc, const RECT& r, const Cell& cell, int16_t report) {
  CDrawStackedSpectra d;
  Frame(d, dc, r, cell, report);
  switch (what) {
    case Picture::Single:
      d.Spectra[0] = s.water.get();
      d.ShowRangeMarks = 1;
      d.RangeMarks[0] = 50;
      d.RangeMarks[1] = 150;
      break;
    case Picture::Difference:
      d.Spectra[0] = s.water.get();
      d.Spectra[1] = s.blank.get();
      d.Spectra[2] = s.difference.get();
      d.SearchMatchMode = 0;
      d.ShowDeleteButtons = d.ShowMaxButtons = report ? 0 : 1;
      d.ShowActiveButtons = report ? 0 : 1;
      d.WindowNumber = d.ActiveWindowNumber = 0;
      d.ActiveSpectrum = 0;
      break;
    case Picture::Profile:
      d.Spectra[0] = s.profile.get();
      break;
    case Picture::LibraryHit:
      d.Spectra[0] = s.water.get();
      d.Spectra[1] = s.hit.get();
      std::snprintf(d.BottomText, sizeof d.BottomText, "%s", "Hit 1 of 10");
      break;
  }
  d.DoJob();
}

}  // namespace sample_spectra
