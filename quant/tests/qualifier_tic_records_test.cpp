// Qualifier records and the TIC chain: their bytes, lookups and damage.
#include <cstring>
#include <vector>

#include "pomsel/pomsel.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;

using QualifierTest = EngineTest;
using TicTest = EngineTest;

STRUCT_QUALIFIER_RECORD Qualifier(int32_t number, int16_t step) {
  STRUCT_QUALIFIER_RECORD q;
  std::memset(&q, 0, sizeof q);
  q.compoundNumber = number;
  q.stepIndex = step;
  q.ionCount = 2;
  q.ions[1].apexTime = 6.5f;
  q.ions[1].massList.kind = MASS_LIST_RANGES;
  q.ions[1].massList.count = 1;
  q.ions[1].massList.ranges[0].low = q.ions[1].massList.ranges[0].high = 91.0;
  q.ions[1].baseline[7] = 250.0f;
  return q;
}

TEST_F(QualifierTest, RecordsAtTheirPlaces) {
  NewDataFile();
  HSECTION s = CreateQualifierData(kData, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountQualifierCompounds(s), 3);
  for (int16_t i = 0; i < 3; ++i) {
    const STRUCT_QUALIFIER_RECORD q = Qualifier(10 + i, i);
    ASSERT_TRUE(WriteQualifierRecord(s, i, &q));
  }
  ASSERT_TRUE(CloseSection(s));

  const std::vector<uint8_t> bytes = Bytes(QUALIFIERS_SECTION);
  ASSERT_EQ(bytes.size(), 3u * 1302u);
  const size_t r = 1302;  // record 1
  EXPECT_EQ(bytes[r + 0], 11);
  EXPECT_EQ(bytes[r + 6], 1);
  EXPECT_EQ(bytes[r + 12], 2);
  const size_t ion = r + 22 + 256;  // its second ion
  float apex = 0, lastBaseline = 0;
  double mass = 0;
  std::memcpy(&apex, &bytes[ion], 4);
  std::memcpy(&mass, &bytes[ion + 4 + 6 + 4], 8);
  std::memcpy(&lastBaseline, &bytes[ion + 222 + 28], 4);
  EXPECT_EQ(apex, 6.5f);
  EXPECT_EQ(mass, 91.0);
  EXPECT_EQ(lastBaseline, 250.0f);

  s = OpenQualifierDataReadOnly(kData);
  ASSERT_NE(s, nullptr);
  STRUCT_QUALIFIER_RECORD q;
  ASSERT_TRUE(GetQualifierRecord(s, 2, &q));
  EXPECT_EQ(+q.compoundNumber, 12);
  EXPECT_FALSE(GetQualifierRecord(s, 3, &q));
  EXPECT_FALSE(GetQualifierRecord(s, -1, &q));
  ASSERT_TRUE(GetMatchingQualifierRecord(s, 11, &q));
  EXPECT_EQ(+q.stepIndex, 1);
  // No record of that number: every record was read, the last one is left.
  EXPECT_FALSE(GetMatchingQualifierRecord(s, 99, &q));
  EXPECT_EQ(+q.compoundNumber, 12);
  ASSERT_TRUE(CloseSection(s));

  // A new section holds zero records only.
  s = CreateQualifierData(kData, 2);
  ASSERT_TRUE(CloseSection(s));
  EXPECT_EQ(Bytes(QUALIFIERS_SECTION), std::vector<uint8_t>(2604, 0));
}

TEST_F(QualifierTest, DamagedSectionsAreRefused) {
  NewDataFile();
  for (size_t length : {size_t(1301), size_t(1302 * 2 + 7)}) {
    Put(QUALIFIERS_SECTION, std::vector<uint8_t>(length, 0));
    EXPECT_EQ(OpenQualifierDataReadOnly(kData), nullptr) << length;
    EXPECT_EQ(OpenQualifierData(kData), nullptr) << length;
    EXPECT_EQ(Bytes(QUALIFIERS_SECTION).size(), length);
  }
  DeleteSection(kData, QUALIFIERS_SECTION);
  EXPECT_EQ(OpenQualifierDataReadOnly(kData), nullptr);
}

// Two peaks: the first with two hits, the second with three.
std::vector<uint8_t> TwoPeaks() {
  std::vector<uint8_t> chain = PeakBytes(5, {{"Hexane", 101, {{43, 999}, {57, 640}}}, {"Heptane", 102, {}}});
  const std::vector<uint8_t> second =
      PeakBytes(6, {{"Octane", 201, {{43, 999}}}, {"Nonane", 202, {{57, 500}, {71, 300}, {85, 90}}},
                    {"Decane", 203, {}}});
  chain.insert(chain.end(), second.begin(), second.end());
  return chain;
}

TEST_F(TicTest, ChainBytesAndReaders) {
  NewDataFile();
  HSECTION s = CreateTICData(kData);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountTICUnknowns(s), 0);
  EXPECT_EQ(GetTICPeak(s, 0), nullptr);
  // Peaks are appended whole.
  const std::vector<uint8_t> first = PeakBytes(5, {{"Hexane", 101, {{43, 999}, {57, 640}}}, {"Heptane", 102, {}}});
  const std::vector<uint8_t> chain = TwoPeaks();
  const std::vector<uint8_t> second(chain.begin() + long(first.size()), chain.end());
  ASSERT_TRUE(WriteTICPeak(s, 0, reinterpret_cast<const STRUCT_TIC_PEAK*>(first.data())));
  ASSERT_TRUE(WriteTICPeak(s, 0, reinterpret_cast<const STRUCT_TIC_PEAK*>(second.data())));
  ASSERT_TRUE(CloseSection(s));
  ASSERT_EQ(Bytes(TICS_SECTION), chain);

  // The first peak: 58 + (719 + 12) + 719 bytes, hits at 58 and 789.
  ASSERT_EQ(first.size(), 58u + 731u + 719u);
  const uint8_t head[] = {0xE4, 0x05, 0, 0, 0, 0, 5, 0, 2, 0, 58, 0, 0, 0, 0x15, 0x03, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(first.begin(), first.begin() + 18), std::vector<uint8_t>(head, head + 18));

  s = OpenTICDataReadOnly(kData);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountTICUnknowns(s), 2);
  STRUCT_TIC_PEAK* p = GetTICPeak(s, 1);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(+p->stepIndex, 6);
  EXPECT_EQ(+p->hitCount, 3);
  EXPECT_EQ(GetBlockSize(p), +p->length);
  FreeTICPeak(p);
  EXPECT_EQ(GetTICPeak(s, 2), nullptr);
  EXPECT_EQ(GetTICPeak(s, -1), nullptr);

  STRUCT_TIC_HIT* h = GetTICHitRecord(s, 1, 1);
  ASSERT_NE(h, nullptr);
  EXPECT_STREQ(h->compoundName, "Nonane");
  EXPECT_EQ(+h->ionCount, 3);
  EXPECT_EQ(+h->length, 719u + 18u);
  EXPECT_EQ(GetBlockSize(h), +h->length);
  uint32_t mass = 0;
  std::memcpy(&mass, reinterpret_cast<uint8_t*>(h) + 719 + 12, 4);
  EXPECT_EQ(mass, 85u);
  FreeTICHitRecord(h);
  EXPECT_EQ(GetTICHitRecord(s, 0, 2), nullptr);  // j equal to the hit count
  EXPECT_EQ(GetTICHitRecord(s, 2, 0), nullptr);

  // By the byte offsets a result step keeps.
  const uint32_t secondStart = uint32_t(first.size());
  p = GetMatchingTICPeak(s, secondStart);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(+p->stepIndex, 6);
  h = GetMatchingTICHitRecord(s, secondStart + p->hitOffsets[0]);
  ASSERT_NE(h, nullptr);
  EXPECT_STREQ(h->compoundName, "Octane");
  FreeTICHitRecord(h);
  FreeTICPeak(p);
  EXPECT_EQ(GetMatchingTICPeak(s, 0), nullptr);
  EXPECT_EQ(GetMatchingTICHitRecord(s, 0), nullptr);
  EXPECT_EQ(GetMatchingTICPeak(s, uint32_t(chain.size()) - 10), nullptr);  // runs past the end
  EXPECT_EQ(GetMatchingTICHitRecord(s, 20), nullptr);                      // reads a head's bytes as a length
  ASSERT_TRUE(CloseSection(s));
}

TEST_F(TicTest, AZeroLengthWordEndsTheChain) {
  NewDataFile();
  std::vector<uint8_t> chain = TwoPeaks();
  const size_t firstLength = 58 + 731 + 719;
  std::vector<uint8_t> ended(chain.begin(), chain.begin() + long(firstLength));
  ended.resize(ended.size() + 64, 0);
  Put(TICS_SECTION, ended);
  HSECTION s = OpenTICDataReadOnlyShared(kData);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CountTICUnknowns(s), 1);
  EXPECT_EQ(GetTICPeak(s, 1), nullptr);
  ASSERT_TRUE(CloseSection(s));
}

// Lengths, counts and offsets that the file got wrong are never followed.
TEST_F(TicTest, DamagedRecordsAreRefused) {
  NewDataFile();
  const std::vector<uint8_t> good = TwoPeaks();
  const size_t second = 58 + 731 + 719;
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    bool opens;  // a broken chain is refused at the open
    int16_t peak, hit;
  } cases[] = {
      {"a peak shorter than its head", 0, 40, false, 0, 0},
      {"a peak longer than the section", second, 100000, false, 1, 0},
      {"a hit count beyond the offset slots", second + 8, 40, true, 1, 12},
      {"a hit offset outside the peak", second + 10 + 4, 5000, true, 1, 1},
      {"a hit offset inside the head", second + 10, 20, true, 1, 0},
      {"a hit longer than its peak", second + 58, 9000, true, 1, 0},
      {"an ion count beyond its hit", second + 58 + 717, 20, true, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = good;
    if (std::strstr(c.what, " count "))
      std::memcpy(&bytes[c.at], &c.value, 2);
    else
      std::memcpy(&bytes[c.at], &c.value, 4);
    Put(TICS_SECTION, bytes);
    HSECTION s = OpenTICDataReadOnly(kData);
    if (!c.opens) {
      EXPECT_EQ(s, nullptr);
      EXPECT_EQ(OpenTICData(kData), nullptr);
      s = OpenSectionReadOnly(kData, TICS_SECTION, nullptr);  // the readers alone refuse it too
    }
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(GetTICHitRecord(s, c.peak, c.hit), nullptr);
    if (c.at >= second + 58) {  // the damage lies in the hit itself
      EXPECT_EQ(GetMatchingTICHitRecord(s, uint32_t(second + 58)), nullptr);
    }
    if (!c.opens) {
      EXPECT_EQ(GetTICPeak(s, c.peak), nullptr);
    }
    CloseSection(s);
    EXPECT_EQ(Bytes(TICS_SECTION), bytes);
  }
  // A record whose length cannot hold its head is not appended.
  Put(TICS_SECTION, good);
  HSECTION s = OpenTICData(kData);
  ASSERT_NE(s, nullptr);
  std::vector<uint8_t> shortRecord(58, 0);
  shortRecord[0] = 30;
  EXPECT_FALSE(WriteTICPeak(s, 0, reinterpret_cast<const STRUCT_TIC_PEAK*>(shortRecord.data())));
  ASSERT_TRUE(CloseSection(s));
  EXPECT_EQ(Bytes(TICS_SECTION), good);
}

// The engine and the display library (through the data-file records) read
// the same hit; they take and refuse the same lengths.
TEST_F(TicTest, BothReadersOfAHitAgreeOnItsLength) {
  NewDataFile();
  const HitPlan plan{"Toluene", 4711, {{91, 999}, {92, 640}, {65, 120}}};
  struct Case {
    const char* what;
    int32_t extra;  // bytes past the head and ions, in the record and its length
    bool read;
  } cases[] = {
      {"head and ions exactly", 0, true},
      {"six bytes of padding after the ions", 6, false},
      {"one byte of padding", 1, false},
      {"a length one ion short", -6, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> peak = PeakBytes(0, {plan});
    const uint32_t hitAt = TIC_PEAK_HEAD_SIZE;
    uint32_t hitLength;
    std::memcpy(&hitLength, &peak[hitAt], 4);
    hitLength = uint32_t(int32_t(hitLength) + c.extra);
    std::memcpy(&peak[hitAt], &hitLength, 4);
    if (c.extra > 0) peak.insert(peak.end(), size_t(c.extra), uint8_t(0x5A));
    const uint32_t peakLength = uint32_t(peak.size());
    std::memcpy(&peak[0], &peakLength, 4);
    Put(TICS_SECTION, peak);

    HSECTION s = OpenSectionReadOnly(kData, TICS_SECTION, nullptr);
    ASSERT_NE(s, nullptr);
    STRUCT_TIC_HIT* engine = GetTICHitRecord(s, 0, 0);
    void* display = ReadTicRecord(s, 0, 0);
    EXPECT_EQ(engine != nullptr, c.read);
    EXPECT_EQ(display != nullptr, c.read);
    if (engine && display) {
      EXPECT_EQ(GetBlockSize(engine), GetBlockSize(display));
      EXPECT_EQ(std::memcmp(engine, display, GetBlockSize(engine)), 0);
    }
    FreeTICHitRecord(engine);
    FreeBlock(display);
    CloseSection(s);
  }
}

}  // namespace
