// The file dialogs with a preview and the data-file information dialog as
// a user meets them: the method-file open dialog on the quantitation
// method showing its data-handling method (method-open-dialog.png), the
// reports-file open dialog on the sample report with its reports listed
// (reports-open-dialog.png), and the data-file information dialog on the
// quantitated sample run with its longest log section shown
// (data-file-info.png), which is exported as text (data-file-log.txt).
#include <cstdio>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "dialogs/data_file_info_dialog.h"
#include "dialogs/method_file_open_dialog.h"
#include "dialogs/reports_file_open_dialog.h"
#include "host/demo_pictures.h"
#include "win/win_commctrl.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

namespace ws = win::script;

// The first cells of a list view's rows, and a click on one row.
std::vector<std::string> ListViewRows(HWND dialog, int id) {
  std::vector<std::string> rows;
  HWND list = GetDlgItem(dialog, id);
  const LRESULT n = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char text[128] = {};
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    rows.emplace_back(text);
  }
  return rows;
}
void PickRow(HWND dialog, int id, int row) {
  HWND list = GetDlgItem(dialog, id);
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  win::script::Click(list, r.left + 4, (r.top + r.bottom) / 2);
}

constexpr char kMethod[] = "C:\\Workstation\\Quant\\calibrated.mth";
constexpr char kSample[] = "C:\\Workstation\\Quant\\sample.kms";
constexpr char kReports[] = "C:\\Workstation\\Reports\\sample.msr";
constexpr char kLogText[] = "C:\\Workstation\\Plots\\data-file-log.txt";

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

HWND ParentOf(HWND common, int id) {
  HWND child = ws::FindById(common, id);
  return child ? GetParent(child) : nullptr;
}

bool MethodOpenDemo() {
  std::printf("\nMethod-file open dialog on %s:\n", kMethod);
  char path[260] = {};
  std::snprintf(path, sizeof path, "%s", kMethod);
  bool pictured = false;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = ParentOf(d, IDC_SMF_GROUP);
    if (!hook) return;
    const std::vector<std::string> lines = ws::ListItems(hook, IDC_SMF_LIST);
    std::printf("  %zu lines of the data-handling method, first: %s\n", lines.size(),
                lines.size() > 1 ? lines[1].c_str() : "(none)");
    pictured = Save(d, "C:\\Workstation\\Plots\\method-open-dialog.png");
    ws::PressButton(hook, IDC_SMF_SELECT);
    ws::PumpUntilIdle();
  });
  const int16_t accepted = Dlg_SelectMethodFile(nullptr, 0, 0, 0, path, nullptr);
  std::printf("  accepted: %d, %s\n", accepted, accepted ? path : "(nothing)");
  return pictured && accepted;
}

bool ReportsOpenDemo() {
  std::printf("\nReports-file open dialog on %s:\n", kReports);
  char path[260] = {};
  std::snprintf(path, sizeof path, "%s", kReports);
  int32_t page = -1;
  bool pictured = false;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = ParentOf(d, IDC_SRF_GROUP);
    if (!hook) return;
    const std::vector<std::string> rows = ListViewRows(hook, IDC_SRF_LIST);
    std::printf("  pages %s, reports %s\n", ws::GetField(hook, IDC_SRF_PAGES).c_str(),
                ws::GetField(hook, IDC_SRF_REPORTS).c_str());
    if (rows.size() > 1) PickRow(hook, IDC_SRF_LIST, 1);
    ws::PumpUntilIdle();
    std::printf("  chosen page %s: %s\n", ws::GetField(hook, IDC_SRF_PAGE).c_str(),
                ws::GetField(hook, IDC_SRF_TITLE).c_str());
    pictured = Save(d, "C:\\Workstation\\Plots\\reports-open-dialog.png");
    ws::PressButton(hook, IDC_SRF_SELECT);
    ws::PumpUntilIdle();
  });
  const int16_t accepted = Dlg_SelectReportsFile(nullptr, path, nullptr, &page);
  std::printf("  accepted: %d, %s, first page %d\n", accepted, accepted ? path : "(nothing)", page);
  return pictured && accepted;
}

bool DataFileInfoDemo() {
  std::printf("\nData-file information dialog on %s:\n", kSample);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
  if (!wf) {
    std::fprintf(stderr, "kelt_host: cannot open %s\n", kSample);
    return false;
  }
  bool pictured = false, exported = false;
  {
    CDataFileInfoDlg dialog;
    if (dialog.Prepare(nullptr)) {
      dialog.m_pGivenWorkFile = wf;
      ws::OnNextDialog([&](HWND d) {
        ws::PumpUntilIdle();
        std::printf("  %s\n  identified %s, missing %s, segments %s\n", ws::Text(d).c_str(),
                    ws::GetField(d, IDC_DFI_IDENTIFIED).c_str(), ws::GetField(d, IDC_DFI_MISSING).c_str(),
                    ws::GetField(d, IDC_DFI_SEGMENTS).c_str());
        // The top-level log section with the most lines is the one shown.
        HWND tree = GetDlgItem(d, IDC_DFI_TREE);
        HTREEITEM best = nullptr;
        size_t most = 0;
        std::string bestLabel;
        for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
             item = reinterpret_cast<HTREEITEM>(
                 SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
          SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
          ws::PumpUntilIdle();
          const size_t n = dialog.Browser().TextIsReal() ? dialog.TextLines().size() : 0;
          char text[128] = {};
          TVITEMA data{};
          data.mask = TVIF_TEXT;
          data.hItem = item;
          data.pszText = text;
          data.cchTextMax = sizeof text;
          SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
          std::printf("  log section %-24s %zu lines\n", text, n);
          if (n > most) {
            most = n;
            best = item;
            bestLabel = text;
          }
        }
        if (best) {
          SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(best));
          ws::PumpUntilIdle();
          std::printf("  shown: %s\n", bestLabel.c_str());
        }
        pictured = Save(d, "C:\\Workstation\\Plots\\data-file-info.png");
        exported = dialog.ExportTo(kLogText);
        if (exported) std::printf("  %s (%s)\n", kLogText, win::paths::ToHost(kLogText).c_str());
        ws::PressButton(d, IDOK);
      });
      dialog.DoModal();
    }
  }
  FreeWorkFileStruct(wf);
  return pictured && exported;
}

}  // namespace

int FileInformationDemo() {
  const bool method = MethodOpenDemo();
  const bool reports = ReportsOpenDemo();
  const bool info = DataFileInfoDemo();
  return method && reports && info ? 0 : 1;
}
