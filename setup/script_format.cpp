#include "script_format.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "win/win_profile.h"

namespace setup {

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
  if (part.empty()) return true;
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
  return it != text.end();
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsNone(const std::string& value) { return EqualsNoCase(value, kNone); }

std::string ReadScriptValue(const std::string& script, const std::string& section, const std::string& key,
                            size_t maxLength) {
  std::vector<char> buf(maxLength + 1, 0);
  GetPrivateProfileStringA(section.c_str(), key.c_str(), kNone, buf.data(), static_cast<DWORD>(buf.size()),
                           script.c_str());
  return std::string(buf.data());
}

std::string ReadScriptText(const std::string& script, const std::string& section, const std::string& key,
                           const std::string& def, size_t maxLength) {
  std::string v = ReadScriptValue(script, section, key, maxLength);
  return IsNone(v) ? def : v;
}

int ReadScriptInt(const std::string& script, const std::string& section, const std::string& key, int def) {
  return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), def, script.c_str()));
}

std::vector<std::string> ReadScriptSection(const std::string& script, const std::string& section, size_t maxSize) {
  std::vector<char> buf(maxSize + 1, 0);
  const DWORD n = GetPrivateProfileSectionA(section.c_str(), buf.data(), static_cast<DWORD>(buf.size()),
                                            script.c_str());
  std::vector<std::string> lines;
  for (DWORD i = 0; i < n && i < buf.size() && buf[i];) {
    std::string line(&buf[i]);
    i += static_cast<DWORD>(line.size()) + 1;
    lines.push_back(std::move(line));
  }
  return lines;
}

bool GetField(const std::string& value, int n, std::string* field) {
  if (n < 1 || n > 9999 || value.empty()) return false;
  size_t pos = 0;
  for (int skip = 1; skip < n; ++skip) {
    const size_t comma = value.find(',', pos);
    if (comma == std::string::npos) return false;
    pos = comma + 1;
  }
  while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
  const size_t end = value.find(',', pos);
  if (field) *field = value.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  return true;
}

std::vector<std::string> ReadNumberedValues(const std::string& script, const std::string& section,
                                            const std::string& prefix, size_t maxLength) {
  std::vector<std::string> values;
  for (int i = 1;; ++i) {
    std::string v = ReadScriptValue(script, section, prefix + std::to_string(i), maxLength);
    if (IsNone(v)) break;
    values.push_back(std::move(v));
  }
  return values;
}

bool ComponentSectionName(const std::string& line, std::string* name) {
  name->clear();
  if (!line.empty() && line[0] == ';') return true;
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *name = line.substr(eq + 1);
  return true;
}

int ParseDestKeyword(const std::string& word) {
  static const char* const kWords[] = {"DEST", "WINDOWS", "SYSTEM", "ALTERNATE1", "ALTERNATE2", "BROWSE", "AS_IS"};
  for (int i = 0; i < 7; ++i)
    if (EqualsNoCase(word, kWords[i])) return i;
  return -1;
}

int ParseFileMode(const std::string& word) {
  static const char* const kWords[] = {"UPDATE", "NEVER", "ALWAYS", "REMOVE"};
  for (int i = 0; i < 4; ++i)
    if (EqualsNoCase(word, kWords[i])) return i;
  return -1;
}

std::string WithoutQuotes(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '"') out += c;
  return out;
}

}  // namespace setup
