// The integration window of the plot controls.
#include "dialogs/integration_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/scan_fun_info.h"
#include "common/work_file.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/edit_field_checks.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/label_manager.h"
#include "plotengine/plot_labels.h"
#include "pomsel/pomsel.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_commctrl.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

using win::resources::DialogItem;
using win::resources::DialogTemplate;

void Item(DialogTemplate& dlg, int id, const char* cls, const char* text, DWORD style, short x, short y, short cx,
          short cy) {
  DialogItem it;
  it.id = id;
  it.className = cls;
  it.text = text;
  it.style = WS_VISIBLE | style;
  it.x = x;
  it.y = y;
  it.cx = cx;
  it.cy = cy;
  dlg.items.push_back(it);
}

// The layout table: the eight controls of the upper part, then the panel.
const int16_t kLayoutIds[30] = {QI_LIST,        QI_PRINT,        QI_EXPORT,       QI_APPEND,       QI_DELETE,
                                QI_EDIT_PARAMS, QI_EXIT,         QI_GRIP,         QI_WIDTH_LABEL,  QI_WIDTH,
                                QI_SLOPE_LABEL, QI_SLOPE,        QI_TANGENT_LABEL, QI_TANGENT,     QI_REJECT_LABEL,
                                QI_REJECT,      QI_LOCK_WIDTH,   QI_USE_RMS,      QI_SHOW_LABELS,  QI_LOCAL,
                                QI_DATA_FILE,   QI_FILE_PARAMS,  QI_FILE_GROUP,   QI_LOCAL_GROUP,  3000,
                                QI_SAVE_PARAMS, QI_LOAD_PARAMS,  QI_CLEAR,        QI_INTEGRATE,    QI_PARAMS_GROUP};
constexpr int kHiddenRules = 8;
constexpr int kFirstPanelControl = 8;

KELT_LAYOUT_RULE LayoutRule(int i) {
  KELT_LAYOUT_RULE r{kLayoutIds[i], 1, 8, 1, 0};
  if (i == 0) r = {kLayoutIds[i], 0, 0, 1, 8};
  else if (i == 7) r = {kLayoutIds[i], 8, 8, 0, 0};
  else if (i >= kFirstPanelControl && i < 29) r = {kLayoutIds[i], 1, 8, 1, 0};
  else if (i == 29) r = {kLayoutIds[i], 0, 8, 1, 0};
  return r;
}

void EnsureTemplates() {
  const HMODULE module = kelt::lib::ModuleHandle();
  if (!win::resources::FindDialog(module, QUICK_INTEGRATION_DIALOG_ID)) {
    DialogTemplate t;
    t.caption = "Edit Integration Parameters";
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT;
    t.cx = 328;
    t.cy = 298;
    const DWORD push = BS_PUSHBUTTON | WS_TABSTOP;
    const DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    Item(t, QI_LIST, WC_LISTVIEWA, "",
         LVS_REPORT | LVS_OWNERDATA | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 4, 4, 320, 130);
    Item(t, QI_PRINT, "Button", "&Print", push, 4, 138, 104, 14);
    Item(t, QI_EXPORT, "Button", "&Export Results", push, 112, 138, 104, 14);
    Item(t, QI_APPEND, "Button", "&Append Results", push, 220, 138, 104, 14);
    Item(t, QI_DELETE, "Button", "&Delete Results", push, 4, 155, 104, 14);
    Item(t, QI_EDIT_PARAMS, "Button", "Hide &Parameters <<", push, 112, 155, 104, 14);
    Item(t, QI_EXIT, "Button", "E&xit", push, 220, 155, 104, 14);
    Item(t, QI_DATA_FILE, "Button", "Data File", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 12, 184, 60, 10);
    Item(t, QI_LOCAL, "Button", "Local", BS_AUTORADIOBUTTON, 172, 184, 60, 10);
    Item(t, QI_FILE_PARAMS, "ListBox", "", WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, 12, 208, 146,
         46);
    Item(t, QI_FILE_GROUP, "Button", "Data File Parameters", BS_GROUPBOX, 8, 197, 154, 62);
    Item(t, QI_WIDTH_LABEL, "Static", "Peak Width (sec):", 0, 170, 209, 84, 8);
    Item(t, QI_WIDTH, "Edit", "", edit, 258, 207, 58, 11);
    Item(t, QI_SLOPE_LABEL, "Static", "Slope Sensitivity (SN):", 0, 170, 221, 84, 8);
    Item(t, QI_SLOPE, "Edit", "", edit, 258, 219, 58, 11);
    Item(t, QI_TANGENT_LABEL, "Static", "Tangent %:", 0, 170, 233, 84, 8);
    Item(t, QI_TANGENT, "Edit", "", edit, 258, 231, 58, 11);
    Item(t, QI_REJECT_LABEL, "Static", "Peak Size Reject:", 0, 170, 245, 84, 8);
    Item(t, QI_REJECT, "Edit", "", edit, 258, 243, 58, 11);
    Item(t, QI_USE_RMS, "Button", "Use RMS Noise Calculation", BS_AUTOCHECKBOX | WS_TABSTOP, 12, 263, 110, 10);
    Item(t, QI_LOCK_WIDTH, "Button", "Lock Peak &Width", BS_AUTOCHECKBOX | WS_TABSTOP, 170, 263, 80, 10);
    Item(t, QI_LOCAL_GROUP, "Button", "Local Parameters", BS_GROUPBOX, 166, 197, 154, 62);
    Item(t, 3000, "Button", "&Help", push, 8, 276, 40, 14);
    Item(t, QI_SHOW_LABELS, "Button", "Show Area Labels", BS_AUTOCHECKBOX | WS_TABSTOP, 52, 278, 72, 10);
    Item(t, QI_SAVE_PARAMS, "Button", "&Save Parameters", push, 126, 276, 48, 14);
    Item(t, QI_LOAD_PARAMS, "Button", "&Load Parameters", push, 176, 276, 48, 14);
    Item(t, QI_CLEAR, "Button", "&Clear Results", push, 226, 276, 46, 14);
    Item(t, QI_INTEGRATE, "Button", "&Integrate", push, 274, 276, 46, 14);
    Item(t, QI_PARAMS_GROUP, "Button", "Integration Parameters", BS_GROUPBOX, 2, 173, 324, 121);
    Item(t, QI_GRIP, STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, 0, 288, 328, 10);
    win::resources::AddDialog(module, QUICK_INTEGRATION_DIALOG_ID, t);
  }
}

// A finished MS run: a current-format file of centroid data, or a raw run
// (the plot control opens the window for those too).
bool PresentMsFile(const STRUCT_WORK_FILE* wf) {
  return wf && (wf->directHeader || (wf->sectioned && wf->centroid)) && !wf->live;
}

}  // namespace

// ---- The integration window -------------------------------------------------------------

BEGIN_MESSAGE_MAP(CQuickIntegrationDlg, CDialog)
ON_COMMAND(QI_INTEGRATE, OnIntegrate)
ON_COMMAND(QI_CLEAR, OnClear)
ON_COMMAND(QI_DELETE, OnDelete)
ON_COMMAND(QI_EDIT_PARAMS, OnEditParams)
ON_COMMAND(QI_EXIT, OnExit)
ON_COMMAND(QI_SAVE_PARAMS, OnSaveParams)
ON_COMMAND(QI_LOAD_PARAMS, OnLoadParams)
ON_COMMAND(QI_PRINT, OnPrint)
ON_COMMAND(QI_EXPORT, OnExportButton)
ON_COMMAND(QI_APPEND, OnAppendButton)
ON_COMMAND(QI_EXPORT_TEXT, OnExportText)
ON_COMMAND(QI_APPEND_TEXT, OnAppendText)
ON_COMMAND(QI_EXPORT_SPECTRA, OnExportSpectra)
ON_COMMAND(QI_APPEND_SPECTRA, OnAppendSpectra)
ON_COMMAND(3000, OnHelpButton)
ON_MESSAGE(QIM_REMAPPLOTS, OnRemapPlots)
ON_MESSAGE(QIM_EXCHANGEPLOTS, OnExchangePlots)
ON_MESSAGE(QIM_REFRESH, OnRefresh)
ON_MESSAGE(QIM_SETPARAMS, OnSetParams)
END_MESSAGE_MAP()

CQuickIntegrationDlg::CQuickIntegrationDlg(CWnd* parent, short plotIndex, CCtlOPlot* control, uint16_t moduleId,
                                           SVW_OVERLAY* overlay, int16_t filterFlag, const int16_t* filtering,
                                           const void* noise, UINT closeMessage, int16_t timeRange)
    : CDialog(QUICK_INTEGRATION_DIALOG_ID, parent),
      m_plotIndex(plotIndex),
      m_moduleId(moduleId),
      m_filterFlag(filterFlag),
      m_timeRange(timeRange),
      m_control(control),
      m_overlay(overlay),
      m_opener(parent ? parent->GetSafeHwnd() : nullptr),
      m_closeMessage(closeMessage) {
  if (filtering) std::memcpy(m_filtering, filtering, sizeof m_filtering);
  if (noise) std::memcpy(m_noise, noise, sizeof m_noise);
  m_params.peakWidthTenths = 40;
  m_params.slopeSensitivity = 20;
  m_params.tangentPercent = 10;
  m_params.peakSizeReject = 2000.0;
}

BOOL CQuickIntegrationDlg::CreateWindowed() {
  EnsureTemplates();
  return Create(QUICK_INTEGRATION_DIALOG_ID, m_pParentWnd);
}

const OVERLAY_SLOT* CQuickIntegrationDlg::Slot(int plot) const {
  return m_overlay && plot >= 0 && plot < OVERLAY_SLOTS ? &m_overlay->slots[plot] : nullptr;
}

bool CQuickIntegrationDlg::Usable(int plot) const {
  const OVERLAY_SLOT* s = Slot(plot);
  return s && m_chosen[plot] && s->workFile && s->trace;
}

void CQuickIntegrationDlg::ReadLocalParams() {
  // A stored record stands only when it can be used; else the defaults.
  STRUCT_QUICK_INT_PARAMS r{};
  kelt::quickint::SetDefaultParams(m_moduleId, &r.peakWidthTenths, &r.slopeSensitivity, &r.tangentPercent,
                                   &r.peakSizeReject, &r.lockPeakWidth);
  kelt::quickint::ReadParams(QUICK_INT_PARAMS_SECTION, m_moduleId, &r);
  m_params = r;
}

BOOL CQuickIntegrationDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_text = m_overlay ? static_cast<char*>(AllocBlock(500)) : nullptr;
  if (!m_overlay || !m_text) {
    // Closed from the message loop so that the creator still holds a live object.
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    return FALSE;
  }
  ReadLocalParams();
  int16_t rms = 0;
  std::memcpy(&rms, m_noise, sizeof rms);
  m_useRms = rms ? 1 : 0;
  ::SendDlgItemMessageA(m_hWnd, QI_LIST, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  ChoosePlots();
  SetTitle();
  STRUCT_GLOBAL_PREFS g{};
  KELT_GetCurrDefGlobalPrefs(&g);
  m_listFont = CreateFontIndirectA(&g.fonts.fixedFont);
  if (m_listFont) {
    ::SendDlgItemMessageA(m_hWnd, QI_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont), 0);
    ::SendDlgItemMessageA(m_hWnd, QI_FILE_PARAMS, WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont), 0);
  }
  MakeColumns();
  FillFileParamsList();
  FillParamControls();

  RECT w{}, c{}, g2{};
  ::GetWindowRect(m_hWnd, &w);
  ::GetClientRect(m_hWnd, &c);
  ::GetWindowRect(::GetDlgItem(m_hWnd, QI_PARAMS_GROUP), &g2);
  POINT top{g2.left, g2.top};
  ::ScreenToClient(m_hWnd, &top);
  m_groupTop = top.y;
  m_minWidth = 3 * ((w.right - w.left) / 4);
  m_panelHeight = c.bottom - top.y;
  m_minHeightHidden = 3 * (((w.bottom - w.top) - m_panelHeight) / 4);
  m_minHeightShown = (w.bottom - w.top) - 10;
  m_openWidth = w.right - w.left;
  m_openClientWidth = c.right;
  for (int i = 0; i < 30; ++i) {
    HWND item = ::GetDlgItem(m_hWnd, kLayoutIds[i]);
    RECT r{};
    if (item) {
      ::GetWindowRect(item, &r);
      ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    }
    m_templateRects[i] = r;
  }
  m_lastClient = c;
  m_initialised = true;
  PositionDialog(m_hWnd, m_opener);
  if (m_openAndIntegrate) {
    m_panelHidden = 0;
    TogglePanel();
    ::PostMessageA(m_hWnd, WM_COMMAND, QI_INTEGRATE, 0);
  } else {
    m_panelHidden = 1;
    TogglePanel();
  }
  return TRUE;
}

void CQuickIntegrationDlg::ChoosePlots() {
  std::fill(m_chosen, m_chosen + OVERLAY_SLOTS, int16_t{0});
  m_chosenCount = 0;
  if (m_plotIndex < QUICK_INTEGRATION_ALL_PLOTS) {
    if (m_plotIndex >= 0) {
      m_chosen[m_plotIndex] = 1;
      m_chosenCount = 1;
    }
    return;
  }
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    const OVERLAY_SLOT& s = m_overlay->slots[i];
    if (!m_overlay->head.shown[i] || !s.workFile || s.plotKind == 300) continue;
    if (!PresentMsFile(s.workFile) || s.workFile->fileType != m_moduleId) continue;
    m_chosen[i] = 1;
    ++m_chosenCount;
  }
}

void CQuickIntegrationDlg::SetTitle() {
  char title[400];
  if (m_plotIndex < QUICK_INTEGRATION_ALL_PLOTS) {
    const OVERLAY_SLOT* s = Slot(m_plotIndex);
    const char* name = s && s->displayFileName[0] ? s->displayFileName : s && s->workFile ? s->workFile->filePath : "";
    char shortened[400] = {};
    KELT_TruncateFileString(name, 150, shortened);
    if (m_control)
      std::snprintf(title, sizeof title, "Plot %d, %s", m_plotIndex + 1, shortened);
    else
      std::snprintf(title, sizeof title, "%s", shortened);
  } else {
    char detector[200] = {};
    if (HMODULECONFIG config = GetModuleConfig(4, m_moduleId)) GetModuleConfigString(config, 174, detector);
    bool other = false;
    for (int i = 0; i < OVERLAY_SLOTS && !other; ++i) {
      const STRUCT_WORK_FILE* wf = m_overlay->slots[i].workFile;
      other = PresentMsFile(wf) && wf->fileType != m_moduleId;
    }
    if (detector[0] && other)
      std::snprintf(title, sizeof title, "Integrate all Plots for Detector %s", detector);
    else
      std::snprintf(title, sizeof title, "Integrate all Plots");
  }
  ::SetWindowTextA(m_hWnd, title);
}

void CQuickIntegrationDlg::MakeColumns() {
  HWND list = ::GetDlgItem(m_hWnd, QI_LIST);
  if (!list) return;
  while (::SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
  }
  RECT r{};
  ::GetClientRect(list, &r);
  const int u = std::max(1, static_cast<int>((r.right - GetSystemMetrics(SM_CXVSCROLL)) / 11));
  static const char* const kHeads[6] = {"#", "Retention Time", "Area", "% of Total", "Signal/Noise",
                                        "Scan Description"};
  const int widths[6] = {u, 2 * u, 2 * u, 2 * u, 2 * u, std::max(u, static_cast<int>(r.right) - 9 * u)};
  for (int i = 0; i < 6; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    col.cx = widths[i];
    col.pszText = const_cast<char*>(kHeads[i]);
    col.iSubItem = i;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
  }
}

void CQuickIntegrationDlg::FillFileParamsList() {
  HWND box = ::GetDlgItem(m_hWnd, QI_FILE_PARAMS);
  if (!box) return;
  ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
  auto add = [&](const std::string& line) { ::SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())); };
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    const OVERLAY_SLOT* s = Slot(i);
    if (!m_chosen[i] || !s || !s->workFile) continue;
    const STRUCT_WORK_FILE* wf = s->workFile;
    HDHTABLE t = DF_MSOpenGlobalParams(wf->filePath, wf->fileType, wf->module, "1");
    if (!t) continue;
    STRUCT_DH_GLOBAL_PARAMS g{};
    const bool ok = DF_MSReadGlobalParams(t, &g) != 0;
    FreeDHRecordSet(t);
    if (!ok) continue;
    char line[400];
    std::snprintf(line, sizeof line, "**** Plot %d,  %s", i + 1, wf->filePath);
    add(line);
    std::snprintf(line, sizeof line, "Peak Width:  %.1f second", g.peakWidthTenths / 10.0);
    add(line);
    std::snprintf(line, sizeof line, "Slope Sensitivity:  %d (SN)", g.slopeSensitivity);
    add(line);
    std::snprintf(line, sizeof line, "Tangent:  %d%%", g.tangentPercent);
    add(line);
    std::snprintf(line, sizeof line, "Peak Size Reject:  %lu counts",
                  static_cast<unsigned long>(std::max(0.0f, g.peakSizeReject)));
    add(line);
    const int points = 2 * g.smoothingHalfWidth + 1;
    if (g.smoothingKind == 1)
      std::snprintf(line, sizeof line, "Smoothing:  Mean %d Point Smooth", points);
    else if (g.smoothingKind == 2)
      std::snprintf(line, sizeof line, "Smoothing:  Savitsky Golay %d Point Smooth", points);
    else
      std::snprintf(line, sizeof line, "Smoothing:  None");
    add(line);
    if (g.spikeFactor > 0)
      std::snprintf(line, sizeof line, "Spike Threshold Factor:  %d", static_cast<int>(g.spikeFactor));
    else
      std::snprintf(line, sizeof line, "Spike Threshold Factor:  None");
    add(line);
    add(g.noiseKind == 0 ? "Noise:  RMS" : "Noise:  Peak to Peak");
    add("   ");
  }
  RECT r{};
  ::GetClientRect(box, &r);
  ::SendMessageA(box, LB_SETHORIZONTALEXTENT, 2 * r.right, 0);
}

void CQuickIntegrationDlg::FillParamControls() {
  char text[40];
  std::snprintf(text, sizeof text, "%.1f", m_params.peakWidthTenths / 10.0);
  ::SetDlgItemTextA(m_hWnd, QI_WIDTH, text);
  ::SetDlgItemInt(m_hWnd, QI_SLOPE, m_params.slopeSensitivity, FALSE);
  ::SetDlgItemInt(m_hWnd, QI_TANGENT, m_params.tangentPercent, FALSE);
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_params.peakSizeReject));
  ::SetDlgItemTextA(m_hWnd, QI_REJECT, text);
  ::SendDlgItemMessageA(m_hWnd, QI_WIDTH, EM_LIMITTEXT, 6, 0);
  ::SendDlgItemMessageA(m_hWnd, QI_SLOPE, EM_LIMITTEXT, 3, 0);
  ::SendDlgItemMessageA(m_hWnd, QI_TANGENT, EM_LIMITTEXT, 3, 0);
  ::SendDlgItemMessageA(m_hWnd, QI_REJECT, EM_LIMITTEXT, 11, 0);
  ::CheckDlgButton(m_hWnd, QI_LOCK_WIDTH, m_params.lockPeakWidth ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, QI_USE_RMS, m_useRms ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, QI_SHOW_LABELS, m_params.showAreaLabels ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, QI_LOCAL, m_params.useLocal ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, QI_DATA_FILE, m_params.useLocal ? BST_UNCHECKED : BST_CHECKED);
  const BOOL local = m_params.useLocal ? TRUE : FALSE;
  for (int id : {QI_WIDTH, QI_SLOPE, QI_TANGENT, QI_REJECT, QI_USE_RMS, QI_LOCK_WIDTH})
    ::EnableWindow(::GetDlgItem(m_hWnd, id), local);
}

bool CQuickIntegrationDlg::RowAt(int row, int* plot, int* peak) const {
  if (row < 0) return false;
  int at = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (!m_chosen[i]) continue;
    if (row == at) {
      *plot = i;
      *peak = -1;
      return true;
    }
    ++at;
    const int n = m_results[i] ? m_peakCount[i] : 0;
    if (row < at + n) {
      *plot = i;
      *peak = row - at;
      return true;
    }
    at += n;
  }
  return false;
}

std::string CQuickIntegrationDlg::CellText(int row, int column) const {
  if (!m_resultsPresent) return {};
  int plot = 0, peak = 0;
  if (!RowAt(row, &plot, &peak)) return {};
  char text[260] = {};
  const STRUCT_QUICK_INT_PEAK* block = m_results[plot];
  const bool hasPeaks = block && m_peakCount[plot] > 0;
  if (peak < 0) {
    if (column == 0) {
      std::snprintf(text, sizeof text, "Plot %d", plot + 1);
      return text;
    }
    if (!hasPeaks) return {};
    const OVERLAY_SLOT* s = Slot(plot);
    switch (column) {
      case 1:
        return s && s->workFile ? s->workFile->displayName : "";
      case 2:
        if (block[0].localParams && !m_params.useLocal) return " Local (None on Data File) Parameters";
        return block[0].localParams ? " Local Parameters" : " Data File Parameters";
      case 4:
        return block[0].rmsNoise ? "RMS Noise" : "Peak-to-Peak Noise";
      default:
        return {};
    }
  }
  const STRUCT_QUICK_INT_PEAK& p = block[peak];
  switch (column) {
    case 0: std::snprintf(text, sizeof text, "%d.", p.peakNumber); break;
    case 1: std::snprintf(text, sizeof text, "%.3f", p.apexTime); break;
    case 2: KELT_FormatAreaOrHeight(0, p.area, text); break;
    case 3:
      if (m_totalArea[plot] != 0) std::snprintf(text, sizeof text, "%.3f", p.area / m_totalArea[plot] * 100.0);
      break;
    case 4: std::snprintf(text, sizeof text, "%s", p.snText); break;
    case 5: std::snprintf(text, sizeof text, "%s", p.scanDescription); break;
    default: break;
  }
  return text;
}

void CQuickIntegrationDlg::SetListCount() {
  ::SendDlgItemMessageA(m_hWnd, QI_LIST, LVM_SETITEMCOUNT, m_resultsPresent ? RowCount() : 0, 0);
  ::InvalidateRect(::GetDlgItem(m_hWnd, QI_LIST), nullptr, TRUE);
}

void CQuickIntegrationDlg::FreeResults() {
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    if (m_results[i]) FreeBlock(m_results[i]);
    m_results[i] = nullptr;
    m_peakCount[i] = 0;
    m_totalArea[i] = 0;
  }
  m_totalPeaks = 0;
}

void CQuickIntegrationDlg::Integrate() {
  if (!m_hWnd || !m_overlay) return;
  ::SendDlgItemMessageA(m_hWnd, QI_LIST, LVM_SETITEMCOUNT, 0, 0);
  FreeResults();
  int withoutPeaks = 0;
  QUICK_INT_RUN_PARAMS run;
  run.widthTenths = m_params.peakWidthTenths;
  run.slope = m_params.slopeSensitivity;
  run.tangent = m_params.tangentPercent;
  run.reject = m_params.peakSizeReject;
  run.lock = m_params.lockPeakWidth;
  run.useRms = m_useRms;
  run.showLabels = m_params.showAreaLabels;
  run.useLocal = m_params.useLocal;
  m_lastHadRange = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    OVERLAY_SLOT& s = m_overlay->slots[i];
    if (!m_chosen[i] || !s.workFile || !s.trace) continue;
    if (!s.scanFunInfo) {
      int16_t n = 0;
      s.scanFunInfo = PD_GetScanFunInfoForDataFile(s.workFile, &n, 0);
      s.scanFunInfoCount = s.scanFunInfo && n > 0 ? static_cast<uint16_t>(n) : 0;
    }
    CQuickIntegrator q(m_plotIndex < QUICK_INTEGRATION_ALL_PLOTS, m_control, static_cast<short>(i), m_timeRange);
    q.SetUp(m_overlay, s.trace, s.displayFileName[0] ? s.displayFileName : nullptr, m_filterFlag, m_filtering,
            s.scanFunInfo, s.scanFunInfoCount, s.scanFunArray);
    int16_t count = 0, none = 0;
    STRUCT_QUICK_INT_PEAK* block = q.Run(run, &count, &none);
    if (none || !block) ++withoutPeaks;
    if (block) {
      m_results[i] = block;
      m_peakCount[i] = count;
      for (int k = 0; k < count; ++k) {
        block[k].peakNumber = static_cast<int16_t>(k + 1);
        block[k].plotIndex = static_cast<int16_t>(i);
        m_totalArea[i] += block[k].area;
      }
      m_totalPeaks = static_cast<int16_t>(m_totalPeaks + count);
    }
    if (q.HasRange()) {
      m_lastHadRange = 1;
      m_lastStart = q.RangeStart();
      m_lastEnd = q.RangeEnd();
    }
  }
  m_last = m_params;
  m_resultsPresent = 1;
  m_paramsChanged = 0;
  SetListCount();
  UpdateButtons();
  if (m_plotIndex >= QUICK_INTEGRATION_ALL_PLOTS && withoutPeaks > 0) {
    char text[80];
    if (withoutPeaks == 1)
      std::snprintf(text, sizeof text, "No peaks found for one plot.");
    else
      std::snprintf(text, sizeof text, "No peaks found for %d plots.", withoutPeaks);
    ShowTimedMessage(m_hWnd, text, 2000);
  }
}

void CQuickIntegrationDlg::ClearResults() {
  CLabelManager* labels = m_control ? m_control->m_pLabels : nullptr;
  if (labels) {
    if (m_plotIndex < QUICK_INTEGRATION_ALL_PLOTS)
      labels->DeleteSomeLabelsForPlot(m_plotIndex, LABEL_TYPE_AREA);
    else
      for (short i = 0; i < OVERLAY_SLOTS; ++i) labels->DeleteSomeLabelsForPlot(i, LABEL_TYPE_AREA);
  }
  if (m_control && m_control->GetSafeHwnd() && !m_control->m_printJobOpen) m_control->Invalidate(FALSE);
  ::SendDlgItemMessageA(m_hWnd, QI_LIST, LVM_SETITEMCOUNT, 0, 0);
  FreeResults();
  m_resultsPresent = 0;
  m_paramsChanged = 0;
  UpdateButtons();
}

void CQuickIntegrationDlg::DeleteResults() {
  HWND list = ::GetDlgItem(m_hWnd, QI_LIST);
  const int rows = RowCount();
  if (!list || ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) != rows) return;
  auto* marks = static_cast<int16_t*>(AllocBlock(static_cast<uint32_t>(2 * rows + 10)));
  if (!marks) return;
  for (int r = 0; r < rows; ++r)
    marks[r] = (::SendMessageA(list, LVM_GETITEMSTATE, r, LVIS_SELECTED) & LVIS_SELECTED) ? 1 : 0;
  ::SendMessageA(list, LVM_SETITEMCOUNT, 0, 0);
  bool removed = false, labelGone = false;
  CLabelManager* labels = m_control ? m_control->m_pLabels : nullptr;
  for (int r = rows - 1; r >= 0; --r) {
    int plot = 0, peak = 0;
    if (!marks[r] || !RowAt(r, &plot, &peak) || peak < 0) continue;
    STRUCT_QUICK_INT_PEAK* block = m_results[plot];
    if (labels && labels->DeleteLabelForPlotAtTime(static_cast<short>(plot), LABEL_TYPE_AREA, block[peak].apexTime))
      labelGone = true;
    std::memmove(&block[peak], &block[peak + 1], sizeof(STRUCT_QUICK_INT_PEAK) * (m_peakCount[plot] - peak - 1));
    --m_peakCount[plot];
    --m_totalPeaks;
    removed = true;
  }
  FreeBlock(marks);
  if (removed) {
    if (m_totalPeaks == 0) m_resultsPresent = 0;
    UpdateButtons();
    if (labelGone && m_control && m_control->GetSafeHwnd() && !m_control->m_printJobOpen) m_control->Invalidate(FALSE);
  }
  ::SendMessageA(list, LVM_SETITEMCOUNT, m_resultsPresent ? RowCount() : 0, 0);
}

void CQuickIntegrationDlg::UpdateButtons() {
  auto enable = [&](int id, bool on) { ::EnableWindow(::GetDlgItem(m_hWnd, id), on ? TRUE : FALSE); };
  enable(QI_CLEAR, m_resultsPresent != 0);
  if (!m_resultsPresent) {
    m_buttonState = 1;
    for (int id : {QI_PRINT, QI_EXPORT, QI_APPEND, QI_DELETE}) enable(id, false);
  } else if (!m_paramsChanged) {
    m_buttonState = 2;
    for (int id : {QI_PRINT, QI_EXPORT, QI_APPEND}) enable(id, m_totalPeaks > 0);
    HWND list = ::GetDlgItem(m_hWnd, QI_LIST);
    bool del = false;
    if (m_plotIndex >= QUICK_INTEGRATION_ALL_PLOTS) {
      for (int r = 0; r < RowCount() && !del; ++r) {
        int plot = 0, peak = 0;
        del = (::SendMessageA(list, LVM_GETITEMSTATE, r, LVIS_SELECTED) & LVIS_SELECTED) && RowAt(r, &plot, &peak) &&
              peak >= 0;
      }
    } else {
      del = m_totalPeaks > 0 && ::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
    }
    enable(QI_DELETE, del);
  } else {
    m_buttonState = 3;
  }
  // Short captions when the buttons have become narrower than drawn.
  const int probe = m_panelHidden ? 2 : 25;  // Export, else Save Parameters
  RECT now{};
  ::GetWindowRect(::GetDlgItem(m_hWnd, kLayoutIds[probe]), &now);
  const bool narrow = now.right - now.left < m_templateRects[probe].right - m_templateRects[probe].left;
  ::SetDlgItemTextA(m_hWnd, QI_EXPORT, narrow ? "&Export" : "&Export Results");
  ::SetDlgItemTextA(m_hWnd, QI_APPEND, narrow ? "&Append" : "&Append Results");
  ::SetDlgItemTextA(m_hWnd, QI_PRINT, narrow ? "P&rint" : "P&rint Results");
  ::SetDlgItemTextA(m_hWnd, QI_SAVE_PARAMS, narrow ? "&Save" : "&Save Parameters");
  ::SetDlgItemTextA(m_hWnd, QI_LOAD_PARAMS, narrow ? "&Load" : "&Load Parameters");
  ::SetDlgItemTextA(m_hWnd, QI_CLEAR, narrow ? "&Clear" : "&Clear Results");
  ::SetDlgItemTextA(m_hWnd, QI_DELETE, narrow ? "&Delete" : "&Delete Results");
  if (narrow)
    ::SetDlgItemTextA(m_hWnd, QI_EDIT_PARAMS, m_panelHidden ? ">>" : "<<");
  else
    ::SetDlgItemTextA(m_hWnd, QI_EDIT_PARAMS, m_panelHidden ? "Edit &Parameters >>" : "Hide &Parameters <<");
}

void CQuickIntegrationDlg::LayOutHidden() {
  RECT c{};
  ::GetClientRect(m_hWnd, &c);
  RECT b{};
  ::GetWindowRect(::GetDlgItem(m_hWnd, QI_PRINT), &b);
  const int bh = b.bottom - b.top;
  RECT g{};
  ::GetWindowRect(::GetDlgItem(m_hWnd, QI_GRIP), &g);
  const int grip = g.bottom - g.top;
  const int listW = c.right - 8, listH = std::max(10, static_cast<int>(c.bottom) - 2 * bh - 16 - grip);
  ::MoveWindow(::GetDlgItem(m_hWnd, QI_LIST), 4, 4, listW, listH, FALSE);
  const int w = (listW - 16 - grip) / 3;
  const int rows[2][3] = {{QI_PRINT, QI_EXPORT, QI_APPEND}, {QI_DELETE, QI_EDIT_PARAMS, QI_EXIT}};
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < 3; ++k)
      ::MoveWindow(::GetDlgItem(m_hWnd, rows[r][k]), 4 + k * (w + 4), 4 + listH + 4 + r * (bh + 4), w, bh, FALSE);
  ::MoveWindow(::GetDlgItem(m_hWnd, QI_GRIP), 0, c.bottom - grip, c.right, grip, FALSE);
}

void CQuickIntegrationDlg::TogglePanel() {
  m_panelHidden = m_panelHidden ? 0 : 1;
  m_sizing = true;
  RECT w{};
  ::GetWindowRect(m_hWnd, &w);
  const int caption = GetSystemMetrics(SM_CYCAPTION), frame = GetSystemMetrics(SM_CYDLGFRAME);
  if (m_panelHidden) {
    for (int i = kFirstPanelControl; i < 30; ++i) ::MoveWindow(::GetDlgItem(m_hWnd, kLayoutIds[i]), 0, 0, 0, 0, FALSE);
    ::SetDlgItemTextA(m_hWnd, QI_FILE_GROUP, "");
    ::SetDlgItemTextA(m_hWnd, QI_LOCAL_GROUP, "");
    RECT c{};
    ::GetClientRect(m_hWnd, &c);
    const int border = (w.bottom - w.top) - c.bottom;
    const int height = m_groupTop + border;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, w.right - w.left, height, SWP_NOMOVE | SWP_NOZORDER);
    (void)caption;
    (void)frame;
    LayOutHidden();
  } else {
    RECT c{};
    ::GetClientRect(m_hWnd, &c);
    const int border = (w.bottom - w.top) - c.bottom;
    int height = c.bottom + m_panelHeight + border;
    const int screen = GetSystemMetrics(SM_CYMAXIMIZED) - 2 * caption;
    int top = w.top;
    if (top + height > screen) {
      top = std::max(caption, screen - height);
      if (top + height > screen) height = screen - top;
    }
    ::SetWindowPos(m_hWnd, nullptr, w.left, top, w.right - w.left, height, SWP_NOZORDER);
    ::GetClientRect(m_hWnd, &c);
    const double scale = m_openClientWidth ? static_cast<double>(c.right) / m_openClientWidth : 1.0;
    const int bottomBefore = m_templateRects[29].bottom + (m_lastClient.bottom - m_templateRects[29].bottom);
    RECT printRect{};
    for (int i = 1; i < 30; ++i) {
      const RECT& t = m_templateRects[i];
      const int x = static_cast<int>(t.left * scale), cx = static_cast<int>((t.right - t.left) * scale);
      const int y = c.bottom - (bottomBefore - t.top);
      ::MoveWindow(::GetDlgItem(m_hWnd, kLayoutIds[i]), x, y, cx, t.bottom - t.top, FALSE);
      if (i == 1) printRect = {x, y, x + cx, y + (t.bottom - t.top)};
    }
    const RECT& l = m_templateRects[0];
    ::MoveWindow(::GetDlgItem(m_hWnd, QI_LIST), static_cast<int>(l.left * scale), l.top,
                 static_cast<int>((l.right - l.left) * scale), std::max(10, static_cast<int>(printRect.top - 4 - l.top)),
                 FALSE);
    ::SetDlgItemTextA(m_hWnd, QI_FILE_GROUP, "Data File Parameters");
    ::SetDlgItemTextA(m_hWnd, QI_LOCAL_GROUP, "Local Parameters");
  }
  ::GetClientRect(m_hWnd, &m_lastClient);
  m_sizing = false;
  MakeColumns();
  UpdateButtons();
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CQuickIntegrationDlg::OnSized() {
  if (!m_initialised || m_sizing) return;
  RECT w{}, c{};
  ::GetWindowRect(m_hWnd, &w);
  ::GetClientRect(m_hWnd, &c);
  const int minHeight = m_panelHidden ? m_minHeightHidden : m_minHeightShown;
  if (w.right - w.left < m_minWidth || w.bottom - w.top < minHeight) {
    m_sizing = true;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, std::max(static_cast<int>(w.right - w.left), m_minWidth),
                   std::max(static_cast<int>(w.bottom - w.top), minHeight), SWP_NOMOVE | SWP_NOZORDER);
    m_sizing = false;
    ::GetWindowRect(m_hWnd, &w);
    ::GetClientRect(m_hWnd, &c);
  }
  KELT_LAYOUT_RULE rules[30];
  for (int i = 0; i < 30; ++i) rules[i] = LayoutRule(i);
  KELT_SizeDialog(this, rules, m_panelHidden ? kHiddenRules : 30, m_lastClient, w, c);
  m_lastClient = c;
  MakeColumns();
  UpdateButtons();
}

void CQuickIntegrationDlg::OnSaveParams() {
  kelt::quickint::WriteParams(QUICK_INT_PARAMS_SECTION, m_moduleId, m_params);
}

void CQuickIntegrationDlg::OnLoadParams() {
  m_params.showAreaLabels = 0;
  m_openAndIntegrate = 0;
  m_params.useLocal = 0;
  STRUCT_QUICK_INT_PARAMS r = m_params;
  kelt::quickint::SetDefaultParams(m_moduleId, &r.peakWidthTenths, &r.slopeSensitivity, &r.tangentPercent,
                                   &r.peakSizeReject, &r.lockPeakWidth);
  kelt::quickint::ReadParams(QUICK_INT_PARAMS_SECTION, m_moduleId, &r);
  m_params = r;
  m_paramsChanged = 1;
  FillParamControls();
  UpdateButtons();
}

void CQuickIntegrationDlg::OnCheckBox(int id) {
  const int16_t on = ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0;
  if (id == QI_LOCK_WIDTH) m_params.lockPeakWidth = on;
  else if (id == QI_USE_RMS) m_useRms = on;
  else m_params.showAreaLabels = on;
  m_paramsChanged = 1;
  UpdateButtons();
}

void CQuickIntegrationDlg::OnDataFileOrLocal(int id) {
  m_params.useLocal = id == QI_LOCAL ? 1 : 0;
  FillParamControls();
}

void CQuickIntegrationDlg::OnKillField(int id) {
  bool changed = false;
  if (id == QI_WIDTH) {
    double seconds = m_params.peakWidthTenths / 10.0;
    if (HandleKillEditDouble(this, QI_WIDTH, "Peak Width (seconds)", "%.1f", 0.5, 256.0, &seconds)) {
      const uint16_t tenths = kelt::quickint::TenthsFromSeconds(seconds);
      changed = tenths != m_params.peakWidthTenths;
      m_params.peakWidthTenths = tenths;
    }
  } else if (id == QI_SLOPE || id == QI_TANGENT) {
    uint16_t& field = id == QI_SLOPE ? m_params.slopeSensitivity : m_params.tangentPercent;
    int16_t v = static_cast<int16_t>(field);
    if (HandleKillEditShort(this, static_cast<uint16_t>(id), id == QI_SLOPE ? "Slope Sensitivity (SN)" : "Tangent %",
                            id == QI_SLOPE ? 1 : 0, id == QI_SLOPE ? 256 : 100, &v)) {
      changed = static_cast<uint16_t>(v) != field;
      field = static_cast<uint16_t>(v);
    }
  } else if (id == QI_REJECT) {
    uint32_t v = static_cast<uint32_t>(m_params.peakSizeReject);
    if (HandleKillEditDWORD(this, QI_REJECT, "Peak Size Reject (counts)", 0, 2000000000u, &v)) {
      changed = static_cast<double>(v) != m_params.peakSizeReject;
      m_params.peakSizeReject = v;
    }
  }
  if (changed) {
    m_paramsChanged = 1;
    UpdateButtons();
  }
}

void CQuickIntegrationDlg::OnHelpButton() { m_help.ShowTopic(); }

void CQuickIntegrationDlg::OnOK() {
  CWnd* focus = CWnd::GetFocus();
  HWND f = focus ? focus->GetSafeHwnd() : nullptr;
  if (f && ::GetDlgCtrlID(f) == QI_EXIT) {
    OnCancel();
    return;
  }
  HWND next = ::GetNextDlgTabItem(m_hWnd, f, FALSE);
  if (!next) return;
  ::SetFocus(next);
  const int id = ::GetDlgCtrlID(next);
  if (id == QI_WIDTH || id == QI_SLOPE || id == QI_TANGENT || id == QI_REJECT)
    ::SendMessageA(next, EM_SETSEL, 0, -1);
}

void CQuickIntegrationDlg::OnCancel() { DestroyWindow(); }

LRESULT CQuickIntegrationDlg::OnRemapPlots(WPARAM, LPARAM lParam) {
  if (!lParam || m_plotIndex >= QUICK_INTEGRATION_ALL_PLOTS) return 0;
  const auto* before = reinterpret_cast<const int16_t*>(lParam);
  for (int i = 0; i < OVERLAY_SLOTS; ++i)
    if (before[i] == m_plotIndex) {
      const short old = m_plotIndex;
      m_plotIndex = static_cast<short>(i);
      if (old != i) {
        std::swap(m_results[old], m_results[i]);
        std::swap(m_peakCount[old], m_peakCount[i]);
        std::swap(m_chosen[old], m_chosen[i]);
        std::swap(m_totalArea[old], m_totalArea[i]);
        for (int k = 0; m_results[i] && k < m_peakCount[i]; ++k) m_results[i][k].plotIndex = static_cast<int16_t>(i);
      }
      break;
    }
  return 0;
}

LRESULT CQuickIntegrationDlg::OnExchangePlots(WPARAM wParam, LPARAM lParam) {
  const auto a = static_cast<int>(static_cast<int16_t>(wParam)), b = static_cast<int>(static_cast<int16_t>(lParam));
  if (a < 0 || b < 0 || a >= OVERLAY_SLOTS || b >= OVERLAY_SLOTS) return 0;  // no such plots
  std::swap(m_results[a], m_results[b]);
  std::swap(m_peakCount[a], m_peakCount[b]);
  std::swap(m_chosen[a], m_chosen[b]);
  std::swap(m_totalArea[a], m_totalArea[b]);
  if (m_results[a] && m_peakCount[a] > 0) m_results[a][0].plotIndex = static_cast<int16_t>(a);
  if (m_results[b] && m_peakCount[b] > 0) m_results[b][0].plotIndex = static_cast<int16_t>(b);
  SetListCount();
  return 0;
}

LRESULT CQuickIntegrationDlg::OnRefresh(WPARAM, LPARAM) {
  if (m_plotIndex >= QUICK_INTEGRATION_ALL_PLOTS)
    Integrate();
  else
    SetTitle();
  return 0;
}

LRESULT CQuickIntegrationDlg::OnSetParams(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(lParam);
  std::memcpy(&m_filterFlag, bytes, 2);
  std::memcpy(m_filtering, bytes + 2, sizeof m_filtering);
  std::memcpy(m_noise, bytes + 2 + sizeof m_filtering, sizeof m_noise);
  Integrate();
  return 0;
}

LRESULT CQuickIntegrationDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr && hdr->idFrom == QI_LIST) {
        if (hdr->code == LVN_GETDISPINFOA) {
          auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
          if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
            const std::string text = CellText(info->item.iItem, info->item.iSubItem);
            std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "%s", text.c_str());
          }
          return 0;
        }
        if (hdr->code == LVN_ITEMCHANGED) UpdateButtons();
      }
      break;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == KELT_WHATS_THIS_COMMAND && m_help.Handle(this, msg, wParam, lParam, false)) return 0;
      if (code == EN_KILLFOCUS && (id == QI_WIDTH || id == QI_SLOPE || id == QI_TANGENT || id == QI_REJECT)) {
        OnKillField(id);
        return 0;
      }
      if (code == BN_CLICKED && (id == QI_LOCK_WIDTH || id == QI_USE_RMS || id == QI_SHOW_LABELS)) {
        OnCheckBox(id);
        return 0;
      }
      if (code == BN_CLICKED && (id == QI_DATA_FILE || id == QI_LOCAL)) {
        OnDataFileOrLocal(id);
        return 0;
      }
      break;
    }
    case WM_SIZE: {
      const LRESULT r = CDialog::WindowProc(msg, wParam, lParam);
      OnSized();
      return r;
    }
    case WM_CONTEXTMENU:
      if (m_help.Handle(this, msg, wParam, lParam, false)) return 0;
      break;
    case WM_DESTROY: {
      FreeResults();
      if (m_text) FreeBlock(m_text);
      m_text = nullptr;
      if (m_listFont) DeleteObject(m_listFont);
      m_listFont = nullptr;
      if (m_closeMessage && m_opener && ::IsWindow(m_opener))
        ::SendMessageA(m_opener, m_closeMessage, static_cast<WPARAM>(m_plotIndex), 0);
      break;
    }
    default:
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void CQuickIntegrationDlg::PostNcDestroy() { delete this; }
