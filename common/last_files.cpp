// The last-used-files record and its storage in "tolview4.ini".
#include "common/last_files.h"

#include <array>
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "win/win_crt.h"
#include "win/win_profile.h"

namespace {

constexpr const char* kSection = "TolLastFiles";
constexpr const char* kKey = "Params";
constexpr int kListLength = 8;
constexpr size_t kPathSize = 260;

STRUCT_LAST_FILES g_lastFiles;

using PathList = char[kListLength][kPathSize];

// A stored field need not hold its terminator; never read past it.
bool Usable(const char* field) {
  return field[0] && std::memchr(field, 0, kPathSize) && FileExists(field);
}

void CopyField(char* to, const char* from) {
  const size_t n = strnlen(from, kPathSize - 1);
  std::memcpy(to, from, n);
  to[n] = 0;
}

std::array<char*, 9> SinglePaths(STRUCT_LAST_FILES& f) {
  return {f.textFile, f.methodFile, f.dataFile, f.dataFile2, f.csvFile,
          f.prnFile,  f.txtFile,    f.bmpFile,  f.wmfFile};
}

void AddToList(PathList& list, const char* path) {
  try {
    if (!path || !*path || std::strlen(path) >= kPathSize || !FileExists(path)) return;
    char fresh[kListLength][kPathSize] = {};
    int count = 0;
    CopyField(fresh[count++], path);
    for (int i = 0; i < kListLength && count < kListLength; ++i) {
      if (list[i][0] && lstrcmpiA(list[i], path) != 0 && FileExists(list[i])) CopyField(fresh[count++], list[i]);
    }
    // Whole fields: a shorter path leaves none of a longer one's tail
    // behind its end, to be stored with the record.
    std::memcpy(list, fresh, sizeof fresh);
  } catch (...) {
  }
}

}  // namespace

STRUCT_LAST_FILES* KELT_GetKeltLastFiles() { return &g_lastFiles; }

void KELT_ReadLastFiles() {
  try {
    std::memset(&g_lastFiles, 0, sizeof g_lastFiles);
    auto* stored = new STRUCT_LAST_FILES{};
    if (!GetPrivateProfileStructA(kSection, kKey, stored, sizeof *stored, kelt::lib::LastFilesIniPath()))
      std::memset(stored, 0, sizeof *stored);
    PathList* from[] = {&stored->reportsFiles, &stored->mspFiles, &stored->mslFiles, &stored->libraryFiles};
    PathList* to[] = {&g_lastFiles.reportsFiles, &g_lastFiles.mspFiles, &g_lastFiles.mslFiles,
                      &g_lastFiles.libraryFiles};
    for (int l = 0; l < 4; ++l) {
      int next = 0;
      for (int i = 0; i < kListLength; ++i)
        if (Usable((*from[l])[i])) CopyField((*to[l])[next++], (*from[l])[i]);
    }
    const auto singleFrom = SinglePaths(*stored);
    const auto singleTo = SinglePaths(g_lastFiles);
    for (size_t i = 0; i < singleFrom.size(); ++i)
      if (Usable(singleFrom[i])) CopyField(singleTo[i], singleFrom[i]);
    delete stored;
  } catch (...) {
  }
}

void KELT_WriteLastFiles() {
  WritePrivateProfileStructA(kSection, kKey, &g_lastFiles, sizeof g_lastFiles, kelt::lib::LastFilesIniPath());
}

void KELT_AddLastFile(const char* path) { AddToList(g_lastFiles.reportsFiles, path); }
void KELT_AddLastMSPFile(const char* path) { AddToList(g_lastFiles.mspFiles, path); }
void KELT_AddLastMSLFile(const char* path) { AddToList(g_lastFiles.mslFiles, path); }
void KELT_AddLastLibraryFile(const char* path) { AddToList(g_lastFiles.libraryFiles, path); }
