// The page maker exports.
#include "reportpages/page_maker.h"

#include <cstdio>
#include <new>

#include "orvik32/orvik32.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"

namespace {

// Ends the page and appends it to the handler's file; 1/0. The bits are
// released either way.
int StorePage(CMPage* page, CRptsFileHandler* file, int16_t pageNumber, uint32_t dateTime, const char* title) {
  HGLOBAL bits = page->EndPage();
  if (!bits) return 0;
  int ok = 0;
  if (file && file->IsOpen()) {
    const void* p = GlobalLock(bits);
    ok = p && file->AddPageToFile(p, uint32_t(GlobalSize(bits)), 1, uint16_t(page->m_Columns),
                                  uint16_t(page->m_Lines), page->m_Orientation ? 1 : 2, 1, 2, 32767, 32767,
                                  uint16_t(pageNumber), dateTime, title);
    GlobalUnlock(bits);
  }
  GlobalFree(bits);
  return ok;
}

}  // namespace

CMPage* MPM_InitMetaPageMaker(STRUCT_REPORT_PREFS* prefs, int16_t columns, int16_t lines, int16_t orientation) {
  try {
    return new (std::nothrow) CMPage(prefs, columns, lines, orientation);
  } catch (...) {
    return nullptr;
  }
}

void MPM_FreeMetaPageMaker(CMPage* page) { delete page; }
int MPM_StartNewPage(CMPage* page, int16_t frame) { return page ? page->StartNewPage(frame) : 0; }
HGLOBAL MPM_EndPage(CMPage* page) { return page ? page->EndPage() : nullptr; }
void MPM_CancelPage(CMPage* page) {
  if (page) page->CancelPage();
}
int16_t MPM_ColumnToX(CMPage* page, int16_t column) { return page ? page->ColumnToX(column) : 0; }
int16_t MPM_LineToY(CMPage* page, int16_t line) { return page ? page->LineToY(line) : 0; }
void MPM_XYTextOut(CMPage* page, int16_t x, int16_t y, const char* text) {
  if (page) page->XYTextOut(x, y, text);
}
void MPM_CLTextOut(CMPage* page, int16_t column, int16_t line, const char* text) {
  if (page) page->CLTextOut(column, line, text);
}
CMetaFileDC* MPM_GetCMetaFileDC(CMPage* page) { return page ? page->m_pMetaDC : nullptr; }
HDC MPM_GetMetaFileDC(CMPage* page) { return page && page->m_pMetaDC ? page->m_pMetaDC->GetSafeHdc() : nullptr; }

#define SELECTOR(name, index)                                              \
  CFont* name(CMPage* page, int16_t* width, int16_t* height) {             \
    return page ? page->SelectFont(index, width, height) : nullptr;        \
  }
SELECTOR(MPM_SelectNormalFont, kFontNormal)
SELECTOR(MPM_SelectUNormalFont, kFontUNormal)
SELECTOR(MPM_SelectSmallFont, kFontSmall)
SELECTOR(MPM_SelectLargeFont, kFontLarge)
SELECTOR(MPM_SelectULargeFont, kFontULarge)
SELECTOR(MPM_SelectFixedFont, kFontFixed)
#undef SELECTOR

int MPM_SavePageInNewMSRTempFile(CMPage* page, int16_t pageNumber, uint32_t dateTime, const char* title,
                                 char* path) {
  if (!page) return 0;
  char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "EEE", 0, name)) {
    page->CancelPage();
    return 0;
  }
  CRptsFileHandler file(nullptr);
  if (!file.MakeThisNewFile(name)) {
    page->CancelPage();
    DeleteFileA(name);
    return 0;
  }
  if (!StorePage(page, &file, pageNumber, dateTime, title)) {
    file.Close();
    DeleteFileA(name);
    return 0;
  }
  if (path) std::snprintf(path, MAX_PATH, "%s", name);
  return 1;
}

int MPM_SavePageInMSRFile(CMPage* page, const char* path, int16_t pageNumber, uint32_t dateTime, const char* title) {
  if (!page) return 0;
  CRptsFileHandler file(path, nullptr);
  return StorePage(page, &file, pageNumber, dateTime, title);
}
