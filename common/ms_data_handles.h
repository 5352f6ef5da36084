#pragma once
// MS data handles kept for the work files that opened them, so that the
// traces and lookups of one opening of a file read the data that opening
// read, without loading the whole "MSData" again for each call.
#include "common/work_file.h"

namespace kelt::msdata {

// Keeps a handle opened for a (not live) work file; the cache owns it from
// now on and closes it when the record is freed or the entry is evicted.
void Keep(const STRUCT_WORK_FILE* wf, HMSDATA handle);
// Closes the handle kept for a record, if any.
void Forget(const STRUCT_WORK_FILE* wf);

// The MS data of a work file for the length of a scope: the kept handle,
// or one opened now (section "MSData" for MS data files, none for raw).
class Access {
 public:
  explicit Access(const STRUCT_WORK_FILE* wf);
  ~Access();
  Access(const Access&) = delete;
  Access& operator=(const Access&) = delete;
  HMSDATA get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HMSDATA handle_ = nullptr;
  bool owned_ = false;
};

// Requests for one scan: by its absolute number (the nearest), or by time
// with the given pick mode.
inline MS_SCAN_REQUEST ScanNumbered(uint32_t scan) {
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_NUMBER;
  r.mode = MS_PICK_NEAREST;
  r.scan = scan;
  return r;
}
inline MS_SCAN_REQUEST ScanAtTime(double time, uint32_t mode = MS_PICK_NEAREST) {
  MS_SCAN_REQUEST r{};
  r.kind = MS_SCAN_BY_TIME;
  r.mode = mode;
  r.time = time;
  return r;
}

// The scan a request names, read with merged channels, and its time;
// false when the MS data finds none.
bool FindScan(HMSDATA h, const MS_SCAN_REQUEST& request, uint32_t* scan, double* time);

}  // namespace kelt::msdata
