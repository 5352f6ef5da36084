#pragma once
// Helpers shared by the preference records' files: the range tests, the
// checks of sub-records used by more than one record, and the storage of a
// whole record. Not exported.
#include <cstring>

#include "common/preference_records.h"

namespace kelt::prefs {

inline bool BadFlag(int v) { return v != 0 && v != 1; }
inline bool Outside(int v, int lo, int hi) { return v < lo || v > hi; }
inline bool AnyNonZero(const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (bytes[i]) return true;
  return false;
}
// Catches NaN as well.
inline bool NotZero(double v) { return !(v == 0.0); }
template <class T>
void Zero(T* t) {
  std::memset(t, 0, sizeof(T));
}

// Fonts.
enum class FontKind { Control, Fixed, Proportional };
void FillFont(LOGFONTA* font, FontKind kind, int32_t height);

// The owner's first two colours, read without assuming alignment (the
// table usually lies inside a packed record).
struct OwnerColors {
  bool given;
  COLORREF first;
  COLORREF second;
};
OwnerColors TakeOwnerColors(const COLORREF* colors);

// Checks of shared sub-records; each returns true on a fault.
bool CheckAxis(const STRUCT_AXIS_PARAMS& axis, bool screen);
bool CheckLabel(const STRUCT_MARKER_PARAMS& label);
bool CheckMarker(const STRUCT_MARKER_PARAMS& marker);
bool CheckChroDrawing(const STRUCT_CHRO_DRAWING& drawing);

// The storage of one kind of record.
struct RecordKind {
  UINT size;
  const char* defaultSection;
  void* defaultCopy;
  void (*reset)(void* record);
  BOOL (*validate)(void* record);
  void (*beforeValidate)(void* record);  // may be null
};
BOOL ReadRecord(const RecordKind& kind, void* record, const char* section);
BOOL WriteRecord(const RecordKind& kind, const void* record, const char* section);

}  // namespace kelt::prefs
