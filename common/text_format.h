#pragma once
// printf into a std::string, for the library's own texts (up to 1023
// characters; longer results are cut).
#include <cstdarg>
#include <cstdio>
#include <string>

namespace kelt::text {

inline std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
inline std::string Format(const char* fmt, ...) {
  char buf[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

}  // namespace kelt::text
