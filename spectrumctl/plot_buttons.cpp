// The small buttons of the stacked spectra on the screen: the active-plot
// button in the scale column (naming the spectrum as 1A, 1B ...), the
// delete and maximise buttons at the top right of a band. They are only
// drawn here and their places recorded; the owning window hit-tests them.
#include <string>

#include "spectrumctl/stacked_spectra.h"
#include "spectrumctl/stacked_spectra_internal.h"

using namespace kelt::sptdraw;

namespace {

void Outline(HDC dc, int l, int t, int r, int b) {
  HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, l, t, r, b);
  SelectObject(dc, old);
}

}  // namespace

void CDrawStackedSpectra::DrawActivePlotButton(short k) {
  HDC dc = Out(*this);
  if (!dc || !VertScaleWidth || !ShowActiveButtons || k < 0 || k >= 2) return;
  const SIZE sz = TextSize(DC, "8A");
  const int w = sz.cx + 6, h = sz.cy + 4;
  ActiveButtons.width = static_cast<int16_t>(w);
  ActiveButtons.height = static_cast<int16_t>(h);
  const int buttons = DiffOverlay && k == 0 ? 2 : 1;
  for (int b = 0; b < buttons; ++b) {
    const STRUCT_DSS_TRACE& t = Traces[k][buttons == 2 ? b : 0];
    if (!t.spectrum) break;
    const int top = buttons == 1 ? DrawTop + (DrawHeight - h) / 2 : DrawTop + (DrawHeight - 2 * h) / 2 + b * h;
    const int left = 2, right = w + 2, bottom = top + h;
    const int slot = buttons == 1 ? k : b;
    ActiveButtons.shown[slot] = 1;
    ActiveButtons.x[slot] = static_cast<int16_t>(left);
    ActiveButtons.y[slot] = static_cast<int16_t>(top);
    const bool active =
        WindowNumber == ActiveWindowNumber && (buttons == 1 ? k == ActiveSpectrum : b == ActiveSpectrum);
    StepPen pen(dc, t.colour, 0);
    if (!pen.Ok()) return;
    if (active) {
      HBRUSH brush = CreateSolidBrush(t.colour);
      if (!brush) return;
      HGDIOBJ old = SelectObject(dc, brush);
      Rectangle(dc, left, top, right, bottom);
      SelectObject(dc, old);
      DeleteObject(brush);
    } else {
      // Cleared first, so that the scale under the button does not show through.
      HBRUSH back = CreateSolidBrush(ScreenColors.colors[0]);
      if (back) {
        const RECT r{left, top, right, bottom};
        FillRect(dc, &r, back);
        DeleteObject(back);
      }
      for (int i = 0; i < 3; ++i) Outline(dc, left + i, top + i, right - i, bottom - i);
    }
    // The display number in decimals, so displays past the ninth read 10A, 11B.
    const std::string label = std::to_string(WindowNumber + 1) + (k == 0 && b == 0 ? "A" : "B");
    const SIZE ls = TextSize(DC, label);
    const COLORREF oldText = SetTextColor(dc, active ? ScreenColors.colors[0] : t.colour);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    Text(dc, left + (w - ls.cx) / 2, top + (h - ls.cy) / 2, label);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
  }
}

void CDrawStackedSpectra::DrawDeletePlotButton(short k) {
  HDC dc = Out(*this);
  if (!dc || !ShowDeleteButtons || k < 0 || k >= DSS_BANDS || !Traces[k][0].spectrum) return;
  const int right = OriginX + PlotWidth - 2, left = right - DeleteButtons.width;
  const int top = BandTop + 1, bottom = top + DeleteButtons.height;
  DeleteButtons.shown[k] = 1;
  DeleteButtons.x[k] = static_cast<int16_t>(left);
  DeleteButtons.y[k] = static_cast<int16_t>(top);
  StepPen pen(dc, Traces[k][0].colour, 0);
  if (!pen.Ok()) return;
  Outline(dc, left, top, right, bottom);
  Line(dc, left, top, right, bottom);
  Line(dc, left, bottom, right, top);
}

void CDrawStackedSpectra::DrawMaxPlotButton(short k) {
  HDC dc = Out(*this);
  if (!dc || !ShowMaxButtons || k < 0 || k >= DSS_BANDS || !Traces[k][0].spectrum) return;
  const int right = OriginX + PlotWidth - DeleteButtons.width - 2, left = right - MaxButtons.width;
  const int top = BandTop + 1, bottom = top + MaxButtons.height;
  MaxButtons.shown[k] = 1;
  MaxButtons.x[k] = static_cast<int16_t>(left);
  MaxButtons.y[k] = static_cast<int16_t>(top);
  StepPen pen(dc, Traces[k][0].colour, 0);
  if (!pen.Ok()) return;
  const int w3 = (right - left) / 3, h3 = (bottom - top) / 3;
  if (!Maximized || k != MaximizedPlot) {
    Outline(dc, left, top, right, bottom);
    Outline(dc, left + w3, top + h3, right - w3, bottom - h3);
  } else {
    Outline(dc, left, top + h3, right - w3, bottom);
    Outline(dc, left + w3, top, right, bottom - h3);
  }
}
