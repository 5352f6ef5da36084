#pragma once
// The event-mark log of a data file: the system events an acquisition
// marked (a valve switched, a run started), each with its time and a short
// text. A module's log is the section "EventMarkLog.<id>.<address>.<tag>"
// of the data file (id, address and tag number as four hexadecimal
// digits): an 8-byte head ("EML1", the u32 step count), then one 44-byte
// step per mark. Read handles are Orvik32 sections, closed with CloseSection.
#include <cstdint>

#include "orvik32/orvik32.h"

#define PELMAR_API extern "C" __attribute__((visibility("default")))

#define EVENT_MARK_LOG_STEM "EventMarkLog"
#define EVENT_MARK_TEXT_SIZE 40

#pragma pack(push, 1)
struct EVENT_MARK_LOG_STEP {
  float time;                       // minutes
  char text[EVENT_MARK_TEXT_SIZE];  // zero-terminated
};
#pragma pack(pop)
static_assert(sizeof(EVENT_MARK_LOG_STEP) == 44);

// The section name of a log into name (at least 64 bytes); the tag is the
// tag number as decimal text (0..65535). 0 for a bad tag.
PELMAR_API BOOL BuildEventMarkLogName(char* name, uint16_t moduleId, uint16_t moduleAddress, const char* tag);
// workFile: a path, or a work-file record (which begins with its path).
// 0 when the file has no such log.
PELMAR_API HSECTION OpenEventMarkLogReadOnly(const void* workFile, uint16_t moduleId, uint16_t moduleAddress,
                                             const char* tag);
// The number of steps; -1 for a damaged log or a handle that is none.
PELMAR_API int32_t CountEventMarkLogSteps(HSECTION log);
// count steps from step first into buffer (count x 44 bytes); 0 when they are not all there.
PELMAR_API BOOL ReadEventMarkLogStep(HSECTION log, int32_t first, void* buffer, int32_t count);
// Writes (replacing) a module's whole log.
PELMAR_API BOOL WriteEventMarkLog(const char* path, uint16_t moduleId, uint16_t moduleAddress, const char* tag,
                                  const EVENT_MARK_LOG_STEP* steps, int32_t count);
