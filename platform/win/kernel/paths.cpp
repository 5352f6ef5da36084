// Windows-style workstation paths mapped onto the Linux file system.
#include "win_paths.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace win::paths {
namespace {

std::mutex g_mutex;
std::string g_root;     // absolute, no trailing "/"
std::string g_current;  // absolute Windows form; empty = program folder
std::vector<std::string> g_madeDrives;  // drive folders made under this root

std::string MakeAbsolute(const std::string& p) {
  if (!p.empty() && p[0] == '/') return p;
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return "/" + p;
  return std::string(buf) + "/" + p;
}

void MakeDirs(const std::string& hostPath) {
  std::string cur;
  size_t i = 0;
  while (i <= hostPath.size()) {
    size_t j = hostPath.find('/', i);
    if (j == std::string::npos) j = hostPath.size();
    cur = hostPath.substr(0, j);
    if (!cur.empty()) mkdir(cur.c_str(), 0777);
    i = j + 1;
  }
}

const std::string& RootLocked() {
  if (g_root.empty()) {
    const char* env = std::getenv("KELT_ROOT");
    std::string r = MakeAbsolute(env && *env ? env : "kelt-root");
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    g_root = r;
    MakeDirs(g_root + "/c/Workstation");
    MakeDirs(g_root + "/c/WINDOWS");
    MakeDirs(g_root + "/c/TEMP");
  }
  return g_root;
}

bool Exists(const std::string& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0;
}

// Finds name in dir ignoring case; the name as given when nothing matches.
std::string MatchComponent(const std::string& dir, const std::string& name) {
  if (Exists(dir + "/" + name)) return name;
  DIR* d = opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> SplitComponents(std::string_view s) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (IsSep(c)) {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// Applies "." and ".." (never above the top).
std::vector<std::string> Normalise(const std::vector<std::string>& parts, bool trimNames) {
  std::vector<std::string> clean;
  for (auto p : parts) {
    if (p == ".") continue;
    if (p == "..") {
      if (!clean.empty()) clean.pop_back();
      continue;
    }
    if (trimNames) {
      // The original file system ignored trailing dots and spaces of a name.
      while (!p.empty() && (p.back() == '.' || p.back() == ' ')) p.pop_back();
      if (p.empty()) continue;
    }
    clean.push_back(p);
  }
  return clean;
}

std::string JoinMatched(const std::string& base, const std::vector<std::string>& parts) {
  std::string out = base;
  for (const auto& p : Normalise(parts, false)) out += "/" + MatchComponent(out, p);
  return out.empty() ? "/" : out;
}

bool HasDrive(std::string_view s) {
  return s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':';
}

char UpperDrive(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string CurrentLocked() { return g_current.empty() ? ProgramFolder() : g_current; }

std::string FullPathLocked(std::string_view s) {
  if (s.empty()) return {};
  if (s[0] == '/') return std::string(s);
  const std::string current = CurrentLocked();
  std::string joined;  // drive + ":" + components, before normalising
  char drive;
  if (HasDrive(s)) {
    drive = UpperDrive(s[0]);
    std::string_view rest = s.substr(2);
    if (!rest.empty() && IsSep(rest[0])) {
      joined = std::string(rest);
    } else if (UpperDrive(current[0]) == drive) {
      // "C:name" is relative to the current folder of that drive.
      joined = current.substr(2) + "\\" + std::string(rest);
    } else {
      joined = "\\" + std::string(rest);
    }
  } else if (IsSep(s[0])) {
    drive = UpperDrive(current[0]);
    joined = std::string(s);
  } else {
    drive = UpperDrive(current[0]);
    joined = current.substr(2) + "\\" + std::string(s);
  }
  auto parts = Normalise(SplitComponents(joined), true);
  std::string out(1, drive);
  out += ":";
  for (const auto& p : parts) out += "\\" + p;
  if (parts.empty() || IsSep(s.back())) out += "\\";
  return out;
}

}  // namespace

std::string Root() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return RootLocked();
}

void ResetRoot() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_root.clear();
  g_current.clear();
  g_madeDrives.clear();
  RootLocked();
}

std::string ProgramFolder() { return "C:\\Workstation"; }
std::string SettingsFolder() { return "C:\\WINDOWS"; }
std::string TempFolder() { return "C:\\TEMP\\"; }

std::string CurrentFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return CurrentLocked();
}

void SetCurrentFolder(std::string_view winPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::string full = FullPathLocked(winPath);
  if (full.empty() || full[0] == '/') return;
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  g_current = full;
}

std::string FullPath(std::string_view winPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return FullPathLocked(winPath);
}

std::string ToHost(std::string_view winPath) {
  if (!winPath.empty() && winPath[0] == '/') {
    return JoinMatched("", SplitComponents(winPath));
  }
  std::string full, base;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::string& root = RootLocked();
    full = FullPathLocked(winPath.empty() ? std::string_view(".") : winPath);
    base = root + "/" + std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(full[0]))));
    // A drive's folder is made once, not at every conversion.
    if (std::find(g_madeDrives.begin(), g_madeDrives.end(), base) == g_madeDrives.end()) {
      MakeDirs(base);
      g_madeDrives.push_back(base);
    }
  }
  return JoinMatched(base, SplitComponents(std::string_view(full).substr(2)));
}

std::string FromHost(std::string_view hostPath) {
  const std::string root = Root();
  if (hostPath.size() < root.size() + 2 || hostPath.substr(0, root.size()) != root ||
      hostPath[root.size()] != '/')
    return std::string(hostPath);
  std::string_view rest = hostPath.substr(root.size() + 1);
  if (!std::isalpha(static_cast<unsigned char>(rest[0])) || (rest.size() > 1 && rest[1] != '/'))
    return std::string(hostPath);
  std::string out(1, UpperDrive(rest[0]));
  out += ":";
  auto parts = SplitComponents(rest.substr(1));
  for (const auto& p : parts) out += "\\" + p;
  if (parts.empty()) out += "\\";
  return out;
}

std::string BuiltLibraryFolder() {
  const char* env = std::getenv("KELT_BIN_DIR");
  if (env && *env) return env;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&BuiltLibraryFolder), &info) && info.dli_fname) {
    std::string p = MakeAbsolute(info.dli_fname);
    auto slash = p.rfind('/');
    if (slash != std::string::npos) return p.substr(0, slash);
  }
  return ".";
}

}  // namespace win::paths
