// The data file's header on a page-maker page.
#include "reportpages/single_file_header.h"

#include <cstdio>
#include <cstring>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/work_file.h"
#include "reportpages/page_maker.h"

int16_t MPM_AddSingleFileHeader(CMPage* page, int16_t line, int16_t column, const STRUCT_WORK_FILE* wf,
                                const char* displayName, int16_t shortForm) {
  if (!page || !wf || !wf->filePath[0]) return line;
  int16_t cw = 0, ch = 0;
  MPM_SelectNormalFont(page, &cw, &ch);
  const char* name = displayName && displayName[0] ? displayName : wf->filePath;
  const int16_t room = static_cast<int16_t>(page->m_Columns > 14 ? page->m_Columns - 10 : 4);
  char shortened[512] = {};
  KELT_TruncateFileString(name, room < 500 ? room : 500, shortened);
  char text[512];
  std::snprintf(text, sizeof text, "File: %s", shortened);
  MPM_CLTextOut(page, column, line, text);
  if (shortForm) return static_cast<int16_t>(line + 1);

  char sample[sizeof wf->sampleName + 1] = {}, op[sizeof wf->operatorName + 1] = {};
  std::memcpy(sample, wf->sampleName, strnlen(wf->sampleName, sizeof wf->sampleName));
  std::memcpy(op, wf->operatorName, strnlen(wf->operatorName, sizeof wf->operatorName));
  std::snprintf(text, sizeof text, "Sample: %-34.34s", sample);
  MPM_CLTextOut(page, column, static_cast<int16_t>(line + 1), text);
  std::snprintf(text, sizeof text, "Operator: %s", op);
  MPM_CLTextOut(page, static_cast<int16_t>(column + 44), static_cast<int16_t>(line + 1), text);

  std::snprintf(text, sizeof text, "Scan Range: %lu - %lu Time Range: %.2f - %.2f min.",
                static_cast<unsigned long>(wf->msInfo.firstScan), static_cast<unsigned long>(wf->msInfo.lastScan),
                wf->startTime, wf->endTime);
  MPM_CLTextOut(page, column, static_cast<int16_t>(line + 2), text);
  char date[32] = {}, time[32] = {};
  KELT_FormatDateTime(static_cast<int16_t>(wf->month), static_cast<int16_t>(wf->day), static_cast<int16_t>(wf->year),
                      static_cast<int16_t>(wf->hour), static_cast<int16_t>(wf->minute), date, time);
  std::snprintf(text, sizeof text, "Date: %s %s", date, time);
  MPM_CLTextOut(page, static_cast<int16_t>(column + 44), static_cast<int16_t>(line + 2), text);

  const size_t notes = strnlen(wf->description, sizeof wf->description);
  if (notes == 0) return static_cast<int16_t>(line + 3);
  char copy[sizeof wf->description + 1] = {};
  std::memcpy(copy, wf->description, notes);
  std::snprintf(text, sizeof text, page->m_Columns > 100 ? "Sample Notes: %-124.124s" : "Sample Notes: %-64.64s",
                copy);
  MPM_CLTextOut(page, column, static_cast<int16_t>(line + 3), text);
  return static_cast<int16_t>(line + 4);
}
