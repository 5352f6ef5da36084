#pragma once
// Security: the system's version record, the user's access token (its
// groups and privileges), restarting the system, and the access lists of
// files and folders.
//
// The identity comes from the environment, read when a token is opened:
//   KELT_WINDOWS_VERSION  "NT 5.1" (default), "NT 5.0", "NT 4.0", "9x 4.10" ...
//   KELT_ADMIN            "1" (default): member of Administrators, enabled;
//                         "deny-only": the group present for deny only;
//                         "0": not a member
//   KELT_SHUTDOWN_PRIVILEGE  "0" takes the shutdown privilege away
// Access lists are kept per path in "C:\WINDOWS\SECURITY\ACCESS.INI" (a
// section per full path, a line per trustee: "grant"/"deny", the access
// mask and the inheritance flags).
#include <string>
#include <vector>

#include "win_export.h"
#include "win_kernel.h"
#include "win_types.h"

// ---- Version -----------------------------------------------------------------
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);
WINAPI_EXPORT BOOL GetVersionExA(OSVERSIONINFOA* info);

// ---- Identifiers -------------------------------------------------------------
struct SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];
};
#pragma pack(push, 1)
struct SID {
  BYTE Revision;
  BYTE SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  DWORD SubAuthority[1];
};
#pragma pack(pop)
typedef void* PSID;
#define SECURITY_NT_AUTHORITY {{0, 0, 0, 0, 0, 5}}
#define SECURITY_WORLD_SID_AUTHORITY {{0, 0, 0, 0, 0, 1}}
#define SECURITY_BUILTIN_DOMAIN_RID 32u
#define DOMAIN_ALIAS_RID_ADMINS 544u
#define DOMAIN_ALIAS_RID_USERS 545u
#define SECURITY_AUTHENTICATED_USER_RID 11u
#define SECURITY_WORLD_RID 0u

WINAPI_EXPORT BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD a0, DWORD a1,
                                            DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6, DWORD a7,
                                            PSID* sid);
WINAPI_EXPORT PVOID FreeSid(PSID sid);
WINAPI_EXPORT BOOL EqualSid(PSID a, PSID b);
WINAPI_EXPORT DWORD GetLengthSid(PSID sid);

// ---- Tokens --------------------------------------------------------------------
#define TOKEN_QUERY 0x0008u
#define TOKEN_ADJUST_PRIVILEGES 0x0020u
#define ERROR_NO_TOKEN 1008
#define ERROR_NOT_ALL_ASSIGNED 1300
#define ERROR_NO_SUCH_PRIVILEGE 1313
#define SE_GROUP_MANDATORY 0x00000001u
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002u
#define SE_GROUP_ENABLED 0x00000004u
#define SE_GROUP_USE_FOR_DENY_ONLY 0x00000010u
#define SE_PRIVILEGE_ENABLED 0x00000002u
#define SE_SHUTDOWN_NAME "SeShutdownPrivilege"

enum TOKEN_INFORMATION_CLASS { TokenUser = 1, TokenGroups = 2, TokenPrivileges = 3 };
struct SID_AND_ATTRIBUTES {
  PSID Sid;
  DWORD Attributes;
};
struct TOKEN_GROUPS {
  DWORD GroupCount;
  SID_AND_ATTRIBUTES Groups[1];
};
struct LUID {
  DWORD LowPart;
  LONG HighPart;
};
struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};
struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
};

// Pseudo handle of this thread (that of the process is in win_kernel.h).
WINAPI_EXPORT HANDLE GetCurrentThread();
// Threads have no token of their own: ERROR_NO_TOKEN.
WINAPI_EXPORT BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, HANDLE* token);
WINAPI_EXPORT BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
WINAPI_EXPORT BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID buffer, DWORD size,
                                       LPDWORD needed);
WINAPI_EXPORT BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, LUID* luid);
// Succeeds with ERROR_NOT_ALL_ASSIGNED as the last error when the token
// lacks a privilege asked for.
WINAPI_EXPORT BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state, DWORD size,
                                         TOKEN_PRIVILEGES* previous, LPDWORD returnSize);

// ---- Restart -------------------------------------------------------------------
#define EWX_LOGOFF 0x00000000u
#define EWX_SHUTDOWN 0x00000001u
#define EWX_REBOOT 0x00000002u
#define EWX_FORCE 0x00000004u
// Headless: needs the shutdown privilege enabled in the process token; the
// request is recorded (win::security::RestartRequests), nothing restarts.
WINAPI_EXPORT BOOL ExitWindowsEx(UINT flags, DWORD reason);

// ---- Access lists ----------------------------------------------------------------
enum SE_OBJECT_TYPE { SE_UNKNOWN_OBJECT_TYPE = 0, SE_FILE_OBJECT = 1 };
enum ACCESS_MODE { NOT_USED_ACCESS = 0, GRANT_ACCESS = 1, SET_ACCESS = 2, DENY_ACCESS = 3, REVOKE_ACCESS = 4 };
enum TRUSTEE_FORM { TRUSTEE_IS_SID = 0, TRUSTEE_IS_NAME = 1 };
enum TRUSTEE_TYPE { TRUSTEE_IS_UNKNOWN = 0, TRUSTEE_IS_USER = 1, TRUSTEE_IS_GROUP = 2, TRUSTEE_IS_WELL_KNOWN_GROUP = 5 };
#define DACL_SECURITY_INFORMATION 0x00000004u
#define OBJECT_INHERIT_ACE 0x1u
#define CONTAINER_INHERIT_ACE 0x2u
#define SUB_CONTAINERS_AND_OBJECTS_INHERIT 0x3u
#define NO_INHERITANCE 0x0u
#define FILE_GENERIC_READ 0x00120089u
#define FILE_GENERIC_WRITE 0x00120116u
#define FILE_GENERIC_EXECUTE 0x001200A0u

struct ACL {
  BYTE AclRevision;
  BYTE Sbz1;
  WORD AclSize;
  WORD AceCount;
  WORD Sbz2;
};
typedef ACL* PACL;
typedef void* PSECURITY_DESCRIPTOR;
struct TRUSTEE_A {
  void* pMultipleTrustee;
  int MultipleTrusteeOperation;
  TRUSTEE_FORM TrusteeForm;
  TRUSTEE_TYPE TrusteeType;
  LPSTR ptstrName;
};
struct EXPLICIT_ACCESS_A {
  DWORD grfAccessPermissions;
  ACCESS_MODE grfAccessMode;
  DWORD grfInheritance;
  TRUSTEE_A Trustee;
};
WINAPI_EXPORT DWORD GetNamedSecurityInfoA(LPCSTR name, SE_OBJECT_TYPE type, DWORD info, PSID* owner, PSID* group,
                                          PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor);
WINAPI_EXPORT DWORD SetEntriesInAclA(ULONG count, EXPLICIT_ACCESS_A* entries, PACL oldAcl, PACL* newAcl);
WINAPI_EXPORT DWORD SetNamedSecurityInfoA(LPSTR name, SE_OBJECT_TYPE type, DWORD info, PSID owner, PSID group,
                                          PACL dacl, PACL sacl);
WINAPI_EXPORT HLOCAL LocalAlloc(UINT flags, size_t bytes);
WINAPI_EXPORT HLOCAL LocalFree(HLOCAL memory);

namespace win::security {
struct AccessEntry {
  std::string trustee;
  bool grant = true;
  DWORD mask = 0;
  DWORD inheritance = 0;
};
// The stored access list of a path (empty when none was set).
WIN_CLASS std::vector<AccessEntry> AccessList(const char* path);
// Restarts asked for through ExitWindowsEx, their flags in order.
WIN_CLASS std::vector<UINT> RestartRequests();
}  // namespace win::security
