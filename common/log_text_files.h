#pragma once
// Human-readable text files about a data file: its full log, a shorter
// instrument log, and the method text files of one module.
//
// Files are written whole and then put in place; a file that ends up
// empty is removed and the call returns 0. Bytes are written as given (no
// text-mode translation): line ends are CR LF, except the headings and
// run-log lines that end in the pair LF CR as the workstation stores
// them; both pairs end a line for every reader of these files.
#include <cstdint>
#include <cstdio>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

#pragma pack(push, 1)
// Which blocks KELT_GetDataFileLog writes (300 bytes, filled by the caller).
struct KELT_DataFileLogOptions {
  int16_t headings;          // separator, heading, separator and a blank line before each block
  int16_t notesWidth;        // characters per line of notes
  int16_t segments;          // "Acquisition Segment Information"
  int16_t runLog;            // "Run Log" (first form)
  int16_t otherLogs;         // "Other Instrument Logs"
  int16_t dataHandling;      // "Data Handling"
  int16_t errorLog;          // "Error Log"
  int16_t calibrationLog;    // "Calibration Log"
  int16_t revisionLog;       // "Revision Log"
  int16_t versionLog;        // "Version Log"
  char versionLogFile[260];  // whose version log; empty: the data file's
  int16_t injectionNotes;    // 280
  int16_t recalcNotes;
  int16_t methodNotes;
  int16_t samplePrep;
  int16_t runLog2;           // "Run Log" (second form)
  int16_t moduleAttributes;
  int16_t eventLog;
  int16_t methodSegmentLog;
  int16_t segmentLine;       // add one segment's description line
  int16_t segmentIndex;      // that segment, 0-based
};
#pragma pack(pop)
static_assert(sizeof(KELT_DataFileLogOptions) == 300);

KELT_API BOOL KELT_GetDataFileLog(const char* outPath, STRUCT_WORK_FILE* workFile,
                                  const KELT_DataFileLogOptions* options);
KELT_API BOOL MakeKMSTextLogFile(const char* outPath, STRUCT_WORK_FILE* workFile, int16_t attributes,
                                 int16_t attributesEx, int16_t eventLog, int16_t methodSegments, int16_t segmentIndex,
                                 int16_t segFlagA, int16_t segFlagB, int16_t segFlagC, int16_t moduleMethods,
                                 int16_t revisionLog);
KELT_API BOOL KELT_MakeModuleMethodTextFile(const char* outPath, const char* dataPath, uint16_t moduleId,
                                            uint16_t moduleAddress);
KELT_API BOOL KELT_MakeReportsMethodTextFile(const char* outPath, const char* dataPath, uint16_t moduleId,
                                             uint16_t moduleAddress);
KELT_API BOOL KELT_MakeDataHandlingMethodTextFile(const char* outPath, const char* dataPath, int16_t globalParams,
                                                  int16_t peakTable, uint16_t moduleId, uint16_t moduleAddress);

// Writers into an open stream.
KELT_API BOOL KELT_WriteRevisionLogToTextFile(FILE* stream, const STRUCT_WORK_FILE* workFile);
// The module's information section ("ModuleInfo:B.%02d"); with check, 0
// when the data file has none.
KELT_API BOOL KELT_WriteModuleInfoToTextFile(uint16_t moduleAddress, const char* dataPath, FILE* stream,
                                             int16_t check);
// Text in lines of at most width characters (no limit below 1), each CR LF.
KELT_API void KELT_WriteTextAsLines(FILE* stream, const char* text, int16_t width);
KELT_API BOOL KELT_WriteModuleLogText(FILE* stream, const STRUCT_WORK_FILE* workFile);
KELT_API BOOL KELT_WriteRunLogText(FILE* stream, STRUCT_WORK_FILE* workFile);
KELT_API BOOL KELT_WriteTrelLogText(FILE* stream, STRUCT_WORK_FILE* workFile);
// 1000-byte AllocBlock texts the caller frees with FreeBlock, or null.
KELT_API char* KELT_GetRecordDescriptionText(const STRUCT_WORK_FILE* workFile);
KELT_API char* KELT_GetRecalcNotesText(const STRUCT_WORK_FILE* workFile);
