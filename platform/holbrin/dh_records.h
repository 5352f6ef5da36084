#pragma once
// Records of the data-handling library, as they are stored in the tables of
// method and data files. Byte-packed, little-endian; every stored record has
// a fixed size, and a table whose records are of another size is refused.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Mass list and channel list, the layouts the display library shares.
struct DH_MASS_RANGE {
  uint32_t reserved;
  double lowMass;
  double highMass;
};
struct DH_MASS_LIST {
  uint32_t kind;  // 0 total ion, 1 ion time, 2 base peak ion, 3 base peak intensity, 4 ranges
  uint16_t count;
  DH_MASS_RANGE ranges[10];
  double massWindow;
};
static_assert(sizeof(DH_MASS_LIST) == 214);

struct DH_CHAN_RANGE {
  uint32_t reserved;
  uint16_t lowChannel;  // 0-based scan-function numbers
  uint16_t highChannel;
};
struct DH_CHAN_LIST {
  uint32_t kind;  // 0 merged, 1 listed, 2 ignored
  uint16_t count;
  DH_CHAN_RANGE entries[10];
};
static_assert(sizeof(DH_CHAN_LIST) == 86);

// One timed integration command of a method's time-event table.
struct DH_TIME_EVENT {
  int32_t time;     // start, 1/10000 minute
  int16_t type;     // 0 width, 1 inhibit, ... 12 peak reject
  int32_t endTime;  // end (range kinds) or value (point kinds)
};
static_assert(sizeof(DH_TIME_EVENT) == 10);

// The 400-byte quantitation block inside the global parameters; offsets
// in the comments are those of the block itself.
struct DH_QUANT_BLOCK {
  int16_t responseBasis;      // 0: 1 area, otherwise height
  int16_t calculationType;    // 2: 1 percent, 3 internal standard, else external
  int16_t reserved4;
  int16_t reportNotFound;     // 6
  int16_t secondWindowA;      // 8: tenths of the second window, one place
  int16_t windowSpareA;       // 10
  int16_t secondWindowB;      // 12: ... or the other
  int16_t windowSpareB;       // 14
  float rrtReferenceTime;     // 16
  int32_t integration20;      // 20
  int16_t integration24;      // 24
  int16_t integration26;      // 26
  uint8_t reserved28[16];
  int16_t integration44;      // 44
  int16_t integration46;      // 46
  int16_t averageReplicates;  // 48
  uint8_t reserved50[28];
  int16_t integration78;      // 78
  int16_t integration80;      // 80
  int16_t integration82;      // 82
  int16_t peakWidthFifths;    // 84
  uint8_t reserved86[270];
  int16_t integration356;     // 356
  uint8_t reserved358[42];
};
static_assert(sizeof(DH_QUANT_BLOCK) == 400);
static_assert(offsetof(DH_QUANT_BLOCK, averageReplicates) == 48);
static_assert(offsetof(DH_QUANT_BLOCK, integration356) == 356);

// "GlobalParams": the data-handling global parameters of a module.
struct STRUCT_DH_GLOBAL_PARAMS {
  uint16_t format;
  uint16_t peakWidthTenths;   // seconds × 10
  uint16_t slopeSensitivity;
  uint16_t tangentPercent;
  float peakSizeReject;       // counts
  int16_t smoothingKind;      // 0 none, 1 mean, 2 Savitsky Golay
  int16_t smoothingHalfWidth;
  float deadTime;             // 16: minutes
  float spikeFactor;          // 0 = none
  int16_t noiseKind;          // 0 RMS, 1 peak to peak
  int16_t filtering;
  uint8_t reserved28[236];
  DH_QUANT_BLOCK quant;       // 264
  int32_t ignoreCalibration;  // 664
  int16_t reportUnknowns;     // 668
  uint8_t reserved670[2];
  int32_t qualifierValue8;    // 672
  uint8_t reserved676[12];
  int32_t applyAirFlow;       // 688
  uint16_t rtUpdateFlags;     // 692
  int32_t qualifierValue14;   // 694
  uint8_t reserved698[320];
  int32_t unknownQuantKind;   // 1018
  double unknownResponseFactor;
  int32_t unknownFilterKind;  // 1030
  uint8_t reserved1034[8];
  int32_t locateRrtReferenceFirst;  // 1042
  uint8_t reserved1046[4];
  int16_t filterPercentTenths;      // 1050
  int16_t filterIsThousandths;      // 1052
  int16_t filterLargestCount;       // 1054
  int32_t removeIdentifiedUnknowns; // 1056
  uint8_t reserved1060[2];
  int16_t headerValue2631;          // 1062
  int16_t rrtTolerance;             // 1064
  uint8_t reserved1066[2];
  int32_t librarySearchUnknowns;    // 1068
  uint8_t reserved1072[28];
  DH_MASS_LIST massList;            // 1100
  DH_CHAN_LIST chanList;            // 1314
  uint8_t reserved1400[4487];
};
static_assert(sizeof(STRUCT_DH_GLOBAL_PARAMS) == 5887);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, deadTime) == 16);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, quant) == 264);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, ignoreCalibration) == 664);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, applyAirFlow) == 688);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, qualifierValue14) == 694);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, unknownQuantKind) == 1018);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, locateRrtReferenceFirst) == 1042);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, rrtTolerance) == 1064);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, librarySearchUnknowns) == 1068);
static_assert(offsetof(STRUCT_DH_GLOBAL_PARAMS, massList) == 1100);

// One calibration level of a compound: its amount and up to ten points,
// each the response of one calibration sample and that sample's row in the
// method's "CalibrationLog". Points 0 to count - 1 are the live ones.
struct DH_CALIBRATION_LEVEL {
  float amount;          // 0: kept by the receiving record when levels are copied
  uint16_t pointsInUse;  // 4: bit i = point i in use
  int16_t count;         // 6: number of points
  float responses[10];   // 8
  int16_t rows[10];      // 48: calibration-log row of each point
};
static_assert(sizeof(DH_CALIBRATION_LEVEL) == 68);

// A qualifier ion of a compound. Ratios are tenths of a percent of the
// target response; the limits are the expected ratio less and plus the
// tolerance, kept for display (the ratio test works from 222 and 226).
struct DH_QUALIFIER {
  DH_MASS_LIST massList;
  int32_t lowerLimit;     // 214: at least 1
  int32_t upperLimit;     // 218: at most 5000
  int32_t expectedRatio;  // 222
  int32_t tolerance;      // 226: tenths of a percent; in relative mode of the ratio
};
static_assert(sizeof(DH_QUALIFIER) == 230);
static_assert(offsetof(DH_QUALIFIER, lowerLimit) == 214);
static_assert(offsetof(DH_QUALIFIER, upperLimit) == 218);
static_assert(offsetof(DH_QUALIFIER, expectedRatio) == 222);
static_assert(offsetof(DH_QUALIFIER, tolerance) == 226);

// "PeakTable": one compound of the method.
#define DH_COMPOUND_REFERENCE 0x0001u
#define DH_COMPOUND_INTERNAL_STANDARD 0x0100u
#define DH_COMPOUND_RRT_REFERENCE 0x0200u
#define DH_COMPOUND_CALIBRATION_LOCKED 0x0400u
struct STRUCT_DH_COMPOUND {
  uint32_t retentionTime;      // 0: thousandths of a minute
  char name[42];               // 4
  uint16_t flags;              // 46
  int16_t reserved48;
  int16_t internalStandard;    // 50: group of the internal standard; -1 none
  uint8_t calibrationByte52;
  uint8_t calibrationFitType;  // 53
  int16_t calibrationWord54;
  float coefficients[4];       // 56
  float calibrationValues[2];  // 72
  uint8_t calibrationBlock80[36];
  DH_CALIBRATION_LEVEL levels[10];  // 116
  uint32_t compoundNumber;     // 796
  uint8_t reserved800[41];
  int32_t usesInternalStandard;  // 841
  uint8_t reserved845[28];
  uint8_t calibrationBlock873[840];
  int16_t integration1713;
  uint8_t reserved1715[2];
  int16_t integration1717;
  uint8_t reserved1719[2];
  int16_t integration1721;
  uint8_t reserved1723[6];
  int16_t integration1729;
  uint8_t reserved1731[6];
  int32_t windowHalfWidth;     // 1737: thousandths of a minute
  int32_t peakWidth;           // 1741
  int16_t integration1745;
  uint8_t reserved1747[2];
  int16_t integration1749;
  uint8_t reserved1751[2];
  int32_t integration1753;
  int16_t timeEventCount;      // 1757
  DH_TIME_EVENT timeEvents[10];  // 1759
  uint8_t reserved1859[16];
  DH_MASS_LIST massList;       // 1875
  DH_CHAN_LIST chanList;       // 2089
  uint8_t reserved2175[16];
  DH_QUALIFIER qualifiers[5];  // 2191
  int32_t secondWindowHalfWidth;  // 3341
  uint8_t reserved3345[20];
  uint8_t referenceSpectrum[1368];  // 3365
  int16_t referenceSpectrumCount;   // 4733
  uint8_t reserved4735[58];
};
static_assert(sizeof(STRUCT_DH_COMPOUND) == 4793);
static_assert(offsetof(STRUCT_DH_COMPOUND, flags) == 46);
static_assert(offsetof(STRUCT_DH_COMPOUND, coefficients) == 56);
static_assert(offsetof(STRUCT_DH_COMPOUND, levels) == 116);
static_assert(offsetof(STRUCT_DH_COMPOUND, compoundNumber) == 796);
static_assert(offsetof(STRUCT_DH_COMPOUND, usesInternalStandard) == 841);
static_assert(offsetof(STRUCT_DH_COMPOUND, calibrationBlock873) == 873);
static_assert(offsetof(STRUCT_DH_COMPOUND, integration1713) == 1713);
static_assert(offsetof(STRUCT_DH_COMPOUND, windowHalfWidth) == 1737);
static_assert(offsetof(STRUCT_DH_COMPOUND, timeEventCount) == 1757);
static_assert(offsetof(STRUCT_DH_COMPOUND, timeEvents) == 1759);
static_assert(offsetof(STRUCT_DH_COMPOUND, massList) == 1875);
static_assert(offsetof(STRUCT_DH_COMPOUND, chanList) == 2089);
static_assert(offsetof(STRUCT_DH_COMPOUND, qualifiers) == 2191);
static_assert(offsetof(STRUCT_DH_COMPOUND, secondWindowHalfWidth) == 3341);
static_assert(offsetof(STRUCT_DH_COMPOUND, referenceSpectrum) == 3365);

// "CalibrationLog": one row per calibration sample that updated the method.
struct DH_CALIBRATION_LOG_ROW {
  int32_t sampleKey;      // 0: injection date and time of the sample
  int32_t recalcTime;     // 4: date and time of the recalculation
  char path[260];         // 8: the data file
};
static_assert(sizeof(DH_CALIBRATION_LOG_ROW) == 268);

// Error record of a processed file: three lists of message numbers
// (string-table ids of this library).
struct DH_ERROR_LIST {
  int16_t count;
  uint16_t ids[50];
};
struct STRUCT_DH_ERROR_LOG {
  DH_ERROR_LIST lists[3];  // peak-search, target and calculation errors
};
static_assert(sizeof(STRUCT_DH_ERROR_LOG) == 306);

// The data file's injection data-handling record.
struct STRUCT_DH_INJECTION_RECORD {
  uint16_t format;
  int32_t injectionTime;   // 2: date and time (seconds)
  char sampleId[20];       // 6
  char sampleName[64];     // 26
  char operatorName[32];   // 90
  uint16_t vial;           // 122
  uint16_t injection;      // 124
  uint16_t sampleType;     // 126: 1 calibration, 2 analysis, 3 verification
  uint16_t level;          // 128
  float sampleAmount;      // 130
  float dilution;          // 134
  uint8_t reserved138[277];
  char methodPath[260];    // 415: method the file was acquired with
  char description[1000];  // 675: sample notes
};
static_assert(sizeof(STRUCT_DH_INJECTION_RECORD) == 1675);
static_assert(offsetof(STRUCT_DH_INJECTION_RECORD, methodPath) == 415);

// "RecalcLog": one entry per processing of the data file.
struct STRUCT_RECALC_ENTRY {
  int16_t sequence;
  uint32_t processedTime;   // 2
  int16_t one;              // 6
  char engineDescription[42];  // 8
  char engineVersion[42];      // 50
  char libraryDescription[42]; // 92
  char libraryVersion[42];     // 134
  char callerText4[19];        // 176
  char callerText23[19];       // 195
  char optionsText[181];       // 214
  char methodPath[260];        // 395
  char callerText562[260];     // 655
  char notes[305];             // 915: sample notes of the recalculation
};
static_assert(sizeof(STRUCT_RECALC_ENTRY) == 1220);
static_assert(offsetof(STRUCT_RECALC_ENTRY, methodPath) == 395);
static_assert(offsetof(STRUCT_RECALC_ENTRY, notes) == 915);

// One data file of a recalculation (sequence) file.
struct DH_RECALC_LIST_ENTRY {
  int16_t excluded;       // 0: nonzero = left out of the batch
  char path[260];         // 2
  char sampleId[20];      // 262
  int16_t sampleType;     // 282
  int16_t level;          // 284
  uint8_t reserved[14];
};
static_assert(sizeof(DH_RECALC_LIST_ENTRY) == 300);

// Integration results of a processed file.
struct DH_PEAK_EVENT {
  uint32_t rawTime;        // DHMinutesToRaw units
  float value;
  uint32_t code;           // event bits
  float baselineValue;     // 12
  float width;             // 16: minutes
  uint32_t pointIndex;     // 20
  uint32_t reserved;       // 24
  int16_t edited;          // 28
  uint32_t originalRawTime;  // 30: 0 when never moved
  float originalValue;       // 34
};
static_assert(sizeof(DH_PEAK_EVENT) == 38);

struct DH_BASELINE {
  int16_t startEvent;  // 1-based event numbers
  int16_t endEvent;
  int16_t code;
};
static_assert(sizeof(DH_BASELINE) == 6);

struct DH_PEAK {
  uint16_t number;
  float retentionTime;  // minutes
  float area;
  float height;
  uint32_t startRawTime;
  uint32_t endRawTime;
  float width;          // minutes at half height
  uint16_t flags;
  uint16_t localParameters;  // 1 when integrated with local parameters
};
static_assert(sizeof(DH_PEAK) == 30);

// File-type descriptor of an instrument module kind.
struct DH_FILE_TYPE_DESCRIPTOR {
  uint16_t massDecimals;
  double lowMass;   // 0 when unknown
  double highMass;
  char name[24];
};
static_assert(sizeof(DH_FILE_TYPE_DESCRIPTOR) == 42);

// Report format of a method ("MSReportFormat2").
struct DH_REPORT_COLUMN_SET {
  uint16_t wide;
  uint16_t ids[61];
  uint16_t count;
  uint8_t reserved[260];
};
static_assert(sizeof(DH_REPORT_COLUMN_SET) == 386);

struct STRUCT_REPORT_FORMAT {
  uint16_t format;
  uint8_t general2[14];
  int16_t summaryReport;   // 16
  int16_t summaryExport;   // 18
  int16_t chartReport;     // 20
  int16_t chartExport;     // 22
  int16_t exportKind;      // 24: 0 comma, 2 blank, other tab separated
  uint8_t general26[4];
  int16_t amountFormat;    // 30
  uint8_t general32[18];
  uint8_t chromatogram[559];  // 50
  uint8_t sample[175];        // 609
  DH_REPORT_COLUMN_SET sampleColumns;   // 784 (sample + 175)
  DH_REPORT_COLUMN_SET sampleColumns2;  // 1170 (sample + 561)
  uint8_t sample947[51];
  uint8_t compound[1132];     // 1607
  int16_t includeCalculation[3];  // 2739
  int16_t groupKey;        // 2745
  int16_t subgroupKey;     // 2747
  int16_t orderKey;        // 2749
  int16_t keyLength;       // 2751
  uint8_t summary2753[51];
  uint8_t chart[67];       // 2804
};
static_assert(sizeof(STRUCT_REPORT_FORMAT) == 2871);
static_assert(offsetof(STRUCT_REPORT_FORMAT, chromatogram) == 50);
static_assert(offsetof(STRUCT_REPORT_FORMAT, sample) == 609);
static_assert(offsetof(STRUCT_REPORT_FORMAT, sampleColumns) == 609 + 175);
static_assert(offsetof(STRUCT_REPORT_FORMAT, sampleColumns2) == 609 + 561);
static_assert(offsetof(STRUCT_REPORT_FORMAT, compound) == 1607);
static_assert(offsetof(STRUCT_REPORT_FORMAT, includeCalculation) == 2739);
static_assert(offsetof(STRUCT_REPORT_FORMAT, keyLength) == 2751);
static_assert(offsetof(STRUCT_REPORT_FORMAT, chart) == 2804);

// A detector or module scale factor of a data file.
struct DH_SCALE_FACTOR {
  uint16_t module;
  float factor;
};
static_assert(sizeof(DH_SCALE_FACTOR) == 6);

// Filtering of an MS trace (FilterMSTrace).
struct DH_FILTER_REQUEST {
  int32_t smoothingHalfWidth;  // points each side
  uint16_t smoothingKind;      // 0 none, 1 moving mean, 2 Savitzky-Golay (quadratic)
  int32_t spikeFactor;         // tenths: a point above factor x its neighbours' mean is a spike
  uint16_t spikeWidth;         // reserved (single-point spikes)
  uint32_t spikeFilter;        // nonzero: remove spikes before smoothing
};
static_assert(sizeof(DH_FILTER_REQUEST) == 16);

#pragma pack(pop)
