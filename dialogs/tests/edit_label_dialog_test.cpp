// The "Edit Label" dialog on a label's text and appearance as the label
// editing hands them over: what comes back after OK, Delete and Cancel.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/edit_label_dialog.h"
#include "orvik32/orvik32.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

namespace ws = win::script;

class EditLabelTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    ws::ResetLogs();
    params_.transparent = 1;
    params_.screenColor = RGB(200, 0, 0);
    params_.printColor = RGB(0, 0, 200);
    params_.fontSource = 1;
    std::strcpy(params_.font.lfFaceName, "Arial");
    params_.font.lfHeight = -12;
    params_.angle = 450;
    params_.positionMode = 1;
    params_.pointerMode = 1;
  }
  void TearDown() override {
    LABS_FreeLabelText(text_);
    KeltRootTest::TearDown();
  }
  void SetText(const std::string& t) {
    text_ = static_cast<STRUCT_LAB_TEXT*>(AllocBlock(sizeof(STRUCT_LAB_TEXT)));
    text_->text = static_cast<char*>(AllocBlock(static_cast<uint32_t>(t.size()) + 10));
    std::memcpy(text_->text, t.data(), t.size());
    text_->length = static_cast<int32_t>(t.size());
  }
  int Run(short* del, short* moved) {
    return kelt::labels::RunEditLabelDialog(text_, &params_, del, moved);
  }
  STRUCT_LAB_TEXT* text_ = nullptr;
  STRUCT_MARKER_PARAMS params_{};
};

TEST_F(EditLabelTest, ShowsTheLabelAndTakesLongerText) {
  SetText("Peak 4");
  std::string shown, angle;
  bool pointerEnabled = false, fontButton = true;
  ws::OnNextDialog([&](HWND d) {
    shown = ws::GetField(d, EDIT_LABEL_TEXT_ID);
    angle = ws::GetField(d, EL_ANGLE);
    pointerEnabled = IsWindowEnabled(GetDlgItem(d, EL_SHOW_POINTER)) != 0;
    fontButton = IsWindowEnabled(GetDlgItem(d, EL_SELECT_FONT)) != 0;
    ws::SetField(d, EDIT_LABEL_TEXT_ID, "Peak 4, toluene and a much longer text");
    ws::PressButton(d, IDOK);
  });
  short del = 9, moved = 9;
  ASSERT_EQ(Run(&del, &moved), 1);
  EXPECT_EQ(shown, "Peak 4");
  EXPECT_EQ(angle, "45");
  EXPECT_TRUE(pointerEnabled);
  EXPECT_FALSE(fontButton);  // the plot's font is used
  EXPECT_EQ(std::string(text_->text, text_->length), "Peak 4, toluene and a much longer text");
  EXPECT_EQ(del, 0);
  EXPECT_EQ(moved, 0);
}

TEST_F(EditLabelTest, BlankTextDeletesTheLabel) {
  SetText("Old");
  ws::OnNextDialog([](HWND d) {
    ws::SetField(d, EDIT_LABEL_TEXT_ID, "  \r\n \r\n");
    ws::PressButton(d, IDOK);
  });
  short del = 0, moved = 0;
  ASSERT_EQ(Run(&del, &moved), 1);
  EXPECT_EQ(del, 1);
}

TEST_F(EditLabelTest, AnAngleOutOfRangeOffersTheBoundAndFramedLabelsLoseTheirPointer) {
  SetText("Label");
  ws::OnNextDialog([](HWND d) {
    ws::AnswerNextMessageBox(IDYES);
    ws::SetField(d, EL_ANGLE, "400");
    ws::PressButton(d, EL_ANCHOR_FRAME);  // leaving the angle field
    ws::PressButton(d, IDOK);
  });
  short del = 0, moved = 0;
  ASSERT_EQ(Run(&del, &moved), 1);
  ASSERT_EQ(ws::MessageBoxLog().size(), 1u);
  EXPECT_NE(ws::MessageBoxLog()[0].text.find("360"), std::string::npos);
  EXPECT_EQ(params_.angle, 3600);
  EXPECT_EQ(params_.positionMode, 2);
  EXPECT_EQ(params_.pointerMode, 0);  // whatever the box showed
  EXPECT_EQ(moved, 1);
}

TEST_F(EditLabelTest, DeleteAsksWithTheLabelsTextInTheTitle) {
  const std::string sixty(60, 'x');
  SetText(sixty);
  ws::OnNextDialog([](HWND d) {
    ws::AnswerNextMessageBox(IDNO);
    ws::PressButton(d, EDIT_LABEL_DELETE_ID);
    ws::AnswerNextMessageBox(IDYES);
    ws::PressButton(d, EDIT_LABEL_DELETE_ID);
  });
  short del = 0, moved = 0;
  ASSERT_EQ(Run(&del, &moved), 1);
  EXPECT_EQ(del, 1);
  const auto boxes = ws::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Delete Label?");
  EXPECT_EQ(boxes[0].caption, "Label: " + std::string(50, 'x') + "...");
  EXPECT_EQ(CEditLabelDlg::DeleteTitle("abc", 3), "Label: abc");
  EXPECT_EQ(CEditLabelDlg::DeleteTitle(std::string(50, 'y').c_str(), 50), "Label: " + std::string(50, 'y'));
}

TEST_F(EditLabelTest, CancelLeavesTextAndAppearance) {
  SetText("Keep");
  const STRUCT_MARKER_PARAMS before = params_;
  ws::OnNextDialog([](HWND d) {
    ws::SetField(d, EDIT_LABEL_TEXT_ID, "Changed");
    ws::PressButton(d, EL_ANCHOR_FRAME);
    ws::PressButton(d, IDCANCEL);
  });
  short del = 0, moved = 0;
  EXPECT_EQ(Run(&del, &moved), 2);
  EXPECT_EQ(std::memcmp(&before, &params_, sizeof before), 0);
}

}  // namespace
