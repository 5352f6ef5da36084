// libFuzzer target over the viewer's page buffers: the input's first 28
// bytes are a stored page's record words (kind, columns, lines,
// orientation, font flag, colour mode, logical width and height) and a
// selection (first column, column count, total columns, first line, line
// count, total lines), each 16 bits over its whole range; the rest is the
// page's content. The page goes into a buffer as the viewer puts it there,
// is read back, turned into text, drawn and copied out as text and picture.
// Nothing faults; the buffer hands back the bytes it was given; no copied
// text costs more than a bound far beyond any real page.
#include <cstdint>
#include <cstring>
#include <string>

#include "orvik32/orvik32.h"
#include "reportpages/page_export.h"
#include "testing/fuzz_support.h"
#include "ulbrec32/page_buffer.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_clipboard.h"
#include "win/win_gdi.h"

namespace {

int16_t Word(const uint8_t* d, int i) { return int16_t(uint16_t(d[2 * i] | d[2 * i + 1] << 8)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 28) return 0;
  const int16_t kind = Word(data, 0), columns = Word(data, 1), lines = Word(data, 2);
  const int16_t width = Word(data, 6), height = Word(data, 7);
  const uint8_t* content = data + 28;
  const uint32_t length = uint32_t(size - 28);
  HPAGEBUFFER buffer = CreatePageBuffer(5, 0, 0, 0);
  if (!buffer) return 0;
  void* bits = AllocBlock(length ? length : 1);
  if (!bits) {
    FreePageBuffer(buffer);
    return 0;
  }
  if (length) std::memcpy(bits, content, length);
  if (!SetBufferPage(buffer, 0, bits, kind, 0, 2, columns, lines, Word(data, 3), Word(data, 4), Word(data, 5), width,
                     height)) {
    FreeBlock(bits);
    FreePageBuffer(buffer);
    return 0;
  }
  const void* back = nullptr;
  uint32_t backSize = 0;
  PAGE_BUFFER_PAGE_INFO info{};
  fuzz::Check(ReadBufferPage(buffer, 0, &back, &backSize, &info, nullptr) != 0, "a page put is not read back");
  fuzz::Check(back && backSize >= length && (length == 0 || std::memcmp(back, content, length) == 0),
              "the buffer hands back other bytes");
  void* text = nullptr;
  uint32_t textLength = 0;
  if (PageToText(back, columns, lines, "\r\n", 1, &text, &textLength)) {
    fuzz::Check(text && GetBlockSize(text) > textLength, "a page text longer than its block");
    FreeBlock(text);
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 120, 160);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT r{0, 0, 120, 160};
  DrawPageBits(dc, &r, back, backSize, kind, columns, lines, Word(data, 5));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  const int16_t fc = Word(data, 8), cc = Word(data, 9), tc = Word(data, 10), fl = Word(data, 11), lc = Word(data, 12),
                tl = Word(data, 13);
  if (ExportBufferPage(nullptr, EXPORT_TEXT | EXPORT_METAFILE, buffer, 0, 1, 1, fc, cc, tc, fl, lc, tl) &&
      OpenClipboard(nullptr)) {
    if (HANDLE h = GetClipboardData(CF_TEXT)) fuzz::Check(GlobalSize(h) <= (size_t(32) << 20), "a huge copied text");
    EmptyClipboard();
    CloseClipboard();
  }
  FreePageBuffer(buffer);
  return 0;
}

// Seeds: a text page, an entry page and a text page claiming a huge grid.
extern "C" int KeltFuzzSeeds(const char* folder) {
  auto write = [&](const char* name, const int16_t (&words)[14], const std::string& content) {
    std::string bytes(reinterpret_cast<const char*>(words), sizeof words);
    bytes += content;
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  write("text", {0, 20, 2, 0, 0, 2, 0, 0, 0, 20, 20, 0, 2, 2}, "Line one\r\nLine two\r\n");
  write("entries", {2, 20, 3, 0, 0, 2, 0, 0, 0, 20, 20, 0, 3, 3},
        std::string{2, 1, 0} + "Entry" + std::string(1, '\0') + "\xFF");
  write("huge-grid", {0, 32767, 32767, 0, 0, 2, 0, 0, 0, 32767, 32767, 0, 32767, 32767},
        std::string(101, 'h'));
  return 0;
}
