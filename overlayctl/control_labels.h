#pragma once
// The labels a control keeps per plot slot, by kind. Holds what the
// control's life cycle and data intake need of the label manager: labels
// are added with a kind and a slot and dropped per slot, whole or by kind.
#include <cstdint>
#include <vector>

#define LABEL_KIND_PLOT_AREA 100
#define LABEL_KIND_NOISE 231
#define LABEL_KIND_AREA 233

namespace kelt::oplot {

class ControlLabels {
 public:
  // The new label's index.
  int AddLabel(int16_t kind, int16_t slot) {
    labels_.push_back({kind, slot});
    return static_cast<int>(labels_.size() - 1);
  }
  void DeleteLabelsForPlot(int16_t slot) {
    std::erase_if(labels_, [slot](const Label& l) { return l.slot == slot; });
  }
  void DeleteSomeLabelsForPlot(int16_t slot, int16_t kind) {
    std::erase_if(labels_, [slot, kind](const Label& l) { return l.slot == slot && l.kind == kind; });
  }
  int GetLabelCount() const { return static_cast<int>(labels_.size()); }
  int CountForPlot(int16_t slot, int16_t kind) const {
    int n = 0;
    for (const Label& l : labels_) n += l.slot == slot && l.kind == kind;
    return n;
  }

 private:
  struct Label {
    int16_t kind;
    int16_t slot;
  };
  std::vector<Label> labels_;
};

}  // namespace kelt::oplot
