// Loading libraries by their Windows names: "morvex.dll" is the built
// libmorvex.so. Real dlopen/dlsym; handles are the loader's own, counted
// here so that a stale or made-up handle is refused rather than followed.
#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host_files.h"
#include "win_paths.h"

namespace {

struct Module {
  std::string fileName;  // the Windows name GetModuleFileNameA reports
  int loads = 0;         // LoadLibraryA calls not yet freed
};

std::mutex g_mutex;
std::map<void*, Module>& Modules() {
  static std::map<void*, Module> modules;
  return modules;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsFile(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Splits "C:\\x\\Pelmar32.dll" into its folder ("C:\\x\\") and the stem ("Pelmar32").
void SplitName(const std::string& name, std::string& folder, std::string& stem, bool& hasExtension) {
  size_t cut = name.find_last_of("\\/");
  if (cut == std::string::npos && name.size() >= 2 && name[1] == ':') cut = 1;
  folder = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
  std::string file = name.substr(folder.size());
  size_t dot = file.find_last_of('.');
  hasExtension = dot != std::string::npos;
  stem = hasExtension ? file.substr(0, dot) : file;
}

std::string FindCaseless(const std::string& dir, const std::string& file) {
  if (IsFile(dir + "/" + file)) return dir + "/" + file;
  std::string found;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (strcasecmp(e->d_name, file.c_str()) == 0 && IsFile(dir + "/" + e->d_name)) {
        found = dir + "/" + e->d_name;
        break;
      }
    }
    closedir(d);
  }
  return found;
}

std::vector<std::string> CandidateFiles(const std::string& stem) {
  return {"lib" + Lower(stem) + ".so", stem + ".so"};
}

// The built library a Windows module name stands for; "" when none.
std::string Locate(const std::string& name) {
  std::string folder, stem;
  bool hasExtension;
  SplitName(name, folder, stem, hasExtension);
  if (stem.empty()) return {};
  if (hasExtension && Lower(name).size() > 3 && Lower(name).ends_with(".so")) {
    std::string direct = win::paths::ToHost(name);
    if (IsFile(direct)) return direct;
  }
  std::vector<std::string> dirs;
  if (!folder.empty()) dirs.push_back(win::paths::ToHost(folder));
  dirs.push_back(win::paths::ToHost(win::paths::ProgramFolder()));
  dirs.push_back(win::paths::ToHost(win::paths::CurrentFolder()));
  dirs.push_back(win::paths::BuiltLibraryFolder());
  for (const auto& dir : dirs) {
    for (const auto& file : CandidateFiles(stem)) {
      std::string found = FindCaseless(dir, file);
      if (!found.empty()) return found;
    }
  }
  return {};
}

std::string WindowsFileName(const std::string& name) {
  std::string folder, stem;
  bool hasExtension;
  SplitName(name, folder, stem, hasExtension);
  std::string file = name.substr(folder.size()) + (hasExtension ? "" : ".dll");
  if (folder.empty()) return win::paths::ProgramFolder() + "\\" + file;
  std::string full = win::paths::FullPath(folder);
  if (!full.empty() && full.back() != '\\' && full.back() != '/') full += full[0] == '/' ? '/' : '\\';
  return full + file;
}

std::string ExecutablePath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

void* MainProgram() {
  static void* main = dlopen(nullptr, RTLD_LAZY);
  return main;
}

std::string MainFileName() {
  std::string exe = ExecutablePath();
  std::string windows = win::paths::FromHost(exe);
  if (!windows.empty() && windows[0] != '/') return windows;
  std::string base = exe.substr(exe.find_last_of('/') + 1);
  return win::paths::ProgramFolder() + "\\" + base;
}

struct LoadedSearch {
  std::vector<std::string> wanted;
  std::string found;
};

int VisitLoaded(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<LoadedSearch*>(data);
  if (!info->dlpi_name || !*info->dlpi_name) return 0;
  std::string path = info->dlpi_name;
  std::string base = path.substr(path.find_last_of('/') + 1);
  for (const auto& w : search->wanted) {
    if (strcasecmp(base.c_str(), w.c_str()) == 0) {
      search->found = path;
      return 1;
    }
  }
  return 0;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string name(fileName, strnlen(fileName, 4096));
  const std::string path = Locate(name);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    SetLastError(ERROR_MOD_NOT_FOUND);  // also a library whose own dependencies are missing
    return nullptr;
  }
  Module& m = Modules()[handle];
  if (m.fileName.empty() || m.loads == 0) m.fileName = WindowsFileName(name);
  ++m.loads;
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (!procName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // An ordinal export n is the library's function named "Ordinal<n>".
  std::string ordinalName;
  if (IS_INTRESOURCE(procName)) {
    ordinalName = "Ordinal" + std::to_string(reinterpret_cast<uintptr_t>(procName) & 0xFFFF);
    procName = ordinalName.c_str();
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  void* handle = module ? static_cast<void*>(module) : MainProgram();
  if (handle != MainProgram() && !Modules().count(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = dlsym(handle, procName);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  void* handle = static_cast<void*>(module);
  if (handle && handle == MainProgram()) return TRUE;
  auto it = Modules().find(handle);
  if (!handle || it == Modules().end()) return win::host::Fail(ERROR_INVALID_HANDLE);
  if (it->second.loads == 0) return TRUE;  // found by name only: nothing of ours to release
  if (--it->second.loads == 0) Modules().erase(it);
  dlclose(handle);
  return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (!moduleName) return static_cast<HMODULE>(MainProgram());
  const std::string name(moduleName, strnlen(moduleName, 4096));
  std::string folder, stem;
  bool hasExtension;
  SplitName(name, folder, stem, hasExtension);
  std::string exe = ExecutablePath();
  std::string exeBase = exe.substr(exe.find_last_of('/') + 1);
  if (!stem.empty() && strcasecmp(exeBase.c_str(), stem.c_str()) == 0) return static_cast<HMODULE>(MainProgram());

  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto& [handle, m] : Modules()) {
    std::string f, s;
    bool e;
    SplitName(m.fileName, f, s, e);
    if (!stem.empty() && strcasecmp(s.c_str(), stem.c_str()) == 0) return static_cast<HMODULE>(handle);
  }
  // A library loaded with the program (linked to it) rather than by name.
  LoadedSearch search{CandidateFiles(stem), {}};
  if (!stem.empty()) dl_iterate_phdr(VisitLoaded, &search);
  if (!search.found.empty()) {
    if (void* handle = dlopen(search.found.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
      dlclose(handle);  // RTLD_NOLOAD still counted a reference; the program's own keeps it loaded
      Module& m = Modules()[handle];
      if (m.fileName.empty()) m.fileName = win::paths::ProgramFolder() + "\\" + search.found.substr(search.found.find_last_of('/') + 1);
      return static_cast<HMODULE>(handle);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string name;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    void* handle = static_cast<void*>(module);
    if (!handle || handle == MainProgram()) {
      name = MainFileName();
    } else {
      auto it = Modules().find(handle);
      if (it == Modules().end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
      }
      name = it->second.fileName;
    }
  }
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (name.size() >= size) {
    // Cut and terminated, as the original does since its later versions.
    std::memcpy(fileName, name.data(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, name.c_str(), name.size() + 1);
  return static_cast<DWORD>(name.size());
}
