// LZ compression round trips and copies through LZ handles.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "testing/workstation_root.h"
#include "win/win_kernel.h"
#include "win/win_lz.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(LzCodec, RoundTripsAndShrinksRepetitiveData) {
  std::mt19937 rng(7);
  std::vector<uint8_t> noise(5000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  std::string text;
  for (int i = 0; i < 300; ++i) text += "Peak " + std::to_string(i % 17) + " area 1.2e+003;   ";
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
  } cases[] = {
      {"empty", {}},
      {"one byte", Bytes("x")},
      {"blanks the window starts with", Bytes(std::string(40, ' '))},
      {"a run longer than a match", Bytes(std::string(100, 'a'))},
      {"text", Bytes(text)},
      {"noise", noise},
  };
  for (const Case& c : cases) {
    const auto packed = win::lz::Compress(c.data, 'l');
    ASSERT_TRUE(win::lz::IsCompressed(packed)) << c.what;
    EXPECT_EQ(packed[9], 'l');
    std::vector<uint8_t> back;
    ASSERT_TRUE(win::lz::Expand(packed, &back)) << c.what;
    EXPECT_EQ(back, c.data) << c.what;
  }
  EXPECT_LT(win::lz::Compress(Bytes(text)).size(), text.size() / 3);
}

TEST(LzCodec, DamagedStreamsAreRefused) {
  auto packed = win::lz::Compress(Bytes(std::string(64, 'q') + "tail"));
  std::vector<uint8_t> out;
  auto cut = packed;
  cut.resize(cut.size() - 3);
  EXPECT_FALSE(win::lz::Expand(cut, &out));
  auto longer = packed;
  longer[10] += 1;  // the header promises a byte more than the data holds
  EXPECT_FALSE(win::lz::Expand(longer, &out));
  auto huge = packed;
  huge[13] = 0x7F;
  EXPECT_FALSE(win::lz::Expand(huge, &out));
  // A header that promises 255 MB of a few bytes of data costs no 255 MB:
  // the output grows as the data arrives.
  auto promise = packed;
  promise[10] = promise[11] = promise[12] = 0xFF;
  promise[13] = 0x0F;
  std::vector<uint8_t> grown;
  EXPECT_FALSE(win::lz::Expand(promise, &grown));
  EXPECT_LT(grown.capacity(), size_t(1) << 16);
}

using LzFileTest = WorkstationRootTest;

TEST_F(LzFileTest, CopyExpandsCompressedSourcesAndCopiesOthersUnchanged) {
  const std::string body = std::string(3000, 'z') + "end";
  const auto packed = win::lz::Compress(Bytes(body), 'l');
  WriteHostFile("d/PATCH/a.dl_", std::string(packed.begin(), packed.end()));
  WriteHostFile("d/PATCH/plain.txt", "plain\r\n");
  struct Case {
    const char* source;
    std::string expect;
  } cases[] = {{"D:\\PATCH\\a.dl_", body}, {"D:\\PATCH\\plain.txt", "plain\r\n"}};
  for (const Case& c : cases) {
    OFSTRUCT of{};
    char src[MAX_PATH], dst[MAX_PATH] = "C:\\TEMP\\STP1.TMP";
    std::snprintf(src, sizeof src, "%s", c.source);
    const INT in = LZOpenFileA(src, &of, OF_READ);
    ASSERT_GE(in, 0);
    const INT out = LZOpenFileA(dst, &of, OF_CREATE | OF_WRITE);
    ASSERT_GE(out, 0);
    EXPECT_EQ(LZCopy(in, out), static_cast<LONG>(c.expect.size()));
    LZClose(in);
    LZClose(out);
    EXPECT_EQ(ReadHostFile("c/TEMP/STP1.TMP"), c.expect);
  }
  OFSTRUCT of{};
  char missing[] = "D:\\PATCH\\none.dll";
  EXPECT_LT(LZOpenFileA(missing, &of, OF_READ), 0);
  EXPECT_EQ(of.nErrCode, ERROR_FILE_NOT_FOUND);
}

}  // namespace
