#pragma once
// Short descriptions of a data file: one line per file, per segment, per
// scan function or channel, as the XMS, MS-data or log description of the
// work file's kind gives them; and the section-to-file copy the log
// readers use.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

// Longest segment or file line the description calls write (the buffers
// of their callers hold 100 characters and a NUL).
#define KELT_DESCRIPTION_LINE_MAX 100

// The segment's line into buffer (at least 101 bytes); 1 when one was made.
KELT_API BOOL KELT_GetOneTextLineForSegment(STRUCT_WORK_FILE* workFile, int16_t segment, char* buffer);
// The file's line, cut to length - 1 characters; 1 when not empty.
KELT_API BOOL KELT_GetOneTextLineForDataFile(STRUCT_WORK_FILE* workFile, char* buffer, int16_t length);
// All lines as one AllocBlock text (freed with FreeBlock), or null; lines
// of the XMS and log descriptions end with "\n\r".
KELT_API char* KELT_GetAllTextLinesForDataFile(STRUCT_WORK_FILE* workFile, int16_t* lineCount, int32_t* byteLength);
// Copies the line at *position (up to a CR LF or LF CR pair, or the end)
// into line, tabs as four blanks and other control characters dropped,
// and moves *position past it; 1 when the line is not empty. The line
// buffer takes at most KELT_TEXT_LINE_MAX characters and a NUL; a longer
// line is cut (its rest is skipped).
#define KELT_TEXT_LINE_MAX 1023
KELT_API BOOL KELT_GetNextLineFromTextFile(const char* text, int32_t* position, int32_t textLength, char* line);
// The bounded form: line holds lineSize bytes.
KELT_API BOOL KELT_GetNextLineFromTextFileEx(const char* text, int32_t* position, int32_t textLength, char* line,
                                             int32_t lineSize);
// The whole section written byte for byte to a new file at outPath; 1 when
// all of it was read and written (an empty or missing section gives 0).
KELT_API BOOL KELT_CopySectionToTextFile(const char* outPath, const char* dataPath, const char* sectionName);
