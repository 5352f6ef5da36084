// Title lines of spectrum records and the spectrum text files, the files
// checked byte for byte against spectra/tests/golden (KELT_UPDATE_GOLDEN
// rewrites them).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "common/number_format.h"
#include "common/tests/startup_root_fixture.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_text_files.h"
#include "spectrumctl/spectrum_column_files.h"
#include "spectra/spectrum_titles.h"
#include "spectra/tests/spectrum_test_records.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_script.h"

using namespace spttest;

namespace {

std::string ReadFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A kind-0 spectrum of scans 120..124 as the display makes it.
STRUCT_SPT_PLUS* MsSpectrum(bool displayMade) {
  STRUCT_TOL_SPT* tol = Tol({{50.04, 1200}, {91.06, 98000}, {92.07, 7100}, {120.5, 310}});
  tol->header.scanNumber = 122;
  tol->header.time = 12.34567;
  tol->header.totalIon = 106610;
  tol->header.segment = 2;
  tol->header.function = 1;
  tol->segment.functionCount = 2;
  tol->scansAveraged = 5;
  tol->firstScan = 120;
  tol->lastScan = 124;
  tol->averagedMarker = 1;
  tol->bgCorrected = 1;
  tol->chanList.kind = CHAN_LIST_MERGED;
  tol->displayMade = displayMade ? 1 : 0;
  std::strcpy(tol->dataFilePath, "C:\\DATA\\TODAY\\RUN1.KMS");
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitTolSpt(spt, tol, nullptr);
  spt->ownDecimals = 1;
  spt->massDecimals = 2;
  return spt;
}

STRUCT_SPT_PLUS* NistSpectrum(int32_t entry, const char* library) {
  auto* nist = static_cast<STRUCT_NIST_SPT*>(AllocBlock(sizeof(STRUCT_NIST_SPT) + 2 * sizeof(NIST_PAIR)));
  nist->pairCount = 3;
  nist->pairs[0] = NIST_PAIR{39, 120};
  nist->pairs[1] = NIST_PAIR{65, 130};
  nist->pairs[2] = NIST_PAIR{91, 999};
  nist->aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  nist->aux->entryWord = uint32_t(entry);
  nist->aux->ids[3] = 108883;
  nist->aux->ids[5] = 92;
  std::strcpy(nist->aux->name, "Toluene");
  std::strcpy(nist->aux->formula, "C7H8");
  STRUCT_SPT_PLUS* spt = NewRecord();
  PlusSpt_InitNISTSpt(spt, nist, 0, library);
  return spt;
}

STRUCT_SPTS_TITLES Prefs(std::initializer_list<int16_t> main) {
  STRUCT_SPTS_TITLES p{};
  p.lists[0].count = int16_t(main.size());
  int k = 0;
  for (int16_t c : main) p.lists[0].items[k++] = c;
  return p;
}

class SpectrumTitles : public StartupRootTest {
 protected:
  void SetUp() override {
    StartupRootTest::SetUp();
    Attach();
    ASSERT_TRUE(CreateDirectoryA("C:\\Out", nullptr));
  }
  void ExpectGolden(const char* winPath, const char* golden) {
    const std::string written = ReadFile(Host(winPath));
    ASSERT_FALSE(written.empty()) << winPath;
    const std::string file = std::string(SPECTRA_GOLDEN_DIR) + "/" + golden;
    if (std::getenv("KELT_UPDATE_GOLDEN")) {
      std::ofstream(file, std::ios::binary) << written;
      return;
    }
    EXPECT_EQ(written, ReadFile(file)) << golden;
  }
  static std::string Intensity(uint64_t v) {
    char buf[kNumberTextSize];
    return KELT_FormatIntensityI64(int64_t(v), buf);
  }
};

}  // namespace

TEST_F(SpectrumTitles, FixedLayoutOfAnMsSpectrum) {
  STRUCT_SPT_PLUS* spt = MsSpectrum(true);
  std::strcpy(spt->name, "Toluene");
  PlusSpt_InitRightTitles(spt);
  const std::string info = "12.346 min. Scans: 120-124 Merged (Averaged) Ion: NA RIC: " + Intensity(106610) + " BC";
  EXPECT_EQ(std::string(spt->infoTitle), info);
  EXPECT_EQ(std::string(spt->comment), info);  // the empty comment takes it
  EXPECT_STREQ(spt->nameTitle, "Toluene");
  char amount[kNumberTextSize];
  KELT_FormatIntensityD(98000, amount);
  EXPECT_EQ(std::string(spt->fileTitle), std::string("BP 91.06 (") + amount + "=100%) run1.kms");

  // An edited spectrum gets " (E)" unless its info line is 76 long.
  spt->pairsEdited = 1;
  spt->tolSpt->header.ionMass = 91.9;
  spt->tolSpt->extendedBg = 1;
  PlusSpt_InitRightTitles(spt);
  EXPECT_EQ(std::string(spt->infoTitle),
            "12.346 min. Scans: 120-124 Merged (Averaged) Ion: 91 us RIC: " + Intensity(106610) + " EBC (E)");
  PlusSpt_Free(spt);

  STRUCT_SPT_PLUS* list = PlusSpt_MakeFromMSSpectrumEx(nullptr);
  EXPECT_EQ(list, nullptr);
  STRUCT_LIST_SPT* entry = NewListEntry(1);
  entry->pairCount = 1;
  entry->pairs[0] = XTOL_PAIR{91.0, 999, 0};
  std::memset(entry->comment, 'c', 76);
  STRUCT_SPT_PLUS* l = NewRecord();
  PlusSpt_InitListSpt(l, entry);
  l->pairsEdited = 1;
  PlusSpt_InitRightTitles(l);
  EXPECT_EQ(std::strlen(l->infoTitle), 76u);  // the comment, no " (E)"
  EXPECT_EQ(std::string(l->fileTitle).substr(std::strlen(l->fileTitle) - 9), "From User");
  PlusSpt_Free(l);
}

TEST_F(SpectrumTitles, ItemsFromPreferences) {
  STRUCT_SPT_PLUS* nist = NistSpectrum(12, "C:\\NIST\\MAINLIB\r");
  struct Case {
    std::initializer_list<int16_t> items;
    const char* text;
  } cases[] = {
      {{8, 7}, "#12 in MAINLIB"},
      {{7, 8}, "MAINLIB #12"},
      {{1, 8, 7}, "Toluene, #12 in MAINLIB"},
      {{1, 2, 3, 4}, "Toluene, C7H8, CAS No. 108-88-3, MW 92"},
      {{9, 10, 12}, ""},  // MS-data items say nothing for a library entry
      {{1, 19, 40, 15}, "Toluene"},
  };
  for (const Case& c : cases) {
    const STRUCT_SPTS_TITLES p = Prefs(c.items);
    PlusSpt_InitTitlesFromPrefs(nist, &p);
    EXPECT_STREQ(nist->mainTitle, c.text);
    EXPECT_STREQ(nist->fileTitle, "");
  }
  PlusSpt_Free(nist);

  // A spectrum the display made keeps its fixed titles; others follow.
  for (bool displayMade : {true, false}) {
    STRUCT_SPT_PLUS* ms = MsSpectrum(displayMade);
    std::strcpy(ms->mainTitle, "kept");
    const STRUCT_SPTS_TITLES p = Prefs({9, 10, 5, 6, 17, 18, 14});
    PlusSpt_InitTitlesFromPrefs(ms, &p);
    char amount[kNumberTextSize];
    KELT_FormatIntensityD(98000, amount);
    EXPECT_EQ(std::string(ms->mainTitle),
              displayMade ? "kept"
                          : std::string("12.346 min, Scans: 120-124, BP: 91.06 (") + amount + "=100%), Segment: 2, BC");
    PlusSpt_Free(ms);
  }
}

TEST_F(SpectrumTitles, DifferenceTitlesAndTheirSplit) {
  char a[300], b[300];
  EXPECT_EQ(PlusSpt_SplitDiffTitle("Spt A: X,  Spt B: Y", a, b), 1);
  EXPECT_STREQ(a, "X");
  EXPECT_STREQ(b, "Y");
  EXPECT_EQ(PlusSpt_SplitDiffTitle("Spt A: X only", a, b), 0);

  STRUCT_SPT_PLUS* x = MsSpectrum(false);
  STRUCT_SPT_PLUS* y = NistSpectrum(12, "MAINLIB");
  STRUCT_DIFF_SPT* d = DIFF_MakeSpectrum(x, y, 0);
  ASSERT_NE(d, nullptr);
  STRUCT_SPT_PLUS* diff = NewRecord();
  PlusSpt_InitDiffSpt(diff, d, x, y);
  EXPECT_STREQ(diff->mainTitle, "A - B");
  EXPECT_STREQ(diff->nameTitle, "12.346 min, Scans: 120-124, run1.kms");
  EXPECT_STREQ(diff->infoTitle, "Toluene");
  std::strcpy(x->extraInfo, "Spectrum 1");
  std::strcpy(y->extraInfo, "Spectrum 2");
  PlusSpt_InitDiffSptTitles(diff, x, y);
  EXPECT_STREQ(diff->mainTitle, " 1 -  2");
  std::strcpy(y->extraInfo, "Library");
  PlusSpt_InitDiffSptTitles(diff, x, y);
  EXPECT_STREQ(diff->mainTitle, "Spectrum 1 - Library");

  // A difference the display made: the fixed scheme, and as a list entry
  // the comment keeps both source lines.
  STRUCT_SPT_PLUS* shown = MsSpectrum(true);
  std::strcpy(shown->mainTitle, "Spectrum 1");
  PlusSpt_InitRightTitles(shown);
  PlusSpt_InitRightTitles(y);
  std::strcpy(y->mainTitle, "Spectrum 2");
  STRUCT_SPT_PLUS* entry = PlusSpt_MakeSpectrumFromDifference(shown, y, d);
  ASSERT_NE(entry, nullptr);
  EXPECT_STREQ(entry->mainTitle, " 1 -  2");
  EXPECT_EQ(std::string(entry->comment), "Spt A: " + std::string(shown->infoTitle).substr(0, 65) + ",  Spt B: Toluene");
  PlusSpt_UpdateRightTitles(entry);
  EXPECT_EQ(std::string(entry->nameTitle), std::string(shown->infoTitle).substr(0, 65));
  EXPECT_STREQ(entry->infoTitle, "Toluene");
  PlusSpt_Free(entry);
  PlusSpt_Free(shown);
  PlusSpt_Free(diff);
  PlusSpt_Free(x);
  PlusSpt_Free(y);
}

TEST_F(SpectrumTitles, SdsParentInTheExtraInfo) {
  STRUCT_SPT_PLUS* spt = MsSpectrum(false);
  PlusSpt_AddSDSInfoToTitles(spt);
  EXPECT_STREQ(spt->extraInfo, "");  // not an SDS segment
  spt->tolSpt->segment.functions[0].kind = 13;
  PlusSpt_AddSDSInfoToTitles(spt);
  EXPECT_STREQ(spt->extraInfo, "Is SDS Parent");
  std::strcpy(spt->extraInfo, "Real Time");
  spt->tolSpt->header.parentScan = 118;
  PlusSpt_AddSDSInfoToTitles(spt);
  EXPECT_STREQ(spt->extraInfo, "Real Time SDS Parent Scan: 118");
  PlusSpt_Free(spt);
}

TEST_F(SpectrumTitles, DefaultFileNames) {
  char name[MAX_PATH], place[MAX_PATH];
  STRUCT_SPT_PLUS* ms = MsSpectrum(true);
  kelt::spectra::DefaultTextFileName(ms, name, place);
  EXPECT_STREQ(name, "RUN1.KMS Scans120-124.txt");
  EXPECT_STREQ(place, "C:\\DATA\\TODAY\\RUN1.KMS");
  ms->tolSpt->scansAveraged = 1;
  kelt::spectra::DefaultTextFileName(ms, name, place);
  EXPECT_STREQ(name, "RUN1.KMS Scan122.txt");
  PlusSpt_Free(ms);
  STRUCT_SPT_PLUS* nist = NistSpectrum(12, "MAINLIB");
  kelt::spectra::DefaultTextFileName(nist, name, place);
  EXPECT_STREQ(name, "MAINLIB Entry12.txt");
  char dir[MAX_PATH];
  GetProgramDirectory(dir);
  EXPECT_STREQ(place, dir);
  PlusSpt_Free(nist);
  STRUCT_SPT_PLUS* empty = NewRecord();
  PlusSpt_InitListSpt(empty, nullptr);
  kelt::spectra::DefaultTextFileName(empty, name, place);
  EXPECT_STREQ(name, "");
  std::strcpy(empty->fileTitle, "file line");
  kelt::spectra::DefaultTextFileName(empty, name, place);
  EXPECT_STREQ(name, "file line.txt");
  PlusSpt_Free(empty);
}

TEST_F(SpectrumTitles, PlainTextFile) {
  STRUCT_SPT_PLUS* ms = MsSpectrum(true);
  PlusSpt_InitRightTitles(ms);
  ms->comment[0] = 0;
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFile(ms, 1, "C:\\Out\\plain.txt"), 1);
  ExpectGolden("C:\\Out\\plain.txt", "plain_ms.txt");
  const std::string text = ReadFile(Host("C:\\Out\\plain.txt"));
  EXPECT_EQ(text.substr(0, 2), "* ");
  EXPECT_NE(text.find("\r\n* Base Peak: 91.060000, BaseAmount = 98000.000000\r\n50.040000  1200\r\n"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");

  STRUCT_SPT_PLUS* nist = NistSpectrum(12, "MAINLIB");
  PlusSpt_InitRightTitles(nist);
  nist->basePeakFixed = 1;
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFile(nist, 1, "C:\\Out\\nist.txt"), 1);
  ExpectGolden("C:\\Out\\nist.txt", "plain_nist.txt");
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFile(nist, 0, "C:\\Out\\bare.txt"), 1);
  EXPECT_EQ(ReadFile(Host("C:\\Out\\bare.txt")), "39  120\r\n65  130\r\n91  999\r\n\r\n");
  // No folder: nothing written, nothing left.
  EXPECT_EQ(PlusSpt_PutSpectrumIntoThisTextFile(nist, 1, "C:\\Missing\\x.txt"), 0);
  PlusSpt_Free(ms);
  PlusSpt_Free(nist);
}

TEST_F(SpectrumTitles, ColumnTextFiles) {
  STRUCT_SPT_PLUS* ms = MsSpectrum(false);
  std::strcpy(ms->name, "Toluene");
  ms->casNumber = 108883;
  ms->highMass = 100;  // the pair at 120.5 lies beyond the range
  PlusSpt_InitRightTitles(ms);
  const std::string titles = std::string(ms->mainTitle) + ms->nameTitle + ms->fileTitle + ms->infoTitle;
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFileEx(ms, 1, "C:\\Out\\ms.txt", "TXT"), 1);
  ExpectGolden("C:\\Out\\ms.txt", "column_ms_tab.txt");
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFileEx(ms, 1, "C:\\Out\\ms.prn", "prn"), 1);
  ExpectGolden("C:\\Out\\ms.prn", "column_ms_blank.prn");
  // The titles are rebuilt for the file and given back afterwards.
  EXPECT_EQ(std::string(ms->mainTitle) + ms->nameTitle + ms->fileTitle + ms->infoTitle, titles);
  PlusSpt_Free(ms);

  STRUCT_SPT_PLUS* shown = MsSpectrum(true);
  PlusSpt_InitRightTitles(shown);
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFileEx(shown, 1, "C:\\Out\\shown.txt", "txt"), 1);
  ExpectGolden("C:\\Out\\shown.txt", "column_ms_fixed.txt");
  EXPECT_EQ(PlusSpt_PutSpectrumIntoThisTextFileEx(shown, 1, "C:\\Missing\\x.txt", "txt"), 0);
  PlusSpt_Free(shown);

  STRUCT_SPT_PLUS* nist = NistSpectrum(12, "MAINLIB");
  PlusSpt_InitRightTitles(nist);
  ASSERT_EQ(PlusSpt_PutSpectrumIntoThisTextFileEx(nist, 1, "C:\\Out\\nist.csv", "csv"), 1);
  ExpectGolden("C:\\Out\\nist.csv", "column_nist.csv");
  PlusSpt_Free(nist);
}

TEST_F(SpectrumTitles, SaveAsOffersTheDefaultNameAndWritesTheChosenType) {
  ASSERT_TRUE(CreateDirectoryA("C:\\DATA", nullptr));
  ASSERT_TRUE(CreateDirectoryA("C:\\DATA\\TODAY", nullptr));
  STRUCT_SPT_PLUS* ms = MsSpectrum(false);
  PlusSpt_InitRightTitles(ms);
  std::string shown, folder;
  win::script::OnNextDialog([&](HWND dlg) {
    shown = win::script::GetField(dlg, edt1);
    win::script::SetField(dlg, edt1, "C:\\Out\\Mine");
    win::script::PickItem(dlg, cmb1, 1);  // TXT (tab delimited)
    folder = win::script::GetField(dlg, edt1);
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_EQ(PlusSpt_PutSpectrumIntoTextFile(ms), 1);
  EXPECT_EQ(shown, "RUN1.KMS Scans120-124-SPECTRUM.CSV");
  EXPECT_EQ(folder, "C:\\Out\\Mine.TXT");  // the typed name follows the type
  const std::string written = ReadFile(Host("C:\\Out\\mine.txt"));
  ASSERT_FALSE(written.empty());
  EXPECT_NE(written.find("\r\n50.040000\t1200\t\r\n"), std::string::npos);

  // A chosen extension decides the columns; cancelling writes nothing.
  win::script::OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, edt1, "C:\\Out\\Blank.PRN");
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_EQ(PlusSpt_PutSpectrumIntoTextFileEx(ms, "-X"), 1);
  EXPECT_NE(ReadFile(Host("C:\\Out\\blank.prn")).find("\r\n50.040000 1200\r\n"), std::string::npos);
  win::script::OnNextDialog([&](HWND dlg) { win::script::PressButton(dlg, IDCANCEL); });
  EXPECT_EQ(PlusSpt_PutSpectrumIntoTextFile(ms), 0);
  PlusSpt_Free(ms);
}
