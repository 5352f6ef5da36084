// Calibration curves: weighted least squares through the levels of a compound.
#include <cmath>
#include <cstring>
#include <vector>

#include "holbrin/dh_engine.h"

namespace {

// Solves min |A c - b| for an m x n matrix (row-major, m >= n) by Householder
// reflections; false when a column is (numerically) dependent on the others.
bool LeastSquares(std::vector<double> a, std::vector<double> b, int m, int n, double* out) {
  auto at = [&](int r, int c) -> double& { return a[size_t(r) * n + c]; };
  double scale = 0;
  for (double v : a) scale = std::fmax(scale, std::fabs(v));
  if (!(scale > 0)) return false;
  for (int k = 0; k < n; ++k) {
    double norm = 0;
    for (int r = k; r < m; ++r) norm = std::hypot(norm, at(r, k));
    if (norm <= 1e-13 * scale * std::sqrt(double(m))) return false;
    const double alpha = at(k, k) > 0 ? -norm : norm;
    std::vector<double> v(size_t(m - k));
    for (int r = k; r < m; ++r) v[size_t(r - k)] = at(r, k);
    v[0] -= alpha;
    double vv = 0;
    for (double x : v) vv += x * x;
    if (vv == 0) continue;
    for (int c = k; c < n; ++c) {
      double dot = 0;
      for (int r = k; r < m; ++r) dot += v[size_t(r - k)] * at(r, c);
      const double f = 2 * dot / vv;
      for (int r = k; r < m; ++r) at(r, c) -= f * v[size_t(r - k)];
    }
    double dot = 0;
    for (int r = k; r < m; ++r) dot += v[size_t(r - k)] * b[size_t(r)];
    const double f = 2 * dot / vv;
    for (int r = k; r < m; ++r) b[size_t(r)] -= f * v[size_t(r - k)];
  }
  for (int k = n - 1; k >= 0; --k) {
    double s = b[size_t(k)];
    for (int c = k + 1; c < n; ++c) s -= at(k, c) * out[c];
    out[k] = s / at(k, k);
    if (!std::isfinite(out[k])) return false;
  }
  return true;
}

double Weight(int16_t weighting, double x) {
  if (weighting == DH_WEIGHT_INVERSE_X) return 1.0 / x;
  if (weighting == DH_WEIGHT_INVERSE_X2) return 1.0 / (x * x);
  return 1.0;
}

}  // namespace

HOLBRIN_API BOOL FitCalibrationCurve(const double* amounts, const double* responses, int32_t count,
                                     int16_t curve, int16_t origin, int16_t weighting,
                                     double coefficients[4]) {
  if (!amounts || !responses || !coefficients || count <= 0) return FALSE;
  if (curve < DH_CURVE_LINEAR || curve > DH_CURVE_CUBIC) return FALSE;
  if (origin < DH_ORIGIN_IGNORE || origin > DH_ORIGIN_INCLUDE) return FALSE;
  if (weighting < DH_WEIGHT_NONE || weighting > DH_WEIGHT_INVERSE_X2) return FALSE;
  std::vector<double> xs, ys;
  for (int32_t i = 0; i < count; ++i) {
    if (!std::isfinite(amounts[i]) || !std::isfinite(responses[i])) return FALSE;
    // Weights by amount need positive amounts; a blank cannot be weighted.
    if (weighting != DH_WEIGHT_NONE && amounts[i] <= 0) return FALSE;
    xs.push_back(amounts[i]);
    ys.push_back(responses[i]);
  }
  double result[4] = {0, 0, 0, 0};
  if (curve == DH_CURVE_AVERAGE_RF) {
    double sw = 0, s = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
      if (xs[i] <= 0) return FALSE;
      const double w = Weight(weighting, xs[i]);
      sw += w;
      s += w * ys[i] / xs[i];
    }
    result[1] = s / sw;
  } else {
    const int degree = curve == DH_CURVE_LINEAR ? 1 : curve == DH_CURVE_QUADRATIC ? 2 : 3;
    const bool intercept = origin != DH_ORIGIN_FORCE;
    std::vector<double> ws;
    for (double x : xs) ws.push_back(Weight(weighting, x));
    if (origin == DH_ORIGIN_INCLUDE) {
      // The origin weighs as much as the most heavily weighted level.
      double wmax = 0;
      for (double w : ws) wmax = std::fmax(wmax, w);
      xs.push_back(0);
      ys.push_back(0);
      ws.push_back(wmax);
    }
    const int first = intercept ? 0 : 1;
    const int n = degree + 1 - first;
    const int m = int(xs.size());
    if (m < n) return FALSE;
    std::vector<double> a(size_t(m) * n), b(static_cast<size_t>(m));
    for (int r = 0; r < m; ++r) {
      const double sw = std::sqrt(ws[size_t(r)]);
      for (int c = 0; c < n; ++c) a[size_t(r) * n + c] = sw * std::pow(xs[size_t(r)], first + c);
      b[size_t(r)] = sw * ys[size_t(r)];
    }
    double c[4] = {0, 0, 0, 0};
    if (!LeastSquares(a, b, m, n, c)) return FALSE;
    for (int k = 0; k < n; ++k) result[first + k] = c[k];
  }
  for (int k = 0; k < 4; ++k)
    if (!std::isfinite(result[k])) return FALSE;
  std::memcpy(coefficients, result, sizeof result);
  return TRUE;
}

HOLBRIN_API BOOL FitCalibration(STRUCT_DH_COMPOUND* compound, const STRUCT_DH_COMPOUND* standard,
                                int16_t curve, int16_t origin, int16_t weighting, double* workValues) {
  if (!compound) return FALSE;
  (void)standard;  // responses are already relative to it
  std::vector<double> x, y;
  std::vector<int> slots;
  for (int level = 0; level < 10; ++level) {
    const DH_CALIBRATION_LEVEL& l = compound->levels[level];
    const int replicates = l.count < 0 ? 0 : l.count > 10 ? 10 : l.count;
    if (l.amount < 0 || !std::isfinite(l.amount)) continue;
    for (int r = 0; r < replicates; ++r) {
      const int slot = 10 * level + r;
      if (workValues && workValues[slot] == 0.0) continue;
      if (!std::isfinite(l.responses[r])) continue;
      x.push_back(l.amount);
      y.push_back(l.responses[r]);
      slots.push_back(slot);
    }
  }
  if (x.empty()) return FALSE;
  double c[4];
  if (!FitCalibrationCurve(x.data(), y.data(), int32_t(x.size()), curve, origin, weighting, c)) return FALSE;
  double low = x[0], high = x[0];
  for (double v : x) low = std::fmin(low, v), high = std::fmax(high, v);
  for (int k = 0; k < 4; ++k) compound->coefficients[k] = float(c[k]);
  compound->calibrationValues[0] = float(low);
  compound->calibrationValues[1] = float(high);
  if (workValues)
    for (size_t i = 0; i < slots.size(); ++i)
      workValues[slots[i]] = c[0] + x[i] * (c[1] + x[i] * (c[2] + x[i] * c[3]));
  return TRUE;
}

HOLBRIN_API BOOL InitDHQuantBlock(DH_QUANT_BLOCK* block) {
  if (!block) return FALSE;
  STRUCT_DH_GLOBAL_PARAMS defaults;
  InitGlobalParams(&defaults);
  *block = defaults.quant;
  return TRUE;
}

HOLBRIN_API BOOL InitDHFactorBlock(DH_FACTOR_BLOCK* block) {
  if (!block) return FALSE;
  block->count = 4;
  const float one = 1.0f;
  for (int i = 0; i < 4; ++i) std::memcpy(&block->factors[i], &one, sizeof one);  // packed
  return TRUE;
}
