#pragma once
// The factor a work file's values are shown with. Detector files that ask
// for value scaling carry a data scale factor, kept under their file type
// word; every value read from such a file (traces, extremes, points under
// the mouse, peak events) is multiplied by it so that drawing, scales,
// labels and readouts agree.
#include "common/work_file.h"

// The data scale factor when the value-scaling switch is set and a factor
// other than 1 is found, else 1.
double WorkFileValueFactor(const STRUCT_WORK_FILE* wf);
