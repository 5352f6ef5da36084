// Internal standards, duplicates and the amounts of unknown peaks.
#include "quant/internal_standards.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "fandor/library_search.h"
#include "holbrin/holbrin.h"
#include "quant/compound_fields.h"
#include "quant/compound_integration.h"
#include "quant/peak_flags.h"
#include "quant/results_sections.h"
#include "quorna/quorna.h"
#include "reportmakers/spectra_of_compounds.h"
#include "spectra/spectrum_kinds.h"

namespace {

constexpr size_t kLevelCount = 1717;    // i32: calibration levels of a compound
constexpr uint32_t kNoStandardFound = 0x4000;
constexpr uint32_t kDuplicateOfStandard = 0x80;
constexpr uint16_t kStepStandardFlag = 0x100;
constexpr double kFarAway = 10000.0;

template <class T>
T OptionField(const void* options, size_t offset) {
  T v{};
  if (options) std::memcpy(&v, static_cast<const uint8_t*>(options) + offset, sizeof v);
  return v;
}

int32_t FirstGroupSize(const STRUCT_RESULTS_HEADER& h) {
  return int32_t(h.countIdentified) + h.countMissing + h.countFailed;
}

bool HasLetter(const STRUCT_RESULT_STEP& s, char letter) {
  return std::memchr(s.flagText, letter, strnlen(s.flagText, sizeof s.flagText)) != nullptr;
}

// Letters of a step again, after its flag word changed.
void RebuildLetters(STRUCT_RESULT_STEP* s) { PeakFlagsToText(s->resultFlags, s->flagText, int32_t(sizeof s->flagText)); }

template <size_t N>
void PutText(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  std::snprintf(field, N, "%s", text);
}

// The stored reference spectrum of a compound as an exchange buffer. Two
// forms are stored: the spectrum record a calibration run writes (its 16
// precise ions), and nominal (u16 mass, u32 abundance) pairs counted in the
// word after the block.
std::vector<uint8_t> ReferenceExchange(const STRUCT_DH_COMPOUND& c) {
  std::vector<std::pair<double, uint32_t>> pairs;
  STRUCT_REF_EX_SPT ref;
  std::memcpy(&ref, reinterpret_cast<const uint8_t*>(&c) + offsetof(STRUCT_DH_COMPOUND, referenceSpectrum), sizeof ref);
  bool precise = ref.pairCount > 0 && ref.pairCount <= SPT_REF_MAX_PAIRS;
  for (int i = 0; precise && i < ref.pairCount; ++i)
    precise = std::isfinite(ref.pairs[i].mass) && ref.pairs[i].mass > 0 && ref.pairs[i].mass < 1e5;
  if (precise) {
    for (int i = 0; i < ref.pairCount; ++i)
      if (ref.pairs[i].intensity > 0) pairs.emplace_back(ref.pairs[i].mass, ref.pairs[i].intensity);
  } else {
    const int n = std::clamp<int>(c.referenceSpectrumCount, 0, int(sizeof c.referenceSpectrum / 6));
    for (int i = 0; i < n; ++i) {
      uint16_t mass;
      uint32_t abundance;
      std::memcpy(&mass, c.referenceSpectrum + 6 * i, 2);
      std::memcpy(&abundance, c.referenceSpectrum + 6 * i + 2, 4);
      if (mass > 0 && abundance > 0) pairs.emplace_back(double(mass), abundance);
    }
  }
  std::sort(pairs.begin(), pairs.end());
  std::vector<uint8_t> out(4 + 13 * pairs.size());
  const uint32_t count = uint32_t(pairs.size());
  std::memcpy(out.data(), &count, 4);
  for (size_t i = 0; i < pairs.size(); ++i) {
    out[4 + 13 * i] = 0;
    std::memcpy(&out[4 + 13 * i + 1], &pairs[i].first, 8);
    std::memcpy(&out[4 + 13 * i + 9], &pairs[i].second, 4);
  }
  return out;
}

std::vector<STRUCT_DH_COMPOUND> ReadRange(HDHTABLE t, int32_t first, int32_t last) {
  std::vector<STRUCT_DH_COMPOUND> out;
  const int32_t n = CountDHRecords(t);
  for (int32_t i = std::max(first, 0); i <= last && i < n; ++i) {
    STRUCT_DH_COMPOUND c;
    if (GetDHRecord(t, i, &c)) out.push_back(c);
  }
  return out;
}

// A range test, with a standard counting when any analyte of its group
// (anywhere in the table) meets it.
BOOL RangeTest(HDHTABLE t, int32_t first, int32_t last, bool (*meets)(const STRUCT_DH_COMPOUND&)) {
  if (!t || last < 0) return FALSE;
  const std::vector<STRUCT_DH_COMPOUND> all = ReadRange(t, 0, CountDHRecords(t) - 1);
  for (int32_t i = std::max(first, 0); i <= last && i < int32_t(all.size()); ++i) {
    const STRUCT_DH_COMPOUND& c = all[size_t(i)];
    if (meets(c)) return TRUE;
    if (!(c.flags & quant::kFlagStandard)) continue;
    for (const STRUCT_DH_COMPOUND& o : all)
      if (!(o.flags & quant::kFlagStandard) && o.internalStandard == c.internalStandard && meets(o)) return TRUE;
  }
  return FALSE;
}

void Note(HWND window, const char* fmt, const char* name, int level) {
  char line[300];
  std::snprintf(line, sizeof line, fmt, name ? name : "", level);
  PostStatusText(window, 0, line);
}

}  // namespace

int32_t CompoundLevelCount(const STRUCT_DH_COMPOUND* c) {
  return c ? quant::CompoundField<int32_t>(*c, kLevelCount) : 0;
}

int32_t FindNearestIS(float time, const STRUCT_ACTIVE_IS_TABLE* table) {
  if (!table) return -1;
  const int32_t n = std::clamp<int32_t>(table->count, 0, ACTIVE_IS_MAX);
  double best = kFarAway;
  int32_t index = -1;
  for (int32_t i = 0; i < n; ++i) {
    const double d = std::fabs(double(time) - table->entries[i].retentionTime);
    if (d < best) best = d, index = i;
  }
  return index;
}

int32_t FindPeakInWindow(HSECTION results, int32_t from, int32_t to, const STRUCT_RESULT_STEP* compound,
                         STRUCT_RESULT_STEP* peak) {
  if (!results || !compound) return -1;
  double best = kFarAway;
  int32_t index = -1;
  for (int32_t i = std::max(from, 0); i < to && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP s;
    if (!ReadTolResultStep(results, uint16_t(i), &s)) continue;
    if (!(s.retentionTime > compound->startTime && s.retentionTime < compound->endTime)) continue;
    const double d = std::fabs(double(s.retentionTime) - compound->retentionTime);
    if (d < best) {
      best = d, index = i;
      if (peak) *peak = s;
    }
  }
  return index;
}

int32_t BuildActiveISTable(HSECTION results, const STRUCT_RESULTS_HEADER* header, const char* dataFile,
                           STRUCT_WORK_FILE* workFile, const char* methodFile, const void* options,
                           STRUCT_ACTIVE_IS_TABLE* table) {
  if (!table) return 0;
  table->count = 0;
  if (!results || !header || !dataFile || !methodFile) return 0;
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  if (!ReadMSFileInfo(dataFile, nullptr, info.data())) return 0;
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), sizeof block);
  const uint16_t id = block.fileType, address = block.module;
  STRUCT_DH_GLOBAL_PARAMS global;
  HDHTABLE g = OpenGlobalTable(methodFile, id, address, "1");
  const bool haveGlobal = g && ReadGlobalTable(g, &global);
  if (g) FreeDHRecordSet(g);
  if (!haveGlobal) return 0;
  HDHTABLE t = OpenCompoundTable(methodFile, id, address, "1");
  const std::vector<STRUCT_DH_COMPOUND> compounds = t ? ReadRange(t, 0, CountDHRecords(t) - 1)
                                                      : std::vector<STRUCT_DH_COMPOUND>{};
  if (t) FreeDHRecordSet(t);
  const int32_t g1 = FirstGroupSize(*header), total = CountTolResultSteps(results);
  const int16_t sampleType = OptionField<int16_t>(options, OPTIONS_SAMPLE_TYPE);
  const int16_t level = std::clamp<int16_t>(OptionField<int16_t>(options, OPTIONS_LEVEL), 0, 9);
  const float sampleAmount = OptionField<float>(options, OPTIONS_SAMPLE_AMOUNT);
  int32_t count = 0;
  for (STRUCT_DH_COMPOUND c : compounds) {
    if (c.usesInternalStandard == 0 || !(c.flags & quant::kFlagStandard)) continue;
    if (count >= ACTIVE_IS_MAX) break;  // the table holds 50 standards
    STRUCT_RESULT_STEP step;
    int32_t at = -1;
    for (int32_t i = 0; i < g1 && at < 0; ++i)
      if (ReadTolResultStep(results, uint16_t(i), &step) && step.compoundNumber == int32_t(c.compoundNumber)) at = i;
    if (at < 0 || (step.kind != 0 && step.kind != 2)) continue;
    STRUCT_RESULT_STEP peak;
    const int32_t p = FindPeakInWindow(results, g1, total, &step, &peak);
    if (p < 0) continue;
    double t1 = 0, t2 = 0;
    if (TOL_GetTargetBCSptTimesEx(dataFile, workFile, nullptr, 0, &c, &t1, &t2) != 0) continue;
    const std::vector<uint8_t> reference = ReferenceExchange(c);
    const int32_t hits = global.unknownQuantKind == 0
                             ? TargetSearch(dataFile, step.startTime, step.endTime, peak.retentionTime,
                                            reference.data(), 0, 1)
                             : PuritySearch(dataFile, step.startTime, step.endTime, reference.data(), 0, 0);
    if (hits <= 0) continue;
    ACTIVE_IS_ENTRY& e = table->entries[count++];
    std::memset(&e, 0, sizeof e);
    e.retentionTime = peak.retentionTime;
    e.amount = sampleType == 1 || sampleType == 3 ? c.levels[level].amount : c.levels[0].amount * sampleAmount;
    e.height = peak.height;
    e.area = peak.area;
    std::memcpy(e.units, reinterpret_cast<const uint8_t*>(&c) + quant::kUnits, sizeof e.units);
    e.units[sizeof e.units - 1] = 0;
    e.compoundNumber = int32_t(c.compoundNumber);
    e.stepIndex = p;
    e.peakFlag = peak.peakFlag;
  }
  table->count = count;
  if (count == 0) {
    for (int32_t i = g1; i < total && i <= 0xFFFF; ++i) {
      STRUCT_RESULT_STEP s;
      if (!ReadTolResultStep(results, uint16_t(i), &s)) continue;
      s.rawResults = 1;
      s.resultFlags |= kNoStandardFound;
      MakeStepLetters(&s, 0, global.quant.calculationType);
      WriteTolResultStep(results, uint16_t(i), &s);
    }
  }
  return count;
}

int32_t MarkIdentifiedPeaks(HSECTION results, STRUCT_RESULTS_HEADER* header) {
  if (!results || !header) return 0;
  const int32_t g1 = FirstGroupSize(*header), total = CountTolResultSteps(results);
  for (int32_t i = 0; i < g1 && i < total; ++i) {
    STRUCT_RESULT_STEP c;
    if (!ReadTolResultStep(results, uint16_t(i), &c) || (c.kind != 0 && c.kind != 2)) continue;
    const bool standard = HasLetter(c, 'S');
    const double w = c.width / 120.0;
    const double lower = std::max(double(c.retentionTime) - w, double(c.startTime));
    const double upper = std::min(double(c.retentionTime) + w, double(c.endTime));
    double best = kFarAway;
    int32_t candidate = -1;
    for (int32_t k = g1; k < total && k <= 0xFFFF; ++k) {
      STRUCT_RESULT_STEP p;
      if (!ReadTolResultStep(results, uint16_t(k), &p)) continue;
      if (lower < p.retentionTime && p.retentionTime < upper) {
        const double d = std::fabs(double(p.retentionTime) - c.retentionTime);
        if (d < best) best = d, candidate = k;
      } else if (candidate >= 0 || p.retentionTime >= upper) {
        break;
      }
    }
    if (candidate < 0) continue;
    STRUCT_RESULT_STEP p;
    if (!ReadTolResultStep(results, uint16_t(candidate), &p) || p.kind == RESULT_KIND_DUPLICATE) continue;
    AddResultKindCount(header, p.kind, -1);
    p.kind = RESULT_KIND_DUPLICATE;
    if (standard && header->calculationType == 3) {
      p.resultFlags |= kDuplicateOfStandard;
      p.flags |= kStepStandardFlag;
    }
    RebuildLetters(&p);
    WriteTolResultStep(results, uint16_t(candidate), &p);
    AddResultKindCount(header, RESULT_KIND_DUPLICATE, 1);
  }
  WriteTolResults(results, header);
  return header->countDuplicate;
}

BOOL QuantitateUnknownPeaks(const char* dataFile, const STRUCT_DH_GLOBAL_PARAMS* global,
                            const STRUCT_ACTIVE_IS_TABLE* table, const void* options) {
  if (!dataFile || !global) return FALSE;
  HSECTION s = OpenTolResults(dataFile);
  if (!s) return FALSE;
  STRUCT_RESULTS_HEADER h;
  if (!ReadTolResults(s, &h)) {
    CloseSection(s);
    return FALSE;
  }
  const int32_t g1 = FirstGroupSize(h), total = CountTolResultSteps(s);
  const double numerator = OptionField<float>(options, OPTIONS_SCALE_NUMERATOR);
  const double denominator = OptionField<float>(options, OPTIONS_SCALE_DENOMINATOR);
  // A scale without a denominator leaves the amounts unscaled.
  const double scale = denominator != 0 && std::isfinite(numerator / denominator) ? numerator / denominator : 1.0;
  const bool byStandard = global->unknownQuantKind == 0 || global->unknownQuantKind == 1;
  const float factor = float(global->unknownResponseFactor);
  for (int32_t i = g1; i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP p;
    if (!ReadTolResultStep(s, uint16_t(i), &p)) continue;
    const double response = h.responseBasis == 1 ? p.area : p.height;
    if (!byStandard) {
      if (factor == 0 || !std::isfinite(factor)) continue;
      p.amount = float(scale * (response / factor));
      if (factor == 1.0f) PutText(p.units, "Counts");
    } else {
      const int32_t k = FindNearestIS(p.retentionTime, table);
      if (k < 0) continue;
      const ACTIVE_IS_ENTRY& e = table->entries[k];
      const double standardResponse = h.responseBasis == 1 ? e.area : e.height;
      if (!(e.amount != 0) || !(standardResponse != 0)) continue;
      const double r = standardResponse / e.amount;
      double amount = response / r;
      if (!HasLetter(p, 'S')) amount *= scale;
      p.amount = float(amount);
      p.standardNumber = int16_t(e.compoundNumber);
      p.standardAmount = e.amount;
      p.standardArea = e.area;
      p.standardHeight = e.height;
      p.standardRetentionTime = e.retentionTime;
      PutText(p.units, std::string(e.units, strnlen(e.units, sizeof e.units)).c_str());
      if (e.peakFlag == 'U') {
        p.resultFlags |= PF_USER;
        p.peakFlag = 'U';
      }
    }
    RebuildLetters(&p);
    WriteTolResultStep(s, uint16_t(i), &p);
  }
  CloseSection(s);
  return TRUE;
}

BOOL PercentOfTotalUnknowns(const char* dataFile) {
  HSECTION s = dataFile ? OpenTolResults(dataFile) : nullptr;
  if (!s) return FALSE;
  STRUCT_RESULTS_HEADER h;
  if (!ReadTolResults(s, &h)) {
    CloseSection(s);
    return FALSE;
  }
  const int32_t g1 = FirstGroupSize(h), total = CountTolResultSteps(s);
  double sum = 0;
  for (int32_t i = g1; i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP p;
    if (ReadTolResultStep(s, uint16_t(i), &p) && p.amount > 0) sum += p.amount;
  }
  if (sum == 0) sum = 1;
  for (int32_t i = g1; i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP p;
    if (!ReadTolResultStep(s, uint16_t(i), &p)) continue;
    p.amount = float(p.amount * 100.0 / sum);
    PutText(p.units, "%");
    WriteTolResultStep(s, uint16_t(i), &p);
  }
  CloseSection(s);
  return TRUE;
}

BOOL CompoundRRTAndPercent(const char* dataFile, const DH_QUANT_BLOCK* block, float referenceTime) {
  HSECTION s = dataFile && block ? OpenTolResults(dataFile) : nullptr;
  if (!s) return FALSE;
  STRUCT_RESULTS_HEADER h;
  if (!ReadTolResults(s, &h)) {
    CloseSection(s);
    return FALSE;
  }
  const int32_t g1 = FirstGroupSize(h), total = CountTolResultSteps(s);
  const double t0 = block->rrtReferenceTime;
  const bool percent = block->integration356 != 0;
  double factor = 1;
  if (percent) {
    double sum = 0;
    for (int32_t i = 0; i < g1 && i < total; ++i) {
      STRUCT_RESULT_STEP p;
      if (ReadTolResultStep(s, uint16_t(i), &p) && p.kind != 1 && p.rawResults == 0 && p.amount > 0) sum += p.amount;
    }
    factor = 100.0 / (sum == 0 ? 1 : sum);
  }
  for (int32_t i = 0; i < total && i <= 0xFFFF; ++i) {
    STRUCT_RESULT_STEP p;
    if (!ReadTolResultStep(s, uint16_t(i), &p)) continue;
    bool changed = false;
    // A reference at the dead time gives no relative time.
    if (referenceTime >= 0 && p.kind != 1 && referenceTime != t0) {
      p.relativeRetentionTime = float((p.retentionTime - t0) / (referenceTime - t0));
      changed = true;
    } else if (p.relativeRetentionTime < 0) {
      p.relativeRetentionTime = 0;
      changed = true;
    }
    if (percent && i < g1 && (p.kind == 0 || p.kind == 2) && p.rawResults == 0) {
      p.amount = float(p.amount * factor);
      PutText(p.units, "%");
      changed = true;
    }
    if (changed) WriteTolResultStep(s, uint16_t(i), &p);
  }
  CloseSection(s);
  return TRUE;
}

BOOL MORVEX_IsCalibrated(HDHTABLE compounds, int32_t first, int32_t last) {
  if (last < 0) return TRUE;
  if (!compounds) return FALSE;
  for (const STRUCT_DH_COMPOUND& c : ReadRange(compounds, first, last))
    for (int k = 0; k < 4; ++k)
      if (c.coefficients[k] != 0) return TRUE;
  return FALSE;
}

BOOL MORVEX_IsLockedCaliData(HDHTABLE compounds, int32_t first, int32_t last) {
  return RangeTest(compounds, first, last,
                   [](const STRUCT_DH_COMPOUND& c) { return (c.flags & DH_COMPOUND_CALIBRATION_LOCKED) != 0; });
}

BOOL MORVEX_IsInactive(HDHTABLE compounds, int32_t first, int32_t last) {
  return RangeTest(compounds, first, last, [](const STRUCT_DH_COMPOUND& c) { return c.usesInternalStandard == 0; });
}

BOOL MethodHasTooFewLevels(int16_t level, const char* methodFile, uint16_t id, uint16_t address, const char* tag) {
  HDHTABLE t = methodFile && tag ? OpenCompoundTable(methodFile, id, address, tag) : nullptr;
  if (!t) return FALSE;
  const std::vector<STRUCT_DH_COMPOUND> all = ReadRange(t, 0, CountDHRecords(t) - 1);
  FreeDHRecordSet(t);
  if (all.empty()) return FALSE;
  for (const STRUCT_DH_COMPOUND& c : all)
    if (c.usesInternalStandard != 0 && CompoundLevelCount(&c) > level) return FALSE;
  return TRUE;
}

void CheckCompoundLevels(HWND window, const char* name, int32_t levels, int16_t level, int16_t* effectiveType,
                         int16_t* rawFlag, uint32_t* flagWord) {
  if (!effectiveType || *effectiveType == 1 || levels > level) return;
  *effectiveType = 1;
  if (rawFlag) *rawFlag = 1;
  if (flagWord) *flagWord |= 0x10000;
  Note(window, "%s specifies fewer than %d levels. Reporting raw results.", name, level + 1);
}

void CheckAnalyteLevels(HWND window, const char* name, uint16_t compoundFlags, int32_t levels, int16_t level,
                        BOOL standardFound, int32_t standardLevels, int16_t* effectiveType, int16_t* rawFlag,
                        uint32_t* flagWord) {
  CheckCompoundLevels(window, name, levels, level, effectiveType, rawFlag, flagWord);
  if (!effectiveType || *effectiveType != 3 || (compoundFlags & quant::kFlagStandard)) return;
  if (standardFound) {
    if (standardLevels > level) return;
    *effectiveType = 1;
    if (rawFlag) *rawFlag = 1;
    if (flagWord) *flagWord |= 0x10000;
    Note(window, "Istd for %s specifies fewer than %d levels. Reporting raw results.", name, level + 1);
  } else {
    *effectiveType = 1;
    if (rawFlag) *rawFlag = 1;
    Note(window, "Istd for %s not Active or no Istd. Reporting raw results.", name, level + 1);
  }
}

BOOL FitCompoundCalibration(STRUCT_DH_COMPOUND* compound, const STRUCT_DH_COMPOUND* standard,
                            const DH_QUANT_BLOCK* block) {
  if (!compound || !block) return FALSE;
  std::vector<double> work(100, -1.0);
  const bool internal = block->calculationType == 3;
  if (internal && (compound->flags & quant::kFlagStandard)) standard = compound;
  return FitCalibration(compound, internal ? standard : nullptr, compound->integration1713, compound->integration1721,
                        compound->integration1729, work.data());
}

BOOL RecalibrateInactiveAnalyte(const char* methodFile, uint16_t id, uint16_t address, const char* tag, int32_t index,
                                STRUCT_DH_COMPOUND* compound, const STRUCT_DH_COMPOUND* standard,
                                const DH_QUANT_BLOCK* block, const void* options, int16_t rawFlag,
                                int16_t standardRawFlag) {
  if (!compound || !standard || !block || !methodFile || !tag) return FALSE;
  const int16_t level = std::clamp<int16_t>(OptionField<int16_t>(options, OPTIONS_LEVEL), 0, 9);
  if (block->calculationType != 3 || OptionField<int16_t>(options, OPTIONS_SAMPLE_TYPE) != 1) return FALSE;
  if ((compound->flags & quant::kFlagStandard) || (compound->flags & DH_COMPOUND_CALIBRATION_LOCKED)) return FALSE;
  if (standard->usesInternalStandard == 0 || CompoundLevelCount(compound) <= level) return FALSE;
  if (rawFlag || standardRawFlag) return FALSE;
  bool anyPoints = false;
  for (int l = 0; l < 10; ++l) anyPoints = anyPoints || compound->levels[l].count > 0;
  if (!anyPoints) return FALSE;
  if (!FitCompoundCalibration(compound, standard, block)) return FALSE;
  HDHTABLE t = OpenDHRecordSetForUpdate(methodFile, id, address, tag);
  if (!t) return FALSE;
  const BOOL ok = PutDHRecord(t, index, compound);
  FreeDHRecordSet(t);
  return ok;
}
