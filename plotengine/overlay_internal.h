#pragma once
// Helpers the engine's files share; not exported.
#include <cstddef>
#include <cstdint>

#include "plotengine/overlay.h"
#include "win/win_gdi.h"

namespace kelt::plot {

// Tolerance of time comparisons where zero is tested.
constexpr double kTimeEpsilon = 1e-8;

// Copies a text into a fixed field, cut to fit and zero-padded; null gives "".
void CopyText(char* dest, size_t size, const char* src);
// Sets or clears one flag of a flag array, keeping its count.
void SetFlag(int16_t* flags, int16_t* count, int slot, bool on);
// The tail's in-view flag and the slot's mirror of it.
void SetInView(SVW_OVERLAY* o, int slot, bool on);
bool TraceHasPoints(const STRUCT_NE_DATA_POINTS* dp);
struct ValueRange {
  double low, high;
};
// Smallest and largest value of points first..last (first <= last).
ValueRange TraceExtremes(const STRUCT_NE_POINT_BLOCK* block, uint32_t first, uint32_t last);
// The points of a trace of n (> 0) points shown in a window: from the last
// point before start (the first point when none is) to the last before end
// (that first shown point at least; the trace's last when cutAtEnd is
// false), with their extremes.
struct ShownSpan {
  uint32_t first, last;
  ValueRange range;
};
ShownSpan ShownPoints(const STRUCT_NE_POINT_BLOCK* block, uint32_t n, double start, double end, bool cutAtEnd);
// Frees what a slot owns (not the slot itself).
void FreeSlotContents(OVERLAY_SLOT& s);

// By value: the records are packed, and std::min/max would bind references
// to their misaligned fields.
inline double Greater(double a, double b) { return a > b ? a : b; }
inline double Lesser(double a, double b) { return a < b ? a : b; }

// Offsets that apply to a slot (0 when the overlay's switch is off).
inline double TimeOffset(const SVW_OVERLAY* o, int slot) {
  return o->tail.timeOffsetsOn ? o->tail.timeOffsets[slot] : 0.0;
}
inline double VerticalOffset(const SVW_OVERLAY* o, int slot) {
  return o->tail.verticalOffsetsOn ? o->tail.verticalOffsets[slot] : 0.0;
}

// The pen width of printed chromatograms (report preferences).
int PrintPenWidth();
// On paper a white or yellow colour would vanish: it is drawn black.
inline COLORREF PaperColor(COLORREF c, bool print) {
  return print && (c == 0xFFFFFF || c == 0x00FFFF) ? 0 : c;
}
// A DC's saved state, restored on every path.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
  ~SavedDC() {
    if (id_) RestoreDC(dc_, id_);
  }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int id_;
};
// A GDI object owned for one drawing.
class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ h) : h_(h) {}
  ~GdiObject() {
    if (h_) DeleteObject(h_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  HGDIOBJ get() const { return h_; }

 private:
  HGDIOBJ h_;
};

}  // namespace kelt::plot
