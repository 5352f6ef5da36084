#pragma once
// Window classes of the event and moving information windows
// ("KELT_EventInfo", "KELT_MoveInfo").
#include "common/kelt_export.h"
#include "win/win_types.h"

// RegisterClass's result (0 on failure).
KELT_API ATOM RegisterEventInfoWnd();
KELT_API BOOL UnregisterEventInfoWnd();
KELT_API ATOM RegisterMovingInfoWnd();
KELT_API BOOL UnregisterMovingInfoWnd();
