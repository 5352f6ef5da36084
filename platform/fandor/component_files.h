#pragma once
// Deconvolution component files (".ELU" beside a data file): the
// components the deconvolution extracted, in time order. Reached through
// the library's ordinal exports 712 (open the file of a data file), 718
// (number of components), 700 (next component) and 701 (close). The
// layout is this stand-in's own: a 16-byte head ("ELU1", count u32,
// 8 bytes reserved) and fixed records of ELU_COMPONENT_SIZE bytes.
#include <cstdint>

#include "fandor.h"

#define ELU_HEAD_SIZE 16
#define ELU_MAGIC "ELU1"

#pragma pack(push, 1)
struct ELU_COMPONENT {
  int32_t scan;           // 1-based within the run
  double time;            // minutes
  char model[16];         // the model ion, as text
  int32_t purity;         // percent
  float limit;            // detection limit
  float signalToNoise;
  float width;            // scans
  float amount;           // percent of the total signal
  float tailing;
  int32_t index;          // the component's number in the file
  char models[40];        // the other model ions, as text
};
#pragma pack(pop)
#define ELU_COMPONENT_SIZE 96
static_assert(sizeof(ELU_COMPONENT) == ELU_COMPONENT_SIZE);

// Opens the component file of a data file (its extension replaced by
// ".ELU"); 1 when it is there and whole. One file is open at a time.
FANDOR_API BOOL Ordinal712(const char* dataPath);
// Components in the open file, 0 when none is open.
FANDOR_API int32_t Ordinal718();
// The next component; 0 past the last or on a failed read.
FANDOR_API BOOL Ordinal700(ELU_COMPONENT* component);
// Closes the open file.
FANDOR_API void Ordinal701();
