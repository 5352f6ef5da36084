// The quantitated sample's compound pages with their graphics, the
// engine's summary of the batch (pages and export) and the sample report
// as a separated text file.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/work_file.h"
#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "host/report_printing.h"
#include "fixtures/msfixtures.h"
#include "quant/summary_reports.h"
#include "reportmakers/compound_makers.h"
#include "reportmakers/report_format_section.h"
#include "reportmakers/sample_report_files.h"
#include "reportmakers/single_compound_reports.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Quant";
constexpr char kSample[] = "C:\\Workstation\\Quant\\sample.kms";
constexpr char kMethod[] = "C:\\Workstation\\Quant\\calibrated.mth";
constexpr char kBatch[] = "C:\\Workstation\\Quant\\batch.seq";
constexpr char kReports[] = "C:\\Workstation\\Reports\\compound-report.msr";
constexpr char kPdf[] = "C:\\Workstation\\Reports\\compound-report.pdf";
constexpr char kPng[] = "C:\\Workstation\\Reports\\compound-report-page1.png";
constexpr char kSummary[] = "C:\\Workstation\\Reports\\summary.msr";
constexpr char kSummaryPdf[] = "C:\\Workstation\\Reports\\summary.pdf";
constexpr char kSummaryText[] = "C:\\Workstation\\Reports\\summary.txt";
constexpr char kChartsPng[] = "C:\\Workstation\\Reports\\control-charts.png";
constexpr char kEngineSummary[] = "C:\\Workstation\\Reports\\summary-engine.msr";
constexpr char kEngineSummaryPdf[] = "C:\\Workstation\\Reports\\summary-engine.pdf";
constexpr char kSummaryCsv[] = "C:\\Workstation\\Reports\\summary.csv";
constexpr char kSampleCsv[] = "C:\\Workstation\\Reports\\sample-report.csv";

template <class T>
void Put(std::vector<uint8_t>& f, uint32_t at, T v) {
  std::memcpy(f.data() + at, &v, sizeof v);
}

// The method's report format with the pages' graphics, the sample file's
// result groups and the summary's choices set.
bool WriteFormat(const char* section) {
  std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
  if (!ReadReportFormat(kMethod, section, f.data()) && !ResetReportFormat(f.data())) return false;
  constexpr uint32_t compound = 1607;
  // Target pages: the total-ion trace (with its background marks) and the
  // qualifier ions on the left, the sample spectrum and the sample minus the
  // method's reference on the right (two rows, so that they fit under the
  // criteria); segment line.
  const int16_t target[6] = {2, 4, 0, 5, 8, 0};
  for (uint32_t i = 0; i < 6; ++i) Put<int16_t>(f, compound + 563 + 2 * i, target[i]);
  Put<uint16_t>(f, compound + 561, 1);
  // Peaks outside the method: their trace and the standard's, the sample
  // spectrum, the first match and the sample minus it.
  const int16_t unknown[6] = {2, 3, 0, 5, 9, 12};
  for (uint32_t i = 0; i < 6; ++i) Put<int16_t>(f, compound + 965 + 2 * i, unknown[i]);
  Put<uint16_t>(f, compound + 963, 1);
  // Sample report file: every result group, detailed, comma-separated.
  Put<int16_t>(f, 24, 0);
  Put<int16_t>(f, 1780, 1);
  Put<uint16_t>(f, 2585, 0x3F);
  // Target pages: the compound as rows of label and value.
  Put<uint16_t>(f, compound + 173, 3);
  const uint16_t rows[] = {1, 3, 56, 19, 2, 12, 29, 5, 6, 7, 8, 18, 28, 27, 41, 33, 16, 46, 4, 35};
  Put<uint16_t>(f, compound + 175, 0);
  for (uint32_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) Put<uint16_t>(f, compound + 175 + 2 + 2 * i, rows[i]);
  Put<uint16_t>(f, compound + 175 + 124, uint16_t(sizeof rows / sizeof rows[0]));
  // Summary and control charts: pages and exports, grouped by compound,
  // with statistics; the charts follow the retention times within two
  // standard deviations of their average, four to a page.
  Put<int16_t>(f, 16, 1);
  Put<int16_t>(f, 18, 1);
  Put<int16_t>(f, 20, 1);
  Put<int16_t>(f, 22, 1);
  std::memcpy(f.data() + 2804, "Retention times of the batch", 29);
  Put<int16_t>(f, 2845, 0);
  Put<int16_t>(f, 2847, 0);
  Put<uint16_t>(f, 2851, 4);
  for (uint32_t k = 0; k < 3; ++k) Put<int16_t>(f, 2739 + 2 * k, 1);
  Put<int16_t>(f, 2745, 0);
  Put<int16_t>(f, 2747, 1);
  Put<int16_t>(f, 2749, 2);
  Put<int16_t>(f, 2751, 12);
  Put<int16_t>(f, 2753, 0);
  std::memcpy(f.data() + 2755, "Batch of the calibrated method", 31);
  for (uint32_t k = 0; k < 4; ++k) Put<int16_t>(f, 2796 + 2 * k, 1);
  return WriteReportFormat(kMethod, section, f.data()) != 0;
}

// One page per target compound (its rows of label and value, its graphics),
// then the ion-ratio page of each compound with qualifier ions.
bool CompoundPages(const char* section, STRUCT_REPORT_PREFS* prefs) {
  DeleteFileA(kReports);
  char reports[MAX_PATH] = {};
  std::snprintf(reports, sizeof reports, "%s", kReports);
  bool made = RPTS_MakeTargetCompoundReports(kMethod, section, kSample, reports, prefs, 0, 0, nullptr, 0, 0) != 0;
  const int32_t targets = MSR_GetPageCount(kReports);
  std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
  made = made && ReadReportFormat(kMethod, section, f.data());
  if (made) {
    Put<uint16_t>(f, 1607 + 173, 2);
    made = WriteReportFormat(kMethod, section, f.data()) &&
           RPTS_MakeTargetCompoundReports(kMethod, section, kSample, reports, prefs, 0, 0, nullptr, 0, 0);
    Put<uint16_t>(f, 1607 + 173, 3);
    made = WriteReportFormat(kMethod, section, f.data()) && made;
  }
  if (!made) {
    std::fprintf(stderr, "kelt_host: the compound pages of %s were not made\n", kSample);
    return false;
  }
  const int32_t count = MSR_GetPageCount(kReports);
  std::printf("  %d target compound page(s) and %d ion-ratio page(s) in %s\n", int(targets), int(count - targets),
              kReports);
  return PrintReports(kReports, count, prefs, kPdf) && DrawFirstPage(kReports, kPng);
}

bool Summary(const char* section, STRUCT_REPORT_PREFS* prefs) {
  std::vector<std::string> files;
  for (int l = 1; l <= 3; ++l) files.push_back(std::string(kFolder) + "\\cal" + std::to_string(l) + ".kms");
  files.push_back(std::string(kFolder) + "\\lost.kms");  // listed, but never acquired
  files.push_back(kSample);
  if (!msfix::WriteRecalcFile(kBatch, files)) return false;
  std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
  // The summary's text files are tab-separated; the method keeps its
  // comma for the sample report file.
  if (!ReadReportFormat(kMethod, section, f.data())) return false;
  Put<int16_t>(f, 24, 1);
  if (!WriteReportFormat(kBatch, section, f.data()) || !WriteReportFormat(kMethod, section, f.data())) return false;
  DeleteFileA(kSummary);
  const std::string summaryText = std::string(kFolder) + "\\batch-MSSum.txt";
  const std::string chartText = std::string(kFolder) + "\\batch-MSChart.txt";
  DeleteFileA(summaryText.c_str());
  DeleteFileA(chartText.c_str());
  char name[MAX_PATH] = {};
  std::snprintf(name, sizeof name, "%s", kSummary);
  const bool made =
      MORVEX_Ex_GenerateSummaryReport(kBatch, 0, int32_t(files.size()) - 1, kMethod, 0, name, prefs, 0, 0, 0, 0) != 0;
  Put<int16_t>(f, 24, 0);
  if (!WriteReportFormat(kMethod, section, f.data()) || !made) {
    std::fprintf(stderr, "kelt_host: the engine made no summary of %s\n", kBatch);
    return false;
  }
  // summary.txt: the summary's columns, then the charts' data.
  std::ifstream a(win::paths::ToHost(summaryText.c_str()), std::ios::binary),
      b(win::paths::ToHost(chartText.c_str()), std::ios::binary);
  if (!a || !b) {
    std::fprintf(stderr, "kelt_host: the summary exports of %s are missing\n", kBatch);
    return false;
  }
  {
    std::ofstream out(win::paths::ToHost(kSummaryText), std::ios::binary | std::ios::trunc);
    out << a.rdbuf() << b.rdbuf();
    if (!out) return false;
  }
  const int32_t pages = MSR_GetPageCount(kSummary);
  std::printf("  summary and control charts: %d page(s); text %s (%s)\n", int(pages), kSummaryText,
              win::paths::ToHost(kSummaryText).c_str());
  // The last page holds the control charts.
  if (!PrintReports(kSummary, pages, prefs, kSummaryPdf) || !PagePng(kSummary, pages - 1, kChartsPng)) return false;

  // The engine's summary alone, without charts, exported comma-separated.
  Put<int16_t>(f, 20, 0);
  Put<int16_t>(f, 22, 0);
  if (!WriteReportFormat(kBatch, section, f.data()) || !WriteReportFormat(kMethod, section, f.data())) return false;
  const std::string exported = std::string(kFolder) + "\\batch-MSSum.csv";
  DeleteFileA(exported.c_str());
  DeleteFileA(kEngineSummary);
  std::snprintf(name, sizeof name, "%s", kEngineSummary);
  const bool alone =
      MORVEX_Ex_GenerateSummaryReport(kBatch, 0, int32_t(files.size()) - 1, kMethod, 0, name, prefs, 0, 0, 0, 0) != 0;
  Put<int16_t>(f, 20, 1);
  Put<int16_t>(f, 22, 1);
  if (!WriteReportFormat(kMethod, section, f.data()) || !alone) {
    std::fprintf(stderr, "kelt_host: the engine made no summary of %s\n", kBatch);
    return false;
  }
  if (!MoveFileExA(exported.c_str(), kSummaryCsv, MOVEFILE_REPLACE_EXISTING)) {
    std::fprintf(stderr, "kelt_host: the summary export %s is missing\n", exported.c_str());
    return false;
  }
  std::printf("  summary export: %s (%s)\n", kSummaryCsv, win::paths::ToHost(kSummaryCsv).c_str());
  return PrintReports(kEngineSummary, MSR_GetPageCount(kEngineSummary), prefs, kEngineSummaryPdf);
}

}  // namespace

// After the quantitation demo: 0 when every file was written.
int ReportFilesDemo() {
  std::printf("\nCompound pages, batch summary and report files of %s:\n", kSample);
  char section[32] = {};
  if (!KELT_GetMSReportsMethodSectionFromKMSFile(kSample, section) || !WriteFormat(section)) {
    std::fprintf(stderr, "kelt_host: the report format of %s cannot be set\n", kMethod);
    return 1;
  }
  CreateDirectoryA("C:\\Workstation\\Reports", nullptr);
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                             GetWorkstationIniPath());
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  bool ok = CompoundPages(section, &prefs);
  ok = Summary(section, &prefs) && ok;
  char out[MAX_PATH] = {};
  std::snprintf(out, sizeof out, "%s", kSampleCsv);
  if (RPTS_MakeSampleReportASCIIFile(kMethod, section, kSample, out, nullptr, 0, 0)) {
    std::printf("  sample report file: %s (%s)\n", kSampleCsv, win::paths::ToHost(kSampleCsv).c_str());
  } else {
    std::fprintf(stderr, "kelt_host: the sample report file was not written\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
