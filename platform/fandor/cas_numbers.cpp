// CAS registry numbers as text.
#include "cas_numbers.h"

#include <cstdio>

char* FormatCASNumber(int32_t cas, char* buffer) {
  if (!buffer) return buffer;
  buffer[0] = 0;
  if (cas <= 0) return buffer;
  std::snprintf(buffer, 16, "%d-%02d-%d", cas / 1000, (cas / 10) % 100, cas % 10);
  return buffer;
}
