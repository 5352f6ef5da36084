// The integration engine against generated runs whose peaks are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "testing/workstation_root.h"

namespace {

struct Read {
  std::vector<STRUCT_DH_RESULT> results;
  std::vector<DH_PEAK_EVENT> events;
  std::vector<DH_BASELINE> baselines;
  std::vector<DH_POINT> points;
  std::vector<DH_BOUNDARY> boundaries;
  DH_RESULT_HEADER header{};
  STRUCT_DH_ERROR_LOG log{};
};

// Every record of a table (none when it did not open), read by get(h, i,
// &record); the table is freed.
template <class T, class Count, class Get>
void ReadEvery(HDHTABLE h, std::vector<T>* out, Count count, Get get) {
  if (!h) return;
  for (decltype(count(h)) i = 0; i < count(h); ++i) {
    T x;
    EXPECT_TRUE(get(h, i, &x));
    out->push_back(x);
  }
  FreeDHRecordSet(h);
}

Read ReadBack(const char* path, uint16_t id, uint16_t address) {
  Read r;
  ReadEvery(OpenDHResultTable(path, id, address, "1"), &r.results, CountDHResults,
            [](HDHTABLE h, int16_t i, STRUCT_DH_RESULT* x) { return GetDHResult(h, i, x); });
  ReadEvery(OpenDHEventListReadOnly(path, id, address, "1"), &r.events, CountDHEvents,
            [](HDHTABLE h, int16_t i, DH_PEAK_EVENT* e) { return ReadDHEvent(h, i, e, 1, 1.0f); });
  ReadEvery(OpenDHBaselineList(path, id, address, "1"), &r.baselines, CountDHBaselines,
            [](HDHTABLE h, int16_t i, DH_BASELINE* b) { return ReadDHBaseline(h, i, b, 1); });
  ReadEvery(OpenDHPointTable(path, id, address, "1"), &r.points, CountDHRecords,
            [](HDHTABLE h, int32_t i, DH_POINT* p) { return GetDHRecord(h, i, p); });
  ReadEvery(OpenDHBoundaryTable(path, id, address, "1"), &r.boundaries, CountDHRecords,
            [](HDHTABLE h, int32_t i, DH_BOUNDARY* b) { return GetDHRecord(h, i, b); });
  ReadDHResultHeader(path, id, address, "1", &r.header);
  if (HDHTABLE h = OpenDHErrorRecord(path, id, address, "1")) {
    GetDHLogEntry(h, &r.log);
    CloseSection(h);
  }
  return r;
}

// The nearest engine peak to a time, or null.
const STRUCT_DH_RESULT* Nearest(const std::vector<STRUCT_DH_RESULT>& results, double time) {
  const STRUCT_DH_RESULT* best = nullptr;
  for (const STRUCT_DH_RESULT& r : results)
    if (!best || std::fabs(r.retentionTime - time) < std::fabs(best->retentionTime - time)) best = &r;
  return best;
}

// A compound's elution profile in closed form: the exponentially modified
// Gaussian (a Gaussian without a tail) with the truth's apex and area.
struct Profile {
  double mu, sigma, tau, area;
  explicit Profile(const msfix::CompoundTruth& c) : mu(c.retentionTime), sigma(c.sigma), tau(c.tau), area(c.area) {
    if (tau > 0) {  // the apex of the unit shape lies after mu
      double best = 0, top = 0;
      for (double x = -2 * sigma; x <= 6 * sigma + 10 * tau; x += sigma / 200)
        if (Unit(x) > top) top = Unit(x), best = x;
      mu = c.retentionTime - best;
    }
  }
  double Unit(double x) const {
    if (tau <= 0) return std::exp(-0.5 * x * x / (sigma * sigma)) / (sigma * 2.5066282746310002);
    const double z = (sigma / tau - x / sigma) / std::sqrt(2.0);
    return 0.5 / tau * std::exp(0.5 * sigma * sigma / (tau * tau) - x / tau) * std::erfc(z);
  }
  double At(double t) const { return area * Unit(t - mu); }
};

// Share of a's area lying on b's side of the lowest point of their summed
// signal between the two apexes.
double LeakAcrossValley(const msfix::CompoundTruth& ca, const msfix::CompoundTruth& cb) {
  const Profile a(ca), b(cb);
  const double lo = std::min(ca.retentionTime, cb.retentionTime), hi = std::max(ca.retentionTime, cb.retentionTime);
  double valley = lo, low = 1e300;
  for (int k = 0; k <= 400; ++k) {
    const double t = lo + (hi - lo) * k / 400;
    const double v = a.At(t) + b.At(t);
    if (v < low) low = v, valley = t;
  }
  const double from = ca.retentionTime - 12 * a.sigma, to = ca.retentionTime + 12 * a.sigma + 40 * a.tau;
  const int steps = 4000;
  double total = 0, beyond = 0;
  for (int k = 0; k < steps; ++k) {
    const double t = from + (to - from) * (k + 0.5) / steps;
    const double v = a.At(t);
    total += v;
    if ((cb.retentionTime > ca.retentionTime) == (t > valley)) beyond += v;
  }
  return total > 0 ? beyond / total : 0;
}

class IntegrationEngineTest : public WorkstationRootTest {};

// Whole chromatograms (total ion) of several generated runs: the peaks are
// the compounds, over drift, bleed and noise.
TEST_F(IntegrationEngineTest, ChromatogramPeaksMatchTheRunsTruth) {
  int isolatedChecked = 0, pairsChecked = 0, found = 0, expected = 0;
  // Half the runs are noisy enough that the weakest peaks lie near S/N 10.
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    msfix::RunPlan plan;
    plan.seed = seed;
    if (seed > 12) plan.noise = 1500;
    plan.compounds = 8;
    plan.segments = {{1.0, 1, ""}};
    const std::string path = "C:\\TEMP\\run" + std::to_string(seed) + ".kms";
    msfix::RunTruth truth;
    ASSERT_TRUE(msfix::WriteMsDataFile(path, plan, &truth));
    // The method's peak width: the run's typical width at half height.
    std::vector<double> widths;
    for (const auto& c : truth.compounds) widths.push_back(2.355 * std::sqrt(c.sigma * c.sigma + c.tau * c.tau));
    std::nth_element(widths.begin(), widths.begin() + long(widths.size() / 2), widths.end());
    STRUCT_DH_GLOBAL_PARAMS g;
    InitGlobalParams(&g);
    g.peakWidthTenths = uint16_t(std::lround(widths[widths.size() / 2] * 600.0));
    HDHTABLE gt = CreateGlobalTable(path.c_str(), plan.fileType, plan.module, "1");
    ASSERT_TRUE(gt && WriteGlobalTable(gt, &g));
    CloseSection(gt);
    ASSERT_EQ(RunDataHandling(nullptr, nullptr, nullptr, path.c_str(), nullptr, "1", 0, 0, 0, 0, "TestDH",
                              "TestDH", "TestDH", "TestDH"),
              1);
    const Read r = ReadBack(path.c_str(), plan.fileType, plan.module);
    const double dt = truth.scanTimes[1] - truth.scanTimes[0];
    const double noise = r.header.noise;
    ASSERT_GT(noise, 0.5 * plan.noise);
    ASSERT_LT(noise, 10 * plan.noise);
    const auto& cs = truth.compounds;
    for (size_t i = 0; i < cs.size(); ++i) {
      const msfix::CompoundTruth& c = cs[i];
      if (c.height / noise <= 10) continue;
      ++expected;
      const STRUCT_DH_RESULT* p = Nearest(r.results, c.retentionTime);
      ASSERT_NE(p, nullptr);
      // How far each neighbour's peak reaches across the valley between the
      // two: a drop line splits a pair fairly only when little of either
      // lies beyond it. Above 1.5 % the pair is unresolved and not compared.
      bool merged = false, valley = false;
      for (size_t k = 0; k < cs.size(); ++k) {
        if (k == i) continue;
        const double a = LeakAcrossValley(c, cs[k]), b = LeakAcrossValley(cs[k], c);
        if (a > 0.015 || b > 0.015) merged = true;
        else if (a > 1e-4 || b > 1e-4) valley = true;
      }
      // Weak peaks of the total ion carry the positive bias of the noise
      // clamped at zero on their minor ions, which the truth does not hold;
      // in the noisy runs every peak does.
      const bool areaComparable = seed <= 12 && c.height / noise >= 250;
      if (merged) continue;
      ++found;
      EXPECT_LE(std::fabs(p->retentionTime - c.retentionTime), dt + 1e-6) << c.name;
      const double area = c.area * 60.0;
      const double error = std::fabs(p->area - area) / area;
      if (!areaComparable) continue;
      if (!valley) {
        ++isolatedChecked;
        EXPECT_LT(error, 0.02) << c.name << " S/N " << c.height / noise;
      } else {
        ++pairsChecked;
        EXPECT_LT(error, 0.05) << c.name << " S/N " << c.height / noise;
      }
    }
  }
  std::printf("peaks expected %d, compared %d (isolated %d, valley pairs %d)\n", expected, found,
              isolatedChecked, pairsChecked);
  EXPECT_GT(isolatedChecked, 30);
  EXPECT_GT(pairsChecked, 5);
}

}  // namespace

namespace {

// A method with compounds: each on its quantitation ion over its window,
// its peak named after it.
TEST_F(IntegrationEngineTest, MethodCompoundsAreTakenOnTheirQuantitationIons) {
  int compared = 0;
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE(seed);
    msfix::DHPlan plan;
    plan.run.seed = seed;
    plan.run.segments = {{1.0, 1, ""}};
    const std::string data = "C:\\TEMP\\data" + std::to_string(seed) + ".kms";
    const std::string method = "C:\\TEMP\\method" + std::to_string(seed) + ".mth";
    msfix::DHTruth truth;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(data, method, plan, &truth));
    ASSERT_EQ(RunDataHandling(nullptr, nullptr, method.c_str(), data.c_str(), nullptr, "1", 0, 0, 0, 0, "TestDH",
                              "TestDH", "TestDH", "TestDH"),
              1);
    const Read r = ReadBack(data.c_str(), truth.moduleId, truth.moduleAddress);
    const double dt = truth.run.scanTimes[1] - truth.run.scanTimes[0];
    for (size_t i = 0; i < truth.compounds.size(); ++i) {
      const msfix::DHCompoundTruth& c = truth.compounds[i];
      const STRUCT_DH_RESULT* taken = nullptr;
      for (const STRUCT_DH_RESULT& x : r.results)
        if (x.compound == int16_t(i) && c.name == x.name) taken = &x;
      // A compound whose window holds a larger neighbour on the same ion may
      // legitimately take that one; those are left out.
      bool crowded = false;
      for (size_t k = 0; k < truth.compounds.size(); ++k)
        if (k != i && std::fabs(truth.compounds[k].retentionTime - c.retentionTime) < 0.25) crowded = true;
      if (crowded) continue;
      ASSERT_NE(taken, nullptr) << c.name;
      ++compared;
      EXPECT_NEAR(taken->retentionTime, c.retentionTime, dt + 1e-6) << c.name;
      EXPECT_NEAR(taken->expectedTime, std::lround(c.retentionTime * 1000) / 1000.0, 1e-4);
      EXPECT_GE(taken->candidates, 1);
      EXPECT_EQ(taken->status, 0);
      const double sn = taken->signalToNoise;
      if (sn > 250) {
        EXPECT_NEAR(taken->area / (c.quantArea * 60), 1.0, 0.02) << c.name << " S/N " << sn;
      }
    }
  }
  EXPECT_GT(compared, 10);
}

}  // namespace
