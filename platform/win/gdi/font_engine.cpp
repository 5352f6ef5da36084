// FreeType faces for the logical fonts, glyph images for the raster back end.
#include "font_engine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include FT_BITMAP_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#ifndef KELT_FONT_DIR
#define KELT_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace win::gdi {

namespace {
FT_Library g_library = nullptr;
std::map<std::string, std::unique_ptr<FontFace>>& Faces() {
  static auto* faces = new std::map<std::string, std::unique_ptr<FontFace>>();
  return *faces;
}

const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

FT_Face OpenFace(const std::string& path) {
  FT_Face face = nullptr;
  if (FT_New_Face(g_library, path.c_str(), 0, &face) != 0) return nullptr;
  return face;
}

FontFace* LoadFace(const std::string& file) {
  auto& faces = Faces();
  auto it = faces.find(file);
  if (it != faces.end()) return it->second.get();
  if (!g_library && FT_Init_FreeType(&g_library) != 0) return nullptr;
  std::string path = std::string(KELT_FONT_DIR) + "/" + file;
  FT_Face face = OpenFace(path);
  if (!face) {
    faces[file] = nullptr;
    return nullptr;
  }
  auto f = std::make_unique<FontFace>();
  f->path = path;
  f->ftFace = face;
  f->unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (os2 && os2->version != 0xFFFF) {
    f->winAscent = os2->usWinAscent;
    f->winDescent = os2->usWinDescent;
    f->avgWidth = os2->xAvgCharWidth;
    f->strikePos = os2->yStrikeoutPosition;
    f->strikeSize = os2->yStrikeoutSize;
  } else {
    f->winAscent = face->ascender;
    f->winDescent = -face->descender;
  }
  if (hhea) {
    f->lineGap = hhea->Line_Gap;
    f->maxAdvance = hhea->advance_Width_Max;
  }
  f->underlinePos = face->underline_position;
  f->underlineThickness = face->underline_thickness;
  if (f->strikeSize <= 0) f->strikeSize = f->underlineThickness;
  if (f->strikePos <= 0) f->strikePos = f->winAscent / 3;
  f->fixedPitch = FT_IS_FIXED_WIDTH(face);
  for (int c = 0; c < 256; ++c) {
    FT_UInt gi = FT_Get_Char_Index(face, AnsiToUnicode(uint8_t(c)));
    if (gi == 0 && c >= 0x20) gi = FT_Get_Char_Index(face, '?');
    FT_Fixed adv = 0;
    if (gi) FT_Get_Advance(face, gi, FT_LOAD_NO_SCALE, &adv);
    f->glyph[c] = gi;
    f->advance[c] = uint16_t(std::clamp<FT_Fixed>(adv, 0, 65535));
  }
  if (f->avgWidth <= 0) f->avgWidth = f->advance['x'];
  f->ftFaceCairo = OpenFace(path);
  auto* raw = f.get();
  faces[file] = std::move(f);
  return raw;
}

struct GlyphKey {
  const FontFace* face;
  uint32_t glyph;
  int64_t em64;
  int32_t scale1000, angleMilli, stretch1000;
  bool operator<(const GlyphKey& o) const {
    return std::tie(face, glyph, em64, scale1000, angleMilli, stretch1000) <
           std::tie(o.face, o.glyph, o.em64, o.scale1000, o.angleMilli, o.stretch1000);
  }
};
std::map<GlyphKey, GlyphImage>& GlyphCache() {
  static auto* cache = new std::map<GlyphKey, GlyphImage>();
  return *cache;
}
// Bounded by the bytes the images hold, not their number: a few glyphs at
// a huge size would otherwise keep gigabytes.
constexpr size_t kGlyphCacheBytes = size_t(32) << 20;
// Glyphs up to this many pixels are rendered whole and cached.
constexpr int64_t kWholeGlyphPixels = int64_t(1) << 18;
size_t g_cacheBytes = 0;
GlyphImage& Scratch() {
  static auto* img = new GlyphImage();
  return *img;
}

size_t Footprint(const GlyphImage& img) { return img.coverage.size() + sizeof(GlyphImage) + 64; }

void Remember(const GlyphKey& key, GlyphImage img, const GlyphImage** out) {
  auto& cache = GlyphCache();
  const size_t bytes = Footprint(img);
  if (g_cacheBytes + bytes > kGlyphCacheBytes) {
    cache.clear();
    g_cacheBytes = 0;
  }
  g_cacheBytes += bytes;
  *out = &(cache[key] = std::move(img));
}

// Renders the part [x0,x1) x [y0,y1) of a loaded outline (pixels, y up)
// into img, with the smooth rasteriser that FT_Render_Glyph uses.
bool RenderPart(FT_Outline* outline, int64_t x0, int64_t y0, int64_t x1, int64_t y1, GlyphImage& img) {
  img.width = int(x1 - x0);
  img.height = int(y1 - y0);
  img.left = int(x0);
  img.top = int(y1);
  img.coverage.assign(size_t(img.width) * size_t(img.height), 0);
  FT_Bitmap bm;
  FT_Bitmap_Init(&bm);
  bm.width = unsigned(img.width);
  bm.rows = unsigned(img.height);
  bm.pitch = img.width;
  bm.buffer = img.coverage.data();
  bm.num_grays = 256;
  bm.pixel_mode = FT_PIXEL_MODE_GRAY;
  FT_Outline_Translate(outline, FT_Pos(-x0 * 64), FT_Pos(-y0 * 64));
  bool ok = FT_Outline_Get_Bitmap(g_library, outline, &bm) == 0;
  FT_Outline_Translate(outline, FT_Pos(x0 * 64), FT_Pos(y0 * 64));
  return ok;
}
}  // namespace

size_t GlyphCacheBytes() {
  std::lock_guard lock(FontMutex());
  return g_cacheBytes;
}

size_t GlyphCacheLimitBytes() { return kGlyphCacheBytes; }

std::mutex& FontMutex() {
  static auto* m = new std::mutex();
  return *m;
}

uint32_t AnsiToUnicode(uint8_t c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
  return c;
}

const FontFace* FaceForLogFont(const LOGFONTA& lf) {
  char name[LF_FACESIZE + 1] = {};
  std::memcpy(name, lf.lfFaceName, LF_FACESIZE);
  enum { Sans, Serif, Mono } family = Sans;
  static const char* kMono[] = {"Courier New", "Courier", "Fixedsys", "Terminal",
                                "Lucida Console", "Consolas", "System Fixed", "OEM Fixed"};
  static const char* kSerif[] = {"Times New Roman", "Times", "MS Serif", "Roman", "Georgia",
                                 "Century Schoolbook", "Book Antiqua", "Garamond"};
  for (auto* m : kMono)
    if (EqualNoCase(name, m)) family = Mono;
  for (auto* s : kSerif)
    if (EqualNoCase(name, s)) family = Serif;
  if (name[0] == 0) {
    if ((lf.lfPitchAndFamily & 3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN ||
        lf.lfCharSet == OEM_CHARSET)
      family = Mono;
    else if ((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN)
      family = Serif;
  }
  bool bold = lf.lfWeight >= FW_SEMIBOLD;
  bool italic = lf.lfItalic != 0;
  std::string file;
  switch (family) {
    case Sans: file = "DejaVuSans"; break;
    case Serif: file = "DejaVuSerif"; break;
    case Mono: file = "DejaVuSansMono"; break;
  }
  const char* slant = family == Serif ? "Italic" : "Oblique";
  if (bold && italic) file += std::string("-Bold") + slant;
  else if (bold) file += "-Bold";
  else if (italic) file += std::string("-") + slant;
  file += ".ttf";
  std::lock_guard lock(FontMutex());
  const FontFace* f = LoadFace(file);
  if (!f) f = LoadFace("DejaVuSans.ttf");
  return f;
}

const GlyphImage* RenderGlyph(const FontFace* face, uint32_t glyph, double emPixels,
                              double widthScale, double angle, const GlyphWindow& window, double stretchX) {
  if (!face || !face->ftFace || !(emPixels > 0) || emPixels > 20000) return nullptr;
  if (window.right <= window.left || window.bottom <= window.top) return nullptr;
  GlyphKey key{face, glyph, int64_t(std::llround(emPixels * 64)),
               int32_t(std::lround(widthScale * 1000)), int32_t(std::lround(angle * 1000)),
               int32_t(std::lround(stretchX * 1000))};
  auto& cache = GlyphCache();
  auto it = cache.find(key);
  if (it != cache.end()) return &it->second;
  FT_Face ft = static_cast<FT_Face>(face->ftFace);
  if (FT_Set_Char_Size(ft, 0, FT_F26Dot6(std::max<int64_t>(key.em64, 1)), 72, 72) != 0)
    return nullptr;
  double c = std::cos(angle), s = std::sin(angle);
  FT_Matrix m;
  // Turned first, then stretched along x.
  const double k = double(key.stretch1000) / 1000;
  m.xx = FT_Fixed(k * c * widthScale * 65536);
  m.xy = FT_Fixed(-k * s * 65536);
  m.yx = FT_Fixed(s * widthScale * 65536);
  m.yy = FT_Fixed(c * 65536);
  FT_Set_Transform(ft, &m, nullptr);
  const GlyphImage* out = nullptr;
  GlyphImage img;
  if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
      ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
    // The outline's box (pixels, y up), a pixel wider than any image of it.
    FT_BBox box;
    FT_Outline_Get_CBox(&ft->glyph->outline, &box);
    const int64_t bx0 = (box.xMin >> 6) - 1, bx1 = ((box.xMax + 63) >> 6) + 1;
    const int64_t by0 = (box.yMin >> 6) - 1, by1 = ((box.yMax + 63) >> 6) + 1;
    // The window in the same terms: y up, so its bottom is -window.bottom.
    const int64_t vx0 = std::max(bx0, window.left), vx1 = std::min(bx1, window.right);
    const int64_t vy0 = std::max(by0, -window.bottom), vy1 = std::min(by1, -window.top);
    if (vx0 >= vx1 || vy0 >= vy1) {
      // Outside the window: nothing drawn, nothing kept.
    } else if ((bx1 - bx0) * (by1 - by0) <= kWholeGlyphPixels) {
      if (FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_NORMAL) == 0) {
        const FT_Bitmap& bm = ft->glyph->bitmap;
        img.left = ft->glyph->bitmap_left;
        img.top = ft->glyph->bitmap_top;
        img.width = int(bm.width);
        img.height = int(bm.rows);
        img.coverage.resize(size_t(img.width) * size_t(img.height));
        if (img.width > 0) {
          for (int y = 0; y < img.height; ++y)
            std::memcpy(img.coverage.data() + size_t(y) * img.width, bm.buffer + ptrdiff_t(y) * bm.pitch,
                        size_t(img.width));
        }
        Remember(key, std::move(img), &out);
      }
    } else if (RenderPart(&ft->glyph->outline, vx0, vy0, vx1, vy1, Scratch())) {
      out = &Scratch();
    }
  }
  FT_Set_Transform(ft, nullptr, nullptr);
  return out;
}

}  // namespace win::gdi
