#pragma once
// One quick integration of one plot: a temporary parameter file for the
// plot's detector, the quantitation engine (bound by name) integrating the
// plot's chromatogram into a processed file, and the peaks read back with
// their noise, signal-to-noise, scan description, bounds on the plotted
// trace and an area label on the plot.
#include <cstdint>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/work_file.h"
#include "holbrin/dh_records.h"
#include "plotengine/overlay.h"

class CCtlOPlot;

// In memory only, so it keeps natural alignment.
struct STRUCT_QUICK_INT_PEAK {
  double apexTime;         // minutes
  double apexHeight;       // plotted value nearest the apex (0 until found)
  double area;
  int16_t plotIndex;       // set by the dialog
  int16_t peakNumber;      // from 1, set by the dialog
  int16_t localParams;     // integrated with the local parameters
  int16_t snComputed;
  int16_t rmsNoise;        // 1 RMS, 0 peak to peak
  double signalToNoise;
  char snText[56];
  double readApexTime;
  double readHeight;
  int16_t noiseValid;
  double noise;
  int16_t noiseLevelValid;
  double noiseLevel;
  char scanDescription[197];
  double startTime;
  double startValue;
  double endTime;
  double endValue;
  int32_t firstPoint;      // plotted points the peak covers
  int32_t lastPoint;
  int16_t baseBeforeFound;
  double baseBeforeTime, baseBeforeValue;
  int16_t baseAfterFound;
  double baseAfterTime, baseAfterValue;
  double scanWindowStart;
  double scanWindowEnd;
};

// What one integration is given.
struct QUICK_INT_RUN_PARAMS {
  uint16_t widthTenths = 40;
  uint16_t slope = 20;
  uint16_t tangent = 10;
  double reject = 2000.0;
  int16_t lock = 0;
  int16_t useRms = 1;
  int16_t showLabels = 0;
  int16_t useLocal = 0;
};

class KELT_CLASS CQuickIntegrator {
 public:
  CQuickIntegrator(bool singlePlot, CCtlOPlot* control, short plotIndex, int16_t timeRangeFlag);
  ~CQuickIntegrator();
  CQuickIntegrator(const CQuickIntegrator&) = delete;
  CQuickIntegrator& operator=(const CQuickIntegrator&) = delete;

  // The plot's slot of the overlay (its time range when the flag is set).
  void SetUp(const SVW_OVERLAY* overlay, STRUCT_NE_DATA_POINTS* points, const char* displayName,
             int16_t filterFlag, const int16_t* filtering, const STRUCT_SCAN_FUN_INFO* info, uint16_t infoCount,
             const STRUCT_SCAN_FUN_ARRAY* scanFunArray);
  // The peaks (AllocBlock; the caller's to free) or null; noPeaks set when
  // none was found.
  STRUCT_QUICK_INT_PEAK* Run(const QUICK_INT_RUN_PARAMS& params, int16_t* peakCount, int16_t* noPeaks);

  bool HasStoredParams() const { return m_hasStored; }
  const STRUCT_DH_GLOBAL_PARAMS& StoredParams() const { return m_stored; }
  double RangeStart() const { return m_rangeStart; }
  double RangeEnd() const { return m_rangeEnd; }
  bool HasRange() const { return m_timeRange != 0; }
  // The parameter file as the engine was given it (kept for tests until
  // the integrator goes).
  const std::string& ParameterFile() const { return m_paramFile; }
  // The engine's last processed file was deleted.
  static const char* EngineFileName() { return "morvex.dll"; }

 private:
  bool WriteParameterFile(const STRUCT_DH_GLOBAL_PARAMS& preset);
  bool PrepareRun(double runStart, double runEnd, int16_t segment, const QUICK_INT_RUN_PARAMS& p, bool* local);
  bool CallEngine(int16_t segment, char* processed);
  void ReadPeaks(const char* processed, double runStart, double runEnd, bool local, const QUICK_INT_RUN_PARAMS& p,
                 std::vector<STRUCT_QUICK_INT_PEAK>* out);
  void FinishPeak(STRUCT_QUICK_INT_PEAK* peak, const QUICK_INT_RUN_PARAMS& p, const void* drawEvents);
  void AddAreaLabel(const STRUCT_QUICK_INT_PEAK& peak, bool showText);

  bool m_single;
  CCtlOPlot* m_control;
  short m_plot;
  int16_t m_timeRange;
  double m_rangeStart = 0, m_rangeEnd = 0;
  const SVW_OVERLAY* m_overlay = nullptr;
  STRUCT_NE_DATA_POINTS* m_points = nullptr;
  STRUCT_WORK_FILE* m_workFile = nullptr;
  STRUCT_MASS_LIST m_massList{};
  STRUCT_CHAN_LIST m_chanList{};
  const STRUCT_SCAN_FUN_ARRAY* m_scanFunArray = nullptr;
  std::string m_displayName;
  const STRUCT_SCAN_FUN_INFO* m_info = nullptr;
  uint16_t m_infoCount = 0;
  int16_t m_filterFlag = 0;
  int16_t m_filtering[6] = {};
  STRUCT_DH_GLOBAL_PARAMS m_stored{};
  bool m_hasStored = false;
  std::string m_paramFile;
  std::string m_processedFile;
  STRUCT_QUICK_INT_PEAK* m_block = nullptr;
};
