// PNG files read back into bitmaps.
#include <cstdio>
#include <fstream>
#include <string>

#include "gdi_test_support.h"

namespace {

class PngReaderTest : public GdiTest {};

TEST_F(PngReaderTest, WrittenPicturesReadBackPixelForPixel) {
  RasterCanvas c(40, 30);
  HBRUSH red = CreateSolidBrush(RGB(200, 10, 30));
  RECT r{5, 5, 20, 25};
  FillRect(c.dc, &r, red);
  SetPixel(c.dc, 39, 29, RGB(1, 2, 3));
  ASSERT_TRUE(win::gdi::SaveBitmapPng(c.dc, "C:\\TEMP\\pic.png"));
  HBITMAP back = win::gdi::LoadBitmapPng("C:\\TEMP\\pic.png");
  ASSERT_NE(back, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, back);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(GetPixel(dc, x, y), GetPixel(c.dc, x, y)) << x << "," << y;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(back);
  DeleteObject(red);
}

TEST_F(PngReaderTest, MissingOrDamagedFilesGiveNoBitmap) {
  EXPECT_EQ(win::gdi::LoadBitmapPng("C:\\TEMP\\none.png"), nullptr);
  EXPECT_EQ(win::gdi::LoadBitmapPng(nullptr), nullptr);
  RasterCanvas c(40, 30);
  ASSERT_TRUE(win::gdi::SaveBitmapPng(c.dc, "C:\\TEMP\\cut.png"));
  const std::string host = win::paths::ToHost("C:\\TEMP\\cut.png");
  std::string bytes;
  {
    std::ifstream in(host, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::ofstream(host, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
  EXPECT_EQ(win::gdi::LoadBitmapPng("C:\\TEMP\\cut.png"), nullptr);
  std::ofstream(host, std::ios::binary | std::ios::trunc) << "not a picture";
  EXPECT_EQ(win::gdi::LoadBitmapPng("C:\\TEMP\\cut.png"), nullptr);
}

}  // namespace
