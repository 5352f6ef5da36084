// The data-file information dialog.
#include "dialogs/data_file_info_dialog.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/file_finder.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "common/results_access.h"
#include "common/text_file_out.h"
#include "common/work_file.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/file_selection_dialogs.h"
#include "dialogs/report_entry_points.h"
#include "dialogs/reports_file_choice.h"
#include "dialogs/text_lines.h"
#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/page_maker.h"
#include "ulbrec32/file_paths.h"
#include "win/win_commctrl.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr size_t kLongestLine = 280;  // list lines this long are left out of prints and exports
constexpr int kResultOffsets[6] = {2251, 2257, 2253, 2261, 2255, 2259};
constexpr int kResultFields[6] = {IDC_DFI_IDENTIFIED, IDC_DFI_TENTATIVE, IDC_DFI_MISSING,
                                  IDC_DFI_UNKNOWN,    IDC_DFI_FAILED,    IDC_DFI_DUPLICATE};

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, DATA_FILE_INFO_DIALOG)) return;
  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_MODALFRAME | DS_SETFONT;
  t.cx = 480;
  t.cy = 326;
  const DWORD label = WS_VISIBLE | SS_LEFT;
  const DWORD value = WS_VISIBLE | SS_LEFT | SS_SUNKEN;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  auto pair = [&](int labelId, int valueId, const char* text, short x, short y, short lw, short vx, short vw) {
    t.items.push_back({labelId, "Static", text, label, 0, x, static_cast<short>(y + 1), lw, 10});
    t.items.push_back({valueId, "Static", "", value, 0, vx, y, vw, 11});
  };
  pair(6101, IDC_DFI_FILE, "Data File:", 6, 6, 80, 88, 252);
  pair(6103, IDC_DFI_DATE, "Date:", 344, 6, 24, 370, 98);
  pair(6105, IDC_DFI_INJ_METHOD, "Injection Method:", 6, 19, 80, 88, 252);
  pair(6107, IDC_DFI_INJ_DATE, "Date:", 344, 19, 24, 370, 98);
  pair(6109, IDC_DFI_CALC_METHOD, "Calculation Method:", 6, 32, 80, 88, 252);
  pair(6111, IDC_DFI_CALC_DATE, "Date:", 344, 32, 24, 370, 98);
  // Two columns whose labels and values widen in proportion when the
  // dialog grows, the right one following the right edge: each is laid
  // out so that, a quarter wider, nothing runs into its neighbour.
  t.items.push_back({6112, "Button", "Acquisition Summary", WS_VISIBLE | BS_GROUPBOX, 0, 6, 46, 468, 76});
  pair(6114, IDC_DFI_MODULE_TYPE, "Module Type:", 12, 58, 76, 108, 145);
  pair(6118, IDC_DFI_ACQ_TIME, "Acquisition Time:", 12, 71, 76, 108, 145);
  pair(6122, IDC_DFI_SCANS, "Scan Number:", 12, 84, 76, 108, 145);
  pair(6126, IDC_DFI_OPERATOR, "Operator:", 12, 97, 76, 108, 145);
  pair(6130, IDC_DFI_MAX_RIC_SCAN, "Max RIC Scan Number:", 12, 110, 76, 108, 145);
  pair(6116, IDC_DFI_MODULE_ADDRESS, "Module Address:", 290, 58, 86, 400, 56);
  pair(6120, IDC_DFI_MASS_TYPE, "Mass Data Type:", 290, 71, 86, 400, 56);
  pair(6124, IDC_DFI_RT_RANGE, "Retention Time Range:", 290, 84, 86, 400, 56);
  pair(6128, IDC_DFI_SEGMENTS, "Number of Segments:", 290, 97, 86, 400, 56);
  pair(6132, IDC_DFI_MAX_RIC, "Max RIC Value:", 290, 110, 86, 400, 56);
  t.items.push_back({6133, "Button", "Results Summary", WS_VISIBLE | BS_GROUPBOX, 0, 6, 126, 468, 50});
  pair(6135, IDC_DFI_IDENTIFIED, "Identified Compounds:", 12, 138, 100, 140, 30);
  pair(6139, IDC_DFI_MISSING, "Missing Compounds:", 12, 150, 100, 140, 30);
  pair(6143, IDC_DFI_FAILED, "Failed Compounds:", 12, 162, 100, 140, 30);
  pair(6137, IDC_DFI_TENTATIVE, "Tentatively Identifed Compounds:", 250, 138, 130, 414, 30);
  pair(6141, IDC_DFI_UNKNOWN, "Unknown Compounds:", 250, 150, 130, 414, 30);
  pair(6145, IDC_DFI_DUPLICATE, "Duplicate Compounds:", 250, 162, 130, 414, 30);
  t.items.push_back({6146, "Button", "Log Sections", WS_VISIBLE | BS_GROUPBOX, 0, 6, 180, 468, 112});
  t.items.push_back({IDC_DFI_TREE_PLACE, "Static", "", SS_LEFT, 0, 12, 192, 150, 94});
  t.items.push_back({IDC_DFI_TEXT, "ListBox", "",
                     WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, 0, 166, 192,
                     302, 76});
  t.items.push_back({IDC_DFI_PRINT, "Button", "Print", push, 0, 166, 272, 50, 14});
  t.items.push_back({IDC_DFI_EXPORT, "Button", "Export", push, 0, 220, 272, 50, 14});
  t.items.push_back({IDC_DFI_PREVIOUS, "Button", "Previous File", push, 0, 6, 298, 60, 14});
  t.items.push_back({IDC_DFI_NEXT, "Button", "Next File", push, 0, 70, 298, 60, 14});
  t.items.push_back({IDC_DFI_PRINT_ALL, "Button", "Print All", push, 0, 134, 298, 60, 14});
  t.items.push_back({IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 414, 298, 60, 14});
  t.items.push_back({IDC_DFI_STATUS, STATUSCLASSNAMEA, "", WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 316, 480, 10});
  AddDialog(module, DATA_FILE_INFO_DIALOG, t);
}

const KELT_LAYOUT_RULE kLayout[] = {
    {6101, 0, 0, 0, 0}, {6105, 0, 0, 0, 0}, {6109, 0, 0, 0, 0},
    {6100, 0, 0, 8, 0}, {6104, 0, 0, 8, 0}, {6108, 0, 0, 8, 0}, {6112, 0, 0, 8, 0}, {6133, 0, 0, 8, 0},
    {6103, 8, 0, 0, 0}, {6102, 8, 0, 0, 0}, {6107, 8, 0, 0, 0}, {6106, 8, 0, 0, 0}, {6111, 8, 0, 0, 0},
    {6110, 8, 0, 0, 0},
    {6114, 0, 0, 1, 0}, {6118, 0, 0, 1, 0}, {6122, 0, 0, 1, 0}, {6126, 0, 0, 1, 0}, {6130, 0, 0, 1, 0},
    {6113, 0, 0, 1, 0}, {6117, 0, 0, 1, 0}, {6121, 0, 0, 1, 0}, {6125, 0, 0, 1, 0}, {6129, 0, 0, 1, 0},
    {6135, 0, 0, 1, 0}, {6134, 0, 0, 1, 0}, {6139, 0, 0, 1, 0}, {6138, 0, 0, 1, 0}, {6143, 0, 0, 1, 0},
    {6142, 0, 0, 1, 0},
    {6116, 8, 0, 1, 0}, {6115, 8, 0, 1, 0}, {6120, 8, 0, 1, 0}, {6119, 8, 0, 1, 0}, {6124, 8, 0, 1, 0},
    {6123, 8, 0, 1, 0}, {6128, 8, 0, 1, 0}, {6127, 8, 0, 1, 0}, {6132, 8, 0, 1, 0}, {6131, 8, 0, 1, 0},
    {6137, 8, 0, 1, 0}, {6136, 8, 0, 1, 0}, {6141, 8, 0, 1, 0}, {6140, 8, 0, 1, 0}, {6145, 8, 0, 1, 0},
    {6144, 8, 0, 1, 0},
    {6150, 0, 0, 8, 8}, {6146, 0, 0, 8, 8},
    {6148, 0, 8, 0, 0}, {6149, 0, 8, 0, 0},
    {6152, 0, 0, 0, 8},
    {6155, 1, 8, 0, 0}, {6154, 1, 8, 0, 0}, {6151, 1, 8, 0, 0}, {1, 1, 8, 0, 0},
    {6153, 8, 8, 0, 0},
};
static_assert(sizeof kLayout / sizeof kLayout[0] == 56);

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string DateOf(int32_t when) {
  char date[40] = {}, time[40] = {};
  time32_t t = when;
  KELT_FormatDateTimeFromLong(&t, date, time);
  return std::string(date) + " " + time;
}

bool Readable(const STRUCT_WORK_FILE* wf) { return wf && (wf->directHeader || wf->centroid || wf->profile); }

}  // namespace

CDataFileInfoDlg::CDataFileInfoDlg() = default;

CDataFileInfoDlg::~CDataFileInfoDlg() {
  ReleaseFile();
  if (m_ListFont) DeleteObject(m_ListFont);
}

bool CDataFileInfoDlg::Prepare(CWnd* parent) {
  AddTemplate();
  return kelt::dlg::InitModalFromLibrary(this, DATA_FILE_INFO_DIALOG, parent);
}

std::vector<std::string> CDataFileInfoDlg::TextLines() const {
  std::vector<std::string> lines;
  HWND list = m_hWnd ? ::GetDlgItem(m_hWnd, IDC_DFI_TEXT) : nullptr;
  if (!list) return m_browser.Lines();
  const LRESULT n = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    const LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    lines.push_back(text);
  }
  return lines;
}

void CDataFileInfoDlg::ReleaseFile() {
  m_browser.Release();
  if (m_pWorkFile && m_OwnsCurrent) FreeWorkFileStruct(m_pWorkFile);
  m_pWorkFile = nullptr;
  m_OwnsCurrent = 0;
  m_CurrentPath[0] = 0;
}

BOOL CDataFileInfoDlg::OnInitDialog() {
  if (!m_pGivenWorkFile) {
    EndDialog(0);
    return FALSE;
  }
  CDialog::OnInitDialog();
  HWND place = ::GetDlgItem(m_hWnd, IDC_DFI_TREE_PLACE);
  if (!place) {
    EndDialog(0);
    return FALSE;
  }
  RECT r{};
  ::GetWindowRect(place, &r);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  ::MoveWindow(place, 0, 0, 0, 0, FALSE);
  m_Tree = ::CreateWindowExA(0, WC_TREEVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP | TVS_NOTOOLTIPS |
                                 TVS_FULLROWSELECT,
                             r.left, r.top, r.right - r.left, r.bottom - r.top, m_hWnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DFI_TREE)), nullptr, nullptr);
  if (!m_Tree) {
    EndDialog(0);
    return FALSE;
  }
  HWND list = ::GetDlgItem(m_hWnd, IDC_DFI_TEXT);
  m_ListFont = KELT_CreateGlobalFont();
  if (m_ListFont) {
    kelt::dlg::SetListFont(list, m_ListFont);
    ::SendMessageA(m_Tree, WM_SETFONT, reinterpret_cast<WPARAM>(m_ListFont), TRUE);
    RECT lr{};
    ::GetClientRect(list, &lr);
    ::SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(2 * (lr.right - lr.left)), 0);
  }
  m_FolderList = ::CreateWindowExA(0, "ListBox", "", WS_CHILD | LBS_SORT, 0, 0, 0, 0, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DFI_FOLDER_LIST)), nullptr,
                                   nullptr);
  FillFolderList();
  m_pWorkFile = m_pGivenWorkFile;
  m_OwnsCurrent = 0;
  std::snprintf(m_CurrentPath, sizeof m_CurrentPath, "%s", m_GivenPath);
  Fill();
  RECT wr{};
  ::GetWindowRect(m_hWnd, &wr);
  m_InitialWidth = wr.right - wr.left;
  m_InitialHeight = wr.bottom - wr.top;
  ::GetClientRect(m_hWnd, &m_InitialClient);
  m_LastClient = m_InitialClient;
  m_Sized = 1;
  ::MoveWindow(m_hWnd, 0, 0, m_InitialWidth + m_InitialWidth / 4, m_InitialHeight, TRUE);
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
  return TRUE;
}

void CDataFileInfoDlg::FillFolderList() {
  m_FileCount = 0;
  m_StartIndex = m_CurrentIndex = 0;
  const char* given = m_GivenPath[0] ? m_GivenPath : m_pGivenWorkFile->filePath;
  char folder[260] = {}, name[260] = {}, ext[260] = {};
  SplitFilePath(m_pGivenWorkFile->filePath, folder, name, ext);
  std::snprintf(m_Folder, sizeof m_Folder, "%s", folder);
  if (!m_FolderList) return;
  CFileFinder finder;
  for (const char* pattern : {"*.KMS", "*.XMS", "*.MS"}) {
    const std::string search = std::string(m_Folder) + pattern;
    for (bool found = finder.FindFirst(search.c_str()); found; found = finder.FindNext()) {
      const DWORD skip = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
      if (finder.m_findData.dwFileAttributes & skip) continue;
      if (m_FileCount == 32767) break;
      ::SendMessageA(m_FolderList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(finder.m_findData.cFileName));
      ++m_FileCount;
    }
  }
  finder.Close();
  for (int16_t i = 0; i < m_FileCount; ++i) {
    char entry[260] = {};
    if (::SendMessageA(m_FolderList, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= 260) continue;
    ::SendMessageA(m_FolderList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
    if (_stricmp((std::string(m_Folder) + entry).c_str(), given) == 0) {
      m_StartIndex = i;
      break;
    }
  }
  m_CurrentIndex = m_StartIndex;
}

void CDataFileInfoDlg::UpdateButtons() {
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DFI_NEXT), m_FolderList && m_CurrentIndex < m_FileCount - 1);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DFI_PREVIOUS), m_FolderList && m_CurrentIndex > 0);
  const bool real = m_browser.TextIsReal();
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DFI_PRINT), real);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DFI_EXPORT), real);
}

void CDataFileInfoDlg::Fill() {
  STRUCT_WORK_FILE* wf = m_pWorkFile;
  if (m_FirstSegment >= WorkFileSegmentCount(wf)) m_FirstSegment = 0;
  char text[600];
  std::string title = "Data File Information - ";
  if (m_CurrentPath[0]) {
    char shortPath[300] = {};
    KELT_TruncateFileString(m_CurrentPath, 100, shortPath);
    title += shortPath;
  } else {
    title += std::string(wf->displayName, strnlen(wf->displayName, sizeof wf->displayName));
  }
  ::SetWindowTextA(m_hWnd, title.c_str());
  SetDlgItemText(IDC_DFI_FILE, Lower(m_CurrentPath[0] ? m_CurrentPath : wf->filePath).c_str());
  char date[40] = {}, time[40] = {};
  KELT_FormatDateTime(static_cast<int16_t>(wf->month), static_cast<int16_t>(wf->day), static_cast<int16_t>(wf->year),
                      static_cast<int16_t>(wf->hour), static_cast<int16_t>(wf->minute), date, time);
  std::snprintf(text, sizeof text, "%s %s", date, time);
  SetDlgItemText(IDC_DFI_DATE, text);
  // The injection and calculation methods, "N/A" when their records cannot be read.
  std::string injName = "N/A", injDate = "N/A", calcName = "N/A", calcDate = "N/A";
  if (HDHTABLE h = OpenDHRecord(wf->filePath)) {
    STRUCT_DH_INJECTION_RECORD record{};
    if (ReadDHRecord(h, &record)) {
      injName = std::string(record.methodPath, strnlen(record.methodPath, sizeof record.methodPath));
      injDate = DateOf(record.injectionTime);
    }
    CloseSection(static_cast<HSECTION>(h));
  }
  {
    STRUCT_RECALC_ENTRY record{};
    if (RPTS_ReadDataFileSection(wf, &record)) {
      calcName = std::string(record.methodPath, strnlen(record.methodPath, sizeof record.methodPath));
      calcDate = DateOf(static_cast<int32_t>(record.processedTime));
    }
  }
  SetDlgItemText(IDC_DFI_INJ_METHOD, injName.c_str());
  SetDlgItemText(IDC_DFI_INJ_DATE, injDate.c_str());
  SetDlgItemText(IDC_DFI_CALC_METHOD, calcName.c_str());
  SetDlgItemText(IDC_DFI_CALC_DATE, calcDate.c_str());
  char typeText[260] = {};
  HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, wf->fileType);
  if (!config || !GetModuleConfigString(config, MODULE_CONFIG_TYPE_ITEM, typeText))
    std::snprintf(typeText, sizeof typeText, "%ld", static_cast<long>(wf->fileType));
  SetDlgItemText(IDC_DFI_MODULE_TYPE, typeText);
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(wf->module));
  SetDlgItemText(IDC_DFI_MODULE_ADDRESS, text);
  // The acquisition ran from its start for the run's length.
  const int32_t start = static_cast<int32_t>(wf->acquisitionTime);
  const int32_t end = start + static_cast<int32_t>(wf->endTime * 60.0 + 0.5);
  std::snprintf(text, sizeof text, "%s - %s", DateOf(start).c_str(), DateOf(end).c_str());
  SetDlgItemText(IDC_DFI_ACQ_TIME, text);
  SetDlgItemText(IDC_DFI_MASS_TYPE, wf->profile ? "PROFILE" : "CENTROID");
  std::snprintf(text, sizeof text, "%ld - %ld", static_cast<long>(wf->msInfo.firstScan),
                static_cast<long>(wf->msInfo.lastScan));
  SetDlgItemText(IDC_DFI_SCANS, text);
  std::snprintf(text, sizeof text, "%.2f - %.2f", wf->startTime, wf->endTime);
  SetDlgItemText(IDC_DFI_RT_RANGE, text);
  SetDlgItemText(IDC_DFI_OPERATOR,
                 std::string(wf->operatorName, strnlen(wf->operatorName, sizeof wf->operatorName)).c_str());
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(WorkFileSegmentCount(wf)));
  SetDlgItemText(IDC_DFI_SEGMENTS, text);
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(wf->msInfo.maxTicScan));
  SetDlgItemText(IDC_DFI_MAX_RIC_SCAN, text);
  char ric[64] = {};
  KELT_FormatIntensityI64(static_cast<int64_t>(wf->msInfo.maxTic), ric);
  SetDlgItemText(IDC_DFI_MAX_RIC, ric);
  static uint8_t header[4096];
  std::memset(header, 0, sizeof header);
  const bool results = !wf->directHeader && RPTS_ReadResultsFromFile(wf->filePath, header, 1);
  for (int i = 0; i < 6; ++i) {
    if (results) {
      int16_t count = 0;
      std::memcpy(&count, header + kResultOffsets[i], sizeof count);
      std::snprintf(text, sizeof text, "%ld", static_cast<long>(count));
    } else {
      std::snprintf(text, sizeof text, "N/A");
    }
    SetDlgItemText(kResultFields[i], text);
  }
  m_browser.Build(wf, m_FirstSegment, m_Tree, ::GetDlgItem(m_hWnd, IDC_DFI_TEXT));
  UpdateButtons();
}

void CDataFileInfoDlg::Move(int direction) {
  if (!m_FolderList) return;
  // A file of the folder that cannot be opened is stepped over, not a
  // reason to close the dialog.
  for (int index = m_CurrentIndex + direction; index >= 0 && index < m_FileCount; index += direction) {
    if (index == m_StartIndex) {
      ReleaseFile();
      m_CurrentIndex = static_cast<int16_t>(index);
      m_pWorkFile = m_pGivenWorkFile;
      std::snprintf(m_CurrentPath, sizeof m_CurrentPath, "%s", m_GivenPath);
      Fill();
      return;
    }
    char entry[260] = {};
    if (::SendMessageA(m_FolderList, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0) >= 260) continue;
    if (::SendMessageA(m_FolderList, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry)) < 0)
      continue;
    const std::string path = std::string(m_Folder) + entry;
    STRUCT_WORK_FILE* wf = path.size() < 260 ? MakeWorkFileStruct(path.c_str(), 0) : nullptr;
    if (!wf) continue;
    if (!Readable(wf)) {
      FreeWorkFileStruct(wf);
      continue;
    }
    ReleaseFile();
    m_CurrentIndex = static_cast<int16_t>(index);
    m_pWorkFile = wf;
    m_OwnsCurrent = 1;
    Fill();
    return;
  }
  ::MessageBeep(MB_OK);
}

bool CDataFileInfoDlg::ExportTo(const char* path) const {
  const std::vector<std::string> lines = TextLines();
  kelt::textfile::OutputFile out;
  if (!path || !out.Open(path)) return false;
  bool ok = true;
  int written = 0;
  for (const std::string& line : lines) {
    if (line.size() >= kLongestLine) continue;
    ok = ok && std::fputs(line.c_str(), out.Stream()) >= 0 && std::fputs("\r\n", out.Stream()) >= 0;
    ++written;
  }
  ok = ok && std::fputs("\r\n", out.Stream()) >= 0;
  // A file without a line, or with a failed write, is not left behind.
  return ok && written > 0 && out.Commit();
}

void CDataFileInfoDlg::OnExport() {
  char path[260] = {};
  std::snprintf(path, sizeof path, "%s", m_pWorkFile->filePath);
  if (!Dlg_SelectSaveAsFileExEx(nullptr, SELFILE_TEXT, path, 1, nullptr, "-LOG", nullptr)) return;
  KELT_ShowDoneStatus(ExportTo(path) ? 1 : 0);
}

void CDataFileInfoDlg::PrintLines(const std::vector<std::string>& lines, const char* title) {
  if (lines.empty()) return;
  char path[260] = {};
  int16_t temporary = 1;
  if (!RPTS_GetReportsFile(path, &temporary)) return;
  HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  const bool landscape = kelt::prefs::DefaultReportPrefs().spooler.orientation == 2;
  CMPage* maker = MPM_InitMetaPageMaker(&prefs, landscape ? 140 : 80, landscape ? 60 : 72, landscape ? 1 : 0);
  if (!maker) {
    ::SetCursor(old);
    return;
  }
  const int32_t now = GetCurrentDateTime();
  char date[40] = {}, time[40] = {};
  time32_t t = now;
  KELT_FormatDateTimeFromLong(&t, date, time);
  char file[300] = {};
  KELT_TruncateFileString(m_pWorkFile->filePath, 70, file);
  const std::string fileLine = "File: " + Lower(file);
  int16_t page = 1, line = 0;
  bool due = true, stored = false, body = false;
  auto store = [&]() {
    stored = temporary && page == 1 ? MPM_SavePageInNewMSRTempFile(maker, 1, static_cast<uint32_t>(now), title, path) != 0
                                    : MPM_SavePageInMSRFile(maker, path, page, static_cast<uint32_t>(now), title) != 0;
    ++page;
    due = true;
    body = false;
  };
  int16_t cw = 0, ch = 0;
  for (const std::string& text : lines) {
    if (due) {
      if (!MPM_StartNewPage(maker, 0)) break;
      due = false;
      line = 1;
      char header[160];
      std::snprintf(header, sizeof header, "%s - %s, Page - %d", date, time, page);
      MPM_SelectNormalFont(maker, &cw, &ch);
      MPM_CLTextOut(maker, 40, 1, header);
      MPM_SelectLargeFont(maker, &cw, &ch);
      MPM_CLTextOut(maker, 4, 2, fileLine.c_str());
      MPM_SelectFixedFont(maker, &cw, &ch);
      line = 4;
    }
    if (text.size() >= kLongestLine) continue;
    MPM_CLTextOut(maker, 4, line, text.c_str());
    ++line;
    body = true;
    if (line >= 59) store();
  }
  if (!due && body) store();
  else if (!due) MPM_CancelPage(maker);
  MPM_FreeMetaPageMaker(maker);
  ::SetCursor(old);
  if (stored) Dlg_ViewReports(path, temporary, &prefs, 0);
}

void CDataFileInfoDlg::OnPrint() { PrintLines(TextLines(), "Data File Log"); }

// The log report of the whole file: every block of its log on pages as
// the section print makes them.
void CDataFileInfoDlg::OnPrintAll() {
  KELT_DataFileLogOptions options{};
  options.headings = 1;
  options.notesWidth = 100;
  options.segments = options.runLog = options.otherLogs = options.dataHandling = options.errorLog = 1;
  options.calibrationLog = options.revisionLog = options.injectionNotes = options.recalcNotes = 1;
  options.samplePrep = options.moduleAttributes = options.eventLog = options.methodSegmentLog = 1;
  uint16_t heading = 0, bodyLines = 0;
  uint32_t offset = 0, size = 0;
  char* block = KELT_GetDataFileLogInMemory(m_pWorkFile, &options, &heading, &bodyLines, &offset, &size);
  if (!block) return;
  std::vector<std::string> lines;
  kelt::dlg::SplitTextBlock(block, size, lines);
  FreeBlock(block);
  PrintLines(lines, "Data File Log Report");
}

void CDataFileInfoDlg::OnSizeChanged() {
  if (!m_Sized) return;
  RECT wr{}, client{};
  ::GetWindowRect(m_hWnd, &wr);
  ::GetClientRect(m_hWnd, &client);
  if (wr.right - wr.left >= m_InitialWidth && wr.bottom - wr.top >= m_InitialHeight) {
    KELT_LAYOUT_RULE rules[56];
    std::memcpy(rules, kLayout, sizeof rules);
    for (KELT_LAYOUT_RULE& r : rules)
      if (r.id == IDC_DFI_TREE_PLACE) r.id = IDC_DFI_TREE;
    KELT_SizeDialog(this, rules, 56, m_LastClient, wr, client);
    m_LastClient = client;
  } else {
    m_Sized = 0;  // the move below comes back here
    ::MoveWindow(m_hWnd, wr.left, wr.top, m_InitialWidth, m_InitialHeight, TRUE);
    m_Sized = 1;
    ::GetClientRect(m_hWnd, &client);
    KELT_LAYOUT_RULE rules[56];
    std::memcpy(rules, kLayout, sizeof rules);
    for (KELT_LAYOUT_RULE& r : rules)
      if (r.id == IDC_DFI_TREE_PLACE) r.id = IDC_DFI_TREE;
    ::GetWindowRect(m_hWnd, &wr);
    KELT_SizeDialog(this, rules, 56, m_LastClient, wr, client);
    m_LastClient = client;
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

BOOL CDataFileInfoDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 0) {
    switch (LOWORD(wParam)) {
      case IDC_DFI_PREVIOUS: Move(-1); return TRUE;
      case IDC_DFI_NEXT: Move(1); return TRUE;
      case IDC_DFI_PRINT: OnPrint(); return TRUE;
      case IDC_DFI_EXPORT: OnExport(); return TRUE;
      case IDC_DFI_PRINT_ALL: OnPrintAll(); return TRUE;
      default: break;
    }
  }
  return CDialog::OnCommand(wParam, lParam);
}

BOOL CDataFileInfoDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
  if (hdr && hdr->idFrom == IDC_DFI_TREE && hdr->code == TVN_SELCHANGEDA) {
    const auto* nm = reinterpret_cast<const NMTREEVIEWA*>(lParam);
    m_browser.SelectionChanged(nm->itemNew.lParam);
    UpdateButtons();
    if (result) *result = 0;
    return TRUE;
  }
  return CDialog::OnNotify(wParam, lParam, result);
}

LRESULT CDataFileInfoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE) {
    const LRESULT r = CDialog::WindowProc(msg, wParam, lParam);
    OnSizeChanged();
    return r;
  }
  if (msg == WM_DESTROY) {
    const LRESULT r = CDialog::WindowProc(msg, wParam, lParam);
    ReleaseFile();
    if (m_ListFont) DeleteObject(m_ListFont);
    m_ListFont = nullptr;
    if (m_Tree && ::IsWindow(m_Tree)) ::DestroyWindow(m_Tree);
    if (m_FolderList && ::IsWindow(m_FolderList)) ::DestroyWindow(m_FolderList);
    m_Tree = m_FolderList = nullptr;
    return r;
  }
  if (m_help.Handle(this, msg, wParam, lParam, false)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

void Dlg_DataFileInfo(STRUCT_WORK_FILE* workFile) {
  if (!Readable(workFile)) return;
  try {
    CDataFileInfoDlg dialog;
    if (!dialog.Prepare(nullptr)) return;
    dialog.m_pGivenWorkFile = workFile;
    dialog.DoModal();
  } catch (...) {
  }
}
