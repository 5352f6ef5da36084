// Printing a plain text and asking where to save a file.
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32_documents.h"
#include "orvik32_printing.h"
#include "win/win_commdlg.h"
#include "win/win_gdi.h"

namespace {

std::vector<std::string> Lines(const char* text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char* p = text;; ++p) {
    if (*p == '\r' && p[1] == '\n') continue;
    if (*p == '\n' || *p == '\r' || *p == 0) {
      lines.push_back(line);
      line.clear();
      if (*p == 0) break;
    } else if (*p == '\t') {
      line.append(8 - line.size() % 8, ' ');
    } else {
      line += *p;
    }
  }
  return lines;
}

// Breaks a line into pieces of at most width characters.
void Wrap(const std::string& line, size_t width, std::vector<std::string>* out) {
  if (line.size() <= width) {
    out->push_back(line);
    return;
  }
  for (size_t at = 0; at < line.size(); at += width) out->push_back(line.substr(at, width));
}

}  // namespace

BOOL SaveFileAsDialog(HWND owner, const char* title, const char* suggested, char* buffer) {
  if (!buffer) return FALSE;
  char file[MAX_PATH] = "";
  std::snprintf(file, sizeof file, "%s", suggested ? suggested : "");
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameA(&ofn)) return FALSE;
  std::snprintf(buffer, MAX_PATH, "%s", file);
  return TRUE;
}

BOOL PrintTextDocument(const char* text, const char* title, HWND owner) {
  (void)owner;
  if (!text) return FALSE;
  HDC dc = StartPrintJob(0, title ? title : "", nullptr);
  if (!dc) return FALSE;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  const int pageWidth = GetDeviceCaps(dc, HORZRES);
  const int pageHeight = GetDeviceCaps(dc, VERTRES);
  const int margin = dpi * 3 / 4;
  HFONT font = CreateFontA(-(10 * dpi / 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                           FIXED_PITCH | FF_MODERN, "Courier New");
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const int lineHeight = tm.tmHeight + tm.tmExternalLeading > 0 ? tm.tmHeight + tm.tmExternalLeading : dpi / 6;
  const int charWidth = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : dpi / 12;
  const size_t width = size_t(std::max(20, (pageWidth - 2 * margin) / charWidth));
  std::vector<std::string> printed;
  for (const auto& line : Lines(text)) Wrap(line, width, &printed);
  const int perPage = std::max(1, (pageHeight - 2 * margin) / lineHeight - 2);
  bool ok = true;
  int page = 0;
  for (size_t at = 0; ok && (at < printed.size() || page == 0); at += size_t(perPage)) {
    ++page;
    ok = StartPage(dc) > 0;
    if (!ok) break;
    char head[400];
    std::snprintf(head, sizeof head, "%s  -  Page %d", title ? title : "", page);
    TextOutA(dc, margin, margin, head, int(std::strlen(head)));
    for (int i = 0; i < perPage && at + size_t(i) < printed.size(); ++i) {
      const std::string& line = printed[at + size_t(i)];
      TextOutA(dc, margin, margin + (i + 2) * lineHeight, line.c_str(), int(line.size()));
    }
    ok = EndPage(dc) > 0;
  }
  SelectObject(dc, old);
  DeleteObject(font);
  ok = EndDoc(dc) > 0 && ok;
  EndPrintJob(dc);
  return ok ? TRUE : FALSE;
}
