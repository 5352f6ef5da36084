#pragma once
// How printing a reports file turns a page's colours for the printer.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

namespace kelt::pages {
// mode: the page's colour mode (4 leaves every colour); deviceColours: the
// printer's colour count (-1 = more than its table holds).
KELT_CLASS COLORREF PrintColour(COLORREF colour, int mode, int deviceColours);
// The landscape flag of a page's orientation word under the preferences'
// orientation override (0 = as the page says, 2 = landscape, else portrait).
KELT_CLASS bool PrintsLandscape(uint16_t orientation, int16_t override);
}  // namespace kelt::pages
