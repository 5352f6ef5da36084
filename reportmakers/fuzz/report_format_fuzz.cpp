// libFuzzer target over the report-format record the report makers read
// (its information grid, log selectors, kind mask and the stored settings
// of the sample chromatogram): the input, padded or cut to the record's
// 2,871 bytes, is stored as the data file's format and the sample report
// made from it; its chromatogram settings are then drawn on a page of
// their own and its grid written wide and narrow. Nothing faults, every
// temporary file is gone afterwards and the page lines stay on the page.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "reportmakers/data_file_info.h"
#include "reportmakers/report_chromatogram.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_makers.h"
#include "reportpages/report_output.h"
#include "reportpages/reports_file.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

const char kData[] = "C:\\FUZZ\\run.kms";
const char kReports[] = "C:\\FUZZ\\out.msr";
const char kSection[] = "MSReportFormat2.0001.0001.1";

void Setup() {
  static const bool ready = [] {
    fuzz::UseOwnRoot();
    CreateDirectoryA("C:\\TEMP", nullptr);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    msfix::RunPlan plan;
    plan.scans = 120;
    plan.compounds = 3;
    return msfix::WriteMsDataFile(kData, plan, nullptr);
  }();
  fuzz::Check(ready, "the run is written");
}

bool TempEmpty() {
  std::error_code ec;
  return std::filesystem::is_empty(win::paths::ToHost("C:\\TEMP"), ec);
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  std::vector<uint8_t> f(kelt::reports::kReportFormatSize, 0);
  ResetReportFormat(f.data());
  std::ofstream(std::string(folder) + "/default.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
  // Many strips with an overlap, every label, a time range and a mass list count past its ranges.
  uint8_t* c = f.data() + kelt::reports::kChromatogramOffset;
  const uint16_t strips = 60, overlap = 12, count = 400;
  std::memcpy(c + 237, &strips, 2);
  std::memcpy(c + 541, &overlap, 2);
  for (int k = 0; k < 4; ++k) std::memcpy(c + 183 + 2 * k, &strips, 2);
  const double from = 3.0, to = 4.5;
  std::memcpy(c + 203, &strips, 2);
  std::memcpy(c + 205, &from, 8);
  std::memcpy(c + 213, &to, 8);
  const uint32_t kind = 4;
  std::memcpy(c + 241, &kind, 4);
  std::memcpy(c + 245, &count, 2);
  std::ofstream(std::string(folder) + "/strips.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  std::vector<uint8_t> format(kelt::reports::kReportFormatSize, 0);
  std::memcpy(format.data(), data, std::min(size, format.size()));
  fuzz::Check(WriteReportFormat(kData, kSection, format.data()) != 0, "the format is stored");
  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);

  DeleteFileA(kReports);
  char reports[MAX_PATH];
  std::strcpy(reports, kReports);
  const int32_t made = RPTS_MakeSampleReport(kData, kSection, kData, reports, &prefs, 0, 0, nullptr, 1, 2);
  {
    CRptsFileHandler file(kReports, nullptr);
    fuzz::Check((made != 0) == (file.GetCountOfPages() > 0), "a report is made exactly when a page is stored");
  }
  fuzz::Check(TempEmpty(), "the sample report leaves no temporary file");

  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  fuzz::Check(wf != nullptr, "the run opens");
  for (int16_t wide : {0, 1}) {
    DeleteFileA(kReports);
    CRptsFileHandler maker(nullptr);
    fuzz::Check(maker.MakeThisNewFile(kReports) != 0, "the reports file is made");
    CReportOutput out(reports, &prefs, wide ? 140 : 80, wide ? 60 : 72, wide ? 1 : 2, REPORT_OUTPUT_PAGES);
    const uint8_t* bytes = format.data();
    RPTS_WriteDataFileInfo(&out, wf, bytes + kelt::reports::kSampleOffset, bytes + 2, 2,
                           int16_t(out.Columns - 2), wide);
    fuzz::Check(!out.Page || out.Page->m_Lines == int16_t(out.Lines), "the page gets its grid back");
    const kelt::reports::RPT_CHROMATOGRAM_DEFINITION c = kelt::reports::ChromatogramDefinition(bytes);
    STRUCT_CHAN_LIST channels{};
    RPTS_WriteSampleChromatogram(&out, wf, int16_t(size & 1), bytes + kelt::reports::kSampleOffset,
                                 bytes + kelt::reports::kChromatogramOffset, &c.massList, &channels, 2,
                                 int16_t(out.Columns - 2));
    fuzz::Check(out.Line <= out.LastLine + 1 || !out.Ok, "the strips stay on their pages");
    out.EndPage();
  }
  FreeWorkFileStruct(wf);
  fuzz::Check(TempEmpty(), "the chromatogram leaves no temporary file");
  return 0;
}
