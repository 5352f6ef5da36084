#include "common/list_text_helpers.h"

#include <cstring>
#include <vector>

#include "win/win_crt.h"
#include "win/win_locale.h"

namespace kelt::text {

std::string WideToAnsi(const char16_t* wide, size_t maxChars) {
  if (!wide || maxChars == 0) return {};
  // Texts inside packed records may sit at odd addresses: copy them first.
  std::vector<char16_t> aligned(maxChars);
  std::memcpy(aligned.data(), wide, maxChars * sizeof(char16_t));
  size_t n = 0;
  while (n < maxChars && aligned[n]) ++n;
  if (n == 0) return {};
  std::vector<char> buf(n * 4 + 1);
  int got = WideCharToMultiByte(CP_ACP, 0, aligned.data(), static_cast<int>(n), buf.data(),
                                static_cast<int>(buf.size() - 1), nullptr, nullptr);
  if (got <= 0) return {};
  return std::string(buf.data(), static_cast<size_t>(got));
}

bool EqualsNoCase(const char* a, const char* b) {
  if (!a || !b) return false;
  return _stricmp(a, b) == 0;
}

void CopyBounded(char* out, size_t size, const std::string& text) {
  if (!out || size < 1) return;
  size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace kelt::text
