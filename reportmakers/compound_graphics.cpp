// The graphics of the compound report pages: the six-slot panel of
// chromatograms and spectra, the ion-ratio chromatograms and the segment
// line. Each chromatogram is drawn from an overlay of its own, made and
// cleared inside the one call.
#include "reportmakers/compound_graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/data_file_descriptions.h"
#include "common/data_points.h"
#include "common/display_helpers.h"
#include "common/mass_lists.h"
#include "common/preference_records.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "plotengine/background_correction_marks.h"
#include "plotengine/event_marks.h"
#include "plotengine/one_chro_overlay.h"
#include "plotengine/overlay.h"
#include "plotengine/overlay_labels.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_layout.h"
#include "plotengine/titles_and_buttons.h"
#include "quorna/quorna.h"
#include "reportmakers/spectra_of_compounds.h"
#include "reportpages/data_file_blocks.h"
#include "reportpages/report_output.h"
#include "specialctl/ref_spectra.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "spectra/spectrum_titles.h"
#include "spectrumctl/stacked_spectra.h"
#include "win/win_gdi.h"

namespace kelt::reports {

PanelLayout LayOutPanel(const int16_t in[6], int16_t left, int16_t right, int16_t top, int16_t bottom) {
  PanelLayout p;
  for (int i = 0; i < 6; ++i) p.codes[i] = in[i];
  // Codes move up within their column over empty slots.
  for (int c = 0; c < 2; ++c) {
    int16_t* k = p.codes + 3 * c;
    if (!k[0]) {
      if (k[1]) {
        k[0] = k[1];
        k[1] = 0;
      } else if (k[2]) {
        k[0] = k[2];
        k[2] = 0;
      }
    }
    if (!k[1] && k[2]) {
      k[1] = k[2];
      k[2] = 0;
    }
  }
  const bool leftUsed = p.codes[0] || p.codes[1] || p.codes[2];
  const bool rightUsed = p.codes[3] || p.codes[4] || p.codes[5];
  int16_t x[2][2] = {{left, right}, {left, right}};
  if (leftUsed && rightUsed) {
    const int16_t half = int16_t((right - left) / 2);
    x[0][1] = int16_t(left + half);
    x[1][0] = int16_t(left + half);
  }
  for (int c = 0; c < 2; ++c) {
    const int16_t* k = p.codes + 3 * c;
    const int n = (k[0] != 0) + (k[1] != 0) + (k[2] != 0);
    if (!n) continue;
    const int height = bottom - top;
    const int row = n == 1 ? height : n == 2 ? height / 2 : height / 3;
    for (int i = 0; i < n; ++i) {
      PanelRect& r = p.rects[3 * c + i];
      r.left = x[c][0];
      r.right = x[c][1];
      r.top = int16_t(top + row * i);
      r.bottom = int16_t(i == n - 1 ? bottom : top + row * (i + 1));
    }
  }
  return p;
}

bool CommonMassRange(const double* firsts, const double* lasts, int count, double* low, double* high) {
  bool any = false;
  double lo = 0, hi = 0;
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(firsts[i]) || !std::isfinite(lasts[i])) continue;
    if (!any || firsts[i] < lo) lo = firsts[i];
    if (!any || lasts[i] > hi) hi = lasts[i];
    any = true;
  }
  if (!any) return false;
  if (hi - lo < 5) {
    const double grow = (5 - (hi - lo)) / 2;
    lo -= grow;
    hi += grow;
  }
  const double margin = (hi - lo) * 0.05;
  *low = lo - margin;
  *high = hi + margin;
  return true;
}

void QuanIonWindow(double expected, double found, int32_t halfWidth, bool quanIon, float peakStart, float peakEnd,
                   double* start, double* end) {
  if (halfWidth >= 0) {
    *start = expected - halfWidth * 0.001 - 0.2;
    *end = expected + halfWidth * 0.001 + 0.2;
  } else {
    *start = found - 0.5;
    *end = found + 0.5;
  }
  if (quanIon && (peakStart != 0 || peakEnd != 0)) {
    if (peakStart - 0.1 <= *start) *start = peakStart - 0.2;
    if (*end <= peakEnd + 0.1) *end = peakEnd + 0.2;
  }
}

}  // namespace kelt::reports

namespace {

using namespace kelt::reports;

template <class T>
T At(const void* p, uint32_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
  return v;
}

// Result-step fields the graphics read.
constexpr uint32_t kStepSecondTime = 138;
constexpr uint32_t kStepBaseline = 188;  // 8 floats
constexpr uint32_t kStepBcTime1 = 1327, kStepBcTime2 = 1331;
// Qualifier record: ion count and entries.
constexpr uint32_t kQualCount = 12, kQualEntries = 22, kQualEntrySize = 256, kQualMaxIons = 5;
constexpr uint32_t kQualMassList = 4, kQualBaseline = 222;
constexpr uint32_t kQualifierRecordSize = 1302;
// Peak-table (compound) record and global table.
constexpr uint32_t kCmpdExpected = 0, kCmpdHalfWidth1 = 1737, kCmpdHalfWidth2 = 3341, kCmpdProcessing = 1875;
constexpr uint32_t kCmpdBackground = 2175;
constexpr uint32_t kGlobalProcessing = 702;

struct Baseline {
  float v[8];
  bool Present() const { return v[4] != 0 || v[6] != 0; }
};
Baseline StepBaseline(const void* step) { return At<Baseline>(step, kStepBaseline); }

bool IsUnidentified(const void* step) {
  const int32_t kind = At<int32_t>(step, kelt::reports::step::kStatus);
  return kind >= 3 && kind <= 5;
}
bool IsTarget(const void* step) {
  const int32_t kind = At<int32_t>(step, kelt::reports::step::kStatus);
  return kind >= 0 && kind <= 2;
}

// The larger of the record's two search-window half-widths, kept within
// what a chromatogram can show (a damaged record may hold anything).
int32_t HalfWidth(const void* compound) {
  const int32_t a = At<int32_t>(compound, kCmpdHalfWidth1), b = At<int32_t>(compound, kCmpdHalfWidth2);
  return std::clamp(std::max(a, b), 0, 600000);
}

const void* ProcessingBlock(const void* compound, const void* globalTable) {
  if (compound) return static_cast<const uint8_t*>(compound) + kCmpdProcessing;
  if (globalTable) return static_cast<const uint8_t*>(globalTable) + kGlobalProcessing;
  return nullptr;
}

struct OverlayRelease {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_RENT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};
using OverlayPtr = std::unique_ptr<SVW_OVERLAY, OverlayRelease>;
OverlayPtr NewOverlay() { return OverlayPtr(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)))); }

// The segment holding a time, or -1.
int FindSegment(const STRUCT_WORK_FILE* wf, double t) {
  if (!wf->segmentBlocks) return -1;
  for (int i = 0; i < wf->msInfo.segmentCount; ++i) {
    const MS_SEGMENT_BLOCK& s = wf->segmentBlocks[i];
    if (s.startTime <= t && s.endTime >= t) return i;
  }
  return -1;
}

// A trace added to a slot; over a window that leaves the segment of the
// centre time, listed channels are read segment by segment.
bool AddTrace(CReportOutput& out, SVW_OVERLAY* o, int16_t slot, STRUCT_WORK_FILE* wf, const STRUCT_MASS_LIST& masses,
              const STRUCT_CHAN_LIST& channels, double start, double end, double centre, const char* title) {
  const int seg = FindSegment(wf, centre);
  STRUCT_SCAN_FUN_ARRAY* array = nullptr;
  if (seg >= 0 && out.ScanFunInfo && channels.kind == 1) {
    const MS_SEGMENT_BLOCK& s = wf->segmentBlocks[seg];
    const bool before = start < s.startTime && seg > 0;
    const bool after = end > s.endTime && seg + 1 < wf->msInfo.segmentCount;
    if (before || after)
      array = SCAN_FUN_GetScanFunArrayForChanList(wf, int16_t(seg), out.ScanFunInfo, int16_t(out.ScanFunCount),
                                                  &channels);
  }
  int32_t added;
  if (array) {
    added = OPLOT_RENT_AddAnyPlotToOverlayStructure(o, slot, wf, nullptr, out.ScanFunInfo, out.ScanFunCount,
                                                    DATA_TYPE_SCAN_FUN_PLOT, 0, &masses, &channels, array, "Counts",
                                                    title, start, end);
    if (!added) FreeBlock(array);  // the overlay owns it only once added
  } else {
    added = OPLOT_RENT_AddAnyPlotToOverlayStructure(o, slot, wf, nullptr, out.ScanFunInfo, out.ScanFunCount,
                                                    DATA_TYPE_MASS_LIST, 0, &masses, &channels, nullptr, "Counts",
                                                    title, start, end);
  }
  if (added && out.DisplayFileName[0])
    std::snprintf(o->slots[slot].displayFileName, sizeof o->slots[slot].displayFileName, "%.*s",
                  int(sizeof o->slots[slot].displayFileName) - 1, out.DisplayFileName);
  return added != 0;
}

// Draws the overlay into the rectangle; the processed/raw choice follows
// the plot-processing result.
int DrawOverlay(CReportOutput& out, SVW_OVERLAY* o, bool processed, int16_t left, int16_t bottom, int16_t right,
                int16_t top, int16_t timeAxis = 1) {
  HDC dc = out.PageDC->GetSafeHdc();
  STRUCT_OPLOT_DRAW_CHRO draw;
  OPLOT_InitDrawChro(&draw, out.Prefs ? reinterpret_cast<const uint32_t*>(&out.Prefs->chroDrawing) : nullptr);
  draw.drawBackground = 0;
  draw.drawProcessed = processed ? 1 : 0;
  draw.drawRaw = processed ? 0 : 1;
  draw.verticalScaleWidth = -1;
  draw.horizontalScaleHeight = int16_t(timeAxis ? -1 : 0);
  STRUCT_OPLOT_PLOT_PARAMS params;
  OPLOT_InitPlotParams(&params, 1, left, bottom, right, top, out.CharWidth, out.CharHeight);
  return OPLOT_DrawPlots(dc, &draw, &params, o, &out.Sizes);
}

struct ReadCompound {
  uint8_t bytes[kCompoundRecordSize];
};

LOGFONTA SmallFont(CReportOutput& out) {
  LOGFONTA f{};
  if (!out.GetCurrentLogFont(&f)) {
    f.lfHeight = -200;
    std::strcpy(f.lfFaceName, "Arial");
  }
  return f;
}

// Background-correction times: the step's, or those found from the record.
bool BcTimes(STRUCT_WORK_FILE* wf, const void* step, const void* compound, double* t1, double* t2) {
  *t1 = At<float>(step, kStepBcTime1);
  *t2 = At<float>(step, kStepBcTime2);
  if (*t1 == 0 && *t2 == 0 && compound) {
    ReadCompound copy;
    std::memcpy(copy.bytes, compound, sizeof copy.bytes);
    if (TOL_GetTargetBCSptTimes(wf->filePath, reinterpret_cast<STRUCT_DH_COMPOUND*>(copy.bytes), t1, t2) !=
        BC_TIMES_FOUND)
      *t1 = *t2 = 0;
  }
  return *t1 != 0 && *t2 != 0;
}

}  // namespace

void RPTS_FitScaleToBaseline(SVW_OVERLAY* o, const void* step) {
  if (!o || !step) return;
  const Baseline b = StepBaseline(step);
  const double t1 = b.v[0], y1 = b.v[1], t2 = b.v[2], y2 = b.v[3];
  const double T0 = o->tail.viewStart, T1 = o->tail.viewEnd;
  // The overlay is packed: the minimum is worked on in a local.
  double B = o->tail.scales.plotLow[0];
  const double T = o->tail.scales.plotHigh[0];
  // A baseline of no length has one height: its start's.
  auto at = [&](double x) { return t2 != t1 ? (y2 - y1) * (x - t1) / (t2 - t1) + y1 : y1; };
  bool lower = false;
  for (double x : {std::max<double>(b.v[4], T0), std::min<double>(b.v[6], T1)}) {
    const double y = at(x);
    if (!std::isfinite(y)) continue;
    if (y < B) {
      B = y;
      lower = true;
    } else if (y < B + (T - B) / 20) {
      lower = true;
    }
  }
  if (lower) B -= (T - B) / 20;
  o->tail.scales.plotLow[0] = B;
}

int CReportOutput::DrawQuanIonChromatogram(STRUCT_WORK_FILE* wf, const void* stepIn, int16_t internalStandard,
                                           const void* compound, const void* globalTable, int16_t left,
                                           int16_t bottom, int16_t right, int16_t top) {
  if (!kelt::pages::ReportLive(this) || !wf || !stepIn || !PageDC) return 0;
  uint8_t step[kResultStepSize];
  std::memcpy(step, stepIn, sizeof step);
  const double expected = At<float>(step, kelt::reports::step::kExpectedRT);
  const double found = At<float>(step, kelt::reports::step::kRetentionTime);
  const Baseline b = StepBaseline(step);
  double start = 0, end = 0;
  QuanIonWindow(expected, found, compound ? HalfWidth(compound) : -1, true, b.v[4], b.v[6], &start, &end);
  STRUCT_MASS_LIST masses = At<STRUCT_MASS_LIST>(step, kelt::reports::step::kMassList);
  STRUCT_CHAN_LIST channels = At<STRUCT_CHAN_LIST>(step, kelt::reports::step::kChanList);
  if (masses.count > MASS_LIST_MAX_RANGES) masses.count = MASS_LIST_MAX_RANGES;
  if (channels.count > CHAN_LIST_MAX_ENTRIES) channels.count = CHAN_LIST_MAX_ENTRIES;
  OverlayPtr o = NewOverlay();
  if (!o) return 0;
  if (!AddTrace(*this, o.get(), 0, wf, masses, channels, start, end, compound ? expected : found,
                internalStandard ? "IS Quan " : "Quan "))
    return 0;
  OPLOT_NewUpdateOverlayPlots(o.get(), start, end);
  const bool processed = RPTS_ReprocessPlotTrace(o.get(), 0, ProcessingBlock(compound, globalTable)) != 0;
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  RPTS_FitScaleToBaseline(o.get(), step);
  const int drawn = DrawOverlay(*this, o.get(), processed, left, bottom, right, top);
  HDC dc = PageDC->GetSafeHdc();
  if (drawn && b.Present()) {
    STRUCT_OPLOT_BASELINE_RESULT r{};
    std::memcpy(&r, b.v, sizeof b.v);
    r.slot = 0;
    OPLOT_DrawBaselineResults(dc, o.get(), &Sizes, 1, &r);
  }
  if (drawn && compound) {
    const LOGFONTA font = SmallFont(*this);
    OPLOT_DrawSearchAndIntegrationWindows(dc, o.get(), &Sizes, 0, expected, At<int32_t>(compound, kCmpdHalfWidth1),
                                          At<int32_t>(compound, kCmpdHalfWidth2), &font);
    double t1 = 0, t2 = 0;
    if (BcTimes(wf, step, compound, &t1, &t2)) OPLOT_DrawTargetBCPoints(dc, o.get(), &Sizes, 0, t1, t2);
  }
  return drawn;
}

int CReportOutput::DrawCompoundRIC(STRUCT_WORK_FILE* wf, const void* step, const void* compound,
                                   const void* globalTable, int16_t left, int16_t bottom, int16_t right, int16_t top) {
  if (!kelt::pages::ReportLive(this) || !wf || !step || !PageDC) return 0;
  const double expected = At<float>(step, kelt::reports::step::kExpectedRT);
  const double found = At<float>(step, kelt::reports::step::kRetentionTime);
  double start = 0, end = 0;
  QuanIonWindow(expected, found, compound ? HalfWidth(compound) : -1, false, 0, 0, &start, &end);
  STRUCT_MASS_LIST masses{};
  KELT_InitRICMassList(&masses);
  STRUCT_CHAN_LIST channels = At<STRUCT_CHAN_LIST>(step, kelt::reports::step::kChanList);
  if (channels.count > CHAN_LIST_MAX_ENTRIES) channels.count = CHAN_LIST_MAX_ENTRIES;
  OverlayPtr o = NewOverlay();
  if (!o) return 0;
  if (!AddTrace(*this, o.get(), 0, wf, masses, channels, start, end, compound ? expected : found, "")) return 0;
  OPLOT_NewUpdateOverlayPlots(o.get(), start, end);
  const bool processed = RPTS_ReprocessPlotTrace(o.get(), 0, ProcessingBlock(compound, globalTable)) != 0;
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  RPTS_FitScaleToBaseline(o.get(), step);
  const int drawn = DrawOverlay(*this, o.get(), processed, left, bottom, right, top);
  if (drawn && compound) {
    HDC dc = PageDC->GetSafeHdc();
    // The background spectra of the compound's correction, marked on the
    // trace through a reference-spectra set of its own.
    double t1 = 0, t2 = 0;
    if (BcTimes(wf, step, compound, &t1, &t2)) {
      const uint8_t* bc = static_cast<const uint8_t*>(compound) + kCmpdBackground;
      STRUCT_CHRO_PLOT_DATA description{};
      const bool present = At<uint32_t>(bc, 0) != 0 || At<uint32_t>(bc, 6) != 0;
      if (present && processed) {
        description.filterKind = At<int16_t>(bc, 0);
        description.value4 = At<int16_t>(bc, 4);
        description.value6 = At<int16_t>(bc, 6);
        description.value10 = At<int16_t>(bc, 10);
      }
      std::unique_ptr<CRefSpts> set(new CRefSpts());
      set->NewFile(wf, DATA_TYPE_MASS_LIST, &masses, &channels, nullptr, nullptr, o.get(), 0, &description, 0, 0, 0);
      for (double t : {t1, t2}) {
        uint32_t point = 0;
        double pointTime = 0;
        if (GetPointFromATime(wf, t, &point, &pointTime, 0)) set->AddSpt(pointTime, 1, o.get(), 0, &description);
      }
      if (set->Count() > 0 && set->m_ppDraw && set->m_pFileBC) {
        STRUCT_OPLOT_BC_SLOT slots[OVERLAY_SLOTS] = {};
        slots[0].spectrumCount = set->Count();
        slots[0].spectra = set->m_ppDraw;
        slots[0].correction = set->m_pFileBC;
        OPLOT_DrawBackgroundCorrection(dc, o.get(), &Sizes, slots, 0, 0);
      }
    }
    const LOGFONTA font = SmallFont(*this);
    OPLOT_DrawSearchAndIntegrationWindows(dc, o.get(), &Sizes, 0, expected, At<int32_t>(compound, kCmpdHalfWidth1),
                                          At<int32_t>(compound, kCmpdHalfWidth2), &font);
    STRUCT_OPLOT_SPECIAL_MARKER ert{};
    ert.time = At<int32_t>(compound, kCmpdExpected) * 0.001;
    std::strcpy(ert.text, "ERT");
    ert.slot = 0;
    ert.colour = Prefs ? Prefs->chroColors.colors[1] : RGB(0, 0, 0);
    OPLOT_DrawSpecialMarkers(dc, o.get(), &Sizes, &font, &ert, 1);
  }
  return drawn;
}

int CReportOutput::DrawQualifierIonChromatograms(STRUCT_WORK_FILE* wf, const void* step, const void* compound,
                                                 int16_t left, int16_t bottom, int16_t right, int16_t top) {
  if (!kelt::pages::ReportLive(this) || !wf || !step || !compound || !PageDC) return 0;
  std::unique_ptr<uint8_t[]> q(new uint8_t[kQualifierRecordSize]());
  if (!KELT_ReadMatchingQualifier(wf, At<int32_t>(step, kelt::reports::step::kCompoundNumber), q.get())) return 0;
  const int ions = std::min<int>(At<int16_t>(q.get(), kQualCount), kQualMaxIons);
  if (ions <= 0) return 0;
  const double expected = At<float>(step, kelt::reports::step::kExpectedRT);
  const int32_t half = HalfWidth(compound);
  double start = expected - half * 0.001, end = expected + half * 0.001;
  for (int i = 0; i < ions; ++i) {
    const Baseline b = At<Baseline>(q.get(), kQualEntries + kQualEntrySize * i + kQualBaseline);
    if (b.v[0] == 0 && b.v[2] == 0) continue;
    start = std::min<double>(start, b.v[0]);
    end = std::max<double>(end, b.v[2]);
  }
  start -= 0.2;
  end += 0.2;
  STRUCT_CHAN_LIST channels = At<STRUCT_CHAN_LIST>(step, kelt::reports::step::kChanList);
  if (channels.count > CHAN_LIST_MAX_ENTRIES) channels.count = CHAN_LIST_MAX_ENTRIES;
  OverlayPtr o = NewOverlay();
  if (!o) return 0;
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  bool processed = false;
  for (int i = 0; i < ions; ++i) {
    STRUCT_MASS_LIST masses = At<STRUCT_MASS_LIST>(q.get(), kQualEntries + kQualEntrySize * i + kQualMassList);
    if (masses.count > MASS_LIST_MAX_RANGES) masses.count = MASS_LIST_MAX_RANGES;
    char title[24];
    std::snprintf(title, sizeof title, "%d Qual ", i + 1);
    if (!AddTrace(*this, o.get(), int16_t(i), wf, masses, channels, start, end, expected, title)) return 0;
    OPLOT_NewUpdateOverlayPlots(o.get(), start, end);
    processed = RPTS_ReprocessPlotTrace(o.get(), int16_t(i), ProcessingBlock(compound, nullptr)) != 0;
  }
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  const int drawn = DrawOverlay(*this, o.get(), processed, left, bottom, right, top);
  if (drawn) {
    const LOGFONTA font = SmallFont(*this);
    OPLOT_DrawSearchAndIntegrationWindows(PageDC->GetSafeHdc(), o.get(), &Sizes, 0, expected,
                                          At<int32_t>(compound, kCmpdHalfWidth1),
                                          At<int32_t>(compound, kCmpdHalfWidth2), &font);
  }
  return drawn;
}

void CReportOutput::WriteSegmentLine(STRUCT_WORK_FILE* wf, double time, int16_t column) {
  if (!kelt::pages::ReportLive(this) || !wf) return;
  const int seg = FindSegment(wf, time);
  if (seg < 0) return;
  char text[1024] = {};
  if (!KELT_GetOneTextLineForSegment(wf, int16_t(seg), text) || !text[0]) return;
  SelectSmallFont();
  ResetTextColor();
  TextAtColumn(column, text);
  NextLine();
}

namespace {

struct PanelSpectrum {
  int16_t slot;  // 0 plain, 2 difference
  PanelRect rect;
  STRUCT_SPT_PLUS* spectrum;
  bool owned;
};

// First and last mass of a spectrum's pairs, in whichever form it holds them.
bool MassEnds(const STRUCT_SPT_PLUS* s, double* first, double* last) {
  const int32_t n = PlusSpt_GetPairCount(s);
  if (n <= 0) return false;
  double m0 = 0, m1 = 0, v = 0;
  uint32_t w = 0;
  if (!PlusSpt_GetPairValues(s, 0, &m0, &w, &v) || !PlusSpt_GetPairValues(s, uint32_t(n - 1), &m1, &w, &v))
    return false;
  *first = std::min(m0, m1);
  *last = std::max(m0, m1);
  return true;
}

void Frame(HDC dc, const PanelRect& r) {
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  HPEN pen = CreatePen(PS_SOLID, std::max<int>(report.chroReport.penWidth, 1), RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, r.left, r.bottom, nullptr);
  LineTo(dc, r.right, r.bottom);
  LineTo(dc, r.right, r.top);
  LineTo(dc, r.left, r.top);
  LineTo(dc, r.left, r.bottom);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void CutTitle(char* title, size_t at) {
  if (std::strlen(title) > at) title[at] = 0;
}

}  // namespace

int CReportOutput::DrawCompoundGraphics(STRUCT_WORK_FILE* wf, int16_t peakNumber, const void* step,
                                        const void* isStep, const void* compound, const void* globalTable,
                                        const int16_t codesIn[6], int16_t firstColumn, int16_t lastColumn,
                                        int16_t lastLine) {
  if (!kelt::pages::ReportLive(this) || !wf || !step || !codesIn || !Page || !PageDC) return 0;
  int16_t codes[6];
  for (int i = 0; i < 6; ++i) {
    codes[i] = codesIn[i] >= 0 && codesIn[i] <= 14 ? codesIn[i] : 0;
    if ((codes[i] == CMPD_GRAPHIC_IS_QUAN_ION && !isStep) || (codes[i] == CMPD_GRAPHIC_QUALIFIERS && !compound))
      codes[i] = 0;
  }
  if (std::all_of(codes, codes + 6, [](int16_t c) { return c == 0; })) return 0;

  // The spectra, each made once.
  const bool unidentified = IsUnidentified(step);
  auto needs = [&](std::initializer_list<int> which) {
    for (int16_t c : codes)
      for (int w : which)
        if (c == w) return true;
    return false;
  };
  ReadCompound copy{};
  STRUCT_DH_COMPOUND* record = nullptr;
  if (compound) {
    std::memcpy(copy.bytes, compound, sizeof copy.bytes);
    record = reinterpret_cast<STRUCT_DH_COMPOUND*>(copy.bytes);
  }
  STRUCT_SPT_PLUS* sample = nullptr;
  STRUCT_SPT_PLUS* uncorrected = nullptr;
  STRUCT_SPT_PLUS* reference = nullptr;
  STRUCT_SPT_PLUS* matches[3] = {};
  if (needs({5, 8, 12, 13, 14})) sample = TOL_MakeSptFromTolQuanRecord(wf, step, record, 1);
  if (needs({7})) uncorrected = TOL_MakeSptFromTolQuanRecord(wf, step, record, 0);
  if (record && needs({6, 8})) {
    reference = KELT_MakeSptFromPeakMatrixRecord(record);
    if (reference) RPTS_TitleRefSpectrum(reference, step);
  }
  for (int m = 0; m < 3 && unidentified; ++m)
    if (needs({9 + m, 12 + m})) matches[m] = TIC_ReadSpectrum(wf->filePath, uint16_t(peakNumber), int16_t(m));
  if (DisplayFileName[0]) {
    for (STRUCT_SPT_PLUS* s : {sample, uncorrected}) {
      if (!s || !s->tolSpt) continue;
      std::snprintf(s->tolSpt->displayName, sizeof s->tolSpt->displayName, "%s", DisplayFileName);
      PlusSpt_InitFileTitle(s);
    }
  }
  auto freeAll = [&] {
    for (STRUCT_SPT_PLUS* s : {sample, uncorrected, reference, matches[0], matches[1], matches[2]})
      if (s) PlusSpt_Free(s);
  };
  for (int16_t& c : codes) {
    switch (c) {
      case 5: if (!sample) c = 0; break;
      case 6: if (!reference) c = 0; break;
      case 7: if (!uncorrected) c = 0; break;
      case 8: if (!sample || !reference) c = 0; break;
      case 9: case 10: case 11: if (!matches[c - 9]) c = 0; break;
      case 12: case 13: case 14: if (!matches[c - 12] || !sample) c = 0; break;
      default: break;
    }
  }
  if (std::all_of(codes, codes + 6, [](int16_t c) { return c == 0; })) {
    freeAll();
    return 0;
  }

  const int16_t half = int16_t(CharHeight / 2);
  const PanelLayout layout = LayOutPanel(codes, Page->ColumnToX(firstColumn), Page->ColumnToX(lastColumn),
                                         int16_t(Page->LineToY(Line) + half), int16_t(Page->LineToY(lastLine) - half));
  SelectSmallFont();
  HDC dc = PageDC->GetSafeHdc();
  PanelSpectrum list[6];
  int listed = 0;
  std::vector<STRUCT_SPT_PLUS*> made;
  for (int i = 0; i < 6 && kelt::pages::ReportLive(this); ++i) {
    const int16_t c = layout.codes[i];
    if (!c) continue;
    const PanelRect& r = layout.rects[i];
    int drawn = 0;
    if (c >= 1 && c <= 4) {
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
      if (c == 1) {
        drawn = DrawQuanIonChromatogram(wf, step, 0, compound, globalTable, r.left, r.bottom, r.right, r.top);
      } else if (c == 2) {
        drawn = DrawCompoundRIC(wf, step, compound, globalTable, r.left, r.bottom, r.right, r.top);
      } else if (c == 3) {
        uint8_t standard[kResultStepSize];
        std::memcpy(standard, isStep, sizeof standard);
        std::unique_ptr<ReadCompound> standardRecord(new ReadCompound());
        const void* standardCompound = nullptr;
        if (unidentified && IsTarget(isStep)) {
          // The standard's trace at the peak's time, in the peak's ions.
          std::memcpy(standard + kelt::reports::step::kRetentionTime,
                      static_cast<const uint8_t*>(step) + kStepSecondTime, 4);
          std::memcpy(standard + kelt::reports::step::kMassList,
                      static_cast<const uint8_t*>(step) + kelt::reports::step::kMassList, sizeof(STRUCT_MASS_LIST));
          std::memcpy(standard + kelt::reports::step::kChanList,
                      static_cast<const uint8_t*>(step) + kelt::reports::step::kChanList, sizeof(STRUCT_CHAN_LIST));
          std::memset(standard + kStepBaseline, 0, 32);
        } else if (RPTS_ReadCompoundRecord(wf, isStep, standardRecord->bytes)) {
          standardCompound = standardRecord->bytes;
        }
        drawn = DrawQuanIonChromatogram(wf, standard, 1, standardCompound, globalTable, r.left, r.bottom, r.right,
                                        r.top);
      } else {
        drawn = DrawQualifierIonChromatograms(wf, step, compound, r.left, r.bottom, r.right, r.top);
      }
      RestoreDC(dc, saved);
    } else {
      PanelSpectrum e{0, r, nullptr, false};
      if (c == 5) e.spectrum = sample;
      if (c == 6) e.spectrum = reference;
      if (c == 7) e.spectrum = uncorrected;
      if (c >= 9 && c <= 11) {
        e.spectrum = matches[c - 9];
        char title[256];
        std::snprintf(title, sizeof title, "Match %d %-50.50s", c - 8, e.spectrum->name);
        std::snprintf(e.spectrum->mainTitle, sizeof e.spectrum->mainTitle, "%.*s", int(SPT_TITLE_SIZE) - 1, title);
      }
      if (c == 8 || (c >= 12 && c <= 14)) {
        STRUCT_SPT_PLUS* other = c == 8 ? reference : matches[c - 12];
        auto* diff = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
        STRUCT_DIFF_SPT* d = diff ? DIFF_MakeSpectrum(sample, other, 2) : nullptr;
        if (!d) {
          if (diff) FreeBlock(diff);
        } else {
          PlusSpt_InitDiffSpt(diff, d, sample, other);
          char first[256];
          std::snprintf(first, sizeof first, "%.70s minus", sample->mainTitle);
          char second[256];
          if (c == 8)
            std::snprintf(second, sizeof second, "Ref %s", reference->mainTitle);
          else
            std::snprintf(second, sizeof second, "Match %d %.70s", c - 11, other->name);
          std::snprintf(diff->mainTitle, sizeof diff->mainTitle, "%.*s", int(SPT_TITLE_SIZE) - 1, first);
          std::snprintf(diff->nameTitle, sizeof diff->nameTitle, "%.*s", int(SPT_TITLE_SIZE) - 1, second);
          e.slot = 2;
          e.spectrum = diff;
          e.owned = true;
          made.push_back(diff);
        }
      }
      if (e.spectrum) list[listed++] = e;
    }
    if (!drawn) Frame(dc, r);
  }

  double firsts[6], lasts[6];
  int ends = 0;
  for (int i = 0; i < listed; ++i)
    if (MassEnds(list[i].spectrum, &firsts[ends], &lasts[ends])) ++ends;
  double low = 0, high = 0;
  if (listed && CommonMassRange(firsts, lasts, ends, &low, &high)) {
    for (int i = 0; i < listed && kelt::pages::ReportLive(this); ++i) {
      const PanelSpectrum& e = list[i];
      CutTitle(e.spectrum->mainTitle, 81);
      CutTitle(e.spectrum->nameTitle, 81);
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, e.rect.left, e.rect.top, e.rect.right, e.rect.bottom);
      CDrawStackedSpectra d;
      d.DC = PageDC;
      d.ReportMode = 1;
      d.PaintBackground = 0;
      d.Left = e.rect.left;
      d.Bottom = e.rect.bottom;
      d.Right = e.rect.right;
      d.Top = e.rect.top;
      d.CharWidth = CharWidth;
      d.CharHeight = CharHeight;
      if (Prefs) {
        d.ReportColors = Prefs->sptsColors;
        d.VertAxis = Prefs->sptsAxis0;
        d.HorzAxis = Prefs->sptsAxis1;
      }
      d.ShowHorzScale = 1;
      d.ShowVertScale = 1;
      d.Spectra[e.slot] = e.spectrum;
      d.VertMin[e.slot] = -5.0;
      d.VertMax[e.slot] = 100.0;
      d.MassFrom = low;
      d.MassTo = high;
      d.DoJob();
      RestoreDC(dc, saved);
    }
    FontIndex = -1;  // the drawing chose its own fonts
  }
  for (STRUCT_SPT_PLUS* s : made) PlusSpt_Free(s);
  freeAll();
  Line = int16_t(lastLine + 1);
  return 1;
}

int CReportOutput::DrawIonRatioChromatograms(STRUCT_WORK_FILE* wf, const void* step, const void* qualifier,
                                             const void* isStep, const void* isQualifier, const void* compound,
                                             const void* isCompound, int16_t firstColumn, int16_t lastColumn,
                                             int16_t lastLine) {
  if (!kelt::pages::ReportLive(this) || !wf || !step || !qualifier || !compound || !Page || !PageDC) return 0;
  const int ions = std::clamp<int>(At<int16_t>(qualifier, kQualCount), 0, int(kQualMaxIons));
  const int isIons = isQualifier ? std::clamp<int>(At<int16_t>(isQualifier, kQualCount), 0, int(kQualMaxIons)) : 0;
  const bool two = isStep && isQualifier && isCompound && isIons > 0;
  struct Panel {
    const void* step;
    const void* qual;
    const void* compound;
    int ions;
    int16_t left, right;
    const char* label;
  } panels[2];
  int count = 1;
  const int16_t n = int16_t(lastColumn - firstColumn);
  if (two) {
    const int16_t h = int16_t(n / 2 - 1);
    panels[0] = {step, qualifier, compound, ions, firstColumn, int16_t(firstColumn + h), "Sample: %s"};
    panels[1] = {isStep, isQualifier, isCompound, isIons, int16_t(lastColumn - h), lastColumn, "IS: %s"};
    count = 2;
  } else {
    panels[0] = {step, qualifier, compound, ions, firstColumn, lastColumn, "Sample: %s"};
  }
  SelectNormalFont();
  HDC dc = PageDC->GetSafeHdc();
  for (int p = 0; p < count; ++p) {
    char name[kelt::reports::step::kNameSize + 1] = {};
    std::memcpy(name, static_cast<const uint8_t*>(panels[p].step) + kelt::reports::step::kName,
                kelt::reports::step::kNameSize);
    char text[80];
    std::snprintf(text, sizeof text, panels[p].label, name);
    SIZE size{};
    KELT_GetTextSize(PageDC, text, &size);
    const int16_t l = Page->ColumnToX(panels[p].left), r = Page->ColumnToX(panels[p].right);
    Page->XYTextOut(int16_t(l + (r - l - size.cx) / 2), Page->LineToY(Line), text);
  }
  Line = int16_t(Line + 1);
  SelectSmallFont();
  const int top = Page->LineToY(Line) + CharHeight / 2;
  const int bottom = Page->LineToY(lastLine) - CharHeight / 2;
  for (int p = 0; p < count && kelt::pages::ReportLive(this); ++p) {
    const Panel& P = panels[p];
    if (P.ions <= 0) continue;
    const int rowHeight = (bottom - top - 2 * CharHeight) / P.ions;
    const double expected = At<float>(P.step, kelt::reports::step::kExpectedRT);
    const int32_t half = std::clamp(At<int32_t>(P.compound, kCmpdHalfWidth2), 0, 600000);
    double start = expected - half * 0.001, end = expected + half * 0.001;
    for (int i = 0; i < P.ions; ++i) {
      const Baseline b = At<Baseline>(P.qual, kQualEntries + kQualEntrySize * i + kQualBaseline);
      if (b.v[0] == 0 && b.v[2] == 0) continue;
      start = std::min<double>(start, b.v[0]);
      end = std::max<double>(end, b.v[2]);
    }
    start -= 0.2;
    end += 0.2;
    if (start < wf->startTime || start >= wf->endTime) start = wf->startTime;
    if (end > wf->endTime || end < wf->startTime) end = wf->endTime;
    STRUCT_CHAN_LIST channels = At<STRUCT_CHAN_LIST>(P.step, kelt::reports::step::kChanList);
    if (channels.count > CHAN_LIST_MAX_ENTRIES) channels.count = CHAN_LIST_MAX_ENTRIES;
    for (int i = 0; i < P.ions; ++i) {
      const uint8_t* entry = static_cast<const uint8_t*>(P.qual) + kQualEntries + kQualEntrySize * i;
      STRUCT_MASS_LIST masses = At<STRUCT_MASS_LIST>(entry, kQualMassList);
      if (masses.count > MASS_LIST_MAX_RANGES) masses.count = MASS_LIST_MAX_RANGES;
      char massText[420] = {};
      FormatMassListText(massText, &masses, 0);
      char title[440];
      std::snprintf(title, sizeof title, "m/z%s", massText);
      OverlayPtr o = NewOverlay();
      if (!o) continue;
      if (!OPLOT_OneChro_Init(o.get(), wf, start, end, masses.kind ? DATA_TYPE_MASS_LIST : DATA_TYPE_TIC, 0,
                              &channels, &masses, "Counts", title))
        continue;
      const bool processed = RPTS_ReprocessPlotTrace(o.get(), 0, ProcessingBlock(P.compound, nullptr)) != 0;
      const bool last = i == P.ions - 1;
      const int16_t rowTop = int16_t(top + rowHeight * i);
      const int16_t rowBottom = int16_t(last ? bottom : top + rowHeight * (i + 1));
      const int16_t l = Page->ColumnToX(P.left), r = Page->ColumnToX(P.right);
      const int drawn = DrawOverlay(*this, o.get(), processed, l, rowBottom, r, rowTop, last ? 1 : 0);
      const Baseline b = At<Baseline>(entry, kQualBaseline);
      const float apex = At<float>(entry, 0);
      if (drawn && (b.v[0] != 0 || b.v[2] != 0 || b.v[4] != 0 || b.v[6] != 0)) {
        STRUCT_OPLOT_BASELINE_RESULT rec{};
        std::memcpy(&rec, b.v, sizeof b.v);
        OPLOT_DrawBaselineResults(dc, o.get(), &Sizes, 1, &rec);
      }
      if (drawn) {
        CLabelManager* labels = OPLOT_CreateLabelManager();
        if (labels) {
          char label[32];
          std::snprintf(label, sizeof label, "%.3f", double(apex));
          STRUCT_TLP tlp;
          OPLOT_InitTLP(&tlp, 0, 900, CharHeight, 0, 0);
          STRUCT_MARKER_PARAMS params{};
          params.transparent = 1;
          params.printColor = RGB(0, 0, 0);
          params.screenColor = RGB(0, 0, 0);
          params.font = SmallFont(*this);
          params.font.lfEscapement = params.font.lfOrientation = 900;
          params.angle = 900;
          OPLOT_AddPlotTokenLabel(labels, o.get(), 0, apex, 1, label, &params);
          OPLOT_DefineAreas(labels, o.get(), &Sizes);
          OPLOT_DrawLabels(labels, o.get(), dc, 1, uint16_t(CharHeight), 0);
          OPLOT_FreeLabelManager(labels);
        }
      }
      // The points belong to the slot; the one-plot overlay is cleared with them.
    }
  }
  Line = int16_t(lastLine + 1);
  return 1;
}
