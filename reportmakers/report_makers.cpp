// The sample report of a data file, and the results checks of the makers.
#include "reportmakers/report_makers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "common/data_file_utils.h"
#include "common/engine_binding.h"
#include "common/log_text_files.h"
#include "common/mass_lists.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "reportmakers/data_file_info.h"
#include "reportmakers/report_chromatogram.h"
#include "reportmakers/report_format.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/result_tables.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "reportmakers/results_header.h"
#include "reportpages/data_file_blocks.h"
#include "reportpages/report_output.h"
#include "reportpages/msr_functions.h"
#include "reportpages/report_viewer.h"
#include "ulbrec32/page_buffer.h"
#include "ulbrec32/page_pictures.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace kelt::reports {
// Seen by the leak checker as held: it lives as long as the process.
kelt::EngineBinding* g_keptEngine = nullptr;
}  // namespace kelt::reports

namespace {

using namespace kelt::reports;

struct WorkFileRelease {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};
using WorkFilePtr = std::unique_ptr<STRUCT_WORK_FILE, WorkFileRelease>;

// The report format of the makers: the stored one, else the default.
bool ReadFormat(const char* file, const char* section, void* format) {
  return ReadReportFormat(file, section, format) || ResetReportFormat(format);
}

void SetField(uint8_t* format, uint32_t offset, uint16_t value) { std::memcpy(format + offset, &value, 2); }

// A data file without a report format: the five default lines of the grid.
void DefaultGrid(uint8_t* format) {
  std::memset(format, 0, kReportFormatSize);
  const uint32_t grid = kSampleOffset + offsetof(RPT_SAMPLE_DEFINITION, grid);
  auto cell = [&](int column, int line, uint16_t code) {
    SetField(format, grid + uint32_t(column * kGridLines + line) * 2, code);
  };
  cell(0, 0, 1);
  cell(1, 0, 2);
  cell(0, 1, 3);
  cell(1, 1, 5);
  cell(0, 2, 6);
  cell(0, 3, 8);
  cell(0, 4, 9);
}

// One data-file log block, alone, through the data-file log writer.
void LogBlock(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t left, int16_t right, int16_t font,
              void (*select)(KELT_DataFileLogOptions&), const char* versionFile = nullptr) {
  KELT_DataFileLogOptions o{};
  o.headings = 1;
  o.notesWidth = int16_t(right + 1 - left);
  select(o);
  if (versionFile) std::snprintf(o.versionLogFile, sizeof o.versionLogFile, "%s", versionFile);
  if (out->Kind == REPORT_OUTPUT_PAGES) out->SelectFontByIndex(font);
  out->LabelColumn = uint16_t(left);
  RPTS_WriteDataFileLog(out, wf, &o);
}

struct LogChoice {
  bool version, segments, run, error, revision, calibration, notes, methodNotes;
};

void WriteLogs(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t left, int16_t right, const LogChoice& c,
               bool lateOnlyWhileOk) {
  if (c.version)
    LogBlock(out, wf, left, right, kFontNormal, [](KELT_DataFileLogOptions& o) { o.versionLog = 1; },
             out->DisplayFileName);
  if (c.segments) LogBlock(out, wf, left, right, kFontNormal, [](KELT_DataFileLogOptions& o) { o.segments = 1; });
  if (c.run) {
    LogBlock(out, wf, left, right, kFontFixed, [](KELT_DataFileLogOptions& o) { o.samplePrep = 1; });
    LogBlock(out, wf, left, right, kFontFixed, [](KELT_DataFileLogOptions& o) { o.runLog = 1; });
    LogBlock(out, wf, left, right, kFontFixed, [](KELT_DataFileLogOptions& o) { o.otherLogs = 1; });
    LogBlock(out, wf, left, right, kFontFixed, [](KELT_DataFileLogOptions& o) { o.dataHandling = 1; });
  }
  if (c.error) LogBlock(out, wf, left, right, kFontNormal, [](KELT_DataFileLogOptions& o) { o.errorLog = 1; });
  if (lateOnlyWhileOk && !out->Ok) return;
  if (c.revision) LogBlock(out, wf, left, right, kFontFixed, [](KELT_DataFileLogOptions& o) { o.revisionLog = 1; });
  if (c.calibration)
    LogBlock(out, wf, left, right, kFontFixed, [](KELT_DataFileLogOptions& o) { o.calibrationLog = 1; });
  if (c.notes) {
    LogBlock(out, wf, left, right, kFontNormal, [](KELT_DataFileLogOptions& o) { o.injectionNotes = 1; });
    LogBlock(out, wf, left, right, kFontNormal, [](KELT_DataFileLogOptions& o) { o.recalcNotes = 1; });
  }
  if (c.methodNotes)
    LogBlock(out, wf, left, right, kFontNormal, [](KELT_DataFileLogOptions& o) { o.methodNotes = 1; });
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void RPTS_SetReportTitle(CReportOutput* out, const char* subtitle, const char* title, int16_t column) {
  if (!out) return;
  int line = 0;
  auto header = [&](const char* text) {
    std::snprintf(out->HeaderText[line], sizeof out->HeaderText[line], "%s", text ? text : "");
    out->HeaderUsed[line] = 1;
    out->HeaderLine[line] = uint16_t(line);
    out->HeaderColumn[line] = uint16_t(column);
    out->HeaderFont[line] = 0;
  };
  if (subtitle && subtitle[0]) {
    header(subtitle);
    ++line;
  }
  header(title);
  // The title goes into the page-number format as text: a "%" in it is doubled.
  out->SetPageNumberTitle(title ? title : "");
  out->PageNumberOn = 1;
  out->PageNumberHeader = uint16_t(line);
  out->FirstBodyLine = uint16_t(line == 0 ? 1 : 2);
  out->PageNumberRight = 1;
}

void RPTS_WriteSampleReportNoResults(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t resultsPresent, void* format,
                                     int16_t left, int16_t right) {
  if (!out || !wf || !format) return;
  RPT_SAMPLE_DEFINITION s = SampleDefinition(format);
  if (resultsPresent && !s.logSegments && !s.logRun && !s.logError && !s.logCalibration && !s.logRevision &&
      !s.logSampleNotes && !s.logMethodNotes) {
    s.logSegments = 1;
    s.logRun = 1;
  }
  out->WriteHeaderLines();
  RPTS_WriteDataFileInfo(out, wf, &s, static_cast<uint8_t*>(format) + kGeneralOffset, left, right, 0);
  LogChoice c{};
  c.version = out->VersionNumber && out->VersionCount;
  c.segments = !resultsPresent || s.logSegments;
  c.run = !resultsPresent || s.logRun;
  c.error = s.logError;
  c.revision = s.logRevision;
  c.calibration = s.logCalibration;
  c.notes = s.logSampleNotes;
  c.methodNotes = s.logMethodNotes;
  WriteLogs(out, wf, left, right, c, false);
}

void RPTS_WriteSampleReportBody(CReportOutput* out, STRUCT_WORK_FILE* wf, void* format, int16_t left, int16_t right,
                                int16_t wide) {
  if (!out || !wf || !format) return;
  const RPT_SAMPLE_DEFINITION s = SampleDefinition(format);
  const RPT_CHROMATOGRAM_DEFINITION chro = ChromatogramDefinition(format);
  const uint8_t* bytes = static_cast<const uint8_t*>(format);
  const int16_t amountFormat = AmountFormat(format);
  const bool columns = s.tableStyle == 2;
  STRUCT_CHAN_LIST merged{};
  KELT_InitMergedChanList(&merged);
  out->WriteHeaderLines();
  RPTS_WriteDataFileInfo(out, wf, &s, bytes + kGeneralOffset, left, right, wide);
  if (s.kindMask & kMaskCompounds) {
    RPTS_WriteSampleChromatogram(out, wf, 1, bytes + kSampleOffset, bytes + kChromatogramOffset, &chro.massList,
                                 &merged, left, right);
    if (out->Kind == REPORT_OUTPUT_PAGES) out->ResetTextColor();
    if (columns) {
      RPTS_WriteColumnResultsTable(out, wf, s.kindMask, s.compoundColumns, 1, int16_t(s.qualifierLines),
                                   amountFormat, int16_t(s.groupSummary), left, right);
    } else {
      RPTS_WriteSectionTitle(out, uint16_t(left), 1, "Target Compounds");
      RPTS_WriteTargetCompoundTable(out, wf, s.kindMask, int16_t(s.qualifierLines), amountFormat,
                                    int16_t(s.groupSummary), wide);
    }
  }
  if (s.kindMask & kMaskUnidentified) {
    std::unique_ptr<uint8_t[]> table(new uint8_t[8192]());
    if (KELT_ReadGlobalTable(wf, table.get())) {
      STRUCT_MASS_LIST ml{};
      std::memcpy(&ml, table.get() + offsetof(STRUCT_DH_GLOBAL_PARAMS, massList), sizeof ml);
      RPTS_WriteSampleChromatogram(out, wf, 0, bytes + kSampleOffset, bytes + kChromatogramOffset, &ml, &merged,
                                   left, right);
      if (out->Kind == REPORT_OUTPUT_PAGES) out->ResetTextColor();
    }
    if (columns) {
      RPTS_WriteColumnResultsTable(out, wf, s.kindMask, s.unknownColumns, 0, 0, amountFormat,
                                   int16_t(s.groupSummary), left, right);
    } else {
      RPTS_WriteSectionTitle(out, uint16_t(left), 1, "Unidentified Peaks");
      RPTS_WriteUnidentifiedPeakTable(out, wf, s.kindMask, amountFormat, int16_t(s.groupSummary), wide);
    }
  }
  out->NextLine();
  LogChoice c{};
  c.version = out->VersionNumber && out->VersionCount;
  c.segments = s.logSegments;
  c.run = s.logRun;
  c.error = s.logError;
  c.revision = s.logRevision;
  c.calibration = s.logCalibration;
  c.notes = s.logSampleNotes;
  c.methodNotes = s.logMethodNotes;
  WriteLogs(out, wf, left, right, c, true);
}

namespace {

// Where a sample report goes: pages of a reports file, or a text file of
// separated columns.
struct SampleTarget {
  char* reportsFile = nullptr;
  STRUCT_REPORT_PREFS* prefs = nullptr;
  const char* textFile = nullptr;
  const char* separator = nullptr;
};

// The results readers and tables bind the engine one after another, and
// loading it took longer than a report's own work: once loaded it stays,
// held here for the life of the process.
std::once_flag g_engineOnce;
void KeepEngineLoaded() {
  std::call_once(g_engineOnce, [] { kelt::reports::g_keptEngine = new kelt::EngineBinding; });
}

int32_t SampleReport(const char* formatFile, const char* formatSection, const char* dataFile,
                     const SampleTarget& target, const char* displayName, int16_t versionNumber,
                     int16_t versionCount) {
  const bool text = target.textFile != nullptr;
  if (!dataFile || (!text && !target.reportsFile) || (text && !target.textFile[0])) return 0;
  KeepEngineLoaded();
  const kelt::reports::HeldResultsHeader held(dataFile);
  uint8_t header[kResultsHeaderSize] = {};
  const bool present = kelt::reports::ReadResultsHeader(dataFile, header) != 0;
  std::unique_ptr<uint8_t[]> format(new uint8_t[kReportFormatSize]());
  if (!ReadFormat(formatFile, formatSection, format.get())) {
    if (present) return 0;
    DefaultGrid(format.get());
  }
  const RPT_SAMPLE_DEFINITION s = SampleDefinition(format.get());
  const uint16_t mask = s.kindMask;
  bool exist = false;
  for (int k = 0; k < 6; ++k) exist = exist || CountOfKind(header, k) > 0;
  exist = present && exist;
  const bool requested = present && mask != 0;
  const bool selected = requested && CountOfMask(header, mask) > 0;
  uint16_t columnsWide = 0;
  std::memcpy(&columnsWide, s.compoundColumns, 2);
  const bool wide = selected && (s.tableStyle == 1 || (s.tableStyle == 2 && columnsWide != 0));
  // A text file takes the wide tables and the long lines of a text report.
  const int16_t columns = text ? 220 : wide ? 140 : 80;
  const uint16_t lines = text ? 0 : wide ? 60 : 72;
  const uint16_t orientation = text ? 0 : wide ? 1 : 2;
  WorkFilePtr wf(MakeWorkFileStruct(dataFile, 0));
  if (!wf) return 0;
  char* reportsFile = target.reportsFile;
  // A named reports file that does not exist yet is made here, and
  // removed again when no report goes into it.
  bool made = false;
  if (!text && reportsFile[0] && !FileExists(reportsFile)) {
    CRptsFileHandler maker(nullptr);
    if (!maker.MakeThisNewFile(reportsFile)) return 0;
    made = true;
  }
  int32_t stored = 0;
  {
    // The output is ended and destroyed before the file is judged.
    CReportOutput out(text ? nullptr : reportsFile, text ? nullptr : target.prefs, columns, lines, orientation,
                      text ? REPORT_OUTPUT_TEXT : REPORT_OUTPUT_PAGES);
    if (text && out.Ok) {
      if (target.separator && target.separator[0])
        std::snprintf(out.Separator, sizeof out.Separator, "%s", target.separator);
      if (!out.TextFile || !out.TextFile->OpenAFile(target.textFile, "\r\n", 1)) out.Ok = 0;
    }
    if (out.Ok) {
      if (displayName && displayName[0])
        std::snprintf(out.DisplayFileName, sizeof out.DisplayFileName, "%s", displayName);
      out.VersionNumber = uint16_t(versionNumber);
      out.VersionCount = uint16_t(versionCount);
      char shortened[300] = {};
      KELT_TruncateFilenameString(displayName && displayName[0] ? displayName : dataFile, 30, shortened);
      const std::string title = "Sample Report for " + Lower(shortened);
      std::string subtitle;
      if (selected)
        subtitle = std::string(s.title, strnlen(s.title, sizeof s.title));
      else if (!present)
        subtitle = "NO DATA HANDLING";
      else if (!exist)
        subtitle = "NO RESULTS";
      else if (mask == 0)
        subtitle = "NO RESULTS REQUESTED";
      else
        subtitle = "NO REQUESTED RESULTS";
      const int16_t left = text ? 0 : 2, right = text ? 400 : int16_t(columns - 2);
      RPTS_SetReportTitle(&out, subtitle.c_str(), title.c_str(), left);
      if (selected)
        RPTS_WriteSampleReportBody(&out, wf.get(), format.get(), left, right, wide || text ? 1 : 0);
      else
        RPTS_WriteSampleReportNoResults(&out, wf.get(), present ? 1 : 0, format.get(), left, right);
      wf.reset();
      if (text) {
        out.NextLine();
        stored = out.Ok ? 1 : 0;
        out.TextFile->CloseAFile();
      } else {
        out.EndPage();
        stored = out.HasPages() ? 1 : 0;
      }
    }
  }
  if (!stored && made && FileExists(reportsFile)) DeleteFileA(reportsFile);
  return stored;
}

}  // namespace

int32_t RPTS_MakeSampleReport(const char* formatFile, const char* formatSection, const char* dataFile,
                              char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t, int32_t,
                              const char* displayName, int16_t versionNumber, int16_t versionCount) {
  try {
    SampleTarget target;
    target.reportsFile = reportsFile;
    target.prefs = prefs;
    return SampleReport(formatFile, formatSection, dataFile, target, displayName, versionNumber, versionCount);
  } catch (...) {
    return 0;
  }
}

namespace kelt::reports {

int32_t MakeSampleReportText(const char* formatFile, const char* formatSection, const char* dataFile,
                             const char* textFile, const char* separator, const char* displayName,
                             int16_t versionNumber, int16_t versionCount) {
  try {
    if (!textFile) return 0;
    SampleTarget target;
    target.textFile = textFile;
    target.separator = separator;
    return SampleReport(formatFile, formatSection, dataFile, target, displayName, versionNumber, versionCount);
  } catch (...) {
    return 0;
  }
}

}  // namespace kelt::reports

int16_t RPTS_CheckForResultsForCompoundReports(const char* formatFile, const char* dataFile,
                                               const char* formatSection, int16_t any, int16_t compounds,
                                               int16_t unidentified, int16_t showMessage) {
  uint8_t header[kResultsHeaderSize] = {};
  if (!dataFile || !RPTS_ReadResults(dataFile, header)) return 0;
  std::unique_ptr<uint8_t[]> format(new uint8_t[kReportFormatSize]());
  if (!ReadFormat(formatFile, formatSection, format.get())) return 0;
  const int16_t answer =
      RPTS_HasRequestedResults(header, CompoundDefinition(format.get()).kindMask, any, compounds, unidentified);
  if (!answer && showMessage) {
    char caption[260] = {};
    FormatPathForDisplay(dataFile, caption);
    MessageBoxA(GetActiveWindow(), "This file does not contain results of the requested type.", caption, MB_OK);
  }
  return answer;
}

namespace {

int32_t CalibrationReport(const char* formatFile, const char* formatSection, const char* dataFile,
                          char* reportsFile, int32_t pass, int16_t pageKind, const char* title) {
  if (!dataFile || !reportsFile || !formatSection) return 0;
  std::unique_ptr<uint8_t[]> format(new uint8_t[kReportFormatSize]());
  if (!ReadFormat(formatFile, formatSection, format.get())) return 0;
  uint16_t id = 0, address = 0;
  if (!KELT_FromSectionGetModuleIDAndAddress(formatSection, &id, &address)) return 0;
  void* buffer =
      MakeCalibrationReportPages(dataFile, "1", id, address, format.get(), pageKind, 0, 1, 0, 0, 0, 0, 0, pass);
  if (!buffer) return 0;
  int32_t result = 0;
  const int32_t pages = CountBufferPages(buffer, 2);
  if (pages > 0) {
    const uint32_t now = uint32_t(GetCurrentDateTime());
    bool made = false, ready = true;
    if (!reportsFile[0]) {
      char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
      const DWORD n = GetTempPathA(sizeof folder, folder);
      ready = n > 0 && n < sizeof folder && GetTempFileNameA(folder, "MMM", 0, name);
      if (ready) {
        std::snprintf(reportsFile, MAX_PATH, "%s", name);
        made = true;
        CRptsFileHandler maker(nullptr);
        ready = maker.MakeThisNewFile(reportsFile) != 0;
      }
    }
    if (ready) result = MSR_AddBufferToFile(buffer, reportsFile, now, title, 0, int16_t(std::min(pages, 32767) - 1));
    if (!result && made) {
      if (FileExists(reportsFile)) DeleteFileA(reportsFile);
      reportsFile[0] = 0;
    }
  }
  RPTS_MarkAllBufferPages(buffer);
  FreePageBuffer(buffer);
  return result ? 1 : 0;
}

}  // namespace

int32_t RPTS_Ex_MakeCalBlockReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                    char* reportsFile, int32_t, int32_t pass) {
  return CalibrationReport(formatFile, formatSection, dataFile, reportsFile, pass, 0, "Cal. Block Report");
}

int32_t RPTS_Ex_MakeCalCurveReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                    char* reportsFile, int32_t, int32_t pass) {
  return CalibrationReport(formatFile, formatSection, dataFile, reportsFile, pass, 1, "Cal. Curves Report");
}

int32_t RPTS_MakeCalBlockReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                 char* reportsFile, int32_t unused) {
  return RPTS_Ex_MakeCalBlockReports(formatFile, formatSection, dataFile, reportsFile, unused, 0);
}

int32_t RPTS_MakeCalCurveReports(const char* formatFile, const char* formatSection, const char* dataFile,
                                 char* reportsFile, int32_t unused) {
  return RPTS_Ex_MakeCalCurveReports(formatFile, formatSection, dataFile, reportsFile, unused, 0);
}
