#pragma once
// The parts of the report-format record ("MSReportFormat2", 2,871 bytes,
// read through the data-handling record library) that the report makers
// read, as packed views copied out of the record by offset, and the kind
// mask that selects result kinds.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "quorna/ms_lists.h"

namespace kelt::reports {

inline constexpr uint32_t kReportFormatSize = 2871;
inline constexpr uint32_t kGeneralOffset = 2;
inline constexpr uint32_t kAmountFormatOffset = 30;  // in the record
inline constexpr uint32_t kChromatogramOffset = 50;
inline constexpr uint32_t kSampleOffset = 609;
inline constexpr uint32_t kCompoundOffset = 1607;
inline constexpr int kGridLines = 12;

#pragma pack(push, 1)
// The chromatogram of the sample report (record byte 50).
struct RPT_CHROMATOGRAM_DEFINITION {
  uint8_t reserved0[177];
  uint16_t segmentBar;        // 177
  uint16_t peakEvents;        // 179
  uint16_t backgroundMarks;   // 181
  uint16_t timeLabels;        // 183
  uint16_t scanLabels;        // 185
  uint16_t nameLabels;        // 187
  uint16_t numberLabels;      // 189
  uint16_t annotate[6];       // 191: kinds of mask value 1, 2, 4, 8, 16, 32
  uint16_t useTimeRange;      // 203
  double timeFrom;            // 205, minutes
  double timeTo;              // 213
  int16_t bottomPercent;      // 221
  double divisor;             // 223
  int32_t fixedTop;           // 231
  uint8_t reserved235[2];
  uint16_t strips;            // 237: 0 = no chromatogram
  uint16_t autoscale;         // 239
  STRUCT_MASS_LIST massList;  // 241
  uint8_t reserved455[86];
  uint16_t overlap;           // 541, seconds
  uint8_t reserved543[16];
};
static_assert(sizeof(RPT_CHROMATOGRAM_DEFINITION) == 559);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, segmentBar) == 177);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, annotate) == 191);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, timeFrom) == 205);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, bottomPercent) == 221);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, fixedTop) == 231);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, strips) == 237);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, massList) == 241);
static_assert(offsetof(RPT_CHROMATOGRAM_DEFINITION, overlap) == 541);

// The sample report definition (record byte 609) and the compound report
// definition (record byte 1607) share the title, description and grid.
struct RPT_SAMPLE_DEFINITION {
  char title[61];                   // 0: the report's subtitle
  char description[40];             // 61: information item 12
  uint16_t grid[3][kGridLines];     // 101: first, second, third column of lines 1-12
  uint16_t tableStyle;              // 173: 1 fixed wide, 2 configurable, else fixed narrow
  uint8_t compoundColumns[386];     // 175: its first word asks for wide pages (style 2)
  uint8_t unknownColumns[386];      // 561
  uint8_t reserved947[11];
  uint16_t qualifierLines;          // 958
  uint16_t groupSummary;            // 960
  uint16_t logSegments;             // 962
  uint16_t logRun;                  // 964: sample preparation, run, other instrument, data-handling method
  uint16_t logError;                // 966
  uint16_t logCalibration;          // 968
  uint16_t logRevision;             // 970
  uint16_t logSampleNotes;          // 972
  uint16_t logMethodNotes;          // 974
  uint8_t reserved976[2];
  uint16_t kindMask;                // 978
  uint8_t reserved980[18];
};
static_assert(sizeof(RPT_SAMPLE_DEFINITION) == 998);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, description) == 61);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, grid) == 101);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, tableStyle) == 173);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, qualifierLines) == 958);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, logSegments) == 962);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, logMethodNotes) == 974);
static_assert(offsetof(RPT_SAMPLE_DEFINITION, kindMask) == 978);

struct RPT_COMPOUND_DEFINITION {
  char title[61];
  char description[40];
  uint16_t grid[3][kGridLines];     // 101
  uint16_t pageStyle;               // 173: 2 ion-ratio pages, else target compound pages
  uint8_t reserved175[814];
  uint16_t kindMask;                // 989
  uint8_t reserved991[141];
};
static_assert(sizeof(RPT_COMPOUND_DEFINITION) == 1132);
static_assert(offsetof(RPT_COMPOUND_DEFINITION, pageStyle) == 173);
static_assert(offsetof(RPT_COMPOUND_DEFINITION, kindMask) == 989);
#pragma pack(pop)
static_assert(kSampleOffset + sizeof(RPT_SAMPLE_DEFINITION) == kCompoundOffset);
static_assert(kChromatogramOffset + sizeof(RPT_CHROMATOGRAM_DEFINITION) == kSampleOffset);
static_assert(kCompoundOffset + sizeof(RPT_COMPOUND_DEFINITION) == 2739);

template <class View>
View ViewAt(const void* format, uint32_t offset) {
  View v;
  std::memcpy(&v, static_cast<const uint8_t*>(format) + offset, sizeof v);
  return v;
}
inline RPT_CHROMATOGRAM_DEFINITION ChromatogramDefinition(const void* format) {
  return ViewAt<RPT_CHROMATOGRAM_DEFINITION>(format, kChromatogramOffset);
}
inline RPT_SAMPLE_DEFINITION SampleDefinition(const void* format) {
  return ViewAt<RPT_SAMPLE_DEFINITION>(format, kSampleOffset);
}
inline RPT_COMPOUND_DEFINITION CompoundDefinition(const void* format) {
  return ViewAt<RPT_COMPOUND_DEFINITION>(format, kCompoundOffset);
}
inline int16_t AmountFormat(const void* format) {
  int16_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(format) + kAmountFormatOffset, sizeof v);
  return v;
}

// Kind mask values. Their bits are not in kind order: missing compounds
// are 4 and failed ones 2; unknown peaks 16 and duplicate peaks 32.
inline constexpr uint16_t kMaskIdentified = 1, kMaskFailed = 2, kMaskMissing = 4, kMaskTIC = 8, kMaskUnknown = 16,
                          kMaskDuplicate = 32;
inline constexpr uint16_t kMaskCompounds = kMaskIdentified | kMaskFailed | kMaskMissing;
inline constexpr uint16_t kMaskUnidentified = kMaskTIC | kMaskUnknown | kMaskDuplicate;

}  // namespace kelt::reports
