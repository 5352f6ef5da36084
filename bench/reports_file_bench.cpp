// Reports files against plain files, in one run: 500 report pages (the
// metafile bytes of a real page) added to a new reports file and read back
// page by page, against the same bytes written to 500 plain files (each
// flushed to the disk, as every store commit is) and read back.
// Goal: within 1.5x.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/ratio_reporter.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "reportpages/report_output.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_stdio.h"

namespace {

constexpr int kPages = 500;
const char kReports[] = "C:\\Bench\\pages.msr";
std::string g_page;  // one page's metafile bytes

// The bytes of a page of a peak table, drawn as a report draws it.
bool MakePage() {
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:", GetWorkstationIniPath());
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  CMPage page(&prefs, 80, 72, 0);
  if (!page.StartNewPage(0)) return false;
  page.SelectFont(kFontLarge, nullptr, nullptr);
  page.CLTextOut(2, 1, "Sample Report - Page 2");
  page.SelectFont(kFontFixed, nullptr, nullptr);
  for (int16_t line = 4; line < 70; ++line) {
    char text[100];
    std::snprintf(text, sizeof text, "%-5d Compound %-4d %10.3f %14.0f %14.0f", line, line, line * 0.173,
                  line * 15321.0, line * 811.0);
    page.CLTextOut(4, line, text);
  }
  HGLOBAL bits = page.EndPage();
  if (!bits) return false;
  g_page.assign(static_cast<const char*>(GlobalLock(bits)), GlobalSize(bits));
  GlobalUnlock(bits);
  GlobalFree(bits);
  return !g_page.empty();
}

void BM_ReportsFile_AddAndRead500(benchmark::State& st) {
  for (auto _ : st) {
    DeleteFileA(kReports);
    CRptsFileHandler file(nullptr);
    if (!file.MakeThisNewFile(kReports)) {
      st.SkipWithError("cannot make the reports file");
      return;
    }
    for (int i = 0; i < kPages; ++i)
      if (!file.AddPageToFile(g_page.data(), uint32_t(g_page.size()), 1, 80, 72, 2, 1, 2, 32767, 32767,
                              uint16_t(i + 1), 0, "Sample Report")) {
        st.SkipWithError("a page was not added");
        return;
      }
    CRptsFileHandler again(kReports, nullptr);
    size_t read = 0;
    for (int i = 0; i < kPages; ++i) {
      RptsPageRecord r{};
      uint32_t size = 0;
      void* p = again.GetPage(i, &r, &size);
      if (p) FreeBlock(p);
      read += size;
    }
    if (read != g_page.size() * kPages) st.SkipWithError("pages read back short");
  }
}
BENCHMARK(BM_ReportsFile_AddAndRead500)->Unit(benchmark::kMillisecond);

void BM_PlainFiles_WriteAndRead500(benchmark::State& st) {
  std::string buffer(g_page.size(), '\0');
  for (auto _ : st) {
    for (int i = 0; i < kPages; ++i) {
      const std::string path = "C:\\Bench\\page" + std::to_string(i) + ".emf";
      HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD n = 0;
      if (h == INVALID_HANDLE_VALUE || !WriteFile(h, g_page.data(), DWORD(g_page.size()), &n, nullptr) ||
          !FlushFileBuffers(h)) {
        st.SkipWithError("cannot write a page file");
        return;
      }
      CloseHandle(h);
    }
    size_t read = 0;
    for (int i = 0; i < kPages; ++i) {
      const std::string path = "C:\\Bench\\page" + std::to_string(i) + ".emf";
      HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD n = 0;
      if (h != INVALID_HANDLE_VALUE && ReadFile(h, buffer.data(), DWORD(buffer.size()), &n, nullptr)) read += n;
      CloseHandle(h);
    }
    if (read != g_page.size() * kPages) st.SkipWithError("pages read back short");
  }
}
BENCHMARK(BM_PlainFiles_WriteAndRead500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(&argc, argv, "reports-file-bench", MakePage, "reports_file_bench: the page could not be drawn",
                       {{"BM_ReportsFile_AddAndRead500", "BM_PlainFiles_WriteAndRead500", 1.5}});
}
