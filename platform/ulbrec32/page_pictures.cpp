// Pages as pictures and text: drawing stored pages, text metafiles,
// entry pages as text, monochrome copies, clipboard hand-over and picture
// files.
#include "ulbrec32/page_pictures.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "ulbrec32/ulbrec32.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_clipboard.h"
#include "win/win_commdlg.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

constexpr int kPageUnits = 32767;
// Letter paper in hundredths of a millimetre.
constexpr int kLetterWidth = 21590, kLetterHeight = 27940;

int RowCount(int16_t lines) { return lines > 0 ? lines : 66; }
int ColumnCount(int16_t columns) { return columns > 0 ? columns : 80; }

// The rows of an entry page: a grid filled entry by entry; entries outside
// the grid are cut to it or left out. Rows and columns are made only as far
// as the entries reach, so a page record claiming a huge grid costs nothing.
std::vector<std::string> EntryRows(const uint8_t* bytes, uint32_t size, int columns, int lines) {
  std::vector<std::string> rows;
  for (uint32_t i = 0; i + 3 <= size && bytes[i] != 0xFF;) {
    const int column = bytes[i], line = bytes[i + 1];
    uint32_t end = i + 3;
    while (end < size && bytes[end]) ++end;
    const uint32_t start = i + 3;
    i = end + 1;
    if (line >= lines || column >= columns) continue;
    if (rows.size() <= size_t(line)) rows.resize(size_t(line) + 1);
    std::string& row = rows[size_t(line)];
    for (uint32_t k = start; k < end && column + int(k - start) < columns; ++k) {
      const char c = char(bytes[k]);
      const size_t at = size_t(column) + (k - start);
      if (row.size() <= at) row.resize(at + 1, ' ');
      row[at] = uint8_t(c) < 0x20 ? ' ' : c;
    }
  }
  for (auto& r : rows) r.erase(r.find_last_not_of(' ') + 1);
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}

// The rows of a text-line page: lines end at CR LF (a lone CR or LF too)
// or at the grid's width.
std::vector<std::string> TextRows(const char* text, uint32_t size, int columns) {
  std::vector<std::string> rows;
  std::string line;
  bool open = false;
  for (uint32_t i = 0; i < size && text[i]; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
      rows.push_back(line);
      line.clear();
      open = false;
      continue;
    }
    line += uint8_t(c) < 0x20 ? ' ' : c;
    open = true;
    if (int(line.size()) >= columns) {
      rows.push_back(line);
      line.clear();
      open = false;
    }
  }
  if (open) rows.push_back(line);
  return rows;
}

COLORREF Grey(COLORREF c) {
  const int y = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
  return RGB(y, y, y);
}
COLORREF Ink(COLORREF c) { return Grey(c) == RGB(255, 255, 255) ? c : RGB(0, 0, 0); }

void PatchColour(std::vector<uint8_t>& b, size_t at, COLORREF (*how)(COLORREF)) {
  if (at + 4 > b.size()) return;
  COLORREF c;
  std::memcpy(&c, &b[at], 4);
  c = how(c & 0xFFFFFF) | (c & 0xFF000000);
  std::memcpy(&b[at], &c, 4);
}

// Pens and texts turn black (white stays), brushes grey.
void MakeMonochrome(std::vector<uint8_t>& b) {
  size_t at = 0;
  while (at + 8 <= b.size()) {
    uint32_t type, size;
    std::memcpy(&type, &b[at], 4);
    std::memcpy(&size, &b[at + 4], 4);
    if (size < 8 || size % 4 || size > b.size() - at) return;
    switch (type) {
      case EMR_SETTEXTCOLOR: PatchColour(b, at + 8, Ink); break;
      case EMR_CREATEPEN: if (size >= 28) PatchColour(b, at + 24, Ink); break;
      case EMR_CREATEBRUSHINDIRECT: if (size >= 24) PatchColour(b, at + 16, Grey); break;
      case EMR_EXTCREATEPEN: if (size >= 40) PatchColour(b, at + 36, Ink); break;
      default: break;
    }
    if (type == EMR_EOF) return;
    at += size;
  }
}

HFONT GridFont(int height, int width) {
  const bool tt = UseTrueTypeFaces();
  return CreateFontA(height, width, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, 0, DEFAULT_QUALITY,
                     tt ? 0x35 : 0x31, tt ? "Courier New" : "Courier");
}

void DrawRows(HDC dc, const RECT& r, const std::vector<std::string>& rows, int columns, int lines) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  // A margin of one cell round the grid.
  const int cellH = std::max(1, h / (lines + 2));
  const int cellW = std::max(1, w / (columns + 2));
  HFONT font = GridFont(cellH, std::min(cellW, cellH));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (size_t i = 0; i < rows.size() && int(i) < lines + 1; ++i) {
    const std::string& s = rows[i];
    const int y = r.top + cellH * (int(i) + 1);
    for (size_t k = 0; k < s.size() && int(k) < columns; ++k)
      if (s[k] != ' ') TextOutA(dc, r.left + cellW * (int(k) + 1), y, &s[k], 1);
  }
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
}

HDC ScreenReference() { return GetDC(nullptr); }

}  // namespace

BOOL FormatPathForDisplay(const char* path, char* name) {
  if (!name) return FALSE;
  name[0] = 0;
  if (!path) return FALSE;
  MakeDisplayFileName(path, name);
  return TRUE;
}

BOOL EntriesToText(const void* bytes, uint32_t size, int16_t columns, int16_t lines, const char* lineEnd,
                   void** text, uint32_t* length) {
  if (text) *text = nullptr;
  if (length) *length = 0;
  if (!bytes || !text) return FALSE;
  const std::string end = lineEnd ? lineEnd : "\r\n";
  std::string out;
  for (const auto& row : EntryRows(static_cast<const uint8_t*>(bytes), size, ColumnCount(columns), RowCount(lines)))
    out += row + end;
  void* block = AllocBlock(uint32_t(out.size() + 1));
  if (!block) return FALSE;
  std::memcpy(block, out.data(), out.size());
  *text = block;
  if (length) *length = uint32_t(out.size());
  return TRUE;
}

BOOL PageToText(const void* bits, int16_t columns, int16_t lines, const char* lineEnd, int16_t, void** text,
                uint32_t* length) {
  return EntriesToText(bits, bits ? GetBlockSize(bits) : 0, columns, lines, lineEnd, text, length);
}

BOOL UseTrueTypeFaces() { return IsTrueTypeAvailable(); }

HDC CreateTextMetaDC(const char* description) {
  HDC ref = ScreenReference();
  const RECT frame{0, 0, kLetterWidth, kLetterHeight};
  // A description is a list of texts ended by an empty one.
  std::string text = description ? description : "";
  text.append(2, '\0');
  HDC dc = CreateEnhMetaFileA(ref, nullptr, &frame, text.c_str());
  if (dc) {
    // Device units of the reference over the Letter page.
    const int hres = GetDeviceCaps(ref, HORZRES), hsize = std::max(1, GetDeviceCaps(ref, HORZSIZE));
    const int vres = GetDeviceCaps(ref, VERTRES), vsize = std::max(1, GetDeviceCaps(ref, VERTSIZE));
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, kPageUnits, kPageUnits, nullptr);
    SetViewportExtEx(dc, int(int64_t(hres) * kLetterWidth / (hsize * 100)),
                     int(int64_t(vres) * kLetterHeight / (vsize * 100)), nullptr);
    SetBkMode(dc, TRANSPARENT);
  }
  ReleaseDC(nullptr, ref);
  return dc;
}

BOOL TextMetaOut(HDC dc, int x, int y, const char* text, int length) {
  return dc && text && length >= 0 ? TextOutA(dc, x, y, text, length) : FALSE;
}

HENHMETAFILE CloseTextMetaDC(HDC dc) { return dc ? CloseEnhMetaFile(dc) : nullptr; }

HENHMETAFILE CopyPageMetafile(const void* bits, uint32_t size, BOOL monochrome) {
  if (!bits || size < sizeof(ENHMETAHEADER)) return nullptr;
  if (!monochrome) return SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(bits), static_cast<const uint8_t*>(bits) + size);
  MakeMonochrome(copy);
  return SetEnhMetaFileBits(size, copy.data());
}

BOOL DrawPageBits(HDC dc, const RECT* rect, const void* bits, uint32_t size, int16_t kind, int16_t columns,
                  int16_t lines, int16_t colourMode) {
  if (!dc || !rect || !bits || rect->right <= rect->left || rect->bottom <= rect->top) return FALSE;
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  FillRect(dc, rect, white);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
  BOOL ok = TRUE;
  if (kind == 1) {
    HENHMETAFILE emf = CopyPageMetafile(bits, size, colourMode == 0);
    ok = emf && PlayEnhMetaFile(dc, emf, rect);
    if (emf) DeleteEnhMetaFile(emf);
  } else if (kind == 0) {
    DrawRows(dc, *rect, TextRows(static_cast<const char*>(bits), size, ColumnCount(columns)), ColumnCount(columns),
             RowCount(lines));
  } else if (kind == 2) {
    DrawRows(dc, *rect,
             EntryRows(static_cast<const uint8_t*>(bits), size, ColumnCount(columns), RowCount(lines)),
             ColumnCount(columns), RowCount(lines));
  } else {
    ok = FALSE;
  }
  RestoreDC(dc, saved);
  return ok;
}

BOOL DrawPageMetafile(HDC dc, HENHMETAFILE emf, int16_t display, int16_t, int16_t, int32_t width, int32_t height,
                      POINT origin, SIZE extent, const RECT* viewport) {
  if (!dc || !emf || width <= 0 || height <= 0 || extent.cx <= 0 || extent.cy <= 0 || !viewport) return FALSE;
  // The whole page in device units: played unmapped, so that its texts
  // scale with it as its lines do.
  const int64_t vw = viewport->right - viewport->left, vh = viewport->bottom - viewport->top;
  if (vw <= 0 || vh <= 0) return FALSE;
  const RECT page{int(viewport->left - int64_t(origin.x) * vw / extent.cx),
                  int(viewport->top - int64_t(origin.y) * vh / extent.cy),
                  int(viewport->left + (int64_t(width) - origin.x) * vw / extent.cx),
                  int(viewport->top + (int64_t(height) - origin.y) * vh / extent.cy)};
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, viewport->left, viewport->top, viewport->right, viewport->bottom);
  BOOL ok;
  if (display != 0) {
    ok = PlayEnhMetaFile(dc, emf, &page);
  } else {
    const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<uint8_t> bytes(size);
    if (size) GetEnhMetaFileBits(emf, size, bytes.data());
    HENHMETAFILE mono = size ? CopyPageMetafile(bytes.data(), size, TRUE) : nullptr;
    ok = mono && PlayEnhMetaFile(dc, mono, &page);
    if (mono) DeleteEnhMetaFile(mono);
  }
  RestoreDC(dc, saved);
  return ok;
}

namespace {

// The page at 100 pixels an inch, on Letter paper turned as the page says.
HBITMAP PageBitmap(const void* bits, uint32_t size, int16_t kind, int16_t columns, int16_t lines,
                   int16_t orientation, int16_t colourMode) {
  bool landscape = orientation == 1 || orientation == 3;
  if (orientation < 0 && kind == 1 && size >= sizeof(ENHMETAHEADER)) {
    // Unknown: a metafile page is turned as its frame is.
    ENHMETAHEADER head;
    std::memcpy(&head, bits, sizeof head);
    landscape = head.rclFrame.right - head.rclFrame.left > head.rclFrame.bottom - head.rclFrame.top;
  }
  const int w = landscape ? 1100 : 850, h = landscape ? 850 : 1100;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  if (!dc || !bmp) {
    if (dc) DeleteDC(dc);
    if (bmp) DeleteObject(bmp);
    return nullptr;
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT all{0, 0, w, h};
  const BOOL ok = DrawPageBits(dc, &all, bits, size, kind, columns, lines, colourMode);
  SelectObject(dc, old);
  DeleteDC(dc);
  if (!ok) {
    DeleteObject(bmp);
    return nullptr;
  }
  return bmp;
}

}  // namespace

HANDLE PrepareExportTarget(HWND target, int16_t flags, HPAGEBUFFER buffer, int32_t index) {
  if (flags & 1) {
    RECT rc{};
    if (!target || !GetClientRect(target, &rc) || rc.right <= 0 || rc.bottom <= 0) return nullptr;
    HDC window = GetDC(target);
    HDC dc = CreateCompatibleDC(window);
    HBITMAP bmp = CreateCompatibleBitmap(window, rc.right, rc.bottom);
    if (dc && bmp) {
      HGDIOBJ old = SelectObject(dc, bmp);
      BitBlt(dc, 0, 0, rc.right, rc.bottom, window, 0, 0, SRCCOPY);
      SelectObject(dc, old);
    }
    if (dc) DeleteDC(dc);
    ReleaseDC(target, window);
    return bmp;
  }
  if (flags & 8) {
    const void* bits = nullptr;
    uint32_t size = 0;
    PAGE_BUFFER_PAGE_INFO info{};
    int16_t colour = 2;
    if (!ReadBufferPage(buffer, index, &bits, &size, &info, &colour)) return nullptr;
    return PageBitmap(bits, size, info.kind, info.columns, info.lines, info.orientation, colour);
  }
  return nullptr;
}

int32_t HandOverExport(HWND target, HANDLE prepared, HENHMETAFILE emf, HGLOBAL text, int16_t, int16_t) {
  if (!OpenClipboard(target)) {
    if (prepared) DeleteObject(prepared);
    if (emf) DeleteEnhMetaFile(emf);
    if (text) GlobalFree(text);
    return 0;
  }
  EmptyClipboard();
  int32_t placed = 0;
  if (prepared) {
    if (SetClipboardData(CF_BITMAP, prepared)) ++placed;
    else DeleteObject(prepared);
  }
  if (emf) {
    if (SetClipboardData(CF_ENHMETAFILE, emf)) ++placed;
    else DeleteEnhMetaFile(emf);
  }
  if (text) {
    if (SetClipboardData(CF_TEXT, text)) ++placed;
    else GlobalFree(text);
  }
  CloseClipboard();
  return placed;
}

BOOL SavePictureToFile(HWND owner, HGLOBAL block, int16_t kind, int16_t colourMode, int16_t, int16_t) {
  if (!block) return FALSE;
  const size_t size = GlobalSize(block);
  const void* bits = GlobalLock(block);
  if (!bits || !size) return FALSE;
  // The stored page is copied: the block stays the caller's.
  std::vector<uint8_t> bytes(static_cast<const uint8_t*>(bits), static_cast<const uint8_t*>(bits) + size);
  GlobalUnlock(block);
  char file[MAX_PATH] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kind == 1 ? "PNG Picture (*.png)\0*.png\0Enhanced Metafile (*.emf)\0*.emf\0"
                              : "PNG Picture (*.png)\0*.png\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = "Save Page As Picture";
  ofn.lpstrDefExt = "png";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&ofn)) return FALSE;
  std::string name = file;
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  if (kind == 1 && lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".emf") == 0) {
    HENHMETAFILE emf = CopyPageMetafile(bytes.data(), uint32_t(bytes.size()), colourMode == 0);
    if (!emf) return FALSE;
    HENHMETAFILE copy = CopyEnhMetaFileA(emf, name.c_str());
    DeleteEnhMetaFile(emf);
    if (!copy) return FALSE;
    DeleteEnhMetaFile(copy);
    return TRUE;
  }
  // Columns and lines are not known here: text pages take the usual grid.
  HBITMAP bmp = PageBitmap(bytes.data(), uint32_t(bytes.size()), kind, 0, 0, -1, colourMode);
  if (!bmp) return FALSE;
  const bool ok = win::gdi::SaveBitmapPng(bmp, name.c_str());
  DeleteObject(bmp);
  return ok ? TRUE : FALSE;
}
