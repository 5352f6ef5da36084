#pragma once
// The installer's small system routines: messages, folders, launching,
// restart, the resident programs and folder permissions.
#include <string>

#include "win/win_types.h"

namespace setup {

// A modal box owned by no window; its answer.
int Message(const std::string& text, const std::string& caption, UINT flags);
// The system's text for an error code (no line end).
std::string SystemErrorText(DWORD code);
void ShowErrorBox(HWND owner, const std::string& text);

bool FileExistsPlain(const std::string& path);
bool FolderExists(const std::string& path);
// Creates every missing folder before the path's last "\".
void CreateDirectoryTree(const std::string& path);
// Creates every level of the folder; false when one cannot be made.
bool MakeFolderPath(const std::string& path);
// Deletes a folder with everything in it, silently; true when it is gone.
bool DeleteFolderTree(const std::string& folder);
// What a run that was stopped (killed, or the machine gone) left behind:
// its temporary files in the workstation folder and its package folders in
// the temporary folder.
void RemoveLeftoverTemporaries(const std::string& workstationFolder);

// Starts program with arguments in folder; 1 when it was started (and,
// with wait, waited for).
int LaunchAndWait(const std::string& program, const std::string& arguments, const std::string& folder, bool wait,
                  bool log);
void RestartWindows(HWND owner);
void CloseMonitorWindows();
// Gives the workstation's users the access they need to the install
// folder (its files and first-level folders) and the workstation ini.
void FixInstallDirPermissions(const std::string& folder);
int SetDirAccessForEveryone(const std::string& path, const std::string& trustee, bool grant);

}  // namespace setup
