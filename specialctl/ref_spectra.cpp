// The background spectra picked on one plot: the data file's background correction and
// a drawing record per range, kept in ascending order of centre scan.
#include "specialctl/ref_spectra.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/mass_lists.h"
#include "common/ms_data_handles.h"
#include "jessul32/automatic_background.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kMessageMs = 2000;

void TimedMessage(const char* text) {
  HWND shown = ShowTimedMessage(GetActiveWindow(), text, kMessageMs);
  if (shown) UpdateWindow(shown);
}

bool HasMSData(const STRUCT_WORK_FILE* wf) { return wf && (wf->centroid || wf->profile); }

int ScansPerCycle(const MS_SEGMENT_BLOCK& seg) { return seg.functionCount ? seg.functionCount : 1; }

// The first segment whose scans enclose scan, or -1.
int SegmentOfScan(const STRUCT_WORK_FILE* wf, uint32_t scan) {
  for (int i = 0; i < WorkFileSegmentCount(wf); ++i) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, i);
    if (seg && scan >= seg->firstScan && scan <= seg->lastScan) return i;
  }
  return -1;
}

// The plot value of one scan read with the plot's lists; false when the
// scan cannot be read.
bool ReadPoint(HMSDATA h, uint32_t scan, const STRUCT_CHAN_LIST* chans, const STRUCT_MASS_LIST* masses, double* time,
               double* value) {
  MS_TRACE_REQUEST request{};
  request.kind = MS_TRACE_BY_SCANS;
  request.scans.first = scan;
  request.scans.last = scan;
  void* block = nullptr;
  const uint32_t n = ReadMSTrace(h, &request, chans, masses, &block);
  bool ok = false;
  if (n >= 1 && block) {
    const auto* b = static_cast<const STRUCT_NE_POINT_BLOCK*>(block);
    *time = NePointAt(b, 0)->time;
    *value = NePointValue(b, 0);
    ok = true;
  }
  FreeMSTrace(block);
  return ok;
}

STRUCT_BC_DRAW_INFO* NewRecord(int n) {
  return static_cast<STRUCT_BC_DRAW_INFO*>(AllocBlock(static_cast<uint32_t>(BCDrawInfoBytes(n))));
}

}  // namespace

CRefSpts::CRefSpts()
    : m_nCount(0),
      m_nCapacity(0),
      m_ppDraw(nullptr),
      m_pFileBC(nullptr),
      m_pWorkFile(nullptr),
      m_nPlotType(0),
      m_MassList{},
      m_ChanList{},
      m_pScanFuns(nullptr),
      m_pSegPlots(nullptr),
      m_bTwoTimes(0),
      m_dTime1(0),
      m_dTime2(0) {}

CRefSpts::~CRefSpts() { ClearFile(); }

void CRefSpts::NewFile(STRUCT_WORK_FILE* workFile, int16_t type, const STRUCT_MASS_LIST* massList,
                       const STRUCT_CHAN_LIST* chanList, STRUCT_SCAN_FUN_ARRAY* scanFuns, STRUCT_SEG_PLOTS* segPlots,
                       SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData, int16_t twoTimes,
                       double time1, double time2) {
  ClearFile();
  m_pWorkFile = workFile;
  m_nPlotType = type;
  if (chanList) m_ChanList = *chanList;
  else KELT_InitMergedChanList(&m_ChanList);
  m_pScanFuns = scanFuns;
  m_pSegPlots = segPlots;
  STRUCT_MASS_LIST given{};
  if (massList) given = *massList;
  KELT_ParseDataTypeIntoMassList(type, &given, &m_MassList);
  m_bTwoTimes = twoTimes;
  m_dTime1 = time1;
  m_dTime2 = time2;
  LoadSpts(overlay, slot, plotData);
}

void CRefSpts::SetPlotType(int16_t type, const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                           STRUCT_SCAN_FUN_ARRAY* scanFuns, STRUCT_SEG_PLOTS* segPlots, SVW_OVERLAY* overlay,
                           int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData, int16_t twoTimes, double time1,
                           double time2) {
  if (!m_pWorkFile) return;
  STRUCT_MASS_LIST masses{};
  if (massList) masses = *massList;
  STRUCT_CHAN_LIST chans;
  if (chanList) chans = *chanList;
  else KELT_InitMergedChanList(&chans);
  bool same = type == m_nPlotType;
  if (same && scanFuns && m_pScanFuns) same = SCAN_FUN_Compare(scanFuns, m_pScanFuns) != 0;
  if (same && segPlots && m_pSegPlots) same = PLOT_SEG_Compare(segPlots, m_pSegPlots) != 0;
  same = same && KELT_IsSameChanList(&chans, &m_ChanList) && KELT_IsSameMassList(&masses, &m_MassList);
  same = same && twoTimes == m_bTwoTimes && time1 == m_dTime1 && time2 == m_dTime2;
  if (same) return;
  m_nPlotType = type;
  m_MassList = masses;
  m_ChanList = chans;
  m_pScanFuns = scanFuns;
  m_pSegPlots = segPlots;
  m_bTwoTimes = twoTimes;
  m_dTime1 = time1;
  m_dTime2 = time2;
  LoadSpts(overlay, slot, plotData);
}

void CRefSpts::ClearRefSpts() {
  if (m_ppDraw) {
    for (int i = 0; i < m_nCount; ++i) {
      if (m_ppDraw[i]) FreeBlock(m_ppDraw[i]);
    }
    FreeBlock(m_ppDraw);
  }
  m_ppDraw = nullptr;
  m_nCount = 0;
  m_nCapacity = 0;
  FreeBackCorr(m_pFileBC);
  m_pFileBC = nullptr;
}

void CRefSpts::ClearFile() {
  ClearRefSpts();
  m_pWorkFile = nullptr;
}

int16_t CRefSpts::AddSpt(double time, int16_t scanCount, SVW_OVERLAY* overlay, int16_t slot,
                         const STRUCT_CHRO_PLOT_DATA* plotData) {
  if (!m_pWorkFile || scanCount < 1) return -1;
  if (!m_pFileBC) {
    m_pFileBC = NewFileBC(m_pWorkFile);
    if (!m_pFileBC) return -1;
  }
  const int n = scanCount;
  uint32_t s = 0, end = 0;
  double centre = 0;
  int segment = -1;
  int perCycle = 1;
  bool found = false;
  {
    kelt::msdata::Access ms(m_pWorkFile);
    double t0 = 0;
    if (ms && kelt::msdata::FindScan(ms.get(), kelt::msdata::ScanAtTime(time), &s, &t0)) {
      if (n != 1) {
        const int k = SegmentOfScan(m_pWorkFile, s);
        if (k >= 0) {
          const MS_SEGMENT_BLOCK& seg = *WorkFileSegment(m_pWorkFile, k);
          const int64_t back = (int64_t{n} * ScansPerCycle(seg)) >> 1;
          const uint32_t b =
              static_cast<uint32_t>(std::max<int64_t>(int64_t{s} - back, int64_t{seg.firstScan}));
          uint32_t bs;
          double bt;
          if (kelt::msdata::FindScan(ms.get(), kelt::msdata::ScanNumbered(b), &bs, &bt)) {
            s = bs;
            t0 = bt;
          }
        }
      }
      segment = SegmentOfScan(m_pWorkFile, s);
      if (segment >= 0) {
        const MS_SEGMENT_BLOCK& seg = *WorkFileSegment(m_pWorkFile, segment);
        perCycle = ScansPerCycle(seg);
        end = static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t{s} + uint64_t(n) * uint64_t(perCycle), uint64_t{seg.lastScan} + 1));
        if (perCycle == 1 && n == 1) {
          centre = t0;
          found = true;
        } else if (end < seg.lastScan) {
          uint32_t es;
          double t1;
          if (kelt::msdata::FindScan(ms.get(), kelt::msdata::ScanNumbered(end - 1), &es, &t1)) {
            centre = t0 + (t1 - t0) / 2;
            found = true;
          }
        } else {
          centre = t0 + (seg.endTime - t0) / 2;
          found = true;
        }
      }
    }
  }
  if (!found || end <= s) return -1;
  STRUCT_BC_DRAW_INFO* r = NewRecord(n);
  if (!r) return -1;
  // Whether the range replaces a range the correction holds already.
  bool hadRange = false;
  for (int i = 0; i < m_nCount; ++i) hadRange = hadRange || m_ppDraw[i]->firstScan == s;
  STRUCT_FILE_BC* grown = AddBCRange(m_pFileBC, s, centre, end, centre + 0.2);
  if (!grown) {
    FreeBlock(r);
    return -1;
  }
  m_pFileBC = grown;
  const uint32_t scans = end - s;
  SetBackCorrRangeCounts(m_pFileBC, s, static_cast<uint16_t>(n),
                         static_cast<uint16_t>(std::min<uint32_t>(scans, 0xFFFF)));
  r->segment = static_cast<int16_t>(segment);
  r->scansPerCycle = static_cast<uint16_t>(perCycle);
  r->scanCount = static_cast<uint16_t>(n);
  r->firstScan = s;
  r->time = centre;
  r->centreScan = s + (end - s) / 2;
  r->meanValue = 0;
  // A spectrum of the same centre but another first scan gives way to the
  // new one, in the correction as on the plot.
  uint32_t replacedFirst = s;
  for (int i = 0; i < m_nCount; ++i) {
    if (m_ppDraw[i]->centreScan == r->centreScan) replacedFirst = m_ppDraw[i]->firstScan;
  }
  const int16_t index = AddToDrawBCArray(r, overlay, slot);
  if (index == -1) {
    // The drawing array could not take it: the correction stays as it was.
    if (!hadRange) DeleteBCRange(m_pFileBC, s);
    return -1;
  }
  if (replacedFirst != s) DeleteBCRange(m_pFileBC, replacedFirst);
  CalculatePlotValues(index, overlay, slot, plotData);
  return index;
}

int16_t CRefSpts::AddToDrawBCArray(STRUCT_BC_DRAW_INFO* record, SVW_OVERLAY*, int16_t) {
  if (!record) return -1;
  if (!m_ppDraw) {
    m_ppDraw = static_cast<STRUCT_BC_DRAW_INFO**>(AllocBlock(REF_SPTS_GROW * sizeof(void*)));
    if (!m_ppDraw) {
      FreeBlock(record);
      return -1;
    }
    m_nCapacity = REF_SPTS_GROW;
  }
  // Index of the first record whose centre scan is not below the new one's.
  int at = 0;
  while (at < m_nCount && m_ppDraw[at]->centreScan < record->centreScan) ++at;
  if (at < m_nCount && m_ppDraw[at]->centreScan == record->centreScan) {
    FreeBlock(m_ppDraw[at]);
    m_ppDraw[at] = record;
    return static_cast<int16_t>(at);
  }
  if (m_nCount >= m_nCapacity) {
    if (m_nCapacity + REF_SPTS_GROW > REF_SPTS_MAX) {
      FreeBlock(record);
      return -1;
    }
    auto* grown = static_cast<STRUCT_BC_DRAW_INFO**>(
        ReallocBlock(m_ppDraw, static_cast<uint32_t>((m_nCapacity + REF_SPTS_GROW) * sizeof(void*))));
    if (!grown) {
      FreeBlock(record);
      return -1;
    }
    m_ppDraw = grown;
    m_nCapacity = static_cast<int16_t>(m_nCapacity + REF_SPTS_GROW);
  }
  std::memmove(m_ppDraw + at + 1, m_ppDraw + at, static_cast<size_t>(m_nCount - at) * sizeof(void*));
  m_ppDraw[at] = record;
  ++m_nCount;
  return static_cast<int16_t>(at);
}

bool CRefSpts::FromTrace(STRUCT_BC_DRAW_INFO* r, const SVW_OVERLAY* overlay, int16_t slot,
                         const STRUCT_CHRO_PLOT_DATA* plotData) const {
  if (!overlay || !OverlaySlotIndex(slot)) return false;
  const STRUCT_NE_DATA_POINTS* dp = overlay->slots[slot].trace;
  if (!dp) return false;
  const STRUCT_NE_POINT_BLOCK* block = dp->points;
  uint32_t count = dp->pointCount;
  if (plotData && (plotData->filterKind == 1 || plotData->filterKind == 2) && dp->filtered) {
    block = dp->filtered;
    count = dp->filteredCount;
  }
  if (!block || count == 0) return false;
  const int segments = WorkFileSegmentCount(m_pWorkFile);
  int k = 0;
  const double firstTime = NePointAt(block, 0)->time;
  while (k < segments && WorkFileSegment(m_pWorkFile, k) &&
         WorkFileSegment(m_pWorkFile, k)->endTime < firstTime)
    ++k;
  if (k >= segments || !WorkFileSegment(m_pWorkFile, k)) return false;
  const bool everyScan = m_ChanList.kind == CHAN_LIST_IGNORED;
  const int n = r->scanCount;
  uint64_t running = block->firstScan;
  for (uint32_t i = 0; i < count; ++i) {
    const double t = NePointAt(block, i)->time;
    if (WorkFileSegment(m_pWorkFile, k)->endTime < t) {
      if (++k >= segments || !WorkFileSegment(m_pWorkFile, k)) return false;
      running = WorkFileSegment(m_pWorkFile, k)->firstScan;
    }
    if (running >= r->firstScan) {
      // The trace must hold all n scans; else the MS data give them.
      if (uint64_t{i} + uint64_t(n) > count) return false;
      double sumT = 0, sumV = 0;
      for (int j = 0; j < n; ++j) {
        const double pt = NePointAt(block, i + uint32_t(j))->time;
        const double pv = NePointValue(block, i + uint32_t(j));
        SetBCDrawInfoPair(r, j, pt, pv);
        sumT += pt;
        sumV += pv;
      }
      if (n > 1) {
        sumT /= n;
        sumV /= n;
      }
      r->meanValue = sumV;
      r->time = sumT;
      return true;
    }
    running += everyScan ? 1u : uint64_t(ScansPerCycle(*WorkFileSegment(m_pWorkFile, k)));
  }
  return false;
}

void CRefSpts::FromMSData(STRUCT_BC_DRAW_INFO* r, int step) {
  const int n = r->scanCount;
  if (!(m_MassList.window > 0)) m_MassList.window = 0.5;
  bool ok = false;
  double sumT = 0, sumV = 0;
  {
    kelt::msdata::Access ms(m_pWorkFile);
    ok = static_cast<bool>(ms);
    for (int j = 0; ok && j < n; ++j) {
      const uint64_t scan = uint64_t{r->firstScan} + uint64_t(j) * uint64_t(step);
      double t = 0, v = 0;
      ok = scan <= 0xFFFFFFFFu && ReadPoint(ms.get(), static_cast<uint32_t>(scan), &m_ChanList, &m_MassList, &t, &v);
      if (!ok) break;
      SetBCDrawInfoPair(r, j, t, v);
      sumT += t;
      sumV += v;
    }
  }
  if (ok) {
    if (n > 1) {
      sumT /= n;
      sumV /= n;
    }
    r->meanValue = sumV;
    r->time = sumT;
    return;
  }
  // A scan that cannot be read: the spectrum keeps its own time (a mean
  // over the scans read so far would put it anywhere) and draws flat.
  for (int j = 0; j < n; ++j) {
    SetBCDrawInfoPair(r, j, r->time, 0.0);
  }
  r->meanValue = 0;
}

void CRefSpts::CalculatePlotValues(int16_t index, SVW_OVERLAY* overlay, int16_t slot,
                                   const STRUCT_CHRO_PLOT_DATA* plotData) {
  if (!m_pWorkFile || !m_pFileBC || index < 0 || index >= m_nCount || !m_ppDraw) return;
  STRUCT_BC_DRAW_INFO* r = m_ppDraw[index];
  if (!r || r->scanCount < 1) return;
  const int step = m_ChanList.kind == CHAN_LIST_IGNORED ? 1 : std::max<int>(r->scansPerCycle, 1);
  if (FromTrace(r, overlay, slot, plotData)) return;
  FromMSData(r, step);
}

void CRefSpts::DeleteSpt(int16_t index) {
  if (!m_pWorkFile || !m_pFileBC || !m_ppDraw || index < 0 || index >= m_nCount) return;
  DeleteBCRange(m_pFileBC, m_ppDraw[index]->firstScan);
  FreeBlock(m_ppDraw[index]);
  std::memmove(m_ppDraw + index, m_ppDraw + index + 1, static_cast<size_t>(m_nCount - index - 1) * sizeof(void*));
  m_ppDraw[m_nCount - 1] = nullptr;
  --m_nCount;
}

int32_t CRefSpts::LoadSpts(SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData) {
  return DoNewBackCorr(0, overlay, slot, plotData);
}

int32_t CRefSpts::DoAutoBackCorr(SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData) {
  return DoNewBackCorr(1, overlay, slot, plotData);
}

int32_t CRefSpts::DoNewBackCorr(int16_t automatic, SVW_OVERLAY* overlay, int16_t slot,
                                const STRUCT_CHRO_PLOT_DATA* plotData) {
  if (!HasMSData(m_pWorkFile) || !overlay || !OverlaySlotIndex(slot) || !overlay->slots[slot].trace) return 0;
  ClearRefSpts();
  if (m_bTwoTimes) m_pFileBC = KELT_MakeFileBCFromTwoTimes(m_pWorkFile, m_dTime1, m_dTime2);
  else if (automatic) m_pFileBC = CreateBackCorr(m_pWorkFile, nullptr);
  else m_pFileBC = BuildBackCorrFromRefSpts(m_pWorkFile);

  // The record is read against its block's size: a stored correction may
  // be damaged, and each group must belong to a segment of the file.
  struct Range {
    int segment;
    STRUCT_FILE_BC_ENTRY entry;
  };
  std::vector<Range> ranges;
  if (m_pFileBC) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(m_pFileBC);
    const size_t size = GetBlockSize(m_pFileBC);
    uint16_t groups = 0;
    if (size >= sizeof(STRUCT_FILE_BC)) std::memcpy(&groups, bytes + offsetof(STRUCT_FILE_BC, groupCount), 2);
    size_t at = sizeof(STRUCT_FILE_BC);
    const int segments = WorkFileSegmentCount(m_pWorkFile);
    for (int g = 0; g < groups && g < segments && ranges.size() < REF_SPTS_MAX; ++g) {
      STRUCT_FILE_BC_GROUP head;
      if (at + sizeof head > size) break;
      std::memcpy(&head, bytes + at, sizeof head);
      at += sizeof head;
      for (int e = 0; e < head.entryCount && ranges.size() < REF_SPTS_MAX; ++e, at += sizeof(STRUCT_FILE_BC_ENTRY)) {
        if (at + sizeof(STRUCT_FILE_BC_ENTRY) > size) break;
        Range r;
        r.segment = g;
        std::memcpy(&r.entry, bytes + at, sizeof r.entry);
        ranges.push_back(r);
      }
    }
  }
  if (ranges.empty()) {
    if (automatic) TimedMessage("No background correction spectra calculated.");
    return 0;
  }
  const bool everyScan = m_ChanList.kind == CHAN_LIST_IGNORED;
  for (const Range& range : ranges) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(m_pWorkFile, range.segment);
    const STRUCT_FILE_BC_ENTRY& e = range.entry;
    // A range outside its segment's scans is not drawn.
    if (!seg || e.firstScan < seg->firstScan || e.firstScan > seg->lastScan) continue;
    const uint32_t end = static_cast<uint32_t>(std::min<uint64_t>(
        std::max<uint64_t>(e.endScan, uint64_t{e.firstScan} + 1), std::min<uint64_t>(seg->lastScan, 0xFFFFFFFEu) + 1));
    int n = everyScan ? e.scanCountIgnored : e.scanCountListed;
    // No more scans than the range holds.
    n = std::clamp<int>(n, 1, static_cast<int>(std::min<uint32_t>(end - e.firstScan, INT16_MAX)));
    STRUCT_BC_DRAW_INFO* r = NewRecord(n);
    if (!r) continue;
    r->segment = static_cast<int16_t>(range.segment);
    r->scansPerCycle = static_cast<uint16_t>(ScansPerCycle(*seg));
    r->scanCount = static_cast<uint16_t>(n);
    r->firstScan = e.firstScan;
    r->time = e.time;
    r->centreScan = e.firstScan + ((end - 1 - e.firstScan) >> 1);
    r->meanValue = 0;
    AddToDrawBCArray(r, overlay, slot);
  }
  for (int16_t i = 0; i < m_nCount; ++i) CalculatePlotValues(i, overlay, slot, plotData);
  return 1;
}

void CRefSpts::SaveSpts() {
  if (!m_pWorkFile || !m_pFileBC) return;
  if (!SaveBackCorr(m_pWorkFile, m_pFileBC)) TimedMessage("Failed to write background spectra to file. ");
}

STRUCT_FILE_BC* CRefSpts::CopyBaseCorr() const {
  if (!m_pFileBC) return nullptr;
  const uint32_t size = GetBlockSize(m_pFileBC);
  auto* copy = static_cast<STRUCT_FILE_BC*>(AllocBlock(size));
  if (copy) std::memcpy(copy, m_pFileBC, size);
  return copy;
}
