#include "common/value_scale.h"

#include "holbrin/holbrin.h"

double WorkFileValueFactor(const STRUCT_WORK_FILE* wf) {
  if (!wf || !wf->timeTagged) return 1.0;
  float factor = 1.0f;
  if (!GetDataScaleFactor(wf->filePath, wf->fileType, &factor) || factor == 1.0f) return 1.0;
  return factor;
}
