// The spectrum control's reports: plot pages and spectrum reports made from
// the control through its print commands, the ion table, the MS/MS report
// of a scan with its precursor scans, the general preferences, the
// select-ions window and the hand-over to the library-comparison program.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/work_file.h"
#include "dialogs/click_select_ions_dialog.h"
#include "fandor/comparison_link.h"
#include "fixtures/msfixtures.h"
#include "prefsheets/global_preference_sheet.h"
#include "prefsheets/preference_pages.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "reportmakers/spectrum_reports.h"
#include "reportpages/reports_file.h"
#include "reportpages/tests/page_records.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "testing/golden_png.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "reportpages/view_page_control.h"

namespace {

constexpr const char* kReports = "C:\\TEMP\\spectra.msr";
constexpr const char* kRun = "C:\\Data\\MSMS1.KMS";

std::vector<std::string> Strings(const Played& p) {
  std::vector<std::string> out;
  for (const Text& t : p.texts) out.push_back(t.text);
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Whether a text holds the part, letter case aside.
bool Has(const std::vector<std::string>& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(),
                     [&](const std::string& t) { return Lower(t).find(Lower(part)) != std::string::npos; });
}

class SptReportsTest : public SptControlTest {
 protected:
  void SetUp() override {
    SptControlTest::SetUp();
    // The report printer: pages are laid out for it.
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    {
      CRptsFileHandler file(nullptr);
      ASSERT_EQ(file.MakeThisNewFile(kReports), 1);
    }
    UseReportPrefs(0);
  }
  void TearDown() override {
    kelt::pages::DeleteCachedPrinterDCs();
    KELT_ClearPlotReportOverrides();
    SptControlTest::TearDown();
  }
  // The named reports file, no preview, and the spectrum-report field.
  static void UseReportPrefs(int16_t spectrumReports, int16_t difference = 0, int16_t orientation = 0) {
    STRUCT_REPORT_PREFS prefs{};
    KELT_GetCurrDefReportPrefs(&prefs);
    std::strcpy(prefs.spooler.spoolFile, kReports);
    prefs.spooler.previewReports = 0;
    prefs.spooler.orientation = orientation;
    prefs.sptsReport.flags[0] = spectrumReports;
    prefs.sptsReport.flags[2] = prefs.sptsReport.flags[3] = difference;
    ASSERT_TRUE(KELT_WriteDefReportPrefs(&prefs, nullptr));
  }
  // A messy spectrum of a scan of a named data file.
  static sptfix::Spt FromFile(uint32_t seed, uint32_t scan, const char* path) {
    sptfix::Spt s = Messy(seed);
    STRUCT_TOL_SPT* tol = s->tolSpt;
    std::strcpy(tol->dataFilePath, path);
    tol->header.scanNumber = scan;
    tol->header.time = 3.25 + scan / 100.0;
    tol->header.lowLimit = 35;
    tol->header.highLimit = 310;
    tol->scansAveraged = 3;
    tol->bgCorrected = 1;
    return s;
  }
  static int Pages() {
    CRptsFileHandler file(nullptr);
    if (file.UseThisExistingFile(kReports) != 1) return -1;
    return file.GetCountOfPages();
  }
  static Played Page(int index, std::string* title = nullptr) {
    CRptsFileHandler file(nullptr);
    EXPECT_EQ(file.UseThisExistingFile(kReports), 1);
    RptsPageRecord record{};
    uint32_t size = 0;
    void* bits = file.GetPage(index, &record, &size);
    if (!bits) return {};
    Played p = Play(bits, size);
    FreeBlock(bits);
    if (title) *title = record.title;
    return p;
  }
  // A stored page played into a white Letter-size picture at 100 dpi.
  static std::string PagePng(int index) {
    CRptsFileHandler file(kReports, nullptr);
    RptsPageRecord r{};
    uint32_t size = 0;
    void* bits = file.GetPage(index, &r, &size);
    if (!bits) return {};
    HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
    FreeBlock(bits);
    const int w = 850, h = 1100;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(dc, bmp);
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &all);
    win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\page.png");
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    std::ifstream in(win::paths::ToHost("C:\\TEMP\\page.png"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// The print commands choose plot pages or spectrum reports by the report
// preferences' field; WM_USER+76 is the same command for A, B or both.
TEST_F(SptReportsTest, PrintCommandsMakeThePageTheReportFieldChooses) {
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(31, 117, "C:\\Data\\RUN7.KMS"), b = FromFile(32, 140, "C:\\Data\\RUN8.KMS");
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  struct Case {
    int16_t field;
    bool byMessage;
    UINT command;
    std::string title;
    std::vector<std::string> present, absent;
  };
  const Case cases[] = {
      {0, false, 8104, "Scan 117 from C:\\Data\\RUN7.KMS", {"Scan No: 117,  Time: 4.420 minutes"}, {"Norm"}},
      {0, true, 1, "Scan 140 from C:\\Data\\RUN8.KMS", {"Spectrum from C:\\Data\\RUN8.KMS"}, {"Norm"}},
      {0, false, 8106, "Scan 117 from C:\\Data\\RUN7.KMS", {"Scan 140 from C:\\Data\\RUN8.KMS"}, {"Scan No:"}},
      {1, false, 8104, "Scan 117 from C:\\Data\\RUN7.KMS",
       {"3 points averaged.  Background corrected.", "Pair Count: 60", "Acquired Range: ", "Int Norm"}, {"2nd"}},
      {1, true, 2, "Scan 117 from C:\\Data\\RUN7.KMS", {"1st Spectrum from", "2nd Spectrum from", "Int Norm"}, {}},
  };
  int pages = 0;
  for (const Case& k : cases) {
    UseReportPrefs(k.field);
    if (k.byMessage) SendMessageA(w, SPTM_PRINTSPECTRUM, k.command, 0);
    else SendMessageA(w, WM_COMMAND, k.command, 0);
    EXPECT_EQ(Control(w)->m_reportBusy, 0);
    ASSERT_GT(Pages(), pages) << k.command;
    std::string title;
    const std::vector<std::string> texts = Strings(Page(pages, &title));
    pages = Pages();
    EXPECT_EQ(Lower(title), Lower(k.title)) << k.command;
    for (const std::string& s : k.present) EXPECT_TRUE(Has(texts, s)) << k.command << ": " << s;
    for (const std::string& s : k.absent) EXPECT_FALSE(Has(texts, s)) << k.command << ": " << s;
  }
  // A command on a spectrum that is not held makes nothing.
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 8105, 0);
  SendMessageA(w, SPTM_PRINTSPECTRUM, 7, 0);
  EXPECT_EQ(Pages(), pages);
  DestroyWindow(w);
}

// The difference section is written only when the control shows the
// difference plot too, whatever the preferences ask.
TEST_F(SptReportsTest, SpectraReportHasTheDifferenceOnlyWhenTheControlShowsIt) {
  UseReportPrefs(1, 1);
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(41, 20, "C:\\Data\\RUN1.KMS"), b = FromFile(42, 21, "C:\\Data\\RUN2.KMS");
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  ASSERT_EQ(SendMessageA(w, SPTM_GETSPTCOUNT, 1, 0), 2);
  SendMessageA(w, WM_COMMAND, 8106, 0);
  ASSERT_EQ(Pages(), 1 + (Pages() > 1 ? Pages() - 1 : 0));
  std::vector<std::string> all;
  for (int i = 0; i < Pages(); ++i)
    for (const std::string& s : Strings(Page(i))) all.push_back(s);
  EXPECT_FALSE(Has(all, "Difference Spectrum"));
  const int before = Pages();
  ShowDifferences(w);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  ASSERT_EQ(SendMessageA(w, SPTM_GETSPTCOUNT, 1, 0), 3);
  SendMessageA(w, WM_COMMAND, 8106, 0);
  all.clear();
  for (int i = before; i < Pages(); ++i)
    for (const std::string& s : Strings(Page(i))) all.push_back(s);
  EXPECT_TRUE(Has(all, "Difference Spectrum (Straight Subtraction)"));
  DestroyWindow(w);
}

// A landscape preference gives the same blocks on a 120 x 60 grid; the
// report page is kept as a picture.
TEST_F(SptReportsTest, SpectrumReportPageAsStoredAndOnALandscapeGrid) {
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(51, 233, "C:\\Data\\RUN5.KMS");
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  UseReportPrefs(1);
  SendMessageA(w, WM_COMMAND, 8104, 0);
  ASSERT_EQ(Pages(), 1);
  testing_support::ExpectPngAsStored(PagePng(0), SPECTRUMCTL_GOLDEN_DIR, "spectrum-report-page");
  UseReportPrefs(1, 0, 2);
  SendMessageA(w, WM_COMMAND, 8104, 0);
  ASSERT_EQ(Pages(), 2);
  const Played wide = Page(1);
  // Four column groups on the wide grid.
  const std::vector<std::string> texts = Strings(wide);
  auto header = std::find_if(texts.begin(), texts.end(), [](const std::string& t) { return t.find("Int Norm") != t.npos; });
  ASSERT_NE(header, texts.end());
  size_t groups = 0;
  for (size_t at = header->find("Int Norm"); at != std::string::npos; at = header->find("Int Norm", at + 1)) ++groups;
  EXPECT_EQ(groups, 4u);
  DestroyWindow(w);
}

// The real-time page: its own title from the scan's record, the picture
// of spectrum A only, and the page-number format from that title.
TEST_F(SptReportsTest, RealTimePageTitles) {
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(81, 417, "C:\\Data\\LIVE%d.KMS"), b = FromFile(82, 418, "C:\\Data\\OTHER.KMS");
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  struct Case {
    const char* path;
    int16_t profile;
    std::string title;
  };
  const Case cases[] = {
      {"C:\\Data\\LIVE%d.KMS", 0, "Real Time Scan 417 from C:\\Data\\LIVE%d.KMS"},
      {"C:\\Data\\LIVE%d.KMS", 1, "Real Time PROFILE Scan 417 from C:\\Data\\LIVE%d.KMS"},
      {"", 0, "Real Time Scan 417"},
      {"", 1, "Real Time PROFILE Scan 417"},
  };
  int page = 0;
  for (const Case& k : cases) {
    std::strcpy(a->tolSpt->dataFilePath, k.path);
    a->tolSpt->profile = k.profile;
    char name[MAX_PATH];
    std::strcpy(name, kReports);
    ASSERT_EQ(RPTS_MakeRealTimeSpectrumFromCtl(name, &prefs, a.get(), Control(w)), 1) << k.title;
    std::string title;
    const std::vector<std::string> texts = Strings(Page(page, &title));
    EXPECT_EQ(Lower(title), Lower(k.title));
    // Spectrum B is not in the picture.
    EXPECT_FALSE(Has(texts, "other.kms")) << k.title;
    page = Pages();
  }
  // A spectrum of another kind makes no page.
  sptfix::Spt library = sptfix::Integer({{50, 100}, {51, 200}});
  char name[MAX_PATH];
  std::strcpy(name, kReports);
  EXPECT_EQ(RPTS_MakeRealTimeSpectrumFromCtl(name, &prefs, library.get(), Control(w)), 0);
  EXPECT_EQ(RPTS_MakeRealTimeSpectrumFromCtl(name, &prefs, a.get(), nullptr), 0);
  EXPECT_EQ(Pages(), page);
  DestroyWindow(w);
}

// The ion table: cells fill the groups column by column, dots stand for
// pairs outside the range, and a range without pairs says so.
TEST_F(SptReportsTest, IonTableLayout) {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  char name[MAX_PATH];
  std::strcpy(name, kReports);
  // Integer masses 50..59; the base peak at 55.
  std::vector<std::pair<uint16_t, uint32_t>> pairs;
  for (uint16_t m = 50; m < 60; ++m) pairs.push_back({m, uint32_t(m == 55 ? 4000 : 100 + 37 * (m - 50))});
  sptfix::Spt spt = sptfix::Integer(pairs);
  spt->nominalMasses = 1;
  PlusSpt_UpdateBasePeak(spt.get());
  CReportOutput out(name, &prefs, 80, 70, 2, REPORT_OUTPUT_PAGES);
  ASSERT_TRUE(out.Ok);
  out.Line = 5;
  kelt::reports::WriteIonTable(out, spt.get(), 3, 4, 52, 56);
  const int16_t afterTable = out.Line;
  kelt::reports::WriteIonTable(out, spt.get(), 3, 4, 70, 80);
  out.EndPage();
  EXPECT_EQ(afterTable, 5 + 1 + 3 + 1);
  const std::vector<std::string> texts = Strings(Page(0));
  ASSERT_GE(texts.size(), 5u);
  EXPECT_EQ(texts[0], std::string("   ") + " Ion       Int Norm  " + " Ion       Int Norm  " + " Ion       Int Norm  ");
  // 7 cells in 3 groups hold 3, 2 and 2; normalised to 999 at the base peak (m/z 55).
  EXPECT_EQ(texts[1], " | ...        ...     |  54        248  62 |  56        322  80 |");
  EXPECT_EQ(texts[2], " |  52        174  43 |  55      4,000 999 | ...        ...     |");
  EXPECT_EQ(texts[3], " |  53        211  53 |                    |                    |");
  EXPECT_EQ(texts[4], "No data");
}

// MS/MS runs: scans of kind 13 with their parent scans.
class SptMsmsReportTest : public SptReportsTest {
 protected:
  void SetUp() override {
    SptReportsTest::SetUp();
    ASSERT_TRUE(CreateDirectoryA("C:\\Data", nullptr));
    msfix::RunPlan plan;
    plan.scans = 80;
    plan.segments = {{1.0, 1, ""}};
    plan.compounds = 3;
    plan.adjustScan = [](MS_SCAN_HEADER& h) {
      const uint32_t s = h.scanNumber;
      if (s >= 20 && s <= 27) {
        h.scanKind = 13;
        h.parentScan = s == 20 ? 0 : s - 1;
      }
      if (s == 40) h.scanKind = 13;  // no parent
      if (s == 30 || s == 31) {      // each the other's parent
        h.scanKind = 13;
        h.parentScan = s == 30 ? 31 : 30;
      }
    };
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(kRun), plan, nullptr));
  }
  // The spectrum of one scan, as the control holds it.
  static sptfix::Spt ScanSpectrum(uint32_t scan) {
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kRun, 0);
    EXPECT_NE(wf, nullptr);
    if (!wf) return nullptr;
    STRUCT_CHAN_LIST chan{};
    STRUCT_TOL_SPT* tol = TOL_MakeAvgSptFromScanRangeEx(wf, &chan, nullptr, scan, scan);
    FreeWorkFileStruct(wf);
    EXPECT_NE(tol, nullptr);
    if (!tol) return nullptr;
    sptfix::Spt s = sptfix::NewRecord();
    PlusSpt_InitTolSpt(s.get(), tol, kRun);
    return s;
  }
  // The level labels of the last page, top to bottom.
  static std::vector<std::string> Labels(int page) {
    Played p = Page(page);
    std::sort(p.texts.begin(), p.texts.end(), [](const Text& a, const Text& b) { return a.y < b.y; });
    std::vector<std::string> out;
    for (const Text& t : p.texts)
      if (t.text.rfind("Survey Scan: ", 0) == 0 || (t.text.rfind("MS", 0) == 0 && t.text.find(" Scan: ") < 6))
        out.push_back(t.text);
    return out;
  }
};

TEST_F(SptMsmsReportTest, LevelsFromTheSurveyScanDown) {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  struct Case {
    uint32_t scan;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {40, {"Survey Scan: 40"}},
      {22, {"Survey Scan: 20", "MS/MS Scan: 21", "MS3 Scan: 22"}},
      {25, {"Survey Scan: 20", "MS/MS Scan: 21", "MS3 Scan: 22", "MS4 Scan: 23", "MS5 Scan: 24", "MS6 Scan: 25"}},
      // Deeper chains keep the six levels nearest the scan.
      {27, {"Survey Scan: 22", "MS/MS Scan: 23", "MS3 Scan: 24", "MS4 Scan: 25", "MS5 Scan: 26", "MS6 Scan: 27"}},
      // A chain that comes back on itself ends there.
      {30, {"Survey Scan: 31", "MS/MS Scan: 30"}},
  };
  int page = 0;
  for (const Case& k : cases) {
    sptfix::Spt s = ScanSpectrum(k.scan);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->tolSpt->header.scanKind, 13) << k.scan;
    char name[MAX_PATH];
    std::strcpy(name, kReports);
    ASSERT_EQ(RPTS_MakeMSMSReport(name, &prefs, s.get(), 40, 300, 0, 0), 1) << k.scan;
    EXPECT_EQ(Labels(page), k.labels) << k.scan;
    page = Pages();
  }
  // Other spectra make no report and store nothing.
  sptfix::Spt plain = ScanSpectrum(50);
  sptfix::Spt library = sptfix::Integer({{50, 100}, {51, 200}});
  char name[MAX_PATH];
  std::strcpy(name, kReports);
  EXPECT_EQ(RPTS_MakeMSMSReport(name, &prefs, plain.get(), 40, 300, 0, 0), 0);
  EXPECT_EQ(RPTS_MakeMSMSReport(name, &prefs, library.get(), 40, 300, 0, 0), 0);
  EXPECT_EQ(RPTS_MakeMSMSReport(name, &prefs, nullptr, 40, 300, 0, 0), 0);
  EXPECT_EQ(Pages(), page);
}

// Commands 8212 and 8213 hand the held spectrum to the MS/MS report.
TEST_F(SptMsmsReportTest, MsmsCommandsReportTheHeldSpectrum) {
  HWND w = MakeControl();
  sptfix::Spt a = ScanSpectrum(21), b = ScanSpectrum(50);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 8213, 0);  // B is no MS/MS scan
  EXPECT_EQ(Pages(), 0);
  SendMessageA(w, WM_COMMAND, 8212, 0);
  ASSERT_EQ(Pages(), 1);
  EXPECT_EQ(Labels(0), (std::vector<std::string>{"Survey Scan: 20", "MS/MS Scan: 21"}));
  DestroyWindow(w);
}

// WM_USER+77 hands A or B to the comparison program through the control's
// link, as one entry of the exchange file.
TEST_F(SptReportsTest, SpectrumGoesToTheComparisonProgram) {
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(61, 12, "C:\\Data\\RUN6.KMS");
  std::strcpy(a->name, "Methyl salicylate");
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  ASSERT_NE(Control(w)->m_pComparisonLink, nullptr);
  const std::string exchange = std::string("C:\\TEMP\\") + COMPARISON_EXCHANGE_FILE;
  SendMessageA(w, SPTM_SENDSPECTRUMTONIST, 1, 0);  // B is not held
  EXPECT_FALSE(HostExists("c/TEMP/KELTCMP.MSP"));
  SendMessageA(w, SPTM_SENDSPECTRUMTONIST, 0, 0);
  const std::string text = ReadHostFile("c/TEMP/KELTCMP.MSP");
  EXPECT_NE(text.find("Name: Methyl salicylate\r\n"), std::string::npos);
  EXPECT_NE(text.find("Comments: search\r\n"), std::string::npos);
  CAccessMSPFile msp(0);
  ASSERT_TRUE(msp.Open(exchange.c_str()));
  auto entry = std::make_unique<MSP_SPECTRUM>();
  ASSERT_TRUE(msp.ReadSpectrum(0, entry.get()));
  EXPECT_EQ(entry->peakCount, PlusSpt_CountPositiveNonZeroPairs(a.get()));
  double m = 0, v = 0;
  SptPairAt(a.get(), 0, &m, &v);
  EXPECT_NEAR(entry->masses[0], m, 1e-3);
  EXPECT_NEAR(entry->intensities[0], v, 0.5);
  SendMessageA(w, SPTM_SENDSPECTRUMTONIST, 0, 1);
  EXPECT_NE(ReadHostFile("c/TEMP/KELTCMP.MSP").find("Comments: compare\r\n"), std::string::npos);
  auto* link = static_cast<COMPARISON_LINK*>(Control(w)->m_pComparisonLink);
  EXPECT_EQ(link->sent, 2u);
  EXPECT_EQ(link->parentWindow, host);
  DestroyWindow(w);
}

// Command 8207: the general preferences; OK writes the record, Cancel and
// a value out of range leave it as stored.
TEST_F(SptReportsTest, GeneralPreferencesFromTheControl) {
  HWND w = MakeControl();
  STRUCT_GLOBAL_PREFS before{};
  KELT_GetCurrDefGlobalPrefs(&before);
  win::script::OnNextDialog([](HWND d) {
    EXPECT_TRUE(win::script::PickSheetPageText(d, "Miscellaneous"));
    win::script::SetField(win::script::SheetPage(d), PREFS_NUMBER, "3");
    win::script::PressButton(d, IDCANCEL);
  });
  SendMessageA(w, WM_COMMAND, 8207, 0);
  STRUCT_GLOBAL_PREFS now{};
  KELT_GetCurrDefGlobalPrefs(&now);
  EXPECT_EQ(now.features.value2, before.features.value2);
  win::script::ResetLogs();
  win::script::AnswerNextMessageBox(IDNO);
  const std::string shownBefore = std::to_string(before.features.value2);
  win::script::OnNextDialog([&](HWND d) {
    EXPECT_TRUE(win::script::PickSheetPageText(d, "Miscellaneous"));
    HWND page = win::script::SheetPage(d);
    win::script::SetField(page, PREFS_NUMBER, "9");
    win::script::PressButton(page, PREFS_CHECK);  // the focus leaves: the range question
    win::script::PressButton(page, PREFS_CHECK);
    EXPECT_EQ(win::script::GetField(page, PREFS_NUMBER), shownBefore);
    win::script::SetField(page, PREFS_NUMBER, "3");
    EXPECT_TRUE(win::script::PickSheetPageText(d, "Scientific Notation"));
    win::script::SetCheck(win::script::SheetPage(d), PREFS_CHECK, false);
    win::script::PressButton(d, IDOK);
  });
  SendMessageA(w, WM_COMMAND, 8207, 0);
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  KELT_GetCurrDefGlobalPrefs(&now);
  EXPECT_EQ(now.features.value2, 3);
  EXPECT_EQ(now.misc.scientificNotation, 0);
  STRUCT_GLOBAL_PREFS stored{};
  KELT_ReadDefGlobalPrefs(&stored, "KELTDefGlobalPrefs");  // FALSE: a valid record was read
  EXPECT_EQ(stored.features.value2, 3);
  EXPECT_NE(stored.timeStamp, 0);
  DestroyWindow(w);
}

// Command 8031 opens the click-select-ions window once, sets the mouse modes
// for picking ions and gives the modes back when it closes.
TEST_F(SptReportsTest, SelectIonsWindowOpensOnceAndRestoresModes) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  sptfix::Spt a = FromFile(71, 30, "C:\\Data\\RUN9.KMS");
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  const int16_t drag = c->m_clickDragMode, click = c->m_singleClickMode;
  Notices().clear();
  SendMessageA(w, WM_COMMAND, 8031, 0);
  ASSERT_NE(c->m_pSelChroPlotDlg, nullptr);
  CWnd* dlg = c->m_pSelChroPlotDlg;
  EXPECT_NE(dynamic_cast<CClickSelectIonsDlg*>(dlg), nullptr);
  char title[120] = {};
  GetWindowTextA(dlg->m_hWnd, title, sizeof title);
  EXPECT_STREQ(title, "Click and/or Click and Drag to Select Ions to Plot");
  EXPECT_EQ(CountNotices(SPTN_SELECT_MASS_LIST), 1);  // no chromatogram control yet
  EXPECT_EQ(c->m_clickDragMode, SPT_DRAG_CHROMATOGRAM);
  EXPECT_EQ(c->m_singleClickMode, SPT_CLICK_SELECT_MASS);
  SendMessageA(w, WM_COMMAND, 8031, 0);
  EXPECT_EQ(c->m_pSelChroPlotDlg, dlg);
  ASSERT_TRUE(win::script::PressButton(dlg->m_hWnd, IDCANCEL));
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pSelChroPlotDlg, nullptr);
  EXPECT_EQ(c->m_clickDragMode, drag);
  EXPECT_EQ(c->m_singleClickMode, click);
  DestroyWindow(w);
}

}  // namespace
namespace {

// Page lines run down the page: the printed plot and the report's picture
// lie between their first and last lines, scales and labels drawn.
TEST_F(SptReportsTest, PrintedPlotsFillTheirRectangle) {
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(51, 233, "C:\\Data\\RUN5.KMS");
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 8005, 0);
  UseReportPrefs(1);
  SendMessageA(w, WM_COMMAND, 8104, 0);
  ASSERT_EQ(Pages(), 2);
  for (int page = 0; page < 2; ++page) {
    const Played p = Page(page);
    int axisLabels = 0;
    for (const Text& t : p.texts) axisLabels += t.text == "m/z" || t.text == "%";
    EXPECT_EQ(axisLabels, 2) << page;
  }
  DestroyWindow(w);
}

// Only a landscape setting (2) makes a landscape plot page: the other
// values of the preference are portrait pages.
TEST_F(SptReportsTest, OnlyTheLandscapeSettingMakesALandscapePlotPage) {
  HWND w = MakeControl();
  sptfix::Spt a = FromFile(51, 233, "C:\\Data\\RUN5.KMS");
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  const struct {
    int16_t setting;
    uint16_t stored;
  } cases[] = {{0, 2}, {1, 2}, {2, 1}};
  int pages = 0;
  for (const auto& c : cases) {
    UseReportPrefs(0, 0, c.setting);
    SendMessageA(w, WM_COMMAND, 8005, 0);
    ASSERT_EQ(Pages(), ++pages);
    CRptsFileHandler file(nullptr);
    ASSERT_EQ(file.UseThisExistingFile(kReports), 1);
    RptsPageRecord record{};
    uint32_t size = 0;
    void* bits = file.GetPage(pages - 1, &record, &size);
    ASSERT_NE(bits, nullptr);
    FreeBlock(bits);
    EXPECT_EQ(record.orientation, c.stored) << c.setting;
    EXPECT_EQ(record.columns, c.setting == 2 ? 140 : 80) << c.setting;
  }
  DestroyWindow(w);
}

}  // namespace
