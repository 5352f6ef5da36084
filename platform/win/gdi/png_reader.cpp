// Raster bitmaps read back from PNG files, for comparisons with stored pictures.
#include <png.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device_context.h"
#include "gdi_objects.h"
#include "win_paths.h"

namespace win::gdi {

HBITMAP LoadBitmapPng(const char* winPath) {
  if (!winPath) return nullptr;
  FILE* f = std::fopen(win::paths::ToHost(winPath).c_str(), "rb");
  if (!f) return nullptr;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  // What a longjmp may leave half-done lives outside this frame's automatics.
  struct State {
    std::shared_ptr<BitmapObject> bmp;
    std::vector<png_byte> row;
    bool failed = false;
  };
  const auto state = std::make_unique<State>();
  auto& bmp = state->bmp;
  auto& row = state->row;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_read_info(png, info);
    // Any PNG as 8-bit RGB: palettes expanded, grey widened, alpha dropped.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (w > 0 && h > 0 && int64_t(w) * int64_t(h) <= kMaxBitmapPixels && png_get_rowbytes(png, info) == w * 3) {
      bmp = NewBitmap(int32_t(w), int32_t(h), 32);
      row.resize(size_t(w) * 3);
      for (png_uint_32 y = 0; bmp && y < h; ++y) {
        png_read_row(png, row.data(), nullptr);
        Pixel* out = bmp->Row(int32_t(y));
        for (png_uint_32 x = 0; x < w; ++x)
          out[x] = Pixel(row[3 * x]) << 16 | Pixel(row[3 * x + 1]) << 8 | Pixel(row[3 * x + 2]);
      }
    }
  } else {
    state->failed = true;  // a damaged file
  }
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  std::fclose(f);
  if (state->failed || !state->bmp) return nullptr;
  return reinterpret_cast<HBITMAP>(Register(state->bmp));
}

}  // namespace win::gdi
