// Peak labels of a trace: m/z, width at half height and intensity stacked
// over each labelled peak with a small triangle at its top. The most
// intense peaks are placed first; a weaker peak whose label would overlap
// a placed one goes without.
#include <algorithm>
#include <cstdio>
#include <string>

#include "common/number_format.h"
#include "orvik32/orvik32.h"
#include "spectra/library_entry_texts.h"
#include "spectrumctl/stacked_spectra.h"
#include "spectrumctl/stacked_spectra_internal.h"
#include "win/win_crt.h"

using namespace kelt::sptdraw;

namespace {

std::string MassText(const char* format, double mass) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, mass);
  return buf;
}

std::string IntensityText(double v) {
  char buf[64] = {};
  KELT_FormatIntensityD(v, buf);
  return buf;
}

std::string WidthText(double w) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", w);
  return buf;
}

bool Meet(int32_t a0, int32_t a1, int32_t b0, int32_t b1) { return a0 <= b1 && b0 <= a1; }

}  // namespace

void CDrawStackedSpectra::DrawLabels(STRUCT_DSS_LAB* labels, long count, STRUCT_SPT_PLUS* spectrum, long colour) {
  HDC dc = Out(*this);
  if (!dc || !labels || count <= 0) return;
  auto* order = static_cast<int32_t*>(AllocBlock(static_cast<uint32_t>(count) * sizeof(int32_t)));
  if (!order) return;
  for (long i = 0; i < count; ++i) order[i] = static_cast<int32_t>(i);
  // Exchange sort, tallest first; equal intensities keep their order.
  for (long i = 0; i + 1 < count; ++i)
    for (long j = i + 1; j < count; ++j)
      if (labels[order[i]].intensity < labels[order[j]].intensity) std::swap(order[i], order[j]);

  char format[32] = "%.0f";
  KELT_GetMassDecimalsAndFormat(spectrum, format);
  int32_t halfW = 0, lineH = 0, lines = 0;
  auto measure = [&](const std::string& s) {
    const SIZE sz = TextSize(DC, s + "  ");
    halfW = std::max<int32_t>(halfW, sz.cx / 2);
    lineH = sz.cy;
    ++lines;
  };
  if (LabelMasses) measure(MassText(format, labels[count - 1].mass));
  if (LabelIntensities) measure(IntensityText(labels[order[0]].intensity));
  if (LabelHalfHeights) {
    double widest = 0;
    for (long i = 0; i < count; ++i) widest = std::max(widest, double{labels[i].halfWidth});
    measure(WidthText(widest));
  }

  const int32_t margin = CharWidth / 4;
  const int32_t leftLimit = OriginX + margin, rightLimit = OriginX + PlotWidth - margin;
  for (long i = 0; i < count; ++i) {
    STRUCT_DSS_LAB& l = labels[i];
    const int32_t x = l.x;
    if (x - halfW < leftLimit) {
      l.boxLeft = leftLimit;
      l.boxRight = leftLimit + 2 * halfW;
    } else if (x + halfW > rightLimit) {
      l.boxLeft = rightLimit - 2 * halfW;
      l.boxRight = rightLimit;
    } else {
      l.boxLeft = x - halfW;
      l.boxRight = x + halfW;
    }
    int32_t top = l.y;
    if (LabelMasses) top -= lineH;
    if (LabelIntensities) top -= lineH;
    if (LabelHalfHeights && l.halfWidth > 0) top -= lineH;
    l.boxTop = std::max<int32_t>(top, TitlesBottom);
    l.placed = 0;
  }
  const int32_t boxHeight = lines * lineH;
  for (long a = 0; a < count; ++a) {
    STRUCT_DSS_LAB& l = labels[order[a]];
    bool free = true;
    for (long b = 0; b < a && free; ++b) {
      const STRUCT_DSS_LAB& o = labels[order[b]];
      if (!o.placed) continue;
      if (Meet(l.boxLeft, l.boxRight, o.boxLeft, o.boxRight) &&
          Meet(l.boxTop, l.boxTop + boxHeight, o.boxTop, o.boxTop + boxHeight))
        free = false;
    }
    l.placed = free ? 1 : 0;
  }
  FreeBlock(order);

  StepPen pen(dc, static_cast<COLORREF>(colour), PenWidth(*this));
  if (!pen.Ok()) return;
  const COLORREF oldText = SetTextColor(dc, static_cast<COLORREF>(colour));
  // Labels may sit on the plot's top line: their text leaves it showing.
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const int32_t t = std::max(CharWidth / 4, 2);
  for (long i = 0; i < count; ++i) {
    const STRUCT_DSS_LAB& l = labels[i];
    if (!l.placed) continue;
    int32_t y = l.boxTop;
    auto put = [&](const std::string& value) {
      const std::string s = " " + value;
      const SIZE sz = TextSize(DC, s);
      Text(dc, (l.boxLeft + l.boxRight) / 2 - sz.cx / 2, y, s);
      y += lineH;
    };
    if (LabelMasses) put(MassText(format, l.mass));
    if (LabelHalfHeights && l.halfWidth != 0) put(WidthText(l.halfWidth));
    if (LabelIntensities) put(IntensityText(l.intensity));
    const int32_t top = std::max<int32_t>(int32_t{l.y}, TitlesBottom + lineH);
    const POINT tri[4] = {{l.x, top}, {l.x + t, top + 2 * t}, {l.x - t, top + 2 * t}, {l.x, top}};
    Polyline(dc, tri, 4);
  }
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
}
