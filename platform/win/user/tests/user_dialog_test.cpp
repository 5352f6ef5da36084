// A sample dialog driven as a user would: an edit field with a text limit,
// two check boxes that exclude each other, OK and Cancel, and a message
// box answered by the script.
#include <gtest/gtest.h>

#include <string>

#include "win/win_resources.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

const HMODULE kModule = reinterpret_cast<HMODULE>(0x7100);
constexpr int kDlg = 335, kName = 6870, kRecalc = 6873, kDir = 6874, kSave = 6872;

struct SaveState {
  std::string name = "Plot";
  int recalc = 0, dir = 0;
  int changes = 0;
};

INT_PTR CALLBACK SaveProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  auto* st = reinterpret_cast<SaveState*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, l);
      st = reinterpret_cast<SaveState*>(l);
      SendDlgItemMessageA(dlg, kName, EM_LIMITTEXT, 8, 0);
      SetDlgItemTextA(dlg, kName, st->name.c_str());
      st->changes = 0;
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case kName:
          if (HIWORD(w) == EN_CHANGE) st->changes++;
          return TRUE;
        case kRecalc:
        case kDir: {
          int other = LOWORD(w) == kRecalc ? kDir : kRecalc;
          if (IsDlgButtonChecked(dlg, LOWORD(w))) CheckDlgButton(dlg, other, BST_UNCHECKED);
          st->recalc = IsDlgButtonChecked(dlg, kRecalc);
          st->dir = IsDlgButtonChecked(dlg, kDir);
          return TRUE;
        }
        case kSave: {
          char buf[100];
          GetDlgItemTextA(dlg, kName, buf, sizeof buf);
          if (!*buf) {
            MessageBoxA(dlg, "Enter a name.", "Save", MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          if (MessageBoxA(dlg, "Save now?", "Save", MB_YESNO | MB_ICONQUESTION) != IDYES) return TRUE;
          st->name = buf;
          EndDialog(dlg, IDOK);
          EndDialog(dlg, 77);  // ended twice: the first end holds
          return TRUE;
        }
        case IDOK: return TRUE;  // Enter alone does nothing
        case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

class UserDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    win::script::ResetLogs();
    using namespace win::resources;
    DialogTemplate t;
    t.caption = "Save User Plot Descriptor";
    t.cx = 308;
    t.cy = 60;
    t.items = {
        {6871, "Button", "Enter Name of User Plot Descriptor", BS_GROUPBOX | WS_VISIBLE, 0, 5, 5, 200, 30},
        {kName, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 0, 10, 15, 180, 12},
        {kRecalc, "Button", "Save to all data files in recalc file", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0,
         10, 38, 180, 10},
        {kDir, "Button", "Save to all data files in directory", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, 10, 48,
         180, 10},
        {kSave, "Button", "Save", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 250, 7, 50, 14},
        {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 250, 24, 50, 14},
    };
    AddDialog(kModule, kDlg, t);
  }
  void TearDown() override { win::resources::RemoveModule(kModule); }
};

TEST_F(UserDialog, FilledAndSavedByAScript) {
  SaveState st;
  win::script::OnNextDialog([&](HWND dlg) {
    EXPECT_EQ(win::script::GetField(dlg, kName), "Plot");
    EXPECT_TRUE(win::script::SetField(dlg, kName, "LongerThanEight"));
    EXPECT_EQ(win::script::GetField(dlg, kName), "LongerTh");  // the limit holds for typing
    EXPECT_TRUE(win::script::SetCheck(dlg, kRecalc, true));
    EXPECT_TRUE(win::script::SetCheck(dlg, kDir, true));
    EXPECT_FALSE(win::script::IsChecked(dlg, kRecalc));  // the boxes exclude each other
    win::script::PressKey(VK_RETURN);                   // Enter alone: nothing
    EXPECT_TRUE(IsWindow(dlg));
    win::script::AnswerNextMessageBox(IDYES);
    EXPECT_TRUE(win::script::PressButton(dlg, kSave));
  });
  INT_PTR r = DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDlg), nullptr, SaveProc, reinterpret_cast<LPARAM>(&st));
  EXPECT_EQ(r, IDOK);
  EXPECT_EQ(st.name, "LongerTh");
  EXPECT_EQ(st.dir, 1);
  EXPECT_EQ(st.recalc, 0);
  EXPECT_GT(st.changes, 0);
  auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Save now?");
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_TRUE(boxes[0].answered);
  auto dialogs = win::script::DialogLog();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(dialogs[0].scripted);
  EXPECT_EQ(dialogs[0].caption, "Save User Plot Descriptor");
}

TEST_F(UserDialog, UnansweredBoxTakesItsDefaultAndEscapeCancels) {
  SaveState st;
  win::script::OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, kName, "");
    win::script::PressButton(dlg, kSave);  // "Enter a name." box, unanswered
    EXPECT_TRUE(IsWindow(dlg));
    win::script::SetField(dlg, kName, "X");
    win::script::PressButton(dlg, kSave);  // "Save now?" unanswered: default Yes
  });
  EXPECT_EQ(DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDlg), nullptr, SaveProc, reinterpret_cast<LPARAM>(&st)), IDOK);
  auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].result, IDOK);
  EXPECT_FALSE(boxes[0].answered);
  EXPECT_EQ(boxes[1].result, IDYES);

  win::script::OnNextDialog([](HWND) { win::script::PressKey(VK_ESCAPE); });
  EXPECT_EQ(DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDlg), nullptr, SaveProc, reinterpret_cast<LPARAM>(&st)),
            IDCANCEL);
}

TEST_F(UserDialog, TabOrderFollowsTheTemplate) {
  SaveState st;
  win::script::OnNextDialog([&](HWND dlg) {
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));
    win::script::PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kRecalc));
    EnableWindow(GetDlgItem(dlg, kDir), FALSE);
    win::script::PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kSave));
    EXPECT_FALSE(win::script::PressButton(dlg, kDir));  // a disabled box cannot be pressed
    win::script::PressKey(VK_SPACE);                    // space presses the focused button
  });
  win::script::AnswerNextMessageBox(IDNO);
  EXPECT_EQ(DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDlg), nullptr, SaveProc, reinterpret_cast<LPARAM>(&st)),
            IDCANCEL);  // No keeps it open; nobody answers after the script: cancelled
  auto log = win::script::DialogLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].cancelledUnanswered);
}

TEST_F(UserDialog, BadInputFailsCleanly) {
  EXPECT_EQ(DialogBoxParamA(kModule, MAKEINTRESOURCEA(999), nullptr, SaveProc, 0), -1);
  HWND gone = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  EXPECT_EQ(DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDlg), gone, SaveProc, 0), -1);
  EXPECT_FALSE(EndDialog(gone, 1));
  char buf[8];
  EXPECT_EQ(LoadStringA(kModule, 12345, buf, sizeof buf), 0);
  win::resources::AddString(kModule, 500, "Filters");
  EXPECT_EQ(LoadStringA(kModule, 500, buf, 4), 3);
  EXPECT_STREQ(buf, "Fil");
  EXPECT_EQ(FindResourceA(kModule, MAKEINTRESOURCEA(998), RT_DIALOG), nullptr);
  HRSRC r = FindResourceA(kModule, MAKEINTRESOURCEA(kDlg), RT_DIALOG);
  ASSERT_NE(r, nullptr);
  auto* t = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(kModule, r)));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->caption, "Save User Plot Descriptor");
}

TEST_F(UserDialog, ModelessDialogWithListAndCombo) {
  using namespace win::resources;
  DialogTemplate t;
  t.caption = "Lists";
  t.style |= WS_VISIBLE;
  t.cx = 200;
  t.cy = 100;
  t.items = {{10, "ListBox", "", LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE, 0, 5, 5, 80, 40},
             {11, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, 0, 100, 5, 80, 60},
             {12, "ListBox", "", LBS_EXTENDEDSEL | WS_VISIBLE, 0, 5, 50, 80, 40}};
  static int selChanges = 0, comboChanges = 0;
  selChanges = comboChanges = 0;
  DLGPROC proc = [](HWND, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == 10 && HIWORD(w) == LBN_SELCHANGE) ++selChanges;
    if (m == WM_COMMAND && LOWORD(w) == 11 && HIWORD(w) == CBN_SELCHANGE) ++comboChanges;
    return m == WM_INITDIALOG;
  };
  HWND dlg = CreateDialogIndirectParamA(kModule, &t, nullptr, proc, 0);
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(IsWindowVisible(dlg));
  for (const char* s : {"delta", "Alpha", "charlie", "bravo"}) SendDlgItemMessageA(dlg, 10, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(win::script::ListItems(dlg, 10), (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta"}));
  EXPECT_TRUE(win::script::PickItemText(dlg, 10, "delta"));
  EXPECT_EQ(SendDlgItemMessageA(dlg, 10, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(selChanges, 1);
  SendDlgItemMessageA(dlg, 10, LB_SETCURSEL, 1, 0);  // programmatic: no notification
  EXPECT_EQ(selChanges, 1);
  for (const char* s : {"one", "two", "three"}) SendDlgItemMessageA(dlg, 11, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_TRUE(win::script::PickItem(dlg, 11, 2));
  EXPECT_EQ(win::script::GetField(dlg, 11), "three");
  EXPECT_EQ(comboChanges, 1);
  for (const char* s : {"a", "b", "c", "d"}) SendDlgItemMessageA(dlg, 12, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  win::script::PickItem(dlg, 12, 0);
  win::script::PickItem(dlg, 12, 2, true);
  EXPECT_EQ(SendDlgItemMessageA(dlg, 12, LB_GETSELCOUNT, 0, 0), 2);
  win::script::PickItem(dlg, 12, 3);
  EXPECT_EQ(SendDlgItemMessageA(dlg, 12, LB_GETSELCOUNT, 0, 0), 1);
  EXPECT_FALSE(win::script::PickItem(dlg, 12, 9));
  PostMessageA(dlg, WM_CLOSE, 0, 0);
  win::script::PumpUntilIdle();
  DestroyWindow(dlg);
  EXPECT_FALSE(IsWindow(dlg));
}

}  // namespace
