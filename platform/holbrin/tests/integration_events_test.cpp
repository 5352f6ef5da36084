// The engine on hand-made one-ion traces: time events, baselines, tables and
// bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "fixtures/random.h"
#include "holbrin/dh_engine.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "testing/workstation_root.h"

namespace {

constexpr uint16_t kId = 20, kAddress = 3;
constexpr double kDt = 1.0 / 60;  // one scan a second

struct Gauss {
  double rt, height, sigma;
  double At(double t) const { return height * std::exp(-0.5 * (t - rt) * (t - rt) / (sigma * sigma)); }
  double Area() const { return height * sigma * 2.5066282746310002 * 60.0; }  // counts x seconds
};

class EngineEventsTest : public WorkstationRootTest {
 protected:
  // A run of one ion (mass 100) with the signal given, Gaussian noise of
  // sigma noise and a baseline of 1000 counts; clipped at top.
  void WriteRun(int scans, const std::function<double(double)>& signal, double noise = 20, double top = 1e12,
                uint32_t seed = 7, double dt = kDt) {
    ASSERT_TRUE(CreateSectionFileAtPath(path_, 1, 0, 3));
    HMSDATA h = OpenMSDataSection(path_, "MSData", 1, uint32_t(scans), 3, nullptr);
    ASSERT_NE(h, nullptr);
    msfix::Random rng(seed);
    for (int i = 0; i < scans; ++i) {
      MS_SCAN_RECORD rec{};
      rec.recordSize = sizeof rec;
      rec.header.scanNumber = uint32_t(i + 1);
      rec.header.time = 1.0 + i * dt;
      const double v = std::min(top, 1000 + signal(rec.header.time) + noise * rng.Normal());
      const uint32_t count = 1, value = uint32_t(std::max(0.0, std::round(v)));
      const double mass = 100.0;
      uint8_t buffer[4 + 13] = {};
      std::memcpy(buffer, &count, 4);
      std::memcpy(buffer + 5, &mass, 8);
      std::memcpy(buffer + 13, &value, 4);
      ASSERT_EQ(WriteMSScan(h, &rec, buffer), 0);
    }
    auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
    std::memset(seg.get(), 0, sizeof *seg);
    seg->number = 1;
    seg->startTime = 1.0;
    seg->endTime = 1.0 + (scans - 1) * dt;
    seg->functionCount = 1;
    seg->firstScan = 1;
    seg->lastScan = uint32_t(scans);
    seg->functions[0].massWidth = 1.0;
    seg->functions[0].lowMass = 50;
    seg->functions[0].highMass = 150;
    ASSERT_EQ(WriteMSSegment(h, seg.get()), 0);
    MS_INFO_BLOCK info{};
    info.fileKind = MS_FILE_KIND_QUADRUPOLE;
    info.fileType = kId;
    info.module = kAddress;
    info.centroid = 1;
    ASSERT_EQ(WriteMSHeader(h, &info), 0);
    ASSERT_EQ(CloseMSData(h), 0);
    STRUCT_DH_GLOBAL_PARAMS g;
    InitGlobalParams(&g);
    g.peakWidthTenths = 50;  // 5 s
    g.peakSizeReject = 0;
    SetGlobal(g);
  }
  void SetGlobal(const STRUCT_DH_GLOBAL_PARAMS& g) {
    HDHTABLE t = CreateGlobalTable(path_, kId, kAddress, "1");
    ASSERT_TRUE(t && WriteGlobalTable(t, &g));
    CloseSection(t);
  }
  void SetEvents(const std::vector<DH_TIME_EVENT>& events) {
    HSECTION s = CreateDHSection(path_, kId, kAddress, "1");
    ASSERT_NE(s, nullptr);
    for (size_t i = 0; i < events.size(); ++i) ASSERT_TRUE(WriteDHItem(s, int16_t(i), &events[i], 1));
    CloseSection(s);
  }
  int32_t Run() {
    return RunDataHandling(nullptr, nullptr, nullptr, path_, nullptr, "1", 0, 0, 0, 0, "TestDH", "TestDH",
                           "TestDH", "TestDH");
  }
  std::vector<STRUCT_DH_RESULT> Results() {
    std::vector<STRUCT_DH_RESULT> out;
    HDHTABLE h = OpenDHResultTable(path_, kId, kAddress, "1");
    EXPECT_NE(h, nullptr);
    for (int16_t i = 0; h && i < CountDHResults(h); ++i) {
      STRUCT_DH_RESULT r;
      EXPECT_TRUE(GetDHResult(h, i, &r));
      out.push_back(r);
    }
    if (h) FreeDHRecordSet(h);
    return out;
  }
  std::vector<uint16_t> PeakSearchErrors() {
    std::vector<uint16_t> out;
    HDHTABLE h = OpenDHErrorRecord(path_, kId, kAddress, "1");
    STRUCT_DH_ERROR_LOG log;
    if (h && GetDHLogEntry(h, &log))
      for (int i = 0; i < log.lists[0].count; ++i) out.push_back(log.lists[0].ids[i]);
    if (h) CloseSection(h);
    return out;
  }
  template <class T>
  std::vector<T> Table(HDHTABLE h) {
    std::vector<T> out;
    for (int32_t i = 0; h && i < CountDHRecords(h); ++i) {
      T r;
      EXPECT_TRUE(GetDHRecord(h, i, &r));
      out.push_back(r);
    }
    if (h) FreeDHRecordSet(h);
    return out;
  }
  static DH_TIME_EVENT Range(int16_t type, double from, double to) {
    return {int32_t(std::lround(from * 10000)), type, int32_t(std::lround(to * 10000))};
  }
  static DH_TIME_EVENT Point(int16_t type, double at, int32_t value) {
    return {int32_t(std::lround(at * 10000)), type, value};
  }

  const char* path_ = "C:\\TEMP\\trace.kms";
};

const Gauss kA{2.0, 20000, 0.04}, kB{3.0, 15000, 0.04}, kC{4.0, 30000, 0.05};
double ThreePeaks(double t) { return kA.At(t) + kB.At(t) + kC.At(t); }

TEST_F(EngineEventsTest, SeparatePeaksAndTheTablesThatDescribeThem) {
  WriteRun(300, ThreePeaks);
  ASSERT_EQ(Run(), 1);
  const auto results = Results();
  ASSERT_EQ(results.size(), 3u);
  const Gauss* truth[] = {&kA, &kB, &kC};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(results[size_t(i)].retentionTime, truth[i]->rt, kDt);
    EXPECT_NEAR(results[size_t(i)].area / truth[i]->Area(), 1.0, 0.02);
    EXPECT_NEAR(results[size_t(i)].height / truth[i]->height, 1.0, 0.02);
    EXPECT_NEAR(results[size_t(i)].halfWidth, 2.3548 * truth[i]->sigma, 2 * kDt);
    EXPECT_NEAR(results[size_t(i)].baselineAtApex, 1000, 15);
    EXPECT_GT(+results[size_t(i)].signalToNoise, 500);
    EXPECT_EQ(+results[size_t(i)].status, 0);
    EXPECT_EQ(+results[size_t(i)].compound, -1);
    EXPECT_EQ(+results[size_t(i)].response, +results[size_t(i)].area);  // the default basis is area
  }
  // Points: start, apex, end per peak, ascending; the boundaries name them.
  const auto points = Table<DH_POINT>(OpenDHPointTable(path_, kId, kAddress, "1"));
  const auto bounds = Table<DH_BOUNDARY>(OpenDHBoundaryTable(path_, kId, kAddress, "1"));
  ASSERT_EQ(points.size(), 9u);
  ASSERT_EQ(bounds.size(), 3u);
  for (size_t i = 1; i < points.size(); ++i) EXPECT_LT(+points[i - 1].rawTime, +points[i].rawTime);
  for (size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(+points[bounds[p].startPoint].flags, DH_POINT_START);
    EXPECT_EQ(+points[bounds[p].endPoint].flags, DH_POINT_END);
    EXPECT_EQ(+points[results[p].apexPoint].flags, DH_POINT_APEX);
    EXPECT_EQ(+points[bounds[p].startPoint].flags2, DH_POINT2_BASELINE);
    EXPECT_EQ(+bounds[p].startPoint + 2, +bounds[p].endPoint);
  }
  // The drawing engine's lists: events with baselines from start to end.
  HDHTABLE ev = OpenDHEventListReadOnly(path_, kId, kAddress, "1");
  ASSERT_EQ(CountDHEvents(ev), 9);
  DH_PEAK_EVENT apex;
  ASSERT_TRUE(ReadDHEvent(ev, 1, &apex, 1, 1.0f));
  EXPECT_EQ(+apex.code, DH_POINT_APEX);
  EXPECT_NEAR(DHRawToMinutes(apex.rawTime), kA.rt, kDt);
  FreeDHRecordSet(ev);
  HDHTABLE bl = OpenDHBaselineList(path_, kId, kAddress, "1");
  ASSERT_EQ(CountDHBaselines(bl), 3);
  DH_BASELINE b;
  ASSERT_TRUE(ReadDHBaseline(bl, 2, &b, 1));
  EXPECT_EQ(+b.startEvent, 7);
  EXPECT_EQ(+b.endEvent, 9);
  FreeDHRecordSet(bl);
  HDHTABLE pk = OpenDHPeakList(path_, kId, kAddress, "1");
  ASSERT_EQ(CountDHPeaks(pk), 3);
  FreeDHRecordSet(pk);
  float scale = 0;
  EXPECT_TRUE(GetDHIntensityScale(path_, kId, kAddress, "1", &scale));
  EXPECT_EQ(scale, 1.0f);
  DH_RESULT_HEADER head;
  ASSERT_TRUE(ReadDHResultHeader(path_, kId, kAddress, "1", &head));
  EXPECT_EQ(+head.peakCount, 3);
  EXPECT_NEAR(head.noise, 20, 5);
  int32_t stamp = 0;
  EXPECT_TRUE(GetDHRunTimeStamp(path_, kId, kAddress, "1", "TRACE.KMS", 0, &stamp));
  EXPECT_EQ(stamp, +head.timeStamp);
  EXPECT_FALSE(GetDHRunTimeStamp(path_, kId, kAddress, "1", "other.kms", 0, &stamp));
  // A second run replaces its row of the run table.
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Table<DH_RUN_ROW>(OpenDHRunTable(path_, kId, kAddress, "1")).size(), 1u);
  EXPECT_TRUE(PeakSearchErrors().empty());
}

TEST_F(EngineEventsTest, ValleyPairDropsToTheValleyAndARiderIsSkimmed) {
  const Gauss a{2.0, 20000, 0.04}, b{2.2, 15000, 0.04};     // resolution 1.25
  const Gauss parent{3.5, 50000, 0.1}, rider{3.85, 4500, 0.04};  // 9 % of its parent
  WriteRun(240, [&](double t) { return a.At(t) + b.At(t) + parent.At(t) + rider.At(t); });
  ASSERT_EQ(Run(), 1);
  const auto r = Results();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_NEAR(r[0].area / a.Area(), 1.0, 0.05);
  EXPECT_NEAR(r[1].area / b.Area(), 1.0, 0.05);
  EXPECT_EQ(+r[0].baselineCode, 1);
  EXPECT_EQ(+r[0].coelutingAfter, 1);
  EXPECT_EQ(+r[1].coelutingBefore, 1);
  // The rider is under 10 % of its parent: skimmed by a tangent, which
  // leaves the tail under it to the parent; nothing is lost or counted twice.
  EXPECT_EQ(+r[3].baselineCode, 2);
  EXPECT_NEAR((r[2].area + r[3].area) / (parent.Area() + rider.Area()), 1.0, 0.02);
  SetEvents({Point(11, 3.0, 5)});  // tangent percentage 5 from 3 minutes: a drop line instead
  ASSERT_EQ(Run(), 1);
  const auto dropped = Results();
  ASSERT_EQ(dropped.size(), 4u);
  EXPECT_EQ(+dropped[3].baselineCode, 1);
  EXPECT_NEAR(dropped[3].area / rider.Area(), 1.0, 0.1);
  EXPECT_LT(+r[3].area, 0.8 * dropped[3].area);
  EXPECT_NEAR(r[2].area + r[3].area, dropped[2].area + dropped[3].area, 1e-3 * dropped[2].area);
  // The pair shares one valley point.
  auto points = Table<DH_POINT>(OpenDHPointTable(path_, kId, kAddress, "1"));
  EXPECT_EQ(+r[0].endPoint, +r[1].startPoint);
  EXPECT_EQ(+points[r[0].endPoint].flags, DH_POINT_VALLEY);
  // A valley-baseline event: each peak gets its own baseline, up to the valley.
  SetEvents({Range(4, 1.8, 2.4)});
  ASSERT_EQ(Run(), 1);
  const auto v = Results();
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(+v[0].baselineCode, 0);
  EXPECT_EQ(+v[1].baselineCode, 0);
  EXPECT_LT(+v[0].area, +r[0].area);
  EXPECT_LT(+v[1].area, +r[1].area);
  EXPECT_GT(+v[1].baselineAtApex, r[1].baselineAtApex + 100);
  points = Table<DH_POINT>(OpenDHPointTable(path_, kId, kAddress, "1"));
  EXPECT_EQ(+points[v[0].endPoint].flags, DH_POINT_END);
  EXPECT_EQ(+points[v[1].startPoint].flags, DH_POINT_START);
  EXPECT_EQ(+points[v[0].endPoint].rawTime, +points[v[1].startPoint].rawTime);
}

struct EventCase {
  const char* name;
  std::vector<DH_TIME_EVENT> events;
  std::function<void(const std::vector<STRUCT_DH_RESULT>&)> check;
};

TEST_F(EngineEventsTest, TimeEventsShapeTheResults) {
  const double total = kA.Area() + kB.Area();
  const EventCase cases[] = {
      {"inhibit integration", {Range(1, 2.8, 3.2)},
       [](auto& r) {
         ASSERT_EQ(r.size(), 2u);
         EXPECT_NEAR(r[1].retentionTime, 4.0, kDt);
       }},
      {"solvent reject", {Range(2, 1.5, 2.5)},
       [](auto& r) {
         ASSERT_EQ(r.size(), 2u);
         EXPECT_NEAR(r[0].retentionTime, 3.0, kDt);
       }},
      {"group peaks", {Range(3, 1.5, 3.5)},
       [&](auto& r) {
         ASSERT_EQ(r.size(), 2u);
         EXPECT_NEAR(r[0].area / total, 1.0, 0.02);
         EXPECT_NEAR(r[0].retentionTime, 2.0, kDt);  // the larger peak's apex
       }},
      {"forced peak", {Range(5, 3.5, 3.7)},
       [](auto& r) {
         ASSERT_EQ(r.size(), 4u);
         EXPECT_EQ(+r[2].baselineCode, 4);
         EXPECT_NEAR(r[2].area, 0.0, 200.0);  // only noise there
       }},
      {"split peak", {Point(6, 3.02, 0)},
       [](auto& r) {
         ASSERT_EQ(r.size(), 4u);
         EXPECT_NEAR(r[1].area + r[2].area, kB.Area(), 0.02 * kB.Area());
         EXPECT_GT(+r[1].area, +r[2].area);  // split after the apex
       }},
      {"peak reject", {Point(12, 2.5, int32_t(kB.Area() * 1.01))},
       [](auto& r) {
         ASSERT_EQ(r.size(), 2u);  // B is below the reject, C above
         EXPECT_NEAR(r[1].retentionTime, 4.0, kDt);
       }},
      {"signal to noise", {Point(10, 3.5, 5000)},
       [](auto& r) { ASSERT_EQ(r.size(), 2u); }},
      {"width", {Point(0, 0.001, 20)},  // 10 s: still three peaks
       [](auto& r) { ASSERT_EQ(r.size(), 3u); }},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRun(300, ThreePeaks);
    SetEvents(c.events);
    ASSERT_EQ(Run(), 1);
    c.check(Results());
  }
}

TEST_F(EngineEventsTest, HorizontalBaselinesFollowTheirEnd) {
  // A rising baseline under one peak. Horizontal forward keeps the start's
  // level (a lower baseline, a larger area), backward the end's, minimum the
  // lower of the two.
  auto drift = [](double t) { return kB.At(t) + 2000 * (t - 1.0); };
  WriteRun(300, drift);
  ASSERT_EQ(Run(), 1);
  const STRUCT_DH_RESULT sloped = Results().at(0);
  EXPECT_NEAR(sloped.area / kB.Area(), 1.0, 0.02);
  double forwardBase = 0;
  for (int16_t type : {7, 8, 9}) {
    SCOPED_TRACE(type);
    WriteRun(300, drift);
    SetEvents({Range(type, 2.5, 3.5)});
    ASSERT_EQ(Run(), 1);
    const auto r = Results();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(+r[0].baselineCode, 3);
    if (type == 7) {
      forwardBase = r[0].baselineAtApex;
      EXPECT_LT(forwardBase, sloped.baselineAtApex - 100);
      EXPECT_GT(+r[0].area, sloped.area * 1.02);
    } else if (type == 8) {
      EXPECT_GT(+r[0].baselineAtApex, sloped.baselineAtApex + 100);
      EXPECT_LT(+r[0].area, sloped.area * 0.98);
    } else {
      EXPECT_EQ(+r[0].baselineAtApex, forwardBase);
    }
  }
}

// Scans so close that the expected peak width spans more points than the
// trace holds, up to widths beyond any point index: the peak is found where
// it is, in points, whatever the spacing.
TEST_F(EngineEventsTest, ScansVeryCloseTogether) {
  const struct {
    double dt;                // minutes between scans
    uint16_t widthTenths;     // expected peak width, tenths of a second
  } cases[] = {{1e-4, 50}, {1e-7, 50}, {1e-5, 65535}, {1e-8, 65535}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dt << " min, width " << c.widthTenths);
    // A peak of ten points' sigma at point 150 of 300.
    const Gauss peak{1.0 + 150 * c.dt, 20000, 10 * c.dt};
    WriteRun(300, [&](double t) { return peak.At(t); }, 20, 1e12, 7, c.dt);
    STRUCT_DH_GLOBAL_PARAMS g;
    InitGlobalParams(&g);
    g.peakWidthTenths = c.widthTenths;
    g.peakSizeReject = 0;
    SetGlobal(g);
    ASSERT_EQ(Run(), 1);
    const auto r = Results();
    ASSERT_EQ(r.size(), 1u);
    // Within three scans, or what a stored (single-precision) time tells.
    EXPECT_NEAR(r[0].retentionTime, 1.0 + 150 * c.dt, std::max(3 * c.dt, 2.5e-7));
  }
}

TEST_F(EngineEventsTest, SaturatedAndBadTraces) {
  // A clipped peak still comes out with its apex on the plateau.
  WriteRun(300, ThreePeaks, 20, 15000);
  ASSERT_EQ(Run(), 1);
  auto r = Results();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_NEAR(r[0].retentionTime, 2.0, 0.03);
  EXPECT_LT(+r[0].area, kA.Area());

  // A flat trace: no peaks, the error log says so, the run still counts.
  WriteRun(300, [](double) { return 0.0; }, 0);
  ASSERT_EQ(Run(), 1);
  EXPECT_TRUE(Results().empty());
  auto errors = PeakSearchErrors();
  EXPECT_NE(std::find(errors.begin(), errors.end(), 2), errors.end());

  // Four points cannot be integrated.
  WriteRun(4, ThreePeaks);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Results().empty());
  errors = PeakSearchErrors();
  EXPECT_NE(std::find(errors.begin(), errors.end(), 1), errors.end());

  // Events out of order, overlapping, reversed or outside the run.
  WriteRun(300, ThreePeaks);
  SetEvents({Range(1, 3.9, 4.2), Range(1, 3.8, 4.0), Range(2, 2.5, 2.4), Point(11, 99.0, 5), Point(0, 1.2, 0)});
  ASSERT_EQ(Run(), 1);
  r = Results();
  ASSERT_EQ(r.size(), 2u);  // C inhibited
  errors = PeakSearchErrors();
  for (uint16_t code : {4, 5, 6}) EXPECT_NE(std::find(errors.begin(), errors.end(), code), errors.end()) << code;

  // No data at all, and bad arguments.
  EXPECT_EQ(RunDataHandling(nullptr, nullptr, nullptr, "C:\\TEMP\\none.kms", nullptr, "1", 0, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(RunDataHandling(nullptr, nullptr, nullptr, nullptr, nullptr, "1", 0, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(RunDataHandling(nullptr, nullptr, nullptr, path_, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0), 0);
}

}  // namespace

namespace {

TEST_F(EngineEventsTest, TheMethodsFilterIsApplied) {
  // A one-scan spike at 2.5 minutes.
  auto spiked = [](double t) { return ThreePeaks(t) + (std::fabs(t - 2.5) < 0.5 * kDt ? 30000.0 : 0.0); };
  auto nearSpike = [](const std::vector<STRUCT_DH_RESULT>& r) {
    for (const auto& x : r)
      if (std::fabs(x.retentionTime - 2.5) < 0.05) return true;
    return false;
  };
  WriteRun(300, spiked);
  ASSERT_EQ(Run(), 1);
  EXPECT_TRUE(nearSpike(Results()));
  STRUCT_DH_GLOBAL_PARAMS g;
  InitGlobalParams(&g);
  g.peakWidthTenths = 50;
  g.peakSizeReject = 0;
  g.spikeFactor = 3.0f;
  g.smoothingKind = 2;
  g.smoothingHalfWidth = 2;
  SetGlobal(g);
  ASSERT_EQ(Run(), 1);
  const auto r = Results();
  EXPECT_FALSE(nearSpike(r));
  ASSERT_EQ(r.size(), 3u);
  EXPECT_NEAR(r[2].area / kC.Area(), 1.0, 0.02);
}

TEST_F(EngineEventsTest, DamagedMethodTablesStopTheRun) {
  WriteRun(300, ThreePeaks);
  const std::string name = "PeakTable.0014.0003.1";
  HSECTION s = CreateSection(path_, name.c_str(), nullptr);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(WriteSection(s, "damaged", 7), 7u);
  ASSERT_TRUE(CloseSection(s));
  EXPECT_EQ(Run(), 0);
  const auto errors = PeakSearchErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], 9);
  char text[81];
  EXPECT_TRUE(GetDHErrorText(9, text, sizeof text));
}

}  // namespace

namespace {

// More peaks than the 16-bit lists can count: the lists fill up, the error
// log says so, what was written stays consistent.
TEST_F(EngineEventsTest, FullListsAreReportedNotOverrun) {
  const double spacing = 10 * kDt, sigma = 1.2 * kDt;  // peaks cover half the points
  WriteRun(3000, [&](double t) {
    const double k = std::round((t - 1.0) / spacing);
    const double d = t - (1.0 + k * spacing);
    return k > 0 ? 5000 * std::exp(-0.5 * d * d / (sigma * sigma)) : 0.0;
  });
  STRUCT_DH_GLOBAL_PARAMS g;
  InitGlobalParams(&g);
  g.peakWidthTenths = 30;
  g.peakSizeReject = 0;
  SetGlobal(g);
  std::vector<STRUCT_DH_COMPOUND> compounds(40);
  HDHTABLE table = CreateCompoundTable(path_, kId, kAddress, "1");
  ASSERT_NE(table, nullptr);
  for (size_t i = 0; i < compounds.size(); ++i) {
    STRUCT_DH_COMPOUND& c = compounds[i];
    std::memset(&c, 0, sizeof c);
    std::snprintf(c.name, sizeof c.name, "C%zu", i + 1);
    c.retentionTime = 20000;
    c.massList.kind = 4;
    c.massList.count = 1;
    c.massList.ranges[0] = {0, 100.0, 100.0};
    c.massList.massWindow = 0.5;
    ASSERT_TRUE(AppendDHRecord(table, &c));
  }
  FreeDHRecordSet(table);
  ASSERT_EQ(Run(), 1);
  const auto errors = PeakSearchErrors();
  EXPECT_NE(std::find(errors.begin(), errors.end(), 3), errors.end());
  const auto results = Results();
  EXPECT_GT(results.size(), 10000u);
  const auto points = Table<DH_POINT>(OpenDHPointTable(path_, kId, kAddress, "1"));
  EXPECT_LE(points.size(), 32767u);
  HDHTABLE bl = OpenDHBaselineList(path_, kId, kAddress, "1");
  ASSERT_NE(bl, nullptr);
  for (int16_t i = 0; i < CountDHBaselines(bl); ++i) {
    DH_BASELINE b;
    ASSERT_TRUE(ReadDHBaseline(bl, i, &b, 1));
    ASSERT_GE(b.startEvent, 1);
    ASSERT_LE(size_t(b.endEvent), points.size());
  }
  FreeDHRecordSet(bl);
}

// Exponentially modified Gaussian, tau 0 a Gaussian; not normalised.
double Emg(double x, double sigma, double tau) {
  if (tau <= 0) return std::exp(-0.5 * x * x / (sigma * sigma));
  const double z = (sigma / tau - x / sigma) / std::sqrt(2.0);
  return 0.5 / tau * std::exp(0.5 * sigma * sigma / (tau * tau) - x / tau) * std::erfc(z);
}

struct ShapeCase {
  const char* name;
  double sigma, tau;   // minutes
  double slope;        // baseline counts per minute
  double level;        // baseline counts; 0: the noise is clipped at zero
};

// Eight peaks of one shape a run, at S/N 10 and 100 (height over the noise
// of 20 counts): found where they are, their areas unbiased and within what
// the noise allows, their ends where the signal is back at the baseline.
TEST_F(EngineEventsTest, PeakShapesAtLowAndHighSignalToNoise) {
  const ShapeCase cases[] = {
      {"narrow", 0.025, 0, 0, 1000},
      {"broad", 0.1, 0, 0, 1000},
      {"sloping baseline", 0.05, 0, 600, 1000},
      {"tailing", 0.04, 0.06, 0, 1000},
      {"noise clipped at zero", 0.05, 0, 0, 0},
  };
  for (const ShapeCase& c : cases) {
    // The shape's top, area and width at half height, on a fine grid.
    double top = 0, area = 0, left = 1e9, right = -1e9;
    const double step = c.sigma / 200;
    for (double x = -8 * c.sigma; x < 8 * c.sigma + 30 * c.tau; x += step) top = std::max(top, Emg(x, c.sigma, c.tau));
    for (double x = -8 * c.sigma; x < 8 * c.sigma + 30 * c.tau; x += step) {
      const double v = Emg(x, c.sigma, c.tau) / top;
      area += v * step * 60.0;
      if (v >= 0.5) left = std::min(left, x), right = std::max(right, x);
    }
    for (double sn : {10.0, 100.0}) {
      SCOPED_TRACE(testing::Message() << c.name << ", S/N " << sn);
      const double height = 20 * sn;
      std::vector<double> apexes;
      for (int k = 0; k < 8; ++k) {
        // The apex of the shape lies after its centre when it tails.
        double best = 0, at = 0;
        for (double x = -c.sigma; x < c.sigma + 3 * c.tau; x += step)
          if (Emg(x, c.sigma, c.tau) > best) best = Emg(x, c.sigma, c.tau), at = x;
        apexes.push_back(1.6 + 1.2 * k + at + 0.37 * kDt * k);  // off the scan grid
      }
      double sumError = 0, sumAbsError = 0, worst = 0, reach = 0;
      int found = 0, measured = 0;
      for (uint32_t seed : {7u, 8u}) {
        WriteRun(
            660,
            [&](double t) {
              double v = c.level - 1000 + c.slope * (t - 1.0);
              for (int k = 0; k < 8; ++k) v += height * Emg(t - (1.6 + 1.2 * k + 0.37 * kDt * k), c.sigma, c.tau) / top;
              return v;
            },
            20, 1e12, seed);
        STRUCT_DH_GLOBAL_PARAMS g;
        InitGlobalParams(&g);
        g.peakWidthTenths = uint16_t(std::lround((right - left) * 600.0));
        g.peakSizeReject = 0;
        SetGlobal(g);
        ASSERT_EQ(Run(), 1);
        const auto r = Results();
        for (double a : apexes) {
          const STRUCT_DH_RESULT* p = nullptr;
          for (const auto& x : r)
            if (std::fabs(x.retentionTime - a) < c.sigma + 2 * kDt) p = &x;
          if (!p) continue;
          ++found;
          const double e = p->area / (height * area) - 1;
          sumError += e, sumAbsError += std::fabs(e), worst = std::max(worst, std::fabs(e)), ++measured;
          // How far the ends lie from the apex, in widths at half height.
          reach = std::max(reach, (DHRawToMinutes(p->endRawTime) - a) / (right - left));
          reach = std::max(reach, (a - DHRawToMinutes(p->startRawTime)) / (right - left));
        }
      }
      const double bias = sumError / std::max(1, measured), mean = sumAbsError / std::max(1, measured);
      std::printf("%s S/N %.0f: found %d/16, bias %.2f %%, mean error %.2f %%, worst %.2f %%, ends within %.2f widths\n",
                  c.name, sn, found, 100 * bias, 100 * mean, 100 * worst, reach);
      EXPECT_EQ(found, 16);
      if (sn < 50) {
        EXPECT_LT(mean, 0.09);
        // Noise clipped at zero lifts the level beside the peak above the
        // one under it (where nothing is clipped): a few percent low.
        EXPECT_LT(std::fabs(bias), c.level > 0 ? 0.03 : 0.07);
      } else {
        EXPECT_LT(worst, 0.025);
        EXPECT_LT(std::fabs(bias), 0.01);
      }
      // The ends lie where the signal is back at its baseline, not at the
      // lowest point two widths away: within two and a half widths of the
      // apex (a tail reaches further).
      EXPECT_LT(reach, c.tau > 0 ? 4.0 : 2.5);
    }
  }
}

}  // namespace
