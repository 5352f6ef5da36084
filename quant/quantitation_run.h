#pragma once
// A data file quantitated against its method in one call: checks, claims,
// the method copied in, every compound integrated (internal standards
// first), calibration updated on calibration samples, the full
// chromatogram's unknown peaks, amounts, and the results, qualifier and TIC
// sections put into the data file together. And the manual form, which
// redoes one changed result and what depends on it.
#include <cstdint>

#include "holbrin/dh_records.h"
#include "quant/morvex_export.h"
#include "win/win_types.h"

#pragma pack(push, 1)
// What a host passes about itself. Holds the engine's module handle, so it
// lives in memory only.
struct STRUCT_QUANT_CALLER {
  HINSTANCE module;       // 0: the run fills in the engine's own
  char text4[19];
  char text23[19];
  char text42[260];
  char methodPath[260];
  char text562[260];
};

// Saved calibration fields of a compound (expected time, time events,
// qualifiers, reference spectrum and its count).
struct COMPOUND_CAL_SAVE {
  uint32_t retentionTime;
  uint8_t timeEvents[100];
  uint8_t qualifiers[5 * 230];
  uint8_t referenceSpectrum[1368];
  int16_t referenceCount;
};
#pragma pack(pop)

// Sample types of the options record (offset 24).
#define SAMPLE_CALIBRATION 1
#define SAMPLE_ANALYSIS 2
#define SAMPLE_VERIFICATION 3

// 1 when the run completed (also with notes), 0 when it stopped. The
// options record (2,239 bytes) comes back changed only in its sample type,
// calibration level or sample-amount factor, and amount scale numerator.
MORVEX_API BOOL DoTolmarQuantitationEx(HWND window, const char* dataFile, const char* methodFile, void* options,
                                       STRUCT_QUANT_CALLER* caller);
MORVEX_API BOOL DoTolmarQuantitation(HWND window, const char* dataFile, const char* methodFile, void* options);

// Appends an entry to the data file's "RecalcLog"; 1 on success.
MORVEX_API BOOL WriteRecalcLog(const char* dataFile, const char* methodFile, const void* options,
                               const STRUCT_QUANT_CALLER* caller, const void* header, uint16_t moduleId,
                               uint16_t moduleAddress, const char* tag);

MORVEX_API void MORVEX_MaskRefPkFlag(STRUCT_DH_COMPOUND* compound, int16_t* wasSet);
MORVEX_API void MORVEX_RestoreRefPkFlag(STRUCT_DH_COMPOUND* compound);
// correctedTime >= 0 replaces the saved expected time (minutes).
MORVEX_API void SaveCompoundCalFields(const STRUCT_DH_COMPOUND* compound, double correctedTime, COMPOUND_CAL_SAVE* save);
MORVEX_API void RestoreCompoundCalFields(STRUCT_DH_COMPOUND* compound, const COMPOUND_CAL_SAVE* save);

// The amount whose calibrated response is response: the curve of the
// compound's coefficients (kind at record 1713) solved for the amount;
// false when the compound has no usable curve there.
MORVEX_API BOOL CalibratedAmount(const STRUCT_DH_COMPOUND* compound, double response, double* amount);
// A calibration sample's response at level (0-9) added to the compound's
// points (replacing the last one when replace is set, averaged into one
// point when average is set) and the curve fitted again. 1 when fitted.
MORVEX_API BOOL AddCalibrationPoint(STRUCT_DH_COMPOUND* compound, int16_t level, double response, BOOL replace,
                                    BOOL average, const DH_QUANT_BLOCK* block);

// Clears a compound's calibration: flag bits 1, 2, 3 and 11, the 52 bytes
// from offset 52 (the coefficients among them), the i32 at 108 and the
// i16s at 112 and 114.
MORVEX_API void ClearCompoundCalibration(STRUCT_DH_COMPOUND* compound);

// ---- Manual quantitation -----------------------------------------------------------
MORVEX_API BOOL DoTolmarManualQuantitationEx1(HWND window, char* runFile, const char* dataFile,
                                              const char* calibrationName, const char* methodFile, void* options,
                                              int16_t compoundIndex, int16_t stepIndex, int16_t mode,
                                              double manualValue, int16_t manualFlag);
MORVEX_API BOOL DoTolmarManualQuantitation(HWND window, char* runFile, const char* dataFile, const char* methodFile,
                                           void* options, int16_t compoundIndex, int16_t stepIndex, int16_t mode,
                                           double manualValue, int16_t manualFlag);
MORVEX_API BOOL RunManualQuantitation(HWND window, char* runFile, const char* dataFile, const char* calibrationName,
                                      const char* methodFile, void* options, STRUCT_QUANT_CALLER* caller,
                                      int16_t compoundIndex, int16_t stepIndex, int16_t mode, double manualValue,
                                      int16_t manualFlag);
