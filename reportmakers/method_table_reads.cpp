// Global table and qualifier records of a data file.
#include "reportmakers/method_table_reads.h"

#include <cstring>
#include <string>

#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace {
const char kTag[] = "1";
}

BOOL KELT_ReadGlobalTable(const STRUCT_WORK_FILE* workFile, STRUCT_GLOBAL_TABLE* table) {
  if (!workFile || !table) return FALSE;
  try {
    HDHTABLE t = OpenGlobalTable(workFile->filePath, workFile->fileType, workFile->module, kTag);
    if (!t) return FALSE;
    const BOOL ok = ReadGlobalTable(t, table);
    CloseSection(t);
    return ok ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL KELT_ReadMatchingQualifier(const STRUCT_WORK_FILE* workFile, uint32_t compoundId,
                                STRUCT_QUALIFIER_RECORD* record) {
  if (!workFile || !record) return FALSE;
  try {
    char folder[MAX_PATH] = "";
    GetProgramDirectory(folder);
    std::string path = folder;
    if (!path.empty()) path += "\\";
    path += "morvex.dll";
    HMODULE engine = LoadLibraryA(path.c_str());
    if (!engine) return FALSE;
    using OpenFn = HSECTION (*)(const char*);
    using MatchFn = int32_t (*)(HSECTION, int32_t, void*);
    auto open = reinterpret_cast<OpenFn>(GetProcAddress(engine, "OpenQualifierDataReadOnly"));
    auto match = reinterpret_cast<MatchFn>(GetProcAddress(engine, "GetMatchingQualifierRecord"));
    BOOL found = FALSE;
    if (open && match) {
      if (HSECTION s = open(workFile->filePath)) {
        STRUCT_QUALIFIER_RECORD r{};
        if (match(s, static_cast<int32_t>(compoundId), &r)) {
          std::memcpy(record, &r, sizeof r);
          found = TRUE;
        }
        CloseSection(s);
      }
    }
    FreeLibrary(engine);
    return found;
  } catch (...) {
    return FALSE;
  }
}
