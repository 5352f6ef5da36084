// The spectrum control's window class.
#include "spectrumctl/spectrum_control.h"

#include "common/library_classes.h"

ATOM CCtlSpt::Register() { return kelt::lib::RegisterLibraryClass(kClassName); }
BOOL CCtlSpt::Unregister() { return kelt::lib::UnregisterLibraryClass(kClassName); }
