#pragma once
// The spectra preference sheet of a spectrum control, with a live preview
// into the control, or over the stored default spectra record.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_wnd.h"

// parent: owner and, with defaultsFlag 0, the live spectrum control.
// defaultsFlag 1: prefs is the stored default record (factory defaults, no
// preview, no "Save All as Defaults"). outFlag non-zero and outWord given:
// *outWord becomes 1 at OK. mode: the control's display kind (3, 1 or 2).
// 1 when the sheet ended with OK (prefs then holds the edits), else 0.
KELT_API int32_t Dlg_EditSpectraPreferences(CWnd* parent, STRUCT_SPTS_PREFS* prefs, uint16_t defaultsFlag,
                                            uint16_t outFlag, uint16_t* outWord, uint16_t mode);
// The stored default spectra record; 1 when edited and written back.
KELT_API int32_t Dlg_EditGlobalSpectraPreferences(CWnd* parent);
