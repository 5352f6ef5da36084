#pragma once
// Data files with acquisition logs for the log and description tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

// 64-byte log records: two prefix bytes, then the text blank-padded to 62.
inline std::string LogRecords(const std::vector<std::string>& lines) {
  std::string bytes;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string r(64, ' ');
    r[0] = char(i & 0xFF);
    r[1] = 0;
    r.replace(2, std::min<size_t>(lines[i].size(), 62), lines[i].substr(0, 62));
    bytes += r;
  }
  return bytes;
}

inline bool PutSection(const char* path, const char* name, const std::string& bytes) {
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return false;
  bool ok = WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  return CloseSection(s) && ok;
}

// Makes the folder of a workstation path (one level), as a user would.
inline void MakeFolderOf(const char* path) {
  std::string p = path;
  size_t cut = p.find_last_of('\\');
  if (cut != std::string::npos && cut > 2) CreateDirectoryA(p.substr(0, cut).c_str(), nullptr);
}

// An MS data file of the given file type whose "LogFile" section holds the records.
inline bool WriteLoggedDataFile(const char* path, uint16_t fileType, const std::vector<std::string>& lines,
                                int segments = 2) {
  msfix::RunPlan plan;
  plan.scans = 60;
  plan.compounds = 2;
  plan.fileType = fileType;
  plan.segments.clear();
  for (int s = 0; s < segments; ++s) plan.segments.push_back({1.0, s + 1, ""});
  MakeFolderOf(path);
  if (!msfix::WriteMsDataFile(path, plan, nullptr)) return false;
  return lines.empty() || PutSection(path, "LogFile", LogRecords(lines));
}

// A raw MS file with the records after its scan data.
inline bool WriteLoggedRawFile(const char* path, const std::vector<std::string>& lines) {
  msfix::RunPlan plan;
  plan.scans = 40;
  plan.compounds = 1;
  MakeFolderOf(path);
  if (!msfix::WriteRawMsFile(path, plan, nullptr)) return false;
  if (lines.empty()) return true;
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string bytes = LogRecords(lines);
  DWORD written = 0;
  bool ok = SetFilePointer(h, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
            WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  return CloseHandle(h) && ok;
}

// A typical log of two segments.
inline std::vector<std::string> TwoSegmentLog() {
  return {"Acquisition log",
          "File names",
          "  Method      C:\\METHODS\\VOC.MTH",
          "  Tune        C:\\TUNE\\ATUNE.U",
          "End",
          "Instrument set points",
          "  Source temperature   230",
          "End",
          "Acquire segment #1",
          "Scan mode  Full scan",
          "IPM type  EI+",
          "Ionization control  Auto",
          "End",
          "Acquisition segment   2",
          "Scan mode  SIM",
          "IPM type  CI+",
          "Ionization control  Manual",
          "End",
          "IPM file segment 2",
          "  Reagent gas  methane",
          "End",
          "Segment number (1-2)  2",
          "  Emission  35",
          "End",
          "Oven program",
          "  40 C for 2 min",
          "End",
          "Notes      ",
          "  Well water.",
          "",
          "Notes      ",
          "  Second vial.",
          "End",
          "Injector",
          "  250 C",
          "End",
          "End TOLMAR",
          "After the end",
          "End"};
}
