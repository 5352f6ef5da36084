// The integration window's results leaving it: text files, spectrum lists
// and the printed integration summary.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/data_points.h"
#include "common/display_helpers.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "dialogs/integration_dialogs.h"
#include "dialogs/file_selection_dialogs.h"
#include "dialogs/reports_file_choice.h"
#include "fandor/list_entries.h"
#include "fandor/spectrum_list_files.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "pomsel/pomsel.h"
#include "reportpages/file_selection.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_viewer.h"
#include "reportpages/text_report_file.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "spectra/tol_spectra.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Extension(const std::string& path) {
  const size_t dot = path.find_last_of('.'), slash = path.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Lower(path.substr(dot + 1));
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A file of text results to add to; false when the user cancelled.
bool ChooseExistingTextFile(HWND owner, const std::string& folder, char* path) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "Text Files (*.csv;*.prn;*.txt)\0*.csv;*.prn;*.txt\0All Files (*.*)\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = "Append to Text File";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  return GetOpenFileNameA(&ofn) != 0;
}

const char* SmoothingText(int16_t flag, const int16_t* filtering, char* buffer, size_t size) {
  if (!flag || !filtering[1]) return "None";
  const int points = 2 * filtering[2] + 1;
  std::snprintf(buffer, size, filtering[3] == 1 ? "Savitsky Golay %d Point Smooth" : "Mean %d Point Smooth", points);
  return buffer;
}

}  // namespace

// ---- Text files ------------------------------------------------------------------------------

int CQuickIntegrationDlg::WriteTextFile(const char* path, const char* extension, bool create) {
  if (!path || !*path) return 0;
  const std::string ext = extension ? Lower(extension) : Extension(path);
  int written = 0;
  bool first = true;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!Usable(i)) continue;
    const OVERLAY_SLOT* s = Slot(i);
    const std::string target = Lower(path);
    if ((s->displayFileName[0] && target == Lower(s->displayFileName)) || target == Lower(s->workFile->filePath))
      continue;  // never over the data file
    CAFile f;
    if (!f.OpenAFile(path, "\r\n", create && first ? 1 : 0)) continue;
    first = false;
    if (ext == "txt")
      f.SetTabColumnSeparator();
    else if (ext == "prn")
      f.SetSpaceColumnSeparator();
    char text[260];
    f.InitLine();
    std::snprintf(text, sizeof text, "Plot %d", i + 1);
    f.AddQuoteSepColumn(4, text);
    f.GoToNextLine();
    f.InitLine();
    f.AddQuoteSepColumn(14, s->trace->workFile ? s->trace->workFile->filePath : s->workFile->filePath);
    f.GoToNextLine();
    f.InitLine();
    f.AddQuoteSepColumn(14, "Retention Time (min.)");
    f.AddQuoteSepColumn(34, "Area");
    f.AddQuoteSepColumn(44, "% of Total");
    f.AddQuoteSepColumn(44, "Signal/Noise");
    f.AddQuoteSepColumn(64, "Scan Description");
    f.GoToNextLine();
    const STRUCT_QUICK_INT_PEAK* block = m_results[i];
    if (!block || m_peakCount[i] <= 0) {
      f.InitLine();
      f.AddQuoteSepColumn(4, "None");
      f.GoToNextLine();
    }
    for (int k = 0; block && k < m_peakCount[i]; ++k) {
      const STRUCT_QUICK_INT_PEAK& p = block[k];
      f.InitLine();
      std::snprintf(text, sizeof text, "%3d.", p.peakNumber);
      f.AddQuoteSepColumn(4, text);
      std::snprintf(text, sizeof text, "%.3f", p.apexTime);
      f.AddSepColumn(14, text);
      char area[64] = {};
      KELT_FormatAreaOrHeight(12, p.area, area);
      f.AddSepColumn(34, area);
      if (m_totalArea[i] != 0) {
        std::snprintf(text, sizeof text, "%.3f", p.area / m_totalArea[i] * 100.0);
        f.AddSepColumn(44, text);
      }
      f.AddSepColumn(44, p.snText);
      f.AddQuoteSepColumn(64, p.scanDescription);
      f.GoToNextLine();
    }
    f.CloseAFile();
    ++written;
  }
  return written;
}

namespace {
// The first plot the exports start from: usable and with peaks.
int FirstPlotWithPeaks(const CQuickIntegrationDlg& d, const SVW_OVERLAY* o) {
  for (int i = 0; o && i < OVERLAY_SLOTS; ++i)
    if (d.m_chosen[i] && o->slots[i].workFile && o->slots[i].trace && d.m_results[i] && d.m_peakCount[i] > 0)
      return i;
  return -1;
}
}  // namespace

void CQuickIntegrationDlg::OnExportText() {
  const int first = FirstPlotWithPeaks(*this, m_overlay);
  if (first < 0) return;
  const OVERLAY_SLOT* s = Slot(first);
  char path[MAX_PATH] = {};
  std::snprintf(path, sizeof path, "%s", s->displayFileName[0] ? s->displayFileName : s->workFile->filePath);
  if (!Dlg_SelectSaveAsFileExEx(m_hWnd, 16, path, 1, 0, "-INT", 0)) return;
  WriteTextFile(path, Extension(path).c_str(), true);
  KELT_ShowDoneStatus(GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0);
}

void CQuickIntegrationDlg::OnAppendText() {
  const int first = FirstPlotWithPeaks(*this, m_overlay);
  if (first < 0) return;
  char path[MAX_PATH] = {};
  if (!ChooseExistingTextFile(m_hWnd, Folder(Slot(first)->workFile->filePath), path)) return;
  std::string ext = Extension(path);
  if (ext != "csv" && ext != "prn" && ext != "txt") ext = "txt";  // tabs for any other file
  KELT_ShowDoneStatus(WriteTextFile(path, ext.c_str(), false) > 0 ? 1 : 0);
}

// ---- Spectrum lists ----------------------------------------------------------------------

namespace {

std::string Bounded(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

// The list entry of a peak's spectrum: its pairs, name, comment and where
// it came from.
STRUCT_LIST_SPT* ListEntryOf(const STRUCT_SPT_PLUS* spt, double apexTime) {
  int32_t count = 0;
  int16_t mustFree = 0;
  XTOL_PAIR* pairs = PlusSpt_GetPointerToXTOLPairs(spt, &count, &mustFree);
  if (count < 0) count = 0;
  STRUCT_LIST_SPT* e = NewListEntry(static_cast<uint32_t>(count));
  if (e) {
    for (int32_t i = 0; i < count; ++i) e->pairs[i] = pairs[i];
    e->pairCount = static_cast<uint32_t>(count);
    if (count > 0) {
      e->lowMass = e->pairs[0].mass;
      e->highMass = e->pairs[count - 1].mass;
    }
    std::snprintf(e->name, sizeof e->name, "%s", Bounded(spt->name, sizeof spt->name).c_str());
    std::snprintf(e->comment, sizeof e->comment, "%s", Bounded(spt->comment, sizeof spt->comment).c_str());
    LIST_ENTRY_DETAILS& d = e->details;
    d.retentionTime = apexTime;
    d.importItems = LIST_IMPORT_RETENTION_TIME;
    if (const STRUCT_TOL_SPT* tol = spt->tolSpt) {
      std::snprintf(d.dataFile, sizeof d.dataFile, "%s", Bounded(tol->dataFilePath, sizeof tol->dataFilePath).c_str());
      d.firstScan = static_cast<int32_t>(tol->firstScan);
      d.lastScan = static_cast<int32_t>(tol->lastScan);
      d.firstTime = tol->firstTime;
      d.lastTime = tol->lastTime;
      d.baselineCorrected = tol->bgCorrected ? 1 : 0;
      d.importItems |= LIST_IMPORT_DATA_FILE | LIST_IMPORT_SCAN_RANGE | LIST_IMPORT_TIME_RANGE | LIST_IMPORT_BASELINE;
    }
  }
  if (mustFree && pairs) FreeBlock(pairs);
  return e;
}

bool EndsWithNoCase(const std::string& text, const char* end) {
  const std::string e = end;
  return text.size() >= e.size() && Lower(text.substr(text.size() - e.size())) == e;
}

}  // namespace

STRUCT_SPT_PLUS* CQuickIntegrationDlg::MakePeakSpectrum(int plot, int peak) {
  if (plot < 0 || plot >= OVERLAY_SLOTS || !m_overlay || !m_results[plot] || peak < 0 || peak >= m_peakCount[plot])
    return nullptr;
  const OVERLAY_SLOT& s = m_overlay->slots[plot];
  STRUCT_WORK_FILE* wf = s.workFile;
  if (!wf) return nullptr;
  const STRUCT_QUICK_INT_PEAK& p = m_results[plot][peak];
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  STRUCT_SPT_PLUS* spt = nullptr;
  uint32_t first = 0, last = 0;
  double t = 0;
  if (GetPointFromATime(wf, p.scanWindowStart, &first, &t, 0) && GetPointFromATime(wf, p.scanWindowEnd, &last, &t, 0)) {
    first += wf->msInfo.firstScan;
    last += wf->msInfo.firstScan;
    if (first > last) std::swap(first, last);
    spt = TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCsEx(wf, &s.chanList, s.scanFunArray, first, last, p.startTime,
                                                          p.endTime);
  }
  // Without the peak's scans, the spectrum at its apex.
  if (!spt) spt = TOL_MakeBCAvgPlusSptFromTimeEx(wf, &s.chanList, s.scanFunArray, p.apexTime, 1, nullptr, 1);
  // The range's background is kept beside the average: the list gets the
  // corrected pairs.
  if (spt && spt->tolSpt && spt->background && !spt->tolSpt->bgCorrected) {
    TOL_BaselineCorrectSpectrumEx(spt->tolSpt, spt->background);
    TOL_Free(spt->background);
    spt->background = nullptr;
    PlusSpt_UpdateBasePeak(spt);
  }
  SetCursor(old);
  if (!spt) return nullptr;
  char area[64] = {};
  KELT_FormatAreaOrHeight(12, p.area, area);
  const char* a = area;
  while (*a == ' ') ++a;
  char text[SPT_TEXT_COMMENT_SIZE];
  if (p.snComputed)
    std::snprintf(text, sizeof text, "ApexTime = %.3f min., Signal/Noise = %s, Area = %s", p.apexTime, p.snText, a);
  else
    std::snprintf(text, sizeof text, "ApexTime = %.3f min., Area = %s", p.apexTime, a);
  std::snprintf(spt->comment, sizeof spt->comment, "%s", text);
  // The title names the entry; the peak's text goes behind it while both fit.
  std::string title = Bounded(spt->mainTitle, sizeof spt->mainTitle);
  if (title.empty()) title = Bounded(spt->nameTitle, sizeof spt->nameTitle);
  if (title.empty()) title = s.displayFileName[0] ? s.displayFileName : wf->filePath;
  if (title.size() + 2 + std::strlen(text) < 145) title += std::string("  ") + text;
  std::snprintf(spt->name, sizeof spt->name, "%s", title.c_str());
  spt->editFieldsEdited = 1;
  return spt;
}

int CQuickIntegrationDlg::WriteSpectrumList(const char* path, bool create) {
  if (!path || !*path) return 0;
  const bool msp = EndsWithNoCase(path, ".msp");
  int written = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!Usable(i) || !m_results[i] || m_peakCount[i] <= 0) continue;
    for (int k = 0; k < m_peakCount[i]; ++k) {
      STRUCT_SPT_PLUS* spt = MakePeakSpectrum(i, k);
      if (!spt) continue;  // a spectrum that cannot be made is passed over
      STRUCT_LIST_SPT* entry = ListEntryOf(spt, m_results[i][k].apexTime);
      PlusSpt_Free(spt);
      if (!entry) continue;
      const bool ok = create && written == 0 ? CreateSpectrumListFile(path, msp ? 1 : 0, entry) != 0
                                             : AppendSpectrumToListFile(path, entry) != 0;
      FreeBlock(entry);
      if (ok) ++written;
    }
  }
  return written;
}

void CQuickIntegrationDlg::OnExportSpectra() {
  const int first = FirstPlotWithPeaks(*this, m_overlay);
  if (first < 0) return;
  const std::string data = Slot(first)->workFile->filePath;
  std::string name = data;
  const size_t dot = name.find_last_of('.'), slash = name.find_last_of("\\/");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
  name += ".msp";
  char path[MAX_PATH] = {};
  std::snprintf(path, sizeof path, "%s", name.c_str());
  const std::string folder = Folder(data);
  if (!Dlg_SelectSaveAsFileExEx(m_hWnd, 20, path, 1, folder.c_str(), nullptr, nullptr)) return;
  const int written = WriteSpectrumList(path, true);
  KELT_ShowDoneStatus(written > 0 ? 1 : 0);
}

void CQuickIntegrationDlg::OnAppendSpectra() {
  const int first = FirstPlotWithPeaks(*this, m_overlay);
  if (first < 0) return;
  char path[MAX_PATH] = {};
  std::snprintf(path, sizeof path, "%s\\", Folder(Slot(first)->workFile->filePath).c_str());
  int16_t form = 0;
  if (!SelectSpectrumListFile(nullptr, path, 0, 0, 1, 1, &form)) return;
  KELT_ShowDoneStatus(WriteSpectrumList(path, false) > 0 ? 1 : 0);
}

void CQuickIntegrationDlg::OnExportButton() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenuA(menu, MF_STRING, QI_EXPORT_SPECTRA, "Export to Spectrum List...");
  AppendMenuA(menu, MF_STRING, QI_EXPORT_TEXT, "Export to Text File...");
  POINT pt{};
  GetCursorPos(&pt);
  TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_LEFTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
  DestroyMenu(menu);
}

void CQuickIntegrationDlg::OnAppendButton() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenuA(menu, MF_STRING, QI_APPEND_SPECTRA, "Append to Spectrum List...");
  AppendMenuA(menu, MF_STRING, QI_APPEND_TEXT, "Append to Text File...");
  POINT pt{};
  GetCursorPos(&pt);
  TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_LEFTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
  DestroyMenu(menu);
}

// ---- The integration summary -------------------------------------------------------------

namespace {

// Pages of one report: a head on each, lines up to 54, stored as they fill.
class SummaryPages {
 public:
  SummaryPages(STRUCT_REPORT_PREFS* prefs, std::string title, std::string* reportsPath, bool temporary)
      : title_(std::move(title)), path_(reportsPath), temporary_(temporary) {
    landscape_ = prefs->spooler.orientation == 2;
    page_ = MPM_InitMetaPageMaker(prefs, landscape_ ? 140 : 80, landscape_ ? 60 : 72, 0);
    now_ = static_cast<uint32_t>(GetCurrentDateTime());
  }
  ~SummaryPages() {
    if (open_) MPM_CancelPage(page_);
    if (page_) MPM_FreeMetaPageMaker(page_);
  }
  bool Ok() const { return page_ && !failed_; }
  int Pages() const { return pages_; }
  int Columns() const { return landscape_ ? 140 : 80; }
  int LinesLeft() const { return open_ ? 54 - line_ : 54; }

  // The next line of the page (a new page when this one is full).
  int NextLine() {
    if (!open_ || line_ >= 54) NewPage();
    return line_++;
  }
  void Skip() {
    if (open_) ++line_;
  }
  void NewPage() {
    if (open_) Store();
    if (failed_ || !page_) return;
    MPM_StartNewPage(page_, 0);
    open_ = true;
    int16_t w = 0, h = 0;
    MPM_SelectULargeFont(page_, &w, &h);
    std::string head = title_;
    if (pages_ > 0) head += "  Page " + std::to_string(pages_ + 1);
    MPM_CLTextOut(page_, 4, 1, head.c_str());
    line_ = 3;
  }
  void Text(int column, int line, const char* text, char font) {
    if (!open_ || failed_) return;
    int16_t w = 0, h = 0;
    if (font == 'u') MPM_SelectUNormalFont(page_, &w, &h);
    else if (font == 'f') MPM_SelectFixedFont(page_, &w, &h);
    else MPM_SelectNormalFont(page_, &w, &h);
    MPM_CLTextOut(page_, static_cast<int16_t>(column), static_cast<int16_t>(line), text);
  }
  void Finish() {
    if (open_) Store();
  }

 private:
  void Store() {
    open_ = false;
    char path[MAX_PATH] = {};
    bool ok;
    if (temporary_ && pages_ == 0) {
      ok = MPM_SavePageInNewMSRTempFile(page_, 1, now_, title_.c_str(), path) != 0;
      if (ok) *path_ = path;
    } else {
      ok = MPM_SavePageInMSRFile(page_, path_->c_str(), static_cast<int16_t>(pages_ + 1), now_, title_.c_str()) != 0;
    }
    if (ok) ++pages_;
    else failed_ = true;
  }
  std::string title_;
  std::string* path_;
  bool temporary_;
  bool landscape_ = false;
  CMPage* page_ = nullptr;
  uint32_t now_ = 0;
  bool open_ = false, failed_ = false;
  int pages_ = 0, line_ = 0;
};

std::string PlotTitle(int plot, const OVERLAY_SLOT& s) {
  char name[200] = {};
  KELT_TruncateFilenameString(s.displayFileName[0] ? s.displayFileName : s.workFile->filePath, 40, name);
  std::string t = "Plot " + std::to_string(plot + 1) + ".  " + name;
  char date[40] = {}, time[40] = {};
  const STRUCT_WORK_FILE* wf = s.workFile;
  KELT_FormatDateTime(static_cast<int16_t>(wf->month), static_cast<int16_t>(wf->day), static_cast<int16_t>(wf->year),
                      static_cast<int16_t>(wf->hour), static_cast<int16_t>(wf->minute), date, time);
  if (date[0] && time[0]) t += std::string(" - ") + date + " " + time;
  return t;
}

}  // namespace

int CQuickIntegrationDlg::MakeSummaryReport(std::string* reportsPath, bool temporary) {
  if (!reportsPath || !m_resultsPresent) return 0;
  const bool single = m_plotIndex < QUICK_INTEGRATION_ALL_PLOTS;
  if (single && (!Usable(m_plotIndex) || !m_results[m_plotIndex])) return 0;
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  std::string title;
  if (single) {
    title = PlotTitle(m_plotIndex, *Slot(m_plotIndex));
  } else {
    const time32_t now = static_cast<time32_t>(GetCurrentDateTime());
    char date[40] = {}, time[40] = {};
    KELT_FormatDateTimeFromLong(&now, date, time);
    title = std::string("Integration Summary Report:  ") + date + " " + time;
  }
  SummaryPages r(&prefs, title, reportsPath, temporary);
  if (!r.Ok()) return 0;
  char text[300];
  auto pair = [&](const char* label, const char* value) {
    const int line = r.NextLine();
    r.Text(4, line, label, 'n');
    r.Text(40, line, value, 'n');
  };
  auto rangeAndLock = [&] {
    if (m_last.useLocal) pair("Lock Peak Width:", m_last.lockPeakWidth ? "Yes" : "No");
    if (m_lastHadRange) {
      std::snprintf(text, sizeof text, "%.3f to %.3f minutes", m_lastStart, m_lastEnd);
      pair("Time Range:", text);
    }
  };
  if (!single) {
    r.NewPage();
    rangeAndLock();
    r.Skip();
  }
  for (int i = 0; i < OVERLAY_SLOTS && r.Ok(); ++i) {
    if (single ? i != m_plotIndex : !Usable(i)) continue;
    const OVERLAY_SLOT& s = *Slot(i);
    const STRUCT_QUICK_INT_PEAK* block = m_results[i];
    const std::string plotTitle = PlotTitle(i, s);
    if (single) {
      r.NewPage();
      rangeAndLock();
    } else {
      if (r.LinesLeft() < 4) r.NewPage();
      r.Text(4, r.NextLine(), plotTitle.c_str(), 'u');
    }
    // Which parameters the plot was integrated with.
    const bool local = block && m_peakCount[i] > 0 ? block[0].localParams != 0 : m_last.useLocal != 0;
    STRUCT_DH_GLOBAL_PARAMS g{};
    bool fromFile = !local;
    if (fromFile) {
      HDHTABLE t = DF_MSOpenGlobalParams(s.workFile->filePath, s.workFile->fileType, s.workFile->module, "1");
      fromFile = t && DF_MSReadGlobalParams(t, &g);
      if (t) FreeDHRecordSet(t);
    }
    pair("Parameters:", fromFile ? "From Data File" : m_last.useLocal ? "Local" : "Local (None on Data File)");
    char smoothing[64];
    if (fromFile) {
      std::snprintf(text, sizeof text, "%.1f", g.peakWidthTenths / 10.0);
      pair("Peak Width (sec):", text);
      std::snprintf(text, sizeof text, "%d", g.slopeSensitivity);
      pair("Slope Sensitivity (SN):", text);
      std::snprintf(text, sizeof text, "%d", g.tangentPercent);
      pair("Tangent %:", text);
      std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(std::max(0.0f, g.peakSizeReject)));
      pair("Peak Size Reject (counts):", text);
      if (g.smoothingKind == 0) std::snprintf(smoothing, sizeof smoothing, "None");
      else
        std::snprintf(smoothing, sizeof smoothing,
                      g.smoothingKind == 2 ? "Savitsky Golay %d Point Smooth" : "Mean %d Point Smooth",
                      2 * g.smoothingHalfWidth + 1);
      pair("Smoothing:", smoothing);
      if (g.spikeFactor > 0) std::snprintf(text, sizeof text, "%d", static_cast<int>(g.spikeFactor));
      pair("Spike Threshold Factor:", g.spikeFactor > 0 ? text : "None");
      pair("Noise:", g.noiseKind == 0 ? "RMS" : "Peak to Peak");
    } else {
      std::snprintf(text, sizeof text, "%.1f", m_last.peakWidthTenths / 10.0);
      pair("Peak Width (sec):", text);
      std::snprintf(text, sizeof text, "%d", m_last.slopeSensitivity);
      pair("Slope Sensitivity (SN):", text);
      std::snprintf(text, sizeof text, "%d", m_last.tangentPercent);
      pair("Tangent %:", text);
      std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_last.peakSizeReject));
      pair("Peak Size Reject (counts):", text);
      pair("Smoothing:", SmoothingText(m_filterFlag, m_filtering, smoothing, sizeof smoothing));
      if (m_filterFlag && m_filtering[4]) std::snprintf(text, sizeof text, "%d", m_filtering[5]);
      pair("Spike Threshold Factor:", m_filterFlag && m_filtering[4] ? text : "None");
      const bool rms = block && m_peakCount[i] > 0 ? block[0].rmsNoise != 0 : m_useRms != 0;
      pair("Noise:", rms ? "RMS" : "Peak to Peak");
    }
    r.Skip();
    auto heads = [&] {
      const int line = r.NextLine();
      r.Text(10, line, "Retention Time", 'u');
      r.Text(26, line, "Area", 'u');
      r.Text(36, line, "% of Total", 'u');
      r.Text(46, line, "Signal/Noise", 'u');
      r.Text(56, line, "Scan Description", 'u');
    };
    heads();
    if (!block || m_peakCount[i] <= 0) {
      r.Text(4, r.NextLine(), "None", 'f');
      r.Skip();
      continue;
    }
    const int width = std::max(10, r.Columns() - 56 - 2);
    for (int k = 0; k < m_peakCount[i] && r.Ok(); ++k) {
      const STRUCT_QUICK_INT_PEAK& p = block[k];
      if (r.LinesLeft() <= 0) {
        r.NewPage();
        if (!single) r.Text(4, r.NextLine(), plotTitle.c_str(), 'u');
        heads();
      }
      const int line = r.NextLine();
      std::snprintf(text, sizeof text, "%4d.", p.peakNumber);
      r.Text(4, line, text, 'f');
      std::snprintf(text, sizeof text, "%.3f", p.apexTime);
      r.Text(10, line, text, 'f');
      char area[64] = {};
      KELT_FormatAreaOrHeight(12, p.area, area);
      r.Text(22, line, area, 'f');
      if (m_totalArea[i] != 0) {
        std::snprintf(text, sizeof text, "%.3f", p.area / m_totalArea[i] * 100.0);
        r.Text(36, line, text, 'f');
      }
      if (p.snComputed) {
        std::snprintf(text, sizeof text, "%s%s", p.snText, p.rmsNoise ? " (RMS)" : " (Peak-to-Peak)");
        r.Text(46, line, text, 'f');
      }
      const std::string d = p.scanDescription;
      for (size_t at = 0, piece = 0; at < d.size(); at += static_cast<size_t>(width), ++piece)
        r.Text(56, piece == 0 ? line : r.NextLine(), d.substr(at, static_cast<size_t>(width)).c_str(), 'f');
    }
    r.Skip();
  }
  r.Finish();
  return r.Ok() ? r.Pages() : 0;
}

void CQuickIntegrationDlg::OnPrint() {
  char path[MAX_PATH] = {};
  int16_t temporary = 0;
  if (!RPTS_GetReportsFile(path, &temporary)) return;
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  std::string reports = path;
  const int pages = MakeSummaryReport(&reports, temporary != 0 || !path[0]);
  SetCursor(old);
  if (pages > 0) Dlg_ViewReports(reports.c_str(), temporary, &prefs, 0);
}
