#pragma once
// A plot printed onto a report page, as "Print All Plots" and the one-plot
// report do it: the plot from a line of the page down to its foot between
// columns 4 and 76, three lines of segment strip under it when shown, in
// the page's small font; the page then stored.
#include <cstdint>

#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "reportpages/page_maker.h"

namespace kelt::overlay {

constexpr int16_t kPlotPageBottom = 32267;

inline STRUCT_OPLOT_PRINT_PLOT PlotPageRecord(CMPage* page, int16_t line, bool strip) {
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = MPM_GetCMetaFileDC(page);
  record.top = MPM_LineToY(page, line);
  record.bottom = kPlotPageBottom;
  record.left = MPM_ColumnToX(page, 4);
  record.right = MPM_ColumnToX(page, 76);
  if (strip) {
    const int16_t band = static_cast<int16_t>(MPM_LineToY(page, 4) - MPM_LineToY(page, 1));
    record.strip = 1;
    record.stripLeft = record.left;
    record.stripRight = record.right;
    record.stripBottom = kPlotPageBottom;
    record.stripTop = static_cast<int16_t>(kPlotPageBottom - band);
    record.bottom = static_cast<int16_t>(kPlotPageBottom - band);
  }
  int16_t cw = 0, ch = 0;
  MPM_SelectSmallFont(page, &cw, &ch);
  record.charWidth = cw;
  record.charHeight = ch;
  record.markers = 1;
  return record;
}

// The page as page 1 of a new temporary reports file (its path into path)
// or appended to the file at path; frees the page. Nonzero when stored.
inline int SavePlotPage(CMPage* page, bool temporary, const char* title, char* path) {
  const uint32_t now = static_cast<uint32_t>(GetCurrentDateTime());
  const int saved = temporary ? MPM_SavePageInNewMSRTempFile(page, 1, now, title, path)
                              : MPM_SavePageInMSRFile(page, path, 1, now, title);
  MPM_FreeMetaPageMaker(page);
  return saved;
}

}  // namespace kelt::overlay
