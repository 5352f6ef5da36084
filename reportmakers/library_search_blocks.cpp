// Library-search blocks of report pages, written through one CReportOutput.
#include "reportmakers/library_search_blocks.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/data_file_utils.h"
#include "fandor/library_entry_details.h"
#include "orvik32/orvik32.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "spectra/library_entry_texts.h"

namespace kelt::reports {
namespace {

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

// A label at the label column and its value at the value column.
void Labelled(CReportOutput& out, const char* label, const std::string& value) {
  out.TextAtLabelColumn(label);
  std::snprintf(out.LineBuffer, sizeof out.LineBuffer, "%s", value.c_str());
  out.WriteValueLine();
}

void Value(CReportOutput& out, const std::string& value) {
  std::snprintf(out.LineBuffer, sizeof out.LineBuffer, "%s", value.c_str());
  out.WriteValueLine();
}

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Whether a library list ends inside its room (an empty name last), so
// that walking it stays inside the block.
bool ListTerminated(const char* list) {
  if (!list) return false;
  for (size_t i = 0; i + 1 < FANDOR_LIBRARY_LIST_SIZE; ++i)
    if (list[i] == 0 && (i == 0 || list[i + 1] == 0)) return true;
  return false;
}

const char* PeakTypeName(char type) {
  switch (type) {
    case 'M': return "MaxIon ";
    case 'L': return "Loss   ";
    case 'R': return "Rank   ";
    default: return "Normal ";
  }
}

const char* ModeName(int32_t mode) {
  switch (mode) {
    case 'Q': return "Quick";
    case 'S': return "Simple";
    case 'H': return "Hybrid";
    case 'L': return "Loss";
    default: return "Normal";
  }
}

// Packed fields are taken by value.
int32_t Held(int32_t count) { return count < 0 ? 0 : count > SEARCH_MOST_ITEMS ? SEARCH_MOST_ITEMS : count; }

bool HitUsable(const STRUCT_NIST_HIT_TABLE* t) { return t && t->hits && t->count > 0; }

int32_t At(const int32_t* values, int32_t i) { return values ? values[i] : 0; }

}  // namespace

SEARCH_CONSTRAINTS ReadConstraints(const STRUCT_NIST_DEFS* defs) {
  SEARCH_CONSTRAINTS c{};
  if (!defs) return c;
  std::memcpy(&c, defs->searchParameters, sizeof c);
  // Counts come from stored settings: keep them to the arrays' room.
  c.elementCount = Held(c.elementCount);
  c.ruleCount = Held(c.ruleCount);
  c.peakCount = Held(c.peakCount);
  return c;
}

bool AnyConstraint(const SEARCH_CONSTRAINTS& c) {
  return (c.mwMinimum > 0 && c.mwMaximum > 0) || c.nameFragment[0] || c.elementCount > 0 || c.ruleCount > 0 ||
         c.peakCount > 0 || c.otherDatabases;
}

int SearchedLibraryCount(const STRUCT_NIST_DEFS* defs) {
  if (!defs) return 0;
  return std::clamp<int>(defs->activeLibraryCount, 0, int(sizeof defs->libraryOptions));
}

bool LibraryPath(const STRUCT_NIST_DEFS* defs, int library, char* path) {
  path[0] = 0;
  if (!defs || library < 1 || library > 255 || !ListTerminated(defs->libraryList)) return false;
  char name[MAX_PATH] = {};
  if (!GetLibraryName(int16_t(library - 1), defs->libraryList, name)) return false;
  std::string full = name;
  // A bare name lies in the definitions' library folder.
  if (full.find_first_of("\\/") == std::string::npos) {
    std::string folder = Text(defs->libraryPath, sizeof defs->libraryPath);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    full = folder + full;
  }
  if (full.size() >= MAX_PATH) return false;
  std::memcpy(path, full.c_str(), full.size() + 1);
  return true;
}

STRUCT_SPT_PLUS* LibraryEntrySpectrum(const STRUCT_NIST_DEFS* defs, int library, int32_t entry) {
  char path[MAX_PATH] = {};
  if (entry < 1 || !LibraryPath(defs, library, path)) return nullptr;
  HSPECLIB lib = OpenSpectrumLibrary(path);
  if (!lib) return nullptr;
  STRUCT_NIST_SPT* nist = GetLibraryEntrySpectrum(lib, entry - 1);
  CloseSpectrumLibrary(lib);
  if (!nist) return nullptr;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    kelt::spectra::FreeNist(nist);
    return nullptr;
  }
  // The entry keeps the library name the reader gave it.
  char list[NIST_LIBRARY_NAME_SIZE] = {};
  std::memcpy(list, nist->libraryName, NIST_LIBRARY_NAME_SIZE - 1);
  PlusSpt_InitNISTSpt(spt, nist, 0, list);
  return spt;
}

std::vector<std::string> NamePieces(const std::string& name, size_t width) {
  std::vector<std::string> pieces;
  std::string rest = name;
  while (!rest.empty()) {
    size_t take = std::min(width, rest.size());
    if (rest.size() - take < 10) take = rest.size();
    else if (rest[take] == '-' || rest[take] == ' ' || rest[take] == ',') ++take;
    pieces.push_back(rest.substr(0, take));
    rest.erase(0, take);
  }
  return pieces;
}

}  // namespace kelt::reports

using namespace kelt::reports;

BOOL RPTS_WriteSearchHeader(CReportOutput* out, const STRUCT_NIST_SEARCH* search, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!search) return out->Ok;
  out->SelectNormalFont();
  out->LabelColumn = uint16_t(column);
  out->ValueColumn = 30;
  const std::string name = Text(search->name, sizeof search->name);
  Line(*out, name + " Results");
  out->LabelColumn = uint16_t(out->LabelColumn + 2);
  Labelled(*out, "Hits Found:", Printf("%d", search->hitTable ? std::max<int>(search->hitTable->count, 0) : 0));
  ++out->Line;
  out->LabelColumn = uint16_t(column);
  Line(*out, name + " Parameters");
  out->LabelColumn = uint16_t(out->LabelColumn + 2);
  if (search->kind == SEARCH_KIND_NAME || search->kind == SEARCH_KIND_NAME_EX) {
    Labelled(*out, "Name Fragment:", Text(search->nameFragment, sizeof search->nameFragment));
    Labelled(*out, "Requested Hits:",
             Printf("%d  (%sAlpha Only)", int(search->finalSearch), search->alphaOnly ? "" : "Not "));
  } else {
    if (search->kind == SEARCH_KIND_PEAKS) RPTS_WriteSearchPeaks(out, &search->peaks, column);
    if (search->kind == SEARCH_KIND_SPECTRUM) RPTS_WriteSearchMode(out, &search->mode, column);
    if (search->constraintsOn && search->defs) {
      out->TextAtLabelColumn("Constraints");
      ++out->Line;
      const SEARCH_CONSTRAINTS c = ReadConstraints(search->defs);
      RPTS_WriteSearchConstraints(out, &c, column);
    } else {
      Labelled(*out, "Constraints:", "---");
    }
    if (search->kind != SEARCH_KIND_NO_PRESEARCH && search->preSearch > 0)
      Labelled(*out, "Requested Pre-Search:", Printf("%d", int(search->preSearch)));
    if (search->finalSearch > 0) Labelled(*out, "Requested Final Search:", Printf("%d", int(search->finalSearch)));
  }
  if (search->defs) RPTS_WriteSearchLibraries(out, search->defs);
  return out->Ok;
}

BOOL RPTS_WriteSearchConstraints(CReportOutput* out, const SEARCH_CONSTRAINTS* constraints, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!constraints) return out->Ok;
  const uint16_t kept = out->LabelColumn;
  out->LabelColumn = uint16_t(column + 4);
  SEARCH_CONSTRAINTS c = *constraints;
  c.elementCount = Held(c.elementCount);
  c.ruleCount = Held(c.ruleCount);
  c.peakCount = Held(c.peakCount);
  Labelled(*out, "MW Range:",
           c.mwMinimum > 0 && c.mwMaximum > 0 ? Printf("%d - %d", int(c.mwMinimum), int(c.mwMaximum)) : "---");
  const std::string fragment = Text(c.nameFragment, sizeof c.nameFragment);
  Labelled(*out, "Name Fragment:", fragment.empty() ? "---" : fragment);
  Labelled(*out, "Elements in Compound:", c.elementCount ? Printf("%d", int(c.elementCount)) : "---");
  if (c.elementCount) {
    // Element symbols fill their two characters without a terminator.
    std::string symbols = "   ";
    for (int i = 0; i < c.elementCount; ++i) symbols += Printf("%.2s ", c.elementSymbols[i]);
    out->TextAtLabelColumn(c.someElements ? "   Some of these and no others." : "   All of these and no others.");
    Value(*out, symbols);
  }
  Labelled(*out, "Element Counts:", c.ruleCount ? Printf("%d", int(c.ruleCount)) : "---");
  for (int i = 0; i < c.ruleCount; ++i) {
    const char relation = std::isprint(static_cast<unsigned char>(c.ruleRelations[i])) ? c.ruleRelations[i] : '?';
    Value(*out, Printf("   %.2s %c %d", c.ruleSymbols[i], relation, int(c.ruleValues[i])));
  }
  if (!c.peakCount) {
    Labelled(*out, "Peaks:", "---");
  } else {
    Labelled(*out, "Peaks:", Printf("%d", int(c.peakCount)));
    const int16_t font = out->FontIndex;
    out->SelectFixedFont();
    Value(*out, "   Type      m/z  From    To");
    for (int i = 0; i < c.peakCount; ++i)
      Value(*out, Printf("   %s  %4d  %4d  %4d", PeakTypeName(c.peakTypes[i]), int(c.peakMass[i]), int(c.peakFrom[i]),
                         int(c.peakTo[i])));
    Value(*out, std::string("   Peak Mode:  ") + (c.absolutePeaks ? "Absolute" : "Relative"));
    if (font >= 0) out->SelectFontByIndex(font);
  }
  if (c.otherDatabases) {
    char db[200] = {};
    FormatDBText(c.otherDatabases, db);
    Labelled(*out, "Other Databases:", db);
  } else {
    Labelled(*out, "Other Databases:", "---");
  }
  out->LabelColumn = kept;
  return out->Ok;
}

BOOL RPTS_WriteSearchPeaks(CReportOutput* out, const SEARCH_PEAKS* peaks, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!peaks) return out->Ok;
  out->TextAtColumn(int16_t(column + 2), "Search Peaks");
  ++out->Line;
  const uint16_t keptValue = out->ValueColumn;
  out->ValueColumn = uint16_t(column + 4);
  const int16_t font = out->FontIndex;
  out->SelectFixedFont();
  Value(*out, "Type    Ion    From       To");
  const int count = std::clamp<int>(peaks->count, 0, SEARCH_MOST_ITEMS);
  for (int i = 0; i < count; ++i) {
    const int ion = peaks->ions[i], from = peaks->from[i], to = peaks->to[i];
    switch (peaks->types[i]) {
      case 0: Value(*out, Printf("Normal  %4d    %3d%%     %3d%%", ion, from, to)); break;
      case 1: Value(*out, Printf("Loss    %4d    %3d%%     %3d%%", ion, from, to)); break;
      case 2: Value(*out, Printf("MaxIon %4d    %3d%%     %3d%%", ion, from, to)); break;
      case 4: Value(*out, Printf("Rank    %4d    %3d      %3d", ion, from, to)); break;
      default: Value(*out, ""); break;
    }
  }
  if (font >= 0) out->SelectFontByIndex(font);
  out->ValueColumn = keptValue;
  return out->Ok;
}

BOOL RPTS_WriteSearchMode(CReportOutput* out, const SEARCH_MODE* mode, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!mode) return out->Ok;
  const uint16_t kept = out->LabelColumn;
  out->LabelColumn = uint16_t(column + 2);
  Labelled(*out, "Search Mode:", std::string(ModeName(mode->mode)) + (mode->reverse ? " (Reverse)" : " (Forward)"));
  if (mode->mode == 'H' || mode->mode == 'L') Labelled(*out, "MW:", Printf("%d", int(mode->molecularWeight)));
  Labelled(*out, "m/z Range:", Printf("%d - %d", int(mode->massLow), int(mode->massHigh)));
  Labelled(*out, "Min Intensity:", Printf("%d", int(mode->minimumIntensity)));
  out->LabelColumn = kept;
  return out->Ok;
}

BOOL RPTS_WriteSearchLibraries(CReportOutput* out, const STRUCT_NIST_DEFS* defs) {
  if (!out || !out->Ok) return 0;
  const int count = SearchedLibraryCount(defs);
  if (count == 0) return out->Ok;
  out->TextAtLabelColumn(count == 1 ? "Search One Library:" : Printf("Search %d Libraries:", count).c_str());
  char letter = 'A';
  for (int i = 0; i < count; ++i) {
    const int number = defs->libraryOptions[i] ? defs->libraryOptions[i] : i + 1;
    char name[MAX_PATH] = {};
    if (ListTerminated(defs->libraryList)) GetLibraryName(int16_t(number - 1), defs->libraryList, name);
    const std::string prefix = count == 1 ? std::string() : Printf("%c. ", letter);
    Value(*out, prefix + Lower(std::string(name).substr(0, 60)));
    if (letter < 'Z') ++letter;
  }
  return out->Ok;
}

BOOL RPTS_WriteMSPSearchParameters(CReportOutput* out, const STRUCT_MSP_SEARCH* search, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!search) return out->Ok;
  out->SelectNormalFont();
  out->LabelColumn = uint16_t(column);
  out->ValueColumn = 30;
  Line(*out, Text(search->name, sizeof search->name) + " Parameters");
  out->LabelColumn = uint16_t(out->LabelColumn + 2);
  RPTS_WriteSearchMode(out, &search->mode, column);
  const SEARCH_CONSTRAINTS c = ReadConstraints(search->defs);
  // The definitions keep no flag of their own for constraints here: any
  // constraint set turns the block on.
  if (search->defs && AnyConstraint(c)) {
    out->TextAtLabelColumn("Constraints");
    ++out->Line;
    RPTS_WriteSearchConstraints(out, &c, column);
  } else {
    Labelled(*out, "Constraints:", "---");
  }
  Labelled(*out, "Requested Pre-Search:", Printf("%d", int(search->preSearch)));
  Labelled(*out, "Requested Final Search:", Printf("%d", int(search->finalSearch)));
  if (search->defs) RPTS_WriteSearchLibraries(out, search->defs);
  return out->Ok;
}

void FormatNistHitSimilarity(const STRUCT_NIST_SEARCH* search, int32_t hit, char* text) {
  if (!text) return;
  text[0] = 0;
  if (!search || search->kind != SEARCH_KIND_SPECTRUM || !HitUsable(search->hitTable)) return;
  const STRUCT_NIST_HIT_TABLE* t = search->hitTable;
  if (hit < 0 || hit >= t->count) return;
  const int reverse = At(t->reverse, hit), forward = At(t->forward, hit);
  if (search->mode.mode == 'I' && search->mode.reverse == 0)
    std::snprintf(text, 80, "R.Match: %4d,  F.Match: %4d,  Probability: %.2f", reverse, forward,
                  At(t->probability, hit) / 100.0);
  else
    std::snprintf(text, 80, "R.Match: %4d,  F.Match: %4d", reverse, forward);
}

int32_t FormatNistMSPHitSimilarity(const STRUCT_MSP_SEARCH* search, int32_t index, char* text) {
  if (!text) return 0;
  text[0] = 0;
  if (!search || index < 0 || index >= search->count) return 0;
  const int reverse = At(search->reverse, index), forward = At(search->forward, index);
  const int32_t probability = At(search->probability, index);
  int n;
  if (search->mode.mode == 'I' && search->mode.reverse == 0 && probability != 0)
    n = std::snprintf(text, 80, "R.Match: %d,  F.Match: %d,  Probability: %.2f", reverse, forward,
                      probability / 100.0);
  else
    n = std::snprintf(text, 80, "R.Match: %4d,  F.Match: %4d", reverse, forward);
  return std::clamp(n, 0, 79);
}

STRUCT_SPT_PLUS* GetSearchHitSpectrum(const STRUCT_NIST_SEARCH* search, int32_t hit) {
  if (!search || !HitUsable(search->hitTable) || !search->entries) return nullptr;
  if (hit < 0 || hit >= search->hitTable->count) return nullptr;
  const int32_t library = search->hitTable->hits[hit];
  if (library < 1) return nullptr;
  return LibraryEntrySpectrum(search->defs, library, search->entries[hit]);
}

STRUCT_SPT_PLUS* GetMSPSearchHitSpectrum(const STRUCT_MSP_SEARCH* search, int32_t index) {
  if (!search || !search->matched || index < 0 || index >= search->count) return nullptr;
  const int library = search->libraries ? search->libraries[index] : 1;
  return LibraryEntrySpectrum(search->defs, library, search->matched[index]);
}

BOOL RPTS_WriteHitBlock(CReportOutput* out, const STRUCT_NIST_SEARCH* search, int16_t column) {
  if (!out || !out->Ok) return 0;
  if (!search || !HitUsable(search->hitTable)) return 1;
  const STRUCT_NIST_HIT_TABLE* t = search->hitTable;
  for (int32_t i = 0; i < t->count && out->Ok; ++i) {
    out->StepStatusDialog();
    if (t->hits[i] == -1) continue;
    STRUCT_SPT_PLUS* hit = GetSearchHitSpectrum(search, i);
    if (!hit) return 0;
    const NIST_AUX_DATA* aux = hit->nistSpt ? hit->nistSpt->aux : nullptr;
    const std::string name = aux ? Text(aux->name, sizeof aux->name) : Text(hit->name, sizeof hit->name);
    const std::vector<std::string> pieces = NamePieces(name, 70);
    const int room = int(name.size() / 70 + 6);
    if (out->Line + room > out->LastLine && !out->NewPage()) {
      PlusSpt_Free(hit);
      return 0;
    }
    const int16_t start = out->Line;
    out->SelectNormalFont();
    out->LabelColumn = uint16_t(column);
    auto line = [&](const std::string& text) {
      if (out->Ok) Line(*out, text);
    };
    line(Printf("%d", int(i + 1)));
    for (const std::string& piece : pieces) line(Printf("%-70s", piece.c_str()));
    char similarity[96] = {};
    FormatNistHitSimilarity(search, i, similarity);
    char formula[128] = {};
    const std::string stored = aux ? Text(aux->formula, sizeof aux->formula) : Text(hit->formula, sizeof hit->formula);
    FormatFormula(stored.c_str(), formula);
    line(Printf("%s%sFormula: %s", similarity, similarity[0] ? "  " : "", formula));
    char cas[40] = {};
    FormatCASNumber(aux ? aux->ids[3] : hit->casNumber, cas);
    line(Printf("MW: %d  CAS No: %s", int(aux ? (aux->ids[5] & 0xFFFF) : hit->molecularWeight), cas));
    const std::string library = hit->nistSpt ? Text(hit->nistSpt->libraryName, NIST_LIBRARY_NAME_SIZE) : "";
    line(Printf("Entry #: %ld of %s", long(search->entries[i]), library.c_str()));
    const NIST_ENTRY_DETAILS* details = NistEntryDetails(aux);
    char db[200] = {};
    FormatDBText(details ? details->databases : 0, db);
    line(Printf("NIST No: %ld  Other Databases: %s", long(details ? details->nistNumber : 0), db));
    if (out->Ok && HasDrawableStructure(hit)) {
      // The structure stands beside the text, from its first line to one
      // below its last (or to the last line of the page).
      const int16_t end = out->Line;
      const bool shortened = end + 1 > out->LastLine;
      const int16_t height = int16_t(end - start + (shortened ? 0 : 1));
      out->SelectSmallFont();
      out->Line = start;
      DrawChemStructure(*out, hit, 0, 2, 1, int16_t(out->Columns - 36), int16_t(out->Columns - column), height);
      out->Line = int16_t(shortened ? end : end + 1);
    }
    PlusSpt_Free(hit);
  }
  return out->Ok;
}
