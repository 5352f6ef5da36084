// The dialogs' field checks on a real edit control: what they store, what
// they ask, what the field shows afterwards.
#include <gtest/gtest.h>

#include <string>

#include "common/tests/kelt_test_root.h"
#include "dialogs/edit_field_checks.h"
#include "win/win_script.h"

namespace {

constexpr int kField = 100;

class EditFieldChecksTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    parent = CreateWindowExA(0, "Static", "form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    field = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 4, 4, 120, 20, parent,
                            reinterpret_cast<HMENU>(static_cast<intptr_t>(kField)), nullptr, nullptr);
    ASSERT_NE(field, nullptr);
    wnd.Attach(parent);
  }
  void TearDown() override {
    wnd.Detach();
    DestroyWindow(parent);
    win::script::ResetLogs();
    KeltRootTest::TearDown();
  }
  void Type(const char* text) { SetWindowTextA(field, text); }
  std::string Shown() const { return win::script::Text(field); }
  static std::string Box(std::string* title = nullptr) {
    const auto log = win::script::MessageBoxLog();
    if (log.empty()) return "";
    if (title) *title = log.back().caption;
    return log.back().text;
  }

  HWND parent = nullptr, field = nullptr;
  CWnd wnd;
};

TEST_F(EditFieldChecksTest, OutOfRangeNumbersOfferTheNearerBound) {
  int32_t angle = 45;
  Type("400");
  win::script::AnswerNextMessageBox(IDYES);
  EXPECT_EQ(HandleKillEditLong(&wnd, kField, "Font Angle", 0, 360, &angle), 1);
  std::string title;
  EXPECT_EQ(Box(&title), "Font Angle must be between 0 and 360.\n\nUse 360?");
  EXPECT_EQ(title, "Invalid Value: 400");
  EXPECT_EQ(angle, 360);
  EXPECT_EQ(Shown(), "360");
  // No keeps the old value and shows it again.
  Type("-5");
  win::script::AnswerNextMessageBox(IDNO);
  EXPECT_EQ(HandleKillEditLong(&wnd, kField, "Font Angle", 0, 360, &angle), 0);
  EXPECT_EQ(angle, 360);
  EXPECT_EQ(Shown(), "360");

  // A short's title shows the number read, a long's the text as typed.
  int16_t small = 3;
  Type("12x");
  win::script::AnswerNextMessageBox(IDNO);
  EXPECT_EQ(HandleKillEditShort(&wnd, kField, "Count", 0, 10, &small), 0);
  Box(&title);
  EXPECT_EQ(title, "Invalid Value: 12");
  int32_t big = 3;
  Type("12x");
  win::script::AnswerNextMessageBox(IDNO);
  HandleKillEditLong(&wnd, kField, "Count", 0, 10, &big);
  Box(&title);
  EXPECT_EQ(title, "Invalid Value: 12x");

  double mass = 50.0;
  Type("9000.25");
  win::script::AnswerNextMessageBox(IDYES);
  EXPECT_EQ(HandleKillEditDouble(&wnd, kField, "Ion", "%.2lf", 10.0, 8000.0, &mass), 1);
  EXPECT_EQ(Box(), "Ion must be between 10.00 and 8000.00.\n\nUse 8000.00?");
  EXPECT_EQ(mass, 8000.0);
  EXPECT_EQ(Shown(), "8000.00");

  // Huge and negative texts for an unsigned field stay out of range.
  uint32_t count = 7;
  Type("-1");
  win::script::AnswerNextMessageBox(IDNO);
  EXPECT_EQ(HandleKillEditDWORD(&wnd, kField, "Lowest Intensity", 1, 0xFFFFFFFFu, &count), 0);
  EXPECT_EQ(Box(), "Lowest Intensity must be between 1 and 4294967295.\n\nUse 1?");
  Type("99999999999999999999999");
  win::script::AnswerNextMessageBox(IDNO);
  HandleKillEditDWORD(&wnd, kField, "Lowest Intensity", 1, 0xFFFFFFFFu, &count);
  EXPECT_EQ(Box(), "Lowest Intensity must be between 1 and 4294967295.\n\nUse 4294967295?");
  EXPECT_EQ(count, 7u);
}

TEST_F(EditFieldChecksTest, TextsThatAreNoNumbersKeepTheStoredValueQuietly) {
  struct Case {
    const char* typed;
    int32_t expectChanged;
    double expectValue;
    const char* shown;
  } cases[] = {
      {"", 0, 62.5, "62.5"},        {"abc", 0, 62.5, "62.5"},  {"nan", 0, 62.5, "62.5"},
      {"inf", 0, 62.5, "62.5"},     {"62.5", 0, 62.5, "62.5"}, {" 91.25 Da", 1, 91.25, "91.2"},
  };
  for (const Case& c : cases) {
    double v = 62.5;
    const size_t boxes = win::script::MessageBoxLog().size();
    Type(c.typed);
    EXPECT_EQ(HandleKillEditDouble(&wnd, kField, "Ion", "%.1f", 10.0, 8000.0, &v), c.expectChanged) << c.typed;
    EXPECT_EQ(v, c.expectValue) << c.typed;
    EXPECT_EQ(Shown(), c.shown) << c.typed;
    EXPECT_EQ(win::script::MessageBoxLog().size(), boxes) << c.typed;
  }
  // A format the helper cannot trust is not used.
  double v = 20;
  Type("30");
  HandleKillEditDouble(&wnd, kField, "Ion", "%s%n", 10.0, 8000.0, &v);
  EXPECT_EQ(Shown(), "30");
}

TEST_F(EditFieldChecksTest, CasNumbersAndChangeChecks) {
  int32_t cas = 0;
  Type("7732-18-5");
  EXPECT_EQ(HandleKillEditCASNo(&wnd, kField, "CAS Number", 0, 999999999, &cas), 1);
  EXPECT_EQ(cas, 7732185);
  EXPECT_EQ(Shown(), "7732-18-5");
  Type("");
  EXPECT_EQ(HandleKillEditCASNo(&wnd, kField, "CAS Number", 0, 999999999, &cas), 1);
  EXPECT_EQ(cas, 0);
  EXPECT_EQ(Shown(), "");
  // Emptied again: 0 was stored already, so nothing changed.
  EXPECT_EQ(HandleKillEditCASNo(&wnd, kField, "CAS Number", 0, 999999999, &cas), 0);
  EXPECT_EQ(cas, 0);

  struct Case {
    const char* typed;
    int32_t dword, dbl, cas;
  } cases[] = {{"12", 1, 1, 1}, {"", 0, 0, 0}, {"x", 0, 0, 0}, {"5", 0, 0, 1}, {"12.5", 1, 1, 0}, {"-3", 0, 0, 1}};
  for (const Case& c : cases) {
    Type(c.typed);
    EXPECT_EQ(HandleChangeEditDWORD(&wnd, kField, 10, 100), c.dword) << c.typed;
    EXPECT_EQ(HandleChangeEditDouble(&wnd, kField, 10.0, 100.0), c.dbl) << c.typed;
    EXPECT_EQ(HandleChangeEditCASNo(&wnd, kField, 1, 100), c.cas) << c.typed;
  }
  char buffer[8] = "old";
  Type("abcdefg");
  EXPECT_EQ(HandleChangeEditString(&wnd, kField, 5, buffer), 1);
  EXPECT_STREQ(buffer, "abcde");
  // A missing control: nothing touched.
  int32_t v = 4;
  EXPECT_EQ(HandleKillEditLong(&wnd, 999, "X", 0, 1, &v), 0);
  EXPECT_EQ(v, 4);
}

}  // namespace
