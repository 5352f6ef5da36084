// The work-file facts the list and scan-function code reads.
#include "common/work_file_facts.h"

#if __has_include("common/work_file.h")
#error "write the facts against the work-file record"
#else
// Until the work-file record is part of the library every file reads as absent.
namespace kelt::wff {
bool IsMsKind(const STRUCT_WORK_FILE*) { return false; }
bool IsLive(const STRUCT_WORK_FILE*) { return false; }
bool IsSectioned(const STRUCT_WORK_FILE*) { return false; }
bool IsMsData(const STRUCT_WORK_FILE*) { return false; }
bool IsType61(const STRUCT_WORK_FILE*) { return false; }
const char* Path(const STRUCT_WORK_FILE*) { return nullptr; }
uint16_t FileType(const STRUCT_WORK_FILE*) { return 0; }
uint16_t Module(const STRUCT_WORK_FILE*) { return 0; }
const MS_INFO_BLOCK* Info(const STRUCT_WORK_FILE*) { return nullptr; }
int SegmentCount(const STRUCT_WORK_FILE*) { return 0; }
const MS_SEGMENT_BLOCK* Segment(const STRUCT_WORK_FILE*, int) { return nullptr; }
int FunctionCount(const STRUCT_WORK_FILE*, int) { return 0; }
int MostScanFunctions(const STRUCT_WORK_FILE*) { return 0; }
bool HasDescriptions(const STRUCT_WORK_FILE*) { return false; }
int MassDecimals(const STRUCT_WORK_FILE*) { return 0; }
double LowestMass(const STRUCT_WORK_FILE*) { return 0; }
double HighestMass(const STRUCT_WORK_FILE*) { return 0; }
double StartTime(const STRUCT_WORK_FILE*) { return 0; }
double EndTime(const STRUCT_WORK_FILE*) { return 0; }
}  // namespace kelt::wff
#endif
