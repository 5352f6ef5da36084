// Titles, outline, buttons and baselines, read back from a metafile.
#include "plotengine/titles_and_buttons.h"

#include <gtest/gtest.h>

#include <string>

#include "plotengine/plot_coordinates.h"
#include "plotengine/tests/plot_fixture.h"
#include "plotengine/tests/recorded_calls.h"
#include "quorna/quorna.h"

namespace {

class TitlesTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    WriteMsRun();
    o_ = NewOverlay();
  }
  // An ion trace of a mass list text, with no title of its own.
  int32_t AddIons(int16_t slot, const char* ions) {
    STRUCT_MASS_LIST ml{};
    EXPECT_TRUE(ParseMassList(ions, &ml));
    return OPLOT_AddAnyPlotToOverlayStructure(o_.get(), slot, kMsPath, 1, 0, &ml, nullptr, nullptr, nullptr, "Counts",
                                              "", 0, 0);
  }
  int32_t AddUntitledTic(int16_t slot) {
    return OPLOT_AddAnyPlotToOverlayStructure(o_.get(), slot, kMsPath, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                              "Counts", "", 0, 0);
  }
  void Layout(int16_t right = 800, int16_t bottom = 600, bool buttons = false) {
    OPLOT_SetVerticalFullScale(o_.get(), 1, 1);
    OPLOT_InitPlotParams(&p_, 0, 0, bottom, right, 0, 10, 20);
    p_.deleteButtons = p_.maximiseButtons = buttons ? 1 : 0;
    OPLOT_CalculateSizes(o_.get(), &p_, &sz_, 0, -1, -1);
  }
  CallLog Titles(const STRUCT_OPLOT_CALLER_TITLE* ct = nullptr, uint16_t optionA = 0, uint16_t optionB = 0) {
    return RecordCalls([&](HDC dc) { OPLOT_DrawTitles(dc, o_.get(), &sz_, optionA, optionB, ct); });
  }
  static std::vector<std::string> Texts(const CallLog& log) {
    std::vector<std::string> out;
    for (const auto& c : log.Of(EMR_EXTTEXTOUTA)) out.push_back(c.text);
    return out;
  }
  static int32_t Width(const std::string& s) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    SIZE size{};
    GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    return size.cx;
  }

  OverlayPtr o_;
  STRUCT_OPLOT_PLOT_PARAMS p_{};
  STRUCT_OVER_SIZES sz_{};
};

STRUCT_OPLOT_CALLER_TITLE Items(std::initializer_list<int16_t> codes) {
  STRUCT_OPLOT_CALLER_TITLE ct{};
  ct.plotTitlesOn = 1;
  ct.itemCount = static_cast<int16_t>(codes.size());
  int i = 0;
  for (int16_t c : codes) ct.items[i++] = c;
  return ct;
}

TEST_F(TitlesTest, ItemsComposeTheLineOfEachSlot) {
  ASSERT_EQ(AddUntitledTic(0), 1);
  ASSERT_EQ(AddIons(1, "91"), 1);
  ASSERT_EQ(AddIons(2, "91+105"), 1);
  ASSERT_EQ(AddTic(o_.get(), 3, kMsPath), 1);  // its own title "TIC" stands alone
  o_->tail.timeOffsetsOn = 1;
  o_->tail.timeOffsets[1] = 0.5;
  std::strcpy(o_->slots[2].labelText, "Blank");
  o_->slots[0].reference = 1;
  o_->slots[0].versionNumber = 2;
  o_->slots[0].versionCount = 3;
  Layout();
  sz_.processedDrawn[2] = 1;  // drawn with its processed trace only
  const auto all = Titles();
  EXPECT_EQ(Texts(all), (std::vector<std::string>{
                            "REFERENCE TIC C:\\Data\\run.kms Version 2 of 3 Benchtop MS Centroid",
                            "Ion: 91 Merged C:\\Data\\run.kms Benchtop MS Centroid 0.5 min offset",
                            "Blank Ions: 91+105 Merged C:\\Data\\run.kms Benchtop MS Centroid Filtered",
                            "TIC"}));
  // Each line in its slot's colour, right-aligned one character short of the right edge.
  const auto lines = all.Of(EMR_EXTTEXTOUTA);
  EXPECT_EQ(lines[1].textColor, +p_.colors[CHRO_COLOR_PLOT0 + 1]);
  EXPECT_EQ(lines[3].points[0].x, 800 - 10 - Width("TIC"));
  EXPECT_EQ(lines[3].points[0].y, 3 * sz_.plotHeights[0] + 20 / 4);

  const auto ct = Items({1, 6, 7});
  EXPECT_EQ(Texts(Titles(&ct, 1)),
            (std::vector<std::string>{"REFERENCE TIC", "Merged 0.5 min offset", "Blank Merged Filtered", "TIC"}));
  // Option A leaves out the file name and version.
  EXPECT_EQ(Texts(Titles(nullptr, 1))[0], "REFERENCE TIC Benchtop MS Centroid");
  // Left-aligned lines start two characters right of the scale.
  const auto left = Titles(&ct, 1, 1).Of(EMR_EXTTEXTOUTA);
  EXPECT_EQ(left[3].points[0].x, 60 + 20);
}

TEST_F(TitlesTest, NoTitlesWhenTheCallerTitleTurnsBothOff) {
  ASSERT_EQ(AddUntitledTic(0), 1);
  Layout();
  STRUCT_OPLOT_CALLER_TITLE ct{};
  EXPECT_TRUE(Texts(Titles(&ct)).empty());
}

TEST_F(TitlesTest, LongTitlesBreakAtABlankPlusOrMinusOrAreCut) {
  ASSERT_EQ(AddIons(0, "91+105+117+131+145+159"), 1);
  ASSERT_EQ(AddTic(o_.get(), 1, kMsPath), 1);
  std::strcpy(o_->slots[1].title, "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ");
  Layout(240);
  const auto ct = Items({0});
  const auto lines = Titles(&ct).Of(EMR_EXTTEXTOUTA);
  ASSERT_GE(lines.size(), 4u);
  // Room: x start 60 + 20 to 240 - 20; a "+" begins the next line.
  const int32_t limit = 240 - 20;
  EXPECT_EQ(lines[0].points[0].x, 80);
  EXPECT_LE(80 + Width(lines[0].text), limit);
  EXPECT_EQ(lines[0].text.back(), '5');
  EXPECT_EQ(lines[1].text.front(), '+');
  std::string joined;
  size_t i = 0;
  for (; i < lines.size() && lines[i].textColor == +p_.colors[CHRO_COLOR_PLOT0]; ++i) joined += lines[i].text;
  EXPECT_EQ(joined, "Ions: 91+105+117+131+145+159");
  EXPECT_EQ(lines[1].points[0].y, lines[0].points[0].y + 20);
  // No break character: cut where it stops fitting, the rest on the next line.
  std::string cut;
  for (; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].points[0].x + Width(lines[i].text), 240 - 10);
    cut += lines[i].text;
  }
  EXPECT_EQ(cut, "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ");
}

TEST_F(TitlesTest, StripsLowerThanALineShowNoTitle) {
  ASSERT_EQ(AddUntitledTic(0), 1);
  ASSERT_EQ(AddUntitledTic(1), 1);
  Layout(800, 56);  // strips of 8 units: no line fits
  EXPECT_TRUE(Texts(Titles()).empty());
}

TEST_F(TitlesTest, SegmentTitlesOverTheirSpansAbbreviatedToFit) {
  // One scan function a segment: the file's scan-function information names them,
  // and segments of one name share one span.
  msfix::RunPlan plan;
  plan.segments = {{1.0, 1, ""}, {1.0, 1, ""}};
  ASSERT_TRUE(msfix::WriteMsDataFile(kLivePath, plan, &msTruth_));
  ASSERT_EQ(AddTic(o_.get(), 0, kLivePath), 1);
  Layout();
  auto lines = Titles().Of(EMR_EXTTEXTOUTA);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, "Scan 1");
  EXPECT_EQ(lines[1].points[0].x, 60 + 5);  // half a character into the first segment
  EXPECT_EQ(lines[1].points[0].y, lines[0].points[0].y + 20);

  // A segment plot names its segments itself.
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kLivePath, 0);
  ASSERT_NE(wf, nullptr);
  STRUCT_SEG_PLOTS* seg = PLOT_SEG_Init(wf);
  ASSERT_NE(seg, nullptr);
  ASSERT_EQ(seg->count, 2);
  std::strcpy(seg->entries[0].title, "Volatiles");
  std::strcpy(seg->entries[1].title, "Heavy end of the run");
  FreeWorkFileStruct(wf);
  o_->slots[0].segPlots = seg;  // the slot owns it from here
  o_->slots[0].plotKind = 300;
  Layout();
  lines = Titles().Of(EMR_EXTTEXTOUTA);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text.rfind("SEGMENT PLOTS", 0), 0u);
  EXPECT_EQ(lines[1].text, "Volatiles");
  EXPECT_EQ(lines[2].text, "Heavy end of the run");
  int32_t x = 0;
  ASSERT_TRUE(OPLOT_GetXPixelFromTime(msTruth_.segments[1].startTime, o_.get(), &sz_, 0, &x));
  EXPECT_EQ(lines[2].points[0].x, x);
  // Narrow: the long title loses its end to "...", the short one fits.
  Layout(300);
  lines = Titles().Of(EMR_EXTTEXTOUTA);
  ASSERT_GE(lines.size(), 3u);
  const std::string last = lines.back().text;
  EXPECT_EQ(last.substr(last.size() - 3), "...");
  EXPECT_EQ(last.rfind("Heavy", 0), 0u);
  ASSERT_TRUE(OPLOT_GetXPixelFromTime(msTruth_.segments[1].startTime, o_.get(), &sz_, 0, &x));
  EXPECT_LT(Width(last) + 20, 300 - 5 - x);
}

TEST_F(TitlesTest, ButtonsInStripsAndInTheOverlaidRow) {
  ASSERT_EQ(AddTic(o_.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o_.get(), 1, kMsPath), 1);
  Layout(800, 600, true);
  const int32_t x0 = sz_.deleteButtonX, y0 = sz_.buttonY[1];
  ASSERT_EQ(y0, sz_.plotHeights[0] + 5);
  const auto del = RecordCalls([&](HDC dc) { OPLOT_DrawDeleteButtons(dc, o_.get(), &sz_); });
  const auto diagonals = del.Of(EMR_LINETO);
  ASSERT_EQ(diagonals.size(), 4u);
  EXPECT_EQ(diagonals[2].points[0].x, x0);
  EXPECT_EQ(diagonals[2].points[0].y, y0);
  EXPECT_EQ(diagonals[2].points[1].x, x0 + 10);
  EXPECT_EQ(diagonals[2].points[1].y, y0 + 18);
  EXPECT_EQ(diagonals[2].penColor, +p_.colors[CHRO_COLOR_PLOT0 + 1]);
  const auto boxes = del.Of(EMR_POLYLINE);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].points.size(), 5u);

  // Stacked and not maximised: the full box and a box inset by a third.
  auto max = RecordCalls([&](HDC dc) { OPLOT_DrawMaximizeButtons(dc, o_.get(), &sz_); }).Of(EMR_POLYLINE);
  ASSERT_EQ(max.size(), 4u);
  EXPECT_EQ(max[1].points[0].x, sz_.maximiseButtonX + 3);
  EXPECT_EQ(max[1].points[0].y, sz_.buttonY[0] + 18 - 6);
  // The maximised slot shows the restore picture.
  o_->head.maximised = 1;
  o_->head.maximisedSlot = 1;
  max = RecordCalls([&](HDC dc) { OPLOT_DrawMaximizeButtons(dc, o_.get(), &sz_); }).Of(EMR_POLYLINE);
  ASSERT_EQ(max.size(), 4u);
  EXPECT_EQ(max[2].points[0].x, sz_.maximiseButtonX);      // bottom-left box
  EXPECT_EQ(max[2].points[2].x, sz_.maximiseButtonX + 6);
  EXPECT_EQ(max[3].points[1].x, sz_.maximiseButtonX + 10);  // top-right box

  // Overlaid: the buttons follow each slot's first title line.
  o_->head.displayMode = OVERLAY_MODE_OVERLAID;
  Layout(800, 600, true);
  Titles();
  EXPECT_EQ(sz_.buttonY[0], 5);
  EXPECT_EQ(sz_.buttonY[1], 5 + 20);  // under slot 0's title line
}

TEST_F(TitlesTest, OutlineFramesTheDrawing) {
  Layout();
  const auto lines = RecordCalls([&](HDC dc) { OPLOT_DrawOutline(dc, &sz_); }).Of(EMR_LINETO);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].points[0].x, 0);
  EXPECT_EQ(lines[0].points[0].y, 600);
  EXPECT_EQ(lines[0].points[1].y, 0);
  EXPECT_EQ(lines[2].points[1].x, 800);
  EXPECT_EQ(lines[3].points[1].x, 0);
  EXPECT_EQ(lines[3].points[1].y, 600);
}

TEST_F(TitlesTest, BaselinesClippedToTheArea) {
  ASSERT_EQ(AddTic(o_.get(), 0, kMsPath), 1);
  o_->head.displayMode = OVERLAY_MODE_OVERLAID;
  OPLOT_UpdateOverlayPlots(o_.get(), 4.0, 8.0);
  Layout();
  o_->tail.scales.commonLow = 0;
  o_->tail.scales.commonHigh = 1000;
  OPLOT_CalculateSizes(o_.get(), &p_, &sz_, 0, -1, -1);
  int32_t left, bottom, right, top;
  ASSERT_TRUE(OPLOT_GetChromatogramArea(o_.get(), &sz_, 0, &left, &bottom, &right, &top));
  // A peak inside the window, and one starting before it.
  STRUCT_OPLOT_BASELINE_RESULT r[2] = {
      {5.0f, 100.0f, 6.0f, 200.0f, 5.0f, 150.0f, 6.0f, 250.0f, 0, {0, 0}},
      {3.0f, 0.0f, 5.0f, 400.0f, 3.0f, 50.0f, 5.0f, 450.0f, 0, {0, 0}},
  };
  const auto lines =
      RecordCalls([&](HDC dc) { OPLOT_DrawBaselineResults(dc, o_.get(), &sz_, 2, r); }).Of(EMR_LINETO);
  const double xf = sz_.xFactor, yf = sz_.yFactor;
  auto X = [&](double t) { return static_cast<int32_t>(left + (t - 4.0) * xf); };
  auto Y = [&](double v) { return static_cast<int32_t>(bottom - v * yf); };
  ASSERT_EQ(lines.size(), 3u + 2u);
  // Drop line at the peak start, the baseline, drop line at the peak end.
  EXPECT_EQ(lines[0].points[0].x, X(5.0));
  EXPECT_EQ(lines[0].points[0].y, Y(150));
  EXPECT_EQ(lines[0].points[1].y, Y(100));
  EXPECT_EQ(lines[1].points[1].x, X(6.0));
  EXPECT_EQ(lines[1].points[1].y, Y(200));
  EXPECT_EQ(lines[2].points[1].y, Y(250));
  EXPECT_EQ(lines[2].penColor, +p_.colors[CHRO_COLOR_BASELINES]);
  // The second starts on the left edge at the baseline's value at 4.0 (200), with no drop line there.
  EXPECT_EQ(lines[3].points[0].x, left);
  EXPECT_EQ(lines[3].points[0].y, Y(200));
  EXPECT_EQ(lines[3].points[1].y, Y(400));
  EXPECT_EQ(lines[4].points[1].y, Y(450));
}

}  // namespace
