// The workstation's folders, its ini file, the clock, and whole-file facts.
#include <cstdio>
#include <cstring>
#include <string>

#include "orvik32.h"
#include "section_store.h"
#include "win/win_file_facts.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {
const char kIniPath[] = "C:\\Workstation\\workstation.ini";
}

BOOL FileExists(const char* path) {
  try {
    return path && *path && win::facts::IsRegularFile(path) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL IsFileReadOnly(const char* path) {
  try {
    return path && *path && win::facts::IsWriteProtected(path) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL IsFileWriteProtected(const char* path) { return IsFileReadOnly(path); }

BOOL GetProgramDirectory(char* buffer) {
  if (!buffer) return FALSE;
  const std::string folder = win::paths::ProgramFolder();
  const size_t n = folder.size() < MAX_PATH - 1 ? folder.size() : MAX_PATH - 1;
  std::memcpy(buffer, folder.data(), n);
  buffer[n] = 0;
  return TRUE;
}

const char* GetWorkstationIniPath() { return kIniPath; }

int32_t GetCurrentDateTime() { return orvik::CurrentTime(); }

int32_t GetWorkstationOption(int32_t item) {
  char key[32];
  std::snprintf(key, sizeof key, "Item%d", int(item));
  return int32_t(GetPrivateProfileIntA("Options", key, 0, kIniPath));
}
