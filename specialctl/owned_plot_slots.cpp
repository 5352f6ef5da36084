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

bool OpenSlot(SVW_OVERLAY* o, int slot, const SlotPlan& plan) {
  if (!o || !OverlaySlotIndex(slot)) return false;
  auto* wf = static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)));
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  STRUCT_NE_POINT_BLOCK* raw = NewPointBlock(kBlockPoints, plan.isDouble);
  STRUCT_NE_POINT_BLOCK* filtered = plan.filteredBlock ? NewPointBlock(kBlockPoints, plan.isDouble) : nullptr;
  if (!wf || !dp || !raw || (plan.filteredBlock && !filtered)) {
    for (void* p : {static_cast<void*>(wf), static_cast<void*>(dp), static_cast<void*>(raw),
                    static_cast<void*>(filtered)})
      if (p) FreeBlock(p);
    return false;
  }
  wf->startTime = plan.start;
  wf->endTime = plan.end;
  wf->sectioned = 1;
  // Nothing behind the record can be read again: reloads keep the points.
  wf->freeze = 1;
  wf->fileType = plan.module;
  wf->module = plan.moduleWord;
  dp->workFile = wf;
  dp->startTime = plan.start;
  dp->endTime = plan.end;
  dp->dataType = plan.dataType;
  dp->step = 1.0;
  if (plan.massList) dp->massList = *plan.massList;
  dp->points = raw;
  dp->filtered = filtered;

  OVERLAY_SLOT& s = o->slots[slot];
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  s.filePresent = 1;
  s.workFile = wf;
  s.dataPresent = 1;
  s.trace = dp;
  s.plotKind = static_cast<uint16_t>(plan.dataType);
  if (plan.massList) s.massList = *plan.massList;
  std::strcpy(s.units, "Counts");
  if (plan.title) {
    // A longer title is cut to the slot's room.
    std::strncpy(s.title, plan.title, sizeof s.title - 1);
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
