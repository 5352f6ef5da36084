// Labels on the spectra of the spectrum control and its bevelled outline.
#include <string>

#include "dialogs/edit_label_dialog.h"
#include "plotengine/label_manager.h"
#include "plotengine/plot_labels.h"
#include "spectrumctl/tests/spt_control_fixture.h"

namespace {

void AnswerLabelDialog(const std::string& text, bool ok) {
  win::script::OnNextDialog([text, ok](HWND d) {
    win::script::SetField(d, EDIT_LABEL_TEXT_ID, text);
    win::script::PressButton(d, ok ? IDOK : IDCANCEL);
  });
}

std::string LabelText(CLabelInfo* l) {
  return l && l->m_text && l->m_text->text ? std::string(l->m_text->text, l->m_text->length) : "";
}

CLabelInfo* OnlyLabel(CCtlSpt* c) {
  for (short i = 0; i < c->m_pLabels->Capacity(); ++i)
    if (CLabelInfo* l = c->m_pLabels->Label(i)) return l;
  return nullptr;
}

TEST_F(SptControlTest, ANewLabelNeedsAShownSpectrumAndOpensForEditing) {
  HWND w = MakeControl();
  CCtlSpt* c = Control(w);
  SendMessageA(w, SPTM_NEWUSERLABEL, 0, 0);
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0);
  sptfix::Spt a = Messy(90);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  AnswerLabelDialog("Tropylium", true);
  SendMessageA(w, SPTM_NEWUSERLABEL, 0, 0);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  CLabelInfo* l = OnlyLabel(c);
  EXPECT_EQ(LabelText(l), "Tropylium");
  EXPECT_EQ(l->m_plot, 0);
  EXPECT_EQ(l->m_areaGroup, 100);
  // Cancelling the first edit of a new label removes it, and not the label
  // already standing at the same default place.
  AnswerLabelDialog("gone", false);
  SendMessageA(w, SPTM_NEWUSERLABEL, 0, 0);
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 1);
  EXPECT_EQ(LabelText(OnlyLabel(c)), "Tropylium");
  // Deleting the labels of every pane empties the manager.
  SendMessageA(w, WM_COMMAND, 8206, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0);
}

TEST_F(SptControlTest, ARightClickLabelStandsAtTheClickedMassAndIntensity) {
  HWND w = MakeControl();
  ShowDifferences(w, 1);  // A and B share a pane
  sptfix::Spt a = Messy(91), b = Messy(92);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_overlaid, 1);
  const int x = c->m_plotLeft + 4 + c->m_vertScaleWidth + c->m_drawnPlotWidth / 3;
  const int y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  // Cancelled: nothing stays.
  AnswerLabelDialog("no", false);
  win::script::ChooseNextMenuItem(8197);
  win::script::Click(w, x, y, win::script::Button::Right);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pLabels->GetLabelCount(), 0);
  // A label for B in the shared pane stands at B's intensity there.
  AnswerLabelDialog("B here", true);
  win::script::ChooseNextMenuItem(8198);
  win::script::Click(w, x, y, win::script::Button::Right);
  win::script::PumpUntilIdle();
  ASSERT_EQ(c->m_pLabels->GetLabelCount(), 1);
  CLabelInfo* l = OnlyLabel(c);
  EXPECT_EQ(LabelText(l), "B here");
  EXPECT_EQ(l->m_plot, 1);
  EXPECT_DOUBLE_EQ(l->m_labelX, c->m_rightClickMass);
  EXPECT_DOUBLE_EQ(l->m_labelY, c->m_rightClickIntensity[1]);
  EXPECT_NEAR(l->m_labelY, (c->m_vertMin[1] + c->m_vertMax[1]) / 2, (c->m_vertMax[1] - c->m_vertMin[1]) / 20);
  // It is drawn: the paint goes through the label manager without trouble.
  Repaint(w);
  EXPECT_EQ(c->m_scalesValid, 1);
  // A right click on the label offers its own menu; deleting it there.
  EXPECT_TRUE(c->m_pLabels->AreaTable()->areaCount > 0);
}

TEST_F(SptControlTest, RelativeLabelsKeepTheirShareOfThePane) {
  HWND w = MakeControl();
  STRUCT_CCSPT_LOCAL_PREFS p{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
  p.prefs.label.positionMode = 2;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  sptfix::Spt a = Messy(93);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  const int x = c->m_plotLeft + 4 + c->m_vertScaleWidth + c->m_drawnPlotWidth / 4;
  const int y = c->m_plotTop + 4 + c->m_paneHeight[0] / 4;
  AnswerLabelDialog("quarter", true);
  win::script::ChooseNextMenuItem(8197);
  win::script::Click(w, x, y, win::script::Button::Right);
  win::script::PumpUntilIdle();
  CLabelInfo* l = OnlyLabel(c);
  ASSERT_NE(l, nullptr);
  EXPECT_NEAR(l->m_labelX, 0.25, 0.01);
  EXPECT_NEAR(l->m_labelY, 0.25, 0.02);
}

TEST_F(SptControlTest, TheOutlineIsBevelledInItsFourColours) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(94);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  const int l = c->m_plotLeft, t = c->m_plotTop, r = l + c->m_plotWidth, b = t + c->m_plotHeight;
  struct Case {
    int x, y;
    COLORREF colour;
  };
  const Case cases[] = {
      {l, t + 100, 0x404040},     {l + 1, t, 0x404040},          {l + 2, t + 100, 0x808080},
      {l + 100, t + 2, 0x808080}, {r - 1, t + 100, 0xC0C0C0},    {l + 100, b - 1, 0xC0C0C0},
      {r - 3, t + 100, 0xFFFFFF}, {l + 100, b - 3, 0xFFFFFF},    {r - 1, t, 0xC0C0C0},
  };
  for (const Case& k : cases)
    EXPECT_EQ(win::script::WindowPixel(w, k.x, k.y), k.colour) << k.x - l << "," << k.y - t;
}

}  // namespace
