#pragma once
// Making one metafile page without a report: the handle is the CMPage.
#include <cstdint>

#include "common/kelt_export.h"
#include "reportpages/metafile_page.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;

KELT_API CMPage* MPM_InitMetaPageMaker(STRUCT_REPORT_PREFS* prefs, int16_t columns, int16_t lines,
                                       int16_t orientation);
KELT_API void MPM_FreeMetaPageMaker(CMPage* page);
KELT_API int MPM_StartNewPage(CMPage* page, int16_t frame);
KELT_API HGLOBAL MPM_EndPage(CMPage* page);
KELT_API void MPM_CancelPage(CMPage* page);
KELT_API int16_t MPM_ColumnToX(CMPage* page, int16_t column);
KELT_API int16_t MPM_LineToY(CMPage* page, int16_t line);
KELT_API void MPM_XYTextOut(CMPage* page, int16_t x, int16_t y, const char* text);
KELT_API void MPM_CLTextOut(CMPage* page, int16_t column, int16_t line, const char* text);
KELT_API CMetaFileDC* MPM_GetCMetaFileDC(CMPage* page);
KELT_API HDC MPM_GetMetaFileDC(CMPage* page);
KELT_API CFont* MPM_SelectNormalFont(CMPage* page, int16_t* width, int16_t* height);
KELT_API CFont* MPM_SelectUNormalFont(CMPage* page, int16_t* width, int16_t* height);
KELT_API CFont* MPM_SelectSmallFont(CMPage* page, int16_t* width, int16_t* height);
KELT_API CFont* MPM_SelectLargeFont(CMPage* page, int16_t* width, int16_t* height);
KELT_API CFont* MPM_SelectULargeFont(CMPage* page, int16_t* width, int16_t* height);
KELT_API CFont* MPM_SelectFixedFont(CMPage* page, int16_t* width, int16_t* height);
// End the page and store it: as page 1 of a new temporary reports file
// (its path into path, 260 characters), or appended to an existing one.
KELT_API int MPM_SavePageInNewMSRTempFile(CMPage* page, int16_t pageNumber, uint32_t dateTime, const char* title,
                                          char* path);
KELT_API int MPM_SavePageInMSRFile(CMPage* page, const char* path, int16_t pageNumber, uint32_t dateTime,
                                   const char* title);
