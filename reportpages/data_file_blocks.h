#pragma once
// Blocks that describe the data file a report comes from, written through
// a report output at its current line: the file header, the data file's
// logs, the acquisition segment list, a chromatogram plot and a segment
// bar in a page rectangle. Each does nothing and returns 0 when the
// output has failed, unless said otherwise.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "common/log_text_files.h"
#include "win/win_types.h"

class CReportOutput;
struct STRUCT_WORK_FILE;
struct SVW_OVERLAY;

// A section title: the underlined font on a page, a blank line, the title
// and a blank line in a text file; the report's line advances past it. The
// flag is kept for the callers' sake.
KELT_API void RPTS_WriteSectionTitle(CReportOutput* out, int16_t column, int16_t flag, const char* title);

// "File:", sample and operator, scan and time range with the date, and the
// sample notes when there are any, in the normal font; always 1.
KELT_API BOOL RPTS_WriteFileHeader(CReportOutput* out, STRUCT_WORK_FILE* workFile, int16_t labelColumn);
// The data file's log as KELT_GetDataFileLog writes it for the options;
// with their headings flag set the first three lines are bold. 1, or 0
// when no temporary file could be named.
KELT_API BOOL RPTS_WriteDataFileLog(CReportOutput* out, STRUCT_WORK_FILE* workFile,
                                    const KELT_DataFileLogOptions* options);
// The text log of MakeKMSTextLogFile with its ten selection values.
KELT_API BOOL RPTS_WriteTextLog(CReportOutput* out, STRUCT_WORK_FILE* workFile, int16_t attributes,
                                int16_t attributesEx, int16_t eventLog, int16_t methodSegments, int16_t segmentIndex,
                                int16_t segFlagA, int16_t segFlagB, int16_t segFlagC, int16_t moduleMethods,
                                int16_t revisionLog);
// The MS log sections asked for, then the revision log; returns Ok.
KELT_API BOOL RPTS_WriteMSLog(CReportOutput* out, STRUCT_WORK_FILE* workFile, int16_t userLog, int16_t fileNames,
                              int16_t setPoints, int16_t gc, int16_t segmentMode, int16_t segmentIndex, int16_t tune,
                              int16_t ipm, int16_t revisionLog, int16_t labelColumn);
// "Acquisition Segment Information" and one line per segment; the title
// repeats at the top of each page the list runs onto. Returns Ok.
KELT_API BOOL RPTS_WriteAcqSegmentInfo(CReportOutput* out, STRUCT_WORK_FILE* workFile, int16_t column);
// The overlay drawn in the rectangle from the current line, height lines
// tall, between the columns; the report's line moves below it.
KELT_API BOOL RPTS_DrawChromatogramBlock(CReportOutput* out, SVW_OVERLAY* overlay, int32_t unused, int16_t left,
                                         int16_t right, int16_t height);
// The work file's segment bar for start..end minutes in the rectangle from
// line, height lines tall; the report's line moves two below it.
KELT_API BOOL RPTS_DrawSegmentInfoBlock(CReportOutput* out, STRUCT_WORK_FILE* workFile, double start, double end,
                                        int16_t left, int16_t right, int16_t line, int16_t xOffset, int16_t height);

namespace kelt::pages {
// True while the report may go on drawing: its output has not failed and
// the report was not cancelled (a cancel clears the output's Ok, as every
// write does).
KELT_CLASS bool ReportLive(CReportOutput* out);
// The body lines of a text file's bytes: read in pieces of at most 99
// characters (a line or the part of one that fits), each split at CR LF
// (and, with lfcr, at LF CR); tabs become four blanks and other characters
// below 32 go; an empty part becomes two blanks. The part after a piece's
// last line end is not a line.
KELT_CLASS std::vector<std::string> TextFileLines(const char* bytes, size_t size, bool lfcr);
// The lines of the MS log's 64-byte records (text from the third byte, 60
// characters) as the MS log block writes them: runs of blank lines as one,
// none before the first line, "End" records blank. indent is 0 for a
// heading (a line after a blank one), else 2; in the user log only the
// first heading keeps 0. lastBlank carries over between blocks.
struct LogLine {
  std::string text;
  int indent;
};
KELT_CLASS std::vector<LogLine> LogRecordLines(const uint8_t* records, size_t count, bool userLog, bool* lastBlank);
}  // namespace kelt::pages
