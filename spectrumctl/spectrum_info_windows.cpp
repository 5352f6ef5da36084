// Spectrum information rows and the windows that show them.
#include "spectrumctl/spectrum_info_windows.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/number_format.h"
#include "common/library_state.h"
#include "common/list_text_helpers.h"
#include "common/mass_lists.h"
#include "fandor/cid_files.h"
#include "fandor/library_entry_details.h"
#include "orvik32/orvik32.h"
#include "quorna/module_names.h"
#include "spectra/library_entry_texts.h"
#include "spectra/spectrum_pairs.h"
#include "win/win_commctrl.h"
#include "win/win_gdi.h"
#include "win/win_resources.h"

namespace kelt::sptinfo {
namespace {

const char* KindName(int kind) {
  static const char* const names[] = {"MS Data File", "NIST Library", "Difference", "List",
                                      "Library",      "Background",   "TIC",        ""};
  return kind >= 0 && kind < 8 ? names[kind] : "";
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
  char buffer[600];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

std::string Bounded(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

bool IsListDifference(const STRUCT_SPT_PLUS* s) {
  return s->kind == SPT_KIND_LIST && s->listSpt && s->listSpt->generation > 0;
}

std::string SpectrumCell(const STRUCT_SPT_PLUS* s) {
  if (s->kind == SPT_KIND_TOL && s->tolSpt) {
    const uint16_t module = s->tolSpt->fileBlock.module;
    char name[MS_MODULE_NAME_SIZE] = {};
    std::string text = GetModuleName(module, name) ? std::string(name) : Format("Module #%d", module);
    return text + " " + KindName(s->kind);
  }
  if (IsListDifference(s)) {
    std::string t = "Difference";
    if (s->listSpt->generation > 1) t += Format(" (Level=%d)", s->listSpt->generation);
    return t;
  }
  return KindName(s->kind);
}

std::string FileCell(const STRUCT_SPT_PLUS* s) {
  switch (s->kind) {
    case SPT_KIND_TOL:
      if (!s->tolSpt) return "";
      return s->tolSpt->displayName[0] ? Bounded(s->tolSpt->displayName, SPT_DISPLAY_NAME_SIZE)
                                       : Bounded(s->tolSpt->dataFilePath, SPT_PATH_SIZE);
    case SPT_KIND_NIST: return s->nistSpt ? Bounded(s->nistSpt->libraryName, NIST_LIBRARY_NAME_SIZE) : "";
    case SPT_KIND_LIST: return s->listSpt && !IsListDifference(s) ? Bounded(s->listSpt->listPath, LIST_PATH_SIZE) : "";
    case SPT_KIND_SLBR: return s->slbrSpt ? Bounded(s->slbrSpt->libraryName, SLBR_LIBRARY_NAME_SIZE) : "";
    case SPT_KIND_REF: return s->refSpt ? Bounded(s->refSpt->dataFilePath, SPT_PATH_SIZE) : "";
    case SPT_KIND_REF_EX: return s->refExSpt ? Bounded(s->refExSpt->dataFilePath, SPT_PATH_SIZE) : "";
    case SPT_KIND_TIC: return s->ticSpt ? Bounded(s->ticSpt->dataFile, TIC_DATA_FILE_SIZE) : "";
    default: return "";
  }
}

std::string IndexCell(const STRUCT_SPT_PLUS* s) {
  switch (s->kind) {
    case SPT_KIND_TOL: return s->tolSpt ? Format("%u", s->tolSpt->header.scanNumber) : "";
    case SPT_KIND_NIST: return s->nistSpt && s->nistSpt->aux ? Format("%u", s->nistSpt->aux->entryWord) : "";
    case SPT_KIND_LIST: return s->listSpt && !IsListDifference(s) ? Format("%u", s->listSpt->entryNumber) : "";
    case SPT_KIND_SLBR: return s->slbrSpt ? Format("%d", s->slbrSpt->entryNumber) : "";
    case SPT_KIND_REF: return s->refSpt ? Format("%u", s->refSpt->scan) : "";
    case SPT_KIND_REF_EX: return s->refExSpt ? Format("%u", s->refExSpt->header.scanNumber) : "";
    case SPT_KIND_TIC: return s->ticSpt ? Format("%d", s->ticSpt->entryNumber) : "";
    default: return "";
  }
}

bool HasTime(const STRUCT_SPT_PLUS* s) {
  return (s->kind == SPT_KIND_TOL && s->tolSpt) || (s->kind == SPT_KIND_REF && s->refSpt) ||
         (s->kind == SPT_KIND_REF_EX && s->refExSpt);
}

std::string TimeCell(const STRUCT_SPT_PLUS* s) {
  if (s->kind == SPT_KIND_TOL && s->tolSpt) return Format("%.3f", s->tolSpt->header.time);
  if (s->kind == SPT_KIND_REF && s->refSpt) return Format("%.3f", s->refSpt->time);
  if (s->kind == SPT_KIND_REF_EX && s->refExSpt) return Format("%.3f", s->refExSpt->header.time);
  return "";
}

std::string AveragedCell(const STRUCT_SPT_PLUS* s) {
  if (s->kind == SPT_KIND_TOL && s->tolSpt) {
    const STRUCT_TOL_SPT* t = s->tolSpt;
    if (t->scansAveraged <= 1 && t->firstScan == t->lastScan) return "1";
    return Format("%d (Scans: %u - %u, Time: %.3f - %.3f)", t->scansAveraged, t->firstScan, t->lastScan,
                  t->firstTime, t->lastTime);
  }
  if (s->kind == SPT_KIND_REF && s->refSpt) return Format("%d", s->refSpt->scansAveraged);
  if (s->kind == SPT_KIND_REF_EX && s->refExSpt) return Format("%d", s->refExSpt->scansAveraged);
  return "";
}

std::string CorrectedCell(const STRUCT_SPT_PLUS* s) {
  int flag = -1;
  if (s->kind == SPT_KIND_TOL && s->tolSpt) flag = s->tolSpt->bgCorrected;
  if (s->kind == SPT_KIND_REF && s->refSpt) flag = s->refSpt->bgCorrected;
  if (s->kind == SPT_KIND_REF_EX && s->refExSpt) flag = s->refExSpt->bgCorrected;
  return flag < 0 ? "" : flag ? "Yes" : "No";
}

std::string RangeCell(const STRUCT_SPT_PLUS* s) {
  if (s->lowMass == 0 || s->highMass == 0) return "";
  char format[16] = "%.0f";
  KELT_GetMassDecimalsAndFormat(s, format);
  std::string t = Format(format, s->lowMass) + " - " + Format(format, s->highMass) + " m/z";
  if (s->useMassRange > 1) t += " (Edited)";
  return t;
}

const LIST_ENTRY_DETAILS* ListDetails(const STRUCT_SPT_PLUS* s) {
  return s && s->kind == SPT_KIND_LIST && s->listSpt ? &s->listSpt->details : nullptr;
}

const NIST_ENTRY_DETAILS* NistDetails(const STRUCT_SPT_PLUS* s) {
  return s && s->kind == SPT_KIND_NIST && s->nistSpt ? NistEntryDetails(s->nistSpt->aux) : nullptr;
}

// The estimates of a library entry, or of a list entry that was saved from
// one (they travel as the list record's attached block).
const ENTRY_ESTIMATES* Estimates(const STRUCT_SPT_PLUS* s) {
  if (s && s->kind == SPT_KIND_LIST) return ListEntryEstimates(s->listSpt);
  const NIST_ENTRY_DETAILS* d = NistDetails(s);
  return d && d->estimatesPresent ? &d->estimates : nullptr;
}

// The synonyms of a list entry: the strings of its replicate file after the
// first, which names the entry itself.
std::vector<std::string> ListSynonyms(const STRUCT_SPT_PLUS* s) {
  std::vector<std::string> out;
  const LIST_ENTRY_DETAILS* d = ListDetails(s);
  if (!d || d->cidReference[1] == 0) return out;
  char path[LIST_PATH_SIZE + 1] = {};
  std::memcpy(path, s->listSpt->listPath, LIST_PATH_SIZE);
  const uint32_t reference[2] = {d->cidReference[0], d->cidReference[1]};
  CAccessCIDFile cid(path, reference);
  char text[CID_STRING_SIZE];
  for (int32_t i = 1; i < cid.ReturnCIDEntryRepCount(); ++i)
    if (cid.ReturnCIDEntryRepString(i, text)) out.emplace_back(text);
  return out;
}

// Whole percent of a probability kept in tenths, rounded half up.
int Percent(int16_t tenths) { return static_cast<int>(tenths / 10.0 + 0.5); }

const char* const kDatabaseNames[ENTRY_DATABASE_FLAGS] = {" Fine", " TSCA",  " RTECS",  " EPA", " USP",
                                                           " HODOC", " NIH", " EINECS", " IR"};

// Rows of what library and list entries tell beyond their spectra:
// contributor, import, estimates, NIST number, databases, replicates and
// synonyms. Each block only when one of the spectra has it.
void LibraryRows(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, std::vector<Row>& rows) {
  const STRUCT_SPT_PLUS* both[2] = {a, b};
  // A row of one label and a cell per spectrum from cell(spectrum, index).
  auto block = [&](const std::string& first, const std::string& rest, int count, auto cell) {
    for (int i = 0; i < count; ++i) {
      Row r{i == 0 ? first : rest, "", ""};
      r.a = cell(a, i);
      if (b) r.b = cell(b, i);
      rows.push_back(std::move(r));
    }
  };

  auto contributor = [](const STRUCT_SPT_PLUS* s) -> std::string {
    if (const LIST_ENTRY_DETAILS* d = ListDetails(s)) return Bounded(d->contributor, sizeof d->contributor);
    if (const NIST_ENTRY_DETAILS* d = NistDetails(s)) return Bounded(d->contributor, sizeof d->contributor);
    return "";
  };
  if (!contributor(a).empty() || (b && !contributor(b).empty()))
    block("Contributor", "", 1, [&](const STRUCT_SPT_PLUS* s, int) { return contributor(s); });

  // The import of list entries, each item only when an entry has it.
  auto items = [](const STRUCT_SPT_PLUS* s) -> uint16_t {
    const LIST_ENTRY_DETAILS* d = ListDetails(s);
    return d ? d->importItems : 0;
  };
  const uint16_t anyItems = static_cast<uint16_t>(items(a) | (b ? items(b) : 0));
  auto importRow = [&](uint16_t bit, const char* label, auto cell) {
    if (!(anyItems & bit)) return;
    block(label, "", 1, [&](const STRUCT_SPT_PLUS* s, int) -> std::string {
      return s && (items(s) & bit) ? cell(*ListDetails(s)) : "";
    });
  };
  importRow(LIST_IMPORT_DATE, "Import Date:", [](const LIST_ENTRY_DETAILS& d) { return Bounded(d.importDate, sizeof d.importDate); });
  importRow(LIST_IMPORT_DATA_FILE, "Data File:", [](const LIST_ENTRY_DETAILS& d) { return Bounded(d.dataFile, sizeof d.dataFile); });
  importRow(LIST_IMPORT_SCAN_FUNCTIONS, "Scan Functions:",
            [](const LIST_ENTRY_DETAILS& d) { return Bounded(d.scanFunctions, sizeof d.scanFunctions); });
  importRow(LIST_IMPORT_ION_TIME, "Ion Time:", [](const LIST_ENTRY_DETAILS& d) { return Bounded(d.ionTime, sizeof d.ionTime); });
  importRow(LIST_IMPORT_MAX_RIC, "Max RIC:", [](const LIST_ENTRY_DETAILS& d) { return Bounded(d.maxRic, sizeof d.maxRic); });
  importRow(LIST_IMPORT_RETENTION_TIME, "Retention Time:",
            [](const LIST_ENTRY_DETAILS& d) { return Format("%.3f min.", d.retentionTime); });
  // A scan range counts only when both scans are known.
  auto scans = [&](const STRUCT_SPT_PLUS* s) {
    const LIST_ENTRY_DETAILS* d = ListDetails(s);
    return d && (d->importItems & LIST_IMPORT_SCAN_RANGE) && d->firstScan != 0 && d->lastScan != 0;
  };
  if (scans(a) || (b && scans(b)))
    block("Scan Range:", "", 1, [&](const STRUCT_SPT_PLUS* s, int) -> std::string {
      if (!s || !scans(s)) return "";
      const LIST_ENTRY_DETAILS& d = *ListDetails(s);
      return d.firstScan == d.lastScan ? Format("%d", d.firstScan) : Format("%d - %d", d.firstScan, d.lastScan);
    });
  importRow(LIST_IMPORT_TIME_RANGE, "Time Range:", [](const LIST_ENTRY_DETAILS& d) {
    return d.firstTime == d.lastTime ? Format("%.3f min.", d.firstTime)
                                     : Format("%.3f - %.3f min.", d.firstTime, d.lastTime);
  });
  importRow(LIST_IMPORT_BASELINE, "Baseline Correction:",
            [](const LIST_ENTRY_DETAILS& d) { return std::string(d.baselineCorrected ? "Yes" : "No"); });

  // Estimates of library entries.
  auto estimates = [&](auto test) {
    for (const STRUCT_SPT_PLUS* s : both)
      if (const ENTRY_ESTIMATES* e = s ? Estimates(s) : nullptr; e && test(*e)) return true;
    return false;
  };
  auto withEstimates = [&](auto cell) {
    return [&, cell](const STRUCT_SPT_PLUS* s, int i) -> std::string {
      const ENTRY_ESTIMATES* e = s ? Estimates(s) : nullptr;
      return e ? cell(*e, i) : "";
    };
  };
  if (estimates([](const ENTRY_ESTIMATES& e) { return e.weightsPresent != 0; }))
    block("Molecular Weight Estimates", "", 5, withEstimates([](const ENTRY_ESTIMATES& e, int i) -> std::string {
            if (!e.weightsPresent) return "";
            return Format("MW = %-5d  probability: %2d%%", e.weights[i], Percent(e.weightProbabilities[i]));
          }));
  if (estimates([](const ENTRY_ESTIMATES& e) { return e.halogensPresent != 0; })) {
    block("Cl Br Estimates", "", 1, withEstimates([](const ENTRY_ESTIMATES& e, int) -> std::string {
            return e.halogensPresent ? Format("Cl = %d    Br = %d", e.chlorine, e.bromine) : "";
          }));
    const char* const labels[4] = {"Probability Cl and Br are correct", "Probability compound has Cl or Br",
                                   "Probability compound has Cl", "Probability compound has Br"};
    for (int k = 0; k < 4; ++k)
      block(labels[k], "", 1, withEstimates([k](const ENTRY_ESTIMATES& e, int) -> std::string {
              return e.halogensPresent ? Format("%d%%", Percent(e.halogenProbabilities[k])) : "";
            }));
  }
  int warnings = 0;
  for (const STRUCT_SPT_PLUS* s : both)
    if (const ENTRY_ESTIMATES* e = s ? Estimates(s) : nullptr)
      warnings = std::max<int>(warnings, std::min<int>(e->warningCount, ENTRY_MAX_WARNINGS));
  if (warnings > 0)
    block(warnings == 1 ? "Warning" : "Warnings", "", warnings,
          withEstimates([](const ENTRY_ESTIMATES& e, int i) -> std::string {
            return i < std::min<int>(e.warningCount, ENTRY_MAX_WARNINGS) ? Bounded(e.warnings[i], ENTRY_WARNING_SIZE)
                                                                         : "";
          }));
  if (estimates([](const ENTRY_ESTIMATES& e) { return e.error[0] != 0; }))
    block("Error", "", 1, withEstimates([](const ENTRY_ESTIMATES& e, int) { return Bounded(e.error, ENTRY_WARNING_SIZE); }));

  // Library rows.
  auto isNist = [](const STRUCT_SPT_PLUS* s) { return s && s->kind == SPT_KIND_NIST; };
  if (isNist(a) || isNist(b))
    block("NIST No.", "", 1, [&](const STRUCT_SPT_PLUS* s, int) -> std::string {
      const NIST_ENTRY_DETAILS* d = NistDetails(s);
      return d ? Format("%d", d->nistNumber) : "";
    });
  uint32_t flags[2] = {0, 0};
  for (int k = 0; k < 2; ++k)
    if (const NIST_ENTRY_DETAILS* d = NistDetails(both[k])) flags[k] = d->databases & ((1u << ENTRY_DATABASE_FLAGS) - 1);
  if (flags[0] || flags[1]) {
    // One running number over all cells, each cell the spectrum's next flag.
    int number = 0;
    bool firstRow = true;
    while (flags[0] || flags[1]) {
      Row r{firstRow ? "Other Databases" : "", "", ""};
      for (int k = 0; k < 2; ++k) {
        if (!flags[k]) continue;
        const int bit = __builtin_ctz(flags[k]);
        flags[k] &= flags[k] - 1;
        (k == 0 ? r.a : r.b) = Format("%2d.  %s", ++number, kDatabaseNames[bit]);
      }
      rows.push_back(std::move(r));
      firstRow = false;
    }
  }
  int replicates = 0;
  // Synonyms of NIST entries from their details, of list entries from their
  // replicate files (read once here).
  std::vector<std::string> synonymTexts[2];
  for (int k = 0; k < 2; ++k) {
    if (const NIST_ENTRY_DETAILS* d = NistDetails(both[k])) {
      replicates = std::max<int>(replicates, std::min<int>(d->replicateCount, ENTRY_MAX_REPLICATES));
      for (int i = 0; i < std::min<int>(d->synonymCount, ENTRY_MAX_SYNONYMS); ++i)
        synonymTexts[k].push_back(Bounded(d->synonyms[i], ENTRY_SYNONYM_SIZE));
    } else if (both[k]) {
      synonymTexts[k] = ListSynonyms(both[k]);
    }
  }
  const int synonyms = static_cast<int>(std::max(synonymTexts[0].size(), synonymTexts[1].size()));
  if (replicates > 0)
    block("Replicates", "", replicates, [&](const STRUCT_SPT_PLUS* s, int i) -> std::string {
      const NIST_ENTRY_DETAILS* d = NistDetails(s);
      if (!d || i >= std::min<int>(d->replicateCount, ENTRY_MAX_REPLICATES)) return "";
      const ENTRY_REPLICATE& r = d->replicates[i];
      return Format("%2d.  %d in %s", i + 1, r.entry, Bounded(r.library, ENTRY_REPLICATE_LIBRARY_SIZE).c_str());
    });
  if (synonyms > 0)
    block("Synonyms", "", synonyms, [&](const STRUCT_SPT_PLUS* s, int i) -> std::string {
      const std::vector<std::string>& texts = synonymTexts[s == a ? 0 : 1];
      return i < static_cast<int>(texts.size()) ? Format("%2d.  ", i + 1) + texts[size_t(i)] : "";
    });
}

// ---- Scan information of MS data ----------------------------------------------

const STRUCT_TOL_SPT* MsRecord(const STRUCT_SPT_PLUS* s) {
  return s && s->kind == SPT_KIND_TOL ? s->tolSpt : nullptr;
}

bool OneScan(const STRUCT_TOL_SPT* t) { return t->scansAveraged <= 1 && t->firstScan == t->lastScan; }

const MS_SCAN_FUNCTION* FunctionOf(const STRUCT_TOL_SPT* t) {
  const unsigned n = std::min<unsigned>(t->segment.functionCount, MS_MAX_FUNCTIONS);
  return t->scanFunIndex < n ? &t->segment.functions[t->scanFunIndex] : nullptr;
}

// Wide texts of packed records may lie at odd addresses: read as bytes.
std::string Wide(const void* text, size_t chars) {
  std::vector<char16_t> aligned(chars + 1, 0);
  std::memcpy(aligned.data(), text, chars * sizeof(char16_t));
  return kelt::text::WideToAnsi(aligned.data(), chars);
}

// The instrument parameters of one scan: the file's extra data columns
// with the scan's values.
int ParameterCount(const STRUCT_TOL_SPT* t) {
  if (!t || !OneScan(t)) return 0;
  return std::min<int>({t->header.extraCount, t->fileBlock.extraColumnCount, MS_MAX_EXTRA_COLUMNS});
}

// Whether the record carries what its file tells of its scans.
bool HasScanInformation(const STRUCT_TOL_SPT* t) {
  if (!t) return false;
  const MS_SCAN_FUNCTION* f = FunctionOf(t);
  return t->fileBlock.description[0] || t->segment.name[0] || (f && f->description[0]) || t->header.text[0] ||
         ParameterCount(t) > 0;
}

std::string MassRange(const STRUCT_SPT_PLUS* s, double low, double high) {
  char format[16] = "%.0f";
  KELT_GetMassDecimalsAndFormat(s, format);
  return Format(format, low) + " - " + Format(format, high) + " m/z";
}

void ScanInformationRows(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, std::vector<Row>& rows) {
  const STRUCT_TOL_SPT* ta = MsRecord(a);
  const STRUCT_TOL_SPT* tb = MsRecord(b);
  if (!HasScanInformation(ta) && !HasScanInformation(tb)) return;
  auto row = [&](const char* label, auto cell) {
    Row r{label, "", ""};
    if (HasScanInformation(ta)) r.a = cell(a, ta);
    if (b && HasScanInformation(tb)) r.b = cell(b, tb);
    rows.push_back(std::move(r));
  };
  // The data keep no micro-scans within a scan: a scan is one.
  row("Micro-Scans Averaged", [](const STRUCT_SPT_PLUS*, const STRUCT_TOL_SPT* t) {
    return std::string(OneScan(t) ? "1" : "N/A");
  });
  row("Method Description", [](const STRUCT_SPT_PLUS*, const STRUCT_TOL_SPT* t) {
    return Wide(t->fileBlock.description, sizeof t->fileBlock.description / sizeof(char16_t));
  });
  row("Segment Description", [](const STRUCT_SPT_PLUS*, const STRUCT_TOL_SPT* t) {
    return Wide(t->segment.name, sizeof t->segment.name / sizeof(char16_t));
  });
  row("Scan Channel Description", [](const STRUCT_SPT_PLUS*, const STRUCT_TOL_SPT* t) {
    char text[101] = {};
    const MS_SCAN_FUNCTION* f = FunctionOf(t);
    if (!f) return std::string();
    MS_SCAN_FUNCTION copy;  // aligned for the wide text
    std::memcpy(&copy, f, sizeof copy);
    KELT_GetszScanChannelDescription(&copy, text, sizeof text);
    return std::string(text);
  });
  row("Scan Information", [](const STRUCT_SPT_PLUS*, const STRUCT_TOL_SPT* t) {
    return OneScan(t) ? Wide(t->header.text, sizeof t->header.text / sizeof(char16_t)) : std::string();
  });
  auto selected = [](const STRUCT_TOL_SPT* t) { return t && OneScan(t) && t->header.ionMass > 0; };
  if (selected(ta) || selected(tb))
    row("Precursor Mass Range", [&](const STRUCT_SPT_PLUS* s, const STRUCT_TOL_SPT* t) {
      return selected(t) ? MassRange(s, t->header.ionMass, t->header.ionMass) : std::string();
    });
  row("Product Mass Range", [](const STRUCT_SPT_PLUS* s, const STRUCT_TOL_SPT* t) {
    const double low = t->header.lowLimit, high = t->header.highLimit;
    return OneScan(t) && low < high ? MassRange(s, low, high) : std::string();
  });
  row("Scan Mass Segments", [](const STRUCT_SPT_PLUS* s, const STRUCT_TOL_SPT* t) {
    const MS_SCAN_FUNCTION* f = FunctionOf(t);
    return f && f->lowMass < f->highMass ? MassRange(s, f->lowMass, f->highMass) : std::string();
  });
  const int parameters = std::max(ParameterCount(ta), b ? ParameterCount(tb) : 0);
  for (int k = 0; k < parameters; ++k) {
    std::string names[2];
    std::string values[2];
    const STRUCT_TOL_SPT* both[2] = {ta, b ? tb : nullptr};
    for (int i = 0; i < 2; ++i) {
      const STRUCT_TOL_SPT* t = both[i];
      if (k >= ParameterCount(t)) continue;
      names[i] = Wide(t->fileBlock.extraColumnNames[k], 14);
      const double v = t->header.extra[k];
      values[i] = kelt::text::EqualsNoCase(names[i].c_str(), "Ion Time(uSec)") ? Format("%.0f", v) : Format("%f", v);
    }
    std::string label = names[0].empty() ? names[1] : names[0];
    if (!names[0].empty() && !names[1].empty() && names[0] != names[1]) label = names[0] + " / " + names[1];
    rows.push_back({label, values[0], values[1]});
  }
}

}  // namespace

std::vector<Row> InfoRows(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b) {
  std::vector<Row> rows;
  if (!a) return rows;
  const STRUCT_SPT_PLUS* both[2] = {a, b};
  auto any = [&](auto test) { return test(a) || (b && test(b)); };
  auto row = [&](const char* label, auto cell, auto condition) {
    Row r{label, condition(a) ? cell(a) : "", b && condition(b) ? cell(b) : ""};
    rows.push_back(std::move(r));
  };
  auto always = [](const STRUCT_SPT_PLUS*) { return true; };

  row("Spectrum", SpectrumCell, always);
  if (any([](const STRUCT_SPT_PLUS* s) { return s->kind != SPT_KIND_DIFF; })) {
    row("File", FileCell, always);
    row("Index / Scan No", IndexCell, always);
    auto sds = [](const STRUCT_SPT_PLUS* s) {
      return s->kind == SPT_KIND_TOL && s->tolSpt && s->tolSpt->header.scanKind == 13;
    };
    if (any(sds))
      row("SDS Parent Scan",
          [](const STRUCT_SPT_PLUS* s) {
            return s->tolSpt->header.parentScan == 0 ? std::string("Is Parent")
                                                     : Format("Parent Scan Number is %u", s->tolSpt->header.parentScan);
          },
          sds);
    if (any(HasTime)) row("Time (min)", TimeCell, HasTime);
    auto msData = [](const STRUCT_SPT_PLUS* s) { return s->kind == SPT_KIND_TOL && s->tolSpt != nullptr; };
    auto listFunction = [](const STRUCT_SPT_PLUS* s) {
      return s->kind == SPT_KIND_LIST && s->listSpt && s->listSpt->details.scanFunctionText[0];
    };
    auto function = [&](const STRUCT_SPT_PLUS* s) { return msData(s) || listFunction(s); };
    if (any(function))
      row("Scan Function",
          [&](const STRUCT_SPT_PLUS* s) {
            if (!msData(s)) return Bounded(s->listSpt->details.scanFunctionText, sizeof s->listSpt->details.scanFunctionText);
            char text[320] = {};
            uint16_t isChannel = 0;
            KELT_GetMergedChannelText(s->tolSpt, text, &isChannel);
            return isChannel ? Format(" Channel: %s", text) : std::string(text);
          },
          function);
    if (any(HasTime)) {
      row("Points Averaged", AveragedCell, HasTime);
      row("Background Corrected", CorrectedCell, HasTime);
    }
  }
  for (const STRUCT_SPT_PLUS* d : both) {
    if (!d || d->kind != SPT_KIND_DIFF) continue;
    rows.push_back({"Differences", Bounded(d->mainTitle, SPT_TITLE_SIZE), ""});
    rows.push_back({"", Bounded(d->nameTitle, SPT_TITLE_SIZE), ""});
    rows.push_back({"", Bounded(d->fileTitle, SPT_TITLE_SIZE), ""});
    break;
  }
  row("Name", [](const STRUCT_SPT_PLUS* s) { return Bounded(s->name, SPT_TEXT_NAME_SIZE); }, always);
  row("Comment", [](const STRUCT_SPT_PLUS* s) { return Bounded(s->comment, SPT_TEXT_COMMENT_SIZE); }, always);
  row("Formula",
      [](const STRUCT_SPT_PLUS* s) {
        char text[SPT_TEXT_FORMULA_SIZE * 2 + 8] = {};
        char formula[SPT_TEXT_FORMULA_SIZE + 1] = {};
        std::memcpy(formula, s->formula, SPT_TEXT_FORMULA_SIZE);
        FormatFormula(formula, text);
        return std::string(text);
      },
      always);
  row("Molecular Weight", [](const STRUCT_SPT_PLUS* s) { return Format("%d", s->molecularWeight); }, always);
  row("CAS No.",
      [](const STRUCT_SPT_PLUS* s) {
        char text[32] = {};
        FormatCASNumber(s->casNumber, text);
        return std::string(text);
      },
      always);
  row("Pair Count", [](const STRUCT_SPT_PLUS* s) { return Format("%d", PlusSpt_GetPairCount(s)); }, always);
  row("Acquired Range", RangeCell, always);
  LibraryRows(a, b, rows);
  ScanInformationRows(a, b, rows);
  return rows;
}

std::vector<IonRow> MergeIons(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b) {
  std::vector<IonRow> out;
  const int na = a ? std::max(0, PlusSpt_GetPairCount(a)) : 0;
  const int nb = b ? std::max(0, PlusSpt_GetPairCount(b)) : 0;
  // Masses are compared as the list shows them: at the finer of the two
  // spectra's mass decimals, so that 86.98 and a nominal 87 share "87.0".
  int16_t decimals = 0;
  for (const STRUCT_SPT_PLUS* s : {a, b})
    if (s) decimals = std::max<int16_t>(decimals, KELT_GetMassDecimalsAndFormat(s, nullptr));
  const double scale = std::pow(10.0, std::clamp<int>(decimals, 0, 6));
  int i = 0, j = 0;
  while (i < na || j < nb) {
    double ma = 0, mb = 0, v = 0;
    if (i < na) SptPairAt(a, static_cast<uint32_t>(i), &ma, &v);
    if (j < nb) SptPairAt(b, static_cast<uint32_t>(j), &mb, &v);
    if (i < na && j < nb && std::llround(ma * scale) == std::llround(mb * scale)) {
      out.push_back({static_cast<uint32_t>(++i), static_cast<uint32_t>(++j)});
    } else if (j >= nb || (i < na && ma < mb)) {
      out.push_back({static_cast<uint32_t>(++i), 0});
    } else {
      out.push_back({0, static_cast<uint32_t>(++j)});
    }
  }
  return out;
}

void SortMarkers(int sortColumn, int columns, int16_t* icons) {
  if (!icons) return;
  for (int i = 0; i < columns; ++i) icons[i] = 802;
  if (columns <= 0) return;
  if (sortColumn == 0) {
    icons[0] = 801;
  } else if (sortColumn >= 1 && sortColumn <= 4) {
    // Each spectrum's intensity and percentage columns sort alike.
    const int first = sortColumn <= 2 ? 1 : 3;
    icons[0] = 800;
    for (int i = first; i < first + 2 && i < columns; ++i) icons[i] = 803;
  }
}

namespace {

// The four marker images, 16 by 16, in icon order 800-803.
HIMAGELIST MakeMarkerImages() {
  const HMODULE module = kelt::lib::ModuleHandle();
  for (int i = 0; i < SPTINFO_ICONS; ++i) win::resources::AddIcon(module, SPTINFO_ICON_FIRST + i, {16, 16});
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 5, 4);
  if (!list) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = screen ? CreateCompatibleDC(screen) : nullptr;
  HBITMAP strip = dc ? CreateCompatibleBitmap(screen, 16 * SPTINFO_ICONS, 16) : nullptr;
  if (strip) {
    HGDIOBJ oldBitmap = SelectObject(dc, strip);
    RECT all{0, 0, 16 * SPTINFO_ICONS, 16};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &all, face);
    DeleteObject(face);
    HBRUSH dark = CreateSolidBrush(RGB(64, 64, 64));
    HBRUSH grey = CreateSolidBrush(RGB(176, 176, 176));
    HPEN none = static_cast<HPEN>(GetStockObject(NULL_PEN));
    HGDIOBJ oldPen = SelectObject(dc, none);
    auto triangle = [&](int x0, bool up, HBRUSH brush) {
      POINT p[3] = {{x0 + 4, up ? 11 : 5}, {x0 + 12, up ? 11 : 5}, {x0 + 8, up ? 5 : 11}};
      HGDIOBJ old = SelectObject(dc, brush);
      Polygon(dc, p, 3);
      SelectObject(dc, old);
    };
    // 800 stays blank; 801 ascending; 802 a faint mark of a sortable column; 803 descending.
    triangle(16, true, dark);
    RECT dot{32 + 7, 7, 32 + 9, 9};
    FillRect(dc, &dot, grey);
    triangle(48, false, dark);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBitmap);
    DeleteObject(dark);
    DeleteObject(grey);
    if (ImageList_AddMasked(list, strip, GetSysColor(COLOR_BTNFACE)) < 0) {
      ImageList_Destroy(list);
      list = nullptr;
    }
    DeleteObject(strip);
  } else {
    ImageList_Destroy(list);
    list = nullptr;
  }
  if (dc) DeleteDC(dc);
  if (screen) ReleaseDC(nullptr, screen);
  return list;
}

HWND HeaderOf(CListCtrl* list) {
  return list && list->m_hWnd ? reinterpret_cast<HWND>(list->SendMessage(LVM_GETHEADER, 0, 0)) : nullptr;
}

// Gives each header item its marker image.
void ApplyMarkers(CListCtrl* list, HIMAGELIST images, const int16_t* icons, int columns) {
  HWND header = HeaderOf(list);
  if (!header || !images) return;
  ::SendMessageA(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  for (int i = 0; i < columns; ++i) {
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    if (!::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
    item.mask = HDI_FORMAT | HDI_IMAGE;
    item.fmt |= HDF_IMAGE;
    item.iImage = icons[i] - SPTINFO_ICON_FIRST;
    ::SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

}  // namespace

}  // namespace kelt::sptinfo

using kelt::sptinfo::InfoRows;

void KELT_ShowSpectraInfoInListCtrl(STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, CListCtrl* list) {
  if (!a || !list || !list->m_hWnd) return;
  void* buffer = AllocBlock(1365);  // the working text of one fill
  if (!buffer) return;
  int index = 0;
  for (const auto& r : InfoRows(a, b)) {
    const int at = list->InsertItem(index++, r.label.c_str());
    list->SetItemText(at, 1, r.a.c_str());
    if (b) list->SetItemText(at, 2, r.b.c_str());
  }
  FreeBlock(buffer);
}

int16_t KELT_CountSpectraInfoRows(STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b) {
  return static_cast<int16_t>(std::min<size_t>(InfoRows(a, b).size(), 0x7FFF));
}

// ---- CWrapCtlSptInfo -----------------------------------------------------------

BEGIN_MESSAGE_MAP(CWrapCtlSptInfo, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_MESSAGE(WM_USER + 21, OnClear)
ON_MESSAGE(WM_USER + 22, OnShowInfo)
ON_MESSAGE(WM_USER + 23, OnShowIons)
ON_MESSAGE(WM_USER + 24, OnSortColumn)
ON_MESSAGE(WM_USER + 25, OnSetPrefix)
ON_MESSAGE(WM_USER + 26, OnShowComparison)
END_MESSAGE_MAP()

CWrapCtlSptInfo::CWrapCtlSptInfo() = default;
CWrapCtlSptInfo::~CWrapCtlSptInfo() {
  delete m_pList;
  if (m_listFont) DeleteObject(m_listFont);
}

int CWrapCtlSptInfo::OnCreate(CREATESTRUCTA*) {
  if (Default() == -1) return -1;
  m_pList = new (std::nothrow) CListCtrl;
  if (m_pList && !m_pList->Create(WS_CHILD | WS_BORDER | LVS_REPORT, CRect(0, 0, 0, 0), this, 1)) {
    delete m_pList;
    m_pList = nullptr;
  }
  if (m_pList) {
    for (int i = 0; i < 5; ++i) m_pList->InsertColumn(i, "", LVCFMT_RIGHT, 20);
    m_images = kelt::sptinfo::MakeMarkerImages();
    for (auto& icon : m_markers) icon = SPTINFO_ICON_FIRST;
    kelt::sptinfo::ApplyMarkers(m_pList, m_images, m_markers, 5);
    m_pList->ShowWindow(SW_SHOW);
  }
  SetHeadings();
  return 0;
}

void CWrapCtlSptInfo::ShowSortMarkers() {
  if (m_mode != SPTINFO_MODE_IONS) {
    // The other pages are not sorted; the order is kept for the ion page.
    if (m_sortColumn != 65535) m_previousSort = m_sortColumn;
    m_sortColumn = 65535;
  }
  kelt::sptinfo::SortMarkers(m_mode == SPTINFO_MODE_IONS ? m_sortColumn : -1, 5, m_markers);
  kelt::sptinfo::ApplyMarkers(m_pList, m_images, m_markers, 5);
}

void CWrapCtlSptInfo::OnDestroy() {
  if (m_pList) {
    if (m_pList->m_hWnd) m_pList->DestroyWindow();
    delete m_pList;
    m_pList = nullptr;
  }
  if (m_images) ImageList_Destroy(m_images);
  m_images = nullptr;
  Default();
}

void CWrapCtlSptInfo::OnSize(UINT, int cx, int cy) {
  Default();
  if (m_pList && m_pList->m_hWnd) m_pList->MoveWindow(0, 0, cx, cy, TRUE);
  SizeColumns(cx);
  if (HWND p = ::GetParent(m_hWnd); p && ::GetParent(p))
    ::PostMessageA(::GetParent(p), SPTINFO_RESIZED, reinterpret_cast<WPARAM>(this), MAKELPARAM(cx, cy));
}

void CWrapCtlSptInfo::MakeLabels() {
  m_labelA[0] = m_labelB[0] = 0;
  if (m_a) std::snprintf(m_labelA, sizeof m_labelA, "%sA", m_prefix);
  if (m_b) std::snprintf(m_labelB, sizeof m_labelB, "%sB", m_prefix);
}

void CWrapCtlSptInfo::SetHeadings() {
  if (!m_pList || !m_pList->m_hWnd) return;
  std::string h[5];
  const bool named = m_b || m_prefix[0];
  if (m_mode == SPTINFO_MODE_IONS) {
    const char* la = m_a ? m_labelA : m_labelB;
    h[0] = "Ion";
    h[1] = (m_a || m_b) && named ? std::string(la) + " Intensity" : "Intensity";
    h[2] = (m_a || m_b) && named ? std::string(la) + " % Base Peak" : "% Base Peak";
    if (m_a && m_b) {
      h[3] = std::string(m_labelB) + " Intensity";
      h[4] = std::string(m_labelB) + " % Base Peak";
    }
  } else if (m_mode == SPTINFO_MODE_INFO) {
    h[0] = "Field Name";
    const char* la = m_a ? m_labelA : m_labelB;
    h[1] = named && (m_a || m_b) ? std::string(la) + " Values" : "Values";
    if (m_a && m_b) h[2] = std::string(m_labelB) + " Values";
  } else {
    h[0] = "Comparison Parameters";
    h[1] = "Values";
  }
  for (int i = 0; i < 5; ++i) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_FMT;
    c.fmt = m_mode == SPTINFO_MODE_IONS ? LVCFMT_RIGHT : LVCFMT_LEFT;
    c.pszText = const_cast<char*>(h[i].c_str());
    m_pList->SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
  }
}

void CWrapCtlSptInfo::SizeColumns(int width) {
  const bool two = m_a && m_b;
  // Rows beyond the page bring a vertical scroll bar: its width is not the columns'.
  if (m_pList && m_pList->m_hWnd) {
    const int perPage = static_cast<int>(m_pList->SendMessage(LVM_GETCOUNTPERPAGE, 0, 0));
    if (RowCount() > perPage) width -= GetSystemMetrics(SM_CXVSCROLL);
  }
  width = std::max(0, width);
  const int used = m_mode == SPTINFO_MODE_IONS ? (two ? 5 : 3) : m_mode == SPTINFO_MODE_INFO ? (two ? 3 : 2) : 2;
  const int each = used > 0 ? width / used : 0;
  for (int i = 0; i < 5; ++i) {
    m_widths[i] = static_cast<int16_t>(i < used - 1 ? each : i == used - 1 ? width - each * (used - 1) : 0);
    if (m_pList && m_pList->m_hWnd) m_pList->SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), m_widths[i]);
  }
}

LRESULT CWrapCtlSptInfo::OnClear(WPARAM, LPARAM) {
  m_a = m_b = nullptr;
  m_searchSet = 0;
  m_ions.clear();
  if (m_pList && m_pList->m_hWnd) m_pList->SendMessage(LVM_DELETEALLITEMS, 0, 0);
  Invalidate(FALSE);
  return 0;
}

LRESULT CWrapCtlSptInfo::OnShowInfo(WPARAM wParam, LPARAM lParam) {
  m_mode = SPTINFO_MODE_INFO;
  if (m_sortColumn != 65535) m_previousSort = m_sortColumn;
  m_sortColumn = 65535;
  m_a = reinterpret_cast<STRUCT_SPT_PLUS*>(wParam);
  m_b = reinterpret_cast<STRUCT_SPT_PLUS*>(lParam);
  MakeLabels();
  SetHeadings();
  ShowSortMarkers();
  if (m_pList && m_pList->m_hWnd) {
    m_pList->SendMessage(LVM_DELETEALLITEMS, 0, 0);
    // With B alone it takes A's column.
    if (m_a || m_b) KELT_ShowSpectraInfoInListCtrl(m_a ? m_a : m_b, m_a ? m_b : nullptr, m_pList);
  }
  CRect r;
  GetClientRect(&r);
  SizeColumns(r.Width());
  Invalidate(FALSE);
  return 0;
}

void CWrapCtlSptInfo::FillIons() {
  m_ions = kelt::sptinfo::MergeIons(m_a ? m_a : m_b, m_a ? m_b : nullptr);
  if (m_sortColumn == 1 || m_sortColumn == 2 || m_sortColumn == 3 || m_sortColumn == 4) {
    const bool useB = m_sortColumn >= 3;
    STRUCT_SPT_PLUS* first = m_a ? m_a : m_b;
    STRUCT_SPT_PLUS* second = m_a ? m_b : nullptr;
    auto value = [&](const kelt::sptinfo::IonRow& r) {
      double m = 0, v = -1;
      const uint32_t ib = useB ? r.b : 0;
      if (ib && second) SptPairAt(second, ib - 1, &m, &v);
      else if (r.a) SptPairAt(first, r.a - 1, &m, &v);
      return v;
    };
    std::stable_sort(m_ions.begin(), m_ions.end(), [&](const auto& x, const auto& y) { return value(x) > value(y); });
  }
  if (!m_pList || !m_pList->m_hWnd) return;
  m_pList->SendMessage(LVM_DELETEALLITEMS, 0, 0);
  STRUCT_SPT_PLUS* spectra[2] = {m_a ? m_a : m_b, m_a ? m_b : nullptr};
  char format[16] = "%.0f";
  int16_t decimals = -1;
  for (STRUCT_SPT_PLUS* s : spectra) {
    char f[16] = "%.0f";
    if (s && KELT_GetMassDecimalsAndFormat(s, f) > decimals) {
      decimals = KELT_GetMassDecimalsAndFormat(s, f);
      std::memcpy(format, f, sizeof format);
    }
  }
  int row = 0;
  for (const auto& r : m_ions) {
    double mass = 0, v = 0;
    if (r.a) SptPairAt(spectra[0], r.a - 1, &mass, &v);
    else SptPairAt(spectra[1], r.b - 1, &mass, &v);
    char text[64];
    std::snprintf(text, sizeof text, format, mass);
    const int at = m_pList->InsertItem(row++, text);
    for (int k = 0; k < 2; ++k) {
      const uint32_t index = k == 0 ? r.a : r.b;
      if (!index || !spectra[k]) continue;
      double m = 0, value = 0;
      SptPairAt(spectra[k], index - 1, &m, &value);
      char cell[32];
      KELT_FormatIntensity(static_cast<uint32_t>(std::clamp(value, 0.0, 4294967295.0)), cell);
      m_pList->SetItemText(at, 1 + 2 * k, cell);
      double base = 0;
      PlusSpt_GetBasePeak(spectra[k], &base);
      if (base != 0) {
        std::snprintf(cell, sizeof cell, "%.1f", value / base * 100);
        m_pList->SetItemText(at, 2 + 2 * k, cell);
      }
    }
  }
}

LRESULT CWrapCtlSptInfo::OnShowIons(WPARAM wParam, LPARAM lParam) {
  m_mode = SPTINFO_MODE_IONS;
  m_a = reinterpret_cast<STRUCT_SPT_PLUS*>(wParam);
  m_b = reinterpret_cast<STRUCT_SPT_PLUS*>(lParam);
  if (m_sortColumn == 65535) m_sortColumn = m_previousSort == 65535 ? 0 : m_previousSort;
  if (!(m_a && m_b) && m_sortColumn > 2) m_sortColumn = static_cast<uint16_t>(m_sortColumn - 2);
  MakeLabels();
  SetHeadings();
  ShowSortMarkers();
  FillIons();
  CRect r;
  GetClientRect(&r);
  SizeColumns(r.Width());
  Invalidate(FALSE);
  return 0;
}

LRESULT CWrapCtlSptInfo::OnSortColumn(WPARAM wParam, LPARAM) {
  const int column = static_cast<int>(static_cast<intptr_t>(wParam));
  if (column == -1 || column < 0 || column > 4) return 0;
  m_sortColumn = static_cast<uint16_t>(column);
  ShowSortMarkers();
  if (m_a && m_mode == SPTINFO_MODE_IONS) FillIons();
  return 0;
}

LRESULT CWrapCtlSptInfo::OnSetPrefix(WPARAM wParam, LPARAM) {
  const char* text = reinterpret_cast<const char*>(wParam);
  if (!text) return 0;
  std::memset(m_prefix, 0, sizeof m_prefix);
  std::memcpy(m_prefix, text, strnlen(text, sizeof m_prefix - 1));
  return 0;
}

LRESULT CWrapCtlSptInfo::OnShowComparison(WPARAM, LPARAM lParam) {
  m_mode = SPTINFO_MODE_COMPARISON;
  const auto* p = reinterpret_cast<const STRUCT_CCSPT_SEARCH_PARAMS*>(lParam);
  m_searchSet = p ? 1 : 0;
  if (p) m_search = *p;
  SetHeadings();
  ShowSortMarkers();
  if (!m_pList || !m_pList->m_hWnd) return 0;
  m_pList->SendMessage(LVM_DELETEALLITEMS, 0, 0);
  STRUCT_CCSPT_SEARCH_PARAMS s{};
  if (m_searchSet && m_search.filled) {
    s = m_search;
  } else {
    s.mode = 'N';
    s.lowMz = 1;
    s.highMz = 1000;
    s.minIntensity = 1;
  }
  const char* mode = s.mode == 81 ? "Quick" : s.mode == 83 ? "Simple" : s.mode == 72 ? "Hybrid" : s.mode == 76 ? "Loss"
                                                                                                           : "Normal";
  std::vector<std::pair<std::string, std::string>> rows;
  rows.emplace_back("Search Mode:", std::string(mode) + (s.reverseSearch ? " (Reverse)" : " (Forward)"));
  char text[64];
  if (s.mode == 72 || s.mode == 76) {
    std::snprintf(text, sizeof text, "%d", s.molecularWeight);
    rows.emplace_back("Molecular Weight:", text);
  }
  std::snprintf(text, sizeof text, "%d - %d", s.lowMz, s.highMz);
  rows.emplace_back("m/z Range:", text);
  std::snprintf(text, sizeof text, "%d", s.minIntensity);
  rows.emplace_back("Minimum. Intensity:", text);
  if (s.matchPresent) {
    rows.emplace_back("", "");
    std::snprintf(text, sizeof text, "%d", s.reverseMatch);
    rows.emplace_back("Reverse Match:", text);
    std::snprintf(text, sizeof text, "%d", s.forwardMatch);
    rows.emplace_back("Forward Match:", text);
  }
  int i = 0;
  for (const auto& [label, value] : rows) {
    const int at = m_pList->InsertItem(i++, label.c_str());
    m_pList->SetItemText(at, 1, value.c_str());
  }
  CRect r;
  GetClientRect(&r);
  SizeColumns(r.Width());
  Invalidate(FALSE);
  return 0;
}

BOOL CWrapCtlSptInfo::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* n = reinterpret_cast<const NMLISTVIEW*>(lParam);
  if (n && n->hdr.code == LVN_COLUMNCLICK && m_mode == SPTINFO_MODE_IONS) {
    const int column = n->iSubItem;
    const int last = m_a && m_b ? 4 : 2;
    const bool take = column != static_cast<int>(m_sortColumn) && column >= 0 && column <= last;
    PostMessage(WM_USER + 24, take ? static_cast<WPARAM>(column) : static_cast<WPARAM>(-1), 0);
    return TRUE;
  }
  return CWnd::OnNotify(wParam, lParam, result);
}

int CWrapCtlSptInfo::RowCount() const {
  return m_pList && m_pList->m_hWnd ? static_cast<int>(m_pList->SendMessage(LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string CWrapCtlSptInfo::Cell(int row, int column) const {
  char text[600] = {};
  if (m_pList && m_pList->m_hWnd) m_pList->GetItemText(row, column, text, sizeof text);
  return text;
}

// ---- CWrapSpectrumInfo -------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWrapSpectrumInfo, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_MESSAGE(WM_USER + 21, OnClear)
ON_MESSAGE(WM_USER + 22, OnShow)
ON_MESSAGE(WM_USER + 23, OnSortColumn)
END_MESSAGE_MAP()

CWrapSpectrumInfo::~CWrapSpectrumInfo() {
  delete m_pLeft;
  delete m_pRight;
}

int CWrapSpectrumInfo::OnCreate(CREATESTRUCTA*) {
  if (Default() == -1) return -1;
  for (auto [list, id] : {std::pair<CListCtrl**, UINT>{&m_pLeft, 1}, {&m_pRight, 2}}) {
    *list = new (std::nothrow) CListCtrl;
    if (*list && !(*list)->Create(WS_CHILD | WS_BORDER | LVS_REPORT, CRect(0, 0, 0, 0), this, id)) {
      delete *list;
      *list = nullptr;
    }
  }
  if (m_pLeft) {
    m_pLeft->InsertColumn(0, "");
    m_pLeft->InsertColumn(1, "Information");
    m_pLeft->ShowWindow(SW_SHOW);
  }
  if (m_pRight) {
    m_pRight->InsertColumn(0, "Ion", LVCFMT_RIGHT);
    m_pRight->InsertColumn(1, "Intensity", LVCFMT_RIGHT);
    m_pRight->InsertColumn(2, "% Base Peak", LVCFMT_RIGHT);
    m_images = kelt::sptinfo::MakeMarkerImages();
    kelt::sptinfo::SortMarkers(m_sortColumn, 3, m_markers);
    kelt::sptinfo::ApplyMarkers(m_pRight, m_images, m_markers, 3);
    m_pRight->ShowWindow(SW_SHOW);
  }
  return 0;
}

void CWrapSpectrumInfo::OnDestroy() {
  for (CListCtrl** l : {&m_pLeft, &m_pRight}) {
    if (*l && (*l)->m_hWnd) (*l)->DestroyWindow();
    delete *l;
    *l = nullptr;
  }
  if (m_images) ImageList_Destroy(m_images);
  m_images = nullptr;
  Default();
}

void CWrapSpectrumInfo::OnSize(UINT, int cx, int cy) {
  Default();
  const int half = cx / 2;
  if (m_pLeft && m_pLeft->m_hWnd) m_pLeft->MoveWindow(0, 0, half, cy, TRUE);
  if (m_pRight && m_pRight->m_hWnd) m_pRight->MoveWindow(half, 0, cx - half, cy, TRUE);
  if (HWND p = ::GetParent(m_hWnd); p && ::GetParent(p))
    ::PostMessageA(::GetParent(p), SPTINFO_RESIZED, reinterpret_cast<WPARAM>(this), MAKELPARAM(cx, cy));
}

BOOL CWrapSpectrumInfo::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* n = reinterpret_cast<const NMLISTVIEW*>(lParam);
  if (n && n->hdr.code == LVN_COLUMNCLICK && n->hdr.idFrom == 2) {
    const int column = n->iSubItem;
    const bool take = column != m_sortColumn && column >= 0 && column <= 2;
    PostMessage(WM_USER + 23, take ? static_cast<WPARAM>(column) : static_cast<WPARAM>(-1), 0);
    return TRUE;
  }
  return CWnd::OnNotify(wParam, lParam, result);
}

LRESULT CWrapSpectrumInfo::OnClear(WPARAM, LPARAM) {
  m_spectrum = nullptr;
  for (CListCtrl* l : {m_pLeft, m_pRight})
    if (l && l->m_hWnd) l->SendMessage(LVM_DELETEALLITEMS, 0, 0);
  Invalidate(FALSE);
  return 0;
}

void CWrapSpectrumInfo::FillIons() {
  if (!m_pRight || !m_pRight->m_hWnd || !m_spectrum) return;
  m_pRight->SendMessage(LVM_DELETEALLITEMS, 0, 0);
  // Each row keeps its pair's index, so no mass lookup can miss.
  std::vector<uint32_t> order;
  const int n = std::max(0, PlusSpt_GetPairCount(m_spectrum));
  for (int i = 0; i < n; ++i) order.push_back(static_cast<uint32_t>(i));
  auto value = [&](uint32_t i) {
    double m = 0, v = 0;
    SptPairAt(m_spectrum, i, &m, &v);
    return std::pair<double, double>{m, v};
  };
  if (m_sortColumn == 1 || m_sortColumn == 2)
    std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) { return value(x).second > value(y).second; });
  char format[16] = "%.0f";
  KELT_GetMassDecimalsAndFormat(m_spectrum, format);
  double base = 0;
  PlusSpt_GetBasePeak(m_spectrum, &base);
  int row = 0;
  for (uint32_t i : order) {
    const auto [m, v] = value(i);
    char text[64];
    std::snprintf(text, sizeof text, format, m);
    const int at = m_pRight->InsertItem(row++, text);
    m_pRight->SetItemData(at, i);
    std::snprintf(text, sizeof text, "%.0f", v);
    m_pRight->SetItemText(at, 1, text);
    if (base != 0) {
      std::snprintf(text, sizeof text, "%.2f", v / base * 100);
      m_pRight->SetItemText(at, 2, text);
    }
  }
}

LRESULT CWrapSpectrumInfo::OnShow(WPARAM wParam, LPARAM lParam) {
  auto* a = reinterpret_cast<STRUCT_SPT_PLUS*>(wParam);
  auto* b = reinterpret_cast<STRUCT_SPT_PLUS*>(lParam);
  m_spectrum = a ? a : b;
  if (!m_spectrum) return 0;
  if (m_pLeft && m_pLeft->m_hWnd) {
    m_pLeft->SendMessage(LVM_DELETEALLITEMS, 0, 0);
    KELT_ShowSpectraInfoInListCtrl(m_spectrum, nullptr, m_pLeft);
  }
  FillIons();
  Invalidate(FALSE);
  return 0;
}

LRESULT CWrapSpectrumInfo::OnSortColumn(WPARAM wParam, LPARAM) {
  const int column = static_cast<int>(static_cast<intptr_t>(wParam));
  if (column < 0 || column > 2) return 0;
  m_sortColumn = static_cast<int16_t>(column);
  kelt::sptinfo::SortMarkers(m_sortColumn, 3, m_markers);
  kelt::sptinfo::ApplyMarkers(m_pRight, m_images, m_markers, 3);
  if (m_spectrum) FillIons();
  return 0;
}

// ---- CWrapCtlSpt ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWrapCtlSpt, CWnd)
ON_WM_SIZE()
ON_WM_DESTROY()
ON_MESSAGE(WM_USER + 20, OnSetTarget)
END_MESSAGE_MAP()

int CWrapCtlSpt::CreateControl() {
  m_pControl = CreateSpectraControl(this, 500, 0, 0, 0, 0, 0, 0, 0);
  if (!m_pControl) return 0;
  m_pControl->ShowWindow(SW_SHOW);
  return 1;
}

void CWrapCtlSpt::OnSize(UINT, int cx, int cy) {
  Default();
  if (m_pControl && m_pControl->m_hWnd) m_pControl->MoveWindow(0, 0, cx, cy, TRUE);
  if (HWND p = ::GetParent(m_hWnd); p && ::GetParent(p))
    ::PostMessageA(::GetParent(p), SPTINFO_RESIZED, reinterpret_cast<WPARAM>(this), MAKELPARAM(cx, cy));
}

void CWrapCtlSpt::OnDestroy() {
  // The control deletes its own object when its window goes.
  if (m_pControl && m_pControl->m_hWnd) m_pControl->DestroyWindow();
  m_pControl = nullptr;
  Default();
}

LRESULT CWrapCtlSpt::OnSetTarget(WPARAM wParam, LPARAM lParam) {
  m_targetCommand = static_cast<uint16_t>(wParam);
  m_target = reinterpret_cast<HWND>(lParam);
  return 0;
}

BOOL CWrapCtlSpt::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT code = HIWORD(wParam);
  if (LOWORD(wParam) == 500 && code >= 1 && code <= 6) {
    if (m_target && m_targetCommand)
      ::SendMessageA(m_target, WM_COMMAND, MAKEWPARAM(m_targetCommand, code), reinterpret_cast<LPARAM>(m_hWnd));
    return TRUE;
  }
  return CWnd::OnCommand(wParam, lParam);
}

