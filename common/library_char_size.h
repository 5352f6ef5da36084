#pragma once
// The library's character size, kept by the spectrum control's text-size
// code; measuring falls back on it when a drawing context has no output.
#include <cstdint>

#include "common/kelt_export.h"

namespace kelt::spectra {
struct CharSize {
  int16_t width = 0;
  int16_t height = 0;
};
KELT_CLASS CharSize LibraryCharSize();
KELT_CLASS void SetLibraryCharSize(int16_t width, int16_t height);
}  // namespace kelt::spectra
