// Spectrum-list file kinds told from their first entries.
#include "list_file_checks.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "win/win_stdio.h"

namespace {

struct ListShape {
  bool named = false;    // a "Name:" line
  bool peaks = false;    // a "Num Peaks:" line
  bool grouped = false;  // a peak line with "(" groups
};

bool StartsNoCase(const std::string& line, const char* word) {
  size_t i = 0;
  for (; word[i]; ++i)
    if (i >= line.size() || std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(word[i])))
      return false;
  return true;
}

// Looks at the start of the file only: a list's first entries tell its form.
bool Shape(const char* path, ListShape& shape) {
  std::FILE* f = path ? win::crt::OpenStream(path, "rb") : nullptr;
  if (!f) return false;
  char buffer[512];
  bool inPeaks = false;
  for (int n = 0; n < 2000 && std::fgets(buffer, sizeof buffer, f); ++n) {
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
      inPeaks = false;
      continue;
    }
    line = line.substr(start);
    if (StartsNoCase(line, "Name:")) {
      shape.named = true;
      inPeaks = false;
    } else if (StartsNoCase(line, "Num Peaks:")) {
      shape.peaks = true;
      inPeaks = true;
    } else if (inPeaks && line.find('(') != std::string::npos) {
      shape.grouped = true;
    }
    if (shape.named && shape.peaks && n > 200) break;
  }
  std::fclose(f);
  return true;
}

}  // namespace

BOOL CheckSpectrumListFile(const char* path) {
  ListShape s;
  return Shape(path, s) && s.named && s.peaks ? TRUE : FALSE;
}

BOOL CheckMSPFormat(const char* path) {
  ListShape s;
  return Shape(path, s) && s.named && s.peaks && !s.grouped ? TRUE : FALSE;
}
