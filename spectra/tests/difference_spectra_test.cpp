// Differences of two spectra, difference list entries, kind copies and
// TIC spectra from processed results.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/tests/startup_root_fixture.h"
#include "fixtures/msfixtures.h"
#include "spectra/other_spectra.h"
#include "spectra/tests/spectrum_test_records.h"

using namespace spttest;

namespace {

using Pairs2 = std::vector<std::pair<double, double>>;

STRUCT_SPT_PLUS* RefSpt(const std::vector<std::pair<uint16_t, uint32_t>>& pairs, const char* path = "C:\\D\\R.KMS") {
  auto* ref = static_cast<STRUCT_REF_SPT*>(AllocBlock(sizeof(STRUCT_REF_SPT)));
  ref->pairCount = int16_t(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) ref->pairs[i] = TOL_PAIR{pairs[i].first, pairs[i].second};
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitRefSpt(spt, ref, path);
  return spt;
}

STRUCT_SPT_PLUS* MsSpt(const std::vector<std::pair<double, uint32_t>>& pairs, uint16_t precision, double width,
                       bool profile = false, const char* path = "C:\\DATA\\RUN1.KMS") {
  STRUCT_TOL_SPT* tol = Tol(pairs, profile);
  tol->precision = precision;
  tol->precisionKnown = 1;
  tol->scanFunIndex = 1;
  tol->segment.functions[1].massWidth = width;
  std::snprintf(tol->dataFilePath, SPT_PATH_SIZE, "%s", path);
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitTolSpt(spt, tol, nullptr);
  return spt;
}

Pairs2 DiffPairs(const STRUCT_DIFF_SPT* d) {
  Pairs2 out;
  for (uint32_t i = 0; i < d->pairCount; ++i) out.emplace_back(d->pairs[i].mass, d->pairs[i].intensity);
  return out;
}

}  // namespace

TEST(DifferenceSpectra, WorkedExamplesOfIntegerPairs) {
  struct Case {
    const char* what;
    std::vector<std::pair<uint16_t, uint32_t>> a, b;
    int16_t mode;
    Pairs2 want;
  } cases[] = {
      {"mode 0", {{50, 100}, {51, 40}}, {{50, 30}, {52, 10}}, 0, {{50, 70}, {51, 40}, {52, -10}}},
      {"itself", {{50, 100}, {51, 40}}, {{50, 100}, {51, 40}}, 0, {}},
      // 500 and 1000 both become 999: a's 250 -> 500, b's 100 -> 100.
      {"mode 2", {{50, 500}, {51, 250}}, {{50, 1000}, {52, 100}}, 2, {{51, 500}, {52, -100}}},
      {"unsorted b", {{60, 10}}, {{55, 5}, {40, 7}}, 0, {{40, -7}, {55, -5}, {60, 10}}},
  };
  for (const Case& c : cases) {
    STRUCT_SPT_PLUS* a = RefSpt(c.a);
    STRUCT_SPT_PLUS* b = RefSpt(c.b);
    ASSERT_TRUE(DIFF_OkToMakeSpectrum(a, b)) << c.what;
    STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(a, b, c.mode);
    ASSERT_NE(d, nullptr) << c.what;
    EXPECT_EQ(DiffPairs(d), c.want) << c.what;
    EXPECT_EQ(+d->mode, uint16_t(c.mode)) << c.what;
    EXPECT_EQ(+d->profile, 0) << c.what;
    // The sources are untouched.
    EXPECT_EQ(PlusSpt_GetPairCount(a), int32_t(c.a.size())) << c.what;
    EXPECT_EQ(+a->refSpt->pairs[0].intensity, c.a[0].second) << c.what;
    DIFF_Free(d);
    PlusSpt_Free(a);
    PlusSpt_Free(b);
  }
}

TEST(DifferenceSpectra, PreciseMassesMeetOnTheCoarserGridAndInsideHalfTheWidth) {
  // a has 100 steps per unit, b 10: a is rounded to tenths. The wider scan
  // function (0.5) gives a window of 0.25 since 1/0.5 < 10.
  STRUCT_SPT_PLUS* a = MsSpt({{100.013, 1000}, {101.04, 500}}, 100, 0.3);
  STRUCT_SPT_PLUS* b = MsSpt({{100.1, 300}, {100.2, 400}, {102.0, 50}}, 10, 0.5);
  STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(a, b, 0);
  ASSERT_NE(d, nullptr);
  // 100.1 matches 100.0 and 100.2 folds into it: 1000 - max(300, 400).
  const Pairs2 got = DiffPairs(d);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_NEAR(got[0].first, 100.0, 1e-9);
  EXPECT_EQ(got[0].second, 600);
  EXPECT_NEAR(got[1].first, 101.0, 1e-9);
  EXPECT_EQ(got[1].second, 500);
  EXPECT_NEAR(got[2].first, 102.0, 1e-9);
  EXPECT_EQ(got[2].second, -50);
  DIFF_Free(d);
  // Without a window (narrow peaks) only exact masses match.
  PlusSpt_Free(a);
  PlusSpt_Free(b);
  a = MsSpt({{100.013, 1000}, {101.04, 500}}, 100, 0.01);
  b = MsSpt({{100.1, 300}}, 10, 0.01);
  d = DIFF_MakeSpectrum(a, b, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(+d->pairCount, 3u);
  DIFF_Free(d);
  PlusSpt_Free(a);
  PlusSpt_Free(b);
}

TEST(DifferenceSpectra, ProfileSpectraOnlyFromTheSameFile) {
  struct Case {
    bool pa, pb;
    const char *fa, *fb;
    int32_t ok;
    bool made;
  } cases[] = {
      {true, true, "C:\\DATA\\RUN1.KMS", "c:\\data\\run1.kms", 1, true},
      {true, true, "C:\\DATA\\RUN1.KMS", "C:\\DATA\\RUN2.KMS", 0, true},
      {true, false, "C:\\DATA\\RUN1.KMS", "C:\\DATA\\RUN1.KMS", 0, false},
      {false, false, "C:\\DATA\\RUN1.KMS", "C:\\DATA\\RUN2.KMS", 1, true},
  };
  for (const Case& c : cases) {
    STRUCT_SPT_PLUS* a = MsSpt({{50.0, 10}, {51.0, 20}}, 10, 0.01, c.pa, c.fa);
    STRUCT_SPT_PLUS* b = MsSpt({{50.0, 5}}, 10, 0.01, c.pb, c.fb);
    EXPECT_EQ(DIFF_OkToMakeSpectrum(a, b), c.ok) << c.fb;
    STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(a, b, 0);
    EXPECT_EQ(d != nullptr, c.made) << c.fb;
    if (d) {
      EXPECT_EQ(+d->profile, c.pa ? 1 : 0);
    }
    DIFF_Free(d);
    PlusSpt_Free(a);
    PlusSpt_Free(b);
  }
  STRUCT_SPT_PLUS* a = RefSpt({{50, 1}});
  STRUCT_SPT_PLUS* empty = RefSpt({});
  EXPECT_EQ(DIFF_OkToMakeSpectrum(a, empty), 0);
  PlusSpt_Free(a);
  PlusSpt_Free(empty);
}

TEST(DifferenceSpectra, AddingGrowsBy320BytesAndKeepsEveryPair) {
  STRUCT_DIFF_SPT* d = Diff({});
  const uint32_t first = GetBlockSize(d);
  for (int i = 0; i < 50; ++i) {
    d = DIFF_AddToSpectrum(d, 100.0 - i, -i);
    ASSERT_NE(d, nullptr);
  }
  ASSERT_EQ(+d->pairCount, 50u);
  EXPECT_EQ((GetBlockSize(d) - first) % 320, 0u);
  EXPECT_GE(GetBlockSize(d), offsetof(STRUCT_DIFF_SPT, pairs) + 50 * sizeof(DIFF_PAIR));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(+d->pairs[i].mass, 100.0 - i);  // appended, not ordered
  EXPECT_EQ(DIFF_AddToSpectrum(nullptr, 1, 1), nullptr);
  DIFF_Free(d);
}

TEST(DifferenceSpectra, DifferenceBecomesAListEntryScaledTo999) {
  STRUCT_SPT_PLUS* a = RefSpt({{50, 100}, {51, 40}});
  STRUCT_SPT_PLUS* b = RefSpt({{50, 30}, {52, 10}});
  std::strcpy(a->name, "Toluene");
  std::strcpy(b->name, "Blank");
  STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(a, b, 0);
  ASSERT_NE(d, nullptr);
  STRUCT_SPT_PLUS* l = PlusSpt_MakeSpectrumFromDifference(a, b, d);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(+l->kind, SPT_KIND_LIST);
  EXPECT_NE(+l->serialNumber, +a->serialNumber);
  ASSERT_EQ(+l->listSpt->pairCount, 2u);  // the negative pair is left out
  EXPECT_EQ(+l->listSpt->pairs[0].intensity, 999u);
  EXPECT_EQ(+l->listSpt->pairs[1].intensity, 571u);  // trunc(40 x 999 / 70 + 0.5)
  EXPECT_EQ(+l->listSpt->lowMass, 50.0);
  EXPECT_EQ(+l->listSpt->highMass, 51.0);
  EXPECT_EQ(+l->basePeakMass, 50.0);
  EXPECT_EQ(+l->listSpt->sourceTitles, 1);
  EXPECT_EQ(+l->listSpt->generation, 1);
  EXPECT_STREQ(l->listSpt->name, "Spt A: Toluene,  Spt B: Blank");

  // A difference of a difference counts one generation more; a list
  // source with split titles gives its own part.
  STRUCT_DIFF_SPT* d2 = DIFF_MakeSpectrum(l, b, 0);
  ASSERT_NE(d2, nullptr);
  STRUCT_SPT_PLUS* l2 = PlusSpt_MakeSpectrumFromDifference(l, a, d2);
  ASSERT_NE(l2, nullptr);
  EXPECT_EQ(+l2->listSpt->generation, 2);
  EXPECT_STREQ(l2->listSpt->name, "Spt A: Toluene,  Spt B: Toluene");

  // Profile differences are not turned into entries.
  d->profile = 1;
  EXPECT_EQ(PlusSpt_MakeSpectrumFromDifference(a, b, d), nullptr);
  DIFF_Free(d);
  DIFF_Free(d2);
  PlusSpt_Free(l);
  PlusSpt_Free(l2);
  PlusSpt_Free(a);
  PlusSpt_Free(b);
}

TEST(DifferenceSpectra, ListEntryNameIsCutToItsField) {
  STRUCT_SPT_PLUS* a = RefSpt({{50, 100}});
  STRUCT_SPT_PLUS* b = RefSpt({{51, 30}});
  std::memset(a->name, 'A', 250);
  std::memset(b->name, 'B', 250);
  STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(a, b, 0);
  STRUCT_SPT_PLUS* l = PlusSpt_MakeSpectrumFromDifference(a, b, d);
  ASSERT_NE(l, nullptr);
  // 7 + 200 + 3 + 7 + 200 characters would be 417; the field keeps 299.
  const std::string name = l->listSpt->name;
  EXPECT_EQ(name.size(), 299u);
  EXPECT_EQ(name.substr(0, 7), "Spt A: ");
  EXPECT_EQ(name.substr(207, 10), ",  Spt B: ");
  EXPECT_EQ(std::string(l->name).size(), 299u);
  DIFF_Free(d);
  PlusSpt_Free(l);
  PlusSpt_Free(a);
  PlusSpt_Free(b);
}

TEST(KindCopies, ListCopyKeepsItsAttachedBlockAndNistCopyIsDeep) {
  STRUCT_LIST_SPT* list = NewListEntry(3);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetBlockSize(list), ListEntryBytes(3));
  list->pairCount = 1;
  list->attached = static_cast<uint8_t*>(AllocBlock(40));
  list->attachedSize = 40;
  std::memset(list->attached, 0x33, 40);
  STRUCT_LIST_SPT* copy = LIST_CopySpectrum(list);
  ASSERT_NE(copy, nullptr);
  // What the entry carries is not lost on the copy: its own block, equal.
  ASSERT_TRUE(copy->attached != nullptr);
  EXPECT_TRUE(copy->attached != list->attached);
  EXPECT_EQ(+copy->attachedSize, 40u);
  EXPECT_EQ(std::memcmp(copy->attached, list->attached, 40), 0);
  LIST_Free(copy);
  EXPECT_EQ(GetBlockSize(list->attached), 40u);  // the source's block survives
  // A record claiming more than its block holds copies only the block.
  list->attachedSize = 4000;
  copy = LIST_CopySpectrum(list);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(+copy->attachedSize, 40u);
  LIST_Free(copy);
  list->attachedSize = 40;
  LIST_Free(list);

  auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT) + 5 * sizeof(NIST_PAIR)));
  nist->pairCount = 2;
  nist->aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  nist->aux->text = static_cast<char*>(AllocBlock(6));
  std::strcpy(nist->aux->text, "hello");
  nist->aux->textSize = 6;
  nist->aux->valueCount = 3;
  nist->aux->values = static_cast<uint32_t*>(AllocBlock(12));
  nist->aux->values[2] = 77;
  nist->chemStruct = static_cast<uint8_t*>(AllocBlock(NIST_CHEM_STRUCT_SIZE));
  nist->chemStruct[NIST_CHEM_STRUCT_SIZE - 1] = 9;
  STRUCT_NIST_SPT* n2 = NIST_CopySpectrum(nist);
  ASSERT_NE(n2, nullptr);
  EXPECT_EQ(GetBlockSize(n2), GetBlockSize(nist));
  ASSERT_TRUE(n2->aux != nist->aux);
  EXPECT_STREQ(n2->aux->text, "hello");
  EXPECT_TRUE(n2->aux->text != nist->aux->text);
  EXPECT_EQ(+n2->aux->values[2], 77u);
  EXPECT_TRUE(n2->chemStruct != nist->chemStruct);
  EXPECT_EQ(+n2->chemStruct[NIST_CHEM_STRUCT_SIZE - 1], 9);
  NIST_Free(n2);
  NIST_Free(nist);

  STRUCT_TIC_SPT* tic = Tic({{50, 1}, {51, 2}, {52, 3}});
  STRUCT_TIC_SPT* t2 = TIC_CopySpectrum(tic);
  ASSERT_NE(t2, nullptr);
  EXPECT_EQ(GetBlockSize(t2), 725u + 2 * 6);
  TIC_Free(t2);
  TIC_Free(tic);
  STRUCT_REF_EX_SPT refEx{};
  STRUCT_REF_EX_SPT* r2 = REF_EX_CopySpectrum(&refEx);
  EXPECT_EQ(GetBlockSize(r2), 1370u);
  REF_EX_Free(r2);
}

using TicSpectra = StartupRootTest;

TEST_F(TicSpectra, LibraryHitsOfAnUnknownPeak) {
  Attach();
  std::filesystem::create_directories(Host("C:\\Data"));
  msfix::DHPlan plan;
  plan.unknowns = 1;
  msfix::DHTruth truth;
  const char* data = "C:\\Data\\PROC01.KMS";
  ASSERT_TRUE(msfix::WriteProcessedDataFile(data, "C:\\Data\\PROC01.MTH", plan, &truth));
  const uint16_t step = uint16_t(truth.compounds.size());
  for (int16_t hit = 0; hit < 3; ++hit) {
    STRUCT_SPT_PLUS* spt = TIC_ReadSpectrum(data, step, hit);
    ASSERT_NE(spt, nullptr) << hit;
    EXPECT_EQ(+spt->kind, SPT_KIND_TIC);
    if (hit == 0) {
      EXPECT_STREQ(spt->name, truth.unknowns[0].name.c_str());
    }
    EXPECT_EQ(+spt->ticSpt->entryNumber, int32_t(1000 + hit));
    EXPECT_STREQ(spt->ticSpt->dataFile, "C:\\LIBRARY\\MAINLIB.MSP");
    ASSERT_GT(PlusSpt_GetPairCount(spt), 0);
    EXPECT_EQ(+spt->basePeakIntensity, 999);  // the hit's ions are scaled to 999
    EXPECT_EQ(GetBlockSize(spt->ticSpt), 725u + 6u * uint32_t(PlusSpt_GetPairCount(spt) - 1));
    PlusSpt_Free(spt);
  }
  EXPECT_EQ(TIC_ReadSpectrum(data, step, 3), nullptr);  // three hits only
  EXPECT_EQ(TIC_ReadSpectrum(data, 0, 0), nullptr);     // an identified compound has none
  EXPECT_EQ(TIC_ReadSpectrum("C:\\Data\\NONE.KMS", step, 0), nullptr);
}
