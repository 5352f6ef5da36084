#pragma once
// The blocks that put a spectrum on a report page: the page header from
// the titles of one or two spectra, the spectrum header lines, the ion
// table, the stacked plot of one spectrum, and the spectrum picture a
// spectrum control draws of itself into the page.
#include <cstdint>
#include <memory>
#include <string>

#include "common/kelt_export.h"
#include "reportpages/report_output.h"
#include "spectra/spectrum_record.h"

class CWnd;

namespace kelt::reports {

// The output of a spectrum, search or log report: 120 x 60 landscape when
// the preferences' page layout is 2 (or when landscape is forced), else
// 80 x 70 portrait; null when it cannot start.
KELT_CLASS std::unique_ptr<CReportOutput> StartSpectrumOutput(char* file, STRUCT_REPORT_PREFS* prefs,
                                                              bool landscape = false);
// Ends the last page; 1 when the report stored a page.
KELT_CLASS int32_t FinishSpectrumOutput(CReportOutput& out);
// Header line 1 at the column holds the title; pages are numbered after it.
KELT_CLASS void SetReportTitle(CReportOutput& out, const std::string& title, int16_t column);
// The plot-report override that leaves out the header lines.
KELT_CLASS bool NoHeaderOverride();
// The normal font, and black text again after a plot.
KELT_CLASS void TextFont(CReportOutput& out);
// Plot pages draw in the normal font unless the plot-report override
// enlarges plots (then the small one).
KELT_CLASS void SelectPlotPageFont(CReportOutput& out);
// The difference of A and B as a section of its own (a title line, then its
// spectrum page or ion table), when the preferences ask for the difference
// and its ion pairs and the two can be subtracted; nothing otherwise.
KELT_CLASS void WriteDifferenceSection(CReportOutput& out, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, double low,
                                       double high);
// A line of text at the label column.
KELT_CLASS void WriteText(CReportOutput& out, int16_t column, const std::string& text);

// The title of a spectrum by its kind ("Scan %ld from %s" and so on);
// names are shortened to nameLength (0: the kind's own length).
KELT_CLASS std::string SpectrumTitle(const STRUCT_SPT_PLUS* spt, int nameLength = 0);

// The page header: A's title on line 1, B's on line 3, the page-number
// format from A's title.
KELT_CLASS void MakeSpectrumTitle(CReportOutput& out, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int16_t column);
// The same with the match values of A against B: when both spectra are
// given, the preferences ask for match values and neither is profile data,
// "R.Match: %d, F.Match: %d" goes on the next header line (values of 0 and
// 0 are computed from the spectra).
KELT_CLASS void MakeSpectrumTitle(CReportOutput& out, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b,
                                  int32_t reverse, int32_t forward, int16_t column);

// Source, scan, averaging and background lines with the details block
// (name, comment, counts, acquired range); the prefix goes in front of the
// first line. Returns Ok.
KELT_CLASS int WriteSpectrumHeader(CReportOutput& out, const STRUCT_SPT_PLUS* spt, const char* prefix, int16_t column,
                                   bool skipDetails = false);

// What a library entry tells beyond its spectrum: NIST number, contributor,
// synonyms, databases and replicates. Returns Ok.
KELT_CLASS int WriteNistEntryInfo(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t column);

// Whether the spectrum is a library entry with a structure to draw.
KELT_CLASS bool HasDrawableStructure(const STRUCT_SPT_PLUS* spt);

// The entry's structure in the rectangle between the columns, height lines
// from the current line; alignments 0 left/top, 1 centred, 2 right/bottom.
// 1 without drawing (and without moving the line) when there is none.
KELT_CLASS int DrawChemStructure(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t frame, int16_t horzAlign,
                                 int16_t vertAlign, int16_t left, int16_t right, int16_t height);

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

// The same with range marks: when marks is set, the two masses mark the
// range (selector set: entries 0 and 1 of the marks, else 2 and 3).
KELT_CLASS int DrawStackedSpectra(CReportOutput& out, STRUCT_SPT_PLUS* spt, double massLow, double massHigh,
                                  double intensityLow, double intensityHigh, int16_t showStructure, int16_t marks,
                                  int16_t selector, double mark1, double mark2, int16_t left, int16_t right,
                                  int16_t height);

// Intensity ranges of the three bands of a two-spectrum plot; equal ends
// take -5..100 (A and B) or -100..100 (difference).
struct PlotRanges {
  double massLow = 0, massHigh = 0;
  double aLow = 0, aHigh = 0, bLow = 0, bHigh = 0, dLow = 0, dHigh = 0;
};

// A and B stacked, with their difference in a third band when makeDifference
// is set and the two can be subtracted; nonzero match values are shown as
// given. Returns 1 when drawn, 0 when the difference could not be made or
// a page could not be started.
KELT_CLASS int DrawSpectraWithDifference(CReportOutput& out, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                                         const PlotRanges& ranges, int16_t makeDifference, int16_t showStructure,
                                         int16_t marks, const double* markMasses, int32_t reverse, int32_t forward,
                                         int16_t left, int16_t right, int16_t height);

// The control draws its spectra into the page from column 4 to columns - 4
// and from the current line down height lines (to the last line when height
// is 0); which-plot 0, 1, 2 draws only A, B or the difference, any other
// value all it shows. The current line moves below the picture.
KELT_CLASS void DrawControlPicture(CReportOutput& out, CWnd* control, int16_t whichPlot, int16_t height);

// The mass range the control shows, {0, 0} when it tells none.
KELT_CLASS void ControlMassRange(CWnd* control, double* low, double* high);

}  // namespace kelt::reports

class CMPage;
// The spectrum's title as one line of a page-maker page at (column, line),
// after the prefix and two blanks; names are cut to the page's columns - 30
// (a plain scan title: columns - 20). Returns the next line.
KELT_API int16_t MPM_AddSpectrumHeaderLine(CMPage* page, int16_t line, int16_t column, const STRUCT_SPT_PLUS* spt,
                                           const char* prefix);
