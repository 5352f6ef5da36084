// Page export from a page buffer and its text and metafile conversions.
#include "reportpages/page_export.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_gdi.h"
#include "win/win_stdio.h"

namespace {

// The largest text grid made for a page: far beyond a real page (300
// columns by 1,000 lines take 0.6 MB).
constexpr size_t kMaxGridBytes = size_t(16) << 20;

HGLOBAL ZeroBlock(size_t bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!h) return nullptr;
  if (void* p = GlobalLock(h)) {
    std::memset(p, 0, bytes);
    GlobalUnlock(h);
  }
  return h;
}

// Past the end of the line at i: at most limit characters up to a CR,
// then its CR LF when there is one.
int32_t SkipLine(const char* text, int32_t length, int32_t i, int32_t limit) {
  int32_t n = 0;
  while (i < length && text[i] && text[i] != '\r' && n < limit) ++i, ++n;
  if (i < length && text[i] == '\r') {
    ++i;
    if (i < length && text[i] == '\n') ++i;
  }
  return i;
}

struct TextString {
  int32_t x = 0, y = 0;
  std::string chars;
};

// The strings of one text record (8-bit or 16-bit characters), each with
// its reference point; a record whose fields reach past it gives none.
void StringsOf(const uint8_t* rec, uint32_t size, uint32_t type, std::vector<TextString>* out) {
  const bool wide = type == EMR_EXTTEXTOUTW || type == EMR_POLYTEXTOUTW;
  uint32_t count = 1, first = offsetof(EMREXTTEXTOUTA, emrtext);
  if (type == EMR_POLYTEXTOUTA || type == EMR_POLYTEXTOUTW) {
    if (size < offsetof(EMRPOLYTEXTOUTA, aemrtext)) return;
    LONG n;
    std::memcpy(&n, rec + offsetof(EMRPOLYTEXTOUTA, cStrings), 4);
    if (n <= 0) return;
    count = uint32_t(n);
    first = offsetof(EMRPOLYTEXTOUTA, aemrtext);
  }
  for (uint32_t s = 0; s < count; ++s) {
    const uint64_t at = first + uint64_t(s) * sizeof(EMRTEXT);
    if (at + sizeof(EMRTEXT) > size) return;
    EMRTEXT t;
    std::memcpy(&t, rec + at, sizeof t);
    const uint64_t bytes = uint64_t(t.nChars) * (wide ? 2 : 1);
    if (t.offString > size || bytes > size - t.offString) continue;
    TextString ts;
    ts.x = t.ptlReference.x;
    ts.y = t.ptlReference.y;
    for (uint32_t k = 0; k < t.nChars; ++k) {
      unsigned c;
      if (wide) {
        uint16_t w;
        std::memcpy(&w, rec + t.offString + 2 * k, 2);
        c = w < 256 ? w : '?';
      } else {
        c = rec[t.offString + k];
      }
      ts.chars += c < 0x20 ? ' ' : char(c);
    }
    out->push_back(std::move(ts));
  }
}

}  // namespace

HGLOBAL CutTextRectangle(const char* text, int32_t length, int16_t firstColumn, int16_t columnCount,
                         int16_t totalColumns, int16_t firstLine, int16_t lineCount) {
  if (!text || length < 0 || firstColumn < 0 || columnCount < 0 || totalColumns < 0 || firstLine < 0 ||
      lineCount < 0)
    return nullptr;
  // The grid's size; but a grid far beyond a page is cut to what the text
  // can fill (every character copied comes from the text, every line adds
  // its CR LF), so a page record claiming a huge grid costs no huge block.
  const size_t grid = (size_t(columnCount) + 2) * size_t(lineCount);
  const size_t fill = size_t(length) + 2 * size_t(lineCount);
  const size_t bytes = (grid > kMaxGridBytes && fill < grid ? fill : grid) + 10;
  HGLOBAL block = ZeroBlock(bytes);
  if (!block) return nullptr;
  char* out = static_cast<char*>(GlobalLock(block));
  size_t o = 0;
  int32_t i = 0;
  for (int l = 0; l < firstLine && i < length && text[i]; ++l) i = SkipLine(text, length, i, totalColumns);
  for (int l = 0; l < lineCount && i < length && text[i]; ++l) {
    int32_t n = 0;
    while (i < length && text[i] && text[i] != '\r' && n < firstColumn && n < totalColumns) ++i, ++n;
    int32_t copied = 0;
    while (i < length && text[i] && text[i] != '\r' && copied < columnCount && n < totalColumns) {
      if (o + 1 < bytes) out[o++] = text[i];
      ++i, ++n, ++copied;
    }
    if (o + 3 <= bytes) {
      out[o++] = '\r';
      out[o++] = '\n';
    }
    i = SkipLine(text, length, i, totalColumns - n);
  }
  GlobalUnlock(block);
  return block;
}

HENHMETAFILE TextToMetafile(const char* text, int16_t columns, int16_t lines) {
  if (!text) return nullptr;
  HDC dc = CreateTextMetaDC("Text to Meta");
  if (!dc) return nullptr;
  const bool tt = UseTrueTypeFaces();
  HFONT font = CreateFontA(520, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, 0, DEFAULT_QUALITY,
                           tt ? 0x35 : 0x31, tt ? "Courier New" : "Courier");
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const int step = lines <= 60 ? 520 : 32000 / lines;
  const int width = columns > 0 ? std::min<int>(columns, 299) : 299;
  int y = 767;
  size_t i = 0;
  while (text[i]) {
    size_t n = 0;
    while (text[i + n] && text[i + n] != '\r' && int(n) < width) ++n;
    TextMetaOut(dc, 100, y, text + i, int(n));
    y += step;
    i += n;
    if (text[i] == '\r') {
      ++i;
      if (text[i] == '\n') ++i;
    }
  }
  if (old) SelectObject(dc, old);
  HENHMETAFILE emf = CloseTextMetaDC(dc);
  if (font) DeleteObject(font);
  return emf;
}

HGLOBAL MetafileTextToGrid(const void* bits, uint32_t size, int16_t firstColumn, int16_t columnCount,
                           int16_t totalColumns, int16_t firstLine, int16_t lineCount, int16_t totalLines,
                           int32_t pageWidth, int32_t pageHeight) {
  if (!bits || firstColumn < 0 || columnCount <= 0 || totalColumns <= 0 || firstLine < 0 || lineCount <= 0 ||
      totalLines <= 0 || pageWidth <= 0 || pageHeight <= 0)
    return nullptr;
  const size_t rowBytes = 2 * size_t(columnCount) + 2;
  const size_t bytes = rowBytes * size_t(lineCount) + 1;
  // The grid is blank-filled whole, so it cannot shrink to the page's text;
  // a selection beyond any real page is refused instead of costing gigabytes.
  if (bytes > kMaxGridBytes) return nullptr;
  HGLOBAL block = ZeroBlock(bytes);
  if (!block) return nullptr;
  char* grid = static_cast<char*>(GlobalLock(block));
  for (int l = 0; l < lineCount; ++l) {
    std::memset(grid + rowBytes * size_t(l), ' ', rowBytes - 2);
    grid[rowBytes * size_t(l) + rowBytes - 2] = '\r';
    grid[rowBytes * size_t(l) + rowBytes - 1] = '\n';
  }
  const int64_t x0 = int64_t(firstColumn) * pageWidth / totalColumns;
  const int64_t x1 = int64_t(firstColumn + columnCount) * pageWidth / totalColumns;
  const int64_t y0 = int64_t(firstLine) * pageHeight / totalLines;
  const int64_t y1 = int64_t(firstLine + lineCount) * pageHeight / totalLines;
  const auto* p = static_cast<const uint8_t*>(bits);
  uint32_t at = 0;
  while (size >= 8 && at <= size - 8) {
    uint32_t type, length;
    std::memcpy(&type, p + at, 4);
    std::memcpy(&length, p + at + 4, 4);
    if (length < 8 || length > size - at) break;
    if (type == EMR_EOF) break;
    if (type == EMR_EXTTEXTOUTA || type == EMR_EXTTEXTOUTW || type == EMR_POLYTEXTOUTA || type == EMR_POLYTEXTOUTW) {
      std::vector<TextString> strings;
      StringsOf(p + at, length, type, &strings);
      for (const auto& s : strings) {
        // The string's reach: its start and one page column a character.
        const int64_t right = s.x + int64_t(s.chars.size()) * pageWidth / totalColumns;
        if (s.y < y0 || s.y >= y1 || right <= x0 || s.x >= x1) continue;
        // To the nearest column: the page puts column c at c x width / columns
        // truncated, which truncating back would read as c - 1.
        const int64_t column =
            std::clamp<int64_t>((int64_t(s.x) * totalColumns + pageWidth / 2) / pageWidth, 0, totalColumns - 1);
        const int64_t line = std::clamp<int64_t>(
            int64_t((double(s.y) - 600.0) * totalLines / 32000.0 + 0.5), 0, totalLines - 1);
        const int64_t row = line - firstLine;
        // Strings outside the selection are left out, characters before
        // its first column or past the row's end are cut.
        if (row < 0 || row >= lineCount) continue;
        for (size_t k = 0; k < s.chars.size(); ++k) {
          const int64_t c = column - firstColumn + int64_t(k);
          if (c < 0) continue;
          if (c >= int64_t(rowBytes) - 2) break;
          grid[rowBytes * size_t(row) + size_t(c)] = s.chars[k];
        }
      }
    }
    at += length;
  }
  GlobalUnlock(block);
  return block;
}

int32_t ExportBufferPage(HWND target, int16_t flags, void* pageBuffer, int16_t pageIndex, int32_t, int16_t copyFlag,
                         int16_t firstColumn, int16_t columnCount, int16_t totalColumns, int16_t firstLine,
                         int16_t lineCount, int16_t totalLines) {
  const void* bits = nullptr;
  uint32_t size = 0;
  PAGE_BUFFER_PAGE_INFO info{};
  if (!ReadBufferPage(pageBuffer, pageIndex, &bits, &size, &info, nullptr)) return 0;
  const int32_t width = info.logicalWidth > 0 ? info.logicalWidth : 32767;
  const int32_t height = info.logicalHeight > 0 ? info.logicalHeight : 32767;
  HENHMETAFILE emf = nullptr;
  HGLOBAL text = nullptr;
  auto fromText = [&](const char* t, uint32_t length) {
    HGLOBAL cut = CutTextRectangle(t, int32_t(length), firstColumn, columnCount, totalColumns, firstLine, lineCount);
    if (!cut) return;
    if (flags & EXPORT_METAFILE) {
      const char* c = static_cast<const char*>(GlobalLock(cut));
      emf = TextToMetafile(c, columnCount, lineCount);
      GlobalUnlock(cut);
    }
    if (flags & EXPORT_TEXT) text = cut;
    else GlobalFree(cut);
  };
  switch (info.kind) {
    case 1:
      if (flags & EXPORT_METAFILE) emf = CopyPageMetafile(bits, size, copyFlag == 0);
      if (flags & EXPORT_TEXT)
        text = MetafileTextToGrid(bits, size, firstColumn, columnCount, totalColumns, firstLine, lineCount,
                                  totalLines, width, height);
      break;
    case 0:
      if (flags & (EXPORT_METAFILE | EXPORT_TEXT)) fromText(static_cast<const char*>(bits), size);
      break;
    case 2:
      if (flags & (EXPORT_METAFILE | EXPORT_TEXT)) {
        void* entries = nullptr;
        uint32_t length = 0;
        if (EntriesToText(bits, size, totalColumns, totalLines, "\r\n", &entries, &length)) {
          fromText(static_cast<const char*>(entries), length);
          FreeBlock(entries);
        }
      }
      break;
    default: return 0;
  }
  HANDLE prepared = (flags & (EXPORT_WINDOW_IMAGE | EXPORT_PAGE_IMAGE))
                        ? PrepareExportTarget(target, flags, pageBuffer, pageIndex)
                        : nullptr;
  return HandOverExport(target, prepared, emf, text, int16_t(width), int16_t(height));
}
