// Printing the spectrum control into a host's device context, and handing
// a spectrum to the deconvolution program.
#include "spectrumctl/spectrum_printing.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_char_size.h"
#include "common/preference_records.h"
#include "fandor/list_entries.h"
#include "fandor/nist_entries.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "spectra/spectrum_kinds.h"
#include "spectra/spectrum_text_files.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/stacked_spectra.h"
#include "win/win_kernel.h"

namespace {

// The report preferences' switch that lets the difference onto paper.
bool ReportDifferenceAllowed() { return kelt::prefs::DefaultReportPrefs().sptsReport.flags[0] != 0; }

std::string Bounded(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

// Name and extension (without its dot) of the last part of a path.
void NameAndExtension(const std::string& path, std::string* name, std::string* ext) {
  const size_t cut = path.find_last_of("\\/:");
  const std::string file = cut == std::string::npos ? path : path.substr(cut + 1);
  const size_t dot = file.find_last_of('.');
  *name = dot == std::string::npos ? file : file.substr(0, dot);
  *ext = dot == std::string::npos ? "" : file.substr(dot + 1);
}

std::string Format(const char* fmt, const char* a, const char* b, long n1, long n2 = 0) {
  char buffer[600];
  std::snprintf(buffer, sizeof buffer, fmt, a, b, n1, n2);
  return buffer;
}

std::string RawName(const STRUCT_SPT_PLUS* spt) {
  std::string n;
  if (spt->kind == SPT_KIND_TOL && spt->tolSpt) {
    const STRUCT_TOL_SPT* tol = spt->tolSpt;
    const std::string second = Bounded(tol->displayName, sizeof tol->displayName);
    std::string name, ext;
    NameAndExtension(second.empty() ? Bounded(tol->dataFilePath, sizeof tol->dataFilePath) : second, &name, &ext);
    if (!name.empty() || !ext.empty()) {
      n = tol->scansAveraged >= 2 && tol->lastScan != tol->firstScan
              ? Format("%s %s Scans%ld-%ld", name.c_str(), ext.c_str(), long(tol->firstScan), long(tol->lastScan))
              : Format("%s %s Scan%ld", name.c_str(), ext.c_str(), long(tol->header.scanNumber));
    }
  } else if (spt->kind == SPT_KIND_NIST && spt->nistSpt && spt->nistSpt->aux) {
    const std::string library = Bounded(spt->nistSpt->libraryName, sizeof spt->nistSpt->libraryName);
    char buffer[300];
    std::snprintf(buffer, sizeof buffer, "%s Entry%ld", library.c_str(), long(int32_t(spt->nistSpt->aux->entryWord)));
    n = buffer;
  } else if (spt->kind == SPT_KIND_LIST && spt->listSpt) {
    std::string name, ext;
    NameAndExtension(Bounded(spt->listSpt->listPath, sizeof spt->listSpt->listPath), &name, &ext);
    n = Format("%s %s-Entry%ld", name.c_str(), ext.c_str(), long(spt->listSpt->entryNumber));
  } else if (spt->kind == SPT_KIND_DIFF) {
    n = "DIFF";
  }
  if (n.empty()) {
    const char* titles[] = {spt->mainTitle, spt->nameTitle, spt->infoTitle, spt->fileTitle};
    for (const char* t : titles) {
      if (!n.empty()) break;
      n = Bounded(t, SPT_TITLE_SIZE);
    }
  }
  return n;
}

// Names come from files and titles: nothing in them may lead out of the
// temporary folder or make a name the file system refuses.
std::string Sanitised(std::string n) {
  for (char& c : n) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127 || std::strchr("\\/:*?\"<>|", c)) c = '_';
  }
  if (n.size() > SPT_DECON_NAME_MAX) n.resize(SPT_DECON_NAME_MAX);
  while (!n.empty() && (n.back() == ' ' || n.back() == '.')) n.pop_back();
  while (!n.empty() && n.front() == ' ') n.erase(0, 1);
  if (n.find_first_not_of('.') == std::string::npos) n = "Spectrum";
  return n;
}

}  // namespace

void MakeDeconvolutionFileName(const STRUCT_SPT_PLUS* spt, char* name, size_t size) {
  if (!name || !size) return;
  name[0] = 0;
  const std::string n = Sanitised(spt ? RawName(spt) : std::string());
  std::snprintf(name, size, "%s", n.c_str());
}

int32_t LaunchDeconvolution(STRUCT_SPT_PLUS* spt) {
  if (!spt) return 0;
  char program[MAX_PATH + 16] = {};
  if (!GetDeconvolutionProgramPath(program)) return 0;
  char folder[MAX_PATH + 1] = {};
  const DWORD got = GetTempPathA(MAX_PATH, folder);
  if (got == 0 || got >= MAX_PATH) return 0;
  char name[SPT_DECON_NAME_MAX + 1] = {};
  MakeDeconvolutionFileName(spt, name, sizeof name);
  const std::string path = std::string(folder) + name + ".tmp";
  if (path.size() >= MAX_PATH) return 0;
  if (!PlusSpt_PutSpectrumIntoThisTextFile(spt, 1, path.c_str())) {
    // A failed write is a failed launch, whatever the clean-up gives.
    if (FileExists(path.c_str())) DeleteFileA(path.c_str());
    return 0;
  }
  const std::string quoted = program[0] == '"' ? std::string(program) : "\"" + std::string(program) + "\"";
  const std::string arguments = "\"" + path + "\" -temp";
  return LaunchProgram(quoted.c_str(), arguments.c_str(), 3) ? 1 : 0;
}

LRESULT CCtlSpt::OnPrint(WPARAM, LPARAM lParam) {
  const auto* request = reinterpret_cast<const STRUCT_CCSPT_PRINT*>(lParam);
  if (!request || !request->dc || ShownCount() == 0) return 0;
  kelt::spectra::SetLibraryCharSize(request->charWidth, request->charHeight);
  const STRUCT_REPORT_PREFS& report = kelt::prefs::DefaultReportPrefs();
  CDrawStackedSpectra drawer;
  CDrawStackedSpectra* d = &drawer;
  // The spectra, their ranges and the mass range are those of the screen.
  InitDrawClass(d);
  d->ShowDeleteButtons = d->ShowActiveButtons = d->ShowMaxButtons = 0;
  d->WindowNumber = 0;
  d->Maximized = 0;
  d->ShowStructure = report.sptsPlots.showStructures;
  d->LabelMasses = report.sptsPlots.showIonLabels;
  d->LabelIntensities = report.sptsPlots.showAmplitudes;
  d->LabelThreshold = report.sptsPlots.labelThreshold;
  d->DC = request->dc;
  d->ReportMode = 1;
  d->ReportColors = m_printColorsSet ? m_printColors : report.sptsColors;
  d->VertAxis = m_printScalesSet ? m_printScales[0] : report.sptsAxis0;
  d->HorzAxis = m_printScalesSet ? m_printScales[1] : report.sptsAxis1;
  d->Left = request->left;
  d->Top = request->top;
  d->Right = request->right;
  d->Bottom = request->bottom;
  d->CharWidth = request->charWidth;
  d->CharHeight = request->charHeight;
  d->PaintBackground = 0;
  d->BottomText[0] = 0;
  const int16_t skip[SPT_SLOTS] = {request->skipA, request->skipB, request->skipDifference};
  for (int p = 0; p < SPT_SLOTS; ++p) {
    const bool allowed = p < 2 || ReportDifferenceAllowed();
    if (skip[p] || !allowed) {
      d->Spectra[p] = nullptr;
      if (p < 2) d->SecondSpectra[p] = d->ThirdSpectra[p] = nullptr;
    }
  }
  d->DoJob();
  if (d->LayoutDone) {
    DrawLabels(request->dc, 1, request->left, request->bottom, request->right, request->top, d->VertScaleWidth,
               d->PlotWidth, d->BandHeight[0], d->BandHeight[1], d->BandHeight[2], d->HorzScaleHeight,
               request->charHeight);
  }
  return 0;
}
