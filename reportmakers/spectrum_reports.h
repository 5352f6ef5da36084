#pragma once
// Spectrum reports: one-page plots of spectra taken from a spectrum
// control, spectrum reports with header and ion tables, the real-time
// spectrum page and the MS/MS report that stacks a scan with its
// precursor scans. Each writes its pages into the reports file (a new
// temporary one when the name is empty; its path comes back in the name)
// and answers nonzero when at least one page was stored.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "spectra/spectrum_record.h"

class CWnd;

// Which-plot: 0 only spectrum A, 1 only B, 2 only the difference, any other
// value everything the control shows.
KELT_API int32_t RPTS_MakeSptPlotPageFromCtl(char* reportsFile, int16_t whichPlot, STRUCT_REPORT_PREFS* prefs,
                                             STRUCT_SPT_PLUS* spt, CWnd* control);
KELT_API int32_t RPTS_MakeSptPlotsPageFromCtl(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                              STRUCT_SPT_PLUS* b, CWnd* control);
KELT_API int32_t RPTS_MakeSpectrumReportFromCtlEx(char* reportsFile, int16_t whichPlot, STRUCT_REPORT_PREFS* prefs,
                                                  STRUCT_SPT_PLUS* spt, STRUCT_SPT_PLUS* centroid,
                                                  STRUCT_SPT_PLUS* smoothed, CWnd* control);
KELT_API int32_t RPTS_MakeSpectrumReportFromCtl(char* reportsFile, int16_t whichPlot, STRUCT_REPORT_PREFS* prefs,
                                                STRUCT_SPT_PLUS* spt, CWnd* control);
KELT_API int32_t RPTS_MakeSpectraReportFromCtlEx(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                                 STRUCT_SPT_PLUS* centroidA, STRUCT_SPT_PLUS* smoothedA,
                                                 STRUCT_SPT_PLUS* b, STRUCT_SPT_PLUS* centroidB,
                                                 STRUCT_SPT_PLUS* smoothedB, int16_t target, CWnd* control);
KELT_API int32_t RPTS_MakeSpectraReportFromCtl(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                               STRUCT_SPT_PLUS* b, int16_t target, CWnd* control);
// A spectrum of MS data (kind 0) shown live, with its ion block.
KELT_API int32_t RPTS_MakeRealTimeSpectrumFromCtl(char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                                  STRUCT_SPT_PLUS* spt, CWnd* control);
// A scan with a parent scan (scan kind 13) stacked under its precursor
// scans, read from its data file; 0 for any other spectrum.
KELT_API int32_t RPTS_MakeMSMSReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* spt,
                                     double massLow, double massHigh, double intensityLow, double intensityHigh);

// The same reports from spectra alone, without a control. The range
// doubles go unchanged to the plots: mass low and high, intensity low and
// high (equal ends: the plot's own range), for A and then for B.
KELT_API int32_t RPTS_MakeSptPlotPage(char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t unused,
                                      STRUCT_SPT_PLUS* spt, double massLow, double massHigh, double intensityLow,
                                      double intensityHigh);
KELT_API int32_t RPTS_MakeSptPlotsPageEx(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                         STRUCT_SPT_PLUS* b, const double* ranges, int32_t reverse,
                                         int32_t forward);
KELT_API int32_t RPTS_MakeSptPlotsPage(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                       STRUCT_SPT_PLUS* b, const double* ranges);
KELT_API int32_t RPTS_MakeSpectrumReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t unused,
                                         STRUCT_SPT_PLUS* spt, double massLow, double massHigh, double intensityLow,
                                         double intensityHigh);
// ranges: eight doubles, as above; target labels A "Target" and B "Match".
KELT_API int32_t RPTS_MakeSpectraReportEx(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                          STRUCT_SPT_PLUS* b, const double* ranges, int16_t target, int32_t reverse,
                                          int32_t forward);
KELT_API int32_t RPTS_MakeSpectraReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                        STRUCT_SPT_PLUS* b, const double* ranges, int16_t target);
// Every spectrum of a spectrum list file: a numbered header, a small plot
// and the ion block.
KELT_API int32_t RPTS_MakeTextListReport(char* reportsFile, STRUCT_REPORT_PREFS* prefs, const char* listPath);
