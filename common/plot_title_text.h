#pragma once
// The instrument-line title of a trace: its ions or data type, then its
// channels ("Ions: 91+105 Merged").
#include <cstdint>
#include <string>

#include "quorna/ms_lists.h"

struct STRUCT_WORK_FILE;

namespace kelt::titles {

std::string TolmarPlotTitle(int dataType, const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                            const STRUCT_WORK_FILE* workFile);

}  // namespace kelt::titles
