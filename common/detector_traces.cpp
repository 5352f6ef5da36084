// Detector traces: "RawData" records read through a buffer of at most 24
// records in reads of at most 4,000 bytes, thinned to the caller's number
// of points, and the point of a time in untagged and time-tagged data.
#include "common/detector_traces.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/data_file_reading.h"
#include "orvik32/orvik32.h"

namespace kelt::detector {
namespace {

constexpr uint32_t kMaxBufferedRecords = 24;
constexpr uint32_t kMaxReadBytes = 4000;
constexpr uint32_t kTagWindowHalf = 50;
constexpr uint32_t kTagWindowMove = 100;

// Scale divisors of the channels: the channel table's, or (for a record
// made from the header only) the "Detector" section's. A divisor that is
// zero or not finite leaves the value as stored.
bool LoadDivisors(const STRUCT_WORK_FILE* wf, std::vector<float>& out) {
  const uint32_t channels = wf->detectorHeader.channelCount;
  out.assign(channels, 1.0f);
  if (wf->channelTable && wf->channelTable->divisors && wf->channelTable->channelCount == channels) {
    std::copy(wf->channelTable->divisors, wf->channelTable->divisors + channels, out.begin());
  } else {
    std::vector<uint8_t> section;
    if (!kelt::datafile::ReadWholeSection(wf->filePath, "Detector", section)) return false;
    if (section.size() < DETECTOR_SECTION_HEAD_SIZE + size_t{DETECTOR_CHANNEL_RECORD_SIZE} * channels) return false;
    for (uint32_t c = 0; c < channels; ++c) {
      std::memcpy(&out[c],
                  &section[DETECTOR_SECTION_HEAD_SIZE + size_t{DETECTOR_CHANNEL_RECORD_SIZE} * c +
                           offsetof(STRUCT_DETECTOR_CHANNEL_RECORD, divisor)],
                  4);
    }
  }
  for (float& d : out) {
    if (d == 0.0f || !std::isfinite(d)) d = 1.0f;
  }
  return true;
}

// Reads consecutive "RawData" records; untagged integer values come out
// already divided by their channel's divisor (as float bits).
class RawDataReader {
 public:
  ~RawDataReader() {
    if (section_) CloseSection(section_);
  }

  bool Open(const STRUCT_WORK_FILE* wf, uint32_t firstRecord, uint32_t count) {
    recordSize_ = wf->recordSize;
    valueCount_ = recordSize_ / 4 - 1;
    if (recordSize_ < 8 || recordSize_ % 4 != 0 || valueCount_ != wf->detectorHeader.channelCount) return false;
    timeTagged_ = wf->timeTagged != 0;
    alreadyScaled_ = wf->detectorHeader.alreadyScaled != 0;
    if (!timeTagged_ && !alreadyScaled_ && !LoadDivisors(wf, divisors_)) return false;
    next_ = firstRecord;
    end_ = firstRecord + count;
    if (end_ < next_) return false;
    capacity_ = std::min<uint32_t>(std::max<uint32_t>(count, 1), kMaxBufferedRecords);
    buffer_.assign(size_t{capacity_} * recordSize_, 0);
    section_ = OpenSectionReadOnly(wf->filePath, "RawData", nullptr);
    if (!section_) return false;
    const uint64_t offset = uint64_t{firstRecord} * recordSize_;
    if (offset > 0x7FFFFFFF) return false;
    return SeekSection(section_, static_cast<int32_t>(offset), 0) == offset;
  }

  // The next record, or 0 when it cannot be read whole.
  const uint8_t* Next() {
    if (handedOut_ == inBuffer_ && !Refill()) return nullptr;
    return &buffer_[size_t{handedOut_++} * recordSize_];
  }

  uint16_t ValueCount() const { return static_cast<uint16_t>(valueCount_); }

 private:
  bool Refill() {
    if (next_ >= end_) return false;
    const uint32_t records = std::min(capacity_, end_ - next_);
    const uint32_t bytes = records * recordSize_;
    for (uint32_t at = 0; at < bytes;) {
      const uint32_t chunk = std::min(bytes - at, kMaxReadBytes);
      if (ReadSection(section_, &buffer_[at], chunk) != chunk) return false;
      at += chunk;
    }
    if (!timeTagged_ && !alreadyScaled_) {
      for (uint32_t r = 0; r < records; ++r) {
        uint8_t* rec = &buffer_[size_t{r} * recordSize_];
        for (uint32_t c = 0; c < valueCount_; ++c) {
          int32_t v;
          std::memcpy(&v, rec + 4 + 4 * c, 4);
          const float f = static_cast<float>(v) / divisors_[c];
          std::memcpy(rec + 4 + 4 * c, &f, 4);
        }
      }
    }
    next_ += records;
    inBuffer_ = records;
    handedOut_ = 0;
    return true;
  }

  HSECTION section_ = nullptr;
  uint32_t next_ = 0, end_ = 0;
  uint32_t recordSize_ = 0, valueCount_ = 0;
  bool timeTagged_ = false, alreadyScaled_ = false;
  std::vector<float> divisors_;
  uint32_t handedOut_ = 0, inBuffer_ = 0, capacity_ = 0;
  std::vector<uint8_t> buffer_;
};

uint32_t TagOf(const uint8_t* rec) {
  uint32_t tag;
  std::memcpy(&tag, rec, 4);
  return tag;
}

// |value| of a record's channel, as it will be stored.
double MagnitudeOf(const uint8_t* rec, uint16_t channel, bool timeTagged) {
  if (timeTagged) {
    int32_t v;
    std::memcpy(&v, rec + 4 + 4 * channel, 4);
    return std::fabs(static_cast<double>(v));
  }
  float f;
  std::memcpy(&f, rec + 4 + 4 * channel, 4);
  return std::fabs(static_cast<double>(f));
}

// Fills count points from n records beginning at first point.
bool FillDetectorPoints(const STRUCT_WORK_FILE* wf, STRUCT_NE_DATA_POINTS* dp, uint16_t channel) {
  RawDataReader reader;
  if (!reader.Open(wf, dp->firstPoint, dp->pointsInRange)) return false;
  const bool tagged = wf->timeTagged != 0;
  double accumulator = dp->step;
  for (uint32_t i = 0; i < dp->pointCount; ++i) {
    const uint32_t group = static_cast<uint32_t>(accumulator);
    accumulator = accumulator - group + dp->step;
    // Tag and selected value of the kept record: the largest |value| of
    // the group, the first on a tie; a group of zeros keeps its first.
    uint8_t first[8], kept[8];
    bool chosen = false;
    double best = 0;
    const uint32_t records = std::max<uint32_t>(group, 1);
    for (uint32_t g = 0; g < records; ++g) {
      const uint8_t* rec = reader.Next();
      if (!rec) return false;
      if (g == 0) {
        std::memcpy(first, rec, 4);
        std::memcpy(first + 4, rec + 4 + 4 * channel, 4);
      }
      const double m = MagnitudeOf(rec, channel, tagged);
      if (records > 1 && m > best) {
        best = m;
        chosen = true;
        std::memcpy(kept, rec, 4);
        std::memcpy(kept + 4, rec + 4 + 4 * channel, 4);
      }
    }
    if (!chosen) std::memcpy(kept, first, sizeof kept);
    STRUCT_NE_POINT* p = NePointAt(dp->points, i);
    if (tagged) {
      p->time = TagOf(kept) / DETECTOR_TAG_UNITS_PER_MINUTE;
      int32_t v;
      std::memcpy(&v, kept + 4, 4);
      p->value.i = v;
    } else {
      p->time = std::trunc(dp->firstPoint + i * dp->step) * wf->samplingInterval + wf->startTime;
      float f;
      std::memcpy(&f, kept + 4, 4);
      p->value.d = f;
    }
  }
  return true;
}

// Times of points a..b (inclusive) of a time-tagged file.
bool ReadTagTimes(const STRUCT_WORK_FILE* wf, uint32_t a, uint32_t b, std::vector<double>& times) {
  RawDataReader reader;
  if (b < a || !reader.Open(wf, a, b - a + 1)) return false;
  times.clear();
  for (uint32_t i = a; i <= b; ++i) {
    const uint8_t* rec = reader.Next();
    if (!rec) return false;
    times.push_back(TagOf(rec) / DETECTOR_TAG_UNITS_PER_MINUTE);
  }
  return true;
}

// A 101-point window [lo, hi] starting near lo, clamped to the file.
void ClampWindow(int64_t lo, uint32_t count, uint32_t& outLo, uint32_t& outHi) {
  const int64_t last = int64_t{count} - 1;
  lo = std::clamp<int64_t>(lo, 0, last);
  int64_t hi = std::min<int64_t>(last, lo + 2 * kTagWindowHalf);
  lo = std::max<int64_t>(0, hi - 2 * kTagWindowHalf);
  outLo = static_cast<uint32_t>(lo);
  outHi = static_cast<uint32_t>(hi);
}

bool TaggedPointFromTime(const STRUCT_WORK_FILE* wf, double time, int16_t mode, uint32_t* point, double* pointTime) {
  const uint32_t n = wf->pointCount;
  const double span = wf->endTime - wf->startTime;
  if (!(span > 0)) return false;
  const double estimate = std::trunc((time - wf->startTime) * n / span);
  uint32_t lo, hi;
  ClampWindow(static_cast<int64_t>(estimate) - kTagWindowHalf, n, lo, hi);
  std::vector<double> times;
  if (!ReadTagTimes(wf, lo, hi, times)) return false;
  if (time < times.front() && lo > 0) {
    ClampWindow(int64_t{lo} - kTagWindowMove, n, lo, hi);
    if (!ReadTagTimes(wf, lo, hi, times)) return false;
  } else if (time > times.back() && hi < n - 1) {
    ClampWindow(int64_t{lo} + kTagWindowMove, n, lo, hi);
    if (!ReadTagTimes(wf, lo, hi, times)) return false;
  }
  // Still not bracketed (the estimate was far off): bisect over the tags.
  if ((time < times.front() && lo > 0) || (time > times.back() && hi < n - 1)) {
    uint32_t a = 0, b = n - 1;
    std::vector<double> one;
    while (b - a > 1) {
      const uint32_t mid = a + (b - a) / 2;
      if (!ReadTagTimes(wf, mid, mid, one)) return false;
      (one[0] <= time ? a : b) = mid;
    }
    ClampWindow(int64_t{a} - kTagWindowHalf, n, lo, hi);
    if (!ReadTagTimes(wf, lo, hi, times)) return false;
  }
  if (time <= times.front()) {
    *point = lo;
    *pointTime = times.front();
    return true;
  }
  if (time >= times.back()) {
    *point = hi;
    *pointTime = times.back();
    return true;
  }
  size_t lower = 0;
  while (lower + 1 < times.size() && times[lower + 1] <= time) ++lower;
  size_t chosen = lower;
  if (times[lower] != time) {
    const size_t upper = lower + 1;
    if (mode == LOOKUP_AT_OR_BEFORE) {
      chosen = lower;
    } else if (mode == LOOKUP_NEAREST) {
      chosen = time >= (times[lower] + times[upper]) / 2 ? upper : lower;
    } else {
      chosen = upper;
    }
  }
  *point = lo + static_cast<uint32_t>(chosen);
  *pointTime = times[chosen];
  return true;
}

}  // namespace

bool PointFromTime(const STRUCT_WORK_FILE* wf, double time, int16_t mode, uint32_t* point, double* pointTime) {
  if (!wf || !point || !pointTime || wf->pointCount < 2 || !std::isfinite(time)) return false;
  if (time <= wf->startTime) {
    *point = 0;
    *pointTime = wf->startTime;
    return true;
  }
  if (time >= wf->endTime) {
    *point = wf->pointCount - 1;
    *pointTime = wf->endTime;
    return true;
  }
  if (wf->timeTagged) return TaggedPointFromTime(wf, time, mode, point, pointTime);
  const double interval = wf->samplingInterval;
  if (!(interval > 0)) return false;
  // Position in intervals. A time within a billionth of an interval of a
  // point or of a midpoint counts as exactly there, so that rounding in
  // the caller's arithmetic cannot tip the choice: a midpoint gives the
  // later point, a point itself in every mode.
  constexpr double kSnap = 1e-9;
  const double q = (time - wf->startTime) / interval;
  double p;
  if (mode == LOOKUP_NEAREST) {
    p = std::floor(q + 0.5 + kSnap);
  } else if (mode == LOOKUP_AT_OR_BEFORE) {
    p = std::floor(q + kSnap);
  } else {
    p = std::ceil(q - kSnap);
  }
  if (p < 0) p = 0;
  const uint32_t pt = p >= wf->pointCount - 1 ? wf->pointCount - 1 : static_cast<uint32_t>(p);
  *point = pt;
  *pointTime = pt * interval + wf->startTime;
  return true;
}

STRUCT_NE_DATA_POINTS* ReadDetectorTrace(STRUCT_WORK_FILE* wf, double start, double end, int32_t maxPoints,
                                         int16_t channel) {
  if (!wf || maxPoints < 1 || channel < 0 || channel >= wf->detectorHeader.channelCount) return nullptr;
  uint32_t first, last;
  double t;
  if (!PointFromTime(wf, start, LOOKUP_NEAREST, &first, &t) || !PointFromTime(wf, end, LOOKUP_NEAREST, &last, &t))
    return nullptr;
  if (last < first || last - first + 1 < 3) {
    start = wf->startTime;
    end = wf->endTime;
    first = 0;
    last = wf->pointCount - 1;
  }
  auto* dp = static_cast<STRUCT_NE_DATA_POINTS*>(AllocBlock(sizeof(STRUCT_NE_DATA_POINTS)));
  if (!dp) return nullptr;
  const uint32_t n = last - first + 1;
  dp->workFile = wf;
  dp->dataType = DATA_TYPE_DETECTOR;
  dp->detectorChannel = static_cast<uint16_t>(channel);
  dp->startTime = start;
  dp->endTime = end;
  dp->firstPoint = first;
  dp->lastPoint = last;
  dp->pointsInRange = n;
  if (n <= static_cast<uint32_t>(maxPoints)) {
    dp->step = 1.0;
    dp->pointCount = n;
  } else {
    dp->step = static_cast<double>(n - 1) / maxPoints;
    dp->pointCount = static_cast<uint32_t>(maxPoints);
  }
  const uint64_t bytes = uint64_t{dp->pointCount} * NE_POINT_SIZE + NE_POINT_BLOCK_SLACK;
  dp->points = bytes < 0xFFFFFFF0u ? static_cast<STRUCT_NE_POINT_BLOCK*>(AllocBlock(static_cast<uint32_t>(bytes)))
                                   : nullptr;
  if (!dp->points) {
    FreeDataPointsStruct(dp);
    return nullptr;
  }
  dp->points->firstScan = first;
  dp->points->lastScan = last;
  dp->points->isDouble = wf->timeTagged ? 0 : 1;
  if (!FillDetectorPoints(wf, dp, static_cast<uint16_t>(channel))) {
    FreeDataPointsStruct(dp);
    return nullptr;
  }
  dp->wholeFile = n == wf->pointCount && !wf->live ? 1 : 0;
  return dp;
}

}  // namespace kelt::detector
