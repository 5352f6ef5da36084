#pragma once
// The reports file as plain exported functions. Most take a handle made by
// MSR_InitRptsFileHandler (a CRptsFileHandler); a few work on a path.
#include <cstdint>

#include "common/kelt_export.h"
#include "reportpages/reports_file.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;

KELT_API CRptsFileHandler* MSR_InitRptsFileHandler(const char* path, const char* secondName);
KELT_API void MSR_FreeRptsFileHandler(CRptsFileHandler* handle);
KELT_API int MSR_LetUserSelectExistingFile(CRptsFileHandler* handle);
KELT_API int MSR_LetUserCreateNewFile(CRptsFileHandler* handle);
KELT_API int MSR_UseThisExistingFile(CRptsFileHandler* handle, const char* path);
KELT_API int MSR_MakeThisNewFile(CRptsFileHandler* handle, const char* path);
KELT_API int32_t MSR_GetCountOfPages(CRptsFileHandler* handle);
KELT_API void* MSR_GetPage(CRptsFileHandler* handle, int32_t index, RptsPageRecord* record, uint32_t* size);
KELT_API void MSR_FreePage(void* block);
KELT_API int MSR_AddPageToFile(CRptsFileHandler* handle, const void* content, uint32_t size, uint16_t kind,
                               uint16_t columns, uint16_t lines, uint16_t orientation, uint16_t fontFlag,
                               uint16_t colorMode, uint16_t logicalWidth, uint16_t logicalHeight,
                               uint16_t pageNumber, uint32_t dateTime, const char* title);
KELT_API int MSR_ReplacePage(CRptsFileHandler* handle, int32_t index, const void* content, uint32_t size);
KELT_API int MSR_DeletePage(CRptsFileHandler* handle, int32_t index);
KELT_API RptsPageRecord* MSR_GetSlotRange(CRptsFileHandler* handle, int32_t first, int32_t last);
KELT_API void MSR_FreeSlotRange(RptsPageRecord* block);
KELT_API int MSR_GetCurrentFile(CRptsFileHandler* handle, char* path);
KELT_API int32_t MSR_GetFreeSlotCount(CRptsFileHandler* handle);

KELT_API int MSR_IsValidFile(const char* path);
KELT_API int MSR_SelectOldFile(char* path);
KELT_API int MSR_SelectNewFile(char* path);
KELT_API int32_t MSR_GetPageCount(const char* path);
// Pages first..last of a page buffer (ulbrec32) into a reports file; an
// empty path makes a new temporary file whose path comes back in it.
KELT_API int MSR_AddBufferToFile(void* pageBuffer, char* path, uint32_t dateTime, const char* title,
                                 int16_t first, int16_t last);

// Printing a range of pages (0-based, inclusive) on the report printer.
KELT_API int MSR_PrintFile(HWND statusWindow, UINT progressMessage, int16_t printerSelector, const char* path,
                           int32_t first, int32_t last, STRUCT_REPORT_PREFS* prefs);
