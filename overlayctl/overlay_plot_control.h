#pragma once
// The overlay plot control's window class ("KELT_OP").
#include "common/kelt_export.h"
#include "win/win_types.h"

class KELT_CLASS CCtlOPlot {
 public:
  static constexpr const char* kClassName = "KELT_OP";
  // RegisterClass's result (0 on failure).
  static ATOM Register();
  static BOOL Unregister();
};
