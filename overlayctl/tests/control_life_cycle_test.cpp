// The control's window class, object, children, keys and destruction.
#include "fandor/target_list_results.h"
#include "overlayctl/tests/control_fixture.h"
#include "plotengine/result_annotations.h"
#include "specialctl/gain_slider.h"

namespace {

using LifeCycleTest = OPlotTest;

TEST_F(LifeCycleTest, HostCreatesTheControlByClassNameWithItsChildren) {
  HWND w = MakeControl(7, 600, 400, "some text");
  ASSERT_NE(w, nullptr);
  CCtlOPlot* c = Control(w);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->m_hWnd, w);
  EXPECT_EQ(CWnd::FromHandlePermanent(w), c);
  EXPECT_TRUE(c->IsKindOf(RUNTIME_CLASS(CCtlOPlot)));
  EXPECT_STREQ(c->GetRuntimeClass()->m_lpszClassName, "CCtlOPlot");
  // WM_NCCREATE is not passed on: the window keeps no text.
  EXPECT_EQ(GetWindowTextLengthA(w), 0);
  EXPECT_EQ(c->m_id, 7);
  EXPECT_EQ(c->m_activePlot, -1);
  EXPECT_EQ(c->m_thickPenWidth, 2);
  EXPECT_EQ(c->m_thickPenValue, 60);
  EXPECT_EQ(c->m_outline[0], 0x404040u);
  EXPECT_EQ(c->m_outline[3], 0xFFFFFFu);
  EXPECT_DOUBLE_EQ(c->m_LinTargetRatio2, 1.5);
  EXPECT_EQ(c->m_sliderWidth, 2 * GetSystemMetrics(SM_CXHTHUMB));

  struct Child {
    int id;
    const char* cls;
    bool visible;
  } children[] = {{22, "ScrollBar", true}, {20, "Button", true}, {21, "Button", true},
                  {112, "Static", true},   {90, "ListBox", false}, {70, "FrameworkWnd", true}};
  for (const Child& ch : children) {
    HWND h = GetDlgItem(w, ch.id);
    ASSERT_NE(h, nullptr) << ch.id;
    EXPECT_EQ(win::script::ClassName(h), ch.cls) << ch.id;
    EXPECT_EQ(IsWindowVisible(h) != FALSE, ch.visible) << ch.id;
  }
  EXPECT_EQ(GetWindowLongA(GetDlgItem(w, 20), GWL_STYLE) & 0x4600000B, 0x4600000B);
  int lo = -1, hi = -1;
  GetScrollRange(GetDlgItem(w, 22), SB_CTL, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 10000);
  for (int i = 0; i < 20; ++i) {
    HWND s = GetDlgItem(w, 40 + i);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(c->m_pSliders[i]->m_hWnd, s);
  }
  EXPECT_EQ(SendMessageA(w, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
  DestroyWindow(w);
}

TEST_F(LifeCycleTest, DestroyingDetachesRemovesThePropertyAndKeepsTheHostOverlay) {
  HWND w = MakeControl();
  SVW_OVERLAY* o = MakeOverlay(2);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(o), reinterpret_cast<uint8_t*>(o) + sizeof *o);
  DestroyWindow(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(CWnd::FromHandlePermanent(w), nullptr);
  std::vector<uint8_t> after(reinterpret_cast<uint8_t*>(o), reinterpret_cast<uint8_t*>(o) + sizeof *o);
  EXPECT_EQ(before, after);
  EXPECT_FALSE(o->slots[0].workFile == nullptr);
}

TEST_F(LifeCycleTest, ArrowAndPageKeysPostTheActiveSpectrumStepsAndAreNotSwallowed) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  struct Case {
    int vk;
    int command;
  } cases[] = {{VK_NEXT, 2739}, {VK_RIGHT, 2739}, {VK_UP, 2739},
               {VK_PRIOR, 2740}, {VK_LEFT, 2740}, {VK_DOWN, 2740}};
  for (const Case& k : cases) {
    MSG m{w, WM_KEYDOWN, static_cast<WPARAM>(k.vk), 0, 0, {}};
    EXPECT_FALSE(c->PreTranslateMessage(&m));
    MSG posted{};
    ASSERT_TRUE(PeekMessageA(&posted, w, WM_COMMAND, WM_COMMAND, PM_REMOVE)) << k.vk;
    EXPECT_EQ(LOWORD(posted.wParam), k.command);
    EXPECT_EQ(reinterpret_cast<HWND>(posted.lParam), w);
  }
  MSG other{w, WM_KEYDOWN, 'A', 0, 0, {}};
  c->PreTranslateMessage(&other);
  MSG none{};
  EXPECT_FALSE(PeekMessageA(&none, w, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  DestroyWindow(w);
}

}  // namespace

#include "overlayctl/segment_info_window.h"

namespace {

// The segment bar is a window of its own class; only its hover popup needs
// "KELT_SegInfo", so the control and its bar are made without it.
TEST_F(LifeCycleTest, TheSegmentBarDoesNotNeedThePopupClass) {
  ASSERT_TRUE(UnregisterSegInfoWnd());
  HWND w = MakeControl();
  ASSERT_NE(w, nullptr);
  EXPECT_NE(GetDlgItem(w, 70), nullptr);
  EXPECT_NE(dynamic_cast<CCtlSegInfo*>(Control(w)->m_pSegments), nullptr);
  DestroyWindow(w);
  EXPECT_NE(RegisterSegInfoWnd(), 0);
  HWND again = MakeControl();
  EXPECT_NE(again, nullptr);
  DestroyWindow(again);
}

TEST_F(LifeCycleTest, RegisteredMessagesLeaveAnnotationsAloneWhileResultsAreOff) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(2);
  o->slots[0].workFile->directHeader = 1;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->m_prefs.resultAnnotations.show = 0;
  void* kept = AllocBlock(sizeof(STRUCT_ANNOTATIONS));
  c->m_amdisAnnotations[0] = kept;
  SendMessageA(w, RegisterWindowMessageA("NotifyWhenChangedMsg"), 0, reinterpret_cast<LPARAM>("C:\\Data\\synthetic.kms"));
  EXPECT_EQ(c->m_amdisAnnotations[0], kept);
  SendMessageA(w, RegisterWindowMessageA("NotifyWhenChangedMsg"), 0, 0);  // no path
  EXPECT_EQ(c->m_amdisAnnotations[0], kept);
  EXPECT_EQ(SendMessageA(w, RegisterWindowMessageA("WS_LOGINCHANGE"), 0, 0), 0);
  DestroyWindow(w);
}

TEST_F(LifeCycleTest, TargetListResultsAreReleasedOnNoDataAndWhenTheControlGoes) {
  // Each list holds its entries in a block of its own: a plain free would
  // leave them, which the leak check at exit reports.
  auto [w, c, o] = ShowPlots(2, nullptr, false);
  for (WPARAM slot : {WPARAM{0}, WPARAM{1}})
    SendMessageA(w, OPM_SETTCHRORESULTS, slot, reinterpret_cast<LPARAM>(NewTargetListResults(4)));
  // Replacing a slot's results releases the earlier ones.
  SendMessageA(w, OPM_SETTCHRORESULTS, 1, reinterpret_cast<LPARAM>(NewTargetListResults(2)));
  SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
  for (void* r : c->m_tchroResults) EXPECT_EQ(r, nullptr);

  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  SendMessageA(w, OPM_SETTCHRORESULTS, 1, reinterpret_cast<LPARAM>(NewTargetListResults(3)));
  ASSERT_NE(c->m_tchroResults[1], nullptr);
  DestroyWindow(w);  // released with the control
}

// Derived controls override by position in the virtual table, so the own
// operations must follow one another in their fixed order. Under the
// Itanium C++ ABI a pointer to a virtual member holds 1 + its table offset.
template <class F>
std::ptrdiff_t VirtualSlot(F f) {
  static_assert(sizeof f == 2 * sizeof(void*));
  std::ptrdiff_t raw = 0;
  std::memcpy(&raw, &f, sizeof raw);
  EXPECT_EQ(raw % static_cast<std::ptrdiff_t>(sizeof(void*)), 1) << "not a virtual operation";
  return (raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(OverlayControlClass, TheOwnVirtualOperationsFollowInTheirFixedOrder) {
  using C = CCtlOPlot;
  const std::vector<std::ptrdiff_t> slots = {
      VirtualSlot(&C::SizeControls), VirtualSlot(&C::SaveCurrent), VirtualSlot(&C::StartPaintOP),
      VirtualSlot(&C::EndPaintOP), VirtualSlot(&C::DrawPlot), VirtualSlot(&C::DrawTextA),
      VirtualSlot(&C::DrawMarkers), VirtualSlot(&C::DrawLabels), VirtualSlot(&C::InitLabelAreas),
      VirtualSlot(&C::DrawMovingPlotLine), VirtualSlot(&C::CancelMovingPlotLine), VirtualSlot(&C::KeepMovedPlotLine),
      VirtualSlot(&C::DrawOutline), VirtualSlot(&C::DrawTextFlags), VirtualSlot(&C::HandleMouse),
      VirtualSlot(&C::HandleDBLCLK), VirtualSlot(&C::SetVertBars), VirtualSlot(&C::SetHorzBar),
      VirtualSlot(&C::Set95ScaleParams), VirtualSlot(&C::Use95ScaleParams), VirtualSlot(&C::PostNotification),
      VirtualSlot(&C::PrintOpen), VirtualSlot(&C::PrintAdd), VirtualSlot(&C::PrintClose),
      VirtualSlot(&C::KeepPreferences), VirtualSlot(&C::CloseBackgroundCorrectionDialog),
      VirtualSlot(&C::HandleNewPlotType), VirtualSlot(&C::SetToolbarTransientsFromPrefs),
      VirtualSlot(&C::UpdateOverlayPlotType), VirtualSlot(&C::UpdateOverlayTimeRange),
      VirtualSlot(&C::UpdateOverlayPlotData), VirtualSlot(&C::UpdateOverlayDataInfo),
      VirtualSlot(&C::UpdateMinMaxInDataInfo), VirtualSlot(&C::UpdateOverlayDisplay),
      VirtualSlot(&C::TellUserTimeOutOfOrder), VirtualSlot(&C::GetSpectrumFromTime),
      VirtualSlot(&C::GetSpectrumFromZoom), VirtualSlot(&C::GetSignalToNoiseFromZoom),
      VirtualSlot(&C::GetAreaCountFromZoom), VirtualSlot(&C::MakeLinearityReport), VirtualSlot(&C::DeleteOnePlot),
      VirtualSlot(&C::UpdateAfterPreferenceChange), VirtualSlot(&C::IncrementDecrementActiveSpectrum),
      VirtualSlot(&C::HandleTerminatingVersionTempFile), VirtualSlot(&C::ExportReportToQuibell),
      VirtualSlot(&C::CalRMSNoise), VirtualSlot(&C::GetClickDragStatus), VirtualSlot(&C::GetSingleClickStatus),
      VirtualSlot(&C::MaximizePlot), VirtualSlot(&C::RestorePlot), VirtualSlot(&C::CancelMaximizePlot),
      VirtualSlot(&C::CheckBackCorrRights), VirtualSlot(&C::QuickInt_OpenDialog),
      VirtualSlot(&C::QuickInt_CloseDialog), VirtualSlot(&C::GetDataForWholeTimeRange),
      VirtualSlot(&C::SetClickMarker), VirtualSlot(&C::ClearClickMarker), VirtualSlot(&C::DrawClickMarker),
      VirtualSlot(&C::EnableSegmentMode)};
  ASSERT_EQ(slots.size(), 59u);
  for (size_t i = 1; i < slots.size(); ++i) EXPECT_EQ(slots[i], slots[0] + static_cast<std::ptrdiff_t>(i)) << i;
  // They come after every operation of the framework's window class.
  EXPECT_GT(slots[0], VirtualSlot(&CWnd::PostNcDestroy));
  EXPECT_GT(slots[0], VirtualSlot(&CWnd::PreTranslateMessage));
}

}  // namespace
