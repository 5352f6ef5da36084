// The printer back end: Cairo draws each page of a document into a PDF file,
// in printer pixels scaled to points.
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <map>
#include <mutex>

#include "font_engine.h"
#include "gdi_objects.h"
#include "print_job.h"

namespace win::gdi {

namespace {

cairo_font_face_t* CairoFace(const FontFace* face) {
  // Called with FontMutex held.
  static auto* faces = new std::map<const FontFace*, cairo_font_face_t*>();
  auto it = faces->find(face);
  if (it != faces->end()) return it->second;
  cairo_font_face_t* cf = nullptr;
  if (face->ftFaceCairo)
    cf = cairo_ft_font_face_create_for_ft_face(static_cast<FT_Face>(face->ftFaceCairo), 0);
  (*faces)[face] = cf;
  return cf;
}

class CairoDevice final : public Device {
 public:
  explicit CairoDevice(cairo_t* cr) : cr_(cr) {}

  void FillPolygons(const Polygons& polys, bool winding, const Paint& paint, int rop2,
                    const Region* clip) override {
    if (!Begin(paint.color, rop2, clip)) return;
    for (auto& poly : polys) {
      if (poly.empty()) continue;
      cairo_move_to(cr_, poly[0].x, poly[0].y);
      for (size_t i = 1; i < poly.size(); ++i) cairo_line_to(cr_, poly[i].x, poly[i].y);
      cairo_close_path(cr_);
    }
    cairo_set_fill_rule(cr_, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr_);
    cairo_restore(cr_);
  }

  void FillRect(const IntRect& r, const Paint& paint, int rop2, const Region* clip) override {
    if (r.Empty() || !Begin(paint.color, rop2, clip)) return;
    cairo_rectangle(cr_, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr_);
    cairo_restore(cr_);
  }

  void StrokePolyline(const std::vector<PointF>& pts, bool closed, const Stroke& stroke, int rop2,
                      const Region* clip) override {
    if (pts.size() < 2 || stroke.style == PS_NULL || !Begin(stroke.color, rop2, clip)) return;
    double w = std::max(1.0, stroke.width);
    cairo_set_line_width(cr_, w);
    cairo_set_line_cap(cr_, stroke.width > 1.5 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    static const double kDash[] = {18, 6}, kDot[] = {3, 3}, kDashDot[] = {9, 6, 3, 6},
                        kDashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (stroke.style) {
      case PS_DASH: cairo_set_dash(cr_, kDash, 2, 0); break;
      case PS_DOT: cairo_set_dash(cr_, kDot, 2, 0); break;
      case PS_DASHDOT: cairo_set_dash(cr_, kDashDot, 4, 0); break;
      case PS_DASHDOTDOT: cairo_set_dash(cr_, kDashDotDot, 6, 0); break;
      default: break;
    }
    // Thin lines run through pixel centres, as on a raster.
    double off = stroke.width > 1.5 ? 0 : 0.5;
    cairo_move_to(cr_, pts[0].x + off, pts[0].y + off);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr_, pts[i].x + off, pts[i].y + off);
    if (closed) cairo_close_path(cr_);
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }

  void DrawGlyphs(const GlyphRun& run, Pixel color, const Region* clip) override {
    if (!run.face || run.glyphs.empty() || !Begin(color, R2_COPYPEN, clip)) return;
    std::lock_guard lock(FontMutex());
    cairo_font_face_t* face = CairoFace(run.face);
    if (!face) {
      cairo_restore(cr_);
      return;
    }
    cairo_set_font_face(cr_, face);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, run.emPixels * run.widthScale, run.emPixels);
    cairo_matrix_t rot;
    cairo_matrix_init_rotate(&rot, -run.angle);
    cairo_matrix_multiply(&m, &m, &rot);
    cairo_matrix_t stretch;
    cairo_matrix_init_scale(&stretch, run.stretchX, 1);
    cairo_matrix_multiply(&m, &m, &stretch);
    cairo_set_font_matrix(cr_, &m);
    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(run.glyphs.size());
    for (auto& g : run.glyphs) glyphs.push_back({g.index, g.origin.x, g.origin.y});
    cairo_show_glyphs(cr_, glyphs.data(), int(glyphs.size()));
    cairo_restore(cr_);
  }

  void SetPixel(int32_t x, int32_t y, Pixel color, const Region* clip) override {
    FillRect({x, y, x + 1, y + 1}, Paint{color}, R2_COPYPEN, clip);
  }

  void Blit(const IntRect& dst, const BitmapObject& src, double sx, double sy, double sw,
            double sh, uint8_t code, const Paint& pattern, const Region* clip) override {
    if (dst.Empty() || sw == 0 || sh == 0) return;
    if (code == 0x00 || code == 0xFF || code == 0xF0) {
      Paint p = pattern;
      if (code == 0x00) p.color = 0;
      if (code == 0xFF) p.color = 0xFFFFFF;
      FillRect(dst, p, R2_COPYPEN, clip);
      return;
    }
    // Other operations have no vector form: the source is painted as a copy.
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, src.width, src.height);
    if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(img);
      return;
    }
    cairo_surface_flush(img);
    unsigned char* data = cairo_image_surface_get_data(img);
    int stride = cairo_image_surface_get_stride(img);
    for (int32_t y = 0; y < src.height; ++y)
      std::memcpy(data + size_t(y) * size_t(stride), src.Row(y), size_t(src.width) * 4);
    cairo_surface_mark_dirty(img);
    cairo_save(cr_);
    ApplyClip(clip);
    cairo_rectangle(cr_, dst.left, dst.top, dst.Width(), dst.Height());
    cairo_clip(cr_);
    cairo_translate(cr_, dst.left, dst.top);
    cairo_scale(cr_, dst.Width() / sw, dst.Height() / sh);
    cairo_set_source_surface(cr_, img, -sx, -sy);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(img);
  }

 private:
  void ApplyClip(const Region* clip) {
    if (!clip) return;
    cairo_new_path(cr_);
    for (auto& r : clip->Rects()) cairo_rectangle(cr_, r.left, r.top, r.Width(), r.Height());
    cairo_clip(cr_);
  }

  // Sets colour and clip for one operation; false when nothing is to be drawn.
  // Paper has no raster operations: those that do not simply paint the pen
  // colour paint black, white or nothing.
  bool Begin(Pixel color, int rop2, const Region* clip) {
    switch (rop2) {
      case R2_NOP: return false;
      case R2_BLACK: color = 0; break;
      case R2_WHITE: color = 0xFFFFFF; break;
      case R2_NOTCOPYPEN: color = ~color & 0xFFFFFF; break;
      default: break;
    }
    cairo_save(cr_);
    ApplyClip(clip);
    cairo_set_source_rgb(cr_, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                         (color & 0xFF) / 255.0);
    return true;
  }

  cairo_t* cr_;
};

class PdfJob final : public PrintJob {
 public:
  PdfJob(const DeviceCaps& caps, std::string host) : caps_(caps), host_(std::move(host)) {
    tmp_ = host_ + ".tmp~";
    double wpt = caps.horzRes * 72.0 / caps.dpiX, hpt = caps.vertRes * 72.0 / caps.dpiY;
    surface_ = cairo_pdf_surface_create(tmp_.c_str(), wpt, hpt);
    if (cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS) cr_ = cairo_create(surface_);
  }
  ~PdfJob() override {
    if (cr_) cairo_destroy(cr_);
    if (surface_) {
      std::lock_guard lock(FontMutex());
      cairo_surface_destroy(surface_);
    }
    if (!done_) std::remove(tmp_.c_str());
  }
  bool ok() const { return cr_ && cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }

  int StartPage(DeviceContext& dc) override {
    if (pageOpen_ || !ok()) return SP_ERROR;
    cairo_save(cr_);
    cairo_scale(cr_, 72.0 / caps_.dpiX, 72.0 / caps_.dpiY);
    dc.SetDevice(std::make_unique<CairoDevice>(cr_));
    pageOpen_ = true;
    return 1;
  }
  int EndPage(DeviceContext& dc) override {
    if (!pageOpen_) return SP_ERROR;
    dc.SetDevice(nullptr);
    cairo_restore(cr_);
    {
      std::lock_guard lock(FontMutex());
      cairo_show_page(cr_);
    }
    pageOpen_ = false;
    return ok() ? 1 : SP_OUTOFDISK;
  }
  int EndDoc(DeviceContext& dc) override {
    if (pageOpen_ && EndPage(dc) < 0) return SP_ERROR;
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_status_t status;
    {
      std::lock_guard lock(FontMutex());
      cairo_surface_finish(surface_);
      status = cairo_surface_status(surface_);
      cairo_surface_destroy(surface_);
    }
    surface_ = nullptr;
    if (status != CAIRO_STATUS_SUCCESS) return SP_OUTOFDISK;
    if (std::rename(tmp_.c_str(), host_.c_str()) != 0) return SP_ERROR;
    done_ = true;
    return 1;
  }
  void Abort(DeviceContext& dc) override {
    dc.SetDevice(nullptr);
    pageOpen_ = false;
  }
  bool PageOpen() const override { return pageOpen_; }

 private:
  DeviceCaps caps_;
  std::string host_, tmp_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool pageOpen_ = false;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<PrintJob> StartPdfJob(const DeviceCaps& caps, const std::string& hostPath) {
  auto job = std::make_unique<PdfJob>(caps, hostPath);
  if (!job->ok()) return nullptr;
  return job;
}

}  // namespace win::gdi
