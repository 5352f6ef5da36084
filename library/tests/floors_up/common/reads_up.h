#pragma once
// A lower floor reaching a control: the floor check must refuse it.
#include "common/kelt_export.h"
#include "spectrumctl/spectrum_control.h"
