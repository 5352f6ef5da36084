#pragma once
// Automatic background: a correction chosen from the data alone.
//
// For each segment of the run, the total ion of every cycle of its scan
// functions (all scans of the cycle added, as a total-ion trace has them)
// is read. The segment is cut into stretches of about one minute (its
// length divided into a whole number of equal parts, at least one). In each
// stretch the window of BACKGROUND_WINDOW_CYCLES consecutive cycles (or the
// whole stretch when it is shorter) with the lowest mean total ion becomes
// one background range: its first scan and time, one past its last scan and
// that scan's time. The quietest window of a stretch lies between the
// compounds' peaks, on the baseline, and one range a minute follows the
// baseline's drift closely enough to be interpolated.
#include "jessul32/jessul32.h"

#define BACKGROUND_WINDOW_CYCLES 5
#define BACKGROUND_STRETCH_MINUTES 1.0

// The correction of a data file's MS data (workFile: a path or a record
// whose first field is the path). The method file is not consulted. 0 when
// the data cannot be read or has no scans. Free with FreeBackCorr.
JESSUL_API STRUCT_FILE_BC* CreateBackCorr(const void* workFile, const char* methodFile);
