// LZ file handles: a source read whole (expanded when compressed) or a
// target written through.
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "win_kernel.h"
#include "win_lz.h"

namespace {

struct LzFile {
  bool writing = false;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string name;
};

std::mutex g_mutex;
std::map<INT, std::shared_ptr<LzFile>>& Files() {
  static std::map<INT, std::shared_ptr<LzFile>> files;
  return files;
}
INT g_next = 1;

std::shared_ptr<LzFile> Get(INT h) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Files().find(h);
  return it == Files().end() ? nullptr : it->second;
}

}  // namespace

namespace {

INT Open(LPSTR fileName, OFSTRUCT* of, WORD style) {
  if (of) {
    *of = OFSTRUCT{};
    of->cBytes = sizeof(OFSTRUCT);
  }
  if (!fileName) return LZERROR_BADVALUE;
  const bool create = (style & OF_CREATE) != 0;
  HANDLE h = create ? CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)
                    : CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (of) of->nErrCode = static_cast<WORD>(GetLastError());
    return LZERROR_BADINHANDLE;
  }
  auto f = std::make_shared<LzFile>();
  f->writing = create;
  f->file = h;
  f->name = fileName;
  if (of) {
    const size_t n = f->name.size() < OFS_MAXPATHNAME - 1 ? f->name.size() : OFS_MAXPATHNAME - 1;
    f->name.copy(of->szPathName, n);
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  const INT id = g_next++;
  Files()[id] = f;
  return id;
}

LONG Copy(INT source, INT target) {
  auto src = Get(source);
  auto dst = Get(target);
  if (!src || src->writing) return LZERROR_BADINHANDLE;
  if (!dst || !dst->writing) return LZERROR_BADOUTHANDLE;
  std::vector<uint8_t> bytes;
  DWORD high = 0;
  const DWORD size = GetFileSize(src->file, &high);
  if (high || size == INVALID_FILE_SIZE || size > 0x7FFFFFFFu) return LZERROR_READ;
  bytes.resize(size);
  SetFilePointer(src->file, 0, nullptr, FILE_BEGIN);
  DWORD got = 0;
  if (size && (!ReadFile(src->file, bytes.data(), size, &got, nullptr) || got != size)) return LZERROR_READ;
  if (win::lz::IsCompressed(bytes)) {
    std::vector<uint8_t> expanded;
    if (!win::lz::Expand(bytes, &expanded)) return LZERROR_READ;
    bytes.swap(expanded);
  }
  DWORD written = 0;
  if (!bytes.empty() && (!WriteFile(dst->file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                         written != bytes.size()))
    return LZERROR_WRITE;
  return static_cast<LONG>(bytes.size());
}

}  // namespace

INT LZOpenFileA(LPSTR fileName, OFSTRUCT* of, WORD style) {
  try {
    return Open(fileName, of, style);
  } catch (...) {
    return LZERROR_GLOBALLOC;
  }
}

// No exception crosses the call: memory that cannot be had is the
// documented allocation failure.
LONG LZCopy(INT source, INT target) {
  try {
    return Copy(source, target);
  } catch (const std::bad_alloc&) {
    return LZERROR_GLOBALLOC;
  } catch (...) {
    return LZERROR_READ;
  }
}

void LZClose(INT handle) {
  std::shared_ptr<LzFile> f;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Files().find(handle);
    if (it == Files().end()) return;
    f = it->second;
    Files().erase(it);
  }
  CloseHandle(f->file);
}
