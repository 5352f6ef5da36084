// The data-file log and the shorter instrument log as text files.
#include "common/log_text_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_descriptions.h"
#include "common/data_file_utils.h"
#include "common/list_text_helpers.h"
#include "common/log_sections.h"
#include "common/number_format.h"
#include "common/results_access.h"
#include "common/section_stems.h"
#include "common/text_file_out.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "tevrin32/tevrin32.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

const char kSeparator[] = "************************************************************\r\n";
static_assert(sizeof kSeparator == 60 + 2 + 1);
const char kCrLf[] = "\r\n";
const char kLfCr[] = "\n\r";
constexpr int kRevisionPiece = 120;
constexpr size_t kNotesBlock = 1000;

void Put(FILE* f, const char* text) { std::fputs(text, f); }
void Put(FILE* f, const std::string& text) { std::fputs(text.c_str(), f); }

const char* PathOf(const STRUCT_WORK_FILE* wf) { return wf->filePath; }

void Heading(FILE* f, bool headings, const char* heading) {
  if (!headings) return;
  Put(f, kSeparator);
  Put(f, heading);
  Put(f, kSeparator);
  Put(f, kCrLf);
}

// A library of the workstation, loaded by name from the program folder.
class NamedLibrary {
 public:
  explicit NamedLibrary(const char* fileName) {
    char folder[MAX_PATH + 1] = {};
    if (!GetProgramDirectory(folder)) folder[0] = 0;
    std::string path = folder;
    if (!path.empty()) path += "\\";
    path += fileName;
    m_module = LoadLibraryA(path.c_str());
  }
  ~NamedLibrary() {
    if (m_module) FreeLibrary(m_module);
  }
  NamedLibrary(const NamedLibrary&) = delete;
  NamedLibrary& operator=(const NamedLibrary&) = delete;
  HMODULE Module() const { return m_module; }
  template <class Fn>
  Fn Function(const char* name) const {
    return m_module ? ProcAs<Fn>(GetProcAddress(m_module, name)) : nullptr;
  }

 private:
  HMODULE m_module = nullptr;
};

using FormatMethodSectionFn = int32_t (*)(FILE*, const char*, const char*);

// Sections of the file whose names begin with stem (at most 80 characters each).
std::vector<std::string> SectionsWithStem(const char* path, const char* stem) {
  std::vector<std::string> names;
  HSECTION listing = FindSectionsByStem(path, stem);
  if (!listing) return names;
  const int32_t n = CountSectionMatches(listing);
  for (int32_t i = 0; i < n; ++i) {
    char name[81] = {};
    if (GetSectionMatchName(listing, i, name, sizeof name)) names.push_back(name);
  }
  CloseSection(listing);
  return names;
}

// A "Method.<id>.<address>.<channel>" section name's module id and address.
bool ParseMethodSection(const std::string& name, uint16_t* id, uint16_t* address) {
  char base[81] = {};
  unsigned short a = 0, b = 0, c = 0;
  if (std::sscanf(name.c_str(), " %80[^.].%4hx.%4hx.%4hx", base, &a, &b, &c) != 4) return false;
  if (std::strcmp(base, "Method") != 0) return false;
  *id = a;
  *address = b;
  return true;
}

// The method text of a "Method" section through the common services.
void WriteModuleMethod(FILE* f, const char* path, const std::string& section) {
  HGLOBAL request = NewMethodTextRequest(0);
  if (!request) return;
  if (SetMethodTextSection(request, section.c_str())) {
    if (void* locked = GlobalLock(request)) {
      WriteMethodText(0, f, path, locked);
      GlobalUnlock(request);
    }
  }
  GlobalFree(request);
}

// Block 3: every module method of the file with its module information.
void WriteOtherInstrumentLogs(FILE* f, const STRUCT_WORK_FILE* wf) {
  for (const std::string& name : SectionsWithStem(PathOf(wf), "Method")) {
    uint16_t id = 0, address = 0;
    if (!ParseMethodSection(name, &id, &address)) continue;
    Put(f, "\r\n\r\n");
    KELT_WriteModuleInfoToTextFile(address, PathOf(wf), f, 1);
    HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, id);
    if (config && (GetModuleConfigFlags(config, 0) & MODULE_CONFIG_MASS_SPECTROMETER)) continue;
    WriteModuleMethod(f, PathOf(wf), name);
    Put(f, kCrLf);
  }
}

// Block 4: the data-handling method through the method library.
void WriteDataHandling(FILE* f, const STRUCT_WORK_FILE* wf) {
  NamedLibrary ferrow("Ferrow.dll");
  auto format = ferrow.Function<FormatMethodSectionFn>("FormatMethodSection");
  if (!format) return;
  for (const char* base : {"GlobalParams", "PeakTable"}) {
    char name[128] = {};
    if (BuildDataSectionName(name, base, wf->fileType, wf->module, "1")) format(f, PathOf(wf), name);
  }
}

// Block 5: the messages of the error record, from the string table of the
// data-handling library.
void WriteErrorLog(FILE* f, const STRUCT_WORK_FILE* wf) {
  HDHTABLE h = OpenDHErrorRecord(PathOf(wf), wf->fileType, wf->module, "1");
  if (!h) return;
  STRUCT_DH_ERROR_LOG record;
  std::memset(&record, 0, sizeof record);
  const bool read = GetDHLogEntry(h, &record);
  CloseSection(h);
  if (!read) return;
  bool any = false;
  for (const DH_ERROR_LIST& l : record.lists) any = any || l.count != 0;
  if (!any) return;
  NamedLibrary holbrin("Holbrin.dll");
  if (!holbrin.Module()) return;
  for (const DH_ERROR_LIST& l : record.lists) {
    const int count = std::clamp<int>(l.count, 0, 50);  // the record holds 50 numbers a list
    for (int i = 0; i < count; ++i) {
      char text[1000] = {};
      if (LoadStringA(holbrin.Module(), l.ids[i], text, sizeof text) > 0) {
        Put(f, text);
        Put(f, kCrLf);
      }
    }
  }
}

std::string DateTimeText(int32_t value) {
  time32_t t = value;
  char date[64] = {}, time[64] = {};
  if (!KELT_FormatDateTimeFromLong(&t, date, time)) return {};
  return std::string(date) + " " + time;
}

// Block 6: the calibration log's rows.
void WriteCalibrationLog(FILE* f, const STRUCT_WORK_FILE* wf) {
  Put(f, win::crt::FormatString("%-20.20s%-20.20s%-20.20s\n\r", "Injection Time/Date", "Recalc Time/Date",
                                "Calibration Log File"));
  HDHTABLE t = OpenDHTable(PathOf(wf), wf->fileType, wf->module, "1");
  if (!t) return;
  const int16_t rows = CountDHTableRows(t);
  for (int16_t i = 0; i < rows; ++i) {
    DH_CALIBRATION_LOG_ROW row;
    std::memset(&row, 0, sizeof row);
    if (!GetDHTableRow(t, i, &row, 1)) break;
    row.path[sizeof row.path - 1] = 0;
    char shortPath[81] = {};
    KELT_TruncateFileString(row.path, 80, shortPath);
    Put(f, win::crt::FormatString("%-20.20s%-20.20s%s\n\r", DateTimeText(row.sampleKey).c_str(),
                                  DateTimeText(row.recalcTime).c_str(), shortPath));
  }
  CloseSection(t);
}

// The revision log's lines: cut at each line feed (kept) and after 120
// characters; a chunk without its own line end is given one.
void WriteRevisionLines(FILE* f, const char* text, size_t length) {
  size_t i = 0;
  while (i < length) {
    size_t end = i;
    while (end < length && end - i < size_t(kRevisionPiece) && text[end] != '\n') ++end;
    std::string chunk(text + i, end - i);
    bool lineEnd = end < length && text[end] == '\n';
    if (lineEnd) ++end;
    if (!chunk.empty() && chunk.back() == '\r') chunk.pop_back();
    Put(f, chunk);
    Put(f, kCrLf);
    i = end;
  }
}

// Reads the revision log text; false when the file has none.
bool RevisionLogText(const STRUCT_WORK_FILE* wf, std::string& text, bool& allocated) {
  text.clear();
  allocated = true;
  HDHTABLE log = OpenDHLog(PathOf(wf), wf->fileType, wf->module, "1");
  if (!log) return false;
  const int32_t count = CountDHLogEntries(log);
  bool ok = count > 0;
  if (ok) {
    char* buffer = static_cast<char*>(AllocBlock(uint32_t(count) + 10));
    if (!buffer) {
      allocated = false;
    } else {
      if (ReadDHLogText(log, buffer, count)) text.assign(buffer, strnlen(buffer, size_t(count)));
      FreeBlock(buffer);
    }
  }
  CloseSection(log);
  return ok;
}

// The method paths of the injection and recalculation records.
std::string InjectionMethodPath(const STRUCT_WORK_FILE* wf) {
  STRUCT_DH_INJECTION_RECORD r;
  std::memset(&r, 0, sizeof r);
  if (!RPTS_ReadDHRecord(PathOf(wf), &r)) return {};
  return std::string(r.methodPath, strnlen(r.methodPath, sizeof r.methodPath));
}

bool ReadRecalcEntry(const STRUCT_WORK_FILE* wf, STRUCT_RECALC_ENTRY& entry) {
  std::memset(&entry, 0, sizeof entry);
  return wf && RPTS_ReadDataFileSection(wf, &entry);
}

std::string RecalcMethodPath(const STRUCT_WORK_FILE* wf) {
  STRUCT_RECALC_ENTRY e;
  if (!ReadRecalcEntry(wf, e)) return {};
  return std::string(e.methodPath, strnlen(e.methodPath, sizeof e.methodPath));
}

// Block 11.
void WriteMethodNotes(FILE* f, const STRUCT_WORK_FILE* wf, bool headings, int16_t width) {
  std::string injection = InjectionMethodPath(wf);
  std::string recalc = RecalcMethodPath(wf);
  if (!recalc.empty() && _stricmp(recalc.c_str(), injection.c_str()) == 0) recalc.clear();
  const bool both = !injection.empty() && !recalc.empty();
  const char* heading = both || (injection.empty() && recalc.empty()) ? "Method Notes\n\r"
                        : !injection.empty()                          ? "Injection Method Notes\n\r"
                                                                      : "Recalc Method Notes\n\r";
  Heading(f, headings, heading);
  const std::pair<const std::string*, const char*> paths[] = {{&injection, "Injection Method: "},
                                                              {&recalc, "Recalc Method: "}};
  for (const auto& [path, label] : paths) {
    if (path->empty()) continue;
    const bool exists = FileExists(path->c_str());
    char shortPath[81] = {};
    KELT_TruncateFileString(path->c_str(), 80, shortPath);
    Put(f, std::string(both ? label : "") + (exists ? "" : "(Deleted) ") + shortPath + kCrLf);
    if (!exists) continue;
    const int32_t length = GetNotesLength(path->c_str());
    if (length <= 0) continue;
    // One byte more than the notes, so the text is always terminated.
    char* notes = static_cast<char*>(AllocBlock(uint32_t(length) + 1));
    if (!notes) continue;
    if (ReadNotes(path->c_str(), notes, length)) KELT_WriteTextAsLines(f, notes, width);
    FreeBlock(notes);
  }
}

bool HasSamplePrep(const STRUCT_WORK_FILE* wf) {
  char name[81] = {};
  return KELT_GetSectionNameFromStem(wf->filePath, "SamplePrep", name) != 0;
}

bool RunLogFromReader(const STRUCT_WORK_FILE* wf) { return wf->directHeader || (wf->fileType == 23 && wf->hasLog); }

void WriteRunLogBlock(FILE* f, STRUCT_WORK_FILE* wf) {
  if (RunLogFromReader(wf)) KELT_WriteRunLogText(f, wf);
  else if (wf->sectioned && (wf->centroid || wf->profile) && !wf->hasLog) KELT_WriteModuleLogText(f, wf);
  else if (wf->hasLog) KELT_WriteTrelLogText(f, wf);
}

bool SameText(const char* a, const char* b) { return (!a && !b) || (a && b && std::strcmp(a, b) == 0); }

}  // namespace

// ---- Stream writers --------------------------------------------------------------------

void KELT_WriteTextAsLines(FILE* stream, const char* text, int16_t width) {
  if (!stream || !text) return;
  std::string line;
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    if (c == '\n' || c == '\r') {
      if (p[1] == '\n' || p[1] == '\r') ++p;
      Put(stream, line + kCrLf);
      line.clear();
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20) continue;
    line += c;
    if (width > 0 && line.size() >= size_t(width)) {
      Put(stream, line + kCrLf);
      line.clear();
    }
  }
  if (!line.empty()) Put(stream, line + kCrLf);
}

BOOL KELT_WriteRevisionLogToTextFile(FILE* stream, const STRUCT_WORK_FILE* workFile) {
  if (!stream || !workFile) return FALSE;
  std::string text;
  bool allocated = true;
  if (!RevisionLogText(workFile, text, allocated)) return FALSE;
  Put(stream, "Revision Log:\r\n\r\n");
  if (allocated) WriteRevisionLines(stream, text.data(), text.size());
  Put(stream, "\r\n\r\n");
  return TRUE;
}

BOOL KELT_WriteModuleInfoToTextFile(uint16_t moduleAddress, const char* dataPath, FILE* stream, int16_t check) {
  if (!dataPath || !stream) return FALSE;
  if (check) {
    char name[32];
    std::snprintf(name, sizeof name, "ModuleInfo:B.%02u", unsigned(moduleAddress));
    HSECTION s = OpenSectionReadOnly(dataPath, name, nullptr);
    if (!s) return FALSE;
    CloseSection(s);
  }
  return WriteModuleInfoText(0, moduleAddress, dataPath, stream) ? TRUE : FALSE;
}

BOOL KELT_WriteModuleLogText(FILE* stream, const STRUCT_WORK_FILE* workFile) {
  if (!stream || !workFile) return FALSE;
  const STRUCT_WORK_FILE* wf = workFile;
  if (!(wf->sectioned && (wf->centroid || wf->profile) && !wf->hasLog)) return FALSE;
  WriteModuleAttributesText(stream, PathOf(wf), wf->module, wf->fileType);
  Put(stream, kCrLf);
  WriteEventLogText(stream, PathOf(wf), wf->module, wf->fileType);
  Put(stream, kCrLf);
  WriteMethodSegmentText(stream, PathOf(wf), wf->module, wf->fileType, 2, 1);
  return TRUE;
}

BOOL KELT_WriteRunLogText(FILE* stream, STRUCT_WORK_FILE* workFile) {
  if (!stream || !workFile || !RunLogFromReader(workFile)) return FALSE;
  CReadLogSection log;
  if (!log.Open(workFile)) return FALSE;
  bool first = true;            // the log's title record is skipped
  bool lineStart = true;        // next line is the first of a block
  bool previousBlank = false;
  for (;;) {
    if (!log.ReadNext()) break;
    if (log.GetCount() == 0) break;
    for (int i = 0; i < log.GetCount(); ++i) {
      const char* r = log.GetRecord(i);
      if (first) {
        first = false;
        continue;
      }
      // The record's first 62 characters, prefix turned into two blanks,
      // trailing blanks kept; a NUL pad shows as a blank.
      std::string line = "  " + std::string(r + 2, LOG_RECORD_TEXT - 2);
      std::replace(line.begin(), line.end(), '\0', ' ');
      const bool end = kelt::logs::RecordStarts(r, "End", 3);
      if (end) line.clear();
      const bool blank = line.find_first_not_of(' ') == std::string::npos;
      if (blank) {
        // A blank record keeps its 62 blanks; a block end is an empty line.
        if (!previousBlank) Put(stream, line + kLfCr);
      } else {
        if (lineStart && line.compare(0, 2, "  ") == 0) line.erase(0, 2);
        Put(stream, line + kLfCr);
        lineStart = false;
      }
      previousBlank = blank;
      if (end) lineStart = true;
    }
  }
  Put(stream, kCrLf);
  return TRUE;
}

BOOL KELT_WriteTrelLogText(FILE* stream, STRUCT_WORK_FILE* workFile) {
  if (!stream || !workFile || !workFile->hasLog) return FALSE;
  CReadTrelLogSection trel;
  if (!trel.Open(workFile)) return FALSE;
  STRUCT_TREL_LOG_NAMES* list = trel.ReadListOfSections();
  if (!list) return FALSE;
  bool first = true;
  for (int16_t s = 0; s < list->count; ++s) {
    if (!trel.OpenSection(list, s)) continue;
    char line[TREL_LOG_LINE_SIZE];
    while (trel.GetNextSectionLine(line)) {
      if (first) {
        Put(stream, "************ General Information ************");
        Put(stream, kLfCr);
        first = false;
      }
      Put(stream, std::string(line) + kCrLf);  // its 60 characters, blanks and all
    }
  }
  FreeBlock(list);
  return TRUE;
}

char* KELT_GetRecordDescriptionText(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return nullptr;
  std::string text;
  if (HDHTABLE h = OpenDHDescriptionRecord(PathOf(workFile))) {
    STRUCT_DH_INJECTION_RECORD r;
    std::memset(&r, 0, sizeof r);
    if (ReadDHRecord(h, &r)) text.assign(r.description, strnlen(r.description, sizeof r.description));
    CloseSection(h);
  }
  if (text.empty()) text = kelt::text::WideToAnsi(workFile->msInfo.description, 256).substr(0, 900);
  if (text.empty()) return nullptr;
  char* block = static_cast<char*>(AllocBlock(kNotesBlock));
  if (block) kelt::text::CopyBounded(block, kNotesBlock, text);
  return block;
}

char* KELT_GetRecalcNotesText(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return nullptr;
  STRUCT_RECALC_ENTRY e;
  if (!ReadRecalcEntry(workFile, e)) return nullptr;
  std::string notes(e.notes, strnlen(e.notes, sizeof e.notes));
  if (notes.empty()) return nullptr;
  char* block = static_cast<char*>(AllocBlock(kNotesBlock));
  if (block) kelt::text::CopyBounded(block, kNotesBlock, notes);
  return block;
}

// ---- The files -----------------------------------------------------------------------------

BOOL KELT_GetDataFileLog(const char* outPath, STRUCT_WORK_FILE* workFile, const KELT_DataFileLogOptions* options) {
  if (!workFile || !options) return FALSE;
  kelt::textfile::OutputFile out;
  if (!out.Open(outPath)) return FALSE;
  FILE* f = out.Stream();
  STRUCT_WORK_FILE* wf = workFile;
  const KELT_DataFileLogOptions& o = *options;
  const bool h = o.headings != 0;

  if (o.segments) {
    Heading(f, h, "Acquisition Segment Information\n\r");
    int16_t lines = 0;
    int32_t length = 0;
    if (char* text = KELT_GetAllTextLinesForDataFile(wf, &lines, &length)) {
      int32_t position = 0;
      char line[KELT_TEXT_LINE_MAX + 1];
      while (position < length) {
        const int32_t before = position;
        if (KELT_GetNextLineFromTextFileEx(text, &position, length, line, sizeof line)) Put(f, std::string(line) + kCrLf);
        if (position == before) break;
      }
      FreeBlock(text);
    }
    Put(f, kCrLf);
  }
  if (o.runLog) {
    Heading(f, h, "Run Log\n\r");
    WriteRunLogBlock(f, wf);
    Put(f, kCrLf);
  }
  if (o.otherLogs) {
    Heading(f, h, "Other Instrument Logs\n\r");
    WriteOtherInstrumentLogs(f, wf);
    Put(f, kCrLf);
  }
  if (o.dataHandling) {
    Heading(f, h, "Data Handling\n\r");
    WriteDataHandling(f, wf);
  }
  if (o.errorLog) {
    Heading(f, h, "Error Log\n\r");
    WriteErrorLog(f, wf);
    Put(f, kCrLf);
  }
  if (o.calibrationLog) {
    Heading(f, h, "Calibration Log\n\r");
    WriteCalibrationLog(f, wf);
    Put(f, kCrLf);
  }
  if (o.revisionLog) {
    Heading(f, h, "Revision Log\n\r");
    std::string text;
    bool allocated = true;
    if (RevisionLogText(wf, text, allocated) && allocated) WriteRevisionLines(f, text.data(), text.size());
    Put(f, kCrLf);
  }
  if (o.versionLog) {
    Heading(f, h, "Version Log\n\r");
    char file[261] = {};
    std::memcpy(file, o.versionLogFile, sizeof o.versionLogFile);
    const char* whose = file[0] ? file : PathOf(wf);
    WriteVersionLogText(f, whose, whose);
    Put(f, kCrLf);
  }
  char* injectionNotes = (o.injectionNotes || o.recalcNotes) ? KELT_GetRecordDescriptionText(wf) : nullptr;
  if (o.injectionNotes) {
    Heading(f, h, "Injection Sample Notes\n\r");
    if (injectionNotes) KELT_WriteTextAsLines(f, injectionNotes, o.notesWidth);
    Put(f, kCrLf);
  }
  if (o.recalcNotes) {
    char* recalcNotes = KELT_GetRecalcNotesText(wf);
    if (!SameText(recalcNotes, injectionNotes)) {
      Heading(f, h, "Recalc Sample Notes\n\r");
      if (recalcNotes) KELT_WriteTextAsLines(f, recalcNotes, o.notesWidth);
      Put(f, kCrLf);
    }
    if (recalcNotes) FreeBlock(recalcNotes);
  }
  if (injectionNotes) FreeBlock(injectionNotes);
  if (o.methodNotes) {
    WriteMethodNotes(f, wf, h, o.notesWidth);
    Put(f, kCrLf);
  }
  if (o.runLog2) {
    if (wf->hasLog) Heading(f, h, "Run Log\n\r");
    if (RunLogFromReader(wf)) KELT_WriteRunLogText(f, wf);
    else if (wf->hasLog) KELT_WriteTrelLogText(f, wf);
  }
  if (o.moduleAttributes) {
    Heading(f, h, "MS Module Attributes\n\r");
    WriteModuleAttributesText(f, PathOf(wf), wf->module, wf->fileType);
    Put(f, kCrLf);
  }
  if (o.eventLog) {
    Heading(f, h, "MS Event Log\n\r");
    WriteEventLogText(f, PathOf(wf), wf->module, wf->fileType);
    Put(f, kCrLf);
  }
  if (o.samplePrep) {
    Heading(f, h, "Sample Preparation\n\r");
    if (HasSamplePrep(wf)) {
      WriteSamplePrepText(f, PathOf(wf));
    } else {
      Put(f, "No sample preparation section on data file.\n\r");
      Put(f, kCrLf);
    }
  }
  if (o.methodSegmentLog) {
    Heading(f, h, "Method Segment Log\n\r");
    WriteMethodSegmentText(f, PathOf(wf), wf->module, wf->fileType, 2, 1);
  }
  if (o.segmentLine) {
    if (h) Heading(f, h, win::crt::FormatString("Method Segment %d\n\r", o.segmentIndex + 1).c_str());
    if (o.segmentIndex >= 0 && o.segmentIndex < WorkFileSegmentCount(wf)) {
      char line[KELT_DESCRIPTION_LINE_MAX + 1] = {};
      KELT_GetOneTextLineForSegment(wf, o.segmentIndex, line);
      Put(f, std::string(line) + kCrLf);
    }
  }
  return out.Commit() ? TRUE : FALSE;
}

BOOL MakeKMSTextLogFile(const char* outPath, STRUCT_WORK_FILE* workFile, int16_t attributes, int16_t attributesEx,
                        int16_t eventLog, int16_t methodSegments, int16_t segmentIndex, int16_t segFlagA,
                        int16_t segFlagB, int16_t segFlagC, int16_t moduleMethods, int16_t revisionLog) {
  if (!workFile) return FALSE;
  kelt::textfile::OutputFile out;
  if (!out.Open(outPath)) return FALSE;
  FILE* f = out.Stream();
  STRUCT_WORK_FILE* wf = workFile;
  const bool segmentFlag = segFlagA || segFlagB || segFlagC;
  if (attributes) {
    if (attributesEx) WriteModuleAttributesTextEx(f, PathOf(wf), wf->module, wf->fileType);
    else WriteModuleAttributesText(f, PathOf(wf), wf->module, wf->fileType);
    Put(f, kCrLf);
  }
  if (eventLog) {
    WriteEventLogText(f, PathOf(wf), wf->module, wf->fileType);
    Put(f, kCrLf);
  }
  if (methodSegments > 0 && segmentFlag) {
    for (int s = 0; s < WorkFileSegmentCount(wf); ++s) {
      if (methodSegments == 1 && s != segmentIndex) continue;
      WriteMethodSegmentLogText(f, PathOf(wf), wf->module, wf->fileType, int16_t(s + 1), 1, 1);
      Put(f, kCrLf);
    }
  }
  if (moduleMethods) {
    WriteOtherInstrumentLogs(f, wf);
    Put(f, kCrLf);
  }
  if (revisionLog) {
    KELT_WriteRevisionLogToTextFile(f, wf);
    Put(f, kCrLf);
  }
  return out.Commit() ? TRUE : FALSE;
}

// ---- Method text files ------------------------------------------------------------------------

BOOL KELT_MakeModuleMethodTextFile(const char* outPath, const char* dataPath, uint16_t moduleId,
                                   uint16_t moduleAddress) {
  if (!dataPath) return FALSE;
  kelt::textfile::OutputFile out;
  if (!out.Open(outPath)) return FALSE;
  FILE* f = out.Stream();
  for (const std::string& name : SectionsWithStem(dataPath, "Method")) {
    uint16_t id = 0, address = 0;
    if (!ParseMethodSection(name, &id, &address) || id != moduleId || address != moduleAddress) continue;
    if (GetModuleConfig(MODULE_CONFIG_INSTRUMENT, moduleId)) {
      WriteModuleMethod(f, dataPath, name);
      Put(f, kCrLf);
    }
    break;
  }
  KELT_WriteModuleInfoToTextFile(moduleAddress, dataPath, f, 1);
  return out.Commit() ? TRUE : FALSE;
}

namespace {

// The sections named by bases, formatted by a library loaded by name, each followed by CR LF.
BOOL MakeFormattedMethodFile(const char* outPath, const char* dataPath, const char* library,
                             const std::vector<const char*>& bases, uint16_t moduleId, uint16_t moduleAddress) {
  if (!dataPath) return FALSE;
  kelt::textfile::OutputFile out;
  if (!out.Open(outPath)) return FALSE;
  NamedLibrary lib(library);
  auto format = lib.Function<FormatMethodSectionFn>("FormatMethodSection");
  if (!format) {
    DeleteFileA(outPath);  // as an empty file: no method text
    return FALSE;
  }
  for (const char* base : bases) {
    char name[128] = {};
    if (!BuildDHSectionName(name, base, moduleId, moduleAddress, "1")) continue;
    format(out.Stream(), dataPath, name);
    Put(out.Stream(), kCrLf);
  }
  return out.Commit() ? TRUE : FALSE;
}

}  // namespace

BOOL KELT_MakeDataHandlingMethodTextFile(const char* outPath, const char* dataPath, int16_t globalParams,
                                         int16_t peakTable, uint16_t moduleId, uint16_t moduleAddress) {
  if (!globalParams && !peakTable) return FALSE;
  std::vector<const char*> bases;
  if (globalParams) bases.push_back("GlobalParams");
  if (peakTable) bases.push_back("PeakTable");
  return MakeFormattedMethodFile(outPath, dataPath, "Ferrow.dll", bases, moduleId, moduleAddress);
}

BOOL KELT_MakeReportsMethodTextFile(const char* outPath, const char* dataPath, uint16_t moduleId,
                                    uint16_t moduleAddress) {
  return MakeFormattedMethodFile(outPath, dataPath, "Orsank.drv", {"MSReportFormat2"}, moduleId, moduleAddress);
}
