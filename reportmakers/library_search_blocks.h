#pragma once
// Blocks that describe a library search on a report page: its results and
// parameters, constraints, search peaks and mode, the searched libraries,
// and one block per hit with the hit's structure. Each returns the report's
// Ok (0 at once when the report has failed). "---" marks a value not set.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "reportmakers/library_search_records.h"
#include "reportpages/report_output.h"

KELT_API BOOL RPTS_WriteSearchHeader(CReportOutput* out, const STRUCT_NIST_SEARCH* search, int16_t column);
KELT_API BOOL RPTS_WriteSearchConstraints(CReportOutput* out, const SEARCH_CONSTRAINTS* constraints, int16_t column);
KELT_API BOOL RPTS_WriteSearchPeaks(CReportOutput* out, const SEARCH_PEAKS* peaks, int16_t column);
KELT_API BOOL RPTS_WriteSearchMode(CReportOutput* out, const SEARCH_MODE* mode, int16_t column);
// One block per hit: number, name, similarity and formula, MW and CAS
// number, entry and library, NIST number and databases, and the structure
// beside the text. 0 when a hit's spectrum cannot be had or a page cannot
// be started.
KELT_API BOOL RPTS_WriteHitBlock(CReportOutput* out, const STRUCT_NIST_SEARCH* search, int16_t column);
// The libraries of the definitions, one value line each.
KELT_API BOOL RPTS_WriteSearchLibraries(CReportOutput* out, const STRUCT_NIST_DEFS* defs);
KELT_API BOOL RPTS_WriteMSPSearchParameters(CReportOutput* out, const STRUCT_MSP_SEARCH* search, int16_t column);

// The similarity text of a hit (empty unless the search compared spectra);
// text holds at least 80 characters.
KELT_API void FormatNistHitSimilarity(const STRUCT_NIST_SEARCH* search, int32_t hit, char* text);
KELT_API int32_t FormatNistMSPHitSimilarity(const STRUCT_MSP_SEARCH* search, int32_t index, char* text);

// The library spectrum of a hit, or of the match of a list spectrum, read
// from its library; the caller frees it with PlusSpt_Free. 0 when the hit
// is empty or its entry cannot be read.
KELT_API STRUCT_SPT_PLUS* GetSearchHitSpectrum(const STRUCT_NIST_SEARCH* search, int32_t hit);
KELT_API STRUCT_SPT_PLUS* GetMSPSearchHitSpectrum(const STRUCT_MSP_SEARCH* search, int32_t index);

namespace kelt::reports {
// The constraints the definitions hold in their search parameters, with
// every count held to the room of its arrays.
KELT_CLASS SEARCH_CONSTRAINTS ReadConstraints(const STRUCT_NIST_DEFS* defs);
// Whether any constraint is set.
KELT_CLASS bool AnyConstraint(const SEARCH_CONSTRAINTS& c);
// The number of libraries the definitions name, at most their room.
KELT_CLASS int SearchedLibraryCount(const STRUCT_NIST_DEFS* defs);
// The path of the library numbered from 1 among the definitions' libraries.
KELT_CLASS bool LibraryPath(const STRUCT_NIST_DEFS* defs, int library, char* path);
// A library entry (from 1) read from the library file as a NIST entry.
KELT_CLASS STRUCT_SPT_PLUS* LibraryEntrySpectrum(const STRUCT_NIST_DEFS* defs, int library, int32_t entry);
// The name cut into pieces of width characters: a short tail (under 10)
// joins its piece; a hyphen, blank or comma after a piece ends it.
KELT_CLASS std::vector<std::string> NamePieces(const std::string& name, size_t width);
}  // namespace kelt::reports
