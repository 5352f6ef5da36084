// The spectrum reports made from spectra alone (no control draws them):
// plot pages, spectrum and spectra reports, and the report of every
// spectrum of a list file.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "fandor/msp_library_files.h"
#include "orvik32/orvik32.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "reportmakers/spectrum_reports.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"

using namespace kelt::reports;

namespace {

constexpr int16_t kColumn = 4;

double Range(const double* ranges, int i) { return ranges ? ranges[i] : 0.0; }

PlotRanges RangesOf(const double* r) {
  PlotRanges p;
  p.massLow = Range(r, 0);
  p.massHigh = Range(r, 1);
  p.aLow = Range(r, 2);
  p.aHigh = Range(r, 3);
  p.bLow = Range(r, 6);
  p.bHigh = Range(r, 7);
  return p;
}

void IonBlock(CReportOutput& out, STRUCT_SPT_PLUS* spt, double low, double high) {
  WriteIonBlock(out, spt, low, high, false);
}

}  // namespace

int32_t RPTS_MakeSptPlotPage(char* file, STRUCT_REPORT_PREFS* prefs, int32_t, STRUCT_SPT_PLUS* spt, double massLow,
                             double massHigh, double intensityLow, double intensityHigh) {
  if (!spt) return 0;
  auto out = StartSpectrumOutput(file, prefs);
  if (!out) return 0;
  MakeSpectrumTitle(*out, spt, nullptr, kColumn);
  if (!NoHeaderOverride()) out->WriteHeaderLines();
  SelectPlotPageFont(*out);
  DrawStackedSpectra(*out, spt, massLow, massHigh, intensityLow, intensityHigh, prefs->sptsPlots.showStructures,
                     kColumn, int16_t(out->Columns - 4), int16_t(out->LastLine - out->Line));
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeSptPlotsPageEx(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                                const double* ranges, int32_t reverse, int32_t forward) {
  if (!a) return 0;
  auto out = StartSpectrumOutput(file, prefs);
  if (!out) return 0;
  MakeSpectrumTitle(*out, a, b, reverse, forward, kColumn);
  if (!NoHeaderOverride()) out->WriteHeaderLines();
  SelectPlotPageFont(*out);
  DrawSpectraWithDifference(*out, a, b, RangesOf(ranges), prefs->sptsReport.flags[2],
                            prefs->sptsPlots.showStructures, 0, nullptr, reverse, forward, kColumn,
                            int16_t(out->Columns - 4), int16_t(out->LastLine - out->Line));
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeSptPlotsPage(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                              const double* ranges) {
  return RPTS_MakeSptPlotsPageEx(file, prefs, a, b, ranges, 0, 0);
}

int32_t RPTS_MakeSpectrumReport(char* file, STRUCT_REPORT_PREFS* prefs, int32_t, STRUCT_SPT_PLUS* spt,
                                double massLow, double massHigh, double intensityLow, double intensityHigh) {
  if (!spt) return 0;
  auto out = StartSpectrumOutput(file, prefs);
  if (!out) return 0;
  MakeSpectrumTitle(*out, spt, nullptr, kColumn);
  out->WriteHeaderLines();
  out->SelectSmallFont();
  const bool ions = prefs->sptsReport.flags[0] != 0;
  DrawStackedSpectra(*out, spt, massLow, massHigh, intensityLow, intensityHigh, 0, kColumn,
                     int16_t(out->Columns - 4), int16_t(ions ? 20 : 40));
  TextFont(*out);
  WriteSpectrumHeader(*out, spt, nullptr, kColumn);
  IonBlock(*out, spt, massLow, massHigh);
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeSpectraReportEx(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                                 const double* ranges, int16_t target, int32_t reverse, int32_t forward) {
  if (!a || !b) return 0;
  auto out = StartSpectrumOutput(file, prefs);
  if (!out) return 0;
  MakeSpectrumTitle(*out, a, b, reverse, forward, kColumn);
  out->WriteHeaderLines();
  out->SelectSmallFont();
  const PlotRanges r = RangesOf(ranges);
  DrawSpectraWithDifference(*out, a, b, r, prefs->sptsReport.flags[2], 0, 0, nullptr, reverse, forward, kColumn,
                            int16_t(out->Columns - 4), 32);
  TextFont(*out);
  WriteSpectrumHeader(*out, a, target ? "Target" : "1st", kColumn);
  IonBlock(*out, a, r.massLow, r.massHigh);
  WriteSpectrumHeader(*out, b, target ? "Match" : "2nd", kColumn);
  IonBlock(*out, b, r.massLow, r.massHigh);
  WriteDifferenceSection(*out, a, b, r.massLow, r.massHigh);
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeSpectraReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                               const double* ranges, int16_t target) {
  return RPTS_MakeSpectraReportEx(file, prefs, a, b, ranges, target, 0, 0);
}

int32_t RPTS_MakeTextListReport(char* file, STRUCT_REPORT_PREFS* prefs, const char* listPath) {
  if (!listPath) return 0;
  auto out = StartSpectrumOutput(file, prefs);
  if (!out) return 0;
  char name[64] = {};
  KELT_TruncateFilenameString(listPath, 50, name);
  SetReportTitle(*out, std::string("List File:  ") + name, kColumn);
  out->WriteHeaderLines();
  STRUCT_GLOBAL_PREFS global{};
  KELT_GetCurrDefGlobalPrefs(&global);
  CAccessMSPFile list(global.features.greekCharacters);
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt || !list.Open(listPath) || !list.CreateIndexes()) out->Ok = 0;
  const int32_t count = out->Ok ? list.CountSpectra() : 0;
  long number = 0;
  for (int32_t i = 0; i < count && out->Ok; ++i) {
    STRUCT_LIST_SPT* entry = list.ReadSpectrum(i);
    if (!entry) continue;
    std::memset(spt, 0, sizeof *spt);
    PlusSpt_InitListSpt(spt, entry);
    spt->nameTitle[0] = spt->fileTitle[0] = 0;
    char label[24];
    std::snprintf(label, sizeof label, "%ld.", ++number);
    TextFont(*out);
    WriteSpectrumHeader(*out, spt, label, kColumn);
    out->SelectSmallFont();
    DrawStackedSpectra(*out, spt, 0, 0, 0, 0, 0, kColumn, int16_t(out->Columns - 4), 8);
    TextFont(*out);
    WriteSpectrumPage(*out, spt, kColumn, 0, 0);
    LIST_Free(entry);
    spt->listSpt = nullptr;
  }
  FreeBlock(spt);
  return FinishSpectrumOutput(*out);
}
