// Stored MS data read in place: scans come from the section or the raw
// file when asked for, so large scans across the reading blocks, reads in
// any order, and a scan damaged after the index still give the stored
// values or the failure values.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fixtures/msfixtures.h"
#include "ms_test_data.h"
#include "orvik32/orvik32_batches.h"
#include "quorna/ms_keep.h"
#include "win/win_child.h"

namespace {

// Scan s (1-based) holds masses 50, 51 ... with intensities s x 1000 + k.
constexpr uint32_t kScans = 120, kPeaks = 1500;

double MassOf(uint32_t k) { return 50.0 + k; }
uint32_t IntensityOf(uint32_t s, uint32_t k) { return s * 1000 + k; }

// Scans 1..scans at times 1 + step * s, each of `points` masses from 50 up.
template <class Intensity>
bool WriteDataSet(const std::string& path, bool raw, uint32_t scans, uint32_t points, double step,
                  Intensity intensity, bool makeFile = true) {
  if (!raw && makeFile && !CreateSectionFileAtPath(path.c_str(), 1, 0, 3)) return false;
  HMSDATA h = OpenMSDataSection(path.c_str(), raw ? nullptr : "MSData", 1, scans, 3, nullptr);
  if (!h) return false;
  for (uint32_t s = 1; s <= scans; ++s) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    rec.header.scanNumber = s;
    rec.header.time = 1.0 + step * s;
    std::vector<std::pair<double, uint32_t>> peaks;
    for (uint32_t k = 0; k < points; ++k) peaks.emplace_back(MassOf(k), intensity(s, k));
    auto buf = mstest::Exchange(peaks);
    if (WriteMSScan(h, &rec, buf.data()) != 0) return false;
  }
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->startTime = 1.0 + step;
  seg->endTime = 1.0 + step * scans;
  seg->functionCount = 1;
  seg->firstScan = 1;
  seg->lastScan = scans;
  if (WriteMSSegment(h, seg.get()) != 0) return false;
  MS_INFO_BLOCK info{};
  info.fileKind = MS_FILE_KIND_QUADRUPOLE;
  info.centroid = 1;
  if (WriteMSHeader(h, &info) != 0) return false;
  return CloseMSData(h) == 0;
}

bool WriteWideDataSet(const std::string& path, bool raw, uint32_t scans = kScans, uint32_t points = kPeaks,
                      bool makeFile = true) {
  return WriteDataSet(path, raw, scans, points, 0.01, IntensityOf, makeFile);
}

// A trace's points: each value and its flag.
struct FlaggedPoint {
  int64_t value;
  uint32_t flag;
  bool operator==(const FlaggedPoint& o) const { return value == o.value && flag == o.flag; }
};

std::vector<FlaggedPoint> FlaggedTrace(HMSDATA h, const STRUCT_CHAN_LIST* c, const char* mass, uint32_t first,
                                       uint32_t last) {
  STRUCT_MASS_LIST m;
  ParseMassList(mass, &m);
  MS_TRACE_REQUEST r{};
  r.kind = MS_TRACE_BY_SCANS;
  r.scans.first = first;
  r.scans.last = last;
  void* block = nullptr;
  const uint32_t n = ReadMSTrace(h, &r, c, &m, &block);
  std::vector<FlaggedPoint> out(n);
  for (uint32_t i = 0; i < n; ++i) {
    std::memcpy(&out[i].flag, static_cast<uint8_t*>(block) + 12 + 20 * i + 8, 4);
    std::memcpy(&out[i].value, static_cast<uint8_t*>(block) + 12 + 20 * i + 12, 8);
  }
  if (n == 0) {
    EXPECT_EQ(block, nullptr);
  }
  FreeMSTrace(block);
  return out;
}

std::vector<int64_t> IonTrace(HMSDATA h, const char* mass, uint32_t first = 0, uint32_t last = 0xFFFFFFFF) {
  STRUCT_CHAN_LIST c;
  ParseChanList("All", &c);
  std::vector<int64_t> out;
  for (const FlaggedPoint& p : FlaggedTrace(h, &c, mass, first, last)) out.push_back(p.value);
  return out;
}

class MsDataInPlaceTest : public mstest::RootedTest {};

// Many short scans: their headers span several of the reader's blocks.
constexpr uint32_t kLongScans = 2000;
int64_t LongTicOf(uint32_t s) { return 5 * int64_t{s} * 10 + 10; }

bool WriteLongDataSet(const std::string& path, bool raw) {
  return WriteDataSet(path, raw, kLongScans, 5, 0.001, [](uint32_t s, uint32_t k) { return s * 10 + k; });
}

TEST_F(MsDataInPlaceTest, LargeScansReadInAnyOrderFromSectionsAndRawFiles) {
  for (bool raw : {false, true}) {
    const std::string path = raw ? "C:\\Data\\wide.raw" : "C:\\Data\\wide.dat";
    ASSERT_TRUE(WriteWideDataSet(path, raw));
    const char* section = raw ? nullptr : "MSData";
    HMSDATA a = OpenMSData(path.c_str(), section, 0), b = OpenMSData(path.c_str(), section, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    // Each scan is about 20 KB: the traces cross many reading blocks.
    const std::vector<int64_t> low = IonTrace(a, "50"), high = IonTrace(b, "1549");
    ASSERT_EQ(low.size(), kScans);
    ASSERT_EQ(high.size(), kScans);
    for (uint32_t s = 1; s <= kScans; ++s) {
      EXPECT_EQ(low[s - 1], IntensityOf(s, 0));
      EXPECT_EQ(high[s - 1], IntensityOf(s, 1499));
    }
    std::vector<uint8_t> buf(GetMSScanBufferSize(a));
    for (uint32_t s : {kScans, 1u, 60u, kScans - 1, 2u, 61u}) {
      MS_SCAN_RECORD rec;
      ASSERT_EQ(ReadMSScan(s % 2 ? a : b, s, &rec, buf.data()), 0) << s;
      EXPECT_EQ(rec.header.scanNumber, s);
      uint32_t n;
      std::memcpy(&n, buf.data(), 4);
      ASSERT_EQ(n, kPeaks);
      for (uint32_t k : {0u, 777u, kPeaks - 1}) {
        double mass;
        uint32_t v;
        std::memcpy(&mass, &buf[5 + 13 * k], 8);
        std::memcpy(&v, &buf[13 + 13 * k], 4);
        EXPECT_DOUBLE_EQ(mass, MassOf(k));
        EXPECT_EQ(v, IntensityOf(s, k));
      }
    }
    CloseMSData(a);
    EXPECT_EQ(IonTrace(b, "100").size(), kScans);  // the other handle reads on
    CloseMSData(b);
  }
}

// A run larger than a handle keeps in memory: past that, blocks read
// lately serve the next scans. Every order of reading, and two threads
// reading through one handle at once, still give each scan its own values.
TEST_F(MsDataInPlaceTest, ScansBeyondTheKeptBlocksReadTheirOwnValuesInAnyOrder) {
  constexpr uint32_t scans = 150, points = 12000;  // about 23 MB
  const std::string path = "C:\\Data\\large.dat";
  ASSERT_TRUE(WriteWideDataSet(path, false, scans, points));
  auto check = [&](HMSDATA h, uint32_t s, std::vector<uint8_t>& buf) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    if (ReadMSScan(h, s, &rec, buf.data()) != 0 || rec.header.scanNumber != s) return false;
    uint32_t n;
    std::memcpy(&n, buf.data(), 4);
    if (n != points) return false;
    for (uint32_t k : {0u, 1u, points / 2, points - 1}) {
      double mass;
      uint32_t v;
      std::memcpy(&mass, &buf[5 + 13 * size_t{k}], 8);
      std::memcpy(&v, &buf[13 + 13 * size_t{k}], 4);
      if (mass != MassOf(k) || v != IntensityOf(s, k)) return false;
    }
    return true;
  };
  struct Order {
    const char* name;
    uint32_t first, step;  // scans first, first + step, ... taken modulo the count
  } orders[] = {{"forward", 0, 1}, {"backward", scans - 1, scans - 1}, {"stride 7", 3, 7}, {"stride 61", 5, 61}};
  for (const Order& o : orders) {
    HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
    ASSERT_NE(h, nullptr);
    std::vector<uint8_t> buf(GetMSScanBufferSize(h));
    // Twice over: the second time the first blocks are kept, the rest not.
    for (uint32_t i = 0, at = o.first; i < 2 * scans; ++i, at = (at + o.step) % scans)
      ASSERT_TRUE(check(h, at + 1, buf)) << o.name << " scan " << at + 1;
    CloseMSData(h);
  }
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  std::atomic<int> failures{0};
  auto walk = [&](uint32_t from, int step) {
    std::vector<uint8_t> buf(GetMSScanBufferSize(h));
    for (uint32_t i = 0, s = from; i < scans; ++i, s = step > 0 ? s % scans + 1 : (s == 1 ? scans : s - 1))
      if (!check(h, s, buf)) ++failures;
  };
  std::thread up(walk, 1u, 1), down(walk, scans, -1), middle(walk, scans / 2, 1);
  up.join();
  down.join();
  middle.join();
  EXPECT_EQ(failures.load(), 0);
  CloseMSData(h);
}

// A scan header damaged behind a sound index is found when the scan is
// read: whatever needs that scan fails, the rest of the data still reads.
TEST_F(MsDataInPlaceTest, DamagedScanFailsOnlyWhatReadsIt) {
  const std::string path = "C:\\Data\\small.dat";
  ASSERT_TRUE(mstest::WriteSmallDataSet(path));
  std::vector<uint8_t> bytes = mstest::ReadWholeSection(path, "MSData");
  uint64_t indexOffset, at;
  std::memcpy(&indexOffset, &bytes[48], 8);
  std::memcpy(&at, &bytes[indexOffset + 24 * 2], 8);  // scan 3
  const uint16_t tooMany = MS_MAX_EXTRA_COLUMNS + 1;
  std::memcpy(&bytes[at + offsetof(MS_SCAN_HEADER, extraCount)], &tooMany, 2);
  ASSERT_TRUE(mstest::WriteWholeSection(path, "MSData", bytes));

  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(IonTrace(h, "50").empty());
  EXPECT_EQ(IonTrace(h, "50", 4, 12).size(), 9u);
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  MS_SCAN_RECORD rec;
  EXPECT_NE(ReadMSScan(h, 3, &rec, buf.data()), 0);
  EXPECT_EQ(ReadMSScan(h, 4, &rec, buf.data()), 0);
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.scan = 3;
  MS_SCAN_HEADER header;
  EXPECT_EQ(FindMSScan(h, &r, nullptr, &header), 0.0);
  EXPECT_EQ(ReadMSScanHeader(h, &r, nullptr, &header, buf.data()), MS_SCAN_TIME_FAILED);
  EXPECT_EQ(ReadMSScanHeader(h, &r, nullptr, &header, nullptr), MS_SCAN_TIME_FAILED);
  // The time alone is the index's, which is sound.
  EXPECT_DOUBLE_EQ(ReadMSScanHeader(h, &r, nullptr, nullptr, nullptr), mstest::TimeOf(3));
  r.scan = 4;
  EXPECT_DOUBLE_EQ(FindMSScan(h, &r, nullptr, &header), mstest::TimeOf(4));
  CloseMSData(h);
}

// Ion traces keep what they need of a scan's header once read: later
// traces on a handle, windows in any order, scans alone or cycles of merged
// channels, give the first trace's values and the saturated scan's flag,
// and a damaged header fails every trace over it, again and again.
// In a run of one scan function every scan is its own cycle: merged
// channels give the trace of all channels, whatever the window or masses.
TEST_F(MsDataInPlaceTest, MergedChannelsOfOneFunctionGiveAPointAScan) {
  constexpr uint32_t scans = 40, points = 300;
  const std::string path = "C:\\Data\\onefunction.dat";
  auto intensity = [](uint32_t s, uint32_t k) { return (s * 7919 + k * 104729) % 5000 + 1; };
  ASSERT_TRUE(WriteDataSet(path, false, scans, points, 0.01, intensity));
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  STRUCT_CHAN_LIST all, merged;
  ParseChanList("All", &all);
  ParseChanList("Merged", &merged);
  struct Case {
    const char* mass;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;  // point positions summed, [first, last]
  } const cases[] = {
      {"50", {{0, 0}}},
      {"120", {{70, 70}}},
      {"349", {{299, 299}}},
      {"60-70", {{10, 20}}},
      {"55+200+300", {{5, 5}, {150, 150}, {250, 250}}},
      {"10", {}},
      {"400", {}},
  };
  struct Window {
    uint32_t first, last;
  } const windows[] = {{1, 40}, {0, 0xFFFFFFFFu}, {7, 7}, {3, 29}, {39, 60}};
  for (const Case& c : cases)
    for (const Window& w : windows) {
      std::vector<FlaggedPoint> want;
      for (uint32_t s = std::max(w.first, 1u); s <= std::min(w.last, scans); ++s) {
        int64_t sum = 0;
        for (auto [a, b] : c.ranges)
          for (uint32_t k = a; k <= b; ++k) sum += intensity(s, k);
        want.push_back({sum, 0});
      }
      EXPECT_EQ(FlaggedTrace(h, &merged, c.mass, w.first, w.last), want) << c.mass << " " << w.first << "-" << w.last;
      EXPECT_EQ(FlaggedTrace(h, &all, c.mass, w.first, w.last), want) << c.mass << " " << w.first << "-" << w.last;
    }
  CloseMSData(h);
}

TEST_F(MsDataInPlaceTest, IonTracesAfterTheFirstKeepFlagsAndFailures) {
  STRUCT_CHAN_LIST all, merged{};
  ParseChanList("All", &all);
  // Scan s holds 100 s at mass 50; scan 5 is saturated. Merged: scans 7-12
  // are cycles of two.
  auto expected = [](bool cycles, uint32_t first, uint32_t last) {
    std::vector<FlaggedPoint> out;
    for (uint32_t s = first; s <= last; ++s) {
      if (cycles && s >= 7 && s % 2 == 0 && s > first) {
        out.back().value += 100 * s;
        continue;
      }
      out.push_back({100 * int64_t{s}, s == 5 ? 1u : 0u});
    }
    return out;
  };
  struct Window {
    uint32_t first, last;
  } const windows[] = {{4, 6}, {1, 12}, {5, 5}, {1, 12}, {7, 12}, {2, 9}};
  for (bool raw : {false, true}) {
    const std::string path = raw ? "C:\\Data\\flags.raw" : "C:\\Data\\flags.dat";
    ASSERT_TRUE(mstest::WriteSmallDataSet(path, false, raw));
    const char* section = raw ? nullptr : "MSData";
    HMSDATA h = OpenMSData(path.c_str(), section, 0);
    ASSERT_NE(h, nullptr);
    for (const Window& w : windows)
      for (bool cycles : {false, true})
        EXPECT_EQ(FlaggedTrace(h, cycles ? &merged : &all, "50", w.first, w.last), expected(cycles, w.first, w.last))
            << w.first << "-" << w.last << (cycles ? " merged" : "") << (raw ? " raw" : "");
    CloseMSData(h);
  }

  // Scan 3's header damaged: read once or many times, over it or past it.
  const std::string path = "C:\\Data\\flags.dat";
  std::vector<uint8_t> bytes = mstest::ReadWholeSection(path, "MSData");
  uint64_t indexOffset, at;
  std::memcpy(&indexOffset, &bytes[48], 8);
  std::memcpy(&at, &bytes[indexOffset + 24 * 2], 8);
  const uint16_t tooMany = MS_MAX_EXTRA_COLUMNS + 1;
  std::memcpy(&bytes[at + offsetof(MS_SCAN_HEADER, extraCount)], &tooMany, 2);
  ASSERT_TRUE(mstest::WriteWholeSection(path, "MSData", bytes));
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  for (int round = 0; round < 3; ++round) {
    for (bool cycles : {false, true}) {
      const STRUCT_CHAN_LIST* c = cycles ? &merged : &all;
      EXPECT_TRUE(FlaggedTrace(h, c, "50", 1, 12).empty()) << round;
      EXPECT_TRUE(FlaggedTrace(h, c, "50", 3, 3).empty()) << round;
      EXPECT_EQ(FlaggedTrace(h, c, "50", 4, 12), expected(cycles, 4, 12)) << round;
    }
  }
  CloseMSData(h);
}

// A header asked for without a buffer is the one read with the spectrum,
// for a scan alone and for a cycle of merged channels.
TEST_F(MsDataInPlaceTest, HeaderWithoutBufferMatchesHeaderWithSpectrum) {
  const std::string path = "C:\\Data\\small.dat";
  ASSERT_TRUE(mstest::WriteSmallDataSet(path));
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  STRUCT_CHAN_LIST merged{};
  const STRUCT_CHAN_LIST* const lists[] = {nullptr, &merged};
  for (const STRUCT_CHAN_LIST* channels : lists) {
    for (uint32_t scan : {1u, 2u, 7u, 12u}) {
      MS_SCAN_REQUEST r{};
      r.kind = MS_SCAN_BY_NUMBER;
      r.scan = scan;
      MS_SCAN_HEADER full{}, alone{};
      const double t = ReadMSScanHeader(h, &r, channels, &full, buf.data());
      ASSERT_NE(t, MS_SCAN_TIME_FAILED) << scan;
      EXPECT_EQ(ReadMSScanHeader(h, &r, channels, &alone, nullptr), t) << scan;
      EXPECT_EQ(std::memcmp(&full, &alone, sizeof full), 0) << scan;
      EXPECT_EQ(ReadMSScanHeader(h, &r, channels, nullptr, nullptr), t) << scan;
    }
  }
  CloseMSData(h);
}

// A data set closed and opened again reads on from what was read before
// only while its file is as it was then: written anew here or by another
// process, or replaced by another file, it is read anew.
TEST_F(MsDataInPlaceTest, DataSetOpenedAgainReadsItsFileAsItNowIs) {
  const std::string path = "C:\\Data\\again.dat";
  const std::string other = "C:\\Data\\other.dat";
  auto factorOf = [](uint32_t factor) {
    return [factor](uint32_t s, uint32_t k) { return s * factor + k; };
  };
  ASSERT_TRUE(WriteDataSet(path, false, kScans, 20, 0.01, factorOf(2)));
  struct Case {
    const char* change;
    uint32_t factor;  // of the values read after it
    std::function<bool()> make;
  };
  const Case cases[] = {
      {"none", 2, [] { return true; }},
      {"written anew here", 3,
       [&] { return WriteDataSet(path, false, kScans, 20, 0.01, factorOf(3), false); }},
      {"written anew by another process", 5,
       [&] {
         auto child = win::child::Start([&](const std::function<void()>& ready) {
           ready();
           return WriteDataSet(path, false, kScans, 20, 0.01, factorOf(5), false) ? 0 : 3;
         });
         return win::child::WaitReady(child, 60000) && win::child::Wait(child) == 0;
       }},
      {"replaced by another file", 7,
       [&] {
         return WriteDataSet(other, false, kScans, 20, 0.01, factorOf(7)) &&
                MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
       }},
      {"none after a replacement", 7, [] { return true; }},
  };
  // Read once (only the first scans, so that later blocks come from the
  // next open's source), then closed: the image is kept.
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(IonTrace(h, "50", 1, 3).size(), 3u);
  CloseMSData(h);
  for (const Case& c : cases) {
    ASSERT_TRUE(c.make()) << c.change;
    h = OpenMSData(path.c_str(), "MSData", 0);
    ASSERT_NE(h, nullptr) << c.change;
    const std::vector<int64_t> values = IonTrace(h, "50");
    ASSERT_EQ(values.size(), kScans) << c.change;
    for (uint32_t s = 1; s <= kScans; ++s) ASSERT_EQ(values[s - 1], int64_t{s} * c.factor) << c.change << " scan " << s;
    CloseMSData(h);
  }
}

}  // namespace

// A data set kept open is shared by every open of it (any case of its
// path), reads as it would unkept, and is read anew once written through
// this library, while still kept and after the last release.
TEST_F(MsDataInPlaceTest, KeptDataSetIsSharedUntilWritten) {
  const std::string path = "C:\\Data\\kept.dat";
  ASSERT_TRUE(WriteWideDataSet(path, false));
  HMSDATA plain = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(plain, nullptr);
  const std::vector<int64_t> expected = IonTrace(plain, "1549");
  CloseMSData(plain);
  ASSERT_EQ(expected.size(), kScans);

  ASSERT_TRUE(KeepMSDataOpen(path.c_str(), "MSData"));
  ASSERT_TRUE(KeepMSDataOpen("c:\\data\\KEPT.DAT", "msdata"));  // nests
  HMSDATA a = OpenMSData(path.c_str(), "MSData", 0);
  HMSDATA b = OpenMSData("C:\\DATA\\Kept.dat", "MSData", 0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(IonTrace(a, "1549"), expected);
  CloseMSData(a);
  EXPECT_EQ(IonTrace(b, "1549"), expected);  // the shared image outlives a's close
  CloseMSData(b);

  // Written anew: later opens read the new data, not the kept image.
  ASSERT_TRUE(mstest::WriteSmallDataSet(path));
  HMSDATA c = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(IonTrace(c, "50").size(), 12u);
  CloseMSData(c);

  ReleaseMSDataOpen(path.c_str(), "MSData");
  ReleaseMSDataOpen(path.c_str(), "MSData");
  ReleaseMSDataOpen(path.c_str(), "MSData");  // one too many does nothing
  HMSDATA d = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(IonTrace(d, "50").size(), 12u);
  CloseMSData(d);
  EXPECT_FALSE(KeepMSDataOpen(nullptr, "MSData"));
}

// The file's head and its other sections, asked through an open handle,
// answer as the path functions do: before and after a writer adds a
// section, inside a batch that stages one, and for a raw file (no head,
// no sections).
TEST_F(MsDataInPlaceTest, FileFactsThroughTheOpenHandleMatchThePathFunctions) {
  const std::string path = "C:\\Data\\facts.dat";
  ASSERT_TRUE(WriteWideDataSet(path, false));
  HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
  ASSERT_NE(h, nullptr);
  uint16_t viaHandle = 0, viaPath = 0;
  EXPECT_EQ(GetMSDataFileType(h, &viaHandle), GetSectionFileType(path.c_str(), &viaPath));
  EXPECT_EQ(GetMSDataFileType(h, nullptr), 1);
  EXPECT_EQ(viaHandle, 3);
  EXPECT_EQ(viaHandle, viaPath);

  auto same = [&](const char* name) {
    return MSDataSectionExists(h, name) == SectionExists(path.c_str(), name);
  };
  struct Case {
    const char* name;
    BOOL there;
  } cases[] = {{"MSData", TRUE}, {"msdata", TRUE}, {"LogFile", FALSE}, {"TimeTagged", FALSE}, {"", FALSE}};
  for (const Case& c : cases) {
    EXPECT_EQ(MSDataSectionExists(h, c.name), c.there) << c.name;
    EXPECT_TRUE(same(c.name)) << c.name;
  }
  // Written while the handle reads: the handle lets go and asks anew.
  ASSERT_TRUE(mstest::WriteWholeSection(path, "LogFile", std::vector<uint8_t>(10, 1)));
  EXPECT_EQ(MSDataSectionExists(h, "LogFile"), TRUE);
  // Staged in this thread's batch: seen as the path functions see it.
  ASSERT_TRUE(BeginSectionBatch(path.c_str()));
  ASSERT_TRUE(DeleteSection(path.c_str(), "LogFile"));
  EXPECT_EQ(MSDataSectionExists(h, "LogFile"), FALSE);
  EXPECT_TRUE(same("LogFile"));
  AbortSectionBatch(path.c_str());
  EXPECT_EQ(MSDataSectionExists(h, "LogFile"), TRUE);
  CloseMSData(h);

  const std::string raw = "C:\\Data\\facts.raw";
  ASSERT_TRUE(WriteWideDataSet(raw, true));
  HMSDATA r = OpenMSData(raw.c_str(), nullptr, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(GetMSDataFileType(r, &viaHandle), -1);
  EXPECT_EQ(MSDataSectionExists(r, "MSData"), FALSE);
  CloseMSData(r);
  EXPECT_EQ(GetMSDataFileType(r, nullptr), -1);  // closed
  EXPECT_EQ(MSDataSectionExists(r, "MSData"), FALSE);
}

// Traces from the headers alone read only the headers they have not read
// before: windows in any order on one handle (inside a block, across
// blocks, extending what was read, reaching back before it, the whole run)
// give the stored totals, from sections and raw files.
TEST_F(MsDataInPlaceTest, HeaderTracesInAnyOrderGiveTheStoredTotals) {
  struct Window {
    uint32_t first, last;
  } windows[] = {{900, 1000}, {1000, 1400}, {1390, 1395}, {200, 950}, {1, 2000}, {1999, 2000}, {1, 1}, {600, 1500}};
  for (bool raw : {false, true}) {
    const std::string path = raw ? "C:\\Data\\long.raw" : "C:\\Data\\long.dat";
    ASSERT_TRUE(WriteLongDataSet(path, raw));
    HMSDATA kept = OpenMSData(path.c_str(), raw ? nullptr : "MSData", 0);
    ASSERT_NE(kept, nullptr);
    for (const Window& w : windows) {
      HMSDATA fresh = OpenMSData(path.c_str(), raw ? nullptr : "MSData", 0);
      for (HMSDATA h : {kept, fresh}) {
        const std::vector<int64_t> tic = IonTrace(h, "RIC", w.first, w.last);
        ASSERT_EQ(tic.size(), w.last - w.first + 1) << w.first << "-" << w.last;
        for (uint32_t s = w.first; s <= w.last; ++s)
          ASSERT_EQ(tic[s - w.first], LongTicOf(s)) << "scan " << s << (raw ? " raw" : "");
      }
      CloseMSData(fresh);
    }
    CloseMSData(kept);
  }
}

// A data set kept in memory only: what is written through this library is
// read from memory and never stored, the older data set in the file goes,
// and once released the file holds no data set.
TEST_F(MsDataInPlaceTest, DataSetKeptInMemoryIsNeverStored) {
  const std::string path = "C:\\Data\\memory.dat";
  ASSERT_TRUE(mstest::WriteSmallDataSet(path));  // the older one
  ASSERT_TRUE(KeepMSDataInMemory(path.c_str(), "MSData"));
  ASSERT_TRUE(WriteWideDataSet(path, false, kScans, kPeaks, false));
  EXPECT_FALSE(SectionExists(path.c_str(), "MSData"));
  HMSDATA a = OpenMSData("c:\\data\\MEMORY.DAT", "msdata", 0);
  ASSERT_NE(a, nullptr);
  const std::vector<int64_t> trace = IonTrace(a, "1549");
  ASSERT_EQ(trace.size(), kScans);
  for (uint32_t s = 1; s <= kScans; ++s) EXPECT_EQ(trace[s - 1], int64_t(IntensityOf(s, 1499))) << s;
  CloseMSData(a);
  ReleaseMSDataOpen(path.c_str(), "MSData");
  EXPECT_EQ(OpenMSData(path.c_str(), "MSData", 0), nullptr);
  EXPECT_FALSE(KeepMSDataInMemory(nullptr, "MSData"));
}

// A run kept whole may read into the buffer the last closed run left: a
// run opened after another of the same or a little smaller size still
// reads only its own values, from its first scan to its last.
TEST_F(MsDataInPlaceTest, RunsOpenedOneAfterAnotherReadTheirOwnValues) {
  struct Case {
    uint32_t scans;
    uint32_t factor;
  };
  ASSERT_TRUE(WriteWideDataSet("C:\\Data\\first.dat", false));
  HMSDATA first = OpenMSData("C:\\Data\\first.dat", "MSData", 0);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(IonTrace(first, "50").size(), kScans);
  CloseMSData(first);
  for (const Case& c : {Case{kScans, 7}, Case{kScans - 10, 3}, Case{kScans, 5}}) {
    const std::string path = "C:\\Data\\next" + std::to_string(c.factor) + ".dat";
    ASSERT_TRUE(WriteDataSet(path, false, c.scans, kPeaks, 0.01,
                             [&c](uint32_t s, uint32_t k) { return s * c.factor + k; }));
    HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
    ASSERT_NE(h, nullptr) << path;
    // The last scans first: their blocks were never read by this handle.
    const std::vector<int64_t> high = IonTrace(h, "1549", c.scans - 5, c.scans), low = IonTrace(h, "50");
    ASSERT_EQ(high.size(), 6u) << path;
    ASSERT_EQ(low.size(), c.scans) << path;
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(high[i], int64_t{c.scans - 5 + i} * c.factor + 1499) << path;
    for (uint32_t s = 1; s <= c.scans; ++s) EXPECT_EQ(low[s - 1], int64_t{s} * c.factor) << path << " scan " << s;
    CloseMSData(h);
  }
}

// Ion traces of noisy runs, centroid and profile (many points a mass),
// are the plain sums over the stored peaks: on the first walk, on later
// walks that find where each whole mass starts from the earlier ones, over
// part of the run first or all of it, for ranges that start on a whole
// mass, just under one, below or above the scanned masses, several at
// once, wide or narrow, and outside the masses whose starts are kept.
TEST_F(MsDataInPlaceTest, IonTracesOfNoisyRunsAreThePlainSumsOnEveryWalk) {
  struct Range {
    double low, high;
  };
  struct Ions {
    std::vector<Range> ranges;
    double window;
  };
  const std::vector<Ions> lists = {
      {{{207, 207}}, 0.5},
      {{{206.5, 206.5}}, 0.5},
      {{{73, 73}, {207, 207}, {281, 281}}, 0.5},
      {{{100, 150}}, 0.5},
      {{{207.03, 207.03}, {208.0, 208.0}}, 0.01},
      {{{39.6, 39.6}}, 0.5},
      {{{399.9, 399.9}}, 0.5},
      {{{70.2, 70.2}, {70.9, 70.9}}, 0.3},
      {{{65535.6, 65535.6}}, 0.5},
      {{{-3, 41}}, 0.5},
  };
  msfix::RunPlan centroid;
  centroid.scans = 90;
  centroid.peaksPerScan = 300;
  msfix::RunPlan profile;
  profile.scans = 12;
  profile.compounds = 4;
  profile.profile = true;
  profile.profileStep = 0.04;
  profile.segments = {{1.0, 1, ""}};
  int run = 0;
  for (const msfix::RunPlan& plan : {centroid, profile}) {
    const std::string path = "C:\\Data\\noisy" + std::to_string(run++) + ".dat";
    ASSERT_TRUE(msfix::WriteMsDataFile(path, plan, nullptr)) << path;
    HMSDATA h = OpenMSData(path.c_str(), "MSData", 0);
    ASSERT_NE(h, nullptr) << path;
    // The stored peaks of each scan.
    std::vector<std::vector<std::pair<double, uint32_t>>> scans(plan.scans);
    std::vector<uint8_t> buf(GetMSScanBufferSize(h));
    for (uint32_t s = 1; s <= plan.scans; ++s) {
      MS_SCAN_RECORD rec{};
      rec.recordSize = sizeof rec;
      ASSERT_EQ(ReadMSScan(h, s, &rec, buf.data()), 0) << s;
      uint32_t n;
      std::memcpy(&n, buf.data(), 4);
      for (uint32_t k = 0; k < n; ++k) {
        double mass;
        uint32_t v;
        std::memcpy(&mass, &buf[5 + 13 * k], 8);
        std::memcpy(&v, &buf[13 + 13 * k], 4);
        scans[s - 1].emplace_back(mass, v);
      }
    }
    CloseMSData(h);
    STRUCT_CHAN_LIST all;
    ParseChanList("All", &all);
    for (const Ions& ions : lists) {
      STRUCT_MASS_LIST m{};
      m.kind = MASS_LIST_RANGES;
      m.count = static_cast<uint16_t>(ions.ranges.size());
      m.window = ions.window;
      for (size_t k = 0; k < ions.ranges.size(); ++k)
        m.ranges[k].low = ions.ranges[k].low, m.ranges[k].high = ions.ranges[k].high;
      auto plain = [&](uint32_t s) {
        int64_t sum = 0;
        for (auto& [mass, v] : scans[s - 1]) {
          bool in = false;
          for (const Range& r : ions.ranges) in |= mass >= r.low - ions.window && mass < r.high + ions.window;
          if (in) sum += v;
        }
        return sum;
      };
      // A fresh handle for each list: its first walk learns where the
      // whole masses start.
      h = OpenMSData(path.c_str(), "MSData", 0);
      ASSERT_NE(h, nullptr);
      const uint32_t part = plan.scans / 3;
      for (auto [first, last] : {std::pair{part, 2 * part}, std::pair{1u, plan.scans}, std::pair{1u, plan.scans},
                                 std::pair{part - 1, part + 1}}) {
        MS_TRACE_REQUEST r{};
        r.kind = MS_TRACE_BY_SCANS;
        r.scans.first = first;
        r.scans.last = last;
        void* block = nullptr;
        const uint32_t n = ReadMSTrace(h, &r, &all, &m, &block);
        ASSERT_EQ(n, last - first + 1) << path << " " << ions.ranges.front().low;
        for (uint32_t i = 0; i < n; ++i) {
          int64_t value;
          std::memcpy(&value, static_cast<uint8_t*>(block) + 12 + 20 * i + 12, 8);
          EXPECT_EQ(value, plain(first + i)) << path << " " << ions.ranges.front().low << " scan " << first + i;
        }
        FreeMSTrace(block);
      }
      CloseMSData(h);
    }
  }
}
