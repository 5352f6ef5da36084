// The linearity parameters dialog as a user fills it: what it starts from,
// taking over the proposed ions, each field's check as the focus leaves it,
// Enter, and Cancel.
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
    win::script::SetField(d, LIN_RATIO2_ID, " 1.25 ");
    win::script::PressButton(d, IDOK);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"91.0", "105.0", "Most intense ions at the apex:  122.0 and 135.0",
                                             "0.5000", "1.5000", "122.0", "135.0"}));
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
  EXPECT_DOUBLE_EQ(dlg.m_TargetRatio2, 1.25);
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

// Each field as the focus leaves it: the ions must read as a mass list (an
// emptied field keeps its ions), the targets lie within 0 to 2 with the
// nearer bound offered. What the field shows afterwards and what OK takes.
TEST_F(LinearityDialogTest, EachFieldIsCheckedAsTheFocusLeavesIt) {
  struct Case {
    int id;
    const char* text;
    int answer;           // to the bound offered, 0 when none is asked
    const char* message;  // "" when none
    const char* shown;    // the field afterwards
    double vertical, ratio1, ratio2;
    int verticalKind;
  } cases[] = {
      {LIN_RATIO1_ID, "2.5", IDYES, "Vertical Ratio Target must be between 0.0000 and 2.0000.\n\nUse 2.0000?",
       "2.0000", 91, 2.0, 1.5, MASS_LIST_RANGES},
      {LIN_RATIO2_ID, "-0.1", IDNO, "Horizontal Ratio Target must be between 0.0000 and 2.0000.\n\nUse 0.0000?",
       "1.5000", 91, 0.5, 1.5, MASS_LIST_RANGES},
      {LIN_RATIO1_ID, "0", 0, "", "0.0000", 91, 0.0, 1.5, MASS_LIST_RANGES},
      {LIN_RATIO2_ID, "2", 0, "", "2.0000", 91, 0.5, 2.0, MASS_LIST_RANGES},
      {LIN_RATIO1_ID, "nan", 0, "", "0.5000", 91, 0.5, 1.5, MASS_LIST_RANGES},
      {LIN_RATIO2_ID, "1e999", 0, "", "1.5000", 91, 0.5, 1.5, MASS_LIST_RANGES},
      {LIN_VERTICAL_IONS_ID, "", 0, "", "91.0", 91, 0.5, 1.5, MASS_LIST_RANGES},
      {LIN_VERTICAL_IONS_ID, "12x", 0, "The vertical ions are not a mass list.", "91.0", 91, 0.5, 1.5,
       MASS_LIST_RANGES},
      {LIN_VERTICAL_IONS_ID, "57+71", 0, "", "57+71", 57, 0.5, 1.5, MASS_LIST_RANGES},
      {LIN_VERTICAL_IONS_ID, "RIC", 0, "", "RIC", 0, 0.5, 1.5, MASS_LIST_TOTAL_ION},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.text) + " in " + std::to_string(k.id));
    win::script::ResetLogs();
    const STRUCT_MASS_LIST v = Ion(91), h = Ion(105);
    CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 1, 0.5, 1.5, 0, 122, 124, 0.7);
    std::string shown;
    win::script::OnNextDialog([&](HWND d) {
      if (k.answer) win::script::AnswerNextMessageBox(k.answer);
      win::script::SetField(d, k.id, k.text);
      SetFocus(GetDlgItem(d, LIN_BASELINE_ID));
      shown = win::script::GetField(d, k.id);
      win::script::PressButton(d, IDOK);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(shown, k.shown);
    const auto& log = win::script::MessageBoxLog();
    if (k.message[0]) {
      ASSERT_EQ(log.size(), 1u);
      EXPECT_EQ(log[0].text, k.message);
    } else {
      EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ(dlg.m_VerticalIons.kind, k.verticalKind);
    if (k.verticalKind == MASS_LIST_RANGES) {
      EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.ranges[0].low, k.vertical);
      // A typed list takes the dialog's window; the given one keeps its own.
      EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.window, k.vertical == 91 ? 0.5 : 0.7);
    }
    EXPECT_DOUBLE_EQ(dlg.m_HorizontalIons.ranges[0].low, 105.0);
    EXPECT_DOUBLE_EQ(dlg.m_TargetRatio1, k.ratio1);
    EXPECT_DOUBLE_EQ(dlg.m_TargetRatio2, k.ratio2);
  }
}

// Text that is no mass list, typed and then OK pressed at once: the
// refusal keeps the dialog open with the old ions shown; Cancel keeps
// everything as it came.
TEST_F(LinearityDialogTest, ARefusedFieldKeepsTheDialogOpenAndCancelKeepsTheValues) {
  const STRUCT_MASS_LIST v = Ion(91), h = Ion(105);
  CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 1, 0.5, 1.5, 0, 122, 124, 0.5);
  bool stayed = false;
  std::string shown;
  win::script::OnNextDialog([&](HWND d) {
    win::script::SetField(d, LIN_RATIO1_ID, "1.25");
    win::script::SetCheck(d, LIN_BASELINE_ID, false);
    win::script::SetField(d, LIN_HORIZONTAL_IONS_ID, "12x");
    win::script::PressButton(d, IDOK);
    stayed = IsWindow(d) != 0;
    shown = win::script::GetField(d, LIN_HORIZONTAL_IONS_ID);
    if (stayed) win::script::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(shown, "105.0");
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_EQ(win::script::MessageBoxLog()[0].text, "The horizontal ions are not a mass list.");
  EXPECT_DOUBLE_EQ(dlg.m_HorizontalIons.ranges[0].low, 105.0);
  EXPECT_EQ(dlg.m_bBaselineCorrection, 1);
  EXPECT_DOUBLE_EQ(dlg.m_TargetRatio1, 0.5);
}

// Enter steps to the next control and selects a field's text; the target
// fields follow "Show Target Ratios"; the reset button names its ions.
TEST_F(LinearityDialogTest, EnterStepsOnAndTheTargetsFollowTheirSwitch) {
  const STRUCT_MASS_LIST v = Ion(91), h = Ion(105);
  CLinearityParamsDlg dlg(nullptr, &v, &h, 1, 1, 0.5, 1.5, 1, 121.9634, 135.0412, 0.5);
  bool open = false, onHorizontal = false, selected = false, off1 = true, off2 = true, on = false;
  std::string reset;
  win::script::OnNextDialog([&](HWND d) {
    reset = win::script::Text(GetDlgItem(d, LIN_USE_PROPOSED_ID));
    win::script::SetField(d, LIN_VERTICAL_IONS_ID, "93");
    win::script::PressKey(VK_RETURN);
    open = IsWindow(d) != 0;
    const HWND horizontal = GetDlgItem(d, LIN_HORIZONTAL_IONS_ID);
    onHorizontal = GetFocus() == horizontal;
    DWORD from = 1, to = 0;
    SendMessageA(horizontal, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    selected = from == 0 && to == 5;
    win::script::SetCheck(d, LIN_TARGETS_ID, false);
    off1 = IsWindowEnabled(GetDlgItem(d, LIN_RATIO1_ID)) != 0;
    off2 = IsWindowEnabled(GetDlgItem(d, LIN_RATIO2_ID)) != 0;
    win::script::SetCheck(d, LIN_TARGETS_ID, true);
    on = IsWindowEnabled(GetDlgItem(d, LIN_RATIO2_ID)) != 0;
    win::script::PressButton(d, IDOK);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(reset, "Reset to 121.9634 and 135.0412");
  EXPECT_TRUE(open);
  EXPECT_TRUE(onHorizontal);
  EXPECT_TRUE(selected);
  EXPECT_FALSE(off1);
  EXPECT_FALSE(off2);
  EXPECT_TRUE(on);
  EXPECT_DOUBLE_EQ(dlg.m_VerticalIons.ranges[0].low, 93.0);
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
