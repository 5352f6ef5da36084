#pragma once
// What the update and its components may require: the system, the user's
// rights, the workstation's version, service-pack level and edition, and
// files that must exist.
#include <string>

namespace setup {

struct Facts {
  int nt = 0, win9x = 0, win95 = 0, win98 = 0, winME = 0, winNT4 = 0, win2k = 0, winXP = 0;
  int administrator = 0;
  float version = 0.0f;
  int servicePackLevel = 0;
  int zeph5 = 0, zeph6 = 0, halv5 = 0, halv6 = 0;
};

Facts& TheFacts();
// 1 on the NT family, 0 otherwise.
int GetOSVersionKind();
// Member of the enabled Administrators group of the user's token.
int IsUserAdministrator();
void DetectInstalledProducts();
// 1 when the section's FileExists and Conditions hold; 0 when one does not
// (the reason in the run's condition message). Syntax errors stop the
// program (ExitRequest 1) after their message.
int EvaluateConditions(const std::string& section);
// 0 when the workstation of that version is not the shipping one.
int FileDateCheck(float version);

}  // namespace setup
