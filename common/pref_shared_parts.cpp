// Sub-records that several preference records share: fonts, axes, labels
// and markers.
#include <algorithm>
#include <cstring>

#include "common/pref_parts.h"

namespace kelt::prefs {

void FillFont(LOGFONTA* font, FontKind kind, int32_t height) {
  Zero(font);
  const bool trueType = GetPrefEnvironment().trueTypeAvailable;
  const char* face = "Arial";
  uint8_t pitch = trueType ? 4 : 18;
  if (kind == FontKind::Fixed) {
    face = trueType ? "Courier New" : "Courier";
    pitch = trueType ? 0x35 : 0x31;
  }
  font->lfHeight = height;
  font->lfWeight = 400;
  font->lfPitchAndFamily = pitch;
  std::memcpy(font->lfFaceName, face, std::strlen(face));
}

OwnerColors TakeOwnerColors(const COLORREF* colors) {
  OwnerColors owner{false, 0, 0};
  if (!colors) return owner;
  owner.given = true;
  std::memcpy(&owner.first, colors, sizeof(COLORREF));
  std::memcpy(&owner.second, reinterpret_cast<const uint8_t*>(colors) + sizeof(COLORREF), sizeof(COLORREF));
  return owner;
}

bool CheckAxis(const STRUCT_AXIS_PARAMS& a, bool screen) {
  const int lengthMax = screen ? 100 : 500;
  const int spacingMax = screen ? 20 : 500;
  return BadFlag(a.shown) || Outside(a.majorTickStyle, 0, 3) || Outside(a.minorTickStyle, 0, 3) ||
         Outside(a.majorTickLength, 0, lengthMax) || Outside(a.minorTickLength, 0, lengthMax) ||
         Outside(a.minMinorSpacing, 0, spacingMax) || Outside(a.minorDivision, 0, 1) ||
         Outside(a.labelMode, 0, 3);
}

bool CheckLabel(const STRUCT_MARKER_PARAMS& m) {
  return BadFlag(m.transparent) || BadFlag(m.fontSource) || Outside(m.angle, 0, 3600) ||
         Outside(m.positionMode, 0, 2) || Outside(m.pointerMode, 0, 2);
}

bool CheckMarker(const STRUCT_MARKER_PARAMS& m) {
  return BadFlag(m.transparent) || BadFlag(m.fontSource) || Outside(m.angle, 0, 3600) ||
         BadFlag(m.peakBoxStyle) || BadFlag(m.markerFlags[0]) || BadFlag(m.markerFlags[1]) ||
         BadFlag(m.markerFlags[2]);
}

namespace {

enum class MarkerKind { Annotation, SignalNoise, AMDIS };

void ResetLabel(STRUCT_MARKER_PARAMS* label, const COLORREF* colors, const LOGFONTA* font) {
  if (!label) return;
  const OwnerColors owner = TakeOwnerColors(colors);
  LOGFONTA ownerFont{};
  if (font) std::memcpy(&ownerFont, font, sizeof ownerFont);
  Zero(label);
  label->transparent = 1;
  label->backColor = owner.given ? owner.first : RGB(255, 255, 255);
  label->screenColor = owner.given ? owner.second : RGB(0, 0, 0);
  label->fontSource = 1;
  label->font = ownerFont;
  label->positionMode = 1;
  label->pointerMode = 1;
}

void ResetMarker(STRUCT_MARKER_PARAMS* marker, MarkerKind kind, const COLORREF* colors,
                 const LOGFONTA* font) {
  if (!marker) return;
  const OwnerColors owner = TakeOwnerColors(colors);
  LOGFONTA ownerFont{};
  if (font) {
    std::memcpy(&ownerFont, font, sizeof ownerFont);
    ownerFont.lfHeight = GetPrefEnvironment().markerFontHeight;
  }
  Zero(marker);
  marker->transparent = 1;
  marker->fontSource = 1;
  if (owner.given) {
    marker->backColor = owner.first;
    marker->screenColor = owner.second;
  } else if (kind == MarkerKind::Annotation) {
    marker->backColor = RGB(255, 255, 255);
    marker->screenColor = RGB(0, 0, 0);
  } else {
    marker->backColor = RGB(0, 0, 0);
    marker->screenColor = RGB(255, 255, 255);
  }
  marker->font = ownerFont;
  marker->angle = kind == MarkerKind::SignalNoise ? 0 : 900;
  marker->peakBoxStyle = kind == MarkerKind::Annotation ? 1 : 0;
}

}  // namespace
}  // namespace kelt::prefs

using namespace kelt::prefs;

void KELT_ResetCtrlFontParams(LOGFONTA* font) {
  if (font) FillFont(font, FontKind::Control, GetPrefEnvironment().markerFontHeight);
}

void KELT_ResetAxisParams(int16_t axisFlag, int16_t /*unused*/, int16_t screen, STRUCT_AXIS_PARAMS* axis) {
  if (!axis) return;
  Zero(axis);
  axis->shown = 1;
  if (screen) {
    // Tick lengths follow the display's text height; kept inside the range
    // the check accepts, so that a reset record is always valid.
    const int32_t text = GetPrefEnvironment().displayTextHeight;
    axis->majorTickLength = static_cast<int16_t>(text > 0 ? std::clamp(text / 2, 0, 100) : 20);
    axis->minorTickLength = static_cast<int16_t>(text > 0 ? std::clamp(text / 4, 0, 100) : 10);
    axis->minMinorSpacing = axisFlag ? 5 : 4;
  } else {
    axis->majorTickLength = 300;
    axis->minorTickLength = 100;
    axis->minMinorSpacing = axisFlag ? 100 : 120;
  }
}

void KELT_ResetSptsLabelParams(STRUCT_MARKER_PARAMS* label, const COLORREF* colors, const LOGFONTA* font) {
  ResetLabel(label, colors, font);
}

void KELT_ResetChroLabelParams(STRUCT_MARKER_PARAMS* label, const COLORREF* colors, const LOGFONTA* font) {
  ResetLabel(label, colors, font);
}

void KELT_ResetAnnMarkerParams(STRUCT_MARKER_PARAMS* marker, const COLORREF* colors, const LOGFONTA* font) {
  ResetMarker(marker, MarkerKind::Annotation, colors, font);
}

void KELT_ResetSignalNoiseMarkerParams(STRUCT_MARKER_PARAMS* marker, const COLORREF* colors,
                                       const LOGFONTA* font) {
  ResetMarker(marker, MarkerKind::SignalNoise, colors, font);
}

void KELT_ResetAMDISMarkerParams(STRUCT_MARKER_PARAMS* marker, const COLORREF* colors, const LOGFONTA* font) {
  ResetMarker(marker, MarkerKind::AMDIS, colors, font);
}
