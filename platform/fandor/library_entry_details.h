#pragma once
// What a NIST library entry tells beyond its spectrum: contributor,
// database references, the estimates of the library's analysis, replicates
// and synonyms. The record is fixed and holds no pointers; the entry's
// auxiliary data carries it as its block. (List entries keep theirs in the
// list record, their estimates as its attached block.)
#include <cstddef>
#include <cstdint>

#include "fandor/list_entries.h"
#include "fandor/nist_entries.h"

#define ENTRY_WARNING_SIZE 71
#define ENTRY_MAX_WARNINGS 8
#define ENTRY_MAX_REPLICATES 8
#define ENTRY_REPLICATE_LIBRARY_SIZE 33
#define ENTRY_MAX_SYNONYMS 16
#define ENTRY_SYNONYM_SIZE 81
#define ENTRY_DATABASE_FLAGS 9  // Fine TSCA RTECS EPA USP HODOC NIH EINECS IR, bit 0 first

#pragma pack(push, 1)
// Estimates of the library's analysis of an entry's spectrum. Probabilities
// are in tenths of a percent.
struct ENTRY_ESTIMATES {
  uint16_t weightsPresent;
  int32_t weights[5];
  int16_t weightProbabilities[5];
  uint16_t halogensPresent;
  int16_t chlorine, bromine;
  int16_t halogenProbabilities[4];  // both correct, Cl or Br, Cl, Br
  uint16_t warningCount;
  char warnings[ENTRY_MAX_WARNINGS][ENTRY_WARNING_SIZE];
  char error[ENTRY_WARNING_SIZE];
};

struct ENTRY_REPLICATE {
  int32_t entry;
  char library[ENTRY_REPLICATE_LIBRARY_SIZE];
};

struct NIST_ENTRY_DETAILS {
  char contributor[ENTRY_CONTRIBUTOR_SIZE];
  int32_t nistNumber;
  uint32_t databases;
  uint16_t estimatesPresent;
  ENTRY_ESTIMATES estimates;
  uint16_t replicateCount;
  ENTRY_REPLICATE replicates[ENTRY_MAX_REPLICATES];
  uint16_t synonymCount;
  char synonyms[ENTRY_MAX_SYNONYMS][ENTRY_SYNONYM_SIZE];
};

#pragma pack(pop)

// The estimates a list entry carries as its attached block, or null.
inline const ENTRY_ESTIMATES* ListEntryEstimates(const STRUCT_LIST_SPT* list) {
  return list && list->attached && list->attachedSize == sizeof(ENTRY_ESTIMATES)
             ? reinterpret_cast<const ENTRY_ESTIMATES*>(list->attached)
             : nullptr;
}

// The details an entry carries, or null.
inline const NIST_ENTRY_DETAILS* NistEntryDetails(const NIST_AUX_DATA* aux) {
  return aux && aux->block && aux->blockSize == sizeof(NIST_ENTRY_DETAILS)
             ? reinterpret_cast<const NIST_ENTRY_DETAILS*>(aux->block)
             : nullptr;
}
