// The data file's header on a page-maker page: its lines, where they go,
// and the next free line it answers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/tests/kelt_test_root.h"
#include "common/work_file.h"
#include "page_records.h"
#include "reportpages/page_maker.h"
#include "reportpages/single_file_header.h"
#include "win/win_kernel.h"

namespace {

using SingleFileHeader = KeltRootTest;

std::unique_ptr<STRUCT_WORK_FILE> WorkFile(const char* notes) {
  auto wf = std::make_unique<STRUCT_WORK_FILE>();
  std::memset(wf.get(), 0, sizeof *wf);
  std::strcpy(wf->filePath, "C:\\Data\\Runs\\Water North.KMS");
  std::strcpy(wf->sampleName, "Water north");
  std::strcpy(wf->operatorName, "analyst");
  std::strcpy(wf->description, notes);
  wf->msInfo.firstScan = 1;
  wf->msInfo.lastScan = 1800;
  wf->startTime = 2.0;
  wf->endTime = 31.996;
  wf->month = 3;
  wf->day = 14;
  wf->year = 124;
  wf->hour = 9;
  wf->minute = 5;
  return wf;
}

TEST_F(SingleFileHeader, LinesAndTheNextFreeLine) {
  struct Case {
    const char* name;
    int16_t columns;
    const char* notes;
    bool noFile, emptyPath;
    int16_t shortForm;
    int16_t next;
    std::vector<std::string> texts;
  } cases[] = {
      {"no work file", 80, "", true, false, 0, 7, {}},
      {"empty path", 80, "", false, true, 0, 7, {}},
      {"short", 80, "", false, false, 1, 8, {"File: c:\\data\\runs\\water north.kms"}},
      {"no notes", 80, "", false, false, 0, 10,
       {"File: c:\\data\\runs\\water north.kms", "Sample: Water north                       ", "Operator: analyst",
        "Scan Range: 1 - 1800 Time Range: 2.00 - 32.00 min."}},
      {"notes", 80, "Spiked at 5 ppb", false, false, 0, 11,
       {"File: c:\\data\\runs\\water north.kms", "Sample: Water north                       ", "Operator: analyst",
        "Scan Range: 1 - 1800 Time Range: 2.00 - 32.00 min.",
        "Sample Notes: " + std::string("Spiked at 5 ppb") + std::string(64 - 15, ' ')}},
      {"wide page", 140, "Spiked at 5 ppb", false, false, 0, 11,
       {"File: c:\\data\\runs\\water north.kms", "Sample: Water north                       ", "Operator: analyst",
        "Scan Range: 1 - 1800 Time Range: 2.00 - 32.00 min.",
        "Sample Notes: " + std::string("Spiked at 5 ppb") + std::string(124 - 15, ' ')}},
  };
  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    CMPage* page = MPM_InitMetaPageMaker(&prefs, k.columns, 60, 0);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(MPM_StartNewPage(page, 0), 1);
    auto wf = WorkFile(k.notes);
    if (k.emptyPath) wf->filePath[0] = 0;
    EXPECT_EQ(MPM_AddSingleFileHeader(page, 7, 4, k.noFile ? nullptr : wf.get(), "", k.shortForm), k.next);
    HGLOBAL bits = MPM_EndPage(page);
    ASSERT_NE(bits, nullptr);
    const Played played = Play(bits);
    GlobalFree(bits);
    MPM_FreeMetaPageMaker(page);
    std::vector<std::string> texts;
    for (const Text& t : played.texts)
      if (t.text.rfind("Date: ", 0) != 0) texts.push_back(t.text);
    EXPECT_EQ(texts, k.texts);
  }
}

// A display name given by the control stands for the path.
TEST_F(SingleFileHeader, TheDisplayNameReplacesThePath) {
  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);
  CMPage* page = MPM_InitMetaPageMaker(&prefs, 80, 60, 0);
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(MPM_StartNewPage(page, 0), 1);
  auto wf = WorkFile("");
  EXPECT_EQ(MPM_AddSingleFileHeader(page, 3, 4, wf.get(), "Version 2 of North.KMS", 1), 4);
  HGLOBAL bits = MPM_EndPage(page);
  ASSERT_NE(bits, nullptr);
  const Played played = Play(bits);
  GlobalFree(bits);
  MPM_FreeMetaPageMaker(page);
  ASSERT_EQ(played.texts.size(), 1u);
  EXPECT_EQ(played.texts[0].text, "File: version 2 of north.kms");
}

}  // namespace
