#pragma once
// Kernel objects behind HANDLE values: files, searches, and whatever other
// parts of the stand-in hand out as handles. A handle is a small number,
// never a pointer, so a stale or made-up handle is refused, not followed.
#include <memory>

#include "win_export.h"
#include "win_types.h"

namespace win {

class WIN_CLASS KernelObject {
 public:
  virtual ~KernelObject();
  // False for objects with a closing call of their own (FindClose).
  virtual bool ClosedByCloseHandle() const { return true; }
};

class WIN_CLASS HandleTable {
 public:
  static HANDLE Add(std::shared_ptr<KernelObject> object);
  static std::shared_ptr<KernelObject> Get(HANDLE handle);
  // Takes the object out of the table; it dies with its last user.
  static std::shared_ptr<KernelObject> Remove(HANDLE handle);

  template <class T>
  static std::shared_ptr<T> GetAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(Get(handle));
  }
};

}  // namespace win
