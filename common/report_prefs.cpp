// The report preference record and its sub-records.
#include <cstring>

#include "common/pref_parts.h"
#include "orvik32/orvik32.h"

namespace kelt::prefs {
namespace {

bool CheckSpectraReport(const STRUCT_SPTS_REPORT_PARAMS& r) {
  bool bad = Outside(r.penWidth, 0, 120) || AnyNonZero(r.reserved, sizeof r.reserved);
  for (int i = 0; i < 5; ++i) bad = bad || BadFlag(r.flags[i]);
  return bad;
}

bool CheckSpectraPlots(const STRUCT_SPTS_REPORT_PLOTS& p) {
  return BadFlag(p.showStructures) || BadFlag(p.showIonLabels) || BadFlag(p.showAmplitudes) ||
         Outside(p.labelThreshold, 0, 95) || BadFlag(p.flag8) || AnyNonZero(p.reserved, sizeof p.reserved);
}

bool CheckFonts(const STRUCT_REPORT_FONTS& f) {
  return Outside(f.smallSize, 0, 1200) || Outside(f.bodySize, 0, 1200) || Outside(f.titleSize, 0, 1200);
}

// A spool file that no longer exists is forgotten without counting as a
// fault; a path with no terminator within its field is a fault.
bool CheckSpooler(STRUCT_SPOOLER* s) {
  const size_t length = strnlen(s->spoolFile, sizeof s->spoolFile);
  if (length == sizeof s->spoolFile) return true;
  if (length > 0 && !FileExists(s->spoolFile)) std::memset(s->spoolFile, 0, sizeof s->spoolFile);
  return BadFlag(s->previewReports) || Outside(s->marginLeft, 0, 45) || Outside(s->marginRight, 0, 45) ||
         Outside(s->marginTop, 0, 45) || BadFlag(s->colorPrinting) || Outside(s->orientation, 0, 2);
}

bool CheckChroReport(const STRUCT_CHRO_REPORT_PARAMS& r) {
  bool bad = BadFlag(r.flag0) || BadFlag(r.flag2) || Outside(r.penWidth, 0, 120);
  for (int i = 0; i < 9; ++i) bad = bad || BadFlag(r.flags[i]);
  return bad;
}

bool CheckCalCurves(const STRUCT_CAL_CURVES& c) {
  bool bad = Outside(c.value0, 0, 120) || AnyNonZero(c.reserved, sizeof c.reserved);
  for (int i = 0; i < 4; ++i) bad = bad || NotZero(c.spare[i]);
  return bad;
}

void ResetRecord(void* record) { KELT_ResetDefReportPrefs(static_cast<STRUCT_REPORT_PREFS*>(record)); }
BOOL ValidateRecord(void* record) { return KELT_ValidateReportPrefs(static_cast<STRUCT_REPORT_PREFS*>(record)); }

const RecordKind& Kind() {
  static const RecordKind kind{sizeof(STRUCT_REPORT_PREFS), kReportSection, &DefaultReportPrefs(), ResetRecord,
                               ValidateRecord, nullptr};
  return kind;
}

}  // namespace
}  // namespace kelt::prefs

using namespace kelt::prefs;

// ---- Sub-records -------------------------------------------------------------

void KELT_ResetSpectraReportParams(STRUCT_SPTS_REPORT_PARAMS* r) {
  if (!r) return;
  Zero(r);
  for (int i = 0; i < 5; ++i) r->flags[i] = 1;
  r->penWidth = 25;
}

void KELT_ResetSpectraReportPlots(STRUCT_SPTS_REPORT_PLOTS* p) {
  if (!p) return;
  Zero(p);
  p->showStructures = 1;
  p->showIonLabels = 1;
  p->showAmplitudes = 1;
  p->labelThreshold = 5;
}

void KELT_ResetReportFontParams(STRUCT_REPORT_FONTS* f) {
  if (!f) return;
  Zero(f);
  f->smallSize = 364;
  f->bodySize = 464;
  f->titleSize = 664;
  FillFont(&f->fixedFont, FontKind::Fixed, 0);
  FillFont(&f->variableFont, FontKind::Proportional, 0);
}

void KELT_ResetSpoolerParams(STRUCT_SPOOLER* s) {
  if (!s) return;
  Zero(s);
  s->previewReports = 1;
  s->marginTop = 1;
  s->marginBottom = 1;
  s->colorPrinting = 1;
}

void KELT_ResetChroReportParams(STRUCT_CHRO_REPORT_PARAMS* r) {
  if (!r) return;
  Zero(r);
  r->flag0 = 1;
  r->penWidth = 25;
}

void KELT_ResetCalCurvesParams(STRUCT_CAL_CURVES* c) {
  if (!c) return;
  Zero(c);
  c->value0 = 20;
}

void KELT_ResetMiscReportParams(STRUCT_MISC_REPORT* m) {
  if (m) m->flag = 0;
}

// ---- The record ----------------------------------------------------------------

void KELT_ResetDefReportPrefs(STRUCT_REPORT_PREFS* p) {
  if (!p) return;
  Zero(p);
  KELT_ResetReportFontParams(&p->fonts);
  KELT_ResetSptsRptsColorParams(&p->sptsColors);
  KELT_ResetChroRptsColorParams(&p->chroColors);
  KELT_ResetAxisParams(1, 0, 0, &p->sptsAxis1);
  KELT_ResetAxisParams(0, 0, 0, &p->sptsAxis0);
  KELT_ResetAxisParams(1, 0, 0, &p->chroAxis1);
  KELT_ResetAxisParams(0, 0, 0, &p->chroAxis0);
  KELT_ResetSpectraReportParams(&p->sptsReport);
  KELT_ResetSpectraReportPlots(&p->sptsPlots);
  KELT_ResetSpoolerParams(&p->spooler);
  KELT_ResetChroDrawingParams(&p->chroDrawing, nullptr, nullptr);
  KELT_ResetChroReportParams(&p->chroReport);
  KELT_ResetCalCurvesParams(&p->calCurves);
  KELT_ResetMiscReportParams(&p->misc);
}

BOOL KELT_ValidateReportPrefs(STRUCT_REPORT_PREFS* p) {
  if (!p) return FALSE;
  bool bad = BadFlag(p->sptsColors.markMasses);
  bad |= CheckAxis(p->sptsAxis0, false);
  bad |= CheckAxis(p->sptsAxis1, false);
  bad |= CheckAxis(p->chroAxis0, false);
  bad |= CheckAxis(p->chroAxis1, false);
  bad |= CheckSpectraReport(p->sptsReport);
  bad |= CheckSpectraPlots(p->sptsPlots);
  bad |= CheckFonts(p->fonts);
  bad |= CheckSpooler(&p->spooler);
  bad |= CheckChroDrawing(p->chroDrawing);
  bad |= CheckChroReport(p->chroReport);
  bad |= CheckCalCurves(p->calCurves);
  bad |= BadFlag(p->misc.flag);
  if (!bad) return FALSE;
  KELT_ResetDefReportPrefs(p);
  return TRUE;
}

BOOL KELT_ReadDefReportPrefs(STRUCT_REPORT_PREFS* p, const char* section) {
  return ReadRecord(Kind(), p, section);
}

BOOL KELT_WriteDefReportPrefs(const STRUCT_REPORT_PREFS* p, const char* section) {
  return WriteRecord(Kind(), p, section);
}

void KELT_GetCurrDefReportPrefs(STRUCT_REPORT_PREFS* p) {
  if (p) *p = DefaultReportPrefs();
}
