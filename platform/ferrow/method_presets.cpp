// The preset data-handling parameters a new method starts from.
#include <cstring>

#include "ferrow.h"
#include "holbrin/holbrin.h"

FERROW_API int32_t PresetTolDHGlobalParams(void* globalParams) {
  if (!globalParams) return 0;
  auto* g = static_cast<STRUCT_DH_GLOBAL_PARAMS*>(globalParams);
  if (!InitGlobalParams(g)) return 0;
  // The workstation's own starting point for MS runs.
  g->peakWidthTenths = 40;
  g->slopeSensitivity = 20;
  g->tangentPercent = 10;
  g->peakSizeReject = 2000.0f;
  return 1;
}
