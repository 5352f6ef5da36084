// The multiple-files dialog: entry, settings, the hook on the open dialog,
// the preview of the file under the cursor, the grid of rows and the strip
// of plot numbers beside it.
#include "dialogs/open_dialog_kit.h"
#include "dialogs/multiple_files_dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/library_state.h"
#include "common/log_text_files.h"
#include "common/number_format.h"
#include "common/plot_titles.h"
#include "common/preference_records.h"
#include "common/scan_fun_info.h"
#include "common/work_file_facts.h"
#include "dialogs/data_file_open_dialog.h"
#include "dialogs/data_type_dialogs.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/scan_function_dialogs.h"
#include "dialogs/select_channel_dialog.h"
#include "lumak32/lumak32.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "orvik32/orvik32_dialogs.h"
#include "overlayctl/overlay_messages.h"
#include "overlayctl/overlay_plot_control.h"
#include "quorna/quorna.h"
#include "ss32d25/ss32d25.h"
#include "ulbrec32/file_paths.h"
#include "win/win_crt.h"
#include "win/win_gdi.h"
#include "win/win_menus.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr const char* kProp = "D";
constexpr const char* kFilter =
    "Data Files (*.KMS, *.XMS, *.RUN, *.MS)|*.KMS;*.XMS;*.RUN;*.MS|XMS Files (*.XMS)|*.XMS|KMS Files (*.KMS)|*.KMS|"
    "MS Files (*.MS)|*.MS|RUN Files (*.RUN)|*.RUN|All Files (*.*)|*.*|";
constexpr int kValueFields[] = {IDC_MF_FILE,    IDC_MF_DATA_TYPE, IDC_MF_SAMPLE,   IDC_MF_INJECT_DATE,
                                IDC_MF_RUN_TIME, IDC_MF_SCAN_RANGE, IDC_MF_OPERATOR, IDC_MF_NOTES,
                                IDC_MF_MAX_RIC, IDC_MF_RESULTS1,  IDC_MF_RESULTS2};

// The dialog's context: one zero-filled block for the dialog's life.
struct STRUCT_MULT_FILES_DLG {
  HWND owner;
  STRUCT_MULT_FILES_ROW* rows;
  int16_t count;
  int16_t visibleRows;
  char lastDataFile[260];
  char title[101];
  int16_t firstRowFixed;
  int16_t result;
  STRUCT_WORK_FILE* rowFiles[MULT_FILES_MOST_ROWS];
  char previewPath[260];
  STRUCT_WORK_FILE* previewFile;
  STRUCT_PS* previewSelection;
  int16_t previewIsMs;
  int16_t showPreview;
  int16_t keepTimeRange;
  int16_t autoSelect;
  double keptStart, keptEnd;
  HWND fileDialog, child, grid;
  WNDPROC previousProc;
  HMENU recentMenu;
  HFONT fileFont;
  WNDPROC stripProc;
  int16_t stripPressed;
  int16_t insertRow;  // 1-based; -1 none
  int16_t pending;
  int16_t nameBoxFocused;
  int16_t writingName;
  int16_t forcedOk;
  int16_t editColumn, editRow;
  char typed[201];
  int16_t typedLength;
  RECT laidOut;
  int previewGroupHeight;
};

using Ctx = STRUCT_MULT_FILES_DLG;

Ctx* Of(HWND h) { return static_cast<Ctx*>(GetPropA(h, kProp)); }
HWND Item(Ctx* s, int id) { return GetDlgItem(s->child, id); }
void Enable(Ctx* s, int id, bool on) { EnableWindow(Item(s, id), on ? TRUE : FALSE); }
void SetText(Ctx* s, int id, const std::string& text) { SetDlgItemTextA(s->child, id, text.c_str()); }

void CopyPath(char* to, const char* from, size_t room = 260) {
  const size_t n = from ? strnlen(from, room - 1) : 0;
  if (n) std::memcpy(to, from, n);
  to[n] = 0;
}

std::string Narrow(const char16_t* text, size_t room) {
  std::string out;
  for (size_t i = 0; i < room && text[i]; ++i) out += text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
  return out;
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char text[600];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// The last name of a path (what follows its last "\").
void GetFileNameFromPath(const char* path, char* name) {
  const char* slash = path ? std::strrchr(path, '\\') : nullptr;
  CopyPath(name, slash ? slash + 1 : path ? path : "");
}

bool IsMs(const STRUCT_WORK_FILE* wf) { return wf && (wf->directHeader || wf->centroid || wf->profile); }
bool IsChannelFile(const STRUCT_WORK_FILE* wf) { return wf && !IsMs(wf) && wf->channelTable; }
int ChannelCount(const STRUCT_WORK_FILE* wf) { return wf && wf->channelTable ? wf->channelTable->channelCount : 0; }
// The segments of this workstation's MS files hold no SDS data.
bool IsSdsFile(const STRUCT_WORK_FILE*) { return false; }
int NamedChannels(const STRUCT_WORK_FILE* wf) { return IsMs(wf) ? wf->msInfo.extraColumnCount : 0; }

// ---- Resources and settings --------------------------------------------------

void AddResources() {
  win::resources::DialogTemplate t;
  if (!kelt::dlg::openkit::BeginTemplate(MULT_FILES_FILTER_STRING, kFilter, MULT_FILES_TEMPLATE, 440, &t)) return;
  const DWORD field = WS_VISIBLE | SS_LEFT | SS_SUNKEN;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items.push_back({IDC_MF_INFO_GROUP, "Button", "Preview Data File Information", WS_VISIBLE | BS_GROUPBOX, 0, 288,
                     4, 200, 152});
  const kelt::dlg::openkit::PreviewRow rows[] = {{3502, IDC_MF_FILE, "File:"},
              {3522, IDC_MF_DATA_TYPE, "Data Type:"},
              {IDC_MF_SAMPLE_LABEL, IDC_MF_SAMPLE, "Sample:"},
              {3506, IDC_MF_INJECT_DATE, "Inject Date:"},
              {3508, IDC_MF_RUN_TIME, "Run Time:"},
              {IDC_MF_SCAN_LABEL, IDC_MF_SCAN_RANGE, "Scan Range:"},
              {IDC_MF_OPERATOR_LABEL, IDC_MF_OPERATOR, "Operator:"},
              {IDC_MF_NOTES_LABEL, IDC_MF_NOTES, "Sample Notes:"},
              {IDC_MF_MAX_RIC_LABEL, IDC_MF_MAX_RIC, "Max RIC:"},
              {IDC_MF_RESULTS1_LABEL, IDC_MF_RESULTS1, "ID/Miss/Fail:"},
              {IDC_MF_RESULTS2_LABEL, IDC_MF_RESULTS2, "TIC/Unkn/Dup:"}};
  kelt::dlg::openkit::AddPreviewRows(&t, rows, std::size(rows), 16, 293, 60, 355, 128);
  t.items.push_back({IDC_MF_RECENT, "Button", "&Recent Files...", push, 0, 6, 144, 70, 14});
  kelt::dlg::openkit::AddButtonRow(&t, IDC_MF_OPEN, "&Open File(s)", false, IDC_MF_CANCEL_PLACE, 160);
  const short by = 180;
  t.items.push_back({IDC_MF_ADD, "Button", "&Add\\Replace", push | WS_DISABLED, 0, 6, by, 58, 14});
  t.items.push_back({IDC_MF_CLEAR, "Button", "&Clear Row(s)", push | WS_DISABLED, 0, 68, by, 58, 14});
  t.items.push_back({IDC_MF_FILL_DOWN, "Button", "&Fill Down", push | WS_DISABLED, 0, 130, by, 50, 14});
  t.items.push_back({IDC_MF_MOVE_UP, "Button", "Move &Up", push | WS_DISABLED, 0, 184, by, 46, 14});
  t.items.push_back({IDC_MF_MOVE_DOWN, "Button", "Move &Down", push | WS_DISABLED, 0, 234, by, 50, 14});
  t.items.push_back({IDC_MF_EDIT_IONS, "Button", "&Edit Ions", push | WS_DISABLED, 0, 288, by, 48, 14});
  t.items.push_back({IDC_MF_EDIT_SCANS, "Button", "Edit Scan&s", push | WS_DISABLED, 0, 340, by, 50, 14});
  t.items.push_back({IDC_MF_STRIP, "Static", "", WS_VISIBLE | SS_NOTIFY, 0, 6, 198, 14, 100});
  t.items.push_back({IDC_MF_GRID, SS_GRID_CLASS, "OpenMultipleFiles", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 20,
                     198, 468, 100});
  t.items.push_back({IDC_MF_SHOW_PREVIEW, "Button", "Show Preview of Data File Plot",
                     WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 6, 304, 130, 11});
  t.items.push_back({IDC_MF_KEEP_RANGE, "Button", "&Keep Time Range", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                     140, 304, 80, 11});
  t.items.push_back({IDC_MF_PLOT_GROUP, "Button", "Preview of Data File Plot", WS_VISIBLE | BS_GROUPBOX, 0, 6, 318,
                     482, 118});
  t.items.push_back({IDC_MF_PLOT_TYPE, "Button", "Plot Type:", push | WS_DISABLED, 0, 12, 330, 48, 13});
  t.items.push_back({IDC_MF_PLOT_TYPE_TEXT, "Static", "", field, 0, 64, 331, 170, 11});
  t.items.push_back({IDC_MF_PLOT_SCANS, "Button", "Plot Scans:", push | WS_DISABLED, 0, 244, 330, 48, 13});
  t.items.push_back({IDC_MF_PLOT_SCANS_TEXT, "Static", "", field, 0, 296, 331, 186, 11});
    // The overlay plot control draws the preview; its specialised kinds share its class.
  t.items.push_back({IDC_MF_PLOT, "KELT_OP", "", WS_VISIBLE | WS_BORDER, 0, 12, 346, 470, 84});
  kelt::dlg::openkit::EndTemplate(MULT_FILES_TEMPLATE, t);
}

STRUCT_MULT_FILES_PARAMS DefaultParams() {
  STRUCT_MULT_FILES_PARAMS p{};
  p.showPreview = 1;
  return p;
}

STRUCT_MULT_FILES_PARAMS ReadParams() {
  STRUCT_MULT_FILES_PARAMS p{};
  if (!GetPrivateProfileStructA("ZO_OpenFiles", "Params", &p, sizeof p, kelt::lib::PreferencesIniPath())) p = DefaultParams();
  p.lastDataFile[259] = 0;
  if (p.lastDataFile[0] && !KELT_DoesFileExist(p.lastDataFile)) p.lastDataFile[0] = 0;
  return p;
}

void WriteParams(const STRUCT_MULT_FILES_PARAMS& p) {
  STRUCT_MULT_FILES_PARAMS out{};  // padding written as zeros
  out.showPreview = p.showPreview;
  out.keepTimeRange = p.keepTimeRange;
  out.keptStart = p.keptStart;
  out.keptEnd = p.keptEnd;
  CopyPath(out.lastDataFile, p.lastDataFile);
  WritePrivateProfileStructA("ZO_OpenFiles", "Params", &out, sizeof out, kelt::lib::PreferencesIniPath());
}

int16_t AutoSelectDefault() { return kelt::prefs::DefaultGlobalPrefs().features.flag0; }

// ---- Rows ----------------------------------------------------------------------

void SetUnits(STRUCT_MULT_FILES_ROW& r, const STRUCT_WORK_FILE* wf) {
  char units[KELT_UNITS_SIZE] = {};
  KELT_GetUnitsForDataType(r.dataType, r.massList.kind, 0, wf, units);
  CopyPath(r.units, units, sizeof r.units);
}

void FreeScanFuns(STRUCT_MULT_FILES_ROW& r) {
  if (r.scanFuns) FreeBlock(r.scanFuns);
  r.scanFuns = nullptr;
}

// Plot settings back to RIC over merged scan functions.
void ResetPlot(STRUCT_MULT_FILES_ROW& r, const STRUCT_WORK_FILE* wf) {
  FreeScanFuns(r);
  KELT_InitRICMassList(&r.massList);
  KELT_InitMergedChanList(&r.chanList);
  r.channel = 0;
  r.dataType = IsChannelFile(wf) ? MULT_FILES_DATA_TYPE_CHANNEL : 0;
  SetUnits(r, wf);
}

void EmptyRow(Ctx* s, int i) {
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  if (s->rowFiles[i]) FreeWorkFileStruct(s->rowFiles[i]);
  s->rowFiles[i] = nullptr;
  r.inUse = 0;
  r.path[0] = 0;
  FreeScanFuns(r);
  if (r.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS) {
    r.dataType = 0;
    KELT_InitRICMassList(&r.massList);
  }
}

STRUCT_SCAN_FUN_ARRAY* OneScanFun(const STRUCT_SCAN_FUN_INFO& info) {
  auto* a = static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(sizeof(STRUCT_SCAN_FUN_ARRAY)));
  if (!a) return nullptr;
  a->count = 1;
  CopyPath(a->entries[0].segments, info.segmentList, sizeof a->entries[0].segments);
  CopyPath(a->entries[0].name, info.shortName, sizeof a->entries[0].name);
  CopyPath(a->entries[0].identity, info.longName, sizeof a->entries[0].identity);
  return a;
}

// The file's scan functions (numbered channel entries), freed with the object.
struct ScanFuns {
  STRUCT_SCAN_FUN_INFO* all = nullptr;
  std::vector<const STRUCT_SCAN_FUN_INFO*> list;
  explicit ScanFuns(const STRUCT_WORK_FILE* wf) {
    int16_t count = 0;
    if (IsMs(wf)) all = PD_GetScanFunInfoForDataFile(wf, &count, 0);
    for (int i = 0; all && i < count; ++i)
      if (all[i].kind == 1) list.push_back(&all[i]);
  }
  ~ScanFuns() {
    if (all) FreeBlock(all);
  }
  ScanFuns(const ScanFuns&) = delete;
  ScanFuns& operator=(const ScanFuns&) = delete;
  int Find(const char* identity) const {
    for (size_t i = 0; i < list.size(); ++i)
      if (_stricmp(list[i]->longName, identity) == 0) return int(i);
    return -1;
  }
};

std::string ChanListText(const STRUCT_CHAN_LIST& c) {
  if (c.kind != 1 || c.count == 0) return "";
  if (c.count == 1 && c.entries[0].low == c.entries[0].high) return Printf("Channel %d", c.entries[0].low + 1);
  std::string out;
  for (int i = 0; i < c.count && i < CHAN_LIST_MAX_ENTRIES; ++i) {
    if (i) out += "+";
    out += c.entries[i].low == c.entries[i].high ? Printf("%d", c.entries[i].low + 1)
                                                 : Printf("%d:%d", c.entries[i].low + 1, c.entries[i].high + 1);
  }
  return out;
}

int SetCellById(Ctx* s, int columnId, int row, const std::string& text) {
  return SetGridCellTextById(s->grid, columnId, row, text.c_str());
}

int Column(Ctx* s, int id) { return int(SendMessageA(s->grid, SSM_GETCOLFROMID, 0, id)); }

// Builds and sets one list cell; 0 or an error code.
int SetList(Ctx* s, int columnId, int row, const std::string& items, int value) {
  const int col = Column(s, columnId);
  if (col <= 0) return 2;
  ResetGridCell(s->grid, col, row, SS_RESET_ALL, 0, 0);
  auto* type = static_cast<SS_CELLTYPE*>(AllocBlock(sizeof(SS_CELLTYPE)));
  if (!type) return 6;
  int code = 0;
  if (!SetGridListType(s->grid, type, 2, items.c_str()) || !SetGridCellType(s->grid, col, row, type)) code = 3;
  FreeBlock(type);
  if (!code && value >= 0) code = SetCellById(s, columnId, row, std::to_string(value));
  return code;
}

int FillTypeCell(Ctx* s, int i) {
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  const STRUCT_WORK_FILE* wf = s->rowFiles[i];
  for (int k = 0; k < 6; ++k) r.listIndexes[k] = -1;
  if (IsChannelFile(wf)) {
    r.listIndexes[MF_TYPE_COUNT] = 1;
    return SetList(s, MF_COL_TYPE, i + 1, "Channel\t", 0);
  }
  const int decimals = kelt::wff::MassDecimals(wf);
  std::string items;
  char ranges[KELT_ION_RANGES_TEXT_SIZE] = {};
  if (KELT_GetIonRangesStringForChannelFormula(wf, &r.chanList, ranges) && ranges[0]) {
    items = Printf("RIC (%s)", ranges);
  } else {
    char format[40];
    std::snprintf(format, sizeof format, "RIC (%%.%df - %%.%df)", decimals, decimals);
    double low = kelt::wff::LowestMass(wf), high = kelt::wff::HighestMass(wf);
    if (high <= low) {
      // No limits in the type descriptor: those the acquisition recorded.
      low = wf->msInfo.lowerMassLimit;
      high = wf->msInfo.upperMassLimit;
    }
    char text[80];
    std::snprintf(text, sizeof text, format, low, high);
    items = text;
  }
  items += "\tIon(s)\tIntensity of Base Peak\tBase Peak Ion\t";
  int n = 4;
  for (int c = 0; c < NamedChannels(wf); ++c) {
    if (c == 0) r.listIndexes[MF_TYPE_FIRST_CHANNEL] = int16_t(n);
    items += Narrow(wf->msInfo.extraColumnNames[c], 14) + "\t";
    r.listIndexes[MF_TYPE_LAST_CHANNEL] = int16_t(n);
    ++n;
  }
  const bool ions = r.dataType == 1 || (r.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS && r.massList.kind == 4 && r.scanFuns);
  if (ions) {
    char text[420] = {};
    FormatMassListText(text, &r.massList, decimals);
    items += std::string(text) + "\t";
    r.listIndexes[MF_TYPE_ION_FORMULA] = int16_t(n++);
  }
  r.listIndexes[MF_TYPE_COUNT] = int16_t(n);
  int value = 0;
  if (ions) value = r.listIndexes[MF_TYPE_ION_FORMULA];
  else if (r.dataType != MULT_FILES_DATA_TYPE_SCAN_FUNS && r.dataType >= 0 && r.dataType < n) value = r.dataType;
  return SetList(s, MF_COL_TYPE, i + 1, items, value);
}

int FillScansCell(Ctx* s, int i) {
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  const STRUCT_WORK_FILE* wf = s->rowFiles[i];
  for (int k = 6; k < 14; ++k) r.listIndexes[k] = -1;
  std::string items;
  int n = 0;
  if (IsChannelFile(wf)) {
    for (int c = 0; c < ChannelCount(wf); ++c) {
      const STRUCT_DETECTOR_CHANNEL* ch = DetectorChannelAt(wf->channelTable, c);
      items += Printf("%.20s %.20s %.20s", ch->name, ch->label, ch->yUnit) + "\t";
      ++n;
    }
    r.listIndexes[MF_SCANS_COUNT] = int16_t(n);
    return SetList(s, MF_COL_SCANS, i + 1, items, r.channel >= 0 && r.channel < n ? r.channel : -1);
  }
  items = "all\tmerged\t";
  r.listIndexes[MF_SCANS_MERGED] = 1;
  n = 2;
  // Flag 9 of the record: the MS data library's own kind of file.
  if (!wf->live) {
    items += "scan function(s)...\t";
    r.listIndexes[MF_SCANS_SCAN_FUNS] = int16_t(n++);
  }
  ScanFuns funs(wf);
  for (size_t k = 0; k < funs.list.size(); ++k) {
    if (k == 0) r.listIndexes[MF_SCANS_FIRST_FUN] = int16_t(n);
    items += Printf("%s (%s)", funs.list[k]->shortName, funs.list[k]->segmentList) + "\t";
    r.listIndexes[MF_SCANS_LAST_FUN] = int16_t(n++);
  }
  std::string current;
  if (r.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS && r.scanFuns) {
    char title[KELT_PLOT_TITLE_SIZE + 1] = {};
    SCAN_FUN_GetPlotTitle(wf, &r.massList, r.scanFuns, title, KELT_PLOT_TITLE_SIZE);
    current = title;
  } else if (r.chanList.kind == 1) {
    current = ChanListText(r.chanList);
  }
  if (!current.empty()) {
    items += current + "\t";
    r.listIndexes[MF_SCANS_CURRENT] = int16_t(n++);
  }
  r.listIndexes[MF_SCANS_COUNT] = int16_t(n);
  int value = 0;
  if (r.listIndexes[MF_SCANS_CURRENT] >= 0) value = r.listIndexes[MF_SCANS_CURRENT];
  else if (r.chanList.kind == 0 && r.dataType != MULT_FILES_DATA_TYPE_SCAN_FUNS) value = 1;
  return SetList(s, MF_COL_SCANS, i + 1, items, value);
}

int FileColumnWidth(Ctx* s) {
  int32_t w = 0;
  GetGridColumnWidthPixels(s->grid, 1, &w);
  return w;
}

int FillRow(Ctx* s, int i) {
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  std::string path = r.path;
  for (char& c : path) c = char(std::tolower(static_cast<unsigned char>(c)));
  HDC dc = GetDC(s->grid);
  HGDIOBJ old = SelectObject(dc, GetGridCellFont(s->grid, 1, i + 1));
  const std::string prefix = i == 0 && s->firstRowFixed ? "LOCKED " : "";
  std::string shown = kelt::dlg::ShortenPathForDc(path, FileColumnWidth(s) - 5 - (prefix.empty() ? 0 : 40), dc);
  SelectObject(dc, old);
  ReleaseDC(s->grid, dc);
  int code = SetCellById(s, MF_COL_FILE, i + 1, prefix + shown);
  if (!code) code = FillTypeCell(s, i);
  if (!code) code = FillScansCell(s, i);
  if (code) SetCellById(s, MF_COL_FILE, i + 1, "");
  return code;
}

void ClearRowCells(Ctx* s, int i) {
  ResetGridCell(s->grid, Column(s, MF_COL_TYPE), i + 1, SS_RESET_ALL, 0, 0);
  ResetGridCell(s->grid, Column(s, MF_COL_SCANS), i + 1, SS_RESET_ALL, 0, 0);
  ClearGridRange(s->grid, -1, i + 1, -1, i + 1);
}

// ---- Selection, buttons, insertion row -------------------------------------------------

struct Block {
  bool any = false;
  int col1 = 0, col2 = 0, top = 0, bottom = 0;  // 1-based rows
};

Block Selection(Ctx* s) {
  Block b;
  SS_CELLCOORD a{}, z{};
  if (!GetGridSelectedBlock(s->grid, &a, &z)) return b;
  b.any = true;
  b.col1 = a.col == -1 ? 1 : a.col;
  b.col2 = z.col == -1 ? SS_COLUMNS : z.col;
  b.top = a.row == -1 ? 1 : a.row;
  b.bottom = z.row == -1 ? s->count : z.row;
  b.top = std::clamp(b.top, 1, int(s->count));
  b.bottom = std::clamp(b.bottom, b.top, int(s->count));
  return b;
}

void SelectRow(Ctx* s, int row) {
  SS_CELLCOORD a{-1, row}, z{-1, row};
  SetGridSelectedBlock(s->grid, &a, &z);
  SetGridActiveCell(s->grid, 1, row);
}

void UpdateButtons(Ctx* s) {
  const Block b = Selection(s);
  bool anyFile = false;
  for (int r = b.top; b.any && r <= b.bottom; ++r) anyFile = anyFile || s->rows[r - 1].inUse;
  const bool oneRow = b.any && b.top == b.bottom;
  Enable(s, IDC_MF_CLEAR, anyFile);
  Enable(s, IDC_MF_MOVE_UP, s->count > 1 && oneRow);
  Enable(s, IDC_MF_MOVE_DOWN, s->count > 1 && oneRow);
  Enable(s, IDC_MF_EDIT_IONS, oneRow && s->rows[b.top - 1].inUse);
  Enable(s, IDC_MF_EDIT_SCANS, oneRow && s->rows[b.top - 1].inUse);
  Enable(s, IDC_MF_FILL_DOWN, b.any && s->rows[b.top - 1].inUse && b.bottom > b.top);
  InvalidateRect(Item(s, IDC_MF_STRIP), nullptr, TRUE);
}

void ChooseInsertRow(Ctx* s) {
  if (s->count <= 1) {
    s->insertRow = 1;
    return;
  }
  const int first = s->firstRowFixed ? 2 : 1;
  int chosen = first;
  char text[SS_MAX_TEXT];
  for (int r = first; r <= s->count; ++r) {
    if (GetGridCellText(s->grid, Column(s, MF_COL_FILE), r, text) <= 0) {
      chosen = r;
      break;
    }
  }
  s->insertRow = int16_t(chosen);
  SelectRow(s, chosen);
}

// ---- Preview ------------------------------------------------------------------------

void ShowPlotTexts(Ctx* s) {
  std::string type, scans;
  const STRUCT_PS* ps = s->previewSelection;
  const STRUCT_WORK_FILE* wf = s->previewFile;
  if (s->showPreview && ps && wf) {
    if (!s->previewIsMs) {
      type = "Absorbance";
      const int ch = ps->selection2;
      if (wf->channelTable && ch < ChannelCount(wf)) scans = Printf("%.20s", DetectorChannelAt(wf->channelTable, ch)->name);
      else scans = Printf("%d", ch + 1);
    } else {
      const int dataType = KELT_GetDataTypeFromMassType(ps->massList.kind);
      if (dataType == 1) {
        char text[420] = {};
        if (FormatMassListText(text, &ps->massList, kelt::wff::MassDecimals(wf))) type = std::string(text) + " Ions";
      } else if (dataType == 0) {
        type = "RIC";
      } else if (dataType == 2) {
        type = "Intensity of Base Peak";
      } else if (dataType == 3) {
        type = "Base Peak Ion";
      } else if (dataType >= 4 && dataType - 4 < NamedChannels(wf)) {
        type = Narrow(wf->msInfo.extraColumnNames[dataType - 4], 14);
      }
      if (ps->selection1 == MULT_FILES_DATA_TYPE_SCAN_FUNS && ps->scanFuns) {
        char title[121] = {};
        SCAN_FUN_GetPlotTitle(wf, &ps->massList, ps->scanFuns, title, 120);
        scans = title;
      } else {
        char text[400] = {};
        if (FormatChanList(text, &ps->chanList)) scans = text;
      }
    }
  }
  SetText(s, IDC_MF_PLOT_TYPE_TEXT, type);
  SetText(s, IDC_MF_PLOT_SCANS_TEXT, scans);
}

void UpdatePlotButtons(Ctx* s) {
  const bool shown = s->showPreview && s->pending;
  Enable(s, IDC_MF_PLOT_TYPE, shown && s->previewIsMs);
  Enable(s, IDC_MF_PLOT_SCANS, shown);
  Enable(s, IDC_MF_KEEP_RANGE, shown);
}

std::string FileTypePattern(Ctx* s) {
  char filter[260] = {};
  HWND types = GetDlgItem(s->fileDialog, cmb1);
  const LRESULT sel = SendMessageA(types, CB_GETCURSEL, 0, 0);
  if (sel >= 0 && SendMessageA(types, CB_GETLBTEXTLEN, WPARAM(sel), 0) < 260)
    SendMessageA(types, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(filter));
  const std::string f = filter;
  const size_t open = f.find('(');
  if (open == std::string::npos) return "*.*";
  const size_t close = f.find(')', open);
  return f.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

void ClearPreview(Ctx* s, bool force) {
  s->previewPath[0] = 0;
  if (s->previewFile) FreeWorkFileStruct(s->previewFile);
  s->previewFile = nullptr;
  s->pending = 0;
  s->writingName = 1;
  Enable(s, IDC_MF_ADD, false);
  SendMessageA(Item(s, IDC_MF_PLOT), OPM_NOPLOTDATA, 0, 0);
  for (int id : kValueFields) SetText(s, id, "");
  SetText(s, IDC_MF_PLOT_TYPE_TEXT, "");
  SetText(s, IDC_MF_PLOT_SCANS_TEXT, "");
  UpdatePlotButtons(s);
  if (!s->nameBoxFocused || force)
    SendMessageA(s->fileDialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(FileTypePattern(s).c_str()));
  s->writingName = 0;
}

void FillInfo(Ctx* s) {
  STRUCT_WORK_FILE* wf = s->previewFile;
  char buf[300] = {};
  KELT_TruncateFilenameString(wf->displayName[0] ? wf->displayName : wf->filePath, 20, buf);
  SetText(s, IDC_MF_FILE, buf);
  std::string type;
  char name[260] = {};
  if (HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, wf->fileType)) {
    if (GetModuleConfigString(config, MODULE_CONFIG_NAME_ITEM, name)) type = name;
  }
  if (type.empty()) type = Printf("Module %d Type %d", wf->module, wf->fileType);
  if (IsMs(wf)) type += wf->profile ? " PROFILE" : " CENTROID";
  SetText(s, IDC_MF_DATA_TYPE, type);
  char date[40] = {}, time[40] = {};
  KELT_FormatDateTime(int16_t(wf->month), int16_t(wf->day), int16_t(wf->year), int16_t(wf->hour),
                      int16_t(wf->minute), date, time);
  SetText(s, IDC_MF_INJECT_DATE, std::string(date) + " " + time);
  SetText(s, IDC_MF_RUN_TIME, Printf("%.3f - %.3f min", wf->startTime, wf->endTime));
  for (int id : {IDC_MF_RESULTS1, IDC_MF_RESULTS2, IDC_MF_RESULTS1_LABEL, IDC_MF_RESULTS2_LABEL}) SetText(s, id, "");
  if (s->previewIsMs) {
    SetText(s, IDC_MF_SAMPLE_LABEL, "Sample:");
    SetText(s, IDC_MF_SAMPLE, std::string(wf->sampleName, strnlen(wf->sampleName, sizeof wf->sampleName)));
    SetText(s, IDC_MF_SCAN_LABEL, "Scan Range:");
    SetText(s, IDC_MF_SCAN_RANGE, Printf("%lu - %lu", static_cast<unsigned long>(wf->msInfo.firstScan),
                                         static_cast<unsigned long>(wf->msInfo.lastScan)));
    SetText(s, IDC_MF_OPERATOR_LABEL, "Operator:");
    SetText(s, IDC_MF_OPERATOR, std::string(wf->operatorName, strnlen(wf->operatorName, sizeof wf->operatorName)));
    SetText(s, IDC_MF_NOTES_LABEL, "Sample Notes:");
    char* notes = KELT_GetRecordDescriptionText(wf);
    SetText(s, IDC_MF_NOTES, notes ? notes : "");
    if (notes) FreeBlock(notes);
    SetText(s, IDC_MF_MAX_RIC_LABEL, "Max RIC:");
    char tic[64] = {};
    KELT_FormatIntensityI64(int64_t(wf->msInfo.maxTic), tic);
    SetText(s, IDC_MF_MAX_RIC, Printf("%s at %lu", tic, static_cast<unsigned long>(wf->msInfo.maxTicScan)));
    if (wf->centroid) {
      SetText(s, IDC_MF_RESULTS1_LABEL, "ID/Miss/Fail:");
      SetText(s, IDC_MF_RESULTS2_LABEL, "TIC/Unkn/Dup:");
      int counts[6] = {};
      if (KELT_HaveOlderResults(wf->filePath)) {
        SetText(s, IDC_MF_RESULTS1, "NEED UPDATE");
        SetText(s, IDC_MF_RESULTS2, "NEED UPDATE");
      } else if (kelt::dlg::ReadResultCounts(wf->filePath, counts)) {
        SetText(s, IDC_MF_RESULTS1, Printf("%d,  %d,  %d", counts[0], counts[1], counts[2]));
        SetText(s, IDC_MF_RESULTS2, Printf("%d,  %d,  %d", counts[3], counts[5], counts[4]));
      } else {
        SetText(s, IDC_MF_RESULTS1, "NO RESULTS");
        SetText(s, IDC_MF_RESULTS2, "NO RESULTS");
      }
    }
  } else {
    const STRUCT_DETECTOR_HEADER& h = wf->detectorHeader;
    SetText(s, IDC_MF_SAMPLE_LABEL, "Detector:");
    SetText(s, IDC_MF_SAMPLE, std::string(h.detectorName, strnlen(h.detectorName, sizeof h.detectorName)));
    SetText(s, IDC_MF_SCAN_LABEL, "Points:");
    SetText(s, IDC_MF_SCAN_RANGE, Printf("%lu", static_cast<unsigned long>(wf->pointCount)));
    SetText(s, IDC_MF_OPERATOR_LABEL, "Channels:");
    SetText(s, IDC_MF_OPERATOR, Printf("%d", ChannelCount(wf)));
    SetText(s, IDC_MF_NOTES_LABEL, "Scan Rate:");
    SetText(s, IDC_MF_NOTES, Printf("%5.3f Hz", double(h.scanRateHz)));
    SetText(s, IDC_MF_MAX_RIC_LABEL, "Bunch:");
    SetText(s, IDC_MF_MAX_RIC, Printf("%d", h.bunch));
  }
}

// Previews path; false when it could not be.
bool Preview(Ctx* s, const char* path, bool writeName) {
  if (!path || !path[0]) return false;
  if (_stricmp(path, s->previewPath) == 0) return s->pending != 0;
  STRUCT_WORK_FILE* wf = nullptr;
  if (KELT_DoesFileExist(path) && VerifyDataFile(nullptr, path, 1)) wf = MakeWorkFileStruct(path, 0);
  if (!wf) {
    if (s->pending) ClearPreview(s, false);
    return false;
  }
  if (IsSdsFile(wf)) {
    FreeWorkFileStruct(wf);
    char title[260] = {};
    GetFileNameFromPath(path, title);
    MessageBoxA(s->child, "You cannot select a SDS file in this dialog.", title, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  if (s->previewFile) FreeWorkFileStruct(s->previewFile);
  s->previewFile = wf;
  CopyPath(s->previewPath, wf->filePath);
  s->pending = 1;
  Enable(s, IDC_MF_OPEN, true);
  Enable(s, IDC_MF_ADD, true);
  if (writeName) {
    s->writingName = 1;
    char name[260] = {};
    GetFileNameFromPath(s->previewPath, name);
    SendMessageA(s->fileDialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name));
    s->writingName = 0;
  }
  s->previewIsMs = IsMs(wf) ? 1 : 0;
  if (!s->previewIsMs && s->previewSelection && s->previewSelection->selection2 >= ChannelCount(wf))
    s->previewSelection->selection2 = 0;
  UpdatePlotButtons(s);
  FillInfo(s);
  ShowPlotTexts(s);
  PostMessageA(s->child, OFDM_MF_REFRESH, 0, 0);
  return true;
}

void DrawPreview(Ctx* s) {
  HWND plot = Item(s, IDC_MF_PLOT);
  double range[3] = {};
  if (SendMessageA(plot, OPM_GETTIMERANGE, 1, reinterpret_cast<LPARAM>(range))) {
    s->keptStart = range[0];
    s->keptEnd = range[1];
  }
  if (!s->pending || !s->showPreview || !s->previewFile) {
    SendMessageA(plot, OPM_NOPLOTDATA, 0, 0);
    return;
  }
  SendMessageA(plot, OPM_DISPLAYNOREPAINT, 1, 0);
  SendMessageA(plot, OPM_NOPLOTDATA, 0, 0);
  STRUCT_PS* ps = s->previewSelection;
  int16_t dataType = 0;
  if (!s->previewIsMs) {
    dataType = MULT_FILES_DATA_TYPE_CHANNEL;
    if (ps->selection2 >= ChannelCount(s->previewFile)) ps->selection2 = 0;
  } else if (ps->selection1 == MULT_FILES_DATA_TYPE_SCAN_FUNS && ps->scanFuns) {
    ScanFuns funs(s->previewFile);
    bool known = false;
    for (int i = 0; i < ps->scanFuns->count && !known; ++i) known = funs.Find(ps->scanFuns->entries[i].identity) >= 0;
    dataType = known ? MULT_FILES_DATA_TYPE_SCAN_FUNS : 0;
    if (!known) {
      if (STRUCT_PS* tic = KELT_PS_MakeTIC()) {
        KELT_PS_Free(s->previewSelection);
        s->previewSelection = ps = tic;
      }
      dataType = KELT_GetDataTypeFromMassType(ps->massList.kind);
    }
  } else if (ps->selection1 != MULT_FILES_DATA_TYPE_SCAN_FUNS && (ps->chanList.kind == 0 || ps->chanList.kind == 2)) {
    dataType = KELT_GetDataTypeFromMassType(ps->massList.kind);
  } else {
    if (STRUCT_PS* tic = KELT_PS_MakeTIC()) {
      KELT_PS_Free(s->previewSelection);
      s->previewSelection = ps = tic;
    }
    dataType = KELT_GetDataTypeFromMassType(ps->massList.kind);
  }
  auto* request = static_cast<STRUCT_OPLOT_DISPLAY_FILE*>(AllocBlock(sizeof(STRUCT_OPLOT_DISPLAY_FILE)));
  if (request) {
    request->slot = 0;
    if (s->keepTimeRange && s->keptStart != 0.0 && s->keptEnd != 0.0) {
      request->useGivenRange = 1;
      request->rangeStart = s->keptStart;
      request->rangeEnd = s->keptEnd;
    }
    CopyPath(request->path, s->previewPath);
    request->plotKind = dataType;
    // A detector file's channel goes as the plot's sub-kind.
    request->plotSubKind = dataType == MULT_FILES_DATA_TYPE_CHANNEL ? int16_t(ps->selection2) : 0;
    request->chanList = ps->chanList;
    request->massList = ps->massList;
    if (dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS) {
      // The plot takes its own scans of the selection through the list.
      request->plotKind = KELT_GetDataTypeFromMassType(ps->massList.kind);
      if (ps->massList.kind != 0 && ps->massList.kind != 4) {
        FreeBlock(ps->scanFuns);
        ps->scanFuns = nullptr;
        ps->selection1 = uint16_t(request->plotKind);
      }
      KELT_InitMergedChanList(&request->chanList);
    }
    SendMessageA(plot, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(request));
    FreeBlock(request);
  }
  SendMessageA(plot, OPM_DISPLAYNOREPAINT, 0, 0);
}

void ResizeForPreview(Ctx* s) {
  const int width = s->laidOut.right - s->laidOut.left;
  int height = s->laidOut.bottom - s->laidOut.top;
  if (s->showPreview) height += 8 + s->previewGroupHeight;
  for (int id : {IDC_MF_PLOT_GROUP, IDC_MF_PLOT, IDC_MF_PLOT_TYPE, IDC_MF_PLOT_SCANS, IDC_MF_PLOT_TYPE_TEXT,
                 IDC_MF_PLOT_SCANS_TEXT})
    ShowWindow(Item(s, id), s->showPreview ? SW_SHOW : SW_HIDE);
  SetWindowPos(s->fileDialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{};
  GetClientRect(s->fileDialog, &client);
  SetWindowPos(s->child, nullptr, 0, 0, client.right, client.bottom, SWP_NOMOVE | SWP_NOZORDER);
}

// ---- Row edits ---------------------------------------------------------------------------

bool Refused(Ctx* s, int row) {
  if (row == 1 && s->firstRowFixed) {
    MessageBeep(0);
    return true;
  }
  return false;
}

void Refill(Ctx* s, int i) {
  if (const int code = FillRow(s, i)) {
    EmptyRow(s, i);
    ClearRowCells(s, i);
    ReportGridError(code);
  }
  UpdateButtons(s);
}

bool PlotSettingsFit(const STRUCT_WORK_FILE* oldFile, const STRUCT_WORK_FILE* newFile, const STRUCT_MULT_FILES_ROW& r) {
  if (IsMs(oldFile) && IsMs(newFile))
    return kelt::wff::MostScanFunctions(oldFile) <= kelt::wff::MostScanFunctions(newFile) &&
           NamedChannels(oldFile) <= NamedChannels(newFile);
  if (IsChannelFile(oldFile) && IsChannelFile(newFile)) return r.channel < ChannelCount(newFile);
  return false;
}

// Puts the pending file into the insertion row (and, stepping through its
// scan functions, the rows after it).
void AddReplace(Ctx* s, bool fromFileOk) {
  if (s->insertRow < 1) return;
  if (Refused(s, s->insertRow)) return;
  STRUCT_WORK_FILE* wf = s->previewFile ? CopyWorkFileStruct(s->previewFile) : MakeWorkFileStruct(s->previewPath, 0);
  if (!wf) {
    ClearPreview(s, false);
    return;
  }
  if (!wf->live) {
    CopyPath(s->lastDataFile, wf->filePath);
    SetDefaultFolderForType(wf->filePath, "run");
  }
  ScanFuns funs(wf);
  const bool stepping = s->autoSelect && fromFileOk && IsMs(wf) && !funs.list.empty();
  const int steps = stepping ? int(funs.list.size()) : 1;
  for (int k = 0; k < steps && s->insertRow >= 1 && s->insertRow <= s->count; ++k) {
    const int i = s->insertRow - 1;
    STRUCT_MULT_FILES_ROW& r = s->rows[i];
    STRUCT_WORK_FILE* rowFile = k == steps - 1 ? wf : CopyWorkFileStruct(wf);
    if (!rowFile) break;
    const bool keep = r.inUse && PlotSettingsFit(s->rowFiles[i], rowFile, r);
    if (s->rowFiles[i]) FreeWorkFileStruct(s->rowFiles[i]);
    s->rowFiles[i] = rowFile;
    CopyPath(r.path, rowFile->filePath);
    r.inUse = 1;
    FreeScanFuns(r);
    if (r.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS) {
      r.dataType = 0;
      KELT_InitRICMassList(&r.massList);
    }
    if (!keep) ResetPlot(r, rowFile);
    if (stepping) {
      r.scanFuns = OneScanFun(*funs.list[size_t(k)]);
      if (r.scanFuns) r.dataType = MULT_FILES_DATA_TYPE_SCAN_FUNS;
    }
    SetUnits(r, rowFile);
    if (const int code = FillRow(s, i)) {
      EmptyRow(s, i);
      ClearRowCells(s, i);
      ReportGridError(code);
      if (k != steps - 1) FreeWorkFileStruct(wf);
      UpdateButtons(s);
      return;
    }
    ++s->insertRow;
  }
  if (s->count > 1) {
    bool allUsed = true;
    for (int i = 0; i < s->count; ++i) allUsed = allUsed && s->rows[i].inUse;
    if (allUsed) {
      if (s->insertRow > s->count) s->insertRow = s->firstRowFixed ? 2 : 1;
      SelectRow(s, s->insertRow);
    } else {
      ChooseInsertRow(s);
    }
  }
  UpdateButtons(s);
}

void ClearRows(Ctx* s) {
  const Block b = Selection(s);
  if (!b.any) return;
  if (b.top == 1 && Refused(s, 1)) return;
  for (int r = b.top; r <= b.bottom; ++r) {
    EmptyRow(s, r - 1);
    ClearRowCells(s, r - 1);
  }
  ChooseInsertRow(s);
  UpdateButtons(s);
}

void MoveRow(Ctx* s, bool up) {
  const Block b = Selection(s);
  if (!b.any || b.top != b.bottom || s->count < 2) return;
  const int row = b.top;
  if (s->firstRowFixed && (row == 1 || (up && row == 2) || (!up && row == s->count))) {
    MessageBeep(0);
    return;
  }
  const int first = s->firstRowFixed ? 2 : 1;
  int other = up ? row - 1 : row + 1;
  if (other < first) other = s->count;
  if (other > s->count) other = first;
  SwapGridRows(s->grid, -1, row, -1, row, 1, other);
  std::swap(s->rows[row - 1], s->rows[other - 1]);
  std::swap(s->rowFiles[row - 1], s->rowFiles[other - 1]);
  RefreshGrid(s->grid);
  SelectRow(s, other);
  s->insertRow = int16_t(other);
  UpdateButtons(s);
}

void AfterIonsEdited(STRUCT_MULT_FILES_ROW& r, const STRUCT_WORK_FILE* wf) {
  const uint32_t kind = r.massList.kind;
  if (kind == 2 || kind == 3) {
    KELT_InitIgnoredChanList(&r.chanList);
    FreeScanFuns(r);
  } else if (kind == 1 || kind > 4) {
    KELT_InitMergedChanList(&r.chanList);
    FreeScanFuns(r);
  }
  r.dataType = r.scanFuns ? MULT_FILES_DATA_TYPE_SCAN_FUNS : KELT_GetDataTypeFromMassType(kind);
  SetUnits(r, wf);
}

void EditIons(Ctx* s, int i) {
  if (Refused(s, i + 1)) return;
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  int16_t code = 1;
  if (!Dlg_EditDataType(&r.massList, &code, s->rowFiles[i])) return;
  AfterIonsEdited(r, s->rowFiles[i]);
  Refill(s, i);
}

void EditScans(Ctx* s, int i) {
  if (Refused(s, i + 1)) return;
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  STRUCT_PS* ps = KELT_PS_MakeTIC();
  if (!ps) return;
  ps->selection1 = MULT_FILES_DATA_TYPE_SCAN_FUNS;
  ps->selection2 = uint16_t(r.channel);
  ps->massList = r.massList;
  ps->chanList = r.chanList;
  ps->scanFuns = r.scanFuns ? SCAN_FUN_Copy(r.scanFuns) : nullptr;
  STRUCT_PS* chosen = nullptr;
  if (Dlg_SelectScanFuns(s->rowFiles[i], ps, &chosen) && chosen) {
    r.dataType = int16_t(chosen->selection1);
    const uint32_t kind = r.massList.kind;
    if (r.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS) {
      FreeScanFuns(r);
      r.scanFuns = chosen->scanFuns;
      chosen->scanFuns = nullptr;
      if (kind == 1 || kind == 2 || kind == 3 || kind > 4) KELT_InitRICMassList(&r.massList);
    } else {
      FreeScanFuns(r);
      r.chanList = chosen->chanList;
      if ((r.chanList.kind == 0 && (kind == 2 || kind == 3)) || (r.chanList.kind == 2 && (kind == 1 || kind > 4))) {
        KELT_InitRICMassList(&r.massList);
        r.dataType = 0;
      }
    }
    SetUnits(r, s->rowFiles[i]);
    KELT_PS_Free(chosen);
    Refill(s, i);
  }
  KELT_PS_Free(ps);
}

// The top row copied down the selection.
void FillDown(Ctx* s) {
  const Block b = Selection(s);
  if (!b.any || b.bottom <= b.top || !s->rows[b.top - 1].inUse) return;
  if (b.top == 1 && s->firstRowFixed) {
    MessageBeep(0);
    return;
  }
  const STRUCT_MULT_FILES_ROW top = s->rows[b.top - 1];
  const STRUCT_WORK_FILE* topFile = s->rowFiles[b.top - 1];
  ScanFuns funs(topFile);
  int step = -1;
  if (s->autoSelect && IsMs(topFile) && top.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS && top.scanFuns &&
      top.scanFuns->count == 1) {
    const int at = funs.Find(top.scanFuns->entries[0].identity);
    if (at >= 0 && at + 1 < int(funs.list.size())) step = at;
  }
  const bool wholeRows = b.col1 == 1 && b.col2 == SS_COLUMNS;
  for (int row = b.top + 1; row <= b.bottom; ++row) {
    const int i = row - 1;
    STRUCT_MULT_FILES_ROW& r = s->rows[i];
    if (b.col1 >= 2 && !r.inUse) break;
    const bool full = !r.inUse || step >= 0 || wholeRows;
    STRUCT_WORK_FILE* wf = nullptr;
    if (full || b.col1 == 1) wf = MakeWorkFileStruct(top.path, 0);
    if (full) {
      const int16_t slot = r.slot;
      const uint32_t colour = r.colour;
      FreeScanFuns(r);
      r = top;
      r.slot = slot;
      r.colour = colour;
      r.scanFuns = nullptr;
      if (step >= 0) {
        step = std::min(step + 1, int(funs.list.size()) - 1);
        r.scanFuns = OneScanFun(*funs.list[size_t(step)]);
        r.dataType = MULT_FILES_DATA_TYPE_SCAN_FUNS;
      } else if (top.scanFuns) {
        r.scanFuns = SCAN_FUN_Copy(top.scanFuns);
      }
      if (!wf || (top.scanFuns && !r.scanFuns)) {
        if (wf) FreeWorkFileStruct(wf);
        EmptyRow(s, i);
        std::memset(&r, 0, sizeof r);
        r.slot = slot;
        r.colour = colour;
        ClearRowCells(s, i);
        continue;
      }
      if (s->rowFiles[i]) FreeWorkFileStruct(s->rowFiles[i]);
      s->rowFiles[i] = wf;
    } else {
      if (b.col1 == 1 && wf) {
        const bool keep = IsMs(s->rowFiles[i]) == IsMs(wf) && PlotSettingsFit(s->rowFiles[i], wf, r);
        if (s->rowFiles[i]) FreeWorkFileStruct(s->rowFiles[i]);
        s->rowFiles[i] = wf;
        CopyPath(r.path, top.path);
        if (!keep || b.col2 >= 2) {
          FreeScanFuns(r);
          r.dataType = top.dataType;
          r.massList = top.massList;
          r.chanList = top.chanList;
          r.channel = top.channel;
          if (top.scanFuns) r.scanFuns = SCAN_FUN_Copy(top.scanFuns);
        }
      } else {
        // Plot type and scans of the top row, where they suit this row's file.
        if (IsMs(s->rowFiles[i]) && IsMs(topFile)) {
          FreeScanFuns(r);
          r.dataType = top.dataType;
          r.massList = top.massList;
          r.chanList = top.chanList;
          if (top.scanFuns) r.scanFuns = SCAN_FUN_Copy(top.scanFuns);
        } else if (IsChannelFile(s->rowFiles[i]) && IsChannelFile(topFile) &&
                   top.channel < ChannelCount(s->rowFiles[i])) {
          r.channel = top.channel;
        }
      }
    }
    SetUnits(r, s->rowFiles[i]);
  }
  for (int row = b.top + 1; row <= b.bottom; ++row)
    if (s->rows[row - 1].inUse) Refill(s, row - 1);
  SendMessageA(s->grid, SSM_REFRESHROWS, 0, 0);
  UpdateButtons(s);
}

// A plot-type item chosen in row i.
void TypeChosen(Ctx* s, int i, int item) {
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  const STRUCT_WORK_FILE* wf = s->rowFiles[i];
  if (!wf) return;
  if (Refused(s, i + 1)) {
    FillTypeCell(s, i);
    FillScansCell(s, i);
    return;
  }
  if (IsChannelFile(wf) || item == r.listIndexes[MF_TYPE_ION_FORMULA]) return;
  if (item == 1) {
    char text[420] = {};
    FormatMassListText(text, &r.massList, kelt::wff::MassDecimals(wf));
    STRUCT_MASS_LIST parsed{};
    if (ParseMassList(text, &parsed)) r.massList = parsed;
    int16_t code = 1;
    if (Dlg_EditDataType(&r.massList, &code, s->rowFiles[i])) r.dataType = r.scanFuns ? MULT_FILES_DATA_TYPE_SCAN_FUNS : 1;
  } else if (item == 0) {
    KELT_InitRICMassList(&r.massList);
    r.dataType = r.scanFuns ? MULT_FILES_DATA_TYPE_SCAN_FUNS : 0;
  } else if (item == 2 || item == 3 ||
             (item >= r.listIndexes[MF_TYPE_FIRST_CHANNEL] && item <= r.listIndexes[MF_TYPE_LAST_CHANNEL] &&
              r.listIndexes[MF_TYPE_FIRST_CHANNEL] >= 0)) {
    std::memset(&r.massList, 0, sizeof r.massList);
    r.massList.kind = item == 2 ? 3 : item == 3 ? 2 : uint32_t(5 + item - r.listIndexes[MF_TYPE_FIRST_CHANNEL]);
    FreeScanFuns(r);
    if (item == 2 || item == 3) KELT_InitIgnoredChanList(&r.chanList);
    else KELT_InitMergedChanList(&r.chanList);
    r.dataType = KELT_GetDataTypeFromMassType(r.massList.kind);
  }
  SetUnits(r, wf);
  Refill(s, i);
}

// A scans item chosen in row i.
void ScansChosen(Ctx* s, int i, int item) {
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  const STRUCT_WORK_FILE* wf = s->rowFiles[i];
  if (!wf) return;
  if (Refused(s, i + 1)) {
    FillTypeCell(s, i);
    FillScansCell(s, i);
    return;
  }
  if (IsChannelFile(wf)) {
    if (item >= 0 && item < ChannelCount(wf)) r.channel = int16_t(item);
    return;
  }
  if (item == r.listIndexes[MF_SCANS_CURRENT]) return;
  if (item == r.listIndexes[MF_SCANS_SCAN_FUNS]) {
    EditScans(s, i);
    return;
  }
  const int first = r.listIndexes[MF_SCANS_FIRST_FUN], last = r.listIndexes[MF_SCANS_LAST_FUN];
  if (first >= 0 && item >= first && item <= last) {
    ScanFuns funs(wf);
    if (STRUCT_SCAN_FUN_ARRAY* one = OneScanFun(*funs.list[size_t(item - first)])) {
      FreeScanFuns(r);
      r.scanFuns = one;
      r.dataType = MULT_FILES_DATA_TYPE_SCAN_FUNS;
    }
  } else {
    if (item == r.listIndexes[MF_SCANS_MERGED]) {
      KELT_InitMergedChanList(&r.chanList);
      if (r.massList.kind == 2 || r.massList.kind == 3) KELT_InitRICMassList(&r.massList);
    } else {
      KELT_InitIgnoredChanList(&r.chanList);
      if (r.massList.kind > 4) KELT_InitRICMassList(&r.massList);
    }
    FreeScanFuns(r);
    r.dataType = KELT_GetDataTypeFromMassType(r.massList.kind);
  }
  SetUnits(r, wf);
  Refill(s, i);
}

char KeyChar(int vk, bool shift) {
  const int code = vk % 128;
  if (code == 0x3B || code == 0x6B) return '+';
  if (code == 0x3D || code == 0x6D) return '-';
  if (code == 0x3E || code == 0x6E) return '.';
  if (code == 0x3C) return ',';
  if (code >= 0x60 && code <= 0x69) return char('0' + code - 0x60);
  if (shift && code >= 0x30 && code <= 0x39) return ")!@#$%^&*("[code - 0x30];
  return char(code);
}

void KeyTyped(Ctx* s, int vk, bool shift) {
  if (vk == VK_RETURN || vk == VK_TAB || vk == VK_SHIFT || vk == VK_CONTROL) return;
  if (s->editColumn == 0) return;
  if (vk == VK_BACK) {
    if (s->typedLength > 0) s->typed[--s->typedLength] = 0;
    return;
  }
  if (s->typedLength >= 200) return;
  s->typed[s->typedLength++] = KeyChar(vk, shift);
  s->typed[s->typedLength] = 0;
}

void EditEnded(Ctx* s) {
  const int column = s->editColumn, row = s->editRow;
  s->editColumn = 0;
  if (!column || s->typedLength == 0 || row < 1 || row > s->count) {
    s->typedLength = 0;
    return;
  }
  const int i = row - 1;
  STRUCT_MULT_FILES_ROW& r = s->rows[i];
  const std::string text(s->typed, size_t(s->typedLength));
  s->typedLength = 0;
  s->typed[0] = 0;
  if (!s->rowFiles[i] || Refused(s, row)) {
    if (s->rowFiles[i]) Refill(s, i);
    return;
  }
  bool ok = false;
  if (column == MF_COL_TYPE) {
    STRUCT_MASS_LIST list{};
    list.window = 0.5;
    if (KELT_ConvertStringToMassList(text.c_str(), s->rowFiles[i], 1, &list)) {
      ok = true;
      r.massList = list;
      if (!r.scanFuns || (list.kind != 0 && list.kind != 4)) {
        FreeScanFuns(r);
        r.dataType = KELT_GetDataTypeFromMassType(list.kind);
      }
    }
  } else {
    STRUCT_CHAN_LIST list{};
    if (KELT_ConvertStringToChanList(text.c_str(), s->rowFiles[i], 0, &list)) {
      ok = true;
      r.chanList = list;
    }
  }
  if (!ok) {
    SetGridActiveCell(s->grid, Column(s, column), row);
    SetFocus(s->grid);
    Refill(s, i);
    return;
  }
  SetUnits(r, s->rowFiles[i]);
  Refill(s, i);
}

// ---- Row strip --------------------------------------------------------------------------

int HighlightedRow(Ctx* s) {
  const Block b = Selection(s);
  if (b.any && s->rows[b.top - 1].inUse) return b.top;
  return s->stripPressed;
}

LRESULT CALLBACK StripProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Ctx* s = Of(GetParent(hwnd));
  if (!s) return DefWindowProcA(hwnd, msg, wParam, lParam);
  int32_t rowHeight = 18;
  GetGridRowHeightPixels(s->grid, 1, &rowHeight);
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH face = CreateSolidBrush(RGB(212, 208, 200));
    FillRect(dc, &client, face);
    DeleteObject(face);
    if (s->visibleRows > 1) {
      LOGFONTA lf{};
      HFONT base = KELT_CreateGlobalFont();
      if (base) GetObjectA(base, sizeof lf, &lf);
      lf.lfWeight = FW_BOLD;
      HFONT bold = CreateFontIndirectA(&lf);
      HGDIOBJ old = SelectObject(dc, bold);
      SetBkMode(dc, TRANSPARENT);
      const int top = GetGridTopRow(s->grid);
      const int pressed = HighlightedRow(s);
      for (int k = 0; k < s->visibleRows && top + k <= s->count; ++k) {
        const int row = top + k;
        RECT cell{0, k * rowHeight, client.right, (k + 1) * rowHeight};
        HBRUSH back = CreateSolidBrush(row == pressed ? RGB(128, 128, 128) : RGB(255, 255, 255));
        FillRect(dc, &cell, back);
        DeleteObject(back);
        DrawEdge(dc, &cell, row == pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        const COLORREF colour = s->rows[row - 1].colour;
        RECT box{cell.left + 3, cell.top + 3, cell.right - 3, cell.bottom - 3};
        HBRUSH fill = CreateSolidBrush(colour);
        FillRect(dc, &box, fill);
        DeleteObject(fill);
        HBRUSH frame = CreateSolidBrush(RGB(0, 0, 0));
        FrameRect(dc, &box, frame);
        DeleteObject(frame);
        SetTextColor(dc, colour == RGB(0, 0, 0) ? RGB(255, 255, 255) : RGB(0, 0, 0));
        const std::string number = Printf("%d", row);
        DrawTextA(dc, number.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      }
      SelectObject(dc, old);
      DeleteObject(bold);
      if (base) DeleteObject(base);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_LBUTTONDOWN && s->count >= 2) {
    const int y = short(HIWORD(lParam));
    const int row = GetGridTopRow(s->grid) + y / std::max(1, int(rowHeight));
    if (row < 1 || row > s->count) return 0;
    SetCapture(hwnd);
    s->stripPressed = int16_t(row);
    SelectRow(s, row);
    PostMessageA(s->child, MFM_STRIPPICK, 0, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
  }
  if (msg == WM_LBUTTONUP) {
    if (GetCapture() == hwnd) ReleaseCapture();
    s->stripPressed = 0;
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
  }
  return CallWindowProcA(s->stripProc, hwnd, msg, wParam, lParam);
}

// ---- Set-up, layout, close --------------------------------------------------------------

void FitFileTexts(Ctx* s) {
  for (int i = 0; i < s->count; ++i)
    if (s->rows[i].inUse && s->rowFiles[i]) {
      std::string path = s->rows[i].path;
      for (char& c : path) c = char(std::tolower(static_cast<unsigned char>(c)));
      HDC dc = GetDC(s->grid);
      HGDIOBJ old = SelectObject(dc, GetGridCellFont(s->grid, 1, i + 1));
      const std::string prefix = i == 0 && s->firstRowFixed ? "LOCKED " : "";
      const std::string shown = kelt::dlg::ShortenPathForDc(path, FileColumnWidth(s) - 5 - (prefix.empty() ? 0 : 40), dc);
      SelectObject(dc, old);
      ReleaseDC(s->grid, dc);
      SetCellById(s, MF_COL_FILE, i + 1, prefix + shown);
    }
}

void SetUpGrid(Ctx* s) {
  HWND g = s->grid;
  for (int c = 1; c <= SS_COLUMNS; ++c) SetGridColumnId(g, c, 100 + c);
  if (const LRESULT code = SendMessageA(g, SSM_SETMAXROWS, 0, s->count)) ReportGridError(int32_t(code));
  RECT area{};
  GetGridCellArea(g, &area);
  const int width = area.right - area.left;
  SetGridColumnWidthPixels(g, 1, width / 2);
  SetGridColumnWidthPixels(g, 2, width / 4);
  SetGridColumnWidthPixels(g, 3, width - width / 2 - width / 4);
  s->fileFont = KELT_CreateGlobalFont();
  for (int i = 0; i < s->count; ++i) {
    ResetGridCell(g, Column(s, MF_COL_TYPE), i + 1, SS_RESET_ALL, 0, 0);
    ResetGridCell(g, Column(s, MF_COL_SCANS), i + 1, SS_RESET_ALL, 0, 0);
    STRUCT_MULT_FILES_ROW& r = s->rows[i];
    r.path[259] = 0;
    if (r.inUse && r.path[0]) s->rowFiles[i] = MakeWorkFileStruct(r.path, 0);
    if ((r.inUse && !s->rowFiles[i]) || (!r.inUse && r.path[0])) {
      char name[260] = {};
      GetFileNameFromPath(r.path, name);
      MessageBoxA(s->child, "File may be missing.", name, MB_OK | MB_ICONINFORMATION);
      EmptyRow(s, i);
      continue;
    }
    if (r.inUse) {
      if (r.dataType == MULT_FILES_DATA_TYPE_SCAN_FUNS && !r.scanFuns) r.dataType = 0;
      if (const int code = FillRow(s, i)) {
        EmptyRow(s, i);
        ClearRowCells(s, i);
        ReportGridError(code);
      }
    }
  }
  // The strip beside the visible rows.
  HWND strip = Item(s, IDC_MF_STRIP);
  RECT gr{};
  GetWindowRect(g, &gr);
  MapWindowPoints(nullptr, s->child, reinterpret_cast<POINT*>(&gr), 2);
  int32_t header = 20, rowHeight = 18;
  GetGridRowHeightPixels(g, SS_HEADER_ROW, &header);
  GetGridRowHeightPixels(g, 1, &rowHeight);
  const int stripWidth = 26;
  MoveWindow(strip, gr.left - stripWidth, gr.top + header + 1, stripWidth, rowHeight * s->visibleRows, TRUE);
  s->stripProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(strip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StripProc)));
  ChooseInsertRow(s);
  UpdateButtons(s);
}

void Layout(Ctx* s) {
  HWND dlg = s->fileDialog;
  if (s->title[0]) SetWindowTextA(dlg, s->title);
  auto rectIn = [&](HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  if (HWND ok = GetDlgItem(dlg, IDOK)) {
    EnableWindow(ok, FALSE);
    MoveWindow(ok, 0, 0, 0, 0, FALSE);
  }
  HWND place = Item(s, IDC_MF_CANCEL_PLACE);
  HWND cancel = GetDlgItem(dlg, IDCANCEL);
  if (place && cancel) {
    const RECT r = rectIn(place);
    EnableWindow(place, FALSE);
    MoveWindow(place, 0, 0, 0, 0, FALSE);
    MoveWindow(cancel, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    SetWindowPos(cancel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  const RECT recent = rectIn(Item(s, IDC_MF_RECENT));
  for (int id : {edt1, cmb1}) {
    if (HWND box = GetDlgItem(dlg, id)) {
      const RECT r = rectIn(box);
      if (recent.left - 10 > r.left && r.top >= recent.top - 40)
        MoveWindow(box, r.left, r.top, recent.left - 10 - r.left, r.bottom - r.top, TRUE);
    }
  }
  if (HWND list = GetDlgItem(dlg, lst2)) {
    const RECT l = rectIn(list), gbox = rectIn(Item(s, IDC_MF_INFO_GROUP));
    if (gbox.left - 10 > l.left) MoveWindow(list, l.left, l.top, gbox.left - 10 - l.left, l.bottom - l.top, TRUE);
  }
  // The window without the plot preview, and the preview's own height.
  GetWindowRect(dlg, &s->laidOut);
  const RECT group = rectIn(Item(s, IDC_MF_PLOT_GROUP));
  const RECT check = rectIn(Item(s, IDC_MF_SHOW_PREVIEW));
  s->previewGroupHeight = (group.bottom - group.top) + (check.bottom - check.top) / 3;
  s->laidOut.bottom -= 8 + s->previewGroupHeight;
  ResizeForPreview(s);
  InvalidateRect(dlg, nullptr, TRUE);
}

void CloseChild(Ctx* s, HWND child) {
  STRUCT_MULT_FILES_PARAMS p{};
  p.showPreview = s->showPreview;
  p.keepTimeRange = s->keepTimeRange;
  p.keptStart = s->keptStart;
  p.keptEnd = s->keptEnd;
  CopyPath(p.lastDataFile, s->lastDataFile);
  WriteParams(p);
  if (s->autoSelect != AutoSelectDefault()) {
    kelt::prefs::DefaultGlobalPrefs().features.flag0 = s->autoSelect;
    KELT_WriteDefGlobalPrefs(&kelt::prefs::DefaultGlobalPrefs(), "KELTDefGlobalPrefs");
  }
  for (auto*& wf : s->rowFiles)
    if (wf) {
      FreeWorkFileStruct(wf);
      wf = nullptr;
    }
  if (s->previewFile) FreeWorkFileStruct(s->previewFile);
  s->previewFile = nullptr;
  if (s->recentMenu) DestroyMenu(s->recentMenu);
  s->recentMenu = nullptr;
  if (s->previewSelection) KELT_PS_Free(s->previewSelection);
  s->previewSelection = nullptr;
  if (s->fileFont) DeleteObject(s->fileFont);
  s->fileFont = nullptr;
  RemovePropA(child, kProp);
}

std::string RecentPath(int n) { return kelt::dlg::openkit::RecentPath("run", n); }

// The first recent run that still exists, or "".
std::string FirstRecentRun() {
  const int count = int(GetPrivateProfileIntA("File History", "run-Count", 0, GetWorkstationIniPath()));
  for (int n = 1; n <= count; ++n) {
    const std::string p = RecentPath(n);
    if (!p.empty() && KELT_DoesFileExist(p.c_str())) return p;
  }
  return "";
}

void ShowRecentMenu(Ctx* s) {
  kelt::dlg::openkit::ShowRecentMenu(&s->recentMenu, s->child, "run", MF_RECENT_MOST, IDC_MF_RECENT_FIRST);
}

void OpenStep(Ctx* s, bool okForm) {
  bool anyFile = false, allFiles = true;
  for (int i = 0; i < s->count; ++i) {
    anyFile = anyFile || s->rows[i].inUse;
    allFiles = allFiles && s->rows[i].inUse;
  }
  if (s->pending && !(s->count >= 1 && s->firstRowFixed && s->insertRow == 1)) {
    if (okForm ? !allFiles : !anyFile) AddReplace(s, false);
  }
  s->result = 1;
}

// The typed name checked, completed and previewed.
void NameChanged(Ctx* s) {
  if (s->writingName) return;
  char typed[260] = {}, folder[260] = {};
  SendMessageA(s->fileDialog, CDM_GETSPEC, sizeof typed, reinterpret_cast<LPARAM>(typed));
  SendMessageA(s->fileDialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
  typed[259] = folder[259] = 0;
  std::string p = typed;
  while (!p.empty() && p.back() == ' ') p.pop_back();
  if (p.empty() || p[0] == '*') {
    if (s->pending) ClearPreview(s, false);
    return;
  }
  if (!(p.size() > 1 && p[1] == ':') && p[0] != '\\') {
    std::string f = folder;
    if (!f.empty() && f.back() != '\\') f += '\\';
    p = f + p;
  }
  if (p.size() > 255) return;
  char dir[260], name[260], ext[260];
  SplitFilePath(p.c_str(), dir, name, ext);
  const int type = int(SendMessageA(GetDlgItem(s->fileDialog, cmb1), CB_GETCURSEL, 0, 0));
  auto completes = [&](const char* candidate) {
    const size_t n = std::strlen(ext);
    return n < std::strlen(candidate) && _strnicmp(ext, candidate, n) == 0;
  };
  if (type == 0) {
    for (const char* candidate : {".xms", ".kms"}) {
      if (!completes(candidate)) continue;
      const std::string whole = p + (candidate + std::strlen(ext));
      if (FileExists(whole.c_str())) {
        p = whole;
        SendMessageA(s->fileDialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(candidate + 1));
        break;
      }
    }
  } else if (type >= 1 && type <= 4) {
    static const char* const kTyped[] = {".xms", ".kms", ".ms", ".run"};
    const char* candidate = kTyped[type - 1];
    if (completes(candidate)) p += candidate + std::strlen(ext);
  }
  Preview(s, p.c_str(), false);
}

void ChildCommand(Ctx* s, int id) {
  if (id > IDC_MF_RECENT_FIRST && id <= IDC_MF_RECENT_FIRST + MF_RECENT_MOST) {
    const std::string path = RecentPath(id - IDC_MF_RECENT_FIRST);
    if (!path.empty() && Preview(s, path.c_str(), true)) AddReplace(s, true);
    return;
  }
  const Block b = Selection(s);
  switch (id) {
    case IDC_MF_RECENT: ShowRecentMenu(s); break;
    case IDC_MF_ADD:
      if (s->pending) AddReplace(s, false);
      break;
    case IDC_MF_CLEAR: ClearRows(s); break;
    case IDC_MF_FILL_DOWN: FillDown(s); break;
    case IDC_MF_MOVE_UP: MoveRow(s, true); break;
    case IDC_MF_MOVE_DOWN: MoveRow(s, false); break;
    case IDC_MF_EDIT_IONS:
      if (b.any && b.top == b.bottom && s->rows[b.top - 1].inUse) EditIons(s, b.top - 1);
      break;
    case IDC_MF_EDIT_SCANS:
      if (b.any && b.top == b.bottom && s->rows[b.top - 1].inUse) EditScans(s, b.top - 1);
      break;
    case IDC_MF_OPEN:
      OpenStep(s, false);
      s->pending = 0;
      PostMessageA(s->fileDialog, WM_COMMAND, IDCANCEL, 0);
      break;
    case IDC_MF_SHOW_PREVIEW:
      s->showPreview = IsDlgButtonChecked(s->child, IDC_MF_SHOW_PREVIEW) == BST_CHECKED ? 1 : 0;
      ResizeForPreview(s);
      UpdatePlotButtons(s);
      ShowPlotTexts(s);
      DrawPreview(s);
      break;
    case IDC_MF_KEEP_RANGE:
      s->keepTimeRange = IsDlgButtonChecked(s->child, IDC_MF_KEEP_RANGE) == BST_CHECKED ? 1 : 0;
      if (!s->keepTimeRange && s->showPreview) {
        s->keptStart = s->keptEnd = 0.0;
        DrawPreview(s);
      }
      break;
    case IDC_MF_PLOT_TYPE: {
      if (!s->pending || !s->previewIsMs || !s->previewSelection) break;
      STRUCT_PS* ps = s->previewSelection;
      int16_t code = 1;
      if (!Dlg_EditDataType(&ps->massList, &code, s->previewFile)) break;
      const uint32_t kind = ps->massList.kind;
      if (kind == 2 || kind == 3) {
        if (ps->chanList.kind != 2) KELT_InitIgnoredChanList(&ps->chanList);
      } else if (kind == 1 || kind > 4) {
        if (ps->chanList.kind != 0) KELT_InitMergedChanList(&ps->chanList);
      }
      if (kind == 2 || kind == 3 || kind == 1 || kind > 4) {
        if (ps->scanFuns) FreeBlock(ps->scanFuns);
        ps->scanFuns = nullptr;
      }
      ps->selection1 = ps->scanFuns ? MULT_FILES_DATA_TYPE_SCAN_FUNS : uint16_t(KELT_GetDataTypeFromMassType(kind));
      DrawPreview(s);
      ShowPlotTexts(s);
      break;
    }
    case IDC_MF_PLOT_SCANS: {
      if (!s->pending || !s->previewSelection) break;
      if (!s->previewIsMs) {
        CSelectChannelDlg dlg;
        CopyPath(dlg.m_path, s->previewPath);
        dlg.m_channel = int16_t(s->previewSelection->selection2);
        if (dlg.Run() == IDOK) s->previewSelection->selection2 = uint16_t(dlg.m_channel);
      } else {
        STRUCT_PS* chosen = nullptr;
        if (Dlg_SelectScanFuns(s->previewFile, s->previewSelection, &chosen) && chosen) {
          if (!KELT_PS_Compare(s->previewSelection, chosen)) {
            KELT_PS_Free(s->previewSelection);
            s->previewSelection = chosen;
            STRUCT_PS* ps = chosen;
            const uint32_t kind = ps->massList.kind;
            if (ps->selection1 == MULT_FILES_DATA_TYPE_SCAN_FUNS) {
              if (kind == 1 || kind == 2 || kind == 3 || kind > 4) KELT_InitRICMassList(&ps->massList);
            } else if ((ps->chanList.kind == 0 && (kind == 2 || kind == 3)) ||
                       (ps->chanList.kind == 2 && (kind == 1 || kind > 4))) {
              KELT_InitRICMassList(&ps->massList);
              ps->selection1 = 0;
            }
          } else {
            KELT_PS_Free(chosen);
          }
        }
      }
      DrawPreview(s);
      ShowPlotTexts(s);
      break;
    }
    case KELT_HELP_BUTTON_ID: KELT_ShowHelpTopic(101, 1); break;
    default: break;
  }
}

LRESULT CALLBACK MultFilesParentProc(HWND d, UINT m, WPARAM w, LPARAM l) {
        Ctx* c = Of(d);
        if (!c || !c->previousProc) return DefWindowProcA(d, m, w, l);
        const WNDPROC previous = c->previousProc;
        if (m == WM_COMMAND) {
          const int id = LOWORD(w), code = HIWORD(w);
          if (id == edt1 && code == EN_SETFOCUS) c->nameBoxFocused = 1;
          else if (id == edt1 && code == EN_KILLFOCUS) c->nameBoxFocused = 0;
          else if ((id == edt1 && code == EN_CHANGE) || (id == cmb2 && code == CBN_SELCHANGE))
            PostMessageA(c->child, OFDM_MF_SELCHANGE, 0, 0);
          else if (id == ID_FILEDLG_UPFOLDER) ClearPreview(c, true);
          else if (id == IDCANCEL) SendMessageA(GetDlgItem(c->child, IDC_MF_PLOT), OPM_ESCAPETRACKING, 0, 0);
          else if (id == IDOK && (c->pending || c->result || !c->nameBoxFocused)) {
            OpenStep(c, true);
            c->forcedOk = 1;
            ClearPreview(c, true);
            std::string name = c->lastDataFile[0] && KELT_DoesFileExist(c->lastDataFile) ? c->lastDataFile
                                                                                          : FirstRecentRun();
            c->writingName = 1;
            SendMessageA(d, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name.c_str()));
            c->writingName = 0;
          }
        } else if (m == WM_PARENTNOTIFY && LOWORD(w) == WM_CREATE) {
          DialogChildCreated(d);
        } else if (m == WM_DESTROY) {
          SetWindowLongPtrA(d, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
          RemovePropA(d, kProp);
        }
        return CallWindowProcA(previous, d, m, w, l);
      }

void InitChild(HWND child, OPENFILENAMEA* ofn) {
  auto* s = reinterpret_cast<Ctx*>(ofn->lCustData);
  s->child = child;
  s->fileDialog = GetParent(child);
  s->grid = GetDlgItem(child, IDC_MF_GRID);
  s->previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(s->fileDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MultFilesParentProc)));
  SetPropA(child, kProp, s);
  SetPropA(s->fileDialog, kProp, s);
  SendMessageA(Item(s, IDC_MF_PLOT), OPM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("MultiFileDlgChroChroPrefs"));
  CheckDlgButton(child, IDC_MF_SHOW_PREVIEW, s->showPreview ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(child, IDC_MF_KEEP_RANGE, s->keepTimeRange ? BST_CHECKED : BST_UNCHECKED);
  SetUpGrid(s);
  ClearPreview(s, false);
  PostMessageA(child, OFDM_MF_LAYOUT, 0, 0);
}

}  // namespace

UINT_PTR CALLBACK SelectMultipleFilesHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    InitChild(hook, reinterpret_cast<OPENFILENAMEA*>(lParam));
    return 1;
  }
  Ctx* s = Of(hook);
  if (!s) return 0;
  switch (msg) {
    case OFDM_MF_LAYOUT: Layout(s); return 1;
    case OFDM_MF_REFRESH:
      DrawPreview(s);
      ShowPlotTexts(s);
      return 1;
    case OFDM_MF_SELCHANGE: NameChanged(s); return 1;
    case MFM_FILLDOWN: PostMessageA(hook, WM_COMMAND, IDC_MF_FILL_DOWN, 0); return 1;
    case MFM_STRIPPICK: {
      UpdateButtons(s);
      const Block b = Selection(s);
      if (b.any) s->insertRow = int16_t(b.top);
      return 1;
    }
    case SSN_ACTIVECELL: {
      int32_t col = 0, row = 0;
      if (GetGridActiveCell(s->grid, &col, &row) && row >= 1 && row <= s->count && s->rows[row - 1].inUse)
        Preview(s, s->rows[row - 1].path, true);
      return 1;
    }
    case SSN_EDITSTART: {
      int32_t col = 0, row = 0;
      GetGridActiveCell(s->grid, &col, &row);
      const int id = int(SendMessageA(s->grid, SSM_GETIDFROMCOL, 0, col));
      if (id == MF_COL_TYPE || id == MF_COL_SCANS) {
        s->editColumn = int16_t(id);
        s->editRow = int16_t(row);
        s->typedLength = 0;
        s->typed[0] = 0;
      }
      return 1;
    }
    case SSN_KEY: KeyTyped(s, LOWORD(wParam), (HIWORD(wParam) & 1) != 0); return 1;
    case SSN_EDITEND: EditEnded(s); return 1;
    case SSN_COLWIDTH: FitFileTexts(s); return 1;
    case SSN_LISTPICK: {
      const auto* pick = reinterpret_cast<const SS_LISTPICK*>(lParam);
      if (!pick || s->editColumn || pick->row < 1 || pick->row > s->count) return 1;
      char value[SS_MAX_TEXT] = {};
      const int col = Column(s, pick->columnId);
      const bool readable = GetGridCellValueText(s->grid, col, pick->row, value) > 0;
      if (!readable) {
        Refill(s, pick->row - 1);
        MessageBeep(0);
        return 1;
      }
      const int item = std::atoi(value);
      if (pick->columnId == MF_COL_TYPE) TypeChosen(s, pick->row - 1, item);
      else if (pick->columnId == MF_COL_SCANS) ScansChosen(s, pick->row - 1, item);
      return 1;
    }
    case SSN_SELCHANGE: {
      UpdateButtons(s);
      const Block b = Selection(s);
      if (b.any) s->insertRow = int16_t(b.top);
      return 1;
    }
    case SSN_SELCHANGING: UpdateButtons(s); return 1;
    case SSN_MODULE:
      SetWindowLongPtrA(hook, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(kelt::lib::ModuleHandle()));
      return 1;
    case WM_NOTIFY: {
      const auto* nm = reinterpret_cast<const OFNOTIFYA*>(lParam);
      if (!nm) return 0;
      if (nm->hdr.code == CDN_FOLDERCHANGE) {
        if (!s->forcedOk) ClearPreview(s, true);
      } else if (nm->hdr.code == CDN_SELCHANGE) {
        PostMessageA(hook, OFDM_MF_SELCHANGE, 0, 0);
      } else if (nm->hdr.code == CDN_FILEOK) {
        if (!s->forcedOk) {
          if (s->pending) AddReplace(s, true);
          SetWindowLongPtrA(hook, DWLP_MSGRESULT, 1);
          s->forcedOk = 0;
          return 1;
        }
      }
      s->forcedOk = 0;
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) ChildCommand(s, LOWORD(wParam));
      else if (LOWORD(wParam) == IDC_MF_GRID && (HIWORD(wParam) == 54 || HIWORD(wParam) == 55 || HIWORD(wParam) == 64))
        UpdateButtons(s);
      return 1;
    case WM_CONTEXTMENU:
      kelt::dlg::openkit::ContextHelp(hook, lParam, 101);
      return 1;
    case WM_CHAR:
      if (wParam == 27) SendMessageA(Item(s, IDC_MF_PLOT), OPM_ESCAPETRACKING, 0, 0);
      return 1;
    case WM_DESTROY: CloseChild(s, hook); return 0;
    default: return 0;
  }
}

namespace kelt::dlg {

std::string ShortenPathForDc(const std::string& path, int width, HDC dc) {
  return ShortenPathToWidth(path, width, [dc](const std::string& t) {
    SIZE size{};
    GetTextExtentPoint32A(dc, t.c_str(), int(t.size()), &size);
    return int(size.cx);
  });
}

STRUCT_MULT_FILES_PARAMS ReadMultFilesParams() { return ReadParams(); }

}  // namespace kelt::dlg

int16_t KELT_New_SelectMultipleFiles(HWND owner, STRUCT_MULT_FILES_ROW* rows, int16_t count, const char* title,
                                     char* lastFile, const char* startFolder, int16_t firstRowFixed) {
  try {
    if (!rows || count < 1) return 0;
    if (count > MULT_FILES_MOST_ROWS) count = MULT_FILES_MOST_ROWS;
    AddResources();
    auto* scratch = static_cast<kelt::dlg::openkit::OpenNames*>(AllocBlock(sizeof(kelt::dlg::openkit::OpenNames)));
    auto* ofn = static_cast<OPENFILENAMEA*>(AllocBlock(sizeof(OPENFILENAMEA)));
    auto* s = static_cast<Ctx*>(AllocBlock(sizeof(Ctx)));
    STRUCT_PS* ps = KELT_PS_MakeTIC();
    auto freeAll = [&] {
      if (ps) KELT_PS_Free(ps);
      if (scratch) FreeBlock(scratch);
      if (ofn) FreeBlock(ofn);
      if (s) FreeBlock(s);
    };
    if (!scratch || !ofn || !s || !ps) {
      freeAll();
      return 0;
    }
    const STRUCT_MULT_FILES_PARAMS params = ReadParams();
    s->showPreview = params.showPreview;
    s->keepTimeRange = params.keepTimeRange;
    s->keptStart = params.keptStart;
    s->keptEnd = params.keptEnd;
    CopyPath(s->lastDataFile, params.lastDataFile);
    s->autoSelect = AutoSelectDefault();
    std::string start;
    if (lastFile && strnlen(lastFile, 260) < 260 && lastFile[0] && KELT_DoesFileExist(lastFile)) start = lastFile;
    if (start.empty() && s->lastDataFile[0]) start = s->lastDataFile;
    for (int i = 0; start.empty() && i < count; ++i) {
      rows[i].path[259] = 0;
      if (rows[i].inUse && KELT_DoesFileExist(rows[i].path)) start = rows[i].path;
    }
    if (!start.empty()) {
      char name[260], ext[260];
      SplitFilePath(start.c_str(), scratch->folder, name, ext);
      const size_t n = std::strlen(scratch->folder);
      if (n > 0 && scratch->folder[n - 1] == '\\') scratch->folder[n - 1] = 0;
      CopyPath(scratch->file, (std::string(name) + ext).c_str());
    } else {
      if (startFolder) CopyPath(scratch->folder, startFolder);
      else GetProgramDirectory(scratch->folder);
      CopyPath(scratch->file, "*.?ms");
    }
    CopyPath(scratch->caption, count == 1 ? "Select File" : "Select Overlay Plots", sizeof scratch->caption);
    CopyPath(scratch->defExt, "xms", sizeof scratch->defExt);
    if (!kelt::dlg::openkit::PrepareOpen(ofn, scratch, owner, MULT_FILES_FILTER_STRING, SelectMultipleFilesHookProc, MULT_FILES_TEMPLATE,
                                         reinterpret_cast<LPARAM>(s), 0x85464)) {
      freeAll();
      return 0;
    }
    s->owner = owner;
    s->rows = rows;
    s->count = count;
    s->visibleRows = int16_t(std::min<int>(count, MULT_FILES_MOST_VISIBLE));
    s->firstRowFixed = firstRowFixed ? 1 : 0;
    s->insertRow = -1;
    if (title) CopyPath(s->title, title, sizeof s->title);
    s->previewSelection = ps;
    ps = nullptr;  // the child frees it when it closes
    if (!BeginGridUse()) {
      s->previewSelection = nullptr;
      freeAll();
      return 0;
    }
    GetOpenFileNameA(ofn);
    EndGridUse();
    if (s->previewSelection) KELT_PS_Free(s->previewSelection);  // the child never started
    s->previewSelection = nullptr;
    for (auto*& wf : s->rowFiles)
      if (wf) FreeWorkFileStruct(wf);
    if (s->previewFile) FreeWorkFileStruct(s->previewFile);
    const int16_t result = s->result;
    if (result && lastFile) CopyPath(lastFile, s->lastDataFile);
    freeAll();
    return result;
  } catch (...) {
    return 0;
  }
}

void KELT_New_LastDataFileForSelMultFiles(const char* path) {
  auto* block = static_cast<STRUCT_MULT_FILES_PARAMS*>(AllocBlock(sizeof(STRUCT_MULT_FILES_PARAMS)));
  if (!block) return;
  *block = ReadParams();
  CopyPath(block->lastDataFile, path ? path : "");
  WriteParams(*block);
  FreeBlock(block);
}
