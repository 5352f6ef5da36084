// Empty list spectra.
#include "fandor/empty_list_entries.h"

FANDOR_API STRUCT_LIST_SPT* NewListSpectrum(uint32_t room) {
  STRUCT_LIST_SPT* list = NewListEntry(room);
  if (list) list->pairCount = 0;
  return list;
}
