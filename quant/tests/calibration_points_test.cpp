// The points of a compound's calibration levels: the "U" flag, removal and
// moves with their rows and three masks, and a sample's point found by its
// row in the calibration log of a calibrated method.
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "quant/calibration_points.h"
#include "quant/quantitation_run.h"
#include "quant_run_support.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;

constexpr int16_t kLevel = 2;

void PutMask(STRUCT_DH_COMPOUND* c, int16_t level, size_t which, uint16_t m) {
  std::memcpy(reinterpret_cast<uint8_t*>(c) + 873 + 84 * size_t(level) + which, &m, 2);
}

// Four points at level 2 with rows, in use, "U" on points 0 and 2 and the
// second mask on point 3.
STRUCT_DH_COMPOUND FourPoints() {
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  DH_CALIBRATION_LEVEL& l = c.levels[kLevel];
  l.amount = 12.5f;
  l.count = 4;
  const float responses[] = {10.25f, 20.5f, 30.75f, 41.0f};
  const int16_t rows[] = {3, 5, 7, 9};
  for (int i = 0; i < 4; ++i) l.responses[i] = responses[i], l.rows[i] = rows[i];
  l.pointsInUse = 0xF;
  PutMask(&c, kLevel, 0, 0x5);
  PutMask(&c, kLevel, 2, 0x8);
  return c;
}

std::vector<float> Responses(const STRUCT_DH_COMPOUND& c, int16_t level = kLevel) {
  return std::vector<float>(c.levels[level].responses, c.levels[level].responses + 10);
}
std::vector<int16_t> Rows(const STRUCT_DH_COMPOUND& c, int16_t level = kLevel) {
  return std::vector<int16_t>(c.levels[level].rows, c.levels[level].rows + 10);
}
bool SameBytes(const STRUCT_DH_COMPOUND& a, const STRUCT_DH_COMPOUND& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CalibrationPoints, TheUFlagFollowsTheCharacter) {
  STRUCT_DH_COMPOUND c = FourPoints();
  ASSERT_TRUE(SetPointUFlag(&c, kLevel, 1, 'U'));
  EXPECT_EQ(GetPointUMask(&c, kLevel), 0x7);
  ASSERT_TRUE(SetPointUFlag(&c, kLevel, 0, ' '));
  ASSERT_TRUE(SetPointUFlag(&c, kLevel, 2, 'u'));  // only a capital U marks a point
  EXPECT_EQ(GetPointUMask(&c, kLevel), 0x2);
  EXPECT_EQ(GetPointSecondMask(&c, kLevel), 0x8);
  EXPECT_EQ(+c.levels[kLevel].pointsInUse, 0xF);
}

TEST(CalibrationPoints, ARemovedPointTakesItsRowAndBitsAndTheLaterPointsMoveDown) {
  STRUCT_DH_COMPOUND c = FourPoints();
  ASSERT_TRUE(RemoveCalPoint(&c, kLevel, 1));
  EXPECT_EQ(+c.levels[kLevel].count, 3);
  EXPECT_EQ(Responses(c), (std::vector<float>{10.25f, 30.75f, 41.0f, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Rows(c), (std::vector<int16_t>{3, 7, 9, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(+c.levels[kLevel].pointsInUse, 0x7);
  EXPECT_EQ(GetPointUMask(&c, kLevel), 0x3);       // points 0 and (old) 2
  EXPECT_EQ(GetPointSecondMask(&c, kLevel), 0x4);  // (old) point 3
  EXPECT_EQ(+c.levels[kLevel].amount, 12.5f);
}

TEST(CalibrationPoints, AMovedPointKeepsTheRowOfItsNewPlace) {
  STRUCT_DH_COMPOUND c = FourPoints();
  ASSERT_TRUE(MoveCalPoint(&c, kLevel, 0, 3));
  EXPECT_EQ(+c.levels[kLevel].count, 3);
  EXPECT_EQ(Responses(c), (std::vector<float>{41.0f, 20.5f, 30.75f, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Rows(c), (std::vector<int16_t>{3, 5, 7, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(+c.levels[kLevel].pointsInUse, 0x7);
  EXPECT_EQ(GetPointUMask(&c, kLevel), 0x4);       // point 0 took point 3's clear bit
  EXPECT_EQ(GetPointSecondMask(&c, kLevel), 0x1);  // and its set one
  // Moving forward: the point after the one removed moves down onto it.
  STRUCT_DH_COMPOUND d = FourPoints();
  ASSERT_TRUE(MoveCalPoint(&d, kLevel, 2, 0));
  EXPECT_EQ(Responses(d), (std::vector<float>{20.5f, 10.25f, 41.0f, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Rows(d), (std::vector<int16_t>{5, 7, 9, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(GetPointUMask(&d, kLevel), 0x2);
  // A point moved onto itself stays.
  STRUCT_DH_COMPOUND e = FourPoints();
  ASSERT_TRUE(MoveCalPoint(&e, kLevel, 1, 1));
  EXPECT_TRUE(SameBytes(e, FourPoints()));
}

// Every refusal leaves the record as it was.
TEST(CalibrationPoints, OutOfRangeAndLockedChangeNothing) {
  STRUCT_DH_COMPOUND locked = FourPoints();
  locked.flags |= DH_COMPOUND_CALIBRATION_LOCKED;
  struct Case {
    const char* what;
    bool lock;
    int16_t level, a, b;
  } cases[] = {
      {"level below", false, -1, 0, 1},  {"level past the ten", false, 10, 0, 1},
      {"point below", false, kLevel, -1, 1}, {"point past the live ones", false, kLevel, 4, 1},
      {"point past the ten", false, kLevel, 10, 1}, {"locked", true, kLevel, 0, 1},
  };
  for (const Case& k : cases) {
    STRUCT_DH_COMPOUND c = k.lock ? locked : FourPoints();
    const STRUCT_DH_COMPOUND before = c;
    EXPECT_FALSE(RemoveCalPoint(&c, k.level, k.a)) << k.what;
    EXPECT_FALSE(MoveCalPoint(&c, k.level, k.a, k.b)) << k.what;
    EXPECT_FALSE(MoveCalPoint(&c, k.level, k.b, k.a)) << k.what;
    if (k.a < 0 || k.a >= 10 || k.lock || k.level != kLevel) {
      EXPECT_FALSE(SetPointUFlag(&c, k.level, k.a, 'U')) << k.what;
    }
    EXPECT_TRUE(SameBytes(c, before)) << k.what;
  }
  EXPECT_FALSE(RemoveCalPoint(nullptr, kLevel, 0));
  EXPECT_FALSE(MoveCalPoint(nullptr, kLevel, 0, 1));
  EXPECT_FALSE(SetPointUFlag(nullptr, kLevel, 0, 'U'));
  EXPECT_EQ(GetPointUMask(nullptr, kLevel), 0);
}

// After a removal the next sample's point goes after the live ones: no
// live point is overwritten, and a full level drops its oldest point.
TEST(CalibrationPoints, ANewPointAfterARemovalLosesNoOtherPoint) {
  DH_QUANT_BLOCK block;
  ASSERT_TRUE(InitDHQuantBlock(&block));
  STRUCT_DH_COMPOUND c = FourPoints();
  c.integration1713 = DH_CURVE_LINEAR;
  c.integration1721 = DH_ORIGIN_IGNORE;
  c.levels[0].amount = 1.0f, c.levels[0].count = 1, c.levels[0].responses[0] = 0.8f;
  ASSERT_TRUE(RemoveCalPoint(&c, kLevel, 0));
  AddCalibrationPoint(&c, kLevel, 55.5, FALSE, FALSE, &block);
  EXPECT_EQ(+c.levels[kLevel].count, 4);
  EXPECT_EQ(Responses(c), (std::vector<float>{20.5f, 30.75f, 41.0f, 55.5f, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(+c.levels[kLevel].pointsInUse, 0xF);
  EXPECT_EQ(GetPointSecondMask(&c, kLevel), 0x4);  // still the point of old row 9
  // Full: the oldest point and its row leave.
  STRUCT_DH_COMPOUND f;
  std::memset(&f, 0, sizeof f);
  f.integration1713 = DH_CURVE_LINEAR;
  f.levels[1].amount = 2.0f;
  for (int16_t i = 0; i < 10; ++i) {
    AddCalibrationPoint(&f, 1, 1.0 + i, FALSE, FALSE, &block);
    f.levels[1].rows[i] = i;
  }
  PutMask(&f, 1, 0, 0x201);
  AddCalibrationPoint(&f, 1, 11.0, FALSE, FALSE, &block);
  EXPECT_EQ(+f.levels[1].count, 10);
  EXPECT_EQ(+f.levels[1].responses[0], 2.0f);
  EXPECT_EQ(+f.levels[1].responses[9], 11.0f);
  EXPECT_EQ(+f.levels[1].rows[0], 1);
  EXPECT_EQ(+f.levels[1].rows[9], 0);
  EXPECT_EQ(GetPointUMask(&f, 1), 0x100);  // the newest carries no U of its own
  EXPECT_EQ(+f.levels[1].pointsInUse, 0x3FF);
}

// Averaged replicates: the level's one point is the mean of every
// replicate, whatever their number, also after a point of its own.
TEST(CalibrationPoints, AveragedReplicatesGiveTheirMean) {
  DH_QUANT_BLOCK block;
  ASSERT_TRUE(InitDHQuantBlock(&block));
  struct Case {
    const char* what;
    std::vector<double> responses;
    float mean;
  } cases[] = {
      {"two", {10, 20}, 15.0f},
      {"three", {10, 20, 30}, 20.0f},
      {"five", {12, 14, 16, 18, 40}, 20.0f},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    STRUCT_DH_COMPOUND c;
    std::memset(&c, 0, sizeof c);
    c.integration1713 = DH_CURVE_LINEAR;
    c.levels[0].amount = 1.0f;
    c.levels[1].amount = 2.0f;
    c.levels[0].count = 1, c.levels[0].responses[0] = 5.0f, c.levels[0].pointsInUse = 1;
    for (double r : k.responses) AddCalibrationPoint(&c, 1, r, FALSE, TRUE, &block);
    EXPECT_EQ(+c.levels[1].count, 1);
    EXPECT_FLOAT_EQ(+c.levels[1].responses[0], k.mean);
  }
  // Separate points met by averaging count one replicate each.
  STRUCT_DH_COMPOUND c = FourPoints();  // 10.25, 20.5, 30.75, 41
  c.integration1713 = DH_CURVE_LINEAR;
  AddCalibrationPoint(&c, kLevel, 52.5, FALSE, TRUE, &block);
  AddCalibrationPoint(&c, kLevel, 0.0 + 31.0, FALSE, TRUE, &block);
  EXPECT_EQ(+c.levels[kLevel].count, 1);
  EXPECT_FLOAT_EQ(+c.levels[kLevel].responses[0], (10.25f + 20.5f + 30.75f + 41.0f + 52.5f + 31.0f) / 6.0f);
  // A point of the sample's own after removal starts a new mean.
  ASSERT_TRUE(RemoveCalPoint(&c, kLevel, 0));
  AddCalibrationPoint(&c, kLevel, 8.0, FALSE, TRUE, &block);
  AddCalibrationPoint(&c, kLevel, 4.0, FALSE, TRUE, &block);
  EXPECT_FLOAT_EQ(+c.levels[kLevel].responses[0], 6.0f);
}

// A calibrated method: each level's point carries the row under which its
// sample stands in the log, and the sample finds it again by its name.
class CalibrationPointFileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
  }
  // The last row of file's log that names file; -1 without one.
  static int32_t OwnLogRow(const char* file, const msfix::DHTruth& t, int32_t* key) {
    char name[128] = {};
    EXPECT_TRUE(BuildDHSectionName(name, "CalibrationLog", t.moduleId, t.moduleAddress, "1"));
    HDHTABLE log = OpenDHTableSection(file, name, sizeof(DH_CALIBRATION_LOG_ROW), TRUE);
    int32_t found = -1;
    for (int32_t i = 0; log && i < CountDHRecords(log); ++i) {
      DH_CALIBRATION_LOG_ROW row{};
      if (GetDHRecord(log, i, &row) && std::string(row.path) == file) found = i, *key = row.sampleKey;
    }
    if (log) FreeDHRecordSet(log);
    return found;
  }
};

TEST_F(CalibrationPointFileTest, ASampleFindsItsPointByItsLogRow) {
  constexpr char kMethod[] = "C:\\Data\\QUANT.MTH";
  quant_accuracy::Design d;
  quant_run::MethodPlan plan;
  msfix::DHTruth method;
  ASSERT_TRUE(quant_run::WriteUncalibratedMethod(kMethod, d, plan, &method));
  ASSERT_TRUE(quant_run::Calibrate(nullptr, kMethod, d, method, "C:\\Data", plan.levels));
  HDHTABLE t = OpenDHRecordSet(kMethod, method.moduleId, method.moduleAddress, "1");
  ASSERT_NE(t, nullptr);
  STRUCT_DH_COMPOUND analyte;
  ASSERT_TRUE(GetDHRecord(t, 1, &analyte));
  FreeDHRecordSet(t);
  const char* cal2 = "C:\\Data\\CAL2.KMS";
  int32_t key = 0;
  const int32_t own = OwnLogRow(cal2, method, &key);
  ASSERT_GE(own, 0);
  ASSERT_EQ(+analyte.levels[1].count, 1);
  EXPECT_EQ(+analyte.levels[1].rows[0], own);
  EXPECT_EQ(+analyte.levels[1].pointsInUse, 0x1);
  struct Case {
    const char* what;
    const char* name;
    int32_t key;
    int16_t level;
    BOOL found;
    int32_t row;
    int16_t point;
  } cases[] = {
      {"its own level", cal2, key, 1, TRUE, own, 0},
      {"name without case or folder", "D:\\elsewhere\\cal2.kms", key, 1, TRUE, own, 0},
      {"a level without its point", cal2, key, 0, TRUE, own, 7},
      {"another key", cal2, key + 1, 1, FALSE, -1, 7},
      {"not in the log", "C:\\Data\\NOWHERE.KMS", key, 1, FALSE, -1, 7},
  };
  for (const Case& k : cases) {
    int32_t row = 99;
    int16_t point = 7;
    EXPECT_EQ(FindCalibrationPoint(cal2, k.name, &analyte.levels[k.level], method.moduleId, method.moduleAddress, "1",
                                   k.key, &row, &point),
              k.found)
        << k.what;
    EXPECT_EQ(row, k.row) << k.what;
    EXPECT_EQ(point, k.point) << k.what;
  }
  int32_t row = 0;
  EXPECT_FALSE(FindCalibrationPoint("C:\\Data\\NONE.KMS", cal2, nullptr, method.moduleId, method.moduleAddress, "1",
                                    key, &row, nullptr));
  EXPECT_EQ(row, -1);
}

}  // namespace
