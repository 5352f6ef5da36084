// Readers of a data file's data-handling tables.
#include "common/results_access.h"

#include <string>

#include "common/engine_binding.h"
#include "common/engine_entries.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "win/win_kernel.h"

namespace {

// The quantitation engine, bound for one call.
using Engine = kelt::EngineBinding;

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
