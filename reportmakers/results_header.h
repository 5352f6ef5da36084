#pragma once
// The results header of a data file as the report makers read it (a
// 2,635-byte buffer, fields by offset: report_records.h), and the tests of
// which result kinds it holds.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/results_access.h"  // RPTS_ReadResults
#include "win/win_types.h"

// 1 when (any and either group selected by the mask holds steps), or
// (compounds and the selected compound kinds hold steps), or
// (unidentified and the selected peak kinds hold steps); else 0.
KELT_API int16_t RPTS_HasRequestedResults(const void* header, uint16_t kindMask, int16_t any, int16_t compounds,
                                          int16_t unidentified);

namespace kelt::reports {
// The mask value of a step kind: identified 1, failed 2, missing 4, TIC 8,
// unknown 16, duplicate 32; 0 for another kind.
KELT_CLASS uint16_t MaskOfKind(int32_t kind);
// The stored count of a step kind 0-5 (below 0 counts as 0).
KELT_CLASS int32_t CountOfKind(const void* header, int kind);
// Steps of the kinds the mask selects.
KELT_CLASS int32_t CountOfMask(const void* header, uint16_t mask);
KELT_CLASS int32_t CompoundStepCount(const void* header);
KELT_CLASS int32_t UnidentifiedStepCount(const void* header);

// A report's parts each read the results header of its run: while a report
// holds it (one a thread), they take the header it read once.
class KELT_CLASS HeldResultsHeader {
 public:
  explicit HeldResultsHeader(const char* path);
  ~HeldResultsHeader();
  HeldResultsHeader(const HeldResultsHeader&) = delete;
  HeldResultsHeader& operator=(const HeldResultsHeader&) = delete;

 private:
  bool owner_ = false;
};
// RPTS_ReadResults, or the held header's copy for its file.
KELT_CLASS BOOL ReadResultsHeader(const char* path, void* header);
}  // namespace kelt::reports
