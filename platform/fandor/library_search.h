#pragma once
// Spectrum libraries in the plain-text MSP form and searches in them.
//
// Similarity: spectra are taken at nominal mass, scaled to 999 at their base
// peak and weighted w = mass x sqrt(abundance). The forward match is
// 999 x cos^2 between the two weight vectors over all masses; the reverse
// match the same over the library spectrum's masses only, so ions the
// library spectrum lacks (background, coeluting compounds) do not count
// against it. Hits are ranked by forward match. A prefilter on the largest
// peaks limits the comparison to entries whose eight largest peaks hold the
// unknown's base peak, or whose base peak is among the unknown's eight
// largest.
//
// Spectra cross the boundary as MS exchange buffers (u32 count, then
// 13-byte entries {u8 flag, f64 mass, u32 intensity}).
#include <cstdint>

#include "fandor/fandor.h"

typedef void* HSPECLIB;  // 0 on failure

#pragma pack(push, 1)
// Search definitions of a method. Holds a pointer, so it lives in memory
// only (its offsets are not those of a stored record).
struct STRUCT_NIST_DEFS {
  char libraryPath[260];     // folder the library names of the list are in
  int16_t libraryCount;      // names in the list
  int16_t activeLibraryCount;  // names the library check kept
  char* libraryList;         // FANDOR_LIBRARY_LIST_SIZE bytes: names ended by a NUL, an empty name last
  uint8_t libraryFlags[17];
  uint8_t libraryOptions[17];
  uint8_t searchParameters[296];
  int16_t searchType;        // 'I' (73) identity, otherwise similarity
  int32_t maxHits;           // 0: 10
  int32_t minimumMatch;      // forward match a hit needs, 0..999
  int32_t prefilterPeaks;    // 0: 8
  int32_t limits[3];
  int16_t values[2];
  int16_t reportValue;
};
#define FANDOR_LIBRARY_LIST_SIZE 4177

// One hit of a search.
struct FANDOR_HIT {
  int16_t library;           // index of the library among the searched ones
  int32_t entry;             // 0-based entry of that library
  int16_t forward;           // 0..999
  int16_t reverse;           // 0..999
  int16_t rank;              // 1-based
  int32_t molecularWeight;
  int32_t nistNumber;
  char name[128];
  char formula[32];
  char cas[20];
};
#pragma pack(pop)

// Error numbers of FandorLastError.
#define FANDOR_OK 0
#define FANDOR_ERROR_ARGUMENT 1
#define FANDOR_ERROR_OPEN 2
#define FANDOR_ERROR_EMPTY_LIBRARY 3
#define FANDOR_ERROR_EMPTY_SPECTRUM 4
#define FANDOR_ERROR_NO_LIBRARIES 5
#define FANDOR_ERROR_DATA 6

// Opens and indexes an MSP file. Entries without a name or without peaks
// are left out (counted by CountSkippedLibraryEntries); a file without any
// usable entry fails.
FANDOR_API HSPECLIB OpenSpectrumLibrary(const char* path);
FANDOR_API void CloseSpectrumLibrary(HSPECLIB library);
FANDOR_API int32_t CountLibrarySpectra(HSPECLIB library);  // -1 bad handle
FANDOR_API int32_t CountSkippedLibraryEntries(HSPECLIB library);
// The peaks of an entry at nominal mass, ascending, abundances 0..999: at
// most max of them into the arrays; how many, -1 for a bad handle or entry.
FANDOR_API int32_t GetLibrarySpectrumPeaks(HSPECLIB library, int32_t entry, uint16_t* masses,
                                          uint16_t* abundances, int32_t max);
FANDOR_API BOOL GetLibrarySpectrumName(HSPECLIB library, int32_t entry, char* buffer, int32_t size);
// Entry (as the hits name it) of an open library as a NIST library entry
// with what the library tells of it (see nist_entries.h), read again from
// the file; 0 when the entry is not there or the file changed.
struct STRUCT_NIST_SPT;
FANDOR_API STRUCT_NIST_SPT* GetLibraryEntrySpectrum(HSPECLIB library, int32_t entry);

// Searches one open library. *hitList receives a block (FreeBlock) of an
// i32 count and the hits, best first, at most maxHits (0: 10), those below
// minimumMatch left out. Returns the hit count, -1 on failure.
FANDOR_API int32_t SearchSpectrumLibrary(HSPECLIB library, const void* spectrum, int32_t maxHits,
                                         int32_t minimumMatch, void** hitList);
// Searches the libraries of the definitions (the active ones), merging the
// hits. Returns the hit count, -1 on failure.
FANDOR_API int32_t SearchLibraries(const STRUCT_NIST_DEFS* defs, const void* spectrum, void** hitList);
FANDOR_API int32_t CountHits(const void* hitList);
FANDOR_API BOOL GetHitEntry(const void* hitList, int32_t index, FANDOR_HIT* hit);
FANDOR_API BOOL GetHitName(const void* hitList, int32_t index, char* buffer, int32_t size);

// Library check: keeps in the list the libraries that open, lowering the
// active count; *pathDiffers is set when a library named with a folder of
// its own lies outside the definitions' library folder. Returns the number
// of usable libraries.
FANDOR_API int32_t CheckSearchLibraries(STRUCT_NIST_DEFS* defs, int32_t* pathDiffers);

// Internal-standard confirmation in a data file's "MSData", between two
// times (minutes). Target search: every scan whose reverse match against
// the reference is at least minimumMatch (0: 700) is a hit; with
// requireTime nonzero a retention time outside the range gives none.
// Purity search: the summed spectrum of the range against the reference by
// forward match; one hit when it reaches minimumMatch (0: 600). Hit count,
// -1 on failure.
FANDOR_API int32_t TargetSearch(const char* dataFile, double from, double to, double retentionTime,
                                const void* reference, int32_t minimumMatch, int16_t requireTime);
FANDOR_API int32_t PuritySearch(const char* dataFile, double from, double to, const void* reference,
                                int32_t minimumMatch, int16_t flag);

// Forward and reverse match of two spectra (0..999 each); 0 for an empty one.
FANDOR_API BOOL CompareSpectra(const void* unknown, const void* reference, int16_t* forward, int16_t* reverse);

// Match values of a displayed pair of spectra (exchange buffers), 0..999
// each; FALSE when either spectrum is empty or malformed. The search
// parameters may be null. KeepMatchState copies the state of this thread's
// last successful CalcMatchValues (FANDOR_MATCH_STATE_SIZE bytes);
// CalcMatchValuesFromState gives its values again, only for the same two
// spectra and an intact state.
#define FANDOR_MATCH_STATE_SIZE 24
FANDOR_API BOOL CalcMatchValues(const void* searchParams, const void* unknown, const void* reference,
                                int32_t* forward, int32_t* reverse);
FANDOR_API BOOL KeepMatchState(void* state);
FANDOR_API BOOL CalcMatchValuesFromState(const void* searchParams, const void* unknown, const void* reference,
                                         const void* state, int32_t* forward, int32_t* reverse);

// The last failure of this thread: its number, and its text into buffer.
FANDOR_API int32_t FandorLastError(char* buffer, int32_t size);
