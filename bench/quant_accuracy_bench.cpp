// The compound integration against the truth of generated runs, and its
// cost against the data-handling engine alone.
//
// Report (printed before the timings): for runs with one internal standard
// and four analytes over drifting retention times, the amounts from a
// five-level calibration against the truth at S/N >= 100 and at S/N about
// 10, the retention times found and corrected by reference peaks (in
// scans), and the qualifier ratios with and without a planted interference.
// Timing goal: integrating one compound (channel check, one-compound
// method, mini run file, engine, peak, tests, qualifiers) within 1.5x the
// file work it cannot avoid: the one-compound method, the mini run file and
// the engine over it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "nabrit/nabrit.h"
#include "quant/compound_fields.h"
#include "quant/peak_flags.h"
#include "quant/processed_files.h"
#include "quant/tests/quant_accuracy.h"
#include "ratio_reporter.h"
#include "win/win_kernel.h"

namespace {

using namespace quant_accuracy;

constexpr char kMethod[] = "C:\\Bench\\QUANT.MTH";
constexpr char kSample[] = "C:\\Bench\\SAMPLE.KMS";

struct Regime {
  const char* name;
  Design design;
  std::vector<double> levels, amounts;
};

double ScanOf(const msfix::RunTruth& t) { return (t.endTime - t.startTime) / double(t.scanTimes.size() - 1); }

// Amounts by the response relative to the standard, through a linear fit.
void AmountReport(const Regime& r) {
  msfix::DHTruth method;
  if (!WriteMethod(kMethod, r.design, &method)) return;
  const int n = r.design.analytes;
  std::vector<std::vector<double>> x(static_cast<size_t>(n)), y(static_cast<size_t>(n));
  // Per peak, in % (signed): the response against the true one (engine),
  // against what the noise alone leaves (the true background off over the
  // true extent), and the amount the fit gives for the true response.
  std::vector<double> standardError, standardNoise, areaError, noiseError, fitError, floor;
  for (size_t l = 0; l < r.levels.size(); ++l) {
    SampleSpec s;
    s.amounts.assign(size_t(n), r.levels[l]);
    s.noiseSeed = uint32_t(100 + l);
    if (!WriteSample(kSample, r.design, s, method, nullptr)) return;
    const auto res = IntegrateAll(kSample, kMethod, method.moduleId, method.moduleAddress, RUN_KIND_CALIBRATION);
    const std::vector<IonAreas> areas = QuantIonAreas(r.design, s, method);
    for (int a = 0; a < n && size_t(a + 1) < res.size(); ++a)
      if (res[size_t(a + 1)].step.area > 0 && res[0].step.area > 0) {
        x[size_t(a)].push_back(r.levels[l]), y[size_t(a)].push_back(res[size_t(a + 1)].step.area / res[0].step.area);
        if (areas.size() > size_t(a + 1)) {
          const double t = areas[size_t(a + 1)].truth / areas[0].truth;
          standardError.push_back((y[size_t(a)].back() / t - 1.0) * 100.0);
          standardNoise.push_back((areas[size_t(a + 1)].noiseOnly / areas[0].noiseOnly / t - 1.0) * 100.0);
        }
      }
  }
  std::vector<double> coefficients(size_t(4 * n), 0.0);
  for (int a = 0; a < n; ++a)
    FitCalibrationCurve(x[size_t(a)].data(), y[size_t(a)].data(), int32_t(x[size_t(a)].size()), DH_CURVE_LINEAR,
                        DH_ORIGIN_IGNORE, DH_WEIGHT_INVERSE_X, &coefficients[size_t(4 * a)]);
  int measured = 0, missed = 0, within2 = 0, within10 = 0;
  double sumError = 0, maxError = 0, sumSN = 0, rtError = 0, sumRawSN = 0, minRawSN = 1e30;
  int rawCounted = 0;
  for (uint32_t sample = 0; sample < 6; ++sample) {
    SampleSpec s;
    s.amounts = r.amounts;
    s.drift = 0.03;
    s.driftSlope = 0.002;
    s.noiseSeed = 900 + sample;
    msfix::RunTruth truth;
    if (!WriteSample(kSample, r.design, s, method, &truth)) return;
    const std::vector<double> rawSN = RawSignalToNoise(r.design, s, method);
    for (double v : rawSN) sumRawSN += v, minRawSN = std::min(minRawSN, v), ++rawCounted;
    const auto res = IntegrateAll(kSample, kMethod, method.moduleId, method.moduleAddress, RUN_KIND_ANALYSIS);
    const std::vector<IonAreas> areas = QuantIonAreas(r.design, s, method);
    for (int a = 0; a < n && size_t(a + 1) < res.size(); ++a) {
      const STRUCT_RESULT_STEP& st = res[size_t(a + 1)].step;
      if (!(st.area > 0) || !(res[0].step.area > 0) || coefficients[size_t(4 * a + 1)] == 0) {
        ++missed;
        continue;
      }
      const double amount =
          (st.area / res[0].step.area - coefficients[size_t(4 * a)]) / coefficients[size_t(4 * a + 1)];
      if (areas.size() > size_t(a + 1)) {
        const double t = areas[size_t(a + 1)].truth / areas[0].truth;
        areaError.push_back((st.area / res[0].step.area / t - 1.0) * 100.0);
        noiseError.push_back((areas[size_t(a + 1)].noiseOnly / areas[0].noiseOnly / t - 1.0) * 100.0);
        floor.push_back(areas[size_t(a + 1)].floor);
        fitError.push_back(
            ((t - coefficients[size_t(4 * a)]) / coefficients[size_t(4 * a + 1)] / s.amounts[size_t(a)] - 1.0) * 100.0);
      }
      const double e = std::fabs(amount / s.amounts[size_t(a)] - 1.0) * 100.0;
      if (e > 20.0)
        std::printf("accuracy %-14s   sample %u analyte %d: %.2f for %.2f (S/N %.1f raw, %.1f smoothed; area %.1f "
                    "from %.3f to %.3f min)\n",
                    r.name, sample, a + 1, amount, s.amounts[size_t(a)], size_t(a) < rawSN.size() ? rawSN[size_t(a)] : 0.0,
                    st.signalToNoise, st.area, st.startTime, st.endTime);
      ++measured;
      sumError += e;
      maxError = std::max(maxError, e);
      within2 += e <= 2.0;
      within10 += e <= 10.0;
      sumSN += st.signalToNoise;
      rtError = std::max(rtError, std::fabs(st.retentionTime - truth.compounds[size_t(a + 1)].retentionTime) /
                                      ScanOf(truth));
    }
  }
  std::printf("accuracy %-14s amounts: %d measured, %d not found; S/N (height over the raw baseline's RMS noise) "
              "mean %.1f, least %.1f; engine's S/N (method-smoothed) mean %.0f; error mean %.2f %%, max %.2f %%; "
              "within 2 %%: %d, within 10 %%: %d; retention time off by at most %.2f scans\n",
              r.name, measured, missed, rawCounted ? sumRawSN / rawCounted : 0.0, rawCounted ? minRawSN : 0.0,
              measured ? sumSN / measured : 0.0, measured ? sumError / measured : 0.0, maxError, within2, within10,
              rtError);
  auto stats = [](const char* what, const std::vector<double>& v) {
    // Signed mean (bias), root mean square and largest magnitude.
    double sum = 0, squares = 0, top = 0;
    for (double e : v) sum += e, squares += e * e, top = std::max(top, std::fabs(e));
    const double count = v.empty() ? 1.0 : double(v.size());
    std::printf(" %s bias %+.2f rms %.2f max %.2f;", what, sum / count, std::sqrt(squares / count), top);
  };
  std::printf("accuracy %-14s causes (%% per peak): ", r.name);
  stats("samples' response", areaError);
  stats("noise alone", noiseError);
  double floorSquares = 0;
  for (double f : floor) floorSquares += f * f;
  std::printf(" least error the noise allows (1 sd, a fit of the known shape) rms %.2f;",
              floor.empty() ? 0.0 : std::sqrt(floorSquares / double(floor.size())));
  stats("fit at the true response", fitError);
  stats("standards' response", standardError);
  stats("standards' noise alone", standardNoise);
  std::printf("\n");
}

// Expected times corrected by three reference peaks, against the truth.
void RetentionReport() {
  Design d;
  d.analytes = 5;
  double worst = 0;
  int compounds = 0;
  for (uint32_t sample = 0; sample < 3; ++sample) {
    msfix::DHTruth method;
    if (!WriteMethod(kMethod, d, &method, [](int i, STRUCT_DH_COMPOUND& c) {
          c.flags = uint16_t((c.flags & ~quant::kFlagReference) | (i == 0 || i == 3 || i == 5 ? quant::kFlagReference : 0));
        }))
      return;
    SampleSpec s;
    s.amounts.assign(5, 10.0);
    s.drift = 0.02 + 0.03 * sample;
    s.driftSlope = 0.004 * (sample + 1);
    s.noiseSeed = 500 + sample;
    msfix::RunTruth truth;
    if (!WriteSample(kSample, d, s, method, &truth)) return;
    HDHTABLE t = OpenDHRecordSetForUpdate(kMethod, method.moduleId, method.moduleAddress, "1");
    STRUCT_DH_GLOBAL_PARAMS g;
    HDHTABLE gt = OpenGlobalTable(kMethod, method.moduleId, method.moduleAddress, "1");
    ReadGlobalTable(gt, &g);
    FreeDHRecordSet(gt);
    int16_t failed = 0, refCount = 0;
    REF_TIME_ENTRY* times = nullptr;
    uint16_t* refs = nullptr;
    MORVEX_CheckForRefPks(t, 6, &times, &refs, &refCount, kSample, kSample, 0, 0, &g, method.moduleId,
                          method.moduleAddress, "1", &failed);
    for (int i = 0; i < 6; ++i) {
      STRUCT_DH_COMPOUND c;
      if (!GetDHRecord(t, i, &c)) continue;
      worst = std::max(worst, std::fabs(c.retentionTime / 1000.0 - truth.compounds[size_t(i)].retentionTime) /
                                  ScanOf(truth));
      ++compounds;
    }
    if (times) FreeBlock(times);
    if (refs) FreeBlock(refs);
    FreeDHRecordSet(t);
  }
  std::printf("accuracy reference-peak correction: %d compounds over 3 drifting runs, worst %.2f scans off\n",
              compounds, worst);
}

// Qualifier ratios in their limits, and flagged under an interference.
void QualifierReport() {
  Design d;
  msfix::DHTruth method;
  if (!WriteMethod(kMethod, d, &method)) return;
  int checked = 0, inLimits = 0, planted = 0, flagged = 0, falseFlags = 0;
  double worst = 0;
  for (int interfered = -1; interfered < d.analytes; ++interfered) {
    SampleSpec s;
    s.amounts = {4, 9, 16, 25};
    s.interferedAnalyte = interfered;
    s.noiseSeed = uint32_t(300 + interfered + 1);
    if (!WriteSample(kSample, d, s, method, nullptr)) return;
    const auto res = IntegrateAll(kSample, kMethod, method.moduleId, method.moduleAddress, RUN_KIND_ANALYSIS);
    for (size_t i = 0; i < res.size(); ++i) {
      const STRUCT_RESULT_STEP& st = res[i].step;
      const bool bad = (st.resultFlags & PF_QUALIFIER_FAILED) != 0;
      if (interfered >= 0 && int(i) == interfered + 1) {
        ++planted;
        flagged += bad;
        continue;
      }
      falseFlags += bad;
      for (size_t q = 0; q < method.compounds[i].qualifiers.size(); ++q) {
        ++checked;
        const double expected = method.compounds[i].qualifiers[q].second;
        inLimits += st.qualifierRatios[q] * 1000.0 >= st.qualifierLower[q] &&
                    st.qualifierRatios[q] * 1000.0 <= st.qualifierUpper[q];
        worst = std::max(worst, std::fabs(st.qualifierRatios[q] * 100.0 - expected) / expected * 100.0);
      }
    }
  }
  std::printf("accuracy qualifiers: %d/%d ratios in their limits (worst %.2f %% off the spectrum), %d false flags; "
              "%d/%d planted interferences flagged\n",
              inLimits, checked, worst, falseFlags, flagged, planted);
}

struct Timing {
  msfix::DHTruth method;
  STRUCT_DH_GLOBAL_PARAMS global;
  STRUCT_DH_COMPOUND compound;
  bool ok = false;
};

Timing& GetTiming() {
  static Timing t = [] {
    Timing x;
    Design d;
    SampleSpec s;
    s.amounts.assign(4, 10.0);
    x.ok = WriteMethod("C:\\Bench\\TIMING.MTH", d, &x.method) &&
           WriteSample("C:\\Bench\\TIMING.KMS", d, s, x.method, nullptr);
    HDHTABLE g = OpenGlobalTable("C:\\Bench\\TIMING.MTH", x.method.moduleId, x.method.moduleAddress, "1");
    x.ok = x.ok && g && ReadGlobalTable(g, &x.global);
    if (g) FreeDHRecordSet(g);
    HDHTABLE c = OpenCompoundTable("C:\\Bench\\TIMING.MTH", x.method.moduleId, x.method.moduleAddress, "1");
    x.ok = x.ok && c && GetDHRecord(c, 2, &x.compound);
    if (c) FreeDHRecordSet(c);
    return x;
  }();
  return t;
}

void BM_IntegrateOneCompound(benchmark::State& state) {
  Timing& t = GetTiming();
  uint8_t run[64] = {};
  for (auto _ : state) {
    STRUCT_RESULT_STEP step;
    std::memset(&step, 0, sizeof step);
    step.calibrationTimeStamp = -1;
    STRUCT_DH_COMPOUND c = t.compound;
    STRUCT_DH_GLOBAL_PARAMS g = t.global;
    STRUCT_QUALIFIER_RECORD q;
    std::memset(&q, 0, sizeof q);
    benchmark::DoNotOptimize(IntegrateMethodCompounds(nullptr, nullptr, "C:\\Bench\\TIMING.KMS", 0, nullptr, nullptr,
                                                      0, "C:\\Bench\\TIMING.MTH", &g, &c, nullptr, run, &step,
                                                      nullptr, &t.global, 0, 0, &q, 1, 0.0, 0, 0, 0));
  }
}
BENCHMARK(BM_IntegrateOneCompound)->Unit(benchmark::kMillisecond);

// The file work any compound run needs: its one-compound method, the mini
// run file extracted for it, and the engine over that file.
void BM_MethodExtractAndEngine(benchmark::State& state) {
  Timing& t = GetTiming();
  CMPD_WINDOW_LIMITS limits;
  MORVEX_GetCmpdWindowLimits(&t.compound, &limits);
  for (auto _ : state) {
    STRUCT_DH_GLOBAL_PARAMS g = t.global;
    char method[MAX_PATH] = {}, run[MAX_PATH] = {};
    CreateCompoundMethod(&g, &t.compound, method, t.method.moduleId, t.method.moduleAddress, "1");
    MakeTempFileName("RUN", run);
    char text[NABRIT_TEXT_SIZE];
    ExtractCompoundData("C:\\Bench\\TIMING.KMS", nullptr, run, limits.secondLow, limits.secondHigh,
                        &t.compound.massList, &t.compound.chanList, nullptr, 0, t.method.moduleId,
                        t.method.moduleAddress, "1", text);
    benchmark::DoNotOptimize(
        RunDataHandling(nullptr, nullptr, method, run, nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH", "TestDH", "TestDH"));
    DeleteFileA(method);
    DeleteFileA(run);
  }
}
BENCHMARK(BM_MethodExtractAndEngine)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!UseBenchRoot("quant-accuracy-bench")) return 1;
  CreateDirectoryA("C:\\TEMP", nullptr);
  // Three levels bracketing the samples' amounts, as a lab calibrates.
  Regime high{"S/N >= 100", Design{}, {2, 10, 40}, {3.3, 7.7, 14.2, 31.5}};
  // The samples at S/N about 10 on the raw trace, over a sloping background.
  Regime low{"S/N about 10", Design{}, {5, 10, 20}, {6.0, 6.5, 7.0, 7.5}};
  low.design.quantHeightPerAmount = 60;
  low.design.ionBaseline = 2000;
  low.design.peaksPerScan = 0;
  low.design.smoothing = 3;
  // "--timings-only" leaves the accuracy report out.
  bool report = true;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--timings-only") report = false, argv[i] = const_cast<char*>("");
  if (report) {
    AmountReport(high);
    AmountReport(low);
    RetentionReport();
    QualifierReport();
  }
  if (!GetTiming().ok) {
    std::fprintf(stderr, "quant_accuracy_bench: the timing run could not be written\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_IntegrateOneCompound", "BM_MethodExtractAndEngine", 1.5);
  return 0;
}
