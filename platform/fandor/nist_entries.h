#pragma once
// NIST library entries as the library reader hands them out: the entry
// record with its integer pairs, its auxiliary data and its chemical
// structure. Every block comes from the common allocator.
#include <cstddef>
#include <cstdint>

#include "fandor/fandor.h"

#define NIST_LIBRARY_NAME_SIZE 256
#define NIST_AUX_NAME_SIZE 512
#define NIST_AUX_FORMULA_SIZE 24
#define NIST_CHEM_STRUCT_SIZE 8148

#pragma pack(push, 1)
// Mass (nominal) and intensity.
struct NIST_PAIR {
  uint16_t mass;
  uint32_t intensity;
};

// Auxiliary data of an entry. Lives in memory only (it holds pointers).
struct NIST_AUX_DATA {
  uint32_t ids[6];              // [3] CAS number; low half of [5] the molecular weight
  uint32_t entryWord;
  char name[NIST_AUX_NAME_SIZE];
  char formula[NIST_AUX_FORMULA_SIZE];
  char* text;                   // textSize bytes, or 0
  uint32_t textSize;
  uint8_t* block;               // blockSize bytes, or 0
  uint32_t blockSize;
  uint32_t blockWord;
  uint32_t valueCount;
  uint32_t* values;             // valueCount values, or 0
};

// An entry: the head, then pairCount pairs (the block may hold more room).
struct STRUCT_NIST_SPT {
  char libraryName[NIST_LIBRARY_NAME_SIZE];
  NIST_AUX_DATA* aux;           // or 0
  uint8_t* chemStruct;          // NIST_CHEM_STRUCT_SIZE bytes, or 0
  int16_t pairCount;
  NIST_PAIR pairs[1];
};
#pragma pack(pop)

static_assert(sizeof(NIST_PAIR) == 6);

// Deep copy of an entry (the record block, its auxiliary data and its
// chemical structure), or 0 with nothing left allocated.
FANDOR_API STRUCT_NIST_SPT* DuplicateNistEntry(const STRUCT_NIST_SPT* entry);
// Frees auxiliary data with its text, block and values; accepts 0.
FANDOR_API void ReleaseNistAuxData(NIST_AUX_DATA* aux);
