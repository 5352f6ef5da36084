#pragma once
// The points of a compound's calibration levels: each point is one
// calibration sample's response, tied to that sample's row of the method's
// "CalibrationLog". The live points of a level are always points 0 to
// count - 1, so that the last point is the newest and a removed point
// leaves no hole for the next one to fall into.
//
// Besides the level's in-use mask, two more bit masks per level lie in the
// record's block at 873 (84 bytes a level): the points flagged "U"
// (integrated by the user) at +0, and a second mask at +2 that moves with
// the others. At +4 a u16 counts the replicates averaged into point 0 when
// the method averages replicates (0: the point is one sample's own).
//
// A locked calibration (flag bit 10) is not changed: the operations answer
// 0 and leave the record as it was, as they do for a level or point out of
// range.
#include <cstdint>

#include "holbrin/dh_records.h"
#include "quant/morvex_export.h"
#include "win/win_types.h"

#define CAL_LEVELS 10
#define CAL_POINTS 10

// Sets bit point of the level's "U" mask when flag is 'U', else clears it.
MORVEX_API BOOL SetPointUFlag(STRUCT_DH_COMPOUND* record, int16_t level, int16_t point, char flag);
// Takes a live point out of the level: its response, row and bits go, the
// count drops by one and the later points move down one place.
MORVEX_API BOOL RemoveCalPoint(STRUCT_DH_COMPOUND* record, int16_t level, int16_t point);
// Puts point from's response and bits in the place of point to (which
// keeps its row), then removes from.
MORVEX_API BOOL MoveCalPoint(STRUCT_DH_COMPOUND* record, int16_t level, int16_t to, int16_t from);
// The calibration-log row of a sample: the last row of the data file's
// copy of the log with the sample's key and the file-name part of
// calibrationName (without regard to case) into *row; then the live point
// of level whose row it is into *point (left as it was when there is
// none). 1 when the row was found; *row is -1 otherwise.
MORVEX_API BOOL FindCalibrationPoint(const char* dataFile, const char* calibrationName,
                                     const DH_CALIBRATION_LEVEL* level, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag, int32_t sampleKey, int32_t* row, int16_t* point);

// The "U" mask and the second mask of a level (0 for a level out of range).
MORVEX_API uint16_t GetPointUMask(const STRUCT_DH_COMPOUND* record, int16_t level);
MORVEX_API uint16_t GetPointSecondMask(const STRUCT_DH_COMPOUND* record, int16_t level);

namespace quant {

// A calibration sample's point after a manual integration. found: the
// compound has a result (response > 0 the point's value). The new point
// takes the sample's row: it replaces the sample's earlier point when the
// level has one, else it is tied to row. A compound no longer found loses
// the sample's earlier point. With average set (replicates averaged into
// one point) no row is matched. The curve is then fitted again, or cleared
// when no point with a response is left. Returns whether a curve was
// fitted; nothing changes on a locked calibration.
bool UpdateManualCalibrationPoint(STRUCT_DH_COMPOUND* compound, int16_t level, bool found, double response,
                                  char flag, int32_t row, bool average, const DH_QUANT_BLOCK* block);

// Appends a response to the level (with average set, point 0 becomes the
// mean of all replicates so far;
// the oldest point dropped when the level is full) and returns the index
// of the point it went to, -1 when it could not be placed.
int16_t AppendCalPoint(STRUCT_DH_COMPOUND* compound, int16_t level, double response, bool replaceLast, bool average);

}  // namespace quant
