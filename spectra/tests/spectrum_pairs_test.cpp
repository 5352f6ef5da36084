// Pairs of spectrum records in their three layouts: lookups, edits, base
// peak, pruning, rounding, sorting and the conversions for callers.
#include <gtest/gtest.h>

#include <cmath>

#include "common/preference_records.h"
#include "spectra/tests/spectrum_test_records.h"

using namespace spttest;
using PairList = std::vector<std::pair<double, double>>;

namespace {

STRUCT_SPT_PLUS* TolRecord(const std::vector<std::pair<double, uint32_t>>& pairs, bool profile = false) {
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitTolSpt(spt, Tol(pairs, profile), nullptr);
  return spt;
}

STRUCT_SPT_PLUS* TicRecord(const std::vector<std::pair<uint16_t, uint32_t>>& pairs, size_t room = 0) {
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitTicSpt(spt, Tic(pairs, room));
  return spt;
}

STRUCT_SPT_PLUS* DiffRecord(const PairList& pairs) {
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitDiffSpt(spt, Diff(pairs), nullptr, nullptr);
  return spt;
}

}  // namespace

TEST(SpectrumPairs, AccessorGivesThePairsOfTheRecordsKind) {
  STRUCT_SPT_PLUS* tol = TolRecord({{50.5, 1}, {60.25, 2}});
  STRUCT_SPT_PLUS* tic = TicRecord({{50, 1}});
  STRUCT_SPT_PLUS* diff = DiffRecord({{50, -1}, {51, 2}, {52, 3}});
  DIFF_PAIR* d;
  TOL_PAIR* t;
  XTOL_PAIR* x;
  EXPECT_EQ(PlusSpt_GetPairStuff(tol, &d, &t, &x), 2);
  EXPECT_TRUE(d == nullptr && t == nullptr && x == +tol->tolSpt->pairs);
  EXPECT_EQ(PlusSpt_GetPairStuff(tic, &d, &t, &x), 1);
  EXPECT_TRUE(d == nullptr && t == +tic->ticSpt->pairs && x == nullptr);
  EXPECT_EQ(PlusSpt_GetPairStuff(diff, &d, &t, &x), 3);
  EXPECT_TRUE(d == +diff->diffSpt->pairs && t == nullptr && x == nullptr);
  STRUCT_SPT_PLUS unknown{};
  unknown.kind = 9;
  EXPECT_EQ(PlusSpt_GetPairStuff(&unknown, &d, &t, &x), 0);
  EXPECT_TRUE(d == nullptr && t == nullptr && x == nullptr);
  EXPECT_EQ(PlusSpt_GetPairCount(&unknown), 0);

  double m = 0;
  uint32_t i = 0;
  double v = 0;
  EXPECT_EQ(PlusSpt_GetMassInt(diff, 0, &m, &i), 0);  // double pairs have no integer form
  EXPECT_EQ(PlusSpt_GetPairValues(diff, 2, &m, &i, &v), 1);
  EXPECT_EQ(i, 3u);
  EXPECT_EQ(PlusSpt_GetPairValues(diff, 3, &m, &i, &v), 0);
  EXPECT_EQ(PlusSpt_GetMassInt(tol, 1, &m, &i), 1);
  EXPECT_DOUBLE_EQ(m, 60.25);
  EXPECT_EQ(PlusSpt_GetMassInt(tol, 2, &m, &i), 0);
  EXPECT_EQ(PlusSpt_CountPositiveNonZeroPairs(diff), 2);
  PlusSpt_Free(tol);
  PlusSpt_Free(tic);
  PlusSpt_Free(diff);
}

TEST(SpectrumPairs, LookupsUseEachLayoutsTolerance) {
  STRUCT_SPT_PLUS* tol = TolRecord({{91.0501, 40}, {92.0, 70}, {105.1, 20}});
  STRUCT_SPT_PLUS* tic = TicRecord({{91, 40}, {92, 70}});
  STRUCT_SPT_PLUS* diff = DiffRecord({{91.05, -40}, {92.0, 10}});
  double v = -1;
  EXPECT_EQ(PlusSpt_GetIntensity(tol, 91.0505, &v), 1);  // within 0.0005
  EXPECT_EQ(v, 40);
  EXPECT_EQ(PlusSpt_GetIntensity(tol, 91.0507, &v), 0);
  EXPECT_EQ(PlusSpt_GetIntensity(tic, 91.9, &v), 1);  // truncated
  EXPECT_EQ(v, 40);
  EXPECT_EQ(PlusSpt_GetIntensity(diff, 91.050004, &v), 1);
  EXPECT_EQ(v, -40);
  EXPECT_EQ(PlusSpt_GetIntensity(diff, 91.05001, &v), 0);

  uint32_t first = 99, last = 99;
  EXPECT_EQ(PlusSpt_GetMassRangeIndexes(tol, 92.0, 106.0, &first, &last), 2);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(last, 2u);
  first = last = 99;
  EXPECT_EQ(PlusSpt_GetMassRangeIndexes(tol, 200, 300, &first, &last), 0);
  EXPECT_EQ(first, 99u);

  double m = 0;
  EXPECT_EQ(PlusSpt_GetClosestMass(tol, 98.55, &m), 1);  // 92.0 and 105.1 are equally near: the first
  EXPECT_DOUBLE_EQ(m, 92.0);
  EXPECT_EQ(PlusSpt_GetTallestMassInDaltonWindow(tol, 92, 1.0, &m, &v), 1);
  EXPECT_DOUBLE_EQ(m, 92.0);
  EXPECT_EQ(PlusSpt_GetTallestMassInDaltonWindow(tol, 100, 2.0, &m, &v), 0);
  PlusSpt_Free(tol);
  PlusSpt_Free(tic);
  PlusSpt_Free(diff);
}

TEST(SpectrumPairs, BasePeakTakesTheFirstOfEqualLargestAndHonoursTheMassRange) {
  STRUCT_SPT_PLUS* tol = TolRecord({{50, 500}, {60, 900}, {70, 900}, {80, 100}});
  double v;
  EXPECT_DOUBLE_EQ(PlusSpt_GetBasePeak(tol, &v), 60);
  tol->useMassRange = 1;
  tol->lowMass = 65;
  tol->highMass = 90;
  EXPECT_DOUBLE_EQ(PlusSpt_GetBasePeak(tol, &v), 70);
  tol->lowMass = 0;  // a range with a zero end is not used
  EXPECT_DOUBLE_EQ(PlusSpt_GetBasePeak(tol, &v), 60);
  STRUCT_SPT_PLUS* diff = DiffRecord({{50, 30}, {51, -40}});
  EXPECT_DOUBLE_EQ(PlusSpt_GetBasePeak(diff, &v), 51);  // by absolute value
  EXPECT_EQ(v, -40);
  STRUCT_SPT_PLUS* empty = TolRecord({});
  EXPECT_EQ(PlusSpt_GetBasePeak(empty, &v), 0.0);
  EXPECT_EQ(v, 0.0);

  // A chosen base peak keeps its mass while its pair exists.
  tol->useMassRange = 0;
  tol->basePeakMass = 80;
  tol->basePeakFixed = 1;
  tol->tolSpt->pairs[3].intensity = 120;
  PlusSpt_UpdateBasePeak(tol);
  EXPECT_EQ(+tol->basePeakIntensity, 120);
  EXPECT_EQ(+tol->basePeakFixed, 1);
  PlusSpt_DeleteMassInt(tol, 3);
  PlusSpt_UpdateBasePeak(tol);
  EXPECT_EQ(+tol->basePeakMass, 60);
  EXPECT_EQ(+tol->basePeakFixed, 0);
  PlusSpt_Free(tol);
  PlusSpt_Free(diff);
  PlusSpt_Free(empty);
}

TEST(SpectrumPairs, AddingKeepsMassOrderAndGrowsTheRecord) {
  STRUCT_SPT_PLUS* tic = TicRecord({}, 1);
  ASSERT_EQ(PlusSpt_AddMassInt(tic, 55.0, 70000), 1);  // the whole 70,000
  EXPECT_EQ(Pairs(tic), (PairList{{55, 70000}}));
  EXPECT_EQ(+tic->basePeakMass, 55);
  EXPECT_EQ(+tic->basePeakIntensity, 70000);
  EXPECT_EQ(+tic->pairsEdited, 1);
  const uint32_t before = GetBlockSize(tic->ticSpt);
  ASSERT_EQ(PlusSpt_AddMassInt(tic, 40.7, 5), 1);
  EXPECT_EQ(GetBlockSize(+tic->ticSpt), before + SPT_GROW_INTEGER);
  ASSERT_EQ(PlusSpt_AddMassInt(tic, 55.9, 8), 1);  // same nominal mass: replaced
  EXPECT_EQ(Pairs(tic), (PairList{{40, 5}, {55, 8}}));
  EXPECT_EQ(PlusSpt_AddMassInt(tic, 70000.0, 1), 0);  // no 16-bit nominal mass
  EXPECT_EQ(PlusSpt_AddMassInt(tic, -1.0, 1), 0);
  PlusSpt_Free(tic);

  STRUCT_SPT_PLUS* tol = TolRecord({});
  for (int k = 0; k < 30; ++k) ASSERT_EQ(PlusSpt_AddMassInt(tol, 300.0 - 7.3 * k, uint32_t(k + 1)), 1);
  EXPECT_EQ(PlusSpt_GetPairCount(tol), 30);
  EXPECT_EQ(PlusSpt_CheckLowMassOrder(tol), 1);
  EXPECT_EQ(GetBlockSize(+tol->tolSpt), TolSptBytes(TOL_START_PAIRS) + SPT_GROW_PRECISE);
  ASSERT_EQ(PlusSpt_AddMassInt(tol, 300.0 - 7.3 * 4, 77), 1);  // an exact mass replaces
  EXPECT_EQ(PlusSpt_GetPairCount(tol), 30);
  double v;
  EXPECT_EQ(PlusSpt_GetIntensity(tol, 300.0 - 7.3 * 4, &v), 1);
  EXPECT_EQ(v, 77);
  PlusSpt_Free(tol);

  STRUCT_SPT_PLUS* ref = NewRecord();
  PlusSpt_InitRefSpt(ref, Ref(16), nullptr);
  EXPECT_EQ(PlusSpt_AddMassInt(ref, 300, 1), 0);
  PlusSpt_SetPairCount(ref, 17);
  EXPECT_EQ(PlusSpt_GetPairCount(ref), 16);
  PlusSpt_SetPairCount(ref, 15);
  EXPECT_EQ(PlusSpt_GetPairCount(ref), 15);
  EXPECT_EQ(PlusSpt_DeleteMassInt(ref, 15), 0);
  EXPECT_EQ(PlusSpt_DeleteMassInt(ref, 0), 1);
  EXPECT_EQ(Pairs(ref).front().first, 51);
  PlusSpt_Free(ref);
}

TEST(SpectrumPairs, CountsThatDoNotFitAreRefused) {
  STRUCT_SPT_PLUS* tic = TicRecord({{50, 1}, {51, 2}}, 4);
  PlusSpt_SetPairCount(tic, 40000);  // beyond 16 bits
  EXPECT_EQ(PlusSpt_GetPairCount(tic), 2);
  PlusSpt_SetPairCount(tic, 5);  // beyond the record's room
  EXPECT_EQ(PlusSpt_GetPairCount(tic), 2);
  PlusSpt_SetPairCount(tic, -1);
  EXPECT_EQ(PlusSpt_GetPairCount(tic), 2);
  PlusSpt_SetPairCount(tic, 4);
  EXPECT_EQ(PlusSpt_GetPairCount(tic), 4);
  PlusSpt_Free(tic);
}

TEST(SpectrumPairs, ScalingRoundsAndPrunesAndSurvivesAZeroBasePeak) {
  STRUCT_SPT_PLUS* tol = TolRecord({{40, 1}, {41, 3}, {50, 1000}, {51, 9}});
  tol->tolSpt->pairs[0].intensity = 1;
  ASSERT_EQ(PlusSpt_ScaleMassInt(tol, 500), 1);
  EXPECT_EQ(Pairs(tol), (PairList{{40, 1}, {41, 2}, {50, 500}, {51, 5}}));
  ASSERT_EQ(PlusSpt_ScaleMassInt(tol, 1), 1);  // 0.002 x: the small ones go
  EXPECT_EQ(Pairs(tol), (PairList{{50, 1}}));
  PlusSpt_Free(tol);

  STRUCT_SPT_PLUS* diff = DiffRecord({{50, 0}, {51, -3}});
  diff->basePeakMass = 50;
  diff->basePeakIntensity = 0;
  EXPECT_EQ(PlusSpt_ScaleMassInt(diff, 999), 1);  // no division by a zero base peak
  for (const auto& [m, v] : Pairs(diff)) EXPECT_TRUE(std::isfinite(v)) << m;
  PlusSpt_Free(diff);

  STRUCT_SPT_PLUS* profile = TolRecord({{40, 0}, {41, 4}}, true);
  ASSERT_EQ(PlusSpt_ScaleMassInt(profile, 2), 1);
  EXPECT_EQ(Pairs(profile), (PairList{{40, 0}, {41, 2}}));  // profile keeps its zeros
  PlusSpt_Free(profile);
}

TEST(SpectrumPairs, PruningByLevelAndSign) {
  STRUCT_SPT_PLUS* tol = TolRecord({{40, 49}, {41, 50}, {42, 1000}, {43, 51}});
  EXPECT_EQ(PlusSpt_RemovePairsBelowPercentBP(tol, 1000), 0);
  EXPECT_EQ(PlusSpt_RemovePairsBelowPercentBP(tol, 0), 0);
  EXPECT_EQ(PlusSpt_GetPairCount(tol), 4);
  EXPECT_EQ(PlusSpt_RemovePairsBelowPercentBP(tol, 50), 1);
  EXPECT_EQ(Pairs(tol), (PairList{{41, 50}, {42, 1000}, {43, 51}}));
  PlusSpt_Free(tol);

  // Negative differences are not the largest; by the unsigned comparison they stay.
  STRUCT_SPT_PLUS* signed_ = DiffRecord({{50, -3000}, {51, 40}, {52, 1000}});
  EXPECT_EQ(PlusSpt_RemovePairsBelowPercentBP(signed_, 50), 1);
  EXPECT_EQ(Pairs(signed_), (PairList{{50, -3000}, {52, 1000}}));
  PlusSpt_Free(signed_);

  STRUCT_SPT_PLUS* diff = DiffRecord({{50, 0}, {51, -3}, {52, 4}});
  PlusSpt_RemoveZeroMasses(diff);
  EXPECT_EQ(Pairs(diff), (PairList{{51, -3}, {52, 4}}));
  PlusSpt_RemoveZeroAndNegMasses(diff);
  EXPECT_EQ(Pairs(diff), (PairList{{52, 4}}));
  PlusSpt_Free(diff);
}

TEST(SpectrumPairs, RoundingToAPrecisionMergesKeepingTheLargerIntensity) {
  struct Case {
    std::vector<std::pair<double, uint32_t>> in;
    uint16_t precision;
    PairList out;
  } cases[] = {
      {{{100.04, 5}, {100.06, 7}}, 10, {{100.0, 5}, {100.1, 7}}},
      {{{100.01, 5}, {100.04, 7}}, 10, {{100.0, 7}}},
      {{{100.01, 9}, {100.04, 7}, {100.6, 1}}, 1, {{100.0, 9}, {101.0, 1}}},
  };
  for (const Case& c : cases) {
    STRUCT_SPT_PLUS* tol = TolRecord(c.in);
    tol->tolSpt->pairs[0].flag = 3;
    ASSERT_EQ(PlusSpt_RoundSptToPrecision(tol, +c.precision), 1);
    const PairList got = Pairs(tol);
    ASSERT_EQ(+got.size(), +c.out.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(+got[i].first, +c.out[i].first, 1e-9);
      EXPECT_EQ(+got[i].second, +c.out[i].second);
    }
    EXPECT_EQ(+tol->tolSpt->precision, +c.precision);
    EXPECT_EQ(+tol->tolSpt->pairs[0].flag, 0);  // rounded pairs are new pairs
    EXPECT_EQ(PlusSpt_RoundSptToPrecision(tol, 0), 0);  // no steps: refused, unchanged
    EXPECT_EQ(Pairs(tol).size(), +c.out.size());
    PlusSpt_Free(tol);
  }
  STRUCT_SPT_PLUS* tic = TicRecord({{50, 1}});
  EXPECT_EQ(PlusSpt_RoundSptToPrecision(tic, 10), 1);
  PlusSpt_Free(tic);
}

TEST(SpectrumPairs, SortingByEachKey) {
  const std::vector<std::pair<double, uint32_t>> in = {{40, 7}, {41, 3}, {42, 7}, {43, 1}};
  struct Case {
    int16_t order;
    std::vector<double> masses;
  } cases[] = {
      {0, {43, 41, 42, 40}}, {1, {40, 42, 41, 43}}, {2, {40, 41, 42, 43}}, {3, {43, 42, 41, 40}}, {7, {40, 41, 42, 43}},
  };
  for (const Case& c : cases) {
    STRUCT_SPT_PLUS* tol = TolRecord(in);
    ASSERT_EQ(PlusSpt_SortPairs(tol, +c.order), 1);
    std::vector<double> masses;
    for (const auto& p : Pairs(tol)) masses.push_back(p.first);
    EXPECT_EQ(masses, c.masses) << +c.order;
    EXPECT_EQ(PlusSpt_CheckLowMassOrder(tol), +c.order == 2 || +c.order == 7 ? 1 : 0);
    PlusSpt_Free(tol);
  }
  // Integer pairs compare intensities signed.
  STRUCT_SPT_PLUS* tic = TicRecord({{50, 0x80000000u}, {51, 5}});
  PlusSpt_SortPairs(tic, 0);
  EXPECT_EQ(Pairs(tic).front().first, 50);
  PlusSpt_Free(tic);
}

TEST(SpectrumPairs, PairsForCallersInTheOtherLayouts) {
  STRUCT_GLOBAL_PREFS prefs;
  KELT_GetCurrDefGlobalPrefs(&prefs);
  const double offset = prefs.features.massOffset;
  STRUCT_SPT_PLUS* tol = TolRecord({{91.2, 100}, {91.4, 50}, {105.6, 30}});
  tol->tolSpt->precision = 1;
  int32_t n = 0;
  int16_t mustFree = 0;
  TOL_PAIR* ints = PlusSpt_GetPointerToIntegerPairs(tol, &n, &mustFree);
  ASSERT_NE(ints, nullptr);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(mustFree, 1);
  EXPECT_EQ(+ints[0].mass, uint16_t(std::trunc(91.2 + 0.5 - offset)));
  EXPECT_EQ(+ints[2].mass, uint16_t(std::trunc(105.6 + 0.5 - offset)));
  EXPECT_GE(GetBlockSize(ints), 13 * sizeof(TOL_PAIR));
  FreeBlock(ints);

  // Another precision: through nominal masses, peaks of one mass summed.
  tol->tolSpt->precision = 10;
  ints = PlusSpt_GetPointerToIntegerPairs(tol, &n, &mustFree);
  ASSERT_NE(ints, nullptr);
  uint64_t total = 0;
  for (int32_t i = 0; i < n; ++i) total += ints[i].intensity;
  EXPECT_EQ(total, 180u);
  FreeBlock(ints);

  XTOL_PAIR* same = PlusSpt_GetPointerToXTOLPairs(tol, &n, &mustFree);
  EXPECT_EQ(same, +tol->tolSpt->pairs);
  EXPECT_EQ(mustFree, 0);

  STRUCT_SPT_PLUS* tic = TicRecord({{50, 5}, {60, 6}});
  EXPECT_EQ(PlusSpt_GetPointerToIntegerPairs(tic, &n, &mustFree), +tic->ticSpt->pairs);
  EXPECT_EQ(mustFree, 0);
  XTOL_PAIR* precise = PlusSpt_GetPointerToXTOLPairs(tic, &n, &mustFree);
  ASSERT_NE(precise, nullptr);
  EXPECT_EQ(mustFree, 1);
  EXPECT_EQ(+precise[1].mass, 60.0);
  EXPECT_EQ(+precise[1].intensity, 6u);
  EXPECT_GE(GetBlockSize(precise), 12 * sizeof(XTOL_PAIR));
  FreeBlock(precise);

  STRUCT_SPT_PLUS* far = TolRecord({{70000.2, 5}});  // beyond 16-bit nominal masses
  far->tolSpt->precision = 1;
  EXPECT_EQ(PlusSpt_GetPointerToIntegerPairs(far, &n, &mustFree), nullptr);
  PlusSpt_Free(far);
  PlusSpt_Free(tol);
  PlusSpt_Free(tic);
}
