// The background correction of a data file, made by the correction library
// when the file has none (or when asked to make it anew).
#include "jessul32/automatic_background.h"
#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "quant/results_sections.h"

MORVEX_API BOOL DetermineBackground(const char* dataFile, const char* methodFile, int16_t force) {
  if (!dataFile) return 0;
  if (force == 0 && SectionExists(dataFile, BACKCORR_SECTION)) return 1;
  STRUCT_FILE_BC* correction = CreateBackCorr(dataFile, methodFile);
  if (!correction) return 0;
  const BOOL ok = SaveBackCorr(dataFile, correction) ? 1 : 0;
  FreeBackCorr(correction);
  return ok;
}
