// The library-comparison link: the exchange file of a handed-over spectrum.
#include "comparison_link.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "win/win_kernel.h"

namespace {

std::string EntryText(const MSP_SPECTRUM& s, int32_t flag) {
  std::string text;
  char line[400];
  std::snprintf(line, sizeof line, "Name: %.*s\r\n", MSP_NAME_SIZE - 1, s.name[0] ? s.name : "Unknown");
  text += line;
  if (s.formula[0]) {
    std::snprintf(line, sizeof line, "Formula: %.*s\r\n", MSP_FORMULA_SIZE - 1, s.formula);
    text += line;
  }
  if (s.molecularWeight > 0) {
    std::snprintf(line, sizeof line, "MW: %d\r\n", int(s.molecularWeight));
    text += line;
  }
  std::snprintf(line, sizeof line, "Comments: %s\r\n", flag ? "search" : "compare");
  text += line;
  std::snprintf(line, sizeof line, "Num Peaks: %d\r\n", int(s.peakCount));
  text += line;
  for (int i = 0; i < s.peakCount; ++i) {
    std::snprintf(line, sizeof line, "%.4f %.0f;\r\n", double(s.masses[i]), double(s.intensities[i]));
    text += line;
  }
  return text + "\r\n";
}

}  // namespace

COMPARISON_LINK* CreateComparisonLink() { return new (std::nothrow) COMPARISON_LINK{}; }

void FreeComparisonLink(COMPARISON_LINK* link) { delete link; }

BOOL SubmitComparisonSpectrum(COMPARISON_LINK* link, const MSP_SPECTRUM* spectrum, int32_t flag) {
  if (!link || !spectrum || spectrum->peakCount <= 0 || spectrum->peakCount > MSP_MOST_PEAKS) return FALSE;
  char folder[MAX_PATH] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder - sizeof COMPARISON_EXCHANGE_FILE - 8) return FALSE;
  char target[MAX_PATH], partial[MAX_PATH];
  std::snprintf(target, sizeof target, "%s%s", folder, COMPARISON_EXCHANGE_FILE);
  std::snprintf(partial, sizeof partial, "%s%s.new", folder, COMPARISON_EXCHANGE_FILE);
  const std::string text = EntryText(*spectrum, flag);
  // Written beside the exchange file, then put in its place.
  HANDLE h = CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  const BOOL wrote = WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(h);
  if (!wrote || written != text.size() || !MoveFileExA(partial, target, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(partial);
    return FALSE;
  }
  ++link->sent;
  link->lastFlag = flag;
  std::snprintf(link->lastFile, sizeof link->lastFile, "%s", target);
  return TRUE;
}
