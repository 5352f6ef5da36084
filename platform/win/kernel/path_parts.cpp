// Splitting paths into drive, folder, name and extension, and back.
#include <cstring>
#include <string>
#include <string_view>

#include "win_kernel.h"

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

void Put(char* out, size_t size, std::string_view part) {
  if (!out) return;
  size_t n = part.size() < size ? part.size() : size - 1;
  if (n) std::memcpy(out, part.data(), n);
  out[n] = '\0';
}

}  // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
  std::string_view rest = path ? std::string_view(path, strnlen(path, 4096)) : std::string_view();
  std::string_view d;
  if (rest.size() >= 2 && rest[1] == ':') {
    d = rest.substr(0, 2);
    rest.remove_prefix(2);
  }
  size_t cut = rest.find_last_of("\\/");
  std::string_view folder = cut == std::string_view::npos ? std::string_view() : rest.substr(0, cut + 1);
  std::string_view name = cut == std::string_view::npos ? rest : rest.substr(cut + 1);
  size_t dot = name.find_last_of('.');
  std::string_view e = dot == std::string_view::npos ? std::string_view() : name.substr(dot);
  std::string_view base = name.substr(0, name.size() - e.size());
  Put(drive, _MAX_DRIVE, d);
  Put(dir, _MAX_DIR, folder);
  Put(fname, _MAX_FNAME, base);
  Put(ext, _MAX_EXT, e);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext) {
  if (!path) return;
  std::string out;
  if (drive && *drive) {
    out += drive[0];
    out += ':';
  }
  if (dir && *dir) {
    out += dir;
    if (!IsSep(out.back())) out += '\\';
  }
  if (fname) out += fname;
  if (ext && *ext) {
    if (ext[0] != '.') out += '.';
    out += ext;
  }
  Put(path, _MAX_PATH, out);
}

SHORT GetFileTitleA(LPCSTR file, LPSTR title, WORD size) {
  if (!file) return -1;
  std::string_view path(file, strnlen(file, 4096));
  size_t cut = path.find_last_of("\\/:");
  std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
  if (name.empty() || name.find_first_of("*?\"<>|") != std::string_view::npos) return -1;
  if (name.size() >= 0x7FFF) return -1;
  if (!title || size <= name.size()) return static_cast<SHORT>(name.size() + 1);
  std::memcpy(title, name.data(), name.size());
  title[name.size()] = '\0';
  return 0;
}
