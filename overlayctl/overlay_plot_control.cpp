// The overlay plot control's window class.
#include "overlayctl/overlay_plot_control.h"

#include "common/library_classes.h"

ATOM CCtlOPlot::Register() { return kelt::lib::RegisterLibraryClass(kClassName); }
BOOL CCtlOPlot::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }
