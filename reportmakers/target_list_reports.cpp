// The target-list search report makers, through one CReportOutput each.
#include "reportmakers/target_list_reports.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/plot_descriptor_texts.h"
#include "common/mass_lists.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "fandor/msp_library_files.h"
#include "orvik32/orvik32.h"
#include "reportmakers/library_search_blocks.h"
#include "reportmakers/report_chromatogram.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "spectra/library_entry_texts.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tol_spectra.h"
#include "win/win_gdi.h"

using namespace kelt::reports;

namespace {

constexpr int16_t kColumn = 4;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[640];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

void Labelled(CReportOutput& out, const char* label, const std::string& value) {
  out.TextAtLabelColumn(label);
  std::snprintf(out.LineBuffer, sizeof out.LineBuffer, "%s", value.c_str());
  out.WriteValueLine();
}

int FileCount(const LIST_FILE_TABLE* files) {
  return files && files->paths ? std::max<int>(files->count, 0) : 0;
}

std::string FilePath(const LIST_FILE_TABLE* files, int i) {
  return std::string(files->paths[i], strnlen(files->paths[i], 260));
}

// The file's name and extension.
std::string NameOf(const std::string& path) {
  const size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

// Entry (from 0) of list file i, with the file's kept index table when the
// search has one; 0 when it cannot be read.
STRUCT_LIST_SPT* ReadListSpectrum(const LIST_FILE_TABLE* files, STRUCT_MSP_FILE_INDEXES** indexes, int file,
                                  int32_t entry) {
  if (file < 0 || file >= FileCount(files) || entry < 0) return nullptr;
  STRUCT_GLOBAL_PREFS global{};
  KELT_GetCurrDefGlobalPrefs(&global);
  CAccessMSPFile list(global.features.greekCharacters);
  if (!list.Open(FilePath(files, file).c_str())) return nullptr;
  const STRUCT_MSP_FILE_INDEXES* kept = indexes ? indexes[file] : nullptr;
  if (kept && kept->offsets && kept->count > 0) list.SetIndexes(kept->offsets, kept->count);
  STRUCT_LIST_SPT* spt = list.ReadSpectrum(entry);
  std::vector<uint32_t> offsets;
  list.GetIndexes(&offsets);
  return spt;
}

// A list spectrum wrapped in the maker's one spectrum record.
struct ListSpectrum {
  STRUCT_SPT_PLUS* spt;
  STRUCT_LIST_SPT* list = nullptr;
  explicit ListSpectrum(STRUCT_SPT_PLUS* s) : spt(s) {}
  bool Read(const LIST_FILE_TABLE* files, STRUCT_MSP_FILE_INDEXES** indexes, int file, int32_t entry) {
    Drop();
    list = ReadListSpectrum(files, indexes, file, entry);
    if (!list) return false;
    std::memset(spt, 0, sizeof *spt);
    PlusSpt_InitListSpt(spt, list);
    return true;
  }
  void Drop() {
    LIST_Free(list);
    list = nullptr;
    if (spt) spt->listSpt = nullptr;
  }
  ~ListSpectrum() { Drop(); }
};

void SetFirstTitle(STRUCT_SPT_PLUS* spt, const char* title) {
  std::memset(spt->mainTitle, 0, sizeof spt->mainTitle);
  std::snprintf(spt->mainTitle, sizeof spt->mainTitle, "%s", title);
}

// The frame of both spectrum reports up to the search spectrum's header.
std::unique_ptr<CReportOutput> StartSpectrumSearch(char* file, STRUCT_REPORT_PREFS* prefs,
                                                   STRUCT_TLS_SEARCH* search, bool landscape) {
  auto out = StartSpectrumOutput(file, prefs, landscape);
  if (!out) return out;
  SetReportTitle(*out, "Target List Search a Spectrum", kColumn);
  out->WriteHeaderLines();
  TextFont(*out);
  RPTS_WriteTLSSearchParameters(out.get(), search, kColumn);
  ++out->Line;
  if (STRUCT_SPT_PLUS* spt = search->spectrum) {
    char kept[SPT_TITLE_SIZE];
    std::memcpy(kept, spt->mainTitle, sizeof kept);
    SetFirstTitle(spt, "Search Spectrum");
    out->SelectSmallFont();
    DrawStackedSpectra(*out, spt, 0, 0, 0, 0, 1, kColumn, int16_t(out->Columns - 4), 12);
    std::memcpy(spt->mainTitle, kept, sizeof kept);  // the caller's record keeps its title
    TextFont(*out);
    WriteSpectrumHeader(*out, spt, "Search", kColumn);
    ++out->Line;
  }
  return out;
}

// The matches to print: numbers first-1 .. last-1, files inside the table.
std::vector<const STRUCT_TLS_MATCH*> Chosen(const STRUCT_TLS_SEARCH* s, int first, int last) {
  std::vector<const STRUCT_TLS_MATCH*> out;
  if (!s->matches) return out;
  for (int i = 0; i < std::max<int>(s->matchCount, 0); ++i) {
    const STRUCT_TLS_MATCH& m = s->matches[i];
    if (m.number >= first - 1 && m.number <= last - 1 && m.file >= 0 && m.file < FileCount(s->files))
      out.push_back(&m);
  }
  return out;
}

}  // namespace

namespace kelt::reports {

std::string FitCell(const std::string& text, size_t width, bool dots) {
  if (text.size() <= width) return text;
  if (!dots || width < 3) return text.substr(0, width);
  return text.substr(0, width - 3) + "...";
}

std::string FileCell(const std::string& path, size_t width) {
  const std::string name = NameOf(path);
  const size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  return FitCell(base.substr(0, width) + ext, width);
}

}  // namespace kelt::reports

BOOL RPTS_WriteTLSSearchParameters(CReportOutput* out, const STRUCT_TLS_SEARCH* search, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!search) return out->Ok;
  out->SelectNormalFont();
  out->LabelColumn = uint16_t(column);
  out->ValueColumn = 30;
  WriteText(*out, column, "Search Parameters");
  out->LabelColumn = uint16_t(column + 2);
  RPTS_WriteSearchMode(out, &search->mode, column);
  Labelled(*out, "Match Threshold:", Printf("%ld", long(search->threshold)));
  Labelled(*out, "Maximum Matches:", Printf("%d", int(search->maxMatches)));
  const int files = FileCount(search->files);
  out->TextAtLabelColumn("Spectrum List Files:");
  if (files == 0) out->NextLine();
  for (int i = 0; i < files; ++i) {
    char cut[300] = {};
    KELT_TruncateFileString(FilePath(search->files, i).c_str(),
                            int16_t(std::clamp(out->Columns - out->ValueColumn, 10, 260)), cut);
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer, "%s", cut);
    out->WriteValueLine();
  }
  return out->Ok;
}

BOOL RPTS_WriteTLSChromatogramParameters(CReportOutput* out, const STRUCT_TLS_CHRO_SEARCH* search, int16_t column) {
  if (!out || !out->Ok || !search) return 0;
  const std::string path(search->dataFile, strnlen(search->dataFile, sizeof search->dataFile));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path.c_str(), 0);
  if (!wf) return 0;
  out->SelectNormalFont();
  out->LabelColumn = uint16_t(column);
  out->ValueColumn = 30;
  char cut[128] = {};
  KELT_TruncateFileString(path.c_str(), 90, cut);
  Labelled(*out, "DataFile:", cut);
  WriteText(*out, column, "Search Parameters");
  out->LabelColumn = uint16_t(column + 2);
  RPTS_WriteSearchMode(out, &search->mode, column);
  Labelled(*out, "Match Threshold:", Printf("%ld", long(search->threshold)));
  Labelled(*out, "Match Top 3 Ions:", search->top3Ions ? "Yes" : "No");
  Labelled(*out, "% RIC (minimum height):", Printf("%.2f", search->minimumHeight / 100.0));
  Labelled(*out, "Time Range:", Printf("%.3f - %.3f min.", search->timeFrom, search->timeTo));
  if (const STRUCT_PS* ps = search->plot) {
    const int funs = ps->scanFuns ? ps->scanFuns->count : 0;
    if (funs > 0) {
      char title[201] = {};
      SCAN_FUN_GetPlotTitle(wf, &ps->massList, ps->scanFuns, title, 200);
      Labelled(*out, "Scan Functions:", title);
    } else if (ps->chanList.kind) {
      Labelled(*out, "Channels:", kelt::pd::ChanListText(&ps->chanList));
    } else {
      Labelled(*out, "Scan Functions:", ps->massList.kind ? "Merged" : "TIC");
    }
  }
  const int files = FileCount(search->files);
  out->TextAtLabelColumn("Spectrum List Files:");
  if (files == 0) out->NextLine();
  for (int i = 0; i < files; ++i) {
    KELT_TruncateFileString(FilePath(search->files, i).c_str(),
                            int16_t(std::clamp(out->Columns - out->ValueColumn, 10, 120)), cut);
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer, "%s", cut);
    out->WriteValueLine();
  }
  FreeWorkFileStruct(wf);
  return out->Ok;
}

int32_t RPTS_MakeLongTargetListSearchASpectrum(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_TLS_SEARCH* search,
                                               int16_t first, int16_t last) {
  if (!search) return 0;
  auto out = StartSpectrumSearch(file, prefs, search, false);
  if (!out) return 0;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (spt) {
    ListSpectrum list(spt);
    for (const STRUCT_TLS_MATCH* m : Chosen(search, first, last)) {
      if (!out->Ok) break;
      if (!list.Read(search->files, search->indexes, m->file, m->entry)) continue;
      SetFirstTitle(spt, Printf("Match %d", int(m->number + 1)).c_str());
      out->SelectSmallFont();
      DrawStackedSpectra(*out, spt, 0, 0, 0, 0, 1, kColumn, int16_t(out->Columns - 4), 12);
      TextFont(*out);
      WriteSpectrumHeader(
          *out, spt,
          Printf("Match %d (R.Match: %d, F.Match: %d),", int(m->number + 1), int(m->reverse), int(m->forward)).c_str(),
          kColumn);
      ++out->Line;
    }
  }
  FreeBlock(spt);
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeShortTargetListSearchASpectrum(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_TLS_SEARCH* search,
                                                int16_t first, int16_t last) {
  if (!search) return 0;
  auto out = StartSpectrumSearch(file, prefs, search, true);
  if (!out) return 0;
  struct Cell {
    int16_t column;
    const char* heading;
  };
  static const Cell cells[] = {{4, "Index"},   {10, "R.Match"},  {16, "F.Match"}, {22, "Name"},   {56, "M.W."},
                               {64, "CAS. No."}, {78, "Formula"}, {92, "File"},    {113, "  Entry"}};
  constexpr int kCells = sizeof cells / sizeof cells[0];
  const auto width = [&](int k) { return size_t((k + 1 < kCells ? cells[k + 1].column : 120) - cells[k].column); };
  const auto row = [&](const std::vector<std::string>& texts) {
    if (out->Line > out->LastLine && !out->NewPage()) return;
    out->SelectFixedFont();
    for (int k = 0; k < kCells; ++k) out->TextAtColumn(cells[k].column, texts[size_t(k)].c_str());
    out->NextLine();
  };
  std::vector<std::string> heading;
  for (int k = 0; k < kCells; ++k) heading.push_back(FitCell(cells[k].heading, width(k)));
  row(heading);
  for (const STRUCT_TLS_MATCH* m : Chosen(search, first, last)) {
    if (!out->Ok) break;
    STRUCT_LIST_SPT* list = ReadListSpectrum(search->files, search->indexes, m->file, m->entry);
    if (!list) continue;
    char cas[40] = {}, formula[128] = {};
    FormatCASNumber(list->casNumber, cas);
    FormatFormula(std::string(list->formula, strnlen(list->formula, LIST_FORMULA_SIZE)).c_str(), formula);
    const std::string name(list->name, strnlen(list->name, LIST_NAME_SIZE));
    row({FitCell(Printf("%4d", int(m->number + 1)), width(0)), FitCell(Printf("%4d", int(m->reverse)), width(1)),
         FitCell(Printf("%4d", int(m->forward)), width(2)), FitCell(name, width(3), false),
         FitCell(Printf("%d", int(list->molecularWeight)), width(4)), FitCell(cas, width(5)),
         FitCell(formula, width(6)), FileCell(FilePath(search->files, m->file), width(7)),
         FitCell(Printf("%6ld", long(m->entry + 1)), width(8))});
    LIST_Free(list);
  }
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeTargetListSearchChromatogram(char* file, STRUCT_REPORT_PREFS* prefs,
                                              STRUCT_TLS_CHRO_SEARCH* search) {
  if (!search) return 0;
  auto out = StartSpectrumOutput(file, prefs, true);
  if (!out) return 0;
  SetReportTitle(*out, "Target List Search a Chromatogram", kColumn);
  out->WriteHeaderLines();
  TextFont(*out);
  RPTS_WriteTLSChromatogramParameters(out.get(), search, kColumn);
  ++out->Line;
  const std::string path(search->dataFile, strnlen(search->dataFile, sizeof search->dataFile));
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path.c_str(), 0);
  const STRUCT_PS* ps = search->plot;
  const STRUCT_SCAN_FUN_ARRAY* funs = ps && ps->scanFuns && ps->scanFuns->count > 0 ? ps->scanFuns : nullptr;
  STRUCT_SCAN_FUN_INFO* info = nullptr;
  int16_t infoCount = 0;
  if (wf && funs) info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
  STRUCT_CHAN_LIST channels{};
  if (ps) channels = ps->chanList;
  else KELT_InitMergedChanList(&channels);
  bool plots = spt && wf;
  bool anyFound = false;
  const int16_t third = int16_t((out->Columns - 8) / 3);
  const int32_t count = search->peaks ? std::max<int32_t>(search->peakCount, 0) : 0;
  for (int32_t i = 0; i < count && out->Ok; ++i) {
    const STRUCT_TLS_PEAK_MATCH& peak = search->peaks[i];
    if (!peak.found) continue;
    anyFound = true;
    if (!plots) continue;
    ListSpectrum list(spt);
    if (!list.Read(search->files, search->indexes, peak.file, peak.entry)) {
      plots = false;  // the rest of the report goes without plots
      continue;
    }
    STRUCT_SPT_PLUS* atPeak = TOL_MakeBCAndAvgPlusSptFromTimeEx(wf, &channels, funs, peak.time, 1, nullptr, 0);
    if (atPeak) std::memcpy(atPeak->mainTitle, atPeak->nameTitle, sizeof atPeak->mainTitle);
    if (out->LastLine - out->Line < 10) out->NewPage();
    out->SelectLargeFont();
    out->ResetTextColor();
    out->LabelColumn = kColumn;
    const std::string listFile = NameOf(FilePath(search->files, peak.file));
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer,
                  "Search Spectrum: # %ld from %s (R.Match: %d, F.Match: %d, Scan: %ld, Ret.Time: %.3f min.)",
                  long(peak.entry + 1), listFile.c_str(), int(peak.reverse), int(peak.forward), long(peak.scan),
                  peak.time);
    out->WriteLine();
    ++out->Line;
    out->SelectSmallFont();
    const int16_t top = out->Line;
    DrawStackedSpectra(*out, spt, 0, 0, 0, 0, 0, kColumn, int16_t(kColumn + third), 8);
    if (atPeak) {
      out->Line = top;
      DrawStackedSpectra(*out, atPeak, 0, 0, 0, 0, 0, int16_t(kColumn + third), int16_t(kColumn + 2 * third), 8);
    }
    out->Line = top;
    STRUCT_RPT_CHROMATOGRAM request{};
    request.workFile = wf;
    std::snprintf(request.displayName, sizeof request.displayName, "%s", path.c_str());
    const double fileStart = wf->startTime, fileEnd = wf->endTime, time = peak.time;
    request.firstTime = std::max(time - 1.0, fileStart);
    request.lastTime = std::min(time + 1.0, fileEnd);
    request.strips = 1;
    request.chanList = channels;
    request.plotOption = funs ? 301 : 0;
    std::snprintf(request.units, sizeof request.units, "Counts");
    request.autoscale = 1;
    request.divisor = 1.0;
    request.leftColumn = uint16_t(kColumn + 2 * third);
    request.rightColumn = uint16_t(kColumn + 3 * third);
    request.plotHeight = 8;
    request.segmentBarHeight = 2;
    if (RPTS_DrawChromatogramStrips(out.get(), &request) && out->Sizes.xFactor > 0) {
      // The peak's time across the chromatogram plot.
      const STRUCT_OVER_SIZES& s = out->Sizes;
      const int x = int(s.params.left + s.leftScaleWidth + (peak.time - request.firstTime) * s.xFactor);
      HDC dc = out->PageDC->GetSafeHdc();
      const COLORREF colour = out->Prefs ? out->Prefs->sptsColors.colors[6] : RGB(255, 0, 0);
      HPEN pen = CreatePen(PS_SOLID, out->Prefs ? out->Prefs->sptsReport.penWidth : 0, colour);
      HGDIOBJ old = SelectObject(dc, pen);
      MoveToEx(dc, x, s.params.top, nullptr);
      LineTo(dc, x, s.params.bottom - s.timeScaleHeight);
      SelectObject(dc, old);
      DeleteObject(pen);
    }
    out->Line = std::max<int16_t>(out->Line, int16_t(top + 9));
    PlusSpt_Free(atPeak);
  }
  if (!anyFound) {
    out->SelectLargeFont();
    WriteText(*out, kColumn, "No Matches");
  }
  FreeBlock(info);
  if (wf) FreeWorkFileStruct(wf);
  FreeBlock(spt);
  return FinishSpectrumOutput(*out);
}
