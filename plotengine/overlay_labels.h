#pragma once
// Labels on the plots of an overlay: a label manager for report drawing,
// the label areas of the current layout, user and token labels, and the
// parameters of the tiled annotation texts.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "plotengine/label_manager.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"

#define LABEL_AREA_TIME_SCALE 40
#define LABEL_AREA_LEFT_SCALE 60
#define LABEL_AREA_RIGHT_SCALE 80
#define LABEL_AREA_RIGHT_RANGE 101

#pragma pack(push, 1)
struct STRUCT_TLP {
  int16_t enabled;
  uint32_t firstValue;
  LOGFONTA font;
  uint32_t angle;
  uint16_t value5;
  uint16_t value6;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_TLP) == 74);

KELT_API CLabelManager* OPLOT_CreateLabelManager();
KELT_API void OPLOT_FreeLabelManager(CLabelManager* manager);
KELT_API void OPLOT_DeleteLabelsForPlot(CLabelManager* manager, int16_t slot);
KELT_API void OPLOT_DefineAreas(CLabelManager* manager, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes);
// printing, printFontHeight and printScale go to the manager's draws.
KELT_API void OPLOT_DrawLabels(CLabelManager* manager, const SVW_OVERLAY* overlay, HDC dc, uint16_t printing,
                               uint16_t printFontHeight, uint32_t printScale);
// The label's slot, or -1 when none was added.
KELT_API int16_t OPLOT_AddPlotTokenLabel(CLabelManager* manager, const SVW_OVERLAY* overlay, int16_t slot, double time,
                                         uint16_t token, const char* text, const STRUCT_MARKER_PARAMS* params);
KELT_API int16_t OPLOT_AddLabel(CLabelManager* manager, uint16_t area, uint16_t slot,
                                const STRUCT_MARKER_PARAMS* params, const char* text, double x, double y,
                                double pointerX, double pointerY);
KELT_API void OPLOT_InitTLP(STRUCT_TLP* params, uint32_t firstValue, uint32_t angle, int16_t height, uint16_t value5,
                            uint16_t value6);
