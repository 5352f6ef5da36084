// The file header of a plot page: the data file, its sample, operator,
// scan and time range, date and sample notes, written straight onto a page
// of the page maker at a column and line.
#include <cstdio>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/work_file.h"
#include "reportpages/page_maker.h"
#include "reportpages/single_file_header.h"

namespace {
// Zero-terminated copy of a fixed-width field that may fill its width.
template <size_t N>
void FieldText(const char (&field)[N], char* out) {
  size_t n = 0;
  while (n < N && field[n]) ++n;
  for (size_t i = 0; i < n; ++i) out[i] = field[i];
  out[n] = 0;
}
}  // namespace

int16_t MPM_AddSingleFileHeader(CMPage* page, int16_t line, int16_t column, const STRUCT_WORK_FILE* workFile,
                                const char* displayName, int16_t shortHeader) {
  if (!page || !workFile) return line;
  char path[WORK_FILE_PATH_SIZE + 1];
  FieldText(workFile->filePath, path);
  if (!path[0]) return line;
  int16_t cw = 0, ch = 0;
  MPM_SelectNormalFont(page, &cw, &ch);

  const char* name = displayName && displayName[0] ? displayName : path;
  int16_t room = static_cast<int16_t>(page->m_Columns - 10);
  if (room < 4) room = 4;
  if (room > 259) room = 259;
  char shortName[260] = {};
  KELT_TruncateFileString(name, room, shortName);
  char text[400];
  std::snprintf(text, sizeof text, "File: %s", shortName);
  MPM_CLTextOut(page, column, line, text);
  if (shortHeader) return static_cast<int16_t>(line + 1);

  char sample[WORK_FILE_SAMPLE_NAME_SIZE + 1], op[WORK_FILE_OPERATOR_SIZE + 1], notes[WORK_FILE_DESCRIPTION_SIZE + 1];
  FieldText(workFile->sampleName, sample);
  FieldText(workFile->operatorName, op);
  FieldText(workFile->description, notes);
  std::snprintf(text, sizeof text, "Sample: %-34.34s", sample);
  MPM_CLTextOut(page, column, static_cast<int16_t>(line + 1), text);
  std::snprintf(text, sizeof text, "Operator: %s", op);
  MPM_CLTextOut(page, static_cast<int16_t>(column + 44), static_cast<int16_t>(line + 1), text);

  long first = 0, last = 0;
  if (workFile->scanCount) {
    first = static_cast<long>(workFile->msInfo.firstScan);
    last = static_cast<long>(workFile->msInfo.lastScan);
  } else if (workFile->pointCount) {
    first = 1;
    last = static_cast<long>(workFile->pointCount);
  }
  std::snprintf(text, sizeof text, "Scan Range: %ld - %ld Time Range: %.2f - %.2f min.", first, last,
                workFile->startTime, workFile->endTime);
  MPM_CLTextOut(page, column, static_cast<int16_t>(line + 2), text);
  char date[32] = {}, time[32] = {};
  KELT_FormatDateTime(static_cast<int16_t>(workFile->month), static_cast<int16_t>(workFile->day),
                      static_cast<int16_t>(workFile->year), static_cast<int16_t>(workFile->hour),
                      static_cast<int16_t>(workFile->minute), date, time);
  std::snprintf(text, sizeof text, "Date: %s %s", date, time);
  MPM_CLTextOut(page, static_cast<int16_t>(column + 44), static_cast<int16_t>(line + 2), text);

  if (!notes[0]) return static_cast<int16_t>(line + 3);
  std::snprintf(text, sizeof text, page->m_Columns > 100 ? "Sample Notes: %-124.124s" : "Sample Notes: %-64.64s",
                notes);
  MPM_CLTextOut(page, column, static_cast<int16_t>(line + 3), text);
  return static_cast<int16_t>(line + 4);
}
