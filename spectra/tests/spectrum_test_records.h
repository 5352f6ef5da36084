#pragma once
// Kind records built by hand for the spectrum-record and pair tests.
#include <cstring>
#include <utility>
#include <vector>

#include "orvik32/orvik32.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tol_spectra.h"

namespace spttest {

inline STRUCT_TOL_SPT* Tol(const std::vector<std::pair<double, uint32_t>>& pairs, bool profile = false) {
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  tol->profile = profile ? 1 : 0;
  for (const auto& [m, i] : pairs) tol = TOL_AddToSpectrum(tol, m, i);
  return tol;
}

// A growable integer-pair record (kind 6, TIC) with room for n pairs.
inline STRUCT_TIC_SPT* Tic(const std::vector<std::pair<uint16_t, uint32_t>>& pairs, size_t room = 0) {
  room = std::max(room, std::max<size_t>(pairs.size(), 1));
  auto* tic = static_cast<STRUCT_TIC_SPT*>(
      AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_TIC_SPT) + (room - 1) * sizeof(TOL_PAIR))));
  tic->pairCount = static_cast<int16_t>(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) tic->pairs[i] = TOL_PAIR{pairs[i].first, pairs[i].second};
  return tic;
}

inline STRUCT_REF_SPT* Ref(int n) {
  auto* ref = static_cast<STRUCT_REF_SPT*>(AllocBlock(sizeof(STRUCT_REF_SPT)));
  ref->pairCount = static_cast<int16_t>(n);
  for (int i = 0; i < n; ++i) ref->pairs[i] = TOL_PAIR{static_cast<uint16_t>(50 + i), uint32_t(100 + i)};
  return ref;
}

inline STRUCT_DIFF_SPT* Diff(const std::vector<std::pair<double, double>>& pairs) {
  auto* d = static_cast<STRUCT_DIFF_SPT*>(AllocBlock(
      static_cast<uint32_t>(sizeof(STRUCT_DIFF_SPT) + std::max<size_t>(pairs.size(), 1) * sizeof(DIFF_PAIR))));
  d->pairCount = static_cast<uint32_t>(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) d->pairs[i] = DIFF_PAIR{pairs[i].first, pairs[i].second};
  return d;
}

inline std::vector<std::pair<double, double>> Pairs(const STRUCT_SPT_PLUS* spt) {
  std::vector<std::pair<double, double>> out;
  const int32_t n = PlusSpt_GetPairCount(spt);
  for (int32_t i = 0; i < n; ++i) {
    double m, v;
    PlusSpt_GetPairValues(spt, uint32_t(i), &m, nullptr, &v);
    out.emplace_back(m, v);
  }
  return out;
}

// A spectrum record in its own block, for PlusSpt_Free.
inline STRUCT_SPT_PLUS* NewRecord() { return static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS))); }

}  // namespace spttest
