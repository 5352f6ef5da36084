// The library-wide report cancel flag.
#include "reportpages/report_output.h"

int16_t g_bCancelReport = 0;
