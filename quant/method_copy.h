#pragma once
// A data-handling method's sections copied between a method and a data
// file, the comparisons that decide whether calibration data changed or
// compound settings agree, and the saving of calibration data or whole
// compound records into a method through a temporary copy of it.
#include <cstdint>

#include "holbrin/dh_records.h"
#include "quant/morvex_export.h"
#include "win/win_types.h"

// Answer of MORVEX_HasCaliDataChanged when the two tables cannot be
// compared (one will not open, or their sizes differ): neither "same" nor
// "changed", so that a host does not take it for unchanged data.
#define CALI_DATA_NOT_COMPARED (-1)

MORVEX_API BOOL MORVEX_CopyDHGlobalMethod(const char* destination, const char* source, uint16_t moduleId,
                                          uint16_t moduleAddress);
MORVEX_API BOOL MORVEX_CopyDHCmpdTableMethod(const char* destination, const char* source, uint16_t moduleId,
                                             uint16_t moduleAddress);
MORVEX_API BOOL MORVEX_CopyDHMethod(const char* destination, const char* source, uint16_t moduleId,
                                    uint16_t moduleAddress);

// Moves the calibration fields of giver into receiver (the first value of
// each calibration level stays the receiver's; flag bits only ever set).
MORVEX_API void MoveCompoundCalFields(STRUCT_DH_COMPOUND* receiver, const STRUCT_DH_COMPOUND* giver);

MORVEX_API BOOL MORVEX_HasCaliDataChanged(const char* first, const char* second, int32_t index, uint16_t moduleId,
                                          uint16_t moduleAddress, const char* tag);
MORVEX_API BOOL MORVEX_OKToSaveCaliDataOnly(const char* first, const char* second, int32_t index, uint16_t moduleId,
                                            uint16_t moduleAddress, const char* tag);
MORVEX_API BOOL MORVEX_AreCmpdParamsSame(const char* first, const char* second, int32_t index, uint16_t moduleId,
                                         uint16_t moduleAddress, const char* tag, int16_t keepFlag);
MORVEX_API BOOL MORVEX_SaveCaliDataToMethod(const char* methodFile, const char* dataFile, int32_t index,
                                            uint16_t moduleId, uint16_t moduleAddress, const char* tag);
MORVEX_API BOOL MORVEX_SaveCmpdRecordsToMethod(const char* methodFile, const char* dataFile, int32_t index,
                                               int32_t ignored, uint16_t moduleId, uint16_t moduleAddress,
                                               const char* tag);
MORVEX_API BOOL MORVEX_SaveCmpdRecordsWithLogs(const char* methodFile, const char* dataFile, uint16_t moduleId,
                                               uint16_t moduleAddress, int32_t index);
