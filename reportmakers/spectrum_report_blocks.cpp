// Spectrum blocks of report pages: titles, header lines, the ion table and
// the plots, written through one CReportOutput.
#include "reportmakers/spectrum_report_blocks.h"

#include <algorithm>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "reportpages/page_maker.h"
#include "fandor/library_entry_details.h"
#include "orvik32/orvik32.h"
#include "fandor/library_search.h"
#include "spectra/library_entry_texts.h"
#include "spectra/other_spectra.h"
#include "spectrumctl/chem_struct.h"
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

// A list-file entry that is a difference of two spectra.
bool ListDifference(const STRUCT_SPT_PLUS* spt) {
  return spt->kind == SPT_KIND_LIST && spt->listSpt && spt->listSpt->sourceTitles;
}

const ENTRY_ESTIMATES* EstimatesOf(const STRUCT_SPT_PLUS* spt) {
  if (spt->kind == SPT_KIND_LIST) return ListEntryEstimates(spt->listSpt);
  if (spt->kind == SPT_KIND_NIST && spt->nistSpt) {
    const NIST_ENTRY_DETAILS* d = NistEntryDetails(spt->nistSpt->aux);
    if (d && d->estimatesPresent) return &d->estimates;
  }
  return nullptr;
}

// Probabilities are kept in tenths of a percent.
int Percent(int16_t tenths) { return (tenths + 5) / 10; }

void WriteEstimates(CReportOutput& out, const ENTRY_ESTIMATES* e) {
  if (!e) return;
  if (e->weightsPresent) {
    Line(out, "Molecular Weight Estimates");
    for (int i = 0; i < 5; ++i)
      if (e->weights[i] > 0)
        Line(out, Printf("%d.  MW = %-5d  probability: %2d%%", i + 1, int(e->weights[i]),
                         Percent(e->weightProbabilities[i])));
  }
  if (e->halogensPresent) {
    Line(out, Printf("Cl Estimate:  %d      Br Estimate:  %d", int(e->chlorine), int(e->bromine)));
    Line(out, Printf("Probability Cl and Br are correct:  %d%%", Percent(e->halogenProbabilities[0])));
    Line(out, Printf("Probability compound has CL or Br:  %d%%", Percent(e->halogenProbabilities[1])));
    Line(out, Printf("Probability compound has Cl:  %d%%", Percent(e->halogenProbabilities[2])));
    Line(out, Printf("Probability compound has Br:  %d%%", Percent(e->halogenProbabilities[3])));
  }
  const int warnings = std::min<int>(e->warningCount, ENTRY_MAX_WARNINGS);
  for (int i = 0; i < warnings; ++i)
    Line(out, Printf("Warning:  %.*s", ENTRY_WARNING_SIZE, e->warnings[i]));
  if (e->error[0]) Line(out, Printf("Error:  %.*s", ENTRY_WARNING_SIZE, e->error));
}

void WriteDetails(CReportOutput& out, const STRUCT_SPT_PLUS* spt) {
  const bool difference = ListDifference(spt);
  if (spt->name[0] && !difference) WriteName(out, spt->name);
  if (spt->comment[0] && !difference)
    Line(out, CutComment(Printf("Comment: %.*s", SPT_TEXT_COMMENT_SIZE, spt->comment)));
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
  WriteEstimates(out, EstimatesOf(spt));
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

const uint8_t* StructureOf(const STRUCT_SPT_PLUS* spt) {
  if (!spt) return nullptr;
  if (spt->kind == SPT_KIND_NIST && spt->nistSpt) return spt->nistSpt->chemStruct;
  if (spt->kind == SPT_KIND_SLBR && spt->slbrSpt) return spt->slbrSpt->chemStruct;
  return nullptr;
}

bool HasStructure(const STRUCT_SPT_PLUS* spt) { return Drawable(StructureOf(spt)); }

// The exchange buffer of a spectrum's positive pairs, for match values.
std::vector<uint8_t> Exchange(const STRUCT_SPT_PLUS* spt) {
  bool integer = false;
  const std::vector<Pair> pairs = PairsOf(spt, &integer);
  std::vector<uint8_t> out(4);
  uint32_t count = 0;
  for (const Pair& p : pairs) {
    if (!(p.intensity > 0)) continue;
    const uint32_t v = p.intensity >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(p.intensity);
    uint8_t e[13] = {};
    std::memcpy(e + 1, &p.mass, 8);
    std::memcpy(e + 9, &v, 4);
    out.insert(out.end(), e, e + 13);
    ++count;
  }
  std::memcpy(out.data(), &count, 4);
  return out;
}

// A library name field shortened to n characters, keeping its end.
std::string Name(const char* field, size_t size, int n) { return Cut(field, size, n); }

// Makes room for height lines below the current line; false when a new
// page could not be started.
bool Room(CReportOutput& out, int16_t height) {
  if (out.Line + height <= out.LastLine) return true;
  return out.NewPage() != 0;
}

}  // namespace

std::unique_ptr<CReportOutput> StartSpectrumOutput(char* file, STRUCT_REPORT_PREFS* prefs, bool landscape) {
  if (!file || !prefs) return nullptr;
  landscape = landscape || prefs->spooler.orientation == 2;
  std::unique_ptr<CReportOutput> out(new (std::nothrow) CReportOutput(
      file, prefs, int16_t(landscape ? 120 : 80), uint16_t(landscape ? 60 : 70), uint16_t(landscape ? 1 : 2),
      REPORT_OUTPUT_PAGES));
  if (!out || !out->Ok) return nullptr;
  return out;
}

int32_t FinishSpectrumOutput(CReportOutput& out) {
  out.EndPage();
  return out.HasPages() ? 1 : 0;
}

void SetReportTitle(CReportOutput& out, const std::string& title, int16_t column) {
  std::snprintf(out.HeaderText[0], sizeof out.HeaderText[0], "%s", title.c_str());
  out.HeaderUsed[0] = 1;
  out.HeaderFont[0] = kFontLarge;
  out.HeaderColumn[0] = uint16_t(column);
  out.HeaderLine[0] = 1;
  out.SetPageNumberTitle(out.HeaderText[0]);
  out.PageNumberOn = 1;
  out.FirstBodyLine = 3;
}

bool NoHeaderOverride() {
  double scale = 1.0;
  int16_t noHeader = 0;
  KELT_GetPlotReportOverrides(&scale, &noHeader);
  return noHeader != 0;
}

void TextFont(CReportOutput& out) {
  out.SelectNormalFont();
  out.ResetTextColor();
}

void SelectPlotPageFont(CReportOutput& out) {
  double scale = 1.0;
  int16_t noHeader = 0;
  KELT_GetPlotReportOverrides(&scale, &noHeader);
  if (scale <= 1.0) out.SelectNormalFont();
  else out.SelectSmallFont();
}

void WriteText(CReportOutput& out, int16_t column, const std::string& text) {
  out.LabelColumn = uint16_t(column);
  Line(out, text);
}

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
    case SPT_KIND_NIST:
      if (!spt->nistSpt) break;
      return Printf("Entry %ld from %s NIST Library", long(spt->nistSpt->aux ? spt->nistSpt->aux->entryWord : 0),
                    Name(spt->nistSpt->libraryName, NIST_LIBRARY_NAME_SIZE, nameLength ? nameLength : 40).c_str());
    case SPT_KIND_SLBR:
      if (!spt->slbrSpt) break;
      return Printf("Entry %ld from %s Library", long(spt->slbrSpt->entryNumber),
                    Name(spt->slbrSpt->libraryName, SLBR_LIBRARY_NAME_SIZE, nameLength ? nameLength : 50).c_str());
    case SPT_KIND_LIST: {
      const STRUCT_LIST_SPT* list = spt->listSpt;
      if (!list) break;
      if (list->listPath[0])
        return Printf("Entry %ld from Spectrum List %s", long(list->entryNumber),
                      Name(list->listPath, LIST_PATH_SIZE, nameLength ? nameLength : 50).c_str());
      if (list->sourceTitles)
        return list->generation > 1 ? Printf("Difference Spectrum (Level=%d)", int(list->generation))
                                    : std::string("Difference Spectrum");
      return "Entry from User";
    }
    default:
      break;
  }
  return std::string(spt->mainTitle, strnlen(spt->mainTitle, SPT_TITLE_SIZE - 1));
}

void MakeSpectrumTitle(CReportOutput& out, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int16_t column) {
  MakeSpectrumTitle(out, a, b, 0, 0, column);
}

void MakeSpectrumTitle(CReportOutput& out, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int32_t reverse,
                       int32_t forward, int16_t column) {
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
  if (b && out.Prefs && out.Prefs->sptsReport.flags[1] && !PlusSpt_IsProfileData(a) && !PlusSpt_IsProfileData(b)) {
    if (reverse == 0 && forward == 0) {
      const auto ea = Exchange(a), eb = Exchange(b);
      if (!CalcMatchValues(nullptr, ea.data(), eb.data(), &forward, &reverse)) forward = reverse = 0;
    }
    if (reverse != 0 || forward != 0) {
      std::snprintf(out.HeaderText[2], sizeof out.HeaderText[2], "R.Match: %d, F.Match: %d", int(reverse),
                    int(forward));
      out.HeaderUsed[2] = 1;
      out.HeaderFont[2] = kFontNormal;
      out.HeaderColumn[2] = uint16_t(column);
      out.HeaderLine[2] = uint16_t(last + 1);
      last = out.HeaderLine[2];
    }
  }
  out.SetPageNumberTitle(out.HeaderText[0]);
  out.PageNumberOn = 1;
  // A blank line under the large-font title keeps it clear of the body.
  out.FirstBodyLine = uint16_t(last + 2);
}

int WriteSpectrumHeader(CReportOutput& out, const STRUCT_SPT_PLUS* spt, const char* prefix, int16_t column,
                        bool skipDetails) {
  if (!out.Ok || !spt) return out.Ok;
  out.LabelColumn = uint16_t(column);
  const std::string lead = prefix && *prefix ? std::string(prefix) + " " : std::string();
  const char* averagingNone = "No averaging.  ";
  switch (spt->kind) {
    case SPT_KIND_TOL: {
      const STRUCT_TOL_SPT* tol = spt->tolSpt;
      if (!tol) break;
      Line(out, lead + "Spectrum " + (tol->profile ? "(PROFILE) " : "") + "from " + SourceName(tol, 50));
      Line(out, Printf("Scan No: %ld,  Time: %.3f minutes", long(tol->header.scanNumber), tol->header.time));
      std::string averaging =
          tol->scansAveraged >= 2 ? Printf("%d points averaged.  ", int(tol->scansAveraged)) : averagingNone;
      averaging += !tol->bgCorrected ? "Not background corrected."
                   : tol->extendedBg ? "Background corrected (E)."
                                     : "Background corrected.";
      Line(out, averaging);
      WriteDetails(out, spt);
      break;
    }
    case SPT_KIND_REF:
    case SPT_KIND_REF_EX: {
      const STRUCT_REF_SPT* ref = spt->kind == SPT_KIND_REF ? spt->refSpt : nullptr;
      const STRUCT_REF_EX_SPT* ex = spt->kind == SPT_KIND_REF_EX ? spt->refExSpt : nullptr;
      if (!ref && !ex) break;
      const char* path = ref ? ref->dataFilePath : ex->dataFilePath;
      Line(out, Printf("%sSpectrum from %s", lead.c_str(), Cut(path, SPT_PATH_SIZE, 50).c_str()));
      Line(out, Printf("Scan No: %ld,  Time: %.3f minutes", long(ref ? ref->scan : ex->header.scanNumber),
                       ref ? ref->time : ex->header.time));
      const int averaged = ref ? ref->scansAveraged : ex->scansAveraged;
      const bool corrected = ref ? ref->bgCorrected : ex->bgCorrected;
      Line(out, (averaged >= 2 ? Printf("%d points averaged.  ", averaged) : std::string(averagingNone)) +
                    (corrected ? "Background corrected." : "Not background corrected."));
      WriteDetails(out, spt);
      break;
    }
    case SPT_KIND_NIST: {
      const STRUCT_NIST_SPT* nist = spt->nistSpt;
      if (!nist) break;
      Line(out, Printf("%sSpectrum %ld from %s Library", lead.c_str(), long(nist->aux ? nist->aux->entryWord : 0),
                       Name(nist->libraryName, NIST_LIBRARY_NAME_SIZE, 50).c_str()));
      WriteDetails(out, spt);
      if (!skipDetails) WriteNistEntryInfo(out, spt, column);
      break;
    }
    case SPT_KIND_SLBR: {
      const STRUCT_SLBR_SPT* slbr = spt->slbrSpt;
      if (!slbr) break;
      Line(out, Printf("%sSpectrum %ld from %s Library", lead.c_str(), long(slbr->entryNumber),
                       Name(slbr->libraryName, SLBR_LIBRARY_NAME_SIZE, 50).c_str()));
      WriteDetails(out, spt);
      break;
    }
    case SPT_KIND_LIST: {
      const STRUCT_LIST_SPT* list = spt->listSpt;
      if (!list) break;
      if (list->listPath[0]) {
        char name[64] = {};
        const std::string path(list->listPath, strnlen(list->listPath, LIST_PATH_SIZE));
        KELT_TruncateFilenameString(path.c_str(), 40, name);
        Line(out, Printf("%sSpectrum %d from %s", lead.c_str(), int(list->entryNumber), name));
      }
      if (list->sourceTitles) {
        Line(out, Printf("%sDifference Spectrum%s", lead.c_str(),
                         list->generation > 1 ? Printf(" (Level=%d)", int(list->generation)).c_str() : ""));
        // The comment holds the two source titles, one a line.
        const std::string comment(list->comment, strnlen(list->comment, LIST_COMMENT_SIZE));
        const size_t cut = comment.find_first_of("\r\n");
        Line(out, Printf("Spectrum A: %s", comment.substr(0, cut).c_str()));
        const size_t next = cut == std::string::npos ? std::string::npos : comment.find_first_not_of("\r\n", cut);
        Line(out, Printf("Spectrum B: %s", next == std::string::npos ? "" : comment.substr(next).c_str()));
      } else if (!list->listPath[0]) {
        Line(out, Printf("%sSpectrum from User", lead.c_str()));
      }
      WriteDetails(out, spt);
      if (!skipDetails) {
        const LIST_ENTRY_DETAILS& d = list->details;
        if (d.contributor[0])
          Line(out, Printf("Contributor:  %.*s", 80, std::string(d.contributor, strnlen(d.contributor, 81)).c_str()));
        if (d.databases) {
          char db[200] = {};
          FormatDBText(d.databases, db);
          Line(out, Printf("Other Databases:  %s", db));
        }
        if (d.nistNumber) Line(out, Printf("NIST No:  %ld", long(d.nistNumber)));
        if (d.dbidNumber) Line(out, Printf("DBID No:  %ld", long(d.dbidNumber)));
      }
      break;
    }
    case SPT_KIND_DIFF:
      Line(out, Printf("%s%s%s", spt->diffSpt && spt->diffSpt->profile ? "PROFILE " : "", lead.c_str(),
                       (spt->diffSpt && spt->diffSpt->mode == 2) ? "Difference Spectrum (Normalized)"
                                                                 : "Difference Spectrum (Straight Subtraction)"));
      break;
    default:
      Line(out, lead + SpectrumTitle(spt));
      WriteDetails(out, spt);
      break;
  }
  ++out.Line;
  return out.Ok;
}

int WriteNistEntryInfo(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t column) {
  if (!out.Ok || !spt || spt->kind != SPT_KIND_NIST || !spt->nistSpt) return out.Ok;
  const NIST_ENTRY_DETAILS* d = NistEntryDetails(spt->nistSpt->aux);
  if (!d) return out.Ok;
  out.LabelColumn = uint16_t(column);
  if (d->nistNumber) Line(out, Printf("NIST No:  %ld", long(d->nistNumber)));
  if (d->contributor[0])
    Line(out, Printf("Contributor:  %60.60s", std::string(d->contributor, strnlen(d->contributor, 81)).c_str()));
  const int synonyms = std::min<int>(d->synonymCount, ENTRY_MAX_SYNONYMS);
  if (synonyms > 0) {
    Line(out, Printf("Synonyms:  %d", synonyms));
    for (int i = 0; i < synonyms; ++i)
      Line(out, Printf("  %.*s", 80, std::string(d->synonyms[i], strnlen(d->synonyms[i], ENTRY_SYNONYM_SIZE)).c_str()));
  } else {
    Line(out, "Synonyms:  None");
  }
  char db[200] = {};
  FormatDBText(d->databases, db);
  Line(out, Printf("Other Databases: %s", db));
  const int replicates = std::min<int>(d->replicateCount, ENTRY_MAX_REPLICATES);
  if (replicates > 0) {
    Line(out, Printf("Replicates:  %d", replicates));
    for (int i = 0; i < replicates; ++i)
      Line(out, Printf("  %ld in %s", long(d->replicates[i].entry),
                       std::string(d->replicates[i].library,
                                   strnlen(d->replicates[i].library, ENTRY_REPLICATE_LIBRARY_SIZE)).c_str()));
  } else {
    Line(out, "Replicates:  None");
  }
  return out.Ok;
}

bool HasDrawableStructure(const STRUCT_SPT_PLUS* spt) { return HasStructure(spt); }

int DrawChemStructure(CReportOutput& out, const STRUCT_SPT_PLUS* spt, int16_t frame, int16_t horzAlign,
                      int16_t vertAlign, int16_t left, int16_t right, int16_t height) {
  if (!out.Ok) return 0;
  if (!HasStructure(spt)) return 1;
  if (!out.Page || !out.PageDC || !Room(out, height)) return 0;
  STRUCT_DRAW_CHEM_PICTURE p{};
  p.table = StructureOf(spt);
  p.print = 1;
  p.left = out.Page->ColumnToX(left);
  p.top = out.Page->LineToY(out.Line);
  out.Line = int16_t(out.Line + height);
  p.right = out.Page->ColumnToX(right);
  p.bottom = out.Page->LineToY(out.Line);
  ++out.Line;
  p.charWidth = out.CharWidth;
  p.charHeight = out.CharHeight;
  // Labels in the structure-label colour, bonds in the bond colour.
  const COLORREF* colours = out.Prefs ? out.Prefs->sptsColors.colors : nullptr;
  p.labelColor = colours ? colours[8] : RGB(0, 0, 0);
  p.backColor = colours ? colours[0] : RGB(255, 255, 255);
  p.bondColor = colours ? colours[9] : RGB(0, 0, 0);
  p.horzAlign = horzAlign;
  p.vertAlign = vertAlign;
  p.frame = frame;
  SPT_DrawChemicalPicture(out.PageDC, &p);
  return 1;
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
  // A base-peak pair without intensity (zero intensities may count) leaves
  // the factor at 1 rather than dividing by it.
  for (const Pair& p : all)
    if (p.mass == base) {
      if (p.intensity > 0) factor = 999.0 / p.intensity;
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
  const bool structure = HasStructure(spt) && out.Page && out.PageDC;
  int16_t groups = structure ? 2 : 3;
  if (out.Columns >= 120) ++groups;
  bool integerPairs = false;
  const std::vector<Pair> all = PairsOf(spt, &integerPairs);
  if (all.empty()) return 1;
  double from = low, to = high;
  if (!std::isfinite(from) || !std::isfinite(to) || from == to) {
    from = all.front().mass;
    to = all.back().mass;
  }
  const auto rowsOf = [&] {
    long inside = 0;
    for (const Pair& p : all)
      if (p.mass >= from && p.mass <= to) ++inside;
    return (inside - 1 + groups) / groups + 1;
  };
  const long rows = rowsOf();
  if (structure && out.LastLine - out.Line < 8 && rows < 8 && !out.NewPage()) return 0;
  const int16_t structLeft = int16_t(out.Columns - 16 - column), structRight = int16_t(out.Columns - 1 - column);
  const int16_t previousFont = out.FontIndex;
  if (out.LastLine - out.Line < 8) {
    if (!WriteIonTable(out, spt, groups, column, low, high) || !structure) return out.Ok;
    // The picture goes at the top of the body beside the table.
    const int16_t after = out.Line;
    out.Line = int16_t(out.FirstBodyLine);
    out.SelectSmallFont();
    DrawChemStructure(out, spt, 0, 1, 1, structLeft, structRight, 8);
    if (previousFont >= 0) out.SelectFontByIndex(previousFont);
    out.Line = std::max(out.Line, after);
    return out.Ok;
  }
  const int16_t start = out.Line;
  int16_t structEnd = start;
  const uint16_t page = out.PageNumber;
  if (structure) {
    out.SelectSmallFont();
    DrawChemStructure(out, spt, 0, 1, 1, structLeft, structRight, 8);
    if (previousFont >= 0) out.SelectFontByIndex(previousFont);
    structEnd = out.Line;
    out.Line = start;
  }
  WriteIonTable(out, spt, groups, structure ? int16_t(3) : column, low, high);
  if (structure && out.PageNumber == page && out.Line < structEnd) out.Line = structEnd;
  return out.Ok;
}

void WriteDifferenceSection(CReportOutput& out, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, double low, double high) {
  if (!out.Ok || !out.Prefs || !a || !b) return;
  const STRUCT_REPORT_PREFS& prefs = *out.Prefs;
  if (!prefs.sptsReport.flags[2] || !prefs.sptsReport.flags[3] || !DIFF_OkToMakeSpectrum(a, b)) return;
  STRUCT_DIFF_SPT* diff = DIFF_MakeSpectrum(a, b, 1);
  auto* spt = diff ? static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS))) : nullptr;
  if (!spt) {
    FreeBlock(diff);
    return;
  }
  PlusSpt_InitDiffSpt(spt, diff, a, b);
  WriteText(out, 4,
            std::string(diff->profile ? "PROFILE " : "") +
                (diff->mode == 2 ? "Difference Spectrum (Normalized)" : "Difference Spectrum (Straight Subtraction)"));
  if (prefs.sptsPlots.showStructures) WriteSpectrumPage(out, spt, 4, low, high);
  else WriteIonTable(out, spt, 3, 4, low, high);
  PlusSpt_Free(spt);
}

int WriteIonBlock(CReportOutput& out, const STRUCT_SPT_PLUS* spt, double low, double high, bool tableOnly) {
  if (!out.Ok || !spt || !out.Prefs || !out.Prefs->sptsReport.flags[0]) return out.Ok;
  if (!tableOnly && out.Prefs->sptsPlots.showStructures) return WriteSpectrumPage(out, spt, 4, low, high);
  return WriteIonTable(out, spt, 3, 4, low, high);
}

namespace {

// The frame every plot block shares: the rectangle, the character cell and
// the report's colours and axes.
void PlotFrame(CReportOutput& out, CDrawStackedSpectra& d, int16_t left, int16_t right, int16_t height) {
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
}

// Nominal masses get whole-number steps on the m/z scale.
void FixedUnits(CDrawStackedSpectra& d) {
  d.HorzAxis.integerSteps = 1;
  d.HorzAxis.fixedMajorStep = 1.0;
  d.HorzAxis.fixedMinorStep = 1.0;
}

int16_t Mark(double mass) {
  if (!std::isfinite(mass)) return 0;
  return int16_t(std::clamp(mass, -32768.0, 32767.0));
}

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

int DrawStackedSpectra(CReportOutput& out, STRUCT_SPT_PLUS* spt, double massLow, double massHigh,
                       double intensityLow, double intensityHigh, int16_t showStructure, int16_t left,
                       int16_t right, int16_t height) {
  return DrawStackedSpectra(out, spt, massLow, massHigh, intensityLow, intensityHigh, showStructure, 0, 0, 0, 0, left,
                            right, height);
}

int DrawStackedSpectra(CReportOutput& out, STRUCT_SPT_PLUS* spt, double massLow, double massHigh,
                       double intensityLow, double intensityHigh, int16_t showStructure, int16_t marks,
                       int16_t selector, double mark1, double mark2, int16_t left, int16_t right, int16_t height) {
  if (!out.Ok || !spt || !out.Page || !out.PageDC) return 0;
  if (!Room(out, height)) return 0;
  // Ranges that are no numbers are taken as not given.
  if (!Finite(massLow, massHigh)) massLow = massHigh = 0;
  if (!Finite(intensityLow, intensityHigh)) intensityLow = intensityHigh = 0;
  CDrawStackedSpectra d;
  d.ShowStructure = showStructure;
  d.ShowRangeMarks = marks;
  PlotFrame(out, d, left, right, height);
  if (!PlusSpt_IsProfileData(spt)) FixedUnits(d);
  d.Spectra[0] = spt;
  if (marks) {
    const int at = selector ? 0 : 2;
    d.RangeMarks[at] = Mark(mark1);
    d.RangeMarks[at + 1] = Mark(mark2);
  }
  d.VertMin[0] = intensityLow == intensityHigh ? -5.0 : intensityLow;
  d.VertMax[0] = intensityLow == intensityHigh ? 100.0 : intensityHigh;
  d.MassFrom = massLow;
  d.MassTo = massHigh;
  d.DoJob();
  out.FontIndex = -1;  // the drawing chose its own fonts
  return 1;
}

int DrawSpectraWithDifference(CReportOutput& out, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, const PlotRanges& r,
                              int16_t makeDifference, int16_t showStructure, int16_t marks, const double* markMasses,
                              int32_t reverse, int32_t forward, int16_t left, int16_t right, int16_t height) {
  if (!out.Ok || !a || !out.Page || !out.PageDC) return 0;
  if (!Room(out, height)) return 0;
  STRUCT_SPT_PLUS* difference = nullptr;
  if (makeDifference && b && DIFF_OkToMakeSpectrum(a, b)) {
    STRUCT_DIFF_SPT* diff = DIFF_MakeSpectrum(a, b, 2);
    difference = diff ? static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS))) : nullptr;
    if (!difference) {
      FreeBlock(diff);
      return 0;
    }
    PlusSpt_InitDiffSpt(difference, diff, a, b);
  }
  CDrawStackedSpectra d;
  d.ShowStructure = showStructure;
  d.ShowRangeMarks = marks;
  PlotFrame(out, d, left, right, height);
  if (!PlusSpt_IsProfileData(a) && (!b || !PlusSpt_IsProfileData(b))) FixedUnits(d);
  if (out.Prefs) {
    d.LabelMasses = out.Prefs->sptsPlots.showIonLabels;
    d.LabelIntensities = out.Prefs->sptsPlots.showAmplitudes;
    d.LabelThreshold = out.Prefs->sptsPlots.labelThreshold;
  }
  d.Spectra[0] = a;
  d.Spectra[1] = b;
  d.Spectra[2] = difference;
  for (int i = 0; i < 4 && markMasses; ++i) d.RangeMarks[i] = Mark(markMasses[i]);
  const double lows[3] = {r.aLow, r.bLow, r.dLow}, highs[3] = {r.aHigh, r.bHigh, r.dHigh};
  for (int k = 0; k < 3; ++k) {
    const bool equal = !Finite(lows[k], highs[k]) || lows[k] == highs[k];
    d.VertMin[k] = equal ? (k == 2 ? -100.0 : -5.0) : lows[k];
    d.VertMax[k] = equal ? 100.0 : highs[k];
  }
  d.MassFrom = Finite(r.massLow, r.massHigh) ? r.massLow : 0;
  d.MassTo = Finite(r.massLow, r.massHigh) ? r.massHigh : 0;
  if (reverse != 0 && forward != 0) {
    d.UseKeptMatchValues = 1;
    d.MatchValuesValid = 1;
    d.ReverseMatch = reverse;
    d.ForwardMatch = forward;
  }
  d.DoJob();
  out.FontIndex = -1;
  PlusSpt_Free(difference);
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

int16_t MPM_AddSpectrumHeaderLine(CMPage* page, int16_t line, int16_t column, const STRUCT_SPT_PLUS* spt,
                                  const char* prefix) {
  if (!page || !spt) return line;
  int16_t width = 0, height = 0;
  MPM_SelectNormalFont(page, &width, &height);
  const bool plainScan = spt->kind == SPT_KIND_TOL && spt->tolSpt && !spt->tolSpt->profile;
  const int room = std::max(10, page->m_Columns - (plainScan ? 20 : 30));
  std::string title = kelt::reports::SpectrumTitle(spt, room);
  // A TIC spectrum without a title of its own.
  if (title.empty() && spt->kind == SPT_KIND_TIC) title = "TIC";
  const std::string text = prefix && *prefix ? std::string(prefix) + "  " + title : title;
  MPM_CLTextOut(page, column, line, text.c_str());
  return int16_t(line + 1);
}
