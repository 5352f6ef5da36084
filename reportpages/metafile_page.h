#pragma once
// One report page drawn into an enhanced metafile on the report printer's
// geometry: a 32767 x 32767 logical page over the printable area, text
// placed at logical points or on a grid of columns and lines, and the nine
// report fonts made from the report preferences.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_gdi.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;

// Report fonts by index, as report output selects them.
enum ReportFont : int16_t {
  kFontLarge = 0,
  kFontULarge = 1,
  kFontNormal = 2,
  kFontBold = 3,
  kFontUNormal = 4,
  kFontFixed = 5,
  kFontUFixed = 6,
  kFontSmall = 7,
  kFontSmallFixed = 8,
};

class KELT_CLASS CMPage {
 public:
  CMPage(STRUCT_REPORT_PREFS* prefs, int16_t columns, int16_t lines, int16_t orientation);
  ~CMPage();
  CMPage(const CMPage&) = delete;
  CMPage& operator=(const CMPage&) = delete;

  int StartNewPage(int16_t frame);
  // The page's metafile bits in a movable global block the caller frees
  // with GlobalFree; null on failure. The page is closed either way.
  HGLOBAL EndPage();
  void CancelPage();
  int16_t ColumnToX(int16_t column) const;
  int16_t LineToY(int16_t line) const;
  void XYTextOut(int16_t x, int16_t y, const char* text);
  void CLTextOut(int16_t column, int16_t line, const char* text);

  // The font of an index (null for another index) and its character cell.
  CFont* Font(int16_t index);
  void Cell(int16_t index, int16_t* width, int16_t* height) const;
  // Selects the font into the open page; the font selected before, or null.
  CFont* SelectFont(int16_t index, int16_t* width, int16_t* height);

  CMetaFileDC* m_pMetaDC;
  STRUCT_REPORT_PREFS* m_pPrefs;
  int16_t m_Columns, m_Lines;
  int16_t m_Orientation;
  int16_t m_Mode;
  int16_t m_NormalWidth, m_NormalHeight;
  CFont m_Normal, m_UNormal, m_Bold;
  int16_t m_SmallWidth, m_SmallHeight;
  CFont m_Small;
  int16_t m_LargeWidth, m_LargeHeight;
  CFont m_Large, m_ULarge;
  int16_t m_FixedWidth, m_FixedHeight;
  CFont m_Fixed, m_UFixed;
  int16_t m_SmallFixedWidth, m_SmallFixedHeight;
  CFont m_SmallFixed;
};

namespace kelt::pages {
// The report printer's device context for an orientation, cached with the
// device and driver names it was made for; null without a printer.
KELT_CLASS HDC ReportPrinterDC(bool landscape);
}  // namespace kelt::pages
