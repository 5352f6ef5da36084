// Producers' texts turned into list-box lines.
#include "dialogs/text_lines.h"

#include <cstring>

#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_user.h"
#include "win/win_stdio.h"

namespace kelt::dlg {
namespace {

constexpr size_t kPiece = 99;  // characters of one list line

// A byte as the list shows it: tabs widen, other control bytes and bytes
// above 127 are dropped.
void Keep(std::string& out, unsigned char c) {
  if (c == '\t') out += "    ";
  else if (c >= 32 && c <= 127) out += static_cast<char>(c);
}

bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

void AppendMethodTextLines(std::FILE* stream, std::vector<std::string>& lines) {
  if (!stream) return;
  bool lastBlank = false;
  char piece[kPiece + 1];
  while (std::fgets(piece, sizeof piece, stream)) {
    std::string line;
    for (const char* p = piece; *p; ++p) Keep(line, static_cast<unsigned char>(*p));
    if (line.empty()) line = "  ";
    const bool blank = Blank(line);
    // Runs of blank lines show as one.
    if (blank && lastBlank && !lines.empty()) continue;
    lines.push_back(line);
    lastBlank = blank;
  }
}

bool ReadMethodTextFile(const char* path, std::vector<std::string>& lines) {
  std::FILE* f = win::crt::OpenStream(path, "rt");
  if (!f) return false;
  AppendMethodTextLines(f, lines);
  std::fclose(f);
  return true;
}

void AppendLogTextLines(std::FILE* stream, bool acquisitionFilter, std::vector<std::string>& lines) {
  if (!stream) return;
  bool inBlock = !acquisitionFilter;
  std::string line;
  bool open = false;  // a line has started
  auto finish = [&]() -> bool {
    std::string shown = line.empty() ? std::string("  ") : line;
    line.clear();
    open = false;
    if (acquisitionFilter) {
      const bool banner = shown.find("**********") != std::string::npos || shown.find("==========") != std::string::npos;
      if (!inBlock) {
        if (banner && shown.find("Acquisition Method") != std::string::npos) inBlock = true;
        else return true;
      } else if (banner && !lines.empty()) {
        return false;  // the next block begins: reading stops
      }
    }
    lines.push_back(shown);
    return true;
  };
  int c;
  size_t inPiece = 0;
  while ((c = std::fgetc(stream)) != EOF) {
    if (c == '\r' || c == '\n') {
      if (c == '\r') {
        const int next = std::fgetc(stream);
        if (next != '\n' && next != EOF) std::ungetc(next, stream);
      }
      if (!finish()) return;
      inPiece = 0;
      continue;
    }
    // A longer line goes on in the next list line.
    if (inPiece == kPiece) {
      if (!finish()) return;
      inPiece = 0;
    }
    open = true;
    ++inPiece;
    Keep(line, static_cast<unsigned char>(c));
  }
  if (open) finish();
}

bool ReadLogTextFile(const char* path, bool acquisitionFilter, std::vector<std::string>& lines) {
  std::FILE* f = win::crt::OpenStream(path, "rt");
  if (!f) return false;
  AppendLogTextLines(f, acquisitionFilter, lines);
  std::fclose(f);
  return true;
}

void SplitTextBlock(const char* text, size_t size, std::vector<std::string>& lines) {
  if (!text) return;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < size; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c == '\r' || c == '\n') && i + 1 < size) {
      const unsigned char d = static_cast<unsigned char>(text[i + 1]);
      if ((c == '\r' && d == '\n') || (c == '\n' && d == '\r')) {
        lines.push_back(line.empty() ? std::string("  ") : line);
        line.clear();
        open = false;
        ++i;
        continue;
      }
    }
    open = true;
    Keep(line, c);
  }
  if (open) lines.push_back(line.empty() ? std::string("  ") : line);
}

void SetListFont(HWND list, HFONT font) {
  if (!list || !font) return;
  int height = 0;
  if (HDC dc = GetDC(list)) {
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc, &tm)) height = tm.tmHeight + tm.tmExternalLeading;
    SelectObject(dc, old);
    ReleaseDC(list, dc);
  }
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (height > 0) SendMessageA(list, LB_SETITEMHEIGHT, 0, height);
}

std::string TemporaryTextFile(const char* prefix) {
  char folder[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) return {};
  char name[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder, prefix, 0, name)) return {};
  return name;
}

}  // namespace kelt::dlg
