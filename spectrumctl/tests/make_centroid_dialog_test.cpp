// The "Make Centroid Spectrum" window driven as a user would, and the
// limits of the centroid parameters.
#include <cstring>
#include <string>
#include <vector>

#include "quorna/centroid_limits.h"
#include "spectrumctl/make_centroid_dialog.h"
#include "spectrumctl/tests/spt_control_fixture.h"

TEST(CentroidLimits, FollowTheDataAndTheCharge) {
  MS_CENTROID_LIMITS l{};
  EXPECT_EQ(GetCentroidParamLimits(0, 0.6, 0.05, 1, &l), 0);
  EXPECT_EQ(l.maxSearchPoints, 0);
  ASSERT_EQ(GetCentroidParamLimits(1, 0.6, 0.05, 1, &l), 1);
  // 12 points across a singly charged peak.
  EXPECT_EQ(l.maxChargeState, 4);
  EXPECT_EQ(l.maxSmoothPoints, 13);
  EXPECT_EQ(l.maxSearchPoints, 24);
  EXPECT_EQ(l.maxCentroidPoints, 12);
  EXPECT_EQ(l.suggestedSearchPoints, 7);
  ASSERT_EQ(GetCentroidParamLimits(1, 0.6, 0.05, 2, &l), 1);
  EXPECT_EQ(l.maxCentroidPoints, 6);
  EXPECT_EQ(l.suggestedSearchPoints, 3);
  // Unknown spacing, or a value that is no number: a typical peak.
  for (double step : {0.0, -1.0, std::nan("")}) {
    ASSERT_EQ(GetCentroidParamLimits(1, 0.6, step, 1, &l), 1);
    EXPECT_EQ(l.maxCentroidPoints, 15);
  }
  EXPECT_EQ(GetCentroidParamLimits(1, 0.6, 0.05, 1, nullptr), 0);
}

TEST(CentroidDialog, SmoothingChoicesAreOddWidthsFromThree) {
  struct Case {
    int maximum;
    std::vector<uint16_t> expected;
  } cases[] = {{4, {3}}, {9, {3, 5, 7, 9}}, {3, {3}}, {0, {3}}, {10, {3, 5, 7, 9}}};
  for (const auto& c : cases) {
    uint16_t values[64] = {};
    const int n = CMakeCentroidDlg::SmoothingChoices(c.maximum, values, 64);
    EXPECT_EQ(std::vector<uint16_t>(values, values + n), c.expected) << c.maximum;
  }
}

class CentroidDialogTest : public SptControlTest {
 protected:
  HWND OpenOnProfile(sptfix::Spt* keep) {
    HWND w = MakeControl();
    *keep = sptfix::Precise(sptfix::MessyProfile(71, 3000, 40, 0.05), true);
    std::strcpy(keep->get()->tolSpt->dataFilePath, "C:\\Workstation\\Data\\PROFILE.KMS");
    PlusSpt_UpdateBasePeak(keep->get());
    SendPair(w, keep->get(), nullptr);
    win::script::PumpUntilIdle();
    SendMessageA(w, WM_COMMAND, 8115, 0);
    win::script::PumpUntilIdle();
    return w;
  }
  static HWND Dialog(HWND control) {
    CWnd* d = Control(control)->m_pCentroidDlg[0];
    return d ? d->m_hWnd : nullptr;
  }
};

TEST_F(CentroidDialogTest, OpensBesideTheControlAndMakesTheSpectrum) {
  sptfix::Spt profile;
  HWND w = OpenOnProfile(&profile);
  HWND d = Dialog(w);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(win::script::Text(d).rfind("Make Centroid Spectrum", 0), 0u);
  EXPECT_EQ(win::script::Text(d).substr(win::script::Text(d).size() - 2), " A");
  // A second request keeps the one window.
  SendMessageA(w, WM_COMMAND, 8115, 0);
  EXPECT_EQ(Dialog(w), d);
  // The smoothing list runs up to a whole peak of 12 points.
  EXPECT_EQ(win::script::ListItems(d, MCD_SMOOTH),
            (std::vector<std::string>{"3", "5", "7", "9", "11", "13"}));
  EXPECT_EQ(win::script::ListItems(d, MCD_CHARGE).size(), 4u);

  // Centroid points above the search points: the message, and no request.
  const size_t boxes = win::script::MessageBoxLog().size();
  win::script::SetField(d, MCD_SEARCH, "3");
  win::script::SetField(d, MCD_CENTROID, "5");
  win::script::PressButton(d, MCD_MAKE_SPECTRUM);
  win::script::PumpUntilIdle();
  ASSERT_EQ(win::script::MessageBoxLog().size(), boxes + 1);
  EXPECT_EQ(win::script::MessageBoxLog().back().text,
            "The number of search points must be greater\nor equal to the number of centroid points.");
  EXPECT_EQ(Control(w)->m_centroid[0], nullptr);

  win::script::SetField(d, MCD_SEARCH, "7");
  win::script::PressButton(d, MCD_MAKE_SPECTRUM);
  win::script::PumpUntilIdle();
  ASSERT_NE(Control(w)->m_centroid[0], nullptr);
  const uint32_t centroids = Control(w)->m_centroid[0]->tolSpt->pairCount;
  EXPECT_GT(centroids, 5u);
  EXPECT_NE(std::string(Control(w)->m_centroid[0]->comment).find("Search Points: 7, Centroid Points: 5"),
            std::string::npos);

  // Exit closes the window and the control forgets it.
  win::script::PressButton(d, IDCANCEL);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(d));
  EXPECT_EQ(Control(w)->m_pCentroidDlg[0], nullptr);
}

TEST_F(CentroidDialogTest, OutOfRangeValuesAreRefusedAndClamped) {
  sptfix::Spt profile;
  HWND w = OpenOnProfile(&profile);
  HWND d = Dialog(w);
  ASSERT_NE(d, nullptr);
  auto* dlg = static_cast<CMakeCentroidDlg*>(Control(w)->m_pCentroidDlg[0]);
  win::script::SetField(d, MCD_SEARCH, "80");
  SendMessageA(d, WM_COMMAND, MAKEWPARAM(MCD_SEARCH, EN_KILLFOCUS), 0);
  EXPECT_EQ(int(dlg->m_work.engine.searchPoints), 24);
  EXPECT_EQ(win::script::GetField(d, MCD_SEARCH), "24");
  win::script::SetField(d, MCD_THRESHOLD, "many");
  const int before = dlg->m_work.engine.thresholdCount;
  SendMessageA(d, WM_COMMAND, MAKEWPARAM(MCD_THRESHOLD, EN_KILLFOCUS), 0);
  EXPECT_EQ(int(dlg->m_work.engine.thresholdCount), before);
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "Threshold Count must be a number from 0 to 32000.");
}

TEST_F(CentroidDialogTest, ChargeResetsTheSearchAndANewRecordOnlyForAnotherSpectrum) {
  sptfix::Spt profile;
  HWND w = OpenOnProfile(&profile);
  HWND d = Dialog(w);
  ASSERT_NE(d, nullptr);
  auto* dlg = static_cast<CMakeCentroidDlg*>(Control(w)->m_pCentroidDlg[0]);
  win::script::PickItem(d, MCD_CHARGE, 1);
  win::script::PumpUntilIdle();
  EXPECT_EQ(int(dlg->m_work.engine.chargeState), 2);
  EXPECT_EQ(win::script::GetField(d, MCD_SEARCH), "3");
  EXPECT_EQ(win::script::ListItems(d, MCD_SMOOTH), (std::vector<std::string>{"3", "5", "7"}));

  // The same file and identity: the user's values stay.
  STRUCT_CCSPT_CENTROID_SETUP* same = dlg->m_setup;
  auto* next = static_cast<STRUCT_CCSPT_CENTROID_SETUP*>(AllocBlock(sizeof(STRUCT_CCSPT_CENTROID_SETUP)));
  std::memcpy(next, same, sizeof *next);
  next->params.engine.chargeState = 1;
  std::strcpy(next->dataFile, "c:\\workstation\\data\\profile.kms");
  SendMessageA(d, MCD_NEWSETUP, 0, reinterpret_cast<LPARAM>(next));
  EXPECT_EQ(int(dlg->m_work.engine.chargeState), 2);
  // Another identity: the new record's values.
  next->identity = static_cast<uint16_t>(next->identity + 1);
  SendMessageA(d, MCD_NEWSETUP, 0, reinterpret_cast<LPARAM>(next));
  EXPECT_EQ(int(dlg->m_work.engine.chargeState), 1);
  // A record without data changes nothing.
  next->dataKind = 0;
  next->identity = static_cast<uint16_t>(next->identity + 1);
  next->params.engine.chargeState = 3;
  SendMessageA(d, MCD_NEWSETUP, 0, reinterpret_cast<LPARAM>(next));
  EXPECT_EQ(int(dlg->m_work.engine.chargeState), 1);
  FreeBlock(next);
}
