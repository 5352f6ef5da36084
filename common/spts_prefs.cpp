// The spectra preference record and its sub-records.
#include <initializer_list>

#include "common/pref_parts.h"

namespace kelt::prefs {
namespace {

bool CheckScreenColors(const STRUCT_SPTS_SCREEN_COLORS& c) {
  return BadFlag(c.fadeOn) || BadFlag(c.fadeMode) || BadFlag(c.markMasses);
}

bool CheckDrawing(const STRUCT_SPTS_DRAWING& d) {
  return BadFlag(d.flag0) || BadFlag(d.comparisonDisplay) || BadFlag(d.overlayAB) || BadFlag(d.showDifference) ||
         BadFlag(d.flag8) || BadFlag(d.flag10) || Outside(d.value12, 0, 95) || BadFlag(d.smoothedToReports) ||
         Outside(d.horizontalMode, 0, 2) || Outside(d.keepAbsolute, 0, 1) || Outside(d.verticalMode, 0, 1) ||
         BadFlag(d.flag22);
}

bool CheckFeatures(const STRUCT_SPTS_FEATURES& f) {
  return BadFlag(f.flag0) || Outside(f.transform, 0, 999) || BadFlag(f.showToolbar) ||
         Outside(f.clickDragMode, 0, 1) || Outside(f.singleClickMode, 0, 4) || Outside(f.pageMode, 0, 2) ||
         BadFlag(f.backgroundCorrect);
}

bool CheckTitles(const STRUCT_SPTS_TITLES& t) {
  bool bad = AnyNonZero(t.reserved, sizeof t.reserved);
  for (int i = 0; i < 4; ++i) bad = bad || BadFlag(t.flags[i]);
  // A list holds at most ten items; a larger count would lead its users
  // past the list.
  for (int l = 0; !bad && l < 4; ++l) {
    const STRUCT_SPTS_TITLE_LIST& list = t.lists[l];
    bad = Outside(list.count, 0, 10);
    for (int i = 0; !bad && i < list.count; ++i) bad = Outside(list.items[i], 0, 19);
  }
  return bad;
}

bool CheckProfile(const STRUCT_SPTS_PROFILE& p) {
  bool bad = BadFlag(p.smoothProfile) || BadFlag(p.smoothedTitles) || Outside(p.searchPoints, 1, 51) ||
             p.searchPoints % 2 == 0 || AnyNonZero(p.reserved, sizeof p.reserved);
  for (int i = 0; i < 4; ++i) bad = bad || NotZero(p.spare[i]);
  return bad;
}

void ResetRecord(void* record) { KELT_ResetDefSptsPrefs(static_cast<STRUCT_SPTS_PREFS*>(record)); }
BOOL ValidateRecord(void* record) { return KELT_ValidateSptsPrefs(static_cast<STRUCT_SPTS_PREFS*>(record)); }

const RecordKind& Kind() {
  static const RecordKind kind{sizeof(STRUCT_SPTS_PREFS), kSptsSection, &DefaultSptsPrefs(), ResetRecord,
                               ValidateRecord, nullptr};
  return kind;
}

void SetList(STRUCT_SPTS_TITLE_LIST* list, std::initializer_list<int16_t> items) {
  list->count = static_cast<int16_t>(items.size());
  int i = 0;
  for (int16_t item : items) list->items[i++] = item;
}

}  // namespace
}  // namespace kelt::prefs

using namespace kelt::prefs;

// ---- Sub-records -------------------------------------------------------------

void KELT_ResetSptsScreenColorParams(STRUCT_SPTS_SCREEN_COLORS* c) {
  if (!c) return;
  static constexpr COLORREF kColors[10] = {0xFFFFFF, 0x000000, 0x0000FF, 0x808080, 0x000080,
                                           0x008000, 0x0000FF, 0x00FF00, 0xFF0000, 0x400040};
  Zero(c);
  for (int i = 0; i < 10; ++i) c->colors[i] = kColors[i];
}

void KELT_ResetSptsRptsColorParams(STRUCT_SPTS_RPTS_COLORS* c) {
  if (!c) return;
  static constexpr COLORREF kColors[10] = {0xFFFFFF, 0x000000, 0x0000FF, 0x808040, 0x000080,
                                           0x008000, 0x0000FF, 0x00FF00, 0xFF0000, 0x400040};
  Zero(c);
  for (int i = 0; i < 10; ++i) c->colors[i] = kColors[i];
}

void KELT_ResetSptsDrawingParams(STRUCT_SPTS_DRAWING* d) {
  if (!d) return;
  Zero(d);
  d->flag0 = 1;
  d->comparisonDisplay = 1;
  d->flag8 = 1;
  d->flag10 = 1;
  d->value12 = 25;
  d->smoothedToReports = 1;
  d->horizontalMode = 2;
}

void KELT_ResetSptsFeatureParams(STRUCT_SPTS_FEATURES* f) {
  if (!f) return;
  Zero(f);
  f->showToolbar = 1;
  f->singleClickMode = 4;
  f->backgroundCorrect = 1;
}

void KELT_ResetSptsTitleParams(STRUCT_SPTS_TITLES* t) {
  if (!t) return;
  Zero(t);
  for (int i = 0; i < 4; ++i) t->flags[i] = 1;
  SetList(&t->lists[0], {0});
  SetList(&t->lists[1], {5, 6, 8, 7});
  SetList(&t->lists[2], {1, 17});
  SetList(&t->lists[3], {9, 10, 11, 12, 13, 3, 2, 4, 14, 15});
}

void KELT_ResetSptsProfileParams(STRUCT_SPTS_PROFILE* p) {
  if (!p) return;
  Zero(p);
  p->smoothProfile = 1;
  p->searchPoints = 7;
  p->chargeState = 1;
}

// ---- The record ----------------------------------------------------------------

void KELT_ResetDefSptsPrefs(STRUCT_SPTS_PREFS* p) {
  if (!p) return;
  Zero(p);
  KELT_ResetCtrlFontParams(&p->ctrlFont);
  KELT_ResetSptsScreenColorParams(&p->colors);
  const COLORREF owner[2] = {p->colors.colors[0], p->colors.colors[1]};
  const LOGFONTA font = p->ctrlFont;
  KELT_ResetSptsLabelParams(&p->label, owner, &font);
  KELT_ResetAxisParams(1, 0, 1, &p->axis1);
  KELT_ResetAxisParams(0, 0, 1, &p->axis0);
  KELT_ResetSptsDrawingParams(&p->drawing);
  KELT_ResetSptsFeatureParams(&p->features);
  KELT_ResetSptsTitleParams(&p->titles);
  KELT_ResetSptsProfileParams(&p->profile);
}

BOOL KELT_ValidateSptsPrefs(STRUCT_SPTS_PREFS* p) {
  if (!p) return FALSE;
  bool bad = CheckScreenColors(p->colors);
  bad |= CheckLabel(p->label);
  bad |= CheckAxis(p->axis0, true);
  bad |= CheckAxis(p->axis1, true);
  bad |= CheckDrawing(p->drawing);
  bad |= CheckFeatures(p->features);
  bad |= CheckTitles(p->titles);
  bad |= CheckProfile(p->profile);
  if (!bad) return FALSE;
  KELT_ResetDefSptsPrefs(p);
  return TRUE;
}

BOOL KELT_ReadDefSptsPrefs(STRUCT_SPTS_PREFS* p, const char* section) { return ReadRecord(Kind(), p, section); }

BOOL KELT_WriteDefSptsPrefs(const STRUCT_SPTS_PREFS* p, const char* section) {
  return WriteRecord(Kind(), p, section);
}

void KELT_GetCurrDefSptsPrefs(STRUCT_SPTS_PREFS* p) {
  if (p) *p = DefaultSptsPrefs();
}
