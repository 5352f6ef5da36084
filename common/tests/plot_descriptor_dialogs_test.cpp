// The two descriptor dialogs driven as a user would: the scan-function
// list, and saving a user plot into the data file, its recalculation
// list's files or its folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/plot_descriptors.h"
#include "descriptor_fixture.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "startup_root_fixture.h"
#include "win/win_kernel.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

class DescriptorDialogs : public StartupRootTest {
 protected:
  void SetUp() override {
    StartupRootTest::SetUp();
    Attach();
    MsFile(file_);
  }
  static void MsFile(const std::string& path) {
    msfix::RunPlan plan;
    plan.scans = 60;
    plan.compounds = 2;
    EnsureFolder(path);
    ASSERT_TRUE(msfix::WriteMsDataFile(path, plan, nullptr));
  }
  // An ion trace: valid for every MS file.
  static STRUCT_PLOT_DESCRIPTOR* IonPD(const char* name) {
    STRUCT_PLOT_DESCRIPTOR* pd = MakePD(PD_KIND_USER_PLOT, name, {}, PD_TYPE_IONS);
    pd->massList.kind = MASS_LIST_RANGES;
    pd->massList.count = 1;
    pd->massList.ranges[0].low = pd->massList.ranges[0].high = 91;
    return pd;
  }
  int UserCount(const std::string& path) {
    STRUCT_PD_ARRAY* a = PD_ReadPDArray(path.c_str(), PD_KIND_USER_PLOT);
    const int n = a ? a->count : 0;
    if (a && n) lastName_ = a->pds[n - 1]->name;
    PD_FreePDArray(a);
    return n;
  }
  std::string file_ = "C:\\Data\\run.kms";
  std::string lastName_;
};

TEST_F(DescriptorDialogs, ScanFunctionLines) {
  STRUCT_PLOT_DESCRIPTOR* pd =
      MakePD(PD_KIND_USER_PLOT, "Full + SIM", {{"Full", "Full scan 40-400", "1,2"}, {"SIM", "SIM 91 92", "2"}});
  pd->invalid = 1;
  std::vector<std::string> lines;
  std::string name, caption, text;
  win::script::OnNextDialog([&](HWND dlg) {
    lines = win::script::ListItems(dlg, PD_IDC_SF_LIST);
    name = win::script::Text(win::script::FindById(dlg, PD_IDC_SF_NAME));
    text = win::script::Text(win::script::FindById(dlg, PD_IDC_SF_TEXT));
    caption = win::script::Text(dlg);
    win::script::PressKey(VK_ESCAPE);
  });
  PD_Dlg_ScanFunctions(pd, "Data file run.kms");
  EXPECT_EQ(caption, "Scan Functions");
  EXPECT_EQ(name, "Full + SIM");
  EXPECT_EQ(text, "Data file run.kms");
  EXPECT_EQ(lines, (std::vector<std::string>{"Scan Function: Full  INVALID", "Segments: 1,2",
                                             "Long Scan Function: Full scan 40-400", " ",
                                             "Scan Function: SIM  INVALID", "Segments: 2",
                                             "Long Scan Function: SIM 91 92", " "}));

  STRUCT_PLOT_DESCRIPTOR* detector = MakePD(PD_KIND_DETECTOR, "FID", {}, PD_TYPE_DETECTOR);
  detector->index = 2;
  STRUCT_PLOT_DESCRIPTOR* listed = MakePD(PD_KIND_USER_PLOT, "RIC");
  listed->chanList.kind = CHAN_LIST_LISTED;
  listed->chanList.count = 1;
  listed->chanList.entries[0].low = 0;
  listed->chanList.entries[0].high = 2;
  for (auto [p, want] : {std::pair{detector, "Channel = 3"}, {listed, "1-3"}}) {
    win::script::OnNextDialog([&](HWND dlg) { lines = win::script::ListItems(dlg, PD_IDC_SF_LIST); });
    PD_Dlg_ScanFunctions(p, "");
    EXPECT_EQ(lines, std::vector<std::string>{want});
  }
  // Without a descriptor the dialog ends at once and takes no script.
  PD_Dlg_ScanFunctions(nullptr, "x");
  const auto log = win::script::DialogLog();
  ASSERT_FALSE(log.empty());
  EXPECT_FALSE(log.back().scripted);
  for (auto* p : {pd, detector, listed}) PD_FreePD(p);
}

TEST_F(DescriptorDialogs, SaveUnderANewNameIntoTheDataFile) {
  bool recalcEnabled = true;
  std::string shown;
  win::script::OnNextDialog([&](HWND dlg) {
    recalcEnabled = IsWindowEnabled(win::script::FindById(dlg, PD_IDC_SAVE_RECALC));
    shown = win::script::GetField(dlg, PD_IDC_SAVE_NAME);
    win::script::SetField(dlg, PD_IDC_SAVE_NAME, "My toluene trace");
    win::script::PressKey(VK_RETURN);  // Enter alone does not close it
    EXPECT_TRUE(IsWindow(dlg));
    win::script::PressButton(dlg, PD_IDC_SAVE);
  });
  PD_Dlg_SaveUserPD(MakePD(PD_KIND_USER_PLOT, "XIC 91"), file_.c_str(), "");
  EXPECT_FALSE(recalcEnabled);  // no recalculation file to choose
  EXPECT_EQ(shown, "XIC 91");
  EXPECT_EQ(UserCount(file_), 1);
  EXPECT_EQ(lastName_, "My toluene trace");
  EXPECT_EQ(win::script::DialogLog().back().result, IDOK);

  // An emptied name field keeps the old name.
  win::script::OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, PD_IDC_SAVE_NAME, "");
    win::script::PressButton(dlg, PD_IDC_SAVE);
  });
  PD_Dlg_SaveUserPD(MakePD(PD_KIND_USER_PLOT, "Old name"), file_.c_str(), nullptr);
  EXPECT_EQ(UserCount(file_), 2);
  EXPECT_EQ(lastName_, "Old name");

  // Cancel saves nothing.
  win::script::OnNextDialog([&](HWND dlg) { win::script::PressButton(dlg, IDCANCEL); });
  PD_Dlg_SaveUserPD(MakePD(PD_KIND_USER_PLOT, "Dropped"), file_.c_str(), nullptr);
  EXPECT_EQ(UserCount(file_), 2);
  // Without a path it ends at once (the descriptor is still released).
  PD_Dlg_SaveUserPD(MakePD(PD_KIND_USER_PLOT, "No file"), "", nullptr);
  EXPECT_EQ(UserCount(file_), 2);
}

// Saving into a write-protected run closes the dialog as usual and
// leaves the run's descriptors as they were.
TEST_F(DescriptorDialogs, SaveIntoAWriteProtectedRunChangesNothing) {
  STRUCT_PLOT_DESCRIPTOR* kept = IonPD("kept");
  ASSERT_TRUE(PD_SaveUserPD_DataFile(file_.c_str(), kept));
  PD_FreePD(kept);
  const std::string before = SectionBytes(file_, "UserPDs-19");
  ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  win::script::OnNextDialog([&](HWND dlg) { win::script::PressButton(dlg, PD_IDC_SAVE); });
  PD_Dlg_SaveUserPD(IonPD("refused"), file_.c_str(), nullptr);
  EXPECT_EQ(win::script::DialogLog().back().result, IDOK);
  EXPECT_EQ(SectionBytes(file_, "UserPDs-19"), before);
  SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DescriptorDialogs, TheTwoTargetsExcludeEachOther) {
  const std::string other = "C:\\Data\\run2.kms", list = "C:\\Lists\\batch.seq";
  MsFile(other);
  EnsureFolder(list);
  CreateSectionFileAtPath(list.c_str(), 1, 0, 0);
  HDHTABLE t = CreateRecalcList(list.c_str());
  ASSERT_NE(t, nullptr);
  DH_RECALC_LIST_ENTRY e{};
  std::strcpy(e.path, other.c_str());
  ASSERT_TRUE(AppendDHRecord(t, &e));
  CloseRecalcList(t);

  // Recalculation file: only the list's data file takes it.
  win::script::OnNextDialog([&](HWND dlg) {
    EXPECT_TRUE(win::script::SetCheck(dlg, PD_IDC_SAVE_RECALC, true));
    win::script::PressButton(dlg, PD_IDC_SAVE);
  });
  PD_Dlg_SaveUserPD(IonPD("recalc"), file_.c_str(), list.c_str());
  EXPECT_EQ(UserCount(other), 1);
  EXPECT_EQ(UserCount(file_), 0);

  // "Directory" after "recalc file": only the directory stays chosen.
  bool recalcAfter = true, directoryAfter = false;
  win::script::OnNextDialog([&](HWND dlg) {
    EXPECT_TRUE(win::script::SetCheck(dlg, PD_IDC_SAVE_RECALC, true));
    EXPECT_TRUE(win::script::SetCheck(dlg, PD_IDC_SAVE_DIRECTORY, true));
    recalcAfter = win::script::IsChecked(dlg, PD_IDC_SAVE_RECALC);
    directoryAfter = win::script::IsChecked(dlg, PD_IDC_SAVE_DIRECTORY);
    win::script::PressButton(dlg, PD_IDC_SAVE);
  });
  PD_Dlg_SaveUserPD(IonPD("folder"), file_.c_str(), list.c_str());
  EXPECT_FALSE(recalcAfter);
  EXPECT_TRUE(directoryAfter);
  EXPECT_EQ(UserCount(file_), 1);
  EXPECT_EQ(lastName_, "folder");
  EXPECT_EQ(UserCount(other), 2);
  EXPECT_EQ(lastName_, "folder");
}

}  // namespace
