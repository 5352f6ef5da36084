// The quick integration parameters, their defaults and their ini record.
#include "dialogs/quick_integration_params.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/library_state.h"
#include "win/win_profile.h"

namespace kelt::quickint {

namespace {
void SectionName(const char* stem, uint16_t moduleId, char* out, size_t size) {
  std::snprintf(out, size, "%s%d", stem, static_cast<int>(moduleId));
}
}  // namespace

void SetDefaultParams(uint16_t moduleId, uint16_t* widthTenths, uint16_t* slope, uint16_t* tangent, double* reject,
                      int16_t* lock) {
  const bool wide = moduleId == 61;
  if (widthTenths) *widthTenths = wide ? 80 : 40;
  if (slope) *slope = 20;
  if (tangent) *tangent = 10;
  if (reject) *reject = wide ? 2000000.0 : 2000.0;
  if (lock) *lock = 0;
}

bool ParamsInRange(const STRUCT_QUICK_INT_PARAMS& r) {
  return r.peakWidthTenths >= 5 && r.peakWidthTenths <= 2560 && r.slopeSensitivity >= 1 &&
         r.slopeSensitivity <= 256 && r.tangentPercent <= 100 && std::isfinite(r.peakSizeReject) &&
         r.peakSizeReject >= 0 && r.peakSizeReject <= 2e9 && (r.lockPeakWidth == 0 || r.lockPeakWidth == 1) &&
         (r.showAreaLabels == 0 || r.showAreaLabels == 1) && (r.useLocal == 0 || r.useLocal == 1);
}

bool ReadParams(const char* stem, uint16_t moduleId, STRUCT_QUICK_INT_PARAMS* record) {
  if (!stem || !record) return false;
  char section[64];
  SectionName(stem, moduleId, section, sizeof section);
  STRUCT_QUICK_INT_PARAMS read{};
  if (!GetPrivateProfileStructA(section, INT_PARAMS_KEY, &read, sizeof read, kelt::lib::PreferencesIniPath()))
    return false;
  if (!ParamsInRange(read)) return false;
  *record = read;
  return true;
}

bool WriteParams(const char* stem, uint16_t moduleId, const STRUCT_QUICK_INT_PARAMS& record) {
  if (!stem) return false;
  char section[64];
  SectionName(stem, moduleId, section, sizeof section);
  STRUCT_QUICK_INT_PARAMS out = record;
  std::memset(out.pad6, 0, sizeof out.pad6);
  std::memset(out.pad22, 0, sizeof out.pad22);
  return WritePrivateProfileStructA(section, INT_PARAMS_KEY, &out, sizeof out, kelt::lib::PreferencesIniPath()) != 0;
}

uint16_t TenthsFromSeconds(double seconds) {
  const double t = std::trunc(seconds * 10.0 + 0.05);
  if (!(t > 0)) return 0;
  return t > 65535 ? 65535 : static_cast<uint16_t>(t);
}

int32_t LockEventValue(uint16_t widthTenths) {
  const double halves = widthTenths / 5.0;
  if (halves <= 1) return 1;
  if (halves >= 512) return 512;
  int32_t lower = 1;
  while (lower * 2 <= halves) lower *= 2;
  const int32_t upper = lower * 2;
  if (halves == lower) return lower;
  return halves >= (lower + upper) / 2.0 ? upper : lower;
}

double SignalToNoise(double height, double noise) {
  if (noise < 1.0) noise = 1.0;
  return std::trunc(height + 0.5) / std::trunc(noise + 0.5);
}

void SignalToNoiseText(double sn, char* text, size_t size) {
  if (!text || !size) return;
  if (sn < 1000000.0)
    std::snprintf(text, size, "%ld", static_cast<long>(std::trunc(sn + 0.5)));
  else
    std::snprintf(text, size, "%.3g", sn);
}

}  // namespace kelt::quickint
