// The fixed m/z range dialog: typed ions checked when a field is left (the
// nearer bound offered), backwards ranges turned round on OK.
#include <gtest/gtest.h>

#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/fixed_range_dialog.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class FixedRangeTest : public KeltRootTest {
 protected:
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
};

TEST_F(FixedRangeTest, OutOfRangeIonsOfferTheBoundAndBackwardsRangesTurn) {
  CFixedRangeDlg dlg(nullptr, nullptr);
  dlg.m_low = 50;
  dlg.m_high = 500;
  ASSERT_TRUE(dlg.Prepare(nullptr));
  std::string shownLow, afterYes, afterText;
  ws::OnNextDialog([&](HWND d) {
    shownLow = ws::GetField(d, IDC_FR_LOW);
    ws::AnswerNextMessageBox(IDYES);
    ws::SetField(d, IDC_FR_HIGH, "9000");  // above 8000: 8000 offered, taken
    SetFocus(GetDlgItem(d, IDC_FR_LOW));   // leaving the field checks it
    ws::PumpUntilIdle();
    afterYes = ws::GetField(d, IDC_FR_HIGH);
    ws::SetField(d, IDC_FR_LOW, "abc");  // no number: the stored value comes back
    SetFocus(GetDlgItem(d, IDC_FR_HIGH));
    ws::PumpUntilIdle();
    afterText = ws::GetField(d, IDC_FR_LOW);
    ws::SetField(d, IDC_FR_HIGH, "20");  // below the low ion: turned round on OK
    ws::PressButton(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shownLow, "50.000000");
  EXPECT_EQ(afterYes, "8000.000000");
  EXPECT_EQ(afterText, "50.000000");
  const auto boxes = ws::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "High Ion must be between 10.000000 and 8000.000000.\n\nUse 8000.000000?");
  EXPECT_EQ(boxes[0].caption, "Invalid Value: 9000");
  EXPECT_DOUBLE_EQ(dlg.m_low, 20);
  EXPECT_DOUBLE_EQ(dlg.m_high, 50);
}

}  // namespace
