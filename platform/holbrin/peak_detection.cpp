// Peak detection and integration of one trace; the method is described in
// peak_detection.h.
#include "holbrin/peak_detection.h"

#include <algorithm>
#include <cmath>

namespace holbrin {

namespace {

constexpr uint16_t kErrorNoPoints = 1, kErrorNoPeaks = 2, kErrorEventOutside = 4, kErrorInhibitJoined = 5,
                   kErrorWidth = 6, kErrorNoNoise = 8;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  const size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + long(mid), v.end());
  return v[mid];
}

// Sigma of zero-mean noise from the lower third of the absolute values
// (a normal variable's |x| has its first tercile at 0.4307 sigma): peaks
// may cover up to two thirds of the points without moving it.
double RobustSigma(const std::vector<double>& r) {
  if (r.empty()) return 0;
  std::vector<double> a;
  a.reserve(r.size());
  for (double v : r) a.push_back(std::fabs(v));
  const size_t q = a.size() / 3;
  std::nth_element(a.begin(), a.begin() + long(q), a.end());
  return a[q] / 0.4307;
}

// Noise sigma of values from their second differences across lag points:
// the larger of two estimates from the lower two thirds of the absolute
// differences, so that peaks covering up to a third of the points leave it
// alone: the lower tercile (a normal variable's |x| has it at 0.4307 sigma)
// and the root mean square of the lower two thirds (0.5245 sigma), which
// sees noise that is not normal (sparse chemical noise: mostly nothing, now
// and then an ion) where the tercile would take it for quiet. Mostly empty
// ion traces are measured where there is signal; 0 when nothing varies.
double SigmaOfDifferences(std::vector<double>& a) {
  if (a.size() < 3) return 0;
  const size_t third = a.size() / 3, keep = std::max<size_t>(1, 2 * a.size() / 3);
  std::nth_element(a.begin(), a.begin() + long(keep - 1), a.end());
  std::nth_element(a.begin(), a.begin() + long(third), a.begin() + long(keep));
  double sum = 0;
  for (size_t i = 0; i < keep; ++i) sum += a[i] * a[i];
  return std::max(a[third] / 0.4307, std::sqrt(sum / double(keep)) / 0.5245) / std::sqrt(1.5);
}

double NoiseOf(const std::vector<double>& y, int lag) {
  const int n = int(y.size());
  std::vector<double> a;
  a.reserve(size_t(std::max(0, n - 2 * lag)));
  for (int i = lag; i + lag < n; ++i)
    a.push_back(std::fabs(y[size_t(i)] - (y[size_t(i - lag)] + y[size_t(i + lag)]) / 2));
  const double sigma = SigmaOfDifferences(a);
  if (sigma > 0) return sigma;
  a.clear();
  for (int i = lag; i + lag < n; ++i) {
    const double p = y[size_t(i - lag)], q = y[size_t(i)], r = y[size_t(i + lag)];
    if (p != 0 || q != 0 || r != 0) a.push_back(std::fabs(q - (p + r) / 2));
  }
  return SigmaOfDifferences(a);
}

double Norm(const std::vector<double>& k) {
  double sum = 0;
  for (double v : k) sum += v * v;
  return std::sqrt(sum);
}

std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.empty() || b.empty()) return {};
  std::vector<double> out(a.size() + b.size() - 1, 0.0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
  return out;
}

struct RawPeak {
  int start, apex, end;
  int rise = -1;  // where the slope scan saw it rise
  bool valleyStart = false, valleyEnd = false;
  int cluster = 0;
  bool forced = false;
};

class Detector {
 public:
  Detector(const std::vector<double>& t, const std::vector<double>& y, const DetectionParams& p,
           std::vector<TimeEvent> events)
      : t_(t), y_(y), p_(p), n_(int(t.size())) {
    for (const TimeEvent& e : events) {
      const bool range = (e.type >= 1 && e.type <= 5) || (e.type >= 7 && e.type <= 9);
      if (e.type < 0 || e.type > 12 || !std::isfinite(e.time) || (range && !(e.end > e.time)) ||
          e.time > t.back() || (range ? e.end < t.front() : false)) {
        Error(kErrorEventOutside);
        continue;
      }
      events_.push_back(e);
    }
    std::stable_sort(events_.begin(), events_.end(), [](auto& a, auto& b) { return a.time < b.time; });
  }

  DetectionResult Run() {
    if (n_ < 5) {
      Error(kErrorNoPoints);
      return Finish();
    }
    for (int i = 0; i < n_; ++i)
      if (!std::isfinite(y_[i]) || !std::isfinite(t_[i]) || (i && !(t_[i] > t_[i - 1]))) {
        Error(kErrorNoPoints);
        return Finish();
      }
    Prepare();
    std::vector<RawPeak> raw = Scan();
    ApplyForcedAndSplit(raw);
    Integrate(raw);
    ApplyGroupAndReject();
    if (result_.peaks.empty()) Error(kErrorNoPeaks);
    return Finish();
  }

 private:
  void Error(uint16_t code) {
    if (std::find(result_.errors.begin(), result_.errors.end(), code) == result_.errors.end())
      result_.errors.push_back(code);
  }
  DetectionResult Finish() { return std::move(result_); }

  // Value of a point kind in force at time (the last such event at or before).
  double PointValue(int type, double time, double fallback) const {
    double v = fallback;
    for (const TimeEvent& e : events_)
      if (e.type == type && e.time <= time) v = e.value;
    return v;
  }
  bool InRange(int type, double time) const {
    for (const TimeEvent& e : events_)
      if (e.type == type && time >= e.time && time <= e.end) return true;
    return false;
  }

  void Prepare() {
    std::vector<double> steps;
    for (int i = 1; i < n_; ++i) steps.push_back(t_[i] - t_[i - 1]);
    dt_ = Median(steps);
    // Width in points at each point, from the width events.
    width_.assign(size_t(n_), 0);
    for (int i = 0; i < n_; ++i) {
      double seconds = p_.peakWidthSeconds;
      for (const TimeEvent& e : events_)
        if (e.type == 0 && e.time <= t_[i]) {
          if (e.value < 1 || e.value > 512) Error(kErrorWidth);
          seconds = std::clamp(e.value, 1.0, 512.0) * 0.5;
        }
      // No wider than the trace: scans very close together would otherwise
      // give widths beyond any point index.
      width_[size_t(i)] = std::clamp(seconds / 60.0 / dt_, 2.0, std::max(2.0, double(n_)));
    }
    // Smoothing, quadratic Savitzky-Golay: wide for detection, at most five
    // points for measuring (a window wider than a narrow peak rings).
    s_.assign(size_t(n_), 0);
    m_.assign(size_t(n_), 0);
    for (int i = 0; i < n_; ++i) {
      const int h = int(std::lround(width_[size_t(i)] / 2));
      s_[size_t(i)] = Smooth(i, std::min(std::max(h, 1), 25));
      m_[size_t(i)] = Smooth(i, std::min(std::max(h, 1), 2));
    }
    // Noise of the signal. Values smoothed before are quiet from one point
    // to the next: their noise comes from the values before the smoothing,
    // carried through its weights, or else is measured across its width.
    const std::vector<double> kin = p_.inputKernel.size() % 2 == 1 ? p_.inputKernel : std::vector<double>{1.0};
    const double kinNorm = std::max(1e-12, Norm(kin));
    if (kin.size() > 1 && p_.unfiltered && int(p_.unfiltered->size()) == n_) {
      sigma_ = NoiseOf(*p_.unfiltered, 1) * kinNorm;
    } else {
      sigma_ = NoiseOf(y_, std::clamp(int(kin.size()), 1, std::max(1, (n_ - 1) / 6)));
    }    double top = 0;
    for (double v : y_) top = std::max(top, std::fabs(v));
    if (!(sigma_ > 0)) {
      Error(kErrorNoNoise);
      sigma_ = std::max(0.5, 1e-9 * top);  // flat: one half count
    }
    // Noise of the detection smoothing and of its slope, for white noise
    // under the values' own smoothing.
    const int hs = std::clamp(int(std::lround(Median(width_) / 2)), 1, 25);
    const double white = sigma_ / kinNorm;
    const std::vector<double> smoothed = Convolve(kin, SmoothingWeights(2, hs));
    sigmaS_ = white * Norm(smoothed);
    const double slopeNoise = white * Norm(Convolve(smoothed, {-0.5, 0.0, 0.5}));
    // Slope of the smoothed trace and its noise.
    d_.assign(size_t(n_), 0);
    for (int i = 1; i + 1 < n_; ++i) d_[size_t(i)] = (s_[size_t(i + 1)] - s_[size_t(i - 1)]) / 2;
    // Baseline drift is no peak: the slope counts against the median slope
    // of its neighbourhood (blocks of twenty peak widths).
    const int block = int(std::clamp(20 * Median(width_), 50.0, std::max(50.0, double(n_))));
    std::vector<double> drift(size_t(n_), 0);
    for (int a = 0; a < n_; a += block) {
      const int b = std::min(n_, a + block);
      const double m = Median(std::vector<double>(d_.begin() + a, d_.begin() + b));
      for (int i = a; i < b; ++i) drift[size_t(i)] = m;
    }
    for (int i = 1; i + 1 < n_; ++i) d_[size_t(i)] -= drift[size_t(i)];
    double sigmaD = RobustSigma(std::vector<double>(d_.begin() + 1, d_.end() - 1));
    // Smoothed before, the slope's noise is correlated over many points and
    // a short trace measures it poorly: it is at most what the noise of the
    // values before the smoothing makes of it. (Raw values keep the measured
    // one, which also sees noise that is not white, such as sparse chemical
    // noise.)
    if (kin.size() > 1 && n_ > int(smoothed.size()) + 2) sigmaD = std::min(sigmaD, slopeNoise);
    sigmaD = std::max(sigmaD, 0.05 * sigma_);
    const double k = std::clamp(15.0 / std::max(1, p_.slopeSensitivity), 1.0, 15.0);
    threshold_ = k * sigmaD;
    inhibited_.assign(size_t(n_), 0);
    for (int i = 0; i < n_; ++i) inhibited_[size_t(i)] = InRange(1, t_[size_t(i)]);
    int inhibits = 0;
    double lastEnd = -1e300;
    for (const TimeEvent& e : events_)
      if (e.type == 1) {
        if (inhibits++ && e.time <= lastEnd) Error(kErrorInhibitJoined);
        lastEnd = std::max(lastEnd, e.end);
      }
  }

  double Smooth(int i, int h) const {
    h = std::min({h, i, n_ - 1 - i});
    if (h < 1) return y_[size_t(i)];
    const double norm = double(2 * h - 1) * (2 * h + 1) * (2 * h + 3) / 3.0;
    double sum = 0;
    for (int j = -h; j <= h; ++j) sum += (3.0 * h * h + 3 * h - 1 - 5.0 * j * j) / norm * y_[size_t(i + j)];
    return sum;
  }
  // The signal at a valley: the mean of the point and its neighbours.
  double ValleyValue(int v) const {
    const int a = std::max(0, v - 1), b = std::min(n_ - 1, v + 1);
    double sum = 0;
    for (int i = a; i <= b; ++i) sum += y_[size_t(i)];
    return sum / (b - a + 1);
  }

  int Width(int i) const { return int(std::ceil(width_[size_t(std::clamp(i, 0, n_ - 1))])); }
  bool Rising(int i) const { return i + 1 < n_ && d_[size_t(i)] > threshold_ && d_[size_t(i + 1)] > threshold_; }
  int ArgMin(int a, int b) const {
    int best = a;
    for (int i = a; i <= b; ++i)
      if (m_[size_t(i)] < m_[size_t(best)]) best = i;
    return best;
  }
  int ArgMax(int a, int b) const {
    int best = a;
    for (int i = a; i <= b; ++i)
      if (s_[size_t(i)] > s_[size_t(best)]) best = i;
    return best;
  }

  std::vector<RawPeak> Scan() {
    std::vector<RawPeak> out;
    enum { kBase, kUp, kDown } state = kBase;
    RawPeak cur{0, -1, -1};
    int lastEnd = 0, cluster = 0;
    auto close = [&](int end) {
      if (cur.apex < 0) cur.apex = ArgMax(cur.start, end);
      cur.end = end;
      if (cur.end > cur.start && cur.apex > cur.start && cur.apex < cur.end) out.push_back(cur);
      lastEnd = end;
      state = kBase;
    };
    for (int i = 1; i + 1 < n_; ++i) {
      if (inhibited_[size_t(i)]) {
        if (state != kBase) close(i - 1);
        lastEnd = i;
        continue;
      }
      if (state == kBase) {
        if (Rising(i)) {
          cur = RawPeak{ArgMin(std::max(lastEnd, i - 2 * Width(i)), i), -1, -1};
          cur.rise = i;
          cur.cluster = ++cluster;
          state = kUp;
        }
      } else if (state == kUp) {
        if (d_[size_t(i)] <= 0) {
          cur.apex = ArgMax(cur.start, i + 1);
          state = kDown;
        }
      } else if (Rising(i)) {
        const int v = ArgMin(cur.apex, i);
        if (s_[size_t(cur.apex)] - s_[size_t(v)] < 2 * sigma_) {
          state = kUp;  // a wobble on the flank, not a valley
          cur.apex = -1;
          continue;
        }
        cur.end = v;
        cur.valleyEnd = true;
        out.push_back(cur);
        const int c = cur.cluster;
        cur = RawPeak{v, -1, -1};
        cur.valleyStart = true;
        cur.cluster = c;
        state = kUp;
      } else if (d_[size_t(i)] > -threshold_ && d_[size_t(i + 1)] > -threshold_) {
        int j = i, limit = std::min(n_ - 2, i + 2 * Width(i));
        while (j < limit && !Rising(j) && !inhibited_[size_t(j + 1)]) ++j;
        const int e = ArgMin(i, j);
        // A rise before the signal is back near the level the peak started
        // from: the flat stretch was a valley between two peaks.
        if (Rising(j) && m_[size_t(e)] - m_[size_t(cur.start)] > 2 * sigma_) {
          cur.end = e;
          cur.valleyEnd = true;
          out.push_back(cur);
          const int c = cur.cluster;
          cur = RawPeak{e, -1, -1};
          cur.valleyStart = true;
          cur.cluster = c;
          state = kUp;
          i = j;
          continue;
        }
        close(e);
        i = e;
      }
    }
    if (state != kBase) close(n_ - 1);
    return out;
  }

  int IndexAt(double time) const {
    auto it = std::lower_bound(t_.begin(), t_.end(), time);
    if (it == t_.end()) return n_ - 1;
    int i = int(it - t_.begin());
    if (i > 0 && time - t_[size_t(i - 1)] < t_[size_t(i)] - time) --i;
    return i;
  }

  void ApplyForcedAndSplit(std::vector<RawPeak>& raw) {
    int nextCluster = 1;
    for (const RawPeak& r : raw) nextCluster = std::max(nextCluster, r.cluster + 1);
    for (const TimeEvent& e : events_) {
      if (e.type == 5) {
        const int a = IndexAt(e.time), b = IndexAt(e.end);
        if (b - a < 2) continue;
        raw.erase(std::remove_if(raw.begin(), raw.end(),
                                 [&](const RawPeak& r) { return r.apex >= a && r.apex <= b; }),
                  raw.end());
        RawPeak f{a, ArgMax(a + 1, b - 1), b};
        f.forced = true;
        f.cluster = nextCluster++;
        raw.push_back(f);
      } else if (e.type == 6) {
        const int at = IndexAt(e.time);
        for (size_t k = 0; k < raw.size(); ++k) {
          RawPeak& r = raw[k];
          if (r.forced || at <= r.start + 1 || at >= r.end - 1) continue;
          RawPeak second = r;
          second.start = at;
          second.valleyStart = true;
          second.apex = ArgMax(at + 1, r.end - 1);
          r.end = at;
          r.valleyEnd = true;
          r.apex = ArgMax(r.start + 1, at - 1);
          raw.insert(raw.begin() + long(k) + 1, second);
          break;
        }
      }
    }
    std::sort(raw.begin(), raw.end(), [](auto& a, auto& b) { return a.start < b.start; });
  }

  // The baseline under a cluster: a line through the signal on both sides,
  // fitted by least squares with points further than three robust sigmas
  // from it left out (a neighbour's tail, a spike), twice. One side alone
  // gives a level line; none, ok stays false.
  struct BaseLine {
    double t0 = 0, v0 = 0, t1 = 0, v1 = 0;
    bool ok = false;
    double At(double t) const { return t1 > t0 ? v0 + (v1 - v0) * (t - t0) / (t1 - t0) : v0; }
  };

  // Points of a flank window: from `from` on in direction, count points,
  // never reaching `limit` nor an inhibited point.
  void Window(int from, int direction, int count, int limit, std::vector<int>* out) const {
    for (int k = 0, i = from; k < count; ++k, i += direction) {
      if (i < 0 || i >= n_ || (direction < 0 ? i <= limit : i >= limit) || inhibited_[size_t(i)]) break;
      out->push_back(i);
    }
  }

  BaseLine FitBaseline(int start, int end, int leftLimit, int rightLimit) const {
    // Leave the smoothing's reach out, so that the noise which chose a
    // boundary does not pull the line toward itself.
    const int gapL = std::max(1, int(std::lround(width_[size_t(start)] / 2)));
    const int gapR = std::max(1, int(std::lround(width_[size_t(end)] / 2)));
    const int mL = std::clamp(3 * Width(start), 20, 60), mR = std::clamp(3 * Width(end), 20, 60);
    std::vector<int>& pts = scratchPoints_;
    pts.clear();
    Window(start - gapL, -1, mL, leftLimit, &pts);
    const size_t leftCount = pts.size();
    if (leftCount < 3) pts.clear();
    const size_t kept = pts.size();
    Window(end + gapR, +1, mR, rightLimit, &pts);
    const bool haveL = leftCount >= 3, haveR = pts.size() - kept >= 3;
    if (!haveR) pts.resize(kept);
    BaseLine b;
    if (!haveL && !haveR) return b;
    const bool sloped = haveL && haveR;
    // Times relative to the first point keep the sums well conditioned.
    const double tRef = t_[size_t(pts.front())];
    double c0 = 0, c1 = 0;  // value = c0 + c1 (t - tRef)
    std::vector<char>& use = scratchUse_;
    use.assign(pts.size(), 1);
    std::vector<double>& res = scratchResiduals_;
    double scale = 0;
    for (int round = 0; round < 3; ++round) {
      double sw = 0, st = 0, sv = 0, stt = 0, stv = 0;
      for (size_t k = 0; k < pts.size(); ++k) {
        if (!use[k]) continue;
        const double t = t_[size_t(pts[k])] - tRef, v = y_[size_t(pts[k])];
        sw += 1, st += t, sv += v, stt += t * t, stv += t * v;
      }
      if (sw < 2) break;
      const double det = sw * stt - st * st;
      if (sloped && det > 0) {
        c1 = (sw * stv - st * sv) / det;
        c0 = (sv - c1 * st) / sw;
      } else {
        c1 = 0;
        c0 = sv / sw;
      }
      if (round == 2) break;
      res.clear();
      for (size_t k = 0; k < pts.size(); ++k)
        res.push_back(std::fabs(y_[size_t(pts[k])] - c0 - c1 * (t_[size_t(pts[k])] - tRef)));
      if (round == 0) {
        // The residuals' robust sigma, from the first fit.
        std::vector<double>& sorted = scratchSorted_;
        sorted.assign(res.begin(), res.end());
        std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
        scale = 1.4826 * sorted[sorted.size() / 2];
      }
      if (!(scale > 0)) break;
      bool changed = false;
      for (size_t k = 0; k < pts.size(); ++k) {
        const char keep = res[k] <= 3 * scale;
        changed = changed || keep != use[k];
        use[k] = keep;
      }
      if (!changed) break;
    }
    b.t0 = t_[size_t(start)], b.t1 = t_[size_t(end)];
    b.v0 = c0 + c1 * (b.t0 - tRef), b.v1 = c0 + c1 * (b.t1 - tRef);
    b.ok = true;
    return b;
  }

  // From an apex outward: down to the noise band about the baseline, then
  // a quarter of a peak width further for the tail under the band (a fixed
  // step: a step ruled by the noise would follow it and bias the area; a
  // longer one adds only noise to weak peaks); never to `limit` nor onto an
  // inhibited point.
  int WalkOut(int apex, int direction, const BaseLine& b, double band, int limit) const {
    auto blocked = [&](int i) {
      const int j = i + direction;
      return j < 0 || j >= n_ || (direction < 0 ? j <= limit : j >= limit) || inhibited_[size_t(j)];
    };
    auto above = [&](int i) { return s_[size_t(i)] - b.At(t_[size_t(i)]); };
    int i = apex;
    while (!blocked(i) && above(i) > band) i += direction;
    for (int k = int(std::lround(0.25 * Width(i))); k > 0 && !blocked(i); --k) i += direction;
    return i;
  }

  // Outer boundaries of a cluster (raw[first].start, raw[last].end) and its
  // baseline, between the neighbours' boundaries. The slope scan only said
  // roughly where the peaks end; they end where the signal is back in the
  // noise about a baseline fitted outside them.
  BaseLine Settle(std::vector<RawPeak>& raw, size_t first, size_t last, int leftLimit, int rightLimit) const {
    int start = raw[first].start, end = raw[last].end;
    const int apexL = raw[first].apex, apexR = raw[last].apex;
    // How far a boundary may move out: a peak width past where the slope
    // scan put it.
    const int outerL = std::max(leftLimit, start - Width(start) - 1);
    const int outerR = std::min(rightLimit, end + Width(end) + 1);
    BaseLine b = FitBaseline(start, end, leftLimit, rightLimit);
    int fittedStart = b.ok ? start : -1, fittedEnd = b.ok ? end : -1;
    if (!b.ok) {
      // No room outside the scan's boundaries (they lie far out, up to the
      // neighbours): walk in from a line through the signal there first.
      b.t0 = t_[size_t(start)], b.v0 = ValleyValue(start);
      b.t1 = t_[size_t(end)], b.v1 = ValleyValue(end);
      b.ok = true;
    }
    for (int pass = 0; pass < 3; ++pass) {
      const double band = 2 * sigmaS_;
      const int s = WalkOut(apexL, -1, b, band, outerL), e = WalkOut(apexR, +1, b, band, outerR);
      // Valleys inside the cluster stay where they are.
      start = first < last ? std::min(s, raw[first].end - 1) : s;
      end = first < last ? std::max(e, raw[last].start + 1) : e;
      if (!(start < apexL && end > apexR)) return BaseLine{};
      if (start == fittedStart && end == fittedEnd) break;  // the line is the one fitted outside them
      BaseLine next = FitBaseline(start, end, leftLimit, rightLimit);
      if (!next.ok) break;
      b = next;
      fittedStart = start, fittedEnd = end;
    }
    raw[first].start = start;
    raw[last].end = end;
    const double v0 = b.At(t_[size_t(start)]), v1 = b.At(t_[size_t(end)]);
    b.t0 = t_[size_t(start)], b.t1 = t_[size_t(end)], b.v0 = v0, b.v1 = v1;
    return b;
  }

  double Line(double t0, double v0, double t1, double v1, double t) const {
    return t1 > t0 ? v0 + (v1 - v0) * (t - t0) / (t1 - t0) : v0;
  }

  // Trapezoid area of signal minus a line over [a, b], counts x seconds.
  double Area(int a, int b, double t0, double v0, double t1, double v1) const {
    double area = 0;
    for (int i = a; i < b; ++i) {
      const double l = y_[size_t(i)] - Line(t0, v0, t1, v1, t_[size_t(i)]);
      const double r = y_[size_t(i + 1)] - Line(t0, v0, t1, v1, t_[size_t(i + 1)]);
      area += (l + r) / 2 * (t_[size_t(i + 1)] - t_[size_t(i)]);
    }
    return area * 60.0;
  }

  void Measure(DetectedPeak& p) const {
    int a = p.apex;
    for (int i = std::max(p.start + 1, a - 2); i <= std::min(p.end - 1, a + 2); ++i)
      if (m_[size_t(i)] > m_[size_t(a)]) a = i;
    p.apex = a;
    double ta = t_[size_t(a)], va = m_[size_t(a)];
    if (a > 0 && a + 1 < n_) {
      // Parabola through the smoothed apex and its neighbours.
      const double x0 = t_[size_t(a - 1)], x1 = ta, x2 = t_[size_t(a + 1)];
      const double y0 = m_[size_t(a - 1)], y1 = va, y2 = m_[size_t(a + 1)];
      const double d1 = (y1 - y0) / (x1 - x0), d2 = (y2 - y1) / (x2 - x1);
      const double c2 = (d2 - d1) / (x2 - x0);
      if (c2 < 0) {
        const double c1 = d1 - c2 * (x0 + x1);
        const double tv = std::clamp(-c1 / (2 * c2), x0, x2);
        ta = tv;
        va = y0 + d1 * (tv - x0) + c2 * (tv - x0) * (tv - x1);
      }
    }
    p.apexTime = ta;
    p.apexValue = va;
    p.baselineAtApex = Line(p.baseStartTime, p.baseStartValue, p.baseEndTime, p.baseEndValue, ta);
    p.height = va - p.baselineAtApex;
    p.signalToNoise = p.height / sigma_;
    // Width at half height on the smoothed trace.
    const double half = p.baselineAtApex + p.height / 2;
    double left = t_[size_t(p.start)], right = t_[size_t(p.end)];
    for (int i = a; i > p.start; --i)
      if (m_[size_t(i - 1)] <= half) {
        const double f = (half - m_[size_t(i - 1)]) / (m_[size_t(i)] - m_[size_t(i - 1)]);
        left = t_[size_t(i - 1)] + f * (t_[size_t(i)] - t_[size_t(i - 1)]);
        break;
      }
    for (int i = a; i < p.end; ++i)
      if (m_[size_t(i + 1)] <= half) {
        const double f = (m_[size_t(i)] - half) / (m_[size_t(i)] - m_[size_t(i + 1)]);
        right = t_[size_t(i)] + f * (t_[size_t(i + 1)] - t_[size_t(i)]);
        break;
      }
    p.halfWidth = std::max(0.0, right - left);
  }

  void Integrate(std::vector<RawPeak>& raw) {
    // Baseline segments: runs of peaks of one cluster, split where a valley
    // lies well below the line or a valley-baseline event asks for it.
    size_t i = 0;
    int segment = 0;
    while (i < raw.size()) {
      size_t last = i;
      while (last + 1 < raw.size() && raw[last + 1].cluster == raw[i].cluster) ++last;
      const int prevEnd = i ? raw[i - 1].end : -1;
      // The next cluster begins where its signal is clearly rising, half a
      // width before the slope scan saw it rise; its provisional start may
      // lie much earlier, on a rising baseline.
      int nextStart = n_;
      if (last + 1 < raw.size()) {
        const RawPeak& next = raw[last + 1];
        nextStart = next.rise >= 0 ? std::max(next.start, next.rise - std::max(1, Width(next.rise) / 2)) : next.start;
      }
      double b0, b1;
      if (raw[i].forced || raw[last].forced) {
        b0 = y_[size_t(raw[i].start)], b1 = y_[size_t(raw[last].end)];
      } else {
        // Clusters stay apart; overlapping neighbours (a forced peak) keep
        // the boundaries they have.
        int leftLimit = prevEnd;
        if (raw[i].start <= leftLimit) {
          if (leftLimit + 1 < raw[i].apex) raw[i].start = leftLimit + 1;
          else leftLimit = raw[i].start - 1;
        }
        const int rightLimit = std::max(nextStart, raw[last].end + 1);
        const BaseLine base = Settle(raw, i, last, leftLimit, rightLimit);
        if (base.ok) {
          b0 = base.v0, b1 = base.v1;
        } else {
          b0 = ValleyValue(raw[i].start), b1 = ValleyValue(raw[last].end);
        }
      }
      // Split points: (index into raw of the peak that ends there).
      std::vector<size_t> cuts;
      double segStartT = t_[size_t(raw[i].start)], segStartV = b0;
      for (size_t k = i; k < last; ++k) {
        const int v = raw[k].end;
        const double line = Line(segStartT, segStartV, t_[size_t(raw[last].end)], b1, t_[size_t(v)]);
        if (ValleyValue(v) < line - 3 * sigma_ || InRange(4, t_[size_t(v)])) {
          cuts.push_back(k);
          segStartT = t_[size_t(v)];
          segStartV = ValleyValue(v);
        }
      }
      cuts.push_back(last);
      size_t from = i;
      double startT = t_[size_t(raw[i].start)], startV = b0;
      for (size_t cut : cuts) {
        const bool final = cut == last;
        const double endT = t_[size_t(raw[cut].end)], endV = final ? b1 : ValleyValue(raw[cut].end);
        AddSegment(raw, from, cut, startT, startV, endT, endV, ++segment);
        from = cut + 1;
        startT = endT;
        startV = endV;
      }
      i = last + 1;
    }
  }

  void AddSegment(const std::vector<RawPeak>& raw, size_t from, size_t to, double t0, double v0, double t1,
                  double v1, int segment) {
    // Horizontal baselines asked for by time events.
    for (size_t k = from; k <= to; ++k) {
      const double at = t_[size_t(raw[k].apex)];
      if (InRange(7, at)) v1 = v0;
      else if (InRange(8, at)) v0 = v1;
      else if (InRange(9, at)) v0 = v1 = std::min(v0, v1);
    }
    const size_t first = result_.peaks.size();
    for (size_t k = from; k <= to; ++k) {
      const RawPeak& r = raw[k];
      DetectedPeak p;
      p.start = r.start, p.apex = r.apex, p.end = r.end;
      p.startTime = t_[size_t(r.start)], p.endTime = t_[size_t(r.end)];
      p.startValue = y_[size_t(r.start)], p.endValue = y_[size_t(r.end)];
      p.valleyStart = k > from, p.valleyEnd = k < to;
      p.baseStartTime = t0, p.baseStartValue = v0, p.baseEndTime = t1, p.baseEndValue = v1;
      p.baselineKind = r.forced ? kBaselineForced : to > from ? kBaselineValley : kBaselineNormal;
      for (size_t e = from; e <= to; ++e)
        if (InRange(7, t_[size_t(raw[e].apex)]) || InRange(8, t_[size_t(raw[e].apex)]) ||
            InRange(9, t_[size_t(raw[e].apex)]))
          p.baselineKind = kBaselineHorizontal;
      p.segment = segment;
      p.forced = r.forced;
      p.area = Area(r.start, r.end, t0, v0, t1, v1);
      Measure(p);
      result_.peaks.push_back(p);
    }
    // Tangent skim of a small first or last peak riding on its neighbour.
    const size_t last = result_.peaks.size() - 1;
    if (last > first) {
      for (int side = 0; side < 2; ++side) {
        DetectedPeak& child = result_.peaks[side == 0 ? first : last];
        DetectedPeak& parent = result_.peaks[side == 0 ? first + 1 : last - 1];
        const double percent = PointValue(11, child.apexTime, p_.tangentPercent);
        if (!(percent > 0) || child.height >= percent / 100.0 * parent.height) continue;
        // Tangent from the child's far boundary on the baseline to the valley on the signal.
        const int valley = side == 0 ? child.end : child.start;
        const double tv = t_[size_t(valley)], sv = ValleyValue(valley);
        double ta, va;
        if (side == 0) ta = child.baseStartTime, va = Line(t0, v0, t1, v1, child.startTime);
        else ta = child.endTime, va = Line(t0, v0, t1, v1, child.endTime);
        const double tx0 = side == 0 ? ta : tv, vx0 = side == 0 ? va : sv;
        const double tx1 = side == 0 ? tv : ta, vx1 = side == 0 ? sv : va;
        const double skimmed = Area(child.start, child.end, tx0, vx0, tx1, vx1);
        if (!(skimmed > 0)) continue;  // a shoulder, not a rider: the drop line stands
        parent.area += child.area - skimmed;
        child.area = skimmed;
        child.baseStartTime = tx0, child.baseStartValue = vx0, child.baseEndTime = tx1, child.baseEndValue = vx1;
        child.baselineKind = kBaselineTangent;
        Measure(child);
      }
    }
  }

  void ApplyGroupAndReject() {
    std::vector<DetectedPeak> kept;
    for (const TimeEvent& e : events_) {
      if (e.type != 3) continue;
      long group = -1;
      std::vector<DetectedPeak> rest;
      for (const DetectedPeak& p : result_.peaks) {
        if (p.apexTime < e.time || p.apexTime > e.end) {
          rest.push_back(p);
          group = -1;
          continue;
        }
        if (group < 0) {
          rest.push_back(p);
          group = long(rest.size()) - 1;
          continue;
        }
        DetectedPeak& g = rest[size_t(group)];
        g.area += p.area;
        if (p.height > g.height) {
          g.apex = p.apex, g.apexTime = p.apexTime, g.apexValue = p.apexValue;
          g.height = p.height, g.baselineAtApex = p.baselineAtApex;
          g.signalToNoise = p.signalToNoise, g.halfWidth = p.halfWidth;
        }
        g.end = p.end, g.endTime = p.endTime, g.endValue = p.endValue;
        g.baseEndTime = p.baseEndTime, g.baseEndValue = p.baseEndValue;
        g.valleyEnd = p.valleyEnd;
      }
      result_.peaks.swap(rest);
    }
    for (const DetectedPeak& p : result_.peaks) {
      if (p.forced) {
        kept.push_back(p);
        continue;
      }
      if (InRange(2, p.apexTime)) continue;  // solvent
      if (p.area < PointValue(12, p.apexTime, p_.peakReject)) continue;
      if (p.signalToNoise < PointValue(10, p.apexTime, p_.minSignalToNoise) || !(p.height > 0)) continue;
      kept.push_back(p);
    }
    result_.peaks.swap(kept);
    result_.noise = sigma_;
  }

  const std::vector<double>& t_;
  const std::vector<double>& y_;
  DetectionParams p_;
  int n_;
  std::vector<TimeEvent> events_;
  DetectionResult result_;
  double dt_ = 0, sigma_ = 0, sigmaS_ = 0, threshold_ = 0;
  std::vector<double> width_, s_, m_, d_;
  // Scratch space of the baseline fits.
  mutable std::vector<int> scratchPoints_;
  mutable std::vector<char> scratchUse_;
  mutable std::vector<double> scratchResiduals_, scratchSorted_;
  std::vector<char> inhibited_;
};

}  // namespace

std::vector<double> SmoothingWeights(int kind, int h) {
  if ((kind != 1 && kind != 2) || h < 1) return {1.0};
  std::vector<double> w(size_t(2 * h + 1));
  const double m = h;
  for (int j = -h; j <= h; ++j)
    w[size_t(j + h)] = kind == 1 ? 1.0 / (2 * m + 1)
                                 : (3.0 * (3.0 * m * m + 3.0 * m - 1.0) - 15.0 * j * j) /
                                       ((2.0 * m - 1.0) * (2.0 * m + 1.0) * (2.0 * m + 3.0));
  return w;
}

DetectionResult DetectPeaks(const std::vector<double>& times, const std::vector<double>& values,
                            const DetectionParams& params, std::vector<TimeEvent> events) {
  if (times.size() != values.size() || times.empty()) {
    DetectionResult r;
    r.errors.push_back(kErrorNoPoints);
    return r;
  }
  return Detector(times, values, params, std::move(events)).Run();
}

}  // namespace holbrin
