#pragma once
// The fields the report code reads from the quantitation engine's result
// step, the data-handling global table and the method compound record.
// The records belong to their owners; they are read here by byte offset
// from caller buffers of the owners' sizes.
#include <cstdint>
#include <cstring>

namespace kelt::reports {

inline constexpr uint32_t kResultStepSize = 1375;
inline constexpr uint32_t kCompoundRecordSize = 4793;
inline constexpr uint32_t kGlobalTableSize = 5887;

template <class T>
T FieldAt(const void* record, uint32_t offset) {
  T value{};
  std::memcpy(&value, static_cast<const uint8_t*>(record) + offset, sizeof value);
  return value;
}

// A zero-terminated text field of at most size bytes.
inline const char* TextAt(const void* record, uint32_t offset) {
  return reinterpret_cast<const char*>(static_cast<const uint8_t*>(record) + offset);
}

// The results header (2,635 bytes): the run's quantitation options, then
// what the engine concluded.
inline constexpr uint32_t kResultsHeaderSize = 2635;
namespace header {
inline constexpr uint32_t kSampleId = 0;           // text, 20 bytes
inline constexpr uint32_t kSampleIdSize = 20;
inline constexpr uint32_t kInjection = 20;         // i16
inline constexpr uint32_t kLevel = 22;             // i16, 0-based
inline constexpr uint32_t kSampleType = 24;        // i16: 0 baseline, 1 calibration, 2 analysis, 3 verification
inline constexpr uint32_t kMultiplier = 56;        // f32
inline constexpr uint32_t kDivisor = 60;           // f32
inline constexpr uint32_t kResponseBasis = 2239;   // i16: 1 area, else height
inline constexpr uint32_t kCalculationType = 2241; // i16: 1 area %, 2 normalized %, 3 IS, 4 ES
inline constexpr uint32_t kReportUnknowns = 2243;  // i16
inline constexpr uint32_t kReportMissing = 2245;   // i16
inline constexpr uint32_t kISFactor = 2247;        // f32
// Step counts by kind: identified, missing, failed, TIC, unknown, duplicate
// (the duplicate count is stored before the unknown count).
inline constexpr uint32_t kCountOfKind[6] = {2251, 2253, 2255, 2257, 2261, 2259};
inline constexpr uint32_t kVersion = 2267;         // i16: 4
}  // namespace header

namespace step {
inline constexpr uint32_t kStatus = 0;            // i32: 0..2 method compounds, 3..5 other peaks
inline constexpr uint32_t kPeakType = 4;          // u16
inline constexpr uint32_t kName = 6;              // text, 41 bytes
inline constexpr uint32_t kNameSize = 41;
inline constexpr uint32_t kCasNumber = 47;        // u32
inline constexpr uint32_t kUnits = 92;            // text, 10 bytes
inline constexpr uint32_t kUnitsSize = 10;
inline constexpr uint32_t kCompoundNumber = 110;  // i32
inline constexpr uint32_t kCompoundIndex = 114;   // i16, in the method's compound table
inline constexpr uint32_t kStandardNumber = 116;  // i16, compound number of the standard; < 1 none
inline constexpr uint32_t kRetentionTime = 130;   // f32 minutes
inline constexpr uint32_t kRelativeRT = 134;      // f32
inline constexpr uint32_t kExpectedRT = 142;      // f32 minutes
inline constexpr uint32_t kExpectedRRT = 146;     // f32
inline constexpr uint32_t kSignalToNoise = 150;   // f32
inline constexpr uint32_t kArea = 158;            // f32
inline constexpr uint32_t kHeight = 162;          // f32
inline constexpr uint32_t kAmount = 166;          // f32
inline constexpr uint32_t kWidth = 222;           // f32 seconds, 0 none
inline constexpr uint32_t kQualifierRatios = 228; // f32 x 5, fractions
inline constexpr uint32_t kIdSearchType = 288;    // u16: 0 spectrum match
inline constexpr uint32_t kMatchThreshold = 290;  // f32, -1 none
inline constexpr uint32_t kDirection = 294;       // i16: 0 forward, 1 reverse
inline constexpr uint32_t kMatchValue = 296;      // f32, -1 none
inline constexpr uint32_t kForwardSimilarity = 300;  // i32, -1 none
inline constexpr uint32_t kReverseSimilarity = 304;  // i32, -1 none
inline constexpr uint32_t kHitProbability = 308;     // i32 hundredths, -1 none
inline constexpr uint32_t kInLibraryProbability = 312;  // i32 hundredths, -1 none
inline constexpr uint32_t kSearchKind = 316;      // u32 letter
inline constexpr uint32_t kLibraryIndex = 324;    // i16, library of the first hit, -1 none
inline constexpr uint32_t kFirstHitEntry = 326;   // i32
inline constexpr uint32_t kTicPeak = 330;         // i16, TIC peak of the hits, -1 none
inline constexpr uint32_t kRawResults = 343;      // u16: 1 raw peak size reported (no amount check)
inline constexpr uint32_t kResultCodes = 345;     // u32
inline constexpr uint32_t kResultLetters = 349;   // text as stored, 20 bytes
inline constexpr uint32_t kResultLettersSize = 20;
inline constexpr uint32_t kMassList = 675;        // STRUCT_MASS_LIST
inline constexpr uint32_t kChanList = 889;        // STRUCT_CHAN_LIST
}  // namespace step

namespace table {
inline constexpr uint32_t kPeakSizeMeasure = 264;      // i16: 1 area, 2 height
inline constexpr uint32_t kNoInternalStandard = 266;   // u16
inline constexpr uint32_t kUnknownMinimumSize = 284;   // f32
inline constexpr uint32_t kVerificationTolerance = 328;  // i16 tenths of a percent
inline constexpr uint32_t kNoInternalStandard2 = 664;  // i32
inline constexpr uint32_t kRfMode = 1018;              // i16: 0 nearest, 1 nearest pure, 2 fixed
inline constexpr uint32_t kFixedRf = 1022;             // f64
inline constexpr uint32_t kRrtCheck = 1042;             // u32, on when nonzero
inline constexpr uint32_t kSignalToNoiseReject = 1046;  // u32, on when nonzero
inline constexpr uint32_t kRrtTolerance = 1064;         // i32 thousandths
inline constexpr uint32_t kLibrarySearchUnknowns = 1068;  // u32, 1 on
inline constexpr uint32_t kLibraryList = 1672;          // NUL-separated paths
inline constexpr uint32_t kLibraryListSize = 4177;
}  // namespace table

namespace compound {
inline constexpr uint32_t kFlags = 46;         // u16, 0x2 edited coefficients
inline constexpr uint32_t kCoefficients = 56;  // f32 x 4: constant, x, x2, x3
inline constexpr uint32_t kFit = 112;          // i16
inline constexpr uint32_t kOrigin = 114;       // i16
inline constexpr uint32_t kLevelAmounts = 116;  // f32 at 116 + 68 x level
inline constexpr uint32_t kLevelStride = 68;
inline constexpr int kLevels = 10;
inline constexpr uint32_t kNumber = 796;       // u32
inline constexpr uint32_t kWeighting = 1729;   // u32
inline constexpr uint32_t kExpectedWidth = 1741;  // i32 tenths of a second
inline constexpr uint32_t kSlopeSensitivity = 1745;  // u32
inline constexpr uint32_t kTangentPercent = 1749;    // u32
inline constexpr uint32_t kMinimumSize = 1753;       // f32 area or height
inline constexpr uint32_t kSignalToNoiseThreshold = 1861;  // i16
inline constexpr uint32_t kQualifiers = 2191;        // 5 entries of 230 bytes
inline constexpr uint32_t kQualifierSize = 230;
inline constexpr uint32_t kQualifierMass = 10;       // f64 in the entry, 0 ends the list
inline constexpr uint32_t kQualifierLower = 214;     // i32 tenths of a percent
inline constexpr uint32_t kQualifierUpper = 218;     // i32
inline constexpr uint32_t kQualifierRatio = 222;     // i32
inline constexpr uint32_t kRtTolerance = 3341;       // i32 thousandths of a minute
inline constexpr uint32_t kMinimumAmount = 4767;     // f32
inline constexpr uint32_t kUnits = 4771;             // text
inline constexpr uint32_t kUnitsSize = 22;
}  // namespace compound

}  // namespace kelt::reports
