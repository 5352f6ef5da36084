#pragma once
// The processing dialog and the work of each component: conditions,
// services, package, file, shortcut, registry and ini lines, validation
// data, launch lines, post-run applications and hot fixes.
#include <string>

#include "win/win_types.h"

namespace setup {

// The record that carries one file line to the dialog.
struct FileJob {
  HWND dialog = nullptr;
  char sourcePath[260] = {};
  char destName[260] = {};
  int keyword = 0;
  char subFolder[260] = {};
  int mode = 0;
  int keep = 0;
  int selfRegister = 0;
};

INT_PTR ProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
int ProcessComponent(HWND dlg, const std::string& section, const std::string& script);
int ProcessComponentLines(HWND dlg, const std::string& section, const std::string& script);
long CreateShortcutLink(HWND dlg, const std::string& target, const std::string& folder, const std::string& name,
                        const std::string& arguments);
// Stops (and waits for the stop) or starts a service (after a stop under
// way has ended); 1 on success. A service the stop was sent to is kept in
// the run's list until it is started again.
int ControlService(const std::string& name, int stop);
// Starts every service the run stopped and has not started yet; false when
// one could not be started (each is logged).
bool RestartStoppedServices();
int LaunchApps(const std::string& script, const std::string& section, const std::string& prefix);
void RemoveHotFix(const std::string& list);
// The Start menu's Programs folder (the common one on the NT family).
std::string GetProgramsFolder();

}  // namespace setup
