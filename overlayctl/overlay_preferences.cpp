// The overlay plot control's own preferences: the record a named control
// keeps in "tolview3.ini", the messages that read and replace them, the
// settings taken from them, the local preference sheet (command 2707) and
// what the control redoes after a change.
#include <cstring>

#include "common/data_points.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/result_annotations.h"
#include "prefsheets/preference_sheets.h"
#include "win/win_profile.h"

namespace {

constexpr const char* kKey = "Params";
constexpr size_t kFilterOffset = 828;  // six 16-bit filter settings
constexpr size_t kFilterSize = 12;
constexpr size_t kIntegrationOffset = 866;  // noise parameters of the quick integration
constexpr size_t kNoiseSize = 94;

const uint8_t* Bytes(const STRUCT_CHRO_PREFS& p) { return reinterpret_cast<const uint8_t*>(&p); }
uint8_t* Bytes(STRUCT_CHRO_PREFS& p) { return reinterpret_cast<uint8_t*>(&p); }

int16_t Word(const STRUCT_CHRO_PREFS& p, size_t offset) {
  int16_t v = 0;
  std::memcpy(&v, Bytes(p) + offset, sizeof v);
  return v;
}

int32_t FirstScreenColour(const STRUCT_CHRO_PREFS& p) {
  int32_t v = 0;
  std::memcpy(&v, Bytes(p) + 4, sizeof v);
  return v;
}

static_assert(offsetof(STRUCT_CHRO_PREFS, plotData) == kFilterOffset);
static_assert(sizeof(STRUCT_CHRO_PLOT_DATA) == kFilterSize);
static_assert(offsetof(STRUCT_CHRO_PREFS, noise) == kIntegrationOffset);
static_assert(sizeof(STRUCT_CHRO_NOISE) == kNoiseSize);
static_assert(offsetof(STRUCT_CHRO_PREFS, drawing) + offsetof(STRUCT_CHRO_DRAWING, showBCMarkers) == 808);
static_assert(offsetof(STRUCT_CHRO_PREFS, features) + offsetof(STRUCT_CHRO_FEATURES, showToolbar) == 820);
static_assert(offsetof(STRUCT_CHRO_PREFS, features) + offsetof(STRUCT_CHRO_FEATURES, singleClickMode) == 826);

#pragma pack(push, 1)
// What a quick-integration dialog is told after a change of filtering or noise settings.
struct QuickIntSettings {
  int16_t filtering;
  int16_t filter[6];
  uint8_t noise[kNoiseSize];
};
#pragma pack(pop)
static_assert(sizeof(QuickIntSettings) == 108);

}  // namespace

bool CCtlOPlot::ReadKeptPreferences(STRUCT_OPLOT_KEPT_PREFS* record) const {
  if (!record || !m_iniSection[0]) return false;
  const std::string ini = kelt::prefs::PreferencesIniPath();
  return GetPrivateProfileStructA(m_iniSection, kKey, record, sizeof *record, ini.c_str()) != 0;
}

void CCtlOPlot::KeepPreferences() {
  if (!m_keepFlag || !m_iniSection[0]) return;
  STRUCT_OPLOT_KEPT_PREFS record{};
  record.keep = m_keepFlag;
  // The record holds the user's present settings, so it is to be taken over
  // when read: written with loaded 0 it would be ignored and lost.
  record.loaded = 1;
  record.prefs = m_prefs;
  record.realTimeUpdateOff = m_realTimeUpdateOff;
  const std::string ini = kelt::prefs::PreferencesIniPath();
  if (WritePrivateProfileStructA(m_iniSection, kKey, &record, sizeof record, ini.c_str())) m_loadedFlag = 1;
}

void CCtlOPlot::SetToolbarTransientsFromPrefs() {
  const STRUCT_CHRO_FEATURES& f = m_prefs.features;
  m_showToolbar = f.showToolbar ? 1 : 0;
  m_pointsToAverage = f.pointsToAverage;
  m_clickDragMode = f.clickDragMode;
  m_singleClickMode = f.singleClickMode;
  m_showBCMarkers = m_prefs.drawing.showBCMarkers ? 1 : 0;
  m_movingLineRop = FirstScreenColour(m_prefs) > 0 ? R2_NOTXORPEN : R2_XORPEN;
  // What the previous drag mode left pending goes with it.
  m_lineResultSet = 0;
  m_offsetPending = 0;
  UpdateToolTips();
}

LRESULT CCtlOPlot::OnKeepPreferences(WPARAM wParam, LPARAM lParam) {
  if (wParam != 1) {
    m_keepFlag = 0;
    m_loadedFlag = 0;
    m_iniSection[0] = 0;
    return 0;
  }
  const char* name = reinterpret_cast<const char*>(lParam);
  std::memset(m_iniSection, 0, sizeof m_iniSection);
  // The host's text is read no further than the name can hold.
  if (name)
    for (size_t i = 0; i + 1 < OPLOT_NAME_SIZE && name[i]; ++i) m_iniSection[i] = name[i];
  STRUCT_OPLOT_KEPT_PREFS record{};
  if (!ReadKeptPreferences(&record) || record.loaded == 0) {
    m_keepFlag = 1;
    m_loadedFlag = 0;
    return 0;
  }
  bool rewrite = false;
  if (m_controlKind == 4 && m_subKind != 0) {
    record.prefs.plotData.filterKind = 0;
    record.prefs.plotData.flag2 = 0;
    rewrite = true;
  }
  m_keepFlag = 1;
  m_loadedFlag = 1;
  m_prefs = record.prefs;
  std::memcpy(m_filtering, Bytes(m_prefs) + kFilterOffset, kFilterSize);
  m_realTimeUpdateOff = record.realTimeUpdateOff ? 1 : 0;
  if (KELT_ValidateChroPrefs(&m_prefs)) {
    std::memcpy(m_filtering, Bytes(m_prefs) + kFilterOffset, kFilterSize);
    rewrite = true;
  }
  if (rewrite) KeepPreferences();
  SetToolbarTransientsFromPrefs();
  UpdateAfterPreferenceChange(1, 1);
  return 0;
}

LRESULT CCtlOPlot::OnGetLocalPreferences(WPARAM, LPARAM lParam) {
  if (!lParam) return 0;
  auto* out = reinterpret_cast<STRUCT_OPLOT_LOCAL_PREFS*>(lParam);
  out->keep = m_keepFlag;
  out->loaded = m_loadedFlag;
  out->prefs = m_prefs;
  std::memcpy(out->metaColors, m_printColors, sizeof out->metaColors);
  out->metaColorsSet = m_ownColors;
  std::memcpy(out->metaScale, m_printAxes, sizeof out->metaScale);
  out->metaScaleSet = m_ownPrintScaleParams;
  return 1;
}

LRESULT CCtlOPlot::OnSetLocalPreferences(WPARAM wParam, LPARAM lParam) {
  if (!lParam) return 0;
  STRUCT_OPLOT_LOCAL_PREFS in;
  std::memcpy(&in, reinterpret_cast<const void*>(lParam), sizeof in);
  // A host's record with values out of range is repaired, as a stored one is.
  KELT_ValidateChroPrefs(&in.prefs);
  const short sameFilter = std::memcmp(m_filtering, Bytes(in.prefs) + kFilterOffset, kFilterSize) == 0 ? 1 : 0;
  const short sameIntegration = Word(in.prefs, kIntegrationOffset) == Word(m_prefs, kIntegrationOffset) ? 1 : 0;
  m_keepFlag = in.keep ? 1 : 0;
  m_loadedFlag = in.loaded ? 1 : 0;
  m_prefs = in.prefs;
  std::memcpy(m_filtering, Bytes(m_prefs) + kFilterOffset, kFilterSize);
  std::memcpy(m_printColors, in.metaColors, sizeof m_printColors);
  m_ownColors = in.metaColorsSet;
  std::memcpy(m_printAxes, in.metaScale, sizeof m_printAxes);
  m_ownPrintScaleParams = in.metaScaleSet;
  // The point-fed control keeps its 32-bit value at byte 874 from byte 8.
  if (m_controlKind == 4) std::memcpy(Bytes(m_prefs) + 874, Bytes(m_prefs) + 8, 4);
  if (wParam == 0) SetToolbarTransientsFromPrefs();
  else m_movingLineRop = FirstScreenColour(m_prefs) != 0 ? R2_NOTXORPEN : R2_XORPEN;
  UpdateAfterPreferenceChange(sameFilter, sameIntegration);
  return 0;
}

// Both records or none: a missing one changes nothing.
LRESULT CCtlOPlot::OnSetScreenScaleParams(WPARAM wParam, LPARAM lParam) {
  if (!wParam || !lParam) return 0;
  std::memcpy(&m_screenScale[0], reinterpret_cast<const void*>(wParam), sizeof m_screenScale[0]);
  std::memcpy(&m_screenScale[1], reinterpret_cast<const void*>(lParam), sizeof m_screenScale[1]);
  m_screenScaleSet = 1;
  RepaintUnlessSuspended();
  return 0;
}

LRESULT CCtlOPlot::OnSetMetaScaleParams(WPARAM wParam, LPARAM lParam) {
  if (!wParam || !lParam) return 0;
  std::memcpy(&m_printAxes[0], reinterpret_cast<const void*>(wParam), sizeof m_printAxes[0]);
  std::memcpy(&m_printAxes[1], reinterpret_cast<const void*>(lParam), sizeof m_printAxes[1]);
  m_ownPrintScaleParams = 1;
  return 0;
}

LRESULT CCtlOPlot::OnSetMetaPlotColors(WPARAM wParam, LPARAM lParam) {
  if (wParam) {
    // No colours to take: nothing changes.
    if (!lParam) return 0;
    std::memcpy(m_printColors, reinterpret_cast<const void*>(lParam), sizeof m_printColors);
    m_ownColors = 1;
  } else {
    STRUCT_REPORT_PREFS report{};
    KELT_GetCurrDefReportPrefs(&report);
    std::memcpy(m_printColors, report.chroColors.colors, sizeof m_printColors);
    m_ownColors = 0;
  }
  if (m_pSegments && m_pSegments->m_hWnd)
    m_pSegments->SendMessage(WM_USER + 24, 1, reinterpret_cast<LPARAM>(m_printColors));
  return 0;
}

void CCtlOPlot::OnTTEditChromatogramPrefs() {
  // Everything the sheet may change, to put back on Cancel.
  const STRUCT_CHRO_PREFS savedPrefs = m_prefs;
  const int16_t savedShowToolbar = m_showToolbar, savedPoints = m_pointsToAverage, savedDrag = m_clickDragMode,
                savedClick = m_singleClickMode, savedBC = m_showBCMarkers, savedRop = m_movingLineRop;
  int16_t savedFiltering[6];
  std::memcpy(savedFiltering, m_filtering, sizeof savedFiltering);
  bool filteredBefore[OPLOT_SLOTS] = {};
  const SVW_OVERLAY* o = m_pOverlay;
  for (int s = 0; o && s < OPLOT_SLOTS; ++s)
    filteredBefore[s] = m_filtering[0] != 0 && o->slots[s].trace && o->slots[s].trace->filtered;

  short pageSet = 1;
  if (m_toolbarLayout == 2 || m_toolbarLayout == 5) pageSet = 4;
  else if (m_toolbarLayout == 6) pageSet = m_subKind == 1 ? 2 : m_subKind == 2 ? 3 : 5;

  STRUCT_CHRO_PREFS edit = m_prefs;
  auto* loaded = reinterpret_cast<unsigned short*>(&m_loadedFlag);
  const int16_t accepted = Dlg_EditChroPlotPreferences(this, &edit, 0, m_keepFlag, loaded, pageSet);
  short sameIntegration = 0;
  if (!accepted) {
    m_prefs = savedPrefs;
    m_showToolbar = savedShowToolbar;
    m_pointsToAverage = savedPoints;
    m_clickDragMode = savedDrag;
    m_singleClickMode = savedClick;
    m_showBCMarkers = savedBC;
    m_movingLineRop = savedRop;
    std::memcpy(m_filtering, savedFiltering, sizeof m_filtering);
  } else {
    const bool filterChanged = std::memcmp(savedFiltering, Bytes(edit) + kFilterOffset, kFilterSize) != 0;
    sameIntegration = Word(edit, kIntegrationOffset) == Word(m_prefs, kIntegrationOffset) ? 1 : 0;
    m_prefs = edit;
    std::memcpy(m_filtering, Bytes(m_prefs) + kFilterOffset, kFilterSize);
    UpdateMinMaxInDataInfo();
    SetToolbarTransientsFromPrefs();
    if (m_controlKind != 4 && m_pLabels && o) {
      for (short s = 0; s < OPLOT_SLOTS; ++s) {
        const bool filteredNow = m_filtering[0] != 0 && o->slots[s].trace && o->slots[s].trace->filtered;
        if (filterChanged || filteredNow != filteredBefore[s]) {
          m_pLabels->DeleteSomeLabelsForPlot(s, 231);
          m_pLabels->DeleteSomeLabelsForPlot(s, 233);
        }
      }
    }
    KeepPreferences();
  }
  const short sameFilter = std::memcmp(m_filtering, savedFiltering, sizeof savedFiltering) == 0 ? 1 : 0;
  UpdateAfterPreferenceChange(sameFilter, sameIntegration);
}

void CCtlOPlot::OnTTReportPrefs() { Dlg_EditReportPreferences(this, 0, 0); }

void CCtlOPlot::UpdateAfterPreferenceChange(short sameFilter, short sameIntegration) {
  // Result annotations are rebuilt from the new switches; the host's match results stay.
  for (void** list : {m_dhAnnotations, m_amdisAnnotations, m_tchroAnnotations})
    for (int s = 0; s < OPLOT_SLOTS; ++s) {
      if (list[s]) OPLOT_FreeAnnotationStrings(static_cast<STRUCT_ANNOTATIONS*>(list[s]));
      list[s] = nullptr;
    }
  if (m_prefs.resultAnnotations.show || m_prefs.amdisAnnotations.show || m_prefs.tchroAnnotations.show)
    MakeOrKeepOrFreeAnnotations();

  if (m_controlKind == 3 || m_controlKind == 4) m_prefs.features.showSegments = 0;
  if (!m_prefs.features.showSegments)
    DestroySegments();
  else if (!m_pSegments && m_hWnd)
    CreateSegments();
  if (m_pSegments && m_pSegments->m_hWnd)
    m_pSegments->SendMessage(WM_USER + 19, 0, reinterpret_cast<LPARAM>(&m_prefs));
  if (m_showToolbar && !m_pToolBar) CreateToolBar();

  SVW_OVERLAY* o = m_pOverlay;
  if (!sameFilter) {
    if (m_filtering[0] == 0 || !o) {
      if (m_controlKind == 4 && m_pLabels)
        for (short s = 0; s < OPLOT_SLOTS; ++s) m_pLabels->DeleteSomeLabelsForPlot(s, 231);
    } else {
      for (int s = 0; s < OPLOT_SLOTS; ++s)
        if (o->slots[s].dataPresent && o->slots[s].trace) FilterDataPointsStruct(o->slots[s].trace, m_filtering);
      UpdateMinMaxInDataInfo();
    }
  }
  if (!sameFilter || !sameIntegration) {
    QuickIntSettings settings{};
    settings.filtering = m_filtering[0] != 0 ? 1 : 0;
    std::memcpy(settings.filter, m_filtering, sizeof settings.filter);
    std::memcpy(settings.noise, Bytes(m_prefs) + kIntegrationOffset, kNoiseSize);
    for (void* dialog : m_pQuickInt) {
      auto* wnd = static_cast<CWnd*>(dialog);
      if (wnd && ::IsWindow(wnd->m_hWnd)) wnd->SendMessage(WM_USER + 23, 0, reinterpret_cast<LPARAM>(&settings));
    }
  }
  for (short c = 0; c < OPLOT_SPT_WINDOWS; ++c)
    for (short sp = 0; sp < OPLOT_SPT_PLACES; ++sp) GetOneSpectrumMarkerValues(c, sp);
  if ((m_controlKind == 1 || m_controlKind == 2) && m_hWnd) SendMessage(WM_USER + 137, 0, 0);
  SizeControls();
  RepaintUnlessSuspended();
}
