#pragma once
// The valid ion range of a data file as the dialogs check typed ions.
#include "common/kelt_export.h"
#include "common/work_file.h"

namespace kelt::dlg {
// The file type descriptor's range, else the acquisition's mass limits;
// 0 to 0 when neither is known.
KELT_CLASS void ValidIons(const STRUCT_WORK_FILE* wf, double* lowest, double* highest);
}  // namespace kelt::dlg
