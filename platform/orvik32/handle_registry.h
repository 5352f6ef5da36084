#pragma once
// Every live handle the library hands out as a pointer (sections,
// listings, file information, other libraries' handles) is registered
// here, so that a stale or foreign pointer is recognised, never used.
#include <memory>

namespace orvik {

class Handle {
 public:
  virtual ~Handle() = default;
  // Ends the handle's work (commits, calls a closer); false on failure.
  virtual bool Close() { return true; }
};

// Registers h under its own address; returns that address.
void* AddHandle(std::shared_ptr<Handle> h);
// Registers h under a key the caller chose (another library's handle).
void AddHandleAt(void* key, std::shared_ptr<Handle> h);
std::shared_ptr<Handle> FindAnyHandle(void* key);
// Removes the registration and returns the handle, or null.
std::shared_ptr<Handle> TakeHandle(void* key);

template <class T>
std::shared_ptr<T> FindHandle(void* key) {
  return std::dynamic_pointer_cast<T>(FindAnyHandle(key));
}

}  // namespace orvik
