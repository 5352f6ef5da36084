#pragma once
// A small MS data set with numbers a test can work out by hand.
//
// Segment 1: one scan function, scans 1..6 at 1.0, 1.1 ... 1.5 minutes.
// Segment 2: two scan functions, scans 7..12 at 2.0, 2.1 ... 2.5 minutes.
// Scan s holds 50.0 (100 s), 91.0 (1000 + s) and 105.2 (10 s); scans of
// function 2 also hold 200.0 (7 s). Extra column 1 ("Ion Time(uSec)") is
// s / 2.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace mstest {

inline double TimeOf(uint32_t s) { return s <= 6 ? 1.0 + 0.1 * (s - 1) : 2.0 + 0.1 * (s - 7); }
inline bool HasExtraPeak(uint32_t s) { return s >= 7 && (s - 7) % 2 == 1; }
inline uint64_t TicOf(uint32_t s) { return 100 * s + 1000 + s + 10 * s + (HasExtraPeak(s) ? 7 * s : 0); }

inline std::vector<uint8_t> Exchange(const std::vector<std::pair<double, uint32_t>>& peaks) {
  std::vector<uint8_t> b(4 + 13 * peaks.size());
  uint32_t n = static_cast<uint32_t>(peaks.size());
  std::memcpy(b.data(), &n, 4);
  for (size_t i = 0; i < peaks.size(); ++i) {
    std::memcpy(&b[5 + 13 * i], &peaks[i].first, 8);
    std::memcpy(&b[13 + 13 * i], &peaks[i].second, 4);
  }
  return b;
}

// Wide texts of packed records may sit at odd addresses.
inline void Wide(void* dst, const char* s) {
  auto* d = static_cast<uint8_t*>(dst);
  for (;; ++s, d += 2) {
    char16_t c = static_cast<unsigned char>(*s);
    std::memcpy(d, &c, 2);
    if (!c) break;
  }
}

// raw: a raw MS file instead of a sectioned file's "MSData".
inline bool WriteSmallDataSet(const std::string& path, bool live = false, bool raw = false) {
  if (!raw && !CreateSectionFileAtPath(path.c_str(), 1, 0, 3)) return false;
  HMSDATA h = OpenMSDataSection(path.c_str(), raw ? nullptr : "MSData", 1, 12, 3, nullptr);
  if (!h) return false;
  for (uint32_t s = 1; s <= 12; ++s) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    rec.header.scanNumber = s;
    rec.header.time = TimeOf(s);
    rec.header.extraCount = 1;
    rec.header.extra[0] = s / 2.0;
    if (s == 5) rec.header.flags = MS_SCAN_FLAG_SATURATED;
    std::vector<std::pair<double, uint32_t>> peaks = {{105.2, 10 * s}, {50.0, 100 * s}, {91.0, 1000 + s}};
    if (HasExtraPeak(s)) peaks.push_back({200.0, 7 * s});
    auto buf = Exchange(peaks);
    if (WriteMSScan(h, &rec, buf.data()) != 0) return false;
  }
  for (uint16_t n = 1; n <= 2; ++n) {
    auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
    std::memset(seg.get(), 0, sizeof *seg);
    seg->number = n;
    seg->startTime = n == 1 ? 1.0 : 2.0;
    seg->endTime = n == 1 ? 1.5 : 2.5;
    seg->functionCount = static_cast<uint8_t>(n);
    seg->firstScan = n == 1 ? 1 : 7;
    seg->lastScan = n == 1 ? 6 : 12;
    for (int f = 0; f < n; ++f) {
      seg->functions[f].number = static_cast<uint16_t>(f);
      seg->functions[f].kind = f == 1 ? MS_SCAN_KIND_PARENT : MS_SCAN_KIND_FULL;
      Wide(seg->functions[f].description, f == 1 ? "150-250" : "50-300");
    }
    if (WriteMSSegment(h, seg.get()) != 0) return false;
  }
  MS_INFO_BLOCK info{};
  info.fileKind = MS_FILE_KIND_QUADRUPOLE;
  info.fileType = 61;
  info.module = 2;
  info.centroid = 1;
  info.acquisitionTime = 1700000000;
  info.extraColumnCount = 1;
  Wide(info.extraColumnNames[0], "Ion Time(uSec)");
  Wide(info.sampleName, "Sample 7");
  Wide(info.description, "Small test run");
  Wide(info.operatorName, "tester");
  if (WriteMSHeader(h, &info) != 0) return false;
  if (live) SetMSDataLiveFlag(h, 1);
  return CloseMSData(h) == 0;
}

// A fresh workstation root for each test.
class RootedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quorna-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    CreateDirectoryA("C:\\Data", nullptr);
  }
  std::string root_;
};

inline std::vector<uint8_t> ReadWholeSection(const std::string& path, const char* name) {
  std::vector<uint8_t> out;
  HSECTION s = OpenSectionReadOnly(path.c_str(), name, nullptr);
  if (!s) return out;
  out.resize(GetSectionSize(s));
  SeekSection(s, 0, 0);
  if (!out.empty() && ReadSection(s, out.data(), static_cast<uint32_t>(out.size())) != out.size()) out.clear();
  CloseSection(s);
  return out;
}

inline bool WriteWholeSection(const std::string& path, const char* name, const std::vector<uint8_t>& bytes) {
  HSECTION s = CreateSection(path.c_str(), name, nullptr);
  if (!s) return false;
  bool ok = bytes.empty() || WriteSection(s, bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size();
  return CloseSection(s) && ok;
}

}  // namespace mstest

namespace mstest {

inline std::vector<uint8_t> ReadPlainFile(const std::string& path) {
  std::vector<uint8_t> out;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return out;
  DWORD size = GetFileSize(f, nullptr), got = 0;
  out.resize(size);
  if (size && (!ReadFile(f, out.data(), size, &got, nullptr) || got != size)) out.clear();
  CloseHandle(f);
  return out;
}

inline bool WritePlainFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = bytes.empty() || (WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                              put == bytes.size());
  return CloseHandle(f) && ok;
}

}  // namespace mstest
