// Background-correction times of a target compound and the spectra of a
// compound report.
#include "reportmakers/spectra_of_compounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <vector>

#include "common/data_file_utils.h"
#include "common/report_records.h"
#include "holbrin/holbrin.h"
#include "jessul32/background_subtraction.h"
#include "jessul32/jessul32.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "quorna/quorna.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tol_spectra.h"
#include "win/win_crt.h"

namespace {

namespace step = kelt::reports::step;
using kelt::reports::FieldAt;

constexpr uint32_t kPeakScan = 122, kMatchScan = 126, kChanList = 889, kBackgroundStart = 1327,
                   kBackgroundEnd = 1331;
// Compound record: the reference-spectrum threshold, percent of the base peak.
constexpr uint32_t kRefThreshold = 3361;
constexpr size_t kMinTracePoints = 10;

struct TracePoints {
  std::vector<double> times, values;
};

// One trace between two times; the points as the MS data gives them.
bool ReadTrace(HMSDATA ms, double from, double to, const STRUCT_CHAN_LIST& channels, const STRUCT_MASS_LIST& masses,
               TracePoints* out) {
  MS_TRACE_REQUEST request{};
  request.kind = MS_TRACE_BY_TIMES;
  request.times.from = from;
  request.times.to = to;
  void* block = nullptr;
  const uint32_t count = ReadMSTrace(ms, &request, &channels, &masses, &block);
  if (!block) return false;
  out->times.resize(count);
  out->values.resize(count);
  for (uint32_t i = 0; i < count; ++i) MSTracePointAt(block, i, &out->times[i], &out->values[i]);
  FreeMSTrace(block);
  return true;
}

STRUCT_CHAN_LIST ChanListOf(const STRUCT_DH_COMPOUND& c) {
  STRUCT_CHAN_LIST l;
  static_assert(sizeof l == sizeof c.chanList);
  std::memcpy(&l, &c.chanList, sizeof l);
  return l;
}
STRUCT_MASS_LIST MassListOf(const STRUCT_DH_COMPOUND& c) {
  STRUCT_MASS_LIST l;
  static_assert(sizeof l == sizeof c.massList);
  std::memcpy(&l, &c.massList, sizeof l);
  return l;
}

// The search once the traces are read; the two times or false.
bool FindTimes(const TracePoints& ion, const TracePoints* total, double start, double end, double c, double tol,
               double* outStart, double* outEnd) {
  const size_t n = ion.times.size();
  const int first = 0, last = int(n) - 1;
  // The apex near the expected time.
  const double lo = std::max({start, c - tol, c - 0.1}), hi = std::min({end, c + tol, c + 0.1});
  double best = 0;
  for (int i = first; i <= last; ++i)
    if (ion.times[size_t(i)] >= lo && ion.times[size_t(i)] <= hi && ion.values[size_t(i)] > best)
      best = ion.values[size_t(i)], c = ion.times[size_t(i)];
  const double apex = c;
  // The ion weighs five times the rest of the total.
  std::vector<double> v = ion.values;
  if (total && total->values.size() == n) {
    double d = 0;
    for (int i = first; i <= last; ++i) {
      const double diff = total->values[size_t(i)] - ion.values[size_t(i)];
      if (i == first || diff < d) d = diff;
    }
    for (int i = first; i <= last; ++i)
      v[size_t(i)] = 5 * ion.values[size_t(i)] + (total->values[size_t(i)] - d);
  }
  int lowBefore = -1;
  for (int i = first; i + 3 <= last && ion.times[size_t(i + 3)] < apex; ++i)
    if (lowBefore < 0 || v[size_t(i)] <= v[size_t(lowBefore)]) lowBefore = i;
  int from = last;
  if (from >= 0 && ion.times[size_t(from)] > end) --from;
  int lowAfter = -1;
  for (int i = from; i >= first && i - 3 >= 0 && ion.times[size_t(i - 3)] > apex; --i)
    if (lowAfter < 0 || v[size_t(i)] <= v[size_t(lowAfter)]) lowAfter = i;
  if (lowBefore < 0 || lowAfter < 0) return false;
  *outStart = ion.times[size_t(lowBefore)];
  *outEnd = ion.times[size_t(lowAfter)];
  return true;
}

bool IsMethodCompound(const void* s) {
  const int32_t status = FieldAt<int32_t>(s, step::kStatus);
  return status >= 0 && status <= 2;
}

STRUCT_CHAN_LIST StepChanList(const void* s) { return FieldAt<STRUCT_CHAN_LIST>(s, kChanList); }

// The background times: the step's own when both are set, else searched.
bool BackgroundTimes(STRUCT_WORK_FILE* wf, const void* s, STRUCT_DH_COMPOUND* compound, double* t1, double* t2) {
  const float a = FieldAt<float>(s, kBackgroundStart), b = FieldAt<float>(s, kBackgroundEnd);
  if (a != 0.0f && b != 0.0f) {
    *t1 = a, *t2 = b;
    return true;
  }
  return compound && TOL_GetTargetBCSptTimes(reinterpret_cast<const char*>(wf), compound, t1, t2) == BC_TIMES_FOUND;
}

// Scan or time form of the makers.
struct Where {
  bool byTime;
  uint32_t scan;
  double time;
};

STRUCT_TOL_SPT* Plain(STRUCT_WORK_FILE* wf, const STRUCT_CHAN_LIST* chan, const Where& w) {
  return w.byTime ? TOL_MakeAvgSptFromTime(wf, chan, w.time, 1) : TOL_MakeAvgSptFromScanRange(wf, chan, w.scan, w.scan);
}

STRUCT_SPT_PLUS* MakeSpectrum(STRUCT_WORK_FILE* wf, const void* s, STRUCT_DH_COMPOUND* compound, int16_t mode,
                              Where w) {
  if (!wf || !s) return nullptr;
  const bool method = IsMethodCompound(s);
  if (!w.byTime)
    w.scan = uint32_t(method && FieldAt<uint16_t>(s, step::kIdSearchType) == 0 ? FieldAt<int32_t>(s, kMatchScan)
                                                                                : FieldAt<int32_t>(s, kPeakScan));
  const STRUCT_CHAN_LIST chan = StepChanList(s);
  STRUCT_TOL_SPT* tol = nullptr;
  STRUCT_TOL_SPT* background = nullptr;
  double t1 = 0, t2 = 0;
  if (mode == CMPD_SPT_CORRECTED) {
    if (method) {
      if (BackgroundTimes(wf, s, compound, &t1, &t2))
        tol = w.byTime ? TOL_TRBC_MakeAvgSptFromTime(wf, &chan, w.time, 1, t1, t2)
                       : TOL_TRBC_MakeAvgSptFromScanRange(wf, &chan, w.scan, w.scan, t1, t2);
    } else {
      tol = w.byTime ? TOL_MakeBCAvgSptFromTime(wf, &chan, nullptr, w.time, 1)
                     : TOL_MakeBCAvgSptFromScanRange(wf, &chan, w.scan, w.scan);
    }
  } else if (mode == CMPD_SPT_WITH_BACKGROUND) {
    tol = Plain(wf, &chan, w);
    if (tol) {
      STRUCT_FILE_BC* bc = nullptr;
      if (method) {
        if (BackgroundTimes(wf, s, compound, &t1, &t2)) bc = KELT_MakeFileBCFromTwoTimes(wf, t1, t2);
      } else {
        bc = BuildBackCorrFromRefSpts(wf);
      }
      if (bc) {
        background = TOL_MakeBCSptForScanFromFileBC(wf, tol->header.scanNumber, &chan, bc);
        FreeBackCorr(bc);
      }
    }
  } else {
    tol = Plain(wf, &chan, w);
  }
  if (!tol) return nullptr;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    TOL_Free(tol);
    if (background) TOL_Free(background);
    return nullptr;
  }
  RPTS_TitleSampleSpectrum(wf, spt, tol, int16_t(tol->bgCorrected));
  spt->background = background;
  return spt;
}

template <size_t N>
void PutTitle(char (&field)[N], const char* text) {
  // The title field holds at most N - 1 characters and its terminator.
  const size_t n = std::min(std::strlen(text), N - 1);
  std::memcpy(field, text, n);
  field[n] = 0;
}

}  // namespace

int32_t TOL_GetTargetBCSptTimesEx(const char* dataFile, STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_INFO*,
                                  uint16_t, STRUCT_DH_COMPOUND* compound, double* start, double* end) {
  if (start) *start = 0.0;
  if (end) *end = 0.0;
  const char* wfPath = workFile ? reinterpret_cast<const char*>(workFile) : nullptr;
  const bool havePath = dataFile && *dataFile;
  if (!compound || !start || !end || (!wfPath && !havePath)) return BC_TIMES_NO_DATA;
  if (wfPath && havePath && _stricmp(wfPath, dataFile) != 0) return BC_TIMES_NO_DATA;
  const char* path = havePath ? dataFile : wfPath;

  double c = compound->retentionTime * 0.001;
  double from = c - compound->windowHalfWidth * 0.001, to = c + compound->windowHalfWidth * 0.001;
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (ReadMSFileInfo(path, nullptr, info.data())) {
    double range[2];
    std::memcpy(range, info.data() + MS_INFO_BLOCK_SIZE, sizeof range);
    from = std::max(from, range[0]);
    to = std::min(to, range[1]);
  }
  int32_t status = BC_TIMES_NOT_FOUND;
  bool found = false;
  double t1 = 0, t2 = 0;
  HMSDATA ms = OpenMSData(path, "MSData", 0);
  if (ms) {
    if (!(compound->massList.massWindow > 0)) compound->massList.massWindow = 0.5;
    const STRUCT_CHAN_LIST chan = ChanListOf(*compound);
    const STRUCT_MASS_LIST masses = MassListOf(*compound);
    MS_SCAN_REQUEST request{};
    request.kind = MS_SCAN_BY_TIME;
    request.mode = MS_PICK_NEAREST;
    request.time = c;
    MS_SCAN_HEADER header{};
    const double scanTime = FindMSScan(ms, &request, &chan, &header);
    if (scanTime > 0) c = scanTime;
    // Listed channels over a window crossing segments are read scan
    // function by scan function by the trace reader itself.
    TracePoints ion, total;
    STRUCT_MASS_LIST all;
    std::memset(&all, 0, sizeof all);
    all.kind = 0;
    if (!ReadTrace(ms, from, to, chan, masses, &ion) || ion.times.size() < kMinTracePoints) {
      status = BC_TIMES_NO_DATA;
    } else {
      const bool haveTotal = ReadTrace(ms, from, to, chan, all, &total);
      found = FindTimes(ion, haveTotal ? &total : nullptr, from, to, c, compound->secondWindowHalfWidth * 0.001,
                        &t1, &t2);
    }
    CloseMSData(ms);
  }
  if (found) {
    *start = t1;
    *end = t2;
    return BC_TIMES_FOUND;
  }
  return status;
}

int32_t TOL_GetTargetBCSptTimes(const char* dataFile, STRUCT_DH_COMPOUND* compound, double* start, double* end) {
  if (start) *start = 0.0;
  if (end) *end = 0.0;
  return TOL_GetTargetBCSptTimesEx(dataFile, nullptr, nullptr, 0, compound, start, end);
}

STRUCT_SPT_PLUS* TOL_MakeSptFromTolQuanRecord(STRUCT_WORK_FILE* workFile, const void* step,
                                              STRUCT_DH_COMPOUND* compound, int16_t mode) {
  return MakeSpectrum(workFile, step, compound, mode, Where{false, 0, 0.0});
}

STRUCT_SPT_PLUS* TOL_MakeSptFromTimeAndTolQuanRecord(STRUCT_WORK_FILE* workFile, double time, const void* step,
                                                     STRUCT_DH_COMPOUND* compound, int16_t mode) {
  return MakeSpectrum(workFile, step, compound, mode, Where{true, 0, time});
}

STRUCT_SPT_PLUS* KELT_MakeSptFromPeakMatrixRecord(const STRUCT_DH_COMPOUND* compound) {
  if (!compound) return nullptr;
  STRUCT_REF_EX_SPT stored;
  static_assert(sizeof stored == 1370);
  // The stored spectrum runs on into the 16-bit word after the 1,368 bytes.
  std::memcpy(&stored, reinterpret_cast<const uint8_t*>(compound) + offsetof(STRUCT_DH_COMPOUND, referenceSpectrum),
              sizeof stored);
  if (stored.pairCount <= 0 || stored.pairCount > SPT_REF_MAX_PAIRS) return nullptr;
  STRUCT_REF_EX_SPT* copy = REF_EX_CopySpectrum(&stored);
  if (!copy) return nullptr;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    REF_EX_Free(copy);
    return nullptr;
  }
  PlusSpt_InitRefExSpt(spt, copy, nullptr);
  char chan[160] = {};
  const STRUCT_CHAN_LIST list = ChanListOf(*compound);
  FormatChanList(chan, &list);
  char title[200];
  std::snprintf(title, sizeof title, "Chan: %s", chan);
  PutTitle(spt->mainTitle, title);
  PlusSpt_ScaleMassInt(spt, 999);
  // The record keeps whole percents; the pair call takes tenths.
  const int16_t percent = FieldAt<int16_t>(compound, kRefThreshold);
  if (percent > 0) PlusSpt_RemovePairsBelowPercentBP(spt, int16_t(std::min(percent * 10, 999)));
  double intensity = 0;
  spt->basePeakMass = PlusSpt_GetBasePeak(spt, &intensity);
  spt->basePeakIntensity = intensity;
  return spt;
}

void RPTS_TitleSampleSpectrum(STRUCT_WORK_FILE* workFile, STRUCT_SPT_PLUS* spt, STRUCT_TOL_SPT* tol,
                              int16_t corrected) {
  if (!spt || !tol) return;
  PlusSpt_InitTolSpt(spt, tol, reinterpret_cast<const char*>(workFile));
  char title[200];
  std::snprintf(title, sizeof title, "%sSample Spectrum for Scan: %d RT: %.3f min.%s", corrected ? "" : "Raw ",
                int(tol->header.scanNumber), tol->header.time,
                corrected ? (tol->extendedBg ? " EBC" : " BC") : "");
  PutTitle(spt->mainTitle, title);
}

void RPTS_TitleRefSpectrum(STRUCT_SPT_PLUS* spt, const void* step) {
  if (!spt || !step || !spt->refExSpt) return;
  char name[step::kNameSize + 1] = {};
  std::memcpy(name, kelt::reports::TextAt(step, step::kName), step::kNameSize);
  char title[200];
  std::snprintf(title, sizeof title, "Reference Spectrum for %s", name);
  PutTitle(spt->mainTitle, title);
  char file[64] = {};
  KELT_TruncateFilenameString(spt->refExSpt->dataFilePath, 30, file);
  std::snprintf(title, sizeof title, "Scan: %ld RT: %.3f min. %s", long(spt->refExSpt->header.scanNumber),
                spt->refExSpt->header.time, file);
  PutTitle(spt->fileTitle, title);
}

int32_t RPTS_ReprocessPlotTrace(SVW_OVERLAY* overlay, int16_t slot, const void* processing) {
  if (!processing) return 0;
  uint32_t setting1, setting2;
  std::memcpy(&setting1, static_cast<const uint8_t*>(processing) + PLOT_PROCESSING_SETTING1, 4);
  std::memcpy(&setting2, static_cast<const uint8_t*>(processing) + PLOT_PROCESSING_SETTING2, 4);
  if (setting1 == 0 && setting2 == 0) return 0;
  if (!overlay || !OverlaySlotIndex(slot)) return 0;
  STRUCT_NE_DATA_POINTS* trace = overlay->slots[slot].trace;
  if (!trace || !trace->points || trace->pointCount == 0) return 0;
  if (trace->filtered) FreeMSTrace(trace->filtered);
  trace->filtered = nullptr;
  trace->filteredCount = 0;
  void* processed = nullptr;
  if (!ProcessMSTrace(&processed, trace->points, trace->pointCount, setting1, setting2) || !processed) return 0;
  trace->filtered = static_cast<STRUCT_NE_POINT_BLOCK*>(processed);
  trace->filteredCount = trace->pointCount;
  // The shown range as the overlay keeps it, within the points there are.
  const int64_t first = std::max<int64_t>(0, overlay->tail.firstShownIndex[slot]);
  const int64_t last = std::min<int64_t>(int64_t(trace->filteredCount) - 1, overlay->tail.lastShownIndex[slot]);
  double low = 0.0, high = 0.0;
  for (int64_t i = first; i <= last; ++i) {
    const double v = NePointValue(trace->filtered, uint32_t(i));
    if (i == first || v < low) low = v;
    if (i == first || v > high) high = v;
  }
  overlay->tail.minInView[slot] = low;
  overlay->tail.maxInView[slot] = high;
  return 1;
}
