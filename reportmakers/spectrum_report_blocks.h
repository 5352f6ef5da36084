#pragma once
// The blocks that put a spectrum on a report page: the page header from
// the titles of one or two spectra, the spectrum header lines, the ion
// table, the stacked plot of one spectrum, and the spectrum picture a
// spectrum control draws of itself into the page.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "reportpages/report_output.h"
#include "spectra/spectrum_record.h"

class CWnd;

namespace kelt::reports {

// The title of a spectrum by its kind ("Scan %ld from %s" and so on);
// names are shortened to nameLength (0: the kind's own length).
KELT_CLASS std::string SpectrumTitle(const STRUCT_SPT_PLUS* spt, int nameLength = 0);

// The page header: A's title on line 1, B's on line 3, the page-number
// format from A's title.
KELT_CLASS void MakeSpectrumTitle(CReportOutput& out, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int16_t column);

// Source, scan, averaging and background lines with the details block
// (name, comment, counts, acquired range); the prefix goes in front of the
// first line. Returns Ok.
KELT_CLASS int WriteSpectrumHeader(CReportOutput& out, const STRUCT_SPT_PLUS* spt, const char* prefix, int16_t column);

// The table of ions and intensities between low and high (the whole
// spectrum when they are equal) in column groups. Returns Ok.
KELT_CLASS int WriteIonTable(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t groups, int16_t column, double low,
                  double high);

// The ion table laid out as the spectrum part of a page (three groups, one
// more on a wide page). Returns Ok.
KELT_CLASS int WriteSpectrumPage(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t column, double low, double high);

// The ion block of a maker: nothing unless ion pairs are shown; then the
// spectrum page, or the ion table alone when tableOnly.
KELT_CLASS int WriteIonBlock(CReportOutput& out, const STRUCT_SPT_PLUS* spt, double low, double high, bool tableOnly);

// One spectrum plotted from column left to right, height lines from the
// current line (a new page first when it does not fit). Returns 1 when drawn.
KELT_CLASS int DrawStackedSpectra(CReportOutput& out, STRUCT_SPT_PLUS* spt, double massLow, double massHigh,
                       double intensityLow, double intensityHigh, int16_t showStructure, int16_t left,
                       int16_t right, int16_t height);

// The control draws its spectra into the page from column 4 to columns - 4
// and from the current line down height lines (to the last line when height
// is 0); which-plot 0, 1, 2 draws only A, B or the difference, any other
// value all it shows. The current line moves below the picture.
KELT_CLASS void DrawControlPicture(CReportOutput& out, CWnd* control, int16_t whichPlot, int16_t height);

// The mass range the control shows, {0, 0} when it tells none.
KELT_CLASS void ControlMassRange(CWnd* control, double* low, double* high);

}  // namespace kelt::reports
