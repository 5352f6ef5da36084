#pragma once
// The status check of a typed ion formula, shared by the list conversions
// and the ion-formula dialogs.
#include "common/kelt_export.h"
#include "win/win_types.h"

// Room for any status text.
#define KELT_ION_FORMULA_STATUS_SIZE 24

// 1 when the formula is usable between the two ion limits; status (at least
// KELT_ION_FORMULA_STATUS_SIZE bytes, may be 0) says why or why not.
KELT_API BOOL KELT_GetStatusStringForIonFormula(const char* text, double lowestIon, double highestIon, char* status);
