#pragma once
// The chromatogram overlays the drawing benchmarks paint: 20 slots of
// drifting baselines, peaks and noise, a little different per slot.
#include <cmath>
#include <cstdint>

#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "plotengine/tests/synthetic_overlay.h"

namespace bench {

struct OverlayFree {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};

// A chromatogram of n points over the given minutes.
inline SyntheticTrace MakeChromatogram(int slot, size_t n, double minutes) {
  SyntheticTrace tr;
  tr.times.resize(n);
  tr.values.resize(n);
  uint32_t seed = 12345u + static_cast<uint32_t>(slot) * 7919u;
  for (size_t i = 0; i < n; ++i) {
    const double t = minutes * static_cast<double>(i) / static_cast<double>(n - 1);
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 400.0;
    double v = 2000 + 50 * t + noise;
    for (int k = 0; k < 12; ++k) {
      const double rt = 2.0 + k * 3.1 + slot * 0.07, d = (t - rt) / 0.05;
      v += (20000.0 + 9000.0 * ((k * 7 + slot) % 5)) * std::exp(-0.5 * d * d);
    }
    tr.times[i] = t;
    tr.values[i] = v;
  }
  return tr;
}

}  // namespace bench
