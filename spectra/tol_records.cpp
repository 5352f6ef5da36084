// The kind-0 record: making room, appending, copying, freeing, its mass
// precision, and pair conversions to nominal masses.
#include <cmath>
#include <cstring>
#include <vector>

#include "common/preference_records.h"
#include "common/segment_plots.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "spectra/tol_spectra.h"

namespace {

// Writes pairs as an exchange buffer, lets the MS data library make nominal
// masses (nearest integer, peaks of one mass summed), and returns integer
// pairs in a new block.
template <typename Get>
int32_t ToNominal(int32_t count, Get get, TOL_PAIR** out, int32_t* outCount) {
  if (!out || count < 0) return 0;
  *out = nullptr;
  if (outCount) *outCount = 0;
  STRUCT_GLOBAL_PREFS prefs;
  KELT_GetCurrDefGlobalPrefs(&prefs);
  const double offset = prefs.features.massOffset;
  const size_t bytes = 4 + size_t(std::max(count, 1)) * MS_EXCHANGE_ENTRY_SIZE;
  if (bytes > 0x7FFFFFFF) return 0;
  std::vector<uint8_t> in(bytes), nominal(bytes);
  const uint32_t n = static_cast<uint32_t>(count);
  std::memcpy(in.data(), &n, 4);
  for (int32_t i = 0; i < count; ++i) {
    double mass;
    uint32_t intensity;
    get(i, mass, intensity);
    mass -= offset;
    uint8_t* e = in.data() + 4 + size_t(i) * MS_EXCHANGE_ENTRY_SIZE;
    e[0] = 0;
    std::memcpy(e + 1, &mass, 8);
    std::memcpy(e + 9, &intensity, 4);
  }
  if (!MakeNominalSpectrum(in.data(), nominal.data(), static_cast<uint32_t>(bytes), 1, 1)) return 0;
  uint32_t m;
  std::memcpy(&m, nominal.data(), 4);
  auto* pairs = static_cast<TOL_PAIR*>(AllocBlock(static_cast<uint32_t>((size_t(m) + 1) * sizeof(TOL_PAIR))));
  if (!pairs) return 0;
  for (uint32_t i = 0; i < m; ++i) {
    const uint8_t* e = nominal.data() + 4 + size_t(i) * MS_EXCHANGE_ENTRY_SIZE;
    double mass;
    uint32_t intensity;
    std::memcpy(&mass, e + 1, 8);
    std::memcpy(&intensity, e + 9, 4);
    const double t = std::trunc(mass);
    if (!(t >= 0 && t < 65536.0)) {  // a nominal mass must fit 16 bits
      FreeBlock(pairs);
      return 0;
    }
    pairs[i] = TOL_PAIR{static_cast<uint16_t>(t), intensity};
  }
  *out = pairs;
  if (outCount) *outCount = static_cast<int32_t>(m);
  return 1;
}

}  // namespace

KELT_API STRUCT_TOL_SPT* TOL_StartNewSpectrum() {
  return static_cast<STRUCT_TOL_SPT*>(AllocBlock(static_cast<uint32_t>(TolSptBytes(TOL_START_PAIRS))));
}

KELT_API STRUCT_TOL_SPT* TOL_AddToSpectrum(STRUCT_TOL_SPT* tol, double mass, uint32_t intensity) {
  if (!tol) return nullptr;
  const uint32_t size = GetBlockSize(tol);
  if (size < kTolHeadBytes || tol->pairCount == UINT32_MAX) return nullptr;
  const size_t need = TolSptBytes(size_t(tol->pairCount) + 1);
  if (need > size) {
    size_t want = size + SPT_GROW_PRECISE;
    while (want < need) want += SPT_GROW_PRECISE;
    if (want > 0x7FFFFFFF) return nullptr;
    auto* grown = static_cast<STRUCT_TOL_SPT*>(ReallocBlock(tol, static_cast<uint32_t>(want)));
    if (!grown) return nullptr;  // the old record stays valid
    tol = grown;
  }
  tol->pairs[tol->pairCount] = XTOL_PAIR{mass, intensity, 0};
  ++tol->pairCount;
  return tol;
}

KELT_API STRUCT_TOL_SPT* TOL_CopySpectrum(const STRUCT_TOL_SPT* tol) {
  if (!tol) return nullptr;
  const uint32_t size = GetBlockSize(tol);
  if (size < kTolHeadBytes) return nullptr;
  auto* copy = static_cast<STRUCT_TOL_SPT*>(AllocBlock(size));
  if (!copy) return nullptr;
  std::memcpy(static_cast<void*>(copy), tol, size);
  copy->scanFuns = nullptr;
  if (tol->scanFuns) {
    copy->scanFuns = SCAN_FUN_Copy(tol->scanFuns);
    if (!copy->scanFuns) {
      FreeBlock(copy);
      return nullptr;
    }
  }
  return copy;
}

KELT_API void TOL_Free(STRUCT_TOL_SPT* tol) {
  if (!tol) return;
  FreeBlock(tol->scanFuns);
  FreeBlock(tol);
}

KELT_API void TOL_SetPrecisionInfo(STRUCT_TOL_SPT* tol, const char* dataFilePath) {
  if (!tol) return;
  tol->precision = 1;
  tol->precisionKnown = 0;
  if (tol->profile || !dataFilePath || !dataFilePath[0]) return;
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(dataFilePath, 0);
  if (!wf) return;
  const uint32_t scan = tol->header.scanNumber;
  for (int s = 0; s < WorkFileSegmentCount(wf); ++s) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, s);
    if (!seg || scan < seg->firstScan || scan > seg->lastScan) continue;
    const int f = tol->scanFunIndex < MS_MAX_FUNCTIONS ? tol->scanFunIndex : 0;
    // 10^4 is the finest step a 16-bit precision holds.
    const int n = std::min<int>(seg->functions[f].massDecimals, 4);
    tol->precision = static_cast<uint16_t>(std::lround(std::pow(10.0, n)));
    tol->precisionKnown = 1;
    break;
  }
  FreeWorkFileStruct(wf);
}

KELT_API int32_t TOL_ConvertXTolPairsToTolPairs(const XTOL_PAIR* pairs, int32_t count, TOL_PAIR** out,
                                                int32_t* outCount) try {
  if (!pairs && count > 0) return 0;
  return ToNominal(
      count,
      [&](int32_t i, double& m, uint32_t& v) {
        m = pairs[i].mass;
        v = pairs[i].intensity;
      },
      out, outCount);
} catch (...) {
  return 0;
}

KELT_API int32_t TOL_ConvertDiffPairsToTolPairs(const DIFF_PAIR* pairs, int32_t count, TOL_PAIR** out,
                                                int32_t* outCount) try {
  if (!pairs && count > 0) return 0;
  return ToNominal(
      count,
      [&](int32_t i, double& m, uint32_t& v) {
        m = pairs[i].mass;
        const double d = pairs[i].intensity;
        v = d > 0 ? (d >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(d)) : 0;
      },
      out, outCount);
} catch (...) {
  return 0;
}

KELT_API void TOL_FreeTolPairs(TOL_PAIR* pairs) { FreeBlock(pairs); }
KELT_API void TOL_FreeXTolPairs(XTOL_PAIR* pairs) { FreeBlock(pairs); }
