// Readers of a data file's data-handling tables.
#include "reportmakers/results_access.h"

#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"

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
