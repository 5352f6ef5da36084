#pragma once
// The spectra plot preference editor of a spectrum control.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_wnd.h"

#define PREFS_DLG_SPECTRA 3302
#define PREFS_ID_SPT_SHOW_TOOLBAR 3350
#define PREFS_ID_SPT_OVERLAY_AB 3351
#define PREFS_ID_SPT_SHOW_DIFFERENCE 3352
#define PREFS_ID_SPT_BACKGROUND 3353
#define PREFS_ID_SPT_SMOOTH_PROFILE 3354
#define PREFS_ID_SPT_SMOOTHED_REPORTS 3355
#define PREFS_ID_SPT_KEEP_LOCAL 3356

// Edits prefs in place and answers non-zero when the user accepted; on
// Cancel both prefs and the local flag stay as they were. With keepFlag
// non-zero the sheet offers "Keep these preferences for this window", which
// sets or clears *localFlag. sheetMode: 1 data review, 2 plain, 3 module
// window; it chooses the caption.
KELT_API int16_t Dlg_EditSpectraPreferences(CWnd* parent, STRUCT_SPTS_PREFS* prefs, unsigned short useResetDefaults,
                                            short keepFlag, unsigned short* localFlag, short sheetMode);
