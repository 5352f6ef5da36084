// Window classes of the four specialised chromatogram controls.
#include "specialctl/specialised_plot_controls.h"

#include "common/library_classes.h"

ATOM CCtlOPlot3::Register() { return kelt::lib::RegisterLibraryClass(kClassName); }
BOOL CCtlOPlot3::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }
ATOM CCtlOPlot4::Register() { return kelt::lib::RegisterLibraryClass(kClassName); }
BOOL CCtlOPlot4::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }
