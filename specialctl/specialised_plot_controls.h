#pragma once
// Window classes of the four specialised chromatogram controls
// ("KELT_OP1" .. "KELT_OP4"); "KELT_OP1" is CCtlOPlot1's, "KELT_OP2" CCtlOPlot2's.
#include "common/kelt_export.h"
#include "specialctl/event_edit_control.h"
#include "specialctl/ref_spectra_control.h"
#include "win/win_types.h"

#define KELT_DECLARE_SPECIAL_PLOT_CLASS(Name, ClassText) \
  class KELT_CLASS Name {                                \
   public:                                               \
    static constexpr const char* kClassName = ClassText; \
    static ATOM Register();                              \
    static BOOL Unregister();                            \
  };

KELT_DECLARE_SPECIAL_PLOT_CLASS(CCtlOPlot3, "KELT_OP3")
KELT_DECLARE_SPECIAL_PLOT_CLASS(CCtlOPlot4, "KELT_OP4")

#undef KELT_DECLARE_SPECIAL_PLOT_CLASS
