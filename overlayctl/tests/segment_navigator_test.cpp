// The data-review strip: segment mode and its navigator, file and plot
// descriptor stepping, the typed index and the buttons' states.
#include <cstring>
#include <filesystem>
#include <string>

#include "fixtures/msfixtures.h"
#include "overlayctl/segment_navigator.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

class NavigatorTest : public OPlotTest {
 protected:
  void SetUp() override {
    OPlotTest::SetUp();
    msfix::DHPlan plan;
    plan.run.seed = 71;
    plan.run.scans = 600;
    path_ = "C:\\Data\\review.kms";
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path_)).parent_path());
    ASSERT_TRUE(msfix::WriteProcessedDataFile(win::paths::ToHost(path_), win::paths::ToHost("C:\\Data\\review.mth"),
                                              plan, &truth_));
  }
  void TearDown() override {
    if (overlay_) {
      OPLOT_ClearOverlayStructure(overlay_);
      FreeBlock(overlay_);
    }
    OPlotTest::TearDown();
  }
  // The run's TIC in slots 0 and 1 of an overlay the test (the program) owns, painted.
  HWND Show() {
    overlay_ = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    for (int16_t slot = 0; slot < 2; ++slot)
      EXPECT_TRUE(OPLOT_AddAnyPlotToOverlayStructure(overlay_, slot, path_.c_str(), DATA_TYPE_TIC, 0, nullptr, nullptr,
                                                     nullptr, nullptr, "Counts", "", 0, 0));
    OPLOT_UpdateOverlayPlots(overlay_, overlay_->tail.homeStart, overlay_->tail.homeEnd);
    OPLOT_SetVerticalFullScale(overlay_, 1, 1);
    HWND w = MakeControl(7, 900, 500);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(overlay_));
    win::script::PumpUntilIdle();
    return w;
  }
  static std::string Text(HWND w, int id) { return win::script::Text(GetDlgItem(w, id)); }
  static bool Enabled(HWND w, int id) { return IsWindowEnabled(GetDlgItem(w, id)) != FALSE; }
  static void Press(HWND w, int id) {
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, id)));
    win::script::PumpUntilIdle();
  }
  static void SetBox(HWND w, bool on) {
    SendMessageA(GetDlgItem(w, OPLOT_ID_NAV_SEGMENT_MODE), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    Press(w, OPLOT_ID_NAV_SEGMENT_MODE);
  }
  static void Type(HWND w, const char* text) {
    HWND edit = GetDlgItem(w, OPLOT_ID_NAV_INDEX);
    SetWindowTextA(edit, text);
    SetFocus(edit);
    SendMessageA(edit, WM_KEYUP, VK_RETURN, 0);
    win::script::PumpUntilIdle();
  }
  static bool Told(int code) {
    for (const Notice& n : Notices())
      if (n.code == code) return true;
    return false;
  }
  const MS_SEGMENT_BLOCK& Segment(CCtlOPlot* c, int k) const { return c->m_pOverlay->slots[0].workFile->segmentBlocks[k]; }
  std::string path_;
  msfix::DHTruth truth_;
  SVW_OVERLAY* overlay_ = nullptr;
};

TEST_F(NavigatorTest, SegmentModeStepsSegmentsAndTheButtonsFollow) {
  HWND w = Show();
  CCtlOPlot* c = Control(w);
  Notices().clear();
  SendMessageA(w, OPM_QUIBENABLEFEATURE, 1, 0);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_navEnabled, 1);
  for (int id = 102; id <= 111; ++id) EXPECT_NE(GetDlgItem(w, id), nullptr) << id;
  EXPECT_EQ(c->m_scrollKind, 1);
  EXPECT_EQ(c->m_segmentMode, 1);
  EXPECT_TRUE(Told(31));
  const int count = c->m_pOverlay->slots[0].workFile->msInfo.segmentCount;
  ASSERT_EQ(count, 3);
  EXPECT_EQ(c->m_navSegCount, 3);
  // The first segment holds scans and the plot's data.
  EXPECT_EQ(c->m_navSegCurrent, 1);
  EXPECT_NEAR(c->m_ownFullStart, Segment(c, 0).startTime + 1e-6, 1e-9);

  struct State {
    const char* mode;
    const char* first;
    const char* last;
    const char* index;
    bool back, forward;
  };
  auto expect = [&](const State& s) {
    EXPECT_EQ(Text(w, OPLOT_ID_NAV_MODE), s.mode);
    EXPECT_EQ(Text(w, OPLOT_ID_NAV_FIRST), s.first);
    EXPECT_EQ(Text(w, OPLOT_ID_NAV_LAST), s.last);
    EXPECT_EQ(Text(w, OPLOT_ID_NAV_INDEX), s.index);
    EXPECT_EQ(Enabled(w, OPLOT_ID_NAV_FIRST), s.back);
    EXPECT_EQ(Enabled(w, OPLOT_ID_NAV_PREVIOUS), s.back);
    EXPECT_EQ(Enabled(w, OPLOT_ID_NAV_NEXT), s.forward);
    EXPECT_EQ(Enabled(w, OPLOT_ID_NAV_LAST), s.forward);
  };
  expect({"Segment", "1", "3", "1", false, true});
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_SEGMENTS), "S");
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_FILES), "f");

  Press(w, OPLOT_ID_NAV_NEXT);
  EXPECT_EQ(c->m_navSegCurrent, 2);
  expect({"Segment", "1", "3", "2", true, true});
  EXPECT_NEAR(c->m_ownFullEnd, Segment(c, 1).endTime - 1e-6, 1e-9);
  Press(w, OPLOT_ID_NAV_LAST);
  expect({"Segment", "1", "3", "3", true, false});

  // Typed indexes: out of range beeps and changes nothing.
  // A number past 32 bits must not wrap round into range.
  for (const char* bad : {"0", "4", "x", "4294967297", "4294967299", "-4294967295", "99999999999999999999"}) {
    win::script::ResetLogs();
    Type(w, bad);
    EXPECT_EQ(win::script::BeepLog().size(), 1u) << bad;
    EXPECT_EQ(c->m_navSegCurrent, 3) << bad;
  }
  Type(w, "2");
  EXPECT_EQ(c->m_navSegCurrent, 2);
  EXPECT_EQ(GetFocus(), GetDlgItem(w, OPLOT_ID_NAV_SEGMENT_MODE));

  // Off and on again for the same plot and file: back to segment 2.
  Notices().clear();
  SetBox(w, false);
  EXPECT_EQ(c->m_segmentMode, 0);
  EXPECT_EQ(c->m_navSegCurrent, 1);
  EXPECT_EQ(c->m_ownFullRange, 0);
  EXPECT_TRUE(Told(41));
  EXPECT_TRUE(Told(32));
  SetBox(w, true);
  EXPECT_EQ(c->m_navSegCurrent, 2);

  // A spectrum taken in segment 3 of this plot chooses segment 3.
  SetBox(w, false);
  c->m_lastSptTime = (Segment(c, 2).startTime + Segment(c, 2).endTime) / 2;
  c->m_lastSptPlot = 0;
  c->m_lastSptSerial = c->m_pOverlay->slots[0].workFile->serialNumber;
  SetBox(w, true);
  EXPECT_EQ(c->m_navSegCurrent, 3);

  // The active plot in slot 1: forcing a segment with data acts on it.
  c->m_activePlot = 1;
  SendMessageA(w, OPM_FORCESEGMENTWITHDATA, 0, 0);
  EXPECT_EQ(c->m_navSegCurrent, 1);
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_INDEX), "1");
  DestroyWindow(w);
}

TEST_F(NavigatorTest, FilesAndDescriptorsAreSteppedByTheProgram) {
  HWND w = Show();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_QUIBENABLEFEATURE, 0, 1);
  EXPECT_EQ(c->m_scrollKind, 0);
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_MODE), "OFF");
  EXPECT_FALSE(Enabled(w, OPLOT_ID_NAV_INDEX));
  EXPECT_FALSE(Enabled(w, OPLOT_ID_NAV_FILES));
  int16_t files[5] = {1, 12, 4, 1, 12};
  SendMessageA(w, OPM_QUIBENABLEFILESSCROLL, 1, reinterpret_cast<LPARAM>(files));
  EXPECT_TRUE(Enabled(w, OPLOT_ID_NAV_FILES));
  EXPECT_EQ(SendMessageA(w, OPM_QUIBGETNEWFILESINDEX, 0, 0), -1);
  Notices().clear();
  Press(w, OPLOT_ID_NAV_FILES);
  EXPECT_EQ(c->m_scrollKind, 2);
  EXPECT_TRUE(Told(26));
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_MODE), "File");
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_FILES), "F");
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_LAST), "12");
  EXPECT_EQ(Text(w, OPLOT_ID_NAV_INDEX), "4");

  // Previous only tells the program; the index waits for its answer.
  Notices().clear();
  Press(w, OPLOT_ID_NAV_PREVIOUS);
  EXPECT_TRUE(Told(17));
  EXPECT_FALSE(Told(15));
  EXPECT_EQ(c->m_filesCurrent, 4);
  EXPECT_EQ(SendMessageA(w, OPM_QUIBGETNEWFILESINDEX, 0, 0), -1);
  // First sets the index and tells 15; it is fetched once.
  Press(w, OPLOT_ID_NAV_FIRST);
  EXPECT_TRUE(Told(15));
  EXPECT_EQ(SendMessageA(w, OPM_QUIBGETNEWFILESINDEX, 0, 0), 1);
  EXPECT_EQ(SendMessageA(w, OPM_QUIBGETNEWFILESINDEX, 0, 0), -1);
  Type(w, "9");
  EXPECT_EQ(SendMessageA(w, OPM_QUIBGETNEWFILESINDEX, 0, 0), 9);

  // Descriptors are not enabled: their selector steps nothing.
  Press(w, OPLOT_ID_NAV_PDS);
  EXPECT_EQ(c->m_scrollKind, 0);
  int16_t pds[5] = {1, 3, 2, 1, 3};
  SendMessageA(w, OPM_QUIBENABLEPDSSCROLL, 1, reinterpret_cast<LPARAM>(pds));
  Notices().clear();
  Press(w, OPLOT_ID_NAV_PDS);
  EXPECT_EQ(c->m_scrollKind, 3);
  EXPECT_TRUE(Told(27));
  Press(w, OPLOT_ID_NAV_NEXT);
  EXPECT_TRUE(Told(20));
  // A maximised plot stops file stepping; cancelling brings it back.
  Press(w, OPLOT_ID_NAV_FILES);
  EXPECT_EQ(c->m_scrollKind, 2);
  c->MaximizePlot(0);
  EXPECT_EQ(c->m_scrollKind, 0);
  c->CancelMaximizePlot();
  EXPECT_EQ(c->m_scrollKind, 2);
  // Disabling clears the values.
  SendMessageA(w, OPM_QUIBENABLEFILESSCROLL, 0, 0);
  EXPECT_EQ(c->m_filesMax, 0);
  EXPECT_EQ(SendMessageA(w, OPM_QUIBGETNEWFILESINDEX, 0, 0), -1);
  DestroyWindow(w);
}

// The program's toolbar hooks tell it their new states.
TEST_F(NavigatorTest, ProgramTogglesNotifyTheirStates) {
  HWND w = Show();
  CCtlOPlot* c = Control(w);
  struct Case {
    UINT command;
    int first, second;
  } cases[] = {{OPLOT_CMD_TREE, 21, 22}, {OPLOT_CMD_QUAL_PLOTS, 36, 37}, {OPLOT_CMD_TIC_PLOT, 38, 39}};
  for (const Case& k : cases) {
    Notices().clear();
    SendMessageA(w, WM_COMMAND, k.command, 0);
    win::script::PumpUntilIdle();
    SendMessageA(w, WM_COMMAND, k.command, 0);
    win::script::PumpUntilIdle();
    ASSERT_EQ(Notices().size(), 2u) << k.command;
    EXPECT_EQ(Notices()[0].code, k.first);
    EXPECT_EQ(Notices()[1].code, k.second);
  }
  SendMessageA(w, OPM_SETQUIB5PRESSTREE, 1, 0);
  EXPECT_EQ(c->m_treePressed, 1);
  STRUCT_OPLOT_HIGHLIGHT h{0, 5.0, 100.0};
  SendMessageA(w, OPM_SETHIGHLIGHTRANGE, 1, reinterpret_cast<LPARAM>(&h));
  EXPECT_EQ(c->m_highlightOn, 1);
  SendMessageA(w, OPM_SETHIGHLIGHTRANGE, 1, 0);
  EXPECT_EQ(c->m_highlightOn, 0);
  DestroyWindow(w);
}

}  // namespace
