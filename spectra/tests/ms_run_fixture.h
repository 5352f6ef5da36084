#pragma once
// A generated GC/MS run opened as a work file, with direct reads of its
// stored scans for sums worked out independently of the spectrum code.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/mass_lists.h"
#include "common/tests/kelt_test_root.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"

namespace spttest {

struct Peak {
  double mass;
  uint32_t intensity;
};

inline std::vector<Peak> ExchangePeaks(const void* buffer) {
  std::vector<Peak> out;
  if (!buffer) return out;
  uint32_t n;
  std::memcpy(&n, buffer, 4);
  const auto* e = static_cast<const uint8_t*>(buffer) + 4;
  for (uint32_t i = 0; i < n; ++i, e += 13) {
    Peak p;
    std::memcpy(&p.mass, e + 1, 8);
    std::memcpy(&p.intensity, e + 9, 4);
    out.push_back(p);
  }
  return out;
}

inline uint64_t Total(const std::vector<Peak>& peaks) {
  uint64_t t = 0;
  for (const Peak& p : peaks) t += p.intensity;
  return t;
}

// Sum of the intensities within +/- w of a mass.
inline double SumNear(const std::vector<Peak>& peaks, double mass, double w = 0.3) {
  double s = 0;
  for (const Peak& p : peaks)
    if (std::fabs(p.mass - mass) <= w) s += p.intensity;
  return s;
}

inline STRUCT_CHAN_LIST Channels(uint32_t kind) {
  STRUCT_CHAN_LIST c{};
  c.kind = kind;
  return c;
}

class MsRunTest : public KeltRootTest {
 protected:
  // Segments: one scan function, two, three.
  void Open(msfix::RunPlan plan) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Data", nullptr));
    ASSERT_TRUE(msfix::WriteMsDataFile(path_, plan, &truth_));
    wf_ = MakeWorkFileStruct(path_.c_str(), 0);
    ASSERT_NE(wf_, nullptr);
    h_ = OpenMSData(path_.c_str(), "MSData", 0);
    ASSERT_NE(h_, nullptr);
  }
  static msfix::RunPlan Plan(bool profile = false) {
    msfix::RunPlan plan;
    plan.scans = 300;
    plan.segments = {{1.0, 1, ""}, {1.0, 2, ""}, {1.0, 3, ""}};
    plan.profile = profile;
    plan.compounds = 8;
    return plan;
  }
  void TearDown() override {
    if (h_) CloseMSData(h_);
    FreeWorkFileStruct(wf_);
    KeltRootTest::TearDown();
  }
  // A stored scan read directly, as the MS data library gives it.
  std::vector<Peak> Scan(uint32_t scan, uint32_t chanKind, MS_SCAN_HEADER* header = nullptr) {
    STRUCT_CHAN_LIST c = Channels(chanKind);
    std::vector<uint8_t> buf(GetMSScanBufferSize(h_));
    MS_SCAN_REQUEST r{};
    r.kind = MS_SCAN_BY_NUMBER;
    r.mode = MS_PICK_NEAREST;
    r.scan = scan;
    MS_SCAN_HEADER hd;
    EXPECT_NE(ReadMSScanHeader(h_, &r, &c, &hd, buf.data()), MS_SCAN_TIME_FAILED) << scan;
    if (header) *header = hd;
    return ExchangePeaks(buf.data());
  }
  const MS_SEGMENT_BLOCK& Seg(int s) const { return wf_->segmentBlocks[s]; }

  const std::string path_ = "C:\\Data\\run.kms";
  msfix::RunTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
  HMSDATA h_ = nullptr;
};

}  // namespace spttest

namespace spttest {

// A small hand-made MS data file: one segment of scans first..last at
// 0.01-minute steps from 1.0, functions scan functions, mass decimals as
// given. Scan s holds 50.0 (100 s) and 91.0 (1000 + s); function 1 scans
// also hold 120.5 (7 s).
inline bool WriteSmallRun(const std::string& path, uint32_t first, uint32_t last, int functions, uint16_t decimals,
                          bool centroid = true) {
  if (!CreateSectionFileAtPath(path.c_str(), 1, 0, 3)) return false;
  HMSDATA h = OpenMSDataSection(path.c_str(), "MSData", 1, last - first + 1, 3, nullptr);
  if (!h) return false;
  for (uint32_t s = first; s <= last; ++s) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    rec.header.scanNumber = s;
    rec.header.time = 1.0 + 0.01 * (s - first);
    rec.header.segment = 1;
    rec.header.function = static_cast<uint8_t>((s - first) % uint32_t(functions));
    std::vector<std::pair<double, uint32_t>> peaks = {{50.0, 100 * s}, {91.0, 1000 + s}};
    if (rec.header.function == 1) peaks.push_back({120.5, 7 * s});
    std::vector<uint8_t> buf(4 + 13 * peaks.size(), 0);
    uint32_t n = uint32_t(peaks.size());
    std::memcpy(buf.data(), &n, 4);
    uint64_t total = 0;
    for (size_t k = 0; k < peaks.size(); ++k) {
      std::memcpy(&buf[5 + 13 * k], &peaks[k].first, 8);
      std::memcpy(&buf[13 + 13 * k], &peaks[k].second, 4);
      total += peaks[k].second;
    }
    rec.header.totalIon = total;
    rec.header.pointCount = n;
    if (WriteMSScan(h, &rec, buf.data()) != 0) return false;
  }
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->startTime = 1.0;
  seg->endTime = 1.0 + 0.01 * (last - first);
  seg->functionCount = static_cast<uint8_t>(functions);
  seg->firstScan = first;
  seg->lastScan = last;
  for (int f = 0; f < functions; ++f) {
    seg->functions[f].number = static_cast<uint16_t>(f);
    seg->functions[f].massWidth = 1.0;
    seg->functions[f].massDecimals = decimals;
  }
  if (WriteMSSegment(h, seg.get()) != 0) return false;
  MS_INFO_BLOCK info{};
  info.fileKind = MS_FILE_KIND_QUADRUPOLE;
  info.fileType = 61;
  info.module = 2;
  info.centroid = centroid ? 1 : 0;
  if (WriteMSHeader(h, &info) != 0) return false;
  return CloseMSData(h) == 0;
}

}  // namespace spttest
