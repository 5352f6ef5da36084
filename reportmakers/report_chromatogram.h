#pragma once
// The chromatogram of a data file across report pages, in one or more
// consecutive time strips, each a plot rectangle of the page grid with an
// optional segment bar under it, peak events and result labels.
#include <cstdint>

#include "common/kelt_export.h"
#include "quorna/ms_lists.h"
#include "win/win_types.h"

class CReportOutput;
struct STRUCT_WORK_FILE;

#pragma pack(push, 1)
// A chromatogram request (cleared before it is filled; the caller's). It
// holds the work file's address, so it lives in memory only.
struct STRUCT_RPT_CHROMATOGRAM {
  STRUCT_WORK_FILE* workFile;
  char displayName[260];
  double firstTime, lastTime;   // minutes
  int16_t strips;
  int16_t overlap;              // seconds
  STRUCT_CHAN_LIST chanList;
  uint32_t plotOption;          // passed to the overlay (0 from the sample report)
  STRUCT_MASS_LIST massList;
  uint16_t massListInUse;       // 1 when the mass list's first word is not 0
  char units[24];               // "Counts"
  char secondAxis[400];
  double unusedDouble;
  uint16_t autoscale;
  double divisor;
  double fixedTop;
  double bottomPercent;
  uint16_t segmentBar, peakEvents, backgroundMarks, timeLabels, scanLabels, nameLabels, numberLabels;
  uint16_t annotate[6];         // in mask-bit order
  uint16_t leftColumn, rightColumn;
  uint16_t plotHeight;          // grid lines
  uint16_t segmentBarHeight;    // grid lines (2)
};
#pragma pack(pop)

// Fills a request from the report format's chromatogram definition and
// draws it; nothing when its strip count is 0 or the output is a text file.
KELT_API void RPTS_WriteSampleChromatogram(CReportOutput* out, STRUCT_WORK_FILE* workFile, int16_t compounds,
                                           const void* sampleDefinition, const void* chromatogramDefinition,
                                           const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                                           int16_t left, int16_t right);
// 0 when the output has failed, the overlay cannot be filled or a new
// page cannot be begun; else 1.
KELT_API BOOL RPTS_DrawChromatogramStrips(CReportOutput* out, STRUCT_RPT_CHROMATOGRAM* request);
// The section of a sectioned file copied into outFile by "Nabrit.dll" (from
// the program folder); 0 when the library or its function is missing.
KELT_API BOOL RPTS_ExtractSectionAsFile(const char* file, const char* outFile, const char* sectionName);

namespace kelt::reports {
// The time strips of a chromatogram: ranges below a quarter of a minute
// fall back to the file's, and strips are at least a quarter of a minute.
struct StripPlan {
  bool draw = false;      // false: too short to draw (and no failure)
  double first = 0;       // minutes
  double span = 0;        // of each strip
  int count = 0;
  double overlap = 0;     // minutes on each side of a strip
};
KELT_CLASS StripPlan PlanStrips(double first, double last, double fileFirst, double fileLast, int strips,
                                int overlapSeconds);
// The intensity range of the strips: bottom and top.
KELT_CLASS void IntensityScale(bool autoscale, double divisor, double fixedTop, double bottomPercent, double largest,
                               double smallest, double* bottom, double* top);
// The request's first and last time from the definition's range, kept
// within the file's.
KELT_CLASS void RequestTimes(bool useRange, double from, double to, double fileFirst, double fileLast, double* first,
                             double* last);
}  // namespace kelt::reports
