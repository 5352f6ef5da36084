// libFuzzer target over what page export reads from stored pages: the
// input's first twelve bytes choose a selection (first column, column
// count, total columns, first line, line count, total lines, 16 bits
// each), the rest is a page's bytes, read as metafile bits for the grid of
// its texts, as a text page for a cut rectangle and as a text-entry page.
// The grid always holds exactly its rows, the cut fits its block and ends
// in a zero.
#include <cstdint>
#include <cstring>
#include <string>

#include "orvik32/orvik32.h"
#include "reportpages/page_export.h"
#include "testing/fuzz_support.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_stdio.h"

namespace {

int16_t Field(const uint8_t* d, int i, int limit) {
  const uint16_t v = uint16_t(d[2 * i] | (d[2 * i + 1] << 8));
  return int16_t(v % uint16_t(limit));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  const int16_t fc = Field(data, 0, 300), cc = int16_t(Field(data, 1, 300) + 1), tc = int16_t(Field(data, 2, 300) + 1);
  const int16_t fl = Field(data, 3, 200), lc = int16_t(Field(data, 4, 200) + 1), tl = int16_t(Field(data, 5, 200) + 1);
  const uint8_t* page = data + 12;
  const uint32_t n = uint32_t(size - 12);

  if (HGLOBAL grid = MetafileTextToGrid(page, n, fc, cc, tc, fl, lc, tl, 32767, 32767)) {
    const char* g = static_cast<const char*>(GlobalLock(grid));
    const size_t row = 2 * size_t(cc) + 2;
    fuzz::Check(GlobalSize(grid) == row * size_t(lc) + 1, "grid size");
    for (int l = 0; l < lc; ++l) {
      fuzz::Check(g[row * size_t(l) + row - 2] == '\r' && g[row * size_t(l) + row - 1] == '\n', "row ends");
      for (size_t k = 0; k + 2 < row; ++k) fuzz::Check(g[row * size_t(l) + k] != 0, "row filled");
    }
    fuzz::Check(g[row * size_t(lc)] == 0, "grid ends");
    GlobalUnlock(grid);
    GlobalFree(grid);
  }
  if (HGLOBAL cut = CutTextRectangle(reinterpret_cast<const char*>(page), int32_t(n), fc, cc, tc, fl, lc)) {
    const char* c = static_cast<const char*>(GlobalLock(cut));
    const size_t bytes = GlobalSize(cut);
    fuzz::Check(bytes == (size_t(cc) + 2) * size_t(lc) + 10, "cut size");
    fuzz::Check(std::memchr(c, 0, bytes) != nullptr, "cut ends");
    GlobalUnlock(cut);
    GlobalFree(cut);
  }
  void* text = nullptr;
  uint32_t length = 0;
  if (EntriesToText(page, n, tc, tl, "\r\n", &text, &length)) {
    fuzz::Check(length <= (uint32_t(tc) + 2) * uint32_t(tl), "entry text fits its grid");
    fuzz::Check(std::strlen(static_cast<const char*>(text)) <= length, "entry text ends");
    FreeBlock(text);
  }
  return 0;
}

// Seeds: a text metafile, a text page and an entry page, each with a
// selection inside its grid.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto write = [&](const std::string& name, const std::string& page) {
    const uint16_t fields[6] = {2, 20, 80, 1, 10, 60};
    std::string bytes(reinterpret_cast<const char*>(fields), sizeof fields);
    bytes += page;
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  if (HENHMETAFILE emf = TextToMetafile("Sample Report\r\n  Peak  RT  Area\r\n  1  5.012  1234\r\n", 80, 60)) {
    std::string bits(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
    GetEnhMetaFileBits(emf, UINT(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
    DeleteEnhMetaFile(emf);
    write("text-metafile", bits);
  }
  write("text-page", "Sample Report\r\n  Peak  RT  Area\r\n  1  5.012  1234\r\nno line end");
  write("entry-page", std::string("\x02\x00\x00Title\x00\x04\x03\x40" "12.5\x00\xFF", 18));
  return 0;
}
