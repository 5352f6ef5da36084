// The library-search report makers: each builds its pages through one
// CReportOutput from the search records a host hands in.
#include "reportmakers/library_search_reports.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/data_file_utils.h"
#include "fandor/msp_library_files.h"
#include "orvik32/orvik32.h"
#include "reportmakers/library_search_blocks.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "spectra/library_entry_texts.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"

using namespace kelt::reports;

namespace {

constexpr int16_t kColumn = 4;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[640];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string TargetName(const STRUCT_NIST_SEARCH* s) { return Text(s->targetName, sizeof s->targetName); }

STRUCT_SPT_PLUS* Target(const STRUCT_NIST_SEARCH* s) {
  return s->kind == SEARCH_KIND_SPECTRUM ? s->target : nullptr;
}

bool HitsUsable(const STRUCT_NIST_SEARCH* s) {
  return s->hitTable && s->hitTable->hits && s->hitTable->count > 0 && s->entries;
}

// Frees a hit spectrum when it goes out of scope.
struct Hit {
  STRUCT_SPT_PLUS* p = nullptr;
  explicit Hit(STRUCT_SPT_PLUS* s) : p(s) {}
  ~Hit() { PlusSpt_Free(p); }
  Hit(const Hit&) = delete;
  Hit& operator=(const Hit&) = delete;
};

// Starts a page when fewer than lines remain below the current line.
bool Need(CReportOutput& out, int lines) {
  if (out.LastLine - out.Line >= lines) return true;
  return out.NewPage() != 0;
}

void SetFirstTitle(STRUCT_SPT_PLUS* spt, const char* title) {
  std::memset(spt->mainTitle, 0, sizeof spt->mainTitle);
  std::snprintf(spt->mainTitle, sizeof spt->mainTitle, "%s", title);
}

void Plot(CReportOutput& out, STRUCT_SPT_PLUS* spt, int16_t structure, int16_t height, int16_t right = 0) {
  DrawStackedSpectra(out, spt, 0, 0, 0, 0, structure, kColumn, right ? right : int16_t(out.Columns - 4), height);
}

bool ShowIonPairs(const CReportOutput& out) { return out.Prefs && out.Prefs->sptsReport.flags[0]; }

std::unique_ptr<CReportOutput> Start(char* file, STRUCT_REPORT_PREFS* prefs, const std::string& title,
                                     bool landscape = false) {
  auto out = StartSpectrumOutput(file, prefs, landscape);
  if (!out) return out;
  SetReportTitle(*out, title, kColumn);
  out->WriteHeaderLines();
  return out;
}

void SearchHeader(CReportOutput& out, const STRUCT_NIST_SEARCH* search) {
  TextFont(out);
  RPTS_WriteSearchHeader(&out, search, kColumn);
  ++out.Line;
}

}  // namespace

int32_t RPTS_MakeHitListReport(char* file, int16_t showStatus, STRUCT_REPORT_PREFS* prefs,
                               STRUCT_NIST_SEARCH* search) {
  if (!search) return 0;
  auto out = Start(file, prefs, TargetName(search) + " Hit List");
  if (!out) return 0;
  if (showStatus) out->OpenStatusDialog(search->hitTable ? search->hitTable->count : 0);
  SearchHeader(*out, search);
  if (STRUCT_SPT_PLUS* target = Target(search)) {
    if (Need(*out, 11)) {
      WriteText(*out, kColumn, "Target Spectrum");
      out->SelectSmallFont();
      Plot(*out, target, 0, 15);
      TextFont(*out);
      WriteSpectrumHeader(*out, target, nullptr, kColumn);
    }
  }
  if (!RPTS_WriteHitBlock(out.get(), search, kColumn)) out->Ok = 0;
  out->CloseStatusDialog();
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeBestHitListReport(char* file, int16_t showStatus, int16_t compact, STRUCT_REPORT_PREFS* prefs,
                                   STRUCT_NIST_SEARCH* search, int16_t best, int32_t) {
  if (!search) return 0;
  auto out = Start(file, prefs, Printf("Best %d Hits of %s", int(best), TargetName(search).c_str()));
  if (!out) return 0;
  if (showStatus) out->OpenStatusDialog(search->hitTable ? search->hitTable->count : 0);
  if (!compact) SearchHeader(*out, search);
  const int16_t structure = int16_t(compact || !ShowIonPairs(*out));
  if (STRUCT_SPT_PLUS* target = Target(search)) {
    if (Need(*out, 11)) {
      out->SelectSmallFont();
      WriteText(*out, kColumn, "Target Spectrum");
      Plot(*out, target, structure, 10);
      if (!compact) {
        TextFont(*out);
        WriteSpectrumPage(*out, target, kColumn, 0, 0);
      }
    }
  }
  int shown = 0;
  for (int32_t i = 0; HitsUsable(search) && i < search->hitTable->count && shown < best && out->Ok; ++i) {
    out->StepStatusDialog();
    TextFont(*out);
    if (search->hitTable->hits[i] == -1) continue;
    if (!Need(*out, 12)) break;
    char similarity[96] = {};
    FormatNistHitSimilarity(search, i, similarity);
    WriteText(*out, kColumn, Printf("Hit %d  %s", int(i + 1), similarity));
    Hit hit(GetSearchHitSpectrum(search, i));
    if (!hit.p) {
      out->Ok = 0;
      break;
    }
    out->SelectSmallFont();
    SetFirstTitle(hit.p, "Match");
    Plot(*out, hit.p, structure, 10);
    TextFont(*out);
    WriteSpectrumHeader(*out, hit.p, nullptr, kColumn, compact != 0);
    if (!compact) WriteSpectrumPage(*out, hit.p, kColumn, 0, 0);
    ++shown;
  }
  out->CloseStatusDialog();
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeMatchHitReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_NIST_SEARCH* search, int32_t index,
                                int32_t) {
  if (!search) return 0;
  auto out = Start(file, prefs, Printf("Hit %d of %s", int(index + 1), TargetName(search).c_str()));
  if (!out) return 0;
  SearchHeader(*out, search);
  Hit hit(GetSearchHitSpectrum(search, index));
  if (!hit.p) {
    out->Ok = 0;
    return FinishSpectrumOutput(*out);
  }
  char similarity[96] = {};
  FormatNistHitSimilarity(search, index, similarity);
  WriteText(*out, kColumn, Printf("Hit %d  %s", int(index + 1), similarity));
  STRUCT_SPT_PLUS* target = Target(search);
  const int16_t height = target ? 32 : 10;
  if (Need(*out, height + 1)) {
    out->SelectSmallFont();
    if (target) {
      PlotRanges ranges;
      const int32_t reverse = search->hitTable->reverse ? search->hitTable->reverse[index] : 0;
      const int32_t forward = search->hitTable->forward ? search->hitTable->forward[index] : 0;
      DrawSpectraWithDifference(*out, target, hit.p, ranges, 1, 0, 0, nullptr, reverse, forward, kColumn,
                                int16_t(out->Columns - 4), height);
    } else {
      Plot(*out, hit.p, 0, height);
    }
  }
  TextFont(*out);
  if (target && Need(*out, 3)) {
    WriteSpectrumHeader(*out, target, "Target", kColumn);
    WriteSpectrumPage(*out, target, kColumn, 0, 0);
  }
  if (Need(*out, 3)) {
    WriteSpectrumHeader(*out, hit.p, target ? "Match" : nullptr, kColumn);
    WriteSpectrumPage(*out, hit.p, kColumn, 0, 0);
  }
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeNISTSearchTopTenReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_NIST_SEARCH* search) {
  if (!search) return 0;
  auto out = Start(file, prefs, "Top Ten Summary of " + TargetName(search), true);
  if (!out) return 0;
  SearchHeader(*out, search);
  out->SelectFixedFont();
  const bool matches = search->kind == SEARCH_KIND_SPECTRUM;
  WriteText(*out, kColumn,
            matches ? "Rank    Entry  Library  R.Match F.Match  Mol.Wt.   Name"
                    : "Rank    Entry  Library                   Formula                CAS Number   Mol.Wt.  Name");
  int listed = 0;
  int32_t first = -1;
  for (int32_t i = 0; HitsUsable(search) && i < search->hitTable->count && listed < 10 && out->Ok; ++i) {
    if (search->entries[i] <= 0) continue;
    Hit hit(GetSearchHitSpectrum(search, i));
    if (!hit.p) continue;
    if (first < 0) first = i;
    const STRUCT_NIST_SPT* nist = hit.p->nistSpt;
    const NIST_AUX_DATA* aux = nist ? nist->aux : nullptr;
    std::string library = nist ? Text(nist->libraryName, NIST_LIBRARY_NAME_SIZE) : "";
    if (library.size() > 8) library = library.substr(0, 8) + "...";
    const std::string name = aux ? Text(aux->name, sizeof aux->name) : Text(hit.p->name, sizeof hit.p->name);
    const int mw = aux ? int(aux->ids[5] & 0xFFFF) : int(hit.p->molecularWeight);
    std::string row;
    if (matches) {
      const STRUCT_NIST_HIT_TABLE* t = search->hitTable;
      row = Printf(" %2d %9ld %8s   %4d    %4d     %4d     %s", int(i + 1), long(search->entries[i]), library.c_str(),
                   int(t->reverse ? t->reverse[i] : 0), int(t->forward ? t->forward[i] : 0), mw, name.c_str());
    } else {
      char formula[128] = {}, cas[40] = {};
      FormatFormula(aux ? Text(aux->formula, sizeof aux->formula).c_str() : hit.p->formula, formula);
      FormatCASNumber(aux ? aux->ids[3] : hit.p->casNumber, cas);
      row = Printf(" %2d %9ld %8s  %24s  %24s   %4d     %s", int(i + 1), long(search->entries[i]), library.c_str(),
                   formula, cas, mw, name.c_str());
    }
    WriteText(*out, kColumn, row.substr(0, 114));
    ++listed;
  }
  ++out->Line;
  out->SelectSmallFont();
  STRUCT_SPT_PLUS* target = Target(search);
  const int16_t height = int16_t(std::max(out->LastLine - out->Line, 4));
  if (first >= 0) {
    Hit hit(GetSearchHitSpectrum(search, first));
    if (hit.p) {
      SetFirstTitle(hit.p, "Match");
      if (target) {
        PlotRanges ranges;
        const STRUCT_NIST_HIT_TABLE* t = search->hitTable;
        DrawSpectraWithDifference(*out, target, hit.p, ranges, 1, 0, 0, nullptr, t->reverse ? t->reverse[first] : 0,
                                  t->forward ? t->forward[first] : 0, kColumn, 116, height);
      } else {
        Plot(*out, hit.p, 0, height, 116);
      }
    }
  } else if (target) {
    Plot(*out, target, 0, height, 116);
  }
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeMSPHitListReport(char* file, int16_t showStatus, STRUCT_REPORT_PREFS* prefs,
                                  STRUCT_MSP_SEARCH* search, int32_t) {
  if (!search) return 0;
  auto out = Start(file, prefs, "Search NIST Libraries for spectra in Spectrum List File");
  if (!out) return 0;
  const int32_t count = std::max<int32_t>(search->count, 0);
  if (showStatus) out->OpenStatusDialog(count);
  TextFont(*out);
  char cut[128] = {};
  const std::string path = Text(search->listPath, sizeof search->listPath);
  KELT_TruncateFileString(path.c_str(), 70, cut);
  std::string lower = cut;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  WriteText(*out, kColumn, "File: " + lower);
  ++out->Line;
  RPTS_WriteMSPSearchParameters(out.get(), search, kColumn);
  ++out->Line;
  STRUCT_GLOBAL_PREFS global{};
  KELT_GetCurrDefGlobalPrefs(&global);
  CAccessMSPFile list(global.features.greekCharacters);
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt || !list.Open(path.c_str()) || !list.CreateIndexes()) {
    out->Ok = 0;
  }
  for (int32_t i = 0; i < count && out->Ok; ++i) {
    out->StepStatusDialog();
    const int32_t entry = search->matched ? search->matched[i] : 0;
    char text[96] = {};
    if (entry == 0) std::snprintf(text, sizeof text, "No Match");
    else if (entry < 0) std::snprintf(text, sizeof text, "Deleted Match");
    else FormatNistMSPHitSimilarity(search, i, text);
    STRUCT_LIST_SPT* entrySpt = list.ReadSpectrum(i);
    if (!entrySpt) break;
    std::memset(spt, 0, sizeof *spt);
    PlusSpt_InitListSpt(spt, entrySpt);
    Hit match(entry > 0 ? GetMSPSearchHitSpectrum(search, i) : nullptr);
    if (entry > 0 && !match.p) {
      LIST_Free(entrySpt);
      break;
    }
    if (Need(*out, match.p ? 19 : 11)) {
      out->SelectLargeFont();
      WriteText(*out, kColumn, Printf("%d.  %s", int(i + 1), text));
      out->SelectSmallFont();
      if (match.p) {
        PlotRanges ranges;
        DrawSpectraWithDifference(*out, spt, match.p, ranges, 1, 0, 0, nullptr,
                                  search->reverse ? search->reverse[i] : 0, search->forward ? search->forward[i] : 0,
                                  kColumn, 76, 18);
      } else {
        DrawStackedSpectra(*out, spt, 0, 0, 0, 0, 0, kColumn, 76, 10);
      }
      TextFont(*out);
      WriteSpectrumHeader(*out, spt, "Target", kColumn);
      if (match.p) WriteSpectrumHeader(*out, match.p, "Match", kColumn);
    }
    LIST_Free(entrySpt);
    spt->listSpt = nullptr;
  }
  FreeBlock(spt);
  out->CloseStatusDialog();
  return FinishSpectrumOutput(*out);
}
