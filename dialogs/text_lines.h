#pragma once
// Texts that other producers write (method texts, logs) turned into the
// lines a list box shows: tabs as four blanks, control characters and
// bytes above 127 dropped, lines cut at 99 characters.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "win/win_types.h"

namespace kelt::dlg {

// Method texts: a run of blank lines shows as one, an empty line as two
// blanks. Reads what is left of the stream.
KELT_CLASS void AppendMethodTextLines(std::FILE* stream, std::vector<std::string>& lines);
KELT_CLASS bool ReadMethodTextFile(const char* path, std::vector<std::string>& lines);

// Log texts: CR LF, a lone CR or a lone LF ends a line; an empty line shows
// as two blanks. With acquisitionFilter only the "Acquisition Method" block
// is kept (from its banner line to the next banner, which is left out).
KELT_CLASS void AppendLogTextLines(std::FILE* stream, bool acquisitionFilter, std::vector<std::string>& lines);
KELT_CLASS bool ReadLogTextFile(const char* path, bool acquisitionFilter, std::vector<std::string>& lines);

// A text in memory (notes): CR LF and LF CR pairs end a line; a last line
// without line end is kept.
KELT_CLASS void SplitTextBlock(const char* text, size_t size, std::vector<std::string>& lines);

// Gives a list box a font and rows as high as the font's lines.
KELT_CLASS void SetListFont(HWND list, HFONT font);

// A temporary file named in the temporary folder with a three-letter
// prefix; empty when none can be named.
KELT_CLASS std::string TemporaryTextFile(const char* prefix);

}  // namespace kelt::dlg
