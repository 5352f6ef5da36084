// Spectrum arithmetic: averaging, nominal masses, centroided scan kinds.
#include <algorithm>
#include <cmath>
#include <vector>

#include "orvik32/orvik32.h"
#include "quorna/peaks.h"
#include "quorna/quorna.h"

using quorna::Peak;

namespace {

constexpr uint32_t kMaxAveraged = 100000;

// Peaks of all spectra within the tolerance of a group's running mean mass
// form one averaged peak: intensity = sum / number of spectra (rounded),
// mass = intensity-weighted mean.
std::vector<Peak> AverageGroups(std::vector<Peak> all, double tolerance, uint32_t spectra, bool keepZeros) {
  std::stable_sort(all.begin(), all.end(), [](const Peak& a, const Peak& b) { return a.mass < b.mass; });
  std::vector<Peak> out;
  size_t i = 0;
  while (i < all.size()) {
    double sumI = 0, sumMI = 0, sumM = 0;
    uint8_t flag = 0;
    size_t n = 0;
    double mean = all[i].mass;
    while (i < all.size() && (n == 0 || all[i].mass - mean <= tolerance)) {
      sumI += all[i].intensity;
      sumMI += all[i].mass * all[i].intensity;
      sumM += all[i].mass;
      flag |= all[i].flag;
      ++n;
      mean = sumM / static_cast<double>(n);
      ++i;
    }
    Peak p;
    p.mass = sumI > 0 ? sumMI / sumI : mean;
    p.intensity = static_cast<uint32_t>(std::min(std::llround(sumI / spectra), 4294967295LL));
    p.flag = flag;
    if (p.intensity > 0 || keepZeros) out.push_back(p);
  }
  return out;
}

}  // namespace

QUORNA_API void* AverageSpectra(void* const* buffers, uint32_t count, const void* infoBlock,
                                const void* segmentBlock, const MS_SCAN_HEADER* const*, const void*) {
  if (!buffers || count == 0 || count > kMaxAveraged) return nullptr;
  try {
    std::vector<Peak> all, one;
    for (uint32_t k = 0; k < count; ++k) {
      if (!buffers[k] || !quorna::ReadExchange(buffers[k], 4 * MS_MAX_SCAN_POINTS, one)) return nullptr;
      all.insert(all.end(), one.begin(), one.end());
    }
    bool profile = false;
    if (infoBlock) {
      MS_INFO_BLOCK info;
      std::memcpy(&info, infoBlock, sizeof info);
      profile = info.centroid == 0;
    }
    // Centroid peaks join within half a step of the mass decimals; profile
    // points only when they sit on the same sampling grid.
    double tolerance = 0.05;
    if (profile) {
      tolerance = 1e-4;
    } else if (segmentBlock) {
      uint16_t decimals;
      std::memcpy(&decimals, static_cast<const uint8_t*>(segmentBlock) + offsetof(MS_SEGMENT_BLOCK, functions) +
                                 offsetof(MS_SCAN_FUNCTION, massDecimals), 2);
      tolerance = 0.5 * std::pow(10.0, -std::min<int>(decimals, 6));
    }
    std::vector<Peak> avg = AverageGroups(std::move(all), tolerance, count, profile);
    if (avg.size() > 4 * MS_MAX_SCAN_POINTS) return nullptr;
    void* out = AllocBlock(static_cast<uint32_t>(quorna::ExchangeBytes(avg.size())));
    if (!out) return nullptr;
    quorna::WriteExchange(out, avg);
    return out;
  } catch (...) {
    return nullptr;
  }
}

QUORNA_API int32_t MakeNominalSpectrum(const void* precise, void* out, uint32_t outBytes, int16_t rounding,
                                       int16_t combine) {
  if (!precise || !out) return 0;
  try {
    std::vector<Peak> in;
    if (!quorna::ReadExchange(precise, 4 * MS_MAX_SCAN_POINTS, in)) return 0;
    for (Peak& p : in) {
      if (!std::isfinite(p.mass) || std::fabs(p.mass) > 1e9) return 0;
      p.mass = rounding ? std::floor(p.mass + 0.5) : std::trunc(p.mass);
    }
    std::stable_sort(in.begin(), in.end(), [](const Peak& a, const Peak& b) { return a.mass < b.mass; });
    std::vector<Peak> nominal;
    for (const Peak& p : in) {
      if (!nominal.empty() && nominal.back().mass == p.mass) {
        Peak& q = nominal.back();
        if (combine) q.intensity = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{q.intensity} + p.intensity, UINT32_MAX));
        else q.intensity = std::max(q.intensity, p.intensity);
        q.flag |= p.flag;
      } else {
        nominal.push_back(p);
      }
    }
    if (outBytes != 0 && quorna::ExchangeBytes(nominal.size()) > outBytes) return 0;
    quorna::WriteExchange(out, nominal);
    return 1;
  } catch (...) {
    return 0;
  }
}

QUORNA_API uint16_t MakeCentroidScanKind(uint16_t, uint16_t scanKind, uint16_t optionWord, uint32_t, int32_t) {
  if (optionWord & 1) return scanKind;
  return static_cast<uint16_t>(scanKind | MS_SCAN_KIND_CENTROIDED);
}
