// Readers of a data file's data-handling tables.
#include "common/results_access.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/engine_binding.h"
#include "common/engine_entries.h"
#include "common/mass_lists.h"
#include "common/report_records.h"
#include "common/results_facts.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

// The quantitation engine, bound for one call.
using Engine = kelt::EngineBinding;
namespace fn = kelt::engine;
namespace r = kelt::reports;

// Number of method-compound steps of a results header.
int32_t TargetSteps(const uint8_t* header) {
  int32_t n = 0;
  for (int i = 0; i < 3; ++i) n += r::FieldAt<int16_t>(header, kelt::results::kStepCountOffsets[i]);
  return n;
}

struct WorkFileFree {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};

}  // namespace

BOOL KELT_ReadGlobalTable(const STRUCT_WORK_FILE* workFile, void* table) {
  if (!workFile || !table) return FALSE;
  HDHTABLE handle = OpenGlobalTable(workFile->filePath, workFile->fileType, workFile->module, "1");
  if (!handle) return FALSE;
  const BOOL ok = ReadGlobalTable(handle, static_cast<STRUCT_DH_GLOBAL_PARAMS*>(table));
  CloseSection(static_cast<HSECTION>(handle));
  return ok ? TRUE : FALSE;
}

BOOL RPTS_ReadDHRecord(const char* path, void* record) {
  if (!path || !record) return FALSE;
  HDHTABLE handle = OpenDHRecord(path);
  if (!handle) return FALSE;
  const BOOL ok = ReadDHRecord(handle, record);
  CloseSection(static_cast<HSECTION>(handle));
  return ok ? TRUE : FALSE;
}

BOOL RPTS_ReadDataFileSection(const STRUCT_WORK_FILE* workFile, void* record) {
  if (!workFile || !record) return FALSE;
  HDHTABLE handle = DF_OpenDataFileRecord(workFile->filePath, workFile->fileType, workFile->module, "1");
  if (!handle) return FALSE;
  const BOOL ok = DF_ReadDataFileRecord(handle, static_cast<STRUCT_RECALC_ENTRY*>(record));
  CloseSection(static_cast<HSECTION>(handle));
  return ok ? TRUE : FALSE;
}

BOOL RPTS_ReadResultStep(const char* path, uint16_t step, void* out) {
  if (!path || !out) return FALSE;
  try {
    Engine engine;
    auto open = engine.Find<kelt::engine::OpenTolResultsReadOnlyFn>("OpenTolResultsReadOnly");
    auto read = engine.Find<kelt::engine::ReadTolResultStepFn>("ReadTolResultStep");
    if (!open || !read) return FALSE;
    HSECTION results = open(path, nullptr);
    if (!results) return FALSE;
    const BOOL ok = read(results, step, static_cast<STRUCT_RESULT_STEP*>(out), 1);
    CloseSection(results);
    return ok ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL KELT_ReadMatchingQualifier(const STRUCT_WORK_FILE* workFile, int32_t compound, void* out) {
  if (!workFile || !out) return FALSE;
  try {
    Engine engine;
    auto open = engine.Find<kelt::engine::OpenQualifierDataReadOnlyFn>("OpenQualifierDataReadOnly");
    auto match = engine.Find<kelt::engine::GetMatchingQualifierRecordFn>("GetMatchingQualifierRecord");
    if (!open || !match) return FALSE;
    HSECTION qualifiers = open(workFile->filePath);
    if (!qualifiers) return FALSE;
    const BOOL ok = match(qualifiers, compound, static_cast<STRUCT_QUALIFIER_RECORD*>(out));
    CloseSection(qualifiers);
    return ok ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL RPTS_ReadResultsFromFile(const char* path, void* header, int16_t force) {
  if (!path || !header) return FALSE;
  if (!force && !KELT_HaveCurrentResults(path)) return FALSE;
  try {
    Engine engine;
    auto open = engine.Find<fn::OpenTolResultsReadOnlyFn>("OpenTolResultsReadOnly");
    auto read = engine.Find<fn::ReadTolResultsFn>("ReadTolResults");
    if (!open || !read) return FALSE;
    HSECTION results = open(path, nullptr);
    if (!results) return FALSE;
    const BOOL ok = read(results, static_cast<STRUCT_RESULTS_HEADER*>(header));
    CloseSection(results);
    return ok ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL RPTS_ReadResults(const char* path, void* header) { return RPTS_ReadResultsFromFile(path, header, 0); }

BOOL RPTS_ReadISResultStep(const char* path, const void* step, void* out) {
  if (!path || !step || !out) return FALSE;
  const int16_t standard = r::FieldAt<int16_t>(step, r::step::kStandardNumber);
  if (standard < 1) return FALSE;
  try {
    Engine engine;
    auto open = engine.Find<fn::OpenTolResultsReadOnlyFn>("OpenTolResultsReadOnly");
    auto readStep = engine.Find<fn::ReadTolResultStepFn>("ReadTolResultStep");
    auto readHeader = engine.Find<fn::ReadTolResultsFn>("ReadTolResults");
    if (!open || !readStep || !readHeader) return FALSE;
    HSECTION results = open(path, nullptr);
    if (!results) return FALSE;
    std::vector<uint8_t> header(kelt::results::kHeaderSize);
    BOOL found = FALSE;
    if (readHeader(results, reinterpret_cast<STRUCT_RESULTS_HEADER*>(header.data()))) {
      const int32_t targets = TargetSteps(header.data());
      const int32_t status = r::FieldAt<int32_t>(step, r::step::kStatus);
      auto* outStep = static_cast<STRUCT_RESULT_STEP*>(out);
      if (status >= 3 && status <= 5) {
        auto build = engine.Find<fn::BuildActiveISTableFn>("BuildActiveISTable");
        auto nearest = engine.Find<fn::FindNearestISFn>("FindNearestIS");
        if (build && nearest) {
          // The builder reads a work-file record and the method's options;
          // the data file holds its copy of the method, the header the
          // run's options. The count starts at 0 so that a failed build
          // leaves an empty table.
          std::unique_ptr<STRUCT_WORK_FILE, WorkFileFree> wf(MakeWorkFileStruct(path, 0));
          std::vector<uint8_t> table(fn::kActiveISTableSize, 0);
          auto* t = reinterpret_cast<STRUCT_ACTIVE_IS_TABLE*>(table.data());
          const int32_t built = build(results, reinterpret_cast<STRUCT_RESULTS_HEADER*>(header.data()), path,
                                      wf.get(), path, header.data(), t);
          const int32_t count = r::FieldAt<int32_t>(table.data(), 0);
          if (built > 0 && count > 0 && count <= fn::kActiveISEntries) {
            const int32_t entry = nearest(r::FieldAt<float>(step, r::step::kRetentionTime), t);
            if (entry >= 0 && entry < count) {
              const int16_t at = r::FieldAt<int16_t>(
                  table.data(), uint32_t(4 + entry * fn::kActiveISEntrySize + fn::kActiveISStepOffset));
              found = at >= 0 && readStep(results, uint16_t(at), outStep, 1);
            }
          }
        }
      }
      for (int32_t i = 0; !found && i < targets; ++i) {
        if (!readStep(results, uint16_t(i), outStep, 1)) break;
        found = r::FieldAt<int32_t>(out, r::step::kCompoundNumber) == standard;
      }
    }
    CloseSection(results);
    return found;
  } catch (...) {
    return FALSE;
  }
}

void* RPTS_ReadTICHitRecord(const char* path, int16_t peak, int16_t hit) {
  if (!path || peak == -1) return nullptr;
  try {
    Engine engine;
    auto open = engine.Find<fn::OpenTICDataReadOnlyFn>("OpenTICDataReadOnly");
    auto get = engine.Find<fn::GetTICHitRecordFn>("GetTICHitRecord");
    if (!open || !get) return nullptr;
    HSECTION tics = open(path);
    if (!tics) return nullptr;
    STRUCT_TIC_HIT* record = get(tics, peak, hit);
    CloseSection(tics);
    return record;
  } catch (...) {
    return nullptr;
  }
}

void RPTS_FreeTICHitRecord(void* hit) {
  if (!hit) return;
  try {
    Engine engine;
    if (auto release = engine.Find<fn::FreeTICHitRecordFn>("FreeTICHitRecord"))
      release(static_cast<STRUCT_TIC_HIT*>(hit));
  } catch (...) {
  }
}

BOOL RPTS_ReadCompoundRecord(const STRUCT_WORK_FILE* workFile, const void* step, void* out) {
  if (!workFile || !step || !out) return FALSE;
  HDHTABLE set = OpenDHRecordSet(workFile->filePath, workFile->fileType, workFile->module, "1");
  if (!set) return FALSE;
  const int32_t number = r::FieldAt<int32_t>(step, r::step::kCompoundNumber);
  auto matches = [&] { return r::FieldAt<uint32_t>(out, r::compound::kNumber) == uint32_t(number); };
  bool found = GetDHRecord(set, r::FieldAt<int16_t>(step, r::step::kCompoundIndex), out) && matches();
  const int32_t count = CountDHRecords(set);
  for (int32_t i = 0; !found && i < count; ++i) {
    if (!GetDHRecord(set, i, out)) break;
    found = matches();
  }
  FreeDHRecordSet(set);
  return found ? TRUE : FALSE;
}

BOOL KELT_CheckForCalibrationData(const char* path, uint16_t moduleId, uint16_t moduleAddress, int16_t show) {
  if (!path) return FALSE;
  HCURSOR previous = show ? SetCursor(LoadCursorA(nullptr, IDC_WAIT)) : nullptr;
  bool found = false;
  char name[64] = {};
  if (BuildDHSectionName(name, "GlobalParams", moduleId, moduleAddress, "1")) {
    std::vector<uint8_t> record(r::kCompoundRecordSize);
    if (HDHTABLE set = OpenDHRecordSet(path, moduleId, moduleAddress, "1")) {
      const int32_t count = CountDHRecords(set);
      for (int32_t i = 0; !found && i < count; ++i) {
        if (!GetDHRecord(set, i, record.data())) break;
        for (int c = 0; c < 4 && !found; ++c)
          found = r::FieldAt<float>(record.data(), r::compound::kCoefficients + 4 * uint32_t(c)) != 0.0f;
      }
      FreeDHRecordSet(set);
    }
  }
  if (show) {
    SetCursor(previous);
    if (!found) {
      const char* slash = std::strrchr(path, '\\');
      MessageBoxA(GetActiveWindow(), "This file does not contain calibration data.", slash ? slash + 1 : path,
                  MB_OK);
    }
  }
  return found ? TRUE : FALSE;
}

BOOL KELT_WriteGlobalTable(const STRUCT_WORK_FILE* workFile, const void* table) {
  if (!workFile || !table) return FALSE;
  HDHTABLE handle = OpenGlobalTableForUpdate(workFile->filePath, workFile->fileType, workFile->module, "1");
  if (!handle) return FALSE;
  const BOOL ok = WriteGlobalTable(handle, static_cast<const STRUCT_DH_GLOBAL_PARAMS*>(table));
  CloseSection(static_cast<HSECTION>(handle));
  return ok ? TRUE : FALSE;
}
