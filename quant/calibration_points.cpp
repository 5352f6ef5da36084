// Calibration points of a compound record: the level's in-use mask, point
// count, responses and log rows, and the two masks kept per level in the
// block at 873.
#include "quant/calibration_points.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "holbrin/holbrin.h"
#include "quant/internal_standards.h"
#include "quant/quantitation_run.h"

namespace {

constexpr size_t kMaskBlock = 873;  // 84 bytes a level: "U" mask, second mask
constexpr size_t kMaskStride = 84;
// After the two masks: how many replicates an averaged point 0 holds (0 for
// a point that is one sample's own).
constexpr size_t kReplicates = 4;

bool Locked(const STRUCT_DH_COMPOUND& c) { return (c.flags & DH_COMPOUND_CALIBRATION_LOCKED) != 0; }

bool LevelInRange(int16_t level) { return level >= 0 && level < CAL_LEVELS; }

int16_t LiveCount(const DH_CALIBRATION_LEVEL& l) { return std::clamp<int16_t>(l.count, 0, CAL_POINTS); }

uint16_t Mask(const STRUCT_DH_COMPOUND& c, int16_t level, size_t which) {
  uint16_t m = 0;
  std::memcpy(&m, reinterpret_cast<const uint8_t*>(&c) + kMaskBlock + kMaskStride * size_t(level) + which, 2);
  return m;
}
void SetMask(STRUCT_DH_COMPOUND* c, int16_t level, size_t which, uint16_t m) {
  std::memcpy(reinterpret_cast<uint8_t*>(c) + kMaskBlock + kMaskStride * size_t(level) + which, &m, 2);
}

// The three masks of a level, in-use first.
struct Masks {
  uint16_t m[3];
};
Masks GetMasks(const STRUCT_DH_COMPOUND& c, int16_t level) {
  return {{c.levels[level].pointsInUse, Mask(c, level, 0), Mask(c, level, 2)}};
}
void PutMasks(STRUCT_DH_COMPOUND* c, int16_t level, const Masks& k) {
  c->levels[level].pointsInUse = k.m[0];
  SetMask(c, level, 0, k.m[1]);
  SetMask(c, level, 2, k.m[2]);
}

// Bit point taken out of m, the bits above it moved down one place.
uint16_t DropBit(uint16_t m, int16_t point) {
  const uint16_t below = uint16_t((1u << point) - 1u);
  return uint16_t(((m & below) | ((m >> 1) & ~below)) & ((1u << CAL_POINTS) - 1u));
}

void PutBit(uint16_t* m, int16_t point, bool on) {
  if (on) *m = uint16_t(*m | (1u << point));
  else *m = uint16_t(*m & ~(1u << point));
}

// Removal without the lock test, for the moves the run makes itself.
void Remove(STRUCT_DH_COMPOUND* c, int16_t level, int16_t point) {
  DH_CALIBRATION_LEVEL& l = c->levels[level];
  const int16_t n = LiveCount(l);
  for (int16_t i = point; i + 1 < n; ++i) {
    l.responses[i] = l.responses[i + 1];
    l.rows[i] = l.rows[i + 1];
  }
  l.responses[n - 1] = 0;
  l.rows[n - 1] = 0;
  Masks k = GetMasks(*c, level);
  for (uint16_t& m : k.m) m = DropBit(m, point);
  PutMasks(c, level, k);
  l.count = int16_t(n - 1);
  if (point == 0) SetMask(c, level, kReplicates, 0);
}

std::string FilePart(const char* path) {
  std::string p = path ? path : "";
  const size_t at = p.find_last_of("\\/");
  return at == std::string::npos ? p : p.substr(at + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int16_t PointOfRow(const DH_CALIBRATION_LEVEL& l, int32_t row, int16_t skip) {
  for (int16_t i = 0; i < LiveCount(l); ++i)
    if (i != skip && l.rows[i] == row) return i;
  return -1;
}

}  // namespace

BOOL SetPointUFlag(STRUCT_DH_COMPOUND* record, int16_t level, int16_t point, char flag) {
  if (!record || !LevelInRange(level) || point < 0 || point >= CAL_POINTS || Locked(*record)) return FALSE;
  uint16_t m = Mask(*record, level, 0);
  PutBit(&m, point, flag == 'U');
  SetMask(record, level, 0, m);
  return TRUE;
}

BOOL RemoveCalPoint(STRUCT_DH_COMPOUND* record, int16_t level, int16_t point) {
  if (!record || !LevelInRange(level) || Locked(*record)) return FALSE;
  if (point < 0 || point >= LiveCount(record->levels[level])) return FALSE;
  Remove(record, level, point);
  return TRUE;
}

BOOL MoveCalPoint(STRUCT_DH_COMPOUND* record, int16_t level, int16_t to, int16_t from) {
  if (!record || !LevelInRange(level) || Locked(*record)) return FALSE;
  DH_CALIBRATION_LEVEL& l = record->levels[level];
  const int16_t n = LiveCount(l);
  if (to < 0 || to >= n || from < 0 || from >= n) return FALSE;
  if (to == from) return TRUE;
  l.responses[to] = l.responses[from];
  Masks k = GetMasks(*record, level);
  for (uint16_t& m : k.m) PutBit(&m, to, (m >> from) & 1u);
  PutMasks(record, level, k);
  Remove(record, level, from);
  return TRUE;
}

BOOL FindCalibrationPoint(const char* dataFile, const char* calibrationName, const DH_CALIBRATION_LEVEL* level,
                          uint16_t id, uint16_t address, const char* tag, int32_t sampleKey, int32_t* row,
                          int16_t* point) {
  if (row) *row = -1;
  if (!dataFile || !calibrationName || !tag || !row) return FALSE;
  char name[128] = {};
  if (!BuildDHSectionName(name, "CalibrationLog", id, address, tag)) return FALSE;
  HDHTABLE t = OpenDHTableSection(dataFile, name, sizeof(DH_CALIBRATION_LOG_ROW), TRUE);
  if (!t) return FALSE;
  const std::string wanted = FilePart(calibrationName);
  const int32_t n = CountDHRecords(t);
  for (int32_t i = 0; i < n; ++i) {
    DH_CALIBRATION_LOG_ROW r;
    if (!GetDHRecord(t, i, &r)) continue;
    r.path[sizeof r.path - 1] = 0;
    if (r.sampleKey == sampleKey && SameText(FilePart(r.path), wanted)) *row = i;
  }
  FreeDHRecordSet(t);
  if (*row < 0) return FALSE;
  if (level && point) {
    const int16_t p = PointOfRow(*level, *row, -1);
    if (p >= 0) *point = p;
  }
  return TRUE;
}

uint16_t GetPointUMask(const STRUCT_DH_COMPOUND* record, int16_t level) {
  return record && LevelInRange(level) ? Mask(*record, level, 0) : 0;
}

uint16_t GetPointSecondMask(const STRUCT_DH_COMPOUND* record, int16_t level) {
  return record && LevelInRange(level) ? Mask(*record, level, 2) : 0;
}

namespace quant {

int16_t AppendCalPoint(STRUCT_DH_COMPOUND* c, int16_t level, double response, bool replaceLast, bool average) {
  if (!c || !LevelInRange(level) || !std::isfinite(response)) return -1;
  DH_CALIBRATION_LEVEL& l = c->levels[level];
  int16_t n = LiveCount(l);
  int16_t at;
  if (average && n > 0) {
    // One point, the mean of every replicate so far: a point already
    // averaged counts as the replicates it holds, separate points as one
    // each.
    double replicates = std::max<uint16_t>(Mask(*c, level, kReplicates), 1);
    double sum = double(l.responses[0]) * replicates;
    for (int i = 1; i < n; ++i) sum += l.responses[i], replicates += 1;
    l.responses[0] = float((sum + response) / (replicates + 1));
    SetMask(c, level, kReplicates, uint16_t(std::min(replicates + 1, 65535.0)));
    if (n > 1) {
      Masks k = GetMasks(*c, level);
      for (uint16_t& m : k.m) m &= 0x1u;
      PutMasks(c, level, k);
      for (int i = 1; i < n; ++i) l.responses[i] = 0, l.rows[i] = 0;
    }
    n = 1;
    at = 0;
  } else if (replaceLast && n > 0) {
    at = int16_t(n - 1);
    l.responses[at] = float(response);
    if (n == 1) SetMask(c, level, kReplicates, 0);
  } else {
    if (n == CAL_POINTS) {
      Remove(c, level, 0);  // the oldest point makes room
      n = int16_t(n - 1);
    }
    at = n++;
    l.responses[at] = float(response);
    l.rows[at] = 0;
    if (at == 0) SetMask(c, level, kReplicates, 0);  // a sample's own point
    Masks k = GetMasks(*c, level);
    PutBit(&k.m[1], at, false);
    PutBit(&k.m[2], at, false);
    PutMasks(c, level, k);
  }
  l.count = n;
  l.pointsInUse = uint16_t(l.pointsInUse | (1u << at));
  return at;
}

bool UpdateManualCalibrationPoint(STRUCT_DH_COMPOUND* c, int16_t level, bool found, double response, char flag,
                                  int32_t row, bool average, const DH_QUANT_BLOCK* block) {
  if (!c || !block || !LevelInRange(level) || Locked(*c)) return false;
  DH_CALIBRATION_LEVEL& l = c->levels[level];
  if (found && response > 0 && std::isfinite(response)) {
    const int16_t at = AppendCalPoint(c, level, response, false, average);
    if (at >= 0) {
      SetPointUFlag(c, level, at, flag);
      if (!average) {
        const int16_t own = PointOfRow(l, row, at);
        if (own < 0) l.rows[at] = int16_t(row);
        else MoveCalPoint(c, level, own, at);
      }
    }
  } else if (!average) {
    // No point any more for this sample.
    const int16_t own = PointOfRow(l, row, -1);
    if (own >= 0) Remove(c, level, own);
  }
  bool points = false;
  for (const DH_CALIBRATION_LEVEL& v : c->levels)
    for (int i = 0; i < LiveCount(v); ++i) points = points || v.responses[i] > 0;
  if (points) return FitCompoundCalibration(c, nullptr, block) != FALSE;
  ClearCompoundCalibration(c);
  return false;
}

}  // namespace quant
