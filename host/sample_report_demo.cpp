// The main job's sample report: the report maker writes the sample report
// of the quantitated sample run (its header, data-file information,
// chromatogram strips with the segment bar, the results tables and the
// run's logs) into a reports file, twice: with the fixed wide tables
// (amounts, flags, qualifier ions, group and peak totals) and with
// configurable tables of chosen columns. The file is printed to PDF, its
// pages drawn to PNG and the configurable report written as a text file;
// then the calibration block and curve pages of the calibrated method.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32_printing.h"
#include "reportmakers/cal_block_report_files.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_makers.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "host/report_printing.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_metafile.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

constexpr char kSample[] = "C:\\Workstation\\Quant\\sample.kms";
constexpr char kMethod[] = "C:\\Workstation\\Quant\\calibrated.mth";
constexpr char kReports[] = "C:\\Workstation\\Reports\\sample-report.msr";
constexpr char kPdf[] = "C:\\Workstation\\Reports\\sample-report.pdf";
constexpr char kText[] = "C:\\Workstation\\Reports\\sample-report.txt";
constexpr char kFixedFormat[] = "C:\\Workstation\\Reports\\fixed-tables.mth";
constexpr char kColumnFormat[] = "C:\\Workstation\\Reports\\column-tables.mth";
constexpr char kCalibration[] = "C:\\Workstation\\Reports\\calibration.msr";
constexpr char kCalibrationPng[] = "C:\\Workstation\\Reports\\calibration-curves.png";
constexpr char kCalibrationCsv[] = "C:\\Workstation\\Reports\\calibration-block.csv";

// A column set of the report format: the wide flag, then the identifiers.
void PutColumns(uint8_t* set, uint16_t wide, std::initializer_list<uint16_t> ids) {
  std::memset(set, 0, 386);
  std::memcpy(set, &wide, 2);
  uint16_t n = 0;
  for (uint16_t id : ids) std::memcpy(set + 2 + 2 * n++, &id, 2);
  std::memcpy(set + 124, &n, 2);
}

void PutWord(uint8_t* at, uint16_t value) { std::memcpy(at, &value, 2); }

// The method's report format with its tables chosen, stored in a method
// file of its own under the same section name.
bool WriteFormatVariant(const char* method, const char* section, const char* path, bool columns) {
  using namespace kelt::reports;
  std::vector<uint8_t> f(kReportFormatSize);
  if (!ReadReportFormat(method, section, f.data())) return false;
  uint8_t* sample = f.data() + kSampleOffset;
  std::memset(sample, 0, 61);
  const char* title = columns ? "Configurable Results Tables" : "Fixed Results Tables";
  std::memcpy(sample, title, std::strlen(title));
  PutWord(sample + 173, columns ? 2 : 1);
  PutWord(sample + 958, 1);  // qualifier lines
  PutWord(sample + 960, 1);  // group summary and totals
  PutWord(sample + 978, kMaskCompounds | kMaskUnidentified);
  // Compounds: index, time, name, flags, area, amount and units, type,
  // expected time, S/N, with the RRT and S/N check lines. Peaks: their
  // number, time, name, area, height, amount, type, matches and library.
  PutColumns(sample + 175, 1, {1, 2, 3, 4, 5, 6, 8, 15, 19, 29, 41, 82, 83});
  PutColumns(sample + 561, 1, {57, 2, 3, 6, 7, 8, 19, 10, 9, 39, 40, 26});
  DeleteFileA(path);
  return CreateSectionFileAtPath(path, SECTION_FILE_TYPE_METHOD, 0, 1) &&
         WriteReportFormat(path, section, f.data()) != 0;
}

}  // namespace

int SampleReportDemo() {
  std::printf("\nSample report of %s\n", kSample);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kSample, 0);
  if (!wf) {
    std::fprintf(stderr, "kelt_host: %s cannot be opened; the quantitation demo makes it\n", kSample);
    return 1;
  }
  char section[80] = {};
  const bool named = BuildDHSectionName(section, "MSReportFormat2", wf->fileType, wf->module, "1") != 0;
  FreeWorkFileStruct(wf);
  if (!named) return 1;
  CreateDirectoryA("C:\\Workstation\\Reports", nullptr);
  // The report printer: every printer here writes PDF on Letter paper.
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:", GetWorkstationIniPath());
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  prefs.spooler.marginLeft = prefs.spooler.marginRight = 5;
  prefs.spooler.marginTop = prefs.spooler.marginBottom = 4;
  DeleteFileA(kReports);
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%s", kReports);
  // The method holds the report format the sample was quantitated with;
  // its two variants choose the fixed wide and the configurable tables.
  if (!WriteFormatVariant(kMethod, section, kFixedFormat, false) ||
      !WriteFormatVariant(kMethod, section, kColumnFormat, true)) {
    std::fprintf(stderr, "kelt_host: the report formats cannot be written\n");
    return 1;
  }
  if (!RPTS_MakeSampleReport(kFixedFormat, section, kSample, name, &prefs, 0, 0, nullptr, 0, 0) ||
      !RPTS_MakeSampleReport(kColumnFormat, section, kSample, name, &prefs, 0, 0, nullptr, 0, 0)) {
    std::fprintf(stderr, "kelt_host: the sample report maker stored no page\n");
    return 1;
  }
  CRptsFileHandler* h = MSR_InitRptsFileHandler(kReports, nullptr);
  const int32_t count = MSR_GetCountOfPages(h);
  RptsPageRecord* records = count > 0 ? MSR_GetSlotRange(h, 0, count - 1) : nullptr;
  std::printf("  %s (%s), %d page%s\n", kReports, win::paths::ToHost(kReports).c_str(), count, count == 1 ? "" : "s");
  for (int32_t i = 0; records && i < count; ++i)
    std::printf("  page %d: \"%s\", %ux%u grid, %s\n", int(records[i].pageNumber), records[i].title,
                unsigned(records[i].columns), unsigned(records[i].lines),
                records[i].orientation == 1 ? "landscape" : "portrait");
  MSR_FreeSlotRange(records);
  MSR_FreeRptsFileHandler(h);
  if (count <= 0) return 1;
  if (!PrintReports(kReports, count, &prefs, kPdf)) return 1;
  for (int32_t i = 0; i < count; ++i) {
    const std::string png = "C:\\Workstation\\Reports\\sample-report-page" + std::to_string(i + 1) + ".png";
    if (!PagePng(kReports, i, png.c_str())) {
      std::fprintf(stderr, "kelt_host: cannot draw page %d to %s\n", int(i + 1), png.c_str());
      return 1;
    }
    std::printf("  page %d: %s (%s)\n", int(i + 1), png.c_str(), win::paths::ToHost(png).c_str());
  }
  // The configurable report again, as a text file of tab-separated columns.
  if (!kelt::reports::MakeSampleReportText(kColumnFormat, section, kSample, kText, "\t", nullptr, 0, 0)) {
    std::fprintf(stderr, "kelt_host: the sample report's text file was not written\n");
    return 1;
  }
  std::printf("  text file: %s (%s)\n", kText, win::paths::ToHost(kText).c_str());
  // The calibrated method's block and curve pages, drawn by the data-handling library.
  DeleteFileA(kCalibration);
  std::snprintf(name, sizeof name, "%s", kCalibration);
  if (!RPTS_MakeCalBlockReports(kMethod, section, kMethod, name, 0) ||
      !RPTS_MakeCalCurveReports(kMethod, section, kMethod, name, 0)) {
    std::fprintf(stderr, "kelt_host: the calibration reports stored no page\n");
    return 1;
  }
  const int32_t calibrationPages = MSR_GetPageCount(kCalibration);
  std::printf("  calibration reports: %s (%s), %d pages\n", kCalibration, win::paths::ToHost(kCalibration).c_str(),
              int(calibrationPages));
  if (calibrationPages < 2 || !PagePng(kCalibration, 1, kCalibrationPng)) return 1;
  std::printf("  first curves page: %s (%s)\n", kCalibrationPng, win::paths::ToHost(kCalibrationPng).c_str());
  // The calibration block again, as a comma-separated file for a spreadsheet:
  // the fixed-tables format asks for commas (output format 0).
  std::vector<uint8_t> format(kelt::reports::kReportFormatSize);
  if (!ReadReportFormat(kFixedFormat, section, format.data())) return 1;
  PutWord(format.data() + 24, 0);
  if (!WriteReportFormat(kFixedFormat, section, format.data())) return 1;
  std::snprintf(name, sizeof name, "%s", kCalibrationCsv);
  if (!RPTS_MakeCalBlockReportsASCIIFile(kFixedFormat, section, kMethod, name)) {
    std::fprintf(stderr, "kelt_host: the calibration block file was not written\n");
    return 1;
  }
  std::printf("  calibration block file: %s (%s)\n", kCalibrationCsv, win::paths::ToHost(kCalibrationCsv).c_str());
  return 0;
}
