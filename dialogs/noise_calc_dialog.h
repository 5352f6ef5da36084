#pragma once
// The noise of a zoomed stretch of one overlay plot, computed plainly and
// with drift correction, shown in a small modal window with Help and Exit.
// The overlay control fills it from a drag in its noise mode.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_wnd.h"
#include "plotengine/overlay.h"

#define NOISE_CALC_DIALOG_ID 313
#define NOISE_CALC_LINE1_ID 1301  // six text lines, 1301..1306
#define NOISE_CALC_HELP_ID 1310
#define NOISE_CALC_HELP_CONTEXT 148

class KELT_CLASS CNoiseCalcDlg {
 public:
  // prefs: the control's preference record (its filtering mode and its RMS
  // switch are read); start and end in minutes; plotIndex 0-based.
  CNoiseCalcDlg(const OVERLAY_SLOT* slot, const STRUCT_CHRO_PREFS* prefs, double start, double end,
                int16_t plotIndex, CWnd* parent = nullptr);
  // The text of the plot's trace that line 3 shows after "Plot: n, ".
  std::string m_description;
  // 1 when shown and closed, 0 when the slot has nothing to measure.
  int DoModal();

  const OVERLAY_SLOT* m_pSlot;
  int16_t m_plotMode, m_rms;
  double m_start, m_end;
  int16_t m_plotIndex;
  // The six lines and the caption as the dialog worked them out.
  std::string m_caption, m_lines[6];
  // Works out caption and lines; false when there is nothing to measure.
  bool Compute();

 private:
  CWnd* m_parent;
};
