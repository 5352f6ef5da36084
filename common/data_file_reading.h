#pragma once
// Small readers shared by the work-file and trace code: the first bytes of
// a plain file and whole sections of a sectioned file.
#include <cstdint>
#include <vector>

namespace kelt::datafile {

// Reads up to count bytes from the start of a file (shared read, existing
// file); the number read, or -1 when the file cannot be opened. fileSize
// receives the file's length when given.
int64_t ReadFilePrefix(const char* path, void* buffer, uint32_t count, uint64_t* fileSize);

// Reads a whole section in chunks of at most 4,000 bytes; false when it is
// missing or a read comes up short.
bool ReadWholeSection(const char* path, const char* name, std::vector<uint8_t>& out);

// Converts a wide text of at most maxChars characters (stopping at its NUL)
// to the ANSI code page into a field of fieldSize bytes, NUL-terminated in
// its last byte and NUL-padded.
void WideToField(const char16_t* text, int maxChars, char* field, int fieldSize);

// Copies a NUL-terminated or fixed-width text of at most maxChars bytes
// into a field of fieldSize bytes, NUL-padded and NUL-terminated.
void TextToField(const char* text, int maxChars, char* field, int fieldSize);

}  // namespace kelt::datafile
