#pragma once
// Test support for the noise measurements: hand-made traces, generated runs,
// the load-time window widths, and least squares and RMS worked out
// independently (centred sums in long double).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/library_state.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_profile.h"

namespace noisetest {

// A trace held in vectors: points at the given times and values.
struct HandTrace {
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> filteredBytes;
  STRUCT_NE_DATA_POINTS dp{};

  HandTrace(STRUCT_WORK_FILE* wf, const std::vector<double>& t, const std::vector<double>& v, bool integer) {
    bytes = Block(t, v, integer);
    dp.workFile = wf;
    dp.dataType = DATA_TYPE_TIC;
    dp.pointCount = static_cast<uint32_t>(t.size());
    dp.points = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(bytes.data());
    dp.startTime = t.empty() ? 0 : t.front();
    dp.endTime = t.empty() ? 0 : t.back();
  }
  HandTrace(const HandTrace&) = delete;
  void SetFiltered(const std::vector<double>& t, const std::vector<double>& v) {
    filteredBytes = Block(t, v, false);
    dp.filtered = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(filteredBytes.data());
    dp.filteredCount = static_cast<uint32_t>(t.size());
  }
  static std::vector<uint8_t> Block(const std::vector<double>& t, const std::vector<double>& v, bool integer) {
    std::vector<uint8_t> b(NE_POINT_BLOCK_HEAD + NE_POINT_SIZE * t.size());
    auto* head = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(b.data());
    head->isDouble = integer ? 0 : 1;
    for (size_t i = 0; i < t.size(); ++i) {
      STRUCT_NE_POINT* p = NePointAt(head, static_cast<uint32_t>(i));
      p->time = t[i];
      if (integer)
        p->value.i = static_cast<int64_t>(std::llround(v[i]));
      else
        p->value.d = v[i];
    }
    return b;
  }
};

// Times and values of a trace's raw block.
inline void Unpack(const STRUCT_NE_DATA_POINTS* dp, std::vector<double>* t, std::vector<double>* v) {
  t->clear();
  v->clear();
  for (uint32_t i = 0; i < dp->pointCount; ++i) {
    const double time = NePointAt(dp->points, i)->time, value = NePointValue(dp->points, i);
    t->push_back(time);
    v->push_back(value);
  }
}

// ---- Independent statistics --------------------------------------------------------
inline double Rms(const std::vector<double>& v, size_t s, size_t n) {
  long double mean = 0;
  for (size_t k = s; k < s + n; ++k) mean += v[k];
  mean /= n;
  long double q = 0;
  for (size_t k = s; k < s + n; ++k) q += (v[k] - mean) * (v[k] - mean);
  return static_cast<double>(std::sqrt(q / n));
}
// Least squares value = b * t + a over centred times.
inline void Line(const std::vector<double>& t, const std::vector<double>& v, size_t s, size_t n, long double* b,
                 long double* a) {
  long double tm = 0, vm = 0;
  for (size_t k = s; k < s + n; ++k) tm += t[k], vm += v[k];
  tm /= n;
  vm /= n;
  long double stt = 0, stv = 0;
  for (size_t k = s; k < s + n; ++k) stt += (t[k] - tm) * (t[k] - tm), stv += (t[k] - tm) * (v[k] - vm);
  *b = stv / stt;
  *a = vm - *b * tm;
}
inline double FitRms(const std::vector<double>& t, const std::vector<double>& v, size_t s, size_t n) {
  long double b, a;
  Line(t, v, s, n, &b, &a);
  long double q = 0;
  for (size_t k = s; k < s + n; ++k) q += (v[k] - b * t[k] - a) * (v[k] - b * t[k] - a);
  return static_cast<double>(std::sqrt(q / n));
}

inline ::testing::AssertionResult Near(double got, double want, double rel = 1e-9) {
  const double tol = rel * std::max(1.0, std::fabs(want));
  if (std::fabs(got - want) <= tol) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << got << " vs " << want << " (tolerance " << tol << ")";
}

struct WorkFileDeleter {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};
struct PointsDeleter {
  void operator()(STRUCT_NE_DATA_POINTS* dp) const { FreeDataPointsStruct(dp); }
};
using WorkFilePtr = std::unique_ptr<STRUCT_WORK_FILE, WorkFileDeleter>;
using PointsPtr = std::unique_ptr<STRUCT_NE_DATA_POINTS, PointsDeleter>;

// A workstation root with the library started in it, and generated runs.
class NoiseTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Data"));
    UseWidths(100, 10);
  }
  void TearDown() override {
    wf_.reset();
    kelt::lib::ProcessDetach();
    WorkstationRootTest::TearDown();
  }
  // Restarts the library with these load-time settings.
  void UseWidths(int search, int noise) {
    kelt::lib::ProcessDetach();
    const std::string s = std::to_string(search), n = std::to_string(noise);
    WritePrivateProfileStringA("TOLVIEW", "SearchWindowWidth", s.c_str(), "C:\\Workstation\\tolview.ini");
    WritePrivateProfileStringA("TOLVIEW", "NoiseWindowWidth", n.c_str(), "C:\\Workstation\\tolview.ini");
    kelt::lib::ProcessAttach();
    ASSERT_EQ(kelt::lib::Settings().searchWindowWidth, search);
    ASSERT_EQ(kelt::lib::Settings().noiseWindowWidth, noise);
  }
  // Writes and opens a run of the given scans over 2..12 minutes.
  void MakeRun(uint32_t scans, std::vector<msfix::SegmentPlan> segments, const char* path = "C:\\Data\\run.kms") {
    plan_.scans = scans;
    plan_.segments = std::move(segments);
    plan_.noise = 60;
    ASSERT_TRUE(msfix::WriteMsDataFile(path, plan_, &truth_));
    wf_.reset(MakeWorkFileStruct(path, 0));
    ASSERT_TRUE(wf_);
  }
  // The whole total-ion trace of the run.
  PointsPtr WholeTrace() {
    return PointsPtr(
        MakeDataPointsStruct(wf_.get(), wf_->startTime, wf_->endTime, 40000, DATA_TYPE_TIC, 0, nullptr, nullptr));
  }

  msfix::RunPlan plan_;
  msfix::RunTruth truth_;
  WorkFilePtr wf_;
};

// A 2000-point detector file (no segments) at C:\Data\det.dat, opened, with
// the times and values of its whole trace; null when any step fails.
inline WorkFilePtr DetectorRun(std::vector<double>* t, std::vector<double>* v) {
  msfix::DetectorPlan plan;
  plan.points = 2000;
  if (!msfix::WriteDetectorFile("C:\\Data\\det.dat", plan, nullptr)) return nullptr;
  WorkFilePtr det(MakeWorkFileStruct("C:\\Data\\det.dat", 0));
  if (!det) return nullptr;
  PointsPtr whole(
      MakeDataPointsStruct(det.get(), det->startTime, det->endTime, 40000, DATA_TYPE_DETECTOR, 0, nullptr, nullptr));
  if (!whole) return nullptr;
  Unpack(whole.get(), t, v);
  return det;
}

}  // namespace noisetest
