// Plot labels: placement, geometry, drawing, hit tests and drops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "framework/framework_gdi.h"
#include "orvik32/orvik32.h"
#include "plotengine/plot_labels.h"
#include "plotengine/tests/recorded_drawing.h"

using namespace kelt::labels;

namespace {

STRUCT_MARKER_PARAMS Params(int16_t positionMode = 1, int16_t pointerMode = 0, int32_t angle = 0) {
  STRUCT_MARKER_PARAMS p{};
  p.transparent = 1;
  p.backColor = RGB(255, 255, 255);
  p.screenColor = RGB(0, 0, 200);
  p.printColor = RGB(0, 0, 0);
  p.font.lfHeight = -14;
  std::strcpy(p.font.lfFaceName, "Arial");
  p.angle = angle;
  p.positionMode = positionMode;
  p.pointerMode = pointerMode;
  return p;
}

// One data area: id 100 + plot, 10..410 x 50..350, time 0..10, value 0..1000.
STRUCT_AREA_TABLE OneArea(int16_t id = 100) {
  STRUCT_AREA_TABLE t{};
  t.areaCount = 1;
  t.areas[0] = {id, 10, 50, 400, 300, 0.0, 1000.0, 0.0, 10.0};
  return t;
}

// A label drawn on a metafile; returns what was drawn.
Drawing DrawLabel(CLabelInfo& label, STRUCT_AREA_TABLE& table, CLabelInfo** others = nullptr, short count = 0,
                  short own = 0) {
  return Record([&](HDC hdc) {
    CDC* dc = CDC::FromHandle(hdc);
    label.AdjustLabelToArea(&table);
    label.AdjustPointerEndToArea(&table);
    label.DisplayLabel(dc, 0, 0, 0, 1, &table, 0, 0, nullptr, others, count, own);
  });
}

SIZE Extent(const char* text, const LOGFONTA& lf) {
  SIZE s{0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT f = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(dc, f);
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
  SelectObject(dc, old);
  DeleteObject(f);
  DeleteDC(dc);
  return s;
}

}  // namespace

TEST(LabelTextLines, BreaksAndTheirLines) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"A\r\nB", {"A", "B"}},
      {"A\rB", {"A", "B"}},  // a lone CR breaks and keeps the B
      {"A\nB", {"A", "B"}},
      {"A\r\n", {"A"}},      // no empty last line
      {"\r\n", {""}},
      {"A\n\nB", {"A", "", "B"}},
      {"Peak 1", {"Peak 1"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const TextLine& l : SplitLabelLines(c.text, static_cast<int32_t>(std::strlen(c.text))))
      got.emplace_back(c.text + l.start, static_cast<size_t>(l.length));
    EXPECT_EQ(got, c.lines) << c.text;
  }
}

TEST(LabelGeometry, SegmentsCrossAgreesWithExactArithmeticOnPrintCoordinates) {
  // Print coordinates up to 32767 make differences of 65534, whose products
  // pass 2^31.
  std::mt19937 rng(17);
  std::uniform_int_distribution<int32_t> d(-32767, 32767);
  auto turn = [](double ax, double ay, double bx, double by, double cx, double cy) {
    return (bx - ax) * (cy - ay) > (by - ay) * (cx - ax) ? 1 : -1;
  };
  for (int i = 0; i < 2000; ++i) {
    int32_t v[8];
    for (int32_t& x : v) x = d(rng);
    const int want = turn(v[0], v[1], v[2], v[3], v[4], v[5]) * turn(v[0], v[1], v[2], v[3], v[6], v[7]) <= 0 &&
                     turn(v[4], v[5], v[6], v[7], v[0], v[1]) * turn(v[4], v[5], v[6], v[7], v[2], v[3]) <= 0;
    ASSERT_EQ(SegmentsCross(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]), want) << i;
  }
  EXPECT_EQ(SegmentsCross(-32767, -32767, 32767, 32767, -32767, 32767, 32767, -32767), 1);
  EXPECT_EQ(SegmentsCross(-32767, -32767, 32767, -32766, -32767, 32767, 32767, 32766), 0);
}

TEST(LabelGeometry, TextBoxesOverlap) {
  EXPECT_EQ(TextBoxesOverlap(0, 0, 50, 20, 0, 40, 10, 50, 20, 0), 1);
  EXPECT_EQ(TextBoxesOverlap(0, 0, 50, 20, 0, 50, 20, 50, 20, 0), 1);  // corners touch
  EXPECT_EQ(TextBoxesOverlap(0, 0, 50, 20, 0, 51, 0, 50, 20, 0), 0);
  EXPECT_EQ(TextBoxesOverlap(0, 0, 50, 20, 0, 10, 5, 50, 20, 900), 0);  // different rotations
  // Turned by 45 degrees: the bounding rectangles meet, the boxes do not.
  EXPECT_EQ(TextBoxesOverlap(0, 100, 100, 10, 450, 60, 110, 100, 10, 450), 0);
  EXPECT_EQ(TextBoxesOverlap(0, 100, 100, 10, 450, 5, 100, 100, 10, 450), 1);
}

TEST(LabelGeometry, PointerStartIsTheNearestOfEightCandidates) {
  CLabelInfo label;
  long cx[4] = {0, 0, 40, 40}, cy[4] = {0, 20, 20, 0};
  struct Case {
    long ex, ey, ox, oy;
  } cases[] = {
      {100, 10, 40, 10},   // middle of the right edge
      {-10, -10, 0, 0},    // first corner
      {20, 100, 20, 20},   // middle of the bottom edge
      {20, 10, 20, 20},    // a tie goes to the lower index (bottom before top)
      {45, 25, 40, 20},
  };
  for (const Case& c : cases) {
    long ox = -1, oy = -1;
    label.CalculatePointerStart(c.ex, c.ey, cx, cy, &ox, &oy);
    EXPECT_EQ(ox, c.ox) << c.ex << "," << c.ey;
    EXPECT_EQ(oy, c.oy) << c.ex << "," << c.ey;
  }
}

TEST(LabelAreas, LookUpFollowsTheSharingFlags) {
  STRUCT_AREA_TABLE t{};
  const int16_t ids[] = {140, 60, 101, 102, 103, 122, 100, 62};
  for (int16_t id : ids) t.areas[t.areaCount++].id = id;
  struct Case {
    int16_t shared, single, offset, plot, group, mode, orientation;
    int16_t wantId, wantEffective;
  } cases[] = {
      {0, 0, 0, 2, 100, 1, 0, 102, 100},
      {0, 0, 1, 2, 100, 1, 0, 122, 120},
      {0, 0, 1, 2, 100, 2, 0, 102, 100},
      {0, 0, 0, 2, 60, 1, 0, 62, 60},
      {0, 0, 0, 2, 140, 1, 0, 140, 140},
      {1, 1, 0, 3, 100, 1, 0, 103, 100},
      {1, 0, 1, 2, 100, 1, 0, 122, 100},
      {1, 0, 0, 2, 100, 1, 1, 101, 100},
      {1, 0, 0, 2, 100, 1, 0, 100, 100},
  };
  for (const Case& c : cases) {
    t.sharedAreas = c.shared;
    t.singleStrip = c.single;
    t.offsetAreas = c.offset;
    t.orientation[c.plot] = c.orientation;
    CLabelInfo l;
    STRUCT_MARKER_PARAMS p = Params(c.mode, c.mode);
    l.SetTextLabel(const_cast<char*>("x"), &p, 1);
    l.SetAreaIndexes(&t, c.plot, c.group, c.plot, c.group);
    ASSERT_GE(l.m_areaIndex, 0);
    EXPECT_EQ(t.areas[l.m_areaIndex].id, c.wantId);
    EXPECT_EQ(l.m_effectiveGroup, c.wantEffective);
    EXPECT_EQ(l.m_pointerAreaIndex, l.m_areaIndex);
  }
  t.sharedAreas = t.singleStrip = t.offsetAreas = 0;
  CLabelInfo none;
  STRUCT_MARKER_PARAMS p = Params(1, 0);
  none.SetTextLabel(const_cast<char*>("x"), &p, 1);
  none.SetAreaIndexes(&t, 7, 100, 7, 100);
  EXPECT_EQ(none.m_areaIndex, -1);
  EXPECT_EQ(none.m_pointerAreaIndex, -1);
}

TEST(LabelPlacement, DataUnitsAndFractionsBecomePixels) {
  STRUCT_AREA_TABLE t = OneArea();
  CLabelInfo l;
  STRUCT_MARKER_PARAMS p = Params(1, 1);
  l.SetTextLabel(const_cast<char*>("Peak"), &p, 1);
  l.SetTextLabelPosition(LABEL_TYPE_USER, 5.0, 500.0, 2.5, 250.0);
  l.SetAreaIndexes(&t, 0, 100, 0, 100);
  l.AdjustLabelToArea(&t);
  l.AdjustPointerEndToArea(&t);
  EXPECT_EQ(l.m_anchorX, 210);
  EXPECT_EQ(l.m_anchorY, 200);
  EXPECT_TRUE(l.m_labelShown);
  EXPECT_EQ(l.m_pointerEndX, 110);
  EXPECT_EQ(l.m_pointerEndY, 275);
  EXPECT_TRUE(l.m_pointerShown);
  // Fractions.
  p = Params(2, 2);
  l.SetTextLabelInfoFromEdit(l.m_text, &p);
  l.SetTextLabelPosition(LABEL_TYPE_USER, 0.25, 0.5, 0.4, 0.4);
  l.AdjustLabelToArea(&t);
  l.AdjustPointerEndToArea(&t);
  EXPECT_EQ(l.m_anchorX, 110);
  EXPECT_EQ(l.m_anchorY, 200);
  EXPECT_EQ(l.m_pointerEndX, 170);
  EXPECT_EQ(l.m_pointerEndY, 170);
  // Before the area's start the label stays hidden.
  p = Params(1, 0);
  l.SetTextLabelInfoFromEdit(l.m_text, &p);
  l.SetTextLabelPosition(LABEL_TYPE_USER, -1.0, 500.0, 0, 0);
  l.AdjustLabelToArea(&t);
  EXPECT_FALSE(l.m_labelShown);
  // Centring: the middle of the ranges, the pointer a third in.
  p = Params(1, 1);
  l.SetTextLabelInfoFromEdit(l.m_text, &p);
  l.SetCenterPosition(&t);
  EXPECT_DOUBLE_EQ(l.m_labelX, 5.0);
  EXPECT_DOUBLE_EQ(l.m_labelY, 500.0);
  EXPECT_NEAR(l.m_pointerX, 10.0 / 3, 1e-12);
  EXPECT_NEAR(l.m_pointerY, 1000.0 / 3, 1e-9);
}

TEST(LabelDrawing, LinesAreWrittenWhateverTheBreak) {
  STRUCT_AREA_TABLE t = OneArea();
  struct Case {
    const char* text;
    std::vector<std::string> drawn;
  } cases[] = {{"A\r\nB", {"A", "B"}}, {"A\rB", {"A", "B"}}, {"Top\n", {"Top"}}, {"\r\n", {}}};
  for (const Case& c : cases) {
    CLabelInfo l;
    STRUCT_MARKER_PARAMS p = Params();
    l.SetTextLabel(const_cast<char*>(c.text), &p, 1);
    l.SetTextLabelPosition(LABEL_TYPE_USER, 5.0, 500.0, 0, 0);
    l.SetAreaIndexes(&t, 0, 100, 0, 100);
    const Drawing d = DrawLabel(l, t);
    EXPECT_EQ(d.Texts(), c.drawn) << c.text;
    if (c.drawn.empty()) {
      for (int i = 0; i < 4; ++i) EXPECT_EQ(l.m_cornerX[i], 0);  // no box kept
    } else {
      const DrawnText* first = d.FindText(c.drawn[0]);
      ASSERT_NE(first, nullptr);
      EXPECT_EQ(first->x, 210);
      EXPECT_EQ(first->y, 200);
      if (c.drawn.size() == 2) {
        EXPECT_EQ(d.FindText(c.drawn[1])->y, 200 + l.m_boxHeight / 2);
      }
    }
  }
}

TEST(LabelDrawing, RotatedBoxRunsUpFromTheAnchor) {
  STRUCT_AREA_TABLE t = OneArea();
  CLabelInfo l;
  STRUCT_MARKER_PARAMS p = Params(1, 0, 900);
  l.SetTextLabel(const_cast<char*>("Rotated"), &p, 1);
  l.SetTextLabelPosition(LABEL_TYPE_USER, 5.0, 500.0, 0, 0);
  l.SetAreaIndexes(&t, 0, 100, 0, 100);
  DrawLabel(l, t);
  const SIZE e = Extent("Rotated", p.font);
  const int w = l.m_boxWidth, h = l.m_boxHeight;
  EXPECT_EQ(w, e.cx);
  EXPECT_EQ(h, e.cy);
  const int32_t wantX[4] = {210, 210, 210 + h, 210 + h};
  const int32_t wantY[4] = {200, 200 - w, 200 - w, 200};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(l.m_cornerX[i], wantX[i], 1) << i;  // cos(90 degrees) is not quite 0
    EXPECT_EQ(l.m_cornerY[i], wantY[i]) << i;
  }
}

TEST(LabelDrawing, ValueLabelSitsAboveItsAnchorAndNotAboveTheArea) {
  STRUCT_AREA_TABLE t = OneArea();
  for (double value : {500.0, 990.0}) {
    CLabelInfo l;
    STRUCT_MARKER_PARAMS p = Params();
    l.SetTextLabel(const_cast<char*>("1234"), &p, 0);
    l.SetTextLabelPosition(LABEL_TYPE_VALUE, 5.0, value, 5.0, value);
    l.SetAreaIndexes(&t, 0, 100, 0, 100);
    DrawLabel(l, t);
    const int w = l.m_boxWidth, h = l.m_boxHeight;
    const int anchorY = 350 - static_cast<int>(300 * value / 1000);
    const int top = std::max(anchorY - h - h / 3, 50);
    EXPECT_EQ(l.m_cornerX[0], 210 - (w >> 1));
    EXPECT_EQ(l.m_cornerY[0], top);
    EXPECT_EQ(l.m_cornerY[1], top + h);
    EXPECT_EQ(l.m_cornerX[2], 210 + (w >> 1));
    EXPECT_EQ(l.m_anchorX, l.m_cornerX[0]);
    EXPECT_EQ(l.m_anchorY, top);
  }
}

// The title line along the top of a plot area: a value label that would
// reach into it is lowered below it when it still clears its point by half
// its gap; one over a point too close to the top keeps the top; one with
// room keeps its place.
TEST(LabelDrawing, ValueLabelKeepsOutOfTheTitleLine) {
  STRUCT_AREA_TABLE t = OneArea();
  CLabelInfo probe;
  STRUCT_MARKER_PARAMS p = Params();
  probe.SetTextLabel(const_cast<char*>("S/N (RMS): 352\nS: 28836\nN: 82"), &p, 0);
  probe.SetTextLabelPosition(LABEL_TYPE_VALUE, 5.0, 500.0, 5.0, 500.0);
  probe.SetAreaIndexes(&t, 0, 100, 0, 100);
  DrawLabel(probe, t);
  const int h = probe.m_boxHeight, line = h / 3, band = line + line / 4, gap = h / 3;
  ASSERT_GT(line, 0);
  enum Place { BelowTitle, AtAreaTop, Own };
  struct TopCase {
    int anchorY;
    Place place;
  };
  const TopCase cases[] = {
      {50 + band + h + gap - 3, BelowTitle},  // would reach into the title line
      {50 + band + h + gap / 2 + 2, BelowTitle},  // enough room left above the point
      {50 + h / 2, AtAreaTop},                    // no room: the area's top, as before
      {50 + band + h + gap + 5, Own},             // clear of the title line already
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.anchorY);
    CLabelInfo l;
    l.SetTextLabel(const_cast<char*>("S/N (RMS): 352\nS: 28836\nN: 82"), &p, 0);
    const double value = (350 - c.anchorY) * 1000.0 / 300.0;
    l.SetTextLabelPosition(LABEL_TYPE_VALUE, 5.0, value, 5.0, value);
    l.SetAreaIndexes(&t, 0, 100, 0, 100);
    DrawLabel(l, t);
    const int top = l.m_cornerY[0];
    switch (c.place) {
      case BelowTitle: EXPECT_EQ(top, 50 + band); break;
      case AtAreaTop: EXPECT_EQ(top, 50); break;
      case Own: EXPECT_NEAR(top, c.anchorY - h - gap, 1); break;
    }
    if (c.place != AtAreaTop) {
      EXPECT_LT(l.m_cornerY[1], c.anchorY - 1);  // the box stays above its point
    }
  }
}

TEST(LabelDrawing, PointerLineEndsInAnOctagon) {
  STRUCT_AREA_TABLE t = OneArea();
  CLabelInfo l;
  STRUCT_MARKER_PARAMS p = Params(1, 1);
  l.SetTextLabel(const_cast<char*>("Here"), &p, 1);
  l.SetTextLabelPosition(LABEL_TYPE_USER, 5.0, 500.0, 8.0, 100.0);
  l.SetAreaIndexes(&t, 0, 100, 0, 100);
  const Drawing d = DrawLabel(l, t);
  // End (330, 320); the box's nearest candidate is its bottom-right corner.
  EXPECT_EQ(l.m_pointerEndX, 330);
  EXPECT_EQ(l.m_pointerEndY, 320);
  EXPECT_TRUE(d.HasLine(l.m_cornerX[2], l.m_cornerY[2], 330, 320));
  EXPECT_EQ(l.m_pointerOriginX, l.m_cornerX[2]);
}

TEST(LabelDrawing, HorizontalLabelGivesWayOnlyToEarlierLabels) {
  STRUCT_AREA_TABLE t = OneArea();
  STRUCT_MARKER_PARAMS p = Params();
  CLabelInfo a, b;
  a.SetTextLabel(const_cast<char*>("First"), &p, 0);
  b.SetTextLabel(const_cast<char*>("Second"), &p, 0);
  for (CLabelInfo* l : {&a, &b}) {
    l->SetTextLabelPosition(LABEL_TYPE_HORIZONTAL, 5.0, 500.0, 0, 0);
    l->SetAreaIndexes(&t, 0, 100, 0, 100);
  }
  CLabelInfo* labels[2] = {&a, &b};
  DrawLabel(a, t, labels, 2, 0);
  EXPECT_TRUE(a.m_labelShown);
  const Drawing d = DrawLabel(b, t, labels, 2, 1);
  EXPECT_FALSE(b.m_labelShown);
  EXPECT_TRUE(d.texts.empty());
  // Drawn first, the lower index is not compared with the higher one.
  b.AdjustLabelToArea(&t);
  a.AdjustLabelToArea(&t);
  a.m_labelShown = 1;
  const Drawing d2 = DrawLabel(a, t, labels, 2, 0);
  EXPECT_EQ(d2.Texts(), std::vector<std::string>{"First"});
}

TEST(LabelHits, BoxAndPointerEnd) {
  STRUCT_AREA_TABLE t = OneArea();
  CLabelInfo l;
  STRUCT_MARKER_PARAMS p = Params(1, 1);
  l.SetTextLabel(const_cast<char*>("Hit me"), &p, 1);
  l.SetTextLabelPosition(LABEL_TYPE_USER, 5.0, 500.0, 8.0, 100.0);
  l.SetAreaIndexes(&t, 0, 100, 0, 100);
  DrawLabel(l, t);
  EXPECT_EQ(l.IsPointOverLabel(CPoint(212, 203), 0), 1);
  EXPECT_EQ(l.IsPointOverLabel(CPoint(205, 203), 0), 0);
  struct Case {
    int dx, dy, hit;
  } cases[] = {{0, 0, 1}, {3, 3, 1}, {-3, -3, 1}, {3, -3, 1}, {4, 0, 0}, {0, 4, 0}, {-4, -4, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(l.IsPointOverPointerEnd(CPoint(330 + c.dx, 320 + c.dy)), c.hit) << c.dx << "," << c.dy;
  l.m_moveable = 0;
  EXPECT_EQ(l.IsPointOverLabel(CPoint(212, 203), 0), 0);
  EXPECT_EQ(l.IsPointOverLabel(CPoint(212, 203), 1), 1);
  EXPECT_EQ(l.IsPointOverPointerEnd(CPoint(330, 320)), 0);
}

TEST(LabelDrop, PixelsGoBackToDataUnitsAndTheDroppedArea) {
  STRUCT_AREA_TABLE t{};
  t.areaCount = 2;
  t.areas[0] = {100, 10, 50, 400, 300, 0.0, 1000.0, 0.0, 10.0};
  t.areas[1] = {103, 10, 400, 400, 200, 0.0, 50.0, 2.0, 4.0};
  CLabelInfo l;
  STRUCT_MARKER_PARAMS p = Params(1, 1);
  l.SetTextLabel(const_cast<char*>("Move"), &p, 1);
  l.SetTextLabelPosition(LABEL_TYPE_USER, 5.0, 500.0, 5.0, 500.0);
  l.SetAreaIndexes(&t, 0, 100, 0, 100);
  l.HandleLabelLButtonUp(110, 450, 1, &t);
  EXPECT_EQ(l.m_plot, 3);
  EXPECT_EQ(l.m_areaGroup, 100);
  EXPECT_EQ(l.m_areaIndex, 1);
  EXPECT_DOUBLE_EQ(l.m_labelX, 2.5);
  EXPECT_DOUBLE_EQ(l.m_labelY, 37.5);
  l.HandlePointerEndLButtonUp(310, 350, 0, &t);
  EXPECT_DOUBLE_EQ(l.m_pointerX, 7.5);
  EXPECT_DOUBLE_EQ(l.m_pointerY, 0.0);
  // Fractions, and an area without a value range.
  p = Params(2, 0);
  l.SetTextLabelInfoFromEdit(l.m_text, &p);
  l.HandleLabelLButtonUp(110, 200, 0, &t);
  EXPECT_DOUBLE_EQ(l.m_labelX, 0.25);
  EXPECT_DOUBLE_EQ(l.m_labelY, 0.5);
}

TEST(LabelTexts, CopyAndFree) {
  auto* src = static_cast<STRUCT_LAB_TEXT*>(AllocBlock(sizeof(STRUCT_LAB_TEXT)));
  src->text = static_cast<char*>(AllocBlock(15));
  std::memcpy(src->text, "Hello", 5);
  src->length = 5;
  STRUCT_LAB_TEXT* copy = LABS_CopyLabelText(src);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->length, 5);
  EXPECT_STREQ(copy->text, "Hello");
  EXPECT_NE(copy->text, src->text);
  EXPECT_EQ(GetBlockSize(copy->text), 15u);
  src->length = 0;
  STRUCT_LAB_TEXT* empty = LABS_CopyLabelText(src);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->length, 0);
  EXPECT_EQ(empty->text, nullptr);
  EXPECT_EQ(LABS_CopyLabelText(nullptr), nullptr);
  LABS_FreeLabelText(copy);
  LABS_FreeLabelText(empty);
  LABS_FreeLabelText(src);
  LABS_FreeLabelText(nullptr);
}
