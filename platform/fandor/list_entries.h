#pragma once
// Entries of spectrum list (MSP) files as the list reader hands them out:
// the entry's texts and numbers, then its precise pairs. The record holds
// a pointer, so it lives in memory only.
#include <cstddef>
#include <cstdint>

#include "fandor/fandor.h"

#define LIST_NAME_SIZE 300
#define LIST_COMMENT_SIZE 150
#define LIST_FORMULA_SIZE 41
#define LIST_PATH_SIZE 260

#define ENTRY_CONTRIBUTOR_SIZE 81
// Bits of LIST_ENTRY_DETAILS::importItems: which import items the entry has.
#define LIST_IMPORT_DATE 0x0001
#define LIST_IMPORT_DATA_FILE 0x0002
#define LIST_IMPORT_SCAN_FUNCTIONS 0x0004
#define LIST_IMPORT_ION_TIME 0x0008
#define LIST_IMPORT_MAX_RIC 0x0010
#define LIST_IMPORT_RETENTION_TIME 0x0020
#define LIST_IMPORT_SCAN_RANGE 0x0040
#define LIST_IMPORT_TIME_RANGE 0x0080
#define LIST_IMPORT_BASELINE 0x0100

#pragma pack(push, 1)
// Precise pair: mass, intensity and a flag byte.
struct XTOL_PAIR {
  double mass;
  uint32_t intensity;
  uint8_t flag;
};

// What a list entry tells beyond its spectrum: contributor, database
// references, and the information of its import from a data file.
struct LIST_ENTRY_DETAILS {
  char contributor[ENTRY_CONTRIBUTOR_SIZE];
  uint32_t databases;
  int32_t nistNumber;
  int32_t dbidNumber;
  char scanFunctionText[65];
  uint16_t importItems;  // LIST_IMPORT_* bits; 0: no import information
  char importDate[33];
  char dataFile[261];
  char scanFunctions[65];
  char ionTime[33];
  char maxRic[33];
  double retentionTime;  // minutes
  int32_t firstScan, lastScan;
  double firstTime, lastTime;
  uint16_t baselineCorrected;
  // The entry in the list's replicate file (CAccessCIDFile): byte offset
  // and length; a length of 0 when there is none.
  uint32_t cidReference[2];
};

struct STRUCT_LIST_SPT {
  char name[LIST_NAME_SIZE];
  char comment[LIST_COMMENT_SIZE];
  char formula[LIST_FORMULA_SIZE];
  uint16_t molecularWeight;
  uint32_t casNumber;
  double lowMass, highMass;
  double scores[3];
  uint32_t entryNumber;
  char listPath[LIST_PATH_SIZE];
  uint8_t* attached;                  // owned, or 0: the entry's estimates (ENTRY_ESTIMATES)
  uint32_t attachedSize;
  uint16_t sourceTitles;              // the comment holds two source titles
  uint16_t generation;                // difference generations
  LIST_ENTRY_DETAILS details;
  uint32_t pairCount;
  XTOL_PAIR pairs[1];
};
#pragma pack(pop)

static_assert(sizeof(XTOL_PAIR) == 13);

// Bytes of a list record with room for n pairs (at least one).
constexpr size_t ListEntryBytes(size_t n) {
  return offsetof(STRUCT_LIST_SPT, pairs) + (n ? n : 1) * sizeof(XTOL_PAIR);
}

// A new zeroed list record with room for count pairs and a pair count of
// 0, from the common allocator; 0 when it cannot be allocated or count is
// beyond what a block can hold.
FANDOR_API STRUCT_LIST_SPT* NewListEntry(uint32_t count);
