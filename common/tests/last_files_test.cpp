// The last-used-files record: read at load with vanished files dropped,
// written at unload, recent-file lists.
#include <cstring>
#include <string>

#include "common/last_files.h"
#include "common/tests/startup_root_fixture.h"
#include "win/win_profile.h"

namespace {

constexpr const char* kIni = "C:\\Workstation\\tolview4.ini";

class LastFilesTest : public StartupRootTest {
 protected:
  std::string File(const std::string& name) {
    const std::string path = "C:\\Data\\" + name;
    WriteText(path, "x");
    return path;
  }
  static void Put(char* field, const std::string& path) { std::strcpy(field, path.c_str()); }
};

TEST_F(LastFilesTest, NoStoredBlockStartsEmptyAndTheUnloadWritesAFullOne) {
  Attach();
  STRUCT_LAST_FILES empty{};
  EXPECT_EQ(std::memcmp(KELT_GetKeltLastFiles(), &empty, sizeof empty), 0);
  const std::string a = File("a.rpt");
  KELT_AddLastFile(a.c_str());
  kelt::lib::ProcessDetach();
  STRUCT_LAST_FILES stored{};
  ASSERT_TRUE(GetPrivateProfileStructA("TolLastFiles", "Params", &stored, sizeof stored, kIni));
  EXPECT_EQ(std::string(stored.reportsFiles[0]), a);
}

TEST_F(LastFilesTest, VanishedFilesAreDroppedAndListsPacked) {
  STRUCT_LAST_FILES block{};
  const std::string b = File("b.rpt"), d = File("d.rpt"), m = File("m.mth");
  Put(block.reportsFiles[0], "C:\\Data\\gone1.rpt");
  Put(block.reportsFiles[1], b);
  Put(block.reportsFiles[2], "C:\\Data\\gone2.rpt");
  Put(block.reportsFiles[3], d);
  Put(block.methodFile, m);
  Put(block.textFile, "C:\\Data\\gone.txt");
  std::memset(block.wmfFile, 'x', sizeof block.wmfFile);  // no terminator at all
  ASSERT_TRUE(WritePrivateProfileStructA("TolLastFiles", "Params", &block, sizeof block, kIni));
  Attach();
  const STRUCT_LAST_FILES* f = KELT_GetKeltLastFiles();
  EXPECT_EQ(std::string(f->reportsFiles[0]), b);
  EXPECT_EQ(std::string(f->reportsFiles[1]), d);
  EXPECT_EQ(f->reportsFiles[2][0], 0);
  EXPECT_EQ(std::string(f->methodFile), m);
  EXPECT_EQ(f->textFile[0], 0);
  EXPECT_EQ(f->wmfFile[0], 0);
}

TEST_F(LastFilesTest, AStoredValueOfAnotherSizeIsIgnored) {
  char small[100] = {'C', ':'};
  ASSERT_TRUE(WritePrivateProfileStructA("TolLastFiles", "Params", small, sizeof small, kIni));
  Attach();
  STRUCT_LAST_FILES empty{};
  EXPECT_EQ(std::memcmp(KELT_GetKeltLastFiles(), &empty, sizeof empty), 0);
}

TEST_F(LastFilesTest, AddingMovesAPathToTheTop) {
  Attach();
  std::string paths[9];
  for (int i = 0; i < 9; ++i) paths[i] = File("f" + std::to_string(i) + ".msp");
  for (int i = 7; i >= 0; --i) KELT_AddLastMSPFile(paths[i].c_str());  // f0 on top ... f7
  const STRUCT_LAST_FILES* f = KELT_GetKeltLastFiles();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(std::string(f->mspFiles[i]), paths[i]);

  // The same path as entry 3 in other letter case: new form on top, no copy.
  std::string upper = paths[3];
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  KELT_AddLastMSPFile(upper.c_str());
  EXPECT_EQ(std::string(f->mspFiles[0]), upper);
  EXPECT_EQ(std::string(f->mspFiles[1]), paths[0]);
  EXPECT_EQ(std::string(f->mspFiles[3]), paths[2]);
  EXPECT_EQ(std::string(f->mspFiles[4]), paths[4]);
  EXPECT_EQ(std::string(f->mspFiles[7]), paths[7]);

  // An entry that moves up or drops out leaves nothing of itself past the
  // end of a shorter path, in the record as stored.
  const std::string longer = File("a-much-longer-name-than-the-others.msp");
  KELT_AddLastMSPFile(longer.c_str());
  KELT_AddLastMSPFile(upper.c_str());
  EXPECT_EQ(std::string(f->mspFiles[0]), upper);
  EXPECT_EQ(std::string(f->mspFiles[1]), longer);
  for (int i = 0; i < 8; ++i) {
    const size_t end = std::strlen(f->mspFiles[i]);
    EXPECT_EQ(std::string(f->mspFiles[i] + end, 260 - end), std::string(260 - end, '\0')) << i;
  }
  // The list as it was, the longer name dropped out again.
  for (int i : {7, 6, 5, 4, 2, 1, 0}) KELT_AddLastMSPFile(paths[i].c_str());
  KELT_AddLastMSPFile(upper.c_str());

  // A full list drops its oldest entry.
  KELT_AddLastMSPFile(paths[8].c_str());
  EXPECT_EQ(std::string(f->mspFiles[0]), paths[8]);
  EXPECT_EQ(std::string(f->mspFiles[7]), paths[6]);

  // A missing file changes nothing; nor do absurd paths.
  STRUCT_LAST_FILES before = *f;
  KELT_AddLastMSPFile("C:\\Data\\missing.msp");
  KELT_AddLastMSPFile(nullptr);
  KELT_AddLastMSPFile(std::string(400, 'a').c_str());
  EXPECT_EQ(std::memcmp(&before, f, sizeof before), 0);
  // The other lists are untouched.
  EXPECT_EQ(f->reportsFiles[0][0], 0);
  EXPECT_EQ(f->mslFiles[0][0], 0);
  EXPECT_EQ(f->libraryFiles[0][0], 0);
}

TEST_F(LastFilesTest, ListsSurviveAnUnloadAndTheNextLoad) {
  Attach();
  const std::string lib = File("main.lib"), msl = File("x.msl");
  KELT_AddLastLibraryFile(lib.c_str());
  KELT_AddLastMSLFile(msl.c_str());
  kelt::lib::ProcessDetach();
  Attach();
  EXPECT_EQ(std::string(KELT_GetKeltLastFiles()->libraryFiles[0]), lib);
  EXPECT_EQ(std::string(KELT_GetKeltLastFiles()->mslFiles[0]), msl);
}

}  // namespace
