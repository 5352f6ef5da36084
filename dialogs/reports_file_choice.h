#pragma once
// Which reports file a report goes to.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

// The spooler file of the default report preferences when one is named and
// has room (path filled, *temporary 0); an empty path and *temporary 1 when
// none is named, so that the pages go to a new temporary reports file. A
// named file that cannot be opened or is full asks the user whether to make
// a new one (a temporary file); No gives 0. path holds 260 characters.
KELT_API BOOL RPTS_GetReportsFile(char* path, int16_t* temporary);

// Reports files hold fewer pages than this.
constexpr int32_t kReportsFilePageLimit = 15900;
