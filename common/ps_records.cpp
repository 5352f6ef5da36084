// Plot selections: the lists of a trace with its optional joined arrays.
#include <cstring>

#include "common/mass_lists.h"
#include "common/segment_plots.h"
#include "orvik32/orvik32.h"

KELT_API STRUCT_PS* KELT_PS_MakeTIC() {
  auto* ps = static_cast<STRUCT_PS*>(AllocBlock(sizeof(STRUCT_PS)));
  if (!ps) return nullptr;
  KELT_InitRICMassList(&ps->massList);
  KELT_InitMergedChanList(&ps->chanList);
  return ps;
}

KELT_API void KELT_PS_Free(STRUCT_PS* ps) {
  if (!ps) return;
  if (ps->scanFuns) FreeBlock(ps->scanFuns);
  if (ps->segPlots) FreeBlock(ps->segPlots);
  FreeBlock(ps);
}

KELT_API STRUCT_PS* KELT_PS_Copy(const STRUCT_PS* ps) {
  if (!ps) return nullptr;
  auto* copy = static_cast<STRUCT_PS*>(AllocBlock(sizeof(STRUCT_PS)));
  if (!copy) return nullptr;
  std::memcpy(copy, ps, sizeof *copy);
  copy->scanFuns = nullptr;
  copy->segPlots = nullptr;
  if (ps->scanFuns && !(copy->scanFuns = SCAN_FUN_Copy(ps->scanFuns))) {
    KELT_PS_Free(copy);
    return nullptr;
  }
  if (ps->segPlots && !(copy->segPlots = PLOT_SEG_Copy(ps->segPlots))) {
    KELT_PS_Free(copy);
    return nullptr;
  }
  return copy;
}

KELT_API BOOL KELT_PS_Compare(const STRUCT_PS* a, const STRUCT_PS* b) {
  if (!a || !b) return 0;
  if (a->selection1 != b->selection1 || a->selection2 != b->selection2) return 0;
  if (!a->scanFuns != !b->scanFuns || !a->segPlots != !b->segPlots) return 0;
  if (!KELT_IsSameMassList(&a->massList, &b->massList)) return 0;
  if (!a->scanFuns && !a->segPlots) return KELT_IsSameChanList(&a->chanList, &b->chanList);
  if (a->scanFuns) return SCAN_FUN_Compare(a->scanFuns, b->scanFuns);
  return PLOT_SEG_Compare(a->segPlots, b->segPlots);
}
