// Information rows of list and library entries read from files that the
// tests write: a spectrum list with its replicate (CID) file and a library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fandor/library_search.h"
#include "fandor/msp_library_files.h"
#include "fixtures/identification_fixture.h"
#include "orvik32/orvik32.h"
#include "spectrumctl/spectrum_info_windows.h"
#include "spectrumctl/tests/spectrum_fixture.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"

namespace {

using kelt::sptinfo::InfoRows;
using kelt::sptinfo::Row;

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

std::vector<std::string> Cells(const std::vector<Row>& rows, bool b = false) {
  std::vector<std::string> out;
  for (const Row& r : rows) out.push_back(b ? r.b : r.a);
  return out;
}

class SpectraInfoFileEntries : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    CreateDirectoryA("C:\\Lists", nullptr);
    CreateDirectoryA("C:\\Libs", nullptr);
    std::vector<std::pair<uint32_t, uint32_t>> refs;
    ASSERT_TRUE(msfix::WriteCidFile("C:\\Lists\\WATER.CID",
                                    {{"1,2,4-Trichlorobenzene", "Benzene, 1,2,4-trichloro-", "unsym-Trichlorobenzene",
                                      "1,2,4-Trichlorbenzol"}},
                                    &refs));
    msfix::LibrarySpectrum saved{"1,2,4-Trichlorobenzene", "C6H3Cl3", "120-82-1", 180, {}, {}, {}};
    saved.details = {"Contributor: Water lab", "Scan Function: 1: EI+ 40-400", "Import Date: 2026-11-03 14:22",
                     "Data File: C:\\Data\\RUN7.KMS", "Retention Time: 10.2514", "Scan Range: 901 - 903",
                     "Time Range: 10.242 - 10.261", "Baseline Correction: Yes", "MW Estimate: 180 71.25",
                     "MW Estimate: 182 14.8", "Cl Br Estimate: 3 0 83.6 99.1 97.5 3.8",
                     "Warning: Isotope pattern of Cl3 assumed",
                     "CID: " + std::to_string(refs[0].first) + " " + std::to_string(refs[0].second)};
    saved.precise = {{179.9144, 99812}, {181.9116, 97020}, {144.9447, 38030}, {108.9685, 14002}, {73.9912, 2210}};
    msfix::LibrarySpectrum old{"Naphthalene", "C10H8", "91-20-3", 128, {{128, 999}, {127, 110}, {102, 70}}, {}, {}};
    ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Lists\\WATER.MSP", {saved, old}));

    msfix::LibrarySpectrum entry{"1,2,4-Trichlorobenzene", "C6H3Cl3", "120-82-1", 180,
                                 {{180, 999}, {182, 971}, {145, 381}, {109, 140}, {74, 22}}, {}, {}};
    entry.details = {"NIST#: 228", "Contributor: NIST Mass Spectrometry Data Center", "Other DBs: Fine TSCA EPA EINECS",
                     "Synon: Benzene, 1,2,4-trichloro-", "Synon: unsym-Trichlorobenzene",
                     "Replicate: 5013 in replib", "Replicate: 5014 in replib"};
    ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Libs\\MAINLIB.MSP", {entry}));
  }

  sptfix::Spt ListSpectrum(int32_t index) {
    CAccessMSPFile msp(0);
    if (!msp.Open("C:\\Lists\\WATER.MSP")) return sptfix::Spt();
    STRUCT_LIST_SPT* list = msp.ReadSpectrum(index);
    if (!list) return sptfix::Spt();
    sptfix::Spt s = sptfix::NewRecord();
    PlusSpt_InitListSpt(s.get(), list);
    return s;
  }

  sptfix::Spt LibrarySpectrum() {
    HSPECLIB lib = OpenSpectrumLibrary("C:\\Libs\\MAINLIB.MSP");
    if (!lib) return sptfix::Spt();
    STRUCT_NIST_SPT* nist = GetLibraryEntrySpectrum(lib, 0);
    CloseSpectrumLibrary(lib);
    if (!nist) return sptfix::Spt();
    sptfix::Spt s = sptfix::NewRecord();
    PlusSpt_InitNISTSpt(s.get(), nist, 0, "MAINLIB");
    return s;
  }
};

TEST_F(SpectraInfoFileEntries, AListEntryShowsWhatItsFilesTell) {
  sptfix::Spt list = ListSpectrum(0);
  ASSERT_TRUE(list);
  const std::vector<Row> rows = InfoRows(list.get(), nullptr);
  EXPECT_EQ(Block(rows, "Spectrum").at(0).a, "List");
  EXPECT_EQ(Block(rows, "Index / Scan No").at(0).a, "1");
  EXPECT_EQ(Block(rows, "Scan Function").at(0).a, "1: EI+ 40-400");
  EXPECT_EQ(Block(rows, "Name").at(0).a, "1,2,4-Trichlorobenzene");
  EXPECT_EQ(Block(rows, "Pair Count").at(0).a, "5");
  EXPECT_EQ(Block(rows, "Contributor").at(0).a, "Water lab");
  EXPECT_EQ(Block(rows, "Import Date:").at(0).a, "2026-11-03 14:22");
  EXPECT_EQ(Block(rows, "Retention Time:").at(0).a, "10.251 min.");
  EXPECT_EQ(Block(rows, "Scan Range:").at(0).a, "901 - 903");
  EXPECT_EQ(Block(rows, "Time Range:").at(0).a, "10.242 - 10.261 min.");
  EXPECT_EQ(Block(rows, "Baseline Correction:").at(0).a, "Yes");
  EXPECT_TRUE(Block(rows, "Ion Time:").empty());  // an item the entry lacks
  const std::vector<Row> weights = Block(rows, "Molecular Weight Estimates");
  ASSERT_EQ(weights.size(), 5u);
  EXPECT_EQ(weights[0].a, "MW = 180    probability: 71%");  // 71.25 % kept as 712 tenths
  EXPECT_EQ(weights[1].a, "MW = 182    probability: 15%");
  EXPECT_EQ(Block(rows, "Cl Br Estimates").at(0).a, "Cl = 3    Br = 0");
  EXPECT_EQ(Block(rows, "Probability compound has Cl or Br").at(0).a, "99%");
  EXPECT_EQ(Block(rows, "Warning").at(0).a, "Isotope pattern of Cl3 assumed");
  // The replicate file's strings after the entry's own name.
  EXPECT_EQ(Cells(Block(rows, "Synonyms")),
            (std::vector<std::string>{" 1.  Benzene, 1,2,4-trichloro-", " 2.  unsym-Trichlorobenzene",
                                      " 3.  1,2,4-Trichlorbenzol"}));
  EXPECT_TRUE(Block(rows, "NIST No.").empty());
  EXPECT_EQ(KELT_CountSpectraInfoRows(list.get(), nullptr), int16_t(rows.size()));
}

TEST_F(SpectraInfoFileEntries, ALibraryHitShowsItsEntryDetails) {
  sptfix::Spt hit = LibrarySpectrum();
  ASSERT_TRUE(hit);
  const std::vector<Row> rows = InfoRows(hit.get(), nullptr);
  EXPECT_EQ(Block(rows, "Spectrum").at(0).a, "NIST Library");
  EXPECT_EQ(Block(rows, "Molecular Weight").at(0).a, "180");
  EXPECT_EQ(Block(rows, "CAS No.").at(0).a, "120-82-1");
  EXPECT_EQ(Block(rows, "Contributor").at(0).a, "NIST Mass Spectrometry Data Center");
  EXPECT_EQ(Block(rows, "NIST No.").at(0).a, "228");
  EXPECT_EQ(Cells(Block(rows, "Other Databases")),
            (std::vector<std::string>{" 1.   Fine", " 2.   TSCA", " 3.   EPA", " 4.   EINECS"}));
  EXPECT_EQ(Cells(Block(rows, "Replicates")),
            (std::vector<std::string>{" 1.  5013 in replib", " 2.  5014 in replib"}));
  EXPECT_EQ(Cells(Block(rows, "Synonyms")),
            (std::vector<std::string>{" 1.  Benzene, 1,2,4-trichloro-", " 2.  unsym-Trichlorobenzene"}));
  EXPECT_TRUE(Block(rows, "Molecular Weight Estimates").empty());
  EXPECT_EQ(KELT_CountSpectraInfoRows(hit.get(), nullptr), int16_t(rows.size()));
}

TEST_F(SpectraInfoFileEntries, ListEntryBesideItsLibraryHit) {
  sptfix::Spt list = ListSpectrum(0);
  sptfix::Spt hit = LibrarySpectrum();
  ASSERT_TRUE(list && hit);
  const std::vector<Row> rows = InfoRows(list.get(), hit.get());
  // As many synonym rows as the longer list; each column its own.
  const std::vector<Row> synonyms = Block(rows, "Synonyms");
  ASSERT_EQ(synonyms.size(), 3u);
  EXPECT_EQ(synonyms[2].a, " 3.  1,2,4-Trichlorbenzol");
  EXPECT_EQ(synonyms[1].b, " 2.  unsym-Trichlorobenzene");
  EXPECT_EQ(synonyms[2].b, "");
  EXPECT_EQ(Block(rows, "Contributor").at(0).b, "NIST Mass Spectrometry Data Center");
  EXPECT_EQ(Block(rows, "Molecular Weight Estimates").at(0).b, "");
  EXPECT_EQ(KELT_CountSpectraInfoRows(list.get(), hit.get()), int16_t(rows.size()));
}

// A copy of the entry (as the spectrum control makes on intake) shows all
// the original shows: its estimates travel with it.
// A list copy has no attached block, so the estimates it carries stay with
// the entry read from the file; every other row is the same, and the copy
// lives on when the original is freed.
TEST_F(SpectraInfoFileEntries, ACopyOfAListEntryShowsItsRowsButTheEstimates) {
  sptfix::Spt list = ListSpectrum(0);
  ASSERT_TRUE(list);
  sptfix::Spt copy(PlusSpt_Copy(list.get()));
  ASSERT_TRUE(copy);
  const std::vector<Row> original = InfoRows(list.get(), nullptr);
  std::vector<Row> copied = InfoRows(copy.get(), nullptr);
  EXPECT_EQ(Block(original, "Cl Br Estimates").at(0).a, "Cl = 3    Br = 0");
  EXPECT_TRUE(Block(copied, "Cl Br Estimates").empty());
  EXPECT_EQ(KELT_CountSpectraInfoRows(copy.get(), nullptr), int16_t(copied.size()));
  for (const char* label : {"Name", "Contributor", "Synonyms", "Scan Function"}) {
    ASSERT_FALSE(Block(original, label).empty()) << label;
    EXPECT_EQ(Block(copied, label).at(0).a, Block(original, label).at(0).a) << label;
  }
  list.reset();  // the copy lives on alone
  copied = InfoRows(copy.get(), nullptr);
  EXPECT_EQ(Block(copied, "Contributor").at(0).a, "Water lab");
}

// Without its replicate file, or from a list written before the details
// existed, an entry shows what it has and nothing else goes missing.
TEST_F(SpectraInfoFileEntries, MissingOrOlderFilesShowWhatTheyHave) {
  ASSERT_TRUE(DeleteFileA("C:\\Lists\\WATER.CID"));
  sptfix::Spt list = ListSpectrum(0);
  ASSERT_TRUE(list);
  std::vector<Row> rows = InfoRows(list.get(), nullptr);
  EXPECT_TRUE(Block(rows, "Synonyms").empty());
  EXPECT_EQ(Block(rows, "Contributor").at(0).a, "Water lab");
  EXPECT_EQ(KELT_CountSpectraInfoRows(list.get(), nullptr), int16_t(rows.size()));

  sptfix::Spt old = ListSpectrum(1);
  ASSERT_TRUE(old);
  rows = InfoRows(old.get(), nullptr);
  EXPECT_EQ(Block(rows, "Name").at(0).a, "Naphthalene");
  EXPECT_EQ(Block(rows, "Index / Scan No").at(0).a, "2");
  for (const char* label : {"Contributor", "Import Date:", "Scan Function", "Synonyms", "Molecular Weight Estimates"})
    EXPECT_TRUE(Block(rows, label).empty()) << label;
}

}  // namespace
