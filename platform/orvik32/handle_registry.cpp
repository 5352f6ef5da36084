// The registry of live handles, and the foreign handles other libraries
// let CloseSection close.
#include "handle_registry.h"

#include <mutex>
#include <unordered_map>

#include "orvik32.h"

namespace orvik {
namespace {

std::mutex g_mutex;
std::unordered_map<void*, std::shared_ptr<Handle>>& Live() {
  static auto* live = new std::unordered_map<void*, std::shared_ptr<Handle>>();
  return *live;
}

class ForeignHandle : public Handle {
 public:
  ForeignHandle(void* h, void (*closer)(void*)) : h_(h), closer_(closer) {}
  bool Close() override {
    if (closer_) closer_(h_);
    return true;
  }

 private:
  void* h_;
  void (*closer_)(void*);
};

}  // namespace

void* AddHandle(std::shared_ptr<Handle> h) {
  void* key = h.get();
  AddHandleAt(key, std::move(h));
  return key;
}

void AddHandleAt(void* key, std::shared_ptr<Handle> h) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Live()[key] = std::move(h);
}

std::shared_ptr<Handle> FindAnyHandle(void* key) {
  if (!key) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Live().find(key);
  return it == Live().end() ? nullptr : it->second;
}

std::shared_ptr<Handle> TakeHandle(void* key) {
  if (!key) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Live().find(key);
  if (it == Live().end()) return nullptr;
  auto h = std::move(it->second);
  Live().erase(it);
  return h;
}

}  // namespace orvik

void RegisterForeignHandle(void* handle, void (*closer)(void*)) {
  if (!handle) return;
  try {
    orvik::AddHandleAt(handle, std::make_shared<orvik::ForeignHandle>(handle, closer));
  } catch (...) {
  }
}

void UnregisterForeignHandle(void* handle) {
  auto h = orvik::FindHandle<orvik::ForeignHandle>(handle);
  if (h) orvik::TakeHandle(handle);
}
