// The open dialogs that preview method and reports files, and the method
// sections they are built on, driven as a user would.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/last_files.h"
#include "common/section_stems.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/method_file_open_dialog.h"
#include "dialogs/method_sections.h"
#include "dialogs/reports_file_open_dialog.h"
#include "dialogs/text_lines.h"
#include "msfixtures.h"
#include "orvik32/orvik32.h"
#include "reportpages/reports_file.h"
#include "win/win_commctrl.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_stdio.h"

namespace {

namespace ws = win::script;

// The first cells of a list view's rows, and a click on one row.
std::vector<std::string> ListViewRows(HWND dialog, int id) {
  std::vector<std::string> rows;
  HWND list = GetDlgItem(dialog, id);
  const LRESULT n = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char text[128] = {};
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    rows.emplace_back(text);
  }
  return rows;
}
void PickRow(HWND dialog, int id, int row) {
  HWND list = GetDlgItem(dialog, id);
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  win::script::Click(list, r.left + 4, (r.top + r.bottom) / 2);
}

std::vector<std::string> LinesOf(const std::string& text, bool method) {
  const std::string path = "C:\\Text\\t.txt";
  std::filesystem::create_directories(win::paths::ToHost("C:\\Text"));
  std::FILE* f = win::crt::OpenStream(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  std::vector<std::string> lines;
  if (method) kelt::dlg::ReadMethodTextFile(path.c_str(), lines);
  else kelt::dlg::ReadLogTextFile(path.c_str(), false, lines);
  return lines;
}

using TextLinesTest = KeltRootTest;

TEST_F(TextLinesTest, MethodTextsAreCutWidenedAndBlankRunsFolded) {
  const std::string long150(150, 'x');
  const auto lines = LinesOf(long150 + "\n\tA\x01\xe9Z\n\n\n\nend\n", true);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].size(), 99u);
  EXPECT_EQ(lines[1].size(), 51u);
  EXPECT_EQ(lines[2], "    AZ");
  EXPECT_EQ(lines[3], "  ");  // three blank lines show as one
  EXPECT_EQ(lines[4], "end");
}

TEST_F(TextLinesTest, LogTextsEndLinesAtAnyLineEnd) {
  const auto lines = LinesOf("a\r\nb\rc\n\nlast", false);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "  ", "last"}));
  std::vector<std::string> block;
  kelt::dlg::SplitTextBlock("one\r\ntwo\n\rthree", 15, block);
  EXPECT_EQ(block, (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(TextLinesTest, AcquisitionFilterKeepsOnlyItsBlock) {
  const std::string path = "C:\\Text\\acq.txt";
  std::filesystem::create_directories(win::paths::ToHost("C:\\Text"));
  std::FILE* f = win::crt::OpenStream(path.c_str(), "wb");
  std::fputs("Run\n********** Acquisition Method **********\nscan 50-500\n========== Tune\nnot shown\n", f);
  std::fclose(f);
  std::vector<std::string> lines;
  ASSERT_TRUE(kelt::dlg::ReadLogTextFile(path.c_str(), true, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"********** Acquisition Method **********", "scan 50-500"}));
}

class MethodFileTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Methods"));
    msfix::DHPlan plan;
    msfix::DHTruth truth;
    ASSERT_TRUE(msfix::WriteMethodFile(win::paths::ToHost(kMethod), plan, &truth));
    std::memset(KELT_GetKeltLastFiles(), 0, sizeof(STRUCT_LAST_FILES));
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  // A second module's peak table: a copy of the first one's.
  void AddSecondModule() {
    HSECTION from = OpenSectionReadOnly(kMethod, "PeakTable.0017.0001.1", nullptr);
    ASSERT_NE(from, nullptr);
    std::vector<uint8_t> bytes(GetSectionSize(from));
    ReadSection(from, bytes.data(), static_cast<uint32_t>(bytes.size()));
    CloseSection(from);
    HSECTION to = CreateSection(kMethod, "PeakTable.0017.0002.1", nullptr);
    ASSERT_NE(to, nullptr);
    WriteSection(to, bytes.data(), static_cast<uint32_t>(bytes.size()));
    CloseSection(to);
  }
  static HWND Hook(HWND common) {
    HWND group = ws::FindById(common, IDC_SMF_GROUP);
    return group ? GetParent(group) : nullptr;
  }
  static void TypeName(HWND common, const char* name) {
    SetDlgItemTextA(common, edt1, name);
    ws::PumpUntilIdle();
  }
  static constexpr const char* kMethod = "C:\\Methods\\quant.mth";
};

TEST_F(MethodFileTest, SectionsByStemCarryTheirModules) {
  AddSecondModule();
  STRUCT_SECTION_ARRAY* a = KELT_GetSectionsFromStem(kMethod, "PeakTable");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, 2);
  EXPECT_EQ(a->entries[0].moduleId, 0x17);
  EXPECT_EQ(a->entries[0].moduleAddress, 1);
  EXPECT_EQ(a->entries[1].moduleAddress, 2);
  // "Method." does not match "MethodPDs..." : the period is compared.
  EXPECT_EQ(KELT_GetSectionsFromStem(kMethod, "Method."), nullptr);
  char line[200];
  std::strcpy(a->title, "Peak Table");
  FormatSectionLine(a, 1, line, sizeof line);
  EXPECT_STREQ(line, "Triple Quadrupole MS Peak Table at Address 2");

  // "Select" untouched gives the first; a picked line gives its index.
  int16_t chosen = -1;
  ws::OnNextDialog([](HWND d) {
    EXPECT_EQ(ws::Text(d), "Import Method Section");
    EXPECT_EQ(ws::ListItems(d, IDC_SS_LIST).size(), 2u);
    ws::PressButton(d, IDOK);
  });
  EXPECT_TRUE(Dlg_SelectSection(a, &chosen));
  EXPECT_EQ(chosen, 0);
  ws::OnNextDialog([](HWND d) {
    ws::PickItem(d, IDC_SS_LIST, 1);
    ws::PressButton(d, IDOK);
  });
  EXPECT_TRUE(Dlg_SelectSection(a, &chosen));
  EXPECT_EQ(chosen, 1);
  ws::OnNextDialog([](HWND d) { ws::PressButton(d, IDCANCEL); });
  EXPECT_FALSE(Dlg_SelectSection(a, &chosen));
  EXPECT_EQ(chosen, 0);
  // An array with nothing in it offers nothing to choose.
  const int16_t count = a->count;
  a->count = 0;
  chosen = 5;
  EXPECT_FALSE(Dlg_SelectSection(a, &chosen));
  EXPECT_EQ(chosen, 0);
  a->count = count;
  KELT_FreeSectionArray(a);
  EXPECT_FALSE(Dlg_SelectSection(nullptr, &chosen));
}

TEST_F(MethodFileTest, PreviewShowsEachModulesPartAndSelectTakesTheFile) {
  AddSecondModule();
  char path[260] = "";
  std::string title, file;
  std::vector<std::string> handling, calibration;
  bool selectBefore = true;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    title = ws::Text(d);
    HWND hook = Hook(d);
    ASSERT_NE(hook, nullptr);
    selectBefore = IsWindowEnabled(GetDlgItem(hook, IDC_SMF_SELECT));
    TypeName(d, "quant");  // ".mth" completes the name
    file = ws::GetField(hook, IDC_SMF_FILE);
    handling = ws::ListItems(hook, IDC_SMF_LIST);
    ws::PressButton(hook, IDC_SMF_CALIBRATION);
    ws::PumpUntilIdle();
    calibration = ws::ListItems(hook, IDC_SMF_LIST);
    ws::PressButton(hook, IDC_SMF_SELECT);
    ws::PumpUntilIdle();
  });
  EXPECT_EQ(Dlg_SelectMethodFile(nullptr, 0, 0, 5, path, "C:\\Methods"), 1);
  EXPECT_EQ(title, "Select MS Data Handling Method");  // an index outside 0..2 is 0
  EXPECT_FALSE(selectBefore);
  EXPECT_EQ(file, "quant.mth");
  // Two modules: two blocks, each opened by its heading.
  const std::string stars(85, '*');
  std::vector<size_t> headings;
  for (size_t i = 0; i + 2 < handling.size(); ++i)
    if (handling[i] == stars && handling[i + 2] == stars) headings.push_back(i);
  ASSERT_EQ(headings.size(), 2u);
  EXPECT_EQ(handling[headings[0] + 1], "Module Triple Quadrupole MS at address 1.");
  EXPECT_EQ(handling[headings[1] + 1], "Module Triple Quadrupole MS at address 2.");
  EXPECT_GT(headings[1], headings[0] + 4);  // the first module's text lies between
  ASSERT_FALSE(calibration.empty());
  EXPECT_EQ(calibration[0], stars);
  EXPECT_STREQ(path, kMethod);
  EXPECT_STREQ(KELT_GetKeltLastFiles()->methodFile, kMethod);
}

TEST_F(MethodFileTest, AFileWithoutTheAskedModuleNamesTheOneItHas) {
  char path[260] = "C:\\keep";
  bool select = true;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = Hook(d);
    EXPECT_EQ(ws::GetField(hook, IDC_SMF_MODULE_LINE), "Select method for Triple Quadrupole MS MS");
    EXPECT_EQ(ws::GetField(hook, IDC_SMF_ADDRESS_LINE), "at address 2.");
    TypeName(d, "quant.mth");
    select = IsWindowEnabled(GetDlgItem(hook, IDC_SMF_SELECT));
    ws::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(Dlg_SelectMethodFile(nullptr, 23, 2, 0, path, "C:\\Methods"), 0);
  EXPECT_FALSE(select);
  EXPECT_STREQ(path, "C:\\keep");
  const auto boxes = ws::MessageBoxLog();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0].caption, "quant.mth");
  EXPECT_EQ(boxes[0].text,
            "Select method file for a\nTriple Quadrupole MS MS module at\naddress 2.\n\nquant.mth has\nmethod for "
            "Triple Quadrupole MS MS module at\naddress 1");
}

class ReportsFileTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Reports"));
    std::memset(KELT_GetKeltLastFiles(), 0, sizeof(STRUCT_LAST_FILES));
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  // Pages stamped with these times, titled by their report.
  static void MakeFile(const char* path, const std::vector<uint32_t>& times) {
    CRptsFileHandler file(nullptr);
    ASSERT_TRUE(file.MakeThisNewFile(path));
    for (size_t i = 0; i < times.size(); ++i) {
      const std::string title = "Report at " + std::to_string(times[i]);
      ASSERT_TRUE(file.AddPageToFile("page", 4, 0, 80, 60, 0, 0, 0, 0, 0, static_cast<uint16_t>(i + 1), times[i],
                                     title.c_str()));
    }
  }
  static HWND Hook(HWND common) {
    HWND group = ws::FindById(common, IDC_SRF_GROUP);
    return group ? GetParent(group) : nullptr;
  }
};

TEST_F(ReportsFileTest, ReportsAreTheRunsOfEqualTimesAndTheChosenOnesPageIsReturned) {
  const uint32_t t1 = 1700000000, t2 = 1700003600;
  MakeFile("C:\\Reports\\two.msr", {t1, t1, t2, t2, t2});
  char path[260] = "";
  int32_t page = -1;
  std::string pages, reports, firstPage, chosenPage, chosenTitle;
  std::vector<std::string> rows;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = Hook(d);
    ASSERT_NE(hook, nullptr);
    SetDlgItemTextA(d, edt1, "two");
    ws::PumpUntilIdle();
    pages = ws::GetField(hook, IDC_SRF_PAGES);
    reports = ws::GetField(hook, IDC_SRF_REPORTS);
    firstPage = ws::GetField(hook, IDC_SRF_PAGE);
    rows = ListViewRows(hook, IDC_SRF_LIST);
    PickRow(hook, IDC_SRF_LIST, 1);
    chosenPage = ws::GetField(hook, IDC_SRF_PAGE);
    chosenTitle = ws::GetField(hook, IDC_SRF_TITLE);
    ws::PressButton(hook, IDC_SRF_SELECT);
    ws::PumpUntilIdle();
  });
  EXPECT_EQ(Dlg_SelectReportsFile(nullptr, path, "C:\\Reports", &page), 1);
  EXPECT_EQ(pages, "5");
  EXPECT_EQ(reports, "2");
  EXPECT_EQ(firstPage, "1");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].substr(0, 1), "1");
  EXPECT_EQ(rows[1].substr(0, 1), "3");
  EXPECT_EQ(chosenPage, "3");
  EXPECT_EQ(chosenTitle, "Report at " + std::to_string(t2));
  EXPECT_EQ(page, 2);
  EXPECT_STREQ(path, "C:\\Reports\\two.msr");
  EXPECT_STREQ(KELT_GetKeltLastFiles()->reportsFiles[0], "C:\\Reports\\two.msr");
}

TEST_F(ReportsFileTest, ReportStartsAreFoundAcrossReadChunks) {
  // 250 pages read 100 at a time; a first page of time 0 starts no report.
  std::vector<uint32_t> times(250, 0);
  for (size_t i = 0; i < times.size(); ++i) times[i] = i < 3 ? 0 : 1000 + static_cast<uint32_t>(i / 50);
  MakeFile("C:\\Reports\\many.msr", times);
  CRptsFileHandler file(nullptr);
  ASSERT_TRUE(file.UseThisExistingFile("C:\\Reports\\many.msr"));
  std::vector<int32_t> rows(260);
  int32_t count = 0;
  ASSERT_TRUE(kelt::dlg::FindReportStarts(&file, 250, rows.data(), &count));
  EXPECT_EQ(count, 5);
  EXPECT_EQ(rows[0], 3);
  EXPECT_EQ(rows[1], 50);
  EXPECT_EQ(rows[4], 200);
}

TEST_F(ReportsFileTest, AFileWithoutPagesCanBeTakenAndOtherFilesAreNotPreviewed) {
  MakeFile("C:\\Reports\\empty.msr", {});
  std::FILE* f = win::crt::OpenStream("C:\\Reports\\text.msr", "wb");
  std::fputs("not a reports file", f);
  std::fclose(f);
  char path[260] = "";
  int32_t page = 7;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND hook = Hook(d);
    SetDlgItemTextA(d, edt1, "text.msr");
    ws::PumpUntilIdle();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hook, IDC_SRF_SELECT)));
    SetDlgItemTextA(d, edt1, "empty.msr");
    ws::PumpUntilIdle();
    EXPECT_EQ(ws::GetField(hook, IDC_SRF_PAGES), "0");
    EXPECT_TRUE(ListViewRows(hook, IDC_SRF_LIST).empty());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hook, IDC_SRF_SELECT)));
    ws::PressButton(hook, IDC_SRF_SELECT);
    ws::PumpUntilIdle();
  });
  EXPECT_EQ(Dlg_SelectReportsFile(nullptr, path, "C:\\Reports", &page), 1);
  EXPECT_STREQ(path, "C:\\Reports\\empty.msr");
  EXPECT_EQ(page, 0);
}

}  // namespace
