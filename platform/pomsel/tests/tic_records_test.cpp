#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "pomsel/pomsel.h"
#include "win/win_paths.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void Put16(std::vector<uint8_t>& b, size_t at, int16_t v) { std::memcpy(&b[at], &v, 2); }

std::vector<uint8_t> Hit(const char* name, int16_t ions) {
  std::vector<uint8_t> h(DF_TIC_HIT_HEAD + 6u * uint32_t(ions), 0);
  Put32(h, 0, uint32_t(h.size()));
  std::memcpy(&h[40], name, std::strlen(name));
  Put16(h, 717, ions);
  for (int16_t i = 0; i < ions; ++i) {
    uint16_t mass = uint16_t(50 + i);
    uint32_t abundance = 1000u * uint32_t(i + 1);
    std::memcpy(&h[719 + 6 * i], &mass, 2);
    std::memcpy(&h[721 + 6 * i], &abundance, 4);
  }
  return h;
}

std::vector<uint8_t> Peak(int16_t step, const std::vector<std::vector<uint8_t>>& hits) {
  std::vector<uint8_t> p(DF_TIC_PEAK_HEAD, 0);
  Put16(p, 6, step);
  Put16(p, 8, int16_t(hits.size()));
  for (size_t j = 0; j < hits.size(); ++j) {
    Put32(p, 10 + 4 * j, uint32_t(p.size()));
    p.insert(p.end(), hits[j].begin(), hits[j].end());
  }
  Put32(p, 0, uint32_t(p.size()));
  return p;
}

}  // namespace

TEST(TicRecords, HitsOfTheChainAreFoundAndDamageRefused) {
  char pattern[] = "/tmp/pomsel-tic-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  setenv("KELT_ROOT", pattern, 1);
  win::paths::ResetRoot();
  const char* file = "C:\\TEMP\\run.kms";
  ASSERT_TRUE(CreateSectionFileAtPath(file, 0, 0, 1));
  EXPECT_EQ(OpenTicSection(file), nullptr);

  std::vector<uint8_t> chain = Peak(4, {Hit("Benzene", 3)});
  std::vector<uint8_t> second = Peak(5, {Hit("Toluene", 2), Hit("Xylene", 4)});
  chain.insert(chain.end(), second.begin(), second.end());
  auto store = [&](const std::vector<uint8_t>& bytes) {
    HSECTION s = CreateSection(file, "MSTICs:h4", nullptr);
    WriteSection(s, bytes.data(), uint32_t(bytes.size()));
    CloseSection(s);
  };
  store(chain);

  HSECTION s = OpenTicSection(file);
  ASSERT_NE(s, nullptr);
  auto* hit = static_cast<char*>(ReadTicRecord(s, 1, 1));
  ASSERT_NE(hit, nullptr);
  EXPECT_STREQ(hit + 40, "Xylene");
  EXPECT_EQ(GetBlockSize(hit), DF_TIC_HIT_HEAD + 24u);
  FreeBlock(hit);
  EXPECT_EQ(ReadTicRecord(s, 1, 2), nullptr);  // only two hits
  EXPECT_EQ(ReadTicRecord(s, 2, 0), nullptr);  // past the chain
  EXPECT_EQ(ReadTicRecord(s, -1, 0), nullptr);
  CloseSection(s);

  std::vector<uint8_t> cut(chain.begin(), chain.end() - 5);  // last hit cut short
  store(cut);
  s = OpenTicSection(file);
  EXPECT_EQ(ReadTicRecord(s, 1, 0), nullptr);
  hit = static_cast<char*>(ReadTicRecord(s, 0, 0));
  ASSERT_NE(hit, nullptr);
  EXPECT_STREQ(hit + 40, "Benzene");
  FreeBlock(hit);
  CloseSection(s);
  std::filesystem::remove_all(pattern);
}
