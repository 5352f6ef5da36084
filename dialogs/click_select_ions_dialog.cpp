// The click-select-ions window.
#include "dialogs/click_select_ions_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/data_file_utils.h"
#include "common/ion_formula_status.h"
#include "common/library_state.h"
#include "common/plot_descriptors.h"
#include "common/segment_plots.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectra/spectrum_managers.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, CLICK_SELECT_IONS_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Click and/or Click and Drag to Select Ions to Plot";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_SETFONT;
  t.cx = 260;
  t.cy = 104;
  const DWORD text = WS_VISIBLE | SS_LEFT;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items = {
      {-1, "Static", "Ions:", text, 0, 6, 8, 36, 10},
      {IDC_CSI_IONS, "Static", "", text | SS_SUNKEN, 0, 44, 7, 210, 11},
      {-1, "Static", "File:", text, 0, 6, 22, 36, 10},
      {IDC_CSI_FILE, "Static", "", text | SS_SUNKEN, 0, 44, 21, 210, 11},
      {IDC_CSI_SCANS_LABEL, "Static", "Scans:", text, 0, 6, 36, 36, 10},
      {IDC_CSI_SCANS, "Static", "", text | SS_SUNKEN, 0, 44, 35, 210, 11},
      {-1, "Static", "Ion formula:", text, 0, 6, 52, 60, 10},
      {IDC_CSI_FORMULA, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 6, 63, 248, 13},
      {IDC_CSI_CLEAR, "Button", "Clear", push, 0, 6, 84, 56, 14},
      {IDC_CSI_PLOT, "Button", "Plot", push | WS_DISABLED, 0, 68, 84, 56, 14},
      {IDCANCEL, "Button", "Close", push, 0, 198, 84, 56, 14},
  };
  AddDialog(module, CLICK_SELECT_IONS_DIALOG, t);
}

void CopyPath(char* to, const char* from) {
  const size_t n = from ? strnlen(from, 259) : 0;
  if (n) std::memcpy(to, from, n);
  to[n] = 0;
}

std::string ChanText(const STRUCT_CHAN_LIST& list) {
  char text[400] = {};
  if (!FormatChanList(text, &list)) text[0] = 0;
  return text;
}

}  // namespace

namespace kelt::dlg {
void ValidIons(const STRUCT_WORK_FILE* wf, double* lowest, double* highest) {
  *lowest = kelt::wff::LowestMass(wf);
  *highest = kelt::wff::HighestMass(wf);
  if (*highest > *lowest || !wf) return;
  // Files without a type descriptor: the acquisition's own mass limits.
  if (wf->msInfo.upperMassLimit > wf->msInfo.lowerMassLimit) {
    *lowest = wf->msInfo.lowerMassLimit;
    *highest = wf->msInfo.upperMassLimit;
  }
}
}  // namespace kelt::dlg

using kelt::dlg::ValidIons;

CClickSelectIonsDlg::CClickSelectIonsDlg(CWnd* owner, CDataReviewManager* manager, int16_t index)
    : CDialog(), m_owner(owner ? owner->GetSafeHwnd() : nullptr), m_manager(manager), m_index(index) {
  m_massList.window = 0.5;
  AddTemplate();
  Create(CLICK_SELECT_IONS_DIALOG, owner);
}

BOOL CClickSelectIonsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendDlgItemMessage(IDC_CSI_FORMULA, EM_LIMITTEXT, 301, 0);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CSI_PLOT), FALSE);
  FindInitialSource();
  return TRUE;
}

void CClickSelectIonsDlg::FindInitialSource() {
  if (!m_manager) return;
  const STRUCT_TOL_SPT* first = nullptr;
  int16_t firstIndex = 0;
  for (int16_t plot = 0; plot < 2; ++plot) {
    const STRUCT_SPT_PLUS* spt = KELT_DRM_GetSpectrumFromCtrl(m_manager, m_index, plot);
    const STRUCT_TOL_SPT* tol = spt ? spt->tolSpt : nullptr;
    if (!tol || !tol->dataFilePath[0]) continue;
    if (!first) {
      first = tol;
      firstIndex = plot;
      continue;
    }
    // A second spectrum of another file or other scans leaves no source.
    if (_stricmp(tol->dataFilePath, first->dataFilePath) != 0 ||
        _stricmp(ChanText(tol->chanList).c_str(), ChanText(first->chanList).c_str()) != 0)
      return;
  }
  if (!first) return;
  char path[260];
  CopyPath(path, first->dataFilePath);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
  if (!wf) return;
  CopyPath(m_path, path);
  m_chanList = first->chanList;
  m_sourceKind = 1;
  m_spectrumIndex = firstIndex;
  m_workFile = wf;
  m_decimals = kelt::wff::MassDecimals(wf);
  ShowFileAndScans();
}

void CClickSelectIonsDlg::OnOK() {
  // Enter in the formula field keeps the window open.
  if (::GetFocus() == ::GetDlgItem(m_hWnd, IDC_CSI_FORMULA)) return;
  OnCancel();
}

void CClickSelectIonsDlg::OnCancel() {
  if (m_owner && ::IsWindow(m_owner)) ::SendMessageA(m_owner, CSI_CLOSED, 0, 0);
  DestroyWindow();
}

void CClickSelectIonsDlg::PostNcDestroy() {
  DropSource();
  delete this;
}

void CClickSelectIonsDlg::DropSource() {
  if (m_workFile) FreeWorkFileStruct(m_workFile);
  m_workFile = nullptr;
  if (m_scanFuns) FreeBlock(m_scanFuns);
  m_scanFuns = nullptr;
}

void CClickSelectIonsDlg::ShowFileAndScans() {
  const char* shown = m_secondPath[0] ? m_secondPath : m_path;
  char file[300] = {};
  if (shown[0]) KELT_TruncateFileString(shown, 75, file);
  SetDlgItemText(IDC_CSI_FILE, file);
  std::string label = "Scans:", value;
  if (!m_path[0]) {
    value.clear();
  } else if (m_scanFuns) {
    char title[661] = {};
    SCAN_FUN_GetPlotTitle(m_workFile, &m_massList, m_scanFuns, title, 660);
    value = title;
  } else if (m_chanList.kind == 0) {
    value = "Merged";
  } else if (m_chanList.kind == 2) {
    value = "All";
  } else {
    label = "Channels:";
    value = ChanText(m_chanList);
  }
  SetDlgItemText(IDC_CSI_SCANS_LABEL, label.c_str());
  SetDlgItemText(IDC_CSI_SCANS, value.c_str());
}

void CClickSelectIonsDlg::ShowFormula() {
  char text[420] = {};
  if (m_hasIons && !FormatMassListText(text, &m_massList, m_decimals)) text[0] = 0;
  m_busy = true;
  SetDlgItemText(IDC_CSI_IONS, text);
  SetDlgItemText(IDC_CSI_FORMULA, text);
  m_busy = false;
}

void CClickSelectIonsDlg::EnablePlot() {
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CSI_PLOT), m_path[0] && m_hasIons ? TRUE : FALSE);
}

void CClickSelectIonsDlg::AddPick(const STRUCT_CCSPT_CHRO_REQUEST* pick) {
  auto* pickScans = static_cast<STRUCT_SCAN_FUN_ARRAY*>(pick->scanFuns);
  char path[260];
  CopyPath(path, pick->dataFile);
  if (!path[0] || !FileExists(path)) {
    if (pickScans) FreeBlock(pickScans);  // not taken: ours to free
    return;
  }
  m_busy = true;
  const bool sameFile = m_path[0] && _stricmp(path, m_path) == 0;
  STRUCT_WORK_FILE* temporary = nullptr;
  STRUCT_WORK_FILE* wf = sameFile ? m_workFile : nullptr;
  if (!wf) wf = temporary = MakeWorkFileStruct(path, 0);
  bool taken = false;
  const double a = pick->lowMass, b = pick->highMass;  // the record is packed
  double low = std::min(a, b), high = std::max(a, b);
  double lowest = 0, highest = 0;
  ValidIons(wf, &lowest, &highest);
  // Any overlap with the valid ion range counts, also a drag across all of it.
  if (wf && low <= highest && high >= lowest) {
    low = std::max(low, lowest);
    high = std::min(high, highest);
    STRUCT_CHAN_LIST pickChans{};
    std::memcpy(&pickChans, pick->chanList, std::min(sizeof pickChans, sizeof pick->chanList));
    bool sameScans = false;
    if (sameFile) {
      if (m_scanFuns && pickScans) sameScans = SCAN_FUN_Compare(m_scanFuns, pickScans) != 0;
      else if (!m_scanFuns && !pickScans) sameScans = _stricmp(ChanText(m_chanList).c_str(), ChanText(pickChans).c_str()) == 0;
    }
    if (!sameScans) {
      if (m_scanFuns) FreeBlock(m_scanFuns);
      m_scanFuns = pickScans;
      taken = true;
      CopyPath(m_path, path);
      CopyPath(m_secondPath, pick->secondPath);
      CopyPath(m_thirdPath, pick->thirdPath);
      m_chanList = pickChans;
      m_massList = STRUCT_MASS_LIST{};
      m_massList.kind = MASS_LIST_RANGES;
      m_massList.count = 1;
      m_massList.ranges[0].low = low;
      m_massList.ranges[0].high = high;
      m_massList.window = 0.5;
      m_hasIons = true;
      m_sourceKind = m_scanFuns ? 301 : 1;
      m_spectrumIndex = pick->pane;
      if (temporary) {
        if (m_workFile) FreeWorkFileStruct(m_workFile);
        m_workFile = temporary;
        temporary = nullptr;
      }
      m_decimals = kelt::wff::MassDecimals(m_workFile);
    } else if (!m_hasIons || m_massList.kind != MASS_LIST_RANGES) {
      m_massList = STRUCT_MASS_LIST{};
      m_massList.kind = MASS_LIST_RANGES;
      m_massList.count = 1;
      m_massList.ranges[0].low = low;
      m_massList.ranges[0].high = high;
      m_massList.window = 0.5;
      m_hasIons = true;
    } else if (m_massList.count < CSI_MOST_RANGES) {
      m_massList.ranges[m_massList.count].low = low;
      m_massList.ranges[m_massList.count].high = high;
      ++m_massList.count;
    } else {
      ShowTimedMessage(m_hWnd, "FULL", 2000);
    }
    ShowFileAndScans();
    EnablePlot();
    ShowFormula();
  }
  if (!taken && pickScans) FreeBlock(pickScans);
  if (temporary) FreeWorkFileStruct(temporary);
  m_busy = false;
}

void CClickSelectIonsDlg::FormulaChanged() {
  if (m_busy) return;
  char text[600] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_CSI_FORMULA, text, sizeof text);
  if (!text[0] && m_path[0]) {
    Clear();
    return;
  }
  bool usable = true;
  if (m_workFile) {
    char status[KELT_ION_FORMULA_STATUS_SIZE] = {};
    double lowest = 0, highest = 0;
    ValidIons(m_workFile, &lowest, &highest);
    usable = KELT_GetStatusStringForIonFormula(text, lowest, highest, status) != 0;
    if (!usable) {
      m_hasIons = false;
      SetDlgItemText(IDC_CSI_IONS, status);
    }
  }
  if (usable) {
    STRUCT_MASS_LIST parsed{};
    parsed.window = 0.5;
    ParseMassList(text, &parsed);
    if (parsed.count > 0 || parsed.kind != MASS_LIST_RANGES) {
      m_massList = parsed;
      m_hasIons = true;
    }
    char canonical[420] = {};
    if (m_hasIons && FormatMassListText(canonical, &m_massList, m_decimals)) SetDlgItemText(IDC_CSI_IONS, canonical);
  }
  EnablePlot();
}

void CClickSelectIonsDlg::Clear() {
  m_massList = STRUCT_MASS_LIST{};
  m_massList.window = 0.5;
  m_chanList = STRUCT_CHAN_LIST{};
  m_hasIons = false;
  DropSource();
  m_path[0] = m_secondPath[0] = m_thirdPath[0] = 0;
  m_busy = true;
  for (int id : {IDC_CSI_IONS, IDC_CSI_FILE, IDC_CSI_SCANS, IDC_CSI_FORMULA}) SetDlgItemText(id, "");
  m_busy = false;
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CSI_PLOT), FALSE);
  FindInitialSource();
}

void CClickSelectIonsDlg::Plot() {
  if (!m_path[0] || !m_workFile || !m_hasIons) return;
  STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(m_scanFuns ? m_scanFuns->count : 0);
  if (!pd) return;
  pd->massList = m_massList;
  pd->chanList = m_chanList;
  if (m_scanFuns) {
    pd->dataType = PD_TYPE_SCAN_FUNCTIONS;
    std::memcpy(&pd->scanFuns, m_scanFuns, offsetof(STRUCT_SCAN_FUN_ARRAY, entries) +
                                               sizeof(SCAN_FUN_ENTRY) * m_scanFuns->count);
    SCAN_FUN_GetPlotTitle(m_workFile, &m_massList, m_scanFuns, pd->name, 98);
  } else {
    pd->dataType = KELT_GetDataTypeFromMassType(m_massList.kind);
    PD_MakePlotDescriptor(pd->name, pd->dataType, &m_massList, &m_chanList, m_workFile);
  }
  STRUCT_CCSPT_NEW_PD request{};
  request.block = pd;
  CopyPath(request.dataFile, m_path);
  CopyPath(request.thirdPath, m_thirdPath);
  if (!m_owner || !::SendMessageA(m_owner, CSI_NEW_PLOT, 0, reinterpret_cast<LPARAM>(&request))) PD_FreePD(pd);
}

BOOL CClickSelectIonsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDC_CSI_FORMULA:
      if (HIWORD(wParam) == EN_CHANGE) FormulaChanged();
      return TRUE;
    case IDC_CSI_CLEAR: Clear(); return TRUE;
    case IDC_CSI_PLOT: Plot(); return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
  }
}

LRESULT CClickSelectIonsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CSI_PICK) {
    if (lParam) AddPick(reinterpret_cast<const STRUCT_CCSPT_CHRO_REQUEST*>(lParam));
    return 0;
  }
  if (msg == WM_CLOSE) {
    OnCancel();
    return 0;
  }
  // Context menu and "What's This?"; this window has no Help button.
  if (m_help.Handle(this, msg, wParam, lParam, false)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}
