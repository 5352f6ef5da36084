#pragma once
// Small facts about workstation files, for stand-ins that keep their data
// through a library of their own (the sectioned-file store) but still need
// to ask about, protect, replace or remove whole files.
#include <cstdint>
#include <string>
#include <string_view>
#include "win_export.h"

namespace win::facts {
// True for an existing regular file (not a folder).
WIN_CLASS bool IsRegularFile(std::string_view winPath);
// True when the file exists and nobody may write it (no write permission
// bit), the counterpart of the read-only attribute.
WIN_CLASS bool IsWriteProtected(std::string_view winPath);
WIN_CLASS bool SetWriteProtected(std::string_view winPath, bool protect);
// Renames fromPath onto toPath in one step, replacing toPath.
WIN_CLASS bool ReplaceWith(std::string_view fromPath, std::string_view toPath);
// Removes a file; true when it is gone afterwards.
WIN_CLASS bool RemoveFile(std::string_view winPath);
// A name for a new file next to winPath, unique in this process and
// distinct from names other processes pick.
WIN_CLASS std::string SiblingTempName(std::string_view winPath);
// Removes from a folder the files named by SiblingTempName for a process
// that has ended (one killed before it could rename or remove them);
// returns how many went. Names of running processes are left alone.
WIN_CLASS int RemoveStaleSiblingTemps(std::string_view winFolder);

// What changes with a file's content: its size, last write and last
// status-change times (nanoseconds) and its identity on its volume. A
// status change cannot be set back by any caller, so a rewrite that keeps
// size and write time still shows.
struct FileStamp {
  int64_t size = -1;
  int64_t writeTime = 0;
  int64_t changeTime = 0;
  uint64_t id = 0;
  uint64_t volume = 0;
  // The file had not changed for a while when the stamp was taken: longer
  // than any file system's clock step, so a later change cannot keep the
  // same stamp. A stamp taken sooner tells nothing about a rewrite within
  // the same clock step; compare contents then.
  bool settled = false;
  bool Same(const FileStamp& o) const {
    return size == o.size && writeTime == o.writeTime && changeTime == o.changeTime && id == o.id &&
           volume == o.volume;
  }
};
// False when the file is missing or no regular file.
WIN_CLASS bool StampOf(std::string_view winPath, FileStamp* out);

// Called with a file's Linux path before the whole-file calls copy, move,
// replace or delete it, outside their own locks: a library that keeps the
// file open with changes beside it (a write-ahead log) folds them into the
// file and lets go of it first.
using BeforeWholeFileCall = void (*)(const std::string& hostPath);
WIN_CLASS void SetBeforeWholeFileCall(BeforeWholeFileCall hook);
WIN_CLASS void BeforeWholeFile(const std::string& hostPath);
}  // namespace win::facts
