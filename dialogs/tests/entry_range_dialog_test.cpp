// The entry-range dialog as a user fills it: the count line, indexes checked
// when a field is left, a backwards range returned as typed, Enter stepping
// between the fields and the button labelled "Cancel" cancelling.
#include <gtest/gtest.h>

#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/entry_range_dialog.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

class EntryRangeTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    win::script::ResetLogs();
  }
};

struct Seen {
  std::string caption, count, file, from, to;
  bool fromEnabled = true;
};

Seen Look(HWND d) {
  Seen s;
  s.caption = win::script::Text(d);
  s.count = win::script::Text(GetDlgItem(d, IDC_ENTRY_RANGE_TEXT));
  s.file = win::script::Text(GetDlgItem(d, IDC_ENTRY_RANGE_FILE));
  s.from = win::script::GetField(d, IDC_ENTRY_RANGE_FROM);
  s.to = win::script::GetField(d, IDC_ENTRY_RANGE_TO);
  s.fromEnabled = IsWindowEnabled(GetDlgItem(d, IDC_ENTRY_RANGE_FROM)) != 0;
  return s;
}

TEST_F(EntryRangeTest, ShowsTheCountAndReturnsABackwardsRangeAsTyped) {
  Seen seen;
  win::script::OnNextDialog([&](HWND d) {
    seen = Look(d);
    win::script::SetField(d, IDC_ENTRY_RANGE_FROM, "7");
    win::script::SetField(d, IDC_ENTRY_RANGE_TO, "3");
    win::script::PressButton(d, IDC_ENTRY_RANGE_OK);
  });
  int32_t first = 0, last = 0;
  EXPECT_EQ(Dlg_SelectFileEntryIndexRange(nullptr, "C:\\Lib\\MAIN.MSP", 12, &first, &last, 0), 1);
  EXPECT_EQ(seen.caption, "Print List of Library Entries");
  EXPECT_EQ(seen.count, "There are 12 entries");
  EXPECT_EQ(seen.file, "in C:\\Lib\\MAIN.MSP.");
  EXPECT_EQ(seen.from, "1");
  EXPECT_EQ(seen.to, "12");
  EXPECT_EQ(first, 7);
  EXPECT_EQ(last, 3);
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
}

TEST_F(EntryRangeTest, CountLinesTitleAndFixedFirst) {
  struct Case {
    int32_t count;
    const char* title;
    int16_t fix;
    const char* line;
    const char* caption;
  } cases[] = {
      {1, nullptr, 0, "There is 1 entry", "Print List of Library Entries"},
      {40, "Select Page Range", 1, "There are 40 entries", "Select Page Range"},
  };
  for (const Case& c : cases) {
    Seen seen;
    orvik::HelpRequest help;
    win::script::OnNextDialog([&](HWND d) {
      seen = Look(d);
      win::script::PressButton(d, KELT_HELP_BUTTON_ID);
      help = orvik::LastHelpRequest();
      win::script::PressButton(d, IDC_ENTRY_RANGE_OK);
    });
    int32_t first = 0, last = 0;
    EXPECT_EQ(Dlg_SelectFileEntryIndexRangeEx(c.title, nullptr, c.count, &first, &last, c.fix, 1, c.count), 1);
    EXPECT_EQ(seen.count, c.line);
    EXPECT_EQ(seen.caption, c.caption);
    EXPECT_EQ(seen.file, "");
    EXPECT_EQ(seen.fromEnabled, c.fix == 0);
    EXPECT_EQ(help.context, c.title ? 139u : 138u);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, c.count);
  }
}

// With no entries only the bound 1 can be offered; an index past the end
// offers the last entry, and No keeps the stored value.
TEST_F(EntryRangeTest, IndexesOutsideTheEntriesOfferTheNearerBound) {
  win::script::OnNextDialog([&](HWND d) {
    win::script::AnswerNextMessageBox(IDYES);
    win::script::SetField(d, IDC_ENTRY_RANGE_TO, "5");
    SetFocus(GetDlgItem(d, IDC_ENTRY_RANGE_FROM));  // leaves "to"
    win::script::PressButton(d, IDC_ENTRY_RANGE_OK);
  });
  int32_t first = 0, last = 0;
  EXPECT_EQ(Dlg_SelectFileEntryIndexRange(nullptr, nullptr, 0, &first, &last, 0), 1);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 1);
  const auto boxes = win::script::MessageBoxLog();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes[0].text.find("To Entry"), std::string::npos) << boxes[0].text;

  win::script::ResetLogs();
  win::script::OnNextDialog([&](HWND d) {
    win::script::AnswerNextMessageBox(IDNO);
    win::script::SetField(d, IDC_ENTRY_RANGE_FROM, "90");
    SetFocus(GetDlgItem(d, IDC_ENTRY_RANGE_TO));
    win::script::PressButton(d, IDC_ENTRY_RANGE_OK);
  });
  EXPECT_EQ(Dlg_SelectFileEntryIndexRangeEx(nullptr, nullptr, 20, &first, &last, 0, 4, 9), 1);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 9);
}

TEST_F(EntryRangeTest, EnterStepsBetweenTheFieldsAndTheCancelButtonCancels) {
  int focus = 0;
  DWORD selection = 0;
  std::string cancelText;
  win::script::OnNextDialog([&](HWND d) {
    cancelText = win::script::Text(GetDlgItem(d, IDOK));
    SetFocus(GetDlgItem(d, IDC_ENTRY_RANGE_FROM));
    win::script::PressKey(VK_RETURN);
    focus = GetDlgCtrlID(GetFocus());
    selection = static_cast<DWORD>(SendDlgItemMessageA(d, IDC_ENTRY_RANGE_TO, EM_GETSEL, 0, 0));
    win::script::PressButton(d, IDOK);
  });
  int32_t first = -5, last = -5;
  EXPECT_EQ(Dlg_SelectFileEntryIndexRange(nullptr, nullptr, 250, &first, &last, 0), 0);
  EXPECT_EQ(cancelText, "Cancel");
  EXPECT_EQ(focus, IDC_ENTRY_RANGE_TO);
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), 3);  // "250"
  EXPECT_EQ(first, -5);
  EXPECT_EQ(last, -5);
}

}  // namespace
