#include "overlayctl/overlay_value_scale.h"

#include "holbrin/holbrin.h"

double SlotValueFactor(const STRUCT_WORK_FILE* wf) {
  if (!wf || !wf->timeTagged) return 1.0;
  // The detector is named by its module word, as the drawing and the plot extremes ask.
  float factor = 1.0f;
  if (!GetDataScaleFactor(wf->filePath, wf->module, &factor) || factor == 1.0f) return 1.0;
  return factor;
}
