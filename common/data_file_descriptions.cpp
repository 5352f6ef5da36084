// One-line and full descriptions of a data file, by the kind of its work file.
#include "common/data_file_descriptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "common/list_text_helpers.h"
#include "common/log_sections.h"
#include "common/mass_lists.h"
#include "common/text_file_out.h"
#include "common/work_file.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"

namespace {

enum class Kind { None, Xms, MsData, Log };

Kind DescriptionKind(const STRUCT_WORK_FILE* wf) {
  if (!wf) return Kind::None;
  if (wf->xms) return Kind::Xms;
  if (!wf->directHeader && !wf->hasLog && wf->sectioned && (wf->centroid || wf->profile)) return Kind::MsData;
  if (wf->directHeader || (wf->fileType == 23 && wf->hasLog)) return Kind::Log;
  return Kind::None;
}

std::string Fmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = win::crt::VFormatString(format, args);
  va_end(args);
  return s;
}

const char* DataKind(const STRUCT_WORK_FILE* wf) { return wf->profile ? "Profile" : "Centroid"; }

int Segments(const STRUCT_WORK_FILE* wf) { return kelt::wff::SegmentCount(wf); }

// ---- XMS ------------------------------------------------------------------------------

std::string XmsHeader(const STRUCT_WORK_FILE* wf) {
  std::string s = Fmt("Method Time: %.2f-%.2f, %s", wf->startTime, wf->endTime, DataKind(wf));
  // The title the information block holds at byte 58.
  std::string title = kelt::text::WideToAnsi(wf->msInfo.title, 80);
  if (!title.empty()) s += ", " + title;
  return s;
}

std::string XmsSegment(const STRUCT_WORK_FILE* wf, int s) {
  const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(wf, s);
  if (!b) return {};
  std::string line = Fmt("   Seg %d, Time: %.2f-%.2f", s + 1, b->startTime, b->endTime);
  std::string name = kelt::text::WideToAnsi(b->name, 32);
  if (!name.empty()) line += ", " + name;
  return line + Fmt(", Scan Functions: %d", int(b->functionCount));
}

std::string XmsFunction(const MS_SEGMENT_BLOCK* b, int f) {
  char text[KELT_DESCRIPTION_LINE_MAX + 1] = {};
  KELT_GetszScanChannelDescription(&b->functions[f], text, sizeof text);
  return Fmt("      %d. %s", f + 1, text);
}

// ---- Log ------------------------------------------------------------------------------

std::string LogHeader(const STRUCT_WORK_FILE* wf) {
  return Fmt("%s, Time: %.2f - %.2f", DataKind(wf), wf->startTime, wf->endTime);
}

// The value of a log record after `skip` characters of its text, blanks
// skipped, at most 13 characters without trailing blanks.
std::string LogValue(const char* record, int skip) {
  std::string text(record + 2, LOG_RECORD_TEXT);
  size_t p = size_t(skip);
  while (p < text.size() && text[p] == ' ') ++p;
  std::string v = p < text.size() ? text.substr(p, 13) : std::string();
  while (!v.empty() && (v.back() == ' ' || v.back() == 0)) v.pop_back();
  return v;
}

bool StartsNoCase(const char* record, const char* text) {
  return _strnicmp(record + 2, text, std::strlen(text)) == 0;
}

// IPM type and scan mode of the segment block the reader holds.
void SegmentLogFacts(const CReadLogSection& log, std::string& ipm, std::string& mode) {
  ipm.clear();
  mode.clear();
  const char* ionisation = nullptr;
  for (int i = 0; i < log.GetCount(); ++i) {
    const char* r = log.GetRecord(i);
    if (mode.empty() && StartsNoCase(r, "Scan mode")) mode = LogValue(r, 11);
    else if (ipm.empty() && StartsNoCase(r, "IPM type")) ipm = LogValue(r, 8);
    else if (!ionisation && StartsNoCase(r, "Ionization control")) ionisation = r;
  }
  if (ionisation && !mode.empty()) mode += LogValue(ionisation, 18).rfind("Auto", 0) == 0 ? " Auto" : " Fixed";
}

std::string LogSegment(const STRUCT_WORK_FILE* wf, int s, const CReadLogSection* log) {
  const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(wf, s);
  if (!b) return {};
  std::string ipm, mode;
  if (log) SegmentLogFacts(*log, ipm, mode);
  std::string line = Fmt("   Seg %d", s + 1);
  if (!ipm.empty()) line += ", " + ipm;
  line += Fmt(", Time: %.2f-%.2f", b->startTime, b->endTime);
  if (!mode.empty()) line += ", " + mode;
  return line + Fmt(", Channels: %d", int(b->functionCount));
}

// Data point density (points per mass unit), mass resolution (the peak
// width) and scan speed (mass units per second) of a channel.
std::string LogChannel(const MS_SEGMENT_BLOCK* b, int f) {
  const MS_SCAN_FUNCTION& fn = b->functions[f];
  const double density = fn.massWidth > 0 ? 1.0 / fn.massWidth : 0.0;
  const double span = fn.highMass - fn.lowMass;
  const int32_t speed = fn.scanSeconds > 0 && span > 0 ? int32_t(std::lround(span / fn.scanSeconds)) : 0;
  std::string speedText = speed ? Fmt("%ld", speed) : "N/A";
  return Fmt("      Chan %d,  Data Point Density: %.3f, Mass Resolution: %.3f, Scan Speed: %s ", f + 1, density,
             fn.massWidth, speedText.c_str());
}

// The reader positioned at segment s's block (ReadNextSegment s + 1 times).
bool ReadLogSegment(CReadLogSection& log, int s) {
  for (int i = 0; i <= s; ++i)
    if (!log.ReadNextSegment()) return false;
  return true;
}

// ---- MS data ---------------------------------------------------------------------------

// What Pomsel writes for the file (segment < 0) or one segment.
bool PomselText(const STRUCT_WORK_FILE* wf, int segment, std::string& text) {
  text.clear();
  std::string temp = kelt::textfile::MakeTempFile("vvv");
  if (temp.empty()) return false;
  bool ok = false;
  if (FILE* f = win::crt::OpenStream(temp.c_str(), "w+t")) {
    if (segment < 0)
      WriteMethodSegmentText(f, wf->filePath, wf->module, wf->fileType, 2, 0);
    else
      WriteMethodSegmentLogText(f, wf->filePath, wf->module, wf->fileType, int16_t(segment + 1), 0, 0);
    ok = std::fclose(f) == 0;
  }
  ok = ok && kelt::textfile::ReadWholeFile(temp, text);
  DeleteFileA(temp.c_str());
  return ok;
}

// The lines of a text, split at CR LF, LF CR or a lone line end.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) ++i;
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

// A segment line of the MS-data description: cut at the first control
// character, blank runs before a ',' removed, trailing blanks and commas cut.
std::string TidySegmentLine(const std::string& line) {
  std::string s;
  for (char c : line) {
    if (static_cast<unsigned char>(c) < 0x20) break;
    s += c;
  }
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == ' ') {
      size_t j = i;
      while (j < s.size() && s[j] == ' ') ++j;
      if (j < s.size() && s[j] == ',') {
        i = j - 1;
        continue;
      }
    }
    out += s[i];
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == ',')) out.pop_back();
  return out;
}

std::string MsDataSegment(const STRUCT_WORK_FILE* wf, int s) {
  std::string text;
  if (!PomselText(wf, s, text)) return {};
  for (const std::string& line : SplitLines(text)) {
    std::string t = TidySegmentLine(line);
    if (!t.empty()) return t;
  }
  return {};
}

// The line of segment s by kind; log: the reader holds that segment's block.
std::string SegmentLine(const STRUCT_WORK_FILE* wf, Kind kind, int s, const CReadLogSection* log) {
  switch (kind) {
    case Kind::Xms: return XmsSegment(wf, s);
    case Kind::MsData: return MsDataSegment(wf, s);
    case Kind::Log: return LogSegment(wf, s, log);
    default: return {};
  }
}

}  // namespace

BOOL KELT_GetOneTextLineForSegment(STRUCT_WORK_FILE* workFile, int16_t segment, char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  const Kind kind = DescriptionKind(workFile);
  if (kind == Kind::None || segment < 0 || segment >= Segments(workFile)) return FALSE;
  std::string line;
  if (kind == Kind::Log) {
    CReadLogSection log;
    const bool haveLog = log.Open(workFile) && ReadLogSegment(log, segment);
    line = SegmentLine(workFile, kind, segment, haveLog ? &log : nullptr);
  } else {
    line = SegmentLine(workFile, kind, segment, nullptr);
  }
  kelt::text::CopyBounded(buffer, KELT_DESCRIPTION_LINE_MAX + 1, line);
  return buffer[0] != 0;
}

BOOL KELT_GetOneTextLineForDataFile(STRUCT_WORK_FILE* workFile, char* buffer, int16_t length) {
  if (!buffer || length < 1) return FALSE;
  buffer[0] = 0;
  std::string line;
  switch (DescriptionKind(workFile)) {
    case Kind::Xms: line = XmsHeader(workFile); break;
    case Kind::Log: line = LogHeader(workFile); break;
    case Kind::MsData: {
      std::string text;
      if (PomselText(workFile, -1, text)) {
        auto lines = SplitLines(text);
        if (!lines.empty()) line = lines.front();
      }
      break;
    }
    default: return FALSE;
  }
  kelt::text::CopyBounded(buffer, size_t(length), line);
  return buffer[0] != 0;
}

char* KELT_GetAllTextLinesForDataFile(STRUCT_WORK_FILE* workFile, int16_t* lineCount, int32_t* byteLength) {
  if (lineCount) *lineCount = 0;
  if (byteLength) *byteLength = 0;
  const Kind kind = DescriptionKind(workFile);
  if (kind == Kind::None) return nullptr;

  if (kind == Kind::MsData) {
    std::string text;
    if (!PomselText(workFile, -1, text) || text.size() > 0x7FFFFFF0u) return nullptr;
    char* block = static_cast<char*>(AllocBlock(uint32_t(text.size() + 20)));
    if (!block) return nullptr;
    std::memcpy(block, text.data(), text.size());
    int32_t position = 0, lines = 0;
    char line[KELT_TEXT_LINE_MAX + 1];
    while (position < int32_t(text.size())) {
      int32_t before = position;
      if (KELT_GetNextLineFromTextFileEx(block, &position, int32_t(text.size()), line, sizeof line)) ++lines;
      if (position == before) break;
    }
    if (lineCount) *lineCount = int16_t(std::min<int32_t>(lines, 0x7FFF));
    if (byteLength) *byteLength = int32_t(text.size());
    return block;
  }

  std::vector<std::string> lines;
  lines.push_back(kind == Kind::Xms ? XmsHeader(workFile) : LogHeader(workFile));
  CReadLogSection log;
  bool haveLog = kind == Kind::Log && log.Open(workFile);
  for (int s = 0; s < Segments(workFile); ++s) {
    const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(workFile, s);
    if (haveLog) haveLog = log.ReadNextSegment();
    lines.push_back(SegmentLine(workFile, kind, s, haveLog ? &log : nullptr));
    for (int f = 0; b && f < b->functionCount && f < MS_MAX_FUNCTIONS; ++f)
      lines.push_back(kind == Kind::Xms ? XmsFunction(b, f) : LogChannel(b, f));
  }
  if (lines.size() > 0x7FFF) lines.resize(0x7FFF);
  char* block = static_cast<char*>(AllocBlock(uint32_t(lines.size()) * 200));
  if (!block) return nullptr;
  size_t at = 0;
  for (const std::string& l : lines) {
    const size_t n = std::min<size_t>(l.size(), 195);
    std::memcpy(block + at, l.data(), n);
    at += n;
    block[at++] = '\n';
    block[at++] = '\r';
  }
  if (lineCount) *lineCount = int16_t(lines.size());
  if (byteLength) *byteLength = int32_t(at);
  return block;
}

BOOL KELT_GetNextLineFromTextFileEx(const char* text, int32_t* position, int32_t textLength, char* line,
                                    int32_t lineSize) {
  if (!line || lineSize < 1) return FALSE;
  line[0] = 0;
  if (!text || !position || *position < 0 || *position >= textLength) return FALSE;
  int32_t p = *position;
  int32_t n = 0;
  while (p < textLength) {
    const char c = text[p];
    if ((c == '\r' || c == '\n') && p + 1 < textLength) {
      const char d = text[p + 1];
      if ((c == '\r' && d == '\n') || (c == '\n' && d == '\r')) {
        p += 2;
        break;
      }
    }
    ++p;
    if (c == '\t') {
      for (int k = 0; k < 4 && n < lineSize - 1; ++k) line[n++] = ' ';
    } else if (static_cast<unsigned char>(c) >= 32 && n < lineSize - 1) {
      line[n++] = c;
    }
  }
  line[n] = 0;
  *position = p;
  return n > 0;
}

BOOL KELT_GetNextLineFromTextFile(const char* text, int32_t* position, int32_t textLength, char* line) {
  return KELT_GetNextLineFromTextFileEx(text, position, textLength, line, KELT_TEXT_LINE_MAX + 1);
}

BOOL KELT_CopySectionToTextFile(const char* outPath, const char* dataPath, const char* sectionName) {
  if (!outPath || !dataPath || !sectionName) return FALSE;
  HSECTION s = OpenSectionReadOnly(dataPath, sectionName, nullptr);
  if (!s) return FALSE;
  const uint32_t size = GetSectionSize(s);
  bool ok = size > 0;
  std::vector<char> bytes(ok ? size : 0);
  ok = ok && ReadSection(s, bytes.data(), size) == size;
  CloseSection(s);
  if (!ok) return FALSE;
  kelt::textfile::OutputFile out;
  if (!out.Open(outPath)) return FALSE;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out.Stream()) != bytes.size()) return FALSE;
  return out.Commit() ? TRUE : FALSE;
}
