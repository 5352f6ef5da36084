#pragma once
// Record locks on a file belong to the process: closing any descriptor of
// the file drops all of them, whichever thread or library holds them. A
// library that keeps such locks (the sectioned-file store's SQLite) marks
// the file for as long as it holds any; the kernel calls then keep their
// own descriptors of a marked file open until the last mark ends, as
// SQLite's unix file layer does with its own descriptors.
#include <cstdint>
#include <string>
#include "win_export.h"

namespace win::holds {
struct WIN_CLASS FileKey {
  uint64_t dev = 0;
  uint64_t ino = 0;
  bool operator==(const FileKey&) const = default;
};
// The key of an existing file by its Linux path; false when it is missing.
WIN_CLASS bool KeyOf(const std::string& hostPath, FileKey* key);
// Marks and unmarks; marks count, so every Begin needs its End.
WIN_CLASS void BeginLockHold(const FileKey& key);
WIN_CLASS void EndLockHold(const FileKey& key);
// Closes a descriptor at once, or parks it until the file's marks end.
WIN_CLASS void CloseDescriptor(int fd);
// Descriptors parked now (tests).
WIN_CLASS size_t ParkedDescriptors();
}  // namespace win::holds
