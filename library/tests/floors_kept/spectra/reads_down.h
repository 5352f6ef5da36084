#pragma once
// Includes of the own floor and below, and of the platform.
#include "common/kelt_export.h"
#include "plotengine/plot_labels.h"
#include "spectra/spectrum_record.h"
#include "win/win_types.h"
