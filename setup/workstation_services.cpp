#include "workstation_services.h"

#include <cstring>

#include "run_state.h"
#include "win/win_kernel.h"

namespace setup {

namespace {

// One binding: the library loaded from folder, the export looked up,
// released when the binding ends.
class Binding {
 public:
  Binding(const std::string& folder, const char* library) {
    const std::string path = JoinPath(folder, library);
    module_ = LoadLibraryA(path.c_str());
  }
  ~Binding() {
    if (module_) FreeLibrary(module_);
  }
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;
  bool loaded() const { return module_ != nullptr; }
  template <class Fn>
  Fn Get(const char* name) const {
    return module_ ? ProcAs<Fn>(GetProcAddress(module_, name)) : nullptr;
  }
  // Keeps the library loaded for the rest of the process.
  void Keep() { module_ = nullptr; }

 private:
  HMODULE module_ = nullptr;
};

const char kOrvik[] = "Orvik32.dll";

}  // namespace

int WsSoftwareRegKey(std::string* base) {
  Binding b(TheRun().destFolder, kOrvik);
  auto fn = b.Get<int32_t (*)(char*, int32_t)>("GetWSSoftwareRegKey");
  if (!fn) return 0;
  char buf[257] = {};
  const int32_t ok = fn(buf, 256);
  if (ok) *base = buf;
  return ok ? 1 : 0;
}

std::string WsZephIni(const std::string& folder) {
  Binding b(folder, kOrvik);
  auto fn = b.Get<const char* (*)()>("GetZephIni");
  const char* p = fn ? fn() : nullptr;
  return p ? std::string(p, strnlen(p, MAX_PATH)) : std::string();
}

bool WsVersionAndSysString(std::string* version, std::string* sysString) {
  Binding b(TheRun().destFolder, "ORVIK32.DLL");
  if (!b.loaded()) return false;
  char buf[257] = {};
  if (auto fn = b.Get<int32_t (*)(char*)>("GetWorkStationVersion")) fn(buf);
  *version = buf;
  char sys[257] = {};
  if (auto fn = b.Get<int32_t (*)(int32_t, char*)>("GetWSSysString")) fn(10, sys);
  *sysString = sys;
  return true;
}

int WsServicePackLevel() {
  Binding b(TheRun().destFolder, kOrvik);
  auto fn = b.Get<int32_t (*)(int32_t*)>("GetWSServicePackLevel");
  int32_t level = 0;
  return fn ? fn(&level) : 0;
}

int WsSetServicePackLevel(int level) {
  Binding b(TheRun().destFolder, kOrvik);
  auto fn = b.Get<int32_t (*)(int32_t)>("SetWSServicePackLevel");
  return fn && fn(level) ? 1 : 0;
}

int WsAddHotFix(int number, const std::string& text) {
  Binding b(TheRun().destFolder, kOrvik);
  auto fn = b.Get<int32_t (*)(int32_t, const char*)>("AddHotFix");
  return fn && fn(number, text.c_str()) ? 1 : 0;
}

int WsDeleteHotFix(int number) {
  Binding b(TheRun().destFolder, kOrvik);
  auto fn = b.Get<int32_t (*)(int32_t)>("DeleteHotFix");
  return fn && fn(number) ? 1 : 0;
}

int WsEnumHotFixes(int previous, int32_t* time, std::string* text) {
  Binding b(TheRun().destFolder, kOrvik);
  auto fn = b.Get<int32_t (*)(int32_t, int32_t*, char*, int32_t)>("EnumWSHotFixes");
  if (!fn) return 0;
  char buf[257] = {};
  const int32_t next = fn(previous, time, buf, 256);
  *text = buf;
  return next;
}

int WsIsAppSection(const std::string& directory, const std::string& configFile, const std::string& section) {
  Binding b(directory, "ORVIK32.DLL");
  auto fn = b.Get<int32_t (*)(const char*, const char*)>("IsAppSection");
  if (!fn) return -1;
  return fn(configFile.c_str(), section.c_str()) ? 1 : 0;
}

int WsAppendFileToSection(const std::string& directory, const std::string& configFile, const std::string& textFile,
                          const std::string& section) {
  Binding b(directory, "ORVIK32.DLL");
  if (!b.loaded()) return -1;
  auto fn = b.Get<int32_t (*)(const char*, const char*, const char*)>("AppendFileToSection");
  if (!fn) return -2;
  return fn(configFile.c_str(), textFile.c_str(), section.c_str()) ? 1 : 0;
}

int KeldorRemoveFromValidationData(const std::string& validationFile, const std::string& name) {
  Binding b(TheRun().sourceFolder, "Keldor6.dll");
  auto fn = b.Get<int32_t (*)(const char*, const char*)>("RemoveFileFromValidationData");
  if (!fn) return -2;
  const int r = fn(validationFile.c_str(), name.c_str());
  b.Keep();
  return r;
}

}  // namespace setup
