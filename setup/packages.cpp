#include "packages.h"

#include <cstdio>
#include <cstring>

#include "run_state.h"
#include "script_format.h"
#include "system_routines.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace setup {

namespace {

constexpr uint32_t kMaxEntries = 1u << 20;

struct Source {
  std::string path;    // where it is read
  std::string stored;  // its name in the package
};

bool SeekTo(HANDLE h, uint64_t pos) {
  LARGE_INTEGER d;
  d.QuadPart = static_cast<LONGLONG>(pos);
  return SetFilePointerEx(h, d, nullptr, FILE_BEGIN) != 0;
}

bool ReadExact(HANDLE h, void* buf, uint32_t n) {
  DWORD got = 0;
  return n == 0 || (ReadFile(h, buf, n, &got, nullptr) && got == n);
}

bool WriteExact(HANDLE h, const void* buf, uint32_t n) {
  DWORD put = 0;
  return n == 0 || (WriteFile(h, buf, n, &put, nullptr) && put == n);
}

std::string Printf(const char* fmt, const std::string& a) {
  char buf[600];
  std::snprintf(buf, sizeof buf, fmt, a.c_str());
  return buf;
}

// The files a list of names stands for, in order.
std::vector<Source> Expand(const std::string& names) {
  std::vector<Source> out;
  size_t pos = 0;
  while (pos < names.size()) {
    while (pos < names.size() && names[pos] == ' ') ++pos;
    if (pos >= names.size()) break;
    size_t end = names.find(' ', pos);
    if (end == std::string::npos) end = names.size();
    const std::string name = names.substr(pos, end - pos);
    pos = end;
    const std::string folder = FolderOf(name);
    if (name.find_first_of("*?") == std::string::npos) {
      out.push_back({name, name});
      continue;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(name.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::string stored = folder.empty() ? std::string(fd.cFileName) : folder + "\\" + fd.cFileName;
      out.push_back({stored, stored});
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  return out;
}

}  // namespace

OpenPkg::~OpenPkg() {
  if (file && file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

std::string OpenPkg::Name(size_t i) const {
  const uint32_t at = contents[i].nameOffset;
  return std::string(&strings[at]);
}

bool SafeEntryName(const std::string& name) {
  if (name.empty() || name.size() >= MAX_PATH) return false;
  if (name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) return false;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t end = name.find_first_of("\\/", pos);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(pos, end - pos);
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part)
      if (static_cast<unsigned char>(c) < 32 || std::strchr("<>\"|*?", c)) return false;
    pos = end + 1;
  }
  return true;
}

int WritePackage(const std::string& packagePath, const std::string& names, std::string* error) {
  error->clear();
  // Written beside the package and put in its place whole at the end.
  const std::string temp = win::facts::SiblingTempName(packagePath);
  HANDLE out = CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 0;
  auto fail = [&](const std::string& text) {
    CloseHandle(out);
    DeleteFileA(temp.c_str());
    *error = text;
    return -1;
  };
  PkgHeader header{};
  header.signature = kPkgSignature;
  header.version = kPkgVersion;
  if (!WriteExact(out, &header, sizeof header)) return fail("Failed to write Index table to file.");
  std::vector<char> strings;
  std::vector<PkgEntry> contents;
  uint64_t total = 0;
  for (const Source& s : Expand(names)) {
    PkgEntry e{};
    e.nameOffset = static_cast<uint32_t>(strings.size());
    e.dataOffset = static_cast<uint32_t>(total);
    const DWORD attributes = GetFileAttributesA(s.path.c_str());
    HANDLE in = CreateFileA(s.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
      return fail(Printf("Failed to add file: %s", s.stored));
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(in, &high);
    std::vector<char> bytes;
    bool ok = !high && size != INVALID_FILE_SIZE && total + size < 0xFFFFFFFFull - 0x10000000ull &&
              GetFileTime(in, &e.creation, &e.lastAccess, &e.lastWrite);
    if (ok) {
      try {
        bytes.resize(size);
      } catch (...) {
        CloseHandle(in);
        return fail("Failed to get memory (malloc)");
      }
      ok = ReadExact(in, bytes.data(), size) && SeekTo(out, 36 + total) && WriteExact(out, bytes.data(), size);
    }
    CloseHandle(in);
    if (!ok || !SafeEntryName(s.stored)) return fail(Printf("Failed to add file: %s", s.stored));
    e.size = size;
    e.attributes = attributes;
    total += size;
    strings.insert(strings.end(), s.stored.begin(), s.stored.end());
    strings.push_back('\0');
    contents.push_back(e);
  }
  if (contents.empty()) return fail("No files to add.");
  header.stringTableOffset = static_cast<uint32_t>(36 + total);
  header.stringTableSize = static_cast<uint32_t>(strings.size());
  header.dataOffset = 36;
  header.totalDataSize = static_cast<uint32_t>(total);
  header.contentsOffset = header.stringTableOffset + header.stringTableSize;
  header.count = static_cast<uint32_t>(contents.size());
  header.reserved = 0;
  if (!SeekTo(out, header.stringTableOffset) || !WriteExact(out, strings.data(), header.stringTableSize))
    return fail("Failed to write String table to file.");
  if (!SeekTo(out, header.contentsOffset) ||
      !WriteExact(out, contents.data(), static_cast<uint32_t>(contents.size() * sizeof(PkgEntry))))
    return fail("Failed to write Contents table to file.");
  if (!SeekTo(out, 0) || !WriteExact(out, &header, sizeof header)) return fail("Failed to write Index table to file.");
  CloseHandle(out);
  if (!win::facts::ReplaceWith(temp, packagePath)) {
    DeleteFileA(temp.c_str());
    *error = "Failed to write Index table to file.";
    return -1;
  }
  return static_cast<int>(contents.size());
}

std::unique_ptr<OpenPkg> OpenPackage(const std::string& path, std::string* error) {
  error->clear();
  auto pkg = std::make_unique<OpenPkg>();
  pkg->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (pkg->file == INVALID_HANDLE_VALUE) {
    pkg->file = nullptr;
    *error = Printf("Failed to open %s", path);
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(pkg->file, &size) || !ReadExact(pkg->file, &pkg->header, sizeof(PkgHeader))) {
    *error = "Failed to read Index table.";
    return nullptr;
  }
  const PkgHeader& h = pkg->header;
  if (h.signature != kPkgSignature) {
    *error = "File is not a PKG File or is corrupt.";
    return nullptr;
  }
  if (h.version != kPkgVersion) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "This program only supports version %d PKG Files. File is %d", kPkgVersion, h.version);
    *error = buf;
    return nullptr;
  }
  // Every table and every entry must lie inside the file.
  const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
  const uint64_t dataEnd = uint64_t(h.dataOffset) + h.totalDataSize;
  const bool tablesFit = h.dataOffset >= sizeof(PkgHeader) && dataEnd <= fileSize && h.count <= kMaxEntries &&
                         uint64_t(h.stringTableOffset) + h.stringTableSize <= fileSize &&
                         uint64_t(h.contentsOffset) + uint64_t(h.count) * sizeof(PkgEntry) <= fileSize &&
                         h.stringTableSize > 0 && h.stringTableSize <= (16u << 20);
  if (!tablesFit) {
    *error = "File is not a PKG File or is corrupt.";
    return nullptr;
  }
  try {
    pkg->strings.resize(h.stringTableSize);
    pkg->contents.resize(h.count);
  } catch (...) {
    *error = "Failed to get mem for String table.";
    return nullptr;
  }
  if (!SeekTo(pkg->file, h.stringTableOffset) || !ReadExact(pkg->file, pkg->strings.data(), h.stringTableSize)) {
    *error = "Failed to read String table.";
    return nullptr;
  }
  if (!SeekTo(pkg->file, h.contentsOffset) ||
      !ReadExact(pkg->file, pkg->contents.data(), static_cast<uint32_t>(h.count * sizeof(PkgEntry)))) {
    *error = "Failed to read Contents table.";
    return nullptr;
  }
  for (size_t i = 0; i < pkg->contents.size(); ++i) {
    const PkgEntry& e = pkg->contents[i];
    const bool inStrings =
        e.nameOffset < h.stringTableSize && std::memchr(&pkg->strings[e.nameOffset], 0, h.stringTableSize - e.nameOffset);
    const bool inData = uint64_t(e.dataOffset) + e.size <= h.totalDataSize;
    if (!inStrings || !inData || !SafeEntryName(pkg->Name(i))) {
      *error = "File is not a PKG File or is corrupt.";
      return nullptr;
    }
  }
  return pkg;
}

void ClosePackage(std::unique_ptr<OpenPkg>& pkg) { pkg.reset(); }

int ExtractPackageEntry(OpenPkg& pkg, const std::string& entryName, const std::string& targetPath, std::string* error) {
  error->clear();
  size_t index = pkg.contents.size();
  for (size_t i = 0; i < pkg.contents.size() && index == pkg.contents.size(); ++i)
    if (EqualsNoCase(pkg.Name(i), entryName)) index = i;
  if (pkg.header.signature != kPkgSignature) {
    *error = "PKG File has a bad signature.";
    return 0;
  }
  if (pkg.header.version != kPkgVersion) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "PKG File is version %d. This handles only version %d", pkg.header.version, kPkgVersion);
    *error = buf;
    return 0;
  }
  if (index == pkg.contents.size()) return 0;
  const PkgEntry& e = pkg.contents[index];
  std::vector<char> bytes;
  try {
    bytes.resize(e.size);
  } catch (...) {
    *error = "Failed to get memory (malloc)";
    return 0;
  }
  if (!SeekTo(pkg.file, uint64_t(pkg.header.dataOffset) + e.dataOffset) || !ReadExact(pkg.file, bytes.data(), e.size)) {
    *error = "Failed to read " + entryName;
    return 0;
  }
  // Written beside the target, then put in its place.
  const std::string temp = win::facts::SiblingTempName(targetPath);
  HANDLE out = CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    *error = Printf("Can't write to %s", targetPath);
    return 0;
  }
  const bool wrote = WriteExact(out, bytes.data(), e.size);
  SetFileTime(out, &e.creation, &e.lastAccess, &e.lastWrite);
  CloseHandle(out);
  if (!wrote || !win::facts::ReplaceWith(temp, targetPath)) {
    DeleteFileA(temp.c_str());
    *error = Printf("Can't write to %s", targetPath);
    return 0;
  }
  const DWORD kept = e.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(targetPath.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
  return 1;
}

int ExtractPackageToDir(const std::string& packagePath, const std::string& folder, std::string* error) {
  auto pkg = OpenPackage(packagePath, error);
  if (!pkg) return 0;
  int count = 0;
  for (size_t i = 0; i < pkg->contents.size(); ++i) {
    const std::string name = pkg->Name(i);
    const std::string target = JoinPath(folder, name);
    CreateDirectoryTree(target);
    count += ExtractPackageEntry(*pkg, name, target, error);
  }
  ClosePackage(pkg);
  return count;
}

int ExtractPackageFile(const std::string& packagePath, const std::string& entryName, const std::string& targetPath,
                       std::string* error) {
  auto pkg = OpenPackage(packagePath, error);
  if (!pkg) return 0;
  const int r = ExtractPackageEntry(*pkg, entryName, targetPath, error);
  ClosePackage(pkg);
  return r;
}

bool BuildPackagesFromIni(const std::string& scriptPath) {
  const std::vector<std::string> lines = ReadScriptSection(scriptPath, "Components");
  if (lines.empty()) {
    Message("No Components Section in " + scriptPath + ". Exiting.", TheRun().title, MB_OK);
    return false;
  }
  int packages = 0, files = 0;
  for (const std::string& line : lines) {
    std::string section;
    if (!ComponentSectionName(line, &section) || section.empty() || section[0] == ';') continue;
    const std::string pkgName = ReadScriptValue(scriptPath, section, "UsePKG");
    if (IsNone(pkgName)) continue;
    std::string list;
    for (const std::string& fileLine : ReadNumberedValues(scriptPath, section, "")) {
      std::string source;
      if (!GetField(fileLine, 1, &source)) {
        Message("Error Reading File Source: " + fileLine + " in section " + section, "ERROR Reading File Source", MB_OK);
        return false;
      }
      list += (list.empty() ? "" : " ") + source;
    }
    DeleteFileA(pkgName.c_str());
    std::string error;
    const int n = WritePackage(pkgName, list, &error);
    if (n < 1) {
      Message(error, pkgName, MB_OK);
      return false;
    }
    ++packages;
    files += n;
  }
  char text[160];
  std::snprintf(text, sizeof text, "Created %d Package%s and added %d total files\n", packages, packages >= 2 ? "s" : "",
                files);
  Message(text, "Package Creation Successful", MB_OK);
  return true;
}

}  // namespace setup
