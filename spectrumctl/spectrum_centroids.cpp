// Centroid and smoothed companions of profile spectra A and B, made by the
// centroid engine from the profile points of their MS-data records.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/make_centroid_dialog.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_user.h"

namespace {

struct CentroidTitleTexts {
  std::string first, second;
};

std::string TitleText(const char* field) { return std::string(field, strnlen(field, SPT_TITLE_SIZE)); }

// The centroid's header carries the profile spectrum's first and second
// titles, but a copied text would state the profile's base peak and its
// profile mark, and the centroid's base peak (a peak's summed points) is
// not the profile's highest point. So the titles are made again, the way
// the profile's were, for the centroid itself; and a second title that
// names no base peak is led by the centroid's own.
CentroidTitleTexts CentroidTitles(const STRUCT_SPT_PLUS* shown, const STRUCT_SPT_PLUS* centroid,
                                  const STRUCT_SPTS_TITLES& prefs) {
  CentroidTitleTexts t{TitleText(shown->mainTitle), TitleText(shown->nameTitle)};
  // A scratch copy sharing the centroid's records: only its titles are written.
  STRUCT_SPT_PLUS scratch;
  std::memcpy(&scratch, centroid, sizeof scratch);
  if (!kelt::spectra::FixedTitles(centroid)) {
    PlusSpt_InitTitlesFromPrefs(&scratch, &prefs);
    t.first = TitleText(scratch.mainTitle);
    t.second = TitleText(scratch.nameTitle);
  } else if (t.second.compare(0, 3, "BP ") == 0) {
    PlusSpt_InitFileTitle(&scratch);
    t.second = TitleText(scratch.fileTitle);
  }
  if (t.second.find("BP") == std::string::npos) {
    const std::string bp = kelt::spectra::BasePeakTitle(centroid);
    t.second = t.second.empty() ? bp : bp + ", " + t.second;
  }
  return t;
}

// Raised on every companion made, library-wide: each gets a serial of its own.
uint16_t g_companionSerials = 0;

bool HoldsProfile(const STRUCT_SPT_PLUS* s) {
  return s && s->kind == SPT_KIND_TOL && s->tolSpt && s->tolSpt->profile == 1;
}

// The engine's point block of a record's profile points: u32 count, then
// {flag, mass, intensity} per point. Null when it cannot be made.
uint8_t* PointBlockOf(const STRUCT_TOL_SPT* tol) {
  const uint32_t n = tol->pairCount;
  if (n > MS_MAX_SCAN_POINTS) return nullptr;
  auto* block = static_cast<uint8_t*>(AllocBlock(n * 13u + 37u));
  if (!block) return nullptr;
  std::memcpy(block, &n, 4);
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t* p = block + 4 + size_t(i) * 13;
    p[0] = tol->pairs[i].flag;
    std::memcpy(p + 1, &tol->pairs[i].mass, 8);
    std::memcpy(p + 9, &tol->pairs[i].intensity, 4);
  }
  return block;
}

// A new MS-data record: the source's fixed part with the engine's points.
STRUCT_TOL_SPT* RecordFromPoints(const STRUCT_TOL_SPT* source, const uint8_t* block, int16_t profile) {
  uint32_t n = 0;
  std::memcpy(&n, block, 4);
  if (n > MS_MAX_SCAN_POINTS) return nullptr;
  auto* tol = static_cast<STRUCT_TOL_SPT*>(AllocBlock(static_cast<uint32_t>(TolSptBytes(std::max<uint32_t>(n, 1)))));
  if (!tol) return nullptr;
  std::memcpy(static_cast<void*>(tol), source, kTolHeadBytes);
  tol->scanFuns = nullptr;
  tol->profile = profile;
  tol->pairCount = n;
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t* p = block + 4 + size_t(i) * 13;
    tol->pairs[i].flag = p[0];
    std::memcpy(&tol->pairs[i].mass, p + 1, 8);
    std::memcpy(&tol->pairs[i].intensity, p + 9, 4);
  }
  return tol;
}

// A new spectrum record like shown, holding tol (taken over), with a new
// serial, its base peak and its titles emptied. Null (tol freed) on failure.
STRUCT_SPT_PLUS* SpectrumAround(const STRUCT_SPT_PLUS* shown, STRUCT_TOL_SPT* tol) {
  // The copy carries everything the shown record owns; its MS-data record
  // is then swapped for the new one.
  STRUCT_SPT_PLUS* spt = PlusSpt_Copy(shown);
  if (!spt) {
    TOL_Free(tol);
    return nullptr;
  }
  TOL_Free(spt->tolSpt);
  spt->tolSpt = tol;
  spt->serialNumber = static_cast<uint16_t>(spt->serialNumber + ++g_companionSerials);
  double intensity = 0;
  spt->basePeakMass = PlusSpt_GetBasePeak(spt, &intensity);
  spt->basePeakIntensity = intensity;
  spt->mainTitle[0] = spt->nameTitle[0] = spt->fileTitle[0] = spt->infoTitle[0] = 0;
  return spt;
}

void SetText(char* field, size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

std::string Printf(const char* fmt, int a, int b = 0, int c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, fmt, a, b, c);
  return text;
}

// Runs one engine pass over the source's points into a new companion; null
// on any failure, with nothing left allocated.
STRUCT_SPT_PLUS* Companion(CMS_CentroidEngine& engine, const STRUCT_SPT_PLUS* shown, const MS_CENTROID_PARAMS& params,
                           bool centroid) {
  const STRUCT_TOL_SPT* source = shown->tolSpt;
  uint8_t* block = PointBlockOf(source);
  if (!block) return nullptr;
  const MSRetCode rc = centroid
                           ? engine.CentroidSpec(&source->fileBlock, &source->segment, &source->header, block, &params.engine)
                           : engine.SmoothProfileSpec(&source->fileBlock, block, &source->segment, &source->header,
                                                      &params.engine);
  STRUCT_TOL_SPT* tol = rc == MS_OK ? RecordFromPoints(source, block, centroid ? 0 : 1) : nullptr;
  FreeBlock(block);
  return tol ? SpectrumAround(shown, tol) : nullptr;
}

}  // namespace

uint16_t ComputeThresholdCountOf(const STRUCT_TOL_SPT* tol, double factor) {
  if (!tol || !(factor > 0) || !std::isfinite(factor)) return 0;
  std::vector<uint32_t> values;
  for (uint32_t i = 0; i < tol->pairCount && i < MS_MAX_SCAN_POINTS; ++i)
    if (const uint32_t v = tol->pairs[i].intensity) values.push_back(v);
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  const double count = values[values.size() / 2] * factor;
  return static_cast<uint16_t>(std::clamp(std::lround(count), 0L, 65535L));
}

void CCtlSpt::MakeResearchSmoothSpectrum(short slot) {
  if (slot < 0 || slot > 1 || !HoldsProfile(m_display[slot])) return;
  MS_CENTROID_PARAMS params{};
  params.engine.chargeState = static_cast<uint16_t>(m_prefs.profile.chargeState);
  params.engine.searchPoints = static_cast<uint16_t>(m_prefs.profile.searchPoints);
  params.engine.scanKind = 1;
  if (!m_pEngine) {
    m_pEngine = new (std::nothrow) CMS_CentroidEngine;
    if (!m_pEngine) return;
    if (m_pEngine->Init() != MS_OK) {
      delete m_pEngine;
      m_pEngine = nullptr;
      return;
    }
  }
  STRUCT_SPT_PLUS* smoothed = Companion(*m_pEngine, m_display[slot], params, false);
  if (!smoothed) return;
  const STRUCT_SPT_PLUS* shown = m_display[slot];
  if (!m_prefs.profile.smoothedTitles) {
    // The shown record's titles, marked, when the mark still fits.
    std::memcpy(smoothed->mainTitle, shown->mainTitle, sizeof smoothed->mainTitle);
    std::memcpy(smoothed->nameTitle, shown->nameTitle, sizeof smoothed->nameTitle);
    std::memcpy(smoothed->fileTitle, shown->fileTitle, sizeof smoothed->fileTitle);
    std::memcpy(smoothed->infoTitle, shown->infoTitle, sizeof smoothed->infoTitle);
    smoothed->mainTitle[SPT_TITLE_SIZE - 1] = 0;
    const size_t n = std::strlen(smoothed->mainTitle);
    if (n + 9 < 80) std::memcpy(smoothed->mainTitle + n, " SMOOTHED", 10);
  }
  const std::string search =
      Printf("Search Points: %d, Charge State: %d", m_prefs.profile.searchPoints, m_prefs.profile.chargeState);
  SetText(smoothed->comment, sizeof smoothed->comment, "Smoothed Spectrum made from Profile Spectrum.    " + search);
  PlusSpt_Free(m_smoothed[slot]);
  m_smoothed[slot] = smoothed;
}

LRESULT CCtlSpt::OnMakeCentroidSpectrum(WPARAM wParam, LPARAM lParam) {
  const auto* request = reinterpret_cast<const STRUCT_CCSPT_CENTROID_REQUEST*>(lParam);
  if ((wParam != 0 && wParam != 1) || !request) return 0;
  const short slot = static_cast<short>(wParam);
  const STRUCT_SPT_PLUS* shown = m_display[slot];
  if (!HoldsProfile(shown)) return 0;
  MS_CENTROID_PARAMS params = request->params;
  if (request->autoThreshold)
    params.engine.thresholdCount = ComputeThresholdCountOf(shown->tolSpt, request->thresholdFactor);
  const MS_CENTROID_ENGINE_PARAMS& e = params.engine;

  CMS_CentroidEngine engine;
  if (engine.Init() != MS_OK) return 0;
  STRUCT_SPT_PLUS* centroid = Companion(engine, shown, params, true);
  if (!centroid) return 0;
  PlusSpt_Free(m_smoothed[slot]);
  PlusSpt_Free(m_centroid[slot]);
  m_smoothed[slot] = nullptr;
  m_centroid[slot] = centroid;

  const std::string smoothText = Printf("%d Point Smooth, ", e.smoothPoints);
  const std::string forced = e.forcedApex ? Printf("Forced Peak %%: %d", e.forcedApexPercent) : "Ignore Forced Peaks";
  const std::string search = Printf("Search Points: %d, Centroid Points: %d, Threshold Count: %d", e.searchPoints,
                                    e.centroidPoints, e.thresholdCount);
  const CentroidTitleTexts titles = CentroidTitles(shown, centroid, m_prefs.titles);
  SetText(centroid->mainTitle, sizeof centroid->mainTitle, "Centroid Spectrum  " + titles.first);
  SetText(centroid->nameTitle, sizeof centroid->nameTitle, titles.second);
  SetText(centroid->comment, sizeof centroid->comment,
          "Centroid Spectrum made from Profile Spectrum.    " + smoothText + forced + "    " + search);

  if (STRUCT_SPT_PLUS* smoothed = Companion(engine, shown, params, false)) {
    SetText(smoothed->comment, sizeof smoothed->comment,
            "Smoothed Spectrum made from Profile Spectrum.    " + smoothText + forced + "    " + search);
    m_smoothed[slot] = smoothed;
  }

  // Fixed ranges keep their absolute intensities under the new reference.
  double reference = 0;
  PlusSpt_GetBasePeak(m_smoothed[slot] ? m_smoothed[slot] : shown, &reference);
  const double old = m_lastBase[slot];
  if (m_vertMode == SPT_VERT_FIXED && m_prefs.drawing.keepAbsolute == 1 && std::isfinite(reference) && reference > 0 &&
      old > 0 && old != reference && m_vertMin[slot] != m_vertMax[slot]) {
    m_vertMin[slot] *= old / reference;
    m_vertMax[slot] *= old / reference;
  }
  if (std::isfinite(reference)) m_lastBase[slot] = reference;
  InitScaleRanges();
  SaveCurrentScales();
  InitSizes();
  Invalidate(FALSE);
  return 0;
}

LRESULT CCtlSpt::OnMakeCentroidSpectrumFromProfileSpectrum(WPARAM wParam, LPARAM) {
  if (wParam == 0 || wParam == 1) OnCentroidProfileSpt(static_cast<short>(wParam));
  return 0;
}

void CCtlSpt::OnCentroidProfileSpt(short slot) {
  if (slot < 0 || slot > 1) return;
  if (m_prefs.drawing.overlayAB) {
    MessageBoxA(m_hWnd,
                "You have to change the 'Overlay Spectra A and B' preference before you can make a centroid spectrum.",
                "Spectra 1 and 2 are Overlaid", MB_OK);
    return;
  }
  OpenCentroidDialogOf(this, slot);
}
