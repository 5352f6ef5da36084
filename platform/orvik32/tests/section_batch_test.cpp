// Section batches: staged writes seen inside, committed all at once.
#include <gtest/gtest.h>

#include <string>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "orvik32/orvik32_faults.h"
#include "testing/workstation_root.h"

namespace {

const char kFile[] = "C:\\batch.kms";

std::string Read(const char* name) {
  HSECTION s = OpenSectionReadOnly(kFile, name, nullptr);
  if (!s) return "<missing>";
  std::string out(GetSectionSize(s), '\0');
  if (!out.empty()) ReadSection(s, out.data(), uint32_t(out.size()));
  CloseSection(s);
  return out;
}

bool Write(const char* name, const std::string& bytes) {
  HSECTION s = CreateSection(kFile, name, nullptr);
  if (!s) return false;
  WriteSection(s, bytes.data(), uint32_t(bytes.size()));
  return CloseSection(s) != 0;
}

class SectionBatch : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    ASSERT_TRUE(CreateSectionFileAtPath(kFile, 790, 0, 0));
    ASSERT_TRUE(Write("A", "old a"));
    ASSERT_TRUE(Write("B", "old b"));
  }
  void TearDown() override {
    FailSectionWrites(-1, 0);
    AbortSectionBatch(kFile);
    WorkstationRootTest::TearDown();
  }
};

}  // namespace

TEST_F(SectionBatch, StagedChangesAreSeenInsideAndCommittedTogether) {
  ASSERT_TRUE(BeginSectionBatch(kFile));
  EXPECT_FALSE(BeginSectionBatch("C:\\other.kms"));  // one batch a thread
  ASSERT_TRUE(Write("A", "new a"));
  ASSERT_TRUE(Write("C", "new c"));
  ASSERT_TRUE(DeleteSection(kFile, "b"));
  EXPECT_FALSE(DeleteSection(kFile, "B"));  // gone already
  EXPECT_EQ(Read("A"), "new a");
  EXPECT_EQ(Read("B"), "<missing>");
  EXPECT_FALSE(SectionExists(kFile, "B"));
  HSECTION s = OpenSection(kFile, "C", nullptr);  // a staged section is written on
  ASSERT_NE(s, nullptr);
  SeekSection(s, 0, 2);
  WriteSection(s, "!", 1);
  ASSERT_TRUE(CloseSection(s));
  ASSERT_TRUE(CommitSectionBatch(kFile));
  EXPECT_EQ(Read("A"), "new a");
  EXPECT_EQ(Read("B"), "<missing>");
  EXPECT_EQ(Read("C"), "new c!");
}

TEST_F(SectionBatch, AFailedOrAbortedBatchWritesNothing) {
  ASSERT_TRUE(BeginSectionBatch(kFile));
  ASSERT_TRUE(Write("A", "new a"));
  ASSERT_TRUE(DeleteSection(kFile, "B"));
  AbortSectionBatch(kFile);
  EXPECT_EQ(Read("A"), "old a");
  ASSERT_TRUE(BeginSectionBatch(kFile));
  ASSERT_TRUE(Write("A", "new a"));
  ASSERT_TRUE(Write("C", "new c"));
  FailSectionWrites(0, 1);
  EXPECT_FALSE(CommitSectionBatch(kFile));
  EXPECT_EQ(Read("A"), "old a");
  EXPECT_EQ(Read("B"), "old b");
  EXPECT_EQ(Read("C"), "<missing>");
  EXPECT_FALSE(CommitSectionBatch(kFile));  // the batch is over
}

TEST_F(SectionBatch, CopiesSeeStagedSectionsAndAreStagedThemselves) {
  ASSERT_TRUE(BeginSectionBatch(kFile));
  ASSERT_TRUE(Write("S", "staged s"));
  ASSERT_TRUE(CopySection(kFile, "S", kFile, "A"));  // source only staged
  ASSERT_TRUE(CopySection(kFile, "B", kFile, "D"));  // source committed
  ASSERT_TRUE(DeleteSection(kFile, "S"));
  EXPECT_FALSE(CopySection(kFile, "S", kFile, "E"));  // deleted in the batch
  EXPECT_EQ(Read("A"), "staged s");
  AbortSectionBatch(kFile);
  EXPECT_EQ(Read("A"), "old a");  // the copies were only staged
  EXPECT_EQ(Read("D"), "<missing>");

  ASSERT_TRUE(BeginSectionBatch(kFile));
  ASSERT_TRUE(Write("S", "staged s"));
  ASSERT_TRUE(CopySection(kFile, "S", kFile, "A"));
  ASSERT_TRUE(DeleteSection(kFile, "S"));
  ASSERT_TRUE(CommitSectionBatch(kFile));
  EXPECT_EQ(Read("A"), "staged s");
  EXPECT_EQ(Read("S"), "<missing>");
}
