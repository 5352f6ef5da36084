// Environment variables, their expansion in texts, user and computer names.
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "host_files.h"
#include "win_paths.h"

extern char** environ;

namespace {

std::mutex g_mutex;  // setenv/unsetenv against reads through these calls

// The original's names ignore case; an exact match wins.
std::optional<std::string> HostVariable(const std::string& name) {
  if (const char* v = std::getenv(name.c_str())) return std::string(v);
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq && static_cast<size_t>(eq - *e) == name.size() && strncasecmp(*e, name.c_str(), name.size()) == 0)
      return std::string(eq + 1);
  }
  return std::nullopt;
}

std::string UserName() {
  if (auto v = HostVariable("KELT_USER")) return *v;
  passwd pw{};
  passwd* found = nullptr;
  char buf[4096];
  if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name) return found->pw_name;
  if (auto v = HostVariable("USER")) return *v;
  if (auto v = HostVariable("LOGNAME")) return *v;
  return {};
}

std::string ComputerName() {
  if (auto v = HostVariable("KELT_COMPUTERNAME")) return *v;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return "WORKSTATION";
  std::string name(host, strnlen(host, MAX_COMPUTERNAME_LENGTH));
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name.empty() ? "WORKSTATION" : name;
}

// What the workstation's Windows would have set when Linux has no such variable.
std::optional<std::string> WorkstationVariable(const std::string& name) {
  auto is = [&](const char* n) { return strcasecmp(name.c_str(), n) == 0; };
  if (is("windir") || is("SystemRoot")) return win::paths::SettingsFolder();
  if (is("TEMP") || is("TMP")) {
    std::string t = win::paths::TempFolder();
    t.pop_back();
    return t;
  }
  if (is("USERNAME")) return UserName();
  if (is("COMPUTERNAME")) return ComputerName();
  return std::nullopt;
}

std::optional<std::string> Variable(const std::string& name) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (auto v = HostVariable(name)) return v;
  return WorkstationVariable(name);
}

}  // namespace

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  if (!name || !*name || std::strchr(name, '=')) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  auto value = Variable(name);
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  return win::host::CopyOutOrNeeded(*value, buffer, size);
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
  if (!name || !*name || std::strchr(name, '=')) return win::host::Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!value) {
    unsetenv(name);
    return TRUE;
  }
  if (setenv(name, value, 1) != 0) return win::host::Fail(ERROR_NOT_ENOUGH_MEMORY);
  return TRUE;
}

DWORD ExpandEnvironmentStringsA(LPCSTR src, LPSTR dst, DWORD size) {
  if (!src) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string out;
  const std::string in(src);
  size_t i = 0;
  while (i < in.size()) {
    if (in[i] != '%') {
      out += in[i++];
      continue;
    }
    size_t close = in.find('%', i + 1);
    if (close == std::string::npos) {
      out += in.substr(i);
      break;
    }
    const std::string name = in.substr(i + 1, close - i - 1);
    auto value = name.empty() ? std::nullopt : Variable(name);
    if (value) {
      out += *value;
      i = close + 1;
    } else {
      // Left as written; the closing "%" may open the next name.
      out += in.substr(i, close - i);
      i = close;
    }
  }
  const DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (dst && size >= needed) {
    std::memcpy(dst, out.c_str(), needed);
  } else if (dst && size > 0) {
    dst[0] = '\0';
  }
  return needed;
}

BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
  if (!size) return win::host::Fail(ERROR_INVALID_PARAMETER);
  std::string name;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    name = UserName();
  }
  if (name.empty()) return win::host::Fail(ERROR_INVALID_PARAMETER);
  const DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    return win::host::Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, name.c_str(), needed);
  *size = needed;  // counts the terminator, as the original does
  return TRUE;
}

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) {
  if (!size) return win::host::Fail(ERROR_INVALID_PARAMETER);
  std::string name;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    name = ComputerName();
  }
  if (!buffer || *size <= name.size()) {
    *size = static_cast<DWORD>(name.size() + 1);
    return win::host::Fail(ERROR_BUFFER_OVERFLOW);
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return TRUE;
}
