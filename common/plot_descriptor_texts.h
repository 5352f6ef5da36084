#pragma once
// Text helpers of the descriptor code: the text forms of mass and channel
// lists and bounded appends.
#include <cstddef>
#include <string>

#include "quorna/ms_lists.h"

struct STRUCT_WORK_FILE;

namespace kelt::pd {

// The ion text of a mass list with the work file's mass decimals.
std::string IonText(const STRUCT_MASS_LIST* list, const STRUCT_WORK_FILE* wf);
std::string ChanListText(const STRUCT_CHAN_LIST* list);
// Appends to a NUL-terminated text in a buffer of size bytes, cutting.
void AppendBounded(char* text, size_t size, const std::string& more);

}  // namespace kelt::pd
