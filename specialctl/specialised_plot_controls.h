#pragma once
// Window classes of the four specialised chromatogram controls
// ("KELT_OP1" .. "KELT_OP4"); "KELT_OP1" is CCtlOPlot1's.
#include "common/kelt_export.h"
#include "specialctl/owned_data_control.h"
#include "specialctl/point_fed_control.h"
#include "specialctl/ref_spectra_control.h"
#include "win/win_types.h"

#define KELT_DECLARE_SPECIAL_PLOT_CLASS(Name, ClassText) \
  class KELT_CLASS Name {                                \
   public:                                               \
    static constexpr const char* kClassName = ClassText; \
    static ATOM Register();                              \
    static BOOL Unregister();                            \
  };

KELT_DECLARE_SPECIAL_PLOT_CLASS(CCtlOPlot2, "KELT_OP2")

#undef KELT_DECLARE_SPECIAL_PLOT_CLASS
