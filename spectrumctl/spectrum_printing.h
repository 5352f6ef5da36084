#pragma once
// The spectrum control's output off the screen: printing its shown spectra
// into a host's device context (SPTM_PRINT) and handing one spectrum to
// the deconvolution program through a temporary text file.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

// Longest temporary-file name made from a spectrum, without ".tmp".
#define SPT_DECON_NAME_MAX 100

// The temporary-file name (without folder and ".tmp") for a spectrum:
// "<name> <ext> Scans<first>-<last>", "<name> <ext> Scan<n>",
// "<library> Entry<n>", "<name> <ext>-Entry<n>", "DIFF" or the first title
// the spectrum has. Characters a file name cannot hold become '_', a name
// that is only dots becomes "Spectrum", and it is cut to
// SPT_DECON_NAME_MAX characters. Writes at most size bytes (always ended).
KELT_CLASS void MakeDeconvolutionFileName(const STRUCT_SPT_PLUS* spt, char* name, size_t size);

// Writes the spectrum into "<temp folder><name>.tmp" and starts the
// deconvolution program on it with " -temp". The launch result, 0 when the
// program is missing, the file cannot be written (nothing is left behind)
// or the path would be too long.
KELT_CLASS int32_t LaunchDeconvolution(STRUCT_SPT_PLUS* spt);
