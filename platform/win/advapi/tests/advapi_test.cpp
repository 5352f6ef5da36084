// Registry hives, services, the user's token and access lists.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <thread>

#include "testing/workstation_root.h"
#include "win/win_registry.h"
#include "win/win_security.h"
#include "win/win_services.h"

namespace {

using RegistryTest = WorkstationRootTest;

std::string ReadSz(HKEY root, const char* key, const char* name) {
  HKEY k;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<no key>";
  char buf[256] = {};
  DWORD type = 0, size = sizeof buf - 1;
  const LSTATUS s = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return s == ERROR_SUCCESS && type == REG_SZ ? std::string(buf, size) : "<no value>";
}

TEST_F(RegistryTest, ValuesLiveInTheHiveFileAndIgnoreCase) {
  HKEY k;
  DWORD disp = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvane, Inc.\\PatchInstaller\\Fix 7", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &k, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  const char dir[] = "C:\\Workstation\\Patch000";
  ASSERT_EQ(RegSetValueExA(k, "PatchDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir), sizeof dir), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("dflt"), 5), ERROR_SUCCESS);
  RegCloseKey(k);
  // Every level exists, names match in any case, and the bytes keep their NUL.
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, "SOFTWARE\\corvane, inc.\\patchinstaller\\FIX 7", "patchdir"),
            std::string(dir, sizeof dir));
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, "Software\\Corvane, Inc.\\PatchInstaller\\Fix 7", ""), std::string("dflt", 5));
  HKEY parent;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvane, Inc.", 0, KEY_READ, &parent), ERROR_SUCCESS);
  RegCloseKey(parent);
  EXPECT_EQ(ReadSz(HKEY_CURRENT_USER, "Software\\Corvane, Inc.", "x"), "<no key>");
  EXPECT_TRUE(HostExists("c/WINDOWS/REGISTRY/LOCAL_MACHINE.HIV"));
}

TEST_F(RegistryTest, QueriesTellSizesAndRefuseWhatAHiveCannotHold) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_USERS, "S\\K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  const DWORD v = 0x12345678;
  ASSERT_EQ(RegSetValueExA(k, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(k, "n", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  BYTE small[2];
  size = 2;
  EXPECT_EQ(RegQueryValueExA(k, "n", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  for (const char* bad : {"a=b", "line\nbreak", ";comment", "[x"})
    EXPECT_EQ(RegSetValueExA(k, bad, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_INVALID_PARAMETER) << bad;
  EXPECT_EQ(RegDeleteValueA(k, "n"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(k, "n", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
  EXPECT_EQ(RegDeleteKeyA(HKEY_USERS, "S"), ERROR_ACCESS_DENIED);  // it has a sub-key
  EXPECT_EQ(RegDeleteKeyA(HKEY_USERS, "S\\K"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_USERS, "S"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_USERS, "S", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ADamagedValueIsRefusedNotMisread) {
  WriteHostFile("c/WINDOWS/REGISTRY/LOCAL_MACHINE.HIV", "[A]\n<key>=1\nv=1:4G\nw=x:00\n");
  HKEY k;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &k), ERROR_SUCCESS);
  char buf[8];
  DWORD size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(k, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), 13);
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(k, "w", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), 13);
  RegCloseKey(k);
}

using ServiceTest = WorkstationRootTest;

TEST_F(ServiceTest, ARunningServiceHoldsItsProgramUntilItHasStopped) {
  WriteHostFile("c/Workstation/monitor.exe", "old program");
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(scm, nullptr);
  SC_HANDLE svc = CreateServiceA(scm, "WsMonitor", "Monitor", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\Workstation\\monitor.exe", nullptr,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(svc, nullptr);
  ASSERT_TRUE(win::services::SetStopDelay("WsMonitor", 150));
  ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
  EXPECT_FALSE(StartServiceA(svc, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  WriteHostFile("c/new.exe", "new program");
  EXPECT_FALSE(CopyFileA("C:\\new.exe", "C:\\Workstation\\monitor.exe", FALSE));
  SERVICE_STATUS st{};
  ASSERT_TRUE(ControlService(svc, SERVICE_CONTROL_STOP, &st));
  EXPECT_EQ(st.dwCurrentState, SERVICE_STOP_PENDING);
  EXPECT_EQ(st.dwWaitHint, 150u);
  EXPECT_FALSE(CopyFileA("C:\\new.exe", "C:\\Workstation\\monitor.exe", FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(QueryServiceStatus(svc, &st));
  EXPECT_EQ(st.dwCurrentState, SERVICE_STOPPED);
  EXPECT_TRUE(CopyFileA("C:\\new.exe", "C:\\Workstation\\monitor.exe", FALSE));
  CloseServiceHandle(svc);
  // Another opening (a later program) sees the stored state.
  svc = OpenServiceA(scm, "wsmonitor", SERVICE_QUERY_STATUS);
  ASSERT_NE(svc, nullptr);
  ASSERT_TRUE(QueryServiceStatus(svc, &st));
  EXPECT_EQ(st.dwCurrentState, SERVICE_STOPPED);
  EXPECT_FALSE(StartServiceA(svc, 0, nullptr));  // no start right on this handle
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseServiceHandle(svc);
  EXPECT_EQ(OpenServiceA(scm, "Nobody", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  CloseServiceHandle(scm);
}

class SecurityTest : public WorkstationRootTest {
 protected:
  void TearDown() override {
    unsetenv("KELT_ADMIN");
    unsetenv("KELT_SHUTDOWN_PRIVILEGE");
    unsetenv("KELT_WINDOWS_VERSION");
    WorkstationRootTest::TearDown();
  }
  // Attributes of the Administrators group in the token, -1 when absent.
  static long AdminAttributes() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return -2;
    DWORD need = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &need);
    std::vector<BYTE> buf(need);
    EXPECT_TRUE(GetTokenInformation(token, TokenGroups, buf.data(), need, &need));
    CloseHandle(token);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
    long found = -1;
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buf.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i)
      if (EqualSid(groups->Groups[i].Sid, admins)) found = groups->Groups[i].Attributes;
    FreeSid(admins);
    return found;
  }
};

TEST_F(SecurityTest, TheTokenCarriesTheAdministratorsGroupAsTheEnvironmentSays) {
  EXPECT_GE(AdminAttributes(), 0);
  EXPECT_TRUE(AdminAttributes() & SE_GROUP_ENABLED);
  setenv("KELT_ADMIN", "deny-only", 1);
  EXPECT_EQ(AdminAttributes(), static_cast<long>(SE_GROUP_USE_FOR_DENY_ONLY));
  setenv("KELT_ADMIN", "0", 1);
  EXPECT_EQ(AdminAttributes(), -1);
  HANDLE t;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &t));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  setenv("KELT_WINDOWS_VERSION", "9x 4.90", 1);
  ASSERT_TRUE(GetVersionExA(&v));
  EXPECT_EQ(v.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(v.dwMinorVersion, 90u);
}

TEST_F(SecurityTest, ARestartNeedsTheShutdownPrivilegeEnabled) {
  const size_t before = win::security::RestartRequests().size();
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid));
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  setenv("KELT_SHUTDOWN_PRIVILEGE", "0", 1);
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  unsetenv("KELT_SHUTDOWN_PRIVILEGE");
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));
  CloseHandle(token);
  const auto after = win::security::RestartRequests();
  ASSERT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.back(), static_cast<UINT>(EWX_REBOOT));
}

TEST_F(SecurityTest, AccessEntriesMergeAndAreKeptPerPath) {
  WriteHostFile("c/Workstation/a.dll", "x");
  PACL dacl = nullptr, merged = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoA("C:\\Workstation", SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  &dacl, nullptr, &sd),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(dacl->AceCount, 0);
  EXPECT_EQ(GetNamedSecurityInfoA("C:\\Nowhere", SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &sd),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  char who[] = "Authenticated Users";
  EXPLICIT_ACCESS_A ea[2]{};
  ea[0].grfAccessPermissions = FILE_GENERIC_READ;
  ea[0].grfAccessMode = GRANT_ACCESS;
  ea[0].grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  ea[0].Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  ea[0].Trustee.ptstrName = who;
  ea[1] = ea[0];
  ea[1].grfAccessPermissions = FILE_GENERIC_WRITE;
  ASSERT_EQ(SetEntriesInAclA(2, ea, dacl, &merged), static_cast<DWORD>(ERROR_SUCCESS));
  char path[] = "C:\\Workstation";
  ASSERT_EQ(SetNamedSecurityInfoA(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, merged, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  LocalFree(merged);
  LocalFree(sd);
  const auto list = win::security::AccessList("c:\\workstation");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].trustee, "Authenticated Users");
  EXPECT_TRUE(list[0].grant);
  EXPECT_EQ(list[0].mask, FILE_GENERIC_READ | FILE_GENERIC_WRITE);
  EXPECT_EQ(list[0].inheritance, SUB_CONTAINERS_AND_OBJECTS_INHERIT);
  EXPECT_TRUE(win::security::AccessList("C:\\Workstation\\a.dll").empty());
}

}  // namespace
