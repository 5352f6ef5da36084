// Labels over an overlay: the areas of each layout, token and user labels.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "plot_fixture.h"
#include "plotengine/overlay_labels.h"
#include "plotengine/tests/recorded_drawing.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/plot_layout.h"

namespace {

STRUCT_MARKER_PARAMS Params() {
  STRUCT_MARKER_PARAMS p{};
  p.transparent = 1;
  p.screenColor = RGB(0, 0, 160);
  p.font.lfHeight = -12;
  std::strcpy(p.font.lfFaceName, "Arial");
  p.positionMode = 1;
  p.pointerMode = 1;
  return p;
}

struct ManagerDeleter {
  void operator()(CLabelManager* m) const { OPLOT_FreeLabelManager(m); }
};
using ManagerPtr = std::unique_ptr<CLabelManager, ManagerDeleter>;

class OverlayLabelsTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    WriteMsRun();
    overlay_ = NewOverlay();
    ASSERT_EQ(AddTic(overlay_.get(), 0, kMsPath), 1);
    ASSERT_EQ(AddTic(overlay_.get(), 1, kMsPath, 0, 0, "counts"), 1);
    ASSERT_EQ(AddTic(overlay_.get(), 2, kMsPath), 1);
    OPLOT_SetVerticalFullScale(overlay_.get(), 1, 1);
    manager_.reset(OPLOT_CreateLabelManager());
    ASSERT_NE(manager_, nullptr);
  }
  void Layout(int16_t mode) {
    overlay_->head.displayMode = mode;
    OPLOT_SetVerticalFullScale(overlay_.get(), 1, 1);
    STRUCT_OPLOT_PLOT_PARAMS p{};
    OPLOT_InitPlotParams(&p, 0, 0, 600, 900, 0, 8, 14);
    OPLOT_CalculateSizes(overlay_.get(), &p, &sizes_, 0, -1, -1);
  }
  std::vector<int16_t> Ids() const {
    std::vector<int16_t> ids;
    const STRUCT_AREA_TABLE* t = manager_->AreaTable();
    for (int i = 0; i < t->areaCount; ++i) ids.push_back(t->areas[i].id);
    return ids;
  }
  OverlayPtr overlay_;
  ManagerPtr manager_;
  STRUCT_OVER_SIZES sizes_{};
};

}  // namespace

TEST_F(OverlayLabelsTest, AreasOfEachLayout) {
  Layout(OVERLAY_MODE_STACKED);
  OPLOT_DefineAreas(manager_.get(), overlay_.get(), &sizes_);
  EXPECT_TRUE(Ids().empty());  // no labels, no areas
  const STRUCT_MARKER_PARAMS p = Params();
  ASSERT_GE(OPLOT_AddLabel(manager_.get(), 100, 1, &p, "Note", 5.0, 1000.0, 6.0, 500.0), 0);
  OPLOT_DefineAreas(manager_.get(), overlay_.get(), &sizes_);
  EXPECT_EQ(Ids(), (std::vector<int16_t>{140, 40, 60, 100, 61, 101, 62, 102}));
  EXPECT_FALSE(manager_->AreaTable()->sharedAreas);
  // Slot 1's strip: its pixels and its own range.
  const STRUCT_LABEL_AREA a = manager_->AreaTable()->areas[5];
  int32_t l, b, r, t;
  ASSERT_EQ(OPLOT_GetChromatogramArea(overlay_.get(), &sizes_, 1, &l, &b, &r, &t), 1);
  EXPECT_EQ(+a.left, l);
  EXPECT_EQ(+a.top, t);
  EXPECT_EQ(+a.height, b - t);
  EXPECT_DOUBLE_EQ(+a.lowValue, +overlay_->tail.scales.plotLow[1]);
  EXPECT_DOUBLE_EQ(+a.highTime, +overlay_->tail.viewEnd);

  // Normalised: one area per slot and no id twice.
  Layout(OVERLAY_MODE_NORMALISED);
  OPLOT_DefineAreas(manager_.get(), overlay_.get(), &sizes_);
  const std::vector<int16_t> ids = Ids();
  EXPECT_EQ(ids, (std::vector<int16_t>{140, 40, 60, 100, 101, 102}));
  EXPECT_EQ(std::set<int16_t>(ids.begin(), ids.end()).size(), ids.size());
  EXPECT_TRUE(manager_->AreaTable()->singleStrip);
}

TEST_F(OverlayLabelsTest, TwoScalesOrientSlotsByTheRightAxisUnits) {
  const STRUCT_MARKER_PARAMS p = Params();
  ASSERT_GE(OPLOT_AddLabel(manager_.get(), 100, 2, &p, "Right", 5.0, 100.0, 6.0, 50.0), 0);
  std::strcpy(overlay_->slots[2].units, "counts");
  Layout(OVERLAY_MODE_TWO_SCALES);
  overlay_->tail.scales.leftAxisPlot = 0;
  overlay_->tail.scales.rightAxisPlot = 1;
  OPLOT_DefineAreas(manager_.get(), overlay_.get(), &sizes_);
  const STRUCT_AREA_TABLE* t = manager_->AreaTable();
  EXPECT_EQ(+t->orientation[0], 0);
  EXPECT_EQ(+t->orientation[1], 1);
  EXPECT_EQ(+t->orientation[2], 1);  // same units as the right-axis plot
  EXPECT_EQ(Ids(), (std::vector<int16_t>{140, 40, 60, 80, 100, 101}));
  // The label of slot 2 is placed on the right range.
  manager_->AdjustLabels();
  CLabelInfo* l = manager_->Label(0);
  ASSERT_GE(l->m_areaIndex, 0);
  EXPECT_EQ(+t->areas[l->m_areaIndex].id, 101);
}

TEST_F(OverlayLabelsTest, TokenLabelsSnapToTheNearestShownPoint) {
  STRUCT_WORK_FILE wf{};
  wf.startTime = 0.9;
  wf.endTime = 1.3;
  auto o = NewOverlay();
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  const double times[] = {0.9, 1.0, 1.1, 1.2, 1.3};
  dp->points = static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * 5));
  dp->points->isDouble = 1;
  dp->pointCount = 5;
  for (uint32_t i = 0; i < 5; ++i) {
    NePointAt(dp->points, i)->time = times[i];
    NePointAt(dp->points, i)->value.d = 100.0 * (i + 1);
  }
  o->slots[0].workFile = &wf;
  o->slots[0].trace = dp;
  o->head.shown[0] = o->tail.inView[0] = o->tail.attached[0] = 1;
  o->tail.firstShownIndex[0] = 1;
  o->tail.lastShownIndex[0] = 4;
  const STRUCT_MARKER_PARAMS p = Params();
  struct Case {
    double time;
    int16_t added;
    double x, y;
  } cases[] = {{1.05, 1, 1.1, 300.0}, {1.04, 1, 1.0, 200.0}, {1.16, 1, 1.2, 400.0},
               {0.95, 1, 1.0, 200.0},  // before the first shown point: that point
               {1.35, 0, 0, 0}};        // after the file's last time
  for (const Case& c : cases) {
    const int16_t slot = OPLOT_AddPlotTokenLabel(manager_.get(), o.get(), 0, c.time, 7, "T", &p);
    EXPECT_EQ(slot >= 0, c.added == 1) << c.time;
    if (slot < 0) continue;
    const CLabelInfo* l = manager_->Label(slot);
    EXPECT_DOUBLE_EQ(l->m_labelX, c.x) << c.time;
    EXPECT_DOUBLE_EQ(l->m_labelY, c.y) << c.time;
    EXPECT_EQ(l->m_type, LABEL_TYPE_TOKEN);
    EXPECT_EQ(*static_cast<const uint16_t*>(l->m_mark), 7);
    manager_->DeleteLabel(slot, 0, 0);
  }
  FreeDataPointsStruct(dp);
  o->slots[0].trace = nullptr;
  o->slots[0].workFile = nullptr;
}

TEST_F(OverlayLabelsTest, LabelsAreDrawnOverTheOverlay) {
  Layout(OVERLAY_MODE_STACKED);
  const STRUCT_MARKER_PARAMS p = Params();
  ASSERT_GE(OPLOT_AddLabel(manager_.get(), 100, 0, &p, "User", 4.0, 0.5 * overlay_->tail.scales.plotHigh[0], 6.0,
                           0.2 * overlay_->tail.scales.plotHigh[0]),
            0);
  ASSERT_GE(OPLOT_AddPlotTokenLabel(manager_.get(), overlay_.get(), 2, 6.0, 3, "Token", &p), 0);
  OPLOT_DefineAreas(manager_.get(), overlay_.get(), &sizes_);
  const Drawing d = Record([&](HDC dc) { OPLOT_DrawLabels(manager_.get(), overlay_.get(), dc, 0, 0, 0); });
  EXPECT_NE(d.FindText("User"), nullptr);
  EXPECT_NE(d.FindText("Token"), nullptr);
  OPLOT_DeleteLabelsForPlot(manager_.get(), 2);
  EXPECT_EQ(manager_->GetLabelCount(), 1);
}

TEST(TiledLabelParameters, InitTLP) {
  STRUCT_TLP tlp;
  std::memset(&tlp, 0xAB, sizeof tlp);
  OPLOT_InitTLP(&tlp, 5, 900, -16, 3, 4);
  EXPECT_EQ(+tlp.enabled, 1);
  EXPECT_EQ(+tlp.firstValue, 5u);
  EXPECT_EQ(+tlp.font.lfHeight, -16);
  EXPECT_EQ(+tlp.font.lfEscapement, 900);
  EXPECT_EQ(+tlp.font.lfWeight, 400);
  EXPECT_EQ(tlp.font.lfCharSet, ANSI_CHARSET);
  EXPECT_EQ(+tlp.angle, 900u);
  EXPECT_EQ(+tlp.value5, 3);
  EXPECT_EQ(+tlp.value6, 4);
}
