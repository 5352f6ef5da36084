// Labels of every kind over one area, as a picture kept byte for byte:
// plotengine/tests/golden/plot_labels.png (KELT_UPDATE_GOLDEN writes it anew).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/framework_gdi.h"
#include "orvik32/orvik32.h"
#include "golden_png.h"
#include "plot_fixture.h"
#include "plotengine/label_manager.h"
#include "plotengine/tile_texts.h"
#include "testing/raster.h"

namespace {

using LabelsPictureTest = PlotRootTest;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

STRUCT_MARKER_PARAMS Params(int16_t pointerMode, int32_t angle = 0, int16_t transparent = 1) {
  STRUCT_MARKER_PARAMS p{};
  p.transparent = transparent;
  p.backColor = RGB(255, 255, 210);
  p.screenColor = RGB(0, 0, 180);
  p.font.lfHeight = -13;
  std::strcpy(p.font.lfFaceName, "Arial");
  p.angle = angle;
  p.positionMode = 1;
  p.pointerMode = pointerMode;
  return p;
}

// A peak 0..10 min, 0..1000, apex at 5 min.
double Peak(double t) { return 80 + 800 * std::exp(-(t - 5.0) * (t - 5.0) / 0.5) + 7 * std::sin(13 * t); }

}  // namespace

TEST_F(LabelsPictureTest, LabelsOfEveryKind) {
  testing_support::Raster raster(520, 400);
  HDC hdc = raster.dc;
  CDC* dc = CDC::FromHandle(hdc);

  const int left = 40, top = 40, width = 440, height = 320;
  // The trace.
  std::vector<POINT> trace;
  for (int i = 0; i <= 400; ++i) {
    const double t = i * 10.0 / 400;
    trace.push_back({left + static_cast<int>(t * width / 10), top + height - static_cast<int>(Peak(t) * height / 1000)});
  }
  Rectangle(hdc, left, top, left + width + 1, top + height + 1);
  Polyline(hdc, trace.data(), static_cast<int>(trace.size()));
  MoveToEx(hdc, 0, 0, nullptr);

  CLabelManager manager(nullptr);
  manager.EmptyAreas(0, 0, 0);
  manager.AddArea(100, left, top, width, height, 0.0, 10.0, 0.0, 1000.0);
  manager.AddArea(140, 0, 0, 520, 400, 0, 0, 0, 0);

  // A value label with its peak box and drop line.
  auto* value = new CLabelInfo;
  STRUCT_MARKER_PARAMS vp = Params(1);
  vp.peakBoxStyle = 1;
  value->SetTextLabel(const_cast<char*>("880.0"), &vp, 0);
  value->SetTextLabelPosition(LABEL_TYPE_VALUE, 5.0, Peak(5.0), 5.0, Peak(5.0));
  auto* mark = static_cast<STRUCT_LAB_MARK*>(AllocBlock(sizeof(STRUCT_LAB_MARK)));
  *mark = {4.2, 5.8, 60.0, 900.0, 4.2, Peak(4.2), 5.0, Peak(5.0), 80.0};
  value->m_mark = mark;
  ASSERT_GE(manager.AddLabel(value, 100, 0, 0), 0);

  // An area label filling under the trace between 7 and 8.5 minutes.
  auto* area = new CLabelInfo;
  STRUCT_MARKER_PARAMS ap = Params(0);
  area->SetTextLabel(const_cast<char*>("Area 1234"), &ap, 0);
  area->SetTextLabelPosition(LABEL_TYPE_AREA, 7.75, 300.0, 0, 0);
  auto* rec = static_cast<STRUCT_LAB_AREA*>(AllocBlock(sizeof(STRUCT_LAB_AREA)));
  rec->pointCount = 32;
  rec->points = static_cast<STRUCT_NE_POINT*>(AllocBlock(sizeof(STRUCT_NE_POINT) * 32));
  rec->valuesAreDouble = 1;
  rec->fillColor = RGB(150, 220, 150);
  for (int i = 0; i < 30; ++i) {
    rec->points[i].time = 7.0 + 1.5 * i / 29;
    rec->points[i].value.d = Peak(rec->points[i].time) + 150 * std::sin(3.14159 * i / 29);
  }
  rec->points[30].time = 8.5;
  rec->points[30].value.d = 0;
  rec->points[31].time = 7.0;
  rec->points[31].value.d = 0;
  area->m_mark = rec;
  ASSERT_GE(manager.AddLabel(area, 100, 0, 0), 0);

  // A user label with a pointer, filled, and a turned one.
  auto* user = new CLabelInfo;
  STRUCT_MARKER_PARAMS up = Params(1, 0, 0);
  user->SetTextLabel(const_cast<char*>("Solvent\r\nfront"), &up, 1);
  user->SetTextLabelPosition(LABEL_TYPE_USER, 0.8, 700.0, 2.0, Peak(2.0));
  ASSERT_GE(manager.AddLabel(user, 100, 0, 0), 0);
  auto* turned = new CLabelInfo;
  STRUCT_MARKER_PARAMS tp = Params(0, 900);
  turned->SetTextLabel(const_cast<char*>("Turned"), &tp, 1);
  turned->SetTextLabelPosition(LABEL_TYPE_USER, 9.0, 300.0, 0, 0);
  ASSERT_GE(manager.AddLabel(turned, 100, 0, 0), 0);

  manager.AdjustLabels();
  short shown[1] = {1};
  manager.DrawNoTokenLabels(dc, 0, 1, shown, 0, 0, 0, 0, nullptr);
  for (short type : {LABEL_TYPE_VALUE, LABEL_TYPE_TOKEN, LABEL_TYPE_AREA, LABEL_TYPE_HORIZONTAL})
    manager.DrawTokenLabels(dc, 0, 0, type, 0, 0, 0, 0, nullptr, nullptr);

  ASSERT_TRUE(win::gdi::SaveBitmapPng(hdc, "C:\\TEMP\\plot_labels.png"));
  const std::string drawn = ReadBytes(Host("c/TEMP/plot_labels.png"));
  ASSERT_FALSE(drawn.empty());
  CheckGoldenPng(drawn, "plot_labels");
}

TEST_F(LabelsPictureTest, TiledTexts) {
  testing_support::Raster raster(520, 400);
  HDC hdc = raster.dc;
  const int left = 40, top = 40, width = 440, height = 320;
  Rectangle(hdc, left, top, left + width + 1, top + height + 1);
  std::vector<POINT> trace;
  for (int i = 0; i <= 400; ++i) {
    const double t = i * 10.0 / 400;
    trace.push_back({left + static_cast<int>(t * width / 10), top + height - static_cast<int>(Peak(t) * height / 1000)});
  }
  Polyline(hdc, trace.data(), static_cast<int>(trace.size()));

  CTileTextOnPlot holder;
  ASSERT_EQ(holder.InitHolder(), 1);
  STRUCT_TILE_DRAW d{};
  d.color = RGB(180, 0, 0);
  d.transparent = 1;
  d.font.lfHeight = -12;
  std::strcpy(d.font.lfFaceName, "Arial");
  const struct {
    double t, rank;
    const char* text;
    int16_t style;
    int32_t rotation;
  } texts[] = {{5.0, 3, "Toluene\n5.000 min", 0, 0}, {5.0, 2, "ID: 2", 0, 0},    {5.0, 1, "Hidden", 0, 0},
               {2.0, -1, "2.000 min", 1, 900},       {8.0, -1, "Tick", 2, 0},      {8.1, -1, "8.100 min", 0, 450}};
  for (const auto& x : texts) {
    d.markStyle = x.style;
    d.tick = x.style == 2;
    d.rotation = x.rotation;
    ASSERT_EQ(holder.AddTileLabelToHolder(x.t, Peak(x.t), x.rank, &d, const_cast<char*>(x.text)), 1);
  }
  holder.DrawTileLabels(CDC::FromHandle(hdc), 0, nullptr, 0.0, 10.0, 0.0, 1000.0, width / 10.0, height / 1000.0, left,
                        left + width, top, top + height);

  ASSERT_TRUE(win::gdi::SaveBitmapPng(hdc, "C:\\TEMP\\tiled_texts.png"));
  const std::string drawn = ReadBytes(Host("c/TEMP/tiled_texts.png"));
  ASSERT_FALSE(drawn.empty());
  CheckGoldenPng(drawn, "tiled_texts");
}
