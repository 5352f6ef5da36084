#include "validation.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "file_install.h"
#include "run_state.h"
#include "script_format.h"
#include "system_routines.h"
#include "workstation_services.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace setup {

namespace {

struct ValFile {
  std::string head;  // the 93 bytes before the records
  std::vector<ValRecord> records;
};

bool ReadBytes(const std::string& path, std::string* bytes, DWORD share, DWORD* error) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return false;
  }
  DWORD high = 0;
  const DWORD size = GetFileSize(h, &high);
  bool ok = !high && size != INVALID_FILE_SIZE && size < (64u << 20);
  if (ok) {
    bytes->resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(h, bytes->data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(h);
  return ok;
}

// whole: false lets a torn last record pass (it is left out).
bool Parse(const std::string& bytes, bool whole, ValFile* out) {
  if (bytes.size() < kValHead) return false;
  if (whole && (bytes.size() - kValHead) % sizeof(ValRecord)) return false;
  out->head = bytes.substr(0, kValHead);
  out->records.clear();
  for (size_t at = kValHead; at + sizeof(ValRecord) <= bytes.size(); at += sizeof(ValRecord)) {
    ValRecord r;
    std::memcpy(&r, bytes.data() + at, sizeof r);
    out->records.push_back(r);
  }
  return true;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  const std::string temp = win::facts::SiblingTempName(path);
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
  if (!ok || put != bytes.size() || !win::facts::ReplaceWith(temp, path)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

std::string Serialise(const ValFile& f) {
  std::string out = f.head;
  for (const ValRecord& r : f.records) out.append(reinterpret_cast<const char*>(&r), sizeof r);
  return out;
}

std::string NameOf(const ValRecord& r) { return std::string(r.name, strnlen(r.name, sizeof r.name)); }

std::string Description(const std::string& head) {
  std::string d(head.data(), strnlen(head.data(), 80));
  for (char& c : d)
    if (c == '\r' || c == '\n') c = ' ';
  return d;
}

std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

std::string EntryStart() {
  const time_t now = std::time(nullptr);
  char buf[64] = {};
  ctime_r(&now, buf);
  return std::string("\n========== ") + buf;
}

std::string RecordLine(const char* kind, const ValRecord& r, const std::string& folder) {
  char line[400];
  std::snprintf(line, sizeof line, "%s %12s %8ld bytes 0x%08x %s\n", kind, NameOf(r).c_str(), static_cast<long>(r.size),
                r.checksum, GetFileVersionText(folder + NameOf(r)).c_str());
  return line;
}

std::string FirstDump(const ValFile& w, const std::string& folder) {
  std::string text = EntryStart() + Description(w.head) + "\n";
  for (const ValRecord& r : w.records) text += RecordLine("Created", r, folder);
  return text;
}

// Merges one update record into the workstation's; the history line.
std::string MergeRecord(ValFile& w, const ValRecord& u, const std::string& folder) {
  const std::string name = NameOf(u);
  for (ValRecord& r : w.records) {
    if (!EqualsNoCase(NameOf(r), name)) continue;
    uint32_t size = 0;
    const uint32_t sum = ComputeFileChecksum(folder + name, &size);
    if (size == r.size && sum == r.checksum) return RecordLine("   Kept", u, folder);
    if (size == u.size && sum == u.checksum) {
      r = u;
      return RecordLine("Updated", u, folder);
    }
    return RecordLine("Kept ??", u, folder);
  }
  w.records.push_back(u);
  return RecordLine("  Added", u, folder);
}

std::string FolderOfFile(const std::string& path) {
  const std::string f = FolderOf(path);
  return f.empty() ? std::string() : f + "\\";
}

std::string HistorySection(const std::string& workstationFile) {
  std::string base = FileNameOf(workstationFile);
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos) base.resize(dot);
  return "History-" + Upper(base);
}

bool AppendText(const std::string& path, const std::string& text, bool create) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, create ? CREATE_ALWAYS : OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  SetFilePointer(h, 0, nullptr, FILE_END);
  DWORD put = 0;
  const BOOL ok = text.empty() || WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
  CloseHandle(h);
  return ok && put == text.size();
}

}  // namespace

uint32_t ComputeFileChecksum(const std::string& path, uint32_t* size) {
  if (size) *size = 0;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  uint32_t sum = 0, total = 0;
  uint8_t word[4];
  size_t inWord = 0;
  std::vector<uint8_t> block(4096);
  DWORD got = 0;
  while (ReadFile(h, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      word[inWord++] = block[i];
      if (inWord == 4) {
        sum ^= word[0] | (word[1] << 8) | (word[2] << 16) | (uint32_t(word[3]) << 24);
        inWord = 0;
      }
    }
    total += got;
  }
  CloseHandle(h);
  if (inWord) {
    uint32_t last = 0;
    for (size_t i = 0; i < inWord; ++i) last |= uint32_t(word[i]) << (8 * i);
    sum ^= last;
  }
  if (size) *size = total;
  return sum;
}

std::string GetFileVersionText(const std::string& path) {
  VS_FIXEDFILEINFO f{};
  if (!GetFileVersionNumbers(path, &f) || (f.dwFileVersionMS == 0 && f.dwFileVersionLS == 0)) return "";
  char buf[80];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", HIWORD(f.dwFileVersionMS), LOWORD(f.dwFileVersionMS),
                HIWORD(f.dwFileVersionLS), LOWORD(f.dwFileVersionLS));
  std::string text = buf;
  if (f.dwFileFlags & VS_FF_PATCHED) text += " PATCHED";
  else if (f.dwFileFlags & VS_FF_PRERELEASE) text += " PRE-RELEASE";
  return text;
}

int MergeValidationHistory(const std::string& workstationFile, const std::string& updateFile,
                           const std::string& description) {
  std::string uBytes;
  DWORD error = 0;
  while (!ReadBytes(updateFile, &uBytes, FILE_SHARE_READ, &error)) {
    if (error == ERROR_SHARING_VIOLATION && Message(updateFile, "File is busy. Retry?", MB_YESNO) == IDYES) continue;
    char text[400];
    std::snprintf(text, sizeof text, "Failed to open validation merge file %s (Error %u)\n", updateFile.c_str(), error);
    Message(text, "Validation File ERROR", MB_OK);
    return -2;
  }
  ValFile u, w;
  std::string wBytes;
  if (!Parse(uBytes, false, &u) || !ReadBytes(workstationFile, &wBytes, 0, nullptr) || !Parse(wBytes, true, &w))
    return -2;
  const std::string folder = FolderOfFile(workstationFile);
  const std::string ini = TheRun().workstationIni;
  char config[MAX_PATH] = {}, directory[MAX_PATH] = {};
  GetPrivateProfileStringA("Corvane Zeph Workstation", "ConfigFile", "", config, sizeof config, ini.c_str());
  GetPrivateProfileStringA("Corvane Zeph Workstation", "Directory", "C:\\ZEPH", directory, sizeof directory, ini.c_str());
  // Without the workstation's library nothing is merged, and that is said.
  if (!directory[0]) return -2;
  const std::string section = HistorySection(workstationFile);
  const int known = WsIsAppSection(directory, config, section);
  if (known < 0) return -2;
  std::string history;
  if (known == 0) history += FirstDump(w, folder);
  history += EntryStart() + "Installed: " + OneLine(description.empty() ? Description(u.head) : description) + "\n";
  int count = 0;
  for (const ValRecord& r : u.records) {
    history += MergeRecord(w, r, folder);
    ++count;
  }
  if (!WriteWhole(workstationFile, Serialise(w))) return -2;
  // The history goes through a file of its own: the ".hst" file beside the
  // validation file keeps what older workstations wrote there.
  char temp[MAX_PATH] = {};
  if (!GetTempFileNameA(TheRun().tempFolder.empty() ? "C:\\TEMP" : TheRun().tempFolder.c_str(), "hst", 0, temp) ||
      !AppendText(temp, history, true)) {
    Message("Error Merging Validation History", "Setup", MB_OK | MB_ICONERROR);
    TheRun().failed = 1;
    return count;
  }
  const int appended = WsAppendFileToSection(directory, config, temp, section);
  DeleteFileA(temp);
  if (appended == -2 || appended == -1) {
    Message("Can't find AppendFileToSection()", "Setup", MB_OK | MB_ICONERROR);
    TheRun().failed = 1;
  } else if (appended == 0) {
    Message("Error Merging Validation History", "Setup", MB_OK | MB_ICONERROR);
    TheRun().failed = 1;
  }
  return count;
}

int MergeValidationStreams(const std::string& workstationFile, const std::string& updateFile,
                           const std::string& description) {
  std::string uBytes, wBytes;
  ValFile u, w;
  const bool haveUpdate = ReadBytes(updateFile, &uBytes, FILE_SHARE_READ, nullptr) && Parse(uBytes, false, &u);
  if (!ReadBytes(workstationFile, &wBytes, 0, nullptr) || !Parse(wBytes, true, &w)) return -2;
  const std::string folder = FolderOfFile(workstationFile);
  std::string hst = workstationFile;
  const size_t dot = hst.find_last_of('.');
  if (dot != std::string::npos && dot > hst.find_last_of('\\')) hst.resize(dot);
  hst += ".hst";
  std::string history;
  if (!FileExistsPlain(hst)) history += FirstDump(w, folder);
  const std::string described = description.empty() ? (haveUpdate ? Description(u.head) : std::string()) : description;
  history += EntryStart() + "Installed: " + OneLine(described) + "\n";
  int count = 0;
  for (const ValRecord& r : haveUpdate ? u.records : std::vector<ValRecord>{}) {
    history += MergeRecord(w, r, folder);
    ++count;
  }
  if (!WriteWhole(workstationFile, Serialise(w))) return -2;
  AppendText(hst, history, false);
  return count;
}

}  // namespace setup
