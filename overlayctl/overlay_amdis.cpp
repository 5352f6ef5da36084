// The deconvolution and analysis of a plot's data file, whose components or
// identifications come back as the plot's annotations, and the version
// dialog of a plot's data file.
#include <cstring>
#include <memory>

#include "dialogs/version_info_dialog.h"
#include "fandor/amdis_runs.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/overlay.h"
#include "plotengine/result_annotations.h"
#include "win/win_user.h"

namespace {

constexpr unsigned short kNoticeAmdisDone = 9;
constexpr UINT kVersionDialog = 3180;

}  // namespace

LRESULT CCtlOPlot::OnDoAMDISDeconvolution(WPARAM wParam, LPARAM lParam) {
  RunAMDIS(static_cast<short>(wParam < OPLOT_SLOTS ? wParam : OPLOT_SLOTS), reinterpret_cast<const void*>(lParam),
           false);
  return 0;
}

LRESULT CCtlOPlot::OnDoAMDISAnalysis(WPARAM wParam, LPARAM lParam) {
  RunAMDIS(static_cast<short>(wParam < OPLOT_SLOTS ? wParam : OPLOT_SLOTS), reinterpret_cast<const void*>(lParam),
           true);
  return 0;
}

void CCtlOPlot::RunAMDIS(short slot, const void* hostRecord, bool analysis) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || slot < 0 || slot >= OPLOT_SLOTS || !hostRecord) return;
  STRUCT_WORK_FILE* wf = o->slots[slot].workFile;
  // Raw MS data or centroid MS data, and not data the run must leave out
  // (a file still being acquired).
  if (!wf || !(wf->directHeader || wf->centroid) || wf->live) return;
  // The host's record is ours for the run.
  AMDIS_ANALYSIS_RECORD record{};
  std::memcpy(&record, hostRecord, analysis ? AMDIS_ANALYSIS_RECORD_SIZE : AMDIS_DECONVOLUTION_RECORD_SIZE);
  const int16_t filtered = m_filtering[0] == 1 || m_filtering[0] == 2 ? 1 : 0;
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));

  char reason[AMDIS_TEXT_SIZE] = {}, library[AMDIS_TEXT_SIZE] = {}, result[AMDIS_TEXT_SIZE] = {};
  const BOOL fit = analysis ? CheckAMDISAnalysis(wf, wf->startTime, wf->endTime, reason, library, result)
                            : CheckAMDISDeconvolution(wf, reason);
  if (fit) {
    void*& kept = m_amdisAnnotations[slot];
    OPLOT_FreeAnnotationStrings(static_cast<STRUCT_ANNOTATIONS*>(kept));
    kept = nullptr;
    if (analysis)
      DoAMDISAnalysisForFile(wf, &record, &o->slots[slot].chanList, 0);
    else
      DoAMDISDeconvolutionForFile(wf, &record, &o->slots[slot].chanList, 0);
    const STRUCT_AMDIS_ANNOTATIONS& prefs = m_prefs.amdisAnnotations;
    if (prefs.show) {
      const int16_t lineWidth = m_prefs.drawing.value102, breakAtName = m_prefs.drawing.flag100;
      kept = prefs.useELU ? OPLOT_CreateELUAnnotationStrings(o, slot, filtered, &prefs, lineWidth, breakAtName)
                          : OPLOT_CreateFINAnnotationStrings(o, slot, filtered, &prefs, lineWidth, breakAtName);
      RepaintUnlessSuspended();
    }
  }
  SetCursor(old);
  PostNotification(kNoticeAmdisDone, OPLOT_ROUTE_PARENT);
}

bool CCtlOPlot::OnVersionCommand(UINT id) {
  if (id < kVersionDialog || id >= kVersionDialog + OPLOT_SLOTS) return false;
  ShowVersionDialog(static_cast<short>(id - kVersionDialog));
  return true;
}

LRESULT CCtlOPlot::OnShowVersionDialog(WPARAM wParam, LPARAM) {
  if (wParam < OPLOT_SLOTS) ShowVersionDialog(static_cast<short>(wParam));
  return 0;
}

void CCtlOPlot::ShowVersionDialog(short slot) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!IsSecurityEnabled() || !o || slot < 0 || slot >= OPLOT_SLOTS) return;
  const OVERLAY_SLOT& s = o->slots[slot];
  if (!s.workFile || !s.filePresent) return;
  char name[sizeof s.displayFileName + 1] = {};
  std::memcpy(name, s.displayFileName, sizeof s.displayFileName);
  if (!name[0]) {
    std::memset(name, 0, sizeof name);
    std::strncpy(name, s.workFile->filePath, sizeof name - 1);
  }
  // A plot showing a version taken out of the archive is a copy: nothing to
  // protect and no archive of its own.
  const bool extracted = s.versionNumber > 0 && s.versionCount > 0;
  // The shown name may be a display name only; the archive and the
  // protection belong to the file itself.
  const char* path = s.workFile->filePath;
  CVersionInfoDlg dlg(this);
  dlg.SetFileInfo(name, extracted ? "" : path, extracted ? s.versionNumber : -1,
                  extracted ? 0 : static_cast<int16_t>(IsFileReadOnly(path) ? 1 : 0));
  dlg.SetVersionNumbers(this, o, slot);
  dlg.DoModal();
}
