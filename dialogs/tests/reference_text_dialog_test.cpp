// The reference texts: what the list shows, the help it answers with, and
// lists printed as report pages (55 lines a page, over-long lines left out).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/reference_text_dialog.h"
#include "orvik32/orvik32_dialogs.h"
#include "reportpages/reports_file.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

class ReferenceTextTest : public KeltRootTest {
 protected:
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static int Pages(const std::string& path) {
    CRptsFileHandler file(nullptr);
    if (file.UseThisExistingFile(path.c_str()) != 1) return -1;
    return file.GetCountOfPages();
  }
};

TEST_F(ReferenceTextTest, StatusCodesAreListedWithTheirTitleAndHelp) {
  std::vector<std::string> items;
  std::string title;
  uint32_t context = 0;
  ws::OnNextDialog([&](HWND d) {
    items = ws::ListItems(d, IDC_INFO_LIST);
    title = ws::Text(d);
    ws::PressButton(d, KELT_HELP_BUTTON_ID);
    context = orvik::LastHelpRequest().context;
    ws::PressButton(d, IDOK);
  });
  Dlg_ViewStatusErrorInfo();
  EXPECT_EQ(title, "Status/Error Codes");
  EXPECT_EQ(context, 206u);
  ASSERT_EQ(items.size(), 56u);
  EXPECT_EQ(items[1], "Results View Study Pane");
  EXPECT_EQ(items[15], "     R : Reference Peak.");
  EXPECT_EQ(items[41], "     BV : Baseline to Valley");
  EXPECT_EQ(items.back(), "     HM : Horizontal minimum");
}

TEST_F(ReferenceTextTest, ListsPrintFiftyFiveLinesAPage) {
  struct Case {
    int lines, tooLong, pages;
  } cases[] = {{0, 0, 0}, {55, 0, 1}, {56, 0, 2}, {55, 3, 1}, {111, 0, 3}};
  for (const Case& c : cases) {
    std::vector<std::string> lines;
    for (int i = 0; i < c.lines; ++i) lines.push_back("line " + std::to_string(i + 1));
    for (int i = 0; i < c.tooLong; ++i) lines.insert(lines.begin() + i * 7, std::string(280, 'x'));
    std::string path;
    EXPECT_EQ(kelt::dlg::PrintLinesAsReportPages(lines, "Information", &path), c.pages) << c.lines;
    if (c.pages) {
      EXPECT_EQ(Pages(path), c.pages) << c.lines;
    }
  }
}

TEST_F(ReferenceTextTest, TheOtherTextsHaveTheirHeadings) {
  const auto keys = kelt::dlg::ReferenceTextLines(kelt::dlg::ReferenceText::HotKeys);
  const auto columns = kelt::dlg::ReferenceTextLines(kelt::dlg::ReferenceText::ResultColumns);
  for (const char* heading : {"Data Files Pane", "Plot Descriptors Pane", "Chromatogram Plot Control",
                              "Spectra Plot Control", "Window Arrangement", "Miscellaneous"})
    EXPECT_NE(std::find(keys.begin(), keys.end(), heading), keys.end()) << heading;
  EXPECT_NE(std::find(keys.begin(), keys.end(), "        s - Display Spectrum"), keys.end());
  ASSERT_FALSE(columns.empty());
  EXPECT_EQ(columns[1].rfind("Acquisition Date - ", 0), 0u);
  EXPECT_EQ(columns.back().rfind("Top 3 Matches - ", 0), 0u);
}

}  // namespace
