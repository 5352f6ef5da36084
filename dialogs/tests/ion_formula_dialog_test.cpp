// The ion-formula dialog driven as a user would: typed formulas with
// mistakes, the status line, OK only for usable formulas, the format help.
#include <gtest/gtest.h>

#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/ion_formula_dialog.h"
#include "win/win_script.h"

namespace {

class IonFormulaDialogTest : public KeltRootTest {
 protected:
  void TearDown() override {
    win::script::ResetLogs();
    KeltRootTest::TearDown();
  }
};

TEST_F(IonFormulaDialogTest, StatusLineSaysWhyAndOkFollowsIt) {
  STRUCT_MASS_LIST list{};
  list.kind = MASS_LIST_RANGES;
  list.count = 1;
  list.ranges[0].low = list.ranges[0].high = 91;
  list.window = 0;  // not positive: comes back as 0.5
  struct Case {
    const char* typed;
    const char* status;
    bool ok;
  } cases[] = {{"40:60+9l", "STATUS:  Invalid Character(s)", false},
               {"", "STATUS:  No Characters", false},
               {"5", "STATUS:  Invalid Ion(s)", false},
               {"40:60+2500", "STATUS:  Invalid Ion(s)", false},
               {"40:60", "STATUS:  Valid Ion Formula", true},
               {"40:60+91", "STATUS:  Valid Ion Formula", true}};
  std::string failures, first, range;
  win::script::OnNextDialog([&](HWND d) {
    first = win::script::GetField(d, IDC_ION_FORMULA);
    range = win::script::GetField(d, IDC_ION_RANGE_LINE);
    for (const Case& c : cases) {
      win::script::SetField(d, IDC_ION_FORMULA, c.typed);
      const std::string status = win::script::GetField(d, IDC_ION_STATUS);
      const bool ok = IsWindowEnabled(GetDlgItem(d, IDOK));
      if (status != c.status || ok != c.ok) failures += std::string(c.typed) + " -> " + status + ";";
    }
    win::script::PressButton(d, IDOK);
  });
  ASSERT_EQ(Dlg_EditIonFormula(&list, 1, 10.0, 2000.0), 1);
  EXPECT_EQ(failures, "");
  EXPECT_EQ(first, "91.0");
  EXPECT_EQ(range, "The valid ion range is from 10.0 to 2000.0.");
  ASSERT_EQ(list.count, 2);
  const double low0 = list.ranges[0].low, high0 = list.ranges[0].high, low1 = list.ranges[1].low;
  const double window = list.window;  // the record is packed
  EXPECT_EQ(low0, 40);
  EXPECT_EQ(high0, 60);
  EXPECT_EQ(low1, 91);
  EXPECT_EQ(window, 0.5);
}

TEST_F(IonFormulaDialogTest, CancelKeepsTheListAndTheFormatHelpIsRemembered) {
  STRUCT_MASS_LIST list{};
  list.kind = MASS_LIST_RANGES;
  list.count = 1;
  list.ranges[0].low = list.ranges[0].high = 128;
  list.window = 0.7;
  int shortHeight = 0, fullHeight = 0;
  win::script::OnNextDialog([&](HWND d) {
    RECT r{};
    GetWindowRect(d, &r);
    shortHeight = r.bottom - r.top;
    win::script::SetCheck(d, IDC_ION_SHOW_FORMAT, true);
    GetWindowRect(d, &r);
    fullHeight = r.bottom - r.top;
    win::script::SetField(d, IDC_ION_FORMULA, "300");
    win::script::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Dlg_EditIonFormula(&list, 0, 10.0, 2000.0), 0);
  const double kept = list.ranges[0].low;
  EXPECT_EQ(kept, 128);
  EXPECT_LT(shortHeight, fullHeight);
  EXPECT_EQ(kelt::dlg::ReadShowFormat(), 1);
  // The next dialog opens at full height with the help and its examples.
  bool checked = false;
  std::string example;
  win::script::OnNextDialog([&](HWND d) {
    checked = win::script::IsChecked(d, IDC_ION_SHOW_FORMAT);
    example = win::script::GetField(d, IDC_ION_EXAMPLE_FIRST + 12);
    win::script::PressButton(d, IDCANCEL);
  });
  Dlg_EditIonFormula(&list, 2, 10.0, 2000.0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(example, "(Plot ions 60.00 through 450.00 except ion 128.00.)");
}

}  // namespace
