#pragma once
// The segment information window's class ("KELT_SegInfo").
#include "common/kelt_export.h"
#include "win/win_types.h"

// RegisterClass's result (0 on failure).
KELT_API ATOM RegisterSegInfoWnd();
KELT_API BOOL UnregisterSegInfoWnd();
