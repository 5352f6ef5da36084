// Default folders per file kind, and the common-dialog child count.
#include <cstring>
#include <string>

#include "orvik32/orvik32_dialogs.h"
#include "win/win_profile.h"

namespace {
constexpr const char* kSection = "Default Folders";
int g_children = 0;
}  // namespace

void SetDefaultFolderForType(const char* path, const char* type) {
  if (!path || !type || !*type) return;
  const std::string p(path, strnlen(path, 260));
  const size_t slash = p.find_last_of('\\');
  if (slash == std::string::npos) return;
  WritePrivateProfileStringA(kSection, type, p.substr(0, slash + 1).c_str(), GetWorkstationIniPath());
}

BOOL GetDefaultFolderForType(const char* type, char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  if (!type || !*type) return FALSE;
  return GetPrivateProfileStringA(kSection, type, "", buffer, 260, GetWorkstationIniPath()) > 0 ? TRUE : FALSE;
}

void DialogChildCreated(HWND dialog) {
  if (dialog) ++g_children;
}
