// Whole records stored as hexadecimal text with a checksum byte.
#include <array>
#include <cstring>
#include <numeric>
#include <vector>

#include "profile_test_root.h"
#include "win/win_profile.h"

namespace {

using ProfileStructTest = ProfileRootTest;

TEST_F(ProfileStructTest, StoresUpperCaseHexAndTheByteSum) {
  const unsigned char rec[] = {0x01, 0xAB, 0xFF, 0x00, 0x7e};
  ASSERT_TRUE(WritePrivateProfileStructA("GroupActiveMSP", "Params", rec, sizeof rec, "tolview3.ini"));
  // 0x01 + 0xAB + 0xFF + 0x7E = 0x229 -> checksum 0x29.
  EXPECT_EQ(ReadHostPath(Settings("tolview3.ini")), "[GroupActiveMSP]\r\nParams=01ABFF007E29\r\n");
  unsigned char back[sizeof rec] = {};
  ASSERT_TRUE(GetPrivateProfileStructA("groupactivemsp", "params", back, sizeof back, "tolview3.ini"));
  EXPECT_EQ(std::memcmp(back, rec, sizeof rec), 0);
}

TEST_F(ProfileStructTest, LargeRecordRoundTrips) {
  std::vector<unsigned char> rec(960);
  for (size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<unsigned char>(i * 37 + 11);
  ASSERT_TRUE(WritePrivateProfileStruct("KELTDefChroPrefs", "Params", rec.data(), 960, "tolview3.ini"));
  std::vector<unsigned char> back(960);
  ASSERT_TRUE(GetPrivateProfileStruct("KELTDefChroPrefs", "Params", back.data(), 960, "tolview3.ini"));
  EXPECT_EQ(back, rec);
  // The same record read with another size is refused.
  EXPECT_FALSE(GetPrivateProfileStructA("KELTDefChroPrefs", "Params", back.data(), 959, "tolview3.ini"));
  EXPECT_FALSE(GetPrivateProfileStructA("KELTDefChroPrefs", "Params", back.data(), 478, "tolview3.ini"));
}

TEST_F(ProfileStructTest, RefusesDamagedValuesAndLeavesTheRecordAlone) {
  // A 3-byte record {0x10, 0x20, 0x30}: checksum 0x60.
  struct Case {
    const char* stored;
    bool accepted;
  } cases[] = {
      {"10203060", true},
      {"10203061", false},    // wrong checksum
      {"102030", false},      // checksum missing
      {"1020306000", false},  // one byte too many
      {"102030600", false},   // odd length
      {"10G03060", false},    // not hexadecimal
      {"10 203060", false},
      {"10203060 ", true},    // trailing blanks are not part of the value
      {"10203060", true},
      {"", false},
  };
  for (const auto& c : cases) {
    WriteHostPath(Settings("s.ini"), std::string("[S]\r\nParams=") + c.stored + "\r\n");
    std::array<unsigned char, 3> rec = {0xEE, 0xEE, 0xEE};
    EXPECT_EQ(GetPrivateProfileStructA("S", "Params", rec.data(), 3, "s.ini"), c.accepted ? TRUE : FALSE)
        << '"' << c.stored << '"';
    if (c.accepted) {
      EXPECT_EQ(rec, (std::array<unsigned char, 3>{0x10, 0x20, 0x30}));
    } else {
      EXPECT_EQ(rec, (std::array<unsigned char, 3>{0xEE, 0xEE, 0xEE})) << c.stored;
    }
  }
  // Lower-case digits written by hand still read.
  WriteHostPath(Settings("s.ini"), "[S]\r\nParams=0aff09\r\n");
  unsigned char two[2];
  EXPECT_TRUE(GetPrivateProfileStructA("S", "Params", two, 2, "s.ini"));
  EXPECT_EQ(two[0], 0x0A);
  EXPECT_EQ(two[1], 0xFF);
}

TEST_F(ProfileStructTest, MissingKeysAndNullRecords) {
  unsigned char rec[4] = {};
  EXPECT_FALSE(GetPrivateProfileStructA("S", "Params", rec, 4, "none.ini"));
  EXPECT_FALSE(GetPrivateProfileStructA("S", "Params", nullptr, 4, "none.ini"));
  const unsigned char data[4] = {1, 2, 3, 4};
  ASSERT_TRUE(WritePrivateProfileStructA("S", "Params", data, 4, "p.ini"));
  ASSERT_TRUE(WritePrivateProfileStructA("S", "Other", data, 4, "p.ini"));
  // A null record deletes the key.
  ASSERT_TRUE(WritePrivateProfileStructA("S", "Params", nullptr, 4, "p.ini"));
  EXPECT_FALSE(GetPrivateProfileStructA("S", "Params", rec, 4, "p.ini"));
  EXPECT_TRUE(GetPrivateProfileStructA("S", "Other", rec, 4, "p.ini"));
}

}  // namespace
