#pragma once
// The four specialised chromatogram controls ("KELT_OP1" .. "KELT_OP4"),
// whose window classes the library registers when it loads.
#include "specialctl/event_edit_control.h"
#include "specialctl/owned_data_control.h"
#include "specialctl/point_fed_control.h"
#include "specialctl/ref_spectra_control.h"
