#pragma once
// Small helpers shared across the library: method and data-handling tests
// of files, data-handling section names, shortened paths for display, the
// help call and the check of the floating-point control word.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

// Both data-handling tables ("GlobalParams", "PeakTable") of the module are on the file.
KELT_API BOOL KELT_IsDataHandlingMethodOnFile(const char* path, uint16_t moduleId, uint16_t moduleAddress);
// An existing method file (sectioned file of type 666) carrying a data-handling method.
KELT_API BOOL KELT_IsMethodFile(const char* path, uint16_t moduleId, uint16_t moduleAddress);
KELT_API BOOL KELT_DoesFileExist(const char* path);
// "<name>.<id>.<address>.<channel>" with hexadecimal id and address; on
// failure the ids are 0, the channel text empty and the result 0. The
// channel buffer holds at least 64 bytes; longer channel texts are cut.
KELT_API BOOL KELT_FromSectionGetModuleIDAndAddress(const char* section, uint16_t* moduleId, uint16_t* moduleAddress);
KELT_API BOOL KELT_FromSectionGetModuleIDAddressChannel(const char* section, uint16_t* moduleId,
                                                        uint16_t* moduleAddress, char* channel);
// At most maxLength characters: "..." and the end of a longer text,
// lower-cased. The buffer holds maxLength + 1 bytes (at least 4).
KELT_API char* KELT_TruncateFileString(const char* path, int16_t maxLength, char* buffer);
// The same for the file name and extension alone.
KELT_API char* KELT_TruncateFilenameString(const char* path, int16_t maxLength, char* buffer);
// The help file at a topic, over the active window.
KELT_API BOOL KELT_ShowHelpTopic(uint32_t context, uint32_t command);
// The current control word when it equals the expected one. Otherwise a
// printer driver changed it: the user is told, the expected word is put
// back, and the changed word is returned.
KELT_API unsigned int CheckFloatingPointControl(unsigned int expected, const char* driverName);
