// The linearity report: its arithmetic against worked numbers, the ions it
// proposes and the baseline it takes off on a generated run, and the page
// a report of the control makes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/mass_lists.h"
#include "control_fixture.h"
#include "dialogs/linearity_params_dialog.h"
#include "fixtures/msfixtures.h"
#include "overlayctl/overlay_linearity.h"
#include "reportpages/reports_file.h"
#include "reportpages/tests/page_records.h"
#include "testing/golden_png.h"
#include "win/win_gdi.h"

namespace {

namespace lin = kelt::linearity;

// A point block of times and values, whole numbers or not.
struct Block {
  std::vector<uint8_t> bytes;
  STRUCT_NE_POINT_BLOCK* get() { return reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(bytes.data()); }
};
Block MakeBlock(const std::vector<double>& times, const std::vector<double>& values, bool whole) {
  Block b;
  b.bytes.assign(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * times.size(), 0);
  b.get()->isDouble = whole ? 0 : 1;
  for (size_t i = 0; i < times.size(); ++i) {
    STRUCT_NE_POINT* p = NePointAt(b.get(), static_cast<uint32_t>(i));
    p->time = times[i];
    if (whole)
      p->value.i = static_cast<int64_t>(values[i]);
    else
      p->value.d = values[i];
  }
  return b;
}

// Five points on a line from (1.0, 101) to (1.4, 142) with a peak in the
// middle, one point before and one after the range: the line's values
// inside are 111.25, 121.5 and 131.75.
TEST(LinearityArithmetic, TheStraightBaselineIsTakenOffTheRangeOnly) {
  const std::vector<double> times = {0.9, 1.0, 1.1, 1.2, 1.3, 1.4, 1.5};
  const std::vector<double> values = {77, 101, 250, 407, 262, 142, 160};
  for (bool whole : {true, false}) {
    SCOPED_TRACE(whole ? "whole numbers" : "doubles");
    Block b = MakeBlock(times, values, whole);
    uint32_t first = 0, n = 0;
    ASSERT_TRUE(lin::PointsInRange(b.get(), 7, 0.95, 1.45, &first, &n));
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(n, 5u);
    lin::SubtractStraightBaseline(b.get(), first, n);
    // Whole-number points lose the line's value cut to a whole number.
    const std::vector<double> expected =
        whole ? std::vector<double>{77, 0, 139, 286, 131, 0, 160}
              : std::vector<double>{77, 0, 138.75, 285.5, 130.25, 0, 160};
    for (uint32_t i = 0; i < 7; ++i) EXPECT_NEAR(NePointValue(b.get(), i), expected[i], 1e-9) << i;
  }
  // One point: the line is level at its value.
  Block one = MakeBlock({2.0}, {55.5}, false);
  lin::SubtractStraightBaseline(one.get(), 0, 1);
  EXPECT_EQ(NePointValue(one.get(), 0), 0.0);
  uint32_t first = 9, n = 9;
  EXPECT_FALSE(lin::PointsInRange(one.get(), 1, 3.0, 4.0, &first, &n));
  EXPECT_EQ(n, 0u);
}

TEST(LinearityArithmetic, TheApexIsTheFirstGreatestValueInTheRange) {
  Block b = MakeBlock({1.0, 1.1, 1.2, 1.3, 1.4}, {900, 30, 70, 70, 12}, false);
  uint32_t apex = 99;
  ASSERT_TRUE(lin::FindApex(b.get(), 5, 1.05, 1.45, &apex));
  EXPECT_EQ(apex, 2u);
  EXPECT_FALSE(lin::FindApex(b.get(), 5, 1.45, 2.0, &apex));
}

TEST(LinearityArithmetic, AxesArePaddedWithTheirLeastMargin) {
  struct Case {
    std::vector<double> values;
    bool targets, ms;
    double low, high;
  } cases[] = {
      {{0, 139, 286, 131, 0}, false, true, -14.3, 300.3},
      {{0, 139, 286, 131, 0}, true, true, -35.75, 321.75},
      {{7, 7, 7}, false, true, 4.5, 9.5},  // a flat MS trace: at least 2.5 counts
      {{7, 7, 7}, true, false, 7 - 5e-8, 7 + 5e-8},
      {{1e-7, 2e-7}, false, false, 1e-7 - 5e-8, 2e-7 + 5e-8},
      {{-40, 60}, false, false, -45, 65},
  };
  for (const Case& k : cases) {
    double low = 0, high = 0, least = 0, greatest = 0;
    lin::AxisRange(k.values.data(), static_cast<uint32_t>(k.values.size()), k.targets, k.ms, &low, &high, &least,
                   &greatest);
    EXPECT_NEAR(low, k.low, 1e-12);
    EXPECT_NEAR(high, k.high, 1e-12);
    EXPECT_EQ(least, *std::min_element(k.values.begin(), k.values.end()));
    EXPECT_EQ(greatest, *std::max_element(k.values.begin(), k.values.end()));
  }
}

TEST(LinearityArithmetic, PointsAndTargetLinesLandInTheBox) {
  const lin::Box box{2000, 10000, 12000, 20000};
  const lin::Ranges r{0, 100, 0, 50};
  int32_t x = 0, y = 0;
  lin::MapPoint(box, r, 50, 25, &x, &y);
  EXPECT_EQ(x, 7000);
  EXPECT_EQ(y, 15000);
  lin::MapPoint(box, r, 33.3333, 0.00049, &x, &y);  // cut towards the box's lower left corner
  EXPECT_EQ(x, 5333);
  EXPECT_EQ(y, 20000);

  // Ratio 1 over a corrected trace (least values 0): the diagonal from the
  // lower-left data corner to (greatest, greatest).
  const lin::Ranges square{-10, 110, -10, 110};
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ASSERT_TRUE(lin::TargetLine(box, square, 0, 100, 1.0, &x1, &y1, &x2, &y2));
  int32_t ex = 0, ey = 0;
  lin::MapPoint(box, square, 0, 0, &ex, &ey);
  EXPECT_EQ(x1, ex);
  EXPECT_EQ(y1, ey);
  lin::MapPoint(box, square, 100, 100, &ex, &ey);
  EXPECT_EQ(x2, ex);
  EXPECT_EQ(y2, ey);

  // Least values above 0: the line still has the ratio for its slope
  // (v = 2h), and stops where it leaves the vertical range (h = 55).
  const lin::Ranges raised{40, 110, 0, 110};
  ASSERT_TRUE(lin::TargetLine(box, raised, 50, 100, 2.0, &x1, &y1, &x2, &y2));
  lin::MapPoint(box, raised, 50, 100, &ex, &ey);
  EXPECT_EQ(x1, ex);
  EXPECT_EQ(y1, ey);
  lin::MapPoint(box, raised, 55, 110, &ex, &ey);
  EXPECT_EQ(x2, ex);
  EXPECT_EQ(y2, ey);
  // A line wholly above the plot is not drawn.
  EXPECT_FALSE(lin::TargetLine(box, raised, 60, 100, 5.0, &x1, &y1, &x2, &y2));
}

// A run with a compound of off-grid masses, its two strongest ions 0.27 and
// 0.18 of the total and a third close behind, riding on the tail of a broad
// compound that gives both ions a sloping baseline of their own.
constexpr double kVertical = 121.9634, kHorizontal = 135.0412, kApex = 6.0;
msfix::RunPlan LinearityPlan() {
  msfix::RunPlan plan;
  plan.seed = 5;
  plan.compounds = 3;
  plan.segments = {{1.0, 1, ""}};
  plan.adjustCompounds = [](std::vector<msfix::CompoundTruth>& c) {
    c.resize(2);
    c[0].name = "Linear";
    c[0].retentionTime = kApex;
    c[0].height = 2e5;
    c[0].sigma = 0.04;
    c[0].tau = 0;
    c[0].spectrum = {{55.0542, 0.06}, {65.0391, 0.06}, {77.0391, 0.09}, {91.0547, 0.12}, {kVertical, 0.27},
                     {122.9667, 0.025}, {kHorizontal, 0.18}, {136.0445, 0.02}, {150.0681, 0.16},
                     {151.0712, 0.015}};
    c[0].baseMass = kVertical;
    c[1].name = "Broad";
    c[1].retentionTime = 7.2;
    c[1].height = 1e5;
    c[1].sigma = 1.0;
    c[1].tau = 0;
    c[1].spectrum = {{kVertical, 0.5}, {kHorizontal, 0.2}, {200.1187, 0.3}};
    c[1].baseMass = kVertical;
  };
  return plan;
}

class LinearityRunTest : public OPlotTest {
 protected:
  void SetUp() override {
    OPlotTest::SetUp();
    CreateDirectoryA("C:\\Data", nullptr);
    ASSERT_TRUE(msfix::WriteMsDataFile(kPath, LinearityPlan(), &truth_));
    wf_ = MakeWorkFileStruct(kPath, 0);
    ASSERT_NE(wf_, nullptr);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    OPlotTest::TearDown();
  }
  // The true ion count at t: every compound's share of the mass.
  double TrueIon(double mass, double t) const {
    double v = 0;
    for (const auto& c : truth_.compounds) v += c.IonAt(mass, t);
    return v;
  }
  static constexpr const char* kPath = "C:\\Data\\linear.kms";
  msfix::RunTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(LinearityRunTest, TheApexSpectrumProposesItsTwoStrongestMasses) {
  STRUCT_CHAN_LIST chan{};
  STRUCT_NE_DATA_POINTS* tic = MakeDataPointsStruct(wf_, 5.8, 6.2, OVERLAY_MAX_POINTS, DATA_TYPE_TIC, 0, &chan, nullptr);
  ASSERT_NE(tic, nullptr);
  uint32_t apex = 0;
  ASSERT_TRUE(lin::FindApex(tic->points, tic->pointCount, 5.85, 6.15, &apex));
  const double apexTime = NePointAt(tic->points, apex)->time;
  EXPECT_NEAR(apexTime, kApex, 0.02);
  const lin::Proposal p = lin::ProposeIons(wf_, &chan, apexTime);
  EXPECT_EQ(p.found, 1);
  EXPECT_NEAR(p.vertical, kVertical, 0.01);
  EXPECT_NEAR(p.horizontal, kHorizontal, 0.01);
  FreeDataPointsStruct(tic);
  // Before the run there is no spectrum: the defaults stay.
  const lin::Proposal none = lin::ProposeIons(wf_, &chan, 1.0);
  EXPECT_EQ(none.found, 0);
  EXPECT_EQ(none.vertical, 122.0);
  EXPECT_EQ(none.horizontal, 124.0);
}

// Corrected, both ions follow the compound alone (within the noise), and
// their ratio at the apex is the ratio of its shares, 1.5; uncorrected, the
// broad compound's tail puts them far off.
TEST_F(LinearityRunTest, TheCorrectedIonsGrowInTheCompoundsRatio) {
  const double start = 5.85, end = 6.15;
  STRUCT_CHAN_LIST chan{};
  std::vector<double> corrected[2], raw[2], times;
  const double masses[2] = {kVertical, kHorizontal};
  uint32_t n = 0;
  for (int k = 0; k < 2; ++k) {
    const STRUCT_MASS_LIST ml = lin::OneIonList(masses[k]);
    STRUCT_NE_DATA_POINTS* dp =
        MakeDataPointsStruct(wf_, start, end, OVERLAY_MAX_POINTS, DATA_TYPE_MASS_LIST, 0, &chan, &ml);
    ASSERT_NE(dp, nullptr);
    uint32_t first = 0;
    ASSERT_TRUE(lin::PointsInRange(dp->points, dp->pointCount, start, end, &first, &n));
    ASSERT_GT(n, 15u);
    for (uint32_t i = 0; i < n; ++i) raw[k].push_back(NePointValue(dp->points, first + i));
    lin::SubtractStraightBaseline(dp->points, first, n);
    for (uint32_t i = 0; i < n; ++i) {
      corrected[k].push_back(NePointValue(dp->points, first + i));
      const double t = NePointAt(dp->points, first + i)->time;
      if (k == 0) times.push_back(t);
    }
    FreeDataPointsStruct(dp);
  }
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(masses[k]);
    EXPECT_EQ(corrected[k].front(), 0);
    EXPECT_EQ(corrected[k].back(), 0);
    // The true counts less the straight line through the true ends.
    const double t0 = times.front(), t1 = times.back();
    const double v0 = TrueIon(masses[k], t0), v1 = TrueIon(masses[k], t1);
    for (uint32_t i = 0; i < n; ++i) {
      const double line = v0 + (v1 - v0) * (times[i] - t0) / (t1 - t0);
      const double expected = TrueIon(masses[k], times[i]) - line;
      EXPECT_NEAR(corrected[k][i], expected, 400 + 0.01 * std::fabs(expected)) << times[i];
    }
  }
  const size_t at = static_cast<size_t>(
      std::max_element(corrected[0].begin(), corrected[0].end()) - corrected[0].begin());
  EXPECT_NEAR(corrected[0][at] / corrected[1][at], 0.27 / 0.18, 0.03);
  EXPECT_GT(std::fabs(raw[0][at] / raw[1][at] - 1.5), 0.1);
}

// The control's report, driven as the end of a linearity drag calls it.
class LinearityReportTest : public LinearityRunTest {
 protected:
  void SetUp() override {
    LinearityRunTest::SetUp();
    {
      CRptsFileHandler file(nullptr);
      ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
    }
    STRUCT_REPORT_PREFS prefs{};
    KELT_GetCurrDefReportPrefs(&prefs);
    std::strcpy(prefs.spooler.spoolFile, kReports);
    prefs.spooler.previewReports = 0;
    prefs.spooler.orientation = 1;
    prefs.chroReport.flag0 = 1;
    ASSERT_TRUE(KELT_WriteDefReportPrefs(&prefs, nullptr));
    shown_ = ShowPlots(0, 800, 500, [&](SVW_OVERLAY* o) {
      STRUCT_CHAN_LIST chan{};
      ASSERT_TRUE(OPLOT_AddPlotToOverlayStructure(o, 0, kPath, DATA_TYPE_TIC, nullptr, &chan, "Counts", "TIC",
                                                  0, 0));
    });
    ASSERT_NE(shown_.c, nullptr);
    ASSERT_TRUE(shown_.c->m_bSizesValid);
  }
  // Sets the dragged range and runs the report; the dialog sees the script.
  void Report(double start, double end, const win::script::DialogScript& script) {
    shown_.c->m_lineStart = start;
    shown_.c->m_lineEnd = end;
    shown_.c->m_lineSlot = 0;
    win::script::ResetLogs();
    if (script) win::script::OnNextDialog(script);
    shown_.c->MakeLinearityReport();
    win::script::PumpUntilIdle();
  }
  int Pages() const {
    CRptsFileHandler file(nullptr);
    return file.UseThisExistingFile(kReports) ? file.GetCountOfPages() : -1;
  }
  // The page's title and metafile bits.
  std::vector<uint8_t> Page(int index, RptsPageRecord* record) const {
    CRptsFileHandler file(nullptr);
    if (!file.UseThisExistingFile(kReports)) return {};
    uint32_t size = 0;
    void* bits = file.GetPage(index, record, &size);
    if (!bits) return {};
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + size);
    FreeBlock(bits);
    return bytes;
  }
  static constexpr const char* kReports = "C:\\TEMP\\linearity.msr";
  Shown shown_{};
};

TEST_F(LinearityReportTest, TheFirstReportProposesTheApexIonsAndLaterOnesKeepTheUsersChoice) {
  std::vector<std::string> fields;
  Report(5.85, 6.15, [&](HWND d) {
    fields = {win::script::GetField(d, LIN_VERTICAL_IONS_ID), win::script::GetField(d, LIN_HORIZONTAL_IONS_ID)};
    win::script::SetField(d, LIN_HORIZONTAL_IONS_ID, "150.07");
    win::script::SetCheck(d, LIN_TARGETS_ID, false);
    win::script::PressButton(d, IDOK);
  });
  // The file shows whole masses; the list keeps the apex spectrum's.
  EXPECT_EQ(fields, (std::vector<std::string>{"122", "135"}));
  EXPECT_NEAR(shown_.c->m_LinVerticalIons.ranges[0].low, kVertical, 0.01);
  EXPECT_DOUBLE_EQ(shown_.c->m_LinHorizontalIons.ranges[0].low, 150.07);
  EXPECT_EQ(shown_.c->m_bLinearityFirstUse, 0);
  EXPECT_EQ(shown_.c->m_bLinTargetRatios, 0);
  EXPECT_EQ(Pages(), 1);
  EXPECT_EQ(shown_.c->m_printJobOpen, 0);
  EXPECT_EQ(shown_.c->m_busy, 0);

  // Another range: the user's ions come back, not the new apex's.
  Report(5.9, 6.1, [&](HWND d) {
    fields = {win::script::GetField(d, LIN_VERTICAL_IONS_ID), win::script::GetField(d, LIN_HORIZONTAL_IONS_ID)};
    EXPECT_FALSE(win::script::IsChecked(d, LIN_TARGETS_ID));
    win::script::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(fields, (std::vector<std::string>{"122", "150"}));
  EXPECT_DOUBLE_EQ(shown_.c->m_LinHorizontalIons.ranges[0].low, 150.07);
  // Cancel makes no page.
  EXPECT_EQ(Pages(), 1);
}

TEST_F(LinearityReportTest, ARangeOutsideTheDataMakesNothing) {
  for (auto range : {std::pair<double, double>{1.5, 6.0}, {6.0, 12.5}}) {
    Report(range.first, range.second, nullptr);
    EXPECT_TRUE(win::script::DialogLog().empty());
    EXPECT_EQ(Pages(), 0);
    EXPECT_EQ(shown_.c->m_bLinearityFirstUse, 1);
  }
}

// A named reports file that cannot be used asks; Cancel ends the report
// with no page and nothing of it left behind.
TEST_F(LinearityReportTest, NoReportsFileMakesNoPage) {
  WriteHostFile("c/TEMP/linearity.msr", "not a reports file");
  win::script::AnswerNextMessageBox(IDCANCEL);
  Report(5.85, 6.15, [&](HWND d) { win::script::PressButton(d, IDOK); });
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_EQ(win::script::MessageBoxLog()[0].text, "Do you want to create a new reports file?");
  EXPECT_EQ(win::script::MessageBoxLog()[0].caption, "No spooler file selected.");
  EXPECT_EQ(ReadHostFile("c/TEMP/linearity.msr"), "not a reports file");
  EXPECT_EQ(shown_.c->m_printJobOpen, 0);
  // The choices made in the dialog are kept all the same.
  EXPECT_EQ(shown_.c->m_bLinearityFirstUse, 0);
}

TEST_F(LinearityReportTest, ThePageHoldsTheHeaderTheTracesAndTheRatioPlot) {
  Report(5.85, 6.15, [&](HWND d) {
    win::script::SetField(d, LIN_RATIO1_ID, "1");
    win::script::PressButton(d, IDOK);
  });
  ASSERT_EQ(Pages(), 1);
  RptsPageRecord record{};
  const std::vector<uint8_t> bits = Page(0, &record);
  ASSERT_FALSE(bits.empty());
  EXPECT_STREQ(record.title, "Linearity Report");
  const Played played = Play(bits.data(), bits.size());
  std::vector<std::string> texts;
  for (const Text& t : played.texts) texts.push_back(t.text);
  auto has = [&](const std::string& s) { return std::find(texts.begin(), texts.end(), s) != texts.end(); };
  EXPECT_TRUE(has("Linearity Report"));
  EXPECT_TRUE(has("Linear Plot Time Range: 5.850 to 6.150 minutes,  Baseline Correction:  Yes"));
  EXPECT_TRUE(has("Target Ratio 1:  1.000,  Target Ratio 2:  1.500"));
  EXPECT_TRUE(has("Vertical Ions:  122,  Horizontal Ions:  135"));
  EXPECT_TRUE(has("File: c:\\data\\linear.kms"));
  EXPECT_TRUE(has("Sample: Test mix 1                        "));
  // The ratio lines end at the greatest horizontal value, h x 1 and h x 1.5.
  bool ratios = false;
  for (const std::string& t : texts) {
    double h1 = 0, v1 = 0, h2 = 0, v2 = 0;
    if (std::sscanf(t.c_str(), "Target Ratio 1: ( %lf, %lf ),  Target Ratio 2: ( %lf, %lf )", &h1, &v1, &h2,
                    &v2) == 4) {
      ratios = true;
      EXPECT_EQ(h1, v1);
      EXPECT_EQ(h1, h2);
      EXPECT_NEAR(v2, 1.5 * h2, 0.5);
      // The compound's horizontal ion at its apex, corrected: about 0.18 of its height.
      EXPECT_NEAR(h1, 0.18 * 2e5, 0.06 * 0.18 * 2e5);
    }
  }
  EXPECT_TRUE(ratios);

  // The page as the viewer shows it.
  HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(bits.size()), bits.data());
  ASSERT_NE(emf, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 850, 1100);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT all{0, 0, 850, 1100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ASSERT_TRUE(PlayEnhMetaFile(dc, emf, &all));
  const std::string png = Host("c/TEMP/linearity.png");
  ASSERT_TRUE(win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\linearity.png"));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  DeleteEnhMetaFile(emf);
  testing_support::ExpectPngAsStored(ReadHostPath(png), OVERLAYCTL_GOLDEN_DIR, "linearity-page");
}

}  // namespace
