#pragma once
// The display library's process-wide state: filled once when the library
// is loaded, undone when it is unloaded, read without locks in between.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "win/win_gdi.h"
#include "win/win_locale.h"
#include "win/win_types.h"

namespace kelt::lib {

// Settings read at load from "tolview.ini" and "CanUseAMDIS.ini"; a value
// outside its range keeps the default.
struct LoadSettings {
  int32_t searchWindowWidth = 100;  // 50..1000
  int32_t noiseWindowWidth = 10;    // 1..49
  int32_t amdisForXmsFiles = 1;     // 0/1
  int32_t canShowHalfHeights = 0;   // 0/1, research mode
  int32_t oldSptTitles = 1;         // 0/1
  int32_t deconForCentroid = 0;     // 0/1
};

KELT_CLASS HMODULE ModuleHandle();
KELT_CLASS const LoadSettings& Settings();
KELT_CLASS unsigned int LoadControlWord();  // the floating-point control word at load
KELT_CLASS UINT NotifyWhenChangedMessage();
KELT_CLASS UINT LoginChangeMessage();

// Program folder (with "\" when not empty) + file name.
KELT_CLASS const char* HelpFilePath();        // "kelt.hlp"
KELT_CLASS const char* ReportHelpFilePath();  // "MSReport.hlp"
KELT_CLASS const char* SettingsIniPath();     // "tolview.ini"
KELT_CLASS const char* PreferencesIniPath();  // "tolview3.ini"
KELT_CLASS const char* LastFilesIniPath();    // "tolview4.ini"

// Bits per pixel x planes of the display; 2 when it could not be asked.
KELT_CLASS int32_t ColourDepth();
// The display's text metrics; false when they could not be read.
KELT_CLASS bool DisplayTextMetrics(TEXTMETRICA* out);

// The user's number format (separators owned by the library) and list
// separator ("" when the locale gives none).
KELT_CLASS const NUMBERFMTA& NumberFormat();
KELT_CLASS const char* ListSeparator();

// ---- Load and unload ------------------------------------------------------------
// The library's load and unload run these (library_module.cpp); tests call
// them again to re-run start-up in a workstation root of their own.
// Attach does nothing when already attached, Detach when not.
KELT_CLASS void ProcessAttach();
KELT_CLASS void ProcessDetach();
KELT_CLASS bool IsAttached();

// The steps start-up and shut-down took, in order, since the log was last
// cleared ("attach:paths", "register:KELT_Spt", "detach:write-last-files" ...).
KELT_CLASS std::vector<std::string> StartupSteps();
KELT_CLASS void ClearStartupSteps();

}  // namespace kelt::lib
