// libFuzzer target over the calibration points of a compound record from a
// method file and the calibration log of a data file: the input's first
// 4,793 bytes are the record (zero-padded), the next 16 drive the point
// operations (level, points, flag, response), the rest are the bytes of
// the data file's "CalibrationLog". Counts and masks in the record may be
// anything; the operations never reach past a level's ten points, leave a
// count between 0 and 10 when they change a level, and never change a
// locked record.
#include <cstdint>
#include <cstring>
#include <string>

#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "quant/calibration_points.h"
#include "quant/quantitation_run.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kPath[] = "C:\\FUZZ\\cal.kms";

bool Sane(const STRUCT_DH_COMPOUND& c, int16_t level) {
  return level < 0 || level >= 10 || (c.levels[level].count >= 0 && c.levels[level].count <= 10);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  std::memcpy(&c, data, std::min(size, sizeof c));
  uint8_t drive[16] = {};
  if (size > sizeof c) std::memcpy(drive, data + sizeof c, std::min<size_t>(size - sizeof c, sizeof drive));
  const uint8_t* log = size > sizeof c + sizeof drive ? data + sizeof c + sizeof drive : nullptr;
  const size_t logSize = log ? size - sizeof c - sizeof drive : 0;

  const int16_t level = int16_t(int8_t(drive[0]) % 12);
  const int16_t a = int16_t(int8_t(drive[1]) % 12), b = int16_t(int8_t(drive[2]) % 12);
  float response;
  std::memcpy(&response, drive + 4, 4);
  const bool locked = c.flags & DH_COMPOUND_CALIBRATION_LOCKED;
  const STRUCT_DH_COMPOUND before = c;

  SetPointUFlag(&c, level, a, char(drive[3]));
  if (RemoveCalPoint(&c, level, a)) fuzz::Check(Sane(c, level), "count out of range after a removal");
  if (MoveCalPoint(&c, level, a, b)) fuzz::Check(Sane(c, level), "count out of range after a move");
  if (locked) fuzz::Check(std::memcmp(&c, &before, sizeof c) == 0, "a locked record changed");
  DH_QUANT_BLOCK block;
  InitDHQuantBlock(&block);
  if (level >= 0 && level < 10 && !locked) {
    const DH_CALIBRATION_LEVEL prev = c.levels[level];
    AddCalibrationPoint(&c, level, double(response), drive[5] & 1, drive[5] & 2, &block);
    if (std::memcmp(&prev, &c.levels[level], sizeof prev) != 0)
      fuzz::Check(Sane(c, level), "count out of range after an added point");
  }

  win::facts::RemoveFile(kPath);
  CreateDirectoryA("C:\\FUZZ", nullptr);
  CreateSectionFileAtPath(kPath, 777, 0, 1);
  char name[128] = {};
  BuildDHSectionName(name, "CalibrationLog", 1, 1, "1");
  if (HSECTION s = CreateSection(kPath, name, nullptr)) {
    if (logSize) WriteSection(s, log, uint32_t(logSize));
    CloseSection(s);
  }
  int32_t row = 0;
  int16_t point = 99;
  int32_t key;
  std::memcpy(&key, drive + 8, 4);
  const DH_CALIBRATION_LEVEL* l = level >= 0 && level < 10 ? &c.levels[level] : nullptr;
  if (FindCalibrationPoint(kPath, "C:\\Data\\CAL1.KMS", l, 1, 1, "1", key, &row, &point)) {
    fuzz::Check(row >= 0, "a found row below 0");
    fuzz::Check(point == 99 || (point >= 0 && point < 10), "a point past the ten");
  } else {
    fuzz::Check(row == -1 && point == 99, "a row or point from a log without the sample");
  }
  return 0;
}

// Seeds: a record with points at three levels and a log naming the sample.
extern "C" int KeltFuzzSeeds(const char* folder) {
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  c.integration1713 = DH_CURVE_LINEAR;
  for (int l = 0; l < 3; ++l) {
    c.levels[l].amount = float(2 + 10 * l);
    c.levels[l].count = int16_t(l + 2);
    c.levels[l].pointsInUse = uint16_t((1u << (l + 2)) - 1);
    for (int i = 0; i <= l + 1; ++i) {
      c.levels[l].responses[i] = float(0.5 + l + 0.01 * i);
      c.levels[l].rows[i] = int16_t(i);
    }
  }
  std::string bytes(reinterpret_cast<const char*>(&c), sizeof c);
  const uint8_t drive[16] = {1, 0, 2, 'U', 0, 0, 0x40, 0x40, 0x10, 0x27, 0, 0, 0, 0, 0, 0};
  bytes.append(reinterpret_cast<const char*>(drive), sizeof drive);
  for (int i = 0; i < 3; ++i) {
    DH_CALIBRATION_LOG_ROW r{};
    r.sampleKey = 10000;
    r.recalcTime = 10000 + i;
    std::snprintf(r.path, sizeof r.path, "C:\\Data\\CAL%d.KMS", i);
    bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  fuzz::WriteBytes(std::string(folder) + "/points-and-log", reinterpret_cast<const uint8_t*>(bytes.data()),
                   bytes.size());
  c.levels[1].count = 300;  // a count past the ten slots
  c.flags = DH_COMPOUND_CALIBRATION_LOCKED;
  std::string odd(reinterpret_cast<const char*>(&c), sizeof c);
  odd.append(reinterpret_cast<const char*>(drive), sizeof drive);
  fuzz::WriteBytes(std::string(folder) + "/locked-odd-count", reinterpret_cast<const uint8_t*>(odd.data()), odd.size());
  return 0;
}
