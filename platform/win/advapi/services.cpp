// Services kept as registry keys; a running one holds its program file.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <strings.h>

#include "kernel_object.h"
#include "win_registry.h"
#include "win_services.h"

namespace {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services";

struct ServiceHandle : win::KernelObject {
  bool manager = false;
  std::string name;
  DWORD access = 0;
};

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

std::mutex& Mutex() {
  static std::mutex m;
  return m;
}
// Program files held by the running services of this process; let go when
// the process ends, before the kernel's own tables go.
struct HeldFiles : std::map<std::string, HANDLE, NoCase> {
  ~HeldFiles() {
    for (auto& [name, handle] : *this) CloseHandle(handle);
  }
};
HeldFiles& Holds() {
  static HeldFiles holds;
  return holds;
}

std::string KeyOf(const std::string& name) { return std::string(kServicesKey) + "\\" + name; }

bool ReadDword(const std::string& name, const char* value, DWORD* out) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = sizeof(DWORD);
  const LSTATUS s = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
  RegCloseKey(key);
  return s == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(DWORD);
}

bool ReadQword(const std::string& name, const char* value, ULONGLONG* out) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = sizeof(ULONGLONG);
  const LSTATUS s = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
  RegCloseKey(key);
  return s == ERROR_SUCCESS && type == REG_BINARY && size == sizeof(ULONGLONG);
}

bool WriteValue(const std::string& name, const char* value, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
  const LSTATUS s = RegSetValueExA(key, value, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return s == ERROR_SUCCESS;
}

std::string ImagePath(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char buf[MAX_PATH + 1] = {};
  DWORD type = 0, size = MAX_PATH;
  const LSTATUS s = RegQueryValueExA(key, "ImagePath", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  return s == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : std::string();
}

void Hold(const std::string& name) {
  if (Holds().count(name)) return;
  const std::string image = ImagePath(name);
  if (image.empty()) return;
  HANDLE h = CreateFileA(image.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) Holds()[name] = h;
}

void Unhold(const std::string& name) {
  auto it = Holds().find(name);
  if (it == Holds().end()) return;
  CloseHandle(it->second);
  Holds().erase(it);
}

// The state now; a stop whose delay has passed completes here.
DWORD CurrentState(const std::string& name) {
  DWORD state = SERVICE_STOPPED;
  ReadDword(name, "State", &state);
  if (state == SERVICE_STOP_PENDING) {
    ULONGLONG due = 0;
    if (!ReadQword(name, "StopDue", &due) || GetTickCount64() >= due) {
      state = SERVICE_STOPPED;
      WriteValue(name, "State", REG_DWORD, &state, sizeof state);
    }
  }
  if (state == SERVICE_STOPPED) Unhold(name);
  else Hold(name);
  return state;
}

std::shared_ptr<ServiceHandle> Get(SC_HANDLE h, bool manager) {
  auto s = win::HandleTable::GetAs<ServiceHandle>(reinterpret_cast<HANDLE>(h));
  if (!s || s->manager != manager) return nullptr;
  return s;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

SC_HANDLE NewHandle(bool manager, const std::string& name, DWORD access) {
  auto s = std::make_shared<ServiceHandle>();
  s->manager = manager;
  s->name = name;
  s->access = access;
  return reinterpret_cast<SC_HANDLE>(win::HandleTable::Add(s));
}

bool Exists(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool NameOk(LPCSTR name) {
  if (!name || !*name) return false;
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == '/') return false;
  return true;
}

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR, DWORD access) {
  if (machine && *machine) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return NewHandle(true, {}, access);
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
  std::lock_guard<std::mutex> lock(Mutex());
  if (!Get(manager, true)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!NameOk(name) || !Exists(name)) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  CurrentState(name);
  return NewHandle(false, name, access);
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR name, LPCSTR, DWORD access, DWORD, DWORD, DWORD, LPCSTR binaryPath,
                         LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR) {
  std::lock_guard<std::mutex> lock(Mutex());
  if (!Get(manager, true) || !NameOk(name) || !binaryPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Exists(name)) {
    SetLastError(ERROR_SERVICE_EXISTS);
    return nullptr;
  }
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  RegCloseKey(key);
  const DWORD stopped = SERVICE_STOPPED, delay = 0;
  WriteValue(name, "ImagePath", REG_SZ, binaryPath, static_cast<DWORD>(strlen(binaryPath) + 1));
  WriteValue(name, "State", REG_DWORD, &stopped, sizeof stopped);
  WriteValue(name, "StopDelay", REG_DWORD, &delay, sizeof delay);
  return NewHandle(false, name, access);
}

BOOL StartServiceA(SC_HANDLE service, DWORD, LPCSTR*) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto s = Get(service, false);
  if (!s) return Fail(ERROR_INVALID_HANDLE);
  if (!(s->access & SERVICE_START)) return Fail(ERROR_ACCESS_DENIED);
  if (CurrentState(s->name) != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  if (ImagePath(s->name).empty()) return Fail(ERROR_FILE_NOT_FOUND);
  const DWORD running = SERVICE_RUNNING;
  if (!WriteValue(s->name, "State", REG_DWORD, &running, sizeof running)) return Fail(ERROR_ACCESS_DENIED);
  Hold(s->name);
  return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto s = Get(service, false);
  if (!s || !status) return Fail(ERROR_INVALID_HANDLE);
  *status = SERVICE_STATUS{};
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = CurrentState(s->name);
  status->dwControlsAccepted = status->dwCurrentState == SERVICE_RUNNING ? 1u : 0u;
  DWORD delay = 0;
  ReadDword(s->name, "StopDelay", &delay);
  status->dwWaitHint = status->dwCurrentState == SERVICE_STOP_PENDING ? delay : 0;
  return TRUE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  {
    std::lock_guard<std::mutex> lock(Mutex());
    auto s = Get(service, false);
    if (!s) return Fail(ERROR_INVALID_HANDLE);
    if (control == SERVICE_CONTROL_STOP) {
      if (!(s->access & SERVICE_STOP)) return Fail(ERROR_ACCESS_DENIED);
      const DWORD state = CurrentState(s->name);
      if (state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
      if (state == SERVICE_RUNNING) {
        DWORD delay = 0;
        ReadDword(s->name, "StopDelay", &delay);
        const ULONGLONG due = GetTickCount64() + delay;
        const DWORD pending = SERVICE_STOP_PENDING;
        // A request that cannot be recorded (a full disk) was not made.
        if (!WriteValue(s->name, "StopDue", REG_BINARY, &due, sizeof due) ||
            !WriteValue(s->name, "State", REG_DWORD, &pending, sizeof pending))
          return Fail(ERROR_WRITE_FAULT);
      }
    } else if (control != SERVICE_CONTROL_INTERROGATE) {
      return Fail(ERROR_INVALID_SERVICE_CONTROL);
    }
  }
  if (status) QueryServiceStatus(service, status);
  return TRUE;
}

BOOL DeleteService(SC_HANDLE service) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto s = Get(service, false);
  if (!s) return Fail(ERROR_INVALID_HANDLE);
  Unhold(s->name);
  return RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyOf(s->name).c_str()) == ERROR_SUCCESS ? TRUE : Fail(ERROR_ACCESS_DENIED);
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  auto s = win::HandleTable::GetAs<ServiceHandle>(reinterpret_cast<HANDLE>(handle));
  if (!s) return Fail(ERROR_INVALID_HANDLE);
  win::HandleTable::Remove(reinterpret_cast<HANDLE>(handle));
  return TRUE;
}

namespace win::services {
bool SetStopDelay(const char* name, DWORD milliseconds) {
  std::lock_guard<std::mutex> lock(Mutex());
  return NameOk(name) && Exists(name) && WriteValue(name, "StopDelay", REG_DWORD, &milliseconds, sizeof milliseconds);
}
}  // namespace win::services
