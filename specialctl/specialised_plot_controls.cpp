// Window classes of the four specialised chromatogram controls.
#include "specialctl/specialised_plot_controls.h"

#include "common/library_classes.h"

ATOM CCtlOPlot2::Register() { return kelt::lib::RegisterLibraryClass(kClassName); }
BOOL CCtlOPlot2::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }
