#pragma once
// The calibration block of a method written as a text file of separated
// columns by the data-handling library, the file chosen by the user when
// no name is given.
#include <cstdint>

#include "common/kelt_export.h"

// formatSection: a data-handling section name ("MSReportFormat2" with the
// module id and address) whose module the block is taken from. outputPath:
// 260 bytes in/out; empty asks the user, proposing the display name's (or
// the source file's) name with "-MS-CBK". The library's result (nonzero
// when written); 0 when the user cancels or the section name has no module.
KELT_API int32_t RPTS_Ex_MakeCalBlockReportsASCIIFile(const char* formatFile, const char* formatSection,
                                                      const char* sourceFile, char* outputPath,
                                                      const char* displayName);
// The same without a display name.
KELT_API int32_t RPTS_MakeCalBlockReportsASCIIFile(const char* formatFile, const char* formatSection,
                                                   const char* sourceFile, char* outputPath);
