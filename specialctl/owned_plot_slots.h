#pragma once
// The records behind a slot of a control that owns its plot data (the
// point-fed and the owned-data controls): a work file that stands for no
// readable file, a data-points record, and point blocks that grow as
// points arrive.
#include <cstdint>

#include "plotengine/overlay.h"

namespace kelt::owned {

// Points a slot's blocks hold at first and grow by.
constexpr uint32_t kBlockPoints = 2000;
// Room after the last point of a block, beyond its 12-byte head.
constexpr uint32_t kBlockSlack = 20;

// Bytes of a point block for `points` points; 0 when too large for one block.
uint32_t PointBlockBytes(uint64_t points);
// A zeroed block for `points` points with its value-is-double word; null on failure.
STRUCT_NE_POINT_BLOCK* NewPointBlock(uint32_t points, uint32_t isDouble);
// The block grown to room for `points` points; null (the block untouched) on failure.
STRUCT_NE_POINT_BLOCK* GrownPointBlock(STRUCT_NE_POINT_BLOCK* block, uint64_t points);

// What a slot is opened with.
struct SlotPlan {
  double start = 0, end = 0;
  int16_t dataType = 0;     // the data-points record's and the slot's trace kind
  uint32_t isDouble = 1;    // values f64 (1) or 64-bit integers (0)
  bool filteredBlock = true;
  const char* title = nullptr;
  const STRUCT_MASS_LIST* massList = nullptr;
  uint16_t module = 0, moduleWord = 0;
};

// Builds the slot's records and blocks; on failure frees what it made and
// leaves the slot as it was. The slot's own fields are replaced whole.
bool OpenSlot(SVW_OVERLAY* overlay, int slot, const SlotPlan& plan);
// Frees what the slot owns and zeroes its record; the overlay's flags and
// counts of the slot stay as they are.
void FreeSlot(SVW_OVERLAY* overlay, int slot);
// Recounts the has-points, open and header counts from their flags.
void RecountSlots(SVW_OVERLAY* overlay);

}  // namespace kelt::owned
