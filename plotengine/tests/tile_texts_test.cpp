// Tiled annotation texts: ranking, hiding, one step aside, marks, growth.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/framework_gdi.h"
#include "orvik32/orvik32.h"
#include "plot_fixture.h"
#include "plotengine/tests/recorded_drawing.h"
#include "plotengine/tile_texts.h"

namespace {

STRUCT_TILE_DRAW Draw(int32_t rotation = 0, int16_t markStyle = 0, int16_t keepInPlot = 0) {
  STRUCT_TILE_DRAW d{};
  d.keepInPlot = keepInPlot;
  d.markStyle = markStyle;
  d.color = RGB(200, 0, 0);
  d.transparent = 1;
  d.font.lfHeight = -12;
  std::strcpy(d.font.lfFaceName, "Arial");
  d.rotation = rotation;
  return d;
}

// The plot: 40..480 x 40..360 for 0..10 min and 0..1000.
Drawing DrawTiles(CTileTextOnPlot& holder) {
  return Record([&](HDC hdc) {
    holder.DrawTileLabels(CDC::FromHandle(hdc), 0, nullptr, 0.0, 10.0, 0.0, 1000.0, 44.0, 0.32, 40, 480, 40, 360);
  });
}

void Add(CTileTextOnPlot& h, double t, double v, double rank, const char* text, STRUCT_TILE_DRAW d = Draw()) {
  ASSERT_EQ(h.AddTileLabelToHolder(t, v, rank, &d, const_cast<char*>(text)), 1);
}

// An aligned copy of a text's placement (the records are byte-packed).
struct Tile {
  int32_t x, y, width, height, altX, altY;
  int16_t atHome, moved, hides, hiddenBy, fontSlot, hasValue;
  double value;
};
Tile Get(const CTileTextOnPlot& h, int i) {
  const STRUCT_TILE_TEXT* t = h.Text(i);
  return {t->x, t->y, t->width, t->height, t->altX, t->altY, t->atHome, t->moved, t->hides, t->hiddenBy, t->fontSlot,
          t->hasValue, t->value};
}

using TileTextsTest = PlotRootTest;

}  // namespace

TEST_F(TileTextsTest, ThreeTextsAtOnePoint) {
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  Add(h, 5.0, 500.0, 1.0, "Low");
  Add(h, 5.0, 500.0, 3.0, "High");
  Add(h, 5.0, 500.0, 2.0, "Middle");
  const Drawing d = DrawTiles(h);
  EXPECT_EQ(d.Texts(), (std::vector<std::string>{"+ High", "Middle"}));
  const Tile highv = Get(h, 1);
  const Tile* high = &highv;
  const Tile middlev = Get(h, 2);
  const Tile* middle = &middlev;
  const Tile lowv = Get(h, 0);
  const Tile* low = &lowv;
  EXPECT_EQ(high->x, 260);
  EXPECT_EQ(high->y, 200);
  EXPECT_TRUE(high->atHome);
  EXPECT_EQ(high->hides, 1);
  EXPECT_TRUE(middle->moved);
  const int32_t step = middle->height + middle->height / 4;
  EXPECT_EQ(middle->altX, 260);
  EXPECT_EQ(middle->altY, 200 + step);
  EXPECT_FALSE(low->atHome);
  EXPECT_FALSE(low->moved);
  EXPECT_EQ(low->hiddenBy, 1);
  // The moved text's leader line and the text at its new place.
  EXPECT_TRUE(d.HasLine(260, 200, 260, 200 + step));
  EXPECT_EQ(d.FindText("Middle")->y, 200 + step);
}

TEST_F(TileTextsTest, ValuesOutsideTheRangeTakePartOnlyWhenKeptTurned) {
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  Add(h, 2.0, 1500.0, -1.0, "Above");
  Add(h, 4.0, 1500.0, -1.0, "Kept", Draw(900, 1, 1));
  Add(h, 6.0, 1500.0, -1.0, "Flat kept", Draw(0, 1, 1));
  Add(h, 12.0, 500.0, -1.0, "Later");
  const Drawing d = DrawTiles(h);
  EXPECT_EQ(d.Texts(), std::vector<std::string>{"Kept"});
  const Tile keptv = Get(h, 1);
  const Tile* kept = &keptv;
  // Its upward run would pass the top: it stands on the plot bottom, a
  // margin above it (drop-line style), with its drop line.
  LOGFONTA lf = Draw(900).font;
  lf.lfEscapement = lf.lfOrientation = 900;
  HDC ic = CreateCompatibleDC(nullptr);
  HFONT f = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(ic, f);
  SIZE plus{};
  GetTextExtentPoint32A(ic, " + ", 3, &plus);
  SelectObject(ic, old);
  DeleteObject(f);
  DeleteDC(ic);
  EXPECT_EQ(kept->x, 216);
  EXPECT_EQ(kept->y, 360 - plus.cy / 4);
  EXPECT_TRUE(d.HasLine(216, kept->y, 216, 360));
}

// A kept, turned text whose value lies below the scale stays inside the
// plot, a margin above its bottom, whatever its mark style.
TEST_F(TileTextsTest, KeptTurnedTextsBelowTheScaleStayInThePlot) {
  for (int16_t style : {0, 1, 2}) {
    SCOPED_TRACE(style);
    CTileTextOnPlot h;
    ASSERT_EQ(h.InitHolder(), 1);
    Add(h, 4.0, -500.0, -1.0, "Low", Draw(900, style, 1));
    const Drawing d = DrawTiles(h);
    EXPECT_EQ(d.Texts(), std::vector<std::string>{"Low"});
    const Tile t = Get(h, 0);
    EXPECT_EQ(t.x, 216);
    EXPECT_LT(t.y, 360);
    EXPECT_GT(t.y, 360 - t.height);  // the margin only
    EXPECT_EQ(d.FindText("Low")->y, t.y);
  }
}

TEST_F(TileTextsTest, EqualRanksGoToTheHigherValueAndRotationsNeverCollide) {
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  Add(h, 5.0, 500.0, 7.0, "Lower");
  Add(h, 5.0, 505.0, 7.0, "Higher");
  Add(h, 5.0, 505.0, 0.5, "Upright", Draw(900));
  const Drawing d = DrawTiles(h);
  EXPECT_TRUE(Get(h, 1).atHome);
  EXPECT_EQ(Get(h, 1).hides, 0);  // the lower one moved aside
  EXPECT_TRUE(Get(h, 0).moved);
  EXPECT_TRUE(Get(h, 2).atHome);  // turned texts do not meet unturned ones
  EXPECT_NE(d.FindText("Upright"), nullptr);
}

TEST_F(TileTextsTest, The2001stTextGrowsTheHolder) {
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  EXPECT_EQ(h.Capacity(), 2000);
  STRUCT_TILE_DRAW d = Draw();
  for (int i = 0; i < 2001; ++i) ASSERT_EQ(h.AddTileLabelToHolder(i * 0.005, 1.0, -1.0, &d, const_cast<char*>("x")), 1);
  EXPECT_EQ(h.Capacity(), 3000);
  EXPECT_EQ(h.Count(), 2001);
  EXPECT_EQ(GetBlockSize(const_cast<STRUCT_TILE_TEXT*>(h.Text(0))), TILE_TEXT_RECORD_SIZE + 1u);
  h.FreeHolder();
  EXPECT_EQ(h.Count(), 0);
  EXPECT_EQ(h.AddTileLabelToHolder(1.0, 1.0, 1.0, &d, const_cast<char*>("x")), 0);  // no arrays
}

TEST_F(TileTextsTest, ValuesComeFromTheTrace) {
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  const double times[] = {1.0, 2.0, 2.5, 4.0, 9.0, 9.5};
  for (double t : times) Add(h, t, 0.0, -1.0, "t");
  // Points at 1.5, 2.0, 3.0, 5.0 with values 10, 20, 60, 100.
  const double pt[] = {1.5, 2.0, 3.0, 5.0}, pv[] = {10, 20, 60, 100};
  auto* block = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * 4));
  block->isDouble = 1;
  for (int i = 0; i < 4; ++i) {
    NePointAt(block, i)->time = pt[i];
    NePointAt(block, i)->value.d = pv[i];
  }
  STRUCT_NE_DATA_POINTS dp{};
  dp.pointCount = 4;
  dp.points = block;
  h.SetYValuesToPlotValues(&dp);
  struct Want {
    int16_t has;
    double value;
  } want[] = {{0, 0}, {1, 20}, {1, 40}, {1, 80}, {0, 0}, {0, 0}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Get(h, i).hasValue, want[i].has) << i;
    if (want[i].has) {
      EXPECT_DOUBLE_EQ(Get(h, i).value, want[i].value) << i;
    }
  }
  FreeBlock(block);
}

TEST_F(TileTextsTest, LongTextsAreMeasuredWholeAndDrawnCut) {
  // Past the 255 characters and 53 line feeds the original buffers held.
  std::string lines;
  for (int i = 0; i < 80; ++i) lines += "line\n";
  std::string wide(400, 'w');
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  Add(h, 2.0, 100.0, 1.0, lines.c_str());
  Add(h, 8.0, 900.0, 2.0, wide.c_str());
  const Drawing d = DrawTiles(h);
  EXPECT_GT(Get(h, 0).height, 80 * 10);
  const DrawnText* cut = d.FindText(std::string(200, 'w'));
  EXPECT_NE(cut, nullptr);
}

TEST_F(TileTextsTest, AtMostTwelveFonts) {
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  for (int i = 0; i < 14; ++i) {
    STRUCT_TILE_DRAW d = Draw();
    d.font.lfHeight = -(8 + i);
    Add(h, 0.5 + i * 0.6, 100.0 + 50 * i, 1.0, "f", d);
  }
  Add(h, 9.5, 100.0, 1.0, "same as the fifth", Draw());
  DrawTiles(h);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Get(h, i).fontSlot, i);
  EXPECT_EQ(Get(h, 12).fontSlot, -1);
  EXPECT_EQ(Get(h, 13).fontSlot, -1);
  EXPECT_EQ(Get(h, 14).fontSlot, 4);
}

// An upright text over a peak (not kept in the plot) starts at its point.
// Only where its run would pass the plot's top, and be cut off there, it
// starts just low enough to end at the top; its mark and tick stay at the
// apex. A run that fits keeps its point, however near the top it ends.
TEST_F(TileTextsTest, UprightTextsAtTheTopKeepTheirPointUnlessCut) {
  // The run's width, measured once: the plot's top is at 40.
  int32_t width = 0, height = 0;
  {
    CTileTextOnPlot h;
    ASSERT_EQ(h.InitHolder(), 1);
    Add(h, 4.0, 300.0, -1.0, "6.129 min", Draw(900, 2, 0));
    DrawTiles(h);
    width = Get(h, 0).width;
    height = Get(h, 0).height;
  }
  ASSERT_GT(width, 0);
  struct TopCase {
    const char* name;
    int32_t gap;  // pixels between the top and the end of the run at the text's point
    int16_t markStyle;
    bool lowered;
  };
  const TopCase cases[] = {
      {"cut by ten", -10, 2, true},
      {"cut by one", -1, 0, true},
      {"ends at the top", 0, 2, false},
      {"half a line below", height / 2, 2, false},
      {"far below", 200, 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t apexY = 40 + width + c.gap;
    const double value = (360 - apexY + 0.5) / 0.32;
    CTileTextOnPlot h;
    ASSERT_EQ(h.InitHolder(), 1);
    STRUCT_TILE_DRAW d = Draw(900, c.markStyle, 0);
    d.tick = 1;
    Add(h, 4.0, value, -1.0, "6.129 min", d);
    const Drawing drawn = DrawTiles(h);
    ASSERT_EQ(drawn.Texts(), std::vector<std::string>{"6.129 min"});
    const DrawnText* text = drawn.FindText("6.129 min");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->y, c.lowered ? 40 + width : apexY);
    if (c.markStyle == 2) {
      bool tickAtApex = false;
      for (const auto& l : drawn.lines)
        tickAtApex = tickAtApex ||
                     (l.x0 == 216 && l.x1 == 216 && std::min(l.y0, l.y1) < apexY && std::max(l.y0, l.y1) > apexY);
      EXPECT_TRUE(tickAtApex);
    }
  }
}

// A title the caller has written over the plot: an upright or level text
// whose place would lie over it starts just below it, its mark staying at
// the point; a text beside the title keeps its place.
TEST_F(TileTextsTest, TextsKeepOffTheCallersTitle) {
  const RECT title{200, 40, 470, 56};  // a title line along the plot's top right
  struct TitleCase {
    const char* name;
    double time;
    int32_t rotation;
    bool lowered;
  };
  const TitleCase cases[] = {
      {"upright under the title", 6.0, 900, true},
      {"upright left of it", 2.0, 900, false},
      {"level under the title", 6.0, 0, true},
      {"level left of it", 1.0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CTileTextOnPlot h;
    ASSERT_EQ(h.InitHolder(), 1);
    h.SetKeepOutBoxes(&title, 1);
    // A value near the top, where the text's own place meets the title line.
    const double value = 980.0;
    Add(h, c.time, value, -1.0, "8.010 min", Draw(c.rotation, 0, 0));
    const Drawing drawn = DrawTiles(h);
    const DrawnText* text = drawn.FindText("8.010 min");
    ASSERT_TRUE(text);
    const Tile t = Get(h, 0);
    const int32_t pointY = 360 - static_cast<int32_t>(value * 0.32);
    if (c.lowered) {
      // The run (upright: upwards by its width; level: downwards) starts below the title.
      EXPECT_EQ(text->y, c.rotation == 900 ? title.bottom + t.width : title.bottom);
    } else {
      EXPECT_EQ(text->y, c.rotation == 900 ? 40 + t.width : pointY);
    }
  }
  // A segment title on the line below: a text lowered under the first box
  // goes on under the second; empty boxes count for nothing.
  {
    const RECT boxes[] = {title, {0, 0, 0, 0}, {280, 56, 340, 72}};
    CTileTextOnPlot two;
    ASSERT_EQ(two.InitHolder(), 1);
    two.SetKeepOutBoxes(boxes, 3);
    Add(two, 6.0, 980.0, -1.0, "8.010 min", Draw(900, 0, 0));
    const Drawing drawn = DrawTiles(two);
    ASSERT_TRUE(drawn.FindText("8.010 min"));
    EXPECT_EQ(drawn.FindText("8.010 min")->y, 72 + Get(two, 0).width);
  }
  // Without the box the stated place holds.
  CTileTextOnPlot h;
  ASSERT_EQ(h.InitHolder(), 1);
  h.SetKeepOutBoxes(&title, 1);
  h.SetKeepOutBoxes(nullptr, 0);
  Add(h, 6.0, 980.0, -1.0, "8.010 min", Draw(0, 0, 0));
  const Drawing drawn = DrawTiles(h);
  ASSERT_TRUE(drawn.FindText("8.010 min"));
  EXPECT_EQ(drawn.FindText("8.010 min")->y, 360 - static_cast<int32_t>(980.0 * 0.32));
}
