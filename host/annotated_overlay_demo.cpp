// The demo's annotated overlay: the stacked overlay of the sample runs with
// the processed run's quantitation results written at its peaks (tiled so
// that none covers another) and plot labels: a user label pointing at a
// peak and a token label on the blank's trace.
#include <cstdio>
#include <cstring>
#include <memory>

#include "host/sample_overlay.h"
#include "plotengine/one_chro_overlay.h"
#include "plotengine/overlay_labels.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/result_annotations.h"
#include "plotengine/tile_texts.h"
#include "win/win_paths.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";
constexpr char kPicture[] = "C:\\Workstation\\Plots\\overlay-annotated.png";

using sample_overlay::OverlayFree;

STRUCT_MARKER_PARAMS LabelParams(COLORREF colour) {
  STRUCT_MARKER_PARAMS p{};
  p.transparent = 0;
  p.backColor = RGB(255, 255, 225);
  p.screenColor = colour;
  p.printColor = RGB(0, 0, 0);
  p.font.lfHeight = -13;
  std::strcpy(p.font.lfFaceName, "Arial");
  p.positionMode = 1;
  p.pointerMode = 1;
  return p;
}

// The results of slot 0 as tiled texts over its strip.
void DrawResultAnnotations(HDC dc, SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sizes) {
  STRUCT_RESULT_ANNOTATIONS prefs{};
  prefs.show = 1;
  for (int k = 0; k < 5; ++k) prefs.kindFlags[k] = 1;
  prefs.itemCount = 3;
  prefs.items[0] = 0;  // name
  prefs.items[1] = 1;  // time
  prefs.items[2] = 8;  // amount
  prefs.textSize = 300;
  STRUCT_ANNOTATIONS* annotations[OVERLAY_SLOTS] = {};
  annotations[0] = OPLOT_CreateDHAnnotationStrings(o, 0, 0, &prefs, 16, 1);
  if (!annotations[0]) {
    std::fprintf(stderr, "kelt_host: no result annotations\n");
    return;
  }
  int32_t left, bottom, right, top;
  CTileTextOnPlot holder;
  if (holder.InitHolder() && OPLOT_GetChromatogramArea(o, sizes, 0, &left, &bottom, &right, &top)) {
    STRUCT_MARKER_PARAMS marker = LabelParams(RGB(170, 20, 20));
    marker.transparent = 1;
    marker.font.lfHeight = -11;
    OPLOT_AddAnnotationsToTileTextClass(&holder, 0, o, sizes, nullptr, &marker, annotations, 0, 0);
    const double low = o->tail.scales.plotLow[0], high = o->tail.scales.plotHigh[0];
    const double from = o->tail.viewStart, to = o->tail.viewEnd;
    holder.DrawTileLabels(CDC::FromHandle(dc), 0, &marker.font, from, to, low, high, (right - left) / (to - from),
                          (bottom - top) / (high - low), left, right, top, bottom);
    std::printf("  %d result annotations on the processed run's trace\n", holder.Count());
  }
  OPLOT_FreeAllAnnotations(annotations);
}

// A user label pointing at the processed run's largest peak and a token
// label on the blank's trace.
void DrawPlotLabels(HDC dc, SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sizes, const sample_overlay::Files& f) {
  CLabelManager* labels = OPLOT_CreateLabelManager();
  if (!labels) return;
  const msfix::DHCompoundTruth* biggest = nullptr;
  for (const auto& c : f.truth.compounds)
    if (!biggest || c.height > biggest->height) biggest = &c;
  const double high = o->tail.scales.plotHigh[0];
  if (biggest) {
    char text[120];
    std::snprintf(text, sizeof text, "Largest peak\r\n%s", biggest->name.c_str());
    const STRUCT_MARKER_PARAMS p = LabelParams(RGB(0, 70, 160));
    double t = 0, v = 0;
    OPLOT_GetInterpolatedValueFromTime(o, 0, biggest->retentionTime, &t, &v);
    OPLOT_AddLabel(labels, LABEL_AREA_GROUP_PLOT, 0, &p, text, o->tail.viewStart + 0.6, 0.9 * high, t, v);
  }
  int16_t blank = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i)
    if (OverlaySlotPresent(o, i)) blank = static_cast<int16_t>(i);
  const STRUCT_MARKER_PARAMS token = LabelParams(RGB(0, 120, 60));
  OPLOT_AddPlotTokenLabel(labels, o, blank, (o->tail.viewStart + o->tail.viewEnd) / 2, 1, "Blank", &token);
  OPLOT_DefineAreas(labels, o, sizes);
  OPLOT_DrawLabels(labels, o, dc, 0, 0, 0);
  std::printf("  %d plot labels\n", labels->GetLabelCount());
  OPLOT_FreeLabelManager(labels);
}

}  // namespace

int DrawAnnotatedOverlay() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return 1;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 1200, 900);
  HGDIOBJ old = SelectObject(dc, bmp);
  STRUCT_OVER_SIZES sizes;
  std::printf("\nAnnotated overlay:\n");
  bool ok = sample_overlay::Draw(dc, o.get(), f, 0, RECT{0, 0, 1199, 899}, 13, &sizes) != 0;
  if (ok) {
    DrawResultAnnotations(dc, o.get(), &sizes);
    DrawPlotLabels(dc, o.get(), &sizes, f);
    ok = win::gdi::SaveBitmapPng(dc, kPicture);
  }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  if (!ok) {
    std::fprintf(stderr, "kelt_host: cannot draw %s\n", kPicture);
    return 1;
  }
  std::printf("  picture: %s (%s)\n", kPicture, win::paths::ToHost(kPicture).c_str());
  return 0;
}
