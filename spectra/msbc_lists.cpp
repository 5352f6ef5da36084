// Spectrum lists of scan ranges across segments, their averaged scan
// header, and the background spectrum of a scan from one or two windows.
#include "spectra/msbc_lists.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectra/exchange_pairs.h"

namespace {

constexpr uint32_t kMostScans = 32767;  // the averaged count is 16-bit

int SegmentOf(const STRUCT_WORK_FILE* wf, uint32_t scan) {
  for (int s = 0; s < WorkFileSegmentCount(wf); ++s) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
    if (seg && scan >= seg->firstScan && scan <= seg->lastScan) return s;
  }
  return -1;
}

uint32_t StepOf(const MS_SEGMENT_BLOCK* seg, bool everyScan) {
  return everyScan ? 1u : std::max<uint32_t>(seg->functionCount, 1);
}

uint32_t OnGrid(const MS_SEGMENT_BLOCK* seg, uint32_t scan, uint32_t step) {
  return seg->firstScan + (scan - seg->firstScan) / step * step;
}

double Continuity(const MS_SEGMENT_BLOCK* seg) {
  double v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(seg) + MSBC_CONTINUITY_OFFSET, 8);
  return v;
}

// A scan-function array or channel list must be given; "every scan" is an
// ignored-channel list without an array.
bool EveryScan(const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan) {
  return !funs && chan && chan->kind == CHAN_LIST_IGNORED;
}

// The channel list to read a segment with: from the array, or the caller's.
bool ChannelsFor(const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan, int segment,
                 const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount, STRUCT_CHAN_LIST& out,
                 const STRUCT_CHAN_LIST*& use) {
  if (funs) {
    std::memset(&out, 0, sizeof out);
    if (!SCAN_FUN_GetChanListForSegment(funs, static_cast<int16_t>(segment), info,
                                        static_cast<int16_t>(std::min<uint16_t>(infoCount, INT16_MAX)), &out))
      return false;
    use = &out;
    return true;
  }
  use = chan;
  return true;
}

bool ReadScan(HMSDATA h, uint32_t scan, const STRUCT_CHAN_LIST* channels, MS_SCAN_HEADER* header, void* buffer) {
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.mode = MS_PICK_NEAREST;
  r.scan = scan;
  return ReadMSScanHeader(h, &r, channels, header, buffer) != MS_SCAN_TIME_FAILED;
}


size_t ExchangeBytes(uint32_t n) { return 4 + size_t(n) * MS_EXCHANGE_ENTRY_SIZE; }

// The background windows of the region that holds a scan; false for a
// damaged definition.
bool RegionWindows(const STRUCT_FILE_BC* bc, uint32_t scan, std::vector<STRUCT_FILE_BC_ENTRY>& windows) {
  windows.clear();
  const uint32_t size = GetBlockSize(bc);
  if (size < sizeof(STRUCT_FILE_BC)) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(bc);
  uint16_t groups;
  std::memcpy(&groups, bytes + offsetof(STRUCT_FILE_BC, groupCount), 2);
  size_t at = sizeof(STRUCT_FILE_BC);
  for (uint16_t g = 0; g < groups; ++g) {
    if (at + sizeof(STRUCT_FILE_BC_GROUP) > size) return false;
    STRUCT_FILE_BC_GROUP head;
    std::memcpy(&head, bytes + at, sizeof head);
    at += sizeof head;
    const size_t entries = size_t{head.entryCount} * sizeof(STRUCT_FILE_BC_ENTRY);
    if (at + entries > size) return false;
    if (scan >= head.firstScan && scan < head.endScan) {
      windows.resize(head.entryCount);
      if (entries) std::memcpy(windows.data(), bytes + at, entries);
      return true;
    }
    at += entries;
  }
  return true;
}

// m scans of a window from its first scan, step apart, as one spectrum:
// the scan itself, or their average. time: the scan's, or the mean of the
// first and last. A new exchange buffer, or 0.
void* WindowSpectrum(HMSDATA h, const STRUCT_WORK_FILE* wf, const MS_SEGMENT_BLOCK* seg,
                     const STRUCT_CHAN_LIST* channels, uint32_t first, uint32_t m, uint32_t step, double* time) {
  const uint32_t size = GetMSScanBufferSize(h);
  auto** buffers = static_cast<void**>(AllocBlock(m * sizeof(void*)));
  auto** headers = static_cast<MS_SCAN_HEADER**>(AllocBlock(m * sizeof(MS_SCAN_HEADER*)));
  void* result = nullptr;
  bool ok = buffers && headers;
  for (uint32_t k = 0; ok && k < m; ++k) {
    const uint64_t scan = uint64_t{first} + uint64_t{k} * step;
    buffers[k] = AllocBlock(size);
    headers[k] = static_cast<MS_SCAN_HEADER*>(AllocBlock(sizeof(MS_SCAN_HEADER)));
    ok = buffers[k] && headers[k] && scan <= UINT32_MAX &&
         ReadScan(h, static_cast<uint32_t>(scan), channels, headers[k], buffers[k]);
  }
  if (ok && m == 1) {
    *time = headers[0]->time;
    result = buffers[0];
    buffers[0] = nullptr;
  } else if (ok) {
    *time = (headers[0]->time + headers[m - 1]->time) / 2;
    result = AverageSpectra(buffers, m, &wf->msInfo, seg, headers, wf);
  }
  FreeSpectrumBufferArray(buffers, buffers ? m : 0);
  FreeScanHeaderArray(headers, headers ? m : 0);
  return result;
}

}  // namespace

KELT_API STRUCT_MSBC_SPT_LIST* NEW_MSBC_MakeListOfSpectra(HMSDATA h, const STRUCT_WORK_FILE* wf,
                                                          const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                                          const STRUCT_SCAN_FUN_ARRAY* funs,
                                                          const STRUCT_CHAN_LIST* chan, uint32_t first,
                                                          uint32_t last) {
  if (!h || !wf || last < first) return nullptr;
  const bool every = EveryScan(funs, chan);
  int s0 = SegmentOf(wf, first);
  if (s0 < 0) return nullptr;
  // How many scans the walk reads.
  uint64_t n = 0;
  {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s0);
    const uint32_t step = StepOf(seg, every);
    const uint32_t b = std::min(uint32_t{seg->lastScan}, last);
    n += (uint64_t{b} + step - first) / step;
    for (int s = s0 + 1; s < WorkFileSegmentCount(wf); ++s) {
      seg = WorkFileSegment(wf, s);
      if (seg->firstScan > last) break;
      const uint32_t st = StepOf(seg, every);
      const uint32_t e = std::min(uint32_t{seg->lastScan}, last);
      if (e >= seg->firstScan) n += (uint64_t{e} + st - seg->firstScan) / st;
    }
  }
  if (n == 0 || n > kMostScans) return nullptr;
  auto* list = static_cast<STRUCT_MSBC_SPT_LIST*>(AllocBlock(sizeof(STRUCT_MSBC_SPT_LIST)));
  if (!list) return nullptr;
  list->buffers = static_cast<void**>(AllocBlock(static_cast<uint32_t>(n * sizeof(void*))));
  list->headers = static_cast<MS_SCAN_HEADER**>(AllocBlock(static_cast<uint32_t>(n * sizeof(MS_SCAN_HEADER*))));
  list->count = static_cast<uint32_t>(n);
  bool ok = list->buffers && list->headers;
  const uint32_t size = GetMSScanBufferSize(h);
  for (uint32_t k = 0; ok && k < n; ++k) {
    list->buffers[k] = AllocBlock(size);
    list->headers[k] = static_cast<MS_SCAN_HEADER*>(AllocBlock(sizeof(MS_SCAN_HEADER)));
    ok = list->buffers[k] && list->headers[k];
  }
  STRUCT_CHAN_LIST own;
  const STRUCT_CHAN_LIST* channels = nullptr;
  int s = s0;
  ok = ok && ChannelsFor(funs, chan, s, info, infoCount, own, channels);
  uint32_t scan = first;
  for (uint32_t k = 0; ok && k < n; ++k) {
    if (!ReadScan(h, scan, channels, list->headers[k], list->buffers[k])) {
      ok = false;
      break;
    }
    if (k == 0) {
      list->firstScan = scan;
      list->firstTime = list->headers[k]->time;
    }
    list->lastScan = scan;
    list->lastTime = list->headers[k]->time;
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
    const uint64_t next = uint64_t{scan} + StepOf(seg, every);
    if (next <= seg->lastScan) {
      scan = static_cast<uint32_t>(next);
    } else if (k + 1 < n) {
      if (++s >= WorkFileSegmentCount(wf)) ok = false;  // ran out of segments
      else {
        scan = WorkFileSegment(wf, s)->firstScan;
        ok = ChannelsFor(funs, chan, s, info, infoCount, own, channels);
      }
    }
  }
  if (!ok) {
    NEW_MSBC_FreeListOfSpectra(list);
    return nullptr;
  }
  return list;
}

KELT_API void NEW_MSBC_FreeListOfSpectra(STRUCT_MSBC_SPT_LIST* list) {
  if (!list) return;
  FreeSpectrumBufferArray(list->buffers, list->count);
  FreeScanHeaderArray(list->headers, list->count);
  FreeBlock(list);
}

KELT_API void NEW_MSBC_MakeAveragedMSScan(const MS_INFO_BLOCK* msHeader, const STRUCT_MSBC_SPT_LIST* list,
                                          const void* averaged, MS_SCAN_HEADER* out) {
  if (!list || !out || list->count == 0 || !list->headers) return;
  const uint32_t n = list->count;
  std::memcpy(out, list->headers[0], sizeof *out);
  if (n == 1) return;
  const MS_SCAN_HEADER* const* h = list->headers;
  size_t rep = n / 2;
  double time;
  if (n % 2 == 1) {
    time = h[n / 2]->time;
  } else {
    const double a = h[n / 2 - 1]->time, b = h[n / 2]->time;
    time = (a + b) / 2;
    if (std::fabs(a - time) < std::fabs(b - time)) rep = n / 2 - 1;
  }
  out->time = time;
  out->scanNumber = h[rep]->scanNumber;
  std::memcpy(out->text, h[rep]->text, sizeof out->text);
  out->reserved28 = 0;
  out->ionMass = 0;  // an average has no one selected ion
  const int channels = msHeader ? std::min<int>(msHeader->extraColumnCount, MS_MAX_EXTRA_COLUMNS) : 0;
  for (int c = 0; c < channels; ++c) {
    double sum = 0;
    for (uint32_t k = 0; k < n; ++k) sum += h[k]->extra[c];
    out->extra[c] = sum / n;
  }
  if (!averaged) return;
  const uint32_t m = kelt::exchange::Count(averaged);
  const auto* e = static_cast<const uint8_t*>(averaged) + 4;
  uint64_t total = 0;
  uint32_t best = 0;
  double bestMass = 0, low = 0, high = 0;
  for (uint32_t i = 0; i < m; ++i, e += MS_EXCHANGE_ENTRY_SIZE) {
    double mass;
    uint32_t v;
    std::memcpy(&mass, e + 1, 8);
    std::memcpy(&v, e + 9, 4);
    total += v;
    if (i == 0 || v > best) best = v, bestMass = mass;
    if (i == 0) low = mass;
    high = mass;
  }
  out->totalIon = total;
  out->basePeakMass = bestMass;
  out->basePeakIntensity = best;
  out->lowestMass = low;
  out->highestMass = high;
  out->pointCount = m;
}

KELT_API int32_t NEW_MSBC_GetAveragedSpectrum(HMSDATA h, const STRUCT_WORK_FILE* wf,
                                              const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan,
                                              const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount, uint32_t first,
                                              uint32_t last, MS_SCAN_HEADER* header, void* buffer,
                                              double* firstTime, double* lastTime, uint32_t* firstScan,
                                              uint32_t* lastScan, int16_t* count, int16_t* segment) {
  if (!h || !wf || !header || !buffer || (!funs && !chan) || last < first) return 0;
  const bool every = EveryScan(funs, chan);
  const int s0 = SegmentOf(wf, first);
  if (s0 < 0) return 0;
  const MS_SEGMENT_BLOCK* seg0 = WorkFileSegment(wf, s0);
  const uint32_t step0 = StepOf(seg0, every);
  first = OnGrid(seg0, first, step0);
  const int segCount = WorkFileSegmentCount(wf);
  if (last > seg0->lastScan) {
    if (s0 == segCount - 1) {
      last = OnGrid(seg0, seg0->lastScan, step0);
    } else {
      int s = s0;
      while (s + 1 < segCount && WorkFileSegment(wf, s + 1)->firstScan <= last &&
             std::fabs(Continuity(WorkFileSegment(wf, s + 1)) - Continuity(seg0)) <= MSBC_CONTINUITY_TOLERANCE)
        ++s;
      const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
      const uint32_t step = StepOf(seg, every);
      last = last <= seg->lastScan ? OnGrid(seg, last, step) : OnGrid(seg, seg->lastScan, step);
    }
  } else {
    last = OnGrid(seg0, last, step0);
  }
  STRUCT_MSBC_SPT_LIST* list = NEW_MSBC_MakeListOfSpectra(h, wf, info, infoCount, funs, chan, first, last);
  if (!list) return 0;
  if (firstTime) *firstTime = list->firstTime;
  if (lastTime) *lastTime = list->lastTime;
  if (firstScan) *firstScan = first;
  if (lastScan) *lastScan = last;
  if (count) *count = static_cast<int16_t>(list->count);
  if (segment) *segment = static_cast<int16_t>(s0);
  void* averaged = nullptr;
  const void* result;
  if (list->count == 1) {
    std::memcpy(header, list->headers[0], sizeof *header);
    result = list->buffers[0];
  } else {
    averaged = AverageSpectra(list->buffers, list->count, &wf->msInfo, seg0, list->headers, wf);
    if (!averaged) {
      NEW_MSBC_FreeListOfSpectra(list);
      return 0;
    }
    NEW_MSBC_MakeAveragedMSScan(&wf->msInfo, list, averaged, header);
    result = averaged;
  }
  const uint32_t room = GetBlockSize(buffer);
  const size_t bytes = ExchangeBytes(kelt::exchange::Count(result));
  const bool fits = bytes <= room;
  if (fits) std::memcpy(buffer, result, bytes);
  FreeBlock(averaged);
  NEW_MSBC_FreeListOfSpectra(list);
  return fits ? 1 : 0;
}

KELT_API void* NEW_MSBC_GetBaseCorrSpectrumForScan(HMSDATA h, const STRUCT_WORK_FILE* wf,
                                                   const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan,
                                                   const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
                                                   uint32_t scan, const STRUCT_FILE_BC* bc) {
  if (!h || !wf || !bc || (!funs && !chan)) return nullptr;
  const bool every = EveryScan(funs, chan);
  const int s = SegmentOf(wf, scan);
  if (s < 0) return nullptr;
  const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
  const uint32_t step = StepOf(seg, every);
  scan = OnGrid(seg, scan, step);
  std::vector<STRUCT_FILE_BC_ENTRY> windows;
  try {
    if (!RegionWindows(bc, scan, windows) || windows.empty()) return nullptr;
  } catch (...) {
    return nullptr;
  }
  size_t k = 0;
  if (windows.size() >= 2) {
    while (k + 2 < windows.size() && windows[k + 1].firstScan <= scan) ++k;
  }
  const size_t used = windows.size() >= 2 ? 2 : 1;
  STRUCT_CHAN_LIST own;
  const STRUCT_CHAN_LIST* channels = nullptr;
  if (!ChannelsFor(funs, chan, s, info, infoCount, own, channels)) return nullptr;
  void* spectra[2] = {nullptr, nullptr};
  double times[2] = {0, 0};
  for (size_t w = 0; w < used; ++w) {
    const STRUCT_FILE_BC_ENTRY& e = windows[k + w];
    const uint32_t m = std::max<uint32_t>(every ? e.scanCountIgnored : e.scanCountListed, 1);
    spectra[w] = WindowSpectrum(h, wf, seg, channels, e.firstScan, m, step, &times[w]);
    if (!spectra[w]) {
      FreeSpectrumBuffer(spectra[0]);
      return nullptr;
    }
  }
  if (used == 1) return spectra[0];
  void* result = nullptr;
  MS_SCAN_HEADER header;
  void* own_buffer = AllocBlock(GetMSScanBufferSize(h));
  if (own_buffer && ReadScan(h, scan, channels, &header, own_buffer))
    result = InterpolateBackgroundSpectrum(spectra[0], spectra[1], times[0], header.time, times[1], &wf->msInfo, seg,
                                           &header);
  FreeBlock(own_buffer);
  FreeSpectrumBuffer(spectra[0]);
  FreeSpectrumBuffer(spectra[1]);
  return result;
}
