#pragma once
// The data-file record library: the acquisition records of an MS data file
// (method segments, module attributes, event log, sample preparation,
// scan functions, half heights, centroid parameters, injection facts) and
// the texts written from them for logs and reports.
//
// Records live in sections of the data file named like the data-handling
// tables, "<base>.<id>.<address>.<tag>" (BuildDataSectionName), as
// fixed-size record tables of the data-handling library; a table of another
// record size is refused. Text writers write into a caller's C stream and
// write nothing when the file has no such records. Numbers in brackets are
// the export ordinals by which callers know some calls.
#include <cstdint>
#include <cstdio>
#include "holbrin/holbrin.h"

#define POMSEL_API extern "C" __attribute__((visibility("default")))

#pragma pack(push, 1)
// "MSMethodSegments": one acquisition segment of the MS method.
struct DF_METHOD_SEGMENT {
  uint16_t number;         // 1-based
  double startTime;        // minutes
  double endTime;
  uint16_t scanFunctionCount;
  uint16_t dataKind;       // 0 profile, 1 centroid
  char ionisation[16];     // "EI+", "CI+" ...
  char description[64];
  double scanTime;         // seconds per scan
  double interScanDelay;   // seconds
  double lowMass;
  double highMass;
  uint8_t reserved[16];
};
static_assert(sizeof(DF_METHOD_SEGMENT) == 150);

// "ModuleAttributes": a named setting of the MS module.
struct DF_MODULE_ATTRIBUTE {
  char group[32];
  char name[32];
  char value[64];
};
static_assert(sizeof(DF_MODULE_ATTRIBUTE) == 128);

// "EventLog": one event of the acquisition.
struct DF_EVENT_LOG_ENTRY {
  int32_t time;     // 1/10000 minute from injection
  uint16_t kind;    // 0 information, 1 warning, 2 error
  char text[58];
};
static_assert(sizeof(DF_EVENT_LOG_ENTRY) == 64);

// "ScanFunctions": one scan function of a segment (92 bytes).
struct DF_SCAN_FUNCTION {
  uint16_t segment;   // 1-based
  uint16_t channel;   // 1-based
  char shortName[24];
  char longName[64];
};
static_assert(sizeof(DF_SCAN_FUNCTION) == 92);
// GetScanFunctionList's block: a count, then the records.
struct DF_SCAN_FUNCTION_LIST {
  int32_t count;
  DF_SCAN_FUNCTION items[1];
};

// "HalfHeights": peak width at half height of a segment's scan function.
struct DF_HALF_HEIGHT {
  uint16_t segment;        // 1-based
  uint16_t scanFunction;   // 0-based
  uint16_t kind;           // 1 fixed width, 2 width proportional to mass
  uint32_t width;          // 1/1000 mass unit
  uint16_t referenceMass;  // mass at which width applies (kind 2)
  uint32_t resolution;     // m / Δm at the reference mass
};
static_assert(sizeof(DF_HALF_HEIGHT) == 16);

// Centroid parameters of a segment (74 bytes).
struct DF_CENTROID_PARAMS {
  uint16_t segment;        // 1-based
  uint16_t channel;        // 1-based
  double peakWidth;        // mass units at half height
  double threshold;        // counts
  double massOffset;
  double minimumWidth;
  double maximumWidth;
  uint16_t smoothingPoints;
  uint16_t method;         // 0 area centre, 1 apex
  int16_t sampling;        // points per mass unit
  uint8_t reserved[24];
};
static_assert(sizeof(DF_CENTROID_PARAMS) == 74);

// "SegmentDataKinds": the data kind of a segment as last set.
struct DF_SEGMENT_KIND {
  uint16_t instrument;
  uint16_t format;
  uint16_t segment;  // 1-based
  uint16_t mode;     // 0 profile, 1 centroid
};
static_assert(sizeof(DF_SEGMENT_KIND) == 8);

// "InjectionInfo": the autosampler's facts of the injection.
struct DF_INJECTION_INFO {
  char rack[20];
  uint16_t vial;
  uint16_t injection;
  char sampleName[64];
  char sampleId[20];
  int32_t injectionTime;   // date and time (seconds)
  float volume;            // microlitres
  char tray[20];
  uint8_t reserved[24];
};
static_assert(sizeof(DF_INJECTION_INFO) == 160);

// "AirFlow": the air flow scaling factor of an air-sampling run.
struct DF_AIR_FLOW {
  float factor;
  float flow;      // litres per minute
  float minutes;   // sampling time
};
static_assert(sizeof(DF_AIR_FLOW) == 12);
#pragma pack(pop)

// ---- Names ----------------------------------------------------------------------
POMSEL_API BOOL BuildDataSectionName(char* buffer, const char* baseName, uint16_t moduleId,
                                     uint16_t moduleAddress, const char* tag);  // [460]

// ---- Texts (module address before module id, as the callers pass them) ----
POMSEL_API BOOL WriteMethodSegmentText(FILE* stream, const char* path, uint16_t moduleAddress,
                                       uint16_t moduleId, int16_t detail, int16_t headings);  // [116]
POMSEL_API BOOL WriteMethodSegmentLogText(FILE* stream, const char* path, uint16_t moduleAddress,
                                          uint16_t moduleId, int16_t segment, int16_t detail,
                                          int16_t headings);  // [117]
POMSEL_API BOOL WriteModuleAttributesText(FILE* stream, const char* path, uint16_t moduleAddress,
                                          uint16_t moduleId);  // [99]
POMSEL_API BOOL WriteModuleAttributesTextEx(FILE* stream, const char* path, uint16_t moduleAddress,
                                            uint16_t moduleId);  // [98] grouped
POMSEL_API BOOL WriteEventLogText(FILE* stream, const char* path, uint16_t moduleAddress,
                                  uint16_t moduleId);  // [113]
POMSEL_API BOOL WriteSamplePrepText(FILE* stream, const char* path);  // [30]
POMSEL_API BOOL Pomsel_WriteSegmentText(FILE* stream, const char* path, uint16_t moduleAddress,
                                        uint16_t moduleId, int16_t segment);
POMSEL_API BOOL DF_WriteModuleAttributesText(FILE* stream, const char* path, uint16_t moduleAddress,
                                             uint16_t moduleId);
POMSEL_API BOOL DF_WriteEventLogText(FILE* stream, const char* path, uint16_t moduleAddress,
                                     uint16_t moduleId);
POMSEL_API BOOL DF_WriteSamplePrepText(FILE* stream, const char* path);
POMSEL_API BOOL DF_WriteSegmentMethodText(FILE* stream, const char* path, uint16_t moduleAddress,
                                          uint16_t moduleId, int16_t segment);

// ---- Notes of a method file (plain section "Notes") ------------------------------------
POMSEL_API int32_t GetNotesLength(const char* methodPath);  // [7] 0 = none
POMSEL_API BOOL ReadNotes(const char* methodPath, char* buffer, int32_t length);  // [6]
POMSEL_API BOOL WriteNotes(const char* methodPath, const char* text);

// ---- Record writers (acquisition side, tests) -------------------------------------------
// Replace the module's whole table of that kind with count records.
POMSEL_API BOOL WriteMethodSegments(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                    const DF_METHOD_SEGMENT* segments, int32_t count);
POMSEL_API BOOL WriteModuleAttributes(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                      const DF_MODULE_ATTRIBUTE* items, int32_t count);
POMSEL_API BOOL WriteEventLog(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                              const DF_EVENT_LOG_ENTRY* items, int32_t count);
POMSEL_API BOOL WriteScanFunctions(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                   const DF_SCAN_FUNCTION* items, int32_t count);
POMSEL_API BOOL WriteHalfHeights(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                 const DF_HALF_HEIGHT* items, int32_t count);
POMSEL_API BOOL WriteCentroidParams(const char* path, const DF_CENTROID_PARAMS* items, int32_t count);
POMSEL_API BOOL WriteSamplePrep(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                const char* text);
POMSEL_API BOOL DF_WriteInjectionInfo(const char* path, const DF_INJECTION_INFO* info);
POMSEL_API BOOL WriteAirFlow(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                             const DF_AIR_FLOW* record);

// ---- Readers ---------------------------------------------------------------------------
// Scan functions of the module, a block freed with FreeScanFunctionList; 0
// when the file has none.
POMSEL_API DF_SCAN_FUNCTION_LIST* GetScanFunctionList(const char* path, uint16_t moduleId,
                                                      uint16_t moduleAddress);
POMSEL_API void FreeScanFunctionList(DF_SCAN_FUNCTION_LIST* list);
// Half-height values of a segment's scan function; 0 when none are stored.
POMSEL_API BOOL GetHalfHeightInfo(const char* path, uint16_t moduleAddress, uint16_t moduleId,
                                  uint16_t segment, uint16_t scanFunction, uint16_t* kind,
                                  uint32_t* width, uint16_t* referenceMass, uint32_t* resolution);
// [53] Centroid parameters of a segment (1-based) and channel (0: first of
// the segment) into a 74-byte record.
POMSEL_API BOOL ReadCentroidParams(const char* path, uint16_t segment, uint16_t channel,
                                   DF_CENTROID_PARAMS* params);
// [57] Records the data kind of a segment (1-based) of the target file.
POMSEL_API BOOL SetSegmentDataKind(const char* path, uint16_t instrument, uint16_t format,
                                   uint16_t segment, uint16_t mode);
// Mode last set for the segment; -1 when none.
POMSEL_API int32_t GetSegmentDataKind(const char* path, uint16_t segment);
POMSEL_API BOOL DF_GetInjectionInfo(const char* path, DF_INJECTION_INFO* info);
POMSEL_API BOOL DF_GetAirFlowScaleFactor(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                         float* factor);

// ---- MS global parameters (the module's "GlobalParams" table) -------------------
POMSEL_API HDHTABLE DF_MSOpenGlobalParams(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                          const char* tag);
POMSEL_API BOOL DF_MSReadGlobalParams(HDHTABLE table, STRUCT_DH_GLOBAL_PARAMS* record);
POMSEL_API HDHTABLE DF_MSCreateGlobalParams(const char* path, uint16_t moduleId,
                                            uint16_t moduleAddress, const char* tag);
POMSEL_API BOOL DF_MSWriteGlobalParams(HDHTABLE table, const STRUCT_DH_GLOBAL_PARAMS* record);

// ---- The data file's record of its last processing ("RecalcLog") -----------------
POMSEL_API HDHTABLE DF_OpenDataFileRecord(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                          const char* tag);
// The latest entry (method path at 395, date at 2, notes at 915).
POMSEL_API BOOL DF_ReadDataFileRecord(HDHTABLE record, STRUCT_RECALC_ENTRY* entry);

// ---- Library-search hits of TIC peaks ("MSTICs:h4") ------------------------------
// A hit record: 719 bytes of facts (compound name at 40, entry number at 427,
// library name at 437, ion count i16 at 717), then the ions, 6 bytes each
// (u16 mass, u32 abundance).
#define DF_TIC_HIT_HEAD 719
#define DF_TIC_PEAK_HEAD 58
POMSEL_API HSECTION OpenTicSection(const char* path);
// Hit hitIndex of TIC peak ticNumber (0-based, chain order), as a block the
// caller frees with FreeBlock; 0 when absent or damaged.
POMSEL_API void* ReadTicRecord(HSECTION section, int16_t ticNumber, int16_t hitIndex);
