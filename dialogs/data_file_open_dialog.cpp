// The data-file open dialog with its preview.
#include "dialogs/data_file_open_dialog.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "common/data_file_utils.h"
#include "common/last_files.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/results_facts.h"
#include "common/segment_plots.h"
#include "common/scan_fun_info.h"
#include "common/work_file_facts.h"
#include "dialogs/data_type_dialogs.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/open_dialog_kit.h"
#include "dialogs/scan_function_dialogs.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "orvik32/orvik32_dialogs.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/overlay_plot_control.h"
#include "quorna/quorna.h"
#include "ulbrec32/file_paths.h"
#include "win/win_crt.h"
#include "win/win_menus.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

namespace kit = kelt::dlg::openkit;

constexpr const char* kProp = "D";
constexpr const char* kFilter =
    "?MS Files (*.?MS )|*.?MS|XMS Files (*.XMS )|*.XMS|KMS Files (*.KMS )|*.KMS|All Files (*.*)|*.*|";
constexpr int kInfoFields[] = {IDC_SDF_FILE,     IDC_SDF_DATA_TYPE,  IDC_SDF_SAMPLE,       IDC_SDF_INJECT_DATE,
                               IDC_SDF_RUN_TIME, IDC_SDF_SCAN_RANGE, IDC_SDF_OPERATOR,     IDC_SDF_NOTES,
                               IDC_SDF_MAX_RIC,  IDC_SDF_ID_MISS_FAIL, IDC_SDF_TIC_UNKN_DUP};

#pragma pack(push, 1)
struct StoredSettings {
  uint16_t showPlot;
  uint16_t keepTimeRange;
};
#pragma pack(pop)
static_assert(sizeof(StoredSettings) == 4);

void AddResources() {
  win::resources::DialogTemplate t;
  if (!kit::BeginTemplate(SEL_DATA_FILE_FILTER_STRING, kFilter, SEL_DATA_FILE_TEMPLATE, 346, &t)) return;
  const DWORD text = WS_VISIBLE | SS_LEFT;
  const DWORD field = WS_VISIBLE | SS_LEFT | SS_SUNKEN;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items.push_back({IDC_SDF_INFO_GROUP, "Button", "Preview Data File Information", WS_VISIBLE | BS_GROUPBOX, 0, 288,
                     4, 200, 152});
  const kit::PreviewRow rows[] = {{3502, IDC_SDF_FILE, "File:"},
              {3522, IDC_SDF_DATA_TYPE, "Data Type:"},
              {3504, IDC_SDF_SAMPLE, "Sample:"},
              {3506, IDC_SDF_INJECT_DATE, "Inject Date:"},
              {3508, IDC_SDF_RUN_TIME, "Run Time:"},
              {3510, IDC_SDF_SCAN_RANGE, "Scan Range:"},
              {3512, IDC_SDF_OPERATOR, "Operator:"},
              {3514, IDC_SDF_NOTES, "Sample Notes:"},
              {3516, IDC_SDF_MAX_RIC, "Max RIC:"},
              {3518, IDC_SDF_ID_MISS_FAIL, "ID/Miss/Fail:"},
              {3520, IDC_SDF_TIC_UNKN_DUP, "TIC/Unkn/Dup:"}};
  kit::AddPreviewRows(&t, rows, std::size(rows), 16, 293, 60, 355, 128);
  kit::AddButtonRow(&t, IDC_SDF_OPEN, "&Open File", true, IDC_SDF_CANCEL_PLACE, 160);
  t.items.push_back({IDC_SDF_RECENT, "Button", "&Recent Files...", push, 0, 6, 144, 70, 14});
  t.items.push_back({IDC_SDF_SHOW_PLOT, "Button", "Show Plot", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 84,
                     146, 60, 11});
  t.items.push_back({IDC_SDF_KEEP_RANGE, "Button", "&Keep Time Range", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                     148, 146, 80, 11});
  t.items.push_back({IDC_SDF_PLOT_GROUP, "Button", "Preview Data File Plot", WS_VISIBLE | BS_GROUPBOX, 0, 6, 178,
                     482, 152});
  t.items.push_back({IDC_SDF_PLOT_TYPE, "Button", "Plot Type:", push | WS_DISABLED, 0, 12, 190, 48, 13});
  t.items.push_back({IDC_SDF_PLOT_TYPE_TEXT, "Static", "", field, 0, 64, 191, 170, 11});
  t.items.push_back({IDC_SDF_PLOT_SCANS, "Button", "Plot Scans:", push | WS_DISABLED, 0, 244, 190, 48, 13});
  t.items.push_back({IDC_SDF_PLOT_SCANS_TEXT, "Static", "", field, 0, 296, 191, 186, 11});
  // The preview is drawn by the overlay plot control itself: the class of
  // its first specialised kind is registered here without a plot of its own.
  t.items.push_back({IDC_SDF_PLOT, "KELT_OP", "", WS_VISIBLE | WS_BORDER, 0, 12, 208, 470, 116});
  t.items.push_back({IDC_SDF_BOTTOM_LINE, "Static", "", text, 0, 6, 334, 300, 10});
  kit::EndTemplate(SEL_DATA_FILE_TEMPLATE, t);
}

STRUCT_SEL_DATA_FILE* State(HWND h) { return static_cast<STRUCT_SEL_DATA_FILE*>(GetPropA(h, kProp)); }

HWND Item(STRUCT_SEL_DATA_FILE* s, int id) { return GetDlgItem(s->hookDialog, id); }
void Enable(STRUCT_SEL_DATA_FILE* s, int id, bool on) { EnableWindow(Item(s, id), on ? TRUE : FALSE); }
void SetText(STRUCT_SEL_DATA_FILE* s, int id, const std::string& text) {
  SetDlgItemTextA(s->hookDialog, id, text.c_str());
}

void CopyPath(char* to, const char* from) {
  const size_t n = from ? strnlen(from, 259) : 0;
  if (n) std::memcpy(to, from, n);
  to[n] = 0;
}

std::string Narrow(const char16_t* text, size_t room) {
  std::string out;
  for (size_t i = 0; i < room && text[i]; ++i) out += text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
  return out;
}

void ReadSettings(STRUCT_SEL_DATA_FILE* s) {
  StoredSettings st{1, 0};
  if (!GetPrivateProfileStructA("KMSOpen", "Params", &st, sizeof st, kelt::lib::PreferencesIniPath())) st = {1, 0};
  s->showPlot = st.showPlot;
  s->keepTimeRange = st.keepTimeRange;
}

void WriteSettings(const STRUCT_SEL_DATA_FILE* s) {
  StoredSettings st{s->showPlot, s->keepTimeRange};
  WritePrivateProfileStructA("KMSOpen", "Params", &st, sizeof st, kelt::lib::PreferencesIniPath());
}

bool IsScanFunSelection(const STRUCT_PS* ps) { return ps && ps->selection1 == 301; }

// The plot-settings texts under the preview.
void ShowPlotTexts(STRUCT_SEL_DATA_FILE* s) {
  std::string type, ions;
  const STRUCT_PS* ps = s->plotSelection;
  if (s->showPlot && ps && s->workFile) {
    const int dataType = ps->selection1;
    if (dataType == 1) {
      char text[420] = {};
      if (FormatMassListText(text, &ps->massList, kelt::wff::MassDecimals(s->workFile))) type = std::string(text) + " Ions";
    } else if (dataType == 0) {
      type = "RIC";
    } else if (dataType == 2) {
      type = "Intensity of Base Peak";
    } else if (dataType == 3) {
      type = "Base Peak Ion";
    } else if (dataType >= 4 && dataType < 4 + MS_MAX_EXTRA_COLUMNS &&
               dataType - 4 < s->workFile->msInfo.extraColumnCount) {
      type = Narrow(s->workFile->msInfo.extraColumnNames[dataType - 4], 14);
    }
  }
  if (s->showPlot && ps) {
    if (IsScanFunSelection(ps)) {
      char title[121] = {};
      SCAN_FUN_GetPlotTitle(s->workFile, &ps->massList, ps->scanFuns, title, 120);
      ions = title;
    } else {
      char text[400] = {};
      if (FormatChanList(text, &ps->chanList)) ions = text;
    }
  }
  SetText(s, IDC_SDF_PLOT_TYPE_TEXT, type);
  SetText(s, IDC_SDF_PLOT_SCANS_TEXT, ions);
}

void ClearPreview(STRUCT_SEL_DATA_FILE* s, bool forceNameBox) {
  if (s->workFile) FreeWorkFileStruct(s->workFile);
  s->workFile = nullptr;
  s->previewedPath[0] = 0;
  s->previewValid = 0;
  s->busy = 1;
  SendMessageA(Item(s, IDC_SDF_PLOT), OPM_NOPLOTDATA, 0, 0);
  for (int id : kInfoFields) SetText(s, id, "");
  if (!s->nameBoxFocused || forceNameBox) {
    char filter[260] = {};
    HWND types = GetDlgItem(s->commonDialog, cmb1);
    const LRESULT sel = SendMessageA(types, CB_GETCURSEL, 0, 0);
    if (sel >= 0 && SendMessageA(types, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) < 260)
      SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(filter));
    std::string f = filter, pattern = "*.*";
    const size_t open = f.find('(');
    if (open != std::string::npos) {
      const size_t close = f.find(')', open);
      pattern = f.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    }
    SendMessageA(s->commonDialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(pattern.c_str()));
  }
  for (int id : {IDC_SDF_OPEN, IDC_SDF_PLOT_TYPE, IDC_SDF_PLOT_SCANS, IDC_SDF_KEEP_RANGE}) Enable(s, id, false);
  SetText(s, IDC_SDF_PLOT_TYPE_TEXT, "");
  SetText(s, IDC_SDF_PLOT_SCANS_TEXT, "");
  s->busy = 0;
}

bool AnyData(const STRUCT_WORK_FILE* wf) { return wf && (wf->directHeader || wf->centroid || wf->profile); }

// The file's segments hold no SDS data on this workstation's MS files.
bool IsSdsFile(const STRUCT_WORK_FILE*) { return false; }

void FillInfo(STRUCT_SEL_DATA_FILE* s) {
  STRUCT_WORK_FILE* wf = s->workFile;
  char buf[300] = {};
  KELT_TruncateFilenameString(wf->displayName[0] ? wf->displayName : wf->filePath, 20, buf);
  SetText(s, IDC_SDF_FILE, buf);
  std::string type;
  char name[260] = {};
  if (HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, wf->fileType))
    if (GetModuleConfigString(config, MODULE_CONFIG_NAME_ITEM, name)) type = name;
  if (AnyData(wf)) type += wf->profile ? " PROFILE" : " CENTROID";
  SetText(s, IDC_SDF_DATA_TYPE, type);
  char date[40] = {}, time[40] = {};
  KELT_FormatDateTime(static_cast<int16_t>(wf->month), static_cast<int16_t>(wf->day), static_cast<int16_t>(wf->year),
                      static_cast<int16_t>(wf->hour), static_cast<int16_t>(wf->minute), date, time);
  SetText(s, IDC_SDF_INJECT_DATE, std::string(date) + " " + time);
  std::snprintf(buf, sizeof buf, "%.3f - %.3f min", wf->startTime, wf->endTime);
  SetText(s, IDC_SDF_RUN_TIME, buf);
  SetText(s, IDC_SDF_SAMPLE, std::string(wf->sampleName, strnlen(wf->sampleName, sizeof wf->sampleName)));
  SetText(s, IDC_SDF_OPERATOR, std::string(wf->operatorName, strnlen(wf->operatorName, sizeof wf->operatorName)));
  SetText(s, IDC_SDF_NOTES, Narrow(wf->msInfo.description, 256));
  std::snprintf(buf, sizeof buf, "%lu - %lu", static_cast<unsigned long>(wf->msInfo.firstScan),
                static_cast<unsigned long>(wf->msInfo.lastScan));
  SetText(s, IDC_SDF_SCAN_RANGE, buf);
  char tic[64] = {};
  KELT_FormatIntensityI64(static_cast<int64_t>(wf->msInfo.maxTic), tic);
  std::snprintf(buf, sizeof buf, "%s at %lu", tic, static_cast<unsigned long>(wf->msInfo.maxTicScan));
  SetText(s, IDC_SDF_MAX_RIC, buf);
  int counts[6] = {};
  if (KELT_HaveOlderResults(wf->filePath)) {
    SetText(s, IDC_SDF_ID_MISS_FAIL, "NEED UPDATE");
    SetText(s, IDC_SDF_TIC_UNKN_DUP, "NEED UPDATE");
  } else if (kelt::dlg::ReadResultCounts(wf->filePath, counts)) {
    std::snprintf(buf, sizeof buf, "%d,  %d,  %d", counts[0], counts[1], counts[2]);
    SetText(s, IDC_SDF_ID_MISS_FAIL, buf);
    std::snprintf(buf, sizeof buf, "%d,  %d,  %d", counts[3], counts[5], counts[4]);
    SetText(s, IDC_SDF_TIC_UNKN_DUP, buf);
  } else {
    SetText(s, IDC_SDF_ID_MISS_FAIL, "NO RESULTS");
    SetText(s, IDC_SDF_TIC_UNKN_DUP, "NO RESULTS");
  }
  PostMessageA(s->hookDialog, OFDM_REFRESH, 0, 0);
}

// Why a file cannot be taken, or null when it can.
const char* Refusal(const STRUCT_SEL_DATA_FILE* s, const STRUCT_WORK_FILE* wf) {
  if (!IsMSKind(wf)) return "This is not a MS Data File.";
  if (s->sdsOnly && !IsSdsFile(wf)) return "This is not a SDS file.";
  if (!s->sdsOnly && IsSdsFile(wf)) return "This is a SDS file.";
  const bool centroid = s->centroidOnly && !s->profileOnly, profile = s->profileOnly && !s->centroidOnly;
  if (centroid && wf->profile) return "This is not a centroid file.";
  if (profile && wf->centroid) return "This is not a profile file.";
  if (s->resultsRequired && !KELT_HaveCurrentResults(wf->filePath)) return "This file does not contain current results.";
  return nullptr;
}

void CheckAndPreview(STRUCT_SEL_DATA_FILE* s, const char* path, bool writeNameBox) {
  if (!path || _stricmp(path, s->previewedPath) == 0) return;
  // Typing on in the name box names the same refused file again and again.
  if (s->refusedPath[0] && _stricmp(path, s->refusedPath) == 0) return;
  s->refusedPath[0] = 0;
  STRUCT_WORK_FILE* wf = nullptr;
  if (FileExists(path) && VerifyDataFile(nullptr, path, 1)) wf = MakeWorkFileStruct(path, 0);
  if (!wf) {
    if (s->previewValid) ClearPreview(s, false);
    return;
  }
  if (const char* why = Refusal(s, wf)) {
    FreeWorkFileStruct(wf);
    CopyPath(s->refusedPath, path);
    MessageBoxA(GetActiveWindow(), why, path, MB_OK | MB_ICONINFORMATION);
    if (s->previewValid) ClearPreview(s, false);
    return;
  }
  if (s->workFile) FreeWorkFileStruct(s->workFile);
  s->workFile = wf;
  CopyPath(s->previewedPath, wf->filePath);
  s->previewValid = 1;
  Enable(s, IDC_SDF_OPEN, true);
  if (writeNameBox) {
    s->busy = 1;
    SendMessageA(s->commonDialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(s->previewedPath));
    s->busy = 0;
  }
  Enable(s, IDC_SDF_KEEP_RANGE, s->showPlot != 0);
  if (!s->sdsOnly) {
    Enable(s, IDC_SDF_PLOT_TYPE, s->showPlot != 0);
    Enable(s, IDC_SDF_PLOT_SCANS, s->showPlot != 0);
  }
  FillInfo(s);
}

void RefreshPlot(STRUCT_SEL_DATA_FILE* s) {
  HWND plot = Item(s, IDC_SDF_PLOT);
  double range[3] = {};
  if (SendMessageA(plot, OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range))) {
    s->keptStart = range[0];
    s->keptEnd = range[1];
  }
  ShowPlotTexts(s);
  if (!s->showPlot) {
    SendMessageA(plot, OPM_NOPLOTDATA, 0, 0);
    return;
  }
  SendMessageA(plot, OPM_DISPLAYNOREPAINT, 1, 0);
  SendMessageA(plot, OPM_NOPLOTDATA, 0, 0);
  if (s->previewValid && AnyData(s->workFile) && s->plotSelection) {
    STRUCT_PS* ps = s->plotSelection;
    int16_t dataType = 0;
    if (IsScanFunSelection(ps) && ps->scanFuns) {
      dataType = 301;
    } else if (!IsScanFunSelection(ps) && (ps->chanList.kind == 0 || ps->chanList.kind == 2)) {
      dataType = KELT_GetDataTypeFromMassType(ps->massList.kind);
    } else {
      if (STRUCT_PS* tic = KELT_PS_MakeTIC()) {
        KELT_PS_Free(s->plotSelection);
        s->plotSelection = ps = tic;
      }
      dataType = KELT_GetDataTypeFromMassType(ps->massList.kind);
    }
    auto* request = static_cast<STRUCT_OPLOT_DISPLAY_FILE*>(AllocBlock(sizeof(STRUCT_OPLOT_DISPLAY_FILE)));
    if (request) {
      request->useFirstFreeSlot = 0;
      request->slot = 0;
      if (s->keepTimeRange && s->keptStart != 0.0 && s->keptEnd != 0.0) {
        request->useGivenRange = 1;
        request->rangeStart = s->keptStart;
        request->rangeEnd = s->keptEnd;
      }
      CopyPath(request->path, s->previewedPath);
      request->plotKind = dataType;
      request->plotSubKind = static_cast<int16_t>(ps->selection2);
      request->chanList = ps->chanList;
      request->massList = ps->massList;
      if (dataType == 301) {
        // The file's own scan functions are plotted merged when the copy fails.
        request->plotKind = KELT_GetDataTypeFromMassType(ps->massList.kind);
        KELT_InitMergedChanList(&request->chanList);
      }
      SendMessageA(plot, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(request));
      FreeBlock(request);
    }
  }
  SendMessageA(plot, OPM_DISPLAYNOREPAINT, 0, 0);
}

std::string RecentPath(int n) { return kelt::dlg::openkit::RecentPath("run", n); }

void ShowRecentMenu(STRUCT_SEL_DATA_FILE* s) {
  kelt::dlg::openkit::ShowRecentMenu(&s->recentMenu, s->hookDialog, "run", SDF_RECENT_MOST, IDC_SDF_RECENT_FIRST);
}

// OFDM_SELCHANGE: the name or selection may name another file now.
void SelectionChanged(STRUCT_SEL_DATA_FILE* s) {
  if (s->busy) return;
  s->busy = 1;
  // The name as typed, joined to the folder: the common dialog's own full
  // path would already carry the default extension.
  char folder[260] = {}, typed[260] = {};
  SendMessageA(s->commonDialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
  SendMessageA(s->commonDialog, CDM_GETSPEC, sizeof typed, reinterpret_cast<LPARAM>(typed));
  folder[259] = typed[259] = 0;
  std::string p = typed;
  while (!p.empty() && p.back() == ' ') p.pop_back();
  while (!p.empty() && p.front() == ' ') p.erase(p.begin());
  if (!p.empty() && !(p.size() > 1 && p[1] == ':') && p[0] != '\\') {
    std::string f = folder;
    if (!f.empty() && f.back() != '\\') f += '\\';
    p = f + p;
  }
  if (p.size() > 255) p.clear();
  if (p.empty() || p[0] == '*' || p.find_last_of('*') != std::string::npos) {
    s->busy = 0;
    if (s->previewValid) ClearPreview(s, false);
    return;
  }
  char name[260], ext[260];
  SplitFilePath(p.c_str(), folder, name, ext);
  const int filter = static_cast<int>(SendMessageA(GetDlgItem(s->commonDialog, cmb1), CB_GETCURSEL, 0, 0));
  auto completes = [&](const char* candidate) {
    const size_t typed = std::strlen(ext);
    return typed < std::strlen(candidate) && _strnicmp(ext, candidate, typed) == 0;
  };
  if (filter == 0) {
    for (const char* candidate : {".xms", ".kms"}) {
      if (!completes(candidate)) continue;
      const std::string whole = p + (candidate + std::strlen(ext));
      if (FileExists(whole.c_str())) {
        p = whole;
        SendMessageA(s->commonDialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(candidate + 1));
        break;
      }
    }
  } else if (filter == 1 || filter == 2) {
    const char* candidate = filter == 1 ? ".xms" : ".kms";
    if (completes(candidate)) p += candidate + std::strlen(ext);
  }
  s->busy = 0;
  CheckAndPreview(s, p.c_str(), true);
}

void Layout(STRUCT_SEL_DATA_FILE* s) {
  HWND common = s->commonDialog;
  auto rectIn = [&](HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, common, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  if (HWND ok = GetDlgItem(common, IDOK)) MoveWindow(ok, 0, 0, 0, 0, FALSE);
  HWND place = Item(s, IDC_SDF_CANCEL_PLACE);
  HWND cancel = GetDlgItem(common, IDCANCEL);
  if (place && cancel) {
    const RECT r = rectIn(place);
    MoveWindow(place, 0, 0, 0, 0, FALSE);
    MoveWindow(cancel, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    SetWindowPos(cancel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  HWND list = GetDlgItem(common, lst2);
  HWND group = Item(s, IDC_SDF_INFO_GROUP);
  if (list && group) {
    const RECT l = rectIn(list), g = rectIn(group);
    if (g.left - 10 > l.left) MoveWindow(list, l.left, l.top, g.left - 10 - l.left, l.bottom - l.top, TRUE);
  }
  InvalidateRect(common, nullptr, TRUE);
}

void InitHook(HWND hook, OPENFILENAMEA* ofn) {
  auto* s = reinterpret_cast<STRUCT_SEL_DATA_FILE*>(ofn->lCustData);
  s->request = ofn;
  s->hookDialog = hook;
  s->commonDialog = GetParent(hook);
  s->previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(s->commonDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SelectDataFileParentProc)));
  s->accepting = 0;
  s->recentMenu = nullptr;
  s->keptStart = s->keptEnd = 0.0;
  SetPropA(hook, kProp, s);
  SetPropA(s->commonDialog, kProp, s);
  SendMessageA(Item(s, IDC_SDF_PLOT), OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("SelKMSDlgChroChroPrefs"));
  if (s->sdsOnly) {
    Enable(s, IDC_SDF_PLOT_TYPE, false);
    Enable(s, IDC_SDF_PLOT_SCANS, false);
  }
  ReadSettings(s);
  ShowPlotTexts(s);
  CheckDlgButton(hook, IDC_SDF_SHOW_PLOT, s->showPlot ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hook, IDC_SDF_KEEP_RANGE, s->keepTimeRange ? BST_CHECKED : BST_UNCHECKED);
  const char* bottom = nullptr;
  if (s->sdsOnly) bottom = "SELECT SDS FILE ONLY";
  else if (s->centroidOnly && !s->profileOnly) bottom = "SELECT CENTROID FILE ONLY";
  else if (s->profileOnly && !s->centroidOnly) bottom = "SELECT PROFILE FILE ONLY";
  if (bottom) SetText(s, IDC_SDF_BOTTOM_LINE, bottom);
  else MoveWindow(Item(s, IDC_SDF_BOTTOM_LINE), 0, 0, 0, 0, FALSE);
  ClearPreview(s, false);
  PostMessageA(hook, OFDM_LAYOUT, 0, 0);
}

void CloseHook(STRUCT_SEL_DATA_FILE* s, HWND hook) {
  RemovePropA(hook, kProp);
  WriteSettings(s);
  if (s->plotSelection) KELT_PS_Free(s->plotSelection);
  s->plotSelection = nullptr;
  if (s->workFile) FreeWorkFileStruct(s->workFile);
  s->workFile = nullptr;
  if (s->recentMenu) DestroyMenu(s->recentMenu);
  s->recentMenu = nullptr;
}

void HookCommand(STRUCT_SEL_DATA_FILE* s, int id) {
  if (id > IDC_SDF_RECENT_FIRST && id <= IDC_SDF_RECENT_FIRST + SDF_RECENT_MOST) {
    const std::string path = RecentPath(id - IDC_SDF_RECENT_FIRST);
    if (!path.empty()) CheckAndPreview(s, path.c_str(), true);
    return;
  }
  switch (id) {
    case IDC_SDF_RECENT: ShowRecentMenu(s); break;
    case IDC_SDF_SHOW_PLOT:
      s->showPlot = IsDlgButtonChecked(s->hookDialog, IDC_SDF_SHOW_PLOT) == BST_CHECKED ? 1 : 0;
      if (!s->sdsOnly) {
        Enable(s, IDC_SDF_PLOT_TYPE, s->showPlot && s->previewValid);
        Enable(s, IDC_SDF_PLOT_SCANS, s->showPlot && s->previewValid);
      }
      Enable(s, IDC_SDF_KEEP_RANGE, s->showPlot && s->previewValid);
      RefreshPlot(s);
      break;
    case IDC_SDF_KEEP_RANGE: {
      s->keepTimeRange = IsDlgButtonChecked(s->hookDialog, IDC_SDF_KEEP_RANGE) == BST_CHECKED ? 1 : 0;
      if (!s->keepTimeRange && s->showPlot) RefreshPlot(s);
      break;
    }
    case IDC_SDF_OPEN:
      if (!s->previewValid) break;
      s->accepted = 1;
      CopyPath(s->path, s->previewedPath);
      s->previewValid = 0;
      PostMessageA(s->commonDialog, WM_COMMAND, IDOK, 0);
      break;
    case IDC_SDF_PLOT_TYPE: {
      if (!s->previewValid || !s->workFile || !s->plotSelection) break;
      int16_t code = 1;
      if (Dlg_EditDataType(&s->plotSelection->massList, &code, s->workFile)) {
        s->plotSelection->selection1 = static_cast<uint16_t>(code);
        RefreshPlot(s);
      }
      break;
    }
    case IDC_SDF_PLOT_SCANS: {
      if (!s->previewValid || !s->workFile) break;
      STRUCT_PS* chosen = nullptr;
      if (Dlg_SelectScanFuns(s->workFile, s->plotSelection, &chosen) && chosen) {
        if (!KELT_PS_Compare(s->plotSelection, chosen)) {
          KELT_PS_Free(s->plotSelection);
          s->plotSelection = chosen;
          RefreshPlot(s);
        } else {
          KELT_PS_Free(chosen);
        }
      }
      break;
    }
    case KELT_HELP_BUTTON_ID: KELT_ShowHelpTopic(106, 1); break;
    default: break;
  }
}

}  // namespace

UINT_PTR CALLBACK SelectDataFileHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    InitHook(hook, reinterpret_cast<OPENFILENAMEA*>(lParam));
    return 1;
  }
  STRUCT_SEL_DATA_FILE* s = State(hook);
  if (!s) return 0;
  switch (msg) {
    case OFDM_LAYOUT: Layout(s); return 1;
    case OFDM_REFRESH: RefreshPlot(s); return 1;
    case OFDM_SELCHANGE: SelectionChanged(s); return 1;
    case WM_NOTIFY: {
      const auto* nm = reinterpret_cast<const OFNOTIFYA*>(lParam);
      if (!nm) return 0;
      kelt::dlg::openkit::PreviewNotify(s, hook, nm->hdr.code, ClearPreview, CheckAndPreview);
      if (nm->hdr.code == CDN_FILEOK) {
        if (!s->accepting && s->previewValid && s->previewedPath[0]) {
          CopyPath(s->path, s->previewedPath);
          s->accepting = 1;
          s->accepted = 1;
        }
      }
      s->accepting = 0;
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) HookCommand(s, LOWORD(wParam));
      return 1;
    case WM_CONTEXTMENU:
      kelt::dlg::openkit::ContextHelp(hook, lParam, 106);
      return 1;
    case WM_CHAR:
      if (wParam == VK_ESCAPE && SendMessageA(Item(s, IDC_SDF_PLOT), OPM_ESCAPETRACKING, 0, 0)) return 0;
      return 1;
    case WM_DESTROY: CloseHook(s, hook); return 0;
    default: return 0;
  }
}

LRESULT CALLBACK SelectDataFileParentProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  STRUCT_SEL_DATA_FILE* s = State(dialog);
  if (!s || !s->previousProc) return DefWindowProcA(dialog, msg, wParam, lParam);
  const WNDPROC previous = s->previousProc;
  if (msg == WM_COMMAND && !s->busy) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDCANCEL) SendMessageA(GetDlgItem(s->hookDialog, IDC_SDF_PLOT), OPM_ESCAPETRACKING, 0, 0);
    else kelt::dlg::openkit::WatchParentCommand(s, id, code, ClearPreview);
  } else if (msg == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE) {
    DialogChildCreated(dialog);
  } else if (msg == WM_DESTROY) {
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(dialog, kProp);
  }
  return CallWindowProcA(previous, dialog, msg, wParam, lParam);
}

namespace kelt::dlg {

bool ReadResultCounts(const char* path, int counts[6]) {
  if (!path || !counts || !KELT_HaveCurrentResults(path)) return false;
  HSECTION section = OpenSectionReadOnly(path, "MSResults:h4", nullptr);
  if (!section) return false;
  uint8_t header[kelt::results::kHeaderSize] = {};
  const bool ok = ReadSection(section, header, sizeof header) == sizeof header;
  CloseSection(section);
  if (!ok) return false;
  for (int i = 0; i < 6; ++i) {
    int16_t v = 0;
    std::memcpy(&v, header + kelt::results::kStepCountOffsets[i], sizeof v);
    counts[i] = v;
  }
  return true;
}

}  // namespace kelt::dlg

int16_t Dlg_SelectDataFile(HWND owner, char* path, const char* initialFolder, int16_t centroidOnly,
                           int16_t profileOnly, int16_t resultsRequired, int16_t sdsOnly) {
  if (!path) return 0;
  AddResources();
  auto* scratch = static_cast<kelt::dlg::openkit::OpenNames*>(AllocBlock(sizeof(kelt::dlg::openkit::OpenNames)));
  auto* ofn = static_cast<OPENFILENAMEA*>(AllocBlock(sizeof(OPENFILENAMEA)));
  auto* s = static_cast<STRUCT_SEL_DATA_FILE*>(AllocBlock(sizeof(STRUCT_SEL_DATA_FILE)));
  STRUCT_PS* ps = KELT_PS_MakeTIC();
  auto freeAll = [&] {
    if (ps) KELT_PS_Free(ps);
    FreeBlock(scratch);
    FreeBlock(ofn);
    FreeBlock(s);
  };
  if (!scratch || !ofn || !s || !ps) {
    freeAll();
    return 0;
  }
  if (sdsOnly) ps->chanList.kind = 2;
  // The initial file: the caller's, else the last one of this kind.
  const char* initial = nullptr;
  const size_t given = strnlen(path, 260);
  if (given > 0 && given < 260 && KELT_DoesFileExist(path)) initial = path;
  if (!initial) {
    const STRUCT_LAST_FILES* last = KELT_GetKeltLastFiles();
    const char* slot = sdsOnly ? last->dataFile2 : last->dataFile;
    if (slot[0] && std::memchr(slot, 0, 260) && KELT_DoesFileExist(slot)) initial = slot;
  }
  if (initial) {
    char name[260], ext[260];
    SplitFilePath(initial, scratch->folder, name, ext);
    const size_t n = std::strlen(scratch->folder);
    if (n > 0) scratch->folder[n - 1] = 0;
    CopyPath(scratch->file, (std::string(name) + ext).c_str());
    CopyPath(s->path, initial);
  } else {
    if (initialFolder) CopyPath(scratch->folder, initialFolder);
    else GetProgramDirectory(scratch->folder);
    CopyPath(scratch->file, "*.?ms");
  }
  const char* caption = "Select MS Data File";
  if (sdsOnly) caption = "Select SDS MS Data File";
  else if (centroidOnly && !profileOnly) caption = "Select Centroid MS Data File";
  else if (profileOnly && !centroidOnly) caption = "Select Profile MS Data File";
  CopyPath(scratch->caption, caption);
  CopyPath(scratch->defExt, "xms");
  if (!kelt::dlg::openkit::PrepareOpen(ofn, scratch, owner, SEL_DATA_FILE_FILTER_STRING, SelectDataFileHookProc, SEL_DATA_FILE_TEMPLATE,
                                       reinterpret_cast<LPARAM>(s))) {
    freeAll();
    return 0;
  }
  s->owner = owner;
  s->centroidOnly = centroidOnly;
  s->profileOnly = profileOnly;
  s->resultsRequired = resultsRequired;
  s->sdsOnly = sdsOnly;
  s->plotSelection = ps;
  ps = nullptr;  // the hook frees it when it closes
  GetOpenFileNameA(ofn);
  if (s->plotSelection) KELT_PS_Free(s->plotSelection);  // the hook never started
  if (s->workFile) FreeWorkFileStruct(s->workFile);
  s->plotSelection = nullptr;
  s->workFile = nullptr;
  int16_t result = 0;
  if (s->accepted && s->path[0] && FileExists(s->path)) {
    CopyPath(path, s->path);
    STRUCT_LAST_FILES* last = KELT_GetKeltLastFiles();
    CopyPath(sdsOnly ? last->dataFile2 : last->dataFile, path);
    SetDefaultFolderForType(path, "run");
    result = 1;
  }
  freeAll();
  return result;
}

int16_t Dlg_SelectKMSFile(HWND owner, char* path, const char* initialFolder, int16_t centroidOnly, int16_t profileOnly,
                          int16_t resultsRequired) {
  return Dlg_SelectDataFile(owner, path, initialFolder, centroidOnly, profileOnly, resultsRequired, 0);
}
