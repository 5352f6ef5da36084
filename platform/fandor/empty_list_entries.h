#pragma once
// An empty list spectrum for a user to fill pair by pair.
#include <cstdint>

#include "fandor/list_entries.h"

// A zeroed list record with room for room pairs (at least one) and none
// held; it grows as pairs are added (the block is reallocated). 0 when it
// cannot be allocated.
FANDOR_API STRUCT_LIST_SPT* NewListSpectrum(uint32_t room);
