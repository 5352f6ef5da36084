// Page buffers: a list of pages, each a movable global block and its layout.
#include "ulbrec32/page_buffer.h"

#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "win/win_stdio.h"

namespace {

struct Buffer {
  std::vector<PAGE_BUFFER_PAGE_INFO> pages;
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

}  // namespace

HPAGEBUFFER CreatePageBuffer() {
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
  for (auto& p : b->pages) GlobalFree(p.content);
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
  PAGE_BUFFER_PAGE_INFO page = *info;
  page.content = block;
  b->pages.push_back(page);
  return TRUE;
}

int32_t GetPageBufferCount(HPAGEBUFFER h, int32_t what) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  return b && what == 2 ? int32_t(b->pages.size()) : 0;
}

BOOL GetPageBufferPage(HPAGEBUFFER h, int32_t index, const void** bytes, PAGE_BUFFER_PAGE_INFO* info) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Buffer* b = Find(h);
  if (!b || index < 0 || size_t(index) >= b->pages.size()) return FALSE;
  const PAGE_BUFFER_PAGE_INFO& p = b->pages[size_t(index)];
  if (info) *info = p;
  if (bytes) {
    *bytes = GlobalLock(p.content);
    GlobalUnlock(p.content);
  }
  return TRUE;
}
