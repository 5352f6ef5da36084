#pragma once
// The pairs of a spectrum record, whatever their layout: access, lookup,
// the user's edits, base peak, pruning, rounding, sorting, conversions.
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_record.h"

KELT_API int32_t PlusSpt_GetPairStuff(const STRUCT_SPT_PLUS* spt, DIFF_PAIR** doublePairs, TOL_PAIR** integerPairs,
                                      XTOL_PAIR** precisePairs);
KELT_API int32_t PlusSpt_GetPairCount(const STRUCT_SPT_PLUS* spt);
KELT_API void PlusSpt_SetPairCount(STRUCT_SPT_PLUS* spt, int32_t count);
KELT_API int32_t PlusSpt_GetMassInt(const STRUCT_SPT_PLUS* spt, uint32_t index, double* mass, uint32_t* intensity);
KELT_API int32_t PlusSpt_GetPairValues(const STRUCT_SPT_PLUS* spt, uint32_t index, double* mass,
                                       uint32_t* intensity, double* intensityD);
KELT_API int32_t PlusSpt_CountPositiveNonZeroPairs(const STRUCT_SPT_PLUS* spt);
KELT_API int32_t PlusSpt_GetMassRangeIndexes(const STRUCT_SPT_PLUS* spt, double low, double high, uint32_t* first,
                                             uint32_t* last);
KELT_API int32_t PlusSpt_GetIntensity(const STRUCT_SPT_PLUS* spt, double mass, double* intensity);
KELT_API int32_t PlusSpt_GetClosestMass(const STRUCT_SPT_PLUS* spt, double mass, double* closest);
KELT_API int32_t PlusSpt_GetTallestMassInDaltonWindow(const STRUCT_SPT_PLUS* spt, double mass, double window,
                                                      double* outMass, double* outIntensity);
KELT_API double PlusSpt_GetBasePeak(const STRUCT_SPT_PLUS* spt, double* intensity);
KELT_API void PlusSpt_UpdateBasePeak(STRUCT_SPT_PLUS* spt);
KELT_API int32_t PlusSpt_AddMassInt(STRUCT_SPT_PLUS* spt, double mass, uint32_t intensity);
KELT_API int32_t PlusSpt_DeleteMassInt(STRUCT_SPT_PLUS* spt, uint32_t index);
KELT_API int32_t PlusSpt_ScaleMassInt(STRUCT_SPT_PLUS* spt, uint32_t newBaseIntensity);
KELT_API void PlusSpt_RemoveZeroMasses(STRUCT_SPT_PLUS* spt);
KELT_API void PlusSpt_RemoveZeroAndNegMasses(STRUCT_SPT_PLUS* spt);
// level: thousandths of the base peak, 1..999.
KELT_API int32_t PlusSpt_RemovePairsBelowPercentBP(STRUCT_SPT_PLUS* spt, int16_t level);
// precision: steps per mass unit.
KELT_API int32_t PlusSpt_RoundSptToPrecision(STRUCT_SPT_PLUS* spt, uint16_t precision);
// order 0 ascending intensity, 1 descending intensity, 2 ascending mass, 3 descending mass.
KELT_API int32_t PlusSpt_SortPairs(STRUCT_SPT_PLUS* spt, int16_t order);
KELT_API int32_t PlusSpt_CheckLowMassOrder(const STRUCT_SPT_PLUS* spt);
KELT_API int32_t PlusSpt_IsProfileData(const STRUCT_SPT_PLUS* spt);
// The caller frees a result with FreeBlock when *mustFree is set.
KELT_API TOL_PAIR* PlusSpt_GetPointerToIntegerPairs(const STRUCT_SPT_PLUS* spt, int32_t* count, int16_t* mustFree);
KELT_API XTOL_PAIR* PlusSpt_GetPointerToXTOLPairs(const STRUCT_SPT_PLUS* spt, int32_t* count, int16_t* mustFree);

namespace kelt::spectra {

// Which of the three pair layouts a record holds.
enum class PairLayout { None, Double, Integer, Precise };
inline PairLayout LayoutOf(const STRUCT_SPT_PLUS* s) {
  DIFF_PAIR* d;
  TOL_PAIR* t;
  XTOL_PAIR* x;
  PlusSpt_GetPairStuff(s, &d, &t, &x);
  return d ? PairLayout::Double : t ? PairLayout::Integer : x ? PairLayout::Precise : PairLayout::None;
}

}  // namespace kelt::spectra
