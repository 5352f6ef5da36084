// Background subtraction from a kind-0 record: through the
// background-correction library, or by linear interpolation in time
// between a background before and one after.
#include <cmath>
#include <cstring>
#include <vector>

#include "jessul32/background_subtraction.h"
#include "orvik32/orvik32.h"
#include "spectra/exchange_pairs.h"
#include "spectra/tol_spectra.h"

namespace {

void* ToExchange(const STRUCT_TOL_SPT* tol) {
  const uint32_t n = tol->pairCount;
  auto* b = static_cast<uint8_t*>(AllocBlock(static_cast<uint32_t>(4 + size_t(std::max(n, 1u)) * MS_EXCHANGE_ENTRY_SIZE)));
  if (!b) return nullptr;
  std::memcpy(b, &n, 4);
  uint8_t* e = b + 4;
  for (uint32_t i = 0; i < n; ++i, e += MS_EXCHANGE_ENTRY_SIZE) {
    const XTOL_PAIR p = tol->pairs[i];
    e[0] = p.flag;
    std::memcpy(e + 1, &p.mass, 8);
    std::memcpy(e + 9, &p.intensity, 4);
  }
  return b;
}

uint32_t Less(uint32_t v, int64_t by) {
  if (by <= 0) return v;
  return by >= int64_t{v} ? 0 : static_cast<uint32_t>(int64_t{v} - by);
}

// Subtracts a background's intensities at exactly equal masses.
void SubtractAtEqualMasses(STRUCT_TOL_SPT* s, const STRUCT_TOL_SPT* b) {
  uint32_t i = 0, j = 0;
  while (i < s->pairCount && j < b->pairCount) {
    const double ms = s->pairs[i].mass, mb = b->pairs[j].mass;
    if (ms == mb) {
      s->pairs[i].intensity = Less(s->pairs[i].intensity, b->pairs[j].intensity);
      ++i, ++j;
    } else if (ms < mb) {
      ++i;
    } else {
      ++j;
    }
  }
}

}  // namespace

KELT_API void TOL_BaselineCorrectSpectrumEx(STRUCT_TOL_SPT* spectrum, const STRUCT_TOL_SPT* background) {
  if (!spectrum || !background) return;
  void* s = ToExchange(spectrum);
  void* b = ToExchange(background);
  void* out = s && b ? SubtractBackground(s, b, &spectrum->fileBlock, &spectrum->segment, spectrum) : nullptr;
  FreeBlock(s);
  FreeBlock(b);
  if (!out) return;
  const uint32_t n = kelt::exchange::Count(out);
  if (n <= spectrum->pairCount) {
    kelt::exchange::ToPairs(out, n, spectrum->pairs);
    spectrum->pairCount = n;
    spectrum->bgCorrected = 1;
    spectrum->extendedBg = background->extendedBg;
  }
  FreeSpectrumBuffer(out);  // the subtraction's buffer is ours, whatever the outcome
}

KELT_API void TOL_BaselineCorrectSpectrum(STRUCT_TOL_SPT* s, const STRUCT_TOL_SPT* before,
                                          const STRUCT_TOL_SPT* after) {
  if (!s) return;
  if (!after) {
    TOL_BaselineCorrectSpectrumEx(s, before);
    return;
  }
  const double t = s->header.time, ta = after->header.time;
  if (!before) {
    SubtractAtEqualMasses(s, after);
  } else {
    const double tb = before->header.time;
    if (tb < t && t < ta) {
      uint32_t i = 0, j = 0, k = 0;
      while (i < s->pairCount && j < before->pairCount && k < after->pairCount) {
        const double ms = s->pairs[i].mass, mb = before->pairs[j].mass, ma = after->pairs[k].mass;
        const double low = std::min(ms, std::min(mb, ma));
        if (ms == mb && mb == ma) {
          const double ib = before->pairs[j].intensity, ia = after->pairs[k].intensity;
          const double bg = std::trunc(ib + (t - tb) * (ia - ib) / (ta - tb));
          s->pairs[i].intensity = Less(s->pairs[i].intensity, static_cast<int64_t>(bg));
          ++i, ++j, ++k;
        } else if (ms == low && mb == low) {
          s->pairs[i].intensity = Less(s->pairs[i].intensity, before->pairs[j].intensity);
          ++i, ++j;
        } else if (ms == low && ma == low) {
          s->pairs[i].intensity = Less(s->pairs[i].intensity, after->pairs[k].intensity);
          ++i, ++k;
        } else if (ms == low) {
          ++i;
        } else {
          if (mb == low) ++j;
          if (ma == low) ++k;
        }
      }
    } else if (t < tb) {
      SubtractAtEqualMasses(s, before);
    } else if (ta < t) {
      SubtractAtEqualMasses(s, after);
    }
  }
  s->bgCorrected = 1;
  s->extendedBg = before ? before->extendedBg : after->extendedBg;
  uint64_t total = 0;
  uint32_t out = 0;
  for (uint32_t i = 0; i < s->pairCount; ++i) {
    if (!s->profile && s->pairs[i].intensity == 0) continue;
    if (out != i) s->pairs[out] = s->pairs[i];
    total += s->pairs[out].intensity;
    ++out;
  }
  s->pairCount = out;
  s->header.totalIon = total;
}
