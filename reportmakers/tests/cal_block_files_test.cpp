// The calibration block as a separated text file: what a spreadsheet reads
// of it (one header row, the same fields on every row, quotes doubled),
// the separator from the format or the chosen extension, the save-as
// dialog's proposal, and the failures.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "reportmakers/cal_block_report_files.h"
#include "reportmakers/summary_report.h"
#include "testing/workstation_root.h"
#include "win/win_commdlg.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace r = kelt::reports;

constexpr char kMethod[] = "C:\\Data\\Pesticides.mth";
constexpr uint16_t kModule = 5, kAddress = 1;

std::string ReadHost(const char* path) {
  std::ifstream in(win::paths::ToHost(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Rows(const std::string& text) {
  std::vector<std::string> rows;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      rows.push_back(text.substr(at));
      break;
    }
    rows.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return rows;
}

// A method of three compounds: one with two levels (a short one and a full
// one), one whose name holds quotes and the separator, one never calibrated.
class CalBlockFiles : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Data"));
    ASSERT_TRUE(CreateSectionFileAtPath(kMethod, SECTION_FILE_TYPE_METHOD, 0, 1));
    HDHTABLE t = CreateCompoundTable(kMethod, kModule, kAddress, "1");
    ASSERT_NE(t, nullptr);
    STRUCT_DH_COMPOUND a{}, b{}, c{};
    std::strcpy(a.name, "Atrazine");
    a.coefficients[0] = -12.5f;
    a.coefficients[1] = 4187.25f;
    a.levels[0] = {2.0f, 0x3, 2, {8361.0f, 8402.5f}, {}};
    a.levels[2] = {40.0f, 0x3FF, 10, {167001, 167220, 166980, 167310, 166870, 167150, 167090, 166940, 167205, 167020},
                   {}};
    std::strcpy(b.name, "2,4-D \"acid\"");
    b.coefficients[1] = 1.5e-3f;
    b.coefficients[2] = 2.0e-7f;
    b.levels[0] = {10.0f, 0x1, 1, {15.25f}, {}};
    std::strcpy(c.name, "Simazine");
    for (const STRUCT_DH_COMPOUND* x : {&a, &b, &c}) ASSERT_TRUE(AppendDHRecord(t, x));
    CloseSection(static_cast<HSECTION>(t));
    ASSERT_TRUE(BuildDHSectionName(section_, "MSReportFormat2", kModule, kAddress, "1"));
  }
  void SetOutputFormat(int16_t kind) {
    std::vector<uint8_t> f(sizeof(STRUCT_REPORT_FORMAT), 0);
    ASSERT_TRUE(ResetReportFormat(f.data()));
    std::memcpy(f.data() + 24, &kind, 2);
    ASSERT_TRUE(WriteReportFormat(kMethod, section_, f.data()));
  }
  char section_[64] = {};
};

TEST_F(CalBlockFiles, OneHeaderRowAndTheSameFieldsOnEveryRow) {
  SetOutputFormat(0);
  char out[MAX_PATH] = "C:\\Data\\block.csv";
  ASSERT_EQ(RPTS_MakeCalBlockReportsASCIIFile(kMethod, section_, kMethod, out), 1);
  const std::vector<std::string> rows = Rows(ReadHost(out));
  // Header, two levels of the first compound, one of the second, the third alone.
  ASSERT_EQ(rows.size(), 5u) << ReadHost(out);
  EXPECT_EQ(rows[0].rfind("\"Method\",\"No.\",\"Compound\",\"Fit\",\"Equation\",\"Coefficient 0\"", 0), 0u) << rows[0];
  const int fields = r::CountSeparatedFields(rows[0].data(), rows[0].size(), ',');
  EXPECT_EQ(fields, 22);
  for (const std::string& row : rows) EXPECT_EQ(r::CountSeparatedFields(row.data(), row.size(), ','), fields) << row;
  EXPECT_NE(rows[1].find(",1,\"Atrazine\",\"Linear\","), std::string::npos) << rows[1];
  EXPECT_NE(rows[1].find(",-12.5,4187.25,0,0,1,2,2,8361,8402.5,\"\","), std::string::npos) << rows[1];
  EXPECT_NE(rows[2].find(",3,40,10,167001,167220,"), std::string::npos) << rows[2];
  EXPECT_NE(rows[2].find(",167020"), std::string::npos) << rows[2];
  // The name's quotes are doubled; its comma stays inside the field.
  EXPECT_NE(rows[3].find(",2,\"2,4-D \"\"acid\"\"\","), std::string::npos) << rows[3];
  // Never calibrated: the level fields are empty.
  EXPECT_NE(rows[4].find(",3,\"Simazine\","), std::string::npos) << rows[4];
  EXPECT_EQ(rows[4].substr(rows[4].size() - 5), "\"\",\"\"") << rows[4];
}

TEST_F(CalBlockFiles, TheSeparatorFollowsTheFormatOrTheChosenExtension) {
  struct Case {
    int16_t format;
    const char* typed;  // chosen in the save-as dialog, or given when it has no folder
    const char* proposed;
    char separator;
  } cases[] = {
      {1, "C:\\Data\\tabbed.out", "", '\t'},
      {2, "C:\\Data\\blank.out", "", ' '},
      // Asked: the kind follows the format, the typed extension wins.
      {2, "C:\\Data\\chosen.TXT", "Pesticides-MS-CBK.prn", '\t'},
      {1, "C:\\Data\\chosen.csv", "Pesticides-MS-CBK.txt", ','},
      {0, "C:\\Data\\chosen.PRN", "Pesticides-MS-CBK.csv", ' '},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.typed);
    SetOutputFormat(k.format);
    char out[MAX_PATH] = {};
    std::string shown;
    if (k.proposed[0]) {
      win::script::OnNextDialog([&](HWND d) {
        shown = win::script::GetField(d, edt1);
        win::script::SetField(d, edt1, k.typed);
        win::script::PressButton(d, IDOK);
      });
    } else {
      std::snprintf(out, sizeof out, "%s", k.typed);
    }
    ASSERT_EQ(RPTS_Ex_MakeCalBlockReportsASCIIFile(kMethod, section_, kMethod, out, nullptr), 1);
    EXPECT_EQ(_stricmp(out, k.typed), 0) << out;
    EXPECT_EQ(shown, k.proposed);
    const std::vector<std::string> rows = Rows(ReadHost(out));
    ASSERT_EQ(rows.size(), 5u);
    const int fields = r::CountSeparatedFields(rows[0].data(), rows[0].size(), k.separator);
    EXPECT_EQ(fields, 22);
    for (const std::string& row : rows) EXPECT_EQ(r::CountSeparatedFields(row.data(), row.size(), k.separator), fields);
  }
}

TEST_F(CalBlockFiles, CancelAndBadInputWriteNothing) {
  SetOutputFormat(0);
  // A display name proposes its own name.
  char out[MAX_PATH] = {};
  std::string shown;
  win::script::OnNextDialog([&](HWND d) {
    shown = win::script::GetField(d, edt1);
    win::script::PressButton(d, IDCANCEL);
  });
  EXPECT_EQ(RPTS_Ex_MakeCalBlockReportsASCIIFile(kMethod, section_, kMethod, out, "C:\\Data\\Batch 7.mth"), 0);
  EXPECT_EQ(shown, "Batch 7-MS-CBK.csv");
  EXPECT_EQ(out[0], 0);
  // No module in the section name, or no method in the file: nothing.
  std::snprintf(out, sizeof out, "C:\\Data\\none.csv");
  EXPECT_EQ(RPTS_MakeCalBlockReportsASCIIFile(kMethod, "MSReportFormat2", kMethod, out), 0);
  EXPECT_EQ(RPTS_MakeCalBlockReportsASCIIFile(kMethod, section_, "C:\\Data\\missing.mth", out), 0);
  EXPECT_FALSE(std::filesystem::exists(win::paths::ToHost(out)));
  // A file that cannot be replaced keeps what it held.
  std::snprintf(out, sizeof out, "C:\\Data\\kept.csv");
  ASSERT_EQ(RPTS_MakeCalBlockReportsASCIIFile(kMethod, section_, kMethod, out), 1);
  const std::string before = ReadHost(out);
  std::filesystem::create_directories(win::paths::ToHost("C:\\Data\\kept.csv.new\\x"));
  EXPECT_EQ(RPTS_MakeCalBlockReportsASCIIFile(kMethod, section_, kMethod, out), 0);
  EXPECT_EQ(ReadHost(out), before);
}

}  // namespace
