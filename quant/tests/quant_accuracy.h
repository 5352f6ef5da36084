#pragma once
// Runs for the accuracy of the compound integration: one internal standard
// and analytes at known amounts over a chemical-noise baseline, their
// retention times drifting from the method's, and optionally an
// interference co-eluting on an analyte's first qualifier ion. Shared by
// the tests and the benchmark report.
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
  plan.internalStandards = 1;
  plan.run.adjustCompounds = [d, s, method](std::vector<msfix::CompoundTruth>& cs) {
    // Keep the compounds apart, one every two minutes, as a method would.
    for (size_t i = 0; i < cs.size(); ++i) {
      cs[i].retentionTime = 4.0 + 2.0 * double(i);
      cs[i].tau = 0.5 * cs[i].sigma * double(i % 2);  // every other peak tails
      cs[i].height = i == 0 ? d.standardHeight
                            : d.heightPerAmount * (i - 1 < s.amounts.size() ? s.amounts[i - 1] : 10.0);
    }
    if (s.interferedAnalyte >= 0 && method && size_t(s.interferedAnalyte + 1) < cs.size()) {
      const size_t k = size_t(s.interferedAnalyte + 1);
      msfix::CompoundTruth x = cs[k];
      x.name = "Interference";
      const double qualifier = method->compounds[k].qualifiers.front().first;
      x.spectrum = {{qualifier, 1.0}};
      x.retentionTime += 0.2 * x.sigma;
      x.tau = 0;
      // As strong as the analyte's own qualifier ion: the ratio doubles.
      double share = 0;
      for (auto& [m, v] : cs[k].spectrum)
        if (m == qualifier) share = v;
      x.height = cs[k].height * share;
      cs.push_back(x);
    }
    for (size_t i = 0; i < cs.size(); ++i) {
      const double t = cs[i].retentionTime;
      cs[i].retentionTime = t + s.drift + s.driftSlope * (t - 3.0);
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

}  // namespace quant_accuracy
