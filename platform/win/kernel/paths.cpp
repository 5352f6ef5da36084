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
std::vector<std::string> g_allowed;  // normalised Linux paths the host was handed
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

bool Exists(const std::string& p, struct stat* st = nullptr) {
  struct stat own;
  return lstat(p.c_str(), st ? st : &own) == 0;
}

// The entry of a path from its lstat; a link is followed.
void FillEntry(const std::string& p, bool found, struct stat st, HostEntry* entry) {
  if (found && S_ISLNK(st.st_mode)) found = stat(p.c_str(), &st) == 0;
  *entry = HostEntry{};
  if (!found) return;
  entry->found = true;
  entry->regular = S_ISREG(st.st_mode);
  entry->writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  entry->volume = static_cast<uint64_t>(st.st_dev);
  entry->id = static_cast<uint64_t>(st.st_ino);
  entry->size = static_cast<int64_t>(st.st_size);
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

std::string JoinMatched(const std::string& base, const std::vector<std::string>& parts, HostEntry* entry = nullptr) {
  const std::vector<std::string> clean = Normalise(parts, false);
  // A path that lies there as written needs no component matched: every
  // folder on the way exists under its own name then.
  std::string out = base;
  for (const auto& p : clean) {
    out += '/';
    out += p;
  }
  struct stat st {};
  if (!clean.empty() && Exists(out, &st)) {
    if (entry) FillEntry(out, true, st, entry);
    return out;
  }
  out = base;
  for (const auto& p : clean) {
    const std::string matched = MatchComponent(out, p);
    out += '/';
    out += matched;
  }
  if (out.empty()) out = "/";
  if (entry) {
    const bool found = Exists(out, &st);
    FillEntry(out, found, st, entry);
  }
  return out;
}

bool HasDrive(std::string_view s) {
  return s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':';
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "/a/../b//c" -> "/b/c" (".." never above "/").
std::string NormalHost(std::string_view hostPath) {
  std::string out;
  for (const auto& p : Normalise(SplitComponents(hostPath), false)) out += "/" + p;
  return out.empty() ? "/" : out;
}

// The name up to its first "." (the whole name without one).
std::string StemOf(const std::string& name) { return name.substr(0, name.find('.')); }

bool AllowedLocked(const std::string& normal) {
  const std::string root = NormalHost(RootLocked());
  if (normal == root || (normal.size() > root.size() && normal.compare(0, root.size(), root) == 0 &&
                         normal[root.size()] == '/'))
    return true;
  const size_t slash = normal.rfind('/');
  const std::string folder = normal.substr(0, slash), name = Lower(normal.substr(slash + 1));
  for (const std::string& a : g_allowed) {
    const size_t s = a.rfind('/');
    if (a.compare(0, s, folder) != 0 || s != folder.size()) continue;
    const std::string allowed = Lower(a.substr(s + 1)), stem = StemOf(allowed);
    if (name == allowed || (name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
                            name[stem.size()] == '.'))
      return true;
  }
  return false;
}

// A path taken as Linux path: starts with "/" and is under the root or allowed.
bool IsHostPathLocked(std::string_view s) { return !s.empty() && s[0] == '/' && AllowedLocked(NormalHost(s)); }

char UpperDrive(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string CurrentLocked() { return g_current.empty() ? ProgramFolder() : g_current; }

std::string FullPathLocked(std::string_view s) {
  if (s.empty()) return {};
  if (IsHostPathLocked(s)) return std::string(s);
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
      joined = current.substr(2);
      joined += '\\';
      joined += rest;
    } else {
      joined = '\\';
      joined += rest;
    }
  } else if (IsSep(s[0])) {
    drive = UpperDrive(current[0]);
    joined = std::string(s);
  } else {
    drive = UpperDrive(current[0]);
    joined = current.substr(2);
    joined += '\\';
    joined += s;
  }
  auto parts = Normalise(SplitComponents(joined), true);
  std::string out(1, drive);
  out += ":";
  for (const auto& p : parts) {
    out += '\\';
    out += p;
  }
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

bool AllowHostPath(std::string_view hostPath) {
  if (hostPath.empty() || hostPath[0] != '/') return false;
  const std::string normal = NormalHost(hostPath);
  if (normal == "/") return false;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_allowed.push_back(normal);
  return true;
}

bool IsUsableHostPath(std::string_view hostPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return IsHostPathLocked(hostPath);
}

std::string ToHost(std::string_view winPath) { return ToHost(winPath, nullptr); }

std::string ToHost(std::string_view winPath, HostEntry* entry) {
  std::string full, base;
  bool hostPath;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    hostPath = IsHostPathLocked(winPath);
  }
  if (hostPath) return JoinMatched("", SplitComponents(winPath), entry);
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
  return JoinMatched(base, SplitComponents(std::string_view(full).substr(2)), entry);
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
  for (const auto& p : parts) {
    out += '\\';
    out += p;
  }
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
