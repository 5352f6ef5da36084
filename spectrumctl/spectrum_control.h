#pragma once
// The spectrum control's window class ("KELT_Spt").
#include "common/kelt_export.h"
#include "win/win_types.h"

class KELT_CLASS CCtlSpt {
 public:
  static constexpr const char* kClassName = "KELT_Spt";
  // RegisterClass's result (0 on failure).
  static ATOM Register();
  static BOOL Unregister();
};
