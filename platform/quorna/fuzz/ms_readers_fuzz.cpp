// libFuzzer target over the stored-data readers, the centroid engine and
// the list parsers. The first byte picks the reader; the rest is its input.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quorna/centroiding.h"
#include "quorna/ms_image.h"
#include "quorna/ms_reading.h"
#include "quorna/quorna.h"

using namespace quorna;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void Lists(const std::string& text) {
  STRUCT_CHAN_LIST c;
  if (ParseChanList(text.c_str(), &c)) {
    char a[200], b[200];
    STRUCT_CHAN_LIST again;
    Check(FormatChanList(a, &c) == 1);
    Check(ParseChanList(a, &again) == 1);
    Check(std::memcmp(&c, &again, sizeof c) == 0);
    Check(FormatChanList(b, &again) == 1 && std::strcmp(a, b) == 0);
  }
  STRUCT_MASS_LIST m;
  if (ParseMassList(text.c_str(), &m)) {
    char a[400], b[400];
    STRUCT_MASS_LIST again;
    if (FormatMassListText(a, &m, 6)) {
      Check(ParseMassList(a, &again) == 1);
      Check(FormatMassListText(b, &again, 6) == 1 && std::strcmp(a, b) == 0);
    }
  }
}

void Exercise(const Image& img, const uint8_t* extra, size_t n) {
  STRUCT_CHAN_LIST lists[3];
  ParseChanList("Merged", &lists[0]);
  ParseChanList("All", &lists[1]);
  ParseChanList("2+1", &lists[2]);
  STRUCT_MASS_LIST masses[4];
  ParseMassList("RIC", &masses[0]);
  ParseMassList("50-150+207", &masses[1]);
  ParseMassList("Base Peak Ion", &masses[2]);
  ParseMassList("Column 1", &masses[3]);
  MS_TRACE_REQUEST reqs[2] = {};
  reqs[0].kind = MS_TRACE_BY_SCANS;
  reqs[0].scans.first = 0;
  reqs[0].scans.last = 0xFFFFFFFF;
  reqs[1].kind = MS_TRACE_BY_TIMES;
  reqs[1].times.from = -1e9;
  reqs[1].times.to = 1e9;
  if (n >= 20) std::memcpy(&reqs[1], extra, 20);
  for (auto& r : reqs)
    for (auto& c : lists)
      for (auto& m : masses) {
        Trace t;
        MakeTrace(img, r, &c, &m, t);
      }
  for (uint32_t s : {0u, 1u, 2u, img.FirstScan(), img.LastScan(), 0xFFFFFFFFu}) {
    for (auto& c : lists) {
      MS_SCAN_REQUEST r{};
      r.kind = MS_SCAN_BY_NUMBER;
      r.scan = s;
      std::vector<uint32_t> members;
      if (ResolveScan(img, r, &c, members)) {
        MS_SCAN_HEADER h;
        std::vector<Peak> peaks;
        CombineScans(img, members, h, peaks);
      }
      r.kind = MS_SCAN_BY_TIME;
      r.mode = s % 4;
      r.time = s * 0.01;
      ResolveScan(img, r, &c, members);
    }
  }
  // Halving the index picks the scan walking all of it picks.
  if (n >= 8 && img.ScanCount() > 0) {
    double asked[3];
    std::memcpy(&asked[0], extra, 8);
    asked[1] = img.Time(extra[0] % img.ScanCount());
    asked[2] = (img.Time(extra[1] % img.ScanCount()) + img.Time(extra[2] % img.ScanCount())) / 2;
    for (double t : asked) {
      if (!std::isfinite(t)) continue;
      for (auto& c : lists)
        for (uint32_t mode = 1; mode <= 3; ++mode) {
          uint32_t a = 0, b = 0;
          const bool found = ScanAtTime(img, t, mode, &c, a);
          Check(found == ScanAtTimeByWalk(img, t, mode, &c, b));
          Check(!found || a == b);
        }
    }
  }
}

// The image's bytes read as a file's are: a block at a time, never in place.
class Streamed : public ByteSource {
 public:
  explicit Streamed(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, void* out, size_t length) override {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
    if (length) std::memcpy(out, bytes_.data() + offset, length);
    return true;
  }

 private:
  Bytes bytes_;
};

bool SameTrace(const Trace& a, const Trace& b) {
  if (a.points.size() != b.points.size() || a.firstScan != b.firstScan || a.lastScan != b.lastScan) return false;
  for (size_t i = 0; i < a.points.size(); ++i)
    if (std::memcmp(&a.points[i].time, &b.points[i].time, 8) != 0 || a.points[i].flag != b.points[i].flag ||
        a.points[i].value.i != b.points[i].value.i)
      return false;
  return true;
}

// Traces of the image read block by block (headers read piecewise, in the
// order the windows ask) are those of the image in memory.
void CompareStreamed(const Image& inMemory, const uint8_t* data, size_t size) {
  auto streamed = Image::Open(std::make_unique<Streamed>(Bytes(data, data + size)));
  Check(streamed != nullptr);
  STRUCT_CHAN_LIST all;
  ParseChanList("Merged", &all);
  STRUCT_MASS_LIST masses[3];
  ParseMassList("RIC", &masses[0]);
  ParseMassList("Base Peak Ion", &masses[1]);
  ParseMassList("Column 1", &masses[2]);
  const uint32_t n = inMemory.ScanCount();
  if (n == 0) return;
  const uint32_t cuts[][2] = {{n / 2, n - 1}, {n / 3, n / 2}, {0, n / 4}, {static_cast<uint32_t>(size % n), static_cast<uint32_t>((size * 7) % n)}, {0, n - 1}};
  for (auto& cut : cuts) {
    MS_TRACE_REQUEST r{};
    r.kind = MS_TRACE_BY_SCANS;
    r.scans.first = inMemory.FirstScan() + std::min(cut[0], cut[1]);
    r.scans.last = inMemory.FirstScan() + std::max(cut[0], cut[1]);
    for (auto& m : masses) {
      Trace a, b;
      const bool okA = MakeTrace(inMemory, r, &all, &m, a), okB = MakeTrace(*streamed, r, &all, &m, b);
      Check(okA == okB && (!okA || SameTrace(a, b)));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t kind = data[0] % 5;
  ++data, --size;
  switch (kind) {
    case 0:
      Lists(std::string(reinterpret_cast<const char*>(data), size));
      break;
    case 1: {
      auto img = Image::Open(Bytes(data, data + size));
      if (img) Exercise(*img, data, size);
      if (img) CompareStreamed(*img, data, size);
      break;
    }
    case 2: {
      auto img = OpenRawImage(Bytes(data, data + size));
      if (img) Exercise(*img, data, size);
      break;
    }
    case 3: {
      // Exchange buffer of whole entries after 4 parameter bytes.
      if (size < 4) break;
      MS_CENTROID_ENGINE_PARAMS p{};
      p.smoothPoints = data[0];
      p.searchPoints = data[1];
      p.centroidPoints = data[2];
      p.thresholdCount = data[3];
      size_t entries = (size - 4) / 13;
      std::vector<uint8_t> buf(4 + 13 * entries);
      uint32_t n = static_cast<uint32_t>(entries);
      std::memcpy(buf.data(), &n, 4);
      if (entries) std::memcpy(buf.data() + 4, data + 4, 13 * entries);
      CMS_CentroidEngine e;
      e.Init();
      e.CentroidSpec(nullptr, nullptr, static_cast<const void*>(nullptr), buf.data(), &p);
      uint32_t after;
      std::memcpy(&after, buf.data(), 4);
      Check(after <= n);
      break;
    }
    case 4: {
      std::vector<Peak> pts;
      for (size_t i = 0; i + 12 <= size; i += 12) {
        Peak pk;
        std::memcpy(&pk.mass, data + i, 8);
        std::memcpy(&pk.intensity, data + i + 8, 4);
        pk.flag = 0;
        pts.push_back(pk);
      }
      SmoothProfile(pts, size % 9);
      break;
    }
  }
  return 0;
}
