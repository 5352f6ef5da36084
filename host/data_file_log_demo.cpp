// The demo's data-file log: a sample run with an acquisition log, its log
// written as a text file, and the file's first lines shown.
#include <cstdio>
#include <string>

#include "common/log_text_files.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace {

constexpr char kRunPath[] = "C:\\Workstation\\sample-run.kms";
constexpr char kLogPath[] = "C:\\TEMP\\sample-run-log.txt";

// A small acquisition log of 64-byte records (text from byte 2).
bool AddAcquisitionLog() {
  const char* lines[] = {"Acquisition log",       "File names",   "  Method   SAMPLE.MTH", "End",
                         "Acquire segment #1",    "Scan mode  Full scan", "IPM type  EI+", "End",
                         "Acquire segment #2",    "Scan mode  SIM", "IPM type  EI+", "End"};
  std::string bytes;
  for (const char* l : lines) {
    std::string r(64, ' ');
    r[0] = r[1] = 0;
    r.replace(2, std::string(l).size(), l);
    bytes += r;
  }
  HSECTION s = CreateSection(kRunPath, "LogFile", nullptr);
  if (!s) return false;
  const bool ok = WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  return CloseSection(s) && ok;
}

}  // namespace

void ShowDataFileLog() {
  msfix::RunPlan plan;
  plan.scans = 200;
  plan.compounds = 4;
  plan.fileType = 23;
  plan.module = 1;
  plan.segments = {{1.0, 1, "Full scan"}, {1.0, 2, "SIM"}};
  if (!msfix::WriteMsDataFile(kRunPath, plan, nullptr) || !AddAcquisitionLog()) {
    std::fprintf(stderr, "kelt_host: cannot make %s\n", kRunPath);
    return;
  }
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kRunPath, 0);
  if (!wf) {
    std::fprintf(stderr, "kelt_host: cannot open %s\n", kRunPath);
    return;
  }
  KELT_DataFileLogOptions options{};
  options.headings = 1;
  options.notesWidth = 80;
  options.segments = 1;
  options.runLog = 1;
  if (!KELT_GetDataFileLog(kLogPath, wf, &options)) {
    std::fprintf(stderr, "kelt_host: no log written for %s\n", kRunPath);
    FreeWorkFileStruct(wf);
    return;
  }
  FreeWorkFileStruct(wf);
  std::printf("Data-file log of %s: %s\n", kRunPath, kLogPath);
  HANDLE h = CreateFileA(kLogPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  char buffer[4096];
  DWORD got = 0;
  ReadFile(h, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(h);
  // Its first lines; a CR LF or LF CR pair ends a line.
  std::string line;
  int shown = 0;
  for (DWORD i = 0; i < got && shown < 12; ++i) {
    const char c = buffer[i];
    if (c == '\r' || c == '\n') {
      if (i + 1 < got && (buffer[i + 1] == '\r' || buffer[i + 1] == '\n') && buffer[i + 1] != c) ++i;
      std::printf("  | %s\n", line.c_str());
      line.clear();
      ++shown;
    } else {
      line += c;
    }
  }
}
