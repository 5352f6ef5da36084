// The reports-file exports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "reportpages/msr_functions.h"
#include "ulbrec32/page_buffer.h"
#include "win/win_kernel.h"

namespace {

class MsrFunctions : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    CreateDirectoryA("C:\\TEMP", nullptr);
    CreateDirectoryA("C:\\Reports", nullptr);
    buffer_ = CreatePageBuffer();
    for (int i = 0; i < 5; ++i) {
      PAGE_BUFFER_PAGE_INFO info{};
      info.kind = int16_t(i == 3 ? 2 : 1);
      info.columns = int16_t(80 + i);
      info.lines = 60;
      info.orientation = int16_t(i % 2);
      info.fontFlag = 1;
      info.logicalWidth = 32767;
      info.logicalHeight = 20000;
      const std::string bytes = "buffered page " + std::to_string(i);
      ASSERT_TRUE(AddPageToBuffer(buffer_, &info, bytes.data(), uint32_t(bytes.size())));
    }
  }
  void TearDown() override {
    FreePageBuffer(buffer_);
    KeltRootTest::TearDown();
  }
  HPAGEBUFFER buffer_ = nullptr;
};

}  // namespace

TEST_F(MsrFunctions, HandlesAndPaths) {
  EXPECT_EQ(MSR_GetPageCount("C:\\Reports\\missing.msr"), -1);
  ASSERT_TRUE(CreateSectionFileAtPath("C:\\Reports\\data.kms", 23, 0, 1));
  EXPECT_EQ(MSR_GetPageCount("C:\\Reports\\data.kms"), -1);
  EXPECT_EQ(MSR_IsValidFile("C:\\Reports\\data.kms"), 0);

  CRptsFileHandler* h = MSR_InitRptsFileHandler("C:\\Reports\\missing.msr", "Second");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(MSR_GetFreeSlotCount(h), -1);
  EXPECT_EQ(MSR_GetCountOfPages(h), -1);
  char path[MAX_PATH] = {};
  EXPECT_EQ(MSR_GetCurrentFile(h, path), 0);
  ASSERT_EQ(MSR_MakeThisNewFile(h, "C:\\Reports\\new.msr"), 1);
  EXPECT_EQ(MSR_IsValidFile("C:\\Reports\\new.msr"), 1);
  EXPECT_EQ(MSR_GetFreeSlotCount(h), 15900);
  ASSERT_EQ(MSR_AddPageToFile(h, "abc", 3, 0, 80, 66, 0, 0, 0, 0, 0, 1, 7, "Text page"), 1);
  EXPECT_EQ(MSR_GetPageCount("C:\\Reports\\new.msr"), 1);
  // The same sections in a sectioned file of another type make no reports file.
  for (const char* name : {"MSRHeader", "MSRSlotInfo", "MSRPage0000001"})
    ASSERT_TRUE(CopySection("C:\\Reports\\new.msr", name, "C:\\Reports\\data.kms", name));
  EXPECT_EQ(MSR_GetPageCount("C:\\Reports\\data.kms"), -1);
  ASSERT_EQ(MSR_GetCurrentFile(h, path), 1);
  EXPECT_STREQ(path, "C:\\Reports\\new.msr");
  RptsPageRecord r{};
  uint32_t size = 0;
  void* page = MSR_GetPage(h, 0, &r, &size);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(page), size), "abc");
  MSR_FreePage(page);
  EXPECT_EQ(MSR_ReplacePage(h, 0, "xyz!", 4), 1);
  RptsPageRecord* range = MSR_GetSlotRange(h, 0, 0);
  ASSERT_NE(range, nullptr);
  EXPECT_STREQ(range[0].title, "Text page");
  MSR_FreeSlotRange(range);
  EXPECT_EQ(MSR_DeletePage(h, 0), 1);
  EXPECT_EQ(MSR_GetCountOfPages(h), 0);
  MSR_FreeRptsFileHandler(h);

  EXPECT_EQ(MSR_GetCountOfPages(nullptr), -1);
  EXPECT_EQ(MSR_GetFreeSlotCount(nullptr), -1);
  EXPECT_EQ(MSR_AddPageToFile(nullptr, "a", 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, ""), 0);
  MSR_FreeRptsFileHandler(nullptr);
}

TEST_F(MsrFunctions, BufferPagesKeepTheirNumbersAndLayout) {
  char path[MAX_PATH] = "C:\\Reports\\buffer.msr";
  ASSERT_EQ(MSR_AddBufferToFile(buffer_, path, 777, "Buffered", 2, 99), 1);
  CRptsFileHandler h(path, nullptr);
  ASSERT_EQ(h.GetCountOfPages(), 3);
  RptsPageRecord* r = h.GetSlotRange(0, 2);
  ASSERT_NE(r, nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(int(r[i].pageNumber), i + 3);
    EXPECT_EQ(int(r[i].columns), 82 + i);
    EXPECT_EQ(int(r[i].orientation), (i + 2) % 2);
    EXPECT_EQ(int(r[i].colorMode), i == 1 ? 0 : 1);  // text pages 0, metafile pages 1
    EXPECT_EQ(int(r[i].logicalHeight), 20000);
    EXPECT_EQ(uint32_t(r[i].dateTime), 777u);
  }
  FreeBlock(r);
  RptsPageRecord rec{};
  uint32_t size = 0;
  void* p = h.GetPage(1, &rec, &size);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(p), size), "buffered page 3");
  FreeBlock(p);

  // Appending to the same file, then into a new temporary one.
  ASSERT_EQ(MSR_AddBufferToFile(buffer_, path, 0, "Again", 0, 0), 1);
  EXPECT_EQ(MSR_GetPageCount(path), 4);
  char temp[MAX_PATH] = "";
  ASSERT_EQ(MSR_AddBufferToFile(buffer_, temp, 0, "Temporary", 0, 4), 1);
  EXPECT_EQ(std::strncmp(temp, "C:\\TEMP\\ZZZ", 11), 0) << temp;
  EXPECT_EQ(MSR_GetPageCount(temp), 5);
  char none[MAX_PATH] = "";
  EXPECT_EQ(MSR_AddBufferToFile(buffer_, none, 0, "", 5, 9), 0);  // first page beyond the buffer
  // A page put into the buffer as an allocator block is stored whole.
  void* bits = AllocBlock(6);
  std::memcpy(bits, "block!", 6);
  ASSERT_TRUE(SetBufferPage(buffer_, 5, bits, 0, 2, 0, 80, 60, 0, 1, 0, 0, 0));
  ASSERT_EQ(MSR_AddBufferToFile(buffer_, path, 0, "Block", 5, 5), 1);
  CRptsFileHandler again(path, nullptr);
  ASSERT_EQ(again.GetCountOfPages(), 5);
  void* back = again.GetPage(4, &rec, &size);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(back), size), "block!");
  FreeBlock(back);
  EXPECT_EQ(MSR_AddBufferToFile(nullptr, none, 0, "", 0, 9), 0);
}
