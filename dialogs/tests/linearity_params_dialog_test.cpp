// The linearity parameters dialog as a user fills it: what it starts from,
// taking over the proposed ions, the checks on OK, and Cancel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "common/plot_descriptors.h"
#include "dialogs/linearity_params_dialog.h"
#include "win/win_script.h"

namespace {

using LinearityDialogTest = KeltRootTest;

STRUCT_MASS_LIST Ion(double mass) {
  STRUCT_MASS_LIST l{};
  l.kind = MASS_LIST_RANGES;
  l.count = 1;
  l.ranges[0].low = l.ranges[0].high = mass;
  l.window = 0.5;
  return l;
}

TEST_F(LinearityDialogTest, ShowsTheValuesAndTakesOverTheProposedIons) {
  const STRUCT_MASS_LIST v = Ion(91), h = Ion(105);
  CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 0, 0.5, 1.5, 1, 121.9634, 135.0412, 0.5);
  std::vector<std::string> shown;
  bool baseline = false, targets = true;
  win::script::OnNextDialog([&](HWND d) {
    for (int id : {LIN_VERTICAL_IONS_ID, LIN_HORIZONTAL_IONS_ID, LIN_PROPOSED_TEXT_ID, LIN_RATIO1_ID, LIN_RATIO2_ID})
      shown.push_back(win::script::GetField(d, id));
    baseline = win::script::IsChecked(d, LIN_BASELINE_ID);
    targets = win::script::IsChecked(d, LIN_TARGETS_ID);
    win::script::PressButton(d, LIN_USE_PROPOSED_ID);
    shown.push_back(win::script::GetField(d, LIN_VERTICAL_IONS_ID));
    shown.push_back(win::script::GetField(d, LIN_HORIZONTAL_IONS_ID));
    win::script::SetCheck(d, LIN_BASELINE_ID, false);
    win::script::SetCheck(d, LIN_TARGETS_ID, true);
    win::script::SetField(d, LIN_RATIO2_ID, " 2.25 ");
    win::script::PressButton(d, IDOK);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"91.0", "105.0", "Most intense ions at the apex:  122.0 and 135.0", "0.5",
                                             "1.5", "122.0", "135.0"}));
  EXPECT_TRUE(baseline);
  EXPECT_FALSE(targets);
  EXPECT_EQ(dlg.m_VerticalIons.kind, MASS_LIST_RANGES);
  EXPECT_EQ(dlg.m_VerticalIons.count, 1);
  // Shown to one decimal, the proposals keep their full masses.
  EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.ranges[0].low, 121.9634);
  EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.ranges[0].high, 121.9634);
  EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.window, 0.5);
  EXPECT_DOUBLE_EQ(dlg.m_HorizontalIons.ranges[0].high, 135.0412);
  EXPECT_EQ(dlg.m_bBaselineCorrection, 0);
  EXPECT_EQ(dlg.m_bTargetRatios, 1);
  EXPECT_DOUBLE_EQ(dlg.m_TargetRatio1, 0.5);
  EXPECT_DOUBLE_EQ(dlg.m_TargetRatio2, 2.25);
}

// Without an apex spectrum the proposals cannot be taken over.
TEST_F(LinearityDialogTest, NothingFoundLeavesTheIonsAlone) {
  const STRUCT_MASS_LIST v = Ion(122), h = Ion(124);
  CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 1, 0.5, 1.5, 0, 122, 124, 0.5);
  std::string text;
  win::script::OnNextDialog([&](HWND d) {
    text = win::script::GetField(d, LIN_PROPOSED_TEXT_ID);
    win::script::SetField(d, LIN_VERTICAL_IONS_ID, "57+71");
    SendMessageA(d, WM_COMMAND, LIN_USE_PROPOSED_ID, 0);
    win::script::PressButton(d, IDOK);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(text, "No apex spectrum in the time range.");
  EXPECT_EQ(dlg.m_VerticalIons.count, 2);
  EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.ranges[1].low, 71.0);
}

TEST_F(LinearityDialogTest, BadFieldsAreNamedAndCancelKeepsTheValues) {
  struct Case {
    int id;
    const char* text;
    const char* why;
  } cases[] = {
      {LIN_VERTICAL_IONS_ID, "", "The vertical ions are not a mass list."},
      {LIN_HORIZONTAL_IONS_ID, "12x", "The horizontal ions are not a mass list."},
      {LIN_RATIO1_ID, "0", "Target ratio 1 must be a number above 0."},
      {LIN_RATIO1_ID, "nan", "Target ratio 1 must be a number above 0."},
      {LIN_RATIO2_ID, "-1.5", "Target ratio 2 must be a number above 0."},
      {LIN_RATIO2_ID, "1e999", "Target ratio 2 must be a number above 0."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    win::script::ResetLogs();
    const STRUCT_MASS_LIST v = Ion(91), h = Ion(105);
    CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 1, 0.5, 1.5, 0, 122, 124, 0.5);
    bool stayed = false;
    win::script::OnNextDialog([&](HWND d) {
      win::script::SetField(d, k.id, k.text);
      win::script::SetCheck(d, LIN_BASELINE_ID, false);
      win::script::PressButton(d, IDOK);
      stayed = IsWindow(d) != 0;
      if (stayed) win::script::PressButton(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(stayed);
    ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
    EXPECT_EQ(win::script::MessageBoxLog()[0].text, k.why);
    EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.ranges[0].low, 91.0);
    EXPECT_EQ(dlg.m_bBaselineCorrection, 1);
    EXPECT_DOUBLE_EQ(dlg.m_TargetRatio2, 1.5);
  }
}

}  // namespace

namespace {

// The scan-functions window of the plot descriptors is made from a template
// of the same library; shown first, it must not take the linearity dialog's
// place (the two once shared a template number).
TEST_F(LinearityDialogTest, KeepsItsOwnTemplateAfterTheScanFunctionsWindow) {
  PD_Dlg_ScanFunctions(nullptr, "");  // without a descriptor it ends at once, its template made
  const STRUCT_MASS_LIST v = Ion(91), h = Ion(105);
  CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 0, 0.5, 1.5, 0, 0, 0, 0.5);
  std::string caption, vertical;
  win::script::OnNextDialog([&](HWND d) {
    char text[100] = {};
    GetWindowTextA(d, text, sizeof text);
    caption = text;
    vertical = win::script::GetField(d, LIN_VERTICAL_IONS_ID);
    win::script::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(caption, "Linearity Report Parameters");
  EXPECT_EQ(vertical, "91.0");
}

}  // namespace
