#pragma once
// The sample report of a data file written as a text file of separated
// columns (comma, tab or blank, from the report format or the extension
// chosen in the save-as dialog) instead of report pages.
#include <cstdint>

#include "common/kelt_export.h"

// outputPath: 260 bytes in/out; empty asks the user (proposing the data
// file's, or the display name's, name with "-MS"). Nonzero when the report
// was written to its end.
KELT_API int32_t RPTS_MakeSampleReportASCIIFile(const char* formatFile, const char* formatSection,
                                                const char* dataFile, char* outputPath, const char* displayName,
                                                int16_t versionNumber, int16_t versionCount);

namespace kelt::reports {
// The output format for a chosen extension ("csv" 0, "txt" 1, "prn" 2,
// any case); other extensions keep current.
KELT_CLASS int16_t OutputFormatForExtension(const char* extension, int16_t current);
// The header variant of the report: "(User Defined)", "(Detailed)", ...
// from what the results hold and the format asks for. counts: the header's
// six step counts in header order (2251 ... 2261).
KELT_CLASS const char* SampleReportVariant(bool haveResults, const int16_t counts[6], uint16_t groupMask,
                                           int16_t detailSelector, int16_t detailOption, bool* requested,
                                           bool* detailed);
}  // namespace kelt::reports
