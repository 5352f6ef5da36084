#pragma once
// CAS registry numbers as text.
#include <cstdint>

#include "fandor.h"

// "nnnnnnn-nn-n" of a CAS number held as one integer (its digits without
// the hyphens); an empty text for 0 or a negative number. The buffer takes
// at least 16 bytes; returns it.
FANDOR_API char* FormatCASNumber(int32_t cas, char* buffer);
