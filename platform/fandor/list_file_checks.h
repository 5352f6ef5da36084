#pragma once
// What kind of spectrum list a text file is: a spectrum list at all (it
// holds named entries with peaks), and whether it is in the MSP form
// (plain "m/z intensity" pairs) rather than the MSL library form
// ("(m/z intensity)" groups).
#include "fandor.h"

// Non-zero when the file reads as a spectrum list.
FANDOR_API BOOL CheckSpectrumListFile(const char* path);
// Non-zero when its peak lines are plain pairs (MSP); 0 for "(...)" groups
// (MSL) or a file that is no list.
FANDOR_API BOOL CheckMSPFormat(const char* path);
