// The spectrum record: serial numbers, Init forms, edit fields from the
// kind data, top weighted masses, deep copy and release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "spectra/tests/spectrum_test_records.h"

using namespace spttest;

TEST(SpectrumRecord, SerialNumbersCountUpAndWrapAt16Bits) {
  STRUCT_SPT_PLUS a, b;
  PlusSpt_InitListSpt(&a, nullptr);
  PlusSpt_InitListSpt(&b, nullptr);
  EXPECT_EQ(uint16_t(+a.serialNumber + 1), +b.serialNumber);
  const uint16_t next = PlusSpt_GetNextSerialId();
  for (int k = 0; k < 65535; ++k) PlusSpt_GetNextSerialId();
  EXPECT_EQ(PlusSpt_GetNextSerialId(), next);  // 65,536 numbers later: the same again
}

TEST(SpectrumRecord, CentroidRecordLosesZeroPairsAtInitProfileKeepsThem) {
  for (bool profile : {false, true}) {
    STRUCT_SPT_PLUS* spt = NewRecord();
    PlusSpt_InitTolSpt(spt, Tol({{50.1, 0}, {51.2, 300}, {52.0, 0}, {60.5, 900}, {70.0, 0}}, profile), nullptr);
    EXPECT_EQ(PlusSpt_GetPairCount(spt), profile ? 5 : 2) << profile;
    EXPECT_DOUBLE_EQ(+spt->lowMass, profile ? 50.1 : 51.2);
    EXPECT_DOUBLE_EQ(+spt->highMass, profile ? 70.0 : 60.5);
    EXPECT_DOUBLE_EQ(+spt->basePeakMass, 60.5);
    EXPECT_DOUBLE_EQ(+spt->basePeakIntensity, 900);
    EXPECT_EQ(+spt->topWeightedCount, 2);
    EXPECT_EQ(+spt->topWeightedCapacity, 16);
    PlusSpt_Free(spt);
  }
}

TEST(SpectrumRecord, NistLibraryNameIsTheChosenLineAfterItsLastBackslash) {
  struct Case {
    const char* list;
    int16_t index;
    const char* name;
  } cases[] = {
      {"C:\\Libs\\MAIN\rD:\\More\\USER", 1, "USER"},
      {"C:\\Libs\\MAIN\rD:\\More\\USER", -3, "MAIN"},
      {"PLAIN\rD:\\More\\USER", 0, "PLAIN"},
      {"C:\\Libs\\MAIN\rD:\\More\\USER", 7, "USER"},  // past the last line: the last line
      {"", 0, ""},
  };
  for (const Case& c : cases) {
    auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT)));
    std::memset(nist->libraryName, 'x', sizeof nist->libraryName);
    STRUCT_SPT_PLUS spt;
    PlusSpt_InitNISTSpt(&spt, nist, c.index, c.list);
    EXPECT_STREQ(+nist->libraryName, +c.name) << +c.list << " " << +c.index;
    FreeBlock(nist);
  }
  // A name longer than the field is cut, never written past it.
  std::string longList = "C:\\" + std::string(600, 'L');
  auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT)));
  STRUCT_SPT_PLUS spt;
  PlusSpt_InitNISTSpt(&spt, nist, 0, longList.c_str());
  EXPECT_EQ(std::strlen(+nist->libraryName), size_t(NIST_LIBRARY_NAME_SIZE - 1));
  FreeBlock(nist);
}

TEST(SpectrumRecord, EditFieldsComeFromTheKindData) {
  auto* list = static_cast<STRUCT_LIST_SPT*>(AllocBlock(sizeof(STRUCT_LIST_SPT) + 2 * sizeof(XTOL_PAIR)));
  std::strcpy(list->name, "Toluene");
  std::strcpy(list->comment, "from the user list");
  std::strcpy(list->formula, "C7H8");
  list->molecularWeight = 92;
  list->casNumber = 108883;
  list->lowMass = 40;
  list->highMass = 200;
  list->pairCount = 2;
  list->pairs[0] = XTOL_PAIR{91.0, 999, 0};
  list->pairs[1] = XTOL_PAIR{92.0, 600, 0};
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitListSpt(spt, list);
  EXPECT_STREQ(+spt->name, "Toluene");
  EXPECT_STREQ(+spt->comment, "from the user list");
  EXPECT_STREQ(+spt->formula, "C7H8");
  EXPECT_EQ(+spt->molecularWeight, 92);
  EXPECT_EQ(+spt->casNumber, 108883u);
  EXPECT_DOUBLE_EQ(+spt->lowMass, 40);
  EXPECT_DOUBLE_EQ(+spt->highMass, 200);
  EXPECT_DOUBLE_EQ(+spt->basePeakMass, 91.0);
  PlusSpt_Free(spt);

  auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT) + sizeof(NIST_PAIR)));
  nist->aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  std::strcpy(nist->aux->name, "Benzene");
  std::strcpy(nist->aux->formula, "C6H6");
  nist->aux->ids[3] = 71432;
  nist->aux->ids[5] = 0xABCD004E;  // the low half is the weight
  nist->pairCount = 2;
  nist->pairs[0] = NIST_PAIR{51, 200};
  nist->pairs[1] = NIST_PAIR{78, 999};
  spt = NewRecord();
  PlusSpt_InitNISTSpt(spt, nist, 0, "MAINLIB");
  EXPECT_STREQ(+spt->name, "Benzene");
  EXPECT_STREQ(+spt->formula, "C6H6");
  EXPECT_EQ(+spt->casNumber, 71432u);
  EXPECT_EQ(+spt->molecularWeight, 78);
  EXPECT_DOUBLE_EQ(+spt->lowMass, 51);
  EXPECT_DOUBLE_EQ(+spt->highMass, 78);
  PlusSpt_Free(spt);
}

TEST(SpectrumRecord, TopWeightedMassesRankBySquareRootOfIntensityTimesMass) {
  // Ten pairs of equal weight (I x m = 3600) keep their stored order.
  std::vector<std::pair<double, uint32_t>> ties;
  for (int k = 1; k <= 10; ++k) ties.emplace_back(10.0 * k, 3600 / (10 * k) * 1);
  std::vector<std::pair<double, uint32_t>> equal = {{10, 360}, {20, 180}, {30, 120}, {40, 90}, {60, 60},
                                                     {72, 50}, {90, 40}, {120, 30}, {180, 20}, {360, 10}};
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitTolSpt(spt, Tol(equal), nullptr);
  ASSERT_EQ(+spt->topWeightedCount, 10);
  for (int k = 0; k < 10; ++k) EXPECT_DOUBLE_EQ(+spt->topWeightedMasses[k], equal[size_t(k)].first);
  for (int k = 10; k < 16; ++k) EXPECT_EQ(+spt->topWeightedMasses[k], 0.0);
  PlusSpt_Free(spt);

  // Twenty positive pairs (and a zero one) keep the sixteen heaviest, largest first.
  std::vector<std::pair<double, uint32_t>> pairs;
  for (int k = 0; k < 20; ++k) pairs.emplace_back(40.3 + 7.1 * k, uint32_t(((k * 7919) % 97 + 1) * 11));
  pairs.emplace_back(300.0, 0);
  spt = NewRecord();
  PlusSpt_InitTolSpt(spt, Tol(pairs, true), nullptr);
  std::vector<std::pair<double, double>> byWeight;
  for (const auto& [m, i] : pairs)
    if (i > 0) byWeight.emplace_back(-std::sqrt(m * i), m);
  std::stable_sort(byWeight.begin(), byWeight.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  ASSERT_EQ(+spt->topWeightedCount, 16);
  for (int k = 0; k < 16; ++k) EXPECT_DOUBLE_EQ(+spt->topWeightedMasses[k], byWeight[size_t(k)].second) << k;
  PlusSpt_Free(spt);
}

TEST(SpectrumRecord, CopyOfAKindZeroRecordWithBackgroundIsIndependent) {
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitTolSpt(spt, Tol({{50.0, 10}, {91.0, 99}}), nullptr);
  spt->background = Tol({{50.0, 3}});
  spt->attachments[1] = static_cast<uint32_t*>(AllocBlock(SPT_ATTACHMENT_WORDS * 4));
  spt->attachments[1][7] = 77;
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(spt);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(+copy->serialNumber, +spt->serialNumber);
  EXPECT_NE(+copy->tolSpt, +spt->tolSpt);
  EXPECT_NE(+copy->background, +spt->background);
  EXPECT_NE(+copy->attachments[1], +spt->attachments[1]);
  EXPECT_EQ(+copy->attachments[1][7], 77u);
  EXPECT_EQ(+copy->attachments[0], nullptr);
  EXPECT_EQ(Pairs(copy), Pairs(spt));
  copy->tolSpt->pairs[0].intensity = 5;
  PlusSpt_Free(copy);
  EXPECT_EQ(+spt->tolSpt->pairs[0].intensity, 10u);
  EXPECT_EQ(+spt->background->pairs[0].intensity, 3u);
  PlusSpt_Free(spt);
  PlusSpt_Free(nullptr);
}

TEST(SpectrumRecord, CopyOfANistRecordDuplicatesItsAuxiliaryDataAndStructure) {
  auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT)));
  nist->aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  nist->aux->text = static_cast<char*>(AllocBlock(6));
  std::strcpy(nist->aux->text, "notes");
  nist->aux->textSize = 6;
  nist->aux->valueCount = 3;
  nist->aux->values = static_cast<uint32_t*>(AllocBlock(12));
  nist->aux->values[2] = 42;
  nist->chemStruct = static_cast<uint8_t*>(AllocBlock(NIST_CHEM_STRUCT_SIZE));
  nist->chemStruct[100] = 9;
  nist->pairCount = 1;
  nist->pairs[0] = NIST_PAIR{78, 999};
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitNISTSpt(spt, nist, 0, "LIB");
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(spt);
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(+copy->nistSpt, nist);
  ASSERT_NE(+copy->nistSpt->aux, +nist->aux);
  EXPECT_STREQ(+copy->nistSpt->aux->text, "notes");
  EXPECT_NE(+copy->nistSpt->aux->text, +nist->aux->text);
  EXPECT_EQ(+copy->nistSpt->aux->values[2], 42u);
  EXPECT_EQ(+copy->nistSpt->chemStruct[100], 9);
  EXPECT_NE(+copy->nistSpt->chemStruct, +nist->chemStruct);
  PlusSpt_Free(copy);
  PlusSpt_Free(spt);  // the sanitizer catches a double or a missed release
}

TEST(SpectrumRecord, CopyAndFreeOfTheOtherKinds) {
  auto* list = static_cast<STRUCT_LIST_SPT*>(AllocBlock(sizeof(STRUCT_LIST_SPT)));
  list->attached = static_cast<uint8_t*>(AllocBlock(32));
  list->attachedSize = 32;
  list->attached[31] = 0x5A;
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitListSpt(spt, list);
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(spt);
  ASSERT_NE(copy, nullptr);
  // The copy keeps the attached block in a block of its own.
  ASSERT_NE(+copy->listSpt->attached, nullptr);
  EXPECT_NE(+copy->listSpt->attached, +list->attached);
  EXPECT_EQ(+copy->listSpt->attachedSize, 32u);
  EXPECT_EQ(+copy->listSpt->attached[31], 0x5A);
  PlusSpt_Free(copy);
  EXPECT_EQ(GetBlockSize(+list->attached), 32u);
  PlusSpt_Free(spt);

  STRUCT_SPT_PLUS* ref = NewRecord();
  PlusSpt_InitRefSpt(ref, Ref(4), "C:\\Data\\run.kms");
  EXPECT_STREQ(+ref->refSpt->dataFilePath, "C:\\Data\\run.kms");
  STRUCT_SPT_PLUS* refCopy = PlusSpt_Copy(ref);
  ASSERT_NE(refCopy, nullptr);
  EXPECT_EQ(Pairs(refCopy), Pairs(ref));
  PlusSpt_Free(refCopy);
  PlusSpt_Free(ref);

  STRUCT_SPT_PLUS* tic = NewRecord();
  PlusSpt_InitTicSpt(tic, Tic({{50, 5}, {51, 6}, {52, 7}}));
  STRUCT_SPT_PLUS* ticCopy = PlusSpt_Copy(tic);
  ASSERT_NE(ticCopy, nullptr);
  EXPECT_EQ(GetBlockSize(+ticCopy->ticSpt), uint32_t(2 * 6 + 725));
  EXPECT_EQ(Pairs(ticCopy), Pairs(tic));
  PlusSpt_Free(ticCopy);
  PlusSpt_Free(tic);
}
