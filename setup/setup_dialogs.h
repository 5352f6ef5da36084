#pragma once
// The installer's dialogs: processing (1000), proceed (2000) and search
// (3000), the browse dialog, and the cancel poll.
#include <string>

#include "win/win_types.h"

namespace setup {

// Dialog resources and control ids.
inline constexpr int kProgressDialog = 1000;
inline constexpr int kProceedDialog = 2000;
inline constexpr int kSearchDialog = 3000;
inline constexpr int kReadmeCheck = 1000;       // proceed: "View update readme after install?"
inline constexpr int kQuestionText = 1101;
inline constexpr int kWelcomeText = 1102;
inline constexpr int kSourceText = 1201;
inline constexpr int kDestText = 1202;
inline constexpr int kProgressCancel = 1203;
inline constexpr int kSearchingText = 1301;
inline constexpr int kFolderLabel = 1302;
inline constexpr int kFolderText = 1303;
inline constexpr int kSearchCancel = 1304;
// Private commands of the processing and search dialogs.
inline constexpr int kStartCommand = 152;
inline constexpr int kInstallFileCommand = 153;
inline constexpr int kEndCommand = 138;

// Registers the three dialog templates under the program's module.
void RegisterSetupDialogs(HINSTANCE instance);

INT_PTR ProceedDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR SearchDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
// 1 found (folder into the buffer), 2 cancelled, 0 not found.
int SearchForFile(HWND dlg, const std::string& folder, std::string* name);
// 1 with the path cut to the chosen file's folder, 0 when cancelled.
int BrowseForFile(const std::string& initialFolder, std::string* path);
void CenterDialog(HWND parent, HWND dlg);
// A folder as the search shows it: at most 35 characters.
std::string ShortFolderText(const std::string& folder);
// True (and the dialog ended with 2) when the Cancel button was pressed.
bool CancelPressed(HWND dlg, HWND cancelButton);
// The child whose text is "&Cancel".
HWND FindCancelButton(HWND dlg);

}  // namespace setup
