#pragma once
// The modal dialogs that let the user type a plot's ranges: the time range
// only, or the time range with the vertical range of a plot (and the right
// scale's range in the dual-scale display).
#include "common/kelt_export.h"
#include "framework/framework_wnd.h"
#include "plotengine/overlay.h"

#define TIME_RANGE_DIALOG_ID 321
#define PLOT_RANGES_DIALOG_ID 303
#define PLOT_RANGES_DUAL_DIALOG_ID 304
#define RANGE_START_ID 1001
#define RANGE_END_ID 1002
#define RANGE_LOW1_ID 1003
#define RANGE_HIGH1_ID 1004
#define RANGE_LOW2_ID 1005
#define RANGE_HIGH2_ID 1006
#define RANGE_UNIT1_ID 1008
#define RANGE_UNIT2_ID 1009
#define RANGE_RESET_ID 1010
// "OK"; the button labelled "Cancel" carries IDOK.
#define RANGE_OK_ID 1011

// Time only: the shown and the full range in; OK gives the new start and end.
// Each field is checked against the full range when it is left.
class KELT_CLASS CTimeRangeDlg {
 public:
  explicit CTimeRangeDlg(CWnd* parent) : m_parent(parent) {}
  double m_start = 0, m_end = 0;
  double m_fullStart = 0, m_fullEnd = 0;
  // IDOK or IDCANCEL.
  int DoModal();

 private:
  CWnd* m_parent;
};

// The time range and a plot's vertical range, filled from a copy of the
// overlay: slot 0-19, or 20 for the common scale of the other displays.
// Start and end are checked against 0..1440 minutes when left.
class KELT_CLASS CPlotRangesDlg {
 public:
  CPlotRangesDlg(CWnd* parent, int templateId, const SVW_OVERLAY* overlay, short slot);
  double m_start = 0, m_end = 0;
  double m_low1 = 0, m_high1 = 0, m_low2 = 0, m_high2 = 0;
  int m_template;
  // "Edit Plot %d Ranges" for one plot of several stacked ones; else empty.
  char m_title[32] = {};
  // What each scale field accepts (0: the only or left scale, 1: the
  // right): the data's span widened and snapped outward, or -105..205 for
  // the percent display.
  double m_scaleLowest[2] = {-1e14, -1e14}, m_scaleHighest[2] = {1e14, 1e14};
  // Unit prefixes, by index: 0 "G", 1 "M", 2 "k", 3 none, 4 "m", 5 "u",
  // 6 "n", 7 "p"; a step is a factor of 1000. Per scale: the prefixes
  // offered (first and last), the one shown, the one of the plot's units,
  // and the units without it. The low and high above stay in the plot's
  // own units; the fields show them in the shown prefix.
  struct Units {
    int first = 3, last = 3, shown = 3, own = 3;
    char base[24] = {};
  } m_units[2];
  // IDOK or IDCANCEL.
  int DoModal();

 private:
  CWnd* m_parent;
};
