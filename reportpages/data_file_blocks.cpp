// The data-file, log and chromatogram blocks of report pages.
#include "reportpages/data_file_blocks.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/data_file_descriptions.h"
#include "common/data_file_utils.h"
#include "common/log_sections.h"
#include "common/number_format.h"
#include "common/plot_titles.h"
#include "common/preference_records.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "overlayctl/segment_info_window.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_layout.h"
#include "reportpages/report_output.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"

namespace kelt::pages {

bool ReportLive(CReportOutput* out) {
  if (!out || !out->Ok) return false;
  if (g_bCancelReport) {
    out->Ok = 0;
    return false;
  }
  return true;
}

std::vector<std::string> TextFileLines(const char* bytes, size_t size, bool lfcr) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < size) {
    // One piece: through the next line feed, at most 99 characters.
    size_t end = at;
    while (end < size && end - at < 99) {
      if (bytes[end++] == '\n') break;
    }
    const std::string piece(bytes + at, end - at);
    at = end;
    size_t from = 0;
    while (from <= piece.size()) {
      size_t cut = piece.find("\r\n", from);
      if (lfcr) {
        const size_t other = piece.find("\n\r", from);
        if (other < cut) cut = other;
      }
      const bool last = cut == std::string::npos;
      const std::string part = piece.substr(from, last ? std::string::npos : cut - from);
      if (last && part.empty() && from > 0) break;  // nothing after the line end
      std::string line;
      for (char c : part) {
        if (c == '\t')
          line += "    ";
        else if (static_cast<unsigned char>(c) >= 32)
          line += c;
      }
      lines.push_back(line.empty() ? "  " : line);
      if (last) break;
      from = cut + 2;
    }
  }
  return lines;
}

std::vector<LogLine> LogRecordLines(const uint8_t* records, size_t count, bool userLog, bool* lastBlank) {
  std::vector<LogLine> lines;
  bool blankBefore = lastBlank ? *lastBlank : true;
  bool firstHeading = true;
  for (size_t i = 0; records && i < count; ++i) {
    const char* text = reinterpret_cast<const char*>(records + i * LOG_RECORD_SIZE + 2);
    std::string line(60, ' ');
    for (int k = 0; k < 60; ++k) {
      const unsigned char c = static_cast<unsigned char>(text[k]);
      line[size_t(k)] = c >= 32 ? char(c) : ' ';
    }
    bool blank = std::strncmp(text, "End", 3) == 0 || line.find_first_not_of(' ') == std::string::npos;
    if (blank) {
      if (!blankBefore) lines.push_back({std::string(), 0});
      blankBefore = true;
      continue;
    }
    const size_t last = line.find_last_not_of(' ');
    line.resize(last + 1);
    int indent = 2;
    if (blankBefore && (!userLog || firstHeading)) indent = 0;
    if (blankBefore) firstHeading = false;
    lines.push_back({line, indent});
    blankBefore = false;
  }
  if (lastBlank) *lastBlank = blankBefore;
  return lines;
}

}  // namespace kelt::pages

namespace {

bool PageKind(const CReportOutput* out) { return out->Kind == REPORT_OUTPUT_PAGES; }

// A page output whose page can be drawn into now.
bool Drawable(CReportOutput* out) {
  return kelt::pages::ReportLive(out) && PageKind(out) && out->Page && out->PageDC;
}

// A unique temporary file of the prefix; false when none could be named.
bool TempName(const char* prefix, char* path) {
  char folder[MAX_PATH] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  path[0] = 0;
  if (n == 0 || n >= sizeof folder) return false;
  if (!GetTempFileNameA(folder, prefix, 0, path)) {
    path[0] = 0;
    return false;
  }
  return true;
}

void DropFile(const char* path) {
  if (path[0] && FileExists(path)) DeleteFileA(path);
}

// The bytes of a text file the blocks made (at most 16 MB).
bool ReadFileBytes(const char* path, std::string* bytes) {
  FILE* f = win::crt::OpenStream(path, "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && bytes->size() < (16u << 20)) bytes->append(buffer, n);
  std::fclose(f);
  return true;
}

// Writes the lines of a text file at the label column; fontOfLine, when
// given, picks the font of each line by its index.
template <class FontOfLine>
void CopyTextFile(CReportOutput* out, const char* path, bool lfcr, FontOfLine fontOfLine) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) return;
  const std::vector<std::string> lines = kelt::pages::TextFileLines(bytes.data(), bytes.size(), lfcr);
  for (size_t i = 0; i < lines.size() && out->Ok; ++i) {
    fontOfLine(i);
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer, "%s", lines[i].c_str());
    out->WriteLine();
  }
}

void SelectFixedOnPages(CReportOutput* out) {
  if (PageKind(out)) out->SelectFixedFont();
}

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void RPTS_WriteSectionTitle(CReportOutput* out, int16_t column, int16_t, const char* title) {
  if (!out || !out->Ok) return;
  const char* text = title ? title : "";
  if (PageKind(out)) {
    // A title keeps its first line with it.
    if (out->Line + 1 > out->LastLine) out->NewPage();
    const int16_t remembered = out->FontIndex;
    out->SelectUNormalFont();
    out->TextAtColumn(column, text);
    out->NextLine();
    if (remembered >= 0) out->SelectFontByIndex(remembered);
    return;
  }
  out->NextLine();
  out->TextAtColumn(column, text);
  out->NextLine();
  out->NextLine();
}

BOOL RPTS_WriteFileHeader(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t labelColumn) {
  if (!out || !wf) return 1;
  out->LabelColumn = uint16_t(labelColumn);
  out->SelectNormalFont();
  char shortened[512] = {};
  KELT_TruncateFileString(wf->filePath, 70, shortened);
  out->SetLine("File: %s", Lower(shortened).c_str());
  out->WriteLine();
  char text[256];
  std::snprintf(text, sizeof text, "Sample: %-34.34s", Field(wf->sampleName, sizeof wf->sampleName).c_str());
  out->TextAtLabelColumn(text);
  std::snprintf(text, sizeof text, "Operator: %s", Field(wf->operatorName, sizeof wf->operatorName).c_str());
  out->TextAtColumn(int16_t(labelColumn + 44), text);
  out->NextLine();
  std::snprintf(text, sizeof text, "Scan Range: %lu - %lu  Time Range: %.2f - %.2f min.",
                static_cast<unsigned long>(wf->msInfo.firstScan), static_cast<unsigned long>(wf->msInfo.lastScan),
                wf->startTime, wf->endTime);
  out->TextAtLabelColumn(text);
  char date[32] = {}, time[32] = {};
  KELT_FormatDateTime(int16_t(wf->month), int16_t(wf->day), int16_t(wf->year), int16_t(wf->hour),
                      int16_t(wf->minute), date, time);
  std::snprintf(text, sizeof text, "Date: %s %s", date, time);
  out->TextAtColumn(int16_t(labelColumn + 44), text);
  out->NextLine();
  const std::string notes = Field(wf->description, sizeof wf->description);
  if (!notes.empty()) {
    out->SetLine("Sample Notes: %s", notes.c_str());
    out->WriteLine();
  }
  out->NextLine();
  return 1;
}

BOOL RPTS_WriteDataFileLog(CReportOutput* out, STRUCT_WORK_FILE* wf, const KELT_DataFileLogOptions* options) {
  if (!out || !wf || !options) return 0;
  char temp[MAX_PATH];
  if (!TempName("DDD", temp)) return 0;
  const int16_t remembered = out->FontIndex;
  const bool written = KELT_GetDataFileLog(temp, wf, options) != 0;
  if (written && out->Ok) {
    const bool headings = options->headings != 0;
    CopyTextFile(out, temp, true, [&](size_t i) {
      if (!headings || !PageKind(out)) return;
      if (i == 0) out->SelectBoldFont();
      if (i == 3 && remembered >= 0) out->SelectFontByIndex(remembered);
    });
  }
  DropFile(temp);
  return 1;
}

BOOL RPTS_WriteTextLog(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t attributes, int16_t attributesEx,
                       int16_t eventLog, int16_t methodSegments, int16_t segmentIndex, int16_t segFlagA,
                       int16_t segFlagB, int16_t segFlagC, int16_t moduleMethods, int16_t revisionLog) {
  if (!out || !wf || !out->Ok) return 0;
  char temp[MAX_PATH];
  if (!TempName("DDD", temp)) return 0;
  if (!MakeKMSTextLogFile(temp, wf, attributes, attributesEx, eventLog, methodSegments, segmentIndex, segFlagA,
                          segFlagB, segFlagC, moduleMethods, revisionLog)) {
    DropFile(temp);
    return 0;
  }
  SelectFixedOnPages(out);
  CopyTextFile(out, temp, false, [](size_t) {});
  DropFile(temp);
  return out->Ok;
}

BOOL RPTS_WriteMSLog(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t userLog, int16_t fileNames,
                     int16_t setPoints, int16_t gc, int16_t segmentMode, int16_t segmentIndex, int16_t tune,
                     int16_t ipm, int16_t revisionLog, int16_t labelColumn) {
  if (!out || !wf) return 0;
  if (!out->Ok) return 0;
  int segments = 0;
  if (segmentMode == 1) segments = 1;
  if (segmentMode == 2) segments = wf->hasLog ? WorkFileSegmentCount(wf) : 0;
  if (userLog || fileNames || setPoints || gc || tune || ipm) {
    CReadLogSection log;
    if (!log.Open(wf)) {
      out->Ok = 0;
    } else {
      out->LabelColumn = uint16_t(labelColumn);
      SelectFixedOnPages(out);
      bool lastBlank = true;
      auto write = [&](BOOL read, bool user) {
        out->Ok = read ? 1 : 0;
        if (!out->Ok) return false;
        const int16_t n = log.GetCount();
        const uint8_t* first = n > 0 ? reinterpret_cast<const uint8_t*>(log.GetRecord(0)) : nullptr;
        for (const kelt::pages::LogLine& l :
             kelt::pages::LogRecordLines(first, first ? size_t(n) : 0, user, &lastBlank)) {
          out->LabelColumn = uint16_t(labelColumn + l.indent);
          std::snprintf(out->LineBuffer, sizeof out->LineBuffer, "%s", l.text.c_str());
          out->WriteLine();
        }
        return out->Ok != 0;
      };
      bool go = true;
      if (go && userLog) go = write(log.ReadUserLog(), true);
      if (go && fileNames) go = write(log.ReadFileNames(), false);
      if (go && setPoints) go = write(log.ReadSetPoints(), false);
      if (go && gc) go = write(log.ReadGC(), false);
      if (tune || ipm) {
        int16_t segment = segmentMode == 1 ? segmentIndex : 0;
        for (int k = 0; go && k < segments; ++k, ++segment) {
          go = write(log.ReadSegment(segment), false);
          if (go && ipm) go = write(log.ReadIPM(segment), false);
          if (go && tune) go = write(log.ReadTune(segment), false);
        }
      }
      log.Close();
      out->LabelColumn = uint16_t(labelColumn);
    }
  }
  if (revisionLog) {
    char temp[MAX_PATH];
    if (TempName("vvv", temp)) {
      if (FILE* f = win::crt::OpenStream(temp, "wb")) {
        KELT_WriteRevisionLogToTextFile(f, wf);
        std::fputs("\r\n", f);
        const long size = std::ftell(f);
        std::fclose(f);
        if (size > 2 && out->Ok) {
          SelectFixedOnPages(out);
          CopyTextFile(out, temp, false, [](size_t) {});
        }
      }
      DropFile(temp);
    }
  }
  return out->Ok;
}

BOOL RPTS_WriteAcqSegmentInfo(CReportOutput* out, STRUCT_WORK_FILE* wf, int16_t column) {
  if (!out || !wf || !out->Ok) return 0;
  const int count = WorkFileSegmentCount(wf);
  bool titleDue = true;
  for (int i = 0; i < count && out->Ok; ++i) {
    const int need = i == 0 ? 3 : 1;
    if (PageKind(out) && out->Line + need > out->LastLine) {
      if (!out->NewPage()) break;
      titleDue = true;
    }
    if (titleDue) {
      RPTS_WriteSectionTitle(out, column, 1, "Acquisition Segment Information");
      titleDue = false;
    }
    SelectFixedOnPages(out);
    char line[KELT_DESCRIPTION_LINE_MAX + 1] = {};
    if (!KELT_GetOneTextLineForSegment(wf, int16_t(i), line)) line[0] = 0;
    if (!line[0]) {
      // A file that keeps no description of its segments: what its segment blocks say.
      const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, i);
      std::string name;
      for (int k = 0; seg && k < 32 && seg->name[k]; ++k) name += char(seg->name[k] < 32 ? ' ' : seg->name[k]);
      if (seg)
        std::snprintf(line, sizeof line, "Segment %d  %-16.32s %8.2f - %.2f min.  %d scan function%s", i + 1,
                      name.c_str(), seg->startTime, seg->endTime, int(seg->functionCount),
                      seg->functionCount == 1 ? "" : "s");
    }
    out->LabelColumn = uint16_t(column);
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer, "%s", line);
    out->WriteLine();
  }
  return out->Ok;
}

BOOL RPTS_DrawChromatogramBlock(CReportOutput* out, SVW_OVERLAY* overlay, int32_t, int16_t left, int16_t right,
                                int16_t height) {
  if (!out || !Drawable(out) || !overlay || !out->Prefs) return 0;
  const int16_t x1 = out->Page->ColumnToX(left);
  const int16_t top = out->Page->LineToY(out->Line);
  out->Line = int16_t(out->Line + height);
  const int16_t x2 = out->Page->ColumnToX(right);
  const int16_t bottom = out->Page->LineToY(out->Line);
  out->Line = int16_t(out->Line + 1);
  STRUCT_OPLOT_DRAW_CHRO draw;
  OPLOT_InitDrawChro(&draw, reinterpret_cast<const uint32_t*>(&out->Prefs->chroDrawing));
  STRUCT_OPLOT_PLOT_PARAMS params;
  OPLOT_InitPlotParams(&params, 1, x1, bottom, x2, top, out->CharWidth, out->CharHeight);
  HDC dc = out->PageDC->GetSafeHdc();
  const int saved = SaveDC(dc);
  OPLOT_DrawPlots(dc, &draw, &params, overlay, &out->Sizes);
  RestoreDC(dc, saved);
  return 1;
}

BOOL RPTS_DrawSegmentInfoBlock(CReportOutput* out, STRUCT_WORK_FILE* wf, double start, double end, int16_t left,
                               int16_t right, int16_t line, int16_t xOffset, int16_t height) {
  if (!out || !Drawable(out) || !wf || !out->Prefs) return 0;
  int16_t count = 0;
  STRUCT_SEG_DRAW_INFO* info = MakeSegmentDrawInfoStruct(wf, &count, 1);
  out->Line = line;
  STRUCT_SEGINFO_DRAW r{};
  r.mode = 1;
  r.x1 = out->Page->ColumnToX(left) + xOffset;
  r.y2 = out->Page->LineToY(out->Line);
  r.x2 = out->Page->ColumnToX(right);
  out->Line = int16_t(out->Line + height);
  r.y1 = out->Page->LineToY(out->Line);
  out->Line = int16_t(out->Line + 2);
  r.charWidth = out->CharWidth;
  r.charHeight = out->CharHeight;
  const auto* prefBytes = reinterpret_cast<const uint8_t*>(out->Prefs);
  std::memcpy(&r.frameColor, prefBytes + 50, 4);
  std::memcpy(&r.backColor, prefBytes + 46, 4);
  r.startTime = start;
  r.endTime = end;
  r.workFile = wf;
  r.segInfo = info;
  r.segCount = info ? count : 0;
  HDC dc = out->PageDC->GetSafeHdc();
  const int saved = SaveDC(dc);
  OPLOT_DrawSegmentInfo(out->PageDC, &r);
  RestoreDC(dc, saved);
  if (info) FreeBlock(info);
  return 1;
}
