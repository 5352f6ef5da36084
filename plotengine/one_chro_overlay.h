#pragma once
// An overlay of one chromatogram for a work file the caller already holds,
// and the hand-over of a slot's result annotations to the tiled texts.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "plotengine/result_annotations.h"
#include "plotengine/tile_texts.h"

// Builds slot 0 for the work file; 1 when data were read, else 0 and the
// overlay untouched. The work file stays the caller's: the overlay never
// frees it.
KELT_API int32_t OPLOT_OneChro_Init(SVW_OVERLAY* overlay, STRUCT_WORK_FILE* workFile, double start, double end,
                                    int16_t plotKind, int16_t kindDetail, const STRUCT_CHAN_LIST* chanList,
                                    const STRUCT_MASS_LIST* massList, const char* units, const char* title);
// The trailing arguments of the callers are not read.
KELT_API void OPLOT_OneChro_Update(SVW_OVERLAY* overlay, double start, double end, ...);
KELT_API void OPLOT_OneChro_SetData(SVW_OVERLAY* overlay, double start, double end);
// font: the caller's font, used when the parameters ask for it.
KELT_API void OPLOT_AddAnnotationsToTileTextClass(CTileTextOnPlot* holder, int16_t slot, const SVW_OVERLAY* overlay,
                                                  const STRUCT_OVER_SIZES* sizes, const LOGFONTA* font,
                                                  const STRUCT_MARKER_PARAMS* params,
                                                  STRUCT_ANNOTATIONS* const* annotations, int16_t option1,
                                                  int16_t option2);
