#pragma once
// Peak flags of a result step: bit n prints as the n-th letter of
// "R#*+VMCSUOTDILNQHWYZFab".
#include <cstdint>

#include "quant/morvex_export.h"

#define PEAK_FLAG_LETTERS "R#*+VMCSUOTDILNQHWYZFab"
#define PF_REFERENCE (1u << 0)    // R
#define PF_NO_CANDIDATE (1u << 2) // *
#define PF_MANY_CANDIDATES (1u << 3)  // +
#define PF_ENGINE_WARNING (1u << 4)   // V
#define PF_MISSING (1u << 5)      // M
#define PF_COELUTING (1u << 6)    // C
#define PF_STANDARD (1u << 7)     // S
#define PF_USER (1u << 8)         // U
#define PF_SATURATED (1u << 9)    // O
#define PF_MARKER (1u << 10)      // T
#define PF_RAW (1u << 11)         // D
#define PF_NO_CHANNELS (1u << 12) // I
#define PF_BELOW_THRESHOLD (1u << 15)  // Q
#define PF_NO_MATCH (1u << 17)    // W
#define PF_NOT_FOUND (1u << 18)   // Y
#define PF_QUALIFIER_FAILED (1u << 19)  // Z
#define PF_SOME_CHANNELS (1u << 20)     // F
#define PF_SIGNAL_TO_NOISE (1u << 21)   // a
#define PF_RRT (1u << 22)         // b

// The letters of the set bits in bit order, at most size - 1 of them (the
// step's field holds 19 and its terminator); returns how many were written.
MORVEX_API int32_t PeakFlagsToText(uint32_t flags, char* letters, int32_t size);
