#pragma once
// Spectra written as column text files through the report output.
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

// extension "prn" separates the columns by a blank, "txt" by a tab, others
// by the list separator.
KELT_API int32_t PlusSpt_PutSpectrumIntoThisTextFileEx(STRUCT_SPT_PLUS* spt, int16_t withHeader, const char* path,
                                                       const char* extension);

// Offers a file name (kind 0: "RUN1.KMS Scans120-124" and the suffix) in
// the save-as dialog and writes the column file with its header to the
// chosen file; 0 when the user cancels or the file cannot be written.
KELT_API int32_t PlusSpt_PutSpectrumIntoTextFileEx(STRUCT_SPT_PLUS* spt, const char* dialogText);
// The same with the suffix "-SPECTRUM".
KELT_API int32_t PlusSpt_PutSpectrumIntoTextFile(STRUCT_SPT_PLUS* spt);
