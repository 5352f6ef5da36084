#pragma once
// Many short annotation texts beside points of a plot, ranked so that a
// text never covers a higher-ranked one: covered texts are hidden or moved
// one step aside, and a text that hides others is prefixed "+ ".
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "framework/framework_gdi.h"
#include "win/win_gdi.h"

#define TILE_FIRST_CAPACITY 2000
#define TILE_CAPACITY_STEP 1000
#define TILE_MOST_TEXTS 32000
#define TILE_MOST_FONTS 12
#define TILE_MOST_DRAWN_CHARS 200

#pragma pack(push, 1)

struct STRUCT_TILE_DRAW {
  int16_t keepInPlot;
  int16_t reserved;
  int16_t markStyle;  // 0 octagon, 1 drop line, 2 and 3 octagon and tick
  int16_t tick;
  COLORREF color;
  COLORREF backColor;
  int32_t transparent;
  int16_t defaultFont;
  LOGFONTA font;
  int32_t rotation;  // tenths of a degree
};

struct STRUCT_TILE_TEXT {
  int16_t active;
  int16_t fontSlot;
  int16_t placed;
  int32_t x, y;
  int32_t width, height;
  int16_t atHome;
  int16_t hides;
  int16_t hiddenBy;
  int16_t moved;
  int32_t altX, altY;
  double time;
  double value;
  double rank;
  int16_t hasValue;
  STRUCT_TILE_DRAW draw;
  int16_t length;
  char text[1];
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_TILE_DRAW) == 86);
#define TILE_TEXT_RECORD_SIZE 157
#define TILE_KEEP_OUT_BOXES 16

class KELT_CLASS CTileTextOnPlot {
 public:
  CTileTextOnPlot();
  virtual ~CTileTextOnPlot();
  CTileTextOnPlot(const CTileTextOnPlot&) = delete;
  CTileTextOnPlot& operator=(const CTileTextOnPlot&) = delete;

  int InitHolder();
  void FreeHolder();
  int AddTileLabelToHolder(double time, double value, double rank, STRUCT_TILE_DRAW* params, char* text);
  void SetYValuesToPlotValues(STRUCT_NE_DATA_POINTS* points);
  void DrawTileLabels(CDC* dc, short printing, LOGFONTA* defaultFont, double lowTime, double highTime,
                      double lowValue, double highValue, double xScale, double yScale, long left, long right,
                      long top, long bottom);

  int16_t Count() const { return m_count; }
  int16_t Capacity() const { return m_capacity; }
  const STRUCT_TILE_TEXT* Text(int i) const { return i >= 0 && i < m_count ? m_texts[i] : nullptr; }
  // Texts the caller has already written over the plot (its titles): an
  // upright or level text whose own place would lie over one starts below
  // it instead. Empty boxes are left out, boxes past TILE_KEEP_OUT_BOXES
  // too; a count of 0 clears them. Kept until changed.
  void SetKeepOutBoxes(const RECT* boxes, int count);
  // Marks the caller draws over the points (peak apex marks): an upright
  // text starts this far above its point so that it does not cross them.
  void SetPointGap(int32_t gap) { m_pointGap = gap > 0 ? gap : 0; }

 private:
  void ClearPositions();
  void CreateFonts();
  void InitPositions();
  void DrawLabels();
  void DeleteFonts();
  bool OverlapsAt(const STRUCT_TILE_TEXT* a, int32_t ax, int32_t ay, const STRUCT_TILE_TEXT* b) const;

  int16_t m_capacity = 0;
  int16_t m_count = 0;
  STRUCT_TILE_TEXT** m_texts = nullptr;
  int16_t* m_order = nullptr;
  int16_t m_activeCount = 0;
  double m_lowTime = 0, m_highTime = 0, m_lowValue = 0, m_highValue = 0;
  double m_xScale = 0, m_yScale = 0;
  int32_t m_left = 0, m_right = 0, m_top = 0, m_bottom = 0;
  CDC* m_dc = nullptr;
  int16_t m_printing = 0;
  LOGFONTA m_defaultFont{};
  int16_t m_fontCount = 0;
  CFont* m_fonts[TILE_MOST_FONTS] = {};
  LOGFONTA m_fontDescs[TILE_MOST_FONTS] = {};
  int m_keepOutCount = 0;
  RECT m_keepOut[TILE_KEEP_OUT_BOXES] = {};
  int32_t m_pointGap = 0;
};

namespace kelt::labels {
// The library-wide character-set flag: positive asks for OEM_CHARSET.
KELT_CLASS void SetCharacterSetFlag(int16_t flag);
KELT_CLASS int16_t CharacterSetFlag();
}  // namespace kelt::labels
