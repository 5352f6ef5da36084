#pragma once
// The host's overlay of its sample runs: a processed run with its method,
// integration results and acquisition event marks, and a second run. The
// same files and drawings serve the demo (PNG and PDF) and the engine's
// golden pictures, so this header holds them inline.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/segment_plots.h"
#include "common/work_file.h"
#include "fixtures/event_mark_fixture.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "plotengine/event_marks.h"
#include "plotengine/overlay.h"
#include "plotengine/peak_event_drawing.h"
#include "plotengine/peak_events.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_layout.h"
#include "quorna/quorna.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace sample_overlay {

struct Files {
  std::string water, method, blank;
  msfix::DHTruth truth;
};

// A file's length and a sum of its bytes ({0, 0}: not there).
inline std::pair<uint64_t, uint64_t> FileSum(const std::string& winPath) {
  std::ifstream in(win::paths::ToHost(winPath), std::ios::binary);
  if (!in) return {0, 0};
  uint64_t length = 0, sum = 14695981039346656037ull;
  char block[65536];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    const std::streamsize n = in.gcount();
    for (std::streamsize i = 0; i < n; ++i) sum = (sum ^ static_cast<unsigned char>(block[i])) * 1099511628211ull;
    length += uint64_t(n);
  }
  return {length + 1, sum};
}

// The runs the last call wrote in this process, and their bytes then.
struct Written {
  std::string folder;
  Files files;
  std::vector<std::pair<uint64_t, uint64_t>> sums;
};
inline Written& LastWritten() {
  static Written w;
  return w;
}
inline std::vector<std::pair<uint64_t, uint64_t>> SumsOf(const Files& f) {
  return {FileSum(f.water), FileSum(f.method), FileSum(f.blank)};
}

// Writes the runs into folder (a workstation path without trailing "\").
// Many callers share them: when the files are still byte for byte as this
// process last wrote them there, they are not written again.
inline bool MakeFiles(const std::string& folder, Files* f) {
  Written& last = LastWritten();
  if (!last.sums.empty() && last.folder == folder && SumsOf(last.files) == last.sums) {
    *f = last.files;
    return true;
  }
  last.sums.clear();
  CreateDirectoryA(folder.c_str(), nullptr);
  f->water = folder + "\\water.kms";
  f->method = folder + "\\water.mth";
  f->blank = folder + "\\blank.kms";
  msfix::DHPlan plan;
  if (!msfix::WriteProcessedDataFile(f->water, f->method, plan, &f->truth)) return false;
  msfix::RunPlan blank = plan.run;
  blank.seed = 7;
  blank.compounds = 5;
  blank.sampleName = "Field blank";
  if (!msfix::WriteMsDataFile(f->blank.c_str(), blank, nullptr)) return false;
  const std::vector<msfix::EventMark> marks = {
      {3.9137, "Valve 2 on"}, {6.1722, "Column oven ready"}, {7.7519, "Gain x10"}, {9.9873, "Split vent open"}};
  if (!msfix::WriteEventMarkLog(f->water, plan.run.fileType, plan.run.module, 1, marks)) return false;
  last.folder = folder;
  last.files = *f;
  last.sums = SumsOf(*f);
  return true;
}

// The ions of two of the run's compounds, as a mass list.
inline bool CompoundIons(const Files& f, STRUCT_MASS_LIST* ml) {
  const auto& c = f.truth.run.compounds;
  if (c.size() < 4) return false;
  char text[64];
  std::snprintf(text, sizeof text, "%.0f+%.0f", c[1].baseMass, c[3].baseMass);
  return ParseMassList(text, ml) != 0;
}

// A segment plot of a run: the RIC of every acquisition segment, titled
// with the segment's name.
inline bool AddSegmentPlot(SVW_OVERLAY* o, int16_t slot, const std::string& path) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path.c_str(), 0);
  if (!wf) return false;
  STRUCT_SEG_PLOTS* plots = PLOT_SEG_Init(wf);
  for (int i = 0; plots && i < plots->count; ++i) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, i);
    char name[33] = {};
    for (int k = 0; seg && k < 32 && seg->name[k]; ++k) name[k] = static_cast<char>(seg->name[k]);
    std::snprintf(plots->entries[i].title, sizeof plots->entries[i].title, "%s", name);
  }
  FreeWorkFileStruct(wf);
  if (!plots) return false;
  const int32_t added = OPLOT_AddAnyPlotToOverlayStructure(o, slot, path.c_str(), DATA_TYPE_SEGMENT_PLOT, 0, nullptr,
                                                           nullptr, nullptr, plots, "Counts", "", 0, 0);
  // Taken over by the overlay when added.
  if (!added) FreeBlock(plots);
  return added != 0;
}

// Stacked: the processed run's TIC, two of its ions, its segment plot, the blank's TIC.
// Overlaid: both TICs in one area, the blank shifted in time.
inline bool Fill(SVW_OVERLAY* o, const Files& f, int16_t mode) {
  o->head.displayMode = mode;
  if (!OPLOT_AddAnyPlotToOverlayStructure(o, 0, f.water.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                          nullptr, "Counts", "", 0, 0))
    return false;
  int16_t next = 1;
  if (mode == OVERLAY_MODE_STACKED) {
    STRUCT_MASS_LIST ml{};
    if (!CompoundIons(f, &ml) ||
        !OPLOT_AddAnyPlotToOverlayStructure(o, next++, f.water.c_str(), 1, 0, &ml, nullptr, nullptr, nullptr,
                                            "Counts", "", 0, 0) ||
        !AddSegmentPlot(o, next++, f.water))
      return false;
  }
  if (!OPLOT_AddAnyPlotToOverlayStructure(o, next, f.blank.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                          nullptr, "Counts", "", 0, 0))
    return false;
  if (mode != OVERLAY_MODE_STACKED) {
    o->tail.timeOffsetsOn = 1;
    o->tail.timeOffsets[next] = 0.05;
  }
  o->head.activePlot = 0;
  OPLOT_UpdateOverlayPlots(o, o->tail.homeStart, o->tail.homeEnd);
  OPLOT_SetVerticalFullScale(o, 1, 1);
  OPLOT_ReadSystemEventMarks(o);
  return true;
}

// Draws the overlay into rect with a font of the given cell height (DC units):
// the pipeline, then the processed run's integration results with both
// event strips, then the acquisition's event marks. Returns the pipeline's result.
inline int32_t Draw(HDC dc, SVW_OVERLAY* o, const Files& f, int16_t print, const RECT& rect, int fontHeight,
                    STRUCT_OVER_SIZES* sizes) {
  LOGFONTA lf{};
  lf.lfHeight = -fontHeight;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  STRUCT_OPLOT_PLOT_PARAMS p;
  OPLOT_InitPlotParams(&p, print, static_cast<int16_t>(rect.left), static_cast<int16_t>(rect.bottom),
                       static_cast<int16_t>(rect.right), static_cast<int16_t>(rect.top),
                       static_cast<int16_t>(tm.tmAveCharWidth), static_cast<int16_t>(tm.tmHeight));
  p.extraLinesUnderTimeAxis = 5;  // room for the peak-events and time-events strips
  if (!print) p.deleteButtons = p.maximiseButtons = p.keepFirstPlotA = 1;
  if (o->head.displayMode != OVERLAY_MODE_STACKED) {
    p.gradientBackground = 1;
    p.fadeFromWhite = 1;
    p.colors[CHRO_COLOR_BACKGROUND] = RGB(214, 226, 240);
  }
  uint32_t format[26] = {};
  STRUCT_OPLOT_DRAW_CHRO d;
  OPLOT_InitDrawChro(&d, format);
  d.drawBackground = 1;
  d.verticalScaleWidth = static_cast<int16_t>(8 * tm.tmAveCharWidth);  // six-digit counts with their ticks
  d.callerTitlePresent = 1;
  d.callerTitle.plotTitlesOn = 1;
  d.callerTitle.segmentTitles = 1;
  d.callerTitle.itemCount = 4;
  const int16_t items[4] = {0, 2, 5, 7};
  std::memcpy(d.callerTitle.items, items, sizeof items);
  const int32_t r = OPLOT_DrawPlots(dc, &d, &p, o, sizes);

  STRUCT_OPLOT_DRAW_EVENTS events;
  if (OPLOT_ReadDrawEvents(f.water.c_str(), 0, &events)) {
    events.showAreaLabels = 1;
    events.showPeakStrip = 1;
    events.showTimeStrip = 1;
    events.markEnabled = 1;
    events.markThresholdB = 0;
    char section[80] = {};
    STRUCT_OPLOT_TIME_EVENT* timeEvents = nullptr;
    int16_t count = 0;
    if (BuildDHSectionName(section, "TimeEvents", f.truth.moduleId, f.truth.moduleAddress, "1"))
      count = OPLOT_ReadTimeEvents(f.method.c_str(), section, &timeEvents);
    OPLOT_DrawAllPeakEvents(dc, o, sizes, 0, 0, &lf, &events, timeEvents, count, -1);
    if (timeEvents) FreeBlock(timeEvents);
    OPLOT_FreeDrawEvents(&events);
  }
  // The marks' upright texts in a smaller face, to stay within a strip.
  LOGFONTA markFont = lf;
  markFont.lfHeight = -(fontHeight * 3 / 4);
  OPLOT_DrawSystemEventMarks(dc, o, sizes, &markFont);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  return r;
}

// A page of the PDF printer laid out as printed plots are: 32767 logical
// units to 8 inches both ways. 0 when the document or page cannot start.
inline HDC StartLetterPage(const char* path, const char* title) {
  HDC dc = CreateDCA("WINSPOOL", "Kelt PDF", nullptr, nullptr);
  if (!dc) return nullptr;
  DOCINFOA doc{sizeof(DOCINFOA), title, path, nullptr, 0};
  if (StartDocA(dc, &doc) <= 0 || StartPage(dc) <= 0) {
    DeleteDC(dc);
    return nullptr;
  }
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  SetViewportExtEx(dc, dpi * 8, dpi * 8, nullptr);
  return dc;
}

// Ends the page and the document and frees the context; drawn says whether
// the page's drawing succeeded.
inline bool EndLetterPage(HDC dc, bool drawn) {
  bool ok = EndPage(dc) > 0 && drawn;
  ok = EndDoc(dc) > 0 && ok;
  DeleteDC(dc);
  return ok;
}

// Frees an overlay the demos build, with the data its slots hold.
struct OverlayFree {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};

}  // namespace sample_overlay
