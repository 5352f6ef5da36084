#pragma once
// The link between a spectrum display and the library-comparison program:
// a spectrum handed over is written, whole, as one MSP entry into the
// exchange file the program reads, with what the program is asked to do.
#include <cstdint>

#include "fandor.h"
#include "msp_library_files.h"

#define COMPARISON_EXCHANGE_FILE "KELTCMP.MSP"

struct COMPARISON_LINK {
  void* parentObject;   // the display's parent, as the display keeps it
  HWND parentWindow;
  uint32_t sent;        // spectra handed over through this link
  int32_t lastFlag;
  char lastFile[MAX_PATH];
};

FANDOR_API COMPARISON_LINK* CreateComparisonLink();
// Accepts 0.
FANDOR_API void FreeComparisonLink(COMPARISON_LINK* link);
// flag 1: the program searches its libraries for the spectrum; 0: it
// takes the spectrum to compare with. The exchange file in the temporary
// folder is replaced whole, or left as it was when the write fails.
// FALSE for a spectrum without peaks or when the file cannot be written.
FANDOR_API BOOL SubmitComparisonSpectrum(COMPARISON_LINK* link, const MSP_SPECTRUM* spectrum, int32_t flag);
