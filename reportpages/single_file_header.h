#pragma once
// The data-file header of a plot page made with the page maker.
#include <cstdint>

#include "common/kelt_export.h"
#include "reportpages/metafile_page.h"

struct STRUCT_WORK_FILE;

// Writes "File: ..." at (column, line) and, unless shortHeader is set, the
// sample, operator, scan and time range, date and sample notes lines below
// it in the page's normal font. Returns the next free line; the line
// unchanged without a work file or with an empty path.
KELT_API int16_t MPM_AddSingleFileHeader(CMPage* page, int16_t line, int16_t column, const STRUCT_WORK_FILE* workFile,
                                         const char* displayName, int16_t shortHeader);
