#pragma once
// MS data of a scratch file held in memory only.
#include "quorna/quorna.h"

// As KeepMSDataOpen, for a scratch file that only this process makes,
// reads (through this library, while kept) and deletes: while kept this
// way, a write through this library to that section is not stored in the
// file (an older one there goes) and later opens share the image of what
// was written. Nests with KeepMSDataOpen (the data set then stays in
// memory only until its last release); ReleaseMSDataOpen ends it. 1 on
// success.
QUORNA_API BOOL KeepMSDataInMemory(const char* path, const char* section);

// 1 when a mini run file extracted from the open data over [from, to]
// (minutes, the scans whose times lie there, as the extraction writes them)
// would show a trace reader exactly what the open data shows over the same
// range: times ascend, every scan there is sound and stored as the writer
// lays it (masses finite and ascending, totals summarised, numbers
// consecutive), and, when channels count (listedChannels nonzero), every
// scan keeps its segment and its place in its cycle once the segments are
// clipped to the range. 0 otherwise, also when no scan lies in the range.
QUORNA_API int32_t MSRangeReadsAsExtract(HMSDATA handle, double from, double to, int32_t listedChannels);

namespace quorna {

// A file's "MSData" held open (or, for a scratch file, in memory only) for
// as long as this lives; a null path holds nothing.
class KeptMSData {
 public:
  explicit KeptMSData(const char* path, bool memoryOnly = false)
      : path_(path),
        kept_(path && (memoryOnly ? KeepMSDataInMemory(path, "MSData") : KeepMSDataOpen(path, "MSData"))) {}
  ~KeptMSData() {
    if (kept_) ReleaseMSDataOpen(path_, "MSData");
  }
  KeptMSData(const KeptMSData&) = delete;
  KeptMSData& operator=(const KeptMSData&) = delete;

 private:
  const char* path_;
  bool kept_;
};

}  // namespace quorna
