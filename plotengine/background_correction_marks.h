#pragma once
// The background correction of a plot drawn over its trace: a tick at each
// reference spectrum, a short mark at each of its scans, and the correction
// line through the spectra of each range of the correction.
#include <cstddef>
#include <cstdint>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "jessul32/jessul32.h"
#include "plotengine/overlay.h"
#include "plotengine/plot_layout.h"
#include "win/win_gdi.h"

#pragma pack(push, 1)
// One reference spectrum of a plot as the reference-spectra set keeps it;
// scanCount (time, value) pairs of doubles follow the head.
struct STRUCT_BC_DRAW_INFO {
  int16_t segment;          // 0-based segment of the data file
  uint16_t scansPerCycle;
  uint16_t scanCount;       // n
  uint32_t firstScan;
  uint8_t reserved10[8];
  double time;              // minutes
  uint32_t centreScan;
  double meanValue;         // mean chromatogram value of the n scans
};

// The correction of one slot: its reference spectra and correction record.
// In memory only (pointers).
struct STRUCT_OPLOT_BC_SLOT {
  int16_t spectrumCount;
  STRUCT_BC_DRAW_INFO** spectra;
  STRUCT_FILE_BC* correction;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_BC_DRAW_INFO) == 38);
static_assert(offsetof(STRUCT_BC_DRAW_INFO, time) == 18);
static_assert(offsetof(STRUCT_BC_DRAW_INFO, meanValue) == 30);

// The pairs after a record's head.
inline const uint8_t* BcDrawInfoPairs(const STRUCT_BC_DRAW_INFO* info) {
  return reinterpret_cast<const uint8_t*>(info) + sizeof(STRUCT_BC_DRAW_INFO);
}

// Draws the correction of every slot whose entry of slots (OVERLAY_SLOTS
// entries) holds spectra and a correction, when the slot is present, has
// data in the layout and shows "Counts"; outside the stacked mode only on
// slots a and b.
KELT_API void OPLOT_DrawBackgroundCorrection(HDC dc, const SVW_OVERLAY* overlay, const STRUCT_OVER_SIZES* sizes,
                                             const STRUCT_OPLOT_BC_SLOT* slots, int16_t slotA, int16_t slotB);
// Draws one plot's marks into the rectangle with the pen selected in the
// DC: ticks one character high, sample marks a character wide. Times and
// values are shifted by the given shifts.
KELT_API void OPLOT_OnePlotDrawBackgroundCorrection(HDC dc, int32_t left, int32_t bottom, int32_t right, int32_t top,
                                                    int16_t charWidth, int16_t charHeight, double verticalMin,
                                                    double verticalMax, double startTime, double endTime,
                                                    double timeShift, double valueShift,
                                                    const STRUCT_NE_DATA_POINTS* trace,
                                                    const STRUCT_FILE_BC* correction, int16_t spectrumCount,
                                                    STRUCT_BC_DRAW_INFO* const* spectra);
