// Spectra from the MS data of a work file: averages of scan ranges and
// around times, single scans, background spectra, corrected averages and
// the spectrum records that wrap them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "common/data_points.h"
#include "common/library_state.h"
#include "common/mass_lists.h"
#include "common/ms_data_handles.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "spectra/exchange_pairs.h"
#include "spectra/msbc_lists.h"
#include "spectra/segment_checks.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tol_spectra.h"

namespace {

constexpr uint32_t kMostAveraged = 32767;  // scans averaged is 16-bit

struct BlockDeleter {
  void operator()(void* p) const { FreeBlock(p); }
};
using Block = std::unique_ptr<void, BlockDeleter>;

int SegmentOfScan(const STRUCT_WORK_FILE* wf, uint32_t scan) {
  for (int s = 0; s < WorkFileSegmentCount(wf); ++s) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
    if (seg && scan >= seg->firstScan && scan <= seg->lastScan) return s;
  }
  return -1;
}

int SegmentOfTime(const STRUCT_WORK_FILE* wf, double time) {
  for (int s = 0; s < WorkFileSegmentCount(wf); ++s) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
    if (seg && seg->startTime <= time && time <= seg->endTime) return s;
  }
  return -1;
}

double Continuity(const MS_SEGMENT_BLOCK* seg) {
  double v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(seg) + MSBC_CONTINUITY_OFFSET, 8);
  return v;
}

uint32_t CycleOf(const MS_SEGMENT_BLOCK* seg) { return std::max<uint32_t>(seg->functionCount, 1); }

// Without scan functions, no channel list reads every scan as an
// ignored-channel list does.
bool Ignores(const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_CHAN_LIST* chan) {
  return !funs && (!chan || chan->kind == CHAN_LIST_IGNORED);
}

// The channels an average or background reads with: from the scan
// functions (merged when they give none), or the caller's list.
void ChooseChannels(const STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, const STRUCT_SCAN_FUN_ARRAY* funs,
                    uint32_t first, uint32_t last, STRUCT_CHAN_LIST* out) {
  if (funs) {
    if (!TOL_GetChanListForScanFun(wf, first, last, funs, out)) KELT_InitMergedChanList(out);
  } else if (chan) {
    *out = *chan;
  } else {
    KELT_InitIgnoredChanList(out);
  }
}

// Room for the average of a number of scans: the work file's largest
// spectrum, never less than the MS data library writes into a scan buffer,
// and for an average the peaks of every scan (their masses need not meet),
// up to the most any spectrum may hold.
uint32_t BufferSize(const STRUCT_WORK_FILE* wf, HMSDATA h, uint64_t scans = 1) {
  const uint64_t one = std::max(uint32_t{wf->scanBufferSize}, GetMSScanBufferSize(h));
  const uint64_t most = 4 + uint64_t{16} * MS_MAX_SCAN_POINTS * MS_EXCHANGE_ENTRY_SIZE;
  return static_cast<uint32_t>(std::max(one, std::min(one * std::max<uint64_t>(scans, 1), most)));
}


// What a new kind-0 record is made of.
struct Parts {
  MS_SCAN_HEADER header{};
  const void* buffer = nullptr;
  int segment = -1;
  int16_t scansAveraged = 1;
  double firstTime = 0, lastTime = 0;
  uint32_t firstScan = 0, lastScan = 0;
  STRUCT_CHAN_LIST chanList{};
  const STRUCT_SCAN_FUN_ARRAY* funs = nullptr;
  uint16_t step = 1;
};

STRUCT_TOL_SPT* Build(const STRUCT_WORK_FILE* wf, const Parts& p) {
  const uint32_t n = kelt::exchange::Count(p.buffer);
  const uint32_t have = GetBlockSize(p.buffer);
  if (n > (1u << 24) || (have && 4 + uint64_t{n} * MS_EXCHANGE_ENTRY_SIZE > have)) return nullptr;
  auto* tol = static_cast<STRUCT_TOL_SPT*>(AllocBlock(static_cast<uint32_t>(TolSptBytes(size_t(n) + 1))));
  if (!tol) return nullptr;
  tol->header = p.header;
  if (const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, p.segment)) tol->segment = *seg;
  tol->scanFunIndex = p.header.function == 255 ? 0 : p.header.function;
  tol->scansAveraged = p.scansAveraged;
  tol->firstTime = p.firstTime;
  tol->lastTime = p.lastTime;
  tol->firstScan = p.firstScan;
  tol->lastScan = p.lastScan;
  tol->chanList = p.chanList;
  if (p.funs) {
    tol->scanFuns = SCAN_FUN_Copy(p.funs);
    if (!tol->scanFuns) {
      FreeBlock(tol);
      return nullptr;
    }
  }
  tol->scanFunStep = p.step;
  tol->segmentIndex = static_cast<int16_t>(p.segment);
  std::memcpy(tol->dataFilePath, wf->filePath, SPT_PATH_SIZE - 1);
  tol->profile = wf->profile ? 1 : 0;
  tol->fileBlock = wf->msInfo;
  kelt::exchange::ToPairs(p.buffer, n, tol->pairs);
  tol->pairCount = n;
  // Half heights in research mode, for profile data.
  if (kelt::lib::Settings().canShowHalfHeights && wf->profile) {
    uint16_t kind = 0, reference = 0;
    uint32_t width = 0, resolution = 0;
    if (GetHalfHeightInfo(wf->filePath, wf->module, wf->fileType, p.header.segment, tol->scanFunIndex, &kind, &width,
                          &reference, &resolution)) {
      tol->halfHeightsPresent = 1;
      tol->halfHeightKind = kind;
      tol->halfHeightWidth = width;
    }
  }
  return tol;
}

// Totals of a background record from its pairs: total ion, highest and
// lowest mass, base peak (the first of the strictly greatest).
void Summarise(STRUCT_TOL_SPT* tol) {
  uint64_t total = 0;
  uint32_t best = 0;
  double bestMass = 0;
  for (uint32_t i = 0; i < tol->pairCount; ++i) {
    const uint32_t v = tol->pairs[i].intensity;
    total += v;
    if (i == 0 || v > best) best = v, bestMass = tol->pairs[i].mass;
  }
  tol->header.totalIon = total;
  tol->header.lowestMass = tol->pairCount ? tol->pairs[0].mass : 0.0;
  tol->header.highestMass = tol->pairCount ? tol->pairs[tol->pairCount - 1].mass : 0.0;
  tol->header.basePeakMass = bestMass;
  tol->header.basePeakIntensity = best;
}

STRUCT_TOL_SPT* BackgroundRecord(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST& channels,
                                 const STRUCT_SCAN_FUN_ARRAY* funs, const STRUCT_FILE_BC* bc, void* buffer) {
  if (!buffer) return nullptr;
  Parts p;
  p.buffer = buffer;
  p.segment = SegmentOfScan(wf, scan);
  p.header.scanNumber = scan;
  p.header.function = 255;
  double t = 0;
  if (KELT_GetTimeOfScan(wf, scan, &t)) p.header.time = t;
  if (const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, p.segment)) {
    p.header.segment = seg->number;
    p.step = static_cast<uint16_t>(CycleOf(seg));
  }
  p.firstScan = p.lastScan = scan;
  p.firstTime = p.lastTime = t;
  p.chanList = channels;
  p.funs = funs;
  STRUCT_TOL_SPT* tol = Build(wf, p);
  FreeSpectrumBuffer(buffer);
  if (!tol) return nullptr;
  tol->bgCorrected = 0;
  tol->bgMade = 1;
  tol->extendedBg = static_cast<uint16_t>(bc->extendedBackground);
  Summarise(tol);
  return tol;
}

STRUCT_SPT_PLUS* Wrap(STRUCT_WORK_FILE* wf, STRUCT_TOL_SPT* tol, STRUCT_TOL_SPT* background) {
  if (!tol) {
    TOL_Free(background);
    return nullptr;
  }
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    TOL_Free(tol);
    TOL_Free(background);
    return nullptr;
  }
  PlusSpt_InitTolSpt(spt, tol, wf->filePath);
  spt->background = background;
  return spt;
}

// Average, then the file's own background for the scan its header names,
// subtracted.
STRUCT_TOL_SPT* CorrectWithOwnBackground(STRUCT_TOL_SPT* avg, STRUCT_TOL_SPT* background) {
  if (avg && background) TOL_BaselineCorrectSpectrumEx(avg, background);
  TOL_Free(background);
  return avg;
}

}  // namespace

// ---- Averages ------------------------------------------------------------------------

KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                     uint32_t first, uint32_t last) {
  return TOL_MakeAvgSptFromScanRangeEx(wf, chan, nullptr, first, last);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                       uint32_t last) {
  if (!IsMSKind(wf)) return nullptr;
  const int s = SegmentOfScan(wf, first);
  if (s < 0) return nullptr;
  const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
  last = std::min(last, uint32_t{seg->lastScan});
  const uint32_t step = CycleOf(seg);
  Parts p;
  ChooseChannels(wf, chan, funs, first, last, &p.chanList);
  p.funs = funs;
  const bool ignored = p.chanList.kind == CHAN_LIST_IGNORED;
  if (!ignored) {
    if (seg->lastScan - seg->firstScan < step) return nullptr;
    first = seg->firstScan + (first - seg->firstScan) / step * step;
    last = seg->firstScan + (last - seg->firstScan) / step * step;
    if (uint64_t{last} + step > uint64_t{seg->lastScan} + 1) {
      if (last < step) return nullptr;
      last -= step;
    }
    if (last < first) return nullptr;
  }
  const uint32_t scans = ignored ? last + 1 - first : (last + step - first) / step;
  if (last < first || scans > kMostAveraged) return nullptr;
  kelt::msdata::Access access(wf);
  if (!access) return nullptr;
  Block buffer(AllocBlock(BufferSize(wf, access.get(), scans)));
  if (!buffer) return nullptr;
  if (!AverageScans(access.get(), &p.chanList, &p.header, buffer.get(), first, last,
                    static_cast<uint16_t>(ignored ? 1 : step), &p.firstTime, &p.lastTime, wf))
    return nullptr;
  p.buffer = buffer.get();
  p.segment = s;
  p.scansAveraged = static_cast<int16_t>(scans);
  p.firstScan = first;
  p.lastScan = last;
  p.step = static_cast<uint16_t>(step);
  return Build(wf, p);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromScanRangeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                         const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                         uint32_t last, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                         uint16_t segmentChanWord) {
  if (!IsMSKind(wf)) return nullptr;
  kelt::msdata::Access access(wf);
  if (!access || last < first) return nullptr;
  Block buffer(AllocBlock(BufferSize(wf, access.get(), uint64_t{last} - first + 1)));
  if (!buffer) return nullptr;
  Parts p;
  int16_t count = 0, segment = -1;
  if (!NEW_MSBC_GetAveragedSpectrum(access.get(), wf, funs, chan, segmentChan, segmentChanWord, first, last, &p.header,
                                    buffer.get(), &p.firstTime, &p.lastTime, &p.firstScan, &p.lastScan, &count,
                                    &segment))
    return nullptr;
  p.buffer = buffer.get();
  p.segment = segment;
  p.scansAveraged = count;
  p.funs = funs;
  p.step = static_cast<uint16_t>(CycleOf(WorkFileSegment(wf, segment)));
  if (!(funs && segmentChan &&
        SCAN_FUN_GetChanListForSegment(funs, segment, segmentChan,
                                       static_cast<int16_t>(std::min<uint16_t>(segmentChanWord, INT16_MAX)),
                                       &p.chanList)) &&
      chan)
    p.chanList = *chan;
  return Build(wf, p);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, double time,
                                                uint16_t count) {
  return TOL_MakeAvgSptFromTimeEx(wf, chan, nullptr, time, count);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                  const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count) {
  if (!IsMSKind(wf)) return nullptr;
  const int s = SegmentOfTime(wf, time);
  if (s < 0) return nullptr;
  const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
  uint32_t point = 0;
  double pointTime = 0;
  if (!GetPointFromATime(wf, time, &point, &pointTime, 0)) return nullptr;
  const int64_t scan = int64_t{wf->msInfo.firstScan} + point;
  if (chan && chan->kind == CHAN_LIST_LISTED && !funs && !KELT_CheckChanListInSegment(chan, seg)) return nullptr;
  const int64_t half = count / 2;
  int64_t first = scan, last = scan;
  if (count != 1 && !Ignores(funs, chan)) {
    first = scan - int64_t{CycleOf(seg)} * half;
    last = scan + int64_t{CycleOf(seg)} * half;
  } else if (count > 1) {
    first = scan - half;
    last = scan + half;
  }
  first = std::max<int64_t>(first, seg->firstScan);
  last = std::min<int64_t>(last, seg->lastScan);
  if (last < first) return nullptr;
  return TOL_MakeAvgSptFromScanRangeEx(wf, chan, funs, static_cast<uint32_t>(first), static_cast<uint32_t>(last));
}

KELT_API STRUCT_TOL_SPT* TOL_MakeAvgSptFromTimeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                    const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count,
                                                    const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                    uint16_t segmentChanWord) {
  if (!IsMSKind(wf)) return nullptr;
  const int s = SegmentOfTime(wf, time);
  if (s < 0) return nullptr;
  uint32_t point = 0;
  double pointTime = 0;
  if (!GetPointFromATime(wf, time, &point, &pointTime, 0)) return nullptr;
  const uint64_t found = uint64_t{wf->msInfo.firstScan} + point;
  if (found > UINT32_MAX) return nullptr;
  uint32_t scan = static_cast<uint32_t>(found);
  const bool ignored = Ignores(funs, chan);
  auto step = [&](int k) { return ignored ? 1u : CycleOf(WorkFileSegment(wf, k)); };
  const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
  if (scan < seg->firstScan || scan > seg->lastScan) return nullptr;
  scan = seg->firstScan + (scan - seg->firstScan) / step(s) * step(s);
  const double continuity = Continuity(seg);
  auto joins = [&](int k) {
    return k >= 0 && k < WorkFileSegmentCount(wf) &&
           std::fabs(Continuity(WorkFileSegment(wf, k)) - continuity) <= MSBC_CONTINUITY_TOLERANCE;
  };
  uint32_t first = scan, last = scan;
  int segFirst = s, segLast = s;
  bool down = true, up = true;
  for (int k = 0; k < count / 2; ++k) {
    if (down) {
      const MS_SEGMENT_BLOCK* sf = WorkFileSegment(wf, segFirst);
      if (first >= sf->firstScan + step(segFirst)) {
        first -= step(segFirst);
      } else if (joins(segFirst - 1)) {
        --segFirst;
        const MS_SEGMENT_BLOCK* prev = WorkFileSegment(wf, segFirst);
        first = prev->firstScan + (prev->lastScan - prev->firstScan) / step(segFirst) * step(segFirst);
      } else {
        down = false;
      }
    }
    if (up) {
      const MS_SEGMENT_BLOCK* sl = WorkFileSegment(wf, segLast);
      if (uint64_t{last} + step(segLast) <= sl->lastScan) {
        last += step(segLast);
      } else if (joins(segLast + 1)) {
        ++segLast;
        last = WorkFileSegment(wf, segLast)->firstScan;
      } else {
        up = false;
      }
    }
  }
  return TOL_MakeAvgSptFromScanRangeExEx(wf, chan, funs, first, last, segmentChan, segmentChanWord);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeSpectrumFromScan(STRUCT_WORK_FILE* wf, uint32_t scan) {
  if (!IsMSKind(wf)) return nullptr;
  kelt::msdata::Access access(wf);
  if (!access) return nullptr;
  Block buffer(AllocBlock(BufferSize(wf, access.get())));
  if (!buffer) return nullptr;
  Parts p;
  KELT_InitIgnoredChanList(&p.chanList);
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.mode = MS_PICK_NEAREST;
  r.scan = scan;
  const double t = ReadMSScanHeader(access.get(), &r, &p.chanList, &p.header, buffer.get());
  if (t == MS_SCAN_TIME_FAILED) return nullptr;
  p.buffer = buffer.get();
  p.segment = SegmentOfScan(wf, scan);
  p.firstScan = p.lastScan = scan;
  p.firstTime = p.lastTime = t;
  if (const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, p.segment)) p.step = static_cast<uint16_t>(CycleOf(seg));
  return Build(wf, p);
}

// ---- Background spectra ----------------------------------------------------------------

KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanFromFileBC(STRUCT_WORK_FILE* wf, uint32_t scan,
                                                        const STRUCT_CHAN_LIST* chan, const STRUCT_FILE_BC* bc) {
  return TOL_MakeBCSptForScanFromFileBCEx(wf, scan, chan, nullptr, bc);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanFromFileBCEx(STRUCT_WORK_FILE* wf, uint32_t scan,
                                                          const STRUCT_CHAN_LIST* chan,
                                                          const STRUCT_SCAN_FUN_ARRAY* funs,
                                                          const STRUCT_FILE_BC* bc) {
  if (!IsMSKind(wf) || !bc) return nullptr;
  STRUCT_CHAN_LIST channels;
  ChooseChannels(wf, chan, funs, scan, scan, &channels);
  kelt::msdata::Access access(wf);
  if (!access) return nullptr;
  void* buffer = MakeBackgroundSpectrum(access.get(), &channels, scan, bc, wf);
  return BackgroundRecord(wf, scan, channels, funs, bc, buffer);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanFromFileBCExEx(STRUCT_WORK_FILE* wf, uint32_t scan,
                                                            const STRUCT_CHAN_LIST* chan,
                                                            const STRUCT_SCAN_FUN_ARRAY* funs,
                                                            const STRUCT_FILE_BC* bc,
                                                            const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                            uint16_t segmentChanWord) {
  if (!IsMSKind(wf) || !bc) return nullptr;
  kelt::msdata::Access access(wf);
  if (!access) return nullptr;
  void* buffer =
      NEW_MSBC_GetBaseCorrSpectrumForScan(access.get(), wf, funs, chan, segmentChan, segmentChanWord, scan, bc);
  STRUCT_CHAN_LIST channels{};
  if (chan) channels = *chan;
  return BackgroundRecord(wf, scan, channels, funs, bc, buffer);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScan(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan) {
  return TOL_MakeBCSptForScanEx(wf, scan, chan, nullptr);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanEx(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan,
                                                const STRUCT_SCAN_FUN_ARRAY* funs) {
  if (!IsMSKind(wf)) return nullptr;
  STRUCT_FILE_BC* bc = BuildBackCorrFromRefSpts(wf);
  if (!bc) return nullptr;
  STRUCT_TOL_SPT* tol = TOL_MakeBCSptForScanFromFileBCEx(wf, scan, chan, funs, bc);
  FreeBackCorr(bc);
  return tol;
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCSptForScanExEx(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan,
                                                  const STRUCT_SCAN_FUN_ARRAY* funs,
                                                  const STRUCT_SCAN_FUN_INFO* segmentChan, uint16_t segmentChanWord) {
  if (!IsMSKind(wf)) return nullptr;
  STRUCT_FILE_BC* bc = BuildBackCorrFromRefSpts(wf);
  if (!bc) return nullptr;
  STRUCT_TOL_SPT* tol = TOL_MakeBCSptForScanFromFileBCExEx(wf, scan, chan, funs, bc, segmentChan, segmentChanWord);
  FreeBackCorr(bc);
  return tol;
}

// ---- Background-corrected averages -----------------------------------------------------

KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                  const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromTimeEx(wf, chan, funs, time, count);
  if (!avg) return nullptr;
  return CorrectWithOwnBackground(avg, TOL_MakeBCSptForScanEx(wf, avg->header.scanNumber, chan, funs));
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                    const STRUCT_SCAN_FUN_ARRAY* funs, double time, uint16_t count,
                                                    const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                    uint16_t segmentChanWord) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromTimeExEx(wf, chan, funs, time, count, segmentChan, segmentChanWord);
  if (!avg) return nullptr;
  return CorrectWithOwnBackground(
      avg, TOL_MakeBCSptForScanExEx(wf, avg->header.scanNumber, chan, funs, segmentChan, segmentChanWord));
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       uint32_t first, uint32_t last) {
  return TOL_MakeBCAvgSptFromScanRangeEx(wf, chan, nullptr, first, last);
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                         const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                         uint32_t last) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromScanRangeEx(wf, chan, funs, first, last);
  if (!avg) return nullptr;
  return CorrectWithOwnBackground(avg, TOL_MakeBCSptForScanEx(wf, avg->header.scanNumber, chan, funs));
}

KELT_API STRUCT_TOL_SPT* TOL_MakeBCAvgSptFromScanRangeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                           const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                           uint32_t last, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                           uint16_t segmentChanWord) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromScanRangeExEx(wf, chan, funs, first, last, segmentChan, segmentChanWord);
  if (!avg) return nullptr;
  return CorrectWithOwnBackground(
      avg, TOL_MakeBCSptForScanExEx(wf, avg->header.scanNumber, chan, funs, segmentChan, segmentChanWord));
}

namespace {

// The average corrected with the background between two times.
STRUCT_TOL_SPT* CorrectBetweenTimes(STRUCT_WORK_FILE* wf, STRUCT_TOL_SPT* avg, const STRUCT_CHAN_LIST* chan,
                                    const STRUCT_SCAN_FUN_ARRAY* funs, double t1, double t2) {
  if (!avg) return nullptr;
  STRUCT_FILE_BC* bc = KELT_MakeFileBCFromTwoTimes(wf, t1, t2);
  if (!bc) return avg;
  bc->extendedBackground = 0;
  STRUCT_TOL_SPT* bg = TOL_MakeBCSptForScanFromFileBCEx(wf, avg->header.scanNumber, chan, funs, bc);
  if (bg) TOL_BaselineCorrectSpectrum(avg, bg, nullptr);
  TOL_Free(bg);
  FreeBackCorr(bc);
  return avg;
}

// The background between two times, or the file's own when that gives none.
STRUCT_TOL_SPT* TwoTimesBackground(STRUCT_WORK_FILE* wf, uint32_t scan, const STRUCT_CHAN_LIST* chan,
                                   const STRUCT_SCAN_FUN_ARRAY* funs, double t1, double t2) {
  STRUCT_TOL_SPT* bg = nullptr;
  if (STRUCT_FILE_BC* bc = KELT_MakeFileBCFromTwoTimes(wf, t1, t2)) {
    bg = TOL_MakeBCSptForScanFromFileBCEx(wf, scan, chan, funs, bc);
    FreeBackCorr(bc);
  }
  return bg ? bg : TOL_MakeBCSptForScanEx(wf, scan, chan, funs);
}

}  // namespace

KELT_API STRUCT_TOL_SPT* TOL_TRBC_MakeAvgSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                          uint32_t first, uint32_t last, double bgTime1,
                                                          double bgTime2) {
  return CorrectBetweenTimes(wf, TOL_MakeAvgSptFromScanRange(wf, chan, first, last), chan, nullptr, bgTime1, bgTime2);
}

KELT_API STRUCT_TOL_SPT* TOL_TRBC_MakeAvgSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, double time,
                                                     uint16_t count, double bgTime1, double bgTime2) {
  return TOL_TRBC_MakeAvgSptFromTimeEx(wf, chan, nullptr, time, count, bgTime1, bgTime2);
}

KELT_API STRUCT_TOL_SPT* TOL_TRBC_MakeAvgSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                       uint16_t count, double bgTime1, double bgTime2) {
  return CorrectBetweenTimes(wf, TOL_MakeAvgSptFromTimeEx(wf, chan, funs, time, count), chan, funs, bgTime1,
                             bgTime2);
}

// ---- Spectrum records ----------------------------------------------------------------------

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                       const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                       uint16_t count) {
  return Wrap(wf, TOL_MakeBCAvgSptFromTime(wf, chan, funs, time, count), nullptr);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                         const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                         uint16_t count, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                         uint16_t segmentChanWord) {
  return Wrap(wf, TOL_MakeBCAvgSptFromTimeEx(wf, chan, funs, time, count, segmentChan, segmentChanWord), nullptr);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromTimeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                           const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                           uint16_t count, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                           uint16_t segmentChanWord) {
  return TOL_MakeBCAvgPlusSptFromTimeEx(wf, chan, funs, time, count, segmentChan, segmentChanWord);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                            uint32_t first, uint32_t last) {
  return Wrap(wf, TOL_MakeBCAvgSptFromScanRange(wf, chan, first, last), nullptr);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAvgPlusSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                              const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                              uint32_t last) {
  return Wrap(wf, TOL_MakeBCAvgSptFromScanRangeEx(wf, chan, funs, first, last), nullptr);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTime(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                          const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                          uint16_t count) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromTimeEx(wf, chan, funs, time, count);
  if (!avg) return nullptr;
  return Wrap(wf, avg, TOL_MakeBCSptForScanEx(wf, avg->header.scanNumber, chan, funs));
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                            const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                            uint16_t count, const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                            uint16_t segmentChanWord) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromTimeExEx(wf, chan, funs, time, count, segmentChan, segmentChanWord);
  if (!avg) return nullptr;
  return Wrap(wf, avg,
              TOL_MakeBCSptForScanExEx(wf, avg->header.scanNumber, chan, funs, segmentChan, segmentChanWord));
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeExEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                              const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                              uint16_t count,
                                                              const STRUCT_SCAN_FUN_INFO* segmentChan,
                                                              uint16_t segmentChanWord) {
  return TOL_MakeBCAndAvgPlusSptFromTimeEx(wf, chan, funs, time, count, segmentChan, segmentChanWord);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRange(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                               uint32_t first, uint32_t last) {
  return TOL_MakeBCAndAvgPlusSptFromScanRangeEx(wf, chan, nullptr, first, last);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRangeEx(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan,
                                                                 const STRUCT_SCAN_FUN_ARRAY* funs, uint32_t first,
                                                                 uint32_t last) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromScanRangeEx(wf, chan, funs, first, last);
  if (!avg) return nullptr;
  return Wrap(wf, avg, TOL_MakeBCSptForScanEx(wf, avg->header.scanNumber, chan, funs));
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCs(STRUCT_WORK_FILE* wf,
                                                                   const STRUCT_CHAN_LIST* chan, double time,
                                                                   uint16_t count, double bgTime1, double bgTime2) {
  return TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCsEx(wf, chan, nullptr, time, count, bgTime1, bgTime2);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromTimeAndTwoBCsEx(STRUCT_WORK_FILE* wf,
                                                                     const STRUCT_CHAN_LIST* chan,
                                                                     const STRUCT_SCAN_FUN_ARRAY* funs, double time,
                                                                     uint16_t count, double bgTime1,
                                                                     double bgTime2) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromTimeEx(wf, chan, funs, time, count);
  if (!avg) return nullptr;
  return Wrap(wf, avg, TwoTimesBackground(wf, avg->header.scanNumber, chan, funs, bgTime1, bgTime2));
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCs(STRUCT_WORK_FILE* wf,
                                                                        const STRUCT_CHAN_LIST* chan, uint32_t first,
                                                                        uint32_t last, double bgTime1,
                                                                        double bgTime2) {
  return TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCsEx(wf, chan, nullptr, first, last, bgTime1, bgTime2);
}

KELT_API STRUCT_SPT_PLUS* TOL_MakeBCAndAvgPlusSptFromScanRangeAndTwoBCsEx(STRUCT_WORK_FILE* wf,
                                                                          const STRUCT_CHAN_LIST* chan,
                                                                          const STRUCT_SCAN_FUN_ARRAY* funs,
                                                                          uint32_t first, uint32_t last,
                                                                          double bgTime1, double bgTime2) {
  STRUCT_TOL_SPT* avg = TOL_MakeAvgSptFromScanRangeEx(wf, chan, funs, first, last);
  if (!avg) return nullptr;
  return Wrap(wf, avg, TwoTimesBackground(wf, avg->header.scanNumber, chan, funs, bgTime1, bgTime2));
}

KELT_API STRUCT_SPT_PLUS* PlusSpt_MakeFromMSSpectrumEx(const void* buffer) {
  if (!buffer) return nullptr;
  const uint32_t n = kelt::exchange::Count(buffer);
  const uint32_t have = GetBlockSize(buffer);
  if (n > (1u << 24) || (have && 4 + uint64_t{n} * MS_EXCHANGE_ENTRY_SIZE > have)) return nullptr;
  auto* list = static_cast<STRUCT_LIST_SPT*>(
      AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_LIST_SPT) + size_t(n) * sizeof(XTOL_PAIR))));
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!list || !spt) {
    FreeBlock(list);
    FreeBlock(spt);
    return nullptr;
  }
  kelt::exchange::ToPairs(buffer, n, list->pairs);
  list->pairCount = n;
  spt->kind = SPT_KIND_LIST;
  spt->listSpt = list;
  double intensity = 0;
  spt->basePeakMass = PlusSpt_GetBasePeak(spt, &intensity);
  spt->basePeakIntensity = intensity;
  PlusSpt_SetTopWeightedMasses(spt);
  return spt;
}
