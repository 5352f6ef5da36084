// Labels the owner puts on plots by message: where they are drawn, which
// display modes show them, and clearing a plot's labels.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "overlayctl/tests/control_fixture.h"
#include "testing/golden_window.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"

namespace {

using LabelsTest = OPlotTest;

constexpr COLORREF kInk = RGB(3, 201, 117);  // a colour no trace or scale uses

std::unique_ptr<STRUCT_OPLOT_ADD_LABEL> Record(int16_t slot, double time, const char* text, int16_t tag = 7) {
  auto r = std::make_unique<STRUCT_OPLOT_ADD_LABEL>();
  std::memset(r.get(), 0, sizeof *r);
  r->slot = slot;
  r->time = time;
  r->tag = tag;
  r->screenColor = r->printColor = kInk;
  std::strncpy(r->text, text, sizeof r->text - 1);
  r->moveable = 1;
  return r;
}

// Pixels of the label ink in a rectangle of the window's picture.
int InkPixels(HWND w, const RECT& box) {
  EXPECT_TRUE(win::script::SaveWindowPng(w, "C:\\TEMP\\labels.png"));
  HBITMAP b = win::gdi::LoadBitmapPng("C:\\TEMP\\labels.png");
  if (!b) return -1;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b);
  int n = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) n += GetPixel(dc, x, y) == kInk;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(b);
  return n;
}

void ExpectAsStored(HWND w, const char* name) {
  testing_support::ExpectWindowAsStored(w, OVERLAYCTL_GOLDEN_DIR, name);
}

RECT LabelBox(const CLabelInfo* l) {
  RECT r{l->m_cornerX[0], l->m_cornerY[0], l->m_cornerX[0], l->m_cornerY[0]};
  for (int i = 0; i < 4; ++i) {
    r.left = std::min<LONG>(r.left, l->m_cornerX[i]);
    r.right = std::max<LONG>(r.right, l->m_cornerX[i] + 1);
    r.top = std::min<LONG>(r.top, l->m_cornerY[i]);
    r.bottom = std::max<LONG>(r.bottom, l->m_cornerY[i] + 1);
  }
  return r;
}

TEST_F(LabelsTest, APlotLabelIsDrawnAtItsDataPoint) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(c->m_bSizesValid);
  const RECT whole{0, 0, 600, 400};
  EXPECT_EQ(InkPixels(w, whole), 0);

  auto r = Record(1, 6.0, "Apex");
  SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r.get()));
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  const CLabelInfo* l = c->m_pLabels->Label(0);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->m_type, LABEL_TYPE_HORIZONTAL);
  EXPECT_EQ(*static_cast<const int16_t*>(l->m_mark), 7);
  ASSERT_TRUE(l->m_labelShown);
  // Placed in slot 1's chromatogram, over the data point nearest 6.0 minutes.
  const STRUCT_LABEL_AREA* area = nullptr;
  const STRUCT_AREA_TABLE* t = c->m_pLabels->AreaTable();
  for (int i = 0; i < t->areaCount; ++i)
    if (t->areas[i].id == OPLOT_AREA_CHROMATOGRAM + 1) area = &t->areas[i];
  ASSERT_NE(area, nullptr);
  EXPECT_NEAR(l->m_labelX, 6.0, 0.0126);
  EXPECT_GE(l->m_anchorX, area->left);
  EXPECT_LT(l->m_anchorX, area->left + area->width);
  EXPECT_GE(l->m_anchorY, area->top);
  EXPECT_LE(l->m_anchorY, area->top + area->height);
  const RECT box = LabelBox(l);
  EXPECT_GT(InkPixels(w, box), 10);
  ExpectAsStored(w, "control-label-stacked.png");

  // Clearing slot 0 leaves slot 1's label; clearing slot 1 removes it from the picture.
  SendMessageA(w, OPM_CLEARALLLABELSFORPLOT, 0, 0);
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 1);
  SendMessageA(w, OPM_CLEARALLLABELSFORPLOT, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0);
  EXPECT_EQ(InkPixels(w, whole), 0);
  DestroyWindow(w);
}

TEST_F(LabelsTest, LabelsOutsideTheDataOrOnAnEmptySlotAreRefused) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(2)));
  struct Case {
    int16_t slot;
    double time;
  } cases[] = {{0, 0.5}, {0, 400.0}, {5, 5.0}, {-1, 5.0}, {20, 5.0}, {0, NAN}, {1, INFINITY}, {1, -INFINITY}};
  for (const Case& k : cases) {
    auto r = Record(k.slot, k.time, "x");
    SendMessageA(w, OPM_ADDPLOTLABEL, 0, reinterpret_cast<LPARAM>(r.get()));
    EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0) << k.slot << " " << k.time;
    double t = -1, v = -1;
    EXPECT_EQ(c->GetTimeAndValue(k.slot, k.time, 1, &t, &v), 0) << k.slot << " " << k.time;
    EXPECT_EQ(t, -1);
  }
  SendMessageA(w, OPM_ADDPLOTLABEL, 0, 0);
  // An empty text becomes a blank; the vertical label is turned.
  auto r = Record(0, 5.0, "");
  SendMessageA(w, OPM_ADDPLOTLABEL, 0, reinterpret_cast<LPARAM>(r.get()));
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  const CLabelInfo* l = c->m_pLabels->Label(0);
  EXPECT_STREQ(l->m_text->text, " ");
  EXPECT_EQ(l->m_params.angle, 900);
  EXPECT_EQ(l->m_type, LABEL_TYPE_TOKEN);
  DestroyWindow(w);  // frees the label and its tag
}

TEST_F(LabelsTest, OverlaidModesShowOnlyTheActivePlotsLabels) {
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  auto r0 = Record(0, 5.0, "Zero"), r1 = Record(1, 6.0, "One");
  SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r0.get()));
  SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r1.get()));
  o->head.displayMode = OVERLAY_MODE_OVERLAID;
  c->m_activePlot = 1;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 2);
  EXPECT_FALSE(c->m_pLabels->Label(0)->m_labelShown);
  EXPECT_TRUE(c->m_pLabels->Label(1)->m_labelShown);
  EXPECT_GT(InkPixels(w, LabelBox(c->m_pLabels->Label(1))), 10);
  DestroyWindow(w);
}

TEST_F(LabelsTest, NearestPointTakesTheLaterOneOnATie) {
  auto [w, c, o] = ShowPlots(1, nullptr, false);
  STRUCT_NE_POINT_BLOCK* p = o->slots[0].trace->points;
  // Two neighbours with an exactly representable midpoint, so the tie is a tie.
  const double t10 = 2.25, t11 = 2.28125;
  ASSERT_LT(+NePointAt(p, 9)->time, t10);
  ASSERT_GT(+NePointAt(p, 12)->time, t11);
  NePointAt(p, 10)->time = t10;
  NePointAt(p, 11)->time = t11;
  struct Case {
    double time;
    double expect;
  } cases[] = {{t10, t10}, {t10 + (t11 - t10) * 0.4, t10}, {(t10 + t11) / 2, t11}, {t11 - 1e-9, t11},
               {NePointAt(p, 0)->time, NePointAt(p, 0)->time}};
  for (const Case& k : cases) {
    double t = 0, v = 0;
    ASSERT_EQ(c->GetTimeAndValue(0, k.time, 1, &t, &v), 1) << k.time;
    EXPECT_EQ(t, k.expect) << k.time;
  }
  double t = 0, v = 0;
  EXPECT_EQ(c->GetTimeAndValue(3, 5.0, 1, &t, &v), 0);
  DestroyWindow(w);
}

}  // namespace

namespace {

// A label record whose text fills its room without a terminator: the label
// takes the whole room and not a byte more (the moveable flag follows it).
TEST_F(LabelsTest, UnterminatedLabelTextIsBoundedByItsRoom) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(1)));
  auto r = Record(0, 5.0, "");
  std::memset(r->text, 'x', sizeof r->text);
  r->moveable = 0x4141;  // 'AA' right after the text
  SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r.get()));
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  const CLabelInfo* l = c->m_pLabels->Label(0);
  ASSERT_NE(l->m_text, nullptr);
  EXPECT_EQ(std::strlen(l->m_text->text), sizeof r->text);
  EXPECT_EQ(l->m_type, LABEL_TYPE_HORIZONTAL);
  EXPECT_EQ(l->m_params.angle, 0);
  DestroyWindow(w);
}

}  // namespace

namespace {

// Labels are kept in client pixels: below a title line they are drawn
// where their box is, as without one, not shifted by the title's room.
TEST_F(LabelsTest, ALabelBelowATitleIsDrawnInItsBox) {
  int inBox[2] = {}, all[2] = {};
  for (bool title : {false, true}) {
    SCOPED_TRACE(title);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    c->m_titleOn = title ? 1 : 0;
    std::strcpy(c->m_titleText, "Run 7");
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(MakeOverlay(2)));
    auto r = Record(1, 6.0, "Apex");
    SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r.get()));
    win::script::PumpUntilIdle();
    ASSERT_EQ(c->TitleMargin() > 0, title);
    ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
    const CLabelInfo* l = c->m_pLabels->Label(0);
    ASSERT_TRUE(l->m_labelShown);
    // The box holds the text; the pointer runs outside it.
    inBox[title] = InkPixels(w, LabelBox(l));
    all[title] = InkPixels(w, RECT{0, 0, 600, 400});
    if (title) ExpectAsStored(w, "control-label-below-title.png");
    DestroyWindow(w);
  }
  EXPECT_GT(inBox[0], 10);
  EXPECT_EQ(inBox[1], inBox[0]);
  EXPECT_EQ(all[1], all[0]);
}


// Which plots' labels are shown and drawn: every plot's in the stacked
// mode, else the active plot's; the point-fed control (kind 4) shows all,
// yet draws none of the plot labels in the normalised mode.
TEST_F(LabelsTest, ShownAndDrawnLabelsPerModeAndControlKind) {
  struct Case {
    int16_t mode, kind, active;
    bool shown[2], drawn[2];
  } cases[] = {
      {OVERLAY_MODE_STACKED, 0, 1, {true, true}, {true, true}},
      {OVERLAY_MODE_OVERLAID, 0, 1, {false, true}, {false, true}},
      {OVERLAY_MODE_TWO_SCALES, 0, 0, {true, false}, {true, false}},
      {OVERLAY_MODE_OVERLAID, 4, 1, {true, true}, {true, true}},
      {OVERLAY_MODE_NORMALISED, 4, 1, {true, true}, {false, false}},
      {OVERLAY_MODE_OVERLAID, 0, -1, {true, false}, {true, false}},  // nothing selected: the first plot on
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode * 100 + k.kind * 10 + k.active);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(2);
    o->head.displayMode = k.mode;
    if (k.mode == OVERLAY_MODE_TWO_SCALES) std::strcpy(o->slots[1].units, "mV");
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    auto r0 = Record(0, 5.0, "Zero"), r1 = Record(1, 6.0, "One");
    SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r0.get()));
    SendMessageA(w, OPM_ADDHORZPLOTLABEL, 0, reinterpret_cast<LPARAM>(r1.get()));
    c->m_controlKind = k.kind;
    c->m_activePlot = k.active;
    InvalidateRect(w, nullptr, FALSE);
    win::script::PumpUntilIdle();
    ASSERT_EQ(c->m_pLabels->GetLabelCount(), 2);
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(i);
      const CLabelInfo* l = c->m_pLabels->Label(static_cast<short>(i));
      EXPECT_EQ(l->m_labelShown != 0, k.shown[i]);
      if (k.shown[i]) {
        EXPECT_EQ(InkPixels(w, LabelBox(l)) > 10, k.drawn[i]);
      }
    }
    if (!k.drawn[0] && !k.drawn[1]) {
      EXPECT_EQ(InkPixels(w, RECT{0, 0, 600, 400}), 0);
    }
    c->m_controlKind = 0;
    DestroyWindow(w);
  }
}

}  // namespace
