#pragma once
// Modal editors of the preference records. Each works on the record it is
// given and answers non-zero when the user accepted, 0 when cancelled; a
// cancelled editor leaves the record as it was.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_wnd.h"

// Dialog ids and the controls of the chromatogram plot sheet.
#define PREFS_DLG_CHRO_PLOT 3300
#define PREFS_DLG_REPORT 3301
#define PREFS_ID_SHOW_TOOLBAR 3310
#define PREFS_ID_SHOW_SEGMENTS 3311
#define PREFS_ID_EXPONENT_SCALES 3312
#define PREFS_ID_BC_MARKERS 3313
#define PREFS_ID_POINTS 3314
#define PREFS_ID_FILTER_KIND 3315
#define PREFS_ID_RESULT_ANNOTATIONS 3316
#define PREFS_ID_USE_DEFAULTS 3317
#define PREFS_ID_REPORT_VERT_AXIS 3320
#define PREFS_ID_REPORT_HORZ_AXIS 3321

// The chromatogram plot preferences of a plot window. useResetDefaults
// chooses where "Defaults" takes its values: the built-in defaults
// (non-zero) or the stored default record (0). The loaded flag is set when
// the user accepts a named control's record (keepFlag non-zero), so that the
// stored record is taken over on the next start. pageSet 1 to 5 chooses the
// title: 4 module windows, 2, 3 and 5 the optimisation kinds.
KELT_API int16_t Dlg_EditChroPlotPreferences(CWnd* parent, STRUCT_CHRO_PREFS* prefs, unsigned short useResetDefaults,
                                             short keepFlag, unsigned short* loadedFlag, short pageSet);
// The library's report preferences; accepted changes become the stored default.
KELT_API int16_t Dlg_EditReportPreferences(CWnd* parent, void* reserved1, void* reserved2);
// The stored general preferences (number display); 1 when the user
// accepted and the record was written, else 0.
#include "prefsheets/global_preference_sheet.h"
