// Spectrum blocks of report pages: titles, header lines, the ion table and
// the plots, written through one CReportOutput.
#include "reportmakers/spectrum_report_blocks.h"

#include <algorithm>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "spectra/library_entry_texts.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/stacked_spectra.h"

namespace kelt::reports {
namespace {

// A path field (unterminated when full) shortened to length, keeping its end.
std::string Cut(const char* path, size_t field, int length) {
  const std::string whole(path, strnlen(path, field));
  char buffer[400] = {};
  KELT_TruncateFileString(whole.c_str(), int16_t(std::min(length, 300)), buffer);
  return buffer;
}

// The data file's display name when set, else its path.
std::string SourceName(const STRUCT_TOL_SPT* tol, int length) {
  return tol->displayName[0] ? Cut(tol->displayName, SPT_DISPLAY_NAME_SIZE, length)
                             : Cut(tol->dataFilePath, SPT_PATH_SIZE, length);
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[640];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

void Line(CReportOutput& out, const std::string& text) {
  std::snprintf(out.LineBuffer, sizeof out.LineBuffer, "%s", text.c_str());
  out.WriteLine();
}

// A comment line of 77 characters or more is cut at the last hyphen (kept)
// or blank (dropped) from its 77th character back to its 52nd, else after 76.
std::string CutComment(std::string line) {
  if (line.size() < 77) return line;
  for (size_t i = 76; i >= 51; --i) {
    if (line[i] == '-') return line.substr(0, i + 1);
    if (line[i] == ' ') return line.substr(0, i);
  }
  return line.substr(0, 76);
}

// The name in pieces of 64 characters after "Name:" and six blanks.
void WriteName(CReportOutput& out, const char* name) {
  std::string rest(name, strnlen(name, SPT_TEXT_NAME_SIZE));
  bool first = true;
  while (!rest.empty()) {
    size_t take = std::min<size_t>(64, rest.size());
    if (rest.size() - take < 10) take = rest.size();  // a short tail joins the piece
    else if (rest[take] == '-' || rest[take] == ' ' || rest[take] == ',') ++take;
    std::string piece = rest.substr(0, take);
    rest.erase(0, take);
    Line(out, (first ? std::string("Name:") + " " : std::string(6, ' ')) + piece);
    first = false;
  }
}

void WriteDetails(CReportOutput& out, const STRUCT_SPT_PLUS* spt) {
  if (spt->name[0]) WriteName(out, spt->name);
  if (spt->comment[0]) Line(out, CutComment(Printf("Comment: %.*s", SPT_TEXT_COMMENT_SIZE, spt->comment)));
  char formula[128] = {};
  const std::string stored(spt->formula, strnlen(spt->formula, SPT_TEXT_FORMULA_SIZE));
  FormatFormula(stored.c_str(), formula);
  Line(out, Printf("Pair Count: %ld   MW: %d   Formula: %s", long(PlusSpt_GetPairCount(spt)),
                   int(spt->molecularWeight), formula));
  char cas[40] = {}, format[8] = {}, low[40] = {}, high[40] = {};
  FormatCASNumber(spt->casNumber, cas);
  KELT_GetMassDecimalsAndFormat(spt, format);
  double from = spt->lowMass, to = spt->highMass;
  if (spt->kind == SPT_KIND_TOL && spt->tolSpt) {
    from = spt->tolSpt->header.lowLimit;
    to = spt->tolSpt->header.highLimit;
  }
  // A spectrum that does not tell its scanned range shows the range of its pairs.
  const int32_t pairs = PlusSpt_GetPairCount(spt);
  if (from == 0 && to == 0 && pairs > 0) {
    double intensity = 0;
    SptPairAt(spt, 0, &from, &intensity);
    SptPairAt(spt, uint32_t(pairs - 1), &to, &intensity);
  }
  std::snprintf(low, sizeof low, format, from);
  std::snprintf(high, sizeof high, format, to);
  Line(out, Printf("CAS No: %s  Acquired Range: %s - %s %s%s", cas, low, high, "m/z",
                   spt->pairsEdited ? " (Edited)" : ""));
}

struct Pair {
  double mass;
  double intensity;
  bool flagged;
};

// The pairs with intensity (zero intensities count for MS data that marks
// them so; double pairs always count).
std::vector<Pair> PairsOf(const STRUCT_SPT_PLUS* spt, bool* integerPairs) {
  std::vector<Pair> pairs;
  DIFF_PAIR* d = nullptr;
  TOL_PAIR* t = nullptr;
  XTOL_PAIR* x = nullptr;
  const int32_t n = PlusSpt_GetPairStuff(spt, &d, &t, &x);
  *integerPairs = t != nullptr;
  // No MS data here marks its zero intensities as meaningful.
  const bool zeros = false;
  for (int32_t i = 0; i < n; ++i) {
    if (d) pairs.push_back({d[i].mass, d[i].intensity, false});
    else if (t && (t[i].intensity >= 1 || zeros)) pairs.push_back({double(t[i].mass), double(t[i].intensity), false});
    else if (x && (x[i].intensity > 0 || zeros))
      pairs.push_back({x[i].mass, double(x[i].intensity), (x[i].flag & 3) == 2});
  }
  return pairs;
}

const char* CellHeader(int decimals) {
  switch (decimals) {
    case 1: return "   Ion        Int Norm  ";
    case 2: return "    Ion        Int Norm  ";
    case 3: return "     Ion        Int Norm  ";
    case 4: return "      Ion        Int Norm  ";
    default: return " Ion       Int Norm  ";
  }
}

const char* DotsCell(int decimals) {
  switch (decimals) {
    case 1: return "|  ...          ...     ";
    case 2: return "|  ...           ...     ";
    case 3: return "|  ...            ...     ";
    case 4: return "|  ...             ...     ";
    default: return "| ...        ...     ";
  }
}

std::string PairCell(const Pair& p, int decimals, double factor) {
  char intensity[40] = {};
  KELT_FormatIntensityD(p.intensity, intensity);
  const double scaled = p.intensity * factor + 0.5;
  const int norm = std::isfinite(scaled) ? int(std::clamp(scaled, -9999.0, 9999.0)) : 0;
  std::string cell;
  switch (decimals) {
    case 1: cell = Printf("| %6.1f %10.10s %3d ", p.mass, intensity, norm); break;
    case 2: cell = Printf("| %7.2f %10.10s %3d ", p.mass, intensity, norm); break;
    case 3: cell = Printf("| %8.3f %10.10s %3d ", p.mass, intensity, norm); break;
    case 4: cell = Printf("| %9.4f %10.10s %3d ", p.mass, intensity, norm); break;
    default: cell = Printf("| %3.0f %10.10s %3d ", p.mass, intensity, norm); break;
  }
  if (p.flagged && !cell.empty()) cell.back() = 'F';
  return cell;
}

bool Drawable(const uint8_t* structure) {
  if (!structure) return false;
  int32_t counts[3];
  std::memcpy(counts, structure, sizeof counts);
  return counts[0] || counts[1] || counts[2];
}

bool HasStructure(const STRUCT_SPT_PLUS* spt) {
  if (spt->kind == SPT_KIND_NIST && spt->nistSpt) return Drawable(spt->nistSpt->chemStruct);
  if (spt->kind == SPT_KIND_SLBR && spt->slbrSpt) return Drawable(spt->slbrSpt->chemStruct);
  return false;
}

// Makes room for height lines below the current line; false when a new
// page could not be started.
bool Room(CReportOutput& out, int16_t height) {
  if (out.Line + height <= out.LastLine) return true;
  return out.NewPage() != 0;
}

}  // namespace

std::string SpectrumTitle(const STRUCT_SPT_PLUS* spt, int nameLength) {
  if (!spt) return {};
  switch (spt->kind) {
    case SPT_KIND_TOL: {
      const STRUCT_TOL_SPT* tol = spt->tolSpt;
      if (!tol) break;
      const long scan = long(tol->header.scanNumber);
      if (tol->profile)
        return Printf("%s Scan %ld from %s", "PROFILE", scan, SourceName(tol, nameLength ? nameLength : 50).c_str());
      return Printf("Scan %ld from %s", scan, SourceName(tol, nameLength ? nameLength : 60).c_str());
    }
    case SPT_KIND_DIFF: {
      const STRUCT_DIFF_SPT* diff = spt->diffSpt;
      if (!diff) break;
      return std::string(diff->profile ? "PROFILE " : "") +
             (diff->mode == 2 ? "Difference Spectrum (Normalized)" : "Difference Spectrum (Straight Subtraction)");
    }
    case SPT_KIND_REF:
    case SPT_KIND_REF_EX:
      if (spt->name[0]) return std::string(spt->name, strnlen(spt->name, 50));
      return "Reference Spectrum";
    default:
      break;
  }
  return std::string(spt->mainTitle, strnlen(spt->mainTitle, SPT_TITLE_SIZE - 1));
}

void MakeSpectrumTitle(CReportOutput& out, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int16_t column) {
  if (!out.Ok || out.Kind != REPORT_OUTPUT_PAGES || !a) return;
  const STRUCT_SPT_PLUS* spectra[2] = {a, b};
  int last = 0;
  for (int i = 0; i < 2 && spectra[i]; ++i) {
    std::snprintf(out.HeaderText[i], sizeof out.HeaderText[i], "%s", SpectrumTitle(spectra[i]).c_str());
    out.HeaderUsed[i] = 1;
    out.HeaderFont[i] = kFontLarge;
    out.HeaderColumn[i] = uint16_t(column);
    out.HeaderLine[i] = uint16_t(i == 0 ? 1 : 3);
    last = out.HeaderLine[i];
  }
  out.SetPageNumberTitle(out.HeaderText[0]);
  out.PageNumberOn = 1;
  // A blank line under the large-font title keeps it clear of the body.
  out.FirstBodyLine = uint16_t(last + 2);
}

int WriteSpectrumHeader(CReportOutput& out, const STRUCT_SPT_PLUS* spt, const char* prefix, int16_t column) {
  if (!out.Ok || !spt) return out.Ok;
  out.LabelColumn = uint16_t(column);
  const std::string lead = prefix && *prefix ? std::string(prefix) + " " : std::string();
  switch (spt->kind) {
    case SPT_KIND_TOL: {
      const STRUCT_TOL_SPT* tol = spt->tolSpt;
      if (!tol) break;
      Line(out, lead + "Spectrum " + (tol->profile ? "(PROFILE) " : "") + "from " + SourceName(tol, 50));
      Line(out, Printf("Scan No: %ld,  Time: %.3f minutes", long(tol->header.scanNumber), tol->header.time));
      std::string averaging =
          tol->scansAveraged >= 2 ? Printf("%d points averaged.  ", int(tol->scansAveraged)) : "No averaging.  ";
      averaging += !tol->bgCorrected ? "Not background corrected."
                   : tol->extendedBg ? "Background corrected (E)."
                                     : "Background corrected.";
      Line(out, averaging);
      WriteDetails(out, spt);
      break;
    }
    case SPT_KIND_DIFF:
      Line(out, Printf("%s%s", lead.c_str(), SpectrumTitle(spt).c_str()));
      break;
    default:
      Line(out, lead + SpectrumTitle(spt));
      WriteDetails(out, spt);
      break;
  }
  ++out.Line;
  return out.Ok;
}

int WriteIonTable(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t groups, int16_t column, double low,
                  double high) {
  if (!out.Ok || !spt) return 0;
  groups = std::clamp<int16_t>(groups, 1, out.Columns >= 120 ? 4 : 3);
  bool integerPairs = false;
  const std::vector<Pair> all = PairsOf(spt, &integerPairs);
  if (all.empty()) return 1;
  if (!std::isfinite(low) || !std::isfinite(high)) low = high = 0;
  if (low == high) {
    low = all.front().mass;
    high = all.back().mass;
  }
  std::vector<Pair> inside;
  bool below = false, above = false;
  for (const Pair& p : all) {
    if (p.mass < low) below = true;
    else if (p.mass > high) above = true;
    else inside.push_back(p);
  }
  const int16_t previousFont = out.FontIndex;
  if (inside.empty()) {
    out.SelectFixedFont();
    out.LabelColumn = uint16_t(column);
    Line(out, "No data");
    ++out.Line;
    if (previousFont >= 0) out.SelectFontByIndex(previousFont);
    return 1;
  }
  if (out.Line + 2 > out.LastLine && !out.NewPage()) return 0;
  // Normalised to the base peak's pair, 999 at the top.
  double factor = 1;
  const double base = integerPairs ? std::trunc(spt->basePeakMass) : spt->basePeakMass;
  for (const Pair& p : all)
    if (p.mass == base && p.intensity != 0) {
      factor = 999.0 / p.intensity;
      break;
    }
  const int decimals = std::clamp<int>(KELT_GetMassDecimalsAndFormat(spt, nullptr), 0, 4);
  std::vector<std::string> cells;
  if (below) cells.push_back(DotsCell(decimals));
  for (const Pair& p : inside) cells.push_back(PairCell(p, decimals, factor));
  if (above) cells.push_back(DotsCell(decimals));
  const size_t count = cells.size(), g = size_t(groups);
  const size_t rows = (count + g - 1) / g;
  // Column by column: each group holds count / groups cells, the first
  // (count mod groups) one more.
  std::vector<size_t> start(g + 1, 0);
  for (size_t k = 0; k < g; ++k) start[k + 1] = start[k] + count / g + (k < count % g ? 1 : 0);
  std::string header = "   ";
  for (size_t k = 0; k < g; ++k) header += CellHeader(decimals);
  if (spt->editFieldsEdited || spt->pairsEdited) header += "(E)";
  // The header repeats at the top of every page the table runs onto.
  int slot = -1;
  if (!out.HeaderUsed[0] && !out.PageNumberOn) slot = 0;
  for (int i = 1; slot < 0 && i < REPORT_HEADER_LINES; ++i)
    if (!out.HeaderUsed[i]) slot = i;
  if (slot >= 0) {
    std::snprintf(out.HeaderText[slot], sizeof out.HeaderText[slot], "%s", header.c_str());
    out.HeaderUsed[slot] = 1;
    out.HeaderFont[slot] = kFontFixed;
    out.HeaderColumn[slot] = uint16_t(column);
    out.HeaderLine[slot] = out.FirstBodyLine;
    ++out.FirstBodyLine;
  }
  out.SelectFixedFont();
  out.LabelColumn = uint16_t(column);
  Line(out, header);
  for (size_t r = 0; r < rows && out.Ok; ++r) {
    std::string row = " ";
    for (size_t k = 0; k < g; ++k) {
      const size_t at = start[k] + r;
      row += at < start[k + 1] ? cells[at] : "|" + std::string(std::strlen(DotsCell(decimals)) - 1, ' ');
    }
    row += "|";
    out.LabelColumn = uint16_t(column);
    Line(out, row);
  }
  ++out.Line;
  if (slot >= 0) {
    out.HeaderUsed[slot] = 0;
    out.HeaderText[slot][0] = 0;
    --out.FirstBodyLine;
  }
  if (previousFont >= 0) out.SelectFontByIndex(previousFont);
  return out.Ok;
}

int WriteSpectrumPage(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t column, double low, double high) {
  if (!out.Ok || !spt) return 0;
  if (out.Line + 2 > out.LastLine && !out.NewPage()) return 0;
  // The chemical picture beside the table is left to the structure pages;
  // the table keeps the room it would share with one.
  int16_t groups = HasStructure(spt) ? 2 : 3;
  if (out.Columns >= 120) ++groups;
  return WriteIonTable(out, spt, groups, column, low, high);
}

int WriteIonBlock(CReportOutput& out, const STRUCT_SPT_PLUS* spt, double low, double high, bool tableOnly) {
  if (!out.Ok || !spt || !out.Prefs || !out.Prefs->sptsReport.flags[0]) return out.Ok;
  if (!tableOnly && out.Prefs->sptsPlots.showStructures) return WriteSpectrumPage(out, spt, 4, low, high);
  return WriteIonTable(out, spt, 3, 4, low, high);
}

int DrawStackedSpectra(CReportOutput& out, STRUCT_SPT_PLUS* spt, double massLow, double massHigh,
                       double intensityLow, double intensityHigh, int16_t showStructure, int16_t left,
                       int16_t right, int16_t height) {
  if (!out.Ok || !spt || !out.Page || !out.PageDC) return 0;
  if (!Room(out, height)) return 0;
  // Ranges that are no numbers are taken as not given.
  if (!std::isfinite(massLow) || !std::isfinite(massHigh)) massLow = massHigh = 0;
  if (!std::isfinite(intensityLow) || !std::isfinite(intensityHigh)) intensityLow = intensityHigh = 0;
  CDrawStackedSpectra d;
  d.ShowStructure = showStructure;
  d.DC = out.PageDC;
  d.ReportMode = 1;
  d.Left = out.Page->ColumnToX(left);
  d.Bottom = out.Page->LineToY(int16_t(out.Line + height));
  d.Right = out.Page->ColumnToX(right);
  d.Top = out.Page->LineToY(out.Line);
  out.Line = int16_t(out.Line + height + 1);
  d.CharWidth = out.CharWidth;
  d.CharHeight = out.CharHeight;
  if (out.Prefs) {
    d.ReportColors = out.Prefs->sptsColors;
    d.VertAxis = out.Prefs->sptsAxis0;
    d.HorzAxis = out.Prefs->sptsAxis1;
  }
  d.PaintBackground = 0;
  d.Spectra[0] = spt;
  d.VertMin[0] = intensityLow == intensityHigh ? -5.0 : intensityLow;
  d.VertMax[0] = intensityLow == intensityHigh ? 100.0 : intensityHigh;
  d.MassFrom = massLow;
  d.MassTo = massHigh;
  d.DoJob();
  out.FontIndex = -1;  // the drawing chose its own fonts
  return 1;
}

void DrawControlPicture(CReportOutput& out, CWnd* control, int16_t whichPlot, int16_t height) {
  if (!out.Ok || !out.Page || !out.PageDC || !control || !control->m_hWnd) return;
  // A picture that does not fit below the current line starts a page.
  if (!Room(out, height > 0 ? height : 10)) return;
  const int16_t bottomLine = height > 0 ? int16_t(out.Line + height) : out.LastLine;
  STRUCT_CCSPT_PRINT request{};
  request.dc = out.PageDC;
  request.skipA = int16_t(whichPlot == 1 || whichPlot == 2);
  request.skipB = int16_t(whichPlot == 0 || whichPlot == 2);
  request.skipDifference = int16_t(whichPlot == 0 || whichPlot == 1);
  // Page lines run down the page: the upper edge has the smaller y.
  request.left = out.Page->ColumnToX(4);
  request.top = out.Page->LineToY(out.Line);
  request.right = out.Page->ColumnToX(int16_t(out.Columns - 4));
  request.bottom = out.Page->LineToY(bottomLine);
  request.charWidth = out.CharWidth;
  request.charHeight = out.CharHeight;
  control->SendMessage(SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&request));
  out.FontIndex = -1;  // the control chose its own fonts
  out.Line = int16_t(bottomLine + 1);
}

void ControlMassRange(CWnd* control, double* low, double* high) {
  double range[2] = {0, 0};
  if (control && control->m_hWnd) control->SendMessage(SPTM_GETMASSRANGE, 0, reinterpret_cast<LPARAM>(range));
  *low = range[0];
  *high = range[1];
}

}  // namespace kelt::reports
