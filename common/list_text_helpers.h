#pragma once
// Small text helpers shared by the list, scan-function and title code.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelt::text {

// A wide text of at most maxChars characters (it may lack its NUL) in the
// ANSI code page.
std::string WideToAnsi(const char16_t* wide, size_t maxChars);
bool EqualsNoCase(const char* a, const char* b);
// Copies at most size - 1 characters and terminates; nothing when size < 1.
void CopyBounded(char* out, size_t size, const std::string& text);

}  // namespace kelt::text
