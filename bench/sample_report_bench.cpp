// The sample report of a processed 40-compound run as report pages (its
// information grid and the wide fixed compound and peak tables, with the
// qualifier ions; no chromatogram strips and no logs), against drawing the
// same text lines, at the same places and in the same fonts, straight onto
// metafile pages and storing those pages in a new reports file, as the
// report does. Goal: within 2x.
// Drawing alone (BM_TextLinesOnPages, still timed) leaves out the reports
// file the report's pages go to: a new file and a durable commit a page,
// tens of times the drawing. The baseline still leaves out reading the
// run's results (the report opens the results once and reads a record a
// compound), so the ratio counts that reading against the report.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "common/preference_records.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "reportmakers/report_makers.h"
#include "reportpages/metafile_page.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"
#include "win/win_metafile.h"
#include "win/win_profile.h"
#include "win/win_stdio.h"

namespace {

const char kData[] = "C:\\Bench\\RUN40.KMS";
const char kMethod[] = "C:\\Bench\\RUN40.MTH";
const char kFormat[] = "C:\\Bench\\TABLES.MTH";
const char kReports[] = "C:\\Bench\\sample.msr";
char g_section[80] = {};
STRUCT_REPORT_PREFS g_prefs{};

// One text of a stored page, and the page it lies on.
struct PageText {
  int x, y;
  std::string text;
};
std::vector<std::vector<PageText>> g_pages;
int16_t g_columns = 140, g_lines = 60;

int CALLBACK Collect(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM data) {
  auto* texts = reinterpret_cast<std::vector<PageText>*>(data);
  if (r->iType == EMR_EXTTEXTOUTW) {
    const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
    const auto* chars = reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(r) + t->emrtext.offString);
    std::string s;
    for (DWORD i = 0; i < t->emrtext.nChars; ++i) s += char(chars[i]);
    texts->push_back({int(t->emrtext.ptlReference.x), int(t->emrtext.ptlReference.y), s});
  }
  return 1;
}

bool MakeReport() {
  DeleteFileA(kReports);
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%s", kReports);
  return RPTS_MakeSampleReport(kFormat, g_section, kData, name, &g_prefs, 0, 0, nullptr, 0, 0) != 0;
}

bool Ready() {
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:", GetWorkstationIniPath());
  CreateDirectoryA("C:\\TEMP", nullptr);
  KELT_GetCurrDefReportPrefs(&g_prefs);
  msfix::DHPlan plan;
  plan.run.scans = 2400;
  plan.run.compounds = 44;
  plan.unknowns = 4;
  plan.run.segments = {{1.0, 1, ""}, {2.0, 1, ""}};
  msfix::DHTruth truth;
  if (!msfix::WriteProcessedDataFile(kData, kMethod, plan, &truth)) return false;
  if (!BuildDHSectionName(g_section, "MSReportFormat2", truth.moduleId, truth.moduleAddress, "1")) return false;
  // The tables alone: wide fixed tables with qualifier lines and totals.
  std::vector<uint8_t> f(2871);
  if (!ReadReportFormat(kMethod, g_section, f.data())) return false;
  const uint16_t none = 0, wide = 1, on = 1, mask = 0x3F;
  std::memcpy(f.data() + 50 + 237, &none, 2);  // no chromatogram strips
  uint8_t* sample = f.data() + 609;
  std::memcpy(sample + 173, &wide, 2);
  std::memcpy(sample + 958, &on, 2);
  std::memcpy(sample + 960, &on, 2);
  for (uint32_t at = 962; at <= 974; at += 2) std::memcpy(sample + at, &none, 2);
  std::memcpy(sample + 978, &mask, 2);
  if (!CreateSectionFileAtPath(kFormat, SECTION_FILE_TYPE_METHOD, 0, 1) || !WriteReportFormat(kFormat, g_section, f.data()))
    return false;
  if (!MakeReport()) return false;
  // The texts of its pages, for the baseline.
  CRptsFileHandler file(kReports, nullptr);
  for (int32_t p = 0; p < file.GetCountOfPages(); ++p) {
    RptsPageRecord r{};
    uint32_t size = 0;
    void* bits = file.GetPage(p, &r, &size);
    if (!bits) return false;
    g_columns = int16_t(r.columns), g_lines = int16_t(r.lines);
    HENHMETAFILE emf = SetEnhMetaFileBits(size, static_cast<const BYTE*>(bits));
    FreeBlock(bits);
    std::vector<PageText> texts;
    EnumEnhMetaFile(nullptr, emf, Collect, &texts, nullptr);
    DeleteEnhMetaFile(emf);
    g_pages.push_back(texts);
  }
  std::printf("sample report: %zu pages of %d x %d\n", g_pages.size(), int(g_columns), int(g_lines));
  return !g_pages.empty();
}

void BM_SampleReport40(benchmark::State& st) {
  for (auto _ : st)
    if (!MakeReport()) {
      st.SkipWithError("the sample report stored no page");
      return;
    }
}
BENCHMARK(BM_SampleReport40)->Unit(benchmark::kMillisecond);

// One page's texts drawn in the fixed font; its ended page in *bits (null
// when ending gave nothing). False when no page could be started.
bool DrawTexts(CMPage& page, const std::vector<PageText>& texts, HGLOBAL* bits) {
  if (!page.StartNewPage(0)) return false;
  page.SelectFont(kFontFixed, nullptr, nullptr);
  for (const PageText& t : texts) page.XYTextOut(int16_t(t.x), int16_t(t.y), t.text.c_str());
  *bits = page.EndPage();
  return true;
}

// The same texts drawn in the fixed font onto metafile pages that are ended.
void BM_TextLinesOnPages(benchmark::State& st) {
  for (auto _ : st) {
    CMPage page(&g_prefs, g_columns, g_lines, 1);
    for (const auto& texts : g_pages) {
      HGLOBAL bits = nullptr;
      if (!DrawTexts(page, texts, &bits)) {
        st.SkipWithError("no page");
        return;
      }
      if (bits) GlobalFree(bits);
    }
  }
}
BENCHMARK(BM_TextLinesOnPages)->Unit(benchmark::kMillisecond);

// The same pages, drawn as above, stored in a new reports file.
void BM_TextPagesStored(benchmark::State& st) {
  for (auto _ : st) {
    DeleteFileA(kReports);
    CRptsFileHandler file(nullptr);
    if (!file.MakeThisNewFile(kReports)) {
      st.SkipWithError("cannot make the reports file");
      return;
    }
    CMPage page(&g_prefs, g_columns, g_lines, 1);
    uint16_t number = 0;
    for (const auto& texts : g_pages) {
      HGLOBAL bits = nullptr;
      if (!DrawTexts(page, texts, &bits)) {
        st.SkipWithError("no page");
        return;
      }
      if (!bits) continue;
      const bool added = file.AddPageToFile(GlobalLock(bits), uint32_t(GlobalSize(bits)), 1, uint16_t(g_columns),
                                            uint16_t(g_lines), 1, 1, 2, 32767, 32767, ++number, 0, "Sample Report");
      GlobalUnlock(bits);
      GlobalFree(bits);
      if (!added) {
        st.SkipWithError("a page was not added");
        return;
      }
    }
  }
}
BENCHMARK(BM_TextPagesStored)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(&argc, argv, "sample-report-bench", Ready, "sample_report_bench: the run's report was not made",
                       {{"BM_SampleReport40", "BM_TextPagesStored", 2.0}});
}
