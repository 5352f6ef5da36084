// The quick integration of one plot through the quantitation engine.
#include "dialogs/quick_integrator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/segment_plots.h"
#include "common/number_format.h"
#include "common/value_scale.h"
#include "dialogs/quick_integration_params.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/label_manager.h"
#include "plotengine/peak_events.h"
#include "plotengine/plot_labels.h"
#include "plotengine/plot_layout.h"
#include "pomsel/pomsel.h"
#include "quorna/quorna.h"
#include "spectra/pp_noise.h"
#include "spectra/rms_noise.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

struct STRUCT_RESULT_STEP;

namespace {

constexpr char kTag[] = "1";
constexpr double kRawPerMinute = 600000.0;

// The engine's entry, as it declares it (a call through another type is undefined).
using InteractiveFn = BOOL (*)(HWND, const char*, const char*, int32_t, int32_t, int32_t, int16_t, const char*,
                               const void*, char*, STRUCT_RESULT_STEP*, int16_t, int16_t);
using PresetFn = int32_t (*)(void*);

std::string ProgramFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetProgramDirectory(folder);
  std::string path = folder;
  if (!path.empty()) path += "\\";
  return path + name;
}

// The preset global parameters through the method library; false when the
// library or its export is missing or it refuses.
bool PresetParams(STRUCT_DH_GLOBAL_PARAMS* g) {
  HMODULE lib = LoadLibraryA(ProgramFile("Ferrow.dll").c_str());
  if (!lib) return false;
  auto fn = reinterpret_cast<PresetFn>(GetProcAddress(lib, "PresetTolDHGlobalParams"));
  const int32_t r = fn ? fn(g) : 0;
  FreeLibrary(lib);
  return r != 0;
}

bool ReadGlobal(const char* path, uint16_t id, uint16_t address, STRUCT_DH_GLOBAL_PARAMS* g) {
  HDHTABLE t = DF_MSOpenGlobalParams(path, id, address, kTag);
  if (!t) return false;
  const bool ok = DF_MSReadGlobalParams(t, g) != 0;
  FreeDHRecordSet(t);
  return ok;
}

bool WriteGlobal(const char* path, uint16_t id, uint16_t address, const STRUCT_DH_GLOBAL_PARAMS& g) {
  HDHTABLE t = DF_MSCreateGlobalParams(path, id, address, kTag);
  if (!t) return false;
  const bool ok = DF_MSWriteGlobalParams(t, &g) != 0;
  FreeDHRecordSet(t);
  return ok;
}

int32_t Ticks(double minutes) { return static_cast<int32_t>(std::lround(minutes * 10000.0)); }

const STRUCT_NE_POINT_BLOCK* PlottedBlock(const STRUCT_NE_DATA_POINTS* p, int16_t filterFlag, uint32_t* count) {
  if (filterFlag && p->filtered && p->filteredCount > 0) {
    *count = p->filteredCount;
    return p->filtered;
  }
  *count = p->pointCount;
  return p->points;
}

}  // namespace

CQuickIntegrator::CQuickIntegrator(bool singlePlot, CCtlOPlot* control, short plotIndex, int16_t timeRangeFlag)
    : m_single(singlePlot), m_control(control), m_plot(plotIndex), m_timeRange(timeRangeFlag) {}

CQuickIntegrator::~CQuickIntegrator() {
  if (!m_paramFile.empty()) DeleteFileA(m_paramFile.c_str());
  if (!m_processedFile.empty()) DeleteFileA(m_processedFile.c_str());
  if (m_block) FreeBlock(m_block);
}

void CQuickIntegrator::SetUp(const SVW_OVERLAY* overlay, STRUCT_NE_DATA_POINTS* points, const char* displayName,
                             int16_t filterFlag, const int16_t* filtering, const STRUCT_SCAN_FUN_INFO* info,
                             uint16_t infoCount, const STRUCT_SCAN_FUN_ARRAY* scanFunArray) {
  m_overlay = overlay;
  m_points = points;
  m_workFile = points ? points->workFile : nullptr;
  if (points) {
    m_massList = points->massList;
    m_chanList = points->chanList;
  }
  m_displayName = displayName ? displayName : "";
  m_filterFlag = filterFlag;
  if (filtering) std::memcpy(m_filtering, filtering, sizeof m_filtering);
  m_info = info;
  m_infoCount = infoCount;
  m_scanFunArray = scanFunArray;
  m_hasStored = m_workFile && ReadGlobal(m_workFile->filePath, m_workFile->fileType, m_workFile->module, &m_stored);
  if (m_timeRange && overlay) {
    m_rangeStart = overlay->tail.viewStart;
    m_rangeEnd = overlay->tail.viewEnd;
  }
}

bool CQuickIntegrator::WriteParameterFile(const STRUCT_DH_GLOBAL_PARAMS& preset) {
  char folder[MAX_PATH] = {}, path[MAX_PATH] = {};
  if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "VVV", 0, path)) return false;
  m_paramFile = path;
  if (!CreateSectionFileAtPath(path, SECTION_FILE_TYPE_METHOD, 0, 1)) return false;
  return WriteGlobal(path, m_workFile->fileType, m_workFile->module, preset);
}

// The engine's parameters and time events for one run over runStart to
// runEnd; local tells whether the local parameters went in.
bool CQuickIntegrator::PrepareRun(double runStart, double runEnd, int16_t, const QUICK_INT_RUN_PARAMS& p,
                                  bool* local) {
  const uint16_t id = m_workFile->fileType, address = m_workFile->module;
  const char* tmp = m_paramFile.c_str();
  char events[64];
  BuildDHSectionName(events, "TimeEvents", id, address, kTag);
  DeleteSection(tmp, events);
  const bool copiedEvents =
      SectionExists(m_workFile->filePath, events) && CopySection(m_workFile->filePath, events, tmp, events);

  STRUCT_DH_GLOBAL_PARAMS g{};
  if (m_hasStored)
    g = m_stored;
  else if (!ReadGlobal(tmp, id, address, &g))
    return false;
  const int16_t* f = m_filtering;
  if (m_filterFlag) {
    g.smoothingHalfWidth = f[1] ? f[2] : 0;
    g.smoothingKind = f[1] ? (f[3] == 1 ? 2 : 1) : 0;
    g.spikeFactor = f[4] ? static_cast<float>(f[5]) : 0.0f;
  } else {
    g.smoothingHalfWidth = 0;
    g.smoothingKind = 0;
    g.spikeFactor = 0;
  }
  std::memcpy(&g.chanList, &m_chanList, sizeof g.chanList);
  std::memcpy(&g.massList, &m_massList, sizeof g.massList);
  *local = p.useLocal || !m_hasStored;
  uint16_t width = g.peakWidthTenths;
  if (*local) {
    g.slopeSensitivity = p.slope;
    g.tangentPercent = p.tangent;
    g.peakSizeReject = static_cast<float>(p.reject);
    g.noiseKind = p.useRms ? 0 : 1;
    // The local width is the one shown and printed, so it is the one used.
    g.peakWidthTenths = p.widthTenths;
    width = p.widthTenths;
  }
  if (!WriteGlobal(tmp, id, address, g)) return false;

  const bool lock = p.lock && width && p.useLocal;
  const bool range = m_timeRange && (m_rangeStart != m_workFile->startTime || m_rangeEnd != m_workFile->endTime);
  if (!lock && !range) return true;
  const double from = runStart + 0.01, to = runEnd - 0.1;
  std::vector<DH_TIME_EVENT> add;
  if (range) {
    add.push_back({Ticks(from), 1, Ticks(std::max(from, m_rangeStart))});
    add.push_back({Ticks(std::min(to, m_rangeEnd)), 1, Ticks(to)});
  }
  if (!p.useLocal && copiedEvents) {
    HSECTION s = OpenDHSectionForUpdate(tmp, id, address, kTag);
    if (!s) return false;
    const int16_t n = CountDHItems(s);
    bool ok = n >= 0;
    for (size_t i = 0; ok && i < add.size(); ++i) ok = WriteDHItem(s, static_cast<int16_t>(n + i), &add[i], 1) != 0;
    ok = FinishDHSection(s, 0) && ok;
    CloseSection(s);
    return ok;
  }
  if (lock) add.insert(add.begin(), DH_TIME_EVENT{Ticks(from), 0, kelt::quickint::LockEventValue(width)});
  HSECTION s = CreateDHSection(tmp, id, address, kTag);
  if (!s) return false;
  bool ok = true;
  for (size_t i = 0; ok && i < add.size(); ++i) ok = WriteDHItem(s, static_cast<int16_t>(i), &add[i], 1) != 0;
  ok = FinishDHSection(s, 0) && ok;
  CloseSection(s);
  return ok;
}

bool CQuickIntegrator::CallEngine(int16_t segment, char* processed) {
  HMODULE lib = LoadLibraryA(ProgramFile(EngineFileName()).c_str());
  if (!lib) return false;
  auto fn = reinterpret_cast<InteractiveFn>(GetProcAddress(lib, "GetProcessedChromatogramFileInteractiveEx"));
  // The text and the two records the engine passes by are not read by it;
  // 64-bit pointers do not fit its 32-bit slots, so they go as 0.
  const BOOL made = fn ? fn(nullptr, nullptr, m_workFile->filePath, 0, 0, 0, static_cast<int16_t>(m_infoCount),
                            m_paramFile.c_str(), nullptr, processed, nullptr, 1, segment)
                       : FALSE;
  FreeLibrary(lib);
  return made && processed[0];
}

void CQuickIntegrator::ReadPeaks(const char* processed, double runStart, double runEnd, bool local,
                                 const QUICK_INT_RUN_PARAMS& p, std::vector<STRUCT_QUICK_INT_PEAK>* out) {
  HDHTABLE t = OpenDHResultTable(processed, m_workFile->fileType, m_workFile->module, kTag);
  if (!t) return;
  STRUCT_OPLOT_DRAW_EVENTS draw{};
  const bool haveDraw = OPLOT_ReadDrawEvents(processed, m_plot, &draw) != 0;
  const int16_t n = CountDHResults(t);
  for (int16_t i = 0; i < n; ++i) {
    STRUCT_DH_RESULT r{};
    if (!GetDHResult(t, i, &r)) continue;
    const double apex = r.retentionTime;
    if (apex < runStart || apex > runEnd) continue;
    STRUCT_QUICK_INT_PEAK peak{};
    peak.apexTime = apex;
    peak.readApexTime = apex;
    peak.area = r.area;
    peak.readHeight = r.height;
    peak.localParams = local ? 1 : 0;
    peak.startTime = r.startRawTime / kRawPerMinute;
    peak.endTime = r.endRawTime / kRawPerMinute;
    peak.startValue = peak.endValue = r.baselineAtApex;
    FinishPeak(&peak, p, haveDraw ? &draw : nullptr);
    out->push_back(peak);
  }
  if (haveDraw) OPLOT_FreeDrawEvents(&draw);
  FreeDHRecordSet(t);
}

void CQuickIntegrator::FinishPeak(STRUCT_QUICK_INT_PEAK* pk, const QUICK_INT_RUN_PARAMS& p, const void* drawEvents) {
  STRUCT_WORK_FILE* wf = m_workFile;
  const int16_t dataType = m_points->dataType;
  // Noise: the data file's own kind when its parameters are used.
  bool rms = p.useRms != 0;
  if (!p.useLocal && m_hasStored) rms = m_stored.noiseKind == 0;
  pk->rmsNoise = rms ? 1 : 0;
  const STRUCT_CHRO_PREFS* prefs = m_control ? &m_control->m_prefs : nullptr;
  const uint16_t filter = m_filterFlag && prefs ? 1 : 0;
  double noise = 0, low = 0, high = 0;
  bool found = false, levelFound = false;
  if (rms) {
    STRUCT_RMS_NOISE r{};
    const BOOL ok = m_info ? KELT_NewCalRMSNoiseForDisplay(wf, m_points, pk->apexTime, dataType, &m_massList,
                                                           &m_chanList, m_points->detectorChannel, m_scanFunArray,
                                                           0, 0, filter, prefs, m_info, m_infoCount, &r)
                           : KELT_CalRMSNoiseForDisplay(wf, pk->apexTime, dataType, &m_massList, &m_chanList,
                                                        m_points->detectorChannel, 0, 0, filter, prefs, &r);
    found = ok && r.noiseFound;
    noise = r.noise;
    if (r.leftBoxFound) {
      levelFound = true;
      low = r.leftBoxMinimum;
      high = r.leftBoxMaximum;
    }
  } else {
    STRUCT_PP_NOISE r{};
    double signal = 0, tail = 0, times[5] = {}, values[5] = {};
    uint32_t centre = 0;
    BOOL ok;
    if (m_info) {
      ok = KELT_CalPPNoiseForDisplay(wf, m_points, pk->apexTime, dataType, &m_chanList, &m_massList, m_scanFunArray,
                                     filter, prefs, m_info, m_infoCount, &r);
      noise = r.noise;
      ok = ok && r.found;
      std::memcpy(values, r.stretchValues, sizeof values);  // the record is packed
    } else {
      ok = KELT_GetSignalAndNoiseAndTail(wf, m_points, dataType, &m_chanList, &m_massList, m_scanFunArray, filter,
                                         prefs, pk->apexTime, &signal, &noise, &tail, &centre, times, values);
    }
    found = ok != 0;
    if (found) {
      levelFound = true;
      low = *std::min_element(values, values + 5);
      high = *std::max_element(values, values + 5);
    }
  }
  if (found) {
    pk->noiseValid = 1;
    pk->noise = noise;
    pk->snComputed = 1;
    pk->signalToNoise = kelt::quickint::SignalToNoise(pk->readHeight, noise);
    kelt::quickint::SignalToNoiseText(pk->signalToNoise, pk->snText, sizeof pk->snText);
  }
  if (levelFound) {
    pk->noiseLevelValid = 1;
    pk->noiseLevel = (low + high) / 2.0;
  }

  // Scan description.
  std::string d;
  if (m_massList.kind) {
    char text[400] = {};
    FormatMassListText(text, &m_massList, 0);
    d = std::string(text) + " (";
  }
  int16_t segment = -1;
  if (wf->segmentBlocks)
    for (uint16_t s = 0; s < wf->msInfo.segmentCount; ++s)
      if (pk->apexTime >= wf->segmentBlocks[s].startTime && pk->apexTime <= wf->segmentBlocks[s].endTime) {
        segment = static_cast<int16_t>(s);
        break;
      }
  if (m_scanFunArray) {
    char title[200] = {};
    SCAN_FUN_GetSegmentTitle(m_scanFunArray, segment < 0 ? 0 : segment, title, sizeof title - 1);
    d += title;
  } else {
    char text[130] = {};
    FormatChanList(text, &m_chanList);
    d += text;
  }
  if (m_massList.kind) d += ")";
  if (m_scanFunArray && segment >= 0) {
    char tail[16];
    std::snprintf(tail, sizeof tail, " (%d)", segment + 1);
    if (d.size() + std::strlen(tail) < sizeof pk->scanDescription) d += tail;
  }
  std::snprintf(pk->scanDescription, sizeof pk->scanDescription, "%s", d.c_str());

  // Bounds from the processed file's drawing record: the baseline under the apex.
  if (const auto* draw = static_cast<const STRUCT_OPLOT_DRAW_EVENTS*>(drawEvents)) {
    for (int16_t b = 0; b < draw->baselineCount; ++b) {
      const STRUCT_OPLOT_BASELINE& base = draw->baselines[b];
      if (!(base.startTime < pk->apexTime && base.endTime >= pk->apexTime)) continue;
      pk->startTime = base.startTime;
      pk->startValue = base.startValue;
      pk->endTime = base.endTime;
      pk->endValue = base.endValue;
      for (int16_t e = 0; e < draw->eventCount; ++e) {
        const STRUCT_OPLOT_PEAK_EVENT& ev = draw->events[e];
        if (!(ev.code & OPLOT_EVENT_BOUNDARY_BITS) || ev.time < base.startTime || ev.time > base.endTime) continue;
        if (ev.time < pk->apexTime && (!pk->baseBeforeFound || ev.time > pk->baseBeforeTime)) {
          pk->baseBeforeFound = 1;
          pk->baseBeforeTime = ev.time;
          pk->baseBeforeValue = ev.value;
        } else if (ev.time > pk->apexTime && (!pk->baseAfterFound || ev.time < pk->baseAfterTime)) {
          pk->baseAfterFound = 1;
          pk->baseAfterTime = ev.time;
          pk->baseAfterValue = ev.value;
        }
      }
      break;
    }
  }
  pk->scanWindowStart = pk->startTime;
  pk->scanWindowEnd = pk->endTime;
  if (pk->baseBeforeFound && pk->baseBeforeTime > pk->scanWindowStart) pk->scanWindowStart = pk->baseBeforeTime;
  if (pk->baseAfterFound && pk->baseAfterTime < pk->scanWindowEnd) pk->scanWindowEnd = pk->baseAfterTime;
  uint32_t count = 0;
  const STRUCT_NE_POINT_BLOCK* block = PlottedBlock(m_points, m_filterFlag, &count);
  pk->firstPoint = pk->lastPoint = -1;
  double nearest = 1e300;
  for (uint32_t i = 0; block && i < count; ++i) {
    const double t = NePointAt(const_cast<STRUCT_NE_POINT_BLOCK*>(block), i)->time;
    if (t < pk->scanWindowStart || t > pk->scanWindowEnd) continue;
    if (pk->firstPoint < 0) pk->firstPoint = static_cast<int32_t>(i);
    pk->lastPoint = static_cast<int32_t>(i);
    if (std::fabs(t - pk->apexTime) < nearest) {
      nearest = std::fabs(t - pk->apexTime);
      pk->apexHeight = NePointValue(block, i) * WorkFileValueFactor(wf);
    }
  }
}

void CQuickIntegrator::AddAreaLabel(const STRUCT_QUICK_INT_PEAK& pk, bool showText) {
  CLabelManager* labels = m_control ? m_control->m_pLabels : nullptr;
  if (!labels || pk.firstPoint < 0 || pk.lastPoint < pk.firstPoint) return;
  uint32_t count = 0;
  const STRUCT_NE_POINT_BLOCK* block = PlottedBlock(m_points, m_filterFlag, &count);
  if (!block || static_cast<uint32_t>(pk.lastPoint) >= count) return;
  const double factor = WorkFileValueFactor(m_workFile);
  // Along the baseline from the start, over the trace, to the end and back.
  std::vector<STRUCT_NE_POINT> poly;
  auto add = [&](double t, double v) {
    STRUCT_NE_POINT q{};
    q.time = t;
    q.value.d = v;
    poly.push_back(q);
  };
  const double t0 = pk.baseBeforeFound ? pk.baseBeforeTime : pk.startTime;
  const double v0 = pk.baseBeforeFound ? pk.baseBeforeValue : pk.startValue;
  const double t1 = pk.baseAfterFound ? pk.baseAfterTime : pk.endTime;
  const double v1 = pk.baseAfterFound ? pk.baseAfterValue : pk.endValue;
  add(t0, v0);
  for (int32_t i = pk.firstPoint; i <= pk.lastPoint; ++i)
    add(NePointAt(const_cast<STRUCT_NE_POINT_BLOCK*>(block), static_cast<uint32_t>(i))->time,
        NePointValue(block, static_cast<uint32_t>(i)) * factor);
  add(t1, v1);
  auto* area = static_cast<STRUCT_LAB_AREA*>(AllocBlock(sizeof(STRUCT_LAB_AREA)));
  auto* points = static_cast<STRUCT_NE_POINT*>(AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_NE_POINT) * poly.size())));
  auto* label = new (std::nothrow) CLabelInfo;
  if (!area || !points || !label) {
    if (area) FreeBlock(area);
    if (points) FreeBlock(points);
    delete label;
    return;
  }
  std::memcpy(points, poly.data(), sizeof(STRUCT_NE_POINT) * poly.size());
  area->pointCount = static_cast<uint32_t>(poly.size());
  area->points = points;
  area->valuesAreDouble = 1;
  area->fillColor = m_control->m_prefs.colors.colors[CHRO_COLOR_PLOT0 + m_plot % OVERLAY_SLOTS];
  char text[120];
  if (showText) {
    char a[40] = {};
    KELT_FormatAreaOrHeight(0, pk.area, a);
    std::snprintf(text, sizeof text, "Apex: %.3f min.\n\rArea: %s", pk.apexTime, a);
  } else {
    std::strcpy(text, "   ");
  }
  STRUCT_MARKER_PARAMS params = m_control->m_prefs.label;
  label->SetTextLabel(text, &params, 1);
  label->SetTextLabelPosition(LABEL_TYPE_AREA, pk.apexTime, pk.apexHeight, pk.apexTime, pk.apexHeight);
  label->m_mark = area;
  if (labels->AddLabel(label, LABEL_AREA_GROUP_PLOT, m_plot, 0) < 0) {
    kelt::labels::FreeLabelMark(label);
    delete label;
  }
}

STRUCT_QUICK_INT_PEAK* CQuickIntegrator::Run(const QUICK_INT_RUN_PARAMS& p, int16_t* peakCount, int16_t* noPeaks) {
  if (peakCount) *peakCount = 0;
  if (noPeaks) *noPeaks = 0;
  if (!m_workFile || !m_points) {
    if (noPeaks) *noPeaks = 1;
    return nullptr;
  }
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  if (m_control && m_control->m_pLabels) m_control->m_pLabels->DeleteSomeLabelsForPlot(m_plot, LABEL_TYPE_AREA);

  std::vector<STRUCT_QUICK_INT_PEAK> all;
  STRUCT_DH_GLOBAL_PARAMS preset{};
  bool ok = PresetParams(&preset) && WriteParameterFile(preset);
  // The runs: joined segments of one channel list for segment plots, else the whole file.
  struct RunRange {
    double start, end;
    int16_t segment;
  };
  std::vector<RunRange> runs;
  if (ok) {
    const bool segmented = m_points->dataType == 301 && m_scanFunArray && m_workFile->segmentBlocks;
    if (segmented) {
      const uint16_t n = m_workFile->msInfo.segmentCount;
      for (uint16_t s = 0; s < n;) {
        const MS_SEGMENT_BLOCK& b = m_workFile->segmentBlocks[s];
        STRUCT_CHAN_LIST cl{};
        if (m_timeRange && b.endTime < m_rangeStart) {
          ++s;
          continue;
        }
        if (m_timeRange && b.startTime >= m_rangeEnd) break;
        if (!SCAN_FUN_GetChanListForSegment(m_scanFunArray, static_cast<int16_t>(s), m_info, m_infoCount, &cl)) {
          ++s;
          continue;
        }
        uint16_t last = s;
        while (last + 1 < n) {
          const MS_SEGMENT_BLOCK& next = m_workFile->segmentBlocks[last + 1];
          STRUCT_CHAN_LIST nl{};
          if (!SCAN_FUN_GetChanListForSegment(m_scanFunArray, static_cast<int16_t>(last + 1), m_info, m_infoCount,
                                              &nl) ||
              !KELT_IsSameChanList(&cl, &nl) || (m_timeRange && next.startTime >= m_rangeEnd))
            break;
          ++last;
          if (m_timeRange) break;  // at most one more with a range
        }
        double from = b.startTime, to = m_workFile->segmentBlocks[last].endTime;
        if (m_timeRange) from = std::max(from, m_rangeStart), to = std::min(to, m_rangeEnd);
        runs.push_back({from, to, static_cast<int16_t>(last == s ? s : -1)});
        s = static_cast<uint16_t>(last + 1);
      }
    } else if (!(m_points->dataType == 300 && m_scanFunArray)) {
      double from = m_workFile->startTime, to = m_workFile->endTime;
      if (m_timeRange) from = m_rangeStart, to = m_rangeEnd;
      runs.push_back({from, to, -1});
    }
  }
  bool localUsed = false;
  for (const RunRange& r : runs) {
    bool local = false;
    if (!PrepareRun(r.start, r.end, r.segment, p, &local)) continue;
    char processed[MAX_PATH] = {};
    if (!CallEngine(r.segment, processed)) continue;
    m_processedFile = processed;
    ReadPeaks(processed, r.start, r.end, local, p, &all);
    localUsed = localUsed || local;
    DeleteFileA(processed);
    m_processedFile.clear();
  }
  const size_t n = all.size();
  STRUCT_QUICK_INT_PEAK* block = nullptr;
  if (n > 0 && n <= 32767) {
    block = static_cast<STRUCT_QUICK_INT_PEAK*>(AllocBlock(static_cast<uint32_t>(n * sizeof(STRUCT_QUICK_INT_PEAK))));
    if (block) std::memcpy(block, all.data(), n * sizeof(STRUCT_QUICK_INT_PEAK));
  }
  if (block) {
    for (size_t i = 0; i < n; ++i) AddAreaLabel(block[i], p.showLabels != 0);
    if (peakCount) *peakCount = static_cast<int16_t>(n);
  } else {
    if (noPeaks) *noPeaks = 1;
    if (m_single) ShowTimedMessage(m_control ? m_control->GetSafeHwnd() : nullptr, "No Peaks Found.", 1000);
  }
  if (m_control && m_control->GetSafeHwnd() && !m_control->m_printJobOpen) m_control->Invalidate(FALSE);
  SetCursor(old);
  return block;
}
