// The data-file information dialog, its log browser and the short summary
// dialog, driven as a user would on generated runs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "common/work_file.h"
#include "dialogs/data_file_info_dialog.h"
#include "dialogs/data_file_summary_dialog.h"
#include "dialogs/log_section_browser.h"
#include "msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_commctrl.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

namespace ws = win::script;

struct WorkFileDeleter {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};
using WorkFilePtr = std::unique_ptr<STRUCT_WORK_FILE, WorkFileDeleter>;

// Labels of the tree, depth-first, indented by two blanks a level.
std::vector<std::string> TreeLabels(HWND tree) {
  std::vector<std::string> out;
  struct Walk {
    HWND tree;
    std::vector<std::string>* out;
    void Run(HTREEITEM item, int depth) {
      for (; item; item = reinterpret_cast<HTREEITEM>(
                       SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        char text[128] = {};
        TVITEMA data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
        out->push_back(std::string(static_cast<size_t>(2 * depth), ' ') + text);
        Run(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))),
            depth + 1);
      }
    }
  } walk{tree, &out};
  walk.Run(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
  return out;
}

// Selects the top-level item with this label as a click would.
bool SelectTreeItem(HWND tree, const std::string& label) {
  for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
       item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    char text[128] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    if (label == text) {
      SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
      ws::PumpUntilIdle();
      return true;
    }
  }
  return false;
}

class DataFileInfoTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Runs"));
  }
  void TearDown() override {
    ws::ResetLogs();
    KeltRootTest::TearDown();
  }
  static void WriteRun(const char* path, uint32_t seed, bool profile = false) {
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.scans = 120;
    plan.profile = profile;
    plan.sampleName = "Run " + std::to_string(seed);
    ASSERT_TRUE(msfix::WriteMsDataFile(win::paths::ToHost(path), plan, nullptr));
  }
  static void WriteProcessed(const char* path) {
    msfix::DHPlan plan;
    msfix::DHTruth truth;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(win::paths::ToHost(path), win::paths::ToHost("C:\\Runs\\quant.mth"),
                                              plan, &truth));
  }
};

TEST_F(DataFileInfoTest, LogCountsHeadingAndBodyLines) {
  const std::string banner(20, '*');
  const std::string text = banner + "\r\nHeading\r\n" + banner + "\r\nbody 1\r\nbody 2\n\rlast";
  uint16_t heading = 0, body = 0;
  uint32_t offset = 0;
  kelt::dlg::CountLogLines(text.data(), static_cast<uint32_t>(text.size()), true, &heading, &body, &offset);
  EXPECT_EQ(heading, 3);
  EXPECT_EQ(body, 3);  // a last line without line end counts
  EXPECT_EQ(text.substr(offset, 6), "body 1");
  kelt::dlg::CountLogLines(text.data(), static_cast<uint32_t>(text.size()), false, &heading, &body, &offset);
  EXPECT_EQ(heading, 0);
  EXPECT_EQ(body, 6);
  EXPECT_EQ(offset, 0u);
  // A lone CR or LF does not end a line.
  kelt::dlg::CountLogLines("a\nb\rc", 5, false, &heading, &body, &offset);
  EXPECT_EQ(body, 1);
}

TEST_F(DataFileInfoTest, ErrorLogGroupsNeverReadPastTheirRoom) {
  STRUCT_DH_ERROR_LOG record{};
  record.lists[0].count = 2;
  record.lists[0].ids[0] = 101;
  record.lists[0].ids[1] = 102;
  record.lists[1].count = 900;  // damaged: more than a group holds
  for (int i = 0; i < 50; ++i) record.lists[1].ids[i] = static_cast<uint16_t>(200 + i);
  record.lists[2].count = -4;
  const auto ids = kelt::dlg::ErrorLogIds(record);
  ASSERT_EQ(ids.size(), 52u);
  EXPECT_EQ(ids[0], 101);
  EXPECT_EQ(ids[2], 200);
  EXPECT_EQ(ids.back(), 249);
}

TEST_F(DataFileInfoTest, LogInMemoryGivesTheTextAndItsCounts) {
  WriteProcessed("C:\\Runs\\processed.kms");
  WorkFilePtr wf(MakeWorkFileStruct("C:\\Runs\\processed.kms", 0));
  ASSERT_TRUE(wf);
  KELT_DataFileLogOptions options{};
  options.headings = 1;
  options.revisionLog = 1;
  options.segments = 1;
  uint16_t heading = 9, body = 9;
  uint32_t offset = 9, size = 9;
  char* block = KELT_GetDataFileLogInMemory(wf.get(), &options, &heading, &body, &offset, &size);
  ASSERT_NE(block, nullptr);
  EXPECT_GT(size, 0u);
  EXPECT_GT(body, 0);
  EXPECT_GT(heading, 0);
  EXPECT_LE(offset, size);
  FreeBlock(block);
  // Without a file there is nothing, and the outputs say so.
  EXPECT_EQ(KELT_GetDataFileLogInMemory(nullptr, &options, &heading, &body, &offset, &size), nullptr);
  EXPECT_EQ(heading, 0);
  EXPECT_EQ(size, 0u);
}

TEST_F(DataFileInfoTest, ProcessedRunShowsItsSummaryLogsAndExportsTheShownSection) {
  WriteProcessed("C:\\Runs\\processed.kms");
  WorkFilePtr wf(MakeWorkFileStruct("C:\\Runs\\processed.kms", 0));
  ASSERT_TRUE(wf);
  CDataFileInfoDlg dlg;
  ASSERT_TRUE(dlg.Prepare(nullptr));
  dlg.m_pGivenWorkFile = wf.get();
  std::string title, file, identified, massType;
  std::vector<std::string> tree, notes, segmentPrompt;
  bool printEnabled = false, printOnPrompt = true;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    title = ws::Text(d);
    file = ws::GetField(d, IDC_DFI_FILE);
    identified = ws::GetField(d, IDC_DFI_IDENTIFIED);
    massType = ws::GetField(d, IDC_DFI_MASS_TYPE);
    tree = TreeLabels(GetDlgItem(d, IDC_DFI_TREE));
    EXPECT_TRUE(SelectTreeItem(GetDlgItem(d, IDC_DFI_TREE), "Notes"));
    notes = dlg.TextLines();
    printEnabled = IsWindowEnabled(GetDlgItem(d, IDC_DFI_PRINT));
    EXPECT_TRUE(dlg.ExportTo("C:\\Runs\\processed-LOG.txt"));
    EXPECT_TRUE(SelectTreeItem(GetDlgItem(d, IDC_DFI_TREE), "Segments"));
    segmentPrompt = dlg.TextLines();
    printOnPrompt = IsWindowEnabled(GetDlgItem(d, IDC_DFI_PRINT)) != 0;
    ws::PressButton(d, IDOK);
  });
  dlg.DoModal();
  EXPECT_EQ(title, std::string("Data File Information - ") + wf->displayName);
  EXPECT_EQ(file, "c:\\runs\\processed.kms");
  EXPECT_EQ(massType, "CENTROID");
  EXPECT_FALSE(identified.empty());  // the counts, or "N/A" where the engine cannot read them
  ASSERT_FALSE(tree.empty());
  EXPECT_EQ(tree[0], "Notes");
  bool hasRevision = false;
  for (const auto& t : tree) hasRevision = hasRevision || t == "Revision Log";
  EXPECT_TRUE(hasRevision);
  ASSERT_FALSE(notes.empty());
  EXPECT_NE(notes[0], "No Log");
  EXPECT_TRUE(printEnabled);
  EXPECT_EQ(segmentPrompt, std::vector<std::string>{"Select Segment"});
  EXPECT_FALSE(printOnPrompt);
  // The export: the lines as shown, CR LF after each and a last empty line.
  std::ifstream in(win::paths::ToHost("C:\\Runs\\processed-LOG.txt"), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::string expected;
  for (const auto& l : notes) expected += l + "\r\n";
  expected += "\r\n";
  EXPECT_EQ(bytes.str(), expected);
}

TEST_F(DataFileInfoTest, RunLogSectionsShowTheirLinesForAnyModuleType) {
  WriteProcessed("C:\\Runs\\processed.kms");
  WorkFilePtr wf(MakeWorkFileStruct("C:\\Runs\\processed.kms", 0));
  ASSERT_TRUE(wf);
  // A mass spectrometer whose log is the sectioned run log (not the
  // acquisition log of type 23), and not of type 61.
  wf->fileType = 20;
  wf->type61 = 0;
  CDataFileInfoDlg dlg;
  ASSERT_TRUE(dlg.Prepare(nullptr));
  dlg.m_pGivenWorkFile = wf.get();
  std::vector<std::string> tree, general;
  bool real = false;
  ws::OnNextDialog([&](HWND d) {
    tree = TreeLabels(GetDlgItem(d, IDC_DFI_TREE));
    dlg.Browser().ShowSection(LOGCODE_RUN_LOG_SECTION(0));
    general = dlg.TextLines();
    real = dlg.Browser().TextIsReal();
    ws::PressButton(d, IDOK);
  });
  dlg.DoModal();
  bool runLog = false;
  for (const auto& t : tree) runLog = runLog || t.find("Run Log") != std::string::npos;
  EXPECT_TRUE(runLog);
  ASSERT_GT(general.size(), 1u);
  EXPECT_EQ(general[0], "************ General Information ************");
  EXPECT_TRUE(real);
}

TEST_F(DataFileInfoTest, FilesOfTheFolderAreSteppedInNameOrderSkippingOnesThatDoNotOpen) {
  WriteRun("C:\\Runs\\b.KMS", 3);
  WriteRun("C:\\Runs\\a.XMS", 4);
  std::ofstream(win::paths::ToHost("C:\\Runs\\c.kms")) << "not a data file";
  WorkFilePtr wf(MakeWorkFileStruct("C:\\Runs\\b.KMS", 0));
  ASSERT_TRUE(wf);
  CDataFileInfoDlg dlg;
  ASSERT_TRUE(dlg.Prepare(nullptr));
  dlg.m_pGivenWorkFile = wf.get();
  struct Seen {
    int index;
    bool previous, next;
    std::string file;
  };
  std::vector<Seen> seen;
  ws::OnNextDialog([&](HWND d) {
    auto look = [&] {
      seen.push_back({dlg.CurrentIndex(), IsWindowEnabled(GetDlgItem(d, IDC_DFI_PREVIOUS)) != 0,
                      IsWindowEnabled(GetDlgItem(d, IDC_DFI_NEXT)) != 0, ws::GetField(d, IDC_DFI_FILE)});
    };
    look();
    ws::PressButton(d, IDC_DFI_NEXT);  // c.kms cannot be opened: stepped over, nothing beyond
    look();
    ws::PressButton(d, IDC_DFI_PREVIOUS);
    look();
    ws::PressButton(d, IDC_DFI_NEXT);  // back to the caller's own record
    look();
    ws::PressButton(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.FileCount(), 3);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].index, 1);
  EXPECT_TRUE(seen[0].previous);
  EXPECT_TRUE(seen[0].next);
  EXPECT_EQ(seen[1].index, 1);  // still open, still on b
  EXPECT_EQ(seen[1].file, "c:\\runs\\b.kms");
  EXPECT_EQ(seen[2].index, 0);
  EXPECT_FALSE(seen[2].previous);
  EXPECT_EQ(seen[2].file, "c:\\runs\\a.xms");
  EXPECT_EQ(seen[3].index, 1);
  EXPECT_EQ(seen[3].file, "c:\\runs\\b.kms");
}

TEST_F(DataFileInfoTest, SummaryDialogNamesTheDataKindAndCountsResults) {
  WriteRun("C:\\Runs\\profile.kms", 5, true);
  WriteProcessed("C:\\Runs\\processed.kms");
  struct Case {
    const char* path;
    const char* typeTail;
    const char* identified;
  } cases[] = {{"C:\\Runs\\profile.kms", " PROFILE", ""}, {"C:\\Runs\\processed.kms", " CENTROID", nullptr}};
  for (const Case& c : cases) {
    WorkFilePtr wf(MakeWorkFileStruct(c.path, 0));
    ASSERT_TRUE(wf);
    std::string type, identified, sampleLabel;
    ws::OnNextDialog([&](HWND d) {
      EXPECT_EQ(ws::Text(d), "Data File Information");
      type = ws::GetField(d, 3521);
      identified = ws::GetField(d, 6134);
      sampleLabel = ws::GetField(d, 3504);
      ws::PressKey(VK_ESCAPE);
    });
    Dlg_ShowDataFileInfo(wf.get());
    EXPECT_GE(type.size(), std::strlen(c.typeTail));
    EXPECT_EQ(type.substr(type.size() - std::strlen(c.typeTail)), c.typeTail) << c.path;
    EXPECT_EQ(sampleLabel, "Sample:");
    if (c.identified) EXPECT_EQ(identified, c.identified);
    else EXPECT_FALSE(identified.empty());
  }
}

}  // namespace
