// Overlays of every kind of data file: filled, zoomed and read at a time.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "holbrin/holbrin.h"
#include "plot_fixture.h"

namespace {

using FileKindsTest = PlotRootTest;

struct KindCase {
  const char* name;
  const char* path;
  std::function<bool(const char*)> write;
  bool detector;
  float scaleFactor;  // set for the file's module when not 1
};

TEST_F(FileKindsTest, EveryKindFillsZoomsAndAnswersValues) {
  const KindCase cases[] = {
      {"centroid MS data", "C:\\Data\\centroid.kms",
       [](const char* p) {
         msfix::RunPlan plan;
         plan.scans = 300;
         return msfix::WriteMsDataFile(p, plan, nullptr);
       },
       false, 1.0f},
      {"profile MS data", "C:\\Data\\profile.kms",
       [](const char* p) {
         msfix::RunPlan plan;
         plan.scans = 120;
         plan.profile = true;
         plan.profileStep = 0.5;
         return msfix::WriteMsDataFile(p, plan, nullptr);
       },
       false, 1.0f},
      {"raw MS file", "C:\\Data\\raw.ms",
       [](const char* p) {
         msfix::RunPlan plan;
         plan.scans = 300;
         return msfix::WriteRawMsFile(p, plan, nullptr);
       },
       false, 1.0f},
      {"detector file", "C:\\Data\\fid.dat",
       [](const char* p) { return msfix::WriteDetectorFile(p, msfix::DetectorPlan{}, nullptr); }, true, 1.0f},
      {"time-tagged detector file", "C:\\Data\\tagged.dat",
       [](const char* p) {
         msfix::DetectorPlan plan;
         plan.timeTagged = true;
         return msfix::WriteDetectorFile(p, plan, nullptr) && SetDataScaleFactor(p, plan.fileType, 2.5f);
       },
       true, 2.5f},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.write(c.path)) << c.name;
    auto o = NewOverlay();
    ASSERT_EQ(c.detector ? AddDetector(o.get(), 4, c.path) : AddTic(o.get(), 4, c.path), 1) << c.name;
    const STRUCT_WORK_FILE* wf = o->slots[4].workFile;
    EXPECT_DOUBLE_EQ(+o->tail.overallStart, wf->startTime) << c.name;
    EXPECT_DOUBLE_EQ(+o->tail.overallEnd, wf->endTime) << c.name;
    const double mid = 0.5 * (wf->startTime + wf->endTime);
    OPLOT_NewUpdateOverlayPlots(o.get(), mid - 1.0, mid + 1.0);
    ASSERT_EQ(+o->tail.inView[4], 1) << c.name;
    EXPECT_DOUBLE_EQ(+o->tail.viewStart, mid - 1.0) << c.name;
    OPLOT_SetVerticalFullScale(o.get(), 1, 1);
    EXPECT_LT(+o->tail.scales.plotLow[4], +o->tail.minInView[4]) << c.name;
    EXPECT_GT(+o->tail.scales.plotHigh[4], +o->tail.maxInView[4]) << c.name;
    // A point's own time gives its value, scaled for time-tagged data.
    const STRUCT_NE_DATA_POINTS* dp = o->slots[4].trace;
    const int32_t k = (o->tail.firstShownIndex[4] + o->tail.lastShownIndex[4]) / 2;
    double t = 0, v = 0;
    ASSERT_EQ(OPLOT_GetInterpolatedValueFromTime(o.get(), 4, +NePointAt(dp->points, k)->time, &t, &v), 1) << c.name;
    EXPECT_DOUBLE_EQ(t, +NePointAt(dp->points, k)->time) << c.name;
    EXPECT_NEAR(v, NePointValue(dp->points, k) * c.scaleFactor, 1e-6 * std::max(1.0, std::fabs(v))) << c.name;
  }
}

}  // namespace
