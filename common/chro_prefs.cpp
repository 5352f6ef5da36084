// The chromatogram preference record and its sub-records.
#include "common/pref_parts.h"

namespace kelt::prefs {
namespace {

// The seven-colour trace palette that the plot colours repeat.
constexpr COLORREF kPalette[7] = {0x008000, 0x0080FF, 0xFF0000, 0xFF00FF, 0x00FF00, 0x800080, 0x0000FF};

// Background, axes, then the 20 plot colours: the palette twice and its
// first five.
void FillPlotColors(COLORREF* out /* 23 */, COLORREF last) {
  out[0] = 0xFFFFFF;
  out[1] = 0x000000;
  out[2] = 0x0000FF;
  for (int i = 0; i < 19; ++i) out[3 + i] = kPalette[i % 7];
  out[22] = last;
}

bool CheckResultAnnotations(const STRUCT_RESULT_ANNOTATIONS& a) {
  bool bad = BadFlag(a.show) || Outside(a.itemCount, 0, 10) || Outside(a.textSize, 200, 400);
  for (int i = 0; i < 6; ++i) bad = bad || BadFlag(a.kindFlags[i]);
  for (int i = 0; !bad && i < a.itemCount; ++i) bad = Outside(a.items[i], 0, 9);
  return bad || CheckMarker(a.marker);
}

bool CheckAMDISAnnotations(const STRUCT_AMDIS_ANNOTATIONS& a) {
  bool bad = BadFlag(a.show) || BadFlag(a.useELU) || Outside(a.itemCount1, 0, 11) ||
             Outside(a.itemCount2, 0, 12) || Outside(a.textSize, 200, 400);
  for (int i = 0; !bad && i < a.itemCount1; ++i) bad = Outside(a.items1[i], 0, 10);
  for (int i = 0; !bad && i < a.itemCount2; ++i) bad = Outside(a.items2[i], 0, 11);
  return bad || CheckMarker(a.marker);
}

bool CheckTCHROAnnotations(const STRUCT_TCHRO_ANNOTATIONS& a) {
  bool bad = BadFlag(a.show) || Outside(a.itemCount, 0, 8) || Outside(a.textSize, 200, 400);
  for (int i = 0; !bad && i < a.itemCount; ++i) bad = Outside(a.items[i], 0, 7);
  return bad || CheckMarker(a.marker);
}

bool CheckFeatures(const STRUCT_CHRO_FEATURES& f) {
  const int clickDragMax = GetPrefEnvironment().canShowHalfHeights == 1 ? 7 : 6;
  const int points = f.pointsToAverage;
  return BadFlag(f.showExponentScales) || BadFlag(f.showSegments) || BadFlag(f.showToolbar) ||
         (points != 1 && points != 3 && points != 5 && points != 7) ||
         Outside(f.clickDragMode, 0, clickDragMax) || Outside(f.singleClickMode, 0, 4);
}

bool CheckPlotData(const STRUCT_CHRO_PLOT_DATA& d) {
  const int value4Min = d.value6 == 1 ? 2 : 1;
  return Outside(d.filterKind, 0, 2) || BadFlag(d.flag2) || Outside(d.value6, 0, 1) ||
         Outside(d.value4, value4Min, 5) || BadFlag(d.flag8) || Outside(d.value10, 2, 20);
}

bool CheckTitles(const STRUCT_CHRO_TITLES& t) {
  bool bad = Outside(t.itemCount, 0, 8);
  for (int i = 0; i < 4; ++i) bad = bad || BadFlag(t.flags[i]);
  for (int i = 0; !bad && i < t.itemCount; ++i) bad = Outside(t.items[i], 0, 7);
  return bad;
}

void ResetRecord(void* record) { KELT_ResetDefChroPrefs(static_cast<STRUCT_CHRO_PREFS*>(record)); }
BOOL ValidateRecord(void* record) { return KELT_ValidateChroPrefs(static_cast<STRUCT_CHRO_PREFS*>(record)); }

const RecordKind& Kind() {
  static const RecordKind kind{sizeof(STRUCT_CHRO_PREFS), kChroSection, &DefaultChroPrefs(), ResetRecord,
                               ValidateRecord, nullptr};
  return kind;
}

}  // namespace

bool CheckChroDrawing(const STRUCT_CHRO_DRAWING& d) {
  return BadFlag(d.flag0) || Outside(d.lineWidth, 1, 10) || CheckMarker(d.signalNoiseMarker) ||
         BadFlag(d.showBCMarkers) || BadFlag(d.showSystemEventMarks) || BadFlag(d.flag100) || Outside(d.value102, 11, 119);
}

}  // namespace kelt::prefs

using namespace kelt::prefs;

// ---- Sub-records -------------------------------------------------------------

void KELT_ResetChroScreenColorParams(STRUCT_CHRO_SCREEN_COLORS* colors) {
  if (!colors) return;
  Zero(colors);
  COLORREF table[23];
  FillPlotColors(table, 0xC0C0C0);
  for (int i = 0; i < 23; ++i) colors->colors[i] = table[i];
  colors->fadeOn = 0;
  colors->fadeKind = 1;
}

void KELT_ResetChroRptsColorParams(STRUCT_CHRO_RPTS_COLORS* colors) {
  if (!colors) return;
  COLORREF table[23];
  FillPlotColors(table, 0x000000);
  for (int i = 0; i < 23; ++i) colors->colors[i] = table[i];
}

void KELT_ResetResultAnnotationsParams(STRUCT_RESULT_ANNOTATIONS* ann, const COLORREF* colors,
                                       const LOGFONTA* font) {
  if (!ann) return;
  STRUCT_MARKER_PARAMS marker;
  KELT_ResetAnnMarkerParams(&marker, colors, font);
  Zero(ann);
  ann->show = 1;
  for (int i = 0; i < 5; ++i) ann->kindFlags[i] = 1;
  ann->itemCount = 1;
  ann->items[0] = 1;
  ann->textSize = 300;
  ann->marker = marker;
}

void KELT_ResetAMDISAnnotationsParams(STRUCT_AMDIS_ANNOTATIONS* ann, const COLORREF* colors,
                                      const LOGFONTA* font) {
  if (!ann) return;
  STRUCT_MARKER_PARAMS marker;
  KELT_ResetAMDISMarkerParams(&marker, colors, font);
  marker.screenColor = 0xFF0000;
  marker.printColor = 0xFF0000;
  Zero(ann);
  ann->itemCount1 = 1;
  ann->items1[0] = 1;
  ann->itemCount2 = 1;
  ann->items2[0] = 2;
  ann->textSize = 300;
  ann->marker = marker;
}

void KELT_ResetTCHROAnnotationsParams(STRUCT_TCHRO_ANNOTATIONS* ann, const COLORREF* colors,
                                      const LOGFONTA* font) {
  if (!ann) return;
  STRUCT_MARKER_PARAMS marker;
  KELT_ResetAMDISMarkerParams(&marker, colors, font);
  marker.screenColor = 0x0000FF;
  marker.printColor = 0x0000FF;
  Zero(ann);
  ann->show = 1;
  ann->itemCount = 1;
  ann->items[0] = 4;
  ann->textSize = 300;
  ann->marker = marker;
}

void KELT_ResetChroDrawingParams(STRUCT_CHRO_DRAWING* drawing, const COLORREF* colors, const LOGFONTA* font) {
  if (!drawing) return;
  STRUCT_MARKER_PARAMS marker;
  KELT_ResetSignalNoiseMarkerParams(&marker, colors, font);
  Zero(drawing);
  drawing->flag0 = 1;
  drawing->lineWidth = 2;
  drawing->signalNoiseMarker = marker;
  drawing->flag100 = 1;
  drawing->value102 = 40;
}

void KELT_ResetChroFeatureParams(STRUCT_CHRO_FEATURES* f) {
  if (!f) return;
  Zero(f);
  f->showExponentScales = 1;
  f->showSegments = 1;
  f->showToolbar = 1;
  f->pointsToAverage = 1;
}

void KELT_ResetChroPlotDataParams(STRUCT_CHRO_PLOT_DATA* d) {
  if (!d) return;
  Zero(d);
  d->value4 = 1;
  d->value10 = 4;
}

void KELT_ResetChroTitleParams(STRUCT_CHRO_TITLES* t) {
  if (!t) return;
  Zero(t);
  t->flags[0] = 1;
  t->flags[1] = 1;
  t->itemCount = 3;
  t->items[0] = 2;
  t->items[1] = 0;
  t->items[2] = 6;
}

void KELT_ResetChroNoiseParams(STRUCT_CHRO_NOISE* noise, const COLORREF* colors, const LOGFONTA* font) {
  if (!noise) return;
  STRUCT_MARKER_PARAMS marker;
  KELT_ResetSignalNoiseMarkerParams(&marker, colors, font);
  Zero(noise);
  noise->signalNoiseMarker = marker;
}

// ---- The record ----------------------------------------------------------------

void KELT_ResetDefChroPrefs(STRUCT_CHRO_PREFS* p) {
  if (!p) return;
  Zero(p);
  // Labels and markers copy the colours and the font, so those come first.
  KELT_ResetCtrlFontParams(&p->ctrlFont);
  KELT_ResetChroScreenColorParams(&p->colors);
  const COLORREF owner[2] = {p->colors.colors[0], p->colors.colors[1]};
  const LOGFONTA font = p->ctrlFont;
  KELT_ResetChroLabelParams(&p->label, owner, &font);
  KELT_ResetAxisParams(1, 0, 1, &p->axis1);
  KELT_ResetAxisParams(0, 0, 1, &p->axis0);
  KELT_ResetResultAnnotationsParams(&p->resultAnnotations, owner, &font);
  KELT_ResetAMDISAnnotationsParams(&p->amdisAnnotations, owner, &font);
  KELT_ResetTCHROAnnotationsParams(&p->tchroAnnotations, owner, &font);
  KELT_ResetChroTitleParams(&p->titles);
  KELT_ResetChroDrawingParams(&p->drawing, owner, &font);
  KELT_ResetChroFeatureParams(&p->features);
  KELT_ResetChroPlotDataParams(&p->plotData);
  KELT_ResetChroNoiseParams(&p->noise, owner, &font);
}

BOOL KELT_ValidateChroPrefs(STRUCT_CHRO_PREFS* p) {
  if (!p) return FALSE;
  // Every check runs; one fault anywhere resets the whole record.
  bool bad = BadFlag(p->colors.fadeOn) || BadFlag(p->colors.fadeKind);
  bad |= CheckLabel(p->label);
  bad |= CheckAxis(p->axis0, true);
  bad |= CheckAxis(p->axis1, true);
  bad |= CheckResultAnnotations(p->resultAnnotations);
  bad |= CheckAMDISAnnotations(p->amdisAnnotations);
  bad |= CheckTCHROAnnotations(p->tchroAnnotations);
  bad |= CheckChroDrawing(p->drawing);
  bad |= CheckFeatures(p->features);
  bad |= CheckPlotData(p->plotData);
  bad |= CheckTitles(p->titles);
  bad |= BadFlag(p->noise.flag0) || CheckMarker(p->noise.signalNoiseMarker);
  if (!bad) return FALSE;
  KELT_ResetDefChroPrefs(p);
  return TRUE;
}

BOOL KELT_ReadDefChroPrefs(STRUCT_CHRO_PREFS* p, const char* section) { return ReadRecord(Kind(), p, section); }

BOOL KELT_WriteDefChroPrefs(const STRUCT_CHRO_PREFS* p, const char* section) {
  return WriteRecord(Kind(), p, section);
}

void KELT_GetCurrDefChroPrefs(STRUCT_CHRO_PREFS* p) {
  if (p) *p = DefaultChroPrefs();
}
