#pragma once
// The search records host programs hand to the library-search and
// target-list reports. The searches run in the hosts; these records carry
// their settings and results. Records that hold pointers live in memory
// only; the embedded parameter records keep their stored sizes.
#include <cstddef>
#include <cstdint>

#include "fandor/library_search.h"
#include "spectra/spectrum_record.h"

#define SEARCH_MOST_ITEMS 10

#pragma pack(push, 1)
// Constraints of a library search, as the search definitions store them.
struct SEARCH_CONSTRAINTS {
  int32_t mwMinimum, mwMaximum;  // shown only when both are above 0
  char nameFragment[40];
  int32_t someElements;          // nonzero: some of the elements, else all
  int32_t elementCount;
  char elementSymbols[SEARCH_MOST_ITEMS][2];  // not terminated
  int32_t ruleCount;
  char ruleSymbols[SEARCH_MOST_ITEMS][2];
  char ruleRelations[SEARCH_MOST_ITEMS];
  int32_t ruleValues[SEARCH_MOST_ITEMS];
  int32_t absolutePeaks;         // nonzero "Absolute", else "Relative"
  int32_t peakCount;
  int32_t peakFrom[SEARCH_MOST_ITEMS];
  int32_t peakTo[SEARCH_MOST_ITEMS];
  int32_t peakMass[SEARCH_MOST_ITEMS];
  char peakTypes[SEARCH_MOST_ITEMS];  // 'M' MaxIon, 'L' Loss, 'R' Rank, else Normal
  uint32_t otherDatabases;
};

// Peaks a search with search peaks looks for.
struct SEARCH_PEAKS {
  int16_t count;
  int32_t types[SEARCH_MOST_ITEMS];  // 0 Normal, 1 Loss, 2 MaxIon, 4 Rank
  int16_t ions[SEARCH_MOST_ITEMS];
  int16_t to[SEARCH_MOST_ITEMS];
  int16_t from[SEARCH_MOST_ITEMS];
};

// How a search compares: 'Q' Quick, 'S' Simple, 'H' Hybrid, 'L' Loss,
// 'I' (or anything else) Normal.
struct SEARCH_MODE {
  int32_t mode;
  int32_t molecularWeight;
  int32_t reverse;
  int32_t massLow, massHigh;
  int32_t minimumIntensity;
};
#pragma pack(pop)

static_assert(sizeof(SEARCH_CONSTRAINTS) == 292);
static_assert(sizeof(SEARCH_PEAKS) == 102);
static_assert(sizeof(SEARCH_MODE) == 24);
static_assert(offsetof(SEARCH_CONSTRAINTS, otherDatabases) == 288);
// The constraints lie in the definitions' search parameters.
static_assert(sizeof(SEARCH_CONSTRAINTS) <= sizeof(STRUCT_NIST_DEFS::searchParameters));

// Search kinds.
#define SEARCH_KIND_PEAKS 10
#define SEARCH_KIND_NAME 12
#define SEARCH_KIND_NAME_EX 13
#define SEARCH_KIND_NO_PRESEARCH 18
#define SEARCH_KIND_SPECTRUM 19

// Hits of one search. The arrays hold count values each.
struct STRUCT_NIST_HIT_TABLE {
  int32_t* hits;          // per hit: -1 empty, else the library number (from 1) it came from
  int16_t count;
  int32_t* forward;       // match values 0..999
  int32_t* reverse;
  int32_t* probability;   // hundredths of a percent
};

struct STRUCT_NIST_SEARCH {
  int16_t kind;
  char targetName[86];          // for titles
  STRUCT_NIST_HIT_TABLE* hitTable;
  int32_t* entries;             // entry number (from 1) per hit; listed when above 0
  char name[40];                // search name
  int16_t preSearch, finalSearch;
  int16_t constraintsOn;
  char nameFragment[40];
  int16_t alphaOnly;
  SEARCH_MODE mode;
  SEARCH_PEAKS peaks;
  STRUCT_NIST_DEFS* defs;       // libraries and constraints, or 0
  STRUCT_SPT_PLUS* target;      // target spectrum, or 0
};

// The search of every spectrum of a list file.
struct STRUCT_MSP_SEARCH {
  char name[40];
  int16_t preSearch, finalSearch;
  char listPath[260];
  int32_t count;                // list spectra searched
  int32_t* matched;             // per list spectrum: >0 the entry, 0 none, <0 deleted
  int16_t* libraries;           // per list spectrum: library number (from 1) of the match
  int32_t* forward;
  int32_t* reverse;
  int32_t* probability;         // hundredths
  SEARCH_MODE mode;
  STRUCT_NIST_DEFS* defs;
};

// List files of a target-list search.
struct LIST_FILE_TABLE {
  int16_t count;
  char (*paths)[260];
};

#pragma pack(push, 1)
struct STRUCT_TLS_MATCH {
  int16_t number;       // from 0
  int16_t file;         // index in the list-file table
  int32_t entry;        // from 0
  int32_t reverse;
  int32_t forward;
};

struct STRUCT_TLS_PEAK_MATCH {
  int16_t reserved0[2];
  int16_t file;         // 4
  int32_t entry;        // 6
  int16_t reserved1;
  int16_t found;        // 12; 0: no match for the peak
  double time;          // 14, minutes
  int32_t scan;         // 22
  int32_t reverse;      // 26
  int32_t forward;      // 30
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_TLS_MATCH) == 16);
static_assert(sizeof(STRUCT_TLS_PEAK_MATCH) == 34);
static_assert(offsetof(STRUCT_TLS_PEAK_MATCH, file) == 4);
static_assert(offsetof(STRUCT_TLS_PEAK_MATCH, found) == 12);
static_assert(offsetof(STRUCT_TLS_PEAK_MATCH, time) == 14);
static_assert(offsetof(STRUCT_TLS_PEAK_MATCH, forward) == 30);

// Index table of a list file kept by the search.
struct STRUCT_MSP_FILE_INDEXES {
  int32_t count;
  uint32_t* offsets;
};

struct STRUCT_TLS_SEARCH {
  STRUCT_SPT_PLUS* spectrum;
  LIST_FILE_TABLE* files;
  SEARCH_MODE mode;
  int32_t threshold;
  int16_t maxMatches;
  int16_t matchCount;
  STRUCT_TLS_MATCH* matches;
  STRUCT_MSP_FILE_INDEXES** indexes;  // one per list file, each or the table 0
};

struct STRUCT_PS;
struct STRUCT_TLS_CHRO_SEARCH {
  char dataFile[260];
  LIST_FILE_TABLE* files;
  SEARCH_MODE mode;
  int16_t top3Ions;
  int16_t minimumHeight;  // hundredths of a percent of the RIC
  int16_t threshold;
  double timeFrom, timeTo;
  STRUCT_PS* plot;        // plot selection, or 0
  int32_t peakCount;
  STRUCT_TLS_PEAK_MATCH* peaks;
  STRUCT_MSP_FILE_INDEXES** indexes;
};
