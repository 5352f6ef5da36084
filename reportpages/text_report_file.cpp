// Text report files: a line buffer of blanks that columns are written
// into, flushed without its trailing blanks.
#include "reportpages/text_report_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "win/win_kernel.h"

CAFile::CAFile() : m_File(nullptr), m_Open(0), m_Usable(1999) {
  m_FileName[0] = 0;
  m_LineEnd[0] = 0;
  m_Separator[0] = 0;
  InitLine();
}

CAFile::~CAFile() {
  if (m_Open) CloseAFile();
}

int16_t CAFile::OpenAFile(const char* path, const char* lineEnd, int16_t create) {
  if (m_Open) CloseAFile();
  std::snprintf(m_FileName, sizeof m_FileName, "%s", path ? path : "");
  std::snprintf(m_LineEnd, sizeof m_LineEnd, "%s", lineEnd ? lineEnd : "");
  m_Usable = int16_t(1999 - std::strlen(m_LineEnd));
  const char* sep = kelt::lib::ListSeparator();
  std::snprintf(m_Separator, sizeof m_Separator, "%s", sep && sep[0] ? sep : ",");
  InitLine();
  if (!path || !path[0]) return 0;
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return 0;
  if (!create && SetFilePointer(h, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
    CloseHandle(h);
    return 0;
  }
  m_File = h;
  m_Open = 1;
  return 1;
}

void CAFile::CloseAFile() {
  if (m_File) CloseHandle(m_File);
  m_File = nullptr;
  m_Open = 0;
}

void CAFile::InitLine() {
  std::memset(m_Line, ' ', size_t(m_Usable));
  const size_t n = std::strlen(m_LineEnd);
  std::memcpy(m_Line + m_Usable, m_LineEnd, n);
  m_Line[m_Usable + n] = 0;
}

void CAFile::Put(int16_t at, const char* text) {
  if (!text || at < 0) return;
  for (int16_t p = at; *text && p < m_Usable; ++p, ++text) m_Line[p] = *text;
}

void CAFile::AddToLine(int16_t column, const char* text) { Put(column, text); }

int16_t CAFile::GoToNextLine() {
  int16_t end = m_Usable;
  while (end > 0 && m_Line[end - 1] == ' ') --end;
  std::string out(m_Line, size_t(end));
  out += m_LineEnd;
  InitLine();
  if (!m_Open) return 0;
  DWORD written = 0;
  if (!WriteFile(m_File, out.data(), DWORD(out.size()), &written, nullptr) || written != out.size()) return 0;
  return 1;
}

int16_t CAFile::AdjustColumn(int16_t column) {
  int16_t p = int16_t(m_Usable - 1);
  while (p > 0 && p >= column) {
    if (m_Line[p] != ' ') {
      p = int16_t(p + 2);
      break;
    }
    --p;
  }
  if (p > 0 && m_Line[p - 1] != ' ') p = int16_t(p + 2);
  return p;
}

int16_t CAFile::AdjustColumnNoBlanks(int16_t) {
  int16_t end = m_Usable;
  while (end > 0 && m_Line[end - 1] == ' ') --end;
  return end;
}

namespace {

std::string Trimmed(const char* text) {
  std::string s = text ? text : "";
  const size_t first = s.find_first_not_of(' ');
  s = first == std::string::npos ? std::string() : s.substr(first);
  if (s.size() > 1) s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// A quoted column doubles the quotes inside it, so the line stays one
// well-formed record whatever the text holds.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace

std::string CAFile::QuoteText(const std::string& text) { return Quoted(text); }

void CAFile::AddColumn(int16_t column, const char* text, bool quoted) {
  if (std::strcmp(m_Separator, " ") == 0) {
    const int16_t at = AdjustColumn(column);
    const std::string s = quoted ? Quoted(text ? text : "") + m_Separator : std::string(text ? text : "") + m_Separator;
    Put(at, s.c_str());
    return;
  }
  const int16_t at = AdjustColumnNoBlanks(column);
  const std::string t = Trimmed(text);
  const bool quotes = quoted && std::strcmp(m_Separator, "\t") != 0;
  const std::string s = quotes ? Quoted(t) + m_Separator : t + m_Separator;
  Put(at, s.c_str());
}

void CAFile::AddSepColumn(int16_t column, const char* text) { AddColumn(column, text, false); }
void CAFile::AddQuoteSepColumn(int16_t column, const char* text) { AddColumn(column, text, true); }
void CAFile::SetTabColumnSeparator() { std::strcpy(m_Separator, "\t"); }
void CAFile::SetSpaceColumnSeparator() { std::strcpy(m_Separator, " "); }
