// Editing spectrum A or B of the control in the Edit Spectrum dialog.
#include <cstdio>

#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/edit_spectrum_dialog.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_user.h"

namespace {

struct MassFacts {
  double first = 0, last = 0;
  int16_t rangeSet = 0;
  double low = 0, high = 0;
  double basePeak = 0;
};

MassFacts FactsOf(const STRUCT_SPT_PLUS* s) {
  MassFacts f;
  const int n = PlusSpt_GetPairCount(s);
  if (n > 0) {
    PlusSpt_GetPairValues(s, 0, &f.first, nullptr, nullptr);
    PlusSpt_GetPairValues(s, uint32_t(n - 1), &f.last, nullptr, nullptr);
  }
  f.rangeSet = s->useMassRange;
  f.low = s->lowMass;
  f.high = s->highMass;
  f.basePeak = s->basePeakMass;
  return f;
}

}  // namespace

void CCtlSpt::OnEditSpectrum(UINT id) {
  if (id != 8132 && id != 8133) return;
  const short slot = static_cast<short>(id - 8132);
  STRUCT_SPT_PLUS* shown = m_display[slot];
  if (!shown) return;
  if (PlusSpt_IsProfileData(shown)) {
    char text[64];
    std::snprintf(text, sizeof text, "%s spectra cannot be edited.", "PROFILE");
    ::MessageBoxA(m_hWnd, text, slot == 0 ? "Spectrum A" : "Spectrum B", MB_OK | MB_ICONINFORMATION);
    return;
  }
  // The spectrum as it came in, before the control's own transforms.
  const STRUCT_SPT_PLUS* source = m_input[slot] ? m_input[slot] : shown;
  const MassFacts before = FactsOf(source);
  if (m_tracking) OnEscapeTracking(0, 0);
  STRUCT_SPT_PLUS* edited = Dlg_EditSpectrumEx(source, &m_prefs.titles);
  if (!edited) return;
  const MassFacts after = FactsOf(edited);
  const bool oneShown = (m_display[0] && m_shown[0]) != (m_display[1] && m_shown[1]);
  const bool rangeChanged =
      after.rangeSet != before.rangeSet || after.low != before.low || after.high != before.high;
  const bool rescale = after.first < before.first || after.last > before.last || (oneShown && rangeChanged) ||
                       after.basePeak != before.basePeak;
  FreeClearSpectrum(slot);
  m_display[slot] = edited;
  m_owned[slot] = 1;
  m_shown[slot] = 1;
  if (m_pManager) m_pManager->ReplaceSpectrum(edited, m_managerIndex, slot);
  DoInternalTransforms(slot);
  m_bgCorrectedState = 0;
  // A difference shown would otherwise still be that of the old spectrum.
  if (m_display[2] && m_display[0] && m_display[1]) MakeDifferenceSpectrum();
  if (m_prefs.drawing.overlayAB) AutoScaleVertScales(0, 1);
  else AutoScaleVertScales(slot, slot);
  if (rescale) AutoScaleHorzScale();
  SaveCurrentScales();
  InitSizes();
  Invalidate(FALSE);
  Notify(static_cast<unsigned short>(21 + slot));
}
