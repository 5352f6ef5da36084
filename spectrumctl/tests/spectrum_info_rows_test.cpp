// Information rows of library and list entries: contributor, import,
// estimates, NIST number, databases, replicates and synonyms; the module
// of MS data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fandor/library_entry_details.h"
#include "orvik32/orvik32.h"
#include "spectrumctl/spectrum_info_windows.h"
#include "spectrumctl/tests/spectrum_fixture.h"

namespace {

using kelt::sptinfo::InfoRows;
using kelt::sptinfo::Row;

// A NIST entry of benzene with the library's details.
sptfix::Spt Nist(const NIST_ENTRY_DETAILS& details) {
  auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT) + 2 * sizeof(NIST_PAIR)));
  nist->aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  std::strcpy(nist->aux->name, "Benzene");
  nist->aux->block = static_cast<uint8_t*>(AllocBlock(sizeof details));
  std::memcpy(nist->aux->block, &details, sizeof details);
  nist->aux->blockSize = sizeof details;
  nist->pairCount = 3;
  nist->pairs[0] = NIST_PAIR{51, 200};
  nist->pairs[1] = NIST_PAIR{77, 180};
  nist->pairs[2] = NIST_PAIR{78, 999};
  sptfix::Spt s = sptfix::NewRecord();
  PlusSpt_InitNISTSpt(s.get(), nist, 0, "MAINLIB");
  return s;
}

sptfix::Spt List(const LIST_ENTRY_DETAILS& details) {
  STRUCT_LIST_SPT* list = NewListEntry(2);
  list->details = details;
  list->entryNumber = 4;
  std::strcpy(list->listPath, "C:\\Lists\\user.msp");
  list->pairCount = 2;
  list->pairs[0] = XTOL_PAIR{91.05, 999, 0};
  list->pairs[1] = XTOL_PAIR{92.06, 610, 0};
  sptfix::Spt s = sptfix::NewRecord();
  PlusSpt_InitListSpt(s.get(), list);
  return s;
}

// The rows from the first with the label to the end of its block (rows
// labelled "" that follow).
std::vector<Row> Block(const std::vector<Row>& rows, const std::string& label) {
  std::vector<Row> out;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].label == label) {
      out.push_back(rows[i]);
      for (size_t j = i + 1; j < rows.size() && rows[j].label.empty(); ++j) out.push_back(rows[j]);
      break;
    }
  return out;
}

NIST_ENTRY_DETAILS BenzeneDetails() {
  NIST_ENTRY_DETAILS d{};
  std::strcpy(d.contributor, "NIST Mass Spectrometry Data Center");
  d.nistNumber = 228;
  d.databases = 0x1 | 0x8 | 0x100;  // Fine, EPA, IR
  d.estimatesPresent = 1;
  ENTRY_ESTIMATES& e = d.estimates;
  e.weightsPresent = 1;
  const int32_t weights[5] = {78, 92, 106, 52, 120};
  const int16_t probs[5] = {874, 65, 44, 5, 12};  // 87.4 -> 87, 6.5 -> 7, 4.4 -> 4, 0.5 -> 1, 1.2 -> 1
  for (int i = 0; i < 5; ++i) e.weights[i] = weights[i], e.weightProbabilities[i] = probs[i];
  e.halogensPresent = 1;
  e.chlorine = 0;
  e.bromine = 1;
  const int16_t halogen[4] = {905, 95, 44, 45};
  std::memcpy(e.halogenProbabilities, halogen, sizeof halogen);
  e.warningCount = 2;
  std::strcpy(e.warnings[0], "Spectrum may be of a mixture");
  std::strcpy(e.warnings[1], "Low abundance ions missing");
  d.replicateCount = 2;
  d.replicates[0] = ENTRY_REPLICATE{12877, "REPLIB"};
  d.replicates[1] = ENTRY_REPLICATE{12878, "REPLIB"};
  d.synonymCount = 1;
  std::strcpy(d.synonyms[0], "Cyclohexatriene");
  return d;
}

TEST(SpectraInfoLibraryRows, ANistEntryShowsItsDetails) {
  sptfix::Spt nist = Nist(BenzeneDetails());
  const auto rows = InfoRows(nist.get(), nullptr);
  EXPECT_EQ(Block(rows, "Contributor").at(0).a, "NIST Mass Spectrometry Data Center");
  const auto weights = Block(rows, "Molecular Weight Estimates");
  ASSERT_EQ(weights.size(), 5u);
  EXPECT_EQ(weights[0].a, "MW = 78     probability: 87%");
  EXPECT_EQ(weights[1].a, "MW = 92     probability:  7%");
  EXPECT_EQ(weights[3].a, "MW = 52     probability:  1%");  // 0.5 rounds up
  EXPECT_EQ(Block(rows, "Cl Br Estimates").at(0).a, "Cl = 0    Br = 1");
  EXPECT_EQ(Block(rows, "Probability Cl and Br are correct").at(0).a, "91%");
  EXPECT_EQ(Block(rows, "Probability compound has Cl").at(0).a, "4%");
  EXPECT_EQ(Block(rows, "Probability compound has Br").at(0).a, "5%");
  const auto warnings = Block(rows, "Warnings");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[1].a, "Low abundance ions missing");
  EXPECT_TRUE(Block(rows, "Error").empty());
  EXPECT_EQ(Block(rows, "NIST No.").at(0).a, "228");
  const auto databases = Block(rows, "Other Databases");
  ASSERT_EQ(databases.size(), 3u);
  EXPECT_EQ(databases[0].a, " 1.   Fine");
  EXPECT_EQ(databases[1].a, " 2.   EPA");
  EXPECT_EQ(databases[2].a, " 3.   IR");
  const auto replicates = Block(rows, "Replicates");
  ASSERT_EQ(replicates.size(), 2u);
  EXPECT_EQ(replicates[1].a, " 2.  12878 in REPLIB");
  EXPECT_EQ(Block(rows, "Synonyms").at(0).a, " 1.  Cyclohexatriene");
  EXPECT_EQ(KELT_CountSpectraInfoRows(nist.get(), nullptr), static_cast<int16_t>(rows.size()));
}

TEST(SpectraInfoLibraryRows, TwoEntriesShareBlocksAndNumberTheirDatabasesTogether) {
  NIST_ENTRY_DETAILS other = BenzeneDetails();
  other.databases = 0x2;  // TSCA
  other.estimates.warningCount = 1;
  std::strcpy(other.estimates.error, "Too few peaks");
  other.estimates.weightsPresent = 0;
  other.replicateCount = 3;
  other.replicates[2] = ENTRY_REPLICATE{5, "MAINLIB"};
  sptfix::Spt a = Nist(BenzeneDetails()), b = Nist(other);
  const auto rows = InfoRows(a.get(), b.get());
  const auto databases = Block(rows, "Other Databases");
  ASSERT_EQ(databases.size(), 3u);
  EXPECT_EQ(databases[0].a, " 1.   Fine");
  EXPECT_EQ(databases[0].b, " 2.   TSCA");
  EXPECT_EQ(databases[1].a, " 3.   EPA");
  EXPECT_EQ(databases[1].b, "");
  EXPECT_EQ(databases[2].a, " 4.   IR");
  // The larger warning count labels the block.
  EXPECT_EQ(Block(rows, "Warnings").size(), 2u);
  EXPECT_EQ(Block(rows, "Warnings")[1].b, "");
  EXPECT_EQ(Block(rows, "Error").at(0).b, "Too few peaks");
  EXPECT_EQ(Block(rows, "Error").at(0).a, "");
  EXPECT_EQ(Block(rows, "Molecular Weight Estimates").at(0).b, "");
  EXPECT_EQ(Block(rows, "Replicates").size(), 3u);
  EXPECT_EQ(Block(rows, "Replicates")[2].b, " 3.  5 in MAINLIB");
  EXPECT_EQ(Block(rows, "Replicates")[2].a, "");
  EXPECT_EQ(KELT_CountSpectraInfoRows(a.get(), b.get()), static_cast<int16_t>(rows.size()));
}

TEST(SpectraInfoLibraryRows, AListEntryShowsItsImportItemsOnlyWhereItHasThem) {
  LIST_ENTRY_DETAILS d{};
  std::strcpy(d.contributor, "Lab 3");
  std::strcpy(d.scanFunctionText, "Full scan 50-550");
  d.importItems = LIST_IMPORT_DATE | LIST_IMPORT_RETENTION_TIME | LIST_IMPORT_SCAN_RANGE | LIST_IMPORT_TIME_RANGE |
                  LIST_IMPORT_BASELINE;
  std::strcpy(d.importDate, "12/03/2026");
  d.retentionTime = 7.06341;
  d.firstScan = 412;
  d.lastScan = 412;
  d.firstTime = 7.05;
  d.lastTime = 7.075;
  d.baselineCorrected = 1;
  sptfix::Spt list = List(d);
  const auto rows = InfoRows(list.get(), nullptr);
  struct Case {
    const char* label;
    const char* value;  // null: no such row
  };
  const Case cases[] = {
      {"Contributor", "Lab 3"},         {"Scan Function", "Full scan 50-550"}, {"Import Date:", "12/03/2026"},
      {"Data File:", nullptr},          {"Max RIC:", nullptr},                 {"Retention Time:", "7.063 min."},
      {"Scan Range:", "412"},           {"Time Range:", "7.050 - 7.075 min."}, {"Baseline Correction:", "Yes"},
      {"NIST No.", nullptr},            {"Other Databases", nullptr},
  };
  for (const Case& k : cases) {
    const auto block = Block(rows, k.label);
    if (!k.value) {
      EXPECT_TRUE(block.empty()) << k.label;
    } else {
      ASSERT_FALSE(block.empty()) << k.label;
      EXPECT_EQ(block[0].a, k.value) << k.label;
    }
  }
  // A scan range with an unknown end is no row; beside an MS spectrum the
  // list's cells stand alone.
  d.lastScan = 0;
  sptfix::Spt partial = List(d);
  sptfix::Spt ms = sptfix::Precise(sptfix::MessyCentroid(80, 10, 50, 200), false);
  const auto two = InfoRows(ms.get(), partial.get());
  EXPECT_TRUE(Block(two, "Scan Range:").empty());
  EXPECT_EQ(Block(two, "Import Date:").at(0).a, "");
  EXPECT_EQ(Block(two, "Import Date:").at(0).b, "12/03/2026");
  EXPECT_EQ(KELT_CountSpectraInfoRows(ms.get(), partial.get()), static_cast<int16_t>(two.size()));
}

TEST(SpectraInfoLibraryRows, TheSpectrumRowNamesTheModuleOfMsData) {
  sptfix::Spt ms = sptfix::Precise(sptfix::MessyCentroid(81, 10, 50, 200), false);
  struct Case {
    uint16_t module;
    const char* text;
  };
  const Case cases[] = {{2, "Quadrupole MS Data File"}, {1, "Ion Trap MS Data File"}, {77, "Module #77 MS Data File"}};
  for (const Case& k : cases) {
    ms->tolSpt->fileBlock.module = k.module;
    EXPECT_EQ(InfoRows(ms.get(), nullptr).at(0).a, k.text);
  }
}

// Fields of packed records may lie at odd addresses: written as bytes.
void SetWide(void* field, size_t chars, const std::string& text) {
  std::vector<char16_t> wide(chars, 0);
  for (size_t i = 0; i < chars && i < text.size(); ++i) wide[i] = static_cast<char16_t>(text[i]);
  std::memcpy(field, wide.data(), chars * sizeof(char16_t));
}

// One scan of MS data with what its file tells of it.
sptfix::Spt ScanOfFile(uint32_t seed, const std::string& parameter) {
  sptfix::Spt s = sptfix::Precise(sptfix::MessyCentroid(seed, 12, 60, 220), false);
  STRUCT_TOL_SPT* t = s->tolSpt;
  SetWide(t->fileBlock.description, 256, "Semivolatiles by EI, 35 min");
  SetWide(t->segment.name, 32, "Acquisition");
  t->segment.functionCount = 2;
  t->scanFunIndex = 1;
  SetWide(t->segment.functions[1].description, 64, "MS/MS of 152|daughters");
  t->segment.functions[1].lowMass = 50.25;
  t->segment.functions[1].highMass = 160.75;
  SetWide(t->header.text, 64, "CID 12 V");
  t->header.ionMass = 152.06;
  t->header.lowLimit = 50.0;
  t->header.highLimit = 160.0;
  t->fileBlock.extraColumnCount = 2;
  SetWide(t->fileBlock.extraColumnNames[0], 14, "ion time(usec)");
  SetWide(t->fileBlock.extraColumnNames[1], 14, parameter);
  t->header.extraCount = 2;
  t->header.extra[0] = 2500.4;
  t->header.extra[1] = 230.5;
  t->firstScan = t->lastScan = 88;
  t->scansAveraged = 1;
  return s;
}

TEST(SpectraInfoLibraryRows, OneScanOfAFileShowsItsScanInformation) {
  sptfix::Spt a = ScanOfFile(82, "Source Temp"), b = ScanOfFile(83, "Trap Temp");
  const auto rows = InfoRows(a.get(), b.get());
  struct Case {
    const char* label;
    const char* value;
  };
  const Case cases[] = {
      {"Micro-Scans Averaged", "1"},
      {"Method Description", "Semivolatiles by EI, 35 min"},
      {"Segment Description", "Acquisition"},
      {"Scan Channel Description", "MS/MS of 152 daughters"},
      {"Scan Information", "CID 12 V"},
      {"ion time(usec)", "2500"},
      {"Source Temp / Trap Temp", "230.500000"},
  };
  for (const Case& k : cases) {
    const auto block = Block(rows, k.label);
    ASSERT_FALSE(block.empty()) << k.label;
    EXPECT_EQ(block[0].a, k.value) << k.label;
    EXPECT_EQ(block[0].b, k.value) << k.label;
  }
  const std::string precursor = Block(rows, "Precursor Mass Range").at(0).a;
  EXPECT_NE(precursor.find("152"), std::string::npos) << precursor;
  EXPECT_EQ(precursor.substr(precursor.size() - 4), " m/z");
  EXPECT_NE(Block(rows, "Scan Mass Segments").at(0).a.find("160"), std::string::npos);
  EXPECT_EQ(KELT_CountSpectraInfoRows(a.get(), b.get()), static_cast<int16_t>(rows.size()));

  // An average of several scans: "N/A", and nothing of one scan.
  a->tolSpt->lastScan = 90;
  a->tolSpt->scansAveraged = 3;
  const auto averaged = InfoRows(a.get(), nullptr);
  EXPECT_EQ(Block(averaged, "Micro-Scans Averaged").at(0).a, "N/A");
  EXPECT_EQ(Block(averaged, "Scan Information").at(0).a, "");
  EXPECT_TRUE(Block(averaged, "Precursor Mass Range").empty());
  EXPECT_TRUE(Block(averaged, "ion time(usec)").empty());
  // A record whose file tells nothing has no such block.
  sptfix::Spt plain = sptfix::Precise(sptfix::MessyCentroid(84, 12, 60, 220), false);
  EXPECT_TRUE(Block(InfoRows(plain.get(), nullptr), "Micro-Scans Averaged").empty());
}

TEST(SpectraInfoLibraryRows, ListEntryCopiesKeepTheirDetails) {
  LIST_ENTRY_DETAILS d{};
  std::strcpy(d.contributor, "Lab 3");
  sptfix::Spt list = List(d);
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(list.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Block(InfoRows(copy, nullptr), "Contributor").at(0).a, "Lab 3");
  PlusSpt_Free(copy);
  sptfix::Spt nist = Nist(BenzeneDetails());
  copy = PlusSpt_Copy(nist.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Block(InfoRows(copy, nullptr), "NIST No.").at(0).a, "228");
  PlusSpt_Free(copy);
}

}  // namespace
