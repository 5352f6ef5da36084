#pragma once
// The start-up sees every floor.
#include "common/library_state.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectrumctl/spectrum_control.h"
