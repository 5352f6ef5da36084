#pragma once
// Cross-process claims on workstation files. A claim on "X" is an
// exclusive lock on the sidecar file "X.lck" that holds the owner's text;
// the kernel drops the lock when the holding process ends, however it ends.
#include <cstdint>
#include <string>
#include <string_view>
#include "win_export.h"

namespace win::locks {
// Claims winPath for this process, retrying until waitMs have passed.
// A second claim on a file this process already holds is refused as well.
WIN_CLASS bool Claim(std::string_view winPath, std::string_view owner, uint32_t waitMs);
// Releases this process's claim; false when it holds none.
WIN_CLASS bool Release(std::string_view winPath);
// True when some process (this one included) holds a claim; the holder's
// owner text goes to owner.
WIN_CLASS bool CurrentOwner(std::string_view winPath, std::string* owner);
}  // namespace win::locks
