#include "installer_run.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "components.h"
#include "conditions.h"
#include "file_install.h"
#include "packages.h"
#include "run_state.h"
#include "script_format.h"
#include "setup_dialogs.h"
#include "setup_log.h"
#include "system_routines.h"
#include "workstation_services.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_registry.h"
#include "win/win_shell.h"
#include "win/win_user.h"

namespace setup {

namespace {

constexpr int kScriptVersion = 10;

std::string Env(const char* name) {
  char buf[1024] = {};
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n && n < sizeof buf ? std::string(buf) : std::string();
}

std::string TrimSlash(std::string s) {
  if (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

bool ReadHklm(const std::string& key, const char* name, std::string* value) {
  DWORD type = 0;
  return ReadRegistryText(key, name, value, &type) && (type == REG_SZ || type == REG_EXPAND_SZ);
}

bool WriteHklm(const std::string& key, const char* name, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LSTATUS s = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
  return s == ERROR_SUCCESS;
}

bool FindWorkstationDir() {
  RunState& r = TheRun();
  std::string dir;
  if (ReadHklm("Software\\Corvane, Inc.", "WSSecsrvPath", &dir)) {
    r.destFolder = TrimSlash(dir);
    r.workstationIni = WsZephIni(r.destFolder);
    return !r.destFolder.empty();
  }
  char buf[MAX_PATH] = {};
  GetPrivateProfileStringA("Corvane Zeph Workstation", "Directory", "not", buf, sizeof buf, "ZEPH32.INI");
  if (std::string(buf) == "not") return false;
  r.destFolder = TrimSlash(buf);
  r.workstationIni = JoinPath(r.windowsFolder, "zeph32.ini");
  return true;
}

void WriteProgramFolderKeys() {
  const std::string key = "Software\\Corvane\\Zeph Workstation\\6.00";
  WriteHklm(key, "ProductSupportURL", "https://support.corvane.example");
  WriteHklm(key, "ProgramFolder", "Corvane Zeph Workstation");
}

// The backup folder: the one an earlier run of this update recorded (its
// backups are of the workstation before the update, and its records are
// numbered on), else the first free "Patch%03d", recorded before it is
// made. Then the validation file as it was, unless the folder has it.
bool CreatePatchDir() {
  RunState& r = TheRun();
  std::string folder;
  if (ReadHklm(r.patchKey, "PatchDir", &folder) && !folder.empty()) {
    if (!FolderExists(folder) && !MakeFolderPath(folder)) return false;
    r.backupCounter = 1;
    std::string record;
    DWORD type = 0;
    while (ReadRegistryText(r.patchKey, std::to_string(r.backupCounter).c_str(), &record, &type)) ++r.backupCounter;
  } else {
    for (int n = 0; n <= 999 && folder.empty(); ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "Patch%03d", n);
      const std::string candidate = JoinPath(r.destFolder, name);
      if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) folder = candidate;
    }
    if (folder.empty() || !WriteSetupRegValue("PatchDir", folder)) return false;
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
      DeleteSetupRegValue("PatchDir");
      return false;
    }
  }
  r.backupFolder = folder;
  const std::string saved = JoinPath(folder, "zeph.val");
  const std::string current = JoinPath(r.destFolder, "zeph.val");
  if (!FileExistsPlain(saved) && FileExistsPlain(current) && !CopyFileA(current.c_str(), saved.c_str(), TRUE)) {
    r.backupFolder.clear();
    return false;
  }
  return true;
}

void DeleteGidFiles() {
  const RunState& r = TheRun();
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(JoinPath(r.destFolder, "*.GID").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  for (const std::string& n : names) {
    const std::string path = JoinPath(r.destFolder, n);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
}

void LogHotFixes() {
  int32_t when = 0;
  std::string text;
  for (int n = WsEnumHotFixes(0, &when, &text); n > 0; n = WsEnumHotFixes(n, &when, &text)) {
    const time_t t = when;
    char c[64] = {};
    ctime_r(&t, c);
    std::string ct = c;
    while (!ct.empty() && ct.back() == '\n') ct.pop_back();
    LogLine("   HotFix:" + std::to_string(n) + " " + text + " Installed: " + ct);
  }
}

// False when the uninstaller or its entry could not be written (a missing
// uninstaller in the update is no failure).
bool RegisterUninstaller() {
  RunState& r = TheRun();
  const std::string source = JoinPath(r.sourceFolder, "uninstal.exe");
  if (!FileExistsPlain(source)) return true;
  const int failedBefore = r.failed;
  InstallFile(nullptr, source, "uninstal.exe", kDest, "", kAlways, 1, 0);
  const std::string installed = JoinPath(r.destFolder, "uninstal.exe");
  if (r.failed != failedBefore || !FileExistsPlain(installed)) return false;
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + r.title;
  // The program's path is quoted, so a folder with blanks cannot name
  // another program.
  return WriteHklm(key, "DisplayName", r.title) &&
         WriteHklm(key, "UninstallString",
                   "\"" + JoinPath(r.destFolder, "Uninstal.exe") + "\" \"" + r.title + "\"") &&
         WriteHklm(key, "DisplayIcon", installed) && WriteSetupRegValue("Path", r.destFolder);
}

int Run(HINSTANCE instance, const std::string& programPath, const std::string& commandLine) {
  ResetRun();
  RunState& r = TheRun();
  r.instance = instance;
  RegisterSetupDialogs(instance);
  char buf[MAX_PATH] = {};
  GetWindowsDirectoryA(buf, sizeof buf);
  r.windowsFolder = buf;
  GetSystemDirectoryA(buf, sizeof buf);
  r.systemFolder = buf;
  SetEnvironmentVariableA("SYSTEM", r.systemFolder.c_str());
  r.tempFolder = Env("TEMP");
  r.sourceFolder = FolderOf(programPath);
  SetEnvironmentVariableA("SOURCE", r.sourceFolder.c_str());
  r.scriptPath = r.sourceFolder + "\\setup.ini";

  // Tokens at blanks and commas, known by their second character.
  bool build = false;
  std::vector<std::string> tokens;
  std::string token;
  for (char c : commandLine + " ") {
    if (c == ' ' || c == ',' || c == '\t') {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
    } else {
      token += c;
    }
  }
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].size() < 2) continue;
    const char c = tokens[i][1];
    if (c == 'a') r.automatic = 1;
    else if (c == 'c') build = true;
    else if (c == 'f') {
      // The script's name forgotten: no silent run of the default script.
      if (i + 1 >= tokens.size()) {
        Message("No setup file named after " + tokens[i], "ERROR", MB_OK | MB_ICONERROR);
        return 1;
      }
      const std::string& name = tokens[++i];
      r.scriptPath = name.find(':') != std::string::npos ? name : r.sourceFolder + "\\" + name;
    }
  }
  if (!FileExistsPlain(r.scriptPath)) {
    Message("Can't find setup file " + r.scriptPath, "ERROR", MB_OK | MB_ICONERROR);
    return 0;
  }
  if (build) {
    SetCurrentDirectoryA(FolderOf(r.scriptPath).c_str());
    BuildPackagesFromIni(r.scriptPath);
    return 0;
  }
  const std::string& s = r.scriptPath;
  r.title = ReadScriptText(s, "General", "WSTitle", "Corvane Workstation Update", 126);
  r.welcome = ReadScriptText(s, "General", "WelcomeMessage", "Workstation Update", 254);
  r.alternate1 = ReadScriptText(s, "General", "Alternate1", "");
  r.alternate2 = ReadScriptText(s, "General", "Alternate2", "");
  r.iconName = ReadScriptText(s, "General", "Icon", "");
  r.searchLevels = ReadScriptInt(s, "General", "SearchLevels", 0);
  r.servicePackLevel = ReadScriptInt(s, "General", "ServicePackLevel", 0);
  r.scriptVersion = ReadScriptInt(s, "General", "SetupIniVersion", 999);
  r.uninstallable = ReadScriptInt(s, "General", "Uninstallable", 0);
  r.automatic |= ReadScriptInt(s, "General", "AutoLaunch", 0);
  r.showLogAlways = ReadScriptInt(s, "General", "ShowLogAlways", 0);
  r.showLogOnError = ReadScriptInt(s, "General", "ShowLogOnError", 1);
  r.wsTypeText = ReadScriptText(s, "General", "WSType", "Corvane");
  std::string destDir = ReadScriptValue(s, "General", "DestDir");
  if (!IsNone(destDir)) destDir = TrimSlash(destDir);

  static const char* const kTypes[] = {"corvane", "halv", "zeph", "tamsel", "independent"};
  r.workstationType = -1;
  for (int i = 0; i < 5; ++i)
    if (EqualsNoCase(r.wsTypeText, kTypes[i])) r.workstationType = i;
  if (r.workstationType < 0) {
    Message("Internal Authoring ERROR: WSType is not specified.", "ERROR: No WSType", MB_OK);
    return 0;
  }
  r.patchKey = PatchRegistryKey(r.title);

  if (r.workstationType <= 2) {
    if (!FindWorkstationDir()) {
      Message("Could not get Workstation Location", "ERROR: Workstation location not found", MB_OK);
      return 0;
    }
    if (!WsSoftwareRegKey(&r.registryBase)) {
      Message("== Update Terminated. A Workstation registry base cannot be found. Please install a Workstation. ==",
              "ERROR: Workstation Registry not found", MB_OK | MB_ICONERROR);
      return 0;
    }
    r.workstationKnown = 1;
  } else if (r.workstationType == 3) {
    r.destFolder = Env("TAMSELDIR");
    if (r.destFolder.empty()) {
      Message("The Tamsel install folder could not be found. Looking for environment variable TAMSELDIR",
              "ERROR: Cant find Tamsel", MB_OK);
      return 0;
    }
  } else {
    if (IsNone(destDir)) {
      Message("Internal Authoring ERROR: Independent WSType must specify a DestDir.", "ERROR: No DestDir", MB_OK);
      return 0;
    }
    if (!FolderExists(destDir) && !MakeFolderPath(destDir)) {
      Message("ERROR: Couldn't create DestDir " + destDir, "ERROR: Creating DestDir", MB_OK);
      return 0;
    }
    r.destFolder = destDir;
  }

  const std::string hotFix = ReadScriptText(s, "General", "HotFix", "", kHotFixLength);
  std::string field;
  if (GetField(hotFix, 1, &field) && !field.empty()) {
    r.hotFixNumber = std::atoi(hotFix.c_str());
    GetField(hotFix, 2, &r.hotFixText);
  }
  const std::string readme = ReadScriptText(s, "General", "Readme", "");
  if (!readme.empty() && FileExistsPlain(r.sourceFolder + "\\" + readme)) {
    r.readmePath = r.sourceFolder + "\\" + readme;
    r.readmePresent = 1;
  }
  if (r.scriptVersion != kScriptVersion) {
    char text[300];
    if (r.scriptVersion == 999)
      std::snprintf(text, sizeof text,
                    "Setup.ini is missing version information. This setup program reads versions up to %d. Exiting",
                    kScriptVersion);
    else
      std::snprintf(text, sizeof text,
                    "Setup.ini is version: %d This setup program support versions %d-%d. Please update this program. "
                    "Exiting",
                    r.scriptVersion, kScriptVersion, kScriptVersion);
    Message(text, "ERROR", MB_OK | MB_ICONERROR);
    return 1;
  }
  SetEnvironmentVariableA("DEST", r.destFolder.c_str());
  const std::string freeSpace = ReadScriptText(s, "General", "FreeSpaceRequired", "");
  long long required = 0;
  ULARGE_INTEGER freeBytes{};
  if (!freeSpace.empty() && std::sscanf(freeSpace.c_str(), "%lld", &required) == 1 &&
      GetDiskFreeSpaceExA(r.destFolder.c_str(), &freeBytes, nullptr, nullptr) &&
      !(static_cast<long long>(freeBytes.QuadPart) > required)) {
    char text[400];
    std::snprintf(text, sizeof text, "This install requires %lld bytes free. There are only %lld available in %s. Exiting.",
                  required, static_cast<long long>(freeBytes.QuadPart), r.destFolder.c_str());
    Message(text, r.title, MB_OK | MB_ICONERROR);
    return 1;
  }
  r.programsFolder = GetProgramsFolder();
  if (!r.automatic) {
    const char* question = "Proceed with the installation?";
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(kProceedDialog), nullptr, ProceedDlgProc,
                        reinterpret_cast<LPARAM>(question)) != 1)
      return 0;
  }
  r.windowsRoot = r.windowsFolder.substr(0, 2) + "\\";
  for (std::string* alternate : {&r.alternate1, &r.alternate2}) {
    if (alternate->empty()) continue;
    const std::string name = *alternate;
    const INT_PTR found = DialogBoxParamA(instance, MAKEINTRESOURCEA(kSearchDialog), nullptr, SearchDlgProc,
                                          reinterpret_cast<LPARAM>(alternate));
    if (found == 2) {
      Message("Setup cancelled during search for: " + name + ". Exiting", "CANCEL", MB_OK | MB_ICONERROR);
      return 1;
    }
    if (found != 1) {
      *alternate = name;
      if (!BrowseForFile(r.windowsRoot, alternate)) {
        Message("Failed to find file: " + name + ". Exiting", "ERROR", MB_OK | MB_ICONERROR);
        return 1;
      }
    }
  }
  if (ReadScriptSection(s, "Components").empty()) {
    Message("No Components Section in " + s + ". Exiting.", r.title, MB_OK);
    return 1;
  }
  r.logPath = (r.tempFolder.empty() ? std::string("C:\\TEMP") : TrimSlash(r.tempFolder)) + "\\setup.txt";
  LogStart();
  LogLine(ReadScriptText(s, "History", "Title", "===Update==="));
  if (r.servicePackLevel > 0) {
    LogLine("===Updating to Service Pack Level " + std::to_string(r.servicePackLevel) + "===");
    LogLine("===Hot Fixes before Service Pack Applied (Current)===");
    LogHotFixes();
  }
  if (r.workstationKnown) {
    std::string version;
    if (!WsVersionAndSysString(&version, &r.workstationSysString)) {
      Message("Failed to load ORVIK32.DLL. The " + r.wsTypeText + " Workstation is improperly installed.", "Error!",
              MB_OK | MB_ICONERROR);
      LogLine("Failed to load ORVIK32.DLL. The " + r.wsTypeText + " Workstation is improperly installed.");
      LogEnd();
      return 0;
    }
    float v = 0.0f;
    if (std::sscanf(version.c_str(), "Version %f", &v) == 1) r.workstationVersion = v;
  }
  DetectInstalledProducts();
  if (!EvaluateConditions("General")) {
    Message(r.conditionMessage + ". Setup is exiting", r.title, MB_OK | MB_ICONERROR);
    LogLine(r.conditionMessage + ". Setup is exiting");
    LogEnd();
    return 0;
  }
  // Nothing of the workstation changes before the update is known to
  // apply: a run that stops leaves it (and the way back of an earlier run)
  // as it was.
  RemoveLeftoverTemporaries(r.destFolder);
  DeleteGidFiles();
  if (r.workstationKnown) {
    CloseMonitorWindows();
    WriteProgramFolderKeys();
  }
  if (r.uninstallable && !CreatePatchDir()) {
    LogLine("No backup folder could be made");
    if (Message("This patch will not be uninstallable. Continue anyway?", "Cannot Uninstall",
                MB_YESNO | MB_TOPMOST) != IDYES) {
      LogEnd();
      return 0;
    }
    r.uninstallable = 0;
  }
  if (!ReadScriptText(s, "General", "FixInstallDirPermissions", "").empty() && GetOSVersionKind())
    FixInstallDirPermissions(r.destFolder);
  if (!r.failed) LaunchApps(s, "Pre Launch Apps", "");
  if (!r.failed) {
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(kProgressDialog), nullptr, ProgressDlgProc, 0);
    if (r.icon) {
      DestroyIcon(static_cast<HICON>(r.icon));
      r.icon = nullptr;
    }
    if (r.pendingExit >= 0) throw ExitRequest{r.pendingExit};
    if (result == 2) {
      Message("Setup was cancelled. Exiting", "CANCEL", MB_OK | MB_ICONERROR);
      LogLine("Setup was cancelled. Exiting");
      LogEnd();
      return 1;
    }
  }
  if (!r.failed) LaunchApps(s, "Post Launch Apps", "");
  if (!RestartStoppedServices()) r.failed = 1;
  if (r.viewReadme && !r.automatic) ShellExecuteA(nullptr, "open", r.readmePath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  const char* const kFailedText = "Failed! Please report observed errors to Corvane Technical Support.";
  if (r.failed) {
    Message(kFailedText, "ERROR", MB_OK | MB_ICONERROR);
    LogLine("=== Update failed: nothing further was registered");
  } else {
    // Each registration is checked: a full disk here must not look like
    // success. The service-pack level comes last, since a workstation at
    // the new level refuses the update again: until then a rerun can
    // finish what a stopped run began.
    std::string failedStep;
    if (r.uninstallable && !RegisterUninstaller()) failedStep = "the uninstaller could not be registered";
    if (failedStep.empty() && r.hotFixNumber > 0) {
      WsDeleteHotFix(r.hotFixNumber);
      const bool ok = WsAddHotFix(r.hotFixNumber, r.hotFixText);
      LogLine("===HotFix update " + std::to_string(r.hotFixNumber) + " " + (ok ? "Succeeded" : "Failed"));
      if (!ok) failedStep = "the hot fix could not be recorded";
    }
    if (failedStep.empty() && r.servicePackLevel > 0) {
      const bool ok = WsSetServicePackLevel(r.servicePackLevel);
      LogLine("===ServicePack update " + std::to_string(r.servicePackLevel) + " " + (ok ? "Succeeded" : "Failed"));
      LogLine("  Hot Fixes after Service Pack Applied");
      LogHotFixes();
      if (!ok) failedStep = "the service pack level could not be recorded";
    }
    if (!failedStep.empty()) {
      r.failed = 1;
      Message(kFailedText, "ERROR", MB_OK | MB_ICONERROR);
      LogLine("=== Update failed: " + failedStep);
    } else {
      if (!r.automatic || r.restart)
        Message("Installation for " + r.title + " was successfully completed.", "Completed Successfully", MB_OK);
      if (r.restart) RestartWindows(nullptr);
    }
  }
  const std::string log = r.logPath;
  LogEnd();
  if (!log.empty() && (r.showLogAlways || (r.failed && r.showLogOnError)))
    ShellExecuteA(nullptr, "open", log.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // A failed update must not look like a successful one to its caller.
  return r.failed ? kFailedExitCode : 0;
}

}  // namespace

std::string PatchRegistryKey(const std::string& title) {
  return "Software\\Corvane, Inc.\\PatchInstaller\\" + title;
}

int RunSetup(HINSTANCE instance, const std::string& programPath, const std::string& commandLine) {
  int code = 0;
  try {
    code = Run(instance, programPath, commandLine);
  } catch (const ExitRequest& e) {
    code = e.code;
  }
  // However the run ended, the services it stopped run again.
  if (!TheRun().stoppedServices.empty() && !RestartStoppedServices() && code == 0) code = kFailedExitCode;
  return code;
}

}  // namespace setup
