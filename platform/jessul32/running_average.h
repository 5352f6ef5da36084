#pragma once
// The mean spectrum of scans taken one at a time. It holds one entry per
// mass group, never the scans, so a range of thousands of scans costs what
// its average spectrum does.
#include <cstdint>
#include <vector>

#include "quorna/peaks.h"

namespace jessul {

// Peaks within the tolerance (mass units) of a group's running mean mass
// join it (the nearer group when two qualify); others start a group. The
// mean of a group: intensity = sum / number of scans added (rounded),
// mass = intensity-weighted mean (the plain mean when every intensity is 0).
class RunningAverage {
 public:
  // keepZeros keeps groups whose mean intensity rounds to 0 (profile data);
  // maxGroups bounds what the average may hold.
  RunningAverage(double tolerance, bool keepZeros, size_t maxGroups);
  // False when the average would hold more than maxGroups entries.
  bool Add(const std::vector<quorna::Peak>& scan);
  uint32_t Scans() const { return scans_; }
  // Ascending in mass.
  std::vector<quorna::Peak> Mean() const;

 private:
  struct Group {
    double mean = 0;
    double sumI = 0;
    double sumMI = 0;
    double sumM = 0;
    uint64_t n = 0;
    uint8_t flag = 0;
    void Join(const quorna::Peak& p);
  };
  double tolerance_;
  bool keepZeros_;
  size_t maxGroups_;
  uint32_t scans_ = 0;
  std::vector<Group> groups_, next_;
  std::vector<quorna::Peak> sorted_;
};

}  // namespace jessul
