#pragma once
// The data-handling engine and the calibration fit of this library.
//
//  - Calibration fit (calibration_fit.cpp): weighted least-squares curves
//    through a compound's calibration levels, left in the four coefficients
//    at offset 56 of the compound record.
//  - Integration (integration_engine.cpp): RunDataHandling reads a method's
//    "GlobalParams", "PeakTable" and "TimeEvents" tables, integrates the
//    traces the method asks for in the working file's "MSData" and writes
//    the results the callers read back.
#include "holbrin.h"

#pragma pack(push, 1)
// A block of scale factors as the quantitation options and run records hold it.
struct DH_FACTOR_BLOCK {
  uint16_t count;     // factors in use: 4
  float factors[4];
};
#pragma pack(pop)
static_assert(sizeof(DH_FACTOR_BLOCK) == 18);

// ---- Calibration fit -----------------------------------------------------------
// Curve kinds.
#define DH_CURVE_LINEAR 0
#define DH_CURVE_QUADRATIC 1
#define DH_CURVE_AVERAGE_RF 2   // mean response factor (response / amount)
#define DH_CURVE_CUBIC 3
// Handling of the origin.
#define DH_ORIGIN_IGNORE 0      // an intercept is fitted
#define DH_ORIGIN_FORCE 1       // the curve passes through (0, 0)
#define DH_ORIGIN_INCLUDE 2     // (0, 0) takes part as one more point
// Weighting of the points.
#define DH_WEIGHT_NONE 0
#define DH_WEIGHT_INVERSE_X 1   // 1 / amount
#define DH_WEIGHT_INVERSE_X2 2  // 1 / amount squared

// Fits response = c0 + c1 x + c2 x^2 + c3 x^3 (x the amount) to count
// points and writes c0..c3 (unused terms 0). Solved by Householder QR on the
// weighted design matrix, so exact data come back to rounding. 0 (and
// coefficients untouched) for an unknown setting, non-finite values, fewer
// points than terms, or points that do not fix the curve.
HOLBRIN_API BOOL FitCalibrationCurve(const double* amounts, const double* responses, int32_t count,
                                     int16_t curve, int16_t origin, int16_t weighting,
                                     double coefficients[4]);
// The fit of one compound: the points are the replicate responses of its
// calibration levels (levels with a positive replicate count). Responses
// are stored relative to the internal standard already, so the standard's
// record (0 outside internal-standard calculation) is not read. workValues (100
// doubles, may be 0) masks points: slot 10 x level + replicate holding
// exactly 0.0 leaves that point out; on success each used slot receives the
// curve's response at the point's amount. Fills coefficients[0..3] and the
// amount range (calibrationValues) of the record; 0 and the record
// untouched when the fit fails.
HOLBRIN_API BOOL FitCalibration(STRUCT_DH_COMPOUND* compound, const STRUCT_DH_COMPOUND* standard,
                                int16_t curve, int16_t origin, int16_t weighting, double* workValues);
// Defaults of the 400-byte quantitation block (those of InitGlobalParams).
HOLBRIN_API BOOL InitDHQuantBlock(DH_QUANT_BLOCK* block);
// Four factors of 1.0.
HOLBRIN_API BOOL InitDHFactorBlock(DH_FACTOR_BLOCK* block);

// ---- The integration engine ----------------------------------------------------
#pragma pack(push, 1)
// One peak of the engine's results table.
struct STRUCT_DH_RESULT {
  uint16_t number;          // 0: 1-based
  float retentionTime;      // 2: apex, minutes
  float expectedTime;       // 6: the compound's expected time; 0 without a compound
  float response;           // 10: area or height, as the method's response basis says
  float halfWidth;          // 14: width at half height, minutes
  int16_t baselineCode;     // 18: 0 own, 1 shared (valley), 2 tangent, 3 horizontal, 4 forced
  int16_t compound;         // 20: 0-based compound of the method; -1 none
  int32_t widthSeconds;     // 22: width at half height, seconds, rounded
  uint32_t startRawTime;    // 26
  uint32_t endRawTime;      // 30
  uint32_t apexRawTime;     // 34
  float area;               // 38: counts x seconds
  float height;             // 42: above the baseline
  float baselineAtApex;     // 46
  int16_t status;           // 50: 0 usable
  float signalToNoise;      // 52: height / noise (RMS)
  int16_t user;             // 56: placed by the user (never by the engine)
  uint16_t candidates;      // 58: peaks found in the compound's window
  char name[42];            // 60: the compound's name on the peak taken for it
  int16_t segment;          // 102: baseline segment
  int16_t coelutingBefore;  // 104: shares its start with a neighbour
  int16_t coelutingAfter;   // 106: shares its end with a neighbour
  uint32_t startPoint;      // 108: indexes into the point table
  uint32_t apexPoint;       // 112
  uint32_t endPoint;        // 116
  uint8_t reserved120[8];
};
static_assert(sizeof(STRUCT_DH_RESULT) == 128);
static_assert(offsetof(STRUCT_DH_RESULT, retentionTime) == 2);
static_assert(offsetof(STRUCT_DH_RESULT, response) == 10);
static_assert(offsetof(STRUCT_DH_RESULT, baselineCode) == 18);
static_assert(offsetof(STRUCT_DH_RESULT, widthSeconds) == 22);
static_assert(offsetof(STRUCT_DH_RESULT, area) == 38);
static_assert(offsetof(STRUCT_DH_RESULT, height) == 42);
static_assert(offsetof(STRUCT_DH_RESULT, status) == 50);
static_assert(offsetof(STRUCT_DH_RESULT, user) == 56);
static_assert(offsetof(STRUCT_DH_RESULT, candidates) == 58);
static_assert(offsetof(STRUCT_DH_RESULT, name) == 60);
static_assert(offsetof(STRUCT_DH_RESULT, coelutingBefore) == 104);

// Head of the results (one record).
struct DH_RESULT_HEADER {
  uint16_t format;          // 1
  int32_t timeStamp;        // 2: date and time of the run
  uint16_t peakCount;       // 6
  uint16_t traceCount;      // 8: traces integrated
  float noise;              // 10: noise (sigma) of the last trace
  uint16_t errorCount;      // 14: messages in the error log
  uint8_t reserved16[16];
};
static_assert(sizeof(DH_RESULT_HEADER) == 32);

// One row of the run table: one row per data file and run number.
struct DH_RUN_ROW {
  char name[64];            // file name of the data file
  int32_t number;           // 64: run number (compound number; 0 for the chromatogram)
  int32_t timeStamp;        // 68
  int32_t peakCount;        // 72
  int32_t status;           // 76: 1 integrated, 0 failed
  uint8_t reserved80[48];
};
static_assert(sizeof(DH_RUN_ROW) == 128);

// One point of the point table: the points where integration
// events lie, ascending time. flags carries the event code bits (2 start,
// 4 apex, 0x10 valley, 0x20 end); baseline points have bit 3 of flags2.
struct DH_POINT {
  uint32_t rawTime;         // 1/600000 minute
  float value;              // signal, divided by the intensity scale
  uint32_t flags;
  uint32_t flags2;
};
static_assert(sizeof(DH_POINT) == 16);

// One peak's boundary points, indexes into the point table.
struct DH_BOUNDARY {
  uint32_t startPoint;
  uint32_t endPoint;
};
static_assert(sizeof(DH_BOUNDARY) == 8);
#pragma pack(pop)

#define DH_POINT_START 0x00000002u
#define DH_POINT_APEX 0x00000004u
#define DH_POINT_VALLEY 0x00000010u
#define DH_POINT_END 0x00000020u
#define DH_POINT2_BASELINE 0x00000008u

// The engine run. Integrates the working file's "MSData" by the method in
// methodPath (the working file's own tables when 0 or empty), for the
// module the working file's information block names (file type = module
// id, module word = address) and tag:
//  - with compounds: each compound's mass and channel lists over its
//    retention window, its peak width, slope, tangent and reject settings,
//    and the nearest peak in its window named after it;
//  - without compounds: the whole chromatogram with the global mass and
//    channel lists and parameters.
// The method's time events apply (the compound's own when the method has no
// time-event table). Writes into the working file, replacing what was
// there: "EngineResults" (the results table with its header, the point and
// boundary tables, the intensity scale and the run table with this run's
// row, one section so that a run commits in few steps), "PeakEvents",
// "Baselines", "Peaks" and "ErrorLog". window, module, runRecord, the three values and the four
// program names are accepted for the callers' sake. Returns 1 when at least
// one trace was integrated (also without peaks), 0 when none could be
// (no data, too few points) or the results could not be written; the error
// log says why.
HOLBRIN_API int32_t RunDataHandling(HWND window, HMODULE module, const char* methodPath, const char* workingPath,
                                   const void* runRecord, const char* tag, int32_t value1, int32_t value2,
                                   int32_t value3, int32_t miniRun, const char* name1, const char* name2,
                                   const char* name3, const char* name4);

// A one-compound method (compound 0: a method without compounds, for the
// whole chromatogram) kept in memory for the engine: until
// EndDHMethodInMemory, RunDataHandling on this thread with path as its
// method integrates this method instead of reading the file. It is what a
// method file would give holding the compound, the time events (in time
// order) as its time-event table, and for its global record the
// "GlobalParams" table of tablesFrom where that file has one (damaged, it
// makes the run fail as such a table would), else global (the engine's
// defaults when 0). Returns what EndDHMethodInMemory takes; 0 for bad
// arguments. Methods nest, the innermost first.
HOLBRIN_API void* BeginDHMethodInMemory(const char* path, const char* tablesFrom, uint16_t moduleId,
                                        uint16_t moduleAddress, const char* tag,
                                        const STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound,
                                        const DH_TIME_EVENT* events, int32_t eventCount);
HOLBRIN_API void EndDHMethodInMemory(void* method);

// MS data read where it lies: until EndDHDataInPlace, RunDataHandling on
// this thread with workingPath as its working file reads the "MSData" of
// dataPath in place of the working file's own (which it need not hold);
// its results still go into the working file. For a working file that
// would otherwise hold an unchanged copy of that data, so that a whole run
// is not copied only to be integrated. Returns what EndDHDataInPlace
// takes; 0 for bad arguments. Nests, the innermost first.
HOLBRIN_API void* BeginDHDataInPlace(const char* workingPath, const char* dataPath);
HOLBRIN_API void EndDHDataInPlace(void* inPlace);

// The method file's global table read once: until EndDHMethodReads, on
// this thread, BeginDHMethodInMemory with methodPath as its tablesFrom
// reads that table from the file only the first time (and again after
// this library writes it). For a run over one method that nothing else
// writes meanwhile. Returns what EndDHMethodReads takes; 0 for bad
// arguments. Nests, the innermost first.
HOLBRIN_API void* BeginDHMethodReads(const char* methodPath);
HOLBRIN_API void EndDHMethodReads(void* reads);

// A working file kept in memory: until EndDHWorkingInMemory, on this
// thread, RunDataHandling with workingPath as its working file reads the
// "MSData" of dataPath between from and to (minutes) only, as an extract
// of that range would show it, and keeps the sections it writes in memory,
// where the result readers of this library (OpenDHResultTable,
// OpenDHErrorLog and the rest) find them; nothing reaches the file. The
// sections the engine reads from its working file are put there with
// PutDHWorkingSection. For a scratch working file no one else reads.
// Returns what EndDHWorkingInMemory takes; 0 for bad arguments. Nests,
// the innermost first.
HOLBRIN_API void* BeginDHWorkingInMemory(const char* workingPath, const char* dataPath, double from, double to);
HOLBRIN_API void EndDHWorkingInMemory(void* working);
HOLBRIN_API BOOL PutDHWorkingSection(const char* workingPath, const char* name, const void* bytes, uint32_t size);

// Reading the results back. Tables are closed with FreeDHRecordSet or
// CloseSection; GetDHRecord and CountDHRecords read the generic ones.
HOLBRIN_API HDHTABLE OpenDHResultTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                       const char* tag);
HOLBRIN_API int16_t CountDHResults(HDHTABLE results);  // -1 for a bad handle
HOLBRIN_API BOOL GetDHResult(HDHTABLE results, int16_t index, STRUCT_DH_RESULT* result);
HOLBRIN_API BOOL ReadDHResultHeader(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                    const char* tag, DH_RESULT_HEADER* header);
HOLBRIN_API HDHTABLE OpenDHRunTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                    const char* tag);  // DH_RUN_ROW records
// The time stamp of the run row whose name (compared without regard to
// case) and number match; with name 0 that of the last row.
HOLBRIN_API BOOL GetDHRunTimeStamp(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                   const char* tag, const char* name, int32_t number, int32_t* timeStamp);
HOLBRIN_API HDHTABLE OpenDHPointTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                      const char* tag);  // DH_POINT records
HOLBRIN_API HDHTABLE OpenDHBoundaryTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                         const char* tag);  // DH_BOUNDARY records
// While a caller holds a file's results still (nothing writes the file
// from outside this library meanwhile), the result readers above on this
// thread read its results section once and reuse what they read; the
// engine's own writes to the file drop what was kept. Holds nest; each
// BeginDHResultReads is ended by EndDHResultReads with what it returned.
HOLBRIN_API void* BeginDHResultReads(const char* path);
HOLBRIN_API void EndDHResultReads(void* hold);
// The factor the point and event values are multiplied by; 0 when none is stored.
HOLBRIN_API BOOL GetDHIntensityScale(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag, float* scale);
