#pragma once
// The ion-range popup: a small modeless window in which the user builds the
// spectrum control's mass limits, typed as a mass-list text or dragged on
// the spectrum. "Change" hands the list to the control, "Clear" empties it.
#include <cstddef>
#include <cstdint>

#include "quorna/ms_lists.h"
#include "win/win_types.h"

#define ION_RANGE_DIALOG 319
#define ION_RANGE_LABEL 4726
#define ION_RANGE_TEXT 4727
#define ION_RANGE_EDIT 4728
#define ION_RANGE_CLEAR 4745
#define ION_RANGE_CHANGE 4754
#define ION_RANGE_EDIT_LIMIT 301

#pragma pack(push, 1)
// The popup's state (248 bytes with a 32-bit window handle; it lives in
// memory only), from the common allocator: made by the control, freed by
// the popup when its window goes.
struct STRUCT_ION_RANGE_POPUP {
  HWND control;  // the spectrum control's window
  STRUCT_MASS_LIST massList;
  uint16_t hasList;
  double massWindow;  // 0.5: given to the parser with every text
  uint16_t formatOption;
  uint16_t updating;  // 1 while the popup writes the edit itself
  uint8_t reserved[16];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_MASS_LIST) == 214);
static_assert(sizeof(STRUCT_ION_RANGE_POPUP) == 244 + sizeof(HWND));

namespace kelt::spt {
// Makes the popup for the control from its state record; the popup owns
// the record from then on (also when it fails during its set-up). Null when
// the window could not be made; the record is then freed.
HWND CreateIonRangePopup(HWND control, STRUCT_ION_RANGE_POPUP* state);
}  // namespace kelt::spt
