// Empty list spectra.
#include "fandor/list_spectrum.h"

FANDOR_API STRUCT_LIST_SPT* NewListSpectrum(uint32_t room) {
  STRUCT_LIST_SPT* list = NewListEntry(room);
  if (list) list->pairCount = 0;
  return list;
}
