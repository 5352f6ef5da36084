// Gaussian smoothing of a point list through an even time grid, and the
// five-point parabola apex.
#include "specialctl/point_smoothing.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

// Smallest grid: short point lists are smoothed on 15 grid times.
constexpr uint32_t kMinGrid = 15;

// Linear interpolation between (x0, y0) and (x1, y1) at t, in the form the
// filtered traces have always been computed with. Coincident times give y0.
double Between(double x0, double y0, double x1, double y1, double t) {
  const double d1 = t - x0, d2 = x1 - t, s = d1 + d2;
  if (!(s != 0.0)) return y0;
  return (1.0 - d1 / s) * y0 + (1.0 - d2 / s) * y1;
}

// Moves k forward (never back, never past last - 1) until x[k] <= t < x[k + 1].
void Advance(const double* x, size_t last, double t, size_t* k) {
  while (*k + 1 < last && (t - x[*k] < 0 || x[*k + 1] - t <= 0)) ++*k;
}

}  // namespace

KELT_API void SmoothPlotPoints(const STRUCT_NE_POINT_BLOCK* source, STRUCT_NE_POINT_BLOCK* destination,
                               uint32_t count, int32_t width, int32_t kernel) {
  if (!source || !destination || count < 5) return;
  (void)kernel;  // the Gaussian is the only kernel there is
  try {
    const size_t n = count;
    const size_t m = std::max<size_t>(n, kMinGrid);
    std::vector<double> X(m), Y(m), R(m);
    const double t0 = NePointAt(source, 0)->time;
    const double tN = NePointAt(source, count - 1)->time;

    // Half-width in grid steps; the kernel is only ever read within the grid.
    int64_t w = static_cast<int64_t>(width) * static_cast<int64_t>(m) / 32;
    if (w < 1) w = 1;
    const int64_t reach = std::min<int64_t>(w, static_cast<int64_t>(m) - 1);
    std::vector<double> K(static_cast<size_t>(2 * reach + 1));
    const double w2 = static_cast<double>(w * w);
    double sum = 0;
    for (int64_t j = -reach; j <= reach; ++j) {
      const double v = std::exp(-(static_cast<double>(j * j) * 4.5) / w2);
      K[static_cast<size_t>(j + reach)] = v;
      sum += v;
    }
    const double norm = 1.0 / sum;

    for (size_t i = 0; i < n; ++i) {
      const STRUCT_NE_POINT* p = NePointAt(source, static_cast<uint32_t>(i));
      X[i] = p->time;
      Y[i] = p->value.d;
    }

    // Resample onto the even grid.
    R[0] = Y[0];
    R[m - 1] = Y[n - 1];
    const double step = (tN - t0) / (static_cast<double>(m) - 1.0);
    size_t k = 0;
    for (size_t i = 1; i + 1 < m; ++i) {
      const double t = static_cast<double>(i) * step + t0;
      Advance(X.data(), n - 1, t, &k);
      R[i] = Between(X[k], Y[k], X[k + 1], Y[k + 1], t);
    }

    // Smooth R into B (Y's storage). A window that fits on the grid takes
    // the kernel's norm; a clipped one is renormalised by its own weight.
    double* B = Y.data();
    const int64_t last = static_cast<int64_t>(m) - 1;
    for (int64_t i = 0; i <= last; ++i) {
      const int64_t lo = std::max<int64_t>(0, i - w), hi = std::min<int64_t>(last, i + w);
      double acc = 0, weight = 0;
      for (int64_t j = lo; j <= hi; ++j) {
        const double kv = K[static_cast<size_t>(j - i + reach)];
        acc += kv * R[static_cast<size_t>(j)];
        weight += kv;
      }
      B[i] = (lo == i - w && hi == i + w) ? norm * acc : acc / weight;
    }

    // Grid times, then back onto the source times.
    X[0] = t0;
    X[m - 1] = tN;
    for (size_t i = 1; i + 1 < m; ++i) X[i] = static_cast<double>(i) * step + t0;
    const double firstTime = t0, lastTime = tN;
    std::vector<double> times(n);
    for (size_t i = 0; i < n; ++i) times[i] = NePointAt(source, static_cast<uint32_t>(i))->time;
    STRUCT_NE_POINT* d0 = NePointAt(destination, 0);
    d0->time = firstTime;
    d0->value.d = B[0];
    k = 0;
    for (size_t i = 1; i + 1 < n; ++i) {
      const double t = times[i];
      Advance(X.data(), m - 1, t, &k);
      STRUCT_NE_POINT* d = NePointAt(destination, static_cast<uint32_t>(i));
      d->time = t;
      d->value.d = Between(X[k], B[k], X[k + 1], B[k + 1], t);
    }
    STRUCT_NE_POINT* dn = NePointAt(destination, count - 1);
    dn->time = lastTime;
    dn->value.d = B[m - 1];
  } catch (const std::bad_alloc&) {
    // Without working memory the destination keeps what it holds.
  }
}

KELT_API double FitParabolaApex5(double* x, double* y) {
  double mx = 0, my = 0;
  for (int i = 0; i < 5; ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= 5.0;
  my /= 5.0;
  double N = 0, S2 = 0, S3 = 0, S4 = 0, Sxy = 0, Sx2y = 0;
  for (int i = 0; i < 5; ++i) {
    x[i] -= mx;
    y[i] -= my;
    const double x2 = x[i] * x[i];
    N += 1.0;
    S2 += x2;
    S3 += x2 * x[i];
    S4 += x2 * x2;
    Sxy += x[i] * y[i];
    Sx2y += x2 * y[i];
  }
  const double D = (S2 * S4 - S3 * S3) * N - S2 * S2 * S2;
  const double a = (S2 * Sx2y - S3 * Sxy) * N / D;
  const double b = ((Sxy * S4 - Sx2y * S3) * N - S2 * S2 * Sxy) / D;
  return -b / (2.0 * a) + mx;
}

KELT_API int ComparePointTimes(const void* a, const void* b) {
  const double ta = static_cast<const STRUCT_NE_POINT*>(a)->time;
  const double tb = static_cast<const STRUCT_NE_POINT*>(b)->time;
  if (ta < tb) return -1;
  if (ta > tb) return 1;
  return 0;
}
