// Sectioned files as wholes: creation (from a path or through a creation
// record), opening, type tests.
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "orvik32.h"
#include "section_store.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace orvik {
namespace {

std::mutex g_filesMutex;
std::unordered_map<int32_t, std::string> g_openFiles;
int32_t g_nextFile = 1;

// A path a new file may be made at: not empty, no control character, and
// shorter than MAX_PATH, as every record and buffer that later holds it
// expects. Sets the last error when it is not.
bool UsablePathForNewFile(const char* path) {
  if (!path || !*path) {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  size_t n = 0;
  for (; n < MAX_PATH && path[n]; ++n) {
    const auto c = static_cast<unsigned char>(path[n]);
    if (c < 0x20 || c == 0x7F) {
      SetLastError(ERROR_BAD_PATHNAME);
      return false;
    }
  }
  if (n == MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return true;
}

bool IsCreationRecord(const SECTION_FILE_RECORD* record, FileRecord* out) {
  std::memcpy(out, record, sizeof *out);
  return std::memcmp(out->head.magic, kMagic, sizeof kMagic) == 0 &&
         out->head.type16 == static_cast<uint16_t>(out->head.typeCode);
}

bool WantsWrite(uint32_t access) { return (access & SECTION_FILE_WRITE) != 0; }

}  // namespace
}  // namespace orvik

using namespace orvik;

BOOL CreateSectionFile(SECTION_FILE_RECORD* record, int32_t typeCode, int32_t, int32_t formatWord) {
  try {
    if (!record) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (typeCode == -1) return FALSE;  // would read back as "no sectioned file"
    FileRecord r{};
    r.head = MakeHead(typeCode, static_cast<uint16_t>(formatWord));
    static_assert(sizeof r == sizeof *record);
    std::memcpy(record, &r, sizeof r);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

BOOL CreateSectionFileAtPath(const char* path, int32_t typeCode, int32_t, int32_t formatWord) {
  try {
    if (!UsablePathForNewFile(path)) return FALSE;
    return CreateSectionedFile(path, typeCode, static_cast<uint16_t>(formatWord)) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL MarkScratchSectionFile(const char* path) {
  try {
    if (!path || !*path) return FALSE;
    return MarkScratch(win::paths::ToHost(path)) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

HSECTFILE OpenSectionFile(const char* path, SECTION_FILE_RECORD* record, uint32_t access, uint32_t mode) {
  try {
    if (!path || !*path) return -1;
    FileRecord asked{};
    if (mode == 2 && record && IsCreationRecord(record, &asked)) {
      if (!UsablePathForNewFile(path)) return -1;
      if (!CreateSectionedFile(path, asked.head.typeCode, asked.head.formatWord)) return -1;
    }
    if (WantsWrite(access) && win::facts::IsWriteProtected(path)) return -1;
    FileHead head{};
    if (!ReadFileHead(path, &head)) return -1;
    ConnPtr c = Connect(path);
    if (!c) return -1;
    int64_t count = 0;
    {
      Query q(c.get(), "SELECT count(*) FROM sections");
      if (!q.Row()) return -1;
      count = sqlite3_column_int64(q.get(), 0);
    }
    if (record) {
      FileRecord r{};
      r.head = head;
      r.sectionCount = static_cast<uint32_t>(count);
      std::strncpy(r.path, path, sizeof r.path - 1);
      std::memcpy(record, &r, sizeof r);
    }
    std::lock_guard<std::mutex> lock(g_filesMutex);
    int32_t h = g_nextFile++;
    if (g_nextFile <= 0) g_nextFile = 1;
    g_openFiles[h] = path;
    return h;
  } catch (...) {
    return -1;
  }
}

BOOL CloseSectionFile(HSECTFILE handle) {
  std::lock_guard<std::mutex> lock(g_filesMutex);
  return g_openFiles.erase(handle) ? TRUE : FALSE;
}

BOOL IsSectionFileOfType(const char* path, int32_t typeCode) {
  try {
    FileHead head{};
    return path && ReadFileHead(path, &head) && head.typeCode == typeCode ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

int32_t GetSectionFileType(const char* path, uint16_t* formatWord) {
  try {
    FileHead head{};
    if (!path || !ReadFileHead(path, &head)) return -1;
    if (formatWord) *formatWord = head.formatWord;
    return head.typeCode;
  } catch (...) {
    return -1;
  }
}

int64_t ReadFileStart(const char* path, void* buffer, uint32_t count, uint64_t* fileSize) {
  try {
    if (!path || !*path) return -1;
    return orvik::ReadFileStart(path, buffer, count, fileSize);
  } catch (...) {
    return -1;
  }
}
