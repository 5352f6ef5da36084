// One compound of a method integrated in one data file.
#include "quant/compound_integration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "nabrit/nabrit.h"
#include "orvik32/orvik32_batches.h"
#include "quant/compound_fields.h"
#include "quant/compound_method.h"
#include "quant/peak_flags.h"
#include "quant/peak_measurement.h"
#include "quant/results_sections.h"
#include "quorna/ms_keep.h"
#include "quorna/quorna.h"
#include "reportmakers/spectra_of_compounds.h"
#include "spectra/spectrum_kinds.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "spectra/tol_spectra.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"

namespace {

using quant::CompoundField;

// Global-record fields kept in its reserved bytes.
constexpr size_t kReportFailures = 698;  // i32: failed tests keep the compound
constexpr size_t kSignalToNoiseTest = 1046;  // i32

template <class T>
T GlobalField(const STRUCT_DH_GLOBAL_PARAMS& g, size_t offset) {
  T v{};
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(&g) + offset, sizeof v);
  return v;
}

template <size_t N>
void PutText(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  std::snprintf(field, N, "%s", text);
}

std::string CompoundName(const STRUCT_DH_COMPOUND& c) { return std::string(c.name, strnlen(c.name, sizeof c.name)); }

void Note(HWND window, int16_t level, const char* fmt, const std::string& name, const char* text = nullptr) {
  char line[400];
  if (text) std::snprintf(line, sizeof line, fmt, name.c_str(), text);
  else std::snprintf(line, sizeof line, fmt, name.c_str());
  PostStatusText(window, level, line);
}

int16_t ErcLevel(int16_t code) {
  switch (code) {
    case 25: case 46: case 50: return 1;
    case 26: case 47: case 51: return 2;
    case 27: case 48: case 52: return 3;
    default: return 0;
  }
}

// The engine's results of one file read once while in scope.
class ResultReads {
 public:
  explicit ResultReads(const char* path) : hold_(path && *path ? BeginDHResultReads(path) : nullptr) {}
  ~ResultReads() { End(); }
  ResultReads(const ResultReads&) = delete;
  ResultReads& operator=(const ResultReads&) = delete;
  void End() {
    if (hold_) EndDHResultReads(hold_);
    hold_ = nullptr;
  }

 private:
  void* hold_;
};

// Files made for one engine run, deleted when it goes out of scope.
struct TempFile {
  char path[MAX_PATH] = {};
  ~TempFile() {
    if (path[0]) DeleteFileA(path);
  }
  void Keep() { path[0] = 0; }
};

// What one engine run over one compound (or one of its qualifiers) gives.
struct EngineRun {
  bool ran = false;       // the engine left results to read
  bool extractFailed = false;
  char extractText[NABRIT_TEXT_SIZE] = {};
  TempFile method, run, copy;
  // The method or the working file is a scratch file of the run's
  // CompoundScratchFiles: it outlives this engine run.
  bool scratchMethod = false, scratchRun = false;
  // The scratch mini run file kept in memory, read from the data file in
  // place (BeginDHWorkingInMemory); ends with this engine run.
  void* memory = nullptr;
  EngineRun() = default;
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;
  ~EngineRun() {
    if (memory) EndDHWorkingInMemory(memory);
    if (scratchMethod) method.Keep();
    if (scratchRun) copy.Keep(), run.Keep();
  }
};

// The scratch files of the compound integrations on this thread, between
// BeginCompoundScratchFiles and its end; the scope it replaced.
struct ScratchPaths {
  char method[MAX_PATH] = {};
  char run[MAX_PATH] = {};
  bool runPrepared = false;  // run is a sectioned file (it may be only a name)
  // The method's global table, read once for the compounds of the run
  // (BeginDHMethodReads on the first compound's method file).
  void* methodReads = nullptr;
  // The setting that keeps mini run files, looked up once for the run:
  // every compound of it is treated alike.
  bool storeRunFiles = StoreRunFiles() != FALSE;
  // The data file's "Run..." sections, listed once for the run (while it
  // lasts only this step stores or deletes a compound's "RunN"), so that
  // a compound does not ask the file whether its own is there.
  bool runSectionsListed = false;
  std::string runSectionsOf;
  std::vector<std::string> runSections;  // as listed, ASCII case ignored
  ScratchPaths* previous = nullptr;
};

thread_local ScratchPaths* t_scratch = nullptr;

// The engine's module handle, looked up once per thread: the engine
// ignores it, and the lookup walks the loaded modules.
HMODULE EngineModule() {
  thread_local HMODULE module = GetModuleHandleA("TESTDH.EXE");
  return module;
}

bool KeepRunFiles() { return t_scratch ? t_scratch->storeRunFiles : StoreRunFiles() != FALSE; }

std::vector<std::string>::iterator FindRunSection(ScratchPaths& p, const char* section) {
  return std::find_if(p.runSections.begin(), p.runSections.end(),
                      [section](const std::string& n) { return _stricmp(n.c_str(), section) == 0; });
}

// Whether the data file holds the section: from the run's listing inside a
// run scope (listed on first use), asked of the file otherwise or when the
// file cannot be listed.
bool RunSectionStored(const char* dataFile, const char* section) {
  ScratchPaths* p = t_scratch;
  if (p && (!p->runSectionsListed || p->runSectionsOf != dataFile)) {
    p->runSectionsListed = false;
    p->runSections.clear();
    if (HSECTION listing = FindSectionsByStem(dataFile, "Run")) {
      bool ok = true;
      const int32_t count = CountSectionMatches(listing);
      for (int32_t i = 0; ok && i < count; ++i) {
        char name[300] = {};
        ok = GetSectionMatchName(listing, i, name, sizeof name) != FALSE;
        if (ok) p->runSections.emplace_back(name);
      }
      CloseSection(listing);
      p->runSectionsListed = ok;
      p->runSectionsOf = dataFile;
    }
  }
  if (!p || !p->runSectionsListed) return SectionExists(dataFile, section) != FALSE;
  return FindRunSection(*p, section) != p->runSections.end();
}

// Keeps the run's listing true after the section was stored (stored) or
// deleted; when that failed (ok false) the file is asked again next time.
void NoteRunSection(const char* section, bool stored, bool ok) {
  ScratchPaths* p = t_scratch;
  if (!p || !p->runSectionsListed) return;
  if (!ok) {
    p->runSectionsListed = false;
    return;
  }
  auto it = FindRunSection(*p, section);
  if (stored && it == p->runSections.end()) p->runSections.emplace_back(section);
  if (!stored && it != p->runSections.end()) p->runSections.erase(it);
}

// The one-compound method kept in memory for the engine, under the
// scratch method file's name (made empty on first use, so that the name
// stays this run's own); false when no name can be made.
class MemoryMethod {
 public:
  MemoryMethod() = default;
  ~MemoryMethod() {
    if (method_) EndDHMethodInMemory(method_);
  }
  MemoryMethod(const MemoryMethod&) = delete;
  MemoryMethod& operator=(const MemoryMethod&) = delete;
  bool Begin(STRUCT_DH_GLOBAL_PARAMS* g, const STRUCT_DH_COMPOUND& compound, uint16_t id, uint16_t address,
             const char* tag, const char* methodFile, EngineRun* r) {
    ScratchPaths& p = *t_scratch;
    if (!p.methodReads && methodFile && *methodFile) p.methodReads = BeginDHMethodReads(methodFile);
    if (!p.method[0] && !MakeTempFileName("MTH", p.method)) {
      p.method[0] = 0;
      return false;
    }
    method_ = BeginCompoundMethodInMemory(p.method, g, &compound, id, address, tag, methodFile);
    if (!method_) return false;
    std::memcpy(r->method.path, p.method, sizeof r->method.path);
    r->scratchMethod = true;
    return true;
  }

 private:
  void* method_ = nullptr;
};

// The scratch mini run file (made on first use) with a batch open on it
// in which the last compound's sections are deleted: what this compound
// writes replaces them in one commit, and everything read from the file
// meanwhile goes through the batch. False (no batch open) when the file
// cannot be made or emptied.
bool EmptyScratchRun(EngineRun* r, bool* batch) {
  ScratchPaths& p = *t_scratch;
  *batch = false;
  if (!p.runPrepared) {
    if ((!p.run[0] && !MakeTempFileName("RUN", p.run)) || !MarkScratchSectionFile(p.run) || !PrepareDHFile(p.run)) {
      if (p.run[0]) DeleteFileA(p.run);
      p.run[0] = 0;
      return false;
    }
    p.runPrepared = true;
  }
  *batch = BeginSectionBatch(p.run) != FALSE;
  if (!*batch || !ClearSections(p.run)) {
    if (*batch) AbortSectionBatch(p.run);
    *batch = false;
    return false;
  }
  std::memcpy(r->run.path, p.run, sizeof r->run.path);
  r->scratchRun = true;
  return true;
}

// The scratch mini run file kept in memory with its MS data read in place
// from the data file, when the engine would see there just what an extract
// shows it: nothing is extracted or written, and the engine's tables stay
// in memory for the compound's results to be read from.
// Outside a quantitation the file is named for this engine run alone.
bool MemoryScratchRun(const char* dataFile, double low, double high, const STRUCT_DH_COMPOUND& compound,
                      const double* noise, EngineRun* r) {
  double from = 0, to = 0;
  if (!CompoundDataReadsInPlace(dataFile, dataFile, low, high, &compound.chanList, noise, &from, &to)) return false;
  if (!t_scratch) {
    if (!MakeTempFileName("RUN", r->run.path)) {
      r->run.path[0] = 0;
      return false;
    }
    r->memory = BeginDHWorkingInMemory(r->run.path, dataFile, from, to);
    return r->memory != nullptr;
  }
  ScratchPaths& p = *t_scratch;
  if (!p.run[0] && !MakeTempFileName("RUN", p.run)) {
    p.run[0] = 0;
    return false;
  }
  r->memory = BeginDHWorkingInMemory(p.run, dataFile, from, to);
  if (!r->memory) return false;
  std::memcpy(r->run.path, p.run, sizeof r->run.path);
  r->scratchRun = true;
  return true;
}

// The mini run file's MS data kept open from its extraction through the
// engine's run: the engine reads the image the extraction wrote instead of
// reading the file back. A reused scratch mini run file, which no one sees
// but the engine (it reads only the engine's tables from it afterwards),
// gets no copy of the data at all. Ends with the engine run: the file may
// be written again by other means after it.
class KeptMiniRun {
 public:
  KeptMiniRun() = default;
  ~KeptMiniRun() {
    if (path_) ReleaseMSDataOpen(path_, "MSData");
  }
  KeptMiniRun(const KeptMiniRun&) = delete;
  KeptMiniRun& operator=(const KeptMiniRun&) = delete;
  void Keep(const char* path, bool memoryOnly) {
    if (!path_ && (memoryOnly ? KeepMSDataInMemory(path, "MSData") : KeepMSDataOpen(path, "MSData"))) path_ = path;
  }

 private:
  const char* path_ = nullptr;
};

// Builds the one-compound method, extracts the compound's data when asked,
// and runs the engine on a private copy of the working file.
void RunEngine(HWND window, const char* dataFile, const char* methodFile, STRUCT_DH_GLOBAL_PARAMS* compoundGlobal,
               const STRUCT_DH_COMPOUND& compound, const STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_RESULT_STEP& step,
               const void* standardRecord, const STRUCT_DH_COMPOUND* standardCompound, uint16_t id, uint16_t address,
               const char* tag, bool miniRun, bool runFileWanted, EngineRun* r) {
  STRUCT_DH_GLOBAL_PARAMS g;
  if (compoundGlobal) g = *compoundGlobal;
  else if (global) g = *global;
  else InitGlobalParams(&g);
  // Within a quantitation the scratch files are reused, except where the
  // mini run file itself is kept (handed back or stored whole).
  const bool reuseRun = t_scratch && miniRun && !runFileWanted && !KeepRunFiles();
  // Within a quantitation the engine takes the one-compound method from
  // memory, with the method's global table as a method file would hold it.
  MemoryMethod memoryMethod;
  const bool scratchMethod = t_scratch && memoryMethod.Begin(&g, compound, id, address, tag, methodFile, r);
  if (!scratchMethod) CreateCompoundMethod(&g, &compound, r->method.path, id, address, tag);
  if (compoundGlobal) *compoundGlobal = g;
  if (!r->method.path[0]) return;
  if (!scratchMethod && methodFile && *methodFile) {
    const bool batch = BeginSectionBatch(r->method.path) != FALSE;
    for (const char* base : {"CalibrationLog", "GlobalParams"}) {
      char name[64];
      if (BuildDHSectionName(name, base, id, address, tag) && SectionExists(methodFile, name))
        CopySection(methodFile, name, r->method.path, name);
    }
    if (batch) CommitSectionBatch(r->method.path);
  }
  CMPD_WINDOW_LIMITS limits;
  MORVEX_GetCmpdWindowLimits(&compound, &limits);
  const char* working = dataFile;
  // The mini run file's extracted scans, the engine's inputs and what it
  // leaves reach the working file in one commit.
  bool batch = false;
  KeptMiniRun kept;
  const double noise[2] = {double(CompoundField<int32_t>(compound, quant::kNoiseWindowStart)) / 1000.0,
                           double(CompoundField<int32_t>(compound, quant::kNoiseWindowEnd)) / 1000.0};
  const bool hasNoise = noise[0] != 0 || noise[1] != 0;
  const double low = std::min(+limits.low, +limits.secondLow), high = std::max(+limits.high, +limits.secondHigh);
  // A mini run file no one gets to see is not written at all where the
  // data file's range reads as its extract would.
  const bool unseenRun = miniRun && !runFileWanted && !KeepRunFiles();
  if (unseenRun && MemoryScratchRun(dataFile, low, high, compound, hasNoise ? noise : nullptr, r)) {
    working = r->run.path;
  } else if (miniRun) {
    if (reuseRun ? !EmptyScratchRun(r, &batch)
                 : !MakeTempFileName("RUN", r->run.path) || !MarkScratchSectionFile(r->run.path) ||
                       !PrepareDHFile(r->run.path)) {
      r->extractFailed = true;
      GetExtractionErrorText(NABRIT_ERROR_TARGET, r->extractText);
      return;
    }
    if (!reuseRun) batch = BeginSectionBatch(r->run.path) != FALSE;
    kept.Keep(r->run.path, reuseRun);
    const int32_t code = ExtractCompoundData(dataFile, dataFile, r->run.path, low, high, &compound.massList,
                                             &compound.chanList, hasNoise ? noise : nullptr,
                                             CompoundField<int32_t>(compound, quant::kStandardIndicator), id, address,
                                             tag, r->extractText);
    if (code != NABRIT_OK) {
      if (batch) AbortSectionBatch(r->run.path);
      if (!r->extractText[0]) GetExtractionErrorText(code, r->extractText);
      r->extractFailed = true;
      return;
    }
    working = r->run.path;
  }
  // The engine works on a private file under a unique name, so that runs
  // over files of the same name do not meet: the mini run file itself, or
  // a copy of the data file.
  if (miniRun) {
    std::memcpy(r->copy.path, r->run.path, sizeof r->copy.path);
    r->run.Keep();
  } else if (!MakeTempFileName("DHW", r->copy.path) || !CopyFileA(working, r->copy.path, FALSE)) {
    return;
  } else {
    MarkScratchSectionFile(r->copy.path);
  }
  if (r->memory) {
    // The engine's inputs as the file would hold them.
    if (standardRecord && standardCompound) {
      std::vector<uint8_t> bytes(INTERNAL_STANDARD_RECORD_SIZE + sizeof *standardCompound);
      std::memcpy(bytes.data(), standardRecord, INTERNAL_STANDARD_RECORD_SIZE);
      std::memcpy(bytes.data() + INTERNAL_STANDARD_RECORD_SIZE, standardCompound, sizeof *standardCompound);
      PutDHWorkingSection(r->copy.path, INTERNAL_STANDARD_SECTION, bytes.data(), uint32_t(bytes.size()));
    }
    PutDHWorkingSection(r->copy.path, "MSFileSpec", dataFile, uint32_t(std::strlen(dataFile) + 1));
    std::vector<uint8_t> info(sizeof step + sizeof compound);
    std::memcpy(info.data(), &step, sizeof step);
    std::memcpy(info.data() + sizeof step, &compound, sizeof compound);
    PutDHWorkingSection(r->copy.path, "MSPeakInfo", info.data(), uint32_t(info.size()));
    r->ran = RunDataHandling(window, EngineModule(), r->method.path, r->copy.path, global, tag, 0, 0, 0, 1,
                             "TestDH", "TestDH", "TestDH", "TestDH") != 0;
    return;
  }
  if (!miniRun) batch = BeginSectionBatch(r->copy.path) != FALSE;
  if (standardRecord && standardCompound)
    WriteInternalStandardSection(r->copy.path, standardRecord, standardCompound);
  if (HSECTION s = CreateSection(r->copy.path, "MSFileSpec", nullptr)) {
    WriteSection(s, dataFile, uint32_t(std::strlen(dataFile) + 1));
    CloseSection(s);
  }
  if (HSECTION s = CreateSection(r->copy.path, "MSPeakInfo", nullptr)) {
    WriteSection(s, &step, sizeof step);
    WriteSection(s, &compound, sizeof compound);
    CloseSection(s);
  }
  r->ran = RunDataHandling(window, EngineModule(), r->method.path, r->copy.path, global, tag, 0, 0,
                           0, miniRun ? 1 : 0, "TestDH", "TestDH", "TestDH", "TestDH") != 0;
  DeleteSection(r->copy.path, "MSFileSpec");
  DeleteSection(r->copy.path, "MSPeakInfo");
  DeleteSection(r->copy.path, INTERNAL_STANDARD_SECTION);
  if (batch && !CommitSectionBatch(r->copy.path)) r->ran = false;
}

// The apex scan's facts: its number, text and times; O when a
// quantitation ion of it is saturated.
void FillApexScan(const char* file, STRUCT_RESULT_STEP* step, bool positive) {
  HMSDATA ms = OpenMSData(file, "MSData", 0);
  if (!ms) return;
  MS_SCAN_REQUEST request{};
  request.kind = MS_SCAN_BY_TIME;
  request.mode = MS_PICK_NEAREST;
  request.time = step->retentionTime;
  const uint32_t size = GetMSScanBufferSize(ms);
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size ? size : 4]());
  auto header = std::make_unique<MS_SCAN_HEADER>();
  const double t = ReadMSScanHeader(ms, &request, &step->chanList, header.get(), buffer.get());
  if (t != MS_SCAN_TIME_FAILED) {
    step->peakScan = step->matchScan = int32_t(header->scanNumber);
    for (size_t i = 0; i + 1 < sizeof step->scanText && header->text[i]; ++i)
      step->scanText[i] = header->text[i] < 0x80 ? char(header->text[i]) : '?';
    step->scanTimes[0] = header->time;
    if (positive) {
      // Saturated ions of the quantitation mass list.
      uint32_t count = 0;
      std::memcpy(&count, buffer.get(), 4);
      const double w = step->massList.window > 0 ? step->massList.window : 0.5;
      for (uint32_t k = 0; k < count && 4 + 13ull * (k + 1) <= size; ++k) {
        const uint8_t* e = buffer.get() + 4 + 13ull * k;
        double mass;
        std::memcpy(&mass, e + 1, 8);
        if (!(e[0] & MS_PEAK_FLAG_SATURATED)) continue;
        for (int j = 0; j < std::min<int>(step->massList.count, MASS_LIST_MAX_RANGES); ++j)
          if (mass >= step->massList.ranges[j].low - w && mass <= step->massList.ranges[j].high + w)
            step->resultFlags |= PF_SATURATED;
      }
    }
  }
  CloseMSData(ms);
}

// Calibration runs renew the compound's reference spectrum from the apex
// scan, background-corrected between the step's two times: its 16 most
// intense ions in mass order, the base peak 999.
bool RenewReferenceSpectrum(STRUCT_WORK_FILE* workFile, STRUCT_RESULT_STEP* step, STRUCT_DH_COMPOUND* compound) {
  if (!workFile || step->peakScan < 0) return false;
  STRUCT_TOL_SPT* tol = TOL_TRBC_MakeAvgSptFromScanRange(workFile, &step->chanList, uint32_t(step->peakScan),
                                                         uint32_t(step->peakScan), step->backgroundStart,
                                                         step->backgroundEnd);
  if (!tol) return false;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    TOL_Free(tol);
    return false;
  }
  PlusSpt_InitTolSpt(spt, tol, reinterpret_cast<const char*>(workFile));
  if (PlusSpt_GetPairCount(spt) > SPT_REF_MAX_PAIRS) {
    PlusSpt_SortPairs(spt, 1);
    PlusSpt_SetPairCount(spt, SPT_REF_MAX_PAIRS);
  }
  PlusSpt_SortPairs(spt, 2);
  PlusSpt_ScaleMassInt(spt, 999);
  STRUCT_REF_EX_SPT ref;
  std::memset(&ref, 0, sizeof ref);
  const int32_t n = std::min<int32_t>(PlusSpt_GetPairCount(spt), SPT_REF_MAX_PAIRS);
  for (int32_t i = 0; i < n; ++i) {
    double mass = 0;
    uint32_t intensity = 0;
    PlusSpt_GetMassInt(spt, uint32_t(i), &mass, &intensity);
    ref.pairs[i].mass = mass;
    ref.pairs[i].intensity = intensity;
  }
  ref.pairCount = int16_t(n);
  std::memcpy(&ref.header, &spt->tolSpt->header, sizeof ref.header);
  ref.scansAveraged = spt->tolSpt->scansAveraged;
  ref.firstTime = spt->tolSpt->firstTime;
  ref.lastTime = spt->tolSpt->lastTime;
  ref.firstScan = spt->tolSpt->firstScan;
  ref.lastScan = spt->tolSpt->lastScan;
  ref.bgCorrected = spt->tolSpt->bgCorrected;
  std::memcpy(ref.dataFilePath, spt->tolSpt->dataFilePath, sizeof ref.dataFilePath);
  PlusSpt_Free(spt);
  std::memcpy(reinterpret_cast<uint8_t*>(compound) + offsetof(STRUCT_DH_COMPOUND, referenceSpectrum), &ref, sizeof ref);
  return n > 0;
}

}  // namespace

void* BeginCompoundScratchFiles() {
  auto* p = new ScratchPaths;
  p->previous = t_scratch;
  t_scratch = p;
  return p;
}

void EndCompoundScratchFiles(void* scope) {
  auto* p = static_cast<ScratchPaths*>(scope);
  if (!p || p != t_scratch) return;  // only the innermost scope ends
  t_scratch = p->previous;
  if (p->methodReads) EndDHMethodReads(p->methodReads);
  for (const char* path : {p->method, p->run})
    if (path[0]) DeleteFileA(path);
  delete p;
}

BOOL FillStepApexScan(const char* dataFile, STRUCT_RESULT_STEP* step, BOOL positive) {
  if (!dataFile || !step) return FALSE;
  step->peakScan = step->matchScan = -1;
  FillApexScan(dataFile, step, positive != 0);
  return step->peakScan >= 0 ? TRUE : FALSE;
}

int32_t PeakFlagsToText(uint32_t flags, char* letters, int32_t size) {
  if (!letters || size <= 0) return 0;
  static const char kLetters[] = PEAK_FLAG_LETTERS;
  int32_t n = 0;
  for (int bit = 0; bit < int(sizeof kLetters) - 1 && n < size - 1; ++bit)
    if (flags & (1u << bit)) letters[n++] = kLetters[bit];
  letters[n] = 0;
  return n;
}

void MakeStepLetters(STRUCT_RESULT_STEP* step, uint16_t compoundFlags, int16_t calculationType) {
  uint32_t f = step->resultFlags;
  if (compoundFlags & quant::kFlagReference) f |= PF_REFERENCE;
  if ((compoundFlags & quant::kFlagStandard) && calculationType == 3) f |= PF_STANDARD;
  if (step->peakFlag == 'U') f |= PF_USER;
  if (compoundFlags & quant::kFlagMarker) f |= PF_MARKER;
  if (!(f & PF_STANDARD)) {
    // M shows only beside S.
    const uint32_t shown = f & ~PF_MISSING;
    PeakFlagsToText(shown, step->flagText, int32_t(sizeof step->flagText));
  } else {
    PeakFlagsToText(f, step->flagText, int32_t(sizeof step->flagText));
  }
  if (!(f & PF_STANDARD)) f &= ~PF_MISSING;
  f &= ~(PF_STANDARD | PF_MARKER | PF_REFERENCE | PF_USER);
  step->resultFlags = f;
}

void ShiftTimeEvents(STRUCT_DH_COMPOUND* compound, int32_t shift) {
  for (int i = 0; i < CompoundTimeEventCount(*compound); ++i) {
    DH_TIME_EVENT e;
    std::memcpy(&e, &compound->timeEvents[i], sizeof e);
    e.time += shift;
    if (IsRangeTimeEvent(e.type)) e.endTime += shift;
    std::memcpy(&compound->timeEvents[i], &e, sizeof e);
  }
}

void SendEngineMessages(HWND window, STRUCT_RESULT_STEP* step) {
  static const char* const kKinds[3] = {"PS", "TAR", "ERC"};
  const std::string name(step->name, strnlen(step->name, sizeof step->name));
  for (int list = 0; list < 3; ++list) {
    const STEP_ERROR_LIST& l = step->engineErrors[list];
    for (int i = 0; i < std::min<int>(l.count, 50); ++i) {
      const int16_t code = l.codes[i];
      char text[81] = {};
      char line[200];
      if (GetDHErrorText(code, text, sizeof text) && text[0])
        std::snprintf(line, sizeof line, "%s : %s", name.c_str(), text);
      else
        std::snprintf(line, sizeof line, "%s : %s Error #%d", name.c_str(), kKinds[list], int(code));
      int16_t level = 0;
      if (list == 2) {
        level = ErcLevel(code);
        if (code >= 24 && code <= 27) step->resultFlags |= PF_ENGINE_WARNING;
      }
      PostStatusText(window, level, line);
    }
  }
}

void MissingCompoundNotes(HWND window, const STRUCT_RESULT_STEP* step) {
  if (!step) return;
  static const struct {
    uint32_t flag;
    int text;
  } kOrder[] = {{PF_NO_MATCH, 2}, {PF_NOT_FOUND, 3}, {PF_BELOW_THRESHOLD, 1},
                {PF_QUALIFIER_FAILED, 4}, {PF_SIGNAL_TO_NOISE, 5}, {PF_RRT, 6}};
  static const char* const kTexts[] = {"",
                                       "Result < Compound Report Threshold",
                                       "No spectrum match",
                                       "Not detected, < Pk Reject, or not in Search Window",
                                       "Ion Ratio failed",
                                       "S/N Threshold failed",
                                       "RRT Tolerance failed"};
  const std::string name(step->name, strnlen(step->name, sizeof step->name));
  for (const auto& o : kOrder) {
    if (!(step->resultFlags & o.flag)) continue;
    char line[300];
    std::snprintf(line, sizeof line, "%s : Missing %s: %s", name.c_str(), (step->flags & 0x100) ? "IS" : "Analyte",
                  kTexts[o.text]);
    PostStatusText(window, 0, line);
  }
}

BOOL IntegrateMethodCompounds(HWND window, char* runFile, const char* dataFile, int32_t, STRUCT_WORK_FILE* workFile,
                              const STRUCT_SCAN_FUN_INFO* scanFunInfo, uint16_t scanFunCount, const char* methodFile,
                              STRUCT_DH_GLOBAL_PARAMS* compoundGlobal, STRUCT_DH_COMPOUND* compound,
                              STRUCT_DH_COMPOUND* standardCompound, const void* runRecord, STRUCT_RESULT_STEP* step,
                              const void* standardRecord, const STRUCT_DH_GLOBAL_PARAMS* global,
                              float standardExpected, float standardFound, STRUCT_QUALIFIER_RECORD* qualifiers,
                              int16_t miniRun, double workingTime, int16_t mode, int16_t noiseKind, int16_t) {
  if (!dataFile || !compound || !step || !global) return FALSE;
  const char* tag = "1";
  const std::string name = CompoundName(*compound);
  int16_t runKind = 0;
  if (runRecord) std::memcpy(&runKind, static_cast<const uint8_t*>(runRecord) + RUN_RECORD_KIND_OFFSET, 2);
  const bool calibration = runKind == RUN_KIND_CALIBRATION;
  const int16_t calcKind = global->quant.calculationType;

  // 1. The data file's module and the compound's window.
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (!ReadMSFileInfo(dataFile, nullptr, info.data())) return FALSE;
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), sizeof block);
  const uint16_t id = block.fileType, address = block.module;
  CMPD_WINDOW_LIMITS limits;
  MORVEX_GetCmpdWindowLimits(compound, &limits);
  const uint32_t keptTime = compound->retentionTime;
  const int32_t kept106 = step->calibrationTimeStamp;
  const int32_t indicator = CompoundField<int32_t>(*compound, quant::kStandardIndicator);
  step->searchType = uint16_t(int16_t(indicator));
  double working = limits.centre;
  if (mode == INTEGRATE_AT_TIME) {
    working = workingTime;
    quant::SetCompoundField<int32_t>(compound, quant::kStandardIndicator, 1);
  }

  // 2. Time stamps and the compound's own fields.
  PutText(step->name, name.c_str());
  step->casNumber = CompoundField<int32_t>(*compound, quant::kCasNumber);
  int32_t stamp = 0;
  if (!GetDHRunTimeStamp(dataFile, id, address, tag, nullptr, 0, &stamp) || stamp == 0) stamp = GetCurrentDateTime();
  step->timeStamp = stamp;
  if (calibration) {
    step->calibrationTimeStamp = stamp;
  } else if (step->calibrationTimeStamp < 0 && step->rawResults != 1) {
    int32_t row = 0;
    char file[MAX_PATH];
    std::snprintf(file, sizeof file, "%s", dataFile);
    const char* slash = std::strrchr(file, '\\');
    if (GetDHRunTimeStamp(dataFile, id, address, tag, slash ? slash + 1 : file, int32_t(compound->compoundNumber),
                          &row))
      step->calibrationTimeStamp = row;
  }
  step->compoundNumber = int32_t(compound->compoundNumber);
  step->expectedRetentionTime = float(keptTime * 0.001);
  std::memcpy(&step->massList, &compound->massList, sizeof step->massList);
  std::memcpy(&step->chanList, &compound->chanList, sizeof step->chanList);
  step->hasNoiseWindow = CompoundField<int32_t>(*compound, quant::kNoiseWindowStart) != 0 ||
                                 CompoundField<int32_t>(*compound, quant::kNoiseWindowEnd) != 0
                             ? 1
                             : 0;
  step->matchThreshold = float(CompoundField<int32_t>(*compound, quant::kField3357));
  step->searchDirection = 1;
  step->matchValue = -1.0f;
  step->forwardSimilarity = step->reverseSimilarity = step->hitProbability = step->inLibraryProbability = -1;
  step->searchKind = 73;
  step->ticIndex = -1;
  step->firstHitEntry = -1;
  step->backgroundStart = step->backgroundEnd = -1.0f;

  // 3. Working state.
  step->peakScan = step->matchScan = -1;
  step->retentionTime = float(keptTime * 0.001);
  step->area = step->height = step->amount = 0;
  // The step is packed: no reference may bind to its floats.
  std::memset(step->qualifierRatios, 0, sizeof step->qualifierRatios);
  step->kind = 1;
  step->resultFlags = PF_MISSING;
  if (step->rawResults == 1) step->resultFlags |= PF_RAW;

  // 4. Qualifier slots, in the record from its first slot.
  STRUCT_QUALIFIER_RECORD localQualifiers;
  if (!qualifiers) {
    std::memset(&localQualifiers, 0, sizeof localQualifiers);
    localQualifiers.global694 = 0;
    qualifiers = &localQualifiers;
  }
  int used[5] = {};
  int16_t qualifierCount = 0;
  for (int q = 0; q < 5; ++q) {
    step->qualifierRatios[q] = -1.0f;
    if (!(compound->qualifiers[q].massList.ranges[0].lowMass != 0)) continue;
    STRUCT_QUALIFIER_ION& slot = qualifiers->ions[qualifierCount];
    std::memset(&slot, 0, sizeof slot);
    std::memcpy(&slot.massList, &compound->qualifiers[q].massList, sizeof slot.massList);
    step->qualifierRatios[qualifierCount] = 0;
    used[qualifierCount++] = q;
  }
  qualifiers->ionCount = qualifierCount;
  qualifiers->compoundNumber = int32_t(compound->compoundNumber);

  auto finish = [&](bool result) -> BOOL {
    compound->retentionTime = keptTime;
    if (mode == INTEGRATE_AT_TIME) quant::SetCompoundField<int32_t>(compound, quant::kStandardIndicator, indicator);
    MakeStepLetters(step, compound->flags, calcKind);
    return result ? TRUE : FALSE;
  };

  // 5. Channels.
  const int16_t channels = MORVEX_IsValidChannels(&step->chanList, dataFile, limits.centre);
  if (channels == CHANNELS_NONE) {
    Note(window, 1, "%s : None of the specified Scan Function Channels exist - Cannot quantitate.", name);
    step->resultFlags |= PF_NO_CHANNELS;
    return finish(false);
  }
  if (channels == CHANNELS_SOME) {
    Note(window, 0, "%s : One or more specified Scan Function Channels don't exist - Quantitating available channels.",
         name);
    step->resultFlags |= PF_SOME_CHANNELS;
  }

  // 6-12. The engine run on the compound.
  compound->retentionTime = uint32_t(std::max(0.0, working * 1000.0));
  int16_t standardGroups[2] = {};
  if (standardCompound) {
    standardGroups[0] = compound->internalStandard, standardGroups[1] = standardCompound->internalStandard;
    compound->internalStandard = standardCompound->internalStandard = 0;
  }
  EngineRun run;
  RunEngine(window, dataFile, methodFile, compoundGlobal, *compound, global, *step, standardRecord, standardCompound,
            id, address, tag, miniRun != 0, runFile != nullptr, &run);
  if (standardCompound) compound->internalStandard = standardGroups[0], standardCompound->internalStandard = standardGroups[1];
  if (run.extractFailed) {
    Note(window, 1, "%s : %s", name, run.extractText);
    step->resultFlags |= PF_NO_CHANNELS;
    return finish(false);
  }
  const char* results = run.copy.path;
  char section[32];
  std::snprintf(section, sizeof section, "Run%ld", long(compound->compoundNumber));
  if (miniRun && run.copy.path[0] && KeepRunFiles()) {
    NoteRunSection(section, true, StoreFileAsSection(run.copy.path, dataFile, section) != FALSE);
  } else if (RunSectionStored(dataFile, section)) {
    // Without a mini run, a whole copy of the data file stored inside
    // itself would grow with every compound; the working copy's results are
    // read from it instead.
    NoteRunSection(section, false, DeleteSection(dataFile, section) != FALSE);
  }

  // 13. The engine's messages. Nothing writes the engine's file while its
  // results are read back, so its results section is read once.
  ResultReads heldResults(results);
  std::memset(step->engineErrors, 0, sizeof step->engineErrors);
  if (run.ran || run.copy.path[0]) {
    if (HDHTABLE log = OpenDHErrorLog(results, id, address, tag)) {
      STRUCT_DH_ERROR_LOG e;
      if (GetDHLogEntry(log, &e))
        for (int l = 0; l < 3; ++l) {
          step->engineErrors[l].count = uint16_t(std::clamp<int>(e.lists[l].count, 0, 50));
          for (int i = 0; i < step->engineErrors[l].count; ++i) step->engineErrors[l].codes[i] = int16_t(e.lists[l].ids[i]);
        }
      FreeDHRecordSet(log);
    }
  }
  SendEngineMessages(window, step);

  // 14. The compound's peak.
  HDHTABLE table = results[0] ? OpenDHResultTable(results, id, address, tag) : nullptr;
  if (!table) {
    Note(window, 1, "%s : Data Handling failed. No results.", name);
    step->resultFlags |= PF_NOT_FOUND;
    step->calibrationTimeStamp = kept106;
    return finish(false);
  }
  STRUCT_DH_RESULT peak;
  std::memset(&peak, 0, sizeof peak);
  bool haveResult = MORVEX_GetCmpdIntegrationResults(table, results, &peak, step, id, address, tag, compound, global,
                                                     qualifiers, mode) != 0;
  const bool named = peak.name[0] != 0;
  FreeDHRecordSet(table);
  heldResults.End();

  // 15-16. Marks of the peak.
  if (peak.user != 0 || mode == INTEGRATE_AT_TIME || mode == INTEGRATE_MANUAL) step->peakFlag = 'U';
  else step->peakFlag = 0;
  if (named) {
    if (peak.candidates == 0) step->resultFlags |= PF_NO_CANDIDATE;
    if (peak.candidates > 1) step->resultFlags |= PF_MANY_CANDIDATES;
    if (peak.coelutingBefore || peak.coelutingAfter) step->resultFlags |= PF_COELUTING;
    step->engineBaselineCode = peak.baselineCode;
    step->width = float(peak.widthSeconds);
  }
  FillApexScan(dataFile, step, haveResult && (step->area > 0 || step->height > 0));

  // 17. Signal to noise and the report threshold.
  double response = 0;
  if (haveResult) {
    response = global->quant.responseBasis == 1 ? step->area : step->height;
    MeasureSignalToNoise(workFile, *compound, step, noiseKind == 1);
    if (step->signalToNoise == 0 && peak.signalToNoise > 0) step->signalToNoise = peak.signalToNoise;
    float multiplier = CompoundField<float>(*compound, quant::kResponseMultiplier);
    if (!(multiplier > 0) || !std::isfinite(multiplier)) multiplier = 1.0f;
    const bool manual = mode != INTEGRATE_AUTOMATIC;
    const double scaled = calibration || manual ? response : response * multiplier;
    const float threshold = CompoundField<float>(*compound, quant::kReportThreshold);
    const bool flaggedStandard = (compound->flags & quant::kFlagStandard) && calcKind == 3;
    if (runKind != RUN_KIND_CALIBRATION && runKind != RUN_KIND_VERIFICATION && !manual && !flaggedStandard &&
        peak.candidates == 1 && scaled >= 0 && scaled < threshold) {
      step->resultFlags |= PF_BELOW_THRESHOLD;
      step->amount = -1.0f;
      step->calibrationTimeStamp = kept106;
      step->kind = 1;
      return finish(false);
    }
  }

  // 18. No result.
  if (!haveResult) {
    step->kind = 1;
    step->resultFlags |= PF_MISSING;
    if (calibration) PutText(step->units, calcKind == 3 ? "RRF" : calcKind == 4 ? "RF" : "");
    step->calibrationTimeStamp = kept106;
    return finish(false);
  }

  // 19. A result.
  step->resultFlags &= ~PF_MISSING;
  step->kind = 0;
  if (calibration && response > 0) {
    step->amount = float(1.0 / response);
    PutText(step->units, calcKind == 3 ? "RRF" : calcKind == 4 ? "RF" : "");
  } else {
    step->amount = float(response);
  }
  if (!indicator) {
    double t1 = 0, t2 = 0;
    if (TOL_GetTargetBCSptTimesEx(dataFile, workFile, scanFunInfo, scanFunCount, compound, &t1, &t2) == 0)
      step->backgroundStart = float(t1), step->backgroundEnd = float(t2);
    else
      step->backgroundStart = step->backgroundEnd = 0.0f;
  }
  if (calibration && (global->rtUpdateFlags & 0x0002) && !indicator && step->backgroundStart > 0 &&
      step->backgroundEnd > 0)
    RenewReferenceSpectrum(workFile, step, compound);
  bool rejected = false;
  const bool reportFailures = GlobalField<int32_t>(*global, kReportFailures) != 0;

  // 20. Signal to noise.
  const int16_t snThreshold = CompoundField<int16_t>(*compound, quant::kSignalToNoiseThreshold);
  if (GlobalField<int32_t>(*global, kSignalToNoiseTest) != 0 && snThreshold > 0 && step->signalToNoise < snThreshold) {
    step->resultFlags |= PF_SIGNAL_TO_NOISE;
    rejected = rejected || !reportFailures;
  }

  // 21. Relative retention time against the internal standard.
  if (global->locateRrtReferenceFirst != 0 && global->rrtTolerance > 0) {
    const double t0 = global->deadTime;
    const double foundSpan = standardFound - t0, expectedSpan = standardExpected - t0;
    if (standardFound <= 0 || standardExpected <= 0 || foundSpan == 0 || expectedSpan == 0) {
      step->resultFlags |= PF_RRT;
      rejected = rejected || !reportFailures;
    } else {
      const double rrt = (step->retentionTime - t0) / foundSpan;
      const double expected = (step->expectedRetentionTime - t0) / expectedSpan;
      step->relativeRetentionTime = float(rrt);
      step->expectedRelativeTime = float(expected);
      const double tol = global->rrtTolerance / 1000.0;
      if (rrt < expected - tol - 1e-9 || rrt > expected + tol + 1e-9) {
        step->resultFlags |= PF_RRT;
        rejected = rejected || !reportFailures;
      }
    }
  }

  // 22. Qualifier ions.
  const bool relative = qualifiers->global672 == 1;
  const bool renew = calibration && (global->rtUpdateFlags & 0x0004);
  bool passed = true;
  for (int k = 0; k < qualifierCount; ++k) {
    STRUCT_QUALIFIER_ION& slot = qualifiers->ions[k];
    DH_QUALIFIER* entry = &compound->qualifiers[used[k]];
    double area = 0;
    if (qualifiers->global694 == 0) {
      STRUCT_MASS_LIST masses;
      std::memcpy(&masses, &entry->massList, sizeof masses);
      area = IntegrateIonOverStep(dataFile, masses, limits, *step, &slot);
    } else {
      STRUCT_DH_COMPOUND copy = *compound;
      std::memcpy(&copy.massList, &entry->massList, sizeof copy.massList);
      STRUCT_RESULT_STEP qstep = *step;
      qstep.kind = 1;
      EngineRun qrun;
      RunEngine(window, dataFile, methodFile, nullptr, copy, global, qstep, nullptr, nullptr, id, address, tag,
                miniRun != 0, false, &qrun);
      const double mass = entry->massList.ranges[0].lowMass;
      char line[300];
      if (qrun.extractFailed) {
        std::snprintf(line, sizeof line, "%s, Qual Ion = %5.1f : %s", name.c_str(), mass, qrun.extractText);
        PostStatusText(window, 1, line);
      } else if (ResultReads heldQualifier(qrun.copy.path);
                 HDHTABLE qt = qrun.copy.path[0] ? OpenDHResultTable(qrun.copy.path, id, address, tag) : nullptr) {
        STRUCT_DH_RESULT qpeak;
        if (MORVEX_GetCmpdIntegrationResults(qt, qrun.copy.path, &qpeak, &qstep, id, address, tag, &copy, global,
                                             nullptr, mode)) {
          area = global->quant.responseBasis == 1 ? qstep.area : qstep.height;
          slot.apexTime = qstep.retentionTime;
          slot.area = float(area);
          const float vals[8] = {qstep.peakStartTime, qstep.peakStartIntensity, qstep.peakEndTime,
                                 qstep.peakEndIntensity, qstep.startTime, qstep.startIntensity,
                                 qstep.endTime, qstep.endIntensity};
          std::memcpy(slot.baseline, vals, sizeof vals);
        }
        FreeDHRecordSet(qt);
      } else {
        std::snprintf(line, sizeof line, "%s, Qual Ion = %5.1f : Data Handling failed. No results.", name.c_str(),
                      mass);
        PostStatusText(window, 1, line);
      }
    }
    // The ratio is kept in the slot order of the record.
    const bool pass = area > 0 && QualifierRatioTest(step, k, area, entry, relative, passed, renew);
    if (!(area > 0)) {
      step->qualifierRatios[k] = 0;
      DH_QUALIFIER probe = *entry;
      QualifierRatioTest(step, k, 0, &probe, relative, false, false);
    }
    if (!pass) {
      passed = false;
      step->resultFlags |= PF_QUALIFIER_FAILED;
    }
  }
  if (!passed) rejected = rejected || !reportFailures;

  // 23-24. Rejection and raw results.
  if (rejected) {
    step->kind = 2;
  } else if (step->resultFlags & (PF_QUALIFIER_FAILED | PF_SIGNAL_TO_NOISE | PF_RRT)) {
    step->amount = -1.0f;
  }
  if (step->rawResults != 0 || calcKind == 1) {
    PutText(step->units, "Counts");
    step->amount = global->quant.responseBasis == 2 ? step->height : step->area;
    step->width = float(peak.widthSeconds);
  }

  // 25. The mini run file goes back to the caller when asked for.
  if (runFile && miniRun && run.copy.path[0]) {
    if (runFile[0]) DeleteFileA(runFile);
    std::memcpy(runFile, run.copy.path, MAX_PATH);
    run.copy.Keep();
  }

  // 26. Calibration runs may move the compound to the time found.
  const bool updateTime = (global->rtUpdateFlags & 0x0001) && calibration && step->kind == 0;
  BOOL r = finish(true);
  if (updateTime) {
    const uint32_t found = uint32_t(std::max(0.0, double(step->retentionTime) * 1000.0));
    ShiftTimeEvents(compound, (int32_t(found) - int32_t(keptTime)) * 10);
    compound->retentionTime = found;
  }
  return r;
}
