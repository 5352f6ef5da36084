// The spectrum control's own preferences: the record a named control keeps
// in "tolview3.ini", the messages that read and replace them, the settings
// taken from them, the local preference sheet and what the control redoes
// after a change.
#include "spectrumctl/spectrum_preferences.h"

#include <cstring>

#include "common/library_state.h"
#include "prefsheets/preference_sheets.h"
#include "prefsheets/spectra_preference_sheet.h"
#include "spectra/spectrum_titles.h"
#include "spectrumctl/spectrum_control.h"
#include "overlayctl/wrapping_toolbar.h"
#include "win/win_profile.h"

namespace {

constexpr const char* kKey = "Params";

const uint8_t* Bytes(const STRUCT_SPTS_PREFS& p) { return reinterpret_cast<const uint8_t*>(&p); }

bool Changed(const STRUCT_SPTS_PREFS& a, const STRUCT_SPTS_PREFS& b, size_t offset, size_t size) {
  return std::memcmp(Bytes(a) + offset, Bytes(b) + offset, size) != 0;
}

bool IsProfile(const STRUCT_SPT_PLUS* s) { return s && s->kind == SPT_KIND_TOL && PlusSpt_IsProfileData(s); }

}  // namespace

void CCtlSpt::KeepPreferences() {
  if (!m_keep || !m_iniSection[0]) return;
  STRUCT_CCSPT_KEPT_PREFS record{};
  record.keep = static_cast<uint16_t>(m_keep);
  record.stored = static_cast<uint16_t>(m_stored);
  record.prefs = m_prefs;
  const std::string ini = kelt::prefs::PreferencesIniPath();
  // A failed write leaves the earlier record; the control works on.
  WritePrivateProfileStructA(m_iniSection, kKey, &record, sizeof record, ini.c_str());
}

void CCtlSpt::SetToolbarTransientsFromPrefs() {
  m_showToolbar = m_prefs.features.showToolbar ? 1 : 0;
  m_clickDragMode = m_prefs.features.clickDragMode;
  m_singleClickMode = m_prefs.features.singleClickMode;
  m_pageMode = m_prefs.features.pageMode;
  m_backgroundCorrection = m_prefs.features.backgroundCorrect;
  m_horzMode = m_prefs.drawing.horizontalMode;
  m_vertMode = m_prefs.drawing.verticalMode;
  UpdateToolTips();
}

void CCtlSpt::UpdateToolTips() {
  if (m_pToolBar && m_pToolBar->m_hWnd) m_pToolBar->UpdateToolTips();
}

LRESULT CCtlSpt::OnKeepPreferences(WPARAM wParam, LPARAM lParam) {
  if (wParam != 1) {
    m_keep = 0;
    m_stored = 0;
    std::memset(m_iniSection, 0, sizeof m_iniSection);
    return 0;
  }
  std::memset(m_iniSection, 0, sizeof m_iniSection);
  // The host's text is read no further than the name can hold.
  if (const char* name = reinterpret_cast<const char*>(lParam))
    for (size_t i = 0; i + 1 < sizeof m_iniSection && name[i]; ++i) m_iniSection[i] = name[i];
  m_keep = 1;
  STRUCT_CCSPT_KEPT_PREFS record{};
  const std::string ini = kelt::prefs::PreferencesIniPath();
  if (!m_iniSection[0] ||
      !GetPrivateProfileStructA(m_iniSection, kKey, &record, sizeof record, ini.c_str()) || record.stored == 0) {
    m_stored = 0;
    return 0;
  }
  m_stored = 1;
  STRUCT_SPTS_PREFS old = m_prefs;
  m_prefs = record.prefs;
  // A damaged record is reset to the defaults and written back corrected.
  if (KELT_ValidateSptsPrefs(&m_prefs)) KeepPreferences();
  SetToolbarTransientsFromPrefs();
  SyncToolBarToTransient();
  UpdateAfterPreferenceChange(&old);
  return 0;
}

LRESULT CCtlSpt::OnGetLocalPreferences(WPARAM, LPARAM lParam) {
  auto* out = reinterpret_cast<STRUCT_CCSPT_LOCAL_PREFS*>(lParam);
  if (!out) return 0;
  out->keep = static_cast<uint16_t>(m_keep);
  out->stored = static_cast<uint16_t>(m_stored);
  out->prefs = m_prefs;
  out->printVert = m_printScales[0];
  out->printHorz = m_printScales[1];
  out->printScalesSet = m_printScalesSet;
  out->printColors = m_printColors;
  out->printColorsSet = m_printColorsSet;
  return 1;
}

LRESULT CCtlSpt::OnSetLocalPreferences(WPARAM wParam, LPARAM lParam) {
  if (!lParam) return 0;
  STRUCT_CCSPT_LOCAL_PREFS in;
  std::memcpy(&in, reinterpret_cast<const void*>(lParam), sizeof in);
  // A record out of range is refused whole; the control keeps what it had.
  if (KELT_ValidateSptsPrefs(&in.prefs)) return 0;
  STRUCT_SPTS_PREFS old = m_prefs;
  m_keep = in.keep ? 1 : 0;
  m_stored = in.stored ? 1 : 0;
  m_prefs = in.prefs;
  if (wParam) KeepPreferences();
  m_printScales[0] = in.printVert;
  m_printScales[1] = in.printHorz;
  m_printScalesSet = in.printScalesSet ? 1 : 0;
  m_printColors = in.printColors;
  m_printColorsSet = in.printColorsSet ? 1 : 0;
  SetToolbarTransientsFromPrefs();
  SyncToolBarToTransient();
  UpdateAfterPreferenceChange(&old);
  return 0;
}

void CCtlSpt::SyncToolBarToTransient() {
  if (!m_hWnd) return;
  if (m_showToolbar && !m_pToolBar) CreateToolBar();
  else if (!m_showToolbar && m_pToolBar) DestroyToolBar();
}

void CCtlSpt::UpdateAfterPreferenceChange(STRUCT_SPTS_PREFS* old) {
  if (!old || std::memcmp(old, &m_prefs, sizeof m_prefs) == 0) return;
  const STRUCT_SPTS_FEATURES& f = m_prefs.features;
  const bool transforms = f.transform != old->features.transform ||
                          f.backgroundCorrect != old->features.backgroundCorrect ||
                          m_prefs.drawing.keepAbsolute != old->drawing.keepAbsolute;
  if (transforms) {
    DoInternalTransforms(0);
    DoInternalTransforms(1);
  }
  if (Changed(m_prefs, *old, kSptSmoothingOffset, kSptSmoothingSize)) {
    for (short slot = 0; slot < 2; ++slot) {
      if (!IsProfile(m_display[slot])) continue;
      PlusSpt_Free(m_smoothed[slot]);
      m_smoothed[slot] = nullptr;
      if (m_prefs.profile.smoothProfile) MakeResearchSmoothSpectrum(slot);
    }
  }
  for (short slot = 0; slot < 2; ++slot)
    if (m_display[slot]) PlusSpt_InitTitlesFromPrefs(m_display[slot], &m_prefs.titles);
  if (m_prefs.drawing.showDifference != old->drawing.showDifference || transforms) {
    const int16_t wasShown = m_display[2] ? m_shown[2] : 1;
    FreeClearDifferenceSpectrum();
    if (m_display[0] && m_display[1] && m_showDifference && m_prefs.drawing.showDifference) {
      MakeDifferenceSpectrum();
      m_shown[2] = m_display[2] && wasShown ? 1 : 0;
    }
  }
  if (m_pManager && m_reviewIndex) m_pManager->SetSptsPrefs(&m_prefs, m_reviewIndex);
  UpdateFont();
  Notify(SPTN_PREFS_CHANGED);
  InitScaleRanges();
  InitSizes();
  Invalidate(FALSE);
}

void CCtlSpt::OnTTEditSpectraPrefs() {
  const int16_t savedShowToolbar = m_showToolbar, savedDrag = m_clickDragMode, savedClick = m_singleClickMode,
                savedPage = m_pageMode, savedBackground = m_backgroundCorrection, savedHorz = m_horzMode,
                savedVert = m_vertMode, savedStored = m_stored;
  STRUCT_SPTS_PREFS old = m_prefs;
  STRUCT_SPTS_PREFS edit = m_prefs;
  const short mode = m_moduleWindow ? 3 : m_windowMode == SPT_WINDOW_DATA_REVIEW ? 1 : 2;
  unsigned short local = static_cast<unsigned short>(m_stored);
  const int16_t accepted = Dlg_EditSpectraPreferences(this, &edit, 0, m_keep, &local, mode);
  if (!accepted) {
    // Cancel leaves everything as it was, the preferences too; what the
    // sheet's live preview changed is shown as it was again.
    STRUCT_SPTS_PREFS previewed = m_prefs;
    m_prefs = old;
    m_stored = savedStored;
    m_showToolbar = savedShowToolbar;
    m_clickDragMode = savedDrag;
    m_singleClickMode = savedClick;
    m_pageMode = savedPage;
    m_backgroundCorrection = savedBackground;
    m_horzMode = savedHorz;
    m_vertMode = savedVert;
    SyncToolBarToTransient();
    UpdateAfterPreferenceChange(&previewed);
    return;
  }
  m_prefs = edit;
  m_stored = local ? 1 : 0;
  KeepPreferences();
  SetToolbarTransientsFromPrefs();
  SyncToolBarToTransient();
  UpdateAfterPreferenceChange(&old);
  if (m_horzMode != savedHorz) {
    m_horzSetByUser = 0;
    const int16_t h = m_horzMode;
    SetHorzMode(h == SPT_HORZ_AUTOSCALE ? SPT_HORZ_AUTOSCALE : h == SPT_HORZ_LEARN ? SPT_HORZ_LEARN : SPT_HORZ_FIXED);
  }
  if (m_vertMode != savedVert) {
    m_vertSetByUser = 0;
    SetVertMode(m_vertMode == SPT_VERT_AUTOSCALE ? SPT_VERT_AUTOSCALE : SPT_VERT_FIXED);
  }
  if (m_backgroundCorrection != savedBackground) m_bgCorrectedState = 0;
  if (m_pManager && m_reviewIndex) m_pManager->UpdateOtherSptsPrefs(&m_prefs, m_reviewIndex);
}

LRESULT CCtlSpt::OnLetUserEditSpectraPreferences(WPARAM, LPARAM) {
  OnTTEditSpectraPrefs();
  return 0;
}

void CCtlSpt::OnTTEditReportPrefs() { Dlg_EditReportPreferences(this, 0, 1); }
