// Checks of channel and mass-list choices against a data file.
#include "common/data_file_checks.h"

#include "common/work_file.h"

namespace {

bool ListedChannelsValid(const STRUCT_CHAN_LIST* list, int functionCount) {
  // A list full to its tenth entry is not accepted here.
  if (list->count < 1 || list->count >= CHAN_LIST_MAX_ENTRIES) return false;
  for (int i = 0; i < list->count; ++i)
    if (list->entries[i].low < functionCount) return true;
  return false;
}

BOOL ChanListValid(const STRUCT_CHAN_LIST* list, int functionCount) {
  if (!list) return FALSE;
  switch (list->kind) {
    case CHAN_LIST_MERGED:
    case CHAN_LIST_IGNORED:
      return TRUE;
    case CHAN_LIST_LISTED:
      return ListedChannelsValid(list, functionCount) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

BOOL KELT_IsChannelIndexValid(const STRUCT_WORK_FILE* workFile, int16_t index) {
  if (!workFile || !workFile->channelTable) return FALSE;
  return index >= 0 && index < workFile->channelTable->channelCount ? TRUE : FALSE;
}

BOOL KELT_IsChanListValidForScanFun(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* list) {
  if (!workFile) return FALSE;
  return ChanListValid(list, workFile->mostScanFunctions);
}

BOOL KELT_IsChanListValidInSegment(const STRUCT_WORK_FILE* workFile, const STRUCT_CHAN_LIST* list, int16_t segment) {
  if (!workFile || !list) return FALSE;
  if (list->kind == CHAN_LIST_MERGED || list->kind == CHAN_LIST_IGNORED) return TRUE;
  if (!workFile->segmentBlocks || segment < 0 || segment >= workFile->msInfo.segmentCount) return FALSE;
  return ChanListValid(list, workFile->segmentBlocks[segment].functionCount);
}

BOOL KELT_IsMassListValidForDataType(const STRUCT_WORK_FILE* workFile, int16_t dataType, const STRUCT_MASS_LIST* list) {
  if (!list) return FALSE;
  switch (dataType) {
    case 0:
      return list->kind == MASS_LIST_TOTAL_ION ? TRUE : FALSE;
    case 2:
      return list->kind == MASS_LIST_BASE_PEAK_INTENSITY ? TRUE : FALSE;
    case 3:
      return list->kind == MASS_LIST_BASE_PEAK_ION ? TRUE : FALSE;
    case 1:
      if (list->kind != MASS_LIST_RANGES || list->count > MASS_LIST_MAX_RANGES) return FALSE;
      for (int i = 0; i < list->count; ++i)
        if (!(list->ranges[i].low <= list->ranges[i].high)) return FALSE;
      return TRUE;
    default:
      if (dataType < 4 || dataType > 17 || !workFile) return FALSE;
      return list->kind == static_cast<uint32_t>(dataType + 1) && dataType - 4 < workFile->msInfo.extraColumnCount
                 ? TRUE
                 : FALSE;
  }
}
