#pragma once
// Small texts of spectra and library entries (CAS numbers, formulas,
// library flags, mass decimals, channel names) and the thresholded copy
// of an extended reference record.
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

// "None" for 0, else the digits with dashes: 50000 -> "50-00-0".
KELT_API void FormatCASNumber(uint32_t casNumber, char* text);
KELT_API void FormatFormula(const char* formula, char* text);
// The names of the set library flags, each followed by a blank; "None" for 0.
KELT_API void FormatDBText(uint32_t flags, char* text);
// Decimals of the spectrum's masses, 0..6, and their format ("%.2f"); the
// format may be 0.
KELT_API int16_t KELT_GetMassDecimalsAndFormat(const STRUCT_SPT_PLUS* spt, char* format);
// The channel text of an MS-data spectrum; *isChannel is 1 when the text
// names channels of a list. text holds at least 301 characters.
KELT_API int32_t KELT_GetMergedChannelText(const STRUCT_TOL_SPT* tol, char* text, uint16_t* isChannel);
// dst = src keeping only the pairs of at least level percent of the
// largest intensity; src is only read.
KELT_API int32_t REF_EX_CopyWithThreshold(const STRUCT_REF_EX_SPT* src, int32_t level, STRUCT_REF_EX_SPT* dst);
