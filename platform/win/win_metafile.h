#pragma once
// Enhanced metafiles: the documented record stream (a header record first,
// an end-of-file record last, each record a type and a byte size followed by
// its parameters), recording, playback and record-by-record enumeration.
#include "win_types.h"
#include "win_export.h"
#include "win_gdi.h"

#define EMR_HEADER 1
#define EMR_POLYBEZIER 2
#define EMR_POLYGON 3
#define EMR_POLYLINE 4
#define EMR_POLYBEZIERTO 5
#define EMR_POLYLINETO 6
#define EMR_POLYPOLYLINE 7
#define EMR_POLYPOLYGON 8
#define EMR_SETWINDOWEXTEX 9
#define EMR_SETWINDOWORGEX 10
#define EMR_SETVIEWPORTEXTEX 11
#define EMR_SETVIEWPORTORGEX 12
#define EMR_SETBRUSHORGEX 13
#define EMR_EOF 14
#define EMR_SETPIXELV 15
#define EMR_SETMAPPERFLAGS 16
#define EMR_SETMAPMODE 17
#define EMR_SETBKMODE 18
#define EMR_SETPOLYFILLMODE 19
#define EMR_SETROP2 20
#define EMR_SETSTRETCHBLTMODE 21
#define EMR_SETTEXTALIGN 22
#define EMR_SETCOLORADJUSTMENT 23
#define EMR_SETTEXTCOLOR 24
#define EMR_SETBKCOLOR 25
#define EMR_OFFSETCLIPRGN 26
#define EMR_MOVETOEX 27
#define EMR_SETMETARGN 28
#define EMR_EXCLUDECLIPRECT 29
#define EMR_INTERSECTCLIPRECT 30
#define EMR_SCALEVIEWPORTEXTEX 31
#define EMR_SCALEWINDOWEXTEX 32
#define EMR_SAVEDC 33
#define EMR_RESTOREDC 34
#define EMR_SETWORLDTRANSFORM 35
#define EMR_MODIFYWORLDTRANSFORM 36
#define EMR_SELECTOBJECT 37
#define EMR_CREATEPEN 38
#define EMR_CREATEBRUSHINDIRECT 39
#define EMR_DELETEOBJECT 40
#define EMR_ANGLEARC 41
#define EMR_ELLIPSE 42
#define EMR_RECTANGLE 43
#define EMR_ROUNDRECT 44
#define EMR_ARC 45
#define EMR_CHORD 46
#define EMR_PIE 47
#define EMR_SELECTPALETTE 48
#define EMR_CREATEPALETTE 49
#define EMR_SETPALETTEENTRIES 50
#define EMR_RESIZEPALETTE 51
#define EMR_REALIZEPALETTE 52
#define EMR_EXTFLOODFILL 53
#define EMR_LINETO 54
#define EMR_ARCTO 55
#define EMR_POLYDRAW 56
#define EMR_SETARCDIRECTION 57
#define EMR_SETMITERLIMIT 58
#define EMR_BEGINPATH 59
#define EMR_ENDPATH 60
#define EMR_CLOSEFIGURE 61
#define EMR_FILLPATH 62
#define EMR_STROKEANDFILLPATH 63
#define EMR_STROKEPATH 64
#define EMR_FLATTENPATH 65
#define EMR_WIDENPATH 66
#define EMR_SELECTCLIPPATH 67
#define EMR_ABORTPATH 68
#define EMR_GDICOMMENT 70
#define EMR_FILLRGN 71
#define EMR_FRAMERGN 72
#define EMR_INVERTRGN 73
#define EMR_PAINTRGN 74
#define EMR_EXTSELECTCLIPRGN 75
#define EMR_BITBLT 76
#define EMR_STRETCHBLT 77
#define EMR_MASKBLT 78
#define EMR_PLGBLT 79
#define EMR_SETDIBITSTODEVICE 80
#define EMR_STRETCHDIBITS 81
#define EMR_EXTCREATEFONTINDIRECTW 82
#define EMR_EXTTEXTOUTA 83
#define EMR_EXTTEXTOUTW 84
#define EMR_POLYBEZIER16 85
#define EMR_POLYGON16 86
#define EMR_POLYLINE16 87
#define EMR_POLYBEZIERTO16 88
#define EMR_POLYLINETO16 89
#define EMR_POLYPOLYLINE16 90
#define EMR_POLYPOLYGON16 91
#define EMR_POLYDRAW16 92
#define EMR_CREATEMONOBRUSH 93
#define EMR_CREATEDIBPATTERNBRUSHPT 94
#define EMR_EXTCREATEPEN 95
#define EMR_POLYTEXTOUTA 96
#define EMR_POLYTEXTOUTW 97
#define EMR_SETICMMODE 98
#define EMR_SETLAYOUT 115

#define ENHMETA_SIGNATURE 0x464D4520u
#define ENHMETA_STOCK_OBJECT 0x80000000u

#pragma pack(push, 1)
struct POINTL { LONG x; LONG y; };
struct SIZEL { LONG cx; LONG cy; };
typedef RECT RECTL;

struct EMR { DWORD iType; DWORD nSize; };
struct ENHMETARECORD { DWORD iType; DWORD nSize; DWORD dParm[1]; };
struct ENHMETAHEADER {
  DWORD iType;
  DWORD nSize;
  RECTL rclBounds;       // inclusive bounds in device units of the reference
  RECTL rclFrame;        // inclusive frame in 0.01 mm
  DWORD dSignature;      // ENHMETA_SIGNATURE
  DWORD nVersion;        // 0x10000
  DWORD nBytes;          // whole metafile
  DWORD nRecords;
  WORD nHandles;         // handle table size, entry 0 included
  WORD sReserved;
  DWORD nDescription;    // UTF-16 characters, terminators included
  DWORD offDescription;  // from the start of the header
  DWORD nPalEntries;
  SIZEL szlDevice;       // reference resolution, pixels
  SIZEL szlMillimeters;  // reference size, millimetres
  DWORD cbPixelFormat;
  DWORD offPixelFormat;
  DWORD bOpenGL;
  SIZEL szlMicrometers;
};
struct EMREOF { EMR emr; DWORD nPalEntries; DWORD offPalEntries; DWORD nSizeLast; };
struct EMRSETEXTEX { EMR emr; SIZEL szlExtent; };
struct EMRSETORGEX { EMR emr; POINTL ptlOrigin; };
typedef EMRSETORGEX EMRMOVETOEX;
typedef EMRSETORGEX EMRLINETO;
struct EMRSETCOLOR { EMR emr; COLORREF crColor; };  // text and background colour
struct EMRSETMODE { EMR emr; DWORD iMode; };        // map, bk, rop2, fill, align ...
struct EMRSETPIXELV { EMR emr; POINTL ptlPixel; COLORREF crColor; };
struct EMRSELECTOBJECT { EMR emr; DWORD ihObject; };
typedef EMRSELECTOBJECT EMRDELETEOBJECT;
struct EMRCREATEPEN { EMR emr; DWORD ihPen; LOGPEN lopn; };
struct EMRCREATEBRUSHINDIRECT { EMR emr; DWORD ihBrush; LOGBRUSH32 lb; };
struct EMREXTCREATEFONTINDIRECTW { EMR emr; DWORD ihFont; LOGFONTW elfw; };
struct EMRRECTANGLE { EMR emr; RECTL rclBox; };  // also ellipse
typedef EMRRECTANGLE EMRELLIPSE;
struct EMRROUNDRECT { EMR emr; RECTL rclBox; SIZEL szlCorner; };
struct EMRINTERSECTCLIPRECT { EMR emr; RECTL rclClip; };
typedef EMRINTERSECTCLIPRECT EMREXCLUDECLIPRECT;
struct EMRRESTOREDC { EMR emr; LONG iRelative; };
struct EMRPOLYLINE { EMR emr; RECTL rclBounds; DWORD cptl; POINTL aptl[1]; };
typedef EMRPOLYLINE EMRPOLYGON;
struct EMRPOLYLINE16 { EMR emr; RECTL rclBounds; DWORD cpts; POINTS apts[1]; };
typedef EMRPOLYLINE16 EMRPOLYGON16;
struct EMRPOLYPOLYLINE {
  EMR emr; RECTL rclBounds; DWORD nPolys; DWORD cptl; DWORD aPolyCounts[1];
};
typedef EMRPOLYPOLYLINE EMRPOLYPOLYGON;
struct EMRTEXT {
  POINTL ptlReference;
  DWORD nChars;
  DWORD offString;  // from the start of the record
  DWORD fOptions;
  RECTL rcl;
  DWORD offDx;      // from the start of the record
};
struct EMREXTTEXTOUTA {
  EMR emr;
  RECTL rclBounds;
  DWORD iGraphicsMode;
  FLOAT exScale;
  FLOAT eyScale;
  EMRTEXT emrtext;
};
typedef EMREXTTEXTOUTA EMREXTTEXTOUTW;
struct EMRPOLYTEXTOUTA {
  EMR emr;
  RECTL rclBounds;
  DWORD iGraphicsMode;
  FLOAT exScale;
  FLOAT eyScale;
  LONG cStrings;
  EMRTEXT aemrtext[1];
};
typedef EMRPOLYTEXTOUTA EMRPOLYTEXTOUTW;
struct EMRBITBLT {
  EMR emr; RECTL rclBounds;
  LONG xDest; LONG yDest; LONG cxDest; LONG cyDest;
  DWORD dwRop;
  LONG xSrc; LONG ySrc;
  XFORM xformSrc;
  COLORREF crBkColorSrc;
  DWORD iUsageSrc;
  DWORD offBmiSrc; DWORD cbBmiSrc; DWORD offBitsSrc; DWORD cbBitsSrc;
};
struct EMRSTRETCHBLT {
  EMR emr; RECTL rclBounds;
  LONG xDest; LONG yDest; LONG cxDest; LONG cyDest;
  DWORD dwRop;
  LONG xSrc; LONG ySrc;
  XFORM xformSrc;
  COLORREF crBkColorSrc;
  DWORD iUsageSrc;
  DWORD offBmiSrc; DWORD cbBmiSrc; DWORD offBitsSrc; DWORD cbBitsSrc;
  LONG cxSrc; LONG cySrc;
};
struct EMREXTSELECTCLIPRGN { EMR emr; DWORD cbRgnData; DWORD iMode; BYTE RgnData[1]; };
#pragma pack(pop)
static_assert(sizeof(ENHMETAHEADER) == 108);
static_assert(sizeof(EMREOF) == 20);
static_assert(sizeof(EMRCREATEPEN) == 28);
static_assert(sizeof(EMRCREATEBRUSHINDIRECT) == 24);
static_assert(sizeof(EMREXTCREATEFONTINDIRECTW) == 104);
static_assert(sizeof(EMRTEXT) == 40);
static_assert(sizeof(EMREXTTEXTOUTA) == 76);
static_assert(sizeof(EMRPOLYTEXTOUTA) == 80);
static_assert(sizeof(EMRBITBLT) == 100);
static_assert(sizeof(EMRSTRETCHBLT) == 108);

struct HANDLETABLE { HGDIOBJ objectHandle[1]; };
typedef HANDLETABLE* LPHANDLETABLE;
typedef int(CALLBACK* ENHMFENUMPROC)(HDC hdc, HANDLETABLE* table, const ENHMETARECORD* record,
                                     int objects, LPARAM data);

WINAPI_EXPORT HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame,
                                     LPCSTR description);
WINAPI_EXPORT HENHMETAFILE CloseEnhMetaFile(HDC hdc);
WINAPI_EXPORT BOOL DeleteEnhMetaFile(HENHMETAFILE emf);
WINAPI_EXPORT UINT GetEnhMetaFileBits(HENHMETAFILE emf, UINT size, LPBYTE data);
WINAPI_EXPORT HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
WINAPI_EXPORT HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE emf, LPCSTR fileName);
WINAPI_EXPORT HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName);
WINAPI_EXPORT UINT GetEnhMetaFileHeader(HENHMETAFILE emf, UINT size, ENHMETAHEADER* header);
WINAPI_EXPORT UINT GetEnhMetaFileDescriptionA(HENHMETAFILE emf, UINT size, LPSTR text);
WINAPI_EXPORT BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE emf, const RECT* rect);
WINAPI_EXPORT BOOL EnumEnhMetaFile(HDC hdc, HENHMETAFILE emf, ENHMFENUMPROC proc, LPVOID data,
                                   const RECT* rect);
WINAPI_EXPORT BOOL PlayEnhMetaFileRecord(HDC hdc, HANDLETABLE* table,
                                         const ENHMETARECORD* record, UINT handles);

#define CreateEnhMetaFile CreateEnhMetaFileA
#define CopyEnhMetaFile CopyEnhMetaFileA
#define GetEnhMetaFile GetEnhMetaFileA
#define GetEnhMetaFileDescription GetEnhMetaFileDescriptionA
