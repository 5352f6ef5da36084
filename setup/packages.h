#pragma once
// Package files: many files with their names (relative folders kept),
// times and attributes in one file. All integers little-endian:
//   36-byte header: signature 0x87651234, version 1, String table offset
//   and size, data offset (36), total data size, Contents table offset,
//   entry count, reserved;
//   the file data back to back; the String table (NUL-terminated names);
//   the Contents table, 40 bytes an entry: name offset, data offset
//   (from the header's data offset), size, creation, last-access and
//   last-write times, attributes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win/win_types.h"

namespace setup {

inline constexpr uint32_t kPkgSignature = 0x87651234u;
inline constexpr uint32_t kPkgVersion = 1;

#pragma pack(push, 1)
struct PkgHeader {
  uint32_t signature;
  uint32_t version;
  uint32_t stringTableOffset;
  uint32_t stringTableSize;
  uint32_t dataOffset;
  uint32_t totalDataSize;
  uint32_t contentsOffset;
  uint32_t count;
  uint32_t reserved;
};
struct PkgEntry {
  uint32_t nameOffset;
  uint32_t dataOffset;
  uint32_t size;
  FILETIME creation;
  FILETIME lastAccess;
  FILETIME lastWrite;
  uint32_t attributes;
};
#pragma pack(pop)
static_assert(sizeof(PkgHeader) == 36);
static_assert(sizeof(PkgEntry) == 40);
static_assert(offsetof(PkgEntry, creation) == 12 && offsetof(PkgEntry, attributes) == 36);

// An open package: its file and its tables, every offset checked.
struct OpenPkg {
  HANDLE file = nullptr;
  PkgHeader header{};
  std::vector<PkgEntry> contents;
  std::vector<char> strings;
  ~OpenPkg();
  // The name of entry i.
  std::string Name(size_t i) const;
};

// Files stored (1 or more), -1 with the error text set, 0 when the package
// cannot be opened. names: blank-separated, wildcards allowed.
int WritePackage(const std::string& packagePath, const std::string& names, std::string* error);
// Null with the error text set when the file is no sound package.
std::unique_ptr<OpenPkg> OpenPackage(const std::string& path, std::string* error);
int ExtractPackageEntry(OpenPkg& pkg, const std::string& entryName, const std::string& targetPath, std::string* error);
// Entries extracted.
int ExtractPackageToDir(const std::string& packagePath, const std::string& folder, std::string* error);
int ExtractPackageFile(const std::string& packagePath, const std::string& entryName, const std::string& targetPath,
                       std::string* error);
void ClosePackage(std::unique_ptr<OpenPkg>& pkg);
// Builds the package of every component with UsePKG from its file lines.
bool BuildPackagesFromIni(const std::string& scriptPath);
// True for a stored name that stays inside the folder it is extracted to.
bool SafeEntryName(const std::string& name);

}  // namespace setup
