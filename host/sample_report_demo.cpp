// The main job's sample report: the report maker writes the sample report
// of the quantitated sample run (its header, data-file information,
// chromatogram strips with the segment bar and the run's logs) into a
// reports file, which is printed to PDF and its first page drawn to PNG;
// then the calibration block and curve pages of the calibrated method.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32_printing.h"
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
constexpr char kPng[] = "C:\\Workstation\\Reports\\sample-report-page1.png";
constexpr char kCalibration[] = "C:\\Workstation\\Reports\\calibration.msr";
constexpr char kCalibrationPng[] = "C:\\Workstation\\Reports\\calibration-curves.png";


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
  // The method holds the report format the sample was quantitated with.
  if (!RPTS_MakeSampleReport(kMethod, section, kSample, name, &prefs, 0, 0, nullptr, 0, 0)) {
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
  if (!DrawFirstPage(kReports, kPng)) return 1;
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
  return 0;
}
