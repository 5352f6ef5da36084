// Report output of the text-file kind: header lines, then rows of columns
// at fixed positions or separated, through CAFile.
#include "reportpages/report_output.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/library_state.h"

CReportOutput::CReportOutput(char*, STRUCT_REPORT_PREFS* prefs, int16_t columns, uint16_t lines,
                             uint16_t orientation, int16_t kind)
    : Kind(kind), Orientation(orientation), Columns(columns), Lines(lines), LastLine(int16_t(lines - 1)), Ok(1),
      PagesStored(0), KeepPage(0), PageOverflowed(0), CreatedAt(0), TempFileMade(0), ScanFunInfo(nullptr),
      ScanFunCount(0), PageNumber(1), Line(1), Prefs(prefs), FontIndex(-1), CharWidth(0), CharHeight(0),
      TextFile(nullptr), FirstBodyLine(0), LabelColumn(0), ValueColumn(0) {
  g_bCancelReport = 0;
  Separator[0] = 0;
  PageTitle[0] = 0;
  LineBuffer[0] = 0;
  if (kind == REPORT_OUTPUT_PAGES) {
    Ok = 0;  // metafile pages are not part of this build
  } else if (kind == REPORT_OUTPUT_TEXT) {
    TextFile = new (std::nothrow) CAFile;
    if (!TextFile) {
      Ok = 0;
    } else {
      const char* sep = kelt::lib::ListSeparator();
      std::snprintf(Separator, sizeof Separator, "%s", sep && sep[0] ? sep : ",");
    }
  }
  for (int i = 0; i < REPORT_HEADER_LINES; ++i) {
    HeaderUsed[i] = 0;
    HeaderText[i][0] = 0;
    HeaderLine[i] = 0;
    HeaderColumn[i] = 0;
    HeaderFont[i] = 0;
  }
  PageNumberOn = 0;
  PageNumberFormat[0] = 0;
  PageNumberHeader = 0;
  PageNumberRight = 0;
  DisplayFileName[0] = 0;
  VersionNumber = VersionCount = 0;
}

CReportOutput::~CReportOutput() { delete TextFile; }

void CReportOutput::HeaderText_(int i, char* out, size_t size, bool* ends) const {
  *ends = false;
  if (i == PageNumberHeader && PageNumber > 1 && PageNumberOn) {
    std::snprintf(out, size, PageNumberFormat, int(PageNumber));
  } else if (!HeaderUsed[i]) {
    *ends = true;
  } else {
    std::snprintf(out, size, "%s", HeaderText[i]);
  }
}

void CReportOutput::WriteHeaderLines() {
  if (!Ok || Kind != REPORT_OUTPUT_TEXT || !TextFile) return;
  for (int i = 0; i < REPORT_HEADER_LINES && Ok; ++i) {
    char text[128];
    bool ends;
    HeaderText_(i, text, sizeof text, &ends);
    if (ends) break;
    TextFile->AddToLine(int16_t(HeaderColumn[i]), text);
    if (!TextFile->GoToNextLine()) Ok = 0;
  }
}

int CReportOutput::EndPage() {
  if (Kind != REPORT_OUTPUT_PAGES) return 1;
  return 0;
}

int CReportOutput::NewPage() {
  if (Kind != REPORT_OUTPUT_PAGES) return 1;
  return 0;
}

bool CReportOutput::Writable() {
  if (!Ok) return false;
  if (g_bCancelReport) {
    Ok = 0;
    return false;
  }
  return Kind == REPORT_OUTPUT_TEXT && TextFile;
}

void CReportOutput::EndTextLine() {
  if (!TextFile->GoToNextLine()) Ok = 0;
}

void CReportOutput::WriteLine() {
  if (!Writable()) return;
  TextFile->AddToLine(int16_t(LabelColumn), LineBuffer);
  EndTextLine();
}

void CReportOutput::WriteValueLine() {
  if (!Writable()) return;
  TextFile->AddToLine(int16_t(ValueColumn), LineBuffer);
}

void CReportOutput::TextAtColumn(int16_t column, const char* text) {
  if (!Writable()) return;
  TextFile->AddToLine(column, text);
}

void CReportOutput::TextAtLabelColumn(const char* text) {
  if (!Writable()) return;
  TextFile->AddToLine(int16_t(LabelColumn), text);
}

void CReportOutput::SeparatedColumn(int16_t column, const char* text, bool quoted) {
  const std::string t = text ? text : "";
  if (std::strcmp(Separator, " ") == 0) {
    const int16_t at = TextFile->AdjustColumn(column);
    if (quoted) {
      TextFile->AddToLine(at, "\"");
      TextFile->AddToLine(int16_t(at + 1), (t + "\"" + Separator).c_str());
    } else {
      TextFile->AddToLine(at, (t + Separator).c_str());
    }
    return;
  }
  const int16_t at = TextFile->AdjustColumnNoBlanks(column);
  std::string s = t;
  const size_t first = s.find_first_not_of(' ');
  s = first == std::string::npos ? std::string() : s.substr(first);
  const size_t last = s.find_last_not_of(' ');
  s = last == std::string::npos ? std::string() : s.substr(0, last + 1);
  if (quoted && std::strcmp(Separator, "\t") != 0) s = "\"" + s + "\"";
  TextFile->AddToLine(at, (s + Separator).c_str());
}

void CReportOutput::QuotedTextAtColumn(int16_t column, const char* text) {
  if (!Writable()) return;
  SeparatedColumn(column, text, true);
}

void CReportOutput::SepTextAtColumn(int16_t column, const char* text) {
  if (!Writable()) return;
  SeparatedColumn(column, text, false);
}

void CReportOutput::NextLine() {
  if (!Ok || Kind != REPORT_OUTPUT_TEXT || !TextFile) return;
  EndTextLine();
}
