// Search-group handles and the check of spectrum-list (MSP) files.
#include "fandor/search_groups.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "win/win_stdio.h"

namespace {

enum class GroupKind : uint8_t { A, B };

std::mutex g_groupsLock;
std::map<uint32_t, GroupKind> g_groups;
uint32_t g_nextHandle = 1;

uint32_t CreateGroup(GroupKind kind) {
  std::lock_guard<std::mutex> lock(g_groupsLock);
  // Skip 0 and handles still in use when the counter wraps.
  while (g_nextHandle == 0 || g_groups.count(g_nextHandle)) ++g_nextHandle;
  const uint32_t handle = g_nextHandle++;
  g_groups.emplace(handle, kind);
  return handle;
}

BOOL ReleaseGroup(uint32_t handle, GroupKind kind) {
  std::lock_guard<std::mutex> lock(g_groupsLock);
  auto it = g_groups.find(handle);
  if (it == g_groups.end() || it->second != kind) return FALSE;
  g_groups.erase(it);
  return TRUE;
}

// ---- MSP check ----------------------------------------------------------------

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Splits "Key: value"; false when the line has no colon or an empty key.
bool SplitKey(const std::string& line, std::string* key, std::string* value) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return false;
  *key = Lower(Trim(line.substr(0, colon)));
  *value = Trim(line.substr(colon + 1));
  return !key->empty();
}

bool IsSeparator(char c) {
  return std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == ',' || c == ':' || c == '(' || c == ')' ||
         c == '[' || c == ']';
}

// Adds the numbers of one peak line to *numbers; false on anything that is
// neither a number, a separator nor a quoted annotation after an intensity.
bool ReadPeakLine(const std::string& line, uint64_t* numbers) {
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (IsSeparator(c)) {
      ++i;
      continue;
    }
    if (c == '"') {
      if (*numbers % 2 != 0) return false;  // an annotation belongs after a whole pair
      const size_t close = line.find('"', i + 1);
      if (close == std::string::npos) return false;
      i = close + 1;
      continue;
    }
    const char* start = line.c_str() + i;
    char* end = nullptr;
    const double v = std::strtod(start, &end);
    if (end == start || !std::isfinite(v)) return false;
    const size_t len = static_cast<size_t>(end - start);
    if (i + len < line.size() && !IsSeparator(line[i + len]) && line[i + len] != '"') return false;
    const bool isMass = *numbers % 2 == 0;
    if (isMass ? v <= 0 : v < 0) return false;
    ++*numbers;
    i += len;
  }
  return true;
}

// Longer lines are no list's: a large binary file is not read into memory whole.
constexpr size_t kMaxLine = 64 * 1024;

// 1 a line, 0 the end of the file, -1 bytes no list file holds.
int ReadLine(FILE* f, std::string* line) {
  line->clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (c == 0 || line->size() >= kMaxLine) return -1;
    line->push_back(static_cast<char>(c));
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any ? 1 : 0;
}

class MspChecker {
 public:
  // Feeds one line; false as soon as the text cannot be an MSP file.
  bool Line(std::string text) {
    if (first_) {
      first_ = false;
      if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    }
    const std::string line = Trim(text);
    switch (state_) {
      case State::Between:
        if (line.empty()) return true;
        return StartEntry(line);
      case State::Header: {
        std::string key, value;
        if (line.empty() || !SplitKey(line, &key, &value) || key == "name") return false;
        if (key != "num peaks") return true;
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != 0 || n < 0) return false;
        wanted_ = static_cast<uint64_t>(n) * 2;
        seen_ = 0;
        state_ = wanted_ == 0 ? State::AfterPeaks : State::Peaks;
        if (wanted_ == 0) ++entries_;
        return true;
      }
      case State::Peaks:
        if (line.empty() || !ReadPeakLine(line, &seen_) || seen_ > wanted_) return false;
        if (seen_ == wanted_) {
          state_ = State::AfterPeaks;
          ++entries_;
        }
        return true;
      case State::AfterPeaks:
        if (line.empty()) {
          state_ = State::Between;
          return true;
        }
        return StartEntry(line);
    }
    return false;
  }
  bool Finish() const { return entries_ > 0 && (state_ == State::Between || state_ == State::AfterPeaks); }

 private:
  enum class State { Between, Header, Peaks, AfterPeaks };
  bool StartEntry(const std::string& line) {
    std::string key, value;
    if (!SplitKey(line, &key, &value) || key != "name" || value.empty()) return false;
    state_ = State::Header;
    return true;
  }
  State state_ = State::Between;
  bool first_ = true;
  uint64_t wanted_ = 0, seen_ = 0, entries_ = 0;
};

}  // namespace

uint32_t CreateSearchGroupHandleA() { return CreateGroup(GroupKind::A); }
uint32_t CreateSearchGroupHandleB() { return CreateGroup(GroupKind::B); }
BOOL ReleaseSearchGroupHandleA(uint32_t handle) { return ReleaseGroup(handle, GroupKind::A); }
BOOL ReleaseSearchGroupHandleB(uint32_t handle) { return ReleaseGroup(handle, GroupKind::B); }

BOOL CheckMSPFile(const char* path) {
  if (!path || !*path) return FALSE;
  try {
    FILE* f = win::crt::OpenStream(path, "rb");
    if (!f) return FALSE;
    MspChecker checker;
    std::string line;
    bool ok = true;
    int got;
    while (ok && (got = ReadLine(f, &line)) != 0) ok = got > 0 && checker.Line(line);
    // A read error ends the loop like the end of the file; it must not pass.
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok && checker.Finish() ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}
