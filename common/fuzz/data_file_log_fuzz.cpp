// libFuzzer target over a data file's logs: the input replaces the
// "LogFile" section (64-byte records) of an MS data file, which is then
// written out as the text log with every log block switched on. Nothing
// faults, and the text stays within a bound of what the records hold.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/log_text_files.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kData[] = "C:\\FUZZ\\logged.kms";
const char kOut[] = "C:\\FUZZ\\log.txt";

std::string Records(const char* const* lines, int n) {
  std::string bytes;
  for (int i = 0; i < n; ++i) {
    std::string r(64, ' ');
    r[0] = char(i);
    r[1] = 0;
    r.replace(2, std::min<size_t>(std::strlen(lines[i]), 62), lines[i], std::min<size_t>(std::strlen(lines[i]), 62));
    bytes += r;
  }
  return bytes;
}

bool PutLog(const char* path, const uint8_t* data, size_t size) {
  HSECTION s = CreateSection(path, "LogFile", nullptr);
  if (!s) return false;
  if (size) WriteSection(s, data, static_cast<uint32_t>(size));
  return CloseSection(s) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static const std::string pristine = [] {
    msfix::RunPlan plan;
    plan.scans = 30;
    plan.compounds = 1;
    plan.fileType = 23;
    plan.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
    msfix::WriteMsDataFile("C:\\FUZZ\\pristine.kms", plan, nullptr);
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\pristine.kms"));
  }();
  win::facts::RemoveFile(kData);
  fuzz::WriteBytes(win::paths::ToHost(kData), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  if (!PutLog(kData, data, size)) return 0;
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  if (!wf) return 0;
  KELT_DataFileLogOptions o{};
  o.headings = 1;
  o.notesWidth = 60;
  o.segments = o.runLog = o.otherLogs = o.errorLog = o.calibrationLog = o.revisionLog = 1;
  o.runLog2 = o.eventLog = o.methodSegmentLog = o.segmentLine = 1;
  win::facts::RemoveFile(kOut);
  if (KELT_GetDataFileLog(kOut, wf, &o)) {
    const size_t out = fuzz::ReadBytes(win::paths::ToHost(kOut)).size();
    fuzz::Check(out <= 200000 + 8 * size, "a log far longer than its records");
  }
  FreeWorkFileStruct(wf);
  return 0;
}

// Seeds: the logs an acquisition writes.
extern "C" int KeltFuzzSeeds(const char* folder) {
  const char* const twoSegments[] = {"Acquisition log", "File names", "  Method      C:\\METHODS\\VOC.MTH",
                                     "End", "Acquire segment #1", "  Start 1.00 min", "End",
                                     "Acquire segment #2", "  Start 9.50 min", "End", "Errors",
                                     "  Source fault at 3.2 min", "End"};
  const std::string a = Records(twoSegments, 13);
  fuzz::WriteBytes(std::string(folder) + "/two-segments", reinterpret_cast<const uint8_t*>(a.data()), a.size());
  const char* const cut[] = {"Acquisition log", "Acquire segment #1"};
  const std::string b = Records(cut, 2).substr(0, 100);
  fuzz::WriteBytes(std::string(folder) + "/cut-record", reinterpret_cast<const uint8_t*>(b.data()), b.size());
  return 0;
}
