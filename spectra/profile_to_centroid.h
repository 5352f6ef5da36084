#pragma once
// Conversion of a profile MS data file into a new centroided data file.
#include <cstdint>

#include "common/kelt_export.h"

struct STRUCT_WORK_FILE;

#define CENTROID_PARAMS_SIZE 74

// Writes target as a copy of source whose scans are centroided; params is
// the 74-byte centroid parameter record. 1 on success; on failure 0 and no
// target file. The source is never changed (a target naming the source
// itself is refused).
KELT_API int32_t KELT_ConvertProfileToCentroidDataFile(const char* source, const char* target, const void* params,
                                                       uint16_t mode, double resolution, uint16_t optionWord,
                                                       uint32_t optionValue);

namespace kelt::spectra {

// The converter, one per conversion.
class CProfileToCentroid {
 public:
  CProfileToCentroid(const char* source, const char* target, const void* params, uint16_t mode, double resolution,
                     uint16_t optionWord, uint32_t optionValue);
  ~CProfileToCentroid();
  CProfileToCentroid(const CProfileToCentroid&) = delete;
  CProfileToCentroid& operator=(const CProfileToCentroid&) = delete;

  int32_t Convert();

 private:
  bool ConvertScans();
  bool CopyOtherSections();
  bool SetSegmentKinds();

  char source_[260] = {};
  char target_[260] = {};
  uint8_t params_[CENTROID_PARAMS_SIZE] = {};
  uint16_t mode_;
  double resolution_;
  uint16_t optionWord_;
  uint32_t optionValue_;
  STRUCT_WORK_FILE* workFile_ = nullptr;
};

// The peak widths of a parameter record adapted to a channel whose peaks
// are w points wide when the record was made for `resolution`: w is halved
// while above 50, then the search, centroid and (odd) smoothing widths are
// scaled by w / resolution within 1 .. w.
KELT_CLASS void AdaptCentroidWidths(uint8_t* params, double w, double resolution);

}  // namespace kelt::spectra
