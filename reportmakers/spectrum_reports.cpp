// The spectrum report makers: each builds its pages through one
// CReportOutput and stores them in the reports file.
#include "reportmakers/spectrum_reports.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/spectrum_control.h"

using kelt::reports::ControlMassRange;
using kelt::reports::DrawControlPicture;
using kelt::reports::WriteIonBlock;
using kelt::reports::WriteSpectrumHeader;

namespace {

constexpr int16_t kColumn = 4;

std::unique_ptr<CReportOutput> StartOutput(char* file, STRUCT_REPORT_PREFS* prefs) {
  return kelt::reports::StartSpectrumOutput(file, prefs);
}

int32_t Finish(CReportOutput& out) { return kelt::reports::FinishSpectrumOutput(out); }

using kelt::reports::NoHeaderOverride;
using kelt::reports::TextFont;

using kelt::reports::SelectPlotPageFont;

// A spectrum's header and ion block, then its centroid and smoothed
// companions, each with its own header and table.
void SpectrumSection(CReportOutput& out, STRUCT_SPT_PLUS* spt, const char* prefix, STRUCT_SPT_PLUS* centroid,
                     STRUCT_SPT_PLUS* smoothed, double low, double high) {
  WriteSpectrumHeader(out, spt, prefix, kColumn);
  WriteIonBlock(out, spt, low, high, false);
  if (centroid) {
    WriteSpectrumHeader(out, centroid, "Centroid", kColumn);
    WriteIonBlock(out, centroid, low, high, true);
  }
  if (smoothed) {
    WriteSpectrumHeader(out, smoothed, "Smoothed", kColumn);
    WriteIonBlock(out, smoothed, low, high, true);
  }
}

void DifferenceSection(CReportOutput& out, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, double low, double high) {
  kelt::reports::WriteDifferenceSection(out, a, b, low, high);
}

void Header(CReportOutput& out, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b) {
  kelt::reports::MakeSpectrumTitle(out, a, b, kColumn);
  if (!NoHeaderOverride()) out.WriteHeaderLines();
}

bool Usable(STRUCT_SPT_PLUS* spt, CWnd* control) { return spt && control && control->m_hWnd; }

}  // namespace

int32_t RPTS_MakeSptPlotPageFromCtl(char* file, int16_t whichPlot, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* spt,
                                    CWnd* control) {
  if (!Usable(spt, control)) return 0;
  auto out = StartOutput(file, prefs);
  if (!out) return 0;
  Header(*out, spt, nullptr);
  TextFont(*out);
  WriteSpectrumHeader(*out, spt, nullptr, kColumn);
  // Too little room left: the picture starts on a page of its own.
  if (out->LastLine - out->Line < 15) {
    out->Line = out->LastLine;
    out->LabelColumn = kColumn;
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer, "  ");
    out->WriteLine();
    out->NewPage();
  }
  SelectPlotPageFont(*out);
  DrawControlPicture(*out, control, whichPlot, 0);
  return Finish(*out);
}

int32_t RPTS_MakeSptPlotsPageFromCtl(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                                     CWnd* control) {
  if (!Usable(a, control)) return 0;
  auto out = StartOutput(file, prefs);
  if (!out) return 0;
  Header(*out, a, b);
  SelectPlotPageFont(*out);
  DrawControlPicture(*out, control, 3, 0);
  return Finish(*out);
}

int32_t RPTS_MakeSpectrumReportFromCtlEx(char* file, int16_t whichPlot, STRUCT_REPORT_PREFS* prefs,
                                         STRUCT_SPT_PLUS* spt, STRUCT_SPT_PLUS* centroid, STRUCT_SPT_PLUS* smoothed,
                                         CWnd* control) {
  if (!Usable(spt, control)) return 0;
  auto out = StartOutput(file, prefs);
  if (!out) return 0;
  Header(*out, spt, nullptr);
  out->SelectSmallFont();
  DrawControlPicture(*out, control, whichPlot, int16_t(prefs->sptsReport.flags[0] ? 20 : 40));
  TextFont(*out);
  double low = 0, high = 0;
  ControlMassRange(control, &low, &high);
  SpectrumSection(*out, spt, nullptr, centroid, smoothed, low, high);
  return Finish(*out);
}

int32_t RPTS_MakeSpectrumReportFromCtl(char* file, int16_t whichPlot, STRUCT_REPORT_PREFS* prefs,
                                       STRUCT_SPT_PLUS* spt, CWnd* control) {
  return RPTS_MakeSpectrumReportFromCtlEx(file, whichPlot, prefs, spt, nullptr, nullptr, control);
}

int32_t RPTS_MakeSpectraReportFromCtlEx(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a,
                                        STRUCT_SPT_PLUS* centroidA, STRUCT_SPT_PLUS* smoothedA, STRUCT_SPT_PLUS* b,
                                        STRUCT_SPT_PLUS* centroidB, STRUCT_SPT_PLUS* smoothedB, int16_t target,
                                        CWnd* control) {
  if (!Usable(a, control) || !b) return 0;
  auto out = StartOutput(file, prefs);
  if (!out) return 0;
  Header(*out, a, b);
  out->SelectSmallFont();
  DrawControlPicture(*out, control, 3, 32);
  TextFont(*out);
  double low = 0, high = 0;
  ControlMassRange(control, &low, &high);
  SpectrumSection(*out, a, target ? "Target" : "1st", centroidA, smoothedA, low, high);
  SpectrumSection(*out, b, target ? "Match" : "2nd", centroidB, smoothedB, low, high);
  // Only when the control shows the difference plot too.
  if (control->SendMessage(SPTM_GETSPTCOUNT, 1, 0) == 3) DifferenceSection(*out, a, b, low, high);
  return Finish(*out);
}

int32_t RPTS_MakeSpectraReportFromCtl(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b,
                                      int16_t target, CWnd* control) {
  return RPTS_MakeSpectraReportFromCtlEx(file, prefs, a, nullptr, nullptr, b, nullptr, nullptr, target, control);
}

int32_t RPTS_MakeRealTimeSpectrumFromCtl(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* spt,
                                         CWnd* control) {
  if (!Usable(spt, control) || spt->kind != SPT_KIND_TOL || !spt->tolSpt) return 0;
  auto out = StartOutput(file, prefs);
  if (!out) return 0;
  const STRUCT_TOL_SPT* tol = spt->tolSpt;
  const std::string source = tol->displayName[0]
                                 ? std::string(tol->displayName, strnlen(tol->displayName, SPT_DISPLAY_NAME_SIZE))
                                 : std::string(tol->dataFilePath, strnlen(tol->dataFilePath, SPT_PATH_SIZE));
  const long scan = long(tol->header.scanNumber);
  char title[200];
  char cut[300] = {};
  if (!source.empty()) {
    KELT_TruncateFileString(source.c_str(), int16_t(tol->profile ? 50 : 60), cut);
    if (tol->profile) std::snprintf(title, sizeof title, "Real Time %s Scan %ld from %s", "PROFILE", scan, cut);
    else std::snprintf(title, sizeof title, "Real Time Scan %ld from %s", scan, cut);
  } else if (tol->profile) {
    std::snprintf(title, sizeof title, "Real Time %s Scan %ld", "PROFILE", scan);
  } else {
    std::snprintf(title, sizeof title, "Real Time Scan %ld", scan);
  }
  std::snprintf(out->HeaderText[0], sizeof out->HeaderText[0], "%.80s", title);
  out->HeaderUsed[0] = 1;
  out->HeaderFont[0] = kFontLarge;
  out->HeaderColumn[0] = kColumn;
  out->HeaderLine[0] = 1;
  out->SetPageNumberTitle(out->HeaderText[0]);
  out->PageNumberOn = 1;
  out->FirstBodyLine = 3;
  if (!NoHeaderOverride()) out->WriteHeaderLines();
  out->SelectSmallFont();
  const bool ions = prefs->sptsReport.flags[0] != 0;
  DrawControlPicture(*out, control, 0, int16_t(ions ? 30 : 0));
  TextFont(*out);
  double low = 0, high = 0;
  ControlMassRange(control, &low, &high);
  WriteIonBlock(*out, spt, low, high, false);
  return Finish(*out);
}

int32_t RPTS_MakeMSMSReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_SPT_PLUS* spt, double massLow,
                            double massHigh, double intensityLow, double intensityHigh) {
  if (!spt || spt->kind != SPT_KIND_TOL || !spt->tolSpt || spt->tolSpt->header.scanKind != 13) return 0;
  const STRUCT_TOL_SPT* given = spt->tolSpt;
  // The precursor chain, given scan first, at most six levels deep.
  struct Level {
    STRUCT_SPT_PLUS* spt;
    bool owned;
  };
  std::vector<Level> levels{{spt, false}};
  auto freeLevels = [&levels] {
    for (Level& l : levels)
      if (l.owned) PlusSpt_Free(l.spt);
  };
  const std::string path(given->dataFilePath, strnlen(given->dataFilePath, SPT_PATH_SIZE));
  STRUCT_WORK_FILE* wf = path.empty() ? nullptr : MakeWorkFileStruct(path.c_str(), 0);
  bool failed = false;
  // Six levels at most: one label each, "Survey Scan" to "MS6 Scan".
  for (int step = 0; step < 6 && levels.size() < 6; ++step) {
    const STRUCT_TOL_SPT* latest = levels.back().spt->tolSpt;
    const uint32_t parent = latest ? latest->header.parentScan : 0;
    if (parent == 0) break;
    // A chain that comes back to a scan already in it ends there.
    bool seen = false;
    for (const Level& l : levels) seen = seen || (l.spt->tolSpt && l.spt->tolSpt->header.scanNumber == parent);
    if (seen) break;
    STRUCT_TOL_SPT* tol = wf ? TOL_MakeAvgSptFromScanRangeEx(wf, &given->chanList, given->scanFuns, parent, parent)
                             : nullptr;
    auto* made = tol ? static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS))) : nullptr;
    if (!made) {
      if (tol) FreeBlock(tol);
      failed = true;
      break;
    }
    PlusSpt_InitTolSpt(made, tol, path.c_str());
    PlusSpt_AddSDSInfoToTitles(made);
    std::memcpy(made->mainTitle, made->nameTitle, sizeof made->mainTitle);
    levels.push_back({made, true});
  }
  if (wf) FreeWorkFileStruct(wf);
  if (failed) {
    freeLevels();
    return 0;
  }
  auto out = StartOutput(file, prefs);
  if (!out) {
    freeLevels();
    return 0;
  }
  Header(*out, spt, nullptr);
  static const char* const kLabels[] = {"Survey Scan: %d", "MS/MS Scan: %d", "MS3 Scan: %d",
                                        "MS4 Scan: %d",    "MS5 Scan: %d",   "MS6 Scan: %d"};
  const int count = int(levels.size());
  // Each level: its label line and its plot.
  const int height = std::max(4, (out->LastLine - out->Line) / count - 1);
  for (int i = 0; i < count && out->Ok; ++i) {
    STRUCT_SPT_PLUS* level = levels[size_t(count - 1 - i)].spt;
    if (out->Line + height + 1 > out->LastLine) out->NewPage();
    out->SelectUNormalFont();
    out->LabelColumn = kColumn;
    std::snprintf(out->LineBuffer, sizeof out->LineBuffer, kLabels[i], int(level->tolSpt->header.scanNumber));
    out->WriteLine();
    SelectPlotPageFont(*out);
    kelt::reports::DrawStackedSpectra(*out, level, massLow, massHigh, intensityLow, intensityHigh,
                                      prefs->sptsPlots.showStructures, kColumn, int16_t(out->Columns - 4),
                                      int16_t(height - 1));
  }
  const int32_t made = Finish(*out);
  freeLevels();
  return made;
}
