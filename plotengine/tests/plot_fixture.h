#pragma once
// Overlays of fixture runs in a temporary workstation root.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "testing/workstation_root.h"

struct OverlayDeleter {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};
using OverlayPtr = std::unique_ptr<SVW_OVERLAY, OverlayDeleter>;

inline OverlayPtr NewOverlay() { return OverlayPtr(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)))); }

constexpr char kMsPath[] = "C:\\Data\\run.kms";
constexpr char kDetPath[] = "C:\\Data\\det.dat";
constexpr char kLivePath[] = "C:\\Data\\live.kms";

class PlotRootTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
  }
  // A two-segment centroid run, 2..12 minutes, 600 scans.
  void WriteMsRun(const char* path = kMsPath, uint32_t scans = 600) {
    msfix::RunPlan plan;
    plan.scans = scans;
    ASSERT_TRUE(msfix::WriteMsDataFile(path, plan, &msTruth_));
  }
  // Two channels, 0.5..10.5 minutes, 2000 points.
  void WriteDetector(const char* path = kDetPath) {
    msfix::DetectorPlan plan;
    ASSERT_TRUE(msfix::WriteDetectorFile(path, plan, &detTruth_));
  }
  // Adds the TIC of a file to a slot.
  static int32_t AddTic(SVW_OVERLAY* o, int16_t slot, const char* path, double start = 0, double end = 0,
                        const char* units = "Counts") {
    return OPLOT_AddPlotToOverlayStructure(o, slot, path, DATA_TYPE_TIC, nullptr, nullptr, units, "TIC", start, end);
  }
  static int32_t AddDetector(SVW_OVERLAY* o, int16_t slot, const char* path, double start = 0, double end = 0) {
    return OPLOT_AddAnyPlotToOverlayStructure(o, slot, path, DATA_TYPE_DETECTOR, 0, nullptr, nullptr, nullptr, nullptr,
                                              "mV", "FID", start, end);
  }

  msfix::RunTruth msTruth_;
  msfix::DetectorTruth detTruth_;
};

// Times of a trace's points.
inline std::vector<double> TraceTimes(const STRUCT_NE_DATA_POINTS* dp) {
  std::vector<double> t;
  for (uint32_t i = 0; i < dp->pointCount; ++i) t.push_back(+NePointAt(dp->points, i)->time);
  return t;
}
