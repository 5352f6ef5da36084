// Readers of a data file's tables for the reports.
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/results_access.h"
#include "common/tests/startup_root_fixture.h"
#include "common/tests/synthetic_work_file.h"
#include "holbrin/holbrin.h"

namespace {

using ResultsAccessTest = StartupRootTest;

TEST_F(ResultsAccessTest, GlobalTableOfTheWorkFilesModule) {
  Attach();
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({});
  struct Free {
    STRUCT_WORK_FILE* wf;
    ~Free() { FreeSyntheticWorkFile(wf); }
  } freeLater{wf};
  std::vector<uint8_t> table(sizeof(STRUCT_DH_GLOBAL_PARAMS), 0xEE);
  EXPECT_FALSE(KELT_ReadGlobalTable(wf, table.data()));  // no file yet
  std::filesystem::create_directories(Host("C:\\Data"));
  ASSERT_TRUE(CreateSectionFileAtPath(wf->filePath, 777, 0, 1));
  EXPECT_FALSE(KELT_ReadGlobalTable(wf, table.data()));  // no table
  STRUCT_DH_GLOBAL_PARAMS written{};
  ASSERT_TRUE(InitGlobalParams(&written));
  HDHTABLE t = CreateGlobalTable(wf->filePath, wf->fileType, wf->module, "1");
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(WriteGlobalTable(t, &written));
  CloseSection(static_cast<HSECTION>(t));
  ASSERT_TRUE(KELT_ReadGlobalTable(wf, table.data()));
  EXPECT_EQ(std::memcmp(table.data(), &written, sizeof written), 0);
  EXPECT_FALSE(KELT_ReadGlobalTable(nullptr, table.data()));
}

TEST_F(ResultsAccessTest, RecalculationRecordIsTheLatestEntryOfTheModule) {
  Attach();
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({});
  struct Free {
    STRUCT_WORK_FILE* wf;
    ~Free() { FreeSyntheticWorkFile(wf); }
  } freeLater{wf};
  STRUCT_RECALC_ENTRY out;
  std::memset(&out, 0xEE, sizeof out);
  EXPECT_FALSE(RPTS_ReadDataFileSection(wf, &out));  // no file yet
  std::filesystem::create_directories(Host("C:\\Data"));
  ASSERT_TRUE(CreateSectionFileAtPath(wf->filePath, 777, 0, 1));
  EXPECT_FALSE(RPTS_ReadDataFileSection(wf, &out));  // no record
  // A record of another module is not this work file's.
  HDHTABLE other = CreateRecalcLog(wf->filePath, wf->fileType, uint16_t(wf->module + 1), "1");
  ASSERT_NE(other, nullptr);
  STRUCT_RECALC_ENTRY e{};
  std::strcpy(e.methodPath, "C:\\METHODS\\OTHER.MTH");
  ASSERT_TRUE(AppendDHRecord(other, &e));
  CloseSection(static_cast<HSECTION>(other));
  EXPECT_FALSE(RPTS_ReadDataFileSection(wf, &out));

  HDHTABLE log = CreateRecalcLog(wf->filePath, wf->fileType, wf->module, "1");
  ASSERT_NE(log, nullptr);
  for (int16_t i = 0; i < 2; ++i) {
    e.sequence = i;
    std::snprintf(e.methodPath, sizeof e.methodPath, "C:\\METHODS\\M%d.MTH", i);
    std::snprintf(e.notes, sizeof e.notes, "notes %d", i);
    ASSERT_TRUE(AppendDHRecord(log, &e));
  }
  CloseSection(static_cast<HSECTION>(log));
  ASSERT_TRUE(RPTS_ReadDataFileSection(wf, &out));
  EXPECT_EQ(std::memcmp(&out, &e, sizeof e), 0);  // the latest entry, whole
  EXPECT_FALSE(RPTS_ReadDataFileSection(nullptr, &out));
  EXPECT_FALSE(RPTS_ReadDataFileSection(wf, nullptr));
}

TEST_F(ResultsAccessTest, AFileWithoutResultsGivesNothing) {
  Attach();
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({});
  std::vector<uint8_t> out(1375, 0xEE);
  EXPECT_FALSE(RPTS_ReadResultStep(wf->filePath, 0, out.data()));
  EXPECT_FALSE(KELT_ReadMatchingQualifier(wf, 3, out.data()));
  EXPECT_EQ(out[0], 0xEE);
  FreeSyntheticWorkFile(wf);
}

}  // namespace
