// Sectioned files as wholes: creation (from a path or through a creation
// record), opening, type tests.
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "orvik32.h"
#include "section_store.h"
#include "win/win_file_facts.h"

namespace orvik {
namespace {

std::mutex g_filesMutex;
std::unordered_map<int32_t, std::string> g_openFiles;
int32_t g_nextFile = 1;

// A caller's argument is a path when it reads as text: printable bytes up
// to a NUL within MAX_PATH. Reading stops at the NUL, so a short path
// buffer is never read past its end, and a path is never written into.
bool LooksLikePath(const void* p) {
  const auto* s = static_cast<const unsigned char*>(p);
  size_t n = 0;
  for (; n < MAX_PATH; ++n) {
    if (s[n] == 0) break;
    if (s[n] < 0x20 || s[n] == 0x7F) return false;
  }
  if (n == 0 || n == MAX_PATH) return false;
  return !(n >= 12 && std::memcmp(s + 4, kMagic, sizeof kMagic) == 0);
}

bool IsCreationRecord(const void* record) {
  const auto* r = static_cast<const FileRecord*>(record);
  return std::memcmp(r->head.magic, kMagic, sizeof kMagic) == 0 &&
         r->head.type16 == static_cast<uint16_t>(r->head.typeCode);
}

bool WantsWrite(uint32_t access) { return (access & SECTION_FILE_WRITE) != 0; }

}  // namespace
}  // namespace orvik

using namespace orvik;

BOOL CreateSectionFile(void* pathOrRecord, int32_t typeCode, int32_t, int32_t formatWord) {
  try {
    if (!pathOrRecord) return FALSE;
    if (LooksLikePath(pathOrRecord)) {
      return CreateSectionedFile(static_cast<const char*>(pathOrRecord), typeCode,
                                 static_cast<uint16_t>(formatWord))
                 ? TRUE
                 : FALSE;
    }
    if (typeCode == -1) return FALSE;  // would read back as "no sectioned file"
    FileRecord r{};
    r.head = MakeHead(typeCode, static_cast<uint16_t>(formatWord));
    std::memcpy(pathOrRecord, &r, sizeof r);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

HSECTFILE OpenSectionFile(const char* path, void* record, uint32_t access, uint32_t mode) {
  try {
    if (!path || !*path) return -1;
    if (mode == 2 && record && IsCreationRecord(record)) {
      const auto* r = static_cast<const FileRecord*>(record);
      if (!CreateSectionedFile(path, r->head.typeCode, r->head.formatWord)) return -1;
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
