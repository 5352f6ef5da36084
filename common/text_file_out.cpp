// Whole-then-rename text files and temporary files.
#include "common/text_file_out.h"

#include <cstring>

#include "win/win_kernel.h"
#include "win/win_stdio.h"

namespace kelt::textfile {

namespace {

std::string FolderOf(const char* path) {
  char full[MAX_PATH + 1] = {};
  char* filePart = nullptr;
  DWORD n = GetFullPathNameA(path, sizeof full, full, &filePart);
  if (n == 0 || n >= sizeof full) return {};
  std::string f = full;
  size_t cut = f.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : f.substr(0, cut + 1);
}

}  // namespace

OutputFile::~OutputFile() { Abandon(); }

void OutputFile::Abandon() {
  if (m_stream) std::fclose(m_stream);
  m_stream = nullptr;
  if (!m_temp.empty()) DeleteFileA(m_temp.c_str());
  m_temp.clear();
}

bool OutputFile::Open(const char* path) {
  Abandon();
  if (!path || !*path) return false;
  std::string folder = FolderOf(path);
  if (folder.empty()) return false;
  char temp[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder.c_str(), "~kt", 0, temp)) return false;
  m_temp = temp;
  m_stream = win::crt::OpenStream(temp, "w+t");
  if (!m_stream) {
    Abandon();
    return false;
  }
  m_path = path;
  return true;
}

bool OutputFile::Commit() {
  if (!m_stream) return false;
  const long written = std::ftell(m_stream);
  const bool failed = std::fflush(m_stream) != 0 || std::ferror(m_stream);
  const bool closed = std::fclose(m_stream) == 0;
  m_stream = nullptr;
  if (written <= 0 || failed || !closed) {
    if (written == 0 && !failed) DeleteFileA(m_path.c_str());
    Abandon();
    return false;
  }
  if (!MoveFileExA(m_temp.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    Abandon();
    return false;
  }
  m_temp.clear();
  return true;
}

std::string MakeTempFile(const char* prefix) {
  char folder[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) return {};
  char name[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder, prefix, 0, name)) return {};
  return name;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  char chunk[8192];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, chunk, sizeof chunk, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(chunk, got);
  }
  CloseHandle(h);
  return ok;
}

void Put(FILE* f, const char* text, bool& ok) {
  if (std::fputs(text, f) < 0) ok = false;
}

}  // namespace kelt::textfile
