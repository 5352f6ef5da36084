// libFuzzer target over the records a summary report reads: the input's
// first 2,871 bytes are the report-format record (keys, group depth, title,
// statistics switches, text-file format), the rest whole 396-byte summary
// rows as the engine hands them over (texts without their ends, any run
// type, level and float). The report is written as pages and as a text
// file; nothing faults, a report with rows stores a page, and a separated
// text file comes back with the same fields on every row. The control
// charts of the same rows are drawn and written too.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "reportmakers/control_charts.h"
#include "reportmakers/summary_report.h"
#include "reportpages/msr_functions.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace {

constexpr size_t kFormatSize = 2871;
constexpr size_t kMaxRows = 40;

void Setup() {
  static const bool ready = [] {
    fuzz::UseOwnRoot();
    CreateDirectoryA("C:\\TEMP", nullptr);
    return true;
  }();
  fuzz::Check(ready, "the root is made");
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  std::vector<uint8_t> f(kFormatSize, 0);
  ResetReportFormat(f.data());
  const int16_t depth = 2, keys[3] = {0, 1, 2}, on = 1, chars = 4;
  std::memcpy(f.data() + 2745, keys, sizeof keys);
  std::memcpy(f.data() + 2751, &chars, 2);
  std::memcpy(f.data() + 2753, &depth, 2);
  for (uint32_t k = 0; k < 4; ++k) std::memcpy(f.data() + 2796 + 2 * k, &on, 2);
  std::string bytes(reinterpret_cast<const char*>(f.data()), f.size());
  for (int i = 0; i < 5; ++i) {
    STRUCT_SUMMARY_ROW r{};
    r.line = uint16_t(i + 1);
    std::snprintf(r.path, sizeof r.path, "C:\\DATA\\RUN%d.KMS", i);
    std::memset(r.sampleId, 'S', sizeof r.sampleId);  // no end
    r.runType = uint32_t(1 + i % 3);
    r.level = uint16_t(i);
    std::snprintf(r.name, sizeof r.name, "Compound \"%d\", ng", i % 2);
    r.resultType = uint32_t(i);
    r.retentionTime = 5.0f + 0.01f * float(i);
    r.area = 1e6f;
    r.height = 1e5f;
    r.amount = i == 3 ? -1.0f : 2.5f;
    std::memset(r.letters, 'Q', sizeof r.letters);
    r.errorRow = i == 4 ? 1 : 0;
    bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  fuzz::WriteBytes(std::string(folder) + "/grouped.bin", reinterpret_cast<const uint8_t*>(bytes.data()),
                   bytes.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  std::vector<uint8_t> format(kFormatSize, 0);
  std::memcpy(format.data(), data, std::min(size, format.size()));
  std::vector<STRUCT_SUMMARY_ROW> rows;
  for (size_t at = kFormatSize; at + sizeof(STRUCT_SUMMARY_ROW) <= size && rows.size() < kMaxRows;
       at += sizeof(STRUCT_SUMMARY_ROW)) {
    STRUCT_SUMMARY_ROW r;
    std::memcpy(&r, data + at, sizeof r);
    rows.push_back(r);
  }
  std::vector<STRUCT_SUMMARY_ROW*> view;
  for (auto& r : rows) view.push_back(&r);
  const STRUCT_SUMMARY_ROW_LIST list{int32_t(view.size()), view.data()};

  char pages[MAX_PATH] = "C:\\FUZZ\\summary.msr";
  DeleteFileA(pages);
  const int32_t made = RPTS_MakeSummaryReport(SUMMARY_REPORT_PAGES, pages, nullptr, "C:\\FUZZ\\batch.seq", &list,
                                              format.data());
  fuzz::Check(made == (MSR_GetPageCount(pages) > 0 ? 1 : 0), "a summary is made exactly when a page is stored");

  // The text file in the format's separator (blank-separated files are
  // columns for the eye, not fields).
  int16_t textFormat = 0;
  std::memcpy(&textFormat, format.data() + 24, 2);
  char text[MAX_PATH] = "C:\\FUZZ\\summary.txt";
  DeleteFileA(text);
  fuzz::Check(RPTS_MakeSummaryReport(SUMMARY_REPORT_TEXT, text, nullptr, "C:\\FUZZ\\batch.seq", &list,
                                     format.data()) == 0,
              "a text summary stores no page");
  if (textFormat != 2) {
    const std::string written = fuzz::ReadBytes(win::paths::ToHost(text));
    const char sep = textFormat == 1 ? '\t' : ',';
    int fields = -1;
    size_t at = 0;
    while (at < written.size()) {
      size_t end = written.find("\r\n", at);
      if (end == std::string::npos) end = written.size();
      const int n = kelt::reports::CountSeparatedFields(written.data() + at, end - at, sep);
      fuzz::Check(fields < 0 || n == fields, "every row has the same fields");
      fields = n;
      at = end + 2;
    }
  }

  // The control charts of the same rows: charts per page, value and limit
  // kinds from the input, pages and text alike.
  char charts[MAX_PATH] = "C:\\FUZZ\\charts.msr";
  DeleteFileA(charts);
  const int32_t chartPages = RPTS_MakeChartsReport(SUMMARY_REPORT_PAGES, charts, nullptr, "C:\\FUZZ\\batch.seq",
                                                   &list, format.data());
  fuzz::Check(chartPages == (MSR_GetPageCount(charts) > 0 ? 1 : 0), "charts are made exactly when a page is stored");
  char chartText[MAX_PATH] = "C:\\FUZZ\\charts.txt";
  DeleteFileA(chartText);
  fuzz::Check(RPTS_MakeChartsReport(SUMMARY_REPORT_TEXT, chartText, nullptr, "C:\\FUZZ\\batch.seq", &list,
                                    format.data()) == 0,
              "a chart text file stores no page");
  return 0;
}
