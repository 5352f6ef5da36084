// The data-file information grid of the sample and compound reports.
#include "reportmakers/data_file_info.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "pomsel/pomsel.h"
#include "reportmakers/report_format.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "reportmakers/results_header.h"
#include "reportpages/data_file_blocks.h"
#include "reportpages/report_output.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"

namespace kelt::reports {

const char* InfoItemLabel(int code) {
  static const char* const kLabels[35] = {
      nullptr,           "Sample ID",        "Operator",         "Instrument ID",     "Last Calibration",
      "Acquisition Date", "Data File",       "Calculation Date", "Method",            "Inj. Sample Notes",
      "Calibration Type", "Measurement Type", "Description",     "Sample Type",       "Sample List",
      "Report Unidentified", "Report Missing", "IS Factor",      "Identified Compounds", "Missing Compounds",
      "Failed Compounds", "TIC Peaks",       "Duplicate Peaks",  "Unknown Peaks",     "Header Time Date",
      " ",               " ",                "Injection",        "Level",             "Sample Prep Info",
      "Multiplier",      "Divisor",          "Rack",             "Vial",              "Volume"};
  return code >= 1 && code <= 34 ? kLabels[code] : nullptr;
}

}  // namespace kelt::reports

void RPTS_FmtCalcType(int16_t type, char* text) {
  if (!text) return;
  const char* s = type == 1 ? "Area Percent" : type == 4 ? "Normalized Percent" : type == 3 ? "Internal Standard"
                                                                                     : "External Standard";
  std::strcpy(text, s);
}

void RPTS_FmtMeasurementType(int16_t value, char* text) {
  if (text) std::strcpy(text, value == 1 ? "Area" : "Height");
}

void RPTS_FmtSampleType(int16_t value, char* text) {
  if (!text) return;
  const char* s = value == 1 ? "Calibration" : value == 2 ? "Analysis" : value == 3 ? "Verification" : "Unknown";
  std::strcpy(text, s);
}

namespace {

using namespace kelt::reports;

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// Characters below a blank become blanks; trailing blanks go.
std::string Flattened(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  const size_t last = s.find_last_not_of(' ');
  s.resize(last == std::string::npos ? 0 : last + 1);
  return s;
}

std::string DateTime(int32_t stamp) {
  if (stamp == 0) return "None";
  char date[64] = {}, time[64] = {};
  const time32_t t = stamp;
  KELT_FormatDateTimeFromLong(&t, date, time);
  return std::string(date) + " " + time;
}

std::string Localised(const char* format, double value) {
  char text[128];
  std::snprintf(text, sizeof text, format, value);
  KELT_GetLocalNumberString(text);
  return text;
}

// What the grid's items read, gathered once.
struct Sources {
  uint8_t header[kResultsHeaderSize] = {};
  bool headerRead = false;
  STRUCT_RECALC_ENTRY run{};
  bool runRead = false;
  STRUCT_DH_INJECTION_RECORD dh{};
  bool dhRead = false;
  DF_INJECTION_INFO injection{};
  bool injectionRead = false;
  int32_t lastCalibration = 0;
  std::string samplePrep;
};

bool Needs(const RPT_SAMPLE_DEFINITION& d, std::initializer_list<int> codes) {
  for (int c = 0; c < 3; ++c)
    for (int l = 0; l < kGridLines; ++l)
      if (std::find(codes.begin(), codes.end(), int(d.grid[c][l])) != codes.end()) return true;
  return false;
}

std::string SamplePrepText(const STRUCT_WORK_FILE* wf) {
  // The sample preparation log of the data file, when it keeps one.
  KELT_DataFileLogOptions o{};
  o.samplePrep = 1;
  o.notesWidth = 32000;
  char folder[MAX_PATH] = {}, temp[MAX_PATH] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "DDD", 0, temp)) return std::string();
  std::string text;
  if (KELT_GetDataFileLog(temp, const_cast<STRUCT_WORK_FILE*>(wf), &o)) {
    if (FILE* f = win::crt::OpenStream(temp, "rb")) {
      char buffer[4096];
      size_t got;
      while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < 65536) text.append(buffer, got);
      std::fclose(f);
    }
  }
  if (FileExists(temp)) DeleteFileA(temp);
  return text;
}

Sources Gather(const STRUCT_WORK_FILE* wf, const RPT_SAMPLE_DEFINITION& d) {
  Sources s;
  s.headerRead = kelt::reports::ReadResultsHeader(wf->filePath, s.header) != 0;
  if (!s.headerRead) std::memset(s.header, 0, sizeof s.header);
  if (s.headerRead) {
    if (Needs(d, {4})) {
      if (HDHTABLE t = OpenDHTable(wf->filePath, wf->fileType, wf->module, "1")) {
        const int16_t rows = CountDHTableRows(t);
        for (int16_t i = 0; i < rows; ++i) {
          DH_CALIBRATION_LOG_ROW row;
          if (!GetDHTableRow(t, i, &row, 1)) break;
          s.lastCalibration = std::max(s.lastCalibration, row.recalcTime);
        }
        CloseSection(static_cast<HSECTION>(t));
      }
    }
    if (Needs(d, {2, 3, 7, 8, 14}))
      s.runRead = RPTS_ReadDataFileSection(wf, &s.run) != 0;
  }
  if (HDHTABLE r = OpenDataFileDHRecord(wf->filePath)) {
    s.dhRead = ReadDHRecord(r, &s.dh) != 0;
    CloseSection(static_cast<HSECTION>(r));
  }
  if (Needs(d, {32, 33, 34})) s.injectionRead = DF_GetInjectionInfo(wf->filePath, &s.injection) != 0;
  if (Needs(d, {29})) s.samplePrep = SamplePrepText(wf);
  return s;
}

// Items whose values are numbers of the results header.
bool HeaderItem(int code) {
  return code == 10 || code == 11 || code == 13 || (code >= 15 && code <= 23) || code == 27 || code == 28 ||
         code == 30 || code == 31;
}

// The value of an item; false when it prints nothing.
bool Value(int code, const Sources& s, const STRUCT_WORK_FILE* wf, const CReportOutput* out,
           const RPT_SAMPLE_DEFINITION& d, std::string* v) {
  if (HeaderItem(code) && !s.headerRead) return false;
  const void* h = s.header;
  char text[128] = {};
  switch (code) {
    case 1: {
      const std::string id = s.headerRead ? Field(TextAt(h, header::kSampleId), header::kSampleIdSize) : "";
      *v = !Blank(id) ? id : Field(wf->sampleName, sizeof wf->sampleName);
      return true;
    }
    case 2: {
      std::string op = s.runRead ? Field(s.run.callerText4, sizeof s.run.callerText4) : "";
      if (Blank(op)) op = Field(wf->operatorName, sizeof wf->operatorName);
      *v = Blank(op) ? " " : op;
      return true;
    }
    case 3: {
      const std::string id = s.runRead ? Field(s.run.callerText23, sizeof s.run.callerText23) : "";
      *v = Blank(id) ? " " : id;
      return true;
    }
    case 4: *v = DateTime(s.lastCalibration); return true;
    case 5: {
      char date[64] = {}, time[64] = {};
      KELT_FormatDateTime(int16_t(wf->month), int16_t(wf->day), int16_t(wf->year), int16_t(wf->hour),
                          int16_t(wf->minute), date, time);
      *v = std::string(date) + " " + time;
      return true;
    }
    case 6: *v = Lower(out->DisplayFileName[0] ? Field(out->DisplayFileName, sizeof out->DisplayFileName)
                                               : Field(wf->filePath, sizeof wf->filePath));
      return true;
    case 7: *v = s.runRead ? DateTime(int32_t(s.run.processedTime)) : "None"; return true;
    case 8: *v = s.runRead ? Lower(Field(s.run.methodPath, sizeof s.run.methodPath)) : ""; return true;
    case 9: {
      const std::string notes = s.dhRead ? Flattened(Field(s.dh.description, sizeof s.dh.description)) : "";
      *v = Blank(notes) ? "None" : notes;
      return true;
    }
    case 10: RPTS_FmtCalcType(FieldAt<int16_t>(h, header::kCalculationType), text); *v = text; return true;
    case 11: RPTS_FmtMeasurementType(FieldAt<int16_t>(h, header::kResponseBasis), text); *v = text; return true;
    case 12: *v = Field(d.description, sizeof d.description); return true;
    case 13: RPTS_FmtSampleType(FieldAt<int16_t>(h, header::kSampleType), text); *v = text; return true;
    case 14: *v = s.runRead ? Lower(Field(s.run.callerText562, sizeof s.run.callerText562)) : ""; return true;
    case 15: *v = FieldAt<int16_t>(h, header::kReportUnknowns) ? "True" : "False"; return true;
    case 16: *v = FieldAt<int16_t>(h, header::kReportMissing) ? "True" : "False"; return true;
    case 17: *v = Localised("%.6f", double(FieldAt<float>(h, header::kISFactor))); return true;
    case 18: case 19: case 20: case 21: case 22: case 23: {
      // Duplicate peaks are engine kind 5, unknown peaks kind 4.
      static const int kKinds[6] = {0, 1, 2, 3, 5, 4};
      if (code == 19 && !FieldAt<int16_t>(h, header::kReportMissing)) {
        *v = "N/A";
        return true;
      }
      *v = std::to_string(CountOfKind(h, kKinds[code - 18]));
      return true;
    }
    case 24: *v = DateTime(GetCurrentDateTime()); return true;
    case 27: *v = std::to_string(FieldAt<int16_t>(h, header::kInjection)); return true;
    case 28: *v = std::to_string(FieldAt<int16_t>(h, header::kLevel) + 1); return true;
    case 29: {
      const std::string prep = Flattened(s.samplePrep);
      *v = Blank(prep) ? "None" : prep;
      return true;
    }
    case 30: *v = Localised("%f", double(FieldAt<float>(h, header::kMultiplier))); return true;
    case 31: *v = Localised("%f", double(FieldAt<float>(h, header::kDivisor))); return true;
    case 32: {
      const std::string rack = s.injectionRead ? Field(s.injection.rack, sizeof s.injection.rack) : "";
      *v = Blank(rack) ? "N/A" : rack;
      return true;
    }
    case 33:
      *v = s.injectionRead && s.injection.vial ? std::to_string(s.injection.vial) : "N/A";
      return true;
    case 34: {
      const float vol = s.injectionRead ? s.injection.volume : 0.0f;
      if (!(vol > 0.0f) || !(vol < 1e9f)) {
        *v = "N/A";
        return true;
      }
      *v = Localised("%g", double(vol));
      return true;
    }
    default: return false;
  }
}

// Pieces of width characters; all-blank pieces are left out when asked.
std::vector<std::string> Pieces(const std::string& text, size_t width, size_t most, bool skipBlank) {
  std::vector<std::string> pieces;
  for (size_t at = 0; at < text.size() && pieces.size() < most; at += width) {
    const std::string p = text.substr(at, width);
    if (skipBlank && Blank(p)) continue;
    pieces.push_back(p);
  }
  return pieces;
}

void Rule(CReportOutput* out, int16_t left, int16_t right) {
  if (!out->Page || !out->PageDC) return;
  HDC dc = out->PageDC->GetSafeHdc();
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  const int y = out->Page->LineToY(out->Line);
  MoveToEx(dc, out->Page->ColumnToX(left), y, nullptr);
  LineTo(dc, out->Page->ColumnToX(right), y);
  SelectObject(dc, old);
}

}  // namespace

BOOL RPTS_WriteDataFileInfo(CReportOutput* out, STRUCT_WORK_FILE* wf, const void* definition, const void* general,
                            int16_t left, int16_t right, int16_t wide) {
  (void)general;
  if (!kelt::pages::ReportLive(out) || !wf || !definition) return 0;
  RPT_SAMPLE_DEFINITION d;
  std::memcpy(&d, definition, sizeof d);
  int items = 0;
  for (int c = 0; c < 3; ++c)
    for (int l = 0; l < kGridLines; ++l) items += IsInfoItem(d.grid[c][l]);
  if (!items) return 0;
  const bool text = out->Kind == REPORT_OUTPUT_TEXT;
  const bool pages = out->Kind == REPORT_OUTPUT_PAGES;
  if (text) wide = 1;
  const Sources s = Gather(wf, d);

  const int usable = right + 1 - left;
  const int cell = wide ? usable / 3 : usable / 2;
  int16_t labelCol[3], valueCol[3];
  for (int k = 0; k < 3; ++k) {
    labelCol[k] = int16_t(text ? left : left + k * cell);
    valueCol[k] = int16_t(text ? left + 30 : labelCol[k] + (wide ? 20 : 15));
  }
  const int cells = pages && !wide ? 2 : 3;
  const int16_t endColumn = out->Columns;

  // The block is written in taller lines: the page's grid loses 10 lines
  // meanwhile. Its rows are counted first so that it starts on a page
  // that holds it.
  int16_t savedLines = 0;
  int rows = 0;
  for (int l = 0; l < kGridLines; ++l)
    rows += IsInfoItem(d.grid[0][l]) || IsInfoItem(d.grid[1][l]) || IsInfoItem(d.grid[2][l]) ? 3 : 0;
  if (pages) {
    if (!out->Page || !out->PageDC) return 0;
    savedLines = out->Page->m_Lines;
    const int16_t tall = int16_t(savedLines > 20 ? savedLines - 10 : savedLines);
    // The line of the taller grid that lies at or below the current line.
    auto tallLine = [&]() {
      const int16_t y = out->Page->LineToY(int16_t(out->Line + 1));
      out->Page->m_Lines = tall;
      int16_t l = 0;
      while (l < tall && out->Page->LineToY(l) < y) ++l;
      out->Page->m_Lines = savedLines;
      return l;
    };
    if (tallLine() + rows + 2 > tall - 1) {
      out->NewPage();
      if (!out->Ok || !out->Page || !out->PageDC) return 0;
    }
    Rule(out, left, right);
    const int16_t first = tallLine();
    out->Page->m_Lines = tall;
    out->Line = first;
    out->SelectNormalFont();
  } else {
    RPTS_WriteSectionTitle(out, 0, 0, "MS Data File Information");
  }
  const int16_t top = out->Line;

  for (int l = 0; l < kGridLines && out->Ok; ++l) {
    const int codes[3] = {d.grid[0][l], d.grid[1][l], d.grid[2][l]};
    if (!(codes[0] >= 1 && codes[0] <= 34) && !(codes[1] >= 1 && codes[1] <= 34) &&
        !(codes[2] >= 1 && codes[2] <= 34))
      continue;
    int lineItems = 0;
    for (int k = 0; k < cells; ++k) lineItems += IsInfoItem(codes[k]);
    const int16_t base = out->Line;
    int extra = 0;
    for (int k = 0; k < cells && out->Ok; ++k) {
      const int code = codes[k];
      if (!(code >= 1 && code <= 34)) continue;
      out->Line = base;
      if (code != 25 && code != 26) {
        char label[64];
        std::snprintf(label, sizeof label, "%s:", InfoItemLabel(code));
        out->SepTextAtColumn(labelCol[k], label);
      }
      std::string value;
      if (Value(code, s, wf, out, d, &value)) {
        auto put = [&](const std::string& v) {
          if (HeaderItem(code))
            out->SepTextAtColumn(valueCol[k], v.c_str());
          else
            out->QuotedTextAtColumn(valueCol[k], v.c_str());
        };
        // The room up to the next cell that holds an item, or the page's end.
        int16_t next = endColumn;
        for (int j = k + 1; j < cells; ++j)
          if (codes[j] >= 1 && codes[j] <= 34) {
            next = labelCol[j];
            break;
          }
        const bool takesNext = code == 9 || code == 12 || code == 29;
        if (takesNext && k + 1 < cells) {
          next = endColumn;
          for (int j = k + 2; j < cells; ++j)
            if (codes[j] >= 1 && codes[j] <= 34) {
              next = labelCol[j];
              break;
            }
        }
        const int room = std::max(4, next - valueCol[k]);
        if (text) {
          put(value);
        } else if (code == 6 || code == 8 || code == 14) {
          if (k == 0 && lineItems == 1 && int(value.size()) > room) {
            const std::vector<std::string> pieces = Pieces(value, size_t(room), 64, false);
            for (size_t p = 0; p < pieces.size(); ++p) {
              out->Line = int16_t(base + p);
              put(pieces[p]);
            }
            extra = std::max(extra, int(pieces.size()) - 1);
          } else {
            char cut[600] = {};
            KELT_TruncateFileString(value.c_str(), int16_t(std::min(room, 500)), cut);
            put(Lower(cut));
          }
        } else if (code == 9 || code == 29) {
          const std::vector<std::string> pieces =
              code == 9 ? Pieces(value, 60, 3, false) : Pieces(value, 70, 64, true);
          for (size_t p = 0; p < pieces.size(); ++p) {
            out->Line = int16_t(base + p);
            put(pieces[p]);
          }
          extra = std::max(extra, int(pieces.size()) - 1);
        } else {
          put(value);
        }
        if (takesNext) ++k;
      }
      if (text) out->NextLine();
    }
    out->Line = base;
    if (pages) out->Line = int16_t(base + 1 + extra);
  }

  const bool versions = out->VersionNumber && out->VersionCount;
  if (versions && out->Ok) {
    // On narrow pages the third cell lies at the right edge: the version goes in the second.
    const int k = cells == 3 ? 2 : 1;
    const int16_t remembered = out->FontIndex;
    if (pages) out->SelectBoldFont();
    out->TextAtColumn(labelCol[k], "21CFR11 Version:");
    if (pages && remembered >= 0) out->SelectFontByIndex(remembered);
    char v[64];
    std::snprintf(v, sizeof v, "%d of %d", int(out->VersionNumber), int(out->VersionCount));
    out->TextAtColumn(valueCol[k], v);
    out->NextLine();
  }
  if (pages && out->Page) {
    // Back on the page's own grid: the line below the block's last, so the
    // closing rule never runs through it.
    const int y = out->Page->LineToY(out->Line);
    out->Page->m_Lines = savedLines;
    int16_t line = std::max<int16_t>(int16_t(top), out->Line);
    while (out->Page->LineToY(line) < y) ++line;
    out->Line = line;
    if (out->Ok && out->PageDC) Rule(out, left, right);
    out->Line = int16_t(out->Line + 2);
  }
  return 1;
}
