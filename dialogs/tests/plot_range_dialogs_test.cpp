// The range dialogs as a user fills them: the values they start from, the
// checks on OK, and Cancel.
#include <gtest/gtest.h>

#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/plot_range_dialogs.h"
#include "win/win_script.h"

namespace {

// Each test reads the message boxes of its own dialogs only.
class RangeDialogsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    win::script::ResetLogs();
  }
};

SVW_OVERLAY DualOverlay() {
  SVW_OVERLAY o{};
  o.head.displayMode = OVERLAY_MODE_TWO_SCALES;
  o.tail.viewStart = 2.125;
  o.tail.viewEnd = 14.75;
  o.tail.scales.commonLow = -12.5;
  o.tail.scales.commonHigh = 48210.0;
  o.tail.scales.rightLow = 0.25;
  o.tail.scales.rightHigh = 97.5;
  return o;
}

TEST_F(RangeDialogsTest, TheDualDialogShowsBothScalesAndChecksEachPair) {
  const SVW_OVERLAY o = DualOverlay();
  CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DUAL_DIALOG_ID, &o, 20);
  win::script::ResetLogs();  // boxes of earlier tests are not this dialog's
  std::vector<std::string> shown;
  win::script::OnNextDialog([&](HWND d) {
    for (int id : {RANGE_START_ID, RANGE_END_ID, RANGE_LOW1_ID, RANGE_HIGH1_ID, RANGE_LOW2_ID, RANGE_HIGH2_ID})
      shown.push_back(win::script::GetField(d, id));
    win::script::SetField(d, RANGE_LOW2_ID, "120");  // above the right high value: refused
    win::script::PressButton(d, IDOK);
    win::script::SetField(d, RANGE_LOW2_ID, " 1e1 ");
    win::script::SetField(d, RANGE_HIGH1_ID, "-12.5");  // equal pair: automatic scaling, allowed
    win::script::PressButton(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"2.125", "14.75", "-12.5", "48210", "0.25", "97.5"}));
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The right low value must lie below the right high value.");
  EXPECT_DOUBLE_EQ(dlg.m_low2, 10.0);
  EXPECT_DOUBLE_EQ(dlg.m_high1, -12.5);
  EXPECT_DOUBLE_EQ(dlg.m_start, 2.125);
}

TEST_F(RangeDialogsTest, CancelKeepsTheValuesAndBadNumbersAreNamed) {
  struct Case {
    const char* text;
    bool accepted;
  } cases[] = {{"7.5", true}, {"", false}, {"7.5x", false}, {"nan", false}, {"inf", false}, {"1e999", false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    win::script::ResetLogs();
    CTimeRangeDlg dlg(nullptr);
    dlg.m_start = 1;
    dlg.m_end = 9;
    win::script::OnNextDialog([&](HWND d) {
      win::script::SetField(d, RANGE_END_ID, k.text);
      win::script::PressButton(d, IDOK);
      if (IsWindow(d)) win::script::PressButton(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), k.accepted ? IDOK : IDCANCEL);
    EXPECT_DOUBLE_EQ(dlg.m_end, k.accepted ? 7.5 : 9.0);
    if (!k.accepted) {
      ASSERT_FALSE(win::script::MessageBoxLog().empty());
      EXPECT_EQ(win::script::MessageBoxLog()[0].text, "The end time is not a number.");
    }
  }
}

}  // namespace
