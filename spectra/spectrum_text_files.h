#pragma once
// Spectra written as text files: the plain file ("* " header lines, then
// one line per pair), and the file name and save-as dialog the column
// files offer the user.
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

KELT_API int32_t PlusSpt_PutSpectrumIntoThisTextFile(const STRUCT_SPT_PLUS* spt, int16_t withHeader,
                                                     const char* path);
// The column files, written through the report output, are the spectrum
// control's (spectrumctl/spectrum_column_files.h).

namespace kelt::spectra {
// The file name first offered for a spectrum's text file ("RUN1.KMS
// Scans120-124.txt"), and the place offered (a path whose folder is meant).
KELT_CLASS void DefaultTextFileName(const STRUCT_SPT_PLUS* spt, char* name, char* place);
// The save-as dialog for a comma-, tab- or blank-separated text file:
// path in (a suggested name, or empty) and out (the chosen name, lower
// case; MAX_PATH bytes); place: a path whose folder is offered when the
// name has none; suffix follows the suggested name part; extension out
// (4 bytes): "CSV", "TXT" or "PRN" as the chosen type. 0 when cancelled.
KELT_CLASS int32_t AskSaveAsTextFile(char* path, const char* place, const char* suffix, char* extension);
}  // namespace kelt::spectra
