#pragma once
// Runs for the accuracy of the compound integration: one internal standard
// and analytes at known amounts over a chemical-noise baseline, their
// retention times drifting from the method's, and optionally an
// interference co-eluting on an analyte's first qualifier ion. Shared by
// the tests and the benchmark report.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "quant/compound_integration.h"
#include "quant/results_records.h"

namespace quant_accuracy {

struct SampleSpec {
  std::vector<double> amounts;  // per analyte (method order without the standard)
  double drift = 0;             // minutes added to every retention time
  double driftSlope = 0;        // and this fraction of (t - start)
  uint32_t noiseSeed = 1;
  int interferedAnalyte = -1;   // analyte whose first qualifier ion gets a co-eluting peak
};

struct Design {
  uint32_t seed = 7;
  int analytes = 4;
  double standardHeight = 4e5;
  double heightPerAmount = 2e4;  // total-ion height of an analyte per amount unit
  uint32_t peaksPerScan = 250;   // chemical noise under every ion trace
  // >0: a sloping background under the three strongest ions of every
  // compound, about this many counts mid-run, with the ion statistics of
  // its counts; it sets the noise that the signal-to-noise ratios see.
  double ionBaseline = 0;
  // >0: the method smooths its traces (Savitzky-Golay) over this many
  // points either side, as methods for weak peaks do.
  int16_t smoothing = 0;
  // >0: every analyte's quantitation ion (its base peak) peaks at this many
  // counts per amount unit, whatever its share of the total ion; it takes
  // the place of heightPerAmount, so that the regimes' S/N holds for all.
  double quantHeightPerAmount = 0;
  // >0: ion counts above this are clipped and flagged saturated.
  uint32_t saturation = 0;
};

inline msfix::DHPlan PlanFor(const Design& d, const SampleSpec& s, const msfix::DHTruth* method) {
  msfix::DHPlan plan;
  plan.run.seed = d.seed;
  plan.run.noiseSeed = s.noiseSeed;
  plan.run.compounds = d.analytes + 1;
  plan.run.scans = 1200;
  plan.run.startTime = 3.0;
  plan.run.endTime = 15.0;
  plan.run.segments = {{1.0, 1, "Run"}};
  plan.run.peaksPerScan = d.peaksPerScan;
  plan.run.saturation = d.saturation;
  plan.internalStandards = 1;
  plan.run.adjustCompounds = [d, s, method](std::vector<msfix::CompoundTruth>& cs) {
    // Keep the compounds apart, one every two minutes, as a method would.
    for (size_t i = 0; i < cs.size(); ++i) {
      cs[i].retentionTime = 4.0 + 2.0 * double(i);
      cs[i].tau = 0.5 * cs[i].sigma * double(i % 2);  // every other peak tails
      const double amount = i - 1 < s.amounts.size() ? s.amounts[i - 1] : 10.0;
      double base = 0;
      for (auto& [m, v] : cs[i].spectrum) base = std::max(base, v);
      cs[i].height = i == 0                                       ? d.standardHeight
                     : d.quantHeightPerAmount > 0 && base > 0 ? d.quantHeightPerAmount * amount / base
                                                              : d.heightPerAmount * amount;
    }
    if (s.interferedAnalyte >= 0 && method && size_t(s.interferedAnalyte + 1) < cs.size()) {
      const size_t k = size_t(s.interferedAnalyte + 1);
      msfix::CompoundTruth x = cs[k];
      x.name = "Interference";
      const double qualifier = method->compounds[k].qualifiers.front().first;
      x.spectrum = {{qualifier, 1.0}};
      x.retentionTime += 0.2 * x.sigma;
      x.tau = 0;
      // Half as strong as the analyte's quantitation ion: the ratio rises by
      // 50 points, well past the method's tolerance of 20.
      double quant = 0;
      for (auto& [m, v] : cs[k].spectrum) quant = std::max(quant, v);
      x.height = cs[k].height * quant * 0.5;
      cs.push_back(x);
    }
    for (size_t i = 0; i < cs.size(); ++i) {
      const double t = cs[i].retentionTime;
      cs[i].retentionTime = t + s.drift + s.driftSlope * (t - 3.0);
    }
    if (d.ionBaseline > 0) {
      // A broad component rising over the run: its flank is the background.
      msfix::CompoundTruth b = cs.front();
      b.name = "Background";
      b.spectrum.clear();
      for (size_t i = 0; i < size_t(d.analytes + 1) && i < cs.size(); ++i) {
        std::vector<std::pair<double, double>> ions = cs[i].spectrum;
        std::sort(ions.begin(), ions.end(), [](auto& x, auto& y) { return x.second > y.second; });
        for (size_t k = 0; k < ions.size() && k < 3; ++k) b.spectrum.emplace_back(ions[k].first, 1.0);
      }
      std::sort(b.spectrum.begin(), b.spectrum.end());
      b.spectrum.erase(std::unique(b.spectrum.begin(), b.spectrum.end(),
                                   [](auto& x, auto& y) { return x.first == y.first; }),
                       b.spectrum.end());
      b.retentionTime = 22.0;
      b.sigma = 8.0;
      b.tau = 0;
      // Mid-run (9 minutes) the flank is at exp(-0.5 (13 / 8)^2) of the top.
      b.height = d.ionBaseline / std::exp(-0.5 * (13.0 / 8.0) * (13.0 / 8.0));
      cs.push_back(b);
    }
  };
  return plan;
}

struct CompoundResult {
  STRUCT_RESULT_STEP step;
  STRUCT_QUALIFIER_RECORD qualifiers;
  BOOL found;
};

// Integrates every compound of the method in the data file; the standard
// first, so that its times go to the analytes' relative-time test.
inline std::vector<CompoundResult> IntegrateAll(const char* dataFile, const char* methodFile, uint16_t id,
                                                uint16_t address, int16_t runKind, int16_t miniRun = 1) {
  std::vector<CompoundResult> out;
  STRUCT_DH_GLOBAL_PARAMS global;
  HDHTABLE g = OpenGlobalTable(methodFile, id, address, "1");
  if (!g) return out;
  const bool haveGlobal = ReadGlobalTable(g, &global);
  FreeDHRecordSet(g);
  if (!haveGlobal) return out;
  std::vector<STRUCT_DH_COMPOUND> compounds;
  HDHTABLE t = OpenCompoundTable(methodFile, id, address, "1");
  if (!t) return out;
  for (int32_t i = 0; i < CountDHRecords(t); ++i) {
    STRUCT_DH_COMPOUND c;
    if (GetDHRecord(t, i, &c)) compounds.push_back(c);
  }
  FreeDHRecordSet(t);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(dataFile, 0);
  uint8_t run[64] = {};
  std::memcpy(run + RUN_RECORD_KIND_OFFSET, &runKind, 2);
  float isExpected = 0, isFound = 0;
  for (STRUCT_DH_COMPOUND& c : compounds) {
    CompoundResult r;
    std::memset(&r, 0, sizeof r);
    r.step.calibrationTimeStamp = -1;
    STRUCT_DH_GLOBAL_PARAMS compoundGlobal = global;
    r.found = IntegrateMethodCompounds(nullptr, nullptr, dataFile, 0, wf, nullptr, 0, methodFile, &compoundGlobal, &c,
                                       nullptr, run, &r.step, nullptr, &global, isExpected, isFound, &r.qualifiers,
                                       miniRun, 0.0, INTEGRATE_AUTOMATIC, 0, 0);
    if (out.empty() && r.found) isExpected = r.step.expectedRetentionTime, isFound = r.step.retentionTime;
    out.push_back(r);
  }
  if (wf) FreeWorkFileStruct(wf);
  return out;
}

// The method, made from the run at amount 10 of every analyte; its
// compounds are integrated by their windows alone, with a peak reject low
// enough for the weakest peaks, and no relative-time test (it needs the
// standard's times of a whole run). edit may change each compound.
inline bool WriteMethod(const char* path, const Design& d, msfix::DHTruth* truth,
                        const std::function<void(int, STRUCT_DH_COMPOUND&)>& edit = {}) {
  SampleSpec s;
  s.amounts.assign(size_t(d.analytes), 10.0);
  if (!msfix::WriteMethodFile(path, PlanFor(d, s, nullptr), truth)) return false;
  HDHTABLE t = OpenDHRecordSetForUpdate(path, truth->moduleId, truth->moduleAddress, "1");
  if (!t) return false;
  bool ok = true;
  for (int32_t i = 0; i < CountDHRecords(t); ++i) {
    STRUCT_DH_COMPOUND c;
    ok = ok && GetDHRecord(t, i, &c);
    c.timeEventCount = 0;
    c.integration1753 = 20;
    if (edit) edit(int(i), c);
    ok = ok && PutDHRecord(t, i, &c);
  }
  FreeDHRecordSet(t);
  HDHTABLE g = OpenGlobalTableForUpdate(path, truth->moduleId, truth->moduleAddress, "1");
  if (!g) return false;
  STRUCT_DH_GLOBAL_PARAMS global;
  ok = ok && ReadGlobalTable(g, &global);
  global.rrtTolerance = 0;
  if (d.smoothing > 0) global.smoothingKind = 2, global.smoothingHalfWidth = d.smoothing;
  ok = ok && WriteGlobalTable(g, &global);
  FreeDHRecordSet(g);
  return ok;
}

// A sample run for the method (its module), written anew at path.
inline bool WriteSample(const char* path, const Design& d, const SampleSpec& s, const msfix::DHTruth& method,
                        msfix::RunTruth* truth) {
  msfix::RunPlan run = PlanFor(d, s, &method).run;
  run.fileType = method.moduleId;
  run.module = method.moduleAddress;
  return msfix::WriteMsDataFile(path, run, truth);
}

// Signal-to-noise of each analyte (method order without the standard) as a
// lab states it: the height of its quantitation-ion peak above the
// background over the RMS noise of the raw trace's baseline, taken over the
// minute before the peak (from 1.0 to 0.4 minutes ahead of its apex).
inline std::vector<double> RawSignalToNoise(const Design& d, const SampleSpec& s, const msfix::DHTruth& method) {
  std::vector<double> out;
  msfix::RunTruth truth;
  std::vector<msfix::ScanData> scans;
  if (!msfix::MakeRun(PlanFor(d, s, &method).run, &truth, &scans)) return out;
  for (size_t k = 1; k < method.compounds.size() && k <= size_t(d.analytes); ++k) {
    const double mass = method.compounds[k].quantIon;
    const msfix::CompoundTruth* c = nullptr;
    for (const msfix::CompoundTruth& t : truth.compounds)
      if (t.name == method.compounds[k].name) c = &t;
    if (!c) {
      out.push_back(0);
      continue;
    }
    double share = 0, height = 0, squares = 0;
    for (auto& [m, v] : c->spectrum)
      if (std::fabs(m - mass) < 0.5) share += v;
    int points = 0;
    for (const msfix::ScanData& sc : scans) {
      if (std::fabs(sc.time - c->retentionTime) < 0.5) height = std::max(height, share * c->TicAt(sc.time));
      if (sc.time < c->retentionTime - 1.0 || sc.time > c->retentionTime - 0.4) continue;
      // The raw value against the noiseless one: the baseline's own noise,
      // its slope and drift left out.
      double raw = 0, clean = 0;
      for (auto& [m, v] : sc.peaks)
        if (std::fabs(m - mass) < 0.5) raw += v;
      for (auto& [m, v] : sc.ions)
        if (std::fabs(m - mass) < 0.5) clean += v;
      squares += (raw - clean) * (raw - clean);
      ++points;
    }
    const double rms = points ? std::sqrt(squares / points) : 0.0;
    out.push_back(rms > 0 ? height / rms : 0.0);
  }
  return out;
}

// Quantitation-ion areas of every method compound (counts x minutes): the
// truth, and what the raw trace gives with the true background taken off
// over the peak's true extent (apex -5 sigma to +5 sigma + 8 tau) - the area
// the noise alone leaves, with no baseline or end to choose.
// floor: the least relative error (%, one standard deviation) any measure
// of the area can reach on the noise - a fit of the peak's known shape, at
// its known place over the known background: noise / sqrt(sum of squares
// of the peak's points).
struct IonAreas {
  double truth = 0, noiseOnly = 0, floor = 0;
};
inline std::vector<IonAreas> QuantIonAreas(const Design& d, const SampleSpec& s, const msfix::DHTruth& method) {
  std::vector<IonAreas> out;
  msfix::RunTruth truth;
  std::vector<msfix::ScanData> scans;
  if (!msfix::MakeRun(PlanFor(d, s, &method).run, &truth, &scans) || scans.size() < 2) return out;
  const double dt = (scans.back().time - scans.front().time) / double(scans.size() - 1);
  for (size_t k = 0; k < method.compounds.size(); ++k) {
    const double mass = method.compounds[k].quantIon;
    IonAreas a;
    const msfix::CompoundTruth* c = nullptr;
    for (const msfix::CompoundTruth& t : truth.compounds)
      if (t.name == method.compounds[k].name) c = &t;
    if (c) {
      double share = 0;
      for (auto& [m, v] : c->spectrum)
        if (std::fabs(m - mass) < 0.5) share += v;
      double squares = 0, signal = 0;
      int points = 0;
      for (const msfix::ScanData& sc : scans) {
        const bool baseline = sc.time >= c->retentionTime - 1.0 && sc.time <= c->retentionTime - 0.4;
        const bool peak =
            sc.time >= c->retentionTime - 5 * c->sigma && sc.time <= c->retentionTime + 5 * c->sigma + 8 * c->tau;
        if (!baseline && !peak) continue;
        const double own = share * c->TicAt(sc.time);
        double raw = 0, clean = 0;
        for (auto& [m, v] : sc.peaks)
          if (std::fabs(m - mass) < 0.5) raw += v;
        for (auto& [m, v] : sc.ions)
          if (std::fabs(m - mass) < 0.5) clean += v;
        if (baseline) squares += (raw - clean) * (raw - clean), ++points;
        if (!peak) continue;
        a.truth += own * dt;
        a.noiseOnly += (raw - (clean - own)) * dt;
        signal += own * own;
      }
      if (points && signal > 0) a.floor = 100.0 * std::sqrt(squares / points / signal);
    }
    out.push_back(a);
  }
  return out;
}

}  // namespace quant_accuracy
