// Text: realising the selected logical font, measuring, and laying out text
// output with alignment, background, clipping and per-character advances.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "device_context.h"
#include "font_engine.h"
#include "metafile.h"

namespace win::gdi {

namespace {
// How much a picture being played stretches x against y: text laid out in
// the picture keeps its shape there and is stretched with the rest of it,
// as a world transform would, so that its glyphs fit its advances.
double OuterStretch(const AxisMap& outer) {
  const double ox = std::fabs(outer.sx), oy = std::fabs(outer.sy);
  if (!(ox > 0) || !(oy > 0) || !std::isfinite(ox / oy)) return 1.0;
  return std::clamp(ox / oy, 0.01, 100.0);
}
}  // namespace

TextFont DeviceContext::RealizeFont() const {
  TextFont f;
  const LOGFONTA& lf = state_.font->font;
  f.face = state_.font->face.load(std::memory_order_acquire);
  if (!f.face) {
    f.face = FaceForLogFont(lf);
    state_.font->face.store(f.face, std::memory_order_release);
  }
  AxisMap m = Map();
  double asx = std::fabs(m.sx), asy = std::fabs(m.sy);
  if (asx == 0 || asy == 0) asx = asy = 1;
  // Logical x per logical y as the picture itself maps them, before a
  // playback's stretch.
  f.xPerY = asy / asx * OuterStretch(state_.outer);
  f.underline = lf.lfUnderline != 0;
  f.strikeOut = lf.lfStrikeOut != 0;
  f.weight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  f.italic = lf.lfItalic != 0;
  f.angle = std::fmod(double(lf.lfEscapement), 3600.0) / 10.0 * M_PI / 180.0;
  if (!f.face) return f;
  double cell = double(f.face->winAscent + f.face->winDescent) / f.face->unitsPerEm;
  double h = double(lf.lfHeight);
  if (lf.lfHeight < 0) f.em = -h;
  else if (lf.lfHeight > 0) f.em = h / cell;
  else f.em = 16.0 / asy / cell;  // the system's default cell height, 16 pixels
  f.em = std::min(f.em, double(kCoordLimit));
  if (lf.lfWidth != 0 && f.face->avgWidth > 0 && f.em > 0) {
    double natural = f.face->avgWidth * f.Scale() * f.xPerY;
    f.widthScale = std::clamp(std::fabs(double(lf.lfWidth)) / natural, 0.01, 100.0);
  }
  return f;
}

SIZE DeviceContext::MeasureText(const TextFont& font, const char* text, int count) const {
  double w = 0;
  for (int i = 0; i < count; ++i) w += font.Advance(uint8_t(text[i])) + state_.charExtra;
  double asc = font.face ? std::floor(font.face->winAscent * font.Scale() + 0.5) : 0;
  double desc = font.face ? std::floor(font.face->winDescent * font.Scale() + 0.5) : 0;
  return {SaturateLong(w), SaturateLong(asc + desc)};
}

bool DeviceContext::TextMetrics(TEXTMETRICA& tm) const {
  TextFont f = RealizeFont();
  std::memset(&tm, 0, sizeof(tm));
  if (!f.face) return false;
  const LOGFONTA& lf = state_.font->font;
  double s = f.Scale();
  tm.tmAscent = SaturateLong(f.face->winAscent * s);
  tm.tmDescent = SaturateLong(f.face->winDescent * s);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - SaturateLong(f.em));
  tm.tmExternalLeading = SaturateLong(f.face->lineGap * s);
  tm.tmAveCharWidth = SaturateLong(f.face->avgWidth * s * f.widthScale * f.xPerY);
  tm.tmMaxCharWidth = SaturateLong(f.face->maxAdvance * s * f.widthScale * f.xPerY);
  tm.tmWeight = f.weight;
  tm.tmDigitizedAspectX = caps_.dpiX;
  tm.tmDigitizedAspectY = caps_.dpiY;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  // The fixed-pitch bit set means a variable-pitch font, as documented.
  BYTE family = f.face->fixedPitch ? FF_MODERN : (lf.lfPitchAndFamily & 0xF0) ? (lf.lfPitchAndFamily & 0xF0) : FF_SWISS;
  tm.tmPitchAndFamily = BYTE(family | TMPF_VECTOR | TMPF_TRUETYPE | (f.face->fixedPitch ? 0 : TMPF_FIXED_PITCH));
  tm.tmCharSet = lf.lfCharSet;
  return true;
}

namespace {
void PutText(std::vector<uint8_t>& r, size_t textOff, const char* text, size_t count,
             size_t dxOff, const std::vector<LONG>& dx) {
  // No text (FillSolidRect records an opaque empty text) copies nothing:
  // the pointers may be null then.
  if (count) std::memcpy(r.data() + textOff, text, count);
  if (!dx.empty()) std::memcpy(r.data() + dxOff, dx.data(), dx.size() * 4);
}
}  // namespace

bool DeviceContext::TextOut(int x, int y, UINT options, const RECT* rect, const char* text,
                            int count, const INT* dx) {
  if (count < 0 || (count > 0 && !text)) return false;
  count = std::min(count, 1 << 20);
  TextFont font = RealizeFont();
  UINT align = state_.textAlign;
  bool updateCp = (align & TA_UPDATECP) != 0;
  if (updateCp) {
    x = state_.position.x;
    y = state_.position.y;
  }
  // Advances in logical units, as recorded and as drawn.
  std::vector<LONG> adv(static_cast<size_t>(count));
  double pos = 0;
  for (int i = 0; i < count; ++i) {
    double a = dx ? double(dx[i]) : font.Advance(uint8_t(text[i])) + state_.charExtra;
    // Rounded cumulatively so the sum of the advances is the rounded width.
    LONG before = SaturateLong(pos);
    pos += a;
    adv[size_t(i)] = SaturateLong(pos) - before;
  }
  double width = 0;
  for (LONG a : adv) width += a;

  AxisMap m = Map();
  double asx = std::fabs(m.sx), asy = std::fabs(m.sy);
  double c = std::cos(font.angle), s = std::sin(font.angle);
  // The text is laid out unstretched, in units of asy each way (baseline
  // direction and "down"), and then stretched along the device's x by a
  // picture being played into a rectangle of another shape.
  const double stretch = OuterStretch(state_.outer);
  PointF ux{c, -s}, down{s, c};
  PointF ref = m.Apply(ClampCoord(int64_t(x)), ClampCoord(int64_t(y)));
  double devWidth = width * asx / stretch;
  double along = 0;
  switch (align & TA_CENTER) {
    case TA_CENTER: along = -devWidth / 2; break;
    case TA_RIGHT: along = -devWidth; break;
    default: break;
  }
  double scaleDev = font.Scale() * asy;
  double ascent = font.face ? std::floor(font.face->winAscent * scaleDev + 0.5) : 0;
  double descent = font.face ? std::floor(font.face->winDescent * scaleDev + 0.5) : 0;
  double drop = 0;
  switch (align & TA_BASELINE) {
    case TA_BASELINE: drop = 0; break;
    case TA_BOTTOM: drop = -descent; break;
    default: drop = ascent; break;
  }
  auto at = [&](double a, double d) {
    a += along;
    d += drop;
    return PointF{ref.x + (ux.x * a + down.x * d) * stretch, ref.y + ux.y * a + down.y * d};
  };
  std::vector<PointF> cell{at(0, -ascent), at(devWidth, -ascent), at(devWidth, descent),
                           at(0, descent)};
  IntRect bounds;
  {
    double l = 1e300, t = 1e300, r = -1e300, b = -1e300;
    for (auto& p : cell) { l = std::min(l, p.x); r = std::max(r, p.x); t = std::min(t, p.y); b = std::max(b, p.y); }
    bounds = {ClampCoord(std::floor(l)), ClampCoord(std::floor(t)), ClampCoord(std::ceil(r)), ClampCoord(std::ceil(b))};
  }
  IntRect optRect = rect ? ToDeviceRect(*rect) : IntRect{};

  if (recorder_) {
    const size_t fixed = sizeof(EMREXTTEXTOUTA);
    size_t textOff = fixed, textLen = (size_t(count) + 3) & ~size_t(3);
    size_t dxOff = textOff + textLen;
    std::vector<uint8_t> r(dxOff + size_t(count) * 4);
    EMREXTTEXTOUTA h{};
    h.emr.iType = EMR_EXTTEXTOUTA;
    IntRect rb = bounds;
    if (rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) rb = (options & ETO_CLIPPED) ? rb.Intersected(optRect) : rb.United(optRect);
    h.rclBounds = {rb.left, rb.top, rb.right - 1, rb.bottom - 1};
    h.iGraphicsMode = DWORD(state_.graphicsMode);
    h.exScale = h.eyScale = float(100.0 * caps_.horzSizeMm / std::max(1, caps_.horzRes));
    h.emrtext.ptlReference = {x, y};
    h.emrtext.nChars = DWORD(count);
    h.emrtext.offString = DWORD(textOff);
    h.emrtext.fOptions = options;
    h.emrtext.rcl = rect ? *rect : RECT{0, 0, -1, -1};
    h.emrtext.offDx = DWORD(dxOff);
    std::memcpy(r.data(), &h, fixed);
    PutText(r, textOff, text, size_t(count), dxOff, adv);
    recorder_->AppendRecord(std::move(r));
    recorder_->AddBounds(rb);
  }
  if (updateCp && (align & TA_CENTER) == TA_LEFT) {
    state_.position.x = ClampCoord(int64_t(state_.position.x) + int64_t(width));
  }
  if (!device_) return true;

  const Region* clip = Clip();
  std::optional<Region> limited;
  if ((options & ETO_CLIPPED) && rect) {
    limited = clip ? clip->Combined(Region(optRect), RegionOp::And) : Region(optRect);
    clip = &*limited;
  }
  Paint bk;
  bk.color = PixelFromColorRef(state_.bkColor);
  if ((options & ETO_OPAQUE) && rect) device_->FillRect(optRect, bk, R2_COPYPEN, Clip());
  if (state_.bkMode == OPAQUE && count > 0) device_->FillPolygons({cell}, false, bk, R2_COPYPEN, clip);
  if (!font.face || count == 0) return font.face != nullptr || count == 0;

  GlyphRun run;
  run.face = font.face;
  run.emPixels = font.em * asy;
  run.widthScale = font.widthScale;
  run.angle = font.angle;
  run.stretchX = stretch;
  double cursor = 0;
  for (int i = 0; i < count; ++i) {
    uint8_t ch = uint8_t(text[i]);
    run.glyphs.push_back({font.face->glyph[ch], at(cursor, 0)});
    cursor += adv[size_t(i)] * asx / stretch;
  }
  Pixel color = PixelFromColorRef(state_.textColor);
  device_->DrawGlyphs(run, color, clip);
  auto line = [&](double offset, double thickness) {
    double t = std::max(1.0, thickness);
    std::vector<PointF> bar{at(0, offset), at(devWidth, offset), at(devWidth, offset + t),
                            at(0, offset + t)};
    Paint p;
    p.color = color;
    device_->FillPolygons({bar}, false, p, R2_COPYPEN, clip);
  };
  if (font.underline)
    line(std::floor(-font.face->underlinePos * scaleDev + 0.5), font.face->underlineThickness * scaleDev);
  if (font.strikeOut)
    line(-std::floor(font.face->strikePos * scaleDev + 0.5), font.face->strikeSize * scaleDev);
  return true;
}

}  // namespace win::gdi
