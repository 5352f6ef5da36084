#pragma once
// Graphics device interface: device contexts (raster, metafile, printer),
// drawing objects, drawing, text, regions, enhanced metafiles, printing.
// Constant values are the documented ones so that stored records and
// callers' numbers mean the same thing here.
#include "win_types.h"
#include "win_export.h"

// ---- raster operations (ROP2) ----
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// ---- ternary raster operations for BitBlt/PatBlt ----
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// ---- mapping modes ----
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

// ---- background modes, fill modes, graphics modes ----
#define TRANSPARENT 1
#define OPAQUE 2
#define ALTERNATE 1
#define WINDING 2
#define GM_COMPATIBLE 1
#define GM_ADVANCED 2
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

// ---- text alignment ----
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define GDI_ERROR 0xFFFFFFFFu
#define CLR_INVALID 0xFFFFFFFFu

// ---- ExtTextOut options ----
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_PDY 0x2000

// ---- DrawText formats ----
#define DT_TOP 0x0000
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_EXPANDTABS 0x0040
#define DT_NOCLIP 0x0100
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800
#define DT_END_ELLIPSIS 0x8000

// ---- object types (GetObjectType) ----
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

// ---- pens ----
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_STYLE_MASK 0x0000000F

// ---- brushes ----
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// ---- stock objects ----
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// ---- regions ----
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// ---- device capabilities ----
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define CURVECAPS 28
#define LINECAPS 30
#define POLYGONALCAPS 32
#define TEXTCAPS 34
#define CLIPCAPS 36
#define RASTERCAPS 38
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define SCALINGFACTORX 114
#define SCALINGFACTORY 115
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define DT_METAFILE 5
#define RC_BITBLT 1
#define RC_BANDING 2
#define RC_SCALING 4
#define RC_BITMAP64 8
#define RC_DI_BITMAP 0x0080
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

// ---- fonts ----
#define LF_FACESIZE 32
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// ---- bitmaps ----
#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define CBM_INIT 4

// ---- printing ----
#define SP_NOTREPORTED 0x4000
#define SP_ERROR (-1)
#define SP_APPABORT (-2)
#define SP_USERABORT (-3)
#define SP_OUTOFDISK (-4)
#define SP_OUTOFMEMORY (-5)
#define DM_ORIENTATION 0x00000001
#define DM_PAPERSIZE 0x00000002
#define DM_COLOR 0x00000800
#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2
#define DMPAPER_LETTER 1
#define DMPAPER_A4 9
#define DMCOLOR_MONOCHROME 1
#define DMCOLOR_COLOR 2
#define CCHDEVICENAME 32
#define CCHFORMNAME 32

#pragma pack(push, 1)
struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};
struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};
// The stored form of a brush, as metafile records hold it.
struct LOGBRUSH32 {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG lbHatch;
};
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct XFORM {
  FLOAT eM11, eM12, eM21, eM22, eDx, eDy;
};
struct RGNDATAHEADER {
  DWORD dwSize;
  DWORD iType;
  DWORD nCount;
  DWORD nRgnSize;
  RECT rcBound;
};
#pragma pack(pop)
static_assert(sizeof(LOGFONTA) == 60);
static_assert(sizeof(LOGFONTW) == 92);
static_assert(sizeof(LOGPEN) == 16);
static_assert(sizeof(LOGBRUSH32) == 12);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Records with natural alignment, as their users lay them out.
struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICA) == 56);

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct DEVMODEA {
  BYTE dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  SHORT dmOrientation;
  SHORT dmPaperSize;
  SHORT dmPaperLength;
  SHORT dmPaperWidth;
  SHORT dmScale;
  SHORT dmCopies;
  SHORT dmDefaultSource;
  SHORT dmPrintQuality;
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  BYTE dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
static_assert(sizeof(DEVMODEA) == 156);

typedef BOOL(CALLBACK* ABORTPROC)(HDC, int);
struct DOCINFOA {
  int cbSize;
  LPCSTR lpszDocName;
  LPCSTR lpszOutput;
  LPCSTR lpszDatatype;
  DWORD fwType;
};

typedef LOGFONTA* LPLOGFONTA;
typedef TEXTMETRICA* LPTEXTMETRICA;
typedef TEXTMETRICA TEXTMETRIC;
typedef LOGFONTA LOGFONT;
typedef DEVMODEA DEVMODE;
typedef DOCINFOA DOCINFO;

#include "win_metafile.h"

// ---- device contexts ----
WINAPI_EXPORT HDC CreateCompatibleDC(HDC hdc);
WINAPI_EXPORT HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode);
WINAPI_EXPORT HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA* mode);
WINAPI_EXPORT BOOL DeleteDC(HDC hdc);
WINAPI_EXPORT int GetDeviceCaps(HDC hdc, int index);
WINAPI_EXPORT int SaveDC(HDC hdc);
WINAPI_EXPORT BOOL RestoreDC(HDC hdc, int saved);
WINAPI_EXPORT DWORD GetObjectType(HGDIOBJ h);
WINAPI_EXPORT HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

// ---- objects ----
WINAPI_EXPORT HGDIOBJ GetStockObject(int index);
WINAPI_EXPORT HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
WINAPI_EXPORT BOOL DeleteObject(HGDIOBJ h);
WINAPI_EXPORT int GetObjectA(HGDIOBJ h, int size, LPVOID out);
WINAPI_EXPORT HPEN CreatePen(int style, int width, COLORREF color);
WINAPI_EXPORT HPEN CreatePenIndirect(const LOGPEN* pen);
WINAPI_EXPORT HBRUSH CreateSolidBrush(COLORREF color);
WINAPI_EXPORT HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
WINAPI_EXPORT HBRUSH CreateHatchBrush(int hatch, COLORREF color);
WINAPI_EXPORT HFONT CreateFontIndirectA(const LOGFONTA* font);
WINAPI_EXPORT HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                                DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                                DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                                DWORD pitchAndFamily, LPCSTR face);
WINAPI_EXPORT HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
WINAPI_EXPORT HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                                   const void* bits);
WINAPI_EXPORT HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset);
WINAPI_EXPORT int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                            BITMAPINFO* info, UINT usage);

// ---- state ----
WINAPI_EXPORT int SetMapMode(HDC hdc, int mode);
WINAPI_EXPORT int GetMapMode(HDC hdc);
WINAPI_EXPORT BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE old);
WINAPI_EXPORT BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old);
WINAPI_EXPORT BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE old);
WINAPI_EXPORT BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old);
WINAPI_EXPORT BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old);
WINAPI_EXPORT BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, LPPOINT old);
WINAPI_EXPORT BOOL GetWindowExtEx(HDC hdc, LPSIZE size);
WINAPI_EXPORT BOOL GetWindowOrgEx(HDC hdc, LPPOINT point);
WINAPI_EXPORT BOOL GetViewportExtEx(HDC hdc, LPSIZE size);
WINAPI_EXPORT BOOL GetViewportOrgEx(HDC hdc, LPPOINT point);
WINAPI_EXPORT BOOL DPtoLP(HDC hdc, LPPOINT points, int count);
WINAPI_EXPORT BOOL LPtoDP(HDC hdc, LPPOINT points, int count);
WINAPI_EXPORT int SetROP2(HDC hdc, int rop2);
WINAPI_EXPORT int GetROP2(HDC hdc);
WINAPI_EXPORT int SetBkMode(HDC hdc, int mode);
WINAPI_EXPORT int GetBkMode(HDC hdc);
WINAPI_EXPORT COLORREF SetBkColor(HDC hdc, COLORREF color);
WINAPI_EXPORT COLORREF GetBkColor(HDC hdc);
WINAPI_EXPORT COLORREF SetTextColor(HDC hdc, COLORREF color);
WINAPI_EXPORT COLORREF GetTextColor(HDC hdc);
WINAPI_EXPORT UINT SetTextAlign(HDC hdc, UINT align);
WINAPI_EXPORT UINT GetTextAlign(HDC hdc);
WINAPI_EXPORT int SetTextCharacterExtra(HDC hdc, int extra);
WINAPI_EXPORT int GetTextCharacterExtra(HDC hdc);
WINAPI_EXPORT int SetGraphicsMode(HDC hdc, int mode);
WINAPI_EXPORT int GetGraphicsMode(HDC hdc);
WINAPI_EXPORT int SetPolyFillMode(HDC hdc, int mode);
WINAPI_EXPORT int GetPolyFillMode(HDC hdc);
WINAPI_EXPORT int SetStretchBltMode(HDC hdc, int mode);
WINAPI_EXPORT BOOL GetCurrentPositionEx(HDC hdc, LPPOINT point);

// ---- clipping and regions ----
WINAPI_EXPORT int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
WINAPI_EXPORT int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
WINAPI_EXPORT int SelectClipRgn(HDC hdc, HRGN rgn);
WINAPI_EXPORT int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
WINAPI_EXPORT int GetClipBox(HDC hdc, LPRECT rect);
WINAPI_EXPORT int GetClipRgn(HDC hdc, HRGN rgn);
WINAPI_EXPORT BOOL PtVisible(HDC hdc, int x, int y);
WINAPI_EXPORT BOOL RectVisible(HDC hdc, const RECT* rect);
WINAPI_EXPORT HRGN CreateRectRgn(int left, int top, int right, int bottom);
WINAPI_EXPORT HRGN CreateRectRgnIndirect(const RECT* rect);
WINAPI_EXPORT HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
WINAPI_EXPORT HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
WINAPI_EXPORT HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons,
                                        int fillMode);
WINAPI_EXPORT int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
WINAPI_EXPORT BOOL EqualRgn(HRGN a, HRGN b);
WINAPI_EXPORT int OffsetRgn(HRGN rgn, int dx, int dy);
WINAPI_EXPORT BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
WINAPI_EXPORT BOOL PtInRegion(HRGN rgn, int x, int y);
WINAPI_EXPORT BOOL RectInRegion(HRGN rgn, const RECT* rect);
WINAPI_EXPORT int GetRgnBox(HRGN rgn, LPRECT rect);
WINAPI_EXPORT BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush);
WINAPI_EXPORT BOOL PaintRgn(HDC hdc, HRGN rgn);
WINAPI_EXPORT BOOL InvertRgn(HDC hdc, HRGN rgn);
WINAPI_EXPORT BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height);

// ---- drawing ----
WINAPI_EXPORT BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old);
WINAPI_EXPORT BOOL LineTo(HDC hdc, int x, int y);
WINAPI_EXPORT BOOL Polyline(HDC hdc, const POINT* points, int count);
WINAPI_EXPORT BOOL PolylineTo(HDC hdc, const POINT* points, DWORD count);
// counts[i] points for polyline i, each at least 2; drawn one after another
// exactly as that many Polyline calls would draw them.
WINAPI_EXPORT BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines);
WINAPI_EXPORT BOOL Polygon(HDC hdc, const POINT* points, int count);
WINAPI_EXPORT BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons);
WINAPI_EXPORT BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
WINAPI_EXPORT BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
WINAPI_EXPORT BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width,
                             int height);
WINAPI_EXPORT int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
WINAPI_EXPORT int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
WINAPI_EXPORT BOOL InvertRect(HDC hdc, const RECT* rect);
WINAPI_EXPORT BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
WINAPI_EXPORT COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
WINAPI_EXPORT BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
WINAPI_EXPORT COLORREF GetPixel(HDC hdc, int x, int y);
WINAPI_EXPORT BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX,
                          int srcY, DWORD rop);
WINAPI_EXPORT BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX,
                              int srcY, int srcWidth, int srcHeight, DWORD rop);
WINAPI_EXPORT BOOL GdiFlush();

// ---- text ----
WINAPI_EXPORT BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);
WINAPI_EXPORT BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text,
                               UINT count, const INT* dx);
WINAPI_EXPORT int DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format);
WINAPI_EXPORT BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size);
WINAPI_EXPORT BOOL GetTextExtentPointA(HDC hdc, LPCSTR text, int count, LPSIZE size);
WINAPI_EXPORT BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics);
WINAPI_EXPORT BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, INT* widths);
WINAPI_EXPORT BOOL GetCharWidth32A(HDC hdc, UINT first, UINT last, INT* widths);
WINAPI_EXPORT int GetTextFaceA(HDC hdc, int count, LPSTR face);

// ---- printing ----
WINAPI_EXPORT int StartDocA(HDC hdc, const DOCINFOA* info);
WINAPI_EXPORT int EndDoc(HDC hdc);
WINAPI_EXPORT int AbortDoc(HDC hdc);
WINAPI_EXPORT int StartPage(HDC hdc);
WINAPI_EXPORT int EndPage(HDC hdc);
WINAPI_EXPORT int SetAbortProc(HDC hdc, ABORTPROC proc);

#define TextOut TextOutA
#define ExtTextOut ExtTextOutA
#define DrawText DrawTextA
#define GetTextExtentPoint32 GetTextExtentPoint32A
#define GetTextExtentPoint GetTextExtentPointA
#define GetTextMetrics GetTextMetricsA
#define GetCharWidth GetCharWidthA
#define CreateFontIndirect CreateFontIndirectA
#define CreateFont CreateFontA
#define CreateDC CreateDCA
#define CreateIC CreateICA
#define GetObject GetObjectA
#define StartDoc StartDocA
#define GetTextFace GetTextFaceA

// ---- helpers for tests and the host ----
namespace win::gdi {
// Writes the bitmap (or the bitmap selected into a raster DC) as a PNG file
// at a workstation path. Returns false for anything that is not a raster.
WIN_CLASS bool SaveBitmapPng(HBITMAP bitmap, const char* winPath);
WIN_CLASS bool SaveBitmapPng(HDC dc, const char* winPath);
// A 32-bit bitmap of a PNG file at a workstation path (delete it with
// DeleteObject); null when the file is missing or not a readable PNG.
WIN_CLASS HBITMAP LoadBitmapPng(const char* winPath);
// A DC drawing on part of a bitmap shared by several DCs, as window painting
// needs: device (0, 0) lies at `origin` of the bitmap, and nothing outside
// `visible` (bitmap coordinates; null = the whole bitmap) is drawn, whatever
// the DC's own clipping. The DC's clip regions are relative to its origin.
// The bitmap stays selectable elsewhere; delete the DC with DeleteDC.
WIN_CLASS HDC CreateSurfaceDC(HBITMAP bitmap, POINT origin, HRGN visible);
// Number of live (not deleted) objects of the handle table, stock ones excluded.
WIN_CLASS size_t LiveObjectCount();
}  // namespace win::gdi
