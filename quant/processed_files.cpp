// Reference-peak correction of expected times, and processed compound and
// chromatogram files.
#include "quant/processed_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <memory>
#include <optional>
#include <vector>

#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "nabrit/nabrit.h"
#include "quant/compound_fields.h"
#include "quant/compound_integration.h"
#include "quant/compound_method.h"
#include "quant/peak_flags.h"
#include "quant/peak_measurement.h"
#include "quant/results_sections.h"
#include "quorna/ms_keep.h"
#include "quorna/quorna.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

constexpr char kEngineName[] = "MORVEX";

// The floating-point control word is put back when a caller changed it;
// the warning is shown when "ReportFPCWError" asks for it.
void CheckControlWord(HWND owner) {
  const unsigned int now = _control87(0, 0), kept = MorvexControlWord();
  if (now == kept) return;
  _control87(kept, 0xFFFFFFFFu);
  if (GetPrivateProfileIntA("MORVEX", "ReportFPCWError", 0, "MORVEX.INI") != 0) {
    char text[120];
    std::snprintf(text, sizeof text, "Floating Point Control Word was restored to 0x%x from 0x%x", kept, now);
    MessageBoxA(owner, text, "Warning!", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
  }
}

bool ModuleOf(const char* dataFile, uint16_t* id, uint16_t* address) {
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (!dataFile || !ReadMSFileInfo(dataFile, nullptr, info.data())) return false;
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), sizeof block);
  *id = block.fileType, *address = block.module;
  return true;
}

bool ReadGlobal(const char* file, uint16_t id, uint16_t address, STRUCT_DH_GLOBAL_PARAMS* g) {
  if (!file || !*file) return false;
  HDHTABLE t = OpenGlobalTable(file, id, address, "1");
  if (!t) return false;
  const bool ok = ReadGlobalTable(t, g) != 0;
  FreeDHRecordSet(t);
  return ok;
}

std::string NameOf(const STRUCT_DH_COMPOUND& c) { return std::string(c.name, strnlen(c.name, sizeof c.name)); }

// The compound's peak in a processed compound file: its found time.
bool FoundTime(const char* file, uint16_t id, uint16_t address, const char* tag, const STRUCT_DH_COMPOUND& c,
               const STRUCT_DH_GLOBAL_PARAMS* global, float* found) {
  HDHTABLE t = OpenDHResultTable(file, id, address, tag);
  if (!t) return false;
  STRUCT_RESULT_STEP step;
  std::memset(&step, 0, sizeof step);
  STRUCT_DH_RESULT peak;
  const bool ok = MORVEX_GetCmpdIntegrationResults(t, file, &peak, &step, id, address, tag, &c, global, nullptr, 0);
  FreeDHRecordSet(t);
  if (ok) *found = step.retentionTime;
  return ok;
}

bool IsReference(const STRUCT_DH_COMPOUND& c) { return (c.flags & quant::kFlagReference) && c.retentionTime != 0; }

// Set while this thread makes processed compound files only to read the
// engine's peak from them and delete them: such a file is scratch and
// holds no copy of the extracted data (the engine reads it from memory).
thread_local bool t_peakOnly = false;

struct PeakOnlyFiles {
  bool previous = t_peakOnly;
  PeakOnlyFiles() { t_peakOnly = true; }
  ~PeakOnlyFiles() { t_peakOnly = previous; }
  PeakOnlyFiles(const PeakOnlyFiles&) = delete;
  PeakOnlyFiles& operator=(const PeakOnlyFiles&) = delete;
};

}  // namespace

void InitDefaultRunRecord(uint8_t* record, size_t size) {
  if (!record || size < QUANT_OPTIONS_SIZE) return;
  InitQuantOptions(record);
  DH_FACTOR_BLOCK factors;
  InitDHFactorBlock(&factors);
  std::memcpy(record + 26, &factors, sizeof factors);
}

BOOL MORVEX_CheckForRefPks(HDHTABLE compounds, int32_t count, REF_TIME_ENTRY** times, uint16_t** refs,
                           int16_t* refCount, const char* dataFile, const char* sourceFile, int32_t second,
                           int16_t value, const STRUCT_DH_GLOBAL_PARAMS* global, uint16_t id, uint16_t address,
                           const char* tag, int16_t* failed) {
  if (times) *times = nullptr;
  if (refs) *refs = nullptr;
  if (refCount) *refCount = 0;
  if (!compounds || count <= 0 || !dataFile || !tag) return FALSE;
  count = std::min<int32_t>(count, CountDHRecords(compounds));
  if (count <= 0) return FALSE;
  std::vector<STRUCT_DH_COMPOUND> records(static_cast<size_t>(count));
  std::vector<bool> readable(static_cast<size_t>(count), false);
  std::vector<REF_TIME_ENTRY> table(size_t(count) + 1, REF_TIME_ENTRY{0, 0});
  std::vector<uint16_t> list;
  for (int32_t i = 0; i < count; ++i) {
    readable[size_t(i)] = GetDHRecord(compounds, i, &records[size_t(i)]) != 0;
    if (readable[size_t(i)] && IsReference(records[size_t(i)])) {
      table[size_t(i) + 1].expected = float(records[size_t(i)].retentionTime / 1000.0);
      list.push_back(uint16_t(i + 1));
    }
  }
  if (list.empty()) return FALSE;

  // Integrate each reference; one not found drops out of the list.
  PeakOnlyFiles peakOnly;
  std::vector<uint16_t> found;
  for (uint16_t n : list) {
    STRUCT_DH_COMPOUND c = records[n - 1u];
    CMPD_WINDOW_LIMITS limits;
    MORVEX_GetCmpdWindowLimits(&c, &limits);
    char path[MAX_PATH] = {};
    float time = 0;
    const bool ok = MORVEX_GetIntegratedCmpdFileEx(dataFile, sourceFile ? sourceFile : dataFile, nullptr, second,
                                                   value, global, &c, &limits, path, 1) &&
                    FoundTime(path, id, address, tag, c, global, &time);
    if (path[0]) DeleteFileA(path);
    if (ok) {
      table[n].found = time;
      found.push_back(n);
    } else {
      table[n].expected = 0;
    }
  }

  // Correct every compound along the lines through the found references.
  bool allWritten = true;
  double slope = 1.0, offset = 0.0;
  for (int32_t i = 0; i < count; ++i) {
    if (!readable[size_t(i)]) {
      allWritten = false;
      continue;
    }
    STRUCT_DH_COMPOUND& c = records[size_t(i)];
    REF_TIME_ENTRY& e = table[size_t(i) + 1];
    const double expected = c.retentionTime / 1000.0;
    const bool foundReference =
        std::find(found.begin(), found.end(), uint16_t(i + 1)) != found.end() && e.expected != 0;
    if (!foundReference) {
      // A reference that was not found keeps 0 as its expected time.
      if (std::find(list.begin(), list.end(), uint16_t(i + 1)) == list.end()) e.expected = float(expected);
      // The nearest found references below and above.
      int low = -1, high = -1;
      for (size_t k = 0; k < found.size(); ++k) {
        const double t = table[found[k]].expected;
        if (t <= expected && (low < 0 || t >= table[found[size_t(low)]].expected)) low = int(k);
        if (t > expected && (high < 0 || t < table[found[size_t(high)]].expected)) high = int(k);
      }
      if (low >= 0 && high >= 0) {
        const REF_TIME_ENTRY& a = table[found[size_t(low)]];
        const REF_TIME_ENTRY& b = table[found[size_t(high)]];
        // Two references of one expected time give no line.
        if (b.expected != a.expected) {
          slope = (double(b.found) - a.found) / (double(b.expected) - a.expected);
          offset = a.found - slope * a.expected;
        }
      }
      e.found = float(slope * expected + offset);
    }
    c.retentionTime = uint32_t(std::max(0.0, double(e.found) * 1000.0));
  }
  // Each run of readable records in one write: every write saves the whole
  // table again.
  for (int32_t i = 0; i < count;) {
    if (!readable[size_t(i)]) {
      ++i;
      continue;
    }
    int32_t end = i;
    while (end < count && readable[size_t(end)]) ++end;
    if (!PutDHRecords(compounds, i, end - i, &records[size_t(i)])) allWritten = false;
    i = end;
  }
  const bool ok = !found.empty() && allWritten;
  if (failed) *failed = ok ? 0 : 1;
  if (times) {
    auto* block = static_cast<REF_TIME_ENTRY*>(AllocBlock(uint32_t(table.size() * sizeof(REF_TIME_ENTRY))));
    if (block) std::memcpy(block, table.data(), table.size() * sizeof(REF_TIME_ENTRY));
    *times = block;
  }
  if (refs) {
    auto* block = static_cast<uint16_t*>(AllocBlock(uint32_t((found.size() + 1) * sizeof(uint16_t))));
    if (block && !found.empty()) std::memcpy(block + 1, found.data(), found.size() * sizeof(uint16_t));
    *refs = block;
  }
  if (refCount) *refCount = int16_t(found.size());
  return ok ? TRUE : FALSE;
}

BOOL MORVEX_GetIntegratedCmpdFile(const char* dataFile, const char* second, int32_t third, int16_t value,
                                  const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_DH_COMPOUND* compound,
                                  const CMPD_WINDOW_LIMITS* limits, char* outPath, int16_t flag) {
  return MORVEX_GetIntegratedCmpdFileEx(dataFile, dataFile, second, third, value, global, compound, limits, outPath,
                                        flag);
}

BOOL MORVEX_GetIntegratedCmpdFileEx(const char* dataFile, const char* sourceFile, const char*, int32_t, int16_t,
                                    const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_DH_COMPOUND* compound,
                                    const CMPD_WINDOW_LIMITS* limits, char* outPath, int16_t flag) {
  if (outPath) outPath[0] = 0;
  if (!dataFile || !compound || !limits || !outPath) return FALSE;
  const char* tag = "1";
  CheckControlWord(GetActiveWindow());
  uint16_t id = 0, address = 0;
  if (!ModuleOf(dataFile, &id, &address)) return FALSE;
  const std::string name = NameOf(*compound);
  char text[400];
  STRUCT_CHAN_LIST channels;
  std::memcpy(&channels, &compound->chanList, sizeof channels);
  const int16_t valid = MORVEX_IsValidChannels(&channels, dataFile, limits->centre);
  if (valid == CHANNELS_NONE) {
    std::snprintf(text, sizeof text, "%s : None of the specified Scan Function Channels exist - Cannot quantitate.",
                  name.c_str());
    MessageBoxA(GetActiveWindow(), text, "Error!", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return FALSE;
  }
  if (valid == CHANNELS_SOME) {
    std::snprintf(text, sizeof text,
                  "%s : One or more specified Scan Function Channels don't exist - Quantitating available channels.",
                  name.c_str());
    MessageBoxA(GetActiveWindow(), text, "Warning!", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
  }
  STRUCT_DH_GLOBAL_PARAMS g;
  if (global) g = *global;
  else if (!ReadGlobal(dataFile, id, address, &g)) InitGlobalParams(&g);
  g.quant.calculationType = 1;
  compound->retentionTime = uint32_t(std::max(0.0, limits->centre * 1000.0));
  // The one-compound method is handed to the engine from memory; the
  // temporary name (an empty file) only stands for it.
  char method[MAX_PATH] = {};
  if (!MakeTempFileName("MTH", method)) return FALSE;
  struct MethodInMemory {
    void* held;
    ~MethodInMemory() { EndDHMethodInMemory(held); }
  } inMemory{BeginCompoundMethodInMemory(method, &g, compound, id, address, tag, nullptr)};
  if (!inMemory.held || !MakeTempFileName("RUN", outPath)) {
    DeleteFileA(method);
    return FALSE;
  }
  const bool peakOnly = t_peakOnly && MarkScratchSectionFile(outPath);
  // The extract stays open from its writing through the engine's run, so
  // that the engine reads what was written without reading it back.
  std::optional<quorna::KeptMSData> kept(std::in_place, outPath, peakOnly);
  char error[NABRIT_TEXT_SIZE] = {};
  const double noise[2] = {quant::CompoundField<int32_t>(*compound, quant::kNoiseWindowStart) / 1000.0,
                           quant::CompoundField<int32_t>(*compound, quant::kNoiseWindowEnd) / 1000.0};
  const int32_t code = ExtractCompoundData(dataFile, sourceFile ? sourceFile : dataFile, outPath,
                                           std::min(+limits->low, +limits->secondLow),
                                           std::max(+limits->high, +limits->secondHigh), &compound->massList,
                                           &compound->chanList, noise[0] != 0 || noise[1] != 0 ? noise : nullptr,
                                           quant::CompoundField<int32_t>(*compound, quant::kStandardIndicator), id,
                                           address, tag, error);
  if (code != NABRIT_OK) {
    kept.reset();
    if (!error[0]) GetExtractionErrorText(code, error);
    MessageBoxA(GetActiveWindow(), error, "Error!", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    DeleteFileA(method);
    DeleteFileA(outPath);
    outPath[0] = 0;
    return FALSE;
  }
  STRUCT_RESULT_STEP empty;
  std::memset(&empty, 0, sizeof empty);
  if (HSECTION s = CreateSection(outPath, "MSFileSpec", nullptr)) {
    WriteSection(s, dataFile, uint32_t(std::strlen(dataFile) + 1));
    CloseSection(s);
  }
  if (HSECTION s = CreateSection(outPath, "MSPeakInfo", nullptr)) {
    WriteSection(s, &empty, sizeof empty);
    WriteSection(s, compound, sizeof *compound);
    CloseSection(s);
  }
  uint8_t run[QUANT_OPTIONS_SIZE];
  InitDefaultRunRecord(run, sizeof run);
  const int32_t result = RunDataHandling(nullptr, MorvexInstance(), method, outPath, run, tag, 0, 0, 0, flag,
                                         kEngineName, kEngineName, kEngineName, kEngineName);
  kept.reset();
  DeleteFileA(method);
  DeleteSection(outPath, "MSFileSpec");
  DeleteSection(outPath, "MSPeakInfo");
  return result ? TRUE : FALSE;
}

BOOL GetProcessedCompoundFile(const char* dataFile, const char* second, int32_t third, int16_t value,
                              const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_DH_COMPOUND* compound, char* outPath,
                              int16_t flag) {
  return GetProcessedCompoundFileEx(dataFile, dataFile, second, third, value, global, compound, outPath, flag);
}

BOOL GetProcessedCompoundFileEx(const char* dataFile, const char* sourceFile, const char* second, int32_t third,
                                int16_t value, const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_DH_COMPOUND* compound,
                                char* outPath, int16_t flag) {
  if (outPath) outPath[0] = 0;
  if (!dataFile || !compound || !outPath) return FALSE;
  uint16_t id = 0, address = 0;
  if (!ModuleOf(dataFile, &id, &address)) return FALSE;
  // The reference correction works on a copy of the data file's method.
  char copy[MAX_PATH] = {};
  if (MakeTempFileName("ref", copy) && CopyFileA(dataFile, copy, FALSE)) {
    if (HDHTABLE t = OpenDHRecordSetForUpdate(copy, id, address, "1")) {
      const int32_t n = CountDHRecords(t);
      int16_t failed = 0, refCount = 0;
      REF_TIME_ENTRY* times = nullptr;
      uint16_t* refs = nullptr;
      if (MORVEX_CheckForRefPks(t, n, &times, &refs, &refCount, copy, sourceFile, third, value, global, id, address,
                                "1", &failed)) {
        for (int32_t i = 0; i < n; ++i) {
          STRUCT_DH_COMPOUND r;
          if (GetDHRecord(t, i, &r) && r.compoundNumber == compound->compoundNumber) {
            *compound = r;
            break;
          }
        }
      }
      if (times) FreeBlock(times);
      if (refs) FreeBlock(refs);
      FreeDHRecordSet(t);
    }
  }
  if (copy[0]) DeleteFileA(copy);
  CMPD_WINDOW_LIMITS limits;
  MORVEX_GetCmpdWindowLimits(compound, &limits);
  MORVEX_GetIntegratedCmpdFileEx(dataFile, sourceFile, second, third, value, global, compound, &limits, outPath, flag);
  return outPath[0] ? TRUE : FALSE;
}

namespace {

// The whole chromatogram integrated with nothing written, where the whole
// extract would be an unchanged copy of the run: the engine's working file
// kept in memory under outPath, reading the run in place, and its method
// (the global record g, no compounds, the time events of eventSource) in
// memory beside it.
// Returns the working file's scope, which the caller ends once it has read
// the results, with *ran the engine's answer; 0 when only files will do.
void* IntegrateWholeRunInMemory(HWND window, const char* source, const char* eventSource,
                                const STRUCT_DH_GLOBAL_PARAMS& g, uint16_t id, uint16_t address,
                                const void* runRecord, const char* outPath, int32_t* ran) {
  // Every scan of a whole copy lies in the range, so the range read in
  // place shows the engine all of them.
  constexpr double from = 0, to = 1440;
  if (!ExtractIsWholeCopy(source, source, from, to)) return nullptr;
  // The time events as a copy of the method's table would give them to the
  // engine; a table that will not open goes the file's way, where the
  // engine reports it.
  std::vector<DH_TIME_EVENT> events;
  char name[64];
  if (!BuildDHSectionName(name, "TimeEvents", id, address, "1")) return nullptr;
  if (SectionExists(eventSource, name)) {
    HSECTION e = OpenDHSection(eventSource, id, address, "1");
    if (!e) return nullptr;
    const int16_t n = CountDHItems(e);
    for (int16_t i = 0; i < n; ++i) {
      DH_TIME_EVENT item;
      if (ReadDHItem(e, i, &item, 1)) events.push_back(item);
    }
    CloseSection(e);
  }
  void* working = BeginDHWorkingInMemory(outPath, source, from, to);
  if (!working) return nullptr;
  // Named after the working file, which is this run's own: no file is made.
  const std::string method = std::string(outPath) + ".method";
  void* inMemory = BeginDHMethodInMemory(method.c_str(), nullptr, id, address, "1", &g, nullptr, events.data(),
                                         int32_t(events.size()));
  if (!inMemory) {
    EndDHWorkingInMemory(working);
    return nullptr;
  }
  uint8_t run[QUANT_OPTIONS_SIZE];
  if (!runRecord) {
    InitDefaultRunRecord(run, sizeof run);
    runRecord = run;
  }
  *ran = RunDataHandling(window, GetModuleHandleA("TESTDH.EXE"), method.c_str(), outPath, runRecord, "1", 0, 0, 0,
                         1, "TestDH", "TestDH", "TestDH", "TestDH");
  EndDHMethodInMemory(inMemory);
  return working;
}

BOOL ProcessedChromatogram(HWND window, const char* workingFile, const char* dataFile, const char* methodFile,
                           const void* runRecord, char* outPath, STRUCT_RESULT_STEP* step, int16_t extract,
                           int16_t segment, bool mergedChannels, bool resultsOnly = false,
                           void** memoryOut = nullptr) {
  if (!outPath || !dataFile) return FALSE;
  CheckControlWord(window);
  uint16_t id = 0, address = 0;
  if (!ModuleOf(dataFile, &id, &address)) return FALSE;
  STRUCT_DH_GLOBAL_PARAMS g;
  if (!ReadGlobal(methodFile && *methodFile ? methodFile : dataFile, id, address, &g) &&
      !ReadGlobal(dataFile, id, address, &g)) {
    InitGlobalParams(&g);
    std::memset(&g.massList, 0, sizeof g.massList);  // "RIC"
    std::memset(&g.chanList, 0, sizeof g.chanList);  // merged
  }
  if (mergedChannels) std::memset(&g.chanList, 0, sizeof g.chanList);
  g.quant.peakWidthFifths = int16_t(std::max(1, g.quant.peakWidthFifths / 5));

  STRUCT_CHAN_LIST channels;
  std::memcpy(&channels, &g.chanList, sizeof channels);
  const int16_t valid = MORVEX_IsValidChannels(&channels, dataFile, -1.0);
  if (valid == CHANNELS_NONE) {
    PostStatusText(window, 1,
                   "Chromatogram Integration : None of the specified Scan Function Channels exist - Cannot quantitate.");
    if (step) step->resultFlags |= PF_NO_CHANNELS;
  } else if (valid == CHANNELS_SOME) {
    PostStatusText(window, 0,
                   "Chromatogram Integration : One or more specified Scan Function Channels don't exist in one or "
                   "more data file segments - Quantitating available channels.");
    if (step) step->resultFlags |= PF_SOME_CHANNELS;
  }
  if (valid == CHANNELS_NONE) {
    if (step) MakeStepLetters(step, 0, g.quant.calculationType);
    return FALSE;
  }

  const char* working = workingFile && *workingFile ? workingFile : dataFile;
  bool madeOut = false;
  // The engine reads the run where it lies instead of from a copy of it.
  struct InPlace {
    void* held = nullptr;
    ~InPlace() {
      if (held) EndDHDataInPlace(held);
    }
  } inPlace;
  // A caller that takes the results from memory gets no file at all.
  if (extract && resultsOnly && segment < 0 && memoryOut && !step &&
      !IsSectionFileOfType(outPath, SECTION_FILE_TYPE_METHOD)) {
    if (!MakeTempFileName("FUL", outPath)) return FALSE;
    int32_t ran = 0;
    const char* eventSource = methodFile && *methodFile ? methodFile : dataFile;
    if ((*memoryOut = IntegrateWholeRunInMemory(window, working, eventSource, g, id, address, runRecord, outPath,
                                                &ran)))
      return ran ? TRUE : FALSE;
    DeleteFileA(outPath);
    outPath[0] = 0;
  }
  if (extract) {
    if (!IsSectionFileOfType(outPath, SECTION_FILE_TYPE_METHOD)) {
      if (!MakeTempFileName("FUL", outPath)) return FALSE;
      // Made under a name of this process's own: no one else opens it
      // while it is written.
      MarkScratchSectionFile(outPath);
      madeOut = true;
    }
    // A caller that reads back only the engine's results and deletes the
    // file gets no copy of a whole run: the engine reads the same stored
    // data from the run itself.
    if (resultsOnly && segment < 0 && ExtractIsWholeCopy(dataFile, working, 0, 1440)) {
      if (!PrepareDHFile(outPath) || !(inPlace.held = BeginDHDataInPlace(outPath, working))) {
        if (madeOut) DeleteFileA(outPath), outPath[0] = 0;
        return FALSE;
      }
      extract = 0;
    }
  }
  if (extract) {
    double from = 0, to = 1440;
    if (segment >= 0) {
      from = to = -1;
      if (HMSDATA ms = OpenMSData(dataFile, "MSData", 0)) {
        auto block = std::make_unique<MS_SEGMENT_BLOCK>();
        if (ReadMSSegmentBlock(ms, segment + 1, block.get(), 0) == 0) from = block->startTime, to = block->endTime;
        CloseMSData(ms);
      }
    }
    char error[NABRIT_TEXT_SIZE] = {};
    const int32_t code =
        from < 0 ? NABRIT_ERROR_NO_SCANS
                 : ExtractDataRange(dataFile, working, outPath, from, to, segment >= 0 ? segment : int16_t(-1), error);
    if (code != NABRIT_OK) {
      if (!error[0]) GetExtractionErrorText(code, error);
      char text[200];
      std::snprintf(text, sizeof text, "Chromatogram Integration : %s", error);
      PostStatusText(window, 1, text);
      if (madeOut) DeleteFileA(outPath), outPath[0] = 0;
      return FALSE;
    }
  } else if (!inPlace.held) {
    std::snprintf(outPath, MAX_PATH, "%s", working);
  }

  // A method of the global parameters and the data file's time events alone.
  char method[MAX_PATH] = {};
  if (!MakeTempFileName("MTH", method) || !CreateSectionFileAtPath(method, SECTION_FILE_TYPE_METHOD, 0, 1)) {
    if (method[0]) DeleteFileA(method);
    if (madeOut) DeleteFileA(outPath), outPath[0] = 0;
    return FALSE;
  }
  if (HDHTABLE t = CreateCompoundTable(method, id, address, "1")) FreeDHRecordSet(t);
  if (HDHTABLE t = CreateGlobalTable(method, id, address, "1")) {
    WriteGlobalTable(t, &g);
    FreeDHRecordSet(t);
  }
  char events[64];
  BuildDHSectionName(events, "TimeEvents", id, address, "1");
  const char* eventSource = methodFile && *methodFile ? methodFile : dataFile;
  if (!SectionExists(eventSource, events) || !CopySection(eventSource, events, method, events))
    if (HSECTION s = CreateDHSection(method, id, address, "1")) CloseSection(s);
  if (HDHTABLE t = CreateCalibrationLog(method, id, address, "1")) FreeDHRecordSet(t);
  if (step) {
    std::memcpy(&step->massList, &g.massList, sizeof step->massList);
    std::memcpy(&step->chanList, &g.chanList, sizeof step->chanList);
    MakeStepLetters(step, 0, g.quant.calculationType);
  }
  uint8_t run[QUANT_OPTIONS_SIZE];
  if (!runRecord) {
    InitDefaultRunRecord(run, sizeof run);
    runRecord = run;
  }
  const int32_t result = RunDataHandling(window, GetModuleHandleA("TESTDH.EXE"), method, outPath, runRecord, "1", 0,
                                         0, 0, inPlace.held ? 1 : extract, "TestDH", "TestDH", "TestDH", "TestDH");
  DeleteFileA(method);
  return result ? TRUE : FALSE;
}

}  // namespace

BOOL GetProcessedChromatogramFile(HWND window, const char* workingFile, const char* dataFile, int32_t a, int32_t b,
                                  int16_t c, const char* methodFile, const void* runRecord, char* outPath,
                                  STRUCT_RESULT_STEP* step, int16_t extract) {
  return GetProcessedChromatogramFileEx(window, workingFile, dataFile, 0, a, b, c, methodFile, runRecord, outPath,
                                        step, extract);
}

BOOL GetProcessedChromatogramFileEx(HWND window, const char* workingFile, const char* dataFile, int32_t, int32_t,
                                    int32_t, int16_t, const char* methodFile, const void* runRecord, char* outPath,
                                    STRUCT_RESULT_STEP* step, int16_t extract) {
  return ProcessedChromatogram(window, workingFile, dataFile, methodFile, runRecord, outPath, step, extract, -1, true);
}

BOOL GetFullChromatogramResultsFile(HWND window, const char* dataFile, const char* methodFile, char* outPath,
                                    void** memory) {
  if (memory) *memory = nullptr;
  return ProcessedChromatogram(window, nullptr, dataFile, methodFile, nullptr, outPath, nullptr, 1, -1, true, true,
                               memory);
}

BOOL GetProcessedChromatogramFileInteractiveEx(HWND window, const char* workingFile, const char* dataFile, int32_t,
                                               int32_t, int32_t, int16_t, const char* methodFile,
                                               const void* runRecord, char* outPath, STRUCT_RESULT_STEP* step,
                                               int16_t extract, int16_t segment) {
  return ProcessedChromatogram(window, workingFile, dataFile, methodFile, runRecord, outPath, step, extract, segment,
                               false);
}

BOOL FindMarkerCompound(HDHTABLE compounds, int32_t count, float* expected, float* found, const char* dataFile,
                        const char* second, int32_t third, int16_t value, const STRUCT_DH_GLOBAL_PARAMS* global,
                        uint16_t id, uint16_t address, const char* tag) {
  if (!compounds || !dataFile || !tag) return FALSE;
  count = std::min<int32_t>(count, CountDHRecords(compounds));
  for (int32_t i = 0; i < count; ++i) {
    STRUCT_DH_COMPOUND c;
    if (!GetDHRecord(compounds, i, &c) || !(c.flags & quant::kFlagMarker)) continue;
    if (expected) *expected = float(c.retentionTime / 1000.0);
    CMPD_WINDOW_LIMITS limits;
    MORVEX_GetCmpdWindowLimits(&c, &limits);
    char path[MAX_PATH] = {};
    float time = 0;
    PeakOnlyFiles peakOnly;
    const bool ok = MORVEX_GetIntegratedCmpdFileEx(dataFile, dataFile, second, third, value, global, &c, &limits,
                                                   path, 1) &&
                    FoundTime(path, id, address, tag, c, global, &time);
    if (path[0]) DeleteFileA(path);
    if (ok) {
      if (found) *found = time;
      return TRUE;
    }
  }
  return FALSE;
}
