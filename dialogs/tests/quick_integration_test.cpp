// The quick integration window over a processed run: its peaks against the
// engine called directly, the list it shows, its buttons, the stored
// parameter record, the text export and the printed summary.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/library_state.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/integration_dialogs.h"
#include "dialogs/quick_integration_params.h"
#include "fandor/list_file_checks.h"
#include "fandor/msp_library_files.h"
#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay.h"
#include "pomsel/pomsel.h"
#include "quant/processed_files.h"
#include "reportpages/msr_functions.h"
#include "spectra/rms_noise.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_record.h"
#include "win/win_commdlg.h"
#include "win/win_commctrl.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

namespace ws = win::script;
constexpr char kRun[] = "C:\\Runs\\water.kms";
constexpr char kMethod[] = "C:\\Runs\\water.mth";

std::string ReadHost(const char* winPath) {
  std::ifstream in(win::paths::ToHost(winPath), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      out.push_back(text.substr(at));
      break;
    }
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

class QuickIntegrationTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\Runs", nullptr);
    CreateDirectoryA("C:\\Out", nullptr);
    msfix::DHPlan plan;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kRun, kMethod, plan, &truth_));
    overlay_ = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    ASSERT_NE(overlay_, nullptr);
    ASSERT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(overlay_, 0, kRun, DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                                   nullptr, "Counts", "", 0, 0));
    OPLOT_UpdateOverlayPlots(overlay_, overlay_->tail.homeStart, overlay_->tail.homeEnd);
    ASSERT_NE(overlay_->slots[0].trace, nullptr);
    ws::ResetLogs();
  }
  void TearDown() override {
    if (dlg_ && IsWindow(dlg_->m_hWnd)) dlg_->DestroyWindow();
    ws::PumpUntilIdle();
    OPLOT_ClearOverlayStructure(overlay_);
    FreeBlock(overlay_);
    KeltRootTest::TearDown();
  }
  // The window for plot 0 (or all plots), its first integration done.
  CQuickIntegrationDlg* Open(short plot = 0) {
    auto* d = new CQuickIntegrationDlg(nullptr, plot, nullptr, overlay_->slots[0].workFile->fileType, overlay_, 0,
                                       nullptr, nullptr, 0, 0);
    if (!d->CreateWindowed()) {
      delete d;
      return nullptr;
    }
    dlg_ = d;
    ws::PumpUntilIdle();
    return d;
  }

  msfix::DHTruth truth_;
  SVW_OVERLAY* overlay_ = nullptr;
  CQuickIntegrationDlg* dlg_ = nullptr;
};

// The engine's peaks of the run with its own stored parameters, as the
// window asks for them: the trace's lists, no filtering, the whole run.
std::vector<STRUCT_DH_RESULT> EnginePeaks(const STRUCT_WORK_FILE* wf, const STRUCT_NE_DATA_POINTS* trace) {
  std::vector<STRUCT_DH_RESULT> out;
  STRUCT_DH_GLOBAL_PARAMS g{};
  HDHTABLE t = DF_MSOpenGlobalParams(wf->filePath, wf->fileType, wf->module, "1");
  if (!t) return out;
  const bool read = DF_MSReadGlobalParams(t, &g);
  FreeDHRecordSet(t);
  if (!read) return out;
  g.smoothingKind = g.smoothingHalfWidth = 0;
  g.spikeFactor = 0;
  std::memcpy(&g.massList, &trace->massList, sizeof g.massList);
  std::memcpy(&g.chanList, &trace->chanList, sizeof g.chanList);
  const char* params = "C:\\Out\\direct.mth";
  if (!CreateSectionFileAtPath(params, SECTION_FILE_TYPE_METHOD, 0, 1)) return out;
  if (HDHTABLE w = DF_MSCreateGlobalParams(params, wf->fileType, wf->module, "1")) {
    DF_MSWriteGlobalParams(w, &g);
    FreeDHRecordSet(w);
  }
  char events[64];
  BuildDHSectionName(events, "TimeEvents", wf->fileType, wf->module, "1");
  if (SectionExists(wf->filePath, events)) CopySection(wf->filePath, events, params, events);
  char processed[MAX_PATH] = {};
  if (!GetProcessedChromatogramFileInteractiveEx(nullptr, nullptr, wf->filePath, 0, 0, 0, 0, params, nullptr,
                                                 processed, nullptr, 1, -1))
    return out;
  if (HDHTABLE r = OpenDHResultTable(processed, wf->fileType, wf->module, "1")) {
    for (int16_t i = 0; i < CountDHResults(r); ++i) {
      STRUCT_DH_RESULT p{};
      if (GetDHResult(r, i, &p)) out.push_back(p);
    }
    FreeDHRecordSet(r);
  }
  DeleteFileA(processed);
  DeleteFileA(params);
  return out;
}

TEST_F(QuickIntegrationTest, PeaksAreasAndSignalToNoiseAreTheEnginesOwn) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  OVERLAY_SLOT& s = overlay_->slots[0];
  const std::vector<STRUCT_DH_RESULT> engine = EnginePeaks(s.workFile, s.trace);
  ASSERT_GE(engine.size(), 4u);
  ASSERT_EQ(d->m_peakCount[0], static_cast<int16_t>(engine.size()));
  EXPECT_EQ(d->m_resultsPresent, 1);
  double total = 0;
  for (size_t i = 0; i < engine.size(); ++i) {
    SCOPED_TRACE(i);
    const STRUCT_QUICK_INT_PEAK& p = d->m_results[0][i];
    EXPECT_EQ(p.peakNumber, static_cast<int16_t>(i + 1));
    EXPECT_DOUBLE_EQ(p.apexTime, engine[i].retentionTime);
    EXPECT_DOUBLE_EQ(p.area, engine[i].area);
    EXPECT_EQ(p.localParams, 0);  // the run holds its own parameters
    total += engine[i].area;
    // Signal-to-noise by hand from the noise at the apex.
    STRUCT_RMS_NOISE n{};
    const bool rms = p.rmsNoise != 0;
    ASSERT_TRUE(rms);
    const BOOL ok = s.scanFunInfo
                        ? KELT_NewCalRMSNoiseForDisplay(s.workFile, s.trace, p.apexTime, s.trace->dataType,
                                                        &s.trace->massList, &s.trace->chanList,
                                                        s.trace->detectorChannel, s.scanFunArray, 0, 0, 0, nullptr,
                                                        s.scanFunInfo, s.scanFunInfoCount, &n)
                        : KELT_CalRMSNoiseForDisplay(s.workFile, p.apexTime, s.trace->dataType, &s.trace->massList,
                                                     &s.trace->chanList, s.trace->detectorChannel, 0, 0, 0, nullptr,
                                                     &n);
    ASSERT_TRUE(ok && n.noiseFound);
    const double measured = n.noise;
    const double noise = measured < 1.0 ? 1.0 : measured;
    const double sn = std::trunc(engine[i].height + 0.5) / std::trunc(noise + 0.5);
    EXPECT_DOUBLE_EQ(p.signalToNoise, sn);
    EXPECT_EQ(std::string(p.snText), std::to_string(static_cast<long>(std::trunc(sn + 0.5))));
  }
  EXPECT_DOUBLE_EQ(d->m_totalArea[0], total);
  // No temporary parameter or processed file is left behind.
  WIN32_FIND_DATAA found{};
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  HANDLE h = FindFirstFileA((std::string(temp) + "VVV*").c_str(), &found);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST_F(QuickIntegrationTest, TheListShowsAPlotRowThenItsPeaks) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  ASSERT_GT(d->m_peakCount[0], 0);
  EXPECT_EQ(d->RowCount(), 1 + d->m_peakCount[0]);
  EXPECT_EQ(SendDlgItemMessageA(d->m_hWnd, QI_LIST, LVM_GETITEMCOUNT, 0, 0), d->RowCount());
  EXPECT_EQ(d->CellText(0, 0), "Plot 1");
  EXPECT_EQ(d->CellText(0, 2), " Data File Parameters");
  EXPECT_EQ(d->CellText(0, 4), "RMS Noise");
  EXPECT_EQ(d->CellText(1, 0), "1.");
  char apex[32];
  std::snprintf(apex, sizeof apex, "%.3f", d->m_results[0][0].apexTime);
  EXPECT_EQ(d->CellText(1, 1), apex);
  EXPECT_FALSE(d->CellText(1, 3).empty());
  EXPECT_EQ(d->CellText(d->RowCount(), 0), "");
  // Buttons: results current.
  EXPECT_EQ(d->m_buttonState, 2);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d->m_hWnd, QI_PRINT)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d->m_hWnd, QI_CLEAR)));
  // A parameter edit marks the results stale; Clear empties everything.
  d->TogglePanel();
  ws::PressButton(d->m_hWnd, QI_LOCAL);
  ws::PressButton(d->m_hWnd, QI_LOCK_WIDTH);
  EXPECT_EQ(d->m_buttonState, 3);
  d->ClearResults();
  EXPECT_EQ(d->m_buttonState, 1);
  EXPECT_EQ(d->RowCount(), 1);
  EXPECT_EQ(d->CellText(0, 0), "");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d->m_hWnd, QI_PRINT)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d->m_hWnd, QI_CLEAR)));
}

TEST_F(QuickIntegrationTest, LocalParametersGoToTheEngineAndAreNamedOnThePlotRow) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  const int16_t before = d->m_peakCount[0];
  d->m_params.useLocal = 1;
  d->m_params.peakSizeReject = 2e9;  // nothing is that large
  d->Integrate();
  EXPECT_EQ(d->m_peakCount[0], 0);
  EXPECT_EQ(d->CellText(0, 0), "Plot 1");
  EXPECT_EQ(d->CellText(0, 2), "");  // a plot without peaks shows only its number
  d->m_params.peakSizeReject = 0;
  d->Integrate();
  ASSERT_GT(d->m_peakCount[0], 0);
  EXPECT_GE(d->m_peakCount[0], before);
  EXPECT_EQ(d->m_results[0][0].localParams, 1);
  EXPECT_EQ(d->CellText(0, 2), " Local Parameters");
}

TEST_F(QuickIntegrationTest, PlotMessagesFromTheControl) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  const int16_t peaks = d->m_peakCount[0];
  // No parameter block: nothing happens, not even an integration.
  d->m_results[0][0].area = -1;
  SendMessageA(d->m_hWnd, QIM_SETPARAMS, 0, 0);
  EXPECT_EQ(d->m_results[0][0].area, -1);
  // A remap table without the plot leaves it; with it, the plot moves.
  int16_t table[20];
  for (int i = 0; i < 20; ++i) table[i] = static_cast<int16_t>(i + 1);
  SendMessageA(d->m_hWnd, QIM_REMAPPLOTS, 0, reinterpret_cast<LPARAM>(table));
  EXPECT_EQ(d->m_plotIndex, 0);
  table[3] = 0;
  SendMessageA(d->m_hWnd, QIM_REMAPPLOTS, 0, reinterpret_cast<LPARAM>(table));
  EXPECT_EQ(d->m_plotIndex, 3);
  EXPECT_EQ(d->m_peakCount[3], peaks);
  EXPECT_EQ(d->m_results[3][0].plotIndex, 3);
  // Exchange moves the entries back; a plot number out of range is refused.
  SendMessageA(d->m_hWnd, QIM_EXCHANGEPLOTS, 3, 0);
  EXPECT_EQ(d->m_peakCount[0], peaks);
  EXPECT_EQ(d->m_results[0][0].plotIndex, 0);
  SendMessageA(d->m_hWnd, QIM_EXCHANGEPLOTS, 0, 25);
  EXPECT_EQ(d->m_peakCount[0], peaks);
}

TEST_F(QuickIntegrationTest, TextExportsSeparateByExtensionAndNeverOverwriteTheRun) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  const int16_t n = d->m_peakCount[0];
  ASSERT_GT(n, 0);
  struct Case {
    const char* path;
    char separator;
  } cases[] = {{"C:\\Out\\peaks.csv", ','}, {"C:\\Out\\peaks.txt", '\t'}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    ASSERT_EQ(d->WriteTextFile(k.path, nullptr, true), 1);
    const std::vector<std::string> lines = Lines(ReadHost(k.path));
    ASSERT_EQ(lines.size(), static_cast<size_t>(3 + n));
    EXPECT_EQ(lines[0].substr(0, 8), k.separator == '\t' ? "Plot 1\t" : "\"Plot 1\"");
    EXPECT_NE(lines[1].find("water.kms"), std::string::npos);
    EXPECT_NE(lines[2].find("Retention Time (min.)"), std::string::npos);
    char apex[32];
    std::snprintf(apex, sizeof apex, "%c%.3f%c", k.separator, d->m_results[0][0].apexTime, k.separator);
    EXPECT_NE(lines[3].find(apex), std::string::npos) << lines[3];
  }
  // Appending adds the plot again.
  ASSERT_EQ(d->WriteTextFile("C:\\Out\\peaks.csv", nullptr, false), 1);
  EXPECT_EQ(Lines(ReadHost("C:\\Out\\peaks.csv")).size(), static_cast<size_t>(2 * (3 + n)));
  // The data file itself (any case) is never written.
  const std::string before = ReadHost(kRun);
  EXPECT_EQ(d->WriteTextFile("C:\\RUNS\\WATER.KMS", "csv", false), 0);
  EXPECT_EQ(ReadHost(kRun), before);
}

// One averaged, background-corrected spectrum a peak, read back from the
// list: the peak's text in its comment and behind its title, the run it
// came from, its scans around the apex; appending adds them again in the
// list's form.
TEST_F(QuickIntegrationTest, SpectrumListsHoldOneSpectrumAPeak) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  const int16_t n = d->m_peakCount[0];
  ASSERT_GT(n, 0);
  ws::ChooseNextMenuItem(QI_EXPORT_SPECTRA);
  std::string proposed;
  ws::OnNextDialog([&](HWND save) {
    proposed = ws::GetField(save, edt1);
    ws::SetField(save, edt1, "C:\\Out\\water peaks.msp");
    ws::PressButton(save, IDOK);
  });
  ws::PressButton(d->m_hWnd, QI_EXPORT);
  ws::PumpUntilIdle();
  EXPECT_NE(proposed.find("water"), std::string::npos) << proposed;
  const char* list = "C:\\Out\\water peaks.msp";
  EXPECT_TRUE(CheckMSPFormat(list));
  CAccessMSPFile read(0);
  ASSERT_TRUE(read.Open(list));
  ASSERT_EQ(+read.CountSpectra(), n);
  for (int k = 0; k < n; ++k) {
    SCOPED_TRACE(k);
    const STRUCT_QUICK_INT_PEAK& p = d->m_results[0][k];
    STRUCT_LIST_SPT* e = read.ReadSpectrum(k);
    ASSERT_NE(e, nullptr);
    char apex[64];
    std::snprintf(apex, sizeof apex, "ApexTime = %.3f min., ", p.apexTime);
    EXPECT_EQ(std::string(e->comment).rfind(apex, 0), 0u) << e->comment;
    EXPECT_NE(std::string(e->comment).find(", Area = "), std::string::npos) << e->comment;
    EXPECT_NE(std::string(e->name).find(std::string("  ") + apex), std::string::npos) << e->name;
    EXPECT_GT(+e->pairCount, 5u);
    EXPECT_NE(std::string(e->details.dataFile).find("water.kms"), std::string::npos) << e->details.dataFile;
    EXPECT_NEAR(e->details.retentionTime, p.apexTime, 1e-3);
    EXPECT_LE(+e->details.firstTime, p.apexTime + 1e-3);
    EXPECT_GE(+e->details.lastTime, p.apexTime - 1e-3);
    EXPECT_EQ(+e->details.baselineCorrected, 1);
    FreeBlock(e->attached);
    FreeBlock(e);
  }
  // Appending to a library list keeps its groups.
  ASSERT_EQ(d->WriteSpectrumList("C:\\Out\\peaks.msl", true), n);
  EXPECT_FALSE(CheckMSPFormat("C:\\Out\\peaks.msl"));
  ASSERT_EQ(d->WriteSpectrumList("C:\\Out\\peaks.msl", false), n);
  CAccessMSPFile again(0);
  ASSERT_TRUE(again.Open("C:\\Out\\peaks.msl"));
  EXPECT_EQ(+again.CountSpectra(), 2 * n);
  EXPECT_FALSE(CheckMSPFormat("C:\\Out\\peaks.msl"));
  // Never into a file that is no list.
  ASSERT_EQ(d->WriteTextFile("C:\\Out\\peaks.csv", nullptr, true), 1);
  const std::string text = ReadHost("C:\\Out\\peaks.csv");
  EXPECT_EQ(d->WriteSpectrumList("C:\\Out\\peaks.csv", false), 0);
  EXPECT_EQ(ReadHost("C:\\Out\\peaks.csv"), text);
}

// A peak whose scan window gives no scans still yields its apex spectrum;
// plots and peaks outside the results yield none.
TEST_F(QuickIntegrationTest, APeakWithoutScansGetsItsApexSpectrum) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  ASSERT_GT(d->m_peakCount[0], 0);
  STRUCT_QUICK_INT_PEAK& p = d->m_results[0][0];
  p.scanWindowStart = p.scanWindowEnd = std::nan("");  // no scan has such a time
  STRUCT_SPT_PLUS* spt = d->MakePeakSpectrum(0, 0);
  ASSERT_NE(spt, nullptr);
  ASSERT_TRUE(spt->tolSpt != nullptr);
  EXPECT_NEAR(spt->tolSpt->firstTime, p.apexTime, 0.05);
  EXPECT_GT(PlusSpt_GetPairCount(spt), 0);
  PlusSpt_Free(spt);
  EXPECT_EQ(d->MakePeakSpectrum(0, d->m_peakCount[0]), nullptr);
  EXPECT_EQ(d->MakePeakSpectrum(-1, 0), nullptr);
  EXPECT_EQ(d->MakePeakSpectrum(20, 0), nullptr);
}

TEST_F(QuickIntegrationTest, TheSummaryGoesOntoPagesOfATemporaryReportsFile) {
  CQuickIntegrationDlg* d = Open();
  ASSERT_NE(d, nullptr);
  std::string reports;
  const int pages = d->MakeSummaryReport(&reports, true);
  ASSERT_GE(pages, 1);
  ASSERT_FALSE(reports.empty());
  CRptsFileHandler* h = MSR_InitRptsFileHandler(reports.c_str(), nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(MSR_GetCountOfPages(h), pages);
  MSR_FreeRptsFileHandler(h);
  DeleteFileA(reports.c_str());
  // More peaks than a page holds continue on the next page.
  STRUCT_QUICK_INT_PEAK* many = static_cast<STRUCT_QUICK_INT_PEAK*>(AllocBlock(sizeof(STRUCT_QUICK_INT_PEAK) * 70));
  ASSERT_NE(many, nullptr);
  for (int i = 0; i < 70; ++i) {
    many[i] = d->m_results[0][0];
    many[i].peakNumber = static_cast<int16_t>(i + 1);
  }
  FreeBlock(d->m_results[0]);
  d->m_results[0] = many;
  d->m_peakCount[0] = 70;
  d->m_totalPeaks = 70;
  reports.clear();
  EXPECT_EQ(d->MakeSummaryReport(&reports, true), 2);
  DeleteFileA(reports.c_str());
}

TEST_F(QuickIntegrationTest, AllPlotsTakeOnlyTheDetectorsRuns) {
  ASSERT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(overlay_, 1, kRun, DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr,
                                                 nullptr, "Counts", "", 0, 0));
  OPLOT_UpdateOverlayPlots(overlay_, overlay_->tail.homeStart, overlay_->tail.homeEnd);
  overlay_->slots[1].workFile->fileType = static_cast<uint16_t>(overlay_->slots[1].workFile->fileType + 1);
  CQuickIntegrationDlg* d = Open(QUICK_INTEGRATION_ALL_PLOTS);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->m_chosenCount, 1);
  EXPECT_EQ(d->m_chosen[0], 1);
  EXPECT_EQ(d->m_chosen[1], 0);
  EXPECT_GT(d->m_peakCount[0], 0);
}

// ---- The stored parameter record ------------------------------------------------------------

using QuickIntParams = KeltRootTest;

TEST_F(QuickIntParams, TheRecordIsStoredByteForByte) {
  STRUCT_QUICK_INT_PARAMS r{};
  r.peakWidthTenths = 40;
  r.slopeSensitivity = 20;
  r.tangentPercent = 10;
  r.peakSizeReject = 2000.0;
  r.lockPeakWidth = 1;
  r.useLocal = 1;
  ASSERT_TRUE(kelt::quickint::WriteParams(QUICK_INT_PARAMS_SECTION, 23, r));
  uint8_t bytes[24] = {};
  ASSERT_TRUE(GetPrivateProfileStructA("QuickIntParamsHeader23", "Params", bytes, sizeof bytes,
                                       kelt::lib::PreferencesIniPath()));
  const uint8_t expected[24] = {0x28, 0, 0x14, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x9F, 0x40,
                                1,    0, 0,    0, 1,    0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
  STRUCT_QUICK_INT_PARAMS back{};
  ASSERT_TRUE(kelt::quickint::ReadParams(QUICK_INT_PARAMS_SECTION, 23, &back));
  EXPECT_EQ(std::memcmp(&back, &r, sizeof r), 0);
}

TEST_F(QuickIntParams, ADamagedRecordLeavesTheDefaults) {
  struct Case {
    uint16_t width, slope, tangent;
    double reject;
  } cases[] = {{0, 20, 10, 2000}, {65535, 20, 10, 2000}, {40, 0, 10, 2000}, {40, 20, 101, 2000},
               {40, 20, 10, -1}, {40, 20, 10, NAN}};
  for (const Case& k : cases) {
    STRUCT_QUICK_INT_PARAMS r{};
    r.peakWidthTenths = k.width;
    r.slopeSensitivity = k.slope;
    r.tangentPercent = k.tangent;
    r.peakSizeReject = k.reject;
    ASSERT_TRUE(WritePrivateProfileStructA("QuickIntParamsHeader5", "Params", &r, sizeof r,
                                           kelt::lib::PreferencesIniPath()));
    STRUCT_QUICK_INT_PARAMS out{};
    out.peakWidthTenths = 77;
    EXPECT_FALSE(kelt::quickint::ReadParams(QUICK_INT_PARAMS_SECTION, 5, &out)) << k.width << " " << k.reject;
    EXPECT_EQ(out.peakWidthTenths, 77);
  }
}

TEST_F(QuickIntParams, DefaultsWidthsLockEventsAndSignalToNoise) {
  uint16_t w = 0, s = 0, t = 0;
  double reject = 0;
  int16_t lock = 1;
  kelt::quickint::SetDefaultParams(61, &w, &s, &t, &reject, &lock);
  EXPECT_EQ(w, 80);
  EXPECT_DOUBLE_EQ(reject, 2000000.0);
  kelt::quickint::SetDefaultParams(23, &w, &s, &t, &reject, &lock);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(s, 20);
  EXPECT_EQ(t, 10);
  EXPECT_DOUBLE_EQ(reject, 2000.0);
  EXPECT_EQ(lock, 0);

  EXPECT_EQ(kelt::quickint::TenthsFromSeconds(4.04), 40);
  EXPECT_EQ(kelt::quickint::TenthsFromSeconds(0.5), 5);
  EXPECT_EQ(kelt::quickint::TenthsFromSeconds(256.0), 2560);

  struct Lock {
    uint16_t tenths;
    int32_t value;
  } locks[] = {{40, 8}, {30, 8}, {5, 1}, {25, 4}, {20, 4}, {2560, 512}, {2559, 512}, {1, 1}};
  for (const Lock& k : locks) EXPECT_EQ(kelt::quickint::LockEventValue(k.tenths), k.value) << k.tenths;

  EXPECT_DOUBLE_EQ(kelt::quickint::SignalToNoise(1234.4, 0.4), 1234.0);  // noise under 1 counts 1
  EXPECT_DOUBLE_EQ(kelt::quickint::SignalToNoise(1000.0, 7.6), 125.0);
  char text[56];
  kelt::quickint::SignalToNoiseText(124.5, text, sizeof text);
  EXPECT_STREQ(text, "125");
  kelt::quickint::SignalToNoiseText(2.5e6, text, sizeof text);
  EXPECT_STREQ(text, "2.5e+06");
}

}  // namespace
