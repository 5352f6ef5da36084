#pragma once
// One compound integrated on its own: its private time events (clipped into
// its retention window, kept in a temporary "TimeEvents" table tagged "~1"
// while a host edits them), the one-compound method built from its record,
// its window limits and the "InternalStandard" section of a compound run.
#include <cstdint>

#include "holbrin/dh_records.h"
#include "orvik32/orvik32.h"
#include "quant/morvex_export.h"
#include "win/win_types.h"

#define TEMP_TIME_EVENT_TAG "~1"
#define INTERNAL_STANDARD_SECTION "InternalStandard"
#define INTERNAL_STANDARD_RECORD_SIZE 60
#define ONE_COMPOUND_METHOD_TYPE 666

#pragma pack(push, 1)
// Retention-time window of a compound, minutes.
struct CMPD_WINDOW_LIMITS {
  double centre;
  double low, high;              // centre -/+ window
  double secondLow, secondHigh;  // centre -/+ second (wider) window
};
#pragma pack(pop)
static_assert(sizeof(CMPD_WINDOW_LIMITS) == 40);

// Range events run from their start to their end; the others sit at a time
// and carry a value.
bool IsRangeTimeEvent(int16_t kind);
// The compound's time-event count, bounded by the ten slots of its record.
int CompoundTimeEventCount(const STRUCT_DH_COMPOUND& compound);

// 1 with the first force (kind 3) or group (kind 5) window of the compound
// holding the time (ends included) copied into item; item cleared first.
MORVEX_API BOOL MORVEX_IsForceOrGroupCmpd(const STRUCT_DH_COMPOUND* compound, double time, DH_TIME_EVENT* item);
// The same test over a method's time-event table; 0 without a table.
MORVEX_API BOOL IsForceOrGroupInTable(const char* file, uint16_t moduleId, uint16_t moduleAddress, const char* tag,
                           double time, DH_TIME_EVENT* item);

MORVEX_API BOOL MORVEX_CreateTempTESection(const char* file, uint16_t moduleId, uint16_t moduleAddress);
MORVEX_API BOOL MORVEX_AddTempTESection(const char* file, uint16_t moduleId, uint16_t moduleAddress,
                                        const STRUCT_DH_COMPOUND* compound);
MORVEX_API BOOL MORVEX_ClearTempTESection(const char* file, const char* sectionName);
// An absent table counts as deleted.
MORVEX_API BOOL MORVEX_DeleteTempTESection(const char* file, uint16_t moduleId, uint16_t moduleAddress);
// Writes the compound's events that fall in its window (kind-0 values / 5,
// at least 1); returns how many were written, 0 also for bad arguments.
MORVEX_API int32_t MORVEX_CopyCmpdTEToTESection(HSECTION section, const STRUCT_DH_COMPOUND* compound);
// Reads at most ten items back into the compound (kind-0 values x 5).
MORVEX_API BOOL MORVEX_CopyTESectionToCmpdTE(HSECTION section, STRUCT_DH_COMPOUND* compound);
MORVEX_API BOOL MORVEX_WrapCopyCmpdTEToTESection(const char* file, const char* sectionName,
                                                 const STRUCT_DH_COMPOUND* compound);
MORVEX_API BOOL MORVEX_WrapCopyTESectionToCmpdTE(const char* file, const char* sectionName,
                                                 STRUCT_DH_COMPOUND* compound);

// Builds a one-compound method in a new temporary file ("MTH" prefix, type
// 666) whose path goes to tempPath (260 bytes): the compound as record 0,
// the global parameters with the compound's integration settings written
// into their quantitation block (the caller's record is changed), the
// compound's time events plus one peak-width event, and a calibration log.
// Always 1; the caller checks the tables it opens and deletes the file.
MORVEX_API BOOL CreateCompoundMethod(STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound,
                                     char* tempPath, uint16_t moduleId, uint16_t moduleAddress, const char* tag);
// The two halves of CreateCompoundMethod, for a caller that reuses one
// file for many compounds: make the empty method file at path; fill a
// method file with one compound's method, in one commit, in place of every
// section it held, with the "CalibrationLog" and "GlobalParams" tables of
// tablesFrom (when given) copied over its own. 0 on failure.
BOOL MakeCompoundMethodFile(const char* path);
BOOL FillCompoundMethod(const char* path, STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound,
                        uint16_t moduleId, uint16_t moduleAddress, const char* tag, const char* tablesFrom);
// The quantitation block a one-compound method gives the engine: the
// compound's integration settings over the method's.
void SetCompoundQuantBlock(STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound);
// The time-event table of a one-compound method: the compound's events
// inside its window, clipped to it, and the peak-width event, in time
// order. events holds COMPOUND_METHOD_EVENTS; returns how many it got.
#define COMPOUND_METHOD_EVENTS 11
MORVEX_API int32_t CompoundMethodEvents(const STRUCT_DH_COMPOUND* compound, DH_TIME_EVENT* events);
// The one-compound method FillCompoundMethod would write to a file, kept in
// memory for the engine under path instead (global changed alike); ended
// with EndDHMethodInMemory. 0 for bad arguments.
void* BeginCompoundMethodInMemory(const char* path, STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound,
                                  uint16_t moduleId, uint16_t moduleAddress, const char* tag, const char* tablesFrom);
// Deletes every section of a sectioned file (inside the caller's batch, if
// one is open). 0 when the file cannot be listed or a deletion fails.
BOOL ClearSections(const char* path);
MORVEX_API BOOL MORVEX_GetCmpdWindowLimits(const STRUCT_DH_COMPOUND* compound, CMPD_WINDOW_LIMITS* limits);
// Writes "InternalStandard": the 60-byte record, then the compound record.
// 1 only when both are written whole.
MORVEX_API BOOL WriteInternalStandardSection(const char* file, const void* record60, const STRUCT_DH_COMPOUND* compound);
// A unique temporary file name with a three-letter prefix, 0 on failure.
MORVEX_API BOOL MakeTempFileName(const char* prefix, char* path260);
