// The library's character size.
#include "common/library_char_size.h"

namespace kelt::spectra {
namespace {
CharSize g_charSize;
}
CharSize LibraryCharSize() { return g_charSize; }
void SetLibraryCharSize(int16_t width, int16_t height) { g_charSize = CharSize{width, height}; }
}  // namespace kelt::spectra
