#pragma once
// The report-format driver, loaded by name ("Orsank.drv").
#include <cstdint>
#include <cstdio>

#define ORSANK_API extern "C" __attribute__((visibility("default")))

// Writes the report method of section sectionName
// ("MSReportFormat2.<id>.<address>.<tag>") as text into stream, lines
// ending CR LF; 0 when the section cannot be read.
ORSANK_API int32_t FormatMethodSection(FILE* stream, const char* path, const char* sectionName);
