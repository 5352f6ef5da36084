// The colour and font choosers driven by script.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win/win_commdlg.h"
#include "win/win_script.h"

TEST(UserColorChooser, BasicBoxOrTypedValuesGiveTheColour) {
  win::script::ResetLogs();
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.Flags = CC_RGBINIT;
  cc.rgbResult = RGB(10, 20, 30);
  std::string red;
  COLORREF boxPixel = 0;
  win::script::OnNextDialog([&](HWND dlg) {
    red = win::script::GetField(dlg, COLOR_RED);
    EXPECT_TRUE(win::script::PressButton(dlg, COLOR_BOX1 + 8));  // the second row starts with pure red
    boxPixel = win::script::WindowPixel(GetDlgItem(dlg, COLOR_BOX1 + 8), 10, 9);
    EXPECT_EQ(win::script::GetField(dlg, COLOR_GREEN), "0");
    win::script::SetField(dlg, COLOR_BLUE, "64");
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_TRUE(ChooseColorA(&cc));
  EXPECT_EQ(red, "10");
  EXPECT_EQ(boxPixel, RGB(255, 0, 0));
  EXPECT_EQ(cc.rgbResult, RGB(255, 0, 64));
  EXPECT_EQ(GetBasicChooserColor(8), RGB(255, 0, 0));
  // A value out of range is refused with a message; Cancel keeps the old colour.
  win::script::AnswerNextMessageBox(IDOK);
  win::script::OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, COLOR_RED, "300");
    win::script::PressButton(dlg, IDOK);
    EXPECT_TRUE(IsWindow(dlg));
    win::script::PressButton(dlg, IDCANCEL);
  });
  EXPECT_FALSE(ChooseColorA(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(255, 0, 64));
  EXPECT_EQ(win::script::MessageBoxLog().size(), 1u);
  cc.lStructSize = 12;
  EXPECT_FALSE(ChooseColorA(&cc));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
}

TEST(UserFontChooser, FaceStyleSizeAndEffects) {
  win::script::ResetLogs();
  LOGFONTA lf{};
  lf.lfHeight = -16;  // 12 points at 96 pixels an inch
  std::strcpy(lf.lfFaceName, "Times New Roman");
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_FORCEFONTEXIST;
  cf.nSizeMin = 6;
  cf.nSizeMax = 36;
  std::string shownSize, shownFace;
  win::script::AnswerNextMessageBox(IDOK);
  win::script::AnswerNextMessageBox(IDOK);
  win::script::OnNextDialog([&](HWND dlg) {
    shownSize = win::script::GetField(dlg, cmb3);
    shownFace = win::script::GetField(dlg, cmb1);
    win::script::SetField(dlg, cmb3, "48");  // beyond the limit
    win::script::PressButton(dlg, IDOK);
    win::script::SetField(dlg, cmb1, "Nonesuch");
    win::script::PressButton(dlg, IDOK);
    win::script::SetField(dlg, cmb1, "Courier New");
    win::script::SetField(dlg, cmb3, "14");
    win::script::PickItemText(dlg, cmb2, "Bold Italic");
    win::script::SetCheck(dlg, chx2, true);
    win::script::PickItemText(dlg, cmb4, "Navy");
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_TRUE(ChooseFontA(&cf));
  EXPECT_EQ(shownSize, "12");
  EXPECT_EQ(shownFace, "Times New Roman");
  EXPECT_STREQ(lf.lfFaceName, "Courier New");
  EXPECT_EQ(lf.lfHeight, -19);  // 14 points, rounded
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(cf.iPointSize, 140);
  EXPECT_EQ(cf.rgbColors, RGB(0, 0, 128));
  auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Size must be between 6 and 36 points.");
  EXPECT_NE(boxes[1].text.find("There is no font with that name."), std::string::npos);
  cf.lpLogFont = nullptr;
  EXPECT_FALSE(ChooseFontA(&cf));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_INITIALIZATION));
}
