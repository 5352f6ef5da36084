// Match values of a spectrum against its library match, and the kept state
// that lets a display show them again without comparing anew: the values
// with a fingerprint of the two spectra they belong to.
#include <cmath>
#include <cstring>
#include <vector>

#include "fandor/library_search.h"
#include "fandor/spectrum_match.h"

namespace {

constexpr uint32_t kStateTag = 0x3153464Du;  // "MFS1"

struct MatchState {
  uint32_t tag;
  uint32_t unknownPrint;
  uint32_t referencePrint;
  int32_t forward;
  int32_t reverse;
  uint32_t check;
};
static_assert(sizeof(MatchState) == FANDOR_MATCH_STATE_SIZE);

thread_local MatchState g_last{};
thread_local bool g_haveLast = false;

// FNV-1a over the peaks a spectrum is matched by.
uint32_t Fingerprint(const std::vector<std::pair<double, double>>& peaks) {
  uint32_t h = 2166136261u;
  auto mix = [&](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 16777619u;
  };
  for (const auto& [m, v] : peaks) {
    mix(&m, sizeof m);
    mix(&v, sizeof v);
  }
  return h;
}

uint32_t Check(const MatchState& s) {
  return s.tag ^ s.unknownPrint ^ (s.referencePrint * 31u) ^ uint32_t(s.forward) * 131u ^ uint32_t(s.reverse) * 137u;
}

bool Values(const void* unknown, const void* reference, MatchState* out) {
  std::vector<std::pair<double, double>> a, b;
  if (!fandor::ReadExchange(unknown, &a) || !fandor::ReadExchange(reference, &b)) return false;
  const fandor::Weighted u = fandor::Reduce(a), r = fandor::Reduce(b);
  if (u.Empty() || r.Empty()) return false;
  double f = 0, rv = 0;
  fandor::Match(u, r, &f, &rv);
  out->tag = kStateTag;
  out->unknownPrint = Fingerprint(a);
  out->referencePrint = Fingerprint(b);
  out->forward = int32_t(std::lround(f));
  out->reverse = int32_t(std::lround(rv));
  out->check = Check(*out);
  return true;
}

// The bytes of an exchange buffer (count, then 13 bytes a peak); empty
// when the count is out of range.
std::vector<uint8_t> BufferBytes(const void* buffer) {
  if (!buffer) return {};
  uint32_t count;
  std::memcpy(&count, buffer, 4);
  if (count > 1000000) return {};
  const auto* b = static_cast<const uint8_t*>(buffer);
  return std::vector<uint8_t>(b, b + 4 + 13 * size_t(count));
}

bool SameBytes(const std::vector<uint8_t>& kept, const void* buffer) {
  if (kept.size() < 4 || !buffer) return false;
  uint32_t count;
  std::memcpy(&count, buffer, 4);
  return 4 + 13 * size_t(count) == kept.size() && std::memcmp(kept.data(), buffer, kept.size()) == 0;
}

// The two spectra of this thread's last successful comparison, byte for
// byte: a display drawn again shows the same pair, and comparing the bytes
// costs far less than reducing, matching and fingerprinting them anew.
thread_local std::vector<uint8_t> g_lastUnknown, g_lastReference;

}  // namespace

FANDOR_API BOOL CalcMatchValues(const void* /*searchParams*/, const void* unknown, const void* reference,
                                int32_t* forward, int32_t* reverse) {
  MatchState s{};
  if (g_haveLast && SameBytes(g_lastUnknown, unknown) && SameBytes(g_lastReference, reference)) {
    s = g_last;
  } else {
    if (!Values(unknown, reference, &s)) return FALSE;
    g_last = s;
    g_haveLast = true;
    g_lastUnknown = BufferBytes(unknown);
    g_lastReference = BufferBytes(reference);
  }
  if (forward) *forward = s.forward;
  if (reverse) *reverse = s.reverse;
  return TRUE;
}

FANDOR_API BOOL KeepMatchState(void* state) {
  if (!state || !g_haveLast) return FALSE;
  std::memcpy(state, &g_last, sizeof g_last);
  return TRUE;
}

FANDOR_API BOOL CalcMatchValuesFromState(const void* /*searchParams*/, const void* unknown, const void* reference,
                                         const void* state, int32_t* forward, int32_t* reverse) {
  if (!state) return FALSE;
  MatchState s;
  std::memcpy(&s, state, sizeof s);
  if (s.tag != kStateTag || s.check != Check(s)) return FALSE;
  const bool known = g_haveLast && SameBytes(g_lastUnknown, unknown) && SameBytes(g_lastReference, reference);
  if (known) {
    if (g_last.unknownPrint != s.unknownPrint || g_last.referencePrint != s.referencePrint) return FALSE;
    if (forward) *forward = s.forward;
    if (reverse) *reverse = s.reverse;
    return TRUE;
  }
  std::vector<std::pair<double, double>> a, b;
  if (!fandor::ReadExchange(unknown, &a) || !fandor::ReadExchange(reference, &b)) return FALSE;
  // A state kept for other spectra says nothing about these.
  if (Fingerprint(a) != s.unknownPrint || Fingerprint(b) != s.referencePrint) return FALSE;
  if (forward) *forward = s.forward;
  if (reverse) *reverse = s.reverse;
  return TRUE;
}
