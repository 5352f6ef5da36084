// Report output: pages on a grid into a reports file, or a text file of
// columns, written through one set of line and column writers.
#include "reportpages/report_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/display_helpers.h"
#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

const char kCancelled[] = "REPORT CANCELLED";
const char kTerminated[] = "REPORT TERMINATED - ERROR OCCURRED";

void CopyText(char* out, size_t size, const char* text) {
  const size_t n = text ? strnlen(text, size - 1) : 0;
  if (n) std::memcpy(out, text, n);
  out[n] = 0;
}

bool Blank(const char* text) {
  for (; *text; ++text)
    if (*text != ' ') return false;
  return true;
}

}  // namespace

void FormatPageNumber(const char* format, int number, char* out, size_t size) {
  if (!out || size == 0) return;
  std::string s;
  bool used = false;
  for (const char* p = format ? format : ""; *p; ++p) {
    if (*p != '%') {
      s += *p;
      continue;
    }
    if (p[1] == '%') {
      s += '%';
      ++p;
      continue;
    }
    const char* q = p + 1;
    if (*q == 'l') ++q;
    if (!used && (*q == 'd' || *q == 'i' || *q == 'u')) {
      s += std::to_string(number);
      used = true;
      p = q;
      continue;
    }
    s += '%';
  }
  CopyText(out, size, s.c_str());
}

CReportOutput::CReportOutput(char* reportsFileName, STRUCT_REPORT_PREFS* prefs, int16_t columns, uint16_t lines,
                             uint16_t orientation, int16_t kind)
    : Kind(kind), Orientation(orientation), Columns(columns), Lines(lines), LastLine(int16_t(lines - 1)), Ok(1),
      PagesStored(0), KeepPage(0), PageOverflowed(0), ReportsFile(nullptr), CreatedAt(0), TempFileMade(0),
      StatusDialog(nullptr), ScanFunInfo(nullptr), ScanFunCount(0), Page(nullptr), PageDC(nullptr), PageNumber(1),
      Line(1), Prefs(prefs), FontIndex(-1), CharWidth(0), CharHeight(0), TextFile(nullptr), FirstBodyLine(0),
      LabelColumn(0), ValueColumn(0), Sizes{} {
  g_bCancelReport = 0;
  Separator[0] = 0;
  PageTitle[0] = 0;
  LineBuffer[0] = 0;
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

  if (kind == REPORT_OUTPUT_PAGES) {
    if (reportsFileName && reportsFileName[0]) {
      ReportsFile = new (std::nothrow) CRptsFileHandler(reportsFileName, nullptr);
      if (!ReportsFile) {
        Ok = 0;
        return;
      }
    } else if (reportsFileName) {
      char folder[MAX_PATH] = {};
      const DWORD n = GetTempPathA(sizeof folder, folder);
      ReportsFile = new (std::nothrow) CRptsFileHandler(nullptr);
      const bool named = n > 0 && n < sizeof folder && GetTempFileNameA(folder, "CCC", 0, tempPath_);
      if (!named || !ReportsFile || !ReportsFile->MakeThisNewFile(tempPath_)) {
        if (named) DeleteFileA(tempPath_);
        tempPath_[0] = 0;
        delete ReportsFile;
        ReportsFile = nullptr;
        Ok = 0;
        return;
      }
      TempFileMade = 1;
      CopyText(reportsFileName, MAX_PATH, tempPath_);
    }
    Page = new (std::nothrow) CMPage(prefs, columns, int16_t(lines), orientation == 1 ? 1 : 0);
    if (!Page || !Page->StartNewPage(0)) {
      DropTempFile();
      delete ReportsFile;
      ReportsFile = nullptr;
      delete Page;
      Page = nullptr;
      Ok = 0;
      return;
    }
    PageDC = Page->m_pMetaDC;
    CreatedAt = uint32_t(GetCurrentDateTime());
  } else if (kind == REPORT_OUTPUT_TEXT) {
    TextFile = new (std::nothrow) CAFile;
    if (!TextFile) {
      Ok = 0;
    } else {
      const char* sep = kelt::lib::ListSeparator();
      std::snprintf(Separator, sizeof Separator, "%s", sep && sep[0] ? sep : ",");
    }
  }
}

CReportOutput::~CReportOutput() {
  if (!Ok && TempFileMade && ReportsFile && ReportsFile->GetCountOfPages() <= 0) {
    ReportsFile->Close();
    DropTempFile();
  }
  delete ReportsFile;
  delete Page;
  delete TextFile;
  CloseStatusDialog();
}

void CReportOutput::DropTempFile() {
  if (TempFileMade && tempPath_[0] && FileExists(tempPath_)) DeleteFileA(tempPath_);
}

void CReportOutput::OpenStatusDialog(int32_t count) {
  CloseStatusDialog();
  StatusDialog = CReportStatusDlg::Open(count);
}

void CReportOutput::StepStatusDialog() {
  if (StatusDialog && StatusDialog->m_hWnd) ::SendMessageA(StatusDialog->m_hWnd, REPORT_STATUS_STEP, 0, 0);
}

void CReportOutput::CloseStatusDialog() {
  if (!StatusDialog) return;
  CReportStatusDlg* dlg = StatusDialog;
  StatusDialog = nullptr;
  dlg->DestroyWindow();  // deletes itself
}

void CReportOutput::SetLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(LineBuffer, sizeof LineBuffer, format, args);
  va_end(args);
}

void CReportOutput::SetPageNumberTitle(const char* title) {
  // Room for " - Page " and five digits within a header line.
  const size_t room = sizeof HeaderText[0] - 1 - std::strlen(" - Page ") - 5;
  std::string escaped;
  for (size_t i = 0; title && title[i] && i < room; ++i) {
    escaped += title[i];
    if (title[i] == '%') escaped += '%';
  }
  std::snprintf(PageNumberFormat, sizeof PageNumberFormat, "%s - Page %%d", escaped.c_str());
}

void CReportOutput::HeaderText_(int i, char* out, size_t size, bool* ends) const {
  *ends = false;
  if (i == PageNumberHeader && PageNumber > 1 && PageNumberOn) {
    FormatPageNumber(PageNumberFormat, int(PageNumber), out, size);
  } else if (!HeaderUsed[i]) {
    *ends = true;
  } else {
    CopyText(out, size, HeaderText[i]);
  }
}

void CReportOutput::SelectFont(int16_t index) {
  if (!Ok || Kind != REPORT_OUTPUT_PAGES || !Page || index == FontIndex) return;
  if (index < 0 || index > kFontSmallFixed || !Page->m_pMetaDC) return;
  Page->SelectFont(index, &CharWidth, &CharHeight);
  FontIndex = index;
}

void CReportOutput::SelectFontByIndex(int16_t index) { SelectFont(index); }

bool CReportOutput::GetCurrentLogFont(LOGFONTA* font) {
  if (!font || !Page || FontIndex < 0) return false;
  CFont* f = Page->Font(FontIndex);
  return f && f->GetSafeHandle() && f->GetLogFont(font) != 0;
}

void CReportOutput::SetTextColor(COLORREF color) {
  if (Kind == REPORT_OUTPUT_PAGES && PageDC) ::SetTextColor(PageDC->GetSafeHdc(), color);
}

void CReportOutput::WriteHeaderLines() {
  if (!Ok || stopped_) return;
  if (Kind == REPORT_OUTPUT_PAGES) {
    if (!Page || !Page->m_pMetaDC) return;
    const int16_t remembered = FontIndex;
    const int titleLine = PageNumberOn ? PageNumberHeader : 0;
    for (int i = 0; i < REPORT_HEADER_LINES; ++i) {
      char text[128];
      bool ends;
      HeaderText_(i, text, sizeof text, &ends);
      if (ends) break;
      if (i == titleLine) CopyText(PageTitle, sizeof PageTitle, text);
      if (PageNumberRight && PageNumberOn && i == PageNumberHeader) {
        SelectFont(kFontSmall);
        SIZE size{};
        KELT_GetTextSize(PageDC, text, &size);
        Page->XYTextOut(int16_t(32000 - size.cx), 1, text);
      } else {
        if (int16_t(HeaderFont[i]) != FontIndex) SelectFont(int16_t(HeaderFont[i]));
        Page->CLTextOut(int16_t(HeaderColumn[i]), int16_t(HeaderLine[i]), text);
      }
    }
    Line = int16_t(FirstBodyLine);
    if (remembered >= 0 && remembered != FontIndex) SelectFont(remembered);
    return;
  }
  if (Kind != REPORT_OUTPUT_TEXT || !TextFile) return;
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
  if (KeepPage) {
    PageOverflowed = 1;
    return 0;
  }
  if (g_bCancelReport) Ok = 0;
  if (stopped_ || !Page) return 0;
  const bool open = Page->m_pMetaDC != nullptr;
  bool closing = false;
  if (!Ok) {
    if (!open) {
      Page->CancelPage();
      return 0;
    }
    closing = true;
    Page->XYTextOut(1000, 31000, g_bCancelReport ? kCancelled : kTerminated);
  }
  HGLOBAL bits = Page->EndPage();
  PageDC = nullptr;
  FontIndex = -1;
  if (closing) stopped_ = true;
  if (!bits) {
    Ok = 0;
    return 0;
  }
  int stored = 0;
  if (ReportsFile) {
    const void* p = GlobalLock(bits);
    stored = p && ReportsFile->AddPageToFile(p, uint32_t(GlobalSize(bits)), 1, uint16_t(Columns), Lines, Orientation,
                                             1, 2, 32767, 32767, PageNumber, CreatedAt, PageTitle);
    GlobalUnlock(bits);
  }
  GlobalFree(bits);
  if (!stored) {
    Ok = 0;
    return 0;
  }
  ++PagesStored;
  if (closing) Ok = 0;
  return 1;
}

int CReportOutput::NewPage() {
  if (Kind != REPORT_OUTPUT_PAGES) return 1;
  if (stopped_) return 0;
  const int16_t remembered = FontIndex;
  if (!EndPage()) {
    Ok = 0;
    return 0;
  }
  if (stopped_) return 0;  // that was the report's closing page
  if (!Page->StartNewPage(0)) {
    Ok = 0;
    return 0;
  }
  PageDC = Page->m_pMetaDC;
  ++PageNumber;
  Line = 1;
  PageTitle[0] = 0;
  FontIndex = -1;
  WriteHeaderLines();
  if (remembered >= 0) SelectFont(remembered);
  return 1;
}

bool CReportOutput::Writable() {
  if (!Ok || stopped_) return false;
  if (g_bCancelReport) {
    Ok = 0;
    return false;
  }
  return Kind == REPORT_OUTPUT_TEXT && TextFile;
}

// Kind 0: a full page breaks first; true when the page can take text.
bool CReportOutput::PageWritable() {
  if (!Ok || stopped_ || Kind != REPORT_OUTPUT_PAGES || !Page) return false;
  if (g_bCancelReport) {
    Ok = 0;
    return false;
  }
  if (Line > LastLine) NewPage();
  return Ok && !stopped_ && Page->m_pMetaDC;
}

void CReportOutput::DrawAt(int16_t column, const char* text) {
  LineBuffer[sizeof LineBuffer - 1] = 0;
  Page->CLTextOut(column, Line, text);
}

void CReportOutput::EndTextLine() {
  if (!TextFile->GoToNextLine()) Ok = 0;
}

void CReportOutput::WriteLine() {
  if (Kind == REPORT_OUTPUT_PAGES) {
    LineBuffer[sizeof LineBuffer - 1] = 0;
    if (Ok && !stopped_ && Line > LastLine && Blank(LineBuffer)) return;
    if (!PageWritable()) return;
    DrawAt(int16_t(LabelColumn), LineBuffer);
    ++Line;
    return;
  }
  if (!Writable()) return;
  TextFile->AddToLine(int16_t(LabelColumn), LineBuffer);
  EndTextLine();
}

void CReportOutput::WriteValueLine() {
  if (Kind == REPORT_OUTPUT_PAGES) {
    if (!PageWritable()) return;
    DrawAt(int16_t(ValueColumn), LineBuffer);
    ++Line;
    return;
  }
  if (!Writable()) return;
  TextFile->AddToLine(int16_t(ValueColumn), LineBuffer);
}

void CReportOutput::TextAtColumn(int16_t column, const char* text) {
  if (Kind == REPORT_OUTPUT_PAGES) {
    if (PageWritable()) DrawAt(column, text);
    return;
  }
  if (!Writable()) return;
  TextFile->AddToLine(column, text);
}

void CReportOutput::TextAtLabelColumn(const char* text) { TextAtColumn(int16_t(LabelColumn), text); }

void CReportOutput::SeparatedColumn(int16_t column, const char* text, bool quoted) {
  const std::string t = text ? text : "";
  if (std::strcmp(Separator, " ") == 0) {
    const int16_t at = TextFile->AdjustColumn(column);
    if (quoted) {
      const std::string q = CAFile::QuoteText(t);
      TextFile->AddToLine(at, "\"");
      TextFile->AddToLine(int16_t(at + 1), (q.substr(1) + Separator).c_str());
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
  // A field never carries its separator bare: a number grouped with the
  // separator's character is quoted as a text is, and tabs in a
  // tab-separated field become blanks.
  if (std::strcmp(Separator, "\t") == 0) {
    for (char& c : s)
      if (c == '\t') c = ' ';
  } else if (quoted || (Separator[0] && s.find(Separator) != std::string::npos) ||
             s.find('"') != std::string::npos) {
    s = CAFile::QuoteText(s);
  }
  TextFile->AddToLine(at, (s + Separator).c_str());
}

void CReportOutput::QuotedTextAtColumn(int16_t column, const char* text) {
  if (Kind == REPORT_OUTPUT_PAGES) {
    TextAtColumn(column, text);
    return;
  }
  if (!Writable()) return;
  SeparatedColumn(column, text, true);
}

void CReportOutput::SepTextAtColumn(int16_t column, const char* text) {
  if (Kind == REPORT_OUTPUT_PAGES) {
    TextAtColumn(column, text);
    return;
  }
  if (!Writable()) return;
  SeparatedColumn(column, text, false);
}

void CReportOutput::NextLine() {
  if (!Ok || stopped_) return;
  if (Kind == REPORT_OUTPUT_PAGES) {
    ++Line;
    return;
  }
  if (Kind != REPORT_OUTPUT_TEXT || !TextFile) return;
  EndTextLine();
}
