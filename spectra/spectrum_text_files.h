#pragma once
// Spectra written as text files: the plain file ("* " header lines, then
// one line per pair) and the column file written through the report
// output, with the file name offered to the user.
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

KELT_API int32_t PlusSpt_PutSpectrumIntoThisTextFile(const STRUCT_SPT_PLUS* spt, int16_t withHeader,
                                                     const char* path);
// extension "prn" separates the columns by a blank, "txt" by a tab, others
// by the list separator.
KELT_API int32_t PlusSpt_PutSpectrumIntoThisTextFileEx(STRUCT_SPT_PLUS* spt, int16_t withHeader, const char* path,
                                                       const char* extension);

namespace kelt::spectra {
// The file name first offered for a spectrum's text file ("RUN1.KMS
// Scans120-124.txt"), and the place offered (a path whose folder is meant).
KELT_CLASS void DefaultTextFileName(const STRUCT_SPT_PLUS* spt, char* name, char* place);
}  // namespace kelt::spectra
