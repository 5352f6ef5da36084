#pragma once
// Dialog placement and the help call of the common-services library.
#include <cstdint>
#include <string>

#include "orvik32/orvik32.h"

// Centres dialog over parent (over the screen when parent is null), kept
// on the screen. 0 for a missing dialog.
ORVIK_API BOOL PositionDialog(HWND dialog, HWND parent);
// Opens the help file at a topic for owner: context and command are passed
// on to the help viewer as given. 0 when the help file does not exist.
ORVIK_API BOOL ShowHelp(HWND owner, const char* helpFile, uint32_t context, uint32_t command);

namespace orvik {
// The last help request that ShowHelp took (for hosts and tests).
struct HelpRequest {
  HWND owner = nullptr;
  std::string helpFile;
  uint32_t context = 0;
  uint32_t command = 0;
  int count = 0;  // requests so far
};
__attribute__((visibility("default"))) HelpRequest LastHelpRequest();
}  // namespace orvik

// The folder of a file just chosen becomes the default folder of its kind
// ("run", "mth" ...), kept in the workstation ini; path is not changed.
ORVIK_API void SetDefaultFolderForType(const char* path, const char* type);
// The default folder of a kind (with its closing "\"), empty when none;
// buffer holds 260 bytes.
ORVIK_API BOOL GetDefaultFolderForType(const char* type, char* buffer);
// A common dialog made a child window: counted for hosts that watch it.
ORVIK_API void DialogChildCreated(HWND dialog);
