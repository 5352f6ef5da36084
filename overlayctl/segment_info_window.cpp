// The segment information window's class.
#include "overlayctl/segment_info_window.h"

#include "common/library_classes.h"

ATOM RegisterSegInfoWnd() { return kelt::lib::RegisterLibraryClass("KELT_SegInfo"); }
BOOL UnregisterSegInfoWnd() { return kelt::lib::UnregisterLibraryClass("KELT_SegInfo"); }
