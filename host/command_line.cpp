// Checks of the host's command line and root, and the reasons it reports.
#include "command_line.h"

#include <cstring>

#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace host {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return win::paths::CurrentFolder();
  if (slash == 0) return path.substr(0, 1);
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool RootUsable(std::string* why) {
  const std::string root = win::paths::Root();
  const std::string program = win::paths::ProgramFolder(), temp = win::paths::TempFolder();
  for (const std::string& folder : {program, win::paths::SettingsFolder(), temp}) {
    if (!IsFolder(GetFileAttributesA(folder.c_str()))) {
      *why = "the workstation root " + root + " (KELT_ROOT) cannot be used: its folder " + folder +
             " cannot be made there";
      return false;
    }
  }
  // A file made and removed in the temporary folder.
  char probe[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(temp.c_str(), "kh", 0, probe) || GetFileAttributesA(probe) == INVALID_FILE_ATTRIBUTES) {
    *why = "the workstation root " + root + " (KELT_ROOT) cannot be used: no file can be written in it";
    return false;
  }
  DeleteFileA(probe);
  return true;
}

bool ParseSeed(const char* text, uint32_t* seed) {
  if (!text || !*text || std::strlen(text) > 10) return false;
  uint64_t v = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + uint64_t(*p - '0');
  }
  if (v > 0xFFFFFFFFull) return false;
  *seed = uint32_t(v);
  return true;
}

bool UsablePath(const std::string& path, std::string* why) {
  if (path.empty()) {
    *why = "no path given";
    return false;
  }
  for (char c : path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      *why = "the path holds a control character";
      return false;
    }
  const std::string full = path[0] == '/' ? path : win::paths::FullPath(path);
  if (full.size() >= MAX_PATH) {
    *why = "the path is too long (" + std::to_string(full.size()) + " characters in full, at most " +
           std::to_string(MAX_PATH - 1) + ")";
    return false;
  }
  const std::string name = full.substr(full.find_last_of("\\/") + 1);
  if (name.empty()) {
    *why = "the path names a folder, not a file";
    return false;
  }
  if (path[0] == '/') win::paths::AllowHostPath(path);
  return true;
}

std::string WhyNotWritten(const std::string& path) {
  const std::string folder = FolderOf(path);
  const DWORD folderAttributes = GetFileAttributesA(folder.c_str());
  if (folderAttributes == INVALID_FILE_ATTRIBUTES) return "the folder " + folder + " does not exist";
  if (!IsFolder(folderAttributes)) return folder + " is a file, not a folder";
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (IsFolder(attributes)) return "it is a folder";
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return "the file is read-only";
  if (folderAttributes & FILE_ATTRIBUTE_READONLY) return "the folder " + folder + " is read-only";
  // Try the write itself for the system's answer.
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  const DWORD error = GetLastError();
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    if (!existed) DeleteFileA(path.c_str());
    return "the data could not be stored (the disk may be full)";
  }
  if (error == ERROR_ACCESS_DENIED) return "access is denied";
  if (error == ERROR_SHARING_VIOLATION) return "the file is in use";
  return "the system refused it (error " + std::to_string(error) + ")";
}

std::string WhyRefused(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const std::string folder = FolderOf(path);
    return IsFolder(GetFileAttributesA(folder.c_str())) ? "no such file" : "the folder " + folder + " does not exist";
  }
  if (IsFolder(attributes)) return "it is a folder";
  uint8_t start[16];
  uint64_t size = 0;
  if (ReadFileStart(path.c_str(), start, sizeof start, &size) < 0) return "it cannot be read";
  if (size == 0) return "not a data file (it is empty)";
  uint16_t format = 0;
  const int32_t type = GetSectionFileType(path.c_str(), &format);
  if (type == SECTION_FILE_TYPE_METHOD) return "not a data file (a method)";
  if (type == SECTION_FILE_TYPE_REPORTS) return "not a data file (a reports file)";
  if (type >= 0) {
    HSECTION list = OpenSectionList(path.c_str(), nullptr);
    if (!list) return "damaged: a sectioned file whose sections cannot be read";
    CloseSection(list);
    const bool data = SectionExists(path.c_str(), "MSData") || SectionExists(path.c_str(), "Detector");
    if (!data) return "not a data file (a sectioned file of type " + std::to_string(type) + ")";
    return "damaged: its data cannot be read";
  }
  // A raw MS file whose header reads but whose scans do not.
  if (STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path.c_str(), 0)) {
    FreeWorkFileStruct(wf);
    return "damaged: its data cannot be read";
  }
  return "not a data file";
}

std::string WhyNoDataFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || IsFolder(attributes)) return WhyRefused(path);
  uint16_t format = 0;
  const int32_t type = GetSectionFileType(path.c_str(), &format);
  if (type >= 0 && type != SECTION_FILE_TYPE_METHOD && type != SECTION_FILE_TYPE_REPORTS &&
      (SectionExists(path.c_str(), "MSData") || SectionExists(path.c_str(), "Detector")))
    return {};
  if (type < 0)
    if (STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path.c_str(), 0)) {
      FreeWorkFileStruct(wf);
      return {};
    }
  return WhyRefused(path);
}

std::string WhyNotMethod(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const std::string folder = FolderOf(path);
    return IsFolder(GetFileAttributesA(folder.c_str())) ? "no such file" : "the folder " + folder + " does not exist";
  }
  if (IsFolder(attributes)) return "it is a folder";
  uint16_t format = 0;
  const int32_t type = GetSectionFileType(path.c_str(), &format);
  if (type == SECTION_FILE_TYPE_METHOD) return {};
  if (type == SECTION_FILE_TYPE_REPORTS) return "not a method (a reports file)";
  if (type >= 0) return WhyNoDataFile(path).empty() ? "not a method (a data file)" : "not a method";
  return "not a method";
}

}  // namespace host
