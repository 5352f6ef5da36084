#include "components.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "conditions.h"
#include "file_install.h"
#include "packages.h"
#include "post_run_apps.h"
#include "run_state.h"
#include "script_format.h"
#include "setup_dialogs.h"
#include "setup_log.h"
#include "system_routines.h"
#include "validation.h"
#include "workstation_services.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_registry.h"
#include "win/win_services.h"
#include "win/win_shell.h"
#include "win/win_user.h"

namespace setup {

namespace {

constexpr WPARAM kIconBig = 1;

void Copy(char (&field)[260], const std::string& text) {
  std::snprintf(field, sizeof field, "%s", text.c_str());
}

// A new, empty folder for a package's files: never one left behind.
std::string FreshExtractionFolder() {
  char tempPath[MAX_PATH] = {};
  GetTempPathA(sizeof tempPath, tempPath);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[MAX_PATH] = {};
    if (!GetTempFileNameA(tempPath, "stp", 0, name)) return "";
    DeleteFileA(name);
    std::string folder = name;
    const size_t dot = folder.find('.', folder.find_last_of('\\') + 1);
    if (dot != std::string::npos) folder.resize(dot);
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
  }
  return "";
}

bool Polled(HWND dlg) { return CancelPressed(dlg, TheRun().cancelButton); }

HKEY HiveOf(const std::string& word) {
  if (EqualsNoCase(word, "hkcr")) return HKEY_CLASSES_ROOT;
  if (EqualsNoCase(word, "hkcu")) return HKEY_CURRENT_USER;
  if (EqualsNoCase(word, "hklm")) return HKEY_LOCAL_MACHINE;
  if (EqualsNoCase(word, "hkcc")) return HKEY_CURRENT_CONFIG;
  if (EqualsNoCase(word, "hku")) return HKEY_USERS;
  return nullptr;
}

// The file lines; false when the list ended with a failure.
bool FileLines(HWND dlg, const std::string& section, const std::string& script, const std::string& base) {
  RunState& r = TheRun();
  for (const std::string& line : ReadNumberedValues(script, section, "")) {
    std::string source;
    if (!GetField(line, 1, &source)) return false;
    const std::string sub = FolderOf(source);
    const std::string lineFolder = sub.empty() ? base : base + "\\" + sub;
    const std::string pattern = lineFolder + "\\" + FileNameOf(source);
    const bool wildcard = source.find_first_of("*?") != std::string::npos;
    std::vector<std::string> matches;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) matches.push_back(fd.cFileName);
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    if (matches.empty()) {
      const std::string text = "Can't read source file " + pattern + " Line=" + line;
      LogLine(text);
      Message(text, "Source File error", MB_OK);
      r.failed = 1;
      continue;
    }
    for (const std::string& found : matches) {
      std::string destName, keyword, subFolder, mode, flags;
      if (!GetField(line, 2, &destName) || !GetField(line, 3, &keyword) || !GetField(line, 4, &subFolder) ||
          !GetField(line, 5, &mode))
        return false;
      GetField(line, 6, &flags);
      const int kw = ParseDestKeyword(keyword);
      const int md = ParseFileMode(mode);
      if (kw < 0) {
        LogLine("Bad Destination: " + keyword);
        return false;
      }
      if (md < 0) {
        LogLine("Bad mode: " + mode);
        return false;
      }
      auto* job = new FileJob();
      job->dialog = dlg;
      Copy(job->sourcePath, wildcard ? lineFolder + "\\" + found : pattern);
      Copy(job->destName, destName.empty() || wildcard ? found : destName);
      job->keyword = kw;
      Copy(job->subFolder, subFolder);
      job->mode = md;
      job->keep = ContainsNoCase(flags, "KEEP");
      job->selfRegister = ContainsNoCase(flags, "SELFREG");
      if (dlg) {
        SendMessageA(dlg, WM_COMMAND, kInstallFileCommand, reinterpret_cast<LPARAM>(job));
        // The program was stopped inside the file's installation.
        if (r.pendingExit >= 0) throw ExitRequest{r.pendingExit};
      } else {
        InstallFile(nullptr, job->sourcePath, job->destName, job->keyword, job->subFolder, job->mode, job->keep,
                    job->selfRegister);
        delete job;
      }
    }
    if (r.failed) return false;
  }
  return true;
}

}  // namespace

std::string GetProgramsFolder() {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, GetOSVersionKind() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, TRUE);
  return path;
}

long CreateShortcutLink(HWND, const std::string& target, const std::string& folder, const std::string& name,
                        const std::string& arguments) {
  RunState& r = TheRun();
  HRESULT hr = CoInitialize(nullptr);
  if (FAILED(hr)) return hr;
  IShellLinkA* link = nullptr;
  hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
  if (SUCCEEDED(hr)) {
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(FolderOf(target).c_str());
    link->SetDescription(name.c_str());
    link->SetArguments(arguments.c_str());
    IPersistFile* file = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
      bool noWayBack = false;
      auto save = [&](const std::string& path) {
        // The link's record (and the one it replaces) before the link.
        if (r.uninstallable && !KeepWayBack(path)) {
          noWayBack = true;
          return static_cast<HRESULT>(E_FAIL);
        }
        std::u16string wide(path.begin(), path.end());
        if (wide.size() > 260) wide.resize(260);
        return file->Save(wide.c_str(), TRUE);
      };
      std::string path = folder + "\\" + name + ".lnk";
      hr = save(path);
      if (FAILED(hr) && !noWayBack) {
        // Once more, straight in the Programs folder.
        path = r.programsFolder + "\\" + name + ".lnk";
        hr = save(path);
      }
      if (FAILED(hr)) {
        Message("Unable to create shortcut: " + path, r.title, MB_OK);
        r.failed = 1;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return hr;
}

int ControlService(const std::string& name, int stop) {
  RunState& r = TheRun();
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!scm) return 0;
  SC_HANDLE svc = OpenServiceA(scm, name.c_str(), SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
  int ok = 0;
  if (svc) {
    SERVICE_STATUS st{};
    // Waits until the service has stopped; false when it did not in time.
    auto waitStopped = [&] {
      const ULONGLONG deadline = GetTickCount64() + r.serviceStopWaitMs;
      while (QueryServiceStatus(svc, &st) && st.dwCurrentState != SERVICE_STOPPED) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
      }
      return true;
    };
    auto& stopped = r.stoppedServices;
    auto known = std::find(stopped.begin(), stopped.end(), name);
    if (stop) {
      const bool wasRunning = QueryServiceStatus(svc, &st) && st.dwCurrentState != SERVICE_STOPPED;
      ok = ::ControlService(svc, SERVICE_CONTROL_STOP, &st) || GetLastError() == ERROR_SERVICE_NOT_ACTIVE;
      // From the stop request on, the run owes the service its start.
      if (ok && wasRunning && known == stopped.end()) stopped.push_back(name);
      // Its files are replaced next: wait until it has let go of them.
      if (ok && !waitStopped()) {
        LogLine("Service " + name + " did not stop");
        ok = 0;
      }
    } else {
      // A stop still under way is waited for, or the start would fail.
      if (QueryServiceStatus(svc, &st) && st.dwCurrentState == SERVICE_STOP_PENDING) waitStopped();
      // One whose stop could not be made at all is running still.
      ok = (QueryServiceStatus(svc, &st) && st.dwCurrentState == SERVICE_RUNNING) || StartServiceA(svc, 0, nullptr);
      if (ok && known != stopped.end()) stopped.erase(known);
    }
    CloseServiceHandle(svc);
  }
  CloseServiceHandle(scm);
  return ok;
}

bool RestartStoppedServices() {
  RunState& r = TheRun();
  bool ok = true;
  const std::vector<std::string> names = r.stoppedServices;
  for (const std::string& name : names) {
    if (ControlService(name, 0)) {
      LogLine("Service " + name + " started again");
    } else {
      LogLine("Service " + name + " could not be started again");
      ok = false;
    }
  }
  r.stoppedServices.clear();
  return ok;
}

int LaunchApps(const std::string& script, const std::string& section, const std::string& prefix) {
  RunState& r = TheRun();
  bool ok = true;
  for (const std::string& line : ReadNumberedValues(script, section, prefix)) {
    std::string program, args, where, wait;
    if (!GetField(line, 1, &program) || !GetField(line, 2, &args) || !GetField(line, 3, &where)) {
      ok = false;
      break;
    }
    std::string folder;
    if (where == "DEST") folder = r.destFolder;
    else if (where == "WINDOWS") folder = r.windowsFolder;
    else if (where == "SYSTEM") folder = r.systemFolder;
    else if (where == "SOURCE") folder = r.sourceFolder;
    else {
      ok = false;
      break;
    }
    auto expand = [](const std::string& s) {
      char buf[1024] = {};
      ExpandEnvironmentStringsA(s.c_str(), buf, sizeof buf);
      return std::string(buf);
    };
    program = expand(program);
    args = expand(args);
    if (args.find('%') != std::string::npos) args = expand(args);
    const bool doWait = GetField(line, 4, &wait) && EqualsNoCase(wait, "WAIT");
    if (!LaunchAndWait(program, args, folder, doWait, true)) {
      ok = false;
      break;
    }
  }
  if (!ok) {
    r.failed = 1;
    return 0;
  }
  return 1;
}

void RemoveHotFix(const std::string& list) {
  std::string field;
  for (int k = 1; GetField(list, k, &field); ++k) {
    const bool ok = WsDeleteHotFix(std::atoi(field.c_str())) != 0;
    LogLine("    Remove HotFix " + field + " " + (ok ? "Succeeded" : "Failed or is not installed"));
  }
}

int ProcessComponentLines(HWND dlg, const std::string& section, const std::string& script) {
  RunState& r = TheRun();
  LogLine("=== " + section);
  std::string base = r.sourceFolder, extracted;
  const std::string usePkg = ReadScriptValue(script, section, "UsePKG");
  if (!IsNone(usePkg)) {
    const std::string pkg = JoinPath(r.sourceFolder, usePkg);
    char caption[300] = {};
    if (dlg) {
      GetWindowTextA(dlg, caption, sizeof caption);
      SetWindowTextA(dlg, ("Extracting " + pkg).c_str());
    }
    extracted = FreshExtractionFolder();
    std::string error = extracted.empty() ? "No folder could be made to extract " + pkg : std::string();
    const int n = extracted.empty() ? 0 : ExtractPackageToDir(pkg, extracted, &error);
    if (dlg) SetWindowTextA(dlg, caption);
    if (n == 0) {
      Message(error, "Package Extraction ERROR", MB_OK);
      LogLine("Package Extraction ERROR: " + error);
      if (!extracted.empty()) DeleteFolderTree(extracted);
      r.failed = 1;
      return 0;
    }
    base = extracted;
  }
  const bool filesOk = FileLines(dlg, section, script, base);
  if (!extracted.empty()) DeleteFolderTree(extracted);
  if (r.cancelled) return 0;
  if (!filesOk) r.failed = 1;
  if (r.failed) return 0;

  for (const std::string& line : ReadNumberedValues(script, section, "M")) {
    if (Polled(dlg)) return 0;
    std::string target, args, level1, level2, name;
    if (!GetField(line, 1, &target) || !GetField(line, 5, &name)) break;
    GetField(line, 2, &args);
    GetField(line, 3, &level1);
    GetField(line, 4, &level2);
    std::string folder = r.programsFolder;
    if (!level1.empty()) folder = JoinPath(folder, level1);
    if (!level2.empty()) folder = JoinPath(folder, level2);
    MakeFolderPath(folder);
    const std::string targetPath = JoinPath(r.destFolder, target);
    CreateShortcutLink(dlg, targetPath, folder, name, "\"" + args + "\"");
    LogLine("Added Shortcut Dest:" + targetPath + " Link:" + name + ".lnk Args:" + args);
  }
  for (const std::string& line : ReadNumberedValues(script, section, "R")) {
    if (Polled(dlg)) return 0;
    std::string hive, key, value;
    if (!GetField(line, 1, &hive)) break;
    HKEY root = HiveOf(hive);
    if (!root) continue;
    GetField(line, 2, &key);
    GetField(line, 3, &value);
    key = WithoutQuotes(key);
    if (!ExpandSetupValue(value)) {
      r.failed = 1;
      LogLine("Failed to expand value in registry line: " + line + ". Check setup value name such as ^DEST^");
      continue;
    }
    HKEY k;
    bool ok = RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr) == ERROR_SUCCESS;
    if (ok) {
      ok = RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
      RegCloseKey(k);
    }
    if (ok) {
      LogLine("Added registry entry: " + line);
    } else {
      r.failed = 1;
      LogLine("Failed to set registry line: " + line);
    }
  }
  for (const std::string& line : ReadNumberedValues(script, section, "I")) {
    if (Polled(dlg)) return 0;
    std::string f[6];
    bool complete = true;
    for (int i = 0; i < 6; ++i) complete = complete && GetField(line, i + 1, &f[i]);
    if (!complete) break;
    std::string path;
    if (EqualsNoCase(f[1], "DEST")) path = r.destFolder;
    else if (EqualsNoCase(f[1], "WINDOWS")) path = "";  // a bare name: the Windows folder
    else if (EqualsNoCase(f[1], "SYSTEM")) {
      char sys[MAX_PATH] = {};
      GetSystemDirectoryA(sys, sizeof sys);
      path = sys;
    } else if (EqualsNoCase(f[1], "ALTERNATE1")) path = r.alternate1;
    else if (EqualsNoCase(f[1], "ALTERNATE2")) path = r.alternate2;
    else {
      LogLine("Ini File Bad Destination: " + f[1]);
      break;
    }
    if (!f[2].empty()) path += "\\" + f[2];
    if (!path.empty() && path.back() != '\\') path += "\\";
    path += f[0];
    WritePrivateProfileStringA(f[3].c_str(), f[4].c_str(), f[5].c_str(), path.c_str());
    LogLine("Added Ini entry Section:" + f[3] + " Key:" + f[4] + " Value:" + f[5] + " Dst:" + path);
  }
  return r.failed ? 0 : 1;
}

int ProcessComponent(HWND dlg, const std::string& section, const std::string& script) {
  RunState& r = TheRun();
  if (!EvaluateConditions(section)) return 1;
  const std::string valfile = ReadScriptValue(script, section, "Valfile");
  const std::string valDescription = ReadScriptText(script, section, "ValfileDescription", "");
  const std::string services = ReadScriptValue(script, section, "ControlServices");
  const std::string actions = ReadScriptValue(script, section, "Actions");
  const std::string append = ReadScriptValue(script, section, "AppendPostRunApp", kPostRunLength);
  const std::string insert = ReadScriptValue(script, section, "InsertPostRunApp", kPostRunLength);
  const std::string hotFixes = ReadScriptValue(script, section, "HotFixes", kHotFixLength);
  if (!IsNone(services)) ControlService(services, 1);
  if (EqualsNoCase(actions, "Restart")) r.restart = 1;
  if (!ProcessComponentLines(dlg, section, script)) {
    // A component that stops still gives back the service it stopped.
    if (!IsNone(services)) ControlService(services, 0);
    return 0;
  }
  if (!IsNone(valfile)) {
    const std::string w = JoinPath(r.destFolder, "ZEPH.VAL");
    const std::string u = JoinPath(r.sourceFolder, valfile);
    if (r.workstationVersion < 6.0f) {
      MergeValidationStreams(w, u, valDescription);
      LogLine("=== Merged Zeph5 Validation Data and History");
    } else if (MergeValidationHistory(w, u, valDescription) < 0) {
      r.failed = 1;
      LogLine("=== Failed to merge Zeph6 Validation Data and History");
    } else {
      LogLine("=== Merged Zeph6 Validation Data and History");
    }
  }
  LaunchApps(script, section, "L");
  ApplyPostRunApps(append, insert);
  if (!IsNone(services)) ControlService(services, 0);
  if (!r.failed && !IsNone(hotFixes)) RemoveHotFix(hotFixes);
  return 1;
}

INT_PTR ProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  RunState& r = TheRun();
  try {
    switch (msg) {
      case WM_INITDIALOG: {
        SetWindowTextA(dlg, r.title.c_str());
        SetDlgItemTextA(dlg, kSourceText, r.sourceFolder.c_str());
        SetDlgItemTextA(dlg, kDestText, r.destFolder.c_str());
        if (!r.iconName.empty()) {
          r.icon = LoadImageA(nullptr, JoinPath(r.sourceFolder, r.iconName).c_str(), IMAGE_ICON, 0, 0,
                              LR_LOADFROMFILE | LR_DEFAULTSIZE);
          if (r.icon) SendMessageA(dlg, WM_SETICON, kIconBig, reinterpret_cast<LPARAM>(r.icon));
        }
        PostMessageA(dlg, WM_COMMAND, kStartCommand, 0);
        CenterDialog(nullptr, dlg);
        r.progressDialog = dlg;
        r.cancelButton = FindCancelButton(dlg);
        return TRUE;
      }
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case kStartCommand: {
            for (const std::string& line : ReadScriptSection(r.scriptPath, "Components")) {
              std::string name;
              if (!ComponentSectionName(line, &name)) {
                Message("Error reading section name in line \"" + line + "\" in section \"Components\"", r.title,
                        MB_OK);
                throw ExitRequest{1};
              }
              if (line.empty() || line[0] == ';') continue;
              SetWindowTextA(dlg, name.c_str());
              if (name.empty() || name[0] == ';') continue;
              SetWindowTextA(dlg, ("Processing component: " + name).c_str());
              if (!ProcessComponent(dlg, name, r.scriptPath)) break;
            }
            if (!r.cancelled) PostMessageA(dlg, WM_COMMAND, kEndCommand, 0);
            return TRUE;
          }
          case kInstallFileCommand: {
            auto* job = reinterpret_cast<FileJob*>(lParam);
            if (!job) return TRUE;
            try {
              InstallFile(dlg, job->sourcePath, job->destName, job->keyword, job->subFolder, job->mode, job->keep,
                          job->selfRegister);
            } catch (...) {
              delete job;
              throw;
            }
            delete job;
            InvalidateRect(dlg, nullptr, TRUE);
            UpdateWindow(dlg);
            return TRUE;
          }
          case kEndCommand:
            EndDialog(dlg, 1);
            return TRUE;
          case IDCANCEL:
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
          EndDialog(dlg, 0);
          return TRUE;
        }
        break;
    }
  } catch (const ExitRequest& e) {
    // The program stops: the dialog ends, and the run unwinds after it.
    r.pendingExit = e.code;
    EndDialog(dlg, 3);
    return TRUE;
  }
  return FALSE;
}

}  // namespace setup
