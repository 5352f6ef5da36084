// The demo's report: a three-page report of the processed sample run (a
// header page, a table of its peaks, its chromatogram overlay drawn onto
// the page through the drawing engine) written into a reports file, its
// pages listed, the file printed to PDF and its first page drawn to PNG.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/preference_records.h"
#include "host/report_printing.h"
#include "host/sample_overlay.h"
#include "orvik32/orvik32_printing.h"
#include "plotengine/peak_events.h"
#include "reportpages/data_file_blocks.h"
#include "reportpages/msr_functions.h"
#include "reportpages/report_output.h"
#include "win/win_metafile.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Reports";
constexpr char kReports[] = "C:\\Workstation\\Reports\\sample.msr";
constexpr char kPdf[] = "C:\\Workstation\\Reports\\report.pdf";
constexpr char kPng[] = "C:\\Workstation\\Reports\\report-page1.png";

using sample_overlay::OverlayFree;

void HeaderLine(CReportOutput& out, int i, const char* text, uint16_t line, uint16_t column, int16_t font) {
  out.HeaderUsed[i] = 1;
  std::snprintf(out.HeaderText[i], sizeof out.HeaderText[i], "%s", text);
  out.HeaderLine[i] = line;
  out.HeaderColumn[i] = column;
  out.HeaderFont[i] = uint16_t(font);
}

// Page 1: the run, through the report blocks of the data file (its header
// and its acquisition segments), and its method's compounds.
void InformationPage(CReportOutput& out, const sample_overlay::Files& f, STRUCT_WORK_FILE* wf) {
  char text[200];
  RPTS_WriteFileHeader(&out, wf, 2);
  RPTS_WriteAcqSegmentInfo(&out, wf, 2);
  out.NextLine();
  out.SelectBoldFont();
  out.TextAtColumn(2, "Method Compounds");
  out.NextLine();
  out.SelectFixedFont();
  for (const auto& c : f.truth.compounds) {
    std::snprintf(text, sizeof text, "%2u  %-14s rt %7.3f min  quant ion %5.1f%s", c.number, c.name.c_str(),
                  c.retentionTime, c.quantIon, c.internalStandard ? "  (internal standard)" : "");
    out.TextAtColumn(4, text);
    out.NextLine();
  }
}

// Page 2: the integrated peaks, in the fixed face so the figures line up.
int PeakTablePage(CReportOutput& out, const sample_overlay::Files& f) {
  STRUCT_OPLOT_DRAW_EVENTS events;
  if (!OPLOT_ReadDrawEvents(f.water.c_str(), 0, &events)) return -1;
  out.SelectBoldFont();
  out.TextAtColumn(2, "Integrated Peaks");
  out.NextLine();
  out.NextLine();
  out.SelectUFixedFont();
  out.SetLine("%-5s %-14s %10s %14s %14s", "Peak", "Compound", "RT (min)", "Height", "Area");
  out.LabelColumn = 4;
  out.WriteLine();
  out.SelectFixedFont();
  double total = 0;
  for (int i = 0; i < events.peakCount; ++i) total += events.peaks[i].area;
  for (int i = 0; i < events.peakCount; ++i) {
    const STRUCT_OPLOT_PEAK_MARK& p = events.peaks[i];
    const size_t k = size_t(i) < f.truth.peakCompounds.size() ? size_t(f.truth.peakCompounds[size_t(i)]) : 9999;
    const std::string name = k < f.truth.compounds.size() ? f.truth.compounds[k].name : "Unknown";
    out.SetLine("%-5d %-14.14s %10.3f %14.0f %14.0f", i + 1, name.c_str(), p.apexTime, double(p.apexValue),
                double(p.area));
    out.WriteLine();
  }
  out.SetLine("%-5s %-14s %10s %14s %14.0f", "", "Total", "", "", total);
  out.NextLine();
  out.WriteLine();
  const int count = events.peakCount;
  OPLOT_FreeDrawEvents(&events);
  return count;
}

// Page 3: the overlay drawn by the drawing engine into the page's
// rectangle below the header, with the page's small font for its texts.
bool ChromatogramPage(CReportOutput& out, const sample_overlay::Files& f) {
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED) || !out.Page || !out.PageDC) return false;
  out.SelectBoldFont();
  out.TextAtColumn(2, "Chromatogram Overlay");
  out.NextLine();
  const RECT area{out.Page->ColumnToX(2), out.Page->LineToY(int16_t(out.Line + 1)), out.Page->ColumnToX(78),
                  out.Page->LineToY(int16_t(out.LastLine))};
  STRUCT_OVER_SIZES* sizes = &out.Sizes;
  HDC dc = out.PageDC->GetSafeHdc();
  const int saved = SaveDC(dc);
  const bool drawn = sample_overlay::Draw(dc, o.get(), f, 1, area, out.Page->m_SmallHeight, sizes) != 0;
  RestoreDC(dc, saved);
  out.FontIndex = -1;  // the engine changed the page's font
  out.Line = int16_t(out.LastLine + 1);
  return drawn;
}


}  // namespace

int WriteSampleReport() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample run in %s\n", kFolder);
    return 1;
  }
  // The report printer: every printer here writes PDF on Letter paper.
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:", GetWorkstationIniPath());
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  prefs.spooler.marginLeft = prefs.spooler.marginRight = 5;
  prefs.spooler.marginTop = prefs.spooler.marginBottom = 4;

  DeleteFileA(kReports);
  CRptsFileHandler* made = MSR_InitRptsFileHandler(nullptr, nullptr);
  const int created = MSR_MakeThisNewFile(made, kReports);
  MSR_FreeRptsFileHandler(made);
  STRUCT_WORK_FILE* wf = created ? MakeWorkFileStruct(f.water.c_str(), 0) : nullptr;
  if (!wf) {
    std::fprintf(stderr, "kelt_host: cannot start %s\n", kReports);
    return 1;
  }
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%s", kReports);
  int peaks = -1;
  bool drawn = false;
  int stored = 0;
  {
    CReportOutput out(name, &prefs, 80, 72, 2, REPORT_OUTPUT_PAGES);
    if (out.Ok) {
      const char* title = "Sample Report - water.kms";
      HeaderLine(out, 0, title, 1, 2, kFontLarge);
      // Header lines hold 80 characters; a longer one is cut.
      const std::string line = std::string("Sample: ") + wf->sampleName + "    Operator: " + wf->operatorName;
      HeaderLine(out, 1, line.substr(0, 80).c_str(), 3, 2, kFontNormal);
      out.SetPageNumberTitle(title);
      out.PageNumberOn = 1;
      out.FirstBodyLine = 6;
      out.WriteHeaderLines();
      InformationPage(out, f, wf);
      out.NewPage();
      peaks = PeakTablePage(out, f);
      out.NewPage();
      drawn = ChromatogramPage(out, f);
      out.EndPage();
      stored = out.PagesStored;
    }
  }
  FreeWorkFileStruct(wf);
  std::printf("\nSample report: %s (%s), %d page%s, %d peaks in its table, chromatogram %s\n", kReports,
              win::paths::ToHost(kReports).c_str(), stored, stored == 1 ? "" : "s", peaks,
              drawn ? "drawn" : "NOT drawn");
  CRptsFileHandler* h = MSR_InitRptsFileHandler(kReports, nullptr);
  const int32_t count = MSR_GetCountOfPages(h);
  RptsPageRecord* records = count > 0 ? MSR_GetSlotRange(h, 0, count - 1) : nullptr;
  for (int32_t i = 0; records && i < count; ++i) {
    uint32_t size = 0;
    void* bits = MSR_GetPage(h, i, nullptr, &size);
    MSR_FreePage(bits);
    std::printf("  page %d (slot %d): \"%s\", %s, %ux%u grid, %s, %u bytes\n", int(records[i].pageNumber),
                h->SlotOfPage(i), records[i].title, records[i].kind == 1 ? "metafile" : "text",
                unsigned(records[i].columns), unsigned(records[i].lines),
                records[i].orientation == 1 ? "landscape" : "portrait", size);
  }
  MSR_FreeSlotRange(records);
  MSR_FreeRptsFileHandler(h);
  if (stored != 3 || count != 3 || peaks <= 0 || !drawn) {
    std::fprintf(stderr, "kelt_host: the sample report is incomplete\n");
    return 1;
  }
  if (!PrintReports(kReports, count, &prefs, kPdf)) return 1;
  if (!DrawFirstPage(kReports, kPng)) return 1;
  return 0;
}
