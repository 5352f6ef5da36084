// Page buffers: a list of slots, each the page's bytes and its layout.
// Bytes come either copied into a movable global block, or handed over as
// an allocator block the buffer then owns.
#include "ulbrec32/page_buffer.h"

#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "orvik32/orvik32.h"
#include "win/win_stdio.h"

namespace {

struct Slot {
  PAGE_BUFFER_PAGE_INFO info{};
  void* block = nullptr;  // owned allocator block, else info.content is used
  uint32_t size = 0;
  int16_t colourMode = 2;
};

struct Buffer {
  std::vector<Slot> pages;
};

std::mutex g_mutex;
std::set<Buffer*>& Live() {
  static auto* s = new std::set<Buffer*>();
  return *s;
}

Buffer* Find(HPAGEBUFFER h) {
  auto* b = static_cast<Buffer*>(h);
  return Live().count(b) ? b : nullptr;
}

void Release(Slot& s, bool freeContent) {
  if (freeContent) {
    if (s.block) FreeBlock(s.block);
    if (s.info.content) GlobalFree(s.info.content);
  }
  s = Slot{};
}

const void* BytesOf(const Slot& s) {
  if (s.block) return s.block;
  if (!s.info.content) return nullptr;
  const void* p = GlobalLock(s.info.content);
  GlobalUnlock(s.info.content);
  return p;
}

}  // namespace

HPAGEBUFFER CreatePageBuffer(int32_t, int32_t, int32_t, int32_t) {
  auto* b = new (std::nothrow) Buffer;
  if (!b) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  Live().insert(b);
  return b;
}

void FreePageBuffer(HPAGEBUFFER h) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b) return;
  for (auto& p : b->pages) Release(p, true);
  Live().erase(b);
  delete b;
}

BOOL AddPageToBuffer(HPAGEBUFFER h, const PAGE_BUFFER_PAGE_INFO* info, const void* bytes, uint32_t size) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b || !info || (!bytes && size)) return FALSE;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
  if (!block) return FALSE;
  if (size) {
    void* p = GlobalLock(block);
    std::memcpy(p, bytes, size);
    GlobalUnlock(block);
  }
  Slot s;
  s.info = *info;
  s.info.content = block;
  s.size = size;
  b->pages.push_back(s);
  return TRUE;
}

int32_t GetPageBufferCount(HPAGEBUFFER h, int32_t what) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  return b && what == 2 ? int32_t(b->pages.size()) : 0;
}

int32_t CountBufferPages(HPAGEBUFFER h, int32_t what) { return GetPageBufferCount(h, what); }

BOOL ReadBufferPage(HPAGEBUFFER h, int32_t index, const void** bytes, uint32_t* size, PAGE_BUFFER_PAGE_INFO* info,
                    int16_t* colourMode) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b || index < 0 || size_t(index) >= b->pages.size()) return FALSE;
  const Slot& s = b->pages[size_t(index)];
  const void* p = BytesOf(s);
  if (!p) return FALSE;  // a released slot
  if (info) *info = s.info;
  if (bytes) *bytes = p;
  if (size) *size = s.size;
  if (colourMode) *colourMode = s.colourMode;
  return TRUE;
}

BOOL GetPageBufferPage(HPAGEBUFFER h, int32_t index, const void** bytes, PAGE_BUFFER_PAGE_INFO* info) {
  return ReadBufferPage(h, index, bytes, nullptr, info, nullptr);
}

BOOL SetBufferPage(HPAGEBUFFER h, int32_t index, void* bits, int16_t kind, int16_t, int16_t, int16_t columns,
                   int16_t lines, int16_t orientation, int16_t fontFlag, int16_t colourMode, int16_t width,
                   int16_t height) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b || !bits || index < 0 || size_t(index) > b->pages.size()) return FALSE;
  if (kind < 0 || kind > 2 || orientation < 0 || orientation > 3) return FALSE;
  const uint32_t size = GetBlockSize(bits);
  if (!size) return FALSE;  // not an allocator block
  Slot s;
  s.info.kind = kind;
  s.info.columns = columns;
  s.info.lines = lines;
  s.info.orientation = orientation;
  s.info.fontFlag = fontFlag;
  s.info.logicalWidth = width;
  s.info.logicalHeight = height;
  s.block = bits;
  s.size = size;
  s.colourMode = colourMode;
  if (size_t(index) == b->pages.size()) {
    b->pages.push_back(s);
  } else {
    Release(b->pages[size_t(index)], true);
    b->pages[size_t(index)] = s;
  }
  return TRUE;
}

BOOL ReleaseBufferPage(HPAGEBUFFER h, int32_t index, int16_t freeContent) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b) return FALSE;
  if (index == -1) {
    for (auto& p : b->pages) Release(p, freeContent != 0);
    b->pages.clear();
    return TRUE;
  }
  if (index < 0 || size_t(index) >= b->pages.size()) return FALSE;
  Release(b->pages[size_t(index)], freeContent != 0);
  return TRUE;
}

BOOL SetBufferPageAttribute(HPAGEBUFFER h, int32_t index, int16_t attribute, int16_t value) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b || index < 0 || size_t(index) >= b->pages.size() || attribute != 2 || value < 0 || value > 3) return FALSE;
  b->pages[size_t(index)].info.orientation = value;
  return TRUE;
}
