#pragma once
// The drawing engine's pictures, kept in PLOTENGINE_GOLDEN_DIR.
#include <string>

#include "testing/golden_png.h"

// name: the stored picture's name without ".png".
inline void CheckGoldenPng(const std::string& drawn, const std::string& name) {
  testing_support::ExpectPngAsStored(drawn, PLOTENGINE_GOLDEN_DIR, name);
}
