#pragma once
// Tests stand above every floor: they may include any folder.
#include "spectrumctl/spectrum_control.h"
