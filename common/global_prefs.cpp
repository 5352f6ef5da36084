// The general preference record and its sub-records.
#include "common/pref_parts.h"

namespace kelt::prefs {
namespace {

constexpr int16_t kGlobalFormat = 20;

bool CheckFeatures(const STRUCT_GLOBAL_FEATURES& f) {
  const double offset = f.massOffset;
  return BadFlag(f.flag0) || Outside(f.value2, 0, 10) || BadFlag(f.greekCharacters) ||
         f.formatWord != kGlobalFormat || !(offset >= 0.0 && offset <= 0.4);
}

bool CheckMisc(const STRUCT_GLOBAL_MISC& m) {
  return BadFlag(m.scientificNotation) || Outside(m.exponentThreshold, 0, 5);
}

void ResetRecord(void* record) { KELT_ResetDefGlobalPrefs(static_cast<STRUCT_GLOBAL_PREFS*>(record)); }
BOOL ValidateRecord(void* record) { return KELT_ValidateGlobalPrefs(static_cast<STRUCT_GLOBAL_PREFS*>(record)); }
// Records of other formats with the same size are taken as this format.
void StampFormat(void* record) { static_cast<STRUCT_GLOBAL_PREFS*>(record)->features.formatWord = kGlobalFormat; }

const RecordKind& Kind() {
  static const RecordKind kind{sizeof(STRUCT_GLOBAL_PREFS), kGlobalSection, &DefaultGlobalPrefs(), ResetRecord,
                               ValidateRecord, StampFormat};
  return kind;
}

}  // namespace
}  // namespace kelt::prefs

using namespace kelt::prefs;

// ---- Sub-records -------------------------------------------------------------

void KELT_ResetGlobalFontParams(STRUCT_GLOBAL_FONTS* f) {
  if (!f) return;
  Zero(f);
  const int16_t height = GetPrefEnvironment().generalFontHeight;
  FillFont(&f->fixedFont, FontKind::Fixed, height);
  FillFont(&f->proportionalFont, FontKind::Proportional, height);
}

void KELT_ResetGlobalFeatureParams(STRUCT_GLOBAL_FEATURES* f) {
  if (!f) return;
  Zero(f);
  f->flag0 = 1;
  f->value2 = 1;
  f->formatWord = kGlobalFormat;
}

void KELT_ResetGlobalMisc2Params(STRUCT_GLOBAL_MISC* m) {
  if (!m) return;
  m->scientificNotation = 1;
  m->exponentThreshold = 2;
}

// ---- The record ----------------------------------------------------------------

void KELT_ResetDefGlobalPrefs(STRUCT_GLOBAL_PREFS* p) {
  if (!p) return;
  Zero(p);
  KELT_ResetGlobalFontParams(&p->fonts);
  KELT_ResetGlobalFeatureParams(&p->features);
  KELT_ResetGlobalMisc2Params(&p->misc);
}

BOOL KELT_ValidateGlobalPrefs(STRUCT_GLOBAL_PREFS* p) {
  if (!p) return FALSE;
  bool bad = CheckFeatures(p->features);
  bad |= CheckMisc(p->misc);
  if (!bad) return FALSE;
  KELT_ResetDefGlobalPrefs(p);
  return TRUE;
}

BOOL KELT_ReadDefGlobalPrefs(STRUCT_GLOBAL_PREFS* p, const char* section) {
  return ReadRecord(Kind(), p, section);
}

BOOL KELT_WriteDefGlobalPrefs(const STRUCT_GLOBAL_PREFS* p, const char* section) {
  return WriteRecord(Kind(), p, section);
}

void KELT_GetCurrDefGlobalPrefs(STRUCT_GLOBAL_PREFS* p) {
  if (p) *p = DefaultGlobalPrefs();
}
