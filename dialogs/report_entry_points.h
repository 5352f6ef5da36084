#pragma once
// Entry points through which report makers, plot controls and hosts reach
// the report dialogs: a finished reports file shown or printed, the report
// fonts chosen, an overlay's plot ranges edited.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "plotengine/overlay.h"
#include "win/win_types.h"

// The reports file in the viewer when the default preferences preview
// reports; else, with the spooler in use, only announced ("Report sent to
// <spooler file>"); else printed at once under the "Printing Now" dialog
// (a temporary file is deleted once printed) and the outcome announced.
// Always 1.
KELT_API int Dlg_ViewReports(const char* path, int16_t temporary, const STRUCT_REPORT_PREFS* prefs,
                             int16_t viewerOption);

// The report's alignment (fixed-pitch) or report (variable-pitch) font
// chosen in the font chooser; 1 chosen (the record changed), 0 cancelled.
KELT_API BOOL Dlg_EditFixedFont(STRUCT_REPORT_PREFS* prefs, HWND parent);
KELT_API BOOL Dlg_EditVariableFont(STRUCT_REPORT_PREFS* prefs, HWND parent);

// The plot-ranges dialog on a copy of the overlay (the dual-scale form for
// plot mode 3); 1 on OK with the six outputs written, 0 on Cancel with
// none written.
KELT_API BOOL Dlg_EditOPlotsParams(int16_t plotMode, const SVW_OVERLAY* overlay, int16_t activePlot, double* start,
                                   double* end, double* low0, double* high0, double* low1, double* high1);

namespace kelt::dlg {
// The spooler collects reports: its flag is set or a spooler file is named.
KELT_CLASS bool SpoolerInUse(const STRUCT_REPORT_PREFS& prefs);
// The last announcement Dlg_ViewReports made (for hosts and tests).
KELT_CLASS const char* LastReportAnnouncement();
}  // namespace kelt::dlg
