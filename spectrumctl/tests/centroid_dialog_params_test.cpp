// The centroid dialog starts from the peak width and smoothing that the
// data file keeps for the spectrum's segment, when it keeps them.
#include <cstring>
#include <filesystem>

#include "pomsel/pomsel.h"
#include "spectrumctl/make_centroid_dialog.h"
#include "spectrumctl/tests/spt_control_fixture.h"

namespace {

class CentroidParamsTest : public SptControlTest {
 protected:
  CMakeCentroidDlg* Open(const char* path, sptfix::Spt* keep) {
    HWND w = MakeControl();
    *keep = sptfix::Precise(sptfix::MessyProfile(23, 3000, 40, 0.05), true);
    std::strcpy(keep->get()->tolSpt->dataFilePath, path);
    keep->get()->tolSpt->header.segment = 2;
    PlusSpt_UpdateBasePeak(keep->get());
    SendPair(w, keep->get(), nullptr);
    win::script::PumpUntilIdle();
    SendMessageA(w, WM_COMMAND, 8115, 0);
    win::script::PumpUntilIdle();
    return static_cast<CMakeCentroidDlg*>(Control(w)->m_pCentroidDlg[0]);
  }
};

TEST_F(CentroidParamsTest, TheDataFilesValuesOfTheSegmentAreTaken) {
  std::filesystem::create_directories(Host("c/Workstation/Data"));
  const char* path = "C:\\Workstation\\Data\\TUNED.KMS";
  ASSERT_TRUE(CreateSectionFileAtPath(path, 0, 0, 1));
  DF_CENTROID_PARAMS stored[2] = {};
  stored[0].segment = 1;
  stored[0].channel = 1;
  stored[0].peakWidth = 0.9;
  stored[0].smoothingPoints = 9;
  stored[1] = stored[0];
  stored[1].segment = 2;
  stored[1].peakWidth = 0.35;
  stored[1].smoothingPoints = 5;
  ASSERT_TRUE(WriteCentroidParams(path, stored, 2));
  sptfix::Spt profile;
  CMakeCentroidDlg* dlg = Open(path, &profile);
  ASSERT_NE(dlg, nullptr);
  EXPECT_DOUBLE_EQ(dlg->m_setup->peakWidth, 0.35);
  EXPECT_EQ(int(dlg->m_work.engine.smoothPoints), 5);
}

TEST_F(CentroidParamsTest, WithoutStoredValuesATypicalPeakIsAssumed) {
  sptfix::Spt profile;
  CMakeCentroidDlg* dlg = Open("C:\\Workstation\\Data\\NOFILE.KMS", &profile);
  ASSERT_NE(dlg, nullptr);
  EXPECT_DOUBLE_EQ(dlg->m_setup->peakWidth, 0.6);
  EXPECT_EQ(int(dlg->m_work.engine.smoothPoints), 3);
}

}  // namespace
