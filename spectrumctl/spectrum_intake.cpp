// The spectrum control's slots: spectra arriving by pointer or by copy,
// the internal transforms, the difference spectrum, clearing, and the
// message interface that reads and sets the slots.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>

#include "common/number_format.h"
#include "common/work_file.h"
#include "spectra/library_entry_texts.h"
#include "orvik32/orvik32.h"
#include "plotengine/label_manager.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_info_windows.h"

namespace {
bool ValidSlot(WPARAM w, int slots) { return static_cast<intptr_t>(w) >= 0 && static_cast<intptr_t>(w) < slots; }

// Marks a background-corrected copy's title: "(E)" becomes "(EBC)", any
// other title gets " (BC)".
void MarkCorrectedTitle(char* title) {
  const size_t n = strnlen(title, SPT_TITLE_SIZE - 1);
  if (n > 5 && std::strcmp(title + n - 3, "(E)") == 0) {
    const size_t at = n - 3;
    if (at < 72) {
      title[at] = 0;
      std::strncat(title, "(EBC)", SPT_TITLE_SIZE - 1 - at);
    } else {
      title[at] = 0;
    }
  } else if (n < 72) {
    std::strncat(title, " (BC)", SPT_TITLE_SIZE - 1 - n);
  }
}
// A record copied from a host's bytes: each text ends within its field, a
// base peak or mass range that is no number is taken from the pairs.
void SanitizeHostRecord(STRUCT_SPT_PLUS* s) {
  for (char* t : {s->mainTitle, s->nameTitle, s->fileTitle, s->infoTitle}) t[SPT_TITLE_SIZE - 1] = 0;
  s->extraInfo[SPT_EXTRA_INFO_SIZE - 1] = 0;
  s->name[SPT_TEXT_NAME_SIZE - 1] = 0;
  s->formula[SPT_TEXT_FORMULA_SIZE - 1] = 0;
  s->comment[SPT_TEXT_COMMENT_SIZE - 1] = 0;
  const double lowMass = s->lowMass, highMass = s->highMass;
  if (!std::isfinite(lowMass) || !std::isfinite(highMass)) {
    s->lowMass = s->highMass = 0;
    s->useMassRange = 0;
  }
  const double basePeakMass = s->basePeakMass, basePeakIntensity = s->basePeakIntensity;
  if (!std::isfinite(basePeakMass) || !std::isfinite(basePeakIntensity) || basePeakIntensity < 0) {
    s->basePeakFixed = 0;
    PlusSpt_UpdateBasePeak(s);
    const double again = s->basePeakIntensity;
    if (!std::isfinite(again)) s->basePeakIntensity = 0;
  }
}
}  // namespace

int16_t CCtlSpt::ShownCount() const {
  int16_t n = 0;
  for (int s = 0; s < SPT_SLOTS; ++s) n += m_shown[s] && m_display[s] ? 1 : 0;
  return n;
}

bool CCtlSpt::AnyProfileShown() const {
  for (int s = 0; s < SPT_SLOTS; ++s)
    if (m_shown[s] && m_display[s] && PlusSpt_IsProfileData(m_display[s])) return true;
  return false;
}

void CCtlSpt::HandleNewSptPlusData(STRUCT_CCSPT_PLUS_DATA* copyForm, STRUCT_CCSPT_SPT_PLUS_DATA* pointerForm) {
  if (!copyForm && !pointerForm) return;
  if (m_tracking) OnEscapeTracking(0, 0);
  FreeClearDifferenceSpectrum();
  m_differenceExport = 0;
  for (short slot = 0; slot < 2; ++slot) {
    STRUCT_SPT_PLUS* candidate = nullptr;
    int16_t hidden = 0;
    if (pointerForm) {
      candidate = slot == 0 ? pointerForm->sptA : pointerForm->sptB;
      hidden = slot == 0 ? pointerForm->hiddenA : pointerForm->hiddenB;
    } else {
      const bool present = slot == 0 ? copyForm->aPresent : copyForm->bPresent;
      candidate = present ? (slot == 0 ? &copyForm->a : &copyForm->b) : nullptr;
      hidden = slot == 0 ? copyForm->aHidden : copyForm->bHidden;
    }
    // The same spectrum again leaves the slot as it is: labels, ranges, transforms.
    const STRUCT_SPT_PLUS* current = m_input[slot] ? m_input[slot] : m_display[slot];
    if (candidate && current && candidate->serialNumber == current->serialNumber) continue;
    if (m_pLabels) m_pLabels->DeleteLabelsForPlot(slot);
    if (m_vertMode == SPT_VERT_AUTOSCALE && !m_vertSetByUser) m_vertMin[slot] = m_vertMax[slot] = 0;
    FreeClearSpectrum(slot);
    if (!candidate) continue;
    if (pointerForm) {
      m_display[slot] = candidate;
    } else {
      m_display[slot] = PlusSpt_Copy(candidate);
      if (!m_display[slot]) continue;
      m_owned[slot] = 1;
      SanitizeHostRecord(m_display[slot]);
    }
    m_shown[slot] = hidden == 0 ? 1 : 0;
    // Titles go on the record that is shown; a sender's copied record is left as it was.
    STRUCT_SPT_PLUS* titled = m_display[slot];
    if (m_windowMode == SPT_WINDOW_DATA_REVIEW) {
      // The label text: the first item of the title lines.
      char label[SPT_EXTRA_INFO_SIZE] = {};
      std::snprintf(label, sizeof label, "Spectrum %s%c", m_name, slot == 0 ? 'A' : 'B');
      std::memcpy(titled->extraInfo, label, sizeof label);
      PlusSpt_AddSDSInfoToTitles(titled);
    }
    PlusSpt_InitTitlesFromPrefs(titled, &m_prefs.titles);
    DoInternalTransforms(slot);
    if (m_prefs.profile.smoothProfile && m_display[slot]->kind == SPT_KIND_TOL && PlusSpt_IsProfileData(m_display[slot]))
      MakeResearchSmoothSpectrum(slot);
  }
  const int16_t* options = pointerForm ? pointerForm->options : copyForm->options;
  std::memcpy(m_options, options, sizeof m_options);
  if (m_display[0] && m_display[1] && m_showDifference && m_prefs.drawing.showDifference) MakeDifferenceSpectrum();
  const int16_t diffHidden = pointerForm ? pointerForm->hiddenDifference : copyForm->differenceHidden;
  m_shown[2] = m_display[2] && !diffHidden ? 1 : 0;
  for (short slot = 0; slot < 2; ++slot) CloseCentroidDialog(slot);
  CarryVerticalRanges();
  InitScaleRanges();
  SaveCurrentScales();
  Notify(SPTN_NEW_SPECTRA);
  InitSizes();
  if (m_hWnd) Invalidate(FALSE);
}

void CCtlSpt::CarryVerticalRanges() {
  for (short slot = 0; slot < 2; ++slot) {
    const STRUCT_SPT_PLUS* s = m_smoothed[slot] ? m_smoothed[slot] : m_display[slot];
    double v = 0;
    if (s) PlusSpt_GetBasePeak(s, &v);
    if (!std::isfinite(v)) v = 0;
    if (m_moduleWindow && v <= 100) v = 100;
    const double p = m_lastBase[slot];
    if (m_vertMode == SPT_VERT_FIXED && m_prefs.drawing.keepAbsolute == 1 && p != 0 && v != 0 && v != p &&
        m_vertMin[slot] != 0 && m_vertMax[slot] != 0) {
      m_vertMin[slot] *= p / v;
      m_vertMax[slot] *= p / v;
    }
    if (v != 0) m_lastBase[slot] = v;
  }
}

void CCtlSpt::DoInternalTransforms(short slot) {
  if (slot < 0 || slot > 1 || !m_display[slot] || PlusSpt_IsProfileData(m_display[slot])) return;
  if (m_input[slot]) {
    PlusSpt_Free(m_display[slot]);
    m_display[slot] = m_input[slot];
    m_input[slot] = nullptr;
  }
  STRUCT_SPT_PLUS* d = m_display[slot];
  const bool correct = m_windowMode <= SPT_WINDOW_DATA_REVIEW && m_backgroundCorrection && d->background && d->tolSpt;
  const int16_t percent = m_prefs.features.transform;
  if (!correct && percent == 0) return;
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(d);
  if (!copy) return;
  m_input[slot] = d;
  m_display[slot] = copy;
  if (correct && copy->tolSpt && copy->background) {
    TOL_BaselineCorrectSpectrumEx(copy->tolSpt, copy->background);
    const bool fixedTitles = kelt::spectra::FixedTitles(copy);
    if (fixedTitles) {
      MarkCorrectedTitle(copy->mainTitle);
      if (!copy->mainTitle[0]) std::memcpy(copy->mainTitle, d->mainTitle, SPT_TITLE_SIZE);
    }
    TOL_Free(copy->background);
    copy->background = nullptr;
    PlusSpt_UpdateBasePeak(copy);
    if (!fixedTitles) PlusSpt_InitTitlesFromPrefs(copy, &m_prefs.titles);
    else if (std::strncmp(copy->nameTitle, "BP ", 3) == 0) PlusSpt_InitFileTitle(copy);
  }
  if (percent != 0) PlusSpt_RemovePairsBelowPercentBP(copy, percent);
}

void CCtlSpt::FreeClearSpectrum(short slot) {
  if (slot < 0 || slot > 1) return;
  if (m_pLabels) m_pLabels->DeleteLabelsForPlot(slot);
  if (m_owned[slot]) {
    PlusSpt_Free(m_display[slot]);
    PlusSpt_Free(m_input[slot]);
  } else if (m_input[slot]) {
    PlusSpt_Free(m_display[slot]);  // the control's transformed copy; the input is the sender's
  }
  PlusSpt_Free(m_smoothed[slot]);
  PlusSpt_Free(m_centroid[slot]);
  m_display[slot] = m_input[slot] = m_smoothed[slot] = m_centroid[slot] = nullptr;
  m_shown[slot] = m_owned[slot] = 0;
  if (slot == 0) m_live = 0;
  if (m_vertMode == SPT_VERT_AUTOSCALE && !m_vertSetByUser && (!m_moduleWindow || m_vertMax[slot] > 100))
    m_vertMin[slot] = m_vertMax[slot] = 0;
  m_boundariesSet[slot] = 0;
  if (!m_display[0] && !m_display[1]) CloseSelChroPlotDialog();
}

void CCtlSpt::FreeClearDifferenceSpectrum() {
  if (m_pLabels) m_pLabels->DeleteLabelsForPlot(2);
  PlusSpt_Free(m_display[2]);
  m_display[2] = nullptr;
  m_shown[2] = 0;
  if (m_vertMode == SPT_VERT_AUTOSCALE) {
    m_vertMin[2] = -100;
    m_vertMax[2] = 100;
  }
}

void CCtlSpt::FreeClearAllSpectra() {
  FreeClearSpectrum(0);
  FreeClearSpectrum(1);
  FreeClearDifferenceSpectrum();
  for (auto& k : m_previousKept) k = 0;
  if (m_pInfo && m_pInfo->m_hWnd) m_pInfo->SendMessage(WM_USER + 21, 0, 0);
}

void CCtlSpt::MakeDifferenceSpectrum() {
  if (!DIFF_OkToMakeSpectrum(m_display[0], m_display[1])) return;
  STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(m_display[0], m_display[1], m_prefs.drawing.keepAbsolute == 1 ? 1 : 2);
  if (!d) return;
  auto* record = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!record) {
    DIFF_Free(d);
    return;
  }
  PlusSpt_InitDiffSpt(record, d, m_display[0], m_display[1]);
  PlusSpt_Free(m_display[2]);
  m_display[2] = record;
}

// ---- Messages of the slots --------------------------------------------------------

LRESULT CCtlSpt::OnPlusData(WPARAM, LPARAM lParam) {
  HandleNewSptPlusData(reinterpret_cast<STRUCT_CCSPT_PLUS_DATA*>(lParam), nullptr);
  return 0;
}

LRESULT CCtlSpt::OnSptPlusData(WPARAM, LPARAM lParam) {
  HandleNewSptPlusData(nullptr, reinterpret_cast<STRUCT_CCSPT_SPT_PLUS_DATA*>(lParam));
  return 0;
}

LRESULT CCtlSpt::OnNoData(WPARAM, LPARAM) {
  FreeClearAllSpectra();
  m_options[0] = 0;
  m_scalesValid = 0;
  CloseCentroidDialogs();
  CloseSelChroPlotDialog();
  InitSizes();
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnGetDifferenceSpectrum(WPARAM, LPARAM lParam) {
  auto* out = reinterpret_cast<STRUCT_SPT_PLUS*>(lParam);
  if (!out || !m_display[2]) return 0;
  // The caller gets a record of its own: its kind data is a copy that it
  // frees (PlusSpt_Free of a copy, or DIFF_Free of diffSpt), never the control's.
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(m_display[2]);
  if (!copy) return 0;
  std::memcpy(static_cast<void*>(out), copy, sizeof *out);
  FreeBlock(copy);
  return 1;
}

LRESULT CCtlSpt::OnSetShowDifferenceMode(WPARAM wParam, LPARAM) {
  m_showDifference = wParam ? 1 : 0;
  m_shown[2] = m_showDifference && m_prefs.drawing.showDifference && m_display[2] ? 1 : 0;
  if (m_shown[2]) AutoScaleVertScales(3, 3);
  InitSizes();
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnGetMassRange(WPARAM, LPARAM lParam) {
  if (!lParam || !m_scalesValid) return 0;
  auto* out = reinterpret_cast<double*>(lParam);
  out[0] = m_massLow;
  out[1] = m_massHigh;
  return 1;
}

LRESULT CCtlSpt::OnGetVertRanges(WPARAM, LPARAM lParam) {
  if (!lParam || !m_scalesValid) return 0;
  auto* out = reinterpret_cast<STRUCT_CCSPT_VERT_RANGES*>(lParam);
  for (int s = 0; s < SPT_SLOTS; ++s) {
    const bool shown = m_shown[s] && m_display[s];
    out->maxMin[s][0] = shown ? m_vertMax[s] : 0;
    out->maxMin[s][1] = shown ? m_vertMin[s] : 0;
  }
  return 1;
}

LRESULT CCtlSpt::OnGetSptCount(WPARAM wParam, LPARAM) {
  int n = 0;
  for (int s = 0; s < SPT_SLOTS; ++s) n += m_display[s] && (!wParam || m_shown[s]) ? 1 : 0;
  return n;
}

LRESULT CCtlSpt::OnShowSpectrum(WPARAM wParam, LPARAM lParam) {
  if (!ValidSlot(wParam, SPT_SLOTS) || !m_display[wParam]) return 0;
  const int16_t want = lParam ? 1 : 0;
  if (m_shown[wParam] == want) return 0;
  m_shown[wParam] = want;
  InitScaleRanges();
  InitSizes();
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnGetSpectrumPointer(WPARAM wParam, LPARAM) {
  if (!ValidSlot(wParam, 2)) return 0;
  return reinterpret_cast<LRESULT>(m_display[wParam]);
}

LRESULT CCtlSpt::OnGetInputSpectrumPointer(WPARAM wParam, LPARAM) {
  if (!ValidSlot(wParam, 2)) return 0;
  return reinterpret_cast<LRESULT>(m_input[wParam] ? m_input[wParam] : m_display[wParam]);
}

LRESULT CCtlSpt::OnIsSptDisplayed(WPARAM wParam, LPARAM) {
  if (!ValidSlot(wParam, SPT_SLOTS)) return 0;
  return m_display[wParam] && m_shown[wParam] ? 1 : 0;
}

LRESULT CCtlSpt::OnGetRealSptFromDiffSpt(WPARAM, LPARAM) {
  if (!m_display[0] || !m_display[1] || PlusSpt_IsProfileData(m_display[0]) || PlusSpt_IsProfileData(m_display[1]))
    return 0;
  if (m_shown[2] && m_display[2] && m_display[2]->diffSpt)
    return reinterpret_cast<LRESULT>(PlusSpt_MakeSpectrumFromDifference(m_display[0], m_display[1], m_display[2]->diffSpt));
  STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(m_display[0], m_display[1], 2);
  if (!d) return 0;
  STRUCT_SPT_PLUS* made = PlusSpt_MakeSpectrumFromDifference(m_display[0], m_display[1], d);
  DIFF_Free(d);
  return reinterpret_cast<LRESULT>(made);
}

LRESULT CCtlSpt::OnChangeBackgroundCorrectedSpectraStatus(WPARAM wParam, LPARAM) {
  m_backgroundCorrection = wParam ? 1 : 0;
  DoInternalTransforms(0);
  DoInternalTransforms(1);
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnGetUseBackgroundCorrectionStatus(WPARAM, LPARAM) { return m_backgroundCorrection; }

LRESULT CCtlSpt::OnSetBoundaries(WPARAM wParam, LPARAM lParam) {
  if (!ValidSlot(wParam, 2)) return 0;
  if (!lParam) {
    m_boundariesSet[wParam] = 0;
    std::memset(m_boundaries[wParam], 0, SPT_BOUNDARIES_SIZE);
  } else {
    std::memcpy(m_boundaries[wParam], reinterpret_cast<const void*>(lParam), SPT_BOUNDARIES_SIZE);
    m_boundariesSet[wParam] = 1;
  }
  return 0;
}

LRESULT CCtlSpt::OnSetNISTComparisonParams(WPARAM wParam, LPARAM lParam) {
  if (!wParam || !lParam) {
    m_comparisonSet = 0;
    std::memset(&m_comparison, 0, sizeof m_comparison);
  } else {
    std::memcpy(&m_comparison, reinterpret_cast<const void*>(lParam), sizeof m_comparison);
    m_comparisonSet = 1;
  }
  return 0;
}

void CCtlSpt::FormatSpectrumInfoLines(STRUCT_SPT_PLUS* spt, STRUCT_TOL_SPT* tol) {
  const MS_SCAN_HEADER& h = tol->header;
  tol->firstScan = tol->lastScan = h.scanNumber;
  tol->firstTime = tol->lastTime = h.time;
  tol->scansAveraged = 1;
  tol->chanList.kind = CHAN_LIST_MERGED;
  PlusSpt_InitTolSpt(spt, tol, tol->dataFilePath);
  spt->kind = SPT_KIND_TOL;
  spt->serialNumber = PlusSpt_GetNextSerialId();
  spt->lowMass = h.lowLimit;
  spt->highMass = h.highLimit;
  spt->basePeakMass = h.basePeakMass;
  spt->basePeakIntensity = h.basePeakIntensity;
  if (!kelt::spectra::FixedTitles(spt)) {
    std::snprintf(spt->extraInfo, sizeof spt->extraInfo, "%s", "Real Time");
    PlusSpt_InitTitlesFromPrefs(spt, &m_prefs.titles);
    return;
  }
  char format[16] = "%.0f";
  KELT_GetMassDecimalsAndFormat(spt, format);
  char ric[40] = {}, low[40] = {}, high[40] = {}, base[40] = {};
  const uint64_t totalIon = h.totalIon;  // packed: read by value
  KELT_FormatIntensityI64(static_cast<int64_t>(std::min<uint64_t>(totalIon, INT64_MAX)), ric);
  std::snprintf(low, sizeof low, format, h.lowLimit);
  std::snprintf(high, sizeof high, format, h.highLimit);
  std::snprintf(base, sizeof base, format, h.basePeakMass);
  std::snprintf(spt->mainTitle, SPT_TITLE_SIZE, "Scan Number: %lu, Time: %.3f min.", static_cast<unsigned long>(h.scanNumber),
                h.time);
  std::snprintf(spt->nameTitle, SPT_TITLE_SIZE, "RIC: %s,  Ion Range: %s - %s %s", ric, low, high, "m/z");
  spt->fileTitle[0] = 0;
  if (h.basePeakMass != 0 || h.basePeakIntensity != 0)
    std::snprintf(spt->fileTitle, SPT_TITLE_SIZE, "Base Peak: %s,  Base Amount: %lu", base,
                  static_cast<unsigned long>(h.basePeakIntensity));
  // The scan header of this format carries no ion time.
  const char* ion = "Ion: NA";
  char channel[48] = "Combined";
  if (h.function != 255)
    std::snprintf(channel, sizeof channel, "Channel: %d%s", h.function + 1, tol->averagedMarker ? " (Averaged)" : "");
  std::snprintf(spt->infoTitle, SPT_TITLE_SIZE, "%s,  Segment: %d,  %s", ion, tol->segment.number, channel);
}

LRESULT CCtlSpt::OnLiveSpectrumEx(WPARAM, LPARAM lParam) {
  if (m_tracking) return 0;
  const auto* live = reinterpret_cast<const STRUCT_CCSPT_LIVE_SCAN*>(lParam);
  if (!live || !live->fileHeader || !live->segment || !live->scanHeader || !live->pairs) return 0;
  if (!m_live) {
    FreeClearAllSpectra();
    m_options[0] = 0;
    if (m_massLow == 0 || m_massHigh == 0) {
      m_massLow = m_fullLow = 10.0;
      m_massHigh = m_fullHigh = live->fileHeader->upperMassLimit;
    }
  } else {
    if (m_display[0] && std::fabs(m_display[0]->basePeakIntensity) > 1e-8) m_previousLiveBase = m_display[0]->basePeakIntensity;
    FreeClearSpectrum(0);
  }
  uint32_t count = 0;
  std::memcpy(&count, live->pairs, sizeof count);
  // A count past the most points any scan of the file holds is not believed.
  const uint32_t most = live->fileHeader->maxScanPoints ? live->fileHeader->maxScanPoints : 1000000;
  STRUCT_TOL_SPT* tol = count <= most ? TOL_StartNewSpectrum() : nullptr;
  for (uint32_t i = 0; tol && i < count; ++i) {
    const uint8_t* p = live->pairs + 4 + size_t(i) * 13;
    uint8_t flag = p[0];
    double mass = 0;
    uint32_t intensity = 0;
    std::memcpy(&mass, p + 1, sizeof mass);
    std::memcpy(&intensity, p + 9, sizeof intensity);
    if (!std::isfinite(mass)) continue;
    STRUCT_TOL_SPT* grown = TOL_AddToSpectrum(tol, mass, intensity);
    if (!grown) {
      TOL_Free(tol);
      tol = nullptr;
      break;
    }
    tol = grown;
    tol->pairs[tol->pairCount - 1].flag = flag;
  }
  if (tol) {
    tol->displayMade = 1;  // the information lines of a live scan
    std::memcpy(tol->dataFilePath, live->path, sizeof tol->dataFilePath - 1);
    tol->header = *live->scanHeader;
    tol->segment = *live->segment;
    tol->segmentIndex = static_cast<int16_t>(tol->segment.number);
    tol->scanFunIndex = tol->header.function == 255 ? 0 : tol->header.function;
    tol->fileBlock = *live->fileHeader;
    tol->profile = live->fileHeader->centroid == 0 ? 1 : 0;
    tol->averagedMarker = m_averaging ? 1 : 0;
    auto* record = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
    if (!record) {
      TOL_Free(tol);
    } else {
      FormatSpectrumInfoLines(record, tol);
      m_display[0] = record;
      m_shown[0] = m_owned[0] = 1;
      m_live = 1;
      DoInternalTransforms(0);
      if (m_prefs.profile.smoothProfile) MakeResearchSmoothSpectrum(0);
    }
  }
  CarryVerticalRanges();
  InitScaleRanges();
  SaveCurrentScales();
  m_labelsLocked = 1;
  InitSizes();
  Invalidate(FALSE);
  return 0;
}
LRESULT CCtlSpt::OnSpectrumRequest(WPARAM, LPARAM lParam) {
  if (m_tracking) OnEscapeTracking(0, 0);
  FreeClearAllSpectra();
  const auto* request = reinterpret_cast<const STRUCT_CCSPT_SPECTRUM_REQUEST*>(lParam);
  if (request) {
    // The path is the host's bytes: it ends within its field.
    char path[sizeof request->path + 1] = {};
    std::memcpy(path, request->path, sizeof request->path);
    if (STRUCT_WORK_FILE* wf = path[0] ? MakeWorkFileStruct(path, 0) : nullptr) {
      STRUCT_CHAN_LIST merged{};
      merged.kind = CHAN_LIST_MERGED;
      STRUCT_TOL_SPT* tol = request->byScan ? TOL_MakeSpectrumFromScan(wf, request->scan)
                                            : (std::isfinite(request->time)
                                                   ? TOL_MakeAvgSptFromTime(wf, &merged, request->time, 1)
                                                   : nullptr);
      FreeWorkFileStruct(wf);
      auto* record = tol ? static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS))) : nullptr;
      if (record) {
        PlusSpt_InitTolSpt(record, tol, path);
        PlusSpt_InitTitlesFromPrefs(record, &m_prefs.titles);
        m_display[0] = record;
        m_shown[0] = m_owned[0] = 1;
        DoInternalTransforms(0);
      } else {
        TOL_Free(tol);
      }
    }
  }
  if (m_display[0]) {
    InitScaleRanges();
    SaveCurrentScales();
  }
  InitSizes();
  Invalidate(FALSE);
  return 0;
}
