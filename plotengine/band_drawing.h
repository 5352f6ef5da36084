#pragma once
// Drawing operations the chromatogram and spectrum displays and the labels
// share: backgrounds as a vertical colour fade, and polylines and polygons
// cut to a horizontal band so that traces running off scale end on the
// band's edge whatever the device does with huge coordinates.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_gdi.h"

// Most points one device polyline call gets.
#define KELT_MOST_POLYLINE_POINTS 10000
// Bands of a fade fill.
#define KELT_FADE_BANDS 256

// Fills left..right (inclusive) x top..bottom with 256 bands: from white at
// the top to colour when fadeFromWhite is set, else from black at the
// bottom to colour.
KELT_API void KELT_FillRectWithFadeColor(HDC dc, COLORREF colour, int16_t fadeFromWhite, int32_t left, int32_t top,
                                         int32_t right, int32_t bottom);
// bandBottom is the larger y. Pieces inside the band go to the device in
// runs of at most KELT_MOST_POLYLINE_POINTS points.
KELT_API void KELT_YCutPolyline(HDC dc, const POINT* points, int32_t count, int32_t bandBottom, int32_t bandTop);
// A filled polygon (current pen and brush) cut to the band; the walk stops
// where x first decreases.
KELT_API void KELT_YCutPolygon(HDC dc, const POINT* points, int32_t count, int32_t bandBottom, int32_t bandTop);
