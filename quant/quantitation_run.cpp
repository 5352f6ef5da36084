// One data file quantitated against its method in one call.
//
// The results are built in a temporary sectioned file (the results cache)
// and reach the data file only at the end, all three sections in one
// commit: a run that stops, fails or is killed leaves the data file's
// earlier results as they were.
#include "quant/quantitation_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/scan_fun_info.h"
#include "common/work_file.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32_batches.h"
#include "pomsel/pomsel.h"
#include "quant/calibration_points.h"
#include "quant/compound_fields.h"
#include "quant/compound_integration.h"
#include "quant/compound_method.h"
#include "quant/internal_standards.h"
#include "quant/method_copy.h"
#include "quant/peak_flags.h"
#include "quant/processed_files.h"
#include "quant/result_compaction.h"
#include "quant/results_sections.h"
#include "quant/unknown_peaks.h"
#include "quorna/ms_keep.h"
#include "quorna/quorna.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

constexpr char kClaimOwner[] = "MS Data Handling";
constexpr uint32_t kClaimWaitMs = 30000;
constexpr int kGroups = 50;
constexpr char kEngineDescription[] = "MS Data Handling Quantitation Engine";
constexpr char kEngineVersion[] = "4.0";

template <class T>
T Opt(const void* options, size_t offset) {
  T v{};
  std::memcpy(&v, static_cast<const uint8_t*>(options) + offset, sizeof v);
  return v;
}
template <class T>
void SetOpt(void* options, size_t offset, T v) {
  std::memcpy(static_cast<uint8_t*>(options) + offset, &v, sizeof v);
}

template <size_t N>
void PutText(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  std::snprintf(field, N, "%s", text ? text : "");
}

std::string Name(const STRUCT_DH_COMPOUND& c) { return std::string(c.name, strnlen(c.name, sizeof c.name)); }

void Error(HWND w, const char* text) { PostStatusText(w, 1, text); }
void Note(HWND w, const char* text) { PostStatusText(w, 0, text); }

void CheckControlWord(HWND window) {
  const unsigned int now = _control87(0, 0), kept = MorvexControlWord();
  if (now == kept) return;
  _control87(kept, 0xFFFFFFFFu);
  if (GetPrivateProfileIntA("MORVEX", "ReportFPCWError", 0, "MORVEX.INI") != 0) {
    char text[120];
    std::snprintf(text, sizeof text, "Floating Point Control Word was restored to 0x%x from 0x%x", kept, now);
    Note(window, text);
  }
}

double ResponseOf(int16_t basis, float area, float height) { return basis == 1 ? area : height; }

// The amount scale of the options (numerator / denominator); 1 without one.
double AmountScale(const void* options) {
  const double n = Opt<float>(options, OPTIONS_SCALE_NUMERATOR), d = Opt<float>(options, OPTIONS_SCALE_DENOMINATOR);
  return n != 0 && d != 0 && std::isfinite(n / d) ? n / d : 1.0;
}

double ResponseFactor(const STRUCT_DH_COMPOUND& c) {
  const float f = quant::CompoundField<float>(c, quant::kResponseMultiplier);
  return f > 0 && std::isfinite(f) ? f : 1.0;
}

std::string DateText(int32_t time, bool date) {
  if (time == 0) return date ? "(Date" : "Unknown)";
  const time_t t = time;
  struct tm parts;
  gmtime_r(&t, &parts);
  char text[32];
  if (date) std::snprintf(text, sizeof text, "%02d/%02d/%04d", parts.tm_mon + 1, parts.tm_mday, parts.tm_year + 1900);
  else std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

std::string SampleText(int16_t type, int16_t level) {
  char text[40];
  if (type == SAMPLE_CALIBRATION) std::snprintf(text, sizeof text, "level %d Calibration", level + 1);
  else if (type == SAMPLE_VERIFICATION) std::snprintf(text, sizeof text, "level %d Verification", level + 1);
  else std::snprintf(text, sizeof text, "Analysis");
  return text;
}

// The file-name part of a path, either separator.
std::string FilePart(const char* path) {
  std::string p = path ? path : "";
  const size_t at = p.find_last_of("\\/");
  return at == std::string::npos ? p : p.substr(at + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

HDHTABLE OpenCalibrationLog(const char* file, uint16_t id, uint16_t address, bool create) {
  char name[128] = {};
  if (!BuildDHSectionName(name, "CalibrationLog", id, address, "1")) return nullptr;
  if (HDHTABLE t = OpenDHTableSection(file, name, sizeof(DH_CALIBRATION_LOG_ROW), TRUE)) return t;
  return create ? CreateCalibrationLog(file, id, address, "1") : nullptr;
}

// The calibration-log row of a sample: the last row of the data file's copy
// of the log with its key and file name; -1 without one.
int32_t FindCalibrationRow(const char* dataFile, const char* name, uint16_t id, uint16_t address, int32_t key) {
  HDHTABLE t = OpenCalibrationLog(dataFile, id, address, false);
  if (!t) return -1;
  int32_t found = -1;
  const int32_t n = CountDHRecords(t);
  const std::string wanted = FilePart(name);
  for (int32_t i = 0; i < n; ++i) {
    DH_CALIBRATION_LOG_ROW row;
    if (!GetDHRecord(t, i, &row)) continue;
    row.path[sizeof row.path - 1] = 0;
    if (row.sampleKey == key && SameText(FilePart(row.path), wanted)) found = i;
  }
  FreeDHRecordSet(t);
  return found;
}

// Whether the file's "DataMethod" table is this block alone, as writing it
// would leave it: a method quantitated with again needs no new commit.
bool HoldsDataMethod(const char* file, uint16_t id, uint16_t address, const DH_QUANT_BLOCK& block) {
  char name[128] = {};
  if (!BuildDHSectionName(name, "DataMethod", id, address, "1")) return false;
  HDHTABLE t = OpenDHTableSection(file, name, sizeof block, FALSE);
  if (!t) return false;
  DH_QUANT_BLOCK stored;
  const bool same = CountDHRecords(t) == 1 && GetDHRecord(t, 0, &stored) &&
                    std::memcmp(&stored, &block, sizeof block) == 0;
  FreeDHRecordSet(t);
  return same;
}

// Claims taken by the run, released on every path.
struct Claims {
  std::vector<std::string> held;
  ~Claims() {
    for (const std::string& f : held) UnlockFileAccess(f.c_str());
  }
};

struct TempPath {
  char path[MAX_PATH] = {};
  ~TempPath() { Remove(); }
  void Remove() {
    if (path[0]) DeleteFileA(path);
    path[0] = 0;
  }
};

// The descriptor of an internal standard handed to the integration.
#pragma pack(push, 1)
struct STANDARD_DESCRIPTOR {
  int32_t kind;        // 2
  int32_t one;         // 1
  char name[40];
  float amount;
  float response;
  float retentionTime;
};
#pragma pack(pop)
static_assert(sizeof(STANDARD_DESCRIPTOR) == INTERNAL_STANDARD_RECORD_SIZE);

// Puts the cache's three sections into the data file at once, with the old
// results of every format gone in the same commit.
bool CommitResults(const char* dataFile, const char* cache) {
  if (!BeginSectionBatch(dataFile)) return false;
  static const char* const kOld[] = {"MSResults:h3", "MSQualifiers:h3", "MSTICs:h3",
                                     "TolmarResults:h2", "TolmarQualifiers:h2", "TolmarTICs:h2"};
  for (const char* name : kOld)
    if (SectionExists(dataFile, name)) DeleteSection(dataFile, name);
  bool ok = CopySection(cache, RESULTS_SECTION, dataFile, RESULTS_SECTION) != FALSE;
  for (const char* name : {QUALIFIERS_SECTION, TICS_SECTION}) {
    if (!ok) break;
    if (SectionExists(cache, name)) ok = CopySection(cache, name, dataFile, name) != FALSE;
    else if (SectionExists(dataFile, name)) ok = DeleteSection(dataFile, name) != FALSE;
  }
  if (!ok) {
    AbortSectionBatch(dataFile);
    return false;
  }
  return CommitSectionBatch(dataFile) != FALSE;
}

class Run {
 public:
  Run(HWND window, const char* dataFile, const char* methodFile, void* options, STRUCT_QUANT_CALLER* caller)
      : window_(window), dataFile_(dataFile), methodFile_(methodFile), options_(options), caller_(caller),
        kept_(dataFile) {}
  ~Run() {
    if (scanFuns_) FreeBlock(scanFuns_);
    if (workFile_) FreeWorkFileStruct(workFile_);
    if (refTimes_) FreeBlock(refTimes_);
    if (refs_) FreeBlock(refs_);
  }
  BOOL Execute();
  // The manual form: redo one result (a compound, or the unknown peaks).
  BOOL Manual(char* runFile, const char* calibrationName, int16_t compoundIndex, int16_t stepIndex, int16_t mode,
              double manualValue, int16_t manualFlag);

 private:
  struct ManualState {
    bool on = false;
    char* runFile = nullptr;
    const char* calibrationName = nullptr;
    int16_t mode = 0;
    double value = 0;
    int16_t flag = 0;
    int32_t kept106 = -1;
    // What the compound's integration gave, for the caller to place.
    bool integrated = false;
    STRUCT_RESULT_STEP step{};
    STRUCT_QUALIFIER_RECORD qualifier{};
    STRUCT_DH_COMPOUND compound{};
  };
  bool Checks(bool copyMethod = true);
  bool OpenManualCache(int32_t* g1);
  void PrefillStandards(HDHTABLE table, int32_t n, int32_t g1);
  bool RedoCompound(HDHTABLE table, int32_t index, int32_t at, bool* marked,
                    const STRUCT_RESULT_STEP* standardStep = nullptr);
  void RedoAnalytesOf(HDHTABLE table, int32_t n, int32_t g1, int32_t standardIndex, int32_t standardAt,
                      bool* marked);
  void UpdateExpectedTimes(HDHTABLE table, int32_t n);
  bool PrepareCompounds(HDHTABLE compounds, int32_t n);
  void Pass(HDHTABLE compounds, int32_t n, bool standardsPass);
  void Compound(HDHTABLE compounds, int32_t index, bool standardsPass);
  void UnknownPeaks(HSECTION* results);
  // RRT and percent over the cached results, a calibration's log beside
  // them, then the cached sections replace the data file's in one commit.
  bool FinishResults(const char* failure);
  int16_t SampleType() const { return Opt<int16_t>(options_, OPTIONS_SAMPLE_TYPE); }
  int16_t Level() const { return std::clamp<int16_t>(Opt<int16_t>(options_, OPTIONS_LEVEL), 0, 9); }
  bool Calibration() const { return SampleType() == SAMPLE_CALIBRATION; }
  bool Verification() const { return SampleType() == SAMPLE_VERIFICATION; }
  void Progress() {
    ++progress_;
    if (window_) SendMessageA(window_, progressMessage_, WPARAM(progress_), LPARAM(total_));
  }

  HWND window_;
  const char* dataFile_;
  const char* methodFile_;
  void* options_;
  STRUCT_QUANT_CALLER* caller_;
  // The data file's MS data stays open while a run lasts: every step of
  // every compound reads the one open image, its scan index and its blocks.
  quorna::KeptMSData kept_;
  CompoundScratchFiles scratch_;
  UINT progressMessage_ = 0;
  Claims claims_;
  STRUCT_WORK_FILE* workFile_ = nullptr;
  STRUCT_SCAN_FUN_INFO* scanFuns_ = nullptr;
  int16_t scanFunCount_ = 0;
  MS_INFO_BLOCK info_{};
  uint16_t id_ = 0, address_ = 0;
  STRUCT_DH_GLOBAL_PARAMS global_{};
  TempPath cache_;
  HSECTION results_ = nullptr;
  STRUCT_RESULTS_HEADER header_{};
  std::vector<uint8_t> qualifiers_;
  int16_t effectiveType_ = 0;
  int16_t rawFlag_ = 0;
  uint32_t flagWord_ = 0;
  int32_t stepCounter_ = 0;
  int32_t progress_ = 0, total_ = 0;
  int32_t groupCompound_[kGroups];
  int32_t groupStep_[kGroups];
  REF_TIME_ENTRY* refTimes_ = nullptr;
  uint16_t* refs_ = nullptr;
  int16_t refCount_ = 0;
  bool haveRefs_ = false;
  float rrtReference_ = -1.0f;
  float markerExpected_ = 0, markerFound_ = 0;
  int32_t calibrationRow_ = -1;
  bool rowKnown_ = false;
  DH_CALIBRATION_LOG_ROW calibrationEntry_{};
  ManualState manual_;
};

bool Run::Checks(bool copyMethod) {
  // 3-4. The data file, its description, its detector and its data mode.
  char text[400 + MAX_PATH];
  workFile_ = MakeWorkFileStruct(dataFile_, 0);
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (!workFile_ || !ReadMSFileInfo(dataFile_, nullptr, info.data())) {
    std::snprintf(text, sizeof text, "Cannot quantitate. %s is not a valid ms file.", dataFile_);
    Error(window_, text);
    return false;
  }
  std::memcpy(&info_, info.data(), sizeof info_);
  id_ = info_.fileType;
  address_ = info_.module;
  if (!GetModuleConfig(MODULE_CONFIG_INSTRUMENT, id_)) {
    std::snprintf(text, sizeof text, "Cannot quantitate. The detector type: ms%u is not enabled for this data file.",
                  unsigned(id_));
    Error(window_, text);
    return false;
  }
  if (info_.centroid == 0) {
    Note(window_, "Quantitation of Profile Data is not currently supported.");
    return false;
  }
  // 5. Claims.
  for (const char* file : {dataFile_, methodFile_}) {
    if (!LockFileAccess(file, kClaimOwner, window_, kClaimWaitMs)) {
      char owner[200] = {};
      GetFileLockOwner(file, owner, sizeof owner);
      std::snprintf(text, sizeof text, "Cannot access '%s', in use by '%s'", file, owner);
      Error(window_, text);
      return false;
    }
    claims_.held.emplace_back(file);
  }
  // 6. Options.
  if (SampleType() == 0) {
    SetOpt<int16_t>(options_, OPTIONS_SAMPLE_TYPE, SAMPLE_ANALYSIS);
    Note(window_, "Baseline sample type changed to Analysis.");
  }
  if (Calibration() || Verification()) SetOpt<float>(options_, OPTIONS_SAMPLE_AMOUNT, 1.0f);
  else SetOpt<int16_t>(options_, OPTIONS_LEVEL, 0);
  // 7. Background.
  DetermineBackground(dataFile_, methodFile_, 0);
  // 8. The method's global record.
  HDHTABLE g = OpenGlobalTable(methodFile_, id_, address_, "1");
  if (!g) {
    Error(window_, "No MS Data Handling method - Cannot quantitate.");
    return false;
  }
  InitDHQuantBlock(&global_.quant);
  const bool read = ReadGlobalTable(g, &global_) != FALSE;
  FreeDHRecordSet(g);
  if (!read) {
    Error(window_, "No MS Data Handling method - Cannot quantitate.");
    return false;
  }
  if (global_.applyAirFlow != 0 && !Calibration() && !Verification()) {
    float factor = 1.0f;
    if (DF_GetAirFlowScaleFactor(dataFile_, id_, address_, &factor) && factor > 0 && std::isfinite(factor)) {
      std::snprintf(text, sizeof text, "Air Flow Scaling Factor: %.4f", double(factor));
      Note(window_, text);
      SetOpt<float>(options_, OPTIONS_SCALE_NUMERATOR, Opt<float>(options_, OPTIONS_SCALE_NUMERATOR) * factor);
    } else {
      Note(window_, copyMethod ? "Can't determine Air Flow Scaling Factor." : "Can't determine Air Flow Scaling Factor");
    }
  }
  // 9. "DataMethod" and the method copy.
  if (!HoldsDataMethod(methodFile_, id_, address_, global_.quant))
    WriteDataMethod(methodFile_, id_, address_, "1", &global_.quant);
  if (copyMethod && !MORVEX_CopyDHMethod(dataFile_, methodFile_, id_, address_)) {
    Error(window_, "Failed to copy the method into the data file - Processing aborted.");
    return false;
  }
  return true;
}

BOOL Run::Execute() {
  // 1-2.
  RegisterWindowMessageA("WM_MORVEX_ERROR");
  progressMessage_ = RegisterWindowMessageA("WM_MORVEX_PROGRESS");
  CheckControlWord(window_);
  if (caller_ && !caller_->module) caller_->module = MorvexInstance();
  for (int i = 0; i < kGroups; ++i) groupCompound_[i] = groupStep_[i] = -1;
  if (!Checks()) return FALSE;

  // 10. The data file's log.
  if (GetWorkstationOption(7) & 0x2) {
    const int32_t now = GetCurrentDateTime();
    char line[600];
    std::snprintf(line, sizeof line, "%s %s: Processed as %s sample using method:", DateText(now, true).c_str(),
                  DateText(now, false).c_str(), SampleText(SampleType(), Level()).c_str());
    if (AppendDHLogText(dataFile_, line)) {
      std::snprintf(line, sizeof line, "    '%s'", methodFile_);
      AppendDHLogText(dataFile_, line);
    }
  }

  // 11-12. The results cache; the data file's old results stay until the
  // new ones are complete.
  if (!MakeTempSectionFile("RSLT", cache_.path)) {
    Error(window_, "Failed to create results cache.");
    Error(window_, "Failed to create results section.");
    return FALSE;
  }
  {
    HSECTION s = CreateTolResults(cache_.path, 0);
    if (!s) {
      Error(window_, "Failed to create results section.");
      return FALSE;
    }
    std::memset(&header_, 0, sizeof header_);
    std::memcpy(header_.options, options_, QUANT_OPTIONS_SIZE);
    header_.responseBasis = global_.quant.responseBasis;
    header_.calculationType = global_.quant.calculationType;
    header_.reportUnknowns = global_.reportUnknowns;
    header_.reportMissing = global_.quant.reportNotFound;
    header_.sampleAmountFactor = Opt<float>(options_, OPTIONS_SAMPLE_AMOUNT);
    header_.processedTime = uint32_t(GetCurrentDateTime());
    header_.version = RESULTS_FORMAT_VERSION;
    header_.firstNameCount = int16_t(std::clamp<int>(info_.extraColumnCount, 0, 20));
    for (int i = 0; i < header_.firstNameCount; ++i)
      for (int k = 0; k < 13; ++k) header_.firstNames[i][k] = char(info_.extraColumnNames[i][k] & 0x7F);
    int16_t second = 0;
    std::memcpy(&second, reinterpret_cast<const uint8_t*>(&info_) + 780, 2);
    header_.secondNameCount = int16_t(std::clamp<int>(second, 0, 5));
    for (int i = 0; i < header_.secondNameCount; ++i)
      for (int k = 0; k < 13; ++k) {
        char16_t c;
        std::memcpy(&c, reinterpret_cast<const uint8_t*>(&info_) + 782 + 28 * i + 2 * k, 2);
        header_.secondNames[i][k] = char(c & 0x7F);
      }
    header_.global1062 = global_.headerValue2631;
    const bool ok = WriteTolResults(s, &header_) != FALSE;
    CloseSection(s);
    if (!ok) {
      Error(window_, "Failed to create results section.");
      return FALSE;
    }
  }
  results_ = OpenTolResults(cache_.path);
  if (!results_) {
    Error(window_, "Failed to open results cache.");
    return FALSE;
  }
  struct CloseResults {
    HSECTION* s;
    ~CloseResults() {
      if (*s) CloseSection(*s);
    }
  } closeResults{&results_};

  // 13.
  WriteRecalcLog(dataFile_, methodFile_, options_, caller_, &header_, id_, address_, "1");

  // 14-15.
  HDHTABLE compounds = OpenDHRecordSet(methodFile_, id_, address_, "1");
  if (!compounds) {
    Error(window_, "Failed to open Compound Table.");
    return FALSE;
  }
  const int32_t n = std::max<int32_t>(CountDHRecords(compounds), 0);
  FreeDHRecordSet(compounds);
  total_ = n;
  effectiveType_ = global_.quant.calculationType;
  if (global_.quant.calculationType != 1 && n > 0) {
    HDHTABLE table = OpenDHRecordSetForUpdate(methodFile_, id_, address_, "1");
    if (table) {
      // The engine works on copies: the data file's own results stay as
      // they are while the compounds are integrated, read once.
      void* held = BeginDHResultReads(dataFile_);
      if (PrepareCompounds(table, n)) {
        if (global_.quant.calculationType == 3) Pass(table, n, true);
        Pass(table, n, false);
      }
      EndDHResultReads(held);
      // 19. The calibration entry.
      if (Calibration()) {
        if (HDHTABLE log = OpenCalibrationLog(methodFile_, id_, address_, true)) {
          PutDHRecord(log, std::min<int32_t>(calibrationRow_, CountDHRecords(log)), &calibrationEntry_);
          FreeDHRecordSet(log);
        }
      }
      // 20. Corrected expected times into the method.
      if (haveRefs_ && !(Calibration() && (global_.rtUpdateFlags & 0x1))) {
        // Written in one go: each write saves the whole table.
        std::vector<STRUCT_DH_COMPOUND> records(static_cast<size_t>(n));
        int32_t first = n, last = -1;
        for (int32_t i = 0; i < n; ++i) {
          STRUCT_DH_COMPOUND& c = records[size_t(i)];
          if (!GetDHRecord(table, i, &c)) {
            // Nothing is written past a record that cannot be read.
            if (last >= first) PutDHRecords(table, first, last - first + 1, &records[size_t(first)]);
            first = n, last = -1;
            continue;
          }
          if (!c.usesInternalStandard || !(refTimes_[i + 1].found > 0)) continue;
          // A time the method already holds needs no write: a run quantitated
          // again finds the same times and leaves the table as it is.
          const uint32_t time = uint32_t(double(refTimes_[i + 1].found) * 1000.0);
          if (c.retentionTime == time) continue;
          c.retentionTime = time;
          first = std::min(first, i);
          last = i;
        }
        if (last >= first) PutDHRecords(table, first, last - first + 1, &records[size_t(first)]);
      }
      FreeDHRecordSet(table);
    }
    // 21. Qualifier records.
    if (HSECTION q = CreateQualifierData(cache_.path, 0)) {
      if (!qualifiers_.empty()) WriteSectionBytes(q, qualifiers_.data(), uint32_t(qualifiers_.size()));
      CloseSection(q);
    }
  } else {
    HDHTABLE table = OpenDHRecordSet(methodFile_, id_, address_, "1");
    for (int32_t i = 0; table && i < n; ++i) {
      STRUCT_DH_COMPOUND c;
      if (GetDHRecord(table, i, &c)) DeleteRunSection(dataFile_, int32_t(c.compoundNumber));
    }
    if (table) FreeDHRecordSet(table);
    if (global_.quant.calculationType != 1 && n == 0) Note(window_, "Compound Table is empty.");
  }
  // 22.
  WriteTolResults(results_, &header_);

  // 23. The full chromatogram.
  UnknownPeaks(&results_);
  if (results_) CloseSection(results_), results_ = nullptr;

  // 24-25, and the new results, whole.
  return FinishResults("Failed to create results section.") ? TRUE : FALSE;
}

bool Run::FinishResults(const char* failure) {
  DH_QUANT_BLOCK block = global_.quant;
  if (Calibration()) block.integration356 = 0;
  CompoundRRTAndPercent(cache_.path, &block, rrtReference_);
  if (Calibration()) {
    char name[128] = {};
    if (BuildDHSectionName(name, "CalibrationLog", id_, address_, "1") && SectionExists(methodFile_, name))
      CopySection(methodFile_, name, dataFile_, name);
  }
  if (!CommitResults(dataFile_, cache_.path)) {
    Error(window_, failure);
    return false;
  }
  cache_.Remove();
  return true;
}

bool Run::PrepareCompounds(HDHTABLE table, int32_t n) {
  // 16.
  scanFuns_ = PD_GetScanFunInfoForDataFile(workFile_, &scanFunCount_, 0);
  if (global_.locateRrtReferenceFirst != 0 && global_.rrtTolerance >= 1) {
    float expected = 0, found = 0;
    if (FindMarkerCompound(table, n, &expected, &found, dataFile_, nullptr, 0, 0, &global_, id_, address_, "1")) {
      rrtReference_ = found;
      markerExpected_ = expected;
      markerFound_ = found;
    }
  }
  int16_t failed = 0;
  haveRefs_ = MORVEX_CheckForRefPks(table, n, &refTimes_, &refs_, &refCount_, dataFile_, nullptr, 0, 0,
                                    &global_, id_, address_, "1", &failed) != FALSE &&
              refTimes_ != nullptr;
  if (failed) {
    rawFlag_ = 1;
    Note(window_, "No Reference Compounds found. Reporting raw results for all compounds.");
  }
  if (!Calibration() && !MORVEX_IsCalibrated(table, 0, n - 1)) {
    effectiveType_ = 1;
    if (global_.ignoreCalibration == 0) {
      rawFlag_ = 1;
      Note(window_, manual_.on ? "No Calibration Data. Reporting raw results."
                               : "No Calibration Data. Reporting raw results for all compounds.");
    }
  }
  if (global_.ignoreCalibration != 0) {
    effectiveType_ = 1;
    Note(window_, manual_.on ? "Ignoring the Calibration Data as directed in Method"
                             : "Ignoring the Calibration Data as directed in Method.");
  }
  if ((Calibration() || Verification()) && effectiveType_ != 1 &&
      MethodHasTooFewLevels(Level(), methodFile_, id_, address_, "1")) {
    effectiveType_ = 1;
    rawFlag_ = 1;
    flagWord_ |= 0x10000;
    char text[120];
    std::snprintf(text, sizeof text, "Method specifies fewer than %d levels. Reporting raw results for all compounds.",
                  Level() + 1);
    Note(window_, text);
  }
  // 17. The calibration entry's row.
  if (Calibration()) {
    calibrationEntry_.sampleKey = int32_t(info_.acquisitionTime);
    calibrationEntry_.recalcTime = int32_t(header_.processedTime);
    if (global_.quant.averageReplicates) {
      PutText(calibrationEntry_.path, "Average replicates");
      calibrationRow_ = 0;
    } else {
      const char* name = manual_.on && manual_.calibrationName ? manual_.calibrationName : dataFile_;
      PutText(calibrationEntry_.path, name);
      calibrationRow_ = FindCalibrationRow(dataFile_, name, id_, address_, calibrationEntry_.sampleKey);
      rowKnown_ = calibrationRow_ >= 0;
      if (!rowKnown_) {
        HDHTABLE log = OpenCalibrationLog(methodFile_, id_, address_, true);
        calibrationRow_ = log ? std::max<int32_t>(CountDHRecords(log), 0) : 0;
        if (log) FreeDHRecordSet(log);
      }
    }
  }
  return true;
}

void Run::Pass(HDHTABLE table, int32_t n, bool standardsPass) {
  const bool internal = global_.quant.calculationType == 3;
  for (int32_t i = 0; i < n; ++i) {
    STRUCT_DH_COMPOUND c;
    if (!GetDHRecord(table, i, &c)) continue;
    const bool standard = (c.flags & quant::kFlagStandard) != 0;
    if (internal && standard != standardsPass) continue;
    Compound(table, i, standardsPass);
  }
}

void Run::Compound(HDHTABLE table, int32_t index, bool standardsPass) {
  const bool internal = global_.quant.calculationType == 3;
  STRUCT_DH_COMPOUND c;
  if (!GetDHRecord(table, index, &c)) return;
  STRUCT_RESULT_STEP step;
  std::memset(&step, 0, sizeof step);
  step.compoundIndex = int16_t(index);
  step.rawResults = rawFlag_;
  step.resultFlags = flagWord_;
  step.calibrationTimeStamp = manual_.on ? manual_.kept106 : -1;
  if (manual_.on) step.manualFlag = manual_.flag;
  if (!standardsPass) step.standardRetentionTime = -1.0f;
  STRUCT_QUALIFIER_RECORD qualifier;
  std::memset(&qualifier, 0, sizeof qualifier);

  if (!c.usesInternalStandard) {
    DeleteRunSection(dataFile_, int32_t(c.compoundNumber));
    if (!standardsPass && internal && Calibration()) {
      STRUCT_DH_COMPOUND standard;
      const int16_t group = c.internalStandard;
      const bool haveStandard = group >= 0 && group < kGroups && groupCompound_[group] >= 0 &&
                                GetDHRecord(table, groupCompound_[group], &standard);
      RecalibrateInactiveAnalyte(methodFile_, id_, address_, "1", index, &c, haveStandard ? &standard : nullptr,
                                 &global_.quant, options_, rawFlag_, rawFlag_);
    }
    Progress();
    return;
  }

  // The levels test may switch one compound to raw results; the run's
  // state comes back after it.
  const int16_t typeBefore = effectiveType_;
  const int16_t rawBefore = rawFlag_;
  const uint32_t flagsBefore = flagWord_;
  // The group indexes a 50-entry table: a group outside it has no standard.
  const int16_t group = c.internalStandard >= 0 && c.internalStandard < kGroups ? c.internalStandard : -1;
  STANDARD_DESCRIPTOR descriptor{};
  bool haveDescriptor = false;
  STRUCT_DH_COMPOUND standardRecord;
  bool haveStandardRecord = false;
  STRUCT_RESULT_STEP standardStep;
  std::memset(&standardStep, 0, sizeof standardStep);
  bool standardFound = false;
  if (!standardsPass && internal && group >= 0 && groupStep_[group] >= 0 &&
      ReadTolResultStep(results_, uint16_t(groupStep_[group]), &standardStep)) {
    step.standardNumber = int16_t(standardStep.compoundNumber);
    step.levelAmount = standardStep.levelAmount;
    step.standardAmount = standardStep.standardAmount;
    step.standardArea = standardStep.area;
    step.standardHeight = standardStep.height;
    step.standardRetentionTime = standardStep.retentionTime;
    haveStandardRecord = groupCompound_[group] >= 0 && GetDHRecord(table, groupCompound_[group], &standardRecord);
    if (standardStep.kind != RESULT_KIND_MISSING) {
      standardFound = true;
      descriptor.kind = 2;
      descriptor.one = 1;
      std::snprintf(descriptor.name, sizeof descriptor.name, "%.39s", standardStep.name);
      descriptor.amount = standardStep.levelAmount * header_.sampleAmountFactor;
      descriptor.response = float(ResponseOf(global_.quant.responseBasis, standardStep.area, standardStep.height));
      descriptor.retentionTime = standardStep.retentionTime;
      haveDescriptor = true;
    }
  }

  int16_t wasRef = 0;
  MORVEX_MaskRefPkFlag(&c, &wasRef);
  if (Calibration() || Verification()) {
    const std::string name = Name(c);
    if (standardsPass || !internal)
      CheckCompoundLevels(window_, name.c_str(), CompoundLevelCount(&c), Level(), &effectiveType_, &rawFlag_,
                          &flagWord_);
    else
      CheckAnalyteLevels(window_, name.c_str(), c.flags, CompoundLevelCount(&c), Level(), standardFound ? 1 : 0,
                         haveStandardRecord ? CompoundLevelCount(&standardRecord) : 0, &effectiveType_, &rawFlag_,
                         &flagWord_);
    step.rawResults = rawFlag_;
    step.resultFlags = flagWord_;
  }
  if (standardsPass) {
    step.standardNumber = int16_t(c.compoundNumber);
    step.levelAmount = c.levels[Level()].amount;
    step.standardAmount = step.levelAmount * header_.sampleAmountFactor;
  }
  const double corrected = haveRefs_ && refTimes_ ? double(refTimes_[index + 1].found) : -1.0;
  COMPOUND_CAL_SAVE saved;
  SaveCompoundCalFields(&c, corrected, &saved);
  step.stepIndex = int16_t(stepCounter_);
  qualifier.stepIndex = int16_t(stepCounter_);
  qualifier.global672 = global_.qualifierValue8;
  qualifier.global694 = global_.qualifierValue14;
  const float keptFactor = Opt<float>(options_, OPTIONS_SAMPLE_AMOUNT);
  SetOpt<float>(options_, OPTIONS_SAMPLE_AMOUNT, step.standardAmount);
  if (corrected >= 0) c.retentionTime = uint32_t(corrected * 1000.0);

  STRUCT_DH_GLOBAL_PARAMS compoundGlobal = global_;
  float standardExpected = haveStandardRecord ? float(standardRecord.retentionTime * 0.001) : 0.0f;
  float standardTime = standardFound ? standardStep.retentionTime : 0.0f;
  // A standard's relative time is taken against the method's marker
  // compound; without one a standard has nothing to be relative to.
  STRUCT_DH_GLOBAL_PARAMS testGlobal = global_;
  if (standardsPass || !internal) {
    standardExpected = markerExpected_;
    standardTime = markerFound_;
    if (!(markerFound_ > 0)) testGlobal.locateRrtReferenceFirst = 0;
  }
  IntegrateMethodCompounds(window_, manual_.on ? manual_.runFile : nullptr, dataFile_, 0, workFile_, scanFuns_,
                           uint16_t(std::max<int16_t>(scanFunCount_, 0)), methodFile_, &compoundGlobal, &c,
                           haveDescriptor && haveStandardRecord ? &standardRecord : nullptr, options_, &step,
                           haveDescriptor ? &descriptor : nullptr, &testGlobal, standardExpected, standardTime,
                           &qualifier, 1, manual_.on ? manual_.value : 0.0,
                           manual_.on ? manual_.mode : int16_t(INTEGRATE_AUTOMATIC), global_.noiseKind, 0);
  if (manual_.on) step.manualFlag = manual_.flag;
  Progress();
  SetOpt<float>(options_, OPTIONS_SAMPLE_AMOUNT, keptFactor);
  if (wasRef) MORVEX_RestoreRefPkFlag(&c);

  // After integration.
  if (corrected >= 0) {
    step.expectedRetentionTime = float(corrected);
    if (step.kind == RESULT_KIND_MISSING) {
      step.retentionTime = float(corrected);
      c.retentionTime = uint32_t(corrected * 1000.0);
    }
  }
  if (standardsPass && group >= 0) groupCompound_[group] = index;
  const double response = ResponseOf(global_.quant.responseBasis, step.area, step.height);
  const bool found = step.kind == RESULT_KIND_IDENTIFIED;
  if (Calibration()) {
    // The sample's point on the compound's curve.
    const bool locked = (c.flags & DH_COMPOUND_CALIBRATION_LOCKED) != 0;
    double point = response;
    if (internal && !standardsPass) {
      const double standardResponse = ResponseOf(global_.quant.responseBasis, step.standardArea, step.standardHeight);
      point = standardFound && standardResponse > 0 ? response / standardResponse : -1.0;
    }
    if (manual_.on && effectiveType_ != 1 && rawFlag_ == 0 && locked) {
      char text[300];
      const std::string name = Name(c);
      if (internal && (c.flags & quant::kFlagStandard))
        std::snprintf(text, sizeof text,
                      "The calibration data for the Internal Standard %s is locked. \nIt will not be updated for the "
                      "internal standard or the analytes that use it.",
                      name.c_str());
      else
        std::snprintf(text, sizeof text, "The calibration data for the Analyte %s is locked. \nIt will not be updated.",
                      name.c_str());
      MessageBoxA(GetActiveWindow(), text, "Warning!", MB_OK);
    } else if (manual_.on && effectiveType_ != 1 && rawFlag_ == 0) {
      // The sample's own point replaced, kept or dropped by its log row.
      quant::UpdateManualCalibrationPoint(&c, Level(), step.kind != RESULT_KIND_MISSING, point, step.peakFlag,
                                          calibrationRow_, global_.quant.averageReplicates != 0, &global_.quant);
    } else if (!manual_.on && found && effectiveType_ != 1 && rawFlag_ == 0 && !locked && point > 0) {
      AddCalibrationPoint(&c, Level(), point, rowKnown_ ? 1 : 0, global_.quant.averageReplicates ? 1 : 0,
                          &global_.quant);
      DH_CALIBRATION_LEVEL& level = c.levels[Level()];
      if (level.count > 0 && level.count <= 10 && calibrationRow_ >= 0)
        level.rows[level.count - 1] = int16_t(calibrationRow_);
    }
    PutDHRecord(table, index, &c);
    STRUCT_DH_COMPOUND restored = c;
    RestoreCompoundCalFields(&restored, &saved);
    if (HDHTABLE data = OpenDHRecordSetForUpdate(dataFile_, id_, address_, "1")) {
      PutDHRecord(data, index, &restored);
      FreeDHRecordSet(data);
    }
  } else if (found && step.rawResults == 0 && effectiveType_ != 1 && global_.quant.calculationType != 1) {
    // Amounts from the compound's curve.
    const char* units = reinterpret_cast<const char*>(&c) + quant::kUnits;
    if (standardsPass) {
      step.amount = float(step.standardAmount * ResponseFactor(c));
      PutText(step.units, std::string(units, strnlen(units, 10)).c_str());
    } else {
      double y = response;
      double scale = 1.0;
      bool usable = true;
      if (internal) {
        const double standardResponse =
            ResponseOf(global_.quant.responseBasis, step.standardArea, step.standardHeight);
        usable = standardFound && standardResponse > 0;
        y = usable ? response / standardResponse : 0;
        scale = step.levelAmount > 0 ? step.standardAmount / step.levelAmount : 1.0;
      } else {
        scale = Opt<float>(options_, OPTIONS_SAMPLE_AMOUNT) > 0 ? Opt<float>(options_, OPTIONS_SAMPLE_AMOUNT) : 1.0;
      }
      double x = 0;
      if (usable && CalibratedAmount(&c, y, &x)) {
        step.amount = float(x * scale * AmountScale(options_) * ResponseFactor(c));
        PutText(step.units, std::string(units, strnlen(units, 10)).c_str());
      } else {
        step.amount = -1.0f;
      }
    }
  }
  if (standardsPass) {
    step.standardArea = step.area;
    step.standardHeight = step.height;
    step.standardRetentionTime = step.retentionTime;
  }

  if (manual_.on) {
    manual_.integrated = true;
    manual_.step = step;
    manual_.qualifier = qualifier;
    manual_.compound = c;
    effectiveType_ = typeBefore;
    rawFlag_ = rawBefore;
    flagWord_ = flagsBefore;
    return;
  }
  // Counting and writing.
  const bool drop = !standardsPass && step.kind == RESULT_KIND_MISSING && SampleType() == SAMPLE_ANALYSIS &&
                    global_.quant.reportNotFound == 0;
  if (!drop) {
    if (step.kind == RESULT_KIND_MISSING) MissingCompoundNotes(window_, &step);
    if (step.kind >= RESULT_KIND_IDENTIFIED && step.kind <= RESULT_KIND_FAILED) AddResultKindCount(&header_, step.kind, 1);
    if (standardsPass && group >= 0) groupStep_[group] = stepCounter_;
    if (c.flags & quant::kFlagMarker) rrtReference_ = step.retentionTime;
    step.stepIndex = int16_t(stepCounter_);
    qualifier.stepIndex = int16_t(stepCounter_);
    if (WriteTolResultStep(results_, uint16_t(stepCounter_), &step)) {
      ++stepCounter_;
      const auto* q = reinterpret_cast<const uint8_t*>(&qualifier);
      qualifiers_.insert(qualifiers_.end(), q, q + sizeof qualifier);
    }
  }
  effectiveType_ = typeBefore;
  rawFlag_ = rawBefore;
  flagWord_ = flagsBefore;
}

void Run::UnknownPeaks(HSECTION* results) {
  const bool wanted = global_.quant.calculationType == 1 || global_.reportUnknowns != 0;
  const bool none = global_.unknownFilterKind == UNKNOWN_FILTER_LARGEST_N && global_.filterLargestCount == 0;
  if (!wanted || none) {
    DeleteFullChromatogram(dataFile_);
    return;
  }
  const int32_t before = CountTolResultSteps(*results);
  if (HSECTION t = CreateTICData(cache_.path)) CloseSection(t);
  ProcessFullChromatogram(window_, methodFile_, dataFile_, &global_, &header_, *results, 1);
  const bool peaks = CountTolResultSteps(*results) > before;
  STRUCT_ACTIVE_IS_TABLE table;
  std::memset(&table, 0, sizeof table);
  int16_t type = effectiveType_;
  if (peaks) {
    WriteTolResults(*results, &header_);
    if (global_.quant.calculationType != 1) MarkIdentifiedPeaks(*results, &header_);
    if (global_.quant.calculationType == 3 && (global_.unknownQuantKind == 0 || global_.unknownQuantKind == 1)) {
      if (BuildActiveISTable(*results, &header_, dataFile_, workFile_, methodFile_, options_, &table) <= 0) {
        table.count = 0;
        char text[160];
        std::snprintf(text, sizeof text,
                      "No %s Internal Std peaks found to quantitate Unknown peaks. Reporting percent of total.",
                      global_.unknownQuantKind == 1 ? "Pure" : "");
        Note(window_, text);
        type = 1;
      }
      ReadTolResults(*results, &header_);
    }
    WriteTolResults(*results, &header_);
    ApplyUnknownPeakFilter(*results, &header_, &global_, &table);
  }
  WriteTolResults(*results, &header_);
  CloseSection(*results);
  *results = nullptr;
  const int32_t g1 = int32_t(header_.countIdentified) + header_.countMissing + header_.countFailed;
  CompactResults(cache_.path, cache_.path, g1, &table);
  if (!peaks) return;
  if (type != 1 && global_.quant.calculationType != 1) QuantitateUnknownPeaks(cache_.path, &global_, &table, options_);
  else PercentOfTotalUnknowns(cache_.path);
  if (global_.librarySearchUnknowns == 1) SearchUnknownPeaks(window_, cache_.path, workFile_, &global_);
}


void Run::PrefillStandards(HDHTABLE table, int32_t n, int32_t g1) {
  for (int32_t i = 0; i < n; ++i) {
    STRUCT_DH_COMPOUND c;
    if (!GetDHRecord(table, i, &c) || !(c.flags & quant::kFlagStandard) || !c.usesInternalStandard) continue;
    if (c.internalStandard < 0 || c.internalStandard >= kGroups || groupCompound_[c.internalStandard] >= 0) continue;
    groupCompound_[c.internalStandard] = i;
    for (int32_t k = 0; k < g1 && k <= 0xFFFF; ++k) {
      STRUCT_RESULT_STEP st;
      if (ReadTolResultStep(results_, uint16_t(k), &st) && st.compoundNumber == int32_t(c.compoundNumber)) {
        groupStep_[c.internalStandard] = k;
        break;
      }
    }
  }
}

// Integrates compound index again and puts its step and qualifier record
// at step index at. A compound no longer found in an analysis sample is
// marked for removal unless the method reports such compounds.
bool Run::RedoCompound(HDHTABLE table, int32_t index, int32_t at, bool* marked,
                       const STRUCT_RESULT_STEP* standardStep) {
  STRUCT_DH_COMPOUND c;
  STRUCT_RESULT_STEP old;
  if (!GetDHRecord(table, index, &c) || !ReadTolResultStep(results_, uint16_t(at), &old)) return false;
  manual_.kept106 = old.calibrationTimeStamp;
  manual_.integrated = false;
  const bool standard = global_.quant.calculationType == 3 && (c.flags & quant::kFlagStandard);
  Compound(table, index, standard);
  if (!manual_.integrated) return false;
  STRUCT_RESULT_STEP step = manual_.step;
  STRUCT_QUALIFIER_RECORD qualifier = manual_.qualifier;
  if (standardStep) {
    // An analyte follows its standard's stamps and its user mark.
    step.timeStamp = standardStep->timeStamp;
    if (Calibration() && effectiveType_ != 1) step.calibrationTimeStamp = standardStep->calibrationTimeStamp;
    // The letters first: they keep U only as a letter, the analyte's
    // flag word keeps it too.
    if (standardStep->peakFlag == 'U') {
      step.peakFlag = 'U';
      MakeStepLetters(&step, manual_.compound.flags, global_.quant.calculationType);
      step.resultFlags |= PF_USER;
    } else if (old.peakFlag != 'U') {
      step.peakFlag = 0;
      MakeStepLetters(&step, manual_.compound.flags, global_.quant.calculationType);
      step.resultFlags &= ~PF_USER;
    } else {
      // Placed by the user before: it stays so.
      step.peakFlag = 'U';
      MakeStepLetters(&step, manual_.compound.flags, global_.quant.calculationType);
      step.resultFlags |= PF_USER;
    }
  }
  if (step.kind == RESULT_KIND_MISSING) {
    if (global_.quant.reportNotFound != 0 || Calibration() || Verification()) {
      MissingCompoundNotes(window_, &step);
    } else {
      step.kind += RESULT_KIND_REMOVED;
      *marked = true;
    }
  }
  step.stepIndex = int16_t(at);
  qualifier.stepIndex = int16_t(at);
  if (!WriteTolResultStep(results_, uint16_t(at), &step)) return false;
  if (step.kind < RESULT_KIND_REMOVED && old.kind != step.kind) MoveResultStepKind(&header_, old.kind, step.kind);
  if (HSECTION q = OpenQualifierData(cache_.path)) {
    WriteQualifierRecord(q, int16_t(at), &qualifier);
    CloseSection(q);
  }
  return true;
}

// A compound's stored run section, extracted whole into a temporary file
// (prefix "mod") for the integration to start from.
bool ExtractRunSection(const char* dataFile, int32_t compoundNumber, char* path) {
  char section[32];
  std::snprintf(section, sizeof section, "Run%ld", long(compoundNumber));
  path[0] = 0;
  if (!SectionExists(dataFile, section)) return false;
  HSECTION s = OpenSectionReadOnly(dataFile, section, nullptr);
  if (!s) return false;
  std::vector<uint8_t> bytes(GetSectionSize(s));
  const bool read = bytes.empty() || ReadSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  CloseSection(s);
  if (!read || !MakeTempFileName("mod", path)) return false;
  HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = f != INVALID_HANDLE_VALUE &&
                  (bytes.empty() || WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr)) &&
                  written == bytes.size();
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  if (!ok) {
    DeleteFileA(path);
    path[0] = 0;
  }
  return ok;
}

// Every analyte whose step names the standard at standardIndex (step
// standardAt, already redone) is integrated again against the standard's
// new result; an inactive one only has its calibration fitted again.
void Run::RedoAnalytesOf(HDHTABLE table, int32_t n, int32_t g1, int32_t standardIndex, int32_t standardAt,
                         bool* marked) {
  STRUCT_DH_COMPOUND standard;
  STRUCT_RESULT_STEP standardStep;
  if (!GetDHRecord(table, standardIndex, &standard) ||
      !ReadTolResultStep(results_, uint16_t(standardAt), &standardStep))
    return;
  for (int32_t i = 0; i < g1 && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP st;
    if (i == standardAt || !ReadTolResultStep(results_, uint16_t(i), &st)) continue;
    if (st.kind >= RESULT_KIND_REMOVED || st.standardNumber != int16_t(standard.compoundNumber)) continue;
    for (int32_t k = 0; k < n; ++k) {
      STRUCT_DH_COMPOUND a;
      if (k == standardIndex || !GetDHRecord(table, k, &a) || int32_t(a.compoundNumber) != st.compoundNumber) continue;
      if (!a.usesInternalStandard) {
        RecalibrateInactiveAnalyte(methodFile_, id_, address_, "1", k, &a, &standard, &global_.quant, options_,
                                   rawFlag_, rawFlag_);
        break;
      }
      // The analyte's run as stored, when it was; the integration names
      // its own mini run file in the buffer in its place.
      char runFile[MAX_PATH] = {};
      ExtractRunSection(dataFile_, int32_t(a.compoundNumber), runFile);
      manual_.runFile = runFile;
      // Automatic integration in its window either way: the time of the
      // integration at a given time would be the 0.0 handed here.
      manual_.mode = INTEGRATE_AUTOMATIC;
      manual_.value = 0;
      manual_.flag = 0;
      RedoCompound(table, k, i, marked, &standardStep);
      if (runFile[0]) DeleteFileA(runFile);
      manual_.runFile = nullptr;
      break;
    }
  }
}

// Corrected expected times of the active compounds into the method, as a
// whole run stores them.
void Run::UpdateExpectedTimes(HDHTABLE table, int32_t n) {
  if (!haveRefs_ || !refTimes_ || (Calibration() && (global_.rtUpdateFlags & 0x1))) return;
  for (int32_t i = 0; i < n; ++i) {
    STRUCT_DH_COMPOUND c;
    if (!GetDHRecord(table, i, &c) || !c.usesInternalStandard) continue;
    if (refTimes_[i + 1].found > 0) {
      c.retentionTime = uint32_t(double(refTimes_[i + 1].found) * 1000.0);
      PutDHRecord(table, i, &c);
    }
  }
}

BOOL Run::Manual(char* runFile, const char* calibrationName, int16_t compoundIndex, int16_t stepIndex, int16_t mode,
                 double manualValue, int16_t manualFlag) {
  RegisterWindowMessageA("WM_MORVEX_ERROR");
  progressMessage_ = RegisterWindowMessageA("WM_MORVEX_PROGRESS");
  CheckControlWord(window_);
  if (caller_ && !caller_->module) caller_->module = MorvexInstance();
  for (int i = 0; i < kGroups; ++i) groupCompound_[i] = groupStep_[i] = -1;
  manual_.on = true;
  manual_.runFile = runFile;
  manual_.calibrationName = calibrationName ? calibrationName : dataFile_;
  manual_.mode = mode;
  manual_.value = manualValue;
  manual_.flag = manualFlag;
  if (!Checks(false)) return FALSE;

  // 2. The results cache holds the data file's three sections.
  if (!MakeTempSectionFile("RSLT", cache_.path)) {
    Error(window_, "Failed to create results cache.");
    return FALSE;
  }
  if (HSECTION old = OpenTolResultsReadOnly(dataFile_)) {
    CloseSection(old);
  } else {
    Error(window_, "Failed to update old-format results.");
    return FALSE;
  }
  MORVEX_CopyDHResults(cache_.path, dataFile_);
  results_ = OpenTolResults(cache_.path);
  if (!results_ || !ReadTolResults(results_, &header_)) {
    Error(window_, "Failed to open results section.");
    return FALSE;
  }
  struct CloseResults {
    HSECTION* s;
    ~CloseResults() {
      if (*s) CloseSection(*s);
    }
  } closeResults{&results_};
  int32_t g1 = int32_t(header_.countIdentified) + header_.countMissing + header_.countFailed;
  std::memcpy(header_.options, options_, QUANT_OPTIONS_SIZE);
  header_.processedTime = uint32_t(GetCurrentDateTime());
  header_.responseBasis = global_.quant.responseBasis;
  header_.calculationType = global_.quant.calculationType;
  header_.reportUnknowns = global_.reportUnknowns;
  header_.reportMissing = global_.quant.reportNotFound;
  header_.sampleAmountFactor = Opt<float>(options_, OPTIONS_SAMPLE_AMOUNT);
  WriteTolResults(results_, &header_);
  const int32_t total = CountTolResultSteps(results_);
  STRUCT_RESULT_STEP changed;
  std::memset(&changed, 0, sizeof changed);
  if (stepIndex < 0 || stepIndex >= total || !ReadTolResultStep(results_, uint16_t(stepIndex), &changed)) {
    Error(window_, "Failed to open results section.");
    return FALSE;
  }
  const std::string changedName(changed.name, strnlen(changed.name, sizeof changed.name));
  const float changedTime = changed.retentionTime;
  WriteRecalcLog(dataFile_, methodFile_, options_, caller_, &header_, id_, address_, "1");
  HDHTABLE sizes = OpenDHRecordSet(methodFile_, id_, address_, "1");
  if (!sizes) {
    Error(window_, "Failed to open Compound Table.");
    return FALSE;
  }
  const int32_t n = std::max<int32_t>(CountDHRecords(sizes), 0);
  FreeDHRecordSet(sizes);
  total_ = n;
  effectiveType_ = global_.quant.calculationType;
  const bool unknownChanged = stepIndex >= g1;
  bool standardChanged = false;

  if (unknownChanged) {
    // 3. The unknown peaks again.
    const bool none = global_.unknownFilterKind == UNKNOWN_FILTER_LARGEST_N && global_.filterLargestCount == 0;
    if ((global_.quant.calculationType != 1 && global_.reportUnknowns == 0) || none) {
      DeleteFullChromatogram(dataFile_);
      Error(window_, "CalcType not = %, or no Unknown Peaks reported");
      return FALSE;
    }
    if (global_.quant.calculationType == 1) {
      g1 = 0;
      DeleteRunSections(dataFile_);
    }
    if (!MORVEX_CopyDHGlobalMethod(dataFile_, methodFile_, id_, address_)) {
      Error(window_, "Failed to copy the method into the data file.");
      return FALSE;
    }
    CloseSection(results_);
    results_ = nullptr;
    RewriteTolResults(cache_.path, int16_t(g1));
    results_ = OpenTolResults(cache_.path);
    if (!results_ || !ReadTolResults(results_, &header_)) {
      Error(window_, "Failed to open results cache");
      return FALSE;
    }
    if (g1 == 0) header_.countIdentified = header_.countMissing = header_.countFailed = 0;
    header_.countTIC = header_.countDuplicate = header_.countUnknown = 0;
    WriteTolResults(results_, &header_);
    if (HSECTION q = OpenQualifierData(cache_.path)) CloseSection(q);
    UnknownPeaks(&results_);
  } else {
    // 4. One compound again, and what depends on it.
    if (global_.quant.calculationType == 1 || n == 0) {
      Error(window_, "CalcType = %, or no active compounds in method");
      return FALSE;
    }
    if (!SectionExists(cache_.path, QUALIFIERS_SECTION)) {
      if (HSECTION q = CreateQualifierData(cache_.path, int16_t(g1))) {
        CloseSection(q);
      } else {
        Error(window_, "Failed to create qualifiers section.");
        return FALSE;
      }
    }
    if (!MORVEX_CopyDHCmpdTableMethod(dataFile_, methodFile_, id_, address_)) {
      Error(window_, "Failed to copy the method into the data file.");
      return FALSE;
    }
    HDHTABLE table = OpenDHRecordSetForUpdate(methodFile_, id_, address_, "1");
    if (!table) {
      Error(window_, "Can't open Compound Table");
      return FALSE;
    }
    struct FreeTable {
      HDHTABLE t;
      ~FreeTable() { FreeDHRecordSet(t); }
    } freeTable{table};
    PrepareCompounds(table, n);
    if (Calibration() && effectiveType_ != 1 && !global_.quant.averageReplicates && !rowKnown_) {
      char text[400];
      std::snprintf(text, sizeof text, "Calibration failed; %s not in Calibration Log", manual_.calibrationName);
      Error(window_, text);
      return FALSE;
    }
    PrefillStandards(table, n, g1);
    STRUCT_DH_COMPOUND c;
    if (compoundIndex < 0 || compoundIndex >= n || !GetDHRecord(table, compoundIndex, &c)) {
      Error(window_, "Can't open Compound Table");
      return FALSE;
    }
    if (!c.usesInternalStandard) {
      DeleteRunSection(dataFile_, int32_t(c.compoundNumber));
      char text[120];
      std::snprintf(text, sizeof text, "%s : Not Active.", Name(c).c_str());
      Error(window_, text);
      return FALSE;
    }
    bool marked = false;
    RedoCompound(table, compoundIndex, stepIndex, &marked);
    const int32_t changed106 = manual_.step.calibrationTimeStamp;
    standardChanged = global_.quant.calculationType == 3 && (c.flags & quant::kFlagStandard);
    if (standardChanged) RedoAnalytesOf(table, n, g1, compoundIndex, stepIndex, &marked);
    if (Calibration() && effectiveType_ != 1 && calibrationRow_ >= 0) {
      if (HDHTABLE log = OpenCalibrationLog(methodFile_, id_, address_, true)) {
        DH_CALIBRATION_LOG_ROW row;
        if (GetDHRecord(log, calibrationRow_, &row)) {
          row.recalcTime = changed106;
          PutDHRecord(log, calibrationRow_, &row);
        }
        FreeDHRecordSet(log);
      }
    }
    UpdateExpectedTimes(table, n);
    WriteTolResults(results_, &header_);
    CloseSection(results_);
    results_ = nullptr;
    if (marked) {
      // The sections rebuilt without the dropped steps, from a copy.
      TempPath copy;
      if (!MakeTempSectionFile("QUAL", copy.path) || !CopyFileA(cache_.path, copy.path, FALSE) ||
          !CompactAllSections(cache_.path, copy.path, g1)) {
        Error(window_, "Failed to create qualifiers section.");
        return FALSE;
      }
    }
  }
  if (results_) CloseSection(results_), results_ = nullptr;

  // 5.
  if (!FinishResults("Failed to open results section.")) return FALSE;

  // 6. The data file's log.
  if (GetWorkstationOption(7) & 0x2) {
    const int32_t now = GetCurrentDateTime();
    char line[600];
    std::snprintf(line, sizeof line, "%s %s: Manually integrated as %s sample:", DateText(now, true).c_str(),
                  DateText(now, false).c_str(), SampleText(SampleType(), Level()).c_str());
    if (AppendDHLogText(dataFile_, line)) {
      const char* what = unknownChanged ? "Unidentified Peak" : standardChanged ? "Internal Standard" : "Target Compound";
      std::snprintf(line, sizeof line, "    %s '%s' at %.3f min.", what, changedName.c_str(), double(changedTime));
      AppendDHLogText(dataFile_, line);
    }
  }
  return TRUE;
}

}  // namespace

// ---- Small record operations ----------------------------------------------------------

void MORVEX_MaskRefPkFlag(STRUCT_DH_COMPOUND* compound, int16_t* wasSet) {
  if (!compound) return;
  const bool set = compound->flags & 0x1;
  compound->flags = uint16_t(compound->flags & ~0x1u);
  if (wasSet) *wasSet = set ? 1 : 0;
}

void MORVEX_RestoreRefPkFlag(STRUCT_DH_COMPOUND* compound) {
  if (compound) compound->flags = uint16_t(compound->flags | 0x1u);
}

void SaveCompoundCalFields(const STRUCT_DH_COMPOUND* compound, double correctedTime, COMPOUND_CAL_SAVE* save) {
  if (!compound || !save) return;
  const auto* c = reinterpret_cast<const uint8_t*>(compound);
  save->retentionTime = correctedTime >= 0 ? uint32_t(correctedTime * 1000.0) : compound->retentionTime;
  std::memcpy(save->timeEvents, c + 1759, sizeof save->timeEvents);
  std::memcpy(save->qualifiers, c + 2191, sizeof save->qualifiers);
  std::memcpy(save->referenceSpectrum, c + 3365, sizeof save->referenceSpectrum);
  std::memcpy(&save->referenceCount, c + 3365 + 1368, 2);
}

void RestoreCompoundCalFields(STRUCT_DH_COMPOUND* compound, const COMPOUND_CAL_SAVE* save) {
  if (!compound || !save) return;
  auto* c = reinterpret_cast<uint8_t*>(compound);
  compound->retentionTime = save->retentionTime;
  std::memcpy(c + 1759, save->timeEvents, sizeof save->timeEvents);
  std::memcpy(c + 2191, save->qualifiers, sizeof save->qualifiers);
  std::memcpy(c + 3365, save->referenceSpectrum, sizeof save->referenceSpectrum);
  std::memcpy(c + 3365 + 1368, &save->referenceCount, 2);
}

void ClearCompoundCalibration(STRUCT_DH_COMPOUND* compound) {
  if (!compound) return;
  compound->flags = uint16_t(compound->flags & ~((1u << 1) | (1u << 2) | (1u << 3) | (1u << 11)));
  auto* c = reinterpret_cast<uint8_t*>(compound);
  std::memset(c + 52, 0, 52);
  std::memset(c + 108, 0, 4);
  std::memset(c + 112, 0, 4);
}

BOOL CalibratedAmount(const STRUCT_DH_COMPOUND* compound, double response, double* amount) {
  if (!compound || !amount || !std::isfinite(response)) return FALSE;
  const double c0 = compound->coefficients[0], c1 = compound->coefficients[1], c2 = compound->coefficients[2],
               c3 = compound->coefficients[3];
  if (c1 == 0 && c2 == 0 && c3 == 0) return FALSE;
  auto f = [&](double x) { return c0 + x * (c1 + x * (c2 + x * c3)); };
  if (c2 == 0 && c3 == 0) {
    const double x = (response - c0) / c1;
    if (!std::isfinite(x)) return FALSE;
    *amount = x;
    return TRUE;
  }
  // A higher curve: the root on the rising part that starts at zero amount,
  // searched up to well past the calibrated range.
  double high = std::max<double>(compound->calibrationValues[1], 1.0) * 10.0;
  double lo = 0, hi = high;
  const double flo = f(lo) - response, fhi = f(hi) - response;
  if (!std::isfinite(flo) || !std::isfinite(fhi) || flo * fhi > 0) return FALSE;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    if ((f(mid) - response) * flo > 0) lo = mid;
    else hi = mid;
  }
  *amount = 0.5 * (lo + hi);
  return TRUE;
}

BOOL AddCalibrationPoint(STRUCT_DH_COMPOUND* compound, int16_t level, double response, BOOL replace, BOOL average,
                         const DH_QUANT_BLOCK* block) {
  if (!compound || !block || level < 0 || level >= 10 || !(response > 0) || !std::isfinite(response)) return FALSE;
  if (quant::AppendCalPoint(compound, level, response, replace != FALSE, average != FALSE) < 0) return FALSE;
  if (FitCompoundCalibration(compound, nullptr, block)) return TRUE;
  // A curve that no point supports any more is no curve.
  bool points = false;
  for (const DH_CALIBRATION_LEVEL& v : compound->levels)
    for (int i = 0; i < std::clamp<int>(v.count, 0, 10); ++i) points = points || v.responses[i] > 0;
  if (!points) ClearCompoundCalibration(compound);
  return FALSE;
}

BOOL WriteRecalcLog(const char* dataFile, const char* methodFile, const void* options,
                    const STRUCT_QUANT_CALLER* caller, const void* header, uint16_t id, uint16_t address,
                    const char* tag) {
  if (!dataFile || !tag) return FALSE;
  HDHTABLE log = OpenRecalcLog(dataFile, id, address, tag);
  int16_t sequence = 0;
  if (log) {
    const int32_t n = CountDHRecords(log);
    STRUCT_RECALC_ENTRY last;
    if (n > 0 && GetDHRecord(log, n - 1, &last)) sequence = int16_t(last.sequence + 1);
  } else {
    log = CreateRecalcLog(dataFile, id, address, tag);
  }
  if (!log) return FALSE;
  STRUCT_RECALC_ENTRY e;
  std::memset(&e, 0, sizeof e);
  e.sequence = sequence;
  if (header) std::memcpy(&e.processedTime, static_cast<const uint8_t*>(header) + 2263, 4);
  e.one = 1;
  PutText(e.engineDescription, kEngineDescription);
  PutText(e.engineVersion, kEngineVersion);
  GetDHLibraryTexts(e.libraryDescription, e.libraryVersion);
  e.libraryDescription[41] = e.libraryVersion[41] = 0;
  if (caller) {
    std::snprintf(e.callerText4, sizeof e.callerText4, "%.*s", int(sizeof caller->text4), caller->text4);
    std::snprintf(e.callerText23, sizeof e.callerText23, "%.*s", int(sizeof caller->text23), caller->text23);
    std::snprintf(e.callerText562, sizeof e.callerText562, "%.*s", int(sizeof caller->text562), caller->text562);
    std::snprintf(e.notes, sizeof e.notes, "%.*s", int(sizeof caller->text42), caller->text42);
  }
  if (options) std::snprintf(e.optionsText, sizeof e.optionsText, "%.180s", static_cast<const char*>(options) + 2058);
  PutText(e.methodPath, methodFile);
  const BOOL ok = AppendDHRecord(log, &e);
  FreeDHRecordSet(log);
  return ok;
}

BOOL DoTolmarQuantitationEx(HWND window, const char* dataFile, const char* methodFile, void* options,
                            STRUCT_QUANT_CALLER* caller) {
  if (!dataFile || !methodFile || !options) return FALSE;
  Run run(window, dataFile, methodFile, options, caller);
  return run.Execute();
}

BOOL DoTolmarQuantitation(HWND window, const char* dataFile, const char* methodFile, void* options) {
  STRUCT_QUANT_CALLER caller;
  std::memset(&caller, 0, sizeof caller);
  caller.module = MorvexInstance();
  PutText(caller.methodPath, methodFile);
  return DoTolmarQuantitationEx(window, dataFile, methodFile, options, &caller);
}

BOOL RunManualQuantitation(HWND window, char* runFile, const char* dataFile, const char* calibrationName,
                           const char* methodFile, void* options, STRUCT_QUANT_CALLER* caller, int16_t compoundIndex,
                           int16_t stepIndex, int16_t mode, double manualValue, int16_t manualFlag) {
  if (!dataFile || !methodFile || !options) return FALSE;
  Run run(window, dataFile, methodFile, options, caller);
  return run.Manual(runFile, calibrationName, compoundIndex, stepIndex, mode, manualValue, manualFlag);
}

BOOL DoTolmarManualQuantitationEx1(HWND window, char* runFile, const char* dataFile, const char* calibrationName,
                                   const char* methodFile, void* options, int16_t compoundIndex, int16_t stepIndex,
                                   int16_t mode, double manualValue, int16_t manualFlag) {
  STRUCT_QUANT_CALLER caller;
  std::memset(&caller, 0, sizeof caller);
  caller.module = MorvexInstance();
  PutText(caller.methodPath, methodFile);
  return RunManualQuantitation(window, runFile, dataFile, calibrationName, methodFile, options, &caller,
                               compoundIndex, stepIndex, mode, manualValue, manualFlag);
}

BOOL DoTolmarManualQuantitation(HWND window, char* runFile, const char* dataFile, const char* methodFile,
                                void* options, int16_t compoundIndex, int16_t stepIndex, int16_t mode,
                                double manualValue, int16_t manualFlag) {
  return DoTolmarManualQuantitationEx1(window, runFile, dataFile, dataFile, methodFile, options, compoundIndex,
                                       stepIndex, mode, manualValue, manualFlag);
}
