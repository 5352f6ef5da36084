// The target-compound report of one compound of the quantitated sample:
// made through the single-compound report maker into a reports file of its
// own (data-file block, compound information, criteria tables and legend),
// then printed to target-compound.pdf.
#include <cstdio>
#include <string>
#include <cstring>

#include "common/preference_records.h"
#include "orvik32/orvik32_printing.h"
#include "reportmakers/report_format_section.h"
#include "reportmakers/single_compound_reports.h"
#include "host/report_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

constexpr char kSample[] = "C:\\Workstation\\Quant\\sample.kms";
constexpr char kMethod[] = "C:\\Workstation\\Quant\\calibrated.mth";
constexpr char kReports[] = "C:\\Workstation\\Reports\\target-compound.msr";
constexpr char kPdf[] = "C:\\Workstation\\Reports\\target-compound.pdf";
constexpr char kPeakReports[] = "C:\\Workstation\\Reports\\unidentified-peak.msr";
constexpr char kPeakPdf[] = "C:\\Workstation\\Reports\\unidentified-peak.pdf";
constexpr int16_t kCompound = 2;  // the second analyte of the method

}  // namespace

// After the quantitation demo: 0 when the report was made and printed.
int TargetReportDemo() {
  std::printf("\nTarget compound report of result %d of %s:\n", kCompound + 1, kSample);
  CreateDirectoryA("C:\\Workstation\\Reports", nullptr);
  DeleteFileA(kReports);
  {
    CRptsFileHandler file(nullptr);
    if (file.MakeThisNewFile(kReports) != 1) {
      std::fprintf(stderr, "kelt_host: cannot start %s\n", kReports);
      return 1;
    }
  }
  char section[32] = {};
  if (!KELT_GetMSReportsMethodSectionFromKMSFile(kSample, section)) {
    std::fprintf(stderr, "kelt_host: cannot open %s\n", kSample);
    return 1;
  }
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                             GetWorkstationIniPath());
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  char reports[MAX_PATH] = {};
  std::snprintf(reports, sizeof reports, "%s", kReports);
  if (!RPTS_MakeTargetCompoundReport(kMethod, section, kSample, kCompound, reports, &prefs, nullptr, 0, 0)) {
    std::fprintf(stderr, "kelt_host: the target compound report of %s made no page\n", kSample);
    return 1;
  }
  const int32_t count = MSR_GetPageCount(kReports);
  std::printf("  %d page(s) in %s (%s)\n", int(count), kReports, win::paths::ToHost(kReports).c_str());
  if (!PrintReports(kReports, count, &prefs, kPdf)) return 1;

  // The first peak outside the method, with its library hits.
  int16_t peak = 0;
  while (peak < 200 && !RPTS_IsUnidentifiedStepIndex(kSample, peak)) ++peak;
  if (peak == 200) return 0;
  DeleteFileA(kPeakReports);
  char peakReports[MAX_PATH] = {};
  if (!RPTS_MakeUnidentifiedCompoundReport(kMethod, section, kSample, peak, peakReports, &prefs, nullptr, 0, 0) ||
      !MoveFileA(peakReports, kPeakReports)) {
    std::fprintf(stderr, "kelt_host: the unidentified peak report of %s made no page\n", kSample);
    return 1;
  }
  const std::string what = "unidentified peak " + std::to_string(peak + 1) + " printed";
  return PrintReports(kPeakReports, MSR_GetPageCount(kPeakReports), &prefs, kPeakPdf, what.c_str()) ? 0 : 1;
}
