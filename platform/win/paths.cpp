// Windows-style workstation paths mapped onto the Linux file system.
#include "win_paths.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace win::paths {
namespace {

std::mutex g_mutex;
std::string g_root;  // absolute, no trailing "/"

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

std::vector<std::string> SplitComponents(std::string_view s) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

std::string JoinMatched(const std::string& base, const std::vector<std::string>& parts) {
  std::vector<std::string> clean;
  for (const auto& p : parts) {
    if (p == ".") continue;
    if (p == "..") {
      if (!clean.empty()) clean.pop_back();
      continue;
    }
    clean.push_back(p);
  }
  std::string out = base;
  for (const auto& p : clean) {
    out += "/" + MatchComponent(out, p);
  }
  return out.empty() ? "/" : out;
}

}  // namespace

std::string Root() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return RootLocked();
}

void ResetRoot() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_root.clear();
  RootLocked();
}

std::string ProgramFolder() { return "C:\\Workstation"; }
std::string SettingsFolder() { return "C:\\WINDOWS"; }
std::string TempFolder() { return "C:\\TEMP\\"; }

std::string ToHost(std::string_view winPath) {
  if (!winPath.empty() && winPath[0] == '/') {
    return JoinMatched("", SplitComponents(winPath));
  }
  std::string root = Root();
  std::string_view rest = winPath;
  char drive = 'c';
  bool absolute = false;
  if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
    drive = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
    rest.remove_prefix(2);
    absolute = true;  // "C:name" is taken as "C:\name"
  } else if (!rest.empty() && (rest[0] == '\\' || rest[0] == '/')) {
    absolute = true;
  }
  std::vector<std::string> parts;
  if (!absolute) {
    // Relative names resolve against the program folder.
    parts = SplitComponents(std::string_view(ProgramFolder()).substr(2));
  }
  for (auto& p : SplitComponents(rest)) parts.push_back(std::move(p));
  std::string base = root + "/" + std::string(1, drive);
  MakeDirs(base);
  return JoinMatched(base, parts);
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
