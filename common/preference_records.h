#pragma once
// The four preference records (chromatogram, spectra, report, general), the
// sub-records they are made of, the library-wide default copies and their
// storage in "tolview3.ini" (one whole-record value under the key "Params"
// of a section per record).
//
// Every record is stored byte for byte, so the layouts below are a file
// format: byte-packed, little-endian. A "flag" is an int16_t that must be
// 0 or 1. Unnamed bytes are reserved and reset to 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/kelt_export.h"
#include "win/win_gdi.h"
#include "win/win_types.h"

// Font descriptions are the platform's 60-byte logical-font record.
static_assert(sizeof(LOGFONTA) == 60);
static_assert(offsetof(LOGFONTA, lfWeight) == 16);
static_assert(offsetof(LOGFONTA, lfPitchAndFamily) == 27);
static_assert(offsetof(LOGFONTA, lfFaceName) == 28);

#pragma pack(push, 1)

// ---- Colour blocks ---------------------------------------------------------

// Background, axes and text, the 20 plot colours, integration baselines.
struct STRUCT_CHRO_SCREEN_COLORS {
  COLORREF colors[23];
  int16_t fadeOn;    // flag, 0
  int16_t fadeKind;  // flag, 1
};

// Background, foreground, range marks, difference plot, spectrum A and B,
// their marked masses, structure labels, structure bonds.
struct STRUCT_SPTS_SCREEN_COLORS {
  COLORREF colors[10];
  int16_t fadeOn;      // flag
  int16_t fadeMode;    // flag
  int16_t markMasses;  // flag
};

struct STRUCT_SPTS_RPTS_COLORS {
  COLORREF colors[10];
  int16_t markMasses;  // flag
};

struct STRUCT_CHRO_RPTS_COLORS {
  COLORREF colors[23];
};

// ---- Axis ----------------------------------------------------------------

struct STRUCT_AXIS_PARAMS {
  int16_t shown;            // flag, 1
  int16_t majorTickStyle;   // 0..3
  int16_t minorTickStyle;   // 0..3
  int16_t majorTickLength;  // screen 0..100, report 0..500
  int16_t minorTickLength;  // screen 0..100, report 0..500
  int16_t minMinorSpacing;  // screen 0..20, report 0..500
  int16_t minorDivision;    // 0..1
  int16_t labelMode;        // 0..3
  int16_t integerSteps;     // not checked
  double fixedMajorStep;    // not checked
  double fixedMinorStep;    // not checked
};

// ---- Labels and markers ------------------------------------------------------

// A label's or marker's drawing parameters (the label sub-record of the
// records, and the marker sub-records of annotations and noise).
struct STRUCT_MARKER_PARAMS {
  int16_t transparent;   // flag, 1
  COLORREF backColor;    // owner's colour 1
  COLORREF screenColor;  // owner's colour 2
  COLORREF printColor;
  int16_t fontSource;    // flag: 1 = use the owning record's font
  LOGFONTA font;
  int32_t angle;         // tenths of a degree, 0..3600
  int16_t positionMode;  // labels: 0..2
  int16_t pointerMode;   // labels: 0..2
  int16_t peakBoxStyle;  // markers: flag
  int16_t markerFlags[3];  // markers: flags
};

// ---- Chromatogram sub-records ------------------------------------------------

struct STRUCT_RESULT_ANNOTATIONS {
  int16_t show;              // flag, 1
  int16_t kindFlags[6];      // flags, 1 1 1 1 1 0
  int16_t itemCount;         // 0..10
  int16_t items[10];         // 0..9
  int16_t textSize;          // 200..400
  STRUCT_MARKER_PARAMS marker;
};

struct STRUCT_AMDIS_ANNOTATIONS {
  int16_t show;         // flag, 0
  int16_t useELU;       // flag, 0: FIN identifications, 1: ELU components
  int16_t itemCount1;   // 0..11
  int16_t items1[11];   // 0..10
  int16_t itemCount2;   // 0..12
  int16_t items2[12];   // 0..11
  int16_t textSize;     // 200..400
  STRUCT_MARKER_PARAMS marker;
};

struct STRUCT_TCHRO_ANNOTATIONS {
  int16_t show;        // flag, 1
  int16_t itemCount;   // 0..8
  int16_t items[8];    // 0..7
  int16_t textSize;    // 200..400
  STRUCT_MARKER_PARAMS marker;
};

struct STRUCT_CHRO_DRAWING {
  int16_t flag0;            // flag, 1
  int16_t lineWidth;        // 1..10
  STRUCT_MARKER_PARAMS signalNoiseMarker;
  int16_t showBCMarkers;    // flag, 0
  int16_t showSystemEventMarks;  // flag, 0
  int16_t flag100;          // flag, 1
  int16_t value102;         // 11..119
};

struct STRUCT_CHRO_FEATURES {
  int16_t showExponentScales;  // flag, 1
  int16_t showSegments;        // flag, 1
  int16_t showToolbar;         // flag, 1
  int16_t pointsToAverage;     // 1, 3, 5 or 7
  int16_t clickDragMode;       // 0..6 (0..7 in research mode)
  int16_t singleClickMode;     // 0..4
};

struct STRUCT_CHRO_PLOT_DATA {
  int16_t filterKind;   // 0..2
  int16_t flag2;        // flag, 0
  int16_t value4;       // 1..5 (2..5 when value6 is 1)
  int16_t value6;       // 0..1
  int16_t flag8;        // flag, 0
  int16_t value10;      // 2..20
};

struct STRUCT_CHRO_TITLES {
  int16_t flags[4];   // 1, 1, 0, 0
  int16_t itemCount;  // 0..8
  int16_t items[8];   // 0..7
};

struct STRUCT_CHRO_NOISE {
  int16_t flag0;  // flag, 0
  STRUCT_MARKER_PARAMS signalNoiseMarker;
};

// ---- Spectra sub-records -------------------------------------------------------

struct STRUCT_SPTS_DRAWING {
  int16_t flag0;                // flag, 1
  int16_t comparisonDisplay;    // flag, 1
  int16_t overlayAB;            // flag, 0
  int16_t showDifference;       // flag, 0
  int16_t flag8;                // flag, 1
  int16_t flag10;               // flag, 1
  int16_t value12;              // 0..95
  int16_t smoothedToReports;    // flag, 1
  int16_t horizontalMode;       // 0 Learn, 1 Fixed, 2 AutoScale
  int16_t keepAbsolute;         // 0..1
  int16_t verticalMode;         // 0 AutoScale, 1 Fixed
  int16_t flag22;               // flag, 0
  uint8_t reserved[18];
};

struct STRUCT_SPTS_FEATURES {
  int16_t flag0;             // flag, 0
  int16_t transform;         // 0..999
  int16_t showToolbar;       // flag, 1
  int16_t clickDragMode;     // 0..1
  int16_t singleClickMode;   // 0..4
  int16_t pageMode;          // 0..2
  int16_t backgroundCorrect; // flag, 1
};

// A title line's items: a count and room for ten item codes.
struct STRUCT_SPTS_TITLE_LIST {
  int16_t count;      // 0..10
  int16_t items[10];  // 0..19
};

struct STRUCT_SPTS_TITLES {
  int16_t flags[4];      // 1
  uint8_t reserved[8];   // must be 0
  STRUCT_SPTS_TITLE_LIST lists[4];
};

struct STRUCT_SPTS_PROFILE {
  int16_t smoothProfile;     // flag, 1
  int16_t smoothedTitles;    // flag, 0
  int16_t searchPoints;      // odd, 1..51
  int16_t chargeState;       // not checked
  uint8_t reserved[8];       // must be 0
  double spare[4];           // must be 0.0
};

// ---- Report sub-records ---------------------------------------------------------

struct STRUCT_SPTS_REPORT_PARAMS {
  int16_t flags[5];     // 1
  int16_t penWidth;     // 0..120
  uint8_t reserved[4];  // must be 0
};

struct STRUCT_SPTS_REPORT_PLOTS {
  int16_t showStructures;     // flag, 1
  int16_t showIonLabels;      // flag, 1
  int16_t showAmplitudes;     // flag, 1
  int16_t labelThreshold;     // percent, 0..95
  int16_t flag8;              // flag, 0
  uint8_t reserved[6];        // must be 0
};

struct STRUCT_REPORT_FONTS {
  int16_t smallSize;  // 0..1200
  int16_t bodySize;   // 0..1200
  int16_t titleSize;  // 0..1200
  LOGFONTA fixedFont;
  LOGFONTA variableFont;
};

struct STRUCT_SPOOLER {
  int16_t value0;
  char spoolFile[260];     // emptied when the file no longer exists
  int16_t previewReports;  // flag, 1
  int16_t marginLeft;      // percent, 0..45
  int16_t marginRight;     // percent, 0..45
  int16_t marginTop;       // percent, 0..45
  int16_t marginBottom;    // not checked
  int16_t colorPrinting;   // flag, 1
  int16_t orientation;     // 0 as the page says, 1 portrait, 2 landscape
};

struct STRUCT_CHRO_REPORT_PARAMS {
  int16_t flag0;      // flag, 1
  int16_t flag2;      // flag, 0
  int16_t penWidth;   // print pen width, 0..120
  int16_t flags[9];   // 0
};

struct STRUCT_CAL_CURVES {
  int16_t value0;        // 0..120
  uint8_t reserved[8];   // must be 0
  double spare[4];       // must be 0.0
};

// ---- General sub-records ---------------------------------------------------------

struct STRUCT_MISC_REPORT {
  int16_t flag;  // flag, 0; in the default copy, >0 leaves the print date off pages
};

struct STRUCT_GLOBAL_FONTS {
  LOGFONTA fixedFont;         // KELT_CreateGlobalFont
  LOGFONTA proportionalFont;  // KELT_CreateGlobalFont2
  uint8_t reserved[60];
};

struct STRUCT_GLOBAL_FEATURES {
  int16_t flag0;           // flag, 1
  int16_t value2;          // 0..10
  int16_t greekCharacters; // flag, 0
  int16_t formatWord;      // must be 20
  double massOffset;       // 0.0 .. 0.4
};

struct STRUCT_GLOBAL_MISC {
  int16_t scientificNotation;  // flag, 1
  int16_t exponentThreshold;   // index 0..5
};

// ---- The four records --------------------------------------------------------------

struct STRUCT_CHRO_PREFS {
  int32_t timeStamp;  // set by the preference sheets; 0 on reset
  STRUCT_CHRO_SCREEN_COLORS colors;
  STRUCT_MARKER_PARAMS label;
  STRUCT_AXIS_PARAMS axis0;
  STRUCT_AXIS_PARAMS axis1;
  LOGFONTA ctrlFont;
  STRUCT_RESULT_ANNOTATIONS resultAnnotations;
  STRUCT_AMDIS_ANNOTATIONS amdisAnnotations;
  STRUCT_TCHRO_ANNOTATIONS tchroAnnotations;
  STRUCT_CHRO_DRAWING drawing;
  STRUCT_CHRO_FEATURES features;
  STRUCT_CHRO_PLOT_DATA plotData;
  STRUCT_CHRO_TITLES titles;
  STRUCT_CHRO_NOISE noise;
};

struct STRUCT_SPTS_PREFS {
  int32_t timeStamp;
  STRUCT_SPTS_SCREEN_COLORS colors;
  STRUCT_MARKER_PARAMS label;
  STRUCT_AXIS_PARAMS axis0;
  STRUCT_AXIS_PARAMS axis1;
  STRUCT_SPTS_DRAWING drawing;
  LOGFONTA ctrlFont;
  STRUCT_SPTS_FEATURES features;
  STRUCT_SPTS_TITLES titles;
  STRUCT_SPTS_PROFILE profile;
};

struct STRUCT_REPORT_PREFS {
  int32_t timeStamp;
  STRUCT_SPTS_RPTS_COLORS sptsColors;
  STRUCT_CHRO_RPTS_COLORS chroColors;
  STRUCT_AXIS_PARAMS sptsAxis0;
  STRUCT_AXIS_PARAMS sptsAxis1;
  STRUCT_AXIS_PARAMS chroAxis0;
  STRUCT_AXIS_PARAMS chroAxis1;
  STRUCT_SPTS_REPORT_PARAMS sptsReport;
  STRUCT_SPTS_REPORT_PLOTS sptsPlots;
  STRUCT_REPORT_FONTS fonts;
  STRUCT_SPOOLER spooler;
  STRUCT_CHRO_DRAWING chroDrawing;
  STRUCT_CHRO_REPORT_PARAMS chroReport;
  STRUCT_CAL_CURVES calCurves;
  STRUCT_MISC_REPORT misc;
};

struct STRUCT_GLOBAL_PREFS {
  int32_t timeStamp;
  STRUCT_GLOBAL_FONTS fonts;
  STRUCT_GLOBAL_FEATURES features;
  STRUCT_GLOBAL_MISC misc;
};

#pragma pack(pop)

// Sub-record sizes.
static_assert(sizeof(STRUCT_CHRO_SCREEN_COLORS) == 96);
static_assert(sizeof(STRUCT_SPTS_SCREEN_COLORS) == 46);
static_assert(sizeof(STRUCT_SPTS_RPTS_COLORS) == 42);
static_assert(sizeof(STRUCT_CHRO_RPTS_COLORS) == 92);
static_assert(sizeof(STRUCT_AXIS_PARAMS) == 34);
static_assert(sizeof(STRUCT_MARKER_PARAMS) == 92);
static_assert(sizeof(STRUCT_RESULT_ANNOTATIONS) == 130);
static_assert(sizeof(STRUCT_AMDIS_ANNOTATIONS) == 148);
static_assert(sizeof(STRUCT_TCHRO_ANNOTATIONS) == 114);
static_assert(sizeof(STRUCT_CHRO_DRAWING) == 104);
static_assert(sizeof(STRUCT_CHRO_FEATURES) == 12);
static_assert(sizeof(STRUCT_CHRO_PLOT_DATA) == 12);
static_assert(sizeof(STRUCT_CHRO_TITLES) == 26);
static_assert(sizeof(STRUCT_CHRO_NOISE) == 94);
static_assert(sizeof(STRUCT_SPTS_DRAWING) == 42);
static_assert(sizeof(STRUCT_SPTS_FEATURES) == 14);
static_assert(sizeof(STRUCT_SPTS_TITLE_LIST) == 22);
static_assert(sizeof(STRUCT_SPTS_TITLES) == 104);
static_assert(sizeof(STRUCT_SPTS_PROFILE) == 48);
static_assert(sizeof(STRUCT_SPTS_REPORT_PARAMS) == 16);
static_assert(sizeof(STRUCT_SPTS_REPORT_PLOTS) == 16);
static_assert(sizeof(STRUCT_REPORT_FONTS) == 126);
static_assert(sizeof(STRUCT_SPOOLER) == 276);
static_assert(sizeof(STRUCT_CHRO_REPORT_PARAMS) == 24);
static_assert(sizeof(STRUCT_CAL_CURVES) == 42);
static_assert(sizeof(STRUCT_MISC_REPORT) == 2);
static_assert(sizeof(STRUCT_GLOBAL_FONTS) == 180);
static_assert(sizeof(STRUCT_GLOBAL_FEATURES) == 16);
static_assert(sizeof(STRUCT_GLOBAL_MISC) == 4);

// Offsets within sub-records that other code reads.
static_assert(offsetof(STRUCT_CHRO_SCREEN_COLORS, fadeOn) == 92);
static_assert(offsetof(STRUCT_AXIS_PARAMS, fixedMajorStep) == 18);
static_assert(offsetof(STRUCT_MARKER_PARAMS, backColor) == 2);
static_assert(offsetof(STRUCT_MARKER_PARAMS, screenColor) == 6);
static_assert(offsetof(STRUCT_MARKER_PARAMS, printColor) == 10);
static_assert(offsetof(STRUCT_MARKER_PARAMS, fontSource) == 14);
static_assert(offsetof(STRUCT_MARKER_PARAMS, font) == 16);
static_assert(offsetof(STRUCT_MARKER_PARAMS, angle) == 76);
static_assert(offsetof(STRUCT_MARKER_PARAMS, positionMode) == 80);
static_assert(offsetof(STRUCT_MARKER_PARAMS, peakBoxStyle) == 84);
static_assert(offsetof(STRUCT_RESULT_ANNOTATIONS, itemCount) == 14);
static_assert(offsetof(STRUCT_RESULT_ANNOTATIONS, textSize) == 36);
static_assert(offsetof(STRUCT_RESULT_ANNOTATIONS, marker) == 38);
static_assert(offsetof(STRUCT_AMDIS_ANNOTATIONS, itemCount2) == 28);
static_assert(offsetof(STRUCT_AMDIS_ANNOTATIONS, textSize) == 54);
static_assert(offsetof(STRUCT_AMDIS_ANNOTATIONS, marker) == 56);
static_assert(offsetof(STRUCT_TCHRO_ANNOTATIONS, textSize) == 20);
static_assert(offsetof(STRUCT_TCHRO_ANNOTATIONS, marker) == 22);
static_assert(offsetof(STRUCT_CHRO_DRAWING, showBCMarkers) == 96);
static_assert(offsetof(STRUCT_CHRO_DRAWING, showSystemEventMarks) == 98);
static_assert(offsetof(STRUCT_CHRO_DRAWING, value102) == 102);
static_assert(offsetof(STRUCT_CHRO_TITLES, items) == 10);
static_assert(offsetof(STRUCT_SPTS_DRAWING, flag22) == 22);
static_assert(offsetof(STRUCT_SPTS_TITLES, lists) == 16);
static_assert(offsetof(STRUCT_SPTS_PROFILE, spare) == 16);
static_assert(offsetof(STRUCT_REPORT_FONTS, fixedFont) == 6);
static_assert(offsetof(STRUCT_REPORT_FONTS, variableFont) == 66);
static_assert(offsetof(STRUCT_SPOOLER, previewReports) == 262);
static_assert(offsetof(STRUCT_SPOOLER, orientation) == 274);
static_assert(offsetof(STRUCT_CAL_CURVES, spare) == 10);
static_assert(offsetof(STRUCT_GLOBAL_FEATURES, formatWord) == 6);
static_assert(offsetof(STRUCT_GLOBAL_FEATURES, massOffset) == 8);

// The records.
static_assert(sizeof(STRUCT_CHRO_PREFS) == 960);
static_assert(offsetof(STRUCT_CHRO_PREFS, colors) == 4);
static_assert(offsetof(STRUCT_CHRO_PREFS, label) == 100);
static_assert(offsetof(STRUCT_CHRO_PREFS, axis0) == 192);
static_assert(offsetof(STRUCT_CHRO_PREFS, axis1) == 226);
static_assert(offsetof(STRUCT_CHRO_PREFS, ctrlFont) == 260);
static_assert(offsetof(STRUCT_CHRO_PREFS, resultAnnotations) == 320);
static_assert(offsetof(STRUCT_CHRO_PREFS, amdisAnnotations) == 450);
static_assert(offsetof(STRUCT_CHRO_PREFS, tchroAnnotations) == 598);
static_assert(offsetof(STRUCT_CHRO_PREFS, drawing) == 712);
static_assert(offsetof(STRUCT_CHRO_PREFS, features) == 816);
static_assert(offsetof(STRUCT_CHRO_PREFS, plotData) == 828);
static_assert(offsetof(STRUCT_CHRO_PREFS, titles) == 840);
static_assert(offsetof(STRUCT_CHRO_PREFS, noise) == 866);

static_assert(sizeof(STRUCT_SPTS_PREFS) == 478);
static_assert(offsetof(STRUCT_SPTS_PREFS, colors) == 4);
static_assert(offsetof(STRUCT_SPTS_PREFS, label) == 50);
static_assert(offsetof(STRUCT_SPTS_PREFS, axis0) == 142);
static_assert(offsetof(STRUCT_SPTS_PREFS, axis1) == 176);
static_assert(offsetof(STRUCT_SPTS_PREFS, drawing) == 210);
static_assert(offsetof(STRUCT_SPTS_PREFS, ctrlFont) == 252);
static_assert(offsetof(STRUCT_SPTS_PREFS, features) == 312);
static_assert(offsetof(STRUCT_SPTS_PREFS, titles) == 326);
static_assert(offsetof(STRUCT_SPTS_PREFS, profile) == 430);

static_assert(sizeof(STRUCT_REPORT_PREFS) == 880);
static_assert(offsetof(STRUCT_REPORT_PREFS, sptsColors) == 4);
static_assert(offsetof(STRUCT_REPORT_PREFS, chroColors) == 46);
static_assert(offsetof(STRUCT_REPORT_PREFS, sptsAxis0) == 138);
static_assert(offsetof(STRUCT_REPORT_PREFS, sptsAxis1) == 172);
static_assert(offsetof(STRUCT_REPORT_PREFS, chroAxis0) == 206);
static_assert(offsetof(STRUCT_REPORT_PREFS, chroAxis1) == 240);
static_assert(offsetof(STRUCT_REPORT_PREFS, sptsReport) == 274);
static_assert(offsetof(STRUCT_REPORT_PREFS, sptsPlots) == 290);
static_assert(offsetof(STRUCT_REPORT_PREFS, fonts) == 306);
static_assert(offsetof(STRUCT_REPORT_PREFS, spooler) == 432);
static_assert(offsetof(STRUCT_REPORT_PREFS, chroDrawing) == 708);
static_assert(offsetof(STRUCT_REPORT_PREFS, chroReport) == 812);
static_assert(offsetof(STRUCT_REPORT_PREFS, calCurves) == 836);
static_assert(offsetof(STRUCT_REPORT_PREFS, misc) == 878);

static_assert(sizeof(STRUCT_GLOBAL_PREFS) == 204);
static_assert(offsetof(STRUCT_GLOBAL_PREFS, fonts) == 4);
static_assert(offsetof(STRUCT_GLOBAL_PREFS, features) == 184);
static_assert(offsetof(STRUCT_GLOBAL_PREFS, misc) == 200);

// ---- Records: reset, validate, read, write, current default ---------------------
// Reset: factory values. Validate: 1 when some field was out of range (the
// whole record is then reset), else 0. Read(record, section or null for the
// record's default section): 1 when a valid stored record was read; when it
// was missing, damaged or out of range the record is reset and written
// back, and the result is that write's. Write(record, section or null):
// nonzero on success; writing the default section also makes the record
// the library's current default. GetCurrDef: copies the current default.

KELT_API void KELT_ResetDefChroPrefs(STRUCT_CHRO_PREFS* prefs);
KELT_API BOOL KELT_ValidateChroPrefs(STRUCT_CHRO_PREFS* prefs);
KELT_API BOOL KELT_ReadDefChroPrefs(STRUCT_CHRO_PREFS* prefs, const char* section);
KELT_API BOOL KELT_WriteDefChroPrefs(const STRUCT_CHRO_PREFS* prefs, const char* section);
KELT_API void KELT_GetCurrDefChroPrefs(STRUCT_CHRO_PREFS* prefs);

KELT_API void KELT_ResetDefSptsPrefs(STRUCT_SPTS_PREFS* prefs);
KELT_API BOOL KELT_ValidateSptsPrefs(STRUCT_SPTS_PREFS* prefs);
KELT_API BOOL KELT_ReadDefSptsPrefs(STRUCT_SPTS_PREFS* prefs, const char* section);
KELT_API BOOL KELT_WriteDefSptsPrefs(const STRUCT_SPTS_PREFS* prefs, const char* section);
KELT_API void KELT_GetCurrDefSptsPrefs(STRUCT_SPTS_PREFS* prefs);

KELT_API void KELT_ResetDefReportPrefs(STRUCT_REPORT_PREFS* prefs);
KELT_API BOOL KELT_ValidateReportPrefs(STRUCT_REPORT_PREFS* prefs);
KELT_API BOOL KELT_ReadDefReportPrefs(STRUCT_REPORT_PREFS* prefs, const char* section);
KELT_API BOOL KELT_WriteDefReportPrefs(const STRUCT_REPORT_PREFS* prefs, const char* section);
KELT_API void KELT_GetCurrDefReportPrefs(STRUCT_REPORT_PREFS* prefs);

KELT_API void KELT_ResetDefGlobalPrefs(STRUCT_GLOBAL_PREFS* prefs);
KELT_API BOOL KELT_ValidateGlobalPrefs(STRUCT_GLOBAL_PREFS* prefs);
KELT_API BOOL KELT_ReadDefGlobalPrefs(STRUCT_GLOBAL_PREFS* prefs, const char* section);
KELT_API BOOL KELT_WriteDefGlobalPrefs(const STRUCT_GLOBAL_PREFS* prefs, const char* section);
KELT_API void KELT_GetCurrDefGlobalPrefs(STRUCT_GLOBAL_PREFS* prefs);

// ---- Sub-record resets (one preference page each) -----------------------------------
// "colors" is the owning record's colour table (its first two colours are
// used), "font" its control font; either may be null.

KELT_API void KELT_ResetCtrlFontParams(LOGFONTA* font);
KELT_API void KELT_ResetChroScreenColorParams(STRUCT_CHRO_SCREEN_COLORS* colors);
KELT_API void KELT_ResetSptsScreenColorParams(STRUCT_SPTS_SCREEN_COLORS* colors);
KELT_API void KELT_ResetSptsRptsColorParams(STRUCT_SPTS_RPTS_COLORS* colors);
KELT_API void KELT_ResetChroRptsColorParams(STRUCT_CHRO_RPTS_COLORS* colors);
// axisFlag 1 or 0 chooses the minimum minor spacing; "unused" is not read;
// screen nonzero gives screen sizes, 0 report sizes.
KELT_API void KELT_ResetAxisParams(int16_t axisFlag, int16_t unused, int16_t screen,
                                   STRUCT_AXIS_PARAMS* axis);
KELT_API void KELT_ResetSptsLabelParams(STRUCT_MARKER_PARAMS* label, const COLORREF* colors,
                                        const LOGFONTA* font);
KELT_API void KELT_ResetChroLabelParams(STRUCT_MARKER_PARAMS* label, const COLORREF* colors,
                                        const LOGFONTA* font);
KELT_API void KELT_ResetAnnMarkerParams(STRUCT_MARKER_PARAMS* marker, const COLORREF* colors,
                                        const LOGFONTA* font);
KELT_API void KELT_ResetSignalNoiseMarkerParams(STRUCT_MARKER_PARAMS* marker, const COLORREF* colors,
                                                const LOGFONTA* font);
KELT_API void KELT_ResetAMDISMarkerParams(STRUCT_MARKER_PARAMS* marker, const COLORREF* colors,
                                          const LOGFONTA* font);
KELT_API void KELT_ResetResultAnnotationsParams(STRUCT_RESULT_ANNOTATIONS* ann, const COLORREF* colors,
                                                const LOGFONTA* font);
KELT_API void KELT_ResetAMDISAnnotationsParams(STRUCT_AMDIS_ANNOTATIONS* ann, const COLORREF* colors,
                                               const LOGFONTA* font);
KELT_API void KELT_ResetTCHROAnnotationsParams(STRUCT_TCHRO_ANNOTATIONS* ann, const COLORREF* colors,
                                               const LOGFONTA* font);
KELT_API void KELT_ResetChroDrawingParams(STRUCT_CHRO_DRAWING* drawing, const COLORREF* colors,
                                          const LOGFONTA* font);
KELT_API void KELT_ResetChroNoiseParams(STRUCT_CHRO_NOISE* noise, const COLORREF* colors,
                                        const LOGFONTA* font);
KELT_API void KELT_ResetChroFeatureParams(STRUCT_CHRO_FEATURES* features);
KELT_API void KELT_ResetChroPlotDataParams(STRUCT_CHRO_PLOT_DATA* plotData);
KELT_API void KELT_ResetChroTitleParams(STRUCT_CHRO_TITLES* titles);
KELT_API void KELT_ResetSptsDrawingParams(STRUCT_SPTS_DRAWING* drawing);
KELT_API void KELT_ResetSptsFeatureParams(STRUCT_SPTS_FEATURES* features);
KELT_API void KELT_ResetSptsTitleParams(STRUCT_SPTS_TITLES* titles);
KELT_API void KELT_ResetSptsProfileParams(STRUCT_SPTS_PROFILE* profile);
KELT_API void KELT_ResetSpectraReportParams(STRUCT_SPTS_REPORT_PARAMS* params);
KELT_API void KELT_ResetSpectraReportPlots(STRUCT_SPTS_REPORT_PLOTS* plots);
KELT_API void KELT_ResetReportFontParams(STRUCT_REPORT_FONTS* fonts);
KELT_API void KELT_ResetSpoolerParams(STRUCT_SPOOLER* spooler);
KELT_API void KELT_ResetChroReportParams(STRUCT_CHRO_REPORT_PARAMS* params);
KELT_API void KELT_ResetCalCurvesParams(STRUCT_CAL_CURVES* curves);
KELT_API void KELT_ResetMiscReportParams(STRUCT_MISC_REPORT* misc);
KELT_API void KELT_ResetGlobalFontParams(STRUCT_GLOBAL_FONTS* fonts);
KELT_API void KELT_ResetGlobalFeatureParams(STRUCT_GLOBAL_FEATURES* features);
KELT_API void KELT_ResetGlobalMisc2Params(STRUCT_GLOBAL_MISC* misc);

// ---- Library-wide state the records depend on ----------------------------------------
namespace kelt::prefs {

// What library start-up measures and reads before the records are read.
struct PrefEnvironment {
  int16_t markerFontHeight = 16;   // marker and control fonts
  int16_t generalFontHeight = 13;  // general fonts
  int32_t displayTextHeight = 0;   // the display's text height; 0: no metrics
  int32_t canShowHalfHeights = 0;  // research mode ("CanShowHalfHeights")
  bool trueTypeAvailable = true;   // chooses the font faces
};
KELT_CLASS void SetPrefEnvironment(const PrefEnvironment& env);
KELT_CLASS PrefEnvironment GetPrefEnvironment();

// The preference file. Until set: the program folder (with "\" when not
// empty) + "tolview3.ini". Setting an empty path returns to that default.
KELT_CLASS void SetPreferencesIniPath(std::string_view path);
KELT_CLASS std::string PreferencesIniPath();

// Reads the four default records into the library's default copies, in the
// order chromatogram, spectra, report, general (library start-up).
KELT_CLASS void ReadAllDefaultPrefs();

// The library's default copies, for code of the library that reads them
// directly (drawing, reports).
KELT_CLASS STRUCT_CHRO_PREFS& DefaultChroPrefs();
KELT_CLASS STRUCT_SPTS_PREFS& DefaultSptsPrefs();
KELT_CLASS STRUCT_REPORT_PREFS& DefaultReportPrefs();
KELT_CLASS STRUCT_GLOBAL_PREFS& DefaultGlobalPrefs();

// Default section names.
inline constexpr const char* kChroSection = "KELTDefChroPrefs";
inline constexpr const char* kSptsSection = "KELTDefSptsPrefs";
inline constexpr const char* kReportSection = "KELTDefRptPrefs";
inline constexpr const char* kGlobalSection = "KELTDefGlobalPrefs";
inline constexpr const char* kParamsKey = "Params";

}  // namespace kelt::prefs
