// Module method and version-history texts written into a caller's C stream.
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "orvik32.h"
#include "win/win_crt.h"
#include "win/win_stdio.h"

namespace {

struct MethodTextRequest {
  char section[260];
};

bool ReadText(const char* path, const char* name, std::string& text) {
  text.clear();
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return false;
  const uint32_t size = GetSectionSize(s);
  text.resize(size);
  const bool ok = ReadSection(s, text.data(), size) == size;
  CloseSection(s);
  return ok;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else if (static_cast<unsigned char>(c) >= 0x20) {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void PutLine(FILE* f, const std::string& line) {
  std::fputs(line.c_str(), f);
  std::fputs("\r\n", f);
}

}  // namespace

HGLOBAL NewMethodTextRequest(int32_t) { return GlobalAlloc(GHND, sizeof(MethodTextRequest)); }

BOOL SetMethodTextSection(HGLOBAL request, const char* sectionName) {
  if (!request || !sectionName) return FALSE;
  auto* r = static_cast<MethodTextRequest*>(GlobalLock(request));
  if (!r) return FALSE;
  std::snprintf(r->section, sizeof r->section, "%s", sectionName);
  GlobalUnlock(request);
  return TRUE;
}

BOOL WriteMethodText(int32_t, FILE* stream, const char* path, const void* lockedRequest) {
  if (!stream || !path || !lockedRequest) return FALSE;
  const auto* r = static_cast<const MethodTextRequest*>(lockedRequest);
  const std::string section(r->section, strnlen(r->section, sizeof r->section));
  std::string text;
  if (section.empty() || !ReadText(path, section.c_str(), text)) return FALSE;
  std::vector<std::string> lines = Lines(text);
  if (lines.empty()) return FALSE;
  PutLine(stream, "Instrument Method (" + section + ")");
  // "name=value" lines as "  name: value".
  for (const std::string& l : lines) {
    size_t eq = l.find('=');
    PutLine(stream, eq == std::string::npos ? "  " + l : "  " + l.substr(0, eq) + ": " + l.substr(eq + 1));
  }
  return TRUE;
}

BOOL WriteVersionLogText(FILE* stream, const char* path, const char* file) {
  if (!stream || !path) return FALSE;
  std::string text;
  if (!ReadText(path, "VersionLog", text)) return FALSE;
  std::vector<std::string> lines = Lines(text);
  if (lines.empty()) return FALSE;
  PutLine(stream, std::string("Version history of ") + (file && *file ? file : path));
  for (const std::string& l : lines) {
    size_t a = l.find('|');
    size_t b = a == std::string::npos ? a : l.find('|', a + 1);
    if (b == std::string::npos) {
      PutLine(stream, "  " + l);
      continue;
    }
    std::tm tm{};
    char when[32] = "";
    if (win::crt::LocalTime32(time32_t(std::atol(l.substr(0, a).c_str())), &tm))
      std::strftime(when, sizeof when, "%m/%d/%Y %H:%M:%S", &tm);
    PutLine(stream, win::crt::FormatString("  %-20s%-16s%s", when, l.substr(a + 1, b - a - 1).c_str(),
                                           l.substr(b + 1).c_str()));
  }
  return TRUE;
}

BOOL AddVersionLogEntry(const char* path, int32_t time, const char* user, const char* text) {
  if (!path || !user || !text) return FALSE;
  std::string log;
  if (SectionExists(path, "VersionLog") && !ReadText(path, "VersionLog", log)) return FALSE;
  log += win::crt::FormatString("%ld|%s|%s\n", time, user, text);
  HSECTION s = CreateSection(path, "VersionLog", nullptr);
  if (!s) return FALSE;
  const bool ok = WriteSection(s, log.data(), uint32_t(log.size())) == log.size();
  return CloseSection(s) && ok;
}
