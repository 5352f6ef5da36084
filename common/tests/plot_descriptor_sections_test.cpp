// Descriptor sections of a data file: golden bytes, round trips, damaged
// sections, audit entries, user-descriptor saves into one file, a
// recalculation list and a folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/plot_descriptors.h"
#include "descriptor_fixture.h"
#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

class DescriptorSections : public DescriptorTest {
 protected:
  void SetUp() override {
    DescriptorTest::SetUp();
    file_ = NewDataFile("C:\\Data\\run1.kms");
  }
  static void Security(bool on) {
    WritePrivateProfileStringA("Security", "Enabled", on ? "1" : "0", GetWorkstationIniPath());
    WritePrivateProfileStringA("Security", "UserName", "analyst", GetWorkstationIniPath());
  }
  // Two descriptors: a TIC (925 bytes) and one of two scan functions.
  static STRUCT_PD_ARRAY* TwoPDs(int16_t kind) {
    return MakeArray(kind, {PD_CreateTICPD(), MakePD(PD_KIND_USER_PLOT, "A + B", {{"A", "A long", "1"},
                                                                                   {"B", "B long", "1,2"}})});
  }
  std::string file_;
};

TEST_F(DescriptorSections, GoldenBytesOfEachKind) {
  const struct {
    int16_t kind;
    const char* section;
  } kinds[] = {{2, "CalDataPDs-19"}, {4, "MethodPDs-19"}, {5, "UserPDs-19"}};
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.section);
    STRUCT_PD_ARRAY* a = TwoPDs(k.kind);
    ASSERT_TRUE(PD_WritePDArray(file_.c_str(), a, k.kind));
    const std::string want = U16(2) + U32(18) + U32(925) + U32(943) + U32(1378) + Bytes(a->pds[0], 925) +
                             Bytes(a->pds[1], 1378);
    EXPECT_EQ(SectionBytes(file_, k.section), want);
    // The head of the TIC image, byte by byte.
    const std::string image = want.substr(18, 925);
    EXPECT_EQ(image.substr(0, 6), U16(1) + std::string("TIC\0", 4));
    EXPECT_EQ(image.substr(166, 2), U16(0));
    EXPECT_EQ(image.substr(470, 2), U16(0));
    PD_FreePDArray(a);
  }
  STRUCT_PD_ARRAY* a = TwoPDs(7);
  EXPECT_FALSE(PD_WritePDArray(file_.c_str(), a, 7));
  EXPECT_EQ(PD_ReadPDArray(file_.c_str(), 7), nullptr);
  PD_FreePDArray(a);
}

TEST_F(DescriptorSections, RoundTripsOfSmallAndLargeArrays) {
  for (int n : {1, 2, 200, 201, 450}) {
    SCOPED_TRACE(n);
    auto* a = static_cast<STRUCT_PD_ARRAY*>(AllocBlock(PDArrayBytes(static_cast<uint32_t>(n))));
    a->kind = PD_KIND_USER_PLOT;
    for (int i = 0; i < n; ++i) {
      const std::string name = "plot " + std::to_string(i);
      a->pds[a->count++] = i % 3 ? MakePD(PD_KIND_USER_PLOT, name.c_str(), {{"S", "S long", "1"}})
                                 : MakePD(PD_KIND_USER_PLOT, name.c_str(), {{"A", "a", "1"}, {"B", "b", "2"}});
    }
    ASSERT_TRUE(PD_WritePDArray(file_.c_str(), a, PD_KIND_USER_PLOT));
    // A work file serves as the path.
    STRUCT_PD_ARRAY* back = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(+back->kind, PD_KIND_USER_PLOT);
    ASSERT_EQ(+back->count, n);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(PlotDescriptorSize(back->pds[i]), PlotDescriptorSize(a->pds[i]));
      ASSERT_EQ(std::memcmp(back->pds[i], a->pds[i], PlotDescriptorSize(a->pds[i])), 0) << i;
    }
    PD_FreePDArray(back);
    PD_FreePDArray(a);
  }
}

TEST_F(DescriptorSections, DirectoryOutOfOrderAndEmptySection) {
  STRUCT_PLOT_DESCRIPTOR* x = MakePD(5, "first");
  STRUCT_PLOT_DESCRIPTOR* y = MakePD(5, "second", {{"S", "S", "1"}, {"T", "T", "1"}});
  // The second image is stored first.
  const std::string section = U16(2) + U32(18 + 1378) + U32(925) + U32(18) + U32(1378) + Bytes(y, 1378) + Bytes(x, 925);
  ASSERT_TRUE(PutSectionBytes(file_, "UserPDs-19", section));
  STRUCT_PD_ARRAY* back = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(+back->count, 2);
  EXPECT_STREQ(back->pds[0]->name, "first");
  EXPECT_STREQ(back->pds[1]->name, "second");
  PD_FreePDArray(back);

  ASSERT_TRUE(PutSectionBytes(file_, "UserPDs-19", ""));
  back = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(+back->count, 0);
  PD_FreePDArray(back);
  EXPECT_EQ(PD_ReadPDArray(file_.c_str(), PD_KIND_METHOD), nullptr);  // no section
  EXPECT_EQ(PD_ReadPDArray("C:\\Data\\missing.kms", PD_KIND_USER_PLOT), nullptr);
  PD_FreePD(x);
  PD_FreePD(y);
}

// An image longer than its count needs (room another writer kept) is read
// at its stored offset; the next save keeps it.
TEST_F(DescriptorSections, LongerImagesAreReadAndKeptBySaves) {
  STRUCT_PLOT_DESCRIPTOR* x = MakePD(5, "first");
  STRUCT_PLOT_DESCRIPTOR* y = MakePD(5, "second", {{"S", "S", "1"}, {"T", "T", "1"}});
  const std::string longer = Bytes(x, 925) + std::string(16, '\x5A');
  const std::string section = U16(2) + U32(18) + U32(941) + U32(18 + 941) + U32(1378) + longer + Bytes(y, 1378);
  ASSERT_TRUE(PutSectionBytes(file_, "UserPDs-19", section));
  STRUCT_PD_ARRAY* back = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(+back->count, 2);
  EXPECT_STREQ(back->pds[0]->name, "first");
  EXPECT_STREQ(back->pds[1]->name, "second");
  EXPECT_EQ(Bytes(back->pds[1], 1378), Bytes(y, 1378));
  PD_FreePDArray(back);

  STRUCT_PLOT_DESCRIPTOR* z = MakePD(5, "third");
  ASSERT_TRUE(PD_SaveUserPD_DataFile(file_.c_str(), z));
  back = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(+back->count, 3);
  EXPECT_STREQ(back->pds[0]->name, "first");
  EXPECT_STREQ(back->pds[1]->name, "second");
  EXPECT_STREQ(back->pds[2]->name, "third");
  PD_FreePDArray(back);
  PD_FreePD(x);
  PD_FreePD(y);
  PD_FreePD(z);
}

TEST_F(DescriptorSections, DamagedSectionsReadAsNothing) {
  STRUCT_PLOT_DESCRIPTOR* pd = MakePD(5, "plot", {{"S", "S", "1"}, {"T", "T", "1"}});
  const std::string image = Bytes(pd, 1378);
  std::string wrongCount = image;
  wrongCount[470] = 5;  // claims five scan functions in 1,378 bytes
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"one byte", std::string(1, '\1')},
      {"negative count", U16(0xFFFF) + U32(10) + U32(1378) + image},
      {"count past the section", U16(900) + U32(10) + U32(1378) + image},
      {"offset past the end", U16(1) + U32(2000) + U32(1378) + image},
      {"offset inside the directory", U16(1) + U32(4) + U32(1378) + image},
      {"size past the end", U16(1) + U32(10) + U32(1379) + image},
      {"size below one descriptor", U16(1) + U32(10) + U32(900) + image},
      {"size too short for its count", U16(1) + U32(10) + U32(1378) + wrongCount},
      {"huge size", U16(1) + U32(10) + U32(0xFFFFFFF0u) + image},
      {"second entry damaged", U16(2) + U32(18) + U32(1378) + U32(0xFFFFFF00u) + U32(1378) + image},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(PutSectionBytes(file_, "MethodPDs-19", c.bytes));
    EXPECT_EQ(PD_ReadPDArray(file_.c_str(), PD_KIND_METHOD), nullptr);
    EXPECT_EQ(SectionBytes(file_, "MethodPDs-19"), c.bytes);  // nothing changed
  }
  PD_FreePD(pd);
}

TEST_F(DescriptorSections, WritingRefusesWhatItCannotWriteWhole) {
  STRUCT_PD_ARRAY* a = TwoPDs(PD_KIND_USER_PLOT);
  ASSERT_TRUE(PD_WritePDArray(file_.c_str(), a, PD_KIND_USER_PLOT));
  const std::string before = SectionBytes(file_, "UserPDs-19");
  // A descriptor whose count claims more than its block holds.
  a->pds[0]->scanFuns.count = 40;
  EXPECT_FALSE(PD_WritePDArray(file_.c_str(), a, PD_KIND_USER_PLOT));
  a->pds[0]->scanFuns.count = 0;
  STRUCT_PLOT_DESCRIPTOR* keep = a->pds[1];
  a->pds[1] = nullptr;
  EXPECT_FALSE(PD_WritePDArray(file_.c_str(), a, PD_KIND_USER_PLOT));
  a->pds[1] = keep;
  // A write-protected file keeps its section.
  ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  STRUCT_PD_ARRAY* one = MakeArray(PD_KIND_USER_PLOT, {PD_CreateTICPD()});
  EXPECT_FALSE(PD_WritePDArray(file_.c_str(), one, PD_KIND_USER_PLOT));
  EXPECT_FALSE(PD_SaveUserPD_DataFile(file_.c_str(), keep));
  EXPECT_EQ(SectionBytes(file_, "UserPDs-19"), before);
  EXPECT_FALSE(PD_WritePDArray(file_.c_str(), nullptr, PD_KIND_USER_PLOT));  // cannot remove either
  EXPECT_EQ(SectionBytes(file_, "UserPDs-19"), before);
  PD_FreePDArray(one);
  PD_FreePDArray(a);
}

TEST_F(DescriptorSections, AuditEntriesWhenSecurityIsOn) {
  STRUCT_PD_ARRAY* a = TwoPDs(PD_KIND_USER_PLOT);
  ASSERT_TRUE(PD_WritePDArray(file_.c_str(), a, PD_KIND_USER_PLOT));
  EXPECT_FALSE(AuditTrailExists(file_.c_str()));  // security off: no trail

  Security(true);
  ASSERT_TRUE(PD_WritePDArray(file_.c_str(), a, PD_KIND_USER_PLOT));
  // An empty array removes the section and is audited too.
  STRUCT_PD_ARRAY* empty = MakeArray(PD_KIND_USER_PLOT, {});
  ASSERT_TRUE(PD_WritePDArray(file_.c_str(), empty, PD_KIND_USER_PLOT));
  EXPECT_EQ(SectionBytes(file_, "UserPDs-19"), "<missing>");
  const std::string trail = SectionBytes(file_, AUDIT_TRAIL_SECTION);
  const std::string stripped = StripTimes(trail);
  const std::string head = "<time>  analyst  Created Run Audit Trail\r\n    User: analyst\r\n";
  EXPECT_EQ(stripped.substr(0, head.size()), head) << trail;
  const std::string entry = "<time>  analyst  User Plot Descriptions Changed\r\n    Section changed: UserPDs-19\r\n";
  ASSERT_GE(stripped.size(), 2 * entry.size());
  EXPECT_EQ(stripped.substr(stripped.size() - 2 * entry.size()), entry + entry) << trail;
  PD_FreePDArray(empty);
  PD_FreePDArray(a);
}

TEST_F(DescriptorSections, UserDescriptorsAddedAndDeleted) {
  STRUCT_PLOT_DESCRIPTOR* one = MakePD(5, "one");
  STRUCT_PLOT_DESCRIPTOR* two = MakePD(5, "two", {{"S", "S", "1"}});
  ASSERT_TRUE(PD_SaveUserPD_DataFile(file_.c_str(), one));
  ASSERT_TRUE(PD_SaveUserPD_DataFile(file_.c_str(), two));
  ASSERT_TRUE(PD_SaveUserPD_DataFile(file_.c_str(), one));
  STRUCT_PD_ARRAY* a = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(+a->count, 3);
  EXPECT_STREQ(a->pds[1]->name, "two");
  EXPECT_STREQ(one->name, "one");  // the caller keeps its descriptor

  PD_DeleteUserPD(a, 3, file_.c_str());  // out of range: nothing
  PD_DeleteUserPD(a, -1, file_.c_str());
  EXPECT_EQ(+a->count, 3);
  STRUCT_PLOT_DESCRIPTOR* removed = a->pds[1];
  PD_DeleteUserPD(a, 1, file_.c_str());
  EXPECT_EQ(+a->count, 2);
  EXPECT_EQ(+a->pds[2], nullptr);
  // The removed descriptor is the caller's: still whole, released here.
  EXPECT_STREQ(removed->name, "two");
  PD_FreePD(removed);
  STRUCT_PD_ARRAY* back = PD_ReadPDArray(file_.c_str(), PD_KIND_USER_PLOT);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(+back->count, 2);
  EXPECT_STREQ(back->pds[0]->name, "one");
  EXPECT_STREQ(back->pds[1]->name, "one");
  PD_FreePDArray(back);

  STRUCT_PD_ARRAY* added = PD_AddUserPD(a, PD_CopyPD(two));
  ASSERT_NE(added, a);
  EXPECT_EQ(+added->count, 3);
  EXPECT_EQ(+a->count, 2);  // the given block is unchanged
  FreeBlock(a);
  PD_FreePDArray(added);
  PD_FreePD(one);
  PD_FreePD(two);
}

// ---- Saving into many data files ------------------------------------------------

class SavingToManyFiles : public DescriptorSections {
 protected:
  static std::string MsFile(const std::string& path) {
    msfix::RunPlan plan;
    plan.scans = 60;
    plan.compounds = 2;
    EnsureFolder(path);
    EXPECT_TRUE(msfix::WriteMsDataFile(path, plan, nullptr));
    return path;
  }
  static std::string DetectorFile(const std::string& path) {
    msfix::DetectorPlan plan;
    plan.points = 100;
    EnsureFolder(path);
    EXPECT_TRUE(msfix::WriteDetectorFile(path, plan, nullptr));
    return path;
  }
  static int UserCount(const std::string& path) {
    STRUCT_PD_ARRAY* a = PD_ReadPDArray(path.c_str(), PD_KIND_USER_PLOT);
    const int n = a ? a->count : 0;
    PD_FreePDArray(a);
    return n;
  }
  // An ion trace: valid for every MS file.
  static STRUCT_PLOT_DESCRIPTOR* IonPD() {
    STRUCT_PLOT_DESCRIPTOR* pd = MakePD(PD_KIND_USER_PLOT, "XIC 91", {}, PD_TYPE_IONS);
    pd->massList.kind = MASS_LIST_RANGES;
    pd->massList.count = 1;
    pd->massList.ranges[0].low = pd->massList.ranges[0].high = 91;
    return pd;
  }
};

TEST_F(SavingToManyFiles, EveryMsFileOfTheFolderKmsAndXms) {
  const std::string a = MsFile("C:\\Runs\\a.KMS"), b = MsFile("C:\\Runs\\b.xms");
  const std::string d = DetectorFile("C:\\Runs\\fid.kms");
  MsFile("C:\\Runs\\other.dat");
  MsFile("C:\\Elsewhere\\c.kms");
  STRUCT_PLOT_DESCRIPTOR* pd = IonPD();
  EXPECT_TRUE(PD_SaveUserPD_Directory("C:\\Runs\\a.KMS", pd));
  EXPECT_EQ(UserCount(a), 1);
  EXPECT_EQ(UserCount(b), 1);
  EXPECT_EQ(UserCount(d), 0);  // not valid for a detector file
  EXPECT_EQ(UserCount("C:\\Runs\\other.dat"), 0);
  EXPECT_EQ(UserCount("C:\\Elsewhere\\c.kms"), 0);
  EXPECT_FALSE(PD_SaveUserPD_Directory("C:\\Empty\\x.kms", pd));
  PD_FreePD(pd);
}

// A write-protected run of the folder or batch keeps its descriptors; the
// others still take the new one.
TEST_F(SavingToManyFiles, WriteProtectedFilesAreSkippedUnchanged) {
  const std::string a = MsFile("C:\\Runs\\a.kms"), b = MsFile("C:\\Runs\\b.kms");
  STRUCT_PLOT_DESCRIPTOR* pd = IonPD();
  ASSERT_TRUE(PD_SaveUserPD_DataFile(a.c_str(), pd));
  const std::string before = SectionBytes(a, "UserPDs-19");
  ASSERT_TRUE(SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(PD_SaveUserPD_Directory(b.c_str(), pd));
  EXPECT_EQ(UserCount(b), 1);
  EXPECT_EQ(SectionBytes(a, "UserPDs-19"), before);

  const std::string list = NewDataFile("C:\\Runs\\batch.seq");
  HDHTABLE t = CreateRecalcList(list.c_str());
  ASSERT_NE(t, nullptr);
  DH_RECALC_LIST_ENTRY e{};
  std::strncpy(e.path, a.c_str(), sizeof e.path - 1);
  ASSERT_TRUE(AppendDHRecord(t, &e));
  CloseRecalcList(t);
  EXPECT_FALSE(PD_SaveUserPD_RecalcFile(list.c_str(), pd));  // its only file cannot take it
  EXPECT_EQ(SectionBytes(a, "UserPDs-19"), before);
  SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_NORMAL);
  PD_FreePD(pd);
}

TEST_F(SavingToManyFiles, EveryIncludedFileOfARecalculationList) {
  const std::string a = MsFile("C:\\Runs\\a.kms"), b = MsFile("C:\\Runs\\b.kms"), c = MsFile("C:\\Runs\\c.kms");
  const std::string list = NewDataFile("C:\\Runs\\batch.seq");
  HDHTABLE t = CreateRecalcList(list.c_str());
  ASSERT_NE(t, nullptr);
  for (const auto& [path, excluded] : {std::pair{a, 0}, {b, 1}, {c, 0}, {std::string("C:\\Runs\\gone.kms"), 0}}) {
    DH_RECALC_LIST_ENTRY e{};
    e.excluded = static_cast<int16_t>(excluded);
    std::strncpy(e.path, path.c_str(), sizeof e.path - 1);
    ASSERT_TRUE(AppendDHRecord(t, &e));
  }
  CloseRecalcList(t);
  STRUCT_PLOT_DESCRIPTOR* pd = IonPD();
  EXPECT_TRUE(PD_SaveUserPD_RecalcFile(list.c_str(), pd));
  EXPECT_EQ(UserCount(a), 1);
  EXPECT_EQ(UserCount(b), 0);  // excluded from the batch
  EXPECT_EQ(UserCount(c), 1);
  EXPECT_FALSE(PD_SaveUserPD_RecalcFile("C:\\Runs\\none.seq", pd));
  PD_FreePD(pd);
}

}  // namespace

namespace {

TEST_F(SavingToManyFiles, AllDescriptorsOfAFileByPathIncludeItsUserPlots) {
  const std::string a = MsFile("C:\\Runs\\a.kms");
  STRUCT_PLOT_DESCRIPTOR* pd = IonPD();
  ASSERT_TRUE(PD_SaveUserPD_DataFile(a.c_str(), pd));
  STRUCT_ALL_PDS* all = PD_ReadCreateAllPDs(a.c_str());
  ASSERT_NE(all, nullptr);
  ASSERT_NE(all->tic, nullptr);
  EXPECT_STREQ(all->tic->name, "TIC");
  EXPECT_NE(all->ignore, nullptr);
  ASSERT_NE(all->dataFile, nullptr);
  EXPECT_GT(all->dataFile->count, 0);
  ASSERT_NE(all->userPlots, nullptr);
  ASSERT_EQ(all->userPlots->count, 1);
  EXPECT_STREQ(all->userPlots->pds[0]->name, "XIC 91");
  PD_FreeAllPDs(all);
  EXPECT_EQ(PD_ReadCreateAllPDs("C:\\Runs\\missing.kms"), nullptr);
  PD_FreePD(pd);
}

}  // namespace
