// The report-format section of a data file and the two step groups of its
// results.
#include "reportmakers/report_format_section.h"

#include <cstring>
#include <vector>

#include "common/report_records.h"
#include "common/results_access.h"
#include "common/results_facts.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"

namespace {

// Target and unidentified step counts of the data file's results.
bool StepGroups(const char* dataFile, int32_t* targets, int32_t* peaks) {
  std::vector<uint8_t> header(kelt::results::kHeaderSize);
  if (!dataFile || !RPTS_ReadResults(dataFile, header.data())) return false;
  *targets = *peaks = 0;
  for (int i = 0; i < 3; ++i) {
    *targets += kelt::reports::FieldAt<int16_t>(header.data(), kelt::results::kStepCountOffsets[i]);
    *peaks += kelt::reports::FieldAt<int16_t>(header.data(), kelt::results::kStepCountOffsets[3 + i]);
  }
  return true;
}

}  // namespace

BOOL KELT_GetMSReportsMethodSectionFromKMSFile(const char* dataFile, char* name) {
  if (!name) return FALSE;
  name[0] = 0;
  if (!dataFile) return FALSE;
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(dataFile, 0);
  if (!wf) return FALSE;
  // The builder writes up to 64 bytes; the caller's buffer holds 32.
  char built[64] = {};
  if (BuildDHSectionName(built, "MSReportFormat2", wf->fileType, wf->module, "1") && std::strlen(built) < 32)
    std::memcpy(name, built, std::strlen(built) + 1);
  FreeWorkFileStruct(wf);
  return TRUE;
}

bool RPTS_IsTargetStepIndex(const char* dataFile, int16_t index) {
  int32_t targets, peaks;
  return StepGroups(dataFile, &targets, &peaks) && index >= 0 && index < targets;
}

bool RPTS_IsUnidentifiedStepIndex(const char* dataFile, int16_t index) {
  int32_t targets, peaks;
  return StepGroups(dataFile, &targets, &peaks) && index >= targets && index < targets + peaks;
}

bool RPTS_HaveAnySteps(const char* dataFile) {
  int32_t targets, peaks;
  return StepGroups(dataFile, &targets, &peaks) && (targets != 0 || peaks != 0);
}
