#pragma once
// Records of the data file's result sections: "MSResults:h4" (a header,
// then one step per compound or peak), "MSQualifiers:h4" (one qualifier
// record per compound step) and "MSTICs:h4" (a chain of peak records with
// their library hits). Stored byte for byte, little-endian, packed.
#include <cstddef>
#include <cstdint>

#include "quorna/ms_lists.h"

#define RESULTS_SECTION "MSResults:h4"
#define QUALIFIERS_SECTION "MSQualifiers:h4"
#define TICS_SECTION "MSTICs:h4"
#define FULL_CHROMATOGRAM_SECTION "FullChromatogram1"
#define RESULTS_FORMAT_VERSION 4

#define RESULTS_HEADER_SIZE 2635
#define RESULT_STEP_SIZE 1375
#define QUALIFIER_RECORD_SIZE 1302
#define TIC_PEAK_HEAD_SIZE 58
#define TIC_HIT_HEAD_SIZE 719
#define TIC_HIT_ION_SIZE 6
#define TIC_PEAK_MAX_HITS 12

// Step kinds; a kind with RESULT_KIND_REMOVED added is dropped by compaction.
#define RESULT_KIND_IDENTIFIED 0
#define RESULT_KIND_MISSING 1
#define RESULT_KIND_FAILED 2
#define RESULT_KIND_TIC 3
#define RESULT_KIND_UNKNOWN 4
#define RESULT_KIND_DUPLICATE 5
#define RESULT_KIND_REMOVED 32

#define QUANT_OPTIONS_SIZE 2239

#pragma pack(push, 1)

struct STRUCT_RESULTS_HEADER {
  uint8_t options[QUANT_OPTIONS_SIZE];  // 0: the run's quantitation options
  int16_t responseBasis;      // 2239: 1 area, otherwise height
  int16_t calculationType;    // 2241: 1 percent, 3 internal standard, else external
  int16_t reportUnknowns;     // 2243
  int16_t reportMissing;      // 2245: 0 leaves compounds not found out
  float sampleAmountFactor;   // 2247
  // Step counts, stored in kind order 0, 1, 2, 3, 5, 4.
  int16_t countIdentified;    // 2251
  int16_t countMissing;       // 2253
  int16_t countFailed;        // 2255
  int16_t countTIC;           // 2257
  int16_t countDuplicate;     // 2259
  int16_t countUnknown;       // 2261
  uint32_t processedTime;     // 2263
  int16_t version;            // 2267: RESULTS_FORMAT_VERSION
  uint32_t reserved2269;      // 2269
  uint32_t reserved2273;      // 2273
  int16_t firstNameCount;     // 2277: at most 20
  char firstNames[20][14];    // 2279
  int16_t secondNameCount;    // 2559: at most 5
  char secondNames[5][14];    // 2561
  int16_t global1062;         // 2631
  uint8_t reserved2633[2];    // 2633
};

struct STEP_ERROR_LIST {
  uint16_t count;
  int16_t codes[50];
};

struct STRUCT_RESULT_STEP {
  int32_t kind;                   // 0
  uint16_t flags;                 // 4: the compound's flag word (0x100 standard)
  char name[41];                  // 6
  int32_t casNumber;              // 47
  uint8_t reserved51[41];         // 51
  char units[10];                 // 92
  int32_t timeStamp;              // 102
  int32_t calibrationTimeStamp;   // 106: -1 for a new step
  int32_t compoundNumber;         // 110
  int16_t compoundIndex;          // 114: in the method's compound table
  int16_t standardNumber;         // 116: compound number of the standard used
  uint8_t reserved118[4];         // 118
  int32_t peakScan;               // 122
  int32_t matchScan;              // 126
  float retentionTime;            // 130: minutes
  float relativeRetentionTime;    // 134
  float standardRetentionTime;    // 138: -1 when none
  float expectedRetentionTime;    // 142
  float expectedRelativeTime;     // 146
  float signalToNoise;            // 150
  float baselineAtApex;           // 154: baseline height under the apex
  float area;                     // 158
  float height;                   // 162
  float amount;                   // 166: -1 when none could be computed
  float standardArea;             // 170
  float standardHeight;           // 174
  float standardAmount;           // 178
  float levelAmount;              // 182
  int16_t engineBaselineCode;     // 186: the engine peak's baseline code
  // Times (minutes) and intensities of the engine peak's start and end points.
  float peakStartTime;            // 188
  float peakStartIntensity;       // 192
  float peakEndTime;              // 196
  float peakEndIntensity;         // 200
  float startTime;                // 204
  float startIntensity;           // 208
  float endTime;                  // 212
  float endIntensity;             // 216
  int16_t mergedPoints;           // 220: merged points passed extending the end
  float width;                    // 222: seconds
  int16_t stepIndex;              // 226
  float qualifierRatios[5];       // 228: measured, as fractions
  int32_t qualifierLower[5];      // 248: ratio limits, percent x 10
  int32_t qualifierUpper[5];      // 268
  uint16_t searchType;            // 288
  float matchThreshold;           // 290
  int16_t searchDirection;        // 294
  float matchValue;               // 296
  int32_t forwardSimilarity;      // 300
  int32_t reverseSimilarity;      // 304
  int32_t hitProbability;         // 308
  int32_t inLibraryProbability;   // 312
  uint32_t searchKind;            // 316
  uint8_t reserved320[4];         // 320
  int16_t ticIndex;               // 324: -1 when the peak has no TIC record
  int32_t firstHitEntry;          // 326
  int16_t ticNumber;              // 330: after compaction
  uint32_t ticPeakOffset;         // 332: in "MSTICs:h4", 0 = none
  uint32_t ticHitOffset;          // 336
  char peakFlag;                  // 340
  int16_t manualFlag;             // 341
  int16_t rawResults;             // 343
  uint32_t resultFlags;           // 345
  char flagText[20];              // 349
  // Engine messages of the compound's run: peak search, target, calculation.
  STEP_ERROR_LIST engineErrors[3];  // 369
  STRUCT_MASS_LIST massList;      // 675
  STRUCT_CHAN_LIST chanList;      // 889
  int32_t hasNoiseWindow;         // 975
  char scanText[80];              // 979: text of the apex scan
  int16_t scanValueCount;         // 1059
  double scanValues[5];           // 1061
  char scanText2[30];             // 1101
  double scanExtra[20];           // 1131
  double scanTimes[4];            // 1291
  uint8_t reserved1323[4];        // 1323
  float backgroundStart;          // 1327
  float backgroundEnd;            // 1331
  uint8_t reserved1335[40];       // 1335
};

// One qualifier ion of a compound.
struct STRUCT_QUALIFIER_ION {
  float apexTime;                 // 0: minutes
  STRUCT_MASS_LIST massList;      // 4
  float area;                     // 218: counts x seconds
  // Baseline start time and height, end time and height, then the peak's
  // start time and value and end time and value.
  float baseline[8];              // 222
  uint8_t reserved254[2];         // 254
};

struct STRUCT_QUALIFIER_RECORD {
  int32_t compoundNumber;         // 0
  uint8_t reserved4[2];           // 4
  int16_t stepIndex;              // 6
  int32_t global672;              // 8
  int16_t ionCount;               // 12: at most 5
  int32_t global694;              // 14
  uint8_t reserved18[4];          // 18
  STRUCT_QUALIFIER_ION ions[5];   // 22
};

// Head of a TIC peak record; its hits follow.
struct STRUCT_TIC_PEAK {
  uint32_t length;                // 0: head and hits
  uint8_t reserved4[2];           // 4
  int16_t stepIndex;              // 6
  int16_t hitCount;               // 8: at most 3 from a search
  uint32_t hitOffsets[TIC_PEAK_MAX_HITS];  // 10: from the start of the peak
};

// One library hit; ionCount 6-byte ions (u32, i16) follow.
struct STRUCT_TIC_HIT {
  uint32_t length;                // 0: 719 + 6 x ions
  int16_t global1064;             // 4
  int16_t global1080;             // 6: 0 selects the value at 20 for 16, else 24
  float searchValue;              // 8
  uint32_t global1072;            // 12
  float matchValue;               // 16
  int32_t match1;                 // 20
  int32_t match2;                 // 24
  int32_t match3;                 // 28
  int32_t match4;                 // 32
  int16_t entryValue1;            // 36
  int16_t entryValue2;            // 38
  char compoundName[300];         // 40
  char text2[41];                 // 340
  char text3[46];                 // 381
  uint32_t entryNumber;           // 427
  int16_t entryWord;              // 431
  uint32_t libraryValue;          // 433
  char libraryName[280];          // 437
  int16_t ionCount;               // 717
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_RESULTS_HEADER) == RESULTS_HEADER_SIZE);
static_assert(offsetof(STRUCT_RESULTS_HEADER, responseBasis) == 2239);
static_assert(offsetof(STRUCT_RESULTS_HEADER, sampleAmountFactor) == 2247);
static_assert(offsetof(STRUCT_RESULTS_HEADER, countIdentified) == 2251);
static_assert(offsetof(STRUCT_RESULTS_HEADER, countUnknown) == 2261);
static_assert(offsetof(STRUCT_RESULTS_HEADER, processedTime) == 2263);
static_assert(offsetof(STRUCT_RESULTS_HEADER, version) == 2267);
static_assert(offsetof(STRUCT_RESULTS_HEADER, firstNameCount) == 2277);
static_assert(offsetof(STRUCT_RESULTS_HEADER, firstNames) == 2279);
static_assert(offsetof(STRUCT_RESULTS_HEADER, secondNameCount) == 2559);
static_assert(offsetof(STRUCT_RESULTS_HEADER, secondNames) == 2561);
static_assert(offsetof(STRUCT_RESULTS_HEADER, global1062) == 2631);

static_assert(sizeof(STRUCT_RESULT_STEP) == RESULT_STEP_SIZE);
static_assert(offsetof(STRUCT_RESULT_STEP, casNumber) == 47);
static_assert(offsetof(STRUCT_RESULT_STEP, units) == 92);
static_assert(offsetof(STRUCT_RESULT_STEP, timeStamp) == 102);
static_assert(offsetof(STRUCT_RESULT_STEP, compoundNumber) == 110);
static_assert(offsetof(STRUCT_RESULT_STEP, compoundIndex) == 114);
static_assert(offsetof(STRUCT_RESULT_STEP, standardNumber) == 116);
static_assert(offsetof(STRUCT_RESULT_STEP, peakScan) == 122);
static_assert(offsetof(STRUCT_RESULT_STEP, retentionTime) == 130);
static_assert(offsetof(STRUCT_RESULT_STEP, expectedRetentionTime) == 142);
static_assert(offsetof(STRUCT_RESULT_STEP, signalToNoise) == 150);
static_assert(offsetof(STRUCT_RESULT_STEP, area) == 158);
static_assert(offsetof(STRUCT_RESULT_STEP, amount) == 166);
static_assert(offsetof(STRUCT_RESULT_STEP, levelAmount) == 182);
static_assert(offsetof(STRUCT_RESULT_STEP, startTime) == 204);
static_assert(offsetof(STRUCT_RESULT_STEP, endTime) == 212);
static_assert(offsetof(STRUCT_RESULT_STEP, width) == 222);
static_assert(offsetof(STRUCT_RESULT_STEP, stepIndex) == 226);
static_assert(offsetof(STRUCT_RESULT_STEP, qualifierRatios) == 228);
static_assert(offsetof(STRUCT_RESULT_STEP, searchType) == 288);
static_assert(offsetof(STRUCT_RESULT_STEP, matchValue) == 296);
static_assert(offsetof(STRUCT_RESULT_STEP, searchKind) == 316);
static_assert(offsetof(STRUCT_RESULT_STEP, ticIndex) == 324);
static_assert(offsetof(STRUCT_RESULT_STEP, ticNumber) == 330);
static_assert(offsetof(STRUCT_RESULT_STEP, ticPeakOffset) == 332);
static_assert(offsetof(STRUCT_RESULT_STEP, peakFlag) == 340);
static_assert(offsetof(STRUCT_RESULT_STEP, resultFlags) == 345);
static_assert(offsetof(STRUCT_RESULT_STEP, flagText) == 349);
static_assert(offsetof(STRUCT_RESULT_STEP, massList) == 675);
static_assert(offsetof(STRUCT_RESULT_STEP, chanList) == 889);
static_assert(offsetof(STRUCT_RESULT_STEP, backgroundStart) == 1327);
static_assert(offsetof(STRUCT_RESULT_STEP, baselineAtApex) == 154);
static_assert(offsetof(STRUCT_RESULT_STEP, peakStartTime) == 188);
static_assert(offsetof(STRUCT_RESULT_STEP, peakEndIntensity) == 200);
static_assert(offsetof(STRUCT_RESULT_STEP, mergedPoints) == 220);
static_assert(offsetof(STRUCT_RESULT_STEP, qualifierLower) == 248);
static_assert(offsetof(STRUCT_RESULT_STEP, qualifierUpper) == 268);
static_assert(offsetof(STRUCT_RESULT_STEP, engineErrors) == 369);
static_assert(offsetof(STRUCT_RESULT_STEP, hasNoiseWindow) == 975);
static_assert(offsetof(STRUCT_RESULT_STEP, scanValueCount) == 1059);
static_assert(offsetof(STRUCT_RESULT_STEP, scanText2) == 1101);
static_assert(offsetof(STRUCT_RESULT_STEP, scanTimes) == 1291);

static_assert(sizeof(STRUCT_QUALIFIER_ION) == 256);
static_assert(offsetof(STRUCT_QUALIFIER_ION, baseline) == 222);
static_assert(sizeof(STRUCT_QUALIFIER_RECORD) == QUALIFIER_RECORD_SIZE);
static_assert(offsetof(STRUCT_QUALIFIER_RECORD, stepIndex) == 6);
static_assert(offsetof(STRUCT_QUALIFIER_RECORD, ionCount) == 12);
static_assert(offsetof(STRUCT_QUALIFIER_RECORD, global694) == 14);
static_assert(offsetof(STRUCT_QUALIFIER_RECORD, ions) == 22);

static_assert(sizeof(STRUCT_TIC_PEAK) == TIC_PEAK_HEAD_SIZE);
static_assert(offsetof(STRUCT_TIC_PEAK, hitOffsets) == 10);
static_assert(sizeof(STRUCT_TIC_HIT) == TIC_HIT_HEAD_SIZE);
static_assert(offsetof(STRUCT_TIC_HIT, compoundName) == 40);
static_assert(offsetof(STRUCT_TIC_HIT, text2) == 340);
static_assert(offsetof(STRUCT_TIC_HIT, text3) == 381);
static_assert(offsetof(STRUCT_TIC_HIT, entryNumber) == 427);
static_assert(offsetof(STRUCT_TIC_HIT, libraryValue) == 433);
static_assert(offsetof(STRUCT_TIC_HIT, libraryName) == 437);
static_assert(offsetof(STRUCT_TIC_HIT, ionCount) == 717);
