// Background spectra: averages of scan ranges, the background assigned to a
// scan, subtraction and interpolation, and the stored correction.
#include "jessul32/background_subtraction.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "jessul32/running_average.h"
#include "quorna/peaks.h"

namespace jessul {
bool IsWellFormed(const STRUCT_FILE_BC* bc);
}

using quorna::Peak;

namespace {

struct BlockDeleter {
  void operator()(void* p) const { FreeBlock(p); }
};
using Block = std::unique_ptr<void, BlockDeleter>;

constexpr uint32_t kMaxPeaks = 4 * MS_MAX_SCAN_POINTS;

bool IsProfile(const void* infoBlock) {
  if (!infoBlock) return false;
  uint32_t centroid;
  std::memcpy(&centroid, static_cast<const uint8_t*>(infoBlock) + offsetof(MS_INFO_BLOCK, centroid), 4);
  return centroid == 0;
}

// Half a mass step of a scan function's decimals (centroid data), or the
// profile sampling tolerance.
double Tolerance(const void* infoBlock, const void* segmentBlock, int function) {
  if (IsProfile(infoBlock)) return 1e-4;
  if (!segmentBlock) return 0.05;
  if (function < 0 || function >= MS_MAX_FUNCTIONS) function = 0;
  uint16_t decimals;
  std::memcpy(&decimals,
              static_cast<const uint8_t*>(segmentBlock) + offsetof(MS_SEGMENT_BLOCK, functions) +
                  size_t(function) * MS_SCAN_FUNCTION_SIZE + offsetof(MS_SCAN_FUNCTION, massDecimals),
              2);
  return 0.5 * std::pow(10.0, -std::min<int>(decimals, 6));
}

bool Read(const void* buffer, std::vector<Peak>& out) {
  return buffer && quorna::ReadExchange(buffer, kMaxPeaks, out);
}

void* NewBuffer(const std::vector<Peak>& peaks) {
  void* out = AllocBlock(static_cast<uint32_t>(quorna::ExchangeBytes(std::max<size_t>(peaks.size(), 1))));
  if (out) quorna::WriteExchange(out, peaks);
  return out;
}

// Walks two ascending peak lists, pairing peaks within the tolerance;
// visit(a or null, b or null) for each mass.
template <typename Visit>
void Merge(const std::vector<Peak>& a, const std::vector<Peak>& b, double tol, Visit visit) {
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && std::fabs(a[i].mass - b[j].mass) <= tol) {
      visit(&a[i++], &b[j++]);
    } else if (j >= b.size() || (i < a.size() && a[i].mass < b[j].mass)) {
      visit(&a[i++], nullptr);
    } else {
      visit(nullptr, &b[j++]);
    }
  }
}

// The headers of a range that its average takes its facts from: the first
// and last scan's, and the one or two in the middle.
struct RangeHeaders {
  MS_SCAN_HEADER first{}, last{}, middle[2]{};
  uint32_t count = 0;
  void Take(uint32_t k, uint32_t n, const MS_SCAN_HEADER& h) {
    if (k == 0) first = h;
    last = h;
    if (n % 2 == 1 && k == n / 2) middle[0] = h;
    if (n % 2 == 0 && k + 1 == n / 2) middle[0] = h;
    if (n % 2 == 0 && k == n / 2) middle[1] = h;
    count = n;
  }
  // The average's time: the middle scan's, or the mean of the two middle
  // ones; the representative header is the middle one, or the earlier of
  // the two when strictly nearer to the mean.
  MS_SCAN_HEADER Middle(double* time) const {
    if (count % 2 == 1) {
      *time = middle[0].time;
      return middle[0];
    }
    const double a = middle[0].time, b = middle[1].time;
    *time = (a + b) / 2;
    return std::fabs(a - *time) < std::fabs(b - *time) ? middle[0] : middle[1];
  }
};

// The segment block holding a scan.
bool SegmentOf(HMSDATA h, const MS_INFO_BLOCK& info, uint32_t scan, MS_SEGMENT_BLOCK& out) {
  for (int s = 1; s <= info.segmentCount; ++s) {
    if (ReadMSSegmentBlock(h, s, &out, 0) != 0) return false;
    if (scan >= out.firstScan && scan <= out.lastScan) return true;
  }
  return false;
}

// Average of count scans from first, step apart, as a new buffer (with its
// time: the scan's, or the mean of the first and last scan times). The
// scans are read one at a time into one buffer and added to a running
// average, so a long range costs no more than its average spectrum.
void* AverageRange(HMSDATA h, const STRUCT_CHAN_LIST* channels, const MS_INFO_BLOCK& info,
                   const MS_SEGMENT_BLOCK& segment, uint32_t first, uint32_t count, uint32_t step,
                   RangeHeaders* headersOut, double* time) {
  if (count == 0) return nullptr;
  Block b(AllocBlock(GetMSScanBufferSize(h)));
  if (!b) return nullptr;
  // Centroid peaks join within half a step of the first scan function's
  // mass decimals; profile points only on the same sampling grid.
  jessul::RunningAverage average(Tolerance(&info, &segment, 0), IsProfile(&info), kMaxPeaks);
  RangeHeaders headers;
  std::vector<Peak> peaks;
  for (uint32_t k = 0; k < count; ++k) {
    const uint64_t scan = uint64_t{first} + uint64_t{k} * step;
    if (scan > UINT32_MAX) return nullptr;
    MS_SCAN_REQUEST r{};
    r.kind = MS_SCAN_BY_NUMBER;
    r.mode = MS_PICK_NEAREST;
    r.scan = static_cast<uint32_t>(scan);
    MS_SCAN_HEADER header;
    if (ReadMSScanHeader(h, &r, channels, &header, b.get()) == MS_SCAN_TIME_FAILED) return nullptr;
    headers.Take(k, count, header);
    if (count == 1) break;
    if (!Read(b.get(), peaks) || !average.Add(peaks)) return nullptr;
  }
  if (headersOut) *headersOut = headers;
  if (count == 1) {
    *time = headers.first.time;
    return b.release();
  }
  *time = (headers.first.time + headers.last.time) / 2;
  const std::vector<Peak> mean = average.Mean();
  if (mean.size() > kMaxPeaks) return nullptr;
  return NewBuffer(mean);
}

// The path a workFile argument names (its first field), at most 259 characters.
void PathOf(const void* workFile, char (&path)[260]) {
  const char* p = static_cast<const char*>(workFile);
  size_t n = 0;
  while (n < sizeof path - 1 && p[n]) ++n;
  std::memcpy(path, p, n);
  path[n] = 0;
}

const STRUCT_FILE_BC_GROUP* GroupAt(const uint8_t* bytes, size_t at) {
  return reinterpret_cast<const STRUCT_FILE_BC_GROUP*>(bytes + at);
}

}  // namespace

JESSUL_API void FreeSpectrumBuffer(void* buffer) { FreeBlock(buffer); }

JESSUL_API int32_t AverageScans(HMSDATA h, const STRUCT_CHAN_LIST* channels, MS_SCAN_HEADER* header, void* buffer,
                                uint32_t first, uint32_t last, uint16_t step, double* firstTime, double* lastTime,
                                const void*) {
  if (!h || !header || !buffer || last < first) return 0;
  try {
    const uint32_t s = step ? step : 1;
    const uint32_t count = (last - first) / s + 1;
    if (count > 100000) return 0;
    MS_INFO_BLOCK info;
    if (ReadMSInfoFromHandle(h, &info) != 0) return 0;
    MS_SEGMENT_BLOCK segment;
    if (!SegmentOf(h, info, first, segment)) return 0;
    RangeHeaders headers;
    double ignored;
    Block avg(AverageRange(h, channels, info, segment, first, count, s, &headers, &ignored));
    if (!avg) return 0;
    std::vector<Peak> peaks;
    if (!Read(avg.get(), peaks)) return 0;
    if (quorna::ExchangeBytes(peaks.size()) > GetBlockSize(buffer)) return 0;
    double time;
    MS_SCAN_HEADER out = headers.Middle(&time);
    out.time = time;
    if (count > 1) quorna::SummariseInto(peaks, out);
    std::memcpy(buffer, avg.get(), quorna::ExchangeBytes(peaks.size()));
    *header = out;
    if (firstTime) *firstTime = headers.first.time;
    if (lastTime) *lastTime = headers.last.time;
    return 1;
  } catch (...) {
    return 0;
  }
}

JESSUL_API void* MakeBackgroundSpectrum(HMSDATA h, const STRUCT_CHAN_LIST* channels, uint32_t scan,
                                        const STRUCT_FILE_BC* correction, const void*) {
  if (!h || !jessul::IsWellFormed(correction)) return nullptr;
  try {
    MS_INFO_BLOCK info;
    if (ReadMSInfoFromHandle(h, &info) != 0) return nullptr;
    MS_SEGMENT_BLOCK segment;
    if (!SegmentOf(h, info, scan, segment)) return nullptr;
    const bool everyScan = !channels || channels->kind == CHAN_LIST_IGNORED;
    const uint32_t step = everyScan ? 1 : std::max<uint32_t>(segment.functionCount, 1);
    scan = segment.firstScan + (scan - segment.firstScan) / step * step;
    // The group whose scans hold the scan, and its ranges.
    const auto* bytes = reinterpret_cast<const uint8_t*>(correction);
    size_t at = sizeof(STRUCT_FILE_BC);
    std::vector<STRUCT_FILE_BC_ENTRY> windows;
    for (uint16_t g = 0; g < correction->groupCount; ++g) {
      STRUCT_FILE_BC_GROUP head;
      std::memcpy(&head, GroupAt(bytes, at), sizeof head);
      at += sizeof head;
      if (scan >= head.firstScan && scan < head.endScan) {
        windows.resize(head.entryCount);
        if (!windows.empty()) std::memcpy(windows.data(), bytes + at, windows.size() * sizeof(STRUCT_FILE_BC_ENTRY));
        break;
      }
      at += size_t{head.entryCount} * sizeof(STRUCT_FILE_BC_ENTRY);
    }
    if (windows.empty()) return nullptr;
    size_t k = 0;
    if (windows.size() >= 2) {
      while (k + 2 < windows.size() && windows[k + 1].firstScan <= scan) ++k;
    }
    const size_t used = windows.size() >= 2 ? 2 : 1;
    Block spectra[2];
    double times[2] = {0, 0};
    for (size_t w = 0; w < used; ++w) {
      const STRUCT_FILE_BC_ENTRY& e = windows[k + w];
      const uint32_t m = std::max<uint32_t>(everyScan ? e.scanCountIgnored : e.scanCountListed, 1);
      spectra[w].reset(AverageRange(h, channels, info, segment, e.firstScan, m, step, nullptr, &times[w]));
      if (!spectra[w]) return nullptr;
    }
    if (used == 1) return spectra[0].release();
    MS_SCAN_HEADER header;
    MS_SCAN_REQUEST r{};
    r.kind = MS_SCAN_BY_NUMBER;
    r.mode = MS_PICK_NEAREST;
    r.scan = scan;
    const double t = FindMSScan(h, &r, channels, &header);
    if (t == 0.0) return nullptr;
    return InterpolateBackgroundSpectrum(spectra[0].get(), spectra[1].get(), times[0], t, times[1], &info, &segment,
                                         &header);
  } catch (...) {
    return nullptr;
  }
}

JESSUL_API STRUCT_FILE_BC* BuildBackCorrFromRefSpts(const void* workFile) {
  if (!workFile) return nullptr;
  char path[260];
  PathOf(workFile, path);
  if (!SectionExists(path, BACKCORR_SECTION)) return nullptr;
  HSECTION s = OpenSectionReadOnly(path, BACKCORR_SECTION, nullptr);
  if (!s) return nullptr;
  const uint32_t size = GetSectionSize(s);
  STRUCT_FILE_BC* bc = nullptr;
  if (size >= sizeof(STRUCT_FILE_BC) && size < (1u << 24)) {
    bc = static_cast<STRUCT_FILE_BC*>(AllocBlock(size));
    if (bc && (ReadSection(s, bc, size) != size || !jessul::IsWellFormed(bc))) {
      FreeBlock(bc);
      bc = nullptr;
    }
  }
  CloseSection(s);
  return bc;
}

JESSUL_API int32_t SaveBackCorr(const void* workFile, const STRUCT_FILE_BC* correction) {
  if (!workFile || !jessul::IsWellFormed(correction)) return 0;
  char path[260];
  PathOf(workFile, path);
  // A writing section is committed when it closes, even after a short
  // write; within a batch of its own a failed write is thrown away and the
  // stored correction stays. Inside a caller's batch the caller decides.
  const bool own = BeginSectionBatch(path) != FALSE;
  HSECTION s = CreateSection(path, BACKCORR_SECTION, nullptr);
  bool ok = s != nullptr;
  if (s) {
    const uint32_t size = GetBlockSize(correction);
    ok = WriteSection(s, correction, size) == size;
    ok = CloseSection(s) && ok;
  }
  if (own) {
    if (ok) ok = CommitSectionBatch(path) != FALSE;
    else AbortSectionBatch(path);
  }
  return ok ? 1 : 0;
}

JESSUL_API void* SubtractBackground(const void* spectrum, const void* background, const void* infoBlock,
                                    const void* segmentBlock, const void*) {
  try {
    std::vector<Peak> s, b, out;
    if (!Read(spectrum, s) || !Read(background, b)) return nullptr;
    const bool profile = IsProfile(infoBlock);
    const double tol = Tolerance(infoBlock, segmentBlock, 0);
    Merge(s, b, tol, [&](const Peak* x, const Peak* y) {
      if (!x) return;
      Peak p = *x;
      if (y) p.intensity = p.intensity > y->intensity ? p.intensity - y->intensity : 0;
      if (p.intensity > 0 || profile) out.push_back(p);
    });
    return NewBuffer(out);
  } catch (...) {
    return nullptr;
  }
}

JESSUL_API void* InterpolateBackgroundSpectrum(const void* first, const void* second, double t1, double t, double t2,
                                               const void* infoBlock, const void* segmentBlock,
                                               const MS_SCAN_HEADER* header) {
  try {
    std::vector<Peak> a, b, out;
    if (!Read(first, a) || !Read(second, b)) return nullptr;
    int function = 0;
    if (header && header->function != 255) function = header->function;
    const double tol = Tolerance(infoBlock, segmentBlock, function);
    const double span = t2 - t1;
    Merge(a, b, tol, [&](const Peak* x, const Peak* y) {
      const double ia = x ? x->intensity : 0.0, ib = y ? y->intensity : 0.0;
      const double v = span != 0 ? ia + (t - t1) * (ib - ia) / span : (ia + ib) / 2;
      const double r = std::floor(v + 0.5);
      if (!(r >= 1)) return;
      Peak p;
      p.mass = x && y ? (x->mass + y->mass) / 2 : (x ? x->mass : y->mass);
      p.intensity = r >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(r);
      p.flag = static_cast<uint8_t>((x ? x->flag : 0) | (y ? y->flag : 0));
      out.push_back(p);
    });
    return NewBuffer(out);
  } catch (...) {
    return nullptr;
  }
}
