#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fandor/cid_files.h"
#include "fandor/library_entry_details.h"
#include "fandor/library_search.h"
#include "fandor/msp_library_files.h"
#include "fixtures/identification_fixture.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"

namespace {

void FreeList(STRUCT_LIST_SPT* l) {
  if (!l) return;
  FreeBlock(l->attached);
  FreeBlock(l);
}

void FreeNist(STRUCT_NIST_SPT* n) {
  if (!n) return;
  ReleaseNistAuxData(n->aux);
  FreeBlock(n->chemStruct);
  FreeBlock(n);
}

void WriteText(const char* path, const std::string& text) {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, text.data(), DWORD(text.size()), &n, nullptr));
  CloseHandle(h);
}

// A list of two imported spectra, the first with its replicate strings, and
// an entry written before the details existed.
class LibraryEntryFilesTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    CreateDirectoryA("C:\\Lists", nullptr);
    CreateDirectoryA("C:\\Libs", nullptr);
    ASSERT_TRUE(msfix::WriteCidFile("C:\\Lists\\SAMPLES.CID",
                                    {{"Toluene", "Methylbenzene", "Toluol", "Phenylmethane"},
                                     {"1,2,4-Trichlorobenzene", "unsym-Trichlorobenzene"}},
                                    &refs));
    msfix::LibrarySpectrum toluene{"Toluene", "C7H8", "108-88-3", 92, {}, {}, {}};
    toluene.details = {"Comments: apex of run 7; NIST#: 291301",
                       "Contributor: Water lab, second shift",
                       "Other DBs: TSCA, EPA EINECS",
                       "DB#: 4411",
                       "Scan Function: 1: EI+ 40-400",
                       "Import Date: 2026-11-03 14:22",
                       "Data File: C:\\Data\\RUN7.KMS",
                       "Scan Functions: 1",
                       "Ion Time: 25000 us",
                       "Max RIC: 1.84e+07",
                       "Retention Time: 7.4185",
                       "Scan Range: 612 - 618",
                       "Time Range: 7.402 - 7.436",
                       "Baseline Correction: Yes",
                       "MW Estimate: 92 88.26",
                       "MW Estimate: 106 7.5",
                       "Warning: Isotope ratio 93/92 off by 12%",
                       "CID: " + std::to_string(refs[0].first) + " " + std::to_string(refs[0].second)};
    // Masses off the grid, the base peak saturated, noise in the small ions.
    toluene.precise = {{92.0621, 61034}, {91.0543, 99999}, {65.0387, 11042}, {39.0234, 4021}, {63.0233, 3987},
                       {93.0655, 4476}, {51.0229, 3512}};
    msfix::LibrarySpectrum trichloro{"1,2,4-Trichlorobenzene", "C6H3Cl3", "120-82-1", 180, {}, {}, {}};
    trichloro.details = {"Scan Range: 901 - 901", "Time Range: 10.250 - 10.250", "Baseline Correction: no",
                         "Cl Br Estimate: 3 0 83.64 99.15 97.5 3.85",
                         "CID: " + std::to_string(refs[1].first) + " " + std::to_string(refs[1].second)};
    trichloro.precise = {{179.9144, 99812}, {181.9116, 97020}, {144.9447, 38030}, {108.9685, 14002}};
    msfix::LibrarySpectrum old{"Naphthalene", "C10H8", "91-20-3", 128, {{128, 999}, {127, 110}, {102, 70}}, {}, {}};
    ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Lists\\SAMPLES.MSP", {toluene, trichloro, old}));
  }
  std::vector<std::pair<uint32_t, uint32_t>> refs;
};

TEST_F(LibraryEntryFilesTest, ListEntriesCarryTheirDetails) {
  CAccessMSPFile msp(0);
  ASSERT_TRUE(msp.Open("C:\\Lists\\SAMPLES.MSP"));
  ASSERT_TRUE(msp.CreateIndexes());
  ASSERT_EQ(+msp.CountSpectra(), 3);
  STRUCT_LIST_SPT* l = msp.ReadSpectrum(0);
  ASSERT_NE(l, nullptr);
  EXPECT_STREQ(l->name, "Toluene");
  EXPECT_STREQ(l->comment, "apex of run 7");
  EXPECT_EQ(+l->casNumber, 108883u);
  EXPECT_EQ(+l->molecularWeight, 92);
  EXPECT_EQ(+l->entryNumber, 1u);
  EXPECT_STREQ(l->listPath, "C:\\Lists\\SAMPLES.MSP");
  // Pairs by ascending mass, masses as written.
  ASSERT_EQ(+l->pairCount, 7u);
  EXPECT_DOUBLE_EQ(+l->pairs[0].mass, 39.0234);
  EXPECT_DOUBLE_EQ(+l->pairs[6].mass, 93.0655);
  EXPECT_EQ(+l->pairs[4].intensity, 99999u);  // the base peak at 91
  EXPECT_DOUBLE_EQ(+l->lowMass, 39.0234);
  EXPECT_DOUBLE_EQ(+l->highMass, 93.0655);
  const LIST_ENTRY_DETAILS& d = l->details;
  EXPECT_STREQ(d.contributor, "Water lab, second shift");
  EXPECT_EQ(+d.nistNumber, 291301);
  EXPECT_EQ(+d.dbidNumber, 4411);
  EXPECT_EQ(+d.databases, 0x2u | 0x8u | 0x80u);
  EXPECT_STREQ(d.scanFunctionText, "1: EI+ 40-400");
  EXPECT_EQ(+d.importItems, 0x1FF);
  EXPECT_STREQ(d.importDate, "2026-11-03 14:22");
  EXPECT_STREQ(d.dataFile, "C:\\Data\\RUN7.KMS");
  EXPECT_STREQ(d.ionTime, "25000 us");
  EXPECT_STREQ(d.maxRic, "1.84e+07");
  EXPECT_DOUBLE_EQ(+d.retentionTime, 7.4185);
  EXPECT_EQ(+d.firstScan, 612);
  EXPECT_EQ(+d.lastScan, 618);
  EXPECT_DOUBLE_EQ(+d.lastTime, 7.436);
  EXPECT_EQ(+d.baselineCorrected, 1);
  EXPECT_EQ(+d.cidReference[0], refs[0].first);
  EXPECT_EQ(+d.cidReference[1], refs[0].second);
  const ENTRY_ESTIMATES* e = ListEntryEstimates(l);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(+e->weightsPresent, 1);
  EXPECT_EQ(+e->weights[1], 106);
  EXPECT_EQ(+e->weightProbabilities[0], 883);  // tenths of a percent
  EXPECT_EQ(+e->weightProbabilities[1], 75);
  EXPECT_EQ(+e->halogensPresent, 0);
  EXPECT_EQ(+e->warningCount, 1);
  FreeList(l);

  l = msp.ReadSpectrum(1);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(+l->details.importItems, LIST_IMPORT_SCAN_RANGE | LIST_IMPORT_TIME_RANGE | LIST_IMPORT_BASELINE);
  EXPECT_EQ(+l->details.baselineCorrected, 0);
  e = ListEntryEstimates(l);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(+e->chlorine, 3);
  EXPECT_EQ(+e->halogenProbabilities[0], 836);
  EXPECT_EQ(+e->halogenProbabilities[3], 39);  // 3.85 % rounds to 3.9
  FreeList(l);

  // An entry written before the details existed reads as it always did.
  l = msp.ReadSpectrum(2);
  ASSERT_NE(l, nullptr);
  EXPECT_STREQ(l->name, "Naphthalene");
  EXPECT_EQ(+l->pairCount, 3u);
  LIST_ENTRY_DETAILS none{};
  EXPECT_EQ(std::memcmp(&l->details, &none, sizeof none), 0);
  EXPECT_EQ(+l->attached, nullptr);
  FreeList(l);
  EXPECT_EQ(+msp.ReadSpectrum(3), nullptr);
  EXPECT_EQ(+msp.ReadSpectrum(-1), nullptr);
}

TEST_F(LibraryEntryFilesTest, ReplicateStringsOfAListEntry) {
  const uint32_t first[2] = {refs[0].first, refs[0].second};
  CAccessCIDFile cid("C:\\Lists\\samples.msp", first);  // names found without regard to case
  ASSERT_EQ(+cid.ReturnCIDEntryRepCount(), 4);
  char text[CID_STRING_SIZE];
  ASSERT_TRUE(cid.ReturnCIDEntryRepString(0, text));
  EXPECT_STREQ(text, "Toluene");
  ASSERT_TRUE(cid.ReturnCIDEntryRepString(3, text));
  EXPECT_STREQ(text, "Phenylmethane");
  EXPECT_FALSE(cid.ReturnCIDEntryRepString(4, text));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(cid.ReturnCIDEntryRepString(-1, text));

  // References that name no entry give no strings rather than another
  // entry's tail or bytes past the file.
  const uint32_t size = refs[1].first + refs[1].second + 2;
  struct Case {
    const char* why;
    const char* list;
    uint32_t offset, length;
  } cases[] = {
      {"no length", "C:\\Lists\\SAMPLES.MSP", 0, 0},
      {"past the end", "C:\\Lists\\SAMPLES.MSP", refs[1].first, refs[1].second + 100},
      {"offset past the end", "C:\\Lists\\SAMPLES.MSP", size + 10, 4},
      {"offset near 4 GB", "C:\\Lists\\SAMPLES.MSP", 0xFFFFFFF0u, 0x20},
      {"inside an entry's line", "C:\\Lists\\SAMPLES.MSP", refs[0].first + 3, 5},
      {"a later line of an entry", "C:\\Lists\\SAMPLES.MSP", refs[0].first + 9, 10},
      {"no replicate file", "C:\\Lists\\OTHER.MSP", refs[0].first, refs[0].second},
      {"no list", "", refs[0].first, refs[0].second},
  };
  for (const Case& c : cases) {
    const uint32_t ref[2] = {c.offset, c.length};
    CAccessCIDFile bad;
    EXPECT_FALSE(bad.SetEntry(c.list, ref)) << c.why;
    EXPECT_EQ(+bad.ReturnCIDEntryRepCount(), 0) << c.why;
  }
  // A reference shorter than its entry gives the lines it covers.
  const uint32_t part[2] = {refs[0].first, 10};
  CAccessCIDFile shorter("C:\\Lists\\SAMPLES.MSP", part);
  EXPECT_EQ(+shorter.ReturnCIDEntryRepCount(), 2);
  EXPECT_EQ(CAccessCIDFile::PathFor("C:\\A.B\\LIST"), "C:\\A.B\\LIST.CID");
}

TEST_F(LibraryEntryFilesTest, LibraryEntriesCarryTheirDetails) {
  // A damaged entry before the compound: the search leaves it out, so its
  // entries are numbered differently from the file's.
  WriteText("C:\\Libs\\MAINLIB.MSP",
            "Name: damaged\r\nNum Peaks: 2\r\n50 999; 51\r\n\r\n"
            "Name: 1,2,4-Trichlorobenzene\r\nFormula: C6H3Cl3\r\nMW: 180\r\nCAS#: 120-82-1; NIST#: 228\r\n"
            "Contributor: NIST Mass Spectrometry Data Center\r\nOther DBs: Fine TSCA RTECS EPA EINECS IR Unknown\r\n"
            "Synon: Benzene, 1,2,4-trichloro-\r\nSynon: unsym-Trichlorobenzene\r\nSynon: 1,2,4-Trichlorbenzol\r\n"
            "Replicate: 5013 in replib\r\nReplicate: 5014 in replib\r\nReplicate: x in replib\r\n"
            "MW Estimate: 180 71.2; MW Estimate: 182 14.8\r\n"
            "Cl Br Estimate: 3 0 83.6 99.1 97.5 3.8\r\nWarning: Isotope pattern of Cl3 assumed\r\n"
            "Num Peaks: 5\r\n179.9 812; 180.1 187; 181.91 970\r\n145 380 109 140\r\n\r\n");
  CAccessMSPFile msp(0);
  ASSERT_TRUE(msp.Open("C:\\Libs\\MAINLIB.MSP"));
  EXPECT_EQ(+msp.ReadLibraryEntry(0), nullptr);  // a mass without its intensity
  STRUCT_NIST_SPT* n = msp.ReadLibraryEntry(1);
  ASSERT_NE(n, nullptr);
  EXPECT_STREQ(n->libraryName, "MAINLIB");
  // Nominal masses, the shares of 180 summed.
  ASSERT_EQ(+n->pairCount, 4);
  EXPECT_EQ(+n->pairs[0].mass, 109);
  EXPECT_EQ(+n->pairs[2].mass, 180);
  EXPECT_EQ(+n->pairs[2].intensity, 999u);
  ASSERT_NE(n->aux, nullptr);
  EXPECT_STREQ(n->aux->name, "1,2,4-Trichlorobenzene");
  EXPECT_EQ(+n->aux->ids[3], 120821u);
  EXPECT_EQ(+n->aux->ids[5], 180u);
  EXPECT_EQ(+n->aux->entryWord, 2u);
  const NIST_ENTRY_DETAILS* d = NistEntryDetails(n->aux);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(+d->nistNumber, 228);
  EXPECT_STREQ(d->contributor, "NIST Mass Spectrometry Data Center");
  EXPECT_EQ(+d->databases, 0x1u | 0x2u | 0x4u | 0x8u | 0x80u | 0x100u);
  ASSERT_EQ(+d->synonymCount, 3);
  EXPECT_STREQ(d->synonyms[0], "Benzene, 1,2,4-trichloro-");
  ASSERT_EQ(+d->replicateCount, 2);  // "x" is no entry number
  EXPECT_EQ(+d->replicates[1].entry, 5014);
  EXPECT_STREQ(d->replicates[1].library, "replib");
  EXPECT_EQ(+d->estimatesPresent, 1);
  EXPECT_EQ(+d->estimates.weights[1], 182);
  EXPECT_EQ(+d->estimates.weightProbabilities[1], 148);
  EXPECT_EQ(+d->estimates.halogenProbabilities[1], 991);
  FreeNist(n);

  // The same entry found through a search's hit (the search's numbering).
  HSPECLIB lib = OpenSpectrumLibrary("C:\\Libs\\MAINLIB.MSP");
  ASSERT_NE(lib, nullptr);
  ASSERT_EQ(CountLibrarySpectra(lib), 1);
  n = GetLibraryEntrySpectrum(lib, 0);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(+n->aux->entryWord, 1u);
  EXPECT_EQ(NistEntryDetails(n->aux)->synonymCount, 3);
  FreeNist(n);
  EXPECT_EQ(GetLibraryEntrySpectrum(lib, 1), nullptr);
  EXPECT_EQ(GetLibraryEntrySpectrum(nullptr, 0), nullptr);
  // The file changed under the open library: that entry is gone.
  WriteText("C:\\Libs\\MAINLIB.MSP", "Name: Other\r\nNum Peaks: 1\r\n50 999\r\n");
  EXPECT_EQ(GetLibraryEntrySpectrum(lib, 0), nullptr);
  CloseSpectrumLibrary(lib);
}

// Entries that are odd but whole, and values the reader refuses.
TEST_F(LibraryEntryFilesTest, ItemsOutOfRangeAreLeftOut) {
  WriteText("C:\\Lists\\ODD.MSP",
            "Name: Odd; NIST#: 5\r\n"               // the name takes its whole line
            "NIST#: 99999999999\r\n"                // beyond 32 bits
            "Scan Range: 20 - 10\r\nTime Range: -1\r\nRetention Time: nan\r\n"
            "Baseline Correction: maybe\r\nCID: -4 10\r\nMW: 70000\r\n"
            "Cl Br Estimate: 300 0 1 2 3 4\r\nMW Estimate: 1 2; MW Estimate: 3 4; MW Estimate: 5 6;"
            " MW Estimate: 7 8; MW Estimate: 9 10; MW Estimate: 11 12\r\n"
            "Synon: \r\n"
            "Num Peaks: 2\r\n40.5 10 \"frag\"; 41.5 20\r\n");
  CAccessMSPFile msp(0);
  ASSERT_TRUE(msp.Open("C:\\Lists\\ODD.MSP"));
  STRUCT_LIST_SPT* l = msp.ReadSpectrum(0);
  ASSERT_NE(l, nullptr);
  EXPECT_STREQ(l->name, "Odd; NIST#: 5");
  EXPECT_EQ(+l->details.nistNumber, 0);
  EXPECT_EQ(+l->details.importItems, 0);
  EXPECT_EQ(+l->details.cidReference[1], 0u);
  EXPECT_EQ(+l->molecularWeight, 0);
  EXPECT_EQ(+l->pairCount, 2u);
  const ENTRY_ESTIMATES* e = ListEntryEstimates(l);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(+e->halogensPresent, 0);
  EXPECT_EQ(+e->weights[4], 9);  // five estimates kept
  FreeList(l);
}

TEST_F(LibraryEntryFilesTest, LibraryEntriesCarryTheirStructures) {
  std::string text = "Name: Chlorobenzene\r\nBond: 100 70 126 85 0\r\nBond: 126 85 126 115 1\r\nRing: 100 100\r\n"
                     "Atom: 100 40 Cl\r\nAtom: 5 5\r\nBond: 1 2 3\r\nBond: 70000 0 0 0 0\r\nBond: 0 0 1 1 9\r\n"
                     "Atom: 1 1 Carbonyl\r\nNum Peaks: 2\r\n77 480; 112 999\r\n\r\n"
                     "Name: Plain\r\nNum Peaks: 1\r\n50 999\r\n\r\nName: Polymer\r\n";
  // More bonds than a table holds: it keeps the first 127.
  for (int i = 0; i < 200; ++i) text += "Bond: " + std::to_string(i) + " 0 " + std::to_string(i) + " 10 0\r\n";
  text += "Num Peaks: 1\r\n60 999\r\n";
  WriteText("C:\\Libs\\STRUCT.MSP", text);
  CAccessMSPFile msp(0);
  ASSERT_TRUE(msp.Open("C:\\Libs\\STRUCT.MSP"));
  const auto count = [](const uint8_t* t, size_t at) {
    int32_t v;
    std::memcpy(&v, t + at, 4);
    return v;
  };
  STRUCT_NIST_SPT* n = msp.ReadLibraryEntry(0);
  ASSERT_NE(n, nullptr);
  ASSERT_NE(n->chemStruct, nullptr);
  // Two bonds (four ends), one ring, two atoms; malformed lines are left out.
  EXPECT_EQ(count(n->chemStruct, 2036), 4);
  EXPECT_EQ(count(n->chemStruct, 4326), 1);
  EXPECT_EQ(count(n->chemStruct, 6362), 2);
  EXPECT_EQ(n->chemStruct[2041], 1);  // the second bond is double
  EXPECT_EQ(count(n->chemStruct, 4), 126);  // second end of the first bond
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(n->chemStruct + 6624), 2), "Cl");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(n->chemStruct + 6630), 6), "Carbon");
  FreeNist(n);
  n = msp.ReadLibraryEntry(1);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->chemStruct, nullptr);
  FreeNist(n);
  n = msp.ReadLibraryEntry(2);
  ASSERT_NE(n, nullptr);
  ASSERT_NE(n->chemStruct, nullptr);
  EXPECT_EQ(count(n->chemStruct, 2036), 254);
  FreeNist(n);
}

}  // namespace
