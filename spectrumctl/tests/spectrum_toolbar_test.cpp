// The spectrum control's toolbar frame: its buttons, the states that follow
// the spectra shown and the tooltips that name the control's modes.
#include <string>

#include "overlayctl/wrapping_toolbar.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "win/win_commctrl.h"

namespace {

class SpectrumToolbarTest : public SptControlTest {
 protected:
  static CWrapSptToolBar* Frame(CCtlSpt* c) { return c->m_pToolBar; }
  static HWND Bar(CCtlSpt* c) { return Frame(c) && Frame(c)->ToolBar() ? Frame(c)->ToolBar()->m_hWnd : nullptr; }
  static std::string Tip(CCtlSpt* c, int id) {
    char text[128] = {};
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = Bar(c);
    ti.uId = static_cast<UINT_PTR>(id);
    ti.lpszText = text;
    SendMessageA(Frame(c)->ToolTip()->m_hWnd, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
  }
};

TEST_F(SpectrumToolbarTest, ButtonsFollowTheSpectraAndTipsNameTheModes) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  ASSERT_NE(Bar(c), nullptr);
  HWND bar = Bar(c);
  EXPECT_EQ(GetDlgCtrlID(bar), WTB_SPECTRUM_BAR_ID);
  EXPECT_EQ(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0), kelt::toolbar::SpectrumLayout(c->m_windowMode).count);
  auto enabled = [&](int id) { return SendMessageA(bar, TB_ISBUTTONENABLED, id, 0) != 0; };
  c->UpdateToolBar();
  EXPECT_FALSE(enabled(8002));  // no spectra yet

  sptfix::Spt a = Messy(3), b = Messy(4);
  SendPair(w, a.get(), b.get(), 1, 0);
  win::script::PumpUntilIdle();
  c->UpdateToolBar();
  EXPECT_TRUE(enabled(8002));
  EXPECT_TRUE(enabled(8032));  // spectrum A is hidden
  EXPECT_EQ(SendMessageA(bar, TB_ISBUTTONCHECKED, 8030, 0) != 0, c->m_backgroundCorrection != 0);

  EXPECT_EQ(Tip(c, 8016).rfind("Set Mass Range - ", 0), 0u);
  SendMessageA(w, WM_COMMAND, SPT_CMD_HORZ_FIXED, 0);
  SendMessageA(w, WM_COMMAND, SPT_CMD_VERT_FIXED, 0);
  c->UpdateToolBar();
  EXPECT_EQ(Tip(c, 8016), "Set Mass Range - Fixed");
  EXPECT_EQ(Tip(c, 8020), "Set Vertical Scale - Fixed");
  EXPECT_EQ(Tip(c, 8029), "Set Spectrum Display - Graphic");
  DestroyWindow(w);
}

}  // namespace
