// Spectrum list files written entry by entry.
#include "fandor/spectrum_list_files.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "fandor/list_file_checks.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"

namespace {

// A text field as one line: line breaks become blanks, the end is trimmed.
std::string OneLine(const char* text, size_t size) {
  std::string s(text, strnlen(text, size));
  for (char& c : s)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string Mass(double m) {
  char text[40];
  if (std::fabs(m - std::round(m)) < 1e-9)
    std::snprintf(text, sizeof text, "%.0f", m);
  else
    std::snprintf(text, sizeof text, "%.4f", m);
  return text;
}

bool EntryText(const STRUCT_LIST_SPT& e, bool mspForm, std::string* out) {
  const std::string name = OneLine(e.name, sizeof e.name);
  if (name.empty()) return false;
  std::string t = "Name: " + name + "\r\n";
  char line[400];
  const std::string formula = OneLine(e.formula, sizeof e.formula);
  if (!formula.empty()) t += "Formula: " + formula + "\r\n";
  if (e.molecularWeight) t += "MW: " + std::to_string(e.molecularWeight) + "\r\n";
  if (e.casNumber) {
    const uint32_t c = e.casNumber;
    std::snprintf(line, sizeof line, "CAS#: %u-%02u-%u\r\n", c / 1000, (c / 10) % 100, c % 10);
    t += line;
  }
  const std::string comment = OneLine(e.comment, sizeof e.comment);
  if (!comment.empty()) t += "Comment: " + comment + "\r\n";
  const LIST_ENTRY_DETAILS& d = e.details;
  if (d.importItems & LIST_IMPORT_DATA_FILE) t += "Data File: " + OneLine(d.dataFile, sizeof d.dataFile) + "\r\n";
  if (d.importItems & LIST_IMPORT_RETENTION_TIME) {
    std::snprintf(line, sizeof line, "Retention Time: %.3f\r\n", d.retentionTime);
    t += line;
  }
  if (d.importItems & LIST_IMPORT_SCAN_RANGE) {
    std::snprintf(line, sizeof line, "Scan Range: %d - %d\r\n", int(d.firstScan), int(d.lastScan));
    t += line;
  }
  if (d.importItems & LIST_IMPORT_TIME_RANGE) {
    std::snprintf(line, sizeof line, "Time Range: %.3f - %.3f\r\n", d.firstTime, d.lastTime);
    t += line;
  }
  if (d.importItems & LIST_IMPORT_BASELINE)
    t += std::string("Baseline Correction: ") + (d.baselineCorrected ? "Yes" : "No") + "\r\n";
  // Pairs the reader would refuse (no mass) are left out.
  uint32_t kept = 0;
  std::string pairs;
  for (uint32_t i = 0; i < e.pairCount; ++i) {
    const XTOL_PAIR& p = e.pairs[i];
    if (!(p.mass > 0) || !std::isfinite(p.mass) || p.mass > 100000) continue;
    const std::string pair = Mass(p.mass) + " " + std::to_string(p.intensity);
    pairs += mspForm ? pair + ";" : "(" + pair + ")";
    pairs += ++kept % 5 == 0 ? "\r\n" : " ";
  }
  if (kept % 5 != 0) {
    pairs.pop_back();
    pairs += "\r\n";
  }
  t += "Num Peaks: " + std::to_string(kept) + "\r\n" + pairs + "\r\n";
  *out = std::move(t);
  return true;
}

bool ReadAll(const char* path, std::string* text) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[8192];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) text->append(buffer, got);
  CloseHandle(h);
  return ok;
}

// The whole text beside the file, then over it in one step.
bool Replace(const char* path, const std::string& text) {
  const std::string temp = std::string(path) + ".new";
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(h);
  if (!ok || !MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

BOOL CreateSpectrumListFile(const char* path, int16_t mspForm, const STRUCT_LIST_SPT* spectrum) {
  try {
    std::string text;
    if (!path || !*path || !spectrum || !EntryText(*spectrum, mspForm != 0, &text)) return FALSE;
    return Replace(path, text) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL AppendSpectrumToListFile(const char* path, const STRUCT_LIST_SPT* spectrum) {
  try {
    if (!path || !*path || !spectrum) return FALSE;
    std::string text;
    if (!ReadAll(path, &text)) return FALSE;
    bool blank = true;
    for (char c : text) blank = blank && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
    // Never add to a file that holds something else.
    if (!blank && !CheckSpectrumListFile(path)) return FALSE;
    const bool msp = blank || CheckMSPFormat(path);
    std::string entry;
    if (!EntryText(*spectrum, msp, &entry)) return FALSE;
    if (blank) {
      text.clear();
    } else {
      // The new entry starts after a blank line.
      while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
      text += "\r\n\r\n";
    }
    return Replace(path, text + entry) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL SelectSpectrumListFile(HWND owner, char* path, int32_t, int32_t, int32_t, int32_t, int16_t* mspForm) {
  if (!path) return FALSE;
  std::string folder;
  const std::string proposed = path;
  const size_t slash = proposed.find_last_of("\\/");
  if (slash != std::string::npos) folder = proposed.substr(0, slash);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "Spectrum Lists (*.msp;*.msl)\0*.msp;*.msl\0All Files (*.*)\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = "Select Spectrum List";
  ofn.lpstrDefExt = "msp";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&ofn)) return FALSE;
  if (mspForm) *mspForm = CheckMSPFormat(path) ? 1 : 0;
  return TRUE;
}
