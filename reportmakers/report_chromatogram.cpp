// The chromatogram of a data file on report pages, in time strips.
#include "reportmakers/report_chromatogram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/data_points.h"
#include "common/engine_binding.h"
#include "common/engine_entries.h"
#include "common/plot_titles.h"
#include "common/preference_records.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "overlayctl/segment_info_window.h"
#include "plotengine/one_chro_overlay.h"
#include "plotengine/overlay.h"
#include "plotengine/peak_event_drawing.h"
#include "plotengine/peak_events.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_layout.h"
#include "plotengine/result_annotations.h"
#include "plotengine/tile_texts.h"
#include "reportmakers/report_format.h"
#include "reportpages/data_file_blocks.h"
#include "reportpages/report_output.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"

namespace kelt::reports {

namespace {
constexpr double kShortest = 0.25;  // minutes
}  // namespace

StripPlan PlanStrips(double first, double last, double fileFirst, double fileLast, int strips, int overlapSeconds) {
  StripPlan p;
  double span = last - first;
  if (!(span >= kShortest)) {
    first = fileFirst;
    span = fileLast - fileFirst;
    if (!(span >= kShortest)) return p;
  }
  int count = strips > 1 ? strips : 1;
  double strip = span / count;
  if (count > 1 && strip < kShortest) {
    count = std::max(1, int(span / kShortest));
    strip = span / count;
  }
  p.draw = true;
  p.first = first;
  p.span = strip;
  p.count = count;
  if (count > 1 && overlapSeconds >= 1 && overlapSeconds <= 20) p.overlap = std::min(overlapSeconds / 60.0, strip / 5);
  return p;
}

void IntensityScale(bool autoscale, double divisor, double fixedTop, double bottomPercent, double largest,
                    double smallest, double* bottom, double* top) {
  double t = fixedTop;
  if (autoscale) {
    t = largest;
    if (divisor != 0 && divisor != 1 && std::isfinite(divisor)) t = largest / divisor;
  }
  double b = bottomPercent != 0 ? t * bottomPercent / 100 : 0;
  if (b == t) {
    if (largest > smallest) {
      b = smallest - 5;
      t = largest + 5;
    } else {
      t = b + 100;
    }
  }
  *bottom = b;
  *top = t;
}

void RequestTimes(bool useRange, double from, double to, double fileFirst, double fileLast, double* first,
                  double* last) {
  *first = fileFirst;
  *last = fileLast;
  if (!useRange || !(from < to)) return;
  if (from > *first && from < *last) *first = from;
  if (to > *first && to < *last) *last = to;
}

}  // namespace kelt::reports

BOOL RPTS_ExtractSectionAsFile(const char* file, const char* outFile, const char* sectionName) {
  char folder[MAX_PATH + 1] = {};
  if (!GetProgramDirectory(folder)) folder[0] = 0;
  std::string path = folder;
  if (!path.empty()) path += '\\';
  path += "Nabrit.dll";
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return FALSE;
  using Extract = BOOL (*)(const char*, const char*, const char*);
  auto extract = ProcAs<Extract>(GetProcAddress(module, "ExtractSectionAsFile"));
  const BOOL ok = extract ? extract(file, outFile, sectionName) : FALSE;
  FreeLibrary(module);
  return ok ? TRUE : FALSE;
}

namespace {

using kelt::reports::StripPlan;

struct OverlayRelease {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_RENT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};

// The data file's processed chromatogram, its peak events read; false
// when none could be had. The stored one first, else the engine makes it.
bool ReadPeakEvents(const STRUCT_WORK_FILE* wf, const char* displayName, STRUCT_OPLOT_DRAW_EVENTS* events) {
  char folder[MAX_PATH] = {}, temp[MAX_PATH] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "JJJ", 0, temp)) return false;
  char made[MAX_PATH] = {};
  std::memcpy(made, temp, sizeof made);
  bool have = RPTS_ExtractSectionAsFile(wf->filePath, temp, "FullChromatogram1") != 0;
  if (!have) {
    try {
      kelt::EngineBinding engine;
      auto processed =
          engine.Find<kelt::engine::GetProcessedChromatogramFileExFn>("GetProcessedChromatogramFileEx");
      if (processed) {
        auto step = std::make_unique<uint8_t[]>(1375);
        (void)displayName;
        // The engine may write to a file of its own naming; its name comes back in made.
        have = processed(nullptr, nullptr, wf->filePath, 0, 0, 0, 0, wf->filePath, nullptr, made,
                         reinterpret_cast<STRUCT_RESULT_STEP*>(step.get()), 1) != 0;
      }
    } catch (...) {
      have = false;
    }
  }
  const char* file = have ? (std::strcmp(made, temp) != 0 && made[0] ? made : temp) : nullptr;
  const bool read = file && OPLOT_ReadDrawEvents(file, 0, events) != 0 && events->eventCount > 0;
  if (!read) OPLOT_FreeDrawEvents(events);
  if (FileExists(temp)) DeleteFileA(temp);
  if (made[0] && std::strcmp(made, temp) != 0 && FileExists(made)) DeleteFileA(made);
  return read;
}

void DrawLine(HDC dc, int x, int y1, int y2) {
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, x, y1, nullptr);
  LineTo(dc, x, y2);
  SelectObject(dc, old);
}

}  // namespace

BOOL RPTS_DrawChromatogramStrips(CReportOutput* out, STRUCT_RPT_CHROMATOGRAM* r) {
  if (!kelt::pages::ReportLive(out) || !r || !r->workFile) return 0;
  if (out->Kind != REPORT_OUTPUT_PAGES) return 1;
  STRUCT_WORK_FILE* wf = r->workFile;
  const StripPlan plan =
      kelt::reports::PlanStrips(r->firstTime, r->lastTime, wf->startTime, wf->endTime, r->strips, r->overlap);
  if (!plan.draw) return 1;

  std::unique_ptr<SVW_OVERLAY, OverlayRelease> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o) return 0;
  o->head.displayMode = OVERLAY_MODE_STACKED;
  if (!OPLOT_RENT_AddAnyPlotToOverlayStructure(o.get(), 0, wf, nullptr, nullptr, 0,
                                               r->massListInUse ? DATA_TYPE_MASS_LIST : DATA_TYPE_TIC,
                                               uint16_t(r->plotOption), r->massListInUse ? &r->massList : nullptr,
                                               &r->chanList, nullptr, r->units, r->secondAxis, 0.0, 0.0))
    return 0;
  if (r->displayName[0])
    std::snprintf(o->slots[0].displayFileName, sizeof o->slots[0].displayFileName, "%.*s",
                  int(sizeof r->displayName), r->displayName);
  o->head.activePlot = 0;
  const double end = plan.first + plan.span * plan.count;
  OPLOT_NewUpdateOverlayPlots(o.get(), plan.first, end);
  double bottom = 0, top = 0;
  kelt::reports::IntensityScale(r->autoscale != 0, r->divisor, r->fixedTop, r->bottomPercent, o->tail.maxInView[0],
                                o->tail.minInView[0], &bottom, &top);

  int16_t segCount = 0;
  STRUCT_SEG_DRAW_INFO* segInfo = r->segmentBar ? MakeSegmentDrawInfoStruct(wf, &segCount, 1) : nullptr;
  const bool segBar = segInfo != nullptr;
  const int blockHeight = r->plotHeight + (segBar ? r->segmentBarHeight : 0);
  const int16_t left = out->Page->ColumnToX(int16_t(r->leftColumn));
  const int16_t right = out->Page->ColumnToX(int16_t(r->rightColumn));

  STRUCT_ANNOTATIONS* annotations[OVERLAY_SLOTS] = {};
  STRUCT_RESULT_ANNOTATIONS labels{};
  if (r->timeLabels || r->scanLabels || r->nameLabels || r->numberLabels) {
    KELT_ResetResultAnnotationsParams(&labels, nullptr, nullptr);
    labels.show = 1;
    for (int k = 0; k < 6; ++k) labels.kindFlags[k] = int16_t(r->annotate[k] ? 1 : 0);
    labels.textSize = 250;
    labels.itemCount = 0;
    if (r->nameLabels) labels.items[labels.itemCount++] = 0;
    if (r->numberLabels) labels.items[labels.itemCount++] = 3;
    if (r->timeLabels) labels.items[labels.itemCount++] = 1;
    if (r->scanLabels) labels.items[labels.itemCount++] = 9;
    annotations[0] = OPLOT_CreateDHAnnotationStrings(o.get(), 0, 0, &labels, 40, 1);
  }
  STRUCT_OPLOT_DRAW_EVENTS events{};
  const bool haveEvents = r->peakEvents && ReadPeakEvents(wf, r->displayName, &events);

  BOOL result = 1;
  for (int s = 0; s < plan.count; ++s) {
    if (!kelt::pages::ReportLive(out)) {
      result = 0;
      break;
    }
    const double t0 = plan.first + s * plan.span, t1 = t0 + plan.span;
    if (out->Line + blockHeight > out->LastLine && !out->NewPage()) {
      result = 0;
      break;
    }
    if (!out->PageDC) {
      result = 0;
      break;
    }
    const int16_t topY = out->Page->LineToY(out->Line);
    out->Line = int16_t(out->Line + r->plotHeight);
    const int16_t plotBottom = out->Page->LineToY(out->Line);
    int16_t barBottom = plotBottom;
    if (segBar) {
      out->Line = int16_t(out->Line + r->segmentBarHeight);
      barBottom = out->Page->LineToY(out->Line);
    }
    out->Line = int16_t(out->Line + 1);

    HDC dc = out->PageDC->GetSafeHdc();
    const int saved = SaveDC(dc);
    OPLOT_NewUpdateOverlayPlots(o.get(), t0 - plan.overlap, t1 + plan.overlap);
    o->tail.scales.plotLow[0] = bottom;
    // An autoscaled top gets a twentieth more room, so that the tallest
    // apex and its peak mark are not cut off by the plot's frame.
    o->tail.scales.plotHigh[0] = r->autoscale && top > bottom ? top + (top - bottom) / 20 : top;
    STRUCT_OPLOT_DRAW_CHRO draw;
    OPLOT_InitDrawChro(&draw, out->Prefs ? reinterpret_cast<const uint32_t*>(&out->Prefs->chroDrawing) : nullptr);
    STRUCT_OPLOT_PLOT_PARAMS params;
    OPLOT_InitPlotParams(&params, 1, left, plotBottom, right, topY, out->CharWidth, out->CharHeight);
    const bool drawn = OPLOT_DrawPlots(dc, &draw, &params, o.get(), &out->Sizes) != 0;
    int32_t aLeft = 0, aBottom = 0, aRight = 0, aTop = 0;
    const bool area = OPLOT_GetWinChromatogramArea(o.get(), &out->Sizes, 0, 0, 0, &aLeft, &aBottom, &aRight, &aTop) &&
                      aRight > aLeft;
    const double axisLow = o->tail.viewStart, axisHigh = o->tail.viewEnd;
    if (plan.overlap > 0 && area && axisHigh > axisLow) {
      for (double t : {t0, t1}) {
        const int x = int(aLeft + (aRight - aLeft) * (t - axisLow) / (axisHigh - axisLow));
        DrawLine(dc, x, aTop, aBottom);
      }
    }
    if (drawn && annotations[0] && area && axisHigh > axisLow && top > bottom) {
      const int inner = SaveDC(dc);
      IntersectClipRect(dc, aLeft, aTop, aRight, aBottom);
      CTileTextOnPlot holder;
      if (holder.InitHolder()) {
        OPLOT_AddAnnotationsToTileTextClass(&holder, 0, o.get(), &out->Sizes, nullptr, &labels.marker, annotations,
                                            0, 0);
        LOGFONTA font = labels.marker.font;
        if (out->Prefs) font.lfHeight = -std::abs(out->Prefs->fonts.smallSize ? out->Prefs->fonts.smallSize : 200);
        holder.DrawTileLabels(CDC::FromHandle(dc), 1, &font, axisLow, axisHigh, bottom, top,
                              (aRight - aLeft) / (axisHigh - axisLow), (aBottom - aTop) / (top - bottom), aLeft,
                              aRight, aTop, aBottom);
      }
      RestoreDC(dc, inner);
    }
    if (segBar) {
      STRUCT_SEGINFO_DRAW bar{};
      bar.mode = 1;
      bar.x1 = area ? aLeft : left;
      bar.x2 = area ? aRight : right;
      bar.y1 = barBottom;
      bar.y2 = plotBottom;
      bar.charWidth = out->CharWidth;
      bar.charHeight = out->CharHeight;
      if (out->Prefs) {
        const auto* prefBytes = reinterpret_cast<const uint8_t*>(out->Prefs);
        std::memcpy(&bar.frameColor, prefBytes + 50, 4);
        std::memcpy(&bar.backColor, prefBytes + 46, 4);
      }
      bar.startTime = axisLow;
      bar.endTime = axisHigh;
      bar.workFile = wf;
      bar.segInfo = segInfo;
      bar.segCount = segCount;
      OPLOT_DrawSegmentInfo(out->PageDC, &bar);
    }
    if (haveEvents && drawn) {
      LOGFONTA font = labels.marker.font;
      OPLOT_DrawAllPeakEvents(dc, o.get(), &out->Sizes, 0, 0, &font, &events, nullptr, 0, -1);
    }
    RestoreDC(dc, saved);
  }
  if (haveEvents) OPLOT_FreeDrawEvents(&events);
  if (segInfo) FreeBlock(segInfo);
  OPLOT_FreeAllAnnotations(annotations);
  return result;
}

void RPTS_WriteSampleChromatogram(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t compounds,
                                  const void* sampleDefinition, const void* chromatogramDefinition,
                                  const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList, int16_t left,
                                  int16_t right) {
  using namespace kelt::reports;
  if (!out || !wf || !sampleDefinition || !chromatogramDefinition) return;
  RPT_CHROMATOGRAM_DEFINITION c;
  std::memcpy(&c, chromatogramDefinition, sizeof c);
  RPT_SAMPLE_DEFINITION s;
  std::memcpy(&s, sampleDefinition, sizeof s);
  if (c.strips == 0 || out->Kind != REPORT_OUTPUT_PAGES) return;
  auto r = std::make_unique<STRUCT_RPT_CHROMATOGRAM>();
  std::memset(r.get(), 0, sizeof *r);
  r->workFile = wf;
  if (out->DisplayFileName[0])
    std::snprintf(r->displayName, sizeof r->displayName, "%.*s", int(sizeof out->DisplayFileName) - 1,
                  out->DisplayFileName);
  double first = 0, last = 0;
  RequestTimes(c.useTimeRange != 0, c.timeFrom, c.timeTo, wf->startTime, wf->endTime, &first, &last);
  r->firstTime = first;
  r->lastTime = last;
  // Stored counts beyond what a report can show are taken at their limits.
  r->strips = int16_t(std::min<int>(c.strips, 100));
  r->overlap = int16_t(std::min<int>(c.overlap, 32767));
  if (chanList) r->chanList = *chanList;
  if (massList) {
    r->massList = *massList;
    if (r->massList.count > MASS_LIST_MAX_RANGES) r->massList.count = MASS_LIST_MAX_RANGES;
  }
  r->massListInUse = r->massList.kind != 0 ? 1 : 0;
  std::strcpy(r->units, "Counts");
  r->autoscale = c.autoscale;
  r->divisor = std::isfinite(c.divisor) ? c.divisor : 0;
  r->fixedTop = c.fixedTop;
  r->bottomPercent = c.bottomPercent;
  r->segmentBar = c.segmentBar;
  r->peakEvents = c.peakEvents;
  r->backgroundMarks = c.backgroundMarks;
  r->timeLabels = c.timeLabels;
  r->scanLabels = c.scanLabels;
  r->nameLabels = c.nameLabels;
  r->numberLabels = c.numberLabels;
  const int from = compounds ? 0 : 3;
  for (int k = from; k < from + 3; ++k)
    if (s.kindMask & (1u << k)) r->annotate[k] = c.annotate[k];
  r->leftColumn = uint16_t(left);
  r->rightColumn = uint16_t(right);
  const int labelFlags = (c.timeLabels != 0) + (c.scanLabels != 0) + (c.nameLabels != 0) + (c.numberLabels != 0);
  r->plotHeight = labelFlags == 4 ? 20 : labelFlags == 3 ? 16 : 12;
  r->segmentBarHeight = 2;
  out->SelectSmallFont();
  RPTS_DrawChromatogramStrips(out, r.get());
}
