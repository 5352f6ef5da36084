#pragma once
// Value-to-text rules of the report cells: search kinds, match and search
// types, response factors, library names, result-code letters, peak types,
// calibration fits and equations. "step" is a result step, "table" the
// data file's global table, "compound" a method compound record.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "win/win_types.h"

// Search-kind text of (direction, letter) into output (at least 32 bytes):
// 1, or 0 with an empty output when the pair is not in the table.
KELT_API BOOL KELT_FormatNISTSearchType(int16_t direction, uint32_t kind, char* output, int16_t longText);

// Search-result cells of a result step: "N/A" when the step has no
// spectrum match (its search type is not 0 or its name is "No Search"),
// "----" for a missing value; compact or aligned to a column.
KELT_API char* KELT_FormatMatchValue(const void* step, char* output, int16_t compact);
KELT_API char* KELT_FormatFitThreshold(const void* step, char* output, int16_t compact);
KELT_API char* KELT_FormatSimilarity(const void* step, char* output, int16_t compact);
KELT_API char* KELT_FormatReverseSimilarity(const void* step, char* output, int16_t compact);
KELT_API char* KELT_FormatHitProbability(const void* step, char* output, int16_t compact);
KELT_API char* KELT_FormatInLibraryProbability(const void* step, char* output, int16_t compact);

// Names of the codes of a results header and step.
KELT_CLASS const char* RPTS_FmtCalcType(int16_t type);
KELT_CLASS const char* RPTS_FmtPeakMeasure(int16_t kind);
KELT_CLASS const char* RPTS_FmtSampleType(int16_t type);
// Status names 0-5 ("Identified" ...); empty for others.
KELT_CLASS char* RPTS_FmtStatus(int16_t status, char* output);
// Short status names 0-5 ("Id." ...); the output is left as it is for others.
KELT_CLASS char* RPTS_FmtStatusShort(int16_t status, uint32_t ignored, char* output);
// The library of a TIC hit record as a lower-case file name of at most
// width characters (the end kept).
KELT_CLASS char* RPTS_FmtHitLibraryName(const void* hit, char* output, uint16_t width);
// The data file's sample-preparation text, zero-terminated, in a block of
// the shared allocator that the caller frees; 0 on any failure.
KELT_CLASS char* RPTS_GetSamplePrepText(const char* path);

namespace kelt::reports {

// Longest texts the cells produce, terminator included.
inline constexpr size_t kCellTextSize = 256;

bool HasMatchCriterion(const void* step, const void* table);
std::string MatchType(const void* step, const void* table, bool longText);
// Statuses 3-5 from the table's library-search switch; 0-2 from the method
// library "Ferrow.dll" (empty when it or its function is missing).
std::string SearchType(const void* step, const void* table, bool longText);
std::string RfUsed(const void* table, const void* step, bool shortText);
// Library number index of the searched libraries, as a lower-case file
// name cut to width characters (keeping the end).
std::string LibraryName(const void* table, int16_t index, uint16_t width);
// A library path as a lower-case file name of at most width characters.
std::string ShortLibraryName(const char* path, uint16_t width);
bool IsNoSearchName(const void* step);
std::string ErrorFlags(const void* step);
int CountPeakTypes(int16_t bits);
std::string PeakType(int16_t bits, int16_t style);
std::string CalibFitType(const void* compound);
// 0 when all four coefficients are 0 (outputs untouched), else 1.
bool CalibEquation(const void* compound, std::string& constant, std::string& x, std::string& x2, std::string& x3);
std::string Coefficient(double value, bool compact);

// Copies text into a caller buffer of kCellTextSize bytes.
char* PutCell(char* output, const std::string& text);

}  // namespace kelt::reports
