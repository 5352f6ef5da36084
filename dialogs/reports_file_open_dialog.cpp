// The reports-file open dialog with its page preview.
#include "dialogs/reports_file_open_dialog.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/last_files.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/open_dialog_kit.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/reports_file.h"
#include "ulbrec32/file_paths.h"
#include "win/win_commctrl.h"
#include "win/win_crt.h"
#include "win/win_menus.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

namespace kit = kelt::dlg::openkit;
constexpr const char* kProp = "D";
constexpr const char* kFilter = "MSR Files (*.MSR )|*.MSR|All Files (*.*)|*.*|";

void AddResources() {
  win::resources::DialogTemplate t;
  if (!kit::BeginTemplate(SEL_REPORTS_FILE_FILTER_STRING, kFilter, SEL_REPORTS_FILE_TEMPLATE, 300, &t)) return;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  t.items.push_back({IDC_SRF_GROUP, "Button", "Preview Report File Information", WS_VISIBLE | BS_GROUPBOX, 0, 288, 4,
                     200, 74});
  const kit::PreviewRow file[] = {{3201, IDC_SRF_FILE, "File:"},
                      {3203, IDC_SRF_PAGES, "Pages:"},
                      {3205, IDC_SRF_REPORTS, "Reports:"},
                      {3207, IDC_SRF_FIRST_DATE, "First Date:"},
                      {3209, IDC_SRF_LAST_DATE, "Last Date:"}};
  kit::AddPreviewRows(&t, file, std::size(file), 16, 294, 44, 340, 142);
  t.items.push_back({IDC_SRF_PAGE_GROUP, "Button", "Current Report Page", WS_VISIBLE | BS_GROUPBOX, 0, 288, 80, 200,
                     48});
  const kit::PreviewRow page[] = {{3212, IDC_SRF_PAGE, "Page:"}, {3214, IDC_SRF_DATE, "Date:"}, {3216, IDC_SRF_TITLE, "Title:"}};
  kit::AddPreviewRows(&t, page, std::size(page), 92, 294, 44, 340, 142);
  kit::AddButtonRow(&t, IDC_SRF_SELECT, "&Select", true, IDC_SRF_CANCEL_PLACE, 132);
  t.items.push_back({IDC_SRF_RECENT, "Button", "&Recent Files...", push, 0, 212, 110, 70, 14});
  t.items.push_back({IDC_SRF_LIST, WC_LISTVIEWA, "",
                     WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA |
                         LVS_NOSORTHEADER | LVS_SHOWSELALWAYS,
                     0, 6, 152, 482, 142});
  kit::EndTemplate(SEL_REPORTS_FILE_TEMPLATE, t);
}

STRUCT_SEL_REPORTS_FILE* State(HWND h) { return static_cast<STRUCT_SEL_REPORTS_FILE*>(GetPropA(h, kProp)); }
HWND Item(STRUCT_SEL_REPORTS_FILE* s, int id) { return GetDlgItem(s->hookDialog, id); }
void SetText(STRUCT_SEL_REPORTS_FILE* s, int id, const char* text) { SetDlgItemTextA(s->hookDialog, id, text); }

int32_t HeaderPageCount(const STRUCT_SEL_REPORTS_FILE* s) {
  return s->reportsFile && s->reportsFile->IsOpen() ? s->reportsFile->GetCountOfPages() : 0;
}

std::string DateOf(const RptsPageRecord& r) {
  char date[40] = {}, time[40] = {};
  time32_t t = static_cast<time32_t>(r.dateTime);
  KELT_FormatDateTimeFromLong(&t, date, time);
  return std::string(date) + " " + time;
}

// The record of one page, or false.
bool PageRecord(STRUCT_SEL_REPORTS_FILE* s, int32_t page, RptsPageRecord* out) {
  RptsPageRecord* r = s->reportsFile->GetSlotRange(page, page);
  if (!r) return false;
  *out = *r;
  FreeBlock(r);
  return true;
}

void FreeRows(STRUCT_SEL_REPORTS_FILE* s) {
  if (s->rowTable) FreeBlock(s->rowTable);
  s->rowTable = nullptr;
  s->selectedRow = s->selectedPage = s->rowCount = 0;
}

void FillPageFields(STRUCT_SEL_REPORTS_FILE* s) {
  if (!s->rowTable) {
    for (int id : {IDC_SRF_TITLE, IDC_SRF_PAGE, IDC_SRF_DATE}) SetText(s, id, "");
    return;
  }
  char text[40];
  std::snprintf(text, sizeof text, "%d", s->selectedPage + 1);
  SetText(s, IDC_SRF_PAGE, text);
  RptsPageRecord r{};
  if (PageRecord(s, s->selectedPage, &r)) {
    SetText(s, IDC_SRF_TITLE, std::string(r.title, strnlen(r.title, sizeof r.title)).c_str());
    SetText(s, IDC_SRF_DATE, DateOf(r).c_str());
  } else {
    SetText(s, IDC_SRF_TITLE, "");
    SetText(s, IDC_SRF_DATE, "");
  }
}

void FillFileFields(STRUCT_SEL_REPORTS_FILE* s) {
  char text[300] = {};
  KELT_TruncateFilenameString(s->previewedPath, 18, text);
  SetText(s, IDC_SRF_FILE, text);
  std::snprintf(text, sizeof text, "%d", HeaderPageCount(s));
  SetText(s, IDC_SRF_PAGES, text);
  if (!s->rowTable || s->rowCount <= 0) {
    for (int id : {IDC_SRF_REPORTS, IDC_SRF_FIRST_DATE, IDC_SRF_LAST_DATE}) SetText(s, id, "");
  } else {
    std::snprintf(text, sizeof text, "%d", s->rowCount);
    SetText(s, IDC_SRF_REPORTS, text);
    RptsPageRecord r{};
    SetText(s, IDC_SRF_FIRST_DATE, PageRecord(s, s->rowTable[0], &r) ? DateOf(r).c_str() : "");
    SetText(s, IDC_SRF_LAST_DATE, PageRecord(s, s->rowTable[s->rowCount - 1], &r) ? DateOf(r).c_str() : "");
  }
  FillPageFields(s);
}

void ClearPreview(STRUCT_SEL_REPORTS_FILE* s, bool forceNameBox) {
  s->previewedPath[0] = 0;
  s->previewValid = 0;
  s->busy = 1;
  FreeRows(s);
  for (int id : {IDC_SRF_FILE, IDC_SRF_PAGES, IDC_SRF_REPORTS, IDC_SRF_FIRST_DATE, IDC_SRF_LAST_DATE, IDC_SRF_PAGE,
                 IDC_SRF_DATE, IDC_SRF_TITLE})
    SetText(s, id, "");
  if (!s->nameBoxFocused || forceNameBox) kit::ResetNameBox(s->commonDialog);
  EnableWindow(Item(s, IDC_SRF_SELECT), FALSE);
  SendMessageA(Item(s, IDC_SRF_LIST), LVM_SETITEMCOUNT, 0, 0);
  s->busy = 0;
}

void CheckAndPreview(STRUCT_SEL_REPORTS_FILE* s, const char* path, bool writeNameBox) {
  if (!path || !path[0] || _stricmp(path, s->previewedPath) == 0) return;
  if (!KELT_DoesFileExist(path) || !s->reportsFile->UseThisExistingFile(path)) {
    if (s->previewValid) ClearPreview(s, false);
    return;
  }
  kit::CopyPath(s->previewedPath, path);
  s->previewValid = 1;
  EnableWindow(Item(s, IDC_SRF_SELECT), TRUE);
  if (writeNameBox) {
    s->busy = 1;
    SendMessageA(s->commonDialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(s->previewedPath));
    s->busy = 0;
  }
  if (s->reportsFile->IsOpen()) {
    FreeRows(s);
    FillFileFields(s);
    SendMessageA(Item(s, IDC_SRF_LIST), LVM_SETITEMCOUNT, 0, 0);
    if (HeaderPageCount(s) > 0) PostMessageA(s->hookDialog, OFDM_REFRESH, 0, 0);
  }
}

void BuildRows(STRUCT_SEL_REPORTS_FILE* s) {
  const int32_t pages = HeaderPageCount(s);
  if (pages <= 0) return;
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  auto* rows = static_cast<int32_t*>(AllocBlock(static_cast<uint32_t>((pages + 5) * sizeof(int32_t))));
  int32_t count = 0;
  if (rows && kelt::dlg::FindReportStarts(s->reportsFile, pages, rows, &count)) {
    FreeRows(s);
    s->rowTable = rows;
    s->rowCount = count;
    FillFileFields(s);
    HWND list = Item(s, IDC_SRF_LIST);
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    if (count > 0) {
      LVITEMA item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(s->selectedRow), reinterpret_cast<LPARAM>(&item));
      SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(s->selectedRow), 0);
    }
  } else if (rows) {
    FreeBlock(rows);
  }
  SetCursor(old);
}

void CellText(STRUCT_SEL_REPORTS_FILE* s, NMLVDISPINFOA* di) {
  if (!(di->item.mask & LVIF_TEXT)) return;
  const int r = di->item.iItem;
  s->rowText[0] = 0;
  if (s->rowTable && r >= 0 && r < s->rowCount) {
    if (di->item.iSubItem == 0) {
      if (s->rowRecord) FreeBlock(s->rowRecord);
      s->rowRecord = s->reportsFile->GetSlotRange(s->rowTable[r], s->rowTable[r]);
      std::snprintf(s->rowText, sizeof s->rowText, "%d", s->rowTable[r] + 1);
    } else if (s->rowRecord && di->item.iSubItem == 1) {
      std::snprintf(s->rowText, sizeof s->rowText, "%s", DateOf(*s->rowRecord).c_str());
    } else if (s->rowRecord && di->item.iSubItem == 2) {
      std::snprintf(s->rowText, sizeof s->rowText, "%.*s", static_cast<int>(strnlen(s->rowRecord->title, 81)),
                    s->rowRecord->title);
    }
  }
  di->item.pszText = s->rowText;
}

void ShowRecentMenu(STRUCT_SEL_REPORTS_FILE* s) {
  if (s->recentMenu) DestroyMenu(s->recentMenu);
  s->recentMenu = nullptr;
  const STRUCT_LAST_FILES* last = KELT_GetKeltLastFiles();
  HMENU menu = nullptr;
  for (int i = 0; i < 8; ++i) {
    const char* p = last->reportsFiles[i];
    if (!p[0] || !std::memchr(p, 0, 260) || !KELT_DoesFileExist(p)) continue;
    if (!menu) menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(IDC_SRF_RECENT_FIRST + i), p);
  }
  if (!menu) return;
  s->recentMenu = menu;
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(menu, TPM_CENTERALIGN, at.x, at.y, 0, s->hookDialog, nullptr);
}

void InitHook(HWND hook, OPENFILENAMEA* ofn) {
  auto* s = reinterpret_cast<STRUCT_SEL_REPORTS_FILE*>(ofn->lCustData);
  s->hookDialog = hook;
  s->commonDialog = GetParent(hook);
  s->previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(s->commonDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SelectReportsFileParentProc)));
  s->accepting = 0;
  s->recentMenu = nullptr;
  SetPropA(hook, kProp, s);
  SetPropA(s->commonDialog, kProp, s);
  HWND list = Item(s, IDC_SRF_LIST);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  RECT help{}, client{};
  GetWindowRect(Item(s, KELT_HELP_BUTTON_ID), &help);
  GetClientRect(list, &client);
  const int w = help.right - help.left;
  const int rest = (client.right - client.left) - w / 2 - 2 * w - GetSystemMetrics(SM_CXVSCROLL);
  struct Column {
    const char* text;
    int width;
  } columns[] = {{"Page", w / 2}, {"Date", 2 * w}, {"Report Title               First Pages of Reports", rest}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA c{};
    c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    c.fmt = LVCFMT_LEFT;
    c.cx = columns[i].width;
    c.pszText = const_cast<char*>(columns[i].text);
    c.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
  }
  s->listFont = KELT_CreateGlobalFont2();
  if (s->listFont) SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(s->listFont), TRUE);
  ClearPreview(s, false);
  PostMessageA(hook, OFDM_LAYOUT, 0, 0);
}

void CloseHook(STRUCT_SEL_REPORTS_FILE* s, HWND hook) {
  RemovePropA(hook, kProp);
  if (s->recentMenu) DestroyMenu(s->recentMenu);
  s->recentMenu = nullptr;
  if (s->listFont) DeleteObject(s->listFont);
  s->listFont = nullptr;
}

void HookCommand(STRUCT_SEL_REPORTS_FILE* s, int id) {
  if (id >= IDC_SRF_RECENT_FIRST && id < IDC_SRF_RECENT_FIRST + 8) {
    const char* p = KELT_GetKeltLastFiles()->reportsFiles[id - IDC_SRF_RECENT_FIRST];
    char path[260];
    kit::CopyPath(path, p);
    if (path[0]) CheckAndPreview(s, path, true);
    return;
  }
  switch (id) {
    case IDC_SRF_RECENT: ShowRecentMenu(s); break;
    case IDC_SRF_SELECT:
      if (!s->previewValid) break;
      s->accepted = 1;
      kit::CopyPath(s->path, s->previewedPath);
      s->previewValid = 0;
      PostMessageA(s->commonDialog, WM_COMMAND, IDOK, 0);
      break;
    case KELT_HELP_BUTTON_ID: KELT_ShowHelpTopic(102, 1); break;
    default: break;
  }
}

}  // namespace

namespace kelt::dlg {

bool FindReportStarts(CRptsFileHandler* file, int32_t pageCount, int32_t* rows, int32_t* rowCount) {
  if (!file || !rows || !rowCount || pageCount < 0) return false;
  int32_t count = 0;
  uint32_t previous = 0;
  for (int32_t first = 0; first < pageCount; first += SRF_READ_CHUNK) {
    const int32_t last = first + SRF_READ_CHUNK - 1 < pageCount - 1 ? first + SRF_READ_CHUNK - 1 : pageCount - 1;
    RptsPageRecord* chunk = file->GetSlotRange(first, last);
    if (!chunk) return false;
    for (int32_t i = 0; i <= last - first; ++i) {
      if (chunk[i].dateTime != previous) rows[count++] = first + i;
      previous = chunk[i].dateTime;
    }
    FreeBlock(chunk);
  }
  *rowCount = count;
  return true;
}

}  // namespace kelt::dlg

UINT_PTR CALLBACK SelectReportsFileHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    InitHook(hook, reinterpret_cast<OPENFILENAMEA*>(lParam));
    return 1;
  }
  STRUCT_SEL_REPORTS_FILE* s = State(hook);
  if (!s) return 0;
  switch (msg) {
    case OFDM_LAYOUT:
      kit::Layout(s->commonDialog, Item(s, IDC_SRF_CANCEL_PLACE), Item(s, IDC_SRF_RECENT),
                  Item(s, IDC_SRF_PAGE_GROUP), true);
      return 1;
    case OFDM_REFRESH: BuildRows(s); return 1;
    case OFDM_SELCHANGE: {
      if (s->busy) return 1;
      const std::string p = kit::TypedPath(s->commonDialog, ".msr");
      if (p.empty()) {
        if (s->previewValid) ClearPreview(s, false);
      } else {
        CheckAndPreview(s, p.c_str(), false);
      }
      return 1;
    }
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (!hdr) return 0;
      if (hdr->idFrom == IDC_SRF_LIST) {
        if (hdr->code == LVN_GETDISPINFOA) {
          CellText(s, reinterpret_cast<NMLVDISPINFOA*>(lParam));
        } else if (hdr->code == LVN_ITEMCHANGED) {
          const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
          const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
          if ((nm->uNewState & both) == both && nm->iItem >= 0 && nm->iItem < s->rowCount && s->rowTable) {
            s->selectedRow = nm->iItem;
            s->selectedPage = s->rowTable[nm->iItem];
            FillPageFields(s);
          }
        }
        return 0;
      }
      kit::PreviewNotify(s, hook, hdr->code, ClearPreview, CheckAndPreview);
      s->accepting = 0;
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) HookCommand(s, LOWORD(wParam));
      return 1;
    case WM_CONTEXTMENU:
      kelt::dlg::openkit::ContextHelp(hook, lParam, 102);
      return 1;
    case WM_DESTROY: CloseHook(s, hook); return 0;
    default: return 0;
  }
}

LRESULT CALLBACK SelectReportsFileParentProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  STRUCT_SEL_REPORTS_FILE* s = State(dialog);
  if (!s || !s->previousProc) return DefWindowProcA(dialog, msg, wParam, lParam);
  const WNDPROC previous = s->previousProc;
  if (msg == WM_COMMAND && !s->busy) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    kit::WatchParentCommand(s, id, code, ClearPreview);
  } else if (msg == WM_DESTROY) {
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(dialog, kProp);
  }
  return CallWindowProcA(previous, dialog, msg, wParam, lParam);
}

int16_t Dlg_SelectReportsFile(HWND owner, char* path, const char* initialFolder, int32_t* page) {
  if (!path) return 0;
  AddResources();
  auto* scratch = static_cast<kelt::dlg::openkit::OpenNames*>(AllocBlock(sizeof(kelt::dlg::openkit::OpenNames)));
  auto* ofn = static_cast<OPENFILENAMEA*>(AllocBlock(sizeof(OPENFILENAMEA)));
  auto* s = static_cast<STRUCT_SEL_REPORTS_FILE*>(AllocBlock(sizeof(STRUCT_SEL_REPORTS_FILE)));
  CRptsFileHandler* file = new (std::nothrow) CRptsFileHandler(nullptr);
  auto freeAll = [&] {
    delete file;
    if (s) {
      if (s->rowTable) FreeBlock(s->rowTable);
      if (s->rowRecord) FreeBlock(s->rowRecord);
    }
    FreeBlock(scratch);
    FreeBlock(ofn);
    FreeBlock(s);
  };
  if (!scratch || !ofn || !s || !file) {
    freeAll();
    return 0;
  }
  s->reportsFile = file;
  const char* initial = nullptr;
  if (path[0] && std::memchr(path, 0, 260) && KELT_DoesFileExist(path)) {
    initial = path;
  } else {
    const char* recent = KELT_GetKeltLastFiles()->reportsFiles[0];
    if (recent[0] && std::memchr(recent, 0, 260) && KELT_DoesFileExist(recent)) initial = recent;
  }
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
    kit::CopyPath(scratch->file, "*.msr");
  }
  kit::CopyPath(scratch->caption, "Select Report File");
  kit::CopyPath(scratch->defExt, "msr");
  if (!kelt::dlg::openkit::PrepareOpen(ofn, scratch, owner, SEL_REPORTS_FILE_FILTER_STRING, SelectReportsFileHookProc, SEL_REPORTS_FILE_TEMPLATE,
                                       reinterpret_cast<LPARAM>(s))) {
    freeAll();
    return 0;
  }
  s->owner = owner;
  GetOpenFileNameA(ofn);
  int16_t result = 0;
  if (s->accepted && s->path[0] && KELT_DoesFileExist(s->path)) {
    kit::CopyPath(path, s->path);
    if (page) *page = s->selectedPage;
    KELT_AddLastFile(path);
    result = 1;
  }
  freeAll();
  return result;
}
