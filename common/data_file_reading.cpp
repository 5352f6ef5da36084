// Small readers shared by the work-file and trace code.
#include "common/data_file_reading.h"

#include <algorithm>
#include <cstring>

#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "win/win_locale.h"

namespace kelt::datafile {

int64_t ReadFilePrefix(const char* path, void* buffer, uint32_t count, uint64_t* fileSize) {
  if (!path || !buffer) return -1;
  // Through the store: a kernel open and close of a file the store holds
  // locks on would drop them.
  return ::ReadFileStart(path, buffer, count, fileSize);
}

bool ReadWholeSection(const char* path, const char* name, std::vector<uint8_t>& out) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return false;
  bool ok = false;
  try {
    const uint32_t size = GetSectionSize(s);
    if (size != 0xFFFFFFFFu && SeekSection(s, 0, 0) == 0) {
      out.assign(size, 0);
      ok = true;
      for (uint32_t at = 0; ok && at < size;) {
        const uint32_t chunk = std::min<uint32_t>(size - at, 4000);
        ok = ReadSection(s, out.data() + at, chunk) == chunk;
        at += chunk;
      }
    }
  } catch (...) {
    ok = false;
  }
  CloseSection(s);
  return ok;
}

void WideToField(const char16_t* text, int maxChars, char* field, int fieldSize) {
  std::memset(field, 0, static_cast<size_t>(fieldSize));
  if (!text || maxChars <= 0 || fieldSize <= 1) return;
  int n = 0;
  while (n < maxChars && text[n]) ++n;
  if (n == 0) return;
  int written = WideCharToMultiByte(CP_ACP, 0, text, n, field, fieldSize - 1, nullptr, nullptr);
  if (written <= 0) {
    // The text does not fit whole: convert character by character.
    written = 0;
    for (int i = 0; i < n; ++i) {
      char one[8];
      int k = WideCharToMultiByte(CP_ACP, 0, text + i, 1, one, sizeof one, nullptr, nullptr);
      if (k <= 0 || written + k > fieldSize - 1) break;
      std::memcpy(field + written, one, static_cast<size_t>(k));
      written += k;
    }
  }
  field[fieldSize - 1] = '\0';
}

void TextToField(const char* text, int maxChars, char* field, int fieldSize) {
  std::memset(field, 0, static_cast<size_t>(fieldSize));
  if (!text || maxChars <= 0 || fieldSize <= 1) return;
  const size_t n = strnlen(text, static_cast<size_t>(std::min(maxChars, fieldSize - 1)));
  std::memcpy(field, text, n);
}

}  // namespace kelt::datafile
