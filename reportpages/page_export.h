#pragma once
// Copying a page, or a rectangle of its character grid, out of a page
// buffer as a picture, as text, or both, for the clipboard; and the
// conversions that rely on: a rectangle cut out of a text page, text lines
// drawn into a metafile, and the text of a metafile page rebuilt on its
// grid from its text records. Blocks made here are movable global blocks
// the receiver frees (GlobalFree).
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_metafile.h"
#include "win/win_types.h"

#define EXPORT_WINDOW_IMAGE 1
#define EXPORT_METAFILE 2
#define EXPORT_TEXT 4
#define EXPORT_PAGE_IMAGE 8

// The page-rendering library's hand-over result (formats placed), 0 when
// the page cannot be read or has an unknown kind.
KELT_API int32_t ExportBufferPage(HWND target, int16_t flags, void* pageBuffer, int16_t pageIndex, int32_t passOn,
                                  int16_t copyFlag, int16_t firstColumn, int16_t columnCount, int16_t totalColumns,
                                  int16_t firstLine, int16_t lineCount, int16_t totalLines);

// (columnCount + 2) x lineCount + 10 zero-filled bytes holding the
// rectangle's lines, each ended by CR LF; null for a bad rectangle.
KELT_API HGLOBAL CutTextRectangle(const char* text, int32_t textLength, int16_t firstColumn, int16_t columnCount,
                                  int16_t totalColumns, int16_t firstLine, int16_t lineCount);

// The zero-ended text's lines in a fixed-pitch face, one line a step down
// the page from the top; 0 when the metafile cannot be made.
KELT_API HENHMETAFILE TextToMetafile(const char* text, int16_t columns, int16_t lines);

// A grid of lineCount rows of 2 x columnCount blanks (each ended by CR LF,
// then a zero) with the strings of the page's text records that fall in
// the selection written where they stand. bits holds size bytes.
KELT_API HGLOBAL MetafileTextToGrid(const void* bits, uint32_t size, int16_t firstColumn, int16_t columnCount,
                                    int16_t totalColumns, int16_t firstLine, int16_t lineCount, int16_t totalLines,
                                    int32_t pageWidth, int32_t pageHeight);
