#pragma once
// Print jobs of the common-services library: a printer device context with
// its document started, in portrait or landscape, on the workstation's
// printer ("device" of the workstation ini's "Corvane Zeph Workstation"
// section, else of the system profile's "windows" section). Every printer
// here writes PDF: a document goes to the file named by SetPrintJobOutput,
// else to the temporary folder under its title.
#include <cstdint>

#include "orvik32/orvik32.h"
#include "win/win_gdi.h"

// Selector 0 is the workstation's printer; any other value the same.
ORVIK_API HDC StartPrintJob(int16_t printerSelector, const char* title, ABORTPROC abortProc);
ORVIK_API HDC StartPrintJobLandscape(int16_t printerSelector, const char* title, ABORTPROC abortProc);
// After the end-of-document call: releases the context.
ORVIK_API void EndPrintJob(HDC dc);
// The printer set-up dialog; headless, it has nothing to ask.
ORVIK_API BOOL PrinterSetupDialog(HWND owner, int32_t reserved);
// Documents started from now on are written to path (a workstation path):
// the first one there, later ones beside it as "<name>-2.pdf", "-3" ...
// A null or empty path goes back to the temporary folder.
ORVIK_API void SetPrintJobOutput(const char* path);
// Documents started since the last SetPrintJobOutput.
ORVIK_API int32_t GetPrintJobCount();
// The workstation printer's name, driver and port (104 bytes each, any may
// be null); FALSE and empty texts when no printer is set up.
ORVIK_API BOOL GetCurrentPrinterNames(char* name, char* driver, char* port);
