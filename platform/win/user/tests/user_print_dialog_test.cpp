// Printer set-up: the configured printers, paper and orientation handed
// back as device names and mode, and a printer DC that prints to PDF.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/workstation_root.h"
#include "win/win_commdlg.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_stdio.h"

namespace {
class UserPrintDialog : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    win::script::ResetLogs();
  }
};

std::string Device(HGLOBAL names) {
  auto* bytes = static_cast<const char*>(GlobalLock(names));
  DEVNAMES dn;
  std::memcpy(&dn, bytes, sizeof dn);
  std::string name = bytes + dn.wDeviceOffset;
  GlobalUnlock(names);
  return name;
}
}  // namespace

TEST_F(UserPrintDialog, SetupPicksPrinterPaperAndOrientation) {
  WriteProfileStringA("devices", "Lab Printer", "winspool,LPT1:");
  WriteProfileStringA("devices", "Office Printer", "winspool,LPT2:");
  WriteProfileStringA("windows", "device", "Office Printer,winspool,LPT2:");
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.Flags = PD_PRINTSETUP | PD_RETURNDC;
  std::vector<std::string> printers;
  std::string shown;
  win::script::OnNextDialog([&](HWND dlg) {
    printers = win::script::ListItems(dlg, cmb4);
    shown = win::script::GetField(dlg, cmb4);
    win::script::PickItemText(dlg, cmb4, "Lab Printer");
    win::script::PickItemText(dlg, cmb2, "A4");
    win::script::PressButton(dlg, rad2);
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_TRUE(PrintDlgA(&pd));
  std::vector<std::string> want{"Lab Printer", "Office Printer"};
  EXPECT_EQ(printers, want);
  EXPECT_EQ(shown, "Office Printer");  // the default printer comes first chosen
  EXPECT_EQ(Device(pd.hDevNames), "Lab Printer");
  auto* mode = static_cast<const DEVMODEA*>(GlobalLock(pd.hDevMode));
  EXPECT_EQ(mode->dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(mode->dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_STREQ(reinterpret_cast<const char*>(mode->dmDeviceName), "Lab Printer");
  GlobalUnlock(pd.hDevMode);
  ASSERT_NE(pd.hDC, nullptr);
  EXPECT_GT(GetDeviceCaps(pd.hDC, HORZRES), GetDeviceCaps(pd.hDC, VERTRES));  // landscape A4
  DeleteDC(pd.hDC);
  GlobalFree(pd.hDevNames);
  GlobalFree(pd.hDevMode);
}

TEST_F(UserPrintDialog, DefaultPrinterWithoutDialogAndBadRecords) {
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.Flags = PD_RETURNDEFAULT;
  ASSERT_TRUE(PrintDlgA(&pd));
  EXPECT_EQ(Device(pd.hDevNames), "Kelt PDF Printer");
  EXPECT_TRUE(win::script::DialogLog().empty());
  EXPECT_FALSE(PrintDlgA(&pd));  // the blocks it holds would be lost
  GlobalFree(pd.hDevNames);
  GlobalFree(pd.hDevMode);
  pd.lStructSize = 20;
  EXPECT_FALSE(PrintDlgA(&pd));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  // Copies out of range are refused in the print dialog.
  PRINTDLGA print{};
  print.lStructSize = sizeof print;
  win::script::AnswerNextMessageBox(IDOK);
  win::script::OnNextDialog([](HWND dlg) {
    win::script::SetField(dlg, edt3, "0");
    win::script::PressButton(dlg, IDOK);
    win::script::SetField(dlg, edt3, "3");
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_TRUE(PrintDlgA(&print));
  EXPECT_EQ(print.nCopies, 3);
  EXPECT_EQ(win::script::MessageBoxLog().size(), 1u);
  GlobalFree(print.hDevNames);
  GlobalFree(print.hDevMode);
}
