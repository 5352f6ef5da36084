// Text report files and the report output's text-file kind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/tests/kelt_test_root.h"
#include "reportpages/report_output.h"
#include "reportpages/text_report_file.h"
#include "win/win_kernel.h"

namespace {

class TextReport : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    ASSERT_TRUE(CreateDirectoryA("C:\\Out", nullptr));
  }
  std::string Written() const { return ReadHostFile("c/Out/report.txt"); }
  const char* path_ = "C:\\Out\\report.txt";
};

}  // namespace

TEST_F(TextReport, LinesLoseTrailingBlanksAndEndWithTheLineEnd) {
  CAFile f;
  ASSERT_EQ(f.OpenAFile(path_, "\r\n", 1), 1);
  EXPECT_EQ(f.m_Usable, 1997);
  f.AddToLine(0, "ABC");
  ASSERT_EQ(f.GoToNextLine(), 1);
  f.AddToLine(0, "x");
  ASSERT_EQ(f.GoToNextLine(), 1);
  ASSERT_EQ(f.GoToNextLine(), 1);  // a blank line is the line end alone
  f.AddToLine(3, "a  b   ");
  f.AddToLine(1995, "TOOLONG");  // cut at the usable length
  ASSERT_EQ(f.GoToNextLine(), 1);
  f.CloseAFile();
  EXPECT_EQ(Written(), "ABC\r\nx\r\n\r\n   a  b" + std::string(1995 - 7, ' ') + "TO\r\n");
}

TEST_F(TextReport, SeparatedColumns) {
  struct Case {
    const char* separator;
    const char* text;
    bool quoted;
    const char* line;
  } cases[] = {
      {",", " 12.5  ", true, "\"12.5\","},
      {",", " 12.5  ", false, "12.5,"},
      {"\t", " 12.5  ", true, "12.5\t"},
      {" ", " 12.5  ", true, "\" 12.5  \""},  // the blank separator keeps the text's blanks
      {",", "   ", false, ","},                 // nothing left but the separator
      {",", "8\" column \"A\"", true, "\"8\"\" column \"\"A\"\"\","},  // quotes inside are doubled
      {" ", "say \"hi\"", true, "\"say \"\"hi\"\"\""},
  };
  for (const Case& c : cases) {
    CAFile f;
    ASSERT_EQ(f.OpenAFile(path_, "\r\n", 1), 1);
    std::strcpy(f.m_Separator, c.separator);
    if (c.quoted) f.AddQuoteSepColumn(0, c.text);
    else f.AddSepColumn(0, c.text);
    ASSERT_EQ(f.GoToNextLine(), 1);
    f.CloseAFile();
    EXPECT_EQ(Written(), std::string(c.line) + "\r\n") << c.separator << "|" << c.text;
  }
  // Blank separator: columns at 0 and 10 go to 0 and 9, each with a blank.
  CAFile f;
  ASSERT_EQ(f.OpenAFile(path_, "\r\n", 1), 1);
  f.SetSpaceColumnSeparator();
  f.AddSepColumn(0, "Name");
  EXPECT_EQ(f.AdjustColumn(10), 9);
  f.AddSepColumn(10, "Value");
  EXPECT_EQ(f.AdjustColumn(11), 15);  // one blank after the text already there
  // Any other separator follows the text already there.
  EXPECT_EQ(f.AdjustColumnNoBlanks(0), 14);
  ASSERT_EQ(f.GoToNextLine(), 1);
  f.SetTabColumnSeparator();
  f.AddSepColumn(0, "a");
  f.AddSepColumn(40, "b");
  ASSERT_EQ(f.GoToNextLine(), 1);
  f.CloseAFile();
  EXPECT_EQ(Written(), "Name     Value\r\na\tb\t\r\n");  // ends with its separator
}

TEST_F(TextReport, OpeningToAppend) {
  CAFile f;
  EXPECT_EQ(f.OpenAFile("C:\\Out\\missing.txt", "\r\n", 0), 0);
  EXPECT_FALSE(HostExists("c/Out/missing.txt"));
  ASSERT_EQ(f.OpenAFile(path_, "\n", 1), 1);
  f.AddToLine(0, "one");
  f.GoToNextLine();
  f.CloseAFile();
  ASSERT_EQ(f.OpenAFile(path_, "\n", 0), 1);
  f.AddToLine(0, "two");
  f.GoToNextLine();
  f.CloseAFile();
  EXPECT_EQ(Written(), "one\ntwo\n");
  EXPECT_EQ(f.GoToNextLine(), 0);  // closed
}

TEST_F(TextReport, ReportOutputWritesHeaderThenRows) {
  for (const char* sep : {" ", "\t", ","}) {
    CReportOutput out(nullptr, nullptr, 220, 0, 0, REPORT_OUTPUT_TEXT);
    ASSERT_EQ(out.Ok, 1);
    std::strcpy(out.Separator, sep);
    ASSERT_EQ(out.TextFile->OpenAFile(path_, "\r\n", 1), 1);
    out.HeaderUsed[0] = 1;
    std::strcpy(out.HeaderText[0], "Spectrum");
    out.HeaderUsed[1] = 1;
    out.HeaderColumn[1] = 2;
    std::strcpy(out.HeaderText[1], "sub");
    out.HeaderUsed[3] = 1;  // after a gap: the header ended at line 2
    std::strcpy(out.HeaderText[3], "never");
    out.WriteHeaderLines();
    std::strcpy(out.LineBuffer, "* Name: x");
    out.WriteLine();
    out.QuotedTextAtColumn(0, " 50.5 ");
    out.SepTextAtColumn(5, "1200");
    out.NextLine();
    EXPECT_EQ(out.EndPage(), 1);
    EXPECT_EQ(out.NewPage(), 1);
    EXPECT_FALSE(out.HasPages());
    out.TextFile->CloseAFile();
    const std::string body = std::string(sep) == " "    ? "\" 50.5 \" 1200"
                             : std::string(sep) == "\t" ? "50.5\t1200\t"
                                                        : "\"50.5\",1200,";
    EXPECT_EQ(Written(), "Spectrum\r\n  sub\r\n* Name: x\r\n" + body + "\r\n") << int(sep[0]);
  }
}

TEST_F(TextReport, ReportOutputDoublesQuotesInQuotedColumns) {
  for (const char* sep : {" ", ","}) {
    CReportOutput out(nullptr, nullptr, 220, 0, 0, REPORT_OUTPUT_TEXT);
    std::strcpy(out.Separator, sep);
    ASSERT_EQ(out.TextFile->OpenAFile(path_, "\r\n", 1), 1);
    out.QuotedTextAtColumn(0, "Vial \"B\"");
    out.NextLine();
    out.TextFile->CloseAFile();
    // A trailing blank separator goes with the line's trailing blanks.
    EXPECT_EQ(Written(), std::string("\"Vial \"\"B\"\"\"") + (sep[0] == ' ' ? "" : sep) + "\r\n") << int(sep[0]);
  }
}

TEST_F(TextReport, CancelStopsTheWritersAndOtherKindsWriteNothing) {
  CReportOutput out(nullptr, nullptr, 220, 0, 0, REPORT_OUTPUT_TEXT);
  ASSERT_EQ(out.TextFile->OpenAFile(path_, "\r\n", 1), 1);
  std::strcpy(out.LineBuffer, "kept");
  out.WriteLine();
  g_bCancelReport = 1;
  std::strcpy(out.LineBuffer, "dropped");
  out.WriteLine();
  EXPECT_EQ(out.Ok, 0);
  out.TextFile->CloseAFile();
  EXPECT_EQ(Written(), "kept\r\n");
  CReportOutput next(nullptr, nullptr, 220, 0, 0, REPORT_OUTPUT_TEXT);
  EXPECT_EQ(g_bCancelReport, 0);  // a new report clears the flag
  CReportOutput odd(nullptr, nullptr, 220, 0, 0, 5);
  EXPECT_EQ(odd.Ok, 1);
  EXPECT_EQ(odd.TextFile, nullptr);
  odd.WriteLine();
  odd.NextLine();
  EXPECT_EQ(odd.EndPage(), 1);
}
