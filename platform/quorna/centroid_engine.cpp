// Profile-to-centroid conversion of scans.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "quorna/centroiding.h"
#include "quorna/peaks.h"
#include "quorna/quorna.h"

namespace quorna {

namespace {

using Runs = std::vector<std::pair<size_t, size_t>>;

// Working arrays of a scan, kept by the thread for its next scan: fresh
// memory for each scan costs more than the work on it. Each function
// reaches it once: in a shared library every reach is a call, and the
// compiler would repeat it inside loops were the lookup inlined.
struct Work {
  std::vector<Peak> points;
  std::vector<double> smoothPrefix, meanPrefix, fromStart, toEnd, above, aboveSum, aboveLevel, smoothed, wide;
  LocalBaseline baseline;
  std::vector<double> steps, seq, lowest, highest, envelope, nearTop, counts, envelopeOnly, overEnvelope;
  std::vector<size_t> at, standing;
  std::vector<char> masked;
  std::vector<uint64_t> keys, otherKeys;
  std::vector<double> spanLows;
};

[[gnu::noinline]] Work& ThreadWork() {
  thread_local Work work;
  return work;
}

// Runs of points without a gap. A step above 1.5 times the step before it
// means points were left out (a zero-suppressed profile drops even a
// single point between two peaks); the step may change slowly along the
// scan, so each step is judged against the last regular one.
// `missing` (when given) receives, for each run, how many points the gap
// before it stands for.
Runs ContinuousRuns(const std::vector<Peak>& pts, std::vector<size_t>* missing = nullptr) {
  Runs runs;
  if (missing) missing->assign(1, 0);
  if (pts.empty()) return runs;
  // The first regular step: the median of the first few.
  double typical = 0;
  if (pts.size() > 1) {
    double first[9];
    const size_t k = std::min<size_t>(9, pts.size() - 1);
    for (size_t i = 0; i < k; ++i) {
      // Insertion into the sorted head.
      const double step = pts[i + 1].mass - pts[i].mass;
      size_t j = i;
      for (; j > 0 && first[j - 1] > step; --j) first[j] = first[j - 1];
      first[j] = step;
    }
    typical = first[k / 2];
  }
  size_t start = 0;
  const size_t n = pts.size();
  const Peak* p = pts.data();
  for (size_t i = 1; i < n;) {
    // Most steps are regular: eight at a time are checked without a branch
    // each, and only eight with a gap or a step that is not positive are
    // gone through one by one.
    if (i + 8 <= n) {
      bool regular = true;
      double before = typical;
      for (size_t j = i; j < i + 8; ++j) {
        const double step = p[j].mass - p[j - 1].mass;
        regular &= (step > 0) & (step <= 1.5 * before);
        before = step;
      }
      if (regular) {
        typical = before;
        i += 8;
        continue;
      }
    }
    for (const size_t end = std::min(n, i + 8); i < end; ++i) {
      const double step = p[i].mass - p[i - 1].mass;
      if (step > 1.5 * typical) {
        runs.emplace_back(start, i);
        start = i;
        if (missing) missing->push_back(typical > 0 ? static_cast<size_t>(std::min(std::round(step / typical) - 1.0, 1e6)) : 0);
      } else if (step > 0) {
        typical = step;
      }
    }
  }
  runs.emplace_back(start, pts.size());
  return runs;
}

}  // namespace

namespace {

// Moving average over `window` points that shrinks symmetrically at the
// edges of each run.
void SmoothRuns(const std::vector<Peak>& pts, const Runs& runs, unsigned window, std::vector<double>& out) {
  out.resize(pts.size());
  if (window <= 1) {
    for (size_t i = 0; i < pts.size(); ++i) out[i] = pts[i].intensity;
    return;
  }
  const size_t half = window / 2;
  std::vector<double>& prefix = ThreadWork().smoothPrefix;
  prefix.resize(pts.size() + 1);
  prefix[0] = 0;
  for (size_t i = 0; i < pts.size(); ++i) prefix[i + 1] = prefix[i] + pts[i].intensity;
  const double full = static_cast<double>(2 * half + 1);
  for (const auto& run : runs) {
    const size_t b = run.first, e = run.second;
    auto cut = [&](size_t i) {
      const size_t h = std::min<size_t>({half, i - b, e - 1 - i});
      out[i] = (prefix[i + h + 1] - prefix[i - h]) / static_cast<double>(2 * h + 1);
    };
    // Windows are cut only within half a window of the run's ends.
    if (e - b <= 2 * half) {
      for (size_t i = b; i < e; ++i) cut(i);
      continue;
    }
    for (size_t i = b; i < b + half; ++i) cut(i);
    for (size_t i = b + half; i < e - half; ++i) out[i] = (prefix[i + half + 1] - prefix[i - half]) / full;
    for (size_t i = e - half; i < e; ++i) cut(i);
  }
}

// Minimum (or maximum, with std::greater) of v over [i - half, i + half],
// cut at the ends. In blocks of a window's length, the extreme from each
// block's start and to each block's end: any window is the part of one block
// to its end and of the next from its start, without branching on the data.
template <typename Less>
void SlidingExtreme(const std::vector<double>& v, size_t half, Less less, std::vector<double>& out) {
  const size_t n = v.size(), w = 2 * half + 1;
  out.resize(n);
  if (n == 0) return;
  auto pick = [&](double a, double b) { return less(b, a) ? b : a; };
  Work& work = ThreadWork();
  std::vector<double>& fromStart = work.fromStart;
  std::vector<double>& toEnd = work.toEnd;
  fromStart.resize(n);
  toEnd.resize(n);
  for (size_t b = 0; b < n; b += w) {
    const size_t e = std::min(n, b + w);
    fromStart[b] = v[b];
    for (size_t i = b + 1; i < e; ++i) fromStart[i] = pick(fromStart[i - 1], v[i]);
    toEnd[e - 1] = v[e - 1];
    for (size_t i = e - 1; i > b; --i) toEnd[i - 1] = pick(v[i - 1], toEnd[i]);
  }
  // Windows cut at the start begin a block.
  for (size_t i = 0; i < std::min(n, half); ++i) out[i] = fromStart[std::min(n - 1, i + half)];
  // Whole windows, a block of starts at a time: the one starting the block
  // is the whole block, the others reach into the next.
  size_t i = half;
  const size_t whole = n > half ? n - half : 0;  // windows before it end within v
  while (i < whole) {
    out[i] = fromStart[i + half];
    ++i;
    for (const size_t stop = std::min(whole, i + w - 1); i < stop; ++i) out[i] = pick(toEnd[i - half], fromStart[i + half]);
  }
  // From there on the window's start runs through the blocks; `r` is its
  // place in its block. A window within one block either is the whole
  // block or is cut at the end, where the block ends too.
  for (size_t r = i >= half ? (i - half) % w : 0; i < n; ++i) {
    const size_t lo = i - half, hi = std::min(n - 1, i + half);
    if (r + (hi - lo) >= w)
      out[i] = pick(toEnd[lo], fromStart[hi]);
    else
      out[i] = r == 0 ? fromStart[hi] : toEnd[lo];
    if (++r == w) r = 0;
  }
}

// Mean of v over [i - half, i + half], cut at the ends.
void SlidingMean(const std::vector<double>& v, size_t half, std::vector<double>& out) {
  std::vector<double>& prefix = ThreadWork().meanPrefix;
  prefix.resize(v.size() + 1);
  prefix[0] = 0;
  out.resize(v.size());
  for (size_t i = 0; i < v.size(); ++i) prefix[i + 1] = prefix[i] + v[i];
  auto at = [&](size_t i) {
    const size_t lo = i >= half ? i - half : 0, hi = std::min(v.size(), i + half + 1);
    out[i] = (prefix[hi] - prefix[lo]) / static_cast<double>(hi - lo);
  };
  // Windows are cut only within half a window of the ends.
  if (v.size() <= 2 * half) {
    for (size_t i = 0; i < v.size(); ++i) at(i);
    return;
  }
  const double full = static_cast<double>(2 * half + 1);
  for (size_t i = 0; i < half; ++i) at(i);
  for (size_t i = half; i < v.size() - half; ++i) out[i] = (prefix[i + half + 1] - prefix[i - half]) / full;
  for (size_t i = v.size() - half; i < v.size(); ++i) at(i);
}

// Within `half` points of its ends, an envelope saw one side only and lies
// low on a slope: there it takes the straight line fitted (least squares)
// to the next 2 x half points, at least zero.
void ExtendEnds(std::vector<double>& env, size_t half) {
  if (half == 0 || env.size() < 3 * half + 1) return;
  for (int side = 0; side < 2; ++side) {
    auto at = [&](size_t j) -> double& { return side == 0 ? env[j] : env[env.size() - 1 - j]; };
    double sx = 0, sy = 0, sxx = 0, sxy = 0, count = 0;
    for (size_t j = half; j <= 3 * half; ++j) {
      const double x = static_cast<double>(j), y = at(j);
      sx += x, sy += y, sxx += x * x, sxy += x * y, count += 1;
    }
    const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);
    const double icept = (sy - slope * sx) / count;
    for (size_t j = 0; j < half; ++j) at(j) = std::max(0.0, icept + slope * static_cast<double>(j));
  }
}

// Width at half height, in points, of the strongest peaks of the smoothed
// profile (the median of up to 16 of a tenth of the highest or more), each
// taken over the lowest point within 256 points of it.
double TypicalPeakWidth(const std::vector<double>& sm, const Runs& runs) {
  struct Top {
    size_t at, b, e;
  };
  // The 16 highest tops so far, highest first; only they can be kept.
  constexpr size_t kKeep = 16;
  Top best[kKeep];
  size_t count = 0;
  const double* v = sm.data();
  // Below the lowest of the 16 no top can be kept: most points are
  // passed over by one comparison that rarely holds, instead of a branch
  // on every rise of the noise.
  double bar = -std::numeric_limits<double>::infinity();
  for (auto [b, e] : runs) {
    for (size_t i = b + 1; i + 1 < e; ++i) {
      // Eight points at a time are passed over when none can be a kept top.
      if (i + 8 < e) {
        bool any = false;
        for (size_t j = i; j < i + 8; ++j) any |= (v[j] > v[j - 1]) & (v[j] > bar);
        if (!any) {
          i += 7;
          continue;
        }
      }
      if (!((v[i] > v[i - 1]) & (v[i] > bar))) continue;
      size_t j = i;  // a level top is a top when it falls after
      while (j + 1 < e && v[j + 1] == v[i]) ++j;
      if (j + 1 < e && v[j + 1] < v[i]) {
        size_t k = count < kKeep ? count++ : kKeep - 1;
        for (; k > 0 && v[best[k - 1].at] < v[i]; --k) best[k] = best[k - 1];
        best[k] = {i, b, e};
        if (count == kKeep) bar = v[best[kKeep - 1].at];
      }
    }
  }
  if (count == 0) return 1;
  // Tops below a tenth of the highest are left out.
  size_t keep = count;
  while (keep > 0 && v[best[keep - 1].at] < 0.1 * v[best[0].at]) --keep;
  const Top* tops = best;
  // The tops' stretches overlap and each is some hundred points: their
  // lowest points are read from the lowest of each 32 points where a
  // stretch covers those whole.
  constexpr size_t kSpan = 32;
  std::vector<double>& lows = ThreadWork().spanLows;
  lows.resize((sm.size() + kSpan - 1) / kSpan);
  for (size_t s = 0; s < lows.size(); ++s) {
    const size_t to = std::min(sm.size(), (s + 1) * kSpan);
    double m = v[s * kSpan];
    for (size_t i = s * kSpan + 1; i < to; ++i) m = v[i] < m ? v[i] : m;
    lows[s] = m;
  }
  auto lowest = [&](size_t lo, size_t hi) {
    double m = v[lo];
    size_t i = lo + 1;
    for (; i <= hi && i % kSpan != 0; ++i) m = v[i] < m ? v[i] : m;
    for (; i + kSpan <= hi + 1; i += kSpan) m = lows[i / kSpan] < m ? lows[i / kSpan] : m;
    for (; i <= hi; ++i) m = v[i] < m ? v[i] : m;
    return m;
  };
  std::vector<double> widths;
  for (size_t k = 0; k < keep; ++k) {
    const Top& t = tops[k];
    const size_t lo = t.at - std::min<size_t>(256, t.at - t.b), hi = std::min(t.e - 1, t.at + 256);
    const double floor = lowest(lo, hi);
    const double half = (sm[t.at] + floor) / 2;
    size_t l = t.at, r = t.at;
    while (l > lo && sm[l - 1] > half) --l;
    while (r < hi && sm[r + 1] > half) ++r;
    widths.push_back(static_cast<double>(r - l + 1));
  }
  const size_t mid = (widths.size() - 1) / 2;
  std::nth_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(mid), widths.end());
  return widths[mid];
}

// Inverse of the standard normal distribution function (Acklam's rational
// approximation, absolute error below 1e-8), for 0 < p < 1.
double NormalQuantile(double p) {
  static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                             1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
  static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                             6.680131188771972e+01, -1.328068155288572e+01};
  static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                             -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
  static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                             3.754408661907416e+00};
  const double low = 0.02425;
  if (p < low || p > 1 - low) {
    const double q = std::sqrt(-2 * std::log(p < low ? p : 1 - p));
    const double x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
                     ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    return p < low ? x : -x;
  }
  const double q = p - 0.5, r = q * q;
  return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
         (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}

// The value of rank k (0-based) among v[0, m), exact, by its bits: for
// doubles that are not NaN, the order of the bits (sign flipped in) is the
// order of the values, so a byte at a time from the top narrows the
// candidates without comparing values. Faster than partitioning on the
// many near-equal values of a profile.
inline uint64_t OrderKey(double x) {
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return (u >> 63) ? ~u : u | (uint64_t{1} << 63);
}

inline double FromOrderKey(uint64_t k) {
  const uint64_t u = (k >> 63) ? k & ~(uint64_t{1} << 63) : ~k;
  double x;
  std::memcpy(&x, &u, sizeof x);
  return x;
}

// The key of rank k (0-based) among keys[0, count), with how many keys
// are smaller (`below`) and how many the same (`equal`): what the narrowing
// leaves behind tells them, so they cost no pass of their own. `any` and
// `all` are the keys' bits or-ed and and-ed together. The keys are
// reordered and overwritten.
struct Ranked {
  uint64_t key;
  size_t below, equal;
};

// Adds the byte of each key at `shift` to the histograms, four of them, so
// that runs of one byte do not wait on each other.
void CountBytes(const uint64_t* keys, size_t count, int shift, uint32_t (&hist)[4][256]) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    ++hist[0][(keys[i] >> shift) & 255];
    ++hist[1][(keys[i + 1] >> shift) & 255];
    ++hist[2][(keys[i + 2] >> shift) & 255];
    ++hist[3][(keys[i + 3] >> shift) & 255];
  }
  for (; i < count; ++i) ++hist[0][(keys[i] >> shift) & 255];
}

// Counts, into 256 buckets, the byte of each key at `shift`, and finds
// the bucket holding rank k; k becomes the rank within it.
size_t BucketOfRank(const uint64_t* keys, size_t count, int shift, size_t& k) {
  size_t d = 0, i = 0;
  if (count >= 128) {
    uint32_t hist[4][256] = {};
    CountBytes(keys, count, shift, hist);
    for (;; ++d) {
      const size_t inBucket = size_t{hist[0][d]} + hist[1][d] + hist[2][d] + hist[3][d];
      if (k < inBucket) break;
      k -= inBucket;
    }
  } else {
    // Few candidates: one histogram costs less to clear and to walk.
    uint32_t hist[256] = {};
    for (; i < count; ++i) ++hist[(keys[i] >> shift) & 255];
    for (; k >= hist[d]; ++d) k -= hist[d];
  }
  return d;
}

// BucketOfRank for two ranks at once: the keys are counted once for both.
void BucketsOfTwoRanks(const uint64_t* keys, size_t count, int shift, size_t& ka, size_t& kb, size_t& da,
                       size_t& db) {
  uint32_t hist[4][256] = {};
  CountBytes(keys, count, shift, hist);
  for (size_t d = 0; d < 256; ++d) hist[0][d] += hist[1][d] + hist[2][d] + hist[3][d];
  da = 0, db = 0;
  for (; ka >= hist[0][da]; ++da) ka -= hist[0][da];
  for (; kb >= hist[0][db]; ++db) kb -= hist[0][db];
}

// Copies the keys of `from` whose byte at `shift` is d to `to` (which may
// be `from`), in order; returns how many, with their bits or-ed and and-ed.
size_t KeepBucket(const uint64_t* from, size_t count, int shift, size_t d, uint64_t* to, uint64_t& any,
                  uint64_t& all) {
  size_t kept = 0;
  any = 0, all = ~uint64_t{0};
  for (size_t i = 0; i < count; ++i) {
    const uint64_t key = from[i], in = uint64_t{0} - (((key >> shift) & 255) == d);
    to[kept] = key;
    kept += in & 1;
    any |= key & in;
    all &= key | ~in;
  }
  return kept;
}

// Bits above the highest differing bit are shared: the eight bits from it
// down tell the candidates apart.
inline int ShiftFor(uint64_t differ) { return std::max(0, 56 - std::countl_zero(differ)); }

Ranked NarrowKeys(uint64_t* keys, size_t count, size_t k, uint64_t any, uint64_t all) {
  const size_t rank = k;
  // Bits in which the candidates differ: set in some and clear in some.
  uint64_t differ = any ^ all;
  while (differ != 0) {
    // A few candidates are quicker picked among than counted in 256 buckets;
    // the keys' order is the values' order, so the value is the same.
    if (count <= 64) {
      std::nth_element(keys, keys + k, keys + count);
      const uint64_t found = keys[k];
      size_t less = 0, same = 0;
      for (size_t i = 0; i < count; ++i) less += keys[i] < found, same += keys[i] == found;
      return {found, rank - k + less, same};
    }
    const int shift = ShiftFor(differ);
    const size_t d = BucketOfRank(keys, count, shift, k);
    count = KeepBucket(keys, count, shift, d, keys, any, all);
    differ = any ^ all;
  }
  return {keys[0], rank - k, count};
}

// Keys of v[0, m) into `keys`, with their bits or-ed and and-ed.
void MakeKeys(const double* v, size_t m, std::vector<uint64_t>& keys, uint64_t& any, uint64_t& all) {
  keys.resize(m);
  any = 0, all = ~uint64_t{0};
  for (size_t i = 0; i < m; ++i) {
    keys[i] = OrderKey(v[i]);
    any |= keys[i];
    all &= keys[i];
  }
}

// `below` and `equal` (when given) receive how many of v have a smaller
// key and the same key. Keys order values that are not NaN as they
// compare, but for -0 < +0.
double KthSmallest(const double* v, size_t m, size_t k, std::vector<uint64_t>& keys, size_t* below = nullptr,
                   size_t* equal = nullptr) {
  if (m == 0) return 0;
  uint64_t any, all;
  MakeKeys(v, m, keys, any, all);
  const Ranked r = NarrowKeys(keys.data(), m, k, any, all);
  if (below) {
    *below = r.below;
    *equal = r.equal;
  }
  return FromOrderKey(r.key);
}

// Ranks ka and kb of v[0, m) (m > 0) at once: the keys are made, and
// counted by their top byte, once for both.
void TwoSmallest(const double* v, size_t m, size_t ka, size_t kb, std::vector<uint64_t>& keys,
                 std::vector<uint64_t>& other, Ranked& a, Ranked& b) {
  uint64_t any, all;
  MakeKeys(v, m, keys, any, all);
  other.resize(m);
  const uint64_t differ = any ^ all;
  if (differ == 0 || m <= 64) {
    std::copy(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(m), other.begin());
    a = NarrowKeys(keys.data(), m, ka, any, all);
    b = NarrowKeys(other.data(), m, kb, any, all);
    return;
  }
  const int shift = ShiftFor(differ);
  size_t ra = ka, rb = kb, da, db;
  BucketsOfTwoRanks(keys.data(), m, shift, ra, rb, da, db);
  // Both buckets kept in one walk: b's to `other`, a's in place.
  uint64_t anyB = 0, allB = ~uint64_t{0};
  any = 0, all = ~uint64_t{0};
  size_t countA = 0, countB = 0;
  uint64_t* k = keys.data();
  uint64_t* o = other.data();
  for (size_t i = 0; i < m; ++i) {
    const uint64_t key = k[i], byte = (key >> shift) & 255;
    const uint64_t inA = uint64_t{0} - (byte == da), inB = uint64_t{0} - (byte == db);
    o[countB] = key;
    countB += inB & 1;
    k[countA] = key;
    countA += inA & 1;
    any |= key & inA;
    all &= key | ~inA;
    anyB |= key & inB;
    allB &= key | ~inB;
  }
  a = NarrowKeys(keys.data(), countA, ra, any, all);
  b = NarrowKeys(other.data(), countB, rb, anyB, allB);
  a.below += ka - ra;
  b.below += kb - rb;
}

// Median (the upper one of an even count) of v, as nth_element gives it.
double UpperMedian(const std::vector<double>& v, std::vector<uint64_t>& keys) {
  return KthSmallest(v.data(), v.size(), v.size() / 2, keys);
}

// points(d) = min(5 / d, 1e6) falls as d grows (a rounded quotient keeps
// the order of its divisors), so the steps giving x or more are those up to
// the largest step that still does, found by a division and a few
// neighbouring doubles: steps are then counted by comparison alone.
double LargestStepGivingAtLeast(double x) {
  auto points = [](double d) { return std::min(5.0 / d, 1e6); };
  if (x <= 0) return HUGE_VAL;
  if (x > 1e6) return -HUGE_VAL;
  double most = 5.0 / x;
  while (points(most) < x) most = std::nextafter(most, 0.0);
  for (double up = std::nextafter(most, HUGE_VAL); points(up) >= x; up = std::nextafter(up, HUGE_VAL)) most = up;
  return most;
}

// Points in 5 mass units at the median step (steps: all positive), whole:
// the integer part of min(5 / median, 1e6); 0 without steps. Only that
// integer counts, and it moves against the step: g is it exactly when at
// least median rank + 1 steps give g or more and fewer give g + 1. A
// guess from the middle step, moved by what the counts tell, settles it
// in a pass or two over the steps instead of an exact selection.
size_t GroupPoints(const std::vector<double>& steps, std::vector<uint64_t>& keys) {
  if (steps.empty()) return 0;
  auto points = [](double d) { return std::min(5.0 / d, 1e6); };
  const size_t need = steps.size() / 2 + 1;
  size_t g = static_cast<size_t>(points(steps[steps.size() / 2]));
  for (int tries = 0; tries < 3; ++tries) {
    const double upToLo = LargestStepGivingAtLeast(static_cast<double>(g));
    const double upToHi = LargestStepGivingAtLeast(static_cast<double>(g + 1));
    size_t atLeastLo = 0, atLeastHi = 0;
    for (double d : steps) {
      atLeastLo += d <= upToLo;
      atLeastHi += d <= upToHi;
    }
    if (atLeastLo >= need && atLeastHi < need) return g;
    if (atLeastLo < need) {
      if (g == 0) break;
      --g;
    } else {
      ++g;
    }
  }
  return static_cast<size_t>(points(UpperMedian(steps, keys)));
}

// The value at rank `at` (0 <= at < size) of values that are counts
// less something, each read as spread evenly over the unit around it
// (counts are whole numbers): small counts, many of them equal, still give
// a spread. `r` is the value at rank RankAt(size, at), as selected.
double CountQuantileOf(const double* values, size_t size, double at, const Ranked& r) {
  const double v = FromOrderKey(r.key);
  size_t below = r.below, equal = r.equal;  // where the values equal to v lie, sorted: [below, below + equal)
  // The values here are counts less a level: numbers, and -0 only as the
  // value zero, where keys and comparisons could part.
  if (v == 0 || !std::isfinite(v)) {
    below = equal = 0;
    for (size_t i = 0; i < size; ++i) {
      below += values[i] < v;
      equal += values[i] == v;
    }
  }
  const size_t first = below, last = below + equal;
  return v - 0.5 + (at - static_cast<double>(first)) / static_cast<double>(last - first);
}

size_t RankAt(size_t size, double at) { return std::min(size - 1, static_cast<size_t>(at)); }

// The normal distribution that points away from peaks follow, given what
// they stand above the envelope (`shown`: the points above zero) and how
// many read zero (`clipped`): through the quantiles at 15 % and 85 % of the
// share above zero, so that noise clipped at zero is judged by the part of
// it that shows. False when there are too few points.
struct NoiseFit {
  double centre = 0, sd = 0;  // above the envelope
};

bool FitNoise(const double* shown, size_t size, size_t clipped, NoiseFit* fit, std::vector<uint64_t>& keys,
              std::vector<uint64_t>& other) {
  const double total = static_cast<double>(size + clipped);
  if (total < 16) return false;
  if (size < 4) {
    *fit = NoiseFit{};  // all but a few read zero: nothing to tell noise by
    return true;
  }
  const double zeros = static_cast<double>(clipped) / total;
  const double qa = zeros + (1 - zeros) * 0.15, qb = zeros + (1 - zeros) * 0.85;
  const double za = NormalQuantile(qa), zb = NormalQuantile(qb);
  const double atA = qa * total - static_cast<double>(clipped), atB = qb * total - static_cast<double>(clipped);
  Ranked ra, rb;
  TwoSmallest(shown, size, RankAt(size, atA), RankAt(size, atB), keys, other, ra, rb);
  const double a = CountQuantileOf(shown, size, atA, ra);
  const double b = CountQuantileOf(shown, size, atB, rb);
  fit->sd = std::max(0.0, (b - a) / (zb - za));
  fit->centre = a - fit->sd * za;
  return true;
}

// Median of the known values among v[k - 1 .. k + 1]; `fallback` when none is.
double NeighbourMedian(const std::vector<double>& v, const std::vector<char>& known, size_t k, double fallback) {
  double m[3];
  size_t count = 0;
  for (size_t j = k > 0 ? k - 1 : 0; j <= std::min(v.size() - 1, k + 1); ++j)
    if (known[j]) m[count++] = v[j];
  if (count == 0) return fallback;
  if (count == 1) return m[0];
  const double lo = std::min(m[0], m[1]), hi = std::max(m[0], m[1]);
  return count == 2 ? (lo + hi) / 2 : std::max(lo, std::min(hi, m[2]));
}

// Values per point from values v per block of `block` points: straight
// between the blocks' middles.
template <typename Put>
void AlongBlocksInto(const std::vector<double>& v, size_t block, double* out, size_t n, Put put) {
  const size_t mid = block / 2;
  for (size_t i = 0; i < std::min(n, mid); ++i) out[i] = put(i, v.front());
  for (size_t k = 0; k < v.size(); ++k) {
    const size_t from = k * block + mid, to = std::min(n, from + block);
    const double step = k + 1 < v.size() ? (v[k + 1] - v[k]) / static_cast<double>(block) : 0.0;
    // Whole numbers count exactly in a double: no conversion per point.
    // Four counters a step of 4 apart, so that each add does not wait on
    // the one before it.
    const double base = v[k];
    double x0 = 0, x1 = 1, x2 = 2, x3 = 3;
    size_t i = from;
    for (; i + 4 <= to; i += 4, x0 += 4, x1 += 4, x2 += 4, x3 += 4) {
      out[i] = put(i, base + step * x0);
      out[i + 1] = put(i + 1, base + step * x1);
      out[i + 2] = put(i + 2, base + step * x2);
      out[i + 3] = put(i + 3, base + step * x3);
    }
    for (; i < to; ++i, x0 += 1) out[i] = put(i, base + step * x0);
  }
}

// With `under`, each value is added to under's at its point, as it comes:
// one walk instead of a second one over what the first wrote.
void AlongBlocks(const std::vector<double>& v, size_t block, std::vector<double>& out,
                 const double* under = nullptr) {
  if (under)
    AlongBlocksInto(v, block, out.data(), out.size(), [under](size_t i, double x) { return under[i] + x; });
  else
    AlongBlocksInto(v, block, out.data(), out.size(), [](size_t, double x) { return x; });
}

}  // namespace

std::vector<double> SmoothProfile(const std::vector<Peak>& pts, unsigned window) {
  std::vector<double> out;
  SmoothRuns(pts, ContinuousRuns(pts), window, out);
  return out;
}

CentroidSettings SettingsFrom(const MS_CENTROID_ENGINE_PARAMS& p) {
  CentroidSettings s;
  unsigned smooth = p.smoothPointsUsed ? p.smoothPointsUsed : p.smoothPoints;
  if (smooth < 1) smooth = 1;
  if (smooth % 2 == 0) ++smooth;
  s.smoothPoints = std::min(smooth, 101u);
  unsigned search = p.searchPointsUsed ? p.searchPointsUsed : p.searchPoints;
  s.searchPoints = std::clamp(search ? search : 3u, 1u, 101u);
  s.centroidPoints = std::min<unsigned>(p.centroidPointsUsed ? p.centroidPointsUsed : p.centroidPoints, 1001u);
  s.threshold = p.thresholdCount;
  return s;
}

namespace {

void LocalBaselineOf(const std::vector<Peak>& pts, const Runs& runs, const std::vector<size_t>& missing,
                     const std::vector<double>& sm, unsigned smoothPoints, LocalBaseline& lb) {
  const size_t n = pts.size();
  // Every point of both is set below.
  lb.level.resize(n);
  lb.noise.resize(n);
  lb.peakWidth = LocalBaseline{}.peakWidth;
  lb.window = 0;
  if (n == 0) return;
  const double width = TypicalPeakWidth(sm, runs);
  lb.peakWidth = width;
  // The envelope must reach past a whole group of peaks (an ion with its
  // isotopes spans some mass units), so that it passes under the valleys
  // within the group: at least 5 mass units, at the typical step.
  Work& work = ThreadWork();
  std::vector<double>& steps = work.steps;
  std::vector<double>& seq = work.seq;
  std::vector<double>& lowest = work.lowest;
  std::vector<double>& highest = work.highest;
  std::vector<double>& envelope = work.envelope;
  std::vector<double>& nearTop = work.nearTop;
  std::vector<double>& counts = work.counts;
  std::vector<double>& envelopeOnly = work.envelopeOnly;
  std::vector<size_t>& at = work.at;
  std::vector<size_t>& standing = work.standing;
  std::vector<char>& masked = work.masked;
  std::vector<uint64_t>& keys = work.keys;
  // Each step written, and counted only when it is positive and finite (a
  // damaged buffer's masses may be anything): no branch per step.
  steps.resize(n);
  size_t stepCount = 0;
  for (auto [b, e] : runs) {
    const Peak* p = pts.data();
    double* out = steps.data();
    for (size_t i = b + 1; i < e; ++i) {
      const double d = p[i].mass - p[i - 1].mass;
      out[stepCount] = d;
      stepCount += (d > 0) & (d <= std::numeric_limits<double>::max());
    }
  }
  steps.resize(stepCount);
  lb.window = std::max<size_t>({15, static_cast<size_t>(5 * width), GroupPoints(steps, keys)}) | 1u;
  const size_t half = lb.window / 2;

  // The envelope runs over all points, a zero standing between runs for
  // the points left out there.
  seq.clear();
  at.resize(n);
  seq.reserve(n + runs.size());
  for (size_t r = 0; r < runs.size(); ++r) {
    if (r > 0) seq.push_back(0.0);
    for (size_t i = runs[r].first; i < runs[r].second; ++i) {
      at[i] = seq.size();
      seq.push_back(sm[i]);
    }
  }
  SlidingExtreme(seq, half, std::less<double>(), lowest);
  SlidingExtreme(lowest, half, std::greater<double>(), highest);
  SlidingMean(highest, half, envelope);
  ExtendEnds(envelope, half);
  for (size_t i = 0; i < n; ++i) lb.level[i] = envelope[at[i]];

  // Noise, and where its centre lies above the envelope, from the points
  // away from peaks in blocks along the profile: a first estimate from the
  // half of each block's points with the lowest highest point within a peak
  // width of them, then twice again from all points but those standing out
  // of the last estimate and two peak widths on either side of them.
  // Points of a gap count as zeros of the block.
  const size_t block = std::max<size_t>(32 * static_cast<size_t>(width), 512);
  const size_t blocks = (n + block - 1) / block;
  std::vector<size_t> leftOut(blocks, 0);
  for (size_t r = 1; r < runs.size() && r < missing.size(); ++r) leftOut[runs[r].first / block] += missing[r];
  const double perSmoothed = 1.0 / std::sqrt(static_cast<double>(std::max(1u, smoothPoints)));
  const size_t reach = static_cast<size_t>(2 * width) + smoothPoints / 2 + 1;
  std::vector<char> known(blocks);
  masked.resize(n);  // every block sets its points
  {
    SlidingExtreme(sm, static_cast<size_t>(width) + smoothPoints / 2, std::greater<double>(), nearTop);
    for (size_t k = 0; k < blocks; ++k) {
      const size_t b = k * block, e = std::min(n, b + block);
      // Points left out in gaps are zeros far from peaks: the quietest.
      const size_t zeros = std::min(leftOut[k], 4 * block), quiet = (e - b + zeros) / 2;
      if (quiet <= zeros) {
        for (size_t i = b; i < e; ++i) masked[i] = 1;
        continue;
      }
      const double cut = KthSmallest(nearTop.data() + b, e - b, quiet - zeros - 1, keys);
      for (size_t i = b; i < e; ++i) masked[i] = nearTop[i] > cut;
    }
  }
  std::vector<double> sd(blocks), lift(blocks);
  // A block's fit follows from its points left out alone (the envelope
  // and the counts stay): only blocks where they changed are fitted again.
  std::vector<char> refit(blocks, 1);
  std::vector<double> sdBlock(blocks), liftBlock(blocks), sdBefore, liftBefore;
  envelopeOnly.assign(lb.level.begin(), lb.level.end());
  // What each point's counts stand above the envelope, the same in every pass.
  std::vector<double>& overEnvelope = work.overEnvelope;
  overEnvelope.resize(n);
  for (size_t i = 0; i < n; ++i) overEnvelope[i] = pts[i].intensity - envelopeOnly[i];
  for (int pass = 0;; ++pass) {
    std::vector<double> allSd, allLift;
    for (size_t k = 0; k < blocks; ++k) {
      if (!refit[k]) {
        if (known[k]) allSd.push_back(sd[k]), allLift.push_back(lift[k]);
        continue;
      }
      // Without branches on the data: which points are masked follows the
      // peaks, which no predictor learns.
      const size_t b = k * block, e = std::min(n, b + block);
      if (counts.size() < e - b) counts.resize(e - b);
      double* kept = counts.data();
      const char* mask = masked.data();
      const Peak* p = pts.data();
      const double* over = overEnvelope.data();
      size_t m = 0, open = 0;
      for (size_t i = b; i < e; ++i) {
        const bool unmasked = !mask[i];
        kept[m] = over[i];
        m += unmasked & (p[i].intensity != 0);
        open += unmasked;
      }
      const size_t zeros = std::min(leftOut[k], 4 * block) + (open - m);
      NoiseFit fit;
      known[k] = FitNoise(kept, m, zeros, &fit, keys, work.otherKeys);
      if (!known[k]) continue;
      sd[k] = fit.sd;
      // The envelope lies under the noise's lower edge; the baseline is the
      // noise's centre where that is above it.
      lift[k] = std::max(0.0, fit.centre);
      allSd.push_back(sd[k]);
      allLift.push_back(lift[k]);
    }
    auto median = [&](const std::vector<double>& v) { return v.empty() ? 0.0 : UpperMedian(v, keys); };
    const double sdAll = median(allSd), liftAll = median(allLift);
    for (size_t k = 0; k < blocks; ++k) {
      sdBlock[k] = NeighbourMedian(sd, known, k, sdAll);
      liftBlock[k] = NeighbourMedian(lift, known, k, liftAll);
    }
    // The blocks' noise and lift as the pass before give the baseline as
    // before, and with it the same points left out: nothing would change.
    if (pass > 0 && sdBlock == sdBefore && liftBlock == liftBefore) break;
    sdBefore = sdBlock;
    liftBefore = liftBlock;
    AlongBlocks(sdBlock, block, lb.noise);
    AlongBlocks(liftBlock, block, lb.level, envelopeOnly.data());
    if (pass == 2) break;
    standing.resize(n + 1);  // prefix counts of points standing out
    standing[0] = 0;
    for (size_t i = 0; i < n; ++i)
      standing[i + 1] = standing[i] + (sm[i] - lb.level[i] > std::max(0.5, 5 * lb.noise[i] * perSmoothed));
    bool changed = false;
    for (size_t k = 0; k < blocks; ++k) {
      const size_t b = k * block, e = std::min(n, b + block);
      char differs = 0;
      auto mark = [&](size_t i, size_t lo, size_t hi) {
        const char now = standing[hi] > standing[lo];
        differs |= now != masked[i];
        masked[i] = now;
      };
      // Only points within `reach` of the ends have their reach cut.
      const size_t whole0 = std::max(b, std::min(e, reach));
      const size_t whole1 = std::max(whole0, std::min(e, n - std::min(n, reach)));
      for (size_t i = b; i < whole0; ++i) mark(i, i >= reach ? i - reach : 0, std::min(n, i + reach + 1));
      {
        const size_t* st = standing.data();
        char* mk = masked.data();
        char d = 0;
        for (size_t i = whole0; i < whole1; ++i) {
          const char now = st[i + reach + 1] > st[i - reach];
          d |= now != mk[i];
          mk[i] = now;
        }
        differs |= d;
      }
      for (size_t i = whole1; i < e; ++i) mark(i, i >= reach ? i - reach : 0, std::min(n, i + reach + 1));
      refit[k] = differs;
      changed |= differs != 0;
    }
    // The same points left out give the same estimate again.
    if (!changed) break;
  }
}

// A peak of the smoothed profile: from its left minimum to its right
// minimum, with the apex between.
struct Span {
  size_t left, apex, right;
  double before, after;  // lowest values of the valley profile over [left, apex] and [apex, right]
};

// Peaks between neighbouring minima of one run of points. A plateau of
// equal values counts as one extreme; a plateau's apex is its middle. A
// valley that the lower of its two apexes (at index a) rises above by less
// than `depth(a)`, both read on the profile `low` (the lowest point between
// the apexes against the lower apex), is no valley (noise on a peak's top
// or flank), nor is one
// between apexes closer than half the search window: the two peaks are
// one, with the higher apex. Only tops above `floor(a)` join.
template <typename Floor, typename Depth>
void FindSpans(const std::vector<double>& sm, const std::vector<double>& low, size_t b, size_t e, size_t half,
               Floor floor, Depth depth, std::vector<Span>& out) {
  const size_t first = out.size();
  size_t left = b;
  while (left < e) {
    // Climb to the next top plateau [p, q]; a level stretch that rises again
    // is only a step on the way up.
    size_t p = left, q = left;
    for (;;) {
      while (p + 1 < e && sm[p + 1] > sm[p]) ++p;
      q = p;
      while (q + 1 < e && sm[q + 1] == sm[p]) ++q;
      if (q + 1 < e && sm[q + 1] > sm[q]) {
        p = q;
        continue;
      }
      break;
    }
    // Down to the next minimum, over level stretches that fall again; a
    // level bottom is left to neither peak.
    size_t r = q;
    for (;;) {
      while (r + 1 < e && sm[r + 1] < sm[r]) ++r;
      size_t t = r;
      while (t + 1 < e && sm[t + 1] == sm[r]) ++t;
      if (t + 1 < e && sm[t + 1] < sm[t]) {
        r = t;
        continue;
      }
      break;
    }
    const size_t apex = p + (q - p) / 2;
    // By value, not by place: a running minimum the compiler keeps in a
    // register, not a branch per point.
    // Four running minima side by side, so that each comparison does not
    // wait on the one before it; the values are counts, never NaN nor -0,
    // so the order in which they are taken does not change the minimum.
    auto lowest = [&](size_t from, size_t to) {
      const double* l = low.data();
      double m0 = l[from], m1 = m0, m2 = m0, m3 = m0;
      size_t i = from + 1;
      for (; i + 4 <= to + 1; i += 4) {
        m0 = l[i] < m0 ? l[i] : m0;
        m1 = l[i + 1] < m1 ? l[i + 1] : m1;
        m2 = l[i + 2] < m2 ? l[i + 2] : m2;
        m3 = l[i + 3] < m3 ? l[i + 3] : m3;
      }
      for (; i <= to; ++i) m0 = l[i] < m0 ? l[i] : m0;
      m0 = m1 < m0 ? m1 : m0;
      m2 = m3 < m2 ? m3 : m2;
      return m2 < m0 ? m2 : m0;
    };
    Span span{left, apex, r, lowest(left, apex), lowest(apex, r)};
    while (out.size() > first) {
      const Span& prev = out.back();
      const size_t lowerAt = sm[prev.apex] < sm[span.apex] ? prev.apex : span.apex;
      const double lower = sm[lowerAt];
      // Bumps of the baseline stay apart: joined to a peak they would
      // stretch it over the noise beside it.
      if (lower <= floor(lowerAt)) break;
      const bool close = span.apex - prev.apex <= half;
      const double valley = std::min(prev.after, span.before);
      if (!close && low[lowerAt] - valley >= depth(lowerAt)) break;
      if (sm[span.apex] > sm[prev.apex])
        span = Span{prev.left, span.apex, span.right, std::min(prev.before, valley), span.after};
      else
        span = Span{prev.left, prev.apex, span.right, prev.before, std::min({prev.after, span.before, span.after})};
      out.pop_back();
    }
    out.push_back(span);
    // The next peak begins after this minimum (the minimum itself stays
    // with the peak on its left).
    size_t next = r;
    while (next + 1 < e && sm[next + 1] == sm[r]) ++next;
    left = next + 1;
  }
}

// Centre of the part of the peak f (counts above the baseline) over
// [left, right] that stands above `share` of its apex's height: the centre
// of the area between f and that line, f taken as straight between points.
// Lower down the flanks, noise, the baseline and neighbours weigh more than
// the peak; higher up, too few points are left to tell its centre.
// `whole` (when given) tells whether the part ends where f crosses the line
// on both sides, not at the ends of [left, right].
double ApexCentre(const std::vector<Peak>& pts, const std::vector<double>& f, size_t left, size_t apex, size_t right,
                  double share, bool* whole = nullptr) {
  const double cut = f[apex] * share;
  size_t l = apex, r = apex;
  while (l > left && f[l - 1] >= cut) --l;
  while (r < right && f[r + 1] >= cut) ++r;
  if (whole) *whole = l > left && r < right;
  double area = 0, moment = 0;
  auto add = [&](double x0, double g0, double x1, double g1) {
    const double dx = x1 - x0;
    area += dx * (g0 + g1) / 2;
    moment += dx * (g0 * (2 * x0 + x1) + g1 * (x0 + 2 * x1)) / 6;
  };
  // Where the line between two points, the first below the cut, meets it.
  auto cross = [&](size_t out, size_t in) {
    return pts[out].mass + (cut - f[out]) / (f[in] - f[out]) * (pts[in].mass - pts[out].mass);
  };
  if (l > left) add(cross(l - 1, l), 0, pts[l].mass, f[l] - cut);
  for (size_t j = l; j < r; ++j) add(pts[j].mass, f[j] - cut, pts[j + 1].mass, f[j + 1] - cut);
  if (r < right) add(pts[r].mass, f[r] - cut, cross(r + 1, r), 0);
  return area > 0 ? moment / area : pts[apex].mass;
}

}  // namespace

LocalBaseline EstimateLocalBaseline(const std::vector<Peak>& pts, const std::vector<double>& smoothed,
                                    unsigned smoothPoints) {
  if (smoothed.size() != pts.size()) return {};
  std::vector<size_t> missing;
  const Runs runs = ContinuousRuns(pts, &missing);
  LocalBaseline lb;
  LocalBaselineOf(pts, runs, missing, smoothed, smoothPoints, lb);
  return lb;
}

std::vector<Peak> CentroidProfile(const std::vector<Peak>& pts, const CentroidSettings& s) {
  std::vector<Peak> peaks;
  if (pts.empty()) return peaks;
  std::vector<size_t> missing;
  const Runs runs = ContinuousRuns(pts, &missing);
  Work& work = ThreadWork();
  SmoothRuns(pts, runs, s.smoothPoints, work.smoothed);
  LocalBaselineOf(pts, runs, missing, work.smoothed, s.smoothPoints, work.baseline);
  const std::vector<double>& sm = work.smoothed;
  const LocalBaseline& lb = work.baseline;
  const double perSmoothed = 1.0 / std::sqrt(static_cast<double>(std::max(1u, s.smoothPoints)));
  // A caller's threshold stands for its own idea of the noise; without one,
  // the local baseline and noise give the threshold and the depth a valley
  // needs.
  const bool automatic = s.threshold <= 0;
  auto floor = [&](size_t i) {
    return automatic ? lb.level[i] + std::max(0.5, kThresholdNoise * lb.noise[i] * perSmoothed) : s.threshold;
  };
  // Without a caller's threshold, a peak spans at least a third of the
  // typical peak width at half height (narrower ones are spikes of noise),
  // and valleys are measured on the profile smoothed over as many points,
  // where the noise of broad peaks' flanks and tops has mostly gone.
  const size_t fewest = automatic ? static_cast<size_t>(lb.peakWidth / 3) : 0;
  const unsigned valleyPoints = std::max(s.smoothPoints, static_cast<unsigned>(fewest) | 1u);
  if (valleyPoints > s.smoothPoints) SmoothRuns(pts, runs, valleyPoints, work.wide);
  const std::vector<double>& wide = valleyPoints > s.smoothPoints ? work.wide : sm;
  const double valleyRoot = std::sqrt(static_cast<double>(valleyPoints));  // once, not for every valley
  auto depth = [&](size_t a) {
    const double share = 0.1 * (wide[a] - lb.level[a]);
    return automatic ? std::max(share, 3.0 * lb.noise[a] / valleyRoot) : share;
  };
  std::vector<Span> spans;
  const size_t half = s.searchPoints / 2;
  for (auto [b, e] : runs) FindSpans(sm, wide, b, e, half, floor, depth, spans);
  // Peaks of a few points at half height are centred on their part above a
  // quarter of their height.
  const double share = 0.25;
  std::vector<double>& above = work.above;
  above.resize(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) above[i] = pts[i].intensity - lb.level[i];
  // A peak of 4 points or more at half height is centred by its shape: the
  // centre of its part above half its height, moved away from the centre
  // of its part above an eighth by half their distance. On a symmetric
  // peak the two agree; a tailing peak (time-of-flight peaks tail to high
  // mass) pulls the lower part's centre into its tail, and the step from
  // there to the upper part's centre, taken on by half again, lands on the
  // apex for tails of up to 4 times the Gaussian's sd (within 1% of the
  // width). Both parts are read on the points averaged over a quarter of
  // the typical width, so that noise neither ends them early nor sets the
  // top; the apex of that average is looked for within half the width.
  const bool broad = lb.peakWidth >= 4;
  const size_t reach = static_cast<size_t>(lb.peakWidth / 8), near = static_cast<size_t>(lb.peakWidth / 2) + half;
  std::vector<double>& aboveSum = work.aboveSum;
  std::vector<double>& level = work.aboveLevel;
  if (broad) {
    aboveSum.resize(pts.size() + 1);
    aboveSum[0] = 0;
    for (size_t i = 0; i < pts.size(); ++i) aboveSum[i + 1] = aboveSum[i] + above[i];
    level.resize(pts.size());
  }
  peaks.reserve(spans.size());
  for (const Span& sp : spans) {
    if (sm[sp.apex] <= floor(sp.apex) || sp.right - sp.left + 1 < fewest) continue;
    size_t left = sp.left, right = sp.right;
    if (s.centroidPoints > 0) {
      const size_t c = s.centroidPoints / 2;
      left = std::max(left, sp.apex >= c ? sp.apex - c : 0);
      right = std::min(right, sp.apex + c);
    }
    // The counts above the baseline add whole; the mass is the centre of
    // the part around the apex, clear of the flanks' foot, the baseline and
    // what joins the peak there.
    double sumI = 0;
    uint8_t flag = 0;
    for (size_t j = left; j <= right; ++j) {
      sumI += pts[j].intensity - lb.level[j];
      flag |= pts[j].flag;
    }
    Peak p;
    // The points themselves tell the centre: smoothing a narrow peak of few
    // points flattens its top and moves its part above the line.
    size_t top = sp.apex;
    for (size_t j = std::max(left, sp.apex - std::min(sp.apex, half)); j <= std::min(right, sp.apex + half); ++j)
      if (above[j] > above[top]) top = j;
    if (broad) {
      for (size_t j = left; j <= right; ++j) {
        const size_t lo = j - std::min(reach, j - left), hi = std::min(right, j + reach);
        level[j] = (aboveSum[hi + 1] - aboveSum[lo]) / static_cast<double>(hi - lo + 1);
      }
      size_t peak = std::clamp(sp.apex, left, right);
      for (size_t j = sp.apex - std::min(near, sp.apex - left); j <= std::min(right, sp.apex + near); ++j)
        if (level[j] > level[peak]) peak = j;
      if (level[peak] > 0) {
        bool upperWhole = false, lowerWhole = false;
        const double upper = ApexCentre(pts, level, left, peak, right, 0.5, &upperWhole);
        const double lower = ApexCentre(pts, level, left, peak, right, 0.125, &lowerWhole);
        // The step between the two centres is a difference of two noisy
        // estimates: on a weak peak it is mostly noise. It counts in full
        // from a height of 40 times the noise of the points at the top
        // (counts: the baseline's noise and the ions' own), not below 20.
        // A part cut off at a valley tells of the neighbour, not of the
        // tail: a peak whose lower part is cut takes its upper part's centre
        // when that is whole, else the lower one's.
        const double height = level[peak];
        const double clearance = height / std::sqrt(lb.noise[peak] * lb.noise[peak] + height);
        const double weight = std::clamp((clearance - 20) / 20, 0.0, 1.0);
        if (lowerWhole)
          p.mass = lower + weight * 1.5 * (upper - lower);
        else
          p.mass = upperWhole ? lower + weight * (upper - lower) : lower;
        p.mass = std::clamp(p.mass, pts[left].mass, pts[right].mass);
      } else {
        p.mass = pts[sp.apex].mass;
      }
    } else {
      p.mass = above[top] > 0 ? ApexCentre(pts, above, left, top, right, share) : pts[sp.apex].mass;
    }
    p.intensity = static_cast<uint32_t>(std::clamp(sumI, 0.0, 4294967295.0));
    p.flag = flag;
    if (p.intensity > 0) peaks.push_back(p);
  }
  return peaks;
}

}  // namespace quorna

using quorna::Peak;

CMS_CentroidEngine::CMS_CentroidEngine() = default;
CMS_CentroidEngine::~CMS_CentroidEngine() = default;

MSRetCode CMS_CentroidEngine::Init() {
  initialised_ = true;
  return MS_OK;
}

namespace {

// Centroids an exchange buffer in place; the count can only shrink.
MSRetCode CentroidBuffer(void* buffer, const MS_CENTROID_ENGINE_PARAMS* params, std::vector<Peak>* result) {
  if (!buffer || !params) return MS_ERR_ARGUMENT;
  try {
    std::vector<Peak>& pts = quorna::ThreadWork().points;
    if (!quorna::ReadExchange(buffer, MS_MAX_SCAN_POINTS * 4u, pts)) return MS_ERR_TOO_MANY_POINTS;
    std::vector<Peak> peaks = quorna::CentroidProfile(pts, quorna::SettingsFrom(*params));
    quorna::WriteExchange(buffer, peaks);
    if (result) *result = std::move(peaks);
  } catch (...) {
    return MS_ERR_MEMORY;
  }
  return MS_OK;
}

}  // namespace

MSRetCode CMS_CentroidEngine::CentroidSpec(const void*, const void*, MS_SCAN_RECORD* record, void* peakBuffer,
                                           const MS_CENTROID_ENGINE_PARAMS* params) {
  if (!initialised_) return MS_ERR_NOT_INITIALISED;
  if (!record) return MS_ERR_ARGUMENT;
  std::vector<Peak> peaks;
  MSRetCode rc = CentroidBuffer(peakBuffer, params, &peaks);
  if (rc != MS_OK) return rc;
  quorna::SummariseInto(peaks, record->header);
  return MS_OK;
}

MSRetCode CMS_CentroidEngine::CentroidSpec(const void*, const void*, const void*, void* pointBlock,
                                           const MS_CENTROID_ENGINE_PARAMS* params) {
  if (!initialised_) return MS_ERR_NOT_INITIALISED;
  return CentroidBuffer(pointBlock, params, nullptr);
}

MSRetCode CMS_CentroidEngine::SmoothProfileSpec(const void*, void* pointBlock, const void*, const void*,
                                                const MS_CENTROID_ENGINE_PARAMS* params) {
  if (!initialised_) return MS_ERR_NOT_INITIALISED;
  if (!pointBlock || !params) return MS_ERR_ARGUMENT;
  // Smoothing for display takes the search points when no smoothing width is set.
  quorna::CentroidSettings s = quorna::SettingsFrom(*params);
  unsigned window = s.smoothPoints;
  if (window <= 1 && !params->smoothPointsUsed && params->searchPoints > 1) window = s.searchPoints | 1u;
  try {
    std::vector<Peak> pts;
    if (!quorna::ReadExchange(pointBlock, MS_MAX_SCAN_POINTS * 4u, pts)) return MS_ERR_TOO_MANY_POINTS;
    std::vector<double> sm = quorna::SmoothProfile(pts, window);
    for (size_t i = 0; i < pts.size(); ++i) pts[i].intensity = static_cast<uint32_t>(std::lround(sm[i]));
    quorna::WriteExchange(pointBlock, pts);
  } catch (...) {
    return MS_ERR_MEMORY;
  }
  return MS_OK;
}
