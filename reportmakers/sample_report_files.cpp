// The sample report as a separated text file.
#include "reportmakers/sample_report_files.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_makers.h"
#include "reportmakers/results_header.h"
#include "reportmakers/summary_report.h"
#include "reportpages/export_file_choice.h"
#include "reportpages/report_output.h"

namespace kelt::reports {

int16_t OutputFormatForExtension(const char* extension, int16_t current) {
  if (!extension) return current;
  auto is = [extension](const char* name) {
    const char* e = extension;
    for (; *e && *name; ++e, ++name)
      if (std::tolower(static_cast<unsigned char>(*e)) != *name) return false;
    return !*e && !*name;
  };
  if (is("csv")) return 0;
  if (is("txt")) return 1;
  if (is("prn")) return 2;
  return current;
}

const char* SampleReportVariant(bool haveResults, const int16_t counts[6], uint16_t mask, int16_t selector,
                                int16_t option, bool* requested, bool* detailed) {
  *requested = false;
  *detailed = false;
  if (!haveResults) return "(NO DATA HANDLING)";
  bool any = false;
  for (int i = 0; i < 6; ++i) any = any || counts[i] != 0;
  // Mask bits in the order of the header's counts: 0x01 identified, 0x04
  // missing, 0x02 failed, 0x08 TIC, 0x20 duplicate, 0x10 unknown.
  static const uint16_t bitOf[6] = {0x01, 0x04, 0x02, 0x08, 0x20, 0x10};
  long sum = 0;
  for (int i = 0; i < 6; ++i)
    if (mask & bitOf[i]) sum += counts[i] > 0 ? counts[i] : 0;
  *requested = any && mask && sum > 0;
  if (*requested) {
    *detailed = selector == 1 || (selector == 2 && option != 0);
    return selector == 2 ? "(User Defined)" : *detailed ? "(Detailed)" : "(Standard)";
  }
  if (!any) return "(NO RESULTS)";
  if (!mask) return "(NO RESULTS REQUESTED)";
  return "(NO REQUESTED RESULTS)";
}

}  // namespace kelt::reports

namespace {

namespace r = kelt::reports;

constexpr uint32_t kOutputFormat = 24, kDetailSelector = 1780, kDetailOption = 1782, kGroupMask = 2585;
constexpr int16_t kLastColumn = 400;

template <class T>
T At(const void* p, uint32_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
  return v;
}
template <class T>
void Put(void* p, uint32_t offset, T v) {
  std::memcpy(static_cast<uint8_t*>(p) + offset, &v, sizeof v);
}

struct WorkFileFree {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};

// The default format used when none can be read and the file has no
// results: zeros and the first five entries of the three layout lists.
void DefaultFormat(uint8_t* f) {
  std::memset(f, 0, r::kReportFormatSize);
  static const uint16_t lists[5][3] = {{1, 2, 0}, {3, 5, 0}, {6, 0, 0}, {8, 0, 0}, {9, 0, 0}};
  for (uint32_t i = 0; i < 5; ++i) {
    Put<uint16_t>(f, 1708 + 2 * i, lists[i][0]);
    Put<uint16_t>(f, 1732 + 2 * i, lists[i][1]);
    Put<uint16_t>(f, 1756 + 2 * i, lists[i][2]);
  }
}

}  // namespace

int32_t RPTS_MakeSampleReportASCIIFile(const char* formatFile, const char* formatSection, const char* dataFile,
                                       char* outputPath, const char* displayName, int16_t versionNumber,
                                       int16_t versionCount) {
  try {
    if (!dataFile || !outputPath) return 0;
    std::vector<uint8_t> header(r::kResultsHeaderSize);
    const bool haveResults = RPTS_ReadResults(dataFile, header.data()) != 0;
    std::vector<uint8_t> format(r::kReportFormatSize, 0);
    if (!(formatFile && formatSection && ReadReportFormat(formatFile, formatSection, format.data())) &&
        !ResetReportFormat(format.data())) {
      if (haveResults) return 0;
      DefaultFormat(format.data());
    }
    int16_t counts[6] = {};
    if (haveResults)
      for (int i = 0; i < 6; ++i) counts[i] = At<int16_t>(header.data(), 2251 + 2 * uint32_t(i));
    bool requested = false, detailed = false;
    const uint16_t mask = At<uint16_t>(format.data(), kGroupMask);
    const char* variant =
        r::SampleReportVariant(haveResults, counts, mask, At<int16_t>(format.data(), kDetailSelector),
                               At<int16_t>(format.data(), kDetailOption), &requested, &detailed);
    if (!outputPath[0]) {
      const int16_t outputFormat = At<int16_t>(format.data(), kOutputFormat);
      const int16_t kind = outputFormat == 0 ? EXPORT_KIND_COMMA : outputFormat == 2 ? EXPORT_KIND_BLANK
                                                                                      : EXPORT_KIND_TEXT;
      char extension[16] = {};
      const char* proposed = displayName && displayName[0] ? displayName : dataFile;
      if (!kelt::pages::SelectExportFile(nullptr, kind, outputPath, proposed, "-MS", extension)) return 0;
      Put<int16_t>(format.data(), kOutputFormat, r::OutputFormatForExtension(extension, outputFormat));
    }
    std::unique_ptr<STRUCT_WORK_FILE, WorkFileFree> wf(MakeWorkFileStruct(dataFile, 0));
    if (!wf) return 0;
    CReportOutput out(nullptr, nullptr, 220, 0, 0, REPORT_OUTPUT_TEXT);
    if (!out.Ok || !out.TextFile) return 0;
    if (displayName && displayName[0])
      std::snprintf(out.DisplayFileName, sizeof out.DisplayFileName, "%s", displayName);
    out.VersionNumber = uint16_t(versionNumber);
    out.VersionCount = uint16_t(versionCount);
    out.LabelColumn = 0;
    const int16_t outputFormat = At<int16_t>(format.data(), kOutputFormat);
    if (outputFormat == 1) std::snprintf(out.Separator, sizeof out.Separator, "\t");
    if (outputFormat == 2) std::snprintf(out.Separator, sizeof out.Separator, " ");
    // A comma-separated file takes the list separator of the user's
    // numbers, unless that is a blank (which would make it format 2).
    if (outputFormat != 1 && outputFormat != 2 && (out.Separator[0] == ' ' || !out.Separator[0]))
      std::snprintf(out.Separator, sizeof out.Separator, ",");
    if (!out.TextFile->OpenAFile(outputPath, "\r\n", 1)) return 0;
    std::snprintf(out.HeaderText[0], sizeof out.HeaderText[0], "Sample Report %s", variant);
    out.HeaderUsed[0] = 1;
    out.HeaderLine[0] = 0;
    out.HeaderColumn[0] = 0;
    if (requested) {
      // The sample result tables the report pages use, in the text's columns.
      RPTS_WriteSampleReportBody(&out, wf.get(), format.data(), 0, kLastColumn, detailed ? 1 : 0);
    } else {
      RPTS_WriteSampleReportNoResults(&out, wf.get(), haveResults ? 1 : 0, format.data(), 0, kLastColumn);
    }
    const bool ok = out.Ok != 0;
    out.TextFile->CloseAFile();
    // Spreadsheet readers want the same fields on every row.
    if (ok && out.Separator[0] != ' ') r::EvenOutSeparatedRows(outputPath, out.Separator[0]);
    return ok ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
