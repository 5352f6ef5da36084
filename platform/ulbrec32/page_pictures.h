#pragma once
// Pages as pictures and text: the page-rendering library draws stored
// report pages (metafile, text-line and text-entry pages) into any device
// context, makes text metafiles, turns entry pages into text, hands page
// exports over to the clipboard and saves pages as picture files. It also
// supplies the "Ctrl_VP" page control that shows slot 0 of a page buffer.
#include <cstdint>

#include "ulbrec32/page_buffer.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"
#include "win/win_types.h"

// Messages of "Ctrl_VP".
#define ULBREC_VP_SETBUFFER (WM_USER + 11)  // lParam: page buffer (slot 0 shown), or null
#define ULBREC_VP_SETCOLOUR (WM_USER + 12)  // wParam: 1 colour, 0 monochrome
#define ULBREC_VP_RELEASE (WM_USER + 13)    // the page is about to be released
// wParam: zoom in percent (100 = whole page, up to 800); lParam: the
// point of the page to centre, MAKELPARAM(x, y) in thousandths of the page.
#define ULBREC_VP_ZOOM (WM_USER + 30)
#define ULBREC_VP_GETZOOM (WM_USER + 31)  // the zoom in percent

// Registers "Ctrl_VP" once (later calls do nothing); nonzero when it exists.
ULBREC_API BOOL RegisterPageViewClass();

// path in display form into name (257 bytes); an empty text for null.
ULBREC_API BOOL FormatPathForDisplay(const char* path, char* name);

// A text-entry page (entries of column, line and attribute bytes and a
// zero-ended text, ended by 0xFF) as plain text: the page's grid, each row
// without its trailing blanks and ended by lineEnd, up to its last row
// that holds text. The text comes in an AllocBlock block (FreeBlock) with
// its length (the zero after it not counted). bits must be an allocator
// block; EntriesToText takes any bytes with their count.
ULBREC_API BOOL PageToText(const void* bits, int16_t columns, int16_t lines, const char* lineEnd, int16_t mode,
                           void** text, uint32_t* length);
ULBREC_API BOOL EntriesToText(const void* bytes, uint32_t size, int16_t columns, int16_t lines,
                              const char* lineEnd, void** text, uint32_t* length);

// A metafile context of a Letter page whose logical page is 32767 units
// each way; CloseTextMetaDC ends it.
ULBREC_API HDC CreateTextMetaDC(const char* description);
ULBREC_API BOOL TextMetaOut(HDC dc, int x, int y, const char* text, int length);
ULBREC_API HENHMETAFILE CloseTextMetaDC(HDC dc);
// Nonzero when TrueType faces ("Courier New") are used for page text.
ULBREC_API BOOL UseTrueTypeFaces();

// A metafile of the page's bits; monochrome turns every colour of its
// pens, brushes and texts to black, white or grey.
ULBREC_API HENHMETAFILE CopyPageMetafile(const void* bits, uint32_t size, BOOL monochrome);

// Draws a page of any kind into rect of dc (device units), white behind.
// colourMode 0 draws it in black and white.
ULBREC_API BOOL DrawPageBits(HDC dc, const RECT* rect, const void* bits, uint32_t size, int16_t kind,
                             int16_t columns, int16_t lines, int16_t colourMode);
// The page control's call: draws the page whose logical rectangle
// (0, 0, width, height) is seen through a window (origin, extent, logical
// units) on the viewport (device units of dc), clipped to the viewport.
// display 0 draws in black and white.
ULBREC_API BOOL DrawPageMetafile(HDC dc, HENHMETAFILE emf, int16_t display, int16_t columns, int16_t lines,
                                 int32_t width, int32_t height, POINT origin, SIZE extent, const RECT* viewport);

// Export hand-over. flags 1: an image of the target window; 8 (without 1):
// an image of the buffer's page. The prepared value is a bitmap or null.
ULBREC_API HANDLE PrepareExportTarget(HWND target, int16_t flags, HPAGEBUFFER buffer, int32_t index);
// Puts what is given on the clipboard in target's name (bitmap, enhanced
// metafile, text in a movable global block) and takes ownership of each.
// Returns the number of formats placed; 0 places nothing.
ULBREC_API int32_t HandOverExport(HWND target, HANDLE prepared, HENHMETAFILE emf, HGLOBAL text, int16_t width,
                                  int16_t height);

// Lets the user name a picture file (the save dialog) and writes the page
// there: ".emf" a metafile page's own bits, anything else a PNG at 100
// pixels an inch. block is a movable global block of the page's bits.
ULBREC_API BOOL SavePictureToFile(HWND owner, HGLOBAL block, int16_t kind, int16_t colourMode, int16_t width,
                                  int16_t height);
