// Plots the user chooses for the reference-spectra control: the control
// takes an overlay of its own, offers its plots in the multiple-file
// selection and, once the user confirms, reorders, changes, opens and drops
// plots so that each slot shows the row chosen for it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/data_points.h"
#include "common/number_format.h"
#include "common/plot_titles.h"
#include "common/mass_lists.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "specialctl/ref_spectra_control.h"
#include "win/win_crt.h"

namespace {

constexpr UINT_PTR kLiveTimer = 1;
constexpr UINT kLiveTimerMs = 4000;
constexpr UINT_PTR kApplyTimer = 40;
constexpr UINT kApplyTimerMs = 500;
constexpr double kSameRange = 1e-9;

bool RowHoldsFile(const STRUCT_MULT_FILES_ROW& r) { return r.inUse && r.path[0]; }

void SetFlag(int16_t* flags, int16_t* count, int slot, bool on) {
  if ((flags[slot] != 0) == on) return;
  flags[slot] = on ? 1 : 0;
  *count = static_cast<int16_t>(*count + (on ? 1 : -1));
}

// The row's path as a terminated string.
void RowPath(const STRUCT_MULT_FILES_ROW& r, char (&path)[sizeof r.path + 1]) {
  std::memset(path, 0, sizeof path);
  std::memcpy(path, r.path, sizeof r.path);
}

// The slot already shows what the row asks for.
bool Unchanged(const OVERLAY_SLOT& s, const STRUCT_MULT_FILES_ROW& r, const char* rowPath) {
  if (!s.workFile || _stricmp(s.workFile->filePath, rowPath) != 0) return false;
  if (s.scanFunArray && r.scanFuns)
    return SCAN_FUN_Compare(s.scanFunArray, r.scanFuns) && KELT_IsSameMassList(&s.massList, &r.massList);
  if (s.scanFunArray || r.scanFuns) return false;
  return s.plotKind == static_cast<uint16_t>(r.dataType) && s.plotSubKind == static_cast<uint16_t>(r.channel) &&
         KELT_IsSameMassList(&s.massList, &r.massList) && KELT_IsSameChanList(&s.chanList, &r.chanList);
}

}  // namespace

bool CCtlOPlot1::TakeOverOverlay() {
  if (!m_ownOverlay || !m_pOverlay) {
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    if (!o) return false;
    o->head.displayMode = OVERLAY_MODE_STACKED;
    o->head.activePlot = -1;
    // The host keeps its own overlay; the control no longer reads it and
    // starts from an empty display.
    const bool hadHostOverlay = m_pOverlay != nullptr;
    m_pOverlay = o;
    m_ownOverlay = 1;
    if (hadHostOverlay) OnNoPlotData(0, 0);
  }
  MakeRefSptsSets();
  return true;
}

void CCtlOPlot1::FreePickedFiles() {
  auto* rows = static_cast<STRUCT_MULT_FILES_ROW*>(m_pPickedFiles);
  if (!rows) return;
  for (int i = 0; i < OPLOT_SLOTS; ++i)
    if (rows[i].scanFuns) FreeBlock(rows[i].scanFuns);
  FreeBlock(rows);
  m_pPickedFiles = nullptr;
}

LRESULT CCtlOPlot1::OnAskUserForFiles(WPARAM, LPARAM) {
  if (RefFeaturesOff() || !TakeOverOverlay()) return 0;
  // A confirmed selection not yet applied is applied first.
  if (m_pPickedFiles) return 0;
  SVW_OVERLAY* o = m_pOverlay;
  CancelMaximizePlot();
  RepaintIfAllowed();
  auto* rows = static_cast<STRUCT_MULT_FILES_ROW*>(AllocBlock(sizeof(STRUCT_MULT_FILES_ROW) * OPLOT_SLOTS));
  if (!rows) return 0;
  bool copied = true;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    STRUCT_MULT_FILES_ROW& r = rows[i];
    const OVERLAY_SLOT& s = o->slots[i];
    r.slot = static_cast<int16_t>(i);
    r.colour = m_prefs.colors.colors[CHRO_COLOR_PLOT0 + i];
    if (!o->tail.attached[i] || !s.workFile) continue;
    r.inUse = 1;
    std::snprintf(r.path, sizeof r.path, "%s", s.workFile->filePath);
    r.dataType = static_cast<int16_t>(s.plotKind);
    r.channel = static_cast<int16_t>(s.plotSubKind);
    r.chanList = s.chanList;
    r.massList = s.massList;
    std::memcpy(r.units, s.units, sizeof r.units);
    r.units[sizeof r.units - 1] = 0;
    std::snprintf(r.secondText, sizeof r.secondText, "%s", s.title);
    if (s.scanFunArray) {
      r.scanFuns = SCAN_FUN_Copy(s.scanFunArray);
      copied = copied && r.scanFuns;
    }
  }
  m_pPickedFiles = rows;
  if (!copied || !KELT_New_SelectMultipleFiles(m_hWnd, rows, OPLOT_SLOTS, "Select Plot(s)", nullptr, nullptr, 0)) {
    FreePickedFiles();
    return 0;
  }
  // The dialog's own messages are done before the table is applied.
  if (KELT_GetIsQUIB5()) {
    PostNotification(OP1N_SELECTION_PENDING, OPLOT_ROUTE_PARENT);
    m_zoomPending = 0;
    m_timeClickPending = 0;
  }
  SetTimer(kApplyTimer, kApplyTimerMs);
  return 0;
}

LRESULT CCtlOPlot1::OnInternal_1(WPARAM, LPARAM) {
  auto* rows = static_cast<STRUCT_MULT_FILES_ROW*>(m_pPickedFiles);
  if (!rows) return 0;
  ApplyPlotSelection(rows);
  FreePickedFiles();
  return 0;
}

void CCtlOPlot1::ApplyPlotSelection(STRUCT_MULT_FILES_ROW* rows) {
  if (!rows || RefFeaturesOff() || !TakeOverOverlay()) return;
  SVW_OVERLAY* o = m_pOverlay;
  HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  m_overlayUpdating = 1;
  m_lastDataFile[0] = 0;
  // Whether the whole time range was on view, and the range that was.
  OVERLAY_TAIL& t = o->tail;
  double start = t.viewStart, end = t.viewEnd;
  const bool wasWhole = !m_bSizesValid || (std::fabs(start - t.homeStart) < kSameRange && std::fabs(end - t.homeEnd) < kSameRange);
  if (!m_bSizesValid) start = end = 0;

  // Rows keep the slot their plot came from: the plots move to the rows' places first.
  short order[OPLOT_SLOTS];
  bool permutation = true, seen[OPLOT_SLOTS] = {};
  for (int k = 0; k < OPLOT_SLOTS; ++k) {
    order[k] = rows[k].slot;
    if (!OverlaySlotIndex(order[k]) || seen[order[k]]) permutation = false;
    else seen[order[k]] = true;
  }
  if (permutation) {
    CancelMaximizePlot();
    CancelMovingPlotLine();
    ExchangePlots(order);
    for (int k = 0; k < OPLOT_SLOTS; ++k) rows[k].slot = static_cast<int16_t>(k);
  }

  bool added = false, growing = false;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    STRUCT_MULT_FILES_ROW& e = rows[i];
    OVERLAY_SLOT& s = o->slots[i];
    const bool slotHas = o->tail.attached[i] && s.workFile;
    const bool rowHas = RowHoldsFile(e);
    if (!slotHas && !rowHas) continue;
    char path[sizeof e.path + 1];
    RowPath(e, path);
    if (slotHas && rowHas && Unchanged(s, e, path)) continue;
    if (slotHas) {
      if (rowHas && std::strcmp(s.workFile->filePath, path) == 0) {
        // The same file with another trace: its data go, the file stays open.
        QuickInt_CloseDialog(static_cast<short>(i));
        if (s.dataPresent && s.trace) FreeDataPointsStruct(s.trace);
        s.trace = nullptr;
        s.dataPresent = 0;
        s.inView = 0;
        SetFlag(o->tail.inView, &o->tail.inViewCount, i, false);
        SetFlag(o->head.shown, &o->head.shownCount, i, false);
      } else {
        DeleteOnePlot(static_cast<short>(i), 1);
      }
    }
    if (!rowHas) continue;
    const bool kept = o->tail.attached[i] && s.workFile;
    if (!kept) {
      STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
      if (!wf) continue;
      std::memset(&s, 0, sizeof s);
      s.workFile = wf;
      s.filePresent = 1;
      SetFlag(o->tail.attached, &o->tail.attachedCount, i, true);
      std::memcpy(m_lastDataFile, path, sizeof m_lastDataFile - 1);
      added = true;
      // A file another slot follows while it is acquired is followed here too.
      for (int k = 0; k < OPLOT_SLOTS; ++k) {
        const STRUCT_WORK_FILE* other = o->slots[k].workFile;
        if (k == i || !other || !other->live || _stricmp(other->filePath, wf->filePath) != 0) continue;
        wf->live = 1;
        wf->endTime = other->endTime;
        growing = true;
        break;
      }
    } else if (!s.workFile->live) {
      if (CRefSpts* set = RefSpts(static_cast<short>(i)))
        set->SetPlotType(e.dataType, &e.massList, &e.chanList, e.scanFuns, nullptr, o, static_cast<short>(i),
                         &m_prefs.plotData, m_twoTimeBC, m_bcTime1, m_bcTime2);
    }
    SetFlag(o->head.shown, &o->head.shownCount, i, true);
    s.plotKind = static_cast<uint16_t>(e.dataType);
    s.plotSubKind = static_cast<uint16_t>(e.channel);
    s.chanList = e.chanList;
    s.massList = e.massList;
    if (s.scanFunArray) FreeBlock(s.scanFunArray);
    if (s.segPlots) FreeBlock(s.segPlots);
    s.segPlots = nullptr;
    s.scanFunArray = e.scanFuns;
    e.scanFuns = nullptr;
    if (e.units[0]) std::snprintf(s.units, sizeof s.units, "%.*s", static_cast<int>(sizeof e.units - 1), e.units);
    else KELT_GetUnitsForDataType(e.dataType, s.massList.kind, 0, s.workFile, s.units);
    if (e.secondText[0]) {
      std::snprintf(s.title, sizeof s.title, "%.*s", static_cast<int>(sizeof e.secondText - 1), e.secondText);
    } else {
      char title[1024] = {};
      KELT_MakeTolmarPlotTitle(title, e.dataType, &s.massList, &s.chanList, s.workFile);
      std::snprintf(s.title, sizeof s.title, "%s", title);
    }
    s.versionNumber = s.versionCount = 0;
  }

  if (!added || !wasWhole) {
    double from = 0, to = 0;
    UpdateOverlayTimeRange(start, end, &from, &to);
    start = from;
    end = to;
  } else {
    start = end = 0;
  }
  UpdateOverlayPlotType();
  RefreshMarkerSlots();
  if (added) PostNotification(OP1N_FILE_ADDED, OPLOT_ROUTE_PARENT);
  ::SetCursor(old);
  m_overlayUpdating = 0;
  UpdateOverlayDisplay1(start, end, 1, 0, o->head.displayMode);
  m_reportedActive = m_activePlot;
  PostNotification(OP1N_ACTIVE_PLOT_CHANGED, OPLOT_ROUTE_PARENT);

  if (added && !wasWhole) {
    int outside = 0;
    for (int i = 0; i < OPLOT_SLOTS; ++i) outside += o->head.shown[i] && o->tail.attached[i] && !o->tail.inView[i];
    if (outside > 0) {
      char text[64];
      if (outside == 1) std::snprintf(text, sizeof text, "File out of time range.");
      else std::snprintf(text, sizeof text, "%d files out of time range.", outside);
      HWND shown = ShowTimedMessage(m_hWnd, text, 2000);
      if (shown) ::UpdateWindow(shown);
    }
  }
  if (growing) SetTimer(kLiveTimer, kLiveTimerMs);
  if (KELT_GetIsQUIB5()) PostNotification(OP1N_SELECTION_APPLIED, OPLOT_ROUTE_PARENT);
}
