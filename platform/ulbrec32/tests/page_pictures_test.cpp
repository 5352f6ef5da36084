// Page buffer slots, entry pages as text, black-and-white copies of
// metafile pages and pages drawn into bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_gdi.h"
#include "win/win_metafile.h"
#include "win/win_user.h"

namespace {

void* Block(const std::string& bytes) {
  void* b = AllocBlock(uint32_t(bytes.size()));
  std::memcpy(b, bytes.data(), bytes.size());
  return b;
}

std::string Entry(int column, int line, const std::string& text) {
  return std::string{char(column), char(line), char(0)} + text + std::string(1, '\0');
}

std::string Text(void* block, uint32_t length) { return std::string(static_cast<const char*>(block), length); }

}  // namespace

TEST(PageBufferSlots, OwnReleaseAndTurn) {
  HPAGEBUFFER b = CreatePageBuffer(5, 0, 0, 0);
  ASSERT_NE(b, nullptr);
  void* page = Block("page bits");
  // A slot past the next one, and bits that are no allocator block, are refused.
  EXPECT_FALSE(SetBufferPage(b, 1, page, 1, 0, 2, 80, 60, 2, 0, 4, 0, 0));
  EXPECT_FALSE(SetBufferPage(b, 0, page, 1, 0, 2, 80, 60, 7, 0, 4, 0, 0));
  ASSERT_TRUE(SetBufferPage(b, 0, page, 1, 0, 2, 80, 60, 2, 1, 4, 0, 0));
  const void* bytes = nullptr;
  uint32_t size = 0;
  PAGE_BUFFER_PAGE_INFO info{};
  int16_t colour = 0;
  ASSERT_TRUE(ReadBufferPage(b, 0, &bytes, &size, &info, &colour));
  EXPECT_EQ(bytes, page);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(colour, 4);
  EXPECT_EQ(info.orientation, 2);
  EXPECT_TRUE(SetBufferPageAttribute(b, 0, 2, 3));
  EXPECT_FALSE(SetBufferPageAttribute(b, 0, 1, 3));
  ASSERT_TRUE(ReadBufferPage(b, 0, nullptr, nullptr, &info, nullptr));
  EXPECT_EQ(info.orientation, 3);
  // Replacing the slot frees the old page (the sanitizer sees a leak else).
  ASSERT_TRUE(SetBufferPage(b, 0, Block("second"), 0, 0, 2, 80, 60, 0, 0, 2, 0, 0));
  EXPECT_EQ(CountBufferPages(b, 2), 1);
  EXPECT_TRUE(ReleaseBufferPage(b, 0, 1));
  EXPECT_FALSE(ReadBufferPage(b, 0, &bytes, nullptr, nullptr, nullptr));
  EXPECT_TRUE(ReleaseBufferPage(b, -1, 0));
  EXPECT_EQ(CountBufferPages(b, 2), 0);
  ASSERT_TRUE(SetBufferPage(b, 0, Block("kept until the buffer goes"), 1, 0, 2, 80, 60, 0, 0, 2, 0, 0));
  FreePageBuffer(b);
}

TEST(EntryPages, TextOfTheGrid) {
  struct Case {
    std::string entries;
    int16_t columns, lines;
    std::string text;
  } cases[] = {
      {Entry(2, 0, "Title") + Entry(0, 2, "a") + Entry(5, 2, "b") + "\xFF", 20, 10, "  Title\r\n\r\na    b\r\n"},
      // Past the grid's width the text is cut; lines past the grid are left out.
      {Entry(6, 0, "abcdef") + Entry(0, 9, "gone") + "\xFF", 8, 4, "      ab\r\n"},
      // No end mark and a text without its zero: read up to the bytes given.
      {Entry(0, 1, "x") + std::string{char(1), char(0), char(0), 'y', 'z'}, 10, 3, " yz\r\nx\r\n"},
      {"\xFF", 10, 3, ""},
  };
  for (const Case& c : cases) {
    void* text = nullptr;
    uint32_t length = 99;
    ASSERT_TRUE(EntriesToText(c.entries.data(), uint32_t(c.entries.size()), c.columns, c.lines, "\r\n", &text, &length));
    EXPECT_EQ(Text(text, length), c.text);
    FreeBlock(text);
  }
  void* bits = Block(Entry(1, 0, "via the block") + "\xFF");
  void* text = nullptr;
  uint32_t length = 0;
  ASSERT_TRUE(PageToText(bits, 80, 66, "\n", 1, &text, &length));
  EXPECT_EQ(Text(text, length), " via the block\n");
  FreeBlock(text);
  FreeBlock(bits);
}

TEST(PagePictures, MonochromeCopyAndDrawnPages) {
  HDC meta = CreateTextMetaDC("colours");
  ASSERT_NE(meta, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(meta, red);
  Rectangle(meta, 0, 0, 32767, 16000);
  SelectObject(meta, old);
  DeleteObject(red);
  HENHMETAFILE emf = CloseTextMetaDC(meta);
  ASSERT_NE(emf, nullptr);
  std::vector<BYTE> bits(GetEnhMetaFileBits(emf, 0, nullptr));
  GetEnhMetaFileBits(emf, UINT(bits.size()), bits.data());
  DeleteEnhMetaFile(emf);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 85, 110);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  const RECT all{0, 0, 85, 110};
  ASSERT_TRUE(DrawPageBits(dc, &all, bits.data(), uint32_t(bits.size()), 1, 80, 60, 2));
  EXPECT_EQ(GetPixel(dc, 40, 20), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 40, 100), RGB(255, 255, 255));
  ASSERT_TRUE(DrawPageBits(dc, &all, bits.data(), uint32_t(bits.size()), 1, 80, 60, 0));
  const COLORREF grey = GetPixel(dc, 40, 20);
  EXPECT_EQ(GetRValue(grey), GetGValue(grey));
  EXPECT_EQ(GetGValue(grey), GetBValue(grey));
  EXPECT_LT(GetRValue(grey), 255);
  // A text page: dark pixels where its text stands, none below it.
  const std::string text = "HHHHHHHHHH\r\nHHHHHHHHHH\r\n";
  ASSERT_TRUE(DrawPageBits(dc, &all, text.data(), uint32_t(text.size()), 0, 20, 10, 2));
  int dark = 0, darkBelow = 0;
  for (int y = 0; y < 110; ++y)
    for (int x = 0; x < 85; ++x)
      if (GetRValue(GetPixel(dc, x, y)) < 128) (y < 40 ? dark : darkBelow)++;
  EXPECT_GT(dark, 20);
  EXPECT_EQ(darkBelow, 0);
  // Damaged metafile bits draw nothing and say so.
  EXPECT_FALSE(DrawPageBits(dc, &all, "not a metafile", 14, 1, 80, 60, 2));
  EXPECT_FALSE(DrawPageBits(dc, &all, text.data(), uint32_t(text.size()), 9, 80, 60, 2));
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}
