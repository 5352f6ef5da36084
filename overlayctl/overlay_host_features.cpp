// The smaller features a host switches on or drives by message: typed ions
// for a new trace, saving a plot as a user plot descriptor, the reference
// plot, the last data file of the derived controls, the Process and Cancel
// buttons of the time-event waiting mode, the quick-integration windows,
// the transient filter, the background-correction rights check and the two
// preference commands of the context menu. Each reports to the host with a
// notification; the host fetches what waits with the getters.
#include <cstring>
#include <new>

#include "common/mass_lists.h"
#include "common/plot_descriptors.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "dialogs/integration_dialogs.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/segment_navigator.h"
#include "prefsheets/preference_sheets.h"
#include "win/win_user.h"

namespace {

enum : UINT {
  kNewReference = 2811,
  kNoReference = 2812,
  kToggleEditIons = 2813,
  kSaveUserDescriptor = 2815,
  kGeneralPrefs = 2823,
  kReportPrefs = 2824,
};

// Notification codes of the features.
enum : unsigned short {
  kNoticeNewReference = 13,
  kNoticeNoReference = 14,
  kNoticeProcess = 29,
  kNoticeCancel = 30,
  kNoticeNewPD = 42,
  kNoticeSavedPD = 45,
  kNoticeTypedIons = 404,
};

constexpr int kIonsTextLimit = 200;
constexpr int kIonsTextRead = 198;
constexpr int kTitleLength = 98;

// Numbers of the descriptors made here, shared by every control of the library.
int16_t g_descriptorNumber = 0;

void CopyPath(char* to, const char* from) {
  std::memset(to, 0, 260);
  if (from) std::memcpy(to, from, strnlen(from, 259));
}

}  // namespace

// ---- Edit ions -------------------------------------------------------------------------------

LRESULT CCtlOPlot::OnTurnOnEditIonsFeature(WPARAM wParam, LPARAM) {
  EI_TurnOnEditIonsFeature(static_cast<int16_t>(wParam) != 0);
  return 0;
}

void CCtlOPlot::EI_DeleteEditIonControls() {
  for (int id : {OPLOT_ID_EDIT_IONS, OPLOT_ID_IONS_TEXT})
    if (HWND h = m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr) ::DestroyWindow(h);
}

void CCtlOPlot::EI_TurnOnEditIonsFeature(bool on) {
  if (!m_hWnd) return;
  if (on) {
    // Switching on twice keeps the one pair of boxes.
    if (m_editIonsOn && NavChild(OPLOT_ID_EDIT_IONS)) return;
    m_editIonsOn = 1;
    HWND edit = OPLOT_MakeIndexEdit(m_hWnd, OPLOT_ID_EDIT_IONS, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, m_hWnd);
    HWND text = nullptr;
    if (edit) {
      ::SendMessageA(edit, EM_LIMITTEXT, kIonsTextLimit, 0);
      text = ::CreateWindowExA(0, WC_STATICA, "Ions: ", WS_CHILD | SS_RIGHT, 0, 0, 0, 0, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(OPLOT_ID_IONS_TEXT)), nullptr, nullptr);
      if (text) ::ShowWindow(text, SW_SHOW);
    }
    if (!edit || !text) {
      m_editIonsOn = 0;
      EI_DeleteEditIonControls();
      return;
    }
  } else {
    m_editIonsOn = 0;
    m_editIonsPending = 0;
    m_editIonsSlot = -1;
    if (m_pEditIonsBlock) FreeBlock(m_pEditIonsBlock);
    m_pEditIonsBlock = nullptr;
    EI_DeleteEditIonControls();
  }
  SizeControls();
  RepaintUnlessSuspended();
}

STRUCT_PLOT_DESCRIPTOR* CCtlOPlot::MakeSlotDescriptor(short slot, const STRUCT_MASS_LIST* massList,
                                                      int16_t firstField, bool dataTypeFromMasses) const {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot) || !massList) return nullptr;
  const OVERLAY_SLOT& s = o->slots[slot];
  // Segment plots and plots of a kind 100 have no descriptor of their own.
  if (s.plotKind == 300 || s.plotKind == 100) return nullptr;
  STRUCT_PLOT_DESCRIPTOR* pd = nullptr;
  if (s.plotKind == PD_TYPE_SCAN_FUNCTIONS && s.scanFunArray) {
    const uint32_t n = s.scanFunArray->count;
    pd = static_cast<STRUCT_PLOT_DESCRIPTOR*>(AllocBlock(PlotDescriptorSize(n) + PD_SLACK_BYTES));
    if (!pd) return nullptr;
    pd->kind = firstField;
    pd->dataType = static_cast<int16_t>(s.plotKind);
    pd->massList = *massList;
    pd->scanFuns.count = s.scanFunArray->count;
    std::memcpy(pd->scanFuns.entries, s.scanFunArray->entries, size_t(n) * sizeof(SCAN_FUN_ENTRY));
    SCAN_FUN_GetPlotTitle(s.workFile, &pd->massList, &pd->scanFuns, pd->name, kTitleLength);
  } else {
    pd = static_cast<STRUCT_PLOT_DESCRIPTOR*>(AllocBlock(sizeof(STRUCT_PLOT_DESCRIPTOR)));
    if (!pd) return nullptr;
    pd->kind = firstField;
    pd->dataType = dataTypeFromMasses ? KELT_GetDataTypeFromMassType(massList->kind) : static_cast<int16_t>(s.plotKind);
    pd->massList = *massList;
    pd->chanList = s.chanList;
    PD_MakePlotDescriptor(pd->name, pd->dataType, &pd->massList, &pd->chanList, s.workFile);
  }
  return pd;
}

void CCtlOPlot::EI_TakeTypedIons() {
  // Whatever cannot be taken gives the default beep and changes nothing.
  auto refuse = [] { ::MessageBeep(0); };
  HWND box = NavChild(OPLOT_ID_EDIT_IONS);
  char text[kIonsTextRead + 1] = {};
  const int length = box ? ::GetWindowTextA(box, text, sizeof text) : 0;
  SVW_OVERLAY* o = m_pOverlay;
  const short active = GetActivePlotIndex();
  if (length <= 0 || !o || active < 0) return refuse();
  // The derived control of kind 3 hands the typed ions to its host; the
  // others make a trace of the active plot's MS data.
  const bool toHost = m_controlKind == 3;
  const STRUCT_WORK_FILE* wf = o->slots[active].workFile;
  if (!toHost && !(OverlaySlotPresent(o, active) && wf && IsMSKind(wf))) return refuse();

  STRUCT_MASS_LIST masses{};
  if (!KELT_ConvertStringToMassList(text, wf, 1, &masses)) {
    ::SetWindowTextA(box, "Invalid Mass Range");
    return refuse();
  }
  short freeSlot = -1;
  for (short i = 0; i < OPLOT_SLOTS && freeSlot < 0; ++i)
    if (!o->slots[i].filePresent && !o->slots[i].workFile) freeSlot = i;
  if (freeSlot < 0) return refuse();

  if (toHost) {
    if (!m_pEditIonsBlock) m_pEditIonsBlock = AllocBlock(sizeof(STRUCT_MASS_LIST));
    if (!m_pEditIonsBlock) return;
    std::memcpy(m_pEditIonsBlock, &masses, sizeof masses);
    m_editIonsPending = 1;
    m_editIonsSlot = freeSlot;
    if (HWND parent = ::GetParent(m_hWnd))
      ::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), kNoticeTypedIons),
                     reinterpret_cast<LPARAM>(m_hWnd));
    return;
  }
  // A segment plot, or a plot of kind 100, is left alone: an unfetched
  // descriptor of an earlier list stays for the host.
  const uint16_t kind = o->slots[active].plotKind;
  if (kind == 300 || kind == 100) return;
  if (m_newPD) FreeBlock(m_newPD);
  m_newPD = nullptr;
  m_newPDFile[0] = m_newPDPath[0] = 0;
  if (HWND segmentBox = NavChild(OPLOT_ID_NAV_SEGMENT_MODE)) ::SetFocus(segmentBox);
  STRUCT_PLOT_DESCRIPTOR* pd =
      MakeSlotDescriptor(active, &masses, static_cast<int16_t>(g_descriptorNumber++ + 10), true);
  if (!pd) return;
  m_newPD = pd;
  CopyPath(m_newPDFile, wf->filePath);
  CopyPath(m_newPDPath, m_slotFiles[active].altPath);
  PostNotification(kNoticeNewPD, OPLOT_ROUTE_PARENT);
}

LRESULT CCtlOPlot::OnGetNewPD(WPARAM, LPARAM lParam) {
  if (!lParam || !m_newPD) return 0;
  auto* out = reinterpret_cast<STRUCT_OPLOT_NEW_PD*>(lParam);
  out->pd = m_newPD;  // the host's from now on
  std::memcpy(out->dataFile, m_newPDFile, sizeof out->dataFile);
  std::memcpy(out->path, m_newPDPath, sizeof out->path);
  m_newPD = nullptr;
  m_newPDFile[0] = m_newPDPath[0] = 0;
  return 1;
}

LRESULT CCtlOPlot::OnGetLastDataFile(WPARAM, LPARAM lParam) {
  if (!lParam || !m_lastDataFile[0]) return 0;
  CopyPath(reinterpret_cast<char*>(lParam), m_lastDataFile);
  m_lastDataFile[0] = 0;
  return 1;
}

// ---- User plot descriptors ---------------------------------------------------------------------

void CCtlOPlot::SaveSlotAsUserPD(short slot) {
  const SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot) || !o->slots[slot].workFile) return;
  STRUCT_PLOT_DESCRIPTOR* pd = MakeSlotDescriptor(slot, &o->slots[slot].massList, PD_KIND_USER_PLOT, false);
  if (!pd) return;
  // The dialog takes the descriptor over, whether the user saves it or not.
  PD_Dlg_SaveUserPD(pd, o->slots[slot].workFile->filePath, m_slotFiles[slot].altPath);
  PostNotification(kNoticeSavedPD, OPLOT_ROUTE_PARENT);
}

LRESULT CCtlOPlot::OnSaveActiveAsUserPD(WPARAM, LPARAM) {
  if (OverlaySlotIndex(m_activePlot)) SaveSlotAsUserPD(m_activePlot);
  return 0;
}

// ---- Reference plot --------------------------------------------------------------------------

LRESULT CCtlOPlot::OnEnableReferencePlot(WPARAM wParam, LPARAM) {
  m_referenceSelection = static_cast<int16_t>(wParam) ? 1 : 0;
  return 0;
}

LRESULT CCtlOPlot::OnGetNewReferencePlot(WPARAM, LPARAM) {
  if (!m_refPlotPending) return -1;
  m_refPlotPending = 0;
  return m_newReferencePlot;
}

// ---- Time-event waiting mode -----------------------------------------------------------------

void CCtlOPlot::TE_StartWaitingMode() {
  if (!m_teFeatureOn || !m_hWnd) return;
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | BS_PUSHBUTTON;
  const struct {
    int id;
    const char* text;
  } buttons[] = {{OPLOT_ID_TE_PROCESS, "Process"}, {OPLOT_ID_TE_CANCEL, "Cancel"}};
  for (const auto& b : buttons) {
    if (NavChild(b.id)) continue;
    HWND h = ::CreateWindowExA(0, WC_BUTTONA, b.text, style, 0, 0, 0, 0, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(b.id)), nullptr, nullptr);
    if (h) ::ShowWindow(h, SW_SHOW);
  }
  if (NavChild(OPLOT_ID_TE_PROCESS) && NavChild(OPLOT_ID_TE_CANCEL) && !m_timeEventWaitingForButtons) {
    m_timeEventWaitingForButtons = 1;
    if (!m_noRepaint) PostMessage(OPM_SIZETIMEEVENTBUTTONS, 0, 0);
  }
}

void CCtlOPlot::TE_DeleteControls() {
  for (int id : {OPLOT_ID_TE_PROCESS, OPLOT_ID_TE_CANCEL})
    if (HWND h = NavChild(id)) ::DestroyWindow(h);
}

void CCtlOPlot::TE_CancelWaitingMode() {
  m_timeEventWaitingForButtons = 0;
  TE_DeleteControls();
}

LRESULT CCtlOPlot::OnSizeTimeEventButtons(WPARAM, LPARAM) {
  HWND process = NavChild(OPLOT_ID_TE_PROCESS), cancel = NavChild(OPLOT_ID_TE_CANCEL);
  if (!process || !cancel) return 0;
  // As wide as the margin left of the traces once a drawing has laid it out.
  const PlotArea area = GetPlotArea();
  const int width = m_bSizesValid && area.left > 0 ? area.left : 7 * m_charWidth;
  const int height = m_charHeight + 4;
  const int bottom = m_plotTop + m_plotHeight;
  ::MoveWindow(process, 4, bottom - 2 * height, width, height, TRUE);
  ::MoveWindow(cancel, 4, bottom - height, width, height, TRUE);
  ::InvalidateRect(process, nullptr, TRUE);
  ::InvalidateRect(cancel, nullptr, TRUE);
  return 0;
}

// The spectrum selection of clicks (0 nearest point, 1 apex), as the toolbar's
// selection button sets it, without a notification: the host asked for it.
LRESULT CCtlOPlot::OnSingleClickForApex(WPARAM wParam, LPARAM) {
  if (wParam != 0 && wParam != 1) return 0;
  m_selectionType = static_cast<int16_t>(wParam);
  UpdateToolTips();
  return 0;
}

// ---- Quick integration -----------------------------------------------------------------------

LRESULT CCtlOPlot::OnOpenQuickIntegrationDialog(WPARAM wParam, LPARAM) {
  // Read whole: a value with a high part is no slot.
  if (wParam <= OPLOT_SLOTS) QuickInt_OpenDialog(static_cast<short>(wParam), 0);
  return 0;
}

LRESULT CCtlOPlot::OnOpenQuickIntegrationDialogForAll(WPARAM wParam, LPARAM) {
  QuickInt_OpenDialog(OPLOT_SLOTS, static_cast<short>(wParam));
  return 0;
}

void CCtlOPlot::QuickInt_OpenDialog(short slot, short option) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || slot < 0 || slot > OPLOT_SLOTS || m_controlKind == 4 || !m_hWnd) return;
  const bool all = slot == OPLOT_SLOTS;
  short taken[OPLOT_SLOTS] = {};
  int count = 0;
  uint16_t headerCode = 0;
  for (short i = all ? 0 : slot; i <= (all ? OPLOT_SLOTS - 1 : slot); ++i) {
    const OVERLAY_SLOT& s = o->slots[i];
    const STRUCT_WORK_FILE* wf = s.workFile;
    if (!OverlaySlotPresent(o, i) || !wf || !s.trace) continue;
    if (!all && m_pQuickInt[i]) continue;
    // Integration is offered for finished raw MS runs (as the context menu offers it).
    if (!wf->directHeader || wf->live) continue;
    if (count > 0 && wf->fileType != headerCode) continue;
    if (count == 0) headerCode = wf->fileType;
    taken[count++] = i;
  }
  if (count == 0) return;
  for (int k = 0; k < count && m_controlKind != 3; ++k) {
    OVERLAY_SLOT& s = o->slots[taken[k]];
    if (!s.scanFunInfo) {
      int16_t n = 0;
      s.scanFunInfo = PD_GetScanFunInfoForDataFile(s.workFile, &n, 0);
      s.scanFunInfoCount = s.scanFunInfo && n > 0 ? static_cast<uint16_t>(n) : 0;
    }
    GetDataForWholeTimeRange(taken[k]);
  }
  const short index = all && count == 1 ? taken[0] : slot;
  // One window a slot: asked again, the open one comes to the front.
  if (auto* open = static_cast<CQuickIntegrationDlg*>(m_pQuickInt[index])) {
    if (::IsWindow(open->m_hWnd)) {
      ::SetActiveWindow(open->m_hWnd);
      return;
    }
    m_pQuickInt[index] = nullptr;
  }
  const int16_t filterFlag = m_filtering[0] == 1 || m_filtering[0] == 2 ? 1 : 0;
  auto* dlg = new (std::nothrow) CQuickIntegrationDlg(this, index, this, headerCode, o, filterFlag, m_filtering,
                                                      &m_prefs.noise, OPM_CLOSEQUICKINTEGRATIONDIALOG, option);
  if (!dlg) return;
  if (!dlg->CreateWindowed()) {
    delete dlg;
    return;
  }
  m_pQuickInt[index] = dlg;
}

void CCtlOPlot::QuickInt_CloseDialog(short index) {
  if (index < 0 || index >= OPLOT_QUICKINT_DIALOGS || !m_pQuickInt[index]) return;
  auto* dlg = static_cast<CQuickIntegrationDlg*>(m_pQuickInt[index]);
  // Forgotten first: the closing window tells the control once more.
  m_pQuickInt[index] = nullptr;
  if (::IsWindow(dlg->m_hWnd)) dlg->DestroyWindow();
}

LRESULT CCtlOPlot::OnCloseQuickIntegrationDialog(WPARAM wParam, LPARAM) {
  // Read whole: a value with a high part is no dialog index.
  if (wParam < OPLOT_QUICKINT_DIALOGS) m_pQuickInt[wParam] = nullptr;
  return 0;
}

// ---- Transient filter --------------------------------------------------------------------------

LRESULT CCtlOPlot::OnEditFiltering(WPARAM, LPARAM) {
  int16_t before[6];
  std::memcpy(before, m_filtering, sizeof before);
  const SVW_OVERLAY* o = m_pOverlay;
  bool filteredBefore[OPLOT_SLOTS] = {};
  for (int s = 0; o && s < OPLOT_SLOTS; ++s)
    filteredBefore[s] = before[0] != 0 && o->slots[s].trace && o->slots[s].trace->filtered;
  CFilteringParamsDlg dlg(m_filtering, this);
  if (dlg.DoModal() != IDOK) {
    std::memcpy(m_filtering, before, sizeof before);
  } else {
    UpdateMinMaxInDataInfo();
    const bool changed = std::memcmp(before, m_filtering, sizeof before) != 0;
    // Noise labels measured on the other trace no longer hold.
    for (short s = 0; o && m_pLabels && s < OPLOT_SLOTS; ++s) {
      const bool filteredNow = m_filtering[0] != 0 && o->slots[s].trace && o->slots[s].trace->filtered;
      if (changed || filteredNow != filteredBefore[s]) {
        m_pLabels->DeleteSomeLabelsForPlot(s, 231);
        m_pLabels->DeleteSomeLabelsForPlot(s, 233);
      }
    }
  }
  const short same = std::memcmp(before, m_filtering, sizeof before) == 0 ? 1 : 0;
  UpdateAfterPreferenceChange(same, 1);
  return 0;
}

LRESULT CCtlOPlot::OnUpdateTransientFiltering(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  int16_t values[6];
  std::memcpy(values, reinterpret_cast<const void*>(lParam), sizeof values);
  if (std::memcmp(values, m_filtering, sizeof values) == 0) return 0;
  // A host's filter the filtering cannot work with changes nothing.
  if (KELT_CheckTransientFilter(values)) return 0;
  std::memcpy(m_filtering, values, sizeof values);
  UpdateAfterPreferenceChange(0, 1);
  return 0;
}

// ---- Rights ----------------------------------------------------------------------------------

int CCtlOPlot::CheckBackCorrRights() {
  if (!IsSecurityEnabled()) return 1;
  if (!CheckUserPrivilege(m_hWnd, 0, GetCurrentUserRights(), ORVIK_PRIV_BACKGROUND_CORRECTION, 0,
                          "Select/Edit Background Correction", 1))
    return 0;
  std::strcpy(m_rightsPrompt, "Provide a reason for editing the background data.");
  m_rightsReason[0] = 0;
  return AskChangeReason(m_hWnd, m_rightsPrompt, m_rightsReason) ? 1 : 0;
}

// ---- Commands --------------------------------------------------------------------------------

bool CCtlOPlot::OnHostFeatureCommand(UINT id) {
  // The context menu's plot: the one right-clicked, else the active one.
  const short plot = OverlaySlotIndex(m_rightClickSlot) ? m_rightClickSlot : GetActivePlotIndex();
  switch (id) {
    case OPLOT_ID_TE_PROCESS:
      PostNotification(kNoticeProcess, OPLOT_ROUTE_PARENT);
      return true;
    case OPLOT_ID_TE_CANCEL:
      TE_CancelWaitingMode();
      PostNotification(kNoticeCancel, OPLOT_ROUTE_PARENT);
      return true;
    case kNewReference:
      if (plot < 0) return true;
      m_refPlotPending = 1;
      m_newReferencePlot = plot;
      PostNotification(kNoticeNewReference, OPLOT_ROUTE_PARENT);
      return true;
    case kNoReference:
      PostNotification(kNoticeNoReference, OPLOT_ROUTE_PARENT);
      return true;
    case kToggleEditIons:
      EI_TurnOnEditIonsFeature(!m_editIonsOn);
      return true;
    case kSaveUserDescriptor:
      SaveSlotAsUserPD(plot);
      return true;
    case kGeneralPrefs:
      Dlg_EditGlobalPreferences(this);
      return true;
    case kReportPrefs:
      Dlg_EditReportPreferences(this, 0, 0);
      return true;
    default:
      return false;
  }
}
