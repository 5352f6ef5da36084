// Records and growing point blocks of slots whose data a control owns.
#include "specialctl/owned_plot_slots.h"

#include <cstring>
#include <initializer_list>

#include "orvik32/orvik32.h"
#include "plotengine/overlay_internal.h"

namespace kelt::owned {

uint32_t PointBlockBytes(uint64_t points) {
  const uint64_t bytes = points * NE_POINT_SIZE + NE_POINT_BLOCK_HEAD + kBlockSlack;
  return bytes > 0x3FFFFFFFu ? 0 : static_cast<uint32_t>(bytes);
}

STRUCT_NE_POINT_BLOCK* NewPointBlock(uint32_t points, uint32_t isDouble) {
  const uint32_t bytes = PointBlockBytes(points);
  auto* block = bytes ? static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(bytes)) : nullptr;
  if (block) block->isDouble = isDouble;
  return block;
}

STRUCT_NE_POINT_BLOCK* GrownPointBlock(STRUCT_NE_POINT_BLOCK* block, uint64_t points) {
  const uint32_t bytes = PointBlockBytes(points);
  if (!bytes || !block) return nullptr;
  return static_cast<STRUCT_NE_POINT_BLOCK*>(ReallocBlock(block, bytes));
}

bool OpenSlot(SVW_OVERLAY* o, int slot, const SlotSpec& spec) {
  if (!o || !OverlaySlotIndex(slot)) return false;
  auto* wf = static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)));
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  STRUCT_NE_POINT_BLOCK* raw = NewPointBlock(kBlockPoints, spec.isDouble);
  STRUCT_NE_POINT_BLOCK* filtered = spec.filteredBlock ? NewPointBlock(kBlockPoints, spec.isDouble) : nullptr;
  if (!wf || !dp || !raw || (spec.filteredBlock && !filtered)) {
    for (void* p : {static_cast<void*>(wf), static_cast<void*>(dp), static_cast<void*>(raw),
                    static_cast<void*>(filtered)})
      if (p) FreeBlock(p);
    return false;
  }
  wf->startTime = spec.start;
  wf->endTime = spec.end;
  wf->sectioned = 1;
  // Nothing behind the record can be read again: reloads keep the points.
  wf->freeze = 1;
  wf->fileType = spec.module;
  wf->module = spec.moduleWord;
  dp->workFile = wf;
  dp->startTime = spec.start;
  dp->endTime = spec.end;
  dp->dataType = spec.dataType;
  dp->step = 1.0;
  if (spec.massList) dp->massList = *spec.massList;
  dp->points = raw;
  dp->filtered = filtered;

  OVERLAY_SLOT& s = o->slots[slot];
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  s.filePresent = 1;
  s.workFile = wf;
  s.dataPresent = 1;
  s.trace = dp;
  s.plotKind = static_cast<uint16_t>(spec.dataType);
  if (spec.massList) s.massList = *spec.massList;
  std::strcpy(s.units, "Counts");
  if (spec.title) {
    // A longer title is cut to the slot's room.
    std::strncpy(s.title, spec.title, sizeof s.title - 1);
  }
  return true;
}

void FreeSlot(SVW_OVERLAY* o, int slot) {
  if (!o || !OverlaySlotIndex(slot)) return;
  OVERLAY_SLOT& s = o->slots[slot];
  kelt::plot::FreeSlotContents(s);
  std::memset(static_cast<void*>(&s), 0, sizeof s);
}

void RecountSlots(SVW_OVERLAY* o) {
  if (!o) return;
  int16_t inView = 0, attached = 0, shown = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    inView += o->tail.inView[i] ? 1 : 0;
    attached += o->tail.attached[i] ? 1 : 0;
    shown += o->head.shown[i] ? 1 : 0;
  }
  o->tail.inViewCount = inView;
  o->tail.attachedCount = attached;
  o->head.shownCount = shown;
}

}  // namespace kelt::owned
