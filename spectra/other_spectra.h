#pragma once
// The spectrum kinds other than MS data (library entries, reference and
// TIC spectra, differences): their copies and releases, TIC spectra from
// quantitation results, and differences of two spectra.
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

// ---- Copies and releases (each copy is a new block, or 0 with nothing left) ----
KELT_API STRUCT_DIFF_SPT* DIFF_CopySpectrum(const STRUCT_DIFF_SPT* diff);
KELT_API STRUCT_LIST_SPT* LIST_CopySpectrum(const STRUCT_LIST_SPT* list);
KELT_API STRUCT_SLBR_SPT* SLBR_CopySpectrum(const STRUCT_SLBR_SPT* slbr);
KELT_API STRUCT_NIST_SPT* NIST_CopySpectrum(const STRUCT_NIST_SPT* nist);
KELT_API NIST_AUX_DATA* NIST_DupAuxData(const NIST_AUX_DATA* aux);
KELT_API uint8_t* NIST_DupChemStruct(const uint8_t* chemStruct);
KELT_API STRUCT_REF_SPT* REF_CopySpectrum(const STRUCT_REF_SPT* ref);
KELT_API STRUCT_REF_EX_SPT* REF_EX_CopySpectrum(const STRUCT_REF_EX_SPT* refEx);
KELT_API STRUCT_TIC_SPT* TIC_CopySpectrum(const STRUCT_TIC_SPT* tic);
KELT_API void DIFF_Free(STRUCT_DIFF_SPT* diff);
KELT_API void REF_Free(STRUCT_REF_SPT* ref);
KELT_API void REF_EX_Free(STRUCT_REF_EX_SPT* refEx);
KELT_API void TIC_Free(STRUCT_TIC_SPT* tic);
KELT_API void LIST_Free(STRUCT_LIST_SPT* list);
KELT_API void SLBR_Free(STRUCT_SLBR_SPT* slbr);
KELT_API void NIST_Free(STRUCT_NIST_SPT* nist);
KELT_API void NIST_FreeAuxData(NIST_AUX_DATA* aux);

// ---- TIC spectra ----------------------------------------------------------------
// Library hit `peak` (0..) of the unknown peak of results step `step` of a
// data file, as a new kind-6 record; 0 when the step has no TIC record or
// anything cannot be read.
KELT_API STRUCT_SPT_PLUS* TIC_ReadSpectrum(const char* dataFile, uint16_t step, int16_t peak);

// ---- Differences ----------------------------------------------------------------
KELT_API int32_t DIFF_OkToMakeSpectrum(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b);
// a - b; mode 2 scales both to a base peak of 999 first. 0 for mixed
// profile and centroid MS data or when memory runs out.
KELT_API STRUCT_DIFF_SPT* DIFF_MakeSpectrum(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int16_t mode);
// Appends a pair; returns the record (it may have moved), or 0 with the
// old record left valid when it cannot grow.
KELT_API STRUCT_DIFF_SPT* DIFF_AddToSpectrum(STRUCT_DIFF_SPT* diff, double mass, double intensity);
// A new list spectrum (kind 3) holding the non-negative pairs of a
// difference, scaled to 999; 0 for profile differences.
KELT_API STRUCT_SPT_PLUS* PlusSpt_MakeSpectrumFromDifference(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b,
                                                             const STRUCT_DIFF_SPT* diff);
