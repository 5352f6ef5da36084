// The mean spectrum of scans taken one at a time.
#include "jessul32/running_average.h"

#include <algorithm>
#include <cmath>

namespace jessul {

using quorna::Peak;

RunningAverage::RunningAverage(double tolerance, bool keepZeros, size_t maxGroups)
    : tolerance_(tolerance), keepZeros_(keepZeros), maxGroups_(maxGroups) {}

void RunningAverage::Group::Join(const Peak& p) {
  sumI += p.intensity;
  sumMI += p.mass * p.intensity;
  sumM += p.mass;
  flag |= p.flag;
  ++n;
  mean = sumM / static_cast<double>(n);
}

bool RunningAverage::Add(const std::vector<Peak>& scan) {
  sorted_ = scan;
  std::stable_sort(sorted_.begin(), sorted_.end(), [](const Peak& a, const Peak& b) { return a.mass < b.mass; });
  next_.clear();
  size_t i = 0;
  for (const Peak& p : sorted_) {
    // Groups wholly below this peak are done with for this scan.
    while (i < groups_.size() && groups_[i].mean < p.mass - tolerance_) next_.push_back(groups_[i++]);
    const double toLast = next_.empty() ? INFINITY : std::fabs(p.mass - next_.back().mean);
    const double toNext = i < groups_.size() ? std::fabs(groups_[i].mean - p.mass) : INFINITY;
    if (toNext <= tolerance_ && toNext < toLast) {
      next_.push_back(groups_[i++]);
      next_.back().Join(p);
    } else if (toLast <= tolerance_) {
      next_.back().Join(p);
    } else {
      next_.emplace_back();
      next_.back().Join(p);
    }
    if (next_.size() + (groups_.size() - i) > maxGroups_) return false;
  }
  next_.insert(next_.end(), groups_.begin() + static_cast<std::ptrdiff_t>(i), groups_.end());
  // A group's mean moves towards the peaks that join it; keep the order.
  if (!std::is_sorted(next_.begin(), next_.end(), [](const Group& a, const Group& b) { return a.mean < b.mean; }))
    std::stable_sort(next_.begin(), next_.end(), [](const Group& a, const Group& b) { return a.mean < b.mean; });
  groups_.swap(next_);
  ++scans_;
  return true;
}

std::vector<Peak> RunningAverage::Mean() const {
  std::vector<Peak> out;
  if (scans_ == 0) return out;
  out.reserve(groups_.size());
  for (const Group& g : groups_) {
    Peak p;
    p.mass = g.sumI > 0 ? g.sumMI / g.sumI : g.mean;
    p.intensity = static_cast<uint32_t>(std::min(std::llround(g.sumI / scans_), 4294967295LL));
    p.flag = g.flag;
    if (p.intensity > 0 || keepZeros_) out.push_back(p);
  }
  return out;
}

}  // namespace jessul
