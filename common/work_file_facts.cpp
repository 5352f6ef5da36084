// The work-file facts the list and scan-function code reads.
#include "common/work_file_facts.h"

#include <cstring>

#include "common/work_file.h"

namespace kelt::wff {

namespace {
// Type descriptor: u16 mass decimals, then f64 lowest and highest mass.
double DescriptorMass(const STRUCT_WORK_FILE* wf, size_t at) {
  if (!wf) return 0;
  double v = 0;
  std::memcpy(&v, wf->typeDescriptor + at, sizeof v);
  return v;
}
}  // namespace

bool IsMsKind(const STRUCT_WORK_FILE* wf) { return IsMSKind(wf); }
bool IsLive(const STRUCT_WORK_FILE* wf) { return wf && wf->live; }
bool IsSectioned(const STRUCT_WORK_FILE* wf) { return wf && wf->sectioned; }
bool IsMsData(const STRUCT_WORK_FILE* wf) { return wf && (wf->centroid || wf->profile); }
bool IsType61(const STRUCT_WORK_FILE* wf) { return wf && wf->type61; }
const char* Path(const STRUCT_WORK_FILE* wf) { return wf ? wf->filePath : nullptr; }
uint16_t FileType(const STRUCT_WORK_FILE* wf) { return wf ? wf->fileType : 0; }
uint16_t Module(const STRUCT_WORK_FILE* wf) { return wf ? wf->module : 0; }
const MS_INFO_BLOCK* Info(const STRUCT_WORK_FILE* wf) { return IsMSKind(wf) ? &wf->msInfo : nullptr; }

int SegmentCount(const STRUCT_WORK_FILE* wf) {
  return wf && wf->segmentBlocks ? WorkFileSegmentCount(wf) : 0;
}

const MS_SEGMENT_BLOCK* Segment(const STRUCT_WORK_FILE* wf, int index) { return WorkFileSegment(wf, index); }

int FunctionCount(const STRUCT_WORK_FILE* wf, int segment) {
  const MS_SEGMENT_BLOCK* s = WorkFileSegment(wf, segment);
  if (!s) return 0;
  return s->functionCount;  // a u8: never beyond the 255 entries of a block
}

int MostScanFunctions(const STRUCT_WORK_FILE* wf) {
  if (!wf) return 0;
  return wf->mostScanFunctions < MS_MAX_FUNCTIONS ? wf->mostScanFunctions : MS_MAX_FUNCTIONS;
}

bool HasDescriptions(const STRUCT_WORK_FILE* wf) { return wf && wf->hasDescriptions; }

int MassDecimals(const STRUCT_WORK_FILE* wf) {
  if (!wf) return 0;
  uint16_t d = 0;
  std::memcpy(&d, wf->typeDescriptor, sizeof d);
  return d;
}

double LowestMass(const STRUCT_WORK_FILE* wf) { return DescriptorMass(wf, 2); }
double HighestMass(const STRUCT_WORK_FILE* wf) { return DescriptorMass(wf, 10); }
double StartTime(const STRUCT_WORK_FILE* wf) { return wf ? wf->startTime : 0; }
double EndTime(const STRUCT_WORK_FILE* wf) { return wf ? wf->endTime : 0; }

}  // namespace kelt::wff
