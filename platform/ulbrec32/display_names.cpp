// Display forms of file names.
#include <cstring>

#include "ulbrec32/ulbrec32.h"

ULBREC_API int32_t MakeDisplayFileName(const char* source, char* destination) {
  if (!destination) return 0;
  size_t len = strnlen(destination, ULBREC_DISPLAY_NAME_SIZE - 1);
  destination[len] = '\0';
  if (!source) return static_cast<int32_t>(len);
  for (const char* s = source; *s && len + 1 < ULBREC_DISPLAY_NAME_SIZE; ++s) {
    destination[len++] = *s == '/' ? '\\' : *s;
  }
  destination[len] = '\0';
  return static_cast<int32_t>(len);
}
