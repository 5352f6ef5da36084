#pragma once
// The data file's header block written straight onto a page of the page
// maker, for the plot pages of the controls.
#include <cstdint>

#include "common/kelt_export.h"
#include "reportpages/metafile_page.h"

struct STRUCT_WORK_FILE;

// Writes "File:", sample and operator, scan and time range with the date,
// and the sample notes when there are any, from (column, line) in the
// normal font; returns the next free line. A set shortForm writes the file
// line alone. No work file or an empty path writes nothing and returns line.
KELT_API int16_t MPM_AddSingleFileHeader(CMPage* page, int16_t line, int16_t column, const STRUCT_WORK_FILE* workFile,
                                         const char* displayName, int16_t shortForm);
