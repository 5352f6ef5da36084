#pragma once
// The graphics under the text of a compound report page: a panel of up to
// six chromatograms and spectra of the compound, the ion-by-ion
// chromatograms of a compound beside its internal standard's, and the line
// that describes the MS segment holding the compound. They are operations
// of CReportOutput (declared with it) drawn into its current page; the
// helpers below are what tests and the page makers share.
#include <cstdint>

#include "common/kelt_export.h"

struct SVW_OVERLAY;

// Slot codes of the six-slot panel.
#define CMPD_GRAPHIC_NONE 0
#define CMPD_GRAPHIC_QUAN_ION 1
#define CMPD_GRAPHIC_TOTAL_ION 2
#define CMPD_GRAPHIC_IS_QUAN_ION 3
#define CMPD_GRAPHIC_QUALIFIERS 4
#define CMPD_GRAPHIC_SAMPLE 5
#define CMPD_GRAPHIC_REFERENCE 6
#define CMPD_GRAPHIC_UNCORRECTED 7
#define CMPD_GRAPHIC_SAMPLE_MINUS_REFERENCE 8
#define CMPD_GRAPHIC_MATCH1 9
#define CMPD_GRAPHIC_SAMPLE_MINUS_MATCH1 12

// Lowers the vertical minimum of slot 0 so that the step's drawn baseline
// stays in view (one twentieth of the range below its lowest end).
KELT_API void RPTS_FitScaleToBaseline(SVW_OVERLAY* overlay, const void* step);

namespace kelt::reports {

// Where the panel puts its slots: rectangles in page units (left, bottom,
// right, top; bottom the larger y), codes packed upwards per column. A
// slot without a code keeps an empty rectangle.
struct PanelRect {
  int16_t left = 0, bottom = 0, right = 0, top = 0;
};
struct PanelLayout {
  int16_t codes[6] = {};
  PanelRect rects[6];
};
KELT_CLASS PanelLayout LayOutPanel(const int16_t codes[6], int16_t left, int16_t right, int16_t top, int16_t bottom);

// The mass range shared by the panel's spectra: the smallest first mass to
// the largest last mass, at least 5 wide, then 5 % more on each side.
// False when no spectrum has pairs.
KELT_CLASS bool CommonMassRange(const double* firstMasses, const double* lastMasses, int count, double* low,
                                double* high);

// The time window of a quantitation-ion (or total-ion) chromatogram.
// halfWidth: the larger search-window half-width in thousandths of a
// minute, or negative without a peak-table record (then found time ± 0.5).
KELT_CLASS void QuanIonWindow(double expected, double found, int32_t halfWidth, bool quanIon, float peakStart,
                              float peakEnd, double* start, double* end);

}  // namespace kelt::reports
