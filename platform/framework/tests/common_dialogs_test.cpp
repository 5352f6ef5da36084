// The framework's file dialog with a type-change override, and the colour
// and font dialog classes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/framework_common_dialogs.h"
#include "testing/workstation_root.h"
#include "win/win_crt.h"
#include "win/win_script.h"

namespace {

// A save dialog whose default extension follows the chosen type, as the
// workstation's save-as dialog does.
class CTypedSaveDialog : public CFileDialog {
  DECLARE_DYNAMIC(CTypedSaveDialog)
 public:
  char ext[4] = {};
  int typeChanges = 0;
  CTypedSaveDialog(LPCSTR defExt, LPCSTR filter)
      : CFileDialog(FALSE, defExt, nullptr, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, filter) {
    std::snprintf(ext, sizeof ext, "%.3s", defExt);
  }

 protected:
  void OnTypeChange() override {
    ++typeChanges;
    char type[128] = {};
    CWnd* dlg = GetParent();
    HWND types = ::GetDlgItem(dlg->m_hWnd, cmb1);
    int sel = static_cast<int>(::SendMessageA(types, CB_GETCURSEL, 0, 0));
    ::SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(type));
    const char* dot = std::strrchr(type, '.');
    if (!dot) return;
    std::snprintf(ext, sizeof ext, "%.3s", dot + 1);
    SetDefExt(ext);
    char typed[MAX_PATH] = {};
    ::SendMessageA(dlg->m_hWnd, CDM_GETSPEC, sizeof typed, reinterpret_cast<LPARAM>(typed));
    if (!typed[0]) return;
    std::string name = typed;
    size_t point = name.find_last_of('.');
    if (point != std::string::npos) name.resize(point);
    SetControlText(edt1, (name + "." + ext).c_str());
  }
};
IMPLEMENT_DYNAMIC(CTypedSaveDialog, CFileDialog)

class FrameworkCommonDialogs : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    win::script::ResetLogs();
    WriteHostFile("c/WORK/old.CSV", "a;b\n");
  }
};

}  // namespace

TEST_F(FrameworkCommonDialogs, SaveDialogTypeChangeRenamesTheTypedFile) {
  CTypedSaveDialog dlg("CSV", "CSV Files (*.CSV)|*.CSV|TXT Files (*.TXT)|*.TXT|PRN Files (*.PRN)|*.PRN|");
  dlg.m_ofn.lpstrInitialDir = "C:\\WORK";
  EXPECT_STREQ(dlg.GetRuntimeClass()->m_lpszClassName, "CTypedSaveDialog");
  std::string afterType;
  win::script::OnNextDialog([&](HWND h) {
    win::script::SetField(h, edt1, "results");
    win::script::PickItem(h, cmb1, 1);
    afterType = win::script::GetField(h, edt1);
    win::script::PressButton(h, IDOK);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.typeChanges, 1);
  EXPECT_EQ(afterType, "results.TXT");
  EXPECT_EQ(_stricmp(dlg.GetPathName().c_str(), "C:\\WORK\\results.TXT"), 0) << dlg.GetPathName();
  EXPECT_EQ(dlg.GetFileExt(), "TXT");
  EXPECT_EQ(dlg.GetFileTitle(), "results");
  EXPECT_STREQ(dlg.ext, "TXT");
  EXPECT_EQ(dlg.m_hWnd, nullptr);

  CFileDialog open(TRUE, "CSV", nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, "CSV Files (*.CSV)|*.CSV|");
  open.m_ofn.lpstrInitialDir = "C:\\WORK";
  std::vector<std::string> listed;
  win::script::OnNextDialog([&](HWND h) {
    listed = win::script::ListItems(h, lst2);
    win::script::PressButton(h, IDCANCEL);
  });
  EXPECT_EQ(open.DoModal(), IDCANCEL);
  std::vector<std::string> want{"old.CSV"};
  EXPECT_EQ(listed, want);
}

TEST_F(FrameworkCommonDialogs, ColourAndFontDialogs) {
  CColorDialog colour;
  win::script::OnNextDialog([](HWND h) {
    win::script::SetField(h, COLOR_RED, "1");
    win::script::SetField(h, COLOR_GREEN, "2");
    win::script::SetField(h, COLOR_BLUE, "3");
    win::script::PressButton(h, IDOK);
  });
  ASSERT_EQ(colour.DoModal(), IDOK);
  EXPECT_EQ(colour.GetColor(), RGB(1, 2, 3));
  EXPECT_EQ(colour.m_cc.lpCustColors, CColorDialog::GetSavedCustomColors());

  LOGFONTA lf{};
  lf.lfHeight = -13;
  std::strcpy(lf.lfFaceName, "Arial");
  CFontDialog font(&lf);
  win::script::OnNextDialog([](HWND h) {
    win::script::PickItemText(h, cmb2, "Bold");
    win::script::PressButton(h, IDOK);
  });
  ASSERT_EQ(font.DoModal(), IDOK);
  EXPECT_EQ(font.GetFaceName(), "Arial");
  EXPECT_TRUE(font.IsBold());
  EXPECT_FALSE(font.IsItalic());
  EXPECT_EQ(font.GetSize(), 100);
  win::script::OnNextDialog([](HWND h) { win::script::PressButton(h, IDCANCEL); });
  EXPECT_EQ(font.DoModal(), IDCANCEL);
}
