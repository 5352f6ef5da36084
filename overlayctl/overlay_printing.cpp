// The overlay control drawn onto a printer or a report page's metafile:
// open makes the tiled-text holders, add draws the plots, markers and labels
// into the caller's box, close tiles the annotation texts and frees all.
#include "common/preference_records.h"
#include "overlayctl/overlay_plot_control.h"

namespace {
// The character size of the print in progress, for the drawing code.
int16_t g_printCharWidth = 0, g_printCharHeight = 0;
}  // namespace

KELT_API void OPLOT_GetPrintCharSize(int16_t* width, int16_t* height) {
  if (width) *width = g_printCharWidth;
  if (height) *height = g_printCharHeight;
}

void CCtlOPlot::PrintOpen() {
  if (!m_pOverlay) return;
  m_printJobOpen = 1;
  MakeTileTexts();
}

void CCtlOPlot::PrintAdd(STRUCT_OPLOT_PRINT_PLOT* r) {
  if (!r || !r->dc || !r->dc->GetSafeHdc()) return;
  g_printCharWidth = r->charWidth;
  g_printCharHeight = r->charHeight;
  r->drawn = 0;  // a record used for an earlier page must not vouch for this one
  DrawPlot(r->dc, 1, r, r->left, r->bottom, r->right, r->top, r->charWidth, r->charHeight);
  if (r->markers) DrawMarkers(r->dc, 1, &r->sizes, r->left, r->bottom, r->top, r->charWidth, r->charHeight);
  DrawLabels(r->dc, 1, r->left, r->bottom, r->right, r->top, &r->sizes);
  if (r->strip && m_segmentsShown) {
    if (HWND bar = ::GetDlgItem(m_hWnd, OPLOT_ID_SEGMENTS)) {
      // The bar draws itself into the print context within the plot's margins.
      struct {
        CDC* dc;
        int16_t left, bottom, right, top, charWidth, charHeight;
      } strip{r->dc,
              static_cast<int16_t>(r->stripLeft + r->sizes.leftScaleWidth),
              r->stripBottom,
              static_cast<int16_t>(r->stripRight - r->sizes.rightScaleWidth),
              r->stripTop,
              r->charWidth,
              r->charHeight};
      ::SendMessageA(bar, WM_USER + 23, 0, reinterpret_cast<LPARAM>(&strip));
    }
  }
}

void CCtlOPlot::PrintClose(STRUCT_OPLOT_PRINT_PLOT* r) {
  if (m_pOverlay && r && r->dc && r->drawn) {
    STRUCT_REPORT_PREFS report;
    KELT_GetCurrDefReportPrefs(&report);
    const LOGFONTA font = PrintAnnotationFont(report);
    DrawTileTexts(r->dc, 1, &r->sizes, &font);
  }
  FreeTileTexts();
  m_printJobOpen = 0;
}
