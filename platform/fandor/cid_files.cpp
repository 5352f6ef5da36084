// Replicate (CID) files of spectrum lists.
#include "fandor/cid_files.h"

#include <cstring>

#include "win/win_kernel.h"

std::string CAccessCIDFile::PathFor(const char* listPath) {
  std::string path = listPath ? listPath : "";
  const size_t slash = path.find_last_of("\\/");
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + ".CID";
}

BOOL CAccessCIDFile::SetEntry(const char* listPath, const uint32_t reference[2]) {
  strings_.clear();
  if (!listPath || !*listPath || !reference) return FALSE;
  const uint32_t offset = reference[0], length = reference[1];
  if (length == 0 || length > CID_MOST_ENTRY_BYTES) return FALSE;
  HANDLE h = CreateFileA(PathFor(listPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!h || h == INVALID_HANDLE_VALUE) return FALSE;
  const DWORD size = GetFileSize(h, nullptr);
  // Up to three bytes before the entry as well: an entry starts the file
  // or follows a blank line.
  const uint32_t from = offset >= 3 ? offset - 3 : 0;
  bool ok = size != INVALID_FILE_SIZE && offset <= size && length <= size - offset;
  std::string bytes;
  if (ok) {
    bytes.resize(length + (offset - from));
    OVERLAPPED at{};
    at.Offset = from;
    DWORD got = 0;
    ok = ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, &at) && got == bytes.size();
  }
  CloseHandle(h);
  if (!ok) return FALSE;
  std::string before = bytes.substr(0, offset - from);
  bytes.erase(0, offset - from);
  if (offset > 0) {
    if (before.back() != '\n') return FALSE;
    before.pop_back();
    if (!before.empty() && before.back() == '\r') before.pop_back();
    if (!(before.empty() && from == 0) && (before.empty() || before.back() != '\n')) return FALSE;
  }
  // Its lines up to the first blank one; a NUL ends the entry too.
  size_t at = 0;
  std::vector<std::string> strings;
  while (at < bytes.size() && strings.size() < CID_MOST_STRINGS) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    const size_t nul = line.find('\0');
    const bool stop = nul != std::string::npos;
    if (stop) line.resize(nul);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    size_t lead = 0;
    while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t')) ++lead;
    line.erase(0, lead);
    if (line.empty()) break;
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    if (line.size() >= CID_STRING_SIZE) line.resize(CID_STRING_SIZE - 1);
    strings.push_back(std::move(line));
    if (stop) break;
  }
  if (strings.empty()) return FALSE;
  strings_ = std::move(strings);
  return TRUE;
}

BOOL CAccessCIDFile::ReturnCIDEntryRepString(int32_t index, char* buffer) const {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  if (index < 0 || static_cast<size_t>(index) >= strings_.size()) return FALSE;
  const std::string& s = strings_[static_cast<size_t>(index)];
  std::memcpy(buffer, s.c_str(), s.size() + 1);
  return TRUE;
}
