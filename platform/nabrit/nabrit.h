#pragma once
// Extraction: the part of a data file's MS data that one compound or one
// time range needs, copied into a small sectioned file (a mini run file)
// that the data-handling engine integrates; and whole files stored as named
// sections of a sectioned file.
//
// The extracts keep whole scans (every peak, for spectra at the apex) with
// their scan numbers, the segments they fall in (clipped to them) and the
// data file's information block. Failures return an error code and its
// text (at most 80 characters) in the caller's 81-byte buffer.
#include <cstdint>

#include "holbrin/dh_records.h"
#include "win/win_types.h"

#define NABRIT_API extern "C" __attribute__((visibility("default")))

#define NABRIT_TEXT_SIZE 81

#define NABRIT_OK 0
#define NABRIT_ERROR_ARGUMENT 1     // a path or range is missing or reversed
#define NABRIT_ERROR_SOURCE 2       // the source holds no readable MS data
#define NABRIT_ERROR_TARGET 3       // the target could not be written
#define NABRIT_ERROR_NO_SCANS 4     // no scan lies in the range
#define NABRIT_ERROR_CHANNELS 5     // none of the listed channels exist in the range

// The compound's extract: the scans of sourceFile (dataFile when 0) from
// windowStart to windowEnd (minutes), widened to the noise window (two
// times, or 0), into targetFile (made a sectioned file; its "MSData"
// replaced). A listed channel list must name a scan function that exists
// in one of the segments in range. The mass list, internal-standard
// indicator and module arguments are accepted for the callers' sake: the
// whole scans are kept. Returns NABRIT_OK or an error code.
NABRIT_API int32_t ExtractCompoundData(const char* dataFile, const char* sourceFile, const char* targetFile,
                                       double windowStart, double windowEnd, const DH_MASS_LIST* masses,
                                       const DH_CHAN_LIST* channels, const double* noiseWindow,
                                       int32_t internalStandard, uint16_t moduleId, uint16_t moduleAddress,
                                       const char* tag, char* errorText);
// True when the engine may read the compound's range of the source
// (dataFile when 0) in place of ExtractCompoundData's extract of it with
// these arguments: the extract would succeed and show a trace reader the
// same scans. *from and *to get the extract's range (minutes). False when
// only a written extract will do (also on every error it would report).
NABRIT_API BOOL CompoundDataReadsInPlace(const char* dataFile, const char* sourceFile, double windowStart,
                                         double windowEnd, const DH_CHAN_LIST* channels, const double* noiseWindow,
                                         double* from, double* to);
// A time range of the run, or with segment >= 0 (0-based) that segment.
NABRIT_API int32_t ExtractDataRange(const char* dataFile, const char* sourceFile, const char* targetFile,
                                    double from, double to, int16_t segment, char* errorText);
// True when ExtractDataRange of that range (no segment) would copy the
// source's stored MS data unchanged: every scan and segment of the run
// lies within it.
NABRIT_API BOOL ExtractIsWholeCopy(const char* dataFile, const char* sourceFile, double from, double to);
// The text of an error code into text (81 bytes); 0 for NABRIT_OK.
NABRIT_API BOOL GetExtractionErrorText(int32_t code, char* text);
// Stores the bytes of file as the section sectionName of the sectioned
// file targetFile (replacing one of that name) in one step.
NABRIT_API BOOL StoreFileAsSection(const char* file, const char* targetFile, const char* sectionName);
// Writes the bytes of the section sectionName of the sectioned file
// sourceFile into the file outFile (replaced whole, or left as it was);
// 0 when the section is missing or cannot be read or written.
NABRIT_API BOOL ExtractSectionAsFile(const char* sourceFile, const char* outFile, const char* sectionName);
