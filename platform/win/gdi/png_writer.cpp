// PNG files of raster bitmaps, for tests and the host.
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device_context.h"
#include "win_paths.h"

namespace win::gdi {

namespace {
bool WritePng(const BitmapObject& bmp, const std::string& host) {
  if (bmp.width <= 0 || bmp.height <= 0) return false;
  std::string tmp = host + ".tmp~";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = false;
  std::vector<png_byte> row(size_t(bmp.width) * 3);
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(bmp.width), png_uint_32(bmp.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < bmp.height; ++y) {
      const Pixel* src = bmp.Row(y);
      for (int32_t x = 0; x < bmp.width; ++x) {
        row[size_t(x) * 3] = png_byte(src[x] >> 16);
        row[size_t(x) * 3 + 1] = png_byte(src[x] >> 8);
        row[size_t(x) * 3 + 2] = png_byte(src[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  bool closed = std::fclose(f) == 0;
  ok = closed && ok;
  if (ok && std::rename(tmp.c_str(), host.c_str()) == 0) return true;
  std::remove(tmp.c_str());
  return false;
}
}  // namespace

bool SaveBitmapPng(HBITMAP bitmap, const char* winPath) {
  auto bmp = Lookup<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp || !winPath) return false;
  return WritePng(*bmp, win::paths::ToHost(winPath));
}

bool SaveBitmapPng(HDC dc, const char* winPath) {
  auto d = Lookup<DeviceContext>(dc, OBJ_DC);
  if (!d || !winPath || !d->device() || !d->device()->Raster()) return false;
  return WritePng(*d->device()->Raster(), win::paths::ToHost(winPath));
}

}  // namespace win::gdi
