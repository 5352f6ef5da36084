// Data-review navigation of the overlay plot control: the strip that steps
// the segments of the active plot's file, the review's files or its plot
// descriptors.
#include "overlayctl/overlay_plot_control.h"

void CCtlOPlot::UpdateNavigationButtons() {}

void CCtlOPlot::GoToNavigatorSegment(short) {}
