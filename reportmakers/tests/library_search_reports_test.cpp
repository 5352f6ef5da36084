// Library-search, log, target-list and index reports: the blocks of a
// search (header, constraints, peaks, mode, hits with structures), the hit
// list and its companions read back from the stored pages, the ion table's
// normalisation, the log reports of a run, the short target-list table and
// index printing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/mass_lists.h"
#include "common/preference_records.h"
#include "common/work_file.h"
#include "fandor/msp_library_files.h"
#include "fixtures/identification_fixture.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportmakers/library_index_printing.h"
#include "reportmakers/library_search_blocks.h"
#include "reportmakers/library_search_reports.h"
#include "reportmakers/log_reports.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "reportmakers/spectrum_reports.h"
#include "reportmakers/target_list_reports.h"
#include "reportpages/metafile_page.h"
#include "reportpages/reports_file.h"
#include "reportpages/tests/page_records.h"
#include "reportpages/view_page_control.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "testing/golden_png.h"
#include "testing/workstation_root.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

namespace r = kelt::reports;

constexpr char kReports[] = "C:\\Data\\search.msr";
constexpr char kFolder[] = "C:\\Data";
constexpr char kLibrary[] = "C:\\Data\\MAINLIB.MSP";

// Pens and text colours of a page besides its texts.
struct Colours {
  std::vector<COLORREF> pens, texts;
};

int CALLBACK CollectColours(HDC, HANDLETABLE*, const ENHMETARECORD* rec, int, LPARAM data) {
  auto* c = reinterpret_cast<Colours*>(data);
  if (rec->iType == EMR_CREATEPEN) c->pens.push_back(reinterpret_cast<const EMRCREATEPEN*>(rec)->lopn.lopnColor);
  if (rec->iType == EMR_SETTEXTCOLOR) c->texts.push_back(reinterpret_cast<const EMRSETCOLOR*>(rec)->crColor);
  return 1;
}

std::vector<std::string> Bonds() {
  return {"Bond: 100 70 126 85 0", "Bond: 126 85 126 115 1", "Bond: 126 115 100 130 0", "Bond: 100 130 74 115 1",
          "Bond: 74 115 74 85 0",  "Bond: 74 85 100 70 1",   "Bond: 100 70 100 40 0",   "Atom: 100 40 Cl"};
}

class SearchReportsTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    CreateDirectoryA(kFolder, nullptr);
    {
      CRptsFileHandler file(nullptr);
      ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
    }
    // Three entries; the first carries a structure.
    std::vector<msfix::LibrarySpectrum> lib(3);
    lib[0] = {"Chlorobenzene", "C6H5Cl", "108-90-7", 112, {{51, 120}, {77, 480}, {112, 999}, {114, 330}}, Bonds()};
    lib[0].details.push_back("NIST#: 11234");
    lib[0].details.push_back("Other DBs: TSCA EPA");
    lib[1] = {"Toluene", "C7H8", "108-88-3", 92, {{65, 80}, {91, 999}, {92, 610}}};
    lib[2] = {std::string(85, 'x'), "C8H10", "", 106, {{77, 90}, {91, 999}, {106, 400}}};
    ASSERT_TRUE(msfix::WriteMspLibrary(kLibrary, lib));
    KELT_GetCurrDefReportPrefs(&prefs_);
    prefs_.spooler.previewReports = 0;
    prefs_.spooler.orientation = 0;
    std::strcpy(name_, kReports);
    std::snprintf(list_.data(), list_.size(), "%s", "MAINLIB.MSP");
    std::strcpy(defs_.libraryPath, kFolder);
    defs_.libraryList = list_.data();
    defs_.libraryCount = defs_.activeLibraryCount = 1;
    defs_.libraryOptions[0] = 1;
    table_.hits = hits_;
    table_.count = 4;
    table_.forward = forward_;
    table_.reverse = reverse_;
    table_.probability = probability_;
    search_.kind = SEARCH_KIND_SPECTRUM;
    std::strcpy(search_.targetName, "Peak at 5.210 min");
    std::strcpy(search_.name, "Identity Search");
    search_.hitTable = &table_;
    search_.entries = entries_;
    search_.finalSearch = 4;
    search_.mode = SEARCH_MODE{'I', 0, 0, 35, 450, 1};
    search_.defs = &defs_;
  }
  void TearDown() override {
    kelt::pages::DeleteCachedPrinterDCs();
    WorkstationRootTest::TearDown();
  }
  static int Pages() {
    CRptsFileHandler file(nullptr);
    if (file.UseThisExistingFile(kReports) != 1) return -1;
    return file.GetCountOfPages();
  }
  static Played Page(int index, Colours* colours = nullptr) {
    CRptsFileHandler file(nullptr);
    EXPECT_EQ(file.UseThisExistingFile(kReports), 1);
    RptsPageRecord record{};
    uint32_t size = 0;
    void* bits = file.GetPage(index, &record, &size);
    if (!bits) return {};
    Played p = Play(bits, size);
    if (colours) {
      HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
      EnumEnhMetaFile(nullptr, emf, CollectColours, colours, nullptr);
      DeleteEnhMetaFile(emf);
    }
    FreeBlock(bits);
    return p;
  }
  static std::vector<Text> AllTexts() {
    std::vector<Text> all;
    for (int i = 0; i < Pages(); ++i) {
      const Played p = Page(i);
      all.insert(all.end(), p.texts.begin(), p.texts.end());
    }
    return all;
  }
  static bool Has(const std::vector<Text>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const Text& t) { return t.text.find(part) != std::string::npos; });
  }
  // The hit numbers: all-digit texts at the column of the results heading.
  static std::vector<Text> HitNumbers(const std::vector<Text>& texts) {
    const Text* heading = nullptr;
    for (const Text& t : texts)
      if (t.text == "Identity Search Results") heading = &t;
    std::vector<Text> out;
    if (!heading) return out;
    for (const Text& t : texts)
      if (t.x == heading->x && !t.text.empty() && t.text.find_first_not_of("0123456789") == std::string::npos)
        out.push_back(t);
    return out;
  }
  static const Text* Find(const std::vector<Text>& texts, const std::string& whole) {
    for (const Text& t : texts)
      if (t.text == whole) return &t;
    return nullptr;
  }

  STRUCT_REPORT_PREFS prefs_{};
  char name_[MAX_PATH] = {};
  std::vector<char> list_ = std::vector<char>(FANDOR_LIBRARY_LIST_SIZE, 0);
  STRUCT_NIST_DEFS defs_{};
  int32_t hits_[4] = {1, -1, 1, 1};
  int32_t entries_[4] = {1, 3, 2, 3};
  int32_t forward_[4] = {912, 0, 655, 402};
  int32_t reverse_[4] = {948, 0, 731, 588};
  int32_t probability_[4] = {8123, 0, 1204, 305};
  STRUCT_NIST_HIT_TABLE table_{};
  STRUCT_NIST_SEARCH search_{};
};

TEST_F(SearchReportsTest, HitListShowsEachHitWithItsDetailsAndSkipsEmptyOnes) {
  ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
  const std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "Peak at 5.210 min Hit List"));
  EXPECT_TRUE(Has(texts, "Identity Search Results"));
  EXPECT_TRUE(Has(texts, "Hits Found:"));
  EXPECT_TRUE(Has(texts, "Search One Library:"));
  EXPECT_TRUE(Has(texts, "mainlib.msp"));
  EXPECT_TRUE(Has(texts, "R.Match:  948,  F.Match:  912,  Probability: 81.23"));
  EXPECT_TRUE(Has(texts, "Entry #: 1 of MAINLIB"));
  EXPECT_TRUE(Has(texts, "MW: 112  CAS No: 108-90-7"));
  EXPECT_TRUE(Has(texts, "NIST No: 11234  Other Databases:"));
  EXPECT_TRUE(Has(texts, "Entry #: 2 of MAINLIB"));
  // The empty second hit prints nothing: hit numbers 1, 3 and 4 only.
  std::vector<std::string> numbers;
  for (const Text& t : HitNumbers(texts)) numbers.push_back(t.text);
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "3", "4"}));
  // An 85-character name takes two lines of 70 and 15.
  EXPECT_TRUE(Has(texts, std::string(70, 'x')));
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const Text& t) {
    return t.text.find_last_not_of(' ') == 14 && t.text.rfind(std::string(15, 'x'), 0) == 0;
  }));
}

// The hit list as a user sees it: the search blocks, then each hit with the
// structure of the first beside its text.
TEST_F(SearchReportsTest, HitListPagePicture) {
  entries_[2] = entries_[3] = 2;
  ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
  CRptsFileHandler file(kReports, nullptr);
  RptsPageRecord record{};
  uint32_t size = 0;
  void* bits = file.GetPage(0, &record, &size);
  ASSERT_NE(bits, nullptr);
  HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
  FreeBlock(bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 850, 1100);
  HGDIOBJ old = SelectObject(dc, bmp);
  const RECT all{0, 0, 850, 1100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  PlayEnhMetaFile(dc, emf, &all);
  win::gdi::SaveBitmapPng(dc, "C:\\Data\\hit-list.png");
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  DeleteEnhMetaFile(emf);
  std::ifstream in(win::paths::ToHost("C:\\Data\\hit-list.png"), std::ios::binary);
  testing_support::ExpectPngAsStored(std::string(std::istreambuf_iterator<char>(in), {}), LIBRARY_SEARCH_GOLDEN_DIR,
                                     "hit-list-page");
}

TEST_F(SearchReportsTest, AHitWithAStructurePushesTheNextHitOneLineLower) {
  // Hit 1 has a structure; hits 3 and 4 (the same short entry) have none.
  entries_[2] = entries_[3] = 2;
  ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
  ASSERT_EQ(Pages(), 1);
  const std::vector<Text> numbers = HitNumbers(AllTexts());
  ASSERT_EQ(numbers.size(), 3u);
  // Six lines a hit, seven beside a structure.
  const int plain = numbers[2].y - numbers[1].y;
  ASSERT_GT(plain, 0);
  EXPECT_NEAR(double(numbers[1].y - numbers[0].y) / plain, 7.0 / 6.0, 0.02);
}

TEST_F(SearchReportsTest, StructureLabelsAndBondsTakeTheirOwnColours) {
  prefs_.sptsColors.colors[8] = RGB(0, 128, 0);   // labels
  prefs_.sptsColors.colors[9] = RGB(128, 0, 128);  // bonds
  table_.count = 1;
  ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
  Colours c;
  Page(0, &c);
  EXPECT_NE(std::find(c.pens.begin(), c.pens.end(), RGB(128, 0, 128)), c.pens.end());
  EXPECT_NE(std::find(c.texts.begin(), c.texts.end(), RGB(0, 128, 0)), c.texts.end());
  EXPECT_EQ(std::find(c.pens.begin(), c.pens.end(), RGB(0, 128, 0)), c.pens.end());
}

TEST_F(SearchReportsTest, AHitThatCannotBeReadEndsTheReportWithTheErrorText) {
  entries_[0] = 99;  // beyond the library
  ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
  EXPECT_TRUE(Has(AllTexts(), "REPORT TERMINATED - ERROR OCCURRED"));
}

TEST_F(SearchReportsTest, APercentInTheTargetNameIsPrintedAsText) {
  std::strcpy(search_.targetName, "100%s %d %n%%");
  ASSERT_EQ(RPTS_MakeBestHitListReport(name_, 0, 0, &prefs_, &search_, 3, 0), 1);
  ASSERT_GE(Pages(), 2);
  EXPECT_TRUE(Has(Page(1).texts, "Best 3 Hits of 100%s %d %n%% - Page 2"));
}

TEST_F(SearchReportsTest, BestHitsListAllNonEmptyHitsWhenNIsLarger) {
  ASSERT_EQ(RPTS_MakeBestHitListReport(name_, 0, 1, &prefs_, &search_, 10, 0), 1);
  const std::vector<Text> texts = AllTexts();
  int shown = 0;
  for (const Text& t : texts)
    if (t.text.rfind("Hit ", 0) == 0) ++shown;
  EXPECT_EQ(shown, 3);
  // All hits empty: only the page frame (no target with this search).
  for (int32_t& h : hits_) h = -1;
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  ASSERT_EQ(RPTS_MakeBestHitListReport(name_, 0, 1, &prefs_, &search_, 10, 0), 1);
  for (const Text& t : AllTexts()) EXPECT_NE(t.text.rfind("Hit ", 0), 0u) << t.text;
}

TEST_F(SearchReportsTest, TopTenTableListsMatchesOrFormulasByKind) {
  ASSERT_EQ(RPTS_MakeNISTSearchTopTenReport(name_, &prefs_, &search_), 1);
  std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "Rank    Entry  Library  R.Match F.Match  Mol.Wt.   Name"));
  EXPECT_TRUE(Has(texts, "  1         1  MAINLIB    948     912      112     Chlorobenzene"));
  search_.kind = SEARCH_KIND_PEAKS;
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  ASSERT_EQ(RPTS_MakeNISTSearchTopTenReport(name_, &prefs_, &search_), 1);
  texts = AllTexts();
  EXPECT_TRUE(Has(texts, "CAS Number"));
  EXPECT_TRUE(Has(texts, "108-90-7"));
  EXPECT_FALSE(Has(texts, "Probability"));
}

TEST(SimilarityTexts, ByKindModeAndProbability) {
  int32_t hits[1] = {1}, forward[1] = {812}, reverse[1] = {870}, probability[1] = {4512};
  STRUCT_NIST_HIT_TABLE t{hits, 1, forward, reverse, probability};
  STRUCT_NIST_SEARCH s{};
  s.hitTable = &t;
  struct Case {
    int16_t kind;
    int32_t mode, reverseFlag;
    const char* text;
  } cases[] = {
      {19, 'I', 0, "R.Match:  870,  F.Match:  812,  Probability: 45.12"},
      {19, 'I', 1, "R.Match:  870,  F.Match:  812"},
      {19, 'Q', 0, "R.Match:  870,  F.Match:  812"},
      {10, 'I', 0, ""},
  };
  for (const Case& c : cases) {
    s.kind = c.kind;
    s.mode.mode = c.mode;
    s.mode.reverse = c.reverseFlag;
    char text[96] = "junk";
    FormatNistHitSimilarity(&s, 0, text);
    EXPECT_STREQ(text, c.text);
  }
  STRUCT_MSP_SEARCH m{};
  int32_t matched[2] = {4, 7};
  int32_t f2[2] = {700, 650}, r2[2] = {720, 690}, p2[2] = {0, 3300};
  m.count = 2;
  m.matched = matched;
  m.forward = f2;
  m.reverse = r2;
  m.probability = p2;
  m.mode.mode = 'I';
  char text[96] = {};
  FormatNistMSPHitSimilarity(&m, 0, text);
  EXPECT_STREQ(text, "R.Match:  720,  F.Match:  700");  // probability 0: the short form
  FormatNistMSPHitSimilarity(&m, 1, text);
  EXPECT_STREQ(text, "R.Match: 690,  F.Match: 650,  Probability: 33.00");
  EXPECT_EQ(FormatNistMSPHitSimilarity(&m, 2, text), 0);
}

TEST(NamePieces, ShortTailsJoinAndBreaksFollowMarks) {
  EXPECT_EQ(r::NamePieces(std::string(75, 'a'), 70).size(), 1u);
  const auto two = r::NamePieces(std::string(85, 'a'), 70);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].size(), 15u);
  const auto marked = r::NamePieces(std::string(70, 'a') + "-" + std::string(20, 'b'), 70);
  ASSERT_EQ(marked.size(), 2u);
  EXPECT_EQ(marked[0].back(), '-');
  EXPECT_EQ(marked[1], std::string(20, 'b'));
  EXPECT_TRUE(r::NamePieces("", 70).empty());
}

TEST(Constraints, UnterminatedSymbolsAndOversizedCountsAreHeld) {
  STRUCT_NIST_DEFS defs{};
  SEARCH_CONSTRAINTS c{};
  c.elementCount = 1000;
  c.ruleCount = -5;
  c.peakCount = 11;
  std::memcpy(c.elementSymbols, "ClBrC N O S P F I Si", 20);  // no terminators anywhere
  std::memcpy(defs.searchParameters, &c, sizeof c);
  const SEARCH_CONSTRAINTS read = r::ReadConstraints(&defs);
  EXPECT_EQ(+read.elementCount, SEARCH_MOST_ITEMS);
  EXPECT_EQ(+read.ruleCount, 0);
  EXPECT_EQ(+read.peakCount, SEARCH_MOST_ITEMS);
  EXPECT_TRUE(r::AnyConstraint(read));
  EXPECT_FALSE(r::AnyConstraint(r::ReadConstraints(nullptr)));
}

TEST_F(SearchReportsTest, ConstraintsBlockPrintsTwoLetterSymbolsAndBoundedRows) {
  SEARCH_CONSTRAINTS c{};
  c.mwMinimum = 100;
  c.mwMaximum = 180;
  c.someElements = 1;
  c.elementCount = 3;
  std::memcpy(c.elementSymbols, "ClBrC ", 6);
  c.ruleCount = 40;  // more rules than there is room for
  for (int i = 0; i < SEARCH_MOST_ITEMS; ++i) {
    std::memcpy(c.ruleSymbols[i], "Cl", 2);
    c.ruleRelations[i] = '<';
    c.ruleValues[i] = i;
  }
  c.peakCount = 1;
  c.peakTypes[0] = 'M';
  c.peakMass[0] = 112;
  c.peakFrom[0] = 50;
  c.peakTo[0] = 100;
  std::memcpy(defs_.searchParameters, &c, sizeof c);
  search_.constraintsOn = 1;
  search_.kind = SEARCH_KIND_PEAKS;
  search_.peaks.count = 2;
  search_.peaks.types[0] = 2;
  search_.peaks.ions[0] = 91;
  search_.peaks.from[0] = 40;
  search_.peaks.to[0] = 100;
  search_.peaks.types[1] = 4;
  search_.peaks.ions[1] = 65;
  search_.peaks.from[1] = 1;
  search_.peaks.to[1] = 3;
  table_.count = 0;
  ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
  const std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "100 - 180"));
  EXPECT_TRUE(Has(texts, "   Some of these and no others."));
  EXPECT_NE(Find(texts, "   Cl Br C  "), nullptr);
  int rules = 0;
  for (const Text& t : texts)
    if (t.text.rfind("   Cl < ", 0) == 0) ++rules;
  EXPECT_EQ(rules, SEARCH_MOST_ITEMS);
  EXPECT_TRUE(Has(texts, "   MaxIon    112    50   100"));
  EXPECT_TRUE(Has(texts, "MaxIon   91     40%     100%"));
  EXPECT_TRUE(Has(texts, "Rank      65      1        3"));
  EXPECT_TRUE(Has(texts, "Relative"));
}

TEST_F(SearchReportsTest, SearchModeShowsMolecularWeightForHybridOnly) {
  for (int32_t mode : {'H', 'Q'}) {
    DeleteFileA(kReports);
    {
      CRptsFileHandler file(nullptr);
      ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
    }
    search_.mode = SEARCH_MODE{mode, 156, 1, 40, 300, 5};
    table_.count = 0;
    ASSERT_EQ(RPTS_MakeHitListReport(name_, 0, &prefs_, &search_), 1);
    const std::vector<Text> texts = AllTexts();
    EXPECT_EQ(Has(texts, "MW:"), mode == 'H');
    EXPECT_TRUE(Has(texts, mode == 'H' ? "Hybrid (Reverse)" : "Quick (Reverse)"));
    EXPECT_TRUE(Has(texts, "40 - 300"));
  }
}

TEST_F(SearchReportsTest, IonTableOfAZeroBasePeakKeepsIntensitiesUnscaled) {
  // Double pairs count whatever their intensity: the base peak's is 0.
  auto* diff = static_cast<STRUCT_DIFF_SPT*>(AllocBlock(sizeof(STRUCT_DIFF_SPT) + 3 * sizeof(DIFF_PAIR)));
  ASSERT_NE(diff, nullptr);
  diff->pairCount = 4;
  diff->pairs[0] = {50, 40};
  diff->pairs[1] = {51, 0};
  diff->pairs[2] = {52, 75};
  diff->pairs[3] = {53, -12};
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  ASSERT_NE(spt, nullptr);
  PlusSpt_InitDiffSpt(spt, diff, nullptr, nullptr);
  spt->basePeakMass = 51;
  {
    CReportOutput out(name_, &prefs_, 80, 70, 2, REPORT_OUTPUT_PAGES);
    ASSERT_TRUE(out.Ok);
    r::WriteIonTable(out, spt, 1, 4, 0, 0);
    out.EndPage();
  }
  PlusSpt_Free(spt);
  const std::vector<Text> texts = AllTexts();
  // The row of m/z 52 ends with its intensity unscaled (75), not a quotient by 0.
  bool seen = false;
  for (const Text& t : texts)
    if (t.text.find(" 52") != std::string::npos && t.text.find('|') != std::string::npos) {
      seen = true;
      EXPECT_EQ(t.text.substr(t.text.size() - 5), " 75 |") << t.text;
    }
  EXPECT_TRUE(seen);
}

TEST(TargetListCells, CutToTheirWidths) {
  EXPECT_EQ(r::FitCell("abc", 5), "abc");
  EXPECT_EQ(r::FitCell(std::string(40, 'n'), 34, false), std::string(34, 'n'));
  EXPECT_EQ(r::FitCell("Hexachlorocyclopentadiene", 10), "Hexachl...");
  EXPECT_EQ(r::FileCell("C:\\Lists\\TARGETS.MSP", 21), "TARGETS.MSP");
  EXPECT_EQ(r::FileCell("C:\\Lists\\AVERYLONGLISTFILENAME.MSP", 21), "AVERYLONGLISTFILEN...");
  EXPECT_EQ(r::FileCell("NOEXT", 21), "NOEXT");
}

TEST_F(SearchReportsTest, ShortTargetListTableRowsAndSkippedMatches) {
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  STRUCT_LIST_SPT* entry = nullptr;
  {
    CAccessMSPFile list(0);
    ASSERT_TRUE(list.Open(kLibrary));
    entry = list.ReadSpectrum(1);
  }
  ASSERT_TRUE(spt && entry);
  PlusSpt_InitListSpt(spt, entry);
  char paths[1][260] = {};
  std::strcpy(paths[0], kLibrary);
  LIST_FILE_TABLE files{1, paths};
  STRUCT_TLS_MATCH matches[3] = {{0, 0, 2, 640, 702}, {1, 0, 0, 900, 911}, {2, 4, 0, 1, 1}};
  STRUCT_TLS_SEARCH s{};
  s.spectrum = spt;
  s.files = &files;
  s.mode.mode = 'I';
  s.threshold = 500;
  s.maxMatches = 3;
  s.matchCount = 3;
  s.matches = matches;
  ASSERT_EQ(RPTS_MakeShortTargetListSearchASpectrum(name_, &prefs_, &s, 1, 3), 1);
  PlusSpt_Free(spt);
  const std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "Target List Search a Spectrum"));
  EXPECT_NE(Find(texts, "Chlorobenzene"), nullptr);
  EXPECT_NE(Find(texts, std::string(34, 'x')), nullptr);  // a long name without dots
  EXPECT_NE(Find(texts, "MAINLIB.MSP"), nullptr);
  EXPECT_NE(Find(texts, "     3"), nullptr);  // entry index 2 printed from 1
  // The match whose file lies beyond the table is skipped.
  int rows = 0;
  for (const Text& t : texts)
    if (t.text == "   3") ++rows;
  EXPECT_EQ(rows, 0);
}

TEST(IndexPrinting, AbortCodes) {
  for (int code : {-1, -2, -3, -4, -5}) EXPECT_EQ(AbortPrintingReports6(nullptr, code), 0) << code;
  for (int code : {0, 1, -6, 100}) EXPECT_EQ(AbortPrintingReports6(nullptr, code), 1) << code;
}

TEST_F(SearchReportsTest, IndexesPrintOneDocumentEach) {
  SetPrintJobOutput("C:\\Data\\index.pdf");
  PrintListFileIndex(kLibrary, 1, 3, &prefs_);
  PrintNistLibraryIndex(&defs_, 1, 2, 6, &prefs_);  // beyond the end: "(deleted)" rows
  PrintListFileIndex(kLibrary, 3, 1, &prefs_);      // nothing to print: an empty document
  PrintListFileIndex("C:\\Data\\NONE.MSP", 1, 3, &prefs_);
  EXPECT_EQ(GetPrintJobCount(), 4);
  SetPrintJobOutput(nullptr);
  EXPECT_TRUE(std::filesystem::exists(win::paths::ToHost("C:\\Data\\index.pdf")));
}

TEST_F(SearchReportsTest, LogReportsOfARun) {
  const std::string run = "C:\\Data\\RUN1.KMS";
  msfix::RunPlan plan;
  plan.scans = 200;
  ASSERT_TRUE(msfix::WriteMsDataFile(run, plan, nullptr));
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(run.c_str(), 0);
  ASSERT_NE(wf, nullptr);
  EXPECT_EQ(RPTS_MakeLogReport(name_, &prefs_, wf), 1);
  EXPECT_EQ(RPTS_MakeMSLogReport(name_, &prefs_, wf, nullptr, 0, 1, 1, 1, 1, 0, 0, 1, 1, 1), 1);
  EXPECT_EQ(RPTS_MakeDorlLogReport(name_, &prefs_, wf), 1);
  FreeWorkFileStruct(wf);
  const std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "Log of File:  C:\\DATA\\RUN1.KMS"));
  EXPECT_TRUE(Has(texts, "Acquisition Segment Information"));
  EXPECT_EQ(RPTS_MakeLogReport(name_, &prefs_, nullptr), 0);
}

TEST_F(SearchReportsTest, ListSearchReportsEachListSpectrumWithItsMatch) {
  // The library doubles as the list file: spectrum 1 matched entry 1,
  // spectrum 2 nothing, spectrum 3 a deleted entry.
  int32_t matched[3] = {1, 0, -4};
  int16_t libraries[3] = {1, 1, 1};
  int32_t forward[3] = {955, 0, 0}, reverse[3] = {961, 0, 0}, probability[3] = {9000, 0, 0};
  STRUCT_MSP_SEARCH m{};
  std::strcpy(m.name, "List Search");
  m.preSearch = 20;
  m.finalSearch = 1;
  std::strcpy(m.listPath, kLibrary);
  m.count = 3;
  m.matched = matched;
  m.libraries = libraries;
  m.forward = forward;
  m.reverse = reverse;
  m.probability = probability;
  m.mode = SEARCH_MODE{'I', 0, 0, 35, 450, 1};
  m.defs = &defs_;
  ASSERT_EQ(RPTS_MakeMSPHitListReport(name_, 0, &prefs_, &m, 0), 1);
  const std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "Search NIST Libraries for spectra in Spectrum List File"));
  EXPECT_TRUE(Has(texts, "File: c:\\data\\mainlib.msp"));
  EXPECT_TRUE(Has(texts, "List Search Parameters"));
  EXPECT_TRUE(Has(texts, "1.  R.Match: 961,  F.Match: 955,  Probability: 90.00"));
  EXPECT_TRUE(Has(texts, "2.  No Match"));
  EXPECT_TRUE(Has(texts, "3.  Deleted Match"));
  EXPECT_TRUE(Has(texts, "Match Spectrum 1 from "));
  EXPECT_TRUE(Has(texts, "Target Spectrum 1 from mainlib.msp"));
  // No list spectra: the header page alone.
  m.count = 0;
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  ASSERT_EQ(RPTS_MakeMSPHitListReport(name_, 0, &prefs_, &m, 0), 1);
  EXPECT_EQ(Pages(), 1);
  EXPECT_FALSE(Has(AllTexts(), "1.  "));
}

TEST_F(SearchReportsTest, ChromatogramSearchMarksFoundPeaksOrSaysNoMatches) {
  const std::string run = "C:\\Data\\RUN2.KMS";
  msfix::RunPlan plan;
  plan.scans = 300;
  msfix::RunTruth truth;
  ASSERT_TRUE(msfix::WriteMsDataFile(run, plan, &truth));
  ASSERT_FALSE(truth.compounds.empty());
  char paths[1][260] = {};
  std::strcpy(paths[0], kLibrary);
  LIST_FILE_TABLE files{1, paths};
  STRUCT_TLS_PEAK_MATCH peaks[2] = {};
  peaks[0].file = 0;
  peaks[0].entry = 1;
  peaks[0].found = 0;
  peaks[1] = peaks[0];
  peaks[1].time = truth.compounds[0].retentionTime;
  peaks[1].scan = 57;
  peaks[1].reverse = 810;
  peaks[1].forward = 790;
  STRUCT_PS plot{};
  KELT_InitMergedChanList(&plot.chanList);
  STRUCT_TLS_CHRO_SEARCH s{};
  std::strcpy(s.dataFile, run.c_str());
  s.files = &files;
  s.mode.mode = 'I';
  s.threshold = 600;
  s.timeFrom = 2;
  s.timeTo = 12;
  s.plot = &plot;
  s.peakCount = 2;
  s.peaks = peaks;
  ASSERT_EQ(RPTS_MakeTargetListSearchChromatogram(name_, &prefs_, &s), 1);
  std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "No Matches"));
  EXPECT_TRUE(Has(texts, "Scan Functions:"));
  EXPECT_TRUE(Has(texts, "Match Threshold:"));
  peaks[1].found = 1;
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  ASSERT_EQ(RPTS_MakeTargetListSearchChromatogram(name_, &prefs_, &s), 1);
  texts = AllTexts();
  EXPECT_FALSE(Has(texts, "No Matches"));
  EXPECT_TRUE(Has(texts, "Search Spectrum: # 2 from MAINLIB.MSP (R.Match: 810, F.Match: 790, Scan: 57"));
  // A data file that is not there: the title and "No Matches" only when nothing was found.
  std::strcpy(s.dataFile, "C:\\Data\\NONE.KMS");
  peaks[1].found = 0;
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  ASSERT_EQ(RPTS_MakeTargetListSearchChromatogram(name_, &prefs_, &s), 1);
  texts = AllTexts();
  EXPECT_TRUE(Has(texts, "No Matches"));
  EXPECT_FALSE(Has(texts, "Match Threshold:"));
}

TEST_F(SearchReportsTest, SpectraReportOfTwoEntriesWithMatchValuesAndDifference) {
  // Two entries that share their base peak, so that they match in part.
  STRUCT_SPT_PLUS* a = r::LibraryEntrySpectrum(&defs_, 1, 2);
  STRUCT_SPT_PLUS* b = r::LibraryEntrySpectrum(&defs_, 1, 3);
  ASSERT_TRUE(a && b);
  prefs_.sptsReport.flags[0] = 1;
  prefs_.sptsReport.flags[2] = prefs_.sptsReport.flags[3] = 1;
  prefs_.sptsPlots.showStructures = 1;
  const double ranges[8] = {};
  // The plot tells its match values too; the header adds a line of its own
  // only when the preferences ask for them.
  int matchLines[2] = {};
  for (int16_t flag : {0, 1}) {
    DeleteFileA(kReports);
    {
      CRptsFileHandler file(nullptr);
      ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
    }
    prefs_.sptsReport.flags[1] = flag;
    EXPECT_EQ(RPTS_MakeSpectraReport(name_, &prefs_, a, b, ranges, 1), 1);
    const std::vector<Text> texts = AllTexts();
    for (const Text& t : texts)
      if (t.text.rfind("R.Match: ", 0) == 0) ++matchLines[flag];
    EXPECT_TRUE(Has(texts, "Entry 2 from "));
    EXPECT_TRUE(Has(texts, "Target Spectrum 2 from "));
    EXPECT_TRUE(Has(texts, "Match Spectrum 3 from "));
    EXPECT_TRUE(Has(texts, "Synonyms:  None"));
    EXPECT_TRUE(Has(texts, "Difference Spectrum (Straight Subtraction)"));
  }
  EXPECT_EQ(matchLines[1], matchLines[0] + 1);
  PlusSpt_Free(a);
  PlusSpt_Free(b);
}

TEST_F(SearchReportsTest, TextListReportNumbersEveryListSpectrum) {
  prefs_.sptsReport.flags[0] = 1;
  EXPECT_EQ(RPTS_MakeTextListReport(name_, &prefs_, kLibrary), 1);
  const std::vector<Text> texts = AllTexts();
  EXPECT_TRUE(Has(texts, "List File:  mainlib.msp"));
  for (const char* label : {"1. Spectrum 1 from mainlib.msp", "2. Spectrum 2 from mainlib.msp", "3. Spectrum 3 from"})
    EXPECT_TRUE(Has(texts, label)) << label;
  // A list that cannot be opened: the report ends with the error text.
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
  }
  EXPECT_EQ(RPTS_MakeTextListReport(name_, &prefs_, "C:\\Data\\NONE.MSP"), 1);
  EXPECT_TRUE(Has(AllTexts(), "REPORT TERMINATED - ERROR OCCURRED"));
}

}  // namespace
