#pragma once
// The preference sheets the controls and hosts open. Each edits a record
// in modal property sheets and answers 1 when the user accepted (and, for
// the stored records, the record was written), else 0; a cancelled sheet
// leaves the record as it was.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_wnd.h"

// The chromatogram preferences of a plot control (the live control when
// defaultsFlag is 0), or the stored defaults (defaultsFlag 1). outFlag
// non-zero and outWord given: *outWord becomes 1 at OK. mode: 4 module
// windows, 2 original, 3 deconvoluted, 5 optimization, others the full set.
KELT_API int32_t Dlg_EditChroPlotPreferences(CWnd* parent, STRUCT_CHRO_PREFS* prefs, uint16_t defaultsFlag,
                                             uint16_t outFlag, uint16_t* outWord, int16_t mode);
// The stored default chromatogram record; 1 when edited and written back.
KELT_API int32_t Dlg_EditGlobalChroPlotPreferences(CWnd* parent);
// The stored report preferences; unused is not read (callers pass 0);
// spectraFirst chooses the page order.
KELT_API int32_t Dlg_EditReportPreferences(CWnd* parent, int32_t unused, int16_t spectraFirst);
// The same sheet with its "Fonts" page only.
KELT_API int32_t Dlg_EditReportFontPreferences(CWnd* parent);

#include "prefsheets/global_preference_sheet.h"
#include "prefsheets/spectra_preference_sheet.h"
