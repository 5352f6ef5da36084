#pragma once
// Injected file-system faults, for kill and full-disk loops over whole
// programs. Every call that changes the file system counts as one file
// call, every data write as one write; the plan comes from the environment
// (read once, at the first file call), so a test can arm a child program:
//   KELT_KILL_AT_FILE_CALL=N   the process kills itself (SIGKILL) at the
//                              start of its Nth file call
//   KELT_DISK_FULL_AT_WRITE=N  the Nth and every later write fails as on a
//                              full disk
//   KELT_FILE_CALL_COUNTS=P    at exit, "<file calls> <writes>" is written
//                              to the Linux file P (to size a loop)
#include <cstdint>

#include "win_export.h"

namespace win::faults {

struct Counts {
  int64_t fileCalls = 0;
  int64_t writes = 0;
};
WIN_CLASS Counts CountsSoFar();
// The same plan set from code (0 lifts it); the counts start again.
WIN_CLASS void Plan(int64_t killAtFileCall, int64_t diskFullAtWrite);

// For the file layer: counts a file call (and dies when it is the planned
// one); WriteAllowed counts a write and is false once the disk is "full".
WIN_CLASS void FileCall();
WIN_CLASS bool WriteAllowed();

}  // namespace win::faults
