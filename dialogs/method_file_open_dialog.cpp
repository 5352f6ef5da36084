// The method-file open dialog with its section preview.
#include "dialogs/method_file_open_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/last_files.h"
#include "common/library_state.h"
#include "common/log_text_files.h"
#include "common/number_format.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/open_dialog_kit.h"
#include "dialogs/text_lines.h"
#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "orvik32/orvik32_dialogs.h"
#include "ulbrec32/file_paths.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_menus.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

namespace kit = kelt::dlg::openkit;
constexpr const char* kProp = "D";
constexpr const char* kFilter = "MTH Files (*.MTH )|*.MTH|All Files (*.*)|*.*|";
constexpr int32_t kMethodFileType = 666;
const char* const kStems[] = {"PeakTable", "MSReportFormat2", "Method.", "CalibrationLog"};
const char* const kTitles[] = {"Select MS Data Handling Method", "Select MS Reports Method",
                               "Select MS Acquisition Method"};

void AddResources() {
  win::resources::DialogTemplate t;
  if (!kelt::dlg::openkit::BeginTemplate(SEL_METHOD_FILE_FILTER_STRING, kFilter, SEL_METHOD_FILE_TEMPLATE, 300, &t))
    return;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD radio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
  t.items.insert(t.items.end(), {
      {IDC_SMF_MODULE_LINE, "Static", "", WS_VISIBLE | SS_CENTER, 0, 6, 144, 276, 10},
      {IDC_SMF_ADDRESS_LINE, "Static", "", WS_VISIBLE | SS_CENTER, 0, 6, 155, 276, 10},
      {IDC_SMF_GROUP, "Button", "Preview Method File Information", WS_VISIBLE | BS_GROUPBOX, 0, 288, 4, 200, 120},
      {3401, "Static", "File:", WS_VISIBLE | SS_LEFT, 0, 294, 18, 30, 10},
      {IDC_SMF_FILE, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 326, 17, 156, 11},
      {IDC_SMF_DATA_HANDLING, "Button", "MS Data Handling Method", radio | WS_GROUP, 0, 296, 36, 180, 12},
      {IDC_SMF_REPORTS, "Button", "MS Reports Method", radio, 0, 296, 52, 180, 12},
      {IDC_SMF_ACQUISITION, "Button", "MS Acquisition Method", radio, 0, 296, 68, 180, 12},
      {IDC_SMF_CALIBRATION, "Button", "Calibration Log", radio, 0, 296, 84, 180, 12},
      {IDC_SMF_SELECT, "Button", "&Select", push | WS_DISABLED, 0, 288, 128, 64, 14},
      {IDC_SMF_CANCEL_PLACE, "Button", "", WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, 0, 356, 128, 64, 14},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 424, 128, 64, 14},
      {IDC_SMF_RECENT, "Button", "&Recent Files...", push, 0, 212, 110, 70, 14},
      {IDC_SMF_LIST, "ListBox", "",
       WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, 0, 6, 168, 482, 126},
  });
  kelt::dlg::openkit::EndTemplate(SEL_METHOD_FILE_TEMPLATE, t);
}

STRUCT_SEL_METHOD_FILE* State(HWND h) { return static_cast<STRUCT_SEL_METHOD_FILE*>(GetPropA(h, kProp)); }
HWND Item(STRUCT_SEL_METHOD_FILE* s, int id) { return GetDlgItem(s->hookDialog, id); }
bool ModuleAsked(const STRUCT_SEL_METHOD_FILE* s) { return s->moduleId != 0 || s->moduleAddress != 0; }
int PartIndex(const STRUCT_SEL_METHOD_FILE* s) {
  const int i = s->shownPart - IDC_SMF_DATA_HANDLING;
  return i >= 0 && i < 4 ? i : 0;
}

bool IsMethodFileAnyModule(const char* path) { return FileExists(path) && IsSectionFileOfType(path, kMethodFileType); }

std::string ModuleName(uint16_t id) {
  char name[260] = {};
  if (HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, id))
    if (GetModuleConfigString(config, MODULE_CONFIG_NAME_ITEM, name)) return name;
  return {};
}

void ClearPreview(STRUCT_SEL_METHOD_FILE* s, bool forceNameBox) {
  s->previewedPath[0] = 0;
  KELT_FreeSectionArray(s->sections);
  s->sections = nullptr;
  s->previewValid = 0;
  s->busy = 1;
  SetDlgItemTextA(s->hookDialog, IDC_SMF_FILE, "");
  SendMessageA(Item(s, IDC_SMF_LIST), LB_RESETCONTENT, 0, 0);
  if (!s->nameBoxFocused || forceNameBox) kit::ResetNameBox(s->commonDialog);
  EnableWindow(Item(s, IDC_SMF_SELECT), FALSE);
  s->busy = 0;
}

void ShowRefusal(STRUCT_SEL_METHOD_FILE* s, const char* path) {
  char folder[260] = {}, name[260] = {}, ext[260] = {};
  SplitFilePath(path, folder, name, ext);
  const std::string file = std::string(name) + ext;
  const char* fileName = file.c_str();
  // The first module the file does hold a peak table for.
  bool found = false;
  uint16_t foundId = 0, foundAddress = 0;
  char information[260] = {};
  if (HSECTION listing = OpenSectionList(path, information)) {
    for (int32_t at = NextSectionListEntry(listing, 0); at != 0 && !found; at = NextSectionListEntry(listing, at)) {
      char section[80] = {};
      if (!GetSectionMatchName(listing, at, section, sizeof section)) continue;
      uint16_t id = 0, address = 0;
      if (std::strncmp(section, "PeakTable", 9) != 0 ||
          !KELT_FromSectionGetModuleIDAndAddress(section, &id, &address))
        continue;
      char table[80] = {};
      if (BuildDHSectionName(table, "PeakTable", id, address, "1") && SectionExists(path, table)) {
        found = true;
        foundId = id;
        foundAddress = address;
      }
    }
    CloseSection(listing);
  }
  std::string text;
  char buf[600];
  std::snprintf(buf, sizeof buf, "Select method file for a\n%s MS module at\naddress %d.", ModuleName(s->moduleId).c_str(),
                s->moduleAddress);
  text = buf;
  if (!found || (foundId == s->moduleId && foundAddress == s->moduleAddress))
    std::snprintf(buf, sizeof buf, "\n\n%s\nhas no MS data handling.", fileName);
  else
    std::snprintf(buf, sizeof buf, "\n\n%s has\nmethod for %s MS module at\naddress %d", fileName,
                  ModuleName(foundId).c_str(), foundAddress);
  text += buf;
  MessageBoxA(GetActiveWindow(), text.c_str(), fileName, MB_OK | MB_ICONINFORMATION);
}

void CheckAndPreview(STRUCT_SEL_METHOD_FILE* s, const char* path, bool writeNameBox) {
  if (!path || !path[0] || _stricmp(path, s->previewedPath) == 0) return;
  if (!KELT_DoesFileExist(path) || !VerifyDataFile(nullptr, path, 1)) {
    ClearPreview(s, false);
    return;
  }
  bool valid;
  if (!ModuleAsked(s)) {
    valid = IsMethodFileAnyModule(path);
    if (valid) {
      if (STRUCT_SECTION_ARRAY* a = KELT_GetSectionsFromStem(path, kStems[PartIndex(s)])) {
        KELT_FreeSectionArray(s->sections);
        s->sections = a;
      }
    }
  } else {
    valid = KELT_IsMethodFile(path, s->moduleId, s->moduleAddress) != 0;
  }
  if (!valid) {
    if (ModuleAsked(s)) ShowRefusal(s, path);
    ClearPreview(s, false);
    return;
  }
  kit::CopyPath(s->previewedPath, path);
  s->previewValid = 1;
  EnableWindow(Item(s, IDC_SMF_SELECT), TRUE);
  if (writeNameBox) {
    s->busy = 1;
    SendMessageA(s->commonDialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(s->previewedPath));
    s->busy = 0;
  }
  char shortName[300] = {};
  KELT_TruncateFilenameString(s->previewedPath, 24, shortName);
  SetDlgItemTextA(s->hookDialog, IDC_SMF_FILE, shortName);
  SendMessageA(Item(s, IDC_SMF_LIST), LB_RESETCONTENT, 0, 0);
  PostMessageA(s->hookDialog, OFDM_REFRESH, 0, 0);
}

void AddLines(HWND list, const std::vector<std::string>& lines) {
  for (const std::string& l : lines) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(l.c_str()));
}

std::vector<std::string> Heading(uint16_t id, uint16_t address) {
  const std::string stars(85, '*');
  char line[300];
  std::snprintf(line, sizeof line, "Module %s at address %d.", ModuleName(id).c_str(), address);
  return {stars, line, stars, "  "};
}

void CalibrationRows(const char* path, uint16_t id, uint16_t address, bool heading, std::vector<std::string>& out) {
  HDHTABLE table = OpenDHTable(path, id, address, "1");
  if (!table) return;
  if (heading) {
    const auto h = Heading(id, address);
    out.insert(out.end(), h.begin(), h.end());
  }
  const int16_t rows = CountDHTableRows(table);
  for (int16_t i = 0; i < rows; ++i) {
    DH_CALIBRATION_LOG_ROW row{};
    if (!GetDHTableRow(table, i, &row, 1)) continue;
    char d1[40] = {}, t1[40] = {}, d2[40] = {}, t2[40] = {};
    time32_t injection = row.sampleKey, recalc = row.recalcTime;
    KELT_FormatDateTimeFromLong(&injection, d1, t1);
    KELT_FormatDateTimeFromLong(&recalc, d2, t2);
    char line[200];
    std::snprintf(line, sizeof line, "Injection: %s %s   Recalc: %s %s", d1, t1, d2, t2);
    out.emplace_back(line);
    std::string text(row.path, strnlen(row.path, sizeof row.path));
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    std::vector<std::string> lines;
    kelt::dlg::SplitTextBlock(text.c_str(), text.size(), lines);
    out.insert(out.end(), lines.begin(), lines.end());
    out.emplace_back("  ");
  }
  CloseSection(static_cast<HSECTION>(table));
}

bool PartText(const char* temp, const char* path, int part, uint16_t id, uint16_t address) {
  switch (part) {
    case 0: return KELT_MakeDataHandlingMethodTextFile(temp, path, 1, 1, id, address) != 0;
    case 1: return KELT_MakeReportsMethodTextFile(temp, path, id, address) != 0;
    default: return KELT_MakeModuleMethodTextFile(temp, path, id, address) != 0;
  }
}

void FillList(STRUCT_SEL_METHOD_FILE* s) {
  HWND list = Item(s, IDC_SMF_LIST);
  std::vector<std::string> lines;
  const int part = PartIndex(s);
  if (part == 3) {
    if (!ModuleAsked(s)) {
      for (int i = 0; s->sections && i < s->sections->count; ++i)
        CalibrationRows(s->previewedPath, s->sections->entries[i].moduleId, s->sections->entries[i].moduleAddress, true,
                        lines);
    } else {
      CalibrationRows(s->previewedPath, s->moduleId, s->moduleAddress, false, lines);
    }
  } else {
    const std::string temp = kelt::dlg::TemporaryTextFile("DDD");
    if (!temp.empty()) {
      auto one = [&](uint16_t id, uint16_t address, bool heading) {
        if (heading) {
          const auto h = Heading(id, address);
          lines.insert(lines.end(), h.begin(), h.end());
        }
        if (PartText(temp.c_str(), s->previewedPath, part, id, address))
          kelt::dlg::ReadMethodTextFile(temp.c_str(), lines);
      };
      if (!ModuleAsked(s)) {
        for (int i = 0; s->sections && i < s->sections->count; ++i)
          one(s->sections->entries[i].moduleId, s->sections->entries[i].moduleAddress, true);
      } else {
        one(s->moduleId, s->moduleAddress, false);
      }
      DeleteFileA(temp.c_str());
    }
  }
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  AddLines(list, lines);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::string RecentPath(int n) { return kit::RecentPath("mth", n); }

void ShowRecentMenu(STRUCT_SEL_METHOD_FILE* s) {
  kit::ShowRecentMenu(&s->recentMenu, s->hookDialog, "mth", SMF_RECENT_MOST, IDC_SMF_RECENT_FIRST);
}

void InitHook(HWND hook, OPENFILENAMEA* ofn) {
  auto* s = reinterpret_cast<STRUCT_SEL_METHOD_FILE*>(ofn->lCustData);
  s->hookDialog = hook;
  s->commonDialog = GetParent(hook);
  s->previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(s->commonDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SelectMethodFileParentProc)));
  s->accepting = 0;
  s->recentMenu = nullptr;
  SetPropA(hook, kProp, s);
  SetPropA(s->commonDialog, kProp, s);
  HWND list = Item(s, IDC_SMF_LIST);
  RECT r{};
  GetClientRect(list, &r);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(2 * (r.right - r.left)), 0);
  s->listFont = KELT_CreateGlobalFont();
  if (s->listFont) kelt::dlg::SetListFont(list, s->listFont);
  if (ModuleAsked(s)) {
    char line[300];
    std::snprintf(line, sizeof line, "Select method for %s MS", ModuleName(s->moduleId).c_str());
    SetDlgItemTextA(hook, IDC_SMF_MODULE_LINE, line);
    std::snprintf(line, sizeof line, "at address %d.", s->moduleAddress);
    SetDlgItemTextA(hook, IDC_SMF_ADDRESS_LINE, line);
  }
  s->shownPart = static_cast<int16_t>(IDC_SMF_DATA_HANDLING + s->titleIndex);
  CheckRadioButton(hook, IDC_SMF_DATA_HANDLING, IDC_SMF_CALIBRATION, s->shownPart);
  ClearPreview(s, false);
  PostMessageA(hook, OFDM_LAYOUT, 0, 0);
}

void CloseHook(STRUCT_SEL_METHOD_FILE* s, HWND hook) {
  RemovePropA(hook, kProp);
  if (s->recentMenu) DestroyMenu(s->recentMenu);
  s->recentMenu = nullptr;
  if (s->listFont) DeleteObject(s->listFont);
  s->listFont = nullptr;
}

void HookCommand(STRUCT_SEL_METHOD_FILE* s, int id) {
  if (id > IDC_SMF_RECENT_FIRST && id <= IDC_SMF_RECENT_FIRST + SMF_RECENT_MOST) {
    const std::string path = RecentPath(id - IDC_SMF_RECENT_FIRST);
    if (!path.empty()) CheckAndPreview(s, path.c_str(), true);
    return;
  }
  switch (id) {
    case IDC_SMF_RECENT: ShowRecentMenu(s); break;
    case IDC_SMF_DATA_HANDLING:
    case IDC_SMF_REPORTS:
    case IDC_SMF_ACQUISITION:
    case IDC_SMF_CALIBRATION:
      s->shownPart = static_cast<int16_t>(id);
      CheckRadioButton(s->hookDialog, IDC_SMF_DATA_HANDLING, IDC_SMF_CALIBRATION, id);
      if (s->previewValid) FillList(s);
      break;
    case IDC_SMF_SELECT:
      if (!s->previewValid) break;
      s->accepted = 1;
      kit::CopyPath(s->path, s->previewedPath);
      s->previewValid = 0;
      PostMessageA(s->commonDialog, WM_COMMAND, IDOK, 0);
      break;
    case KELT_HELP_BUTTON_ID: KELT_ShowHelpTopic(105, 1); break;
    default: break;
  }
}

}  // namespace

UINT_PTR CALLBACK SelectMethodFileHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    InitHook(hook, reinterpret_cast<OPENFILENAMEA*>(lParam));
    return 1;
  }
  STRUCT_SEL_METHOD_FILE* s = State(hook);
  if (!s) return 0;
  switch (msg) {
    case OFDM_LAYOUT:
      kit::Layout(s->commonDialog, Item(s, IDC_SMF_CANCEL_PLACE), Item(s, IDC_SMF_RECENT), Item(s, IDC_SMF_GROUP),
                  false);
      PostMessageA(hook, OFDM_REFRESH, 0, 0);
      return 1;
    case OFDM_REFRESH:
      if (s->previewValid) FillList(s);
      return 1;
    case OFDM_SELCHANGE: {
      if (s->busy) return 1;
      const std::string p = kit::TypedPath(s->commonDialog, ".mth");
      if (p.empty()) {
        if (s->previewValid) ClearPreview(s, false);
      } else {
        CheckAndPreview(s, p.c_str(), false);
      }
      return 1;
    }
    case WM_NOTIFY: {
      const auto* nm = reinterpret_cast<const OFNOTIFYA*>(lParam);
      if (!nm) return 0;
      kit::PreviewNotify(s, hook, nm->hdr.code, ClearPreview, CheckAndPreview);
      s->accepting = 0;
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) HookCommand(s, LOWORD(wParam));
      return 1;
    case WM_CONTEXTMENU:
      kelt::dlg::openkit::ContextHelp(hook, lParam, 105);
      return 1;
    case WM_DESTROY: CloseHook(s, hook); return 0;
    default: return 0;
  }
}

LRESULT CALLBACK SelectMethodFileParentProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  STRUCT_SEL_METHOD_FILE* s = State(dialog);
  if (!s || !s->previousProc) return DefWindowProcA(dialog, msg, wParam, lParam);
  const WNDPROC previous = s->previousProc;
  if (msg == WM_COMMAND && !s->busy) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    kit::WatchParentCommand(s, id, code, ClearPreview);
  } else if (msg == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE) {
    DialogChildCreated(dialog);
  } else if (msg == WM_DESTROY) {
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(dialog, kProp);
  }
  return CallWindowProcA(previous, dialog, msg, wParam, lParam);
}

int16_t Dlg_SelectMethodFile(HWND owner, uint16_t moduleId, uint16_t moduleAddress, int16_t titleIndex, char* path,
                             const char* initialFolder) {
  if (!path) return 0;
  AddResources();
  auto* scratch = static_cast<kelt::dlg::openkit::OpenNames*>(AllocBlock(sizeof(kelt::dlg::openkit::OpenNames)));
  auto* ofn = static_cast<OPENFILENAMEA*>(AllocBlock(sizeof(OPENFILENAMEA)));
  auto* s = static_cast<STRUCT_SEL_METHOD_FILE*>(AllocBlock(sizeof(STRUCT_SEL_METHOD_FILE)));
  auto freeAll = [&] {
    if (s) KELT_FreeSectionArray(s->sections);
    FreeBlock(scratch);
    FreeBlock(ofn);
    FreeBlock(s);
  };
  if (!scratch || !ofn || !s) {
    freeAll();
    return 0;
  }
  const bool anyModule = moduleId == 0 && moduleAddress == 0;
  auto usable = [&](const char* candidate) {
    if (!candidate || !candidate[0] || !std::memchr(candidate, 0, 260)) return false;
    return anyModule ? IsMethodFileAnyModule(candidate) : KELT_IsMethodFile(candidate, moduleId, moduleAddress) != 0;
  };
  const char* initial = nullptr;
  if (usable(path)) initial = path;
  else if (usable(KELT_GetKeltLastFiles()->methodFile)) initial = KELT_GetKeltLastFiles()->methodFile;
  if (initial) {
    char name[260], ext[260];
    SplitFilePath(initial, scratch->folder, name, ext);
    const size_t n = std::strlen(scratch->folder);
    if (n > 0) scratch->folder[n - 1] = 0;
    kit::CopyPath(scratch->file, (std::string(name) + ext).c_str());
    kit::CopyPath(s->path, initial);
  } else {
    if (initialFolder) kit::CopyPath(scratch->folder, initialFolder);
    else GetProgramDirectory(scratch->folder);
    kit::CopyPath(scratch->file, "*.mth");
  }
  if (titleIndex < 0 || titleIndex > 2) titleIndex = 0;
  kit::CopyPath(scratch->caption, kTitles[titleIndex]);
  kit::CopyPath(scratch->defExt, "mth");
  if (!kelt::dlg::openkit::PrepareOpen(ofn, scratch, owner, SEL_METHOD_FILE_FILTER_STRING, SelectMethodFileHookProc, SEL_METHOD_FILE_TEMPLATE,
                                       reinterpret_cast<LPARAM>(s))) {
    freeAll();
    return 0;
  }
  s->owner = owner;
  s->moduleId = moduleId;
  s->moduleAddress = moduleAddress;
  s->titleIndex = titleIndex;
  GetOpenFileNameA(ofn);
  int16_t result = 0;
  // A choice is a path copied out, never an empty one.
  if (s->accepted && s->path[0]) {
    kit::CopyPath(path, s->path);
    kit::CopyPath(KELT_GetKeltLastFiles()->methodFile, path);
    SetDefaultFolderForType(path, "mth");
    result = 1;
  }
  freeAll();
  return result;
}
