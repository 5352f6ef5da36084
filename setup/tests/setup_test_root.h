#pragma once
// A workstation root per test with the installer's run state reset and a
// patch folder for the script.
#include <string>

#include "run_state.h"
#include "testing/workstation_root.h"
#include "win/win_script.h"

namespace setup {

class SetupRootTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    ResetRun();
    win::script::ResetLogs();
  }
  // The script of the patch folder D:\PATCH.
  static std::string ScriptPath() { return "D:\\PATCH\\setup.ini"; }
  void WriteScript(const std::string& text) const { WriteHostFile("d/PATCH/setup.ini", text); }
};

}  // namespace setup
