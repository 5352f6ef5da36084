#pragma once
// The work-file record: the in-memory handle of one opened data file (an
// MS data file, a raw MS file or a detector file), and the exports that
// make, copy and free it.
//
// The record holds pointers, so it lives only in memory and its byte
// offsets are those of this build; the blocks it embeds (information block,
// detector header, raw header, type descriptor) keep their stored layouts.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "jessul32/jessul32.h"  // STRUCT_FILE_BC, the background-correction record
#include "quorna/quorna.h"

#define WORK_FILE_PATH_SIZE 260
#define WORK_FILE_DISPLAY_NAME_SIZE 256
#define WORK_FILE_DETECTOR_HEADER_SIZE 90
#define WORK_FILE_TYPE_DESCRIPTOR_SIZE 42
#define WORK_FILE_DESCRIPTION_SIZE 65
#define WORK_FILE_SAMPLE_NAME_SIZE 61
#define WORK_FILE_OPERATOR_SIZE 21
// A live file gets room for at least this many segment blocks.
#define WORK_FILE_LIVE_SEGMENTS 250

// Section "Detector" of a detector file: a 264-byte head, then one
// 128-byte record per channel.
#define DETECTOR_SECTION_HEAD_SIZE 264
#define DETECTOR_CHANNEL_RECORD_SIZE 128
#define DETECTOR_TEXT_SIZE 20
// Time tags of time-tagged detector data count 1/600,000 minute.
#define DETECTOR_TAG_UNITS_PER_MINUTE 600000.0

#pragma pack(push, 1)

// The first 90 bytes of section "Detector", kept whole in the work file.
struct STRUCT_DETECTOR_HEADER {
  uint8_t reserved0[6];
  uint16_t channelCount;     // 6
  uint8_t reserved8[22];
  uint16_t alreadyScaled;    // 30: nonzero when stored values are scaled floats
  uint16_t bunch;            // 32
  float scanRateHz;          // 34
  float startTime;           // 38: minutes
  float endTime;             // 42: minutes
  char detectorName[40];     // 46
  uint32_t acquisitionTime;  // 86: seconds since 1970
};

// One 128-byte channel record of section "Detector" (from byte 264).
struct STRUCT_DETECTOR_CHANNEL_RECORD {
  uint8_t reserved0[20];
  float divisor;             // 20: integer values are divided by it
  uint8_t reserved24[24];
  char name[DETECTOR_TEXT_SIZE];   // 48
  char label[DETECTOR_TEXT_SIZE];  // 68: empty: the name is shown
  char xUnit[DETECTOR_TEXT_SIZE];  // 88
  char yUnit[DETECTOR_TEXT_SIZE];  // 108
};

// One channel of the channel table.
struct STRUCT_DETECTOR_CHANNEL {
  char name[DETECTOR_TEXT_SIZE];
  char label[DETECTOR_TEXT_SIZE];
  char xUnit[DETECTOR_TEXT_SIZE];
  char yUnit[DETECTOR_TEXT_SIZE];
};

// Channel table of a detector file: one block holding the head and
// channelCount entries (reach them with DetectorChannelAt); the divisors
// are a block of their own.
struct STRUCT_CHANNEL_TABLE {
  uint16_t channelCount;
  float* divisors;          // channelCount scale divisors
  uint16_t sameYUnit;       // 1 when every channel has channel 0's y unit
  uint16_t sameXUnit;       // 1 when every channel has channel 0's x unit
  STRUCT_DETECTOR_CHANNEL channels[1];  // channelCount entries
};

struct STRUCT_WORK_FILE {
  char filePath[WORK_FILE_PATH_SIZE];            // first: the record serves as a path
  char displayName[WORK_FILE_DISPLAY_NAME_SIZE];
  double startTime;                              // minutes
  double endTime;
  uint16_t month, day, year, hour, minute, second;  // year since 1900
  uint32_t acquisitionTime;                      // seconds since 1970 (MS data files)
  int16_t directHeader;                          // raw MS file
  int16_t sectioned;
  int16_t centroid;
  int16_t profile;
  int16_t type61;
  int16_t xms;
  int16_t amdis;
  int16_t timeTagged;
  int16_t live;
  int16_t freeze;                                // set by hosts; never by the makers
  int16_t hasLog;
  int16_t kind13;                                // some segment's first function has kind 13
  int16_t allKind13;                             // every segment's first function has kind 13
  uint16_t fileFormatWord;                       // bytes 2-3 of a sectioned file
  uint32_t pointCount;                           // detector files
  uint16_t recordSize;                           // detector files: 4 x channels + 4
  double samplingInterval;                       // detector files: minutes
  STRUCT_DETECTOR_HEADER detectorHeader;
  STRUCT_CHANNEL_TABLE* channelTable;            // detector files, unless header only
  uint16_t fileType;                             // module id
  uint16_t module;                               // module address
  uint32_t scanCount;                            // MS kinds
  MS_INFO_BLOCK msInfo;
  uint32_t scanBufferSize;
  MS_SEGMENT_BLOCK* segmentBlocks;               // msInfo.segmentCount blocks, or 0
  int16_t mostScanFunctions;
  int16_t largestFirstFunctionWord;
  uint8_t typeDescriptor[WORK_FILE_TYPE_DESCRIPTOR_SIZE];  // DH_FILE_TYPE_DESCRIPTOR
  int16_t hasDescriptions;                       // some scan function has a description
  uint8_t rawHeader[MS_RAW_HEADER_SIZE];         // MS_RAW_HEADER of a raw MS file
  uint32_t rawHeaderLongs[3];                    // raw header longs at 200, 204, 246
  char description[WORK_FILE_DESCRIPTION_SIZE];
  uint8_t reserved[16];
  char sampleName[WORK_FILE_SAMPLE_NAME_SIZE];
  char operatorName[WORK_FILE_OPERATOR_SIZE];
  uint16_t serialNumber;
  // Set by hosts: the plot's preferences and background correction may not
  // be edited; the file's data may be searched.
  int16_t editBlock;
  int16_t searchData;
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_DETECTOR_HEADER) == WORK_FILE_DETECTOR_HEADER_SIZE);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, channelCount) == 6);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, alreadyScaled) == 30);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, bunch) == 32);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, scanRateHz) == 34);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, startTime) == 38);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, endTime) == 42);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, detectorName) == 46);
static_assert(offsetof(STRUCT_DETECTOR_HEADER, acquisitionTime) == 86);
static_assert(sizeof(STRUCT_DETECTOR_CHANNEL_RECORD) == DETECTOR_CHANNEL_RECORD_SIZE);
static_assert(offsetof(STRUCT_DETECTOR_CHANNEL_RECORD, divisor) == 20);
static_assert(offsetof(STRUCT_DETECTOR_CHANNEL_RECORD, name) == 48);
static_assert(offsetof(STRUCT_DETECTOR_CHANNEL_RECORD, label) == 68);
static_assert(offsetof(STRUCT_DETECTOR_CHANNEL_RECORD, xUnit) == 88);
static_assert(offsetof(STRUCT_DETECTOR_CHANNEL_RECORD, yUnit) == 108);
static_assert(sizeof(STRUCT_DETECTOR_CHANNEL) == 80);

// Entry i of a channel table (no bounds check; i < channelCount).
inline STRUCT_DETECTOR_CHANNEL* DetectorChannelAt(STRUCT_CHANNEL_TABLE* table, int i) {
  return reinterpret_cast<STRUCT_DETECTOR_CHANNEL*>(reinterpret_cast<uint8_t*>(table) +
                                                    offsetof(STRUCT_CHANNEL_TABLE, channels) +
                                                    sizeof(STRUCT_DETECTOR_CHANNEL) * static_cast<size_t>(i));
}
inline const STRUCT_DETECTOR_CHANNEL* DetectorChannelAt(const STRUCT_CHANNEL_TABLE* table, int i) {
  return DetectorChannelAt(const_cast<STRUCT_CHANNEL_TABLE*>(table), i);
}
// Bytes of a channel table block for n channels.
inline size_t ChannelTableBytes(int n) {
  return offsetof(STRUCT_CHANNEL_TABLE, channels) + sizeof(STRUCT_DETECTOR_CHANNEL) * static_cast<size_t>(n);
}

// True for the kinds whose data are MS scans (raw MS file, centroid or
// profile MS data).
inline bool IsMSKind(const STRUCT_WORK_FILE* wf) {
  return wf && (wf->directHeader || wf->centroid || wf->profile);
}
// Segment count of an MS kind (0 for detector files).
inline int WorkFileSegmentCount(const STRUCT_WORK_FILE* wf) {
  return IsMSKind(wf) ? wf->msInfo.segmentCount : 0;
}
// Segment block i (0-based), or 0 when the record has none or i is out of range.
inline const MS_SEGMENT_BLOCK* WorkFileSegment(const STRUCT_WORK_FILE* wf, int i) {
  if (!wf || !wf->segmentBlocks || i < 0 || i >= WorkFileSegmentCount(wf)) return nullptr;
  return &wf->segmentBlocks[i];
}

// New record of a data file, or 0. A nonzero headerOnly skips the channel
// table and the segment blocks (a live MS file always gets them).
KELT_API STRUCT_WORK_FILE* MakeWorkFileStruct(const char* path, int16_t headerOnly);
// As MakeWorkFileStruct, with the display name made from displaySource.
KELT_API STRUCT_WORK_FILE* MakeWorkFileStructEx(const char* path, const char* displaySource, int16_t headerOnly);
// Deep copy with a serial number of its own, or 0.
KELT_API STRUCT_WORK_FILE* CopyWorkFileStruct(const STRUCT_WORK_FILE* workFile);
// Frees the record and what it owns; accepts 0.
KELT_API void FreeWorkFileStruct(STRUCT_WORK_FILE* workFile);
// Nonzero when the file's first 256 bytes pass the raw MS header test; the
// bytes are copied to header (256 bytes) only then.
KELT_API int32_t ReadRawMSFileHeader(const char* path, void* header);
// Background correction with one background range at each of the two
// times; freed by the caller with FreeBackCorr. 0 on failure.
KELT_API STRUCT_FILE_BC* KELT_MakeFileBCFromTwoTimes(const STRUCT_WORK_FILE* workFile, double time1, double time2);
