#pragma once
// Faces and glyphs through FreeType. Metrics come from the font files in
// design units, unhinted, so measurements are the same on every machine that
// has the same DejaVu files.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>
#include "win_gdi.h"
#include "win_glyph_cache.h"

namespace win::gdi {

struct FontFace {
  std::string path;
  void* ftFace = nullptr;       // FT_Face used for our own glyph rendering
  void* ftFaceCairo = nullptr;  // a second FT_Face reserved for the PDF back end
  int unitsPerEm = 2048;
  int winAscent = 0, winDescent = 0, lineGap = 0;
  int avgWidth = 0, maxAdvance = 0;
  int underlinePos = 0, underlineThickness = 0, strikePos = 0, strikeSize = 0;
  bool fixedPitch = false;
  uint16_t advance[256] = {};   // design units, by ANSI code
  uint32_t glyph[256] = {};     // glyph index, by ANSI code
};

// The face standing in for a logical font (family by face name, pitch and
// character set; bold and oblique by weight and italic). Null when no font
// file can be loaded.
const FontFace* FaceForLogFont(const LOGFONTA& lf);

// Serialises every use of FreeType (the library and faces are not thread-safe).
std::mutex& FontMutex();

struct GlyphImage {
  int left = 0, top = 0;  // offset of the image from the origin, top is upwards
  int width = 0, height = 0;
  std::vector<uint8_t> coverage;  // width*height, 0..255
};

// The part of the device a glyph may show in, in pixels relative to the
// glyph's origin (x rightwards, y downwards).
struct GlyphWindow {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
};

// Renders a glyph at em size and transform (call with FontMutex held).
// Small glyphs are rendered whole and cached (the cache is bounded by
// bytes); a big one is rendered only where it meets the window, into
// scratch (valid until the next call). Null when nothing of it is visible.
// stretchX stretches the turned glyph along the device's x axis (a picture
// played into a rectangle of another shape).
const GlyphImage* RenderGlyph(const FontFace* face, uint32_t glyph, double emPixels,
                              double widthScale, double angle, const GlyphWindow& window, double stretchX = 1.0);


// Unicode of an ANSI (Windows-1252) byte.
uint32_t AnsiToUnicode(uint8_t c);

}  // namespace win::gdi
