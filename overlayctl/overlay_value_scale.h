#pragma once
// The factor a slot's trace values are shown with. Detector files that ask
// for value scaling carry a data scale factor of their detector; every
// value read from such a trace (extremes, points under the mouse) is
// multiplied by it so that scales, labels and readouts agree.
#include "common/work_file.h"

// The factor for a work file's values: its detector's data scale factor
// when the value-scaling switch is set and the factor is found and not 1,
// else 1.
double SlotValueFactor(const STRUCT_WORK_FILE* wf);
