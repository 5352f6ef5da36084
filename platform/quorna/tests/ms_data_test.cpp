// Stored MS data: writing, file facts, traces, scans, damaged sections.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "ms_test_data.h"

namespace {

using mstest::TicOf;
using mstest::TimeOf;

struct Point {
  double time;
  uint32_t flag;
  int64_t i;
  double d;
};

struct TraceResult {
  uint32_t first = 0, last = 0, isDouble = 0;
  std::vector<Point> points;
};

STRUCT_CHAN_LIST Chan(const char* text) {
  STRUCT_CHAN_LIST l;
  EXPECT_EQ(ParseChanList(text, &l), 1) << text;
  return l;
}

STRUCT_MASS_LIST Mass(const char* text) {
  STRUCT_MASS_LIST l;
  EXPECT_EQ(ParseMassList(text, &l), 1) << text;
  return l;
}

TraceResult Read(HMSDATA h, const MS_TRACE_REQUEST& req, const char* chan, const char* mass) {
  TraceResult r;
  STRUCT_CHAN_LIST c = Chan(chan);
  STRUCT_MASS_LIST m = Mass(mass);
  void* block = nullptr;
  uint32_t n = ReadMSTrace(h, &req, &c, &m, &block);
  if (n == 0) {
    EXPECT_EQ(block, nullptr);
    return r;
  }
  const auto* b = static_cast<const uint8_t*>(block);
  std::memcpy(&r.first, b, 4);
  std::memcpy(&r.last, b + 4, 4);
  std::memcpy(&r.isDouble, b + 8, 4);
  for (uint32_t i = 0; i < n; ++i) {
    Point p{};
    const uint8_t* q = b + 12 + 20 * i;
    std::memcpy(&p.time, q, 8);
    std::memcpy(&p.flag, q + 8, 4);
    std::memcpy(&p.i, q + 12, 8);
    std::memcpy(&p.d, q + 12, 8);
    r.points.push_back(p);
  }
  FreeMSTrace(block);
  return r;
}

MS_TRACE_REQUEST Scans(uint32_t a, uint32_t b) {
  MS_TRACE_REQUEST r{};
  r.kind = MS_TRACE_BY_SCANS;
  r.scans.first = a;
  r.scans.last = b;
  return r;
}

MS_TRACE_REQUEST Times(double a, double b) {
  MS_TRACE_REQUEST r{};
  r.kind = MS_TRACE_BY_TIMES;
  r.times.from = a;
  r.times.to = b;
  return r;
}

class MsDataTest : public mstest::RootedTest {
 protected:
  void SetUp() override {
    RootedTest::SetUp();
    ASSERT_TRUE(mstest::WriteSmallDataSet(path_));
  }
  const std::string path_ = "C:\\Data\\small.dat";
};

TEST_F(MsDataTest, FileFactsComeBackAsWritten) {
  std::vector<uint8_t> out(MS_INFO_BLOCK_SIZE + 16);
  uint32_t acq = 0;
  ASSERT_NE(ReadMSFileInfo(path_.c_str(), &acq, out.data()), 0);
  MS_INFO_BLOCK info;
  std::memcpy(&info, out.data(), sizeof info);
  double times[2];
  std::memcpy(times, out.data() + MS_INFO_BLOCK_SIZE, 16);
  EXPECT_EQ(acq, 1700000000u);
  EXPECT_EQ(+info.fileType, 61);
  EXPECT_EQ(+info.module, 2);
  EXPECT_EQ(+info.segmentCount, 2);
  EXPECT_EQ(+info.firstScan, 1u);
  EXPECT_EQ(+info.lastScan, 12u);
  EXPECT_EQ(+info.maxTicScan, 12u);
  EXPECT_EQ(+info.maxTic, TicOf(12));
  EXPECT_EQ(+info.formatWord, 3);
  EXPECT_DOUBLE_EQ(times[0], 1.0);
  EXPECT_DOUBLE_EQ(times[1], 2.5);
  char16_t first;
  std::memcpy(&first, out.data() + 966, 2);
  EXPECT_EQ(first, u'S');

  // A work-file record whose first field is the path opens the same data.
  char record[600] = {};
  std::strcpy(record, path_.c_str());
  HMSDATA h = OpenMSData(record, "MSData", 0);
  ASSERT_NE(h, nullptr);
  MS_INFO_BLOCK again;
  EXPECT_EQ(ReadMSInfoFromHandle(h, &again), 0);
  EXPECT_EQ(std::memcmp(&again, &info, sizeof info), 0);
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  ASSERT_EQ(ReadMSSegmentBlock(h, 2, seg.get(), 1), 0);
  EXPECT_EQ(+seg->functionCount, 2);
  EXPECT_EQ(+seg->firstScan, 7u);
  EXPECT_EQ(+seg->lastScan, 12u);
  EXPECT_EQ(+seg->functions[1].kind, MS_SCAN_KIND_PARENT);
  EXPECT_EQ(+seg->maxTicScan, 12u);
  EXPECT_NE(ReadMSSegmentBlock(h, 0, seg.get(), 1), 0);
  EXPECT_NE(ReadMSSegmentBlock(h, 3, seg.get(), 1), 0);
  EXPECT_EQ(GetMSDataLiveFlag(h), 0);
  EXPECT_GE(GetMSScanBufferSize(h), 4u + 13u * 8u);
  EXPECT_GE(GetMSScanBufferSize(nullptr), GetMSScanBufferSize(h));
  EXPECT_EQ(CloseMSData(h), 0);
}

TEST_F(MsDataTest, TracesForEveryMassListKind) {
  HMSDATA h = OpenMSData(path_.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  struct Case {
    const char* mass;
    bool isDouble;
    double (*want)(uint32_t);
  } cases[] = {
      {"RIC", false, [](uint32_t s) { return double(TicOf(s)); }},
      {"91", false, [](uint32_t s) { return 1000.0 + s; }},
      {"49.8-91.2", false, [](uint32_t s) { return 1100.0 * s / 11 + 1000 + s; }},
      {"105", false, [](uint32_t s) { return 10.0 * s; }},
      {"Intensity of Base Peak", false, [](uint32_t s) { return s <= 10 ? 1000.0 + s : 100.0 * s; }},
      {"Base Peak Ion", true, [](uint32_t s) { return s <= 10 ? 91.0 : 50.0; }},
      {"Ion Time", true, [](uint32_t s) { return s / 2.0; }},
      {"Column 1", true, [](uint32_t s) { return s / 2.0; }},
  };
  for (const Case& c : cases) {
    TraceResult r = Read(h, Scans(1, 12), "All", c.mass);
    ASSERT_EQ(r.points.size(), 12u) << c.mass;
    EXPECT_EQ(r.first, 1u);
    EXPECT_EQ(r.last, 12u);
    EXPECT_EQ(r.isDouble, c.isDouble ? 1u : 0u) << c.mass;
    for (uint32_t s = 1; s <= 12; ++s) {
      const Point& p = r.points[s - 1];
      EXPECT_DOUBLE_EQ(p.time, TimeOf(s));
      double got = c.isDouble ? p.d : double(p.i);
      EXPECT_DOUBLE_EQ(got, c.want(s)) << c.mass << " scan " << s;
      EXPECT_EQ(p.flag, s == 5 ? 1u : 0u);
    }
  }
  EXPECT_EQ(CloseMSData(h), 0);
}

TEST_F(MsDataTest, ChannelListsSelectAndAddScansPerCycle) {
  HMSDATA h = OpenMSData(path_.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  // Merged: one point a cycle; segment 2 pairs 7+8, 9+10, 11+12.
  TraceResult merged = Read(h, Scans(1, 12), "Merged", "RIC");
  ASSERT_EQ(merged.points.size(), 9u);
  EXPECT_EQ(merged.points[6].i, int64_t(TicOf(7) + TicOf(8)));
  EXPECT_DOUBLE_EQ(merged.points[6].time, TimeOf(7));
  EXPECT_EQ(merged.last, 11u);
  // Channel 2 exists only in segment 2.
  TraceResult second = Read(h, Scans(1, 12), "2", "200");
  ASSERT_EQ(second.points.size(), 3u);
  EXPECT_EQ(second.first, 8u);
  EXPECT_EQ(second.points[0].i, 56);
  EXPECT_EQ(second.points[2].i, 84);
  // Channel 1: every scan of segment 1, the first of each cycle of segment 2.
  TraceResult first = Read(h, Scans(1, 12), "1", "RIC");
  ASSERT_EQ(first.points.size(), 9u);
  EXPECT_EQ(first.points[8].i, int64_t(TicOf(11)));
  EXPECT_EQ(CloseMSData(h), 0);
}

// A merged base-peak-ion trace of a three-function cycle gives the ion of
// the cycle's largest base peak, whichever scan of the cycle holds it.
TEST_F(MsDataTest, MergedBasePeakIonIsThatOfTheLargestBasePeak) {
  const std::string path = "C:\\Data\\three.dat";
  ASSERT_TRUE(CreateSectionFileAtPath(path.c_str(), 1, 0, 3));
  HMSDATA w = OpenMSDataSection(path.c_str(), "MSData", 1, 6, 3, nullptr);
  ASSERT_NE(w, nullptr);
  // Two cycles: base peaks 300 at 100, 900 at 200, 600 at 300; then 500 at
  // 100, 400 at 200, 700 at 300.
  const std::pair<double, uint32_t> bases[6] = {{100, 300}, {200, 900}, {300, 600},
                                                {100, 500}, {200, 400}, {300, 700}};
  for (uint32_t s = 1; s <= 6; ++s) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    rec.header.scanNumber = s;
    rec.header.time = 1.0 + 0.01 * s;
    auto buf = mstest::Exchange({{bases[s - 1].first - 10, 50}, bases[s - 1]});
    ASSERT_EQ(WriteMSScan(w, &rec, buf.data()), 0);
  }
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->startTime = 1.0;
  seg->endTime = 1.1;
  seg->functionCount = 3;
  seg->firstScan = 1;
  seg->lastScan = 6;
  for (int f = 0; f < 3; ++f) seg->functions[f].number = static_cast<uint16_t>(f), seg->functions[f].kind = MS_SCAN_KIND_FULL;
  ASSERT_EQ(WriteMSSegment(w, seg.get()), 0);
  MS_INFO_BLOCK info{};
  info.fileKind = MS_FILE_KIND_QUADRUPOLE;
  info.centroid = 1;
  ASSERT_EQ(WriteMSHeader(w, &info), 0);
  ASSERT_EQ(CloseMSData(w), 0);

  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  TraceResult ion = Read(h, Scans(1, 6), "Merged", "Base Peak Ion");
  ASSERT_EQ(ion.points.size(), 2u);
  EXPECT_DOUBLE_EQ(ion.points[0].d, 200.0);
  EXPECT_DOUBLE_EQ(ion.points[1].d, 300.0);
  TraceResult top = Read(h, Scans(1, 6), "Merged", "Intensity of Base Peak");
  ASSERT_EQ(top.points.size(), 2u);
  EXPECT_EQ(top.points[0].i, 900);
  EXPECT_EQ(top.points[1].i, 700);
  EXPECT_EQ(CloseMSData(h), 0);
}

TEST_F(MsDataTest, RangesClampAndEmptyRangesGiveNoTrace) {
  HMSDATA h = OpenMSData(path_.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Read(h, Times(1.05, 1.35), "All", "RIC").points.size(), 3u);
  TraceResult t = Read(h, Times(1.0 - 0.0001, 2.0), "All", "RIC");
  EXPECT_EQ(t.points.size(), 7u);
  EXPECT_EQ(t.last, 7u);
  EXPECT_EQ(Read(h, Scans(0, 100), "All", "RIC").points.size(), 12u);
  EXPECT_TRUE(Read(h, Scans(13, 20), "All", "RIC").points.empty());
  EXPECT_TRUE(Read(h, Scans(6, 5), "All", "RIC").points.empty());
  EXPECT_TRUE(Read(h, Times(3.0, 4.0), "All", "RIC").points.empty());
  EXPECT_TRUE(Read(h, Times(2.0, 1.0), "All", "RIC").points.empty());
  EXPECT_TRUE(Read(h, Times(NAN, 1.0), "All", "RIC").points.empty());
  EXPECT_TRUE(Read(h, Scans(1, 12), "All", "Column 2").points.empty());  // no such column

  MS_TRACE_REQUEST bad = Scans(1, 12);
  bad.kind = 7;
  STRUCT_CHAN_LIST c = Chan("All");
  STRUCT_MASS_LIST m = Mass("RIC");
  void* block = reinterpret_cast<void*>(1);
  EXPECT_EQ(ReadMSTrace(h, &bad, &c, &m, &block), 0u);
  EXPECT_EQ(block, nullptr);
  c.kind = 9;
  EXPECT_EQ(ReadMSTrace(h, &bad, &c, &m, &block), 0u);
  EXPECT_EQ(ReadMSTrace(nullptr, &bad, &c, &m, &block), 0u);
  EXPECT_EQ(CloseMSData(h), 0);
}

TEST_F(MsDataTest, ScanLookupsByNumberAndTime) {
  HMSDATA h = OpenMSData(path_.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  STRUCT_CHAN_LIST all = Chan("All");
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  MS_SCAN_HEADER hd{};

  MS_SCAN_REQUEST byScan{};
  byScan.kind = MS_SCAN_BY_NUMBER;
  byScan.mode = 2;
  byScan.scan = 8;
  EXPECT_DOUBLE_EQ(ReadMSScanHeader(h, &byScan, &all, &hd, buf.data()), TimeOf(8));
  EXPECT_EQ(+hd.scanNumber, 8u);
  EXPECT_EQ(+hd.segment, 2);
  EXPECT_EQ(+hd.function, 1);
  EXPECT_EQ(+hd.totalIon, TicOf(8));
  EXPECT_DOUBLE_EQ(+hd.lowestMass, 50.0);
  EXPECT_DOUBLE_EQ(+hd.highestMass, 200.0);
  uint32_t count;
  std::memcpy(&count, buf.data(), 4);
  EXPECT_EQ(count, 4u);

  // Merged channels: the whole cycle of scan 8 (7 and 8) added.
  STRUCT_CHAN_LIST merged = Chan("Merged");
  EXPECT_DOUBLE_EQ(ReadMSScanHeader(h, &byScan, &merged, &hd, buf.data()), TimeOf(7));
  EXPECT_EQ(+hd.scanNumber, 7u);
  EXPECT_EQ(+hd.totalIon, TicOf(7) + TicOf(8));
  double m50;
  uint32_t i50;
  std::memcpy(&m50, buf.data() + 5, 8);
  std::memcpy(&i50, buf.data() + 13, 4);
  EXPECT_DOUBLE_EQ(m50, 50.0);
  EXPECT_EQ(i50, 1500u);

  struct Case {
    double time;
    uint32_t mode;
    uint32_t scan;
  } cases[] = {
      {1.25, MS_PICK_NEAREST, 3},   // equally near 1.2 and 1.3: the earlier
      {1.26, MS_PICK_NEAREST, 4},
      {1.29, MS_PICK_AT_OR_BEFORE, 3},
      {1.21, MS_PICK_AT_OR_AFTER, 4},
      {0.0, MS_PICK_NEAREST, 1},
      {9.0, MS_PICK_NEAREST, 12},
      {1.75, MS_PICK_AT_OR_BEFORE, 6},
  };
  for (const Case& c : cases) {
    MS_SCAN_REQUEST r{};
    r.kind = MS_SCAN_BY_TIME;
    r.mode = c.mode;
    r.time = c.time;
    double t = FindMSScan(h, &r, &all, &hd);
    EXPECT_EQ(+hd.scanNumber, c.scan) << c.time << " mode " << c.mode;
    EXPECT_DOUBLE_EQ(t, TimeOf(c.scan));
  }
  // Channel 2 only: the nearest scan of function 2.
  STRUCT_CHAN_LIST two = Chan("2");
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_TIME;
  r.mode = MS_PICK_NEAREST;
  r.time = 1.0;
  EXPECT_DOUBLE_EQ(FindMSScan(h, &r, &two, &hd), TimeOf(8));

  // Failures.
  MS_SCAN_REQUEST fail = byScan;
  for (uint32_t s : {0u, 13u, 0xFFFFFFFFu}) {
    fail.scan = s;
    EXPECT_EQ(ReadMSScanHeader(h, &fail, &all, &hd, buf.data()), MS_SCAN_TIME_FAILED);
    EXPECT_EQ(FindMSScan(h, &fail, &all, &hd), 0.0);
  }
  r.time = NAN;
  EXPECT_EQ(ReadMSScanHeader(h, &r, &all, &hd, buf.data()), MS_SCAN_TIME_FAILED);
  r.time = 0.5;
  r.mode = MS_PICK_AT_OR_BEFORE;
  EXPECT_EQ(FindMSScan(h, &r, &all, &hd), 0.0);
  byScan.scan = 3;
  EXPECT_EQ(ReadMSScanHeader(h, &byScan, &two, &hd, buf.data()), MS_SCAN_TIME_FAILED);  // no function 2 there
  EXPECT_EQ(ReadMSScanHeader(nullptr, &byScan, &all, &hd, buf.data()), MS_SCAN_TIME_FAILED);
  EXPECT_EQ(CloseMSData(h), 0);
}

TEST_F(MsDataTest, ReadScanGivesTheStoredScan) {
  HMSDATA h = OpenMSDataSection(path_.c_str(), "MSData", 0, 0, 0, nullptr);
  ASSERT_NE(h, nullptr);
  MS_SCAN_RECORD rec{};
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  ASSERT_EQ(ReadMSScan(h, 4, &rec, buf.data()), 0);
  EXPECT_EQ(+rec.recordSize, sizeof rec);
  EXPECT_EQ(+rec.header.scanNumber, 4u);
  EXPECT_EQ(+rec.header.pointCount, 3u);
  EXPECT_DOUBLE_EQ(+rec.header.basePeakMass, 91.0);
  EXPECT_DOUBLE_EQ(+rec.header.extra[0], 2.0);
  double masses[3];
  for (int i = 0; i < 3; ++i) std::memcpy(&masses[i], buf.data() + 5 + 13 * i, 8);
  EXPECT_DOUBLE_EQ(masses[0], 50.0);  // stored in ascending mass
  EXPECT_DOUBLE_EQ(masses[2], 105.2);
  EXPECT_NE(ReadMSScan(h, 13, &rec, buf.data()), 0);
  EXPECT_NE(ReadMSScan(h, 0, &rec, buf.data()), 0);
  EXPECT_EQ(CloseMSData(h), 0);
}

// The index's time of every scan is the time its stored header holds;
// scans that are not there have none.
TEST_F(MsDataTest, IndexTimesAreTheScansOwnTimes) {
  HMSDATA h = OpenMSDataSection(path_.c_str(), "MSData", 0, 0, 0, nullptr);
  ASSERT_NE(h, nullptr);
  MS_INFO_BLOCK info{};
  ASSERT_EQ(ReadMSInfoFromHandle(h, &info), 0);
  MS_SCAN_RECORD rec{};
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  for (uint32_t scan = info.firstScan; scan <= info.lastScan; ++scan) {
    ASSERT_EQ(ReadMSScan(h, scan, &rec, buf.data()), 0);
    EXPECT_EQ(GetMSScanIndexTime(h, scan), +rec.header.time) << scan;
  }
  EXPECT_TRUE(std::isnan(GetMSScanIndexTime(h, info.lastScan + 1)));
  EXPECT_TRUE(std::isnan(GetMSScanIndexTime(h, info.firstScan - 1)));
  EXPECT_TRUE(std::isnan(GetMSScanIndexTime(nullptr, info.firstScan)));
  EXPECT_EQ(CloseMSData(h), 0);
}

TEST_F(MsDataTest, HandlesCloseThroughTheStoreAndOnlyOnce) {
  HMSDATA h = OpenMSData(path_.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(CloseSection(h));
  EXPECT_NE(CloseMSData(h), 0);  // already closed
  EXPECT_EQ(GetMSDataLiveFlag(h), 0);
  EXPECT_EQ(OpenMSData(path_.c_str(), "NoSuchSection", 0), nullptr);
  EXPECT_EQ(OpenMSData("C:\\Data\\missing.dat", "MSData", 0), nullptr);
  EXPECT_EQ(OpenMSData(nullptr, "MSData", 0), nullptr);
  EXPECT_EQ(OpenMSData("", "MSData", 0), nullptr);
}

TEST_F(MsDataTest, LiveFlagIsStored) {
  const std::string live = "C:\\Data\\live.dat";
  ASSERT_TRUE(mstest::WriteSmallDataSet(live, true));
  HMSDATA h = OpenMSData(live.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetMSDataLiveFlag(h), 1);
  CloseMSData(h);
}

TEST_F(MsDataTest, IncompleteWritesStoreNothing) {
  const std::string p = "C:\\Data\\partial.dat";
  ASSERT_TRUE(CreateSectionFileAtPath(p.c_str(), 1, 0, 3));
  // No header, no segments: closing fails and no section appears.
  HMSDATA h = OpenMSDataSection(p.c_str(), "MSData", 1, 1, 3, nullptr);
  ASSERT_NE(h, nullptr);
  MS_SCAN_RECORD rec{};
  rec.header.scanNumber = 1;
  auto buf = mstest::Exchange({{50, 1}});
  EXPECT_EQ(WriteMSScan(h, &rec, buf.data()), 0);
  EXPECT_NE(CloseMSData(h), 0);
  EXPECT_FALSE(SectionExists(p.c_str(), "MSData"));
  // A gap in the scan numbers is refused at close.
  h = OpenMSDataSection(p.c_str(), "MSData", 1, 2, 3, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(WriteMSScan(h, &rec, buf.data()), 0);
  rec.header.scanNumber = 3;
  EXPECT_EQ(WriteMSScan(h, &rec, buf.data()), 0);
  MS_INFO_BLOCK info{};
  EXPECT_EQ(WriteMSHeader(h, &info), 0);
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->functionCount = 1;
  seg->firstScan = 1;
  seg->lastScan = 3;
  EXPECT_EQ(WriteMSSegment(h, seg.get()), 0);
  EXPECT_NE(CloseMSData(h), 0);
  EXPECT_FALSE(SectionExists(p.c_str(), "MSData"));
  // Writes on a reading handle are refused.
  HMSDATA r = OpenMSData(path_.c_str(), "MSData", 0);
  EXPECT_NE(WriteMSScan(r, &rec, buf.data()), 0);
  EXPECT_NE(WriteMSHeader(r, &info), 0);
  CloseMSData(r);
}

// Damaged sections: cut short, or with counts and offsets that point
// outside; every reader gives its failure value.
TEST_F(MsDataTest, DamagedSectionsGiveFailureValues) {
  std::vector<uint8_t> good = mstest::ReadWholeSection(path_, "MSData");
  ASSERT_GT(good.size(), 1000u);
  auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  auto put64 = [](std::vector<uint8_t>& b, size_t at, uint64_t v) { std::memcpy(&b[at], &v, 8); };
  uint64_t indexOffset;
  std::memcpy(&indexOffset, &good[48], 8);
  std::vector<std::pair<const char*, std::vector<uint8_t>>> damaged;
  for (size_t cut : {size_t{0}, size_t{10}, size_t{79}, size_t{2000}, good.size() / 2, good.size() - 1})
    damaged.push_back({"cut", std::vector<uint8_t>(good.begin(), good.begin() + cut)});
  auto b = good; b[0] = 'X'; damaged.push_back({"magic", b});
  b = good; put32(b, 16, 0); damaged.push_back({"no segments", b});
  b = good; put32(b, 16, 100000); damaged.push_back({"many segments", b});
  b = good; put32(b, 20, 0x7FFFFFFF); damaged.push_back({"scan count", b});
  b = good; put64(b, 32, ~0ull); damaged.push_back({"info offset", b});
  b = good; put64(b, 48, good.size() - 10); damaged.push_back({"index offset", b});
  b = good; put64(b, indexOffset, good.size()); damaged.push_back({"scan offset", b});
  b = good; put32(b, indexOffset + 8, 5000); damaged.push_back({"point count", b});
  b = good; put32(b, 28, 0xFFFFFFFF); damaged.push_back({"max points", b});
  b = good; put64(b, 56, good.size() - 10); damaged.push_back({"points offset", b});
  b = good; put32(b, 8, 3); damaged.push_back({"unknown version", b});
  b = good; put32(b, 24, 0xFFFFFFF8); damaged.push_back({"first scan wraps", b});
  size_t seg0 = 80 + MS_INFO_BLOCK_SIZE;
  b = good; b[seg0 + 18] = 0; damaged.push_back({"no functions", b});
  b = good; put32(b, seg0 + 23, 5000); damaged.push_back({"segment beyond scans", b});
  b = good; put32(b, seg0 + MS_SEGMENT_BLOCK_SIZE + 19, 2); damaged.push_back({"segments overlap", b});
  // The information block telling other than the header.
  const size_t info = 80;
  auto put16 = [](std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); };
  b = good; put16(b, info + offsetof(MS_INFO_BLOCK, segmentCount), 40); damaged.push_back({"info segments", b});
  b = good; put32(b, info + offsetof(MS_INFO_BLOCK, firstScan), 0); damaged.push_back({"info first scan", b});
  b = good; put32(b, info + offsetof(MS_INFO_BLOCK, lastScan), 0x7FFFFFFF); damaged.push_back({"info last scan", b});
  b = good; put32(b, info + offsetof(MS_INFO_BLOCK, maxScanPoints), 1); damaged.push_back({"info most points", b});
  b = good; put32(b, info + offsetof(MS_INFO_BLOCK, maxTicScan), 9999); damaged.push_back({"info largest scan", b});
  b = good; put16(b, info + offsetof(MS_INFO_BLOCK, extraColumnCount), 999); damaged.push_back({"info columns", b});

  for (auto& [what, bytes] : damaged) {
    ASSERT_TRUE(mstest::WriteWholeSection(path_, "MSData", bytes)) << what;
    EXPECT_EQ(OpenMSData(path_.c_str(), "MSData", 0), nullptr) << what;
    std::vector<uint8_t> out(MS_INFO_BLOCK_SIZE + 16);
    EXPECT_EQ(ReadMSFileInfo(path_.c_str(), nullptr, out.data()), 0) << what;
  }
}

}  // namespace

namespace {

// A data set whose acquisition has not yet stored a scan (found by fuzzing:
// an empty scan index was copied from a null pointer).
TEST_F(MsDataTest, DataSetWithoutScansOpensAndFindsNothing) {
  const std::string p = "C:\\Data\\started.dat";
  ASSERT_TRUE(CreateSectionFileAtPath(p.c_str(), 1, 0, 3));
  HMSDATA w = OpenMSDataSection(p.c_str(), "MSData", 1, 0, 3, nullptr);
  ASSERT_NE(w, nullptr);
  MS_INFO_BLOCK info{};
  ASSERT_EQ(WriteMSHeader(w, &info), 0);
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->functionCount = 1;
  ASSERT_EQ(WriteMSSegment(w, seg.get()), 0);
  ASSERT_EQ(SetMSDataLiveFlag(w, 1), 0);
  ASSERT_EQ(CloseMSData(w), 0);

  HMSDATA h = OpenMSData(p.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetMSDataLiveFlag(h), 1);
  EXPECT_TRUE(Read(h, Scans(0, 100), "Merged", "RIC").points.empty());
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_TIME;
  r.time = 1.0;
  MS_SCAN_HEADER hd;
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  EXPECT_EQ(FindMSScan(h, &r, nullptr, &hd), 0.0);
  EXPECT_EQ(ReadMSScanHeader(h, &r, nullptr, &hd, buf.data()), MS_SCAN_TIME_FAILED);
  MS_SCAN_RECORD rec;
  EXPECT_NE(ReadMSScan(h, 0, &rec, buf.data()), 0);
  CloseMSData(h);
}

}  // namespace

namespace {

// Stored totals beyond what a point holds (found by fuzzing: adding the
// totals of a cycle overflowed) give the largest value instead.
TEST_F(MsDataTest, HugeStoredTotalsSaturate) {
  std::vector<uint8_t> bytes = mstest::ReadWholeSection(path_, "MSData");
  uint64_t indexOffset;
  std::memcpy(&indexOffset, &bytes[48], 8);
  for (uint32_t scan : {7u, 8u}) {
    uint64_t at;
    std::memcpy(&at, &bytes[indexOffset + 24 * (scan - 1)], 8);
    uint64_t huge = 0xF000000000000000ull;
    std::memcpy(&bytes[at + 12], &huge, 8);
  }
  ASSERT_TRUE(mstest::WriteWholeSection(path_, "MSData", bytes));
  HMSDATA h = OpenMSData(path_.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  TraceResult merged = Read(h, Scans(7, 8), "Merged", "RIC");
  ASSERT_EQ(merged.points.size(), 1u);
  EXPECT_EQ(merged.points[0].i, INT64_MAX);
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.scan = 7;
  STRUCT_CHAN_LIST c = Chan("Merged");
  MS_SCAN_HEADER hd;
  EXPECT_DOUBLE_EQ(FindMSScan(h, &r, &c, &hd), TimeOf(7));
  EXPECT_EQ(+hd.totalIon, UINT64_MAX);
  CloseMSData(h);
}

}  // namespace

namespace {

// The first layout kept each scan's points right behind its header; the
// same data set in that form, laid out here by hand.
std::vector<uint8_t> InFirstLayout(const std::vector<uint8_t>& image) {
  uint32_t count;
  uint64_t indexOffset, pointsAt;
  std::memcpy(&count, &image[20], 4);
  std::memcpy(&indexOffset, &image[48], 8);
  std::memcpy(&pointsAt, &image[56], 8);
  const uint64_t dataOffset = indexOffset + 24ull * count;
  std::vector<uint8_t> out(image.begin(), image.begin() + dataOffset);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* e = &out[indexOffset + 24ull * i];
    uint64_t headerAt;
    uint32_t n;
    std::memcpy(&headerAt, e, 8);
    std::memcpy(&n, e + 8, 4);
    const uint64_t at = out.size();
    std::memcpy(e, &at, 8);
    out.insert(out.end(), image.begin() + headerAt, image.begin() + headerAt + MS_SCAN_HEADER_SIZE);
    out.insert(out.end(), image.begin() + pointsAt, image.begin() + pointsAt + 13ull * n);
    pointsAt += 13ull * n;
  }
  const uint32_t version = 1;
  const uint64_t end = out.size();
  std::memcpy(&out[8], &version, 4);
  std::memcpy(&out[56], &dataOffset, 8);
  std::memcpy(&out[64], &end, 8);
  return out;
}

TEST_F(MsDataTest, FirstLayoutReadsAsBefore) {
  const std::vector<uint8_t> now = mstest::ReadWholeSection(path_, "MSData");
  uint32_t version;
  std::memcpy(&version, &now[8], 4);
  ASSERT_EQ(version, 2u);
  const std::string old = "C:\\Data\\old.dat";
  ASSERT_TRUE(CreateSectionFileAtPath(old.c_str(), 1, 0, 3));
  ASSERT_TRUE(mstest::WriteWholeSection(old, "MSData", InFirstLayout(now)));
  HMSDATA a = OpenMSData(path_.c_str(), "MSData", 0);
  HMSDATA b = OpenMSData(old.c_str(), "MSData", 0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  for (const char* chan : {"All", "Merged", "2"}) {
    for (const char* mass : {"RIC", "91", "49.8-91.2", "Intensity of Base Peak", "Base Peak Ion", "Column 1"}) {
      TraceResult x = Read(a, Scans(1, 12), chan, mass), y = Read(b, Scans(1, 12), chan, mass);
      ASSERT_EQ(x.points.size(), y.points.size()) << chan << " " << mass;
      EXPECT_FALSE(x.points.empty()) << chan << " " << mass;
      for (size_t k = 0; k < x.points.size(); ++k) {
        EXPECT_EQ(x.points[k].time, y.points[k].time);
        EXPECT_EQ(x.points[k].flag, y.points[k].flag);
        EXPECT_EQ(x.points[k].i, y.points[k].i) << chan << " " << mass << " " << k;
      }
    }
  }
  std::vector<uint8_t> bufA(GetMSScanBufferSize(a)), bufB(GetMSScanBufferSize(b));
  for (uint32_t scan = 1; scan <= 12; ++scan) {
    MS_SCAN_RECORD ra{}, rb{};
    ASSERT_EQ(ReadMSScan(a, scan, &ra, bufA.data()), 0);
    ASSERT_EQ(ReadMSScan(b, scan, &rb, bufB.data()), 0);
    EXPECT_EQ(std::memcmp(&ra, &rb, sizeof ra), 0) << scan;
    EXPECT_EQ(std::memcmp(bufA.data(), bufB.data(), 4 + 13 * ra.header.pointCount), 0) << scan;
  }
  EXPECT_EQ(CloseMSData(a), 0);
  EXPECT_EQ(CloseMSData(b), 0);
}

}  // namespace

namespace {

// One segment of two scan functions (scan s is of function 2 - s % 2), the
// scans at the given times, in whatever order they come.
bool WriteTimedRun(const std::string& path, const std::vector<double>& times) {
  if (!CreateSectionFileAtPath(path.c_str(), 1, 0, 3)) return false;
  const uint32_t n = static_cast<uint32_t>(times.size());
  HMSDATA h = OpenMSDataSection(path.c_str(), "MSData", 1, n, 2, nullptr);
  if (!h) return false;
  for (uint32_t s = 1; s <= n; ++s) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    rec.header.scanNumber = s;
    rec.header.time = times[s - 1];
    auto buf = mstest::Exchange({{50.0, s}});
    if (WriteMSScan(h, &rec, buf.data()) != 0) return false;
  }
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->startTime = times.front();
  seg->endTime = times.back();
  seg->functionCount = 2;
  seg->firstScan = 1;
  seg->lastScan = n;
  if (WriteMSSegment(h, seg.get()) != 0) return false;
  MS_INFO_BLOCK info{};
  info.fileKind = MS_FILE_KIND_QUADRUPOLE;
  info.centroid = 1;
  if (WriteMSHeader(h, &info) != 0) return false;
  return CloseMSData(h) == 0;
}

// The scan a time picks, by looking at every scan the channel takes
// (function: 0 for every scan): at or before, the last of the latest; at or
// after, the first of the earliest; else the first of the nearest.
uint32_t PickedByWalk(const std::vector<double>& times, double t, uint32_t mode, uint32_t function) {
  uint32_t picked = 0;
  double best = 0;
  for (uint32_t s = 1; s <= times.size(); ++s) {
    if (function != 0 && 2 - s % 2 != function) continue;
    const double ts = times[s - 1];
    if (mode == MS_PICK_AT_OR_BEFORE) {
      if (ts <= t && (!picked || ts >= best)) picked = s, best = ts;
    } else if (mode == MS_PICK_AT_OR_AFTER) {
      if (ts >= t && (!picked || ts < best)) picked = s, best = ts;
    } else if (!picked || std::fabs(ts - t) < best) {
      picked = s, best = std::fabs(ts - t);
    }
  }
  return picked;
}

// Finding the scan at a time halves the index when its times ascend and
// walks it when they do not: either way it picks the scan the walk over
// every scan picks, on equal times, equal distances, times out of the run,
// far times whose distances round alike, and channels that take some scans or none.
TEST_F(MsDataTest, TheScanAtATimeIsTheOneEveryScanWalkedPicks) {
  const std::vector<std::vector<double>> runs = {
      {1.0, 1.0, 1.1, 1.2, 1.2, 1.2, 1.3, 1.5, 1.5, 2.0, 2.0},
      {0.5},
      {1.0, 2.0, 3.0, 1e20, 1e20, 2e20},
      {-3.0, -1.0, 0.0, 0.0, 0.0, 4.0},
      {2.0, 1.0, 1.5, 1.5, 0.5, 3.0, 0.5},  // a damaged index: the times do not ascend
  };
  const std::vector<double> extra = {-1e30, 1e30, -0.0, 1.05, 1.15, 1.25, 1.4, 1.75, 2.5, 1e19, 1.5e20, 3e20, -2.0};
  const std::pair<const char*, uint32_t> channels[] = {{"All", 0}, {"1", 1}, {"2", 2}, {"3", 3}};
  for (size_t run = 0; run < runs.size(); ++run) {
    const std::string path = "C:\\Data\\timed" + std::to_string(run) + ".dat";
    const std::vector<double>& times = runs[run];
    ASSERT_TRUE(WriteTimedRun(path, times)) << run;
    HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
    ASSERT_NE(h, nullptr) << run;
    std::vector<double> asked = times;
    asked.insert(asked.end(), extra.begin(), extra.end());
    for (double t : times) asked.push_back(std::nextafter(t, -HUGE_VAL)), asked.push_back(std::nextafter(t, HUGE_VAL));
    for (const auto& [text, function] : channels) {
      const STRUCT_CHAN_LIST c = Chan(text);
      for (uint32_t mode : {0u, uint32_t{MS_PICK_AT_OR_BEFORE}, uint32_t{MS_PICK_NEAREST}, uint32_t{MS_PICK_AT_OR_AFTER}, 7u}) {
        for (double t : asked) {
          MS_SCAN_REQUEST r{};
          r.kind = MS_SCAN_BY_TIME;
          r.mode = mode;
          r.time = t;
          MS_SCAN_HEADER hd{};
          const double found = ReadMSScanHeader(h, &r, &c, &hd, nullptr);
          const uint32_t want = PickedByWalk(times, t, mode, function);
          if (want == 0) {
            EXPECT_EQ(found, MS_SCAN_TIME_FAILED) << run << " " << text << " mode " << mode << " at " << t;
          } else {
            EXPECT_EQ(+hd.scanNumber, want) << run << " " << text << " mode " << mode << " at " << t;
            EXPECT_EQ(found, times[want - 1]) << run << " " << text << " mode " << mode << " at " << t;
          }
        }
      }
    }
    EXPECT_EQ(CloseMSData(h), 0);
  }
}


// A trace by times holds the scans inside the window and no others, as a
// walk over every scan finds them: on windows that begin or end inside a
// cycle, on a scan's own time, outside the run, empty or reversed, and on
// an index whose times do not ascend. Scan s holds s counts at mass 50.
TEST_F(MsDataTest, TracesByTimeHoldTheScansEveryScanWalkedFinds) {
  const std::vector<std::vector<double>> runs = {
      {1.0, 1.0, 1.1, 1.2, 1.2, 1.2, 1.3, 1.5, 1.5, 2.0, 2.0},
      {0.5},
      {-3.0, -1.0, 0.0, 0.0, 0.0, 4.0, 4.5},
      {2.0, 1.0, 1.5, 1.5, 0.5, 3.0, 0.5},  // a damaged index: the times do not ascend
  };
  const std::vector<std::pair<double, double>> windows = {
      {-1e30, 1e30}, {1.0, 1.0}, {1.1, 1.2}, {1.15, 1.45}, {1.2, 2.0}, {1.5, 1.5}, {0.0, 0.0},
      {-2.0, 4.2}, {2.5, 1.0}, {5.0, 9.0}, {-9.0, -5.0}, {0.5, 0.5}, {1.0, 1.9999}, {-0.0, 0.0}};
  const std::pair<const char*, uint32_t> channels[] = {{"All", 0}, {"Merged", 0}, {"1", 1}, {"2", 2}};
  for (size_t run = 0; run < runs.size(); ++run) {
    const std::string path = "C:\\Data\\window" + std::to_string(run) + ".dat";
    const std::vector<double>& times = runs[run];
    ASSERT_TRUE(WriteTimedRun(path, times)) << run;
    HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
    ASSERT_NE(h, nullptr) << run;
    const uint32_t n = static_cast<uint32_t>(times.size());
    for (const auto& [text, function] : channels) {
      for (const auto& [from, to] : windows) {
        // Expected: one point a scan ("All"), else one a cycle of two scans
        // for the scans the channel takes, at the first one's time.
        std::vector<std::pair<double, int64_t>> want;
        for (uint32_t c = 1; c <= n; c += 2) {
          bool have = false;
          std::pair<double, int64_t> acc{};
          for (uint32_t s = c; s <= std::min(n, c + 1); ++s) {
            const bool taken = function == 0 || 2 - s % 2 == function;
            if (!taken || !(times[s - 1] >= from && times[s - 1] <= to)) continue;
            if (std::string(text) == "All") {
              want.push_back({times[s - 1], s});
              continue;
            }
            if (!have) acc = {times[s - 1], 0}, have = true;
            acc.second += s;
          }
          if (have) want.push_back(acc);
        }
        const TraceResult got = Read(h, Times(from, to), text, "50");
        ASSERT_EQ(got.points.size(), want.size()) << run << " " << text << " " << from << "-" << to;
        for (size_t k = 0; k < want.size(); ++k) {
          EXPECT_EQ(got.points[k].time, want[k].first) << run << " " << text << " " << from << "-" << to;
          EXPECT_EQ(got.points[k].i, want[k].second) << run << " " << text << " " << from << "-" << to;
        }
      }
    }
    EXPECT_EQ(CloseMSData(h), 0);
  }
}

}  // namespace
