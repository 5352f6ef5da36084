// Page export: text rectangles, text metafiles, the text of metafile
// pages on their grid, and pages handed to the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "page_records.h"
#include "reportpages/page_export.h"
#include "ulbrec32/page_pictures.h"
#include "viewer_fixture.h"
#include "win/win_clipboard.h"

namespace {

std::string BlockText(HGLOBAL block) {
  const char* p = static_cast<const char*>(GlobalLock(block));
  std::string s = p ? p : "";
  GlobalUnlock(block);
  return s;
}

class PageExport : public ViewerRootTest {
 protected:
  // A metafile page of 80 x 60 with the texts, as stored bits.
  std::string MetaPage(const std::vector<PageText>& texts) {
    CMPage* page = MPM_InitMetaPageMaker(&prefs_, 80, 60, 0);
    EXPECT_NE(page, nullptr);
    if (!page) return {};
    MPM_StartNewPage(page, 0);
    int16_t w = 0, h = 0;
    MPM_SelectFixedFont(page, &w, &h);
    for (const PageText& t : texts) MPM_CLTextOut(page, t.column, t.line, t.text.c_str());
    HGLOBAL block = MPM_EndPage(page);
    MPM_FreeMetaPageMaker(page);
    std::string bits(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
    return bits;
  }
};

}  // namespace

TEST(CutTextRectangle, Table) {
  const std::string grid = "ABCDEFGH\r\nIJKLMNOP\r\nQRSTUVWX\r\n";
  struct Case {
    std::string text;
    int16_t fc, cc, tc, fl, lc;
    std::string cut;
  } cases[] = {
      {grid, 1, 3, 8, 1, 2, "JKL\r\nRST\r\n"},
      {grid, 0, 8, 8, 0, 3, grid},
      {grid, 6, 5, 8, 2, 4, "WX\r\n"},
      {grid, 0, 4, 8, 5, 2, ""},
      // A line longer than the grid goes on as the next line; nothing is dropped.
      {"ABCDEFGHIJ\r\nKL\r\n", 0, 8, 8, 1, 2, "IJ\r\nKL\r\n"},
      {"AB", 0, 2, 8, 0, 1, "AB\r\n"},
      {"AB\rCD", 1, 4, 8, 0, 2, "B\r\nD\r\n"},
  };
  for (const Case& c : cases) {
    HGLOBAL block = CutTextRectangle(c.text.data(), int32_t(c.text.size()), c.fc, c.cc, c.tc, c.fl, c.lc);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), size_t(c.cc + 2) * size_t(c.lc) + 10);
    EXPECT_EQ(BlockText(block), c.cut) << c.text << " " << c.fc << "," << c.fl;
    GlobalFree(block);
  }
  EXPECT_EQ(CutTextRectangle(grid.data(), int32_t(grid.size()), -1, 3, 8, 0, 1), nullptr);
  EXPECT_EQ(CutTextRectangle(nullptr, 0, 0, 3, 8, 0, 1), nullptr);
}

// A small page whose record claims a 32767 x 32767 grid: its text comes out
// whole in a block sized by the text, never by the claimed grid.
TEST_F(PageExport, HugeClaimedGridsCostNoHugeBlocks) {
  std::string text;
  for (int i = 0; i < 9; ++i) text += "Line " + std::to_string(i) + "\r\n";
  HGLOBAL cut = CutTextRectangle(text.data(), int32_t(text.size()), 0, 32767, 32767, 0, 32767);
  ASSERT_NE(cut, nullptr);
  EXPECT_LT(GlobalSize(cut), size_t(1) << 20);
  EXPECT_EQ(BlockText(cut), text);
  GlobalFree(cut);

  HPAGEBUFFER buffer = CreatePageBuffer(5, 0, 0, 0);
  const std::string entries = std::string{2, 1, 0} + "Entry" + std::string(1, '\0') + "\xFF";
  void* entryBits = AllocBlock(uint32_t(entries.size()));
  std::memcpy(entryBits, entries.data(), entries.size());
  ASSERT_TRUE(SetBufferPage(buffer, 0, entryBits, 2, 0, 2, 32767, 32767, 0, 0, 2, 0, 0));
  ASSERT_EQ(ExportBufferPage(nullptr, EXPORT_TEXT, buffer, 0, 1, 1, 0, 32767, 32767, 0, 32767, 32767), 1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE h = GetClipboardData(CF_TEXT);
  ASSERT_NE(h, nullptr);
  EXPECT_LT(GlobalSize(h), size_t(1) << 20);
  EXPECT_EQ(BlockText(h), "\r\n  Entry\r\n");
  CloseClipboard();
  FreePageBuffer(buffer);

  // A metafile page's grid is blank-filled whole: a grid beyond any page is refused.
  const std::string meta = MetaPage({{3, 2, "Metafile text"}});
  EXPECT_EQ(MetafileTextToGrid(meta.data(), uint32_t(meta.size()), 0, 32767, 32767, 0, 32767, 32767, 32767, 32767),
            nullptr);
}

TEST(TextToMetafile, LinesDownThePage) {
  struct Case {
    int16_t lines;
    int step;
  } cases[] = {{3, 520}, {60, 520}, {80, 400}};
  for (const Case& c : cases) {
    HENHMETAFILE emf = TextToMetafile("First line\r\nSecond\r\n\r\nFourth is cut here", 9, c.lines);
    ASSERT_NE(emf, nullptr);
    std::string bits(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
    GetEnhMetaFileBits(emf, UINT(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
    DeleteEnhMetaFile(emf);
    Played p = Play(bits.data(), bits.size());
    // A line longer than the columns goes on as the next line.
    ASSERT_EQ(p.texts.size(), 6u);
    const char* expected[] = {"First lin", "e", "Second", "", "Fourth is", " cut here"};
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(p.texts[i].x, 100);
      EXPECT_EQ(p.texts[i].y, 767 + int(i) * c.step);
    }
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(p.texts[i].text, expected[i]);
  }
}

TEST_F(PageExport, MetafileTextOnTheSelectedGrid) {
  const std::string bits = MetaPage({{10, 5, "Hello"},
                                     {0, 6, "LeftLongString"},
                                     {70, 5, "beyond right"},
                                     {2, 30, "lines below"},
                                     {24, 8, "cut at the row end of the grid"}});
  ASSERT_FALSE(bits.empty());
  // Columns 5..24 and lines 4..8 of the 80 x 60 grid.
  HGLOBAL block = MetafileTextToGrid(bits.data(), uint32_t(bits.size()), 5, 20, 80, 4, 5, 60, 32767, 32767);
  ASSERT_NE(block, nullptr);
  const std::string grid = BlockText(block);
  GlobalFree(block);
  const std::string blank(40, ' ');
  auto row = [&](std::string s) { return s + blank.substr(s.size()) + "\r\n"; };
  EXPECT_EQ(grid, row("") + row("     Hello") + row("ongString") + row("") +
                      row("                   cut at the row end of"));
  // Damaged bits: records whose lengths or string offsets lie.
  std::string damaged = bits;
  for (size_t at = 108; at + 60 < damaged.size(); at += 97) damaged[at] = char(0xEE);
  HGLOBAL d = MetafileTextToGrid(damaged.data(), uint32_t(damaged.size()), 0, 80, 80, 0, 60, 60, 32767, 32767);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(GlobalSize(d), size_t(162) * 60 + 1);
  GlobalFree(d);
  EXPECT_EQ(MetafileTextToGrid(bits.data(), uint32_t(bits.size()), 0, 0, 80, 0, 5, 60, 32767, 32767), nullptr);
  EXPECT_EQ(MetafileTextToGrid(bits.data(), uint32_t(bits.size()), 0, 5, 0, 0, 5, 60, 32767, 32767), nullptr);
}

TEST_F(PageExport, PagesOfEachKindToTheClipboard) {
  HPAGEBUFFER buffer = CreatePageBuffer(5, 0, 0, 0);
  const std::string text = "Line one\r\nLine two\r\n";
  void* textBits = AllocBlock(uint32_t(text.size()));
  std::memcpy(textBits, text.data(), text.size());
  ASSERT_TRUE(SetBufferPage(buffer, 0, textBits, 0, 0, 2, 20, 2, 0, 0, 2, 0, 0));
  const std::string meta = MetaPage({{3, 2, "Metafile text"}});
  void* metaBits = AllocBlock(uint32_t(meta.size()));
  std::memcpy(metaBits, meta.data(), meta.size());
  ASSERT_TRUE(SetBufferPage(buffer, 1, metaBits, 1, 0, 2, 80, 60, 0, 0, 2, 0, 0));
  const std::string entries = std::string{2, 1, 0} + "Entry" + std::string(1, '\0') + "\xFF";
  void* entryBits = AllocBlock(uint32_t(entries.size()));
  std::memcpy(entryBits, entries.data(), entries.size());
  ASSERT_TRUE(SetBufferPage(buffer, 2, entryBits, 2, 0, 2, 20, 3, 0, 0, 2, 0, 0));

  auto clipText = [] {
    std::string s;
    if (OpenClipboard(nullptr)) {
      if (HANDLE h = GetClipboardData(CF_TEXT)) s = BlockText(h);
      CloseClipboard();
    }
    return s;
  };
  EXPECT_EQ(ExportBufferPage(nullptr, EXPORT_TEXT, buffer, 0, 1, 1, 0, 20, 20, 0, 2, 2), 1);
  EXPECT_EQ(clipText(), "Line one\r\nLine two\r\n");
  EXPECT_EQ(ExportBufferPage(nullptr, EXPORT_TEXT | EXPORT_METAFILE, buffer, 2, 1, 1, 0, 20, 20, 0, 3, 3), 2);
  EXPECT_EQ(clipText(), "\r\n  Entry\r\n");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
  EXPECT_EQ(ExportBufferPage(nullptr, EXPORT_TEXT | EXPORT_PAGE_IMAGE, buffer, 1, 1, 0, 0, 20, 80, 0, 4, 60), 2);
  const std::string g = clipText();
  ASSERT_EQ(g.size(), 4u * 42);
  EXPECT_EQ(g.substr(84, 16), "   Metafile text");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(ExportBufferPage(nullptr, EXPORT_TEXT, buffer, 7, 1, 1, 0, 20, 20, 0, 2, 2), 0);
  FreePageBuffer(buffer);
}
