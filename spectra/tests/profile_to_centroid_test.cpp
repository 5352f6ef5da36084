// Profile runs converted into centroided data files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "pomsel/pomsel.h"
#include "spectra/profile_to_centroid.h"
#include "spectra/tests/ms_run_fixture.h"
#include "testing/section_bytes.h"

using namespace spttest;

namespace {

std::vector<uint8_t> CentroidParams(uint16_t smooth, uint16_t search, uint16_t centroid) {
  std::vector<uint8_t> p(CENTROID_PARAMS_SIZE, 0);
  std::memcpy(&p[50], &smooth, 2);
  std::memcpy(&p[58], &search, 2);
  std::memcpy(&p[60], &centroid, 2);
  return p;
}

uint16_t Word(const std::vector<uint8_t>& p, size_t at) {
  uint16_t v;
  std::memcpy(&v, &p[at], 2);
  return v;
}

struct StoredScan {
  MS_SCAN_HEADER header;
  std::vector<Peak> peaks;
};

std::vector<StoredScan> AllScans(const char* path) {
  std::vector<StoredScan> out;
  HMSDATA h = OpenMSData(path, "MSData", 0);
  if (!h) return out;
  MS_INFO_BLOCK info;
  ReadMSInfoFromHandle(h, &info);
  std::vector<uint8_t> buf(GetMSScanBufferSize(h));
  for (uint32_t s = info.firstScan; s <= info.lastScan; ++s) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    if (ReadMSScan(h, s, &rec, buf.data()) != 0) break;
    out.push_back({rec.header, ExchangePeaks(buf.data())});
  }
  CloseMSData(h);
  return out;
}

class ProfileToCentroid : public MsRunTest {
 protected:
  void SetUp() override {
    MsRunTest::SetUp();
    plan_ = Plan(true);
    plan_.scans = 150;
    plan_.compounds = 6;
    plan_.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    Open(plan_);
    // A section of the host's own, to be carried over unchanged.
    PutSection(path_.c_str(), "UserNotes", std::vector<uint8_t>{1, 2, 3, 0, 250});
    CloseMSData(h_);
    h_ = nullptr;
  }
  msfix::RunPlan plan_;
  const char* target_ = "C:\\Data\\centroid.kms";
};

}  // namespace

TEST(CentroidWidths, HalvedWhileWideThenScaledWithinBounds) {
  struct Case {
    double w, resolution;
    uint16_t smooth, search, centroid;
    uint16_t smoothOut, searchOut, centroidOut;
  } cases[] = {
      // 120 -> 60 -> 30, ratio 3: 3 x 3 = 9, 0 -> 1, 4 x 3 = 12 -> 13 (odd).
      {120, 10, 4, 3, 0, 13, 9, 1},
      // ratio 0.5: 3 -> 2, 1 -> 1 (0.5 + 0.5), 3 -> 2 -> 3.
      {20, 40, 3, 3, 1, 3, 2, 1},
      // Narrow channel: the widths stop at w (smoothing at w + 1, odd).
      {6, 1, 5, 5, 5, 7, 6, 6},
      // Below one point every width is still 1.
      {0.6, 0.3, 1, 1, 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> p = CentroidParams(c.smooth, c.search, c.centroid);
    kelt::spectra::AdaptCentroidWidths(p.data(), c.w, c.resolution);
    EXPECT_EQ(Word(p, 54), c.smoothOut) << c.w;
    EXPECT_EQ(Word(p, 62), c.searchOut) << c.w;
    EXPECT_EQ(Word(p, 64), c.centroidOut) << c.w;
    EXPECT_EQ(Word(p, 50), c.smooth);  // the inputs stay
  }
  // A ratio of 1 leaves the derived widths alone.
  std::vector<uint8_t> p = CentroidParams(3, 3, 3);
  kelt::spectra::AdaptCentroidWidths(p.data(), 30, 30);
  EXPECT_EQ(Word(p, 54), 0);
  EXPECT_EQ(Word(p, 62), 0);
}

TEST_F(ProfileToCentroid, CentroidsMatchTheRunsIonsAndOtherSectionsAreCopied) {
  // A file already at the target is replaced.
  ASSERT_TRUE(CreateSectionFileAtPath(target_, 5, 0, 1));
  PutSection(target_, "Stale", {9});
  const std::vector<uint8_t> params = CentroidParams(3, 3, 0);
  const std::vector<uint8_t> sourceBytes = SectionBytes(path_.c_str(), "MSData");
  ASSERT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 1);
  EXPECT_EQ(SectionBytes(path_.c_str(), "MSData"), sourceBytes);  // the source is only read
  EXPECT_TRUE(SectionBytes(target_, "Stale").empty());

  uint16_t fmtS = 0, fmtT = 0;
  EXPECT_EQ(GetSectionFileType(target_, &fmtT), GetSectionFileType(path_.c_str(), &fmtS));
  EXPECT_EQ(fmtT, fmtS);
  EXPECT_EQ(SectionBytes(target_, "UserNotes"), (std::vector<uint8_t>{1, 2, 3, 0, 250}));
  for (uint16_t s = 1; s <= 2; ++s) EXPECT_EQ(GetSegmentDataKind(target_, s), 1) << s;

  STRUCT_WORK_FILE* out = MakeWorkFileStruct(target_, 0);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(+out->centroid, 1);
  EXPECT_EQ(+out->profile, 0);
  const std::vector<StoredScan> src = AllScans(path_.c_str());
  const std::vector<StoredScan> dst = AllScans(target_);
  ASSERT_EQ(dst.size(), src.size());
  ASSERT_EQ(dst.size(), size_t(plan_.scans));

  std::vector<msfix::ScanData> truth;
  msfix::MakeRun(plan_, nullptr, &truth);
  ASSERT_EQ(truth.size(), dst.size());
  size_t checked = 0;
  uint64_t fileMax = 0;
  uint32_t fileMaxScan = 0;
  std::vector<uint64_t> segMax(2, 0);
  std::vector<uint32_t> segMaxScan(2, 0);
  for (size_t i = 0; i < dst.size(); ++i) {
    const MS_SCAN_HEADER& h = dst[i].header;
    EXPECT_EQ(+h.scanNumber, +src[i].header.scanNumber);
    EXPECT_EQ(+h.time, +src[i].header.time);
    EXPECT_NE(h.scanKind & MS_SCAN_KIND_CENTROIDED, 0) << i;
    EXPECT_LT(dst[i].peaks.size(), src[i].peaks.size() / 4) << i;
    EXPECT_EQ(+h.totalIon, Total(dst[i].peaks)) << i;
    if (h.totalIon > fileMax) fileMax = h.totalIon, fileMaxScan = h.scanNumber;
    if (h.totalIon > segMax[h.segment - 1]) segMax[h.segment - 1] = h.totalIon, segMaxScan[h.segment - 1] = h.scanNumber;
    // Every strong, isolated ion of the run is one centroid at its mass
    // (within the scan function's 0.1) holding the sum of its points.
    const auto& ions = truth[i].ions;
    for (size_t k = 0; k < ions.size(); ++k) {
      const double m = ions[k].first, counts = ions[k].second;
      if (counts < 3000) continue;
      // An ion on the edge of the scan function's range is cut by it.
      const MS_SCAN_FUNCTION& fn = out->segmentBlocks[h.segment - 1].functions[h.function];
      if (m - 0.5 < fn.lowMass || m + 0.5 > fn.highMass) continue;
      bool isolated = true;
      for (size_t j = 0; j < ions.size(); ++j)
        if (j != k && std::fabs(ions[j].first - m) < 0.9 && ions[j].second > 0.01 * counts) isolated = false;
      if (!isolated) continue;
      const Peak* best = nullptr;
      for (const Peak& p : dst[i].peaks)
        if (!best || std::fabs(p.mass - m) < std::fabs(best->mass - m)) best = &p;
      ASSERT_NE(best, nullptr);
      EXPECT_NEAR(best->mass, m, 0.1) << "scan " << i << " ion " << m;
      // The centroid holds the sum of the ion's profile points, which is
      // the run's count for the ion up to the points' counting noise.
      const double raw = SumNear(src[i].peaks, m, 0.45);
      EXPECT_NEAR(double(best->intensity), raw, 0.01 * raw + 30) << "scan " << i << " ion " << m;
      EXPECT_NEAR(double(best->intensity), counts, 0.03 * counts + 4 * std::sqrt(counts) + 60) << "scan " << i << " ion " << m;
      ++checked;
    }
  }
  EXPECT_GT(checked, 50u);
  EXPECT_EQ(+out->msInfo.maxTic, fileMax);
  EXPECT_EQ(+out->msInfo.maxTicScan, fileMaxScan);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(+out->segmentBlocks[s].maxTic, segMax[s]) << s;
    EXPECT_EQ(+out->segmentBlocks[s].maxTicScan, segMaxScan[s]) << s;
  }
  FreeWorkFileStruct(out);
}

TEST_F(ProfileToCentroid, RefusalsLeaveNoTargetAndTheSourceIntact) {
  const std::vector<uint8_t> params = CentroidParams(3, 3, 0);
  const std::vector<uint8_t> sourceBytes = SectionBytes(path_.c_str(), "MSData");
  ASSERT_FALSE(sourceBytes.empty());
  // The source named again, in other letters: refused, nothing lost.
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), "c:\\data\\RUN.KMS", params.data(), 1, 0.6, 0, 0),
            0);
  EXPECT_EQ(SectionBytes(path_.c_str(), "MSData"), sourceBytes);
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), "", params.data(), 1, 0.6, 0, 0), 0);
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(nullptr, target_, params.data(), 1, 0.6, 0, 0), 0);

  // No MS data: no target.
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Data\\empty.kms", 61, 0, 1));
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile("C:\\Data\\empty.kms", target_, params.data(), 1, 0.6, 0, 0), 0);
  EXPECT_FALSE(FileExists(target_));

  // Centroid data are not converted again.
  ASSERT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 1);
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(target_, "C:\\Data\\again.kms", params.data(), 1, 0.6, 0, 0), 0);
  EXPECT_FALSE(FileExists("C:\\Data\\again.kms"));

  // A failure half way (a segment kind the data-file table refuses)
  // removes the partly written target.
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), "C:\\Data\\half.kms", params.data(), 7, 0.6, 0, 0),
            0);
  EXPECT_FALSE(FileExists("C:\\Data\\half.kms"));
}

// Scans are centroided on several threads a batch at a time: conversions of
// one run agree byte for byte, whatever thread took which scan.
TEST_F(ProfileToCentroid, ConversionsOfOneRunAgreeByteForByte) {
  const std::vector<uint8_t> params = CentroidParams(3, 3, 0);
  ASSERT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 1);
  const std::vector<uint8_t> first = SectionBytes(target_, "MSData");
  ASSERT_FALSE(first.empty());
  for (int again = 0; again < 3; ++again) {
    ASSERT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 1);
    EXPECT_EQ(SectionBytes(target_, "MSData"), first) << again;
  }
}

// The converted run pinned bit for bit under two settings: a change of the
// centroid engine that moves any centroid, count or header changes the
// digest.
TEST_F(ProfileToCentroid, ConvertedRunKeepsItsDigest) {
  struct Case {
    uint16_t smooth, search, centroid;
    uint64_t digest;
  };
  const Case cases[] = {{3, 3, 0, 0xc11176c0f27ea47bull}, {1, 5, 9, 0x2d61768e37afe9fcull}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> params = CentroidParams(c.smooth, c.search, c.centroid);
    ASSERT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 1);
    const std::vector<uint8_t> bytes = SectionBytes(target_, "MSData");
    ASSERT_FALSE(bytes.empty());
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001B3ull;
    EXPECT_EQ(h, c.digest) << c.smooth << ' ' << std::hex << h;
  }
}

// A scan that cannot be read, wherever it lies in the run (first, inside
// the scans read ahead, last), fails the conversion: no target, the
// source as it was.
TEST_F(ProfileToCentroid, ADamagedScanAnywhereLeavesNoTarget) {
  const std::vector<uint8_t> params = CentroidParams(3, 3, 0);
  const std::vector<uint8_t> sound = SectionBytes(path_.c_str(), "MSData");
  ASSERT_FALSE(sound.empty());
  for (uint32_t scan : {1u, 7u, 75u, plan_.scans}) {
    std::vector<uint8_t> bytes = sound;
    uint64_t indexOffset, at;
    std::memcpy(&indexOffset, &bytes[48], 8);
    std::memcpy(&at, &bytes[indexOffset + 24 * size_t{scan - 1}], 8);
    const uint16_t tooMany = MS_MAX_EXTRA_COLUMNS + 1;
    std::memcpy(&bytes[at + offsetof(MS_SCAN_HEADER, extraCount)], &tooMany, 2);
    PutSection(path_.c_str(), "MSData", bytes);
    EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 0) << scan;
    EXPECT_FALSE(FileExists(target_)) << scan;
    EXPECT_EQ(SectionBytes(path_.c_str(), "MSData"), bytes) << scan;
  }
  // Mended again, it converts.
  PutSection(path_.c_str(), "MSData", sound);
  EXPECT_EQ(KELT_ConvertProfileToCentroidDataFile(path_.c_str(), target_, params.data(), 1, 0.6, 0, 0), 1);
}
