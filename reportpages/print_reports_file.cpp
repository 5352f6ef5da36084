// Printing a range of a reports file: runs of pages of one orientation as
// one document each, pages fitted inside the preferences' margins, metafile
// pages played record by record with the colours turned for the printer,
// text pages laid out whole, a print-date line on each page, progress sent
// to a status window, and a stop on abort.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/print_colours.h"
#include "reportpages/report_status_dialog.h"
#include "win/win_metafile.h"
#include "win/win_user.h"

namespace kelt::pages {

COLORREF PrintColour(COLORREF c, int mode, int deviceColours) {
  if (mode == 4) return c;
  const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255), yellow = RGB(255, 255, 0);
  COLORREF out = c;
  if (deviceColours >= 0 && deviceColours <= 7) {
    out = black;
  } else if (mode == 0) {
    out = black;
  } else if (mode == 1) {
    if (c == white) out = black;
  } else if (mode == 2) {
    if (c == white || c == yellow) out = black;
  }
  if (out != c || deviceColours < 0 || deviceColours > 15) return out;
  struct Pair {
    COLORREF from, to;
  } const pairs[] = {
      {RGB(192, 192, 192), black}, {RGB(128, 128, 128), black},      {RGB(128, 0, 0), RGB(255, 0, 0)},
      {RGB(0, 128, 0), RGB(0, 255, 0)}, {RGB(128, 128, 0), yellow},   {RGB(0, 0, 128), RGB(0, 0, 255)},
      {RGB(128, 0, 128), RGB(255, 0, 255)}, {RGB(0, 128, 128), RGB(0, 255, 255)},
  };
  for (const Pair& p : pairs)
    if (c == p.from) return p.to;
  return c;
}

bool PrintsLandscape(uint16_t orientation, int16_t override) {
  if (orientation == 1) return true;
  if (orientation == 0) return false;
  if (override) return override == 2;
  return orientation == 3;
}

}  // namespace kelt::pages

namespace {

using kelt::pages::PrintColour;

struct Job {
  HWND status = nullptr;
  UINT message = 0;
  int16_t selector = 0;
  const STRUCT_REPORT_PREFS* prefs = nullptr;
  CRptsFileHandler* file = nullptr;
  HDC dc = nullptr;
  bool colourCapable = false;
  int deviceColours = -1;
  int resX = 0, resY = 0;
  int width = 0, height = 0;
  int left = 0, right = 0, top = 0, bottom = 0;
  int32_t total = 0, done = 0;
  bool dateOff = false;
};

// The date and time of now, as the user's settings write them.
std::string NowText() {
  const time32_t now = time32_t(GetCurrentDateTime());
  char date[64] = {}, time[64] = {};
  KELT_FormatDateTimeFromLong(&now, date, time);
  return std::string(date) + " " + time;
}

void Margins(Job& j) {
  const STRUCT_SPOOLER& s = j.prefs->spooler;
  j.left = s.marginLeft * j.resX / 100;
  j.right = s.marginRight * j.resX / 100;
  j.top = s.marginTop * j.resY / 100;
  j.bottom = s.marginBottom * j.resY / 100;
  j.width = j.resX - j.left - j.right;
  j.height = j.resY - j.top - j.bottom;
}

struct Playback {
  int mode;
  int deviceColours;
  int width, height;
};

int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* r, int objects, LPARAM data) {
  const auto* p = reinterpret_cast<const Playback*>(data);
  auto play = [&](const void* record) {
    PlayEnhMetaFileRecord(dc, table, static_cast<const ENHMETARECORD*>(record), UINT(objects));
    return 1;
  };
  switch (r->iType) {
    case EMR_SETBKCOLOR: return 1;
    case EMR_SETWINDOWEXTEX: {
      if (r->nSize < sizeof(EMRSETEXTEX)) return 1;
      EMRSETEXTEX e;
      std::memcpy(&e, r, sizeof e);
      e.szlExtent = {p->width, p->height};
      return play(&e);
    }
    case EMR_SETWINDOWORGEX: {
      if (r->nSize < sizeof(EMRSETORGEX)) return 1;
      EMRSETORGEX e;
      std::memcpy(&e, r, sizeof e);
      e.ptlOrigin = {0, 0};
      return play(&e);
    }
    case EMR_CREATEPEN: {
      if (r->nSize < sizeof(EMRCREATEPEN)) return 1;
      EMRCREATEPEN e;
      std::memcpy(&e, r, sizeof e);
      e.lopn.lopnColor = PrintColour(e.lopn.lopnColor, p->mode, p->deviceColours);
      return play(&e);
    }
    case EMR_CREATEBRUSHINDIRECT: {
      if (r->nSize < sizeof(EMRCREATEBRUSHINDIRECT)) return 1;
      EMRCREATEBRUSHINDIRECT e;
      std::memcpy(&e, r, sizeof e);
      e.lb.lbColor = PrintColour(e.lb.lbColor, p->mode, p->deviceColours);
      return play(&e);
    }
    case EMR_SETTEXTCOLOR: {
      if (r->nSize < sizeof(EMRSETCOLOR)) return 1;
      EMRSETCOLOR e;
      std::memcpy(&e, r, sizeof e);
      e.crColor = PrintColour(e.crColor, p->mode, p->deviceColours);
      return play(&e);
    }
    case EMR_SETPIXELV: {
      if (r->nSize < sizeof(EMRSETPIXELV)) return 1;
      EMRSETPIXELV e;
      std::memcpy(&e, r, sizeof e);
      e.crColor = PrintColour(e.crColor, p->mode, p->deviceColours);
      return play(&e);
    }
    default: return play(r);
  }
}

bool PrintMetafilePage(Job& j, const RptsPageRecord& r, const void* bits, uint32_t size) {
  const int lw = r.logicalWidth ? r.logicalWidth : 32767;
  const int lh = r.logicalHeight ? r.logicalHeight : 32767;
  HDC dc = j.dc;
  SetGraphicsMode(dc, GM_COMPATIBLE);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetViewportOrgEx(dc, j.left, j.top, nullptr);
  SetViewportExtEx(dc, j.width, j.height, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, lw, lh, nullptr);
  HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
  if (!emf) return false;
  // The page's own record, read here, is not normalised as the slot range is.
  int mode = r.colorMode > 4 ? 2 : r.colorMode;
  if (mode != 4 && (!j.colourCapable || !j.prefs->spooler.colorPrinting)) mode = 0;
  // A page without a grid takes the font of a 60-line page.
  const int lines = r.lines ? r.lines : 60;
  int fontHeight = lh / lines;
  if (fontHeight > 520) fontHeight = 520;
  HFONT font = CreateFontA(fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  if (!j.dateOff) {
    SIZE m{};
    GetTextExtentPoint32A(dc, "M", 1, &m);
    const std::string text = "Print Date:  " + NowText();
    TextOutA(dc, m.cx, m.cy / 8, text.c_str(), int(text.size()));
  }
  Playback p{mode, j.deviceColours, lw, lh};
  const RECT area{0, 0, lw, lh};
  const BOOL played = EnumEnhMetaFile(dc, emf, PlayRecord, &p, &area);
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
  DeleteEnhMetaFile(emf);
  return played != 0;
}

HFONT TextFont(const Job& j, int height) {
  LOGFONTA lf = j.prefs->fonts.variableFont;
  lf.lfHeight = height;
  lf.lfWidth = 0;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return CreateFontIndirectA(&lf);
}

// Device units inside the margins: the mapping of the text pages.
void TextMapping(HDC dc) {
  SetMapMode(dc, MM_TEXT);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetBkMode(dc, TRANSPARENT);
}

bool NumbersOnly(const std::string& line) {
  if (line.find_first_not_of('-') == std::string::npos) return false;
  for (char c : line)
    if (((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && c != 'E' && c != 'e') return false;
  return true;
}

void DrawInCells(HDC dc, int x, int y, const std::string& text, int cell) {
  for (size_t i = 0; i < text.size(); ++i) TextOutA(dc, x + int(i) * cell, y, &text[i], 1);
}

// Draws a line that would run past `room` in a copy of the current font
// made smaller by the excess, so that it ends within the page.
void DrawShrunk(HDC dc, int x, int y, const std::string& text, int width, int room, bool cells, int cell) {
  LOGFONTA lf{};
  HGDIOBJ current = GetCurrentObject(dc, OBJ_FONT);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  if (!current || !GetObjectA(current, sizeof lf, &lf)) return DrawInCells(dc, x, y, text, room / int(text.size()));
  lf.lfHeight = (lf.lfHeight ? lf.lfHeight : tm.tmHeight) * room / width;
  lf.lfWidth = 0;
  HFONT small = CreateFontIndirectA(&lf);
  if (!small) return DrawInCells(dc, x, y, text, room / int(text.size()));
  HGDIOBJ old = SelectObject(dc, small);
  if (cells) DrawInCells(dc, x, y, text, cell * room / width);
  else TextOutA(dc, x, y, text.c_str(), int(text.size()));
  SelectObject(dc, old);
  DeleteObject(small);
}

void DrawFitted(HDC dc, int x, int y, const std::string& text, int room, bool cells, int cell) {
  if (text.empty()) return;
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
  const int width = cells ? cell * int(text.size()) : size.cx;
  if (room > 0 && width > room) DrawShrunk(dc, x, y, text, width, room, cells, cell);
  else if (cells) DrawInCells(dc, x, y, text, cell);
  else TextOutA(dc, x, y, text.c_str(), int(text.size()));
}

bool PrintTextPage(Job& j, const RptsPageRecord& r, const char* text, uint32_t size) {
  const int columns = r.columns ? r.columns : 80;
  // Lines end at CR LF or at the grid's width; control bytes after a line
  // end are skipped; a last line without CR LF is printed too.
  std::vector<std::string> lines;
  std::string line;
  bool lineOpen = false;
  for (uint32_t i = 0; i < size; ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < size && text[i + 1] == '\n') {
      lines.push_back(line);
      line.clear();
      lineOpen = false;
      ++i;
      while (i + 1 < size && uint8_t(text[i + 1]) < 0x20 && text[i + 1] != '\r') ++i;
      continue;
    }
    line += c;
    lineOpen = true;
    if (int(line.size()) >= columns + 3) {
      lines.push_back(line);
      line.clear();
      lineOpen = false;
    }
  }
  if (lineOpen) lines.push_back(line);
  // A page holding more lines than its grid is fitted, not cut.
  int gridLines = r.lines ? r.lines : 66;
  if (int(lines.size()) > gridLines) gridLines = int(lines.size());

  HDC dc = j.dc;
  TextMapping(dc);
  int height = j.height / (gridLines + 4);
  const int byWidth = j.width / (columns + 4) * 3 / 2;
  if (byWidth < height) height = byWidth;
  HFONT font = TextFont(j, height);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  INT w0 = 0, w1 = 0;
  if (font) {
    GetCharWidth32A(dc, '0', '0', &w0);
    GetCharWidth32A(dc, '1', '1', &w1);
    if (w0 != w1) {
      SelectObject(dc, old);
      DeleteObject(font);
      font = nullptr;
      old = nullptr;
    }
  }
  SIZE zero{};
  GetTextExtentPoint32A(dc, "0", 1, &zero);
  const int cell = zero.cx;
  // The page's grid of columns, centred; a line wider than the room left
  // is drawn in narrower cells so that it stays on the page.
  int x0 = j.left + (j.width - cell * columns) / 2;
  if (x0 < j.left) x0 = j.left;
  const int room = j.left + j.width - x0;
  const int step = j.height / (gridLines + 1);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int y = j.top + int(i) * step;
    DrawFitted(dc, x0, y, lines[i], room, NumbersOnly(lines[i]), cell);
  }
  char user[AUDIT_USER_NAME_SIZE] = {};
  const bool named = GetCurrentUserName(user) && user[0] && std::strlen(user) <= 22;
  const std::string stamp = "Print Date:  " + NowText() + (named ? std::string("  By:  ") + user : "");
  DrawFitted(dc, x0, j.resY - j.bottom - zero.cy, stamp, room, false, cell);
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
  return true;
}

bool PrintEntryPage(Job& j, const RptsPageRecord& r, const uint8_t* bytes, uint32_t size) {
  const int columns = r.columns ? r.columns : 80;
  const int lines = r.lines ? r.lines : 66;
  HDC dc = j.dc;
  TextMapping(dc);
  HFONT font = TextFont(j, j.height / (lines + 4));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const int rowStep = j.height / (lines + 1);
  const int colStep = j.width / columns;
  for (uint32_t i = 0; i + 3 <= size && bytes[i] != 0xFF;) {
    const int column = bytes[i], line = bytes[i + 1], attribute = bytes[i + 2];
    uint32_t end = i + 3;
    while (end < size && bytes[end]) ++end;
    std::string text(reinterpret_cast<const char*>(bytes + i + 3), end - (i + 3));
    i = end + 1;
    if (line >= lines || column >= columns || text.empty()) continue;
    if (int(text.size()) > columns - column) text.resize(size_t(columns - column));
    const int x = j.left + column * colStep, y = j.top + line * rowStep;
    DrawFitted(dc, x, y, text, j.left + j.width - x, attribute == 64 || (columns > 80 && !font), colStep);
  }
  SIZE m{};
  GetTextExtentPoint32A(dc, "M", 1, &m);
  const std::string stamp = "Print Date:  " + NowText();
  DrawFitted(dc, j.left, j.resY - j.bottom - m.cy, stamp, j.width, false, 0);
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
  return true;
}

bool PrintRun(Job& j, int32_t first, int32_t last, bool landscape) {
  char title[64];
  std::snprintf(title, sizeof title, "Page %ld to Page %ld", long(first) + 1, long(last) + 1);
  j.dc = landscape ? StartPrintJobLandscape(j.selector, title, KELT_AbortPrintReportsStatus)
                   : StartPrintJob(j.selector, title, KELT_AbortPrintReportsStatus);
  if (!j.dc) return false;
  j.resX = GetDeviceCaps(j.dc, HORZRES);
  j.resY = GetDeviceCaps(j.dc, VERTRES);
  j.deviceColours = GetDeviceCaps(j.dc, NUMCOLORS);
  j.colourCapable = j.deviceColours == -1 || j.deviceColours >= 3;
  Margins(j);
  bool ok = true;
  for (int32_t i = first; ok && i <= last; ++i) {
    RptsPageRecord r{};
    uint32_t size = 0;
    void* content = j.file->GetPage(i, &r, &size);
    if (!content) {
      ok = false;
      break;
    }
    Margins(j);
    if (StartPage(j.dc) <= 0) {
      FreeBlock(content);
      ok = false;
      break;
    }
    SaveDC(j.dc);
    switch (r.kind) {
      case 1: ok = PrintMetafilePage(j, r, content, size); break;
      case 0: ok = PrintTextPage(j, r, static_cast<const char*>(content), size); break;
      case 2: ok = PrintEntryPage(j, r, static_cast<const uint8_t*>(content), size); break;
      default: ok = false; break;
    }
    RestoreDC(j.dc, -1);
    FreeBlock(content);
    if (EndPage(j.dc) <= 0) ok = false;
    if (!ok) break;
    ++j.done;
    if (j.status && j.message) SendMessageA(j.status, j.message, WPARAM(j.done), LPARAM(j.total));
    if (g_nPrintAbortCode) ok = false;
  }
  if (EndDoc(j.dc) <= 0) ok = false;
  EndPrintJob(j.dc);
  j.dc = nullptr;
  return ok;
}

}  // namespace

int MSR_PrintFile(HWND status, UINT message, int16_t selector, const char* path, int32_t first, int32_t last,
                  STRUCT_REPORT_PREFS* prefs) {
  try {
    CRptsFileHandler file(path, nullptr);
    if (!file.IsOpen() || first < 0 || first > last) return 0;
    STRUCT_REPORT_PREFS defaults{};
    KELT_GetCurrDefReportPrefs(&defaults);
    Job j;
    j.status = status;
    j.message = message;
    j.selector = selector;
    j.prefs = prefs ? prefs : &defaults;
    j.file = &file;
    j.total = last + 1 - first;
    j.dateOff = defaults.misc.flag > 0;
    // Once per print: an abort that comes between two runs still stops it.
    g_nPrintAbortCode = 0;
    const int16_t override = j.prefs->spooler.orientation;
    for (int32_t next = first; next <= last;) {
      if (g_nPrintAbortCode) return 0;
      RptsPageRecord* records = file.GetSlotRange(next, last);
      if (!records) return 0;
      const bool landscape = kelt::pages::PrintsLandscape(records[0].orientation, override);
      int32_t end = next;
      while (end < last && kelt::pages::PrintsLandscape(records[end + 1 - next].orientation, override) == landscape)
        ++end;
      FreeBlock(records);
      if (!PrintRun(j, next, end, landscape)) return 0;
      next = end + 1;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}
