// The reports-file exports.
#include "reportpages/msr_functions.h"

#include <cstdio>
#include <new>

#include "orvik32/orvik32.h"
#include "ulbrec32/page_buffer.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"

CRptsFileHandler* MSR_InitRptsFileHandler(const char* path, const char* secondName) {
  try {
    return new (std::nothrow) CRptsFileHandler(path, secondName);
  } catch (...) {
    return nullptr;
  }
}

void MSR_FreeRptsFileHandler(CRptsFileHandler* handle) { delete handle; }
int MSR_LetUserSelectExistingFile(CRptsFileHandler* h) { return h ? h->LetUserSelectExistingFile() : 0; }
int MSR_LetUserCreateNewFile(CRptsFileHandler* h) { return h ? h->LetUserCreateNewFile() : 0; }
int MSR_UseThisExistingFile(CRptsFileHandler* h, const char* path) { return h ? h->UseThisExistingFile(path) : 0; }
int MSR_MakeThisNewFile(CRptsFileHandler* h, const char* path) { return h ? h->MakeThisNewFile(path) : 0; }
int32_t MSR_GetCountOfPages(CRptsFileHandler* h) { return h ? h->GetCountOfPages() : -1; }

void* MSR_GetPage(CRptsFileHandler* h, int32_t index, RptsPageRecord* record, uint32_t* size) {
  return h ? h->GetPage(index, record, size) : nullptr;
}

void MSR_FreePage(void* block) {
  if (block) FreeBlock(block);
}

int MSR_AddPageToFile(CRptsFileHandler* h, const void* content, uint32_t size, uint16_t kind, uint16_t columns,
                      uint16_t lines, uint16_t orientation, uint16_t fontFlag, uint16_t colorMode,
                      uint16_t logicalWidth, uint16_t logicalHeight, uint16_t pageNumber, uint32_t dateTime,
                      const char* title) {
  return h ? h->AddPageToFile(content, size, kind, columns, lines, orientation, fontFlag, colorMode, logicalWidth,
                              logicalHeight, pageNumber, dateTime, title)
           : 0;
}

int MSR_ReplacePage(CRptsFileHandler* h, int32_t index, const void* content, uint32_t size) {
  return h ? h->ReplacePage(index, content, size) : 0;
}

int MSR_DeletePage(CRptsFileHandler* h, int32_t index) { return h ? h->DeletePage(index) : 0; }

RptsPageRecord* MSR_GetSlotRange(CRptsFileHandler* h, int32_t first, int32_t last) {
  return h ? h->GetSlotRange(first, last) : nullptr;
}

void MSR_FreeSlotRange(RptsPageRecord* block) {
  if (block) FreeBlock(block);
}

int MSR_GetCurrentFile(CRptsFileHandler* h, char* path) {
  if (!h || !path || !h->IsOpen()) return 0;
  std::snprintf(path, MAX_PATH, "%s", h->m_FileName);
  return 1;
}

int32_t MSR_GetFreeSlotCount(CRptsFileHandler* h) { return h && h->IsOpen() ? h->GetFreeSlotCount() : -1; }

int MSR_IsValidFile(const char* path) { return path && IsSectionFileOfType(path, MSR_FILE_TYPE) ? 1 : 0; }

int MSR_SelectOldFile(char* path) {
  if (!path) return 0;
  CRptsFileHandler h(nullptr);
  if (!h.LetUserSelectExistingFile()) return 0;
  std::snprintf(path, MAX_PATH, "%s", h.m_FileName);
  return 1;
}

int MSR_SelectNewFile(char* path) {
  if (!path) return 0;
  CRptsFileHandler h(nullptr);
  if (!h.LetUserCreateNewFile()) return 0;
  std::snprintf(path, MAX_PATH, "%s", h.m_FileName);
  return 1;
}

int32_t MSR_GetPageCount(const char* path) {
  // A sectioned file of another type is no reports file, whatever it holds.
  if (!path || !IsSectionFileOfType(path, MSR_FILE_TYPE)) return -1;
  CRptsFileHandler h(path, nullptr);
  return h.GetCountOfPages();
}

int MSR_AddBufferToFile(void* buffer, char* path, uint32_t dateTime, const char* title, int16_t first,
                        int16_t last) {
  if (!path) return 0;
  const int32_t count = GetPageBufferCount(buffer, 2);
  if (count <= 0 || first < 0 || first >= count) return 0;
  if (last >= count) last = int16_t(count - 1);
  CRptsFileHandler file(nullptr);
  if (!path[0]) {
    char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "ZZZ", 0, name)) return 0;
    if (!file.MakeThisNewFile(name)) {
      DeleteFileA(name);
      return 0;
    }
    std::snprintf(path, MAX_PATH, "%s", name);
  } else if (!FileExists(path)) {
    if (!file.MakeThisNewFile(path)) return 0;
  } else if (!file.UseThisExistingFile(path)) {
    return 0;
  }
  int added = 0;
  for (int32_t i = first; i <= last; ++i) {
    const void* bytes = nullptr;
    PAGE_BUFFER_PAGE_INFO info{};
    // The buffer's own byte count: a page put in as an allocator block has no global block.
    uint32_t size = 0;
    if (!ReadBufferPage(buffer, i, &bytes, &size, &info, nullptr)) continue;
    if (file.AddPageToFile(bytes, size, uint16_t(info.kind), uint16_t(info.columns), uint16_t(info.lines),
                           uint16_t(info.orientation), uint16_t(info.fontFlag), info.kind == 1 ? 1 : 0,
                           uint16_t(info.logicalWidth), uint16_t(info.logicalHeight), uint16_t(i + 1), dateTime,
                           title))
      added = 1;
  }
  return added;
}
