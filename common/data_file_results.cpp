// What a data file holds: quantitation results of the current or an older
// format, and MS method segments.
#include <cstdio>
#include <cstring>

#include "common/mass_lists.h"
#include "common/results_facts.h"
#include "common/work_file_facts.h"
#include "pomsel/pomsel.h"

KELT_API BOOL KELT_HaveCurrentResults(const char* path) { return kelt::results::HaveCurrentResults(path) ? 1 : 0; }

KELT_API BOOL KELT_HaveOlderResults(const char* path) { return kelt::results::HaveOlderResults(path) ? 1 : 0; }

KELT_API BOOL KELT_HaveMSMethodSegments(const STRUCT_WORK_FILE* workFile) {
  const char* path = kelt::wff::Path(workFile);
  if (!path) return 0;
  // A scratch stream: only the number of bytes written matters.
  FILE* f = std::tmpfile();
  if (!f) return 0;
  WriteMethodSegmentLogText(f, path, kelt::wff::Module(workFile), kelt::wff::FileType(workFile), 1, 1, 1);
  long written = std::ftell(f);
  std::fclose(f);
  return written > 10 ? 1 : 0;
}
