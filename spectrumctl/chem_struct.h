#pragma once
// Chemical structures of library spectra: a connection table of 2-D
// coordinates (bonds, aromatic-ring circles, atom labels) drawn scaled into
// a rectangle of any device context, keeping its aspect ratio.
//
// The connection table is a block of CHEM_TABLE_SIZE bytes from the
// library data; counts and label texts are bounded when it is read.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_gdi.h"

class CDC;

#define CHEM_TABLE_SIZE 8148
#define CHEM_MOST_ITEMS 254
#define CHEM_LABEL_SIZE 6

// Byte offsets in the connection table. Coordinates are 32-bit entries of
// which the low 16 bits hold a signed structure coordinate.
#define CHEM_BOND_X 0
#define CHEM_BOND_Y 1016
#define CHEM_BOND_END_COUNT 2036
#define CHEM_BOND_KIND 2040
#define CHEM_CIRCLE_X 2294
#define CHEM_CIRCLE_Y 3310
#define CHEM_CIRCLE_COUNT 4326
#define CHEM_LABEL_X 4330
#define CHEM_LABEL_Y 5346
#define CHEM_LABEL_COUNT 6362
#define CHEM_LABEL_TEXT 6624

#pragma pack(push, 1)
struct STRUCT_DRAW_CHEM_PICTURE {
  const uint8_t* table;
  int16_t print;            // non-zero on a report page
  int16_t left, bottom, right, top;
  int16_t charWidth, charHeight;
  COLORREF labelColor;
  COLORREF backColor;
  COLORREF bondColor;
  int16_t horzAlign;        // 0 left, 1 centred, 2 right
  int16_t vertAlign;        // 0 top, 1 centred, other bottom
  int16_t frame;            // draw the rectangle
};

class KELT_CLASS CDrawChemStruct {
 public:
  CDrawChemStruct() = default;
  ~CDrawChemStruct() {}

  virtual void DoJob();
  virtual int16_t ConvertX(short x);
  virtual int16_t ConvertY(short y);

  int16_t HorzAlign = 2;
  int16_t VertAlign = 0;
  int16_t Frame = 0;
  CDC* DC = nullptr;
  int16_t Left = 0, Bottom = 0, Right = 0, Top = 0;
  int16_t CharWidth = 0, CharHeight = 0;
  COLORREF BackColor = 0;
  COLORREF LabelColor = 0;
  COLORREF BondColor = 0;
  int16_t Print = 0;
  const uint8_t* Table = nullptr;
  int16_t MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
  int16_t XOffset = 0, YOffset = 0;
  int16_t UsedWidth = 0, UsedHeight = 0;
  double XScale = 0, YScale = 0;
};
#pragma pack(pop)

KELT_API void SPT_DrawChemicalPicture(CDC* dc, const STRUCT_DRAW_CHEM_PICTURE* picture);

namespace kelt::chem {

// A connection table as read, with counts held to the table's room and
// label texts to their fields.
struct Table {
  int bondEnds = 0, circles = 0, labels = 0;
  int16_t bondX[CHEM_MOST_ITEMS]{}, bondY[CHEM_MOST_ITEMS]{};
  uint8_t bondKind[CHEM_MOST_ITEMS]{};
  int16_t circleX[CHEM_MOST_ITEMS]{}, circleY[CHEM_MOST_ITEMS]{};
  int16_t labelX[CHEM_MOST_ITEMS]{}, labelY[CHEM_MOST_ITEMS]{};
  char labelText[CHEM_MOST_ITEMS][CHEM_LABEL_SIZE + 1]{};
  bool Empty() const { return bondEnds == 0 && circles == 0 && labels == 0; }
};

// Reads a table of CHEM_TABLE_SIZE bytes; a null table reads as empty.
KELT_CLASS void ReadTable(const uint8_t* bytes, Table* out);

// Builds a table block (for tests and fixtures): bonds as pairs of ends
// with their kind byte, circle centres, labels with their points.
struct Bond {
  int16_t x1, y1, x2, y2;
  uint8_t kind;  // 0 single, 1 double, 2 triple
};
struct Circle {
  int16_t x, y;
};
struct Label {
  int16_t x, y;
  const char* text;
};
KELT_CLASS void WriteTable(uint8_t* bytes, const Bond* bonds, int bondCount, const Circle* circles, int circleCount,
                const Label* labels, int labelCount);

}  // namespace kelt::chem
