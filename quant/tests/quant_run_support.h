#pragma once
// Whole quantitation runs over generated samples: an uncalibrated method of
// the accuracy design, calibrated at three levels by calibration runs, then
// samples at known amounts. Shared by the tests and the benchmarks.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_fields.h"
#include "quant/internal_standards.h"
#include "quant/quantitation_run.h"
#include "quant/results_sections.h"
#include "quant/unknown_peaks.h"
#include "quant_accuracy.h"

namespace quant_run {

using quant_accuracy::Design;
using quant_accuracy::SampleSpec;

constexpr double kStandardAmount = 20.0;

struct MethodPlan {
  std::vector<double> levels = {2.0, 10.0, 40.0};  // calibration amounts of the analytes
  bool qualifiers = true;  // false: no qualifier ions (weak peaks give no usable ratios)
  int16_t calculationType = 3;
  int16_t reportNotFound = 1;
  int16_t reportUnknowns = 0;
  int32_t filterKind = 1;
  int16_t filterTenths = 10;
  int32_t librarySearch = 0;
  bool removeIdentified = true;  // peaks that are the method's compounds leave the unknowns
  std::string libraryFolder, libraryName;  // the method's one library
};

// The method without calibration data: every compound active, linear
// curves with an intercept, three levels (the standard at one amount).
inline bool WriteUncalibratedMethod(const char* path, const Design& d, const MethodPlan& p, msfix::DHTruth* truth) {
  const std::vector<double> levels = p.levels;
  const bool qualifiers = p.qualifiers;
  if (!quant_accuracy::WriteMethod(path, d, truth, [&levels, qualifiers](int, STRUCT_DH_COMPOUND& c) {
        if (!qualifiers) std::memset(c.qualifiers, 0, sizeof c.qualifiers);
        c.usesInternalStandard = 1;
        c.integration1713 = DH_CURVE_LINEAR;
        c.integration1721 = DH_ORIGIN_IGNORE;
        c.integration1729 = DH_WEIGHT_NONE;
        std::memset(c.coefficients, 0, sizeof c.coefficients);
        std::memset(c.levels, 0, sizeof c.levels);
        const bool standard = c.flags & quant::kFlagStandard;
        for (size_t l = 0; l < levels.size() && l < 10; ++l)
          c.levels[l].amount = float(standard ? kStandardAmount : levels[l]);
        quant::SetCompoundField<int32_t>(&c, 1717, int32_t(levels.size()));
        quant::SetCompoundField<float>(&c, quant::kResponseMultiplier, 1.0f);
        std::memcpy(reinterpret_cast<uint8_t*>(&c) + quant::kUnits, "ng", 3);
      }))
    return false;
  HDHTABLE g = OpenGlobalTableForUpdate(path, truth->moduleId, truth->moduleAddress, "1");
  if (!g) return false;
  STRUCT_DH_GLOBAL_PARAMS global;
  bool ok = ReadGlobalTable(g, &global) != FALSE;
  global.quant.calculationType = p.calculationType;
  global.quant.responseBasis = 1;
  global.quant.reportNotFound = p.reportNotFound;
  global.reportUnknowns = p.reportUnknowns;
  global.unknownFilterKind = p.filterKind;
  global.filterPercentTenths = p.filterTenths;
  global.unknownQuantKind = 2;
  global.unknownResponseFactor = 1.0;
  global.removeIdentifiedUnknowns = p.removeIdentified ? 1 : 0;
  global.librarySearchUnknowns = p.librarySearch;
  global.locateRrtReferenceFirst = 0;
  global.rtUpdateFlags = 0;
  global.ignoreCalibration = 0;
  auto* bytes = reinterpret_cast<uint8_t*>(&global);
  std::memset(bytes + GLOBAL_LIBRARY_PATH, 0, 260);
  std::memset(bytes + GLOBAL_LIBRARY_LIST, 0, FANDOR_LIBRARY_LIST_SIZE);
  if (!p.libraryName.empty()) {
    std::snprintf(reinterpret_cast<char*>(bytes + GLOBAL_LIBRARY_PATH), 260, "%s", p.libraryFolder.c_str());
    std::snprintf(reinterpret_cast<char*>(bytes + GLOBAL_LIBRARY_LIST), 260, "%s", p.libraryName.c_str());
    const int16_t one = 1;
    std::memcpy(bytes + GLOBAL_LIBRARY_COUNT, &one, 2);
    std::memcpy(bytes + GLOBAL_LIBRARY_ACTIVE, &one, 2);
    const int32_t hits = 5, minimum = 0;
    std::memcpy(bytes + 1072, &hits, 4);
    std::memcpy(bytes + 1076, &minimum, 4);
    std::memcpy(bytes + 1080, &minimum, 4);
  }
  ok = ok && WriteGlobalTable(g, &global);
  FreeDHRecordSet(g);
  return ok;
}

inline void Options(uint8_t* options, int16_t sampleType, int16_t level) {
  InitQuantOptions(options);
  std::memcpy(options + OPTIONS_SAMPLE_TYPE, &sampleType, 2);
  std::memcpy(options + OPTIONS_LEVEL, &level, 2);
  const float one = 1.0f;
  std::memcpy(options + OPTIONS_SCALE_NUMERATOR, &one, 4);
  std::memcpy(options + OPTIONS_SCALE_DENOMINATOR, &one, 4);
  std::memcpy(options + OPTIONS_SAMPLE_AMOUNT, &one, 4);
}

inline BOOL Quantitate(HWND window, const char* dataFile, const char* methodFile, int16_t sampleType,
                       int16_t level = 0) {
  uint8_t options[QUANT_OPTIONS_SIZE];
  Options(options, sampleType, level);
  return DoTolmarQuantitation(window, dataFile, methodFile, options);
}

// Calibration runs at the three levels, each a sample whose analytes are
// all at that level's amount. The calibration files are left at path + level.
inline bool Calibrate(HWND window, const char* methodFile, const Design& d, const msfix::DHTruth& method,
                      const std::string& folder, const std::vector<double>& levels, uint32_t noiseSeed = 100) {
  for (size_t l = 0; l < levels.size(); ++l) {
    SampleSpec s;
    s.amounts.assign(size_t(d.analytes), levels[l]);
    s.noiseSeed = noiseSeed + uint32_t(l);
    const std::string path = folder + "\\CAL" + std::to_string(l + 1) + ".KMS";
    msfix::RunTruth truth;
    if (!quant_accuracy::WriteSample(path.c_str(), d, s, method, &truth)) return false;
    if (!Quantitate(window, path.c_str(), methodFile, SAMPLE_CALIBRATION, int16_t(l))) return false;
  }
  return true;
}

inline std::vector<STRUCT_RESULT_STEP> ReadSteps(const char* dataFile, STRUCT_RESULTS_HEADER* header = nullptr) {
  std::vector<STRUCT_RESULT_STEP> out;
  HSECTION s = OpenTolResultsReadOnly(dataFile);
  if (!s) return out;
  STRUCT_RESULTS_HEADER h;
  ReadTolResults(s, &h);
  if (header) *header = h;
  for (int32_t i = 0; i < CountTolResultSteps(s); ++i) {
    STRUCT_RESULT_STEP st;
    if (ReadTolResultStep(s, uint16_t(i), &st)) out.push_back(st);
  }
  CloseSection(s);
  return out;
}

inline std::string StepName(const STRUCT_RESULT_STEP& s) { return std::string(s.name, strnlen(s.name, sizeof s.name)); }

// Relative errors (percent) of the analytes' amounts against the truth;
// a missing analyte counts as 100 %.
inline std::vector<double> AmountErrors(const std::vector<STRUCT_RESULT_STEP>& steps, const msfix::DHTruth& method,
                                        const SampleSpec& s) {
  std::vector<double> errors;
  for (size_t a = 0; a < s.amounts.size(); ++a) {
    const std::string name = method.compounds[a + 1].name;
    double e = 100.0;
    for (const STRUCT_RESULT_STEP& st : steps)
      if (StepName(st) == name && st.kind == RESULT_KIND_IDENTIFIED && st.amount > 0)
        e = std::fabs(st.amount / s.amounts[a] - 1.0) * 100.0;
    errors.push_back(e);
  }
  return errors;
}

}  // namespace quant_run
