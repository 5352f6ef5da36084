// Spectrum lists written entry by entry and read back by the list reader:
// a new list, entries added in the list's own form, and the files that
// must be left alone.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fandor/list_entries.h"
#include "fandor/list_file_checks.h"
#include "fandor/msp_library_files.h"
#include "fandor/spectrum_list_files.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_commdlg.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

std::string ReadHost(const char* path) {
  std::ifstream in(win::paths::ToHost(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHost(const char* path, const std::string& text) {
  std::ofstream out(win::paths::ToHost(path), std::ios::binary);
  out << text;
}

void FreeList(STRUCT_LIST_SPT* l) {
  if (!l) return;
  FreeBlock(l->attached);
  FreeBlock(l);
}

// A peak's averaged spectrum as the integration window hands it over:
// precise masses, a saturated base peak, a zero-mass pair that no reader
// would take.
STRUCT_LIST_SPT* PeakEntry(const char* name, double apex) {
  const XTOL_PAIR pairs[] = {{0.0, 12, 0}, {57.0704, 48211, 0}, {71.0861, 30117, 0}, {85.1012, 16604, 0},
                             {99.1168, 4021, 0}, {113.1325, 1187, 0}, {142.1716, 4294967295u, 0}};
  STRUCT_LIST_SPT* e = NewListEntry(7);
  if (!e) return nullptr;
  std::memcpy(e->pairs, pairs, sizeof pairs);
  e->pairCount = 7;
  std::snprintf(e->name, sizeof e->name, "%s", name);
  std::snprintf(e->comment, sizeof e->comment, "ApexTime = %.3f min., Signal/Noise = 1.2e+003, Area = 4.81e+06", apex);
  LIST_ENTRY_DETAILS& d = e->details;
  std::snprintf(d.dataFile, sizeof d.dataFile, "C:\\Runs\\alkanes.kms");
  d.retentionTime = apex;
  d.firstScan = 612;
  d.lastScan = 618;
  d.firstTime = apex - 0.017;
  d.lastTime = apex + 0.017;
  d.baselineCorrected = 1;
  d.importItems = LIST_IMPORT_DATA_FILE | LIST_IMPORT_RETENTION_TIME | LIST_IMPORT_SCAN_RANGE |
                  LIST_IMPORT_TIME_RANGE | LIST_IMPORT_BASELINE;
  return e;
}

class SpectrumListFiles : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Lists"));
  }
};

TEST_F(SpectrumListFiles, ANewListAndAddedEntriesReadBack) {
  struct Case {
    const char* path;
    int16_t msp;
  } cases[] = {{"C:\\Lists\\peaks.msp", 1}, {"C:\\Lists\\peaks.msl", 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    STRUCT_LIST_SPT* first = PeakEntry("alkanes.kms  ApexTime = 7.419 min.", 7.4192);
    STRUCT_LIST_SPT* second = PeakEntry("alkanes.kms; C12 \"dodecane\"\r\nsecond line", 9.031);
    ASSERT_TRUE(CreateSpectrumListFile(k.path, k.msp, first));
    ASSERT_TRUE(AppendSpectrumToListFile(k.path, second));
    FreeList(first);
    FreeList(second);
    EXPECT_TRUE(CheckSpectrumListFile(k.path));
    EXPECT_EQ(CheckMSPFormat(k.path), k.msp ? TRUE : FALSE);
    CAccessMSPFile list(0);
    ASSERT_TRUE(list.Open(k.path));
    ASSERT_EQ(+list.CountSpectra(), 2);
    STRUCT_LIST_SPT* a = list.ReadSpectrum(0);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->name, "alkanes.kms  ApexTime = 7.419 min.");
    EXPECT_STREQ(a->comment, "ApexTime = 7.419 min., Signal/Noise = 1.2e+003, Area = 4.81e+06");
    // The zero mass is left out; masses keep four decimals.
    ASSERT_EQ(+a->pairCount, 6u);
    EXPECT_DOUBLE_EQ(+a->pairs[0].mass, 57.0704);
    EXPECT_EQ(+a->pairs[0].intensity, 48211u);
    EXPECT_DOUBLE_EQ(+a->pairs[5].mass, 142.1716);
    EXPECT_EQ(+a->pairs[5].intensity, 4294967295u);
    EXPECT_STREQ(a->details.dataFile, "C:\\Runs\\alkanes.kms");
    EXPECT_NEAR(a->details.retentionTime, 7.4192, 5e-4);
    EXPECT_EQ(+a->details.firstScan, 612);
    EXPECT_EQ(+a->details.lastScan, 618);
    EXPECT_NEAR(a->details.lastTime, 7.4362, 1e-3);
    EXPECT_EQ(+a->details.baselineCorrected, 1);
    FreeList(a);
    // Line breaks in a name stay inside its one line.
    STRUCT_LIST_SPT* b = list.ReadSpectrum(1);
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->name, "alkanes.kms; C12 \"dodecane\"  second line");
    EXPECT_NEAR(b->details.retentionTime, 9.031, 5e-4);
    EXPECT_EQ(+b->pairCount, 6u);
    FreeList(b);
  }
}

TEST_F(SpectrumListFiles, FilesThatAreNoListOrEntriesWithoutANameAreLeftAlone) {
  STRUCT_LIST_SPT* entry = PeakEntry("peak 1", 5.0);
  STRUCT_LIST_SPT* unnamed = PeakEntry("", 5.0);
  // A text that is no spectrum list.
  const std::string notes = "Plot 1\r\n\"Retention Time (min.)\",\"Area\"\r\n";
  WriteHost("C:\\Lists\\notes.csv", notes);
  EXPECT_FALSE(AppendSpectrumToListFile("C:\\Lists\\notes.csv", entry));
  EXPECT_EQ(ReadHost("C:\\Lists\\notes.csv"), notes);
  // A missing file is not made by adding to it.
  EXPECT_FALSE(AppendSpectrumToListFile("C:\\Lists\\missing.msp", entry));
  EXPECT_FALSE(std::filesystem::exists(win::paths::ToHost("C:\\Lists\\missing.msp")));
  // An entry without a name neither makes nor changes a list.
  ASSERT_TRUE(CreateSpectrumListFile("C:\\Lists\\one.msp", 1, entry));
  const std::string one = ReadHost("C:\\Lists\\one.msp");
  EXPECT_FALSE(CreateSpectrumListFile("C:\\Lists\\one.msp", 1, unnamed));
  EXPECT_FALSE(AppendSpectrumToListFile("C:\\Lists\\one.msp", unnamed));
  EXPECT_EQ(ReadHost("C:\\Lists\\one.msp"), one);
  // An empty file takes the entry as the first of a list.
  WriteHost("C:\\Lists\\empty.msp", "\r\n");
  ASSERT_TRUE(AppendSpectrumToListFile("C:\\Lists\\empty.msp", entry));
  EXPECT_EQ(ReadHost("C:\\Lists\\empty.msp"), one);
  FreeList(entry);
  FreeList(unnamed);
}

TEST_F(SpectrumListFiles, TheChooserTellsTheListsForm) {
  STRUCT_LIST_SPT* entry = PeakEntry("peak 1", 5.0);
  ASSERT_TRUE(CreateSpectrumListFile("C:\\Lists\\library.msl", 0, entry));
  FreeList(entry);
  char path[MAX_PATH] = "C:\\Lists\\";
  int16_t form = 7;
  win::script::OnNextDialog([&](HWND d) {
    win::script::SetField(d, edt1, "library.msl");
    win::script::PressButton(d, IDOK);
  });
  ASSERT_TRUE(SelectSpectrumListFile(nullptr, path, 0, 0, 1, 1, &form));
  EXPECT_EQ(form, 0);
  EXPECT_NE(std::string(path).find("library.msl"), std::string::npos) << path;
  win::script::OnNextDialog([&](HWND d) { win::script::PressButton(d, IDCANCEL); });
  EXPECT_FALSE(SelectSpectrumListFile(nullptr, path, 0, 0, 1, 1, &form));
}

}  // namespace
