// Window classes of the event and moving information windows.
#include "specialctl/information_windows.h"

#include "common/library_classes.h"

ATOM RegisterEventInfoWnd() { return kelt::lib::RegisterLibraryClass("KELT_EventInfo"); }
BOOL UnregisterEventInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_EventInfo"); }
ATOM RegisterMovingInfoWnd() { return kelt::lib::RegisterLibraryClass("KELT_MoveInfo"); }
BOOL UnregisterMovingInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_MoveInfo"); }
