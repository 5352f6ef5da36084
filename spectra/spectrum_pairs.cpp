// Pairs of a spectrum record in their three layouts: one accessor, then
// lookups, edits, base peak, pruning, rounding, sorting and conversions.
#include "spectra/spectrum_pairs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "spectra/tol_spectra.h"

namespace {

enum class Layout { None, Double, Integer, Precise };

// Where a record keeps its pairs and count.
struct Place {
  Layout layout = Layout::None;
  STRUCT_SPT_PLUS* spt = nullptr;
  void* record = nullptr;   // the kind record
  size_t head = 0;          // bytes before the first pair
  size_t countAt = 0;       // offset of the count field
  bool wideCount = false;   // u32 count, else i16
  int capacity = -1;        // fixed room (reference kinds), -1 grows
};

Place Make(const STRUCT_SPT_PLUS* spt, void* ptr, Layout l, size_t head, size_t countAt, bool wide, int cap = -1) {
  Place p;
  p.layout = ptr ? l : Layout::None;
  p.spt = const_cast<STRUCT_SPT_PLUS*>(spt);
  p.record = ptr;
  p.head = head;
  p.countAt = countAt;
  p.wideCount = wide;
  p.capacity = cap;
  return p;
}

Place PlaceOf(const STRUCT_SPT_PLUS* spt) {
  if (!spt) return {};
  switch (spt->kind) {
    case SPT_KIND_TOL:
      return Make(spt, spt->tolSpt, Layout::Precise, offsetof(STRUCT_TOL_SPT, pairs), offsetof(STRUCT_TOL_SPT, pairCount), true);
    case SPT_KIND_NIST:
      return Make(spt, spt->nistSpt, Layout::Integer, offsetof(STRUCT_NIST_SPT, pairs), offsetof(STRUCT_NIST_SPT, pairCount), false);
    case SPT_KIND_DIFF:
      return Make(spt, spt->diffSpt, Layout::Double, offsetof(STRUCT_DIFF_SPT, pairs), offsetof(STRUCT_DIFF_SPT, pairCount), true);
    case SPT_KIND_LIST:
      return Make(spt, spt->listSpt, Layout::Precise, offsetof(STRUCT_LIST_SPT, pairs), offsetof(STRUCT_LIST_SPT, pairCount), true);
    case SPT_KIND_SLBR:
      return Make(spt, spt->slbrSpt, Layout::Integer, offsetof(STRUCT_SLBR_SPT, pairs), offsetof(STRUCT_SLBR_SPT, pairCount), false);
    case SPT_KIND_REF:
      return Make(spt, spt->refSpt, Layout::Integer, offsetof(STRUCT_REF_SPT, pairs), offsetof(STRUCT_REF_SPT, pairCount), false,
                  SPT_REF_MAX_PAIRS);
    case SPT_KIND_TIC:
      return Make(spt, spt->ticSpt, Layout::Integer, offsetof(STRUCT_TIC_SPT, pairs), offsetof(STRUCT_TIC_SPT, pairCount), false);
    case SPT_KIND_REF_EX:
      return Make(spt, spt->refExSpt, Layout::Precise, offsetof(STRUCT_REF_EX_SPT, pairs),
                  offsetof(STRUCT_REF_EX_SPT, pairCount), false, SPT_REF_MAX_PAIRS);
    default:
      return {};
  }
}

uint8_t* Bytes(const Place& p) { return static_cast<uint8_t*>(p.record); }

// Points the record at a moved kind record.
void Repoint(const Place& p, void* moved) {
  STRUCT_SPT_PLUS* spt = p.spt;
  switch (spt->kind) {
    case SPT_KIND_TOL: spt->tolSpt = static_cast<STRUCT_TOL_SPT*>(moved); break;
    case SPT_KIND_NIST: spt->nistSpt = static_cast<STRUCT_NIST_SPT*>(moved); break;
    case SPT_KIND_DIFF: spt->diffSpt = static_cast<STRUCT_DIFF_SPT*>(moved); break;
    case SPT_KIND_LIST: spt->listSpt = static_cast<STRUCT_LIST_SPT*>(moved); break;
    case SPT_KIND_SLBR: spt->slbrSpt = static_cast<STRUCT_SLBR_SPT*>(moved); break;
    case SPT_KIND_TIC: spt->ticSpt = static_cast<STRUCT_TIC_SPT*>(moved); break;
    default: break;
  }
}

size_t PairSize(Layout l) {
  switch (l) {
    case Layout::Double: return sizeof(DIFF_PAIR);
    case Layout::Integer: return sizeof(TOL_PAIR);
    case Layout::Precise: return sizeof(XTOL_PAIR);
    default: return 0;
  }
}

int64_t CountOf(const Place& p) {
  if (p.layout == Layout::None) return 0;
  if (p.wideCount) {
    uint32_t n;
    std::memcpy(&n, Bytes(p) + p.countAt, 4);
    return n;
  }
  int16_t n;
  std::memcpy(&n, Bytes(p) + p.countAt, 2);
  return n < 0 ? 0 : n;
}

void StoreCount(const Place& p, int64_t n) {
  if (p.wideCount) {
    const uint32_t v = static_cast<uint32_t>(n);
    std::memcpy(Bytes(p) + p.countAt, &v, 4);
  } else {
    const int16_t v = static_cast<int16_t>(n);
    std::memcpy(Bytes(p) + p.countAt, &v, 2);
  }
}

// Pairs the kind record has room for (its block, or the fixed room).
int64_t Room(const Place& p) {
  if (p.capacity >= 0) return p.capacity;
  const uint32_t size = GetBlockSize(p.record);
  if (size == 0) return -1;  // not a block of ours: unknown
  return size < p.head ? 0 : int64_t((size - p.head) / PairSize(p.layout));
}

DIFF_PAIR* DPairs(const Place& p) { return reinterpret_cast<DIFF_PAIR*>(Bytes(p) + p.head); }
TOL_PAIR* IPairs(const Place& p) { return reinterpret_cast<TOL_PAIR*>(Bytes(p) + p.head); }
XTOL_PAIR* XPairs(const Place& p) { return reinterpret_cast<XTOL_PAIR*>(Bytes(p) + p.head); }

double MassAt(const Place& p, int64_t i) {
  switch (p.layout) {
    case Layout::Double: return DPairs(p)[i].mass;
    case Layout::Integer: return IPairs(p)[i].mass;
    default: return XPairs(p)[i].mass;
  }
}

// Intensity as a double: double pairs as they are, the others unsigned.
double IntensityAt(const Place& p, int64_t i) {
  switch (p.layout) {
    case Layout::Double: return DPairs(p)[i].intensity;
    case Layout::Integer: return IPairs(p)[i].intensity;
    default: return XPairs(p)[i].intensity;
  }
}

// Truncated toward zero and brought into u32 the way a cast of the
// original did for values in range; out-of-range values saturate.
uint32_t TruncToU32(double v) {
  if (!(v == v)) return 0;
  const double t = std::trunc(v);
  if (t >= 4294967295.0) return UINT32_MAX;
  if (t <= -2147483648.0) return 0x80000000u;
  return static_cast<uint32_t>(static_cast<int64_t>(t));
}

// truncate(x + 0.5), kept within u32.
uint32_t RoundToU32(double x) {
  if (!(x > 0)) return 0;
  const double r = std::trunc(x + 0.5);
  return r >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(r);
}

bool SameMass(const Place& p, int64_t i, double mass) {
  switch (p.layout) {
    case Layout::Double: return std::fabs(DPairs(p)[i].mass - mass) < 0.000005;
    case Layout::Integer: return IPairs(p)[i].mass == std::trunc(mass);
    default: return std::fabs(XPairs(p)[i].mass - mass) < 0.0005;
  }
}

// Base peak mass equality as the base-peak rules use it.
bool IsBaseMass(const Place& p, int64_t i, double baseMass) {
  if (p.layout == Layout::Integer) return double(IPairs(p)[i].mass) == std::trunc(baseMass);
  return MassAt(p, i) == baseMass;
}

void MovePair(const Place& p, int64_t to, int64_t from) {
  const size_t s = PairSize(p.layout);
  std::memmove(Bytes(p) + p.head + to * s, Bytes(p) + p.head + from * s, s);
}

// Keeps the pairs for which keep(i) holds, in order; stores the count
// only when it changed.
template <typename Keep>
void Prune(const Place& p, Keep keep) {
  const int64_t n = CountOf(p);
  int64_t out = 0;
  for (int64_t i = 0; i < n; ++i) {
    if (!keep(i)) continue;
    if (out != i) MovePair(p, out, i);
    ++out;
  }
  if (out != n) StoreCount(p, out);
}

void SetBase(STRUCT_SPT_PLUS* spt) {
  double intensity = 0;
  spt->basePeakMass = PlusSpt_GetBasePeak(spt, &intensity);
  spt->basePeakIntensity = intensity;
}

}  // namespace

KELT_API int32_t PlusSpt_GetPairStuff(const STRUCT_SPT_PLUS* spt, DIFF_PAIR** d, TOL_PAIR** t, XTOL_PAIR** x) {
  if (d) *d = nullptr;
  if (t) *t = nullptr;
  if (x) *x = nullptr;
  const Place p = PlaceOf(spt);
  switch (p.layout) {
    case Layout::Double: if (d) *d = DPairs(p); break;
    case Layout::Integer: if (t) *t = IPairs(p); break;
    case Layout::Precise: if (x) *x = XPairs(p); break;
    default: return 0;
  }
  return static_cast<int32_t>(CountOf(p));
}

KELT_API int32_t PlusSpt_GetPairCount(const STRUCT_SPT_PLUS* spt) { return static_cast<int32_t>(CountOf(PlaceOf(spt))); }

KELT_API void PlusSpt_SetPairCount(STRUCT_SPT_PLUS* spt, int32_t count) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None || count < 0) return;
  if (!p.wideCount && count > INT16_MAX) return;  // would not fit the 16-bit field
  const int64_t room = Room(p);
  if (room >= 0 && count > room) return;  // more pairs than the record holds
  StoreCount(p, count);
}

KELT_API int32_t PlusSpt_GetMassInt(const STRUCT_SPT_PLUS* spt, uint32_t index, double* mass, uint32_t* intensity) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None || p.layout == Layout::Double || index >= CountOf(p)) return 0;
  if (mass) *mass = MassAt(p, index);
  if (intensity) *intensity = p.layout == Layout::Integer ? IPairs(p)[index].intensity : XPairs(p)[index].intensity;
  return 1;
}

KELT_API int32_t PlusSpt_GetPairValues(const STRUCT_SPT_PLUS* spt, uint32_t index, double* mass, uint32_t* intensity,
                                       double* intensityD) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None || index >= CountOf(p)) return 0;
  if (mass) *mass = MassAt(p, index);
  const double v = IntensityAt(p, index);
  if (intensity) {
    *intensity = p.layout == Layout::Double ? TruncToU32(v)
                 : p.layout == Layout::Integer ? IPairs(p)[index].intensity
                                               : XPairs(p)[index].intensity;
  }
  if (intensityD) *intensityD = v;
  return 1;
}

KELT_API int32_t PlusSpt_CountPositiveNonZeroPairs(const STRUCT_SPT_PLUS* spt) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  int32_t k = 0;
  for (int64_t i = 0; i < n; ++i) {
    if (p.layout == Layout::Double) k += DPairs(p)[i].intensity > 0;
    else if (p.layout == Layout::Integer) k += static_cast<int32_t>(IPairs(p)[i].intensity) > 0;
    else k += XPairs(p)[i].intensity != 0;
  }
  return k;
}

KELT_API int32_t PlusSpt_GetMassRangeIndexes(const STRUCT_SPT_PLUS* spt, double low, double high, uint32_t* first,
                                             uint32_t* last) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  int32_t k = 0;
  int64_t a = -1, b = -1;
  for (int64_t i = 0; i < n; ++i) {
    const double m = MassAt(p, i);
    if (m < low || m > high) continue;
    if (a < 0) a = i;
    b = i;
    ++k;
  }
  if (k) {
    if (first) *first = static_cast<uint32_t>(a);
    if (last) *last = static_cast<uint32_t>(b);
  }
  return k;
}

KELT_API int32_t PlusSpt_GetIntensity(const STRUCT_SPT_PLUS* spt, double mass, double* intensity) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  for (int64_t i = 0; i < n; ++i) {
    if (!SameMass(p, i, mass)) continue;
    if (intensity) *intensity = IntensityAt(p, i);
    return 1;
  }
  return 0;
}

KELT_API int32_t PlusSpt_GetClosestMass(const STRUCT_SPT_PLUS* spt, double mass, double* closest) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  if (n == 0) return 0;
  int64_t best = 0;
  double bestD = std::fabs(MassAt(p, 0) - mass);
  for (int64_t i = 1; i < n; ++i) {
    const double d = std::fabs(MassAt(p, i) - mass);
    if (d < bestD) bestD = d, best = i;
  }
  if (closest) *closest = MassAt(p, best);
  return 1;
}

KELT_API int32_t PlusSpt_GetTallestMassInDaltonWindow(const STRUCT_SPT_PLUS* spt, double mass, double window,
                                                      double* outMass, double* outIntensity) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  int64_t best = -1;
  for (int64_t i = 0; i < n; ++i) {
    const double m = MassAt(p, i);
    if (m < mass - window) continue;
    if (m > mass + window) break;
    if (best < 0 || IntensityAt(p, i) > IntensityAt(p, best)) best = i;
  }
  if (best < 0) return 0;
  if (outMass) *outMass = MassAt(p, best);
  if (outIntensity) *outIntensity = IntensityAt(p, best);
  return 1;
}

KELT_API double PlusSpt_GetBasePeak(const STRUCT_SPT_PLUS* spt, double* intensity) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  const bool ranged = spt && spt->useMassRange && spt->lowMass != 0 && spt->highMass != 0;
  int64_t best = -1;
  double bestI = 0;
  for (int64_t i = 0; i < n; ++i) {
    const double m = MassAt(p, i);
    if (ranged && (m < spt->lowMass || m > spt->highMass)) continue;
    double v = IntensityAt(p, i);
    if (p.layout == Layout::Double) v = std::fabs(v);
    if (best < 0 || v > bestI) best = i, bestI = v;
  }
  if (intensity) *intensity = best < 0 ? 0.0 : IntensityAt(p, best);
  return best < 0 ? 0.0 : MassAt(p, best);
}

KELT_API void PlusSpt_UpdateBasePeak(STRUCT_SPT_PLUS* spt) {
  if (!spt) return;
  const Place p = PlaceOf(spt);
  if (spt->basePeakFixed) {
    const int64_t n = CountOf(p);
    for (int64_t i = 0; i < n; ++i) {
      const bool same = p.layout == Layout::Integer ? double(IPairs(p)[i].mass) == spt->basePeakMass
                                                    : MassAt(p, i) == spt->basePeakMass;
      if (!same) continue;
      spt->basePeakIntensity = IntensityAt(p, i);
      return;
    }
  }
  SetBase(spt);
  spt->basePeakFixed = 0;
}

KELT_API int32_t PlusSpt_AddMassInt(STRUCT_SPT_PLUS* spt, double mass, uint32_t intensity) {
  Place p = PlaceOf(spt);
  if (p.layout == Layout::None || !std::isfinite(mass)) return 0;
  const int64_t n = CountOf(p);
  if (p.capacity >= 0 && n >= p.capacity) return 0;
  // A nominal mass must fit its 16 bits.
  if (p.layout == Layout::Integer && (mass < 0 || mass >= 65536.0)) return 0;
  for (int64_t i = 0; i < n; ++i) {
    const bool same = p.layout == Layout::Integer ? IPairs(p)[i].mass == std::trunc(mass) : MassAt(p, i) == mass;
    if (!same) continue;
    if (p.layout == Layout::Double) DPairs(p)[i].intensity = intensity;
    else if (p.layout == Layout::Integer) IPairs(p)[i].intensity = intensity;
    else XPairs(p)[i].intensity = intensity;
    spt->pairsEdited = 1;
    return 1;
  }
  if (!p.wideCount && n >= INT16_MAX) return 0;
  const size_t ps = PairSize(p.layout);
  if (p.capacity < 0) {
    const uint32_t size = GetBlockSize(p.record);
    if (size == 0) return 0;  // not a block that can grow
    if (size < p.head + size_t(n + 1) * ps) {
      const uint32_t step = p.layout == Layout::Precise ? SPT_GROW_PRECISE
                            : p.layout == Layout::Integer ? SPT_GROW_INTEGER
                                                          : SPT_GROW_DOUBLE;
      uint32_t want = size + step;
      while (want < p.head + size_t(n + 1) * ps) want += step;
      void* grown = ReallocBlock(p.record, want);
      if (!grown) return 0;  // the old record stays as it was
      Repoint(p, grown);
      p = PlaceOf(spt);
    }
  }
  int64_t at = n;
  if (n == 0) {
    spt->basePeakMass = p.layout == Layout::Integer ? std::trunc(mass) : mass;
    spt->basePeakIntensity = intensity;
  } else {
    while (at > 0 && MassAt(p, at - 1) > mass) {
      MovePair(p, at, at - 1);
      --at;
    }
  }
  switch (p.layout) {
    case Layout::Double: DPairs(p)[at] = DIFF_PAIR{mass, double(intensity)}; break;
    case Layout::Integer: IPairs(p)[at] = TOL_PAIR{static_cast<uint16_t>(mass), intensity}; break;
    default: XPairs(p)[at] = XTOL_PAIR{mass, intensity, 0}; break;
  }
  StoreCount(p, n + 1);
  spt->pairsEdited = 1;
  return 1;
}

KELT_API int32_t PlusSpt_DeleteMassInt(STRUCT_SPT_PLUS* spt, uint32_t index) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  if (p.layout == Layout::None || index >= n) return 0;
  for (int64_t i = index; i + 1 < n; ++i) MovePair(p, i, i + 1);
  StoreCount(p, n - 1);
  spt->pairsEdited = 1;
  return 1;
}

KELT_API int32_t PlusSpt_ScaleMassInt(STRUCT_SPT_PLUS* spt, uint32_t newBase) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None) return 1;
  const int64_t n = CountOf(p);
  int64_t base = -1;
  for (int64_t i = 0; i < n && base < 0; ++i)
    if (IsBaseMass(p, i, spt->basePeakMass)) base = i;
  // A base peak of intensity 0 gives no factor: nothing is scaled.
  if (base >= 0 && IntensityAt(p, base) != 0) {
    const double factor = double(newBase) / IntensityAt(p, base);
    for (int64_t i = 0; i < n; ++i) {
      if (p.layout == Layout::Double) DPairs(p)[i].intensity *= factor;
      else if (p.layout == Layout::Integer) IPairs(p)[i].intensity = RoundToU32(IPairs(p)[i].intensity * factor);
      else XPairs(p)[i].intensity = RoundToU32(XPairs(p)[i].intensity * factor);
    }
  }
  spt->pairsEdited = 1;
  if (!PlusSpt_IsProfileData(spt)) PlusSpt_RemoveZeroAndNegMasses(spt);
  PlusSpt_UpdateBasePeak(spt);
  return 1;
}

KELT_API void PlusSpt_RemoveZeroMasses(STRUCT_SPT_PLUS* spt) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None) return;
  Prune(p, [&](int64_t i) { return IntensityAt(p, i) != 0; });
}

KELT_API void PlusSpt_RemoveZeroAndNegMasses(STRUCT_SPT_PLUS* spt) {
  const Place p = PlaceOf(spt);
  switch (p.layout) {
    case Layout::Double: Prune(p, [&](int64_t i) { return DPairs(p)[i].intensity > 0; }); break;
    case Layout::Integer: Prune(p, [&](int64_t i) { return static_cast<int32_t>(IPairs(p)[i].intensity) > 0; }); break;
    case Layout::Precise: Prune(p, [&](int64_t i) { return XPairs(p)[i].intensity != 0; }); break;
    default: break;
  }
}

KELT_API int32_t PlusSpt_RemovePairsBelowPercentBP(STRUCT_SPT_PLUS* spt, int16_t level) {
  if (level < 1 || level > 999) return 0;
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None) return 1;
  const int64_t n = CountOf(p);
  double largest = 0;
  for (int64_t i = 0; i < n; ++i) largest = i == 0 ? IntensityAt(p, i) : std::max(largest, IntensityAt(p, i));
  const uint32_t max = largest > 0 ? TruncToU32(largest) : 0;
  uint32_t threshold = TruncToU32(double(max) * 0.001 * level);
  threshold = std::min(threshold, max);
  Prune(p, [&](int64_t i) { return TruncToU32(IntensityAt(p, i)) >= threshold; });
  StoreCount(p, CountOf(p));
  return 1;
}

KELT_API int32_t PlusSpt_RoundSptToPrecision(STRUCT_SPT_PLUS* spt, uint16_t precision) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None || p.layout == Layout::Integer) return 1;
  if (spt->kind == SPT_KIND_LIST) return 1;
  if (precision == 0) return 0;  // no steps: nothing to round to
  const int64_t n = CountOf(p);
  const double prec = precision;
  auto rounded = [&](double m) { return std::trunc(m * prec + 0.5) / prec; };
  try {
    if (p.layout == Layout::Double) {
      std::vector<DIFF_PAIR> out;
      for (int64_t i = 0; i < n; ++i) {
        const DIFF_PAIR q{rounded(DPairs(p)[i].mass), DPairs(p)[i].intensity};
        if (!out.empty() && out.back().mass == q.mass) {
          if (q.intensity > out.back().intensity) out.back().intensity = q.intensity;
        } else {
          out.push_back(q);
        }
      }
      if (!out.empty()) std::memcpy(DPairs(p), out.data(), out.size() * sizeof(DIFF_PAIR));
      StoreCount(p, int64_t(out.size()));
    } else {
      std::vector<XTOL_PAIR> out;
      for (int64_t i = 0; i < n; ++i) {
        const XTOL_PAIR q{rounded(XPairs(p)[i].mass), XPairs(p)[i].intensity, 0};
        if (!out.empty() && out.back().mass == q.mass) {
          if (q.intensity > out.back().intensity) out.back().intensity = q.intensity;
        } else {
          out.push_back(q);
        }
      }
      if (!out.empty()) std::memcpy(XPairs(p), out.data(), out.size() * sizeof(XTOL_PAIR));
      StoreCount(p, int64_t(out.size()));
    }
  } catch (...) {
    return 0;
  }
  SetBase(spt);
  spt->basePeakFixed = 0;
  if (spt->kind == SPT_KIND_TOL) spt->tolSpt->precision = precision;
  if (spt->kind == SPT_KIND_REF_EX) PlusSpt_SetTopWeightedMasses(spt);
  return 1;
}

KELT_API int32_t PlusSpt_SortPairs(STRUCT_SPT_PLUS* spt, int16_t order) {
  const Place p = PlaceOf(spt);
  if (p.layout == Layout::None || order < 0 || order > 3) return 1;
  const int64_t n = CountOf(p);
  auto key = [&](int64_t i) -> double {
    if (order >= 2) return MassAt(p, i);
    if (p.layout == Layout::Integer) return static_cast<int32_t>(IPairs(p)[i].intensity);
    return IntensityAt(p, i);
  };
  const size_t ps = PairSize(p.layout);
  uint8_t tmp[sizeof(DIFF_PAIR)];
  for (int64_t i = 0; i < n; ++i) {
    for (int64_t j = i + 1; j < n; ++j) {
      const double ki = key(i), kj = key(j);
      const bool before = (order == 0 || order == 2) ? kj < ki : kj > ki;
      if (!before) continue;
      std::memcpy(tmp, Bytes(p) + p.head + i * ps, ps);
      MovePair(p, i, j);
      std::memcpy(Bytes(p) + p.head + j * ps, tmp, ps);
    }
  }
  return 1;
}

KELT_API int32_t PlusSpt_CheckLowMassOrder(const STRUCT_SPT_PLUS* spt) {
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  for (int64_t i = 1; i < n; ++i)
    if (MassAt(p, i) < MassAt(p, i - 1)) return 0;
  return 1;
}

KELT_API int32_t PlusSpt_IsProfileData(const STRUCT_SPT_PLUS* spt) {
  if (!spt) return 0;
  if (spt->tolSpt) return spt->tolSpt->profile ? 1 : 0;
  if (spt->diffSpt) return spt->diffSpt->profile ? 1 : 0;
  return 0;
}

KELT_API TOL_PAIR* PlusSpt_GetPointerToIntegerPairs(const STRUCT_SPT_PLUS* spt, int32_t* count, int16_t* mustFree) {
  if (mustFree) *mustFree = 0;
  if (count) *count = 0;
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  TOL_PAIR* out = nullptr;
  int32_t outCount = 0;
  switch (p.layout) {
    case Layout::Integer:
      if (count) *count = static_cast<int32_t>(n);
      return IPairs(p);
    case Layout::Precise:
      if (spt->kind == SPT_KIND_TOL && spt->tolSpt->precision == 1) {
        STRUCT_GLOBAL_PREFS prefs;
        KELT_GetCurrDefGlobalPrefs(&prefs);
        const double offset = prefs.features.massOffset;
        out = static_cast<TOL_PAIR*>(AllocBlock(static_cast<uint32_t>((n + 10) * sizeof(TOL_PAIR))));
        if (!out) return nullptr;
        for (int64_t i = 0; i < n; ++i) {
          const double m = std::trunc(XPairs(p)[i].mass + 0.5 - offset);
          if (!(m >= 0 && m < 65536.0)) {  // a nominal mass must fit 16 bits
            FreeBlock(out);
            return nullptr;
          }
          out[i] = TOL_PAIR{static_cast<uint16_t>(m), XPairs(p)[i].intensity};
        }
        outCount = static_cast<int32_t>(n);
      } else if (!TOL_ConvertXTolPairsToTolPairs(XPairs(p), static_cast<int32_t>(n), &out, &outCount)) {
        return nullptr;
      }
      break;
    case Layout::Double:
      if (!TOL_ConvertDiffPairsToTolPairs(DPairs(p), static_cast<int32_t>(n), &out, &outCount)) return nullptr;
      break;
    default:
      return nullptr;
  }
  if (count) *count = outCount;
  if (mustFree) *mustFree = 1;
  return out;
}

KELT_API XTOL_PAIR* PlusSpt_GetPointerToXTOLPairs(const STRUCT_SPT_PLUS* spt, int32_t* count, int16_t* mustFree) {
  if (mustFree) *mustFree = 0;
  if (count) *count = 0;
  const Place p = PlaceOf(spt);
  const int64_t n = CountOf(p);
  if (p.layout == Layout::None) return nullptr;
  if (p.layout == Layout::Precise) {
    if (count) *count = static_cast<int32_t>(n);
    return XPairs(p);
  }
  auto* out = static_cast<XTOL_PAIR*>(AllocBlock(static_cast<uint32_t>((n + 10) * sizeof(XTOL_PAIR))));
  if (!out) return nullptr;
  for (int64_t i = 0; i < n; ++i) {
    if (p.layout == Layout::Integer) {
      out[i] = XTOL_PAIR{double(IPairs(p)[i].mass), IPairs(p)[i].intensity, 0};
    } else {
      const double v = DPairs(p)[i].intensity;
      out[i] = XTOL_PAIR{DPairs(p)[i].mass, v > 0 ? TruncToU32(v) : 0, 0};
    }
  }
  if (count) *count = static_cast<int32_t>(n);
  if (mustFree) *mustFree = 1;
  return out;
}
