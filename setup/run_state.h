#pragma once
// The installer's process-wide values: folders, the script, what [General]
// asked for, and the flags the steps of a run set.
#include <string>
#include <vector>

#include "win/win_types.h"

namespace setup {

struct Facts;

struct RunState {
  HINSTANCE instance = nullptr;
  std::string windowsFolder, systemFolder, tempFolder, sourceFolder;
  std::string scriptPath;
  std::string title = "Corvane Workstation Update";
  std::string welcome = "Workstation Update";
  std::string alternate1, alternate2;  // a file name, then the folder it was found in
  std::string iconName;
  int searchLevels = 0;
  int servicePackLevel = 0;
  int scriptVersion = 999;
  int uninstallable = 0;
  int automatic = 0;
  int showLogAlways = 0, showLogOnError = 1;
  int workstationType = 0;
  std::string wsTypeText = "Corvane";
  std::string destFolder;
  int workstationKnown = 0;
  std::string workstationIni;
  std::string registryBase;
  std::string patchKey;
  int hotFixNumber = 0;
  std::string hotFixText;
  std::string readmePath;
  int readmePresent = 0, viewReadme = 0;
  std::string backupFolder;
  std::string logPath;
  bool loggingStarted = false;
  std::string windowsRoot;
  std::string programsFolder;
  float workstationVersion = 0.0f;
  std::string workstationSysString;
  std::string componentsText;
  int failed = 0;
  int restart = 0;
  std::string conditionMessage;
  // Backup records "1", "2" ... under the patch key; a run that takes up
  // the backup folder of an earlier, unfinished one numbers on after it.
  int backupCounter = 1;
  // Services the run stopped and has not started again; whatever happens,
  // they are started before the run ends.
  std::vector<std::string> stoppedServices;
  // How long a service gets to stop (or to finish stopping before it is
  // started again).
  unsigned serviceStopWaitMs = 30000;
  // The processing dialog while it runs (for the cancel poll and texts).
  HWND progressDialog = nullptr;
  HWND cancelButton = nullptr;
  bool cancelled = false;
  HANDLE icon = nullptr;
  // An exit code a stop inside a dialog left for the run to return.
  int pendingExit = -1;
};

RunState& TheRun();
// Back to a fresh state (each run, and each test).
void ResetRun();

// A stop of the whole program (syntax errors, a cancelled browse): the
// message was shown; the run unwinds to its entry with this exit code.
struct ExitRequest {
  int code;
};

// "%s\%s" with one "\" between, none doubled.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder part of a path (before its last "\"), empty when none.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// Folder of a keyword of file, ini or placeholder use; false when the
// keyword has none (BROWSE, AS_IS in placeholders, unknown words).
bool PlaceholderFolder(const std::string& keyword, std::string* folder);
// "^KEYWORD^" placeholders replaced by their folder and "\", double quotes
// dropped. False (text unchanged) for an unknown or unclosed placeholder.
bool ExpandSetupValue(std::string& text);

}  // namespace setup
