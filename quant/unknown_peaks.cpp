// The full chromatogram's peaks as unknown steps, and their library search.
#include "quant/unknown_peaks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "nabrit/nabrit.h"
#include "orvik32/orvik32_batches.h"
#include "quant/compound_integration.h"
#include "quant/compound_method.h"
#include "quant/peak_flags.h"
#include "quant/processed_files.h"
#include "quant/result_compaction.h"
#include "quant/results_sections.h"
#include "quorna/quorna.h"
#include "spectra/spectrum_kinds.h"
#include "spectra/tol_spectra.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kFlagLibrary = 1u << 13;  // L

template <class T>
T At(const void* base, size_t offset) {
  T v{};
  std::memcpy(&v, static_cast<const uint8_t*>(base) + offset, sizeof v);
  return v;
}

template <size_t N>
void PutText(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  std::snprintf(field, N, "%s", text);
}

bool ModuleOf(const char* dataFile, uint16_t* id, uint16_t* address) {
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (!ReadMSFileInfo(dataFile, nullptr, info.data())) return false;
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), sizeof block);
  *id = block.fileType;
  *address = block.module;
  return true;
}

void NoteAt(HWND window, float time, const char* text) {
  char line[400];
  std::snprintf(line, sizeof line, "Peak at RT %7.3f minutes - %s", double(time), text);
  PostStatusText(window, 0, line);
}

struct TempFile {
  char path[MAX_PATH] = {};
  ~TempFile() {
    if (path[0]) DeleteFileA(path);
  }
};

// The background-corrected spectrum at a time as an exchange buffer;
// empty when none can be made.
std::vector<uint8_t> SpectrumAt(STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* channels, float time) {
  std::vector<uint8_t> out;
  STRUCT_TOL_SPT* tol = TOL_MakeBCAvgSptFromTime(workFile, channels, nullptr, time, 1);
  if (!tol) return out;
  const uint32_t n = tol->pairCount;
  uint32_t kept = 0;
  out.resize(4 + 13 * size_t(n));
  for (uint32_t i = 0; i < n; ++i) {
    const XTOL_PAIR& p = tol->pairs[i];
    if (p.intensity == 0) continue;
    uint8_t* e = &out[4 + 13 * size_t(kept++)];
    e[0] = 0;
    std::memcpy(e + 1, &p.mass, 8);
    std::memcpy(e + 9, &p.intensity, 4);
  }
  TOL_Free(tol);
  if (kept == 0) return {};
  out.resize(4 + 13 * size_t(kept));
  std::memcpy(out.data(), &kept, 4);
  return out;
}

// Libraries opened for the ions of their hits, closed at the end.
class OpenLibraries {
 public:
  OpenLibraries(const char* list, const char* folder) : list_(list), folder_(folder) {}
  ~OpenLibraries() {
    for (auto& [i, h] : open_)
      if (h) CloseSpectrumLibrary(h);
  }
  HSPECLIB Get(int16_t index, std::string* name) {
    char path[MAX_PATH] = {};
    if (!GetLibraryName(index, list_, path)) return nullptr;
    // A bare name lies in the definitions' library folder.
    *name = std::strpbrk(path, "\\/:") || folder_.empty() ? std::string(path)
                                                          : folder_ + (folder_.back() == '\\' ? "" : "\\") + path;
    auto it = open_.find(index);
    if (it == open_.end()) it = open_.emplace(index, OpenSpectrumLibrary(name->c_str())).first;
    return it->second;
  }

 private:
  const char* list_;
  std::string folder_;
  std::map<int16_t, HSPECLIB> open_;
};

// One hit record: head and ions.
std::vector<uint8_t> HitRecord(const FANDOR_HIT& hit, const STRUCT_NIST_DEFS& defs,
                               const STRUCT_DH_GLOBAL_PARAMS& global, OpenLibraries* libraries) {
  STRUCT_TIC_HIT h;
  std::memset(&h, 0, sizeof h);
  h.searchValue = float(defs.reportValue);
  h.match1 = hit.forward;
  h.match2 = hit.reverse;
  h.match3 = h.match4 = -1;
  h.global1064 = At<int16_t>(&global, 1064);
  h.global1072 = At<uint32_t>(&global, 1072);
  h.global1080 = int16_t(At<int32_t>(&global, 1080));
  h.matchValue = float(h.global1080 == 0 ? h.match1 : h.match2);
  h.entryValue1 = int16_t(std::clamp<int32_t>(hit.molecularWeight, -32768, 32767));
  h.entryValue2 = int16_t(std::clamp<int32_t>(hit.nistNumber, -32768, 32767));
  std::snprintf(h.compoundName, sizeof h.compoundName, "%.*s", int(sizeof hit.name), hit.name);
  std::snprintf(h.text2, sizeof h.text2, "%.*s", int(sizeof hit.formula), hit.formula);
  std::snprintf(h.text3, sizeof h.text3, "%.*s", int(sizeof hit.cas), hit.cas);
  h.entryNumber = uint32_t(hit.entry);
  h.entryWord = hit.rank;
  std::string libraryName;
  HSPECLIB lib = libraries->Get(hit.library, &libraryName);
  std::snprintf(h.libraryName, sizeof h.libraryName, "%s", libraryName.c_str());
  std::vector<uint16_t> masses(800), abundances(800);
  int32_t ions = lib ? GetLibrarySpectrumPeaks(lib, hit.entry, masses.data(), abundances.data(), 800) : 0;
  if (ions < 0) ions = 0;
  h.ionCount = int16_t(ions);
  h.length = uint32_t(TIC_HIT_HEAD_SIZE + TIC_HIT_ION_SIZE * size_t(ions));
  std::vector<uint8_t> out(h.length);
  std::memcpy(out.data(), &h, sizeof h);
  for (int32_t i = 0; i < ions; ++i) {
    const uint32_t mass = masses[size_t(i)];
    const int16_t abundance = int16_t(abundances[size_t(i)]);
    std::memcpy(&out[TIC_HIT_HEAD_SIZE + 6 * size_t(i)], &mass, 4);
    std::memcpy(&out[TIC_HIT_HEAD_SIZE + 6 * size_t(i) + 4], &abundance, 2);
  }
  return out;
}

}  // namespace

void MORVEX_CopyMethSrchParamsToNISTDefs(STRUCT_NIST_DEFS* defs, const STRUCT_DH_GLOBAL_PARAMS* global) {
  if (!defs || !global) return;
  const auto* g = reinterpret_cast<const uint8_t*>(global);
  std::memcpy(defs->libraryPath, g + GLOBAL_LIBRARY_PATH, sizeof defs->libraryPath);
  defs->libraryPath[sizeof defs->libraryPath - 1] = 0;
  defs->libraryCount = At<int16_t>(g, GLOBAL_LIBRARY_COUNT);
  defs->activeLibraryCount = At<int16_t>(g, GLOBAL_LIBRARY_ACTIVE);
  if (defs->libraryList) std::memcpy(defs->libraryList, g + GLOBAL_LIBRARY_LIST, FANDOR_LIBRARY_LIST_SIZE);
  // The per-library bytes hold 17 libraries, whatever the method's count.
  const int n = std::clamp<int>(defs->libraryCount, 0, NIST_DEFS_MAX_LIBRARIES);
  for (int i = 0; i < n; ++i) {
    defs->libraryFlags[i] = g[GLOBAL_LIBRARY_FLAGS + i];
    defs->libraryOptions[i] = g[GLOBAL_LIBRARY_OPTIONS + i];
  }
  std::memcpy(defs->searchParameters, g + 1104, sizeof defs->searchParameters);
  defs->searchType = At<int16_t>(g, 1098);
  defs->maxHits = At<int32_t>(g, 1072);
  defs->minimumMatch = At<int32_t>(g, 1076);
  defs->prefilterPeaks = At<int32_t>(g, 1080);
  defs->limits[0] = At<int32_t>(g, 1084);
  defs->limits[1] = At<int32_t>(g, 1088);
  defs->limits[2] = At<int32_t>(g, 1092);
  defs->values[0] = At<int16_t>(g, 1068);
  defs->values[1] = At<int16_t>(g, 1070);
  defs->reportValue = At<int16_t>(g, 1096);
}

BOOL ProcessFullChromatogram(HWND window, const char* methodFile, const char* dataFile,
                             const STRUCT_DH_GLOBAL_PARAMS* global, STRUCT_RESULTS_HEADER* header, HSECTION results,
                             int16_t miniRun) {
  if (!dataFile || !global || !header || !results) return FALSE;
  if (global->quant.calculationType == 0) {
    DeleteFullChromatogram(dataFile);
    return FALSE;
  }
  const int32_t existing = CountTolResultSteps(results);
  uint16_t id = 0, address = 0;
  if (existing < 0 || !ModuleOf(dataFile, &id, &address)) return FALSE;
  TempFile chromatogram;
  // Results the engine kept in memory under the file's name, read below.
  struct KeptResults {
    void* memory = nullptr;
    ~KeptResults() {
      if (memory) EndDHWorkingInMemory(memory);
    }
  } kept;
  // Read once: the file is made for what happens to it at the end.
  const bool storeFile = StoreRunFiles() || !miniRun;
  if (storeFile)
    GetProcessedChromatogramFileEx(window, nullptr, dataFile, 0, 0, 0, 0, methodFile, nullptr, chromatogram.path,
                                   nullptr, 1);
  else
    GetFullChromatogramResultsFile(window, dataFile, methodFile, chromatogram.path, &kept.memory);
  if (!chromatogram.path[0] || !FileExists(chromatogram.path)) {
    DeleteFullChromatogram(dataFile);
    return FALSE;
  }
  HDHTABLE table = OpenDHResultTable(chromatogram.path, id, address, "1");
  if (!table) {
    PostStatusText(window, 1, "Chromatogram Integration : Data Handling failed - No results.");
    DeleteFullChromatogram(dataFile);
    return FALSE;
  }
  const int16_t peaks = CountDHResults(table);
  int32_t written = 0;
  for (int16_t k = 0; k < peaks && existing + written <= 0xFFFF; ++k) {
    STRUCT_DH_RESULT peak;
    if (!GetDHResult(table, k, &peak)) continue;
    STRUCT_RESULT_STEP step;
    std::memset(&step, 0, sizeof step);
    step.kind = RESULT_KIND_UNKNOWN;
    step.timeStamp = int32_t(header->processedTime);
    step.compoundNumber = -1;
    step.peakScan = step.matchScan = -1;
    step.standardNumber = -1;
    step.retentionTime = peak.retentionTime;
    step.standardRetentionTime = -1.0f;
    step.matchThreshold = -1.0f;
    step.backgroundStart = step.backgroundEnd = -1.0f;
    step.forwardSimilarity = step.reverseSimilarity = step.hitProbability = step.inLibraryProbability = -1;
    step.ticIndex = -1;
    step.firstHitEntry = -1;
    step.ticNumber = -1;
    step.calibrationTimeStamp = -1;
    std::memcpy(&step.massList, &global->massList, sizeof step.massList);
    std::memcpy(&step.chanList, &global->chanList, sizeof step.chanList);
    step.area = peak.area;
    step.height = peak.height;
    step.amount = global->quant.responseBasis == 1 ? peak.area : peak.height;
    step.width = float(peak.widthSeconds);
    step.engineBaselineCode = peak.baselineCode;
    step.startTime = float(DHRawToMinutes(peak.startRawTime));
    step.endTime = float(DHRawToMinutes(peak.endRawTime));
    step.peakStartTime = step.startTime;
    step.peakEndTime = step.endTime;
    step.baselineAtApex = peak.baselineAtApex;
    // A noise below one count counts as one.
    step.signalToNoise = peak.signalToNoise > 0 ? peak.signalToNoise : 0;
    if (peak.coelutingBefore || peak.coelutingAfter) step.resultFlags |= PF_COELUTING;
    if (peak.user) {
      step.resultFlags |= PF_USER;
      step.peakFlag = 'U';
    }
    PutText(step.name, "No Search");
    if (!FillStepApexScan(dataFile, &step, (step.area > 0 || step.height > 0) ? TRUE : FALSE)) {
      NoteAt(window, step.retentionTime, "Could not get RT spectrum.");
      PutText(step.name, "Invalid RT Spectrum");
    }
    MakeStepLetters(&step, 0, global->quant.calculationType);
    if (WriteTolResultStep(results, uint16_t(existing + written), &step)) {
      ++written;
      AddResultKindCount(header, step.kind, 1);
    }
  }
  FreeDHRecordSet(table);
  if (!storeFile) DeleteFullChromatogram(dataFile);
  else StoreFileAsSection(chromatogram.path, dataFile, FULL_CHROMATOGRAM_SECTION);
  return TRUE;
}

BOOL SearchUnknownPeaks(HWND window, const char* dataFile, STRUCT_WORK_FILE* workFile,
                        const STRUCT_DH_GLOBAL_PARAMS* global) {
  if (!dataFile || !workFile || !global) return FALSE;
  std::unique_ptr<char[]> list(new char[FANDOR_LIBRARY_LIST_SIZE]());
  STRUCT_NIST_DEFS defs;
  std::memset(&defs, 0, sizeof defs);
  defs.libraryList = list.get();

  char working[MAX_PATH] = {};
  if (!MakeTempSectionFile("tic", working)) return FALSE;
  struct Cleanup {
    char* path;
    ~Cleanup() { DeleteFileA(path); }
  } cleanup{working};
  MORVEX_CopyDHResults(working, dataFile);
  HSECTION results = OpenTolResults(working);
  STRUCT_RESULTS_HEADER header;
  if (!results) return FALSE;
  if (!ReadTolResults(results, &header)) {
    CloseSection(results);
    return FALSE;
  }
  const int32_t first = int32_t(header.countIdentified) + header.countMissing + header.countFailed;
  const int32_t last = std::min<int32_t>(first + header.countTIC + header.countDuplicate + header.countUnknown,
                                         CountTolResultSteps(results));
  header.countTIC = header.countDuplicate = header.countUnknown = 0;

  MORVEX_CopyMethSrchParamsToNISTDefs(&defs, global);
  const int16_t before = defs.activeLibraryCount;
  int32_t pathDiffers = 0;
  CheckSearchLibraries(&defs, &pathDiffers);
  if (pathDiffers) PostStatusText(window, 0, "Library path different from the method's search settings.");
  const bool missing = defs.activeLibraryCount != before;
  if (missing) PostStatusText(window, 0, "Library Missing. Check Search List.");

  const UINT progress = RegisterWindowMessageA("WM_MORVEX_PROGRESS");
  OpenLibraries libraries(list.get(), defs.libraryPath);
  std::vector<uint8_t> hits;  // the new "MSTICs:h4"
  int16_t ticRecords = 0;
  for (int32_t i = first; i < last && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP step;
    if (!ReadTolResultStep(results, uint16_t(i), &step)) continue;
    if (missing) step.resultFlags |= kFlagLibrary;
    step.ticIndex = -1;
    step.ticPeakOffset = step.ticHitOffset = 0;
    const std::vector<uint8_t> spectrum = SpectrumAt(workFile, &step.chanList, step.retentionTime);
    if (spectrum.empty()) {
      NoteAt(window, step.retentionTime, "Could not get RT spectrum.");
      PutText(step.name, "Invalid RT Spectrum");
    } else {
      step.matchThreshold = float(defs.reportValue);
      void* list = nullptr;
      const int32_t n = SearchLibraries(&defs, spectrum.data(), &list);
      if (n < 0) {
        char text[300] = {};
        const int32_t number = FandorLastError(text, sizeof text);
        if (text[0]) NoteAt(window, step.retentionTime, text);
        else {
          char line[64];
          std::snprintf(line, sizeof line, "NIST Library error: %d", int(number));
          NoteAt(window, step.retentionTime, line);
        }
        PutText(step.name, "Search Failed");
        step.resultFlags |= kFlagLibrary;
      } else if (n == 0) {
        PutText(step.name, "No Match");
      } else {
        const int32_t kept = std::min<int32_t>(n, UNKNOWN_PEAK_MAX_HITS);
        STRUCT_TIC_PEAK head;
        std::memset(&head, 0, sizeof head);
        head.stepIndex = int16_t(i);
        head.hitCount = int16_t(kept);
        std::vector<uint8_t> record(TIC_PEAK_HEAD_SIZE);
        FANDOR_HIT best{};
        for (int32_t j = 0; j < kept; ++j) {
          FANDOR_HIT hit;
          if (!GetHitEntry(list, j, &hit)) continue;
          if (j == 0) best = hit;
          head.hitOffsets[j] = uint32_t(record.size());
          const std::vector<uint8_t> h = HitRecord(hit, defs, *global, &libraries);
          record.insert(record.end(), h.begin(), h.end());
        }
        head.length = uint32_t(record.size());
        std::memcpy(record.data(), &head, sizeof head);
        // The step finds its record and first hit by their offsets.
        step.ticPeakOffset = uint32_t(hits.size());
        step.ticHitOffset = uint32_t(hits.size()) + head.hitOffsets[0];
        step.ticNumber = ticRecords;
        hits.insert(hits.end(), record.begin(), record.end());
        if (step.kind != RESULT_KIND_DUPLICATE) step.kind = RESULT_KIND_TIC;
        char name[41];
        std::snprintf(name, sizeof name, "%.40s", best.name);
        PutText(step.name, name);
        step.casNumber = best.nistNumber;
        step.forwardSimilarity = best.forward;
        step.reverseSimilarity = best.reverse;
        step.matchValue = float(best.forward);
        step.firstHitEntry = best.entry;
        step.searchKind = uint32_t(defs.searchType);
        step.ticIndex = ticRecords++;
      }
      if (list) FreeBlock(list);
    }
    AddResultKindCount(&header, step.kind, 1);
    PeakFlagsToText(step.resultFlags, step.flagText, int32_t(sizeof step.flagText));
    WriteTolResultStep(results, uint16_t(i), &step);
    if (window) SendMessageA(window, progress, WPARAM(i - first + 1), LPARAM(last - first));
  }
  const bool ok = WriteTolResults(results, &header) != FALSE;
  CloseSection(results);
  if (!ok) return TRUE;

  // The hit file is written whole and stored as the working file's section.
  TempFile hitFile;
  if (MakeTempFileName("tic", hitFile.path)) {
    HANDLE f = CreateFileA(hitFile.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool stored = false;
    if (f != INVALID_HANDLE_VALUE) {
      DWORD moved = 0;
      stored = hits.empty() || (WriteFile(f, hits.data(), DWORD(hits.size()), &moved, nullptr) && moved == hits.size());
      CloseHandle(f);
    }
    if (stored) stored = StoreFileAsSection(hitFile.path, working, TICS_SECTION) != FALSE;
      if (stored && BeginSectionBatch(dataFile)) {
      // The search changes the results and the TIC records only.
      if (!CopyTolResults(dataFile, working) || !CopyTICData(dataFile, working)) AbortSectionBatch(dataFile);
      else CommitSectionBatch(dataFile);
    }
  }
  return TRUE;
}
