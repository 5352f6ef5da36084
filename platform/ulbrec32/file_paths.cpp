// Path splitting for the file dialogs.
#include "ulbrec32/file_paths.h"

#include <cstring>
#include <string>

namespace {
void Put(char* to, const std::string& from) {
  if (!to) return;
  const size_t n = from.size() < 259 ? from.size() : 259;
  std::memcpy(to, from.data(), n);
  to[n] = 0;
}
}  // namespace

int32_t SplitFilePath(const char* path, char* folder, char* name, char* extension) {
  Put(folder, "");
  Put(name, "");
  Put(extension, "");
  if (!path) return 0;
  const std::string p(path, strnlen(path, 4096));
  const size_t slash = p.find_last_of("\\/:");
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::string file = p.substr(start);
  const size_t dot = file.find_last_of('.');
  Put(folder, p.substr(0, start));
  Put(name, dot == std::string::npos ? file : file.substr(0, dot));
  Put(extension, dot == std::string::npos ? std::string() : file.substr(dot));
  return 1;
}
