#pragma once
// The record a named spectrum control keeps in "tolview3.ini" (section =
// its preferences name, key "Params").
#include <cstddef>
#include <cstdint>

#include "common/preference_records.h"

#pragma pack(push, 1)
struct STRUCT_CCSPT_KEPT_PREFS {
  uint16_t keep;
  uint16_t stored;  // 0: the record is not used
  STRUCT_SPTS_PREFS prefs;
};
#pragma pack(pop)

static_assert(sizeof(STRUCT_SPTS_PREFS) == 478);
static_assert(sizeof(STRUCT_CCSPT_KEPT_PREFS) == 482);
static_assert(offsetof(STRUCT_CCSPT_KEPT_PREFS, prefs) == 4);
// Fields the control reads, at their places in the record.
static_assert(offsetof(STRUCT_SPTS_PREFS, axis0) == 142);
static_assert(offsetof(STRUCT_SPTS_PREFS, axis1) == 176);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, comparisonDisplay) == 212);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, overlayAB) == 214);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, showDifference) == 216);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, smoothedToReports) == 224);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, horizontalMode) == 226);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, keepAbsolute) == 228);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) + offsetof(STRUCT_SPTS_DRAWING, verticalMode) == 230);
static_assert(offsetof(STRUCT_SPTS_PREFS, features) + offsetof(STRUCT_SPTS_FEATURES, transform) == 314);
static_assert(offsetof(STRUCT_SPTS_PREFS, features) + offsetof(STRUCT_SPTS_FEATURES, showToolbar) == 316);
static_assert(offsetof(STRUCT_SPTS_PREFS, features) + offsetof(STRUCT_SPTS_FEATURES, pageMode) == 322);
static_assert(offsetof(STRUCT_SPTS_PREFS, features) + offsetof(STRUCT_SPTS_FEATURES, backgroundCorrect) == 324);
static_assert(offsetof(STRUCT_SPTS_PREFS, titles) == 326);
static_assert(offsetof(STRUCT_SPTS_PREFS, profile) == 430);

// The smoothing settings: the switch and the three parameters after it.
constexpr size_t kSptSmoothingOffset = 430;
constexpr size_t kSptSmoothingSize = 8;
