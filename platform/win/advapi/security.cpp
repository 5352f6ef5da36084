// The user's identity, privileges, restarts and access lists.
#include <strings.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kernel_object.h"
#include "win_paths.h"
#include "win_profile.h"
#include "win_security.h"

namespace {

struct TokenObject : win::KernelObject {
  DWORD access = 0;
};

struct Group {
  BYTE authority;
  std::vector<DWORD> subs;
  DWORD attributes;
};

std::string Env(const char* name, const char* def) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : std::string(def);
}

std::vector<Group> TokenGroupsNow() {
  const DWORD on = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
  std::vector<Group> g = {{1, {0}, on}, {5, {11}, on}, {5, {32, 545}, on}};
  const std::string admin = Env("KELT_ADMIN", "1");
  if (admin == "1") g.push_back({5, {32, 544}, on});
  else if (admin == "deny-only") g.push_back({5, {32, 544}, SE_GROUP_USE_FOR_DENY_ONLY});
  return g;
}

std::atomic<bool> g_shutdownEnabled{false};
std::mutex g_mutex;
std::vector<UINT>& Restarts() {
  static std::vector<UINT> r;
  return r;
}

const char kAccessStore[] = "C:\\WINDOWS\\SECURITY\\ACCESS.INI";
constexpr size_t kTrusteeLength = 64;

#pragma pack(push, 1)
struct StoredAce {
  DWORD mask;
  BYTE grant;
  BYTE inheritance;
  char trustee[kTrusteeLength + 2];
};
#pragma pack(pop)

PACL NewAcl(const std::vector<win::security::AccessEntry>& entries) {
  const size_t bytes = sizeof(ACL) + entries.size() * sizeof(StoredAce);
  if (bytes > 0xFFFF) return nullptr;
  auto* acl = static_cast<ACL*>(LocalAlloc(0, bytes));
  if (!acl) return nullptr;
  std::memset(acl, 0, bytes);
  acl->AclRevision = 2;
  acl->AclSize = static_cast<WORD>(bytes);
  acl->AceCount = static_cast<WORD>(entries.size());
  auto* ace = reinterpret_cast<StoredAce*>(acl + 1);
  for (const auto& e : entries) {
    ace->mask = e.mask;
    ace->grant = e.grant ? 1 : 0;
    ace->inheritance = static_cast<BYTE>(e.inheritance);
    std::strncpy(ace->trustee, e.trustee.c_str(), kTrusteeLength);
    ++ace;
  }
  return acl;
}

std::vector<win::security::AccessEntry> EntriesOf(const ACL* acl) {
  std::vector<win::security::AccessEntry> out;
  if (!acl) return out;
  const auto* ace = reinterpret_cast<const StoredAce*>(acl + 1);
  for (WORD i = 0; i < acl->AceCount; ++i, ++ace)
    out.push_back({std::string(ace->trustee, strnlen(ace->trustee, kTrusteeLength)), ace->grant != 0, ace->mask,
                   ace->inheritance});
  return out;
}

std::string SectionOf(const char* path) { return win::paths::FullPath(path); }

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const std::string v = Env("KELT_WINDOWS_VERSION", "NT 5.1");
  unsigned major = 5, minor = 1;
  const bool nt = v.rfind("9x", 0) != 0;
  std::sscanf(v.c_str() + (v.size() > 3 ? 3 : v.size()), "%u.%u", &major, &minor);
  std::memset(info, 0, sizeof *info);
  info->dwOSVersionInfoSize = sizeof *info;
  info->dwMajorVersion = major;
  info->dwMinorVersion = minor;
  info->dwBuildNumber = nt ? 2600 : 2222;
  info->dwPlatformId = nt ? VER_PLATFORM_WIN32_NT : VER_PLATFORM_WIN32_WINDOWS;
  return TRUE;
}

BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD a0, DWORD a1, DWORD a2, DWORD a3,
                              DWORD a4, DWORD a5, DWORD a6, DWORD a7, PSID* sid) {
  if (!authority || !sid || count == 0 || count > 8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD subs[8] = {a0, a1, a2, a3, a4, a5, a6, a7};
  auto* s = static_cast<BYTE*>(std::calloc(1, 8 + 4u * count));
  if (!s) return FALSE;
  s[0] = 1;
  s[1] = count;
  std::memcpy(s + 2, authority->Value, 6);
  std::memcpy(s + 8, subs, 4u * count);
  *sid = s;
  return TRUE;
}

PVOID FreeSid(PSID sid) {
  std::free(sid);
  return nullptr;
}

DWORD GetLengthSid(PSID sid) { return sid ? 8u + 4u * static_cast<const BYTE*>(sid)[1] : 0u; }

BOOL EqualSid(PSID a, PSID b) {
  if (!a || !b) return FALSE;
  const DWORD n = GetLengthSid(a);
  return n == GetLengthSid(b) && std::memcmp(a, b, n) == 0;
}

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

BOOL OpenThreadToken(HANDLE, DWORD, BOOL, HANDLE* token) {
  if (token) *token = nullptr;
  SetLastError(ERROR_NO_TOKEN);
  return FALSE;
}

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
  if (!token || process != GetCurrentProcess()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto t = std::make_shared<TokenObject>();
  t->access = access;
  *token = win::HandleTable::Add(t);
  return TRUE;
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID buffer, DWORD size, LPDWORD needed) {
  auto t = win::HandleTable::GetAs<TokenObject>(token);
  if (!t || !needed) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(t->access & TOKEN_QUERY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (kind != TokenGroups) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::vector<Group> groups = TokenGroupsNow();
  size_t sidBytes = 0;
  for (const Group& g : groups) sidBytes += 8 + 4 * g.subs.size();
  const size_t head = offsetof(TOKEN_GROUPS, Groups) + groups.size() * sizeof(SID_AND_ATTRIBUTES);
  *needed = static_cast<DWORD>(head + sidBytes);
  if (!buffer || size < *needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  auto* tg = static_cast<TOKEN_GROUPS*>(buffer);
  tg->GroupCount = static_cast<DWORD>(groups.size());
  BYTE* sids = static_cast<BYTE*>(buffer) + head;
  for (size_t i = 0; i < groups.size(); ++i) {
    const Group& g = groups[i];
    sids[0] = 1;
    sids[1] = static_cast<BYTE>(g.subs.size());
    std::memset(sids + 2, 0, 6);
    sids[7] = g.authority;
    std::memcpy(sids + 8, g.subs.data(), 4 * g.subs.size());
    tg->Groups[i].Sid = sids;
    tg->Groups[i].Attributes = g.attributes;
    sids += 8 + 4 * g.subs.size();
  }
  return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR, LPCSTR name, LUID* luid) {
  if (!name || !luid || strcasecmp(name, SE_SHUTDOWN_NAME) != 0) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  luid->LowPart = 19;
  luid->HighPart = 0;
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state, DWORD, TOKEN_PRIVILEGES*, LPDWORD) {
  auto t = win::HandleTable::GetAs<TokenObject>(token);
  if (!t || !(t->access & TOKEN_ADJUST_PRIVILEGES)) {
    SetLastError(t ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const bool have = Env("KELT_SHUTDOWN_PRIVILEGE", "1") != "0";
  if (disableAll) {
    g_shutdownEnabled = false;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  bool missing = false;
  for (DWORD i = 0; state && i < state->PrivilegeCount && i < 1; ++i) {
    if (state->Privileges[i].Luid.LowPart != 19 || !have) {
      missing = true;
      continue;
    }
    g_shutdownEnabled = (state->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  SetLastError(missing ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
  return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD) {
  if ((flags & (EWX_REBOOT | EWX_SHUTDOWN)) && !g_shutdownEnabled) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  Restarts().push_back(flags);
  return TRUE;
}

HLOCAL LocalAlloc(UINT, size_t bytes) { return std::calloc(1, bytes ? bytes : 1); }

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

DWORD GetNamedSecurityInfoA(LPCSTR name, SE_OBJECT_TYPE type, DWORD info, PSID* owner, PSID* group, PACL* dacl,
                            PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
  if (!name || type != SE_FILE_OBJECT || !(info & DACL_SECURITY_INFORMATION) || !dacl || !descriptor)
    return ERROR_INVALID_PARAMETER;
  if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) return ERROR_FILE_NOT_FOUND;
  if (owner) *owner = nullptr;
  if (group) *group = nullptr;
  if (sacl) *sacl = nullptr;
  PACL acl = NewAcl(win::security::AccessList(name));
  if (!acl) return ERROR_NOT_ENOUGH_MEMORY;
  *dacl = acl;
  *descriptor = acl;
  return ERROR_SUCCESS;
}

DWORD SetEntriesInAclA(ULONG count, EXPLICIT_ACCESS_A* entries, PACL oldAcl, PACL* newAcl) {
  if (!newAcl || (count && !entries)) return ERROR_INVALID_PARAMETER;
  std::vector<win::security::AccessEntry> list = EntriesOf(oldAcl);
  for (ULONG i = 0; i < count; ++i) {
    const EXPLICIT_ACCESS_A& e = entries[i];
    if (e.Trustee.TrusteeForm != TRUSTEE_IS_NAME || !e.Trustee.ptstrName || !*e.Trustee.ptstrName ||
        std::strlen(e.Trustee.ptstrName) > kTrusteeLength || std::strpbrk(e.Trustee.ptstrName, "=\r\n[]"))
      return ERROR_INVALID_PARAMETER;
    const std::string who = e.Trustee.ptstrName;
    auto same = [&](const win::security::AccessEntry& a) { return strcasecmp(a.trustee.c_str(), who.c_str()) == 0; };
    switch (e.grfAccessMode) {
      case GRANT_ACCESS: {
        bool merged = false;
        for (auto& a : list)
          if (same(a) && a.grant) {
            a.mask |= e.grfAccessPermissions;
            a.inheritance |= e.grfInheritance;
            merged = true;
          }
        if (!merged) list.push_back({who, true, e.grfAccessPermissions, e.grfInheritance});
        break;
      }
      case SET_ACCESS:
        std::erase_if(list, same);
        list.push_back({who, true, e.grfAccessPermissions, e.grfInheritance});
        break;
      case DENY_ACCESS:
        list.insert(list.begin(), {who, false, e.grfAccessPermissions, e.grfInheritance});
        break;
      case REVOKE_ACCESS:
        std::erase_if(list, same);
        break;
      default:
        return ERROR_INVALID_PARAMETER;
    }
  }
  *newAcl = NewAcl(list);
  return *newAcl ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD SetNamedSecurityInfoA(LPSTR name, SE_OBJECT_TYPE type, DWORD info, PSID, PSID, PACL dacl, PACL) {
  if (!name || type != SE_FILE_OBJECT || !(info & DACL_SECURITY_INFORMATION)) return ERROR_INVALID_PARAMETER;
  if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) return ERROR_FILE_NOT_FOUND;
  std::string text;
  for (const auto& e : EntriesOf(dacl)) {
    char line[160];
    std::snprintf(line, sizeof line, "%s=%s,%08X,%u", e.trustee.c_str(), e.grant ? "grant" : "deny", e.mask,
                  e.inheritance);
    text += line;
    text += '\0';
  }
  text += '\0';
  CreateDirectoryA("C:\\WINDOWS\\SECURITY", nullptr);
  return WritePrivateProfileSectionA(SectionOf(name).c_str(), text.c_str(), kAccessStore) ? ERROR_SUCCESS
                                                                                          : ERROR_ACCESS_DENIED;
}

namespace win::security {

std::vector<AccessEntry> AccessList(const char* path) {
  std::vector<AccessEntry> out;
  if (!path) return out;
  std::vector<char> buf(32768, 0);
  const DWORD n = GetPrivateProfileSectionA(SectionOf(path).c_str(), buf.data(), static_cast<DWORD>(buf.size()),
                                            kAccessStore);
  for (DWORD i = 0; i < n && buf[i];) {
    const std::string line(&buf[i]);
    i += static_cast<DWORD>(line.size()) + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0 || eq > kTrusteeLength) continue;
    char kind[8] = {};
    unsigned mask = 0, inherit = 0;
    if (std::sscanf(line.c_str() + eq + 1, "%7[a-z],%8X,%u", kind, &mask, &inherit) != 3) continue;
    if (std::strcmp(kind, "grant") != 0 && std::strcmp(kind, "deny") != 0) continue;
    out.push_back({line.substr(0, eq), std::strcmp(kind, "grant") == 0, mask, inherit & 0xFFu});
  }
  return out;
}

std::vector<UINT> RestartRequests() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Restarts();
}

}  // namespace win::security
